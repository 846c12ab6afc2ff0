// The echo-canceller kernel table. The scalar kernels define the results; the AVX2 twins run
// eight outputs (FIR) or four bins (sub-band) in lanes, each lane keeping the scalar order of
// operations, and give identical bits.
#ifndef VOKS_EC_KERNELS_H
#define VOKS_EC_KERNELS_H

#include "frame/dispatch.h"
#include "voksc/ec.h"

namespace voks::ec {

// e[j] = d[j] - sum_{k<L} x[j-k]*h[k] for j < n: float products summed in float, k ascending;
// x reads x[1-L] .. x[n-1]. n, L >= 1; e must not overlap x, d or h.
using fir_32f_fn = void(const float* x, const float* d, float* e, int n, const float* h, int L);
// Y[i] = sum_{k<T} X_k[i]*W_k[i] for i < K: each product's parts formed in double, rounded to
// float and added to a float sum, k ascending. 1 <= T <= 255, K >= 1; Y must not overlap the
// inputs.
using sb_fir_32fc_fn = void(const Vok32fc* const* X, const Vok32fc* const* W, Vok32fc* Y, int T, int K);
// W_k[i] += float(mu[i]*E[i]*conj(X_k[i])): a = mu*Er, b = mu*Ei in double, increments fma(a, xr,
// b*xi) and fma(b, xr, -(a*xi)) rounded to float. 1 <= T <= 255, K >= 1; the W_k distinct from
// the inputs.
using sb_update_32fc_fn = void(const double* mu, const Vok32fc* const* X, const Vok32fc* E, Vok32fc* const* W,
                               int T, int K);

// The full-band NLMS coefficient update: h[k] = fma(eps, x[-k], h[k]) for k < L, one rounding
// per tap; x reads x[1-L] .. x[0]. L >= 1; h must not overlap x.
using nlms_update_32f_fn = void(float eps, const float* x, float* h, int L);

// The 16-bit NLMS coefficient update: h[k] = sat16(h[k] + ((x[-k]*eps + 4096) >> 13)) for k < L,
// the product in 64 bits, the shift flooring; x reads x[1-L] .. x[0]. L >= 1; h must not overlap
// x.
using nlms_update_16s_fn = void(int32_t eps, const int16_t* x, int16_t* h, int L);
// The filter bank's radix-2 decimation-in-time butterflies, in place over N = 2^order >= 2
// bit-reversed points: stages of length 2 .. N, twiddle w = (c[j*N/len], s[j*N/len]), t = w*x[b]
// as wr*re - wi*im and wr*im + wi*re (plain float products), x[b] = x[a] - t, x[a] = x[a] + t.
using fft_32f_fn = void(const float* c, const float* s, float* re, float* im, int order);

#define VOKS_EC_KERNELS(X) \
    X(fir_32f) X(sb_fir_32fc) X(sb_update_32fc) X(nlms_update_32f) X(fft_32f) X(nlms_update_16s)

VOKS_DECLARE_KERNELS(VOKS_EC_KERNELS)

}  // namespace voks::ec

#endif  // VOKS_EC_KERNELS_H

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

#define VOKS_EC_KERNELS(X) X(fir_32f) X(sb_fir_32fc) X(sb_update_32fc) X(nlms_update_32f)

VOKS_DECLARE_KERNELS(VOKS_EC_KERNELS)

}  // namespace voks::ec

#endif  // VOKS_EC_KERNELS_H

// The GSM-AMR kernels. The scalar kernels (`*_kernels.cpp`) define the results; the AVX2 twins
// (`x86/*_avx2.cpp`) give identical bits for every input.
#ifndef VOKS_AMRNB_KERNELS_H
#define VOKS_AMRNB_KERNELS_H

#include <cstdint>

#include "frame/dispatch.h"

namespace voks::amrnb {

// The best candidate of a pair stage: its sq = mult(ps, ps), rounded energy al, ps and
// position (a, c), a = c = -1 when no candidate replaced the initial (sq, al) = (-1, 1).
struct PairBest {
    int16_t sq, al, ps;
    int a, c;
};

// Excitation: one pair stage of the 10.2 and 12.2 kbit/s codebook searches over n x n
// candidates (a, c), n <= 10: ps = add(ps1[a], dn[c]) and al = (alp + 0x8000) >> 16 of
// alp = alp1[a] + rrv2[c] + pair2 * rr[40 a + c], which the caller guarantees cannot leave
// -0x7FFF7FFF..0x7FFF7FFF at any partial sum. In row-major order the running best, from
// (-1, 1), is replaced when al_best * mult(ps, ps) > sq_best * al (strictly: the first wins).
using pair_stage_fn = void(const int16_t* ps1, const int32_t* alp1, const int16_t* dn, const int32_t* rrv2,
                           const int16_t* rr, int32_t pair2, int n, PairBest& best);

// LSF quantiser: h[i] = sum_{k<4} t_k^2, t_k = mult(w[k], sat16(r[k] - s cb[4 i + k])), s = -1
// when sign < 0 else 1, for i < n: half the reference's weighted distance of entry i (mod 2^32;
// each t_k^2 is at most 32767^2, so the sum is exact).
using lsf_dist4_fn = void(const int16_t* r, const int16_t* w, const int16_t* cb, int n, int sign,
                          uint32_t* h);

// Closed-loop pitch: xy = sum x[i] y[i] and yy = sum y[i]^2 over i < n, exact.
using dots_fn = void(const int16_t* x, const int16_t* y, int n, int64_t& xy, int64_t& yy);

// Excitation: the signed correlation matrix of the normalised impulse response h2 (40 values)
// in the codebook searches' layout: r(i, j) = (2 sum_{m <= 39 - max(i,j)} h2[m] h2[m + |i - j|]
// + 0x8000) >> 16 is stored at rr[40 at[i] + at[j]], times mult(sign[i], sign[j]) off the
// diagonal. Returns the largest |r| off the diagonal, at most 32767. The caller guarantees
// 2 sum h2^2 <= 0x7FFF7FFF, so that no partial sum nor its rounding saturates.
using cor_matrix_fn = int16_t(const int16_t* h2, const int16_t* sign, const uint8_t* at, int16_t* rr);

// LSP search: y[k] = chebyshev(x[k], f) for k < n (lp_internal.h), the saturations included.
using cheb_grid_fn = void(const int16_t* f, const int16_t* x, int n, int16_t* y);

// Synthesis filter run: y[i] = (s mod 2^32, as int32) >> 12 with s = a[0] x[i] + 0x800 -
// sum_{j=1..10} a[j] y[i - j], for i < n, reading y[-10..-1]; stops before the first value
// outside 16 bits and returns the number of outputs written. x must not alias y.
using syn_run_fn = int(const int16_t* a, const int16_t* x, int16_t* y, int n);

// Two synthesis filter runs with the same coefficients: count[k] = syn_run(a, xk, yk, n). No
// buffer aliases another.
using syn_run2_fn = void(const int16_t* a, const int16_t* x0, int16_t* y0, const int16_t* x1, int16_t* y1,
                         int n, int* count);

#define VOKS_AMRNB_KERNELS(X) \
    X(pair_stage) X(lsf_dist4) X(dots) X(cor_matrix) X(cheb_grid) X(syn_run) X(syn_run2)
VOKS_DECLARE_KERNELS(VOKS_AMRNB_KERNELS)

}  // namespace voks::amrnb

#endif  // VOKS_AMRNB_KERNELS_H

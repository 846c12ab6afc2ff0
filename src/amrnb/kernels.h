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
// in the codebook searches' layout of tracks of m positions (m = 1, 8 or 10): position i at
// at(i) = (i % T) m + i / T, T = 40 / m (m = 1 is the natural order). r(i, j) = (2 sum_{n <=
// 39 - max(i,j)} h2[n] h2[n + |i - j|] + 0x8000) >> 16 is stored at rr[40 at(i) + at(j)], times
// mult(sign[i], sign[j]) off the diagonal. Returns the largest |r| off the diagonal, at most
// 32767. The caller guarantees 2 sum h2^2 <= 0x7FFF7FFF, so that no partial sum nor its rounding
// saturates.
using cor_matrix_fn = int16_t(const int16_t* h2, const int16_t* sign, int m, int16_t* rr);

// Excitation: the pulse search of the 10.2 (n = 8) and 12.2 kbit/s (n = 10) codebooks,
// search_10and8i40, in the track layout of cor_matrix with m = 40 / (n / 2) (the dn values and
// the 40 x 40 matrix rr permuted alike, |rr| off the diagonal at most off_max): the first pulse
// at pos_max[ipos[0]], the second at pos_max[ipos[1]], each later pair by a joint pair stage over
// the tracks ipos[2k], ipos[2k + 1], for each of the 40 / m - 1 rotations of ipos[1 .. n - 1]
// (ipos is left rotated). codvec receives the n layout positions of the best code vector, those
// of positions 0 .. n - 1 when none is taken.
using search_pairs_fn = void(int n, const int16_t* dn, const int16_t* rr, int16_t* ipos,
                             const int16_t* pos_max, int16_t off_max, int* codvec);

// Excitation: the backward correlation of the codebook searches, y[i] = sum_{j=i}^{39} x[j]
// h[j - i] mod 2^32 for i < 40 (x and h of 40 values).
using backward_corr_fn = void(const int16_t* x, const int16_t* h, int32_t* y);

// Excitation: the filtered code vector's sums, acc[i] = sum_{k<n} h[i - pos[k]] s[k] mod 2^32
// for i < 40 (pos[k] in 0..39, n <= 10); h has 40 zeros before it.
using pulse_sum_fn = void(const int16_t* h, const int* pos, const int16_t* s, int n, int32_t* acc);

// Excitation: the sign selection of the 10.2 and 12.2 kbit/s searches, for i < 40: cor =
// round_fx(L_shl(L_mac(L_mult(k_cn, cn[i]), k_dn, dn[i]), 10)) (saturating basic operators);
// where cor < 0, sign[i] = -32767 and dn[i], en[i] = negate(dn[i]), negate(cor), else sign[i] =
// 32767, en[i] = cor (dn in place).
using sign_select_fn = void(const int16_t* cn, int16_t k_cn, int16_t k_dn, int16_t* dn, int16_t* sign,
                            int16_t* en);

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

#define VOKS_AMRNB_KERNELS(X)                                                                       \
    X(pair_stage)                                                                                   \
    X(lsf_dist4)                                                                                    \
    X(dots) X(cor_matrix) X(search_pairs) X(backward_corr) X(pulse_sum) X(sign_select) X(cheb_grid) \
        X(syn_run) X(syn_run2)
VOKS_DECLARE_KERNELS(VOKS_AMRNB_KERNELS)

}  // namespace voks::amrnb

#endif  // VOKS_AMRNB_KERNELS_H

// The AMR-WB kernels. The scalar kernels (`amrwb_kernels.cpp`) define the results; the AVX2 twins
// (`x86/amrwb_avx2.cpp`) give identical bits for every input. Every sum is the reference's chain
// of L_mac steps, saturating after each step; the exact paths are taken only where a bound proves
// that no partial sum can reach the saturation range (Cauchy-Schwarz on the energies).
#ifndef VOKS_AMRWB_KERNELS_H
#define VOKS_AMRWB_KERNELS_H

#include <cstdint>

#include "frame/dispatch.h"

namespace voks::amrwb {

// r[k] = the L_mac chain from s0 of a[m] * b[m - lag] over m < n, with lag = hi - k, for
// k < count (lags hi, hi - 1, .. downwards). Reads a[0 .. n) and b[-hi .. n - hi + count - 1).
using mac_xcorr_fn = void(const int16_t* a, const int16_t* b, int n, int hi, int count, int32_t s0,
                          int32_t* r);
// r[k] = the L_mac chain from s0 of a[m] * b[m + p] over m < n - p, with p = first + k * step,
// for k < count; 0 <= p <= n <= 64. Reads a[0 .. n) and b[0 .. n).
using mac_tail_fn = void(const int16_t* a, const int16_t* b, int n, int first, int step, int count,
                         int32_t s0, int32_t* r);
// The sums of the closed-loop lag search over the 64-sample subframe: the past excitation exc
// (read from exc[-tmax]) filtered by h, excf = round of the L_mac convolution of exc[-tmin ..]
// with h, then for each lag t = tmin .. tmax cor[t - tmin] = the L_mac chain from 1 of
// xn[i] excf[i] and ener[t - tmin] the one of excf[i]^2; between lags excf moves one sample back:
// excf[i] = add(mult(exc[-t - 1], h[i]), excf[i - 1]), excf[0] = mult(exc[-t - 1], h[0]).
using pitch_sums_fn = void(const int16_t* exc, const int16_t* xn, const int16_t* h, int tmin, int tmax,
                           int32_t* cor, int32_t* ener);

// LP residual: y[i] = round(L_shl(s, 14 - sf)) (L_shr for a negative count; counts above 31
// saturate alike) of the chain s from 0 of a[j] x[i - j], j = 0..m, i < n, in order; x[-m .. n) is
// read (a y overlapping it reads the outputs already written, as the sequential loop does).
using residual_fn = void(const int16_t* a, int m, const int16_t* x, int16_t* y, int n, int sf);

// One pair stage of the 4-track search: the best pulse x on track tx (only positions with
// dn2[x] < nx - 8, the nx pre-selected ones) and y on track ty added to the pulses fixed so far
// (*ps, *alp): ps2 = add(add(*ps, dn[x]), dn[y]), a = extract_h of the chain from
// L_deposit_h(*alp) + 0x8000 adding cor_x[x / 4] 4096, cor_y[y / 4] 4096 and rxy[16 (x / 4) + y / 4]
// 8192 (L_mac steps), sq = mult(ps2, ps2); a candidate replaces the best (from sq -1, a 1) when
// L_msu(L_mult(alpk, sq), sqk, a) > 0. *ix, *iy receive the last row with an improvement and its
// best y (tx, ty when none), *ps the sum with their dn, *alp the best a.
using pair_search_fn = void(int nx, int tx, int ty, int16_t* ps, int16_t* alp, int* ix, int* iy,
                            const int16_t* dn, const int16_t* dn2, const int16_t* cor_x, const int16_t* cor_y,
                            const int16_t* rxy);

// The correlations of the 4-track search from the 64-sample response h: rr[16 t + 15 - i] the
// extract_h of the L_mac chain of squares from 0x8000 over h[0 .. 4 i + 3 - t] (energies per
// track, last position first); rxy[256 m + 16 px + py] for x = 4 px + m, y = 4 py + (m + 1) % 4
// the extract_h of the chain from 0x8000 of h[u] h[u + |x - y|] over u <= 63 - max(x, y),
// multiplied (mult) by s[y] with s = vec where sign[x] < 0, else sign.
using track_matrix_fn = void(const int16_t* h, const int16_t* sign, const int16_t* vec, int16_t* rr,
                             int16_t* rxy);

// The adaptive vector: exc[j] = round(L_shl(s, 1)) of the chain s from 0 of x[j + i] c[i], i < 32,
// with x = exc - lag - 15 (one sample earlier for a positive frac) and c the quarter-sample
// filter of the phase, for j < n in order (exc may overlap the samples it reads).
using pred_lt4_fn = void(int16_t* exc, int lag, int frac, int n);

// Distances of x to the count rows of a codebook stored column by column (value j of row i at
// book[j * count + i]; count a multiple of 16): d[i] = the L_mac chain from 0 of t_j t_j,
// t_j = sub(x[j], value j of row i), j < dim (it only grows: min(2 sum t_j^2, MAX_32)).
using vq_dist_fn = void(const int16_t* x, const int16_t* book, int dim, int count, int32_t* d);

// A track's correlations in the 4-track search: cor[i] = add(mult(round_fx(L_shl(s, 1)), sign[p]),
// rr[i]) for p = track + 4 i, i < 16, with s the L_mac chain from 0 of h[m] vec[m + p], m < 64 - p.
using track_cor_fn = void(const int16_t* h, const int16_t* vec, int track, const int16_t* sign,
                          const int16_t* rr, int16_t* cor);

// The double-precision synthesis filter 1/A(z) of order m (synthesis_32 of amrwb_internal.h):
// sig[-m .. -1] the past outputs, sig[0 .. n) written in order, the excitation scaled by 2^q (0..8).
using synth_32_fn = void(const int16_t* a, int m, const int16_t* exc, int32_t* sig, int n, int q);

// The gain quantiser's weighted errors of the table pairs (gp, code gain) at table[2 i], i < size
// (a multiple of 8): with gc = mult_r(code gain, g0), gp2 = mult_r(gp, gp), gpc = mult_r(gc, gp)
// and L_mult(gc, gc) split into gc2 (high) and gc2_lo (low), d[i] = the chain from
// L_shr(L_mult(c[2], gc2_lo), 3) adding lo[k] v_k (L_mac), shifted right by 12, then adding
// c[k] v_k, over v = (gp2, gp, gc2, gc, gpc).
using gain_dist_fn = void(const int16_t* table, int size, int16_t g0, const int16_t* c, const int16_t* lo,
                          int32_t* d);

// The code enhancement's three-tap filter (three_tap of amrwb_internal.h); y may be x.
using three_tap_fn = void(const int16_t* c, const int16_t* x, int16_t* y, int n, bool edge);

// y[k] = chebyshev(x[k], f, n) (the ISP root search's double-precision Chebyshev series of the
// order-n polynomial f, every step saturating), k < count.
using cheb_grid_fn = void(const int16_t* f, int n, const int16_t* x, int16_t* y, int count);

// The cross-correlations of the 2-track search: rxy[32 a + b] for x = 2 a, y = 2 b + 1 the
// extract_h of the L_mac chain from 0x8000 of h[u] h[u + |x - y|] over u <= 63 - max(x, y),
// multiplied (mult) by s[y] with s = vec where sign[x] < 0, else sign.
using matrix_2t_fn = void(const int16_t* h, const int16_t* sign, const int16_t* vec, int16_t* rxy);
// The 2-track search over all 32 x 32 pairs (x = 2 a, y = 2 b + 1): ps2 = add(dn[x], dn[y]),
// alp2 = add(rr0[a], add(rr1[b], rxy[32 a + b])), sq = mult(ps2, ps2); a pair replaces the best
// (from sq -1, alp 1) when L_msu(L_mult(alpk, sq), psk, alp2) > 0; *ix, *iy the last row with an
// improvement and its best y (0, 1 when none).
using search_2t_fn = void(const int16_t* dn, const int16_t* rr0, const int16_t* rr1, const int16_t* rxy,
                          int* ix, int* iy);

// In-place pre-emphasis (preemphasis of amrwb_internal.h), from the last sample down.
using preemph_fn = void(int16_t mu, int16_t* x, int n, int sf, int16_t* mem);

// Signs and position pre-selection of the 4-track search: ps = extract_h(L_shl(L_mac(
// L_mult(k_cn, cn[i]), k_dn, dn[i]), 8)); sign[i] = 32767 and vec[i] = -32768 for ps >= 0, else
// the reverse with dn[i] and ps negated (saturating); dn2[i] = ps, then the 8 largest of each
// track (picked as the first largest, 8 times) replaced by -8 (the best) .. -1; pos_max[t] the
// best of track t.
using preselect_4t_fn = void(int16_t* dn, const int16_t* cn, int16_t k_cn, int16_t k_dn, int16_t* sign,
                             int16_t* vec, int16_t* dn2, int* pos_max);

#define VOKS_AMRWB_KERNELS(X)                                                                                \
    X(mac_xcorr)                                                                                             \
    X(mac_tail) X(pitch_sums) X(residual) X(pair_search) X(track_matrix) X(pred_lt4) X(vq_dist) X(track_cor) \
        X(synth_32) X(gain_dist) X(three_tap) X(cheb_grid) X(matrix_2t) X(search_2t) X(preemph)              \
            X(preselect_4t)

VOKS_DECLARE_KERNELS(VOKS_AMRWB_KERNELS)

namespace scalar {
// The L_mac chain from s0 of a[i] * b[i], i < n.
int32_t mac_chain(const int16_t* a, const int16_t* b, int n, int32_t s0);
// Chebyshev series of the order-n polynomial f (Q11 coefficients) at x (Q15), Q14, in double
// precision; -32768 is returned as -32767.
int16_t chebyshev(int16_t x, const int16_t* f, int n);
}  // namespace scalar

// True when no partial sum of an L_mac chain from s0 over vectors of energies ea and eb can
// saturate: |s0| + 2 sqrt(ea eb) < 2^31 - 1 (which also rules out L_mult(-32768, -32768)).
inline bool chain_exact(uint64_t ea, uint64_t eb, int32_t s0) {
    const int64_t room = int64_t{0x7FFFFFFF} - (s0 < 0 ? -int64_t{s0} : int64_t{s0});
    if (room <= 0) return false;
    using u128 = unsigned __int128;
    return 4 * static_cast<u128>(ea) * eb < static_cast<u128>(room) * static_cast<u128>(room);
}

}  // namespace voks::amrwb

#endif  // VOKS_AMRWB_KERNELS_H

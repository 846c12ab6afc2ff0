// The G.729 kernels. The scalar kernels (`*_kernels.cpp`) define the results; the AVX2 twins
// (`x86/*_avx2.cpp`) give identical bits for every input.
#ifndef VOKS_G729_KERNELS_H
#define VOKS_G729_KERNELS_H

#include <cstdint>

#include "frame/dispatch.h"

namespace voks::g729 {

// Linear prediction: lag window, LSP root search, LSF/LSP conversion and interpolation, LSF
// quantiser distances.
// r[k] *= kLagWindow[k] in double-precision format, k < len <= 12.
using lag_window_fn = void(int32_t* r, int len);
// y[j] = Chebyshev series of f[0..5] (Q11 coefficients, or Q10 when q10) at x[j], j < n, in
// the reference's double-precision arithmetic with per-step saturation; result Q14.
// plain must be cheb_unsaturated(f), which the caller computes once per polynomial.
using cheb_grid_fn = void(const int16_t* f, bool q10, bool plain, const int16_t* x, int n, int16_t* y);
// lsp[i] = cos15 interpolation of lsf[i] (Q13), lsf[i] < 0 treated as 0, i < n.
using lsf_to_lsp_fn = void(const int16_t* lsf, int16_t* lsp, int n);
// dst[i] = sat16((a[i] >> 1) + (b[i] >> 1)).
using interp_half_fn = void(const int16_t* a, const int16_t* b, int16_t* dst, int n);
// dst[i] = sat16(((a[i]*ca) >> sf) + ((b[i]*cb) >> sf)), 0 <= sf (counts above 31 act as 31).
using interp_c_fn = void(const int16_t* a, int16_t ca, const int16_t* b, int16_t cb, int16_t* dst, int n,
                         int sf);
// dst[i] = sat16((a[i]*ca + b[i]*cb + round) >> sf), sum mod 2^32, round = 2^(sf-1) for sf >= 1.
using interp_c_nr_fn = void(const int16_t* a, int16_t ca, const int16_t* b, int16_t cb, int16_t* dst, int n,
                            int sf);
// dst[i] = fma(c1, a[i], c2 * b[i]).
using interp_c_f32_fn = void(const float* a, const float* b, float* dst, int n, float c1, float c2);
// dist[i] = saturating sum_j L_mult(sub(t[j], kLspCb1[i][j]))^2 for the 128 first-stage entries.
using pre_select_dist_fn = void(const int16_t* t, int32_t* dist);
// dist[k] = saturating sum_{j in half} L_mac(mult(w[j], d), d), d = sub(t[j], kLspCb2[k][j]),
// for the 32 second-stage entries; half 0 uses j = 0..4, half 1 j = 5..9; w[j] >= 0.
using second_stage_dist_fn = void(const int16_t* t, const int16_t* w, int half, int32_t* dist);
// First index of the smallest of d[0 .. n-1] (0 when n == 0).
using arg_min_fn = int(const int32_t* d, int n);

// Excitation: adaptive-codebook and algebraic-codebook search loops. The AVX2 twins fall back to
// the scalar arithmetic wherever a saturating step could be reached.
// sum_{i<n} L_mac(a[i], b[i]) from 0, saturating after every step.
using mac_chain_fn = int32_t(const int16_t* a, const int16_t* b, int n);
// The same over the even indices i = 0, 2, .. < n.
using mac_chain_dec_fn = int32_t(const int16_t* a, const int16_t* b, int n);
// Pred_lt_3 at exc (history at negative offsets), 40 samples written in order.
using pred_lt_3_fn = void(int16_t* exc, int t0, int frac);
// Norm_Corr loop over t = t_min..t_max from the filtered excitation excf of t_min
// (already scaled); excf is updated in place; corr[t - t_min] written.
using norm_corr_fn = void(const int16_t* exc, const int16_t* xn, const int16_t* h, int t_min, int t_max,
                          int h_fac, int scaling, int16_t* excf, int16_t* corr);
// Prefix L_mac chains of the scaled response: pre[n * 40 + d] = sum_{m<n} L_mac(h[m], h[m+d])
// for d = 0..39, n = 0..40 - d (the entries the matrix reads; larger n may be left unwritten).
using cor_h_prefix_fn = void(const int16_t* h, int32_t* pre);
// The four-pulse loops of D4i40_17 on |d| and the sign-modified 16-bit matrix: the fourth
// loop runs when the three-pulse correlation exceeds thres and costs one unit of time; the
// search ends when time reaches 0. ip receives the best positions (first best on ties).
using search_17_fn = void(const int16_t* dn, const int16_t* rr, int16_t thres, int16_t& time, int* ip);
// Signs into a 64-element cross block, element 8a + b with row sign rows[a] and column sign
// cols[b] (each 32767 or -32768): mode 0 r = mult(r, mult(rows[a], cols[b])) (D4i40_17),
// mode 1 r = mult(r, rows[a] < 0 ? -cols[b] : cols[b]) with -(-32768) = 32767 and
// -32767 = -32768 (D4i40_17_fast's inverse sign vector).
using sign_block_fn = void(int16_t* r, const int16_t* rows, const int16_t* cols, int mode);
// One Annex E pair stage over 8 x 8 candidates (a, b) from the fixed pulses' ps and alp:
// ps2 = add(add(ps, dn_x[a]), dn_y[b]), alp2 = add(add(alp, cx[a]), add(cy[b], rr[8a + b])),
// best on alpk * mult(ps2, ps2) - sqk * alp2 > 0 from (sqk, alpk) = (-1, 1); ax/by receive
// the last row with an improvement and its best column (-1 when none); alpk_out the best alp.
using pair_e_fn = void(int16_t ps, int16_t alp, const int16_t* dn_x, const int16_t* dn_y, const int16_t* cx,
                       const int16_t* cy, const int16_t* rr, int16_t& alpk_out, int& ax, int& by);
// Phase B of D4i40_17_fast over 8 x 8 candidates (a, k): ps2 = add(ps1[a], dn_in[k]),
// alp2 = L_mac(L_mac(alp1[a], cross[8a + k], 1/8), tmp[k], 1/2); the running best (sq, alp)
// is replaced on a strictly better candidate; best_a = -1 when none was better.
using phase_b_fn = void(const int16_t* ps1, const int32_t* alp1, const int16_t* dn_in, const int16_t* cross,
                        const int16_t* tmp, int16_t& sq, int16_t& alp, int& best_a, int& best_k);
// r[i] = sat16(m[i] >> 15) for i < n: the 16-bit matrix of the 32-bit one.
using narrow_q15_fn = void(const int32_t* m, int16_t* r, int n);
// m[i] = r[i] for i < n.
using widen_fn = void(const int16_t* r, int32_t* m, int n);
// dst[i] = src[at[i]] >> 1 for i < n (0 <= at[i]).
using gather_half_fn = void(const int32_t* src, const int32_t* at, int32_t* dst, int n);
// Phase A of D4i40_17_fast over 2 x 8 candidates (c, k): ps2 = add(ps1[c], dn_in[k]),
// alp2 = L_mac(L_mac(alp1[c], cross[8c + k], 1/2), diag[k], 1/4); otherwise as phase_b.
using phase_a_fn = void(const int16_t* ps1, const int32_t* alp1, const int16_t* dn_in, const int16_t* cross,
                        const int16_t* diag, int16_t& sq, int16_t& alp, int& best_a, int& best_k);
// The pulse search of D4i40_17_fast on |d| (dn >= 0) and the sign-modified matrix: the best
// positions of the four pulses into ip.
using search_17_fast_fn = void(const int16_t* dn, const int16_t* rr, int* ip);
// The signs of the 40 correlations: sgn[i] = 32767 for dn[i] >= 0, else -32768 and dn[i]
// negated (saturating); then sign_block on the nine cross blocks of the 616-element matrix
// with the signs of their tracks, in the given mode.
using sign_matrix_fn = void(int16_t* dn, int16_t* sgn, int16_t* rr, int mode);
// x2[i] = sub(x[i], extract_h(L_shl(L_mult(y[i], g), 1))) for i < 40.
using target_update_fn = void(int16_t g, const int16_t* y, const int16_t* x, int16_t* x2);

// Gains, post-filter and synthesis.
// sum |x[i]| as 32-bit values (|-32768| = 32768), exact; n <= 65535.
using abs_sum_fn = int32_t(const int16_t* x, int n);
// min(2 * sum (x[i] >> 2)^2, 2^31 - 1): the saturating L_mac energy of x scaled by 1/4.
using energy_q2_fn = int32_t(const int16_t* x, int n);
// x[i] = sat16((g[i] * x[i] + 8192) >> 14): round(L_shl(L_mult(g, x), 1)), gain in Q14.
using apply_q14_fn = void(const int16_t* g, int16_t* x, int n);
// x[i] = sat16((g[i] * x[i]) >> 12): extract_h(L_shl(L_mult(x, g), 3)), gain in Q12.
using apply_q12_fn = void(const int16_t* g, int16_t* x, int n);
// d[k] = gp*gp*c0 + gp*c1 + gc*gc*c2 + gc*c3 + gp*gc*c4 with gc = g0 * gcs[k], evaluated
// left to right in single precision without fused operations.
using gain_dist_fn = void(const float* c, const float* gp, const float* gcs, float g0, float* d, int n);
// First-order tilt filter of filt_mu: v = low16((x[i+1] * 2^15 + 2 * mu * x[i] + 2^14) >> 15),
// y[i] = sat16((2 * v * ga + fact) >> shift) for i < n; reads x[0 .. n]. |mu| <= 16384,
// 0 < ga, fact < 2^15, shift 12 or 15.
using tilt_fn = void(const int16_t* x, int16_t* y, int n, int16_t mu, int16_t ga, int32_t fact, int shift);
// Weighted error of the fixed-point gain quantiser for n candidates (pitch gain gp[k] Q14,
// code gain gc[k]): the saturating L_add chain of Mpy_32_16(hi[t], lo[t], v_t) over
// v = (mult(gp, gp), gp, mult(gc, gc), gc, mult(gc, gp)).
using quant_dist_fn = void(const int16_t* hi, const int16_t* lo, const int16_t* gp, const int16_t* gc,
                           int32_t* d, int n);
// Sums of the harmonic post-filter's fractional-delay search over its seven interpolated
// signals y = yup + 41 p (p < 7, 41 samples each) and the sub-frame s[0..39]: e[p] = sum_{j=1..39}
// y[j]^2, n0[p] = sum_{j<40} s[j] y[j] and n1[p] = sum_{j<40} s[j] y[j+1], each modulo 2^32.
using ltp_phase_sums_fn = void(const int16_t* s, const int16_t* yup, int32_t* e, int32_t* n0, int32_t* n1);
// The seven 4-tap interpolations of that search: y[41 p + n] = sat16((acc + 2^14) >> 15) with
// acc = sum_{i<4} h[4 p + i] x[n - i] modulo 2^32 (the rounding added modulo 2^32 too), for
// p < 7 and n <= 40; reads x[-3 .. 40].
using ltp_interp_fn = void(const int16_t* x, const int16_t* h, int16_t* y);
// Synthesis filter of Syn_filte for coefficients with sum |a[i]| < 32768 (i = 0..order), whose
// sums cannot saturate: s = x[n]*a[0] - sum a[i]*y[n-i] exactly, y[n] = round(L_shl(2s, 3)).
// y has the `order` (1..kSynthMaxOrder) previous outputs before it and writable room up to n
// rounded up to a multiple of 16. Returns true when an output saturated.
using synth_fn = bool(const int16_t* a, int order, const int16_t* x, int16_t* y, int n);

#define VOKS_G729_KERNELS(X)                                                                           \
    X(lag_window)                                                                                      \
    X(cheb_grid)                                                                                       \
    X(lsf_to_lsp) X(interp_half) X(interp_c) X(interp_c_nr) X(interp_c_f32) X(pre_select_dist)         \
        X(second_stage_dist) X(arg_min) X(mac_chain) X(mac_chain_dec) X(pred_lt_3) X(norm_corr)        \
            X(cor_h_prefix) X(search_17) X(sign_block) X(pair_e) X(phase_b) X(narrow_q15) X(widen)     \
                X(gather_half) X(phase_a) X(search_17_fast) X(sign_matrix) X(target_update) X(abs_sum) \
                    X(energy_q2) X(apply_q14) X(apply_q12) X(gain_dist) X(tilt) X(quant_dist) X(synth) \
                        X(ltp_phase_sums) X(ltp_interp)

VOKS_DECLARE_KERNELS(VOKS_G729_KERNELS)

// Longest synthesis filter the `synth` kernel takes.
constexpr int kSynthMaxOrder = 32;

namespace scalar {
// Pred_lt_3's outputs start..39 only (the earlier ones already written).
void pred_lt_3_from(int16_t* exc, int t0, int frac, int start);
// True when no step of the Chebyshev recursion of f can saturate for any x (cheb_grid's `plain`).
bool cheb_unsaturated(const int16_t* f);
// The reference's Chebyshev evaluation step by step (the definition cheb_grid's plain path
// reproduces).
void cheb_grid_reference(const int16_t* f, bool q10, const int16_t* x, int n, int16_t* y);
}  // namespace scalar

}  // namespace voks::g729

#endif  // VOKS_G729_KERNELS_H

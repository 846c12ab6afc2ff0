// Vector kernels of the G.729 excitation search. The scalar kernels define the results; the
// AVX2 twins (x86/exc_avx2.cpp) give identical bits for every input, falling back to the
// scalar arithmetic wherever a saturating step could be reached.
#ifndef VOKS_G729_EXC_KERNELS_H
#define VOKS_G729_EXC_KERNELS_H

#include <cstdint>

#include "frame/dispatch.h"

namespace voks::g729 {

// One candidate set of the innermost codebook loops: correlations ps[i] and energies alp[i].
struct ExcKernels {
    // sum_{i<n} L_mac(a[i], b[i]) from 0, saturating after every step.
    int32_t (*mac_chain)(const int16_t* a, const int16_t* b, int n);
    // The same over the even indices i = 0, 2, .. < n.
    int32_t (*mac_chain_dec)(const int16_t* a, const int16_t* b, int n);
    // Pred_lt_3 at exc (history at negative offsets), 40 samples written in order.
    void (*pred_lt_3)(int16_t* exc, int t0, int frac);
    // Norm_Corr loop over t = t_min..t_max from the filtered excitation excf of t_min
    // (already scaled); excf is updated in place; corr[t - t_min] written.
    void (*norm_corr)(const int16_t* exc, const int16_t* xn, const int16_t* h, int t_min, int t_max,
                      int h_fac, int scaling, int16_t* excf, int16_t* corr);
    // Prefix L_mac chains of the scaled response: pre[n * 40 + d] = sum_{m<n} L_mac(h[m], h[m+d])
    // for d = 0..39, n = 0..40 - d (the entries the matrix reads; larger n may be left unwritten).
    void (*cor_h_prefix)(const int16_t* h, int32_t* pre);
    // The four-pulse loops of D4i40_17 on |d| and the sign-modified 16-bit matrix: the fourth
    // loop runs when the three-pulse correlation exceeds thres and costs one unit of time; the
    // search ends when time reaches 0. ip receives the best positions (first best on ties).
    void (*search_17)(const int16_t* dn, const int16_t* rr, int16_t thres, int16_t& time, int* ip);
    // Phase B of D4i40_17_fast over 8 x 8 candidates (a, k): ps2 = add(ps1[a], dn_in[k]),
    // alp2 = L_mac(L_mac(alp1[a], cross[8a + k], 1/8), tmp[k], 1/2); the running best (sq, alp)
    // is replaced on a strictly better candidate; best_a = -1 when none was better.
    // Signs into a 64-element cross block, element 8a + b with row sign rows[a] and column sign
    // cols[b] (each 32767 or -32768): mode 0 r = mult(r, mult(rows[a], cols[b])) (D4i40_17),
    // mode 1 r = mult(r, rows[a] < 0 ? -cols[b] : cols[b]) with -(-32768) = 32767 and
    // -32767 = -32768 (D4i40_17_fast's inverse sign vector).
    void (*sign_block)(int16_t* r, const int16_t* rows, const int16_t* cols, int mode);
    // One Annex E pair stage over 8 x 8 candidates (a, b) from the fixed pulses' ps and alp:
    // ps2 = add(add(ps, dn_x[a]), dn_y[b]), alp2 = add(add(alp, cx[a]), add(cy[b], rr[8a + b])),
    // best on alpk * mult(ps2, ps2) - sqk * alp2 > 0 from (sqk, alpk) = (-1, 1); ax/by receive
    // the last row with an improvement and its best column (-1 when none); alpk_out the best alp.
    void (*pair_e)(int16_t ps, int16_t alp, const int16_t* dn_x, const int16_t* dn_y, const int16_t* cx,
                   const int16_t* cy, const int16_t* rr, int16_t& alpk_out, int& ax, int& by);
    void (*phase_b)(const int16_t* ps1, const int32_t* alp1, const int16_t* dn_in, const int16_t* cross,
                    const int16_t* tmp, int16_t& sq, int16_t& alp, int& best_a, int& best_k);
    // r[i] = sat16(m[i] >> 15) for i < n: the 16-bit matrix of the 32-bit one.
    void (*narrow_q15)(const int32_t* m, int16_t* r, int n);
    // m[i] = r[i] for i < n.
    void (*widen)(const int16_t* r, int32_t* m, int n);
    // dst[i] = src[at[i]] >> 1 for i < n (0 <= at[i]).
    void (*gather_half)(const int32_t* src, const int32_t* at, int32_t* dst, int n);
    // Phase A of D4i40_17_fast over 2 x 8 candidates (c, k): ps2 = add(ps1[c], dn_in[k]),
    // alp2 = L_mac(L_mac(alp1[c], cross[8c + k], 1/2), diag[k], 1/4); otherwise as phase_b.
    void (*phase_a)(const int16_t* ps1, const int32_t* alp1, const int16_t* dn_in, const int16_t* cross,
                    const int16_t* diag, int16_t& sq, int16_t& alp, int& best_a, int& best_k);
    // The pulse search of D4i40_17_fast on |d| (dn >= 0) and the sign-modified matrix: the best
    // positions of the four pulses into ip.
    void (*search_17_fast)(const int16_t* dn, const int16_t* rr, int* ip);
    // The signs of the 40 correlations: sgn[i] = 32767 for dn[i] >= 0, else -32768 and dn[i]
    // negated (saturating); then sign_block on the nine cross blocks of the 616-element matrix
    // with the signs of their tracks, in the given mode.
    void (*sign_matrix)(int16_t* dn, int16_t* sgn, int16_t* rr, int mode);
    // x2[i] = sub(x[i], extract_h(L_shl(L_mult(y[i], g), 1))) for i < 40.
    void (*target_update)(int16_t g, const int16_t* y, const int16_t* x, int16_t* x2);
};

const ExcKernels& exc_kernels();

namespace scalar {
int32_t mac_chain(const int16_t* a, const int16_t* b, int n);
int32_t mac_chain_dec(const int16_t* a, const int16_t* b, int n);
void pred_lt_3(int16_t* exc, int t0, int frac);
// Pred_lt_3's outputs start..39 only (the earlier ones already written).
void pred_lt_3_from(int16_t* exc, int t0, int frac, int start);
void norm_corr(const int16_t* exc, const int16_t* xn, const int16_t* h, int t_min, int t_max, int h_fac,
               int scaling, int16_t* excf, int16_t* corr);
void cor_h_prefix(const int16_t* h, int32_t* pre);
void search_17(const int16_t* dn, const int16_t* rr, int16_t thres, int16_t& time, int* ip);
void phase_b(const int16_t* ps1, const int32_t* alp1, const int16_t* dn_in, const int16_t* cross,
             const int16_t* tmp, int16_t& sq, int16_t& alp, int& best_a, int& best_k);
void sign_block(int16_t* r, const int16_t* rows, const int16_t* cols, int mode);
void pair_e(int16_t ps, int16_t alp, const int16_t* dn_x, const int16_t* dn_y, const int16_t* cx,
            const int16_t* cy, const int16_t* rr, int16_t& alpk_out, int& ax, int& by);
void narrow_q15(const int32_t* m, int16_t* r, int n);
void widen(const int16_t* r, int32_t* m, int n);
void gather_half(const int32_t* src, const int32_t* at, int32_t* dst, int n);
void phase_a(const int16_t* ps1, const int32_t* alp1, const int16_t* dn_in, const int16_t* cross,
             const int16_t* diag, int16_t& sq, int16_t& alp, int& best_a, int& best_k);
void search_17_fast(const int16_t* dn, const int16_t* rr, int* ip);
void sign_matrix(int16_t* dn, int16_t* sgn, int16_t* rr, int mode);
void target_update(int16_t g, const int16_t* y, const int16_t* x, int16_t* x2);
}  // namespace scalar

namespace avx2 {
int32_t mac_chain(const int16_t* a, const int16_t* b, int n);
int32_t mac_chain_dec(const int16_t* a, const int16_t* b, int n);
void pred_lt_3(int16_t* exc, int t0, int frac);
void norm_corr(const int16_t* exc, const int16_t* xn, const int16_t* h, int t_min, int t_max, int h_fac,
               int scaling, int16_t* excf, int16_t* corr);
void cor_h_prefix(const int16_t* h, int32_t* pre);
void search_17(const int16_t* dn, const int16_t* rr, int16_t thres, int16_t& time, int* ip);
void phase_b(const int16_t* ps1, const int32_t* alp1, const int16_t* dn_in, const int16_t* cross,
             const int16_t* tmp, int16_t& sq, int16_t& alp, int& best_a, int& best_k);
void sign_block(int16_t* r, const int16_t* rows, const int16_t* cols, int mode);
void pair_e(int16_t ps, int16_t alp, const int16_t* dn_x, const int16_t* dn_y, const int16_t* cx,
            const int16_t* cy, const int16_t* rr, int16_t& alpk_out, int& ax, int& by);
void narrow_q15(const int32_t* m, int16_t* r, int n);
void widen(const int16_t* r, int32_t* m, int n);
void gather_half(const int32_t* src, const int32_t* at, int32_t* dst, int n);
void phase_a(const int16_t* ps1, const int32_t* alp1, const int16_t* dn_in, const int16_t* cross,
             const int16_t* diag, int16_t& sq, int16_t& alp, int& best_a, int& best_k);
void search_17_fast(const int16_t* dn, const int16_t* rr, int* ip);
void sign_matrix(int16_t* dn, int16_t* sgn, int16_t* rr, int mode);
void target_update(int16_t g, const int16_t* y, const int16_t* x, int16_t* x2);
}  // namespace avx2

}  // namespace voks::g729

#endif  // VOKS_G729_EXC_KERNELS_H

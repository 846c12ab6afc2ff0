// Vector kernels of the G.729 linear-prediction operations. The scalar kernels define the
// results; the AVX2 twins (x86/lp_avx2.cpp) give identical bits for every input in the stated
// domain. No kernel needs aligned pointers.
#ifndef VOKS_G729_LP_KERNELS_H
#define VOKS_G729_LP_KERNELS_H

#include <cstdint>

#include "frame/dispatch.h"

namespace voks::g729 {

struct LpKernels {
    // r[k] *= kLagWindow[k] in double-precision format, k < len <= 12.
    void (*lag_window)(int32_t* r, int len);
    // y[j] = Chebyshev series of f[0..5] (Q11 coefficients, or Q10 when q10) at x[j], j < n, in
    // the reference's double-precision arithmetic with per-step saturation; result Q14.
    // plain must be cheb_unsaturated(f), which the caller computes once per polynomial.
    void (*cheb_grid)(const int16_t* f, bool q10, bool plain, const int16_t* x, int n, int16_t* y);
    // lsp[i] = cos15 interpolation of lsf[i] (Q13), lsf[i] < 0 treated as 0, i < n.
    void (*lsf_to_lsp)(const int16_t* lsf, int16_t* lsp, int n);
    // dst[i] = sat16((a[i] >> 1) + (b[i] >> 1)).
    void (*interp_half)(const int16_t* a, const int16_t* b, int16_t* dst, int n);
    // dst[i] = sat16(((a[i]*ca) >> sf) + ((b[i]*cb) >> sf)), 0 <= sf (counts above 31 act as 31).
    void (*interp_c)(const int16_t* a, int16_t ca, const int16_t* b, int16_t cb, int16_t* dst, int n,
                     int sf);
    // dst[i] = sat16((a[i]*ca + b[i]*cb + round) >> sf), sum mod 2^32, round = 2^(sf-1) for sf >= 1.
    void (*interp_c_nr)(const int16_t* a, int16_t ca, const int16_t* b, int16_t cb, int16_t* dst,
                        int n, int sf);
    // dst[i] = fma(c1, a[i], c2 * b[i]).
    void (*interp_c_f32)(const float* a, const float* b, float* dst, int n, float c1, float c2);
    // dist[i] = saturating sum_j L_mult(sub(t[j], kLspCb1[i][j]))^2 for the 128 first-stage entries.
    void (*pre_select_dist)(const int16_t* t, int32_t* dist);
    // dist[k] = saturating sum_{j in half} L_mac(mult(w[j], d), d), d = sub(t[j], kLspCb2[k][j]),
    // for the 32 second-stage entries; half 0 uses j = 0..4, half 1 j = 5..9; w[j] >= 0.
    void (*second_stage_dist)(const int16_t* t, const int16_t* w, int half, int32_t* dist);
    // First index of the smallest of d[0 .. n-1] (0 when n == 0).
    int (*arg_min)(const int32_t* d, int n);
};

// The table in use (filled for the active level at load and when a test forces a level).
const LpKernels& lp_kernels();

namespace lp_scalar {
void lag_window(int32_t* r, int len);
void cheb_grid(const int16_t* f, bool q10, bool plain, const int16_t* x, int n, int16_t* y);
// True when no step of the Chebyshev recursion with coefficients f can saturate, whatever x.
bool cheb_unsaturated(const int16_t* f);
// The reference's step-by-step saturating chain, which cheb_grid reproduces.
void cheb_grid_reference(const int16_t* f, bool q10, const int16_t* x, int n, int16_t* y);
void lsf_to_lsp(const int16_t* lsf, int16_t* lsp, int n);
void interp_half(const int16_t* a, const int16_t* b, int16_t* dst, int n);
void interp_c(const int16_t* a, int16_t ca, const int16_t* b, int16_t cb, int16_t* dst, int n, int sf);
void interp_c_nr(const int16_t* a, int16_t ca, const int16_t* b, int16_t cb, int16_t* dst, int n, int sf);
void interp_c_f32(const float* a, const float* b, float* dst, int n, float c1, float c2);
void pre_select_dist(const int16_t* t, int32_t* dist);
void second_stage_dist(const int16_t* t, const int16_t* w, int half, int32_t* dist);
int arg_min(const int32_t* d, int n);
}  // namespace lp_scalar

namespace lp_avx2 {
void lag_window(int32_t* r, int len);
void cheb_grid(const int16_t* f, bool q10, bool plain, const int16_t* x, int n, int16_t* y);
void lsf_to_lsp(const int16_t* lsf, int16_t* lsp, int n);
void interp_half(const int16_t* a, const int16_t* b, int16_t* dst, int n);
void interp_c(const int16_t* a, int16_t ca, const int16_t* b, int16_t cb, int16_t* dst, int n, int sf);
void interp_c_nr(const int16_t* a, int16_t ca, const int16_t* b, int16_t cb, int16_t* dst, int n, int sf);
void interp_c_f32(const float* a, const float* b, float* dst, int n, float c1, float c2);
void pre_select_dist(const int16_t* t, int32_t* dist);
void second_stage_dist(const int16_t* t, const int16_t* w, int half, int32_t* dist);
int arg_min(const int32_t* d, int n);
}  // namespace lp_avx2

}  // namespace voks::g729

#endif  // VOKS_G729_LP_KERNELS_H

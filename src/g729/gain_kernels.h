// Vector kernels of the G.729 gain-control loops and of the floating-point gain-codebook
// search. The scalar kernels define the results; the AVX2 twins (x86/gain_avx2.cpp) give
// identical bits for every length and alignment. No kernel needs aligned pointers; n may be 0.
#ifndef VOKS_G729_GAIN_KERNELS_H
#define VOKS_G729_GAIN_KERNELS_H

#include <cstdint>

#include "frame/dispatch.h"

namespace voks::g729 {

struct GainKernels {
    // sum |x[i]| as 32-bit values (|-32768| = 32768), exact; n <= 65535.
    int32_t (*abs_sum)(const int16_t* x, int n);
    // min(2 * sum (x[i] >> 2)^2, 2^31 - 1): the saturating L_mac energy of x scaled by 1/4.
    int32_t (*energy_q2)(const int16_t* x, int n);
    // x[i] = sat16((g[i] * x[i] + 8192) >> 14): round(L_shl(L_mult(g, x), 1)), gain in Q14.
    void (*apply_q14)(const int16_t* g, int16_t* x, int n);
    // x[i] = sat16((g[i] * x[i]) >> 12): extract_h(L_shl(L_mult(x, g), 3)), gain in Q12.
    void (*apply_q12)(const int16_t* g, int16_t* x, int n);
    // d[k] = gp*gp*c0 + gp*c1 + gc*gc*c2 + gc*c3 + gp*gc*c4 with gc = g0 * gcs[k], evaluated
    // left to right in single precision without fused operations.
    void (*gain_dist)(const float* c, const float* gp, const float* gcs, float g0, float* d, int n);
    // First-order tilt filter of filt_mu: v = low16((x[i+1] * 2^15 + 2 * mu * x[i] + 2^14) >> 15),
    // y[i] = sat16((2 * v * ga + fact) >> shift) for i < n; reads x[0 .. n]. |mu| <= 16384,
    // 0 < ga, fact < 2^15, shift 12 or 15.
    void (*tilt)(const int16_t* x, int16_t* y, int n, int16_t mu, int16_t ga, int32_t fact, int shift);
    // Weighted error of the fixed-point gain quantiser for n candidates (pitch gain gp[k] Q14,
    // code gain gc[k]): the saturating L_add chain of Mpy_32_16(hi[t], lo[t], v_t) over
    // v = (mult(gp, gp), gp, mult(gc, gc), gc, mult(gc, gp)).
    void (*quant_dist)(const int16_t* hi, const int16_t* lo, const int16_t* gp, const int16_t* gc, int32_t* d,
                       int n);
    // Synthesis filter of Syn_filte for coefficients with sum |a[i]| < 32768 (i = 0..order), whose
    // sums cannot saturate: s = x[n]*a[0] - sum a[i]*y[n-i] exactly, y[n] = round(L_shl(2s, 3)).
    // y has the `order` (1..kSynthMaxOrder) previous outputs before it and writable room up to n
    // rounded up to a multiple of 16. Returns true when an output saturated.
    bool (*synth)(const int16_t* a, int order, const int16_t* x, int16_t* y, int n);
};

constexpr int kSynthMaxOrder = 32;

// The table in use (filled for the active level at load and when a test forces a level).
const GainKernels& gain_kernels();

namespace scalar {
void quant_dist(const int16_t* hi, const int16_t* lo, const int16_t* gp, const int16_t* gc, int32_t* d,
                int n);
bool synth(const int16_t* a, int order, const int16_t* x, int16_t* y, int n);
void tilt(const int16_t* x, int16_t* y, int n, int16_t mu, int16_t ga, int32_t fact, int shift);
int32_t abs_sum(const int16_t* x, int n);
int32_t energy_q2(const int16_t* x, int n);
void apply_q14(const int16_t* g, int16_t* x, int n);
void apply_q12(const int16_t* g, int16_t* x, int n);
void gain_dist(const float* c, const float* gp, const float* gcs, float g0, float* d, int n);
}  // namespace scalar

namespace avx2 {
void quant_dist(const int16_t* hi, const int16_t* lo, const int16_t* gp, const int16_t* gc, int32_t* d,
                int n);
bool synth(const int16_t* a, int order, const int16_t* x, int16_t* y, int n);
void tilt(const int16_t* x, int16_t* y, int n, int16_t mu, int16_t ga, int32_t fact, int shift);
int32_t abs_sum(const int16_t* x, int n);
int32_t energy_q2(const int16_t* x, int n);
void apply_q14(const int16_t* g, int16_t* x, int n);
void apply_q12(const int16_t* g, int16_t* x, int n);
void gain_dist(const float* c, const float* gp, const float* gcs, float g0, float* d, int n);
}  // namespace avx2

}  // namespace voks::g729

#endif  // VOKS_G729_GAIN_KERNELS_H

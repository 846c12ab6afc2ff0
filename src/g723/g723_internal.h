// G.723.1 internal declarations: the arithmetic of the exported operations.
#ifndef VOKS_G723_G723_INTERNAL_H
#define VOKS_G723_G723_INTERNAL_H

#include <cstdint>

#include "g723/kernels.h"

namespace voks::g723 {

constexpr int kSub = 60;      // sub-frame length
constexpr int kFrame = 240;   // frame length
constexpr int kWindow = 180;  // LP analysis window
constexpr int kOrder = 10;    // LP order
constexpr int kPitchMin = 18;
constexpr int kPitchMax = 145;  // also the length of every excitation history

// The L_mac chain acc + 2 a[0] b[0] + ... + 2 a[n-1] b[n-1], saturating at every step. Every
// partial sum lies within |acc| + sum (a^2 + b^2) of zero: below the limit no step saturates and
// the exact sum is the result.
inline int32_t mac_dot(int32_t acc, const int16_t* a, const int16_t* b, int n) {
    int64_t s[2];
    kernels().dot_energy(a, b, n, s);
    const int64_t lim = int64_t{0x7FFFFFFF} - (acc < 0 ? -int64_t{acc} : int64_t{acc});
    if (s[1] <= lim) return static_cast<int32_t>(acc + 2 * s[0]);
    for (int i = 0; i < n; ++i) {
        int64_t p = 2 * (int64_t{a[i]} * b[i]);
        if (p > 0x7FFFFFFF) p = 0x7FFFFFFF;
        const int64_t t = int64_t{acc} + p;
        acc = static_cast<int32_t>(t > 0x7FFFFFFF ? 0x7FFFFFFF : (t < -0x7FFFFFFF - 1 ? -0x7FFFFFFF - 1 : t));
    }
    return acc;
}
// The same chain over a[j] * b[-j] (b read backwards from its pointer): a convolution term.
inline int32_t mac_conv(int32_t acc, const int16_t* a, const int16_t* b_end, int n) {
    int16_t r[64];
    for (int j = 0; j < n; ++j) r[j] = b_end[-j];
    return mac_dot(acc, a, r, n);
}

// Fractional division num / (den << 16) in Q15, 15 restoring steps; 0 <= num, den > 0.
int16_t div_l(int32_t num, int16_t den);
// 32 x 16-bit fractional product: (lo16(x) * v) >> 15 plus 2 * hi16(x) * v, saturating.
int32_t L_mls(int32_t x, int16_t v);
// Scales v[0..n) so its largest magnitude has 3 leading sign bits; returns the shift minus 3.
int16_t vec_norm(int16_t* v, int n);
// Integer square root of a Q31 value by 14 bisection steps.
int16_t sqrt_q15(int32_t x);

// LP analysis.
void autocorr_norm(const int16_t* xw, int16_t* acf, int32_t* exp);
void autocorr(const int16_t* x, int16_t* exp, int16_t* acf);
int16_t durbin(const int16_t* acf, int16_t* lpc, int16_t* k2);

// LSF processing.
void lpc_to_lsf(const int16_t* lpc, const int16_t* prev, int16_t* lsf);
void lsf_to_lpc(int16_t* lsf);
int32_t lsf_quant(const int16_t* lsf, const int16_t* prev);
bool lsf_decode(const int16_t* index, const int16_t* prev, bool erased, int16_t* lsf);

// Pitch and harmonic noise shaping; x points at the analysed samples, history before them.
int16_t open_loop_pitch(const int16_t* x);
void harmonic_search(int16_t olp, const int16_t* x, int16_t* lag, int16_t* gain);
void harmonic_subtract(int16_t gain, int lag, int16_t* x, int16_t* mem);

// Adaptive codebook.
const int16_t* pitch_gains(bool rate63, int lag);
void adaptive_vector(int olp, int offset, int gain_index, const int16_t* prev_exc, bool rate63, int16_t* out);
void adaptive_search(int base, const int16_t* target, const int16_t* h, const int16_t* prev_exc,
                     const int32_t* err, int sub, int16_t sine, bool rate63, int16_t* lag_offset,
                     int16_t* gain_index);

// Fixed codebooks.
void toeplitz(const int16_t* h, int32_t* rr);
void acelp_search(const int16_t* dn, const int32_t* rr, int16_t* signs, int16_t* pos, int16_t* grid,
                  int16_t* code, int16_t* budget);
struct Pulses {
    int32_t err;
    int16_t grid, amp, train;
    int16_t pos[6], val[6];
};
void mpmlq_best(const int16_t* h, const int16_t* target, int lag, int np, Pulses& best);
void mpmlq_search(int lag, const int16_t* h, const int16_t* target, int sub, int16_t* code, int16_t* grid,
                  int16_t* train, int16_t* amp, int16_t* signs, int32_t* pos);

// Filters.
void high_pass(const int16_t* x, int16_t* y, int32_t* mem);
void synthesis(const int16_t* lpc, const int16_t* x, int16_t* mem, int16_t* y);
// out (optional): the rounded outputs, as synthesis gives them.
void synthesis32(const int16_t* lpc, const int16_t* x, int32_t* acc, int16_t* mem, int16_t* out = nullptr);
void pole_zero32(const int16_t* coef, const int16_t* x, int32_t* acc, int16_t* mem);
void pole_zero_from32(const int16_t* coef, const int32_t* x, int16_t* y, int16_t* mem, int sf);
void tilt(int16_t factor, const int32_t* x, int16_t* y);
void gain_control(int32_t energy, int16_t* x, int16_t* gain);
void pitch_postfilter(int olp, const int16_t* exc, int sub, bool rate63, int16_t* delay, int16_t* gain,
                      int16_t* scale);

}  // namespace voks::g723

#endif  // VOKS_G723_G723_INTERNAL_H

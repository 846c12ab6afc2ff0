// Composite fixed-point operations shared by the AMR-WB example encoder and decoder.
#ifndef VOKSC_EXAMPLES_AMRWB_AMRWB_OPS_H
#define VOKSC_EXAMPLES_AMRWB_AMRWB_OPS_H

#include <cstdint>

namespace amrwbex {

// Inverse square root of frac * 2^exp (frac normalised, Q31), in place; frac <= 0 gives 1.0
// with exponent 0.
void isqrt_n(int32_t* frac, int16_t* exp);
// 2^(exponent + fraction), fraction in Q15.
int32_t pow2(int16_t exponent, int16_t fraction);
// 1 + 2 sum x[i] y[i] (saturating), normalised to Q31, with its exponent 30 - shift.
int32_t dot_product12(const int16_t* x, const int16_t* y, int n, int16_t* exp);
// Voicing factor (Q15, -1 unvoiced .. 1 voiced) of the pitch and code contributions of a
// subframe: (E_pitch - E_code) / (E_pitch + E_code).
int16_t voice_factor(const int16_t* exc, int q_exc, int16_t gain_pit, const int16_t* code, int16_t gain_code,
                     int n);
// The noise enhancer's code-gain smoothing: *thres follows the gain (rising by at most 6226/32768
// of it, falling to at least 27536/32768 of it), and the gain returned is gain (1 - fac) +
// *thres fac (fac Q15).
int32_t smooth_code_gain(int32_t gain, int16_t fac, int32_t* thres);
// The codec's linear congruential generator: seed = seed * 31821 + 13849 (16 bits).
inline int16_t random16(int16_t* seed) {
    // extract_l(L_add(L_shr(L_mult(seed, 31821), 1), 13849)): the product halved is exact and
    // the sum stays far from saturation; the low 16 bits wrap.
    *seed = static_cast<int16_t>(static_cast<uint16_t>(*seed * 31821 + 13849));
    return *seed;
}

}  // namespace amrwbex

#endif  // VOKSC_EXAMPLES_AMRWB_AMRWB_OPS_H

// Saturating 16/32-bit fixed-point operations of the AMR-WB example encoder's glue arithmetic:
// the examples' shared operators, plus the encoder's division, square root, power and energy.
#ifndef VOKSC_EXAMPLES_AMRWB_AMRWB_ENC_OPS_H
#define VOKSC_EXAMPLES_AMRWB_AMRWB_ENC_OPS_H

#include <cstdint>

#include "common/fixed_ops.h"

namespace amrwbex::enc {

using namespace fixed_ops;

// num / (denom_hi, denom_lo) for 0 <= num < denom, a normalised denominator (Q31).
int32_t div_32(int32_t num, int16_t denom_hi, int16_t denom_lo);
// Inverse square root of frac * 2^exp (frac normalised, Q31), in place.
void isqrt_n(int32_t* frac, int16_t* exp);
// 2^(exponent + fraction), fraction in Q15.
int32_t pow2(int16_t exponent, int16_t fraction);
// 1 + 2 sum x[i] y[i], normalised to Q31, with its exponent 30 - shift.
int32_t dot_product12(const int16_t* x, const int16_t* y, int n, int16_t* exp);
// x[i] = round((x[i] << 16) * 2^exp), saturating.
void scale_sig(int16_t* x, int n, int exp);

}  // namespace amrwbex::enc

#endif  // VOKSC_EXAMPLES_AMRWB_AMRWB_ENC_OPS_H

// Saturating 16/32-bit fixed-point operations of the GSM-AMR example encoder's glue arithmetic:
// the examples' shared operators, plus the encoder's log2 and pow2.
#ifndef VOKSC_EXAMPLES_AMRNB_AMRNB_ENC_OPS_H
#define VOKSC_EXAMPLES_AMRNB_AMRNB_ENC_OPS_H

#include <algorithm>
#include <cstdint>

#include "common/fixed_ops.h"

namespace amrnbex {

using fixed_ops::abs_s;
using fixed_ops::add;
using fixed_ops::div_s;
using fixed_ops::extract_h;
using fixed_ops::extract_l;
using fixed_ops::L_abs;
using fixed_ops::L_add;
using fixed_ops::L_Comp;
using fixed_ops::L_deposit_h;
using fixed_ops::L_Extract;
using fixed_ops::L_mac;
using fixed_ops::L_msu;
using fixed_ops::L_mult;
using fixed_ops::L_negate;
using fixed_ops::L_shl;
using fixed_ops::L_shr;
using fixed_ops::L_shr_r;
using fixed_ops::L_sub;
using fixed_ops::Mpy_32;
using fixed_ops::Mpy_32_16;
using fixed_ops::mult;
using fixed_ops::negate;
using fixed_ops::norm_l;
using fixed_ops::norm_s;
using fixed_ops::round16;
using fixed_ops::sat16;
using fixed_ops::sat32;
using fixed_ops::shl;
using fixed_ops::shr;
using fixed_ops::shr_r;
using fixed_ops::sub;

// log2 of a positive value as exponent and Q15 fraction (0, 0 for x <= 0).
void log2_norm(int32_t x, int16_t exp, int16_t* exponent, int16_t* fraction);
void log2_l(int32_t x, int16_t* exponent, int16_t* fraction);
// 2^(exponent + fraction).
int32_t pow2(int16_t exponent, int16_t fraction);
// The reference Convolve of 40 samples: y[n] = extract_h(L_shl(sum_{k<=n} L_mac x[k] h[n-k], 3)).
void convolve40(const int16_t* x, const int16_t* h, int16_t* y);
// The reference Residu of 40 samples (reads the 10 before x): round(L_shl(L_mac chain, 3)).
void residu40(const int16_t* a, const int16_t* x, int16_t* y);

}  // namespace amrnbex

#endif  // VOKSC_EXAMPLES_AMRNB_AMRNB_ENC_OPS_H

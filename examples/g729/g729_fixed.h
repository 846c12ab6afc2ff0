// Saturating 16/32-bit fixed-point arithmetic of the G.729 reference (its basic operators) for
// every part of the example codec: the examples' shared operators under this codec's names, plus
// the 32 x 16-bit product of a 32-bit value and the table log2.
#ifndef VOKSC_EXAMPLE_G729_FIXED_H
#define VOKSC_EXAMPLE_G729_FIXED_H

#include <cstdint>

#include "common/fixed_ops.h"

namespace g729 {
namespace fx {

using fixed_ops::abs_s;
using fixed_ops::add;
using fixed_ops::extract_h;
using fixed_ops::mult;
using fixed_ops::mult_r;
using fixed_ops::norm_l;
using fixed_ops::norm_s;
using fixed_ops::round16;
using fixed_ops::sat16;
using fixed_ops::sat32;
using fixed_ops::shl;
using fixed_ops::shr;
using fixed_ops::shr_r;
using fixed_ops::sub;
// This codec spells the 32-bit operators in lower case.
inline constexpr auto& l_mult = fixed_ops::L_mult;
inline constexpr auto& l_add = fixed_ops::L_add;
inline constexpr auto& l_sub = fixed_ops::L_sub;
inline constexpr auto& l_mac = fixed_ops::L_mac;
inline constexpr auto& l_shl = fixed_ops::L_shl;
inline constexpr auto& l_shr = fixed_ops::L_shr;

// 32 x 16 bit product of a 32-bit value split into the double-precision format.
inline int32_t mpy_32_16(int32_t x, int16_t n) {
    int16_t hi, lo;
    fixed_ops::L_Extract(x, &hi, &lo);
    return fixed_ops::Mpy_32_16(hi, lo, n);
}

inline constexpr int16_t kLog2Table[33] = {0,     1455,  2866,  4236,  5568,  6863,  8124,  9352,  10549,
                                           11716, 12855, 13967, 15054, 16117, 17156, 18172, 19167, 20142,
                                           21097, 22033, 22951, 23852, 24735, 25603, 26455, 27291, 28113,
                                           28922, 29716, 30497, 31266, 32023, 32767};

// log2(x) = exponent + fraction / 32768 for x > 0 (table interpolation), 0 otherwise.
inline void log2_q15(int32_t x, int16_t* exponent, int16_t* fraction) {
    if (x <= 0) {
        *exponent = 0;
        *fraction = 0;
        return;
    }
    const int16_t e = norm_l(x);
    x = l_shr(l_shl(x, e), 9);
    *exponent = static_cast<int16_t>(30 - e);
    const int i = extract_h(x) - 32;
    const int16_t a = static_cast<int16_t>((x >> 1) & 0x7FFF);
    const int32_t y = l_sub(int32_t{kLog2Table[i]} << 16, l_mult(sub(kLog2Table[i], kLog2Table[i + 1]), a));
    *fraction = extract_h(y);
}

}  // namespace fx
}  // namespace g729

#endif  // VOKSC_EXAMPLE_G729_FIXED_H

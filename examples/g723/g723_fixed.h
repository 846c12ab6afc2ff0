// Saturating fixed-point operators of the G.723.1 reference, for the example coder's own steps:
// the examples' shared operators, plus this coder's division variants and 32 x 16-bit product.
#ifndef VOKSC_EXAMPLE_G723_FIXED_H
#define VOKSC_EXAMPLE_G723_FIXED_H

#include <cstdint>

#include "common/fixed_ops.h"

namespace g723::fx {

using fixed_ops::abs_s;
using fixed_ops::add;
using fixed_ops::extract_h;
using fixed_ops::extract_l;
using fixed_ops::L_abs;
using fixed_ops::L_add;
using fixed_ops::L_deposit_h;
using fixed_ops::L_mac;
using fixed_ops::L_msu;
using fixed_ops::L_mult;
using fixed_ops::L_negate;
using fixed_ops::L_shl;
using fixed_ops::L_shr;
using fixed_ops::L_sub;
using fixed_ops::mult;
using fixed_ops::mult_r;
using fixed_ops::negate;
using fixed_ops::norm_l;
using fixed_ops::norm_s;
using fixed_ops::round16;
using fixed_ops::sat16;
using fixed_ops::sat32;
using fixed_ops::shl;
using fixed_ops::shr;
using fixed_ops::sub;
// Q15 num / den for 0 <= num <= den; 0 when den <= 0.
inline constexpr auto& div_s = fixed_ops::div_s_pos;
// num / (den << 16) in Q15 by 15 restoring steps; num >= 0, den > 0.
inline int16_t div_l(int32_t num, int16_t den) {
    const int32_t d = L_deposit_h(den);
    if (num >= d) return 32767;
    int32_t n = num >> 1;
    const int32_t dh = d >> 1;
    int16_t q = 0;
    for (int i = 0; i < 15; ++i) {
        q = static_cast<int16_t>(q << 1);
        n <<= 1;
        if (n >= dh) n -= dh, ++q;
    }
    return q;
}
// 32 x 16-bit fractional product of the reference.
inline int32_t L_mls(int32_t x, int16_t v) {
    const int32_t lo = static_cast<int32_t>((x & 0xFFFF) * static_cast<int32_t>(v)) >> 15;
    return L_mac(lo, v, extract_h(x));
}

}  // namespace g723::fx

#endif  // VOKSC_EXAMPLE_G723_FIXED_H

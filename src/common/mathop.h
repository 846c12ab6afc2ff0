// Shared internal operators of the fixed-point families: the normalising shift, table
// interpolation and the inverse square root.
#ifndef VOKS_COMMON_MATHOP_H
#define VOKS_COMMON_MATHOP_H

#include <cstdint>

#include "common/basicop.h"

namespace voks {

// L_shl(x, n) for n <= norm_l(x): a normalising shift never saturates, so no step loop is needed.
inline int32_t ownNormShift(int32_t x, int16_t n) {
    return static_cast<int32_t>(static_cast<uint32_t>(x) << n);
}

// Linear interpolation between table entries i and i+1 with a Q15 weight, as L_msu does it.
constexpr int32_t interpolate_q15(const int16_t* table, int i, int16_t a) {
    return L_msu(L_deposit_h(table[i]), sub(table[i], table[i + 1]), a);
}

// The G.729 Inv_sqrt: approximately 2^30 / sqrt(x) for x > 0; 0x3FFFFFFF for x <= 0.
int32_t ownInvSqrt(int32_t x);

}  // namespace voks

#endif  // VOKS_COMMON_MATHOP_H

// The order-10 synthesis arithmetic shared by the scalar kernels and the operations that run the
// recursion themselves.
#ifndef VOKS_COMMON_FILTER_INTERNAL_H
#define VOKS_COMMON_FILTER_INTERNAL_H

#include <cstdint>

#include "common/basicop.h"

namespace voks::common {

constexpr int kOrder = 10;

// The coefficients widened into a local copy, which the outputs' stores cannot alias.
struct Coeffs {
    int32_t c[kOrder + 1];
    explicit Coeffs(const int16_t* a) {
        for (int i = 0; i <= kOrder; ++i) c[i] = a[i];
    }
};

// sum a[i] * y[n-i] for i = 2..10 modulo 2^32, read from the window at w (y[n-1] is w[9]).
inline uint32_t older_taps(const Coeffs& a, const int16_t* w) {
    uint32_t s = 0;
    for (int i = kOrder; i >= 2; --i) s += static_cast<uint32_t>(a.c[i] * w[kOrder - i]);
    return s;
}

// The doubled sum of the reference, halved, plus the rounding constant 2^(sf-1), when it is exact
// in 32 bits; y[n-1] comes in a register (prev), the older outputs from the window.
inline int32_t exact_sum(const Coeffs& c, int16_t x, const int16_t* w, int32_t prev, int32_t half) {
    return half + c.c[0] * x - static_cast<int32_t>(older_taps(c, w)) - c.c[1] * prev;
}

// The reference's scaling and rounding of an exact sum s from exact_sum: the output is s >> sf
// saturated to 16 bits. Its scaling clips (and reports it) for s >= 2^(15+sf) and for
// s < 2^(sf-1) - 2^(15+sf), where the output is -32768 either way.
inline int16_t scale_round(int32_t s, int sf, bool& clipped) {
    const int32_t v = s >> sf;
    if (__builtin_expect(static_cast<uint32_t>(v + MAX_16) > 2u * MAX_16, 0)) {
        const int32_t top = int32_t{1} << (15 + sf);
        if (s >= top || s < (int32_t{1} << (sf - 1)) - top) clipped = true;
        return v > 0 ? MAX_16 : MIN_16;
    }
    return static_cast<int16_t>(v);
}

}  // namespace voks::common

#endif  // VOKS_COMMON_FILTER_INTERNAL_H

// Scalar kernels of the order-10 LP synthesis recursion (the definition of its AVX2 twins).
#include <cstdint>

#include "common/basicop.h"
#include "common/filter_internal.h"
#include "common/kernels.h"

namespace voks::common {

namespace scalar {

int synth_exact(const int16_t* a, const int16_t* x, int16_t* y, int16_t* w, int len, int sf, int32_t ylim,
                bool* clipped) {
    const Coeffs c(a);
    const int32_t half = int32_t{1} << (sf - 1);
    const uint32_t yspan = 2u * static_cast<uint32_t>(ylim);
    bool clip = false;
    int32_t prev = w[kOrder - 1];
    int n = 0;
    while (n < len) {
        int16_t* p = w + n;
        const int16_t out = scale_round(exact_sum(c, x[n], p, prev, half), sf, clip);
        p[kOrder] = out;
        y[n] = out;
        prev = out;
        ++n;
        if (__builtin_expect(static_cast<uint32_t>(out + ylim) > yspan, 0)) break;
    }
    if (clip) *clipped = true;
    return n;
}

void synth_wrap(const int16_t* a, const int16_t* x, int16_t* y, int16_t* w, int len, int sf) {
    const Coeffs c(a);
    const uint32_t half = uint32_t{1} << (sf - 1);
    uint32_t prev = static_cast<uint32_t>(int32_t{w[kOrder - 1]});
    for (int n = 0; n < len; ++n) {
        int16_t* p = w + n;
        uint32_t s = half + static_cast<uint32_t>(c.c[0] * (x ? x[n] : 0));
        s -= older_taps(c, p);
        s -= static_cast<uint32_t>(c.c[1]) * prev;
        const int16_t out = static_cast<int16_t>(static_cast<int32_t>(s) >> sf);
        p[kOrder] = out;
        y[n] = out;
        prev = static_cast<uint32_t>(int32_t{out});
    }
}

}  // namespace scalar

}  // namespace voks::common

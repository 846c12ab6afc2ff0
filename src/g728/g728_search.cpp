// G.728 excitation codebook: energies of the filtered shape codevectors and the 16 kbit/s
// joint gain-shape search.
#include <algorithm>

#include "common/basicop.h"
#include "g728/g728_internal.h"
#include "g728/g728_tables.h"

namespace voks::g728 {

void shape_energies(const int16_t* h, int16_t* y2) {
    for (int i = 0; i < kShapeCount; ++i) {
        const int16_t* y = kShapes + i * kDim;
        // The codevectors' magnitudes sum to at most 40782: each convolved sample fits 32 bits.
        int64_t s = 0;
        for (int j = 0; j < kDim; ++j) {
            // Sample j of y convolved with h (h newest first: h[4] is the first tap).
            int32_t d = 0;
            for (int m = 0; m < kDim - j; ++m) d += y[j + m] * h[kDim - 1 - m];
            const int32_t v = sat16(d >> 14);
            s += v * v;
        }
        y2[i] = sat16(sat32(s) >> 15);
    }
}

}  // namespace voks::g728

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
        int64_t s = 0;
        for (int j = 0; j < kDim; ++j) {
            // Sample j of y convolved with h (h newest first: h[4] is the first tap).
            int64_t d = 0;
            for (int m = 0; m < kDim - j; ++m) d += int32_t{y[j + m]} * h[kDim - 1 - m];
            const int64_t v = sat16(sat32(d) >> 14);
            s += v * v;
        }
        y2[i] = sat16(sat32(s) >> 15);
    }
}

void search16(const int16_t* t, int tq, const int16_t* h, const int16_t* y2, int& ig, int& is) {
    static constexpr int32_t g2[4] = {4224, 7392, 12936, 22638};  // twice the gain levels
    static constexpr int32_t gsq[4] = {545, 1668, 5107, 15640};   // squared gain levels
    static constexpr int32_t gb[3] = {5808, 10164, 17787};        // cell boundaries
    // Target filtered backwards through h.
    int64_t ct[kDim];
    const int shift = 13 + tq - 7;
    for (int j = 0; j < kDim; ++j) {
        int64_t c = 0;
        for (int m = 0; m <= j; ++m) c += int32_t{h[kDim - 1 - j + m]} * t[m];
        // A negative shift count acts modulo 64, as the fixed-point coder's shift instruction.
        ct[j] = shift > 30 ? (c < 0 ? -1 : 0) : sat16(int64_t{sat32(c)} >> (shift & 63));
    }
    // Every codevector's magnitudes sum to at most 40782, so the correlations, the gain-cell
    // bounds and the distortions all stay within 32 bits.
    int16_t c16[kDim];
    for (int m = 0; m < kDim; ++m) c16[m] = static_cast<int16_t>(ct[m]);
    int32_t dist[kShapeCount];
    uint8_t cell[kShapeCount];
    for (int shape = 0; shape < kShapeCount; ++shape) {
        const int16_t* y = kShapes + shape * kDim;
        int32_t cor = 0;
        for (int m = 0; m < kDim; ++m) cor += y[m] * c16[m];
        const int32_t ysq = y2[shape];
        const bool neg = cor <= 0;
        const int32_t c = neg ? -cor : cor;
        const int gain = c <= gb[0] * ysq ? 0 : (c <= gb[1] * ysq ? 1 : (c <= gb[2] * ysq ? 2 : 3));
        const int32_t cq = std::min(c >> 14, int32_t{MAX_16});
        dist[shape] = gsq[gain] * ysq - g2[gain] * cq;
        cell[shape] = static_cast<uint8_t>(neg ? gain + 4 : gain);
    }
    int bests = 0;
    for (int shape = 1; shape < kShapeCount; ++shape)
        if (dist[shape] < dist[bests]) bests = shape;
    const int bestg = cell[bests];
    ig = bestg;
    is = bests;
}

}  // namespace voks::g728

// The weighted sum sat16((x1 c1 2^s1 + x2 c2 2^s2 + 2^15) >> 16) against its definition evaluated
// in 128 bits, for every pair of scales up to 20 (across the switch between the direct 64-bit
// sum and the general form) on random, full-scale and cancelling inputs.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "voksc.h"

namespace {

int16_t definition(int16_t x1, int16_t c1, int s1, int16_t x2, int16_t c2, int s2) {
    const __int128 t = static_cast<__int128>(int32_t{x1} * c1) * (__int128{1} << s1) +
                       static_cast<__int128>(int32_t{x2} * c2) * (__int128{1} << s2) + 32768;
    const __int128 q = t >> 16;  // arithmetic: floor
    return static_cast<int16_t>(q > 32767 ? 32767 : q < -32768 ? -32768 : q);
}

TEST(InterpolateExact, EveryScalePairAgainstTheDefinition) {
    uint32_t seed = 0x1234u;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    const int16_t extremes[] = {-32768, -32767, -16384, -1, 0, 1, 16384, 32767};
    for (int s1 = 0; s1 <= 20; ++s1) {
        for (int s2 = 0; s2 <= 20; ++s2) {
            constexpr int kLen = 67;
            std::vector<int16_t> x1(kLen), x2(kLen), out(kLen + 2, 0x5A5A);
            for (int n = 0; n < kLen; ++n) {
                const int bits = 1 + static_cast<int>(next() % 16);
                x1[n] = n < 8 ? extremes[n] : static_cast<int16_t>(static_cast<int32_t>(next()) >> (32 - bits));
                x2[n] = n < 8 ? extremes[7 - n] : n < 16 ? static_cast<int16_t>(-x1[n] - (n & 1)) : static_cast<int16_t>(next() >> 16);
            }
            for (int pick = 0; pick < 6; ++pick) {
                const int16_t c1 = pick < 4 ? extremes[(pick * 3 + s1) % 8] : static_cast<int16_t>(next() >> 16);
                const int16_t c2 = pick == 1 ? c1 : pick < 4 ? extremes[(pick * 5 + s2) % 8] : static_cast<int16_t>(next() >> 16);
                ASSERT_EQ(vokStatusOk, voksInterpolateC_NR_16s(x1.data(), c1, s1, x2.data(), c2, s2, out.data() + 1, kLen));
                for (int n = 0; n < kLen; ++n)
                    ASSERT_EQ(definition(x1[n], c1, s1, x2[n], c2, s2), out[n + 1])
                        << x1[n] << "*" << c1 << "<<" << s1 << " + " << x2[n] << "*" << c2 << "<<" << s2;
                ASSERT_EQ(0x5A5A, out[0]);
                ASSERT_EQ(0x5A5A, out[kLen + 1]);
            }
        }
    }
}

}  // namespace

// G.728 block-floating-point helpers at the edges of their shortcuts: normalisation at the
// powers of two on both signs, and the division with ties, rounding and the dividends the
// one-division form leaves to the step loop (zero divisor, dividend above twice the divisor).
#include <gtest/gtest.h>

#include <cstdint>

#include "g728/g728_internal.h"

namespace g728 = voks::g728;

namespace {

constexpr int64_t k30 = int64_t{1} << 30, k31 = int64_t{1} << 31;

TEST(G728Arith, NormalizeEdges) {
    struct Case {
        int64_t in;
        int bits;
        int shift;
        int64_t out;
    };
    const Case cases[] = {
        {1, 32, 30, k30},
        {-1, 32, 31, -k31},
        {k30, 32, 0, k30},
        {k31, 32, -1, k30},
        {-k30, 32, 1, -k31},
        {-k31, 32, 0, -k31},
        {-k31 - 1, 32, -1, -k30 - 1},
        {0, 16, 15, 0},
        {-3, 16, 13, -24576},
        {k31 * 8 + 5, 32, -4, k31 / 2},
        {-k31 * 8 - 1, 32, -4, -k30 - 1},
    };
    for (const Case& c : cases) {
        int64_t l = c.in;
        EXPECT_EQ(g728::normalize(l, c.bits), c.shift) << c.in;
        EXPECT_EQ(l, c.out) << c.in;
    }
}

TEST(G728Arith, DivideEdges) {
    struct Case {
        int32_t num, den, quo;
        int quoq;
    };
    const Case cases[] = {
        {16384, 16384, 16384, 14},  // equal mantissas: every later step subtracts, then rounds up
        {1, 3, 10923, 15},          // 1/3 rounded to the nearest
        {-1, 3, -10923, 15},
        {5, 0, 32768, 14},  // no divisor: every step subtracts
        {7, 3, 32768, 14},  // more than twice the divisor: likewise
        {0, 9, 0, 15},
    };
    for (const Case& c : cases) {
        int32_t quo;
        int quoq;
        g728::divide(c.num, 0, c.den, 0, quo, quoq);
        EXPECT_EQ(quo, c.quo) << c.num << "/" << c.den;
        EXPECT_EQ(quoq, c.quoq) << c.num << "/" << c.den;
    }
}

}  // namespace

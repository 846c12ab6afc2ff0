// The example codecs' shared saturating operators at their edges: results follow the reference
// basic-operator definitions (saturation, sign fill, rounding), and every shift count, however
// far out of range, is defined.
#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "common/fixed_ops.h"

namespace {

using namespace fixed_ops;

TEST(ExampleFixedOps, SixteenBit) {
    struct Case {
        int16_t got, want;
    };
    const Case cases[] = {
        {add(32767, 1), 32767},
        {sub(-32768, 1), -32768},
        {abs_s(-32768), 32767},
        {negate(-32768), 32767},
        {mult(-32768, -32768), 32767},
        {mult(-1, 1), -1},
        {mult_r(16384, 1), 1},
        {mult_r(-16384, 1), 0},
        {shl(0x4000, 1), 32767},
        {shl(-16384, 1), -32768},
        {shl(-16385, 1), -32768},
        {shl(1, 14), 16384},
        {shl(0, 100), 0},
        {shl(5, 100), 32767},
        {shl(-5, INT_MAX), -32768},
        {shl(-5, INT_MIN), -1},
        {shr(-32768, 15), -1},
        {shr(32767, 40), 0},
        {shr(-1, INT_MAX), -1},
        {shr(300, -7), 32767},
        {shr(3, INT_MIN), 32767},
        {shr_r(3, 1), 2},
        {shr_r(-3, 1), -1},
        {shr_r(-32768, 16), 0},
        {norm_s(0), 0},
        {norm_s(-1), 15},
        {norm_s(1), 14},
        {norm_s(-32768), 0},
        {norm_s(0x3FFF), 1},
        {round16(0x7FFF8000), 32767},
        {round16(0x00017FFF), 1},
        {round16(0x00018000), 2},
        {extract_l(0x12348765), -30875},
        {div_s(1, 2), 16384},
        {div_s(1, 3), 10922},
        {div_s(5, 5), 32767},
        {div_s(0, 7), 0},
        {div_s(3, 0), 32767},
        {div_s_pos(3, 0), 0},
        {div_s_pos(1, 3), 10922},
        {div_s(32766, 32767), 32766},
        {sat16(int64_t{1} << 40), 32767},
    };
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) EXPECT_EQ(cases[i].got, cases[i].want) << i;
}

TEST(ExampleFixedOps, ThirtyTwoBit) {
    struct Case {
        int32_t got, want;
    };
    const Case cases[] = {
        {L_mult(-32768, -32768), INT32_MAX},
        {L_mac(INT32_MAX, 1, 1), INT32_MAX},
        {L_msu(INT32_MIN, 1, 1), INT32_MIN},
        {L_abs(INT32_MIN), INT32_MAX},
        {L_negate(INT32_MIN), INT32_MAX},
        {L_shl(1, 30), 0x40000000},
        {L_shl(1, 31), INT32_MAX},
        {L_shl(-1, 31), INT32_MIN},
        {L_shl(-3, 30), INT32_MIN},
        {L_shl(7, INT_MAX), INT32_MAX},
        {L_shl(-7, INT_MIN), -1},
        {L_shl(0, 50), 0},
        {L_shr(INT32_MIN, 31), -1},
        {L_shr(INT32_MAX, 100), 0},
        {L_shr(-5, INT_MIN), INT32_MIN},
        {L_shr(-5, 1), -3},
        {L_shr_r(0x8000, 16), 1},
        {L_shr_r(-0x8001, 16), -1},
        {L_shr_r(0x7FFF, 16), 0},
        {L_deposit_h(-1), static_cast<int32_t>(0xFFFF0000u)},
        {norm_l(1), 30},
        {norm_l(-1), 31},
        {norm_l(INT32_MIN), 0},
        {norm_l(0x3FFFFFFF), 1},
        {Mpy_32_16(0x1234, 0x2B3C, 0x4000), 0x091A2B3C},
    };
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) EXPECT_EQ(cases[i].got, cases[i].want) << i;
}

// The double-precision split keeps all but the lowest bit; multiplying by one half in that format
// halves x, the low word's product losing its last bit.
TEST(ExampleFixedOps, DoublePrecision) {
    std::mt19937 rng(11);
    for (int i = 0; i < 1000; ++i) {
        const auto x = static_cast<int32_t>(rng());
        int16_t hi, lo;
        L_Extract(x, &hi, &lo);
        ASSERT_GE(lo, 0);
        EXPECT_EQ(L_Comp(hi, lo), x & ~1);
        EXPECT_EQ(Mpy_32(hi, lo, 0x4000, 0), (x >> 1) & ~1);
    }
}

}  // namespace

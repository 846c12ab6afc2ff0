// Scaling operations: argument checks (order and nothing written), and hand-derived results.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "common/basicop.h"
#include "support/args.h"

namespace {

using namespace argcheck;
using std::tuple;

// Inputs, canary outputs and the scale values the operations read and update.
struct Bufs {
    Vok16s a[8], b[8], d[8];
    Vok32s w[8];
    int scale = 3, sfs = 77;
    Vok32s dp = 12345;
    Bufs() {
        for (int i = 0; i < 8; ++i) {
            a[i] = static_cast<Vok16s>(1000 + i);
            b[i] = static_cast<Vok16s>(-2000 - i);
            d[i] = static_cast<Vok16s>(0x5A5A);
            w[i] = 0x12345678 + i;
        }
    }
};

TEST(ScalingChecks, FailedChecksWriteNothing) {
    // clang-format off
    auto negative_scale = [](Bufs& c) { c.scale = -1; };
    ARGS(voksAutoScale_16s, [](Bufs& c) { return tuple(c.a, c.d, 8, &c.scale); })
        .fail(kSize, at<2>(0)).fail(kSize, at<2>(-3), negative_scale).fail(kSf, negative_scale);
    ARGS(voksAutoScale_16s_I, [](Bufs& c) { return tuple(c.d, 8, &c.scale); })
        .fail(kSize, at<1>(0)).fail(kSf, negative_scale);
    ARGS(voksInvSqrt_32s_I, [](Bufs& c) { return tuple(c.w, 8); }).fail(kSize, at<1>(0));
    ARGS(voksDotProdAutoScale_16s32s_Sfs, [](Bufs& c) { return tuple(c.a, c.b, 8, &c.dp, &c.sfs); })
        .fail(kSize, at<2>(-1));
    ARGS(voksMul_NR_16s_Sfs, [](Bufs& c) { return tuple(c.a, c.b, c.d, 8, 1); })
        .fail(kSize, at<3>(0), at<4>(-1)).fail(kSf, at<4>(-1));
    ARGS(voksMul_NR_16s_ISfs, [](Bufs& c) { return tuple(c.a, c.d, 8, 1); })
        .fail(kSize, at<2>(0)).fail(kSf, at<3>(-7));
    ARGS(voksMulC_NR_16s_Sfs, [](Bufs& c) { return tuple(c.a, 5, c.d, 8, 1); })
        .fail(kSize, at<3>(-8)).fail(kSf, at<4>(-1));
    ARGS(voksMulC_NR_16s_ISfs, [](Bufs& c) { return tuple(5, c.d, 8, 1); })
        .fail(kSize, at<2>(0), at<3>(-1)).fail(kSf, at<3>(-1));
    // Here the scale factor is checked before the length.
    ARGS(voksMulPowerC_NR_16s_Sfs, [](Bufs& c) { return tuple(c.a, 5, c.d, 8, 15); })
        .fail(kSf, at<3>(0), at<4>(-1)).fail(kSize, at<3>(0));
    // clang-format on
}

struct MulCase {
    Vok16s a, b;
    int sf;
    Vok16s expected;
};

TEST(Scaling, MulRoundsHalfUpAndSaturates) {
    const MulCase cases[] = {
        {200, 200, 0, 32767},  // saturated at sf 0
        {-200, 200, 0, -32768},
        {3, 1, 1, 2},                 // 1.5 -> 2
        {-3, 1, 1, -1},               // -1.5 -> -1 (halves go up)
        {3, 1, 0, 3},                 // sf 0 adds nothing
        {16384, 16384, 15, 8192},     // 0.5 * 0.5
        {-32768, -32768, 15, 32767},  // the one overflowing Q15 product saturates
        {-32768, 32767, 15, -32767},
        {32767, 32767, 40, 0},    // counts above 31 act as 31: (2^30 - 2^16 + 1 + 2^30) >> 31
        {-32768, -32768, 31, 1},  // (2^30 + 2^30) >> 31
        {1, 1, 31, 0},
    };
    for (const auto& c : cases) {
        Vok16s d = 0x5A5A, v = c.b;
        ASSERT_EQ(voksMul_NR_16s_Sfs(&c.a, &c.b, &d, 1, c.sf), vokStatusOk);
        EXPECT_EQ(d, c.expected) << c.a << " * " << c.b << " sf " << c.sf;
        ASSERT_EQ(voksMul_NR_16s_ISfs(&c.a, &v, 1, c.sf), vokStatusOk);
        EXPECT_EQ(v, c.expected);
        ASSERT_EQ(voksMulC_NR_16s_Sfs(&c.a, c.b, &d, 1, c.sf), vokStatusOk);
        EXPECT_EQ(d, c.expected);
        v = c.a;
        ASSERT_EQ(voksMulC_NR_16s_ISfs(c.b, &v, 1, c.sf), vokStatusOk);
        EXPECT_EQ(v, c.expected);
    }
}

TEST(Scaling, MulPowerCRoundsEachPower) {
    struct Case {
        std::vector<Vok16s> src;
        Vok16s g;
        int sf;
        std::vector<Vok16s> expected;
    };
    const Case cases[] = {
        // g = 0.5 in Q15: 100, 1000/2, 1000/4, 1000/8.
        {{100, 1000, 1000, 1000}, 16384, 15, {100, 500, 250, 125}},
        // g = 3 at sf 1: powers 3, R(9) = 5, R(15) = 8 (not 9/2 and 27/4 exactly).
        {{10, 10, 10, 10}, 3, 1, {10, 15, 25, 40}},
        // A length of 1 copies the first element.
        {{-32768}, 12345, 15, {-32768}},
        // sf 0: products saturate, powers too.
        {{7, 2, 2, 2}, 300, 0, {7, 600, 32767, 32767}},
    };
    for (const auto& c : cases) {
        std::vector<Vok16s> d(c.src.size(), 0x5A5A);
        ASSERT_EQ(voksMulPowerC_NR_16s_Sfs(c.src.data(), c.g, d.data(), static_cast<int>(d.size()), c.sf),
                  vokStatusOk);
        EXPECT_EQ(d, c.expected) << "g " << c.g << " sf " << c.sf;
    }
}

// The G.729 LP weighting (Weight_Az): ap[i] = round(L_mult(a[i], fac)), fac = round(L_mult(fac,
// gamma)) from fac = gamma, for factors of every sign and magnitude and full-scale sources.
TEST(Scaling, MulPowerCIsTheLpWeighting) {
    const Vok16s gammas[] = {-32768, -32767, -30000, -16384, -1, 0, 1, 2, 16384, 18022, 22938, 29491, 32767};
    std::vector<Vok16s> src = {4096, -32768, 32767, -32768, -32767, 1, -1, 12345, -23456, 32767, 0, -32768};
    for (int i = 0; i < 20; ++i) src.push_back(static_cast<Vok16s>((i * 7919 * 13) % 65536 - 32768));
    for (Vok16s g : gammas) {
        std::vector<Vok16s> want(src.size()), got(src.size() + 1, 0x5A5A);
        want[0] = src[0];
        Vok16s fac = g;
        for (size_t i = 1; i < src.size(); ++i) {
            want[i] = voks::round_fx(voks::L_mult(src[i], fac));
            fac = voks::round_fx(voks::L_mult(fac, g));
        }
        ASSERT_EQ(vokStatusOk,
                  voksMulPowerC_NR_16s_Sfs(src.data(), g, got.data(), static_cast<int>(src.size()), 15));
        EXPECT_EQ(0x5A5A, got.back());
        got.pop_back();
        EXPECT_EQ(want, got) << "gamma " << g;
        // In place.
        std::vector<Vok16s> io = src;
        ASSERT_EQ(vokStatusOk,
                  voksMulPowerC_NR_16s_Sfs(io.data(), g, io.data(), static_cast<int>(io.size()), 15));
        EXPECT_EQ(want, io) << "in place, gamma " << g;
    }
}

TEST(Scaling, AutoScaleHeadroom) {
    struct Case {
        std::vector<Vok16s> in;
        int scaleIn;
        std::vector<Vok16s> out;
        int scaleOut;
    };
    const Case cases[] = {
        {{0, 0, 0}, 0, {0, 0, 0}, 16},
        {{0, 0}, 5, {0, 0}, 11},
        {{0x1234, -0x0100, 3}, 0, {0x48D0, -0x0400, 12}, 2},  // left by norm_s(0x1234) = 2
        {{0x1234, -0x0100, 3}, 5, {0x0246, -0x0020, 0}, -3},  // right by 3, truncating
        {{-32768, 100, -7}, 0, {-32768, 100, -7}, 0},         // -32768 counts as 32767
        {{-32768, 100, -7}, 2, {-8192, 25, -2}, -2},
        {{1, -1}, 100, {0, -1}, 14 - 100},  // very long right shifts
    };
    for (const auto& c : cases) {
        std::vector<Vok16s> d(c.in.size(), 0x5A5A), io = c.in;
        int s1 = c.scaleIn, s2 = c.scaleIn;
        ASSERT_EQ(voksAutoScale_16s(c.in.data(), d.data(), static_cast<int>(d.size()), &s1), vokStatusOk);
        ASSERT_EQ(voksAutoScale_16s_I(io.data(), static_cast<int>(io.size()), &s2), vokStatusOk);
        EXPECT_EQ(d, c.out);
        EXPECT_EQ(io, c.out);
        EXPECT_EQ(s1, c.scaleOut);
        EXPECT_EQ(s2, c.scaleOut);
    }
}

TEST(Scaling, InvSqrtKnownValues) {
    std::vector<Vok32s> v = {0, -5, 1, 4, 0x40000000, 0x7FFFFFFF, -0x7FFFFFFF - 1};
    const std::vector<Vok32s> expected = {0x3FFFFFFF, 0x3FFFFFFF, 1073709056, 536854528,
                                          32767,      23170,      0x3FFFFFFF};
    ASSERT_EQ(voksInvSqrt_32s_I(v.data(), static_cast<int>(v.size())), vokStatusOk);
    EXPECT_EQ(v, expected);
}

TEST(Scaling, DotProdAutoScaleShiftsUntilItFits) {
    struct Case {
        std::vector<Vok16s> a, b;
        Vok32s dp;
        int sfs;
    };
    const Case cases[] = {
        {{1, 2, 3}, {4, 5, 6}, 64, 0},
        {{-3}, {5}, -30, 0},
        // 2 * 4 * 32767^2 does not fit; source 2 then source 1 are halved: 2 * 4 * 16383^2.
        {{32767, 32767, 32767, 32767}, {32767, 32767, 32767, 32767}, 2147221512, 2},
        // 2 * 32768^2 = 2^31 does not fit; one shift of source 2 gives 2^30.
        {{-32768}, {-32768}, 1 << 30, 1},
    };
    for (const auto& c : cases) {
        Vok32s dp = 0;
        int sfs = -1;
        ASSERT_EQ(
            voksDotProdAutoScale_16s32s_Sfs(c.a.data(), c.b.data(), static_cast<int>(c.a.size()), &dp, &sfs),
            vokStatusOk);
        EXPECT_EQ(dp, c.dp);
        EXPECT_EQ(sfs, c.sfs);
    }
    // A long loud block still ends with a representable sum.
    std::vector<Vok16s> loud(5000, -32768);
    Vok32s dp = 0;
    int sfs = 0;
    ASSERT_EQ(voksDotProdAutoScale_16s32s_Sfs(loud.data(), loud.data(), 5000, &dp, &sfs), vokStatusOk);
    EXPECT_GT(sfs, 0);
    EXPECT_NEAR(double(dp) * std::ldexp(1.0, sfs), 2.0 * 5000 * 32768.0 * 32768.0,
                2.0 * 5000 * 32768.0 * 32768.0 / 16);
}

}  // namespace

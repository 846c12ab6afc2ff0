// The exact short cuts of the saturating L_mac chains behind the pitch gain (G_pitch), the
// innovation energy and the gain quantiser's correlations, checked against the step-by-step
// chains of the reference arithmetic on random, full-scale and saturating inputs and on inputs
// placed just at the bound where the short cut hands over to the chain; and the normalising
// shift without the saturation loop.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "common/basicop.h"
#include "frame/dispatch.h"
#include "g729/g729_mathop.h"

namespace {

using namespace voks;
using namespace voks::g729;

constexpr int kLen = 40;

int32_t chain(int32_t start, const int16_t* x, const int16_t* y, int n, bool& overflow) {
    int32_t s = start;
    for (int i = 0; i < n; ++i) s = L_mac(s, x[i], y[i], overflow);
    return s;
}

// G_pitch as the reference computes it: saturating chains, each redone on y / 4 when it
// overflowed, then the normalised terms and the limited gain.
int16_t g_pitch_reference(int32_t start, const int16_t* y, const int16_t* x, int16_t coeff[4]) {
    int16_t scaled[kLen];
    for (int i = 0; i < kLen; ++i) scaled[i] = shr(y[i], 2);
    bool overflow = false;
    int32_t s = chain(1, y, y, kLen, overflow);
    int16_t expYY = 0;
    if (overflow) {
        bool unused = false;
        s = chain(1, scaled, scaled, kLen, unused);
        expYY = -4;
    }
    int16_t n = norm_l(s);
    const int16_t yy = round_fx(L_shl(s, n));
    expYY = add(expYY, n);
    overflow = false;
    s = chain(start, x, y, kLen, overflow);
    int16_t expXY = 0;
    if (overflow) {
        bool unused = false;
        s = chain(start, x, scaled, kLen, unused);
        expXY = -2;
    }
    n = norm_l(s);
    const int16_t xy = round_fx(L_shl(s, n));
    expXY = add(expXY, n);
    coeff[0] = yy;
    coeff[1] = sub(15, expYY);
    coeff[2] = xy;
    coeff[3] = sub(15, expXY);
    if (xy < 4) return 0;
    int16_t gain = yy < 1 ? MAX_16 : div_s(shr(xy, 1), yy);
    gain = shr(gain, sub(expXY, expYY));
    return gain > 19661 ? int16_t{19661} : gain;
}

// Input shapes: amplitude bands around the saturation of the 40-sample chains, constant and
// alternating full-scale vectors, and single huge samples.
void fill(std::mt19937& rng, int shape, int16_t* v) {
    auto uni = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int amp = shape % 4 == 0 ? 32768 : shape % 4 == 1 ? 8000 : shape % 4 == 2 ? 5000 : 300;
    for (int i = 0; i < kLen; ++i) {
        int value;
        switch (shape / 4) {
            case 0:
                value = uni(-amp, amp - 1);
                break;
            case 1:
                value = (i & 1) ? amp - 1 : -amp;
                break;
            case 2:
                value = -amp;
                break;
            default:
                value = i == 7 ? -32768 : uni(-amp / 8, amp / 8);
                break;
        }
        v[i] = static_cast<int16_t>(value);
    }
}

class ChainShortCuts : public ::testing::TestWithParam<frame::Level> {
protected:
    void SetUp() override {
        if (frame::force_level(GetParam()) != GetParam()) GTEST_SKIP() << "kernel level not available";
    }
    void TearDown() override { frame::force_level(frame::detected_level()); }
};

TEST_P(ChainShortCuts, PitchGainMatchesTheSaturatingChains) {
    std::mt19937 rng(729);
    for (int trial = 0; trial < 20000; ++trial) {
        int16_t x[kLen], y[kLen];
        fill(rng, trial % 16, x);
        fill(rng, (trial / 16) % 16, y);
        const int32_t starts[4] = {0, 1, -1, trial & 1 ? MIN_32 : MAX_32};
        const int32_t start = starts[(trial / 256) % 4];
        int16_t want[4], got[4] = {0x5555, 0x5555, 0x5555, 0x5555};
        const int16_t g_want = g_pitch_reference(start, y, x, want);
        const int16_t g_got = voksComputeAdaptiveCodebookGain_16s(start, y, x, got);
        ASSERT_EQ(g_got, g_want) << "trial " << trial;
        for (int k = 0; k < 4; ++k) ASSERT_EQ(got[k], want[k]) << "trial " << trial << " coeff " << k;
    }
}

TEST_P(ChainShortCuts, ExactChainAtTheBound) {
    // Constant vectors c: every partial sum is a multiple of 2 c^2, the bound 4 Ex Ey <= room^2
    // is tight (2 n c^2 <= room), and the chain saturates just past it.
    struct Case {
        int16_t c;
        int n;
        int32_t start;
    };
    const Case cases[] = {
        {7327, 20, 0}, {7328, 20, 0}, {7327, 20, 1}, {32767, 1, 0},  {-32768, 1, 0},
        {23170, 2, 0}, {23171, 2, 0}, {16383, 4, 3}, {16384, 4, -5}, {5792, 32, 0},
        {5793, 32, 0}, {5181, 40, 0}, {5182, 40, 0}, {5181, 40, -7}, {1000, 40, MAX_32 - 80000000},
    };
    for (const Case& cs : cases) {
        int16_t v[kLen];
        for (int i = 0; i < kLen; ++i) v[i] = cs.c;
        int16_t w[kLen];
        for (int i = 0; i < kLen; ++i) w[i] = static_cast<int16_t>(i & 1 ? cs.c : -cs.c);
        for (const int16_t* other : {static_cast<const int16_t*>(v), static_cast<const int16_t*>(w)}) {
            bool overflow = false;
            const int32_t want = chain(cs.start, v, other, cs.n, overflow);
            int32_t got = 0x5A5A5A5A;
            if (ownMacChainExact(cs.start, v, other, cs.n, got)) {
                EXPECT_FALSE(overflow) << cs.c << " x " << cs.n;
                EXPECT_EQ(got, want) << cs.c << " x " << cs.n;
            } else {
                EXPECT_EQ(got, 0x5A5A5A5A) << "result written on refusal";
            }
        }
        // A positive start plus squares: the energy form saturates exactly with the chain.
        if (cs.start >= 0) {
            bool want_overflow = false, got_overflow = false;
            const int32_t want = chain(cs.start, v, v, cs.n, want_overflow);
            EXPECT_EQ(ownMacEnergy(cs.start, v, cs.n, got_overflow), want) << cs.c << " x " << cs.n;
            EXPECT_EQ(got_overflow, want_overflow) << cs.c << " x " << cs.n;
        }
    }
    // The tight cases decide as the bound says: 2 * 20 * 7327^2 < 2^31 <= 2 * 20 * 7328^2.
    int16_t a[kLen], b[kLen];
    for (int i = 0; i < kLen; ++i) a[i] = b[i] = 7327;
    int32_t r = 0;
    EXPECT_TRUE(ownMacChainExact(0, a, b, 20, r));
    EXPECT_EQ(r, 2 * 20 * 7327 * 7327);
    for (int i = 0; i < kLen; ++i) a[i] = b[i] = 7328;
    EXPECT_FALSE(ownMacChainExact(0, a, b, 20, r));
}

TEST_P(ChainShortCuts, InnovationEnergyMatchesTheChain) {
    std::mt19937 rng(4);
    for (int trial = 0; trial < 4000; ++trial) {
        int16_t code[kLen];
        fill(rng, trial % 16, code);
        bool unused = false;
        ASSERT_EQ(ownInnovationEnergy(code, kLen), chain(0, code, code, kLen, unused)) << "trial " << trial;
    }
    // Pulses of the algebraic codebook: four of +-8191 (Q13) and sharpened copies.
    int16_t code[kLen] = {};
    code[3] = 8191;
    code[17] = -8192;
    code[24] = 8191;
    code[38] = -8192;
    bool unused = false;
    EXPECT_EQ(ownInnovationEnergy(code, kLen), chain(0, code, code, kLen, unused));
}

TEST(NormShift, EqualsTheSaturatingShiftAtTheNormalisation) {
    std::mt19937 rng(11);
    const int32_t edges[] = {0,          1,           -1,          2,          -2,    MAX_32, MIN_32,
                             0x3FFFFFFF, -0x40000000, -0x40000001, 0x40000000, 12345, -12345};
    auto check = [](int32_t x) {
        for (int16_t n = 0; n <= norm_l(x); ++n)
            ASSERT_EQ(ownNormShift(x, n), L_shl(x, n)) << x << " << " << n;
    };
    for (int32_t x : edges) check(x);
    for (int i = 0; i < 20000; ++i) check(static_cast<int32_t>(rng()) >> (i % 31));
}

INSTANTIATE_TEST_SUITE_P(Levels, ChainShortCuts, ::testing::Values(frame::Level::Scalar, frame::Level::AVX2));

}  // namespace

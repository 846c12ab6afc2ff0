// Exact short cuts of the excitation search against the reference's step-by-step saturating
// arithmetic at both kernel levels: the Annex A closed-loop lag search (all lag correlations at
// once when Cauchy-Schwarz bounds them inside 32 bits), the target update, and Convolve.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

#include "common/basicop.h"
#include "frame/dispatch.h"
#include "voksc.h"

namespace {

using namespace voks;

constexpr int kSub = 40, kHist = 154;

class ExcFastPath : public ::testing::TestWithParam<frame::Level> {
protected:
    void SetUp() override {
        if (frame::force_level(GetParam()) != GetParam()) GTEST_SKIP() << "kernel level not available";
    }
    void TearDown() override { frame::force_level(frame::detected_level()); }
    std::mt19937 rng{1729};
    int uni(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
};

// Pitch_fr3_fast's integer lag: the first lag of largest L_mac correlation of Cor_h_X's dn with
// the past excitation, in the range the delay and sub-frame give.
int reference_lag(const int16_t* dn, const int16_t* exc, int delay, int subframe) {
    const int span = subframe == 0 ? 6 : 9;
    const int tmin = std::min(std::max(delay - (subframe == 0 ? 3 : 5), 20), 143 - span);
    int32_t max = MIN_32;
    int t0 = tmin;
    for (int t = tmin; t <= tmin + span; ++t) {
        int32_t s = 0;
        for (int i = 0; i < kSub; ++i) s = L_mac(s, dn[i], exc[kHist + i - t]);
        if (s > max) {
            max = s;
            t0 = t;
        }
    }
    return t0;
}

TEST_P(ExcFastPath, LagSearchMatchesTheSaturatingChains) {
    int sides[2] = {};  // calls under and over the bound 2^60 on the energies' product
    for (int trial = 0; trial < 3000; ++trial) {
        int16_t x[kSub], h[kSub], exc[kHist + kSub], dn[kSub];
        // Excitation from quiet to full scale: with dn of up to 13 bits the bound falls inside.
        const int amp = trial % 4 == 0 ? 32767 : trial % 4 == 1 ? uni(2000, 12000) : uni(50, 3000);
        for (int i = 0; i < kHist + kSub; ++i)
            exc[i] = static_cast<int16_t>(trial % 7 == 0 ? ((i & 1) ? amp : -amp - 1) : uni(-amp - 1, amp));
        for (int i = 0; i < kSub; ++i) {
            x[i] = static_cast<int16_t>(uni(-32768, 32767) >> uni(0, 6));
            h[i] = static_cast<int16_t>(i == 0 ? 4096 : uni(-4096, 4096) / (1 + i / 4));
        }
        const int subframe = trial & 1, delay = uni(18, 145);
        ASSERT_EQ(voksCrossCorr_NormM_16s(h, x, kSub, dn), vokStatusOk);
        int64_t edn = 0, eex = 0;
        for (int i = 0; i < kSub; ++i) edn += int32_t{dn[i]} * dn[i];
        for (int i = 0; i < kHist + kSub; ++i) eex += int32_t{exc[i]} * exc[i];
        sides[static_cast<unsigned __int128>(edn) * static_cast<uint64_t>(eex) >=
              (static_cast<unsigned __int128>(1) << 60)]++;
        const int want = reference_lag(dn, exc, delay, subframe);  // before the search writes exc
        int16_t dly[2] = {-1, -1}, vec[kSub];
        ASSERT_EQ(voksAdaptiveCodebookSearch_G729A_16s(static_cast<int16_t>(delay), x, h, exc, dly, vec,
                                                       static_cast<int16_t>(subframe)),
                  vokStatusOk);
        ASSERT_EQ(dly[0], want) << "trial " << trial;
    }
    EXPECT_GT(sides[0], 300);
    EXPECT_GT(sides[1], 300);
}

// x - extract_h(L_shl(L_mult(y, g), 1)) with both saturations, on extreme and random values.
TEST_P(ExcFastPath, TargetUpdateMatchesTheSaturatingSteps) {
    rng.seed(3);
    const int16_t values[13] = {-32768, -32767, -16385, -16384, -8192, -1,   0,
                                1,      8191,   16383,  16384,  32766, 32767};
    for (int trial = 0; trial < 400; ++trial) {
        int16_t y[kSub], x[kSub], got[kSub];
        const int16_t g = trial < 13 ? values[trial] : static_cast<int16_t>(rng());
        for (int i = 0; i < kSub; ++i) {
            y[i] = (trial + i) % 3 == 0 ? values[(trial * 7 + i) % 13] : static_cast<int16_t>(rng());
            x[i] = (trial + i) % 5 == 0 ? values[(trial + 3 * i) % 13] : static_cast<int16_t>(rng());
        }
        ASSERT_EQ(voksAdaptiveCodebookContribution_G729_16s(g, y, x, got), vokStatusOk);
        for (int i = 0; i < kSub; ++i)
            ASSERT_EQ(got[i], sub(x[i], extract_h(L_shl(L_mult(y[i], g), 1))))
                << g << " " << y[i] << " " << x[i];
    }
}

// Convolve of the main-body pitch gain: the exact convolution (max|x| sum|h| < 2^30) with its
// final L_shl saturating, and the step-by-step chains beyond that bound.
TEST_P(ExcFastPath, FilteredAdaptiveVectorMatchesConvolve) {
    rng.seed(40);
    for (int trial = 0; trial < 3000; ++trial) {
        int16_t x[kSub], h[kSub], target[kSub] = {}, y[kSub], gain = 0;
        const int amp = trial % 3 == 0 ? 16384 : uni(100, 32767);
        for (int i = 0; i < kSub; ++i) {
            x[i] = static_cast<int16_t>(trial % 5 == 0 ? amp : uni(-amp, amp));
            // Flat responses put the sums past 2^27 while max|x| sum|h| stays below 2^30.
            h[i] = static_cast<int16_t>(trial % 4 == 0 ? 1000 : uni(-4096, 4096) >> uni(0, 4));
        }
        ASSERT_EQ(voksAdaptiveCodebookGain_G729_16s(target, h, x, y, &gain), vokStatusOk);
        for (int n = 0; n < kSub; ++n) {
            int32_t s = 0;
            for (int i = 0; i <= n; ++i) s = L_mac(s, x[i], h[n - i]);
            ASSERT_EQ(y[n], extract_h(L_shl(s, 3))) << "trial " << trial << " n " << n;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, ExcFastPath, ::testing::Values(frame::Level::Scalar, frame::Level::AVX2));

}  // namespace

// GSM full-rate operations on hand-derived edges the golden data (reference memories, real
// autocorrelations, pre-emphasis after the high-pass) does not reach: foreign memories,
// non-autocorrelation input, lower orders, full-scale lattice coefficients and pre-emphasis
// steps, out-of-range shifts. Every kernel level must keep them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "support/levels.h"
#include "support/speech.h"
#include "voksc.h"

namespace {

using voks::frame::Level;

class GsmfrOps : public voksc_test::LevelTest<> {};

TEST_P(GsmfrOps, HighPassForeignMemorySaturates) {
    // z1 = -2^31 makes s1 = 2^31: the recursion saturates instead of overflowing.
    const Vok16s x[1] = {0};
    Vok16s y[1];
    Vok32s mem[2] = {0, INT32_MIN};
    ASSERT_EQ(voksHighPassFilter_GSMFR_16s(x, y, 1, mem), vokStatusOk);
    EXPECT_EQ(mem[0], INT32_MAX);
    EXPECT_EQ(y[0], 32767);
}

TEST_P(GsmfrOps, PreemphasisSaturates) {
    // mult_r(1000, -28180) = (-28180000 + 16384) >> 15 = -860; -32768 - 28179 saturates.
    const Vok16s x[3] = {0, 32767, -32768};
    Vok16s y[3];
    Vok16s mem = 1000;
    ASSERT_EQ(voksPreemphasize_GSMFR_16s(x, y, 3, &mem), vokStatusOk);
    EXPECT_EQ(y[0], -860);
    EXPECT_EQ(y[1], 32767);
    EXPECT_EQ(y[2], -32768);
    EXPECT_EQ(mem, -32768);
}

TEST_P(GsmfrOps, SchurEdges) {
    struct Row {
        const char* what;
        Vok32s acf[9];
        Vok16s k1;
    };
    const Row rows[] = {
        // |P[1]| > P[0] at once: every coefficient is 0.
        {"unstable", {(1 << 30) - (1 << 16), 1 << 30, 0, 0, 0, 0, 0, 0, 0}, 0},
        // Zero energy: all 0 whatever follows.
        {"silence", {0, 12345, -5, 7, 0, 0, 0, 0, 1}, 0},
        // Not an autocorrelation (|acf[1]| > acf[0]): the normalising shift of 30 saturates
        // acf[1] to P[1] = 32767 > P[0] = 16384 instead of wrapping it to -16384.
        {"foreign", {1, INT32_MAX, 0, 0, 0, 0, 0, 0, 0}, 0},
        // |P[1]| = P[0]: div gives 32767, negated for positive P[1].
        {"unit", {1 << 30, 1 << 30, 0, 0, 0, 0, 0, 0, 0}, -32767},
    };
    for (const Row& r : rows) {
        Vok16s out[8];
        ASSERT_EQ(voksSchur_GSMFR_32s16s(r.acf, out, 8), vokStatusOk) << r.what;
        EXPECT_EQ(out[0], r.k1) << r.what;
        for (int i = 1; i < 8; ++i) EXPECT_EQ(out[i], 0) << r.what << " k" << i + 1;
    }
    // Coefficient n depends on acf[0..n] only: order k gives the first k of order 8 and writes
    // nothing more (a damped cosine with noise, all eight coefficients nonzero).
    const Vok32s acf[9] = {1 << 30,    805664021,  446421718,  52601590,  -278509562,
                           -482554531, -536673850, -456886932, -287014989};
    Vok16s full[8];
    ASSERT_EQ(voksSchur_GSMFR_32s16s(acf, full, 8), vokStatusOk);
    for (int order = 1; order <= 7; ++order) {
        Vok16s out[9];
        std::memset(out, 0x5A, sizeof(out));
        ASSERT_EQ(voksSchur_GSMFR_32s16s(acf, out, order), vokStatusOk);
        EXPECT_EQ(std::memcmp(out, full, order * sizeof(Vok16s)), 0) << order;
        EXPECT_EQ(out[order], 0x5A5A) << order;
    }
}

TEST_P(GsmfrOps, LatticeProductsSaturateAtMinusOne) {
    // mult_r(-32768, -32768) saturates to 32767 (a wrapped product would give -32768).
    const Vok16s r[8] = {-32768, 0, 0, 0, 0, 0, 0, 0};
    Vok16s y[1] = {-32768};
    Vok16s u[8] = {};
    ASSERT_EQ(voksShortTermAnalysisFilter_GSMFR_16s_I(r, y, 1, u), vokStatusOk);
    EXPECT_EQ(y[0], -32768);
    EXPECT_EQ(u[0], -32768);
    EXPECT_EQ(u[1], 32767);
    const Vok16s z[1] = {0};
    Vok16s out[1];
    Vok16s v[9] = {-32768, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(voksShortTermSynthesisFilter_GSMFR_16s(r, z, out, 1, v), vokStatusOk);
    EXPECT_EQ(out[0], -32767);
}

TEST_P(GsmfrOps, RpeDecodeShiftsAbove15ActAs15) {
    // t = 2 xMc - 7, p = mult_r(FAC, t << 12) = (FAC t + 4) >> 3, xMp = (p + 2^(s-1)) >> s.
    const Vok16s xmc[13] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 7, 3, 4, 1};
    const Vok16s want[13] = {-1, -1, 0, 0, 0, 0, 0, 0, -1, 0, 0, 0, -1};
    Vok16s out[13];
    ASSERT_EQ(voksRPEQuantDecode_GSMFR_16s(xmc, 32767, 16, out), vokStatusOk);
    EXPECT_EQ(std::memcmp(out, want, sizeof(out)), 0);
}

// pDst may equal pSrc; the golden data and the codec call these two out of place only.
TEST_P(GsmfrOps, InPlaceEqualsOutOfPlace) {
    const std::vector<int16_t> x = voksc_test::synthetic_voiced(160);
    const Vok16s r[8] = {-25000, 18000, -9000, 7000, -3000, 2500, -1200, 600};
    std::vector<Vok16s> out(160), io = x;
    Vok16s v1[9] = {}, v2[9] = {};
    ASSERT_EQ(voksShortTermSynthesisFilter_GSMFR_16s(r, x.data(), out.data(), 160, v1), vokStatusOk);
    ASSERT_EQ(voksShortTermSynthesisFilter_GSMFR_16s(r, io.data(), io.data(), 160, v2), vokStatusOk);
    EXPECT_EQ(out, io);
    Vok32s h1[2] = {}, h2[2] = {};
    io = x;
    ASSERT_EQ(voksHighPassFilter_GSMFR_16s(x.data(), out.data(), 160, h1), vokStatusOk);
    ASSERT_EQ(voksHighPassFilter_GSMFR_16s(io.data(), io.data(), 160, h2), vokStatusOk);
    EXPECT_EQ(out, io);
}

INSTANTIATE_TEST_SUITE_P(Levels, GsmfrOps, voksc_test::every_level(),
                         [](const ::testing::TestParamInfo<Level>& info) {
                             return voksc_test::level_name(info.param);
                         });

}  // namespace

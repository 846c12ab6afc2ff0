// GSM full-rate operations on hand-derived cases, and properties every kernel level must keep:
// a signal split into several calls gives the same output and memory as one call, and in-place
// calls equal out-of-place ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "frame/dispatch.h"
#include "voksc.h"

namespace {

using voks::frame::Level;

class GsmfrOps : public ::testing::TestWithParam<Level> {
protected:
    void SetUp() override {
        if (voks::frame::force_level(GetParam()) != GetParam()) skip_ = true;
    }
    void TearDown() override { voks::frame::force_level(voks::frame::detected_level()); }
    bool skip_ = false;
};

#define SKIP_IF_UNSUPPORTED() \
    if (skip_) GTEST_SKIP() << "CPU lacks this kernel level"

std::vector<Vok16s> speech_like(int n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<Vok16s> x(n);
    double a = 0, b = 0;
    for (int i = 0; i < n; ++i) {
        const double e = static_cast<double>(static_cast<int>(rng() % 20001) - 10000);
        const double y = 1.6 * a - 0.8 * b + e;
        b = a;
        a = y;
        x[i] = static_cast<Vok16s>(y > 32767 ? 32767 : (y < -32768 ? -32768 : y));
    }
    return x;
}

TEST_P(GsmfrOps, HighPassFirstSamplesByHand) {
    SKIP_IF_UNSUPPORTED();
    // 1000 -> 500 after down-scaling; the filter passes the step, then the DC decays:
    // L_z2 = 500 << 15, then 500 * 32735, outputs (L_z2 + 16384) >> 15.
    const Vok16s x[2] = {1000, 1000};
    Vok16s y[2];
    Vok32s mem[2] = {0, 0};
    ASSERT_EQ(voksHighPassFilter_GSMFR_16s(x, y, 2, mem), vokStatusOk);
    EXPECT_EQ(y[0], 500);
    EXPECT_EQ(y[1], 499);
    EXPECT_EQ(mem[0], 500 * 32735);
    EXPECT_EQ(mem[1], 500);
}

TEST_P(GsmfrOps, HighPassForeignMemorySaturates) {
    SKIP_IF_UNSUPPORTED();
    // z1 = -2^31 makes s1 = 2^31: the recursion saturates instead of overflowing.
    const Vok16s x[1] = {0};
    Vok16s y[1];
    Vok32s mem[2] = {0, INT32_MIN};
    ASSERT_EQ(voksHighPassFilter_GSMFR_16s(x, y, 1, mem), vokStatusOk);
    EXPECT_EQ(mem[0], INT32_MAX);
    EXPECT_EQ(y[0], 32767);
}

TEST_P(GsmfrOps, PreemphasisByHand) {
    SKIP_IF_UNSUPPORTED();
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

TEST_P(GsmfrOps, SchurByHand) {
    SKIP_IF_UNSUPPORTED();
    struct Row {
        const char* what;
        Vok32s acf[9];
        Vok16s refl[8];
    };
    const Row rows[] = {
        // First-order process with correlation 1/2: k1 = -1/2 exactly, then every P[m] is 0.
        {"ar1", {1 << 30, 1 << 29, 1 << 28, 1 << 27, 1 << 26, 1 << 25, 1 << 24, 1 << 23, 1 << 22},
         {-16384, 0, 0, 0, 0, 0, 0, 0}},
        // Same, anti-correlated: k1 = +1/2.
        {"ar1 negative", {1 << 30, -(1 << 29), 1 << 28, -(1 << 27), 1 << 26, -(1 << 25), 1 << 24, -(1 << 23), 1 << 22},
         {16384, 0, 0, 0, 0, 0, 0, 0}},
        // |P[1]| > P[0] at once: every coefficient is 0.
        {"unstable", {(1 << 30) - (1 << 16), 1 << 30, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}},
        // Zero energy: all 0 whatever follows.
        {"silence", {0, 12345, -5, 7, 0, 0, 0, 0, 1}, {0, 0, 0, 0, 0, 0, 0, 0}},
        // Not an autocorrelation (|acf[1]| > acf[0]): the normalising shift of 30 saturates
        // acf[1] to P[1] = 32767 > P[0] = 16384 instead of wrapping it to -16384.
        {"foreign", {1, INT32_MAX, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}},
        // |P[1]| = P[0]: div gives 32767, negated for positive P[1].
        {"unit", {1 << 30, 1 << 30, 0, 0, 0, 0, 0, 0, 0}, {-32767, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Row& r : rows) {
        Vok16s out[8];
        ASSERT_EQ(voksSchur_GSMFR_32s16s(r.acf, out, 8), vokStatusOk) << r.what;
        for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], r.refl[i]) << r.what << " k" << i + 1;
    }
}

TEST_P(GsmfrOps, SchurLowerOrderIsAPrefixAndWritesOnlyOrderValues) {
    SKIP_IF_UNSUPPORTED();
    // Coefficient n depends on acf[0..n] only, so order k gives the first k of order 8.
    const std::vector<Vok16s> x = speech_like(160, 7);
    Vok32s acf[9];
    for (int k = 0; k <= 8; ++k) {
        int64_t s = 0;
        for (int i = k; i < 160; ++i) s += (x[i] >> 4) * (x[i - k] >> 4);
        acf[k] = static_cast<Vok32s>(s);
    }
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

TEST_P(GsmfrOps, AnalysisLatticeByHand) {
    SKIP_IF_UNSUPPORTED();
    // One stage with r = 1/2 is A(z) = 1 + z^-1 / 2.
    const Vok16s r[8] = {16384, 0, 0, 0, 0, 0, 0, 0};
    Vok16s x[3] = {1000, 0, 0};
    Vok16s u[8] = {};
    ASSERT_EQ(voksShortTermAnalysisFilter_GSMFR_16s_I(r, x, 3, u), vokStatusOk);
    EXPECT_EQ(x[0], 1000);
    EXPECT_EQ(x[1], 500);
    EXPECT_EQ(x[2], 0);
    // mult_r(-32768, -32768) saturates to 32767 (a wrapped product would give -32768).
    const Vok16s rm[8] = {-32768, 0, 0, 0, 0, 0, 0, 0};
    Vok16s y[1] = {-32768};
    Vok16s um[8] = {};
    ASSERT_EQ(voksShortTermAnalysisFilter_GSMFR_16s_I(rm, y, 1, um), vokStatusOk);
    EXPECT_EQ(y[0], -32768);
    EXPECT_EQ(um[0], -32768);
    EXPECT_EQ(um[1], 32767);
}

TEST_P(GsmfrOps, SynthesisLatticeByHand) {
    SKIP_IF_UNSUPPORTED();
    // One stage with r = 1/2 is 1 / (1 + z^-1 / 2).
    const Vok16s r[8] = {16384, 0, 0, 0, 0, 0, 0, 0};
    const Vok16s e[3] = {1000, 0, 0};
    Vok16s s[3];
    Vok16s v[9] = {};
    ASSERT_EQ(voksShortTermSynthesisFilter_GSMFR_16s(r, e, s, 3, v), vokStatusOk);
    EXPECT_EQ(s[0], 1000);
    EXPECT_EQ(s[1], -500);
    EXPECT_EQ(s[2], 250);
    // r = v = -32768: the product saturates to 32767.
    const Vok16s rm[8] = {-32768, 0, 0, 0, 0, 0, 0, 0};
    const Vok16s z[1] = {0};
    Vok16s out[1];
    Vok16s vm[9] = {-32768, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(voksShortTermSynthesisFilter_GSMFR_16s(rm, z, out, 1, vm), vokStatusOk);
    EXPECT_EQ(out[0], -32767);
}

TEST_P(GsmfrOps, WeightingFilterReachesFiveSamplesEachSide) {
    SKIP_IF_UNSUPPORTED();
    // An 8192 at x[-5] or x[len + 4] meets the tap -134: (4096 - 134 * 8192) >> 13 = -134.
    for (int len : {1, 16, 40}) {
        std::vector<Vok16s> buf(len + 10, 0);
        std::vector<Vok16s> y(len);
        buf[0] = 8192;
        ASSERT_EQ(voksWeightingFilter_GSMFR_16s(buf.data() + 5, y.data(), len), vokStatusOk);
        EXPECT_EQ(y[0], -134) << len;
        buf[0] = 0;
        buf[len + 9] = 8192;
        ASSERT_EQ(voksWeightingFilter_GSMFR_16s(buf.data() + 5, y.data(), len), vokStatusOk);
        EXPECT_EQ(y[len - 1], -134) << len;
        // Full scale: 32767 * 22766 / 8192 saturates.
        std::fill(buf.begin(), buf.end(), 32767);
        ASSERT_EQ(voksWeightingFilter_GSMFR_16s(buf.data() + 5, y.data(), len), vokStatusOk);
        for (int i = 0; i < len; ++i) EXPECT_EQ(y[i], 32767) << len;
    }
}

TEST_P(GsmfrOps, RpeDecodeByHand) {
    SKIP_IF_UNSUPPORTED();
    // t = 2 xMc - 7, p = mult_r(FAC, t << 12) = (FAC t + 4) >> 3, xMp = (p + 2^(s-1)) >> s.
    const Vok16s xmc[13] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 7, 3, 4, 1};
    struct Row {
        Vok16s fac;
        Vok16s shift;
        Vok16s want[13];
    };
    const Row rows[] = {
        {32767, 0, {-28671, -20479, -12288, -4096, 4096, 12288, 20479, 28671, -28671, 28671, -4096, 4096, -20479}},
        {18431, 6, {-252, -180, -108, -36, 36, 108, 180, 252, -252, 252, -36, 36, -180}},
        // Shifts above 15 act as 15.
        {32767, 16, {-1, -1, 0, 0, 0, 0, 0, 0, -1, 0, 0, 0, -1}},
    };
    for (const Row& r : rows) {
        Vok16s out[13];
        ASSERT_EQ(voksRPEQuantDecode_GSMFR_16s(xmc, r.fac, r.shift, out), vokStatusOk);
        for (int i = 0; i < 13; ++i) EXPECT_EQ(out[i], r.want[i]) << "shift " << r.shift << " i " << i;
    }
}

TEST_P(GsmfrOps, DeemphasisFullScale) {
    SKIP_IF_UNSUPPORTED();
    Vok16s x[2] = {32767, -32768};
    Vok16s mem = 0;
    ASSERT_EQ(voksDeemphasize_GSMFR_16s_I(x, 2, &mem), vokStatusOk);
    EXPECT_EQ(x[0], 32760);
    // -32768 + mult_r(32767, 28180) = -4589; doubled and truncated to a multiple of 8.
    EXPECT_EQ(mem, -4589);
    EXPECT_EQ(x[1], -9184);
}

// Split calls (the codec's 13/14/13/120 segments) give the one-call output and memory.
TEST_P(GsmfrOps, SegmentedCallsEqualOneCall) {
    SKIP_IF_UNSUPPORTED();
    const int seg[] = {13, 14, 13, 120, 1, 7, 32};
    const int total = 200;
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        const std::vector<Vok16s> x = speech_like(total, seed);
        std::mt19937 rng(seed);
        Vok16s r[8];
        for (Vok16s& c : r) c = static_cast<Vok16s>(static_cast<int>(rng() % 60001) - 30000);

        std::vector<Vok16s> a = x, b = x, sa(total), sb(total);
        Vok16s ua[8] = {}, ub[8] = {}, va[9] = {}, vb[9] = {};
        Vok32s ha[2] = {}, hb[2] = {};
        Vok16s pa = 0, pb = 0, da = 0, db = 0;
        ASSERT_EQ(voksShortTermAnalysisFilter_GSMFR_16s_I(r, a.data(), total, ua), vokStatusOk);
        ASSERT_EQ(voksShortTermSynthesisFilter_GSMFR_16s(r, x.data(), sa.data(), total, va), vokStatusOk);
        std::vector<Vok16s> ha_out(total), hb_out(total), pa_out(total), pb_out(total);
        ASSERT_EQ(voksHighPassFilter_GSMFR_16s(x.data(), ha_out.data(), total, ha), vokStatusOk);
        ASSERT_EQ(voksPreemphasize_GSMFR_16s(x.data(), pa_out.data(), total, &pa), vokStatusOk);
        std::vector<Vok16s> de_a = x, de_b = x;
        ASSERT_EQ(voksDeemphasize_GSMFR_16s_I(de_a.data(), total, &da), vokStatusOk);
        int pos = 0;
        for (int k = 0; pos < total; ++k) {
            const int n = std::min(seg[k % 7], total - pos);
            ASSERT_EQ(voksShortTermAnalysisFilter_GSMFR_16s_I(r, b.data() + pos, n, ub), vokStatusOk);
            ASSERT_EQ(voksShortTermSynthesisFilter_GSMFR_16s(r, x.data() + pos, sb.data() + pos, n, vb), vokStatusOk);
            ASSERT_EQ(voksHighPassFilter_GSMFR_16s(x.data() + pos, hb_out.data() + pos, n, hb), vokStatusOk);
            ASSERT_EQ(voksPreemphasize_GSMFR_16s(x.data() + pos, pb_out.data() + pos, n, &pb), vokStatusOk);
            ASSERT_EQ(voksDeemphasize_GSMFR_16s_I(de_b.data() + pos, n, &db), vokStatusOk);
            pos += n;
        }
        EXPECT_EQ(a, b) << seed;
        EXPECT_EQ(std::memcmp(ua, ub, sizeof(ua)), 0) << seed;
        EXPECT_EQ(sa, sb) << seed;
        EXPECT_EQ(std::memcmp(va, vb, sizeof(va)), 0) << seed;
        EXPECT_EQ(ha_out, hb_out) << seed;
        EXPECT_EQ(std::memcmp(ha, hb, sizeof(ha)), 0) << seed;
        EXPECT_EQ(pa_out, pb_out) << seed;
        EXPECT_EQ(pa, pb) << seed;
        EXPECT_EQ(de_a, de_b) << seed;
        EXPECT_EQ(da, db) << seed;
    }
}

TEST_P(GsmfrOps, InPlaceEqualsOutOfPlace) {
    SKIP_IF_UNSUPPORTED();
    const std::vector<Vok16s> x = speech_like(160, 99);
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
    Vok16s p1 = 5, p2 = 5;
    io = x;
    ASSERT_EQ(voksPreemphasize_GSMFR_16s(x.data(), out.data(), 160, &p1), vokStatusOk);
    ASSERT_EQ(voksPreemphasize_GSMFR_16s(io.data(), io.data(), 160, &p2), vokStatusOk);
    EXPECT_EQ(out, io);
}

INSTANTIATE_TEST_SUITE_P(Levels, GsmfrOps, ::testing::Values(Level::Scalar, Level::AVX2),
                         [](const ::testing::TestParamInfo<Level>& info) {
                             return info.param == Level::AVX2 ? std::string("avx2") : std::string("scalar");
                         });

}  // namespace

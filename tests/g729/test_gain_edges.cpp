// Edge cases with hand-derived expectations, state layouts and alignment independence of the
// G.729 gain, post-filter and boundary-filter operations.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "voksc.h"

namespace {

constexpr int kSub = 40;

TEST(G729GainEdges, ErasureAttenuatesAndDecaysEnergies) {
    struct Row {
        int16_t gains[2];
        int16_t past[4];
        int16_t expectGains[2];
        int16_t expectPast[4];
    };
    // 0.9 and 0.98 in Q15 (29491, 32111); newest energy max(mean - 4 dB, -14 dB).
    const Row rows[] = {
        {{16384, 1000}, {-14336, -14336, -14336, -14336}, {14745, 979}, {-14336, -14336, -14336, -14336}},
        {{19661, 4000}, {0, 0, 0, 0}, {17694, 3919}, {-4096, 0, 0, 0}},
        {{0, 0}, {1024, 2048, -1024, 4096}, {0, 0}, {-2560, 1024, 2048, -1024}},
    };
    for (const Row& r : rows) {
        int16_t gains[2] = {r.gains[0], r.gains[1]}, past[4];
        std::memcpy(past, r.past, sizeof(past));
        ASSERT_EQ(voksDecodeGain_G729_16s(123456, past, nullptr, gains), vokStatusOk);
        EXPECT_EQ(gains[0], r.expectGains[0]);
        EXPECT_EQ(gains[1], r.expectGains[1]);
        EXPECT_EQ(0, std::memcmp(past, r.expectPast, sizeof(past)));
    }
    // Annex D tables: both gains scaled by the caller's factor.
    int16_t gains[2] = {10000, 2001}, past[4] = {0, 0, 0, 0};
    ASSERT_EQ(voksDecodeGain_G729I_16s(0, 16384, past, nullptr, gains), vokStatusOk);
    EXPECT_EQ(gains[0], 5000);
    EXPECT_EQ(gains[1], 1000);
    EXPECT_EQ(past[0], -4096);
}

TEST(G729GainEdges, BitStreamIndicesAreMasked) {
    const int16_t masked[2] = {3, 5};
    const int16_t wide[2] = {3 + 8, 5 + 32};
    int16_t g1[2] = {0, 0}, g2[2] = {0, 0};
    int16_t p1[4] = {-14336, -14336, -14336, -14336}, p2[4] = {-14336, -14336, -14336, -14336};
    ASSERT_EQ(voksDecodeGain_G729_16s(1 << 26, p1, masked, g1), vokStatusOk);
    ASSERT_EQ(voksDecodeGain_G729_16s(1 << 26, p2, wide, g2), vokStatusOk);
    EXPECT_EQ(0, std::memcmp(g1, g2, sizeof(g1)));
    EXPECT_EQ(0, std::memcmp(p1, p2, sizeof(p1)));
    // G.729 index 3 -> row imap1[3] = 4, index 5 -> row imap2[5] = 15: 1921 + 18973 (Q14).
    EXPECT_EQ(g1[0], 1921 + 18973);
    // Annex D decoder: indices beyond 3 bits are masked instead of reading past the tables.
    int16_t g3[2], g4[2], p3[4] = {0, 0, 0, 0}, p4[4] = {0, 0, 0, 0};
    const int16_t d1[2] = {2, 6}, d2[2] = {2 + 64, 6 - 8};
    ASSERT_EQ(voksDecodeGain_G729I_16s(1 << 26, 0, p3, d1, g3), vokStatusOk);
    ASSERT_EQ(voksDecodeGain_G729I_16s(1 << 26, 0, p4, d2, g4), vokStatusOk);
    EXPECT_EQ(0, std::memcmp(g3, g4, sizeof(g3)));
    // Index 2 -> row imap1_6k[2] = 4, index 6 -> row imap2_6k[6] = 6: 3617 + 11956.
    EXPECT_EQ(g3[0], 3617 + 11956);
}

TEST(G729GainEdges, FloatSearchTamingExcludesLargePitchGains) {
    // With c = (1, -2a, 0, 0, 0) the error is (gp - a)^2 - a^2: the nearest pitch gain to a
    // wins. The window at (0, 8) pairs gbk1 rows 0..3 (0.000010, 0.094719, 0.111779, 0.003516)
    // with gbk2 rows 8..15 (0.809357 ... 0.983459, 1.055892, 1.158039).
    const Vok32s cand[2] = {0, 8};
    Vok32s idx[2];
    const float toOne[5] = {1.0f, -2.0f, 0.0f, 0.0f, 0.0f};
    for (Vok32s taming : {0, 1}) {
        // 0.003516 + 0.983459 = 0.986975 is nearest 1 and below the 0.9999 taming limit.
        ASSERT_EQ(voksGainCodebookSearch_G729_32f(toOne, cand, idx, taming, 1.0f), vokStatusOk);
        EXPECT_EQ(idx[0], 3);
        EXPECT_EQ(idx[1], 13);
    }
    const float toOnePointTwo[5] = {1.0f, -2.4f, 0.0f, 0.0f, 0.0f};
    // 0.111779 + 1.055892 = 1.167671 is nearest 1.2 ...
    ASSERT_EQ(voksGainCodebookSearch_G729_32f(toOnePointTwo, cand, idx, 0, 1.0f), vokStatusOk);
    EXPECT_EQ(idx[0], 2);
    EXPECT_EQ(idx[1], 14);
    // ... but under taming only pitch gains below 0.9999 count, the largest being 0.986975.
    ASSERT_EQ(voksGainCodebookSearch_G729_32f(toOnePointTwo, cand, idx, 1, 1.0f), vokStatusOk);
    EXPECT_EQ(idx[0], 3);
    EXPECT_EQ(idx[1], 13);
}

TEST(G729GainEdges, HighPassStateLayoutAndAlignment) {
    int size = 0;
    ASSERT_EQ(voksHighPassFilterSize_G729(&size), vokStatusOk);
    ASSERT_EQ(size, 24);
    static constexpr int16_t kPre[6] = {4096, 7807, -3733, 1899, -3798, 1899};
    std::vector<int16_t> input(333);
    for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<int16_t>((i * 7919) % 20001 - 10000);
    std::vector<int16_t> first;
    for (int off = 0; off < 16; ++off) {
        uint8_t raw[24 + 16];
        std::memset(raw, 0xEE, sizeof(raw));
        auto* st = reinterpret_cast<VokG729HighPassState*>(raw + off);
        ASSERT_EQ(voksHighPassFilterInit_G729(kPre, st), vokStatusOk);
        // Init: y1, y2 (32-bit), x1, x2 zero, then the six coefficients as given.
        uint8_t zeros[12] = {};
        EXPECT_EQ(0, std::memcmp(raw + off, zeros, 12));
        EXPECT_EQ(0, std::memcmp(raw + off + 12, kPre, 12));
        std::vector<int16_t> x = input;
        ASSERT_EQ(voksHighPassFilter_G729_16s_ISfs(x.data(), 13, 12, st), vokStatusOk);
        ASSERT_EQ(voksHighPassFilter_G729_16s_ISfs(x.data() + 13, 320, 12, st), vokStatusOk);
        // The state keeps the last two inputs.
        int16_t xs[2];
        std::memcpy(xs, raw + off + 8, 4);
        EXPECT_EQ(xs[0], input[332]);
        EXPECT_EQ(xs[1], input[331]);
        if (off == 0)
            first = x;
        else
            EXPECT_EQ(x, first) << "offset " << off;
        for (int i = 0; i < off; ++i) EXPECT_EQ(raw[i], 0xEE);
        for (int i = off + 24; i < 40; ++i) EXPECT_EQ(raw[i], 0xEE);
    }
    // One call over the whole block equals the split calls.
    uint8_t raw[24];
    auto* st = reinterpret_cast<VokG729HighPassState*>(raw);
    voksHighPassFilterInit_G729(kPre, st);
    std::vector<int16_t> x = input;
    ASSERT_EQ(voksHighPassFilter_G729_16s_ISfs(x.data(), 333, 12, st), vokStatusOk);
    EXPECT_EQ(x, first);
}

TEST(G729GainEdges, PhaseDispersionStateLayout) {
    int size = 0;
    ASSERT_EQ(voksPhaseDispersionGetStateSize_G729D_16s(&size), vokStatusOk);
    ASSERT_EQ(size, 20);
    uint8_t raw[24];
    std::memset(raw, 0x77, sizeof(raw));
    auto* st = reinterpret_cast<VokG729PhaseDispersionState*>(raw + 1);
    ASSERT_EQ(voksPhaseDispersionInit_G729D_16s(st), vokStatusOk);
    int16_t f[9];
    std::memcpy(f, raw + 1, sizeof(f));
    for (int16_t v : f) EXPECT_EQ(v, 0);
    ASSERT_EQ(voksPhaseDispersionUpdate_G729D_16s(9000, 1234, st), vokStatusOk);
    ASSERT_EQ(voksPhaseDispersionUpdate_G729D_16s(16000, 555, st), vokStatusOk);
    std::memcpy(f, raw + 1, sizeof(f));
    const int16_t expect[9] = {16000, 9000, 0, 0, 0, 0, 2, 555, 0};
    EXPECT_EQ(0, std::memcmp(f, expect, sizeof(f)));
    EXPECT_EQ(raw[0], 0x77);
    // A code gain more than twice the previous one is an onset: a strong-dispersion pitch gain
    // (below 0.6) is raised one step and the onset counter starts at 2.
    int16_t code[kSub] = {}, exc[kSub] = {}, out[kSub];
    code[5] = 8192;
    ASSERT_EQ(voksPhaseDispersion_G729D_16s(exc, out, 2000, 100, code, st), vokStatusOk);
    std::memcpy(f, raw + 1, sizeof(f));
    EXPECT_EQ(f[0], 100);
    EXPECT_EQ(f[6], 1);     // state 0 raised to 1 by the onset
    EXPECT_EQ(f[7], 2000);
    EXPECT_EQ(f[8], 2);
    // Nothing outside the 20 bytes is touched.
    EXPECT_EQ(raw[0], 0x77);
    for (int i = 21; i < 24; ++i) EXPECT_EQ(raw[i], 0x77);
}

TEST(G729GainEdges, FrameTypesWithoutSpeechCopyTheResidual) {
    // A(z) = 1: the weighted residual is the speech itself.
    int16_t lpc[11] = {4096};
    int16_t speech[50];
    for (int i = 0; i < 50; ++i) speech[i] = static_cast<int16_t>(i * 300 - 7000);
    for (int16_t type : {0, 2}) {
        int16_t buf[194] = {}, out[kSub], voicing = 5;
        ASSERT_EQ(voksLongTermPostFilter_G729B_16s(60, speech + 10, lpc, buf, out, &voicing, type),
                  vokStatusOk);
        EXPECT_EQ(voicing, 0);
        EXPECT_EQ(0, std::memcmp(out, speech + 10, sizeof(out)));
        EXPECT_EQ(0, std::memcmp(buf + 154, speech + 10, sizeof(out)));
    }
}

TEST(G729GainEdges, SilentOutputStoresZeroGain) {
    int16_t in[kSub], out[kSub] = {};
    for (int i = 0; i < kSub; ++i) in[i] = static_cast<int16_t>(100 + i);
    int16_t gain = 16384;
    ASSERT_EQ(voksGainControl_G729_16s_I(in, out, &gain), vokStatusOk);
    EXPECT_EQ(gain, 0);
    int16_t gainA = 4096;
    ASSERT_EQ(voksGainControl_G729A_16s_I(in, out, &gainA), vokStatusOk);
    EXPECT_EQ(gainA, 0);
    for (int16_t v : out) EXPECT_EQ(v, 0);
    // Equal input and output keep a unit gain at its steady state: g = 0.9875 g + 0.0125.
    int16_t same[kSub];
    std::memcpy(same, in, sizeof(same));
    gain = 16384;
    ASSERT_EQ(voksGainControl_G729_16s_I(in, same, &gain), vokStatusOk);
    EXPECT_NEAR(gain, 16384, 2);
}

TEST(G729GainEdges, ShortTermPostFilterOfUnitPredictor) {
    // A(z) = 1: h is a unit impulse (Q12), sum |h| = 4096 gives g = 1024, the input is not
    // scaled, and 1/A passes the input through.
    const int16_t lpc[11] = {4096};
    int16_t src[kSub], buf[10 + kSub], h[20];
    for (int i = 0; i < kSub; ++i) src[i] = static_cast<int16_t>(i * 500 - 9000);
    for (int i = 0; i < 10; ++i) buf[i] = 1234;
    ASSERT_EQ(voksShortTermPostFilter_G729_16s(lpc, src, buf + 10, h), vokStatusOk);
    EXPECT_EQ(0, std::memcmp(buf + 10, src, sizeof(src)));
    EXPECT_EQ(h[0], 4096);
    for (int i = 1; i < 20; ++i) EXPECT_EQ(h[i], 0);
    // A loud input through a resonant filter reports the saturation.
    const int16_t res[11] = {4096, -8000, 3900};
    for (int i = 0; i < kSub; ++i) src[i] = i % 8 < 4 ? 32767 : -32768;
    EXPECT_EQ(voksShortTermPostFilter_G729_16s(res, src, buf + 10, h), vokStatusOverflow);
    bool railed = false;
    for (int i = 10; i < 10 + kSub; ++i) railed = railed || buf[i] == 32767 || buf[i] == -32768;
    EXPECT_TRUE(railed);
}

TEST(G729GainEdges, TiltOfAnnexAWithAlternatingResponse) {
    // Numerator 1, denominator 1 + 0.9 z^-1: h alternates in sign, r1 < 0, so the signal is
    // left as it is and the memory takes its last sample.
    int16_t lpc[22] = {};
    lpc[0] = 4096;
    lpc[11] = 4096;
    lpc[12] = 3686;
    int16_t buf[1 + kSub];
    buf[0] = 77;
    for (int i = 1; i <= kSub; ++i) buf[i] = static_cast<int16_t>(i * 11);
    ASSERT_EQ(voksTiltCompensation_G729A_16s(lpc, buf + 1), vokStatusOk);
    for (int i = 1; i <= kSub; ++i) EXPECT_EQ(buf[i], i * 11);
    EXPECT_EQ(buf[0], kSub * 11);
}

TEST(G729GainEdges, PreemphasisByHand) {
    int16_t x[2] = {100, 200}, y[2], mem = 50;
    ASSERT_EQ(voksPreemphasize_G729A_16s(16384, x, y, 2, &mem), vokStatusOk);
    EXPECT_EQ(y[0], 75);
    EXPECT_EQ(y[1], 150);
    EXPECT_EQ(mem, 200);
    int16_t s[2] = {-32768, 32767};
    mem = 32767;
    ASSERT_EQ(voksPreemphasize_G729A_16s_I(32767, s, 2, &mem), vokStatusOk);
    EXPECT_EQ(s[0], -32768);  // -32768 - 32766 saturates
    EXPECT_EQ(s[1], 32767);   // 32767 + 32767 saturates
    EXPECT_EQ(mem, 32767);
}

TEST(G729GainEdges, PoleZeroSaturatesOrWraps) {
    // b0 = 32767 on x = 32767: w = (32767^2 + 2048) >> 12 = 262128, saturated to 32767 or kept
    // as its low 16 bits (-16); a = 1 passes w through.
    int16_t c[22] = {};
    c[0] = 32767;
    c[11] = 4096;
    int16_t x[50] = {}, y[kSub], mem[10] = {};
    x[10] = 32767;
    ASSERT_EQ(voksIIR16s_G729_16s(c, x, y, mem), vokStatusOk);
    EXPECT_EQ(y[0], 32767);
    EXPECT_EQ(y[1], 0);
    std::memset(mem, 0, sizeof(mem));
    ASSERT_EQ(voksIIR16sLow_G729_16s(c, x, y, mem), vokStatusOk);
    EXPECT_EQ(y[0], -16);
}

TEST(G729GainEdges, FloatFiltersByHand) {
    // y[n] = x[n] + 0.5 y[n-1] on an impulse: 1, 1/2, 1/4, ... exactly.
    const float a[2] = {1.0f, -0.5f};
    float x[8] = {1.0f}, y[8], mem[1] = {0.0f};
    ASSERT_EQ(voksSynthesisFilter_G729_32f(a, 1, x, y, 8, mem), vokStatusOk);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(y[i], 1.0f / static_cast<float>(1 << i));
    EXPECT_EQ(mem[0], y[7]);
    // Order 30 and length 640 are the limits.
    std::vector<float> a30(31, 0.0f), big(640, 1.0f), out(640), m30(30, 0.0f);
    a30[0] = 1.0f;
    ASSERT_EQ(voksSynthesisFilter_G729_32f(a30.data(), 30, big.data(), out.data(), 640, m30.data()), vokStatusOk);
    EXPECT_EQ(out, big);
    // Gain control: g = g * 0.5 + 1 from 0 gives 1, 1.5, 1.75.
    float s[kSub], g = 0.0f;
    for (float& v : s) v = 2.0f;
    ASSERT_EQ(voksGainControl_G729_32f_I(s, &g, 1.0f, 0.5f), vokStatusOk);
    EXPECT_EQ(s[0], 2.0f);
    EXPECT_EQ(s[1], 3.0f);
    EXPECT_EQ(s[2], 3.5f);
    EXPECT_FLOAT_EQ(g, 2.0f);
}

TEST(G729GainEdges, SynthesisMemoryShorterBlocks) {
    // Blocks shorter than the order shift the memory: two calls of 3 equal one call of 6.
    int16_t a[13] = {4096, 800, -600, 400, -300, 200, -100, 50, -25, 12, -6, 3, -1};
    int16_t x[6] = {1000, -2000, 3000, -4000, 5000, -6000};
    int16_t m1[12], m2[12], y1[6], y2[6];
    for (int i = 0; i < 12; ++i) m1[i] = m2[i] = static_cast<int16_t>(i * 10);
    ASSERT_EQ(voksSynthesisFilter_G729E_16s(a, 12, x, y1, 6, m1), vokStatusOk);
    ASSERT_EQ(voksSynthesisFilter_G729E_16s(a, 12, x, y2, 3, m2), vokStatusOk);
    ASSERT_EQ(voksSynthesisFilter_G729E_16s(a, 12, x + 3, y2 + 3, 3, m2), vokStatusOk);
    EXPECT_EQ(0, std::memcmp(y1, y2, sizeof(y1)));
    EXPECT_EQ(0, std::memcmp(m1, m2, sizeof(m1)));
}

TEST(G729GainEdges, SynthesisLongBlocksEqualPieces) {
    // Order 30 over 333 samples in one call, in place, and in pieces of 1, 17, 64 and 251 give
    // the same outputs and memory, for coefficients inside and beyond the exact-sum bound.
    for (int16_t a1 : {int16_t{-3000}, int16_t{-24000}}) {
        int16_t a[31];
        a[0] = 4096;
        a[1] = a1;
        for (int i = 2; i <= 30; ++i) a[i] = static_cast<int16_t>((i % 3 - 1) * (400 - 10 * i));
        std::vector<int16_t> x(333);
        for (size_t i = 0; i < x.size(); ++i) x[i] = static_cast<int16_t>((i * 7919) % 4001 - 2000);
        int16_t m0[30];
        for (int i = 0; i < 30; ++i) m0[i] = static_cast<int16_t>(i * 50 - 700);
        std::vector<int16_t> whole(333), pieces(333), inplace = x;
        int16_t mw[30], mp[30], mi[30];
        std::memcpy(mw, m0, sizeof(m0));
        std::memcpy(mp, m0, sizeof(m0));
        std::memcpy(mi, m0, sizeof(m0));
        ASSERT_EQ(voksSynthesisFilter_G729E_16s(a, 30, x.data(), whole.data(), 333, mw), vokStatusOk);
        ASSERT_EQ(voksSynthesisFilter_G729E_16s_I(a, 30, inplace.data(), 333, mi), vokStatusOk);
        int at = 0;
        for (int n : {1, 17, 64, 251}) {
            ASSERT_EQ(voksSynthesisFilter_G729E_16s(a, 30, x.data() + at, pieces.data() + at, n, mp), vokStatusOk);
            at += n;
        }
        EXPECT_EQ(whole, pieces) << "a1 " << a1;
        EXPECT_EQ(whole, inplace) << "a1 " << a1;
        EXPECT_EQ(0, std::memcmp(mw, mp, sizeof(mw))) << "a1 " << a1;
        EXPECT_EQ(0, std::memcmp(mw, mi, sizeof(mw))) << "a1 " << a1;
        EXPECT_EQ(0, std::memcmp(mw, whole.data() + 303, sizeof(mw))) << "a1 " << a1;
    }
}

}  // namespace

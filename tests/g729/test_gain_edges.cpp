// Edge cases with hand-derived expectations, state layouts and alignment independence of the
// G.729 gain, post-filter and boundary-filter operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "voksc.h"

namespace {

constexpr int kSub = 40;
using V16 = std::vector<int16_t>;

// The G.729 erasure path is golden-tested (DecodeGainWithErasures); Annex D's is not.
TEST(G729GainEdges, AnnexDErasureScalesBothGains) {
    // Annex D: both gains scaled by the caller's factor.
    int16_t gains[2] = {10000, 2001}, past[4] = {0, 0, 0, 0};
    ASSERT_EQ(voksDecodeGain_G729I_16s(0, 16384, past, nullptr, gains), vokStatusOk);
    EXPECT_EQ((V16{5000, 1000, -4096}), (V16{gains[0], gains[1], past[0]}));
}

TEST(G729GainEdges, BitStreamIndicesAreMasked) {
    // G.729 index 3 -> row imap1[3] = 4, index 5 -> row imap2[5] = 15: 1921 + 18973 (Q14); the
    // Annex D index 2 -> row imap1_6k[2] = 4, 6 -> imap2_6k[6] = 6: 3617 + 11956. Indices beyond
    // 3 (4) bits are masked instead of reading past the tables.
    const int16_t masked[2] = {3, 5}, wide[2] = {3 + 8, 5 + 32}, d1[2] = {2, 6}, d2[2] = {2 + 64, 6 - 8};
    for (bool annex_d : {false, true}) {
        int16_t g1[2] = {}, g2[2] = {}, p1[4] = {-14336, -14336, -14336, -14336}, p2[4];
        std::memcpy(p2, p1, sizeof p1);
        auto run = [&](const int16_t* idx, int16_t* past, int16_t* g) {
            return annex_d ? voksDecodeGain_G729I_16s(1 << 26, 0, past, idx, g)
                           : voksDecodeGain_G729_16s(1 << 26, past, idx, g);
        };
        ASSERT_EQ(run(annex_d ? d1 : masked, p1, g1), vokStatusOk);
        ASSERT_EQ(run(annex_d ? d2 : wide, p2, g2), vokStatusOk);
        EXPECT_EQ(0, std::memcmp(g1, g2, sizeof(g1)));
        EXPECT_EQ(0, std::memcmp(p1, p2, sizeof(p1)));
        EXPECT_EQ(g1[0], annex_d ? 3617 + 11956 : 1921 + 18973);
    }
}

// The documented state layout after init and after a call, at an odd address, and no write
// outside the 24 bytes (split calls and copies are covered by the golden streams and G729State).
TEST(G729GainEdges, HighPassStateLayout) {
    int size = 0;
    ASSERT_EQ(voksHighPassFilterSize_G729(&size), vokStatusOk);
    ASSERT_EQ(size, 24);
    static constexpr int16_t kPre[6] = {4096, 7807, -3733, 1899, -3798, 1899};
    uint8_t raw[24 + 2];
    std::memset(raw, 0xEE, sizeof(raw));
    auto* st = reinterpret_cast<VokG729HighPassState*>(raw + 1);
    ASSERT_EQ(voksHighPassFilterInit_G729(kPre, st), vokStatusOk);
    // y1, y2 (32-bit), x1, x2 zero, then the six coefficients as given.
    const uint8_t zeros[12] = {};
    EXPECT_EQ(0, std::memcmp(raw + 1, zeros, 12));
    EXPECT_EQ(0, std::memcmp(raw + 13, kPre, 12));
    int16_t x[3] = {1000, -2000, 3000}, xs[2];
    ASSERT_EQ(voksHighPassFilter_G729_16s_ISfs(x, 3, 12, st), vokStatusOk);
    std::memcpy(xs, raw + 9, 4);  // the last two inputs
    EXPECT_EQ((V16{3000, -2000}), V16(xs, xs + 2));
    EXPECT_EQ(raw[0], 0xEE);
    EXPECT_EQ(raw[25], 0xEE);
}

TEST(G729GainEdges, PhaseDispersionStateInitAndExtent) {
    // The state's evolution is golden-tested; here: init zeroes it, at an odd address, and no
    // call writes outside its 20 bytes.
    int size = 0;
    ASSERT_EQ(voksPhaseDispersionGetStateSize_G729D_16s(&size), vokStatusOk);
    ASSERT_EQ(size, 20);
    uint8_t raw[24];
    std::memset(raw, 0x77, sizeof(raw));
    auto* st = reinterpret_cast<VokG729PhaseDispersionState*>(raw + 1);
    ASSERT_EQ(voksPhaseDispersionInit_G729D_16s(st), vokStatusOk);
    int16_t f[9];
    std::memcpy(f, raw + 1, sizeof(f));
    EXPECT_EQ(V16(9, 0), V16(f, f + 9));
    int16_t code[kSub] = {}, exc[kSub] = {}, out[kSub];
    code[5] = 8192;
    ASSERT_EQ(voksPhaseDispersionUpdate_G729D_16s(9000, 1234, st), vokStatusOk);
    ASSERT_EQ(voksPhaseDispersion_G729D_16s(exc, out, 2000, 100, code, st), vokStatusOk);
    for (int i : {0, 21, 22, 23}) EXPECT_EQ(raw[i], 0x77) << i;
}

// The short-term post-filter's golden records accept either status; here A(z) = 1 (h a unit
// impulse in Q12, sum |h| = 4096 gives g = 1024, the input not scaled, 1/A passing it through)
// reports none, and a loud input through a resonant filter reports the saturation.
TEST(G729GainEdges, ShortTermPostFilterStatus) {
    const int16_t lpc[11] = {4096}, res[11] = {4096, -8000, 3900};
    int16_t src[kSub], sbuf[10 + kSub], h[20];
    for (int i = 0; i < kSub; ++i) src[i] = static_cast<int16_t>(i * 500 - 9000);
    std::fill(sbuf, sbuf + 10, int16_t{1234});
    ASSERT_EQ(voksShortTermPostFilter_G729_16s(lpc, src, sbuf + 10, h), vokStatusOk);
    EXPECT_EQ(0, std::memcmp(sbuf + 10, src, sizeof(src)));
    V16 unit(20, 0);
    unit[0] = 4096;
    EXPECT_EQ(unit, V16(h, h + 20));
    for (int i = 0; i < kSub; ++i) src[i] = i % 8 < 4 ? 32767 : -32768;
    EXPECT_EQ(voksShortTermPostFilter_G729_16s(res, src, sbuf + 10, h), vokStatusOverflow);
    EXPECT_TRUE(
        std::any_of(sbuf + 10, sbuf + 10 + kSub, [](int16_t v) { return v == 32767 || v == -32768; }));
}

TEST(G729GainEdges, PoleZeroSaturation) {
    // b0 = 32767 on x = 32767: w = (32767^2 + 2048) >> 12 = 262128, saturated to 32767 or kept
    // as its low 16 bits (-16); a = 1 passes w through.
    int16_t c[22] = {32767}, px[50] = {}, py[kSub], pm[10] = {};
    c[11] = 4096;
    px[10] = 32767;
    ASSERT_EQ(voksIIR16s_G729_16s(c, px, py, pm), vokStatusOk);
    EXPECT_EQ((V16{32767, 0}), V16(py, py + 2));
    std::memset(pm, 0, sizeof(pm));
    ASSERT_EQ(voksIIR16sLow_G729_16s(c, px, py, pm), vokStatusOk);
    EXPECT_EQ(py[0], -16);
}

}  // namespace

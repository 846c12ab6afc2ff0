// Edge cases with hand-derived expectations, state layouts and alignment independence of the
// G.729 gain, post-filter and boundary-filter operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/basicop.h"
#include "g729/g729_mathop.h"
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

// Exact short cuts against the step-by-step saturating chains of the reference (built here from
// the basic operators) exactly at the bound where a short cut hands over to the chain: the L_mac
// chains behind the pitch gain and the gain quantiser's correlations, and the high-pass section
// around its call-wide bound. Away from the bounds the golden sets run both paths.
using namespace voks;
using namespace voks::g729;

int32_t chain(int32_t start, const int16_t* x, const int16_t* y, int n, bool& overflow) {
    for (int i = 0; i < n; ++i) start = L_mac(start, x[i], y[i], overflow);
    return start;
}

TEST(GainFastPath, ExactChainAtTheBound) {
    // Constant vectors c: every partial sum is a multiple of 2 c^2, the bound 4 Ex Ey <= room^2
    // is tight (2 n c^2 <= room), and the chain saturates just past it.
    struct {
        int16_t c;
        int n;
        int32_t start;
    } const cases[] = {
        {7327, 20, 0},     {7328, 20, 0}, {7327, 20, 1}, {32767, 1, 0},  {-32768, 1, 0},
        {23170, 2, 0},     {23171, 2, 0}, {16383, 4, 3}, {16384, 4, -5}, {5792, 32, 0},
        {5793, 32, 0},     {5181, 40, 0}, {5182, 40, 0}, {5181, 40, -7}, {1000, 40, MAX_32 - 80000000},
        {1000, 40, MIN_32}};  // no room at all: refused
    for (const auto& cs : cases) {
        int16_t v[kSub], w[kSub];
        for (int i = 0; i < kSub; ++i) {
            v[i] = cs.c;
            w[i] = static_cast<int16_t>(i & 1 ? cs.c : -cs.c);
        }
        for (const int16_t* other : {v, w}) {
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
            EXPECT_EQ(ownMacEnergy(cs.start, v, cs.n, got_overflow),
                      chain(cs.start, v, v, cs.n, want_overflow))
                << cs.c << " x " << cs.n;
            EXPECT_EQ(got_overflow, want_overflow) << cs.c << " x " << cs.n;
        }
    }
    // The tight cases decide as the bound says: 2 * 20 * 7327^2 < 2^31 <= 2 * 20 * 7328^2.
    std::vector<int16_t> a(kSub, 7327), b(kSub, 7328);
    int32_t r = 0;
    EXPECT_TRUE(ownMacChainExact(0, a.data(), a.data(), 20, r));
    EXPECT_EQ(r, 2 * 20 * 7327 * 7327);
    EXPECT_FALSE(ownMacChainExact(0, b.data(), b.data(), 20, r));
}

// The reference high-pass section (hi/lo state, Mpy_32_16 and L_mac) beside the library over calls
// of the given lengths, carrying the state across.
void compare_high_pass(const int16_t c[6], int sf, std::vector<int16_t> x, const std::vector<int>& calls) {
    alignas(8) uint8_t raw[64];
    auto* st = reinterpret_cast<VokG729HighPassState*>(raw);
    ASSERT_EQ(vokStatusOk, voksHighPassFilterInit_G729(c, st));
    int16_t y1_hi = 0, y1_lo = 0, y2_hi = 0, y2_lo = 0, x0 = 0, x1 = 0, x2 = 0;
    size_t pos = 0;
    for (int n : calls) {
        if (pos + static_cast<size_t>(n) > x.size()) break;
        std::vector<int16_t> got(x.begin() + pos, x.begin() + pos + n);
        ASSERT_EQ(vokStatusOk, voksHighPassFilter_G729_16s_ISfs(got.data(), n, sf, st));
        for (int i = 0; i < n; ++i, ++pos) {
            x2 = x1;
            x1 = x0;
            x0 = x[pos];
            int32_t t = L_add(Mpy_32_16(y1_hi, y1_lo, c[1]), Mpy_32_16(y2_hi, y2_lo, c[2]));
            t = L_shl(L_mac(L_mac(L_mac(t, x0, c[3]), x1, c[4]), x2, c[5]), static_cast<int16_t>(15 - sf));
            y2_hi = y1_hi;
            y2_lo = y1_lo;
            L_Extract(t, y1_hi, y1_lo);
            ASSERT_EQ(sf == 13 ? round_fx(L_shl(t, 1)) : round_fx(t), got[i])
                << "sample " << pos << " sf " << sf;
        }
    }
}

// The G.729 sets and extreme sets with max|x| at the largest value the bound
// 65538 (|a1| + |a2|) + 2 max|x| (|b0| + |b1| + |b2|) < 2^31 admits, one above it and full scale; square
// waves, impulses, steps and ramps drive the recursion to its extremes.
TEST(HighPassFastPath, InputsAtTheBound) {
    const int16_t sets[][6] = {{8192, 15836, -7667, 7699, -15398, 7699},  // post-processing: bound at 9857
                               {4096, 7807, -3733, 1899, -3798, 1899},    // pre-processing: always within
                               {4096, 20000, -12000, 3000, -6000, 3000},
                               {4096, 16384, 16383, 100, 0, 0},
                               {4096, 0, 0, 32767, 32767, 1},
                               {4096, -32767, 0, 16000, 0, -16000},
                               // a -32768 anywhere: the saturating chain on every sample
                               {4096, -32768, 0, 1899, 0, 0},
                               {4096, 7807, -32768, 1899, 0, 0},
                               {4096, 7807, 0, -32768, 0, 0},
                               {4096, 7807, 0, 1899, -32768, 0},
                               {4096, 7807, 0, 1899, 0, -32768}};
    for (const auto& c : sets) {
        const int64_t a = int64_t{65538} * (std::abs(c[1]) + std::abs(c[2]));
        const int64_t b = std::abs(c[3]) + std::abs(c[4]) + std::abs(c[5]);
        const int64_t xlim = b == 0 ? 32767 : std::max<int64_t>(0, (int64_t{0x7FFFFFFF} - a) / (2 * b));
        for (int64_t top : {xlim, xlim + 1, int64_t{32767}}) {
            const auto v = static_cast<int16_t>(std::min<int64_t>(top, 32767));
            for (int shape = 0; shape < 4; ++shape) {
                std::vector<int16_t> x(400);
                for (size_t i = 0; i < x.size(); ++i)
                    x[i] = static_cast<int16_t>(shape == 0   ? ((i / 7) % 2 ? v : -v)
                                                : shape == 1 ? (i % 40 == 0 ? v : 0)
                                                : shape == 2 ? v
                                                             : static_cast<int>(i * 7919 % (2 * v + 1)) - v);
                for (int sf : {12, 13}) {
                    compare_high_pass(c, sf, x, std::vector<int>(10, 40));
                    if (HasFatalFailure()) return;
                }
            }
        }
    }
}

}  // namespace

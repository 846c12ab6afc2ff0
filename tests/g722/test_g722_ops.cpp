// Single operations on hand-derived cases the reference data does not cover: the QMF delay-line
// layout callers own, and the concealment helpers.
#include <gtest/gtest.h>

#include <cstring>

#include "g722/g722_internal.h"
#include "g722/g722_util.h"

using namespace g722test;
using voks::g722::AdpcmState;

namespace {

constexpr int16_t kCanaryOut = 0x5A5A;

const AdpcmState& fields(Block& b, int off) {
    return *voks::g722::state_at(b.bytes + off);
}

// G.722 inverse-logarithm table ILB and the step size SCALEH gives for a scale factor nb.
int scaleh(int nb) {
    static const int ilb[32] = {2048, 2093, 2139, 2186, 2233, 2282, 2332, 2383, 2435, 2489, 2543,
                                2599, 2656, 2714, 2774, 2834, 2896, 2960, 3025, 3091, 3158, 3228,
                                3298, 3371, 3444, 3520, 3597, 3676, 3756, 3838, 3922, 4008};
    const int k = nb >> 6, shift = 10 - k / 32;
    const int ila = (shift >= 0 ? ilb[k % 32] >> shift : ilb[k % 32] << -shift) - 1;
    return (ila + 1) * 4;
}

TEST(G722Qmf, DelayLineLayout) {
    // Transmit: after the pairs (1, 2), (3, 4) word 2 holds the newest input (4), word 3 the one
    // before it, and so on. Receive: words 2k and 2k+1 hold rl - rh and rl + rh, newest first.
    int16_t d[24] = {0};
    const int16_t in[4] = {1, 2, 3, 4};
    int16_t out[4];
    ASSERT_EQ(voksQMFEncode_G722_16s(in, out, 2, d), vokStatusOk);
    EXPECT_EQ(d[2], 2);
    EXPECT_EQ(d[3], 1);
    ASSERT_EQ(voksQMFEncode_G722_16s(in + 2, out + 2, 2, d), vokStatusOk);
    const int16_t tx[8] = {4, 3, 4, 3, 2, 1, 0, 0};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(d[i], tx[i]) << i;

    int16_t r[24] = {0};
    const int16_t sub[4] = {100, 30, -32768, 32767};
    ASSERT_EQ(voksQMFDecode_G722_16s(sub, out, 4, r), vokStatusOk);
    const int16_t rx[6] = {-32768, -1, -32768, -1, 70, 130};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(r[i], rx[i]) << i;
}

TEST(G722Concealment, StateUpdateRewritesLowerBandMemory) {
    Block b;
    auto* st = b.at<VokG722DecodeState>(9);
    ASSERT_EQ(voksSBADPCMDecodeInit_G722_16s(st), vokStatusOk);
    // Higher band code 2 (largest positive level) raises nbh by 798 per pair, with decay 127/128.
    std::vector<int16_t> codes(40), out(40);
    for (int i = 0; i < 20; ++i) codes[2 * i] = 40, codes[2 * i + 1] = 2;
    ASSERT_EQ(voksSBADPCMDecode_G722_16s(codes.data(), out.data(), 40, 1, st), vokStatusOk);
    const AdpcmState before = fields(b, 9);
    ASSERT_GT(before.nbh, 0);
    const int16_t low[2] = {1001, -777};
    ASSERT_EQ(voksSBADPCMDecodeStateUpdate_G722_16s(low, -333, 0, st), vokStatusOk);
    const AdpcmState& s = fields(b, 9);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(s.dlt[i], 0);
    EXPECT_EQ(s.dlt0, 0);
    EXPECT_EQ(s.plt1, -389);
    EXPECT_EQ(s.plt2, 500);
    EXPECT_EQ(s.rlt1, -777);
    EXPECT_EQ(s.rlt2, 1001);
    EXPECT_EQ(s.sl, -333);
    EXPECT_EQ(s.szl, -167);
    EXPECT_EQ(s.nbh, before.nbh >> 1);
    EXPECT_EQ(s.deth, scaleh(before.nbh >> 1));
    EXPECT_EQ(s.detl, before.detl);
    EXPECT_EQ(s.nbl, before.nbl);
    EXPECT_EQ(std::memcmp(s.bl, before.bl, sizeof s.bl), 0);
    EXPECT_EQ(std::memcmp(s.bh, before.bh, sizeof s.bh), 0);
    EXPECT_EQ(s.al1, before.al1);
    EXPECT_EQ(s.sh, before.sh);

    ASSERT_EQ(voksSBADPCMDecodeStateUpdate_G722_16s(low, 7, 1, st), vokStatusOk);
    EXPECT_EQ(s.detl, 32);
    EXPECT_EQ(s.deth, 8);
    EXPECT_EQ(s.nbl, 0);
    EXPECT_EQ(s.nbh, 0);
    EXPECT_EQ(s.szl, 3);
}

TEST(G722Concealment, StateUpdateRejectsScaleFactorOutsideTable) {
    Block b;
    auto* st = b.at<VokG722DecodeState>(0);
    ASSERT_EQ(voksSBADPCMDecodeInit_G722_16s(st), vokStatusOk);
    AdpcmState& s = *voks::g722::state_at(b.bytes);
    s.nbh = -200;  // (nbh >> 7) & 511 = 510: past the 353-entry table
    const int16_t low[2] = {10, 20};
    EXPECT_EQ(voksSBADPCMDecodeStateUpdate_G722_16s(low, 5, 1, st), vokStatusParamRange);
    EXPECT_EQ(s.nbh, -100);
    EXPECT_EQ(s.deth, 8);
    EXPECT_EQ(s.rlt1, 20);
    EXPECT_EQ(s.sl, 5);
}

TEST(G722Concealment, DownsampleFilter) {
    // Hand-derived: outputs i use x[4i+3-k] * f_k, rounded as (S + 32768) >> 16.
    int16_t x[17] = {0};
    int16_t* p = x + 5;
    p[4] = 16384;
    p[-3] = -20000;
    int16_t out[4] = {kCanaryOut, kCanaryOut, kCanaryOut, kCanaryOut};
    ASSERT_EQ(voksDownsampleFilter_G722_16s(p, 12, out), vokStatusOk);
    EXPECT_EQ(out[0], -2602);  // -20000 * 8525
    EXPECT_EQ(out[1], 2547);   // 16384 * 10186
    EXPECT_EQ(out[2], 1548);   // 16384 * 6190
    EXPECT_EQ(out[3], kCanaryOut);
    int16_t one[2] = {kCanaryOut, kCanaryOut};
    ASSERT_EQ(voksDownsampleFilter_G722_16s(p, 7, one), vokStatusOk);
    EXPECT_EQ(one[0], -2602);
    EXPECT_EQ(one[1], kCanaryOut);
}

TEST(G722Concealment, DownsampleSaturatesFullScale) {
    // The taps sum to 67973: a full-scale input carries the exact sum past 32 bits. It must
    // saturate at both ends rather than wrap to the opposite sign.
    struct Row {
        int16_t value;
        int16_t expected;
    } rows[] = {{32767, 32767}, {-32768, -32768}, {-32767, -32768}, {30000, 31116}};
    for (const Row& r : rows) {
        int16_t x[13];
        std::fill(std::begin(x), std::end(x), r.value);
        int16_t out = 0;
        ASSERT_EQ(voksDownsampleFilter_G722_16s(x + 5, 4, &out), vokStatusOk);
        EXPECT_EQ(out, r.expected) << r.value;
    }
}

TEST(G722Concealment, HighbandFilter) {
    // y = (29212 x + 2^14 >> 15) - (previous such term) + (25656 y' + 2^14 >> 15); lower-band
    // elements and everything at or past the length stay untouched.
    int16_t buf[9] = {11, 10000, 12, 10000, 13, 10000, 14, -20000, 99};
    int16_t st[2] = {0, 0};
    ASSERT_EQ(voksFilterHighband_G722_16s_I(buf, 8, st), vokStatusOk);
    const int16_t expected[9] = {11, 8915, 12, 6980, 13, 5465, 14, -22466, 99};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(buf[i], expected[i]) << i;
    EXPECT_EQ(st[0], -17830);
    EXPECT_EQ(st[1], -22466);

    int16_t odd[4] = {1, 10000, 2, 10000};
    int16_t st2[2] = {0, 0};
    ASSERT_EQ(voksFilterHighband_G722_16s_I(odd, 3, st2), vokStatusOk);
    EXPECT_EQ(odd[1], 8915);
    EXPECT_EQ(odd[3], 10000);  // element 3 lies past the length
}

TEST(G722Concealment, HighbandFilterKeepsItsSignAtFullScale) {
    // Held at -32768 after a full-scale step, the output decays as 25656/32768 of the last one:
    // u = -29212, previous u = -29212, (25656 * 32767 + 2^14) >> 15 = 25655. A 16-bit
    // intermediate difference (54867) would wrap and flip the sign.
    int16_t buf[2] = {0, -32768};
    int16_t st[2] = {-29212, 32767};
    ASSERT_EQ(voksFilterHighband_G722_16s_I(buf, 2, st), vokStatusOk);
    EXPECT_EQ(buf[1], 25655);
    // A full-scale step from -32768 to 32767 saturates instead of wrapping.
    int16_t step[4] = {0, -32768, 0, 32767};
    int16_t st2[2] = {0, 0};
    ASSERT_EQ(voksFilterHighband_G722_16s_I(step, 4, st2), vokStatusOk);
    EXPECT_EQ(step[1], -29212);
    EXPECT_EQ(step[3], 32767);
}

TEST(G722Concealment, ClassUpdateFromScaleFactors) {
    Block b;
    auto* st = b.at<VokG722DecodeState>(0);
    ASSERT_EQ(voksSBADPCMDecodeInit_G722_16s(st), vokStatusOk);
    int16_t x[8] = {0};
    struct Row {
        bool raise_nbh;
        int32_t in, out;
    } rows[] = {{false, 0, 0}, {false, 1, 1}, {false, 7, 7}, {true, 0, 3}, {true, 1, 4}, {true, -5, 4}};
    for (const Row& r : rows) {
        ASSERT_EQ(voksSBADPCMDecodeInit_G722_16s(st), vokStatusOk);
        if (r.raise_nbh) {
            // Lower code 60 (level 0, nbl stays 0), higher code 2 (nbh grows).
            int16_t codes[4] = {60, 2, 60, 2}, out[4];
            ASSERT_EQ(voksSBADPCMDecode_G722_16s(codes, out, 4, 1, st), vokStatusOk);
            ASSERT_GT(fields(b, 0).nbh, fields(b, 0).nbl);
        }
        int32_t cls = r.in;
        ASSERT_EQ(voksClassifyFrame_G722_16s_I(x + 2, 0, &cls, st), vokStatusOk);
        EXPECT_EQ(cls, r.out) << r.in << (r.raise_nbh ? " nbh > nbl" : "");
    }
}

TEST(G722Concealment, ClassLimitsJumpsAbovePreviousPeriod) {
    Block b;
    auto* st = b.at<VokG722DecodeState>(0);
    ASSERT_EQ(voksSBADPCMDecodeInit_G722_16s(st), vokStatusOk);
    // P = 10: the first period holds 100s; the second gets limited to the local maximum of the
    // first (1000 and -1000 are eight times above it: events; 150 is limited only).
    int16_t buf[2 + 20];
    int16_t* x = buf + 2;
    for (int i = -2; i < 10; ++i) x[i] = 100;
    const int16_t second[10] = {1000, 100, 100, 150, 100, -1000, 100, 100, 100, 50};
    std::memcpy(x + 10, second, sizeof second);
    int32_t cls = 3;
    ASSERT_EQ(voksClassifyFrame_G722_16s_I(x, 10, &cls, st), vokStatusOk);
    const int16_t expected[10] = {100, 100, 100, 100, 100, -100, 100, 100, 100, 50};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(x[10 + i], expected[i]) << i;
    EXPECT_EQ(cls, 2);

    // Limited but no event: class stays; -32768 counts as 32767.
    for (int i = -2; i < 10; ++i) x[i] = static_cast<int16_t>(i == 4 ? -32768 : 5000);
    for (int i = 10; i < 20; ++i) x[i] = 6000;
    cls = 4;
    ASSERT_EQ(voksClassifyFrame_G722_16s_I(x, 10, &cls, st), vokStatusOk);
    EXPECT_EQ(cls, 4);
    for (int i = 10; i < 20; ++i) {
        // Windows i-2..i+2 around 4 see 32767; the others 5000 (or a replaced 5000).
        const int src = i - 10;
        EXPECT_EQ(x[i], (src >= 2 && src <= 6) ? 6000 : 5000) << i;
    }

    // Classes other than 3 and 4 leave the signal alone.
    for (int i = 10; i < 20; ++i) x[i] = 30000;
    cls = 1;
    ASSERT_EQ(voksClassifyFrame_G722_16s_I(x, 10, &cls, st), vokStatusOk);
    EXPECT_EQ(cls, 1);
    EXPECT_EQ(x[15], 30000);
}

}  // namespace

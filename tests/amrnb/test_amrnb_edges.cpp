// GSM-AMR edge cases with hand-derived results.
#include <gtest/gtest.h>

#include <cstring>

#include "voksc.h"

namespace {

TEST(AmrnbEdges, InterpolateIsAQuarterOfTheFirstAndThreeQuartersOfTheSecond) {
    const Vok16s a[3] = {4, -4, 32767}, b[3] = {8, -8, -32768}, want[3] = {7, -7, 8191 - 32768 + 8192};
    Vok16s got[3];
    ASSERT_EQ(voksInterpolate_GSMAMR_16s(a, b, got, 3), vokStatusOk);
    EXPECT_EQ(std::memcmp(got, want, sizeof got), 0);
}

TEST(AmrnbEdges, PreemphasisTruncatesSaturatesAndRunsInPlace) {
    struct Case {
        Vok16s gamma, mem, x[2], want[2];
    } cases[] = {
        {-26214, 500, {1000, 1000}, {600, 200}},         // floor(-399.99) = -400, floor(-799.99) = -800
        {32767, 32767, {32767, 32767}, {32767, 32767}},  // saturated
        {32767, -32768, {-32768, -32768}, {-32768, -32768}},
        {0, 123, {-5, 7}, {-5, 7}},
    };
    for (const Case& c : cases) {
        Vok16s out[2], mem = c.mem, inplace[2] = {c.x[0], c.x[1]}, mem2 = c.mem;
        ASSERT_EQ(voksPreemphasize_GSMAMR_16s(c.gamma, c.x, out, 2, &mem), vokStatusOk);
        ASSERT_EQ(voksPreemphasize_GSMAMR_16s(c.gamma, inplace, inplace, 2, &mem2), vokStatusOk);
        EXPECT_EQ(std::memcmp(out, c.want, sizeof out), 0) << c.gamma;
        EXPECT_EQ(std::memcmp(inplace, c.want, sizeof out), 0) << c.gamma;
        EXPECT_EQ(mem, c.x[1]);
        EXPECT_EQ(mem2, c.x[1]);
    }
}

TEST(AmrnbEdges, LsfToLspStopsAtANegativeLsfAndClampsTheTop) {
    const Vok16s lsf[10] = {0, 16383, 32767, -1, 100, 200, 300, 400, 500, 600};
    Vok16s lsp[10];
    std::memset(lsp, 0x5A, sizeof lsp);
    EXPECT_EQ(voksLSFToLSP_GSMAMR_16s(lsf, lsp), vokStatusLsfDomain);
    // cos[0]; cos[63] + (-39 * 255 >> 8) = -32729 - 39; the clamped top gives the same.
    EXPECT_EQ(lsp[0], 32767);
    EXPECT_EQ(lsp[1], -32768);
    EXPECT_EQ(lsp[2], -32768);
    EXPECT_EQ(lsp[3], 0x5A5A);
}

// Filters whose polynomials have fewer than 10 roots on the grid (checked with the reference
// Az_lsp): the previous LSPs are returned.
TEST(AmrnbEdges, LpcToLspKeepsThePreviousLspsWhenRootsAreMissing) {
    const Vok16s cases[3][11] = {
        {4096, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767},
        {4096, -32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768},
        {4096, 8000}};
    Vok16s prev[10], lsp[10];
    for (int i = 0; i < 10; ++i) prev[i] = static_cast<Vok16s>(1000 * i + 7);
    for (const auto& a : cases) {
        ASSERT_EQ(voksLPCToLSP_GSMAMR_16s(a, prev, lsp), vokStatusOk);
        EXPECT_EQ(std::memcmp(lsp, prev, sizeof lsp), 0) << a[1];
    }
}

TEST(AmrnbEdges, PitchGainOfZeroTargetAndItsLimit) {
    Vok16s y[40], x[40] = {}, g = -1, coeff[4];
    for (int i = 0; i < 40; ++i) y[i] = static_cast<Vok16s>(i % 2 ? 1000 : -700);
    ASSERT_EQ(voksAdaptiveCodebookGainCoeffs_GSMAMR_16s(x, y, &g, coeff), vokStatusOk);
    EXPECT_EQ(g, 0);
    EXPECT_EQ(coeff[2], 0x4000);  // 1 normalised: round(0x40000000) >> 16, shift 30
    EXPECT_EQ(coeff[3], 15 - 30);
    for (int i = 0; i < 40; ++i) x[i] = static_cast<Vok16s>(2 * y[i]);
    ASSERT_EQ(voksAdaptiveCodebookGain_GSMAMR_16s(x, y, &g), vokStatusOk);
    EXPECT_EQ(g, 19661);
}

TEST(AmrnbEdges, PreemphasisOfOneSampleUsesTheMemory) {
    Vok16s x = 100, y = 0, mem = -1000;
    ASSERT_EQ(voksPreemphasize_GSMAMR_16s(16384, &x, &y, 1, &mem), vokStatusOk);
    EXPECT_EQ(y, 100 - 500);
    EXPECT_EQ(mem, 100);
}

TEST(AmrnbEdges, SidOfTheLowestEnergyGivesTheLowestPredictorMemories) {
    Vok16s hist[80], en[8], index = 5, init = -1, lsf[3], pred[4], pred122[4];
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 10; ++j) hist[10 * i + j] = static_cast<Vok16s>(30000 - 6000 * j);
        en[i] = -32768;
    }
    ASSERT_EQ(voksEncDTXSID_GSMAMR_16s(hist, en, &index, &init, lsf, pred, pred122, 1), vokStatusOk);
    EXPECT_EQ(index, 0);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pred[i], -11560);    // 0 * 256 - 2560 - 9000
        EXPECT_EQ(pred122[i], -1921);  // floor(-11560 * 5443 / 32768)
    }
}

TEST(AmrnbEdges, PostFilterOfSilenceClearsTheGainState) {
    Vok16s a[44] = {}, x[160] = {}, out[160], pre = 7, gain = 4096, hist[10] = {}, mem[10] = {};
    for (int k = 0; k < 4; ++k) a[11 * k] = 4096;
    ASSERT_EQ(voksPostFilter_GSMAMR_16s(a, x, &pre, &gain, hist, mem, out, vokRate7400), vokStatusOk);
    EXPECT_EQ(gain, 0);
    for (Vok16s v : out) EXPECT_EQ(v, 0);
}

TEST(AmrnbEdges, DtxHandlerStates) {
    struct Case {
        Vok16s hang, elapsed;
        int vad;
        Vok16s want_hang, want_elapsed, want_used, want_sid;
    } cases[] = {
        {3, 32767, 1, 7, 32767, vokRate7400, 0},  // speech: hangover reloaded, count does not wrap
        {0, 40, 0, 0, 0, vokRateDTX, 1},          // hangover over: SID computed
        {7, 10, 0, 6, 11, vokRateDTX, 0},         // 11 + 6 < 30: DTX without a new SID
        {7, 30, 0, 6, 31, vokRate7400, 0},        // long since the last SID: speech hangover
    };
    for (const Case& c : cases) {
        Vok16s hang = c.hang, elapsed = c.elapsed, used = vokRate7400, sid = -1;
        ASSERT_EQ(voksEncDTXHandler_GSMAMR_16s(&hang, &elapsed, &used, &sid, c.vad), vokStatusOk);
        EXPECT_EQ(hang, c.want_hang);
        EXPECT_EQ(elapsed, c.want_elapsed);
        EXPECT_EQ(used, c.want_used);
        EXPECT_EQ(sid, c.want_sid);
    }
}

TEST(AmrnbEdges, DtxHistoryWrapsAndKeepsAnyPointerInside) {
    Vok16s frame[160] = {}, lsp[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, hist[80] = {}, en[8] = {};
    for (Vok16s start : {Vok16s{7}, Vok16s{-1}, Vok16s{32767}}) {
        Vok16s ptr = start;
        ASSERT_EQ(voksEncDTXBuffer_GSMAMR_16s(frame, lsp, &ptr, hist, en), vokStatusOk);
        EXPECT_EQ(ptr, static_cast<Vok16s>((start + 1) & 7));
        EXPECT_EQ(std::memcmp(hist + 10 * ptr, lsp, sizeof lsp), 0);
        // A silent frame: log2 of 0 is taken as 0, so the Q10 energy is -log2(160), halved.
        EXPECT_EQ(en[ptr], -8521 >> 1);
    }
}

}  // namespace

// G.728 operations: argument checks (order, nothing written on a failure), state sizes, and
// edge cases with hand-derived results.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "support/args.h"

namespace {

using argcheck::at;
using argcheck::kNull;
using argcheck::kRange;
using argcheck::kSf;
using argcheck::kSize;
using std::tuple;

struct Bufs {
    int16_t win[105], src[300], acf[51], lpc[50], coeffs[70], out[240], out2[8], e[128];
    int16_t rc = 0, energy = 1000, scale = 15, word = 0;
    int size = 0, period = 50, dist = 0;
    uint8_t path[64] = {0};
    alignas(16) unsigned char wh[512], wb[512], comb[208], syn[144], iir[64], pf[64], ad[176];
    Bufs() {
        std::fill(std::begin(win), std::end(win), int16_t{20000});
        for (int i = 0; i < 300; ++i) src[i] = static_cast<int16_t>((i * 7919) % 4000 - 2000);
        for (int b = 0; b < 21; ++b) src[b * 6] = 14;
        for (int i = 0; i <= 50; ++i) acf[i] = static_cast<int16_t>(30000 >> (i / 4));
        std::fill(std::begin(lpc), std::end(lpc), int16_t{0});
        std::fill(std::begin(coeffs), std::end(coeffs), int16_t{100});
        std::fill(std::begin(out), std::end(out), int16_t{0x5A5A});
        std::fill(std::begin(out2), std::end(out2), int16_t{0x5A5A});
        std::fill(std::begin(e), std::end(e), int16_t{1000});
        voksWinHybridInit_G728_16s(win, 10, 30, 20, 0, 8192, reinterpret_cast<VokG728WinHybridState*>(wh));
        voksWinHybridInit_G728_16s(win, 50, 35, 20, 5, 12288, reinterpret_cast<VokG728WinHybridState*>(wb));
        voksCombinedFilterInit_G728_16s(reinterpret_cast<VokG728CombinedFilterState*>(comb));
        voksSynthesisFilterInit_G728_16s(reinterpret_cast<VokG728SynthesisFilterState*>(syn));
        voksIIR16sInit_G728_16s(reinterpret_cast<VokG728IIR16sState*>(iir));
        voksPostFilterInit_G728_16s(reinterpret_cast<VokG728PostFilterState*>(pf));
        voksPostFilterAdapterStateInit_G728(reinterpret_cast<VokG728PostFilterAdapterState*>(ad));
    }
    template <class T>
    T* st(unsigned char* p) {
        return reinterpret_cast<T*>(p);
    }
};

TEST(G728Args, FailedChecksWriteNothing) {
    // clang-format off
    ARGS(voksWinHybridGetStateSize_G728_16s, [](Bufs& b) { return tuple(50, 35, 20, 5, &b.size); })
        .fail(kSize, at<0>(0)).fail(kSize, at<1>(0)).fail(kSize, at<2>(-1));
    ARGS(voksWinHybridInit_G728_16s, [](Bufs& b) { return tuple(b.win, 10, 30, 20, 0, 8192, b.st<VokG728WinHybridState>(b.wh)); })
        .fail(kSize, at<1>(0)).fail(kSize, at<4>(7)).fail(kRange, at<5>(16384));
    ARGS(voksWinHybrid_G728_16s, [](Bufs& b) { return tuple(1, b.src, b.acf, b.st<VokG728WinHybridState>(b.wh)); })
        .fail(vokStatusWrongContext, [](Bufs& b) { std::copy(b.wb, b.wb + 64, b.wh); });
    ARGS(voksWinHybridBlock_G728_16s, [](Bufs& b) { return tuple(1, b.src, b.acf, &b.scale, b.st<VokG728WinHybridState>(b.wb)); });
    ARGS(voksLevinsonDurbin_G728_16s_Sfs, [](Bufs& b) { return tuple(b.acf, 10, b.lpc, &b.rc, &b.energy, &b.scale); })
        .fail(kRange, at<1>(-1)).fail(kRange, [](Bufs& b) { b.acf[0] = 0; })
        .quiet(vokStatusOverflow, [](Bufs& b) { b.acf[1] = b.acf[0]; b.acf[2] = -b.acf[0]; });
    ARGS(voksLevinsonDurbin_G728_16s_ISfs, [](Bufs& b) { return tuple(b.acf, 0, 10, b.lpc, &b.energy, &b.scale); })
        .fail(kRange, at<1>(-1)).fail(kRange, at<1>(11)).fail(kSf, [](Bufs& b) { b.scale = 16; });
    ARGS(voksCombinedFilterGetStateSize_G728_16s, [](Bufs& b) { return tuple(&b.size); });
    ARGS(voksCombinedFilterInit_G728_16s, [](Bufs& b) { return tuple(b.st<VokG728CombinedFilterState>(b.comb)); });
    ARGS(voksCombinedFilterZeroInput_G728_16s, [](Bufs& b) { return tuple(b.coeffs, b.out, b.lpc, b.st<VokG728CombinedFilterState>(b.comb)); });
    ARGS(voksCombinedFilterZeroState_G728_16s, [](Bufs& b) { return tuple(b.src, b.coeffs, b.out, 0, &b.scale, b.out2, b.st<VokG728CombinedFilterState>(b.comb)); });
    ARGS(voksSynthesisFilterGetStateSize_G728_16s, [](Bufs& b) { return tuple(&b.size); });
    ARGS(voksSynthesisFilterInit_G728_16s, [](Bufs& b) { return tuple(b.st<VokG728SynthesisFilterState>(b.syn)); });
    ARGS(voksSyntesisFilterZeroInput_G728_16s, [](Bufs& b) { return tuple(b.lpc, b.out, 1, &b.scale, b.out2, b.st<VokG728SynthesisFilterState>(b.syn)); });
    ARGS(voksIIR16sGetStateSize_G728_16s, [](Bufs& b) { return tuple(&b.size); });
    ARGS(voksIIR16sInit_G728_16s, [](Bufs& b) { return tuple(b.st<VokG728IIR16sState>(b.iir)); });
    ARGS(voksIIR16s_G728_16s, [](Bufs& b) { return tuple(b.coeffs, b.src, b.out, 5, b.st<VokG728IIR16sState>(b.iir)); })
        .fail(kSize, at<3>(0));
    ARGS(voksImpulseResponseEnergy_G728_16s, [](Bufs& b) { return tuple(b.src, b.e); });
    ARGS(voksCodebookSearch_G728_16s, [](Bufs& b) { return tuple(b.src, b.coeffs, b.e, &b.word, b.out2, vokRate16000); })
        .fail(kRange, at<5>(vokRate16000 - 1)).fail(kRange, at<5>(vokRate12200));
    ARGS(voksCodebookSearchTCQ_G728_16s8u, [](Bufs& b) { return tuple(b.src, b.coeffs, b.e, b.path, b.out, &b.dist, 8, 0); })
        .fail(kSize, at<6>(0)).fail(kSize, at<6>(65)).fail(kRange, at<7>(-1)).fail(kRange, at<7>(4));
    ARGS(voksPostFilterGetStateSize_G728_16s, [](Bufs& b) { return tuple(&b.size); });
    ARGS(voksPostFilterInit_G728_16s, [](Bufs& b) { return tuple(b.st<VokG728PostFilterState>(b.pf)); });
    ARGS(voksPostFilter_G728_16s, [](Bufs& b) { return tuple(Vok16s{16384}, Vok16s{0}, Vok16s{40}, Vok16s{0}, b.coeffs, b.src + 200, b.out, b.st<VokG728PostFilterState>(b.pf)); })
        .fail(kRange, at<2>(Vok16s{0}));
    ARGS(voksPostFilterAdapterGetStateSize_G728, [](Bufs& b) { return tuple(&b.size); });
    ARGS(voksPostFilterAdapterStateInit_G728, [](Bufs& b) { return tuple(b.st<VokG728PostFilterAdapterState>(b.ad)); });
    ARGS(voksLPCInverseFilter_G728_16s, [](Bufs& b) { return tuple(b.src, b.coeffs, b.out, b.st<VokG728PostFilterAdapterState>(b.ad)); });
    ARGS(voksPitchPeriodExtraction_G728_16s, [](Bufs& b) { return tuple(b.src, &b.period, b.st<VokG728PostFilterAdapterState>(b.ad)); })
        .fail(kRange, [](Bufs& b) { b.period = 19; }).fail(kRange, [](Bufs& b) { b.period = 141; });
    // clang-format on
}

TEST(G728Args, StateSizes) {
    int n = 0;
    const struct {
        VokStatus (*fn)(int*);
        int bytes;
    } fixed[] = {{voksCombinedFilterGetStateSize_G728_16s, 208},
                 {voksSynthesisFilterGetStateSize_G728_16s, 144},
                 {voksIIR16sGetStateSize_G728_16s, 64},
                 {voksPostFilterGetStateSize_G728_16s, 64},
                 {voksPostFilterAdapterGetStateSize_G728, 176}};
    for (const auto& f : fixed) {
        ASSERT_EQ(f.fn(&n), vokStatusOk);
        EXPECT_EQ(n, f.bytes);
    }
    // 2 (L2 + L3 + 2 L1) + 36 (+ 2 (L1 + L2 + L3) / D) + 16.
    const int windows[][5] = {
        {35, 20, 50, 0, 332}, {50, 35, 20, 5, 2 * 155 + 36 + 42 + 16}, {10, 30, 20, 0, 192}};
    for (const auto& w : windows) {
        ASSERT_EQ(voksWinHybridGetStateSize_G728_16s(w[0], w[1], w[2], w[3], &n), vokStatusOk);
        EXPECT_EQ(n, w[4]);
    }
}

TEST(G728Edges, PostFilterStages) {
    // g0 = 1 and b1 = 1 (Q14), nothing else: y[n] = x[n] + x[n-1] saturated; with mu = 1/2 the
    // output adds half the previous y, floored.
    const struct {
        int16_t mu;
        int16_t x[5];
        int16_t want[5];
    } cases[] = {
        {0, {1000, 2000, -3000, 32767, 32767}, {1000, 3000, -1000, 29767, 32767}},
        {8192, {1000, 2000, -3000, 5, -7}, {1000, 3500, 500, -3495, -1500}},
    };
    for (const auto& c : cases) {
        alignas(16) unsigned char st[64];
        voksPostFilterInit_G728_16s(reinterpret_cast<VokG728PostFilterState*>(st));
        int16_t coeffs[20] = {16384}, x[45] = {}, out[5];
        std::copy(c.x, c.x + 5, x + 40);
        ASSERT_EQ(voksPostFilter_G728_16s(16384, 0, 40, c.mu, coeffs, x + 40, out,
                                          reinterpret_cast<VokG728PostFilterState*>(st)),
                  vokStatusOk);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(out[i], c.want[i]) << i;
    }
}

TEST(G728Edges, IirSplitsAnywhere) {
    int16_t c[20], x[75], one[75], parts[75];
    for (int i = 0; i < 20; ++i) c[i] = static_cast<int16_t>((i * 3571) % 9000 - 4500);
    for (int i = 0; i < 75; ++i) x[i] = static_cast<int16_t>((i * 7919) % 30000 - 15000);
    alignas(16) unsigned char s1[64], s2[64];
    auto* a = reinterpret_cast<VokG728IIR16sState*>(s1);
    auto* b = reinterpret_cast<VokG728IIR16sState*>(s2);
    voksIIR16sInit_G728_16s(a);
    voksIIR16sInit_G728_16s(b);
    voksIIR16s_G728_16s(c, x, one, 75, a);  // longer than one internal chunk
    int done = 0;
    for (const int n : {5, 1, 7, 5, 5, 40, 12}) {
        voksIIR16s_G728_16s(c, x + done, parts + done, n, b);
        done += n;
    }
    EXPECT_TRUE(std::equal(one, one + 75, parts));
}

}  // namespace

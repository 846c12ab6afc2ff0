// Golden data of the G.729 Annex A Az_lsp (coarse grid) and of the Annex E routines Levinsone
// (orders 1..30), autocorr_hyb_window and Qua_lspe, on SPEECH.IN and seeded random inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "frame/dispatch.h"
#include "support/external.h"
#include "support/golden.h"
#include "voksc.h"

namespace {

const int16_t kLspInit[10] = {30000, 26000, 21000, 15000, 8000, 0, -8000, -15000, -21000, -26000};
const int16_t kMemInit[10] = {2339, 4679, 7018, 9358, 11698, 14037, 16377, 18717, 21056, 23396};

class G729LpGoldenAnnex : public ::testing::TestWithParam<voks::frame::Level> {
protected:
    void SetUp() override {
        speech_ = golden::speech();
        if (speech_.empty())
            VOKSC_MISSING() << "SPEECH.IN not found under " << voksc_test::vector_path("g729/main");
        if (voks::frame::force_level(GetParam()) != GetParam()) GTEST_SKIP() << "level not supported here";
    }
    void TearDown() override { voks::frame::force_level(voks::frame::detected_level()); }
    std::vector<int16_t> speech_;
};

// The LP filter of a frame as the encoder computes it: lag-windowed Levinson, keeping the
// previous filter when the recursion is unstable.
void frame_lpc(const std::vector<int16_t>& sp, int f, int16_t* a_prev) {
    int16_t x[240], a[11], rc[10], err;
    int32_t r[11];
    golden::frame(sp, f, x);
    golden::autocorr(x, 10, r);
    voksLagWindow_G729_32s_I(r + 1, 10);
    if (voksLevinsonDurbin_G729_32s16s(r, 10, a, rc, &err) == vokStatusOk) std::memcpy(a_prev, a, sizeof(a));
}

TEST_P(G729LpGoldenAnnex, AzLspCoarseGrid) {
    golden::Digested g("az_lsp_a.gld");
    ASSERT_TRUE(g.ok());
    const int frames = static_cast<int>(speech_.size()) / 80;
    int16_t a_prev[11] = {4096}, lsp_old[10];
    std::memcpy(lsp_old, kLspInit, sizeof(lsp_old));
    for (int f = 0; f < frames; ++f) {
        frame_lpc(speech_, f, a_prev);
        int16_t lsp[10];
        ASSERT_EQ(voksLPCToLSP_G729A_16s(a_prev, lsp_old, lsp), vokStatusOk);
        g.add(lsp);
        std::memcpy(lsp_old, lsp, sizeof(lsp));
    }
    golden::Rng rng{0x617A6C0003ull};
    for (int c = 0; c < 3000; ++c) {
        int16_t a[11], lsp[10];
        const int lim = c % 3 == 0 ? 8192 : (c % 3 == 1 ? 32767 : 2000);
        a[0] = 4096;
        for (int k = 1; k <= 10; ++k) a[k] = static_cast<int16_t>(rng.range(-lim - (lim == 32767), lim));
        ASSERT_EQ(voksLPCToLSP_G729A_16s(a, kLspInit, lsp), vokStatusOk);
        g.add(lsp);
    }
    g.finish();
}

// Record: status (1 = unstable), a[31] and rc[30] (zero beyond the order).
void levinson_e_rec(const int32_t* r, int m, int16_t* rec) {
    std::fill(rec, rec + 62, int16_t{0});
    int16_t err = 0;
    const VokStatus st = voksLevinsonDurbin_G729_32s16s(r, m, rec + 1, rec + 32, &err);
    if (st != vokStatusOk) {
        EXPECT_EQ(st, vokStatusOverflow);
        std::fill(rec, rec + 62, int16_t{0});
        rec[0] = 1;
    }
}

TEST_P(G729LpGoldenAnnex, LevinsonOrders1To30) {
    golden::Digested g("levinson_e.gld");
    ASSERT_TRUE(g.ok());
    const int total = static_cast<int>(speech_.size()), frames = total / 80;
    int16_t x[240], rec[62];
    int32_t r[31];
    for (int f = 0; f < frames; ++f) {
        golden::frame(speech_, f, x);
        golden::autocorr(x, 30, r);
        levinson_e_rec(r, 1 + f % 30, rec);
        g.add(rec);
    }
    golden::Rng rng{0x6C65650007ull};
    for (int c = 0; c < 2000; ++c) {
        golden::signal(rng, c % 5, x, 240);
        golden::autocorr(x, 30, r);
        levinson_e_rec(r, 1 + c % 30, rec);
        g.add(rec);
    }
    for (int c = 0; c < 1000; ++c) {
        r[0] = rng.range(0x40000000, 0x7FFFFFFF);
        for (int k = 1; k <= 30; ++k) r[k] = rng.range(-r[0], r[0]);
        levinson_e_rec(r, 1 + c % 30, rec);
        g.add(rec);
    }
    g.finish();
}

TEST_P(G729LpGoldenAnnex, HybridWindow) {
    golden::Digested g("win_hybrid.gld");
    ASSERT_TRUE(g.ok());
    int size = 0;
    ASSERT_EQ(voksWinHybridGetStateSize_G729E_16s(&size), vokStatusOk);
    std::vector<uint8_t> mem(static_cast<size_t>(size) + 1);
    // An odd address: the state needs no alignment.
    auto* state = reinterpret_cast<VokWinHybridState_G729E_16s*>(mem.data() + 1);
    int32_t rec[62];
    auto run = [&](const int16_t* x) {
        ASSERT_EQ(voksWinHybrid_G729E_16s32s(x, rec, state), vokStatusOk);
        std::memcpy(rec + 31, state, 124);
        g.add(rec);
    };
    ASSERT_EQ(voksWinHybridInit_G729E_16s(state), vokStatusOk);
    const int total = static_cast<int>(speech_.size());
    for (int f = 0; 80 * f + 145 <= total; ++f) run(speech_.data() + 80 * f);
    ASSERT_EQ(voksWinHybridInit_G729E_16s(state), vokStatusOk);
    golden::Rng rng{0x6877620008ull};
    for (int c = 0; c < 1000; ++c) {
        int16_t s[145];
        golden::signal(rng, c % 5, s, 145);
        run(s);
    }
    g.finish();
}

TEST_P(G729LpGoldenAnnex, AnnexEQuantiser) {
    golden::Digested g("qua_lspe.gld");
    ASSERT_TRUE(g.ok());
    int16_t mem[40];
    auto quantise = [&](const int16_t* lsp, int f) {
        int16_t rec[22], before[40];
        std::memcpy(before, mem, sizeof(mem));
        ASSERT_EQ(voksLSPQuant_G729E_16s(lsp, mem, rec + 12, rec, rec + 10), vokStatusOk);
        EXPECT_EQ(0, std::memcmp(before, mem, sizeof(mem))) << "the memory is only read";
        if (f % 7 != 3) {  // frames the caller keeps: push the residual
            std::memmove(mem + 10, mem, 60);
            std::memcpy(mem, rec + 12, 20);
        }
        g.add(rec);
    };
    for (int i = 0; i < 4; ++i) std::memcpy(mem + 10 * i, kMemInit, 20);
    const int frames = static_cast<int>(speech_.size()) / 80;
    int16_t a_prev[11] = {4096}, lsp_old[10];
    std::memcpy(lsp_old, kLspInit, sizeof(lsp_old));
    for (int f = 0; f < frames; ++f) {
        frame_lpc(speech_, f, a_prev);
        int16_t lsp[10];
        voksLPCToLSP_G729_16s(a_prev, lsp_old, lsp);
        std::memcpy(lsp_old, lsp, sizeof(lsp));
        quantise(lsp, f);
    }
    golden::Rng rng{0x7165650009ull};
    for (int c = 0; c < 40; ++c) {
        for (int i = 0; i < 40; ++i) mem[i] = static_cast<int16_t>(rng.range(-3000, 26000));
        for (int f = 0; f < 50; ++f) {
            int16_t lsp[10];
            for (int k = 0; k < 10; ++k) lsp[k] = static_cast<int16_t>(rng.range(-32000, 32000));
            std::sort(lsp, lsp + 10, std::greater<int16_t>());
            quantise(lsp, f);
        }
    }
    g.finish();
}

INSTANTIATE_TEST_SUITE_P(Levels, G729LpGoldenAnnex,
                         ::testing::Values(voks::frame::Level::Scalar, voks::frame::Level::AVX2));

}  // namespace

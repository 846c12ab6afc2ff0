// The single-precision operations against the G.729 floating-point reference (Annex C in single
// precision: levinson, az_lsp on both grids, lsp_az, lsp_iqua_cs; Annex C+: qua_lspe,
// autocorr_hyb_window). Results must agree within a small tolerance; indices and root-search
// fallbacks must agree exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "support/external.h"
#include "support/golden.h"
#include "voksc.h"

namespace {

const int16_t kLspInit[10] = {30000, 26000, 21000, 15000, 8000, 0, -8000, -15000, -21000, -26000};
const float kMemInitF[10] = {0.285599f, 0.571199f, 0.856798f, 1.142397f, 1.427997f,
                             1.713596f, 1.999195f, 2.284795f, 2.570394f, 2.855993f};

// Largest |ours - ref| / max(1, |ref|) over n values.
float worst(const float* ours, const float* ref, int n) {
    float w = 0.0f;
    for (int i = 0; i < n; ++i)
        w = std::max(w, std::fabs(ours[i] - ref[i]) / std::max(1.0f, std::fabs(ref[i])));
    return w;
}

class G729LpGoldenFloat : public ::testing::Test {
protected:
    void SetUp() override {
        speech_ = golden::speech();
        if (speech_.empty())
            VOKSC_MISSING() << "SPEECH.IN not found under " << voksc_test::vector_path("g729/main");
    }
    // The autocorrelation inputs of levinson_f: every third speech frame, then 500 test signals.
    std::vector<std::vector<float>> autocorrelations(golden::Rng& rng) const {
        const int total = static_cast<int>(speech_.size()), frames = total / 80;
        std::vector<std::vector<float>> out;
        for (int c = 0; c < frames / 3 + 500; ++c) {
            int16_t x[240];
            int32_t r[11];
            if (c < frames / 3)
                golden::frame(speech_, 3 * c, x);
            else
                golden::signal(rng, c % 5, x, 240);
            golden::autocorr(x, 10, r);
            std::vector<float> rf(11);
            for (int k = 0; k <= 10; ++k)
                rf[static_cast<size_t>(k)] = static_cast<float>(r[k]) / 2147483648.0f;
            out.push_back(rf);
        }
        return out;
    }
    std::vector<int16_t> speech_;
};

TEST_F(G729LpGoldenFloat, Levinson) {
    golden::Digested g("levinson_f.gld");
    ASSERT_TRUE(g.ok());
    golden::Rng rng{0x666C740010ull};
    const auto rs = autocorrelations(rng);
    ASSERT_EQ(rs.size(), g.stored());
    float w = 0.0f;
    for (size_t c = 0; c < rs.size(); ++c) {
        float out[22];
        ASSERT_EQ(voksLevinsonDurbin_G729_32f(rs[c].data(), 10, out, out + 11, out + 21), vokStatusOk);
        w = std::max(w, worst(out, g.record<float>(c), 22));
    }
    EXPECT_LT(w, 2e-4f);
}

// az_lsp on the reference levinson outputs, each frame from the reference's previous LSPs.
void check_az_lsp(const golden::Digested& lev, const golden::Digested& az, bool coarse) {
    golden::Rng rng{0x666C740010ull};
    float prev[10];
    for (int k = 0; k < 10; ++k) prev[k] = kLspInit[k] / 32768.0f;
    float w = 0.0f;
    size_t c = 0;
    for (; c < lev.stored(); ++c) {
        float lsp[10];
        const VokStatus st = coarse ? voksLPCToLSP_G729A_32f(lev.record<float>(c), prev, lsp)
                                    : voksLPCToLSP_G729_32f(lev.record<float>(c), prev, lsp);
        ASSERT_EQ(st, vokStatusOk);
        w = std::max(w, worst(lsp, az.record<float>(c), 10));
        std::memcpy(prev, az.record<float>(c), sizeof(prev));
    }
    // Replay the generator past the test signals, then arbitrary coefficients.
    for (int i = 0; i < 500; ++i) {
        int16_t x[240];
        golden::signal(rng, i % 5, x, 240);
    }
    for (int i = 0; i < 500; ++i, ++c) {
        float a[11], lsp[10], init[10];
        a[0] = 1.0f;
        for (int k = 1; k <= 10; ++k) a[k] = static_cast<float>(rng.range(-20000, 20000)) / 8192.0f;
        for (int k = 0; k < 10; ++k) init[k] = kLspInit[k] / 32768.0f;
        if (coarse)
            voksLPCToLSP_G729A_32f(a, init, lsp);
        else
            voksLPCToLSP_G729_32f(a, init, lsp);
        w = std::max(w, worst(lsp, az.record<float>(c), 10));
    }
    EXPECT_EQ(c, az.stored());
    EXPECT_LT(w, 1e-4f) << (coarse ? "Annex A grid" : "G.729 grid");
}

TEST_F(G729LpGoldenFloat, LpcToLspBothGrids) {
    golden::Digested lev("levinson_f.gld"), az("az_lsp_f.gld"), aza("az_lsp_af.gld");
    ASSERT_TRUE(lev.ok() && az.ok() && aza.ok());
    check_az_lsp(lev, az, false);
    check_az_lsp(lev, aza, true);
}

TEST_F(G729LpGoldenFloat, LspToLpc) {
    golden::Digested az("az_lsp_f.gld"), la("lsp_az_f.gld");
    ASSERT_TRUE(az.ok() && la.ok());
    float w = 0.0f;
    for (size_t c = 0; c < la.stored(); ++c) {
        float a[11];
        ASSERT_EQ(voksLSPToLPC_G729_32f(az.record<float>(c), a), vokStatusOk);
        w = std::max(w, worst(a, la.record<float>(c), 11));
    }
    EXPECT_LT(w, 1e-5f);
}

TEST(G729LpGoldenFloatNoSpeech, LsfDecodeWithErasures) {
    golden::Digested g("lsf_decode_f.gld");
    ASSERT_TRUE(g.ok());
    golden::Rng rng{0x6466630011ull};
    size_t rec = 0;
    float w = 0.0f;
    for (int c = 0; c < 20; ++c) {
        float mem[40], prev_lsf[10] = {};
        for (int i = 0; i < 4; ++i) std::memcpy(mem + 10 * i, kMemInitF, sizeof(kMemInitF));
        if (c > 0)
            for (float& m : mem) m = static_cast<float>(rng.range(-300, 3200)) / 1000.0f;
        int mode = 0;
        for (int f = 0; f < 40; ++f, ++rec) {
            float out[50];
            const bool erase = f > 0 && rng.range(0, 4) == 0;
            if (erase) {
                ASSERT_EQ(voksLSFDecodeErased_G729_32f(mode, mem, prev_lsf), vokStatusOk);
                std::memcpy(out, prev_lsf, sizeof(prev_lsf));
            } else {
                int idx[4];
                idx[1] = rng.range(0, 127);
                idx[2] = rng.range(0, 31);
                idx[3] = rng.range(0, 31);
                idx[0] = mode = rng.range(0, 1);
                ASSERT_EQ(voksLSFDecode_G729_32f(idx, mem, out), vokStatusOk);
                std::memcpy(prev_lsf, out, sizeof(prev_lsf));
            }
            std::memcpy(out + 10, mem, sizeof(mem));
            w = std::max(w, worst(out, g.record<float>(rec), 50));
        }
    }
    EXPECT_EQ(rec, g.stored());
    EXPECT_LT(w, 1e-5f);
}

TEST(G729LpGoldenFloatNoSpeech, AnnexEQuantiser) {
    golden::Digested g("qua_lspe_f.gld");
    ASSERT_TRUE(g.ok());
    golden::Rng rng{0x7166650012ull};
    size_t rec = 0;
    float w = 0.0f;
    for (int c = 0; c < 20; ++c) {
        float mem[40];
        for (int i = 0; i < 4; ++i) std::memcpy(mem + 10 * i, kMemInitF, sizeof(kMemInitF));
        for (int f = 0; f < 40; ++f, ++rec) {
            int32_t v[10];
            float lsp[10], out[22];
            int16_t idx[2];
            for (int32_t& x : v) x = rng.range(100, 31000);
            std::sort(v, v + 10);
            for (int k = 0; k < 10; ++k)
                lsp[k] = static_cast<float>(std::cos(static_cast<double>(v[k]) / 10000.0));
            ASSERT_EQ(voksLSPQuant_G729E_32f(lsp, mem, out, out + 10, idx), vokStatusOk);
            const float* ref = g.record<float>(rec);
            EXPECT_EQ(idx[0], static_cast<int16_t>(ref[20])) << "record " << rec;
            EXPECT_EQ(idx[1], static_cast<int16_t>(ref[21])) << "record " << rec;
            w = std::max(w, worst(out, ref, 20));
            if (f % 7 != 3) {
                std::memmove(mem + 10, mem, 30 * sizeof(float));
                std::memcpy(mem, out, 10 * sizeof(float));
            }
        }
    }
    EXPECT_EQ(rec, g.stored());
    EXPECT_LT(w, 1e-5f);
}

TEST_F(G729LpGoldenFloat, HybridWindow) {
    golden::Digested g("win_hybrid_f.gld");
    ASSERT_TRUE(g.ok());
    float state[31];
    auto* st = reinterpret_cast<VokWinHybridState_G729E_32f*>(state);
    ASSERT_EQ(voksWinHybridInit_G729E_32f(st), vokStatusOk);
    float w = 0.0f;
    for (size_t f = 0; f < g.stored(); ++f) {
        float x[145], r[31];
        for (int k = 0; k < 145; ++k) x[k] = speech_[80 * f + static_cast<size_t>(k)];
        ASSERT_EQ(voksWinHybrid_G729E_32f(x, r, st), vokStatusOk);
        const float* ref = g.record<float>(f);
        for (int k = 0; k < 31; ++k) w = std::max(w, std::fabs(r[k] - ref[k]) / std::max(1.0f, ref[0]));
    }
    EXPECT_LT(w, 1e-5f);
}

}  // namespace

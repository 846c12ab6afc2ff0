// Golden data of the G.729 (main body and Annex B) reference routines Lag_window, Levinson,
// Az_lsp, Lsp_Az, Lsp_lsf2, Lsp_lsf, Lsf_lsp2, Lsp_qua_cs, Qua_lsp, Int_qlpc and Lsp_iqua_cs on the
// frames of SPEECH.IN and on seeded random inputs (generated here exactly as for the reference run).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>

#include "frame/dispatch.h"
#include "support/external.h"
#include "support/golden.h"
#include "voksc.h"

namespace {

const int16_t kLspInit[10] = {30000, 26000, 21000, 15000, 8000, 0, -8000, -15000, -21000, -26000};
const int16_t kMemInit[10] = {2339, 4679, 7018, 9358, 11698, 14037, 16377, 18717, 21056, 23396};

struct Files {
    golden::Digested lw{"lag_window.gld"}, lev{"levinson.gld"}, az{"az_lsp.gld"}, la{"lsp_az.gld"},
        ll{"lsp_lsf.gld"}, fl{"lsf_lsp.gld"}, lq{"lsf_quant.gld"}, pq{"lsp_quant.gld"}, iq{"int_qlpc.gld"},
        dec{"lsf_decode.gld"};
    std::array<const golden::Digested*, 10> all() const {
        return {&lw, &lev, &az, &la, &ll, &fl, &lq, &pq, &iq, &dec};
    }
    bool ok() const {
        const auto a = all();
        return std::all_of(a.begin(), a.end(), [](const golden::Digested* g) { return g->ok(); });
    }
};

// Levinson record: status (1 = unstable), a[11], rc[10], err; returns true when stable.
bool levinson_rec(const int32_t* r, int16_t* rec) {
    std::fill(rec, rec + 23, int16_t{0});
    const VokStatus st = voksLevinsonDurbin_G729_32s16s(r, 10, rec + 1, rec + 12, rec + 22);
    EXPECT_TRUE(st == vokStatusOk || st == vokStatusOverflow);
    if (st == vokStatusOk) return true;
    std::fill(rec, rec + 23, int16_t{0});
    rec[0] = 1;
    return false;
}

// The reference's flags word: 1 floor, 2 ceiling applied.
int16_t flags_of(VokStatus st) {
    const VokStatus kFlags[4] = {vokStatusOk, vokStatusLsfFloor, vokStatusLsfCeiling,
                                 vokStatusLsfFloorCeiling};
    const auto* at = std::find(kFlags, kFlags + 4, st);
    EXPECT_NE(at, kFlags + 4) << st;
    return static_cast<int16_t>(at - kFlags);
}

// Quantiser record: lsf_q[10], packed indices, flags, memory after the call.
void quant_rec(const int16_t* lsf, int16_t* mem, int16_t* rec) {
    int16_t idx[4];
    const VokStatus st = voksLSFQuant_G729_16s(lsf, mem, rec, idx);
    rec[10] = static_cast<int16_t>((idx[0] << 7) | idx[1]);
    rec[11] = static_cast<int16_t>((idx[2] << 5) | idx[3]);
    rec[12] = flags_of(st);
    std::memcpy(rec + 13, mem, 80);
}

// Decoder record: erase, mode, lsf[10], flags, memory after the call.
struct Decoder {
    int16_t mem[40];
    int16_t prev_lsf[10];
    int mode = 0;
    void good(const int16_t* idx, int16_t* rec) {
        rec[0] = 0;
        rec[1] = idx[0];
        rec[12] = flags_of(voksLSFDecode_G729_16s(idx, mem, rec + 2));
        std::memcpy(prev_lsf, rec + 2, sizeof(prev_lsf));
        mode = idx[0];
        std::memcpy(rec + 13, mem, 80);
    }
    void erased(int16_t* rec) {
        rec[0] = 1;
        rec[1] = static_cast<int16_t>(mode);
        EXPECT_EQ(voksLSFDecodeErased_G729_16s(mode, mem, prev_lsf), vokStatusOk);
        std::memcpy(rec + 2, prev_lsf, sizeof(prev_lsf));
        rec[12] = 0;
        std::memcpy(rec + 13, mem, 80);
    }
};

void real_chain(Files& g, const std::vector<int16_t>& sp) {
    const int total = static_cast<int>(sp.size()), frames = total / 80;
    int16_t a_prev[11] = {4096};
    int16_t lsp_old[10], lsp_old_q[10], enc_mem[40];
    std::memcpy(lsp_old, kLspInit, 20);
    std::memcpy(lsp_old_q, kLspInit, 20);
    Decoder dec;
    for (int i = 0; i < 40; ++i) enc_mem[i] = dec.mem[i] = kMemInit[i % 10];
    for (int f = 0; f < frames; ++f) {
        int16_t x[240];
        int32_t r[13];
        golden::frame(sp, f, x);
        golden::autocorr(x, 12, r);
        int32_t lagged[12];
        std::memcpy(lagged, r + 1, sizeof(lagged));
        ASSERT_EQ(voksLagWindow_G729_32s_I(lagged, 12), vokStatusOk);
        g.lw.add(lagged);

        ASSERT_EQ(voksLagWindow_G729_32s_I(r + 1, 10), vokStatusOk);
        int16_t lev[23];
        if (levinson_rec(r, lev)) std::memcpy(a_prev, lev + 1, 22);
        g.lev.add(lev);

        int16_t lsp[10], a2[11], lsf[10], lsf2[20], lsp2[10];
        ASSERT_EQ(voksLPCToLSP_G729_16s(a_prev, lsp_old, lsp), vokStatusOk);
        g.az.add(lsp);
        std::memcpy(lsp_old, lsp, 20);
        ASSERT_EQ(voksLSPToLPC_G729_16s(lsp, a2), vokStatusOk);
        g.la.add(a2);
        ASSERT_EQ(voksLSPToLSF_G729_16s(lsp, lsf2), vokStatusOk);
        ASSERT_EQ(voksLSPToLSF_Norm_G729_16s(lsp, lsf2 + 10), vokStatusOk);
        g.ll.add(lsf2);
        std::memcpy(lsf, lsf2, 20);
        ASSERT_EQ(voksLSFToLSP_G729_16s(lsf, lsp2), vokStatusOk);
        g.fl.add(lsp2);

        // The LSF quantiser, and the LSP quantiser on its own copy of the memory.
        int16_t pmem[40];
        std::memcpy(pmem, enc_mem, sizeof(pmem));
        int16_t q[53];
        quant_rec(lsf, enc_mem, q);
        g.lq.add(q);
        int16_t pq[12];
        ASSERT_EQ(voksLSPQuant_G729_16s(lsp, pmem, pq, pq + 10), vokStatusOk);
        g.pq.add(pq);
        EXPECT_EQ(0, std::memcmp(pmem, enc_mem, sizeof(pmem))) << "frame " << f;

        // Int_qlpc: sub-frame 1 from the halved sum, sub-frame 2 from the new LSPs.
        int16_t mid[10], az[22];
        ASSERT_EQ(voksInterpolate_G729_16s(lsp_old_q, pq, mid, 10), vokStatusOk);
        ASSERT_EQ(voksLSPToLPC_G729_16s(mid, az), vokStatusOk);
        ASSERT_EQ(voksLSPToLPC_G729_16s(pq, az + 11), vokStatusOk);
        g.iq.add(az);
        std::memcpy(lsp_old_q, pq, 20);

        const int16_t idx[4] = {static_cast<int16_t>((q[10] >> 7) & 1), static_cast<int16_t>(q[10] & 127),
                                static_cast<int16_t>((q[11] >> 5) & 31), static_cast<int16_t>(q[11] & 31)};
        int16_t d[53];
        dec.good(idx, d);
        g.dec.add(d);
    }
}

void random_cases(Files& g) {
    golden::Rng rng{0x6C61670001ull};
    for (int c = 0; c < 2000; ++c) {
        int32_t r[13];
        for (int k = 1; k <= 12; ++k) r[k] = rng.range(INT32_MIN, INT32_MAX);
        ASSERT_EQ(voksLagWindow_G729_32s_I(r + 1, 12), vokStatusOk);
        int32_t rec[12];
        std::memcpy(rec, r + 1, sizeof(rec));
        g.lw.add(rec);
    }
    rng.s = 0x6C65760002ull;
    for (int c = 0; c < 2000; ++c) {
        int16_t x[240], rec[23];
        int32_t r[11];
        golden::signal(rng, c % 5, x, 240);
        golden::autocorr(x, 10, r);
        voksLagWindow_G729_32s_I(r + 1, 10);
        levinson_rec(r, rec);
        g.lev.add(rec);
    }
    for (int c = 0; c < 1000; ++c) {
        int16_t rec[23];
        int32_t r[11];
        r[0] = rng.range(0x40000000, 0x7FFFFFFF);
        for (int k = 1; k <= 10; ++k) r[k] = rng.range(-r[0], r[0]);
        levinson_rec(r, rec);
        g.lev.add(rec);
    }
    rng.s = 0x617A6C0003ull;
    for (int c = 0; c < 3000; ++c) {
        int16_t a[11], lsp[10];
        const int lim = c % 3 == 0 ? 8192 : (c % 3 == 1 ? 32767 : 2000);
        a[0] = 4096;
        for (int k = 1; k <= 10; ++k) a[k] = static_cast<int16_t>(rng.range(-lim - (lim == 32767), lim));
        ASSERT_EQ(voksLPCToLSP_G729_16s(a, kLspInit, lsp), vokStatusOk);
        g.az.add(lsp);
    }
    rng.s = 0x6C73700004ull;
    for (int c = 0; c < 3000; ++c) {
        int16_t lsp[10], a[11], rec[20];
        for (int k = 0; k < 10; ++k) lsp[k] = static_cast<int16_t>(rng.range(-32768, 32767));
        if (c & 1) std::sort(lsp, lsp + 10, std::greater<int16_t>());
        voksLSPToLPC_G729_16s(lsp, a);
        g.la.add(a);
        voksLSPToLSF_G729_16s(lsp, rec);
        voksLSPToLSF_Norm_G729_16s(lsp, rec + 10);
        g.ll.add(rec);
    }
    for (int c = 0; c < 3000; ++c) {
        int16_t lsf[10], lsp[10];
        for (int k = 0; k < 10; ++k) lsf[k] = static_cast<int16_t>(rng.range(0, 32767));
        ASSERT_EQ(voksLSFToLSP_G729_16s(lsf, lsp), vokStatusOk);
        g.fl.add(lsp);
    }
    rng.s = 0x7175610005ull;
    for (int c = 0; c < 60; ++c) {
        int16_t mem[40];
        for (int i = 0; i < 40; ++i)
            mem[i] = static_cast<int16_t>(c % 3 == 2 ? rng.range(-32768, 32767) : rng.range(-3000, 26000));
        for (int f = 0; f < 50; ++f) {
            int16_t lsf[10], rec[53];
            for (int k = 0; k < 10; ++k)
                lsf[k] = static_cast<int16_t>(rng.range(0, c % 3 == 1 ? 32767 : 25736));
            if (c % 3 != 1) std::sort(lsf, lsf + 10);
            if (c % 3 == 2) {
                lsf[0] = static_cast<int16_t>(rng.range(0, 60));
                lsf[9] = static_cast<int16_t>(rng.range(25000, 32767));
            }
            quant_rec(lsf, mem, rec);
            g.lq.add(rec);
        }
    }
    rng.s = 0x6465630006ull;
    for (int c = 0; c < 60; ++c) {
        Decoder dec;
        for (int i = 0; i < 40; ++i) {
            const int kind = c % 4, k = i % 10;
            dec.mem[i] = static_cast<int16_t>(
                kind == 0   ? rng.range(-3000, 26000)
                : kind == 1 ? rng.range(-32768, 32767)
                : kind == 2 ? rng.range(16000, 32767)
                            : (k < 5 ? rng.range(-32768, -10000) : rng.range(20000, 32767)));
        }
        for (int f = 0; f < 50; ++f) {
            int16_t rec[53];
            const bool erase = f > 0 && rng.range(0, 4) == 0;
            if (erase) {
                dec.erased(rec);
            } else {
                int16_t idx[4];
                idx[1] = static_cast<int16_t>(rng.range(0, 127));
                idx[2] = static_cast<int16_t>(rng.range(0, 31));
                idx[3] = static_cast<int16_t>(rng.range(0, 31));
                idx[0] = static_cast<int16_t>(rng.range(0, 1));
                dec.good(idx, rec);
            }
            g.dec.add(rec);
        }
    }
}

// Golden data of the G.729 Annex A Az_lsp (coarse grid) and of the Annex E routines Levinsone
// (orders 1..30), autocorr_hyb_window and Qua_lspe, on SPEECH.IN and seeded random inputs.
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

// The single-precision operations against the G.729 floating-point reference (Annex C in single
// precision: levinson, az_lsp on both grids, lsp_az, lsp_iqua_cs; Annex C+: qua_lspe,
// autocorr_hyb_window). Results must agree within a small tolerance; indices and root-search
// fallbacks must agree exactly.
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
// Every kernel level must give the reference bits.
TEST(G729LpGolden, ReferenceRoutinesOnSpeechAndRandomInputs) {
    if (golden::speech().empty())
        VOKSC_MISSING() << "SPEECH.IN not found under " << voksc_test::vector_path("g729/main");
    golden::each_level([] {
        Files g;
        ASSERT_TRUE(g.ok()) << "golden files missing in tests/data/g729_lp";
        real_chain(g, golden::speech());
        random_cases(g);
        for (const golden::Digested* d : g.all()) d->finish();
    });
}

// Golden data of the G.729 (main body and Annex B) reference routines Lag_window, Levinson,
// Az_lsp, Lsp_Az, Lsp_lsf2, Lsp_lsf, Lsf_lsp2, Lsp_qua_cs, Qua_lsp, Int_qlpc and Lsp_iqua_cs on the
// frames of SPEECH.IN and on seeded random inputs (generated here exactly as for the reference run).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>

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

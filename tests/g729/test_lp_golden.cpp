// Golden data of the G.729 linear-prediction reference routines (tests/data/g729_lp): the main
// body and Annex B Lag_window, Levinson, Az_lsp, Lsp_Az, Lsp_lsf2, Lsp_lsf, Lsf_lsp2, Lsp_qua_cs,
// Qua_lsp, Int_qlpc and Lsp_iqua_cs; Annex A Az_lsp; Annex E Levinsone, autocorr_hyb_window and
// Qua_lspe; and their single-precision forms. Each <set>.in holds the inputs of every record of
// <set>.gld (fixed-size records of 16-bit words, layouts in the tables below; 32-bit and float
// values take two words, low first), memories and previous values included, so every record is
// computed on its own. The integer sets must give every stored record and the digest of all
// records at every kernel level; the floating-point sets agree within a tolerance.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "support/golden.h"
#include "voksc.h"

namespace {

using R = const int16_t*;
using golden::Digested;

// n values of type T from the words at p.
template <class T>
void get(R p, T* v, size_t n) {
    for (size_t k = 0; k < n; ++k) {
        if constexpr (sizeof(T) == 2)
            v[k] = p[k];
        else if constexpr (std::is_same<T, float>::value)
            v[k] = golden::f32(p + 2 * k);
        else
            v[k] = golden::i32(p + 2 * k);
    }
}
template <class T, size_t N>
void get(R p, T (&v)[N]) {
    get(p, v, N);
}

// The reference's flags word: 1 floor, 2 ceiling applied.
int16_t flags_of(VokStatus st) {
    const VokStatus kFlags[4] = {vokStatusOk, vokStatusLsfFloor, vokStatusLsfCeiling,
                                 vokStatusLsfFloorCeiling};
    const auto* at = std::find(kFlags, kFlags + 4, st);
    EXPECT_NE(at, kFlags + 4) << st;
    return static_cast<int16_t>(at - kFlags);
}

// Levinson record of order m: status (1 = unstable, all else zero), a[m + 1], rc[m] at `rc`, then
// the final error when `err` is set.
template <size_t N>
void levinson(R p, int m, size_t rc, bool err, Digested& g) {
    int32_t r[31];
    int16_t rec[N] = {}, e = 0;
    for (int k = 0; k <= m; ++k) r[k] = golden::i32(p + 2 * k);
    const VokStatus st = voksLevinsonDurbin_G729_32s16s(r, m, rec + 1, rec + rc, err ? rec + N - 1 : &e);
    if (st != vokStatusOk) {
        EXPECT_EQ(st, vokStatusOverflow);
        std::fill(rec, rec + N, int16_t{0});
        rec[0] = 1;
    }
    g.add(rec);
}

// LSF and LSP quantiser records: lsf_q[10], packed indices, flags, memory after the call.
void lsf_quant(R p, Digested& g) {
    int16_t mem[40], rec[53], idx[4];
    get(p + 10, mem);
    rec[12] = flags_of(voksLSFQuant_G729_16s(p, mem, rec, idx));
    rec[10] = static_cast<int16_t>((idx[0] << 7) | idx[1]);
    rec[11] = static_cast<int16_t>((idx[2] << 5) | idx[3]);
    std::memcpy(rec + 13, mem, sizeof mem);
    g.add(rec);
}

// Decoder record: erase, mode, lsf[10], flags, memory after the call.
void lsf_decode(R p, Digested& g) {
    int16_t mem[40], prev[10], rec[53] = {p[0], p[0] ? p[1] : p[2]};
    get(p + 6, mem);
    get(p + 46, prev);
    if (p[0]) {
        EXPECT_EQ(voksLSFDecodeErased_G729_16s(p[1], mem, prev), vokStatusOk);
        std::memcpy(rec + 2, prev, sizeof prev);
    } else {
        rec[12] = flags_of(voksLSFDecode_G729_16s(p + 2, mem, rec + 2));
    }
    std::memcpy(rec + 13, mem, sizeof mem);
    g.add(rec);
}

// The hybrid window's record: r[31], then the state after the call; the state at an odd address
// (it needs no alignment), set up again where the input says so.
void win_hybrid(R p, Digested& g) {
    static std::vector<uint8_t> block;
    int size = 0;
    ASSERT_EQ(voksWinHybridGetStateSize_G729E_16s(&size), vokStatusOk);
    block.resize(static_cast<size_t>(size) + 1);
    auto* state = reinterpret_cast<VokWinHybridState_G729E_16s*>(block.data() + 1);
    if (p[0]) {
        ASSERT_EQ(voksWinHybridInit_G729E_16s(state), vokStatusOk);
    }
    int32_t rec[62];
    ASSERT_EQ(voksWinHybrid_G729E_16s32s(p + 1, rec, state), vokStatusOk);
    std::memcpy(rec + 31, state, 124);
    g.add(rec);
}

struct Set {
    const char* name;  // <name>.gld
    const char* in;    // <in>.in
    size_t words;      // per input record
    void (*op)(R, Digested&);
};

// Input layouts: r (32-bit) 12 | r 11 | a 11, previous lsp 10 | lsp 10 | lsf 10 | lsf 10, memory
// 40 | lsp 10, memory 40, the memory after the LSF quantiser 40 | previous and new quantised lsp |
// erase, mode, indices 4, memory 40, previous lsf 10 | ... | order, r (32-bit) 31 | reset, 145
// samples | lsp 10, memory 40.
const Set kSets[] = {
    {"lag_window", "lag_window", 24,
     [](R p, Digested& g) {
         int32_t r[12];
         get(p, r);
         ASSERT_EQ(voksLagWindow_G729_32s_I(r, 12), vokStatusOk);
         g.add(r);
     }},
    {"levinson", "levinson", 22, [](R p, Digested& g) { levinson<23>(p, 10, 12, true, g); }},
    {"az_lsp", "az_lsp", 21,
     [](R p, Digested& g) {
         int16_t lsp[10];
         ASSERT_EQ(voksLPCToLSP_G729_16s(p, p + 11, lsp), vokStatusOk);
         g.add(lsp);
     }},
    {"lsp_az", "lsp_az", 10,
     [](R p, Digested& g) {
         int16_t a[11];
         voksLSPToLPC_G729_16s(p, a);
         g.add(a);
     }},
    {"lsp_lsf", "lsp_az", 10,
     [](R p, Digested& g) {
         int16_t rec[20];
         voksLSPToLSF_G729_16s(p, rec);
         voksLSPToLSF_Norm_G729_16s(p, rec + 10);
         g.add(rec);
     }},
    {"lsf_lsp", "lsf_lsp", 10,
     [](R p, Digested& g) {
         int16_t lsp[10];
         ASSERT_EQ(voksLSFToLSP_G729_16s(p, lsp), vokStatusOk);
         g.add(lsp);
     }},
    {"lsf_quant", "lsf_quant", 50, lsf_quant},
    {"lsp_quant", "lsp_quant", 90,
     [](R p, Digested& g) {  // lsp_q 10, indices 2; the memory as the LSF quantiser leaves it
         int16_t mem[40], rec[12];
         get(p + 10, mem);
         ASSERT_EQ(voksLSPQuant_G729_16s(p, mem, rec, rec + 10), vokStatusOk);
         EXPECT_EQ(0, std::memcmp(mem, p + 50, sizeof mem));
         g.add(rec);
     }},
    {"int_qlpc", "int_qlpc", 20,
     [](R p, Digested& g) {  // sub-frame 1 from the halved sum, sub-frame 2 from the new LSPs
         int16_t mid[10], az[22];
         ASSERT_EQ(voksInterpolate_G729_16s(p, p + 10, mid, 10), vokStatusOk);
         ASSERT_EQ(voksLSPToLPC_G729_16s(mid, az), vokStatusOk);
         ASSERT_EQ(voksLSPToLPC_G729_16s(p + 10, az + 11), vokStatusOk);
         g.add(az);
     }},
    {"lsf_decode", "lsf_decode", 56, lsf_decode},
    {"az_lsp_a", "az_lsp_a", 21,
     [](R p, Digested& g) {
         int16_t lsp[10];
         ASSERT_EQ(voksLPCToLSP_G729A_16s(p, p + 11, lsp), vokStatusOk);
         g.add(lsp);
     }},
    {"levinson_e", "levinson_e", 63, [](R p, Digested& g) { levinson<62>(p + 1, p[0], 32, false, g); }},
    {"win_hybrid", "win_hybrid", 146, win_hybrid},
    {"qua_lspe", "qua_lspe", 50,
     [](R p, Digested& g) {  // lsp_q 10, indices 2, residual 10; the memory only read
         int16_t mem[40], rec[22];
         get(p + 10, mem);
         ASSERT_EQ(voksLSPQuant_G729E_16s(p, mem, rec + 12, rec, rec + 10), vokStatusOk);
         EXPECT_EQ(0, std::memcmp(mem, p + 10, sizeof mem));
         g.add(rec);
     }},
};

TEST(G729LpGolden, EveryRecordAtEveryLevel) {
    for (const Set& s : kSets) {
        SCOPED_TRACE(s.name);
        const golden::File in(std::string("g729_lp/") + s.in + ".in", s.words);
        ASSERT_GT(in.count(), 0u);
        golden::each_level([&] {
            Digested g(std::string(s.name) + ".gld");
            ASSERT_TRUE(g.ok());
            for (size_t k = 0; k < in.count() && !::testing::Test::HasFatalFailure(); ++k) s.op(in[k], g);
            g.finish();
        });
    }
}

// Largest |ours - ref| / max(1, |ref|) over n values.
float worst(const float* ours, const float* ref, int n) {
    float w = 0.0f;
    for (int i = 0; i < n; ++i)
        w = std::max(w, std::fabs(ours[i] - ref[i]) / std::max(1.0f, std::fabs(ref[i])));
    return w;
}

// The single-precision operations against the G.729 floating-point reference (Annex C in single
// precision: levinson, az_lsp on both grids, lsp_az, lsp_iqua_cs; Annex C+: qua_lspe,
// autocorr_hyb_window), every record stored. `op` returns the record's error; indices and
// root-search fallbacks must agree exactly.
struct FloatSet {
    const char* name;
    size_t words;
    float tol;
    float (*op)(R in, const float* ref, size_t k);
};

float lpc_to_lsp(R p, const float* ref, bool coarse) {
    float a[11], prev[10], lsp[10];
    get(p, a);
    get(p + 22, prev);
    EXPECT_EQ(coarse ? voksLPCToLSP_G729A_32f(a, prev, lsp) : voksLPCToLSP_G729_32f(a, prev, lsp),
              vokStatusOk);
    return worst(lsp, ref, 10);
}

// Inputs: r 11 | a 11, previous lsp 10 | lsp 10 | erase, mode, indices 3 (32-bit), memory 40,
// previous lsf 10 | lsp 10, memory 40 | 145 samples (16-bit).
const FloatSet kFloatSets[] = {
    {"levinson_f", 22, 2e-4f,
     [](R p, const float* ref, size_t) {
         float r[11], out[22];
         get(p, r);
         EXPECT_EQ(voksLevinsonDurbin_G729_32f(r, 10, out, out + 11, out + 21), vokStatusOk);
         return worst(out, ref, 22);
     }},
    {"az_lsp_f", 42, 1e-4f, [](R p, const float* ref, size_t) { return lpc_to_lsp(p, ref, false); }},
    {"az_lsp_af", 42, 1e-4f, [](R p, const float* ref, size_t) { return lpc_to_lsp(p, ref, true); }},
    {"lsp_az_f", 20, 1e-5f,
     [](R p, const float* ref, size_t) {
         float lsp[10], a[11];
         get(p, lsp);
         EXPECT_EQ(voksLSPToLPC_G729_32f(lsp, a), vokStatusOk);
         return worst(a, ref, 11);
     }},
    {"lsf_decode_f", 110, 1e-5f,
     [](R p, const float* ref, size_t) {
         int32_t head[5];
         float out[50], prev[10];
         get(p, head);
         get(p + 10, out + 10, 40);
         get(p + 90, prev);
         if (head[0]) {
             EXPECT_EQ(voksLSFDecodeErased_G729_32f(head[1], out + 10, prev), vokStatusOk);
             std::memcpy(out, prev, sizeof prev);
         } else {
             EXPECT_EQ(voksLSFDecode_G729_32f(head + 1, out + 10, out), vokStatusOk);
         }
         return worst(out, ref, 50);
     }},
    {"qua_lspe_f", 100, 1e-5f,
     [](R p, const float* ref, size_t) {
         float lsp[10], mem[40], out[22];
         int16_t idx[2];
         get(p, lsp);
         get(p + 20, mem);
         EXPECT_EQ(voksLSPQuant_G729E_32f(lsp, mem, out, out + 10, idx), vokStatusOk);
         EXPECT_EQ(idx[0], static_cast<int16_t>(ref[20]));
         EXPECT_EQ(idx[1], static_cast<int16_t>(ref[21]));
         return worst(out, ref, 20);
     }},
    {"win_hybrid_f", 145, 1e-5f,
     [](R p, const float* ref, size_t k) {  // the state carried from the first record, errors
         static float state[31];            // relative to the energy
         auto* st = reinterpret_cast<VokWinHybridState_G729E_32f*>(state);
         if (k == 0) {
             EXPECT_EQ(voksWinHybridInit_G729E_32f(st), vokStatusOk);
         }
         float x[145], r[31], w = 0.0f;
         for (int i = 0; i < 145; ++i) x[i] = p[i];
         EXPECT_EQ(voksWinHybrid_G729E_32f(x, r, st), vokStatusOk);
         for (int i = 0; i < 31; ++i) w = std::max(w, std::fabs(r[i] - ref[i]) / std::max(1.0f, ref[0]));
         return w;
     }},
};

TEST(G729LpGoldenFloat, EveryRecordWithinTolerance) {
    for (const FloatSet& s : kFloatSets) {
        SCOPED_TRACE(s.name);
        const Digested g(std::string(s.name) + ".gld");
        const golden::File in(std::string("g729_lp/") + s.name + ".in", s.words);
        ASSERT_TRUE(g.ok());
        ASSERT_EQ(in.count(), g.stored());
        float w = 0.0f;
        for (size_t k = 0; k < in.count(); ++k) w = std::max(w, s.op(in[k], g.record<float>(k), k));
        EXPECT_LT(w, s.tol);
    }
}

}  // namespace

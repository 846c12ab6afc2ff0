// Golden data of the G.729 Annex B reference routines (tests/data/g729_sid): Autocorr of order 12
// followed by Lag_window and Levinson, lsfq_noise, sid_lsfq_decode and Gauss in fixed point, and
// the floating-point lsfq_noise and sid_lsfq_decode on the same inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "support/external.h"
#include "support/golden.h"
#include "voksc.h"

namespace {

constexpr int kLsfQuantWords = 74, kLsfDecodeWords = 64;

void put32(int16_t* p, int32_t v) {
    p[0] = static_cast<int16_t>(v & 0xFFFF);
    p[1] = static_cast<int16_t>(static_cast<uint32_t>(v) >> 16);
}

// One analysis window: exponent, r[0..12], the lag-windowed r[0..10] that Levinson reads, then 1
// for an unstable filter, or 0 followed by a[0..10], rc[0..1] and the residual energy.
void analysis_record(const int16_t* x, int16_t (&rec)[64]) {
    std::memset(rec, 0, sizeof rec);
    int32_t r[13];
    ASSERT_EQ(voksAutoCorr_G729B(x, rec, r), vokStatusOk);
    for (int k = 0; k < 13; ++k) put32(rec + 1 + 2 * k, r[k]);
    ASSERT_EQ(voksLagWindow_G729_32s_I(r + 1, 12), vokStatusOk);
    for (int k = 0; k < 11; ++k) put32(rec + 27 + 2 * k, r[k]);
    const VokStatus st = voksLevinsonDurbin_G729B(r, rec + 50, rec + 61, rec + 63);
    ASSERT_TRUE(st == vokStatusOk || st == vokStatusOverflow) << st;
    rec[49] = st == vokStatusOverflow;
}

// Seeded windows of noise, resonances, square waves, near-silence and alternating extremes at
// assorted levels (g729_sid/autocorr.in), the first four silence, +full scale, -full scale and
// alternating extremes (all four overflow the energy sum except silence).
TEST(G729SidGolden, AnalysisOnSyntheticWindows) {
    const golden::File in("g729_sid/autocorr.in", 240);
    ASSERT_EQ(in.count(), 2400u);
    golden::each_level([&] {
        golden::Digested d("autocorr.gld", "g729_sid");
        ASSERT_TRUE(d.ok());
        int16_t rec[64];
        for (size_t k = 0; k < in.count(); ++k) {
            analysis_record(in[k], rec);
            d.add(rec);
        }
        d.finish();
    });
}

// Every SPEECH.IN frame's window: the 80-sample frame with 120 samples before it and 40 after.
TEST(G729SidGolden, AnalysisOnSpeech) {
    std::vector<int16_t> sp;
    voksc_test::read_words(voksc_test::vector_path("g729/main/SPEECH.IN"), sp);
    if (sp.empty()) VOKSC_MISSING() << "g729/main/SPEECH.IN";
    golden::each_level([&] {
        golden::Digested d("autocorr_speech.gld", "g729_sid");
        ASSERT_TRUE(d.ok());
        int16_t x[240], rec[64];
        for (size_t f = 0; f < sp.size() / 80; ++f) {
            for (size_t i = 0; i < 240; ++i) {
                const size_t n = 80 * f + i;  // sample n - 160 of the signal
                x[i] = n >= 160 && n - 160 < sp.size() ? sp[n - 160] : int16_t{0};
            }
            analysis_record(x, rec);
            d.add(rec);
        }
        d.finish();
    });
}

// r[0..10] (32-bit), then the unstable flag, a[0..10], rc[0..1] and the energy (zeros when unstable).
TEST(G729SidGolden, LevinsonOnSyntheticAutocorrelations) {
    const golden::File f = golden::records("g729_sid/levinson.bin", 37, 1000);
    for (size_t k = 0; k < f.count(); ++k) {
        const int16_t* rec = f[k];
        int32_t r[11];
        for (int i = 0; i < 11; ++i) r[i] = golden::i32(rec + 2 * i);
        int16_t out[15] = {};
        const VokStatus st = voksLevinsonDurbin_G729B(r, out + 1, out + 12, out + 14);
        out[0] = st == vokStatusOverflow;
        ASSERT_TRUE(st == vokStatusOk || st == vokStatusOverflow) << st;
        ASSERT_EQ(0, std::memcmp(out, rec + 22, sizeof out)) << "record " << k;
    }
}

// The expected memory after a call: the residual stored newest, the older rows shifted.
template <class T>
void expect_memory(const T* before, const T* residual, const T* after, size_t k) {
    for (int i = 0; i < 40; ++i)
        ASSERT_EQ(after[i], i < 10 ? residual[i] : before[i - 10]) << "record " << k << " memory " << i;
}

// The reference's flags (1 floor, 2 ceiling) as statuses.
VokStatus status_of(int16_t flags) {
    const VokStatus kByFlags[4] = {vokStatusOk, vokStatusLsfFloor, vokStatusLsfCeiling,
                                   vokStatusLsfFloorCeiling};
    return kByFlags[flags & 3];
}

// lsf[10], memory[40], index[3], quantised lsf[10], residual[10], flags. The inputs are the LSFs
// of every 4th SPEECH.IN frame and every 8th frame of the Annex B tstseq1-4 (memory carried from
// call to call), and seeded vectors and memories, some unordered or out of range.
TEST(G729SidGolden, LsfQuant16s) {
    const golden::File f = golden::records("g729_sid/lsf_quant.bin", kLsfQuantWords, 1904);
    for (size_t k = 0; k < f.count(); ++k) {
        const int16_t* rec = f[k];
        int16_t mem[40], q[10], idx[3];
        std::memcpy(mem, rec + 10, sizeof mem);
        ASSERT_EQ(voksLSFQuant_G729B_16s(rec, mem, q, idx), status_of(rec[73])) << "record " << k;
        ASSERT_EQ(0, std::memcmp(idx, rec + 50, sizeof idx)) << "record " << k;
        ASSERT_EQ(0, std::memcmp(q, rec + 53, sizeof q)) << "record " << k;
        expect_memory(rec + 10, rec + 63, mem, k);
    }
}

// index[3], memory[40], lsf[10], residual[10], flags: every index with the initial memory, then
// seeded indices with perturbed, low and high memories.
TEST(G729SidGolden, LsfDecode16s) {
    const golden::File f = golden::records("g729_sid/lsf_decode.bin", kLsfDecodeWords, 1536);
    for (size_t k = 0; k < f.count(); ++k) {
        const int16_t* rec = f[k];
        int16_t mem[40], lsf[10];
        std::memcpy(mem, rec + 3, sizeof mem);
        ASSERT_EQ(voksLSFDecode_G729B_16s(rec, mem, lsf), status_of(rec[63])) << "record " << k;
        ASSERT_EQ(0, std::memcmp(lsf, rec + 43, sizeof lsf)) << "record " << k;
        expect_memory(rec + 3, rec + 53, mem, k);
    }
}

// The floating-point records pair with the fixed-point ones: inputs are the Q13 values / 8192.
// LSPs come from a double-precision cosine: within 1e-6; everything else exact.
void expect_float_result(const int16_t* at, const float* lsp, const float* mem_before, const float* mem,
                         size_t k) {
    for (int i = 0; i < 10; ++i) ASSERT_NEAR(lsp[i], golden::f32(at + 2 * i), 1e-6) << "record " << k;
    float residual[10];
    for (int i = 0; i < 10; ++i) residual[i] = golden::f32(at + 20 + 2 * i);
    expect_memory(mem_before, residual, mem, k);
}

TEST(G729SidGolden, LsfQuant32f) {
    const golden::File in = golden::records("g729_sid/lsf_quant.bin", kLsfQuantWords, 1904);
    const golden::File f = golden::records("g729_sid/lsf_quant_32f.bin", 43, in.count());
    for (size_t k = 0; k < f.count(); ++k) {
        float lsf[10], mem0[40], mem[40], lsp[10];
        int32_t idx[3];
        for (int i = 0; i < 10; ++i) lsf[i] = in[k][i] / 8192.0f;
        for (int i = 0; i < 40; ++i) mem[i] = mem0[i] = in[k][10 + i] / 8192.0f;
        ASSERT_EQ(voksLSFQuant_G729B_32f(lsf, mem, lsp, idx), vokStatusOk);
        for (int i = 0; i < 3; ++i) ASSERT_EQ(idx[i], f[k][i]) << "record " << k;
        expect_float_result(f[k] + 3, lsp, mem0, mem, k);
    }
}

TEST(G729SidGolden, LsfDecode32f) {
    const golden::File in = golden::records("g729_sid/lsf_decode.bin", kLsfDecodeWords, 1536);
    const golden::File f = golden::records("g729_sid/lsf_decode_32f.bin", 40, in.count());
    for (size_t k = 0; k < f.count(); ++k) {
        const int32_t idx[3] = {in[k][0], in[k][1], in[k][2]};
        float mem0[40], mem[40], lsp[10];
        for (int i = 0; i < 40; ++i) mem[i] = mem0[i] = in[k][3 + i] / 8192.0f;
        ASSERT_EQ(voksLSFDecode_G729B_32f(idx, mem, lsp), vokStatusOk);
        expect_float_result(f[k], lsp, mem0, mem, k);
    }
}

// seed, length, seed after, FNV-1a of the outputs: seeds 0, -32768, 32767, 11111 and seeded
// ones, lengths 1..80 and 240. The float form gives the same integers / 512 (the floating-point
// reference does, for every seed).
TEST(G729SidGolden, RandomNoiseExcitation) {
    const golden::File f = golden::records("g729_sid/random.bin", 5, 4096);
    for (size_t k = 0; k < f.count(); ++k) {
        const int16_t* rec = f[k];
        const int len = rec[1];
        int16_t seed = rec[0], seed_f = rec[0], out[240];
        float out_f[240];
        ASSERT_EQ(voksRandomNoiseExcitation_G729B_16s(&seed, out, len), vokStatusOk);
        ASSERT_EQ(voksRandomNoiseExcitation_G729B_16s32f(&seed_f, out_f, len), vokStatusOk);
        ASSERT_EQ(seed, rec[2]) << "record " << k;
        ASSERT_EQ(seed_f, rec[2]) << "record " << k;
        ASSERT_EQ(golden::fnv32(out, len), static_cast<uint32_t>(golden::i32(rec + 3))) << "record " << k;
        for (int i = 0; i < len; ++i) ASSERT_EQ(out_f[i], out[i] / 512.0f) << "record " << k;
    }
}

// Decoded spectra pushed below the floor, above the ceiling or both by extreme memories: the
// first LSF becomes 40, the last 25681, and the status says which.
TEST(G729SidGolden, DecodeCorrections) {
    const int16_t kMemInit[10] = {2339, 4679, 7018, 9358, 11698, 14037, 16377, 18717, 21056, 23396};
    const struct {
        int16_t first, last;
        VokStatus status;
    } kCases[] = {{-32768, 23396, vokStatusLsfFloor},
                  {2339, 32767, vokStatusLsfCeiling},
                  {-32768, 32767, vokStatusLsfFloorCeiling}};
    for (const auto& c : kCases) {
        int16_t mem[40], lsf[10];
        for (int i = 0; i < 40; ++i) mem[i] = i % 10 == 0 ? c.first : i % 10 == 9 ? c.last : kMemInit[i % 10];
        const int16_t idx[3] = {0, 0, 0};
        ASSERT_EQ(voksLSFDecode_G729B_16s(idx, mem, lsf), c.status);
        if (c.status != vokStatusLsfCeiling) {
            EXPECT_EQ(lsf[0], 40);
        }
        if (c.status != vokStatusLsfFloor) {
            EXPECT_EQ(lsf[9], 25681);
        }
    }
}

}  // namespace

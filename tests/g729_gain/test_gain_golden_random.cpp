// Golden data of the reference routines driven directly with seeded random and extreme inputs
// (small, speech-like, full-range and saturating amplitudes): G.729 Pre_Process, Post_Process,
// Residu and the Residu + Syn_filt weighting chain; Annex A preemphasis and agc; Annex E
// pst_ltpe, filt_mu, scale_st, Residue and Syn_filte; and the floating-point gain-codebook
// searches of Annex C (qua_gain) and Annex C+ (qua_gain_6k) recorded while coding speech.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "frame/dispatch.h"
#include "g729_gain/golden.h"
#include "voksc.h"

namespace {

constexpr int kSub = 40;

TEST(G729GainGoldenRandom, HighPassExtremes) {
    static constexpr int16_t kPre[6] = {4096, 7807, -3733, 1899, -3798, 1899};
    static constexpr int16_t kPost[6] = {8192, 15836, -7667, 7699, -15398, 7699};
    for (int sf : {12, 13}) {
        const auto w = golden::load16(sf == 12 ? "hp12x.bin" : "hp13x.bin");
        ASSERT_FALSE(w.empty());
        uint8_t raw[24];
        auto* st = reinterpret_cast<VokG729HighPassState*>(raw);
        size_t pos = 0;
        int calls = 0;
        while (pos < w.size()) {
            if (w[pos] != 0) {
                ASSERT_EQ(voksHighPassFilterInit_G729(sf == 12 ? kPre : kPost, st), vokStatusOk);
            }
            const int n = w[pos + 1];
            std::vector<int16_t> x(&w[pos + 2], &w[pos + 2] + n);
            ASSERT_EQ(voksHighPassFilter_G729_16s_ISfs(x.data(), n, sf, st), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(x.data(), &w[pos + 2 + static_cast<size_t>(n)], x.size() * 2))
                << "sf " << sf << " call " << calls;
            pos += 2 + 2 * static_cast<size_t>(n);
            ++calls;
        }
        EXPECT_EQ(calls, 40);
    }
}

TEST(G729GainGoldenRandom, ResidualFilterOrder10) {
    const auto r = golden::records("residu.bin", 101);
    ASSERT_EQ(r.count(), 300u);
    for (size_t k = 0; k < r.count(); ++k) {
        const int16_t* p = r[k];
        int16_t y[kSub];
        ASSERT_EQ(voksResidualFilter_G729_16s(p + 11 + 10, p, y), vokStatusOk);
        ASSERT_EQ(0, std::memcmp(y, p + 61, sizeof(y))) << "record " << k;
        // The any-order twin agrees at order 10.
        int16_t y2[kSub];
        ASSERT_EQ(voksResidualFilter_G729E_16s(p, 10, p + 21, y2, kSub), vokStatusOk);
        ASSERT_EQ(0, std::memcmp(y2, p + 61, sizeof(y2))) << "record " << k;
    }
}

TEST(G729GainGoldenRandom, PoleZeroWeightingChain) {
    const auto r = golden::records("wchain.bin", 133);
    ASSERT_EQ(r.count(), 300u);
    int compared = 0;
    for (size_t k = 0; k < r.count(); ++k) {
        const int16_t* p = r[k];
        if (p[132] != 0) continue;  // the reference saturated inside its accumulation
        for (bool low : {false, true}) {
            int16_t y[kSub], mem[10];
            std::memcpy(mem, p + 72, sizeof(mem));
            const VokStatus s = low ? voksIIR16sLow_G729_16s(p, p + 22, y, mem) : voksIIR16s_G729_16s(p, p + 22, y, mem);
            ASSERT_EQ(s, vokStatusOk);
            ASSERT_EQ(0, std::memcmp(y, p + 82, sizeof(y))) << "record " << k << " low " << low;
            ASSERT_EQ(0, std::memcmp(mem, p + 122, sizeof(mem))) << "record " << k;
        }
        ++compared;
    }
    EXPECT_GT(compared, 150);
}

TEST(G729GainGoldenRandom, PreemphasisSequence) {
    const auto w = golden::load16("preemph.bin");
    ASSERT_FALSE(w.empty());
    int16_t mem = 0, memCopy = 0;
    size_t pos = 0;
    int calls = 0;
    while (pos < w.size()) {
        const int16_t g = w[pos];
        const int n = w[pos + 1];
        const int16_t* in = &w[pos + 2];
        const int16_t* expect = in + n;
        std::vector<int16_t> x(in, in + n), y(static_cast<size_t>(n));
        ASSERT_EQ(voksPreemphasize_G729A_16s(g, in, y.data(), n, &memCopy), vokStatusOk);
        ASSERT_EQ(voksPreemphasize_G729A_16s_I(g, x.data(), n, &mem), vokStatusOk);
        ASSERT_EQ(0, std::memcmp(x.data(), expect, x.size() * 2)) << "call " << calls;
        ASSERT_EQ(0, std::memcmp(y.data(), expect, y.size() * 2)) << "call " << calls;
        ASSERT_EQ(mem, memCopy);
        pos += 2 + 2 * static_cast<size_t>(n);
        ++calls;
    }
    EXPECT_EQ(calls, 200);
}

TEST(G729GainGoldenRandom, GainControlAnnexASequence) {
    // Both kernel levels give the reference bits.
    for (auto level : {voks::frame::Level::Scalar, voks::frame::Level::AVX2}) {
        voks::frame::force_level(level);
        const auto r = golden::records("agcx.bin", 120);
        ASSERT_EQ(r.count(), 300u);
        int16_t gain = 4096;
        for (size_t k = 0; k < r.count(); ++k) {
            const int16_t* p = r[k];
            int16_t out[kSub];
            std::memcpy(out, p + 40, sizeof(out));
            ASSERT_EQ(voksGainControl_G729A_16s_I(p, out, &gain), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(out, p + 80, sizeof(out))) << "record " << k;
        }
    }
    voks::frame::force_level(voks::frame::Level::AVX2);
}

TEST(G729GainGoldenRandom, LongTermPostFilterAnyWeight) {
    const auto r = golden::records("ltpe.bin", 235);
    ASSERT_EQ(r.count(), 300u);
    int voiced = 0;
    for (size_t k = 0; k < r.count(); ++k) {
        const int16_t* p = r[k];
        int16_t out[kSub], vo = -1;
        ASSERT_EQ(voksLongTermPostFilter_G729_16s(p[0], p[1], p + 2 + 152, out, &vo), vokStatusOk);
        ASSERT_EQ(0, std::memcmp(out, p + 194, sizeof(out))) << "record " << k << " gamma " << p[0];
        ASSERT_EQ(vo, p[234]) << "record " << k;
        voiced += vo != 0;
    }
    EXPECT_GT(voiced, 100);
}

TEST(G729GainGoldenRandom, TiltFilterExtremes) {
    // Both kernel levels give the reference bits.
    for (auto level : {voks::frame::Level::Scalar, voks::frame::Level::AVX2}) {
        voks::frame::force_level(level);
        const auto r = golden::records("filtmu.bin", 82);
        ASSERT_EQ(r.count(), 300u);
        for (size_t k = 0; k < r.count(); ++k) {
            const int16_t* p = r[k];
            int16_t out[kSub];
            ASSERT_EQ(voksTiltCompensation_G729E_16s(p[0], p + 1, out), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(out, p + 42, sizeof(out))) << "record " << k;
        }
    }
    voks::frame::force_level(voks::frame::Level::AVX2);
}

TEST(G729GainGoldenRandom, GainControlExtremes) {
    // Both kernel levels give the reference bits.
    for (auto level : {voks::frame::Level::Scalar, voks::frame::Level::AVX2}) {
        voks::frame::force_level(level);
        const auto r = golden::records("scalest.bin", 122);
        ASSERT_EQ(r.count(), 300u);
        for (size_t k = 0; k < r.count(); ++k) {
            const int16_t* p = r[k];
            int16_t out[kSub], gain = p[80];
            std::memcpy(out, p + 40, sizeof(out));
            ASSERT_EQ(voksGainControl_G729_16s_I(p, out, &gain), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(out, p + 81, sizeof(out))) << "record " << k;
            ASSERT_EQ(gain, p[121]) << "record " << k;
        }
    }
    voks::frame::force_level(voks::frame::Level::AVX2);
}

TEST(G729GainGoldenRandom, ResidualFilterAnyOrder) {
    const auto w = golden::load16("resid_e.bin");
    ASSERT_FALSE(w.empty());
    size_t pos = 0;
    int calls = 0;
    while (pos < w.size()) {
        const int m = w[pos], n = w[pos + 1];
        const int16_t* a = &w[pos + 2];
        const int16_t* x = a + m + 1;
        const int16_t* expect = x + m + n;
        std::vector<int16_t> y(static_cast<size_t>(n));
        ASSERT_EQ(voksResidualFilter_G729E_16s(a, m, x + m, y.data(), n), vokStatusOk);
        ASSERT_EQ(0, std::memcmp(y.data(), expect, y.size() * 2)) << "call " << calls << " order " << m;
        pos += 2 + static_cast<size_t>(m + 1 + m + n + n);
        ++calls;
    }
    EXPECT_EQ(calls, 200);
}

TEST(G729GainGoldenRandom, SynthesisFilterAnyOrder) {
    const auto w = golden::load16("syn_e.bin");
    ASSERT_FALSE(w.empty());
    size_t pos = 0;
    int calls = 0;
    while (pos < w.size()) {
        const int m = w[pos], n = w[pos + 1];
        const int16_t* a = &w[pos + 2];
        const int16_t* x = a + m + 1;
        const int16_t* mem0 = x + n;
        const int16_t* y = mem0 + m;
        const int16_t* mem1 = y + n;
        std::vector<int16_t> out(static_cast<size_t>(n)), mem(mem0, mem0 + m);
        ASSERT_EQ(voksSynthesisFilter_G729E_16s(a, m, x, out.data(), n, mem.data()), vokStatusOk);
        ASSERT_EQ(0, std::memcmp(out.data(), y, out.size() * 2)) << "call " << calls << " order " << m;
        if (n >= m) {
            ASSERT_EQ(0, std::memcmp(mem.data(), mem1, mem.size() * 2)) << "call " << calls;
        } else {
            // The reference reads before its output here; the memory is the last m outputs.
            std::vector<int16_t> expectMem(mem0 + n, mem0 + m);
            expectMem.insert(expectMem.end(), y, y + n);
            ASSERT_EQ(mem, expectMem) << "call " << calls;
        }
        std::vector<int16_t> io(x, x + n), mem2(mem0, mem0 + m);
        ASSERT_EQ(voksSynthesisFilter_G729E_16s_I(a, m, io.data(), n, mem2.data()), vokStatusOk);
        ASSERT_EQ(io, out);
        ASSERT_EQ(mem2, mem);
        pos += 2 + static_cast<size_t>(m + 1 + n + m + n + m);
        ++calls;
    }
    EXPECT_EQ(calls, 200);
}

float word_float(const int16_t* p) {
    const uint32_t u = static_cast<uint16_t>(p[0]) | (static_cast<uint32_t>(static_cast<uint16_t>(p[1])) << 16);
    float f;
    std::memcpy(&f, &u, sizeof(f));
    return f;
}

TEST(G729GainGoldenRandom, FloatGainCodebookSearches) {
    // Both kernel levels give the reference bits.
    for (auto level : {voks::frame::Level::Scalar, voks::frame::Level::AVX2}) {
        voks::frame::force_level(level);
        for (bool annexD : {false, true}) {
            const auto r = golden::records(annexD ? "gain_search_6k_32f.bin" : "gain_search_32f.bin", 17);
            ASSERT_EQ(r.count(), 600u);
            for (size_t k = 0; k < r.count(); ++k) {
                const int16_t* p = r[k];
                float c[5];
                for (int i = 0; i < 5; ++i) c[i] = word_float(p + 2 * i);
                const Vok32s cand[2] = {p[10], p[11]};
                Vok32s idx[2] = {-1, -1};
                const float g0 = word_float(p + 13);
                const VokStatus s = annexD ? voksGainCodebookSearch_G729D_32f(c, cand, idx, p[12], g0)
                                           : voksGainCodebookSearch_G729_32f(c, cand, idx, p[12], g0);
                ASSERT_EQ(s, vokStatusOk);
                ASSERT_EQ(idx[0], p[15]) << "record " << k << " annex D " << annexD;
                ASSERT_EQ(idx[1], p[16]) << "record " << k << " annex D " << annexD;
            }
        }
    }
    voks::frame::force_level(voks::frame::Level::AVX2);
}

}  // namespace

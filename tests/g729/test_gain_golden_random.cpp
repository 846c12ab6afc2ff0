// Golden data of the reference routines driven directly with seeded random and extreme inputs
// (small, speech-like, full-range and saturating amplitudes): G.729 Pre_Process, Post_Process,
// Residu and the Residu + Syn_filt weighting chain; Annex A preemphasis and agc; Annex E
// pst_ltpe, filt_mu, scale_st, Residue and Syn_filte; and the floating-point gain-codebook
// searches of Annex C (qua_gain) and Annex C+ (qua_gain_6k) recorded while coding speech.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "frame/dispatch.h"
#include "g729/golden.h"
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
    golden::check_gain_control("scalest.bin", 300, voksGainControl_G729_16s_I);
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
    // Both kernel levels give the reference bits.
    for (auto level : {voks::frame::Level::Scalar, voks::frame::Level::AVX2}) {
        voks::frame::force_level(level);
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
    voks::frame::force_level(voks::frame::Level::AVX2);
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

namespace {

TEST(G729GainGoldenRandom, FloatSynthesisAnyOrder) {
    const auto w = golden::load16("synth_32f.bin");
    ASSERT_FALSE(w.empty());
    auto floats = [](const int16_t* p, int n) {
        std::vector<float> v(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = word_float(p + 2 * i);
        return v;
    };
    size_t pos = 0;
    int calls = 0;
    while (pos < w.size()) {
        const int m = w[pos], n = w[pos + 1];
        const int16_t* p = &w[pos + 2];
        const auto a = floats(p, m + 1);
        const auto x = floats(p + 2 * (m + 1), n);
        auto mem = floats(p + 2 * (m + 1 + n), m);
        const auto y = floats(p + 2 * (m + 1 + n + m), n);
        const auto mem1 = floats(p + 2 * (m + 1 + n + m + n), m);
        std::vector<float> out(static_cast<size_t>(n));
        ASSERT_EQ(voksSynthesisFilter_G729_32f(a.data(), m, x.data(), out.data(), n, mem.data()), vokStatusOk);
        ASSERT_EQ(0, std::memcmp(out.data(), y.data(), out.size() * 4)) << "call " << calls << " order " << m;
        ASSERT_EQ(0, std::memcmp(mem.data(), mem1.data(), mem.size() * 4)) << "call " << calls;
        pos += 2 + 2 * static_cast<size_t>(m + 1 + n + m + n + m);
        ++calls;
    }
    EXPECT_EQ(calls, 200);
}

// The quantisers and the decoders agree: the rows a quantiser returns, sent as bit-stream
// indices (the inverse permutations of imap1/imap2 of the standard), decode to the same gains
// and the same past energies, on seeded and extreme inputs.
TEST(G729GainGoldenRandom, QuantiserAndDecoderAgree) {
    static constexpr int16_t kMap1[8] = {5, 1, 4, 7, 3, 0, 6, 2};
    static constexpr int16_t kMap2[16] = {4, 6, 0, 2, 12, 14, 8, 10, 15, 11, 9, 13, 7, 3, 1, 5};
    static constexpr int16_t kMap1D[8] = {0, 4, 6, 5, 2, 1, 7, 3};
    static constexpr int16_t kMap2D[8] = {0, 4, 3, 7, 5, 1, 6, 2};
    uint64_t s = 0x9E3779B97F4A7C15ull;
    auto next = [&s]() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return s;
    };
    for (int round = 0; round < 3000; ++round) {
        const int amp = round % 4 == 0 ? 32767 : round % 4 == 1 ? 8000 : round % 4 == 2 ? 500 : 20;
        int16_t x[kSub], y1[kSub], y2[kSub], code[kSub] = {};
        for (int i = 0; i < kSub; ++i) {
            x[i] = static_cast<int16_t>(static_cast<int>(next() % (2 * amp + 1)) - amp);
            y1[i] = static_cast<int16_t>(static_cast<int>(next() % (2 * amp + 1)) - amp);
            y2[i] = static_cast<int16_t>(static_cast<int>(next() % (2 * amp + 1)) - amp);
        }
        if (round % 17 == 0) std::memset(y1, 0, sizeof(y1));
        int32_t energy = 0;
        for (int t = 0; t < 4; ++t) code[next() % kSub] = (next() & 1) ? 8192 : -8192;
        for (int16_t c : code) energy += int32_t{c} * c;
        const bool annexD = (round & 1) != 0;
        int16_t pastQ[4], pastD[4];
        for (int t = 0; t < 4; ++t) pastQ[t] = pastD[t] = static_cast<int16_t>(-14336 + static_cast<int>(next() % 20000));
        int16_t gq[2], rows[2], gd[2] = {0, 0};
        const auto taming = static_cast<int16_t>(round % 3 == 0);
        if (annexD) {
            ASSERT_EQ(voksGainQuant_G729D_16s(x, y1, code, y2, pastQ, gq, rows, taming), vokStatusOk);
            ASSERT_TRUE(rows[0] >= 0 && rows[0] < 8 && rows[1] >= 0 && rows[1] < 8);
            const int16_t bits[2] = {kMap1D[rows[0]], kMap2D[rows[1]]};
            ASSERT_EQ(voksDecodeGain_G729I_16s(energy, 0, pastD, bits, gd), vokStatusOk);
        } else {
            ASSERT_EQ(voksGainQuant_G729_16s(x, y1, code, y2, pastQ, gq, rows, taming), vokStatusOk);
            ASSERT_TRUE(rows[0] >= 0 && rows[0] < 8 && rows[1] >= 0 && rows[1] < 16);
            const int16_t bits[2] = {kMap1[rows[0]], kMap2[rows[1]]};
            ASSERT_EQ(voksDecodeGain_G729_16s(energy, pastD, bits, gd), vokStatusOk);
        }
        ASSERT_EQ(gq[0], gd[0]) << "round " << round;
        ASSERT_EQ(gq[1], gd[1]) << "round " << round;
        ASSERT_EQ(0, std::memcmp(pastQ, pastD, sizeof(pastQ))) << "round " << round;
        if (taming) {
            ASSERT_LT(gq[0], 16383) << "round " << round;  // taming keeps gp below 0.9999
        }
    }
}

// Annex C+ scale_st (single precision): the per-sample gain recursion with the reference's own
// increment (1 - 0.9875) * in/out and factor 0.9875, gains carried from call to call.
TEST(G729GainGoldenRandom, FloatGainControlSequence) {
    const auto w = golden::load16("agc_32f.bin");
    constexpr size_t kWords = 2 * (2 + 2 * kSub + 1);
    ASSERT_EQ(w.size(), 200 * kWords);
    float gain = 1.0f;
    for (size_t k = 0; k < 200; ++k) {
        const int16_t* p = &w[k * kWords];
        ASSERT_EQ(0, std::memcmp(&gain, p, 4)) << "record " << k;  // carried gain
        float x[kSub];
        for (int i = 0; i < kSub; ++i) x[i] = word_float(p + 4 + 2 * i);
        ASSERT_EQ(voksGainControl_G729_32f_I(x, &gain, word_float(p + 2), 0.9875f), vokStatusOk);
        for (int i = 0; i < kSub; ++i) {
            ASSERT_EQ(x[i], word_float(p + 4 + 2 * kSub + 2 * i)) << "record " << k << " sample " << i;
        }
        ASSERT_EQ(gain, word_float(p + 4 + 4 * kSub)) << "record " << k;
    }
}

}  // namespace

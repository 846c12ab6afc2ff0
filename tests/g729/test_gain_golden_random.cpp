// Golden data of the reference routines driven directly with seeded random and extreme inputs
// (small, speech-like, full-range and saturating amplitudes): G.729 Pre_Process, Post_Process,
// Residu and the Residu + Syn_filt weighting chain; Annex A preemphasis and agc; Annex E filt_mu;
// the floating-point gain-codebook searches of Annex C (qua_gain) and Annex C+ (qua_gain_6k)
// recorded while coding speech, and Annex C+ syn_filte and scale_st.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/golden.h"
#include "voksc.h"

namespace {

constexpr int kSub = 40;

golden::File records(const std::string& name, size_t words, size_t count) {
    return golden::records("g729_gain/" + name, words, count);
}

// Streams: reset flag, n, then n samples in and n out; the state carried between resets.
TEST(G729GainGoldenRandom, HighPassExtremes) {
    static constexpr int16_t kPre[6] = {4096, 7807, -3733, 1899, -3798, 1899};
    static constexpr int16_t kPost[6] = {8192, 15836, -7667, 7699, -15398, 7699};
    for (int sf : {12, 13}) {
        golden::File f(sf == 12 ? "g729_gain/hp12x.bin" : "g729_gain/hp13x.bin");
        ASSERT_TRUE(f.ok());
        uint8_t raw[24];
        auto* st = reinterpret_cast<VokG729HighPassState*>(raw);
        int calls = 0;
        for (; !f.done(); ++calls) {
            if (f.i16() != 0) voksHighPassFilterInit_G729(sf == 12 ? kPre : kPost, st);
            const int n = f.i16();
            std::vector<int16_t> x = f.take(n);
            ASSERT_EQ(voksHighPassFilter_G729_16s_ISfs(x.data(), n, sf, st), vokStatusOk);
            ASSERT_EQ(x, f.take(n)) << "sf " << sf << " call " << calls;
        }
        EXPECT_EQ(calls, 40);
    }
}

// Records: a 11, x 10 + 40 | y 40; the any-order twin agrees at order 10.
TEST(G729GainGoldenRandom, ResidualFilterOrder10) {
    const auto r = records("residu.bin", 101, 300);
    golden::compare_records(
        r, 61, 40, [](const int16_t* p, int16_t* y) { return voksResidualFilter_G729_16s(p + 21, p, y); });
    golden::compare_records(r, 61, 40, [](const int16_t* p, int16_t* y) {
        return voksResidualFilter_G729E_16s(p, 10, p + 21, y, kSub);
    });
}

TEST(G729GainGoldenRandom, PoleZeroWeightingChain) {
    const auto r = records("wchain.bin", 133, 300);
    int compared = 0;
    for (size_t k = 0; k < r.count(); ++k) {
        const int16_t* p = r[k];
        if (p[132] != 0) continue;  // the reference saturated inside its accumulation
        for (bool low : {false, true}) {
            int16_t y[kSub], mem[10];
            std::memcpy(mem, p + 72, sizeof(mem));
            const VokStatus s =
                low ? voksIIR16sLow_G729_16s(p, p + 22, y, mem) : voksIIR16s_G729_16s(p, p + 22, y, mem);
            ASSERT_EQ(s, vokStatusOk);
            ASSERT_EQ(0, std::memcmp(y, p + 82, sizeof(y))) << "record " << k << " low " << low;
            ASSERT_EQ(0, std::memcmp(mem, p + 122, sizeof(mem))) << "record " << k;
        }
        ++compared;
    }
    EXPECT_GT(compared, 150);
}

// Stream: factor, n, then n samples in and n out, the memory carried from call to call.
TEST(G729GainGoldenRandom, PreemphasisSequence) {
    golden::File f("g729_gain/preemph.bin");
    ASSERT_TRUE(f.ok());
    int16_t mem = 0, memCopy = 0;
    int calls = 0;
    for (; !f.done(); ++calls) {
        const int16_t g = f.i16();
        const int n = f.i16();
        std::vector<int16_t> x = f.take(n), y(x.size());
        const auto want = f.take(n);
        ASSERT_EQ(voksPreemphasize_G729A_16s(g, x.data(), y.data(), n, &memCopy), vokStatusOk);
        ASSERT_EQ(voksPreemphasize_G729A_16s_I(g, x.data(), n, &mem), vokStatusOk);
        ASSERT_EQ(x, want) << "call " << calls;
        ASSERT_EQ(y, want) << "call " << calls;
        ASSERT_EQ(mem, memCopy);
    }
    EXPECT_EQ(calls, 200);
}

// Records: the input the gain follows 40, the output to scale 40 | scaled 40; the gain carried.
TEST(G729GainGoldenRandom, GainControlAnnexASequence) {
    const auto r = records("agcx.bin", 120, 300);
    golden::each_level([&] {
        int16_t gain = 4096;
        for (size_t k = 0; k < r.count(); ++k) {
            int16_t out[kSub];
            std::memcpy(out, r[k] + 40, sizeof(out));
            ASSERT_EQ(voksGainControl_G729A_16s_I(r[k], out, &gain), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(out, r[k] + 80, sizeof(out))) << "record " << k;
        }
    });
}

// Records: parcor, memory sample and 40 in | 40 out.
TEST(G729GainGoldenRandom, TiltFilterExtremes) {
    golden::compare_records(records("filtmu.bin", 82, 300), 42, 40, [](const int16_t* p, int16_t* out) {
        return voksTiltCompensation_G729E_16s(p[0], p + 1, out);
    });
}

std::vector<float> floats(const int16_t* p, int n) {
    std::vector<float> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = golden::f32(p + 2 * i);
    return v;
}

// Records: correlations 5 (f32), candidates 2, taming, gcode0 (f32) | indices 2.
TEST(G729GainGoldenRandom, FloatGainCodebookSearches) {
    for (bool annexD : {false, true}) {
        const auto r = records(annexD ? "gain_search_6k_32f.bin" : "gain_search_32f.bin", 17, 600);
        golden::each_level([&] {
            for (size_t k = 0; k < r.count(); ++k) {
                const int16_t* p = r[k];
                const auto c = floats(p, 5);
                const Vok32s cand[2] = {p[10], p[11]};
                Vok32s idx[2] = {-1, -1};
                const float g0 = golden::f32(p + 13);
                const VokStatus s = annexD ? voksGainCodebookSearch_G729D_32f(c.data(), cand, idx, p[12], g0)
                                           : voksGainCodebookSearch_G729_32f(c.data(), cand, idx, p[12], g0);
                ASSERT_EQ(s, vokStatusOk);
                ASSERT_EQ(idx[0], p[15]) << "record " << k << " annex D " << annexD;
                ASSERT_EQ(idx[1], p[16]) << "record " << k << " annex D " << annexD;
            }
        });
    }
}

// Stream: order m, n, then (f32) a (m + 1), x (n), memory (m) | y (n), memory (m).
TEST(G729GainGoldenRandom, FloatSynthesisAnyOrder) {
    golden::File f("g729_gain/synth_32f.bin");
    ASSERT_TRUE(f.ok());
    int calls = 0;
    for (; !f.done(); ++calls) {
        const int m = f.i16(), n = f.i16();
        const auto a = floats(f.take(2 * (m + 1)).data(), m + 1), x = floats(f.take(2 * n).data(), n);
        auto mem = floats(f.take(2 * m).data(), m);
        const auto y = floats(f.take(2 * n).data(), n), mem1 = floats(f.take(2 * m).data(), m);
        std::vector<float> out(static_cast<size_t>(n));
        ASSERT_EQ(voksSynthesisFilter_G729_32f(a.data(), m, x.data(), out.data(), n, mem.data()),
                  vokStatusOk);
        ASSERT_EQ(0, std::memcmp(out.data(), y.data(), out.size() * 4)) << "call " << calls << " order " << m;
        ASSERT_EQ(0, std::memcmp(mem.data(), mem1.data(), mem.size() * 4)) << "call " << calls;
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
        for (int t = 0; t < 4; ++t)
            pastQ[t] = pastD[t] = static_cast<int16_t>(-14336 + static_cast<int>(next() % 20000));
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
    const auto r =
        records("agc_32f.bin", 2 * (2 + 2 * kSub + 1), 200);  // f32: gain, increment, in 40, out 40, gain
    float gain = 1.0f;
    for (size_t k = 0; k < r.count(); ++k) {
        const int16_t* p = r[k];
        ASSERT_EQ(gain, golden::f32(p)) << "record " << k;  // carried gain
        auto x = floats(p + 4, kSub);
        ASSERT_EQ(voksGainControl_G729_32f_I(x.data(), &gain, golden::f32(p + 2), 0.9875f), vokStatusOk);
        ASSERT_EQ(x, floats(p + 4 + 2 * kSub, kSub)) << "record " << k;
        ASSERT_EQ(gain, golden::f32(p + 4 + 4 * kSub)) << "record " << k;
    }
}

}  // namespace

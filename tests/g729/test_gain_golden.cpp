// Golden data of the G.729 main-body coder and decoder: per-call inputs and outputs of Qua_gain,
// Dec_gain, Pre_Process, Post_Process and the post-filter stages, captured from the ITU-T
// reference on the official test sequences (encoder: SPEECH ALGTHM FIXED LSP PITCH TAME; decoder:
// the same plus ERASURE OVERFLOW PARITY); with the Annex D quantiser and the gain controls of
// Annex A and of seeded extreme inputs, whose records have the same layouts.
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

// Records: x 40, y1 40, code 40, y2 40, taming, past energies 4 | gains 2, indices 2, past 4.
TEST(G729GainGolden, GainQuant) {
    using Fn = VokStatus (*)(const Vok16s*, const Vok16s*, const Vok16s*, const Vok16s*, Vok16s*, Vok16s*,
                             Vok16s*, Vok16s);
    const struct {
        const char* file;
        Fn fn;
    } sets[] = {{"qua_gain.bin", voksGainQuant_G729_16s}, {"qua_gain_6k.bin", voksGainQuant_G729D_16s}};
    for (const auto& s : sets) {
        golden::compare_records(records(s.file, 173, 500), 165, 8, [&](const int16_t* p, int16_t* out) {
            std::memcpy(out + 4, p + 161, 4 * sizeof(int16_t));  // gains, indices, past energies
            return s.fn(p, p + 40, p + 80, p + 120, out + 4, out, out + 2, p[160]);
        });
    }
}

// Records: bfi, packed indices, energy (32-bit), gains 2, past 4 | gains 2, past 4.
TEST(G729GainGolden, DecodeGainWithErasures) {
    const auto r = records("dec_gain.bin", 16, 622);
    golden::compare_records(r, 10, 6, [](const int16_t* p, int16_t* out) {
        std::memcpy(out, p + 4, 6 * sizeof(int16_t));
        const int16_t idx[2] = {static_cast<int16_t>(p[1] >> 4), static_cast<int16_t>(p[1] & 15)};
        return voksDecodeGain_G729_16s(golden::i32(p + 2), out + 2, p[0] ? nullptr : idx, out);
    });
    int erased = 0;
    for (size_t k = 0; k < r.count(); ++k) erased += r[k][0] != 0;
    EXPECT_EQ(erased, 122);
}

// Stream: n, then n samples in and n out, one call each, the state carried (an odd address:
// the state needs no alignment).
TEST(G729GainGolden, PreProcessingHighPassOnSpeech) {
    static constexpr int16_t kPre[6] = {4096, 7807, -3733, 1899, -3798, 1899};
    golden::File f("g729_gain/hp12_speech.bin");
    ASSERT_TRUE(f.ok());
    int size = 0;
    ASSERT_EQ(voksHighPassFilterSize_G729(&size), vokStatusOk);
    std::vector<uint8_t> raw(static_cast<size_t>(size) + 1);
    auto* st = reinterpret_cast<VokG729HighPassState*>(raw.data() + 1);
    ASSERT_EQ(voksHighPassFilterInit_G729(kPre, st), vokStatusOk);
    int calls = 0;
    for (; !f.done(); ++calls) {
        const int n = f.i16();
        std::vector<int16_t> x = f.take(n);
        ASSERT_EQ(voksHighPassFilter_G729_16s_ISfs(x.data(), n, 12, st), vokStatusOk);
        ASSERT_EQ(x, f.take(n)) << "call " << calls;
    }
    EXPECT_EQ(calls, 300);
}

// Records: 80 samples in | 80 out, the state carried.
TEST(G729GainGolden, PostProcessingHighPassOnDecodedSpeech) {
    static constexpr int16_t kPost[6] = {8192, 15836, -7667, 7699, -15398, 7699};
    for (const char* name : {"hp13_speech.bin", "hp13_overflow.bin"}) {
        const auto r = records(name, 160, 150);
        uint8_t raw[24];
        auto* st = reinterpret_cast<VokG729HighPassState*>(raw);
        ASSERT_EQ(voksHighPassFilterInit_G729(kPost, st), vokStatusOk);
        for (size_t k = 0; k < r.count(); ++k) {
            int16_t x[80];
            std::memcpy(x, r[k], sizeof(x));
            ASSERT_EQ(voksHighPassFilter_G729_16s_ISfs(x, 80, 13, st), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(x, r[k] + 80, sizeof(x))) << name << " frame " << k;
        }
    }
}

// Harmonic post-filter. Records: [harmonic weight,] delay, residual 152 + 40 | out 40, voicing.
// The main-body files carry no weight (it is 16384); Annex E's vary it (speech: adaptive, half
// the calls; seeded: 0..16384).
TEST(G729GainGolden, LongTermPostFilter) {
    const struct {
        const char* file;
        size_t count;
        int weighted, min_voiced, max_voiced, reweighted;  // -1: any
    } sets[] = {{"ltp.bin", 400, 0, 101, 399, -1},
                {"ltpe_speech.bin", 300, 1, 0, 300, 150},
                {"ltpe.bin", 300, 1, 101, 300, -1}};
    for (const auto& s : sets) {
        const auto r = records(s.file, 234 + s.weighted, s.count);
        golden::compare_records(r, 193 + s.weighted, 41, [&](const int16_t* p, int16_t* out) {
            const int16_t gamma = s.weighted ? p[0] : 16384;
            p += s.weighted;
            return voksLongTermPostFilter_G729_16s(gamma, p[0], p + 1 + 152, out, out + 40);
        });
        int voiced = 0, reweighted = 0;  // from the records, which the outputs equal
        for (size_t k = 0; k < r.count(); ++k) {
            voiced += r[k][233 + s.weighted] != 0;
            reweighted += s.weighted && r[k][0] != 16384;
        }
        EXPECT_GE(voiced, s.min_voiced) << s.file;  // both branches are exercised
        EXPECT_LE(voiced, s.max_voiced) << s.file;
        EXPECT_TRUE(s.reweighted < 0 || reweighted == s.reweighted) << s.file << " " << reweighted;
    }
}

// Records: A(z/0.7) 11, ltp 40, memory 10 | out 40, impulse response 20 (saturation warns).
TEST(G729GainGolden, ShortTermPostFilter) {
    golden::compare_records(
        records("st.bin", 121, 400), 61, 60,
        [](const int16_t* p, int16_t* out) {
            int16_t buf[10 + kSub];
            std::memcpy(buf, p + 51, 10 * sizeof(int16_t));
            const VokStatus st = voksShortTermPostFilter_G729_16s(p, p + 11, buf + 10, out + 40);
            std::memcpy(out, buf + 10, kSub * sizeof(int16_t));
            return st;
        },
        vokStatusOverflow);
}

// Records: impulse response 20, memory sample, 40 in, parcor | 40 out. The Annex E form takes
// the recorded first parcor.
TEST(G729GainGolden, TiltCompensation) {
    const auto r = records("tilt.bin", 102, 400);
    golden::compare_records(r, 62, kSub, [](const int16_t* p, int16_t* out) {
        int16_t buf[41];
        std::memcpy(buf, p + 20, sizeof(buf));
        const VokStatus st = voksTiltCompensation_G729_16s(p, buf + 1);
        EXPECT_EQ(buf[0], p[20]);  // memory sample untouched
        std::memcpy(out, buf + 1, kSub * sizeof(int16_t));
        return st;
    });
    golden::compare_records(r, 62, kSub, [](const int16_t* p, int16_t* out) {
        return voksTiltCompensation_G729E_16s(p[61], p + 20, out);
    });
}

// Records of 122 words: the input the gain follows (40), the output to scale (40), the running
// gain, then the expected output (40) and gain.
TEST(G729GainGolden, GainControl) {
    const struct {
        const char* file;
        size_t count;
        VokStatus (*fn)(const Vok16s*, Vok16s*, Vok16s*);
    } sets[] = {{"agc.bin", 400, voksGainControl_G729_16s_I},
                {"agc_a.bin", 400, voksGainControl_G729A_16s_I},
                {"scalest.bin", 300, voksGainControl_G729_16s_I}};
    for (const auto& s : sets) {
        golden::compare_records(records(s.file, 122, s.count), 81, 41, [&](const int16_t* p, int16_t* out) {
            std::memcpy(out, p + 40, 41 * sizeof(int16_t));  // output, gain
            return s.fn(p, out, out + 40);
        });
    }
}

// The whole post-filter of the decoder, one sub-frame per record, as a caller chains the public
// operations: A(z/0.55) residual and harmonic filter, short-term filter, tilt compensation and
// gain control. Records: delay, A(z) (11), speech (10 past + 40), past residual (152), synthesis
// memory (10), gain; then the output (40), the reference voicing (delay or 0) and the gain.
TEST(G729GainGolden, PostFilterChain) {
    const auto r = records("post_chain.bin", 267, 200);
    golden::each_level([&] {
        int voiced = 0;
        for (size_t k = 0; k < r.count(); ++k) {
            const int16_t* p = r[k];
            int16_t res[194], ltp[kSub], voicing = -1, syn[10 + kSub], h[20];
            res[0] = res[1] = 0x5A5A;
            std::memcpy(res + 2, p + 62, 152 * sizeof(int16_t));
            ASSERT_EQ(voksLongTermPostFilter_G729B_16s(p[0], p + 22, p + 1, res, ltp, &voicing, 1),
                      vokStatusOk);
            ASSERT_EQ(voicing, p[265] != 0 ? 1 : 0) << "record " << k;
            std::memcpy(syn, p + 214, 10 * sizeof(int16_t));
            const VokStatus s = voksShortTermPostFilter_G729_16s(p + 1, ltp, syn + 10, h);
            ASSERT_TRUE(s == vokStatusOk || s == vokStatusOverflow);
            ASSERT_EQ(voksTiltCompensation_G729_16s(h, syn + 10), vokStatusOk);
            int16_t gain = p[224];
            ASSERT_EQ(voksGainControl_G729_16s_I(p + 22, syn + 10, &gain), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(syn + 10, p + 225, kSub * 2)) << "record " << k;
            ASSERT_EQ(gain, p[266]) << "record " << k;
            voiced += voicing;
        }
        EXPECT_GT(voiced, 50);
        EXPECT_LT(voiced, 190);
    });
}

}  // namespace

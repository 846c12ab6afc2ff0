// The G.729 excitation operations against the ITU-T reference routines (G.729 release 2 main
// body PITCH.C, PRED_LT3.C, ACELP_CO.C, FILTER.C; Annex A PITCH_A.C, ACELP_CA.C) on real speech
// sub-frames captured inside the reference coders (the six main-body .IN sequences) and on
// seeded random and extreme inputs. Each test runs at every kernel level.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/golden.h"
#include "voksc.h"

namespace {

constexpr size_t kMinRecords = 100;

golden::File load(const char* name, size_t words) {
    return golden::File(std::string("g729_exc/") + name, words);
}

// Record: speech 143 + 80 | lag.
TEST(G729ExcGolden, OpenLoopPitch) {
    for (auto fn : {voksOpenLoopPitchSearch_G729_16s, voksOpenLoopPitchSearch_G729A_16s}) {
        const golden::File r =
            load(fn == voksOpenLoopPitchSearch_G729_16s ? "pitch_ol.bin" : "pitch_ol_a.bin", 224);
        ASSERT_GE(r.count(), kMinRecords);
        golden::compare_records(r, 223, 1, [&](const int16_t* p, int16_t* out) { return fn(p + 143, out); });
    }
}

// Record: exc 194, target 40, response 40, delay, sub-frame | T0, frac, adaptive vector 40 (also
// written into the excitation, whose history stays).
TEST(G729ExcGolden, AdaptiveCodebookSearch) {
    for (auto fn : {voksAdaptiveCodebookSearch_G729_16s, voksAdaptiveCodebookSearch_G729A_16s}) {
        const golden::File r =
            load(fn == voksAdaptiveCodebookSearch_G729_16s ? "pitch_fr3.bin" : "pitch_fr3_a.bin", 318);
        ASSERT_GE(r.count(), kMinRecords);
        golden::compare_records(r, 276, 42, [&](const int16_t* p, int16_t* out) {
            std::vector<Vok16s> exc(p, p + 194);
            out[0] = 0;
            out[1] = 9;
            const VokStatus st = fn(p[274], p + 194, p + 234, exc.data(), out, out + 2, p[275]);
            EXPECT_EQ(0, std::memcmp(exc.data() + 154, out + 2, 80)) << "vector not in the excitation";
            EXPECT_EQ(0, std::memcmp(exc.data(), p, 154 * sizeof(Vok16s))) << "history changed";
            return st;
        });
    }
}

// Records: exc 194, T0, frac | vector 40 (pred_lt3); the speech records of the search carry
// the vector of the chosen delay as well.
TEST(G729ExcGolden, DecodeAdaptiveVector) {
    const golden::File r = load("pred_lt3.bin", 236), s = load("pitch_fr3.bin", 318);
    ASSERT_GE(r.count(), 90u);
    golden::compare_records(r, 196, 40, [](const int16_t* p, int16_t* out) {
        std::vector<Vok16s> exc(p, p + 194);
        return voksDecodeAdaptiveVector_G729_16s(p + 194, exc.data(), out);
    });
    for (const golden::File* f : {&r, &s}) {
        const size_t delay = f == &r ? 194 : 276;
        golden::compare_records(*f, delay + 2, 40, [&](const int16_t* p, int16_t* out) {
            std::vector<Vok16s> exc(p, p + 194);
            const VokStatus st = voksDecodeAdaptiveVector_G729_16s_I(p + delay, exc.data());
            std::memcpy(out, exc.data() + 154, 80);
            return st;
        });
    }
}

// Record: target 40, response 40 (G.729) or LP 11 (Annex A), vector 40 | filtered 40, gain.
TEST(G729ExcGolden, AdaptiveCodebookGain) {
    for (auto fn : {voksAdaptiveCodebookGain_G729_16s, voksAdaptiveCodebookGain_G729A_16s}) {
        const bool a = fn == voksAdaptiveCodebookGain_G729A_16s;
        const golden::File r = load(a ? "g_pitch_a.bin" : "g_pitch.bin", a ? 132 : 161);
        ASSERT_GE(r.count(), kMinRecords);
        const size_t vec = a ? 51 : 80;
        golden::compare_records(r, vec + 40, 41, [&](const int16_t* p, int16_t* out) {
            return fn(p, p + 40, p + vec, out, out + 40);
        });
    }
}

// Record: target 40, filtered vector 40, gain | updated target 40.
TEST(G729ExcGolden, AdaptiveCodebookContribution) {
    const golden::File r = load("target.bin", 121);
    ASSERT_GE(r.count(), kMinRecords);
    golden::compare_records(r, 81, 40, [](const int16_t* p, int16_t* out) {
        return voksAdaptiveCodebookContribution_G729_16s(p[80], p + 40, p, out);
    });
}

// Record: response 40 | matrix 616 (the 32-bit form >> 15).
TEST(G729ExcGolden, ToeplizMatrix) {
    for (const char* file : {"cor_h.bin", "cor_h_a.bin"}) {
        const golden::File r = load(file, 656);
        ASSERT_GE(r.count(), 40u) << file;
        golden::compare_records(
            r, 40, 616, [](const int16_t* p, int16_t* m) { return voksToeplizMatrix_G729_16s(p, m); });
        golden::compare_records(r, 40, 616, [](const int16_t* p, int16_t* m) {
            Vok32s m32[616];
            const VokStatus st = voksToeplizMatrix_G729_16s32s(p, m32);
            for (int k = 0; k < 616; ++k) m[k] = static_cast<int16_t>(m32[k] >> 15);
            return st;
        });
    }
}

// FNV-1a of a sign-modified matrix as two words, low first.
void put_hash(const Vok16s* m, int16_t* out) {
    const uint32_t h = golden::fnv32(m, 616);
    out[0] = static_cast<int16_t>(h & 0xFFFF);
    out[1] = static_cast<int16_t>(h >> 16);
}

// Record: response 40, d 40, sub-frame, counter in | code 40, sign, position, counter out,
// FNV-1a of the sign-modified matrix (of its low 16 bits on the 32-bit path).
TEST(G729ExcGolden, FixedCodebookSearch) {
    const golden::File r = load("d4i40.bin", 127);
    ASSERT_GE(r.count(), kMinRecords);
    golden::compare_records(r, 82, 45, [](const int16_t* p, int16_t* out) {
        Vok32s m32[616];
        Vok16s back[616];
        EXPECT_EQ(voksToeplizMatrix_G729_16s32s(p, m32), vokStatusOk);
        out[42] = p[81];
        const VokStatus st = voksFixedCodebookSearch_G729_32s16s(p + 40, m32, out, out + 40, out + 42, p[80]);
        for (int k = 0; k < 616; ++k) back[k] = static_cast<Vok16s>(m32[k]);
        put_hash(back, out + 43);
        return st;
    });
    golden::compare_records(r, 82, 45, [](const int16_t* p, int16_t* out) {
        Vok16s m16[616];
        EXPECT_EQ(voksToeplizMatrix_G729_16s(p, m16), vokStatusOk);
        out[42] = p[81];
        const VokStatus st = voksFixedCodebookSearch_G729_16s(p + 40, m16, out, out + 40, out + 42, p[80]);
        put_hash(m16, out + 43);
        return st;
    });
}

// Record: response 40, d 40 | code 40, sign, position, FNV-1a of the modified 16-bit matrix.
TEST(G729ExcGolden, FixedCodebookSearchAnnexA) {
    const golden::File r = load("d4i40_a.bin", 124);
    ASSERT_GE(r.count(), kMinRecords);
    golden::compare_records(r, 80, 42, [](const int16_t* p, int16_t* out) {
        Vok32s m32[616];
        EXPECT_EQ(voksToeplizMatrix_G729_16s32s(p, m32), vokStatusOk);
        return voksFixedCodebookSearch_G729A_32s16s(p + 40, m32, out, out + 40);
    });
    golden::compare_records(r, 80, 44, [](const int16_t* p, int16_t* out) {
        Vok16s m16[616];
        EXPECT_EQ(voksToeplizMatrix_G729_16s(p, m16), vokStatusOk);
        const VokStatus st = voksFixedCodebookSearch_G729A_16s(p + 40, m16, out, out + 40);
        put_hash(m16, out + 42);
        return st;
    });
}

// Annex D reference (pitchd.c Pitch_fr3D at 6.4 kbit/s, acelpcod.c Cor_h_D and D2i40_11).
// Record: exc 194, target 40, response 40, delay, sub-frame | T0, frac.
TEST(G729ExcGolden, AdaptiveCodebookSearchAnnexD) {
    const golden::File r = load("pitch_fr3_d.bin", 278);
    ASSERT_GE(r.count(), kMinRecords);
    golden::compare_records(r, 276, 2, [](const int16_t* p, int16_t* out) {
        return voksAdaptiveCodebookSearch_G729D_16s(p[274], p + 194, p + 234, p, p[275], out);
    });
}

// Record: response 40, d 40 | code 40, filtered code 40, sign, index.
TEST(G729ExcGolden, FixedCodebookSearchAnnexD) {
    const golden::File r = load("d2i40_d.bin", 162);
    ASSERT_GE(r.count(), kMinRecords);
    golden::compare_records(r, 80, 82, [](const int16_t* p, int16_t* out) {
        return voksFixedCodebookSearch_G729D_16s(p + 40, p, out, out + 40, out + 80, out + 81);
    });
}

// Annex E reference (acelp_e.c ACELP_10i40_35bits and ACELP_12i40_44bits) inside the 11.8 kbit/s
// coder. Record: selector, target 40, LTP residual 40, response 40 | code 40, filtered 40, 5 words.
TEST(G729ExcGolden, FixedCodebookSearchAnnexE) {
    const golden::File r = load("acelp_e.bin", 206);
    ASSERT_GE(r.count(), kMinRecords);
    golden::compare_records(r, 121, 85, [](const int16_t* p, int16_t* out) {
        return voksFixedCodebookSearch_G729E_16s(p[0], p + 1, p + 41, p + 81, out, out + 40, out + 80);
    });
    int counts[2] = {0, 0};
    for (size_t i = 0; i < r.count(); ++i) ++counts[r[i][0] != 0];
    EXPECT_GE(counts[0], 100);
    EXPECT_GE(counts[1], 100);
}

// Inputs on which no start of the reference Annex E search beats its initial pair, so that the
// reference builds its codeword from uninitialised memory. These operations keep the first
// start's codeword: every output still carries exactly 10 or 12 unit pulses whose index words
// have the reference layout.
TEST(G729ExcGolden, AnnexEWithoutAcceptedStart) {
    const golden::File r = load("acelp_e_nostart.bin", 121);
    ASSERT_GE(r.count(), 5u);
    for (size_t i = 0; i < r.count(); ++i) {
        const int16_t* rec = r[i];
        Vok16s code[40], y[40], idx[5];
        ASSERT_EQ(voksFixedCodebookSearch_G729E_16s(rec[0], rec + 1, rec + 41, rec + 81, code, y, idx),
                  vokStatusOk);
        int pulses = 0;
        for (int k = 0; k < 40; ++k) {
            EXPECT_EQ(code[k] % 4096, 0) << i;
            pulses += (code[k] < 0 ? -code[k] : code[k]) / 4096;
        }
        EXPECT_LE(pulses, rec[0] ? 12 : 10) << i;
        EXPECT_GE(pulses, 2) << i;
        EXPECT_EQ(pulses % 2, 0) << i;
        for (int k = rec[0] ? 2 : 0; k < 5; ++k) {
            EXPECT_GE(idx[k], 0) << i;
            EXPECT_LE(idx[k], 127) << i;
        }
    }
}

}  // namespace

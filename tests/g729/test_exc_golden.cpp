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

// Record: exc 194, target 40, response 40, delay, sub-frame | T0, frac, adaptive vector 40.
TEST(G729ExcGolden, AdaptiveCodebookSearch) {
    using Fn = VokStatus (*)(Vok16s, const Vok16s*, const Vok16s*, Vok16s*, Vok16s*, Vok16s*, Vok16s);
    struct Case {
        const char* file;
        Fn fn;
    };
    for (const Case& c : {Case{"pitch_fr3.bin", voksAdaptiveCodebookSearch_G729_16s},
                          Case{"pitch_fr3_a.bin", voksAdaptiveCodebookSearch_G729A_16s}}) {
        const golden::File r = load(c.file, 318);
        ASSERT_GE(r.count(), kMinRecords) << c.file;
        golden::each_level([&] {
            for (size_t i = 0; i < r.count(); ++i) {
                const int16_t* rec = r[i];
                std::vector<Vok16s> exc(rec, rec + 194);
                Vok16s out[42] = {0, 9};  // T0, frac, adaptive vector
                ASSERT_EQ(c.fn(rec[274], rec + 194, rec + 234, exc.data(), out, out + 2, rec[275]),
                          vokStatusOk);
                ASSERT_EQ(0, std::memcmp(out, rec + 276, sizeof out)) << c.file << " record " << i;
                ASSERT_EQ(0, std::memcmp(exc.data() + 154, rec + 278, 80)) << c.file << " record " << i;
                ASSERT_EQ(0, std::memcmp(exc.data(), rec, 154 * sizeof(Vok16s))) << "history changed";
            }
        });
    }
}

// The reference Pitch_fr3D shares the integer and sub-frame-0 fractional search with Pitch_fr3.
TEST(G729ExcGolden, AdaptiveCodebookSearchAnnexDSubframe0) {
    const golden::File r = load("pitch_fr3.bin", 318);
    ASSERT_GE(r.count(), kMinRecords);
    int checked = 0;
    for (size_t i = 0; i < r.count(); ++i) {
        const int16_t* rec = r[i];
        if (rec[275] != 0) continue;
        Vok16s delay[2];
        ASSERT_EQ(voksAdaptiveCodebookSearch_G729D_16s(rec[274], rec + 194, rec + 234, rec, 0, delay),
                  vokStatusOk);
        ASSERT_EQ(0, std::memcmp(delay, rec + 276, sizeof delay)) << i;
        ++checked;
    }
    EXPECT_GE(checked, 50);
}

// Record: exc 194, T0, frac | vector 40.
TEST(G729ExcGolden, DecodeAdaptiveVector) {
    const golden::File r = load("pred_lt3.bin", 236);
    const golden::File s = load("pitch_fr3.bin", 318);
    ASSERT_GE(r.count(), 90u);
    golden::each_level([&] {
        for (size_t i = 0; i < r.count(); ++i) {
            const int16_t* rec = r[i];
            std::vector<Vok16s> exc(rec, rec + 194);
            Vok16s out[40];
            ASSERT_EQ(voksDecodeAdaptiveVector_G729_16s(rec + 194, exc.data(), out), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(out, rec + 196, sizeof out)) << i;
            ASSERT_EQ(voksDecodeAdaptiveVector_G729_16s_I(rec + 194, exc.data()), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(exc.data() + 154, rec + 196, sizeof out)) << i;
        }
        // The speech records carry the vector of the chosen delay as well.
        for (size_t i = 0; i < s.count(); ++i) {
            const int16_t* rec = s[i];
            std::vector<Vok16s> exc(rec, rec + 194);
            ASSERT_EQ(voksDecodeAdaptiveVector_G729_16s_I(rec + 276, exc.data()), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(exc.data() + 154, rec + 278, 80)) << i;
        }
    });
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

// Record: response 40 | matrix 616.
TEST(G729ExcGolden, ToeplizMatrix) {
    for (const char* file : {"cor_h.bin", "cor_h_a.bin"}) {
        const golden::File r = load(file, 656);
        ASSERT_GE(r.count(), 40u) << file;
        golden::each_level([&] {
            for (size_t i = 0; i < r.count(); ++i) {
                const int16_t* rec = r[i];
                Vok16s m16[616];
                Vok32s m32[616];
                ASSERT_EQ(voksToeplizMatrix_G729_16s(rec, m16), vokStatusOk);
                ASSERT_EQ(0, std::memcmp(m16, rec + 40, sizeof m16)) << file << " record " << i;
                ASSERT_EQ(voksToeplizMatrix_G729_16s32s(rec, m32), vokStatusOk);
                for (int k = 0; k < 616; ++k)
                    ASSERT_EQ(m32[k] >> 15, rec[40 + k]) << file << " " << i << " " << k;
            }
        });
    }
}

// Record: response 40, d 40, sub-frame, counter in | code 40, sign, position, counter out,
// FNV-1a of the sign-modified matrix (low, high).
TEST(G729ExcGolden, FixedCodebookSearch) {
    const golden::File r = load("d4i40.bin", 127);
    ASSERT_GE(r.count(), kMinRecords);
    golden::each_level([&] {
        for (size_t i = 0; i < r.count(); ++i) {
            const int16_t* rec = r[i];
            const auto hash = static_cast<uint32_t>(golden::i32(rec + 125));
            // 32-bit matrix path.
            Vok32s m32[616];
            ASSERT_EQ(voksToeplizMatrix_G729_16s32s(rec, m32), vokStatusOk);
            Vok16s out[43];  // code, sign, position, counter
            out[42] = rec[81];
            ASSERT_EQ(voksFixedCodebookSearch_G729_32s16s(rec + 40, m32, out, out + 40, out + 42, rec[80]),
                      vokStatusOk);
            ASSERT_EQ(0, std::memcmp(out, rec + 82, sizeof out)) << i;
            Vok16s back[616];
            for (int k = 0; k < 616; ++k) back[k] = static_cast<Vok16s>(m32[k]);
            ASSERT_EQ(golden::fnv32(back, 616), hash) << i;
            // 16-bit matrix path.
            Vok16s m16[616];
            ASSERT_EQ(voksToeplizMatrix_G729_16s(rec, m16), vokStatusOk);
            out[42] = rec[81];
            ASSERT_EQ(voksFixedCodebookSearch_G729_16s(rec + 40, m16, out, out + 40, out + 42, rec[80]),
                      vokStatusOk);
            ASSERT_EQ(0, std::memcmp(out, rec + 82, sizeof out)) << i;
            ASSERT_EQ(golden::fnv32(m16, 616), hash) << i;
        }
    });
}

// Record: response 40, d 40 | code 40, sign, position, FNV-1a of the modified matrix.
TEST(G729ExcGolden, FixedCodebookSearchAnnexA) {
    const golden::File r = load("d4i40_a.bin", 124);
    ASSERT_GE(r.count(), kMinRecords);
    golden::each_level([&] {
        for (size_t i = 0; i < r.count(); ++i) {
            const int16_t* rec = r[i];
            const auto hash = static_cast<uint32_t>(golden::i32(rec + 122));
            Vok32s m32[616];
            ASSERT_EQ(voksToeplizMatrix_G729_16s32s(rec, m32), vokStatusOk);
            Vok16s out[42];  // code, sign, position
            ASSERT_EQ(voksFixedCodebookSearch_G729A_32s16s(rec + 40, m32, out, out + 40), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(out, rec + 80, sizeof out)) << i;
            Vok16s m16[616];
            ASSERT_EQ(voksToeplizMatrix_G729_16s(rec, m16), vokStatusOk);
            ASSERT_EQ(voksFixedCodebookSearch_G729A_16s(rec + 40, m16, out, out + 40), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(out, rec + 80, sizeof out)) << i;
            ASSERT_EQ(golden::fnv32(m16, 616), hash) << i;
        }
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

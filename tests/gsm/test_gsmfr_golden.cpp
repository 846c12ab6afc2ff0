// GSM full-rate operations against the outputs of the GSM 06.10 reference routines (files in
// tests/data/gsmfr, see tests/data/README.md) on seeded random, extreme and speech inputs, with
// the filter memories carried from record to record as the reference carried them. Every
// kernel level must reproduce them. Records are read in sequence, little-endian 16-bit words
// and 32-bit values as each test reads them.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "support/golden.h"
#include "voksc.h"

namespace {

// Runs `check` on each record of a file at every kernel level; the file holds `count` records.
void each_record(const char* name, int count, const std::function<void(golden::File&, int)>& check) {
    golden::each_level([&] {
        golden::File f(std::string("gsmfr/") + name);
        ASSERT_TRUE(f.ok()) << name;
        int n = 0;
        for (; !f.done() && !::testing::Test::HasFatalFailure(); ++n) check(f, n);
        EXPECT_EQ(n, count) << name;
    });
}

#define SAME(got, want) EXPECT_EQ(std::memcmp(got, want, sizeof(got)), 0) << "record " << k

// Record: acf 9 (32-bit) | reflection coefficients 8.
TEST(GsmfrGolden, Schur) {
    each_record("schur.bin", 600, [](golden::File& f, int k) {
        Vok32s acf[9];
        Vok16s want[8], got[8];
        f.read(acf, 9);
        f.read(want, 8);
        ASSERT_EQ(voksSchur_GSMFR_32s16s(acf, got, 8), vokStatusOk);
        SAME(got, want);
    });
}

// Record: length, rp 8, u 8, x 160 | x 160, u 8.
TEST(GsmfrGolden, ShortTermAnalysis) {
    each_record("analysis.bin", 200, [](golden::File& f, int k) {
        const int len = f.i16();
        Vok16s rp[8], u[8], x[160], want[160], want_u[8];
        f.read(rp, 8);
        f.read(u, 8);
        f.read(x, 160);
        f.read(want, 160);
        f.read(want_u, 8);
        ASSERT_EQ(voksShortTermAnalysisFilter_GSMFR_16s_I(rp, x, len, u), vokStatusOk);
        SAME(x, want);
        SAME(u, want_u);
    });
}

// Record: length, rp 8, v 9, e 160 | out 160 (zeros past the length), v 9.
TEST(GsmfrGolden, ShortTermSynthesis) {
    each_record("synthesis.bin", 200, [](golden::File& f, int k) {
        const int len = f.i16();
        Vok16s rp[8], v[9], e[160], want[160], want_v[9], out[160] = {};
        f.read(rp, 8);
        f.read(v, 9);
        f.read(e, 160);
        f.read(want, 160);
        f.read(want_v, 9);
        ASSERT_EQ(voksShortTermSynthesisFilter_GSMFR_16s(rp, e, out, len, v), vokStatusOk);
        EXPECT_EQ(std::memcmp(out, want, len * sizeof(Vok16s)), 0) << "record " << k;
        SAME(v, want_v);
    });
}

// Record: x 50 (5 before, 5 after the 40 filtered) | out 40.
TEST(GsmfrGolden, WeightingFilter) {
    each_record("weighting.bin", 400, [](golden::File& f, int k) {
        Vok16s x[50], want[40], got[40];
        f.read(x, 50);
        f.read(want, 40);
        ASSERT_EQ(voksWeightingFilter_GSMFR_16s(x + 5, got, 40), vokStatusOk);
        SAME(got, want);
    });
}

// Record: mantissa factor, shift, xmc 13 | dequantised 13.
TEST(GsmfrGolden, RpeDequantisation) {
    each_record("rpe.bin", 512, [](golden::File& f, int k) {
        const Vok16s fac = f.i16(), shift = f.i16();
        Vok16s xmc[13], want[13], got[13];
        f.read(xmc, 13);
        f.read(want, 13);
        ASSERT_EQ(voksRPEQuantDecode_GSMFR_16s(xmc, fac, shift, got), vokStatusOk);
        SAME(got, want);
    });
}

// Record: memory, x 160 | out 160, memory.
TEST(GsmfrGolden, Deemphasis) {
    each_record("deemph.bin", 120, [](golden::File& f, int k) {
        Vok16s mem = f.i16(), x[160], want[160];
        f.read(x, 160);
        f.read(want, 160);
        ASSERT_EQ(voksDeemphasize_GSMFR_16s_I(x, 160, &mem), vokStatusOk);
        SAME(x, want);
        EXPECT_EQ(mem, f.i16()) << "record " << k;
    });
}

// The reference pre-processing is offset compensation followed by pre-emphasis. Record: L_z2
// (32-bit), z1, mp, s 160 | out 160, L_z2, z1, mp.
TEST(GsmfrGolden, HighPassThenPreemphasis) {
    each_record("preprocess.bin", 120, [](golden::File& f, int k) {
        Vok32s hp[2] = {f.i32(), f.i16()};
        Vok16s mp = f.i16(), s[160], want[160], so[160];
        f.read(s, 160);
        f.read(want, 160);
        ASSERT_EQ(voksHighPassFilter_GSMFR_16s(s, so, 160, hp), vokStatusOk);
        ASSERT_EQ(voksPreemphasize_GSMFR_16s(so, so, 160, &mp), vokStatusOk);
        SAME(so, want);
        EXPECT_EQ(hp[0], f.i32()) << "record " << k;
        EXPECT_EQ(hp[1], f.i16()) << "record " << k;
        EXPECT_EQ(mp, f.i16()) << "record " << k;
    });
}

}  // namespace

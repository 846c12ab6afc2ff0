// The example decoder's 16-bit synthesis filter (high band) and 12.8 to 16 kHz interpolation
// against the reference routines' saturating chains (Syn_filt: y = round(L_shl(L_mult(x, a0 / 2)
// - sum 2 a[j] y[i - j], 3 + norm_s(a0) - 2)); Oversamp_16k: round(L_shl(sum 2 x fir, 1))), over
// chained calls with quiet, loud and full-scale inputs, so that the plain paths, their
// fallbacks and the clamped outputs all run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>

#include "amrwb/amrwb_dec_dsp.h"
#include "amrwb/amrwb_dec_tables.h"
#include "amrwb/amrwb_ops.h"

namespace {

int32_t sat32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

int norm16(int16_t v) {
    if (v == 0) return 0;
    if (v == -1) return 15;
    int n = 0;
    for (int32_t t = v < 0 ? ~v : v; t < 0x4000; t <<= 1) ++n;
    return n;
}

// The reference's Syn_filt with the memory updated, written from its basic operators.
void reference(const int16_t* a, int m, const int16_t* x, int16_t* y, int n, int16_t* mem) {
    int16_t yy[20 + 80];
    std::memcpy(yy, mem, sizeof(int16_t) * m);
    const int s = norm16(a[0]) - 2, a0 = a[0] >> 1;
    for (int i = 0; i < n; ++i) {
        int32_t t = sat32(2 * int64_t{x[i]} * a0);
        for (int j = 1; j <= m; ++j) t = sat32(t - 2 * int64_t{a[j]} * yy[m + i - j]);
        const int k = 3 + s;  // 1 .. 16
        t = sat32(int64_t{t} * (int64_t{1} << k));
        yy[m + i] = y[i] = static_cast<int16_t>(sat32(int64_t{t} + 0x8000) >> 16);
    }
    std::memcpy(mem, yy + n, sizeof(int16_t) * m);
}

TEST(AmrwbDecoderDsp, Synthesis16AgainstReferenceChain) {
    struct Case {
        int m, n;
        int amp;     // input magnitude bound (32768: full scale, alternating signs)
        int weight;  // sum of |a[j]|, j >= 1, before the a[0] share
        int a0;      // a[0]
    };
    const Case cases[] = {
        {16, 80, 2000, 12000, 4096},  {20, 80, 2000, 12000, 4096},   // quiet: the block path
        {16, 80, 32767, 28000, 4096}, {20, 80, 32767, 28000, 4096},  // loud: its fallback
        {16, 80, 32768, 30000, 4096}, {20, 80, 32768, 30000, 4096},  // full scale
        {16, 64, 20000, 20000, 2048}, {16, 60, 20000, 20000, 4096},  // other a[0], n not of 8
        {16, 80, 32767, 40000, 4096}, {20, 80, 8000, 40000, 4096},   // weights past 2^15
    };
    std::mt19937 rng(20261207);
    for (const Case& c : cases) {
        int16_t mem_got[20] = {}, mem_want[20] = {};
        for (int call = 0; call < 300; ++call) {
            int16_t a[21], x[80] = {}, got[80], want[80];
            a[0] = static_cast<int16_t>(c.a0);
            // Decaying random taps scaled to the weight, so the filter rings but stays bounded.
            int64_t sum = 0;
            int32_t raw[21];
            for (int j = 1; j <= c.m; ++j) {
                raw[j] = static_cast<int32_t>(rng() % 2001) - 1000;
                raw[j] = raw[j] * 8 / (j + 1);
                sum += std::abs(raw[j]);
            }
            for (int j = 1; j <= c.m; ++j)
                a[j] = static_cast<int16_t>(sum ? int64_t{raw[j]} * (c.weight - c.a0 / 2) / sum : 0);
            for (int i = 0; i < c.n; ++i) {
                if (c.amp == 32768)
                    x[i] = (i + call) % 2 ? int16_t{32767} : int16_t{-32768};
                else
                    x[i] = static_cast<int16_t>(static_cast<int32_t>(rng() % (2 * c.amp + 1)) - c.amp);
            }
            reference(a, c.m, x, want, c.n, mem_want);
            amrwbex::dec::synthesis16(a, c.m, x, got, c.n, mem_got);
            ASSERT_EQ(std::memcmp(got, want, sizeof(int16_t) * c.n), 0) << "m " << c.m << " call " << call;
            ASSERT_EQ(std::memcmp(mem_got, mem_want, sizeof(int16_t) * c.m), 0)
                << "m " << c.m << " call " << call;
            if (call % 7 == 3) {  // in place gives the same, the memory carried on
                int16_t mem_ref[20];
                std::memcpy(mem_ref, mem_got, sizeof mem_ref);
                std::memcpy(got, x, sizeof x);
                amrwbex::dec::synthesis16(a, c.m, got, got, c.n, mem_got);
                reference(a, c.m, x, want, c.n, mem_ref);
                ASSERT_EQ(std::memcmp(got, want, sizeof(int16_t) * c.n), 0) << "in place, m " << c.m;
                std::memcpy(mem_want, mem_ref, sizeof mem_ref);
            }
        }
    }
}

// The reference's Oversamp_16k: 64 samples after the 24 of mem to 80, each the L_mac chain over
// 24 samples and every fifth filter tap (phase by position 4 j / 5), doubled and rounded.
void reference_up(const int16_t* in, int16_t* out, int16_t* mem) {
    int16_t sig[88];
    std::memcpy(sig, mem, sizeof(int16_t) * 24);
    std::memcpy(sig + 24, in, sizeof(int16_t) * 64);
    for (int j = 0; j < 80; ++j) {
        const int pos = 4 * j, i = pos / 5, frac = pos - 5 * i;
        const int16_t* x = sig + 12 + i - 11;
        int32_t t = 0;
        for (int k = 0; k < 24; ++k)
            t = sat32(t + 2 * int64_t{x[k]} * amrwbex::dec::tab::kUpFir[4 - frac + 5 * k]);
        t = sat32(2 * int64_t{t});
        out[j] = static_cast<int16_t>(sat32(int64_t{t} + 0x8000) >> 16);
    }
    std::memcpy(mem, sig + 64, sizeof(int16_t) * 24);
}

TEST(AmrwbDecoderDsp, UpsamplingAgainstReferenceChain) {
    // Amplitudes from quiet to full scale; the signs follow the taps of one phase, so that some
    // outputs reach the largest sums the plain path allows and are clamped.
    const int amps[] = {3000, 12000, 16000, 20000, 24000, 28000, 32767};
    std::mt19937 rng(7);
    for (int amp : amps) {
        int16_t mem_got[24] = {}, mem_want[24] = {};
        for (int call = 0; call < 40; ++call) {
            int16_t in[64], got[80], want[80];
            const int phase = call % 5;
            for (int i = 0; i < 64; ++i) {
                const int16_t tap = amrwbex::dec::tab::kUpFir[4 - phase + 5 * ((i + call) % 24)];
                const int sign = call % 3 == 2 ? (rng() & 1 ? 1 : -1) : tap < 0 ? -1 : 1;
                in[i] = static_cast<int16_t>(sign * amp);
            }
            reference_up(in, want, mem_want);
            amrwbex::dec::upsample_16k(in, got, mem_got);
            ASSERT_EQ(std::memcmp(got, want, sizeof got), 0) << "amplitude " << amp << " call " << call;
            ASSERT_EQ(std::memcmp(mem_got, mem_want, sizeof mem_got), 0) << "amplitude " << amp;
        }
    }
}

// The energy 1 + 2 sum x^2 (saturated) normalised, with values derived by hand: full-scale pairs
// (each pair of squares 2^31) saturate, the others fit with norm_l of the sum.
TEST(AmrwbDecoderDsp, EnergyOfOneVector) {
    struct Case {
        int16_t v;
        int n;
        int32_t frac;
        int16_t exp;
    };
    const Case cases[] = {
        {-32768, 64, 2147483647, 30},  // 2^37 + 1, saturated
        {-32768, 9, 2147483647, 30},   // one pair block and one sample left
        {181, 8, 2147028992, 18},      // 524177 = 1 + 16 * 32761, shifted by 12
        {100, 10, 1638408192, 17},     // 200001, shifted by 13
        {1, 3, 1879048192, 2},         // 7, shifted by 28
    };
    for (const Case& c : cases) {
        int16_t x[80];
        std::fill(x, x + c.n, c.v);
        int16_t exp = 0;
        EXPECT_EQ(amrwbex::dot_product12(x, x, c.n, &exp), c.frac) << c.v << " x " << c.n;
        EXPECT_EQ(exp, c.exp) << c.v << " x " << c.n;
    }
}

}  // namespace

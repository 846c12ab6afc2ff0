// Edge cases with hand-derived results, the warnings of LSF decoding, and the single-precision
// Levinson-Durbin recursion at the high orders its golden data does not reach.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "g729/kernels.h"
#include "support/golden.h"
#include "voksc.h"

namespace {

using V16 = std::vector<int16_t>;
const int16_t kLspInit[10] = {30000, 26000, 21000, 15000, 8000, 0, -8000, -15000, -21000, -26000};
const int16_t kMemInit[10] = {2339, 4679, 7018, 9358, 11698, 14037, 16377, 18717, 21056, 23396};

TEST(G729LpEdges, LsfToLspDomain) {
    int16_t lsf[10], lsp[10];
    std::copy(kMemInit, kMemInit + 10, lsf);
    // Negative LSFs among the first eight act as 0 (cos 0 = 32767).
    lsf[0] = -100;
    lsf[7] = -32768;
    ASSERT_EQ(voksLSFToLSP_G729_16s(lsf, lsp), vokStatusOk);
    EXPECT_EQ(lsp[0], 32767);
    EXPECT_EQ(lsp[7], 32767);
    // A negative ninth or tenth LSF stops the conversion; it and later elements stay as they were.
    for (int bad : {8, 9}) {
        std::copy(kMemInit, kMemInit + 10, lsf);
        lsf[bad] = -1;
        std::fill(lsp, lsp + 10, int16_t{0x5A5A});
        EXPECT_EQ(voksLSFToLSP_G729_16s(lsf, lsp), vokStatusLsfDomain);
        for (int i = 0; i < 10; ++i) EXPECT_EQ(lsp[i] == 0x5A5A, i >= bad) << i;
    }
    // pi maps past the last table interval: index 63, offset 0, the table value -32729.
    std::copy(kMemInit, kMemInit + 10, lsf);
    lsf[0] = 25736;
    ASSERT_EQ(voksLSFToLSP_G729_16s(lsf, lsp), vokStatusOk);
    EXPECT_EQ(lsp[0], -32729);
}

TEST(G729LpEdges, InterpolationRoundingAndSaturation) {
    const int16_t max2[2] = {32767, -32768}, s3[2] = {3, -3}, z[2] = {0, 0}, five[1] = {5}, mn[1] = {-32768};
    int16_t d[2];
    ASSERT_EQ(voksInterpolate_G729_16s(max2, max2, d, 2), vokStatusOk);
    EXPECT_EQ((V16{32766, -32768}), V16(d, d + 2));  // 16383 + 16383
    // Rounded or truncated (one row per call): s1 c1 + s2 c2 with shift sf.
    struct {
        bool nr;
        const int16_t* s1;
        int16_t c1;
        const int16_t* s2;
        int16_t c2;
        int len, sf;
        V16 want;
    } const rows[] = {{true, s3, 1, z, 0, 2, 1, {2, -1}},
                      {false, s3, 1, z, 0, 2, 1, {1, -2}},             // truncation
                      {true, s3, 1, z, 0, 2, 0, {3, -3}},              // sf = 0: no rounding term
                      {false, five, 1, five, 1, 1, 1, {4}},            // each product truncated: 2 + 2
                      {true, five, 1, five, 1, 1, 1, {5}},             // the rounded sum: (10 + 1) >> 1
                      {false, mn, -32768, mn, -32768, 1, 0, {32767}},  // 2 (-32768)^2 = 2^31 saturates...
                      {true, mn, -32768, mn, -32768, 1, 0, {-32768}},  // ... or wraps modulo 2^32
                      {false, mn, 32767, mn, 32767, 1, 40, {-2}}};     // shift counts above 31 act as 31
    for (const auto& r : rows) {
        ASSERT_EQ(vokStatusOk, r.nr ? voksInterpolateC_NR_G729_16s_Sfs(r.s1, r.c1, r.s2, r.c2, d, r.len, r.sf)
                                    : voksInterpolateC_G729_16s_Sfs(r.s1, r.c1, r.s2, r.c2, d, r.len, r.sf));
        EXPECT_EQ(r.want, V16(d, d + r.len)) << r.nr << " " << r.s1[0] << " sf " << r.sf;
    }
    // Fused in single precision: c1 * a = 1 + 2^-11 + 2^-24 exactly; rounded first it would be
    // 1 + 2^-11 and cancel to 0.
    const float c1 = 1.0f + std::ldexp(1.0f, -12), a[1] = {c1}, b[1] = {-(1.0f + std::ldexp(1.0f, -11))};
    float f[1];
    ASSERT_EQ(voksInterpolateC_G729_32f(a, b, f, 1, c1, 1.0f), vokStatusOk);
    EXPECT_EQ(f[0], std::ldexp(1.0f, -24));
}

// The decoder's warnings and erasures are golden-tested (lsf_decode.gld); a strongly negative
// prediction puts every LSF below the floor, which the LSF quantiser reports and the LSP
// quantiser does not.
TEST(G729LpEdges, QuantiserWarnings) {
    int16_t mem[40], q[10], idx[4], lsp[10], qi[2];
    std::fill(mem, mem + 40, int16_t{-20000});
    EXPECT_EQ(voksLSFQuant_G729_16s(kMemInit, mem, q, idx), vokStatusLsfFloor);
    std::fill(mem, mem + 40, int16_t{-20000});
    EXPECT_EQ(voksLSPQuant_G729_16s(kLspInit, mem, lsp, qi), vokStatusOk);
}

TEST(G729LpEdges, HybridWindowStateSizeAndZeros) {
    int size16 = 0, size32 = 0;
    ASSERT_EQ(voksWinHybridGetStateSize_G729E_16s(&size16), vokStatusOk);
    ASSERT_EQ(voksWinHybridGetStateSize_G729E_32f(&size32), vokStatusOk);
    EXPECT_EQ(size16, 124);
    EXPECT_EQ(size32, 124);
    // Silence from a dirty state: init clears it, the autocorrelation and the state stay zero.
    int32_t st[31], r[31];
    float stf[31], rf[31];
    std::fill(st, st + 31, 77);
    std::fill(r, r + 31, 55);
    std::fill(stf, stf + 31, 3.0f);
    auto* s = reinterpret_cast<VokWinHybridState_G729E_16s*>(st);
    auto* sf = reinterpret_cast<VokWinHybridState_G729E_32f*>(stf);
    const int16_t zero[145] = {};
    const float zf[145] = {};
    ASSERT_EQ(voksWinHybridInit_G729E_16s(s), vokStatusOk);
    ASSERT_EQ(voksWinHybrid_G729E_16s32s(zero, r, s), vokStatusOk);
    ASSERT_EQ(voksWinHybridInit_G729E_32f(sf), vokStatusOk);
    ASSERT_EQ(voksWinHybrid_G729E_32f(zf, rf, sf), vokStatusOk);
    for (int k = 0; k < 31; ++k) {
        EXPECT_EQ(r[k], 0);
        EXPECT_EQ(st[k], 0);
        EXPECT_EQ(rf[k], 0.0f);
        EXPECT_EQ(stf[k], 0.0f);
    }
}

TEST(G729LpFloat, HighOrderLevinsonAgreesWithFixedPoint) {
    // Orders up to 30 (the Annex E backward analysis) on speech frames with a stable filter; the
    // reference's single-precision recursion is order 10 only. The autocorrelations of the
    // SPEECH.IN frames (order 30, triangular window) are the first 3750 inputs of the Annex E
    // Levinson set.
    const golden::File in("g729_lp/levinson_e.in", 63);
    ASSERT_GE(in.count(), 3750u);
    int compared = 0;
    auto mag = [](float p, float q) { return std::fabs(p) < std::fabs(q); };
    for (int f = 0; f < 3750; f += 5) {
        int16_t a[31], rc[30], err;
        int32_t r[31];
        float rf[31], af[31], rcf[30], errf;
        for (int k = 0; k <= 30; ++k) r[k] = golden::i32(in[static_cast<size_t>(f)] + 1 + 2 * k);
        // A noise floor of about -18 dB keeps the high-order filters well conditioned, as the
        // lag window does in a coder.
        for (int k = 1; k <= 30; ++k) r[k] -= r[k] >> 6;
        const int order = 10 + f % 21;
        if (voksLevinsonDurbin_G729_32s16s(r, order, a, rc, &err) != vokStatusOk) continue;
        for (int k = 0; k <= order; ++k) rf[k] = static_cast<float>(r[k]) / 2147483648.0f;
        ASSERT_EQ(voksLevinsonDurbin_G729_32f(rf, order, af, rcf, &errf), vokStatusOk);
        // Skip filters near instability or with coefficients beyond the Q12 range (+-8), which
        // the fixed-point output saturates.
        if (std::fabs(*std::max_element(rcf, rcf + order, mag)) > 0.99f) continue;
        if (std::fabs(*std::max_element(af, af + order + 1, mag)) > 7.5f) continue;
        for (int k = 0; k < order; ++k) EXPECT_NEAR(rc[k] / 32768.0, rcf[k], 3e-3) << f << " " << k;
        for (int k = 0; k <= order; ++k)
            EXPECT_NEAR(a[k] / 4096.0, af[k], 4e-3 * (1 + std::fabs(af[k]))) << f << " " << k;
        EXPECT_GT(errf, 0.0f);
        ++compared;
    }
    EXPECT_GT(compared, 300);
}

// The Chebyshev evaluation of the LSP root search against the step-by-step saturating chain of
// the reference kept beside the kernel, on real-filter sizes and at the extremes where the chain
// saturates (beyond what the golden LP sets reach).
using namespace voks;

// The plain 32-bit path runs when no step can saturate for any x, otherwise 64-bit arithmetic
// checked step by step with the chain as fallback: both agree with the chain everywhere.
TEST(LpFastPath, ChebyshevAgreesWithTheSaturatingChain) {
    struct {
        const char* name;
        int16_t f_lo, f_hi, x_lo, x_hi;  // ranges of f[1..5] and of the evaluation points
    } const cases[] = {{"lp-sized", -8192, 8192, -32760, 32760},
                       {"lp-sized-full-x", -8192, 8192, -32768, 32767},  // no step can saturate
                       {"bound-edge", -12000, 12000, -32768, 32767},  // the plain bound just holds or fails
                       {"full-range", -32768, 32767, -32768, 32767},
                       {"large-positive", 20000, 32767, 16000, 32767},
                       {"large-negative", -32768, -20000, -32768, -16000},
                       {"alternating-size", -32768, 32767, -32768, -32000}};
    std::mt19937 rng(20261206);
    int saturating = 0, plain = 0, checked = 0;
    for (const auto& c : cases) {
        std::uniform_int_distribution<int> fd(c.f_lo, c.f_hi), xd(c.x_lo, c.x_hi);
        for (int trial = 0; trial < 2000; ++trial) {
            int16_t f[6] = {2048}, x[16], got[16], want[16];
            for (int i = 1; i < 6; ++i) f[i] = static_cast<int16_t>(fd(rng));
            for (auto& v : x) v = static_cast<int16_t>(xd(rng));
            x[0] = c.x_lo;
            x[1] = c.x_hi;
            const bool unsat = g729::scalar::cheb_unsaturated(f);
            (unsat ? plain : checked) += 1;
            for (bool q10 : {false, true}) {
                g729::scalar::cheb_grid(f, q10, unsat, x, 16, got);
                g729::scalar::cheb_grid_reference(f, q10, x, 16, want);
                ASSERT_EQ(std::vector<int16_t>(want, want + 16), std::vector<int16_t>(got, got + 16))
                    << c.name << " trial " << trial << " q10 " << q10;
                for (int16_t w : want) saturating += w == 32767 || w == -32768;
            }
        }
    }
    // The extreme cases drove the chain into saturation, and both paths ran.
    EXPECT_GT(saturating, 1000);
    EXPECT_GT(plain, 1000);
    EXPECT_GT(checked, 1000);
}

}  // namespace

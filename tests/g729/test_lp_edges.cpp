// Edge cases with hand-derived results, the warnings of LSF decoding, and properties of the
// single-precision twins (round trips, ordering, agreement with the fixed-point operations).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "support/golden.h"
#include "voksc.h"

namespace {

const int16_t kLspInit[10] = {30000, 26000, 21000, 15000, 8000, 0, -8000, -15000, -21000, -26000};
const int16_t kMemInit[10] = {2339, 4679, 7018, 9358, 11698, 14037, 16377, 18717, 21056, 23396};

TEST(G729LpEdges, LagWindowExtraLags) {
    // r = 0x40000000 (hi 16384, lo 0): (16384 * hi_w + (16384 * lo_w >> 15)) * 2 with the lag-11
    // and lag-12 window values 28645/22092 and 27923/12924.
    int32_t r[12];
    std::fill(r, r + 12, 0x40000000);
    ASSERT_EQ(voksLagWindow_G729_32s_I(r, 12), vokStatusOk);
    EXPECT_EQ(r[10], (16384 * 28645 + (16384 * 22092 >> 15)) * 2);
    EXPECT_EQ(r[11], (16384 * 27923 + (16384 * 12924 >> 15)) * 2);
    EXPECT_EQ(r[0], (16384 * 32728 + (16384 * 11904 >> 15)) * 2);
}

TEST(G729LpEdges, LevinsonFirstOrder) {
    // r1 / r0 = 0.5: k1 = -0.5, a1 = -0.5 (-2048 in Q12), residual 0.75 r0 = 0x30000000, whose
    // normalised high half is 0.75 in Q15 (24576).
    const int32_t r[2] = {0x40000000, 0x20000000};
    int16_t a[2], rc[1], err = 0;
    ASSERT_EQ(voksLevinsonDurbin_G729_32s16s(r, 1, a, rc, &err), vokStatusOk);
    EXPECT_EQ(a[0], 4096);
    EXPECT_NEAR(a[1], -2048, 1);
    EXPECT_NEAR(rc[0], -16384, 1);
    EXPECT_NEAR(err, 24576, 2);
}

TEST(G729LpEdges, LevinsonFirstOrderProcessHasNoSecondCoefficient) {
    // An AR(1) autocorrelation (1, 0.5, 0.25): k2 = 0, a = (1, -0.5, 0).
    const int32_t r[3] = {0x40000000, 0x20000000, 0x10000000};
    int16_t a[3], rc[2], err = 0;
    ASSERT_EQ(voksLevinsonDurbin_G729_32s16s(r, 2, a, rc, &err), vokStatusOk);
    EXPECT_NEAR(a[1], -2048, 1);
    EXPECT_NEAR(a[2], 0, 1);
    EXPECT_NEAR(rc[1], 0, 2);
}

TEST(G729LpEdges, LpcToLspFallsBackToPreviousLsps) {
    // 1 + 3.9 z^-1 has its zero outside the unit circle: its sum and difference polynomials do
    // not have ten roots on the circle, so the previous LSPs come back.
    const int16_t a[11] = {4096, 16000};
    const int16_t prev[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    int16_t lsp[10];
    ASSERT_EQ(voksLPCToLSP_G729_16s(a, prev, lsp), vokStatusOk);
    EXPECT_EQ(0, std::memcmp(lsp, prev, sizeof(lsp)));
    ASSERT_EQ(voksLPCToLSP_G729A_16s(a, prev, lsp), vokStatusOk);
    EXPECT_EQ(0, std::memcmp(lsp, prev, sizeof(lsp)));
    const float af[11] = {1.0f, 3.90625f};
    const float prevf[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    float lspf[10];
    ASSERT_EQ(voksLPCToLSP_G729_32f(af, prevf, lspf), vokStatusOk);
    EXPECT_EQ(0, std::memcmp(lspf, prevf, sizeof(lspf)));
}

TEST(G729LpEdges, LpcToLspOfTheTrivialFilter) {
    // A(z) = 1: the LSFs are equally spaced, pi*k/11 for k = 1..10 (cosines decreasing).
    const int16_t a[11] = {4096};
    int16_t lsp[10];
    ASSERT_EQ(voksLPCToLSP_G729_16s(a, kLspInit, lsp), vokStatusOk);
    for (int k = 0; k < 10; ++k)
        EXPECT_NEAR(lsp[k], 32768.0 * std::cos(3.14159265358979 * (k + 1) / 11), 40) << k;
}

TEST(G729LpEdges, LsfToLspDomain) {
    int16_t lsf[10], lsp[10];
    for (int i = 0; i < 10; ++i) lsf[i] = kMemInit[i];
    // Negative LSFs among the first eight act as 0 (cos 0 = 32767).
    lsf[0] = -100;
    lsf[7] = -32768;
    ASSERT_EQ(voksLSFToLSP_G729_16s(lsf, lsp), vokStatusOk);
    EXPECT_EQ(lsp[0], 32767);
    EXPECT_EQ(lsp[7], 32767);
    // A negative ninth or tenth LSF stops the conversion; it and later elements stay as they were.
    for (int bad : {8, 9}) {
        for (int i = 0; i < 10; ++i) lsf[i] = kMemInit[i];
        lsf[bad] = -1;
        std::fill(lsp, lsp + 10, int16_t{0x5A5A});
        EXPECT_EQ(voksLSFToLSP_G729_16s(lsf, lsp), vokStatusLsfDomain);
        for (int i = 0; i < 10; ++i) {
            if (i < bad)
                EXPECT_NE(lsp[i], 0x5A5A) << i;
            else
                EXPECT_EQ(lsp[i], 0x5A5A) << i;
        }
    }
    // pi maps past the last table interval: index 63, offset 0, the table value -32729.
    for (int i = 0; i < 10; ++i) lsf[i] = kMemInit[i];
    lsf[0] = 25736;
    ASSERT_EQ(voksLSFToLSP_G729_16s(lsf, lsp), vokStatusOk);
    EXPECT_EQ(lsp[0], -32729);
}

TEST(G729LpEdges, InterpolationRoundingAndSaturation) {
    const int16_t max2[2] = {32767, -32768};
    int16_t d[2];
    ASSERT_EQ(voksInterpolate_G729_16s(max2, max2, d, 2), vokStatusOk);
    EXPECT_EQ(d[0], 32766);  // 16383 + 16383
    EXPECT_EQ(d[1], -32768);

    const int16_t s3[2] = {3, -3}, z[2] = {0, 0};
    ASSERT_EQ(voksInterpolateC_NR_G729_16s_Sfs(s3, 1, z, 0, d, 2, 1), vokStatusOk);
    EXPECT_EQ(d[0], 2);
    EXPECT_EQ(d[1], -1);
    ASSERT_EQ(voksInterpolateC_G729_16s_Sfs(s3, 1, z, 0, d, 2, 1), vokStatusOk);
    EXPECT_EQ(d[0], 1);  // truncation
    EXPECT_EQ(d[1], -2);
    ASSERT_EQ(voksInterpolateC_NR_G729_16s_Sfs(s3, 1, z, 0, d, 2, 0), vokStatusOk);
    EXPECT_EQ(d[0], 3);  // sf = 0: no rounding term
    // Each product truncated separately: (5*1 >> 1) + (5*1 >> 1) = 4, rounded sum (10 + 1) >> 1 = 5.
    const int16_t five[1] = {5};
    ASSERT_EQ(voksInterpolateC_G729_16s_Sfs(five, 1, five, 1, d, 1, 1), vokStatusOk);
    EXPECT_EQ(d[0], 4);
    ASSERT_EQ(voksInterpolateC_NR_G729_16s_Sfs(five, 1, five, 1, d, 1, 1), vokStatusOk);
    EXPECT_EQ(d[0], 5);
    // 2 * (-32768)^2 = 2^31: saturates when truncating, wraps modulo 2^32 when rounding.
    const int16_t mn[1] = {-32768};
    ASSERT_EQ(voksInterpolateC_G729_16s_Sfs(mn, -32768, mn, -32768, d, 1, 0), vokStatusOk);
    EXPECT_EQ(d[0], 32767);
    ASSERT_EQ(voksInterpolateC_NR_G729_16s_Sfs(mn, -32768, mn, -32768, d, 1, 0), vokStatusOk);
    EXPECT_EQ(d[0], -32768);
    // Shift counts above 31 act as 31.
    ASSERT_EQ(voksInterpolateC_G729_16s_Sfs(mn, 32767, mn, 32767, d, 1, 40), vokStatusOk);
    EXPECT_EQ(d[0], -2);
}

TEST(G729LpEdges, FloatInterpolationIsFused) {
    // c1 * a = 1 + 2^-11 + 2^-24 exactly; rounded first it would be 1 + 2^-11 and cancel to 0.
    const float c1 = 1.0f + std::ldexp(1.0f, -12), a[1] = {c1}, b[1] = {-(1.0f + std::ldexp(1.0f, -11))};
    float d[1];
    ASSERT_EQ(voksInterpolateC_G729_32f(a, b, d, 1, c1, 1.0f), vokStatusOk);
    EXPECT_EQ(d[0], std::ldexp(1.0f, -24));
}

// Decoding with a constant memory row value m (Q13) in every position.
VokStatus decode_with(const int16_t (&mem_row)[10], int16_t* lsf, int16_t* mem) {
    for (int i = 0; i < 4; ++i) std::memcpy(mem + 10 * i, mem_row, sizeof(mem_row));
    const int16_t idx[4] = {0, 0, 0, 0};
    return voksLSFDecode_G729_16s(idx, mem, lsf);
}

TEST(G729LpEdges, LsfDecodeWarnings) {
    int16_t lsf[10], mem[40];
    // A strongly negative prediction puts every LSF below the floor: 40, then 321 apart.
    int16_t low[10];
    std::fill(low, low + 10, int16_t{-20000});
    EXPECT_EQ(decode_with(low, lsf, mem), vokStatusLsfFloor);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(lsf[i], 40 + 321 * i) << i;
    // The older rows moved down by one.
    EXPECT_EQ(0, std::memcmp(mem + 10, low, sizeof(low)));
    // A strongly positive prediction pushes the top LSF above its ceiling.
    int16_t high[10];
    std::fill(high, high + 10, int16_t{32767});
    EXPECT_EQ(decode_with(high, lsf, mem), vokStatusLsfCeiling);
    EXPECT_EQ(lsf[9], 25681);
    // Both at once.
    int16_t both[10] = {-32768, -32768, -32768, -32768, -32768, 32767, 32767, 32767, 32767, 32767};
    EXPECT_EQ(decode_with(both, lsf, mem), vokStatusLsfFloorCeiling);
    EXPECT_EQ(lsf[0], 40);
    EXPECT_EQ(lsf[9], 25681);
    // The quantiser passes the decoding warnings on; the LSP quantiser does not.
    int16_t q[10], idx[4], lsp[10], qi[2];
    for (int i = 0; i < 4; ++i) std::memcpy(mem + 10 * i, low, sizeof(low));
    EXPECT_EQ(voksLSFQuant_G729_16s(kMemInit, mem, q, idx), vokStatusLsfFloor);
    for (int i = 0; i < 4; ++i) std::memcpy(mem + 10 * i, low, sizeof(low));
    EXPECT_EQ(voksLSPQuant_G729_16s(kLspInit, mem, lsp, qi), vokStatusOk);
}

TEST(G729LpEdges, ErasureShiftsTheMemory) {
    // With the reused LSFs equal to the prediction itself, the pushed residual is what the
    // predictor implies; the older rows move down by one and the oldest is dropped.
    int16_t mem[40];
    for (int i = 0; i < 40; ++i) mem[i] = static_cast<int16_t>(1000 * (i / 10) + i % 10);
    int16_t before[40];
    std::memcpy(before, mem, sizeof(mem));
    ASSERT_EQ(voksLSFDecodeErased_G729_16s(1, mem, kMemInit), vokStatusOk);
    EXPECT_EQ(0, std::memcmp(mem + 10, before, 30 * sizeof(int16_t)));
}

TEST(G729LpEdges, HybridWindowStateSizeAndZeros) {
    int size16 = 0, size32 = 0;
    ASSERT_EQ(voksWinHybridGetStateSize_G729E_16s(&size16), vokStatusOk);
    ASSERT_EQ(voksWinHybridGetStateSize_G729E_32f(&size32), vokStatusOk);
    EXPECT_EQ(size16, 124);
    EXPECT_EQ(size32, 124);
    int32_t st[31], r[31];
    std::fill(st, st + 31, 77);
    std::fill(r, r + 31, 55);
    auto* s = reinterpret_cast<VokWinHybridState_G729E_16s*>(st);
    ASSERT_EQ(voksWinHybridInit_G729E_16s(s), vokStatusOk);
    const int16_t zero[145] = {};
    ASSERT_EQ(voksWinHybrid_G729E_16s32s(zero, r, s), vokStatusOk);
    for (int k = 0; k < 31; ++k) {
        EXPECT_EQ(r[k], 0);
        EXPECT_EQ(st[k], 0);
    }
    float stf[31], rf[31];
    std::fill(stf, stf + 31, 3.0f);
    auto* sf = reinterpret_cast<VokWinHybridState_G729E_32f*>(stf);
    ASSERT_EQ(voksWinHybridInit_G729E_32f(sf), vokStatusOk);
    const float zf[145] = {};
    ASSERT_EQ(voksWinHybrid_G729E_32f(zf, rf, sf), vokStatusOk);
    for (int k = 0; k < 31; ++k) {
        EXPECT_EQ(rf[k], 0.0f);
        EXPECT_EQ(stf[k], 0.0f);
    }
}

// --- Single-precision twins: properties and agreement with the fixed-point operations. ---

TEST(G729LpFloat, LspRoundTripThroughLpc) {
    golden::Rng rng{0x7274726970ull};
    for (int c = 0; c < 500; ++c) {
        // Ten ordered LSFs spread like speech, 0.12 to 0.32 rad apart (crowding them all into the
        // lowest band makes the coefficients so large that single precision loses the roots).
        float lsf[10], lsp[10], a[11], back[10], prev[10] = {};
        float w = 0.0f;
        for (float& f : lsf) {
            w += 0.12f + static_cast<float>(rng.range(0, 2000)) / 10000.0f;
            f = w;
        }
        if (lsf[9] > 3.05f) continue;
        for (int i = 0; i < 10; ++i) lsp[i] = std::cos(lsf[i]);
        ASSERT_EQ(voksLSPToLPC_G729_32f(lsp, a), vokStatusOk);
        EXPECT_EQ(a[0], 1.0f);
        for (bool coarse : {false, true}) {
            ASSERT_EQ(coarse ? voksLPCToLSP_G729A_32f(a, prev, back) : voksLPCToLSP_G729_32f(a, prev, back),
                      vokStatusOk);
            for (int i = 0; i < 10; ++i) EXPECT_NEAR(back[i], lsp[i], coarse ? 2e-3 : 5e-4) << c << " " << i;
        }
    }
}

TEST(G729LpFloat, AgreesWithFixedPointOnSpeech) {
    const std::vector<int16_t> sp = golden::speech();
    if (sp.empty()) GTEST_SKIP() << "SPEECH.IN not found under " << VOKSC_VECTORS_DIR;
    const int total = static_cast<int>(sp.size());
    int16_t lsp_prev[10];
    float lsp_prevf[10];
    std::memcpy(lsp_prev, kLspInit, sizeof(lsp_prev));
    for (int i = 0; i < 10; ++i) lsp_prevf[i] = kLspInit[i] / 32768.0f;
    int compared = 0;
    for (int f = 0; f < total / 80; f += 2) {
        int16_t x[240], a[11], rc[10], err, lsp[10];
        int32_t r[11];
        golden::frame(sp, f, x);
        golden::autocorr(x, 10, r);
        voksLagWindow_G729_32s_I(r + 1, 10);
        if (voksLevinsonDurbin_G729_32s16s(r, 10, a, rc, &err) != vokStatusOk) continue;
        float rf[11], af[11], rcf[10], errf, lspf[10];
        for (int k = 0; k <= 10; ++k) rf[k] = static_cast<float>(r[k]) / 2147483648.0f;
        ASSERT_EQ(voksLevinsonDurbin_G729_32f(rf, 10, af, rcf, &errf), vokStatusOk);
        // Ill-conditioned frames amplify rounding; compare where the filter is well inside the
        // stability region.
        if (*std::max_element(rcf, rcf + 10, [](float p, float q) { return std::fabs(p) < std::fabs(q); }) >
            0.99f)
            continue;
        for (int k = 0; k <= 10; ++k)
            EXPECT_NEAR(a[k] / 4096.0, af[k], 2e-3 * (1 + std::fabs(af[k]))) << f << " " << k;
        ASSERT_EQ(voksLPCToLSP_G729_16s(a, lsp_prev, lsp), vokStatusOk);
        ASSERT_EQ(voksLPCToLSP_G729_32f(af, lsp_prevf, lspf), vokStatusOk);
        for (int k = 0; k < 10; ++k) EXPECT_NEAR(lsp[k] / 32768.0, lspf[k], 2e-3) << f << " " << k;
        std::memcpy(lsp_prev, lsp, sizeof(lsp));
        std::memcpy(lsp_prevf, lspf, sizeof(lspf));
        ++compared;
    }
    EXPECT_GT(compared, 1000);
}

TEST(G729LpFloat, HighOrderLevinsonAgreesWithFixedPoint) {
    // Orders up to 30 (the Annex E backward analysis) on speech frames with a stable filter.
    const std::vector<int16_t> sp = golden::speech();
    if (sp.empty()) GTEST_SKIP() << "SPEECH.IN not found under " << VOKSC_VECTORS_DIR;
    const int total = static_cast<int>(sp.size());
    int compared = 0;
    for (int f = 0; f < total / 80; f += 5) {
        int16_t x[240], a[31], rc[30], err;
        int32_t r[31];
        golden::frame(sp, f, x);
        golden::autocorr(x, 30, r);
        // A noise floor of about -18 dB keeps the high-order filters well conditioned, as the
        // lag window does in a coder.
        for (int k = 1; k <= 30; ++k) r[k] -= r[k] >> 6;
        const int order = 10 + f % 21;
        if (voksLevinsonDurbin_G729_32s16s(r, order, a, rc, &err) != vokStatusOk) continue;
        float rf[31], af[31], rcf[30], errf;
        for (int k = 0; k <= order; ++k) rf[k] = static_cast<float>(r[k]) / 2147483648.0f;
        ASSERT_EQ(voksLevinsonDurbin_G729_32f(rf, order, af, rcf, &errf), vokStatusOk);
        // Skip filters near instability or with coefficients beyond the Q12 range (+-8), which
        // the fixed-point output saturates.
        auto mag = [](float p, float q) { return std::fabs(p) < std::fabs(q); };
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

TEST(G729LpFloat, DecoderAgreesWithFixedPoint) {
    golden::Rng rng{0x6465636664ull};
    int16_t mem[40], lsf[10];
    float memf[40], lsff[10];
    for (int i = 0; i < 40; ++i) {
        mem[i] = kMemInit[i % 10];
        memf[i] = kMemInit[i % 10] / 8192.0f;
    }
    for (int f = 0; f < 500; ++f) {
        if (f % 9 == 4) {
            voksLSFDecodeErased_G729_16s(1, mem, lsf);
            voksLSFDecodeErased_G729_32f(1, memf, lsff);
        } else {
            const int16_t idx[4] = {
                static_cast<int16_t>(rng.range(0, 1)), static_cast<int16_t>(rng.range(0, 127)),
                static_cast<int16_t>(rng.range(0, 31)), static_cast<int16_t>(rng.range(0, 31))};
            const int idxi[4] = {idx[0], idx[1], idx[2], idx[3]};
            voksLSFDecode_G729_16s(idx, mem, lsf);
            ASSERT_EQ(voksLSFDecode_G729_32f(idxi, memf, lsff), vokStatusOk);
        }
        for (int k = 0; k < 10; ++k) EXPECT_NEAR(lsf[k] / 8192.0, lsff[k], 2e-3) << f << " " << k;
        for (int k = 1; k < 10; ++k) EXPECT_GE(lsff[k] - lsff[k - 1], 0.0392f - 1e-6f) << f;
    }
}

TEST(G729LpFloat, HybridWindowAgreesWithFixedPoint) {
    const std::vector<int16_t> sp = golden::speech();
    if (sp.empty()) GTEST_SKIP() << "SPEECH.IN not found under " << VOKSC_VECTORS_DIR;
    int32_t st[31], r[31];
    float stf[31], rf[31], x[145];
    voksWinHybridInit_G729E_16s(reinterpret_cast<VokWinHybridState_G729E_16s*>(st));
    voksWinHybridInit_G729E_32f(reinterpret_cast<VokWinHybridState_G729E_32f*>(stf));
    for (size_t f = 0; 80 * f + 145 <= sp.size() && f < 2000; ++f) {
        // Speech at a quarter of its level keeps the fixed-point sums clear of saturation.
        int16_t xs[145];
        for (int k = 0; k < 145; ++k) {
            xs[k] = static_cast<int16_t>(sp[80 * f + static_cast<size_t>(k)] >> 2);
            x[k] = xs[k];
        }
        voksWinHybrid_G729E_16s32s(xs, r, reinterpret_cast<VokWinHybridState_G729E_16s*>(st));
        voksWinHybrid_G729E_32f(x, rf, reinterpret_cast<VokWinHybridState_G729E_32f*>(stf));
        // The two windows have the same shape but different scales: compare r[k] / r[0].
        if (rf[0] < 1e6f) continue;
        for (int k = 0; k < 31; ++k)
            EXPECT_NEAR(r[k] / static_cast<double>(r[0]), rf[k] / rf[0], 2e-3) << f << " " << k;
    }
}

}  // namespace

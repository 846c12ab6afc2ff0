// Edge cases with hand-derived results: normalisation corners, tie-breaking of the lag searches,
// saturation, rounding, the filters on small inputs, and the single/double precision switch.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <vector>

#include "voksc.h"

namespace {

TEST(AutoCorrEdges, PlainSumsWrapAndEndWithZeros) {
    const int16_t x[3] = {1, 2, 3};
    int32_t r[5];
    ASSERT_EQ(vokStatusOk, voksAutoCorr_16s32s(x, 3, r, 5));
    EXPECT_EQ((std::vector<int32_t>{14, 8, 3, 0, 0}), std::vector<int32_t>(r, r + 5));
    const int16_t loud[3] = {32767, 32767, 32767};
    ASSERT_EQ(vokStatusOk, voksAutoCorr_16s32s(loud, 3, r, 1));
    EXPECT_EQ(static_cast<int32_t>(3u * 1073676289u), r[0]);  // 3 * 32767^2 modulo 2^32
}

TEST(AutoCorrEdges, NormalisedForG729) {
    std::vector<int16_t> full(240, 32767);
    int32_t r[11];
    std::memset(r, 0x77, sizeof r);
    int norm = -5;
    EXPECT_EQ(vokStatusOverflow, voksAutoCorr_NormE_16s32s(full.data(), 240, r, 11, &norm));
    EXPECT_EQ(-5, norm);
    for (int32_t v : r) EXPECT_EQ(0x77777777, v);

    std::vector<int16_t> zero(240, 0);
    ASSERT_EQ(vokStatusOk, voksAutoCorr_NormE_16s32s(zero.data(), 240, r, 11, &norm));
    EXPECT_EQ(0x40000000, r[0]);  // r0 = 1 normalised
    EXPECT_EQ(30, norm);
    for (int k = 1; k < 11; ++k) EXPECT_EQ(0, r[k]);

    const int16_t one[2] = {1, -1};  // E = 2, r0 = 5 << 28; S(1) = -1 << 29
    ASSERT_EQ(vokStatusOk, voksAutoCorr_NormE_16s32s(one, 2, r, 3, &norm));
    EXPECT_EQ(28, norm);
    EXPECT_EQ(5 << 28, r[0]);
    EXPECT_EQ(-(1 << 29), r[1]);
    EXPECT_EQ(0, r[2]);
}

TEST(AutoCorrEdges, NormalisedRounded) {
    int16_t r[4];
    int norm = -1;
    std::vector<int16_t> zero(10, 0);
    ASSERT_EQ(vokStatusOk, voksAutoCorr_NormE_NR_16s(zero.data(), 10, r, 4, &norm));
    EXPECT_EQ(0, norm);
    for (int16_t v : r) EXPECT_EQ(0, v);

    // E = 2^29: r0 = 2^30 (norm 0) -> 16384; S(1) = 2^28 doubled -> 8192.
    const int16_t half[2] = {16384, 16384};
    ASSERT_EQ(vokStatusOk, voksAutoCorr_NormE_NR_16s(half, 2, r, 3, &norm));
    EXPECT_EQ(0, norm);
    EXPECT_EQ(16384, r[0]);
    EXPECT_EQ(8192, r[1]);
    EXPECT_EQ(0, r[2]);

    // E above 0x3FFFFFFF: r0 = 0x7FFFFFFF, norm 0; lags 1 and 2 saturate when doubled, lag 3
    // (one product, 2 * 32767^2 = 2147352578) rounds to 32766.
    const int16_t loud[4] = {32767, 32767, 32767, 32767};
    ASSERT_EQ(vokStatusOk, voksAutoCorr_NormE_NR_16s(loud, 4, r, 4, &norm));
    EXPECT_EQ(0, norm);
    EXPECT_EQ((std::vector<int16_t>{32767, 32767, 32767, 32766}), std::vector<int16_t>(r, r + 4));
}

// A pulse train of period 40: equal correlations at lags 0, 40 and 80.
std::vector<int16_t> pulses(int n) {
    std::vector<int16_t> v(n, 0);
    for (int i = 0; i < n; i += 40) v[i] = 1000;
    return v;
}

TEST(LagSearchEdges, TiesFollowEachSearchRule) {
    const std::vector<int16_t> p = pulses(400);
    int32_t mx = 0;
    int lag = -1;
    // Forward and inverse searches keep the smallest lag.
    ASSERT_EQ(vokStatusOk, voksAutoCorrLagMax_Fwd_16s(p.data(), 80, 20, 100, &mx, &lag));
    EXPECT_EQ(40, lag);
    EXPECT_EQ(2 * 2000000, mx);
    ASSERT_EQ(vokStatusOk, voksAutoCorrLagMax_Inv_16s(p.data() + 200, 80, 20, 100, &mx, &lag));
    EXPECT_EQ(40, lag);
    EXPECT_EQ(2 * 2000000, mx);
    // The cross-correlation searches keep the largest lag (0, 40 and 80 tie).
    ASSERT_EQ(vokStatusOk, voksCrossCorrLagMax_16s(p.data(), p.data(), 80, 100, &mx, &lag));
    EXPECT_EQ(80, lag);
    EXPECT_EQ(2000000, mx);
    std::vector<float> f(p.begin(), p.end());
    double dmax = 0;
    ASSERT_EQ(vokStatusOk, voksCrossCorrLagMax_32f64f(f.data(), f.data(), 80, 100, &dmax, &lag));
    EXPECT_EQ(80, lag);
    EXPECT_EQ(2000000.0, dmax);
    float fmax = 0;
    ASSERT_EQ(vokStatusOk, voksAutoCorrLagMax_32f(f.data() + 200, 80, 20, 101, &fmax, &lag));
    EXPECT_EQ(40, lag);
    EXPECT_EQ(2000000.0f, fmax);
}

TEST(LagSearchEdges, EmptyRangesAndSaturation) {
    const std::vector<int16_t> p = pulses(400);
    int32_t mx = 0;
    int lag = -1;
    ASSERT_EQ(vokStatusOk, voksAutoCorrLagMax_Fwd_16s(p.data(), 40, 50, 49, &mx, &lag));
    EXPECT_EQ(INT32_MIN, mx);
    EXPECT_EQ(0, lag);
    ASSERT_EQ(vokStatusOk, voksAutoCorrLagMax_Inv_16s(p.data() + 200, 40, 50, 49, &mx, &lag));
    EXPECT_EQ(INT32_MIN, mx);
    EXPECT_EQ(0, lag);
    float fmax = 0;
    const std::vector<float> f(400, 1.0f);
    ASSERT_EQ(vokStatusOk, voksAutoCorrLagMax_32f(f.data() + 200, 40, 7, 7, &fmax, &lag));
    EXPECT_EQ(-FLT_MAX, fmax);
    EXPECT_EQ(0, lag);

    // Alternating full-scale samples over two products: odd lags sum below -2^30 and saturate
    // to the minimum; the reported lag is still the scanned one.
    std::vector<int16_t> alt(200);
    for (int i = 0; i < 200; ++i) alt[i] = (i & 1) ? -32767 : 32767;
    ASSERT_EQ(vokStatusOk, voksAutoCorrLagMax_Fwd_16s(alt.data(), 2, 3, 3, &mx, &lag));
    EXPECT_EQ(INT32_MIN, mx);
    EXPECT_EQ(3, lag);
    ASSERT_EQ(vokStatusOk, voksAutoCorrLagMax_Fwd_16s(alt.data(), 2, 3, 6, &mx, &lag));
    EXPECT_EQ(INT32_MAX, mx);  // lag 4: 2 * 32767^2 >= 2^30
    EXPECT_EQ(4, lag);
    ASSERT_EQ(vokStatusOk, voksAutoCorrLagMax_Inv_16s(alt.data() + 100, 2, 3, 3, &mx, &lag));
    EXPECT_EQ(INT32_MIN, mx);
    EXPECT_EQ(3, lag);

    // Over 40 products the odd-lag sum (-40 * 32767^2) would wrap to a positive value modulo
    // 2^32; the reference's saturating accumulation keeps it at the minimum.
    ASSERT_EQ(vokStatusOk, voksAutoCorrLagMax_Fwd_16s(alt.data(), 40, 3, 3, &mx, &lag));
    EXPECT_EQ(INT32_MIN, mx);
    ASSERT_EQ(vokStatusOk, voksAutoCorrLagMax_Inv_16s(alt.data() + 100, 40, 3, 5, &mx, &lag));
    EXPECT_EQ(INT32_MAX, mx);
    EXPECT_EQ(4, lag);

    // No positive cross-correlation: max 0 at maxLag.
    std::vector<int16_t> neg(100, -5), pos(100, 5);
    ASSERT_EQ(vokStatusOk, voksCrossCorrLagMax_16s(neg.data(), pos.data(), 40, 9, &mx, &lag));
    EXPECT_EQ(0, mx);
    EXPECT_EQ(9, lag);
}

TEST(LagSearchEdges, SinglePrecisionOnlyForSmallSearches) {
    // C(0) = 1 + 2^-30 in double; rounded to single precision it is 1.
    std::vector<float> a(100, 0.0f), b(200, 0.0f);
    a[0] = 1.0f;
    a[1] = 1.0f;
    b[0] = 1.0f;
    b[1] = 1.0f / 1073741824.0f;
    double mx = 0;
    int lag = -1;
    ASSERT_EQ(vokStatusOk, voksCrossCorrLagMax_32f64f(a.data(), b.data(), 80, 63, &mx, &lag));
    EXPECT_EQ(0, lag);
    EXPECT_EQ(1.0, mx);
    ASSERT_EQ(vokStatusOk, voksCrossCorrLagMax_32f64f(a.data(), b.data(), 81, 63, &mx, &lag));
    EXPECT_EQ(1.0 + 1.0 / 1073741824.0, mx);
    ASSERT_EQ(vokStatusOk, voksCrossCorrLagMax_32f64f(a.data(), b.data(), 80, 64, &mx, &lag));
    EXPECT_EQ(1.0 + 1.0 / 1073741824.0, mx);
}

TEST(CrossCorrEdges, ScalingRoundingAndSaturation) {
    const int16_t a[3] = {1, 2, 3}, b[3] = {4, 5, 6};
    int32_t t[3];
    // Triangular sums 32, 17, 6.
    struct {
        int sf;
        int32_t expect[3];
    } const rows[] = {{0, {32, 17, 6}}, {1, {16, 8, 3}}, {-2, {128, 68, 24}}, {-32, {0, 0, 0}}, {40, {0, 0, 0}}};
    for (const auto& r : rows) {
        ASSERT_EQ(vokStatusOk, voksCrossCorr_16s32s_Sfs(a, b, 3, t, r.sf));
        EXPECT_EQ(std::vector<int32_t>(r.expect, r.expect + 3), std::vector<int32_t>(t, t + 3)) << "sf " << r.sf;
    }

    const int16_t s1[2] = {100, 200}, s2[3] = {3, 4, 5};  // S = 1100, 1400
    int16_t d[2];
    struct {
        int sf;
        int16_t expect[2];
    } const nr[] = {{0, {1100, 1400}}, {2, {275, 350}}, {3, {138, 175}}, {-1, {2200, 2800}}, {-5, {32767, 32767}}};
    for (const auto& r : nr) {
        ASSERT_EQ(vokStatusOk, voksCrossCorr_NR_16s_Sfs(s1, s2, 2, d, 2, r.sf));
        EXPECT_EQ(r.expect[0], d[0]) << "sf " << r.sf;
        EXPECT_EQ(r.expect[1], d[1]) << "sf " << r.sf;
    }
    const int16_t full[4] = {32767, 32767, 32767, 32767};
    ASSERT_EQ(vokStatusOk, voksCrossCorr_NR_16s_Sfs(full, full, 2, d, 2, 0));
    EXPECT_EQ(32767, d[0]);  // 2 * 32767^2 saturated
    ASSERT_EQ(vokStatusOk, voksCrossCorr_NR_16s_Sfs(full, full, 2, d, 2, 31));
    EXPECT_EQ(1, d[0]);  // (2147352578 + 2^30) >> 31

    // Exact 32-bit saturation, not doubled.
    const int16_t mn[4] = {-32768, -32768, -32768, -32768};
    int32_t e[2];
    ASSERT_EQ(vokStatusOk, voksCrossCorr_NR_16s32s(full, full, 3, e, 2));
    EXPECT_EQ(INT32_MAX, e[0]);
    ASSERT_EQ(vokStatusOk, voksCrossCorr_NR_16s32s(full, mn, 3, e, 2));
    EXPECT_EQ(INT32_MIN, e[1]);
    ASSERT_EQ(vokStatusOk, voksCrossCorr_NR_16s32s(s1, s2, 2, e, 2));
    EXPECT_EQ(1100, e[0]);
    EXPECT_EQ(1400, e[1]);

    // (S + 2^14) >> 15.
    const int16_t q[1] = {16384}, w[2] = {16384, 32767};
    ASSERT_EQ(vokStatusOk, voksCrossCorr_NR_16s(q, w, 1, d, 2));
    EXPECT_EQ(8192, d[0]);
    EXPECT_EQ(16384, d[1]);

    // Cor_h_X normalisation: y = 8192 * X, max 8192000 has norm 8, so shift right by 10.
    std::vector<int16_t> h(40, 0), x(40, 0);
    h[0] = 4096;
    x[0] = 1000;
    x[1] = -500;
    x[2] = 250;
    std::vector<int16_t> dn(40, 99);
    ASSERT_EQ(vokStatusOk, voksCrossCorr_NormM_16s(h.data(), x.data(), 40, dn.data()));
    EXPECT_EQ(8000, dn[0]);
    EXPECT_EQ(-4000, dn[1]);
    EXPECT_EQ(2000, dn[2]);
    EXPECT_EQ(0, dn[3]);
    // All zero: the shift is 18 - 0.
    std::fill(x.begin(), x.end(), 0);
    ASSERT_EQ(vokStatusOk, voksCrossCorr_NormM_16s(h.data(), x.data(), 40, dn.data()));
    for (int16_t v : dn) EXPECT_EQ(0, v);
}

TEST(ConvolutionEdges, SmallCasesAndSaturatingReferencePath) {
    const int16_t a[3] = {1, 2, 3}, b[3] = {4, 5, 6};
    int32_t y[3];
    ASSERT_EQ(vokStatusOk, voksConvPartial_16s32s(a, b, y, 3));
    EXPECT_EQ((std::vector<int32_t>{4, 13, 28}), std::vector<int32_t>(y, y + 3));
    int16_t d[40];
    ASSERT_EQ(vokStatusOk, voksConvPartial_16s_Sfs(a, b, d, 3, 1));
    EXPECT_EQ((std::vector<int16_t>{2, 6, 14}), std::vector<int16_t>(d, d + 3));
    const int16_t neg[2] = {-3, 0}, one[2] = {1, 0};
    ASSERT_EQ(vokStatusOk, voksConvPartial_16s_Sfs(neg, one, d, 1, 1));
    EXPECT_EQ(-2, d[0]);  // truncation toward minus infinity

    const int16_t h[2] = {16384, 16384}, s[2] = {16384, -16384};
    ASSERT_EQ(vokStatusOk, voksConvPartial_NR_Low_16s(h, s, d, 2));
    EXPECT_EQ(8192, d[0]);
    EXPECT_EQ(0, d[1]);
    ASSERT_EQ(vokStatusOk, voksConvPartial_NR_16s(h, s, d, 2));
    EXPECT_EQ(8192, d[0]);
    EXPECT_EQ(0, d[1]);

    // Loud inputs take the saturating reference loop: after saturating at the top the fourth
    // output subtracts one product again, giving round(0x7FFFFFFF - 2147352578) = 2.
    std::vector<int16_t> x(40, 32767), ones(40, 32767);
    x[3] = -32767;
    ASSERT_EQ(vokStatusOk, voksConvPartial_NR_16s(x.data(), ones.data(), d, 4));
    EXPECT_EQ(32766, d[0]);
    EXPECT_EQ(32767, d[1]);
    EXPECT_EQ(32767, d[2]);
    EXPECT_EQ(2, d[3]);
}

TEST(FilterEdges, SynthesisAndImpulseResponse) {
    int16_t lpc[11] = {4096, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    int16_t y[40];
    ASSERT_EQ(vokStatusOk, voksSynthesisFilterZeroStateResponse_NR_16s(lpc, y, 40, 12));
    EXPECT_EQ(4096, y[0]);
    for (int n = 1; n < 40; ++n) EXPECT_EQ(0, y[n]);

    // 1/(1 - 0.5 z^-1): halves each step with rounding until it settles at 1.
    lpc[1] = -2048;
    ASSERT_EQ(vokStatusOk, voksSynthesisFilterZeroStateResponse_NR_16s(lpc, y, 20, 12));
    for (int n = 0; n < 20; ++n) EXPECT_EQ(n <= 12 ? 4096 >> n : 1, y[n]) << n;
    const int16_t lpc13[11] = {8192, -4096, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(vokStatusOk, voksSynthesisFilterZeroStateResponse_NR_16s(lpc13, y, 5, 13));
    EXPECT_EQ((std::vector<int16_t>{8192, 4096, 2048, 1024, 512}), std::vector<int16_t>(y, y + 5));

    // The history supplies y[-1]: x = 0 gives 0.5 * 1000 = 500, then 250.
    const int16_t hist[10] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1000};
    const int16_t zero[2] = {0, 0};
    ASSERT_EQ(vokStatusOk, voksSynthesisFilter_NR_16s_Sfs(lpc, zero, y, 2, 12, hist));
    EXPECT_EQ(500, y[0]);
    EXPECT_EQ(250, y[1]);

    // A gain of 2.0 on loud input saturates: a warning with a history, none without.
    const int16_t gain2[11] = {8192, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const int16_t loud[2] = {20000, -20000};
    const int16_t zh[10] = {};
    ASSERT_EQ(vokStatusOverflow, voksSynthesisFilter_NR_16s_Sfs(gain2, loud, y, 2, 12, zh));
    EXPECT_EQ(32767, y[0]);
    EXPECT_EQ(-32768, y[1]);
    int16_t io[2] = {20000, -20000};
    ASSERT_EQ(vokStatusOverflow, voksSynthesisFilter_NR_16s_ISfs(gain2, io, 2, 12, zh));
    EXPECT_EQ(32767, io[0]);
    EXPECT_EQ(-32768, io[1]);
    // Coefficients beyond 8.0 in sum: y[n] = x[n] + 8 y[n-1] grows by 8 until it saturates,
    // and a[0] = -32768 times x = -32768 saturates in the first product.
    const int16_t steep[11] = {4096, -32768, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const int16_t impulse[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    int16_t g[8];
    ASSERT_EQ(vokStatusOverflow, voksSynthesisFilter_NR_16s_Sfs(steep, impulse, g, 8, 12, zh));
    EXPECT_EQ((std::vector<int16_t>{1, 8, 64, 512, 4096, 32767, 32767, 32767}), std::vector<int16_t>(g, g + 8));
    const int16_t neg[11] = {-32768, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const int16_t min_in[1] = {-32768};
    ASSERT_EQ(vokStatusOverflow, voksSynthesisFilter_NR_16s_Sfs(neg, min_in, g, 1, 12, zh));
    EXPECT_EQ(32767, g[0]);
    EXPECT_EQ(vokStatusOk, voksSynthesisFilter_NR_16s_Sfs(gain2, loud, y, 2, 12, nullptr));
    io[0] = 20000;
    EXPECT_EQ(vokStatusOk, voksSynthesisFilterLow_NR_16s_ISfs(gain2, io, 2, 12, zh));
}

TEST(FilterEdges, Residual) {
    const int16_t a[2] = {4096, -4096};
    const int16_t x[3] = {100, 200, 300};  // x[-1] = 100
    int16_t d[2];
    ASSERT_EQ(vokStatusOk, voksResidualFilter_Low_16s_Sfs(a, 1, x + 1, d, 2, 12));
    EXPECT_EQ(100, d[0]);
    EXPECT_EQ(100, d[1]);
    const int16_t ones[2] = {1, 1}, full[3] = {32767, 32767, 32767};
    ASSERT_EQ(vokStatusOk, voksResidualFilter_Low_16s_Sfs(ones, 1, full + 1, d, 2, 0));
    EXPECT_EQ(32767, d[0]);  // 65534 saturated
    ASSERT_EQ(vokStatusOk, voksResidualFilter_Low_16s_Sfs(ones, 1, x + 1, d, 2, 1));
    EXPECT_EQ(150, d[0]);  // (300 + 1) >> 1
    EXPECT_EQ(250, d[1]);
    // Order 16 (a dedicated path in vector code) on a 16-tap moving sum.
    std::vector<int16_t> c(17, 1), s(16 + 40);
    for (int i = 0; i < 56; ++i) s[i] = static_cast<int16_t>(i);
    std::vector<int16_t> r(40);
    ASSERT_EQ(vokStatusOk, voksResidualFilter_Low_16s_Sfs(c.data(), 16, s.data() + 16, r.data(), 40, 0));
    for (int n = 0; n < 40; ++n) EXPECT_EQ(17 * (n + 8), r[n]) << n;  // sum of 17 consecutive values
}

TEST(FilterEdges, HarmonicFilters) {
    int16_t buf[6] = {100, 200, 1000, 1000, 1000, 1000};
    ASSERT_EQ(vokStatusOk, voksHarmonicFilter_16s_I(16384, 2, buf + 2, 4));
    EXPECT_EQ((std::vector<int16_t>{1050, 1100, 1525, 1550}), std::vector<int16_t>(buf + 2, buf + 6));
    int16_t sat[2] = {32767, 32767};
    ASSERT_EQ(vokStatusOk, voksHarmonicFilter_16s_I(32767, 1, sat + 1, 1));
    EXPECT_EQ(32767, sat[1]);
    int16_t trunc[2] = {-1, 10};
    ASSERT_EQ(vokStatusOk, voksHarmonicFilter_16s_I(16384, 1, trunc + 1, 1));
    EXPECT_EQ(9, trunc[1]);  // (-1 * 16384) >> 15 = -1
    int16_t full[2] = {-32768, 0};
    ASSERT_EQ(vokStatusOk, voksHarmonicFilter_16s_I(-32768, 1, full + 1, 1));
    EXPECT_EQ(32767, full[1]);  // (-32768 * -32768) >> 15 saturates rather than wrapping

    const int16_t src[2] = {100, 1000};
    int16_t d[1];
    ASSERT_EQ(vokStatusOk, voksHarmonicFilter_NR_16s(16384, 1, src + 1, d, 1));
    EXPECT_EQ(1050, d[0]);
    const int16_t src2[2] = {32767, 0};
    ASSERT_EQ(vokStatusOk, voksHarmonicFilter_NR_16s(-32768, 1, src2 + 1, d, 1));
    EXPECT_EQ(-32766, d[0]);  // the gain acts as -32767
    const int16_t src3[2] = {32767, 32767};
    ASSERT_EQ(vokStatusOk, voksHarmonicFilter_NR_16s(32767, 1, src3 + 1, d, 1));
    EXPECT_EQ(32767, d[0]);

    float f[3] = {2.0f, 4.0f, 8.0f};
    ASSERT_EQ(vokStatusOk, voksHarmonicFilter_32f_I(1, f + 1, 2, 0.5f));
    EXPECT_EQ(5.0f, f[1]);
    EXPECT_EQ(10.5f, f[2]);  // uses the filtered sample
}

TEST(FilterEdges, InterpolationIsExact) {
    struct Row {
        int16_t x1, c1;
        int s1;
        int16_t x2, c2;
        int s2;
        int16_t expect;
    } const rows[] = {
        {16384, 16384, 0, 0, 0, 0, 4096},      // 2^28 >> 16
        {16384, 16384, 1, 0, 0, 0, 8192},
        {3, 16384, 0, 0, 0, 0, 1},             // (49152 + 32768) >> 16
        {1, 16384, 0, 0, 0, 0, 0},             // (16384 + 32768) >> 16
        {100, 100, 4, -50, 100, 2, 2},         // (160000 - 20000 + 32768) >> 16
        {-100, 100, 4, -50, 100, 2, -3},       // (-180000 + 32768) >> 16
        {32767, 32767, 2, 32767, 32767, 2, 32767},  // 2^33 before the shift: saturates
        {-32768, 32767, 2, -32768, 32767, 2, -32768},
        {1, 1, 20, -1, 1, 20, 0},              // cancels exactly
        {1, 1, 20, 0, 0, 20, 16},              // 2^20 >> 16
        {1, 1, 40, 1, 1, 0, 32767},
        {1, -1, 40, 1, 1, 0, -32768},
        {0, 5, 40, 7, 1, 16, 7},               // 7 * 2^16 >> 16
    };
    for (const Row& r : rows) {
        int16_t d = 0;
        ASSERT_EQ(vokStatusOk, voksInterpolateC_NR_16s(&r.x1, r.c1, r.s1, &r.x2, r.c2, r.s2, &d, 1));
        EXPECT_EQ(r.expect, d) << r.x1 << "*" << r.c1 << "<<" << r.s1 << " + " << r.x2 << "*" << r.c2 << "<<" << r.s2;
    }
}

TEST(FilterEdges, Preemphasis) {
    float x[3] = {1.0f, 2.0f, 3.0f};
    float mem = 0.5f;
    ASSERT_EQ(vokStatusOk, voksPreemphasize_32f_I(x, 3, &mem, 0.5f));
    EXPECT_EQ(0.75f, x[0]);
    EXPECT_EQ(1.5f, x[1]);
    EXPECT_EQ(2.0f, x[2]);
    EXPECT_EQ(3.0f, mem);  // the last input sample, not the output
    float y[2] = {-7.0f, 9.0f};
    ASSERT_EQ(vokStatusOk, voksPreemphasize_32f_I(y, 2, &mem, 0.0f));
    EXPECT_EQ(-7.0f, y[0]);
    EXPECT_EQ(9.0f, y[1]);
    EXPECT_EQ(9.0f, mem);
}

}  // namespace

// Edge cases with hand-derived results: normalisation corners, tie-breaking of the lag searches,
// saturation, rounding, the filters on small inputs, and the single/double precision switch; and
// the weighted interpolation against its definition evaluated in 128 bits.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <vector>

#include "voksc.h"

namespace {

template <class T>
std::vector<T> v(const T* p, int n) {
    return std::vector<T>(p, p + n);
}
using V16 = std::vector<int16_t>;
using V32 = std::vector<int32_t>;

// Expects a call to return `status` and to leave `want` at `out`.
template <class T>
void expect_out(int line, VokStatus status, VokStatus got, const T* out, const std::vector<T>& want) {
    EXPECT_EQ(status, got) << "line " << line;
    EXPECT_EQ(want, v(out, static_cast<int>(want.size()))) << "line " << line;
}
#define EXPECT_OUT(call, out, ...) expect_out(__LINE__, vokStatusOk, call, out, {__VA_ARGS__})
#define EXPECT_OUT_ST(status, call, out, ...) expect_out(__LINE__, status, call, out, {__VA_ARGS__})

TEST(AutoCorrEdges, PlainAndNormalised) {
    const int16_t x[3] = {1, 2, 3}, loud[4] = {32767, 32767, 32767, 32767};
    int32_t r[11];
    EXPECT_OUT(voksAutoCorr_16s32s(x, 3, r, 5), r, 14, 8, 3, 0, 0);
    ASSERT_EQ(vokStatusOk, voksAutoCorr_16s32s(loud, 3, r, 1));
    EXPECT_EQ(static_cast<int32_t>(3u * 1073676289u), r[0]);  // 3 * 32767^2 modulo 2^32

    // Full scale overflows: nothing written. Silence gives r0 = 1 normalised.
    const V16 full(240, 32767), zero(240, 0);
    std::memset(r, 0x77, sizeof r);
    int norm = -5;
    EXPECT_OUT_ST(vokStatusOverflow, voksAutoCorr_NormE_16s32s(full.data(), 240, r, 11, &norm), r,
                  V32(11, 0x77777777));
    EXPECT_EQ(-5, norm);
    EXPECT_OUT(voksAutoCorr_NormE_16s32s(zero.data(), 240, r, 11, &norm), r, 0x40000000, 0, 0, 0, 0, 0, 0, 0,
               0, 0, 0);
    EXPECT_EQ(30, norm);
    const int16_t one[2] = {1, -1};  // E = 2, r0 = 5 << 28; S(1) = -1 << 29
    EXPECT_OUT(voksAutoCorr_NormE_16s32s(one, 2, r, 3, &norm), r, 5 << 28, -(1 << 29), 0);
    EXPECT_EQ(28, norm);

    // Rounded: silence gives zeros and norm 0; E = 2^29 gives r0 = 2^30 -> 16384 and S(1) = 2^28
    // doubled -> 8192; E above 0x3FFFFFFF gives r0 = 0x7FFFFFFF, lags 1 and 2 saturate when
    // doubled, lag 3 (2 * 32767^2 = 2147352578) rounds to 32766.
    int16_t d[4];
    const int16_t half[2] = {16384, 16384};
    struct {
        const int16_t* x;
        int len, lags;
        V16 want;
    } const rows[] = {{zero.data(), 10, 4, {0, 0, 0, 0}},
                      {half, 2, 3, {16384, 8192, 0}},
                      {loud, 4, 4, {32767, 32767, 32767, 32766}}};
    for (const auto& row : rows) {
        norm = -1;
        ASSERT_EQ(vokStatusOk, voksAutoCorr_NormE_NR_16s(row.x, row.len, d, row.lags, &norm));
        EXPECT_EQ(0, norm);
        EXPECT_EQ(row.want, v(d, row.lags));
    }
}

TEST(LagSearchEdges, TiesEmptyRangesSaturationAndPrecision) {
    // A pulse train of period 40: equal correlations at lags 0, 40 and 80.
    V16 p(400, 0), alt(200), neg(100, -5), pos(100, 5);
    for (int i = 0; i < 400; i += 40) p[i] = 1000;
    for (int i = 0; i < 200; ++i) alt[i] = (i & 1) ? -32767 : 32767;
    const std::vector<float> f(p.begin(), p.end()), ones(400, 1.0f);
    // C(0) = 1 + 2^-30 in double; rounded to single precision it is 1.
    std::vector<float> a(100, 0.0f), b(200, 0.0f);
    a[0] = a[1] = b[0] = 1.0f;
    b[1] = 1.0f / 1073741824.0f;
    const double tiny = 1.0 + 1.0 / 1073741824.0;

    int32_t m = 0;
    float fm = 0;
    double dm = 0;
    int lag = -1;
    // Checks a call's status and its outputs, read after the call.
    auto ok = [&lag](VokStatus st, const auto& got, double want, int want_lag, const char* what) {
        EXPECT_EQ(vokStatusOk, st) << what;
        EXPECT_EQ(want, got) << what;
        EXPECT_EQ(want_lag, lag) << what;
    };
    // Auto-correlation searches keep the smallest tied lag, cross-correlation the largest.
    ok(voksAutoCorrLagMax_Fwd_16s(p.data(), 80, 20, 100, &m, &lag), m, 4e6, 40, "fwd tie");
    ok(voksAutoCorrLagMax_Inv_16s(p.data() + 200, 80, 20, 100, &m, &lag), m, 4e6, 40, "inv tie");
    ok(voksCrossCorrLagMax_16s(p.data(), p.data(), 80, 100, &m, &lag), m, 2e6, 80, "cross tie");
    ok(voksCrossCorrLagMax_32f64f(f.data(), f.data(), 80, 100, &dm, &lag), dm, 2e6, 80, "cross 32f tie");
    ok(voksAutoCorrLagMax_32f(f.data() + 200, 80, 20, 101, &fm, &lag), fm, 2e6, 40, "auto 32f tie");
    // Empty ranges: the minimum at lag 0.
    ok(voksAutoCorrLagMax_Fwd_16s(p.data(), 40, 50, 49, &m, &lag), m, INT32_MIN, 0, "fwd empty");
    ok(voksAutoCorrLagMax_Inv_16s(p.data() + 200, 40, 50, 49, &m, &lag), m, INT32_MIN, 0, "inv empty");
    ok(voksAutoCorrLagMax_32f(ones.data() + 200, 40, 7, 7, &fm, &lag), fm, -FLT_MAX, 0, "32f empty");
    // Alternating full scale: odd lags sum below -2^30 and saturate to the minimum (the lag
    // reported is still the scanned one), lag 4 (2 * 32767^2 >= 2^30) to the maximum. Over 40
    // products the odd-lag sum would wrap positive modulo 2^32; saturation keeps it.
    ok(voksAutoCorrLagMax_Fwd_16s(alt.data(), 2, 3, 3, &m, &lag), m, INT32_MIN, 3, "fwd odd");
    ok(voksAutoCorrLagMax_Fwd_16s(alt.data(), 2, 3, 6, &m, &lag), m, INT32_MAX, 4, "fwd even");
    ok(voksAutoCorrLagMax_Inv_16s(alt.data() + 100, 2, 3, 3, &m, &lag), m, INT32_MIN, 3, "inv odd");
    ok(voksAutoCorrLagMax_Fwd_16s(alt.data(), 40, 3, 3, &m, &lag), m, INT32_MIN, 3, "fwd odd 40");
    ok(voksAutoCorrLagMax_Inv_16s(alt.data() + 100, 40, 3, 5, &m, &lag), m, INT32_MAX, 4, "inv even 40");
    // No positive cross-correlation: 0 at maxLag.
    ok(voksCrossCorrLagMax_16s(neg.data(), pos.data(), 40, 9, &m, &lag), m, 0, 9, "cross negative");
    // Single precision only for len <= 80 and maxLag < 64.
    ok(voksCrossCorrLagMax_32f64f(a.data(), b.data(), 80, 63, &dm, &lag), dm, 1.0, 0, "single");
    ok(voksCrossCorrLagMax_32f64f(a.data(), b.data(), 81, 63, &dm, &lag), dm, tiny, 0, "len 81");
    ok(voksCrossCorrLagMax_32f64f(a.data(), b.data(), 80, 64, &dm, &lag), dm, tiny, 0, "lag 64");
}

TEST(CrossCorrEdges, ScalingRoundingAndSaturation) {
    const int16_t a[3] = {1, 2, 3}, b[3] = {4, 5, 6};  // triangular sums 32, 17, 6
    int32_t t[3];
    struct {
        int sf;
        V32 want;
    } const rows[] = {
        {0, {32, 17, 6}}, {1, {16, 8, 3}}, {-2, {128, 68, 24}}, {-32, {0, 0, 0}}, {40, {0, 0, 0}}};
    for (const auto& r : rows) {
        ASSERT_EQ(vokStatusOk, voksCrossCorr_16s32s_Sfs(a, b, 3, t, r.sf));
        EXPECT_EQ(r.want, v(t, 3)) << "sf " << r.sf;
    }

    // S = 1100, 1400; 2 * 32767^2 saturates at sf 0 and gives (2147352578 + 2^30) >> 31 at 31.
    const int16_t s1[2] = {100, 200}, s2[3] = {3, 4, 5}, full[4] = {32767, 32767, 32767, 32767};
    int16_t d[2];
    struct {
        const int16_t *x, *y;
        int sf;
        V16 want;
    } const nr[] = {{s1, s2, 0, {1100, 1400}},  {s1, s2, 2, {275, 350}},      {s1, s2, 3, {138, 175}},
                    {s1, s2, -1, {2200, 2800}}, {s1, s2, -5, {32767, 32767}}, {full, full, 0, {32767, 32767}},
                    {full, full, 31, {1, 1}}};
    for (const auto& r : nr) {
        ASSERT_EQ(vokStatusOk, voksCrossCorr_NR_16s_Sfs(r.x, r.y, 2, d, 2, r.sf));
        EXPECT_EQ(r.want, v(d, 2)) << "sf " << r.sf;
    }

    // Exact 32-bit saturation, not doubled.
    const int16_t mn[4] = {-32768, -32768, -32768, -32768};
    int32_t e[2];
    ASSERT_EQ(vokStatusOk, voksCrossCorr_NR_16s32s(full, full, 3, e, 2));
    EXPECT_EQ(INT32_MAX, e[0]);
    ASSERT_EQ(vokStatusOk, voksCrossCorr_NR_16s32s(full, mn, 3, e, 2));
    EXPECT_EQ(INT32_MIN, e[1]);
    EXPECT_OUT(voksCrossCorr_NR_16s32s(s1, s2, 2, e, 2), e, 1100, 1400);

    // (S + 2^14) >> 15.
    const int16_t q[1] = {16384}, w[2] = {16384, 32767};
    EXPECT_OUT(voksCrossCorr_NR_16s(q, w, 1, d, 2), d, 8192, 16384);
}

TEST(FilterEdges, Residual) {
    const int16_t a[2] = {4096, -4096}, x[3] = {100, 200, 300};  // x[-1] = 100
    const int16_t ones[2] = {1, 1}, full[3] = {32767, 32767, 32767};
    int16_t d[2];
    EXPECT_OUT(voksResidualFilter_Low_16s_Sfs(a, 1, x + 1, d, 2, 12), d, 100, 100);
    ASSERT_EQ(vokStatusOk, voksResidualFilter_Low_16s_Sfs(ones, 1, full + 1, d, 2, 0));
    EXPECT_EQ(32767, d[0]);                                                            // 65534 saturated
    EXPECT_OUT(voksResidualFilter_Low_16s_Sfs(ones, 1, x + 1, d, 2, 1), d, 150, 250);  // (300 + 1) >> 1
    // Order 16 (a dedicated path in vector code) on a 16-tap moving sum of a ramp.
    V16 c(17, 1), s(56), r(40);
    for (int i = 0; i < 56; ++i) s[i] = static_cast<int16_t>(i);
    ASSERT_EQ(vokStatusOk, voksResidualFilter_Low_16s_Sfs(c.data(), 16, s.data() + 16, r.data(), 40, 0));
    for (int n = 0; n < 40; ++n) EXPECT_EQ(17 * (n + 8), r[n]) << n;
}

TEST(FilterEdges, HarmonicFilters) {
    // The out-of-place form: the gain -32768 (beyond the golden Filt_Pw gains) acts as -32767.
    struct Row {
        int16_t gain, prev, x, want;
    };
    for (const Row& r :
         {Row{16384, 100, 1000, 1050}, Row{-32768, 32767, 0, -32766}, Row{32767, 32767, 32767, 32767}}) {
        const int16_t src[2] = {r.prev, r.x};
        int16_t d = 0;
        ASSERT_EQ(vokStatusOk, voksHarmonicFilter_NR_16s(r.gain, 1, src + 1, &d, 1));
        EXPECT_EQ(r.want, d) << r.gain << " " << r.prev;
    }
    float f[3] = {2.0f, 4.0f, 8.0f};
    ASSERT_EQ(vokStatusOk, voksHarmonicFilter_32f_I(1, f + 1, 2, 0.5f));
    EXPECT_EQ(5.0f, f[1]);
    EXPECT_EQ(10.5f, f[2]);  // uses the filtered sample
}

// sat16((x1 c1 2^s1 + x2 c2 2^s2 + 2^15) >> 16) with floor division, in 128 bits.
int16_t interpolation(int16_t x1, int16_t c1, int s1, int16_t x2, int16_t c2, int s2) {
    const __int128 t = static_cast<__int128>(int32_t{x1} * c1) * (__int128{1} << s1) +
                       static_cast<__int128>(int32_t{x2} * c2) * (__int128{1} << s2) + 32768;
    const __int128 q = t >> 16;
    return static_cast<int16_t>(q > 32767 ? 32767 : q < -32768 ? -32768 : q);
}

// Hand rows for scales beyond 20, then every scale pair up to 20 against the 128-bit definition.
TEST(FilterEdges, InterpolationIsExact) {
    struct Row {
        int16_t x1, c1;
        int s1;
        int16_t x2, c2;
        int s2;
        int16_t want;
    } const rows[] = {{1, 1, 40, 1, 1, 0, 32767},  // scales beyond the sweep below: 2^40 saturates
                      {1, -1, 40, 1, 1, 0, -32768},
                      {0, 5, 40, 7, 1, 16, 7}};  // 7 * 2^16 >> 16
    for (const Row& r : rows) {
        int16_t d = 0;
        ASSERT_EQ(vokStatusOk, voksInterpolateC_NR_16s(&r.x1, r.c1, r.s1, &r.x2, r.c2, r.s2, &d, 1));
        EXPECT_EQ(r.want, d) << r.x1 << "*" << r.c1 << "<<" << r.s1 << " + " << r.x2 << "*" << r.c2 << "<<"
                             << r.s2;
    }
    // Every scale pair up to 20 (across the switch from the direct 64-bit sum to the general
    // form) on full-scale, cancelling and random inputs, with guards around the output.
    uint32_t seed = 0x1234u;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    const int16_t ext[8] = {-32768, -32767, -16384, -1, 0, 1, 16384, 32767};
    constexpr int kLen = 67;
    for (int s1 = 0; s1 <= 20; ++s1) {
        for (int s2 = 0; s2 <= 20; ++s2) {
            V16 x1(kLen), x2(kLen), out(kLen + 2, 0x5A5A);
            for (int n = 0; n < kLen; ++n) {
                const int bits = 1 + static_cast<int>(next() % 16);
                x1[n] = n < 8 ? ext[n] : static_cast<int16_t>(static_cast<int32_t>(next()) >> (32 - bits));
                x2[n] = n < 8    ? ext[7 - n]
                        : n < 16 ? static_cast<int16_t>(-x1[n] - (n & 1))
                                 : static_cast<int16_t>(next() >> 16);
            }
            for (int pick = 0; pick < 6; ++pick) {
                const int16_t c1 = pick < 4 ? ext[(pick * 3 + s1) % 8] : static_cast<int16_t>(next() >> 16);
                const int16_t c2 = pick == 1  ? c1
                                   : pick < 4 ? ext[(pick * 5 + s2) % 8]
                                              : static_cast<int16_t>(next() >> 16);
                ASSERT_EQ(vokStatusOk,
                          voksInterpolateC_NR_16s(x1.data(), c1, s1, x2.data(), c2, s2, &out[1], kLen));
                for (int n = 0; n < kLen; ++n)
                    ASSERT_EQ(interpolation(x1[n], c1, s1, x2[n], c2, s2), out[n + 1])
                        << x1[n] << "*" << c1 << "<<" << s1 << " + " << x2[n] << "*" << c2 << "<<" << s2;
                ASSERT_EQ(0x5A5A, out[0]);
                ASSERT_EQ(0x5A5A, out[kLen + 1]);
            }
        }
    }
}

TEST(FilterEdges, Preemphasis) {
    float x[3] = {1.0f, 2.0f, 3.0f}, y[2] = {-7.0f, 9.0f}, mem = 0.5f;
    ASSERT_EQ(vokStatusOk, voksPreemphasize_32f_I(x, 3, &mem, 0.5f));
    EXPECT_EQ((std::vector<float>{0.75f, 1.5f, 2.0f}), v(x, 3));
    EXPECT_EQ(3.0f, mem);  // the last input sample, not the output
    ASSERT_EQ(vokStatusOk, voksPreemphasize_32f_I(y, 2, &mem, 0.0f));
    EXPECT_EQ((std::vector<float>{-7.0f, 9.0f}), v(y, 2));
    EXPECT_EQ(9.0f, mem);
}

}  // namespace

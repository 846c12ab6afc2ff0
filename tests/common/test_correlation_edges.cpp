// Edge cases with hand-derived results: normalisation corners, tie-breaking of the lag searches,
// saturation, rounding, the filters on small inputs, and the single/double precision switch; and
// the weighted interpolation against its definition evaluated in 128 bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/basicop.h"
#include "frame/dispatch.h"
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

// The synthesis filters' fast paths against the step-by-step saturating chain of the reference
// (built here from the basic operators) where the golden Syn_filt set does not go: extreme
// filters, inputs placed just below and just above the exactness bound
// 2 * (|a0 x| + sum |a_i| max|y|) < 2^31, and aliased buffers. Every kernel level.
using voks::frame::Level;

// Syn_filt with hist = y[-10..-1] (zeros when null). Saturating: y[n] = round(L_shl(L_mult(x, a0)
// - sum L_mult(a_i, y[n-i]), 15 - sf)) returning the Overflow flag; wrapping: the low 16 bits of
// (sum + 2^(sf-1)) >> sf modulo 2^32, x = null being the impulse response.
bool chain(const int16_t* a, const int16_t* x, int16_t* y, int len, int sf, const int16_t* hist, bool wrap) {
    if (len <= 0) return false;
    V16 buf(10 + static_cast<size_t>(len), 0);
    if (hist) std::memcpy(buf.data(), hist, 20);
    bool ovf = false;
    for (int n = 0; n < len; ++n) {
        const int16_t xn = x ? x[n] : int16_t{0};
        int32_t s = voks::L_mult(xn, a[0], ovf);
        uint32_t w = (uint32_t{1} << (sf - 1)) + static_cast<uint32_t>(int32_t{a[0]} * xn);
        for (int i = 1; i <= 10; ++i) {
            s = voks::L_msu(s, a[i], buf[10 + n - i], ovf);
            w -= static_cast<uint32_t>(int32_t{a[i]} * buf[10 + n - i]);
        }
        buf[10 + n] = wrap ? static_cast<int16_t>(static_cast<int32_t>(w) >> sf)
                           : voks::round_fx(voks::L_shl(s, static_cast<int16_t>(15 - sf), ovf), ovf);
        if (!x && n == 0) buf[10] = a[0];
    }
    std::copy(buf.begin() + 10, buf.end(), y);
    return ovf;
}

struct Lcg {
    uint32_t s;
    uint32_t next() { return s = s * 1664525u + 1013904223u; }
    int16_t i16(int bits) { return static_cast<int16_t>(static_cast<int32_t>(next() >> 8) >> (24 - bits)); }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
};

class SynthesisFastPath : public ::testing::TestWithParam<Level> {
protected:
    void SetUp() override {
        if (voks::frame::force_level(GetParam()) != GetParam()) GTEST_SKIP() << "kernel level not available";
    }
    void TearDown() override { voks::frame::force_level(voks::frame::detected_level()); }

    // Every entry point on one case against the chain, with guards around the output.
    void check(const int16_t* a, const V16& x, int sf, const int16_t* hist) {
        const int len = static_cast<int>(x.size());
        V16 want(x.size()), got(x.size() + 2, 0x5A5A), io = x;
        const bool ovf = chain(a, x.data(), want.data(), len, sf, hist, false);
        const VokStatus st = ovf ? vokStatusOverflow : vokStatusOk;
        ASSERT_EQ(st, voksSynthesisFilter_NR_16s_Sfs(a, x.data(), &got[1], len, sf, hist));
        ASSERT_EQ(want, V16(got.begin() + 1, got.end() - 1));
        ASSERT_EQ(0x5A5A, got[0]);
        ASSERT_EQ(0x5A5A, got.back());
        ASSERT_EQ(st, voksSynthesisFilter_NR_16s_ISfs(a, io.data(), len, sf, hist));
        ASSERT_EQ(want, io);
        // The wrapping forms: in place with a history, without a history, the impulse response.
        chain(a, x.data(), want.data(), len, sf, hist, true);
        io = x;
        ASSERT_EQ(vokStatusOk, voksSynthesisFilterLow_NR_16s_ISfs(a, io.data(), len, sf, hist));
        ASSERT_EQ(want, io);
        chain(a, x.data(), want.data(), len, sf, nullptr, true);
        ASSERT_EQ(vokStatusOk, voksSynthesisFilter_NR_16s_Sfs(a, x.data(), io.data(), len, sf, nullptr));
        ASSERT_EQ(want, io);
        chain(a, nullptr, want.data(), len, sf, nullptr, true);
        ASSERT_EQ(vokStatusOk, voksSynthesisFilterZeroStateResponse_NR_16s(a, io.data(), len, sf));
        ASSERT_EQ(want, io);
    }
};

// The largest partial sum of the chain exactly at 2^31 - 2 (exact) and at 2^31 (saturated)
// through a[0] x[0] and a[1] y[-1] of the same sign; then extreme filters and inputs.
TEST_P(SynthesisFastPath, BoundAndExtremes) {
    struct {
        int16_t a0, a1, a2, y1;
        int extra;  // added to the largest input that keeps the bound
    } const bound[] = {{4096, -20000, 0, 30000, 0},     {4096, -20000, 0, 30000, 1},
                       {4096, -32768, 0, 32767, 0},     {4096, -32768, 0, 32767, 1},
                       {8192, -30000, -2768, 32000, 0}, {8192, -30000, -2768, 32000, 1},
                       {-4096, 20000, 0, 30000, 0},     {-4096, 20000, 0, 30000, 1},
                       {32767, -2, 0, 32767, 0},        {32767, -3, 0, 32767, 1}};
    for (const auto& c : bound) {
        const int16_t a[11] = {c.a0, c.a1, c.a2};
        const int64_t asum = std::abs(c.a1) + std::abs(c.a2);
        const int64_t xv =
            std::min<int64_t>(32767, ((int64_t{1} << 30) - 1 - asum * c.y1) / std::abs(c.a0) + c.extra);
        for (int sf : {12, 13}) {
            for (int sign : {1, -1}) {
                int16_t h[10] = {};
                h[8] = h[9] = static_cast<int16_t>(sign * c.y1);
                SCOPED_TRACE(c.a0 * 1000 + c.a1);
                check(a, {static_cast<int16_t>(sign * xv), 0, 0, 0}, sf, h);
                if (HasFatalFailure()) return;
            }
        }
    }
    // -32768 coefficients and inputs, full-scale alternation, impulses into a loud history, and
    // the output levels where the scaling and the rounding start to clip; constant inputs run
    // long enough to cross the internal chunking.
    const int16_t filters[][11] = {
        {-32768},
        {4096, -32768},
        {32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767},
        {-32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768},
        {4096, -8000, 6000, -3000, 1000},
        {4096},
        {8191}};
    for (const auto& a : filters) {
        for (int16_t v : {-32768, -32767, -16384, -1, 0, 1, 16383, 16384, 32767}) {
            for (int pattern = 0; pattern < 3; ++pattern) {
                V16 x(pattern == 0 ? 481 : 45, pattern == 2 ? 0 : v);  // 481 crosses two chunks
                for (size_t n = 0; pattern == 1 && n < x.size(); n += 2) x[n] = static_cast<int16_t>(-1 - v);
                x[0] = pattern == 1 ? static_cast<int16_t>(-1 - v) : v;
                int16_t hist[10];
                std::fill(hist, hist + 10, pattern == 2 ? v : 0);
                SCOPED_TRACE(v);
                check(a, x, 12, hist);
                check(a, x, 13, hist);
                if (HasFatalFailure()) return;
            }
        }
    }
    // A unit filter at full scale, with and without a history.
    const int16_t unit[11] = {4096}, zero[10] = {};
    check(unit, {32767, -32768, 32766, -32767}, 12, nullptr);
    check(unit, {32767, -32768, 32766, -32767}, 12, zero);
}

// Aliased buffers: the input starting before the output inside the same array (so it reads
// outputs of the same call) with the history just before the output, and the input after it.
TEST_P(SynthesisFastPath, AliasedBuffers) {
    Lcg g{77u};
    for (int iter = 0; iter < 400; ++iter) {
        int16_t a[11], hist[10];
        for (int16_t& c : a) c = g.i16(12 + iter % 4);
        a[0] = 4096;
        const int len = 1 + g.below(80), shift = 1 + g.below(12), sf = iter % 2 ? 12 : 13;
        V16 buf(static_cast<size_t>(len + shift + 20));
        for (int16_t& v : buf) v = g.i16(1 + iter % 16);
        // The chain reads x[n] after writing y[0..n-1]: emulate it one sample at a time.
        V16 ref = buf;
        int16_t* out = buf.data() + 10 + shift;
        int16_t* rout = ref.data() + 10 + shift;
        bool ovf = false;
        for (int n = 0; n < len; ++n)
            ovf |= chain(a, rout + n - shift, rout + n, 1, sf, rout + n - 10, false);
        ASSERT_EQ(ovf ? vokStatusOverflow : vokStatusOk,
                  voksSynthesisFilter_NR_16s_Sfs(a, out - shift, out, len, sf, out - 10));
        ASSERT_EQ(ref, buf) << iter;

        // Input after the output: every input sample is read before it is overwritten.
        V16 b2(static_cast<size_t>(len + shift)), want(static_cast<size_t>(len));
        for (int16_t& v : b2) v = g.i16(1 + iter % 16);
        for (int16_t& h : hist) h = g.i16(1 + iter % 16);
        ovf = chain(a, b2.data() + shift, want.data(), len, sf, hist, false);
        ASSERT_EQ(ovf ? vokStatusOverflow : vokStatusOk,
                  voksSynthesisFilter_NR_16s_Sfs(a, b2.data() + shift, b2.data(), len, sf, hist));
        ASSERT_EQ(want, V16(b2.begin(), b2.begin() + len)) << iter;
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, SynthesisFastPath, ::testing::Values(Level::Scalar, Level::AVX2));

}  // namespace

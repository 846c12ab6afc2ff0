// Echo-canceller operations: hand-derived values, fixed point against float within derived
// bounds, the filter bank's reconstruction, NLMS convergence and the controllers' decisions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "ec/sb_internal.h"
#include "voksc.h"

namespace {

std::vector<float> noise(size_t n, uint32_t seed, float amp) {
    std::mt19937 g(seed);
    std::uniform_real_distribution<float> u(-amp, amp);
    std::vector<float> v(n);
    for (float& x : v) x = u(g);
    return v;
}

TEST(EcOps, BuiltInWindowsKeepThePublishedValues) {
    struct Row {
        const float* half;
        int n;
        float first[6], peak;
        int16_t q13[6], q13peak;
    };
    const Row rows[] = {{voks::ec::kWindow128Half,
                         64,
                         {0.0131806f, 0.0071463f, 0.0004235f, -0.0069537f, -0.0149392f, -0.0234745f},
                         0.9311249f,
                         {107, 58, 3, -56, -122, -192},
                         7627},
                        {voks::ec::kWindow256Half,
                         128,
                         {0.0437838f, 0.0434184f, 0.0428387f, 0.0420374f, 0.0410077f, 0.0397438f},
                         0.9447229f,
                         {358, 355, 350, 344, 335, 325},
                         7739}};
    for (const Row& r : rows) {
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(r.half[i], r.first[i]);
            EXPECT_EQ(static_cast<int16_t>(r.half[i] * 8192.0f), r.q13[i]);
        }
        EXPECT_EQ(r.half[r.n - 1], r.peak);
        EXPECT_EQ(static_cast<int16_t>(r.peak * 8192.0f), r.q13peak);
        for (int i = 0; i < r.n; ++i) EXPECT_LE(r.half[i], r.peak);
    }
}

TEST(EcOps, FixedPointEdgeValues) {
    // FIR: terms (x*h + 2^14) >> 15: 16384*16384 -> 8192; -1*16384 -> (-16384+16384)>>15 = 0.
    const int16_t x[3] = {-1, 16384, 0}, h[2] = {16384, 16384}, d[2] = {100, -32768};
    int16_t e[2];
    ASSERT_EQ(voksFIR_EC_16s(x + 1, d, e, 2, h, 2), vokStatusOk);
    EXPECT_EQ(e[0], 100 - 8192);  // x[0]*h0 + x[-1]*h1 = 8192 + 0
    EXPECT_EQ(e[1], -32768);      // -32768 - 8192 saturates
    // NLMS: a carried error beyond 16 bits is stored saturated, either sign.
    for (int sign : {1, -1}) {
        int16_t xs[2] = {0, 0}, hs[1] = {0}, ds[1] = {static_cast<int16_t>(sign * 30000)}, es[1], err = 0;
        const int32_t mu[1] = {1 << 20};  // (30000 * 2^20 + 1024) >> 11 = 15360000
        ASSERT_EQ(voksNLMS_EC_16s(xs + 1, ds, mu, es, 1, hs, 1, &err), vokStatusOk);
        EXPECT_EQ(err, sign > 0 ? 32767 : -32768);
    }
    // Coefficient update: m = 2^30 halves the error, E = 4 -> eps = 2; X = 1 -> t = 2.
    // Imaginary: E = -4 -> eps = floor(-1.5) = -2. q = p - s - 31: q = 1 truncates (2 >> 1 = 1,
    // -2 >> 1 = -1); q = 2 adds 2 ((2 + 2) >> 2 = 1, (-2 + 2) >> 2 = 0); q = 3 adds 4 (both 0);
    // q = -2 shifts left (8, -8); q = 0 keeps (2, -2).
    // Exponents far beyond the 64-bit range: a vanishing increment, and a left shift out of range
    // that saturates the coefficient (+2^32 - 2 and -2^32 before the 32-bit saturation).
    struct Row {
        int32_t exp;
        int64_t re, im;
    } rows[] = {{32, 1, -1},
                {33, 1, 0},
                {34, 0, 0},
                {29, 8, -8},
                {31, 2, -2},
                {INT32_MAX, 0, 0},
                {INT32_MIN, INT32_MAX - 10, int64_t{INT32_MIN} - 10}};
    for (const Row& r : rows) {
        const Vok32sc X[1] = {{1, 0}}, E[1] = {{4, -4}};
        Vok32sc W[1] = {{10, 10}};
        const Vok32sc* tX[1] = {X};
        Vok32sc* tW[1] = {W};
        const VokEcStep32s mu[1] = {{1 << 30, r.exp}};
        ASSERT_EQ(voksFIRSubbandCoeffUpdate_EC_32sc_I(mu, tX, E, tW, 1, 1, 0), vokStatusOk);
        EXPECT_EQ(W[0].re, 10 + r.re) << r.exp;
        EXPECT_EQ(W[0].im, 10 + r.im) << r.exp;
    }
    // Sub-band filter: saturating 64-bit sums and a saturated 32-bit result, against the
    // wrapping Low form: (-2^31)^2 * 2 taps = 2^63 saturates; the Low form wraps to -2^63.
    const Vok32sc big[1] = {{INT32_MIN, 0}};
    const Vok32sc* tb[2] = {big, big};
    Vok32sc y[1];
    ASSERT_EQ(voksFIRSubband_EC_32sc_Sfs(tb, tb, y, 2, 1, 31), vokStatusOk);
    EXPECT_EQ(y[0].re, INT32_MAX);  // (2^63 - 1) / 2^31 = 2^32 - 1 saturates
    ASSERT_EQ(voksFIRSubbandLow_EC_32sc_Sfs(tb, tb, 2, y, 0, 1, 31), vokStatusOk);
    EXPECT_EQ(y[0].re, 0);  // -2^63 >> 31 = -2^32, low 32 bits 0
}

TEST(EcOps, FixedPointFollowsFloat) {
    // The same Q15 taps and 16-bit signals: each rounded term is within 1/2 of its exact value,
    // so the 16s error differs from the float one by at most L/2 plus float rounding.
    const int L = 64, n = 200;
    std::mt19937 g(7);
    std::uniform_int_distribution<int> sx(-20000, 20000), sh(-3000, 3000);
    std::vector<int16_t> x(L + n), d(n), h(L), e16(n);
    std::vector<float> xf(L + n), df(n), hf(L), ef(n);
    for (int i = 0; i < L + n; ++i) xf[i] = x[i] = static_cast<int16_t>(sx(g));
    for (int i = 0; i < n; ++i) df[i] = d[i] = static_cast<int16_t>(sx(g) / 2);
    for (int k = 0; k < L; ++k) hf[k] = (h[k] = static_cast<int16_t>(sh(g))) / 32768.0f;
    ASSERT_EQ(voksFIR_EC_16s(x.data() + L, d.data(), e16.data(), n, h.data(), L), vokStatusOk);
    ASSERT_EQ(voksFIR_EC_32f(xf.data() + L, df.data(), ef.data(), n, hf.data(), L), vokStatusOk);
    for (int j = 0; j < n; ++j) EXPECT_NEAR(e16[j], ef[j], L / 2.0 + 1.0) << j;
}

// One unprocessed pass through the bank; returns the reconstruction SNR at delay W - S.
template <bool Fixed>
double bank_snr(int order, int S, int W) {
    int st = 0, in = 0, wk = 0;
    (Fixed ? voksSubbandProcessGetSize_16s : voksSubbandProcessGetSize_32f)(order, W, &st, &in, &wk);
    std::vector<unsigned char> a(st), s(st), work(wk);
    const int frames = 400, K = (1 << order) / 2 + 1;
    const std::vector<float> x = noise(static_cast<size_t>(frames) * S, 3, 8000.0f);
    std::vector<float> y(x.size());
    if constexpr (Fixed) {
        auto* as = reinterpret_cast<VokSubbandProcessState_16s*>(a.data());
        auto* ss = reinterpret_cast<VokSubbandProcessState_16s*>(s.data());
        EXPECT_EQ(voksSubbandProcessInit_16s(as, order, S, W, nullptr, nullptr), vokStatusOk);
        EXPECT_EQ(voksSubbandProcessInit_16s(ss, order, S, W, nullptr, nullptr), vokStatusOk);
        std::vector<Vok32sc> X(K);
        std::vector<int16_t> in16(S), out16(S);
        for (int f = 0; f < frames; ++f) {
            for (int i = 0; i < S; ++i) in16[i] = static_cast<int16_t>(x[f * S + i]);
            EXPECT_EQ(voksSubbandAnalysis_16s32sc_Sfs(in16.data(), X.data(), as, 0, work.data()),
                      vokStatusOk);
            EXPECT_EQ(voksSubbandSynthesis_32sc16s_Sfs(X.data(), out16.data(), ss, 0, work.data()),
                      vokStatusOk);
            for (int i = 0; i < S; ++i) y[f * S + i] = out16[i];
        }
    } else {
        auto* as = reinterpret_cast<VokSubbandProcessState_32f*>(a.data());
        auto* ss = reinterpret_cast<VokSubbandProcessState_32f*>(s.data());
        EXPECT_EQ(voksSubbandProcessInit_32f(as, order, S, W, nullptr, nullptr), vokStatusOk);
        EXPECT_EQ(voksSubbandProcessInit_32f(ss, order, S, W, nullptr, nullptr), vokStatusOk);
        std::vector<Vok32fc> X(K);
        for (int f = 0; f < frames; ++f) {
            EXPECT_EQ(voksSubbandAnalysis_32f32fc(&x[f * S], X.data(), as, work.data()), vokStatusOk);
            EXPECT_EQ(voksSubbandSynthesis_32fc32f(X.data(), &y[f * S], ss, work.data()), vokStatusOk);
        }
    }
    double sig = 0, err = 0;
    for (size_t i = static_cast<size_t>(4 * W); i < x.size(); ++i) {
        const double r = x[i - (W - S)];
        sig += r * r;
        err += (y[i] - r) * (y[i] - r);
    }
    return 10.0 * std::log10(sig / err);
}

TEST(EcOps, BankReconstructsItsInput) {
    // The design figures of the windows (46.4 and 47.0 dB in float); the Q13 window and the
    // 16-bit overlap cost some of it.
    EXPECT_GT(bank_snr<false>(5, 24, 128), 46.0);
    EXPECT_GT(bank_snr<false>(6, 44, 256), 46.5);
    EXPECT_GT(bank_snr<true>(5, 24, 128), 40.0);
    EXPECT_GT(bank_snr<true>(6, 44, 256), 40.0);
}

TEST(EcOps, NlmsConvergesToAKnownPath) {
    // White far end through a known 32-tap path; the normalised steps of the controller.
    const int L = 32, n = 40, frames = 300;
    std::vector<float> path(L);
    for (int k = 0; k < L; ++k) path[k] = 0.6f * std::exp(-0.15f * k) * std::cos(0.9f * k);
    const std::vector<float> x = noise(static_cast<size_t>(frames) * n + L, 11, 10000.0f);
    std::vector<float> h(L, 0.0f), hb(L, 0.0f), mu(n), d(n), e(n);
    std::vector<int16_t> x16(x.size()), d16(n), e16(n), h16(L, 0), hb16(L, 0);
    std::vector<int32_t> mu16(n);
    for (size_t i = 0; i < x.size(); ++i) x16[i] = static_cast<int16_t>(x[i]);
    alignas(16) unsigned char s32[72], s16[96];
    auto* c32 = reinterpret_cast<VokFullbandControllerState_32f*>(s32);
    auto* c16 = reinterpret_cast<VokFullbandControllerState_16s*>(s16);
    ASSERT_EQ(voksFullbandControllerInit_EC_32f(c32, n, L, 8000), vokStatusOk);
    ASSERT_EQ(voksFullbandControllerInit_EC_16s(c16, n, L, 8000), vokStatusOk);
    float err = 0.0f;
    int16_t err16 = 0;
    for (int f = 0; f < frames; ++f) {
        const float* xf = &x[L + f * n];
        const int16_t* xs = &x16[L + f * n];
        for (int j = 0; j < n; ++j) {
            float y = 0.0f;
            for (int k = 0; k < L; ++k) y += path[k] * xs[j - k];
            d[j] = y;
            d16[j] = static_cast<int16_t>(std::lround(y));
        }
        ASSERT_EQ(voksFullbandControllerUpdate_EC_32f(xf, d.data(), mu.data(), c32), vokStatusOk);
        ASSERT_EQ(voksNLMS_EC_32f(xf, d.data(), mu.data(), e.data(), n, h.data(), L, &err), vokStatusOk);
        ASSERT_EQ(voksFullbandControllerUpdate_EC_16s(xs, d16.data(), mu16.data(), c16), vokStatusOk);
        ASSERT_EQ(voksNLMS_EC_16s(xs, d16.data(), mu16.data(), e16.data(), n, h16.data(), L, &err16),
                  vokStatusOk);
    }
    for (int k = 0; k < L; ++k) {
        EXPECT_NEAR(h[k], path[k], 1e-3) << k;
        EXPECT_NEAR(h16[k] / 32768.0, path[k], 2e-3) << k;  // Q15 taps, rounded updates
    }
}

TEST(EcOps, ControllerDecisions) {
    // A silent far end gives the default steps 1/theta, theta = 1.5e6 * L (float) and
    // 2^30 / ((1500000 L + 128) >> 8) (fixed point).
    const int L = 16, n = 8;
    alignas(16) unsigned char s32[72], s16[96];
    auto* c32 = reinterpret_cast<VokFullbandControllerState_32f*>(s32);
    auto* c16 = reinterpret_cast<VokFullbandControllerState_16s*>(s16);
    voksFullbandControllerInit_EC_32f(c32, n, L, 8000);
    voksFullbandControllerInit_EC_16s(c16, n, L, 8000);
    std::vector<float> xf(L + n, 1.0f), mu(n);
    std::vector<int16_t> xs(L + n, 1);
    std::vector<int32_t> mus(n);
    voksFullbandControllerUpdate_EC_32f(xf.data() + L, xf.data(), mu.data(), c32);
    voksFullbandControllerUpdate_EC_16s(xs.data() + L, xs.data(), mus.data(), c16);
    for (int j = 0; j < n; ++j) {
        EXPECT_EQ(mu[j], 1.0f / 24e6f);
        EXPECT_EQ(mus[j], (1 << 30) / 93750);
    }
    // Sub-band: E = D neither saves nor restores and g stays 1; a bin whose error exceeds 1.5
    // times its near-end energy gets its backup back in the same call.
    const int K = 4, T = 2;
    alignas(16) unsigned char sb[16 * K + 112];
    auto* c = reinterpret_cast<VokSubbandControllerState_32f*>(sb);
    ASSERT_EQ(voksSubbandControllerInit_EC_32f(c, K, 24, T, 8000), vokStatusOk);
    Vok32fc W[T][K], B[T][K], D[K], E[K];
    Vok32fc *tW[T] = {W[0], W[1]}, *tB[T] = {B[0], B[1]};
    for (int k = 0; k < T; ++k)
        for (int i = 0; i < K; ++i) W[k][i] = {1.0f, 0.0f}, B[k][i] = {0.25f, 0.0f};
    for (int i = 0; i < K; ++i) D[i] = E[i] = {100.0f, 50.0f};
    float g = -1.0f;
    ASSERT_EQ(voksSubbandController_EC_32f(E, D, tW, tB, &g, c), vokStatusOk);
    EXPECT_EQ(g, 1.0f);
    EXPECT_EQ(W[0][2].re, 1.0f);
    EXPECT_EQ(B[1][3].re, 0.25f);
    E[2] = {200.0f, 0.0f};
    ASSERT_EQ(voksSubbandController_EC_32f(E, D, tW, tB, &g, c), vokStatusOk);
    EXPECT_EQ(W[0][2].re, 0.25f);
    EXPECT_EQ(W[1][2].re, 0.25f);
    EXPECT_EQ(W[0][1].re, 1.0f);
}

}  // namespace

namespace {

TEST(EcOps, FixedPointStepsAreTheQuotient) {
    // With T = 1 the power is |X0|^2 >> 10 of this frame; above the threshold the pair (m, p)
    // stands for 2^30 / P * 2^-41 (2^30 / 2^30 gives (2^30, 71)), to the reciprocal's precision.
    const int K = 6;
    const int32_t re[K] = {1 << 20, 3 << 18, 123457, 999999, 46341 * 2, 700};
    Vok32sc X[K];
    for (int i = 0; i < K; ++i) X[i] = {re[i], 0};
    const Vok32sc* t[1] = {X};
    alignas(16) unsigned char st[5 * 32 + 128];
    auto* s = reinterpret_cast<VokSubbandControllerState_16s*>(st);
    ASSERT_EQ(voksSubbandControllerInit_EC_16s(s, K, 24, 1, 8000), vokStatusOk);
    VokEcStep32s step[K];
    ASSERT_EQ(voksSubbandControllerUpdate_EC_16s(st, st, t, nullptr, step, s), vokStatusOk);
    for (int i = 0; i < K; ++i) {
        const double P = std::floor(static_cast<double>(re[i]) * re[i] / 1024.0);
        const double want = P > 585 ? std::ldexp(1.0, 30) / P * std::ldexp(1.0, -41)  // theta = 6*100000/1024
                                    : std::ldexp(std::floor(std::ldexp(1.0, 30) / 585), -102);
        EXPECT_NEAR(std::ldexp(static_cast<double>(step[i].mant), -step[i].exp) / want, 1.0, 2e-4) << i;
    }
}

}  // namespace

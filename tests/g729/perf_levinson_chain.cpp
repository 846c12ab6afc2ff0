// The fixed-point Levinson-Durbin recursion against the reference's chain of saturating double
// precision operators (Mpy_32, L_add, Div_32, built here from the basic operators): on the
// autocorrelations of random and resonant signals, and on sequences whose reflection
// coefficients approach +-1, where the products of hi parts reach 2^30 and the partial sums
// the edge of 32 bits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/basicop.h"
#include "voksc.h"

namespace {

using namespace voks;

// Levinson of the reference with K limited as there; returns false when |K| > 32750/32768.
bool reference_levinson(const int32_t* r, int order, int16_t* a, int16_t* rc, int16_t* err) {
    int16_t rh[11], rl[11], ah[11], al[11], anh[11], anl[11], kh = 0, kl = 0, hi = 0, lo = 0;
    for (int i = 0; i <= order; ++i) L_Extract(r[i], rh[i], rl[i]);
    int32_t t1 = L_Comp(rh[1], rl[1]);
    if (t1 > L_Comp(rh[0], rl[0])) t1 = L_Comp(rh[0], rl[0]);
    int32_t t0 = Div_32(L_abs(t1), rh[0], rl[0]);
    if (t1 > 0) t0 = L_negate(t0);
    L_Extract(t0, kh, kl);
    rc[0] = kh;
    L_Extract(L_shr(t0, 4), ah[1], al[1]);
    t0 = L_sub(MAX_32, L_abs(Mpy_32(kh, kl, kh, kl)));
    L_Extract(t0, hi, lo);
    t0 = Mpy_32(rh[0], rl[0], hi, lo);
    int16_t alp_exp = norm_l(t0), alp_h = 0, alp_l = 0;
    L_Extract(L_shl(t0, alp_exp), alp_h, alp_l);
    for (int i = 2; i <= order; ++i) {
        t0 = 0;
        for (int j = 1; j < i; ++j) t0 = L_add(t0, Mpy_32(rh[j], rl[j], ah[i - j], al[i - j]));
        t0 = L_add(L_shl(t0, 4), L_Comp(rh[i], rl[i]));
        int32_t num = L_abs(t0);
        if (num > L_Comp(alp_h, alp_l)) num = L_Comp(alp_h, alp_l);
        int32_t t2 = Div_32(num, alp_h, alp_l);
        if (t0 > 0) t2 = L_negate(t2);
        t2 = L_shl(t2, alp_exp);
        L_Extract(t2, kh, kl);
        rc[i - 1] = kh;
        if (abs_s(kh) > 32750) return false;
        for (int j = 1; j < i; ++j) L_Extract(L_add(Mpy_32(kh, kl, ah[i - j], al[i - j]), L_Comp(ah[j], al[j])), anh[j], anl[j]);
        L_Extract(L_shr(t2, 4), anh[i], anl[i]);
        t0 = L_sub(MAX_32, L_abs(Mpy_32(kh, kl, kh, kl)));
        L_Extract(t0, hi, lo);
        t0 = Mpy_32(alp_h, alp_l, hi, lo);
        const int16_t n = norm_l(t0);
        L_Extract(L_shl(t0, n), alp_h, alp_l);
        alp_exp = add(alp_exp, n);
        for (int j = 1; j <= i; ++j) {
            ah[j] = anh[j];
            al[j] = anl[j];
        }
    }
    *err = alp_h;
    a[0] = 4096;
    for (int i = 1; i <= order; ++i) a[i] = round_fx(L_shl(L_Comp(ah[i], al[i]), 1));
    return true;
}

struct Lcg {
    uint32_t s;
    uint32_t next() { return s = s * 1664525u + 1013904223u; }
    double unit() { return (next() >> 8) / 16777216.0 - 0.5; }
};

// Autocorrelation of x normalised so that r[0] has no redundant sign bit, as the analysis does.
void autocorr(const std::vector<double>& x, int order, int32_t* r) {
    double c[11] = {};
    for (int k = 0; k <= order; ++k)
        for (size_t n = static_cast<size_t>(k); n < x.size(); ++n) c[k] += x[n] * x[n - static_cast<size_t>(k)];
    const double scale = 2147483000.0 / (c[0] > 0 ? c[0] : 1.0);
    for (int k = 0; k <= order; ++k) r[k] = static_cast<int32_t>(std::llround(c[k] * scale));
}

void expect_same(const int32_t* r, int order, int& stable, int& unstable) {
    int16_t a[11], rc[10], err = 0, ra[11], rrc[10], rerr = 0;
    std::memset(a, 0x5A, sizeof a);
    const bool ok = reference_levinson(r, order, ra, rrc, &rerr);
    const VokStatus st = voksLevinsonDurbin_G729_32s16s(r, order, a, rc, &err);
    ASSERT_EQ(ok ? vokStatusOk : vokStatusOverflow, st);
    if (!ok) {
        ++unstable;
        return;
    }
    ++stable;
    ASSERT_EQ(0, std::memcmp(a, ra, sizeof(int16_t) * (order + 1)));
    ASSERT_EQ(0, std::memcmp(rc, rrc, sizeof(int16_t) * order));
    ASSERT_EQ(rerr, err);
}

// Signals from white noise to sharp resonances (poles close to the unit circle), and noise
// through repeated low-pass poles, whose predictors have large coefficients and long sums.
TEST(LevinsonChain, ResonantAndRandomSignals) {
    Lcg g{0x1E71u};
    int stable = 0, unstable = 0;
    for (int iter = 0; iter < 3000; ++iter) {
        const double radius = iter % 3 == 0 ? 0.999 + 0.0009 * (g.unit() + 0.5) : 0.5 + 0.49 * (g.unit() + 0.5);
        const double freq = 3.14159 * (g.unit() + 0.5);
        std::vector<double> x(240);
        double y1 = 0, y2 = 0;
        for (double& v : x) {
            const double y = g.unit() + 2 * radius * std::cos(freq) * y1 - radius * radius * y2;
            y2 = y1;
            y1 = y;
            v = y;
        }
        if (iter % 2) {
            const int poles = 2 + static_cast<int>(g.next() % 8);
            const double p = 0.3 + 0.69 * (g.unit() + 0.5);
            for (double& v : x) v = g.unit();
            for (int k = 0; k < poles; ++k)
                for (size_t n = 1; n < x.size(); ++n) x[n] += p * x[n - 1];
        }
        int32_t r[11];
        const int order = iter % 10 == 0 ? 1 + static_cast<int>(g.next() % 10) : 10;
        autocorr(x, order, r);
        expect_same(r, order, stable, unstable);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(stable, 2000);
}

// Reflection coefficients near +-1: r[1] at and around +-r[0], a near-sinusoid, and random
// sequences (mostly unstable, stopping at the first |K| > 32750/32768).
TEST(LevinsonChain, CoefficientsNearTheUnitCircle) {
    Lcg g{0xACE1u};
    int stable = 0, unstable = 0;
    for (int iter = 0; iter < 3000; ++iter) {
        int32_t r[11];
        const int kind = iter % 3;
        r[0] = 0x7FFFFFFF - static_cast<int32_t>(g.next() % 1000);
        const double w = iter < 300 ? 0.0002 * iter : 3.14159 * (g.unit() + 0.5);
        const double q = (iter % 2 ? 1 : -1) * (0.9 + 0.0999 * (g.unit() + 0.5));
        for (int k = 1; k <= 10; ++k) {
            if (kind == 0) {  // a pure tone: r[k] = r[0] cos(k w), K1 close to -1 or +1
                r[k] = static_cast<int32_t>(r[0] * std::cos(k * w) * (1 - 1e-6 * k));
            } else if (kind == 1) {  // geometric decay, K1 = -q near -+1 and the rest near 0
                r[k] = static_cast<int32_t>(r[0] * std::pow(q, k));
            } else {
                r[k] = static_cast<int32_t>(g.next());
            }
        }
        if (iter % 17 == 0) r[1] = iter % 2 ? r[0] : -r[0];
        expect_same(r, 10, stable, unstable);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(stable, 300);
    EXPECT_GT(unstable, 300);
}

}  // namespace

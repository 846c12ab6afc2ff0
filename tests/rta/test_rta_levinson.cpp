// The float Levinson-Durbin recursion against a double-precision recursion on 10,000 random
// stable autocorrelations (its breakdowns are in the hand-derived edges of test_rta_ops.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "voksc.h"

namespace {

// The textbook recursion in double: a[1..p] of 1 + sum a[j] z^-j and the reflection
// coefficients; returns the final prediction error.
double levinson64(const std::vector<double>& r, int p, std::vector<double>& a, std::vector<double>& k) {
    a.assign(static_cast<size_t>(p) + 1, 0.0);
    k.assign(static_cast<size_t>(p) + 1, 0.0);
    a[0] = 1;
    double err = r[0];
    for (int i = 1; i <= p; ++i) {
        double acc = 0;
        for (int j = 0; j < i; ++j) acc += a[j] * r[i - j];
        k[i] = -acc / err;
        const std::vector<double> old = a;
        for (int j = 1; j < i; ++j) a[j] = old[j] + k[i] * old[i - j];
        a[i] = k[i];
        err *= 1 - k[i] * k[i];
    }
    return err;
}

TEST(RtaLevinson, MatchesDoublePrecisionOnStableInputs) {
    // Autocorrelations of seeded signals (white noise through a random all-pole colouring),
    // scaled to r[0] of 1e2 to 1e8. The float recursion's error grows with the conditioning:
    // relative to a[] it stays below 2^-24 times the prediction gain r[0]/E, times 16.
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> uni(-1.0, 1.0);
    double worst = 0;
    for (int trial = 0; trial < 10000; ++trial) {
        const int p = 1 + trial % 16, n = 240;
        std::vector<double> x(n + 2, 0.0);
        const double c1 = 0.9 * uni(rng), c2 = 0.5 * uni(rng) * (1 - std::fabs(c1));
        for (int i = 2; i < n + 2; ++i) x[i] = uni(rng) + c1 * x[i - 1] + c2 * x[i - 2];
        std::vector<double> r(17, 0.0);
        for (int lag = 0; lag <= 16; ++lag)
            for (int i = 2 + lag; i < n + 2; ++i) r[lag] += x[i] * x[i - lag];
        const double scale = std::pow(10.0, 2 + 6 * (trial % 7) / 6.0) / r[0];
        float rf[17];
        std::vector<double> rd(17);
        for (int i = 0; i <= 16; ++i) {
            rf[i] = static_cast<float>(r[i] * scale);
            rd[i] = rf[i];
        }
        std::vector<double> a, k;
        const double e = levinson64(rd, p, a, k);
        float af[16], kf[16];
        ASSERT_EQ(voksLevinsonDurbin_RTA_32f(rf, af, kf, p), vokStatusOk) << trial;
        const double bound = 16 * std::ldexp(1.0, -24) * rd[0] / e;
        double amax = 1;
        for (int j = 1; j <= p; ++j) amax = std::max(amax, std::fabs(a[j]));
        for (int j = 1; j <= p; ++j) {
            const double da = std::fabs(af[j - 1] - a[j]) / amax, dk = std::fabs(kf[j - 1] - k[j]);
            worst = std::max(worst, std::max(da, dk) / bound * 16);
            ASSERT_LE(da, bound) << trial << " order " << p << " a" << j;
            ASSERT_LE(dk, bound) << trial << " order " << p << " k" << j;
        }
    }
    std::printf("Levinson-Durbin: worst error %.1f x 2^-24 x r[0]/E\n", worst);
}

}  // namespace

// The high-pass filters on every length: any frame split and either length parity give the bits
// of one whole call (order 4 at 8000 Hz those of the 32000 Hz set), and the order-5 lattice stays
// within single-precision rounding of its recursion evaluated in double precision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "rta/rta_tables.h"
#include "voksc.h"

namespace {

// Speech-band noise at 16-bit scale, then a 60 Hz hum over a DC offset, then full-scale square
// waves: the inputs where rounding near 0 Hz matters most.
std::vector<float> input() {
    std::mt19937 rng(23);
    std::normal_distribution<float> gauss(0, 3000);
    std::vector<float> x(24000);
    for (int n = 0; n < 24000; ++n)
        x[n] = n < 8000    ? gauss(rng)
               : n < 16000 ? static_cast<float>(500 + 8000 * std::sin(2 * M_PI * 60 * n / 16000.0))
                           : ((n / 40) % 2 ? 32767.0f : -32768.0f);
    return x;
}

std::vector<float> run(const std::vector<float>& x, int frame, int order, int rate) {
    std::vector<float> y(x.size());
    float st[6] = {};
    for (size_t at = 0; at < x.size(); at += static_cast<size_t>(frame)) {
        const int len = static_cast<int>(std::min(x.size() - at, static_cast<size_t>(frame)));
        EXPECT_EQ(voksHighPassFilter_RTA_32f(x.data() + at, y.data() + at, len, order, rate, st),
                  vokStatusOk);
    }
    return y;
}

TEST(RtaHighPass, EveryFrameSplitGivesTheBitsOfOneCall) {
    // The order-4 recursion is direct-form with a triple pole near 0 Hz: its gain there,
    // 1/A(1), is 2^24 with the 32000 Hz set, so any other order of evaluation (a two-sample
    // block form, say) moves the output by a sizeable fraction of full scale. Every length
    // runs the one per-sample recursion.
    const auto x = input();
    const struct {
        int order, rate, same_as;
    } rows[] = {{4, 16000, 16000}, {4, 22050, 22050}, {4, 32000, 32000}, {4, 8000, 32000},
                {5, 8000, 8000},   {5, 16000, 16000}, {5, 22050, 22050}, {5, 32000, 32000}};
    for (const auto& r : rows) {
        const auto whole = run(x, static_cast<int>(x.size()), r.order, r.same_as);
        for (int frame : {1, 2, 79, 80, 160, 320, 641}) {
            if (r.rate == 8000 && r.order == 4 && frame % 2) continue;
            const auto y = run(x, frame, r.order, r.rate);
            EXPECT_EQ(std::memcmp(y.data(), whole.data(), sizeof(float) * x.size()), 0)
                << r.order << " " << r.rate << " frame " << frame;
        }
    }
}

TEST(RtaHighPass, LatticeWithinRoundingOfTheExactRecursion) {
    // Each lattice stage rounds at 2^-24 of values up to full scale, and the stage nearest the
    // unit circle, |K| = 1 - d, keeps an error for about 1/d samples: the output stays within
    // 2^-24 * 32768 / d of the recursion in double precision on the same float coefficients.
    const auto x = input();
    for (int set = 0; set < 4; ++set) {
        const float* c = voks::rta::kHpLattice[set];
        const int rate[] = {8000, 16000, 22050, 32000};
        const auto y = run(x, 160, 5, rate[set]);
        double g[5] = {}, worst = 0;
        for (size_t n = 0; n < x.size(); ++n) {
            double f = x[n] + 1e-6, acc = 0;
            for (int i = 3; i >= 0; --i) {
                f -= static_cast<double>(c[i]) * g[i];
                g[i + 1] = g[i] + static_cast<double>(c[i]) * f;
                acc += static_cast<double>(c[5 + i]) * g[i + 1];
            }
            g[0] = f;
            worst = std::max(worst, std::fabs(y[n] - (acc + static_cast<double>(c[4]) * f)));
        }
        double d = 1;
        for (int i = 0; i < 4; ++i) d = std::min(d, 1 - std::fabs(static_cast<double>(c[i])));
        EXPECT_LE(worst, std::ldexp(32768.0, -24) / d) << rate[set];
    }
}

}  // namespace

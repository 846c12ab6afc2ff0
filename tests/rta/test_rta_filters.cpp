// The front end's filters against their intent, computed in double precision from the
// coefficient tables (not from the filters' code): the QMF prototype's reconstruction limit, which the
// bank must reach on noise and speech, and the high-pass responses, which the filters must
// show on sinusoids.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <random>
#include <vector>

#include "rta/rta_tables.h"
#include "support/external.h"
#include "voksc.h"

namespace {

using Cx = std::complex<double>;

// The reconstruction limit of a two-band QMF bank on a symmetric prototype h: aliasing cancels,
// and the bank's response |H(w)|^2 + |H(w + pi)|^2 departs from 1 by at most e; the SNR of
// any input is at least -20 log10(e).
double qmf_limit_db(int taps) {
    const float* half = taps == 48 ? voks::rta::kQmfHalf48 : voks::rta::kQmfHalf24;
    double worst = 0;
    for (int i = 0; i <= 4096; ++i) {
        const double w = M_PI * i / 4096;
        Cx a = 0, b = 0;
        for (int j = 0; j < taps; ++j) {
            const double h = half[j < taps / 2 ? j : taps - 1 - j];
            a += h * std::polar(1.0, -w * j);
            b += h * std::polar(1.0, -(w + M_PI) * j);
        }
        worst = std::max(worst, std::fabs(std::norm(a) + std::norm(b) - 1));
    }
    return -20 * std::log10(worst);
}

// Analysis then synthesis in frames of the given sizes (cycled); SNR in dB of the output
// against the input delayed by the bank's delay of `taps` samples.
double round_trip_snr(const std::vector<float>& x, int taps, const std::vector<int>& frames) {
    unsigned char enc[208], dec[208];
    auto* e = reinterpret_cast<VokQMFState_RTA_32f*>(enc);
    auto* d = reinterpret_cast<VokQMFState_RTA_32f*>(dec);
    EXPECT_EQ(voksQMFInit_RTA_32f(e, taps), vokStatusOk);
    EXPECT_EQ(voksQMFInit_RTA_32f(d, taps), vokStatusOk);
    std::vector<float> y(x.size()), lo(320), hi(320);
    size_t at = 0;
    for (size_t f = 0; at + frames[f % frames.size()] <= x.size(); ++f) {
        const int n = frames[f % frames.size()];
        EXPECT_EQ(voksQMFEncode_RTA_32f(&x[at], n, lo.data(), hi.data(), e), vokStatusOk);
        EXPECT_EQ(voksQMFDecode_RTA_32f(lo.data(), hi.data(), n / 2, &y[at], d), vokStatusOk);
        at += static_cast<size_t>(n);
    }
    double signal = 0, error = 0;
    for (size_t i = static_cast<size_t>(taps) + 200; i < at; ++i) {
        signal += static_cast<double>(x[i - taps]) * x[i - taps];
        error += (y[i] - static_cast<double>(x[i - taps])) * (y[i] - static_cast<double>(x[i - taps]));
    }
    return 10 * std::log10(signal / error);
}

TEST(RtaFilters, QmfReconstructsToThePrototypeLimit) {
    std::vector<float> noise(48000);
    std::mt19937 rng(5);
    std::normal_distribution<float> gauss(0.0f, 3000.0f);
    for (float& v : noise) v = gauss(rng);
    const std::vector<int16_t> s16 = voksc_test::gather_speech(voksc_test::kAsteriskSounds, 16000 * 20, 640);
    const std::vector<float> speech(s16.begin(), s16.end());
    for (int taps : {24, 48}) {
        const double limit = qmf_limit_db(taps);
        std::printf("QMF %d taps: reconstruction limit %.1f dB, on noise %.1f dB\n", taps, limit,
                    round_trip_snr(noise, taps, {640}));
        for (const std::vector<int>& frames : {std::vector<int>{640}, {160}, {2, 38, 320, 80}}) {
            EXPECT_GE(round_trip_snr(noise, taps, frames), limit)
                << taps << " taps, noise, frames of " << frames[0];
            if (speech.size() >= 16000 * 10) {
                EXPECT_GE(round_trip_snr(speech, taps, frames), limit)
                    << taps << " taps, speech, frames of " << frames[0];
            }
        }
    }
    EXPECT_GT(qmf_limit_db(24), 40);
    EXPECT_GT(qmf_limit_db(48), 50);
    if (speech.size() < 16000 * 10) VOKSC_MISSING() << "speech under " << voksc_test::kAsteriskSounds;
}

// The tabulated sets: order 4 (b0..b3, a1..a3) at 16000, 22050, 32000 Hz, order 5 (K0..K3,
// V0..V4) at 8000, 16000, 22050, 32000 Hz.
using voks::rta::kDcRemoval;
using voks::rta::kHpLattice;

// B(z)/A(z) of an order-4 set at normalised frequency w.
Cx direct_response(const float* c, double w) {
    Cx num = 0, den = 1;
    for (int i = 0; i < 4; ++i) {
        num += static_cast<double>(c[i]) * std::polar(1.0, -w * i);
        if (i > 0) den += static_cast<double>(c[3 + i]) * std::polar(1.0, -w * i);
    }
    return num / den;
}

// The lattice-ladder's response by the step-up recursion on phasors: with the first stage's
// forward value F0 = 1 (and G0 = F0), each stage gives F(i+1) = F(i) + K(i) z^-1 G(i) and
// G(i+1) = z^-1 G(i) + K(i) F(i); the input is F4 and the output V0 F0 + sum V(i) G(i).
Cx lattice_response(const float* c, double w) {
    const Cx z1 = std::polar(1.0, -w);
    Cx f = 1, g = 1, y = static_cast<double>(c[4]);
    for (int i = 0; i < 4; ++i) {
        const Cx fn = f + static_cast<double>(c[i]) * z1 * g;
        g = z1 * g + static_cast<double>(c[i]) * f;
        f = fn;
        y += static_cast<double>(c[5 + i]) * g;
    }
    return y / f;
}

TEST(RtaFilters, HighPassResponsesMatchTheirIntent) {
    // Order 4 removes DC (a triple zero at 0 Hz) and is flat within 0.5 dB from 100 Hz; order 5
    // is an 80 Hz (-3 dB) high-pass, below -40 dB at 0 Hz, flat within 0.5 dB from 106 Hz
    // (-0.74 dB at 100 Hz). Each filter's gain on sinusoids matches the computed response.
    const struct {
        int order, rate, set;
        double flat_from;
    } rows[] = {{4, 16000, 0, 100}, {4, 22050, 1, 100}, {4, 32000, 2, 100}, {4, 8000, 2, 25},
                {5, 8000, 0, 106},  {5, 16000, 1, 106}, {5, 22050, 2, 106}, {5, 32000, 3, 106}};
    for (const auto& r : rows) {
        // Order 4 at 8000 Hz runs the 32000 Hz set: its corner moves down fourfold.
        const double fs = r.rate;
        auto response = [&](double hz) {
            const double w = 2 * M_PI * hz / fs;
            return std::abs(r.order == 4 ? direct_response(kDcRemoval[r.set], w)
                                         : lattice_response(kHpLattice[r.set], w));
        };
        EXPECT_LT(20 * std::log10(response(0) + 1e-300), -40) << r.order << " " << r.rate;
        for (double hz = r.flat_from; hz <= fs / 2; hz += 1)
            ASSERT_NEAR(20 * std::log10(response(hz)), 0, 0.5) << r.order << " " << r.rate << " " << hz;
        for (double hz : {50.0, 150.0, 1000.0, 3000.0}) {
            std::vector<float> x(static_cast<size_t>(fs)), y(x.size());
            for (size_t n = 0; n < x.size(); ++n)
                x[n] = static_cast<float>(1000 * std::sin(2 * M_PI * hz * n / fs));
            float st[6] = {};
            ASSERT_EQ(voksHighPassFilter_RTA_32f(x.data(), y.data(), static_cast<int>(x.size()), r.order,
                                                 r.rate, st),
                      vokStatusOk);
            // The amplitude at hz over the last half second (a whole number of periods): the
            // float recursion of order 4 wanders slowly near 0 Hz, where its poles sit.
            Cx in = 0, out = 0;
            for (size_t n = x.size() / 2; n < x.size(); ++n) {
                const Cx e = std::polar(1.0, -2 * M_PI * hz * static_cast<double>(n) / fs);
                in += static_cast<double>(x[n]) * e;
                out += static_cast<double>(y[n]) * e;
            }
            // Below 100 Hz that wander reaches the tone itself at order 4: 0.2 dB there.
            const double tolerance = r.order == 4 && hz < 100 ? 0.2 : 0.05;
            EXPECT_NEAR(20 * std::log10(std::abs(out) / std::abs(in)), 20 * std::log10(response(hz)),
                        tolerance)
                << r.order << " " << r.rate << " " << hz << " Hz";
        }
    }
}

}  // namespace

// G.169 level control on recorded speech and on noise: the speech level converges toward the
// target within the maximum gain, noise below the detector's noise clamp leaves the gain at its
// initial value, and no sample exceeds the maximum output level.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "support/external.h"
#include "voksc.h"

namespace {

// 0 dBm0 as an rms: a 0 dBm0 sine peaks 3.17 dB below 32768.
const double kDbm0Rms = 32768 / std::pow(10.0, (3.17 + 3.0103) / 20);

// Active level in dBm0: the mean power of the 20 ms frames above -55 dBm0.
double level(const std::vector<int16_t>& x, size_t from, size_t to) {
    double sum = 0;
    size_t frames = 0;
    for (size_t i = from; i + 160 <= to; i += 160) {
        double e = 0;
        for (size_t k = i; k < i + 160; ++k) e += static_cast<double>(x[k]) * x[k];
        e /= 160 * kDbm0Rms * kDbm0Rms;
        if (e > 3.1623e-6) sum += e, ++frames;
    }
    return frames ? 10 * std::log10(sum / frames) : -200;
}

std::vector<int16_t> scaled(const std::vector<int16_t>& x, double gain) {
    std::vector<int16_t> y(x.size());
    for (size_t i = 0; i < x.size(); ++i)
        y[i] = static_cast<int16_t>(std::lrint(std::clamp(x[i] * gain, -32768.0, 32767.0)));
    return y;
}

// Output of a fresh level control with the given settings (levels in dB below 32768).
std::vector<int16_t> control(const std::vector<int16_t>& x, float target, float max_level, float max_gain) {
    unsigned char block[124];
    auto* s = reinterpret_cast<VokALCState_G169*>(block);
    EXPECT_EQ(voksALCInit_G169_16s(s), vokStatusOk);
    EXPECT_EQ(voksALCSetLevel_G169_16s(s, target, max_level), vokStatusOk);
    EXPECT_EQ(voksALCSetGain_G169_16s(s, max_gain), vokStatusOk);
    std::vector<int16_t> y(x.size());
    for (size_t i = 0; i + 160 <= x.size(); i += 160)
        EXPECT_EQ(voksALC_G169_16s(&x[i], &y[i], 160, s), vokStatusOk);
    return y;
}

TEST(EcAlcLevels, SpeechConvergesTowardTheTarget) {
    const std::vector<int16_t> speech =
        voksc_test::gather_speech(voksc_test::kAsteriskSounds, 8000 * 90, 160);
    VOKSC_NEED_SPEECH(speech, 8000u * 60);
    const double base = level(speech, 0, speech.size());
    // The control holds lambda * sqrt(P) at the target amplitude, lambda rising to 0.89: the
    // speech rms settles 1 dB above the target, or at the input level plus the maximum gain.
    const float target_db = 26.1f;  // the Init target, -19.92 dBm0
    const double target = 3.17 + 3.0103 - target_db - 20 * std::log10(0.89);
    const struct {
        double in;
        float max_gain;
    } rows[] = {{-40, 11.6f}, {-40, 30.0f}, {-25, 11.6f}, {-10, 11.6f}, {-10, 0.0f}};
    for (const auto& r : rows) {
        const std::vector<int16_t> x = scaled(speech, std::pow(10.0, (r.in - base) / 20));
        const std::vector<int16_t> y = control(x, target_db, 0.0f, r.max_gain);
        const double in = level(x, 0, x.size());
        const double expected = std::min(target, in + r.max_gain);
        const size_t n = y.size(), tail = n - 8000 * 30;
        const double settled = level(y, tail, n) - level(x, tail, n);
        // Seconds until the gain over a 1 s window first comes within 3 dB of the settled gain.
        double converged = -1;
        for (size_t t = 0; t + 8000 <= tail && converged < 0; t += 8000)
            if (std::fabs(level(y, t, t + 8000) - level(x, t, t + 8000) - settled) <= 3)
                converged = (t + 8000) / 8000.0;
        std::printf(
            "speech at %.1f dBm0, max gain %.1f dB: out %.1f dBm0 (aim %.1f), within 3 dB of it after %.0f "
            "s\n",
            in, r.max_gain, in + settled, expected, converged);
        // Toward the aim, at least half the way from the input level (speech far below the
        // noise clamp is only partly seen as speech, and ends short of the target), within the
        // maximum gain, in seconds.
        EXPECT_LE(std::fabs(in + settled - expected), 0.5 * std::fabs(in - expected) + 1)
            << r.in << " " << r.max_gain;
        EXPECT_LE(settled, r.max_gain + 0.5) << r.in;
        EXPECT_GT(converged, 0) << r.in << " " << r.max_gain;
        EXPECT_LE(converged, 10) << r.in << " " << r.max_gain;
    }
}

TEST(EcAlcLevels, NoiseAloneKeepsTheInitialGain) {
    // White noise up to -40 dBm0 stays under four times the clamped noise estimate: no burst
    // starts, the target gain stays 1/32 and every output is x / 32 truncated toward zero.
    for (double dbm0 : {-70.0, -55.0, -40.0}) {
        std::mt19937 rng(7);
        std::normal_distribution<double> gauss(0.0, kDbm0Rms * std::pow(10.0, dbm0 / 20));
        std::vector<int16_t> x(8000 * 20);
        for (int16_t& v : x) v = static_cast<int16_t>(std::lrint(std::clamp(gauss(rng), -32768.0, 32767.0)));
        const std::vector<int16_t> y = control(x, 20.0f, 0.0f, 11.6f);
        for (size_t i = 0; i < x.size(); ++i) ASSERT_EQ(y[i], x[i] / 32) << dbm0 << " dBm0, sample " << i;
    }
}

TEST(EcAlcLevels, OutputNeverExceedsTheMaximumLevel) {
    // Loud speech and full-scale square bursts with a 30 dB gain limit: every sample stays
    // within 32768 / 10^(L_max / 20).
    std::vector<int16_t> x = voksc_test::gather_speech(voksc_test::kAsteriskSounds, 8000 * 20, 160);
    VOKSC_NEED_SPEECH(x, 8000u * 10);
    for (size_t i = 0; i < x.size(); ++i)
        if ((i / 4000) % 5 == 4) x[i] = (i / 8) % 2 ? 32767 : -32768;
    for (float max_level : {0.0f, 3.0f, 6.0f, 12.0f}) {
        const std::vector<int16_t> y = control(x, 3.0f, max_level, 30.0f);
        const double limit = 32768 / std::pow(10.0, max_level / 20.0);
        int peak = 0;
        for (int16_t v : y) peak = std::max(peak, std::abs(static_cast<int>(v)));
        EXPECT_LE(peak, limit) << max_level;
        EXPECT_GT(peak, 0.5 * limit) << max_level;
    }
}

}  // namespace

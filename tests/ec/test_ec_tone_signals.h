// Answer-tone test signals built to the tolerances of the modem answer tone (2100 +- 15 Hz,
// phase reversals every 450 +- 25 ms, optional 15 Hz amplitude modulation), other tones and
// noise, and the detector runs used by the signal and peer tests.
#ifndef VOKSC_TESTS_EC_TEST_EC_TONE_SIGNALS_H
#define VOKSC_TESTS_EC_TEST_EC_TONE_SIGNALS_H

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "voksc.h"

namespace tone_test {

// A tone from `lead` seconds on, its phase reversed every `spacing` ms (0: never), its level in
// dBm0 (a full-scale sine is +3.17 dBm0), `am` the depth of a 15 Hz amplitude modulation, and
// white Gaussian noise `snr` dB below the tone's power (none when snr is NaN).
struct Tone {
    int fs;
    double freq, spacing_ms, level_dbm0, am, snr;
    double seconds = 2.0, lead = 0.1;
    double pause_at = 0, pause_ms = 0;  // white noise at -70 dBm0 in place of the tone
};

inline double amplitude(double dbm0) {
    return 32767.0 * std::pow(10.0, (dbm0 - 3.17) / 20.0);
}

inline std::vector<int16_t> to16(const std::vector<double>& x) {
    std::vector<int16_t> y(x.size());
    for (size_t i = 0; i < x.size(); ++i)
        y[i] = static_cast<int16_t>(std::lrint(std::fmax(-32768, std::fmin(32767, x[i]))));
    return y;
}

inline std::vector<int16_t> make(const Tone& t, uint32_t seed = 1) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    const double a = amplitude(t.level_dbm0);
    const double sigma = std::isnan(t.snr) ? 0.0 : a / std::sqrt(2.0) * std::pow(10.0, -t.snr / 20);
    const long start = std::lround(t.lead * t.fs), step = std::lround(t.spacing_ms * t.fs / 1000);
    std::vector<double> x(static_cast<size_t>(t.seconds * t.fs));
    for (size_t n = 0; n < x.size(); ++n) {
        const long k = static_cast<long>(n) - start;
        const double time = static_cast<double>(n) / t.fs;
        const double flips = step > 0 && k > 0 ? static_cast<double>(k / step) : 0.0;
        const double tone = k < 0 ? 0.0
                                  : a * (1 + t.am * std::sin(2 * M_PI * 15 * time)) *
                                        std::sin(2 * M_PI * t.freq * time + 0.3 + M_PI * flips);
        const bool paused = time >= t.pause_at && time < t.pause_at + t.pause_ms / 1000;
        x[n] = paused ? 16064 * 3.16e-4 * gauss(rng) : tone + sigma * gauss(rng);
    }
    return to16(x);
}

// DTMF: each of the 16 digits for `on` ms, then `off` ms of silence, at -10 dBm0 per tone.
inline std::vector<int16_t> dtmf(int fs, double on, double off) {
    const double low[4] = {697, 770, 852, 941}, high[4] = {1209, 1336, 1477, 1633};
    const double a = amplitude(-10);
    std::vector<double> x;
    for (int d = 0; d < 16; ++d) {
        for (long n = 0; n < std::lround(on * fs / 1000); ++n) {
            const double time = static_cast<double>(n) / fs;
            x.push_back(a *
                        (std::sin(2 * M_PI * low[d / 4] * time) + std::sin(2 * M_PI * high[d % 4] * time)));
        }
        x.resize(x.size() + static_cast<size_t>(std::lround(off * fs / 1000)), 0.0);
    }
    return to16(x);
}

// Times in seconds of the calls (of 10 ms each) whose flag was set, for the 32f or 16s form.
inline std::vector<double> detections(const std::vector<int16_t>& x, int fs, bool fixed) {
    alignas(16) unsigned char block[80];
    auto* s32 = reinterpret_cast<VokToneDetectState_32f*>(block);
    auto* s16 = reinterpret_cast<VokToneDetectState_16s*>(block);
    if (fixed)
        voksToneDetectInit_EC_16s(s16, fs);
    else
        voksToneDetectInit_EC_32f(s32, fs);
    const int frame = fs / 100;
    std::vector<float> f(static_cast<size_t>(frame));
    std::vector<double> times;
    for (size_t i = 0; i + frame <= x.size(); i += frame) {
        int flag = 0;
        if (fixed) {
            voksToneDetect_EC_16s(&x[i], frame, &flag, s16);
        } else {
            for (int k = 0; k < frame; ++k) f[k] = x[i + k];
            voksToneDetect_EC_32f(f.data(), frame, &flag, s32);
        }
        if (flag) times.push_back(static_cast<double>(i) / fs);
    }
    return times;
}

}  // namespace tone_test

#endif  // VOKSC_TESTS_EC_TEST_EC_TONE_SIGNALS_H

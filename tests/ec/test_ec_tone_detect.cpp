// The answer-tone detector on generated signals at 8 and 16 kHz, both forms: the answer tone
// within its tolerances is detected in the call holding its second phase reversal; reversals
// outside 413..466 ms, a tone without reversals, other tones, DTMF and recorded speech are not.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "ec/test_ec_tone_signals.h"
#include "support/external.h"

namespace {

using tone_test::Tone;

// 2:1 interpolation of 8 kHz speech to 16 kHz: zeros between the samples, then a 31-tap
// Hann-windowed sinc low-pass at 4 kHz.
std::vector<int16_t> upsample(const std::vector<int16_t>& x) {
    constexpr int kTaps = 31, kMid = kTaps / 2;
    double h[kTaps];
    for (int j = 0; j < kTaps; ++j) {
        const double t = (j - kMid) / 2.0;
        const double sinc = t == 0 ? 1.0 : std::sin(M_PI * t) / (M_PI * t);
        h[j] = sinc * (0.5 - 0.5 * std::cos(2 * M_PI * (j + 1) / (kTaps + 1)));
    }
    std::vector<double> y(2 * x.size());
    for (size_t n = 0; n < y.size(); ++n) {
        double acc = 0;
        for (int j = static_cast<int>((n + kMid) % 2); j < kTaps; j += 2) {
            const long m = static_cast<long>(n) - j + kMid;  // the stuffed signal's index, even
            if (m >= 0 && m / 2 < static_cast<long>(x.size())) acc += h[j] * x[m / 2];
        }
        y[n] = acc;
    }
    return tone_test::to16(y);
}

const char* form_name(bool fixed) {
    return fixed ? "16s" : "32f";
}

TEST(EcToneDetect, AnswerToneWithinTolerances) {
    // Every combination of rate, frequency (2100 +- 15 Hz), reversal spacing (425..455 ms),
    // level (-6 to -31 dBm0), 15 Hz modulation (none or 20 %) and noise (none, 10 dB SNR), on
    // three noise seeds. The first reversal comes one spacing after the onset; the flag must
    // first be set within 20 ms after the second (t2), or, with both modulation and noise, the
    // third: there the band power of a modulation trough can stay under 0.8 of the input power
    // for more than the 20 ms gap limit, which clears the first counted reversal, or dip so long
    // after the onset that the first interval measures below 413 ms.
    const double nan = std::nan("");
    int runs = 0;
    for (int fs : {8000, 16000})
        for (double freq : {2085.0, 2100.0, 2115.0})
            for (double spacing : {425.0, 440.0, 455.0})
                for (double level : {-6.0, -18.0, -31.0})
                    for (double am : {0.0, 0.2})
                        for (double snr : {nan, 10.0})
                            for (uint32_t seed : {1u, 2u, 3u}) {
                                if (std::isnan(snr) && seed > 1) continue;
                                const Tone t{fs, freq, spacing, level, am, snr, 1.6};
                                const std::vector<int16_t> x = tone_test::make(t, seed);
                                const double t2 = t.lead + 2 * spacing / 1000;
                                const bool edge = am > 0 && !std::isnan(snr);
                                for (bool fixed : {false, true}) {
                                    const std::vector<double> d = tone_test::detections(x, fs, fixed);
                                    ++runs;
                                    ASSERT_FALSE(d.empty())
                                        << fs << " Hz " << form_name(fixed) << " " << freq << " Hz every "
                                        << spacing << " ms at " << level << " dBm0, am " << am << ", snr "
                                        << snr << " #" << seed;
                                    const bool second = d[0] > t2 - 0.01 && d[0] <= t2 + 0.02;
                                    const double t3 = t2 + spacing / 1000;
                                    const bool third = edge && d[0] > t3 - 0.01 && d[0] <= t3 + 0.02;
                                    EXPECT_TRUE(second || third)
                                        << fs << " Hz " << form_name(fixed) << " " << freq << " Hz every "
                                        << spacing << " ms at " << level << " dBm0, am " << am << ", snr "
                                        << snr << " #" << seed << ": first flag at " << d[0]
                                        << " s, second reversal " << t2;
                                }
                            }
    EXPECT_GT(runs, 800);
}

TEST(EcToneDetect, LongPausesClearTheCounters) {
    // Reversals at 0.55 s (counted) and 1.0 s, with a pause at 0.7 s (line noise at -70 dBm0,
    // whose band power is a few per cent of its power): a short pause keeps the count, so the
    // flag comes at 1.0 s; a long one clears it, and the run restarting after the pause is too
    // short at 1.0 s and too long at 1.45 s. "Long" is the 20 ms gap limit plus the time the
    // smoothed powers take to forget the tone (the ratio stays tone-like meanwhile): pauses
    // from 60 ms clear at 8 kHz, from 20 ms (32f) and 50 ms (16s, which lacks the 32f form's
    // Py < 10000 Px bound) at 16 kHz. Exact zeros never clear at 8 kHz: both powers decay
    // together.
    const struct {
        int fs;
        double pause_ms;
        bool flagged;
    } rows[] = {{8000, 10, true}, {8000, 70, false}, {16000, 10, true}, {16000, 70, false}};
    for (const auto& r : rows) {
        Tone t{r.fs, 2100, 450, -12, 0, std::nan(""), 2.0};
        t.pause_at = 0.7;
        t.pause_ms = r.pause_ms;
        const std::vector<int16_t> x = tone_test::make(t);
        for (bool fixed : {false, true}) {
            const std::vector<double> d = tone_test::detections(x, r.fs, fixed);
            EXPECT_EQ(!d.empty(), r.flagged) << r.fs << " " << r.pause_ms << " " << form_name(fixed);
            EXPECT_TRUE(d.empty() || std::fabs(d[0] - 1.0) <= 0.015)
                << r.fs << " " << form_name(fixed) << " " << d[0];
        }
    }
}

TEST(EcToneDetect, OtherSignalsNeverDetected) {
    const double nan = std::nan("");
    struct Row {
        const char* what;
        Tone tone;
    };
    for (int fs : {8000, 16000}) {
        const Row rows[] = {
            {"reversals 400 ms apart", {fs, 2100, 400, -12, 0, nan, 4.0}},
            {"reversals 400 ms apart, modulated", {fs, 2100, 400, -6, 0.2, nan, 4.0}},
            {"reversals 480 ms apart", {fs, 2100, 480, -12, 0, nan, 4.0}},
            {"reversals 480 ms apart, -31 dBm0", {fs, 2100, 480, -31, 0, 20, 4.0}},
            {"no reversals", {fs, 2100, 0, -6, 0, nan, 4.0}},
            {"no reversals, modulated, noise", {fs, 2100, 0, -12, 0.2, 10, 4.0}},
            {"1800 Hz with reversals", {fs, 1800, 450, -6, 0, nan, 4.0}},
            {"2400 Hz with reversals", {fs, 2400, 450, -6, 0, nan, 4.0}},
            {"noise alone", {fs, 2100, 450, -80, 0, -70, 4.0}},
        };
        for (const Row& r : rows) {
            const std::vector<int16_t> x = tone_test::make(r.tone);
            for (bool fixed : {false, true})
                EXPECT_TRUE(tone_test::detections(x, fs, fixed).empty())
                    << fs << " Hz " << form_name(fixed) << ": " << r.what;
        }
        for (double on : {40.0, 100.0, 1000.0}) {
            const std::vector<int16_t> x = tone_test::dtmf(fs, on, 50);
            for (bool fixed : {false, true})
                EXPECT_TRUE(tone_test::detections(x, fs, fixed).empty())
                    << fs << " Hz " << form_name(fixed) << ": DTMF " << on << " ms";
        }
    }
}

TEST(EcToneDetect, SpeechPromptsNeverDetected) {
    // Every Asterisk prompt, each from a fresh detector, at 8 kHz and interpolated to 16 kHz.
    std::vector<std::string> files;
    for (const char* sub : {"", "/digits", "/letters", "/phonetic", "/followme", "/dictate"}) {
        const std::vector<std::string> f =
            voksc_test::files_of(std::string(voksc_test::kAsteriskSounds) + sub, ".wav");
        files.insert(files.end(), f.begin(), f.end());
    }
    if (files.size() < 100) VOKSC_MISSING() << "the Asterisk prompts under " << voksc_test::kAsteriskSounds;
    size_t samples = 0;
    for (const std::string& f : files) {
        const std::vector<int16_t> x = voksc_test::read_wav(f, 8000);
        samples += x.size();
        const std::vector<int16_t> wide = upsample(x);
        for (bool fixed : {false, true}) {
            EXPECT_TRUE(tone_test::detections(x, 8000, fixed).empty()) << f << " " << form_name(fixed);
            EXPECT_TRUE(tone_test::detections(wide, 16000, fixed).empty())
                << f << " at 16 kHz " << form_name(fixed);
        }
    }
    EXPECT_GT(samples, 8000u * 600);
}

}  // namespace

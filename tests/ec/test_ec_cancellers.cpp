// The example cancellers: a known echo path on a noise far end is reduced by the structure and
// form in question, full-scale noise on both sides does not stop the canceller from converging
// afterwards, and the sub-band cancellers survive double talk and a path change.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "ec/ec_canceller.h"

namespace {

enum class Event { None, Blast, DoubleTalk, PathChange };

// Echo reduction (dB) over 4.5 to 5.5 s of a noise far end through a known echo path, with
// `event` first: 0.5 s of full-scale noise on both sides at the start; a near talker (noise at
// the echo's level, below the level hold's threshold) from 3 to 4.5 s; or the echo path
// replaced by another at 3 s.
double erle(ecex::Structure st, ecex::Form form, int fs, Event event) {
    auto ec = ecex::make_canceller(st, form, fs, 32);
    EXPECT_TRUE(ec != nullptr);
    if (!ec) return 0.0;
    std::mt19937 g(5);
    std::normal_distribution<double> u(0.0, 2000.0);
    std::uniform_int_distribution<int> full(-32768, 32767);
    const int n = ec->frame(), total = 6 * fs / n * n, taps = fs / 100, change = 3 * fs;
    std::vector<double> path(static_cast<size_t>(taps)), other(path.size());
    for (int k = 0; k < taps; ++k) {
        path[k] = 0.1 * std::exp(-0.05 * k) * std::cos(0.7 * k);
        other[k] = k < taps / 4 ? 0.0 : -0.12 * std::exp(-0.04 * (k - taps / 4)) * std::sin(1.9 * k);
    }
    std::vector<int16_t> far(static_cast<size_t>(total)), mic(far.size()), echo(far.size()), out(far.size());
    for (auto& v : far) v = static_cast<int16_t>(std::lround(u(g)));
    double level = 0.0;
    for (int j = 0; j < total; ++j) {
        const auto& h = event == Event::PathChange && j >= change ? other : path;
        double y = 0.0;
        for (int k = 0; k < taps && k <= j; ++k) y += h[k] * far[j - k];
        echo[j] = mic[j] = static_cast<int16_t>(std::lround(y));
        level += y * y / total;
    }
    std::normal_distribution<double> near(0.0, std::sqrt(level));
    if (event == Event::DoubleTalk)
        for (int j = change; j < change + change / 2; ++j)
            mic[j] = static_cast<int16_t>(mic[j] + std::lround(near(g)));
    if (event == Event::Blast)
        for (int j = 0; j < fs / 2; ++j)
            far[j] = static_cast<int16_t>(full(g)), mic[j] = static_cast<int16_t>(full(g));
    for (int f = 0; f < total; f += n) ec->process(&far[f], &mic[f], &out[f]);
    double em = 0.0, eo = 0.0;
    const int d = ec->delay();
    for (int j = change * 3 / 2 + d; j < change * 11 / 6 + d; ++j) {
        em += static_cast<double>(echo[j - d]) * echo[j - d];
        eo += static_cast<double>(out[j]) * out[j];
    }
    return 10.0 * std::log10(em / std::max(eo, 1.0));
}

TEST(EcCancellers, ReduceAKnownEcho) {
    struct Row {
        ecex::Structure st;
        ecex::Form form;
        int fs;
        double min_db;
    };
    const Row rows[] = {{ecex::Structure::Fullband, ecex::Form::Float, 8000, 30.0},
                        {ecex::Structure::Fullband, ecex::Form::Fixed, 8000, 25.0},
                        {ecex::Structure::Subband, ecex::Form::Float, 8000, 25.0},
                        {ecex::Structure::Subband, ecex::Form::Float, 16000, 25.0},
                        {ecex::Structure::Subband, ecex::Form::Fixed, 8000, 25.0},
                        {ecex::Structure::Subband, ecex::Form::Fixed, 16000, 25.0}};
    for (const Row& r : rows) {
        for (Event e : {Event::None, Event::Blast}) {
            EXPECT_GT(erle(r.st, r.form, r.fs, e), r.min_db)
                << static_cast<int>(r.st) << " " << static_cast<int>(r.form) << " " << r.fs << " "
                << static_cast<int>(e);
        }
    }
    EXPECT_EQ(ecex::make_canceller(ecex::Structure::Subband, ecex::Form::Float, 44100, 32), nullptr);
    EXPECT_EQ(ecex::make_canceller(ecex::Structure::Fullband, ecex::Form::Float, 8000, 257), nullptr);
}

// The sub-band cancellers keep their echo reduction through a near talker that the level
// hold misses, and follow a changed echo path.
TEST(EcCancellers, HoldThroughDoubleTalkAndFollowAPathChange) {
    for (ecex::Form form : {ecex::Form::Float, ecex::Form::Fixed}) {
        for (int fs : {8000, 16000}) {
            for (Event e : {Event::DoubleTalk, Event::PathChange}) {
                const double db = erle(ecex::Structure::Subband, form, fs, e);
                EXPECT_GT(db, 25.0) << static_cast<int>(form) << " " << fs << " " << static_cast<int>(e);
            }
        }
    }
}

// With a silent far end there is no echo to remove: the output is the microphone signal,
// lagging it by exactly delay() (the bank's reconstruction error aside, 74 dB).
TEST(EcCancellers, PassTheNearEndAtTheirDelay) {
    for (ecex::Structure st : {ecex::Structure::Fullband, ecex::Structure::Subband}) {
        for (ecex::Form form : {ecex::Form::Float, ecex::Form::Fixed}) {
            for (int fs : {8000, 16000}) {
                auto ec = ecex::make_canceller(st, form, fs, 64);
                ASSERT_TRUE(ec != nullptr);
                const int n = ec->frame(), total = fs / n * n, d = ec->delay();
                std::mt19937 g(9);
                std::normal_distribution<double> u(0.0, 3000.0);
                std::vector<int16_t> far(static_cast<size_t>(total)), mic(far.size()), out(far.size());
                for (auto& v : mic) v = static_cast<int16_t>(std::lround(u(g)));
                for (int f = 0; f < total; f += n) ec->process(&far[f], &mic[f], &out[f]);
                double sig = 0.0, err = 0.0;
                for (int j = total / 4; j + d < total; ++j) {
                    sig += static_cast<double>(mic[j]) * mic[j];
                    err += (static_cast<double>(out[j + d]) - mic[j]) * (out[j + d] - mic[j]);
                }
                EXPECT_GT(10.0 * std::log10(sig / std::max(err, 1.0)), 40.0)
                    << static_cast<int>(st) << " " << static_cast<int>(form) << " " << fs << " delay " << d;
            }
        }
    }
}

}  // namespace

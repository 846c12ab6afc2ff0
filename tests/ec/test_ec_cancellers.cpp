// The example cancellers: a known echo path on a noise far end is reduced by the structure and
// form in question, and full-scale noise on both sides does not stop the canceller from
// converging afterwards.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "ec/ec_canceller.h"

namespace {

// Echo reduction (dB) over the last quarter of 6 s, after `blast` seconds of full-scale noise.
double erle(ecex::Structure st, ecex::Form form, int fs, double blast) {
    auto ec = ecex::make_canceller(st, form, fs, 32);
    EXPECT_TRUE(ec != nullptr);
    if (!ec) return 0.0;
    std::mt19937 g(5);
    std::normal_distribution<double> u(0.0, 2000.0);
    std::uniform_int_distribution<int> full(-32768, 32767);
    const int n = ec->frame(), total = 6 * fs / n * n, taps = fs / 100;
    std::vector<double> path(static_cast<size_t>(taps));
    for (int k = 0; k < taps; ++k) path[k] = 0.1 * std::exp(-0.05 * k) * std::cos(0.7 * k);
    std::vector<int16_t> far(static_cast<size_t>(total)), mic(far.size()), out(far.size());
    for (auto& v : far) v = static_cast<int16_t>(std::lround(u(g)));
    for (int j = 0; j < total; ++j) {
        double y = 0.0;
        for (int k = 0; k < taps && k <= j; ++k) y += path[k] * far[j - k];
        mic[j] = static_cast<int16_t>(std::lround(y));
    }
    for (int j = 0; j < static_cast<int>(blast * fs); ++j)
        far[j] = static_cast<int16_t>(full(g)), mic[j] = static_cast<int16_t>(full(g));
    for (int f = 0; f < total; f += n) ec->process(&far[f], &mic[f], &out[f]);
    double em = 0.0, eo = 0.0;
    const int d = ec->delay();
    for (int j = total * 3 / 4; j < total; ++j) {
        em += static_cast<double>(mic[j - d]) * mic[j - d];
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
        for (double blast : {0.0, 0.5}) {
            EXPECT_GT(erle(r.st, r.form, r.fs, blast), r.min_db)
                << static_cast<int>(r.st) << " " << static_cast<int>(r.form) << " " << r.fs << " " << blast;
        }
    }
    EXPECT_EQ(ecex::make_canceller(ecex::Structure::Subband, ecex::Form::Float, 44100, 32), nullptr);
    EXPECT_EQ(ecex::make_canceller(ecex::Structure::Fullband, ecex::Form::Float, 8000, 257), nullptr);
}

}  // namespace

// Echo-canceller kernels, scalar against AVX2 in the same run: the float FIR (80 samples, 256 and
// 1024 taps), the NLMS coefficient updates (256 and 1024 taps), the FFT butterflies (64 and 512
// points), the sub-band filter and the sub-band coefficient update (33 bins, 40 taps: a 16 kHz
// canceller with a 128 ms tail); and the example cancellers per second of 16 kHz audio.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "ec/ec_canceller.h"
#include "ec/kernels.h"

namespace {

namespace ec = voks::ec;

std::vector<float> noise(size_t n) {
    std::mt19937 g(1);
    std::uniform_real_distribution<float> u(-1000.0f, 1000.0f);
    std::vector<float> v(n);
    for (float& x : v) x = u(g);
    return v;
}

void BM_ec_fir_32f(benchmark::State& st) {
    const int L = static_cast<int>(st.range(0)), n = 80;
    const auto& k = ec::kernels_for(static_cast<voks::frame::Level>(st.range(1)));
    const std::vector<float> x = noise(L + n), d = noise(n), h = noise(L);
    std::vector<float> e(n);
    for (auto _ : st) {
        k.fir_32f(x.data() + L, d.data(), e.data(), n, h.data(), L);
        benchmark::DoNotOptimize(e.data());
    }
}
BENCHMARK(BM_ec_fir_32f)->Args({256, 0})->Args({256, 1})->Args({1024, 0})->Args({1024, 1});

// One sample's NLMS coefficient update over L taps.
void BM_ec_nlms_update_32f(benchmark::State& st) {
    const int L = static_cast<int>(st.range(0));
    const auto& k = ec::kernels_for(static_cast<voks::frame::Level>(st.range(1)));
    const std::vector<float> x = noise(L);
    std::vector<float> h(L, 0.0f);
    for (auto _ : st) {
        k.nlms_update_32f(1e-9f, x.data() + L - 1, h.data(), L);
        benchmark::DoNotOptimize(h.data());
    }
}
BENCHMARK(BM_ec_nlms_update_32f)->Args({256, 0})->Args({256, 1})->Args({1024, 0})->Args({1024, 1});

void BM_ec_nlms_update_16s(benchmark::State& st) {
    const int L = static_cast<int>(st.range(0));
    const auto& k = ec::kernels_for(static_cast<voks::frame::Level>(st.range(1)));
    const std::vector<float> f = noise(L);
    std::vector<int16_t> x(L), h(L, 0);
    for (int i = 0; i < L; ++i) x[i] = static_cast<int16_t>(f[i]);
    for (auto _ : st) {
        k.nlms_update_16s(3, x.data() + L - 1, h.data(), L);
        benchmark::DoNotOptimize(h.data());
    }
}
BENCHMARK(BM_ec_nlms_update_16s)->Args({256, 0})->Args({256, 1})->Args({1024, 0})->Args({1024, 1});

// The filter bank's FFT butterflies over 2^order points.
void BM_ec_fft_32f(benchmark::State& st) {
    const int order = static_cast<int>(st.range(0)), n = 1 << order;
    const auto& k = ec::kernels_for(static_cast<voks::frame::Level>(st.range(1)));
    std::vector<float> c(n / 2), s(n / 2);
    for (int i = 0; i < n / 2; ++i)
        c[i] = static_cast<float>(std::cos(-2.0 * M_PI * i / n)),
        s[i] = static_cast<float>(std::sin(-2.0 * M_PI * i / n));
    const std::vector<float> x = noise(2 * n);
    std::vector<float> w(x);
    for (auto _ : st) {
        std::copy(x.begin(), x.end(), w.begin());
        k.fft_32f(c.data(), s.data(), w.data(), w.data() + n, order);
        benchmark::DoNotOptimize(w.data());
    }
}
BENCHMARK(BM_ec_fft_32f)->Args({6, 0})->Args({6, 1})->Args({9, 0})->Args({9, 1});

void BM_ec_subband(benchmark::State& st) {
    const int K = 33, T = 40;
    const auto& k = ec::kernels_for(static_cast<voks::frame::Level>(st.range(0)));
    const std::vector<float> raw = noise(4 * K * T);
    std::vector<Vok32fc> X(static_cast<size_t>(K) * T), W(X.size()), Y(K), E(K);
    for (size_t i = 0; i < X.size(); ++i)
        X[i] = {raw[4 * i], raw[4 * i + 1]}, W[i] = {raw[4 * i + 2] * 1e-3f, 0.0f};
    std::vector<double> mu(K, 1e-9);
    std::vector<const Vok32fc*> tx, tw;
    std::vector<Vok32fc*> w;
    for (int t = 0; t < T; ++t) {
        tx.push_back(&X[static_cast<size_t>(t) * K]);
        w.push_back(&W[static_cast<size_t>(t) * K]);
        tw.push_back(w.back());
    }
    for (auto _ : st) {
        k.sb_fir_32fc(tx.data(), tw.data(), Y.data(), T, K);
        k.sb_update_32fc(mu.data(), tx.data(), Y.data(), w.data(), T, K);
        benchmark::DoNotOptimize(W.data());
    }
}
BENCHMARK(BM_ec_subband)->Arg(0)->Arg(1);

// One second of 16 kHz audio through a canceller with a 128 ms tail (structure, form).
void BM_ec_canceller_16k(benchmark::State& st) {
    auto c = ecex::make_canceller(st.range(0) ? ecex::Structure::Subband : ecex::Structure::Fullband,
                                  st.range(1) ? ecex::Form::Fixed : ecex::Form::Float, 16000, 128);
    const std::vector<float> f = noise(16000 * 2);
    std::vector<int16_t> far(16000), mic(16000), out(16000);
    for (int i = 0; i < 16000; ++i)
        far[i] = static_cast<int16_t>(f[i]), mic[i] = static_cast<int16_t>(f[16000 + i] / 8);
    const int n = c->frame();
    for (auto _ : st)
        for (int i = 0; i + n <= 16000; i += n) c->process(&far[i], &mic[i], &out[i]);
}
BENCHMARK(BM_ec_canceller_16k)->Args({1, 0})->Args({1, 1})->Args({0, 0})->Unit(benchmark::kMillisecond);

}  // namespace

// Correlation operations with the kernel tables forced to the scalar level (first argument 0)
// and to AVX2 (1), at the frame sizes 40, 80, 160 and 240; the ratio of the two rows is the
// vector speed-up.
#include <benchmark/benchmark.h>

#include <vector>

#include "frame/dispatch.h"
#include "voksc.h"

namespace {

using voks::frame::Level;

std::vector<int16_t> noise(int n, uint32_t seed, int shift) {
    std::vector<int16_t> v(n);
    for (auto& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<int16_t>(static_cast<int16_t>(seed >> 16) >> shift);
    }
    return v;
}

// Forces the level for one benchmark and restores the detected one afterwards.
class ForcedLevel {
public:
    explicit ForcedLevel(benchmark::State& state) {
        const Level want = state.range(0) ? Level::AVX2 : Level::Scalar;
        ok_ = voks::frame::force_level(want) == want;
        if (!ok_) state.SkipWithError("no AVX2 on this CPU");
        state.SetLabel(state.range(0) ? "avx2" : "scalar");
    }
    ~ForcedLevel() { voks::frame::force_level(voks::frame::detected_level()); }
    bool ok() const { return ok_; }

private:
    bool ok_;
};

constexpr int kHistory = 160;

void BM_correlation_AutoCorr(benchmark::State& state) {
    ForcedLevel level(state);
    const int n = static_cast<int>(state.range(1));
    auto x = noise(n, 1, 4);
    int32_t r[11];
    for (auto _ : state) {
        if (!level.ok()) break;
        voksAutoCorr_16s32s(x.data(), n, r, 11);
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_correlation_AutoCorrNormE(benchmark::State& state) {
    ForcedLevel level(state);
    const int n = static_cast<int>(state.range(1));
    auto x = noise(n, 2, 4);
    int32_t r[11];
    int norm = 0;
    for (auto _ : state) {
        if (!level.ok()) break;
        voksAutoCorr_NormE_16s32s(x.data(), n, r, 11, &norm);
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

// Triangular cross-correlation of a target with an impulse response (len outputs).
void BM_correlation_CrossCorrTri(benchmark::State& state) {
    ForcedLevel level(state);
    const int n = static_cast<int>(state.range(1));
    auto h = noise(n, 3, 4), x = noise(n, 4, 4);
    std::vector<int32_t> d(n);
    for (auto _ : state) {
        if (!level.ok()) break;
        voksCrossCorr_16s32s_Sfs(h.data(), x.data(), n, d.data(), 0);
        benchmark::DoNotOptimize(d.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

// Exact cross-correlation at 64 lags.
void BM_correlation_CrossCorr64(benchmark::State& state) {
    ForcedLevel level(state);
    const int n = static_cast<int>(state.range(1));
    auto a = noise(n, 5, 4), b = noise(n + 63, 6, 4);
    int32_t d[64];
    for (auto _ : state) {
        if (!level.ok()) break;
        voksCrossCorr_NR_16s32s(a.data(), b.data(), n, d, 64);
        benchmark::DoNotOptimize(d);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

// Open-loop pitch search over lags 20..143 with 143 samples of history.
void BM_correlation_LagMaxInv(benchmark::State& state) {
    ForcedLevel level(state);
    const int n = static_cast<int>(state.range(1));
    auto x = noise(kHistory + n, 7, 4);
    int32_t mx = 0;
    int lag = 0;
    for (auto _ : state) {
        if (!level.ok()) break;
        voksAutoCorrLagMax_Inv_16s(x.data() + kHistory, n, 20, 143, &mx, &lag);
        benchmark::DoNotOptimize(mx);
        benchmark::DoNotOptimize(lag);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_correlation_CrossCorrLagMax(benchmark::State& state) {
    ForcedLevel level(state);
    const int n = static_cast<int>(state.range(1));
    auto a = noise(n, 8, 4), b = noise(n + 128, 9, 4);
    int32_t mx = 0;
    int lag = 0;
    for (auto _ : state) {
        if (!level.ok()) break;
        voksCrossCorrLagMax_16s(a.data(), b.data(), n, 127, &mx, &lag);
        benchmark::DoNotOptimize(mx);
        benchmark::DoNotOptimize(lag);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_correlation_ConvPartial(benchmark::State& state) {
    ForcedLevel level(state);
    const int n = static_cast<int>(state.range(1));
    auto a = noise(n, 10, 4), b = noise(n, 11, 4);
    std::vector<int32_t> d(n);
    for (auto _ : state) {
        if (!level.ok()) break;
        voksConvPartial_16s32s(a.data(), b.data(), d.data(), n);
        benchmark::DoNotOptimize(d.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_correlation_ConvPartialSfs(benchmark::State& state) {
    ForcedLevel level(state);
    const int n = static_cast<int>(state.range(1));
    auto a = noise(n, 12, 4), b = noise(n, 13, 4);
    std::vector<int16_t> d(n);
    for (auto _ : state) {
        if (!level.ok()) break;
        voksConvPartial_16s_Sfs(a.data(), b.data(), d.data(), n, 12);
        benchmark::DoNotOptimize(d.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_correlation_Residual(benchmark::State& state) {
    ForcedLevel level(state);
    const int n = static_cast<int>(state.range(1));
    auto x = noise(kHistory + n, 14, 2);
    const int16_t a[11] = {4096, -5000, 3000, -1000, 500, -200, 100, -50, 25, -10, 5};
    std::vector<int16_t> d(n);
    for (auto _ : state) {
        if (!level.ok()) break;
        voksResidualFilter_Low_16s_Sfs(a, 10, x.data() + kHistory, d.data(), n, 12);
        benchmark::DoNotOptimize(d.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

// Recursive filter (scalar at every level), for scale.
void BM_correlation_SynthesisFilter(benchmark::State& state) {
    ForcedLevel level(state);
    const int n = static_cast<int>(state.range(1));
    auto x = noise(n, 15, 4);
    const int16_t a[11] = {4096, -3000, 1500, -700, 300, -100, 50, -20, 10, -5, 2};
    const int16_t hist[10] = {};
    std::vector<int16_t> d(n);
    for (auto _ : state) {
        if (!level.ok()) break;
        voksSynthesisFilter_NR_16s_Sfs(a, x.data(), d.data(), n, 12, hist);
        benchmark::DoNotOptimize(d.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void sizes(benchmark::internal::Benchmark* b) {
    for (int level : {0, 1})
        for (int n : {40, 80, 160, 240}) b->Args({level, n});
}

BENCHMARK(BM_correlation_AutoCorr)->Apply(sizes);
BENCHMARK(BM_correlation_AutoCorrNormE)->Apply(sizes);
BENCHMARK(BM_correlation_CrossCorrTri)->Apply(sizes);
BENCHMARK(BM_correlation_CrossCorr64)->Apply(sizes);
BENCHMARK(BM_correlation_LagMaxInv)->Apply(sizes);
BENCHMARK(BM_correlation_CrossCorrLagMax)->Apply(sizes);
BENCHMARK(BM_correlation_ConvPartial)->Apply(sizes);
BENCHMARK(BM_correlation_ConvPartialSfs)->Apply(sizes);
BENCHMARK(BM_correlation_Residual)->Apply(sizes);
BENCHMARK(BM_correlation_SynthesisFilter)->Apply(sizes);

}  // namespace

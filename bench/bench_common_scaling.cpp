// Scaling kernels: each vector kernel against its scalar twin on the same data.
#include <benchmark/benchmark.h>

#include <vector>

#include "common/kernels.h"
#include "frame/dispatch.h"

namespace {

using namespace voks::common;

std::vector<int16_t> noise(int n, uint32_t seed) {
    std::vector<int16_t> v(n);
    for (auto& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<int16_t>(seed >> 16);
    }
    return v;
}

bool has_avx2(benchmark::State& state) {
    if (voks::frame::detected_level() == voks::frame::Level::AVX2) return true;
    state.SkipWithError("no AVX2 on this CPU");
    return false;
}

template <void (*Mul)(const int16_t*, const int16_t*, int16_t*, int, int)>
void BM_common_mul_nr(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int sf = static_cast<int>(state.range(1));
    auto a = noise(n, 1), b = noise(n, 2);
    std::vector<int16_t> d(n);
    for (auto _ : state) {
        Mul(a.data(), b.data(), d.data(), n, sf);
        benchmark::DoNotOptimize(d.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

template <void (*MulC)(const int16_t*, int16_t, int16_t*, int, int)>
void BM_common_mulc_nr(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    auto a = noise(n, 3);
    std::vector<int16_t> d(n);
    for (auto _ : state) {
        MulC(a.data(), 12345, d.data(), n, 15);
        benchmark::DoNotOptimize(d.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

template <int16_t (*MaxAbs)(const int16_t*, int)>
void BM_common_max_abs(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    auto a = noise(n, 4);
    for (auto _ : state) benchmark::DoNotOptimize(MaxAbs(a.data(), n));
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_common_mul_nr_scalar(benchmark::State& s) {
    BM_common_mul_nr<scalar::mul_nr>(s);
}
void BM_common_mul_nr_avx2(benchmark::State& s) {
    if (has_avx2(s)) BM_common_mul_nr<avx2::mul_nr>(s);
}
void BM_common_mulc_nr_scalar(benchmark::State& s) {
    BM_common_mulc_nr<scalar::mulc_nr>(s);
}
void BM_common_mulc_nr_avx2(benchmark::State& s) {
    if (has_avx2(s)) BM_common_mulc_nr<avx2::mulc_nr>(s);
}
void BM_common_max_abs_scalar(benchmark::State& s) {
    BM_common_max_abs<scalar::max_abs>(s);
}
void BM_common_max_abs_avx2(benchmark::State& s) {
    if (has_avx2(s)) BM_common_max_abs<avx2::max_abs>(s);
}

void mul_args(benchmark::internal::Benchmark* b) {
    for (int n : {40, 80, 160, 240, 1024}) b->Args({n, 15});
    b->Args({1024, 0})->Args({1024, 1});
}

}  // namespace

BENCHMARK(BM_common_mul_nr_scalar)->Apply(mul_args);
BENCHMARK(BM_common_mul_nr_avx2)->Apply(mul_args);
BENCHMARK(BM_common_mulc_nr_scalar)->Arg(160)->Arg(1024);
BENCHMARK(BM_common_mulc_nr_avx2)->Arg(160)->Arg(1024);
BENCHMARK(BM_common_max_abs_scalar)->Arg(160)->Arg(1024);
BENCHMARK(BM_common_max_abs_avx2)->Arg(160)->Arg(1024);

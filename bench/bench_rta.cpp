// Front end, tone detector and level control: the vector kernels against their scalar twins on
// the same data, and the operations per frame at the CPU's level.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "frame/dispatch.h"
#include "rta/kernels.h"
#include "voksc.h"

namespace {

namespace rta = voks::rta;

std::vector<float> signal(int n, uint32_t seed) {
    std::vector<float> v(static_cast<size_t>(n));
    for (auto& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<float>(static_cast<int16_t>(seed >> 16)) / 4;
    }
    return v;
}

bool has_avx2(benchmark::State& state) {
    if (voks::frame::detected_level() == voks::frame::Level::AVX2) return true;
    state.SkipWithError("no AVX2 on this CPU");
    return false;
}

// The polyphase sums of one frame: outputs n, taps/2 = range(1).
template <rta::qmf_sums_fn* Sums>
void BM_rta_qmf_sums(benchmark::State& state) {
    if (Sums == rta::avx2::qmf_sums && !has_avx2(state)) return;
    const int n = static_cast<int>(state.range(0)), half = static_cast<int>(state.range(1));
    auto h = signal(2 * half, 1), xe = signal(n + half, 2), xo = signal(n + half, 3);
    std::vector<float> e(static_cast<size_t>(n)), o(static_cast<size_t>(n));
    for (auto _ : state) {
        Sums(h.data(), h.data() + half, half, xe.data(), xo.data(), e.data(), o.data(), n);
        benchmark::DoNotOptimize(e.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

template <rta::abs_sums_fn* Sums>
void BM_rta_abs_sums(benchmark::State& state) {
    if (Sums == rta::avx2::abs_sums && !has_avx2(state)) return;
    const int n = static_cast<int>(state.range(0));
    auto x = signal(n, 4), y = signal(n, 5);
    float a, b;
    for (auto _ : state) {
        Sums(x.data(), y.data(), n, &a, &b);
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

BENCHMARK_TEMPLATE(BM_rta_qmf_sums, rta::scalar::qmf_sums)->ArgsProduct({{80, 160, 320}, {12, 24}});
BENCHMARK_TEMPLATE(BM_rta_qmf_sums, rta::avx2::qmf_sums)->ArgsProduct({{80, 160, 320}, {12, 24}});
BENCHMARK_TEMPLATE(BM_rta_abs_sums, rta::scalar::abs_sums)->Arg(80)->Arg(160)->Arg(320);
BENCHMARK_TEMPLATE(BM_rta_abs_sums, rta::avx2::abs_sums)->Arg(80)->Arg(160)->Arg(320);

// Whole operations on 20 ms frames (320 samples at 16 kHz, 160 at 8 kHz).
void BM_rta_qmf_encode(benchmark::State& state) {
    unsigned char block[208];
    auto* s = reinterpret_cast<VokQMFState_RTA_32f*>(block);
    voksQMFInit_RTA_32f(s, static_cast<int>(state.range(0)));
    auto x = signal(320, 6);
    std::vector<float> lo(160), hi(160);
    for (auto _ : state) {
        voksQMFEncode_RTA_32f(x.data(), 320, lo.data(), hi.data(), s);
        benchmark::DoNotOptimize(lo.data());
    }
    state.SetItemsProcessed(state.iterations() * 320);
}
BENCHMARK(BM_rta_qmf_encode)->Arg(24)->Arg(48);

void BM_rta_highpass(benchmark::State& state) {
    auto x = signal(320, 7);
    std::vector<float> y(320);
    float st[6] = {};
    for (auto _ : state) {
        voksHighPassFilter_RTA_32f(x.data(), y.data(), 320, static_cast<int>(state.range(0)), 16000, st);
        benchmark::DoNotOptimize(y.data());
    }
    state.SetItemsProcessed(state.iterations() * 320);
}
BENCHMARK(BM_rta_highpass)->Arg(4)->Arg(5);

void BM_rta_bandpass(benchmark::State& state) {
    auto x = signal(320, 8);
    float st[3] = {};
    for (auto _ : state) {
        voksBandPassFilter_RTA_32f_I(x.data(), 320, st);
        benchmark::DoNotOptimize(x.data());
    }
    state.SetItemsProcessed(state.iterations() * 320);
}
BENCHMARK(BM_rta_bandpass);

void BM_ec_tone_detect(benchmark::State& state) {
    alignas(16) unsigned char block[80];
    auto x = signal(160, 9);
    std::vector<int16_t> x16(x.begin(), x.end());
    const bool fixed = state.range(0) != 0;
    if (fixed)
        voksToneDetectInit_EC_16s(reinterpret_cast<VokToneDetectState_16s*>(block), 8000);
    else
        voksToneDetectInit_EC_32f(reinterpret_cast<VokToneDetectState_32f*>(block), 8000);
    int flag = 0;
    for (auto _ : state) {
        if (fixed)
            voksToneDetect_EC_16s(x16.data(), 160, &flag, reinterpret_cast<VokToneDetectState_16s*>(block));
        else
            voksToneDetect_EC_32f(x.data(), 160, &flag, reinterpret_cast<VokToneDetectState_32f*>(block));
        benchmark::DoNotOptimize(flag);
    }
    state.SetItemsProcessed(state.iterations() * 160);
}
BENCHMARK(BM_ec_tone_detect)->Arg(0)->Arg(1);

void BM_ec_alc(benchmark::State& state) {
    unsigned char block[124];
    auto* s = reinterpret_cast<VokALCState_G169*>(block);
    voksALCInit_G169_16s(s);
    auto x = signal(160, 10);
    std::vector<int16_t> x16(x.begin(), x.end()), y(160);
    for (auto _ : state) {
        voksALC_G169_16s(x16.data(), y.data(), 160, s);
        benchmark::DoNotOptimize(y.data());
    }
    state.SetItemsProcessed(state.iterations() * 160);
}
BENCHMARK(BM_ec_alc);

}  // namespace

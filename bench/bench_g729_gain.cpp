// G.729 gain group: each vector kernel against its scalar twin, and the exported operations per
// 40-sample sub-frame (or 80-sample frame) at each kernel level.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "frame/dispatch.h"
#include "g729/kernels.h"
#include "voksc.h"

namespace {

namespace sc = voks::g729::scalar;
namespace vx = voks::g729::avx2;

std::vector<int16_t> speechlike(int n, uint32_t seed, int amp) {
    std::vector<int16_t> v(static_cast<size_t>(n));
    int32_t y = 0;
    for (auto& x : v) {
        seed = seed * 1664525u + 1013904223u;
        y = (y * 7) / 8 + static_cast<int32_t>(static_cast<int16_t>(seed >> 16)) / 8;
        x = static_cast<int16_t>(y * amp / 4096);
    }
    return v;
}

bool level(benchmark::State& state, int lv) {
    if (lv == 1 && voks::frame::detected_level() != voks::frame::Level::AVX2) {
        state.SkipWithError("no AVX2 on this CPU");
        return false;
    }
    voks::frame::force_level(lv == 1 ? voks::frame::Level::AVX2 : voks::frame::Level::Scalar);
    state.SetLabel(lv == 1 ? "avx2" : "scalar");
    return true;
}

template <int32_t (*Sum)(const int16_t*, int)>
void BM_g729_gain_sum(benchmark::State& state) {
    const auto x = speechlike(40, 1, 4096);
    for (auto _ : state) benchmark::DoNotOptimize(Sum(x.data(), 40));
    state.SetItemsProcessed(state.iterations() * 40);
}

template <void (*Apply)(const int16_t*, int16_t*, int)>
void BM_g729_gain_apply(benchmark::State& state) {
    const auto g = speechlike(40, 2, 4096);
    auto x = speechlike(40, 3, 4096);
    for (auto _ : state) {
        Apply(g.data(), x.data(), 40);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 40);
}

template <void (*Dist)(const float*, const float*, const float*, float, float*, int)>
void BM_g729_gain_dist(benchmark::State& state) {
    const float c[5] = {1.5f, -2.25f, 0.75f, -0.5f, 0.125f};
    std::vector<float> gp(32), gcs(32), d(32);
    for (int i = 0; i < 32; ++i) {
        gp[static_cast<size_t>(i)] = 0.03f * static_cast<float>(i);
        gcs[static_cast<size_t>(i)] = 0.07f * static_cast<float>(i);
    }
    for (auto _ : state) {
        Dist(c, gp.data(), gcs.data(), 1.25f, d.data(), 32);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 32);
}

template <void (*Tilt)(const int16_t*, int16_t*, int, int16_t, int16_t, int32_t, int)>
void BM_g729_gain_tilt(benchmark::State& state) {
    const auto x = speechlike(41, 13, 4096);
    int16_t y[40];
    for (auto _ : state) {
        Tilt(x.data(), y, 40, -9000, 9000, 0x800, 12);
        benchmark::DoNotOptimize(y);
    }
    state.SetItemsProcessed(state.iterations() * 40);
}

BENCHMARK_TEMPLATE(BM_g729_gain_tilt, sc::tilt)->Name("BM_g729_gain_tilt/scalar");
BENCHMARK_TEMPLATE(BM_g729_gain_tilt, vx::tilt)->Name("BM_g729_gain_tilt/avx2");
template <void (*Dist)(const int16_t*, const int16_t*, const int16_t*, const int16_t*, int32_t*, int)>
void BM_g729_gain_quant_dist(benchmark::State& state) {
    const int16_t hi[5] = {12000, -9000, 15000, -20000, 7000}, lo[5] = {100, 20000, 3000, 9, 32000};
    const auto gp = speechlike(32, 14, 8000), gc = speechlike(32, 15, 8000);
    int32_t d[32];
    for (auto _ : state) {
        Dist(hi, lo, gp.data(), gc.data(), d, 32);
        benchmark::DoNotOptimize(d);
    }
    state.SetItemsProcessed(state.iterations() * 32);
}

BENCHMARK_TEMPLATE(BM_g729_gain_quant_dist, sc::quant_dist)->Name("BM_g729_gain_quant_dist/scalar");
BENCHMARK_TEMPLATE(BM_g729_gain_quant_dist, vx::quant_dist)->Name("BM_g729_gain_quant_dist/avx2");
BENCHMARK_TEMPLATE(BM_g729_gain_sum, sc::abs_sum)->Name("BM_g729_gain_abs_sum/scalar");
BENCHMARK_TEMPLATE(BM_g729_gain_sum, vx::abs_sum)->Name("BM_g729_gain_abs_sum/avx2");
BENCHMARK_TEMPLATE(BM_g729_gain_sum, sc::energy_q2)->Name("BM_g729_gain_energy_q2/scalar");
BENCHMARK_TEMPLATE(BM_g729_gain_sum, vx::energy_q2)->Name("BM_g729_gain_energy_q2/avx2");
BENCHMARK_TEMPLATE(BM_g729_gain_apply, sc::apply_q14)->Name("BM_g729_gain_apply_q14/scalar");
BENCHMARK_TEMPLATE(BM_g729_gain_apply, vx::apply_q14)->Name("BM_g729_gain_apply_q14/avx2");
BENCHMARK_TEMPLATE(BM_g729_gain_apply, sc::apply_q12)->Name("BM_g729_gain_apply_q12/scalar");
BENCHMARK_TEMPLATE(BM_g729_gain_apply, vx::apply_q12)->Name("BM_g729_gain_apply_q12/avx2");
BENCHMARK_TEMPLATE(BM_g729_gain_dist, sc::gain_dist)->Name("BM_g729_gain_dist/scalar");
BENCHMARK_TEMPLATE(BM_g729_gain_dist, vx::gain_dist)->Name("BM_g729_gain_dist/avx2");

void BM_g729_gain_GainControl(benchmark::State& state) {
    if (!level(state, static_cast<int>(state.range(0)))) return;
    const auto in = speechlike(40, 4, 4096), base = speechlike(40, 5, 2048);
    std::vector<int16_t> out(40);
    int16_t gain = 16384;
    for (auto _ : state) {
        std::memcpy(out.data(), base.data(), 80);
        voksGainControl_G729_16s_I(in.data(), out.data(), &gain);
        benchmark::ClobberMemory();
    }
    voks::frame::force_level(voks::frame::Level::AVX2);
}
BENCHMARK(BM_g729_gain_GainControl)->Arg(0)->Arg(1);

void BM_g729_gain_GainControlA(benchmark::State& state) {
    if (!level(state, static_cast<int>(state.range(0)))) return;
    const auto in = speechlike(40, 4, 4096), base = speechlike(40, 5, 2048);
    std::vector<int16_t> out(40);
    int16_t gain = 4096;
    for (auto _ : state) {
        std::memcpy(out.data(), base.data(), 80);
        voksGainControl_G729A_16s_I(in.data(), out.data(), &gain);
        benchmark::ClobberMemory();
    }
    voks::frame::force_level(voks::frame::Level::AVX2);
}
BENCHMARK(BM_g729_gain_GainControlA)->Arg(0)->Arg(1);

void BM_g729_gain_CodebookSearch32f(benchmark::State& state) {
    if (!level(state, static_cast<int>(state.range(0)))) return;
    const float c[5] = {1.5f, -2.25f, 0.75f, -0.5f, 0.125f};
    const Vok32s cand[2] = {2, 4};
    Vok32s idx[2];
    for (auto _ : state) {
        voksGainCodebookSearch_G729_32f(c, cand, idx, 0, 1.25f);
        benchmark::DoNotOptimize(idx);
    }
    voks::frame::force_level(voks::frame::Level::AVX2);
}
BENCHMARK(BM_g729_gain_CodebookSearch32f)->Arg(0)->Arg(1);

void BM_g729_gain_GainQuant(benchmark::State& state) {
    if (!level(state, static_cast<int>(state.range(0)))) return;
    const auto x = speechlike(40, 6, 6000), y1 = speechlike(40, 7, 5000), y2 = speechlike(40, 8, 3000);
    std::vector<int16_t> code(40, 0);
    code[3] = 8192;
    code[17] = -8192;
    code[24] = 8192;
    code[38] = -8192;
    int16_t gains[2], idx[2];
    for (auto _ : state) {
        int16_t past[4] = {-14336, -14336, -14336, -14336};
        voksGainQuant_G729_16s(x.data(), y1.data(), code.data(), y2.data(), past, gains, idx, 0);
        benchmark::DoNotOptimize(gains);
    }
    voks::frame::force_level(voks::frame::Level::AVX2);
}
BENCHMARK(BM_g729_gain_GainQuant)->Arg(0)->Arg(1);

void BM_g729_gain_DecodeGain(benchmark::State& state) {
    int16_t past[4] = {-14336, -14336, -14336, -14336}, gains[2] = {0, 0};
    const int16_t idx[2] = {3, 9};
    for (auto _ : state) {
        voksDecodeGain_G729_16s(4 << 26, past, idx, gains);
        benchmark::DoNotOptimize(gains);
    }
}
BENCHMARK(BM_g729_gain_DecodeGain);

void BM_g729_gain_LongTermPostFilter(benchmark::State& state) {
    auto res = speechlike(192, 9, 3000);
    for (size_t i = 0; i < res.size(); ++i)
        if (i % 57 < 3) res[i] = static_cast<int16_t>(res[i] + 8000);
    int16_t out[40], vo;
    for (auto _ : state) {
        voksLongTermPostFilter_G729_16s(16384, 57, res.data() + 152, out, &vo);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_g729_gain_LongTermPostFilter);

void BM_g729_gain_ShortTermPostFilter(benchmark::State& state) {
    const int16_t lpc[11] = {4096, -6000, 3000, -500, 200, -100, 50, -25, 12, -6, 3};
    const auto src = speechlike(40, 10, 3000);
    int16_t buf[50] = {}, h[20];
    for (auto _ : state) {
        voksShortTermPostFilter_G729_16s(lpc, src.data(), buf + 10, h);
        benchmark::DoNotOptimize(buf);
    }
}
BENCHMARK(BM_g729_gain_ShortTermPostFilter);

void BM_g729_gain_HighPassFrame(benchmark::State& state) {
    static constexpr int16_t kPre[6] = {4096, 7807, -3733, 1899, -3798, 1899};
    uint8_t raw[24];
    auto* st = reinterpret_cast<VokG729HighPassState*>(raw);
    voksHighPassFilterInit_G729(kPre, st);
    const auto base = speechlike(80, 11, 8000);
    std::vector<int16_t> x(80);
    for (auto _ : state) {
        std::memcpy(x.data(), base.data(), 160);
        voksHighPassFilter_G729_16s_ISfs(x.data(), 80, 12, st);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 80);
}
BENCHMARK(BM_g729_gain_HighPassFrame);

void BM_g729_gain_ResidualFilter(benchmark::State& state) {
    const int16_t lpc[11] = {4096, -6000, 3000, -500, 200, -100, 50, -25, 12, -6, 3};
    const auto x = speechlike(50, 12, 6000);
    int16_t y[40];
    for (auto _ : state) {
        voksResidualFilter_G729_16s(x.data() + 10, lpc, y);
        benchmark::DoNotOptimize(y);
    }
    state.SetItemsProcessed(state.iterations() * 40);
}
BENCHMARK(BM_g729_gain_ResidualFilter);

// Synthesis of order 10 and 30 over a 40-sample sub-frame (the kernel and the exported filter).
template <bool (*Synth)(const int16_t*, int, const int16_t*, int16_t*, int)>
void BM_g729_gain_synth(benchmark::State& state) {
    const int order = static_cast<int>(state.range(0));
    std::vector<int16_t> a(static_cast<size_t>(order) + 1, 0);
    a[0] = 4096;
    for (int i = 1; i <= order; ++i)
        a[static_cast<size_t>(i)] = static_cast<int16_t>((i % 2 ? -1 : 1) * 24000 / (order * 2));
    const auto x = speechlike(40, 21, 4096);
    std::vector<int16_t> y(static_cast<size_t>(order) + 48, 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(Synth(a.data(), order, x.data(), y.data() + order, 40));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 40);
}
BENCHMARK_TEMPLATE(BM_g729_gain_synth, sc::synth)->Name("BM_g729_gain_synth/scalar")->Arg(10)->Arg(30);
BENCHMARK_TEMPLATE(BM_g729_gain_synth, vx::synth)->Name("BM_g729_gain_synth/avx2")->Arg(10)->Arg(30);

void BM_g729_gain_SynthesisFilterE(benchmark::State& state) {
    const int order = static_cast<int>(state.range(1));
    if (!level(state, static_cast<int>(state.range(0)))) return;
    std::vector<int16_t> a(static_cast<size_t>(order) + 1, 0), mem(static_cast<size_t>(order), 0);
    a[0] = 4096;
    for (int i = 1; i <= order; ++i)
        a[static_cast<size_t>(i)] = static_cast<int16_t>((i % 2 ? -1 : 1) * 24000 / (order * 2));
    const auto x = speechlike(40, 22, 4096);
    int16_t y[40];
    for (auto _ : state) {
        voksSynthesisFilter_G729E_16s(a.data(), order, x.data(), y, 40, mem.data());
        benchmark::DoNotOptimize(y);
    }
    state.SetItemsProcessed(state.iterations() * 40);
}
BENCHMARK(BM_g729_gain_SynthesisFilterE)->Args({0, 10})->Args({1, 10})->Args({0, 30})->Args({1, 30});

// Coefficients beyond the exact-sum bound take the saturating chain, sample by sample.
void BM_g729_gain_SynthesisFilterE_chain(benchmark::State& state) {
    const int order = static_cast<int>(state.range(0));
    std::vector<int16_t> a(static_cast<size_t>(order) + 1, 0), mem(static_cast<size_t>(order), 0);
    a[0] = 4096;
    a[1] = -20000;
    a[2] = 15000;
    for (int i = 3; i <= order; ++i) a[static_cast<size_t>(i)] = static_cast<int16_t>((i % 2 ? -1 : 1) * 100);
    const auto x = speechlike(40, 23, 512);
    int16_t y[40];
    for (auto _ : state) {
        voksSynthesisFilter_G729E_16s(a.data(), order, x.data(), y, 40, mem.data());
        benchmark::DoNotOptimize(y);
    }
    state.SetItemsProcessed(state.iterations() * 40);
}
BENCHMARK(BM_g729_gain_SynthesisFilterE_chain)->Arg(10)->Arg(30);

}  // namespace

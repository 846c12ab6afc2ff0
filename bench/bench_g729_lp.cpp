// G.729 linear prediction: each vector kernel against its scalar twin, and the per-frame
// operations (Levinson, root search on both grids, quantiser, decoder, hybrid window) at the
// scalar and the AVX2 kernel level.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "frame/dispatch.h"
#include "g729/kernels.h"
#include "voksc.h"

namespace {

using voks::frame::Level;
namespace sc = voks::g729::scalar;
namespace vx = voks::g729::avx2;

std::vector<int16_t> noise(int n, uint32_t seed, int shift = 16) {
    std::vector<int16_t> v(static_cast<size_t>(n));
    for (auto& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<int16_t>(static_cast<int32_t>(seed) >> shift);
    }
    return v;
}

bool level_ok(benchmark::State& state, Level level) {
    if (voks::frame::force_level(level) == level) return true;
    state.SkipWithError("level not supported on this CPU");
    return false;
}

// A speech-like LP filter and its LSPs (a resonant 10th-order predictor).
const int16_t kA[11] = {4096, -6914, 6322, -3866, 2432, -1520, 1178, -868, 526, -228, 83};
const int16_t kLsp[10] = {31651, 29152, 24368, 17497, 9720, 2074, -6497, -14690, -21965, -28008};
const int16_t kLsf[10] = {1834, 3432, 5594, 8089, 10540, 12747, 15131, 17682, 20151, 22691};
const int16_t kMemInit[10] = {2339, 4679, 7018, 9358, 11698, 14037, 16377, 18717, 21056, 23396};

template <void (*Fn)(int32_t*, int)>
void BM_g729_lp_lag_window(benchmark::State& state) {
    if (Fn == vx::lag_window && !level_ok(state, Level::AVX2)) return;
    int32_t r[12];
    for (auto _ : state) {
        for (int k = 0; k < 12; ++k) r[k] = 0x3FFFFFFF - k * 12345;
        Fn(r, 12);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_g729_lp_lag_window<sc::lag_window>)->Name("BM_g729_lp_lag_window/scalar");
BENCHMARK(BM_g729_lp_lag_window<vx::lag_window>)->Name("BM_g729_lp_lag_window/avx2");

// Kind 0: scalar kernel, 1: AVX2 kernel, 2: the reference's saturating chain.
template <int Kind>
void BM_g729_lp_cheb_grid(benchmark::State& state) {
    if (Kind == 1 && !level_ok(state, Level::AVX2)) return;
    const int16_t f[6] = {2048, -1500, 900, -400, 200, -50};
    const bool plain = sc::cheb_unsaturated(f);
    auto x = noise(61, 7);
    int16_t y[61];
    for (auto _ : state) {
        if (Kind == 0) sc::cheb_grid(f, false, plain, x.data(), 61, y);
        if (Kind == 1) vx::cheb_grid(f, false, plain, x.data(), 61, y);
        if (Kind == 2) sc::cheb_grid_reference(f, false, x.data(), 61, y);
        benchmark::DoNotOptimize(y);
    }
    state.SetItemsProcessed(state.iterations() * 61);
}
BENCHMARK(BM_g729_lp_cheb_grid<0>)->Name("BM_g729_lp_cheb_grid61/scalar");
BENCHMARK(BM_g729_lp_cheb_grid<1>)->Name("BM_g729_lp_cheb_grid61/avx2");
BENCHMARK(BM_g729_lp_cheb_grid<2>)->Name("BM_g729_lp_cheb_grid61/reference-chain");

template <void (*Fn)(const int16_t*, int16_t*, int)>
void BM_g729_lp_lsf_to_lsp(benchmark::State& state) {
    if (Fn == vx::lsf_to_lsp && !level_ok(state, Level::AVX2)) return;
    const int n = static_cast<int>(state.range(0));
    auto x = noise(n, 3, 17);
    std::vector<int16_t> y(static_cast<size_t>(n));
    for (auto _ : state) {
        Fn(x.data(), y.data(), n);
        benchmark::DoNotOptimize(y.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_g729_lp_lsf_to_lsp<sc::lsf_to_lsp>)->Name("BM_g729_lp_lsf_to_lsp/scalar")->Arg(8)->Arg(160);
BENCHMARK(BM_g729_lp_lsf_to_lsp<vx::lsf_to_lsp>)->Name("BM_g729_lp_lsf_to_lsp/avx2")->Arg(8)->Arg(160);

template <void (*Fn)(const int16_t*, int16_t, const int16_t*, int16_t, int16_t*, int, int)>
void BM_g729_lp_interp_c(benchmark::State& state) {
    if ((Fn == vx::interp_c || Fn == vx::interp_c_nr) && !level_ok(state, Level::AVX2)) return;
    const int n = static_cast<int>(state.range(0));
    auto a = noise(n, 4), b = noise(n, 5);
    std::vector<int16_t> d(static_cast<size_t>(n));
    for (auto _ : state) {
        Fn(a.data(), 19661, b.data(), 13107, d.data(), n, 15);
        benchmark::DoNotOptimize(d.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_g729_lp_interp_c<sc::interp_c>)->Name("BM_g729_lp_interp_c/scalar")->Arg(10)->Arg(160);
BENCHMARK(BM_g729_lp_interp_c<vx::interp_c>)->Name("BM_g729_lp_interp_c/avx2")->Arg(10)->Arg(160);
BENCHMARK(BM_g729_lp_interp_c<sc::interp_c_nr>)->Name("BM_g729_lp_interp_c_nr/scalar")->Arg(10)->Arg(160);
BENCHMARK(BM_g729_lp_interp_c<vx::interp_c_nr>)->Name("BM_g729_lp_interp_c_nr/avx2")->Arg(10)->Arg(160);

template <void (*Fn)(const int16_t*, int32_t*)>
void BM_g729_lp_pre_select(benchmark::State& state) {
    if (Fn == vx::pre_select_dist && !level_ok(state, Level::AVX2)) return;
    int32_t d[128];
    for (auto _ : state) {
        Fn(kLsf, d);
        benchmark::DoNotOptimize(d);
    }
}
BENCHMARK(BM_g729_lp_pre_select<sc::pre_select_dist>)->Name("BM_g729_lp_pre_select/scalar");
BENCHMARK(BM_g729_lp_pre_select<vx::pre_select_dist>)->Name("BM_g729_lp_pre_select/avx2");

template <void (*Fn)(const int16_t*, const int16_t*, int, int32_t*)>
void BM_g729_lp_second_stage(benchmark::State& state) {
    if (Fn == vx::second_stage_dist && !level_ok(state, Level::AVX2)) return;
    const int16_t w[10] = {16384, 20000, 16384, 30000, 19661, 19661, 16384, 17000, 16384, 16384};
    int32_t d[32];
    for (auto _ : state) {
        Fn(kLsf, w, 0, d);
        Fn(kLsf, w, 1, d);
        benchmark::DoNotOptimize(d);
    }
}
BENCHMARK(BM_g729_lp_second_stage<sc::second_stage_dist>)->Name("BM_g729_lp_second_stage/scalar");
BENCHMARK(BM_g729_lp_second_stage<vx::second_stage_dist>)->Name("BM_g729_lp_second_stage/avx2");

// Whole operations per frame, at the level given as the argument (0 scalar, 1 AVX2).
void BM_g729_lp_levinson(benchmark::State& state) {
    const int order = static_cast<int>(state.range(0));
    // Normalised autocorrelation of a resonant second-order process plus noise (stable to order 30).
    std::vector<double> x(240);
    auto e = noise(240, 11, 22);
    for (size_t n = 2; n < x.size(); ++n) x[n] = e[n] + 1.6 * x[n - 1] - 0.8 * x[n - 2];
    double acf[31];
    for (int k = 0; k <= 30; ++k) {
        acf[k] = 0.0;
        for (size_t n = static_cast<size_t>(k); n < x.size(); ++n)
            acf[k] += x[n] * x[n - static_cast<size_t>(k)];
    }
    int32_t r[31];
    for (int k = 0; k <= 30; ++k)
        r[k] = static_cast<int32_t>(0x7FFFFFF0 * (acf[k] / acf[0]) * (k ? 0.9999 : 1.0));
    int16_t a[31], rc[30], err;
    if (voksLevinsonDurbin_G729_32s16s(r, order, a, rc, &err) != vokStatusOk)
        state.SkipWithError("unstable input");
    for (auto _ : state) benchmark::DoNotOptimize(voksLevinsonDurbin_G729_32s16s(r, order, a, rc, &err));
}
BENCHMARK(BM_g729_lp_levinson)->Arg(10)->Arg(30);

void BM_g729_lp_lpc_to_lsp(benchmark::State& state) {
    const Level level = state.range(0) ? Level::AVX2 : Level::Scalar;
    if (!level_ok(state, level)) return;
    int16_t lsp[10];
    for (auto _ : state) benchmark::DoNotOptimize(voksLPCToLSP_G729_16s(kA, kLsp, lsp));
    voks::frame::force_level(voks::frame::detected_level());
}
BENCHMARK(BM_g729_lp_lpc_to_lsp)->ArgName("avx2")->Arg(0)->Arg(1);

void BM_g729_lp_lpc_to_lsp_a(benchmark::State& state) {
    const Level level = state.range(0) ? Level::AVX2 : Level::Scalar;
    if (!level_ok(state, level)) return;
    int16_t lsp[10];
    for (auto _ : state) benchmark::DoNotOptimize(voksLPCToLSP_G729A_16s(kA, kLsp, lsp));
    voks::frame::force_level(voks::frame::detected_level());
}
BENCHMARK(BM_g729_lp_lpc_to_lsp_a)->ArgName("avx2")->Arg(0)->Arg(1);

void BM_g729_lp_lsp_quant(benchmark::State& state) {
    const Level level = state.range(0) ? Level::AVX2 : Level::Scalar;
    if (!level_ok(state, level)) return;
    int16_t mem[40], q[10], idx[2];
    for (int i = 0; i < 4; ++i) std::memcpy(mem + 10 * i, kMemInit, sizeof(kMemInit));
    for (auto _ : state) benchmark::DoNotOptimize(voksLSPQuant_G729_16s(kLsp, mem, q, idx));
    voks::frame::force_level(voks::frame::detected_level());
}
BENCHMARK(BM_g729_lp_lsp_quant)->ArgName("avx2")->Arg(0)->Arg(1);

void BM_g729_lp_lsf_decode(benchmark::State& state) {
    int16_t mem[40], lsf[10];
    const int16_t idx[4] = {1, 77, 12, 25};
    for (int i = 0; i < 4; ++i) std::memcpy(mem + 10 * i, kMemInit, sizeof(kMemInit));
    for (auto _ : state) benchmark::DoNotOptimize(voksLSFDecode_G729_16s(idx, mem, lsf));
}
BENCHMARK(BM_g729_lp_lsf_decode);

void BM_g729_lp_win_hybrid(benchmark::State& state) {
    auto x = noise(145, 9, 19);
    int32_t r[31], st[31] = {};
    auto* s = reinterpret_cast<VokWinHybridState_G729E_16s*>(st);
    for (auto _ : state) benchmark::DoNotOptimize(voksWinHybrid_G729E_16s32s(x.data(), r, s));
}
BENCHMARK(BM_g729_lp_win_hybrid);

void BM_g729_lp_lpc_to_lsp_32f(benchmark::State& state) {
    float a[11], prev[10], lsp[10];
    for (int i = 0; i < 11; ++i) a[i] = kA[i] / 4096.0f;
    for (int i = 0; i < 10; ++i) prev[i] = kLsp[i] / 32768.0f;
    for (auto _ : state) benchmark::DoNotOptimize(voksLPCToLSP_G729_32f(a, prev, lsp));
}
BENCHMARK(BM_g729_lp_lpc_to_lsp_32f);

}  // namespace

// G.729 excitation search per sub-frame, scalar kernels against AVX2 (argument 0 = scalar,
// 1 = AVX2): open-loop pitch per frame, closed-loop pitch (G.729, Annex A), adaptive-vector
// interpolation, correlation matrix and the fixed-codebook searches, on a synthetic voiced
// sub-frame (pulse train with noise through a decaying response).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "frame/dispatch.h"
#include "g729/exc_internal.h"
#include "voksc.h"

namespace {

using voks::frame::Level;

class ForcedLevel {
public:
    explicit ForcedLevel(benchmark::State& state) {
        const Level want = state.range(0) ? Level::AVX2 : Level::Scalar;
        ok_ = voks::frame::force_level(want) == want;
        if (!ok_) state.SkipWithError("level not available on this CPU");
    }
    ~ForcedLevel() { voks::frame::force_level(voks::frame::detected_level()); }
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

struct Subframe {
    int16_t exc[194];
    int16_t wsp[223];
    int16_t xn[40];
    int16_t h[40];
    int16_t dn[40];
    Subframe() {
        uint32_t seed = 12345;
        auto noise = [&] {
            seed = seed * 1664525u + 1013904223u;
            return static_cast<int>(seed >> 22) - 512;
        };
        for (int i = 0; i < 194; ++i) exc[i] = static_cast<int16_t>((i % 57 < 2 ? 6000 : 0) + noise());
        for (int i = 0; i < 223; ++i) wsp[i] = static_cast<int16_t>(3000 * std::sin(i * 0.11) + 4 * noise());
        double v = 4096;
        for (int i = 0; i < 40; ++i, v *= -0.82) h[i] = static_cast<int16_t>(v);
        for (int i = 0; i < 40; ++i) xn[i] = static_cast<int16_t>(exc[154 - 57 + i] / 2 + noise());
        voks::g729::cor_h_x(h, xn, dn);
    }
};

const Subframe& sub() {
    static const Subframe s;
    return s;
}

void BM_g729_exc_OpenLoopPitch(benchmark::State& state) {
    ForcedLevel lv(state);
    if (!lv.ok()) return;
    Vok16s lag;
    for (auto _ : state) {
        voksOpenLoopPitchSearch_G729_16s(sub().wsp + 143, &lag);
        benchmark::DoNotOptimize(lag);
    }
}

void BM_g729_exc_OpenLoopPitchA(benchmark::State& state) {
    ForcedLevel lv(state);
    if (!lv.ok()) return;
    Vok16s lag;
    for (auto _ : state) {
        voksOpenLoopPitchSearch_G729A_16s(sub().wsp + 143, &lag);
        benchmark::DoNotOptimize(lag);
    }
}

template <VokStatus (*Search)(Vok16s, const Vok16s*, const Vok16s*, Vok16s*, Vok16s*, Vok16s*, Vok16s)>
void BM_closed_loop(benchmark::State& state) {
    ForcedLevel lv(state);
    if (!lv.ok()) return;
    Vok16s exc[194], delay[2], vec[40];
    for (auto _ : state) {
        std::memcpy(exc, sub().exc, sizeof exc);
        Search(57, sub().xn, sub().h, exc, delay, vec, 1);
        benchmark::DoNotOptimize(vec);
    }
}

void BM_g729_exc_DecodeAdaptiveVector(benchmark::State& state) {
    ForcedLevel lv(state);
    if (!lv.ok()) return;
    Vok16s exc[194];
    const Vok16s delay[2] = {57, 1};
    std::memcpy(exc, sub().exc, sizeof exc);
    for (auto _ : state) {
        voksDecodeAdaptiveVector_G729_16s_I(delay, exc);
        benchmark::DoNotOptimize(exc);
    }
}

void BM_g729_exc_ToeplizMatrix(benchmark::State& state) {
    ForcedLevel lv(state);
    if (!lv.ok()) return;
    Vok32s m[616];
    for (auto _ : state) {
        voksToeplizMatrix_G729_16s32s(sub().h, m);
        benchmark::DoNotOptimize(m);
    }
}

// Matrix and search together, as an encoder sub-frame runs them.
void BM_g729_exc_FixedCodebook(benchmark::State& state) {
    ForcedLevel lv(state);
    if (!lv.ok()) return;
    Vok32s m[616];
    Vok16s code[40], idx[2], counter = 0;
    for (auto _ : state) {
        voksToeplizMatrix_G729_16s32s(sub().h, m);
        voksFixedCodebookSearch_G729_32s16s(sub().dn, m, code, idx, &counter, 0);
        benchmark::DoNotOptimize(code);
    }
}

void BM_g729_exc_FixedCodebookA(benchmark::State& state) {
    ForcedLevel lv(state);
    if (!lv.ok()) return;
    Vok32s m[616];
    Vok16s code[40], idx[2];
    for (auto _ : state) {
        voksToeplizMatrix_G729_16s32s(sub().h, m);
        voksFixedCodebookSearch_G729A_32s16s(sub().dn, m, code, idx);
        benchmark::DoNotOptimize(code);
    }
}

void BM_g729_exc_FixedCodebookD(benchmark::State& state) {
    ForcedLevel lv(state);
    if (!lv.ok()) return;
    Vok16s code[40], y[40], sign, index;
    for (auto _ : state) {
        voksFixedCodebookSearch_G729D_16s(sub().dn, sub().h, code, y, &sign, &index);
        benchmark::DoNotOptimize(code);
    }
}

// Annex E: argument 1 selects the 44-bit search, 0 the 35-bit one.
void BM_g729_exc_FixedCodebookE(benchmark::State& state) {
    ForcedLevel lv(state);
    if (!lv.ok()) return;
    Vok16s code[40], y[40], idx[5];
    for (auto _ : state) {
        voksFixedCodebookSearch_G729E_16s(static_cast<Vok16s>(state.range(1)), sub().xn, sub().exc + 100,
                                          sub().h, code, y, idx);
        benchmark::DoNotOptimize(code);
    }
}

void BM_g729_exc_ClosedLoopPitchD(benchmark::State& state) {
    ForcedLevel lv(state);
    if (!lv.ok()) return;
    Vok16s delay[2];
    for (auto _ : state) {
        voksAdaptiveCodebookSearch_G729D_16s(57, sub().xn, sub().h, sub().exc, 1, delay);
        benchmark::DoNotOptimize(delay);
    }
}

void levels(benchmark::internal::Benchmark* b) {
    b->Arg(0)->Arg(1);
}

}  // namespace

BENCHMARK(BM_g729_exc_OpenLoopPitch)->Apply(levels);
BENCHMARK(BM_g729_exc_OpenLoopPitchA)->Apply(levels);
BENCHMARK(BM_closed_loop<voksAdaptiveCodebookSearch_G729_16s>)
    ->Name("BM_g729_exc_ClosedLoopPitch")
    ->Apply(levels);
BENCHMARK(BM_closed_loop<voksAdaptiveCodebookSearch_G729A_16s>)
    ->Name("BM_g729_exc_ClosedLoopPitchA")
    ->Apply(levels);
BENCHMARK(BM_g729_exc_DecodeAdaptiveVector)->Apply(levels);
BENCHMARK(BM_g729_exc_ToeplizMatrix)->Apply(levels);
BENCHMARK(BM_g729_exc_FixedCodebook)->Apply(levels);
BENCHMARK(BM_g729_exc_FixedCodebookA)->Apply(levels);
BENCHMARK(BM_g729_exc_FixedCodebookD)->Apply(levels);
BENCHMARK(BM_g729_exc_FixedCodebookE)->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1});
BENCHMARK(BM_g729_exc_ClosedLoopPitchD)->Apply(levels);

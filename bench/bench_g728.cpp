// G.728: the example coder's encoder and decoder throughput (samples/s) at each kernel level,
// and the kernels with twins, scalar against AVX2. No Debian package codes G.728; the
// whole-program comparison with the G.191 reference coder is in README (bench-codecs.sh does
// not build it: its code is not part of this repository).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "frame/dispatch.h"
#include "g728/g728_codec.h"
#include "g728/g728_consts.h"
#include "g728/g728_internal.h"
#include "g728/kernels.h"

namespace {

// Two seconds of a speech-like signal: gliding harmonics with a syllable envelope and noise.
const std::vector<int16_t>& pcm() {
    static const std::vector<int16_t> v = [] {
        std::vector<int16_t> x;
        uint32_t seed = 1;
        double ph = 0;
        for (int k = 0; k < 16000; ++k) {
            seed = seed * 1664525u + 1013904223u;
            ph += 6.283185307 * (110 + 40 * ((k / 1600) % 5)) / 8000;
            double s = 0;
            for (int h = 1; h <= 12; ++h) s += std::sin(h * ph) / h;
            const double env = (k / 800) % 3 == 2 ? 0.05 : 1.0;
            x.push_back(static_cast<int16_t>(6000 * env * s + (static_cast<int>(seed >> 20) - 2048)));
        }
        return x;
    }();
    return v;
}

struct LevelScope {
    voks::frame::Level saved = voks::frame::active_level();
    bool ok;
    LevelScope(benchmark::State& state, int64_t level) {
        const auto want = static_cast<voks::frame::Level>(level);
        ok = voks::frame::force_level(want) == want;
        if (!ok) state.SkipWithError("kernel level not available on this CPU");
    }
    ~LevelScope() { voks::frame::force_level(saved); }
};

void BM_g728_Encode(benchmark::State& state) {
    LevelScope level(state, state.range(0));
    if (!level.ok) return;
    const auto& x = pcm();
    std::vector<uint16_t> words(x.size() / 5);
    for (auto _ : state) {
        g728ex::Encoder enc;
        enc.encode(x.data(), words.data(), words.size());
        benchmark::DoNotOptimize(words.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * x.size()));
}

void BM_g728_Decode(benchmark::State& state) {
    LevelScope level(state, state.range(0));
    if (!level.ok) return;
    const auto& x = pcm();
    std::vector<uint16_t> words(x.size() / 5);
    g728ex::Encoder().encode(x.data(), words.data(), words.size());
    std::vector<int16_t> y(x.size());
    for (auto _ : state) {
        g728ex::Decoder dec(state.range(1) != 0);
        dec.decode(words.data(), y.data(), words.size());
        benchmark::DoNotOptimize(y.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * x.size()));
}

// The 50th-order recursion on the autocorrelation of a speech segment.
void BM_g728_Durbin(benchmark::State& state) {
    const auto& k = voks::g728::kernels_for(static_cast<voks::frame::Level>(state.range(0)));
    const auto& x = pcm();
    int16_t r[51];
    for (int lag = 0; lag <= 50; ++lag) {
        int64_t c = 0;
        for (int n = 0; n + lag < 400; ++n) c += int32_t{x[n]} * x[n + lag];
        r[lag] = static_cast<int16_t>(c >> 20);
    }
    r[0] = static_cast<int16_t>(r[0] + r[0] / 256);
    int16_t a[50], rc, alpha, q;
    for (auto _ : state) benchmark::DoNotOptimize(k.durbin(r, 0, 50, a, &rc, &alpha, &q));
}

void BM_g728_Search16(benchmark::State& state) {
    const auto& k = voks::g728::kernels_for(static_cast<voks::frame::Level>(state.range(0)));
    const int16_t h[5] = {-900, 1500, -2600, 4100, 8192}, t[5] = {9000, -12000, 3000, 15000, -7000};
    int16_t y2[128];
    voks::g728::shape_energies(h, y2);
    int ig, is;
    for (auto _ : state) {
        k.search16(t, 4, h, y2, ig, is);
        benchmark::DoNotOptimize(is);
    }
}

// The filtered codevector energies, once per impulse-response update.
void BM_g728_Energies(benchmark::State& state) {
    const auto& k = voks::g728::kernels_for(static_cast<voks::frame::Level>(state.range(0)));
    const int16_t h[5] = {-900, 1500, -2600, 4100, 8192};
    int16_t y2[128];
    for (auto _ : state) {
        k.energies(h, y2);
        benchmark::DoNotOptimize(y2);
    }
}

// The past vectors' ringing of the synthesis filter, once per vector: speech-scaled memory with
// spread exponents and the coefficients of a speech segment's filter shape.
void BM_g728_ZirPast(benchmark::State& state) {
    const auto& k = voks::g728::kernels_for(static_cast<voks::frame::Level>(state.range(0)));
    int16_t d[55], q[11], a[50];
    for (int i = 0; i < 55; ++i) d[i] = static_cast<int16_t>(pcm()[1000 + i] * 2);
    for (int j = 0; j < 11; ++j) q[j] = static_cast<int16_t>(14 + j % 3);
    for (int i = 0; i < 50; ++i) a[i] = static_cast<int16_t>(pcm()[3000 + i] / 4);
    int64_t past[5];
    for (auto _ : state) {
        k.zir_past(d, q, a, past);
        benchmark::DoNotOptimize(past);
    }
}

// The scalar lower-rate searches (rate 14: 12.8 kbit/s, 10: 9.6) and the trellis search per
// vector over runs of 8, on the G.728 shapes and levels.
void BM_g728_SearchLowRate(benchmark::State& state) {
    const int16_t h[5] = {-900, 1500, -2600, 4100, 8192}, t[5] = {9000, -12000, 3000, 15000, -7000};
    const int ns = state.range(0) == 14 ? 32 : 16, nm = ns / 8;
    std::vector<int16_t> book(ns + nm + 5 * ns);
    int16_t y2[128];
    voks::g728::shape_energies(h, y2);
    const int16_t levels[4] = {2112, 3696, 6468, 11319};
    std::copy(y2, y2 + ns, book.begin());
    std::copy(levels + 4 - nm, levels + 4, book.begin() + ns);
    std::copy(g728ex::kShapes, g728ex::kShapes + 5 * ns, book.begin() + ns + nm);
    int ig, is;
    for (auto _ : state) {
        voks::g728::search_lowrate(t, 4, h, book.data(), ns, nm, ig, is);
        benchmark::DoNotOptimize(is);
    }
}

void BM_g728_SearchTCQ(benchmark::State& state) {
    const int16_t h[5] = {-900, 1500, -2600, 4100, 8192};
    int16_t y2[128], rec[48], words[8];
    uint8_t path[8];
    voks::g728::shape_energies(h, y2);
    for (int i = 0; i < 48; ++i) rec[i] = i % 6 ? pcm()[400 + i] : 2;
    for (auto _ : state) benchmark::DoNotOptimize(voks::g728::search_tcq(rec, 8, h, y2, 0, path, words));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * 8));
}

// The lags of the synthesis-filter window: 51 lags over 35 samples.
void BM_g728_Xcorr(benchmark::State& state) {
    const auto& k = voks::g728::kernels_for(static_cast<voks::frame::Level>(state.range(0)));
    int64_t out[51];
    for (auto _ : state) {
        k.xcorr(pcm().data(), pcm().data(), 35, 51, out);
        benchmark::DoNotOptimize(out);
    }
}

BENCHMARK(BM_g728_Encode)->ArgNames({"level"})->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_g728_Decode)
    ->ArgNames({"level", "postfilter"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_g728_Durbin)->ArgNames({"level"})->Arg(0)->Arg(1);
BENCHMARK(BM_g728_Search16)->ArgNames({"level"})->Arg(0)->Arg(1);
BENCHMARK(BM_g728_Xcorr)->ArgNames({"level"})->Arg(0)->Arg(1);
BENCHMARK(BM_g728_Energies)->ArgNames({"level"})->Arg(0)->Arg(1);
BENCHMARK(BM_g728_ZirPast)->ArgNames({"level"})->Arg(0)->Arg(1);
BENCHMARK(BM_g728_SearchLowRate)->ArgNames({"rate"})->Arg(14)->Arg(10);
BENCHMARK(BM_g728_SearchTCQ);

}  // namespace

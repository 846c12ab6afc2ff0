// G.729 Annex B silence compression: the random excitation of one sub-frame (four samples at a
// time against the plain sample-by-sample generator), the order-12 analysis at the scalar and
// the AVX2 kernel level, and the SID spectrum quantiser and decoder.
#include <benchmark/benchmark.h>

#include <cstring>

#include "frame/dispatch.h"
#include "voksc.h"

namespace {

using voks::frame::Level;

const int16_t kLsf[10] = {1834, 3432, 5594, 8089, 10540, 12747, 15131, 17682, 20151, 22691};
const int16_t kMemInit[10] = {2339, 4679, 7018, 9358, 11698, 14037, 16377, 18717, 21056, 23396};

// The generator one sample at a time, as the reference Gauss runs it.
void gauss_sequential(int16_t* seed, int16_t* dst, int len) {
    uint16_t s = static_cast<uint16_t>(*seed);
    for (int i = 0; i < len; ++i) {
        int32_t sum = 0;
        for (int k = 0; k < 12; ++k) {
            s = static_cast<uint16_t>(s * 31821u + 13849u);
            sum += static_cast<int16_t>(s);
        }
        dst[i] = static_cast<int16_t>(sum >> 7);
    }
    *seed = static_cast<int16_t>(s);
}

void BM_g729_sid_random(benchmark::State& state) {
    int16_t seed = 11111, out[40];
    for (auto _ : state) {
        if (state.range(0))
            voksRandomNoiseExcitation_G729B_16s(&seed, out, 40);
        else
            gauss_sequential(&seed, out, 40);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_g729_sid_random)->ArgName("lanes")->Arg(0)->Arg(1);

void BM_g729_sid_analysis(benchmark::State& state) {
    const Level level = state.range(0) ? Level::AVX2 : Level::Scalar;
    if (voks::frame::force_level(level) != level) {
        state.SkipWithError("level not supported on this CPU");
        return;
    }
    int16_t x[240], exp, a[11], rc[2], err;
    uint32_t g = 729;
    for (int16_t& v : x) v = static_cast<int16_t>((g = g * 1664525u + 1013904223u) >> 18);
    int32_t r[13];
    for (auto _ : state) {
        voksAutoCorr_G729B(x, &exp, r);
        voksLevinsonDurbin_G729B(r, a, rc, &err);
        benchmark::DoNotOptimize(a);
    }
    voks::frame::force_level(voks::frame::detected_level());
}
BENCHMARK(BM_g729_sid_analysis)->ArgName("avx2")->Arg(0)->Arg(1);

void BM_g729_sid_lsf(benchmark::State& state) {
    int16_t mem[40], q[10], idx[3] = {0, 5, 7};
    for (int i = 0; i < 40; ++i) mem[i] = kMemInit[i % 10];
    for (auto _ : state) {
        if (state.range(0))
            voksLSFDecode_G729B_16s(idx, mem, q);
        else
            voksLSFQuant_G729B_16s(kLsf, mem, q, idx);
        benchmark::DoNotOptimize(q);
    }
}
BENCHMARK(BM_g729_sid_lsf)->ArgName("decode")->Arg(0)->Arg(1);

}  // namespace

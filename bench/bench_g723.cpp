// G.723.1: the AVX2 kernels against their scalar twins, and the example coder's encoder (both
// rates) and decoder in frames per second at each kernel level, on the Asterisk prompts when
// installed, else on a synthetic voiced signal. The whole-process comparison with ffmpeg's
// G.723.1 coder is scripts/bench-g723-ffmpeg.sh.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "frame/dispatch.h"
#include "g723/g723_codec.h"
#include "g723/kernels.h"
#include "support/speech.h"

namespace {

constexpr size_t kFrames = 200;  // 6 s

const std::vector<int16_t>& pcm() {
    static const std::vector<int16_t> s = [] {
        std::vector<int16_t> v =
            voksc_test::gather_speech(voksc_test::kAsteriskSounds, kFrames * g723::kFrame, g723::kFrame);
        if (v.size() < kFrames * g723::kFrame) v = voksc_test::synthetic_voiced(kFrames * g723::kFrame);
        v.resize(kFrames * g723::kFrame);
        return v;
    }();
    return s;
}

void force(int level) {
    voks::frame::force_level(level ? voks::frame::Level::AVX2 : voks::frame::Level::Scalar);
}

void BM_G723_Encode(benchmark::State& st) {
    force(static_cast<int>(st.range(0)));
    const g723::Rate rate = st.range(1) ? g723::Rate::R53 : g723::Rate::R63;
    uint8_t frame[g723::kMaxFrameBytes];
    for (auto _ : st) {
        g723::Encoder e;
        g723::encoder_init(&e, true, false);
        for (size_t f = 0; f < kFrames; ++f)
            benchmark::DoNotOptimize(g723::encode(&e, &pcm()[f * 240], rate, frame));
    }
    st.SetItemsProcessed(static_cast<int64_t>(st.iterations() * kFrames));
    voks::frame::force_level(voks::frame::detected_level());
}
BENCHMARK(BM_G723_Encode)->ArgsProduct({{0, 1}, {0, 1}})->ArgNames({"avx2", "r53"});

void BM_G723_Decode(benchmark::State& st) {
    force(static_cast<int>(st.range(0)));
    std::vector<uint8_t> stream;
    {
        g723::Encoder e;
        g723::encoder_init(&e, true, false);
        uint8_t frame[g723::kMaxFrameBytes];
        for (size_t f = 0; f < kFrames; ++f) {
            const int n = g723::encode(&e, &pcm()[f * 240], g723::Rate::R63, frame);
            stream.insert(stream.end(), frame, frame + n);
        }
    }
    int16_t out[g723::kFrame];
    for (auto _ : st) {
        g723::Decoder d;
        g723::decoder_init(&d, true);
        for (size_t f = 0; f < kFrames; ++f) {
            g723::decode(&d, &stream[f * 24], false, out);
            benchmark::DoNotOptimize(out[0]);
        }
    }
    st.SetItemsProcessed(static_cast<int64_t>(st.iterations() * kFrames));
    voks::frame::force_level(voks::frame::detected_level());
}
BENCHMARK(BM_G723_Decode)->Arg(0)->Arg(1)->ArgName("avx2");

void BM_G723_DotEnergy(benchmark::State& st) {
    const auto& x = pcm();
    int64_t s[2];
    const auto fn =
        voks::g723::kernels_for(st.range(0) ? voks::frame::Level::AVX2 : voks::frame::Level::Scalar)
            .dot_energy;
    for (auto _ : st) {
        fn(x.data(), x.data() + 145, 120, s);
        benchmark::DoNotOptimize(s[0]);
    }
}
BENCHMARK(BM_G723_DotEnergy)->Arg(0)->Arg(1)->ArgName("avx2");

void BM_G723_GainScores(benchmark::State& st) {
    const int16_t c[20] = {16000, -12000, 9000, 300, -32000, 5000, 7000, -800, 900, 100,
                           1,     2,      3,    4,   5,      6,    7,    8,    9,   10};
    int32_t out[170];
    const auto fn =
        voks::g723::kernels_for(st.range(0) ? voks::frame::Level::AVX2 : voks::frame::Level::Scalar)
            .gain_scores;
    for (auto _ : st) {
        fn(c, true, 170, out);
        benchmark::DoNotOptimize(out[0]);
    }
}
BENCHMARK(BM_G723_GainScores)->Arg(0)->Arg(1)->ArgName("avx2");

}  // namespace

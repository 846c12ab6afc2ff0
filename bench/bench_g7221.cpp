// G.722.1: the windowing and DCT kernels, scalar against AVX2, at 320 and 640 points; and the
// example encoder and decoder (frames/s) at each kernel level, 7 kHz at 24 kbit/s and 14 kHz at
// 48 kbit/s, on real speech when the asterisk prompts are installed, else on seeded noise.
#include <benchmark/benchmark.h>
#include <voksc.h>

#include <cstdint>
#include <string>
#include <vector>

#include "frame/dispatch.h"
#include "g7221/g7221_codec.h"
#include "g7221/kernels.h"
#include "support/speech.h"

namespace {

namespace g7221 = voks::g7221;
using voks::frame::Level;

// Ten seconds of 16 kHz speech (or noise), read as 320- or 640-sample frames.
const std::vector<int16_t>& pcm() {
    static const std::vector<int16_t> s = [] {
        std::vector<int16_t> v;
        for (const char* name :
             {"vm-intro", "vm-options", "vm-instructions", "conf-getpin", "queue-thankyou"}) {
            const auto w =
                voksc_test::read_wav(std::string(voksc_test::kAsteriskSounds) + "/" + name + ".wav", 8000);
            for (int16_t x : w) v.insert(v.end(), {x, x});
        }
        uint32_t seed = 1;
        while (v.size() < 160000)
            v.push_back(static_cast<int16_t>((seed = seed * 1664525u + 1013904223u) >> 18));
        v.resize(160000);
        return v;
    }();
    return s;
}

void kernel(benchmark::State& state, int which) {
    const int n = static_cast<int>(state.range(0));
    const auto& k = g7221::kernels_for(static_cast<Level>(state.range(1)));
    if (state.range(1) == int(Level::AVX2) && voks::frame::detected_level() != Level::AVX2) {
        state.SkipWithError("no AVX2");
        return;
    }
    std::vector<int16_t> x(pcm().begin(), pcm().begin() + n), h(n), y(n);
    for (auto _ : state) {
        switch (which) {
            case 0:
                k.window_analysis(x.data(), h.data(), y.data(), n);
                break;
            case 1:
                k.window_synthesis(x.data(), h.data(), y.data(), n);
                break;
            case 2:
                k.dct_forward(x.data(), y.data(), n);
                break;
            default:
                k.dct_inverse(x.data(), y.data(), n);
                break;
        }
        benchmark::DoNotOptimize(y.data());
    }
}

void BM_G7221WindowAnalysis(benchmark::State& s) {
    kernel(s, 0);
}
void BM_G7221WindowSynthesis(benchmark::State& s) {
    kernel(s, 1);
}
void BM_G7221DctForward(benchmark::State& s) {
    kernel(s, 2);
}
void BM_G7221DctInverse(benchmark::State& s) {
    kernel(s, 3);
}
#define VOKSC_G7221_ARGS ArgsProduct({{320, 640}, {int(Level::Scalar), int(Level::AVX2)}})
BENCHMARK(BM_G7221WindowAnalysis)->VOKSC_G7221_ARGS;
BENCHMARK(BM_G7221WindowSynthesis)->VOKSC_G7221_ARGS;
BENCHMARK(BM_G7221DctForward)->VOKSC_G7221_ARGS;
BENCHMARK(BM_G7221DctInverse)->VOKSC_G7221_ARGS;

// Frames per second of the example coder; range(0): 0 = 7 kHz 24 kbit/s, 1 = 14 kHz 48 kbit/s.
void codec(benchmark::State& state, bool encode) {
    const int rate = state.range(0) ? 48000 : 24000, bandwidth = state.range(0) ? 14000 : 7000;
    if (voks::frame::force_level(static_cast<Level>(state.range(1))) != static_cast<Level>(state.range(1))) {
        state.SkipWithError("level not available");
        return;
    }
    const int n = g7221ex::frame_samples(bandwidth);
    const size_t frames = pcm().size() / size_t(n);
    g7221ex::Encoder enc;
    enc.init(rate, bandwidth);
    std::vector<uint16_t> bits(frames * g7221ex::kMaxFrameWords);
    for (size_t f = 0; f < frames; ++f)
        enc.encode(pcm().data() + f * n, bits.data() + f * g7221ex::kMaxFrameWords);
    std::vector<int16_t> out(static_cast<size_t>(n));
    size_t f = 0;
    g7221ex::Decoder dec;
    dec.init(rate, bandwidth);
    for (auto _ : state) {
        if (encode)
            enc.encode(pcm().data() + f * n, bits.data() + f * g7221ex::kMaxFrameWords);
        else
            dec.decode(bits.data() + f * g7221ex::kMaxFrameWords, out.data());
        f = (f + 1) % frames;
    }
    state.SetItemsProcessed(state.iterations());
    voks::frame::force_level(voks::frame::detected_level());
}

void BM_G7221Encode(benchmark::State& s) {
    codec(s, true);
}
void BM_G7221Decode(benchmark::State& s) {
    codec(s, false);
}
BENCHMARK(BM_G7221Encode)->ArgsProduct({{0, 1}, {int(Level::Scalar), int(Level::AVX2)}});
BENCHMARK(BM_G7221Decode)->ArgsProduct({{0, 1}, {int(Level::Scalar), int(Level::AVX2)}});

}  // namespace

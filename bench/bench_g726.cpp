// G.726 encoder and decoder throughput (samples/s), ours (scalar and AVX2 kernels, level 0
// and 1) against spandsp's in the same run, at each rate, in 20 ms calls (160 samples) on
// real speech when the asterisk prompts are installed, else on a synthetic speech-like signal.
#include <benchmark/benchmark.h>
#include <voksc.h>

#include "frame/dispatch.h"
#include "support/speech.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#ifdef VOKSC_HAVE_SPANDSP
#include <stdbool.h>
#include <spandsp/telephony.h>
#include <spandsp/bit_operations.h>
#include <spandsp/g711.h>
#include <spandsp/g726.h>
#endif

namespace {

constexpr int kFrame = 160;
constexpr size_t kSamples = 8000 * 8;

// The samples of an 8 kHz mono 16-bit WAV file appended to `out`.
void append_wav(const std::string& path, std::vector<int16_t>& out) {
    const std::vector<int16_t> s = voksc_test::read_wav(path, 8000);
    out.insert(out.end(), s.begin(), s.end());
}

const std::vector<int16_t>& pcm16() {
    static const std::vector<int16_t> s = [] {
        std::vector<int16_t> v;
        for (const char* name : {"vm-intro", "vm-options", "vm-instructions", "conf-getpin",
                                 "queue-thankyou", "tt-weasels", "agent-loginok", "privacy-prompt"})
            append_wav(std::string(voksc_test::kAsteriskSounds) + "/" + name + ".wav", v);
        if (v.size() < kSamples) {  // synthetic fallback: gliding harmonics with syllable envelope
            uint32_t seed = 1;
            double ph = 0;
            for (size_t k = v.size(); k < kSamples; ++k) {
                seed = seed * 1664525u + 1013904223u;
                const double f0 = 110 + 40 * ((k / 1600) % 5);
                ph += 6.283185307 * f0 / 8000;
                double x = 0;
                for (int h = 1; h <= 12; ++h) x += std::sin(h * ph) / h;
                const double env = (k / 800) % 3 == 2 ? 0.05 : 1.0;
                v.push_back(static_cast<int16_t>(6000 * env * x + (static_cast<int>(seed >> 20) - 2048)));
            }
        }
        v.resize(kSamples);
        return v;
    }();
    return s;
}

VokSpeechRate rate_code(int bit_rate) {
    switch (bit_rate) {
        case 16000: return vokRate16000;
        case 24000: return vokRate24000;
        case 40000: return vokRate40000;
        default: return vokRate32000;
    }
}

std::vector<uint8_t> codes_of(int bit_rate) {
    const auto& x = pcm16();
    std::vector<unsigned char> st(88);
    auto* e = reinterpret_cast<VokG726EncodeState*>(st.data());
    voksEncodeInit_G726_16s8u(e, rate_code(bit_rate));
    std::vector<int16_t> x14(x.size());
    for (size_t k = 0; k < x.size(); ++k) x14[k] = static_cast<int16_t>(x[k] >> 2);
    std::vector<uint8_t> codes(x.size());
    voksEncode_G726_16s8u(e, x14.data(), codes.data(), static_cast<int>(x.size()));
    return codes;
}

// Forces a kernel level for one benchmark; false (and the benchmark skipped) when the CPU
// lacks it.
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

void BM_g726_Encode(benchmark::State& state) {
    const int bit_rate = static_cast<int>(state.range(0));
    LevelScope level(state, state.range(1));
    if (!level.ok) return;
    const auto& x = pcm16();
    std::vector<int16_t> x14(x.size());
    for (size_t k = 0; k < x.size(); ++k) x14[k] = static_cast<int16_t>(x[k] >> 2);
    std::vector<uint8_t> codes(x.size());
    std::vector<unsigned char> st(88);
    auto* e = reinterpret_cast<VokG726EncodeState*>(st.data());
    voksEncodeInit_G726_16s8u(e, rate_code(bit_rate));
    for (auto _ : state) {
        for (size_t k = 0; k < x.size(); k += kFrame)
            voksEncode_G726_16s8u(e, x14.data() + k, codes.data() + k, kFrame);
        benchmark::DoNotOptimize(codes.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * x.size()));
}

void BM_g726_Decode(benchmark::State& state) {
    const int bit_rate = static_cast<int>(state.range(0));
    const int law = static_cast<int>(state.range(1));
    LevelScope level(state, state.range(2));
    if (!level.ok) return;
    const auto codes = codes_of(bit_rate);
    std::vector<int16_t> y(codes.size());
    std::vector<unsigned char> st(92);
    auto* d = reinterpret_cast<VokG726DecodeState*>(st.data());
    voksDecodeInit_G726_8u16s(d, rate_code(bit_rate), law);
    for (auto _ : state) {
        for (size_t k = 0; k < codes.size(); k += kFrame)
            voksDecode_G726_8u16s(d, codes.data() + k, y.data() + k, kFrame);
        benchmark::DoNotOptimize(y.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * codes.size()));
}

BENCHMARK(BM_g726_Encode)
    ->ArgNames({"rate", "level"})
    ->ArgsProduct({{16000, 24000, 32000, 40000}, {0, 1}});
BENCHMARK(BM_g726_Decode)
    ->ArgNames({"rate", "law", "level"})
    ->ArgsProduct({{16000, 24000, 32000, 40000}, {vokG726LawLinear}, {0, 1}})
    ->ArgsProduct({{32000}, {vokG726LawA, vokG726LawMu}, {0, 1}});

#ifdef VOKSC_HAVE_SPANDSP

int peer_coding(int law) {
    return law == vokG726LawA ? G726_ENCODING_ALAW
           : law == vokG726LawMu ? G726_ENCODING_ULAW : G726_ENCODING_LINEAR;
}

void BM_g726_EncodeSpandsp(benchmark::State& state) {
    const int bit_rate = static_cast<int>(state.range(0));
    const auto& x = pcm16();
    std::vector<uint8_t> codes(x.size());
    g726_state_t* s = g726_init(nullptr, bit_rate, G726_ENCODING_LINEAR, G726_PACKING_NONE);
    for (auto _ : state) {
        for (size_t k = 0; k < x.size(); k += kFrame) g726_encode(s, codes.data() + k, x.data() + k, kFrame);
        benchmark::DoNotOptimize(codes.data());
    }
    g726_free(s);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * x.size()));
}

void BM_g726_DecodeSpandsp(benchmark::State& state) {
    const int bit_rate = static_cast<int>(state.range(0));
    const int law = static_cast<int>(state.range(1));
    const auto codes = codes_of(bit_rate);
    std::vector<int16_t> y(codes.size());
    g726_state_t* s = g726_init(nullptr, bit_rate, peer_coding(law), G726_PACKING_NONE);
    for (auto _ : state) {
        // Law output is one byte per sample; the buffer is large enough either way.
        for (size_t k = 0; k < codes.size(); k += kFrame) g726_decode(s, y.data() + k, codes.data() + k, kFrame);
        benchmark::DoNotOptimize(y.data());
    }
    g726_free(s);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * codes.size()));
}

BENCHMARK(BM_g726_EncodeSpandsp)->ArgName("rate")->Arg(16000)->Arg(24000)->Arg(32000)->Arg(40000);
BENCHMARK(BM_g726_DecodeSpandsp)
    ->ArgNames({"rate", "law"})
    ->Args({16000, vokG726LawLinear})->Args({24000, vokG726LawLinear})
    ->Args({32000, vokG726LawLinear})->Args({40000, vokG726LawLinear})
    ->Args({32000, vokG726LawA})->Args({32000, vokG726LawMu});

#endif  // VOKSC_HAVE_SPANDSP

}  // namespace

// GSM-AMR example encoder in frames per second at each kernel level, at 4.75 and 12.2 kbit/s with
// and without DTX (VAD option 1), on the Asterisk prompts when installed, else a synthetic voiced
// signal. One frame is 20 ms: real-time factor = frames per second / 50.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "amrnb/amrnb_enc.h"
#include "frame/dispatch.h"
#include "support/speech.h"

namespace {

constexpr size_t kFrames = 250;  // 5 s

const std::vector<int16_t>& pcm() {
    static const std::vector<int16_t> s = [] {
        std::vector<int16_t> v = voksc_test::gather_speech(voksc_test::kAsteriskSounds, kFrames * 160, 160);
        if (v.size() < kFrames * 160) v = voksc_test::synthetic_voiced(kFrames * 160);
        v.resize(kFrames * 160);
        return v;
    }();
    return s;
}

void BM_AmrnbEx_Encode(benchmark::State& st) {
    voks::frame::force_level(st.range(0) ? voks::frame::Level::AVX2 : voks::frame::Level::Scalar);
    const int mode = static_cast<int>(st.range(1));
    amrnb::SerialFrame f;
    for (auto _ : st) {
        amrnbex::Encoder e;
        e.init(mode, 1, st.range(2) != 0);
        for (size_t i = 0; i < kFrames; ++i) e.encode(&pcm()[i * 160], -1, f);
        benchmark::DoNotOptimize(f.bits[0]);
    }
    st.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(kFrames * st.iterations()), benchmark::Counter::kIsRate);
    voks::frame::force_level(voks::frame::detected_level());
}
BENCHMARK(BM_AmrnbEx_Encode)->ArgsProduct({{0, 1}, {0, 7}, {0, 1}})->ArgNames({"avx2", "mode", "dtx"});

}  // namespace

// GSM-AMR example decoder in frames per second at each kernel level, at 4.75 and 12.2 kbit/s, on
// 5 s of the Asterisk prompts (else a synthetic voiced signal) coded by the example encoder, and
// opencore-amrnb's decoder on the same frames in the storage format when it is installed. One
// frame is 20 ms: real-time factor = frames per second / 50.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "amrnb/amrnb_dec.h"
#include "amrnb/amrnb_dec_tables.h"
#include "amrnb/amrnb_enc.h"
#include "frame/dispatch.h"
#include "support/speech.h"
#ifdef VOKSC_HAVE_OPENCORE_AMRNB
#include <opencore-amrnb/interf_dec.h>
#endif

namespace {

constexpr size_t kFrames = 250;  // 5 s

// The example encoder's frames at `mode`, and the same frames in the storage format.
struct Stream {
    std::vector<amrnb::SerialFrame> frames;
    std::vector<uint8_t> storage;
    explicit Stream(int mode) {
        std::vector<int16_t> v = voksc_test::gather_speech(voksc_test::kAsteriskSounds, kFrames * 160, 160);
        if (v.size() < kFrames * 160) v = voksc_test::synthetic_voiced(kFrames * 160);
        amrnbex::Encoder e;
        e.init(mode, 1, false);
        static const int16_t* const kSort[8] = {
            amrnb::tab::kSort475, amrnb::tab::kSort515, amrnb::tab::kSort59,  amrnb::tab::kSort67,
            amrnb::tab::kSort74,  amrnb::tab::kSort795, amrnb::tab::kSort102, amrnb::tab::kSort122};
        for (size_t i = 0; i < kFrames; ++i) {
            amrnb::SerialFrame f;
            e.encode(&v[i * 160], -1, f);
            frames.push_back(f);
            const size_t at = storage.size();
            storage.push_back(static_cast<uint8_t>(mode << 3 | 4));
            storage.resize(at + amrnb::storage_frame_bytes(storage[at]));
            for (int k = 0; k < amrnb::frame_bits(mode); ++k)
                storage[at + 1 + k / 8] |= static_cast<uint8_t>((f.bits[kSort[mode][k]] & 1) << (7 - k % 8));
        }
    }
};

const Stream& stream(int mode) {
    static const Stream s0(0), s7(7);
    return mode == 0 ? s0 : s7;
}

void BM_AmrnbEx_Decode(benchmark::State& st) {
    voks::frame::force_level(st.range(0) ? voks::frame::Level::AVX2 : voks::frame::Level::Scalar);
    const Stream& s = stream(static_cast<int>(st.range(1)));
    int16_t pcm[amrnb::kFrameSamples];
    for (auto _ : st) {
        amrnb::DecoderState d;
        amrnb::decoder_init(&d);
        for (const amrnb::SerialFrame& f : s.frames) amrnb::decode_serial(&d, f, pcm);
        benchmark::DoNotOptimize(pcm[0]);
    }
    st.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(kFrames * st.iterations()), benchmark::Counter::kIsRate);
    voks::frame::force_level(voks::frame::detected_level());
}
BENCHMARK(BM_AmrnbEx_Decode)->ArgsProduct({{0, 1}, {0, 7}})->ArgNames({"avx2", "mode"});

// The example decoder from the storage format, as voks-codec reads it.
void BM_AmrnbEx_DecodeStorage(benchmark::State& st) {
    const Stream& s = stream(static_cast<int>(st.range(0)));
    int16_t pcm[amrnb::kFrameSamples];
    for (auto _ : st) {
        amrnb::DecoderState d;
        amrnb::decoder_init(&d);
        for (size_t at = 0; at < s.storage.size(); at += amrnb::storage_frame_bytes(s.storage[at])) {
            amrnb::SerialFrame f;
            amrnb::storage_to_serial(&s.storage[at], f);
            amrnb::decode_serial(&d, f, pcm);
        }
        benchmark::DoNotOptimize(pcm[0]);
    }
    st.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(kFrames * st.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AmrnbEx_DecodeStorage)->Arg(0)->Arg(7)->ArgNames({"mode"});

#ifdef VOKSC_HAVE_OPENCORE_AMRNB
void BM_AmrnbOpencore_Decode(benchmark::State& st) {
    const Stream& s = stream(static_cast<int>(st.range(0)));
    int16_t pcm[amrnb::kFrameSamples];
    for (auto _ : st) {
        void* d = Decoder_Interface_init();
        for (size_t at = 0; at < s.storage.size(); at += amrnb::storage_frame_bytes(s.storage[at]))
            Decoder_Interface_Decode(d, &s.storage[at], pcm, 0);
        Decoder_Interface_exit(d);
        benchmark::DoNotOptimize(pcm[0]);
    }
    st.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(kFrames * st.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AmrnbOpencore_Decode)->Arg(0)->Arg(7)->ArgNames({"mode"});
#endif

}  // namespace

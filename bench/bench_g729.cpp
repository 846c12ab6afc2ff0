// G.729 and G.729 Annex A: the example coders (built on voksc) against bcg729 on the same speech.
// The per-coder benchmarks report frames per second; BM_g729_*_ratio lets the coders take turns
// on 50-frame chunks (each keeping its state across chunks) and reports our speed-up over bcg729
// from the summed thread CPU times, which is robust on a busy machine.
#include <benchmark/benchmark.h>

#include <ctime>
#include <string>
#include <vector>

#include "g729/g729_codec.h"
#include "support/speech.h"

#ifdef VOKSC_HAVE_BCG729
extern "C" {
#include <bcg729/decoder.h>
#include <bcg729/encoder.h>
}
#endif

namespace {

constexpr int kFrame = g729::kFrameSamples;

// The ITU sequence SPEECH.IN (75 s of speech), or a synthetic voiced signal when it is absent.
const std::vector<int16_t>& speech() {
    static const std::vector<int16_t> s = [] {
        std::vector<int16_t> v;
        voksc_test::read_words(std::string(VOKSC_VECTORS_DIR) + "/g729/main/SPEECH.IN", v);
        if (v.empty()) v = voksc_test::synthetic_voiced(2000 * kFrame);
        v.resize(v.size() / kFrame * kFrame);
        return v;
    }();
    return s;
}

int frames() {
    return static_cast<int>(speech().size() / kFrame);
}

// Our G.729A packed stream of the speech, decoded by every decoder benchmark.
const std::vector<uint8_t>& packed() {
    static const std::vector<uint8_t> p = [] {
        std::vector<uint8_t> out(static_cast<size_t>(frames()) * g729::kPackedBytes);
        g729::Encoder enc;
        g729::encoder_init(&enc, g729::Variant::AnnexA);
        int16_t params[g729::kFrameParams];
        for (int f = 0; f < frames(); ++f) {
            g729::encode(&enc, &speech()[f * kFrame], params);
            g729::pack(params, &out[f * g729::kPackedBytes]);
        }
        return out;
    }();
    return p;
}

// A coder with its state; run() codes frames [first, first + count).
class Coder {
public:
    virtual ~Coder() = default;
    virtual void encode(int first, int count, uint8_t* out) = 0;
    virtual void decode(int first, int count, int16_t* out) = 0;
};

class Ours : public Coder {
public:
    explicit Ours(g729::Variant v) {
        g729::encoder_init(&enc_, v);
        g729::decoder_init(&dec_, v);
    }
    void encode(int first, int count, uint8_t* out) override {
        int16_t params[g729::kFrameParams];
        for (int f = 0; f < count; ++f) {
            g729::encode(&enc_, &speech()[(first + f) * kFrame], params);
            g729::pack(params, out + f * g729::kPackedBytes);
        }
    }
    void decode(int first, int count, int16_t* out) override {
        int16_t params[g729::kFrameParams];
        for (int f = 0; f < count; ++f) {
            g729::unpack(&packed()[(first + f) * g729::kPackedBytes], params);
            g729::decode(&dec_, params, false, out + f * kFrame);
        }
    }

private:
    g729::Encoder enc_;
    g729::Decoder dec_;
};

#ifdef VOKSC_HAVE_BCG729
class Bcg729 : public Coder {
public:
    Bcg729() : enc_(initBcg729EncoderChannel(0)), dec_(initBcg729DecoderChannel()) {}
    ~Bcg729() override {
        closeBcg729EncoderChannel(enc_);
        closeBcg729DecoderChannel(dec_);
    }
    void encode(int first, int count, uint8_t* out) override {
        for (int f = 0; f < count; ++f) {
            uint8_t len = 0;
            bcg729Encoder(enc_, &speech()[(first + f) * kFrame], out + f * g729::kPackedBytes, &len);
        }
    }
    void decode(int first, int count, int16_t* out) override {
        for (int f = 0; f < count; ++f) {
            bcg729Decoder(dec_, &packed()[(first + f) * g729::kPackedBytes], g729::kPackedBytes, 0, 0, 0,
                          out + f * kFrame);
        }
    }

private:
    bcg729EncoderChannelContextStruct* enc_;
    bcg729DecoderChannelContextStruct* dec_;
};
#endif

enum class Kind { OursMain, OursA, Peer };

Coder* make(Kind k) {
    switch (k) {
        case Kind::OursMain:
            return new Ours(g729::Variant::Main);
        case Kind::OursA:
            return new Ours(g729::Variant::AnnexA);
        case Kind::Peer:
#ifdef VOKSC_HAVE_BCG729
            return new Bcg729();
#else
            return nullptr;
#endif
    }
    return nullptr;
}

// Whole speech file per iteration with a fresh coder; items are frames.
void coder_bench(benchmark::State& state, Kind kind, bool encode) {
    const int n = frames();
    std::vector<uint8_t> bytes(static_cast<size_t>(n) * g729::kPackedBytes);
    std::vector<int16_t> pcm(static_cast<size_t>(n) * kFrame);
    for (auto _ : state) {
        Coder* c = make(kind);
        if (!c) {
            state.SkipWithError("bcg729 was not found");
            return;
        }
        if (encode)
            c->encode(0, n, bytes.data());
        else
            c->decode(0, n, pcm.data());
        benchmark::DoNotOptimize(bytes.data());
        benchmark::DoNotOptimize(pcm.data());
        benchmark::ClobberMemory();
        delete c;
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["time_per_frame"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * n,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_g729_encode_voksc_G729A(benchmark::State& s) {
    coder_bench(s, Kind::OursA, true);
}
void BM_g729_decode_voksc_G729A(benchmark::State& s) {
    coder_bench(s, Kind::OursA, false);
}
void BM_g729_encode_voksc_G729(benchmark::State& s) {
    coder_bench(s, Kind::OursMain, true);
}
void BM_g729_decode_voksc_G729(benchmark::State& s) {
    coder_bench(s, Kind::OursMain, false);
}
BENCHMARK(BM_g729_encode_voksc_G729A)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_g729_decode_voksc_G729A)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_g729_encode_voksc_G729)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_g729_decode_voksc_G729)->Unit(benchmark::kMillisecond);
#ifdef VOKSC_HAVE_BCG729
void BM_g729_encode_bcg729(benchmark::State& s) {
    coder_bench(s, Kind::Peer, true);
}
void BM_g729_decode_bcg729(benchmark::State& s) {
    coder_bench(s, Kind::Peer, false);
}
BENCHMARK(BM_g729_encode_bcg729)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_g729_decode_bcg729)->Unit(benchmark::kMillisecond);
#endif

// Our coder and bcg729 take turns on 50-frame chunks of the speech; the counter "speedup" is
// bcg729's summed time over ours (above 1: ours is faster).
void ratio_bench(benchmark::State& state, Kind ours_kind, bool encode) {
#ifndef VOKSC_HAVE_BCG729
    (void)ours_kind;
    (void)encode;
    state.SkipWithError("bcg729 was not found");
#else
    constexpr int kChunk = 50;
    const int n = frames() / kChunk * kChunk;
    std::vector<uint8_t> bytes(static_cast<size_t>(kChunk) * g729::kPackedBytes);
    std::vector<int16_t> pcm(static_cast<size_t>(kChunk) * kFrame);
    // Thread CPU time: a chunk that loses the processor to another job is not charged for it.
    auto now = [] {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
    };
    double t_ours = 0;
    double t_peer = 0;
    for (auto _ : state) {
        Coder* ours = make(ours_kind);
        Coder* peer = make(Kind::Peer);
        for (int first = 0; first < n; first += kChunk) {
            for (Coder* c : {ours, peer}) {
                const double t0 = now();
                if (encode)
                    c->encode(first, kChunk, bytes.data());
                else
                    c->decode(first, kChunk, pcm.data());
                benchmark::DoNotOptimize(bytes.data());
                benchmark::DoNotOptimize(pcm.data());
                benchmark::ClobberMemory();
                (c == ours ? t_ours : t_peer) += now() - t0;
            }
        }
        delete ours;
        delete peer;
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["speedup"] = t_ours > 0 ? t_peer / t_ours : 0;
    state.counters["ours_frames_per_s"] = t_ours > 0 ? state.iterations() * n / t_ours : 0;
    state.counters["bcg729_frames_per_s"] = t_peer > 0 ? state.iterations() * n / t_peer : 0;
#endif
}

void BM_g729_encode_G729A_ratio(benchmark::State& s) {
    ratio_bench(s, Kind::OursA, true);
}
void BM_g729_decode_G729A_ratio(benchmark::State& s) {
    ratio_bench(s, Kind::OursA, false);
}
void BM_g729_encode_G729_ratio(benchmark::State& s) {
    ratio_bench(s, Kind::OursMain, true);
}
void BM_g729_decode_G729_ratio(benchmark::State& s) {
    ratio_bench(s, Kind::OursMain, false);
}
BENCHMARK(BM_g729_encode_G729A_ratio)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_g729_decode_G729A_ratio)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_g729_encode_G729_ratio)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_g729_decode_G729_ratio)->Unit(benchmark::kMillisecond);

}  // namespace

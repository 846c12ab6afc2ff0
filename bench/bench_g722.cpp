// G.722: whole encoder and decoder (16 kHz PCM <-> octets, 20 ms frames) against spandsp in the
// same run, and the QMF kernels scalar against AVX2.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "frame/dispatch.h"
#include "g722/g722_codec.h"
#include "g722/kernels.h"
#include "support/files.h"

#ifdef VOKSC_HAVE_SPANDSP
extern "C" {
#include <spandsp/telephony.h>
// g722.h needs the declaration macros of telephony.h, included above.
#include <spandsp/g722.h>
}
#endif

namespace {

constexpr int kFrame = 320;  // samples per 20 ms frame

// Six seconds of speech from the G.722 demonstration input, or seeded noise when absent.
const std::vector<int16_t>& speech() {
    static const std::vector<int16_t> pcm = [] {
        std::vector<int16_t> v;
        voksc_test::read_words(std::string(VOKSC_VECTORS_DIR) + "/g722/inpsp.bin", v);
        if (v.size() < 16000) {
            v.assign(96000, 0);
            uint32_t s = 1;
            for (auto& x : v) x = static_cast<int16_t>((s = s * 1664525u + 1013904223u) >> 20);
        }
        v.resize(v.size() / kFrame * kFrame);
        return v;
    }();
    return pcm;
}

const std::vector<uint8_t>& octets() {
    static const std::vector<uint8_t> oct = [] {
        g722ex::Encoder enc(64000);
        std::vector<uint8_t> o(speech().size() / 2);
        enc.encode(speech().data(), static_cast<int>(speech().size()), o.data());
        return o;
    }();
    return oct;
}

void BM_g722_encode(benchmark::State& state) {
    const auto& pcm = speech();
    g722ex::Encoder enc(64000);
    std::vector<uint8_t> out(kFrame / 2);
    for (auto _ : state) {
        for (size_t o = 0; o < pcm.size(); o += kFrame) enc.encode(&pcm[o], kFrame, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(pcm.size()));
}
BENCHMARK(BM_g722_encode);

void BM_g722_decode(benchmark::State& state) {
    const auto& oct = octets();
    g722ex::Decoder dec(64000);
    std::vector<int16_t> out(kFrame);
    for (auto _ : state) {
        for (size_t o = 0; o < oct.size(); o += kFrame / 2) dec.decode(&oct[o], kFrame / 2, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(oct.size()) * 2);
}
BENCHMARK(BM_g722_decode);

#ifdef VOKSC_HAVE_SPANDSP
void BM_g722_encode_spandsp(benchmark::State& state) {
    const auto& pcm = speech();
    g722_encode_state_t* s = g722_encode_init(nullptr, 64000, 0);
    std::vector<uint8_t> out(kFrame / 2);
    for (auto _ : state) {
        for (size_t o = 0; o < pcm.size(); o += kFrame) g722_encode(s, out.data(), &pcm[o], kFrame);
        benchmark::DoNotOptimize(out.data());
    }
    g722_encode_free(s);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(pcm.size()));
}
BENCHMARK(BM_g722_encode_spandsp);

void BM_g722_decode_spandsp(benchmark::State& state) {
    const auto& oct = octets();
    g722_decode_state_t* s = g722_decode_init(nullptr, 64000, 0);
    std::vector<int16_t> out(kFrame);
    for (auto _ : state) {
        for (size_t o = 0; o < oct.size(); o += kFrame / 2) g722_decode(s, out.data(), &oct[o], kFrame / 2);
        benchmark::DoNotOptimize(out.data());
    }
    g722_decode_free(s);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(oct.size()) * 2);
}
BENCHMARK(BM_g722_decode_spandsp);
#endif

// QMF kernels on one 20 ms frame; Arg 0 = scalar, 1 = AVX2.
template <bool Tx>
void BM_g722_qmf(benchmark::State& state) {
    const bool avx2 = state.range(0) == 1;
    if (avx2 && voks::frame::detected_level() != voks::frame::Level::AVX2) {
        state.SkipWithError("no AVX2 on this CPU");
        return;
    }
    using QmfFn = voks::g722::qmf_tx_fn*;
    QmfFn fn = Tx ? voks::g722::scalar::qmf_tx : voks::g722::scalar::qmf_rx;
#if defined(__x86_64__) || defined(__i386__)
    if (avx2) fn = Tx ? voks::g722::avx2::qmf_tx : voks::g722::avx2::qmf_rx;
#endif
    const auto& pcm = speech();
    std::vector<int16_t> out(kFrame);
    int16_t delay[24] = {0};
    for (auto _ : state) {
        fn(pcm.data(), out.data(), kFrame / 2, delay);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrame);
}
BENCHMARK_TEMPLATE(BM_g722_qmf, true)->Name("BM_g722_qmf_tx")->Arg(0)->Arg(1);
BENCHMARK_TEMPLATE(BM_g722_qmf, false)->Name("BM_g722_qmf_rx")->Arg(0)->Arg(1);

}  // namespace

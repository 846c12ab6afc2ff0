// GSM 06.10 full rate: the example coder (built on voksc) against libgsm and spandsp's GSM 06.10
// on the same speech, and the vector kernels against their scalar twins. BM_gsmfr_*_ratio times
// the three coders in turn on each chunk and reports the speed-ups, which is robust on a busy
// machine (it counts thread CPU time); the per-coder benchmarks report frames per second.
#include <benchmark/benchmark.h>

#include <ctime>
#include <string>
#include <vector>

#include "frame/dispatch.h"
#include "gsm/gsmfr_codec.h"
#include "gsm/gsmfr_internal.h"
#include "gsm/kernels.h"
#include "support/speech.h"

#ifdef VOKSC_HAVE_GSM
extern "C" {
#include <gsm.h>
}
#endif
#ifdef VOKSC_HAVE_SPANDSP
#include <spandsp.h>
#endif

namespace {

constexpr int kFrame = gsmfr::kFrameSamples;

// The ETSI input sequences Seq01..Seq04 (about 54 s of speech), or a synthetic voiced signal
// when they are absent.
const std::vector<int16_t>& speech() {
    static const std::vector<int16_t> s = [] {
        std::vector<int16_t> v;
        for (const char* n : {"Seq01", "Seq02", "Seq03", "Seq04"}) {
            std::vector<int16_t> seq;
            if (voksc_test::read_words(std::string(VOKSC_VECTORS_DIR) + "/gsmfr/" + n + ".inp", seq))
                v.insert(v.end(), seq.begin(), seq.end());
        }
        if (v.empty()) v = voksc_test::synthetic_voiced(400 * kFrame);
        v.resize(v.size() / kFrame * kFrame);
        for (int16_t& x : v) x = static_cast<int16_t>(x & ~7);
        return v;
    }();
    return s;
}

int frames() {
    return static_cast<int>(speech().size() / kFrame);
}

// Our packed stream of the speech, decoded by every decoder benchmark.
const std::vector<uint8_t>& packed() {
    static const std::vector<uint8_t> p = [] {
        std::vector<uint8_t> out(static_cast<size_t>(frames()) * gsmfr::kPackedBytes);
        gsmfr::Encoder enc;
        gsmfr::encoder_init(&enc);
        int16_t params[gsmfr::kFrameParams];
        for (int f = 0; f < frames(); ++f) {
            gsmfr::encode(&enc, &speech()[f * kFrame], params);
            gsmfr::pack(params, &out[f * gsmfr::kPackedBytes]);
        }
        return out;
    }();
    return p;
}

// One coder run over frames [first, first + count) of the speech.
struct Coder {
    const char* name;
    void (*encode)(int first, int count, std::vector<uint8_t>& out);
    void (*decode)(int first, int count, std::vector<int16_t>& out);
};

void ours_encode(int first, int count, std::vector<uint8_t>& out) {
    gsmfr::Encoder enc;
    gsmfr::encoder_init(&enc);
    int16_t params[gsmfr::kFrameParams];
    for (int f = 0; f < count; ++f) {
        gsmfr::encode(&enc, &speech()[(first + f) * kFrame], params);
        gsmfr::pack(params, &out[f * gsmfr::kPackedBytes]);
    }
}
void ours_decode(int first, int count, std::vector<int16_t>& out) {
    gsmfr::Decoder dec;
    gsmfr::decoder_init(&dec);
    int16_t params[gsmfr::kFrameParams];
    for (int f = 0; f < count; ++f) {
        gsmfr::unpack(&packed()[(first + f) * gsmfr::kPackedBytes], params);
        gsmfr::decode(&dec, params, &out[f * kFrame]);
    }
}

#ifdef VOKSC_HAVE_GSM
void libgsm_encode(int first, int count, std::vector<uint8_t>& out) {
    gsm g = gsm_create();
    for (int f = 0; f < count; ++f) {
        gsm_encode(g, const_cast<gsm_signal*>(&speech()[(first + f) * kFrame]),
                   &out[f * gsmfr::kPackedBytes]);
    }
    gsm_destroy(g);
}
void libgsm_decode(int first, int count, std::vector<int16_t>& out) {
    gsm g = gsm_create();
    for (int f = 0; f < count; ++f) {
        gsm_decode(g, const_cast<gsm_byte*>(&packed()[(first + f) * gsmfr::kPackedBytes]), &out[f * kFrame]);
    }
    gsm_destroy(g);
}
#endif

#ifdef VOKSC_HAVE_SPANDSP
void spandsp_encode(int first, int count, std::vector<uint8_t>& out) {
    gsm0610_state_t* s = gsm0610_init(nullptr, GSM0610_PACKING_VOIP);
    gsm0610_encode(s, out.data(), &speech()[first * kFrame], count * kFrame);
    gsm0610_free(s);
}
void spandsp_decode(int first, int count, std::vector<int16_t>& out) {
    gsm0610_state_t* s = gsm0610_init(nullptr, GSM0610_PACKING_VOIP);
    gsm0610_decode(s, out.data(), &packed()[first * gsmfr::kPackedBytes], count * gsmfr::kPackedBytes);
    gsm0610_free(s);
}
#endif

const Coder kOurs{"voksc", ours_encode, ours_decode};
#ifdef VOKSC_HAVE_GSM
const Coder kLibgsm{"libgsm", libgsm_encode, libgsm_decode};
#endif
#ifdef VOKSC_HAVE_SPANDSP
const Coder kSpandsp{"spandsp", spandsp_encode, spandsp_decode};
#endif

void run(const Coder& c, bool encode, int first, int count, std::vector<uint8_t>& bytes,
         std::vector<int16_t>& pcm) {
    if (encode)
        c.encode(first, count, bytes);
    else
        c.decode(first, count, pcm);
    benchmark::DoNotOptimize(bytes.data());
    benchmark::DoNotOptimize(pcm.data());
    benchmark::ClobberMemory();
}

// Whole speech file per iteration; items are frames.
void coder_bench(benchmark::State& state, const Coder& c, bool encode) {
    const int n = frames();
    std::vector<uint8_t> bytes(static_cast<size_t>(n) * gsmfr::kPackedBytes);
    std::vector<int16_t> pcm(static_cast<size_t>(n) * kFrame);
    for (auto _ : state) run(c, encode, 0, n, bytes, pcm);
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["ns_per_frame"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * n,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

void BM_gsmfr_encode_voksc(benchmark::State& s) {
    coder_bench(s, kOurs, true);
}
void BM_gsmfr_decode_voksc(benchmark::State& s) {
    coder_bench(s, kOurs, false);
}
BENCHMARK(BM_gsmfr_encode_voksc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_gsmfr_decode_voksc)->Unit(benchmark::kMillisecond);
#ifdef VOKSC_HAVE_GSM
void BM_gsmfr_encode_libgsm(benchmark::State& s) {
    coder_bench(s, kLibgsm, true);
}
void BM_gsmfr_decode_libgsm(benchmark::State& s) {
    coder_bench(s, kLibgsm, false);
}
BENCHMARK(BM_gsmfr_encode_libgsm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_gsmfr_decode_libgsm)->Unit(benchmark::kMillisecond);
#endif
#ifdef VOKSC_HAVE_SPANDSP
void BM_gsmfr_encode_spandsp(benchmark::State& s) {
    coder_bench(s, kSpandsp, true);
}
void BM_gsmfr_decode_spandsp(benchmark::State& s) {
    coder_bench(s, kSpandsp, false);
}
BENCHMARK(BM_gsmfr_encode_spandsp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_gsmfr_decode_spandsp)->Unit(benchmark::kMillisecond);
#endif

// CPU time of this thread, so that other processes on a shared machine do not count.
double thread_seconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The coders take turns on 50-frame chunks; the counters are our speed-up over each peer and
// over the faster of the two, from the summed times.
void ratio_bench(benchmark::State& state, bool encode) {
    std::vector<const Coder*> peers;
#ifdef VOKSC_HAVE_GSM
    peers.push_back(&kLibgsm);
#endif
#ifdef VOKSC_HAVE_SPANDSP
    peers.push_back(&kSpandsp);
#endif
    if (peers.empty()) {
        state.SkipWithError("neither libgsm nor spandsp was found");
        return;
    }
    constexpr int kChunk = 50;
    const int n = frames() / kChunk * kChunk;
    std::vector<uint8_t> bytes(static_cast<size_t>(kChunk) * gsmfr::kPackedBytes);
    std::vector<int16_t> pcm(static_cast<size_t>(kChunk) * kFrame);
    double ours = 0;
    std::vector<double> theirs(peers.size(), 0.0);
    for (auto _ : state) {
        for (int first = 0; first < n; first += kChunk) {
            double t0 = thread_seconds();
            run(kOurs, encode, first, kChunk, bytes, pcm);
            ours += thread_seconds() - t0;
            for (size_t p = 0; p < peers.size(); ++p) {
                t0 = thread_seconds();
                run(*peers[p], encode, first, kChunk, bytes, pcm);
                theirs[p] += thread_seconds() - t0;
            }
        }
    }
    double fastest = theirs[0];
    for (size_t p = 0; p < peers.size(); ++p) {
        state.counters[std::string("x_vs_") + peers[p]->name] = theirs[p] / ours;
        if (theirs[p] < fastest) fastest = theirs[p];
    }
    state.counters["x_vs_faster_peer"] = fastest / ours;
    state.counters["voksc_ns_per_frame"] = ours * 1e9 / (static_cast<double>(state.iterations()) * n);
}

void BM_gsmfr_encode_ratio(benchmark::State& s) {
    ratio_bench(s, true);
}
void BM_gsmfr_decode_ratio(benchmark::State& s) {
    ratio_bench(s, false);
}
BENCHMARK(BM_gsmfr_encode_ratio)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_gsmfr_decode_ratio)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Kernels on one frame of the pre-processed speech with the coefficients of a real frame.
bool has_avx2(benchmark::State& state) {
    if (voks::frame::detected_level() == voks::frame::Level::AVX2) return true;
    state.SkipWithError("no AVX2 on this CPU");
    return false;
}
constexpr int16_t kRefl[8] = {-28000, 19000, -9000, 6500, -3000, 2400, -1100, 700};

template <void (*Fn)(const int16_t*, int16_t*, int, int16_t*)>
void BM_gsmfr_st_analysis(benchmark::State& state) {
    if (Fn == voks::gsm::avx2::st_analysis && !has_avx2(state)) return;
    std::vector<int16_t> x(speech().begin() + 4000, speech().begin() + 4000 + kFrame);
    for (int16_t& v : x) v = static_cast<int16_t>(v >> 3);
    std::vector<int16_t> work(kFrame);
    int16_t u[8] = {};
    for (auto _ : state) {
        work = x;
        Fn(kRefl, work.data(), kFrame, u);
        benchmark::DoNotOptimize(work.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrame);
}
template <void (*Fn)(const int16_t*, const int16_t*, int16_t*, int, int16_t*)>
void BM_gsmfr_st_synthesis(benchmark::State& state) {
    if (Fn == voks::gsm::avx2::st_synthesis && !has_avx2(state)) return;
    // The residual of the analysis filter, so the synthesis output is speech-like (scaled so
    // that no step saturates, as in normal decoding).
    std::vector<int16_t> e(speech().begin() + 4000, speech().begin() + 4000 + kFrame);
    for (int16_t& v : e) v = static_cast<int16_t>(v >> 3);
    int16_t u[8] = {};
    voks::gsm::scalar::st_analysis(kRefl, e.data(), kFrame, u);
    std::vector<int16_t> out(kFrame);
    int16_t v[9] = {};
    for (auto _ : state) {
        Fn(kRefl, e.data(), out.data(), kFrame, v);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrame);
}
template <void (*Fn)(const int16_t*, int16_t*, int)>
void BM_gsmfr_weighting(benchmark::State& state) {
    if (Fn == voks::gsm::avx2::weighting && !has_avx2(state)) return;
    std::vector<int16_t> x(speech().begin() + 4000, speech().begin() + 4050);
    std::vector<int16_t> y(40);
    for (auto _ : state) {
        Fn(x.data() + 5, y.data(), 40);
        benchmark::DoNotOptimize(y.data());
    }
    state.SetItemsProcessed(state.iterations() * 40);
}

BENCHMARK(BM_gsmfr_st_analysis<voks::gsm::scalar::st_analysis>)->Name("BM_gsmfr_st_analysis/scalar");
BENCHMARK(BM_gsmfr_st_analysis<voks::gsm::avx2::st_analysis>)->Name("BM_gsmfr_st_analysis/avx2");
BENCHMARK(BM_gsmfr_st_synthesis<voks::gsm::scalar::st_synthesis>)->Name("BM_gsmfr_st_synthesis/scalar");
BENCHMARK(BM_gsmfr_st_synthesis<voks::gsm::avx2::st_synthesis>)->Name("BM_gsmfr_st_synthesis/avx2");
BENCHMARK(BM_gsmfr_weighting<voks::gsm::scalar::weighting>)->Name("BM_gsmfr_weighting/scalar");
BENCHMARK(BM_gsmfr_weighting<voks::gsm::avx2::weighting>)->Name("BM_gsmfr_weighting/avx2");

}  // namespace

// AMR-WB encoder operations with the kernel tables forced to the scalar level (last argument 0)
// and to AVX2 (1): the algebraic codebook searches, the closed-loop and open-loop pitch searches
// and the LP residual, on speech from the official test sequence (a synthetic voiced signal when
// it is absent) with a decaying impulse response.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "frame/dispatch.h"
#include "support/files.h"
#include "support/speech.h"
#include "voksc.h"

namespace {

using voks::frame::Level;

const std::vector<int16_t>& speech() {
    static const std::vector<int16_t> s = [] {
        std::vector<int16_t> v;
        if (!voksc_test::read_words(std::string(VOKSC_VECTORS_DIR) + "/amrwb/tst.inp", v) || v.size() < 32000)
            v = voksc_test::synthetic_voiced(64000);
        return v;
    }();
    return s;
}

class ForcedLevel {
public:
    explicit ForcedLevel(benchmark::State& state, int arg) {
        const Level want = state.range(arg) ? Level::AVX2 : Level::Scalar;
        ok_ = voks::frame::force_level(want) == want;
        if (!ok_) state.SkipWithError("level not available on this CPU");
    }
    ~ForcedLevel() { voks::frame::force_level(voks::frame::detected_level()); }
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

// Subframe k of the speech: target, residual, impulse response and past excitation.
struct Subframe {
    int16_t x[64], cn[64], h[64], exc[248 + 65];
    explicit Subframe(int k) {
        const int16_t* s = speech().data() + 3000 + 64 * k;
        for (int i = 0; i < 64; ++i) {
            x[i] = static_cast<int16_t>(s[i] >> 1);
            cn[i] = static_cast<int16_t>((s[i] - s[i - 1]) >> 1);
        }
        int32_t v = 4096;
        for (int i = 0; i < 64; ++i) {
            h[i] = static_cast<int16_t>(i % 7 == 3 ? -v / 2 : v);
            v = (v * 26000) >> 15;
        }
        for (int i = 0; i < 248 + 65; ++i) exc[i] = static_cast<int16_t>(s[i - 248] >> 2);
    }
};

void BM_amrwb_algebraic_search(benchmark::State& state) {
    ForcedLevel level(state, 1);
    if (!level.ok()) return;
    const int mode = static_cast<int>(state.range(0));
    std::vector<Subframe> sf;
    for (int k = 0; k < 16; ++k) sf.emplace_back(k * 5);
    int16_t code[64], y[64], index[8];
    size_t k = 0;
    for (auto _ : state) {
        const Subframe& s = sf[k++ % sf.size()];
        voksAlgebraicCodebookSearch_AMRWB_16s(s.x, s.cn, s.h, code, y, mode, index);
        benchmark::DoNotOptimize(index);
    }
}
BENCHMARK(BM_amrwb_algebraic_search)
    ->ArgsProduct({{vokRate6600, vokRate8850, vokRate12650, vokRate19850, vokRate23850}, {0, 1}});

void BM_amrwb_adaptive_search(benchmark::State& state) {
    ForcedLevel level(state, 1);
    if (!level.ok()) return;
    const int sub = static_cast<int>(state.range(0));
    std::vector<Subframe> sf;
    for (int k = 0; k < 16; ++k) sf.emplace_back(k * 5);
    int16_t top[2] = {90, 90}, t0, bounds[2] = {82, 97}, frac, index, exc[248 + 65];
    size_t k = 0;
    for (auto _ : state) {
        const Subframe& s = sf[k++ % sf.size()];
        std::memcpy(exc, s.exc, sizeof exc);
        voksAdaptiveCodebookSearch_AMRWB_16s(s.x, s.h, top, &t0, bounds, exc + 248, &frac, &index, sub,
                                             vokRate12650);
        benchmark::DoNotOptimize(index);
    }
}
BENCHMARK(BM_amrwb_adaptive_search)->ArgsProduct({{0, 1}, {0, 1}});

void BM_amrwb_open_loop(benchmark::State& state) {
    ForcedLevel level(state, 0);
    if (!level.ok()) return;
    // Weighted speech at 6.4 kHz stand-in: every other sample, halved.
    std::vector<int16_t> wsp(115 + 128 * 16), hp(wsp.size());
    for (size_t i = 0; i < wsp.size(); ++i) {
        wsp[i] = static_cast<int16_t>(speech()[2000 + 2 * i] >> 1);
        hp[i] = static_cast<int16_t>(wsp[i] - (i ? wsp[i - 1] : 0));
    }
    int16_t med = 40, ada = 0, lag, tone = 0, gain, lags[5] = {40, 40, 40, 40, 40}, flag = 0;
    size_t k = 0;
    for (auto _ : state) {
        const size_t at = 115 + 128 * (k++ % 16);
        voksOpenLoopPitchSearch_AMRWB_16s(wsp.data() + at, hp.data() + at, &med, &ada, &lag, &tone, &gain,
                                          lags, &flag, 128);
        benchmark::DoNotOptimize(lag);
    }
}
BENCHMARK(BM_amrwb_open_loop)->Arg(0)->Arg(1);

void BM_amrwb_residual(benchmark::State& state) {
    ForcedLevel level(state, 0);
    if (!level.ok()) return;
    const Vok16s a[17] = {4096, -5000, 3000, -1500, 800, -400, 300, -200, 150,
                          -100, 80,    -60,  40,    -30, 20,   -10, 5};
    const int16_t* x = speech().data() + 4000;
    int16_t y[256];
    for (auto _ : state) {
        voksResidualFilter_AMRWB_16s_Sfs(a, 16, x, y, 256, 10);
        benchmark::DoNotOptimize(y);
    }
}
BENCHMARK(BM_amrwb_residual)->Arg(0)->Arg(1);

}  // namespace

namespace {

void BM_amrwb_isf_quant(benchmark::State& state) {
    ForcedLevel level(state, 0);
    if (!level.ok()) return;
    const Vok16s isf[16] = {400,  1100, 2100, 3000,  3900,  4900,  5800,  6700,
                            7700, 8600, 9500, 10400, 11400, 12300, 13200, 5500};
    Vok16s past[16] = {}, q[16], index[7];
    for (auto _ : state) {
        voksISFQuant_AMRWB_16s(isf, past, q, index, vokRate12650);
        benchmark::DoNotOptimize(index);
    }
}
BENCHMARK(BM_amrwb_isf_quant)->Arg(0)->Arg(1);

}  // namespace

namespace {

// A subframe of the decoder's synthesis: LP filter of a typical ISF vector, speech-like excitation.
void BM_amrwb_synthesis_32(benchmark::State& state) {
    ForcedLevel level(state, 0);
    if (!level.ok()) return;
    const Vok16s isf[16] = {400,  1100, 2100, 3000,  3900,  4900,  5800,  6700,
                            7700, 8600, 9500, 10400, 11400, 12300, 13200, 5500};
    Vok16s isp[16], a[17], exc[64];
    voksISFToISP_AMRWB_16s(isf, isp, 16);
    voksISPToLPC_AMRWB_16s(isp, a, 16);
    for (int i = 0; i < 64; ++i) exc[i] = static_cast<Vok16s>(speech()[5000 + i] >> 3);
    Vok32s sig[16 + 64] = {};
    for (auto _ : state) {
        voksSynthesisFilter_AMRWB_16s32s_I(a, 16, exc, sig + 16, 64);
        std::memcpy(sig, sig + 64, 16 * sizeof *sig);
        benchmark::DoNotOptimize(sig);
    }
}
BENCHMARK(BM_amrwb_synthesis_32)->Arg(0)->Arg(1);

}  // namespace

namespace {

// The decoder's 400 Hz high-pass filter (order 2) over a 256-sample frame of speech.
void BM_amrwb_highpass(benchmark::State& state) {
    const Vok16s b[3] = {915, -1830, 915}, a[3] = {16384, 29280, -14160};
    std::vector<uint8_t> block(64);
    auto* st = reinterpret_cast<VokHighPassFilterState_AMRWB*>(block.data());
    voksHighPassFilterInit_AMRWB_16s(b, a, 2, st);
    Vok16s x[256];
    for (auto _ : state) {
        std::memcpy(x, speech().data() + 6000, sizeof x);
        voksHighPassFilter_AMRWB_16s_ISfs(x, 256, st, 15);
        benchmark::DoNotOptimize(x);
    }
}
BENCHMARK(BM_amrwb_highpass);

}  // namespace

namespace {

// The joint gain quantiser of a subframe (7-bit codebook), from the pitch-gain coefficients.
void BM_amrwb_gain_quant(benchmark::State& state) {
    ForcedLevel level(state, 0);
    if (!level.ok()) return;
    Subframe s(7);
    Vok16s y1[64], code[64], y2[64], coeff[4], gp;
    for (int i = 0; i < 64; ++i) {
        y1[i] = static_cast<Vok16s>(s.x[i] - s.cn[i] / 2);
        code[i] = static_cast<Vok16s>(i % 9 == 0 ? 512 : 0);
        y2[i] = static_cast<Vok16s>(s.h[i] / 8);
    }
    voksAdaptiveCodebookGainCoeff_AMRWB_16s(s.x, y1, coeff, &gp, 64);
    for (auto _ : state) {
        Vok16s past[4] = {-14336, -14336, -14336, -14336}, g = gp, index;
        Vok32s gc;
        voksGainQuant_AMRWB_16s(s.x, y1, 0, code, y2, coeff, past, &g, &gc, 0, &index, 64, vokRate12650);
        benchmark::DoNotOptimize(index);
    }
}
BENCHMARK(BM_amrwb_gain_quant)->Arg(0)->Arg(1);

}  // namespace

namespace {

// The ISP root search of an order-16 LP filter.
void BM_amrwb_lpc_to_isp(benchmark::State& state) {
    ForcedLevel level(state, 0);
    if (!level.ok()) return;
    const Vok16s isf[16] = {400,  1100, 2100, 3000,  3900,  4900,  5800,  6700,
                            7700, 8600, 9500, 10400, 11400, 12300, 13200, 5500};
    Vok16s isp[16], a[17], out[16];
    voksISFToISP_AMRWB_16s(isf, isp, 16);
    voksISPToLPC_AMRWB_16s(isp, a, 16);
    for (auto _ : state) {
        voksLPCToISP_AMRWB_16s(a, out, isp);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_amrwb_lpc_to_isp)->Arg(0)->Arg(1);

}  // namespace

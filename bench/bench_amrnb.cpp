// GSM-AMR operations: time per call of the encoder's heavy steps on speech (the open-loop pitch
// search, the closed-loop pitch search, the algebraic codebook searches of each structure, the
// LSP quantisers, the VADs and the post-filter), to show where vector twins would pay; and each
// kernel twin against its scalar definition.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "amrnb/kernels.h"
#include "frame/dispatch.h"
#include "g729/lp_tables.h"
#include "support/speech.h"
#include "voksc.h"

namespace {

const std::vector<int16_t>& signal() {
    static const std::vector<int16_t> s = voksc_test::synthetic_voiced(400 * 160);
    return s;
}

// A speech window and the LP filter of the frame it starts.
struct Frame {
    std::vector<int16_t> x;
    Vok16s a[44], lsp[20];
    explicit Frame(int k) : x(signal().begin() + 160 * k, signal().begin() + 160 * k + 400) {
        Vok32s r[22];
        voksAutoCorr_GSMAMR_16s32s(x.data(), r, vokRate12200);
        for (int w = 0; w < 2; ++w) {
            Vok16s lpc[11] = {4096};
            voksLevinsonDurbin_GSMAMR_32s16s(r + 11 * w, lpc);
            const Vok16s init[10] = {30000, 26000, 21000, 15000, 8000, 0, -8000, -15000, -21000, -26000};
            voksLPCToLSP_GSMAMR_16s(lpc, init, lsp + 10 * w);
            for (int s = 0; s < 2; ++s) std::memcpy(a + 11 * (2 * w + s), lpc, sizeof lpc);
        }
    }
};

void BM_amrnb_open_loop(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    Frame f(10);
    Vok16s med = 40, w = 0, lags[5] = {}, wsp[143] = {}, lag[2], gf[2];
    for (auto _ : state) {
        voksOpenLoopPitchSearchNonDTX_GSMAMR_16s(f.a, f.a, f.x.data(), &med, &w, lags, wsp, lag, gf, mode);
        benchmark::DoNotOptimize(lag);
    }
}
BENCHMARK(BM_amrnb_open_loop)->Arg(vokRate4750)->Arg(vokRate10200)->Arg(vokRate12200);

void BM_amrnb_adaptive_search(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    Frame f(20);
    Vok16s exc[194], h[40], xn[40], t_op[2] = {60, 60}, prev = 60, frac, index, v[40];
    std::memcpy(exc, f.x.data(), sizeof exc);
    std::memcpy(xn, f.x.data() + 200, sizeof xn);
    Vok16s ap[11];
    std::memcpy(ap, f.a, sizeof ap);
    voksImpulseResponseTarget_GSMAMR_16s(f.x.data(), ap, ap, ap, xn, xn, h, v, v);
    for (auto _ : state) {
        voksAdaptiveCodebookSearch_GSMAMR_16s(xn, h, t_op, &prev, exc, &frac, &index, v, 1, mode);
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_amrnb_adaptive_search)->Arg(vokRate4750)->Arg(vokRate12200);

void BM_amrnb_algebraic_search(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    Frame f(30);
    Vok16s h0[40], xn[40], res[40], h[40], code[40], y[40], words[10];
    Vok16s ap[11];
    std::memcpy(ap, f.a, sizeof ap);
    voksImpulseResponseTarget_GSMAMR_16s(f.x.data(), ap, ap, ap, f.x.data() + 100, f.x.data() + 120, h0, res,
                                         xn);
    for (auto _ : state) {
        std::memcpy(h, h0, sizeof h);
        voksAlgebraicCodebookSearch_GSMAMR_16s(60, 8000, xn, res, h, code, y, words, 1, mode);
        benchmark::DoNotOptimize(words);
    }
}
BENCHMARK(BM_amrnb_algebraic_search)
    ->Arg(vokRate4750)
    ->Arg(vokRate5900)
    ->Arg(vokRate6700)
    ->Arg(vokRate7400)
    ->Arg(vokRate10200)
    ->Arg(vokRate12200);

void BM_amrnb_lsp_quant(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    Frame f(40);
    Vok16s rq[10] = {}, q[20], idx[5];
    for (auto _ : state) {
        voksLSPQuant_GSMAMR_16s(mode == vokRate12200 ? f.lsp : f.lsp + 10, rq, q, idx, mode);
        benchmark::DoNotOptimize(idx);
    }
}
BENCHMARK(BM_amrnb_lsp_quant)->Arg(vokRate4750)->Arg(vokRate7950)->Arg(vokRate12200);

void BM_amrnb_vad(benchmark::State& state) {
    VokVadState1_GSMAMR v1{};
    for (int i = 0; i < 9; ++i) v1.oldLevel[i] = v1.aveLevel[i] = v1.bckrEst[i] = 150;
    v1.corrHpFast = 13106;
    VokVadState2_GSMAMR v2{};
    int k = 0;
    for (auto _ : state) {
        Vok16s flag;
        const int16_t* x = signal().data() + 160 * (k++ % 390);
        if (state.range(0) == 1)
            voksVAD1_GSMAMR_16s(x, &v1, &flag, 15000, 0);
        else
            voksVAD2_GSMAMR_16s(x, &v2, &flag, 0);
        benchmark::DoNotOptimize(flag);
    }
}
BENCHMARK(BM_amrnb_vad)->Arg(1)->Arg(2);

void BM_amrnb_post_filter(benchmark::State& state) {
    Frame f(50);
    Vok16s pre = 0, gain = 4096, hist[10] = {}, mem[10] = {}, out[160];
    for (auto _ : state) {
        voksPostFilter_GSMAMR_16s(f.a, f.x.data(), &pre, &gain, hist, mem, out, vokRate12200);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_amrnb_post_filter);

// One 12.2 kbit/s pair stage (8 x 8 candidates, positive energies) and one 256-entry LSF
// distance table, at the scalar and the AVX2 level.
template <int Level>
void BM_amrnb_pair_stage(benchmark::State& state) {
    const auto level = static_cast<voks::frame::Level>(Level);
    if (voks::frame::force_level(level) != level) return state.SkipWithError("level not supported");
    const auto& k = voks::amrnb::kernels_for(level);
    int16_t ps1[8], dn[8], rr[40 * 8];
    int32_t alp1[8], rrv2[8];
    for (int i = 0; i < 8; ++i) {
        ps1[i] = static_cast<int16_t>(3000 + 411 * i);
        dn[i] = static_cast<int16_t>(5000 - 377 * i);
        alp1[i] = (200 + 13 * i) << 16;
        rrv2[i] = (97 * i - 300) << 14;
        for (int c = 0; c < 40; ++c)
            rr[40 * i + c] = static_cast<int16_t>((i * 7919 + c * 104729) % 400 - 200);
    }
    voks::amrnb::PairBest best;
    for (auto _ : state) {
        k.pair_stage(ps1, alp1, dn, rrv2, rr, 8192, 8, best);
        benchmark::DoNotOptimize(best);
    }
    voks::frame::force_level(voks::frame::detected_level());
}
BENCHMARK(BM_amrnb_pair_stage<0>)->Name("BM_amrnb_pair_stage/scalar");
BENCHMARK(BM_amrnb_pair_stage<1>)->Name("BM_amrnb_pair_stage/avx2");

template <int Level>
void BM_amrnb_lsf_dist4(benchmark::State& state) {
    const auto level = static_cast<voks::frame::Level>(Level);
    if (voks::frame::force_level(level) != level) return state.SkipWithError("level not supported");
    const auto& k = voks::amrnb::kernels_for(level);
    std::vector<int16_t> cb(4 * 256);
    for (size_t i = 0; i < cb.size(); ++i) cb[i] = static_cast<int16_t>((i * 2654435761u) % 1600 - 800);
    const int16_t r[4] = {120, -340, 55, 610}, w[4] = {9000, 7000, 12000, 5000};
    uint32_t h[256];
    for (auto _ : state) {
        k.lsf_dist4(r, w, cb.data(), 256, 1, h);
        benchmark::DoNotOptimize(h);
    }
    voks::frame::force_level(voks::frame::detected_level());
}
BENCHMARK(BM_amrnb_lsf_dist4<0>)->Name("BM_amrnb_lsf_dist4/scalar");
BENCHMARK(BM_amrnb_lsf_dist4<1>)->Name("BM_amrnb_lsf_dist4/avx2");

template <int Level>
void BM_amrnb_dots(benchmark::State& state) {
    const auto level = static_cast<voks::frame::Level>(Level);
    if (voks::frame::force_level(level) != level) return state.SkipWithError("level not supported");
    const auto& k = voks::amrnb::kernels_for(level);
    const int16_t* x = signal().data() + 8000;
    int64_t xy, yy;
    for (auto _ : state) {
        k.dots(x, x + 57, 40, xy, yy);
        benchmark::DoNotOptimize(xy);
        benchmark::DoNotOptimize(yy);
    }
    voks::frame::force_level(voks::frame::detected_level());
}
BENCHMARK(BM_amrnb_dots<0>)->Name("BM_amrnb_dots40/scalar");
BENCHMARK(BM_amrnb_dots<1>)->Name("BM_amrnb_dots40/avx2");

// The 12.2 kbit/s correlation matrix in the track layout and the pulse-pair search over it, on
// a decaying impulse response, at the scalar and the AVX2 level.
template <int Level>
void BM_amrnb_search12k2(benchmark::State& state) {
    const auto level = static_cast<voks::frame::Level>(Level);
    if (voks::frame::force_level(level) != level) return state.SkipWithError("level not supported");
    const auto& k = voks::amrnb::kernels_for(level);
    int16_t h2[40], sign[40], dn[40], rr[1600], pos_max[5] = {};
    for (int i = 0; i < 40; ++i) {
        h2[i] = static_cast<int16_t>((i * 7919 % 2001 - 1000) * (40 - i) / 8);
        sign[i] = (i * 104729) % 3 ? 32767 : -32767;
        dn[i] = static_cast<int16_t>((i * 2654435761u) % 9000);
    }
    for (int t = 0; t < 5; ++t)
        for (int j = 8 * t; j < 8 * t + 8; ++j)
            if (dn[j] > dn[pos_max[t]] || j == 8 * t) pos_max[t] = static_cast<int16_t>(j);
    for (auto _ : state) {
        const int16_t off = k.cor_matrix(h2, sign, 8, rr);
        int16_t ipos[10] = {0, 1, 2, 3, 4, 0, 1, 2, 3, 4};
        int codvec[10];
        k.search_pairs(10, dn, rr, ipos, pos_max, off, codvec);
        benchmark::DoNotOptimize(codvec);
    }
    voks::frame::force_level(voks::frame::detected_level());
}
BENCHMARK(BM_amrnb_search12k2<0>)->Name("BM_amrnb_search12k2/scalar");
BENCHMARK(BM_amrnb_search12k2<1>)->Name("BM_amrnb_search12k2/avx2");
// The LSP search's Chebyshev series at the 61 grid points, and 40-sample synthesis runs (one, and
// two side by side) through a frame's LP filter.
template <int Level>
void BM_amrnb_cheb_grid(benchmark::State& state) {
    const auto level = static_cast<voks::frame::Level>(Level);
    if (voks::frame::force_level(level) != level) return state.SkipWithError("level not supported");
    const auto& k = voks::amrnb::kernels_for(level);
    Frame fr(30);
    int16_t f[6] = {1024};
    for (int i = 0; i < 5; ++i) f[i + 1] = static_cast<int16_t>(((fr.a[i + 1] + fr.a[10 - i]) >> 2) - f[i]);
    int16_t y[61];
    for (auto _ : state) {
        k.cheb_grid(f, voks::g729::kGrid60, 61, y);
        benchmark::DoNotOptimize(y);
    }
    voks::frame::force_level(voks::frame::detected_level());
}
BENCHMARK(BM_amrnb_cheb_grid<0>)->Name("BM_amrnb_cheb_grid61/scalar");
BENCHMARK(BM_amrnb_cheb_grid<1>)->Name("BM_amrnb_cheb_grid61/avx2");

template <int Level, bool Two>
void BM_amrnb_syn_run(benchmark::State& state) {
    const auto level = static_cast<voks::frame::Level>(Level);
    if (voks::frame::force_level(level) != level) return state.SkipWithError("level not supported");
    const auto& k = voks::amrnb::kernels_for(level);
    Frame fr(40);
    int16_t x0[40], x1[40], y0[50] = {}, y1[50] = {};
    for (int i = 0; i < 40; ++i) {
        x0[i] = static_cast<int16_t>(fr.x[i] / 8);
        x1[i] = static_cast<int16_t>(fr.x[i + 40] / 8);
    }
    int count[2];
    for (auto _ : state) {
        if (Two)
            k.syn_run2(fr.a, x0, y0 + 10, x1, y1 + 10, 40, count);
        else
            count[0] = k.syn_run(fr.a, x0, y0 + 10, 40);
        benchmark::DoNotOptimize(y0);
        benchmark::DoNotOptimize(y1);
        benchmark::DoNotOptimize(count);
    }
    voks::frame::force_level(voks::frame::detected_level());
}
BENCHMARK(BM_amrnb_syn_run<0, false>)->Name("BM_amrnb_syn_run40/scalar");
BENCHMARK(BM_amrnb_syn_run<1, false>)->Name("BM_amrnb_syn_run40/avx2");
BENCHMARK(BM_amrnb_syn_run<0, true>)->Name("BM_amrnb_syn_run2x40/scalar");
BENCHMARK(BM_amrnb_syn_run<1, true>)->Name("BM_amrnb_syn_run2x40/avx2");

}  // namespace

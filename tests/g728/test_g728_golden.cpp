// G.728 operations against the fixed-point reference routines (G.728 Annex G coder, ITU-T
// G.191 STL g728fixed): the reference ran the record sequence below, generated from one seed,
// and its outputs were hashed per operation group (tests/data/g728/golden_digests.txt). The
// inputs mix coloured noise of every level, silence and full-scale alternation; states carry
// over from record to record as in a coder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "g728/g728_consts.h"
#include "support/levels.h"
#include "voksc.h"

namespace {

struct Rng {
    uint64_t s;
    uint64_t next() {
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int range(int lo, int hi) { return lo + static_cast<int>(next() % uint64_t(hi - lo + 1)); }
};

struct Digest {
    uint64_t h = 1469598103934665603ull;
    void add(int32_t v) {
        for (int k = 0; k < 4; ++k) h = (h ^ ((uint32_t(v) >> (8 * k)) & 0xFF)) * 1099511628211ull;
    }
    void add(const int16_t* p, int n) {
        for (int i = 0; i < n; ++i) add(p[i]);
    }
};

// Silence, full-scale alternation or a second-order resonance driven by noise of a random level.
void signal(Rng& g, int16_t* x, int n, int maxabs) {
    const int kind = g.range(0, 9);
    if (kind == 0) {
        std::fill(x, x + n, int16_t{0});
        return;
    }
    if (kind == 1) {
        for (int i = 0; i < n; ++i) x[i] = static_cast<int16_t>(i % 2 ? -maxabs - 1 : maxabs);
        return;
    }
    const int c1 = g.range(-30000, 30000), c2 = g.range(0, 14000), amp = g.range(0, 13);
    int64_t y1 = 0, y2 = 0;
    for (int i = 0; i < n; ++i) {
        int64_t v = ((c1 * y1 - c2 * y2) >> 14) + g.range(-(1 << amp), 1 << amp);
        v = std::clamp<int64_t>(v, -maxabs - 1, maxabs);
        y2 = y1;
        y1 = v;
        x[i] = static_cast<int16_t>(v);
    }
}

template <class T>
std::vector<unsigned char> state(VokStatus (*size)(int*)) {
    int n = 0;
    size(&n);
    return std::vector<unsigned char>(n);
}
template <class T>
T* as(std::vector<unsigned char>& v) {
    return reinterpret_cast<T*>(v.data());
}

std::vector<unsigned char> window(const int16_t* w, int m, int nonr, int nnew, int block, int factor) {
    int n = 0;
    voksWinHybridGetStateSize_G728_16s(m, nonr, nnew, block, &n);
    std::vector<unsigned char> s(n);
    voksWinHybridInit_G728_16s(w, m, nonr, nnew, block, factor, as<VokG728WinHybridState>(s));
    return s;
}

// Levinson-Durbin of order 10 (and on to 50) on an autocorrelation, hashed.
void recursion(const int16_t* r, int order, Digest& d, int16_t* a = nullptr, int16_t* aq = nullptr) {
    int16_t lpc[50], rc, alpha, q;
    VokStatus st = voksLevinsonDurbin_G728_16s_Sfs(r, 10, lpc, &rc, &alpha, &q);
    d.add(st == vokStatusOk);
    if (st != vokStatusOk) return;
    d.add(lpc, 10);
    d.add(rc), d.add(alpha), d.add(q);
    if (order == 10) return;
    st = voksLevinsonDurbin_G728_16s_ISfs(r, 10, order, lpc, &alpha, &q);
    d.add(st == vokStatusOk);
    if (st != vokStatusOk) return;
    d.add(lpc, order);
    d.add(alpha), d.add(q);
    std::copy(lpc, lpc + order, a);
    *aq = q;
}

std::map<std::string, uint64_t> run_records(int count) {
    using namespace g728ex;
    auto sw = window(kWinWeighting, 10, 30, 20, 0, 8192), sg = window(kWinGain, 10, 20, 4, 0, 12288),
         ss = window(kWinSynthesis, 50, 35, 20, 5, 12288);
    auto comb = state<void>(voksCombinedFilterGetStateSize_G728_16s);
    auto syn = state<void>(voksSynthesisFilterGetStateSize_G728_16s);
    auto iir = state<void>(voksIIR16sGetStateSize_G728_16s);
    auto ad = state<void>(voksPostFilterAdapterGetStateSize_G728);
    voksCombinedFilterInit_G728_16s(as<VokG728CombinedFilterState>(comb));
    voksSynthesisFilterInit_G728_16s(as<VokG728SynthesisFilterState>(syn));
    voksIIR16sInit_G728_16s(as<VokG728IIR16sState>(iir));
    voksPostFilterAdapterStateInit_G728(as<VokG728PostFilterAdapterState>(ad));
    Digest dw, dg, ds, dz, dy, dh, dc, dl, dp, di;
    int16_t a50[50] = {}, coeffs[70] = {}, r[51];
    Rng g{20261206};
    for (int rec = 0; rec < count; ++rec) {
        int16_t x[105];
        signal(g, x, 60, 16383);
        dw.add(voksWinHybrid_G728_16s(1, x, r, as<VokG728WinHybridState>(sw)));
        dw.add(r, 11);
        recursion(r, 10, dw);
        signal(g, x, 34, 16383);
        for (int i = 0; i < 34; ++i) x[i] = static_cast<int16_t>(std::clamp(x[i] - 4000, -16384, 16383));
        dg.add(voksWinHybrid_G728_16s(1, x, r, as<VokG728WinHybridState>(sg)));
        dg.add(r, 11);
        recursion(r, 10, dg);
        // Synthesis analysis on 21 block-floating-point vectors.
        int16_t blocks[21 * 6], scale, aq = 0;
        signal(g, x, 105, 8191);
        for (int b = 0; b < 21; ++b) {
            blocks[b * 6] = static_cast<int16_t>(g.range(0, 7) == 0 ? 30 : g.range(6, 20));
            std::copy(x + 5 * b, x + 5 * b + 5, blocks + b * 6 + 1);
        }
        ds.add(voksWinHybridBlock_G728_16s(1, blocks, r, &scale, as<VokG728WinHybridState>(ss)));
        ds.add(r, 51);
        int16_t a[50];
        recursion(r, 50, ds, a, &aq);
        if (aq == 14) std::copy(a, a + 50, a50);
        // Combined filter: ringing, then an excitation of random level and exponent.
        for (int i = 0; i < 20; ++i) coeffs[50 + i] = static_cast<int16_t>(g.range(-8000, 8000) >> (i % 10));
        int16_t out[5], w[5], q, exc[6];
        voksCombinedFilterZeroInput_G728_16s(coeffs + 50, out, a50, as<VokG728CombinedFilterState>(comb));
        dz.add(out, 5);
        std::copy(a50, a50 + 50, coeffs);
        exc[0] = static_cast<int16_t>(g.range(-2, 16));
        signal(g, exc + 1, 5, 32767);
        voksCombinedFilterZeroState_G728_16s(exc, coeffs, out, 0, &q, w,
                                             as<VokG728CombinedFilterState>(comb));
        dz.add(out, 5);
        dz.add(q);
        voksSyntesisFilterZeroInput_G728_16s(a50, out, 1, &q, w, as<VokG728SynthesisFilterState>(syn));
        dy.add(out, 5);
        dy.add(q);
        // Codebook: energies for a random impulse response, then a search.
        int16_t h[5] = {0, 0, 0, 0, 8192}, y2[128], t[6], word, sel[2];
        for (int i = 0; i < 4; ++i) h[i] = static_cast<int16_t>(g.range(-2048, 2048) >> g.range(0, 6));
        voksImpulseResponseEnergy_G728_16s(h, y2);
        dh.add(y2, 128);
        t[0] = static_cast<int16_t>(g.range(-6, 26));
        signal(g, t + 1, 5, 32767);
        voksCodebookSearch_G728_16s(t, h, y2, &word, sel, vokRate16000);
        dc.add(sel[1]), dc.add(sel[0]);
        // Post-filter adapter: residual, then the pitch of a pulse train in noise.
        int16_t apf[10], st[5], res[5];
        for (int i = 0; i < 10; ++i) apf[i] = static_cast<int16_t>(g.range(-16384, 16384) >> (i / 2));
        signal(g, st, 5, 32767);
        voksLPCInverseFilter_G728_16s(st, apf, res, as<VokG728PostFilterAdapterState>(ad));
        dl.add(res, 5);
        int16_t pitchd[240];
        const int period = g.range(20, 140), amp = g.range(0, 3000);
        signal(g, pitchd, 240, 1000);
        for (int i = 0; i < 240; i += period) pitchd[i] = static_cast<int16_t>(pitchd[i] / 2 + amp);
        int kp = g.range(20, 140);
        voksPitchPeriodExtraction_G728_16s(pitchd, &kp, as<VokG728PostFilterAdapterState>(ad));
        dp.add(kp);
        // Pole-zero filter of weighting-filter size.
        int16_t c[20], xi[5], yo[5];
        for (int i = 0; i < 20; ++i) c[i] = static_cast<int16_t>(g.range(-12000, 12000) >> (i % 10));
        signal(g, xi, 5, 16383);
        voksIIR16s_G728_16s(c, xi, yo, 5, as<VokG728IIR16sState>(iir));
        di.add(yo, 5);
    }
    return {{"weighting", dw.h}, {"loggain", dg.h}, {"synthesis", ds.h}, {"combined", dz.h},
            {"ringing", dy.h},   {"energy", dh.h},  {"search", dc.h},    {"inverse", dl.h},
            {"pitch", dp.h},     {"iir", di.h}};
}

std::map<std::string, uint64_t> stored(int& count) {
    std::map<std::string, uint64_t> m;
    std::ifstream f(std::string(VOKSC_TEST_DATA_DIR) + "/g728/golden_digests.txt");
    std::string line;
    while (std::getline(f, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream in(line);
        std::string name, hex;
        in >> name >> hex;
        if (name == "records")
            count = std::stoi(hex);
        else
            m[name] = std::stoull(hex, nullptr, 16);
    }
    return m;
}

class G728Golden : public voksc_test::LevelTest<> {};

TEST_P(G728Golden, EqualsReferenceRoutines) {
    int count = 0;
    const auto want = stored(count);
    ASSERT_EQ(want.size(), 10u) << "tests/data/g728/golden_digests.txt";
    const auto got = run_records(count);
    for (const auto& [name, h] : want) EXPECT_EQ(got.at(name), h) << name;
}

INSTANTIATE_TEST_SUITE_P(Levels, G728Golden, voksc_test::every_level());

}  // namespace

// G.728 states: a block copied with memcpy to any address mid-stream continues the stream.
#include <vector>

#include "g728/g728_consts.h"
#include "support/speech.h"
#include "support/state_copy.h"

namespace {

constexpr int kVectors = 48;  // per half

using Run = std::function<std::vector<int32_t>(void*, const int16_t* x)>;

// A kind whose run makes one call per 5-sample vector of the half, on the signal x.
voksc_test::StateKind kind(const char* name, size_t bytes, std::function<void(void*)> init,
                           const std::vector<int16_t>& x, Run per_vector) {
    return {name, bytes, 1, true, std::move(init), [&x, per_vector](void* st, int h) {
                std::vector<int32_t> out;
                for (int v = 0; v < kVectors; ++v) {
                    const auto w = per_vector(st, x.data() + 5 * (h * kVectors + v) + 140);
                    out.insert(out.end(), w.begin(), w.end());
                }
                return out;
            }};
}

template <class T>
T* as(void* p) {
    return static_cast<T*>(p);
}

int win_bytes() {
    int n = 0;
    voksWinHybridGetStateSize_G728_16s(10, 30, 20, 0, &n);
    return n;
}

TEST(G728State, MidStreamCopiesContinue) {
    std::vector<int16_t> x = voksc_test::synthetic_voiced(10 * kVectors + 300);
    for (int16_t& v : x) v = static_cast<int16_t>(v >> 1);
    int16_t lpc[70] = {-16000, 7000, -2000, 500}, apf[10] = {-12000, 4000};
    for (int i = 50; i < 70; ++i) lpc[i] = static_cast<int16_t>((i < 60 ? 5000 : -2500) >> (i % 10));
    std::vector<voksc_test::StateKind> kinds;
    kinds.push_back(kind(
        "combined filter", voksc_test::state_bytes(voksCombinedFilterGetStateSize_G728_16s),
        [](void* s) { voksCombinedFilterInit_G728_16s(as<VokG728CombinedFilterState>(s)); }, x,
        [lpc](void* s, const int16_t* p) {
            int16_t zir[5], syn[5], w[5], q, exc[6] = {6, p[0], p[1], p[2], p[3], p[4]};
            auto* st = as<VokG728CombinedFilterState>(s);
            voksCombinedFilterZeroInput_G728_16s(lpc + 50, zir, lpc, st);
            voksCombinedFilterZeroState_G728_16s(exc, lpc, syn, 0, &q, w, st);
            return std::vector<int32_t>{zir[0], zir[4], syn[0], syn[2], syn[4], q, w[3]};
        }));
    kinds.push_back(kind(
        "synthesis filter", voksc_test::state_bytes(voksSynthesisFilterGetStateSize_G728_16s),
        [](void* s) { voksSynthesisFilterInit_G728_16s(as<VokG728SynthesisFilterState>(s)); }, x,
        [lpc](void* s, const int16_t*) {
            int16_t out[5], q2[5], q;
            voksSyntesisFilterZeroInput_G728_16s(lpc, out, 1, &q, q2, as<VokG728SynthesisFilterState>(s));
            return std::vector<int32_t>{out[0], out[4], q};
        }));
    kinds.push_back(kind(
        "IIR filter", voksc_test::state_bytes(voksIIR16sGetStateSize_G728_16s),
        [](void* s) { voksIIR16sInit_G728_16s(as<VokG728IIR16sState>(s)); }, x,
        [lpc](void* s, const int16_t* p) {
            int16_t y[5];
            voksIIR16s_G728_16s(lpc + 50, p, y, 5, as<VokG728IIR16sState>(s));
            return std::vector<int32_t>(y, y + 5);
        }));
    kinds.push_back(kind(
        "post-filter", voksc_test::state_bytes(voksPostFilterGetStateSize_G728_16s),
        [](void* s) { voksPostFilterInit_G728_16s(as<VokG728PostFilterState>(s)); }, x,
        [lpc](void* s, const int16_t* p) {
            int16_t y[5];
            voksPostFilter_G728_16s(14000, 2000, 57, 3000, lpc + 50, p, y, as<VokG728PostFilterState>(s));
            return std::vector<int32_t>(y, y + 5);
        }));
    kinds.push_back(kind(
        "post-filter adapter", voksc_test::state_bytes(voksPostFilterAdapterGetStateSize_G728),
        [](void* s) { voksPostFilterAdapterStateInit_G728(as<VokG728PostFilterAdapterState>(s)); }, x,
        [apf](void* s, const int16_t* p) {
            int16_t r[5];
            int kp = 60;
            auto* st = as<VokG728PostFilterAdapterState>(s);
            voksLPCInverseFilter_G728_16s(p, apf, r, st);
            voksPitchPeriodExtraction_G728_16s(p - 140, &kp, st);
            return std::vector<int32_t>{r[0], r[4], kp};
        }));
    voksc_test::StateKind w = kind(
        "weighting window", static_cast<size_t>(win_bytes()),
        [](void* s) {
            voksWinHybridInit_G728_16s(g728ex::kWinWeighting, 10, 30, 20, 0, 8192,
                                       as<VokG728WinHybridState>(s));
        },
        x,
        [](void* s, const int16_t* p) {
            int16_t r[11];
            voksWinHybrid_G728_16s(1, p - 55, r, as<VokG728WinHybridState>(s));
            return std::vector<int32_t>(r, r + 11);
        });
    kinds.push_back(w);
    voksc_test::expect_copies_continue(kinds);
}

}  // namespace

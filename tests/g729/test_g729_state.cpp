// Every G.729 state block continues a stream after a mid-stream memcpy to any address, as its
// header promises (the blocks need no alignment and hold no addresses).
#include <gtest/gtest.h>

#include <vector>

#include "support/speech.h"
#include "support/state_copy.h"
#include "voksc.h"

namespace {

using voksc_test::as_words;
using voksc_test::state_bytes;
constexpr int kSub = 40;
constexpr int kHalf = 800;  // samples per half-stream: 20 sub-frames, 10 frames
constexpr int kFrames = kHalf / (2 * kSub);

// A hybrid-window row: one call per 80-sample frame on the 145 samples from its start.
template <class In, class Out, class State>
voksc_test::StateKind hybrid(const char* name, const std::vector<In>& in, VokStatus (*size)(int*),
                             VokStatus (*init)(State*), VokStatus (*op)(const In*, Out*, State*)) {
    return {name,
            state_bytes(size),
            1,
            true,
            [init](void* st) { init(static_cast<State*>(st)); },
            [&in, op](void* st, int h) {
                std::vector<Out> r(31 * kFrames);
                for (int f = 0; f < kFrames; ++f)
                    EXPECT_EQ(op(&in[h * kHalf + 2 * kSub * f], &r[31 * f], static_cast<State*>(st)),
                              vokStatusOk);
                return as_words(r);
            }};
}

TEST(G729State, MidStreamCopiesContinue) {
    // Speech-like input with the 145-sample window of the last frame of each half after it.
    const std::vector<int16_t> x = voksc_test::synthetic_voiced(2 * kHalf + 145);
    const std::vector<float> xf(x.begin(), x.end());
    static constexpr int16_t kPre[6] = {4096, 7807, -3733, 1899, -3798, 1899};     // Q12
    static constexpr int16_t kPost[6] = {8192, 15836, -7667, 7699, -15398, 7699};  // Q13

    auto high_pass = [&x](int sf) {
        return [&x, sf](void* st, int h) {
            std::vector<int16_t> y(x.begin() + h * kHalf, x.begin() + (h + 1) * kHalf);
            for (int o = 0; o < kHalf; o += 2 * kSub)
                EXPECT_EQ(voksHighPassFilter_G729_16s_ISfs(&y[o], 2 * kSub, sf,
                                                           static_cast<VokG729HighPassState*>(st)),
                          vokStatusOk);
            return as_words(y);
        };
    };
    // Per sub-frame: the signal as excitation, four pulses as the code vector, gains from a
    // seeded sequence with code-gain onsets; every fifth sub-frame is decoded without dispersion.
    auto dispersion = [&x](void* st, int h) {
        auto* s = static_cast<VokG729PhaseDispersionState*>(st);
        std::vector<int16_t> out;
        uint32_t seed = 29u + static_cast<uint32_t>(h);
        for (int k = 0; k < kHalf / kSub; ++k) {
            seed = seed * 1664525u + 1013904223u;
            const auto pitch = static_cast<Vok16s>((seed >> 16) % 16384);
            const auto code_gain = static_cast<Vok16s>((100 + (seed >> 24) * 8) * (k % 7 == 3 ? 6 : 1));
            if (k % 5 == 4) {
                EXPECT_EQ(voksPhaseDispersionUpdate_G729D_16s(pitch, code_gain, s), vokStatusOk);
                continue;
            }
            Vok16s code[kSub] = {}, dst[kSub];
            for (int p = 0; p < 4; ++p)
                code[(seed >> (4 * p)) % kSub] = (seed >> (20 + p)) & 1 ? 8192 : -8192;
            EXPECT_EQ(voksPhaseDispersion_G729D_16s(&x[h * kHalf + k * kSub], dst, code_gain, pitch, code, s),
                      vokStatusOk);
            out.insert(out.end(), dst, dst + kSub);
            out.insert(out.end(), code, code + kSub);
        }
        return as_words(out);
    };
    const size_t hp_bytes = state_bytes(voksHighPassFilterSize_G729);
    voksc_test::expect_copies_continue({
        {"high-pass, pre-processing", hp_bytes, 1, true,
         [](void* st) { voksHighPassFilterInit_G729(kPre, static_cast<VokG729HighPassState*>(st)); },
         high_pass(12)},
        {"high-pass, post-processing", hp_bytes, 1, true,
         [](void* st) { voksHighPassFilterInit_G729(kPost, static_cast<VokG729HighPassState*>(st)); },
         high_pass(13)},
        {"phase dispersion", state_bytes(voksPhaseDispersionGetStateSize_G729D_16s), 1, true,
         [](void* st) { voksPhaseDispersionInit_G729D_16s(static_cast<VokG729PhaseDispersionState*>(st)); },
         dispersion},
        hybrid("hybrid window 16s", x, voksWinHybridGetStateSize_G729E_16s, voksWinHybridInit_G729E_16s,
               voksWinHybrid_G729E_16s32s),
        hybrid("hybrid window 32f", xf, voksWinHybridGetStateSize_G729E_32f, voksWinHybridInit_G729E_32f,
               voksWinHybrid_G729E_32f),
    });
}

}  // namespace

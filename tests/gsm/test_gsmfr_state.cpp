// Every GSM full-rate filter memory continues a stream after a mid-stream memcpy to any
// suitably aligned address: the memories are the whole state, plain values the caller owns.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/speech.h"
#include "support/state_copy.h"
#include "voksc.h"

namespace {

constexpr int kHalf = 800;  // samples per half-stream, in 160-sample frames

// Stable Q15 reflection coefficients for the lattice rows.
constexpr Vok16s kRefl[8] = {-24000, 18000, -9000, 6000, -4000, 2500, -1200, 600};

TEST(GsmfrState, MidStreamCopiesContinue) {
    // Speech-like input, 13-bit left-justified as the encoder receives it.
    std::vector<int16_t> x = voksc_test::synthetic_voiced(2 * kHalf);
    for (int16_t& v : x) v = static_cast<int16_t>(v & ~7);

    // A row over a zeroed memory of `bytes` with elements of `align` bytes: op(in, out, mem)
    // filters each 160-sample frame of half h of the input.
    auto row = [&x](const char* name, size_t bytes, size_t align, auto op) {
        return voksc_test::StateKind{name,
                                     bytes,
                                     align,
                                     true,
                                     [bytes](void* m) { std::memset(m, 0, bytes); },
                                     [&x, op](void* m, int h) {
                                         std::vector<int16_t> y(x.begin() + h * kHalf,
                                                                x.begin() + (h + 1) * kHalf);
                                         for (int o = 0; o < kHalf; o += 160)
                                             EXPECT_EQ(op(&y[o], m), vokStatusOk);
                                         return voksc_test::as_words(y);
                                     }};
    };
    voksc_test::expect_copies_continue({
        row("offset-compensation high-pass", 8, 4,
            [](Vok16s* y, void* m) {
                return voksHighPassFilter_GSMFR_16s(y, y, 160, static_cast<Vok32s*>(m));
            }),
        row("pre-emphasis", 2, 2,
            [](Vok16s* y, void* m) {
                return voksPreemphasize_GSMFR_16s(y, y, 160, static_cast<Vok16s*>(m));
            }),
        row("short-term analysis", 16, 2,
            [](Vok16s* y, void* m) {
                return voksShortTermAnalysisFilter_GSMFR_16s_I(kRefl, y, 160, static_cast<Vok16s*>(m));
            }),
        row("short-term synthesis", 18, 2,
            [](Vok16s* y, void* m) {
                return voksShortTermSynthesisFilter_GSMFR_16s(kRefl, y, y, 160, static_cast<Vok16s*>(m));
            }),
        row("de-emphasis", 2, 2,
            [](Vok16s* y, void* m) {
                for (int i = 0; i < 160; ++i) y[i] = static_cast<Vok16s>(y[i] >> 4);  // below saturation
                return voksDeemphasize_GSMFR_16s_I(y, 160, static_cast<Vok16s*>(m));
            }),
    });
}

}  // namespace

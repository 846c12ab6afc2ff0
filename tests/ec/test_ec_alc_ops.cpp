// G.169 level-control operations: argument checks, the state size, hand-derived levels and the
// mid-stream copy of the state.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "support/args.h"
#include "support/state_copy.h"

namespace {

using argcheck::at;

struct Bufs {
    std::array<unsigned char, 124> st;
    int16_t x[24], y[24];
    int size = 0x5A5A5A5A;
    Bufs() {
        st.fill(0xA5);
        for (int i = 0; i < 24; ++i) {
            x[i] = static_cast<int16_t>(700 * (i % 7) - 2000);
            y[i] = 0x5A5A;
        }
        voksALCInit_G169_16s(state());
    }
    VokALCState_G169* state() { return reinterpret_cast<VokALCState_G169*>(st.data()); }
};

TEST(EcAlcApi, FailedChecksWriteNothing) {
    using argcheck::kRange, argcheck::kSize;
    const float nan = std::nanf("");
    // clang-format off
    ARGS(voksALCGetStateSize_G169_16s, [](Bufs& b) { return std::tuple(&b.size); });
    ARGS(voksALCInit_G169_16s, [](Bufs& b) { return std::tuple(b.state()); });
    // Pointer, then the levels; a NaN level is no level at or above 0 dB.
    ARGS(voksALCSetLevel_G169_16s, [](Bufs& b) { return std::tuple(b.state(), 20.0f, 3.0f); })
        .fail(kRange, at<1>(-1.0f)).fail(kRange, at<2>(-0.001f)).fail(kRange, at<1>(nan))
        .fail(kRange, at<2>(nan)).pass(at<1>(0.0f), at<2>(0.0f));
    ARGS(voksALCSetGain_G169_16s, [](Bufs& b) { return std::tuple(b.state(), 6.0f); })
        .fail(kRange, at<1>(-0.5f)).fail(kRange, at<1>(nan)).pass(at<1>(0.0f));
    // Pointers, then the length: a multiple of 8, at least 8.
    ARGS(voksALC_G169_16s, [](Bufs& b) { return std::tuple(b.x, b.y, 24, b.state()); })
        .fail(kSize, at<2>(0)).fail(kSize, at<2>(12)).fail(kSize, at<2>(7)).fail(kSize, at<2>(-8))
        .pass(at<2>(8)).pass(at<2>(16));
    // clang-format on
}

// The stored target and maximum levels, read at their place in the state (first two fields).
std::array<float, 2> levels(const Bufs& b) {
    std::array<float, 2> v;
    std::memcpy(v.data(), b.st.data(), sizeof v);
    return v;
}

TEST(EcAlcApi, LevelsAndGain) {
    int size = 0;
    ASSERT_EQ(voksALCGetStateSize_G169_16s(&size), vokStatusOk);
    EXPECT_EQ(size, 124);
    // 32768 / 10^(L/20): 26.1 dB is the Init target, 0 dB full scale, 6.0206 dB a half.
    const struct {
        float db;
        float amplitude;
    } rows[] = {{26.1f, 1623.4912f}, {0.0f, 32768.0f}, {6.0206f, 16384.0f}, {60.0f, 32.768f}};
    for (const auto& r : rows) {
        Bufs b;
        ASSERT_EQ(voksALCSetLevel_G169_16s(b.state(), r.db, r.db), vokStatusOk);
        EXPECT_NEAR(levels(b)[0], r.amplitude, r.amplitude * 2e-5) << r.db;
        EXPECT_NEAR(levels(b)[1], r.amplitude, r.amplitude * 2e-5) << r.db;
    }
    // A zero gain limit keeps a quiet talker at its level: the output never exceeds the input.
    Bufs b;
    ASSERT_EQ(voksALCSetGain_G169_16s(b.state(), 0.0f), vokStatusOk);
    std::vector<int16_t> x(16000), y(16000);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<int16_t>(300 * std::sin(0.3 * i) * (1 + std::sin(0.002 * i)));
    ASSERT_EQ(voksALC_G169_16s(x.data(), y.data(), 16000, b.state()), vokStatusOk);
    for (size_t i = 0; i < x.size(); ++i) ASSERT_LE(std::abs(y[i]), std::abs(x[i])) << i;
}

TEST(EcAlcState, MidStreamCopiesContinue) {
    constexpr int kHalf = 8000;
    std::vector<int16_t> x(2 * kHalf);
    for (int i = 0; i < 2 * kHalf; ++i)
        x[i] = static_cast<int16_t>(2000 * std::sin(0.21 * i) * (0.2 + std::fabs(std::sin(0.0011 * i))));
    std::vector<voksc_test::StateKind> kinds = {
        {"level control", 124, 1, true,
         [](void* st) { voksALCInit_G169_16s(static_cast<VokALCState_G169*>(st)); },
         [&x](void* st, int h) {
             std::vector<int16_t> y(kHalf);
             EXPECT_EQ(
                 voksALC_G169_16s(x.data() + h * kHalf, y.data(), kHalf, static_cast<VokALCState_G169*>(st)),
                 vokStatusOk);
             return voksc_test::as_words(y);
         }}};
    voksc_test::expect_copies_continue(kinds);
}

}  // namespace

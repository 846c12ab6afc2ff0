// Answer-tone detector operations: argument checks, state sizes and placement, and the
// mid-stream copy of the states.
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "support/args.h"
#include "support/state_copy.h"

namespace {

using argcheck::at;

struct Bufs {
    alignas(16) std::array<unsigned char, 96> s32, s16;
    float x[16];
    int16_t x16[16];
    int result = 0x5A5A5A5A, size = 0x5A5A5A5A;
    Bufs() {
        s32.fill(0xA5);
        s16.fill(0xA5);
        for (int i = 0; i < 16; ++i) x[i] = x16[i] = static_cast<int16_t>(1000 * (i % 5) - 2000);
        voksToneDetectInit_EC_32f(st32(), 8000);
        voksToneDetectInit_EC_16s(st16(), 16000);
    }
    VokToneDetectState_32f* st32() { return reinterpret_cast<VokToneDetectState_32f*>(s32.data() + 3); }
    VokToneDetectState_16s* st16() { return reinterpret_cast<VokToneDetectState_16s*>(s16.data() + 5); }
};

TEST(EcToneApi, FailedChecksWriteNothing) {
    using argcheck::kBad, argcheck::kRange;
    // clang-format off
    // Pointers, then the rate.
    for (auto fn : {voksToneDetectGetStateSize_EC_32f, voksToneDetectGetStateSize_EC_16s})
        ARGS(fn, [](Bufs& b) { return std::tuple(8000, &b.size); })
            .fail(kRange, at<0>(0)).fail(kRange, at<0>(11025)).fail(kRange, at<0>(-8000)).pass(at<0>(16000));
    ARGS(voksToneDetectInit_EC_32f, [](Bufs& b) { return std::tuple(b.st32(), 16000); })
        .fail(kRange, at<1>(8001)).fail(kRange, at<1>(32000)).pass(at<1>(8000));
    ARGS(voksToneDetectInit_EC_16s, [](Bufs& b) { return std::tuple(b.st16(), 8000); })
        .fail(kRange, at<1>(7999)).fail(kRange, at<1>(0)).pass(at<1>(16000));
    // Pointers, then the length.
    ARGS(voksToneDetect_EC_32f, [](Bufs& b) { return std::tuple(b.x, 16, &b.result, b.st32()); })
        .fail(kBad, at<1>(0)).fail(kBad, at<1>(-1)).pass(at<1>(1));
    ARGS(voksToneDetect_EC_16s, [](Bufs& b) { return std::tuple(b.x16, 16, &b.result, b.st16()); })
        .fail(kBad, at<1>(0)).fail(kBad, at<1>(-7)).pass(at<1>(1));
    // clang-format on
}

TEST(EcToneApi, Sizes) {
    // Both rates; the placement inside the block is proven by the mid-stream copies below.
    for (int fs : {8000, 16000}) {
        int n32 = 0, n16 = 0;
        ASSERT_EQ(voksToneDetectGetStateSize_EC_32f(fs, &n32), vokStatusOk);
        ASSERT_EQ(voksToneDetectGetStateSize_EC_16s(fs, &n16), vokStatusOk);
        EXPECT_EQ(n32, 80);
        EXPECT_EQ(n16, 72);
    }
}

TEST(EcToneState, MidStreamCopiesContinue) {
    // A tone with reversals every 440 ms: the copy carries the counters (the flag of the second
    // half depends on the reversal counted in the first) and the filter memories.
    constexpr int kHalf = 4000;
    std::vector<float> x(2 * kHalf);
    for (int i = 0; i < 2 * kHalf; ++i) {
        const double phase = 2 * M_PI * 2100.0 * i / 8000 + (i / 3520 % 2) * M_PI;
        x[i] = static_cast<float>(5000 * std::sin(phase));
    }
    std::vector<int16_t> x16(x.begin(), x.end());
    // One kind per form: flags of 10 ms calls over a half.
    auto kind = [](const char* name, size_t bytes, auto init, auto detect, const auto* data) {
        return voksc_test::StateKind{name, bytes, 1, false, init, [=](void* st, int h) {
                                         std::vector<int32_t> flags;
                                         for (int i = h * kHalf; i < (h + 1) * kHalf; i += 80) {
                                             int f = -1;
                                             EXPECT_EQ(detect(data + i, 80, &f, st), vokStatusOk);
                                             flags.push_back(f);
                                         }
                                         return flags;
                                     }};
    };
    std::vector<voksc_test::StateKind> kinds = {
        kind(
            "32f detector", 80,
            [](void* st) { voksToneDetectInit_EC_32f(static_cast<VokToneDetectState_32f*>(st), 8000); },
            [](const float* x, int n, int* f, void* st) {
                return voksToneDetect_EC_32f(x, n, f, static_cast<VokToneDetectState_32f*>(st));
            },
            x.data()),
        kind(
            "16s detector", 72,
            [](void* st) { voksToneDetectInit_EC_16s(static_cast<VokToneDetectState_16s*>(st), 8000); },
            [](const int16_t* x, int n, int* f, void* st) {
                return voksToneDetect_EC_16s(x, n, f, static_cast<VokToneDetectState_16s*>(st));
            },
            x16.data())};
    voksc_test::expect_copies_continue(kinds);
}

}  // namespace

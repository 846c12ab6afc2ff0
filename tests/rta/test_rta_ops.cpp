// Front-end operations: argument checks, hand-derived edges and the mid-stream copy of the
// states.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "support/args.h"
#include "support/state_copy.h"

namespace {

using argcheck::at;

struct Bufs {
    std::array<unsigned char, 208> enc, dec;
    float x[640], low[320], high[320], y[640];
    float hp[6] = {0.5f, -0.25f, 0.125f, 1, 2, 3}, bp[3] = {0.5f, 0.25f, 1.5f};
    float r[17], a[16], k[16];
    int size = 0x5A5A5A5A;
    Bufs() {
        for (int i = 0; i < 640; ++i) x[i] = y[i] = std::sin(0.37f * i) * 1000;
        for (int i = 0; i < 320; ++i) low[i] = high[i] = 7.5f;
        for (int i = 0; i <= 16; ++i) r[i] = 100.0f * std::pow(0.5f, static_cast<float>(i));
        std::fill(std::begin(a), std::end(a), -3.0f);
        std::fill(std::begin(k), std::end(k), -3.0f);
        voksQMFInit_RTA_32f(qe(), 24);
        voksQMFInit_RTA_32f(qd(), 48);
        // A used state, so that a failed call that cleared the delay line would show.
        voksQMFEncode_RTA_32f(x, 64, low + 100, high + 100, qe());
        voksQMFDecode_RTA_32f(low, high, 32, y + 500, qd());
    }
    VokQMFState_RTA_32f* qe() { return reinterpret_cast<VokQMFState_RTA_32f*>(enc.data()); }
    VokQMFState_RTA_32f* qd() { return reinterpret_cast<VokQMFState_RTA_32f*>(dec.data()); }
};

TEST(RtaApi, FailedChecksWriteNothing) {
    using argcheck::kRange, argcheck::kSize;
    const VokStatus kNothing = vokStatusNothingDone, kContext = vokStatusWrongContext;
    auto bad_taps = [](Bufs& b) {
        std::memset(b.enc.data() + 200, 0, 4);
        std::memset(b.dec.data() + 200, 0, 4);
    };
    // clang-format off
    ARGS(voksQMFGetStateSize_RTA_32f, [](Bufs& b) { return std::tuple(&b.size); });
    ARGS(voksQMFInit_RTA_32f, [](Bufs& b) { return std::tuple(b.qe(), 48); })
        .fail(kRange, at<1>(32)).fail(kRange, at<1>(0)).fail(kRange, at<1>(-24)).pass(at<1>(24));
    // Pointers, then the length (even, 2..640); a block Init did not set up is not used.
    ARGS(voksQMFEncode_RTA_32f, [](Bufs& b) { return std::tuple(b.x, 160, b.low, b.high, b.qe()); })
        .fail(kRange, at<1>(0)).fail(kRange, at<1>(161)).fail(kRange, at<1>(1)).fail(kRange, at<1>(642))
        .fail(kRange, at<1>(-2)).fail(kContext, bad_taps).pass(at<1>(2)).pass(at<1>(640));
    ARGS(voksQMFDecode_RTA_32f, [](Bufs& b) { return std::tuple(b.low, b.high, 80, b.y, b.qd()); })
        .fail(kRange, at<2>(0)).fail(kRange, at<2>(321)).fail(kRange, at<2>(1 << 30)).fail(kContext, bad_taps)
        .pass(at<2>(1)).pass(at<2>(320));
    // Pointers, length, rate, order; order 4 at 8000 Hz runs on even lengths only.
    ARGS(voksHighPassFilter_RTA_32f, [](Bufs& b) { return std::tuple(b.x, b.y, 160, 4, 16000, b.hp); })
        .fail(kSize, at<2>(0)).fail(kSize, at<2>(-1), at<4>(1)).fail(kRange, at<4>(44100))
        .fail(kRange, at<4>(11025), at<3>(6)).fail(kRange, at<3>(3)).fail(kRange, at<3>(6))
        .quiet(kNothing, at<4>(8000), at<2>(159)).pass(at<4>(8000)).pass(at<3>(5), at<4>(8000), at<2>(159))
        .pass(at<4>(22050), at<2>(1)).pass(at<4>(32000));
    ARGS(voksBandPassFilter_RTA_32f_I, [](Bufs& b) { return std::tuple(b.x, 160, b.bp); })
        .fail(kSize, at<1>(0)).fail(kSize, at<1>(641)).pass(at<1>(1)).pass(at<1>(640));
    // Pointers, then the order 1..16.
    ARGS(voksLevinsonDurbin_RTA_32f, [](Bufs& b) { return std::tuple(b.r, b.a, b.k, 10); })
        .fail(kRange, at<3>(0)).fail(kRange, at<3>(17)).pass(at<3>(1)).pass(at<3>(16));
    // clang-format on
}

TEST(RtaApi, HandDerivedEdges) {
    // Levinson-Durbin, order 2 on r = (4, 2, 1): k1 = -1/2, err = 3, acc = 1 - 1 = 0, k2 = 0.
    // Breakdowns: r0 <= 1 writes nothing; |k1| >= 1 writes k1 only; a failing stage stores its
    // numerator (r = (4, 2, 4): acc = 4 - 1 = 3 >= err 3; r = (8, 6, 0): k1 = -3/4, err = 3.5,
    // acc = -4.5).
    const struct {
        float r[3];
        int order;
        VokStatus status;
        float k[2], a[2];
    } rows[] = {{{4, 2, 1}, 2, vokStatusOk, {-0.5f, 0}, {-0.5f, 0}},
                {{4, 2, 1}, 1, vokStatusOk, {-0.5f, -9}, {-0.5f, -9}},
                {{1, 0.5f, 0}, 2, vokStatusOverflow, {-9, -9}, {-9, -9}},
                {{2, -2, 0}, 2, vokStatusOverflow, {1, -9}, {-9, -9}},
                {{4, 2, 4}, 2, vokStatusOverflow, {-0.5f, 3}, {-0.5f, -9}},
                {{8, 6, 0}, 2, vokStatusOverflow, {-0.75f, -4.5f}, {-0.75f, -9}}};
    for (const auto& r : rows) {
        float a[2] = {-9, -9}, k[2] = {-9, -9};
        EXPECT_EQ(voksLevinsonDurbin_RTA_32f(r.r, a, k, r.order), r.status);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(k[i], r.k[i]) << r.r[2] << " " << i;
            EXPECT_EQ(a[i], r.a[i]) << r.r[2] << " " << i;
        }
    }
    // The band-pass filter on zeros: G = 0, so the smoothed gain decays by 0.99 per sample.
    float z[80] = {}, st[3] = {0, 0, 1.0f};
    ASSERT_EQ(voksBandPassFilter_RTA_32f_I(z, 80, st), vokStatusOk);
    EXPECT_NEAR(st[2], std::pow(0.99, 80), 1e-5);
    // Zeros through the high-pass filters: order 4 adds the 1e-6 bias after its recursion and
    // settles near 1e-6 / (1 + a1 + a2 + a3), about 2.8 at 16000 Hz (poles near 0.995); the
    // rounding of the three feedback terms (half an ulp of 8.4 each, against the 1e-6 bias)
    // moves the float fixed point by several per cent. Order 5 biases its input and, a
    // high-pass, settles near zero.
    const double a1 = -2.98532963f, a2 = 2.97077799f, a3 = -0.985448003f;
    const struct {
        int order;
        double settled, tolerance;
    } hp[] = {{4, 1e-6 / (1 + a1 + a2 + a3), 0.1 * 1e-6 / (1 + a1 + a2 + a3)}, {5, 0.0, 1e-8}};
    for (const auto& r : hp) {
        std::vector<float> zeros(32000, 0.0f), y(32000);
        float s[6] = {};
        ASSERT_EQ(voksHighPassFilter_RTA_32f(zeros.data(), y.data(), 32000, r.order, 16000, s), vokStatusOk);
        EXPECT_NEAR(y.back(), r.settled, r.tolerance) << r.order;
        EXPECT_NE(y.back(), 0.0f) << r.order;
        EXPECT_LT(std::fabs(y.back() - y[y.size() - 100]), 0.02 * r.tolerance) << r.order;
    }
}

TEST(RtaState, MidStreamCopiesContinue) {
    constexpr int kHalf = 320;
    std::vector<float> x(2 * kHalf);
    for (int i = 0; i < 2 * kHalf; ++i) x[i] = 3000 * std::sin(0.05f * i) + 500 * std::sin(2.9f * i);
    // Each kind runs one operation over a half of x (filters: a copy filtered in place).
    using Op = std::function<VokStatus(void*, const float*, float*)>;
    auto kind = [&x](const char* name, size_t bytes, size_t align, std::function<void(void*)> init, Op op) {
        return voksc_test::StateKind{name, bytes, align, true, init, [&x, op](void* st, int h) {
                                         std::vector<float> y(x.begin() + h * kHalf,
                                                              x.begin() + (h + 1) * kHalf);
                                         EXPECT_EQ(op(st, x.data() + h * kHalf, y.data()), vokStatusOk);
                                         return voksc_test::as_words(y);
                                     }};
    };
    auto qmf = [](void* st) { return static_cast<VokQMFState_RTA_32f*>(st); };
    std::vector<voksc_test::StateKind> kinds;
    for (int taps : {24, 48}) {
        auto init = [taps, qmf](void* st) { voksQMFInit_RTA_32f(qmf(st), taps); };
        kinds.push_back(kind("QMF analysis", 208, 1, init, [qmf](void* st, const float* in, float* y) {
            return voksQMFEncode_RTA_32f(in, kHalf, y, y + kHalf / 2, qmf(st));
        }));
        kinds.push_back(kind("QMF synthesis", 208, 1, init, [qmf](void* st, const float* in, float* y) {
            return voksQMFDecode_RTA_32f(in, in + kHalf / 2, kHalf / 2, y, qmf(st));
        }));
    }
    // The caller-zeroed filter memories.
    for (int order : {4, 5}) {
        kinds.push_back(kind(
            "high-pass", 24, 4, [](void* st) { std::memset(st, 0, 24); },
            [order](void* st, const float* in, float* y) {
                return voksHighPassFilter_RTA_32f(in, y, kHalf, order, 8000, static_cast<float*>(st));
            }));
    }
    kinds.push_back(kind(
        "band-pass", 12, 4, [](void* st) { std::memset(st, 0, 12); },
        [](void* st, const float*, float* y) {
            return voksBandPassFilter_RTA_32f_I(y, kHalf, static_cast<float*>(st));
        }));
    voksc_test::expect_copies_continue(kinds);
}

}  // namespace

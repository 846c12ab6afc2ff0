// Argument checks of the G.729 excitation operations: each failed check returns its status and
// leaves every output (canary-filled) and every read-write buffer exactly as passed.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "voksc.h"

namespace {

constexpr int16_t kCanary16 = 0x5A5A;
constexpr int32_t kCanary32 = 0x5A5A5A5A;

// Every buffer an operation may take, canary-filled; inputs that are only read are valid data.
struct Bufs {
    Vok16s exc[194], vec[40], x[40], h[40], lpc[11], delay[2], code[40], y[40], idx[2], lag, gain, counter,
        sign;
    Vok16s m16[616];
    Vok32s m32[616], delay32[2], lag32, idx32[2], dp32;
    Vok32f fexc[200], fx[40], fy[40], fh[40], fm[616], fdp;
    Bufs() {
        for (auto* a : {exc, vec, code, y}) std::fill(a, a + (a == exc ? 194 : 40), kCanary16);
        for (auto& v : x) v = 100;
        for (auto& v : h) v = 50;
        std::fill(lpc, lpc + 11, Vok16s{0});
        lpc[0] = 4096;
        delay[0] = 40;
        delay[1] = 0;
        idx[0] = idx[1] = lag = gain = counter = sign = kCanary16;
        std::fill(m16, m16 + 616, kCanary16);
        std::fill(m32, m32 + 616, kCanary32);
        delay32[0] = 40;
        delay32[1] = 0;
        lag32 = idx32[0] = idx32[1] = dp32 = kCanary32;
        std::fill(fexc, fexc + 200, 7.0f);
        std::fill(fx, fx + 40, 1.0f);
        std::fill(fy, fy + 40, 2.0f);
        std::fill(fh, fh + 40, 3.0f);
        std::fill(fm, fm + 616, -9.0f);
        fdp = -9.0f;
    }
};

struct Case {
    std::string name;
    VokStatus expected;
    std::function<VokStatus(Bufs&)> call;
};

std::vector<Case> cases() {
    std::vector<Case> c;
    auto add = [&](std::string n, VokStatus s, std::function<VokStatus(Bufs&)> f) { c.push_back({n, s, f}); };
    // Open-loop pitch.
    add("ol null src", vokStatusNullPtr,
        [](Bufs& b) { return voksOpenLoopPitchSearch_G729_16s(nullptr, &b.lag); });
    add("ol null dst", vokStatusNullPtr,
        [](Bufs& b) { return voksOpenLoopPitchSearch_G729_16s(b.exc + 143, nullptr); });
    add("olA null src", vokStatusNullPtr,
        [](Bufs& b) { return voksOpenLoopPitchSearch_G729A_16s(nullptr, &b.lag); });
    add("olA null dst", vokStatusNullPtr,
        [](Bufs& b) { return voksOpenLoopPitchSearch_G729A_16s(b.exc + 143, nullptr); });
    add("olA32f null src", vokStatusNullPtr,
        [](Bufs& b) { return voksOpenLoopPitchSearch_G729A_32f(nullptr, &b.lag32); });
    add("olA32f null dst", vokStatusNullPtr,
        [](Bufs& b) { return voksOpenLoopPitchSearch_G729A_32f(b.fexc + 150, nullptr); });
    // Closed-loop pitch: each pointer, then delay and sub-frame; null wins over a bad range.
    using Acb = VokStatus (*)(Vok16s, const Vok16s*, const Vok16s*, Vok16s*, Vok16s*, Vok16s*, Vok16s);
    // (Named copies, not structured bindings: lambdas capture those only from C++20.)
    for (const auto& tag_fn : {std::pair<const char*, Acb>{"acb", voksAdaptiveCodebookSearch_G729_16s},
                               std::pair<const char*, Acb>{"acbA", voksAdaptiveCodebookSearch_G729A_16s}}) {
        const std::string t = tag_fn.first;
        const Acb fn = tag_fn.second;
        add(t + " null x", vokStatusNullPtr,
            [fn](Bufs& b) { return fn(60, nullptr, b.h, b.exc, b.delay, b.vec, 0); });
        add(t + " null h", vokStatusNullPtr,
            [fn](Bufs& b) { return fn(60, b.x, nullptr, b.exc, b.delay, b.vec, 0); });
        add(t + " null exc", vokStatusNullPtr,
            [fn](Bufs& b) { return fn(60, b.x, b.h, nullptr, b.delay, b.vec, 0); });
        add(t + " null delay", vokStatusNullPtr,
            [fn](Bufs& b) { return fn(60, b.x, b.h, b.exc, nullptr, b.vec, 0); });
        add(t + " null vec", vokStatusNullPtr,
            [fn](Bufs& b) { return fn(60, b.x, b.h, b.exc, b.delay, nullptr, 0); });
        add(t + " null and bad delay", vokStatusNullPtr,
            [fn](Bufs& b) { return fn(5, b.x, b.h, b.exc, b.delay, nullptr, 0); });
        for (int d : {-1, 0, 17, 146, 300})
            add(t + " delay " + std::to_string(d), vokStatusRange,
                [fn, d](Bufs& b) { return fn(static_cast<Vok16s>(d), b.x, b.h, b.exc, b.delay, b.vec, 0); });
        for (int s : {-1, 2, 40})
            add(t + " subframe " + std::to_string(s), vokStatusRange,
                [fn, s](Bufs& b) { return fn(60, b.x, b.h, b.exc, b.delay, b.vec, static_cast<Vok16s>(s)); });
    }
    add("acbD null exc", vokStatusNullPtr,
        [](Bufs& b) { return voksAdaptiveCodebookSearch_G729D_16s(60, b.x, b.h, nullptr, 0, b.delay); });
    add("acbD null delay", vokStatusNullPtr,
        [](Bufs& b) { return voksAdaptiveCodebookSearch_G729D_16s(60, b.x, b.h, b.exc, 0, nullptr); });
    add("acbD delay 146", vokStatusRange,
        [](Bufs& b) { return voksAdaptiveCodebookSearch_G729D_16s(146, b.x, b.h, b.exc, 0, b.delay); });
    add("acbD delay 17", vokStatusRange,
        [](Bufs& b) { return voksAdaptiveCodebookSearch_G729D_16s(17, b.x, b.h, b.exc, 1, b.delay); });
    add("acbD subframe 2", vokStatusRange,
        [](Bufs& b) { return voksAdaptiveCodebookSearch_G729D_16s(60, b.x, b.h, b.exc, 2, b.delay); });
    // Adaptive-vector decoding.
    for (const auto& t0_f : {std::pair<int, int>{17, 0}, {145, 0}, {144, 2}, {60, -2}, {-40, 0}}) {
        const int t0 = t0_f.first, f = t0_f.second;
        const std::string n = " T0=" + std::to_string(t0) + " f=" + std::to_string(f);
        add("dav_I" + n, vokStatusParamRange, [t0, f](Bufs& b) {
            b.delay[0] = static_cast<Vok16s>(t0);
            b.delay[1] = static_cast<Vok16s>(f);
            return voksDecodeAdaptiveVector_G729_16s_I(b.delay, b.exc);
        });
        add("dav" + n, vokStatusParamRange, [t0, f](Bufs& b) {
            b.delay[0] = static_cast<Vok16s>(t0);
            b.delay[1] = static_cast<Vok16s>(f);
            return voksDecodeAdaptiveVector_G729_16s(b.delay, b.exc, b.vec);
        });
    }
    add("dav_I null delay", vokStatusNullPtr,
        [](Bufs& b) { return voksDecodeAdaptiveVector_G729_16s_I(nullptr, b.exc); });
    add("dav_I null exc", vokStatusNullPtr,
        [](Bufs& b) { return voksDecodeAdaptiveVector_G729_16s_I(b.delay, nullptr); });
    add("dav null dst", vokStatusNullPtr,
        [](Bufs& b) { return voksDecodeAdaptiveVector_G729_16s(b.delay, b.exc, nullptr); });
    add("dav32f T0=146", vokStatusParamRange, [](Bufs& b) {
        b.delay32[0] = 146;
        return voksDecodeAdaptiveVector_G729_32f_I(b.delay32, b.fexc + 160);
    });
    add("dav32f f=-2", vokStatusParamRange, [](Bufs& b) {
        b.delay32[1] = -2;
        return voksDecodeAdaptiveVector_G729_32f_I(b.delay32, b.fexc + 160);
    });
    add("dav32f null", vokStatusNullPtr,
        [](Bufs& b) { return voksDecodeAdaptiveVector_G729_32f_I(b.delay32, nullptr); });
    // Target update and pitch gain.
    add("contrib null", vokStatusNullPtr,
        [](Bufs& b) { return voksAdaptiveCodebookContribution_G729_16s(1, b.x, nullptr, b.vec); });
    add("contrib null dst", vokStatusNullPtr,
        [](Bufs& b) { return voksAdaptiveCodebookContribution_G729_16s(1, b.x, b.h, nullptr); });
    add("contrib32f null", vokStatusNullPtr,
        [](Bufs& b) { return voksAdaptiveCodebookContribution_G729_32f(1, nullptr, b.fx, b.fy); });
    add("gain null gain", vokStatusNullPtr,
        [](Bufs& b) { return voksAdaptiveCodebookGain_G729_16s(b.x, b.h, b.x, b.y, nullptr); });
    add("gain null y", vokStatusNullPtr,
        [](Bufs& b) { return voksAdaptiveCodebookGain_G729_16s(b.x, b.h, b.x, nullptr, &b.gain); });
    add("gainA null lpc", vokStatusNullPtr,
        [](Bufs& b) { return voksAdaptiveCodebookGain_G729A_16s(b.x, nullptr, b.x, b.y, &b.gain); });
    // Matrices.
    add("toep32 null", vokStatusNullPtr,
        [](Bufs& b) { return voksToeplizMatrix_G729_16s32s(nullptr, b.m32); });
    add("toep16 null", vokStatusNullPtr, [](Bufs& b) { return voksToeplizMatrix_G729_16s(b.h, nullptr); });
    add("toep32f null", vokStatusNullPtr, [](Bufs& b) { return voksToeplizMatrix_G729_32f(nullptr, b.fm); });
    // Fixed-codebook searches.
    add("fcb32 null d", vokStatusNullPtr, [](Bufs& b) {
        return voksFixedCodebookSearch_G729_32s16s(nullptr, b.m32, b.code, b.idx, &b.counter, 0);
    });
    add("fcb32 null counter", vokStatusNullPtr,
        [](Bufs& b) { return voksFixedCodebookSearch_G729_32s16s(b.x, b.m32, b.code, b.idx, nullptr, 0); });
    add("fcb32 subframe -1", vokStatusRange, [](Bufs& b) {
        return voksFixedCodebookSearch_G729_32s16s(b.x, b.m32, b.code, b.idx, &b.counter, -1);
    });
    add("fcb16 null matrix", vokStatusNullPtr,
        [](Bufs& b) { return voksFixedCodebookSearch_G729_16s(b.x, nullptr, b.code, b.idx, &b.counter, 0); });
    add("fcb16 subframe 2", vokStatusRange,
        [](Bufs& b) { return voksFixedCodebookSearch_G729_16s(b.x, b.m16, b.code, b.idx, &b.counter, 2); });
    add("fcb16 subframe -1", vokStatusRange,
        [](Bufs& b) { return voksFixedCodebookSearch_G729_16s(b.x, b.m16, b.code, b.idx, &b.counter, -1); });
    add("fcbA32 null idx", vokStatusNullPtr,
        [](Bufs& b) { return voksFixedCodebookSearch_G729A_32s16s(b.x, b.m32, b.code, nullptr); });
    add("fcbA16 null code", vokStatusNullPtr,
        [](Bufs& b) { return voksFixedCodebookSearch_G729A_16s(b.x, b.m16, nullptr, b.idx); });
    add("fcbD null d", vokStatusNullPtr, [](Bufs& b) {
        return voksFixedCodebookSearch_G729D_16s(nullptr, b.h, b.code, b.y, &b.sign, &b.gain);
    });
    add("fcbD null h", vokStatusNullPtr, [](Bufs& b) {
        return voksFixedCodebookSearch_G729D_16s(b.x, nullptr, b.code, b.y, &b.sign, &b.gain);
    });
    add("fcbD null y", vokStatusNullPtr, [](Bufs& b) {
        return voksFixedCodebookSearch_G729D_16s(b.x, b.h, b.code, nullptr, &b.sign, &b.gain);
    });
    add("fcbD null index", vokStatusNullPtr,
        [](Bufs& b) { return voksFixedCodebookSearch_G729D_16s(b.x, b.h, b.code, b.y, &b.sign, nullptr); });
    add("fcbE null x", vokStatusNullPtr,
        [](Bufs& b) { return voksFixedCodebookSearch_G729E_16s(1, nullptr, b.x, b.h, b.code, b.y, b.idx); });
    add("fcbE null residual", vokStatusNullPtr,
        [](Bufs& b) { return voksFixedCodebookSearch_G729E_16s(0, b.x, nullptr, b.h, b.code, b.y, b.idx); });
    add("fcbE null h", vokStatusNullPtr,
        [](Bufs& b) { return voksFixedCodebookSearch_G729E_16s(0, b.x, b.x, nullptr, b.code, b.y, b.idx); });
    add("fcbE null index", vokStatusNullPtr,
        [](Bufs& b) { return voksFixedCodebookSearch_G729E_16s(1, b.x, b.x, b.h, b.code, b.y, nullptr); });
    add("toepD32f null", vokStatusNullPtr,
        [](Bufs& b) { return voksToeplizMatrix_G729D_32f(b.fh, nullptr); });
    add("fcb32f null counter", vokStatusNullPtr,
        [](Bufs& b) { return voksFixedCodebookSearch_G729_32f(b.fx, b.fm, b.fy, b.idx32, nullptr, 0); });
    add("fcb32f null matrix", vokStatusNullPtr,
        [](Bufs& b) { return voksFixedCodebookSearch_G729_32f(b.fx, nullptr, b.fy, b.idx32, &b.lag32, 1); });
    add("fcbA32f null index", vokStatusNullPtr,
        [](Bufs& b) { return voksFixedCodebookSearch_G729A_32f(b.fx, b.fm, b.fy, nullptr); });
    add("fcbD32f null h", vokStatusNullPtr, [](Bufs& b) {
        return voksFixedCodebookSearch_G729D_32f(b.fx, nullptr, b.fy, b.fy, b.idx32, b.idx32 + 1);
    });
    add("fcbD32f null sign", vokStatusNullPtr, [](Bufs& b) {
        return voksFixedCodebookSearch_G729D_32f(b.fx, b.fh, b.fexc, b.fexc + 40, nullptr, b.idx32 + 1);
    });
    add("fcbE32f null x", vokStatusNullPtr, [](Bufs& b) {
        return voksFixedCodebookSearch_G729E_32f(1, nullptr, b.fx, b.fh, b.fexc, b.fy, b.idx32);
    });
    add("fcbE32f null index", vokStatusNullPtr, [](Bufs& b) {
        return voksFixedCodebookSearch_G729E_32f(0, b.fx, b.fx, b.fh, b.fexc, b.fy, nullptr);
    });
    // Dot products and the filtered-excitation update: pointers first, then the length.
    for (int len : {0, -1, -40}) {
        const std::string n = " len " + std::to_string(len);
        add("dot16" + n, vokStatusSize,
            [len](Bufs& b) { return voksDotProd_G729A_16s32s(b.x, b.h, len, &b.dp32); });
        add("dot32f" + n, vokStatusSize,
            [len](Bufs& b) { return voksDotProd_G729A_32f(b.fx, b.fy, len, &b.fdp); });
        add("fltexc" + n, vokStatusSize,
            [len](Bufs& b) { return voksFilteredExcitation_G729_32f(b.fh, b.fexc, len, 1.0f); });
    }
    add("dot16 null and len 0", vokStatusNullPtr,
        [](Bufs& b) { return voksDotProd_G729A_16s32s(b.x, nullptr, 0, &b.dp32); });
    add("dot16 null dst", vokStatusNullPtr,
        [](Bufs& b) { return voksDotProd_G729A_16s32s(b.x, b.h, 40, nullptr); });
    add("dot32f null", vokStatusNullPtr,
        [](Bufs& b) { return voksDotProd_G729A_32f(nullptr, b.fy, 0, &b.fdp); });
    add("fltexc null", vokStatusNullPtr,
        [](Bufs& b) { return voksFilteredExcitation_G729_32f(b.fh, nullptr, 0, 1.0f); });
    return c;
}

TEST(G729ExcArgs, FailedChecksReturnTheFirstFailureAndWriteNothing) {
    for (const Case& c : cases()) {
        Bufs b, before;
        const VokStatus s = c.call(b);
        EXPECT_EQ(s, c.expected) << c.name;
        EXPECT_EQ(0, std::memcmp(b.exc, before.exc, sizeof b.exc)) << c.name << ": excitation written";
        EXPECT_EQ(0, std::memcmp(b.vec, before.vec, sizeof b.vec)) << c.name << ": vector written";
        EXPECT_EQ(0, std::memcmp(b.code, before.code, sizeof b.code)) << c.name << ": code written";
        EXPECT_EQ(0, std::memcmp(b.y, before.y, sizeof b.y)) << c.name << ": filtered vector written";
        EXPECT_EQ(0, std::memcmp(b.m16, before.m16, sizeof b.m16)) << c.name << ": matrix written";
        EXPECT_EQ(0, std::memcmp(b.m32, before.m32, sizeof b.m32)) << c.name << ": matrix written";
        EXPECT_EQ(0, std::memcmp(b.fexc, before.fexc, sizeof b.fexc))
            << c.name << ": float excitation written";
        EXPECT_EQ(0, std::memcmp(b.fm, before.fm, sizeof b.fm)) << c.name << ": float matrix written";
        EXPECT_EQ(b.idx[0], kCanary16) << c.name;
        EXPECT_EQ(b.idx[1], kCanary16) << c.name;
        EXPECT_EQ(b.lag, kCanary16) << c.name;
        EXPECT_EQ(b.gain, kCanary16) << c.name;
        EXPECT_EQ(b.counter, kCanary16) << c.name;
        EXPECT_EQ(b.sign, kCanary16) << c.name;
        EXPECT_EQ(b.lag32, kCanary32) << c.name;
        EXPECT_EQ(b.idx32[0], kCanary32) << c.name;
        EXPECT_EQ(b.idx32[1], kCanary32) << c.name;
        for (int i = 0; i < 40; ++i) EXPECT_EQ(b.fy[i], 2.0f) << c.name;
        EXPECT_EQ(b.dp32, kCanary32) << c.name;
        EXPECT_EQ(b.fdp, -9.0f) << c.name;
        if (c.name.rfind("dav", 0) != 0) {
            EXPECT_EQ(b.delay[0], before.delay[0]) << c.name;
            EXPECT_EQ(b.delay[1], before.delay[1]) << c.name;
        }
    }
}

}  // namespace

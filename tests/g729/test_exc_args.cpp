// Argument checks of the G.729 excitation operations: each failed check returns its status and
// leaves every output (canary-filled) and every read-write buffer exactly as passed.
#include <cstring>

#include "support/args.h"

namespace {

using namespace argcheck;
using std::tuple;

// Every buffer an operation may take, canary-filled; inputs that are only read are valid data.
struct Bufs {
    Vok16s w[223], exc[194], vec[40], x[40], h[40], lpc[11], delay[2], code[40], y[40], idx[5], lag, gain,
        counter, sign, m16[616];
    Vok32s m32[616], delay32[2], lag32, idx32[5], dp32;
    Vok32f fw[223], fexc[200], fx[40], fy[40], fh[40], fm[616], fdp;
    Bufs() {
        std::memset(static_cast<void*>(this), 0x5A, sizeof *this);
        std::fill(x, x + 40, Vok16s{100});
        std::fill(h, h + 40, Vok16s{50});
        std::fill(lpc, lpc + 11, Vok16s{0});
        lpc[0] = 4096;
        delay[0] = 40;
        delay[1] = 0;
        delay32[0] = 40;
        delay32[1] = 0;
        std::fill(fexc, fexc + 200, 7.0f);
        std::fill(fx, fx + 40, 1.0f);
        std::fill(fh, fh + 40, 3.0f);
    }
};

// A planted adaptive-codebook delay {T0, frac}.
auto delay(int t0, int frac) {
    return [t0, frac](Bufs& b) {
        b.delay[0] = static_cast<Vok16s>(t0);
        b.delay[1] = static_cast<Vok16s>(frac);
        b.delay32[0] = t0;
        b.delay32[1] = frac;
    };
}

TEST(G729ExcArgs, PitchSearches) {
    // clang-format off
    ARGS(voksOpenLoopPitchSearch_G729_16s, [](Bufs& b) { return tuple(b.w + 143, &b.lag); });
    ARGS(voksOpenLoopPitchSearch_G729A_16s, [](Bufs& b) { return tuple(b.w + 143, &b.lag); });
    ARGS(voksOpenLoopPitchSearch_G729A_32f, [](Bufs& b) { return tuple(b.fw + 143, &b.lag32); });
    // Closed loop: pointers, then the delay, then the sub-frame.
    for (auto fn : {voksAdaptiveCodebookSearch_G729_16s, voksAdaptiveCodebookSearch_G729A_16s}) {
        ARGS(fn, [](Bufs& b) { return tuple(60, b.x, b.h, b.exc, b.delay, b.vec, 0); })
            .fail(kRange, at<0>(-1)).fail(kRange, at<0>(0)).fail(kRange, at<0>(5)).fail(kRange, at<0>(17))
            .fail(kRange, at<0>(146)).fail(kRange, at<0>(300)).fail(kRange, at<6>(-1)).fail(kRange, at<6>(2))
            .fail(kRange, at<6>(40)).fail(kRange, at<0>(300), at<6>(40));
    }
    ARGS(voksAdaptiveCodebookSearch_G729D_16s, [](Bufs& b) { return tuple(60, b.x, b.h, b.exc, 0, b.delay); })
        .fail(kRange, at<0>(146)).fail(kRange, at<0>(17), at<4>(1)).fail(kRange, at<4>(2));
    // clang-format on
}

TEST(G729ExcArgs, AdaptiveVectors) {
    // clang-format off
    for (auto [t0, f] : {std::pair<int, int>{17, 0}, {145, 0}, {144, 2}, {60, -2}, {-40, 0}}) {
        ARGS(voksDecodeAdaptiveVector_G729_16s_I, [](Bufs& b) { return tuple(b.delay, b.exc); })
            .fail(kParam, delay(t0, f));
        ARGS(voksDecodeAdaptiveVector_G729_16s, [](Bufs& b) { return tuple(b.delay, b.exc, b.vec); })
            .fail(kParam, delay(t0, f));
    }
    ARGS(voksDecodeAdaptiveVector_G729_32f_I, [](Bufs& b) { return tuple(b.delay32, b.fexc + 160); })
        .fail(kParam, delay(146, 0)).fail(kParam, delay(40, -2));
    ARGS(voksAdaptiveCodebookContribution_G729_16s, [](Bufs& b) { return tuple(1, b.x, b.h, b.vec); });
    ARGS(voksAdaptiveCodebookContribution_G729_32f, [](Bufs& b) { return tuple(1, b.fx, b.fx, b.fy); });
    ARGS(voksAdaptiveCodebookGain_G729_16s, [](Bufs& b) { return tuple(b.x, b.h, b.x, b.y, &b.gain); });
    ARGS(voksAdaptiveCodebookGain_G729A_16s, [](Bufs& b) { return tuple(b.x, b.lpc, b.x, b.y, &b.gain); });
    // clang-format on
}

TEST(G729ExcArgs, FixedCodebook) {
    // clang-format off
    ARGS(voksToeplizMatrix_G729_16s32s, [](Bufs& b) { return tuple(b.h, b.m32); });
    ARGS(voksToeplizMatrix_G729_16s, [](Bufs& b) { return tuple(b.h, b.m16); });
    ARGS(voksToeplizMatrix_G729_32f, [](Bufs& b) { return tuple(b.fh, b.fm); });
    ARGS(voksToeplizMatrix_G729D_32f, [](Bufs& b) { return tuple(b.fh, b.fm); });
    ARGS(voksFixedCodebookSearch_G729_32s16s,
         [](Bufs& b) { return tuple(b.x, b.m32, b.code, b.idx, &b.counter, 0); })
        .fail(kRange, at<5>(-1));
    ARGS(voksFixedCodebookSearch_G729_16s,
         [](Bufs& b) { return tuple(b.x, b.m16, b.code, b.idx, &b.counter, 0); })
        .fail(kRange, at<5>(2)).fail(kRange, at<5>(-1));
    ARGS(voksFixedCodebookSearch_G729A_32s16s, [](Bufs& b) { return tuple(b.x, b.m32, b.code, b.idx); });
    ARGS(voksFixedCodebookSearch_G729A_16s, [](Bufs& b) { return tuple(b.x, b.m16, b.code, b.idx); });
    ARGS(voksFixedCodebookSearch_G729D_16s,
         [](Bufs& b) { return tuple(b.x, b.h, b.code, b.y, &b.sign, &b.gain); });
    for (int selector : {0, 1}) {
        ARGS(voksFixedCodebookSearch_G729E_16s,
             [](Bufs& b) { return tuple(0, b.x, b.x, b.h, b.code, b.y, b.idx); })
            .fail(kNull, at<0>(selector), at<1>(nullptr));
        ARGS(voksFixedCodebookSearch_G729E_32f,
             [](Bufs& b) { return tuple(0, b.fx, b.fx, b.fh, b.fexc, b.fy, b.idx32); })
            .fail(kNull, at<0>(selector), at<6>(nullptr));
    }
    ARGS(voksFixedCodebookSearch_G729_32f,
         [](Bufs& b) { return tuple(b.fx, b.fm, b.fy, b.idx32, &b.lag32, 0); })
        .fail(kNull, at<1>(nullptr), at<5>(1));
    ARGS(voksFixedCodebookSearch_G729A_32f, [](Bufs& b) { return tuple(b.fx, b.fm, b.fy, b.idx32); });
    ARGS(voksFixedCodebookSearch_G729D_32f,
         [](Bufs& b) { return tuple(b.fx, b.fh, b.fexc, b.fexc + 40, b.idx32, b.idx32 + 1); });
    // clang-format on
}

TEST(G729ExcArgs, DotProducts) {
    // clang-format off
    // Pointers first, then the length.
    for (int len : {0, -1, -40}) {
        ARGS(voksDotProd_G729A_16s32s, [](Bufs& b) { return tuple(b.x, b.h, 40, &b.dp32); })
            .fail(kSize, at<2>(len));
        ARGS(voksDotProd_G729A_32f, [](Bufs& b) { return tuple(b.fx, b.fy, 40, &b.fdp); })
            .fail(kSize, at<2>(len));
        ARGS(voksFilteredExcitation_G729_32f, [](Bufs& b) { return tuple(b.fh, b.fexc, 40, 1.0f); })
            .fail(kSize, at<2>(len));
    }
    // clang-format on
}

}  // namespace

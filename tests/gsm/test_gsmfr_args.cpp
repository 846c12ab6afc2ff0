// Argument checks of the GSM full-rate operations: documented order, and nothing written on a
// failed check (every buffer is canary-filled and compared afterwards).
#include <cstring>

#include "support/args.h"

namespace {

using namespace argcheck;
using std::tuple;

// Every buffer an operation could touch, inputs included, filled with a canary pattern.
struct Buffers {
    Vok16s pad_lo[8];
    Vok16s src[64];
    Vok16s pad_hi[8];
    Vok16s dst[64];
    Vok32s mem32[2];
    Vok16s mem16[9];
    Vok16s refl[8];
    Vok32s acf[9];
    Vok16s xmc[13];
    Vok16s xmp[13];
    Buffers() { std::memset(static_cast<void*>(this), 0x5A, sizeof *this); }
};

// Pointers first, then the length, order or shift; the smallest valid values are accepted.
TEST(GsmfrArgs, FailedChecksReturnTheFirstFailureAndWriteNothing) {
    // clang-format off
    ARGS(voksHighPassFilter_GSMFR_16s, [](Buffers& b) { return tuple(b.src, b.dst, 40, b.mem32); })
        .fail(kSize, at<2>(0)).fail(kSize, at<2>(-1)).pass(at<2>(1));
    ARGS(voksPreemphasize_GSMFR_16s, [](Buffers& b) { return tuple(b.src, b.dst, 40, b.mem16); })
        .fail(kSize, at<2>(0)).pass(at<2>(1));
    ARGS(voksSchur_GSMFR_32s16s, [](Buffers& b) { return tuple(b.acf, b.refl, 8); })
        .fail(kSize, at<2>(0)).fail(kSize, at<2>(9)).fail(kSize, at<2>(-3)).pass(at<2>(1));
    ARGS(voksShortTermAnalysisFilter_GSMFR_16s_I,
         [](Buffers& b) { return tuple(b.refl, b.dst, 40, b.mem16); })
        .fail(kSize, at<2>(0)).pass(at<2>(1));
    ARGS(voksShortTermSynthesisFilter_GSMFR_16s,
         [](Buffers& b) { return tuple(b.refl, b.src, b.dst, 40, b.mem16); })
        .fail(kSize, at<3>(-1)).pass(at<3>(1));
    ARGS(voksWeightingFilter_GSMFR_16s, [](Buffers& b) { return tuple(b.src + 5, b.dst, 40); })
        .fail(kSize, at<2>(0)).pass(at<2>(1));
    ARGS(voksRPEQuantDecode_GSMFR_16s, [](Buffers& b) { return tuple(b.xmc, 18431, 3, b.xmp); })
        .fail(kSf, at<2>(-1)).fail(kSf, at<2>(-32768)).pass(at<2>(0));
    ARGS(voksDeemphasize_GSMFR_16s_I, [](Buffers& b) { return tuple(b.dst, 40, b.mem16); })
        .fail(kSize, at<1>(0)).pass(at<1>(1));
    // clang-format on
}

}  // namespace

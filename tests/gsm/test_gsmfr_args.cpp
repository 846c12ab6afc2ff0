// Argument checks of the GSM full-rate operations: documented order, and nothing written on a
// failed check (every buffer is canary-filled and compared afterwards).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "voksc.h"

namespace {

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
};

struct Case {
    const char* what;
    std::function<VokStatus(Buffers&)> call;
    VokStatus expected;
};

const Case kCases[] = {
    // High-pass: pointers, then length.
    {"highpass null src", [](Buffers& b) { return voksHighPassFilter_GSMFR_16s(nullptr, b.dst, 40, b.mem32); }, vokStatusNullPtr},
    {"highpass null dst", [](Buffers& b) { return voksHighPassFilter_GSMFR_16s(b.src, nullptr, 40, b.mem32); }, vokStatusNullPtr},
    {"highpass null mem", [](Buffers& b) { return voksHighPassFilter_GSMFR_16s(b.src, b.dst, 40, nullptr); }, vokStatusNullPtr},
    {"highpass null and len 0", [](Buffers& b) { return voksHighPassFilter_GSMFR_16s(b.src, b.dst, 0, nullptr); }, vokStatusNullPtr},
    {"highpass len 0", [](Buffers& b) { return voksHighPassFilter_GSMFR_16s(b.src, b.dst, 0, b.mem32); }, vokStatusSize},
    {"highpass len -1", [](Buffers& b) { return voksHighPassFilter_GSMFR_16s(b.src, b.dst, -1, b.mem32); }, vokStatusSize},
    // Pre-emphasis.
    {"preemph null src", [](Buffers& b) { return voksPreemphasize_GSMFR_16s(nullptr, b.dst, 40, b.mem16); }, vokStatusNullPtr},
    {"preemph null dst", [](Buffers& b) { return voksPreemphasize_GSMFR_16s(b.src, nullptr, 40, b.mem16); }, vokStatusNullPtr},
    {"preemph null mem", [](Buffers& b) { return voksPreemphasize_GSMFR_16s(b.src, b.dst, 40, nullptr); }, vokStatusNullPtr},
    {"preemph null and len 0", [](Buffers& b) { return voksPreemphasize_GSMFR_16s(nullptr, b.dst, 0, b.mem16); }, vokStatusNullPtr},
    {"preemph len 0", [](Buffers& b) { return voksPreemphasize_GSMFR_16s(b.src, b.dst, 0, b.mem16); }, vokStatusSize},
    // Schur: pointers, then order 1..8.
    {"schur null acf", [](Buffers& b) { return voksSchur_GSMFR_32s16s(nullptr, b.refl, 8); }, vokStatusNullPtr},
    {"schur null refl", [](Buffers& b) { return voksSchur_GSMFR_32s16s(b.acf, nullptr, 8); }, vokStatusNullPtr},
    {"schur null and order 9", [](Buffers& b) { return voksSchur_GSMFR_32s16s(b.acf, nullptr, 9); }, vokStatusNullPtr},
    {"schur order 0", [](Buffers& b) { return voksSchur_GSMFR_32s16s(b.acf, b.refl, 0); }, vokStatusSize},
    {"schur order 9", [](Buffers& b) { return voksSchur_GSMFR_32s16s(b.acf, b.refl, 9); }, vokStatusSize},
    {"schur order -3", [](Buffers& b) { return voksSchur_GSMFR_32s16s(b.acf, b.refl, -3); }, vokStatusSize},
    // Short-term analysis.
    {"analysis null refl", [](Buffers& b) { return voksShortTermAnalysisFilter_GSMFR_16s_I(nullptr, b.dst, 40, b.mem16); }, vokStatusNullPtr},
    {"analysis null data", [](Buffers& b) { return voksShortTermAnalysisFilter_GSMFR_16s_I(b.refl, nullptr, 40, b.mem16); }, vokStatusNullPtr},
    {"analysis null mem", [](Buffers& b) { return voksShortTermAnalysisFilter_GSMFR_16s_I(b.refl, b.dst, 40, nullptr); }, vokStatusNullPtr},
    {"analysis null and len 0", [](Buffers& b) { return voksShortTermAnalysisFilter_GSMFR_16s_I(b.refl, b.dst, 0, nullptr); }, vokStatusNullPtr},
    {"analysis len 0", [](Buffers& b) { return voksShortTermAnalysisFilter_GSMFR_16s_I(b.refl, b.dst, 0, b.mem16); }, vokStatusSize},
    // Short-term synthesis.
    {"synthesis null refl", [](Buffers& b) { return voksShortTermSynthesisFilter_GSMFR_16s(nullptr, b.src, b.dst, 40, b.mem16); }, vokStatusNullPtr},
    {"synthesis null src", [](Buffers& b) { return voksShortTermSynthesisFilter_GSMFR_16s(b.refl, nullptr, b.dst, 40, b.mem16); }, vokStatusNullPtr},
    {"synthesis null dst", [](Buffers& b) { return voksShortTermSynthesisFilter_GSMFR_16s(b.refl, b.src, nullptr, 40, b.mem16); }, vokStatusNullPtr},
    {"synthesis null mem", [](Buffers& b) { return voksShortTermSynthesisFilter_GSMFR_16s(b.refl, b.src, b.dst, 40, nullptr); }, vokStatusNullPtr},
    {"synthesis null and len -1", [](Buffers& b) { return voksShortTermSynthesisFilter_GSMFR_16s(b.refl, b.src, nullptr, -1, b.mem16); }, vokStatusNullPtr},
    {"synthesis len -1", [](Buffers& b) { return voksShortTermSynthesisFilter_GSMFR_16s(b.refl, b.src, b.dst, -1, b.mem16); }, vokStatusSize},
    // Weighting filter.
    {"weighting null src", [](Buffers& b) { return voksWeightingFilter_GSMFR_16s(nullptr, b.dst, 40); }, vokStatusNullPtr},
    {"weighting null dst", [](Buffers& b) { return voksWeightingFilter_GSMFR_16s(b.src + 5, nullptr, 40); }, vokStatusNullPtr},
    {"weighting null and len 0", [](Buffers& b) { return voksWeightingFilter_GSMFR_16s(b.src + 5, nullptr, 0); }, vokStatusNullPtr},
    {"weighting len 0", [](Buffers& b) { return voksWeightingFilter_GSMFR_16s(b.src + 5, b.dst, 0); }, vokStatusSize},
    // Inverse APCM: pointers, then the shift.
    {"rpe null xmc", [](Buffers& b) { return voksRPEQuantDecode_GSMFR_16s(nullptr, 18431, 3, b.xmp); }, vokStatusNullPtr},
    {"rpe null xmp", [](Buffers& b) { return voksRPEQuantDecode_GSMFR_16s(b.xmc, 18431, 3, nullptr); }, vokStatusNullPtr},
    {"rpe null and shift -1", [](Buffers& b) { return voksRPEQuantDecode_GSMFR_16s(b.xmc, 18431, -1, nullptr); }, vokStatusNullPtr},
    {"rpe shift -1", [](Buffers& b) { return voksRPEQuantDecode_GSMFR_16s(b.xmc, 18431, -1, b.xmp); }, vokStatusScaleFactor},
    {"rpe shift -32768", [](Buffers& b) { return voksRPEQuantDecode_GSMFR_16s(b.xmc, 18431, -32768, b.xmp); }, vokStatusScaleFactor},
    // De-emphasis.
    {"deemph null data", [](Buffers& b) { return voksDeemphasize_GSMFR_16s_I(nullptr, 40, b.mem16); }, vokStatusNullPtr},
    {"deemph null mem", [](Buffers& b) { return voksDeemphasize_GSMFR_16s_I(b.dst, 40, nullptr); }, vokStatusNullPtr},
    {"deemph null and len 0", [](Buffers& b) { return voksDeemphasize_GSMFR_16s_I(b.dst, 0, nullptr); }, vokStatusNullPtr},
    {"deemph len 0", [](Buffers& b) { return voksDeemphasize_GSMFR_16s_I(b.dst, 0, b.mem16); }, vokStatusSize},
};

TEST(GsmfrArgs, FailedChecksReturnTheFirstFailureAndWriteNothing) {
    for (const Case& c : kCases) {
        Buffers b;
        std::memset(&b, 0x5A, sizeof(b));
        Buffers canary;
        std::memcpy(&canary, &b, sizeof(b));
        EXPECT_EQ(c.call(b), c.expected) << c.what;
        EXPECT_EQ(std::memcmp(&b, &canary, sizeof(b)), 0) << c.what << ": a buffer was written";
    }
}

// The smallest valid arguments are accepted: length 1, order 1, shift 0.
TEST(GsmfrArgs, SmallestValidArgumentsSucceed) {
    Buffers b;
    std::memset(&b, 0, sizeof(b));
    EXPECT_EQ(voksHighPassFilter_GSMFR_16s(b.src, b.dst, 1, b.mem32), vokStatusOk);
    EXPECT_EQ(voksPreemphasize_GSMFR_16s(b.src, b.dst, 1, b.mem16), vokStatusOk);
    EXPECT_EQ(voksSchur_GSMFR_32s16s(b.acf, b.refl, 1), vokStatusOk);
    EXPECT_EQ(voksShortTermAnalysisFilter_GSMFR_16s_I(b.refl, b.dst, 1, b.mem16), vokStatusOk);
    EXPECT_EQ(voksShortTermSynthesisFilter_GSMFR_16s(b.refl, b.src, b.dst, 1, b.mem16), vokStatusOk);
    EXPECT_EQ(voksWeightingFilter_GSMFR_16s(b.src + 5, b.dst, 1), vokStatusOk);
    EXPECT_EQ(voksRPEQuantDecode_GSMFR_16s(b.xmc, 18431, 0, b.xmp), vokStatusOk);
    EXPECT_EQ(voksDeemphasize_GSMFR_16s_I(b.dst, 1, b.mem16), vokStatusOk);
}

}  // namespace

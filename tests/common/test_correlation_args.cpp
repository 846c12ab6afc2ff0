// Argument checks of every correlation and filter operation: the documented order of checks,
// and nothing written (outputs and in-place buffers keep their canaries) when a check fails.
#include <cstring>

#include "support/args.h"

namespace {

using namespace argcheck;
using std::tuple;

// Inputs with history in front, and canary-filled outputs.
struct Bufs {
    static constexpr int kHist = 160;
    int16_t in16[kHist + 400];
    float inf[kHist + 400];
    int16_t lpc[17];
    int16_t hist[10];
    int16_t out16[64];
    int32_t out32[64];
    float outf[64];
    double outd;
    int outi[2];
    Bufs() {
        std::memset(static_cast<void*>(this), 0x5A, sizeof *this);
        std::memset(lpc, 0, sizeof lpc);
        std::memset(hist, 0, sizeof hist);
        lpc[0] = 4096;
        lpc[1] = -100;
        lpc[2] = 50;
        lpc[10] = 10;
        for (int i = 0; i < kHist + 400; ++i) {
            in16[i] = static_cast<int16_t>((i * 37) % 2001 - 1000);
            inf[i] = static_cast<float>(in16[i]) / 1000.0f;
        }
    }
    int16_t* s() { return in16 + kHist; }
    float* f() { return inf + kHist; }
};

TEST(CorrelationArgs, Autocorrelations) {
    // clang-format off
    // Each size check's boundary: the smallest valid size passes.
    ARGS(voksAutoCorr_16s32s, [](Bufs& b) { return tuple(b.s(), 10, b.out32, 5); })
        .fail(kSize, at<1>(0)).fail(kSize, at<3>(0)).pass(at<1>(1), at<3>(1));
    ARGS(voksAutoCorr_NormE_16s32s, [](Bufs& b) { return tuple(b.s(), 10, b.out32, 5, b.outi); })
        .fail(kSize, at<1>(-1)).fail(kSize, at<1>(0)).fail(kSize, at<3>(0)).pass(at<1>(1), at<3>(1));
    ARGS(voksAutoCorr_NormE_NR_16s, [](Bufs& b) { return tuple(b.s(), 10, b.out16, 5, b.outi); })
        .fail(kSize, at<1>(0)).fail(kSize, at<3>(0)).pass(at<1>(1), at<3>(1));
    // clang-format on
}

TEST(CorrelationArgs, LagSearches) {
    // clang-format off
    ARGS(voksAutoCorrLagMax_Fwd_16s, [](Bufs& b) { return tuple(b.s(), 40, 20, 40, b.out32, b.outi); })
        .fail(kSize, at<1>(0));
    ARGS(voksAutoCorrLagMax_Inv_16s, [](Bufs& b) { return tuple(b.s(), 40, 20, 40, b.out32, b.outi); })
        .fail(kSize, at<1>(0));
    ARGS(voksAutoCorrLagMax_32f, [](Bufs& b) { return tuple(b.f(), 40, 20, 40, b.outf, b.outi); })
        .fail(kSize, at<1>(-5));
    ARGS(voksCrossCorrLagMax_16s, [](Bufs& b) { return tuple(b.s(), b.s(), 40, 10, b.out32, b.outi); })
        .fail(kSize, at<2>(0), at<3>(-1)).fail(kRange, at<3>(-1));
    ARGS(voksCrossCorrLagMax_32f64f, [](Bufs& b) { return tuple(b.f(), b.f(), 40, 10, &b.outd, b.outi); })
        .fail(kSize, at<2>(0), at<3>(-1)).fail(kRange, at<3>(-1)).pass(at<3>(0));
    // clang-format on
}

TEST(CorrelationArgs, CrossCorrelations) {
    // clang-format off
    ARGS(voksCrossCorr_16s32s_Sfs, [](Bufs& b) { return tuple(b.s(), b.s(), 10, b.out32, 0); })
        .fail(kSize, at<2>(0)).pass(at<2>(1));
    ARGS(voksCrossCorr_NR_16s32s, [](Bufs& b) { return tuple(b.s(), b.s(), 10, b.out32, 5); })
        .fail(kSize, at<2>(0)).fail(kSize, at<4>(0)).pass(at<2>(1), at<4>(1));
    ARGS(voksCrossCorr_NR_16s, [](Bufs& b) { return tuple(b.s(), b.s(), 10, b.out16, 5); })
        .fail(kSize, at<4>(-1)).fail(kSize, at<2>(0)).pass(at<2>(1), at<4>(1));
    ARGS(voksCrossCorr_NR_16s_Sfs, [](Bufs& b) { return tuple(b.s(), b.s(), 10, b.out16, 5, 3); })
        .fail(kSize, at<4>(0)).pass(at<5>(-40));
    ARGS(voksCrossCorr_NormM_16s, [](Bufs& b) { return tuple(b.s(), b.s(), 40, b.out16); })
        .fail(kSize, at<2>(0)).pass(at<2>(1));
    // clang-format on
}

TEST(CorrelationArgs, Convolutions) {
    // clang-format off
    ARGS(voksConvPartial_16s32s, [](Bufs& b) { return tuple(b.s(), b.s(), b.out32, 10); })
        .fail(kSize, at<3>(0)).pass(at<3>(1));
    // The scale factor is checked before the length.
    ARGS(voksConvPartial_16s_Sfs, [](Bufs& b) { return tuple(b.s(), b.s(), b.out16, 10, 12); })
        .fail(kBad, at<4>(-1), at<3>(0)).fail(kSize, at<3>(0));
    ARGS(voksConvPartial_NR_16s, [](Bufs& b) { return tuple(b.s(), b.s(), b.out16, 10); })
        .fail(kSize, at<3>(0)).pass(at<3>(1));
    ARGS(voksConvPartial_NR_Low_16s, [](Bufs& b) { return tuple(b.s(), b.s(), b.out16, 10); })
        .fail(kSize, at<3>(-3));
    // clang-format on
}

TEST(CorrelationArgs, Filters) {
    // clang-format off
    // A null history is a zero state.
    ARGS(voksSynthesisFilter_NR_16s_Sfs, [](Bufs& b) { return tuple(b.lpc, b.s(), b.out16, 10, 12, b.hist); })
        .optional(5).fail(kSize, at<3>(0), at<4>(11)).fail(kSf, at<4>(11))
        .fail(kSf, at<4>(14), at<5>(nullptr))
        .pass(at<4>(13), at<5>(nullptr));
    ARGS(voksSynthesisFilter_NR_16s_ISfs, [](Bufs& b) { return tuple(b.lpc, b.s(), 10, 12, b.hist); })
        .optional(4).fail(kSize, at<2>(0)).fail(kSf, at<3>(0));
    ARGS(voksSynthesisFilterLow_NR_16s_ISfs, [](Bufs& b) { return tuple(b.lpc, b.s(), 10, 12, b.hist); })
        .optional(4).fail(kSize, at<2>(-1)).fail(kSf, at<3>(15), at<4>(nullptr));
    ARGS(voksSynthesisFilterZeroStateResponse_NR_16s, [](Bufs& b) { return tuple(b.lpc, b.out16, 10, 12); })
        .fail(kSize, at<2>(0)).fail(kSf, at<3>(-12)).pass();
    ARGS(voksResidualFilter_Low_16s_Sfs, [](Bufs& b) { return tuple(b.lpc, 10, b.s(), b.out16, 40, 12); })
        .fail(kSize, at<1>(0)).fail(kSize, at<1>(11), at<4>(10)).fail(kSize, at<1>(0), at<5>(16))
        .fail(kSf, at<5>(16)).fail(kSf, at<5>(-1)).pass(at<1>(16), at<4>(16), at<5>(15));
    ARGS(voksHarmonicFilter_16s_I, [](Bufs& b) { return tuple(100, 40, b.s(), 40); })
        .fail(kSize, at<3>(0)).pass(at<3>(1));
    ARGS(voksHarmonicFilter_NR_16s, [](Bufs& b) { return tuple(100, 40, b.s(), b.out16, 40); })
        .fail(kSize, at<4>(0));
    ARGS(voksHarmonicFilter_32f_I, [](Bufs& b) { return tuple(40, b.f(), 40, 0.5f); }).fail(kSize, at<2>(-1));
    ARGS(voksInterpolateC_NR_16s, [](Bufs& b) { return tuple(b.s(), 1, 0, b.s(), 1, 0, b.out16, 10); })
        .fail(kSize, at<7>(0), at<2>(-1)).fail(kSf, at<2>(-1)).fail(kSf, at<5>(-1));
    ARGS(voksPreemphasize_32f_I, [](Bufs& b) { return tuple(b.f(), 10, b.outf, 0.9f); })
        .fail(kSize, at<1>(0));
    // clang-format on
}

}  // namespace

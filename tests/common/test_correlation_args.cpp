// Argument checks of every correlation and filter operation: the documented order of checks,
// and nothing written (outputs and in-place buffers keep their canaries) when a check fails.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "voksc.h"

namespace {

// Inputs with history in front, and canary-filled outputs.
struct Buffers {
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
    Buffers() {
        // Padding included, so two instances compare equal byte for byte.
        std::memset(static_cast<void*>(this), 0, sizeof *this);
        lpc[0] = 4096;
        lpc[1] = -100;
        lpc[2] = 50;
        lpc[10] = 10;
        for (int i = 0; i < kHist + 400; ++i) {
            in16[i] = static_cast<int16_t>((i * 37) % 2001 - 1000);
            inf[i] = static_cast<float>(in16[i]) / 1000.0f;
        }
        std::memset(out16, 0x5A, sizeof out16);
        std::memset(out32, 0x5A, sizeof out32);
        std::memset(outf, 0x5A, sizeof outf);
        std::memset(&outd, 0x5A, sizeof outd);
        std::memset(outi, 0x5A, sizeof outi);
    }
    const int16_t* s() const { return in16 + kHist; }
    int16_t* s() { return in16 + kHist; }
    const float* f() const { return inf + kHist; }
    float* f() { return inf + kHist; }
};

struct Case {
    const char* name;
    VokStatus expected;
    std::function<VokStatus(Buffers&)> call;
};

// Each failing case is run on fresh buffers; every byte of them must be unchanged afterwards.
void run_cases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        Buffers b, before;
        EXPECT_EQ(c.expected, c.call(b)) << c.name;
        if (c.expected < 0) {
            EXPECT_EQ(0, std::memcmp(&b, &before, sizeof b)) << c.name << ": wrote on failure";
        }
    }
}

constexpr VokStatus kNull = vokStatusNullPtr, kSize = vokStatusSize, kSf = vokStatusScaleFactor,
                    kRange = vokStatusRange, kBad = vokStatusBadArg, kOk = vokStatusOk;

TEST(CorrelationArgs, Autocorrelations) {
    run_cases({
        {"AutoCorr null src", kNull, [](Buffers& b) { return voksAutoCorr_16s32s(nullptr, 10, b.out32, 5); }},
        {"AutoCorr null dst", kNull, [](Buffers& b) { return voksAutoCorr_16s32s(b.s(), 10, nullptr, 5); }},
        {"AutoCorr null before size", kNull, [](Buffers&) { return voksAutoCorr_16s32s(nullptr, 0, nullptr, 0); }},
        {"AutoCorr len 0", kSize, [](Buffers& b) { return voksAutoCorr_16s32s(b.s(), 0, b.out32, 5); }},
        {"AutoCorr dstLen 0", kSize, [](Buffers& b) { return voksAutoCorr_16s32s(b.s(), 10, b.out32, 0); }},
        {"AutoCorr ok", kOk, [](Buffers& b) { return voksAutoCorr_16s32s(b.s(), 10, b.out32, 5); }},
        {"NormE null norm", kNull, [](Buffers& b) { return voksAutoCorr_NormE_16s32s(b.s(), 10, b.out32, 5, nullptr); }},
        {"NormE null src", kNull, [](Buffers& b) { return voksAutoCorr_NormE_16s32s(nullptr, 10, b.out32, 5, b.outi); }},
        {"NormE null dst, len 0", kNull, [](Buffers& b) { return voksAutoCorr_NormE_16s32s(b.s(), 0, nullptr, 5, b.outi); }},
        {"NormE len -1", kSize, [](Buffers& b) { return voksAutoCorr_NormE_16s32s(b.s(), -1, b.out32, 5, b.outi); }},
        {"NormE dstLen 0", kSize, [](Buffers& b) { return voksAutoCorr_NormE_16s32s(b.s(), 10, b.out32, 0, b.outi); }},
        {"NormE_NR null norm", kNull, [](Buffers& b) { return voksAutoCorr_NormE_NR_16s(b.s(), 10, b.out16, 5, nullptr); }},
        {"NormE_NR null dst", kNull, [](Buffers& b) { return voksAutoCorr_NormE_NR_16s(b.s(), 10, nullptr, 5, b.outi); }},
        {"NormE_NR len 0", kSize, [](Buffers& b) { return voksAutoCorr_NormE_NR_16s(b.s(), 0, b.out16, 5, b.outi); }},
        {"NormE_NR dstLen 0", kSize, [](Buffers& b) { return voksAutoCorr_NormE_NR_16s(b.s(), 10, b.out16, 0, b.outi); }},
    });
}

TEST(CorrelationArgs, LagSearches) {
    run_cases({
        {"Fwd null src", kNull, [](Buffers& b) { return voksAutoCorrLagMax_Fwd_16s(nullptr, 40, 20, 40, b.out32, b.outi); }},
        {"Fwd null max", kNull, [](Buffers& b) { return voksAutoCorrLagMax_Fwd_16s(b.s(), 40, 20, 40, nullptr, b.outi); }},
        {"Fwd null lag", kNull, [](Buffers& b) { return voksAutoCorrLagMax_Fwd_16s(b.s(), 40, 20, 40, b.out32, nullptr); }},
        {"Fwd len 0", kSize, [](Buffers& b) { return voksAutoCorrLagMax_Fwd_16s(b.s(), 0, 20, 40, b.out32, b.outi); }},
        {"Inv null src", kNull, [](Buffers& b) { return voksAutoCorrLagMax_Inv_16s(nullptr, 40, 20, 40, b.out32, b.outi); }},
        {"Inv null lag, len 0", kNull, [](Buffers& b) { return voksAutoCorrLagMax_Inv_16s(b.s(), 0, 20, 40, b.out32, nullptr); }},
        {"Inv len 0", kSize, [](Buffers& b) { return voksAutoCorrLagMax_Inv_16s(b.s(), 0, 20, 40, b.out32, b.outi); }},
        {"32f null max", kNull, [](Buffers& b) { return voksAutoCorrLagMax_32f(b.f(), 40, 20, 40, nullptr, b.outi); }},
        {"32f len -5", kSize, [](Buffers& b) { return voksAutoCorrLagMax_32f(b.f(), -5, 20, 40, b.outf, b.outi); }},
        {"Cross16 null src2", kNull, [](Buffers& b) { return voksCrossCorrLagMax_16s(b.s(), nullptr, 40, 10, b.out32, b.outi); }},
        {"Cross16 null lag, maxLag -1", kNull, [](Buffers& b) { return voksCrossCorrLagMax_16s(b.s(), b.s(), 40, -1, b.out32, nullptr); }},
        {"Cross16 len 0, maxLag -1", kSize, [](Buffers& b) { return voksCrossCorrLagMax_16s(b.s(), b.s(), 0, -1, b.out32, b.outi); }},
        {"Cross16 maxLag -1", kRange, [](Buffers& b) { return voksCrossCorrLagMax_16s(b.s(), b.s(), 40, -1, b.out32, b.outi); }},
        {"Cross32f null src1", kNull, [](Buffers& b) { return voksCrossCorrLagMax_32f64f(nullptr, b.f(), 40, 10, &b.outd, b.outi); }},
        {"Cross32f null max", kNull, [](Buffers& b) { return voksCrossCorrLagMax_32f64f(b.f(), b.f(), 40, 10, nullptr, b.outi); }},
        {"Cross32f len 0, maxLag -1", kSize, [](Buffers& b) { return voksCrossCorrLagMax_32f64f(b.f(), b.f(), 0, -1, &b.outd, b.outi); }},
        {"Cross32f maxLag -1", kRange, [](Buffers& b) { return voksCrossCorrLagMax_32f64f(b.f(), b.f(), 40, -1, &b.outd, b.outi); }},
        {"Cross32f ok", kOk, [](Buffers& b) { return voksCrossCorrLagMax_32f64f(b.f(), b.f(), 40, 0, &b.outd, b.outi); }},
    });
}

TEST(CorrelationArgs, CrossCorrelations) {
    run_cases({
        {"Sfs null src1", kNull, [](Buffers& b) { return voksCrossCorr_16s32s_Sfs(nullptr, b.s(), 10, b.out32, 0); }},
        {"Sfs null dst", kNull, [](Buffers& b) { return voksCrossCorr_16s32s_Sfs(b.s(), b.s(), 10, nullptr, 0); }},
        {"Sfs len 0", kSize, [](Buffers& b) { return voksCrossCorr_16s32s_Sfs(b.s(), b.s(), 0, b.out32, 0); }},
        {"NR32 null src2", kNull, [](Buffers& b) { return voksCrossCorr_NR_16s32s(b.s(), nullptr, 10, b.out32, 5); }},
        {"NR32 len 0", kSize, [](Buffers& b) { return voksCrossCorr_NR_16s32s(b.s(), b.s(), 0, b.out32, 5); }},
        {"NR32 dstLen 0", kSize, [](Buffers& b) { return voksCrossCorr_NR_16s32s(b.s(), b.s(), 10, b.out32, 0); }},
        {"NR16 null dst", kNull, [](Buffers& b) { return voksCrossCorr_NR_16s(b.s(), b.s(), 10, nullptr, 5); }},
        {"NR16 dstLen -1", kSize, [](Buffers& b) { return voksCrossCorr_NR_16s(b.s(), b.s(), 10, b.out16, -1); }},
        {"NR16 len 0", kSize, [](Buffers& b) { return voksCrossCorr_NR_16s(b.s(), b.s(), 0, b.out16, 5); }},
        {"NR16Sfs null src1", kNull, [](Buffers& b) { return voksCrossCorr_NR_16s_Sfs(nullptr, b.s(), 10, b.out16, 5, 3); }},
        {"NR16Sfs dstLen 0", kSize, [](Buffers& b) { return voksCrossCorr_NR_16s_Sfs(b.s(), b.s(), 10, b.out16, 0, 3); }},
        {"NR16Sfs any scale factor", kOk, [](Buffers& b) { return voksCrossCorr_NR_16s_Sfs(b.s(), b.s(), 10, b.out16, 5, -40); }},
        {"NormM null src2", kNull, [](Buffers& b) { return voksCrossCorr_NormM_16s(b.s(), nullptr, 40, b.out16); }},
        {"NormM null dst", kNull, [](Buffers& b) { return voksCrossCorr_NormM_16s(b.s(), b.s(), 40, nullptr); }},
        {"NormM len 0", kSize, [](Buffers& b) { return voksCrossCorr_NormM_16s(b.s(), b.s(), 0, b.out16); }},
    });
}

TEST(CorrelationArgs, Convolutions) {
    run_cases({
        {"Conv32 null src1", kNull, [](Buffers& b) { return voksConvPartial_16s32s(nullptr, b.s(), b.out32, 10); }},
        {"Conv32 null dst", kNull, [](Buffers& b) { return voksConvPartial_16s32s(b.s(), b.s(), nullptr, 10); }},
        {"Conv32 len 0", kSize, [](Buffers& b) { return voksConvPartial_16s32s(b.s(), b.s(), b.out32, 0); }},
        {"ConvSfs null src2, sf -1", kNull, [](Buffers& b) { return voksConvPartial_16s_Sfs(b.s(), nullptr, b.out16, 10, -1); }},
        {"ConvSfs sf -1 before len 0", kBad, [](Buffers& b) { return voksConvPartial_16s_Sfs(b.s(), b.s(), b.out16, 0, -1); }},
        {"ConvSfs len 0", kSize, [](Buffers& b) { return voksConvPartial_16s_Sfs(b.s(), b.s(), b.out16, 0, 12); }},
        {"ConvNR null dst", kNull, [](Buffers& b) { return voksConvPartial_NR_16s(b.s(), b.s(), nullptr, 10); }},
        {"ConvNR len 0", kSize, [](Buffers& b) { return voksConvPartial_NR_16s(b.s(), b.s(), b.out16, 0); }},
        {"ConvLow null src1", kNull, [](Buffers& b) { return voksConvPartial_NR_Low_16s(nullptr, b.s(), b.out16, 10); }},
        {"ConvLow len -3", kSize, [](Buffers& b) { return voksConvPartial_NR_Low_16s(b.s(), b.s(), b.out16, -3); }},
    });
}

TEST(CorrelationArgs, Filters) {
    run_cases({
        {"Syn null lpc", kNull, [](Buffers& b) { return voksSynthesisFilter_NR_16s_Sfs(nullptr, b.s(), b.out16, 10, 12, b.hist); }},
        {"Syn null src", kNull, [](Buffers& b) { return voksSynthesisFilter_NR_16s_Sfs(b.lpc, nullptr, b.out16, 10, 12, b.hist); }},
        {"Syn null dst, len 0", kNull, [](Buffers& b) { return voksSynthesisFilter_NR_16s_Sfs(b.lpc, b.s(), nullptr, 0, 12, b.hist); }},
        {"Syn len 0, sf 11", kSize, [](Buffers& b) { return voksSynthesisFilter_NR_16s_Sfs(b.lpc, b.s(), b.out16, 0, 11, b.hist); }},
        {"Syn sf 11", kSf, [](Buffers& b) { return voksSynthesisFilter_NR_16s_Sfs(b.lpc, b.s(), b.out16, 10, 11, b.hist); }},
        {"Syn sf 14", kSf, [](Buffers& b) { return voksSynthesisFilter_NR_16s_Sfs(b.lpc, b.s(), b.out16, 10, 14, nullptr); }},
        {"Syn null history is a zero state", kOk, [](Buffers& b) { return voksSynthesisFilter_NR_16s_Sfs(b.lpc, b.s(), b.out16, 10, 13, nullptr); }},
        {"SynI null srcDst", kNull, [](Buffers& b) { return voksSynthesisFilter_NR_16s_ISfs(b.lpc, nullptr, 10, 12, b.hist); }},
        {"SynI len 0", kSize, [](Buffers& b) { return voksSynthesisFilter_NR_16s_ISfs(b.lpc, b.s(), 0, 12, b.hist); }},
        {"SynI sf 0", kSf, [](Buffers& b) { return voksSynthesisFilter_NR_16s_ISfs(b.lpc, b.s(), 10, 0, b.hist); }},
        {"SynLow null lpc", kNull, [](Buffers& b) { return voksSynthesisFilterLow_NR_16s_ISfs(nullptr, b.s(), 10, 12, b.hist); }},
        {"SynLow len -1", kSize, [](Buffers& b) { return voksSynthesisFilterLow_NR_16s_ISfs(b.lpc, b.s(), -1, 12, b.hist); }},
        {"SynLow sf 15", kSf, [](Buffers& b) { return voksSynthesisFilterLow_NR_16s_ISfs(b.lpc, b.s(), 10, 15, nullptr); }},
        {"ZSR null dst", kNull, [](Buffers& b) { return voksSynthesisFilterZeroStateResponse_NR_16s(b.lpc, nullptr, 10, 12); }},
        {"ZSR len 0", kSize, [](Buffers& b) { return voksSynthesisFilterZeroStateResponse_NR_16s(b.lpc, b.out16, 0, 12); }},
        {"ZSR sf 12 ok", kOk, [](Buffers& b) { return voksSynthesisFilterZeroStateResponse_NR_16s(b.lpc, b.out16, 10, 12); }},
        {"ZSR sf -12", kSf, [](Buffers& b) { return voksSynthesisFilterZeroStateResponse_NR_16s(b.lpc, b.out16, 10, -12); }},
        {"Res null src", kNull, [](Buffers& b) { return voksResidualFilter_Low_16s_Sfs(b.lpc, 10, nullptr, b.out16, 40, 12); }},
        {"Res order 0", kSize, [](Buffers& b) { return voksResidualFilter_Low_16s_Sfs(b.lpc, 0, b.s(), b.out16, 40, 12); }},
        {"Res order 11 > len 10", kSize, [](Buffers& b) { return voksResidualFilter_Low_16s_Sfs(b.lpc, 11, b.s(), b.out16, 10, 12); }},
        {"Res order 0, sf 16", kSize, [](Buffers& b) { return voksResidualFilter_Low_16s_Sfs(b.lpc, 0, b.s(), b.out16, 40, 16); }},
        {"Res sf 16", kSf, [](Buffers& b) { return voksResidualFilter_Low_16s_Sfs(b.lpc, 10, b.s(), b.out16, 40, 16); }},
        {"Res sf -1", kSf, [](Buffers& b) { return voksResidualFilter_Low_16s_Sfs(b.lpc, 10, b.s(), b.out16, 40, -1); }},
        {"Res order = len ok", kOk, [](Buffers& b) { return voksResidualFilter_Low_16s_Sfs(b.lpc, 16, b.s(), b.out16, 16, 15); }},
        {"HarmI null", kNull, [](Buffers&) { return voksHarmonicFilter_16s_I(100, 40, nullptr, 40); }},
        {"HarmI len 0", kSize, [](Buffers& b) { return voksHarmonicFilter_16s_I(100, 40, b.s(), 0); }},
        {"HarmNR null dst", kNull, [](Buffers& b) { return voksHarmonicFilter_NR_16s(100, 40, b.s(), nullptr, 40); }},
        {"HarmNR null src", kNull, [](Buffers& b) { return voksHarmonicFilter_NR_16s(100, 40, nullptr, b.out16, 40); }},
        {"HarmNR len 0", kSize, [](Buffers& b) { return voksHarmonicFilter_NR_16s(100, 40, b.s(), b.out16, 0); }},
        {"Harm32f null", kNull, [](Buffers&) { return voksHarmonicFilter_32f_I(40, nullptr, 40, 0.5f); }},
        {"Harm32f len -1", kSize, [](Buffers& b) { return voksHarmonicFilter_32f_I(40, b.f(), -1, 0.5f); }},
        {"Interp null src2", kNull, [](Buffers& b) { return voksInterpolateC_NR_16s(b.s(), 1, 0, nullptr, 1, 0, b.out16, 10); }},
        {"Interp null dst, s1 -1", kNull, [](Buffers& b) { return voksInterpolateC_NR_16s(b.s(), 1, -1, b.s(), 1, 0, nullptr, 10); }},
        {"Interp len 0, s1 -1", kSize, [](Buffers& b) { return voksInterpolateC_NR_16s(b.s(), 1, -1, b.s(), 1, 0, b.out16, 0); }},
        {"Interp s1 -1", kSf, [](Buffers& b) { return voksInterpolateC_NR_16s(b.s(), 1, -1, b.s(), 1, 0, b.out16, 10); }},
        {"Interp s2 -1", kSf, [](Buffers& b) { return voksInterpolateC_NR_16s(b.s(), 1, 0, b.s(), 1, -1, b.out16, 10); }},
        {"Preemph null mem", kNull, [](Buffers& b) { return voksPreemphasize_32f_I(b.f(), 10, nullptr, 0.9f); }},
        {"Preemph null data", kNull, [](Buffers& b) { return voksPreemphasize_32f_I(nullptr, 10, b.outf, 0.9f); }},
        {"Preemph len 0", kSize, [](Buffers& b) { return voksPreemphasize_32f_I(b.f(), 0, b.outf, 0.9f); }},
    });
}

}  // namespace

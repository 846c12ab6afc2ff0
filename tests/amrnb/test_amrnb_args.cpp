// Argument checks of the GSM-AMR operations: documented order, and nothing written on a failed
// check (every buffer is canary-filled and compared afterwards).
#include <cstring>

#include "support/args.h"

namespace {

using namespace argcheck;
using std::tuple;

struct Buffers {
    Vok16s src[260];
    Vok16s src2[64];
    Vok16s dst[160];
    Vok32s r[22];
    Vok16s lsp_hist[80];
    Vok16s en_hist[8];
    Vok16s w[8];
    Vok16s exc[194];
    VokVadState1_GSMAMR vad1;
    VokVadState2_GSMAMR vad2;
    Buffers() {
        std::memset(static_cast<void*>(this), 0x5A, sizeof *this);
        r[0] = 0x40000000;  // a normalised energy: the recursion runs
        for (int i = 1; i < 22; ++i) r[i] = 0;
        w[0] = w[1] = w[2] = 60;  // lags inside the excitation history
    }
};

// Pointers first, then subframe, lengths and rate.
TEST(AmrnbArgs, FailedChecksReturnTheFirstFailureAndWriteNothing) {
    // clang-format off
    ARGS(voksAutoCorr_GSMAMR_16s32s, [](Buffers& b) { return tuple(b.src, b.r, int{vokRate12200}); })
        .fail(kRange, at<2>(2)).fail(kRange, at<2>(13)).fail(kRange, at<2>(-1)).fail(kRange, at<2>(26))
        .pass(at<2>(vokRateDTX)).pass(at<2>(vokRate4750));
    ARGS(voksLevinsonDurbin_GSMAMR_32s16s, [](Buffers& b) { return tuple(b.r, b.dst); });
    ARGS(voksLPCToLSP_GSMAMR_16s, [](Buffers& b) { return tuple(b.src, b.src2, b.dst); });
    ARGS(voksLSPToLPC_GSMAMR_16s, [](Buffers& b) { return tuple(b.src, b.dst); });
    ARGS(voksLSFToLSP_GSMAMR_16s, [](Buffers& b) { return tuple(b.src, b.dst); });
    ARGS(voksInterpolate_GSMAMR_16s, [](Buffers& b) { return tuple(b.src, b.src2, b.dst, 10); })
        .fail(kSize, at<3>(0)).fail(kSize, at<3>(-5)).pass(at<3>(1));
    ARGS(voksPreemphasize_GSMAMR_16s, [](Buffers& b) { return tuple(Vok16s{-26214}, b.src, b.dst, 80, b.w); })
        .fail(kSize, at<3>(0)).pass(at<3>(1));
    ARGS(voksLSPQuant_GSMAMR_16s, [](Buffers& b) { return tuple(b.src, b.src2, b.dst, b.w, int{vokRate12200}); })
        .fail(kRange, at<4>(9)).fail(kRange, at<4>(24)).pass(at<4>(vokRateDTX)).pass(at<4>(vokRate7950));
    ARGS(voksQuantLSPDecode_GSMAMR_16s, [](Buffers& b) {
        return tuple(b.w, b.src2, b.src2 + 10, b.src2 + 20, b.dst, Vok16s{0}, int{vokRate12200}); })
        .fail(kRange, at<6>(5)).pass(at<6>(vokRateDTX)).pass(at<5>(1));
    ARGS(voksOpenLoopPitchSearchNonDTX_GSMAMR_16s, [](Buffers& b) {
        return tuple(b.src, b.src + 44, b.src + 88, b.w, b.w + 1, b.w + 2, b.dst, b.w + 7, b.en_hist, int{vokRate10200}); })
        .fail(kRange, at<9>(4)).pass(at<9>(vokRateDTX)).pass(at<9>(vokRate4750));
    ARGS(voksOpenLoopPitchSearchDTXVAD1_GSMAMR_16s, [](Buffers& b) {
        return tuple(b.src, b.src + 44, b.src + 88, b.en_hist + 4, b.w, b.w + 1, b.w + 2, b.dst, b.en_hist + 5,
                     b.w + 7, b.en_hist, int{vokRate12200}); })
        .fail(kRange, at<11>(13)).pass(at<11>(vokRate10200));
    ARGS(voksOpenLoopPitchSearchDTXVAD2_GSMAMR_16s32s, [](Buffers& b) {
        return tuple(b.src, b.src + 44, b.src + 88, b.w, b.w + 1, b.w + 2, b.dst, b.r, b.r + 1, b.w + 7, b.en_hist,
                     int{vokRate5150}); })
        .fail(kRange, at<11>(-3)).pass(at<11>(vokRate10200));
    ARGS(voksImpulseResponseTarget_GSMAMR_16s, [](Buffers& b) {
        return tuple(b.src, b.src + 50, b.src + 61, b.src + 72, b.src + 83, b.src + 93, b.dst, b.dst + 40, b.dst + 80); });
    ARGS(voksAdaptiveCodebookSearch_GSMAMR_16s, [](Buffers& b) {
        return tuple(b.src, b.src + 40, b.w, b.w + 2, b.exc, b.w + 3, b.w + 4, b.dst, Vok16s{1}, int{vokRate12200}); })
        .fail(kSize, at<8>(4)).fail(kSize, at<8>(-1)).fail(kRange, at<9>(vokRateDTX)).fail(kRange, at<9>(2))
        .pass(at<8>(0)).pass(at<9>(vokRate4750));
    ARGS(voksAdaptiveCodebookDecode_GSMAMR_16s, [](Buffers& b) {
        return tuple(100, b.w, b.w + 1, b.exc, b.w + 2, b.dst, Vok16s{0}, Vok16s{0}, Vok16s{0}, Vok16s{0},
                     int{vokRate7400}); })
        .fail(kSize, at<6>(4)).fail(kRange, at<10>(10)).fail(kRange, at<0>(512)).fail(kRange, at<0>(-1))
        .fail(kRange, at<0>(300))  // absolute lag 188: outside the history
        .pass(at<10>(vokRateDTX)).pass(at<0>(511), at<10>(vokRate12200));
    ARGS(voksAlgebraicCodebookSearch_GSMAMR_16s, [](Buffers& b) {
        return tuple(60, Vok16s{8000}, b.src, b.src + 40, b.src2, b.dst, b.dst + 40, b.w, Vok16s{2}, int{vokRate7950}); })
        .fail(kRange, at<8>(4)).fail(kRange, at<8>(-1)).fail(kRange, at<0>(16)).fail(kRange, at<0>(145))
        .fail(kRange, at<9>(2)).pass(at<0>(144)).pass(at<0>(17), at<9>(vokRateDTX)).pass(at<9>(vokRate10200));
    ARGS(voksAlgebraicCodebookSearchEX_GSMAMR_16s, [](Buffers& b) {
        return tuple(30, Vok16s{8000}, b.src, b.src + 40, b.src2, b.dst, b.dst + 40, b.w, Vok16s{0}, int{vokRate12200},
                     static_cast<void*>(b.en_hist)); })
        .fail(kRange, at<0>(200)).pass(at<9>(vokRate4750));
    ARGS(voksFixedCodebookDecode_GSMAMR_16s,
         [](Buffers& b) { return tuple(b.src, b.dst, Vok16s{3}, int{vokRate10200}); })
        .fail(kRange, at<2>(4)).fail(kRange, at<2>(-1)).fail(kRange, at<3>(9)).pass(at<3>(vokRateDTX));
    ARGS(voksAdaptiveCodebookGain_GSMAMR_16s, [](Buffers& b) { return tuple(b.src, b.src2, b.dst); });
    ARGS(voksAdaptiveCodebookGainCoeffs_GSMAMR_16s,
         [](Buffers& b) { return tuple(b.src, b.src2, b.dst, b.w); });
    ARGS(voksPostFilter_GSMAMR_16s, [](Buffers& b) {
        return tuple(b.src, b.src + 44, b.w, b.w + 1, b.lsp_hist, b.lsp_hist + 10, b.dst, int{vokRate10200}); })
        .fail(kRange, at<7>(2)).pass(at<7>(vokRateDTX));
    ARGS(voksVAD1_GSMAMR_16s, [](Buffers& b) { return tuple(b.src, &b.vad1, b.w, 13106, 0); });
    ARGS(voksVAD2_GSMAMR_16s, [](Buffers& b) { return tuple(b.src, &b.vad2, b.w, 1); });
    ARGS(voksFFTFwd_RToPerm_GSMAMR_16s_I, [](Buffers& b) { return tuple(b.dst); });
    ARGS(voksEncDTXHandler_GSMAMR_16s, [](Buffers& b) { return tuple(b.w, b.w + 1, b.w + 2, b.w + 3, 0); });
    ARGS(voksEncDTXBuffer_GSMAMR_16s,
         [](Buffers& b) { return tuple(b.src, b.src2, b.w, b.lsp_hist, b.en_hist); });
    ARGS(voksDecDTXBuffer_GSMAMR_16s,
         [](Buffers& b) { return tuple(b.src, b.src2, b.w, b.lsp_hist, b.en_hist); });
    ARGS(voksEncDTXSID_GSMAMR_16s, [](Buffers& b) {
        return tuple(b.lsp_hist, b.en_hist, b.w, b.w + 1, b.w + 2, b.src2, b.src2 + 4, Vok16s{1}); })
        .quiet(kOk, at<7>(0));  // no request and a non-zero previous energy index: nothing written
    // clang-format on
}

}  // namespace

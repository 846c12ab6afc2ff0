// Exported GSM-AMR codebook and pitch-gain operations: argument checks in the documented order,
// then the implementation.
#include <cstring>

#include "amrnb/exc_internal.h"
#include "amrnb/lp_internal.h"
#include "frame/check.h"
#include "voksc.h"

using voks::any_null;
namespace a = voks::amrnb;

extern "C" {

VOKSC_API VokStatus voksFixedCodebookDecode_GSMAMR_16s(const Vok16s* pSrcFixedIndex, Vok16s* pDstFixedVector,
                                                       Vok16s subFrame, int mode) {
    if (any_null(pSrcFixedIndex, pDstFixedVector)) return vokStatusNullPtr;
    if (static_cast<uint16_t>(subFrame) > 3 || !a::valid_mode(mode, true)) return vokStatusRange;
    a::fixed_decode(pSrcFixedIndex, pDstFixedVector, subFrame, mode);
    return vokStatusOk;
}

VOKSC_API VokStatus voksAdaptiveCodebookGain_GSMAMR_16s(const Vok16s* pSrcAdptTarget,
                                                        const Vok16s* pSrcFltAdptVector,
                                                        Vok16s* pResultAdptGain) {
    if (any_null(pSrcAdptTarget, pSrcFltAdptVector, pResultAdptGain)) return vokStatusNullPtr;
    *pResultAdptGain = a::pitch_gain(pSrcAdptTarget, pSrcFltAdptVector, nullptr);
    return vokStatusOk;
}

VOKSC_API VokStatus voksAdaptiveCodebookGainCoeffs_GSMAMR_16s(const Vok16s* pSrcAdptTarget,
                                                              const Vok16s* pSrcFltAdptVector,
                                                              Vok16s* pResultAdptGain,
                                                              Vok16s* pResultGainCoeffs) {
    if (any_null(pSrcAdptTarget, pSrcFltAdptVector, pResultAdptGain, pResultGainCoeffs))
        return vokStatusNullPtr;
    *pResultAdptGain = a::pitch_gain(pSrcAdptTarget, pSrcFltAdptVector, pResultGainCoeffs);
    return vokStatusOk;
}

VOKSC_API VokStatus voksPostFilter_GSMAMR_16s(const Vok16s* pSrcQLpc, const Vok16s* pSrcSpch,
                                              Vok16s* pSrcDstPreemphMem, Vok16s* pSrcDstPastGain,
                                              Vok16s* pSrcDstSpchHist, Vok16s* pSrcDstSynFltState,
                                              Vok16s* pDstFltSpch, int mode) {
    if (any_null(pSrcQLpc, pSrcSpch, pSrcDstPreemphMem, pSrcDstPastGain, pSrcDstSpchHist, pSrcDstSynFltState,
                 pDstFltSpch))
        return vokStatusNullPtr;
    if (!a::valid_mode(mode, true)) return vokStatusRange;
    a::post_filter(pSrcQLpc, pSrcSpch, pSrcDstPreemphMem, pSrcDstPastGain, pSrcDstSpchHist,
                   pSrcDstSynFltState, pDstFltSpch, mode);
    return vokStatusOk;
}

VOKSC_API VokStatus voksAdaptiveCodebookSearch_GSMAMR_16s(
    const Vok16s* pSrcAdptTarget, const Vok16s* pSrcImpulseResponse, const Vok16s* pSrcOpenLoopLag,
    Vok16s* pSrcDstPrevIntPitchLag, Vok16s* pSrcDstExcitation, Vok16s* pDstFracPitchLag,
    Vok16s* pDstAdptIndex, Vok16s* pDstAdptVector, Vok16s subFrame, int mode) {
    if (any_null(pSrcAdptTarget, pSrcImpulseResponse, pSrcOpenLoopLag, pSrcDstPrevIntPitchLag,
                 pSrcDstExcitation, pDstFracPitchLag, pDstAdptIndex, pDstAdptVector))
        return vokStatusNullPtr;
    if (subFrame < 0 || subFrame > 3) return vokStatusSize;
    if (!a::valid_mode(mode, false)) return vokStatusRange;
    Vok16s* exc = pSrcDstExcitation + a::kExcHistory;
    a::pitch_search(pSrcAdptTarget, pSrcImpulseResponse, pSrcOpenLoopLag, *pSrcDstPrevIntPitchLag, exc,
                    *pDstFracPitchLag, *pDstAdptIndex, subFrame, mode);
    std::memcpy(pDstAdptVector, exc, a::kSubframe * sizeof(Vok16s));
    return vokStatusOk;
}

VOKSC_API VokStatus voksAdaptiveCodebookDecode_GSMAMR_16s(int index, Vok16s* pSrcDstPrevIntPitchLag,
                                                          Vok16s* pDstLagBuffer, Vok16s* pSrcDstExcitation,
                                                          Vok16s* pSrcDstIntPitchLag, Vok16s* pDstAdptVector,
                                                          Vok16s subFrame, Vok16s bfi,
                                                          Vok16s inBackgroundNoise, Vok16s voicedHangover,
                                                          int mode) {
    if (any_null(pSrcDstPrevIntPitchLag, pDstLagBuffer, pSrcDstExcitation, pSrcDstIntPitchLag,
                 pDstAdptVector))
        return vokStatusNullPtr;
    if (subFrame < 0 || subFrame > 3) return vokStatusSize;
    if (!a::valid_mode(mode, true)) return vokStatusRange;
    if (static_cast<uint16_t>(index) >= 512) return vokStatusRange;
    Vok16s prev = *pSrcDstPrevIntPitchLag, buf = *pDstLagBuffer, lag = *pSrcDstIntPitchLag, frac = 0;
    if (!a::pitch_decode(index, prev, buf, lag, frac, subFrame, bfi != 0, inBackgroundNoise != 0,
                         voicedHangover, mode))
        return vokStatusRange;
    Vok16s* exc = pSrcDstExcitation + a::kExcHistory;
    a::pred_lt(exc, lag, frac, mode != vokRate12200);
    std::memcpy(pDstAdptVector, exc, a::kSubframe * sizeof(Vok16s));
    *pSrcDstPrevIntPitchLag = prev;
    *pDstLagBuffer = buf;
    *pSrcDstIntPitchLag = lag;
    return vokStatusOk;
}

VOKSC_API VokStatus voksAlgebraicCodebookSearch_GSMAMR_16s(
    int pitchLag, Vok16s pitchSharp, const Vok16s* pSrcFixedTarget, const Vok16s* pSrcLtpResidual,
    Vok16s* pSrcDstImpulseResponse, Vok16s* pDstFixedVector, Vok16s* pDstFltFixedVector,
    Vok16s* pDstEncPosSign, Vok16s subFrame, int mode) {
    if (any_null(pSrcFixedTarget, pSrcLtpResidual, pSrcDstImpulseResponse, pDstFixedVector,
                 pDstFltFixedVector, pDstEncPosSign))
        return vokStatusNullPtr;
    if (static_cast<uint16_t>(subFrame) > 3 || pitchLag < 17 || pitchLag > 144 || !a::valid_mode(mode, true))
        return vokStatusRange;
    a::fixed_search(pitchLag, pitchSharp, pSrcFixedTarget, pSrcLtpResidual, pSrcDstImpulseResponse,
                    pDstFixedVector, pDstFltFixedVector, pDstEncPosSign, subFrame, mode);
    return vokStatusOk;
}

VOKSC_API VokStatus voksAlgebraicCodebookSearchEX_GSMAMR_16s(
    int pitchLag, Vok16s pitchSharp, const Vok16s* pSrcFixedTarget, const Vok16s* pSrcLtpResidual,
    Vok16s* pSrcDstImpulseResponse, Vok16s* pDstFixedVector, Vok16s* pDstFltFixedVector,
    Vok16s* pDstEncPosSign, Vok16s subFrame, int mode, void* pReserved) {
    if (any_null(pReserved)) return vokStatusNullPtr;
    return voksAlgebraicCodebookSearch_GSMAMR_16s(pitchLag, pitchSharp, pSrcFixedTarget, pSrcLtpResidual,
                                                  pSrcDstImpulseResponse, pDstFixedVector, pDstFltFixedVector,
                                                  pDstEncPosSign, subFrame, mode);
}

}  // extern "C"

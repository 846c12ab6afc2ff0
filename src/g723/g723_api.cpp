// Exported G.723.1 operations: argument checks in their documented order, then the core.
#include <cstring>

#include "common/basicop.h"
#include "frame/check.h"
#include "g723/g723_internal.h"
#include "voksc.h"

using voks::any_null;
namespace g723 = voks::g723;

namespace {

// 1 for 6.3 kbit/s, 0 for 5.3 kbit/s, -1 for any other code.
int rate63(VokSpeechRate r) {
    return r == vokRate6300 ? 1 : r == vokRate5300 ? 0 : -1;
}

}  // namespace

extern "C" {

VokStatus voksAutoCorr_G723_16s(const Vok16s* pSrc, Vok16s* pExp, Vok16s* pDst) {
    if (any_null(pSrc, pExp, pDst)) return vokStatusNullPtr;
    g723::autocorr(pSrc, pExp, pDst);
    return vokStatusOk;
}

VokStatus voksAutoCorr_NormE_G723_16s(const Vok16s* pSrc, Vok16s* pDst, Vok32s* pExp) {
    if (any_null(pSrc, pDst, pExp)) return vokStatusNullPtr;
    g723::autocorr_norm(pSrc, pDst, pExp);
    return vokStatusOk;
}

VokStatus voksLevinsonDurbin_G723_16s(const Vok16s* pSrcAutoCorr, Vok16s* pSineDet, Vok16s* pResidualEnergy,
                                      Vok16s* pDstLpc) {
    if (any_null(pSrcAutoCorr, pSineDet, pResidualEnergy, pDstLpc)) return vokStatusNullPtr;
    int16_t k2 = 0;
    int16_t lpc[g723::kOrder];
    *pResidualEnergy = g723::durbin(pSrcAutoCorr, lpc, &k2);
    std::memcpy(pDstLpc, lpc, sizeof lpc);
    *pSineDet = static_cast<Vok16s>((static_cast<uint16_t>(*pSineDet) << 1) | (k2 > 0x799A ? 1 : 0));
    return vokStatusOk;
}

VokStatus voksLPCToLSF_G723_16s(const Vok16s* pSrcLpc, const Vok16s* pPrevLsf, Vok16s* pDstLsf) {
    if (any_null(pSrcLpc, pPrevLsf, pDstLsf)) return vokStatusNullPtr;
    int16_t lsf[g723::kOrder];
    g723::lpc_to_lsf(pSrcLpc, pPrevLsf, lsf);
    std::memcpy(pDstLsf, lsf, sizeof lsf);
    return vokStatusOk;
}

VokStatus voksLSFToLPC_G723_16s_I(Vok16s* pSrcDstLsfLpc) {
    if (any_null(pSrcDstLsfLpc)) return vokStatusNullPtr;
    for (int i = 0; i < g723::kOrder; ++i)
        if (pSrcDstLsfLpc[i] < 0) return vokStatusRange;
    g723::lsf_to_lpc(pSrcDstLsfLpc);
    return vokStatusOk;
}

VokStatus voksLSFToLPC_G723_16s(const Vok16s* pSrcLsf, Vok16s* pDstLpc) {
    if (any_null(pSrcLsf, pDstLpc)) return vokStatusNullPtr;
    int16_t v[g723::kOrder];
    std::memcpy(v, pSrcLsf, sizeof v);
    const VokStatus s = voksLSFToLPC_G723_16s_I(v);
    if (s == vokStatusOk) std::memcpy(pDstLpc, v, sizeof v);
    return s;
}

VokStatus voksLSFQuant_G723_16s32s(const Vok16s* pSrcLsf, const Vok16s* pPrevLsf, Vok32s* pIndex) {
    if (any_null(pSrcLsf, pPrevLsf, pIndex)) return vokStatusNullPtr;
    *pIndex = g723::lsf_quant(pSrcLsf, pPrevLsf);
    return vokStatusOk;
}

VokStatus voksLSFDecode_G723_16s(const Vok16s* pIndex, const Vok16s* pPrevLsf, Vok32s erased,
                                 Vok16s* pDstLsf) {
    if (any_null(pIndex, pPrevLsf, pDstLsf)) return vokStatusNullPtr;
    if (erased == 0)
        for (int b = 0; b < 3; ++b)
            if (pIndex[b] < 0 || pIndex[b] > 255) return vokStatusRange;
    int16_t lsf[g723::kOrder];
    const bool ok = g723::lsf_decode(pIndex, pPrevLsf, erased != 0, lsf);
    std::memcpy(pDstLsf, lsf, sizeof lsf);
    return ok ? vokStatusOk : vokStatusLsfFloor;
}

VokStatus voksOpenLoopPitchSearch_G723_16s(const Vok16s* pSrc, Vok16s* pLag) {
    if (any_null(pSrc, pLag)) return vokStatusNullPtr;
    *pLag = g723::open_loop_pitch(pSrc);
    return vokStatusOk;
}

VokStatus voksHarmonicSearch_G723_16s(Vok16s olp, const Vok16s* pSrc, Vok16s* pLag, Vok16s* pGain) {
    if (any_null(pSrc, pLag, pGain)) return vokStatusNullPtr;
    if (olp < g723::kPitchMin || olp > g723::kPitchMax) return vokStatusSize;
    g723::harmonic_search(olp, pSrc, pLag, pGain);
    return vokStatusOk;
}

VokStatus voksHarmonicNoiseSubtract_G723_16s_I(Vok16s gain, Vok32s lag, Vok16s* pSrcDst, Vok16s* pMem) {
    if (any_null(pSrcDst, pMem)) return vokStatusNullPtr;
    if (lag < 1 || lag > g723::kPitchMax) return vokStatusRange;
    g723::harmonic_subtract(gain, lag, pSrcDst, pMem);
    return vokStatusOk;
}

VokStatus voksAdaptiveCodebookSearch_G723(Vok16s baseLag, const Vok16s* pTarget, const Vok16s* pImp,
                                          const Vok16s* pPrevExc, const Vok32s* pAccErr, Vok16s* pLagOffset,
                                          Vok16s* pGainIndex, Vok16s subFrame, Vok16s sineDet,
                                          VokSpeechRate rate) {
    if (any_null(pTarget, pImp, pPrevExc, pAccErr, pLagOffset, pGainIndex)) return vokStatusNullPtr;
    const int top = (subFrame & 1) ? 141 : 142;
    if (baseLag < g723::kPitchMin || baseLag > top) return vokStatusRange;
    if (subFrame < 0 || subFrame > 4) return vokStatusRange;
    const int r = rate63(rate);
    if (r < 0) return vokStatusRange;
    g723::adaptive_search(baseLag, pTarget, pImp, pPrevExc, pAccErr, subFrame, sineDet, r == 1, pLagOffset,
                          pGainIndex);
    return vokStatusOk;
}

VokStatus voksDecodeAdaptiveVector_G723_16s(Vok16s baseLag, Vok16s offset, Vok16s gainIndex,
                                            const Vok16s* pPrevExc, Vok16s* pDst, VokSpeechRate rate) {
    if (any_null(pPrevExc, pDst)) return vokStatusNullPtr;
    const int r = rate63(rate);
    // The lag reads two samples beyond itself, so it stays within the 145-sample history.
    if (offset < 0 || offset > 3 || baseLag < g723::kPitchMin || baseLag + offset > 144 || gainIndex < 0 ||
        gainIndex > 169 || (r == 1 && baseLag < g723::kSub - 2 && gainIndex > 84))
        return vokStatusParamRange;
    if (r < 0) return vokStatusRange;
    int16_t v[g723::kSub];
    g723::adaptive_vector(baseLag, offset, gainIndex, pPrevExc, r == 1, v);
    std::memcpy(pDst, v, sizeof v);
    return vokStatusOk;
}

VokStatus voksToeplizMatrix_G723_16s32s(const Vok16s* pImp, Vok32s* pDst) {
    if (any_null(pImp, pDst)) return vokStatusNullPtr;
    g723::toeplitz(pImp, pDst);
    return vokStatusOk;
}

VokStatus voksToeplizMatrix_G723_16s(const Vok16s* pImp, Vok16s* pDst) {
    if (any_null(pImp, pDst)) return vokStatusNullPtr;
    int32_t rr[416];
    g723::toeplitz(pImp, rr);
    for (int i = 0; i < 416; ++i) pDst[i] = voks::extract_h(rr[i]);
    return vokStatusOk;
}

VokStatus voksACELPFixedCodebookSearch_G723_32s16s(const Vok16s* pCorr, const Vok32s* pMatrix, Vok16s* pSign,
                                                   Vok16s* pPosition, Vok16s* pGrid, Vok16s* pCode,
                                                   Vok16s* pBudget) {
    if (any_null(pCorr, pMatrix, pSign, pPosition, pGrid, pCode, pBudget)) return vokStatusNullPtr;
    int16_t sign[4], pos[4], grid, code[g723::kSub], budget = *pBudget;
    g723::acelp_search(pCorr, pMatrix, sign, pos, &grid, code, &budget);
    std::memcpy(pSign, sign, sizeof sign);
    std::memcpy(pPosition, pos, sizeof pos);
    std::memcpy(pCode, code, sizeof code);
    *pGrid = grid;
    *pBudget = budget;
    return vokStatusOk;
}

VokStatus voksACELPFixedCodebookSearch_G723_16s(const Vok16s* pCorr, const Vok16s* pMatrix, Vok16s* pSign,
                                                Vok16s* pPosition, Vok16s* pGrid, Vok16s* pCode,
                                                Vok16s* pBudget) {
    if (any_null(pCorr, pMatrix, pSign, pPosition, pGrid, pCode, pBudget)) return vokStatusNullPtr;
    int32_t rr[416];
    for (int i = 0; i < 416; ++i) rr[i] = voks::L_deposit_h(pMatrix[i]);
    return voksACELPFixedCodebookSearch_G723_32s16s(pCorr, rr, pSign, pPosition, pGrid, pCode, pBudget);
}

VokStatus voksMPMLQFixedCodebookSearch_G723(Vok16s baseLag, const Vok16s* pImp, const Vok16s* pTarget,
                                            Vok16s* pCode, Vok16s* pGrid, Vok16s* pTrain, Vok16s* pAmp,
                                            Vok16s* pSign, Vok32s* pPosition, Vok16s subFrame) {
    if (any_null(pImp, pTarget, pCode, pGrid, pTrain, pAmp, pSign, pPosition)) return vokStatusNullPtr;
    if (baseLag < g723::kPitchMin || baseLag > g723::kPitchMax || subFrame < 0 || subFrame > 3)
        return vokStatusRange;
    int16_t code[g723::kSub], grid, train, amp, sign;
    int32_t pos;
    g723::mpmlq_search(baseLag, pImp, pTarget, subFrame, code, &grid, &train, &amp, &sign, &pos);
    std::memcpy(pCode, code, sizeof code);
    *pGrid = grid, *pTrain = train, *pAmp = amp, *pSign = sign, *pPosition = pos;
    return vokStatusOk;
}

VokStatus voksGainQuant_G723_16s(const Vok16s* pImp, const Vok16s* pTarget, Vok16s lag, Vok16s* pPosition,
                                 Vok16s* pAmplitude, Vok16s* pGrid, Vok16s* pAmpIndex, Vok16s* pTrain,
                                 int numPulses, Vok32s* pErr) {
    if (any_null(pImp, pTarget, pPosition, pAmplitude, pGrid, pAmpIndex, pTrain, pErr))
        return vokStatusNullPtr;
    if (numPulses != 5 && numPulses != 6) return vokStatusBadArg;
    if (lag < 1) return vokStatusRange;
    g723::Pulses best{};
    best.err = *pErr;
    g723::mpmlq_best(pImp, pTarget, lag, numPulses, best);
    if (best.err == *pErr) return vokStatusOk;
    std::memcpy(pPosition, best.pos, sizeof(int16_t) * numPulses);
    std::memcpy(pAmplitude, best.val, sizeof(int16_t) * numPulses);
    *pGrid = best.grid, *pAmpIndex = best.amp, *pTrain = best.train, *pErr = best.err;
    return vokStatusOk;
}

VokStatus voksGainControl_G723_16s_I(Vok32s energy, Vok16s* pSrcDst, Vok16s* pGain) {
    if (any_null(pSrcDst, pGain)) return vokStatusNullPtr;
    if (energy < 0) return vokStatusBadArg;
    g723::gain_control(energy, pSrcDst, pGain);
    return vokStatusOk;
}

VokStatus voksHighPassFilter_G723_16s(const Vok16s* pSrc, Vok16s* pDst, Vok32s* pMem) {
    if (any_null(pSrc, pDst, pMem)) return vokStatusNullPtr;
    g723::high_pass(pSrc, pDst, pMem);
    return vokStatusOk;
}

VokStatus voksIIR16s_G723_16s32s(const Vok16s* pCoef, const Vok16s* pSrc, Vok32s* pDst, Vok16s* pMem) {
    if (any_null(pCoef, pSrc, pDst, pMem)) return vokStatusNullPtr;
    int32_t acc[g723::kSub];
    g723::pole_zero32(pCoef, pSrc, acc, pMem);
    std::memcpy(pDst, acc, sizeof acc);
    return vokStatusOk;
}

VokStatus voksIIR16s_G723_32s16s_Sfs(const Vok16s* pCoef, const Vok32s* pSrc, int scaleFactor, Vok16s* pDst,
                                     Vok16s* pMem) {
    if (any_null(pCoef, pSrc, pDst, pMem)) return vokStatusNullPtr;
    if (scaleFactor < 0) return vokStatusScaleFactor;
    int16_t y[g723::kSub];
    g723::pole_zero_from32(pCoef, pSrc, y, pMem, scaleFactor > 31 ? 31 : scaleFactor);
    std::memcpy(pDst, y, sizeof y);
    return vokStatusOk;
}

VokStatus voksIIR16s_G723_16s_I(const Vok16s* pCoef, Vok16s* pSrcDst, Vok16s* pMem) {
    if (any_null(pCoef, pSrcDst, pMem)) return vokStatusNullPtr;
    int32_t acc[g723::kSub];
    g723::pole_zero32(pCoef, pSrcDst, acc, pMem);
    for (int i = 0; i < g723::kSub; ++i) pSrcDst[i] = voks::round_fx(acc[i]);
    return vokStatusOk;
}

VokStatus voksSynthesisFilter_G723_16s(const Vok16s* pLpc, const Vok16s* pSrc, Vok16s* pMem, Vok16s* pDst) {
    if (any_null(pLpc, pSrc, pMem, pDst)) return vokStatusNullPtr;
    int16_t y[g723::kSub];
    g723::synthesis(pLpc, pSrc, pMem, y);
    std::memcpy(pDst, y, sizeof y);
    return vokStatusOk;
}

VokStatus voksSynthesisFilter_G723_16s32s(const Vok16s* pLpc, const Vok16s* pSrc, Vok32s* pDst,
                                          Vok16s* pMem) {
    if (any_null(pLpc, pSrc, pDst, pMem)) return vokStatusNullPtr;
    int32_t acc[g723::kSub];
    g723::synthesis32(pLpc, pSrc, acc, pMem);
    std::memcpy(pDst, acc, sizeof acc);
    return vokStatusOk;
}

VokStatus voksTiltCompensation_G723_32s16s(Vok16s tilt, const Vok32s* pSrc, Vok16s* pDst) {
    if (any_null(pSrc, pDst)) return vokStatusNullPtr;
    int16_t y[g723::kSub];
    g723::tilt(tilt, pSrc, y);
    std::memcpy(pDst, y, sizeof y);
    return vokStatusOk;
}

VokStatus voksPitchPostFilter_G723_16s(Vok16s baseLag, const Vok16s* pSrc, Vok16s* pDelay, Vok16s* pGain,
                                       Vok16s* pScale, Vok16s subFrame, VokSpeechRate rate) {
    if (any_null(pSrc, pDelay, pGain, pScale)) return vokStatusNullPtr;
    const int r = rate63(rate);
    if (r < 0 || subFrame < 0 || subFrame > 3 || baseLag < g723::kPitchMin || baseLag > g723::kPitchMax)
        return vokStatusRange;
    g723::pitch_postfilter(baseLag, pSrc, subFrame, r == 1, pDelay, pGain, pScale);
    return vokStatusOk;
}

}  // extern "C"

// Exported G.729 gain, post-filter and boundary-filter operations: argument checks in the
// documented order, then the implementation.
#include "frame/check.h"
#include "g729/gain_internal.h"
#include "voksc.h"

using voks::any_null;
namespace g = voks::g729;

namespace {

constexpr int kSubfr = 40;

bool bad_taming(Vok16s flag) { return static_cast<uint16_t>(flag) > 1; }

}  // namespace

extern "C" {

VOKSC_API VokStatus voksGainQuant_G729_16s(const Vok16s* pTarget, const Vok16s* pAdaptFilt,
                                           const Vok16s* pFixedVec, const Vok16s* pFixedFilt,
                                           Vok16s* pPastEnergies, Vok16s* pGains, Vok16s* pIndices,
                                           Vok16s tamingFlag) {
    if (any_null(pTarget, pAdaptFilt, pFixedVec, pFixedFilt, pPastEnergies, pGains, pIndices))
        return vokStatusNullPtr;
    if (bad_taming(tamingFlag)) return vokStatusRange;
    g::gain_quant(pTarget, pAdaptFilt, pFixedVec, pFixedFilt, pPastEnergies, pGains, pIndices, tamingFlag,
                  false);
    return vokStatusOk;
}

VOKSC_API VokStatus voksGainQuant_G729D_16s(const Vok16s* pTarget, const Vok16s* pAdaptFilt,
                                            const Vok16s* pFixedVec, const Vok16s* pFixedFilt,
                                            Vok16s* pPastEnergies, Vok16s* pGains, Vok16s* pIndices,
                                            Vok16s tamingFlag) {
    if (any_null(pTarget, pAdaptFilt, pFixedVec, pFixedFilt, pPastEnergies, pGains, pIndices))
        return vokStatusNullPtr;
    if (bad_taming(tamingFlag)) return vokStatusRange;
    g::gain_quant(pTarget, pAdaptFilt, pFixedVec, pFixedFilt, pPastEnergies, pGains, pIndices, tamingFlag,
                  true);
    return vokStatusOk;
}

VOKSC_API VokStatus voksDecodeGain_G729_16s(Vok32s energy, Vok16s* pPastEnergies, const Vok16s* pIndices,
                                            Vok16s* pGains) {
    if (any_null(pPastEnergies, pGains)) return vokStatusNullPtr;
    g::decode_gain(energy, pPastEnergies, pIndices, pGains);
    return vokStatusOk;
}

VOKSC_API VokStatus voksDecodeGain_G729I_16s(Vok32s energy, Vok16s attenuation, Vok16s* pPastEnergies,
                                             const Vok16s* pIndices, Vok16s* pGains) {
    if (any_null(pPastEnergies, pGains)) return vokStatusNullPtr;
    g::decode_gain_6k(energy, attenuation, pPastEnergies, pIndices, pGains);
    return vokStatusOk;
}

VOKSC_API VokStatus voksGainCodebookSearch_G729_32f(const Vok32f* pCorr, const Vok32s* pCand, Vok32s* pIndex,
                                                    Vok32s tamingFlag, Vok32f gcode0) {
    if (any_null(pCorr, pCand, pIndex)) return vokStatusNullPtr;
    if (tamingFlag != 0 && tamingFlag != 1) return vokStatusRange;
    if (static_cast<uint32_t>(pCand[0]) > 4 || static_cast<uint32_t>(pCand[1]) > 8) return vokStatusRange;
    g::gain_search_32f(pCorr, pCand, pIndex, tamingFlag, gcode0, false);
    return vokStatusOk;
}

VOKSC_API VokStatus voksGainCodebookSearch_G729D_32f(const Vok32f* pCorr, const Vok32s* pCand,
                                                     Vok32s* pIndex, Vok32s tamingFlag, Vok32f gcode0) {
    if (any_null(pCorr, pCand, pIndex)) return vokStatusNullPtr;
    if (tamingFlag != 0 && tamingFlag != 1) return vokStatusRange;
    if (static_cast<uint32_t>(pCand[0]) > 2 || static_cast<uint32_t>(pCand[1]) > 2) return vokStatusRange;
    g::gain_search_32f(pCorr, pCand, pIndex, tamingFlag, gcode0, true);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLongTermPostFilter_G729_16s(Vok16s gamma, int delay, const Vok16s* pResidual,
                                                    Vok16s* pDst, Vok16s* pVoicing) {
    if (any_null(pResidual, pDst, pVoicing)) return vokStatusNullPtr;
    if (static_cast<uint16_t>(gamma) > 16384 || delay < 18 || delay > 143) return vokStatusRange;
    g::ltp_g729(gamma, delay, pResidual, pDst, pVoicing);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLongTermPostFilter_G729A_16s(Vok16s delay, const Vok16s* pSpeech, const Vok16s* pLpc,
                                                     Vok16s* pResidual, Vok16s* pDst) {
    if (any_null(pSpeech, pLpc, pResidual, pDst)) return vokStatusNullPtr;
    if (delay < 18 || delay > 145) return vokStatusRange;
    g::ltp_g729a(delay, pSpeech, pLpc, pResidual, pDst);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLongTermPostFilter_G729B_16s(Vok16s delay, const Vok16s* pSpeech, const Vok16s* pLpc,
                                                     Vok16s* pResidual, Vok16s* pDst, Vok16s* pVoicing,
                                                     Vok16s frameType) {
    if (any_null(pSpeech, pLpc, pResidual, pDst, pVoicing)) return vokStatusNullPtr;
    if (delay > 143 || static_cast<uint16_t>(frameType) > 2) return vokStatusRange;
    // An active frame runs the delay search, which reads the residual buffer only for 18..143.
    if (frameType == 1 && delay < 18) return vokStatusRange;
    g::ltp_g729b(delay, pSpeech, pLpc, pResidual, pDst, pVoicing, frameType);
    return vokStatusOk;
}

VOKSC_API VokStatus voksShortTermPostFilter_G729_16s(const Vok16s* pLpc, const Vok16s* pSrc, Vok16s* pDst,
                                                     Vok16s* pImpulse) {
    if (any_null(pLpc, pSrc, pDst, pImpulse)) return vokStatusNullPtr;
    return g::short_term(pLpc, pSrc, pDst, pImpulse);
}

VOKSC_API VokStatus voksTiltCompensation_G729_16s(const Vok16s* pImpulse, Vok16s* pSrcDst) {
    if (any_null(pImpulse, pSrcDst)) return vokStatusNullPtr;
    g::tilt_g729(pImpulse, pSrcDst);
    return vokStatusOk;
}

VOKSC_API VokStatus voksTiltCompensation_G729A_16s(const Vok16s* pLpc, Vok16s* pSrcDst) {
    if (any_null(pLpc, pSrcDst)) return vokStatusNullPtr;
    g::tilt_g729a(pLpc, pSrcDst);
    return vokStatusOk;
}

VOKSC_API VokStatus voksTiltCompensation_G729E_16s(Vok16s tilt, const Vok16s* pSrc, Vok16s* pDst) {
    if (any_null(pSrc, pDst)) return vokStatusNullPtr;
    g::tilt_mu(tilt, pSrc, pDst);
    return vokStatusOk;
}

VOKSC_API VokStatus voksGainControl_G729_16s_I(const Vok16s* pSrc, Vok16s* pSrcDst, Vok16s* pGain) {
    if (any_null(pSrc, pSrcDst, pGain)) return vokStatusNullPtr;
    g::gain_control(pSrc, pSrcDst, pGain);
    return vokStatusOk;
}

VOKSC_API VokStatus voksGainControl_G729A_16s_I(const Vok16s* pSrc, Vok16s* pSrcDst, Vok16s* pGain) {
    if (any_null(pSrc, pSrcDst, pGain)) return vokStatusNullPtr;
    g::gain_control_a(pSrc, pSrcDst, pGain);
    return vokStatusOk;
}

VOKSC_API VokStatus voksGainControl_G729_32f_I(Vok32f* pSrcDst, Vok32f* pGain, Vok32f increment,
                                               Vok32f factor) {
    if (any_null(pSrcDst, pGain)) return vokStatusNullPtr;
    g::gain_control_32f(pSrcDst, pGain, increment, factor);
    return vokStatusOk;
}

VOKSC_API VokStatus voksPreemphasize_G729A_16s(Vok16s gamma, const Vok16s* pSrc, Vok16s* pDst, int len,
                                               Vok16s* pMem) {
    if (any_null(pSrc, pDst, pMem)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    g::preemphasis(gamma, pSrc, pDst, len, pMem);
    return vokStatusOk;
}

VOKSC_API VokStatus voksPreemphasize_G729A_16s_I(Vok16s gamma, Vok16s* pSrcDst, int len, Vok16s* pMem) {
    if (any_null(pSrcDst, pMem)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    g::preemphasis(gamma, pSrcDst, pSrcDst, len, pMem);
    return vokStatusOk;
}

VOKSC_API VokStatus voksPhaseDispersionGetStateSize_G729D_16s(int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = g::kPhDispStateBytes;
    return vokStatusOk;
}

VOKSC_API VokStatus voksPhaseDispersionInit_G729D_16s(VokG729PhaseDispersionState* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    g::phdisp_init(pState);
    return vokStatusOk;
}

VOKSC_API VokStatus voksPhaseDispersionUpdate_G729D_16s(Vok16s pitchGain, Vok16s codeGain,
                                                        VokG729PhaseDispersionState* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    g::phdisp_update(pitchGain, codeGain, pState);
    return vokStatusOk;
}

VOKSC_API VokStatus voksPhaseDispersion_G729D_16s(const Vok16s* pSrc, Vok16s* pDst, Vok16s codeGain,
                                                  Vok16s pitchGain, Vok16s* pFixed,
                                                  VokG729PhaseDispersionState* pState) {
    if (any_null(pSrc, pDst, pFixed, pState)) return vokStatusNullPtr;
    g::phdisp(pSrc, pDst, codeGain, pitchGain, pFixed, pState);
    return vokStatusOk;
}

VOKSC_API VokStatus voksHighPassFilterSize_G729(int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = g::kHighPassStateBytes;
    return vokStatusOk;
}

VOKSC_API VokStatus voksHighPassFilterInit_G729(const Vok16s* pCoeffs, VokG729HighPassState* pState) {
    if (any_null(pCoeffs, pState)) return vokStatusNullPtr;
    g::highpass_init(pCoeffs, pState);
    return vokStatusOk;
}

VOKSC_API VokStatus voksHighPassFilter_G729_16s_ISfs(Vok16s* pSrcDst, int len, int scaleFactor,
                                                     VokG729HighPassState* pState) {
    if (any_null(pSrcDst, pState)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    if (scaleFactor != 12 && scaleFactor != 13) return vokStatusScaleFactor;
    g::highpass(pSrcDst, len, scaleFactor, pState);
    return vokStatusOk;
}

VOKSC_API VokStatus voksIIR16s_G729_16s(const Vok16s* pCoeffs, const Vok16s* pSrc, Vok16s* pDst, Vok16s* pMem) {
    if (any_null(pCoeffs, pSrc, pDst, pMem)) return vokStatusNullPtr;
    g::iir16s(pCoeffs, pSrc, pDst, pMem, false);
    return vokStatusOk;
}

VOKSC_API VokStatus voksIIR16sLow_G729_16s(const Vok16s* pCoeffs, const Vok16s* pSrc, Vok16s* pDst,
                                           Vok16s* pMem) {
    if (any_null(pCoeffs, pSrc, pDst, pMem)) return vokStatusNullPtr;
    g::iir16s(pCoeffs, pSrc, pDst, pMem, true);
    return vokStatusOk;
}

VOKSC_API VokStatus voksResidualFilter_G729_16s(const Vok16s* pSrc, const Vok16s* pLpc, Vok16s* pDst) {
    if (any_null(pSrc, pLpc, pDst)) return vokStatusNullPtr;
    g::residu(pLpc, 10, pSrc, pDst, kSubfr);
    return vokStatusOk;
}

VOKSC_API VokStatus voksResidualFilter_G729E_16s(const Vok16s* pLpc, int order, const Vok16s* pSrc,
                                                 Vok16s* pDst, int len) {
    if (any_null(pLpc, pSrc, pDst)) return vokStatusNullPtr;
    if (order < 1 || len < 1 || order > len) return vokStatusSize;
    g::residu(pLpc, order, pSrc, pDst, len);
    return vokStatusOk;
}

VOKSC_API VokStatus voksSynthesisFilter_G729E_16s(const Vok16s* pLpc, int order, const Vok16s* pSrc,
                                                  Vok16s* pDst, int len, Vok16s* pMem) {
    if (any_null(pLpc, pSrc, pDst, pMem)) return vokStatusNullPtr;
    if (len < 1 || order < 1) return vokStatusSize;
    g::synth_e(pLpc, order, pSrc, pDst, len, pMem);
    return vokStatusOk;
}

VOKSC_API VokStatus voksSynthesisFilter_G729E_16s_I(const Vok16s* pLpc, int order, Vok16s* pSrcDst, int len,
                                                    Vok16s* pMem) {
    if (any_null(pLpc, pSrcDst, pMem)) return vokStatusNullPtr;
    if (len < 1 || order < 1) return vokStatusSize;
    g::synth_e(pLpc, order, pSrcDst, pSrcDst, len, pMem);
    return vokStatusOk;
}

VOKSC_API VokStatus voksSynthesisFilter_G729_32f(const Vok32f* pLpc, int order, const Vok32f* pSrc,
                                                 Vok32f* pDst, int len, Vok32f* pMem) {
    if (any_null(pLpc, pSrc, pDst, pMem)) return vokStatusNullPtr;
    if (len < 1 || len > 640 || order < 1 || order > 30) return vokStatusSize;
    g::synth_32f(pLpc, order, pSrc, pDst, len, pMem);
    return vokStatusOk;
}

}  // extern "C"

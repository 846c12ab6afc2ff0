// Exported AMR-WB operations: argument checks in their documented order, then the family.
#include <algorithm>
#include <cstring>
#include <vector>

#include "amrwb/amrwb_internal.h"
#include "frame/check.h"
#include "voksc.h"

using voks::any_null;
namespace amrwb = voks::amrwb;

extern "C" {

VokStatus voksISFToISP_AMRWB_16s(const Vok16s* pSrcIsf, Vok16s* pDstIsp, int len) {
    if (any_null(pSrcIsf, pDstIsp)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    amrwb::isf_to_isp(pSrcIsf, pDstIsp, len);
    return vokStatusOk;
}

VokStatus voksISPToISF_Norm_AMRWB_16s(const Vok16s* pSrcIsp, Vok16s* pDstIsf, int len) {
    if (any_null(pSrcIsp, pDstIsf)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    amrwb::isp_to_isf(pSrcIsp, pDstIsf, len);
    return vokStatusOk;
}

VokStatus voksISPToLPC_AMRWB_16s(const Vok16s* pSrcIsp, Vok16s* pDstLpc, int len) {
    if (any_null(pSrcIsp, pDstLpc)) return vokStatusNullPtr;
    // An odd order leaves a coefficient without a polynomial term: only pairs are accepted.
    if (len < 2 || len > amrwb::kMaxOrder || (len & 1)) return vokStatusSize;
    amrwb::isp_to_lpc(pSrcIsp, pDstLpc, len);
    return vokStatusOk;
}

VokStatus voksPreemphasize_AMRWB_16s_ISfs(Vok16s gamma, Vok16s* pSrcDst, int len, int scaleFactor,
                                          Vok16s* pMem) {
    if (any_null(pSrcDst, pMem)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    if (scaleFactor > 15) return vokStatusScaleFactor;
    amrwb::preemphasis(gamma, pSrcDst, len, scaleFactor, pMem);
    return vokStatusOk;
}

VokStatus voksDeemphasize_AMRWB_NR_16s_I(Vok16s gamma, Vok16s* pSrcDst, int len, Vok16s* pMem) {
    if (any_null(pSrcDst, pMem)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    amrwb::deemphasis_half(gamma, pSrcDst, len, pMem);
    return vokStatusOk;
}

VokStatus voksResidualFilter_AMRWB_16s_Sfs(const Vok16s* pSrcLpc, Vok16s order, const Vok16s* pSrc,
                                           Vok16s* pDst, int len, int scaleFactor) {
    if (any_null(pSrcLpc, pSrc, pDst)) return vokStatusNullPtr;
    if (order < 1 || len < 1 || order > len) return vokStatusSize;
    if (scaleFactor > 15) return vokStatusScaleFactor;
    amrwb::residual(pSrcLpc, order, pSrc, pDst, len, scaleFactor);
    return vokStatusOk;
}

VokStatus voksAdaptiveCodebookGainCoeff_AMRWB_16s(const Vok16s* pSrcAdptTarget,
                                                  const Vok16s* pSrcFltAdptVector, Vok16s* pDstCorrCoeff,
                                                  Vok16s* pResultAdptGain, int len) {
    if (any_null(pSrcAdptTarget, pSrcFltAdptVector, pDstCorrCoeff, pResultAdptGain)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    *pResultAdptGain = amrwb::pitch_gain(pSrcAdptTarget, pSrcFltAdptVector, pDstCorrCoeff, len);
    return vokStatusOk;
}

VokStatus voksEncDTXBuffer_AMRWB_16s(const Vok16s* pSrcSpch, const Vok16s* pSrcIsf, Vok16s* pSrcDstHistPtr,
                                     Vok16s* pSrcDstIsfHist, Vok16s* pSrcDstLogEnHist, int mode) {
    if (any_null(pSrcSpch, pSrcIsf, pSrcDstHistPtr, pSrcDstIsfHist, pSrcDstLogEnHist))
        return vokStatusNullPtr;
    const int m = amrwb::mode_index(mode);
    if (m < 0) return vokStatusRange;
    amrwb::dtx_buffer(pSrcSpch, pSrcIsf, pSrcDstHistPtr, pSrcDstIsfHist, pSrcDstLogEnHist,
                      amrwb::kDtxEnergyAdjust[m]);
    return vokStatusOk;
}

VokStatus voksDecDTXBuffer_AMRWB_16s(const Vok16s* pSrcSpch, const Vok16s* pSrcIsf, Vok16s* pSrcDstHistPtr,
                                     Vok16s* pSrcDstIsfHist, Vok16s* pSrcDstLogEnHist) {
    if (any_null(pSrcSpch, pSrcIsf, pSrcDstHistPtr, pSrcDstIsfHist, pSrcDstLogEnHist))
        return vokStatusNullPtr;
    amrwb::dtx_buffer(pSrcSpch, pSrcIsf, pSrcDstHistPtr, pSrcDstIsfHist, pSrcDstLogEnHist, 0);
    return vokStatusOk;
}

}  // extern "C"

namespace {

// The 46-bit quantiser serves every rate but 6.60 and the silence descriptor.
bool wide_isf(int mode_index) {
    return mode_index != 0 && mode_index != 9;
}

}  // namespace

extern "C" {

VokStatus voksISFQuant_AMRWB_16s(const Vok16s* pSrcIsf, Vok16s* pSrcDstPastIsfRq, Vok16s* pDstQIsf,
                                 Vok16s* pDstIndex, int mode) {
    if (any_null(pSrcIsf, pSrcDstPastIsfRq, pDstQIsf, pDstIndex)) return vokStatusNullPtr;
    const int m = amrwb::mode_index(mode);
    if (m < 0) return vokStatusRange;
    amrwb::isf_quantise(pSrcIsf, pSrcDstPastIsfRq, pDstQIsf, pDstIndex, wide_isf(m));
    return vokStatusOk;
}

VokStatus voksISFQuantDecode_AMRWB_16s(const Vok16s* pSrcIndex, Vok16s* pDstQIsf, Vok16s* pSrcDstPastIsfRq,
                                       const Vok16s* pSrcPrevQIsf, Vok16s* pSrcDstIsfHistory, int bfi,
                                       int mode) {
    if (any_null(pSrcIndex, pDstQIsf, pSrcDstPastIsfRq, pSrcPrevQIsf, pSrcDstIsfHistory))
        return vokStatusNullPtr;
    const int m = amrwb::mode_index(mode);
    if (m < 0) return vokStatusRange;
    // Indices outside their codebooks would read past the tables.
    if (!bfi && !amrwb::isf_indices_valid(pSrcIndex, wide_isf(m))) return vokStatusRange;
    amrwb::isf_decode(pSrcIndex, pDstQIsf, pSrcDstPastIsfRq, pSrcPrevQIsf, pSrcDstIsfHistory, bfi != 0,
                      wide_isf(m));
    return vokStatusOk;
}

VokStatus voksISFQuantDTX_AMRWB_16s(const Vok16s* pSrcIsf, Vok16s* pDstQIsf, Vok16s* pDstIndex) {
    if (any_null(pSrcIsf, pDstQIsf, pDstIndex)) return vokStatusNullPtr;
    amrwb::isf_quantise_noise(pSrcIsf, pDstQIsf, pDstIndex);
    return vokStatusOk;
}

VokStatus voksISFQuantDecodeDTX_AMRWB_16s(const Vok16s* pSrcIndex, Vok16s* pDstQIsf) {
    if (any_null(pSrcIndex, pDstQIsf)) return vokStatusNullPtr;
    if (!amrwb::isf_noise_indices_valid(pSrcIndex)) return vokStatusRange;
    amrwb::isf_decode_noise(pSrcIndex, pDstQIsf);
    return vokStatusOk;
}

}  // extern "C"

extern "C" {

VokStatus voksDecodeGain_AMRWB_16s(int index, Vok16s codeInvSqrtEnergy, Vok16s* pDstAdptGain,
                                   Vok32s* pDstFixedGain, int bfi, int prevBfi, Vok16s* pSrcDstPastQuaEnergy,
                                   Vok16s* pSrcDstPrevFixedGain, Vok16s* pSrcDstFixedGain, int mode) {
    if (any_null(pDstAdptGain, pDstFixedGain, pSrcDstPastQuaEnergy, pSrcDstPrevFixedGain, pSrcDstFixedGain))
        return vokStatusNullPtr;
    const int m = amrwb::mode_index(mode);
    if (m < 0) return vokStatusRange;
    if (!bfi && !amrwb::gain_index_valid(index, m)) return vokStatusRange;
    amrwb::decode_gain(index, codeInvSqrtEnergy, pDstAdptGain, pDstFixedGain, bfi != 0, prevBfi == 1,
                       pSrcDstPastQuaEnergy, pSrcDstPrevFixedGain, pSrcDstFixedGain, m <= 1 || m == 9);
    return vokStatusOk;
}

}  // extern "C"

extern "C" {

VokStatus voksAlgebraicCodebookDecode_AMRWB_16s(const Vok16s* pSrcIndex, Vok16s* pDstFixedVector, int mode) {
    if (any_null(pSrcIndex, pDstFixedVector)) return vokStatusNullPtr;
    const int bits = amrwb::codebook_bits(mode);
    if (bits < 0) return vokStatusRange;
    amrwb::decode_code(pSrcIndex, bits, pDstFixedVector);
    return vokStatusOk;
}

}  // extern "C"

namespace {

amrwb::PitchState load_pitch(const void* p) {
    amrwb::PitchState s;
    std::memcpy(&s, p, sizeof s);
    return s;
}

}  // namespace

extern "C" {

VokStatus voksAdaptiveCodebookDecodeGetSize_AMRWB_16s(int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = sizeof(amrwb::PitchState);
    return vokStatusOk;
}

VokStatus voksAdaptiveCodebookDecodeInit_AMRWB_16s(VokAdaptiveCodebookDecodeState_AMRWB* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    const amrwb::PitchState s{{0, 0, 0, 0, 0}, 21845, {64, 64, 64, 64, 64}, 64};
    std::memcpy(pState, &s, sizeof s);
    return vokStatusOk;
}

VokStatus voksAdaptiveCodebookDecodeUpdate_AMRWB_16s(int gain, int lag,
                                                     VokAdaptiveCodebookDecodeState_AMRWB* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    amrwb::PitchState s = load_pitch(pState);
    for (int i = 0; i < 4; ++i) s.gains[i] = s.gains[i + 1];
    s.gains[4] = static_cast<int16_t>(gain);
    for (int i = 4; i > 0; --i) s.lags[i] = s.lags[i - 1];
    s.lags[0] = s.last_good = static_cast<int16_t>(lag);
    std::memcpy(pState, &s, sizeof s);
    return vokStatusOk;
}

VokStatus voksAdaptiveCodebookDecode_AMRWB_16s(int index, Vok16s* pDstFracPitchLag, Vok16s* pSrcDstExcitation,
                                               Vok16s* pDstIntPitchLag, Vok16s* pSrcDstLagBounds,
                                               int subFrame, int bfi, int unusableFrame, int mode,
                                               VokAdaptiveCodebookDecodeState_AMRWB* pState) {
    if (any_null(pDstFracPitchLag, pSrcDstExcitation, pDstIntPitchLag, pSrcDstLagBounds, pState))
        return vokStatusNullPtr;
    if (subFrame < 0 || subFrame > 3) return vokStatusSize;
    const int m = amrwb::mode_index(mode);
    if (m < 0) return vokStatusRange;
    const bool coarse = m <= 1 || m == 9, absolute = subFrame == 0 || (subFrame == 2 && m != 0 && m != 9);
    const int bits = (absolute ? 9 : 6) - (coarse ? 1 : 0);
    if (index < 0 || index >= (1 << bits)) return vokStatusRange;
    // A relative lag must stay inside the history the caller provides.
    if (!absolute && (pSrcDstLagBounds[0] < amrwb::kPitchMin || pSrcDstLagBounds[0] > amrwb::kPitchMax - 15))
        return vokStatusRange;
    amrwb::PitchState s = load_pitch(pState);
    int lag, frac;
    amrwb::decode_lag(index, absolute, coarse, pSrcDstLagBounds, lag, frac);
    if (bfi) {
        amrwb::conceal_lag(s.gains, s.lags, s.last_good, s.seed, unusableFrame != 0, lag);
        frac = 0;
        // Concealed lags come from the state's history: kept inside the lag range whatever it holds.
        lag = std::clamp(lag, amrwb::kPitchMin, amrwb::kPitchMax);
    }
    amrwb::interpolate_lag(pSrcDstExcitation, lag, frac, amrwb::kSubframe);
    *pDstIntPitchLag = static_cast<int16_t>(lag);
    *pDstFracPitchLag = static_cast<int16_t>(frac);
    std::memcpy(pState, &s, sizeof s);
    return vokStatusOk;
}

}  // extern "C"

extern "C" {

VokStatus voksLPCToISP_AMRWB_16s(const Vok16s* pSrcLpc, Vok16s* pDstIsp, const Vok16s* pSrcPrevIsp) {
    if (any_null(pSrcLpc, pDstIsp, pSrcPrevIsp)) return vokStatusNullPtr;
    amrwb::lpc_to_isp(pSrcLpc, pDstIsp, pSrcPrevIsp);
    return vokStatusOk;
}

}  // extern "C"

extern "C" {

VokStatus voksGainQuant_AMRWB_16s(const Vok16s* pSrcAdptTarget, const Vok16s* pSrcFltAdptVector, int valQ,
                                  const Vok16s* pSrcFixedVector, const Vok16s* pSrcFltFixedVector,
                                  const Vok16s* pSrcCorrCoeff, Vok16s* pSrcDstPastQuaEnergy,
                                  Vok16s* pSrcDstAdptGain, Vok32s* pDstFixedGain, int clipFlag,
                                  Vok16s* pDstIndex, int len, int mode) {
    if (any_null(pSrcAdptTarget, pSrcFltAdptVector, pSrcFixedVector, pSrcFltFixedVector, pSrcCorrCoeff,
                 pSrcDstPastQuaEnergy, pSrcDstAdptGain, pDstFixedGain, pDstIndex))
        return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    const int m = amrwb::mode_index(mode);
    if (m < 0) return vokStatusRange;
    *pDstIndex = static_cast<Vok16s>(amrwb::quantise_gain(
        pSrcAdptTarget, pSrcFltAdptVector, valQ, pSrcFixedVector, pSrcFltFixedVector, pSrcCorrCoeff,
        pSrcDstPastQuaEnergy, pSrcDstAdptGain, pDstFixedGain, clipFlag == 1, len, m <= 1 || m == 9));
    return vokStatusOk;
}

}  // extern "C"

extern "C" {

VokStatus voksOpenLoopPitchSearch_AMRWB_16s(const Vok16s* pSrcWgtSpch, const Vok16s* pSrcHpWgtSpch,
                                            Vok16s* pSrcDstMedianLag, Vok16s* pSrcDstAdaptWeight,
                                            Vok16s* pDstOpenLoopLag, Vok16s* pSrcDstToneFlag,
                                            Vok16s* pDstOpenLoopGain, Vok16s* pSrcDstPrevLags,
                                            Vok16s* pSrcDstWeightFlag, int len) {
    if (any_null(pSrcWgtSpch, pSrcHpWgtSpch, pSrcDstMedianLag, pSrcDstAdaptWeight, pDstOpenLoopLag,
                 pSrcDstToneFlag, pDstOpenLoopGain, pSrcDstPrevLags, pSrcDstWeightFlag))
        return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    // The weighting centre indexes the weight table: a median outside 15..116 would read past
    // it (open-loop lags are 18..115).
    if (*pSrcDstMedianLag > 0 && *pSrcDstWeightFlag > 0 &&
        (*pSrcDstMedianLag < 15 || *pSrcDstMedianLag > 116))
        return vokStatusRange;
    *pDstOpenLoopLag =
        amrwb::open_loop_lag(pSrcWgtSpch, pSrcHpWgtSpch, len, pSrcDstMedianLag, pSrcDstAdaptWeight,
                             pSrcDstToneFlag, pDstOpenLoopGain, pSrcDstPrevLags, pSrcDstWeightFlag);
    return vokStatusOk;
}

}  // extern "C"

extern "C" {

VokStatus voksAdaptiveCodebookSearch_AMRWB_16s(const Vok16s* pSrcAdptTarget,
                                               const Vok16s* pSrcImpulseResponse,
                                               const Vok16s* pSrcOpenLoopLag, Vok16s* pDstIntPitchLag,
                                               Vok16s* pSrcDstLagBounds, Vok16s* pSrcDstExcitation,
                                               Vok16s* pDstFracPitchLag, Vok16s* pDstAdptIndex, int subFrame,
                                               int mode) {
    if (any_null(pSrcAdptTarget, pSrcImpulseResponse, pSrcOpenLoopLag, pDstIntPitchLag, pSrcDstLagBounds,
                 pSrcDstExcitation, pDstFracPitchLag, pDstAdptIndex))
        return vokStatusNullPtr;
    if (subFrame < 0 || subFrame > 3) return vokStatusSize;
    int m = amrwb::mode_index(mode);
    if (m < 0 && (mode == 22 || (mode >= 26 && mode <= 32))) m = 8;  // codebook codes: fine resolution
    if (m < 0) return vokStatusRange;
    const bool coarse = m <= 1 || m == 9, absolute = subFrame == 0 || (subFrame == 2 && m != 0 && m != 9);
    int16_t window[2];
    if (absolute) {
        amrwb::lag_window(pSrcOpenLoopLag[subFrame == 0 ? 0 : 1], window);
    } else {
        window[0] = pSrcDstLagBounds[0];
        window[1] = pSrcDstLagBounds[1];
        if (window[0] < amrwb::kPitchMin || window[1] < window[0] || window[1] > amrwb::kPitchMax ||
            window[1] - window[0] > 15)
            return vokStatusRange;
    }
    int frac;
    const int lag = amrwb::search_lag(pSrcDstExcitation, pSrcAdptTarget, pSrcImpulseResponse, window[0],
                                      window[1], absolute, coarse, frac);
    *pDstAdptIndex = static_cast<Vok16s>(amrwb::encode_lag(lag, frac, absolute, coarse, window[0]));
    if (absolute) amrwb::lag_window(lag, pSrcDstLagBounds);
    amrwb::interpolate_lag(pSrcDstExcitation, lag, frac, amrwb::kSubframe + 1);
    *pDstIntPitchLag = static_cast<Vok16s>(lag);
    *pDstFracPitchLag = static_cast<Vok16s>(frac);
    return vokStatusOk;
}

}  // extern "C"

extern "C" {

VokStatus voksSynthesisFilter_AMRWB_16s32s_I(const Vok16s* pSrcLpc, int order, const Vok16s* pSrcExc,
                                             Vok32s* pSrcDstSignal, int len) {
    if (any_null(pSrcLpc, pSrcExc, pSrcDstSignal)) return vokStatusNullPtr;
    if (order <= 0 || len <= 0) return vokStatusSize;
    amrwb::synthesis_32(pSrcLpc, order, pSrcExc, pSrcDstSignal, len);
    return vokStatusOk;
}

VokStatus voksDeemphasize_AMRWB_32s16s(Vok16s gamma, const Vok32s* pSrc, Vok16s* pDst, int len,
                                       Vok16s* pMem) {
    if (any_null(pSrc, pDst, pMem)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    amrwb::deemphasis_32(gamma, pSrc, pDst, len, pMem);
    return vokStatusOk;
}

}  // extern "C"

extern "C" {

VokStatus voksVADGetSize_AMRWB_16s(int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = sizeof(amrwb::VadState);
    return vokStatusOk;
}

VokStatus voksVADInit_AMRWB_16s(VokVadState_AMRWB* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    amrwb::VadState s;
    std::memcpy(&s, pState, sizeof s);
    amrwb::vad_init(s);
    std::memcpy(pState, &s, sizeof s);
    return vokStatusOk;
}

VokStatus voksVAD_AMRWB_16s(const Vok16s* pSrcSpch, VokVadState_AMRWB* pSrcDstState, Vok16s* pSrcDstToneFlag,
                            Vok16s* pResultVadFlag) {
    if (any_null(pSrcSpch, pSrcDstState, pSrcDstToneFlag, pResultVadFlag)) return vokStatusNullPtr;
    amrwb::VadState s;
    std::memcpy(&s, pSrcDstState, sizeof s);
    *pResultVadFlag = amrwb::vad(s, pSrcSpch, pSrcDstToneFlag);
    std::memcpy(pSrcDstState, &s, sizeof s);
    return vokStatusOk;
}

VokStatus voksVADGetEnergyLevel_AMRWB_16s(const VokVadState_AMRWB* pState, Vok16s* pDstEnergyLevel) {
    if (any_null(pState, pDstEnergyLevel)) return vokStatusNullPtr;
    amrwb::VadState s;
    std::memcpy(&s, pState, sizeof s);
    std::memcpy(pDstEnergyLevel, s.level, sizeof s.level);
    return vokStatusOk;
}

// The filters always run at order 3: Init leaves the fourth coefficients of order 2 at zero, which
// gives exactly the order-2 recursion, so the calls need no order. The delay line of order 2 is
// the last two output pairs and the two newest inputs of the order-3 memory.
static int hp_dly_offset(int order) {
    return order == 2 ? 2 : 0;
}

VokStatus voksHighPassFilterGetSize_AMRWB_16s(int order, int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    if (order != 2 && order != 3) return vokStatusRange;
    *pSize = static_cast<int>(sizeof(amrwb::HpState));
    return vokStatusOk;
}

VokStatus voksHighPassFilterInit_AMRWB_16s(const Vok16s* pSrcNumCoeff, const Vok16s* pSrcDenCoeff, int order,
                                           VokHighPassFilterState_AMRWB* pState) {
    if (any_null(pSrcNumCoeff, pSrcDenCoeff, pState)) return vokStatusNullPtr;
    if (order != 2 && order != 3) return vokStatusSize;
    amrwb::HpState s{};
    std::copy(pSrcNumCoeff, pSrcNumCoeff + order + 1, s.b);
    std::copy(pSrcDenCoeff, pSrcDenCoeff + order + 1, s.a);
    std::memcpy(pState, &s, sizeof s);
    return vokStatusOk;
}

VokStatus voksHighPassFilterGetDlyLine_AMRWB_16s(const VokHighPassFilterState_AMRWB* pState, Vok16s* pDlyLine,
                                                 int order) {
    if (any_null(pState, pDlyLine)) return vokStatusNullPtr;
    if (order != 2 && order != 3) return vokStatusSize;
    amrwb::HpState s;
    std::memcpy(&s, pState, sizeof s);
    const int o = hp_dly_offset(order);
    std::copy(s.mem + o, s.mem + 6, pDlyLine);
    std::copy(s.mem + 6, s.mem + 6 + order, pDlyLine + 6 - o);
    return vokStatusOk;
}

VokStatus voksHighPassFilterSetDlyLine_AMRWB_16s(const Vok16s* pDlyLine, VokHighPassFilterState_AMRWB* pState,
                                                 int order) {
    if (any_null(pDlyLine, pState)) return vokStatusNullPtr;
    if (order != 2 && order != 3) return vokStatusSize;
    amrwb::HpState s;
    std::memcpy(&s, pState, sizeof s);
    const int o = hp_dly_offset(order);
    std::copy(pDlyLine, pDlyLine + 6 - o, s.mem + o);
    std::copy(pDlyLine + 6 - o, pDlyLine + 6 - o + order, s.mem + 6);
    std::memcpy(pState, &s, sizeof s);
    return vokStatusOk;
}

VokStatus voksHighPassFilter_AMRWB_16s_ISfs(Vok16s* pSrcDst, int len, VokHighPassFilterState_AMRWB* pState,
                                            int scaleFactor) {
    if (any_null(pSrcDst, pState)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    if (scaleFactor < 0 || scaleFactor > 15) return vokStatusScaleFactor;
    amrwb::HpState s;
    std::memcpy(&s, pState, sizeof s);
    amrwb::hp_filter(s, pSrcDst, pSrcDst, len, scaleFactor);
    std::memcpy(pState, &s, sizeof s);
    return vokStatusOk;
}

VokStatus voksHighPassFilter_AMRWB_16s_Sfs(const Vok16s* pSrc, Vok16s* pDst, int len,
                                           VokHighPassFilterState_AMRWB* pState, int scaleFactor) {
    if (any_null(pSrc, pDst, pState)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    amrwb::HpState s;
    std::memcpy(&s, pState, sizeof s);
    if (scaleFactor != s.sf) {
        const int64_t shift = std::clamp<int64_t>(int64_t{s.sf} - scaleFactor, -32, 32);
        amrwb::hp_rescale(s.mem, static_cast<int>(shift));
        s.sf = scaleFactor;
    }
    amrwb::hp_filter(s, pSrc, pDst, len, 14);
    std::memcpy(pState, &s, sizeof s);
    return vokStatusOk;
}

VokStatus voksHighPassFilter_Direct_AMRWB_16s(const Vok16s* pSrcCoeff, const Vok16s* pSrc, Vok16s* pDst,
                                              int len, int edgeFlag) {
    if (any_null(pSrcCoeff, pSrc, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    if (pSrc == pDst) {
        // Every output reads its input neighbours: filter a copy when working in place.
        std::vector<Vok16s> x(pSrc - (edgeFlag ? 1 : 0), pSrc + len + (edgeFlag ? 1 : 0));
        amrwb::three_tap(pSrcCoeff, x.data() + (edgeFlag ? 1 : 0), pDst, len, edgeFlag != 0);
    } else {
        amrwb::three_tap(pSrcCoeff, pSrc, pDst, len, edgeFlag != 0);
    }
    return vokStatusOk;
}

VokStatus voksAlgebraicCodebookSearch_AMRWB_16s(const Vok16s* pSrcFixedTarget, const Vok16s* pSrcLtpResidual,
                                                const Vok16s* pSrcImpulseResponse, Vok16s* pDstFixedVector,
                                                Vok16s* pDstFltFixedVector, int mode, Vok16s* pDstIndex) {
    if (any_null(pSrcFixedTarget, pSrcLtpResidual, pSrcImpulseResponse, pDstFixedVector, pDstFltFixedVector,
                 pDstIndex))
        return vokStatusNullPtr;
    const int bits = amrwb::codebook_bits(mode);
    // The 28-bit codebook has no search yet.
    if (bits < 0 || bits == 28) return vokStatusRange;
    Vok16s dn[amrwb::kSubframe];
    amrwb::backward_filter_target(pSrcImpulseResponse, pSrcFixedTarget, dn);
    if (bits == 12) {
        amrwb::search_2t64(dn, pSrcLtpResidual, pSrcImpulseResponse, pDstFixedVector, pDstFltFixedVector,
                           pDstIndex);
    } else {
        // 88 bits: one search iteration for frames above 462 bits (23.85 and 24 kbit/s), two at 23.05.
        amrwb::search_4t64(dn, pSrcLtpResidual, pSrcImpulseResponse, pDstFixedVector, pDstFltFixedVector,
                           bits, mode != vokRate23050, pDstIndex);
    }
    return vokStatusOk;
}

}  // extern "C"

extern "C" {

VokStatus voksSynthesisFilter_AMRWB_16s32s_ISfs(const Vok16s* pSrcLpc, int order, const Vok16s* pSrcExc,
                                                Vok32s* pSrcDstSignal, int len, int scaleFactor) {
    if (any_null(pSrcLpc, pSrcExc, pSrcDstSignal)) return vokStatusNullPtr;
    if (order <= 0 || len <= 0) return vokStatusSize;
    if (scaleFactor < 0 || scaleFactor > 8) return vokStatusRange;
    amrwb::synthesis_32(pSrcLpc, order, pSrcExc, pSrcDstSignal, len, scaleFactor);
    return vokStatusOk;
}

}  // extern "C"

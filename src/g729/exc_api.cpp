// Exported G.729 excitation-search operations: argument checks in the documented order, then one
// call into the implementation.
#include <cstring>

#include "common/basicop.h"
#include "frame/check.h"
#include "g729/exc_internal.h"
#include "g729/kernels.h"
#include "voksc.h"

using namespace voks;
using namespace voks::g729;

namespace {

// The 16-bit matrix of the 32-bit one: each element >> 15, saturated.
void matrix_to_16(const int32_t* m, int16_t* rr) {
    kernels().narrow_q15(m, rr, kMatrixLen);
}

bool bad_search_args(Vok16s delay, Vok16s subFrame) {
    return delay < 18 || delay > 145 || (subFrame != 0 && subFrame != 1);
}

bool bad_delay_pair(const Vok16s* d) {
    return d[0] < 18 || d[0] > 144 || d[1] < -1 || d[1] > 1;
}

using Search = void (*)(int16_t*, const int16_t*, const int16_t*, int, int, int, int16_t&, int16_t&);

VokStatus adaptive_search(Search fn, Vok16s delay, const Vok16s* x, const Vok16s* h, Vok16s* exc, Vok16s* dly,
                          Vok16s* vec, Vok16s subFrame) {
    if (any_null(x, h, exc, dly, vec)) return vokStatusNullPtr;
    if (bad_search_args(delay, subFrame)) return vokStatusRange;
    int tmin, tmax;
    pitch_range(delay, subFrame, tmin, tmax);
    int16_t t0, frac;
    fn(exc + kExcHist, x, h, tmin, tmax, subFrame, t0, frac);
    dly[0] = t0;
    dly[1] = frac;
    std::memcpy(vec, exc + kExcHist, kSubfr * sizeof(int16_t));
    return vokStatusOk;
}

}  // namespace

extern "C" {

VokStatus voksOpenLoopPitchSearch_G729_16s(const Vok16s* pSrc, Vok16s* pResultLag) {
    if (any_null(pSrc, pResultLag)) return vokStatusNullPtr;
    *pResultLag = pitch_ol(pSrc);
    return vokStatusOk;
}

VokStatus voksOpenLoopPitchSearch_G729A_16s(const Vok16s* pSrc, Vok16s* pResultLag) {
    if (any_null(pSrc, pResultLag)) return vokStatusNullPtr;
    *pResultLag = pitch_ol_fast(pSrc);
    return vokStatusOk;
}

VokStatus voksOpenLoopPitchSearch_G729A_32f(const Vok32f* pSrc, Vok32s* pResultLag) {
    if (any_null(pSrc, pResultLag)) return vokStatusNullPtr;
    *pResultLag = pitch_ol_fast_32f(pSrc);
    return vokStatusOk;
}

VokStatus voksAdaptiveCodebookSearch_G729_16s(Vok16s delay, const Vok16s* pSrcTarget,
                                              const Vok16s* pSrcImpulse, Vok16s* pSrcDstExc,
                                              Vok16s* pDstDelay, Vok16s* pDstAdptVector, Vok16s subFrame) {
    return adaptive_search(pitch_fr3, delay, pSrcTarget, pSrcImpulse, pSrcDstExc, pDstDelay, pDstAdptVector,
                           subFrame);
}

VokStatus voksAdaptiveCodebookSearch_G729A_16s(Vok16s delay, const Vok16s* pSrcTarget,
                                               const Vok16s* pSrcImpulse, Vok16s* pSrcDstExc,
                                               Vok16s* pDstDelay, Vok16s* pDstAdptVector, Vok16s subFrame) {
    return adaptive_search(pitch_fr3_fast, delay, pSrcTarget, pSrcImpulse, pSrcDstExc, pDstDelay,
                           pDstAdptVector, subFrame);
}

VokStatus voksAdaptiveCodebookSearch_G729D_16s(Vok16s delay, const Vok16s* pSrcTarget,
                                               const Vok16s* pSrcImpulse, const Vok16s* pSrcExc,
                                               Vok16s subFrame, Vok16s* pDstDelay) {
    if (any_null(pSrcTarget, pSrcImpulse, pSrcExc, pDstDelay)) return vokStatusNullPtr;
    if (bad_search_args(delay, subFrame)) return vokStatusRange;
    int tmin, tmax;
    pitch_range(delay, subFrame, tmin, tmax);
    int16_t t0, frac;
    pitch_fr3_d(pSrcExc + kExcHist, pSrcTarget, pSrcImpulse, tmin, tmax, subFrame, t0, frac);
    pDstDelay[0] = t0;
    pDstDelay[1] = frac;
    return vokStatusOk;
}

VokStatus voksDecodeAdaptiveVector_G729_16s_I(const Vok16s* pDelay, Vok16s* pSrcDstExc) {
    if (any_null(pDelay, pSrcDstExc)) return vokStatusNullPtr;
    if (bad_delay_pair(pDelay)) return vokStatusParamRange;
    pred_lt_3(pSrcDstExc + kExcHist, pDelay[0], pDelay[1]);
    return vokStatusOk;
}

VokStatus voksDecodeAdaptiveVector_G729_16s(const Vok16s* pDelay, const Vok16s* pSrcExc, Vok16s* pDst) {
    if (any_null(pDelay, pSrcExc, pDst)) return vokStatusNullPtr;
    if (bad_delay_pair(pDelay)) return vokStatusParamRange;
    int16_t buf[kExcLen];
    std::memcpy(buf, pSrcExc, sizeof buf);
    pred_lt_3(buf + kExcHist, pDelay[0], pDelay[1]);
    std::memcpy(pDst, buf + kExcHist, kSubfr * sizeof(int16_t));
    return vokStatusOk;
}

VokStatus voksDecodeAdaptiveVector_G729_32f_I(const Vok32s* pDelay, Vok32f* pSrcDstExc) {
    if (any_null(pDelay, pSrcDstExc)) return vokStatusNullPtr;
    if (pDelay[0] < 18 || pDelay[0] > 145 || pDelay[1] < -1 || pDelay[1] > 1) return vokStatusParamRange;
    pred_lt_3_32f(pSrcDstExc, pDelay[0], pDelay[1]);
    return vokStatusOk;
}

VokStatus voksAdaptiveCodebookContribution_G729_16s(Vok16s gain, const Vok16s* pFltAdptVector,
                                                    const Vok16s* pSrcTarget, Vok16s* pDstTarget) {
    if (any_null(pFltAdptVector, pSrcTarget, pDstTarget)) return vokStatusNullPtr;
    target_update(gain, pFltAdptVector, pSrcTarget, pDstTarget);
    return vokStatusOk;
}

VokStatus voksAdaptiveCodebookContribution_G729_32f(Vok32f gain, const Vok32f* pFltAdptVector,
                                                    const Vok32f* pSrcTarget, Vok32f* pDstTarget) {
    if (any_null(pFltAdptVector, pSrcTarget, pDstTarget)) return vokStatusNullPtr;
    for (int i = 0; i < kSubfr; ++i) pDstTarget[i] = pSrcTarget[i] - gain * pFltAdptVector[i];
    return vokStatusOk;
}

VokStatus voksAdaptiveCodebookGain_G729_16s(const Vok16s* pSrcTarget, const Vok16s* pSrcImpulse,
                                            const Vok16s* pSrcAdptVector, Vok16s* pDstFltAdptVector,
                                            Vok16s* pResultGain) {
    if (any_null(pSrcTarget, pSrcImpulse, pSrcAdptVector, pDstFltAdptVector, pResultGain))
        return vokStatusNullPtr;
    int16_t y[kSubfr];
    convolve_q12(pSrcAdptVector, pSrcImpulse, y);
    *pResultGain = pitch_gain(pSrcTarget, y);
    std::memcpy(pDstFltAdptVector, y, sizeof y);
    return vokStatusOk;
}

VokStatus voksAdaptiveCodebookGain_G729A_16s(const Vok16s* pSrcTarget, const Vok16s* pSrcLpc,
                                             const Vok16s* pSrcAdptVector, Vok16s* pDstFltAdptVector,
                                             Vok16s* pResultGain) {
    if (any_null(pSrcTarget, pSrcLpc, pSrcAdptVector, pDstFltAdptVector, pResultGain))
        return vokStatusNullPtr;
    int16_t y[kSubfr];
    int16_t zero[10] = {};
    // Zero memory through the saturating reference filter (a history pointer selects it).
    voksSynthesisFilter_NR_16s_Sfs(pSrcLpc, pSrcAdptVector, y, kSubfr, 12, zero);
    *pResultGain = pitch_gain(pSrcTarget, y);
    std::memcpy(pDstFltAdptVector, y, sizeof y);
    return vokStatusOk;
}

VokStatus voksToeplizMatrix_G729_16s32s(const Vok16s* pSrcImpulse, Vok32s* pDstMatrix) {
    if (any_null(pSrcImpulse, pDstMatrix)) return vokStatusNullPtr;
    cor_h_32(pSrcImpulse, pDstMatrix);
    return vokStatusOk;
}

VokStatus voksToeplizMatrix_G729_16s(const Vok16s* pSrcImpulse, Vok16s* pDstMatrix) {
    if (any_null(pSrcImpulse, pDstMatrix)) return vokStatusNullPtr;
    int32_t m[kMatrixLen];
    cor_h_32(pSrcImpulse, m);
    matrix_to_16(m, pDstMatrix);
    return vokStatusOk;
}

VokStatus voksToeplizMatrix_G729_32f(const Vok32f* pSrcImpulse, Vok32f* pDstMatrix) {
    if (any_null(pSrcImpulse, pDstMatrix)) return vokStatusNullPtr;
    toepliz_32f(pSrcImpulse, pDstMatrix);
    return vokStatusOk;
}

VokStatus voksFixedCodebookSearch_G729_32s16s(const Vok16s* pSrcFixedCorr, Vok32s* pSrcDstMatrix,
                                              Vok16s* pDstFixedVector, Vok16s* pDstFixedIndex,
                                              Vok16s* pSearchTimes, Vok16s subFrame) {
    if (any_null(pSrcFixedCorr, pSrcDstMatrix, pDstFixedVector, pDstFixedIndex, pSearchTimes))
        return vokStatusNullPtr;
    if (subFrame < 0) return vokStatusRange;
    int16_t dn[kSubfr], rr[kMatrixLen];
    std::memcpy(dn, pSrcFixedCorr, sizeof dn);
    matrix_to_16(pSrcDstMatrix, rr);
    acelp_17(dn, rr, subFrame, *pSearchTimes, pDstFixedVector, pDstFixedIndex[0], pDstFixedIndex[1]);
    kernels().widen(rr, pSrcDstMatrix, kMatrixLen);
    return vokStatusOk;
}

VokStatus voksFixedCodebookSearch_G729_16s(const Vok16s* pSrcFixedCorr, Vok16s* pSrcDstMatrix,
                                           Vok16s* pDstFixedVector, Vok16s* pDstFixedIndex,
                                           Vok16s* pSearchTimes, Vok16s subFrame) {
    if (any_null(pSrcFixedCorr, pSrcDstMatrix, pDstFixedVector, pDstFixedIndex, pSearchTimes))
        return vokStatusNullPtr;
    if (static_cast<uint16_t>(subFrame) > 1) return vokStatusRange;
    int16_t dn[kSubfr];
    std::memcpy(dn, pSrcFixedCorr, sizeof dn);
    acelp_17(dn, pSrcDstMatrix, subFrame, *pSearchTimes, pDstFixedVector, pDstFixedIndex[0],
             pDstFixedIndex[1]);
    return vokStatusOk;
}

VokStatus voksFixedCodebookSearch_G729A_32s16s(const Vok16s* pSrcFixedCorr, Vok32s* pSrcDstMatrix,
                                               Vok16s* pDstFixedVector, Vok16s* pDstFixedIndex) {
    if (any_null(pSrcFixedCorr, pSrcDstMatrix, pDstFixedVector, pDstFixedIndex)) return vokStatusNullPtr;
    int16_t dn[kSubfr], rr[kMatrixLen];
    std::memcpy(dn, pSrcFixedCorr, sizeof dn);
    matrix_to_16(pSrcDstMatrix, rr);
    acelp_17_fast(dn, rr, pDstFixedVector, pDstFixedIndex[0], pDstFixedIndex[1]);
    kernels().widen(rr, pSrcDstMatrix, kMatrixLen);
    return vokStatusOk;
}

VokStatus voksFixedCodebookSearch_G729A_16s(const Vok16s* pSrcFixedCorr, Vok16s* pSrcDstMatrix,
                                            Vok16s* pDstFixedVector, Vok16s* pDstFixedIndex) {
    if (any_null(pSrcFixedCorr, pSrcDstMatrix, pDstFixedVector, pDstFixedIndex)) return vokStatusNullPtr;
    int16_t dn[kSubfr];
    std::memcpy(dn, pSrcFixedCorr, sizeof dn);
    acelp_17_fast(dn, pSrcDstMatrix, pDstFixedVector, pDstFixedIndex[0], pDstFixedIndex[1]);
    return vokStatusOk;
}

VokStatus voksFixedCodebookSearch_G729D_16s(const Vok16s* pSrcFixedCorr, const Vok16s* pSrcImpulse,
                                            Vok16s* pDstFixedVector, Vok16s* pDstFltFixedVector,
                                            Vok16s* pDstSign, Vok16s* pDstIndex) {
    if (any_null(pSrcFixedCorr, pSrcImpulse, pDstFixedVector, pDstFltFixedVector, pDstSign, pDstIndex))
        return vokStatusNullPtr;
    int16_t dn[kSubfr], code[kSubfr], y[kSubfr], sign, index;
    std::memcpy(dn, pSrcFixedCorr, sizeof dn);
    acelp_11(dn, pSrcImpulse, code, y, sign, index);
    std::memcpy(pDstFixedVector, code, sizeof code);
    std::memcpy(pDstFltFixedVector, y, sizeof y);
    *pDstSign = sign;
    *pDstIndex = index;
    return vokStatusOk;
}

VokStatus voksFixedCodebookSearch_G729E_16s(Vok16s selector, const Vok16s* pSrcTarget,
                                            const Vok16s* pSrcLtpResidual, const Vok16s* pSrcImpulse,
                                            Vok16s* pDstFixedVector, Vok16s* pDstFltFixedVector,
                                            Vok16s* pDstIndex) {
    if (any_null(pSrcTarget, pSrcLtpResidual, pSrcImpulse, pDstFixedVector, pDstFltFixedVector, pDstIndex))
        return vokStatusNullPtr;
    int16_t code[kSubfr], y[kSubfr], indx[5];
    acelp_annex_e(selector != 0, pSrcTarget, pSrcLtpResidual, pSrcImpulse, code, y, indx);
    std::memcpy(pDstFixedVector, code, sizeof code);
    std::memcpy(pDstFltFixedVector, y, sizeof y);
    std::memcpy(pDstIndex, indx, sizeof indx);
    return vokStatusOk;
}

VokStatus voksToeplizMatrix_G729D_32f(const Vok32f* pSrcImpulse, Vok32f* pDstMatrix) {
    if (any_null(pSrcImpulse, pDstMatrix)) return vokStatusNullPtr;
    toepliz_d_32f(pSrcImpulse, pDstMatrix);
    return vokStatusOk;
}

VokStatus voksFixedCodebookSearch_G729_32f(const Vok32f* pSrcFixedCorr, Vok32f* pSrcDstMatrix,
                                           Vok32f* pDstFixedVector, Vok32s* pDstFixedIndex,
                                           Vok32s* pSearchTimes, Vok32s subFrame) {
    if (any_null(pSrcFixedCorr, pSrcDstMatrix, pDstFixedVector, pDstFixedIndex, pSearchTimes))
        return vokStatusNullPtr;
    acelp_17_32f(pSrcFixedCorr, pSrcDstMatrix, subFrame, *pSearchTimes, pDstFixedVector, pDstFixedIndex);
    return vokStatusOk;
}

VokStatus voksFixedCodebookSearch_G729A_32f(const Vok32f* pSrcFixedCorr, Vok32f* pSrcDstMatrix,
                                            Vok32f* pDstFixedVector, Vok32s* pDstFixedIndex) {
    if (any_null(pSrcFixedCorr, pSrcDstMatrix, pDstFixedVector, pDstFixedIndex)) return vokStatusNullPtr;
    acelp_17_fast_32f(pSrcFixedCorr, pSrcDstMatrix, pDstFixedVector, pDstFixedIndex);
    return vokStatusOk;
}

VokStatus voksFixedCodebookSearch_G729D_32f(const Vok32f* pSrcFixedCorr, const Vok32f* pSrcImpulse,
                                            Vok32f* pDstFixedVector, Vok32f* pDstFltFixedVector,
                                            Vok32s* pDstSign, Vok32s* pDstIndex) {
    if (any_null(pSrcFixedCorr, pSrcImpulse, pDstFixedVector, pDstFltFixedVector, pDstSign, pDstIndex))
        return vokStatusNullPtr;
    float code[kSubfr], y[kSubfr];
    int32_t sign, index;
    acelp_11_32f(pSrcFixedCorr, pSrcImpulse, code, y, sign, index);
    std::memcpy(pDstFixedVector, code, sizeof code);
    std::memcpy(pDstFltFixedVector, y, sizeof y);
    *pDstSign = sign;
    *pDstIndex = index;
    return vokStatusOk;
}

VokStatus voksFixedCodebookSearch_G729E_32f(Vok32s selector, const Vok32f* pSrcTarget,
                                            const Vok32f* pSrcLtpResidual, const Vok32f* pSrcImpulse,
                                            Vok32f* pDstFixedVector, Vok32f* pDstFltFixedVector,
                                            Vok32s* pDstIndex) {
    if (any_null(pSrcTarget, pSrcLtpResidual, pSrcImpulse, pDstFixedVector, pDstFltFixedVector, pDstIndex))
        return vokStatusNullPtr;
    float code[kSubfr], y[kSubfr];
    int32_t indx[5];
    acelp_annex_e_32f(selector != 0, pSrcTarget, pSrcLtpResidual, pSrcImpulse, code, y, indx);
    std::memcpy(pDstFixedVector, code, sizeof code);
    std::memcpy(pDstFltFixedVector, y, sizeof y);
    std::memcpy(pDstIndex, indx, sizeof indx);
    return vokStatusOk;
}

VokStatus voksDotProd_G729A_16s32s(const Vok16s* pSrc1, const Vok16s* pSrc2, int len, Vok32s* pDp) {
    if (any_null(pSrc1, pSrc2, pDp)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    int64_t s = 0;
    for (int i = 0; i < len; i += 2) s += int32_t{pSrc1[i]} * pSrc2[i];
    s *= 2;
    *pDp = sat32(s);
    return (s > MAX_32 || s < MIN_32) ? vokStatusOverflow : vokStatusOk;
}

VokStatus voksDotProd_G729A_32f(const Vok32f* pSrc1, const Vok32f* pSrc2, int len, Vok32f* pDp) {
    if (any_null(pSrc1, pSrc2, pDp)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    float s = 0.0f;
    for (int i = 0; i < len; i += 2) s += pSrc1[i] * pSrc2[i];
    *pDp = s;
    return vokStatusOk;
}

VokStatus voksFilteredExcitation_G729_32f(const Vok32f* pSrcImpulse, Vok32f* pSrcDstFltExc, int len,
                                          Vok32f val) {
    if (any_null(pSrcImpulse, pSrcDstFltExc)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    filtered_excitation_32f(pSrcImpulse, pSrcDstFltExc, len, val);
    return vokStatusOk;
}

}  // extern "C"

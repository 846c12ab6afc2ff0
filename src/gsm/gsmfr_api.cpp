// Exported GSM 06.10 full-rate operations: argument checks in the documented order, then one
// call into the implementation.
#include "voksc.h"

#include "frame/check.h"
#include "gsm/gsmfr_internal.h"
#include "gsm/kernels.h"

using voks::any_null;
namespace gsm = voks::gsm;

extern "C" {

VOKSC_API VokStatus voksHighPassFilter_GSMFR_16s(const Vok16s* pSrc, Vok16s* pDst, int len,
                                                 Vok32s* pSrcDstMem) {
    if (any_null(pSrc, pDst, pSrcDstMem)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    gsm::highpass(pSrc, pDst, len, pSrcDstMem);
    return vokStatusOk;
}

VOKSC_API VokStatus voksPreemphasize_GSMFR_16s(const Vok16s* pSrc, Vok16s* pDst, int len,
                                               Vok16s* pSrcDstMem) {
    if (any_null(pSrc, pDst, pSrcDstMem)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    gsm::preemphasis(pSrc, pDst, len, pSrcDstMem);
    return vokStatusOk;
}

VOKSC_API VokStatus voksSchur_GSMFR_32s16s(const Vok32s* pSrcAutoCorr, Vok16s* pDstReflCoeff, int order) {
    if (any_null(pSrcAutoCorr, pDstReflCoeff)) return vokStatusNullPtr;
    if (order < 1 || order > 8) return vokStatusSize;
    gsm::schur(pSrcAutoCorr, pDstReflCoeff, order);
    return vokStatusOk;
}

VOKSC_API VokStatus voksShortTermAnalysisFilter_GSMFR_16s_I(const Vok16s* pSrcReflCoeff, Vok16s* pSrcDst,
                                                            int len, Vok16s* pSrcDstMem) {
    if (any_null(pSrcReflCoeff, pSrcDst, pSrcDstMem)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    gsm::kernels().st_analysis(pSrcReflCoeff, pSrcDst, len, pSrcDstMem);
    return vokStatusOk;
}

VOKSC_API VokStatus voksShortTermSynthesisFilter_GSMFR_16s(const Vok16s* pSrcReflCoeff,
                                                           const Vok16s* pSrcResidual, Vok16s* pDstSpch,
                                                           int len, Vok16s* pSrcDstMem) {
    if (any_null(pSrcReflCoeff, pSrcResidual, pDstSpch, pSrcDstMem)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    gsm::kernels().st_synthesis(pSrcReflCoeff, pSrcResidual, pDstSpch, len, pSrcDstMem);
    return vokStatusOk;
}

VOKSC_API VokStatus voksWeightingFilter_GSMFR_16s(const Vok16s* pSrc, Vok16s* pDst, int len) {
    if (any_null(pSrc, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    gsm::kernels().weighting(pSrc, pDst, len);
    return vokStatusOk;
}

VOKSC_API VokStatus voksRPEQuantDecode_GSMFR_16s(const Vok16s* pSrcXMc, Vok16s mantValue, Vok16s shift,
                                                 Vok16s* pDstXMp) {
    if (any_null(pSrcXMc, pDstXMp)) return vokStatusNullPtr;
    if (shift < 0) return vokStatusScaleFactor;
    gsm::rpe_dequantize(pSrcXMc, mantValue, shift, pDstXMp);
    return vokStatusOk;
}

VOKSC_API VokStatus voksDeemphasize_GSMFR_16s_I(Vok16s* pSrcDst, int len, Vok16s* pSrcDstMem) {
    if (any_null(pSrcDst, pSrcDstMem)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    gsm::deemphasis(pSrcDst, len, pSrcDstMem);
    return vokStatusOk;
}

}  // extern "C"

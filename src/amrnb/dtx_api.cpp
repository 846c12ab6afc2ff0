// Exported GSM-AMR DTX operations: argument checks in the documented order, then the
// implementation.
#include "amrnb/dtx_internal.h"
#include "frame/check.h"
#include "voksc.h"

using voks::any_null;
namespace a = voks::amrnb;

extern "C" {

VOKSC_API VokStatus voksFFTFwd_RToPerm_GSMAMR_16s_I(Vok16s* pSrcDst) {
    if (any_null(pSrcDst)) return vokStatusNullPtr;
    a::real_fft(pSrcDst);
    return vokStatusOk;
}

VOKSC_API VokStatus voksEncDTXHandler_GSMAMR_16s(Vok16s* pSrcDstHangoverCount, Vok16s* pSrcDstElapsedCount,
                                                 Vok16s* pSrcDstUsedMode, Vok16s* pDstComputeSidFlag,
                                                 int vadFlag) {
    if (any_null(pSrcDstHangoverCount, pSrcDstElapsedCount, pSrcDstUsedMode, pDstComputeSidFlag))
        return vokStatusNullPtr;
    *pDstComputeSidFlag =
        a::dtx_handler(*pSrcDstHangoverCount, *pSrcDstElapsedCount, *pSrcDstUsedMode, vadFlag != 0);
    return vokStatusOk;
}

VOKSC_API VokStatus voksEncDTXBuffer_GSMAMR_16s(const Vok16s* pSrcSpch, const Vok16s* pSrcLsp,
                                                Vok16s* pSrcDstHistPtr, Vok16s* pSrcDstLspHist,
                                                Vok16s* pSrcDstLogEnHist) {
    if (any_null(pSrcSpch, pSrcLsp, pSrcDstHistPtr, pSrcDstLspHist, pSrcDstLogEnHist))
        return vokStatusNullPtr;
    a::dtx_buffer(pSrcSpch, pSrcLsp, *pSrcDstHistPtr, pSrcDstLspHist, pSrcDstLogEnHist, true);
    return vokStatusOk;
}

VOKSC_API VokStatus voksDecDTXBuffer_GSMAMR_16s(const Vok16s* pSrcSpch, const Vok16s* pSrcLsp,
                                                Vok16s* pSrcDstHistPtr, Vok16s* pSrcDstLspHist,
                                                Vok16s* pSrcDstLogEnHist) {
    if (any_null(pSrcSpch, pSrcLsp, pSrcDstHistPtr, pSrcDstLspHist, pSrcDstLogEnHist))
        return vokStatusNullPtr;
    a::dtx_buffer(pSrcSpch, pSrcLsp, *pSrcDstHistPtr, pSrcDstLspHist, pSrcDstLogEnHist, false);
    return vokStatusOk;
}

VOKSC_API VokStatus voksEncDTXSID_GSMAMR_16s(const Vok16s* pSrcLspHist, const Vok16s* pSrcLogEnHist,
                                             Vok16s* pDstLogEnIndex, Vok16s* pDstInitLsfVecIndex,
                                             Vok16s* pDstLsfIndex, Vok16s* pDstPredQErr,
                                             Vok16s* pDstPredQErrMR122, Vok16s computeSidFlag) {
    if (any_null(pSrcLspHist, pSrcLogEnHist, pDstLogEnIndex, pDstInitLsfVecIndex, pDstLsfIndex, pDstPredQErr,
                 pDstPredQErrMR122))
        return vokStatusNullPtr;
    a::dtx_sid(pSrcLspHist, pSrcLogEnHist, *pDstLogEnIndex, *pDstInitLsfVecIndex, pDstLsfIndex, pDstPredQErr,
               pDstPredQErrMR122, computeSidFlag != 0);
    return vokStatusOk;
}

VOKSC_API VokStatus voksVAD1_GSMAMR_16s(const Vok16s* pSrcSpch, VokVadState1_GSMAMR* pSrcDstState,
                                        Vok16s* pResultVadFlag, int bestCorrHp, int toneFlag) {
    if (any_null(pSrcSpch, pSrcDstState, pResultVadFlag)) return vokStatusNullPtr;
    *pResultVadFlag =
        a::vad1(*pSrcDstState, pSrcSpch, static_cast<Vok16s>(bestCorrHp), static_cast<Vok16s>(toneFlag));
    return vokStatusOk;
}

VOKSC_API VokStatus voksVAD2_GSMAMR_16s(const Vok16s* pSrcSpch, VokVadState2_GSMAMR* pSrcDstState,
                                        Vok16s* pResultVadFlag, int ltpFlag) {
    if (any_null(pSrcSpch, pSrcDstState, pResultVadFlag)) return vokStatusNullPtr;
    *pResultVadFlag = a::vad2(*pSrcDstState, pSrcSpch, ltpFlag != 0);
    return vokStatusOk;
}

}  // extern "C"

// Exported GSM-AMR linear-prediction operations: argument checks in the documented order, then
// the implementation.
#include <cstring>

#include "amrnb/lp_internal.h"
#include "amrnb/lp_tables.h"
#include "frame/check.h"
#include "g729/lp_internal.h"
#include "voksc.h"

using voks::any_null;
namespace a = voks::amrnb;

extern "C" {

VOKSC_API VokStatus voksAutoCorr_GSMAMR_16s32s(const Vok16s* pSrcSpch, Vok32s* pDstAutoCorr, int mode) {
    if (any_null(pSrcSpch, pDstAutoCorr)) return vokStatusNullPtr;
    if (!a::valid_mode(mode, true)) return vokStatusRange;
    if (mode == vokRate12200) {
        a::autocorr(pSrcSpch, a::kWindow160, pDstAutoCorr);
        a::autocorr(pSrcSpch, a::kWindow232, pDstAutoCorr + a::kOrder + 1);
    } else {
        a::autocorr(pSrcSpch, a::kWindow200, pDstAutoCorr);
    }
    return vokStatusOk;
}

VOKSC_API VokStatus voksLevinsonDurbin_GSMAMR_32s16s(const Vok32s* pSrcAutoCorr, Vok16s* pDstLpc) {
    if (any_null(pSrcAutoCorr, pDstLpc)) return vokStatusNullPtr;
    Vok16s rc[a::kOrder], err = 0;
    return voksLevinsonDurbin_G729_32s16s(pSrcAutoCorr, a::kOrder, pDstLpc, rc, &err);
}

VOKSC_API VokStatus voksLPCToLSP_GSMAMR_16s(const Vok16s* pSrcLpc, const Vok16s* pSrcPrevLsp,
                                            Vok16s* pDstLsp) {
    if (any_null(pSrcLpc, pSrcPrevLsp, pDstLsp)) return vokStatusNullPtr;
    a::az_lsp(pSrcLpc, pSrcPrevLsp, pDstLsp);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLSPToLPC_GSMAMR_16s(const Vok16s* pSrcLsp, Vok16s* pDstLpc) {
    return voksLSPToLPC_G729_16s(pSrcLsp, pDstLpc);
}

VOKSC_API VokStatus voksLSFToLSP_GSMAMR_16s(const Vok16s* pSrcLsf, Vok16s* pDstLsp) {
    if (any_null(pSrcLsf, pDstLsp)) return vokStatusNullPtr;
    return a::lsf_to_lsp(pSrcLsf, pDstLsp) == a::kOrder ? vokStatusOk : vokStatusLsfDomain;
}

VOKSC_API VokStatus voksInterpolate_GSMAMR_16s(const Vok16s* pSrc1, const Vok16s* pSrc2, Vok16s* pDst,
                                               int len) {
    if (any_null(pSrc1, pSrc2, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    a::interpolate_quarter(pSrc1, pSrc2, pDst, len);
    return vokStatusOk;
}

VOKSC_API VokStatus voksPreemphasize_GSMAMR_16s(Vok16s gamma, const Vok16s* pSrc, Vok16s* pDst, int len,
                                                Vok16s* pMem) {
    if (any_null(pSrc, pDst, pMem)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    a::preemphasize(gamma, pSrc, pDst, len, pMem);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLSPQuant_GSMAMR_16s(const Vok16s* pSrcLsp, Vok16s* pSrcDstPastRq, Vok16s* pDstQLsp,
                                            Vok16s* pDstIndex, int mode) {
    if (any_null(pSrcLsp, pSrcDstPastRq, pDstQLsp, pDstIndex)) return vokStatusNullPtr;
    if (!a::valid_mode(mode, true)) return vokStatusRange;
    a::lsp_quant(pSrcLsp, pSrcDstPastRq, pDstQLsp, pDstIndex, mode);
    return vokStatusOk;
}

VOKSC_API VokStatus voksQuantLSPDecode_GSMAMR_16s(const Vok16s* pSrcIndex, Vok16s* pSrcDstPastRq,
                                                  Vok16s* pSrcDstPastQLsf, Vok16s* pSrcDstPrevQLsp,
                                                  Vok16s* pDstQLspSubfr, Vok16s bfi, int mode) {
    if (any_null(pSrcIndex, pSrcDstPastRq, pSrcDstPastQLsf, pSrcDstPrevQLsp, pDstQLspSubfr))
        return vokStatusNullPtr;
    if (!a::valid_mode(mode, true)) return vokStatusRange;
    a::lsp_decode(pSrcIndex, pSrcDstPastRq, pSrcDstPastQLsf, pSrcDstPrevQLsp, pDstQLspSubfr, bfi != 0, mode);
    return vokStatusOk;
}

VOKSC_API VokStatus voksOpenLoopPitchSearchNonDTX_GSMAMR_16s(
    const Vok16s* pSrcWgtLpc1, const Vok16s* pSrcWgtLpc2, const Vok16s* pSrcSpch, Vok16s* pSrcDstMedianLag,
    Vok16s* pSrcDstAdaptWeight, Vok16s* pSrcDstPrevLags, Vok16s* pSrcDstPrevWgtSpch, Vok16s* pDstOpenLoopLag,
    Vok16s* pDstOpenLoopGainFlag, int mode) {
    if (any_null(pSrcWgtLpc1, pSrcWgtLpc2, pSrcSpch, pSrcDstMedianLag, pSrcDstAdaptWeight, pSrcDstPrevLags,
                 pSrcDstPrevWgtSpch, pDstOpenLoopLag, pDstOpenLoopGainFlag))
        return vokStatusNullPtr;
    if (!a::valid_mode(mode, true)) return vokStatusRange;
    a::OlSide side;
    a::open_loop_pitch(pSrcWgtLpc1, pSrcWgtLpc2, pSrcSpch, *pSrcDstMedianLag, *pSrcDstAdaptWeight,
                       pSrcDstPrevLags, pSrcDstPrevWgtSpch, pDstOpenLoopLag, pDstOpenLoopGainFlag, mode,
                       side);
    return vokStatusOk;
}

VOKSC_API VokStatus voksOpenLoopPitchSearchDTXVAD1_GSMAMR_16s(
    const Vok16s* pSrcWgtLpc1, const Vok16s* pSrcWgtLpc2, const Vok16s* pSrcSpch, Vok16s* pSrcDstToneFlag,
    Vok16s* pSrcDstMedianLag, Vok16s* pSrcDstAdaptWeight, Vok16s* pSrcDstPrevLags, Vok16s* pSrcDstPrevWgtSpch,
    Vok16s* pDstMaxHpCorr, Vok16s* pDstOpenLoopLag, Vok16s* pDstOpenLoopGainFlag, int mode) {
    if (any_null(pSrcWgtLpc1, pSrcWgtLpc2, pSrcSpch, pSrcDstToneFlag, pSrcDstMedianLag, pSrcDstAdaptWeight,
                 pSrcDstPrevLags, pSrcDstPrevWgtSpch, pDstMaxHpCorr, pDstOpenLoopLag, pDstOpenLoopGainFlag))
        return vokStatusNullPtr;
    if (!a::valid_mode(mode, true)) return vokStatusRange;
    a::OlSide side;
    side.tone = pSrcDstToneFlag;
    side.hp_corr = pDstMaxHpCorr;
    a::open_loop_pitch(pSrcWgtLpc1, pSrcWgtLpc2, pSrcSpch, *pSrcDstMedianLag, *pSrcDstAdaptWeight,
                       pSrcDstPrevLags, pSrcDstPrevWgtSpch, pDstOpenLoopLag, pDstOpenLoopGainFlag, mode,
                       side);
    return vokStatusOk;
}

VOKSC_API VokStatus voksOpenLoopPitchSearchDTXVAD2_GSMAMR_16s32s(
    const Vok16s* pSrcWgtLpc1, const Vok16s* pSrcWgtLpc2, const Vok16s* pSrcSpch, Vok16s* pSrcDstMedianLag,
    Vok16s* pSrcDstAdaptWeight, Vok16s* pSrcDstPrevLags, Vok16s* pSrcDstPrevWgtSpch, Vok32s* pDstMaxCorr,
    Vok32s* pDstEnergy, Vok16s* pDstOpenLoopLag, Vok16s* pDstOpenLoopGainFlag, int mode) {
    if (any_null(pSrcWgtLpc1, pSrcWgtLpc2, pSrcSpch, pSrcDstMedianLag, pSrcDstAdaptWeight, pSrcDstPrevLags,
                 pSrcDstPrevWgtSpch, pDstMaxCorr, pDstEnergy, pDstOpenLoopLag, pDstOpenLoopGainFlag))
        return vokStatusNullPtr;
    if (!a::valid_mode(mode, true)) return vokStatusRange;
    a::OlSide side;
    a::open_loop_pitch(pSrcWgtLpc1, pSrcWgtLpc2, pSrcSpch, *pSrcDstMedianLag, *pSrcDstAdaptWeight,
                       pSrcDstPrevLags, pSrcDstPrevWgtSpch, pDstOpenLoopLag, pDstOpenLoopGainFlag, mode,
                       side);
    *pDstMaxCorr = side.rmax;
    *pDstEnergy = side.r0;
    return vokStatusOk;
}

VOKSC_API VokStatus voksImpulseResponseTarget_GSMAMR_16s(const Vok16s* pSrcSpch, const Vok16s* pSrcWgtLpc1,
                                                         const Vok16s* pSrcWgtLpc2, const Vok16s* pSrcQLpc,
                                                         const Vok16s* pSrcSynFltState,
                                                         const Vok16s* pSrcWgtFltState,
                                                         Vok16s* pDstImpulseResponse, Vok16s* pDstLpResidual,
                                                         Vok16s* pDstAdptTarget) {
    if (any_null(pSrcSpch, pSrcWgtLpc1, pSrcWgtLpc2, pSrcQLpc, pSrcSynFltState, pSrcWgtFltState,
                 pDstImpulseResponse, pDstLpResidual, pDstAdptTarget))
        return vokStatusNullPtr;
    a::impulse_target(pSrcSpch, pSrcWgtLpc1, pSrcWgtLpc2, pSrcQLpc, pSrcSynFltState, pSrcWgtFltState,
                      pDstImpulseResponse, pDstLpResidual, pDstAdptTarget);
    return vokStatusOk;
}

}  // extern "C"

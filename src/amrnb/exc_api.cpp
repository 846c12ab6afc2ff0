// Exported GSM-AMR codebook and pitch-gain operations: argument checks in the documented order,
// then the implementation.
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

}  // extern "C"

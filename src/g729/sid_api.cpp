// Exported G.729 Annex B silence-compression operations: argument checks in the documented
// order, then the implementation.
#include "frame/check.h"
#include "g729/lp_internal.h"
#include "g729/sid_internal.h"
#include "voksc.h"

using voks::any_null;
namespace g = voks::g729;

namespace {

VokStatus lsf_status(int flags) {
    constexpr VokStatus kByFlags[4] = {vokStatusOk, vokStatusLsfFloor, vokStatusLsfCeiling,
                                       vokStatusLsfFloorCeiling};
    return kByFlags[flags & (g::kLsfFloor | g::kLsfCeiling)];
}

// The SID index checks: the predictor mode, then the two stage indices.
template <class T>
VokStatus check_index(const T* idx) {
    if (idx[0] < 0 || idx[0] > 1) return vokStatusParamRange;
    if (idx[1] < 0 || idx[1] > 31 || idx[2] < 0 || idx[2] > 15) return vokStatusRange;
    return vokStatusOk;
}

}  // namespace

extern "C" {

VOKSC_API VokStatus voksAutoCorr_G729B(const Vok16s* pSrc, Vok16s* pExp, Vok32s* pDst) {
    if (any_null(pSrc, pExp, pDst)) return vokStatusNullPtr;
    g::sid_autocorr(pSrc, pDst, pExp);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLevinsonDurbin_G729B(const Vok32s* pSrcAutoCorr, Vok16s* pDstLpc, Vok16s* pDstRc,
                                             Vok16s* pResidualEnergy) {
    if (any_null(pSrcAutoCorr, pDstLpc, pDstRc, pResidualEnergy)) return vokStatusNullPtr;
    if (pSrcAutoCorr[0] < 0x10000) return vokStatusOverflow;
    return g::sid_levinson(pSrcAutoCorr, pDstLpc, pDstRc, pResidualEnergy) ? vokStatusOk : vokStatusOverflow;
}

VOKSC_API VokStatus voksLSFQuant_G729B_16s(const Vok16s* pSrcLsf, Vok16s* pMem, Vok16s* pDstQLsf,
                                           Vok16s* pDstIndex) {
    if (any_null(pSrcLsf, pMem, pDstQLsf, pDstIndex)) return vokStatusNullPtr;
    return lsf_status(g::sid_lsf_quant(pSrcLsf, pMem, pDstQLsf, pDstIndex));
}

VOKSC_API VokStatus voksLSFQuant_G729B_32f(const Vok32f* pSrcLsf, Vok32f* pMem, Vok32f* pDstQLsp,
                                           Vok32s* pDstIndex) {
    if (any_null(pSrcLsf, pMem, pDstQLsp, pDstIndex)) return vokStatusNullPtr;
    g::sid_lsf_quant_f(pSrcLsf, pMem, pDstQLsp, pDstIndex);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLSFDecode_G729B_16s(const Vok16s* pSrcIndex, Vok16s* pMem, Vok16s* pDstLsf) {
    if (any_null(pSrcIndex, pMem, pDstLsf)) return vokStatusNullPtr;
    if (const VokStatus st = check_index(pSrcIndex)) return st;
    return lsf_status(g::sid_lsf_decode(pSrcIndex, pMem, pDstLsf));
}

VOKSC_API VokStatus voksLSFDecode_G729B_32f(const Vok32s* pSrcIndex, Vok32f* pMem, Vok32f* pDstLsp) {
    if (any_null(pSrcIndex, pMem, pDstLsp)) return vokStatusNullPtr;
    if (const VokStatus st = check_index(pSrcIndex)) return st;
    g::sid_lsf_decode_f(pSrcIndex, pMem, pDstLsp);
    return vokStatusOk;
}

VOKSC_API VokStatus voksRandomNoiseExcitation_G729B_16s(Vok16s* pSeed, Vok16s* pDst, int len) {
    if (any_null(pSeed, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    g::random_noise(pSeed, pDst, len);
    return vokStatusOk;
}

VOKSC_API VokStatus voksRandomNoiseExcitation_G729B_16s32f(Vok16s* pSeed, Vok32f* pDst, int len) {
    if (any_null(pSeed, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    g::random_noise_f(pSeed, pDst, len);
    return vokStatusOk;
}

}  // extern "C"

// Exported G.729 linear-prediction operations: argument checks in the documented order, then
// the implementation.
#include <cstring>

#include "frame/check.h"
#include "g729/kernels.h"
#include "g729/lp_internal.h"
#include "voksc.h"

using voks::any_null;
namespace g = voks::g729;

namespace {

constexpr int kHybridStateBytes = g::kHybridLags * 4;

bool bad_mode(int mode) {
    return mode < 0 || mode > 1;
}

// Codebook indices L1 (0..127), L2 and L3 (0..31) of an unpacked index vector.
template <class T>
bool bad_codebook(const T* idx) {
    return idx[1] < 0 || idx[1] > 127 || idx[2] < 0 || idx[2] > 31 || idx[3] < 0 || idx[3] > 31;
}

VokStatus lsf_status(int flags) {
    switch (flags) {
        case g::kLsfFloor:
            return vokStatusLsfFloor;
        case g::kLsfCeiling:
            return vokStatusLsfCeiling;
        case g::kLsfFloor | g::kLsfCeiling:
            return vokStatusLsfFloorCeiling;
        default:
            return vokStatusOk;
    }
}

VokStatus lsf_to_lsp_status(const Vok16s* lsf, Vok16s* lsp) {
    return g::lsf_to_lsp(lsf, lsp) == g::kOrder ? vokStatusOk : vokStatusLsfDomain;
}

}  // namespace

extern "C" {

VOKSC_API VokStatus voksLagWindow_G729_32s_I(Vok32s* pSrcDst, int len) {
    if (any_null(pSrcDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    if (len > 12) return vokStatusRange;
    g::lag_window(pSrcDst, len);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLevinsonDurbin_G729_32s16s(const Vok32s* pSrcAutoCorr, int order, Vok16s* pDstLpc,
                                                   Vok16s* pDstRc, Vok16s* pErr) {
    if (any_null(pSrcAutoCorr, pDstLpc, pDstRc, pErr)) return vokStatusNullPtr;
    if (order < 1 || order > g::kMaxLevinsonOrder) return vokStatusSize;
    if (pSrcAutoCorr[0] < 0x10000) return vokStatusOverflow;
    return g::levinson(pSrcAutoCorr, order, pDstLpc, pDstRc, pErr) ? vokStatusOk : vokStatusOverflow;
}

VOKSC_API VokStatus voksLevinsonDurbin_G729_32f(const Vok32f* pSrcAutoCorr, int order, Vok32f* pDstLpc,
                                                Vok32f* pDstRc, Vok32f* pErr) {
    if (any_null(pSrcAutoCorr, pDstLpc, pDstRc, pErr)) return vokStatusNullPtr;
    if (order < 1) return vokStatusSize;
    *pErr = g::levinson_f(pSrcAutoCorr, order, pDstLpc, pDstRc);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLPCToLSP_G729_16s(const Vok16s* pSrcLpc, const Vok16s* pSrcPrevLsp, Vok16s* pDstLsp) {
    if (any_null(pSrcLpc, pSrcPrevLsp, pDstLsp)) return vokStatusNullPtr;
    g::az_lsp(pSrcLpc, pSrcPrevLsp, pDstLsp, false);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLPCToLSP_G729A_16s(const Vok16s* pSrcLpc, const Vok16s* pSrcPrevLsp,
                                           Vok16s* pDstLsp) {
    if (any_null(pSrcLpc, pSrcPrevLsp, pDstLsp)) return vokStatusNullPtr;
    g::az_lsp(pSrcLpc, pSrcPrevLsp, pDstLsp, true);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLPCToLSP_G729_32f(const Vok32f* pSrcLpc, const Vok32f* pSrcPrevLsp, Vok32f* pDstLsp) {
    if (any_null(pSrcLpc, pSrcPrevLsp, pDstLsp)) return vokStatusNullPtr;
    g::az_lsp_f(pSrcLpc, pSrcPrevLsp, pDstLsp, false);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLPCToLSP_G729A_32f(const Vok32f* pSrcLpc, const Vok32f* pSrcPrevLsp,
                                           Vok32f* pDstLsp) {
    if (any_null(pSrcLpc, pSrcPrevLsp, pDstLsp)) return vokStatusNullPtr;
    g::az_lsp_f(pSrcLpc, pSrcPrevLsp, pDstLsp, true);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLSPToLPC_G729_16s(const Vok16s* pSrcLsp, Vok16s* pDstLpc) {
    if (any_null(pSrcLsp, pDstLpc)) return vokStatusNullPtr;
    g::lsp_az(pSrcLsp, pDstLpc);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLSPToLPC_G729_32f(const Vok32f* pSrcLsp, Vok32f* pDstLpc) {
    if (any_null(pSrcLsp, pDstLpc)) return vokStatusNullPtr;
    g::lsp_az_f(pSrcLsp, pDstLpc);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLSFToLSP_G729_16s(const Vok16s* pSrcLsf, Vok16s* pDstLsp) {
    if (any_null(pSrcLsf, pDstLsp)) return vokStatusNullPtr;
    return lsf_to_lsp_status(pSrcLsf, pDstLsp);
}

VOKSC_API VokStatus voksLSPToLSF_G729_16s(const Vok16s* pSrcLsp, Vok16s* pDstLsf) {
    if (any_null(pSrcLsp, pDstLsf)) return vokStatusNullPtr;
    g::lsp_to_lsf(pSrcLsp, pDstLsf);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLSPToLSF_Norm_G729_16s(const Vok16s* pSrcLsp, Vok16s* pDstLsf) {
    if (any_null(pSrcLsp, pDstLsf)) return vokStatusNullPtr;
    g::lsp_to_lsf_norm(pSrcLsp, pDstLsf);
    return vokStatusOk;
}

VOKSC_API VokStatus voksInterpolate_G729_16s(const Vok16s* pSrc1, const Vok16s* pSrc2, Vok16s* pDst,
                                             int len) {
    if (any_null(pSrc1, pSrc2, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    g::kernels().interp_half(pSrc1, pSrc2, pDst, len);
    return vokStatusOk;
}

VOKSC_API VokStatus voksInterpolateC_G729_16s_Sfs(const Vok16s* pSrc1, Vok16s c1, const Vok16s* pSrc2,
                                                  Vok16s c2, Vok16s* pDst, int len, int scaleFactor) {
    if (any_null(pSrc1, pSrc2, pDst)) return vokStatusNullPtr;
    if (scaleFactor < 0) return vokStatusScaleFactor;
    if (len < 1) return vokStatusSize;
    g::kernels().interp_c(pSrc1, c1, pSrc2, c2, pDst, len, scaleFactor);
    return vokStatusOk;
}

VOKSC_API VokStatus voksInterpolateC_NR_G729_16s_Sfs(const Vok16s* pSrc1, Vok16s c1, const Vok16s* pSrc2,
                                                     Vok16s c2, Vok16s* pDst, int len, int scaleFactor) {
    if (any_null(pSrc1, pSrc2, pDst)) return vokStatusNullPtr;
    if (scaleFactor < 0) return vokStatusScaleFactor;
    if (len < 1) return vokStatusSize;
    g::kernels().interp_c_nr(pSrc1, c1, pSrc2, c2, pDst, len, scaleFactor);
    return vokStatusOk;
}

VOKSC_API VokStatus voksInterpolateC_G729_32f(const Vok32f* pSrc1, const Vok32f* pSrc2, Vok32f* pDst, int len,
                                              Vok32f c1, Vok32f c2) {
    if (any_null(pSrc1, pSrc2, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    g::kernels().interp_c_f32(pSrc1, pSrc2, pDst, len, c1, c2);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLSFQuant_G729_16s(const Vok16s* pSrcLsf, Vok16s* pMem, Vok16s* pDstQLsf,
                                          Vok16s* pDstIndex) {
    if (any_null(pSrcLsf, pMem, pDstQLsf, pDstIndex)) return vokStatusNullPtr;
    return lsf_status(g::lsf_quant(pSrcLsf, pMem, pDstQLsf, pDstIndex));
}

VOKSC_API VokStatus voksLSPQuant_G729_16s(const Vok16s* pSrcLsp, Vok16s* pMem, Vok16s* pDstQLsp,
                                          Vok16s* pDstIndex) {
    if (any_null(pSrcLsp, pMem, pDstQLsp, pDstIndex)) return vokStatusNullPtr;
    Vok16s lsf[g::kOrder], lsf_q[g::kOrder], idx[4];
    g::lsp_to_lsf(pSrcLsp, lsf);
    g::lsf_quant(lsf, pMem, lsf_q, idx);
    pDstIndex[0] = static_cast<Vok16s>((idx[0] << 7) | idx[1]);
    pDstIndex[1] = static_cast<Vok16s>((idx[2] << 5) | idx[3]);
    return lsf_to_lsp_status(lsf_q, pDstQLsp);
}

VOKSC_API VokStatus voksLSPQuant_G729E_16s(const Vok16s* pSrcLsp, const Vok16s* pMem, Vok16s* pDstResidual,
                                           Vok16s* pDstQLsp, Vok16s* pDstIndex) {
    if (any_null(pSrcLsp, pMem, pDstResidual, pDstQLsp, pDstIndex)) return vokStatusNullPtr;
    Vok16s lsf[g::kOrder], lsf_q[g::kOrder], idx[4];
    g::lsp_to_lsf(pSrcLsp, lsf);
    g::lsf_quant_e(lsf, pMem, lsf_q, idx, pDstResidual);
    pDstIndex[0] = static_cast<Vok16s>((idx[0] << 7) | idx[1]);
    pDstIndex[1] = static_cast<Vok16s>((idx[2] << 5) | idx[3]);
    return lsf_to_lsp_status(lsf_q, pDstQLsp);
}

VOKSC_API VokStatus voksLSPQuant_G729E_32f(const Vok32f* pSrcLsp, const Vok32f* pMem, Vok32f* pDstResidual,
                                           Vok32f* pDstQLsp, Vok16s* pDstIndex) {
    if (any_null(pSrcLsp, pMem, pDstResidual, pDstQLsp, pDstIndex)) return vokStatusNullPtr;
    g::lsp_quant_e_f(pSrcLsp, pMem, pDstResidual, pDstQLsp, pDstIndex);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLSFDecode_G729_16s(const Vok16s* pSrcIndex, Vok16s* pMem, Vok16s* pDstLsf) {
    if (any_null(pSrcIndex, pMem, pDstLsf)) return vokStatusNullPtr;
    if (bad_mode(pSrcIndex[0])) return vokStatusParamRange;
    if (bad_codebook(pSrcIndex)) return vokStatusRange;
    return lsf_status(g::lsf_decode(pSrcIndex, pMem, pDstLsf));
}

VOKSC_API VokStatus voksLSFDecode_G729_32f(const int* pSrcIndex, Vok32f* pMem, Vok32f* pDstLsf) {
    if (any_null(pSrcIndex, pMem, pDstLsf)) return vokStatusNullPtr;
    if (bad_mode(pSrcIndex[0])) return vokStatusParamRange;
    if (bad_codebook(pSrcIndex)) return vokStatusRange;
    g::lsf_decode_f(pSrcIndex, pMem, pDstLsf);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLSFDecodeErased_G729_16s(int prevMode, Vok16s* pMem, const Vok16s* pSrcPrevLsf) {
    if (any_null(pMem, pSrcPrevLsf)) return vokStatusNullPtr;
    if (bad_mode(prevMode)) return vokStatusParamRange;
    g::lsf_decode_erased(prevMode, pMem, pSrcPrevLsf);
    return vokStatusOk;
}

VOKSC_API VokStatus voksLSFDecodeErased_G729_32f(int prevMode, Vok32f* pMem, const Vok32f* pSrcPrevLsf) {
    if (any_null(pMem, pSrcPrevLsf)) return vokStatusNullPtr;
    if (bad_mode(prevMode)) return vokStatusParamRange;
    g::lsf_decode_erased_f(prevMode, pMem, pSrcPrevLsf);
    return vokStatusOk;
}

VOKSC_API VokStatus voksWinHybridGetStateSize_G729E_16s(int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = kHybridStateBytes;
    return vokStatusOk;
}

VOKSC_API VokStatus voksWinHybridGetStateSize_G729E_32f(int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = kHybridStateBytes;
    return vokStatusOk;
}

VOKSC_API VokStatus voksWinHybridInit_G729E_16s(VokWinHybridState_G729E_16s* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    std::memset(pState, 0, kHybridStateBytes);
    return vokStatusOk;
}

VOKSC_API VokStatus voksWinHybridInit_G729E_32f(VokWinHybridState_G729E_32f* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    std::memset(pState, 0, kHybridStateBytes);
    return vokStatusOk;
}

VOKSC_API VokStatus voksWinHybrid_G729E_16s32s(const Vok16s* pSrc, Vok32s* pDst,
                                               VokWinHybridState_G729E_16s* pState) {
    if (any_null(pSrc, pDst, pState)) return vokStatusNullPtr;
    int32_t state[g::kHybridLags];
    std::memcpy(state, pState, sizeof(state));
    g::win_hybrid(pSrc, pDst, state);
    std::memcpy(pState, state, sizeof(state));
    return vokStatusOk;
}

VOKSC_API VokStatus voksWinHybrid_G729E_32f(const Vok32f* pSrc, Vok32f* pDst,
                                            VokWinHybridState_G729E_32f* pState) {
    if (any_null(pSrc, pDst, pState)) return vokStatusNullPtr;
    float state[g::kHybridLags];
    std::memcpy(state, pState, sizeof(state));
    g::win_hybrid_f(pSrc, pDst, state);
    std::memcpy(pState, state, sizeof(state));
    return vokStatusOk;
}

}  // extern "C"

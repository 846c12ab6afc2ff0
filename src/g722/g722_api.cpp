// Exported G.722 operations: argument checks in the documented order, then the implementation.
#include "voksc.h"

#include "frame/check.h"
#include "g722/kernels.h"

using voks::any_null;
namespace g7 = voks::g722;

namespace {
inline bool bad_frame_len(int len) {
    return len < 1 || (len & 1) != 0;
}
}  // namespace

extern "C" {

VOKSC_API VokStatus voksSBADPCMEncodeStateSize_G722_16s(int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = g7::kStateBytes;
    return vokStatusOk;
}

VOKSC_API VokStatus voksSBADPCMDecodeStateSize_G722_16s(int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = g7::kStateBytes;
    return vokStatusOk;
}

VOKSC_API VokStatus voksSBADPCMEncodeInit_G722_16s(VokG722EncodeState* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    g7::init_state(*g7::state_at(pState));
    return vokStatusOk;
}

VOKSC_API VokStatus voksSBADPCMDecodeInit_G722_16s(VokG722DecodeState* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    g7::init_state(*g7::state_at(pState));
    return vokStatusOk;
}

VOKSC_API VokStatus voksSBADPCMEncode_G722_16s(const Vok16s* pSrc, Vok16s* pDst, int len,
                                               VokG722EncodeState* pState) {
    if (any_null(pSrc, pDst, pState)) return vokStatusNullPtr;
    if (bad_frame_len(len)) return vokStatusSize;
    g7::kernels().encode(pSrc, pDst, len / 2, *g7::state_at(pState));
    return vokStatusOk;
}

VOKSC_API VokStatus voksSBADPCMDecode_G722_16s(const Vok16s* pSrc, Vok16s* pDst, int len, Vok16s mode,
                                               VokG722DecodeState* pState) {
    if (any_null(pSrc, pDst, pState)) return vokStatusNullPtr;
    if (bad_frame_len(len)) return vokStatusSize;
    g7::kernels().decode(pSrc, pDst, len / 2, mode, *g7::state_at(pState));
    return vokStatusOk;
}

VOKSC_API VokStatus voksQMFEncode_G722_16s(const Vok16s* pSrc, Vok16s* pDst, int len, Vok16s* pDelay) {
    if (any_null(pSrc, pDst, pDelay)) return vokStatusNullPtr;
    if (bad_frame_len(len)) return vokStatusSize;
    g7::kernels().qmf_tx(pSrc, pDst, len / 2, pDelay);
    return vokStatusOk;
}

VOKSC_API VokStatus voksQMFDecode_G722_16s(const Vok16s* pSrc, Vok16s* pDst, int len, Vok16s* pDelay) {
    if (any_null(pSrc, pDst, pDelay)) return vokStatusNullPtr;
    if (bad_frame_len(len)) return vokStatusSize;
    g7::kernels().qmf_rx(pSrc, pDst, len / 2, pDelay);
    return vokStatusOk;
}

VOKSC_API VokStatus voksSBADPCMDecodeStateUpdate_G722_16s(const Vok16s* pLow, Vok16s estimate, Vok32s reset,
                                                          VokG722DecodeState* pState) {
    if (any_null(pLow, pState)) return vokStatusNullPtr;
    const int r = g7::state_update(pLow, estimate, reset, *g7::state_at(pState));
    return r == 0 ? vokStatusOk : vokStatusParamRange;
}

VOKSC_API VokStatus voksDownsampleFilter_G722_16s(const Vok16s* pSrc, int len, Vok16s* pDst) {
    if (any_null(pSrc, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    g7::downsample(pSrc, len, pDst);
    return vokStatusOk;
}

VOKSC_API VokStatus voksFilterHighband_G722_16s_I(Vok16s* pSrcDst, int len, Vok16s* pMem) {
    if (any_null(pSrcDst, pMem)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    g7::filter_highband(pSrcDst, len, pMem);
    return vokStatusOk;
}

VOKSC_API VokStatus voksClassifyFrame_G722_16s_I(Vok16s* pSrcDst, Vok16s period, Vok32s* pClass,
                                                 const VokG722DecodeState* pState) {
    if (any_null(pSrcDst, pClass, pState)) return vokStatusNullPtr;
    if (static_cast<uint16_t>(period) > 143) return vokStatusRange;
    g7::classify(pSrcDst, period, *pClass, *g7::state_at(pState));
    return vokStatusOk;
}

}  // extern "C"

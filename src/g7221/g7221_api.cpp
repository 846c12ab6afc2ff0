// Exported G.722.1 operations: argument checks in their documented order, then the family.
#include "frame/check.h"
#include "g7221/g7221_internal.h"
#include "g7221/kernels.h"
#include "voksc.h"

using voks::any_null;
namespace g7221 = voks::g7221;

namespace {

constexpr bool bad_length(int len) {
    return len != 320 && len != 640;
}

}  // namespace

extern "C" {

VokStatus voksDecomposeMLTToDCT_G7221_16s(const Vok16s* pSrc, Vok16s* pHistory, Vok16s* pDst, int len) {
    if (any_null(pSrc, pHistory, pDst)) return vokStatusNullPtr;
    if (bad_length(len)) return vokStatusSize;
    g7221::kernels().window_analysis(pSrc, pHistory, pDst, len);
    return vokStatusOk;
}

VokStatus voksDecomposeMLTToDCT_G722_16s(const Vok16s* pSrc, Vok16s* pHistory, Vok16s* pDst) {
    if (any_null(pSrc, pHistory, pDst)) return vokStatusNullPtr;
    g7221::kernels().window_analysis(pSrc, pHistory, pDst, 320);
    return vokStatusOk;
}

VokStatus voksDCTFwd_G7221_16s(const Vok16s* pSrc, Vok16s* pDst, int len) {
    if (any_null(pSrc, pDst)) return vokStatusNullPtr;
    if (bad_length(len)) return vokStatusSize;
    g7221::kernels().dct_forward(pSrc, pDst, len);
    return vokStatusOk;
}

VokStatus voksDCTFwd_G722_16s(const Vok16s* pSrc, Vok16s* pDst) {
    if (any_null(pSrc, pDst)) return vokStatusNullPtr;
    g7221::kernels().dct_forward(pSrc, pDst, 320);
    return vokStatusOk;
}

VokStatus voksDCTInv_G7221_16s(const Vok16s* pSrc, Vok16s* pDst, int len) {
    if (any_null(pSrc, pDst)) return vokStatusNullPtr;
    if (bad_length(len)) return vokStatusSize;
    g7221::kernels().dct_inverse(pSrc, pDst, len);
    return vokStatusOk;
}

VokStatus voksDCTInv_G722_16s(const Vok16s* pSrc, Vok16s* pDst) {
    if (any_null(pSrc, pDst)) return vokStatusNullPtr;
    g7221::kernels().dct_inverse(pSrc, pDst, 320);
    return vokStatusOk;
}

VokStatus voksDecomposeDCTToMLT_G7221_16s(const Vok16s* pSrc, Vok16s* pOverlap, Vok16s* pDst, int len) {
    if (any_null(pSrc, pOverlap, pDst)) return vokStatusNullPtr;
    if (bad_length(len)) return vokStatusSize;
    g7221::kernels().window_synthesis(pSrc, pOverlap, pDst, len);
    return vokStatusOk;
}

VokStatus voksDecomposeDCTToMLT_G722_16s(const Vok16s* pSrc, Vok16s* pOverlap, Vok16s* pDst) {
    if (any_null(pSrc, pOverlap, pDst)) return vokStatusNullPtr;
    g7221::kernels().window_synthesis(pSrc, pOverlap, pDst, 320);
    return vokStatusOk;
}

VokStatus voksHuffmanEncode_G722_16s32u(int category, int powerIndex, const Vok16s* pSrc, Vok32u* pDst,
                                        Vok32u* pBitCount) {
    if (any_null(pSrc, pDst, pBitCount)) return vokStatusNullPtr;
    if (category < 0 || category > 6 || powerIndex < 0 || powerIndex > 63) return vokStatusScaleFactor;
    *pBitCount = static_cast<Vok32u>(g7221::encode_region(category, powerIndex, pSrc, pDst));
    return vokStatusOk;
}

}  // extern "C"

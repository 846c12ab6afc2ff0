// Block normalisation, reciprocal square root, the overflow-free dot product and the rounded
// element-wise multiplications.
#include "common/basicop.h"
#include "common/kernels.h"
#include "common/mathop.h"
#include "frame/check.h"
#include "frame/dispatch.h"
#include "voksc.h"

namespace voks::common {

namespace {

// Headroom normalisation shared by both AutoScale forms.
void auto_scale(const int16_t* src, int16_t* dst, int len, int* scale) {
    const int s = *scale;
    const int16_t m = kernels().max_abs(src, len);
    if (m == 0) {
        if (dst != src)
            for (int i = 0; i < len; ++i) dst[i] = 0;
        *scale = 16 - s;
        return;
    }
    // Left shift by n - s (cannot overflow: m normalises to n) or arithmetic right shift.
    const int net = norm_s(m) - s;
    if (net != 0 || dst != src) kernels().shift(src, dst, len, net);
    *scale = net;
}

// R(p) of the powers rule: the rounding term is added with 32-bit saturation.
int16_t power_round(int32_t p, int sf) {
    if (sf == 0) return sat16(p);
    return sat16(L_add(p, int32_t{1} << (sf - 1)) >> sf);
}
}  // namespace

}  // namespace voks::common

using namespace voks;
using namespace voks::common;

extern "C" {

VOKSC_API VokStatus voksAutoScale_16s(const Vok16s* pSrc, Vok16s* pDst, int len, int* pScale) {
    if (any_null(pSrc, pDst, pScale)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    if (*pScale < 0) return vokStatusScaleFactor;
    auto_scale(pSrc, pDst, len, pScale);
    return vokStatusOk;
}

VOKSC_API VokStatus voksAutoScale_16s_I(Vok16s* pSrcDst, int len, int* pScale) {
    if (any_null(pSrcDst, pScale)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    if (*pScale < 0) return vokStatusScaleFactor;
    auto_scale(pSrcDst, pSrcDst, len, pScale);
    return vokStatusOk;
}

VOKSC_API VokStatus voksInvSqrt_32s_I(Vok32s* pSrcDst, int len) {
    if (any_null(pSrcDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    for (int i = 0; i < len; ++i) pSrcDst[i] = ownInvSqrt(pSrcDst[i]);
    return vokStatusOk;
}

VOKSC_API VokStatus voksDotProdAutoScale_16s32s_Sfs(const Vok16s* pSrc1, const Vok16s* pSrc2, int len,
                                                    Vok32s* pDp, int* pSfs) {
    if (any_null(pSrc1, pSrc2, pDp, pSfs)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    // Shift the second source, then the first, one bit per pass, until the doubled sum fits.
    int c1 = 0, c2 = 0;
    bool second = true;
    for (;;) {
        const int s1 = c1 > 15 ? 15 : c1, s2 = c2 > 15 ? 15 : c2;
        int64_t sum = 0;
        for (int i = 0; i < len; ++i) sum += 2 * int64_t{pSrc1[i] >> s1} * (pSrc2[i] >> s2);
        if (sum >= MIN_32 && sum <= MAX_32) {
            *pDp = static_cast<Vok32s>(sum);
            *pSfs = c1 + c2;
            return vokStatusOk;
        }
        if (second)
            ++c2;
        else
            ++c1;
        second = !second;
    }
}

VOKSC_API VokStatus voksMul_NR_16s_Sfs(const Vok16s* pSrc1, const Vok16s* pSrc2, Vok16s* pDst, int len,
                                       int scaleFactor) {
    if (any_null(pSrc1, pSrc2, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    if (scaleFactor < 0) return vokStatusScaleFactor;
    kernels().mul_nr(pSrc1, pSrc2, pDst, len, scaleFactor > 31 ? 31 : scaleFactor);
    return vokStatusOk;
}

VOKSC_API VokStatus voksMul_NR_16s_ISfs(const Vok16s* pSrc, Vok16s* pSrcDst, int len, int scaleFactor) {
    if (any_null(pSrc, pSrcDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    if (scaleFactor < 0) return vokStatusScaleFactor;
    kernels().mul_nr(pSrc, pSrcDst, pSrcDst, len, scaleFactor > 31 ? 31 : scaleFactor);
    return vokStatusOk;
}

VOKSC_API VokStatus voksMulC_NR_16s_Sfs(const Vok16s* pSrc, Vok16s val, Vok16s* pDst, int len,
                                        int scaleFactor) {
    if (any_null(pSrc, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    if (scaleFactor < 0) return vokStatusScaleFactor;
    kernels().mulc_nr(pSrc, val, pDst, len, scaleFactor > 31 ? 31 : scaleFactor);
    return vokStatusOk;
}

VOKSC_API VokStatus voksMulC_NR_16s_ISfs(Vok16s val, Vok16s* pSrcDst, int len, int scaleFactor) {
    if (any_null(pSrcDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    if (scaleFactor < 0) return vokStatusScaleFactor;
    kernels().mulc_nr(pSrcDst, val, pSrcDst, len, scaleFactor > 31 ? 31 : scaleFactor);
    return vokStatusOk;
}

VOKSC_API VokStatus voksMulPowerC_NR_16s_Sfs(const Vok16s* pSrc, Vok16s val, Vok16s* pDst, int len,
                                             int scaleFactor) {
    if (any_null(pSrc, pDst)) return vokStatusNullPtr;
    if (scaleFactor < 0) return vokStatusScaleFactor;
    if (len < 1) return vokStatusSize;
    const int sf = scaleFactor > 31 ? 31 : scaleFactor;
    pDst[0] = pSrc[0];
    if (sf == 15 && val != MIN_16) {
        // The Q15 case (LP weighting) in one pass: with val > -32768 every |power * val| is below
        // 2^30, so the rounding term never saturates and no power leaves 16 bits; only a product
        // with a source of -32768 can reach 32768 and saturate.
        int32_t p = val;
        for (int k = 1; k < len; ++k) {
            pDst[k] = sat16((int32_t{pSrc[k]} * p + 0x4000) >> 15);
            p = (p * val + 0x4000) >> 15;
        }
        return vokStatusOk;
    }
    // The powers are a sequential recursion; the products with the source are element-wise and
    // run through the multiplication kernel, one block of powers at a time. Only when the
    // rounding term can saturate (sf = 31) do the two rules differ, so that case stays scalar.
    constexpr int kBlock = 256;
    int16_t w[kBlock];
    int16_t p = val;
    for (int k = 1; k < len; k += kBlock) {
        const int n = len - k < kBlock ? len - k : kBlock;
        for (int i = 0; i < n; ++i) {
            w[i] = p;
            p = power_round(int32_t{p} * val, sf);
        }
        if (sf < 31) {
            kernels().mul_nr(pSrc + k, w, pDst + k, n, sf);
        } else {
            for (int i = 0; i < n; ++i) pDst[k + i] = power_round(int32_t{pSrc[k + i]} * w[i], sf);
        }
    }
    return vokStatusOk;
}

}  // extern "C"

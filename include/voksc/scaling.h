/* voksc: fixed-point scaling and rounded element-wise arithmetic. Included by voksc.h. */
#ifndef VOKSC_SCALING_H
#define VOKSC_SCALING_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Normalise a block: *scale holds the wanted headroom on entry, the net left shift on return. */
VOKSC_API VokStatus voksAutoScale_16s(const Vok16s* pSrc, Vok16s* pDst, int len, int* pScale);
/* In-place block normalisation, as voksAutoScale_16s. */
VOKSC_API VokStatus voksAutoScale_16s_I(Vok16s* pSrcDst, int len, int* pScale);
/* Replace each element x by the reference Inv_sqrt approximation of 2^30 / sqrt(x). */
VOKSC_API VokStatus voksInvSqrt_32s_I(Vok32s* pSrcDst, int len);
/* Doubled dot product, shifting the sources right until the sum fits 32 bits. */
VOKSC_API VokStatus voksDotProdAutoScale_16s32s_Sfs(const Vok16s* pSrc1, const Vok16s* pSrc2, int len,
                                                    Vok32s* pDp, int* pSfs);
/* dst[k] = sat16((a[k] * b[k] + 2^(sf-1)) >> sf). */
VOKSC_API VokStatus voksMul_NR_16s_Sfs(const Vok16s* pSrc1, const Vok16s* pSrc2, Vok16s* pDst, int len,
                                       int scaleFactor);
/* In place: srcDst[k] = sat16((src[k] * srcDst[k] + 2^(sf-1)) >> sf). */
VOKSC_API VokStatus voksMul_NR_16s_ISfs(const Vok16s* pSrc, Vok16s* pSrcDst, int len, int scaleFactor);
/* dst[k] = sat16((src[k] * val + 2^(sf-1)) >> sf). */
VOKSC_API VokStatus voksMulC_NR_16s_Sfs(const Vok16s* pSrc, Vok16s val, Vok16s* pDst, int len,
                                        int scaleFactor);
/* In-place multiplication by a constant, rounded as voksMulC_NR_16s_Sfs. */
VOKSC_API VokStatus voksMulC_NR_16s_ISfs(Vok16s val, Vok16s* pSrcDst, int len, int scaleFactor);
/* dst[0] = src[0], dst[k] = R(src[k] * w_k) with w_1 = val, w_{k+1} = R(w_k * val). */
VOKSC_API VokStatus voksMulPowerC_NR_16s_Sfs(const Vok16s* pSrc, Vok16s val, Vok16s* pDst, int len,
                                             int scaleFactor);

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_SCALING_H */

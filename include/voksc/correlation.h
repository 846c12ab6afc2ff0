/* voksc: correlation, convolution and LP-filter primitives. Included by voksc.h.
 *
 * Sums marked "mod 2^32" wrap like 32-bit integer arithmetic; callers scale their signals so the
 * sums fit. Operations that read history (lag searches, residual and harmonic filters) read the
 * samples before the source pointer, which the caller must supply. */
#ifndef VOKSC_CORRELATION_H
#define VOKSC_CORRELATION_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* dst[k] = sum_{n<len-k} src[n]*src[n+k] mod 2^32, k < dstLen (0 for k >= len). */
VOKSC_API VokStatus voksAutoCorr_16s32s(const Vok16s* pSrc, int len, Vok32s* pDst, int dstLen);
/* Normalised autocorrelation of the G.729 LP analysis; vokStatusOverflow (nothing written) when
 * the energy exceeds 0x3FFFFFFF. */
VOKSC_API VokStatus voksAutoCorr_NormE_16s32s(const Vok16s* pSrc, int len, Vok32s* pDst, int dstLen,
                                              int* pNorm);
/* Normalised autocorrelation rounded to 16 bits; *pNorm receives the normalisation shift. */
VOKSC_API VokStatus voksAutoCorr_NormE_NR_16s(const Vok16s* pSrc, int len, Vok16s* pDst, int dstLen,
                                              int* pNorm);
/* Largest 2*sum src[n]*src[n+L] over lowLag..highLag (smallest lag on ties), saturating like
 * the reference L_mac accumulation. */
VOKSC_API VokStatus voksAutoCorrLagMax_Fwd_16s(const Vok16s* pSrc, int len, int lowLag, int highLag,
                                               Vok32s* pMax, int* pLag);
/* Largest 2*sum src[n]*src[n-L] over highLag down to lowLag (smallest lag on ties), saturating
 * like the G.729 Lag_max; reads highLag samples before pSrc. */
VOKSC_API VokStatus voksAutoCorrLagMax_Inv_16s(const Vok16s* pSrc, int len, int lowLag, int highLag,
                                               Vok32s* pMax, int* pLag);
/* Largest sum src[n]*src[n-L] in single precision over lowLag..highLag-1. */
VOKSC_API VokStatus voksAutoCorrLagMax_32f(const Vok32f* pSrc, int len, int lowLag, int highLag,
                                           Vok32f* pMax, int* pLag);
/* dst[k] = (sum_{n<len-k} src1[n]*src2[n+k] mod 2^32) >> sf (left shift for sf < 0), k < len. */
VOKSC_API VokStatus voksCrossCorr_16s32s_Sfs(const Vok16s* pSrc1, const Vok16s* pSrc2, int len,
                                             Vok32s* pDst, int scaleFactor);
/* dst[k] = sat32(sum_{n<len} src1[n]*src2[n+k]) exactly, k < dstLen. */
VOKSC_API VokStatus voksCrossCorr_NR_16s32s(const Vok16s* pSrc1, const Vok16s* pSrc2, int len,
                                            Vok32s* pDst, int dstLen);
/* dst[k] = (sum_{n<len} src1[n]*src2[n+k] + 2^14) >> 15, saturated, k < dstLen. */
VOKSC_API VokStatus voksCrossCorr_NR_16s(const Vok16s* pSrc1, const Vok16s* pSrc2, int len,
                                         Vok16s* pDst, int dstLen);
/* dst[k] = sat16((sum mod 2^32 + 2^(sf-1)) >> sf), k < dstLen; sf <= 0 adds no rounding term and
 * a negative sf shifts left with saturation. */
VOKSC_API VokStatus voksCrossCorr_NR_16s_Sfs(const Vok16s* pSrc1, const Vok16s* pSrc2, int len,
                                             Vok16s* pDst, int dstLen, int scaleFactor);
/* Target / impulse-response correlation of G.729 (Cor_h_X, saturation included), normalised to
 * 13 bits. */
VOKSC_API VokStatus voksCrossCorr_NormM_16s(const Vok16s* pSrc1, const Vok16s* pSrc2, int len,
                                            Vok16s* pDst);
/* Largest sum src1[n]*src2[n+L] over maxLag down to 0 (largest lag on ties), starting at 0. */
VOKSC_API VokStatus voksCrossCorrLagMax_16s(const Vok16s* pSrc1, const Vok16s* pSrc2, int len,
                                            int maxLag, Vok32s* pMax, int* pLag);
/* Largest sum src1[n]*src2[n+L] (single-precision products, double sums), maxLag down to 0. */
VOKSC_API VokStatus voksCrossCorrLagMax_32f64f(const Vok32f* pSrc1, const Vok32f* pSrc2, int len,
                                               int maxLag, Vok64f* pMax, int* pLag);
/* dst[n] = sum_{k<=n} src1[k]*src2[n-k] mod 2^32, n < len. */
VOKSC_API VokStatus voksConvPartial_16s32s(const Vok16s* pSrc1, const Vok16s* pSrc2, Vok32s* pDst,
                                           int len);
/* dst[n] = sat16((sum_{k<=n} src1[k]*src2[n-k]) >> sf); sf 12 is the G.729 Convolve, whose
 * saturating accumulation loud inputs follow. */
VOKSC_API VokStatus voksConvPartial_16s_Sfs(const Vok16s* pSrc1, const Vok16s* pSrc2, Vok16s* pDst,
                                            int len, int scaleFactor);
/* Rounded Q15 partial convolution; saturating reference arithmetic for loud inputs. */
VOKSC_API VokStatus voksConvPartial_NR_16s(const Vok16s* pSrc1, const Vok16s* pSrc2, Vok16s* pDst,
                                           int len);
/* dst[n] = sat16((sum_{k<=n} src1[k]*src2[n-k] + 2^14) >> 15) for inputs that cannot overflow. */
VOKSC_API VokStatus voksConvPartial_NR_Low_16s(const Vok16s* pSrc1, const Vok16s* pSrc2, Vok16s* pDst,
                                               int len);
/* 10th-order synthesis filter 1/A(z), lpc in Q(sf), sf 12 or 13; pHistory holds the 10 previous
 * outputs (oldest first) or is null for a zero state. With a history the outputs saturate and
 * vokStatusOverflow reports it. */
VOKSC_API VokStatus voksSynthesisFilter_NR_16s_Sfs(const Vok16s* pLpc, const Vok16s* pSrc, Vok16s* pDst,
                                                   int len, int scaleFactor, const Vok16s* pHistory);
/* In-place voksSynthesisFilter_NR_16s_Sfs. */
VOKSC_API VokStatus voksSynthesisFilter_NR_16s_ISfs(const Vok16s* pLpc, Vok16s* pSrcDst, int len,
                                                    int scaleFactor, const Vok16s* pHistory);
/* In-place synthesis filter for inputs that cannot overflow: no saturation, no warning. */
VOKSC_API VokStatus voksSynthesisFilterLow_NR_16s_ISfs(const Vok16s* pLpc, Vok16s* pSrcDst, int len,
                                                       int scaleFactor, const Vok16s* pHistory);
/* Impulse response of lpc[0]/A(z) from a zero state, len samples. */
VOKSC_API VokStatus voksSynthesisFilterZeroStateResponse_NR_16s(const Vok16s* pLpc, Vok16s* pDst,
                                                                 int len, int scaleFactor);
/* Residual dst[n] = sat16((sum_{i<=order} lpc[i]*src[n-i] mod 2^32 + 2^(sf-1)) >> sf); reads
 * order samples before pSrc. */
VOKSC_API VokStatus voksResidualFilter_Low_16s_Sfs(const Vok16s* pLpc, int order, const Vok16s* pSrc,
                                                   Vok16s* pDst, int len, int scaleFactor);
/* x[n] = sat16(x[n] + sat16(x[n-lag]*gain >> 15)), in increasing n; reads lag samples before. */
VOKSC_API VokStatus voksHarmonicFilter_16s_I(Vok16s gain, int lag, Vok16s* pSrcDst, int len);
/* dst[n] = sat16((src[n]*2^15 + gain*src[n-lag] + 2^14) >> 15); reads lag samples before pSrc. */
VOKSC_API VokStatus voksHarmonicFilter_NR_16s(Vok16s gain, int lag, const Vok16s* pSrc, Vok16s* pDst,
                                              int len);
/* x[n] += gain * x[n-lag] in single precision, increasing n; reads lag samples before. */
VOKSC_API VokStatus voksHarmonicFilter_32f_I(int lag, Vok32f* pSrcDst, int len, Vok32f gain);
/* dst[n] = sat16((src1[n]*c1*2^s1 + src2[n]*c2*2^s2 + 2^15) >> 16), exact. */
VOKSC_API VokStatus voksInterpolateC_NR_16s(const Vok16s* pSrc1, Vok16s val1, int scale1,
                                            const Vok16s* pSrc2, Vok16s val2, int scale2, Vok16s* pDst,
                                            int len);
/* y[n] = x[n] - gamma*x[n-1] in place, x[-1] = *pMem; *pMem becomes the last input sample. */
VOKSC_API VokStatus voksPreemphasize_32f_I(Vok32f* pSrcDst, int len, Vok32f* pMem, Vok32f gamma);

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_CORRELATION_H */

/* voksc: GSM full rate (06.10). Included by voksc.h. */
#ifndef VOKSC_GSMFR_H
#define VOKSC_GSMFR_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The filter memories are plain values the caller owns; the library keeps nothing else between
 * calls, so a copy of a memory to any array of its element type continues the stream. */

/* Down-scaling and offset-compensation high-pass filter of the encoder input; pSrcDstMem holds
 * {L_z2, z1} (zero at reset). pDst may equal pSrc. */
VOKSC_API VokStatus voksHighPassFilter_GSMFR_16s(const Vok16s* pSrc, Vok16s* pDst, int len,
                                                 Vok32s* pSrcDstMem);

/* Pre-emphasis y[i] = x[i] - 0.86 x[i-1]; *pSrcDstMem is the previous input sample (zero at
 * reset) and receives the last one. pDst may equal pSrc. */
VOKSC_API VokStatus voksPreemphasize_GSMFR_16s(const Vok16s* pSrc, Vok16s* pDst, int len,
                                               Vok16s* pSrcDstMem);

/* Schur recursion: order + 1 autocorrelation values to `order` (1..8) Q15 reflection
 * coefficients. */
VOKSC_API VokStatus voksSchur_GSMFR_32s16s(const Vok32s* pSrcAutoCorr, Vok16s* pDstReflCoeff,
                                           int order);

/* 8-stage short-term analysis lattice in place; pSrcDstMem is the 8-word memory u. */
VOKSC_API VokStatus voksShortTermAnalysisFilter_GSMFR_16s_I(const Vok16s* pSrcReflCoeff,
                                                            Vok16s* pSrcDst, int len,
                                                            Vok16s* pSrcDstMem);

/* 8-stage short-term synthesis lattice; pSrcDstMem is the 9-word memory v. pDstSpch may equal
 * pSrcResidual. */
VOKSC_API VokStatus voksShortTermSynthesisFilter_GSMFR_16s(const Vok16s* pSrcReflCoeff,
                                                           const Vok16s* pSrcResidual,
                                                           Vok16s* pDstSpch, int len,
                                                           Vok16s* pSrcDstMem);

/* 11-tap RPE weighting filter; reads pSrc[-5] .. pSrc[len + 4]. pDst must not overlap pSrc. */
VOKSC_API VokStatus voksWeightingFilter_GSMFR_16s(const Vok16s* pSrc, Vok16s* pDst, int len);

/* Inverse APCM quantisation of the 13 RPE pulses: mantValue is FAC[mant], shift is
 * 6 - exponent (shifts above 15 act as 15). */
VOKSC_API VokStatus voksRPEQuantDecode_GSMFR_16s(const Vok16s* pSrcXMc, Vok16s mantValue,
                                                 Vok16s shift, Vok16s* pDstXMp);

/* De-emphasis, up-scaling by 2 and truncation to 13 bits in place; *pSrcDstMem is the previous
 * de-emphasised sample (zero at reset). */
VOKSC_API VokStatus voksDeemphasize_GSMFR_16s_I(Vok16s* pSrcDst, int len, Vok16s* pSrcDstMem);

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_GSMFR_H */

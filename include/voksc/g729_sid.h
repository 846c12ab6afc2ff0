/* voksc: G.729 Annex B silence compression. Included by voksc.h.
 *
 * LSF: Q13 radians (32f: radians), increasing. SID spectrum index: [0] predictor mode 0..1,
 * [1] first-stage index 0..31, [2] second-stage index 0..15. Predictor memory: 40 values, the
 * newest quantised residual first, shifted by every quantiser and decoder call; an Annex B coder
 * and decoder start it as the G.729 LSF quantiser does (2339, 4679, ... 23396 in every row; 32f:
 * these / 8192). The random seed is caller-held; Annex B coders and decoders start it at 11111. */
#ifndef VOKSC_G729_SID_H
#define VOKSC_G729_SID_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Autocorr (order 12): pDst[0..12] normalised autocorrelation of pSrc[0..239] times the G.729
 * analysis window, *pExp the exponent (1 + 4 per 2-bit rescaling of a loud window - the
 * normalisation shift). */
VOKSC_API VokStatus voksAutoCorr_G729B(const Vok16s* pSrc, Vok16s* pExp, Vok32s* pDst);
/* Levinson (order 10) on r[0..10]: a[0..10], the first two reflection coefficients and the
 * residual energy (the normalised final prediction error shifted down by its exponent, as the
 * detector reads it); vokStatusOverflow writes nothing (r[0] below 0x10000 or an unstable filter). */
VOKSC_API VokStatus voksLevinsonDurbin_G729B(const Vok32s* pSrcAutoCorr, Vok16s* pDstLpc, Vok16s* pDstRc,
                                             Vok16s* pResidualEnergy);
/* lsfq_noise: LSF[10] (first spaced: at least 40, neighbours 642 apart, at most 25681) ->
 * index[3], quantised LSF[10] as voksLSFDecode_G729B_16s gives them; shifts pMem; returns the
 * stability warnings of the decoding (13, 14, 15). */
VOKSC_API VokStatus voksLSFQuant_G729B_16s(const Vok16s* pSrcLsf, Vok16s* pMem, Vok16s* pDstQLsf,
                                           Vok16s* pDstIndex);
/* lsfq_noise of the floating-point Annex B (LSF in radians): index[3], quantised LSP[10]. */
VOKSC_API VokStatus voksLSFQuant_G729B_32f(const Vok32f* pSrcLsf, Vok32f* pMem, Vok32f* pDstQLsp,
                                           Vok32s* pDstIndex);
/* sid_lsfq_decode: index[3] -> LSF[10]; shifts pMem; warnings 13/14/15 when the floor/ceiling
 * corrections applied. Mode outside 0..1: vokStatusParamRange; a stage index out of range:
 * vokStatusRange. */
VOKSC_API VokStatus voksLSFDecode_G729B_16s(const Vok16s* pSrcIndex, Vok16s* pMem, Vok16s* pDstLsf);
/* sid_lsfq_decode of the floating-point Annex B: index[3] -> LSP[10]; checks as the 16s form. */
VOKSC_API VokStatus voksLSFDecode_G729B_32f(const Vok32s* pSrcIndex, Vok32f* pMem, Vok32f* pDstLsp);
/* Gauss: pDst[i] = (sum of twelve generator values) >> 7, i < len, the seed advanced 12 len steps. */
VOKSC_API VokStatus voksRandomNoiseExcitation_G729B_16s(Vok16s* pSeed, Vok16s* pDst, int len);
/* The same integers times 1/512. */
VOKSC_API VokStatus voksRandomNoiseExcitation_G729B_16s32f(Vok16s* pSeed, Vok32f* pDst, int len);

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_G729_SID_H */

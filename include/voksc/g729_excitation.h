/* voksc: G.729 excitation search. Included by voksc.h.
 * Buffers: the 16s excitation buffer holds 194 samples, elements 0..153 the past excitation
 * (oldest first) and 154..193 the current sub-frame; 32f excitation pointers point at the current
 * sub-frame with the history at negative offsets. Delay pairs are {integer delay, fraction -1..1}.
 * The correlation matrix holds 616 elements: diagonal blocks rr00..rr44 (8 each), then the cross
 * blocks rr01, rr02, rr03, rr04, rr12, rr13, rr14, rr23, rr24 (64 each, element 8a + b). */
#ifndef VOKSC_G729_EXCITATION_H
#define VOKSC_G729_EXCITATION_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Pitch_ol (G.729): open-loop lag 20..143 of an 80-sample weighted frame; pSrc[-143..79] read. */
VOKSC_API VokStatus voksOpenLoopPitchSearch_G729_16s(const Vok16s* pSrc, Vok16s* pResultLag);
/* Pitch_ol_fast (G.729 Annex A): decimated open-loop search; pSrc[-143..79] read. */
VOKSC_API VokStatus voksOpenLoopPitchSearch_G729A_16s(const Vok16s* pSrc, Vok16s* pResultLag);
/* Float twin of Pitch_ol_fast; pSrc[-143..79] read. */
VOKSC_API VokStatus voksOpenLoopPitchSearch_G729A_32f(const Vok32f* pSrc, Vok32s* pResultLag);

/* Pitch_fr3 (G.729): closed-loop 1/3 search around delay (open-loop lag for sub-frame 0, integer
 * delay of sub-frame 0 for sub-frame 1); pExc 194 (154..193 read as the residual, then replaced
 * by the adaptive vector, also copied to pDstAdptVector); pDstDelay {T0, frac}. */
VOKSC_API VokStatus voksAdaptiveCodebookSearch_G729_16s(Vok16s delay, const Vok16s* pSrcTarget,
                                                        const Vok16s* pSrcImpulse, Vok16s* pSrcDstExc,
                                                        Vok16s* pDstDelay, Vok16s* pDstAdptVector, Vok16s subFrame);
/* Pitch_fr3_fast (G.729 Annex A): same buffers as the G.729 search. */
VOKSC_API VokStatus voksAdaptiveCodebookSearch_G729A_16s(Vok16s delay, const Vok16s* pSrcTarget,
                                                         const Vok16s* pSrcImpulse, Vok16s* pSrcDstExc,
                                                         Vok16s* pDstDelay, Vok16s* pDstAdptVector, Vok16s subFrame);
/* Pitch_fr3D (G.729 Annex D, 6.4 kbit/s resolution in sub-frame 1); pSrcExc 194, read only. */
VOKSC_API VokStatus voksAdaptiveCodebookSearch_G729D_16s(Vok16s delay, const Vok16s* pSrcTarget,
                                                         const Vok16s* pSrcImpulse, const Vok16s* pSrcExc,
                                                         Vok16s subFrame, Vok16s* pDstDelay);

/* Pred_lt_3: adaptive vector of {T0 18..144, frac} into elements 154..193 of the 194 buffer. */
VOKSC_API VokStatus voksDecodeAdaptiveVector_G729_16s_I(const Vok16s* pDelay, Vok16s* pSrcDstExc);
/* Pred_lt_3 into pDst (40) from the 194 buffer, which is left unchanged. */
VOKSC_API VokStatus voksDecodeAdaptiveVector_G729_16s(const Vok16s* pDelay, const Vok16s* pSrcExc, Vok16s* pDst);
/* Float Pred_lt_3 at pSrcDstExc (T0 18..145; T0 + 11 past samples read), 40 samples written. */
VOKSC_API VokStatus voksDecodeAdaptiveVector_G729_32f_I(const Vok32s* pDelay, Vok32f* pSrcDstExc);

/* Target update of the reference coder: dst = src - y * gain (gain Q14), 40 samples. */
VOKSC_API VokStatus voksAdaptiveCodebookContribution_G729_16s(Vok16s gain, const Vok16s* pFltAdptVector,
                                                              const Vok16s* pSrcTarget, Vok16s* pDstTarget);
/* Float target update dst = src - gain * y, 40 samples. */
VOKSC_API VokStatus voksAdaptiveCodebookContribution_G729_32f(Vok32f gain, const Vok32f* pFltAdptVector,
                                                              const Vok32f* pSrcTarget, Vok32f* pDstTarget);
/* Convolve (Q12 response) then G_pitch: filtered adaptive vector (40) and gain (Q14, <= 19661). */
VOKSC_API VokStatus voksAdaptiveCodebookGain_G729_16s(const Vok16s* pSrcTarget, const Vok16s* pSrcImpulse,
                                                      const Vok16s* pSrcAdptVector, Vok16s* pDstFltAdptVector,
                                                      Vok16s* pResultGain);
/* Syn_filt with zero memory (11 weighted LP coefficients, Q12) then G_pitch (G.729 Annex A). */
VOKSC_API VokStatus voksAdaptiveCodebookGain_G729A_16s(const Vok16s* pSrcTarget, const Vok16s* pSrcLpc,
                                                       const Vok16s* pSrcAdptVector, Vok16s* pDstFltAdptVector,
                                                       Vok16s* pResultGain);

/* Cor_h: 616 correlations of the scaled Q12 response as 32-bit halves of the doubled sums. */
VOKSC_API VokStatus voksToeplizMatrix_G729_16s32s(const Vok16s* pSrcImpulse, Vok32s* pDstMatrix);
/* Cor_h: the reference 16-bit matrix (the 32-bit form >> 15). */
VOKSC_API VokStatus voksToeplizMatrix_G729_16s(const Vok16s* pSrcImpulse, Vok16s* pDstMatrix);
/* Float correlations of the unscaled response in the same 616 layout. */
VOKSC_API VokStatus voksToeplizMatrix_G729_32f(const Vok32f* pSrcImpulse, Vok32f* pDstMatrix);

/* D4i40_17 (G.729): d (40), matrix from voksToeplizMatrix_G729_16s32s (shifted and sign-modified
 * in place), code (40, Q13), index {sign, position}, search-time counter (read and written).
 * Sub-frame 0 starts the counter afresh; any positive sub-frame continues it (the 16s form below
 * accepts 0 and 1 only). */
VOKSC_API VokStatus voksFixedCodebookSearch_G729_32s16s(const Vok16s* pSrcFixedCorr, Vok32s* pSrcDstMatrix,
                                                        Vok16s* pDstFixedVector, Vok16s* pDstFixedIndex,
                                                        Vok16s* pSearchTimes, Vok16s subFrame);
/* D4i40_17 on the 16-bit matrix (sign-modified in place). */
VOKSC_API VokStatus voksFixedCodebookSearch_G729_16s(const Vok16s* pSrcFixedCorr, Vok16s* pSrcDstMatrix,
                                                     Vok16s* pDstFixedVector, Vok16s* pDstFixedIndex,
                                                     Vok16s* pSearchTimes, Vok16s subFrame);
/* D4i40_17_fast (G.729 Annex A) on the 32-bit matrix; index {sign, position}. */
VOKSC_API VokStatus voksFixedCodebookSearch_G729A_32s16s(const Vok16s* pSrcFixedCorr, Vok32s* pSrcDstMatrix,
                                                         Vok16s* pDstFixedVector, Vok16s* pDstFixedIndex);
/* D4i40_17_fast on the 16-bit matrix. */
VOKSC_API VokStatus voksFixedCodebookSearch_G729A_16s(const Vok16s* pSrcFixedCorr, Vok16s* pSrcDstMatrix,
                                                      Vok16s* pDstFixedVector, Vok16s* pDstFixedIndex);

/* D2i40_11 (G.729 Annex D, 11 bits): d (40), Q12 response (40); code (40, Q13), filtered code
 * (40), sign word (bit 0 pulse A, bit 1 pulse B), position index 16 * gray(iB) + gray(iA). */
VOKSC_API VokStatus voksFixedCodebookSearch_G729D_16s(const Vok16s* pSrcFixedCorr, const Vok16s* pSrcImpulse,
                                                      Vok16s* pDstFixedVector, Vok16s* pDstFltFixedVector,
                                                      Vok16s* pDstSign, Vok16s* pDstIndex);

/* Annex E codebooks: selector != 0 ACELP_12i40_44bits, 0 ACELP_10i40_35bits; target x (40), LTP
 * residual (40), Q12 response; code (40, +-4096 per pulse), filtered code (40, Q11), 5 index words. */
VOKSC_API VokStatus voksFixedCodebookSearch_G729E_16s(Vok16s selector, const Vok16s* pSrcTarget,
                                                      const Vok16s* pSrcLtpResidual, const Vok16s* pSrcImpulse,
                                                      Vok16s* pDstFixedVector, Vok16s* pDstFltFixedVector,
                                                      Vok16s* pDstIndex);

/* Annex D correlations of a float response: diagonal blocks (40), then the 8 cross blocks the
 * Annex D search reads (tracks 0-1, 1-1, 0-3, 3-4, 1-2, 1-3, 1-4, 2-3; 64 each): 552 elements. */
VOKSC_API VokStatus voksToeplizMatrix_G729D_32f(const Vok32f* pSrcImpulse, Vok32f* pDstMatrix);
/* Float D4i40_17: d, matrix (616, sign-modified in place), code (+-1), index {position, sign},
 * search-time counter (read and written), sub-frame (0 resets the carried count). */
VOKSC_API VokStatus voksFixedCodebookSearch_G729_32f(const Vok32f* pSrcFixedCorr, Vok32f* pSrcDstMatrix,
                                                     Vok32f* pDstFixedVector, Vok32s* pDstFixedIndex,
                                                     Vok32s* pSearchTimes, Vok32s subFrame);
/* Float D4i40_17_fast: index {position, sign}. */
VOKSC_API VokStatus voksFixedCodebookSearch_G729A_32f(const Vok32f* pSrcFixedCorr, Vok32f* pSrcDstMatrix,
                                                      Vok32f* pDstFixedVector, Vok32s* pDstFixedIndex);
/* Float D2i40_11 from d and the response (its matrix is that of voksToeplizMatrix_G729D_32f). */
VOKSC_API VokStatus voksFixedCodebookSearch_G729D_32f(const Vok32f* pSrcFixedCorr, const Vok32f* pSrcImpulse,
                                                      Vok32f* pDstFixedVector, Vok32f* pDstFltFixedVector,
                                                      Vok32s* pDstSign, Vok32s* pDstIndex);

/* Float Annex E codebooks: selector as the 16s form; code (+-1 per pulse), filtered code (the
 * response added or subtracted at each pulse), 5 index words in the 16s layout. */
VOKSC_API VokStatus voksFixedCodebookSearch_G729E_32f(Vok32s selector, const Vok32f* pSrcTarget,
                                                      const Vok32f* pSrcLtpResidual, const Vok32f* pSrcImpulse,
                                                      Vok32f* pDstFixedVector, Vok32f* pDstFltFixedVector,
                                                      Vok32s* pDstIndex);

/* Decimated dot product 2 * sum x[i] y[i], i = 0, 2, .. < len, saturated (warning on saturation). */
VOKSC_API VokStatus voksDotProd_G729A_16s32s(const Vok16s* pSrc1, const Vok16s* pSrc2, int len, Vok32s* pDp);
/* Float decimated dot product. */
VOKSC_API VokStatus voksDotProd_G729A_32f(const Vok32f* pSrc1, const Vok32f* pSrc2, int len, Vok32f* pDp);
/* Recursive filtered-excitation update: y[i] = y[i-1] + v h[i] (i = len-1..1), y[0] = v. */
VOKSC_API VokStatus voksFilteredExcitation_G729_32f(const Vok32f* pSrcImpulse, Vok32f* pSrcDstFltExc, int len,
                                                    Vok32f val);

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_G729_EXCITATION_H */

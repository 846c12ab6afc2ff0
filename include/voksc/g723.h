/* voksc: G.723.1 dual-rate speech coder (6.3 kbit/s MP-MLQ, 5.3 kbit/s ACELP). Included by voksc.h.
 *
 * Frames of 240 samples in four sub-frames of 60. LPC: 10 coefficients, no leading 1, in the
 * coder's Q13 sign convention. LSF: 10 values on 0..32767 for 0..pi. Excitation histories hold
 * the last 145 samples, oldest first. Rate codes: vokRate6300 or vokRate5300. Pole-zero filters
 * take 20 coefficients (the zero set, then the pole set) and 20 memory words (the last ten filter
 * inputs, then the last ten outputs, newest first). */
#ifndef VOKSC_G723_H
#define VOKSC_G723_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Autocorrelation r[0..10] of 180 samples: scaled, Hamming-windowed, white-noise corrected and
 * lag-windowed; *pExp = normalisation + twice the scaling shift, 40 for a silent window. */
VOKSC_API VokStatus voksAutoCorr_G723_16s(const Vok16s* pSrc, Vok16s* pExp, Vok16s* pDst);
/* The same on 180 already windowed samples; *pExp the normalisation shift (0 when r[0] is 0). */
VOKSC_API VokStatus voksAutoCorr_NormE_G723_16s(const Vok16s* pSrc, Vok16s* pDst, Vok32s* pExp);
/* Levinson-Durbin on r[0..10]: LPC[10], the residual energy; *pSineDet shifted left by one, its
 * lowest bit set when the second reflection coefficient exceeds 31130. */
VOKSC_API VokStatus voksLevinsonDurbin_G723_16s(const Vok16s* pSrcAutoCorr, Vok16s* pSineDet,
                                                Vok16s* pResidualEnergy, Vok16s* pDstLpc);
/* LPC -> LSF by the grid search of the standard; the previous LSF when fewer than 10 roots. */
VOKSC_API VokStatus voksLPCToLSF_G723_16s(const Vok16s* pSrcLpc, const Vok16s* pPrevLsf, Vok16s* pDstLsf);
/* LSF (each 0..32767; a negative value gives vokStatusRange) -> LPC. */
VOKSC_API VokStatus voksLSFToLPC_G723_16s(const Vok16s* pSrcLsf, Vok16s* pDstLpc);
VOKSC_API VokStatus voksLSFToLPC_G723_16s_I(Vok16s* pSrcDstLsfLpc);
/* Predictive split VQ of the LSF: *pIndex = band0 << 16 | band1 << 8 | band2. */
VOKSC_API VokStatus voksLSFQuant_G723_16s32s(const Vok16s* pSrcLsf, const Vok16s* pPrevLsf, Vok32s* pIndex);
/* Decodes three band indices (0..255, vokStatusRange otherwise; ignored when erased) against the
 * previous LSF; vokStatusLsfFloor when the spacing did not converge: the previous LSF is then
 * the result, as in the standard's decoder. */
VOKSC_API VokStatus voksLSFDecode_G723_16s(const Vok16s* pIndex, const Vok16s* pPrevLsf, Vok32s erased,
                                           Vok16s* pDstLsf);
/* Open-loop pitch 18..142 of the 120 samples at pSrc (142 earlier samples read). */
VOKSC_API VokStatus voksOpenLoopPitchSearch_G723_16s(const Vok16s* pSrc, Vok16s* pLag);
/* Harmonic noise-shaping lag (olp-3..olp+3) and gain of the sub-frame at pSrc (olp + 3 earlier
 * samples read); olp 18..145. */
VOKSC_API VokStatus voksHarmonicSearch_G723_16s(Vok16s olp, const Vok16s* pSrc, Vok16s* pLag, Vok16s* pGain);
/* y[n] = x[n] - gain * x[n - lag] in place over 60 samples; pMem the 145 input samples before
 * them, updated; lag 1..145. */
VOKSC_API VokStatus voksHarmonicNoiseSubtract_G723_16s_I(Vok16s gain, Vok32s lag, Vok16s* pSrcDst,
                                                         Vok16s* pMem);
/* Five-tap pitch predictor search around baseLag: *pLagOffset (the lag is baseLag + offset - 1)
 * and *pGainIndex, limited by the taming errors pAccErr[5] and the sine-detector word. */
VOKSC_API VokStatus voksAdaptiveCodebookSearch_G723(Vok16s baseLag, const Vok16s* pTarget, const Vok16s* pImp,
                                                    const Vok16s* pPrevExc, const Vok32s* pAccErr,
                                                    Vok16s* pLagOffset, Vok16s* pGainIndex, Vok16s subFrame,
                                                    Vok16s sineDet, VokSpeechRate rate);
/* Adaptive-codebook vector (60) of lag baseLag + offset - 1 (offset 0..3, lag at most 143) and
 * gain entry gainIndex (0..169; 0..84 at 6.3 kbit/s for baseLag below 58). */
VOKSC_API VokStatus voksDecodeAdaptiveVector_G723_16s(Vok16s baseLag, Vok16s offset, Vok16s gainIndex,
                                                      const Vok16s* pPrevExc, Vok16s* pDst,
                                                      VokSpeechRate rate);
/* Correlation matrix (416 sums) of the algebraic codebook for the impulse response h[60]. */
VOKSC_API VokStatus voksToeplizMatrix_G723_16s32s(const Vok16s* pImp, Vok32s* pDst);
/* The same, high halves. */
VOKSC_API VokStatus voksToeplizMatrix_G723_16s(const Vok16s* pImp, Vok16s* pDst);
/* Four-pulse algebraic codebook search: signs (+-1), positions (grid included; a position of 60
 * or more is not in the code), grid bit, code vector (60); *pBudget the fourth-loop allowance
 * above 120, updated. */
VOKSC_API VokStatus voksACELPFixedCodebookSearch_G723_32s16s(const Vok16s* pCorr, const Vok32s* pMatrix,
                                                             Vok16s* pSign, Vok16s* pPosition, Vok16s* pGrid,
                                                             Vok16s* pCode, Vok16s* pBudget);
VOKSC_API VokStatus voksACELPFixedCodebookSearch_G723_16s(const Vok16s* pCorr, const Vok16s* pMatrix,
                                                          Vok16s* pSign, Vok16s* pPosition, Vok16s* pGrid,
                                                          Vok16s* pCode, Vok16s* pBudget);
/* MP-MLQ search (6 or 5 pulses by sub-frame 0..3, pulse train when baseLag < 58): excitation
 * (60), grid, train flag, amplitude index, sign word and position code. */
VOKSC_API VokStatus voksMPMLQFixedCodebookSearch_G723(Vok16s baseLag, const Vok16s* pImp,
                                                      const Vok16s* pTarget, Vok16s* pCode, Vok16s* pGrid,
                                                      Vok16s* pTrain, Vok16s* pAmp, Vok16s* pSign,
                                                      Vok32s* pPosition, Vok16s subFrame);
/* One MP-MLQ pass with numPulses (5 or 6) pulses, as a pulse train when lag (>= 1) is below
 * 58: when its error beats *pErr (start at 0xC0000000), writes the error, positions[numPulses],
 * signed amplitudes[numPulses], grid, amplitude index and train flag. */
VOKSC_API VokStatus voksGainQuant_G723_16s(const Vok16s* pImp, const Vok16s* pTarget, Vok16s lag,
                                           Vok16s* pPosition, Vok16s* pAmplitude, Vok16s* pGrid,
                                           Vok16s* pAmpIndex, Vok16s* pTrain, int numPulses, Vok32s* pErr);
/* Gain control of 60 post-filtered samples towards the energy (>= 0) before post-filtering;
 * *pGain the smoothed gain (start 0x1000). */
VOKSC_API VokStatus voksGainControl_G723_16s_I(Vok32s energy, Vok16s* pSrcDst, Vok16s* pGain);
/* DC removal of a 240-sample frame; pMem[0] the last input, pMem[1] the last accumulator. */
VOKSC_API VokStatus voksHighPassFilter_G723_16s(const Vok16s* pSrc, Vok16s* pDst, Vok32s* pMem);
/* Pole-zero filter over 60 samples: acc = x/4 - zeros + poles, shifted left by 2 and saturated,
 * written as 32 bits; its rounded high half is fed back. */
VOKSC_API VokStatus voksIIR16s_G723_16s32s(const Vok16s* pCoef, const Vok16s* pSrc, Vok32s* pDst,
                                           Vok16s* pMem);
/* Pole-zero filter of 32-bit inputs (zero memory: their rounded values shifted left by 2):
 * acc = x - zeros + poles shifted left by 2; result its rounded value after scaleFactor (>= 0)
 * right shifts. */
VOKSC_API VokStatus voksIIR16s_G723_32s16s_Sfs(const Vok16s* pCoef, const Vok32s* pSrc, int scaleFactor,
                                               Vok16s* pDst, Vok16s* pMem);
/* The 16s32s filter with the rounded result in place. */
VOKSC_API VokStatus voksIIR16s_G723_16s_I(const Vok16s* pCoef, Vok16s* pSrcDst, Vok16s* pMem);
/* 1/A(z) over 60 samples (input scaled by 1/8, output x4 rounded); pMem the last 10 outputs. */
VOKSC_API VokStatus voksSynthesisFilter_G723_16s(const Vok16s* pLpc, const Vok16s* pSrc, Vok16s* pMem,
                                                 Vok16s* pDst);
/* The same, writing each 32-bit accumulator before the output shift. */
VOKSC_API VokStatus voksSynthesisFilter_G723_16s32s(const Vok16s* pLpc, const Vok16s* pSrc, Vok32s* pDst,
                                                    Vok16s* pMem);
/* y[n] = round(x[n] + 2 * tilt * round(x[n-1])) over 60 accumulators; pSrc[-1] is read. */
VOKSC_API VokStatus voksTiltCompensation_G723_32s16s(Vok16s tilt, const Vok32s* pSrc, Vok16s* pDst);
/* Pitch post-filter of sub-frame 0..3 of the excitation frame at pSrc (145 earlier and 240
 * samples read): delay (negative: backward), gain and scaling gain (32767, 0 when off). */
VOKSC_API VokStatus voksPitchPostFilter_G723_16s(Vok16s baseLag, const Vok16s* pSrc, Vok16s* pDelay,
                                                 Vok16s* pGain, Vok16s* pScale, Vok16s subFrame,
                                                 VokSpeechRate rate);

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_G723_H */

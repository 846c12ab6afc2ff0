/* voksc: AMR-WB (wide-band AMR) primitives. Included by voksc.h.
 *
 * The core band is sampled at 12.8 kHz: LP order 16, frames of 256 samples. ISPs are cosines in
 * Q15; ISFs are Q15 with 0..16384 spanning 0..6.4 kHz, the last one held at half scale. Rate
 * arguments take the AMR-WB codes of VokSpeechRate: vokRate6600, vokRate8850, vokRate12650,
 * vokRate14250, vokRate15850, vokRate18250, vokRate19850, vokRate23050, vokRate23850 and
 * vokRateDTX (silence descriptor); any other code gives vokStatusRange. */
#ifndef VOKSC_AMRWB_H
#define VOKSC_AMRWB_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* len ISFs to ISP cosines (len >= 1); arguments outside 0..16383 (the last outside 0..8191)
 * are taken as the nearest end of that range. */
VOKSC_API VokStatus voksISFToISP_AMRWB_16s(const Vok16s* pSrcIsf, Vok16s* pDstIsp, int len);
/* len ISP cosines to ISFs (len >= 1), the last ISF halved. */
VOKSC_API VokStatus voksISPToISF_Norm_AMRWB_16s(const Vok16s* pSrcIsp, Vok16s* pDstIsf, int len);
/* ISPs of an even LP order len (2..20) to len + 1 LP coefficients in Q12 (a0 = 4096); orders
 * above 16 build the polynomials in reduced precision. */
VOKSC_API VokStatus voksISPToLPC_AMRWB_16s(const Vok16s* pSrcIsp, Vok16s* pDstLpc, int len);
/* 17 LP coefficients (order 16, Q12) to 16 ISP cosines by a Chebyshev root search; when fewer
 * than 15 roots are found pDstIsp receives a copy of pSrcPrevIsp (it may be pDstIsp). */
VOKSC_API VokStatus voksLPCToISP_AMRWB_16s(const Vok16s* pSrcLpc, Vok16s* pDstIsp, const Vok16s* pSrcPrevIsp);
/* In place y[i] = x[i] - gamma x[i-1] (gamma Q15), scaled by 2^(14 - scaleFactor), rounded and
 * saturated; 14 is the plain filter, 13 adds one bit of gain. *pMem holds x[-1] and receives
 * the last input. len >= 1, scaleFactor <= 15. */
VOKSC_API VokStatus voksPreemphasize_AMRWB_16s_ISfs(Vok16s gamma, Vok16s* pSrcDst, int len, int scaleFactor,
                                                    Vok16s* pMem);
/* In place y[i] = x[i] / 2 + gamma y[i-1] (gamma Q15), rounded and saturated; *pMem holds
 * y[-1] and receives the last output. len >= 1. */
VOKSC_API VokStatus voksDeemphasize_AMRWB_NR_16s_I(Vok16s gamma, Vok16s* pSrcDst, int len, Vok16s* pMem);
/* Synthesis filter 1/A(z) (pSrcLpc: order + 1 coefficients, Q12) of len excitation samples in
 * double precision. The signal is 32-bit: bits 31..16 the high part, bits 15..4 the low part,
 * bits 3..0 zero (ignored when read); pSrcDstSignal[-order..-1] are the past outputs and
 * pSrcDstSignal[0..len) receives the new ones. The excitation is taken unscaled. order >= 1,
 * len >= 1. */
VOKSC_API VokStatus voksSynthesisFilter_AMRWB_16s32s_I(const Vok16s* pSrcLpc, int order,
                                                       const Vok16s* pSrcExc, Vok32s* pSrcDstSignal, int len);
/* De-emphasis of the 32-bit synthesis signal (layout as above, bits 3..0 ignored) into 16-bit
 * samples: t = sat(sat(8 x[i]) + 2 (gamma >> 1) y[i-1]), y[i] = (sat(2 t) + 2^15) >> 16 with
 * saturation (32-bit saturations; the low bit of gamma is not used). *pMem holds y[-1] and
 * receives the last output. len >= 1. */
VOKSC_API VokStatus voksDeemphasize_AMRWB_32s16s(Vok16s gamma, const Vok32s* pSrc, Vok16s* pDst, int len,
                                                 Vok16s* pMem);
/* LP residual y[i] = sum_{j=0..order} a[j] x[i-j] (a Q12), each product doubled and summed with
 * saturation, scaled by 2^(15 - scaleFactor) (saturating), rounded to 16 bits: 10 gives the
 * codec's residual. pSrc[-order..-1] are read. 1 <= order <= len, scaleFactor <= 15. */
VOKSC_API VokStatus voksResidualFilter_AMRWB_16s_Sfs(const Vok16s* pSrcLpc, Vok16s order, const Vok16s* pSrc,
                                                     Vok16s* pDst, int len, int scaleFactor);
/* Pitch gain of a subframe of len samples: pDstCorrCoeff = {yy, expYY, xy, expXY} (normalised
 * energy of the filtered adaptive vector and its correlation with the target, with their
 * exponents), *pResultAdptGain = xy / yy in Q14, 0 for a negative correlation, at most 19661. */
VOKSC_API VokStatus voksAdaptiveCodebookGainCoeff_AMRWB_16s(const Vok16s* pSrcAdptTarget,
                                                            const Vok16s* pSrcFltAdptVector,
                                                            Vok16s* pDstCorrCoeff, Vok16s* pResultAdptGain,
                                                            int len);
/* Encoder DTX history: *pSrcDstHistPtr advances modulo 8, the 16 ISFs go to
 * pSrcDstIsfHist[16 * ptr ..], and the log2 energy (Q7) of the 256-sample residual pSrcSpch per
 * sample, less the rate's adjustment, to pSrcDstLogEnHist[ptr]. */
VOKSC_API VokStatus voksEncDTXBuffer_AMRWB_16s(const Vok16s* pSrcSpch, const Vok16s* pSrcIsf,
                                               Vok16s* pSrcDstHistPtr, Vok16s* pSrcDstIsfHist,
                                               Vok16s* pSrcDstLogEnHist, int mode);
/* Decoder DTX history: as the encoder's, without the rate adjustment. */
VOKSC_API VokStatus voksDecDTXBuffer_AMRWB_16s(const Vok16s* pSrcSpch, const Vok16s* pSrcIsf,
                                               Vok16s* pSrcDstHistPtr, Vok16s* pSrcDstIsfHist,
                                               Vok16s* pSrcDstLogEnHist);
/* Quantises 16 ISFs: the 36-bit quantiser (5 indices) at 6.60 kbit/s and for vokRateDTX, the
 * 46-bit one (7 indices) at the other rates, with MA prediction from pSrcDstPastIsfRq (the
 * previous quantised residual, updated). pDstQIsf receives the quantised ISFs, the first 15 at
 * least 128 apart; it may be pSrcIsf. */
VOKSC_API VokStatus voksISFQuant_AMRWB_16s(const Vok16s* pSrcIsf, Vok16s* pSrcDstPastIsfRq, Vok16s* pDstQIsf,
                                           Vok16s* pDstIndex, int mode);
/* Decodes the indices of voksISFQuant_AMRWB_16s (the quantiser chosen by mode as there). A good
 * frame (bfi 0) updates pSrcDstPastIsfRq and shifts the 3 x 16 history pSrcDstIsfHistory (most
 * recent first); a bad frame moves the last good ISFs pSrcPrevQIsf 10 % towards the mean of the
 * history and the ISF means, and reads no index. Indices outside their codebooks give
 * vokStatusRange. */
VOKSC_API VokStatus voksISFQuantDecode_AMRWB_16s(const Vok16s* pSrcIndex, Vok16s* pDstQIsf,
                                                 Vok16s* pSrcDstPastIsfRq, const Vok16s* pSrcPrevQIsf,
                                                 Vok16s* pSrcDstIsfHistory, int bfi, int mode);
/* Comfort-noise ISF quantisation: 5 indices and the decoded ISFs. */
VOKSC_API VokStatus voksISFQuantDTX_AMRWB_16s(const Vok16s* pSrcIsf, Vok16s* pDstQIsf, Vok16s* pDstIndex);
/* Decodes 5 comfort-noise ISF indices; indices outside their codebooks give vokStatusRange. */
VOKSC_API VokStatus voksISFQuantDecodeDTX_AMRWB_16s(const Vok16s* pSrcIndex, Vok16s* pDstQIsf);
/* Joint quantisation of the pitch and code gains of a subframe of len samples: target, filtered
 * adaptive vector (both scaled by 2^valQ), code vector and filtered code vector (Q9), the four
 * terms of voksAdaptiveCodebookGainCoeff_AMRWB_16s. *pSrcDstAdptGain is the unquantised pitch
 * gain (Q14; it places the search window in the 7-bit codebook) and receives the quantised one;
 * *pDstFixedGain the code gain (Q16), *pDstIndex the index (6 bits at 6.60, 8.85 and for
 * vokRateDTX, else 7); the energy history pSrcDstPastQuaEnergy (4 values, Q10) is shifted.
 * clipFlag 1 keeps the pitch gain at most 1.0. */
VOKSC_API VokStatus voksGainQuant_AMRWB_16s(const Vok16s* pSrcAdptTarget, const Vok16s* pSrcFltAdptVector,
                                            int valQ, const Vok16s* pSrcFixedVector,
                                            const Vok16s* pSrcFltFixedVector, const Vok16s* pSrcCorrCoeff,
                                            Vok16s* pSrcDstPastQuaEnergy, Vok16s* pSrcDstAdptGain,
                                            Vok32s* pDstFixedGain, int clipFlag, Vok16s* pDstIndex, int len,
                                            int mode);
/* Gain decoding of a subframe. codeInvSqrtEnergy is 1 / sqrt(energy per sample) of the Q9 code
 * vector in Q12. A good frame (bfi 0) reads entry `index` of the 6-bit (6.60, 8.85, vokRateDTX)
 * or 7-bit gain codebook: *pDstAdptGain the pitch gain (Q14), *pDstFixedGain the code gain
 * scaled by the code energy (Q16), the code gain before that scaling in Q3 to *pSrcDstPrevFixedGain and
 * *pSrcDstFixedGain (after a bad frame, prevBfi 1, limited to 1.25 times the previous one when above 100),
 * and the prediction energy history pSrcDstPastQuaEnergy (4 values, Q10) shifted. A bad frame shifts in the
 * history mean less 3 dB (at least -14 dB), sets *pDstFixedGain from the concealed gain *pSrcDstFixedGain and
 * writes no pitch gain. An index outside the codebook of a good frame gives vokStatusRange. */
VOKSC_API VokStatus voksDecodeGain_AMRWB_16s(int index, Vok16s codeInvSqrtEnergy, Vok16s* pDstAdptGain,
                                             Vok32s* pDstFixedGain, int bfi, int prevBfi,
                                             Vok16s* pSrcDstPastQuaEnergy, Vok16s* pSrcDstPrevFixedGain,
                                             Vok16s* pSrcDstFixedGain, int mode);
/* The 64-sample algebraic code vector (pulses of +-512, Q9) of the index words of a codebook.
 * mode: the rate codes (vokRate6600 and vokRateDTX 12 bits on 2 tracks, vokRate8850 20 bits,
 * vokRate12650 36, vokRate14250 44, vokRate15850 52, vokRate18250 64, vokRate19850 72,
 * vokRate23050 and vokRate23850 88) or the codebook codes 26 (20 bits), 27 (28: 2 pulses on
 * tracks 0 and 1, 1 on tracks 2 and 3), 28 (36), 29 (44), 30 (52), 31 (64), 32 (72) and
 * vokRate24000 (88). Index words: one for 12 bits (bits 0..4 the odd-track position / 2, bit 5
 * its sign, bits 6..10 the even-track position / 2, bit 11 its sign, a set sign meaning -512),
 * one per track up to 52 bits, two per track (4 high parts, then 4 low parts) from 64 bits. */
VOKSC_API VokStatus voksAlgebraicCodebookDecode_AMRWB_16s(const Vok16s* pSrcIndex, Vok16s* pDstFixedVector,
                                                          int mode);
/* Open-loop pitch search on len samples of the weighted speech decimated to 6.4 kHz and its
 * high-passed version (both pointers at the current samples, 115 past samples before them):
 * the lag of the largest weighted correlation among 18..115 (weighted around
 * *pSrcDstMedianLag when it and *pSrcDstWeightFlag are positive) goes, doubled, to
 * *pDstOpenLoopLag; the normalised correlation of the high-passed speech at that lag (Q15) to
 * *pDstOpenLoopGain. A gain above 0.6 shifts the lag into the five past lags pSrcDstPrevLags
 * (most recent first), sets *pSrcDstMedianLag to their median and *pSrcDstAdaptWeight to 32767;
 * otherwise the weight decays by 0.9. *pSrcDstWeightFlag = weight >= 26214. The tone register
 * *pSrcDstToneFlag shifts right and takes bit 14 for a gain of 0.65 or more. len >= 1; a
 * weighting centre outside 15..116 gives vokStatusRange. */
VOKSC_API VokStatus voksOpenLoopPitchSearch_AMRWB_16s(const Vok16s* pSrcWgtSpch, const Vok16s* pSrcHpWgtSpch,
                                                      Vok16s* pSrcDstMedianLag, Vok16s* pSrcDstAdaptWeight,
                                                      Vok16s* pDstOpenLoopLag, Vok16s* pSrcDstToneFlag,
                                                      Vok16s* pDstOpenLoopGain, Vok16s* pSrcDstPrevLags,
                                                      Vok16s* pSrcDstWeightFlag, int len);
/* Closed-loop pitch search of subframe subFrame (0..3): the lag and quarter fraction of the
 * largest normalised correlation of the target pSrcAdptTarget with the past excitation filtered
 * by pSrcImpulseResponse (64 samples each), at the resolution of the rate, searched in the
 * window around pSrcOpenLoopLag[0] (subframe 0) or pSrcOpenLoopLag[1] (subframe 2 above 6.60
 * kbit/s), else in the window pSrcDstLagBounds (lo, hi with 34 <= lo <= hi <= min(lo + 15, 231),
 * else vokStatusRange). Absolute subframes write the window of the next subframes to
 * pSrcDstLagBounds. pDstAdptIndex receives the lag index (as voksAdaptiveCodebookDecode_AMRWB_16s
 * reads it), *pDstIntPitchLag and *pDstFracPitchLag the lag. pSrcDstExcitation points at the
 * subframe with 231 + 17 past samples before it; samples up to 33 are read and 65 are written:
 * the adaptive vector and the first sample of the next subframe, which the next search reads.
 * mode: the AMR-WB rates and vokRateDTX, or the codebook codes 22 and 26..32 (searched like
 * the rates above 8.85 kbit/s). */
VOKSC_API VokStatus voksAdaptiveCodebookSearch_AMRWB_16s(const Vok16s* pSrcAdptTarget,
                                                         const Vok16s* pSrcImpulseResponse,
                                                         const Vok16s* pSrcOpenLoopLag,
                                                         Vok16s* pDstIntPitchLag, Vok16s* pSrcDstLagBounds,
                                                         Vok16s* pSrcDstExcitation, Vok16s* pDstFracPitchLag,
                                                         Vok16s* pDstAdptIndex, int subFrame, int mode);
/* Voice activity detector state: a caller-allocated block of 172 bytes (86 16-bit words, no
 * alignment needed, no addresses: a memcpy to any address continues the stream). */
typedef struct VokVadState_AMRWB VokVadState_AMRWB;
/* Writes the detector state size in bytes (172). */
VOKSC_API VokStatus voksVADGetSize_AMRWB_16s(int* pSize);
/* Resets the detector: noise estimates and levels 150, speech level 2050, the rest 0 (the
 * stationarity counter, set by the first frame before it is read, is left as it is). */
VOKSC_API VokStatus voksVADInit_AMRWB_16s(VokVadState_AMRWB* pState);
/* One 256-sample frame at 12.8 kHz: *pResultVadFlag = 1 for speech, 0 for noise.
 * *pSrcDstToneFlag is the caller's tone register (bit 14 the newest tone decision of the
 * open-loop pitch search); frames of low power clear its bits 13 and 14. */
VOKSC_API VokStatus voksVAD_AMRWB_16s(const Vok16s* pSrcSpch, VokVadState_AMRWB* pSrcDstState,
                                      Vok16s* pSrcDstToneFlag, Vok16s* pResultVadFlag);
/* The 12 band levels of the last frame (zeros after Init). */
VOKSC_API VokStatus voksVADGetEnergyLevel_AMRWB_16s(const VokVadState_AMRWB* pState, Vok16s* pDstEnergyLevel);
/* Adaptive codebook decoding state: a caller-allocated block of 24 bytes (12 16-bit words, no
 * alignment needed, no addresses: a memcpy to any address continues the stream): words 0..4 past
 * pitch gains (oldest first), 5 the concealment seed, 6..10 past integer lags (most recent
 * first), 11 the last good lag. */
typedef struct VokAdaptiveCodebookDecodeState_AMRWB VokAdaptiveCodebookDecodeState_AMRWB;
/* Writes the state size in bytes (24). */
VOKSC_API VokStatus voksAdaptiveCodebookDecodeGetSize_AMRWB_16s(int* pSize);
/* Resets the state: gains 0, seed 21845, lags and last good lag 64. */
VOKSC_API VokStatus voksAdaptiveCodebookDecodeInit_AMRWB_16s(VokAdaptiveCodebookDecodeState_AMRWB* pState);
/* After a good subframe: appends the pitch gain (Q14) and the integer lag to the histories. */
VOKSC_API VokStatus voksAdaptiveCodebookDecodeUpdate_AMRWB_16s(int gain, int lag,
                                                               VokAdaptiveCodebookDecodeState_AMRWB* pState);
/* Decodes the lag index of subframe subFrame (0..3) and writes the 64-sample adaptive vector to
 * pSrcDstExcitation, which points at the subframe with 231 + 17 past samples before it.
 * Subframe 0, and subframe 2 above 6.60 kbit/s, are coded absolutely (9 bits, 8 at 6.60, 8.85
 * and for vokRateDTX) and write the window of the next subframes to pSrcDstLagBounds; the others
 * relative to pSrcDstLagBounds[0] (6 bits, 5 at those rates). With bfi set the lag is concealed
 * from the state (unusableFrame: nothing of the index is used) and the fraction is 0.
 * *pDstIntPitchLag receives the lag, *pDstFracPitchLag the fraction in quarters. An index
 * outside its bits, or a window outside the lag range for a relative subframe, gives
 * vokStatusRange. */
VOKSC_API VokStatus voksAdaptiveCodebookDecode_AMRWB_16s(int index, Vok16s* pDstFracPitchLag,
                                                         Vok16s* pSrcDstExcitation, Vok16s* pDstIntPitchLag,
                                                         Vok16s* pSrcDstLagBounds, int subFrame, int bfi,
                                                         int unusableFrame, int mode,
                                                         VokAdaptiveCodebookDecodeState_AMRWB* pState);

/* High-pass filter of order 2 or 3 (the reference HP50_12k8 and HP400_12k8 at order 2, Hp_wsp
 * at order 3) with a double-precision output memory: a caller-allocated block of 40 bytes (no
 * alignment needed, no addresses). The order is given to GetSize, Init and the delay-line calls;
 * the filter calls need none. */
typedef struct VokHighPassFilterState_AMRWB VokHighPassFilterState_AMRWB;
/* Writes the state size in bytes (40) for order 2 or 3, else vokStatusRange. */
VOKSC_API VokStatus voksHighPassFilterGetSize_AMRWB_16s(int order, int* pSize);
/* Copies order + 1 numerator and denominator coefficients (Q12; the denominator's first one is
 * not used and the others are added, not subtracted), clears the memory and its scale factor. */
VOKSC_API VokStatus voksHighPassFilterInit_AMRWB_16s(const Vok16s* pSrcNumCoeff, const Vok16s* pSrcDenCoeff,
                                                     int order, VokHighPassFilterState_AMRWB* pState);
/* The memory as the reference routines keep it, 3 x order values: the high and low parts of the
 * past outputs, oldest first, then the past inputs, newest first. */
VOKSC_API VokStatus voksHighPassFilterGetDlyLine_AMRWB_16s(const VokHighPassFilterState_AMRWB* pState,
                                                           Vok16s* pDlyLine, int order);
VOKSC_API VokStatus voksHighPassFilterSetDlyLine_AMRWB_16s(const Vok16s* pDlyLine,
                                                           VokHighPassFilterState_AMRWB* pState, int order);
/* In place: acc = sum of doubled products (the low parts of the past outputs first, shifted
 * right by 15 with rounding); the memory keeps acc shifted left by 16 - scaleFactor and the
 * output is that shifted left by 15 - scaleFactor more, rounded: 14 is HP50_12k8 and Hp_wsp,
 * whose output is twice the memory, 15 is HP400_12k8. Every multiply-accumulate and shift
 * saturates where it overflows (no limit is applied before the shift). len >= 1,
 * 0 <= scaleFactor <= 15. */
VOKSC_API VokStatus voksHighPassFilter_AMRWB_16s_ISfs(Vok16s* pSrcDst, int len,
                                                      VokHighPassFilterState_AMRWB* pState, int scaleFactor);
/* The filter at scale factor 14 from pSrc to pDst (they may be equal). When scaleFactor differs
 * from the one of the last call (0 after Init) the memory is first scaled by 2^(last -
 * scaleFactor) as the reference scale_mem_Hp_wsp does. len >= 1. */
VOKSC_API VokStatus voksHighPassFilter_AMRWB_16s_Sfs(const Vok16s* pSrc, Vok16s* pDst, int len,
                                                     VokHighPassFilterState_AMRWB* pState, int scaleFactor);
/* Symmetric three-tap filter of the code enhancement: y[i] = round(c - 2 pSrcCoeff[1] x[i+1] -
 * 2 pSrcCoeff[1] x[i-1]), the x[i+1] term subtracted first, each step saturating to 32 bits;
 * c = x[i] 2^16 and, with edgeFlag 0, the terms outside 0..len-1 left out; with edgeFlag set
 * c = 2 pSrcCoeff[0] x[i] and pSrc[-1], pSrc[len] are read. pDst may be pSrc. len >= 1. */
VOKSC_API VokStatus voksHighPassFilter_Direct_AMRWB_16s(const Vok16s* pSrcCoeff, const Vok16s* pSrc,
                                                        Vok16s* pDst, int len, int edgeFlag);
/* Algebraic codebook search of a 64-sample subframe: the target pSrcFixedTarget is filtered back
 * through the impulse response (Q12) and normalised, the signs and the pre-selected positions
 * come from it and the residual pSrcLtpResidual, and the reference depth-first search of the
 * codebook of mode (the codes of voksAlgebraicCodebookDecode_AMRWB_16s) gives the Q9 code vector,
 * its filtered version (Q9) and the index words as that operation reads them. The 88-bit search
 * takes two iterations at vokRate23050, one for vokRate23850 and vokRate24000. From 12 pulses on a response
 * whose squares sum to at least 1025 * 2^15 is halved first, which halves the pulses (+-256). Code 27 (28
 * bits) is not searched yet and gives vokStatusRange. */
VOKSC_API VokStatus voksAlgebraicCodebookSearch_AMRWB_16s(const Vok16s* pSrcFixedTarget,
                                                          const Vok16s* pSrcLtpResidual,
                                                          const Vok16s* pSrcImpulseResponse,
                                                          Vok16s* pDstFixedVector, Vok16s* pDstFltFixedVector,
                                                          int mode, Vok16s* pDstIndex);

/* voksSynthesisFilter_AMRWB_16s32s_I with an excitation scaled by 2^scaleFactor (0..8, else
 * vokStatusRange): the excitation's weight a[0] / 16 is further shifted right by scaleFactor,
 * as the decoder does for its block-scaled excitation; scale 0 is the unscaled filter. A separate
 * operation because the unscaled one cannot reproduce the truncated weight by rescaling the
 * excitation. */
VOKSC_API VokStatus voksSynthesisFilter_AMRWB_16s32s_ISfs(const Vok16s* pSrcLpc, int order,
                                                          const Vok16s* pSrcExc, Vok32s* pSrcDstSignal,
                                                          int len, int scaleFactor);

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_AMRWB_H */

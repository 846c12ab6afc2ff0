/* voksc: GSM-AMR narrow band. Included by voksc.h.
 *
 * Frames are 160 samples at 8 kHz in four 40-sample subframes; LP order 10 (11 coefficients,
 * a0 = 4096, Q12); LSPs are cosines in Q15, LSFs normalised frequencies in Q15. The `mode`
 * argument takes the VokSpeechRate codes of the eight AMR rates (vokRate4750, vokRate5150,
 * vokRate5900, vokRate6700, vokRate7400, vokRate7950, vokRate10200, vokRate12200) and, where an
 * operation says so, vokRateDTX; any other value gives vokStatusRange. */
#ifndef VOKSC_AMRNB_H
#define VOKSC_AMRNB_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Windowed, lag-windowed autocorrelation of the 240-sample analysis window: 11 values, or 22 at
 * 12.2 kbit/s (the 160+80 window at [0..10], the 232+8 window at [11..21]); vokRateDTX accepted. */
VOKSC_API VokStatus voksAutoCorr_GSMAMR_16s32s(const Vok16s* pSrcSpch, Vok32s* pDstAutoCorr, int mode);
/* Order-10 Levinson-Durbin recursion; vokStatusOverflow, nothing written, when it breaks down. */
VOKSC_API VokStatus voksLevinsonDurbin_GSMAMR_32s16s(const Vok32s* pSrcAutoCorr, Vok16s* pDstLpc);
/* LSPs of 11 LP coefficients; the previous LSPs are copied when fewer than 10 roots are found. */
VOKSC_API VokStatus voksLPCToLSP_GSMAMR_16s(const Vok16s* pSrcLpc, const Vok16s* pSrcPrevLsp,
                                            Vok16s* pDstLsp);
/* 11 LP coefficients of 10 LSPs. */
VOKSC_API VokStatus voksLSPToLPC_GSMAMR_16s(const Vok16s* pSrcLsp, Vok16s* pDstLpc);
/* 10 LSFs to LSPs; a negative LSF stops the conversion with vokStatusLsfDomain. */
VOKSC_API VokStatus voksLSFToLSP_GSMAMR_16s(const Vok16s* pSrcLsf, Vok16s* pDstLsp);
/* pDst = pSrc1/4 + 3*pSrc2/4 element-wise (arithmetic shifts, 16-bit wrap-around). */
VOKSC_API VokStatus voksInterpolate_GSMAMR_16s(const Vok16s* pSrc1, const Vok16s* pSrc2, Vok16s* pDst,
                                               int len);
/* pDst[i] = sat16(pSrc[i] + (pSrc[i-1]*gamma >> 15)), pSrc[-1] = *pMem; *pMem = pSrc[len-1]; in place
 * allowed. */
VOKSC_API VokStatus voksPreemphasize_GSMAMR_16s(Vok16s gamma, const Vok16s* pSrc, Vok16s* pDst, int len,
                                                Vok16s* pMem);
/* LSP quantiser: 20 LSPs (mid and end of frame) in and out with 5 indices at 12.2, else 10 with 3
 * indices (vokRateDTX: predicted from the best initial residual vector); updates the past residual. */
VOKSC_API VokStatus voksLSPQuant_GSMAMR_16s(const Vok16s* pSrcLsp, Vok16s* pSrcDstPastRq, Vok16s* pDstQLsp,
                                            Vok16s* pDstIndex, int mode);
/* LSP decoder with erasure concealment (bfi != 0): 4 interpolated subframe vectors (40 values);
 * updates the past residual, the past (reordered) LSFs and the previous LSPs. At vokRateDTX the
 * prediction is the mean plus the past residual itself, which the SID decoder sets to the
 * transmitted initial vector. */
VOKSC_API VokStatus voksQuantLSPDecode_GSMAMR_16s(const Vok16s* pSrcIndex, Vok16s* pSrcDstPastRq,
                                                  Vok16s* pSrcDstPastQLsf, Vok16s* pSrcDstPrevQLsp,
                                                  Vok16s* pDstQLspSubfr, Vok16s bfi, int mode);
/* Open-loop pitch lags of a frame (2 values, one per half-frame) from the 4 x 11 weighting filter
 * numerators and denominators and 170 speech samples starting 10 before the frame; keeps the 143
 * past weighted samples and, at 10.2 kbit/s, the median lag, the adaptive weight and 5 past lags;
 * the gain flags (2) are written at 10.2 and cleared at the other rates. vokRateDTX searches the
 * 12.2 lag range (from 18) without its scaled normalisation. */
VOKSC_API VokStatus voksOpenLoopPitchSearchNonDTX_GSMAMR_16s(
    const Vok16s* pSrcWgtLpc1, const Vok16s* pSrcWgtLpc2, const Vok16s* pSrcSpch, Vok16s* pSrcDstMedianLag,
    Vok16s* pSrcDstAdaptWeight, Vok16s* pSrcDstPrevLags, Vok16s* pSrcDstPrevWgtSpch, Vok16s* pDstOpenLoopLag,
    Vok16s* pDstOpenLoopGainFlag, int mode);
/* As the plain search, also updating the VAD option 1 tone register and giving the high-pass
 * correlation maximum of the last search. */
VOKSC_API VokStatus voksOpenLoopPitchSearchDTXVAD1_GSMAMR_16s(
    const Vok16s* pSrcWgtLpc1, const Vok16s* pSrcWgtLpc2, const Vok16s* pSrcSpch, Vok16s* pSrcDstToneFlag,
    Vok16s* pSrcDstMedianLag, Vok16s* pSrcDstAdaptWeight, Vok16s* pSrcDstPrevLags, Vok16s* pSrcDstPrevWgtSpch,
    Vok16s* pDstMaxHpCorr, Vok16s* pDstOpenLoopLag, Vok16s* pDstOpenLoopGainFlag, int mode);
/* As the plain search, also giving the frame's summed maximum correlation and energy for the VAD
 * option 2 long-term-prediction flag. */
VOKSC_API VokStatus voksOpenLoopPitchSearchDTXVAD2_GSMAMR_16s32s(
    const Vok16s* pSrcWgtLpc1, const Vok16s* pSrcWgtLpc2, const Vok16s* pSrcSpch, Vok16s* pSrcDstMedianLag,
    Vok16s* pSrcDstAdaptWeight, Vok16s* pSrcDstPrevLags, Vok16s* pSrcDstPrevWgtSpch, Vok32s* pDstMaxCorr,
    Vok32s* pDstEnergy, Vok16s* pDstOpenLoopLag, Vok16s* pDstOpenLoopGainFlag, int mode);
/* Subframe pre-processing: impulse response of A(z/g1) / (Aq(z) A(z/g2)), LP residual and pitch
 * target (40 each) of the subframe whose speech starts at pSrcSpch + 10; the synthesis and
 * weighting filter memories (10 each) are read only. */
VOKSC_API VokStatus voksImpulseResponseTarget_GSMAMR_16s(const Vok16s* pSrcSpch, const Vok16s* pSrcWgtLpc1,
                                                         const Vok16s* pSrcWgtLpc2, const Vok16s* pSrcQLpc,
                                                         const Vok16s* pSrcSynFltState,
                                                         const Vok16s* pSrcWgtFltState,
                                                         Vok16s* pDstImpulseResponse, Vok16s* pDstLpResidual,
                                                         Vok16s* pDstAdptTarget);
/* Closed-loop fractional pitch search of a subframe and its lag index; the excitation buffer holds
 * 154 past samples then the subframe (its LP residual on entry, the adaptive vector on return),
 * also copied to pDstAdptVector; *pSrcDstPrevIntPitchLag receives the integer lag. */
VOKSC_API VokStatus voksAdaptiveCodebookSearch_GSMAMR_16s(
    const Vok16s* pSrcAdptTarget, const Vok16s* pSrcImpulseResponse, const Vok16s* pSrcOpenLoopLag,
    Vok16s* pSrcDstPrevIntPitchLag, Vok16s* pSrcDstExcitation, Vok16s* pDstFracPitchLag,
    Vok16s* pDstAdptIndex, Vok16s* pDstAdptVector, Vok16s subFrame, int mode);
/* Pitch decoding of a subframe with erasure handling and the adaptive vector (excitation buffer as
 * in the search): *pSrcDstIntPitchLag receives the lag used (at 12.2 it holds the previous
 * subframe's on entry), *pDstLagBuffer the decoded lag where the decoder keeps it; on a bad frame
 * at other rates *pSrcDstPrevIntPitchLag is incremented below 143. An index of 512 or more, or
 * one whose lag falls outside the 154-sample history, gives vokStatusRange. */
VOKSC_API VokStatus voksAdaptiveCodebookDecode_GSMAMR_16s(int index, Vok16s* pSrcDstPrevIntPitchLag,
                                                          Vok16s* pDstLagBuffer, Vok16s* pSrcDstExcitation,
                                                          Vok16s* pSrcDstIntPitchLag, Vok16s* pDstAdptVector,
                                                          Vok16s subFrame, Vok16s bfi,
                                                          Vok16s inBackgroundNoise, Vok16s voicedHangover,
                                                          int mode);
/* Algebraic codebook search of a subframe: pitch sharpening (2 * pitchSharp, the quantised pitch
 * gain at 12.2 and vokRateDTX) of the impulse response (in place) and of the code vector when
 * pitchLag < 40; the LTP residual selects the signs at 10.2 and 12.2. Writes the code vector, its
 * filtered form (40 each) and the index words (2, 7 at 10.2, 10 at 12.2 and vokRateDTX).
 * subFrame 0..3 and pitchLag 17..144, else vokStatusRange. */
VOKSC_API VokStatus voksAlgebraicCodebookSearch_GSMAMR_16s(
    int pitchLag, Vok16s pitchSharp, const Vok16s* pSrcFixedTarget, const Vok16s* pSrcLtpResidual,
    Vok16s* pSrcDstImpulseResponse, Vok16s* pDstFixedVector, Vok16s* pDstFltFixedVector,
    Vok16s* pDstEncPosSign, Vok16s subFrame, int mode);
/* The same search; pReserved must not be null and is neither read nor written. */
VOKSC_API VokStatus voksAlgebraicCodebookSearchEX_GSMAMR_16s(
    int pitchLag, Vok16s pitchSharp, const Vok16s* pSrcFixedTarget, const Vok16s* pSrcLtpResidual,
    Vok16s* pSrcDstImpulseResponse, Vok16s* pDstFixedVector, Vok16s* pDstFltFixedVector,
    Vok16s* pDstEncPosSign, Vok16s subFrame, int mode, void* pReserved);

/* Fixed-codebook vector (40 samples) of the index words of a subframe (2 words, 7 at 10.2, 10 at
 * 12.2 and vokRateDTX); fields beyond their coded width are ignored. */
VOKSC_API VokStatus voksFixedCodebookDecode_GSMAMR_16s(const Vok16s* pSrcFixedIndex, Vok16s* pDstFixedVector,
                                                       Vok16s subFrame, int mode);
/* Pitch gain (Q14, at most 19661) of a 40-sample target and filtered adaptive vector. */
VOKSC_API VokStatus voksAdaptiveCodebookGain_GSMAMR_16s(const Vok16s* pSrcAdptTarget,
                                                        const Vok16s* pSrcFltAdptVector,
                                                        Vok16s* pResultAdptGain);
/* As voksAdaptiveCodebookGain_GSMAMR_16s, plus {yy, 15 - expYY, xy, 15 - expXY}. */
VOKSC_API VokStatus voksAdaptiveCodebookGainCoeffs_GSMAMR_16s(const Vok16s* pSrcAdptTarget,
                                                              const Vok16s* pSrcFltAdptVector,
                                                              Vok16s* pResultAdptGain,
                                                              Vok16s* pResultGainCoeffs);
/* Adaptive post-filter of one 160-sample frame (4 x 11 LP coefficients): tilt-filter memory,
 * gain-control state (Q12, 4096 at reset), the last 10 input samples and the 10 synthesis-filter
 * memories are updated; pDstFltSpch may equal pSrcSpch. */
VOKSC_API VokStatus voksPostFilter_GSMAMR_16s(const Vok16s* pSrcQLpc, const Vok16s* pSrcSpch,
                                              Vok16s* pSrcDstPreemphMem, Vok16s* pSrcDstPastGain,
                                              Vok16s* pSrcDstSpchHist, Vok16s* pSrcDstSynFltState,
                                              Vok16s* pDstFltSpch, int mode);
/* State of VAD option 1 (58 words). Reset values: subLevel 0, oldLevel, aveLevel and bckrEst 150,
 * corrHpFast 13106, everything else 0. A memcpy of the block continues the stream. */
typedef struct VokVadState1_GSMAMR {
    Vok16s subLevel[9]; /* band levels of the previous frame's look-ahead */
    Vok16s oldLevel[9]; /* band levels of the previous frame */
    Vok16s aveLevel[9]; /* averaged levels of the stationarity estimate */
    Vok16s bckrEst[9];  /* background noise estimate */
    Vok16s aData5[6];   /* memories of the three 5th-order filter-bank stages */
    Vok16s aData3[5];   /* memories of the 3rd-order stages */
    Vok16s burstCount, hangCount, statCount;
    Vok16s vadReg;                  /* intermediate decisions, newest in bit 14 */
    Vok16s complexHigh, complexLow; /* complex-signal flags, newest in bit 14 */
    Vok16s complexHangTimer, complexHangCount, complexWarning;
    Vok16s corrHpFast; /* smoothed high-pass correlation, Q15 */
    Vok16s pitch;      /* pitch flags, newest in bit 14, kept by the caller */
} VokVadState1_GSMAMR;

/* VAD option 1 on 200 samples (power over the first 160, bands over 40..199) with the open-loop
 * search's high-pass correlation maximum and tone register: the VAD flag (0 or 1). */
VOKSC_API VokStatus voksVAD1_GSMAMR_16s(const Vok16s* pSrcSpch, VokVadState1_GSMAMR* pSrcDstState,
                                        Vok16s* pResultVadFlag, int bestCorrHp, int toneFlag);
/* State of VAD option 2; all zero at reset. A memcpy of the block continues the stream. */
typedef struct VokVadState2_GSMAMR {
    Vok32s frameCount;
    Vok32s chEnergy[16];       /* channel energies, Q9 (shift state 0) or Q4 (1) */
    Vok32s chNoise[16];        /* channel noise estimates, Q9 */
    Vok16s chEnergyLongDb[16]; /* long-term channel energies, dB Q8 */
    Vok16s preEmphMem, lastShift, shiftState;
    Vok16s updateCount, hysterCount, lastUpdateCount, forcedUpdate;
    Vok16s tsnr; /* long-term SNR, dB Q8 */
    Vok16s hangover, burstCount, negSnrVar, negSnrBias;
} VokVadState2_GSMAMR;

/* VAD option 2 on a 160-sample frame (two halves) with the long-term-prediction flag of the
 * previous frame's open-loop search: the VAD flag (1 when either half is active). */
VOKSC_API VokStatus voksVAD2_GSMAMR_16s(const Vok16s* pSrcSpch, VokVadState2_GSMAMR* pSrcDstState,
                                        Vok16s* pResultVadFlag, int ltpFlag);

/* 128-point real FFT in place: [0] DC, [1] Nyquist, then re/im of bins 1..63. */
VOKSC_API VokStatus voksFFTFwd_RToPerm_GSMAMR_16s_I(Vok16s* pSrcDst);
/* Encoder DTX hangover: may set *pSrcDstUsedMode to vokRateDTX and *pDstComputeSidFlag to 1. */
VOKSC_API VokStatus voksEncDTXHandler_GSMAMR_16s(Vok16s* pSrcDstHangoverCount, Vok16s* pSrcDstElapsedCount,
                                                 Vok16s* pSrcDstUsedMode, Vok16s* pDstComputeSidFlag,
                                                 int vadFlag);
/* Encoder DTX history: stores 10 LSPs and the halved Q10 log energy of 160 samples in slot
 * (*pSrcDstHistPtr + 1) mod 8 of the 80-value LSP and 8-value energy histories. */
VOKSC_API VokStatus voksEncDTXBuffer_GSMAMR_16s(const Vok16s* pSrcSpch, const Vok16s* pSrcLsp,
                                                Vok16s* pSrcDstHistPtr, Vok16s* pSrcDstLspHist,
                                                Vok16s* pSrcDstLogEnHist);
/* Decoder DTX history: as the encoder's, storing the log energy unhalved. */
VOKSC_API VokStatus voksDecDTXBuffer_GSMAMR_16s(const Vok16s* pSrcSpch, const Vok16s* pSrcLsp,
                                                Vok16s* pSrcDstHistPtr, Vok16s* pSrcDstLspHist,
                                                Vok16s* pSrcDstLogEnHist);
/* SID parameters from the encoder's DTX histories, computed when computeSidFlag is set or when
 * *pDstLogEnIndex (the previous SID's energy index, 0 at reset) is 0; otherwise nothing is
 * written. Outputs: energy index (0..63), index of the initial residual vector (0..7), three
 * LSF indices, and the 4 + 4 gain-predictor memories of the comfort noise. */
VOKSC_API VokStatus voksEncDTXSID_GSMAMR_16s(const Vok16s* pSrcLspHist, const Vok16s* pSrcLogEnHist,
                                             Vok16s* pDstLogEnIndex, Vok16s* pDstInitLsfVecIndex,
                                             Vok16s* pDstLsfIndex, Vok16s* pDstPredQErr,
                                             Vok16s* pDstPredQErrMR122, Vok16s computeSidFlag);

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_AMRNB_H */

/* voksc: G.728 LD-CELP primitives. Included by voksc.h.
 *
 * Signals of the backward adapters and filters are handled in 5-sample vectors, newest sample
 * first, as the G.728 fixed-point coder keeps them. A block-floating-point vector is a record of
 * six words: its exponent q, then the five samples d (value = d * 2^-q). Coefficient sets are
 * Q14 unless stated. All states are caller-allocated blocks of the size their query reports,
 * set up by the matching Init; they hold no addresses and may sit at any address: a memcpy of
 * the whole block to any address continues the stream. */
#ifndef VOKSC_G728_H
#define VOKSC_G728_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VokG728WinHybridState VokG728WinHybridState;
typedef struct VokG728CombinedFilterState VokG728CombinedFilterState;
typedef struct VokG728SynthesisFilterState VokG728SynthesisFilterState;
typedef struct VokG728IIR16sState VokG728IIR16sState;
typedef struct VokG728PostFilterState VokG728PostFilterState;
typedef struct VokG728PostFilterAdapterState VokG728PostFilterAdapterState;

/* Hybrid-window state size for order m, non-recursive length nonr, update length nnew and
 * block length blockLen (0: plain samples); every length >= 1. */
VOKSC_API VokStatus voksWinHybridGetStateSize_G728_16s(int m, int nonr, int nnew, int blockLen, int* pSize);
/* Sets up a hybrid window: pWin holds m + nonr + nnew taps (at most 512; Q15, newest first);
 * factor 12288 (recursive decay 0.75) or 8192 (0.5, whose recursive exponent is bounded at
 * 41 as the weighting-filter adapter's); blockLen 0 for WinHybrid, else the vector length of
 * WinHybridBlock, dividing m + nonr + nnew. */
VOKSC_API VokStatus voksWinHybridInit_G728_16s(const Vok16s* pWin, int m, int nonr, int nnew, int blockLen,
                                               int factor, VokG728WinHybridState* pState);
/* Autocorrelation r[0..m] of the m + nonr + nnew samples pSrc (newest first) under the hybrid
 * window; control nonzero stores the recursive part's update (the normal call), zero leaves
 * the state as it was. vokStatusOverflow (outputs valid): the last lag is zero, the
 * recursion is not to be run on it. */
VOKSC_API VokStatus voksWinHybrid_G728_16s(int control, const Vok16s* pSrc, Vok16s* pDstAcf,
                                           VokG728WinHybridState* pState);
/* As WinHybrid for block-floating-point input: (m + nonr + nnew) / blockLen records of an
 * exponent and blockLen samples, newest first; *pDstScale receives the smallest exponent, the
 * one the windowed block was aligned to. */
VOKSC_API VokStatus voksWinHybridBlock_G728_16s(int control, const Vok16s* pSrcBlock, Vok16s* pDstAcf,
                                                Vok16s* pDstScale, VokG728WinHybridState* pState);
/* Levinson-Durbin recursion of r[0..order] (1 <= order <= 1024, r[0] >= 1) into pLpc[0..order)
 * (a1..a_order, the exponent *pScale, 13..15), the first reflection coefficient (Q15) and the
 * residual energy. vokStatusOverflow: the recursion broke down; nothing written. */
VOKSC_API VokStatus voksLevinsonDurbin_G728_16s_Sfs(const Vok16s* pAcf, int order, Vok16s* pLpc, Vok16s* pRc1,
                                                    Vok16s* pResidEnergy, Vok16s* pScale);
/* Continues a recursion from the order reached (pLpc, *pResidEnergy and *pScale as a previous
 * call left them) to finalOrder. vokStatusOverflow: broke down; nothing written. */
VOKSC_API VokStatus voksLevinsonDurbin_G728_16s_ISfs(const Vok16s* pAcf, int reached, int finalOrder,
                                                     Vok16s* pLpc, Vok16s* pResidEnergy, Vok16s* pScale);

/* Combined synthesis and weighting filter: the 50th-order synthesis memory in block floating
 * point (the current vector and ten past ones) and the weighting filter's output memory. */
VOKSC_API VokStatus voksCombinedFilterGetStateSize_G728_16s(int* pSize);
/* Clears the memories; every stored vector gets the exponent 16 (the coder's start). */
VOKSC_API VokStatus voksCombinedFilterInit_G728_16s(VokG728CombinedFilterState* pState);
/* Starts a vector: ages the memory by one vector, forms the synthesis filter's zero-input
 * response with pLpc[0..50) and filters it through the weighting filter pCoeffs[0..10) (zeros)
 * and pCoeffs[10..20) (poles); pDst receives the weighted response (5, exponent 2). */
VOKSC_API VokStatus voksCombinedFilterZeroInput_G728_16s(const Vok16s* pCoeffs, Vok16s* pDst,
                                                         const Vok16s* pLpc,
                                                         VokG728CombinedFilterState* pState);
/* Completes the vector with the excitation record pSrcExc (exponent, 5 samples): pCoeffs holds
 * the 50 synthesis coefficients then the 20 weighting ones. pDst receives the synthesized
 * vector (5) and *pDstScale its exponent, pDstWeighted the weighted zero-state response
 * (exponent 2). maxScale > 0 limits the stored exponent to it. */
VOKSC_API VokStatus voksCombinedFilterZeroState_G728_16s(const Vok16s* pSrcExc, const Vok16s* pCoeffs,
                                                         Vok16s* pDst, int maxScale, Vok16s* pDstScale,
                                                         Vok16s* pDstWeighted,
                                                         VokG728CombinedFilterState* pState);

/* Synthesis filter memory alone: 50 samples of ten past vectors (and the current one) from
 * byte 0, their eleven exponents from byte 112. */
VOKSC_API VokStatus voksSynthesisFilterGetStateSize_G728_16s(int* pSize);
/* Clears the samples and sets every exponent to 16. */
VOKSC_API VokStatus voksSynthesisFilterInit_G728_16s(VokG728SynthesisFilterState* pState);
/* Zero-input response of the synthesis filter pLpc[0..50) into pDst (5) with exponent *pScale,
 * kept as the current vector; advance nonzero first ages the memory by one vector. pDstQ2
 * receives the response at exponent 2 (saturated). */
VOKSC_API VokStatus voksSyntesisFilterZeroInput_G728_16s(const Vok16s* pLpc, Vok16s* pDst, int advance,
                                                         Vok16s* pScale, Vok16s* pDstQ2,
                                                         VokG728SynthesisFilterState* pState);

/* 10th-order pole-zero filter state: past inputs and outputs. */
VOKSC_API VokStatus voksIIR16sGetStateSize_G728_16s(int* pSize);
VOKSC_API VokStatus voksIIR16sInit_G728_16s(VokG728IIR16sState* pState);
/* y[n] = (x[n] 2^14 + sum b[i] x[n-i] - sum a[i] y[n-i]) >> 14, saturated, i = 1..10, with
 * b = pCoeffs[0..10), a = pCoeffs[10..20), over len >= 1 samples in time order. */
VOKSC_API VokStatus voksIIR16s_G728_16s(const Vok16s* pCoeffs, const Vok16s* pSrc, Vok16s* pDst, int len,
                                        VokG728IIR16sState* pState);

/* Energies (Q5) of the 128 shape codevectors convolved with the impulse response pImp (5,
 * Q13, newest first). */
VOKSC_API VokStatus voksImpulseResponseEnergy_G728_16s(const Vok16s* pImp, Vok16s* pDstEnergy);
/* Gain-shape search of the target record pTarget (exponent, 5 samples) with impulse response
 * pImp: *pIndex the code word (shape << gain bits | gain), pDst[0] the shape, pDst[1] the gain.
 * vokRate16000 searches the G.728 codebook with pEnergy the 128 energies; vokRate12800 and
 * vokRate9600 search the caller's codebook in pEnergy (layout below).
 *
 * Lower rates (8 and 6 bits per 5-sample vector): the codebook at pEnergy holds ns energies
 * E (Q5, formed for these shapes as ImpulseResponseEnergy forms them for the G.728 ones), nm
 * gain levels g (Q12, as the G.728 levels 2112, 3696, 6468, 11319) and ns shapes of 5 samples
 * (laid out as the G.728 shape table): ns = 32, nm = 4 (196 words) at 12.8 kbit/s, 5 shape and
 * 3 gain bits; ns = 16, nm = 2 (98 words) at 9.6 kbit/s, 4 and 2 bits. The gain index is the
 * level k, plus nm when the correlation c of the shape with the target filtered backwards
 * through pImp (formed as at 16 kbit/s) is <= 0: the sign bit. The search takes, over
 * every shape and level, the exact smallest E*gsq - g2*min(|c| >> 14, 32767) with g2 = 2 g
 * and gsq = (g^2 + 4096) >> 13 (the 16 kbit/s constants), in 64 bits; the first shape, then
 * the first level, on ties. Unlike the 16 kbit/s search no gain cells are used. */
VOKSC_API VokStatus voksCodebookSearch_G728_16s(const Vok16s* pTarget, const Vok16s* pImp,
                                                const Vok16s* pEnergy, Vok16s* pIndex, Vok16s* pDst,
                                                VokSpeechRate rate);
/* Trellis-coded search of len (1..64) target records (exponent, 5 samples each, 6 words apart)
 * from trellis state initState (0..3): pPath[v] the state after vector v, pDstIndex[v] its
 * 10-bit code word (shape << 3 | gain), *pDstDist the total distortion (saturated).
 *
 * The 4-state trellis: branch b (0, 1) from state s enters state (2 s + b) mod 4 and may use
 * only the shapes of subset (s + 2 b) mod 4, those whose index is that modulo 4; a branch costs
 * the 16 kbit/s distortion of the subset's best code word (its first smallest shape), with
 * pImp and the energy table pEnergy as in CodebookSearch. Each vector is searched against its
 * own target; the path of least total distortion wins, on ties the one whose state sequence,
 * read from the last vector back, first has the lower state. vokStatusSize: len outside
 * 1..64; vokStatusRange: initState outside 0..3. */
VOKSC_API VokStatus voksCodebookSearchTCQ_G728_16s8u(const Vok16s* pTarget, const Vok16s* pImp,
                                                     const Vok16s* pEnergy, Vok8u* pPath, Vok16s* pDstIndex,
                                                     Vok32s* pDstDist, int len, int initState);

/* Post-filter state: ten long-term outputs from byte 0, ten pole-zero outputs from byte 32. */
VOKSC_API VokStatus voksPostFilterGetStateSize_G728_16s(int* pSize);
VOKSC_API VokStatus voksPostFilterInit_G728_16s(VokG728PostFilterState* pState);
/* Long-term (g0, g1 Q14, period T >= 1), pole-zero (pCoeffs zeros 0..9, poles 10..19) and tilt
 * (mu Q14) stages over 5 samples pSrc (time order, T samples of history before) into pDst. */
VOKSC_API VokStatus voksPostFilter_G728_16s(Vok16s g0, Vok16s g1, Vok16s period, Vok16s mu,
                                            const Vok16s* pCoeffs, const Vok16s* pSrc, Vok16s* pDst,
                                            VokG728PostFilterState* pState);

/* Post-filter adapter: the LPC inverse filter memory and the decimator of the pitch search. */
VOKSC_API VokStatus voksPostFilterAdapterGetStateSize_G728(int* pSize);
VOKSC_API VokStatus voksPostFilterAdapterStateInit_G728(VokG728PostFilterAdapterState* pState);
/* 10th-order LPC residual (pLpc Q14) of 5 decoded samples pSrc (newest first) into pDst. */
VOKSC_API VokStatus voksLPCInverseFilter_G728_16s(const Vok16s* pSrc, const Vok16s* pLpc, Vok16s* pDst,
                                                  VokG728PostFilterAdapterState* pState);
/* Pitch period 20..140 from the residual pResid[0..240) (newest first): *pPeriod holds the
 * previous period (20..140, else vokStatusRange) and receives the new one. */
VOKSC_API VokStatus voksPitchPeriodExtraction_G728_16s(const Vok16s* pResid, int* pPeriod,
                                                       VokG728PostFilterAdapterState* pState);

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_G728_H */

/* voksc: G.729 gain quantisation, post-processing and boundary filters. Included by voksc.h. */
#ifndef VOKSC_G729_GAIN_H
#define VOKSC_G729_GAIN_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Conventions of this group. Sub-frames are 40 samples. Past quantised energies: 4 values in
 * Q10, newest first, -14336 each at codec start. Gain pair: [0] pitch gain Q14, [1] code gain
 * Q1. The quantisers return codebook rows (ga, gb); the decoders take bit-stream indices and map
 * them through imap1/imap2. Filter memories are "oldest first": mem[order-1] is y[n-1]. */

/* The two state blocks below are used at the address given (no alignment needed) and hold no
 * addresses: a memcpy of a block to any address continues the stream. */
/* High-pass filter state: 24 bytes (y1, y2 as 32-bit, x1, x2, a0 a1 a2 b0 b1 b2). */
typedef struct VokG729HighPassState VokG729HighPassState;
/* Annex D phase-dispersion state: 20 bytes. */
typedef struct VokG729PhaseDispersionState VokG729PhaseDispersionState;

/* Joint pitch/code gain quantiser (G_pitch, Corr_xy2, Qua_gain): x target, y1 filtered adaptive
 * vector, code Q13, y2 filtered code Q12 (40 each); updates pPastEnergies; taming flag 0 or 1. */
VOKSC_API VokStatus voksGainQuant_G729_16s(const Vok16s* pTarget, const Vok16s* pAdaptFilt,
                                           const Vok16s* pFixedVec, const Vok16s* pFixedFilt,
                                           Vok16s* pPastEnergies, Vok16s* pGains, Vok16s* pIndices,
                                           Vok16s tamingFlag);
/* Annex D 6.4 kbit/s gain quantiser (Qua_gain_6k); rows 0..7 and 0..7. */
VOKSC_API VokStatus voksGainQuant_G729D_16s(const Vok16s* pTarget, const Vok16s* pAdaptFilt,
                                            const Vok16s* pFixedVec, const Vok16s* pFixedFilt,
                                            Vok16s* pPastEnergies, Vok16s* pGains, Vok16s* pIndices,
                                            Vok16s tamingFlag);
/* Gain decoder (Dec_gain): energy = sum c[i]^2 of the code vector; pIndices = (GA, GB) bit-stream
 * indices (masked to 3 and 4 bits), or null for an erased frame (pGains then holds the previous
 * gains, attenuated by 0.9 and 0.98). */
VOKSC_API VokStatus voksDecodeGain_G729_16s(Vok32s energy, Vok16s* pPastEnergies,
                                            const Vok16s* pIndices, Vok16s* pGains);
/* Annex D table gain decoder (Dec_gain_6k), indices masked to 3 bits each; on erasure (null
 * pIndices) both previous gains are multiplied by attenuation (Q15). */
VOKSC_API VokStatus voksDecodeGain_G729I_16s(Vok32s energy, Vok16s attenuation,
                                             Vok16s* pPastEnergies, const Vok16s* pIndices,
                                             Vok16s* pGains);
/* Float gain-codebook search (qua_gain): pCorr c0..c4, pCand first rows (0..4, 0..8), 4 x 8
 * pairs; pIndex receives the rows; taming 1 excludes pitch gains >= 0.9999. */
VOKSC_API VokStatus voksGainCodebookSearch_G729_32f(const Vok32f* pCorr, const Vok32s* pCand,
                                                    Vok32s* pIndex, Vok32s tamingFlag, Vok32f gcode0);
/* Annex D float search (qua_gain_6k): starts 0..2 each, 6 x 6 pairs. */
VOKSC_API VokStatus voksGainCodebookSearch_G729D_32f(const Vok32f* pCorr, const Vok32s* pCand,
                                                     Vok32s* pIndex, Vok32s tamingFlag,
                                                     Vok32f gcode0);

/* Harmonic post-filter of G.729 (pst_ltp; Annex E pst_ltpe for gamma < 16384): gamma Q15 0..16384,
 * delay 18..143; pResidual points at the sub-frame with 152 past samples before it; pVoicing
 * receives the chosen integer delay, 0 when the filter is off. */
VOKSC_API VokStatus voksLongTermPostFilter_G729_16s(Vok16s gamma, int delay, const Vok16s* pResidual,
                                                    Vok16s* pDst, Vok16s* pVoicing);
/* Annex A post-filter front (Residu + pit_pst_filt): delay 18..145; pSpeech at the sub-frame
 * (10 past samples before it); pLpc = A(z/0.55) (11, Q12); pResidual is the 194-element buffer
 * (0..153 past residual, 154..193 written); pDst the harmonically filtered residual (40). */
VOKSC_API VokStatus voksLongTermPostFilter_G729A_16s(Vok16s delay, const Vok16s* pSpeech,
                                                     const Vok16s* pLpc, Vok16s* pResidual,
                                                     Vok16s* pDst);
/* Annex B post-filter front: pLpc = A(z) (weighted here by 0.55); frame type 1 runs the G.729
 * harmonic filter (gamma 0.5) and sets *pVoicing to 1 when voiced; types 0 and 2 copy. */
VOKSC_API VokStatus voksLongTermPostFilter_G729B_16s(Vok16s delay, const Vok16s* pSpeech,
                                                     const Vok16s* pLpc, Vok16s* pResidual,
                                                     Vok16s* pDst, Vok16s* pVoicing, Vok16s frameType);
/* Short-term post-filter (Weight_Az, calc_st_filt, Syn_filt): pLpc A(z) (11, Q12); pSrc 40;
 * pDst 40 with its 10 previous outputs before it (read as the memory); pImpulse receives the
 * 20-sample response of A(z/0.55)/A(z/0.7). Warning vokStatusOverflow when an output saturated. */
VOKSC_API VokStatus voksShortTermPostFilter_G729_16s(const Vok16s* pLpc, const Vok16s* pSrc,
                                                     Vok16s* pDst, Vok16s* pImpulse);
/* Tilt compensation (calc_rc0_h + filt_mu) in place on 40 samples; pSrcDst[-1] is the memory
 * (the previous input sample) and is left unchanged. */
VOKSC_API VokStatus voksTiltCompensation_G729_16s(const Vok16s* pImpulse, Vok16s* pSrcDst);
/* Annex A tilt compensation: pLpc holds A(z/0.55) then A(z/0.7) (22); in place on 40 samples,
 * pSrcDst[-1] is the pre-emphasis memory and receives the last input sample. */
VOKSC_API VokStatus voksTiltCompensation_G729A_16s(const Vok16s* pLpc, Vok16s* pSrcDst);
/* filt_mu with first parcor `tilt` (Q15): pSrc = memory sample then 40 samples; pDst 40. */
VOKSC_API VokStatus voksTiltCompensation_G729E_16s(Vok16s tilt, const Vok16s* pSrc, Vok16s* pDst);
/* Adaptive gain control (scale_st): scales pSrcDst (40) towards the level of pSrc (40); *pGain
 * (Q14, 16384 at start) is the smoothed gain carried between sub-frames. */
VOKSC_API VokStatus voksGainControl_G729_16s_I(const Vok16s* pSrc, Vok16s* pSrcDst, Vok16s* pGain);
/* Annex A gain control (agc); *pGain in Q12, 4096 at start. */
VOKSC_API VokStatus voksGainControl_G729A_16s_I(const Vok16s* pSrc, Vok16s* pSrcDst, Vok16s* pGain);
/* Float gain control over 40 samples: g = g * factor + increment; x[i] *= g. */
VOKSC_API VokStatus voksGainControl_G729_32f_I(Vok32f* pSrcDst, Vok32f* pGain, Vok32f increment,
                                               Vok32f factor);
/* Annex A pre-emphasis: y[i] = x[i] - mult(gamma, x[i-1]), x[-1] = *pMem; *pMem = last input. */
VOKSC_API VokStatus voksPreemphasize_G729A_16s(Vok16s gamma, const Vok16s* pSrc, Vok16s* pDst, int len,
                                               Vok16s* pMem);
/* In-place voksPreemphasize_G729A_16s. */
VOKSC_API VokStatus voksPreemphasize_G729A_16s_I(Vok16s gamma, Vok16s* pSrcDst, int len, Vok16s* pMem);

/* Writes the phase-dispersion state size (20). */
VOKSC_API VokStatus voksPhaseDispersionGetStateSize_G729D_16s(int* pSize);
/* Zeroes the phase-dispersion state. */
VOKSC_API VokStatus voksPhaseDispersionInit_G729D_16s(VokG729PhaseDispersionState* pState);
/* State update for a sub-frame decoded without dispersion (Update64). */
VOKSC_API VokStatus voksPhaseDispersionUpdate_G729D_16s(Vok16s pitchGain, Vok16s codeGain,
                                                        VokG729PhaseDispersionState* pState);
/* Annex D anti-sparseness (Syn_filt64 front): pSrc excitation (40), pDst dispersed excitation
 * (40); pFixed the code vector Q13 (40), left holding the dispersed code vector. */
VOKSC_API VokStatus voksPhaseDispersion_G729D_16s(const Vok16s* pSrc, Vok16s* pDst, Vok16s codeGain,
                                                  Vok16s pitchGain, Vok16s* pFixed,
                                                  VokG729PhaseDispersionState* pState);

/* Writes the high-pass filter state size (24). */
VOKSC_API VokStatus voksHighPassFilterSize_G729(int* pSize);
/* Stores the coefficients a0 a1 a2 b0 b1 b2 and zeroes the signal memory. */
VOKSC_API VokStatus voksHighPassFilterInit_G729(const Vok16s* pCoeffs, VokG729HighPassState* pState);
/* Second-order pole-zero filter in place: scale factor 12 = Pre_Process (Q12 coefficients),
 * 13 = Post_Process (Q13 coefficients, output doubled with saturation as in the reference). */
VOKSC_API VokStatus voksHighPassFilter_G729_16s_ISfs(Vok16s* pSrcDst, int len, int scaleFactor,
                                                     VokG729HighPassState* pState);
/* Pole-zero filter B(z)/A(z), order 10, 40 samples: pCoeffs b0..b10 then a0..a10 (Q12); pSrc 50
 * (10 past inputs then 40 new); pMem the 10 previous outputs (oldest first, updated). */
VOKSC_API VokStatus voksIIR16s_G729_16s(const Vok16s* pCoeffs, const Vok16s* pSrc, Vok16s* pDst,
                                        Vok16s* pMem);
/* voksIIR16s_G729_16s keeping the low 16 bits of each stage instead of saturating. */
VOKSC_API VokStatus voksIIR16sLow_G729_16s(const Vok16s* pCoeffs, const Vok16s* pSrc, Vok16s* pDst,
                                           Vok16s* pMem);
/* Residu: 40-sample residual of order 10, pSrc at the sub-frame with 10 past samples before it. */
VOKSC_API VokStatus voksResidualFilter_G729_16s(const Vok16s* pSrc, const Vok16s* pLpc, Vok16s* pDst);
/* Residue of any order (Annex E): reads `order` samples before pSrc; order <= len. */
VOKSC_API VokStatus voksResidualFilter_G729E_16s(const Vok16s* pLpc, int order, const Vok16s* pSrc,
                                                 Vok16s* pDst, int len);
/* Syn_filte of any order and length; pMem holds the last `order` outputs (updated). */
VOKSC_API VokStatus voksSynthesisFilter_G729E_16s(const Vok16s* pLpc, int order, const Vok16s* pSrc,
                                                  Vok16s* pDst, int len, Vok16s* pMem);
/* In-place voksSynthesisFilter_G729E_16s. */
VOKSC_API VokStatus voksSynthesisFilter_G729E_16s_I(const Vok16s* pLpc, int order, Vok16s* pSrcDst,
                                                    int len, Vok16s* pMem);
/* Float synthesis y[n] = x[n] - sum a[i] y[n-i], order 1..30, len 1..640; pMem updated. */
VOKSC_API VokStatus voksSynthesisFilter_G729_32f(const Vok32f* pLpc, int order, const Vok32f* pSrc,
                                                 Vok32f* pDst, int len, Vok32f* pMem);

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_G729_GAIN_H */

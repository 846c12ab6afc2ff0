/* voksc: G.729 linear prediction and LSP processing. Included by voksc.h.
 *
 * Order-10 vectors unless stated. LP coefficients: 11 Q12 values, a[0] = 4096 (1.0 in 32f).
 * LSP: cosines in Q15, decreasing. LSF: Q13 radians (0..25736), increasing. MA predictor memory:
 * 40 values, the newest residual vector first (elements 0..9), the caller initialises it (G.729
 * uses the LSFs pi*(j+1)/11 in every row: 2339, 4679, ... 23396 in Q13; 0.285599 .. 2.855993 in
 * 32f). A G.729 coder starts its previous LSPs at 30000, 26000, 21000, 15000, 8000, 0, -8000,
 * -15000, -21000, -26000 (Q15). No buffer reads history at negative offsets. */
#ifndef VOKSC_G729_LP_H
#define VOKSC_G729_LP_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque Annex E hybrid-window states: 124 bytes used at the address given (no alignment
 * needed), holding no addresses: a memcpy of the block to any address continues the stream. */
typedef struct VokWinHybridState_G729E_16s VokWinHybridState_G729E_16s;
typedef struct VokWinHybridState_G729E_32f VokWinHybridState_G729E_32f;

/* Lag_window: pSrcDst[k] (autocorrelation lag k+1) times the G.729 lag window, k < len <= 12. */
VOKSC_API VokStatus voksLagWindow_G729_32s_I(Vok32s* pSrcDst, int len);
/* Levinson (G.729, Annex E limits) for order 1..30 on r[0..order]; writes a[0..order],
 * rc[0..order-1] and *pErr, the high half of the normalised final prediction error;
 * vokStatusOverflow writes nothing (r[0] below 0x10000 or an unstable filter: keep the
 * previous coefficients). */
VOKSC_API VokStatus voksLevinsonDurbin_G729_32s16s(const Vok32s* pSrcAutoCorr, int order, Vok16s* pDstLpc,
                                                   Vok16s* pDstRc, Vok16s* pErr);
/* levinson of the floating-point G.729 for any order >= 1: a[0..order], rc[0..order-1], *pErr. */
VOKSC_API VokStatus voksLevinsonDurbin_G729_32f(const Vok32f* pSrcAutoCorr, int order, Vok32f* pDstLpc,
                                                Vok32f* pDstRc, Vok32f* pErr);
/* Az_lsp on the G.729 grid (60 intervals): pDstLsp[10] from a[0..10]; the previous LSPs when fewer
 * than 10 roots are found. */
VOKSC_API VokStatus voksLPCToLSP_G729_16s(const Vok16s* pSrcLpc, const Vok16s* pSrcPrevLsp, Vok16s* pDstLsp);
/* Az_lsp of G.729 Annex A (50 intervals, 2 bisections). */
VOKSC_API VokStatus voksLPCToLSP_G729A_16s(const Vok16s* pSrcLpc, const Vok16s* pSrcPrevLsp, Vok16s* pDstLsp);
/* az_lsp of the floating-point G.729 (60 intervals, 4 bisections). */
VOKSC_API VokStatus voksLPCToLSP_G729_32f(const Vok32f* pSrcLpc, const Vok32f* pSrcPrevLsp, Vok32f* pDstLsp);
/* az_lsp of the floating-point G.729 Annex A (50 intervals, 2 bisections). */
VOKSC_API VokStatus voksLPCToLSP_G729A_32f(const Vok32f* pSrcLpc, const Vok32f* pSrcPrevLsp, Vok32f* pDstLsp);
/* Lsp_Az: a[0..10] from LSP[10]. */
VOKSC_API VokStatus voksLSPToLPC_G729_16s(const Vok16s* pSrcLsp, Vok16s* pDstLpc);
/* lsp_az of the floating-point G.729. */
VOKSC_API VokStatus voksLSPToLPC_G729_32f(const Vok32f* pSrcLsp, Vok32f* pDstLpc);
/* Lsf_lsp2: LSP[10] from Q13 LSF[10]; negative LSFs 0..7 act as 0, a negative LSF 8 or 9 stops
 * with vokStatusLsfDomain after writing the elements before it. */
VOKSC_API VokStatus voksLSFToLSP_G729_16s(const Vok16s* pSrcLsf, Vok16s* pDstLsp);
/* Lsp_lsf2: Q13 LSF[10] from LSP[10]. */
VOKSC_API VokStatus voksLSPToLSF_G729_16s(const Vok16s* pSrcLsp, Vok16s* pDstLsf);
/* Lsp_lsf: normalised Q15 LSF[10] (fraction of the sampling rate) from LSP[10]. */
VOKSC_API VokStatus voksLSPToLSF_Norm_G729_16s(const Vok16s* pSrcLsp, Vok16s* pDstLsf);
/* dst[n] = sat16((src1[n] >> 1) + (src2[n] >> 1)), n < len (in place allowed). */
VOKSC_API VokStatus voksInterpolate_G729_16s(const Vok16s* pSrc1, const Vok16s* pSrc2, Vok16s* pDst, int len);
/* dst[n] = sat16((src1[n]*c1 >> sf) + (src2[n]*c2 >> sf)), each product truncated separately. */
VOKSC_API VokStatus voksInterpolateC_G729_16s_Sfs(const Vok16s* pSrc1, Vok16s c1, const Vok16s* pSrc2, Vok16s c2,
                                                  Vok16s* pDst, int len, int scaleFactor);
/* dst[n] = sat16((src1[n]*c1 + src2[n]*c2 + 2^(sf-1)) >> sf), the sum modulo 2^32. */
VOKSC_API VokStatus voksInterpolateC_NR_G729_16s_Sfs(const Vok16s* pSrc1, Vok16s c1, const Vok16s* pSrc2,
                                                     Vok16s c2, Vok16s* pDst, int len, int scaleFactor);
/* dst[n] = c1*src1[n] + c2*src2[n] (the first product fused onto the rounded second). */
VOKSC_API VokStatus voksInterpolateC_G729_32f(const Vok32f* pSrc1, const Vok32f* pSrc2, Vok32f* pDst, int len,
                                              Vok32f c1, Vok32f c2);
/* Lsp_qua_cs: Q13 LSF[10] -> indices {mode, L1, L2, L3}, quantised LSF[10]; shifts pMem[40];
 * returns the stability warnings of the decoding (13, 14, 15). */
VOKSC_API VokStatus voksLSFQuant_G729_16s(const Vok16s* pSrcLsf, Vok16s* pMem, Vok16s* pDstQLsf,
                                          Vok16s* pDstIndex);
/* Qua_lsp: LSP[10] -> quantised LSP[10] and packed indices {(mode<<7)|L1, (L2<<5)|L3}; shifts pMem. */
VOKSC_API VokStatus voksLSPQuant_G729_16s(const Vok16s* pSrcLsp, Vok16s* pMem, Vok16s* pDstQLsp,
                                          Vok16s* pDstIndex);
/* Qua_lspe (Annex E): as voksLSPQuant_G729_16s but pMem is only read; the quantised residual goes to
 * pDstResidual[10], which the caller pushes into its memory when it keeps this frame's LSPs. */
VOKSC_API VokStatus voksLSPQuant_G729E_16s(const Vok16s* pSrcLsp, const Vok16s* pMem, Vok16s* pDstResidual,
                                           Vok16s* pDstQLsp, Vok16s* pDstIndex);
/* qua_lspe of the floating-point Annex E (LSF in radians, pMem[40] only read). */
VOKSC_API VokStatus voksLSPQuant_G729E_32f(const Vok32f* pSrcLsp, const Vok32f* pMem, Vok32f* pDstResidual,
                                           Vok32f* pDstQLsp, Vok16s* pDstIndex);
/* Lsp_iqua_cs (good frame): indices {mode 0..1, L1 0..127, L2 0..31, L3 0..31} -> Q13 LSF[10]; shifts
 * pMem; warnings 13/14/15 when the floor/ceiling corrections applied. */
VOKSC_API VokStatus voksLSFDecode_G729_16s(const Vok16s* pSrcIndex, Vok16s* pMem, Vok16s* pDstLsf);
/* lsp_iqua_cs of the floating-point G.729 (LSF in radians). */
VOKSC_API VokStatus voksLSFDecode_G729_32f(const int* pSrcIndex, Vok32f* pMem, Vok32f* pDstLsf);
/* Lsp_iqua_cs (erased frame): pushes the residual implied by the reused LSFs pSrcPrevLsf[10] into
 * pMem under the last good mode; writes only pMem. */
VOKSC_API VokStatus voksLSFDecodeErased_G729_16s(int prevMode, Vok16s* pMem, const Vok16s* pSrcPrevLsf);
/* Floating-point twin of voksLSFDecodeErased_G729_16s. */
VOKSC_API VokStatus voksLSFDecodeErased_G729_32f(int prevMode, Vok32f* pMem, const Vok32f* pSrcPrevLsf);
/* Writes the hybrid-window state size, 124 bytes. */
VOKSC_API VokStatus voksWinHybridGetStateSize_G729E_16s(int* pSize);
/* Writes the hybrid-window state size, 124 bytes. */
VOKSC_API VokStatus voksWinHybridGetStateSize_G729E_32f(int* pSize);
/* Zeroes the 31 recursive autocorrelation values. */
VOKSC_API VokStatus voksWinHybridInit_G729E_16s(VokWinHybridState_G729E_16s* pState);
/* Zeroes the 31 recursive autocorrelation values. */
VOKSC_API VokStatus voksWinHybridInit_G729E_32f(VokWinHybridState_G729E_32f* pState);
/* autocorr_hyb_window (Annex E): r[0..30] from the 145 samples pSrc[0..144] (oldest first). */
VOKSC_API VokStatus voksWinHybrid_G729E_16s32s(const Vok16s* pSrc, Vok32s* pDst, VokWinHybridState_G729E_16s* pState);
/* Floating-point twin of voksWinHybrid_G729E_16s32s. */
VOKSC_API VokStatus voksWinHybrid_G729E_32f(const Vok32f* pSrc, Vok32f* pDst, VokWinHybridState_G729E_32f* pState);

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_G729_LP_H */

/* voksc: G.722.1 transforms and region coder. Included by voksc.h. */
#ifndef VOKSC_G7221_H
#define VOKSC_G7221_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Frame length N: 320 (7 kHz, 16 kHz sampling) or 640 (14 kHz, 32 kHz sampling). An encoder frame
 * is DecomposeMLTToDCT then DCTFwd; a decoder frame DCTInv then DecomposeDCTToMLT. Scaling the
 * windowed frame before DCTFwd and the DCTInv output before DecomposeDCTToMLT is the caller's. */

/* Windows and folds the N new samples pSrc with the previous frame pHistory (N, zeros at the start)
 * into the N inputs of the forward DCT; pHistory becomes pSrc. pDst aliases neither. */
VOKSC_API VokStatus voksDecomposeMLTToDCT_G7221_16s(const Vok16s* pSrc, Vok16s* pHistory, Vok16s* pDst,
                                                    int len);
/* The same for N = 320. */
VOKSC_API VokStatus voksDecomposeMLTToDCT_G722_16s(const Vok16s* pSrc, Vok16s* pHistory, Vok16s* pDst);
/* Forward type-IV DCT of the fixed-point reference (the bias table added to a 320-point input);
 * pSrc and pDst may be the same buffer. */
VOKSC_API VokStatus voksDCTFwd_G7221_16s(const Vok16s* pSrc, Vok16s* pDst, int len);
/* The same for N = 320. */
VOKSC_API VokStatus voksDCTFwd_G722_16s(const Vok16s* pSrc, Vok16s* pDst);
/* Inverse type-IV DCT of the fixed-point reference (the bias table added to a 320-point output);
 * pSrc and pDst may be the same buffer. */
VOKSC_API VokStatus voksDCTInv_G7221_16s(const Vok16s* pSrc, Vok16s* pDst, int len);
/* The same for N = 320. */
VOKSC_API VokStatus voksDCTInv_G722_16s(const Vok16s* pSrc, Vok16s* pDst);
/* Windows the N inverse-DCT outputs pSrc with the overlap pOverlap (N/2, zeros at the start) into N
 * output samples; pOverlap becomes the second half of pSrc. pDst aliases neither. */
VOKSC_API VokStatus voksDecomposeDCTToMLT_G7221_16s(const Vok16s* pSrc, Vok16s* pOverlap, Vok16s* pDst,
                                                    int len);
/* The same for N = 320. */
VOKSC_API VokStatus voksDecomposeDCTToMLT_G722_16s(const Vok16s* pSrc, Vok16s* pOverlap, Vok16s* pDst);
/* Quantises the 20 coefficients of one region in category 0..6 at power index 0..63 and writes
 * their Huffman codes and sign bits MSB first into ceil(bits / 32) words of pDst (at most 6) and
 * the bit count into pBitCount. Out-of-range category or index: vokStatusScaleFactor. */
VOKSC_API VokStatus voksHuffmanEncode_G722_16s32u(int category, int powerIndex, const Vok16s* pSrc,
                                                  Vok32u* pDst, Vok32u* pBitCount);

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_G7221_H */

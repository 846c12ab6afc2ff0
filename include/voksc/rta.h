/* voksc: real-time audio codec front end (band split, pre-filters, LP recursion). Included by
 * voksc.h. */
#ifndef VOKSC_RTA_H
#define VOKSC_RTA_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Two-band QMF state: a caller-allocated block of 208 bytes used at the address given (no
 * alignment needed). It holds no addresses: a memcpy of the whole block to any address
 * continues the stream. One state serves one direction. */
typedef struct VokQMFState_RTA_32f VokQMFState_RTA_32f;

/* Writes the QMF state size in bytes (208). */
VOKSC_API VokStatus voksQMFGetStateSize_RTA_32f(int* pSize);
/* Resets a QMF state for a 48- or 24-tap prototype. */
VOKSC_API VokStatus voksQMFInit_RTA_32f(VokQMFState_RTA_32f* pState, int taps);
/* Splits len samples (even, 2..640) into len/2 low-band and len/2 high-band samples. */
VOKSC_API VokStatus voksQMFEncode_RTA_32f(const Vok32f* pSrc, int len, Vok32f* pDstLow, Vok32f* pDstHigh,
                                          VokQMFState_RTA_32f* pState);
/* Merges len samples of each band (1..320) into 2*len samples. */
VOKSC_API VokStatus voksQMFDecode_RTA_32f(const Vok32f* pSrcLow, const Vok32f* pSrcHigh, int len,
                                          Vok32f* pDst, VokQMFState_RTA_32f* pState);
/* DC-removal high-pass of len >= 1 samples: order 4 (third-order IIR; state of 6 values) at
 * 16000, 22050 or 32000 Hz, and at 8000 Hz for even len only (the 32000 Hz set; an odd len
 * returns vokStatusNothingDone), or order 5 (lattice; state of 5 values) at 8000, 16000, 22050
 * or 32000 Hz. The caller zeroes the state before the first call. pDst may equal pSrc. */
VOKSC_API VokStatus voksHighPassFilter_RTA_32f(const Vok32f* pSrc, Vok32f* pDst, int len, int order,
                                               int sampleRate, Vok32f* pState);
/* Band-shaping filter with gain restoration, in place, len 1..640; the caller zeroes the
 * 3-value state before the first call. */
VOKSC_API VokStatus voksBandPassFilter_RTA_32f_I(Vok32f* pSrcDst, int len, Vok32f* pState);
/* Levinson-Durbin recursion of order 1..16 on r[0..order]: pLPC receives a[1..order] of
 * 1 + sum a[j] z^-j, pRC the reflection coefficients. An unstable or degenerate input returns
 * vokStatusOverflow with the coefficients of the last completed order in pLPC and, in pRC, the
 * reflection coefficients found, the last entry being the failing one (at orders above 1 the
 * failing numerator itself). */
VOKSC_API VokStatus voksLevinsonDurbin_RTA_32f(const Vok32f* pAutoCorr, Vok32f* pLPC, Vok32f* pRC, int order);

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_RTA_H */

/* voksc: 2100 Hz answer-tone detection with phase reversals. Included by voksc.h. */
#ifndef VOKSC_EC_TONE_H
#define VOKSC_EC_TONE_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Tone-detector states: caller-allocated blocks of the size the size queries report (80 and
 * 72 bytes), laid out from the first 16-byte boundary of the block. They hold no addresses: a
 * memcpy of the whole block continues the stream at the same address modulo 16. */
typedef struct VokToneDetectState_32f VokToneDetectState_32f;
typedef struct VokToneDetectState_16s VokToneDetectState_16s;

/* Writes the state size in bytes (80) for a sampling rate fs of 8000 or 16000 Hz. */
VOKSC_API VokStatus voksToneDetectGetStateSize_EC_32f(int fs, int* pSize);
/* Writes the state size in bytes (72) for a sampling rate fs of 8000 or 16000 Hz. */
VOKSC_API VokStatus voksToneDetectGetStateSize_EC_16s(int fs, int* pSize);
/* Resets a detector for fs = 8000 or 16000 Hz. */
VOKSC_API VokStatus voksToneDetectInit_EC_32f(VokToneDetectState_32f* pState, int fs);
VOKSC_API VokStatus voksToneDetectInit_EC_16s(VokToneDetectState_16s* pState, int fs);
/* Runs len >= 1 samples through the detector; *pResult is 1 when a second phase reversal at
 * 413..466 ms spacing was counted in this call, else 0. */
VOKSC_API VokStatus voksToneDetect_EC_32f(const Vok32f* pSrc, int len, int* pResult,
                                          VokToneDetectState_32f* pState);
VOKSC_API VokStatus voksToneDetect_EC_16s(const Vok16s* pSrc, int len, int* pResult,
                                          VokToneDetectState_16s* pState);

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_EC_TONE_H */

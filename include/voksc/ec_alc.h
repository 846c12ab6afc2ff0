/* voksc: G.169 automatic level control. Included by voksc.h. */
#ifndef VOKSC_EC_ALC_H
#define VOKSC_EC_ALC_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Level-control state: a caller-allocated block of 124 bytes used at the address given (no
 * alignment needed). It holds no addresses: a memcpy of the whole block to any address
 * continues the stream. */
typedef struct VokALCState_G169 VokALCState_G169;

/* Writes the state size in bytes (124). */
VOKSC_API VokStatus voksALCGetStateSize_G169_16s(int* pSize);
/* Resets the state: target level 26.1 dB and maximum level 0 dB below 32768, maximum gain
 * 11.6 dB. */
VOKSC_API VokStatus voksALCInit_G169_16s(VokALCState_G169* pState);
/* Sets the target level and the maximum output level, in dB (>= 0) below 32768. */
VOKSC_API VokStatus voksALCSetLevel_G169_16s(VokALCState_G169* pState, Vok32f targetLevel, Vok32f maxLevel);
/* Sets the maximum gain in dB (>= 0). */
VOKSC_API VokStatus voksALCSetGain_G169_16s(VokALCState_G169* pState, Vok32f maxGain);
/* Scales len samples (a multiple of 8, >= 8) in blocks of 8; pDst may equal pSrc. */
VOKSC_API VokStatus voksALC_G169_16s(const Vok16s* pSrc, Vok16s* pDst, int len, VokALCState_G169* pState);

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_EC_ALC_H */

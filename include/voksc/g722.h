/* voksc: G.722 sub-band ADPCM and QMF. Included by voksc.h. */
#ifndef VOKSC_G722_H
#define VOKSC_G722_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Sub-band ADPCM encoder and decoder states: caller-allocated blocks of the size the size
 * queries report (144 bytes), set up by the matching Init. A block may start at any address;
 * its 64 words are laid out from the block's first 16-byte boundary (the 144 bytes include the
 * slack). The states hold no addresses: a memcpy of the whole block continues the stream when
 * the destination has the same address modulo 16 as the source; elsewhere, run Init. The QMF
 * delay lines and the high-band filter memory are plain words: copies anywhere continue. */
typedef struct VokG722EncodeState VokG722EncodeState;
typedef struct VokG722DecodeState VokG722DecodeState;

/* Sub-band buffers interleave (lower, higher) pairs; code buffers interleave (ILOW 0..63,
 * IHIGH 0..3) pairs, one code per 16-bit element. Lengths count 16-bit elements. */

/* Writes the encoder state size in bytes (144). */
VOKSC_API VokStatus voksSBADPCMEncodeStateSize_G722_16s(int* pSize);
/* Writes the decoder state size in bytes (144). */
VOKSC_API VokStatus voksSBADPCMDecodeStateSize_G722_16s(int* pSize);
/* Sets an encoder state to its initial values (also the reset). */
VOKSC_API VokStatus voksSBADPCMEncodeInit_G722_16s(VokG722EncodeState* pState);
/* Sets a decoder state to its initial values (also the reset). */
VOKSC_API VokStatus voksSBADPCMDecodeInit_G722_16s(VokG722DecodeState* pState);
/* Encodes len/2 sub-band sample pairs into (ILOW, IHIGH) code pairs; len even and >= 2. */
VOKSC_API VokStatus voksSBADPCMEncode_G722_16s(const Vok16s* pSrc, Vok16s* pDst, int len,
                                               VokG722EncodeState* pState);
/* Decodes len/2 code pairs into sub-band sample pairs; mode 1 = 64, 2 = 56, other = 48 kbit/s. */
VOKSC_API VokStatus voksSBADPCMDecode_G722_16s(const Vok16s* pSrc, Vok16s* pDst, int len, Vok16s mode,
                                               VokG722DecodeState* pState);
/* Transmit QMF: len 16 kHz samples into len/2 sub-band pairs; pDelay holds 24 zeroed words. */
VOKSC_API VokStatus voksQMFEncode_G722_16s(const Vok16s* pSrc, Vok16s* pDst, int len, Vok16s* pDelay);
/* Receive QMF: len/2 sub-band pairs into len 16 kHz samples; pDelay holds 24 zeroed words. */
VOKSC_API VokStatus voksQMFDecode_G722_16s(const Vok16s* pSrc, Vok16s* pDst, int len, Vok16s* pDelay);
/* Rewrites the lower-band decoder memory after a concealed frame from the two last lower-band
 * samples pLow[0] (older), pLow[1] (newer) and the estimate; reset != 0 resets step sizes. */
VOKSC_API VokStatus voksSBADPCMDecodeStateUpdate_G722_16s(const Vok16s* pLow, Vok16s estimate, Vok32s reset,
                                                          VokG722DecodeState* pState);
/* 9-tap low-pass and decimation by 4: writes len/4 samples; pSrc[-5..-1] must be readable. */
VOKSC_API VokStatus voksDownsampleFilter_G722_16s(const Vok16s* pSrc, int len, Vok16s* pDst);
/* First-order high-pass in place on the higher-band elements of a sub-band buffer; pMem
 * holds two caller-zeroed words. */
VOKSC_API VokStatus voksFilterHighband_G722_16s_I(Vok16s* pSrcDst, int len, Vok16s* pMem);
/* Frame-class correction from the decoder's scale factors and limiting of samples that jump
 * above the level one period earlier; period 0..143, pSrcDst[-2..] readable. */
VOKSC_API VokStatus voksClassifyFrame_G722_16s_I(Vok16s* pSrcDst, Vok16s period, Vok32s* pClass,
                                                 const VokG722DecodeState* pState);

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_G722_H */

/* voksc: G.726 ADPCM. Included by voksc.h. */
#ifndef VOKSC_G726_H
#define VOKSC_G726_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* G.726 encoder and decoder states: caller-allocated blocks of the size the size queries
 * report (88 and 92 bytes), set up by the matching Init and used at the address given (no
 * alignment needed). The blocks hold no addresses: a memcpy of the whole block to any address
 * continues the stream. */
typedef struct VokG726EncodeState VokG726EncodeState;
typedef struct VokG726DecodeState VokG726DecodeState;

/* Decoder output laws. */
enum {
    vokG726LawMu = 0,    /* G.711 mu-law codes, with synchronous coding adjustment */
    vokG726LawA = 1,     /* G.711 A-law codes, with synchronous coding adjustment */
    vokG726LawLinear = 2 /* 14-bit uniform PCM, -8192..8191 */
};

/* Writes the encoder state size in bytes (88). */
VOKSC_API VokStatus voksEncodeGetStateSize_G726_16s8u(int* pSize);
/* Writes the decoder state size in bytes (92). */
VOKSC_API VokStatus voksDecodeGetStateSize_G726_8u16s(int* pSize);
/* Resets an encoder state for a rate: vokRate16000, vokRate24000, vokRate32000, vokRate40000. */
VOKSC_API VokStatus voksEncodeInit_G726_16s8u(VokG726EncodeState* pState, VokSpeechRate rate);
/* Resets a decoder state for a rate (as above) and an output law (vokG726Law*). */
VOKSC_API VokStatus voksDecodeInit_G726_8u16s(VokG726DecodeState* pState, VokSpeechRate rate,
                                              int law);
/* Encodes len 14-bit samples (-8192..8191; others are limited to that range) into one code
 * per byte, 2 to 5 bits by rate; len >= 1. */
VOKSC_API VokStatus voksEncode_G726_16s8u(VokG726EncodeState* pState, const Vok16s* pSrc,
                                          Vok8u* pDst, int len);
/* Decodes len codes (only the low 2 to 5 bits of each byte are read) into 14-bit samples or
 * G.711 codes 0..255, by the state's law; len >= 1. */
VOKSC_API VokStatus voksDecode_G726_8u16s(VokG726DecodeState* pState, const Vok8u* pSrc,
                                          Vok16s* pDst, int len);

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_G726_H */

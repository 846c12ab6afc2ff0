/* voksc: element types, status codes, rate codes and the export macro.
 *
 * Conventions of every header. Names read voks<Operation>[_<codec>]_<element types>, with _NR
 * for rounded scaling, _I for in place and _Sfs for a scale factor. A state-based operation
 * comes with a size query, which writes the bytes to allocate into its one int* argument
 * (<Operation>GetStateSize_...), and an Init that sets the block up. Most operations take
 * sources, then destinations, lengths and value arguments (a scale factor last of these), and a
 * state block last. Some names and argument orders are fixed by the established interface the
 * library stays compatible with, and keep their form: the G.722 size queries end in StateSize
 * and the G.729 high-pass query in Size, the G.726 coders take the state first, and a gain or
 * weighting factor keeps its fixed place (mostly before the buffers in fixed-point operations,
 * after them in floating-point ones).
 *
 * State blocks. A state whose layout needs alignment is laid out from the first 16-byte
 * boundary of the caller's block (its size includes the slack); any other state is used at the
 * address given. No state holds an address, so a memcpy of the whole block continues a stream
 * when the destination has the same address modulo 16, or at any address where the layout
 * needs no alignment. Each header says which kind its states are. */
#ifndef VOKSC_TYPES_H
#define VOKSC_TYPES_H

#include <stdint.h>

#if defined(_WIN32)
#define VOKSC_API __declspec(dllimport)
#elif defined(__GNUC__)
#define VOKSC_API __attribute__((visibility("default")))
#else
#define VOKSC_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint8_t Vok8u;
typedef int8_t Vok8s;
typedef uint16_t Vok16u;
typedef int16_t Vok16s;
typedef uint32_t Vok32u;
typedef int32_t Vok32s;
typedef uint64_t Vok64u;
typedef int64_t Vok64s;
typedef float Vok32f;
typedef double Vok64f;
typedef struct { Vok32s re, im; } Vok32sc;
typedef struct { Vok32f re, im; } Vok32fc;

/* Every operation but the version query returns a status: 0 success, > 0 warning (outputs
 * valid), < 0 error (a failed argument check leaves every output untouched). */
typedef enum VokStatusCode {
    vokStatusLsfFloorCeiling = 15, /* both LSF corrections of 13 and 14 were applied */
    vokStatusLsfCeiling = 14,      /* highest decoded LSF lowered to its ceiling */
    vokStatusLsfFloor = 13,        /* lowest decoded LSF raised to its floor */
    vokStatusOverflow = 12,        /* a result saturated or the input energy is out of range */
    vokStatusNothingDone = 1,      /* valid but unhandled argument combination; nothing written */
    vokStatusOk = 0,
    vokStatusInnerFailure = -2,    /* an internal transform step failed */
    vokStatusBadArg = -5,          /* argument outside its allowed set */
    vokStatusSize = -6,            /* length, order or count out of range */
    vokStatusRange = -7,           /* value argument out of its numeric range */
    vokStatusNullPtr = -8,         /* a required pointer is null */
    vokStatusNoMemory = -9,        /* a temporary work buffer could not be allocated */
    vokStatusParamRange = -11,     /* codec parameter outside what the standard allows */
    vokStatusLsfDomain = -12,      /* normalised LSF outside the cosine table */
    vokStatusScaleFactor = -13,    /* scale factor outside its allowed range */
    vokStatusWrongContext = -17,   /* state not initialised by the matching Init */
    vokStatusRootsMissing = -114,  /* LPC-to-LSP root search found too few roots */
    vokStatusIllConditioned = -117, /* Levinson recursion broke down at a low order */
    vokStatusSubbandLength = -119  /* sub-band bin count outside 1..4097 */
} VokStatus;

/* Bit-rate codes shared by every rate-dependent operation. */
typedef enum VokSpeechRateCode {
    vokRate4750 = 0,
    vokRate5150 = 1,
    vokRate5300 = 2,
    vokRate5900 = 3,
    vokRate6300 = 4,
    vokRate6600 = 5,
    vokRate6700 = 6,
    vokRate7400 = 7,
    vokRate7950 = 8,
    vokRate8850 = 9,
    vokRate9600 = 10,
    vokRate10200 = 11,
    vokRate12200 = 12,
    vokRate12650 = 13,
    vokRate12800 = 14,
    vokRate14250 = 15,
    vokRate15850 = 16,
    vokRate16000 = 17,
    vokRate18250 = 18,
    vokRate19850 = 19,
    vokRate23050 = 20,
    vokRate23850 = 21,
    vokRate24000 = 22,
    vokRate32000 = 23,
    vokRate40000 = 24,
    vokRateDTX = 25 /* silence-descriptor frame */
} VokSpeechRate;

/* The constant version record. */
typedef struct VokLibraryVersion {
    Vok32s major;
    Vok32s minor;
    Vok32s patch;
    Vok32s revision;
    char cpuCode[4];
    const char* name;
    const char* version;
    const char* buildDate;
} VokLibraryVersion;

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_TYPES_H */

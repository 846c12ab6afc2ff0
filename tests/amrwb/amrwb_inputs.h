/* Seeded inputs of the AMR-WB golden data: the reference runs that produced tests/data/amrwb
 * drew every input from these generators (plain C, so the same file drives both sides). Any
 * change invalidates the stored digests. */
#ifndef VOKSC_TESTS_AMRWB_AMRWB_INPUTS_H
#define VOKSC_TESTS_AMRWB_AMRWB_INPUTS_H

#include <stdint.h>

typedef struct {
    uint32_t s;
    const int16_t* speech; /* tests/data/amrwb/speech.s16 */
    int speech_len;
} AwGen;

static uint32_t aw_next(AwGen* g) {
    g->s ^= g->s << 13;
    g->s ^= g->s >> 17;
    g->s ^= g->s << 5;
    return g->s;
}
/* 0 .. n-1 */
static int aw_below(AwGen* g, int n) {
    return (int)(aw_next(g) % (uint32_t)n);
}
/* Any 16-bit value, with a random magnitude (right shift 0..15) so small values are common. */
static int16_t aw_any(AwGen* g) {
    int16_t v = (int16_t)(aw_next(g) >> 16);
    return (int16_t)(v >> aw_below(g, 16));
}
/* n samples: speech scaled by 2^(k-2) with saturation (k = 0..5), plain random, a full-scale
 * square wave, or zeros; chosen by `kind` modulo 6. */
static void aw_signal(AwGen* g, int16_t* x, int n, int kind) {
    int i, pos = aw_below(g, g->speech_len - n), k = aw_below(g, 6);
    for (i = 0; i < n; i++) {
        int32_t v = 0;
        switch (kind % 6) {
            case 0:
            case 1:
            case 2:
                v = k >= 2 ? (int32_t)g->speech[pos + i] * (1 << (k - 2)) : g->speech[pos + i] >> (2 - k);
                break;
            case 3:
                v = aw_any(g);
                break;
            case 4:
                v = (i / (1 + k)) & 1 ? -32768 : 32767;
                break;
            default:
                v = 0;
                break;
        }
        x[i] = (int16_t)(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
    }
}
/* n ISFs: increasing realistic vectors (kind 0), any values in the table's domain (kind 1) or
 * the domain's ends (kind 2); the last one at half scale. */
static void aw_isf(AwGen* g, int16_t* isf, int n, int kind) {
    int i, f = aw_below(g, 400);
    for (i = 0; i < n; i++) {
        if (kind == 0) {
            f += 128 + aw_below(g, 1100);
            isf[i] = (int16_t)(f > 16383 ? 16383 : f);
        } else if (kind == 1) {
            isf[i] = (int16_t)aw_below(g, 16384);
        } else {
            isf[i] = (int16_t)(aw_below(g, 2) ? 16383 : 0);
        }
    }
    isf[n - 1] = (int16_t)(kind == 0 ? aw_below(g, 8192) : isf[n - 1] >> 1);
}

#endif /* VOKSC_TESTS_AMRWB_AMRWB_INPUTS_H */

#ifndef VOKSC_TESTS_AMRWB_AMRWB_CODE_H
#define VOKSC_TESTS_AMRWB_AMRWB_CODE_H
/* A 64-sample Q9 code vector: 1..24 pulses of +-512 (kind 0), random values (1) or zeros (2). */
static void aw_code(AwGen* g, int16_t* code, int kind) {
    int i, n = 1 + aw_below(g, 24);
    for (i = 0; i < 64; i++) code[i] = kind == 1 ? aw_any(g) : 0;
    if (kind == 0)
        for (i = 0; i < n; i++) code[aw_below(g, 64)] += (int16_t)(aw_below(g, 2) ? 512 : -512);
}
#endif

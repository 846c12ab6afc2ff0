/* Inputs of the G.729 linear-prediction golden tests. Plain C (also compiled as C++) so that the
 * program that ran the reference routines produced exactly the same inputs: a splitmix64
 * generator, test signals, and a normalised autocorrelation of 240-sample frames.
 *
 * Golden files: u32 magic "GLD1", u32 record count, u32 record bytes, u32 stored records, u64
 * FNV-1a digest of all records, then the first `stored` records. */
#ifndef VOKSC_TESTS_G729_LP_GOLDEN_GEN_H
#define VOKSC_TESTS_G729_LP_GOLDEN_GEN_H

#include <stdint.h>

typedef struct GgRng {
    uint64_t s;
} GgRng;

static inline uint64_t gg_next(GgRng* r) {
    uint64_t z = (r->s += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

/* Uniform in lo..hi inclusive. */
static inline int32_t gg_range(GgRng* r, int32_t lo, int32_t hi) {
    return (int32_t)((int64_t)lo + (int64_t)(gg_next(r) % (uint64_t)((int64_t)hi - lo + 1)));
}

static inline uint64_t gg_fnv(uint64_t h, const void* p, int n) {
    const uint8_t* b = (const uint8_t*)p;
    int i;
    for (i = 0; i < n; ++i) h = (h ^ b[i]) * 0x100000001B3ull;
    return h;
}
#define GG_FNV_INIT 0xCBF29CE484222325ull

/* Test signals of n samples: 0 white full scale, 1 narrow resonance (near-singular
 * autocorrelation), 2 two sinusoids, 3 low-level noise, 4 alternating extremes with noise. */
static inline void gg_signal(GgRng* r, int kind, int16_t* x, int n) {
    int i;
    int32_t y1 = 0, y2 = 0;
    const int32_t a1 = gg_range(r, -32000, 32000), a2 = gg_range(r, 28000, 32700);
    const int32_t p1 = gg_range(r, 3, 60), p2 = gg_range(r, 3, 60);
    for (i = 0; i < n; ++i) {
        int32_t v;
        switch (kind) {
            case 0: v = gg_range(r, -32768, 32767); break;
            case 1: {
                /* y = e + 2 rho cos(w) y1 - rho^2 y2 with rho^2 = a2 / 32768 (Q15) */
                int64_t t = (int64_t)gg_range(r, -200, 200) * 64 + (((int64_t)a1 * 2 * y1) >> 15) -
                            (((int64_t)a2 * y2) >> 15);
                if (t > 32767) t = 32767;
                if (t < -32768) t = -32768;
                y2 = y1;
                y1 = (int32_t)t;
                v = y1;
                break;
            }
            case 2: v = ((i % p1) * 2 < p1 ? 12000 : -12000) + ((i % p2) * 2 < p2 ? 8000 : -8000); break;
            case 3: v = gg_range(r, -40, 40); break;
            default: v = (i & 1 ? 32767 : -32768) + gg_range(r, -3, 3); break;
        }
        if (v > 32767) v = 32767;
        if (v < -32768) v = -32768;
        x[i] = (int16_t)v;
    }
}

/* Normalised autocorrelation r[0..order] (order <= 30) of 240 samples with a triangular window:
 * e = 1 + 2 sum y^2 (y scaled down by 4 while e does not fit 31 bits), shifted left until
 * e >= 2^30; r[k] = 2 sum y[i] y[i+k] with the same shift. */
static inline void gg_autocorr(const int16_t* x, int order, int32_t* r) {
    int16_t y[240];
    int64_t e;
    int i, k, norm = 0;
    for (i = 0; i < 240; ++i) {
        const int32_t w = (i < 120 ? i + 1 : 240 - i) * 273;
        y[i] = (int16_t)(((int32_t)x[i] * w) >> 15);
    }
    for (;;) {
        e = 1;
        for (i = 0; i < 240; ++i) e += 2 * (int64_t)y[i] * y[i];
        if (e <= 0x7FFFFFFF) break;
        for (i = 0; i < 240; ++i) y[i] = (int16_t)(y[i] >> 2);
    }
    while ((e << norm) < 0x40000000) ++norm;
    r[0] = (int32_t)(e << norm);
    for (k = 1; k <= order; ++k) {
        int64_t s = 0;
        for (i = 0; i + k < 240; ++i) s += 2 * (int64_t)y[i] * y[i + k];
        r[k] = (int32_t)(s * ((int64_t)1 << norm));
    }
}

/* Frame f of a speech file: samples 80 f - 160 .. 80 f + 79 (zeros before the start). */
static inline void gg_frame(const int16_t* speech, int total, int f, int16_t* x) {
    int i;
    for (i = 0; i < 240; ++i) {
        const int n = 80 * f - 160 + i;
        x[i] = n >= 0 && n < total ? speech[n] : 0;
    }
}

#endif /* VOKSC_TESTS_G729_LP_GOLDEN_GEN_H */

// The modulated lapped transform of G.722.1: windowing and folding in both directions and the
// fixed-point type-IV DCTs (split butterflies, 10-point core blocks, rotation butterflies), with
// the rounding and per-step saturation of the reference arithmetic.
#include <cstring>

#include "common/basicop.h"
#include "g7221/g7221_internal.h"
#include "g7221/g7221_tables.h"

namespace voks::g7221 {

namespace {

// Rounds sat32(2 * (a*x + b*y)) << shift to 16 bits, as an L_mac pair, an optional saturating
// left shift and a rounding extraction give it.
inline int16_t mac2_round(int16_t a, int16_t x, int16_t b, int16_t y, int shift) {
    const int64_t s = sat32(2 * (int64_t{a} * x + int64_t{b} * y));
    return round_fx(sat32(s << shift));
}

// Saturating L_mac chain of the 10-point core: out[k] = round(sum_i in[i] * core[i][k]).
void core_blocks(const int16_t* in, int16_t* out, const int16_t* core, int n) {
    for (int b = 0; b < n; b += 10) {
        for (int k = 0; k < 10; ++k) {
            int32_t acc = 0;
            for (int i = 0; i < 10; ++i) acc = L_mac(acc, in[b + i], core[i * 10 + k]);
            out[b + k] = round_fx(acc);
        }
    }
}

// Rotation butterflies from span 20 up to span n; the last stage writes out. shift is 0 for the
// forward transform and 1 for the inverse (its sums are doubled before rounding).
void rotations(int16_t* a, int16_t* b, int16_t* out, const int16_t* table, int n, int log_n, int shift) {
    int16_t* src = a;
    int16_t* dst = b;
    int stage = 0;
    for (int sc = log_n - 2; sc >= 0; --sc, ++stage) {
        const int span = n >> sc;
        int16_t* target = sc == 0 ? out : dst;
        for (int base = 0; base < n; base += span) {
            const int16_t* lo = src + base;
            const int16_t* hi = lo + span / 2;
            const int16_t* cs = table + 2 * kRotationOffset[stage];
            int16_t* olo = target + base;
            int16_t* ohi = target + base + span;
            for (int i = 0; i < span / 2; i += 2, cs += 4) {
                const int16_t ce = cs[0], me = cs[1], co = cs[2], mo = cs[3];
                *olo++ = mac2_round(ce, lo[i], negate(me), hi[i], shift);
                *--ohi = mac2_round(me, lo[i], ce, hi[i], shift);
                *olo++ = mac2_round(co, lo[i + 1], mo, hi[i + 1], shift);
                *--ohi = mac2_round(mo, lo[i + 1], negate(co), hi[i + 1], shift);
            }
        }
        int16_t* t = src;
        src = dst;
        dst = t;
    }
}

}  // namespace

void window_analysis(const int16_t* s, int16_t* h, int16_t* out, int n) {
    const int16_t* w = n == 320 ? kWindowAnalysis320 : kWindowAnalysis640;
    const int half = n / 2;
    for (int j = 0; j < half; ++j)
        out[j] = mac2_round(w[half - 1 - j], h[half - 1 - j], w[half + j], h[half + j], 0);
    for (int j = 0; j < half; ++j)
        out[half + j] = mac2_round(w[n - 1 - j], s[j], negate(w[j]), s[n - 1 - j], 0);
    std::memmove(h, s, sizeof(int16_t) * n);
}

void window_synthesis(const int16_t* t, int16_t* o, int16_t* out, int n) {
    const int16_t* w = n == 320 ? kWindowSynthesis320 : kWindowSynthesis640;
    const int half = n / 2;
    for (int j = 0; j < half; ++j) out[j] = mac2_round(w[j], t[half - 1 - j], w[n - 1 - j], o[j], 2);
    for (int j = 0; j < half; ++j)
        out[half + j] = mac2_round(w[half + j], t[j], negate(w[half - 1 - j]), o[half - 1 - j], 2);
    std::memmove(o, t + half, sizeof(int16_t) * half);
}

void dct_forward(const int16_t* in, int16_t* out, int n) {
    const int log_n = n == 320 ? 6 : 7;
    int16_t a[kMaxLength], b[kMaxLength];
    for (int i = 0; i < n; ++i) a[i] = n == 320 ? add(in[i], kAnalysisBias[i]) : in[i];
    // Sum/difference butterflies: each set of span values splits into halves of (x+y)/2 and
    // (x-y)/2, the differences stored in reverse order.
    int16_t* src = a;
    int16_t* dst = b;
    for (int sc = 0; sc <= log_n - 2; ++sc) {
        const int span = n >> sc;
        const int16_t* p = src;
        for (int base = 0; base < n; base += span) {
            int16_t* lo = dst + base;
            int16_t* hi = dst + base + span;
            for (int i = 0; i < span / 2; ++i, p += 2) {
                *lo++ = static_cast<int16_t>((int32_t{p[0]} + p[1]) >> 1);
                *--hi = static_cast<int16_t>((int32_t{p[0]} - p[1]) >> 1);
            }
        }
        int16_t* t = src;
        src = dst;
        dst = t;
    }
    core_blocks(src, dst, kCoreAnalysis, n);
    rotations(dst, src, out, kCosMsinAnalysis, n, log_n, 0);
}

void dct_inverse(const int16_t* in, int16_t* out, int n) {
    const int log_n = n == 320 ? 6 : 7;
    const int16_t* dither = n == 320 ? kDither320 : kDither640;
    int16_t a[kMaxLength], b[kMaxLength];
    // First split with the dither added to every first operand and halving; the later splits
    // add and subtract without halving (the difference through a saturated negation).
    for (int i = 0; i < n / 2; ++i) {
        const int16_t x = in[2 * i], y = in[2 * i + 1];
        a[i] = static_cast<int16_t>((int32_t{add(x, dither[2 * i])} + y) >> 1);
        a[n - 1 - i] = static_cast<int16_t>((int32_t{add(x, dither[2 * i + 1])} - y) >> 1);
    }
    int16_t* src = a;
    int16_t* dst = b;
    for (int sc = 1; sc <= log_n - 2; ++sc) {
        const int span = n >> sc;
        const int16_t* p = src;
        for (int base = 0; base < n; base += span) {
            int16_t* lo = dst + base;
            int16_t* hi = dst + base + span;
            for (int i = 0; i < span / 2; ++i, p += 2) {
                *lo++ = add(p[0], p[1]);
                *--hi = add(p[0], negate(p[1]));
            }
        }
        int16_t* t = src;
        src = dst;
        dst = t;
    }
    core_blocks(src, dst, kCoreSynthesis, n);
    rotations(dst, src, out, kCosMsinSynthesis, n, log_n, 1);
    if (n == 320)
        for (int i = 0; i < n; ++i) out[i] = add(out[i], kSynthesisBias[i]);
}

}  // namespace voks::g7221

// The scalar G.722.1 kernels: windowing and folding in both directions and the fixed-point
// type-IV DCTs (splits, 10-point core blocks, rotation butterflies), with the rounding and
// per-step saturation of the reference arithmetic.
#include <cstring>

#include "g7221/g7221_dct.h"
#include "g7221/kernels.h"

namespace voks::g7221::scalar {

namespace {

// Rounds sat32(2 * (a*x + b*y)) << shift to 16 bits, as an L_mac pair, an optional saturating
// left shift and a rounding extraction give it.
inline int16_t mac2_round(int16_t a, int16_t x, int16_t b, int16_t y, int shift) {
    const int64_t s = sat32(2 * (int64_t{a} * x + int64_t{b} * y));
    return round_fx(sat32(s * (int64_t{1} << shift)));
}

// One rotation stage: each set of span values is rotated by the (cosine, minus sine) pairs from
// table pair `offset` on; Shift 0 forward, 1 inverse (its sums are doubled before rounding).
template <int Shift>
struct Rotation {
    const int16_t* table;
    int n;
    VOKS_SCALAR void operator()(const int16_t* src, int16_t* dst, int span, int offset) const {
        const int16_t* cs0 = table + 2 * offset;
        for (int base = 0; base < n; base += span) {
            const int16_t* lo = src + base;
            const int16_t* hi = lo + span / 2;
            const int16_t* cs = cs0;
            int16_t* olo = dst + base;
            int16_t* ohi = dst + base + span;
            for (int i = 0; i < span / 2; i += 2, cs += 4) {
                const int16_t ce = cs[0], me = cs[1], co = cs[2], mo = cs[3];
                *olo++ = mac2_round(ce, lo[i], negate(me), hi[i], Shift);
                *--ohi = mac2_round(me, lo[i], ce, hi[i], Shift);
                *olo++ = mac2_round(co, lo[i + 1], mo, hi[i + 1], Shift);
                *--ohi = mac2_round(mo, lo[i + 1], negate(co), hi[i + 1], Shift);
            }
        }
    }
};

VOKS_SCALAR void core_blocks(const int16_t* in, int16_t* out, const int16_t* core, int n) {
    for (int b = 0; b < n; b += 10) core_block(in + b, out + b, core);
}

}  // namespace

VOKS_SCALAR void window_analysis(const int16_t* s, int16_t* h, int16_t* out, int n) {
    const int16_t* w = n == 320 ? kWindowAnalysis320 : kWindowAnalysis640;
    const int half = n / 2;
    for (int j = 0; j < half; ++j)
        out[j] = mac2_round(w[half - 1 - j], h[half - 1 - j], w[half + j], h[half + j], 0);
    for (int j = 0; j < half; ++j)
        out[half + j] = mac2_round(w[n - 1 - j], s[j], negate(w[j]), s[n - 1 - j], 0);
    std::memmove(h, s, sizeof(int16_t) * n);
}

VOKS_SCALAR void window_synthesis(const int16_t* t, int16_t* o, int16_t* out, int n) {
    const int16_t* w = n == 320 ? kWindowSynthesis320 : kWindowSynthesis640;
    const int half = n / 2;
    for (int j = 0; j < half; ++j) out[j] = mac2_round(w[j], t[half - 1 - j], w[n - 1 - j], o[j], 2);
    for (int j = 0; j < half; ++j)
        out[half + j] = mac2_round(w[half + j], t[j], negate(w[half - 1 - j]), o[half - 1 - j], 2);
    std::memmove(o, t + half, sizeof(int16_t) * half);
}

VOKS_SCALAR void dct_forward(const int16_t* in, int16_t* out, int n) {
    const int log_n = n == 320 ? 6 : 7;
    int16_t a[kMaxLength], b[kMaxLength];
    for (int i = 0; i < n; ++i) a[i] = n == 320 ? add(in[i], kAnalysisBias[i]) : in[i];
    int16_t* split = split_forward(a, b, n, log_n);
    int16_t* other = split == a ? b : a;
    core_blocks(split, other, kCoreAnalysis, n);
    rotate_all(other, split, out, n, log_n, Rotation<0>{kCosMsinAnalysis, n});
}

VOKS_SCALAR void dct_inverse(const int16_t* in, int16_t* out, int n) {
    const int log_n = n == 320 ? 6 : 7;
    int16_t a[kMaxLength], b[kMaxLength];
    int16_t* split = split_inverse(in, a, b, n, log_n);
    int16_t* other = split == a ? b : a;
    core_blocks(split, other, kCoreSynthesis, n);
    rotate_all(other, split, out, n, log_n, Rotation<1>{kCosMsinSynthesis, n});
    if (n == 320)
        for (int i = 0; i < n; ++i) out[i] = add(out[i], kSynthesisBias[i]);
}

}  // namespace voks::g7221::scalar

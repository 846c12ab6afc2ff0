// AVX2 twins of the LP synthesis kernels. The seven oldest taps y[n-10..n-4] ride in one vector
// register (shifted by one lane per output, the newest entering from the scalar side, the lowest
// lane weighted 0) and are summed with one multiply-add; y[n-3], y[n-2] and y[n-1] stay in scalar
// registers, so the serial path from one output to the next is one scalar multiply, a
// subtraction and the shift, and the vector sum has four outputs' time to complete.
#include <immintrin.h>

#include "common/x86/avx2.h"

#include "common/kernels.h"

namespace voks::common::avx2 {

namespace {

// Taps 0, a[10..4] against the window lanes y[n-11..n-4], summed modulo 2^32.
VOKS_AVX2 inline int32_t older_sum(__m128i v, __m128i c) {
    __m128i m = _mm_madd_epi16(v, c);
    m = _mm_add_epi32(m, _mm_shuffle_epi32(m, 0x4E));
    m = _mm_add_epi32(m, _mm_shuffle_epi32(m, 0xB1));
    return _mm_cvtsi128_si32(m);
}

VOKS_AVX2 inline __m128i older_taps(const int16_t* a) {
    return _mm_setr_epi16(0, a[10], a[9], a[8], a[7], a[6], a[5], a[4]);
}

// The window lanes y[n-11..n-4] from w = y[n-10..n-1] (lane 0 is weighted 0).
VOKS_AVX2 inline __m128i older_window(const int16_t* w) {
    return _mm_slli_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(w)), 2);
}

}  // namespace

namespace {

// The recursion for one scale factor; kLimited: stop after the first |y| > ylim (needed for
// ylim < 32768 only: no output exceeds 32768). Writes y only; returns the number of outputs.
template <int kSf, bool kLimited>
VOKS_AVX2 inline int exact_run(const int16_t* a, const int16_t* x, int16_t* y, const int16_t* w, int len,
                               int32_t ylim, bool* clipped) {
    const __m128i c = older_taps(a);
    __m128i v = older_window(w);
    const int32_t c0 = a[0], c1 = a[1], c2 = a[2], c3 = a[3];
    int32_t p1 = w[9], p2 = w[8], p3 = w[7];
    constexpr int32_t kHalf = int32_t{1} << (kSf - 1);
    constexpr int32_t kTop = int32_t{1} << (15 + kSf);
    const uint32_t yspan = 2u * static_cast<uint32_t>(ylim);
    for (int n = 0; n < len; ++n) {
        const int32_t s = kHalf + c0 * x[n] - older_sum(v, c) - c3 * p3 - c2 * p2 - c1 * p1;
        int32_t out = s >> kSf;
        if (__builtin_expect(static_cast<uint32_t>(out + 32767) > 65534u, 0)) {
            if (s >= kTop || s < kHalf - kTop) *clipped = true;
            out = out > 0 ? 32767 : -32768;
        }
        y[n] = static_cast<int16_t>(out);
        v = _mm_insert_epi16(_mm_srli_si128(v, 2), p3, 7);
        p3 = p2;
        p2 = p1;
        p1 = out;
        if (kLimited && __builtin_expect(static_cast<uint32_t>(out + ylim) > yspan, 0)) return n + 1;
    }
    return len;
}

}  // namespace

VOKS_AVX2 int synth_exact(const int16_t* a, const int16_t* x, int16_t* y, int16_t* w, int len, int sf,
                          int32_t ylim, bool* clipped) {
    int k;
    if (ylim >= 32768)
        k = sf == 12 ? exact_run<12, false>(a, x, y, w, len, ylim, clipped)
                     : exact_run<13, false>(a, x, y, w, len, ylim, clipped);
    else
        k = sf == 12 ? exact_run<12, true>(a, x, y, w, len, ylim, clipped)
                     : exact_run<13, true>(a, x, y, w, len, ylim, clipped);
    // The window after the run: its last outputs (the earlier ones are not read again).
    const int first = k > 10 ? k - 10 : 0;
    for (int n = first; n < k; ++n) w[10 + n] = y[n];
    return k;
}

namespace {

// The modulo-2^32 recursion for one scale factor, with an input or a zero input.
template <int kSf, bool kInput>
VOKS_AVX2 inline void wrap_run(const int16_t* a, const int16_t* x, int16_t* y, const int16_t* w, int len) {
    const __m128i c = older_taps(a);
    __m128i v = older_window(w);
    const uint32_t c0 = static_cast<uint32_t>(int32_t{a[0]}), c1 = static_cast<uint32_t>(int32_t{a[1]}),
                   c2 = static_cast<uint32_t>(int32_t{a[2]}), c3 = static_cast<uint32_t>(int32_t{a[3]});
    uint32_t p1 = static_cast<uint32_t>(int32_t{w[9]}), p2 = static_cast<uint32_t>(int32_t{w[8]}),
             p3 = static_cast<uint32_t>(int32_t{w[7]});
    constexpr uint32_t kHalf = uint32_t{1} << (kSf - 1);
    for (int n = 0; n < len; ++n) {
        uint32_t s = kHalf - static_cast<uint32_t>(older_sum(v, c)) - c3 * p3;
        if (kInput) s += c0 * static_cast<uint32_t>(int32_t{x[n]});
        s = s - c2 * p2 - c1 * p1;
        const int16_t out = static_cast<int16_t>(static_cast<int32_t>(s) >> kSf);
        y[n] = out;
        v = _mm_insert_epi16(_mm_srli_si128(v, 2), static_cast<int>(p3), 7);
        p3 = p2;
        p2 = p1;
        p1 = static_cast<uint32_t>(int32_t{out});
    }
}

}  // namespace

VOKS_AVX2 void synth_wrap(const int16_t* a, const int16_t* x, int16_t* y, int16_t* w, int len, int sf) {
    if (x)
        sf == 12 ? wrap_run<12, true>(a, x, y, w, len) : wrap_run<13, true>(a, x, y, w, len);
    else
        sf == 12 ? wrap_run<12, false>(a, x, y, w, len) : wrap_run<13, false>(a, x, y, w, len);
    const int first = len > 10 ? len - 10 : 0;
    for (int n = first; n < len; ++n) w[10 + n] = y[n];
}

}  // namespace voks::common::avx2

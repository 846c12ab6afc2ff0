// The plain run of the 10th-order synthesis filter shared by the example encoder and decoder.
#ifndef VOKSC_EXAMPLES_AMRNB_SYN_RUN_H
#define VOKSC_EXAMPLES_AMRNB_SYN_RUN_H

#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace amrnb {

// y[i] = s >> 12, s = a[0] x[i] + 0x800 - sum_{j=1..10} a[j] y[i - j] in 32-bit modular sums
// (exact whenever the caller's bound on inputs, outputs and coefficients holds), for i < n,
// reading y[-10..-1]. Stops before the first s outside lo .. 2^27 - 1 and returns the number of
// outputs written; lo is -2^27 when only the 16-bit range matters, higher when the caller's
// later rounding must not saturate either.
inline int syn_run(const int16_t* a, const int16_t* x, int16_t* y, int n, int32_t lo) {
    int i = 0;
#if defined(__SSE2__)
    // The products of y[i-2..i-9] by one pmaddwd over a vector of those outputs, which takes
    // y[i-1] as soon as it is known, so that each sample waits for one scalar product.
    const __m128i taps = _mm_setr_epi16(a[9], a[8], a[7], a[6], a[5], a[4], a[3], a[2]);
    __m128i h = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y - 9));
    const uint32_t c0 = static_cast<uint32_t>(a[0]), c1 = static_cast<uint32_t>(a[1]),
                   c10 = static_cast<uint32_t>(a[10]);
    uint32_t q1 = static_cast<uint32_t>(y[-1]);
    for (; i < n; ++i) {
        __m128i d = _mm_madd_epi16(h, taps);
        d = _mm_add_epi32(d, _mm_shuffle_epi32(d, 0x4E));
        d = _mm_add_epi32(d, _mm_shuffle_epi32(d, 0xB1));
        const uint32_t u = static_cast<uint32_t>(x[i]) * c0 + 0x800 - c10 * static_cast<uint32_t>(y[i - 10]) -
                           static_cast<uint32_t>(_mm_cvtsi128_si32(d));
        h = _mm_insert_epi16(_mm_srli_si128(h, 2), static_cast<int16_t>(q1), 7);
        const int32_t s = static_cast<int32_t>(u - c1 * q1);
        if (s >= (1 << 27) || s < lo) break;
        y[i] = static_cast<int16_t>(s >> 12);
        q1 = static_cast<uint32_t>(s >> 12);
    }
#else
    // The last ten outputs stay in registers (p1 newest): each sample waits for one product.
    int64_t p1 = y[-1], p2 = y[-2], p3 = y[-3], p4 = y[-4], p5 = y[-5], p6 = y[-6], p7 = y[-7], p8 = y[-8],
            p9 = y[-9], p10 = y[-10];
    for (; i < n; ++i) {
        const int64_t s = int64_t{x[i]} * a[0] + 0x800 - a[10] * p10 - a[9] * p9 - a[8] * p8 - a[7] * p7 -
                          a[6] * p6 - a[5] * p5 - a[4] * p4 - a[3] * p3 - a[2] * p2 - a[1] * p1;
        if (s >= (int64_t{1} << 27) || s < lo) break;
        const int64_t v = s >> 12;
        y[i] = static_cast<int16_t>(v);
        p10 = p9, p9 = p8, p8 = p7, p7 = p6, p6 = p5, p5 = p4, p4 = p3, p3 = p2, p2 = p1, p1 = v;
    }
#endif
    return i;
}

}  // namespace amrnb

#endif

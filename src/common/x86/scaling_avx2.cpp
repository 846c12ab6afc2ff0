// AVX2 twins of the scaling kernels. Compiled for every x86-64 target; only called when the
// CPU and OS support AVX2.
#include <immintrin.h>

#include "common/x86/avx2.h"

#include "common/kernels.h"

namespace voks::common {

namespace {

// Exact products of 16 lanes, rounded, shifted and packed with saturation (sf 0..30).
VOKS_AVX2 inline __m256i mul_round16(__m256i a, __m256i b, __m256i round, __m128i count) {
    const __m256i lo = _mm256_mullo_epi16(a, b);
    const __m256i hi = _mm256_mulhi_epi16(a, b);
    __m256i p0 = _mm256_unpacklo_epi16(lo, hi);
    __m256i p1 = _mm256_unpackhi_epi16(lo, hi);
    p0 = _mm256_sra_epi32(_mm256_add_epi32(p0, round), count);
    p1 = _mm256_sra_epi32(_mm256_add_epi32(p1, round), count);
    return _mm256_packs_epi32(p0, p1);  // in-lane unpack and pack keep the order
}

VOKS_AVX2 inline __m256i round_term(int sf) {
    return _mm256_set1_epi32(sf == 0 ? 0 : (1 << (sf - 1)));
}

}  // namespace

VOKS_AVX2 void avx2::mul_nr(const int16_t* a, const int16_t* b, int16_t* dst, int len, int sf) {
    // At sf = 31 the rounded sum can exceed 32 bits; that degenerate case stays scalar.
    if (sf > 30) return scalar::mul_nr(a, b, dst, len, sf);
    const __m256i round = round_term(sf);
    const __m128i count = _mm_cvtsi32_si128(sf);
    int i = 0;
    for (; i + 16 <= len; i += 16) {
        const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
        const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), mul_round16(va, vb, round, count));
    }
    if (i + 8 <= len) {  // eight lanes: the low half of the helper (its lanes stay in order)
        const __m256i va = _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)));
        const __m256i vb = _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                         _mm256_castsi256_si128(mul_round16(va, vb, round, count)));
        i += 8;
    }
    if (i < len) scalar::mul_nr(a + i, b + i, dst + i, len - i, sf);
}

VOKS_AVX2 void avx2::mulc_nr(const int16_t* src, int16_t c, int16_t* dst, int len, int sf) {
    if (sf > 30) return scalar::mulc_nr(src, c, dst, len, sf);
    const __m256i round = round_term(sf);
    const __m128i count = _mm_cvtsi32_si128(sf);
    const __m256i vc = _mm256_set1_epi16(c);
    int i = 0;
    for (; i + 16 <= len; i += 16) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), mul_round16(v, vc, round, count));
    }
    if (i < len) scalar::mulc_nr(src + i, c, dst + i, len - i, sf);
}

VOKS_AVX2 int16_t avx2::max_abs(const int16_t* src, int len) {
    // |x| as unsigned (|-32768| = 32768), maximum taken unsigned, then limited to 32767.
    __m256i m = _mm256_setzero_si256();
    int i = 0;
    for (; i + 16 <= len; i += 16) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        m = _mm256_max_epu16(m, _mm256_abs_epi16(v));
    }
    __m128i h = _mm_max_epu16(_mm256_castsi256_si128(m), _mm256_extracti128_si256(m, 1));
    h = _mm_max_epu16(h, _mm_srli_si128(h, 8));
    h = _mm_max_epu16(h, _mm_srli_si128(h, 4));
    h = _mm_max_epu16(h, _mm_srli_si128(h, 2));
    int best = _mm_extract_epi16(h, 0);
    if (best > 32767) best = 32767;
    const int16_t tail = scalar::max_abs(src + i, len - i);
    return static_cast<int16_t>(tail > best ? tail : best);
}

VOKS_AVX2 void avx2::shift(const int16_t* src, int16_t* dst, int len, int shift) {
    int i = 0;
    if (shift >= 0) {
        const __m128i count = _mm_cvtsi32_si128(shift);
        for (; i + 16 <= len; i += 16) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_sll_epi16(v, count));
        }
    } else {
        const __m128i count = _mm_cvtsi32_si128(-shift > 15 ? 15 : -shift);
        for (; i + 16 <= len; i += 16) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_sra_epi16(v, count));
        }
    }
    if (i < len) scalar::shift(src + i, dst + i, len - i, shift);
}

}  // namespace voks::common

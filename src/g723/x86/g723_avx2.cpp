// AVX2 twins of the G.723.1 kernels. Pairs of 16-bit products are summed in 32-bit lanes
// (_mm256_madd_epi16) and widened to 64 bits before they are accumulated. A pair sum wraps only
// for two products of -32768 * -32768 (2^31): no other pair sum reaches -2^31, so a lane equal
// to INT32_MIN is read as +2^31. Squares pair to at most 2^31 and are widened as unsigned.
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "common/x86/avx2.h"
#include "g723/g723_tables.h"
#include "g723/kernels.h"

namespace voks::g723::avx2 {
namespace {

VOKS_AVX2 inline __m256i widen_signed(__m128i v) {
    const __m256i w = _mm256_cvtepi32_epi64(v);
    const __m256i wrapped = _mm256_cmpeq_epi64(w, _mm256_set1_epi64x(INT64_C(-2147483648)));
    return _mm256_add_epi64(w, _mm256_and_si256(wrapped, _mm256_set1_epi64x(INT64_C(4294967296))));
}

VOKS_AVX2 inline void accumulate(__m256i va, __m256i vb, __m256i& d, __m256i& e) {
    const __m256i p = _mm256_madd_epi16(va, vb);
    d = _mm256_add_epi64(d, widen_signed(_mm256_castsi256_si128(p)));
    d = _mm256_add_epi64(d, widen_signed(_mm256_extracti128_si256(p, 1)));
    const __m256i qa = _mm256_madd_epi16(va, va), qb = _mm256_madd_epi16(vb, vb);
    e = _mm256_add_epi64(e, _mm256_cvtepu32_epi64(_mm256_castsi256_si128(qa)));
    e = _mm256_add_epi64(e, _mm256_cvtepu32_epi64(_mm256_extracti128_si256(qa, 1)));
    e = _mm256_add_epi64(e, _mm256_cvtepu32_epi64(_mm256_castsi256_si128(qb)));
    e = _mm256_add_epi64(e, _mm256_cvtepu32_epi64(_mm256_extracti128_si256(qb, 1)));
}

}  // namespace

VOKS_AVX2 void dot_energy(const int16_t* a, const int16_t* b, int n, int64_t* s) {
    __m256i d = _mm256_setzero_si256(), e = _mm256_setzero_si256();
    int i = 0;
    for (; i + 16 <= n; i += 16) accumulate(x86::load16(a + i), x86::load16(b + i), d, e);
    if (i < n && n >= 16) {
        // The last 16 samples, the lanes counted already masked off.
        const __m256i keep = x86::tail_mask16(n - i);
        accumulate(_mm256_and_si256(x86::load16(a + n - 16), keep),
                   _mm256_and_si256(x86::load16(b + n - 16), keep), d, e);
    } else if (i < n) {
        int16_t ta[16] = {}, tb[16] = {};
        std::memcpy(ta, a + i, sizeof(int16_t) * (n - i));
        std::memcpy(tb, b + i, sizeof(int16_t) * (n - i));
        accumulate(x86::load16(ta), x86::load16(tb), d, e);
    }
    s[0] = static_cast<int64_t>(x86::hsum64(d));
    s[1] = static_cast<int64_t>(x86::hsum64(e));
}

// Sixteen entries at a time from the transposed codebook: each product c[j] * g[j] is exact in
// 32 bits (the codebooks hold no -32768, so the reference's L_mult >> 1 is the plain product),
// and the chains are added with saturation lane by lane.
VOKS_AVX2 void gain_scores(const int16_t* c, bool big, int n, int32_t* out) {
    const __m256i hi = _mm256_set1_epi32(0x7FFFFFFF), lo = _mm256_set1_epi32(INT32_MIN);
    for (int i = 0; i < n; i += 16) {
        __m256i a0 = _mm256_setzero_si256(), a1 = _mm256_setzero_si256();
        for (int j = 0; j < 20; ++j) {
            const __m256i g = x86::load16(big ? &kPitchGain170T[j][i] : &kPitchGain85T[j][i]);
            const __m256i cj = _mm256_set1_epi16(c[j]);
            const __m256i pl = _mm256_mullo_epi16(g, cj), ph = _mm256_mulhi_epi16(g, cj);
            const __m256i p0 = _mm256_unpacklo_epi16(pl, ph), p1 = _mm256_unpackhi_epi16(pl, ph);
            // Saturating 32-bit addition: an overflow flips the sign of operands of one sign.
            const __m256i s0 = _mm256_add_epi32(a0, p0), s1 = _mm256_add_epi32(a1, p1);
            const __m256i o0 = _mm256_andnot_si256(_mm256_xor_si256(a0, p0), _mm256_xor_si256(a0, s0));
            const __m256i o1 = _mm256_andnot_si256(_mm256_xor_si256(a1, p1), _mm256_xor_si256(a1, s1));
            const __m256i r0 = _mm256_blendv_epi8(hi, lo, _mm256_srai_epi32(a0, 31));
            const __m256i r1 = _mm256_blendv_epi8(hi, lo, _mm256_srai_epi32(a1, 31));
            a0 = _mm256_blendv_epi8(s0, r0, _mm256_srai_epi32(o0, 31));
            a1 = _mm256_blendv_epi8(s1, r1, _mm256_srai_epi32(o1, 31));
        }
        // Lanes of a0: entries 0-3 and 8-11; of a1: 4-7 and 12-15.
        alignas(32) int32_t v0[8], v1[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(v0), a0);
        _mm256_store_si256(reinterpret_cast<__m256i*>(v1), a1);
        const int32_t order[16] = {v0[0], v0[1], v0[2], v0[3], v1[0], v1[1], v1[2], v1[3],
                                   v0[4], v0[5], v0[6], v0[7], v1[4], v1[5], v1[6], v1[7]};
        for (int k = 0; k < 16 && i + k < n; ++k) out[i + k] = order[k];
    }
}

// Eight positions per vector (the last holds four): the update with 32-bit products, |wb| of
// the free positions of the grid (the others set to -2^31, below any candidate), the largest,
// then the first lane holding it.
VOKS_AVX2 int mpmlq_pick(int32_t* wb, const int16_t* c, int32_t v2, const int16_t* occ, int k) {
    const __m256i vv = _mm256_set1_epi32(v2), lane = _mm256_setr_epi32(0, 1, 0, 1, 0, 1, 0, 1);
    const __m256i grid = _mm256_cmpeq_epi32(lane, _mm256_set1_epi32(k)), low = _mm256_set1_epi32(INT32_MIN);
    const __m256i zero = _mm256_setzero_si256();
    __m256i w[8];
    for (int i = 0; i < 8; ++i) {
        __m256i x, cv, ov;
        if (i < 7) {
            x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(wb + 8 * i));
            cv = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(c + 8 * i)));
            ov = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(occ + 8 * i)));
        } else {
            // Positions 56..59; the upper four lanes are marked occupied.
            x = _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(wb + 56)));
            cv = _mm256_cvtepi16_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(c + 56)));
            ov = _mm256_cvtepi16_epi32(
                _mm_insert_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(occ + 56)), -1, 1));
        }
        x = _mm256_sub_epi32(x, _mm256_mullo_epi32(vv, cv));
        if (i < 7)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(wb + 8 * i), x);
        else
            _mm_storeu_si128(reinterpret_cast<__m128i*>(wb + 56), _mm256_castsi256_si128(x));
        const __m256i free = _mm256_and_si256(grid, _mm256_cmpeq_epi32(ov, zero));
        w[i] = _mm256_blendv_epi8(low, _mm256_abs_epi32(x), free);
    }
    __m256i m =
        _mm256_max_epi32(_mm256_max_epi32(_mm256_max_epi32(w[0], w[1]), _mm256_max_epi32(w[2], w[3])),
                         _mm256_max_epi32(_mm256_max_epi32(w[4], w[5]), _mm256_max_epi32(w[6], w[7])));
    m = _mm256_max_epi32(m, _mm256_permute2x128_si256(m, m, 1));
    m = _mm256_max_epi32(m, _mm256_shuffle_epi32(m, 0x4E));
    m = _mm256_max_epi32(m, _mm256_shuffle_epi32(m, 0xB1));
    const int32_t top = _mm256_cvtsi256_si32(m);
    if (top <= -0x40000000) return -1;
    uint64_t hit = 0;
    for (int i = 0; i < 8; ++i)
        hit |= uint64_t(unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(w[i], m)))))
               << (8 * i);
    return __builtin_ctzll(hit);
}

}  // namespace voks::g723::avx2
#endif

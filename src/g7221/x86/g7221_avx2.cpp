// AVX2 twins of the G.722.1 kernels. The windowing and rotation sums a*x + b*y of two 16-bit
// products are exact in 32 bits (no factor reaches -32768 on both sides), so one madd gives them
// and the reference's doubling, saturation and rounding reduce to (S + 2^(15-k)) >> (16-k) with a
// saturating pack. A core block takes madds only when its input magnitudes bound every partial
// sum of its L_mac chain inside 32 bits; other blocks take the scalar chain.
#include <cstring>

#include "common/x86/avx2.h"
#include "g7221/g7221_dct.h"
#include "g7221/kernels.h"

namespace voks::g7221::avx2 {

namespace {

// Reverses the eight 16-bit lanes of a 128-bit vector.
VOKS_AVX2 inline __m128i reverse8(__m128i v) {
    return _mm_shuffle_epi8(v, _mm_setr_epi8(14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1));
}

VOKS_AVX2 inline __m128i load8(const int16_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

VOKS_AVX2 inline void store8(int16_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// The eight pairs (x[j], y[j]) as 32-bit lanes, j = 0..7.
VOKS_AVX2 inline __m256i pairs(__m128i x, __m128i y) {
    return _mm256_set_m128i(_mm_unpackhi_epi16(x, y), _mm_unpacklo_epi16(x, y));
}

// sat16((S + 2^(Shift-1)) >> Shift) of eight 32-bit sums, as eight 16-bit lanes.
template <int Shift>
VOKS_AVX2 inline __m128i round_pack(__m256i s) {
    s = _mm256_srai_epi32(_mm256_add_epi32(s, _mm256_set1_epi32(1 << (Shift - 1))), Shift);
    const __m256i p = _mm256_packs_epi32(s, s);
    return _mm256_castsi256_si128(_mm256_permute4x64_epi64(p, 0x08));
}

// out[j] = round((w1[j] * x1[j] + w2[j] * x2[j]) >> Shift) for j = 0..7.
template <int Shift>
VOKS_AVX2 inline __m128i window8(__m128i w1, __m128i x1, __m128i w2, __m128i x2) {
    return round_pack<Shift>(_mm256_madd_epi16(pairs(x1, x2), pairs(w1, w2)));
}

// Saturating negation of eight 16-bit lanes.
VOKS_AVX2 inline __m128i neg8(__m128i v) {
    return _mm_subs_epi16(_mm_setzero_si128(), v);
}

// One rotation stage (see the scalar kernel) eight outputs at a time; the last h mod 8 of each
// half take the scalar butterflies.
template <int Shift>
struct Rotation {
    const int16_t* table;
    int n;
    VOKS_AVX2 void operator()(const int16_t* src, int16_t* dst, int span, int offset) const {
        const int h = span / 2;
        const int16_t* cs = table + 2 * offset;
        // Per output j the pair (A, B) of the low result and (C, D) of the high one: (cos, -msin)
        // and (msin, cos) for even j, (cos, msin) and (msin, -cos) for odd j.
        for (int base = 0; base < n; base += span) {
            const int16_t* lo = src + base;
            const int16_t* hi = lo + h;
            int16_t* olo = dst + base;
            int16_t* ohi = dst + base + span;
            int j = 0;
            for (; j + 8 <= h; j += 8) {
                const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cs + 2 * j));
                const __m256i nc = _mm256_subs_epi16(_mm256_setzero_si256(), c);
                const __m256i ab = _mm256_blend_epi16(c, nc, 0x22);
                const __m256i sw = _mm256_or_si256(_mm256_srli_epi32(c, 16), _mm256_slli_epi32(c, 16));
                const __m256i nsw = _mm256_or_si256(_mm256_srli_epi32(nc, 16), _mm256_slli_epi32(nc, 16));
                const __m256i cd = _mm256_blend_epi16(sw, nsw, 0x88);
                const __m256i x = pairs(load8(lo + j), load8(hi + j));
                store8(olo + j, round_pack<15 - Shift>(_mm256_madd_epi16(x, ab)));
                store8(ohi - 8 - j, reverse8(round_pack<15 - Shift>(_mm256_madd_epi16(x, cd))));
            }
            for (; j < h; ++j) {
                const int16_t c = cs[2 * j], m = cs[2 * j + 1];
                const bool even = (j & 1) == 0;
                const int32_t sl = even ? int32_t{c} * lo[j] + int32_t{negate(m)} * hi[j]
                                        : int32_t{c} * lo[j] + int32_t{m} * hi[j];
                const int32_t sh = even ? int32_t{m} * lo[j] + int32_t{c} * hi[j]
                                        : int32_t{m} * lo[j] + int32_t{negate(c)} * hi[j];
                olo[j] = sat16((int64_t{sl} + (1 << (14 - Shift))) >> (15 - Shift));
                ohi[-1 - j] = sat16((int64_t{sh} + (1 << (14 - Shift))) >> (15 - Shift));
            }
        }
    }
};

// The 10-point core blocks: outputs 0..7 and 8..9 of a block as two sets of eight lanes.
VOKS_AVX2 void core_blocks(const int16_t* in, int16_t* out, const int16_t* core, int n, int32_t safe) {
    __m256i lo[5], hi[5];
    for (int m = 0; m < 5; ++m) {
        const int16_t* r0 = core + 20 * m;
        const int16_t* r1 = r0 + 10;
        lo[m] = pairs(load8(r0), load8(r1));
        const __m128i t0 = _mm_cvtsi32_si128(int(uint16_t(r0[8]) | uint32_t(uint16_t(r0[9])) << 16));
        const __m128i t1 = _mm_cvtsi32_si128(int(uint16_t(r1[8]) | uint32_t(uint16_t(r1[9])) << 16));
        hi[m] = _mm256_castsi128_si256(_mm_unpacklo_epi16(t0, t1));
    }
    for (int b = 0; b < n; b += 10) {
        const int16_t* x = in + b;
        int32_t mag = 0;
        for (int i = 0; i < 10; ++i) mag += x[i] < 0 ? -x[i] : x[i];
        if (mag > safe) {
            core_block(x, out + b, core);
            continue;
        }
        __m256i s0 = _mm256_setzero_si256(), s1 = _mm256_setzero_si256();
        for (int m = 0; m < 5; ++m) {
            int32_t pair;
            std::memcpy(&pair, x + 2 * m, sizeof pair);
            const __m256i v = _mm256_set1_epi32(pair);
            s0 = _mm256_add_epi32(s0, _mm256_madd_epi16(v, lo[m]));
            s1 = _mm256_add_epi32(s1, _mm256_madd_epi16(v, hi[m]));
        }
        store8(out + b, round_pack<15>(s0));
        const int32_t tail = _mm_cvtsi128_si32(round_pack<15>(s1));
        std::memcpy(out + b + 8, &tail, sizeof tail);
    }
}

}  // namespace

VOKS_AVX2 void window_analysis(const int16_t* s, int16_t* h, int16_t* out, int n) {
    const int16_t* w = n == 320 ? kWindowAnalysis320 : kWindowAnalysis640;
    const int half = n / 2;
    for (int j = 0; j < half; j += 8) {
        const __m128i wl = reverse8(load8(w + half - 8 - j)), xl = reverse8(load8(h + half - 8 - j));
        store8(out + j, window8<15>(wl, xl, load8(w + half + j), load8(h + half + j)));
    }
    for (int j = 0; j < half; j += 8) {
        const __m128i wr = reverse8(load8(w + n - 8 - j)), xr = reverse8(load8(s + n - 8 - j));
        store8(out + half + j, window8<15>(wr, load8(s + j), neg8(load8(w + j)), xr));
    }
    std::memmove(h, s, sizeof(int16_t) * n);
}

VOKS_AVX2 void window_synthesis(const int16_t* t, int16_t* o, int16_t* out, int n) {
    const int16_t* w = n == 320 ? kWindowSynthesis320 : kWindowSynthesis640;
    const int half = n / 2;
    for (int j = 0; j < half; j += 8) {
        const __m128i tr = reverse8(load8(t + half - 8 - j)), wr = reverse8(load8(w + n - 8 - j));
        store8(out + j, window8<13>(load8(w + j), tr, wr, load8(o + j)));
    }
    for (int j = 0; j < half; j += 8) {
        const __m128i wr = neg8(reverse8(load8(w + half - 8 - j))), orv = reverse8(load8(o + half - 8 - j));
        store8(out + half + j, window8<13>(load8(w + half + j), load8(t + j), wr, orv));
    }
    std::memmove(o, t + half, sizeof(int16_t) * half);
}

VOKS_AVX2 void dct_forward(const int16_t* in, int16_t* out, int n) {
    const int log_n = n == 320 ? 6 : 7;
    int16_t a[kMaxLength], b[kMaxLength];
    if (n == 320) {
        for (int i = 0; i < n; i += 16) {
            const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
            const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kAnalysisBias + i));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(a + i), _mm256_adds_epi16(x, y));
        }
    } else {
        std::memcpy(a, in, sizeof(int16_t) * n);
    }
    int16_t* split = split_forward(a, b, n, log_n);
    int16_t* other = split == a ? b : a;
    core_blocks(split, other, kCoreAnalysis, n, kCoreSafeAnalysis);
    rotate_all(other, split, out, n, log_n, Rotation<0>{kCosMsinAnalysis, n});
}

VOKS_AVX2 void dct_inverse(const int16_t* in, int16_t* out, int n) {
    const int log_n = n == 320 ? 6 : 7;
    int16_t a[kMaxLength], b[kMaxLength];
    int16_t* split = split_inverse(in, a, b, n, log_n);
    int16_t* other = split == a ? b : a;
    core_blocks(split, other, kCoreSynthesis, n, kCoreSafeSynthesis);
    rotate_all(other, split, out, n, log_n, Rotation<1>{kCosMsinSynthesis, n});
    if (n == 320) {
        for (int i = 0; i < n; i += 16) {
            const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + i));
            const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kSynthesisBias + i));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_adds_epi16(x, y));
        }
    }
}

}  // namespace voks::g7221::avx2

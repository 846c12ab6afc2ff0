// AVX2 twins of the G.729 linear-prediction kernels; bit-identical to the scalar kernels.
#include <immintrin.h>

#include <cmath>

#include "common/basicop.h"
#include "common/x86/avx2.h"
#include "g729/kernels.h"
#include "g729/lp_tables.h"

namespace voks::g729::avx2 {

namespace {

// Saturating 32-bit addition per lane.
VOKS_AVX2 inline __m256i adds32(__m256i a, __m256i b) {
    const __m256i s = _mm256_add_epi32(a, b);
    const __m256i ovf =
        _mm256_srai_epi32(_mm256_and_si256(_mm256_xor_si256(a, s), _mm256_xor_si256(b, s)), 31);
    const __m256i sat = _mm256_xor_si256(_mm256_srai_epi32(a, 31), _mm256_set1_epi32(MAX_32));
    return _mm256_blendv_epi8(s, sat, ovf);
}

// L_mult of two lanes holding 16-bit values.
VOKS_AVX2 inline __m256i lmult(__m256i a, __m256i b) {
    const __m256i p = _mm256_mullo_epi32(a, b);
    const __m256i top = _mm256_cmpeq_epi32(p, _mm256_set1_epi32(0x40000000));
    return _mm256_blendv_epi8(_mm256_slli_epi32(p, 1), _mm256_set1_epi32(MAX_32), top);
}

// mult of two lanes holding 16-bit values.
VOKS_AVX2 inline __m256i mult16(__m256i a, __m256i b) {
    return _mm256_min_epi32(_mm256_srai_epi32(_mm256_mullo_epi32(a, b), 15), _mm256_set1_epi32(MAX_16));
}

// L_shl by n with saturation.
VOKS_AVX2 inline __m256i lshl(__m256i x, int n) {
    const __m256i hi = _mm256_set1_epi32(MAX_32 >> n);
    const __m256i lo = _mm256_set1_epi32(MIN_32 >> n);
    const __m256i s = _mm256_sll_epi32(x, _mm_cvtsi32_si128(n));
    __m256i r = _mm256_blendv_epi8(s, _mm256_set1_epi32(MAX_32), _mm256_cmpgt_epi32(x, hi));
    return _mm256_blendv_epi8(r, _mm256_set1_epi32(MIN_32), _mm256_cmpgt_epi32(lo, x));
}

// Mpy_32_16(hi, lo, n) = L_mac(L_mult(hi, n), mult(lo, n), 1).
VOKS_AVX2 inline __m256i mpy32_16(__m256i hi, __m256i lo, __m256i n) {
    return adds32(lmult(hi, n), _mm256_slli_epi32(mult16(lo, n), 1));
}

// L_Extract.
VOKS_AVX2 inline void extract(__m256i x, __m256i& hi, __m256i& lo) {
    hi = _mm256_srai_epi32(x, 16);
    lo = _mm256_and_si256(_mm256_srai_epi32(x, 1), _mm256_set1_epi32(0x7FFF));
}

// L_msu(L_mac(acc, b2_h, -32768), b2_l, 1): subtracts the double-precision b2.
VOKS_AVX2 inline __m256i minus_b2(__m256i acc, __m256i b2h, __m256i b2l) {
    acc = adds32(acc, lmult(b2h, _mm256_set1_epi32(MIN_16)));
    return adds32(acc, _mm256_sub_epi32(_mm256_setzero_si256(), _mm256_slli_epi32(b2l, 1)));
}

// Eight Chebyshev evaluations at the lanes of x.
VOKS_AVX2 __m256i cheb8(__m256i x, const int16_t* f, bool q10) {
    __m256i b2h = _mm256_set1_epi32(q10 ? 128 : 256), b2l = _mm256_setzero_si256(), b1h, b1l;
    // L_mult(x, 2^k) never saturates for k <= 9.
    __m256i t = _mm256_slli_epi32(x, q10 ? 9 : 10);
    t = adds32(t, _mm256_set1_epi32(int32_t{f[1]} * 8192));
    extract(t, b1h, b1l);
    for (int i = 2; i < 5; ++i) {
        t = lshl(mpy32_16(b1h, b1l, x), 1);
        t = minus_b2(t, b2h, b2l);
        t = adds32(t, _mm256_set1_epi32(int32_t{f[i]} * 8192));
        b2h = b1h;
        b2l = b1l;
        extract(t, b1h, b1l);
    }
    t = mpy32_16(b1h, b1l, x);
    t = minus_b2(t, b2h, b2l);
    t = adds32(t, _mm256_set1_epi32(int32_t{f[5]} * 4096));
    return _mm256_srai_epi32(lshl(t, q10 ? 7 : 6), 16);
}

// The double-precision recursion of both 32-bit forms below: b1 = x 2^(10 or 9) + 8192 f[1] (exact),
// three steps with the doubled product and a last one without; returns the last sum unscaled.
template <class Step>
VOKS_AVX2 inline __m256i cheb_sum(__m256i x, const int16_t* f, bool q10, Step step) {
    __m256i b2 = _mm256_set1_epi32((q10 ? 128 : 256) << 16);
    __m256i b1 =
        _mm256_add_epi32(_mm256_slli_epi32(x, q10 ? 9 : 10), _mm256_set1_epi32(int32_t{f[1]} * 8192));
    for (int i = 2; i < 5; ++i) {
        const __m256i t = step(b1, b2, int32_t{f[i]} * 8192, true);
        b2 = b1;
        b1 = t;
    }
    return step(b1, b2, int32_t{f[5]} * 4096, false);
}

// cheb8 for coefficients where no step can saturate (scalar::cheb_unsaturated): plain 32-bit
// arithmetic. Every b is even there, so subtracting b2 is subtracting its hi and lo parts.
VOKS_AVX2 __m256i cheb8_free(__m256i x, const int16_t* f, bool q10) {
    const __m256i xz = _mm256_and_si256(x, _mm256_set1_epi32(0xFFFF));  // x in the low half only
    const __m256i low = _mm256_set1_epi32(0xFFFF);
    auto step = [&](__m256i b1, __m256i b2, int32_t c, bool twice) VOKS_AVX2 {
        const __m256i p = _mm256_madd_epi16(_mm256_srai_epi32(b1, 16), xz);
        const __m256i q =
            _mm256_srai_epi32(_mm256_madd_epi16(_mm256_srli_epi32(_mm256_and_si256(b1, low), 1), xz), 15);
        __m256i t = _mm256_slli_epi32(_mm256_add_epi32(p, q), twice ? 2 : 1);
        return _mm256_add_epi32(_mm256_sub_epi32(t, b2), _mm256_set1_epi32(c));
    };
    return _mm256_srai_epi32(lshl(cheb_sum(x, f, q10, step), q10 ? 7 : 6), 16);
}

// cheb8 with wrapping 32-bit arithmetic and one-cycle adds on the dependency chain; every step
// of the reference is checked beside it (a product saturating at (-32768)^2, a sum leaving 32
// bits). Returns false, leaving r unspecified, when any lane hit such a step.
VOKS_AVX2 bool cheb8_exact(__m256i x, const int16_t* f, bool q10, __m256i& r) {
    const __m256i xz = _mm256_and_si256(x, _mm256_set1_epi32(0xFFFF));  // x in the low half only
    const __m256i low = _mm256_set1_epi32(0xFFFF), top = _mm256_set1_epi32(0x40000000);
    const __m256i min16 = _mm256_set1_epi32(MIN_16);
    __m256i bad = _mm256_setzero_si256();
    // Sign bit of `bad` set when a + b (sum s) or a - b (difference s) overflowed.
    auto add = [&](__m256i a, __m256i b) VOKS_AVX2 {
        const __m256i s = _mm256_add_epi32(a, b);
        bad = _mm256_or_si256(bad, _mm256_and_si256(_mm256_xor_si256(a, s), _mm256_xor_si256(b, s)));
        return s;
    };
    auto sub = [&](__m256i a, __m256i b) VOKS_AVX2 {
        const __m256i s = _mm256_sub_epi32(a, b);
        bad = _mm256_or_si256(bad, _mm256_and_si256(_mm256_xor_si256(a, b), _mm256_xor_si256(a, s)));
        return s;
    };
    auto step = [&](__m256i b1, __m256i b2, int32_t c, bool twice) VOKS_AVX2 {
        const __m256i h1 = _mm256_srai_epi32(b1, 16);
        const __m256i l1 = _mm256_srli_epi32(_mm256_and_si256(b1, low), 1);
        const __m256i p = _mm256_madd_epi16(h1, xz);  // h1 * x (h1 fits 16 bits)
        // L_mult(h1, x) = 2p; 2^30 would saturate there, so it is flagged.
        bad = _mm256_or_si256(bad, _mm256_cmpeq_epi32(p, top));
        const __m256i q = _mm256_srai_epi32(_mm256_madd_epi16(l1, xz), 15);  // mult(l1, x)
        __m256i t = add(_mm256_add_epi32(p, p), _mm256_add_epi32(q, q));
        if (twice) t = add(t, t);
        const __m256i h2 = _mm256_srai_epi32(b2, 16);
        bad = _mm256_or_si256(bad, _mm256_cmpeq_epi32(h2, min16));  // L_mult(b2_h, MIN_16) saturates
        t = sub(t, _mm256_slli_epi32(h2, 16));
        t = sub(t, _mm256_and_si256(b2, _mm256_set1_epi32(0xFFFE)));  // 2 * b2_l
        return add(t, _mm256_set1_epi32(c));
    };
    const __m256i t = cheb_sum(x, f, q10, step);
    if (_mm256_movemask_ps(_mm256_castsi256_ps(bad)) != 0) return false;
    r = _mm256_srai_epi32(lshl(t, q10 ? 7 : 6), 16);
    return true;
}

}  // namespace

// r * w in double-precision format on eight lanes.
VOKS_AVX2 inline __m256i lag_mul(__m256i x, __m256i w) {
    const __m256i m = _mm256_set1_epi32(0x7FFF);
    const __m256i xh = _mm256_srai_epi32(x, 16), xl = _mm256_and_si256(_mm256_srai_epi32(x, 1), m);
    const __m256i wh = _mm256_srai_epi32(w, 16), wl = _mm256_and_si256(_mm256_srai_epi32(w, 1), m);
    __m256i s = _mm256_mullo_epi32(xh, wh);
    s = _mm256_add_epi32(s, _mm256_srai_epi32(_mm256_mullo_epi32(xh, wl), 15));
    s = _mm256_add_epi32(s, _mm256_srai_epi32(_mm256_mullo_epi32(xl, wh), 15));
    return _mm256_slli_epi32(s, 1);
}

VOKS_AVX2 void lag_window(int32_t* r, int len) {
    int k = 0;
    if (len >= 8) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r));
        const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kLagWindow));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(r), lag_mul(x, w));
        k = 8;
    }
    if (k < len) {  // the rest (at most eight lanes) through a mask
        const __m256i mask =
            _mm256_cmpgt_epi32(_mm256_set1_epi32(len - k), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        const __m256i x = _mm256_maskload_epi32(reinterpret_cast<const int*>(r + k), mask);
        const __m256i w = _mm256_maskload_epi32(reinterpret_cast<const int*>(kLagWindow + k), mask);
        _mm256_maskstore_epi32(reinterpret_cast<int*>(r + k), mask, lag_mul(x, w));
    }
}

VOKS_AVX2 void cheb_grid(const int16_t* f, bool q10, bool plain, const int16_t* x, int n, int16_t* y) {
    int j = 0;
    for (; j + 8 <= n; j += 8) {
        const __m256i xv = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x + j)));
        __m256i r;
        if (plain)
            r = cheb8_free(xv, f, q10);
        else if (!cheb8_exact(xv, f, q10, r))
            r = cheb8(xv, f, q10);
        const __m128i p = _mm_packs_epi32(_mm256_castsi256_si128(r), _mm256_extracti128_si256(r, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(y + j), p);
    }
    if (j < n) scalar::cheb_grid(f, q10, plain, x + j, n - j, y + j);
}

VOKS_AVX2 void lsf_to_lsp(const int16_t* lsf, int16_t* lsp, int n) {
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i v = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lsf + i)));
        __m256i freq = _mm256_srai_epi32(_mm256_mullo_epi32(v, _mm256_set1_epi32(20861)), 15);
        freq = _mm256_max_epi32(freq, _mm256_setzero_si256());
        const __m256i ind = _mm256_min_epi32(_mm256_srai_epi32(freq, 8), _mm256_set1_epi32(63));
        const __m256i off = _mm256_and_si256(freq, _mm256_set1_epi32(0xFF));
        // 32-bit gathers at 16-bit steps: the low half of each lane is the wanted entry (the tables
        // carry one padding entry so the upper half never reads past them).
        const __m256i c = _mm256_srai_epi32(
            _mm256_slli_epi32(_mm256_i32gather_epi32(reinterpret_cast<const int*>(kCos15), ind, 2), 16), 16);
        const __m256i s = _mm256_srai_epi32(
            _mm256_slli_epi32(_mm256_i32gather_epi32(reinterpret_cast<const int*>(kSlopeCos), ind, 2), 16),
            16);
        // extract_l(L_shr(L_mult(slope, off), 13)) == (slope * off) >> 12 within 16 bits here.
        const __m256i d =
            _mm256_srai_epi32(_mm256_slli_epi32(_mm256_srai_epi32(_mm256_mullo_epi32(s, off), 12), 16), 16);
        const __m256i r = _mm256_add_epi32(c, d);
        const __m128i p = _mm_packs_epi32(_mm256_castsi256_si128(r), _mm256_extracti128_si256(r, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(lsp + i), p);
    }
    if (i < n) scalar::lsf_to_lsp(lsf + i, lsp + i, n - i);
}

VOKS_AVX2 void interp_half(const int16_t* a, const int16_t* b, int16_t* dst, int n) {
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i),
                            _mm256_adds_epi16(_mm256_srai_epi16(x, 1), _mm256_srai_epi16(y, 1)));
    }
    if (i < n) scalar::interp_half(a + i, b + i, dst + i, n - i);
}

VOKS_AVX2 void interp_c(const int16_t* a, int16_t ca, const int16_t* b, int16_t cb, int16_t* dst, int n,
                        int sf) {
    const __m128i cnt = _mm_cvtsi32_si128(sf > 31 ? 31 : sf);
    const __m256i va = _mm256_set1_epi32(ca), vb = _mm256_set1_epi32(cb);
    const __m256i lim = _mm256_set1_epi32(0x3FFFFFFF);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i x = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)));
        const __m256i y = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i)));
        // Each shifted product is at most 2^30; limiting it to 2^30 - 1 keeps the sum inside 32
        // bits without changing the saturated result.
        const __m256i p = _mm256_min_epi32(_mm256_sra_epi32(_mm256_mullo_epi32(x, va), cnt), lim);
        const __m256i q = _mm256_min_epi32(_mm256_sra_epi32(_mm256_mullo_epi32(y, vb), cnt), lim);
        const __m256i r = _mm256_add_epi32(p, q);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                         _mm_packs_epi32(_mm256_castsi256_si128(r), _mm256_extracti128_si256(r, 1)));
    }
    if (i < n) scalar::interp_c(a + i, ca, b + i, cb, dst + i, n - i, sf);
}

VOKS_AVX2 void interp_c_nr(const int16_t* a, int16_t ca, const int16_t* b, int16_t cb, int16_t* dst, int n,
                           int sf) {
    const int s = sf > 31 ? 31 : sf;
    const __m128i cnt = _mm_cvtsi32_si128(s);
    const __m256i rnd = _mm256_set1_epi32(s > 0 ? static_cast<int32_t>(uint32_t{1} << (s - 1)) : 0);
    const __m256i va = _mm256_set1_epi32(ca), vb = _mm256_set1_epi32(cb);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i x = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)));
        const __m256i y = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i)));
        __m256i r = _mm256_add_epi32(_mm256_mullo_epi32(x, va), _mm256_mullo_epi32(y, vb));
        r = _mm256_sra_epi32(_mm256_add_epi32(r, rnd), cnt);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                         _mm_packs_epi32(_mm256_castsi256_si128(r), _mm256_extracti128_si256(r, 1)));
    }
    if (i < n) scalar::interp_c_nr(a + i, ca, b + i, cb, dst + i, n - i, sf);
}

VOKS_AVX2_FMA void interp_c_f32(const float* a, const float* b, float* dst, int n, float c1, float c2) {
    const __m256 v1 = _mm256_set1_ps(c1), v2 = _mm256_set1_ps(c2);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256 q = _mm256_mul_ps(v2, _mm256_loadu_ps(b + i));
        _mm256_storeu_ps(dst + i, _mm256_fmadd_ps(v1, _mm256_loadu_ps(a + i), q));
    }
    if (i < n) scalar::interp_c_f32(a + i, b + i, dst + i, n - i, c1, c2);
}

// Squared 16-bit differences doubled with L_mult saturation, accumulated with saturation; all
// terms are non-negative, so unsigned arithmetic with a cap at MAX_32 is exact.
VOKS_AVX2 void pre_select_dist(const int16_t* t, int32_t* dist) {
    const __m256i cap = _mm256_set1_epi32(MAX_32), lo16 = _mm256_set1_epi32(0xFFFF);
    for (int i = 0; i < 128; i += 16) {
        __m256i acc0 = _mm256_setzero_si256(), acc1 = _mm256_setzero_si256();
        for (int j = 0; j < 10; ++j) {
            const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&kLspCb1T[j][i]));
            const __m256i d = _mm256_subs_epi16(_mm256_set1_epi16(t[j]), c);
            const __m256i d0 = _mm256_cvtepi16_epi32(_mm256_castsi256_si128(d));
            const __m256i d1 = _mm256_cvtepi16_epi32(_mm256_extracti128_si256(d, 1));
            // d * d by vpmaddwd: one operand keeps only the low 16 bits, so the high halves add 0.
            const __m256i s0 = _mm256_min_epu32(
                _mm256_slli_epi32(_mm256_madd_epi16(d0, _mm256_and_si256(d0, lo16)), 1), cap);
            const __m256i s1 = _mm256_min_epu32(
                _mm256_slli_epi32(_mm256_madd_epi16(d1, _mm256_and_si256(d1, lo16)), 1), cap);
            acc0 = _mm256_min_epu32(_mm256_add_epi32(acc0, s0), cap);
            acc1 = _mm256_min_epu32(_mm256_add_epi32(acc1, s1), cap);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dist + i), acc0);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dist + i + 8), acc1);
    }
}

// The minimum over four independent vector chains, then the first lane holding it.
VOKS_AVX2 int arg_min(const int32_t* d, int n) {
    if (n < 32) return scalar::arg_min(d, n);
    const auto ld = [d](int i)
                        VOKS_AVX2 { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i)); };
    __m256i m0 = ld(0), m1 = ld(8), m2 = ld(16), m3 = ld(24);
    int i = 32;
    for (; i + 32 <= n; i += 32) {
        m0 = _mm256_min_epi32(m0, ld(i));
        m1 = _mm256_min_epi32(m1, ld(i + 8));
        m2 = _mm256_min_epi32(m2, ld(i + 16));
        m3 = _mm256_min_epi32(m3, ld(i + 24));
    }
    for (; i + 8 <= n; i += 8) m0 = _mm256_min_epi32(m0, ld(i));
    __m256i m = _mm256_min_epi32(_mm256_min_epi32(m0, m1), _mm256_min_epi32(m2, m3));
    m = _mm256_min_epi32(m, _mm256_permute2x128_si256(m, m, 1));
    m = _mm256_min_epi32(m, _mm256_shuffle_epi32(m, 0x4E));
    m = _mm256_min_epi32(m, _mm256_shuffle_epi32(m, 0xB1));
    int32_t dmin = _mm256_cvtsi256_si32(m);
    for (int k = i; k < n; ++k) dmin = d[k] < dmin ? d[k] : dmin;
    const __m256i target = _mm256_set1_epi32(dmin);
    for (int k = 0; k + 8 <= n; k += 8) {
        const int hit = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(ld(k), target)));
        if (hit) return k + __builtin_ctz(static_cast<unsigned>(hit));
    }
    for (int k = n / 8 * 8; k < n; ++k)
        if (d[k] == dmin) return k;
    return 0;  // not reached
}

// With w >= 0, mult(w, d) has the sign of d, so every product is non-negative and below 2^31.
VOKS_AVX2 void second_stage_dist(const int16_t* t, const int16_t* w, int half, int32_t* dist) {
    const __m256i cap = _mm256_set1_epi32(MAX_32);
    const int j0 = half ? 5 : 0;
    for (int k = 0; k < 32; k += 16) {
        __m256i acc0 = _mm256_setzero_si256(), acc1 = _mm256_setzero_si256();
        for (int j = j0; j < j0 + 5; ++j) {
            const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&kLspCb2T[j][k]));
            const __m256i d = _mm256_subs_epi16(_mm256_set1_epi16(t[j]), c);
            const __m256i wv = _mm256_set1_epi32(w[j]);
            const __m256i d0 = _mm256_cvtepi16_epi32(_mm256_castsi256_si128(d));
            const __m256i d1 = _mm256_cvtepi16_epi32(_mm256_extracti128_si256(d, 1));
            const __m256i p0 = _mm256_slli_epi32(_mm256_mullo_epi32(mult16(wv, d0), d0), 1);
            const __m256i p1 = _mm256_slli_epi32(_mm256_mullo_epi32(mult16(wv, d1), d1), 1);
            acc0 = _mm256_min_epu32(_mm256_add_epi32(acc0, p0), cap);
            acc1 = _mm256_min_epu32(_mm256_add_epi32(acc1, p1), cap);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dist + k), acc0);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dist + k + 8), acc1);
    }
}

}  // namespace voks::g729::avx2

// AVX2 twins of the correlation kernels (see common/kernels.h). 16-bit products are summed in
// pairs by vpmaddwd and accumulated in 32-bit lanes, which wrap exactly like the scalar
// definition; the only pair sum that leaves the signed range, 2 * (-32768)^2, wraps to -2^31,
// which is the same value modulo 2^32. Tails use an overlapping final load with the lanes
// already counted masked to zero, so no kernel reads outside the ranges its definition reads.
#include <immintrin.h>

#include "common/x86/avx2.h"

#include "common/kernels.h"

using namespace voks::x86;

namespace voks::common::avx2 {
namespace {

// Lane sums of four accumulators: result j = total of a_j.
VOKS_AVX2 inline __m128i hsum4(__m256i a0, __m256i a1, __m256i a2, __m256i a3) {
    const __m256i s = _mm256_hadd_epi32(_mm256_hadd_epi32(a0, a1), _mm256_hadd_epi32(a2, a3));
    return _mm_add_epi32(_mm256_castsi256_si128(s), _mm256_extracti128_si256(s, 1));
}

// acc (4 x 64 bits) + the 8 lanes of v taken as unsigned 32-bit values.
VOKS_AVX2 inline __m256i add_widened(__m256i acc, __m256i v) {
    const __m256i zero = _mm256_setzero_si256();
    acc = _mm256_add_epi64(acc, _mm256_unpacklo_epi32(v, zero));
    return _mm256_add_epi64(acc, _mm256_unpackhi_epi32(v, zero));
}

inline uint32_t product(int16_t a, int16_t b) {
    return static_cast<uint32_t>(int32_t{a} * b);
}

uint32_t dot_short(const int16_t* a, const int16_t* b, int n) {
    uint32_t s = 0;
    for (int i = 0; i < n; ++i) s += product(a[i], b[i]);
    return s;
}

// r[j] = sum_{i<n} a[i]*b[i+j] for j < 4, n >= 16; reads b[0 .. n+2].
VOKS_AVX2 inline void xcorr4(const int16_t* a, const int16_t* b, int n, int32_t* r) {
    __m256i c0 = _mm256_setzero_si256(), c1 = c0, c2 = c0, c3 = c0;
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i va = load16(a + i);
        c0 = _mm256_add_epi32(c0, _mm256_madd_epi16(va, load16(b + i)));
        c1 = _mm256_add_epi32(c1, _mm256_madd_epi16(va, load16(b + i + 1)));
        c2 = _mm256_add_epi32(c2, _mm256_madd_epi16(va, load16(b + i + 2)));
        c3 = _mm256_add_epi32(c3, _mm256_madd_epi16(va, load16(b + i + 3)));
    }
    if (i < n) {
        const int t = n - 16;
        const __m256i va = _mm256_and_si256(load16(a + t), tail_mask16(n - i));
        c0 = _mm256_add_epi32(c0, _mm256_madd_epi16(va, load16(b + t)));
        c1 = _mm256_add_epi32(c1, _mm256_madd_epi16(va, load16(b + t + 1)));
        c2 = _mm256_add_epi32(c2, _mm256_madd_epi16(va, load16(b + t + 2)));
        c3 = _mm256_add_epi32(c3, _mm256_madd_epi16(va, load16(b + t + 3)));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(r), hsum4(c0, c1, c2, c3));
}

// r[j] = sum_{i<n} a[i]*b[i+j] for j < 8, n >= 16; reads b[0 .. n+6].
VOKS_AVX2 inline void xcorr8(const int16_t* a, const int16_t* b, int n, int32_t* r) {
    __m256i c[8];
    for (auto& v : c) v = _mm256_setzero_si256();
    auto step = [&](const int16_t* pa, const int16_t* pb, __m256i mask) VOKS_AVX2 {
        const __m256i va = _mm256_and_si256(load16(pa), mask);
        for (int j = 0; j < 8; ++j) c[j] = _mm256_add_epi32(c[j], _mm256_madd_epi16(va, load16(pb + j)));
    };
    const __m256i all = _mm256_set1_epi32(-1);
    int i = 0;
    for (; i + 16 <= n; i += 16) step(a + i, b + i, all);
    if (i < n) step(a + n - 16, b + n - 16, tail_mask16(n - i));
    const __m256i s0 = _mm256_hadd_epi32(_mm256_hadd_epi32(c[0], c[1]), _mm256_hadd_epi32(c[2], c[3]));
    const __m256i s1 = _mm256_hadd_epi32(_mm256_hadd_epi32(c[4], c[5]), _mm256_hadd_epi32(c[6], c[7]));
    const __m256i sum =
        _mm256_add_epi32(_mm256_permute2x128_si256(s0, s1, 0x20), _mm256_permute2x128_si256(s0, s1, 0x31));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(r), sum);
}

// r[j] = sum_{i<n-k-j} a[i]*b[i+k+j] for j < W (4 or 8 to 12; r[W .. 11] get zeros), with n - k >= 16: every
// lag runs over the length of the first one, reading the part of b past its end from `zb` (b[n-32 .. n-1]
// then zeros), so the surplus products are zero.
template <int W>
VOKS_AVX2 inline void tri(const int16_t* a, const int16_t* b, int n, int k, const int16_t* zb, int32_t* r) {
    static_assert(W == 4 || (W >= 8 && W <= 12));
    const int len = n - k;
    __m256i c[W > 8 ? 12 : W];  // lags W .. 11 stay zero
    for (auto& v : c) v = _mm256_setzero_si256();
    // Steps whose b reads stay inside b first (no mask, so the W accumulators, the a vector and a
    // product fit the 16 registers), then the steps that read past b's end through zb.
    const int inside = len - (W - 1);  // steps with p + 16 <= inside read b[k+p .. k+p+W+14] < n
    int p = 0;
    for (; p + 16 <= inside; p += 16) {
        const __m256i va = load16(a + p);
        const int16_t* pb = b + k + p;
        for (int j = 0; j < W; ++j) c[j] = _mm256_add_epi32(c[j], _mm256_madd_epi16(va, load16(pb + j)));
        // Keeps the accumulators in registers: without it the compiler spills several each step.
        for (int j = 0; j < W; ++j) asm("" : "+x"(c[j]));
    }
    for (; p + 16 <= len; p += 16) {
        const __m256i va = load16(a + p);
        const int16_t* pb = zb + (k + p - (n - 32));
        for (int j = 0; j < W; ++j) c[j] = _mm256_add_epi32(c[j], _mm256_madd_epi16(va, load16(pb + j)));
    }
    if (p < len) {
        const int t = len - 16;
        const __m256i va = _mm256_and_si256(load16(a + t), tail_mask16(len - p));
        const int start = k + t;
        const int16_t* pb = start + W - 1 + 15 <= n - 1 ? b + start : zb + (start - (n - 32));
        for (int j = 0; j < W; ++j) c[j] = _mm256_add_epi32(c[j], _mm256_madd_epi16(va, load16(pb + j)));
    }
    if constexpr (W == 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(r), hsum4(c[0], c[1], c[2], c[3]));
    } else {
        const __m256i s0 = _mm256_hadd_epi32(_mm256_hadd_epi32(c[0], c[1]), _mm256_hadd_epi32(c[2], c[3]));
        const __m256i s1 = _mm256_hadd_epi32(_mm256_hadd_epi32(c[4], c[5]), _mm256_hadd_epi32(c[6], c[7]));
        const __m256i sum = _mm256_add_epi32(_mm256_permute2x128_si256(s0, s1, 0x20),
                                             _mm256_permute2x128_si256(s0, s1, 0x31));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(r), sum);
        if constexpr (W > 8)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(r + 8), hsum4(c[8], c[9], c[10], c[11]));
    }
}

// out[k] = sum_{i<n-k} a[i]*b[i+k] for k0 <= k < k1 <= n, in groups of twelve, eight or four lags (the
// last group may compute lags past k1, which are dropped); the short tail lags by dot products.
VOKS_AVX2 void triangular(const int16_t* a, const int16_t* b, int n, int32_t* out, int k0, int k1) {
    int k = k0;
    if (n - k >= 16) {
        // Filled by whole-vector stores (a zero-initialised array costs a string store).
        alignas(32) int16_t zb[64];
        _mm256_store_si256(reinterpret_cast<__m256i*>(zb + 32), _mm256_setzero_si256());
        _mm256_store_si256(reinterpret_cast<__m256i*>(zb + 48), _mm256_setzero_si256());
        _mm256_store_si256(reinterpret_cast<__m256i*>(zb + 16), load16(b + n - 16));
        if (n >= 32) {
            _mm256_store_si256(reinterpret_cast<__m256i*>(zb), load16(b + n - 32));
        } else {
            _mm256_store_si256(reinterpret_cast<__m256i*>(zb), _mm256_setzero_si256());
            for (int t = 32 - n; t < 16; ++t) zb[t] = b[n - 32 + t];
        }
        while (k < k1 && n - k >= 16) {
            alignas(32) int32_t r[12];
            // A group of nine to eleven lags runs as wide as needed: each lag costs a multiply-add
            // per 16 samples.
            const int w = k1 - k > 11 ? 12 : k1 - k > 8 ? k1 - k : k1 - k > 4 ? 8 : 4;
            if (w == 12)
                tri<12>(a, b, n, k, zb, r);
            else if (w == 11)
                tri<11>(a, b, n, k, zb, r);
            else if (w == 10)
                tri<10>(a, b, n, k, zb, r);
            else if (w == 9)
                tri<9>(a, b, n, k, zb, r);
            else if (w == 8)
                tri<8>(a, b, n, k, zb, r);
            else
                tri<4>(a, b, n, k, zb, r);
            for (int j = 0; j < w && k + j < k1; ++j) out[k + j] = r[j];
            k += w;
        }
        // Lags whose products number fewer than 16, eight at a time: a[0..15] against b from k on
        // with the zeros past its end (zb), so each lag is one multiply-add.
        const __m256i va = load16(a);
        for (; k < k1; k += 8) {
            const int16_t* pb = zb + (k - (n - 32));  // b[k ..] then zeros, up to zb[53]
            __m256i c[8];
            for (int j = 0; j < 8; ++j) c[j] = _mm256_madd_epi16(va, load16(pb + j));
            const __m256i s0 =
                _mm256_hadd_epi32(_mm256_hadd_epi32(c[0], c[1]), _mm256_hadd_epi32(c[2], c[3]));
            const __m256i s1 =
                _mm256_hadd_epi32(_mm256_hadd_epi32(c[4], c[5]), _mm256_hadd_epi32(c[6], c[7]));
            alignas(32) int32_t r[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(r),
                               _mm256_add_epi32(_mm256_permute2x128_si256(s0, s1, 0x20),
                                                _mm256_permute2x128_si256(s0, s1, 0x31)));
            for (int j = 0; j < 8 && k + j < k1; ++j) out[k + j] = r[j];
        }
        return;
    }
    for (; k < k1; ++k) out[k] = dot(a, b + k, n - k);
}

// Pairs two coefficients into one 32-bit lane pattern for vpmaddwd.
VOKS_AVX2 inline __m256i pair(int16_t lo, int16_t hi) {
    return _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint16_t>(lo) |
                                                  (static_cast<uint32_t>(static_cast<uint16_t>(hi)) << 16)));
}

// Accumulates c_lo*p[j] + c_hi*p[j-1] into the 16 outputs j = 0..15 (p[-1 .. 15] are read).
// Lanes: lo holds outputs 0-3 and 8-11, hi holds 4-7 and 12-15.
VOKS_AVX2 inline void mac_pair(const int16_t* p, __m256i coef, __m256i& lo, __m256i& hi) {
    const __m256i va = load16(p);
    const __m256i vb = load16(p - 1);
    lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(va, vb), coef));
    hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(va, vb), coef));
}

VOKS_AVX2 inline void store16(int32_t* dst, __m256i lo, __m256i hi) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), _mm256_permute2x128_si256(lo, hi, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 8), _mm256_permute2x128_si256(lo, hi, 0x31));
}

// Outputs m0 .. m0+15 of the partial convolution; `head` holds b[-16 .. 31] (zeros outside b).
VOKS_AVX2 void conv_block(const int16_t* a, const int16_t* b, const int16_t* head, int last, int m0,
                          int32_t* dst) {
    __m256i lo = _mm256_setzero_si256(), hi = lo;
    const int kmax = m0 + 15 < last - 1 ? m0 + 15 : last - 1;
    for (int k = 0; k <= kmax; k += 2) {
        const int16_t a1 = k + 1 < last ? a[k + 1] : int16_t{0};
        const int off = m0 - k;  // b[off - 1 .. off + 15] are read
        const int16_t* p = off >= 1 ? b + off : head + 16 + off;
        mac_pair(p, pair(a[k], a1), lo, hi);
    }
    store16(dst, lo, hi);
}

// Outputs m0 .. m0+15 of the FIR filter; x[m0 - taps + 1 .. m0 + 15] are read.
VOKS_AVX2 void fir_block(const int16_t* c, int taps, const int16_t* x, int m0, int32_t* dst) {
    __m256i lo = _mm256_setzero_si256(), hi = lo;
    int i = 0;
    for (; i + 2 <= taps; i += 2) mac_pair(x + m0 - i, pair(c[i], c[i + 1]), lo, hi);
    if (i < taps) {
        // Odd tap count: the last coefficient alone, so x[m0 - taps] is never read.
        const __m256i va = load16(x + m0 - i);
        const __m256i coef = pair(c[i], 0);
        lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(va, va), coef));
        hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(va, va), coef));
    }
    store16(dst, lo, hi);
}

}  // namespace

VOKS_AVX2 int32_t dot(const int16_t* a, const int16_t* b, int n) {
    if (n < 16) return static_cast<int32_t>(dot_short(a, b, n));
    __m256i c0 = _mm256_setzero_si256(), c1 = c0;
    int i = 0;
    for (; i + 32 <= n; i += 32) {
        c0 = _mm256_add_epi32(c0, _mm256_madd_epi16(load16(a + i), load16(b + i)));
        c1 = _mm256_add_epi32(c1, _mm256_madd_epi16(load16(a + i + 16), load16(b + i + 16)));
    }
    if (i + 16 <= n) {
        c0 = _mm256_add_epi32(c0, _mm256_madd_epi16(load16(a + i), load16(b + i)));
        i += 16;
    }
    if (i < n) {
        const __m256i va = _mm256_and_si256(load16(a + n - 16), tail_mask16(n - i));
        c1 = _mm256_add_epi32(c1, _mm256_madd_epi16(va, load16(b + n - 16)));
    }
    return hsum32(_mm256_add_epi32(c0, c1));
}

VOKS_AVX2 void xcorr(const int16_t* a, const int16_t* b, int n, int32_t* out, int lags) {
    int k = 0;
    if (n >= 16) {
        for (; k + 8 <= lags; k += 8) xcorr8(a, b + k, n, out + k);
        for (; k + 4 <= lags; k += 4) xcorr4(a, b + k, n, out + k);
    }
    for (; k < lags; ++k) out[k] = dot(a, b + k, n);
}

VOKS_AVX2 void autocorr(const int16_t* x, int n, int32_t* out, int lags) {
    const int inside = lags < n ? lags : n;
    triangular(x, x, n, out, 0, inside);
    for (int k = inside; k < lags; ++k) out[k] = 0;
}

VOKS_AVX2 void xcorr_tri(const int16_t* a, const int16_t* b, int n, int32_t* out) {
    triangular(a, b, n, out, 0, n);
}

VOKS_AVX2 void mac_chain_tri(const int16_t* a, const int16_t* b, int n, int32_t* out) {
    // Eight lags per pass, one saturating step per lane and sample. b is copied with eight zeros
    // after it (lanes whose lag has run out add zero), a as 32-bit lanes ready to broadcast.
    alignas(32) int16_t bz[64 + 8];
    alignas(32) int32_t a32[64];
    for (int i = 0; i < n; ++i) {
        bz[i] = b[i];
        a32[i] = static_cast<uint16_t>(a[i]);
    }
    for (int i = n; i < n + 8; ++i) bz[i] = 0;
    const __m256i top = _mm256_set1_epi32(0x40000000), max32 = _mm256_set1_epi32(0x7FFFFFFF);
    for (int k = 0; k < n; k += 8) {
        __m256i acc = _mm256_setzero_si256();
        for (int i = 0; i < n - k; ++i) {
            // a[i] in the low half of each lane, zero above: vpmaddwd forms a[i] * b exactly.
            const __m256i bv =
                _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bz + i + k)));
            const __m256i prod = _mm256_madd_epi16(_mm256_set1_epi32(a32[i]), bv);
            // L_mult: the doubled product, (-32768)^2 giving MAX_32 (2^31 wrapped, minus one).
            const __m256i d = _mm256_add_epi32(_mm256_add_epi32(prod, prod), _mm256_cmpeq_epi32(prod, top));
            // L_add: on overflow (operands of one sign, sum of the other) the bound of acc's sign.
            const __m256i sum = _mm256_add_epi32(acc, d);
            const __m256i ovf = _mm256_andnot_si256(_mm256_xor_si256(acc, d), _mm256_xor_si256(acc, sum));
            const __m256i sat = _mm256_xor_si256(_mm256_srai_epi32(acc, 31), max32);
            acc = _mm256_castps_si256(_mm256_blendv_ps(_mm256_castsi256_ps(sum), _mm256_castsi256_ps(sat),
                                                       _mm256_castsi256_ps(ovf)));
        }
        alignas(32) int32_t r[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(r), acc);
        const int m = n - k < 8 ? n - k : 8;
        for (int j = 0; j < m; ++j) out[k + j] = r[j];
    }
}

VOKS_AVX2 int64_t energy(const int16_t* x, int n) {
    if (n < 16) {
        int64_t s = 0;
        for (int i = 0; i < n; ++i) s += int32_t{x[i]} * x[i];
        return s;
    }
    // Each vpmaddwd lane of squares is at most 2^31: exact as an unsigned 32-bit value, widened
    // to 64 bits before it is added.
    __m256i acc = _mm256_setzero_si256();
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i v = load16(x + i);
        acc = add_widened(acc, _mm256_madd_epi16(v, v));
    }
    if (i < n) {
        const __m256i v = load16(x + n - 16);
        acc = add_widened(acc, _mm256_madd_epi16(_mm256_and_si256(v, tail_mask16(n - i)), v));
    }
    const __m128i s = _mm_add_epi64(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
    return _mm_cvtsi128_si64(s) + _mm_extract_epi64(s, 1);
}

VOKS_AVX2 void conv(const int16_t* a, const int16_t* b, int first, int last, int32_t* out) {
    if (last < 16) {
        scalar::conv(a, b, first, last, out);
        return;
    }
    alignas(32) int16_t head[48] = {};
    for (int i = 0; i < 32 && i < last; ++i) head[16 + i] = b[i];
    int m0 = first;
    for (; m0 + 16 <= last; m0 += 16) conv_block(a, b, head, last, m0, out + (m0 - first));
    if (m0 < last) {
        // Overlapping final block; only the outputs not yet stored are copied.
        alignas(32) int32_t tmp[16];
        const int start = last - 16;
        conv_block(a, b, head, last, start, tmp);
        for (int m = m0; m < last; ++m) out[m - first] = tmp[m - start];
    }
}

VOKS_AVX2 void fir(const int16_t* c, int taps, const int16_t* x, int n, int32_t* out) {
    if (n < 16) {
        scalar::fir(c, taps, x, n, out);
        return;
    }
    int m0 = 0;
    for (; m0 + 16 <= n; m0 += 16) fir_block(c, taps, x, m0, out + m0);
    if (m0 < n) fir_block(c, taps, x, n - 16, out + n - 16);  // recomputes a few equal outputs
}

}  // namespace voks::common::avx2

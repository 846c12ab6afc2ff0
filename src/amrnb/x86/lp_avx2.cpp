// AVX2 twins of the GSM-AMR LP kernels (see kernels.h).
#include <immintrin.h>

#include <cstring>

#include "amrnb/kernels.h"
#include "amrnb/lp_internal.h"
#include "common/x86/avx2.h"

namespace voks::amrnb::avx2 {

namespace {

// Pairs of squares t_k^2 of four entries in 16-bit lanes: the saturating difference, mult() as
// the high and low product halves (its one saturating case, -32768 * -32768, set to 32767),
// then madd.
VOKS_AVX2 inline __m256i squares(__m256i vr, __m256i vw, __m256i wmin, const int16_t* e, int sign) {
    const __m256i min16 = _mm256_set1_epi16(-32768);
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(e));
    const __m256i v = sign < 0 ? _mm256_adds_epi16(vr, c) : _mm256_subs_epi16(vr, c);
    __m256i t = _mm256_or_si256(_mm256_slli_epi16(_mm256_mulhi_epi16(vw, v), 1),
                                _mm256_srli_epi16(_mm256_mullo_epi16(vw, v), 15));
    t = _mm256_blendv_epi8(t, _mm256_set1_epi16(32767), _mm256_and_si256(wmin, _mm256_cmpeq_epi16(v, min16)));
    return _mm256_madd_epi16(t, t);
}

// a + b and a - b in 32-bit lanes; the sign bit of `over` is set in each lane whose exact
// result leaves 32 bits.
VOKS_AVX2 inline __m256i add_checked(__m256i a, __m256i b, __m256i& over) {
    const __m256i r = _mm256_add_epi32(a, b);
    over = _mm256_or_si256(over, _mm256_and_si256(_mm256_xor_si256(r, a), _mm256_xor_si256(r, b)));
    return r;
}
VOKS_AVX2 inline __m256i sub_checked(__m256i a, __m256i b, __m256i& over) {
    const __m256i r = _mm256_sub_epi32(a, b);
    over = _mm256_or_si256(over, _mm256_and_si256(_mm256_xor_si256(a, b), _mm256_xor_si256(r, a)));
    return r;
}

// 2 (hi x) + 2 ((lo x) >> 15) of b = hi 2^16 + lo 2, checked; |hi x| < 2^30 for x > -32768.
VOKS_AVX2 inline __m256i mpy(__m256i hi, __m256i lo, __m256i x, __m256i& over) {
    return add_checked(_mm256_slli_epi32(_mm256_mullo_epi32(hi, x), 1),
                       _mm256_slli_epi32(_mm256_srai_epi32(_mm256_mullo_epi32(lo, x), 15), 1), over);
}

// t - b2 with b2 = hi 2^16 + lo 2, checked (the chain saturates hi * -32768 for hi = -32768).
VOKS_AVX2 inline __m256i minus_b2(__m256i t, __m256i hi, __m256i lo, __m256i& over) {
    over = _mm256_or_si256(over, _mm256_cmpeq_epi32(hi, _mm256_set1_epi32(-32768)));
    return sub_checked(sub_checked(t, _mm256_slli_epi32(hi, 16), over), _mm256_slli_epi32(lo, 1), over);
}

int64_t pack4(const int16_t* x) {
    return int64_t{static_cast<uint16_t>(x[0])} | int64_t{static_cast<uint16_t>(x[1])} << 16 |
           int64_t{static_cast<uint16_t>(x[2])} << 32 | int64_t{static_cast<uint16_t>(x[3])} << 48;
}

}  // namespace

// Eight entries per step: two vectors of pair sums, added pairwise (mod 2^32) and put in order.
VOKS_AVX2 void lsf_dist4(const int16_t* r, const int16_t* w, const int16_t* cb, int n, int sign,
                         uint32_t* h) {
    const __m256i vr = _mm256_set1_epi64x(pack4(r)), vw = _mm256_set1_epi64x(pack4(w));
    const __m256i wmin = _mm256_cmpeq_epi16(vw, _mm256_set1_epi16(-32768));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = _mm256_hadd_epi32(squares(vr, vw, wmin, cb + 4 * i, sign),
                                            squares(vr, vw, wmin, cb + 4 * i + 16, sign));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(h + i), _mm256_permute4x64_epi64(s, 0xD8));
    }
    if (i < n) scalar::lsf_dist4(r, w, cb + 4 * i, n - i, sign, h + i);
}

// Eight points per step, in 32-bit lanes as the scalar kernel's checked arithmetic; a lane
// whose checks fail (or whose x is -32768) is evaluated again by the scalar kernel.
VOKS_AVX2 void cheb_grid(const int16_t* f, const int16_t* x, int n, int16_t* y) {
    const __m256i f1 = _mm256_set1_epi32(16384 * f[1]), f5 = _mm256_set1_epi32(8192 * f[5]);
    const __m256i lo_mask = _mm256_set1_epi32(0x7FFF), min16 = _mm256_set1_epi32(-32768);
    int any = 0;
    for (int k0 = 0; k0 < n; k0 += 8) {
        // A last partial step evaluates the last eight points again (fewer than eight in all:
        // from a zero-padded copy).
        const int k = n - k0 < 8 && n >= 8 ? n - 8 : k0;
        const int len = n - k < 8 ? n - k : 8;
        int16_t pad[8] = {};
        const int16_t* px = x + k;
        if (len < 8) px = static_cast<const int16_t*>(std::memcpy(pad, px, len * sizeof(int16_t)));
        const __m256i vx = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(px)));
        __m256i over = _mm256_cmpeq_epi32(vx, min16);
        __m256i t = _mm256_add_epi32(_mm256_slli_epi32(vx, 10), f1);
        __m256i b2h = _mm256_set1_epi32(256), b2l = _mm256_setzero_si256();
        __m256i b1h = _mm256_srai_epi32(t, 16), b1l = _mm256_and_si256(_mm256_srli_epi32(t, 1), lo_mask);
        for (int i = 2; i < 5; ++i) {
            const __m256i m = mpy(b1h, b1l, vx, over);
            t = add_checked(minus_b2(add_checked(m, m, over), b2h, b2l, over),
                            _mm256_set1_epi32(16384 * f[i]), over);
            b2h = b1h;
            b2l = b1l;
            b1h = _mm256_srai_epi32(t, 16);
            b1l = _mm256_and_si256(_mm256_srli_epi32(t, 1), lo_mask);
        }
        t = add_checked(minus_b2(mpy(b1h, b1l, vx, over), b2h, b2l, over), f5, over);
        // extract_h(L_shl(t, 6)) = sat16(t >> 10).
        const __m256i r = _mm256_srai_epi32(t, 10);
        const __m128i r16 = _mm_packs_epi32(_mm256_castsi256_si128(r), _mm256_extracti128_si256(r, 1));
        if (len == 8) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(y + k), r16);
        } else {
            int16_t out[8];
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), r16);
            std::memcpy(y + k, out, len * sizeof(int16_t));
        }
        any |= _mm256_movemask_ps(_mm256_castsi256_ps(over)) & ((1 << len) - 1);
    }
    // A failed check anywhere (rare: extreme polynomials) sends every point to the scalar
    // kernel, after the vector loop, which then holds its constants in registers.
    if (any) scalar::cheb_grid(f, x, n, y);
}

// The products of y[i-3..i-10] by one pmaddwd over a vector of those eight outputs, which takes
// y[i-2] three samples before it is needed; y[i-1] and y[i-2] go through scalar products, so
// that each sample waits for one of them. Sums mod 2^32, as the scalar kernel (a pair of
// -32768 * -32768 wraps to the same residue).
VOKS_AVX2 int syn_run(const int16_t* a, const int16_t* x, int16_t* y, int n) {
    const __m128i taps = _mm_setr_epi16(a[10], a[9], a[8], a[7], a[6], a[5], a[4], a[3]);
    __m128i h = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y - 10));
    const uint32_t c0 = a[0], c1 = a[1], c2 = a[2];
    uint32_t p1 = y[-1], p2 = y[-2];
    for (int i = 0; i < n; ++i) {
        // h holds y[i-10..i-3] here.
        __m128i d = _mm_madd_epi16(h, taps);
        d = _mm_add_epi32(d, _mm_shuffle_epi32(d, 0x4E));
        d = _mm_add_epi32(d, _mm_shuffle_epi32(d, 0xB1));
        const uint32_t s =
            static_cast<uint32_t>(x[i]) * c0 + 0x800 - static_cast<uint32_t>(_mm_cvtsi128_si32(d)) - c2 * p2;
        h = _mm_insert_epi16(_mm_srli_si128(h, 2), static_cast<int16_t>(p2), 7);
        const int32_t v = static_cast<int32_t>(s - c1 * p1) >> 12;
        if (v > 32767 || v < -32768) return i;
        y[i] = static_cast<int16_t>(v);
        p2 = p1;
        p1 = static_cast<uint32_t>(v);
    }
    return n;
}

// The two runs interleaved, so that each one's wait for its newest output overlaps the other's;
// from the first sample where either leaves 16 bits, each run continues alone.
VOKS_AVX2 void syn_run2(const int16_t* a, const int16_t* x0, int16_t* y0, const int16_t* x1, int16_t* y1,
                        int n, int* count) {
    const __m128i taps = _mm_setr_epi16(a[10], a[9], a[8], a[7], a[6], a[5], a[4], a[3]);
    __m128i h0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y0 - 10));
    __m128i h1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y1 - 10));
    const uint32_t c0 = a[0], c1 = a[1], c2 = a[2];
    uint32_t p0 = y0[-1], q0 = y0[-2], p1 = y1[-1], q1 = y1[-2];
    int i = 0;
    for (; i < n; ++i) {
        __m128i d = _mm_hadd_epi32(_mm_madd_epi16(h0, taps), _mm_madd_epi16(h1, taps));
        d = _mm_hadd_epi32(d, d);
        const uint32_t s0 =
            static_cast<uint32_t>(x0[i]) * c0 + 0x800 - static_cast<uint32_t>(_mm_cvtsi128_si32(d)) - c2 * q0;
        const uint32_t s1 = static_cast<uint32_t>(x1[i]) * c0 + 0x800 -
                            static_cast<uint32_t>(_mm_extract_epi32(d, 1)) - c2 * q1;
        h0 = _mm_insert_epi16(_mm_srli_si128(h0, 2), static_cast<int16_t>(q0), 7);
        h1 = _mm_insert_epi16(_mm_srli_si128(h1, 2), static_cast<int16_t>(q1), 7);
        const int32_t v0 = static_cast<int32_t>(s0 - c1 * p0) >> 12,
                      v1 = static_cast<int32_t>(s1 - c1 * p1) >> 12;
        if (v0 > 32767 || v0 < -32768 || v1 > 32767 || v1 < -32768) break;
        y0[i] = static_cast<int16_t>(v0);
        y1[i] = static_cast<int16_t>(v1);
        q0 = p0;
        p0 = static_cast<uint32_t>(v0);
        q1 = p1;
        p1 = static_cast<uint32_t>(v1);
    }
    count[0] = i + syn_run(a, x0 + i, y0 + i, n - i);
    count[1] = i + syn_run(a, x1 + i, y1 + i, n - i);
}

}  // namespace voks::amrnb::avx2

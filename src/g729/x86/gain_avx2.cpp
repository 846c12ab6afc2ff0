// AVX2 twins of the G.729 gain kernels; each gives the scalar bits for every input.
#include <immintrin.h>

#include <cstring>

#include "common/basicop.h"
#include "common/x86/avx2.h"
#include "g729/kernels.h"

using namespace voks::x86;

namespace voks::g729::avx2 {
namespace {

// 32-bit products g * x of 16 lanes, rounded and shifted, packed back with 16-bit saturation.
template <int Shift, int Round>
VOKS_AVX2 inline __m256i scale16(__m256i g, __m256i x) {
    const __m256i lo = _mm256_mullo_epi16(g, x);
    const __m256i hi = _mm256_mulhi_epi16(g, x);
    __m256i a = _mm256_unpacklo_epi16(lo, hi);
    __m256i b = _mm256_unpackhi_epi16(lo, hi);
    if (Round != 0) {
        const __m256i r = _mm256_set1_epi32(Round);
        a = _mm256_add_epi32(a, r);
        b = _mm256_add_epi32(b, r);
    }
    a = _mm256_srai_epi32(a, Shift);
    b = _mm256_srai_epi32(b, Shift);
    return _mm256_packs_epi32(a, b);
}

VOKS_AVX2 inline __m128i loadu128(const int16_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// scale16 on eight samples.
template <int Shift, int Round>
VOKS_AVX2 inline __m128i scale8(__m128i g, __m128i x) {
    const __m128i lo = _mm_mullo_epi16(g, x);
    const __m128i hi = _mm_mulhi_epi16(g, x);
    const __m128i r = _mm_set1_epi32(Round);
    const __m128i a = _mm_srai_epi32(_mm_add_epi32(_mm_unpacklo_epi16(lo, hi), r), Shift);
    const __m128i b = _mm_srai_epi32(_mm_add_epi32(_mm_unpackhi_epi16(lo, hi), r), Shift);
    return _mm_packs_epi32(a, b);
}

// Saturating 32-bit addition (L_add) of 8 lanes.
VOKS_AVX2 inline __m256i sat_add(__m256i a, __m256i b) {
    const __m256i s = _mm256_add_epi32(a, b);
    const __m256i ovf =
        _mm256_srai_epi32(_mm256_and_si256(_mm256_xor_si256(a, s), _mm256_xor_si256(b, s)), 31);
    const __m256i rail = _mm256_xor_si256(_mm256_srai_epi32(a, 31), _mm256_set1_epi32(0x7FFFFFFF));
    return _mm256_blendv_epi8(s, rail, ovf);
}

// mult of 16-bit values held in 32-bit lanes: (a * b) >> 15, only -32768 * -32768 saturating.
VOKS_AVX2 inline __m256i mult32(__m256i a, __m256i b) {
    return _mm256_min_epi32(_mm256_srai_epi32(_mm256_mullo_epi32(a, b), 15), _mm256_set1_epi32(32767));
}

// Mpy_32_16(hi, lo, v) = L_add(L_mult(hi, v), 2 * mult(lo, v)) with lo in 0..32767.
VOKS_AVX2 inline __m256i mpy_32_16(__m256i hi, __m256i lo, __m256i v) {
    const __m256i p = _mm256_mullo_epi32(hi, v);
    __m256i t1 = _mm256_add_epi32(p, p);
    const __m256i sat = _mm256_cmpeq_epi32(p, _mm256_set1_epi32(0x40000000));
    t1 = _mm256_blendv_epi8(t1, _mm256_set1_epi32(0x7FFFFFFF), sat);
    const __m256i t2 = _mm256_srai_epi32(_mm256_mullo_epi32(lo, v), 15);
    return sat_add(t1, _mm256_add_epi32(t2, t2));
}

}  // namespace

VOKS_AVX2 void quant_dist(const int16_t* hi, const int16_t* lo, const int16_t* gp, const int16_t* gc,
                          int32_t* d, int n) {
    __m256i vhi[5], vlo[5];
    for (int t = 0; t < 5; ++t) {
        vhi[t] = _mm256_set1_epi32(hi[t]);
        vlo[t] = _mm256_set1_epi32(lo[t]);
    }
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        const __m256i p = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(gp + k)));
        const __m256i c = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(gc + k)));
        const __m256i v[5] = {mult32(p, p), p, mult32(c, c), c, mult32(c, p)};
        __m256i s = mpy_32_16(vhi[0], vlo[0], v[0]);
        for (int t = 1; t < 5; ++t) s = sat_add(s, mpy_32_16(vhi[t], vlo[t], v[t]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + k), s);
    }
    scalar::quant_dist(hi, lo, gp + k, gc + k, d + k, n - k);
}

VOKS_AVX2 int32_t abs_sum(const int16_t* x, int n) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i acc = _mm256_setzero_si256();
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i a = _mm256_abs_epi16(load16(x + i));  // 0x8000 read as unsigned is 32768
        acc = _mm256_add_epi32(acc, _mm256_unpacklo_epi16(a, zero));
        acc = _mm256_add_epi32(acc, _mm256_unpackhi_epi16(a, zero));
    }
    int32_t s = hsum32(acc);
    for (; i < n; ++i) s += x[i] < 0 ? -int32_t{x[i]} : x[i];
    return s;
}

VOKS_AVX2 int32_t energy_q2(const int16_t* x, int n) {
    __m256i acc = _mm256_setzero_si256();  // four 64-bit sums
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i v = _mm256_srai_epi16(load16(x + i), 2);
        const __m256i p = _mm256_madd_epi16(v, v);  // 8 pair sums, each <= 2^27
        acc = _mm256_add_epi64(acc, _mm256_cvtepu32_epi64(_mm256_castsi256_si128(p)));
        acc = _mm256_add_epi64(acc, _mm256_cvtepu32_epi64(_mm256_extracti128_si256(p, 1)));
    }
    alignas(32) int64_t part[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(part), acc);
    int64_t s = part[0] + part[1] + part[2] + part[3];
    for (; i < n; ++i) {
        const int32_t v = x[i] >> 2;
        s += v * v;
    }
    s *= 2;
    return s > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(s);
}

namespace {

// The two 128-bit halves of v added.
VOKS_AVX2 inline __m128i fold(__m256i v) {
    return _mm_add_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
}

}  // namespace

VOKS_AVX2 void ltp_phase_sums(const int16_t* s, const int16_t* yup, int32_t* e, int32_t* n0, int32_t* n1) {
    const __m256i s0 = load16(s), s1 = load16(s + 16);
    const __m128i s2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 32));
    const __m128i drop_last = _mm_setr_epi16(-1, -1, -1, -1, -1, -1, -1, 0);
    for (int p = 0; p < 7; ++p) {
        const int16_t* y = yup + 41 * p;
        // y[0..39] against s, y[1..40] against s, y[1..39] squared; the last blocks are 8 lanes
        // (y[32..39], y[33..40]) so that no load leaves the 41 samples.
        const __m256i a0 = load16(y), a1 = load16(y + 16);
        const __m256i b0 = load16(y + 1), b1 = load16(y + 17);
        const __m128i a2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + 32));
        const __m128i b2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + 33));
        const __m128i b2e = _mm_and_si128(b2, drop_last);
        const __m128i vn0 =
            _mm_add_epi32(fold(_mm256_add_epi32(_mm256_madd_epi16(s0, a0), _mm256_madd_epi16(s1, a1))),
                          _mm_madd_epi16(s2, a2));
        const __m128i vn1 =
            _mm_add_epi32(fold(_mm256_add_epi32(_mm256_madd_epi16(s0, b0), _mm256_madd_epi16(s1, b1))),
                          _mm_madd_epi16(s2, b2));
        const __m128i ve =
            _mm_add_epi32(fold(_mm256_add_epi32(_mm256_madd_epi16(b0, b0), _mm256_madd_epi16(b1, b1))),
                          _mm_madd_epi16(b2e, b2e));
        // The three horizontal sums at once: (n0, n1, e, e).
        const __m128i h = _mm_hadd_epi32(_mm_hadd_epi32(vn0, vn1), _mm_hadd_epi32(ve, ve));
        n0[p] = _mm_cvtsi128_si32(h);
        n1[p] = _mm_extract_epi32(h, 1);
        e[p] = _mm_extract_epi32(h, 2);
    }
}

namespace {
constexpr int kInterpBlocks[3] = {0, 16, 25};
}  // namespace

VOKS_AVX2 void ltp_interp(const int16_t* x, const int16_t* h, int16_t* y) {
    const __m256i round = _mm256_set1_epi32(0x4000);
    // Tap pairs (h0, h1) against (x[n], x[n-1]) and (h2, h3) against (x[n-2], x[n-3]), per phase.
    __m256i h01[7], h23[7];
    for (int p = 0; p < 7; ++p) {
        int32_t pair01, pair23;
        std::memcpy(&pair01, h + 4 * p, 4);
        std::memcpy(&pair23, h + 4 * p + 2, 4);
        h01[p] = _mm256_set1_epi32(pair01);
        h23[p] = _mm256_set1_epi32(pair23);
    }
    // Outputs 0..15, 16..31 and 25..40 (the last block overlaps the second); the interleaved
    // input of a block serves all seven phases.
    for (const int n : kInterpBlocks) {
        const __m256i x0 = load16(x + n), x1 = load16(x + n - 1), x2 = load16(x + n - 2),
                      x3 = load16(x + n - 3);
        const __m256i l01 = _mm256_unpacklo_epi16(x0, x1), l23 = _mm256_unpacklo_epi16(x2, x3);
        const __m256i u01 = _mm256_unpackhi_epi16(x0, x1), u23 = _mm256_unpackhi_epi16(x2, x3);
        for (int p = 0; p < 7; ++p) {
            const __m256i lo =
                _mm256_add_epi32(_mm256_madd_epi16(l01, h01[p]), _mm256_madd_epi16(l23, h23[p]));
            const __m256i hi =
                _mm256_add_epi32(_mm256_madd_epi16(u01, h01[p]), _mm256_madd_epi16(u23, h23[p]));
            const __m256i r = _mm256_packs_epi32(_mm256_srai_epi32(_mm256_add_epi32(lo, round), 15),
                                                 _mm256_srai_epi32(_mm256_add_epi32(hi, round), 15));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(y + 41 * p + n), r);
        }
    }
}

VOKS_AVX2 void apply_q14(const int16_t* g, int16_t* x, int n) {
    int i = 0;
    for (; i + 16 <= n; i += 16)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(x + i),
                            scale16<14, 8192>(load16(g + i), load16(x + i)));
    if (i + 8 <= n) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(x + i),
                         scale8<14, 8192>(loadu128(g + i), loadu128(x + i)));
        i += 8;
    }
    scalar::apply_q14(g + i, x + i, n - i);
}

VOKS_AVX2 void apply_q12(const int16_t* g, int16_t* x, int n) {
    int i = 0;
    for (; i + 16 <= n; i += 16)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(x + i), scale16<12, 0>(load16(g + i), load16(x + i)));
    if (i + 8 <= n) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(x + i), scale8<12, 0>(loadu128(g + i), loadu128(x + i)));
        i += 8;
    }
    scalar::apply_q12(g + i, x + i, n - i);
}

VOKS_AVX2 void gain_dist(const float* c, const float* gp, const float* gcs, float g0, float* d, int n) {
    const __m256 c0 = _mm256_set1_ps(c[0]), c1 = _mm256_set1_ps(c[1]), c2 = _mm256_set1_ps(c[2]);
    const __m256 c3 = _mm256_set1_ps(c[3]), c4 = _mm256_set1_ps(c[4]), vg0 = _mm256_set1_ps(g0);
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        const __m256 p = _mm256_loadu_ps(gp + k);
        const __m256 q = _mm256_mul_ps(vg0, _mm256_loadu_ps(gcs + k));
        __m256 s = _mm256_mul_ps(_mm256_mul_ps(p, p), c0);
        s = _mm256_add_ps(s, _mm256_mul_ps(p, c1));
        s = _mm256_add_ps(s, _mm256_mul_ps(_mm256_mul_ps(q, q), c2));
        s = _mm256_add_ps(s, _mm256_mul_ps(q, c3));
        s = _mm256_add_ps(s, _mm256_mul_ps(_mm256_mul_ps(p, q), c4));
        _mm256_storeu_ps(d + k, s);
    }
    scalar::gain_dist(c, gp + k, gcs + k, g0, d + k, n - k);
}

VOKS_AVX2 void tilt(const int16_t* x, int16_t* y, int n, int16_t mu, int16_t ga, int32_t fact, int shift) {
    const __m256i vmu2 = _mm256_set1_epi32(2 * int32_t{mu});
    const __m256i vga2 = _mm256_set1_epi32(2 * int32_t{ga});
    const __m256i half = _mm256_set1_epi32(0x4000);
    const __m256i vfact = _mm256_set1_epi32(fact);
    const __m128i sh = _mm_cvtsi32_si128(shift);
    // Eight outputs from x[j .. j + 8] as 32-bit lanes.
    auto eight = [&](const int16_t* p) VOKS_AVX2 {
        const __m256i prev = _mm256_cvtepi16_epi32(loadu128(p));
        const __m256i cur = _mm256_cvtepi16_epi32(loadu128(p + 1));
        __m256i t = _mm256_add_epi32(_mm256_slli_epi32(cur, 15), _mm256_mullo_epi32(vmu2, prev));
        t = _mm256_srai_epi32(_mm256_add_epi32(t, half), 15);
        const __m256i v = _mm256_srai_epi32(_mm256_slli_epi32(t, 16), 16);  // low 16 bits, signed
        return _mm256_sra_epi32(_mm256_add_epi32(_mm256_mullo_epi32(v, vga2), vfact), sh);
    };
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        // packs works per 128-bit lane: restore the sample order afterwards.
        const __m256i p = _mm256_permute4x64_epi64(_mm256_packs_epi32(eight(x + i), eight(x + i + 8)), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(y + i), p);
    }
    if (i + 8 <= n) {
        const __m256i r = eight(x + i);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(y + i),
                         _mm_packs_epi32(_mm256_castsi256_si128(r), _mm256_extracti128_si256(r, 1)));
        i += 8;
    }
    scalar::tilt(x + i, y + i, n - i, mu, ga, fact, shift);
}

VOKS_AVX2 bool synth(const int16_t* a, int order, const int16_t* x, int16_t* y, int n) {
    // Blocks of 16 outputs: the part of each sum over outputs before the block runs in vector
    // lanes (the block's own outputs held at zero), the rest follows sample by sample. All sums
    // are exact, so the grouping does not change them.
    // Below order 16 the in-block part is most of the work: the scalar loop is as fast.
    if (order < 16) return scalar::synth(a, order, x, y, n);
    bool overflow = false;
    alignas(32) int32_t known[16];
    for (int n0 = 0; n0 < n; n0 += 16) {
        std::memset(y + n0, 0, 16 * sizeof(int16_t));
        __m256i lo = _mm256_setzero_si256(), hi = lo;
        int i = 1;
        for (; i + 1 <= order; i += 2) {
            const __m256i v1 = load16(y + n0 - i), v2 = load16(y + n0 - i - 1);
            const uint32_t pair =
                (uint32_t{static_cast<uint16_t>(a[i + 1])} << 16) | static_cast<uint16_t>(a[i]);
            const __m256i c = _mm256_set1_epi32(static_cast<int32_t>(pair));
            lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(v1, v2), c));
            hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(v1, v2), c));
        }
        if (i == order) {
            const __m256i v1 = load16(y + n0 - i);
            const __m256i c = _mm256_set1_epi32(static_cast<uint16_t>(a[i]));
            lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(v1, v1), c));
            hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(v1, v1), c));
        }
        // unpack works per 128-bit lane: lo holds outputs 0-3 and 8-11, hi 4-7 and 12-15.
        _mm256_store_si256(reinterpret_cast<__m256i*>(known), _mm256_permute2x128_si256(lo, hi, 0x20));
        _mm256_store_si256(reinterpret_cast<__m256i*>(known + 8), _mm256_permute2x128_si256(lo, hi, 0x31));
        const int end = n - n0 < 16 ? n - n0 : 16;
        for (int j = 0; j < end; ++j) {
            const int k = n0 + j;
            int32_t s = int32_t{x[k]} * a[0] - known[j];
            for (int t = (j < order ? j : order); t >= 1; --t) s -= int32_t{a[t]} * y[k - t];
            y[k] = round_fx(L_shl(s * 2, 3, overflow), overflow);
        }
    }
    return overflow;
}

}  // namespace voks::g729::avx2

// The G.728 AVX2 twins: the recursion's correlation and coefficient update 16 lanes at a time
// (up to order 64 with the coefficients held in registers), the codebook search's correlations
// and gain-cell distortions and the filtered codevector energies eight shapes at a time, and the
// synthesis memory's past-vector ringing in exact doubles.
#include <algorithm>

#include "common/x86/avx2.h"
#include "g728/g728_loops.h"
#include "g728/g728_tables.h"
#include "g728/kernels.h"

namespace voks::g728::avx2 {

namespace {

using voks::x86::load16;

// The 16 lanes in reverse order.
VOKS_AVX2 inline __m256i reverse16(__m256i v) {
    const __m256i m = _mm256_setr_epi8(14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1, 14, 15, 12, 13,
                                       10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1);
    return _mm256_permute4x64_epi64(_mm256_shuffle_epi8(v, m), 0x4E);
}

// round16 of eight 32-bit lanes.
VOKS_AVX2 inline __m256i round16x8(__m256i v) {
    const __m256i b = _mm256_srai_epi32(v, 16);
    const __m256i bit = _mm256_and_si256(_mm256_srli_epi32(v, 15), _mm256_set1_epi32(1));
    const __m256i top = _mm256_cmpeq_epi32(b, _mm256_set1_epi32(32767));
    return _mm256_add_epi32(b, _mm256_andnot_si256(top, bit));
}

// Shape codebook regrouped for madd: for each pair of samples (0,1), (2,3), (4,-) the two
// samples of eight shapes side by side.
struct Pairs {
    alignas(32) int16_t p[3][kShapeCount * 2];
    Pairs() {
        for (int s = 0; s < kShapeCount; ++s)
            for (int k = 0; k < 3; ++k) {
                p[k][2 * s] = kShapes[s * kDim + 2 * k];
                p[k][2 * s + 1] = k < 2 ? kShapes[s * kDim + 2 * k + 1] : int16_t{0};
            }
    }
};

// Shape codebook regrouped for the convolution: row r holds, for every shape, the pair of
// samples (y[j + 2p], y[j + 2p + 1]) (zero past the fifth) that meets the taps (h[4 - 2p],
// h[3 - 2p]) in convolved sample j; rows in order j = 0 (p = 0..2), 1 (0..1), 2 (0..1), 3, 4.
struct ConvPairs {
    static constexpr int kRows = 9;
    static constexpr int kRowJ[kRows] = {0, 0, 0, 1, 1, 2, 2, 3, 4};
    static constexpr int kRowP[kRows] = {0, 1, 2, 0, 1, 0, 1, 0, 0};
    alignas(32) int16_t p[kRows][kShapeCount * 2];
    ConvPairs() {
        for (int r = 0; r < kRows; ++r)
            for (int s = 0; s < kShapeCount; ++s) {
                const int k = kRowJ[r] + 2 * kRowP[r];
                p[r][2 * s] = kShapes[s * kDim + k];
                p[r][2 * s + 1] = k + 1 < kDim ? kShapes[s * kDim + k + 1] : int16_t{0};
            }
    }
};

VOKS_AVX2 inline __m256i pair16(int16_t lo, int16_t hi) {
    return _mm256_set1_epi32(int32_t(uint16_t(lo)) | int32_t(uint32_t(uint16_t(hi)) << 16));
}

// acc (four 64-bit lanes) plus the eight pair sums of a madd, each less one. A pair sum reaches
// +2^31 only for two (-32768)^2 products, which wrap to INT32_MIN; less one, that lane is
// 2^31 - 1 and every other lane is exact, so the caller adds back one per pair sum.
VOKS_AVX2 inline __m256i add_pairs(__m256i acc, __m256i m) {
    m = _mm256_sub_epi32(m, _mm256_set1_epi32(1));
    acc = _mm256_add_epi64(acc, _mm256_cvtepi32_epi64(_mm256_castsi256_si128(m)));
    return _mm256_add_epi64(acc, _mm256_cvtepi32_epi64(_mm256_extracti128_si256(m, 1)));
}

struct Ops {
    VOKS_AVX2 static int64_t dot(const int16_t* a, const int16_t* rr, int n) {
        __m256i acc = _mm256_setzero_si256();
        int k = 0;
        for (; k < n; k += 16) acc = add_pairs(acc, _mm256_madd_epi16(load16(a + k), load16(rr + k)));
        return static_cast<int64_t>(voks::x86::hsum64(acc)) + (k >> 1);
    }
    VOKS_AVX2 static bool update(const int16_t* a, int i, int32_t rc, int16_t ai, int16_t* upd) {
        const __m256i vrc = _mm256_set1_epi32(rc);
        const __m256i lane = _mm256_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
        const __m256i vai = _mm256_set1_epi16(ai);
        __m256i over = _mm256_setzero_si256();
        for (int f = 0; f <= i; f += 16) {
            const __m256i va = load16(a + f);
            const __m256i vb = reverse16(load16(a + i - 16 - f));  // a[i-1-f-l], lane l
            __m256i res[2];
            for (int h = 0; h < 2; ++h) {
                const __m256i a32 =
                    _mm256_cvtepi16_epi32(h ? _mm256_extracti128_si256(va, 1) : _mm256_castsi256_si128(va));
                const __m256i b32 =
                    _mm256_cvtepi16_epi32(h ? _mm256_extracti128_si256(vb, 1) : _mm256_castsi256_si128(vb));
                const __m256i x = _mm256_slli_epi32(a32, 16);
                const __m256i p = _mm256_mullo_epi32(b32, vrc);
                const __m256i v = _mm256_add_epi32(x, p);
                over =
                    _mm256_or_si256(over, _mm256_and_si256(_mm256_xor_si256(x, v), _mm256_xor_si256(p, v)));
                res[h] = round16x8(v);
            }
            const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(res[0], res[1]), 0xD8);
            // Lane i (zero so far: a[i] and a[-1] are zero) receives ai.
            const __m256i at_i = _mm256_cmpeq_epi16(lane, _mm256_set1_epi16(static_cast<int16_t>(i - f)));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(upd + f), _mm256_blendv_epi8(packed, vai, at_i));
        }
        return _mm256_movemask_ps(_mm256_castsi256_ps(over)) != 0;
    }
    VOKS_AVX2 static void distortions(const int16_t* ct, const int16_t* y2, int32_t* dist, uint8_t* cell) {
        static const Pairs pairs;
        const __m256i c01 =
            _mm256_set1_epi32(int32_t(uint16_t(ct[0])) | int32_t(uint32_t(uint16_t(ct[1])) << 16));
        const __m256i c23 =
            _mm256_set1_epi32(int32_t(uint16_t(ct[2])) | int32_t(uint32_t(uint16_t(ct[3])) << 16));
        const __m256i c4 = _mm256_set1_epi32(int32_t(uint16_t(ct[4])));
        const __m256i one = _mm256_set1_epi32(1), max16 = _mm256_set1_epi32(MAX_16);
        for (int s = 0; s < kShapeCount; s += 8) {
            const __m256i cor =
                _mm256_add_epi32(_mm256_add_epi32(_mm256_madd_epi16(load16(pairs.p[0] + 2 * s), c01),
                                                  _mm256_madd_epi16(load16(pairs.p[1] + 2 * s), c23)),
                                 _mm256_madd_epi16(load16(pairs.p[2] + 2 * s), c4));
            const __m256i ysq =
                _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y2 + s)));
            const __m256i neg = _mm256_cmpgt_epi32(one, cor);  // cor <= 0
            const __m256i c = _mm256_abs_epi32(cor);
            // Cell: how many bounds c exceeds, in order (stops at the first it does not).
            const __m256i gt0 =
                _mm256_cmpgt_epi32(c, _mm256_mullo_epi32(ysq, _mm256_set1_epi32(kGainBound[0])));
            const __m256i gt1 = _mm256_and_si256(
                gt0, _mm256_cmpgt_epi32(c, _mm256_mullo_epi32(ysq, _mm256_set1_epi32(kGainBound[1]))));
            const __m256i gt2 = _mm256_and_si256(
                gt1, _mm256_cmpgt_epi32(c, _mm256_mullo_epi32(ysq, _mm256_set1_epi32(kGainBound[2]))));
            const __m256i g =
                _mm256_sub_epi32(_mm256_sub_epi32(_mm256_setzero_si256(), gt0), _mm256_add_epi32(gt1, gt2));
            const __m256i gsq =
                _mm256_permutevar8x32_epi32(_mm256_setr_epi32(545, 1668, 5107, 15640, 0, 0, 0, 0), g);
            const __m256i g2 =
                _mm256_permutevar8x32_epi32(_mm256_setr_epi32(4224, 7392, 12936, 22638, 0, 0, 0, 0), g);
            const __m256i cq = _mm256_min_epi32(_mm256_srai_epi32(c, 14), max16);
            const __m256i d = _mm256_sub_epi32(_mm256_mullo_epi32(gsq, ysq), _mm256_mullo_epi32(g2, cq));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dist + s), d);
            alignas(32) int32_t cells[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(cells),
                               _mm256_add_epi32(g, _mm256_and_si256(neg, _mm256_set1_epi32(4))));
            for (int k = 0; k < 8; ++k) cell[s + k] = static_cast<uint8_t>(cells[k]);
        }
    }
};

}  // namespace

// round16(x 2^16 + rc y) of 16 lanes where that is exact in 16 bits: with rc = 2 rch (|rch| <=
// 32767), round16(x 2^16 + rc y) = x + mulhrs(y, rch) whenever that sum lies in -32767..32767;
// `exact` keeps the lanes where it does.
VOKS_AVX2 inline __m256i update16(__m256i x, __m256i y, __m256i vrch, __m256i& exact) {
    const __m256i t = _mm256_mulhrs_epi16(y, vrch);
    const __m256i sat = _mm256_adds_epi16(x, t), wrap = _mm256_add_epi16(x, t);
    exact = _mm256_and_si256(exact, _mm256_andnot_si256(_mm256_cmpeq_epi16(wrap, _mm256_set1_epi16(MIN_16)),
                                                        _mm256_cmpeq_epi16(sat, wrap)));
    return wrap;
}

// The recursion for orders up to 16 MAXB with the coefficients in registers, so that no order
// waits for the last one's stores to reach memory: A holds a[k] in lane k, R holds a[i-1-k].
// Order i touches only the NB = i / 16 + 1 blocks that hold lanes 0..i.
template <int MAXB>
struct RegRecursion {
    alignas(32) int16_t buf[32 * MAXB] = {};  // 16 MAXB zeros before a
    alignas(32) int16_t rr[32 * MAXB] = {};   // rr[j] = r[order - j], then zeros
    int16_t* a = buf + 16 * MAXB;
    __m256i A[MAXB], R[MAXB];

    VOKS_AVX2 void load(int n) {
        for (int b = 0; b < MAXB; ++b) {
            A[b] = load16(a + 16 * b);
            R[b] = reverse16(load16(a + n - 16 - 16 * b));
        }
    }
    // One order: the correlation, the reflection, then both updates in 16 bits. The old A goes
    // to memory first; where a lane is not exact in 16 bits, the exact update (halving on
    // overflow) runs there. False when the recursion breaks down.
    template <int NB>
    VOKS_AVX2 bool step(Recursion& rec, const int16_t* r, int i, int order) {
        __m256i acc = _mm256_setzero_si256();
        for (int b = 0; b < NB; ++b)
            acc = add_pairs(acc, _mm256_madd_epi16(A[b], load16(rr + order - i + 16 * b)));
        if (!rec.reflect(r, i, static_cast<int64_t>(voks::x86::hsum64(acc)) + 8 * NB)) return false;
        for (int b = 0; b < NB; ++b) _mm256_store_si256(reinterpret_cast<__m256i*>(a + 16 * b), A[b]);
        const __m256i vrch = _mm256_set1_epi16(static_cast<int16_t>(rec.rc / 2));
        const __m256i ai = _mm256_set1_epi16(rec.coef());
        const __m256i lane = _mm256_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
        __m256i exact = _mm256_set1_epi32(-1), carry = ai;
        for (int b = 0; b < NB; ++b) {
            const __m256i na = update16(A[b], R[b], vrch, exact);
            const __m256i nr = update16(R[b], A[b], vrch, exact);
            // Lane i of A takes the new coefficient; R moves one lane up, the new coefficient
            // (or the last lane of the block before) into lane 0.
            A[b] = _mm256_blendv_epi8(
                na, ai, _mm256_cmpeq_epi16(lane, _mm256_set1_epi16(static_cast<int16_t>(i - 16 * b))));
            R[b] = _mm256_alignr_epi8(nr, _mm256_permute2x128_si256(carry, nr, 0x21), 14);
            carry = nr;
        }
        if (_mm256_movemask_epi8(exact) != -1) {
            if (!rec.update_halving(a, i)) return false;
            load(i + 1);
        }
        return true;
    }

    VOKS_AVX2 bool run(const int16_t* r, int i, int order, int16_t* aout, int16_t* rc1, int16_t* alphaf,
                       int16_t* iaq) {
        std::copy(aout, aout + i, a);
        for (int j = 0; j < order; ++j) rr[j] = r[order - j];
        Recursion rec;
        if (i == 0) {
            if (!rec.start(r, a, rc1)) return false;
            i = 1;
        } else {
            rec.resume(*iaq, *alphaf);
        }
        load(i);
        for (; i < order; ++i) {
            const int nb = i / 16;
            const bool ok = nb == 0   ? step<1>(rec, r, i, order)
                            : nb == 1 ? step<(MAXB > 1 ? 2 : 1)>(rec, r, i, order)
                            : nb == 2 ? step<(MAXB > 2 ? 3 : 1)>(rec, r, i, order)
                                      : step<MAXB>(rec, r, i, order);
            if (!ok) return false;
        }
        for (int b = 0; b < MAXB; ++b) _mm256_store_si256(reinterpret_cast<__m256i*>(a + 16 * b), A[b]);
        std::copy(a, a + order, aout);
        *alphaf = static_cast<int16_t>(rec.alpha);
        *iaq = static_cast<int16_t>(15 - rec.nrs);
        return true;
    }
};

// Flattened: the shared loop and its vector inner loops compile as one AVX2 function.
__attribute__((flatten)) VOKS_AVX2 bool durbin(const int16_t* r, int i, int order, int16_t* a, int16_t* rc1,
                                               int16_t* alpha, int16_t* iaq) {
    if (order <= 16) return RegRecursion<1>().run(r, i, order, a, rc1, alpha, iaq);
    if (order <= 64) return RegRecursion<4>().run(r, i, order, a, rc1, alpha, iaq);
    return durbin_loop<Ops>(r, i, order, a, rc1, alpha, iaq);
}

VOKS_AVX2 void xcorr(const int16_t* x, const int16_t* y, int n, int nlags, int64_t* out) {
    if (n < 16) {
        scalar::xcorr(x, y, n, nlags, out);
        return;
    }
    // Whole blocks of 16, then the last 16 elements with the lanes already counted masked off.
    const int whole = n & ~15;
    const __m256i tail = _mm256_and_si256(load16(x + n - 16), voks::x86::tail_mask16(n - whole));
    const int64_t pairs = ((n + 15) >> 4) * 8;  // pair sums added, each one short
    for (int l = 0; l < nlags; ++l) {
        const int16_t* yl = y + l;
        __m256i acc = _mm256_setzero_si256();
        for (int k = 0; k < whole; k += 16)
            acc = add_pairs(acc, _mm256_madd_epi16(load16(x + k), load16(yl + k)));
        if (whole < n) acc = add_pairs(acc, _mm256_madd_epi16(tail, load16(yl + n - 16)));
        out[l] = static_cast<int64_t>(voks::x86::hsum64(acc)) + pairs;
    }
}

__attribute__((flatten)) VOKS_AVX2 void search16(const int16_t* t, int tq, const int16_t* h,
                                                 const int16_t* y2, int& ig, int& is) {
    search16_loop<Ops>(t, tq, h, y2, ig, is);
}

VOKS_AVX2 void distortions16(const int16_t* ct, const int16_t* y2, int32_t* dist, uint8_t* cell) {
    Ops::distortions(ct, y2, dist, cell);
}

// Eight shapes per vector: the convolved samples by madd (no pair reaches 2^31, as every
// codevector sample is above -32768), their squares summed with the sum capped at 2^30, which
// any sum that saturates the result already reaches.
VOKS_AVX2 void energies(const int16_t* h, int16_t* y2) {
    static const ConvPairs t;
    const __m256i taps[3] = {pair16(h[4], h[3]), pair16(h[2], h[1]), pair16(h[0], 0)};
    const __m256i lo = _mm256_set1_epi32(MIN_16), hi = _mm256_set1_epi32(MAX_16);
    const __m256i cap = _mm256_set1_epi32(1 << 30);
    for (int s = 0; s < kShapeCount; s += 16) {
        __m256i e[2];
        for (int half = 0; half < 2; ++half) {
            const int b = 2 * (s + 8 * half);
            __m256i d[kDim] = {};
            for (int r = 0; r < ConvPairs::kRows; ++r)
                d[ConvPairs::kRowJ[r]] = _mm256_add_epi32(
                    d[ConvPairs::kRowJ[r]], _mm256_madd_epi16(load16(t.p[r] + b), taps[ConvPairs::kRowP[r]]));
            __m256i acc = _mm256_setzero_si256();
            for (int j = 0; j < kDim; ++j) {
                const __m256i v = _mm256_min_epi32(_mm256_max_epi32(_mm256_srai_epi32(d[j], 14), lo), hi);
                acc = _mm256_min_epu32(_mm256_add_epi32(acc, _mm256_mullo_epi32(v, v)), cap);
            }
            e[half] = _mm256_min_epi32(_mm256_srli_epi32(acc, 15), hi);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(y2 + s),
                            _mm256_permute4x64_epi64(_mm256_packs_epi32(e[0], e[1]), 0xD8));
    }
}

// In doubles, which hold every product and sum exactly (|tf| < 2^33): four outputs per vector,
// each past vector's sums scaled by 2^-shift and floored (2^-40 leaves only the sign's -1 or 0).
VOKS_AVX2 void zir_past(const int16_t* d, const int16_t* q, const int16_t* a, int64_t* past) {
    alignas(32) double ad[64] = {}, dd[kDim * kMemVectors];
    for (int k = 0; k < kOrder; ++k) ad[k] = a[k];
    for (int k = kDim; k < kDim * kMemVectors; ++k) dd[k] = d[k];
    const int q0 = *std::min_element(q + 1, q + kMemVectors);
    __m256d lo = _mm256_setzero_pd(), hi = lo;
    for (int j = 1; j < kMemVectors; ++j) {
        const int shift = q[j] - q0;
        if (j == kMemVectors - 1 && shift >= 30) continue;
        const double* c = ad + kDim * (j - 1);
        __m256d tlo = _mm256_setzero_pd(), thi = tlo;
        for (int m = 0; m < kDim; ++m) {
            const __m256d dm = _mm256_broadcast_sd(dd + kDim * j + m);
            tlo = _mm256_add_pd(tlo, _mm256_mul_pd(dm, _mm256_loadu_pd(c + m)));
            thi = _mm256_add_pd(thi, _mm256_mul_pd(dm, _mm256_loadu_pd(c + m + 4)));
        }
        // -2^-e, built from its bits.
        const uint64_t bits = (uint64_t{1} << 63) | (uint64_t(1023 - (shift > 30 ? 40 : shift)) << 52);
        const __m256d scale = _mm256_castsi256_pd(_mm256_set1_epi64x(static_cast<int64_t>(bits)));
        lo = _mm256_add_pd(lo, _mm256_floor_pd(_mm256_mul_pd(tlo, scale)));
        hi = _mm256_add_pd(hi, _mm256_floor_pd(_mm256_mul_pd(thi, scale)));
    }
    alignas(32) double out[8];
    _mm256_store_pd(out, lo);
    _mm256_store_pd(out + 4, hi);
    for (int i = 0; i < kDim; ++i) past[i] = static_cast<int64_t>(out[i]);
}

}  // namespace voks::g728::avx2

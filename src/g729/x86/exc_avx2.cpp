// AVX2 twins of the excitation-search kernels (see kernels.h). The reference sums saturate
// after every step; the vector paths add exactly and are taken only when a bound proves that no
// partial sum can reach the saturation range (Cauchy-Schwarz on the energies, or the largest
// magnitude times the filter's absolute sum); otherwise the scalar chain runs.
#include <immintrin.h>

#include <cstring>

#include "common/basicop.h"
#include "common/x86/avx2.h"
#include "g729/exc_internal.h"
#include "g729/g729_mathop.h"
#include "g729/kernels.h"

using namespace voks::x86;

namespace voks::g729::avx2 {
namespace {

constexpr uint64_t kBound60 = uint64_t{1} << 60;

// Adds the unsigned 32-bit lanes of a pair-sum of squares (each <= 2^31) into 64-bit lanes.
VOKS_AVX2 inline __m256i acc_u32(__m256i acc, __m256i sq) {
    acc = _mm256_add_epi64(acc, _mm256_cvtepu32_epi64(_mm256_castsi256_si128(sq)));
    return _mm256_add_epi64(acc, _mm256_cvtepu32_epi64(_mm256_extracti128_si256(sq, 1)));
}

// kEven + p: lanes l with l % 2 == p set.
alignas(64) constexpr int16_t kEven[18] = {-1, 0, -1, 0, -1, 0, -1, 0, -1, 0, -1, 0, -1, 0, -1, 0, -1, 0};

// Energies and correlation of a[0..n-1] and b[0..n-1] (n >= 16), lanes outside `keep` zeroed;
// the last partial block is an overlapping load with the lanes already counted masked off.
struct Sums {
    uint64_t ea, eb;  // the energies, or upper bounds of them
    int32_t ab;       // exact when ea * eb < 2^60
};

VOKS_AVX2 inline void accumulate(__m256i va, __m256i vb, __m256i& ea, __m256i& eb, __m256i& ab) {
    ea = acc_u32(ea, _mm256_madd_epi16(va, va));
    eb = acc_u32(eb, _mm256_madd_epi16(vb, vb));
    ab = _mm256_add_epi32(ab, _mm256_madd_epi16(va, vb));
}

// Up to three blocks (n <= 48): the energies as upper bounds from 32-bit lanes, each pair sum
// (at most 2^31) halved before it is added: e <= 2 * sum (p >> 1) + (pairs counted).
VOKS_AVX2 inline Sums sums_short(const int16_t* a, const int16_t* b, int n, bool even_only) {
    __m256i ea = _mm256_setzero_si256(), eb = ea, ab = ea;
    const __m256i even = load16(kEven);
    int k = 0, blocks = 0;
    for (; k + 16 <= n; k += 16, ++blocks) {
        __m256i va = load16(a + k), vb = load16(b + k);
        if (even_only) {
            va = _mm256_and_si256(va, even);
            vb = _mm256_and_si256(vb, even);
        }
        ea = _mm256_add_epi32(ea, _mm256_srli_epi32(_mm256_madd_epi16(va, va), 1));
        eb = _mm256_add_epi32(eb, _mm256_srli_epi32(_mm256_madd_epi16(vb, vb), 1));
        ab = _mm256_add_epi32(ab, _mm256_madd_epi16(va, vb));
    }
    if (k < n) {
        __m256i m = load16(kTailMask16 + (n - k));
        if (even_only) m = _mm256_and_si256(m, load16(kEven + (n & 1)));
        const __m256i va = _mm256_and_si256(load16(a + n - 16), m),
                      vb = _mm256_and_si256(load16(b + n - 16), m);
        ea = _mm256_add_epi32(ea, _mm256_srli_epi32(_mm256_madd_epi16(va, va), 1));
        eb = _mm256_add_epi32(eb, _mm256_srli_epi32(_mm256_madd_epi16(vb, vb), 1));
        ab = _mm256_add_epi32(ab, _mm256_madd_epi16(va, vb));
        ++blocks;
    }
    // Each lane holds at most blocks * 2^30 < 2^32: unsigned 32-bit sums.
    const uint64_t pairs = 8 * static_cast<uint64_t>(blocks);
    return {2 * hsum64(acc_u32(_mm256_setzero_si256(), ea)) + pairs,
            2 * hsum64(acc_u32(_mm256_setzero_si256(), eb)) + pairs, hsum32(ab)};
}

VOKS_AVX2 inline Sums sums(const int16_t* a, const int16_t* b, int n, bool even_only) {
    if (n <= 48) return sums_short(a, b, n, even_only);
    __m256i ea = _mm256_setzero_si256(), eb = ea, ab = ea;
    const __m256i even = load16(kEven);
    int k = 0;
    for (; k + 16 <= n; k += 16) {
        __m256i va = load16(a + k), vb = load16(b + k);
        if (even_only) {
            va = _mm256_and_si256(va, even);
            vb = _mm256_and_si256(vb, even);
        }
        accumulate(va, vb, ea, eb, ab);
    }
    if (k < n) {
        __m256i m = load16(kTailMask16 + (n - k));
        if (even_only) m = _mm256_and_si256(m, load16(kEven + (n & 1)));
        accumulate(_mm256_and_si256(load16(a + n - 16), m), _mm256_and_si256(load16(b + n - 16), m), ea, eb,
                   ab);
    }
    return {hsum64(ea), hsum64(eb), hsum32(ab)};
}

inline bool exact(uint64_t ea, uint64_t eb) {
    return static_cast<unsigned __int128>(ea) * eb < kBound60;
}

// The chain of squares of a[0..n-1] (n >= 16): every step adds a non-negative term (a saturated
// L_mult included), so it is min(2 <a,a>, MAX_32).
VOKS_AVX2 inline int32_t square_chain(const int16_t* a, int n, bool even_only) {
    __m256i e = _mm256_setzero_si256();
    const __m256i even = load16(kEven);
    int k = 0;
    for (; k + 16 <= n; k += 16) {
        __m256i v = load16(a + k);
        if (even_only) v = _mm256_and_si256(v, even);
        e = acc_u32(e, _mm256_madd_epi16(v, v));
    }
    if (k < n) {
        __m256i m = load16(kTailMask16 + (n - k));
        if (even_only) m = _mm256_and_si256(m, load16(kEven + (n & 1)));
        const __m256i v = _mm256_and_si256(load16(a + n - 16), m);
        e = acc_u32(e, _mm256_madd_epi16(v, v));
    }
    const uint64_t s = 2 * hsum64(e);
    return s > static_cast<uint64_t>(MAX_32) ? MAX_32 : static_cast<int32_t>(s);
}

}  // namespace

VOKS_AVX2 int32_t mac_chain(const int16_t* a, const int16_t* b, int n) {
    if (n < 16) return scalar::mac_chain(a, b, n);
    if (a == b) return square_chain(a, n, false);
    const Sums s = sums(a, b, n, false);
    if (!exact(s.ea, s.eb)) return scalar::mac_chain(a, b, n);
    return s.ab * 2;
}

VOKS_AVX2 int32_t mac_chain_dec(const int16_t* a, const int16_t* b, int n) {
    if (n < 16) return scalar::mac_chain_dec(a, b, n);
    if (a == b) return square_chain(a, n, true);
    const Sums s = sums(a, b, n, true);
    if (!exact(s.ea, s.eb)) return scalar::mac_chain_dec(a, b, n);
    return s.ab * 2;
}

namespace {

// The 20-tap window of each phase 0..2 as ten tap pairs (tap 2p low, 2p + 1 high) for madd,
// and the sum of its |taps|.
struct Windows {
    int32_t pair[3][10];
    int32_t abs_sum[3];
};

constexpr Windows make_windows() {
    Windows w{};
    for (int phase = 0; phase < 3; ++phase) {
        auto tap = [phase](int k) {
            return k <= 9 ? inter_3l[phase + 3 * (9 - k)] : inter_3l[3 - phase + 3 * (k - 10)];
        };
        for (int p = 0; p < 10; ++p)
            w.pair[phase][p] =
                static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(tap(2 * p))) |
                                     (static_cast<uint32_t>(static_cast<uint16_t>(tap(2 * p + 1))) << 16));
        int s = 0;
        for (int k = 0; k < 20; ++k) s += tap(k) < 0 ? -tap(k) : tap(k);
        w.abs_sum[phase] = s;
    }
    return w;
}

constexpr Windows kWindows = make_windows();

}  // namespace

namespace {

// Largest unsigned 16-bit lane.
VOKS_AVX2 inline int hmax_u16(__m128i a) {
    return 0xFFFF - (_mm_cvtsi128_si32(_mm_minpos_epu16(_mm_xor_si128(a, _mm_set1_epi16(-1)))) & 0xFFFF);
}

// Largest |x[i]|, i < n (n >= 16), as an unsigned value (|-32768| = 32768).
VOKS_AVX2 inline int abs_max(const int16_t* x, int n) {
    __m256i m = _mm256_setzero_si256();
    int i = 0;
    for (; i + 16 <= n; i += 16) m = _mm256_max_epu16(m, _mm256_abs_epi16(load16(x + i)));
    if (i < n) m = _mm256_max_epu16(m, _mm256_abs_epi16(load16(x + n - 16)));
    return hmax_u16(_mm_max_epu16(_mm256_castsi256_si128(m), _mm256_extracti128_si256(m, 1)));
}

// Interleaves the even outputs (lanes 0..3 of each half, after the pack) with the odd ones.
alignas(32) constexpr int8_t kInterleave[32] = {0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15,
                                                0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15};

}  // namespace

// Output j is s_j = sum_{k<20} x0[j + k - 9] w[k]. Pairs of taps go through madd: the 32-bit
// lanes of a load at x0 + o hold (x0[o + 2i], x0[o + 2i + 1]), the terms of output o + 2i - k + 9
// for taps k, k + 1 (k even), so the even and the odd outputs of a block are two sums of ten
// madds each. A block of W outputs from j0 reads x0 up to j0 + W + 9, which lies before exc + j0
// once x0 is at least W + 10 samples back: for W = 8 that is every lag t0 >= 18, so the samples a
// block reads are final (history or earlier blocks) as in the reference's in-order loop. The sums
// are exact while the largest sample read so far times the window's absolute sum stays below
// 2^29; past that point the scalar chain finishes the subframe.
VOKS_AVX2 void pred_lt_3(int16_t* exc, int t0, int frac) {
    const int16_t* x0 = exc - t0;
    int phase = -frac;
    if (phase < 0) {
        phase += 3;
        --x0;
    }
    const int back = static_cast<int>(exc - x0);  // t0 or t0 + 1, >= 18
    __m256i w[10];
    for (int p = 0; p < 10; ++p) w[p] = _mm256_set1_epi32(kWindows.pair[phase][p]);
    const int64_t wabs = kWindows.abs_sum[phase];
    constexpr int64_t kLimit = int64_t{1} << 29;
    // Samples read from the history: x0[-9 .. min(kSubfr + 9, back - 1)].
    const int hist_hi = back - 1 < kSubfr + 9 ? back - 1 : kSubfr + 9;
    int m = abs_max(x0 - 9, hist_hi + 10);
    const bool reads_own = back < kSubfr + 10;
    const __m256i rnd = _mm256_set1_epi32(0x4000);
    int j0 = 0;
    if (back >= 26) {
        const __m256i order = _mm256_load_si256(reinterpret_cast<const __m256i*>(kInterleave));
        for (; j0 + 16 <= kSubfr; j0 += 16) {
            if (m * wabs >= kLimit) break;
            __m256i ev = _mm256_setzero_si256(), od = ev;
            for (int p = 0; p < 10; ++p) {
                ev = _mm256_add_epi32(ev, _mm256_madd_epi16(load16(x0 + j0 + 2 * p - 9), w[p]));
                od = _mm256_add_epi32(od, _mm256_madd_epi16(load16(x0 + j0 + 2 * p - 8), w[p]));
            }
            ev = _mm256_srai_epi32(_mm256_add_epi32(ev, rnd), 15);
            od = _mm256_srai_epi32(_mm256_add_epi32(od, rnd), 15);
            const __m256i r = _mm256_shuffle_epi8(_mm256_packs_epi32(ev, od), order);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(exc + j0), r);
            if (reads_own) {
                const __m256i a = _mm256_abs_epi16(r);
                const int mr =
                    hmax_u16(_mm_max_epu16(_mm256_castsi256_si128(a), _mm256_extracti128_si256(a, 1)));
                if (mr > m) m = mr;
            }
        }
    }
    const __m128i order8 = _mm_load_si128(reinterpret_cast<const __m128i*>(kInterleave));
    for (; j0 < kSubfr; j0 += 8) {
        if (m * wabs >= kLimit) break;
        __m128i ev = _mm_setzero_si128(), od = ev;
        for (int p = 0; p < 10; ++p) {
            const __m128i wp = _mm256_castsi256_si128(w[p]);
            ev = _mm_add_epi32(
                ev,
                _mm_madd_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x0 + j0 + 2 * p - 9)), wp));
            od = _mm_add_epi32(
                od,
                _mm_madd_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x0 + j0 + 2 * p - 8)), wp));
        }
        ev = _mm_srai_epi32(_mm_add_epi32(ev, _mm256_castsi256_si128(rnd)), 15);
        od = _mm_srai_epi32(_mm_add_epi32(od, _mm256_castsi256_si128(rnd)), 15);
        const __m128i r = _mm_shuffle_epi8(_mm_packs_epi32(ev, od), order8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(exc + j0), r);
        if (reads_own) {
            const int mr = hmax_u16(_mm_abs_epi16(r));
            if (mr > m) m = mr;
        }
    }
    if (j0 < kSubfr) scalar::pred_lt_3_from(exc, t0, frac, j0);
}

// The filtered excitation lives in three registers v[0..2] (lanes 0..39, lanes 40..47 zero), so
// that every sum runs over three whole vectors and each update shifts the registers by one lane
// instead of going through memory. <xn,xn> is formed once; extract_h(L_shl(x, 16)) is x clamped
// to 16 bits.
VOKS_AVX2 void norm_corr(const int16_t* exc, const int16_t* xn, const int16_t* h, int t_min, int t_max,
                         int h_fac, int scaling, int16_t* excf, int16_t* corr) {
    alignas(32) int16_t px[48] = {}, buf[48] = {};
    std::memcpy(px, xn, kSubfr * sizeof(int16_t));
    std::memcpy(buf, excf, kSubfr * sizeof(int16_t));
    alignas(32) int32_t h32[48] = {};
    for (int j = 0; j < kSubfr; ++j) h32[j] = h[j];
    const __m128i shift = _mm_cvtsi32_si128(15 - h_fac);
    __m256i vx[3], v[3];
    __m256i ea = _mm256_setzero_si256();
    for (int k = 0; k < 3; ++k) {
        vx[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(px + 16 * k));
        v[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(buf + 16 * k));
        ea = acc_u32(ea, _mm256_madd_epi16(vx[k], vx[k]));
    }
    const uint64_t ex = hsum64(ea);
    // Lanes 40..47 (the upper half of the last register) stay zero.
    const __m256i keep_low = _mm256_setr_epi16(-1, -1, -1, -1, -1, -1, -1, -1, 0, 0, 0, 0, 0, 0, 0, 0);
    for (int i = t_min; i <= t_max; ++i) {
        __m256i eb = _mm256_setzero_si256(), ab = eb;
        for (int k = 0; k < 3; ++k) {
            eb = acc_u32(eb, _mm256_madd_epi16(v[k], v[k]));
            ab = _mm256_add_epi32(ab, _mm256_madd_epi16(vx[k], v[k]));
        }
        const uint64_t ee = hsum64(eb);
        const uint64_t e2 = 2 * ee;
        const int32_t energy = e2 > static_cast<uint64_t>(MAX_32) ? MAX_32 : static_cast<int32_t>(e2);
        int32_t c;
        if (exact(ex, ee)) {
            c = hsum32(ab) * 2;
        } else {
            for (int k = 0; k < 3; ++k) _mm256_store_si256(reinterpret_cast<__m256i*>(buf + 16 * k), v[k]);
            c = scalar::mac_chain(xn, buf, kSubfr);
        }
        int16_t nh, nl, ch, cl;
        L_Extract(ownInvSqrt(energy), nh, nl);
        L_Extract(c, ch, cl);
        const int32_t m = Mpy_32(ch, cl, nh, nl);
        corr[i - t_min] = static_cast<int16_t>(m > MAX_16 ? MAX_16 : (m < MIN_16 ? MIN_16 : m));
        if (i != t_max) {
            // new[j] = sat(clamp16((e h[j]) >> (15 - h_fac)) + old[j - 1]), new[0] = e >> scaling.
            const int16_t e = exc[-(i + 1)];
            const __m256i ve = _mm256_set1_epi32(e);
            __m256i next[3];
            for (int k = 0; k < 3; ++k) {
                const __m256i p0 = _mm256_sra_epi32(
                    _mm256_mullo_epi32(_mm256_load_si256(reinterpret_cast<const __m256i*>(h32 + 16 * k)), ve),
                    shift);
                const __m256i p1 = _mm256_sra_epi32(
                    _mm256_mullo_epi32(_mm256_load_si256(reinterpret_cast<const __m256i*>(h32 + 16 * k + 8)),
                                       ve),
                    shift);
                const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(p0, p1), 0xD8);
                // old[j - 1]: the register shifted up one lane, lane 0 from the previous register.
                const __m256i below = k == 0 ? _mm256_setzero_si256() : v[k - 1];
                const __m256i carry = _mm256_permute2x128_si256(below, v[k], 0x21);
                next[k] = _mm256_adds_epi16(packed, _mm256_alignr_epi8(v[k], carry, 14));
            }
            // Lane 0 takes e >> scaling (the 16-bit blend acts on both halves, so only its first
            // 32-bit element is kept).
            const __m256i first =
                _mm256_blend_epi16(next[0], _mm256_set1_epi16(shr(e, static_cast<int16_t>(scaling))), 1);
            next[0] = _mm256_blend_epi32(next[0], first, 0x01);
            next[2] = _mm256_and_si256(next[2], keep_low);
            for (int k = 0; k < 3; ++k) v[k] = next[k];
        }
    }
    for (int k = 0; k < 3; ++k) _mm256_store_si256(reinterpret_cast<__m256i*>(buf + 16 * k), v[k]);
    std::memcpy(excf, buf, kSubfr * sizeof(int16_t));
}

namespace {

// Rows m0 .. m0 + 7 of the first G lag groups (the later groups need no entries there).
template <int G>
VOKS_AVX2 inline void prefix_rows(const int16_t* h, const int32_t* hp, int32_t* pre, __m256i* acc, int m0) {
    for (int m = m0; m < m0 + 8; ++m) {
        const __m256i hm = _mm256_set1_epi32(h[m]);
        int32_t* row = pre + (m + 1) * kSubfr;
        for (int g = 0; g < G; ++g) {
            const __m256i lag = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hp + m + 8 * g));
            acc[g] = _mm256_add_epi32(acc[g], _mm256_mullo_epi32(hm, lag));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + 8 * g), acc[g]);
        }
    }
}

}  // namespace

// Eight lags per vector: lane j of group g accumulates h[m] * h[m + 8g + j] down the rows m, so
// each row store is one prefix per lag and no horizontal scan is needed. Group g stops at row
// 40 - 8g, past which its lags need no entries. Exact when the energy is below 2^30 (every
// prefix is bounded by it); otherwise the scalar chains run.
VOKS_AVX2 void cor_h_prefix(const int16_t* h, int32_t* pre) {
    int64_t e = 0;
    for (int i = 0; i < kSubfr; ++i) e += int32_t{h[i]} * h[i];
    if (e >= (int64_t{1} << 30)) {
        scalar::cor_h_prefix(h, pre);
        return;
    }
    alignas(32) int32_t hp[2 * kSubfr + 8] = {};
    for (int i = 0; i < kSubfr; ++i) hp[i] = 2 * h[i];
    const __m256i zero = _mm256_setzero_si256();
    for (int g = 0; g < kSubfr; g += 8) _mm256_storeu_si256(reinterpret_cast<__m256i*>(pre + g), zero);
    __m256i acc[5] = {zero, zero, zero, zero, zero};
    prefix_rows<5>(h, hp, pre, acc, 0);
    prefix_rows<4>(h, hp, pre, acc, 8);
    prefix_rows<3>(h, hp, pre, acc, 16);
    prefix_rows<2>(h, hp, pre, acc, 24);
    prefix_rows<1>(h, hp, pre, acc, 32);
}

namespace {

inline bool better(int16_t sq, int16_t alpha_best, int16_t sq_best, int16_t alp) {
    return int64_t{L_mult(sq, alpha_best)} - 2 * int64_t{sq_best} * alp > 0;
}

VOKS_AVX2 inline __m256i load8(const int16_t* p) {
    return _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// add() of 16-bit values held in 32-bit lanes.
VOKS_AVX2 inline __m256i add16(__m256i a, __m256i b) {
    return _mm256_min_epi32(_mm256_max_epi32(_mm256_add_epi32(a, b), _mm256_set1_epi32(-32768)),
                            _mm256_set1_epi32(32767));
}

// mult(x, x) of 16-bit values held in 32-bit lanes.
VOKS_AVX2 inline __m256i square16(__m256i x) {
    return _mm256_min_epi32(_mm256_srai_epi32(_mm256_mullo_epi32(x, x), 15), _mm256_set1_epi32(32767));
}

}  // namespace

namespace {

// One step of reduce_lanes: each lane takes the other candidate (osq, oal, oidx) when it is
// better, or equal with the smaller index.
VOKS_AVX2 inline void keep_better(__m256i& sq, __m256i& al, __m256i& idx, __m256i osq, __m256i oal,
                                  __m256i oidx) {
    const __m256i d = _mm256_sub_epi32(_mm256_mullo_epi32(osq, al), _mm256_mullo_epi32(sq, oal));
    const __m256i zero = _mm256_setzero_si256();
    const __m256i take =
        _mm256_or_si256(_mm256_cmpgt_epi32(d, zero),
                        _mm256_and_si256(_mm256_cmpeq_epi32(d, zero), _mm256_cmpgt_epi32(idx, oidx)));
    sq = _mm256_blendv_epi8(sq, osq, take);
    al = _mm256_blendv_epi8(al, oal, take);
    idx = _mm256_blendv_epi8(idx, oidx, take);
}

// The best of eight candidates (sq, al, idx), all al > 0, into every lane: the largest
// sq / al, the smaller idx on equal ratios. Products of 15-bit values: the differences are
// exact in 32 bits.
VOKS_AVX2 inline void reduce_lanes(__m256i& sq, __m256i& al, __m256i& idx) {
    keep_better(sq, al, idx, _mm256_permute2x128_si256(sq, sq, 1), _mm256_permute2x128_si256(al, al, 1),
                _mm256_permute2x128_si256(idx, idx, 1));
    keep_better(sq, al, idx, _mm256_shuffle_epi32(sq, 0x4E), _mm256_shuffle_epi32(al, 0x4E),
                _mm256_shuffle_epi32(idx, 0x4E));
    keep_better(sq, al, idx, _mm256_shuffle_epi32(sq, 0xB1), _mm256_shuffle_epi32(al, 0xB1),
                _mm256_shuffle_epi32(idx, 0xB1));
}

// Lane-wise: the later candidate (sq, al) replaces the kept one when strictly better.
VOKS_AVX2 inline __m256i strictly_better(__m256i sq, __m256i al, __m256i ksq, __m256i kal) {
    return _mm256_cmpgt_epi32(_mm256_sub_epi32(_mm256_mullo_epi32(sq, kal), _mm256_mullo_epi32(ksq, al)),
                              _mm256_setzero_si256());
}

}  // namespace

// The three-pulse sums of one (a0, a1) row are formed for all eight a2 at once; each a2 above
// the threshold then evaluates its sixteen fourth pulses in two vectors. The alp sums cannot
// saturate (at most 2^20 in magnitude), so 32-bit lanes are exact. Each candidate is packed as
// (sq, alp) 16-bit halves, so one madd against (alpha, -psc) gives sq alpha - psc alp, the sign
// of the reference comparison (both products below 2^30). A candidate can change the best only
// if it beats the best held on entry; the ordered scan starts at the first such candidate.
VOKS_AVX2 void search_17(const int16_t* dn, const int16_t* rr, int16_t thres, int16_t& time_io, int* ip) {
    // The budget counts down in a local; it is written back on every exit.
    struct Budget {
        int16_t& out;
        int16_t left;
        ~Budget() { out = left; }
    } budget{time_io, time_io};
    int16_t& time = budget.left;
    alignas(32) int16_t d[5][8];
    for (int t = 0; t < 5; ++t)
        for (int a = 0; a < 8; ++a) d[t][a] = dn[t + 5 * a];
    const __m256i vd1 = load8(d[1]), vd2 = load8(d[2]), vd3 = load8(d[3]), vd4 = load8(d[4]);
    const __m256i r22x2 = _mm256_slli_epi32(load8(rr + 16), 1);
    const __m256i r33x2 = _mm256_slli_epi32(load8(rr + 24), 1);
    const __m256i r44x2 = _mm256_slli_epi32(load8(rr + 32), 1);
    const __m256i vthres = _mm256_set1_epi32(thres);
    const __m256i zero = _mm256_setzero_si256();
    int16_t psc = 0, alpha = MAX_16;
    // (alpha, -psc) in every 32-bit lane (psc >= 0, so -psc fits 16 bits).
    auto weights = [](int16_t alpha_, int16_t psc_) {
        return static_cast<int32_t>(static_cast<uint16_t>(alpha_)) |
               static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(-psc_)) << 16);
    };
    __m256i w = _mm256_set1_epi32(weights(alpha, psc));
    alignas(32) int32_t ps2v[8], alp2v[8], packed[16];
    for (int a0 = 0; a0 < 8; ++a0) {
        const int16_t ps0 = d[0][a0];
        const int16_t alp0 = rr[a0];
        const __m256i r02 = load8(rr + kR02 + 8 * a0);
        const __m256i r03 = load8(rr + kR03 + 8 * a0), r04 = load8(rr + kR04 + 8 * a0);
        // The threshold masks of all (a1, a2) first: most rows have no a2 above it.
        alignas(32) int32_t ps1v[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(ps1v), add16(_mm256_set1_epi32(ps0), vd1));
        uint64_t masks = 0;
        for (int a1 = 0; a1 < 8; ++a1)
            masks |= static_cast<uint64_t>(_mm256_movemask_ps(_mm256_castsi256_ps(
                         _mm256_cmpgt_epi32(add16(_mm256_set1_epi32(ps1v[a1]), vd2), vthres))))
                     << (8 * a1);
        while (masks) {
            const int a1 = __builtin_ctzll(masks) >> 3;
            int mask = static_cast<int>((masks >> (8 * a1)) & 0xFF);
            masks &= ~(uint64_t{0xFF} << (8 * a1));
            const int32_t alp1 = 2 * alp0 + 2 * rr[8 + a1] + 4 * rr[kR01 + 8 * a0 + a1];
            const __m256i ps2 = add16(_mm256_set1_epi32(ps1v[a1]), vd2);
            const __m256i alp2 =
                _mm256_add_epi32(_mm256_add_epi32(_mm256_set1_epi32(alp1), r22x2),
                                 _mm256_slli_epi32(_mm256_add_epi32(r02, load8(rr + kR12 + 8 * a1)), 2));
            _mm256_store_si256(reinterpret_cast<__m256i*>(ps2v), ps2);
            _mm256_store_si256(reinterpret_cast<__m256i*>(alp2v), alp2);
            // The parts of the fourth-pulse sums shared by every a2 of the row.
            const __m256i b3 = _mm256_add_epi32(
                r33x2, _mm256_slli_epi32(_mm256_add_epi32(r03, load8(rr + kR13 + 8 * a1)), 2));
            const __m256i b4 = _mm256_add_epi32(
                r44x2, _mm256_slli_epi32(_mm256_add_epi32(r04, load8(rr + kR14 + 8 * a1)), 2));
            while (mask) {
                const int a2 = __builtin_ctz(static_cast<unsigned>(mask));
                mask &= mask - 1;
                const __m256i p2 = _mm256_set1_epi32(ps2v[a2]);
                const __m256i l2 = _mm256_set1_epi32(alp2v[a2]);
                const __m256i l3 = _mm256_add_epi32(_mm256_add_epi32(l2, b3),
                                                    _mm256_slli_epi32(load8(rr + kR23 + 8 * a2), 2));
                const __m256i l4 = _mm256_add_epi32(_mm256_add_epi32(l2, b4),
                                                    _mm256_slli_epi32(load8(rr + kR24 + 8 * a2), 2));
                // extract_l(alp >> 5) into the high half, mult(ps3, ps3) (0 .. 32767) into the low.
                const __m256i k3 = _mm256_or_si256(square16(add16(p2, vd3)),
                                                   _mm256_slli_epi32(_mm256_srai_epi32(l3, 5), 16));
                const __m256i k4 = _mm256_or_si256(square16(add16(p2, vd4)),
                                                   _mm256_slli_epi32(_mm256_srai_epi32(l4, 5), 16));
                const unsigned hits =
                    static_cast<unsigned>(_mm256_movemask_ps(
                        _mm256_castsi256_ps(_mm256_cmpgt_epi32(_mm256_madd_epi16(k3, w), zero)))) |
                    static_cast<unsigned>(_mm256_movemask_ps(
                        _mm256_castsi256_ps(_mm256_cmpgt_epi32(_mm256_madd_epi16(k4, w), zero))))
                        << 8;
                if (hits != 0) {
                    const __m256i al3 = _mm256_srai_epi32(k3, 16), al4 = _mm256_srai_epi32(k4, 16);
                    if (alpha > 0 && _mm256_movemask_ps(_mm256_castsi256_ps(
                                         _mm256_cmpgt_epi32(_mm256_min_epi32(al3, al4), zero))) == 0xFF) {
                        // Every energy positive: the first candidate of largest ratio, which
                        // beats the best as one of them does (see rows_search).
                        const __m256i low = _mm256_set1_epi32(0xFFFF);
                        __m256i sq = _mm256_and_si256(k3, low), al = al3;
                        const __m256i sq4 = _mm256_and_si256(k4, low);
                        const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
                        const __m256i take = strictly_better(sq4, al4, sq, al);
                        sq = _mm256_blendv_epi8(sq, sq4, take);
                        al = _mm256_blendv_epi8(al, al4, take);
                        __m256i idx =
                            _mm256_blendv_epi8(lane, _mm256_add_epi32(lane, _mm256_set1_epi32(8)), take);
                        reduce_lanes(sq, al, idx);
                        const int c = _mm256_cvtsi256_si32(idx);
                        psc = static_cast<int16_t>(_mm256_cvtsi256_si32(sq));
                        alpha = static_cast<int16_t>(_mm256_cvtsi256_si32(al));
                        ip[0] = 5 * a0;
                        ip[1] = 1 + 5 * a1;
                        ip[2] = 2 + 5 * a2;
                        ip[3] = (c < 8 ? 3 : 4) + 5 * (c & 7);
                        w = _mm256_set1_epi32(weights(alpha, psc));
                        time = sub(time, 1);
                        if (time <= 0) return;
                        continue;
                    }
                    _mm256_store_si256(reinterpret_cast<__m256i*>(packed), k3);
                    _mm256_store_si256(reinterpret_cast<__m256i*>(packed + 8), k4);
                    for (int c = __builtin_ctz(hits); c < 16; ++c) {
                        const int16_t ps3c = static_cast<int16_t>(packed[c] & 0xFFFF);
                        const int16_t alp = static_cast<int16_t>(packed[c] >> 16);
                        if (better(ps3c, alpha, psc, alp)) {
                            psc = ps3c;
                            alpha = alp;
                            ip[0] = 5 * a0;
                            ip[1] = 1 + 5 * a1;
                            ip[2] = 2 + 5 * a2;
                            ip[3] = (c < 8 ? 3 : 4) + 5 * (c & 7);
                        }
                    }
                    w = _mm256_set1_epi32(weights(alpha, psc));
                }
                time = sub(time, 1);
                if (time <= 0) return;
            }
        }
    }
}

namespace {

// Rows x 8 candidates (a, k): ps2 = add(ps1[a], dn_in[k]), alp2 = L_mac(L_mac(alp1[a],
// cross[8a + k], KC), vec[k], KV), compared through mult(ps2, ps2) and round(alp2).
//
// With every candidate's alp and the entering alp positive, "better" compares the ratios
// sq / alp, a strict weak order: the ordered scan ends on the first candidate of largest ratio
// when that ratio beats the entering one. The rows are reduced lane-wise (a later row replaces
// only when strictly better), then across the lanes with ties to the smaller index. A row is
// summed in 32-bit lanes when |alp1[a]| leaves room for both terms and the rounding constant;
// any other row runs the scalar steps. When a non-positive alp turns up, the scalar scan decides.
template <int Rows, int16_t KC, int16_t KV>
VOKS_AVX2 void rows_search(const int16_t* ps1, const int32_t* alp1, const int16_t* dn_in,
                           const int16_t* cross, const int16_t* vec, int16_t& sq, int16_t& alp, int& best_a,
                           int& best_k) {
    constexpr int kShC = KC == 16384 ? 15 : KC == 8192 ? 14 : 13;
    constexpr int kShV = KV == 16384 ? 15 : KV == 8192 ? 14 : 13;
    static_assert((1 << (kShC - 1)) == KC && (1 << (kShV - 1)) == KV, "power-of-two multipliers");
    constexpr int64_t kRoom =
        int64_t{MAX_32} - (int64_t{1} << (15 + kShC)) - (int64_t{1} << (15 + kShV)) - (1 << 15);
    const __m256i vdn = load8(dn_in);
    const __m256i vv = _mm256_slli_epi32(load8(vec), kShV);
    const __m256i rnd = _mm256_set1_epi32(0x8000);
    __m256i bsq = _mm256_setzero_si256(), bal = bsq, brow = bsq, minal = _mm256_set1_epi32(1);
    alignas(32) int32_t sqv[8], alpv[8];
    for (int a = 0; a < Rows; ++a) {
        __m256i rsq, ral;
        if (alp1[a] > kRoom || alp1[a] < -kRoom) {
            for (int k = 0; k < 8; ++k) {
                const int16_t ps2 = add(ps1[a], dn_in[k]);
                int32_t alp2 = L_mac(alp1[a], cross[8 * a + k], KC);
                alp2 = L_mac(alp2, vec[k], KV);
                sqv[k] = mult(ps2, ps2);
                alpv[k] = round_fx(alp2);
            }
            rsq = _mm256_load_si256(reinterpret_cast<const __m256i*>(sqv));
            ral = _mm256_load_si256(reinterpret_cast<const __m256i*>(alpv));
        } else {
            const __m256i l = _mm256_add_epi32(
                _mm256_add_epi32(_mm256_set1_epi32(alp1[a]), _mm256_slli_epi32(load8(cross + 8 * a), kShC)),
                vv);
            ral = _mm256_srai_epi32(_mm256_add_epi32(l, rnd), 16);
            rsq = square16(add16(_mm256_set1_epi32(ps1[a]), vdn));
        }
        minal = _mm256_min_epi32(minal, ral);
        if (a == 0) {
            bsq = rsq;
            bal = ral;
        } else {
            const __m256i take = strictly_better(rsq, ral, bsq, bal);
            bsq = _mm256_blendv_epi8(bsq, rsq, take);
            bal = _mm256_blendv_epi8(bal, ral, take);
            brow = _mm256_blendv_epi8(brow, _mm256_set1_epi32(a), take);
        }
    }
    const bool positive =
        alp > 0 &&
        _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(minal, _mm256_setzero_si256()))) == 0xFF;
    if (!positive) {
        if (Rows == 8)
            scalar::phase_b(ps1, alp1, dn_in, cross, vec, sq, alp, best_a, best_k);
        else
            scalar::phase_a(ps1, alp1, dn_in, cross, vec, sq, alp, best_a, best_k);
        return;
    }
    __m256i idx = _mm256_add_epi32(_mm256_slli_epi32(brow, 3), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    reduce_lanes(bsq, bal, idx);
    const int16_t s2 = static_cast<int16_t>(_mm256_cvtsi256_si32(bsq));
    const int16_t a16 = static_cast<int16_t>(_mm256_cvtsi256_si32(bal));
    best_a = best_k = -1;
    if (better(s2, alp, sq, a16)) {
        const int i = _mm256_cvtsi256_si32(idx);
        sq = s2;
        alp = a16;
        best_a = i >> 3;
        best_k = i & 7;
    }
}

}  // namespace

VOKS_AVX2 void phase_b(const int16_t* ps1, const int32_t* alp1, const int16_t* dn_in, const int16_t* cross,
                       const int16_t* tmp, int16_t& sq, int16_t& alp, int& best_a, int& best_k) {
    rows_search<8, 4096, 16384>(ps1, alp1, dn_in, cross, tmp, sq, alp, best_a, best_k);
}

VOKS_AVX2 void phase_a(const int16_t* ps1, const int32_t* alp1, const int16_t* dn_in, const int16_t* cross,
                       const int16_t* diag, int16_t& sq, int16_t& alp, int& best_a, int& best_k) {
    rows_search<2, 16384, 8192>(ps1, alp1, dn_in, cross, diag, sq, alp, best_a, best_k);
}

namespace {

// Lane-wise running best of a row search: a later row replaces a lane only when strictly
// better; the smallest energy seen decides whether the ratio order holds.
struct RowBest {
    __m256i sq, al, row, minal;
};

VOKS_AVX2 inline void row_update(RowBest& b, int a, __m256i sq, __m256i al) {
    if (a == 0) {
        b.sq = sq;
        b.al = al;
        b.row = _mm256_setzero_si256();
        b.minal = al;
        return;
    }
    const __m256i take = strictly_better(sq, al, b.sq, b.al);
    b.sq = _mm256_blendv_epi8(b.sq, sq, take);
    b.al = _mm256_blendv_epi8(b.al, al, take);
    b.row = _mm256_blendv_epi8(b.row, _mm256_set1_epi32(a), take);
    b.minal = _mm256_min_epi32(b.minal, al);
}

// The first candidate of largest sq / al (index 8 row + lane) when every energy was positive;
// false otherwise.
VOKS_AVX2 inline bool row_best(RowBest& b, int16_t& sq, int16_t& al, int& index) {
    if (_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(b.minal, _mm256_setzero_si256()))) != 0xFF)
        return false;
    __m256i idx = _mm256_add_epi32(_mm256_slli_epi32(b.row, 3), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    reduce_lanes(b.sq, b.al, idx);
    sq = static_cast<int16_t>(_mm256_cvtsi256_si32(b.sq));
    al = static_cast<int16_t>(_mm256_cvtsi256_si32(b.al));
    index = _mm256_cvtsi256_si32(idx);
    return true;
}

// Column j of the 8 x 8 block at blk (blk[8k + j], k < 8) in 32-bit lanes: each 32-bit load
// starts one element early, so it stays inside the matrix and the element is its high half.
VOKS_AVX2 inline __m256i column(const int16_t* blk, int j) {
    const __m256i at =
        _mm256_add_epi32(_mm256_setr_epi32(0, 8, 16, 24, 32, 40, 48, 56), _mm256_set1_epi32(j));
    return _mm256_srai_epi32(_mm256_i32gather_epi32(reinterpret_cast<const int*>(blk - 1), at, 2), 16);
}

// The first and second largest lanes of v (values >= 0): first index of the maximum, then the
// first index of the maximum among the others.
VOKS_AVX2 inline void top2(__m256i v, int out[2]) {
    for (int n = 0; n < 2; ++n) {
        __m256i m = _mm256_max_epi32(v, _mm256_permute2x128_si256(v, v, 1));
        m = _mm256_max_epi32(m, _mm256_shuffle_epi32(m, 0x4E));
        m = _mm256_max_epi32(m, _mm256_shuffle_epi32(m, 0xB1));
        const int lane = __builtin_ctz(
            static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(v, m)))));
        out[n] = lane;
        v = _mm256_blendv_epi8(
            v, _mm256_set1_epi32(-1),
            _mm256_cmpeq_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(lane)));
    }
}

// Phase A: rows c of the two candidates, ps2 = add(ps1[c], d_in), alp = round(alp1[c] +
// 2^15 cross_c + 2^14 diag) (at most 2^31 - 2^16 and at least -2^31 in magnitude: no step of the
// reference chain saturates).
VOKS_AVX2 inline bool phase_a_best(const int16_t ps1[2], const int32_t alp1[2], const __m256i cross[2],
                                   __m256i d_in, __m256i diag, int16_t& sq, int16_t& al, int& index) {
    RowBest b;
    const __m256i dg = _mm256_add_epi32(_mm256_slli_epi32(diag, 14), _mm256_set1_epi32(0x8000));
    for (int c = 0; c < 2; ++c) {
        const __m256i rsq = square16(add16(_mm256_set1_epi32(ps1[c]), d_in));
        const __m256i ral = _mm256_srai_epi32(
            _mm256_add_epi32(_mm256_add_epi32(_mm256_set1_epi32(alp1[c]), _mm256_slli_epi32(cross[c], 15)),
                             dg),
            16);
        row_update(b, c, rsq, ral);
    }
    return row_best(b, sq, al, index);
}

// Phase B: eight rows a from ps0 + d_row[a] and alp1[a], columns from d_in, the cross rows
// cross + 8a and tmp; false when an alp1 leaves no room for the exact sums or an energy is not
// positive.
VOKS_AVX2 inline bool phase_b_best(int16_t ps0, __m256i alp1, __m256i d_row, __m256i d_in,
                                   const int16_t* cross, __m256i tmp, int16_t& sq, int16_t& al, int& index) {
    constexpr int32_t kRoom = MAX_32 - (1 << 28) - (1 << 30) - (1 << 16);
    if (_mm256_movemask_ps(
            _mm256_castsi256_ps(_mm256_cmpgt_epi32(_mm256_abs_epi32(alp1), _mm256_set1_epi32(kRoom)))))
        return false;
    alignas(32) int32_t ps1v[8], alp1v[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(ps1v), add16(_mm256_set1_epi32(ps0), d_row));
    _mm256_store_si256(reinterpret_cast<__m256i*>(alp1v), alp1);
    const __m256i t = _mm256_add_epi32(_mm256_slli_epi32(tmp, 15), _mm256_set1_epi32(0x8000));
    RowBest b;
    for (int a = 0; a < 8; ++a) {
        const __m256i rsq = square16(add16(_mm256_set1_epi32(ps1v[a]), d_in));
        const __m256i ral = _mm256_srai_epi32(
            _mm256_add_epi32(
                _mm256_add_epi32(_mm256_set1_epi32(alp1v[a]), _mm256_slli_epi32(load8(cross + 8 * a), 13)),
                t),
            16);
        row_update(b, a, rsq, ral);
    }
    return row_best(b, sq, al, index);
}

// round((x + y) 2^14 + d 2^13) and alp0 + (x + y) 2^13 + d 2^12 in lanes (exact, see the scalar
// helpers).
VOKS_AVX2 inline __m256i round_sum8(__m256i x, __m256i y, __m256i d) {
    return _mm256_srai_epi32(_mm256_add_epi32(_mm256_add_epi32(_mm256_slli_epi32(_mm256_add_epi32(x, y), 14),
                                                               _mm256_slli_epi32(d, 13)),
                                              _mm256_set1_epi32(0x8000)),
                             16);
}

VOKS_AVX2 inline __m256i energy_sum8(int32_t alp0, __m256i x, __m256i y, __m256i d) {
    return _mm256_add_epi32(
        _mm256_add_epi32(_mm256_set1_epi32(alp0), _mm256_slli_epi32(_mm256_add_epi32(x, y), 13)),
        _mm256_slli_epi32(d, 12));
}

}  // namespace

// The whole search in vectors, the candidates of each phase reduced by their ratios (see
// rows_search). Any phase outside that domain hands the search to the scalar kernel, which
// starts afresh from the same inputs.
VOKS_AVX2 void search_17_fast(const int16_t* dn, const int16_t* rr, int* ip) {
    alignas(32) int16_t d16[5][8];
    for (int t = 0; t < 5; ++t)
        for (int a = 0; a < 8; ++a) d16[t][a] = dn[t + 5 * a];
    __m256i d[5], diag[5];
    for (int t = 0; t < 5; ++t) {
        d[t] = load8(d16[t]);
        diag[t] = load8(rr + 8 * t);
    }
    const int16_t* r01 = rr + kR01;
    const int16_t* r02 = rr + kR02;
    const int16_t* r12 = rr + kR12;
    int16_t psk = -1, alpk = 1;
    int best[4] = {0, 1, 2, 3};
    for (int track = 3; track <= 4; ++track) {
        const int16_t* r03 = rr + (track == 3 ? kR03 : kR04);
        const int16_t* r13 = rr + (track == 3 ? kR13 : kR14);
        const int16_t* r23 = rr + (track == 3 ? kR23 : kR24);
        const int16_t* r33 = rr + 8 * track;
        int cand[2], index;
        int16_t sq, alp, ps1[2];
        int32_t alp1[2];
        __m256i cross[2];

        // Search 3, phase A: track 2 against the pulse-3 track.
        top2(d[2], cand);
        for (int c = 0; c < 2; ++c) {
            ps1[c] = d16[2][cand[c]];
            alp1[c] = int32_t{rr[16 + cand[c]]} * 16384;
            cross[c] = load8(r23 + 8 * cand[c]);
        }
        if (!phase_a_best(ps1, alp1, cross, d[track], diag[track], sq, alp, index)) break;
        int j0 = cand[index >> 3], j1 = index & 7;  // pulses 2 and 3
        int16_t ps = add(ps1[index >> 3], d16[track][j1]);
        // Phase B: tracks 0 and 1.
        __m256i tmp = round_sum8(column(r12, j0), column(r13, j1), diag[1]);
        __m256i a1 = energy_sum8(int32_t{alp} * 16384, column(r02, j0), column(r03, j1), diag[0]);
        if (!phase_b_best(ps, a1, d[0], d[1], r01, tmp, sq, alp, index)) break;
        if (better(sq, alpk, psk, alp)) {
            psk = sq;
            alpk = alp;
            best[0] = 5 * (index >> 3);
            best[1] = 1 + 5 * (index & 7);
            best[2] = 2 + 5 * j0;
            best[3] = track + 5 * j1;
        }

        // Search 4, phase A: the pulse-3 track against track 0.
        top2(d[track], cand);
        for (int c = 0; c < 2; ++c) {
            ps1[c] = d16[track][cand[c]];
            alp1[c] = int32_t{r33[cand[c]]} * 16384;
            cross[c] = column(r03, cand[c]);
        }
        if (!phase_a_best(ps1, alp1, cross, d[0], diag[0], sq, alp, index)) break;
        j0 = cand[index >> 3];  // pulse 3
        j1 = index & 7;         // pulse 0
        ps = add(ps1[index >> 3], d16[0][j1]);
        // Phase B: tracks 1 and 2.
        tmp = round_sum8(column(r23, j0), load8(r02 + 8 * j1), diag[2]);
        a1 = energy_sum8(int32_t{alp} * 16384, column(r13, j0), load8(r01 + 8 * j1), diag[1]);
        if (!phase_b_best(ps, a1, d[1], d[2], r12, tmp, sq, alp, index)) break;
        if (better(sq, alpk, psk, alp)) {
            psk = sq;
            alpk = alp;
            best[3] = track + 5 * j0;
            best[0] = 5 * j1;
            best[1] = 1 + 5 * (index >> 3);
            best[2] = 2 + 5 * (index & 7);
        }
        if (track == 4) {
            for (int k = 0; k < 4; ++k) ip[k] = best[k];
            return;
        }
    }
    scalar::search_17_fast(dn, rr, ip);
}

namespace {

// mult() in 16-bit lanes: bits 15..30 of the product from its high and low halves; the one
// overflow (-32768 squared) saturated to 32767.
VOKS_AVX2 inline __m256i mult16(__m256i a, __m256i b) {
    const __m256i r = _mm256_or_si256(_mm256_slli_epi16(_mm256_mulhi_epi16(a, b), 1),
                                      _mm256_srli_epi16(_mm256_mullo_epi16(a, b), 15));
    const __m256i min = _mm256_set1_epi16(MIN_16);
    return _mm256_xor_si256(r, _mm256_and_si256(_mm256_cmpeq_epi16(a, min), _mm256_cmpeq_epi16(b, min)));
}

// Two rows per vector: the factors of rows a and a + 1 against the eight column signs. Mode 0
// picks mult(row, col) for a positive or a negative row sign; mode 1 inverts the column signs
// for a negative row (32767 <-> -32768, that is ~c).
VOKS_AVX2 inline void sign_rows(int16_t* r, const int16_t* rows, const int16_t* cols, int mode) {
    const __m256i c = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cols)));
    __m256i fpos = c, fneg = _mm256_xor_si256(c, _mm256_set1_epi16(-1));
    if (mode == 0) {
        fpos = mult16(_mm256_set1_epi16(MAX_16), c);
        fneg = mult16(_mm256_set1_epi16(MIN_16), c);
    }
    for (int a = 0; a < 8; a += 2) {
        const __m256i rs = _mm256_setr_m128i(_mm_set1_epi16(rows[a]), _mm_set1_epi16(rows[a + 1]));
        const __m256i f = _mm256_blendv_epi8(fpos, fneg, _mm256_srai_epi16(rs, 15));
        __m256i* p = reinterpret_cast<__m256i*>(r + 8 * a);
        _mm256_storeu_si256(p, mult16(_mm256_loadu_si256(p), f));
    }
}

}  // namespace

VOKS_AVX2 void sign_block(int16_t* r, const int16_t* rows, const int16_t* cols, int mode) {
    sign_rows(r, rows, cols, mode);
}

// Signs and |d| sixteen at a time (sgn = (d >> 15) ^ 32767, |d| = max(d, 0 -sat d)), the track
// signs gathered once, then the nine blocks as in sign_block.
VOKS_AVX2 void sign_matrix(int16_t* dn, int16_t* sgn, int16_t* rr, int mode) {
    static constexpr int kTracks[9][2] = {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 2},
                                          {1, 3}, {1, 4}, {2, 3}, {2, 4}};
    const __m256i flip = _mm256_set1_epi16(MAX_16);
    const __m256i zero = _mm256_setzero_si256();
    // Three loads before any store: the last block overlaps the second (40 = 16 + 16 + 8).
    constexpr int kAt[3] = {0, 16, kSubfr - 16};
    __m256i v[3];
    for (int k = 0; k < 3; ++k) v[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dn + kAt[k]));
    for (int k = 0; k < 3; ++k) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sgn + kAt[k]),
                            _mm256_xor_si256(_mm256_srai_epi16(v[k], 15), flip));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dn + kAt[k]),
                            _mm256_max_epi16(v[k], _mm256_subs_epi16(zero, v[k])));
    }
    alignas(16) int16_t track[5][8];
    for (int t = 0; t < 5; ++t)
        for (int a = 0; a < 8; ++a) track[t][a] = sgn[t + 5 * a];
    for (int c = 0; c < 9; ++c)
        sign_rows(rr + kR01 + 64 * c, track[kTracks[c][0]], track[kTracks[c][1]], mode);
}

// Products in 32-bit lanes, >> 14 and narrowed with saturation (the clamp), then a saturating
// 16-bit subtraction; 40 = 16 + 16 + 8 lanes.
VOKS_AVX2 void target_update(int16_t g, const int16_t* y, const int16_t* x, int16_t* x2) {
    const __m256i vg = _mm256_set1_epi32(g);
    for (int i = 0; i < kSubfr; i += 16) {
        const __m256i p0 = _mm256_srai_epi32(_mm256_mullo_epi32(load8(y + i), vg), 14);
        if (i + 16 <= kSubfr) {
            const __m256i p1 = _mm256_srai_epi32(_mm256_mullo_epi32(load8(y + i + 8), vg), 14);
            const __m256i h = _mm256_permute4x64_epi64(_mm256_packs_epi32(p0, p1), 0xD8);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(x2 + i), _mm256_subs_epi16(load16(x + i), h));
        } else {
            const __m128i h = _mm_packs_epi32(_mm256_castsi256_si128(p0), _mm256_extracti128_si256(p0, 1));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(x2 + i),
                             _mm_subs_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i)), h));
        }
    }
}

// Each row's eight candidates in one vector (saturating 16-bit sums in 32-bit lanes); the
// ordered scan runs from the first candidate that beats the best held on entry to the row.
VOKS_AVX2 void pair_e(int16_t ps, int16_t alp, const int16_t* dn_x, const int16_t* dn_y, const int16_t* cx,
                      const int16_t* cy, const int16_t* rr, int16_t& alpk_out, int& ax, int& by) {
    int16_t sqk = -1, alpk = 1;
    ax = by = -1;
    const __m256i vdy = load8(dn_y), vcy = load8(cy);
    alignas(32) int32_t sqv[8], alpv[8];
    for (int a = 0; a < 8; ++a) {
        const int16_t ps1 = add(ps, dn_x[a]), alp1 = add(alp, cx[a]);
        const __m256i sq = square16(add16(_mm256_set1_epi32(ps1), vdy));
        const __m256i al = add16(_mm256_set1_epi32(alp1), add16(vcy, load8(rr + 8 * a)));
        const __m256i d = _mm256_sub_epi32(_mm256_mullo_epi32(sq, _mm256_set1_epi32(alpk)),
                                           _mm256_mullo_epi32(_mm256_set1_epi32(sqk), al));
        const unsigned hits = static_cast<unsigned>(
            _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(d, _mm256_setzero_si256()))));
        if (hits == 0) continue;
        _mm256_store_si256(reinterpret_cast<__m256i*>(sqv), sq);
        _mm256_store_si256(reinterpret_cast<__m256i*>(alpv), al);
        int pos = -1;
        for (int b = __builtin_ctz(hits); b < 8; ++b) {
            const int16_t s = static_cast<int16_t>(sqv[b]), l = static_cast<int16_t>(alpv[b]);
            if (better(s, alpk, sqk, l)) {
                sqk = s;
                alpk = l;
                pos = b;
            }
        }
        if (pos >= 0) {
            ax = a;
            by = pos;
        }
    }
    alpk_out = alpk;
}

VOKS_AVX2 void narrow_q15(const int32_t* m, int16_t* r, int n) {
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i a = _mm256_srai_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(m + i)), 15);
        const __m256i b =
            _mm256_srai_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(m + i + 8)), 15);
        // packs saturates to 16 bits; the permute restores the order across the lanes.
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(r + i),
                            _mm256_permute4x64_epi64(_mm256_packs_epi32(a, b), 0xD8));
    }
    for (; i + 8 <= n; i += 8) {
        const __m256i a = _mm256_srai_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(m + i)), 15);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(r + i),
                         _mm_packs_epi32(_mm256_castsi256_si128(a), _mm256_extracti128_si256(a, 1)));
    }
    scalar::narrow_q15(m + i, r + i, n - i);
}

VOKS_AVX2 void widen(const int16_t* r, int32_t* m, int n) {
    int i = 0;
    for (; i + 8 <= n; i += 8) _mm256_storeu_si256(reinterpret_cast<__m256i*>(m + i), load8(r + i));
    scalar::widen(r + i, m + i, n - i);
}

VOKS_AVX2 void gather_half(const int32_t* src, const int32_t* at, int32_t* dst, int n) {
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i idx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + i));
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(dst + i),
            _mm256_srai_epi32(_mm256_i32gather_epi32(reinterpret_cast<const int*>(src), idx, 4), 1));
    }
    scalar::gather_half(src, at + i, dst + i, n - i);
}

}  // namespace voks::g729::avx2

// AVX2 twins of the GSM-AMR excitation kernels (see kernels.h).
#include <immintrin.h>

#include <cstring>
#include <initializer_list>

#include "amrnb/exc_search_pairs.h"
#include "amrnb/kernels.h"
#include "common/x86/avx2.h"

namespace voks::amrnb::avx2 {
namespace {

// add() of 16-bit values held in 32-bit lanes.
VOKS_AVX2 inline __m256i add16(__m256i a, __m256i b) {
    return _mm256_min_epi32(_mm256_max_epi32(_mm256_add_epi32(a, b), _mm256_set1_epi32(-32768)),
                            _mm256_set1_epi32(32767));
}

// mult(x, x) of 16-bit values held in 32-bit lanes.
VOKS_AVX2 inline __m256i square16(__m256i x) {
    return _mm256_min_epi32(_mm256_srai_epi32(_mm256_mullo_epi32(x, x), 15), _mm256_set1_epi32(32767));
}

// Candidates in lanes: (sq, al) and their row-major index.
struct Lanes {
    __m256i sq, al, idx;
};

// Lane-wise, o replaces k where its ratio sq / al is larger (all al > 0, products below 2^30),
// or equal with a smaller index when `ties` (else equal ratios keep k: k came first).
VOKS_AVX2 inline void keep(Lanes& k, const Lanes& o, bool ties) {
    const __m256i d = _mm256_sub_epi32(_mm256_mullo_epi32(o.sq, k.al), _mm256_mullo_epi32(k.sq, o.al));
    const __m256i zero = _mm256_setzero_si256();
    __m256i take = _mm256_cmpgt_epi32(d, zero);
    if (ties)
        take = _mm256_or_si256(
            take, _mm256_and_si256(_mm256_cmpeq_epi32(d, zero), _mm256_cmpgt_epi32(k.idx, o.idx)));
    k.sq = _mm256_blendv_epi8(k.sq, o.sq, take);
    k.al = _mm256_blendv_epi8(k.al, o.al, take);
    k.idx = _mm256_blendv_epi8(k.idx, o.idx, take);
}

// The 32-bit lanes of v exchanged with those `step` (4, 2 or 1) lanes away: one step of a
// lane-wise reduction.
VOKS_AVX2 inline __m256i swap_lanes(__m256i v, int step) {
    if (step == 4) return _mm256_permute2x128_si256(v, v, 1);
    return step == 2 ? _mm256_shuffle_epi32(v, 0x4E) : _mm256_shuffle_epi32(v, 0xB1);
}

VOKS_AVX2 inline Lanes swapped(const Lanes& l, int step) {
    return {swap_lanes(l.sq, step), swap_lanes(l.al, step), swap_lanes(l.idx, step)};
}

}  // namespace

// With every rounded energy positive the replacement rule orders candidates by sq / al, and the
// scan keeps the first of the largest ratio. Columns run in lanes (0..7, and 8, 9 in a second
// vector when n = 10); each lane keeps its column's first best row over the rows in order, then
// the lanes reduce to the largest ratio of smallest row-major index. Otherwise (or another n)
// the scalar scan runs.
VOKS_AVX2 void pair_stage(const int16_t* ps1, const int32_t* alp1, const int16_t* dn, const int32_t* rrv2,
                          const int16_t* rr, int32_t pair2, int n, PairBest& best) {
    if (n != 8 && n != 10) return scalar::pair_stage(ps1, alp1, dn, rrv2, rr, pair2, n, best);
    const int nv = n == 10 ? 2 : 1;
    const __m256i one = _mm256_set1_epi32(1), half = _mm256_set1_epi32(0x8000),
                  vpair = _mm256_set1_epi32(pair2);
    __m256i vdn[2], base[2], bad[2];
    Lanes col[2];
    for (int v = 0; v < 2; ++v) {
        col[v] = {_mm256_set1_epi32(-1), one, _mm256_setzero_si256()};
        bad[v] = _mm256_setzero_si256();
    }
    vdn[0] = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(dn)));
    base[0] = _mm256_add_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(rrv2)), half);
    if (nv == 2) {
        vdn[1] = _mm256_setr_epi32(dn[8], dn[9], 0, 0, 0, 0, 0, 0);
        base[1] = _mm256_add_epi32(_mm256_setr_epi32(rrv2[8], rrv2[9], 0, 0, 0, 0, 0, 0), half);
    }
    for (int a = 0; a < n; ++a) {
        const __m256i p1 = _mm256_set1_epi32(ps1[a]), a1 = _mm256_set1_epi32(alp1[a]),
                      row = _mm256_set1_epi32(a);
        for (int v = 0; v < nv; ++v) {
            const int16_t* r16 = rr + 40 * a + 8 * v;
            const __m256i r =
                v == 0 ? _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(r16)))
                       : _mm256_setr_epi32(r16[0], r16[1], 0, 0, 0, 0, 0, 0);
            const __m256i ps = add16(p1, vdn[v]), sq = square16(ps);
            const __m256i al = _mm256_srai_epi32(
                _mm256_add_epi32(_mm256_add_epi32(a1, base[v]), _mm256_mullo_epi32(r, vpair)), 16);
            bad[v] = _mm256_or_si256(bad[v], _mm256_cmpgt_epi32(one, al));
            Lanes& k = col[v];
            const __m256i d = _mm256_sub_epi32(_mm256_mullo_epi32(sq, k.al), _mm256_mullo_epi32(k.sq, al));
            const __m256i take = _mm256_cmpgt_epi32(d, _mm256_setzero_si256());
            k.sq = _mm256_blendv_epi8(k.sq, sq, take);
            k.al = _mm256_blendv_epi8(k.al, al, take);
            k.idx = _mm256_blendv_epi8(k.idx, row, take);
        }
    }
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), vn = _mm256_set1_epi32(n);
    if (nv == 2) {
        // Only columns 8 and 9 are candidates in the second vector.
        const __m256i valid = _mm256_cmpgt_epi32(_mm256_set1_epi32(2), lane);
        bad[0] = _mm256_or_si256(bad[0], _mm256_and_si256(bad[1], valid));
        col[1].sq = _mm256_blendv_epi8(_mm256_set1_epi32(-1), col[1].sq, valid);
        col[1].al = _mm256_blendv_epi8(one, col[1].al, valid);
    }
    if (!_mm256_testz_si256(bad[0], bad[0]))
        return scalar::pair_stage(ps1, alp1, dn, rrv2, rr, pair2, n, best);
    for (int v = 0; v < nv; ++v)
        col[v].idx = _mm256_add_epi32(_mm256_mullo_epi32(col[v].idx, vn),
                                      _mm256_add_epi32(lane, _mm256_set1_epi32(8 * v)));
    Lanes& k = col[0];
    if (nv == 2) keep(k, col[1], true);
    for (int step : {4, 2, 1}) keep(k, swapped(k, step), true);
    const int i = _mm256_cvtsi256_si32(k.idx), a = i / n, c = i % n;
    best = {static_cast<int16_t>(_mm256_cvtsi256_si32(k.sq)),
            static_cast<int16_t>(_mm256_cvtsi256_si32(k.al)), add(ps1[a], dn[c]), a, c};
}

namespace {

// Adds the 32-bit pair sums of v to 64-bit lanes: signed, or unsigned for sums of squares (a pair
// of -32768 squares is 2^31).
VOKS_AVX2 inline __m256i widen_add(__m256i acc, __m256i v, bool is_unsigned) {
    const __m128i lo = _mm256_castsi256_si128(v), hi = _mm256_extracti128_si256(v, 1);
    if (is_unsigned)
        return _mm256_add_epi64(acc, _mm256_add_epi64(_mm256_cvtepu32_epi64(lo), _mm256_cvtepu32_epi64(hi)));
    return _mm256_add_epi64(acc, _mm256_add_epi64(_mm256_cvtepi32_epi64(lo), _mm256_cvtepi32_epi64(hi)));
}

}  // namespace

// Sixteen products per step by madd. A pair of products reaches 2^31 only as two -32768 squares:
// the squares are widened unsigned, and the cross sums run in the scalar kernel when x holds
// -32768 where y does.
VOKS_AVX2 void dots(const int16_t* x, const int16_t* y, int n, int64_t& xy, int64_t& yy) {
    __m256i c = _mm256_setzero_si256(), e = _mm256_setzero_si256(), both = _mm256_setzero_si256();
    const __m256i min16 = _mm256_set1_epi16(-32768);
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i vx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + i));
        const __m256i vy = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(y + i));
        both = _mm256_or_si256(
            both, _mm256_and_si256(_mm256_cmpeq_epi16(vx, min16), _mm256_cmpeq_epi16(vy, min16)));
        c = widen_add(c, _mm256_madd_epi16(vx, vy), false);
        e = widen_add(e, _mm256_madd_epi16(vy, vy), true);
    }
    if (!_mm256_testz_si256(both, both)) return scalar::dots(x, y, n, xy, yy);
    int64_t cs = 0, es = 0;
    for (; i < n; ++i) {
        cs += int32_t{x[i]} * y[i];
        es += int32_t{y[i]} * y[i];
    }
    alignas(32) int64_t cl[4], el[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(cl), c);
    _mm256_store_si256(reinterpret_cast<__m256i*>(el), e);
    xy = cs + cl[0] + cl[1] + cl[2] + cl[3];
    yy = es + el[0] + el[1] + el[2] + el[3];
}

namespace {

// The largest of the eight 32-bit lanes.
VOKS_AVX2 inline int32_t hmax32(__m256i v) {
    __m128i s = _mm_max_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    s = _mm_max_epi32(s, _mm_shuffle_epi32(s, 0x4E));
    s = _mm_max_epi32(s, _mm_shuffle_epi32(s, 0xB1));
    return _mm_cvtsi128_si32(s);
}

// Stores the row of j (layout slot d) from its halved sums t in layout order (five vectors of
// eight): rounded, signed by mult(sign, sj) in 16-bit lanes sl off the diagonal slot d, whose
// value stays unsigned and out of the off-diagonal maximum.
VOKS_AVX2 inline void emit_row(const __m256i* t, const __m256i* sl, int16_t sj, int d, int16_t* row,
                               __m256i& off) {
    const __m256i half = _mm256_set1_epi32(0x8000), vsj = _mm256_set1_epi32(static_cast<uint16_t>(sj));
    const __m256i vd = _mm256_set1_epi32(d), lo16 = _mm256_set1_epi32(0xFFFF),
                  max16 = _mm256_set1_epi32(32767);
    __m256i out[5];
    for (int k = 0; k < 5; ++k) {
        const __m256i v = _mm256_srai_epi32(_mm256_add_epi32(_mm256_add_epi32(t[k], t[k]), half), 16);
        const __m256i diag = _mm256_cmpeq_epi32(
            vd, _mm256_add_epi32(_mm256_set1_epi32(8 * k), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)));
        off = _mm256_max_epi32(off, _mm256_andnot_si256(diag, _mm256_abs_epi32(v)));
        // mult(sign[i], sj) saturates only at -32768 * -32768; mult(v, .) never does, |v| <= 32767.
        const __m256i sp = _mm256_min_epi32(_mm256_srai_epi32(_mm256_madd_epi16(sl[k], vsj), 15), max16);
        const __m256i sv = _mm256_srai_epi32(_mm256_madd_epi16(v, _mm256_and_si256(sp, lo16)), 15);
        out[k] = _mm256_blendv_epi8(sv, v, diag);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(row),
                        _mm256_permute4x64_epi64(_mm256_packs_epi32(out[0], out[1]), 0xD8));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + 16),
                        _mm256_permute4x64_epi64(_mm256_packs_epi32(out[2], out[3]), 0xD8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + 32), _mm256_castsi256_si128(_mm256_permute4x64_epi64(
                                                               _mm256_packs_epi32(out[4], out[4]), 0xD8)));
}

}  // namespace

// The rows in layout order: natural position i + 1 sits m slots after i (the next track) or, for
// the last track, at the first track's next slot. So the row of j is the row of j + 1 advanced
// by m slots, the first track's slots 1 .. m - 1 and a zero appended, plus h2[39 - i] h2[39 - j]:
// with m = 8 a rotation of five registers, with m = 1 a shift of their lanes, otherwise a window
// sliding over a buffer.
VOKS_AVX2 int16_t cor_matrix(const int16_t* h2, const int16_t* sign, int m, int16_t* rr) {
    constexpr int kL = 40;
    const int tracks = kL / m;
    // 16-bit values in 32-bit lanes with zero high halves: madd by such a lane is a plain product.
    alignas(32) int32_t hl[kL], sg[kL];
    for (int t = 0, l = 0; t < tracks; ++t)
        for (int i = t; i < kL; i += tracks, ++l) {
            hl[l] = static_cast<uint16_t>(h2[kL - 1 - i]);
            sg[l] = static_cast<uint16_t>(sign[i]);
        }
    __m256i vh[5], sl[5], r[5], off = _mm256_setzero_si256();
    for (int k = 0; k < 5; ++k) {
        vh[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(hl + 8 * k));
        sl[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(sg + 8 * k));
        r[k] = _mm256_setzero_si256();
    }
    alignas(32) int32_t w[kL + kL * 10] = {};
    int32_t* s = w;
    const __m256i next = _mm256_setr_epi32(1, 2, 3, 4, 5, 6, 7, 0),
                  keep7 = _mm256_setr_epi32(-1, -1, -1, -1, -1, -1, -1, 0);
    // The row of j at layout slot d = (j % tracks) m + j / tracks, counted down with j.
    for (int j = kL - 1, jt = (kL - 1) % tracks, jk = (kL - 1) / tracks; j >= 0; --j) {
        const __m256i hj = _mm256_set1_epi32(static_cast<uint16_t>(h2[kL - 1 - j]));
        if (m == 8) {
            const __m256i first = _mm256_and_si256(_mm256_permutevar8x32_epi32(r[0], next), keep7);
            for (int k = 0; k < 4; ++k) r[k] = _mm256_add_epi32(r[k + 1], _mm256_madd_epi16(vh[k], hj));
            r[4] = _mm256_add_epi32(first, _mm256_madd_epi16(vh[4], hj));
        } else if (m == 1) {
            // The natural order: every lane takes its right neighbour, the last a zero.
            __m256i p[6];
            for (int k = 0; k < 5; ++k) p[k] = _mm256_permutevar8x32_epi32(r[k], next);
            p[5] = _mm256_setzero_si256();
            for (int k = 0; k < 5; ++k)
                r[k] =
                    _mm256_add_epi32(_mm256_blend_epi32(p[k], p[k + 1], 0x80), _mm256_madd_epi16(vh[k], hj));
        } else {
            for (int k = 1; k < m; ++k) s[kL + k - 1] = s[k];
            s[kL + m - 1] = 0;
            s += m;
            for (int k = 0; k < 5; ++k) {
                __m256i* p = reinterpret_cast<__m256i*>(s + 8 * k);
                r[k] = _mm256_add_epi32(_mm256_loadu_si256(p), _mm256_madd_epi16(vh[k], hj));
                _mm256_storeu_si256(p, r[k]);
            }
        }
        const int d = jt * m + jk;
        emit_row(r, sl, sign[j], d, rr + kL * d, off);
        if (--jt < 0) {
            jt = tracks - 1;
            --jk;
        }
    }
    const int32_t o = hmax32(off);
    return static_cast<int16_t>(o < 32767 ? o : 32767);
}

// Eight outputs at a time: each a madd dot product of x with h shifted (zeros before h), the
// eight lane sums reduced together by horizontal adds (mod 2^32, as the definition).
VOKS_AVX2 void backward_corr(const int16_t* x, const int16_t* h, int32_t* y) {
    alignas(32) int16_t xp[48] = {}, hp[96] = {};
    std::memcpy(xp, x, 40 * sizeof(int16_t));
    std::memcpy(hp + 48, h, 40 * sizeof(int16_t));
    const __m256i x0 = _mm256_load_si256(reinterpret_cast<const __m256i*>(xp));
    const __m256i x1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(xp + 16));
    const __m256i x2 = _mm256_load_si256(reinterpret_cast<const __m256i*>(xp + 32));
    for (int i0 = 0; i0 < 40; i0 += 8) {
        __m256i v[8];
        for (int k = 0; k < 8; ++k) {
            const int16_t* p = hp + 48 - (i0 + k);  // p[j] = h[j - i]
            v[k] = _mm256_add_epi32(_mm256_add_epi32(_mm256_madd_epi16(x0, x86::load16(p)),
                                                     _mm256_madd_epi16(x1, x86::load16(p + 16))),
                                    _mm256_madd_epi16(x2, x86::load16(p + 32)));
        }
        const __m256i a = _mm256_hadd_epi32(_mm256_hadd_epi32(v[0], v[1]), _mm256_hadd_epi32(v[2], v[3]));
        const __m256i b = _mm256_hadd_epi32(_mm256_hadd_epi32(v[4], v[5]), _mm256_hadd_epi32(v[6], v[7]));
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(y + i0),
            _mm256_add_epi32(_mm256_permute2x128_si256(a, b, 0x20), _mm256_permute2x128_si256(a, b, 0x31)));
    }
}

namespace {

VOKS_AVX2 inline __m256i track8(const int16_t* p) {
    return _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

VOKS_AVX2 inline int32_t hmin32(__m256i v) {
    __m128i s = _mm_min_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    s = _mm_min_epi32(s, _mm_shuffle_epi32(s, 0x4E));
    s = _mm_min_epi32(s, _mm_shuffle_epi32(s, 0xB1));
    return _mm_cvtsi128_si32(s);
}

VOKS_AVX2 inline bool any_greater(__m256i a, __m256i b) {
    const __m256i g = _mm256_cmpgt_epi32(a, b);
    return !_mm256_testz_si256(g, g);
}

// Candidates as 16-bit pairs in 32-bit lanes: p = (sq, al) and q = (al, -sq), so that
// madd(p_o, q_k) = sq_o al_k - al_o sq_k, positive where o's ratio sq / al is the larger.
struct Packed {
    __m256i p, q, idx;
};

// (lo, hi) of 16-bit values held in 32-bit lanes.
VOKS_AVX2 inline __m256i pack16(__m256i lo, __m256i hi) {
    return _mm256_blend_epi16(lo, _mm256_slli_epi32(hi, 16), 0xAA);
}

// Lane-wise, o replaces k where its ratio is larger (every al > 0), or equal with a smaller
// index when `ties`.
VOKS_AVX2 inline void better(Packed& k, const Packed& o, bool ties) {
    const __m256i d = _mm256_madd_epi16(o.p, k.q), zero = _mm256_setzero_si256();
    __m256i take = _mm256_cmpgt_epi32(d, zero);
    if (ties)
        take = _mm256_or_si256(
            take, _mm256_and_si256(_mm256_cmpeq_epi32(d, zero), _mm256_cmpgt_epi32(k.idx, o.idx)));
    k.p = _mm256_blendv_epi8(k.p, o.p, take);
    k.q = _mm256_blendv_epi8(k.q, o.q, take);
    k.idx = _mm256_blendv_epi8(k.idx, o.idx, take);
}

VOKS_AVX2 inline Packed swapped(const Packed& l, int step) {
    return {swap_lanes(l.p, step), swap_lanes(l.q, step), swap_lanes(l.idx, step)};
}

// The 12.2 kbit/s search (five tracks of eight, a track in a vector) when every chain is a
// plain sum, checked lane by lane: a chain's partial sums stay within |start| + 2 (|diag| w +
// mag w'), mag the summed magnitudes of the fixed pulses' rows. Returns false, ipos untouched,
// as soon as one might saturate or an energy is not positive.
VOKS_AVX2 bool search_pairs_plain8(const int16_t* dn, const int16_t* rr, int16_t* ipos,
                                   const int16_t* pos_max, int16_t off_max, int* codvec) {
    // Shifts of the stage weights (powers of two): the precomputed vector's diagonal and cross
    // terms, the new pulse's, the vector's and the pair's cross weights.
    struct Stage {
        int dv, cv, d, c, rv, pair;
    };
    static const Stage kStages[4] = {
        {12, 13, 11, 12, 14, 12}, {12, 13, 10, 11, 13, 11}, {11, 12, 9, 10, 13, 10}, {11, 12, 8, 9, 12, 9}};
    constexpr int32_t kHalfSafe = 0x3FFFBFFF;  // 2 x <= 0x7FFF7FFF
    alignas(32) int32_t dg[40];
    for (int l = 0; l < 40; ++l) dg[l] = rr[41 * l];
    __m256i diag[5], adiag[5];
    for (int k = 0; k < 5; ++k) {
        diag[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(dg + 8 * k));
        adiag[k] = _mm256_abs_epi32(diag[k]);
    }
    int16_t ipos_in[10];
    std::memcpy(ipos_in, ipos, sizeof ipos_in);
    auto fail = [&] {
        std::memcpy(ipos, ipos_in, sizeof ipos_in);
        return false;
    };
    const __m256i one = _mm256_set1_epi32(1), half = _mm256_set1_epi32(0x8000), zero = _mm256_setzero_si256();
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    int16_t psk = -1, alpk = 1;
    const int i0 = pos_max[ipos[0]];
    for (int t = 1; t < 5; ++t) {
        int pulse[10];
        pulse[0] = i0;
        pulse[1] = pos_max[ipos[1]];
        const int16_t ps = add(dn[pulse[0]], dn[pulse[1]]);
        int32_t alp0 = L_mac(L_mac(L_mult(rr[41 * pulse[0]], 2048), rr[41 * pulse[1]], 2048),
                             rr[40 * pulse[0] + pulse[1]], 4096);
        __m256i sum[5], mag[5];
        for (int k = 0; k < 5; ++k) {
            const __m256i u = track8(rr + 40 * pulse[0] + 8 * k), v = track8(rr + 40 * pulse[1] + 8 * k);
            sum[k] = _mm256_add_epi32(u, v);
            mag[k] = _mm256_add_epi32(_mm256_abs_epi32(u), _mm256_abs_epi32(v));
        }
        int16_t sq = -1, alp = 1, psb = 0;
        for (int st = 0; st < 4; ++st) {
            const Stage& w = kStages[st];
            const __m128i dv = _mm_cvtsi32_si128(w.dv), cv = _mm_cvtsi32_si128(w.cv);
            const __m128i wd = _mm_cvtsi32_si128(w.d), wc = _mm_cvtsi32_si128(w.c);
            const int fixed = 2 + 2 * st, ta = ipos[fixed], tb = ipos[fixed + 1];
            if (st > 0) alp0 = L_mult(alp, 16384);
            const int16_t ps0 = st > 0 ? psb : ps;
            // mag w' <= limit - |diag| w, as (limit - |diag| w) >> log2 w' (a floor division).
            if (any_greater(mag[tb], _mm256_sra_epi32(_mm256_sub_epi32(_mm256_set1_epi32(kHalfSafe),
                                                                       _mm256_sll_epi32(adiag[tb], dv)),
                                                      cv)))
                return fail();
            const int64_t la = (0x7FFF7FFF - std::abs(int64_t{alp0})) >> 1;
            if (la < 0 ||
                any_greater(mag[ta],
                            _mm256_sra_epi32(_mm256_sub_epi32(_mm256_set1_epi32(static_cast<int32_t>(la)),
                                                              _mm256_sll_epi32(adiag[ta], wd)),
                                             wc)))
                return fail();
            const __m256i rrv = _mm256_srai_epi32(
                _mm256_add_epi32(
                    _mm256_slli_epi32(
                        _mm256_add_epi32(_mm256_sll_epi32(diag[tb], dv), _mm256_sll_epi32(sum[tb], cv)), 1),
                    half),
                16);
            const __m256i alp1 = _mm256_add_epi32(
                _mm256_set1_epi32(alp0),
                _mm256_slli_epi32(
                    _mm256_add_epi32(_mm256_sll_epi32(diag[ta], wd), _mm256_sll_epi32(sum[ta], wc)), 1));
            const int64_t alp_max = std::max(int64_t{hmax32(alp1)}, -int64_t{hmin32(alp1)});
            if (std::max<int64_t>(alp_max, 0) +
                    2 * ((int64_t{hmax32(_mm256_abs_epi32(rrv))} << w.rv) + (int64_t{off_max} << w.pair)) >
                0x7FFF7FFF)
                return fail();
            // The pair stage: columns of track tb in lanes; rows 0..3 and 4..7 of track ta in
            // two chains, each in order, the second taken only where strictly better.
            const __m256i vdn = track8(dn + 8 * tb), ps1 = add16(_mm256_set1_epi32(ps0), track8(dn + 8 * ta));
            const __m256i base = _mm256_add_epi32(_mm256_sll_epi32(rrv, _mm_cvtsi32_si128(w.rv + 1)), half);
            const __m128i pair = _mm_cvtsi32_si128(w.pair + 1);
            const Packed none = {pack16(_mm256_set1_epi32(-1), one), pack16(one, one), zero};
            Packed chain[2] = {none, none};
            __m256i bad = zero;
            for (int a = 0; a < 4; ++a)
                for (int c = 0; c < 2; ++c) {
                    const int row = a + 4 * c;
                    const __m256i va = _mm256_set1_epi32(row);
                    const __m256i r = track8(rr + 40 * (8 * ta + row) + 8 * tb);
                    const __m256i ps2 = add16(_mm256_permutevar8x32_epi32(ps1, va), vdn), sq2 = square16(ps2);
                    const __m256i al = _mm256_srai_epi32(
                        _mm256_add_epi32(_mm256_add_epi32(_mm256_permutevar8x32_epi32(alp1, va), base),
                                         _mm256_sll_epi32(r, pair)),
                        16);
                    bad = _mm256_or_si256(bad, _mm256_cmpgt_epi32(one, al));
                    // (sq2, al) and (al, -sq2) as 32-bit sums: 0 <= sq2 < 2^15 and, where al counts
                    // (bad is clear), 0 < al < 2^15.
                    better(chain[c],
                           {_mm256_add_epi32(sq2, _mm256_slli_epi32(al, 16)),
                            _mm256_sub_epi32(al, _mm256_slli_epi32(sq2, 16)), va},
                           false);
                }
            if (!_mm256_testz_si256(bad, bad)) return fail();
            Packed& k = chain[0];
            better(k, chain[1], false);
            k.idx = _mm256_add_epi32(_mm256_slli_epi32(k.idx, 3), lane);
            for (int step : {4, 2, 1}) better(k, swapped(k, step), true);
            const int i = _mm256_cvtsi256_si32(k.idx), ia = 8 * ta + (i >> 3), ib = 8 * tb + (i & 7);
            const int32_t best = _mm256_cvtsi256_si32(k.p);
            sq = static_cast<int16_t>(best & 0xFFFF);
            alp = static_cast<int16_t>(best >> 16);
            psb = add(add(ps0, dn[ia]), dn[ib]);
            pulse[fixed] = ia;
            pulse[fixed + 1] = ib;
            if (st < 3)
                for (int q = 0; q < 5; ++q) {
                    const __m256i u = track8(rr + 40 * ia + 8 * q), v = track8(rr + 40 * ib + 8 * q);
                    sum[q] = _mm256_add_epi32(sum[q], _mm256_add_epi32(u, v));
                    mag[q] =
                        _mm256_add_epi32(mag[q], _mm256_add_epi32(_mm256_abs_epi32(u), _mm256_abs_epi32(v)));
                }
        }
        if (int64_t{alpk} * sq > int64_t{psk} * alp) {
            psk = sq;
            alpk = alp;
            for (int q = 0; q < 10; ++q) codvec[q] = pulse[q];
        }
        const int16_t first = ipos[1];
        for (int j = 1; j < 9; ++j) ipos[j] = ipos[j + 1];
        ipos[9] = first;
    }
    return true;
}

}  // namespace

// At 12.2 kbit/s the whole search in registers when its sums are plain; otherwise, and at
// 10.2 kbit/s, the scalar loops compiled for AVX2 (the row sums, bounds and stage vectors
// vectorise) with the AVX2 pair stage.
VOKS_AVX2 void search_pairs(int n, const int16_t* dn, const int16_t* rr, int16_t* ipos,
                            const int16_t* pos_max, int16_t off_max, int* codvec) {
    if (n == 10) {
        if (!search_pairs_plain8(dn, rr, ipos, pos_max, off_max, codvec))
            search_pairs_body<8>(n, dn, rr, ipos, pos_max, off_max, codvec, pair_stage);
    } else {
        search_pairs_body<10>(n, dn, rr, ipos, pos_max, off_max, codvec, pair_stage);
    }
}

// Whole rows of h from each pulse (the zeros before h start them), multiplied by madd against
// the pulse's sign with a zero high half.
VOKS_AVX2 void pulse_sum(const int16_t* h, const int* pos, const int16_t* s, int n, int32_t* acc) {
    __m256i a[5];
    for (__m256i& v : a) v = _mm256_setzero_si256();
    for (int k = 0; k < n; ++k) {
        const int16_t* hk = h - pos[k];
        const __m256i sk = _mm256_set1_epi32(static_cast<uint16_t>(s[k]));
        for (int v = 0; v < 5; ++v) a[v] = _mm256_add_epi32(a[v], _mm256_madd_epi16(track8(hk + 8 * v), sk));
    }
    for (int v = 0; v < 5; ++v) _mm256_storeu_si256(reinterpret_cast<__m256i*>(acc + 8 * v), a[v]);
}

namespace {

// L_mult of 16-bit values in 32-bit lanes: 2 a b, MAX_32 for -32768 * -32768.
VOKS_AVX2 inline __m256i l_mult(__m256i a, __m256i b) {
    const __m256i p = _mm256_mullo_epi32(a, b);
    return _mm256_blendv_epi8(_mm256_add_epi32(p, p), _mm256_set1_epi32(0x7FFFFFFF),
                              _mm256_cmpeq_epi32(p, _mm256_set1_epi32(0x40000000)));
}

// 16-bit values in 32-bit lanes stored as eight 16-bit values.
VOKS_AVX2 inline void store8(int16_t* p, __m256i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p),
                     _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packs_epi32(v, v), 0xD8)));
}

}  // namespace

// Eight at a time, each saturation of the chain as a lane select: L_add where both operands'
// signs differ from the sum's, L_shl by 10 outside -0x200000..0x1FFFFF, the rounding above
// 0x7FFF7FFF; then the flips of cor < 0 by (x ^ m) - m, saturated as negate().
VOKS_AVX2 void sign_select(const int16_t* cn, int16_t k_cn, int16_t k_dn, int16_t* dn, int16_t* sign,
                           int16_t* en) {
    const __m256i kc = _mm256_set1_epi32(k_cn), kd = _mm256_set1_epi32(k_dn);
    const __m256i max32 = _mm256_set1_epi32(0x7FFFFFFF), max16 = _mm256_set1_epi32(32767);
    for (int v = 0; v < 5; ++v) {
        const __m256i c = track8(cn + 8 * v), d = track8(dn + 8 * v);
        const __m256i p1 = l_mult(kc, c), p2 = l_mult(kd, d), sum = _mm256_add_epi32(p1, p2);
        const __m256i ovf =
            _mm256_srai_epi32(_mm256_and_si256(_mm256_xor_si256(p1, sum), _mm256_xor_si256(p2, sum)), 31);
        const __m256i s = _mm256_blendv_epi8(sum, _mm256_xor_si256(_mm256_srai_epi32(p1, 31), max32), ovf);
        __m256i x = _mm256_slli_epi32(s, 10);
        x = _mm256_blendv_epi8(x, max32, _mm256_cmpgt_epi32(s, _mm256_set1_epi32(0x1FFFFF)));
        x = _mm256_blendv_epi8(x, _mm256_set1_epi32(INT32_MIN),
                               _mm256_cmpgt_epi32(_mm256_set1_epi32(-0x200000), s));
        const __m256i cor =
            _mm256_blendv_epi8(_mm256_srai_epi32(_mm256_add_epi32(x, _mm256_set1_epi32(0x8000)), 16), max16,
                               _mm256_cmpgt_epi32(x, _mm256_set1_epi32(0x7FFF7FFF)));
        const __m256i m = _mm256_srai_epi32(cor, 31);
        store8(sign + 8 * v, _mm256_sub_epi32(max16, _mm256_and_si256(m, _mm256_set1_epi32(65534))));
        store8(dn + 8 * v, _mm256_min_epi32(_mm256_sub_epi32(_mm256_xor_si256(d, m), m), max16));
        store8(en + 8 * v, _mm256_min_epi32(_mm256_sub_epi32(_mm256_xor_si256(cor, m), m), max16));
    }
}

}  // namespace voks::amrnb::avx2

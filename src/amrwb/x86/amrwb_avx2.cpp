// AVX2 twins of the AMR-WB kernels (see kernels.h): exact sums in 32-bit lanes, taken only where
// chain_exact proves that no partial sum of the reference's saturating chain leaves 31 bits;
// otherwise the scalar chain runs.
#include <immintrin.h>

#include <algorithm>

#include "amrwb/amrwb_internal.h"
#include "amrwb/amrwb_tables.h"
#include "amrwb/kernels.h"
#include "common/basicop.h"
#include "common/x86/avx2.h"

using namespace voks::x86;

namespace voks::amrwb::avx2 {
namespace {

// Adds the unsigned 32-bit lanes of a pair-sum of squares (each <= 2^31) into 64-bit lanes.
VOKS_AVX2 inline __m256i acc_u32(__m256i acc, __m256i sq) {
    acc = _mm256_add_epi64(acc, _mm256_cvtepu32_epi64(_mm256_castsi256_si128(sq)));
    return _mm256_add_epi64(acc, _mm256_cvtepu32_epi64(_mm256_extracti128_si256(sq, 1)));
}

// Energy of x[0 .. n), n >= 16 (the last partial block an overlapping load, masked).
VOKS_AVX2 uint64_t energy(const int16_t* x, int n) {
    __m256i e = _mm256_setzero_si256();
    int m = 0;
    for (; m + 16 <= n; m += 16) {
        const __m256i v = load16(x + m);
        e = acc_u32(e, _mm256_madd_epi16(v, v));
    }
    if (m < n) {
        const __m256i v = _mm256_and_si256(load16(x + n - 16), tail_mask16(n - m));
        e = acc_u32(e, _mm256_madd_epi16(v, v));
    }
    return hsum64(e);
}

// The eight lane sums of v[0..7] in one vector, lane t the sum of v[t].
VOKS_AVX2 inline __m256i hsum8(const __m256i* v) {
    const __m256i h01 = _mm256_hadd_epi32(v[0], v[1]), h23 = _mm256_hadd_epi32(v[2], v[3]);
    const __m256i h45 = _mm256_hadd_epi32(v[4], v[5]), h67 = _mm256_hadd_epi32(v[6], v[7]);
    const __m256i a = _mm256_hadd_epi32(h01, h23), b = _mm256_hadd_epi32(h45, h67);
    return _mm256_add_epi32(_mm256_permute2x128_si256(a, b, 0x20), _mm256_permute2x128_si256(a, b, 0x31));
}

// s0 + 2 s modulo 2^32 (exact where chain_exact held).
inline int32_t finish(int32_t s0, int32_t s) {
    return static_cast<int32_t>(static_cast<uint32_t>(s0) + 2 * static_cast<uint32_t>(s));
}

// a + b saturated to 32 bits, per lane.
VOKS_AVX2 inline __m256i adds32(__m256i a, __m256i b) {
    const __m256i s = _mm256_add_epi32(a, b);
    const __m256i ov =
        _mm256_srai_epi32(_mm256_and_si256(_mm256_xor_si256(a, s), _mm256_xor_si256(b, s)), 31);
    const __m256i sat = _mm256_xor_si256(_mm256_srai_epi32(a, 31), _mm256_set1_epi32(MAX_32));
    return _mm256_blendv_epi8(s, sat, ov);
}

// The table index 32 (63 - max(x, y)) + |x - y| / 2 of track_matrix's entries.
VOKS_AVX2 inline __m256i matrix_index(__m256i x, __m256i y) {
    const __m256i d = _mm256_abs_epi32(_mm256_sub_epi32(x, y));
    const __m256i u = _mm256_sub_epi32(_mm256_set1_epi32(kSubframe - 1), _mm256_max_epi32(x, y));
    return _mm256_add_epi32(_mm256_slli_epi32(u, 5), _mm256_srli_epi32(d, 1));
}

}  // namespace

VOKS_AVX2 void mac_xcorr(const int16_t* a, const int16_t* b, int n, int hi, int count, int32_t s0,
                         int32_t* r) {
    if (n < 16) return scalar::mac_xcorr(a, b, n, hi, count, s0, r);
    const uint64_t ea = energy(a, n);
    const int16_t* w = b - hi;
    uint64_t eb = energy(w, n);
    const int full = n & ~15;
    const __m256i mask = tail_mask16(n - full);
    const __m256i at = _mm256_and_si256(load16(a + n - 16), mask);
    for (int k = 0; k < count; ++k, ++w) {
        if (k > 0)
            eb += static_cast<uint64_t>(int32_t{w[n - 1]} * w[n - 1]) -
                  static_cast<uint64_t>(int32_t{w[-1]} * w[-1]);
        if (!chain_exact(ea, eb, s0)) {
            r[k] = scalar::mac_chain(a, w, n, s0);
            continue;
        }
        __m256i acc = _mm256_setzero_si256();
        for (int m = 0; m < full; m += 16)
            acc = _mm256_add_epi32(acc, _mm256_madd_epi16(load16(a + m), load16(w + m)));
        if (full < n) acc = _mm256_add_epi32(acc, _mm256_madd_epi16(at, load16(w + n - 16)));
        r[k] = finish(s0, hsum32(acc));
    }
}

namespace {

// The sums of mac_tail into r (exact; false, nothing written, when chain_exact fails).
VOKS_AVX2 bool tail_sums(const int16_t* a, const int16_t* b, int n, int first, int step, int count,
                         int32_t s0, int32_t* r) {
    if (n < 16 || n > kSubframe || count > kSubframe + 1) return false;
    // Zero-padded copies: the terms past the end of b add nothing.
    alignas(32) int16_t ap[kSubframe], bp[3 * kSubframe];
    const __m256i zero = _mm256_setzero_si256();
    for (int i = 0; i < 3 * kSubframe; i += 16) _mm256_store_si256(reinterpret_cast<__m256i*>(bp + i), zero);
    if (n == kSubframe) {
        for (int i = 0; i < kSubframe; i += 16) {
            _mm256_store_si256(reinterpret_cast<__m256i*>(ap + i), load16(a + i));
            _mm256_store_si256(reinterpret_cast<__m256i*>(bp + i), load16(b + i));
        }
    } else {
        for (int i = 0; i < kSubframe; i += 16) _mm256_store_si256(reinterpret_cast<__m256i*>(ap + i), zero);
        for (int i = 0; i < n; ++i) {
            ap[i] = a[i];
            bp[i] = b[i];
        }
    }
    if (!chain_exact(energy(ap, kSubframe), energy(bp, kSubframe), s0)) return false;
    const int blocks = (n + 15) / 16;
    __m256i av[4];
    for (int i = 0; i < blocks; ++i) av[i] = _mm256_load_si256(reinterpret_cast<const __m256i*>(ap + 16 * i));
    const __m256i vs0 = _mm256_set1_epi32(s0);
    const int whole = count & ~7;
    for (int k = 0; k < whole; k += 8) {
        __m256i acc[8];
        for (int t = 0; t < 8; ++t) {
            const int p = first + (k + t) * step;
            acc[t] = _mm256_madd_epi16(av[0], load16(bp + p));
            for (int i = 1; i < blocks; ++i)
                acc[t] = _mm256_add_epi32(acc[t], _mm256_madd_epi16(av[i], load16(bp + p + 16 * i)));
        }
        const __m256i s = _mm256_add_epi32(vs0, _mm256_slli_epi32(hsum8(acc), 1));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(r + k), s);
    }
    for (int k = whole; k < count; ++k) {
        const int p = first + k * step;
        __m256i acc = _mm256_madd_epi16(av[0], load16(bp + p));
        for (int i = 1; i < blocks; ++i)
            acc = _mm256_add_epi32(acc, _mm256_madd_epi16(av[i], load16(bp + p + 16 * i)));
        r[k] = finish(s0, hsum32(acc));
    }
    return true;
}

}  // namespace

VOKS_AVX2 void mac_tail(const int16_t* a, const int16_t* b, int n, int first, int step, int count, int32_t s0,
                        int32_t* r) {
    if (!tail_sums(a, b, n, first, step, count, s0, r)) scalar::mac_tail(a, b, n, first, step, count, s0, r);
}

VOKS_AVX2 void track_cor(const int16_t* h, const int16_t* vec, int track, const int16_t* sign,
                         const int16_t* rr, int16_t* cor) {
    alignas(32) int32_t s[16];
    if (!tail_sums(h, vec, kSubframe, track, 4, 16, 0, s))
        return scalar::track_cor(h, vec, track, sign, rr, cor);
    alignas(32) int16_t sg[16];
    for (int i = 0; i < 16; ++i) sg[i] = sign[track + 4 * i];
    // round_fx(L_shl(s, 1)): the shift as a clamp before it, the rounding as in residual.
    const __m256i top = _mm256_set1_epi32(MAX_32 >> 1), bottom = _mm256_set1_epi32(MIN_32 >> 1);
    const __m256i half = _mm256_set1_epi32(0x4000);
    __m256i v[2];
    for (int k = 0; k < 2; ++k) {
        const __m256i t = _mm256_load_si256(reinterpret_cast<const __m256i*>(s + 8 * k));
        const __m256i u = _mm256_slli_epi32(_mm256_max_epi32(_mm256_min_epi32(t, top), bottom), 1);
        v[k] = _mm256_srai_epi32(_mm256_add_epi32(_mm256_srai_epi32(u, 1), half), 15);
    }
    const __m256i c = _mm256_permute4x64_epi64(_mm256_packs_epi32(v[0], v[1]), 0xD8);
    const __m256i sv = _mm256_load_si256(reinterpret_cast<const __m256i*>(sg)),
                  min16 = _mm256_set1_epi16(-32768);
    __m256i m = _mm256_or_si256(_mm256_slli_epi16(_mm256_mulhi_epi16(c, sv), 1),
                                _mm256_srli_epi16(_mm256_mullo_epi16(c, sv), 15));
    m = _mm256_xor_si256(m, _mm256_and_si256(_mm256_cmpeq_epi16(c, min16), _mm256_cmpeq_epi16(sv, min16)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(cor), _mm256_adds_epi16(m, load16(rr)));
}

VOKS_AVX2 void pitch_sums(const int16_t* exc, const int16_t* xn, const int16_t* h, int tmin, int tmax,
                          int32_t* cor, int32_t* ener) {
    constexpr int n = kSubframe;
    // excf of lag tmin in buf[0] + 16; the slot before each excf stays 0 for the shifted update.
    alignas(32) int16_t buf[2][n + 32];
    buf[0][15] = buf[1][15] = 0;
    int16_t* cur = buf[0] + 16;
    int16_t* nxt = buf[1] + 16;
    const int16_t* e = exc - tmin;
    __m256i hv[4], xv[4];
    for (int i = 0; i < 4; ++i) {
        hv[i] = load16(h + 16 * i);
        xv[i] = load16(xn + 16 * i);
    }
    if (chain_exact(energy(h, n), energy(e, n), 0)) {
        // excf[i] = <e[0 .. 64), g[63 - i ..]> with g the reversed response followed by zeros.
        alignas(32) int16_t g[2 * n];
        for (int i = 0; i < n; ++i) g[i] = h[n - 1 - i];
        for (int i = n; i < 2 * n; i += 16)
            _mm256_store_si256(reinterpret_cast<__m256i*>(g + i), _mm256_setzero_si256());
        __m256i ev[4];
        for (int i = 0; i < 4; ++i) ev[i] = load16(e + 16 * i);
        for (int i0 = 0; i0 < n; i0 += 8) {
            __m256i acc[8];
            for (int t = 0; t < 8; ++t) {
                const int16_t* gi = g + n - 1 - (i0 + t);
                acc[t] = _mm256_madd_epi16(ev[0], load16(gi));
                for (int b = 1; b < 4; ++b)
                    acc[t] = _mm256_add_epi32(acc[t], _mm256_madd_epi16(ev[b], load16(gi + 16 * b)));
            }
            // round_fx of the chain 2 P: (2 P + 2^15) >> 16 saturated, i.e. (P + 2^14) >> 15.
            __m256i s = _mm256_srai_epi32(_mm256_add_epi32(hsum8(acc), _mm256_set1_epi32(0x4000)), 15);
            s = _mm256_permute4x64_epi64(_mm256_packs_epi32(s, s), 0x08);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(cur + i0), _mm256_castsi256_si128(s));
        }
    } else {
        for (int i = 0; i < n; ++i) {
            int32_t s = 0;
            for (int j = 0; j <= i; ++j) s = L_mac(s, e[j], h[i - j]);
            cur[i] = round_fx(s);
        }
    }
    uint64_t exn = energy(xn, n);
    const __m256i min16 = _mm256_set1_epi16(-32768);
    for (int lag = tmin; lag <= tmax; ++lag) {
        __m256i ee = _mm256_setzero_si256(), c = ee, fv[4];
        for (int b = 0; b < 4; ++b) {
            fv[b] = _mm256_load_si256(reinterpret_cast<const __m256i*>(cur + 16 * b));
            ee = acc_u32(ee, _mm256_madd_epi16(fv[b], fv[b]));
            c = _mm256_add_epi32(c, _mm256_madd_epi16(xv[b], fv[b]));
        }
        const uint64_t en = hsum64(ee);
        ener[lag - tmin] = en >= 0x40000000 ? MAX_32 : static_cast<int32_t>(1 + 2 * en);
        cor[lag - tmin] = chain_exact(exn, en, 1) ? finish(1, hsum32(c)) : scalar::mac_chain(xn, cur, n, 1);
        if (lag == tmax) break;
        // new[i] = add(mult(x, h[i]), old[i - 1]): mult as bits 15..30 of the product, with
        // mult(-32768, -32768) = 32767 restored by flipping those lanes.
        const int16_t x = exc[-lag - 1];
        const __m256i vx = _mm256_set1_epi16(x);
        const __m256i fix = x == -32768 ? _mm256_set1_epi16(-1) : _mm256_setzero_si256();
        for (int b = 0; b < 4; ++b) {
            const __m256i lo = _mm256_mullo_epi16(vx, hv[b]), hi = _mm256_mulhi_epi16(vx, hv[b]);
            __m256i m = _mm256_or_si256(_mm256_slli_epi16(hi, 1), _mm256_srli_epi16(lo, 15));
            m = _mm256_xor_si256(m, _mm256_and_si256(_mm256_cmpeq_epi16(hv[b], min16), fix));
            const __m256i old = load16(cur - 1 + 16 * b);
            _mm256_store_si256(reinterpret_cast<__m256i*>(nxt + 16 * b), _mm256_adds_epi16(m, old));
        }
        int16_t* t = cur;
        cur = nxt;
        nxt = t;
    }
}

VOKS_AVX2 void residual(const int16_t* a, int m, const int16_t* x, int16_t* y, int n, int sf) {
    const int shift = sf < -31 ? 45 : 14 - sf;
    const auto lo_x = reinterpret_cast<uintptr_t>(x - m), hi_x = reinterpret_cast<uintptr_t>(x + n);
    const auto lo_y = reinterpret_cast<uintptr_t>(y), hi_y = reinterpret_cast<uintptr_t>(y + n);
    if (n < 16 || m > kMaxOrder || shift > 16 || (lo_y < hi_x && lo_x < hi_y))
        return scalar::residual(a, m, x, y, n, sf);
    // Tap pairs (a[2p], a[2p + 1]) for madd, a zero tap after an odd count.
    int32_t pair[kMaxOrder / 2 + 1];
    for (int p = 0; 2 * p <= m; ++p)
        pair[p] = static_cast<int32_t>(
            static_cast<uint16_t>(a[2 * p]) |
            static_cast<uint32_t>(static_cast<uint16_t>(2 * p + 1 <= m ? a[2 * p + 1] : 0)) << 16);
    uint64_t ea = 0;
    for (int j = 0; j <= m; ++j) ea += static_cast<uint64_t>(int32_t{a[j]} * a[j]);
    const __m128i count = _mm_cvtsi32_si128(shift < 0 ? -shift : shift);
    const __m256i top = _mm256_set1_epi32(shift >= 0 ? MAX_32 >> shift : MAX_32);
    const __m256i bottom = _mm256_set1_epi32(shift >= 0 ? MIN_32 >> shift : MIN_32);
    const __m256i half = _mm256_set1_epi32(0x4000);
    for (int i0 = 0; i0 < n; i0 += 16) {
        if (i0 + 16 > n) i0 = n - 16;  // an overlapping last block (x and y are apart)
        // Lanes of lo: outputs i0 + 0..3 and 8..11; of hi: 4..7 and 12..15.
        if (!chain_exact(ea, energy(x + i0 - m, m + 16), 0)) {
            scalar::residual(a, m, x + i0, y + i0, 16, sf);
            continue;
        }
        __m256i lo = _mm256_setzero_si256(), hi = lo;
        for (int p = 0; 2 * p <= m; ++p) {
            const __m256i c = _mm256_set1_epi32(pair[p]);
            const __m256i x0 = load16(x + i0 - 2 * p);
            const __m256i x1 = 2 * p + 1 <= m ? load16(x + i0 - 2 * p - 1) : _mm256_setzero_si256();
            lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(x0, x1), c));
            hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(x0, x1), c));
        }
        // 2 s, then the saturating shift as a clamp before the shift (exact for counts up to 16
        // once rounded to 16 bits), then round_fx as ((t >> 1) + 2^14) >> 15, saturated.
        lo = _mm256_slli_epi32(lo, 1);
        hi = _mm256_slli_epi32(hi, 1);
        if (shift >= 0) {
            lo = _mm256_sll_epi32(_mm256_max_epi32(_mm256_min_epi32(lo, top), bottom), count);
            hi = _mm256_sll_epi32(_mm256_max_epi32(_mm256_min_epi32(hi, top), bottom), count);
        } else {
            lo = _mm256_sra_epi32(lo, count);
            hi = _mm256_sra_epi32(hi, count);
        }
        lo = _mm256_srai_epi32(_mm256_add_epi32(_mm256_srai_epi32(lo, 1), half), 15);
        hi = _mm256_srai_epi32(_mm256_add_epi32(_mm256_srai_epi32(hi, 1), half), 15);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(y + i0), _mm256_packs_epi32(lo, hi));
        if (i0 + 16 == n) break;
    }
}

VOKS_AVX2 void pair_search(int nx, int tx, int ty, int16_t* ps, int16_t* alp, int* ix, int* iy,
                           const int16_t* dn, const int16_t* dn2, const int16_t* cor_x, const int16_t* cor_y,
                           const int16_t* rxy) {
    const auto thres = static_cast<int16_t>(nx - 8);
    const int32_t alp0 = L_add(L_deposit_h(*alp), 0x8000);
    int16_t sqk = -1, alpk = 1;
    *ix = tx;
    *iy = ty;
    alignas(32) int16_t dny[16];
    for (int i = 0; i < 16; ++i) dny[i] = dn[ty + 4 * i];
    const __m256i vdn = _mm256_load_si256(reinterpret_cast<const __m256i*>(dny));
    const __m256i cy = load16(cor_y);
    // L_mult(cor_y, 4096) never saturates: cor_y 2^13, lanes y 0..7 and 8..15.
    const __m256i cy0 = _mm256_slli_epi32(_mm256_cvtepi16_epi32(_mm256_castsi256_si128(cy)), 13);
    const __m256i cy1 = _mm256_slli_epi32(_mm256_cvtepi16_epi32(_mm256_extracti128_si256(cy, 1)), 13);
    const __m256i min16 = _mm256_set1_epi16(-32768);
    for (int x = tx, px = 0; x < kSubframe; x += 4, ++px) {
        if (dn2[x] >= thres) continue;
        const int16_t ps1 = add(*ps, dn[x]);
        const int32_t alp1 = L_mac(alp0, cor_x[px], 4096);
        // sq = mult(ps2, ps2): bits 15..30 of the square, 32767 for ps2 = -32768.
        const __m256i ps2 = _mm256_adds_epi16(_mm256_set1_epi16(ps1), vdn);
        __m256i sq = _mm256_or_si256(_mm256_slli_epi16(_mm256_mulhi_epi16(ps2, ps2), 1),
                                     _mm256_srli_epi16(_mm256_mullo_epi16(ps2, ps2), 15));
        sq = _mm256_xor_si256(sq, _mm256_cmpeq_epi16(ps2, min16));
        const __m256i r = load16(rxy + 16 * px);
        const __m256i va1 = _mm256_set1_epi32(alp1);
        // a = extract_h(L_mac(L_mac(alp1, cor_y, 4096), rxy, 8192)), each step saturating.
        const __m256i a0 = _mm256_srai_epi32(
            adds32(adds32(va1, cy0), _mm256_slli_epi32(_mm256_cvtepi16_epi32(_mm256_castsi256_si128(r)), 14)),
            16);
        const __m256i a1 = _mm256_srai_epi32(
            adds32(adds32(va1, cy1),
                   _mm256_slli_epi32(_mm256_cvtepi16_epi32(_mm256_extracti128_si256(r, 1)), 14)),
            16);
        const __m256i sq0 = _mm256_cvtepi16_epi32(_mm256_castsi256_si128(sq));
        const __m256i sq1 = _mm256_cvtepi16_epi32(_mm256_extracti128_si256(sq, 1));
        // L_msu(L_mult(alpk, sq), sqk, a) > 0 is alpk sq > sqk a: sq >= 0 and sqk > -32768 keep
        // both products unsaturated, and a saturated difference keeps its sign.
        const __m256i vak = _mm256_set1_epi32(alpk), vsk = _mm256_set1_epi32(sqk);
        const __m256i c0 = _mm256_cmpgt_epi32(_mm256_mullo_epi32(vak, sq0), _mm256_mullo_epi32(vsk, a0));
        const __m256i c1 = _mm256_cmpgt_epi32(_mm256_mullo_epi32(vak, sq1), _mm256_mullo_epi32(vsk, a1));
        const int mask =
            _mm256_movemask_ps(_mm256_castsi256_ps(c0)) | _mm256_movemask_ps(_mm256_castsi256_ps(c1)) << 8;
        if (mask == 0) continue;
        // The first improvement is the one the sequential scan takes; the rest of the row is
        // scanned against the new best.
        alignas(32) int32_t sqv[16], av[16];
        _mm256_store_si256(reinterpret_cast<__m256i*>(sqv), sq0);
        _mm256_store_si256(reinterpret_cast<__m256i*>(sqv + 8), sq1);
        _mm256_store_si256(reinterpret_cast<__m256i*>(av), a0);
        _mm256_store_si256(reinterpret_cast<__m256i*>(av + 8), a1);
        int pos = __builtin_ctz(static_cast<unsigned>(mask));
        sqk = static_cast<int16_t>(sqv[pos]);
        alpk = static_cast<int16_t>(av[pos]);
        for (int l = pos + 1; l < 16; ++l)
            if (int32_t{alpk} * sqv[l] > int32_t{sqk} * av[l]) {
                sqk = static_cast<int16_t>(sqv[l]);
                alpk = static_cast<int16_t>(av[l]);
                pos = l;
            }
        *ix = x;
        *iy = ty + 4 * pos;
    }
    *ps = add(*ps, add(dn[*ix], dn[*iy]));
    *alp = alpk;
}

namespace {

// T[32 u + (d >> 1)] for the odd lags d of h (a response whose chains chain_exact proved
// unsaturated): extract_h of 0x8000 + 2 sum_{v <= u} h[v] h[v + d]. Lane l of group g holds
// d = 1 + 16 g + 2 l, read as the low half of a 32-bit pair of hp.
VOKS_AVX2 void odd_lag_table(const int16_t* h, int32_t* T) {
    alignas(32) int16_t hp[3 * kSubframe] = {};
    for (int i = 0; i < kSubframe; ++i) hp[i] = h[i];
    __m256i acc[4] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256(),
                      _mm256_setzero_si256()};
    const __m256i round = _mm256_set1_epi32(0x8000);
    for (int u = 0; u < kSubframe; ++u) {
        const __m256i hu = _mm256_set1_epi32(static_cast<uint16_t>(h[u]));
        for (int g = 0; g < 4; ++g) {
            acc[g] = _mm256_add_epi32(acc[g], _mm256_madd_epi16(load16(hp + u + 1 + 16 * g), hu));
            const __m256i v = _mm256_srai_epi32(_mm256_add_epi32(_mm256_slli_epi32(acc[g], 1), round), 16);
            _mm256_store_si256(reinterpret_cast<__m256i*>(T + 32 * u + 8 * g), v);
        }
    }
}

// Sixteen entries of row x of a sign-corrected pair matrix from T: the columns y (8 per vector
// in y0, y1), each multiplied (mult) by its sign sv.
VOKS_AVX2 inline __m256i matrix_row(const int32_t* T, int x, __m256i y0, __m256i y1, __m256i sv) {
    const __m256i vx = _mm256_set1_epi32(x);
    const __m256i g0 = _mm256_i32gather_epi32(T, matrix_index(vx, y0), 4);
    const __m256i g1 = _mm256_i32gather_epi32(T, matrix_index(vx, y1), 4);
    const __m256i r = _mm256_permute4x64_epi64(_mm256_packs_epi32(g0, g1), 0xD8);
    const __m256i min16 = _mm256_set1_epi16(-32768);
    const __m256i p = _mm256_or_si256(_mm256_slli_epi16(_mm256_mulhi_epi16(r, sv), 1),
                                      _mm256_srli_epi16(_mm256_mullo_epi16(r, sv), 15));
    return _mm256_xor_si256(p, _mm256_and_si256(_mm256_cmpeq_epi16(r, min16), _mm256_cmpeq_epi16(sv, min16)));
}

}  // namespace

VOKS_AVX2 void track_matrix(const int16_t* h, const int16_t* sign, const int16_t* vec, int16_t* rr,
                            int16_t* rxy) {
    const uint64_t eh = energy(h, kSubframe);
    if (!chain_exact(eh, eh, 0x8000)) return scalar::track_matrix(h, sign, vec, rr, rxy);
    // No partial sum saturates: every entry is extract_h(0x8000 + 2 C) of an exact sum C.
    int32_t cor = 0x8000;
    for (int i = 0; i < 16; ++i)
        for (int t = 3; t >= 0; --t) {
            cor += 2 * int32_t{h[4 * i + 3 - t]} * h[4 * i + 3 - t];
            rr[16 * t + 15 - i] = static_cast<int16_t>(cor >> 16);
        }
    alignas(32) int32_t T[kSubframe * 32];
    odd_lag_table(h, T);
    // Entry (x, y) = T at u = 63 - max(x, y), d = |x - y|, then mult by the sign of column y.
    const __m256i lanes = _mm256_setr_epi32(0, 4, 8, 12, 16, 20, 24, 28);
    for (int m = 0; m < 4; ++m) {
        const int yt = (m + 1) & 3;
        alignas(32) int16_t cs[16], cv[16];
        for (int i = 0; i < 16; ++i) {
            cs[i] = sign[yt + 4 * i];
            cv[i] = vec[yt + 4 * i];
        }
        const __m256i vcs = _mm256_load_si256(reinterpret_cast<const __m256i*>(cs));
        const __m256i vcv = _mm256_load_si256(reinterpret_cast<const __m256i*>(cv));
        const __m256i y0 = _mm256_add_epi32(lanes, _mm256_set1_epi32(yt)),
                      y1 = _mm256_add_epi32(y0, _mm256_set1_epi32(32));
        for (int px = 0; px < 16; ++px) {
            const int x = 4 * px + m;
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(rxy + 256 * m + 16 * px),
                                matrix_row(T, x, y0, y1, sign[x] < 0 ? vcv : vcs));
        }
    }
}

VOKS_AVX2 void pred_lt4(int16_t* exc, int lag, int frac, int n) {
    int phase = -frac, back = lag;
    if (phase < 0) {
        phase += 4;
        ++back;
    }
    // A block of 16 outputs reads up to exc[j0 + 31 - back]: none of its own outputs from back 32 on.
    if (back < 32 || phase < 0 || phase > 3) return scalar::pred_lt4(exc, lag, frac, n);
    int32_t pair[16];
    uint64_t ec = 0;
    for (int p = 0; p < 16; ++p) {
        const int16_t c0 = kInterp4[3 - phase + 8 * p], c1 = kInterp4[7 - phase + 8 * p];
        pair[p] = static_cast<int32_t>(static_cast<uint16_t>(c0) |
                                       static_cast<uint32_t>(static_cast<uint16_t>(c1)) << 16);
        ec += static_cast<uint64_t>(int32_t{c0} * c0 + int32_t{c1} * c1);
    }
    const __m256i top = _mm256_set1_epi32(MAX_32 >> 1), bottom = _mm256_set1_epi32(MIN_32 >> 1);
    const __m256i half = _mm256_set1_epi32(0x4000);
    int j = 0;
    for (; j + 16 <= n; j += 16) {
        const int16_t* x = exc + j - back - 15;
        if (!chain_exact(ec, energy(x, 47), 0)) {
            scalar::pred_lt4(exc + j, lag, frac, 16);
            continue;
        }
        __m256i lo = _mm256_setzero_si256(), hi = lo;
        for (int p = 0; p < 16; ++p) {
            const __m256i c = _mm256_set1_epi32(pair[p]);
            const __m256i x0 = load16(x + 2 * p), x1 = load16(x + 2 * p + 1);
            lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(x0, x1), c));
            hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(x0, x1), c));
        }
        // s = 2 <x, c>; L_shl(s, 1) as a clamp before the shift; round_fx as in residual.
        lo = _mm256_slli_epi32(_mm256_max_epi32(_mm256_min_epi32(_mm256_slli_epi32(lo, 1), top), bottom), 1);
        hi = _mm256_slli_epi32(_mm256_max_epi32(_mm256_min_epi32(_mm256_slli_epi32(hi, 1), top), bottom), 1);
        lo = _mm256_srai_epi32(_mm256_add_epi32(_mm256_srai_epi32(lo, 1), half), 15);
        hi = _mm256_srai_epi32(_mm256_add_epi32(_mm256_srai_epi32(hi, 1), half), 15);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(exc + j), _mm256_packs_epi32(lo, hi));
    }
    if (j < n) scalar::pred_lt4(exc + j, lag, frac, n - j);
}

VOKS_AVX2 void vq_dist(const int16_t* x, const int16_t* book, int dim, int count, int32_t* d) {
    // Sixteen rows at once; the sums of squares are held at most 2^30 (unsigned), where the
    // chain has saturated: d = 2 s below, MAX_32 from there.
    const __m256i cap = _mm256_set1_epi32(0x40000000);
    for (int i0 = 0; i0 < count; i0 += 16) {
        __m256i s0 = _mm256_setzero_si256(), s1 = s0;
        for (int j = 0; j < dim; ++j) {
            const __m256i t = _mm256_subs_epi16(_mm256_set1_epi16(x[j]), load16(book + j * count + i0));
            const __m256i lo = _mm256_mullo_epi16(t, t), hi = _mm256_mulhi_epi16(t, t);
            s0 = _mm256_min_epu32(_mm256_add_epi32(s0, _mm256_unpacklo_epi16(lo, hi)), cap);
            s1 = _mm256_min_epu32(_mm256_add_epi32(s1, _mm256_unpackhi_epi16(lo, hi)), cap);
        }
        // Lanes of s0: rows 0..3 and 8..11; of s1: 4..7 and 12..15.
        s0 = _mm256_add_epi32(_mm256_slli_epi32(s0, 1), _mm256_cmpeq_epi32(s0, cap));
        s1 = _mm256_add_epi32(_mm256_slli_epi32(s1, 1), _mm256_cmpeq_epi32(s1, cap));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i0), _mm256_permute2x128_si256(s0, s1, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i0 + 8), _mm256_permute2x128_si256(s0, s1, 0x31));
    }
}

namespace {

// v moved one lane down (lane k takes lane k + 1), x into lane 15.
VOKS_AVX2 inline __m256i push16(__m256i v, int16_t x) {
    const __m256i up = _mm256_permute2x128_si256(v, v, 0x81);
    return _mm256_insert_epi16(_mm256_alignr_epi8(up, v, 2), x, 15);
}

// Sum of the eight 32-bit lanes of a and of b: (sum a, sum b), modulo 2^32.
VOKS_AVX2 inline void hsum2(__m256i a, __m256i b, int32_t& sa, int32_t& sb) {
    const __m256i h = _mm256_hadd_epi32(a, b);  // per half: a01 a23 b01 b23
    __m128i q = _mm_add_epi32(_mm256_castsi256_si128(h), _mm256_extracti128_si256(h, 1));
    q = _mm_hadd_epi32(q, q);  // a, b, a, b
    sa = _mm_cvtsi128_si32(q);
    sb = _mm_extract_epi32(q, 1);
}

}  // namespace

namespace {

// synth_32 one sample at a time, the high-part chain exact where chain_exact proves it; a1 is
// sum |a[j]|, which the caller has checked.
VOKS_AVX2 void synth_32_steps(const int16_t* a, int m, const int16_t* exc, int32_t* sig, int n, int q) {
    const int16_t s = sub(norm_s(a[0]), 2), a0 = shr(a[0], add(4, static_cast<int16_t>(q)));
    // Lane k pairs coefficient a[16 - k] with the output 16 - k samples back.
    alignas(32) int16_t ar[16] = {}, hi0[16] = {}, lo0[16] = {};
    uint64_t ea = 0, eh = 0;  // energies of the coefficients and of the high parts in the window
    for (int j = 1; j <= m; ++j) {
        ar[16 - j] = a[j];
        hi0[16 - j] = static_cast<int16_t>(sig[-j] >> 16);
        lo0[16 - j] = static_cast<int16_t>((sig[-j] & 0xFFFF) >> 4);
        ea += static_cast<uint64_t>(int32_t{a[j]} * a[j]);
        eh += static_cast<uint64_t>(int32_t{hi0[16 - j]} * hi0[16 - j]);
    }
    const __m256i av = _mm256_load_si256(reinterpret_cast<const __m256i*>(ar));
    __m256i hv = _mm256_load_si256(reinterpret_cast<const __m256i*>(hi0));
    __m256i lv = _mm256_load_si256(reinterpret_cast<const __m256i*>(lo0));
    for (int i = 0; i < n; ++i) {
        int32_t sl, sh;
        hsum2(_mm256_madd_epi16(lv, av), _mm256_madd_epi16(hv, av), sl, sh);
        int32_t t = ((-2 * sl) >> 12) + 2 * exc[i] * a0;
        if (chain_exact(eh, ea, t)) {
            t -= 2 * sh;
        } else {
            for (int j = 1; j <= m; ++j) t = L_msu(t, static_cast<int16_t>(sig[i - j] >> 16), a[j]);
        }
        t = L_shl(t, add(3, s));
        const int16_t hi = extract_h(t), lo = extract_l(L_msu(L_shr(t, 4), hi, 2048));
        sig[i] = hi * 65536 + lo * 16;
        const int16_t out = static_cast<int16_t>(sig[i - m] >> 16);
        eh += static_cast<uint64_t>(int32_t{hi} * hi) - static_cast<uint64_t>(int32_t{out} * out);
        hv = push16(hv, hi);
        lv = push16(lv, lo);
    }
}

}  // namespace

VOKS_AVX2 void synth_32(const int16_t* a, int m, const int16_t* exc, int32_t* sig, int n, int q) {
    if (m < 1 || m > 16) return scalar::synth_32(a, m, exc, sig, n, q);
    // The low-part chain (parts 0..4095) cannot saturate when 2 * 4095 * sum |a[j]| fits; then
    // it is exact and its shifted value is small enough that adding 2 exc a0 cannot saturate.
    int64_t a1 = 0;
    uint64_t ea = 0;
    for (int j = 1; j <= m; ++j) {
        a1 += a[j] < 0 ? -int32_t{a[j]} : a[j];
        ea += static_cast<uint64_t>(int32_t{a[j]} * a[j]);
    }
    if (2 * 4095 * a1 > MAX_32) return scalar::synth_32(a, m, exc, sig, n, q);
    // With both chains exact and no saturating shift, the two chains fold into one over the
    // outputs shifted right by 4, y = hi 2^12 + lo: t = ((-sum a[j] y[i - j]) >> 11) + 2 exc a0,
    // sig[i] = (t << (3 + s)) with bits 3..0 cleared. The block runs in plain arithmetic and is
    // kept when, afterwards, chain_exact holds for every sample's window (the largest window
    // energy against the smallest room, from |t0| <= 2 sum |a| + 1 + 2 max |exc| |a0|) and no
    // shift left 32 bits; otherwise the sample-by-sample chain runs.
    const int16_t s = sub(norm_s(a[0]), 2), a0 = shr(a[0], add(4, static_cast<int16_t>(q)));
    const int shift = 3 + s;  // 1 .. 16
    int32_t emax = 0;
    for (int i = 0; i < n; ++i) emax = std::max(emax, exc[i] < 0 ? -int32_t{exc[i]} : int32_t{exc[i]});
    const int64_t room = int64_t{MAX_32} - (2 * a1 + 1 + 2 * int64_t{emax} * (a0 < 0 ? -a0 : a0));
    if (room > 0) {
        // The four latest outputs in scalar registers (the chain waits on y[i - 1] only); the
        // others, lags 5 .. m, as high and low parts in the vector lanes (lane k: lag 20 - k).
        alignas(32) int16_t ar[16] = {}, hi0[16] = {}, lo0[16] = {};
        int64_t c[5] = {}, y[5] = {};
        uint64_t eh = 0;
        for (int j = 1; j <= m; ++j) {
            const int32_t v = sig[-j];
            if (j <= 4) {
                c[j] = -a[j];
                y[j] = v >> 4;
            } else {
                ar[20 - j] = a[j];
                hi0[20 - j] = static_cast<int16_t>(v >> 16);
                lo0[20 - j] = static_cast<int16_t>((v & 0xFFFF) >> 4);
            }
            eh += static_cast<uint64_t>(int64_t{v >> 16} * (v >> 16));
        }
        const __m256i av = _mm256_load_si256(reinterpret_cast<const __m256i*>(ar));
        __m256i hv = _mm256_load_si256(reinterpret_cast<const __m256i*>(hi0));
        __m256i lv = _mm256_load_si256(reinterpret_cast<const __m256i*>(lo0));
        uint64_t ehmax = eh;
        int64_t umax = 0, umin = 0;
        for (int i = 0; i < n; ++i) {
            int32_t sl, sh;  // sh modulo 2^32: exact whenever the checks pass
            hsum2(_mm256_madd_epi16(lv, av), _mm256_madd_epi16(hv, av), sl, sh);
            const int64_t far = -(int64_t{sh} * 4096 + sl);
            const int64_t sum = far + c[4] * y[4] + c[3] * y[3] + c[2] * y[2] + c[1] * y[1];
            const auto u =
                static_cast<int64_t>(static_cast<uint64_t>((sum >> 11) + 2 * exc[i] * a0) << shift);
            umax = std::max(umax, u);
            umin = std::min(umin, u);
            const int32_t v = static_cast<int32_t>(static_cast<uint32_t>(u) & ~15u);
            sig[i] = v;
            hv = push16(hv, static_cast<int16_t>(y[4] >> 12));
            lv = push16(lv, static_cast<int16_t>(y[4] & 0xFFF));
            y[4] = y[3];
            y[3] = y[2];
            y[2] = y[1];
            y[1] = v >> 4;
            const int32_t hi = v >> 16, out = sig[i - m] >> 16;
            eh += static_cast<uint64_t>(int64_t{hi} * hi) - static_cast<uint64_t>(int64_t{out} * out);
            ehmax = std::max(ehmax, eh);
        }
        using u128 = unsigned __int128;
        if (umax <= MAX_32 && umin >= MIN_32 &&
            4 * static_cast<u128>(ea) * ehmax < static_cast<u128>(room) * static_cast<u128>(room))
            return;
    }
    synth_32_steps(a, m, exc, sig, n, q);
}

namespace {

// L_mult of 16-bit values in 32-bit lanes: 2 x y, MAX_32 for (-32768)^2.
VOKS_AVX2 inline __m256i lmult32(__m256i x, __m256i y) {
    const __m256i p = _mm256_mullo_epi32(x, y);
    return _mm256_add_epi32(_mm256_slli_epi32(p, 1), _mm256_cmpeq_epi32(p, _mm256_set1_epi32(0x40000000)));
}

// mult_r of 16-bit values in 32-bit lanes: (x y + 2^14) >> 15, at most 32767.
VOKS_AVX2 inline __m256i mult_r32(__m256i x, __m256i y) {
    const __m256i p = _mm256_add_epi32(_mm256_mullo_epi32(x, y), _mm256_set1_epi32(0x4000));
    return _mm256_min_epi32(_mm256_srai_epi32(p, 15), _mm256_set1_epi32(MAX_16));
}

}  // namespace

VOKS_AVX2 void gain_dist(const int16_t* table, int size, int16_t g0, const int16_t* c, const int16_t* lo,
                         int32_t* d) {
    __m256i vc[5], vl[5];
    for (int k = 0; k < 5; ++k) {
        vc[k] = _mm256_set1_epi32(c[k]);
        vl[k] = _mm256_set1_epi32(lo[k]);
    }
    const __m256i vg0 = _mm256_set1_epi32(g0), low16 = _mm256_set1_epi32(0xFFFF);
    for (int i = 0; i < size; i += 8) {
        // Eight (gp, code gain) pairs: gp in the low half of each 32-bit lane.
        const __m256i pairs = load16(table + 2 * i);
        const __m256i gp = _mm256_srai_epi32(_mm256_slli_epi32(pairs, 16), 16);
        const __m256i gc = mult_r32(_mm256_srai_epi32(pairs, 16), vg0);
        const __m256i gp2 = mult_r32(gp, gp), gpc = mult_r32(gc, gp);
        const __m256i sq = lmult32(gc, gc);
        const __m256i gc2 = _mm256_srai_epi32(sq, 16),
                      gc2_lo = _mm256_srli_epi32(_mm256_and_si256(sq, low16), 1);
        const __m256i v[5] = {gp2, gp, gc2, gc, gpc};
        __m256i t = _mm256_srai_epi32(lmult32(vc[2], gc2_lo), 3);
        for (int k = 0; k < 5; ++k) t = adds32(t, lmult32(vl[k], v[k]));
        t = _mm256_srai_epi32(t, 12);
        for (int k = 0; k < 5; ++k) t = adds32(t, lmult32(vc[k], v[k]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), t);
    }
}

namespace {

// a - b saturated to 32 bits, per lane.
VOKS_AVX2 inline __m256i subs32(__m256i a, __m256i b) {
    const __m256i s = _mm256_sub_epi32(a, b);
    const __m256i ov =
        _mm256_srai_epi32(_mm256_and_si256(_mm256_xor_si256(a, b), _mm256_xor_si256(a, s)), 31);
    const __m256i sat = _mm256_xor_si256(_mm256_srai_epi32(a, 31), _mm256_set1_epi32(MAX_32));
    return _mm256_blendv_epi8(s, sat, ov);
}

// round_fx per 32-bit lane: (t + 2^15) >> 16 saturated, kept in 32 bits (32768 for the top).
VOKS_AVX2 inline __m256i round32(__m256i t) {
    return _mm256_srai_epi32(_mm256_add_epi32(_mm256_srai_epi32(t, 1), _mm256_set1_epi32(0x4000)), 15);
}

}  // namespace

VOKS_AVX2 void three_tap(const int16_t* c, const int16_t* x, int16_t* y, int n, bool edge) {
    if (n < 20) return scalar::three_tap(c, x, y, n, edge);
    int16_t prev = edge ? x[-1] : int16_t{0};
    const auto one = [&](int i) {
        const int16_t cur = x[i];
        int32_t t = edge ? L_mult(cur, c[0]) : L_deposit_h(cur);
        if (edge || i + 1 < n) t = L_msu(t, x[i + 1], c[1]);
        if (edge || i > 0) t = L_msu(t, prev, c[1]);
        y[i] = round_fx(t);
        prev = cur;
    };
    one(0);
    const __m256i c0 = _mm256_set1_epi32(c[0]), c1 = _mm256_set1_epi32(c[1]);
    int i0 = 1;
    // Blocks of 16 inner samples; the input before each block is carried in prev, as y may be x.
    for (; i0 + 16 < n; i0 += 16) {
        const __m256i xc = load16(x + i0), xn = load16(x + i0 + 1);
        const __m256i xp = _mm256_insert_epi16(load16(x + i0 - 1), prev, 0);
        prev = x[i0 + 15];
        const __m256i w[3][2] = {{_mm256_cvtepi16_epi32(_mm256_castsi256_si128(xc)),
                                  _mm256_cvtepi16_epi32(_mm256_extracti128_si256(xc, 1))},
                                 {_mm256_cvtepi16_epi32(_mm256_castsi256_si128(xn)),
                                  _mm256_cvtepi16_epi32(_mm256_extracti128_si256(xn, 1))},
                                 {_mm256_cvtepi16_epi32(_mm256_castsi256_si128(xp)),
                                  _mm256_cvtepi16_epi32(_mm256_extracti128_si256(xp, 1))}};
        __m256i r[2];
        for (int h = 0; h < 2; ++h) {
            __m256i t = edge ? lmult32(w[0][h], c0) : _mm256_slli_epi32(w[0][h], 16);
            t = subs32(t, lmult32(w[1][h], c1));
            t = subs32(t, lmult32(w[2][h], c1));
            r[h] = round32(t);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(y + i0),
                            _mm256_permute4x64_epi64(_mm256_packs_epi32(r[0], r[1]), 0xD8));
    }
    for (; i0 < n; ++i0) one(i0);
}

namespace {

// L_shl(t, s) per lane, 0 < s < 31.
VOKS_AVX2 inline __m256i shl_sat32(__m256i t, int s) {
    const __m256i r = _mm256_sll_epi32(t, _mm_cvtsi32_si128(s));
    const __m256i over = _mm256_cmpgt_epi32(t, _mm256_set1_epi32(MAX_32 >> s));
    const __m256i under = _mm256_cmpgt_epi32(_mm256_set1_epi32(MIN_32 >> s), t);
    return _mm256_blendv_epi8(_mm256_blendv_epi8(r, _mm256_set1_epi32(MAX_32), over),
                              _mm256_set1_epi32(MIN_32), under);
}

// Mpy_32_16(hi, lo, n) per lane: L_mac(L_mult(hi, n), mult(lo, n), 1).
VOKS_AVX2 inline __m256i mpy_32_16(__m256i hi, __m256i lo, __m256i n) {
    const __m256i m =
        _mm256_min_epi32(_mm256_srai_epi32(_mm256_mullo_epi32(lo, n), 15), _mm256_set1_epi32(MAX_16));
    return adds32(lmult32(hi, n), _mm256_slli_epi32(m, 1));
}

}  // namespace

VOKS_AVX2 void cheb_grid(const int16_t* f, int n, const int16_t* x, int16_t* y, int count) {
    const int32_t v0 = L_mult(f[0], 4096);
    const __m256i low16 = _mm256_set1_epi32(0xFFFF);
    int k = 0;
    for (; k + 8 <= count; k += 8) {
        const __m256i vx = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x + k)));
        __m256i b2h = _mm256_set1_epi32(v0 >> 16), b2l = _mm256_set1_epi32((v0 & 0xFFFF) >> 1);
        __m256i t = adds32(shl_sat32(mpy_32_16(b2h, b2l, vx), 1), _mm256_set1_epi32(L_mult(f[1], 4096)));
        __m256i b1h = _mm256_srai_epi32(t, 16), b1l = _mm256_srli_epi32(_mm256_and_si256(t, low16), 1);
        for (int i = 2; i < n; ++i) {
            t = mpy_32_16(b1h, b1l, vx);
            t = adds32(t, lmult32(b2h, _mm256_set1_epi32(-16384)));
            t = adds32(t, _mm256_set1_epi32(L_mult(f[i], 2048)));
            t = subs32(shl_sat32(t, 1), _mm256_slli_epi32(b2l, 1));
            b2h = b1h;
            b2l = b1l;
            b1h = _mm256_srai_epi32(t, 16);
            b1l = _mm256_srli_epi32(_mm256_and_si256(t, low16), 1);
        }
        t = mpy_32_16(b1h, b1l, vx);
        t = adds32(t, lmult32(b2h, _mm256_set1_epi32(MIN_16)));
        t = subs32(t, _mm256_slli_epi32(b2l, 1));
        t = adds32(t, _mm256_set1_epi32(L_mult(f[n], 2048)));
        // extract_h(L_shl(t, 6)), -32768 taken to -32767.
        const __m256i c = _mm256_max_epi32(_mm256_srai_epi32(shl_sat32(t, 6), 16), _mm256_set1_epi32(-32767));
        const __m256i p = _mm256_permute4x64_epi64(_mm256_packs_epi32(c, c), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(y + k), _mm256_castsi256_si128(p));
    }
    for (; k < count; ++k) y[k] = scalar::chebyshev(x[k], f, n);
}

VOKS_AVX2 void matrix_2t(const int16_t* h, const int16_t* sign, const int16_t* vec, int16_t* rxy) {
    const uint64_t eh = energy(h, kSubframe);
    if (!chain_exact(eh, eh, 0x8000)) return scalar::matrix_2t(h, sign, vec, rxy);
    alignas(32) int32_t T[kSubframe * 32];
    odd_lag_table(h, T);
    alignas(32) int16_t cs[32], cv[32];
    for (int i = 0; i < 32; ++i) {
        cs[i] = sign[2 * i + 1];
        cv[i] = vec[2 * i + 1];
    }
    const __m256i odd = _mm256_setr_epi32(1, 3, 5, 7, 9, 11, 13, 15);
    for (int half = 0; half < 2; ++half) {
        const __m256i y0 = _mm256_add_epi32(odd, _mm256_set1_epi32(32 * half)),
                      y1 = _mm256_add_epi32(y0, _mm256_set1_epi32(16));
        const __m256i vcs = _mm256_load_si256(reinterpret_cast<const __m256i*>(cs + 16 * half));
        const __m256i vcv = _mm256_load_si256(reinterpret_cast<const __m256i*>(cv + 16 * half));
        for (int a = 0; a < 32; ++a)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(rxy + 32 * a + 16 * half),
                                matrix_row(T, 2 * a, y0, y1, sign[2 * a] < 0 ? vcv : vcs));
    }
}

VOKS_AVX2 void search_2t(const int16_t* dn, const int16_t* rr0, const int16_t* rr1, const int16_t* rxy,
                         int* ix, int* iy) {
    int16_t psk = -1, alpk = 1;
    *ix = 0;
    *iy = 1;
    alignas(32) int16_t dodd[32];
    for (int i = 0; i < 32; ++i) dodd[i] = dn[2 * i + 1];
    const __m256i d[2] = {_mm256_load_si256(reinterpret_cast<const __m256i*>(dodd)),
                          _mm256_load_si256(reinterpret_cast<const __m256i*>(dodd + 16))};
    const __m256i r1[2] = {load16(rr1), load16(rr1 + 16)};
    const __m256i min16 = _mm256_set1_epi16(-32768);
    for (int a = 0; a < 32; ++a) {
        const __m256i ps1 = _mm256_set1_epi16(dn[2 * a]), alp1 = _mm256_set1_epi16(rr0[a]);
        alignas(32) int32_t sqv[32], av[32];
        int mask = 0;
        const __m256i vak = _mm256_set1_epi32(alpk), vsk = _mm256_set1_epi32(psk);
        for (int h = 0; h < 2; ++h) {
            const __m256i ps2 = _mm256_adds_epi16(ps1, d[h]);
            const __m256i alp2 =
                _mm256_adds_epi16(alp1, _mm256_adds_epi16(r1[h], load16(rxy + 32 * a + 16 * h)));
            __m256i sq = _mm256_or_si256(_mm256_slli_epi16(_mm256_mulhi_epi16(ps2, ps2), 1),
                                         _mm256_srli_epi16(_mm256_mullo_epi16(ps2, ps2), 15));
            sq = _mm256_xor_si256(sq, _mm256_cmpeq_epi16(ps2, min16));
            const __m256i s[2] = {_mm256_cvtepi16_epi32(_mm256_castsi256_si128(sq)),
                                  _mm256_cvtepi16_epi32(_mm256_extracti128_si256(sq, 1))};
            const __m256i t[2] = {_mm256_cvtepi16_epi32(_mm256_castsi256_si128(alp2)),
                                  _mm256_cvtepi16_epi32(_mm256_extracti128_si256(alp2, 1))};
            for (int q = 0; q < 2; ++q) {
                // L_msu(L_mult(alpk, sq), psk, alp2) > 0 as alpk sq > psk alp2 (see pair_search).
                const __m256i c =
                    _mm256_cmpgt_epi32(_mm256_mullo_epi32(vak, s[q]), _mm256_mullo_epi32(vsk, t[q]));
                mask |= _mm256_movemask_ps(_mm256_castsi256_ps(c)) << (16 * h + 8 * q);
                _mm256_store_si256(reinterpret_cast<__m256i*>(sqv + 16 * h + 8 * q), s[q]);
                _mm256_store_si256(reinterpret_cast<__m256i*>(av + 16 * h + 8 * q), t[q]);
            }
        }
        if (mask == 0) continue;
        int best = __builtin_ctz(static_cast<unsigned>(mask));
        psk = static_cast<int16_t>(sqv[best]);
        alpk = static_cast<int16_t>(av[best]);
        for (int l = best + 1; l < 32; ++l)
            if (int32_t{alpk} * sqv[l] > int32_t{psk} * av[l]) {
                psk = static_cast<int16_t>(sqv[l]);
                alpk = static_cast<int16_t>(av[l]);
                best = l;
            }
        *ix = 2 * a;
        *iy = 2 * best + 1;
    }
}

VOKS_AVX2 void preemph(int16_t mu, int16_t* x, int n, int sf, int16_t* mem) {
    const int shift = 14 - sf;
    if (n < 17 || shift < 0 || shift > 30) return scalar::preemph(mu, x, n, sf, mem);
    const int16_t last = x[n - 1];
    const __m256i vmu = _mm256_set1_epi32(mu);
    // Blocks from the end: each reads its inputs and the one before, none written yet.
    int i0 = n - 16;
    for (; i0 >= 1; i0 -= 16) {
        const __m256i cur = load16(x + i0), prev = load16(x + i0 - 1);
        __m256i r[2];
        for (int h = 0; h < 2; ++h) {
            const __m256i c =
                _mm256_cvtepi16_epi32(h ? _mm256_extracti128_si256(cur, 1) : _mm256_castsi256_si128(cur));
            const __m256i p =
                _mm256_cvtepi16_epi32(h ? _mm256_extracti128_si256(prev, 1) : _mm256_castsi256_si128(prev));
            __m256i t = subs32(_mm256_slli_epi32(c, 16), lmult32(p, vmu));
            if (shift > 0) t = shl_sat32(t, shift);
            r[h] = round32(t);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(x + i0),
                            _mm256_permute4x64_epi64(_mm256_packs_epi32(r[0], r[1]), 0xD8));
    }
    // The first 1..16 samples (x[0] with the memory) as the scalar loop does them.
    int16_t first_mem = *mem;
    scalar::preemph(mu, x, i0 + 16, sf, &first_mem);
    *mem = last;
}

VOKS_AVX2 void preselect_4t(int16_t* dn, const int16_t* cn, int16_t k_cn, int16_t k_dn, int16_t* sign,
                            int16_t* vec, int16_t* dn2, int* pos_max) {
    const __m256i kc = _mm256_set1_epi32(k_cn), kd = _mm256_set1_epi32(k_dn);
    const __m256i zero = _mm256_setzero_si256(), pos16 = _mm256_set1_epi16(32767),
                  neg16 = _mm256_set1_epi16(-32768);
    for (int i0 = 0; i0 < kSubframe; i0 += 16) {
        const __m256i c = load16(cn + i0), d = load16(dn + i0);
        __m256i p[2];
        for (int h = 0; h < 2; ++h) {
            const __m256i c32 =
                _mm256_cvtepi16_epi32(h ? _mm256_extracti128_si256(c, 1) : _mm256_castsi256_si128(c));
            const __m256i d32 =
                _mm256_cvtepi16_epi32(h ? _mm256_extracti128_si256(d, 1) : _mm256_castsi256_si128(d));
            p[h] = _mm256_srai_epi32(shl_sat32(adds32(lmult32(kc, c32), lmult32(kd, d32)), 8), 16);
        }
        const __m256i ps = _mm256_permute4x64_epi64(_mm256_packs_epi32(p[0], p[1]), 0xD8);
        const __m256i neg = _mm256_cmpgt_epi16(zero, ps);  // ps < 0
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sign + i0), _mm256_blendv_epi8(pos16, neg16, neg));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(vec + i0), _mm256_blendv_epi8(neg16, pos16, neg));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dn + i0),
                            _mm256_blendv_epi8(d, _mm256_subs_epi16(zero, d), neg));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dn2 + i0),
                            _mm256_blendv_epi8(ps, _mm256_subs_epi16(zero, ps), neg));
    }
    // Picking the first largest eight times ranks the positions by value, then by position (the
    // values are not negative): each rank is counted directly.
    for (int t = 0; t < 4; ++t) {
        alignas(32) int16_t v[16];
        for (int i = 0; i < 16; ++i) v[i] = dn2[t + 4 * i];
        const __m256i vv = _mm256_load_si256(reinterpret_cast<const __m256i*>(v));
        for (int i = 0; i < 16; ++i) {
            const __m256i vi = _mm256_set1_epi16(v[i]);
            const unsigned gt = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpgt_epi16(vv, vi)));
            const unsigned eq = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(vv, vi)));
            const unsigned before = (1u << (2 * i)) - 1;  // the byte bits of the lanes before i
            const int rank = (__builtin_popcount(gt) + __builtin_popcount(eq & before)) / 2;
            if (rank < 8) dn2[t + 4 * i] = static_cast<int16_t>(rank - 8);
            if (rank == 0) pos_max[t] = t + 4 * i;
        }
    }
}

}  // namespace voks::amrwb::avx2

// AVX2 twins of the AMR-WB kernels (see kernels.h): exact sums in 32-bit lanes, taken only where
// chain_exact proves that no partial sum of the reference's saturating chain leaves 31 bits;
// otherwise the scalar chain runs.
#include <immintrin.h>

#include "amrwb/amrwb_internal.h"
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

VOKS_AVX2 void mac_tail(const int16_t* a, const int16_t* b, int n, int first, int step, int count, int32_t s0,
                        int32_t* r) {
    // Zero-padded copies: the terms past the end of b add nothing.
    alignas(32) int16_t ap[kSubframe] = {}, bp[3 * kSubframe] = {};
    for (int i = 0; i < n; ++i) {
        ap[i] = a[i];
        bp[i] = b[i];
    }
    if (n < 16 || !chain_exact(energy(ap, kSubframe), energy(bp, kSubframe), s0))
        return scalar::mac_tail(a, b, n, first, step, count, s0, r);
    const int blocks = (n + 15) / 16;
    __m256i av[4];
    for (int i = 0; i < blocks; ++i) av[i] = _mm256_load_si256(reinterpret_cast<const __m256i*>(ap + 16 * i));
    const __m256i vs0 = _mm256_set1_epi32(s0);
    int k = 0, p = first;
    for (; k + 8 <= count; k += 8) {
        __m256i acc[8];
        for (int t = 0; t < 8; ++t, p += step) {
            acc[t] = _mm256_madd_epi16(av[0], load16(bp + p));
            for (int i = 1; i < blocks; ++i)
                acc[t] = _mm256_add_epi32(acc[t], _mm256_madd_epi16(av[i], load16(bp + p + 16 * i)));
        }
        const __m256i s = _mm256_add_epi32(vs0, _mm256_slli_epi32(hsum8(acc), 1));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(r + k), s);
    }
    for (; k < count; ++k, p += step) {
        __m256i acc = _mm256_madd_epi16(av[0], load16(bp + p));
        for (int i = 1; i < blocks; ++i)
            acc = _mm256_add_epi32(acc, _mm256_madd_epi16(av[i], load16(bp + p + 16 * i)));
        r[k] = finish(s0, hsum32(acc));
    }
}

VOKS_AVX2 void pitch_sums(const int16_t* exc, const int16_t* xn, const int16_t* h, int tmin, int tmax,
                          int32_t* cor, int32_t* ener) {
    constexpr int n = kSubframe;
    // excf of lag tmin in buf[0] + 16; the slot before each excf stays 0 for the shifted update.
    alignas(32) int16_t buf[2][n + 32] = {};
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
        alignas(32) int16_t g[2 * n] = {};
        for (int i = 0; i < n; ++i) g[i] = h[n - 1 - i];
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

}  // namespace voks::amrwb::avx2

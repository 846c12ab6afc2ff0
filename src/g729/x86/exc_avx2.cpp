// AVX2 twins of the excitation-search kernels (see exc_kernels.h). The reference sums saturate
// after every step; the vector paths add exactly and are taken only when a bound proves that no
// partial sum can reach the saturation range (Cauchy-Schwarz on the energies, or the largest
// magnitude times the filter's absolute sum); otherwise the scalar chain runs.
#include <immintrin.h>

#include <cstring>

#include "common/basicop.h"
#include "common/mathop.h"
#include "g729/exc_core.h"
#include "g729/exc_kernels.h"

#define VOKS_AVX2 __attribute__((target("avx2")))

namespace voks::g729::avx2 {
namespace {

constexpr uint64_t kBound60 = uint64_t{1} << 60;

VOKS_AVX2 inline __m256i load(const int16_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }

VOKS_AVX2 inline int32_t hsum32(__m256i v) {
    __m128i s = _mm_add_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0x4E));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0xB1));
    return _mm_cvtsi128_si32(s);
}

VOKS_AVX2 inline uint64_t hsum64(__m256i v) {
    __m128i s = _mm_add_epi64(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    s = _mm_add_epi64(s, _mm_unpackhi_epi64(s, s));
    return static_cast<uint64_t>(_mm_cvtsi128_si64(s));
}

// Adds the unsigned 32-bit lanes of a pair-sum of squares (each <= 2^31) into 64-bit lanes.
VOKS_AVX2 inline __m256i acc_u32(__m256i acc, __m256i sq) {
    acc = _mm256_add_epi64(acc, _mm256_cvtepu32_epi64(_mm256_castsi256_si128(sq)));
    return _mm256_add_epi64(acc, _mm256_cvtepu32_epi64(_mm256_extracti128_si256(sq, 1)));
}

// Energies and correlation of two zero-padded vectors of `blocks` * 16 samples.
struct Sums {
    uint64_t ea, eb;
    int32_t ab;  // exact when ea * eb < 2^60
};

VOKS_AVX2 inline Sums sums(const int16_t* a, const int16_t* b, int blocks) {
    __m256i ea = _mm256_setzero_si256(), eb = ea, ab = ea;
    for (int k = 0; k < blocks; ++k) {
        const __m256i va = load(a + 16 * k), vb = load(b + 16 * k);
        ea = acc_u32(ea, _mm256_madd_epi16(va, va));
        eb = acc_u32(eb, _mm256_madd_epi16(vb, vb));
        ab = _mm256_add_epi32(ab, _mm256_madd_epi16(va, vb));
    }
    return {hsum64(ea), hsum64(eb), hsum32(ab)};
}

inline bool exact(uint64_t ea, uint64_t eb) {
    return static_cast<unsigned __int128>(ea) * eb < kBound60;
}

// Copies n samples (every `step`-th when step is 2, others zeroed) into a zero-padded buffer.
inline int pad(const int16_t* src, int n, int16_t* dst, int step) {
    const int blocks = (n + 15) / 16;
    std::memset(dst, 0, static_cast<size_t>(blocks) * 16 * sizeof(int16_t));
    for (int i = 0; i < n; i += step) dst[i] = src[i];
    return blocks;
}

}  // namespace

VOKS_AVX2 int32_t mac_chain(const int16_t* a, const int16_t* b, int n) {
    if (n > 160 || n <= 0) return scalar::mac_chain(a, b, n);
    alignas(32) int16_t pa[160], pb[160];
    const int blocks = pad(a, n, pa, 1);
    pad(b, n, pb, 1);
    const Sums s = sums(pa, pb, blocks);
    if (!exact(s.ea, s.eb)) return scalar::mac_chain(a, b, n);
    return s.ab * 2;
}

VOKS_AVX2 int32_t mac_chain_dec(const int16_t* a, const int16_t* b, int n) {
    if (n > 160 || n <= 0) return scalar::mac_chain_dec(a, b, n);
    alignas(32) int16_t pa[160], pb[160];
    const int blocks = pad(a, n, pa, 2);
    pad(b, n, pb, 2);
    const Sums s = sums(pa, pb, blocks);
    if (!exact(s.ea, s.eb)) return scalar::mac_chain_dec(a, b, n);
    return s.ab * 2;
}

namespace {

// Sum of |taps| of the 20-tap window of each phase 0..2.
int window_abs(int phase) {
    int s = 0;
    for (int i = 0; i < 10; ++i) {
        const int c1 = inter_3l[phase + 3 * i], c2 = inter_3l[3 - phase + 3 * i];
        s += (c1 < 0 ? -c1 : c1) + (c2 < 0 ? -c2 : c2);
    }
    return s;
}

}  // namespace

VOKS_AVX2 void pred_lt_3(int16_t* exc, int t0, int frac) {
    // Outputs that read samples written by this call (t0 < 51) follow the scalar order.
    if (t0 < 51) {
        scalar::pred_lt_3(exc, t0, frac);
        return;
    }
    const int16_t* x0 = exc - t0;
    int phase = -frac;
    if (phase < 0) {
        phase += 3;
        --x0;
    }
    // Window: s_j = sum_{m=-9}^{10} x0[j + m] * w[m + 9].
    int32_t w[20];
    for (int i = 0; i < 10; ++i) {
        w[9 - i] = inter_3l[phase + 3 * i];
        w[10 + i] = inter_3l[3 - phase + 3 * i];
    }
    int m = 0;
    for (int i = -9; i < kSubfr + 10; ++i) {
        const int v = x0[i] < 0 ? -x0[i] : x0[i];
        if (v > m) m = v;
    }
    if (int64_t{m} * window_abs(phase) >= (int64_t{1} << 29)) {
        scalar::pred_lt_3(exc, t0, frac);
        return;
    }
    for (int j0 = 0; j0 < kSubfr; j0 += 8) {
        __m256i acc = _mm256_set1_epi32(0);
        for (int k = 0; k < 20; ++k) {
            const __m256i x = _mm256_cvtepi16_epi32(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(x0 + j0 + k - 9)));
            acc = _mm256_add_epi32(acc, _mm256_mullo_epi32(x, _mm256_set1_epi32(w[k])));
        }
        // round(2 s) = (2 s + 0x8000) >> 16 = (s + 0x4000) >> 15.
        acc = _mm256_srai_epi32(_mm256_add_epi32(acc, _mm256_set1_epi32(0x4000)), 15);
        const __m128i r = _mm_packs_epi32(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(exc + j0), r);
    }
}

VOKS_AVX2 void norm_corr(const int16_t* exc, const int16_t* xn, const int16_t* h, int t_min, int t_max, int h_fac,
                         int scaling, int16_t* excf, int16_t* corr) {
    alignas(32) int16_t px[48] = {}, pe[48] = {};
    std::memcpy(px, xn, kSubfr * sizeof(int16_t));
    std::memcpy(pe, excf, kSubfr * sizeof(int16_t));
    alignas(32) int32_t h32[kSubfr];
    for (int j = 0; j < kSubfr; ++j) h32[j] = h[j];
    const __m128i shift = _mm_cvtsi32_si128(15 - h_fac);
    for (int i = t_min; i <= t_max; ++i) {
        const Sums s = sums(px, pe, 3);
        const uint64_t e2 = 2 * s.eb;
        const int32_t energy = e2 > static_cast<uint64_t>(MAX_32) ? MAX_32 : static_cast<int32_t>(e2);
        const int32_t c = exact(s.ea, s.eb) ? s.ab * 2 : scalar::mac_chain(xn, pe, kSubfr);
        int16_t nh, nl, ch, cl;
        L_Extract(ownInvSqrt(energy), nh, nl);
        L_Extract(c, ch, cl);
        corr[i - t_min] = extract_h(L_shl(Mpy_32(ch, cl, nh, nl), 16));
        if (i != t_max) {
            // new[j] = sat(clamp16((e h[j]) >> (15 - h_fac)) + old[j - 1]), new[0] = e >> scaling.
            const int16_t e = exc[-(i + 1)];
            const __m256i ve = _mm256_set1_epi32(e);
            alignas(32) int16_t prev[48];
            prev[0] = 0;
            std::memcpy(prev + 1, pe, (kSubfr - 1) * sizeof(int16_t));
            for (int j = 0; j < kSubfr; j += 16) {
                const __m256i p0 = _mm256_sra_epi32(
                    _mm256_mullo_epi32(_mm256_load_si256(reinterpret_cast<const __m256i*>(h32 + j)), ve), shift);
                __m256i p1 = _mm256_setzero_si256();
                if (j + 8 < kSubfr)
                    p1 = _mm256_sra_epi32(
                        _mm256_mullo_epi32(_mm256_load_si256(reinterpret_cast<const __m256i*>(h32 + j + 8)), ve),
                        shift);
                const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(p0, p1), 0xD8);
                const __m256i sum = _mm256_adds_epi16(packed, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(prev + j)));
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(pe + j), sum);
            }
            pe[0] = shr(e, static_cast<int16_t>(scaling));
            std::memset(pe + kSubfr, 0, 8 * sizeof(int16_t));
        }
    }
    std::memcpy(excf, pe, kSubfr * sizeof(int16_t));
}

VOKS_AVX2 void cor_h_prefix(const int16_t* h, int32_t* pre) {
    int64_t e = 0;
    for (int i = 0; i < kSubfr; ++i) e += int32_t{h[i]} * h[i];
    if (e >= (int64_t{1} << 30)) {
        scalar::cor_h_prefix(h, pre);
        return;
    }
    // Doubled products, exact: every prefix is bounded by the energy.
    alignas(32) int32_t h2[kSubfr + 8] = {};
    for (int i = 0; i < kSubfr; ++i) h2[i] = 2 * h[i];
    alignas(32) int32_t hp[2 * kSubfr + 8] = {};
    for (int i = 0; i < kSubfr; ++i) hp[i] = h[i];
    for (int d = 0; d < kSubfr; ++d) {
        int32_t* p = pre + d * 41;
        p[0] = 0;
        const int n = kSubfr - d;
        alignas(32) int32_t out[kSubfr + 8];
        __m256i carry = _mm256_setzero_si256();
        for (int m = 0; m < n; m += 8) {
            __m256i x = _mm256_mullo_epi32(_mm256_load_si256(reinterpret_cast<const __m256i*>(h2 + m)),
                                           _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hp + m + d)));
            x = _mm256_add_epi32(x, _mm256_slli_si256(x, 4));
            x = _mm256_add_epi32(x, _mm256_slli_si256(x, 8));
            const __m256i low = _mm256_shuffle_epi32(_mm256_permute2x128_si256(x, x, 0x08), 0xFF);
            x = _mm256_add_epi32(_mm256_add_epi32(x, low), carry);
            _mm256_store_si256(reinterpret_cast<__m256i*>(out + m), x);
            carry = _mm256_permutevar8x32_epi32(x, _mm256_set1_epi32(7));
        }
        std::memcpy(p + 1, out, static_cast<size_t>(n) * sizeof(int32_t));
    }
}

}  // namespace voks::g729::avx2

// AVX2 twins of the G.722 QMF kernels: sixteen sample pairs per step, two filter taps per
// multiply-add (vpmaddwd on interleaved neighbours). Bit-identical to the scalar kernels since
// every sum is exact in 32 bits.
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <algorithm>
#include <cstring>

#include "common/x86/avx2.h"
#include "g722/kernels.h"

namespace voks::g722 {
namespace {

// 12-tap FIR of x (11 history values before x[11]) for outputs n..n+15 with taps
// c[par], c[par+2], ..., c[par+22]. Returns outputs n..n+7 in lo, n+8..n+15 in hi.
VOKS_AVX2 inline void fir16(const int16_t* x, int n, int par, __m256i& lo, __m256i& hi) {
    __m256i acc0 = _mm256_setzero_si256();  // outputs 0-3 | 8-11
    __m256i acc1 = _mm256_setzero_si256();  // outputs 4-7 | 12-15
    for (int j = 0; j < 12; j += 2) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + n + 11 - j));
        const __m256i q = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + n + 10 - j));
        const uint32_t c0 = static_cast<uint16_t>(kQmfCoef[par + 2 * j]);
        const uint32_t c1 = static_cast<uint16_t>(kQmfCoef[par + 2 * j + 2]);
        const __m256i c = _mm256_set1_epi32(static_cast<int>(c0 | (c1 << 16)));
        acc0 = _mm256_add_epi32(acc0, _mm256_madd_epi16(_mm256_unpacklo_epi16(p, q), c));
        acc1 = _mm256_add_epi32(acc1, _mm256_madd_epi16(_mm256_unpackhi_epi16(p, q), c));
    }
    lo = _mm256_permute2x128_si256(acc0, acc1, 0x20);
    hi = _mm256_permute2x128_si256(acc0, acc1, 0x31);
}

// Low 16 bits of each 32-bit lane of a and b (sign-extended), packed in order into 16 words.
VOKS_AVX2 inline __m256i pack_low_halves(__m256i a, __m256i b) {
    a = _mm256_srai_epi32(_mm256_slli_epi32(a, 16), 16);
    b = _mm256_srai_epi32(_mm256_slli_epi32(b, 16), 16);
    return _mm256_permute4x64_epi64(_mm256_packs_epi32(a, b), 0xD8);
}
VOKS_AVX2 inline __m256i pack_high_halves(__m256i a, __m256i b) {
    return _mm256_permute4x64_epi64(_mm256_packs_epi32(_mm256_srai_epi32(a, 16), _mm256_srai_epi32(b, 16)),
                                    0xD8);
}

// Interleaves the (already 16-bit range) 32-bit lanes of first/second as word pairs.
VOKS_AVX2 inline __m256i interleave(__m256i first, __m256i second) {
    return _mm256_blend_epi16(first, _mm256_slli_epi32(second, 16), 0xAA);
}

VOKS_AVX2 inline __m256i clamp(__m256i v, int lo, int hi) {
    return _mm256_min_epi32(_mm256_max_epi32(v, _mm256_set1_epi32(lo)), _mm256_set1_epi32(hi));
}

inline int32_t fir_scalar(const int16_t* x, int n, int par) {
    int32_t s = 0;
    for (int j = 0; j < 12; ++j) s += int32_t{kQmfCoef[par + 2 * j]} * x[n + 11 - j];
    return s;
}
inline int16_t lim(int32_t x, int lo, int hi) {
    return static_cast<int16_t>(x > hi ? hi : (x < lo ? lo : x));
}

}  // namespace

VOKS_AVX2 void avx2::qmf_tx(const int16_t* src, int16_t* dst, int pairs, int16_t* delay) {
    alignas(32) int16_t ev[11 + kQmfChunk + 16], od[11 + kQmfChunk + 16];
    load_history(delay, ev, od);
    for (int done = 0; done < pairs;) {
        const int cnt = std::min(kQmfChunk, pairs - done);
        const int16_t* s = src + 2 * done;
        int n = 0;
        for (; n + 16 <= cnt; n += 16) {
            const __m256i v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 2 * n));
            const __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 2 * n + 16));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(od + 11 + n), pack_low_halves(v0, v1));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(ev + 11 + n), pack_high_halves(v0, v1));
        }
        for (; n < cnt; ++n) {
            od[11 + n] = s[2 * n];
            ev[11 + n] = s[2 * n + 1];
        }
        int16_t* d = dst + 2 * done;
        n = 0;
        for (; n + 16 <= cnt; n += 16) {
            __m256i a0, a1, b0, b1;
            fir16(ev, n, 0, a0, a1);
            fir16(od, n, 1, b0, b1);
            const __m256i l0 = clamp(_mm256_srai_epi32(_mm256_add_epi32(a0, b0), 15), -16384, 16383);
            const __m256i h0 = clamp(_mm256_srai_epi32(_mm256_sub_epi32(a0, b0), 15), -16384, 16383);
            const __m256i l1 = clamp(_mm256_srai_epi32(_mm256_add_epi32(a1, b1), 15), -16384, 16383);
            const __m256i h1 = clamp(_mm256_srai_epi32(_mm256_sub_epi32(a1, b1), 15), -16384, 16383);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 2 * n), interleave(l0, h0));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 2 * n + 16), interleave(l1, h1));
        }
        for (; n < cnt; ++n) {
            const int32_t a = fir_scalar(ev, n, 0), b = fir_scalar(od, n, 1);
            d[2 * n] = lim((a + b) >> 15, -16384, 16383);
            d[2 * n + 1] = lim((a - b) >> 15, -16384, 16383);
        }
        done += cnt;
        save_history(delay, ev, od, cnt);
        std::memmove(ev, ev + cnt, 11 * sizeof(int16_t));
        std::memmove(od, od + cnt, 11 * sizeof(int16_t));
    }
}

VOKS_AVX2 void avx2::qmf_rx(const int16_t* src, int16_t* dst, int pairs, int16_t* delay) {
    alignas(32) int16_t ev[11 + kQmfChunk + 16], od[11 + kQmfChunk + 16];
    load_history(delay, ev, od);
    for (int done = 0; done < pairs;) {
        const int cnt = std::min(kQmfChunk, pairs - done);
        const int16_t* s = src + 2 * done;
        int n = 0;
        for (; n + 16 <= cnt; n += 16) {
            const __m256i v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 2 * n));
            const __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 2 * n + 16));
            // Word 2k holds rl, word 2k+1 rh; the low word of each lane gets rl -/+ rh.
            const __m256i d0 = _mm256_subs_epi16(v0, _mm256_srli_epi32(v0, 16));
            const __m256i d1 = _mm256_subs_epi16(v1, _mm256_srli_epi32(v1, 16));
            const __m256i s0 = _mm256_adds_epi16(v0, _mm256_srli_epi32(v0, 16));
            const __m256i s1 = _mm256_adds_epi16(v1, _mm256_srli_epi32(v1, 16));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(ev + 11 + n), pack_low_halves(d0, d1));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(od + 11 + n), pack_low_halves(s0, s1));
        }
        for (; n < cnt; ++n) {
            const int32_t rl = s[2 * n], rh = s[2 * n + 1];
            ev[11 + n] = lim(rl - rh, -32768, 32767);
            od[11 + n] = lim(rl + rh, -32768, 32767);
        }
        int16_t* d = dst + 2 * done;
        n = 0;
        for (; n + 16 <= cnt; n += 16) {
            __m256i a0, a1, b0, b1;
            fir16(ev, n, 0, a0, a1);
            fir16(od, n, 1, b0, b1);
            const __m256i e0 = clamp(_mm256_srai_epi32(a0, 12), -32768, 32767);
            const __m256i o0 = clamp(_mm256_srai_epi32(b0, 12), -32768, 32767);
            const __m256i e1 = clamp(_mm256_srai_epi32(a1, 12), -32768, 32767);
            const __m256i o1 = clamp(_mm256_srai_epi32(b1, 12), -32768, 32767);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 2 * n), interleave(e0, o0));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 2 * n + 16), interleave(e1, o1));
        }
        for (; n < cnt; ++n) {
            d[2 * n] = lim(fir_scalar(ev, n, 0) >> 12, -32768, 32767);
            d[2 * n + 1] = lim(fir_scalar(od, n, 1) >> 12, -32768, 32767);
        }
        done += cnt;
        save_history(delay, ev, od, cnt);
        std::memmove(ev, ev + cnt, 11 * sizeof(int16_t));
        std::memmove(od, od + cnt, 11 * sizeof(int16_t));
    }
}

#undef VOKS_AVX2

}  // namespace voks::g722
#endif

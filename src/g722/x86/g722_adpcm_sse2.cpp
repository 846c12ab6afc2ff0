// x86 vector kernel of the G.722 sub-band ADPCM: the six-tap zero predictor of each band in
// one 8-lane register (UPZERO, the delay-line shift and FILTEZ's per-term saturating sum as
// lane operations) and the lower-band quantiser's 29 decision levels compared in four
// registers. SSE2 only, so the functions need no target attribute; the dispatch offers them at
// the AVX2 level. Bit-identical to the scalar kernel.
#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>

#include "g722/g722_band.h"

namespace voks::g722 {
namespace {

#define VOKS_INLINE inline __attribute__((always_inline))

// (a * b) >> 15 per 16-bit lane for products whose result fits 16 bits.
VOKS_INLINE __m128i mul_q15(__m128i a, __m128i b) {
    const __m128i hi = _mm_mulhi_epi16(a, b);
    const __m128i lo = _mm_mullo_epi16(a, b);
    return _mm_or_si128(_mm_slli_epi16(hi, 1), _mm_srli_epi16(lo, 15));
}

struct Sse2Kernel {
    struct Taps {
        __m128i b;  // lanes 0..5: b1..b6; lanes 6, 7 kept at zero
        __m128i d;  // lanes 0..5: d1..d6 (d1 newest); lanes 6, 7 kept at zero
        VOKS_INLINE void load(const int16_t* bs, const int32_t* ds) {
            b = _mm_setr_epi16(bs[0], bs[1], bs[2], bs[3], bs[4], bs[5], 0, 0);
            d = _mm_setr_epi16(static_cast<int16_t>(ds[0]), static_cast<int16_t>(ds[1]),
                               static_cast<int16_t>(ds[2]), static_cast<int16_t>(ds[3]),
                               static_cast<int16_t>(ds[4]), static_cast<int16_t>(ds[5]), 0, 0);
        }
        VOKS_INLINE void store(int16_t* bs, int32_t* ds) const {
            alignas(16) int16_t tb[8], td[8];
            _mm_store_si128(reinterpret_cast<__m128i*>(tb), b);
            _mm_store_si128(reinterpret_cast<__m128i*>(td), d);
            for (int i = 0; i < 6; ++i) bs[i] = tb[i], ds[i] = td[i];
        }
        VOKS_INLINE int update(int dq) {
            const __m128i six = _mm_setr_epi16(-1, -1, -1, -1, -1, -1, 0, 0);
            const __m128i q = _mm_set1_epi16(static_cast<int16_t>(dq));
            // UPZERO: +-128 by sign agreement (0 when dq = 0), leakage 32640/32768.
            const __m128i g = _mm_and_si128(six, _mm_set1_epi16(dq == 0 ? 0 : 128));
            const __m128i differ = _mm_srai_epi16(_mm_xor_si128(q, d), 15);
            const __m128i inc = _mm_sub_epi16(_mm_xor_si128(g, differ), differ);
            b = _mm_add_epi16(mul_q15(b, _mm_set1_epi16(32640)), _mm_and_si128(inc, six));
            // Delay line: d1 <- dq, the rest move up one lane (lane 6 cleared).
            d = _mm_and_si128(six, _mm_insert_epi16(_mm_slli_si128(d, 2), dq, 0));
            // FILTEZ: terms (2d * b) >> 15, summed from d6 down to d1 with saturation.
            const __m128i t = mul_q15(_mm_add_epi16(d, d), b);
            __m128i acc = _mm_srli_si128(t, 10);
            acc = _mm_adds_epi16(acc, _mm_srli_si128(t, 8));
            acc = _mm_adds_epi16(acc, _mm_srli_si128(t, 6));
            acc = _mm_adds_epi16(acc, _mm_srli_si128(t, 4));
            acc = _mm_adds_epi16(acc, _mm_srli_si128(t, 2));
            acc = _mm_adds_epi16(acc, t);
            return static_cast<int16_t>(_mm_cvtsi128_si32(acc));
        }
    };
    // The decision levels rise with the interval, so the lanes below wd form a prefix: its
    // length is the count of trailing ones of the comparison mask.
    static VOKS_INLINE int below(int16_t wd, const int16_t* row) {
        const __m128i w = _mm_set1_epi16(wd);
        const __m128i* r = reinterpret_cast<const __m128i*>(row);
        const __m128i c0 = _mm_cmpgt_epi16(w, _mm_loadu_si128(r));
        const __m128i c1 = _mm_cmpgt_epi16(w, _mm_loadu_si128(r + 1));
        const __m128i c2 = _mm_cmpgt_epi16(w, _mm_loadu_si128(r + 2));
        const __m128i c3 = _mm_cmpgt_epi16(w, _mm_loadu_si128(r + 3));
        const uint32_t lo = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(c0, c1)));
        const uint32_t hi = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(c2, c3)));
        return __builtin_ctz(~(lo | (hi << 16)));
    }
};

}  // namespace

void encode_sse2(const int16_t* sub, int16_t* codes, int pairs, AdpcmState& st) {
    band::encode<Sse2Kernel>(sub, codes, pairs, st);
}

void decode_sse2(const int16_t* codes, int16_t* sub, int pairs, int mode, AdpcmState& st) {
    band::decode<Sse2Kernel>(codes, sub, pairs, mode, st);
}

#undef VOKS_INLINE

}  // namespace voks::g722
#endif

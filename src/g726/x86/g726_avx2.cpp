// AVX2 twins of the G.726 coding loops. The eight FMULT products of the predictor (b1..b6
// with dq1..dq6, a1 with sr1, a2 with sr2) are formed in the eight 32-bit lanes of one
// register, the coefficient's exponent and mantissa read from its exact float conversion;
// the zero-coefficient update and the delay lines run in 16-bit lanes. Every lane computes
// exactly what the scalar FMULT and UPB compute, so codes, outputs and states are identical.
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "common/x86/avx2.h"
#include "g726/g726_tables.h"
#include "g726/kernels.h"

// The coding loops are compiled for AVX2 as a whole so that the vector predictor inlines into
// them: every function of the shared loop header carries this target in this file.
#define VOKS_G726_TARGET VOKS_AVX2
#include "g726/g726_adpcm.h"

namespace voks::g726 {
namespace {

struct Avx2Predictor {
    __m128i coef;  // b1..b6, a1, a2 (16-bit two's complement)
    __m128i data;  // dq1..dq6, sr1, sr2 (11-bit floats)
    int a1, a2;    // lanes 6 and 7 of coef, for the pole update

    VOKS_AVX2 void load(const Core& s) {
        int16_t c[8], d[8];
        for (int k = 0; k < 6; ++k) {
            c[k] = s.b[k];
            d[k] = static_cast<int16_t>(s.dq[k] & 2047);
        }
        c[6] = s.a[0];
        c[7] = s.a[1];
        d[6] = static_cast<int16_t>(s.sr[0] & 2047);
        d[7] = static_cast<int16_t>(s.sr[1] & 2047);
        coef = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c));
        data = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
        a1 = s.a[0];
        a2 = s.a[1];
    }

    VOKS_AVX2 void store(Core& s) const {
        int16_t c[8], d[8];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(c), coef);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), data);
        for (int k = 0; k < 6; ++k) {
            s.b[k] = c[k];
            s.dq[k] = d[k];
        }
        s.a[0] = c[6];
        s.a[1] = c[7];
        s.sr[0] = d[6];
        s.sr[1] = d[7];
    }

    VOKS_AVX2 void predict(int& se, int& sez) const {
        const __m256i c = _mm256_cvtepi16_epi32(coef);
        const __m256i d = _mm256_cvtepi16_epi32(data);
        // Coefficient magnitude as FMULT takes it: |coef >> 2| in 13 bits.
        const __m256i mag =
            _mm256_and_si256(_mm256_abs_epi32(_mm256_srai_epi32(c, 2)), _mm256_set1_epi32(8191));
        // Bit length and 6-bit mantissa from the float conversion (exact below 2^24);
        // zero gives exponent 0 and mantissa 32 as in the scalar code.
        const __m256i fb = _mm256_castps_si256(_mm256_cvtepi32_ps(mag));
        const __m256i ea = _mm256_max_epi32(
            _mm256_sub_epi32(_mm256_srli_epi32(fb, 23), _mm256_set1_epi32(126)), _mm256_setzero_si256());
        const __m256i ma = _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(fb, 18), _mm256_set1_epi32(31)),
                                           _mm256_set1_epi32(32));
        // Float product: exponent sum and rounded mantissa product.
        const __m256i e =
            _mm256_add_epi32(ea, _mm256_and_si256(_mm256_srli_epi32(d, 6), _mm256_set1_epi32(15)));
        const __m256i md = _mm256_and_si256(d, _mm256_set1_epi32(63));
        const __m256i m =
            _mm256_srli_epi32(_mm256_add_epi32(_mm256_mullo_epi16(ma, md), _mm256_set1_epi32(48)), 4);
        // Magnitude: (m << 7) scaled by 2^(e - 26), limited to 15 bits; as e <= 28 that is
        // one right shift of m << 9.
        __m256i x = _mm256_srlv_epi32(_mm256_slli_epi32(m, 9), _mm256_sub_epi32(_mm256_set1_epi32(28), e));
        x = _mm256_and_si256(x, _mm256_set1_epi32(32767));
        // Sign: coefficient sign xor the float's sign bit (bit 10).
        const __m256i s =
            _mm256_xor_si256(_mm256_srai_epi32(c, 31), _mm256_srai_epi32(_mm256_slli_epi32(d, 21), 31));
        const __m256i prod = _mm256_sub_epi32(_mm256_xor_si256(x, s), s);
        // Sums: all eight lanes, and the poles' lanes 6 and 7.
        const __m128i hi = _mm256_extracti128_si256(prod, 1);
        __m128i t = _mm_add_epi32(_mm256_castsi256_si128(prod), hi);
        t = _mm_add_epi32(t, _mm_shuffle_epi32(t, 0x4E));
        t = _mm_add_epi32(t, _mm_shuffle_epi32(t, 0xB1));
        const int total = _mm_cvtsi128_si32(t);
        const int poles = _mm_extract_epi32(hi, 2) + _mm_extract_epi32(hi, 3);
        sez = wrap16(total - poles) >> 1;
        se = wrap16(total) >> 1;
    }

    template <int kLeak>
    VOKS_AVX2 void update(int dqs, int dqmag, int tr, int a1p, int a2p, int dq0, int sr0) {
        if (tr) {
            coef = _mm_setzero_si128();
        } else {
            // u = 1 where the sign of dqk differs from the new sign: the gain is negated.
            const __m128i sign = _mm_srli_epi16(data, 10);
            const __m128i differ = _mm_cmpeq_epi16(sign, _mm_set1_epi16(static_cast<int16_t>(dqs ^ 1)));
            const __m128i gain = _mm_set1_epi16(static_cast<int16_t>(dqmag == 0 ? 0 : 128));
            const __m128i g = _mm_sub_epi16(_mm_xor_si128(gain, differ), differ);
            coef = _mm_sub_epi16(_mm_add_epi16(coef, g), _mm_srai_epi16(coef, kLeak));
        }
        coef = _mm_insert_epi16(coef, a1p, 6);
        coef = _mm_insert_epi16(coef, a2p, 7);
        a1 = a1p;
        a2 = a2p;
        data = _mm_slli_si128(data, 2);
        data = _mm_insert_epi16(data, dq0, 0);
        data = _mm_insert_epi16(data, sr0, 6);
    }
};

}  // namespace

VOKS_AVX2 void avx2::encode(Core& s, const int16_t* x, uint8_t* codes, int n) {
    encode_any<Avx2Predictor>(s, x, codes, n);
}

VOKS_AVX2 void avx2::decode(Core& s, int32_t law, const uint8_t* codes, int16_t* out, int n) {
    decode_any<Avx2Predictor>(s, law, codes, out, n);
}

}  // namespace voks::g726

#endif  // x86

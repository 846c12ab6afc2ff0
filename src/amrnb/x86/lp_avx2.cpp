// AVX2 twins of the GSM-AMR LP kernels (see kernels.h).
#include <immintrin.h>

#include "amrnb/kernels.h"
#include "common/x86/avx2.h"

namespace voks::amrnb::avx2 {

namespace {

// Pairs of squares t_k^2 of four entries in 16-bit lanes: the saturating difference, mult() as
// the high and low product halves (its one saturating case, -32768 * -32768, set to 32767),
// then madd.
VOKS_AVX2 inline __m256i squares(__m256i vr, __m256i vw, __m256i wmin, const int16_t* e, int sign) {
    const __m256i min16 = _mm256_set1_epi16(-32768);
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(e));
    const __m256i v = sign < 0 ? _mm256_adds_epi16(vr, c) : _mm256_subs_epi16(vr, c);
    __m256i t = _mm256_or_si256(_mm256_slli_epi16(_mm256_mulhi_epi16(vw, v), 1),
                                _mm256_srli_epi16(_mm256_mullo_epi16(vw, v), 15));
    t = _mm256_blendv_epi8(t, _mm256_set1_epi16(32767), _mm256_and_si256(wmin, _mm256_cmpeq_epi16(v, min16)));
    return _mm256_madd_epi16(t, t);
}

int64_t pack4(const int16_t* x) {
    return int64_t{static_cast<uint16_t>(x[0])} | int64_t{static_cast<uint16_t>(x[1])} << 16 |
           int64_t{static_cast<uint16_t>(x[2])} << 32 | int64_t{static_cast<uint16_t>(x[3])} << 48;
}

}  // namespace

// Eight entries per step: two vectors of pair sums, added pairwise (mod 2^32) and put in order.
VOKS_AVX2 void lsf_dist4(const int16_t* r, const int16_t* w, const int16_t* cb, int n, int sign,
                         uint32_t* h) {
    const __m256i vr = _mm256_set1_epi64x(pack4(r)), vw = _mm256_set1_epi64x(pack4(w));
    const __m256i wmin = _mm256_cmpeq_epi16(vw, _mm256_set1_epi16(-32768));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = _mm256_hadd_epi32(squares(vr, vw, wmin, cb + 4 * i, sign),
                                            squares(vr, vw, wmin, cb + 4 * i + 16, sign));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(h + i), _mm256_permute4x64_epi64(s, 0xD8));
    }
    if (i < n) scalar::lsf_dist4(r, w, cb + 4 * i, n - i, sign, h + i);
}

}  // namespace voks::amrnb::avx2

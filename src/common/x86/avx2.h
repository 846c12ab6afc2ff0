// Helpers shared by every family's AVX2 twins. Every function that uses AVX2 intrinsics carries
// VOKS_AVX2 (a per-function target, so the library runs on any x86-64 and builds with GCC and
// Clang alike); a twin is only called after the CPU check selected the AVX2 level.
#ifndef VOKS_COMMON_X86_AVX2_H
#define VOKS_COMMON_X86_AVX2_H

#include <immintrin.h>

#include <cstdint>

#define VOKS_AVX2 __attribute__((target("avx2")))
// For the few kernels that use fused multiply-add; the AVX2 level requires FMA too.
#define VOKS_AVX2_FMA __attribute__((target("avx2,fma")))

namespace voks::x86 {

// kTailMask16 + r: the last r of 16 lanes all ones, the rest zero (0 <= r <= 16).
alignas(64) inline constexpr int16_t kTailMask16[32] = {0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
                                                        0,  0,  0,  0,  0,  -1, -1, -1, -1, -1, -1,
                                                        -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

// 16 lanes of 16 bits from any address.
VOKS_AVX2 inline __m256i load16(const int16_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Mask for an overlapping final load whose first 16 - r lanes were already counted.
VOKS_AVX2 inline __m256i tail_mask16(int r) {
    return load16(kTailMask16 + r);
}

// Sum of the eight 32-bit lanes, modulo 2^32.
VOKS_AVX2 inline int32_t hsum32(__m256i v) {
    __m128i s = _mm_add_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0x4E));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0xB1));
    return _mm_cvtsi128_si32(s);
}

// Sum of the four 64-bit lanes, modulo 2^64.
VOKS_AVX2 inline uint64_t hsum64(__m256i v) {
    __m128i s = _mm_add_epi64(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    s = _mm_add_epi64(s, _mm_unpackhi_epi64(s, s));
    return static_cast<uint64_t>(_mm_cvtsi128_si64(s));
}

}  // namespace voks::x86

#endif  // VOKS_COMMON_X86_AVX2_H

// AVX2 twins of the front-end kernels: eight outputs (or eight partial sums) per step, in the
// scalar kernels' order of operations.
#include <cmath>

#include "common/x86/avx2.h"
#include "rta/kernels.h"

namespace voks::rta::avx2 {

VOKS_AVX2 void qmf_sums(const float* he, const float* ho, int half, const float* xe, const float* xo,
                        float* e, float* o, int n) {
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        __m256 se = _mm256_mul_ps(_mm256_set1_ps(he[0]), _mm256_loadu_ps(xe + k));
        __m256 so = _mm256_mul_ps(_mm256_set1_ps(ho[0]), _mm256_loadu_ps(xo + k));
        for (int m = 1; m < half; ++m) {
            se = _mm256_add_ps(se, _mm256_mul_ps(_mm256_set1_ps(he[m]), _mm256_loadu_ps(xe + k + m)));
            so = _mm256_add_ps(so, _mm256_mul_ps(_mm256_set1_ps(ho[m]), _mm256_loadu_ps(xo + k + m)));
        }
        _mm256_storeu_ps(e + k, se);
        _mm256_storeu_ps(o + k, so);
    }
    if (k < n) scalar::qmf_sums(he, ho, half, xe + k, xo + k, e + k, o + k, n - k);
}

namespace {

// ((p0+p4)+(p2+p6))+((p1+p5)+(p3+p7)) of the eight lanes.
VOKS_AVX2 float fold8(__m256 v) {
    __m128 s = _mm_add_ps(_mm256_castps256_ps128(v), _mm256_extractf128_ps(v, 1));
    s = _mm_add_ps(s, _mm_shuffle_ps(s, s, 0x4E));
    return _mm_cvtss_f32(_mm_add_ss(s, _mm_shuffle_ps(s, s, 0x55)));
}

}  // namespace

VOKS_AVX2 void abs_sums(const float* x, const float* y, int n, float* sx, float* sy) {
    const __m256 magnitude = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
    __m256 px = _mm256_setzero_ps(), py = _mm256_setzero_ps();
    const int n8 = n - n % 8;
    for (int i = 0; i < n8; i += 8) {
        px = _mm256_add_ps(px, _mm256_and_ps(magnitude, _mm256_loadu_ps(x + i)));
        py = _mm256_add_ps(py, _mm256_and_ps(magnitude, _mm256_loadu_ps(y + i)));
    }
    float ax = fold8(px), ay = fold8(py);
    for (int i = n8; i < n; ++i) {
        ax = ax + std::fabs(x[i]);
        ay = ay + std::fabs(y[i]);
    }
    *sx = ax;
    *sy = ay;
}

}  // namespace voks::rta::avx2

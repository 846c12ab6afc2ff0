// AVX2 twins of the echo-canceller kernels: eight FIR outputs, or four sub-band bins, per vector,
// each lane in the scalar order of operations (no fusing beyond the scalar definition's).
#include "common/x86/avx2.h"
#include "ec/kernels.h"

namespace voks::ec::avx2 {
namespace {

// Four complex floats as four doubles of their real and of their imaginary parts.
VOKS_AVX2 inline void load4(const Vok32fc* p, __m256d& re, __m256d& im) {
    const __m256 v = _mm256_loadu_ps(reinterpret_cast<const float*>(p));
    const __m256 s = _mm256_permutevar8x32_ps(v, _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
    re = _mm256_cvtps_pd(_mm256_castps256_ps128(s));
    im = _mm256_cvtps_pd(_mm256_extractf128_ps(s, 1));
}

// Four real and four imaginary floats stored as four complex values.
VOKS_AVX2 inline void store4(Vok32fc* p, __m128 re, __m128 im) {
    const __m256 v = _mm256_insertf128_ps(_mm256_castps128_ps256(re), im, 1);
    _mm256_storeu_ps(reinterpret_cast<float*>(p),
                     _mm256_permutevar8x32_ps(v, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7)));
}

// One radix-2 butterfly per lane: t = w*b (plain products), b' = a - t, a' = a + t.
VOKS_AVX2 inline void butterfly4(__m128 wr, __m128 wi, __m128 ra, __m128 ia, __m128 rb, __m128 ib, __m128& ar,
                                 __m128& ai, __m128& br, __m128& bi) {
    const __m128 tr = _mm_sub_ps(_mm_mul_ps(wr, rb), _mm_mul_ps(wi, ib));
    const __m128 ti = _mm_add_ps(_mm_mul_ps(wr, ib), _mm_mul_ps(wi, rb));
    br = _mm_sub_ps(ra, tr);
    bi = _mm_sub_ps(ia, ti);
    ar = _mm_add_ps(ra, tr);
    ai = _mm_add_ps(ia, ti);
}

}  // namespace

VOKS_AVX2 void fir_32f(const float* x, const float* d, float* e, int n, const float* h, int L) {
    int j = 0;
    for (; j + 8 <= n; j += 8) {
        __m256 y = _mm256_setzero_ps();
        for (int k = 0; k < L; ++k)
            y = _mm256_add_ps(y, _mm256_mul_ps(_mm256_loadu_ps(x + j - k), _mm256_broadcast_ss(h + k)));
        _mm256_storeu_ps(e + j, _mm256_sub_ps(_mm256_loadu_ps(d + j), y));
    }
    if (j < n) scalar::fir_32f(x + j, d + j, e + j, n - j, h, L);
}

VOKS_AVX2 void sb_fir_32fc(const Vok32fc* const* X, const Vok32fc* const* W, Vok32fc* Y, int T, int K) {
    int i = 0;
    for (; i + 4 <= K; i += 4) {
        __m128 yr = _mm_setzero_ps(), yi = _mm_setzero_ps();
        for (int k = 0; k < T; ++k) {
            __m256d xr, xi, wr, wi;
            load4(X[k] + i, xr, xi);
            load4(W[k] + i, wr, wi);
            const __m256d re = _mm256_sub_pd(_mm256_mul_pd(xr, wr), _mm256_mul_pd(xi, wi));
            const __m256d im = _mm256_add_pd(_mm256_mul_pd(xr, wi), _mm256_mul_pd(xi, wr));
            yr = _mm_add_ps(yr, _mm256_cvtpd_ps(re));
            yi = _mm_add_ps(yi, _mm256_cvtpd_ps(im));
        }
        store4(Y + i, yr, yi);
    }
    if (i < K) {
        const Vok32fc* Xt[256];
        const Vok32fc* Wt[256];
        for (int k = 0; k < T; ++k) Xt[k] = X[k] + i, Wt[k] = W[k] + i;
        scalar::sb_fir_32fc(Xt, Wt, Y + i, T, K - i);
    }
}

VOKS_AVX2_FMA void sb_update_32fc(const double* mu, const Vok32fc* const* X, const Vok32fc* E,
                                  Vok32fc* const* W, int T, int K) {
    const int K4 = K & ~3;
    for (int k = 0; k < T; ++k) {
        for (int i = 0; i < K4; i += 4) {
            __m256d er, ei, xr, xi, wr, wi;
            const __m256d m = _mm256_loadu_pd(mu + i);
            load4(E + i, er, ei);
            load4(X[k] + i, xr, xi);
            load4(W[k] + i, wr, wi);
            const __m256d a = _mm256_mul_pd(m, er), b = _mm256_mul_pd(m, ei);
            const __m256d re = _mm256_fmadd_pd(a, xr, _mm256_mul_pd(b, xi));
            const __m256d im = _mm256_fmsub_pd(b, xr, _mm256_mul_pd(a, xi));
            store4(W[k] + i, _mm_add_ps(_mm256_cvtpd_ps(wr), _mm256_cvtpd_ps(re)),
                   _mm_add_ps(_mm256_cvtpd_ps(wi), _mm256_cvtpd_ps(im)));
        }
    }
    if (K4 < K) {
        const Vok32fc* Xt[256];
        Vok32fc* Wt[256];
        for (int k = 0; k < T; ++k) Xt[k] = X[k] + K4, Wt[k] = W[k] + K4;
        scalar::sb_update_32fc(mu + K4, Xt, E + K4, Wt, T, K - K4);
    }
}

// Eight taps per vector: x[-k-7] .. x[-k] loaded and reversed into tap order; the fused
// multiply-add rounds once, as std::fma does.
VOKS_AVX2_FMA void nlms_update_32f(float eps, const float* x, float* h, int L) {
    const __m256 e = _mm256_set1_ps(eps);
    const __m256i rev = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
    int k = 0;
    for (; k + 8 <= L; k += 8) {
        const __m256 xv = _mm256_permutevar8x32_ps(_mm256_loadu_ps(x - k - 7), rev);
        _mm256_storeu_ps(h + k, _mm256_fmadd_ps(e, xv, _mm256_loadu_ps(h + k)));
    }
    if (k < L) scalar::nlms_update_32f(eps, x - k, h + k, L - k);
}

// Stages of eight or more butterflies run eight per vector, twiddles gathered at stride N/len;
// the first three stages run on eight points at a time, their a and b halves shuffled into four
// lanes each. Below 16 points the scalar kernel runs.
VOKS_AVX2 void fft_32f(const float* c, const float* s, float* re, float* im, int order) {
    const int n = 1 << order;
    if (n < 16) return scalar::fft_32f(c, s, re, im, order);
    // Stage 2: pairs (even, odd), one twiddle.
    {
        const __m128 wr = _mm_set1_ps(c[0]), wi = _mm_set1_ps(s[0]);
        for (int g = 0; g < n; g += 8) {
            const __m128 r0 = _mm_loadu_ps(re + g), r1 = _mm_loadu_ps(re + g + 4);
            const __m128 i0 = _mm_loadu_ps(im + g), i1 = _mm_loadu_ps(im + g + 4);
            const __m128 ra = _mm_shuffle_ps(r0, r1, 0x88), rb = _mm_shuffle_ps(r0, r1, 0xDD);
            const __m128 ia = _mm_shuffle_ps(i0, i1, 0x88), ib = _mm_shuffle_ps(i0, i1, 0xDD);
            __m128 ar, ai, br, bi;
            butterfly4(wr, wi, ra, ia, rb, ib, ar, ai, br, bi);
            _mm_storeu_ps(re + g, _mm_unpacklo_ps(ar, br));
            _mm_storeu_ps(re + g + 4, _mm_unpackhi_ps(ar, br));
            _mm_storeu_ps(im + g, _mm_unpacklo_ps(ai, bi));
            _mm_storeu_ps(im + g + 4, _mm_unpackhi_ps(ai, bi));
        }
    }
    // Stage 4: two groups of two butterflies, twiddles (w0, w1, w0, w1).
    {
        const int st = n / 4;
        const __m128 wr = _mm_setr_ps(c[0], c[st], c[0], c[st]), wi = _mm_setr_ps(s[0], s[st], s[0], s[st]);
        for (int g = 0; g < n; g += 8) {
            const __m128 r0 = _mm_loadu_ps(re + g), r1 = _mm_loadu_ps(re + g + 4);
            const __m128 i0 = _mm_loadu_ps(im + g), i1 = _mm_loadu_ps(im + g + 4);
            const __m128 ra = _mm_shuffle_ps(r0, r1, 0x44), rb = _mm_shuffle_ps(r0, r1, 0xEE);
            const __m128 ia = _mm_shuffle_ps(i0, i1, 0x44), ib = _mm_shuffle_ps(i0, i1, 0xEE);
            __m128 ar, ai, br, bi;
            butterfly4(wr, wi, ra, ia, rb, ib, ar, ai, br, bi);
            _mm_storeu_ps(re + g, _mm_shuffle_ps(ar, br, 0x44));
            _mm_storeu_ps(re + g + 4, _mm_shuffle_ps(ar, br, 0xEE));
            _mm_storeu_ps(im + g, _mm_shuffle_ps(ai, bi, 0x44));
            _mm_storeu_ps(im + g + 4, _mm_shuffle_ps(ai, bi, 0xEE));
        }
    }
    // Stage 8: four butterflies, the a half in the low four points.
    {
        const int st = n / 8;
        const __m128 wr = _mm_setr_ps(c[0], c[st], c[2 * st], c[3 * st]);
        const __m128 wi = _mm_setr_ps(s[0], s[st], s[2 * st], s[3 * st]);
        for (int g = 0; g < n; g += 8) {
            __m128 ar, ai, br, bi;
            butterfly4(wr, wi, _mm_loadu_ps(re + g), _mm_loadu_ps(im + g), _mm_loadu_ps(re + g + 4),
                       _mm_loadu_ps(im + g + 4), ar, ai, br, bi);
            _mm_storeu_ps(re + g, ar);
            _mm_storeu_ps(im + g, ai);
            _mm_storeu_ps(re + g + 4, br);
            _mm_storeu_ps(im + g + 4, bi);
        }
    }
    int len = 16;
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    for (; len <= n; len <<= 1) {
        const int half = len >> 1, step = n / len;
        const __m256i vstep = _mm256_set1_epi32(step);
        for (int j = 0; j < half; j += 8) {
            const __m256i idx = _mm256_mullo_epi32(_mm256_add_epi32(lanes, _mm256_set1_epi32(j)), vstep);
            const __m256 wr = _mm256_i32gather_ps(c, idx, 4), wi = _mm256_i32gather_ps(s, idx, 4);
            for (int g = 0; g < n; g += len) {
                const int a = g + j, b = a + half;
                const __m256 ra = _mm256_loadu_ps(re + a), ia = _mm256_loadu_ps(im + a);
                const __m256 rb = _mm256_loadu_ps(re + b), ib = _mm256_loadu_ps(im + b);
                const __m256 tr = _mm256_sub_ps(_mm256_mul_ps(wr, rb), _mm256_mul_ps(wi, ib));
                const __m256 ti = _mm256_add_ps(_mm256_mul_ps(wr, ib), _mm256_mul_ps(wi, rb));
                _mm256_storeu_ps(re + b, _mm256_sub_ps(ra, tr));
                _mm256_storeu_ps(im + b, _mm256_sub_ps(ia, ti));
                _mm256_storeu_ps(re + a, _mm256_add_ps(ra, tr));
                _mm256_storeu_ps(im + a, _mm256_add_ps(ia, ti));
            }
        }
    }
}

namespace {

// floor((x*e + 4096) / 2^13) of the low 32-bit halves of the 64-bit lanes, limited to +-2^16.
VOKS_AVX2 inline __m256i nlms_inc16(__m256i x, __m256i e) {
    const __m256i v = _mm256_add_epi64(_mm256_mul_epi32(x, e), _mm256_set1_epi64x(4096));
    const __m256i neg = _mm256_cmpgt_epi64(_mm256_setzero_si256(), v);
    const __m256i r = _mm256_xor_si256(_mm256_srli_epi64(_mm256_xor_si256(v, neg), 13), neg);
    const __m256i hi = _mm256_set1_epi64x(65535), lo = _mm256_set1_epi64x(-65536);
    const __m256i c = _mm256_blendv_epi8(r, hi, _mm256_cmpgt_epi64(r, hi));
    return _mm256_blendv_epi8(c, lo, _mm256_cmpgt_epi64(lo, c));
}

}  // namespace

// Eight taps per vector: 64-bit products of the even and of the odd lanes, the flooring shift
// built from a logical one, the increment limited to +-2^16 (beyond which any 16-bit h saturates
// alike), then added and saturated to 16 bits.
VOKS_AVX2 void nlms_update_16s(int32_t eps, const int16_t* x, int16_t* h, int L) {
    const __m256i e = _mm256_set1_epi64x(eps);
    const __m128i rev = _mm_setr_epi8(14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1);
    int k = 0;
    for (; k + 8 <= L; k += 8) {
        const __m128i xr =
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x - k - 7)), rev);
        const __m256i x32 = _mm256_cvtepi16_epi32(xr);
        const __m256i even = nlms_inc16(x32, e), odd = nlms_inc16(_mm256_srli_epi64(x32, 32), e);
        const __m256i r = _mm256_blend_epi32(even, _mm256_slli_epi64(odd, 32), 0xAA);
        const __m256i hv = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(h + k)));
        const __m256i sum = _mm256_add_epi32(hv, r);
        const __m128i out = _mm_packs_epi32(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(h + k), out);
    }
    if (k < L) scalar::nlms_update_16s(eps, x - k, h + k, L - k);
}

}  // namespace voks::ec::avx2

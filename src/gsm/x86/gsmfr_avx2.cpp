// AVX2 twins of the GSM full-rate kernels; each gives the scalar bits for every input.
#include <immintrin.h>

#include "common/x86/avx2.h"

#include "common/basicop.h"
#include "gsm/kernels.h"

namespace voks::gsm {
namespace {

// Lane-wise mult_r: pmulhrsw rounds exactly like (a * b + 16384) >> 15 but wraps -32768 * -32768
// to -32768; with Fix the xor turns that lane into 32767.
template <bool Fix>
VOKS_AVX2 inline __m128i mult_r8(__m128i r, __m128i x, __m128i r_is_min) {
    __m128i p = _mm_mulhrs_epi16(r, x);
    if (Fix) {
        const __m128i x_is_min = _mm_cmpeq_epi16(x, _mm_set1_epi16(MIN_16));
        p = _mm_xor_si128(p, _mm_and_si128(r_is_min, x_is_min));
    }
    return p;
}

VOKS_AVX2 inline __m128i lane0(int16_t v) {
    return _mm_cvtsi32_si128(static_cast<uint16_t>(v));
}

// Wavefront over the lattice: at step t lane i runs stage i on sample t - i, so the 8 stages of
// 8 consecutive samples advance together. Stage i of sample n needs d_i(n), which stage i - 1
// produced one step earlier, and its memory u_i = s_i(n - 1), which stage i - 1 produced two
// steps earlier; so D is the previous step's d outputs and U the s outputs of two steps back,
// each shifted up one lane, with the new sample (and, for U, the previous one) in lane 0.
template <bool Fix>
VOKS_AVX2 void st_analysis_wave(const int16_t* rp, int16_t* x, int len, int16_t* u) {
    const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rp));
    const __m128i r_is_min = _mm_cmpeq_epi16(r, _mm_set1_epi16(MIN_16));
    const __m128i mem = _mm_loadu_si128(reinterpret_cast<const __m128i*>(u));
    const __m128i lane_ids = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
    const int16_t x_last = x[len - 1];

    __m128i d_out = _mm_setzero_si128();   // D' of the previous step
    __m128i s_out1 = _mm_setzero_si128();  // S' of the previous step
    __m128i s_out2 = _mm_setzero_si128();  // S' two steps back
    int16_t prev_x = u[0];
    alignas(16) int16_t lanes[8];
    int16_t final_u[8];
    final_u[0] = x_last;

    const int steps = len + 7;
    // Start-up (first 8 steps) and drain (last 7): stage memories enter lane t at step t,
    // samples past the end are zeros whose results are discarded.
    auto step = [&](int t) VOKS_AVX2 {
        const int16_t xt = t < len ? x[t] : 0;
        __m128i d = _mm_or_si128(_mm_slli_si128(d_out, 2), lane0(xt));
        __m128i uu = _mm_or_si128(_mm_slli_si128(s_out2, 2), lane0(prev_x));
        if (t < 8)
            uu = _mm_blendv_epi8(uu, mem, _mm_cmpeq_epi16(lane_ids, _mm_set1_epi16(static_cast<int16_t>(t))));
        prev_x = xt;
        const __m128i s_new = _mm_adds_epi16(uu, mult_r8<Fix>(r, d, r_is_min));
        d_out = _mm_adds_epi16(d, mult_r8<Fix>(r, uu, r_is_min));
        s_out2 = s_out1;
        s_out1 = s_new;
        if (t >= 7) x[t - 7] = static_cast<int16_t>(_mm_extract_epi16(d_out, 7));
        // Stage i's last input s_i(len - 1) leaves lane i - 1 at step len - 2 + i.
        const int i = t - len + 2;
        if (i >= 1 && i <= 7) {
            _mm_store_si128(reinterpret_cast<__m128i*>(lanes), s_new);
            final_u[i] = lanes[i - 1];
        }
    };

    int t = 0;
    const int head_end = len < 8 ? len : 8;
    for (; t < head_end; ++t) step(t);
    // Steady state: every lane busy, no memory to inject, nothing to collect.
    for (; t < len - 1; ++t) {
        const int16_t xt = x[t];
        const __m128i d = _mm_or_si128(_mm_slli_si128(d_out, 2), lane0(xt));
        const __m128i uu = _mm_or_si128(_mm_slli_si128(s_out2, 2), lane0(prev_x));
        prev_x = xt;
        const __m128i s_new = _mm_adds_epi16(uu, mult_r8<Fix>(r, d, r_is_min));
        d_out = _mm_adds_epi16(d, mult_r8<Fix>(r, uu, r_is_min));
        s_out2 = s_out1;
        s_out1 = s_new;
        x[t - 7] = static_cast<int16_t>(_mm_extract_epi16(d_out, 7));
    }
    for (; t < steps; ++t) step(t);
    for (int i = 0; i < 8; ++i) u[i] = final_u[i];
}

}  // namespace

VOKS_AVX2 void avx2::st_analysis(const int16_t* r, int16_t* x, int len, int16_t* u) {
    bool has_min = false;
    for (int i = 0; i < 8; ++i) has_min |= r[i] == MIN_16;
    if (has_min)
        st_analysis_wave<true>(r, x, len, u);
    else
        st_analysis_wave<false>(r, x, len, u);
}

// Synthesis, one sample per step with the eight stages in the lanes. Without saturation the
// serial chain sri_i = sri_(i+1) - mult_r(r_i, v_i) is e minus a suffix sum of products that
// depend only on the previous sample, so it becomes a three-step lane scan (partial sums that
// include e are the chain's own values, which keeps false alarms rare). The scan runs in
// wrapping and saturating arithmetic side by side; a sample for which the two differ (some
// partial sum left 16 bits) is recomputed by the saturating scalar definition. pmulhrsw equals
// mult_r unless a coefficient is -32768, which takes the scalar path for the whole call.
VOKS_AVX2 void avx2::st_synthesis(const int16_t* rp, const int16_t* in, int16_t* out, int len, int16_t* v) {
    const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rp));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(r, _mm_set1_epi16(MIN_16))) != 0) {
        scalar::st_synthesis(rp, in, out, len, v);
        return;
    }
    alignas(16) int16_t mem[16];
    for (int i = 0; i < 9; ++i) mem[i] = v[i];
    __m128i vv = _mm_load_si128(reinterpret_cast<const __m128i*>(mem));
    // v_8 is written by every sample but never read: only the last sample's value is kept.
    int16_t v8 = mem[8];
    for (int n = 0; n < len; ++n) {
        const int16_t e = in[n];
        // x = (-p0, ..., -p6, e - p7); the suffix sums of x are sri_0 .. sri_7.
        const __m128i ev = _mm_insert_epi16(_mm_setzero_si128(), e, 7);
        const __m128i p = _mm_mulhrs_epi16(r, vv);
        const __m128i x = _mm_sub_epi16(ev, p);
        __m128i bad = _mm_xor_si128(x, _mm_subs_epi16(ev, p));
        __m128i sh = _mm_srli_si128(x, 2);
        const __m128i t1 = _mm_add_epi16(x, sh);
        bad = _mm_or_si128(bad, _mm_xor_si128(t1, _mm_adds_epi16(x, sh)));
        sh = _mm_srli_si128(t1, 4);
        const __m128i t2 = _mm_add_epi16(t1, sh);
        bad = _mm_or_si128(bad, _mm_xor_si128(t2, _mm_adds_epi16(t1, sh)));
        sh = _mm_srli_si128(t2, 8);
        const __m128i s = _mm_add_epi16(t2, sh);
        bad = _mm_or_si128(bad, _mm_xor_si128(s, _mm_adds_epi16(t2, sh)));
        if (__builtin_expect(!_mm_testz_si128(bad, bad), 0)) {
            // Some step of this sample saturates: compute it exactly from its memory.
            _mm_store_si128(reinterpret_cast<__m128i*>(mem), vv);
            scalar::st_synthesis(rp, &e, out + n, 1, mem);
            vv = _mm_load_si128(reinterpret_cast<const __m128i*>(mem));
            v8 = mem[8];
            continue;
        }
        const __m128i w = _mm_adds_epi16(vv, _mm_mulhrs_epi16(r, s));
        v8 = static_cast<int16_t>(_mm_extract_epi16(w, 7));
        vv = _mm_blend_epi16(_mm_slli_si128(w, 2), s, 0x01);
        out[n] = static_cast<int16_t>(_mm_cvtsi128_si32(s));
    }
    _mm_store_si128(reinterpret_cast<__m128i*>(mem), vv);
    for (int i = 0; i < 8; ++i) v[i] = mem[i];
    v[8] = v8;
}

static VOKS_AVX2 inline __m256i ld(const int16_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// 16 outputs per step: five pmaddwd pairs per output, (x[k-5], x[k-4]), (x[k-2], x[k-1]),
// (x[k], x[k+1]), (x[k+2], x[k+4]), (x[k+5], 1) carrying the rounding 4096, then >> 13 and a
// saturating pack.
VOKS_AVX2 void avx2::weighting(const int16_t* x, int16_t* y, int len) {
    const __m256i c0 =
        _mm256_set1_epi32(static_cast<int32_t>((uint32_t(uint16_t(-374)) << 16) | uint16_t(-134)));
    const __m256i c1 = _mm256_set1_epi32((5741 << 16) | 2054);
    const __m256i c2 = _mm256_set1_epi32((5741 << 16) | 8192);
    const __m256i c3 = _mm256_set1_epi32(static_cast<int32_t>((uint32_t(uint16_t(-374)) << 16) | 2054));
    const __m256i c4 = _mm256_set1_epi32((4096 << 16) | uint16_t(-134));
    const __m256i ones = _mm256_set1_epi16(1);
    int k = 0;
    for (; k + 16 <= len; k += 16) {
        const int16_t* p = x + k;
        const __m256i a = ld(p - 5), b = ld(p - 4), c = ld(p - 2), d = ld(p - 1);
        const __m256i e = ld(p), f = ld(p + 1), g = ld(p + 2), h = ld(p + 4), i5 = ld(p + 5);
        __m256i lo = _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), c0);
        __m256i hi = _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), c0);
        lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(c, d), c1));
        hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(c, d), c1));
        lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(e, f), c2));
        hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(e, f), c2));
        lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(g, h), c3));
        hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(g, h), c3));
        lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(i5, ones), c4));
        hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(i5, ones), c4));
        lo = _mm256_srai_epi32(lo, 13);
        hi = _mm256_srai_epi32(hi, 13);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(y + k), _mm256_packs_epi32(lo, hi));
    }
    if (k == len) return;
    // A tail after a full vector: the last 16 outputs again (the same values where they overlap).
    if (k > 0) return avx2::weighting(x + len - 16, y + len - 16, 16);
    scalar::weighting(x + k, y + k, len - k);
}

}  // namespace voks::gsm

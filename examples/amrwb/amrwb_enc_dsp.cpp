// Signal-processing steps of the AMR-WB example encoder (see amrwb_enc_dsp.h) and the helpers of
// its glue arithmetic.
#include "amrwb/amrwb_enc_dsp.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "amrwb/amrwb_enc_ops.h"
#include "amrwb/amrwb_enc_tables.h"

namespace amrwbex::enc {

namespace {

// Largest magnitude of n samples.
int32_t max_abs(const int16_t* x, int n) {
    int32_t m = 0;
    for (int i = 0; i < n; ++i) m = std::max(m, std::abs(int32_t{x[i]}));
    return m;
}

// A chain of saturating multiply-accumulates of 16-bit samples of magnitude at most max_x with
// coefficients whose magnitudes sum to sum_h, started from `start`, never saturates (nor has a
// product of two -32768) when this holds: then plain 32-bit sums give the same result.
bool no_saturation(int32_t max_x, int64_t sum_h, int64_t start = 0) {
    return 2 * int64_t{max_x} * sum_h + (start < 0 ? -start : start) < INT32_MAX;
}

}  // namespace

int32_t div_32(int32_t num, int16_t denom_hi, int16_t denom_lo) {
    // 1 / denom by one Newton step from 1 / denom_hi, then num times it.
    const int16_t approx = div_s(0x3fff, denom_hi);
    int32_t t = L_sub(INT32_MAX, Mpy_32_16(denom_hi, denom_lo, approx));
    int16_t hi, lo, n_hi, n_lo;
    L_Extract(t, &hi, &lo);
    t = Mpy_32_16(hi, lo, approx);
    L_Extract(t, &hi, &lo);
    L_Extract(num, &n_hi, &n_lo);
    return L_shl(Mpy_32(n_hi, n_lo, hi, lo), 2);
}

void scale_sig(int16_t* x, int n, int exp) {
    if (exp == 0) return;  // round16 of x << 16 is x
    if (exp < 0) {
        // An arithmetic right shift of x << 16: the rounding addition cannot saturate.
        const int k = std::min(-exp, 31);
        for (int i = 0; i < n; ++i) x[i] = static_cast<int16_t>(((x[i] * 65536 >> k) + 0x8000) >> 16);
        return;
    }
    // Left: saturate to 32 bits, then round with saturation (past 16, every nonzero x saturates).
    const int k = 16 + std::min(exp, 16);
    for (int i = 0; i < n; ++i) {
        const int64_t v =
            std::min<int64_t>(INT32_MAX, std::max<int64_t>(INT32_MIN, int64_t{x[i]} * (int64_t{1} << k)));
        x[i] = static_cast<int16_t>(std::min<int64_t>(INT32_MAX, v + 0x8000) >> 16);
    }
}

void decim_12k8(const int16_t* in, int lg, int16_t* out, int16_t* mem) {
    constexpr int kCoef = 15;
    int16_t sig[kFrame16 + 2 * kCoef + 2];
    std::memcpy(sig, mem, sizeof(int16_t) * 2 * kCoef);
    std::memcpy(sig + 2 * kCoef, in, sizeof(int16_t) * lg);
    sig[2 * kCoef + lg] = sig[2 * kCoef + lg + 1] = 0;  // read against the zero taps 30 and 31
    const int lg_down = mult(static_cast<int16_t>(lg), 26215);
    // The 4 phases of the filter, each contiguous.
    static const auto phases = [] {
        std::array<std::array<int16_t, 2 * kCoef + 2>, 4> p{};  // 32 taps, the last two zero
        for (int f = 0; f < 4; ++f)
            for (int i = 0; i < 2 * kCoef; ++i) p[f][i] = kDownFir[3 - f + 4 * i];
        return p;
    }();
    const int16_t* s = sig + kCoef;
    int pos = 0;  // in quarters of an input sample
    for (int j = 0; j < lg_down; ++j) {
        const int16_t* x = s + (pos >> 2) - kCoef + 1;
        const int16_t* c = phases[pos & 3].data();
        // Each phase's coefficient magnitudes sum below 2^31 / 2^16: the sum never saturates.
#if defined(__SSE2__)
        const auto* xv = reinterpret_cast<const __m128i*>(x);
        const auto* cv = reinterpret_cast<const __m128i*>(c);
        __m128i v = _mm_add_epi32(_mm_madd_epi16(_mm_loadu_si128(xv), _mm_loadu_si128(cv)),
                                  _mm_madd_epi16(_mm_loadu_si128(xv + 1), _mm_loadu_si128(cv + 1)));
        v = _mm_add_epi32(v, _mm_add_epi32(_mm_madd_epi16(_mm_loadu_si128(xv + 2), _mm_loadu_si128(cv + 2)),
                                           _mm_madd_epi16(_mm_loadu_si128(xv + 3), _mm_loadu_si128(cv + 3))));
        v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0x4E));
        v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0xB1));
        const int32_t sum = _mm_cvtsi128_si32(v);
#else
        int32_t sum = 0;
        for (int i = 0; i < 2 * kCoef; ++i) sum += int32_t{x[i]} * c[i];
#endif
        out[j] = round16(L_shl(2 * sum, 1));
        pos += 5;
    }
    std::memcpy(mem, sig + lg, sizeof(int16_t) * 2 * kCoef);
}

void autocorr(const int16_t* x, int16_t* r_h, int16_t* r_l) {
    int16_t y[kWindow];
    for (int i = 0; i < kWindow; ++i) y[i] = mult_r(x[i], kLpWindow[i]);
    int32_t sum = L_deposit_h(16);
    for (int i = 0; i < kWindow; ++i) sum = L_add(sum, L_shr(L_mult(y[i], y[i]), 8));
    int16_t shift = sub(4, shr(norm_l(sum), 1));
    if (shift < 0) shift = 0;
    for (int i = 0; i < kWindow; ++i) y[i] = shr_r(y[i], shift);
    int64_t e = 0;
    for (int i = 0; i < kWindow; ++i) e += int32_t{y[i]} * y[i];
    sum = static_cast<int32_t>(std::min<int64_t>(INT32_MAX, 1 + 2 * e));
    const int16_t norm = norm_l(sum);
    L_Extract(L_shl(sum, norm), &r_h[0], &r_l[0]);
    // |r[i]| <= r[0] term by term (Cauchy-Schwarz on the magnitudes): without saturation in r[0]
    // none of the partial sums of r[i] saturates.
    const bool exact = 1 + 2 * e < INT32_MAX;
    for (int i = 1; i <= kM; ++i) {
        sum = 0;
        if (exact) {
            for (int j = 0; j < kWindow - i; ++j) sum += int32_t{y[j]} * y[j + i];
            sum *= 2;
        } else {
            for (int j = 0; j < kWindow - i; ++j) sum = L_mac(sum, y[j], y[j + i]);
        }
        L_Extract(L_shl(sum, norm), &r_h[i], &r_l[i]);
    }
}

void lag_window(int16_t* r_h, int16_t* r_l) {
    for (int i = 1; i <= kM; ++i)
        L_Extract(Mpy_32(r_h[i], r_l[i], kLagWindowHi[i - 1], kLagWindowLo[i - 1]), &r_h[i], &r_l[i]);
}

namespace {

// 1 - K^2 of a reflection coefficient, in double precision.
void one_minus_k2(int16_t kh, int16_t kl, int16_t* hi, int16_t* lo) {
    L_Extract(L_sub(INT32_MAX, L_abs(Mpy_32(kh, kl, kh, kl))), hi, lo);
}

}  // namespace

void levinson(const int16_t* r_h, const int16_t* r_l, int16_t* a, int16_t* mem) {
    int16_t ah[kM + 1], al[kM + 1], anh[kM + 1], anl[kM + 1];
    int16_t kh, kl, hi, lo, alp_h, alp_l;
    int16_t* old_a = mem;
    int16_t* old_rc = mem + kM;
    int16_t rc[2] = {};
    int32_t t1 = L_Comp(r_h[1], r_l[1]);
    int32_t t0 = div_32(L_abs(t1), r_h[0], r_l[0]);
    if (t1 > 0) t0 = L_negate(t0);
    L_Extract(t0, &kh, &kl);
    rc[0] = kh;
    L_Extract(L_shr(t0, 4), &ah[1], &al[1]);
    one_minus_k2(kh, kl, &hi, &lo);
    t0 = Mpy_32(r_h[0], r_l[0], hi, lo);
    int16_t alp_exp = norm_l(t0);
    L_Extract(L_shl(t0, alp_exp), &alp_h, &alp_l);
    for (int i = 2; i <= kM; ++i) {
        t0 = 0;
        for (int j = 1; j < i; ++j) t0 = L_add(t0, Mpy_32(r_h[j], r_l[j], ah[i - j], al[i - j]));
        t0 = L_add(L_shl(t0, 4), L_Comp(r_h[i], r_l[i]));
        int32_t t2 = div_32(L_abs(t0), alp_h, alp_l);
        if (t0 > 0) t2 = L_negate(t2);
        t2 = L_shl(t2, alp_exp);
        L_Extract(t2, &kh, &kl);
        if (i == 2) rc[1] = kh;
        if (abs_s(kh) > 32750) {
            // Unstable: keep the last stable filter.
            a[0] = 4096;
            for (int j = 0; j < kM; ++j) a[j + 1] = old_a[j];
            return;
        }
        for (int j = 1; j < i; ++j) {
            t0 = L_add(Mpy_32(kh, kl, ah[i - j], al[i - j]), L_Comp(ah[j], al[j]));
            L_Extract(t0, &anh[j], &anl[j]);
        }
        L_Extract(L_shr(t2, 4), &anh[i], &anl[i]);
        one_minus_k2(kh, kl, &hi, &lo);
        t0 = Mpy_32(alp_h, alp_l, hi, lo);
        const int16_t n = norm_l(t0);
        L_Extract(L_shl(t0, n), &alp_h, &alp_l);
        alp_exp = add(alp_exp, n);
        for (int j = 1; j <= i; ++j) {
            ah[j] = anh[j];
            al[j] = anl[j];
        }
    }
    a[0] = 4096;
    for (int i = 1; i <= kM; ++i) old_a[i - 1] = a[i] = round16(L_shl(L_Comp(ah[i], al[i]), 1));
    old_rc[0] = rc[0];
    old_rc[1] = rc[1];
}

void weight_a(const int16_t* a, int16_t* ap, int16_t gamma, int m) {
    ap[0] = a[0];
    int16_t fac = gamma;
    for (int i = 1; i < m; ++i) {
        ap[i] = round16(L_mult(a[i], fac));
        fac = round16(L_mult(fac, gamma));
    }
    ap[m] = round16(L_mult(a[m], fac));
}

void syn_filt(const int16_t* a, int m, const int16_t* x, int16_t* y, int lg, int16_t* mem, bool update) {
    syn_filt_q(a, m, shr(a[0], 1), add(3, sub(norm_s(a[0]), 2)), x, y, lg, mem, update);
}

void syn_filt_q(const int16_t* a, int m, int16_t a0, int16_t sh, const int16_t* x, int16_t* y, int lg,
                int16_t* mem, bool update) {
    int16_t buf[kSubfr16 + 20];
    std::memcpy(buf, mem, sizeof(int16_t) * m);
    int16_t* yy = buf + m;
    int64_t sum_a = 0;
    for (int j = 1; j <= m; ++j) sum_a += std::abs(int32_t{a[j]});
    const auto step = [&](int i, int16_t xi) {
        int32_t t = L_mult(xi, a0);
        for (int j = 1; j <= m; ++j) t = L_msu(t, a[j], yy[i - j]);
        y[i] = yy[i] = round16(L_shl(t, sh));
    };
    int i = 0;
    if (m == kM && sh >= 0 && sh < 16) {
        // Blocks of 8 outputs: the terms of the 16 outputs before a block as 8 independent exact
        // dot products, then the recursion inside the block. A block is kept when the magnitudes
        // of its terms (bounded by the largest input and output around it) prove that no partial
        // sum of the saturating chain left 32 bits; otherwise it is run again by that chain.
        constexpr int kBlock = 8;
        int16_t ar[2 * kM] = {};  // output i0 + r takes ar[16 - r + q] times yy[i0 - 16 + q]
        for (int z = kM; z < 2 * kM; ++z) ar[z] = a[2 * kM - z];
        for (; i + kBlock <= lg; i += kBlock) {
            int16_t xb[kBlock];  // x may be y
            std::memcpy(xb, x + i, sizeof xb);
            const int16_t* w = yy + i - kM;
            int32_t p[kBlock];
#if defined(__SSE2__)
            // A pair sum of pmaddwd wraps only past the bound checked below.
            const __m128i w0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w));
            const __m128i w1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 8));
            for (int r = 0; r < kBlock; ++r) {
                const int16_t* c = ar + kM - r;
                __m128i v = _mm_add_epi32(
                    _mm_madd_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(c)), w0),
                    _mm_madd_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(c + 8)), w1));
                v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0x4E));
                v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0xB1));
                p[r] = int32_t{xb[r]} * a0 - _mm_cvtsi128_si32(v);
            }
#else
            for (int r = 0; r < kBlock; ++r) {
                const int16_t* c = ar + kM - r;
                int32_t t = int32_t{xb[r]} * a0;
                for (int q = 0; q < kM; ++q) t -= int32_t{c[q]} * w[q];
                p[r] = t;
            }
#endif
            // round16(L_shl(2 t, sh)) of an exact 2 t; the newest output's term comes last.
            const auto out = [sh](int32_t t) {
                const int64_t v = std::min<int64_t>(
                    INT32_MAX, std::max<int64_t>(INT32_MIN, int64_t{t} * (int64_t{1} << (sh + 1))));
                return static_cast<int32_t>(std::min<int64_t>(INT32_MAX, v + 0x8000) >> 16);
            };
            const int32_t a1 = a[1], a2 = a[2], a3 = a[3], a4 = a[4], a5 = a[5], a6 = a[6], a7 = a[7];
            int32_t o[kBlock];
            o[0] = out(p[0]);
            o[1] = out(p[1] - a1 * o[0]);
            o[2] = out(p[2] - a2 * o[0] - a1 * o[1]);
            o[3] = out(p[3] - a3 * o[0] - a2 * o[1] - a1 * o[2]);
            o[4] = out(p[4] - a4 * o[0] - a3 * o[1] - a2 * o[2] - a1 * o[3]);
            o[5] = out(p[5] - a5 * o[0] - a4 * o[1] - a3 * o[2] - a2 * o[3] - a1 * o[4]);
            o[6] = out(p[6] - a6 * o[0] - a5 * o[1] - a4 * o[2] - a3 * o[3] - a2 * o[4] - a1 * o[5]);
            o[7] =
                out(p[7] - a7 * o[0] - a6 * o[1] - a5 * o[2] - a4 * o[3] - a3 * o[4] - a2 * o[5] - a1 * o[6]);
            for (int r = 0; r < kBlock; ++r) yy[i + r] = static_cast<int16_t>(o[r]);
            const int32_t max_y = max_abs(w, kM + kBlock - 1), max_x = max_abs(xb, kBlock);
            if (2 * (int64_t{max_x} * std::abs(int32_t{a0}) + max_y * sum_a) < INT32_MAX) {
                std::memcpy(y + i, yy + i, sizeof xb);
            } else {
                for (int r = 0; r < kBlock; ++r) step(i + r, xb[r]);
            }
        }
    }
    for (; i < lg; ++i) step(i, x[i]);
    if (update) std::memcpy(mem, yy + lg - m, sizeof(int16_t) * m);
}

void lp_decim2(int16_t* x, int l, int16_t* mem) {
    static constexpr int16_t kFir[5] = {4260, 7536, 9175, 7536, 4260};
    int16_t buf[kFrame + 3];
    std::memcpy(buf, mem, sizeof(int16_t) * 3);
    std::memcpy(buf + 3, x, sizeof(int16_t) * l);
    std::memcpy(mem, x + l - 3, sizeof(int16_t) * 3);
    for (int i = 0, j = 0; i < l; i += 2, ++j) {
        int32_t t = 0;
        for (int k = 0; k < 5; ++k) t = L_mac(t, buf[i + k], kFir[k]);
        x[j] = round16(t);
    }
}

void convolve(const int16_t* x, const int16_t* h, int16_t* y, int n) {
    int64_t sum_h = 0;
    for (int i = 0; i < n; ++i) sum_h += std::abs(int32_t{h[i]});
    if (n <= kSubfr && no_saturation(max_abs(x, n), sum_h)) {
        // h reversed, so that both operands run forward.
#if defined(__SSE2__)
        // Zeros after the reversed h and after x: output k takes whole groups of 8 products.
        alignas(16) int16_t hz[2 * kSubfr + 8] = {}, xz[kSubfr + 8] = {};
        for (int i = 0; i < n; ++i) hz[i] = h[n - 1 - i];
        std::memcpy(xz, x, sizeof(int16_t) * n);
        for (int k = 0; k < n; ++k) {
            const int16_t* r = hz + n - 1 - k;
            __m128i v = _mm_setzero_si128();
            for (int i = 0; i <= k; i += 8)
                v = _mm_add_epi32(v,
                                  _mm_madd_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(xz + i)),
                                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(r + i))));
            v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0x4E));
            v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0xB1));
            y[k] = round16(2 * _mm_cvtsi128_si32(v));
        }
        return;
#endif
        int16_t hr[kSubfr];
        for (int i = 0; i < n; ++i) hr[i] = h[n - 1 - i];
        for (int k = 0; k < n; ++k) {
            const int16_t* r = hr + n - 1 - k;
            int32_t sum = 0;
            for (int i = 0; i <= k; ++i) sum += int32_t{x[i]} * r[i];
            y[k] = round16(2 * sum);
        }
        return;
    }
    for (int k = 0; k < n; ++k) {
        int32_t sum = 0;
        for (int i = 0; i <= k; ++i) sum = L_mac(sum, x[i], h[k - i]);
        y[k] = round16(sum);
    }
}

void updt_tar(const int16_t* x, int16_t* x2, const int16_t* y, int16_t gain, int n) {
    const int32_t g = std::abs(int32_t{gain});
    if (2 * (int64_t{max_abs(x, n)} * 32768 + 2 * int64_t{max_abs(y, n)} * g) < INT32_MAX) {
        // No step saturates: round down the plain difference.
        for (int i = 0; i < n; ++i) x2[i] = static_cast<int16_t>((x[i] * 32768 - 2 * y[i] * gain) >> 15);
        return;
    }
    // The chain in 64 bits with each step's saturation: L_mult(y, gain) saturates only at
    // -32768 * -32768.
    for (int i = 0; i < n; ++i) {
        const int64_t p = std::min<int64_t>(INT32_MAX, 2 * int64_t{y[i]} * gain);
        int64_t t = std::min<int64_t>(INT32_MAX, std::max<int64_t>(INT32_MIN, int64_t{x[i]} * 32768 - p));
        t = std::min<int64_t>(INT32_MAX, std::max<int64_t>(INT32_MIN, 2 * t));
        x2[i] = static_cast<int16_t>(t >> 16);
    }
}

void pit_shrp(int16_t* x, int lag, int16_t sharp, int n) {
    for (int i = lag; i < n; ++i) x[i] = round16(L_mac(L_deposit_h(x[i]), x[i - lag], sharp));
}

void filt_6k_7k(int16_t* x, int lg, int16_t* mem) {
    int16_t buf[kSubfr16 + 31];
    std::memcpy(buf, mem, sizeof(int16_t) * 30);
    for (int i = 0; i < lg; ++i) buf[i + 30] = shr(x[i], 2);
    constexpr int64_t kSumH = 158870;  // sum of the coefficient magnitudes
    const bool exact = no_saturation(max_abs(buf, lg + 30), kSumH);
#if defined(__SSE2__)
    if (exact) {
        // 32 taps (the last zero) by pmaddwd; the bound keeps every pair sum in 32 bits.
        alignas(16) int16_t c[32] = {};
        std::memcpy(c, kFilt6k7k, sizeof(int16_t) * 31);
        const auto* cv = reinterpret_cast<const __m128i*>(c);
        const __m128i c0 = _mm_load_si128(cv), c1 = _mm_load_si128(cv + 1), c2 = _mm_load_si128(cv + 2),
                      c3 = _mm_load_si128(cv + 3);
        buf[lg + 30] = 0;  // read against the zero tap by the last output
        for (int i = 0; i < lg; ++i) {
            const auto* b = reinterpret_cast<const __m128i*>(buf + i);
            __m128i v = _mm_add_epi32(_mm_madd_epi16(_mm_loadu_si128(b), c0),
                                      _mm_madd_epi16(_mm_loadu_si128(b + 1), c1));
            v = _mm_add_epi32(v, _mm_add_epi32(_mm_madd_epi16(_mm_loadu_si128(b + 2), c2),
                                               _mm_madd_epi16(_mm_loadu_si128(b + 3), c3)));
            v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0x4E));
            v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0xB1));
            x[i] = round16(2 * _mm_cvtsi128_si32(v));
        }
        std::memcpy(mem, buf + lg, sizeof(int16_t) * 30);
        return;
    }
#endif
    for (int i = 0; i < lg; ++i) {
        int32_t t = 0;
        if (exact) {
            for (int j = 0; j < 31; ++j) t += int32_t{buf[i + j]} * kFilt6k7k[j];
            t *= 2;
        } else {
            for (int j = 0; j < 31; ++j) t = L_mac(t, buf[i + j], kFilt6k7k[j]);
        }
        x[i] = round16(t);
    }
    std::memcpy(mem, buf + lg, sizeof(int16_t) * 30);
}

}  // namespace amrwbex::enc

// Signal-processing steps of the AMR-WB example decoder, in the reference decoder's fixed point.
#include "amrwb/amrwb_dec_dsp.h"

#include <algorithm>
#include <cstdlib>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "amrwb/amrwb_dec_ops.h"
#include "amrwb/amrwb_dec_tables.h"
#include "voksc.h"

namespace amrwbex {
namespace dec {

int32_t isqrt(int32_t x) {
    int16_t exp = norm_l(x);
    x = L_shl(x, exp);
    exp = static_cast<int16_t>(31 - exp);
    isqrt_n(&x, &exp);
    return L_shl(x, exp);
}

namespace {

// Coefficients of the polynomial of the n ISPs isp[0], isp[2], ... (Q23).
void isp_polynomial(const int16_t* isp, int32_t* f, int n) {
    f[0] = L_mult(4096, 1024);
    f[1] = L_mult(isp[0], -256);
    for (int i = 2; i <= n; ++i) {
        const int16_t c = isp[2 * (i - 1)];
        f[i] = f[i - 2];
        for (int j = i; j > 1; --j) {
            int16_t hi, lo;
            L_Extract(f[j - 1], &hi, &lo);
            f[j] = L_add(L_sub(f[j], L_shl(Mpy_32_16(hi, lo, c), 1)), f[j - 2]);
        }
        f[1] = L_msu(f[1], c, 256);
    }
}

}  // namespace

void isp_to_lpc_scaled(const int16_t* isp, int16_t* a) {
    constexpr int m = 16, nc = 8;
    int32_t f1[nc + 1], f2[nc];
    isp_polynomial(isp, f1, nc);
    isp_polynomial(isp + 1, f2, nc - 1);
    for (int i = nc - 1; i > 1; --i) f2[i] = L_sub(f2[i], f2[i - 2]);
    const int16_t last = isp[m - 1];
    for (int i = 0; i < nc; ++i) {
        int16_t hi, lo;
        L_Extract(f1[i], &hi, &lo);
        f1[i] = L_add(f1[i], Mpy_32_16(hi, lo, last));
        L_Extract(f2[i], &hi, &lo);
        f2[i] = L_sub(f2[i], Mpy_32_16(hi, lo, last));
    }
    a[0] = 4096;
    int32_t tmax = 1;
    for (int i = 1, j = m - 1; i < nc; ++i, --j) {
        const int32_t s = L_add(f1[i], f2[i]), d = L_sub(f1[i], f2[i]);
        tmax |= L_abs(s) | L_abs(d);
        a[i] = extract_l(L_shr_r(s, 12));
        a[j] = extract_l(L_shr_r(d, 12));
    }
    int16_t q = sub(4, norm_l(tmax)), q_sug = 12;
    if (q > 0) {
        q_sug = add(12, q);
        for (int i = 1, j = m - 1; i < nc; ++i, --j) {
            a[i] = extract_l(L_shr_r(L_add(f1[i], f2[i]), q_sug));
            a[j] = extract_l(L_shr_r(L_sub(f1[i], f2[i]), q_sug));
        }
        a[0] = shr(a[0], q);
    } else {
        q = 0;
    }
    int16_t hi, lo;
    L_Extract(f1[nc], &hi, &lo);
    a[nc] = extract_l(L_shr_r(L_add(f1[nc], Mpy_32_16(hi, lo, last)), q_sug));
    a[m] = shr_r(last, add(3, q));
}

void weight_lpc(const int16_t* a, int16_t* ap, int16_t gamma, int m) {
    ap[0] = a[0];
    int16_t fac = gamma;
    for (int i = 1; i < m; ++i) {
        ap[i] = round16(L_mult(a[i], fac));
        fac = round16(L_mult(fac, gamma));
    }
    ap[m] = round16(L_mult(a[m], fac));
}

namespace {

// The plain recursion of synthesis16 for order M: the four latest outputs stay in registers and
// the older ones are read back as a block, so that no load waits on a store just made.
template <int M>
void synthesis16_plain(const int16_t* a, const int16_t* x, int16_t* y, int n, int16_t* yy, int16_t a0,
                       int16_t s) {
    int16_t ar[M - 4];  // a[M] .. a[5]: a forward dot product over yy[i - M .. i - 5]
    for (int k = 0; k < M - 4; ++k) ar[k] = a[M - k];
    const int32_t a1 = a[1], a2 = a[2], a3 = a[3], a4 = a[4];
    int32_t y1 = yy[-1], y2 = yy[-2], y3 = yy[-3], y4 = yy[-4];
    const int16_t sh = add(3, s);
    for (int i = 0; i < n; ++i) {
        int32_t t = 0;
        for (int k = 0; k < M - 4; ++k) t += ar[k] * yy[i - M + k];
        t += a4 * y4 + a3 * y3 + a2 * y2 + a1 * y1;
        // L_shl and the rounding as clamped 64-bit steps, without branches.
        const int64_t u =
            std::clamp<int64_t>(int64_t{2 * (x[i] * a0 - t)} * (int64_t{1} << sh), INT32_MIN, INT32_MAX);
        const auto v = static_cast<int16_t>(std::min<int64_t>(u + 0x8000, INT32_MAX) >> 16);
        yy[i] = y[i] = v;
        y4 = y3;
        y3 = y2;
        y2 = y1;
        y1 = v;
    }
}

#if defined(__SSE2__)
// The lane sums of e[0..3] in one vector (lane r the sum of e[r]).
inline __m128i lane_sums4(const __m128i* e) {
    const __m128i t0 = _mm_add_epi32(_mm_unpacklo_epi32(e[0], e[1]), _mm_unpackhi_epi32(e[0], e[1]));
    const __m128i t1 = _mm_add_epi32(_mm_unpacklo_epi32(e[2], e[3]), _mm_unpackhi_epi32(e[2], e[3]));
    return _mm_add_epi32(_mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1));
}

// sum x[k] c[k] over 8 nw terms, in the lanes of one vector (x unaligned, c aligned).
inline __m128i dot_lanes(const int16_t* x, const int16_t* c, int nw) {
    __m128i d = _mm_madd_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x)),
                               _mm_load_si128(reinterpret_cast<const __m128i*>(c)));
    for (int k = 1; k < nw; ++k)
        d = _mm_add_epi32(d, _mm_madd_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x + 8 * k)),
                                            _mm_load_si128(reinterpret_cast<const __m128i*>(c + 8 * k))));
    return d;
}

// Eight outputs clamp((t + 2^(k - 1)) >> k) to 16 bits from the sums t in lo (four) and hi.
inline void round_pack8(__m128i lo, __m128i hi, int k, int16_t* out) {
    const __m128i half = _mm_set1_epi32(1 << (k - 1)), count = _mm_cvtsi32_si128(k);
    lo = _mm_sra_epi32(_mm_add_epi32(lo, half), count);
    hi = _mm_sra_epi32(_mm_add_epi32(hi, half), count);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packs_epi32(lo, hi));
}
#endif

#if defined(__SSE2__)
// synthesis16_plain in blocks of eight outputs: the part of each sum over the outputs before the
// block as SSE2 dot products (window W of the last KW outputs, KW = M rounded up to 8, against
// one coefficient row per output), the part inside the block in scalar code. The outputs go to
// yy only; false (y untouched) when a shifted sum left the range where the clamped steps are
// plain (then synthesis16_plain gives the result). yy[-KW .. -1] is readable; n a multiple of 8.
template <int M>
bool synthesis16_blocks(const int16_t* a, const int16_t* x, int16_t* y, int n, int16_t* yy, int16_t a0,
                        int16_t s) {
    constexpr int KW = (M + 7) / 8 * 8, NW = KW / 8;
    // Row r, lane q: the coefficient of W[q] = yy[i0 - KW + q] in output i0 + r (lag KW + r - q).
    alignas(16) int16_t rows[8][KW];
    for (int r = 0; r < 8; ++r)
        for (int q = 0; q < KW; ++q) rows[r][q] = q >= KW + r - M ? a[KW + r - q] : int16_t{0};
    __m128i cv[8][NW], w[NW];
    for (int r = 0; r < 8; ++r)
        for (int k = 0; k < NW; ++k)
            cv[r][k] = _mm_load_si128(reinterpret_cast<const __m128i*>(rows[r] + 8 * k));
    for (int k = 0; k < NW; ++k) w[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(yy - KW + 8 * k));
    const int32_t c1 = a[1], c2 = a[2], c3 = a[3], c4 = a[4], c5 = a[5], c6 = a[6], c7 = a[7];
    const int sh = 3 + s;
    int64_t umax = 0, umin = 0;
    for (int i0 = 0; i0 < n; i0 += 8) {
        __m128i d[8];
        for (int r = 0; r < 8; ++r) {
            d[r] = _mm_madd_epi16(w[0], cv[r][0]);
            for (int k = 1; k < NW; ++k) d[r] = _mm_add_epi32(d[r], _mm_madd_epi16(w[k], cv[r][k]));
        }
        // Lane sums of d[0..3] and d[4..7].
        alignas(16) int32_t p[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(p), lane_sums4(d));
        _mm_store_si128(reinterpret_cast<__m128i*>(p + 4), lane_sums4(d + 4));
        // Written out so that each output waits only on the a[1] term of the one before.
        const auto out = [&](int r, int32_t t) {
            const int64_t u = int64_t{2 * (x[i0 + r] * a0 - t)} * (int64_t{1} << sh);
            umax = std::max(umax, u);
            umin = std::min(umin, u);
            // Exact when the bounds hold; kept to 16 bits in any case, as the stored outputs
            // are, so that no sum can overflow after an output out of range.
            return int32_t{static_cast<int16_t>((u + 0x8000) >> 16)};
        };
        const int32_t v0 = out(0, p[0]);
        const int32_t v1 = out(1, p[1] + c1 * v0);
        const int32_t v2 = out(2, (p[2] + c2 * v0) + c1 * v1);
        const int32_t v3 = out(3, (p[3] + c3 * v0 + c2 * v1) + c1 * v2);
        const int32_t v4 = out(4, (p[4] + c4 * v0 + c3 * v1 + c2 * v2) + c1 * v3);
        const int32_t v5 = out(5, (p[5] + c5 * v0 + c4 * v1 + c3 * v2 + c2 * v3) + c1 * v4);
        const int32_t v6 = out(6, (p[6] + c6 * v0 + c5 * v1 + c4 * v2 + c3 * v3 + c2 * v4) + c1 * v5);
        const int32_t v7 =
            out(7, (p[7] + c7 * v0 + c6 * v1 + c5 * v2 + c4 * v3 + c3 * v4 + c2 * v5) + c1 * v6);
        for (int k = 0; k + 1 < NW; ++k) w[k] = w[k + 1];
        w[NW - 1] = _mm_packs_epi32(_mm_setr_epi32(v0, v1, v2, v3), _mm_setr_epi32(v4, v5, v6, v7));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(yy + i0), w[NW - 1]);
    }
    if (umax > INT32_MAX - 0x8000 || umin < INT32_MIN) return false;
    for (int i = 0; i < n; ++i) y[i] = yy[i];
    return true;
}
#endif

}  // namespace

void synthesis16(const int16_t* a, int m, const int16_t* x, int16_t* y, int n, int16_t* mem) {
    int16_t buf[4 + 20 + 80] = {};  // four leading zeros pad the order-20 window to 24
    int16_t* yy = buf + 4 + m;
    for (int i = 0; i < m; ++i) buf[4 + i] = mem[i];
    const int16_t s = sub(norm_s(a[0]), 2), a0 = shr(a[0], 1);
    // No sum can leave 32 bits when the weights' magnitudes stay below 2^15: then plain
    // arithmetic gives the saturating chain's result.
    int32_t weight = a0 < 0 ? -a0 : a0;
    for (int j = 1; j <= m; ++j) weight += a[j] < 0 ? -a[j] : a[j];
    const bool shift_ok = s >= -3 && s <= 28;  // the plain recursions' left shift 3 + s in 0..31
    if (weight < 32767 && (m == 16 || m == 20) && shift_ok) {
        bool done = false;
#if defined(__SSE2__)
        if (n % 8 == 0)
            done = m == 16 ? synthesis16_blocks<16>(a, x, y, n, yy, a0, s)
                           : synthesis16_blocks<20>(a, x, y, n, yy, a0, s);
#endif
        if (!done && m == 16) synthesis16_plain<16>(a, x, y, n, yy, a0, s);
        if (!done && m == 20) synthesis16_plain<20>(a, x, y, n, yy, a0, s);
    } else if (weight < 32767) {
        // The weights reversed, so that each output is a forward dot product.
        int16_t ar[20];
        for (int k = 0; k < m; ++k) ar[k] = a[m - k];
        for (int i = 0; i < n; ++i) {
            int32_t t = 0;
            for (int k = 0; k < m; ++k) t += ar[k] * yy[i - m + k];
            yy[i] = y[i] = round16(L_shl(2 * (x[i] * a0 - t), add(3, s)));
        }
    } else {
        for (int i = 0; i < n; ++i) {
            int32_t t = L_mult(x[i], a0);
            for (int j = 1; j <= m; ++j) t = L_msu(t, a[j], yy[i - j]);
            yy[i] = y[i] = round16(L_shl(t, add(3, s)));
        }
    }
    for (int i = 0; i < m; ++i) mem[i] = yy[n - m + i];
}

namespace {

// Largest magnitude of n samples.
int32_t peak(const int16_t* x, int n) {
    int32_t p = 0;
    for (int i = 0; i < n; ++i) p = std::max(p, x[i] < 0 ? -int32_t{x[i]} : int32_t{x[i]});
    return p;
}

// The sum of 2 x[k] c[k] over n terms, saturating after each term unless `exact` (no partial
// sum can leave 32 bits), when plain arithmetic gives the same.
int32_t mac_chain(const int16_t* x, const int16_t* c, int n, int step, bool exact) {
    if (exact) {
        int32_t t = 0;
        for (int k = 0; k < n; ++k) t += x[k] * c[k * step];
        return 2 * t;
    }
    int32_t t = 0;
    for (int k = 0; k < n; ++k) t = L_mac(t, x[k], c[k * step]);
    return t;
}

// Sum of the tap magnitudes.
int32_t tap_weight(const int16_t* c, int n, int step) {
    int32_t w = 0;
    for (int k = 0; k < n; ++k) w += c[k * step] < 0 ? -c[k * step] : c[k * step];
    return w;
}

}  // namespace

void fir31(int16_t* sig, int n, int16_t* mem, const int16_t* taps, int shift) {
    // Taps and signal padded with a zero to 32 terms for the plain sums (the zero term adds
    // nothing); the saturating chain runs over the 31 taps.
    int16_t x[80 + 31], c[32];
    for (int i = 0; i < 30; ++i) x[i] = mem[i];
    for (int i = 0; i < n; ++i) x[30 + i] = shr(sig[i], shift);
    x[30 + n] = 0;
    for (int k = 0; k < 31; ++k) c[k] = taps[k];
    c[31] = 0;
    const bool exact = int64_t{peak(x, 30 + n)} * tap_weight(c, 31, 1) < (int64_t{1} << 30);
    if (exact) {
        for (int i = 0; i < n; ++i) {
            int32_t t = 0;
            for (int k = 0; k < 32; ++k) t += x[i + k] * c[k];
            sig[i] = round16(2 * t);
        }
    } else {
        for (int i = 0; i < n; ++i) sig[i] = round16(mac_chain(x + i, c, 31, 1, false));
    }
    for (int i = 0; i < 30; ++i) mem[i] = x[n + i];
}

namespace {

// The interpolation filter split into its five phases (taps contiguous) and the largest phase
// weight, so that each output is a unit-stride dot product.
struct UpPhases {
    alignas(16) int16_t taps[5][24];
    int32_t weight = 0;
    UpPhases() {
        for (int f = 0; f < 5; ++f) {
            for (int k = 0; k < 24; ++k) taps[f][k] = tab::kUpFir[4 - f + 5 * k];
            weight = std::max(weight, tap_weight(taps[f], 24, 1));
        }
    }
};

}  // namespace

void upsample_16k(const int16_t* in, int16_t* out, int16_t* mem) {
    constexpr int kTaps = 12;
    static const UpPhases up;
    int16_t sig[64 + 2 * kTaps];
    for (int i = 0; i < 2 * kTaps; ++i) sig[i] = mem[i];
    for (int i = 0; i < 64; ++i) sig[2 * kTaps + i] = in[i];
    const bool exact = int64_t{peak(sig, 64 + 2 * kTaps)} * up.weight < (int64_t{1} << 30);
    if (exact) {
#if defined(__SSE2__)
        // |t| < 2^30: round16(L_shl(2 t, 1)) is the 16-bit clamp of (t + 2^13) >> 14. Output j
        // reads from sample 4 j / 5 with phase 4 j % 5.
        const auto four = [&sig](int j0) {
            __m128i d[4];
            for (int r = 0, pos = 4 * j0; r < 4; ++r, pos += 4)
                d[r] = dot_lanes(sig + pos / 5 + 1, up.taps[pos % 5], 3);
            return lane_sums4(d);
        };
        for (int j0 = 0; j0 < 80; j0 += 8) round_pack8(four(j0), four(j0 + 4), 14, out + j0);
#else
        // Outputs in groups of five, one per phase (positions 4 j / 5 step 0, 0, 1, 1, 1 on 4 a group).
        for (int j0 = 0; j0 < 80; j0 += 5) {
            const int16_t* base = sig + 4 * (j0 / 5) + 1;
            for (int f = 0; f < 5; ++f) {
                const int16_t* xs = base + (4 * f) / 5;
                const int16_t* c = up.taps[(4 * f) % 5];
                int32_t t = 0;
                for (int k = 0; k < 2 * kTaps; ++k) t += xs[k] * c[k];
                out[j0 + f] = round16(L_shl(2 * t, 1));
            }
        }
#endif
    } else {
        for (int j = 0, pos = 0; j < 80; ++j, pos += 4) {
            const int i = pos / 5, frac = pos - 5 * i;
            out[j] = round16(L_shl(mac_chain(sig + i + 1, up.taps[frac], 2 * kTaps, 1, false), 1));
        }
    }
    for (int i = 0; i < 2 * kTaps; ++i) mem[i] = sig[64 + i];
}

void isf_extrapolate(int16_t* hf) {
    constexpr int m = 16, m16 = 20;
    int16_t diff[m - 2];
    hf[m16 - 1] = hf[m - 1];
    for (int i = 1; i < m - 1; ++i) diff[i - 1] = sub(hf[i], hf[i - 1]);
    int32_t t = 0;
    for (int i = 3; i < m - 1; ++i) t = L_mac(t, diff[i - 1], 2731);
    int16_t mean = round16(t), top = 0;
    for (int i = 0; i < m - 2; ++i)
        if (diff[i] > top) top = diff[i];
    int16_t exp = norm_s(top);
    for (int i = 0; i < m - 2; ++i) diff[i] = shl(diff[i], exp);
    mean = shl(mean, exp);
    int32_t corr[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        for (int i = 7; i < m - 2; ++i) {
            int16_t hi, lo;
            L_Extract(L_mult(sub(diff[i], mean), sub(diff[i - 2 - k], mean)), &hi, &lo);
            corr[k] = L_add(corr[k], Mpy_32(hi, lo, hi, lo));
        }
    }
    int best = corr[0] > corr[1] ? 0 : 1;
    if (corr[2] > corr[best]) best = 2;
    best += 1;
    for (int i = m - 1; i < m16 - 1; ++i) hf[i] = add(hf[i - 1], sub(hf[i - 1 - best], hf[i - 2 - best]));
    // The highest ISF at most 7600 Hz.
    int16_t tmp = add(mult(sub(hf[2], add(hf[4], hf[3])), 5461), 20390);
    if (tmp > 19456) tmp = 19456;
    tmp = sub(tmp, hf[m - 2]);
    int16_t tmp2 = sub(hf[m16 - 2], hf[m - 2]);
    const int16_t exp2 = norm_s(tmp2);
    exp = sub(norm_s(tmp), 1);
    tmp = shl(tmp, exp);
    tmp2 = shl(tmp2, exp2);
    const int16_t coeff = div_s(tmp, tmp2);
    exp = sub(exp2, exp);
    for (int i = m - 1; i < m16 - 1; ++i) diff[i - (m - 1)] = shl(mult(sub(hf[i], hf[i - 1]), coeff), exp);
    // ISF(n) - ISF(n - 2) at least 500 Hz.
    for (int i = m; i < m16 - 1; ++i) {
        if (sub(add(diff[i - (m - 1)], diff[i - m]), 1280) < 0) {
            if (diff[i - (m - 1)] > diff[i - m])
                diff[i - m] = sub(1280, diff[i - (m - 1)]);
            else
                diff[i - (m - 1)] = sub(1280, diff[i - m]);
        }
    }
    for (int i = m - 1; i < m16 - 1; ++i) hf[i] = add(hf[i - 1], diff[i - (m - 1)]);
    for (int i = 0; i < m16 - 1; ++i) hf[i] = mult(hf[i], 26214);  // to the 16 kHz scale
    int16_t isp[m16];
    voksISFToISP_AMRWB_16s(hf, isp, m16);
    for (int i = 0; i < m16; ++i) hf[i] = isp[i];
}

void phase_dispersion(int16_t gain_code, int16_t gain_pit, int16_t* code, int level, int16_t* mem) {
    constexpr int16_t k06 = 9830, k09 = 14746;
    int16_t* prev_state = mem;
    int16_t* prev_gain_code = mem + 1;
    int16_t* prev_gain_pit = mem + 2;
    int16_t state = gain_pit < k06 ? 0 : gain_pit < k09 ? 1 : 2;
    for (int i = 5; i > 0; --i) prev_gain_pit[i] = prev_gain_pit[i - 1];
    prev_gain_pit[0] = gain_pit;
    if (sub(sub(gain_code, *prev_gain_code), shl(*prev_gain_code, 1)) > 0) {
        if (state < 2) ++state;  // onset
    } else {
        int low = 0;
        for (int i = 0; i < 6; ++i) low += prev_gain_pit[i] < k06;
        if (low > 2) state = 0;
        if (sub(sub(state, *prev_state), 1) > 0) --state;
    }
    *prev_gain_code = gain_code;
    *prev_state = state;
    state = static_cast<int16_t>(state + level);
    if (state >= 2) return;
    const int16_t* imp = state == 0 ? tab::kPhaseLow : tab::kPhaseMid;
    int16_t out[128] = {};
    for (int i = 0; i < 64; ++i) {
        if (code[i] == 0) continue;
        for (int j = 0; j < 64; ++j) out[i + j] = add(out[i + j], mult_r(code[i], imp[j]));
    }
    for (int i = 0; i < 64; ++i) code[i] = add(out[i], out[i + 64]);
}

int16_t adaptive_sample(const int16_t* exc, int n, int t0, int frac) {
    const int16_t* x = exc + n - t0;
    frac = -frac;
    if (frac < 0) {
        frac += 4;
        --x;
    }
    x -= 15;
    int32_t s = 0;
    for (int i = 0, k = 3 - frac; i < 32; ++i, k += 4) s = L_mac(s, x[i], tab::kInter4[k]);
    return round16(L_shl(s, 1));
}

void agc2(const int16_t* in, int16_t* out, int n) {
    auto energy = [n](const int16_t* x) {
        int32_t s = 0;
        for (int i = 0; i < n; ++i) {
            const int16_t v = shr(x[i], 2);
            s = L_mac(s, v, v);
        }
        return s;
    };
    int32_t s = energy(out);
    if (s == 0) return;
    int16_t exp = sub(norm_l(s), 1);
    const int16_t gain_out = round16(L_shl(s, exp));
    s = energy(in);
    int16_t g0 = 0;
    if (s != 0) {
        const int16_t i = norm_l(s);
        const int16_t gain_in = round16(L_shl(s, i));
        exp = sub(exp, i);
        s = L_shr(L_shl(div_s(gain_out, gain_in), 7), exp);
        g0 = round16(L_shl(isqrt(s), 9));
    }
    for (int i = 0; i < n; ++i) out[i] = extract_h(L_shl(L_mult(out[i], g0), 2));
}

void scale_signal(int16_t* x, int n, int e) {
    if (e == 0) return;  // round(x 2^16) is x
    if (e <= 0) {
        // Shifting right, nothing saturates: (x 2^16 >> -e) + 2^15, top half.
        const int r = e < -31 ? 31 : -e;
        for (int i = 0; i < n; ++i) x[i] = static_cast<int16_t>((((x[i] * 65536) >> r) + 0x8000) >> 16);
        return;
    }
    // Shifting left: x 2^e saturated to 16 bits (every shift from 16 on saturates any x != 0).
    const int k = e > 16 ? 16 : e;
    for (int i = 0; i < n; ++i) x[i] = static_cast<int16_t>(std::clamp(x[i] * (1 << k), -32768, 32767));
}

}  // namespace dec
}  // namespace amrwbex

// GSM-AMR adaptive codebook: the closed-loop fractional pitch search (the reference Pitch_fr
// with its Enc_lag3 / Enc_lag6 index coding), the decoder's lag decoding with its erasure
// handling (Dec_lag3 / Dec_lag6) and the interpolation of the past excitation (Pred_lt_3or6).
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "amrnb/exc_internal.h"
#include "amrnb/exc_tables.h"
#include "amrnb/kernels.h"
#include "amrnb/lp_internal.h"
#include "common/basicop.h"
#include "common/mathop.h"
#include "voksc.h"

namespace voks::amrnb {
namespace {

constexpr int kPitMax = 143;
constexpr int kSearchTaps = 4;

// Per-rate parameters of the search: largest lag with fractions, 1/3 resolution, fraction
// range, integer range around the open-loop lag, range around the previous lag, minimum lag.
struct LagParams {
    int16_t max_frac_lag, flag3, first_frac, last_frac, int_low, int_range, frc_low, frc_range, pit_min;
};
LagParams lag_params(int mode) {
    switch (mode) {
        case vokRate4750:
        case vokRate5150:
            return {84, 1, -2, 2, 5, 10, 5, 9, 20};
        case vokRate7950:
            return {84, 1, -2, 2, 3, 6, 10, 19, 20};
        case vokRate12200:
            return {94, 0, -3, 3, 3, 6, 5, 9, 18};
        default:  // 5.9, 6.7, 7.4, 10.2
            return {84, 1, -2, 2, 3, 6, 5, 9, 20};
    }
}

bool four_bit(int mode) {
    return mode == vokRate4750 || mode == vokRate5150 || mode == vokRate5900 || mode == vokRate6700;
}

void get_range(int16_t t0, int16_t low, int16_t range, int16_t pit_min, int16_t& t0_min, int16_t& t0_max) {
    t0_min = sub(t0, low);
    if (t0_min < pit_min) t0_min = pit_min;
    t0_max = add(t0_min, range);
    if (t0_max > kPitMax) {
        t0_max = kPitMax;
        t0_min = sub(t0_max, range);
    }
}

int32_t abs_max(const int16_t* x, int n) {
    int32_t m = 0;
    for (int i = 0; i < n; ++i) m = std::max(m, std::abs(int32_t{x[i]}));
    return m;
}

// y[n] = sum_{i<=n} x[i] h[n-i] (Q12 response), saturating as the reference. No partial sum can
// saturate when 2 max|x| sum|h| < 2^31: the plain sums are taken then.
void convolve(const int16_t* x, const int16_t* h, int16_t* y) {
    int64_t sh = 0;
    for (int i = 0; i < kSubframe; ++i) sh += std::abs(int32_t{h[i]});
    if (2 * abs_max(x, kSubframe) * sh < (int64_t{1} << 31)) {
        // Exact sums in any order: with h reversed and zeros after it, y[n] is one whole dot
        // product of x with hz[39 - n ..], a loop the compiler turns into pmaddwd.
        int16_t hz[2 * kSubframe] = {};
        for (int i = 0; i < kSubframe; ++i) hz[i] = h[kSubframe - 1 - i];
        for (int n = 0; n < kSubframe; ++n) {
            const int16_t* r = hz + kSubframe - 1 - n;
            int32_t acc = 0;
            for (int i = 0; i < kSubframe; ++i) acc += int32_t{x[i]} * r[i];
            y[n] = extract_h(L_shl(2 * acc, 3));
        }
        return;
    }
    for (int n = 0; n < kSubframe; ++n) {
        int32_t s = 0;
        for (int i = 0; i <= n; ++i) s = L_mac(s, x[i], h[n - i]);
        y[n] = extract_h(L_shl(s, 3));
    }
}

int32_t mac_chain(const int16_t* a, const int16_t* b) {
    int32_t s = 0;
    for (int i = 0; i < kSubframe; ++i) s = L_mac(s, a[i], b[i]);
    return s;
}

// Normalised correlation of the target with the filtered past excitation, lags t_min..t_max
// (corr[t - t_min]); exc points at the current subframe.
void norm_corr(const int16_t* exc, const int16_t* xn, const int16_t* h, int t_min, int t_max, int16_t* corr) {
    int16_t excf[kSubframe];
    int k = -t_min;
    convolve(exc + k, h, excf);
    int16_t h_fac = 3, scaling = 0;
    if (mac_chain(excf, excf) > 67108864) {
        for (int16_t& v : excf) v = shr(v, 2);
        h_fac = 1;
        scaling = 2;
    }
    // The filtered excitation of the next lag adds exc[k] h[j] << (1 + h_fac) >> 16: when that
    // product cannot saturate it is (exc[k] h[j]) >> (15 - h_fac).
    const bool exact_update =
        (int64_t{2} * abs_max(exc - t_max, t_max - t_min) * abs_max(h, kSubframe) << h_fac) <= MAX_32;
    const int down = 15 - h_fac;
    int64_t exn = 0;
    for (int i = 0; i < kSubframe; ++i) exn += int32_t{xn[i]} * xn[i];
    for (int t = t_min; t <= t_max; ++t) {
        // The energy chain only grows, so it saturates exactly when its exact sum does; the
        // correlation chain cannot saturate when twice the larger energy fits 31 bits.
        int64_t e, c;
        kernels().dots(xn, excf, kSubframe, c, e);
        const int32_t energy = 2 * e >= MAX_32 ? MAX_32 : static_cast<int32_t>(2 * e);
        int32_t corr_xy;
        if (2 * (e > exn ? e : exn) <= MAX_32) {
            corr_xy = static_cast<int32_t>(2 * c);
        } else {
            corr_xy = mac_chain(xn, excf);
        }
        // extract_h(L_shl(Mpy_32(c_hi, c_lo, n_hi, n_lo), 16)) with n = 1/sqrt(energy) in
        // (0, 2^30): n_hi < 2^14 keeps every product and partial sum below 2^31, so only the
        // shift saturates, which is one clamp of the exact sum.
        const int32_t n = ownInvSqrt(energy);
        const int64_t nh = n >> 16, nl = (n >> 1) & 0x7FFF, ch = corr_xy >> 16, cl = (corr_xy >> 1) & 0x7FFF;
        const int64_t m = 2 * ch * nh + 2 * ((ch * nl) >> 15) + 2 * ((cl * nh) >> 15);
        corr[t - t_min] = static_cast<int16_t>(std::clamp<int64_t>(m, MIN_16, MAX_16));
        if (t != t_max) {
            --k;
            const int32_t e_k = exc[k];
            if (exact_update) {
                int16_t prev[kSubframe];
                std::memcpy(prev, excf, sizeof prev);
                for (int j = 1; j < kSubframe; ++j)
                    excf[j] =
                        static_cast<int16_t>(std::clamp(((e_k * h[j]) >> down) + prev[j - 1], -32768, 32767));
            } else {
                for (int j = kSubframe - 1; j > 0; --j)
                    excf[j] = add(extract_h(L_shl(L_mult(exc[k], h[j]), h_fac)), excf[j - 1]);
            }
            excf[0] = shr(exc[k], scaling);
        }
    }
}

// The correlation interpolated at fraction frac (thirds when flag3, else sixths) of x[0].
int16_t interpolate_corr(const int16_t* x, int frac, bool flag3) {
    if (flag3) frac *= 2;
    if (frac < 0) {
        frac += 6;
        --x;
    }
    int32_t s = 0;
    for (int i = 0, k = 0; i < kSearchTaps; ++i, k += 6) {
        s = L_mac(s, x[-i], kInterSearch[frac + k]);
        s = L_mac(s, x[1 + i], kInterSearch[6 - frac + k]);
    }
    return round_fx(s);
}

void search_frac(int16_t& lag, int16_t& frac, int16_t last_frac, const int16_t* corr, bool flag3) {
    int16_t max = interpolate_corr(corr + lag, frac, flag3);
    for (int i = frac + 1; i <= last_frac; ++i) {
        const int16_t c = interpolate_corr(corr + lag, i, flag3);
        if (c > max) {
            max = c;
            frac = static_cast<int16_t>(i);
        }
    }
    if (!flag3) {
        if (frac == -3) {
            frac = 3;
            --lag;
        }
    } else {
        if (frac == -2) {
            frac = 1;
            --lag;
        }
        if (frac == 2) {
            frac = -1;
            ++lag;
        }
    }
}

// The previous lag limited to the 4-bit window of a relative subframe.
int16_t window_centre(int16_t prev, int16_t t0_min, int16_t t0_max) {
    int16_t t = prev;
    if (sub(sub(t, t0_min), 5) > 0) t = add(t0_min, 5);
    if (sub(sub(t0_max, t), 4) > 0) t = sub(t0_max, 4);
    return t;
}

int16_t enc_lag3(int16_t t0, int16_t frac, int16_t prev, int16_t t0_min, int16_t t0_max, bool delta,
                 bool flag4) {
    if (!delta) return t0 <= 85 ? static_cast<int16_t>(3 * t0 - 58 + frac) : static_cast<int16_t>(t0 + 112);
    if (!flag4) return static_cast<int16_t>(3 * (t0 - t0_min) + 2 + frac);
    const int16_t c = window_centre(prev, t0_min, t0_max);
    const int up = 3 * t0 + frac, lo = 3 * (c - 2);
    if (lo >= up) return static_cast<int16_t>(t0 - c + 5);
    if (3 * (c + 1) > up) return static_cast<int16_t>(up - lo + 3);
    return static_cast<int16_t>(t0 - c + 11);
}

int16_t enc_lag6(int16_t t0, int16_t frac, int16_t t0_min, bool delta) {
    if (!delta) return t0 <= 94 ? static_cast<int16_t>(6 * t0 - 105 + frac) : static_cast<int16_t>(t0 + 368);
    return static_cast<int16_t>(6 * (t0 - t0_min) + 3 + frac);
}

}  // namespace

void pred_lt(int16_t* exc, int t0, int frac, bool flag3) {
    const int16_t* x0 = exc - t0;
    frac = -frac;
    if (flag3) frac *= 2;
    if (frac < 0) {
        frac += 6;
        --x0;
    }
    // Each output reads exc[j - t0 - 10 .. j - t0 + 10]: for t0 > 10, history or outputs already
    // written. With every such |x| <= m and the 20 taps' sum of |c| at this fraction sc, the
    // saturating chain stays below 2 m sc, so when m sc < 2^30 it equals the exact sum. The
    // exact sums come first; one bound over the history and every output then confirms them
    // (each sample met it as it was computed), or the chain runs again.
    int16_t w[20];  // w[k] weighs x0[j - 9 + k]: the 20 taps as one dot product
    int32_t sc = 0;
    for (int i = 0, k = 0; i < 10; ++i, k += 6) {
        w[9 - i] = kInterPred[frac + k];
        w[10 + i] = kInterPred[6 - frac + k];
    }
    for (int k = 0; k < 20; ++k) sc += w[k] < 0 ? -w[k] : w[k];
    if (t0 > 10) {
        for (int j = 0; j < kSubframe; ++j) {
            int32_t s = 0;
            for (int k = 0; k < 20; ++k) s += int32_t{x0[j - 9 + k]} * w[k];
            // |s| <= 32768 * 61708 (the largest sc) < 2^31; beyond 2^30 the bound fails and the
            // block is recomputed.
            exc[j] = s >= (1 << 30) - 0x4000 ? MAX_16 : s < -(1 << 30) ? MIN_16 : round_fx(2 * s);
        }
        int32_t m = 0;
        for (const int16_t* p = exc - t0 - 10; p < exc + kSubframe; ++p) {
            const int32_t t = *p < 0 ? -int32_t{*p} : *p;
            m = t > m ? t : m;
        }
        if (int64_t{m} * sc < (int64_t{1} << 30)) return;
    }
    for (int j = 0; j < kSubframe; ++j) {
        const int16_t* x1 = x0 + j;
        const int16_t* x2 = x1 + 1;
        int32_t s = 0;
        for (int i = 0, k = 0; i < 10; ++i, k += 6) {
            s = L_mac(s, x1[-i], kInterPred[frac + k]);
            s = L_mac(s, x2[i], kInterPred[6 - frac + k]);
        }
        exc[j] = round_fx(s);
    }
}

int16_t pitch_search(const int16_t* xn, const int16_t* h, const int16_t* t_op, int16_t& prev_lag,
                     int16_t* exc, int16_t& frac_out, int16_t& index, int subframe, int mode) {
    const LagParams p = lag_params(mode);
    int16_t frac = p.first_frac, last_frac = p.last_frac, t0_min, t0_max;
    // Subframes 0 and 2 search around the open-loop lag, except subframe 2 at 4.75 and 5.15.
    const bool delta = !(subframe == 0 || (subframe == 2 && mode != vokRate4750 && mode != vokRate5150));
    if (!delta)
        get_range(t_op[subframe == 0 ? 0 : 1], p.int_low, p.int_range, p.pit_min, t0_min, t0_max);
    else
        get_range(prev_lag, p.frc_low, p.frc_range, p.pit_min, t0_min, t0_max);
    const int t_min = t0_min - kSearchTaps, t_max = t0_max + kSearchTaps;
    int16_t corr_v[40];
    norm_corr(exc, xn, h, t_min, t_max, corr_v);
    const int16_t* corr = corr_v - t_min;  // indexed by lag
    int16_t lag = t0_min, max = corr[t0_min];
    for (int i = t0_min + 1; i <= t0_max; ++i)
        if (corr[i] >= max) {
            max = corr[i];
            lag = static_cast<int16_t>(i);
        }
    const bool flag3 = p.flag3 != 0;
    if (!delta && lag > p.max_frac_lag) {
        frac = 0;
    } else if (delta && four_bit(mode)) {
        // The 4-bit code covers fractions only next to the previous lag.
        const int16_t c = window_centre(prev_lag, t0_min, t0_max);
        if (lag == c || lag == c - 1) {
            search_frac(lag, frac, last_frac, corr, flag3);
        } else if (lag == c - 2) {
            frac = 0;
            search_frac(lag, frac, last_frac, corr, flag3);
        } else if (lag == c + 1) {
            last_frac = 0;
            search_frac(lag, frac, last_frac, corr, flag3);
        } else {
            frac = 0;
        }
    } else {
        search_frac(lag, frac, last_frac, corr, flag3);
    }
    index = flag3 ? enc_lag3(lag, frac, prev_lag, t0_min, t0_max, delta, four_bit(mode))
                  : enc_lag6(lag, frac, t0_min, delta);
    prev_lag = lag;
    frac_out = frac;
    pred_lt(exc, lag, frac, flag3);
    return lag;
}

bool pitch_decode(int index, int16_t& prev_lag, int16_t& lag_buf, int16_t& lag, int16_t& frac, int subframe,
                  bool bfi, bool background, int16_t voiced_hangover, int mode) {
    const bool relative = !(subframe == 0 || (subframe == 2 && mode != vokRate4750 && mode != vokRate5150));
    const int16_t idx = static_cast<int16_t>(index);
    int16_t t0, t0_frac, used, used_frac;
    if (mode == vokRate12200) {
        if (!relative) {
            if (idx < 463) {
                t0 = add(mult(add(idx, 5), 5462), 17);
                t0_frac = add(sub(idx, static_cast<int16_t>(6 * t0)), 105);
            } else {
                t0 = sub(idx, 368);
                t0_frac = 0;
            }
        } else {
            int16_t t0_min, t0_max;
            get_range(lag, 5, 9, 18, t0_min, t0_max);
            const int16_t i = sub(mult(add(idx, 5), 5462), 1);
            t0 = add(i, t0_min);
            t0_frac = sub(sub(idx, 3), static_cast<int16_t>(6 * i));
        }
        used = t0;
        used_frac = t0_frac;
        if (bfi || (relative && idx >= 61)) {
            used = prev_lag;
            used_frac = 0;
        }
    } else {
        const bool wide = mode == vokRate7950;
        int16_t t0_min, t0_max;
        get_range(prev_lag, wide ? 10 : 5, wide ? 19 : 9, 20, t0_min, t0_max);
        if (!relative) {
            if (idx < 197) {
                t0 = add(mult(add(idx, 2), 10923), 19);
                t0_frac = add(sub(idx, static_cast<int16_t>(3 * t0)), 58);
            } else {
                t0 = sub(idx, 112);
                t0_frac = 0;
            }
        } else if (!four_bit(mode)) {
            const int16_t i = sub(mult(add(idx, 2), 10923), 1);
            t0 = add(i, t0_min);
            t0_frac = sub(sub(idx, 2), static_cast<int16_t>(3 * i));
        } else {
            const int16_t c = window_centre(prev_lag, t0_min, t0_max);
            if (idx < 4) {
                t0 = add(sub(c, 5), idx);
                t0_frac = 0;
            } else if (idx < 12) {
                const int16_t i = sub(mult(sub(idx, 5), 10923), 1);
                t0 = add(i, c);
                t0_frac = sub(sub(idx, 9), static_cast<int16_t>(3 * i));
            } else {
                t0 = add(add(sub(idx, 12), c), 1);
                t0_frac = 0;
            }
        }
        used = t0;
        used_frac = t0_frac;
        int16_t prev = prev_lag;
        if (bfi) {
            if (prev < kPitMax) prev = add(prev, 1);
            used = prev;
            used_frac = 0;
            if (background && voiced_hangover > 4 &&
                (mode == vokRate4750 || mode == vokRate5150 || mode == vokRate5900))
                used = t0;
        }
        // Lags outside the excitation history cannot be interpolated: such an index is refused
        // before anything is written.
        if (used < 1 || used > kPitMax + 1) return false;
        prev_lag = prev;
        lag_buf = t0;
        lag = used;
        frac = used_frac;
        return true;
    }
    if (used < 1 || used > kPitMax + 1) return false;
    if (bfi || (relative && idx >= 61)) lag_buf = t0;
    lag = used;
    frac = used_frac;
    return true;
}

}  // namespace voks::amrnb

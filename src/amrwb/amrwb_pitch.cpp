// AMR-WB adaptive codebook decoding: lag decoding, lag concealment of bad frames and the
// quarter-sample interpolation of the past excitation.
#include <algorithm>

#include "amrwb/amrwb_internal.h"
#include "amrwb/amrwb_tables.h"
#include "amrwb/kernels.h"
#include "common/basicop.h"

namespace voks::amrwb {

void interpolate_lag(int16_t* exc, int lag, int frac, int n) {
    kernels().pred_lt4(exc, lag, frac, n);
}

void lag_window(int lag, int16_t* bounds) {
    int lo = std::max(lag - 8, kPitchMin), hi = lo + 15;
    if (hi > kPitchMax) {
        hi = kPitchMax;
        lo = hi - 15;
    }
    bounds[0] = static_cast<int16_t>(lo);
    bounds[1] = static_cast<int16_t>(hi);
}

void decode_lag(int index, bool absolute, bool coarse, int16_t* bounds, int& lag, int& frac) {
    if (absolute) {
        if (coarse) {
            if (index < (92 - kPitchMin) * 2) {
                lag = kPitchMin + (index >> 1);
                frac = (index - ((lag - kPitchMin) << 1)) << 1;
            } else {
                lag = index + 92 - (92 - kPitchMin) * 2;
                frac = 0;
            }
        } else if (index < (128 - kPitchMin) * 4) {
            lag = kPitchMin + (index >> 2);
            frac = index - ((lag - kPitchMin) << 2);
        } else if (index < (128 - kPitchMin) * 4 + (160 - 128) * 2) {
            const int i = index - (128 - kPitchMin) * 4;
            lag = 128 + (i >> 1);
            frac = (i - ((lag - 128) << 1)) << 1;
        } else {
            lag = index + 160 - (128 - kPitchMin) * 4 - (160 - 128) * 2;
            frac = 0;
        }
        lag_window(lag, bounds);
    } else if (coarse) {
        lag = bounds[0] + (index >> 1);
        frac = (index - ((lag - bounds[0]) << 1)) << 1;
    } else {
        lag = bounds[0] + (index >> 2);
        frac = index - ((lag - bounds[0]) << 2);
    }
}

namespace {

// seed = seed * 31821 + 13849 (16 bits).
int16_t random16(int16_t& seed) {
    seed = extract_l(L_add(L_shr(L_mult(seed, 31821), 1), 13849));
    return seed;
}

// The mean of the three largest past lags, moved at random by up to half their spread.
int16_t random_lag(const int16_t* lags, int16_t& seed) {
    int16_t s[5];
    std::copy(lags, lags + 5, s);
    std::sort(s, s + 5);
    int16_t spread = sub(s[4], s[2]);
    if (spread > 40) spread = 40;
    const int16_t d = mult(shr(spread, 1), random16(seed));
    return add(mult(add(add(s[2], s[3]), s[4]), 10923), d);
}

}  // namespace

void conceal_lag(const int16_t* gains, const int16_t* lags, int16_t last_good, int16_t& seed, bool lost,
                 int& lag) {
    const int16_t last_gain = gains[4], second_gain = gains[3], last_lag = lags[0];
    const int16_t min_lag = *std::min_element(lags, lags + 5), max_lag = *std::max_element(lags, lags + 5);
    const int16_t min_gain = *std::min_element(gains, gains + 5);
    const int16_t spread = sub(max_lag, min_lag);
    const auto replace = [&](bool keep_last_good) {
        int16_t t;
        if (keep_last_good) {
            t = last_good;
        } else if (last_gain > 8192 && second_gain > 8192) {
            t = last_lag;
        } else {
            t = random_lag(lags, seed);
        }
        return t > max_lag ? max_lag : (t < min_lag ? min_lag : t);
    };
    if (lost) {
        lag = replace(min_gain > 8192 && spread < 10);
        return;
    }
    int16_t mean = 0;
    for (int i = 0; i < 5; ++i) mean = add(mean, lags[i]);
    mean = mult(mean, 6554);
    const int t = lag;
    const bool keep = (spread < 10 && t > min_lag - 5 && t - max_lag < 5) ||
                      (last_gain > 8192 && second_gain > 8192 && t - last_lag > -10 && t - last_lag < 10) ||
                      (min_gain < 6554 && last_gain == min_gain && t > min_lag && t < max_lag) ||
                      (spread < 70 && t > min_lag && t < max_lag) || (t > mean && t < max_lag);
    if (!keep) {
        // The usable-frame path replaces a lag by the last one, never by the last good lag.
        const int16_t r = (min_gain > 8192 && spread < 10) ? last_lag : replace(false);
        lag = r > max_lag ? max_lag : (r < min_lag ? min_lag : r);
    }
}

void hp_wsp(const int16_t* x, int16_t* y, int n, int16_t* mem) {
    static constexpr int16_t a[4] = {8192, 21663, -19258, 5734}, b[4] = {-3432, 10280, -10280, 3432};
    int16_t y3h = mem[0], y3l = mem[1], y2h = mem[2], y2l = mem[3], y1h = mem[4], y1l = mem[5];
    int16_t x0 = mem[6], x1 = mem[7], x2 = mem[8];
    for (int i = 0; i < n; ++i) {
        const int16_t x3 = x2;
        x2 = x1;
        x1 = x0;
        x0 = x[i];
        int32_t t = L_mac(L_mac(L_mac(16384, y1l, a[1]), y2l, a[2]), y3l, a[3]);
        t = L_shr(t, 15);
        t = L_mac(L_mac(L_mac(t, y1h, a[1]), y2h, a[2]), y3h, a[3]);
        t = L_mac(L_mac(L_mac(L_mac(t, x0, b[0]), x1, b[1]), x2, b[2]), x3, b[3]);
        t = L_shl(t, 2);
        y3h = y2h;
        y3l = y2l;
        y2h = y1h;
        y2l = y1l;
        L_Extract(t, y1h, y1l);
        y[i] = round_fx(L_shl(t, 1));
    }
    const int16_t out[9] = {y3h, y3l, y2h, y2l, y1h, y1l, x0, x1, x2};
    std::copy(out, out + 9, mem);
}

namespace {

// Median of five values.
int16_t median5(const int16_t* v) {
    int16_t s[5];
    std::copy(v, v + 5, s);
    std::sort(s, s + 5);
    return s[2];
}

}  // namespace

int16_t open_loop_lag(const int16_t* wsp, const int16_t* hp, int n, int16_t* median_lag, int16_t* ada_w,
                      int16_t* tone, int16_t* gain, int16_t* prev_lags, int16_t* weight_flag) {
    constexpr int lmin = kPitchMin / 2, lmax = kPitchMax / 2;
    // Lags above lmin, weighted towards short lags and, when the weighting is on, around the
    // median of the past lags.
    const int16_t* ww = &kCorrWeight[198];
    const bool centred = *median_lag > 0 && *weight_flag > 0;
    const int16_t* we = centred ? &kCorrWeight[98 + lmax - *median_lag] : nullptr;
    int32_t best = MIN_32;
    int lag = 0;
    int32_t corr[lmax - lmin];
    kernels().mac_xcorr(wsp, wsp, n, lmax, lmax - lmin, 0, corr);
    for (int i = lmax; i > lmin; --i) {
        int32_t r = corr[lmax - i];
        int16_t hi, lo;
        L_Extract(r, hi, lo);
        r = Mpy_32_16(hi, lo, *ww--);
        if (centred) {
            L_Extract(r, hi, lo);
            r = Mpy_32_16(hi, lo, *we--);
        }
        if (r >= best) {
            best = r;
            lag = i;
        }
    }
    // Normalised correlation of the high-passed signal at that lag.
    int32_t r0, r1, r2;
    kernels().mac_xcorr(hp, hp, n, lag, 1, 0, &r0);
    kernels().mac_xcorr(hp - lag, hp - lag, n, 0, 1, 1, &r1);
    kernels().mac_xcorr(hp, hp, n, 0, 1, 1, &r2);
    int16_t e0 = norm_l(r0), e1 = norm_l(r1);
    const int16_t e2 = norm_l(r2);
    r0 = L_shl(r0, e0);
    r1 = L_shl(r1, e1);
    r2 = L_shl(r2, e2);
    r1 = L_mult(round_fx(r1), round_fx(r2));
    const int16_t k = norm_l(r1);
    r1 = L_shl(r1, k);
    e1 = sub(62, add(add(e1, e2), k));
    inv_sqrt_normalised(r1, e1);
    r0 = L_mult(round_fx(r0), round_fx(r1));
    e0 = add(sub(31, e0), e1);
    *gain = round_fx(L_shl(r0, e0));

    if (*gain > 19661) {
        for (int i = 4; i > 0; --i) prev_lags[i] = prev_lags[i - 1];
        prev_lags[0] = static_cast<int16_t>(lag);
        *median_lag = median5(prev_lags);
        *ada_w = 32767;
    } else {
        *ada_w = mult(*ada_w, 29491);
    }
    *weight_flag = *ada_w < 26214 ? 0 : 1;
    *tone = shr(*tone, 1);
    if (*gain > 21298) *tone = static_cast<int16_t>(*tone | 0x4000);
    return static_cast<int16_t>(lag * 2);
}

namespace {

constexpr int kCorrTaps = 4;  // half length of the correlation interpolation filter

// Normalised correlation of the target with the past excitation filtered by h, for lags
// tmin..tmax (corr[t - tmin]); the filtered excitation is updated recursively from lag to lag.
void normalised_correlation(const int16_t* exc, const int16_t* xn, const int16_t* h, int tmin, int tmax,
                            int16_t* corr) {
    constexpr int n = kSubframe;
    int32_t cor[16 + 2 * kCorrTaps], ener[16 + 2 * kCorrTaps];  // windows of 16 lags
    kernels().pitch_sums(exc, xn, h, tmin, tmax, cor, ener);
    int32_t t;
    kernels().mac_xcorr(xn, xn, n, 0, 1, 1, &t);
    const int16_t scale = negate(shr(add(sub(30, norm_l(t)), 2), 1));
    for (int lag = tmin; lag <= tmax; ++lag) {
        t = cor[lag - tmin];
        int16_t e = norm_l(t);
        const int16_t c = extract_h(L_shl(t, e));
        const int16_t exp_corr = sub(30, e);
        t = ener[lag - tmin];
        e = norm_l(t);
        t = L_shl(t, e);
        int16_t exp_norm = sub(30, e);
        inv_sqrt_normalised(t, exp_norm);
        t = L_shl(L_mult(c, extract_h(t)), add(add(exp_corr, exp_norm), scale));
        corr[lag - tmin] = round_fx(t);
    }
}

// The correlation interpolated at x + frac / 4 (frac -4..3).
int16_t interpolate_corr(const int16_t* x, int frac) {
    if (frac < 0) {
        frac += 4;
        --x;
    }
    x -= kCorrTaps - 1;
    int32_t s = 0;
    for (int i = 0, k = 3 - frac; i < 2 * kCorrTaps; ++i, k += 4) s = L_mac(s, x[i], kInterp4Corr[k]);
    return round_fx(L_shl(s, 1));
}

}  // namespace

int search_lag(const int16_t* exc, const int16_t* xn, const int16_t* h, int t0_min, int t0_max, bool absolute,
               bool coarse, int& frac) {
    const int fr2 = coarse ? kPitchMin : 128, fr1 = coarse ? 92 : 160;
    int16_t corr_v[16 + 2 * kCorrTaps];
    const int tmin = t0_min - kCorrTaps;
    normalised_correlation(exc, xn, h, tmin, t0_max + kCorrTaps, corr_v);
    const int16_t* corr = corr_v - tmin;
    int16_t best = corr[t0_min];
    int t0 = t0_min;
    for (int i = t0_min + 1; i <= t0_max; ++i) {
        if (corr[i] >= best) {
            best = corr[i];
            t0 = i;
        }
    }
    if (absolute && t0 >= fr1) {
        frac = 0;
        return t0;
    }
    int step = 1, f = -3;
    if ((absolute && t0 >= fr2) || fr2 == kPitchMin) {
        step = 2;
        f = -2;
    }
    if (t0 == t0_min) f = 0;
    best = interpolate_corr(&corr[t0], f);
    for (int i = f + step; i <= 3; i += step) {
        const int16_t v = interpolate_corr(&corr[t0], i);
        if (v > best) {
            best = v;
            f = i;
        }
    }
    if (f < 0) {
        f += 4;
        --t0;
    }
    frac = f;
    return t0;
}

int encode_lag(int lag, int frac, bool absolute, bool coarse, int t0_min) {
    if (!absolute) return coarse ? ((lag - t0_min) << 1) + (frac >> 1) : ((lag - t0_min) << 2) + frac;
    if (coarse) return lag < 92 ? (lag << 1) + (frac >> 1) - kPitchMin * 2 : lag - 92 + (92 - kPitchMin) * 2;
    if (lag < 128) return (lag << 2) + frac - kPitchMin * 4;
    if (lag < 160) return (lag << 1) + (frac >> 1) - 128 * 2 + (128 - kPitchMin) * 4;
    return lag - 160 + (128 - kPitchMin) * 4 + (160 - 128) * 2;
}

}  // namespace voks::amrwb

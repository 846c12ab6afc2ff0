// AMR-WB adaptive codebook decoding: lag decoding, lag concealment of bad frames and the
// quarter-sample interpolation of the past excitation.
#include <algorithm>

#include "amrwb/amrwb_internal.h"
#include "amrwb/amrwb_tables.h"
#include "common/basicop.h"

namespace voks::amrwb {

void interpolate_lag(int16_t* exc, int lag, int frac, int n) {
    const int16_t* x = exc - lag;
    frac = -frac;
    if (frac < 0) {
        frac += 4;
        --x;
    }
    x -= 15;
    for (int j = 0; j < n; ++j, ++x) {
        int32_t s = 0;
        for (int i = 0, k = 3 - frac; i < 32; ++i, k += 4) s = L_mac(s, x[i], kInterp4[k]);
        exc[j] = round_fx(L_shl(s, 1));
    }
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

}  // namespace voks::amrwb

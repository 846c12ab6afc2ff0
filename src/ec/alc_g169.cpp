// G.169 automatic level control, one block of 8 samples at a time.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ec/alc_internal.h"

namespace voks::ec {

namespace {

constexpr int16_t kCountMax = 16383;

int16_t count_up(int16_t c) {
    return static_cast<int16_t>(std::min<int>(c + 1, kCountMax));
}

// Level trackers: the smoothed and peak levels, the noise estimate and the second tracker.
// Returns U, the second tracker's value.
float track_levels(AlcState& s) {
    s.smooth = 0.8f * s.m + 0.2f * s.smooth;
    s.peak = std::max(s.smooth, 0.99f * s.peak);
    float n = s.noise;
    if (s.noise > s.smooth) {
        n = 0.9f * s.noise + 0.1f * s.smooth;
    } else if (2.0f * s.noise > s.smooth) {
        n = 0.99f * s.noise + 0.01f * s.smooth;
    }
    float floor = 0.0f;
    if (s.bursts >= 1 && !(s.bursts == 1 && (s.active < 501 || s.beta >= 0.0025f)))
        floor = 1456.7665f * s.level;
    s.noise = std::min(s.noise_hi, std::max(floor, std::max(s.noise_lo, n)));
    s.noise4 = 4.0f * s.noise;
    const float t =
        s.tracker > s.smooth ? 0.7f * s.tracker + 0.3f * s.smooth : 0.99f * s.tracker + 0.01f * s.smooth;
    s.tracker = std::max(s.noise, t);
    return s.tracker;
}

// Speech bursts: start on a peak above the noise, end after the hangover; a burst of fewer
// than 50 active blocks is withdrawn.
void track_bursts(AlcState& s) {
    if (s.m > s.noise4) s.active = count_up(s.active);
    if (s.peak > s.noise4) {
        s.h = 0;
        if (!s.speech) {
            s.saved_power = s.power;
            s.saved_target = s.gain_target;
            s.saved_beta = s.beta;
            s.bursts = count_up(s.bursts);
            s.speech = 1;
            s.lambda = 0.7f;
        }
    } else if (s.speech) {
        s.h = count_up(s.h);
        if (s.h >= s.hangover) {
            s.speech = 0;
            if (s.active < 50) {
                s.bursts = static_cast<int16_t>(s.bursts - 1);
                s.power = s.saved_power;
                s.gain_target = s.saved_target;
                s.beta = s.saved_beta;
            }
            s.active = 0;
        }
    } else {
        s.active = 0;
    }
}

// The long-term speech power P, its tracking factor and the speech level L.
void track_power(AlcState& s) {
    float b = s.beta;
    bool update = false;
    if (s.speech) {
        if (s.bursts == 1 && s.active < 500) {
            if (0.1f * s.energy > s.power) b = std::max(0.05f, s.beta);
            if (s.noise4 > s.smooth) {
                s.lambda = 0.7f;
            } else {
                update = true;
            }
        } else if (s.noise4 > s.smooth) {
            if (s.active < 500) s.lambda = 0.7f;
        } else {
            update = true;
        }
    } else {
        b = s.bursts >= 1 ? std::max(s.beta_min, s.beta) : 0.1f;
    }
    if (update && (s.m >= s.noise4 || s.active >= 20)) {
        b = b - b * b;
        s.power = (1.0f - b) * s.power + b * s.energy;
    }
    s.level = std::sqrt(s.power) * s.lambda;
    s.beta = std::max(s.beta_floor, b);
    if (s.active < 500) s.lambda = std::min(0.89f, s.lambda * 1.000461f);
}

void block(AlcState& s, const int16_t* x, int16_t* y) {
    float sum_abs = 0.0f, sum_sq = 0.0f;
    int peak = 0;
    for (int i = 0; i < kAlcBlock; ++i) {
        const int a = std::abs(static_cast<int>(x[i]));
        sum_abs += static_cast<float>(a);
        peak = std::max(peak, a);
    }
    s.m = 0.125f * sum_abs;
    const float u = track_levels(s);
    track_bursts(s);
    s.rate = s.rate0;
    if (s.bursts == 1 && (s.active < 10 || (s.active < 500 && 3.0f * u > s.smooth))) s.rate = 0.0f;
    if (s.speech) {
        if (s.peak > s.speech_level) {
            s.speech_level = s.peak;
        } else if (s.peak > s.noise4) {
            s.speech_level = 0.999f * s.speech_level + 0.001f * s.peak;
        }
    } else {
        s.speech_level = s.bursts == 0 ? s.peak : s.level;
    }
    for (int i = 0; i < kAlcBlock; ++i) {
        const float v = static_cast<float>(x[i]);
        sum_sq += v * v;
    }
    s.energy = 0.125f * sum_sq;
    track_power(s);
    if (s.speech) {
        float cap, q;
        // The divisions run only on positive levels: a zero target (a level far below full
        // scale) meeting a zero speech level would otherwise give 0/0.
        if (s.level > 0.0f && s.target <= s.level * s.max_gain) {
            cap = q = s.target / s.level;
        } else {
            cap = s.max_gain;
            q = s.speech_level > 0.0f && s.target <= s.max_gain * s.speech_level ? s.target / s.speech_level
                                                                                 : s.max_gain;
        }
        s.gain_target = std::min(cap, s.gain_target + s.rate * q);
    }
    const float slew = 1.1f * s.slew;
    s.gain = std::min(s.gain_target, s.gain + s.slew * (s.gain_target - s.gain));
    s.block_peak = static_cast<float>(peak);
    if (s.gain * s.block_peak > s.max_level) {
        s.gain = s.max_level / s.block_peak;
        s.slew = 0.001f;
    } else {
        s.slew = std::min(1.0f, slew);
    }
    for (int i = 0; i < kAlcBlock; ++i) {
        // A NaN (only from a block holding arbitrary bytes) gives 0.
        const float v = std::trunc(static_cast<float>(x[i]) * s.gain);
        y[i] = static_cast<int16_t>(v >= 32767.0f    ? 32767.0f
                                    : v <= -32768.0f ? -32768.0f
                                    : v == v         ? v
                                                     : 0.0f);
    }
}

}  // namespace

void alc_init(AlcState& s) {
    s = AlcState{};
    s.target = 1623.4912f;
    s.max_level = 32767.0f;
    s.noise_lo = 4.125246f;
    s.noise_hi = 65.38f;
    s.max_gain = 3.8019f;
    s.beta_min = 0.02f;
    s.beta_floor = 0.0033333f;
    s.hangover = 200.0f;
    s.rate0 = 0.01f;
    s.h = 200;
    s.noise = s.noise4 = 65.38f;
    s.tracker = 32767.0f;
    s.beta = s.saved_beta = 0.1f;
    s.lambda = 0.7f;
    s.gain_target = s.saved_target = 0.03125f;
    s.slew = 1.0f;
}

void alc_run(AlcState& s, const int16_t* in, int16_t* out, int n) {
    for (int i = 0; i < n; i += kAlcBlock) block(s, in + i, out + i);
}

}  // namespace voks::ec

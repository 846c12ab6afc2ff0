// GSM-AMR open-loop pitch search: the perceptual weighting of the frame, then the reference
// Pitch_ol (three lag sections, small lags favoured) or, at 10.2 kbit/s, Pitch_ol_wgh (lag
// weighting towards the median of past lags), with the side outputs of the two VAD options.
#include <cstring>

#include "amrnb/lp_internal.h"
#include "amrnb/lp_tables.h"
#include "common/basicop.h"
#include "common/kernels.h"
#include "common/mathop.h"
#include "voksc.h"

namespace voks::amrnb {
namespace {

constexpr int kPitMax = 143;
constexpr int16_t kToneThreshold = 21298;  // 0.65

// Residual through A(z) then synthesis through 1/B(z), with the 10 past outputs at y[-10..-1].
void weight_subframe(const int16_t* a, const int16_t* b, const int16_t* x, int16_t* y) {
    int16_t res[kSubframe];
    residu(a, x, res, kSubframe);
    syn_filt(b, res, y, kSubframe);
}

int32_t mac_chain(const int16_t* a, const int16_t* b, int n) {
    int32_t s = 0;
    for (int i = 0; i < n; ++i) s = L_mac(s, a[i], b[i]);
    return s;
}

// The chain of L_mac(x[i], x[i]) from 0: its terms are never negative, so it saturates exactly
// when the exact sum passes MAX_32 (a term of -32768 squared, saturated to MAX_32 alone, passes
// it too) and stays there.
int32_t energy_chain(const int16_t* x, int n) {
    const int64_t e = common::kernels().energy(x, n);
    return 2 * e > MAX_32 ? MAX_32 : static_cast<int32_t>(2 * e);
}

// The signal x[-143 .. n-1] scaled by 1/8 when its energy saturates, by 8 when it is below
// 2^20, into scaled[-143 ..]; returns the scale exponent (3, -3 or 0).
int scale_signal(const int16_t* x, int n, int16_t* scaled) {
    const int32_t e = energy_chain(x - kPitMax, kPitMax + n);
    int f = e == MAX_32 ? 3 : e < 1048576 ? -3 : 0;
    for (int i = -kPitMax; i < n; ++i) scaled[i] = f == 3 ? shr(x[i], 3) : f == -3 ? shl(x[i], 3) : x[i];
    return f;
}

// corr[t] = sum x[i] x[i - t] for t = lag_min .. 143, as the reference's saturating chains.
// When twice the energy of x[-143 .. n-1] fits 31 bits no partial sum of any chain can saturate
// (each is bounded by that energy), so the exact sums are taken directly.
void correlations(const int16_t* x, int n, int lag_min, int32_t* corr) {
    const int64_t e = common::kernels().energy(x - kPitMax, kPitMax + n);
    if (2 * e > MAX_32) {
        for (int t = kPitMax; t >= lag_min; --t) corr[t] = mac_chain(x, x - t, n);
        return;
    }
    int32_t c[kPitMax + 1];
    const int lags = kPitMax - lag_min + 1;
    common::kernels().xcorr(x, x - kPitMax, n, c, lags);  // c[k]: lag 143 - k
    for (int k = 0; k < lags; ++k) corr[kPitMax - k] = 2 * c[k];
}

// hp_max: the largest high-pass filtered correlation over the energy's high-pass form (Q15).
int16_t hp_max(const int32_t* corr, const int16_t* x, int n, int lag_min) {
    int32_t max = MIN_32;
    for (int i = kPitMax - 1; i > lag_min; --i) {
        const int32_t t = L_abs(L_sub(L_sub(L_shl(corr[i], 1), corr[i + 1]), corr[i - 1]));
        if (t >= max) max = t;
    }
    const int32_t t0 = L_abs(L_sub(L_shl(mac_chain(x, x, n), 1), L_shl(mac_chain(x, x - 1, n), 1)));
    const int16_t shift1 = sub(norm_l(max), 1), shift2 = norm_l(t0);
    const int16_t max16 = extract_h(L_shl(max, shift1)), t16 = extract_h(L_shl(t0, shift2));
    const int16_t c = t16 != 0 ? div_s(max16, t16) : int16_t{0};
    const int16_t shift = sub(shift1, shift2);
    return shift >= 0 ? shr(c, shift) : shl(c, negate(shift));
}

void tone_detect(int16_t* tone, int32_t max, int32_t energy) {
    const int16_t t = round_fx(energy);
    if (t > 0 && L_msu(max, t, kToneThreshold) > 0) *tone = static_cast<int16_t>(*tone | 0x4000);
}

// One section of Pitch_ol's Lag_max: the best lag in [lo, hi] (the scan runs downwards and
// the smaller lag wins ties), its normalised correlation, and the raw maximum and energy.
int section_max(const int32_t* corr, const int16_t* x, int n, int hi, int lo, int scal_fac, bool scal_flag,
                int16_t& cor_max, int32_t& rmax, int32_t& r0) {
    int32_t max = MIN_32;
    int p = hi;
    for (int i = hi; i >= lo; --i)
        if (corr[i] >= max) {
            max = corr[i];
            p = i;
        }
    int32_t t0 = energy_chain(x - p, n);
    rmax = max;
    r0 = t0;
    t0 = ownInvSqrt(t0);
    if (scal_flag) t0 = L_shl(t0, 1);
    int16_t mh, ml, eh, el;
    L_Extract(max, mh, ml);
    L_Extract(t0, eh, el);
    t0 = Mpy_32(mh, ml, eh, el);
    cor_max = scal_flag ? extract_h(L_shl(L_shr(t0, static_cast<int16_t>(scal_fac)), 15)) : extract_l(t0);
    return p;
}

int pitch_ol(const int16_t* x, int n, int lag_min, bool scal_flag, OlSide& side, bool do_hp) {
    int16_t buf[kPitMax + kFrame];
    int16_t* s = buf + kPitMax;
    const int fac = scale_signal(x, n, s);
    int32_t corr_buf[kPitMax + 1];
    correlations(s, n, lag_min, corr_buf);
    // corr_buf[t] for t >= lag_min only.
    int16_t max[3];
    int32_t rmax[3], r0[3];
    int p[3];
    const int j4 = lag_min * 4, j2 = lag_min * 2;
    p[0] = section_max(corr_buf, s, n, kPitMax, j4, fac, scal_flag, max[0], rmax[0], r0[0]);
    p[1] = section_max(corr_buf, s, n, j4 - 1, j2, fac, scal_flag, max[1], rmax[1], r0[1]);
    p[2] = section_max(corr_buf, s, n, j2 - 1, lag_min, fac, scal_flag, max[2], rmax[2], r0[2]);
    if (side.tone)
        for (int k = 0; k < 3; ++k) tone_detect(side.tone, rmax[k], r0[k]);
    if (do_hp && side.hp_corr) *side.hp_corr = hp_max(corr_buf, s, n, lag_min);
    int best = 0;
    constexpr int16_t kFavour = 27853;  // 0.85: a smaller-lag section wins above this fraction
    if (mult(max[0], kFavour) < max[1]) {
        max[0] = max[1];
        best = 1;
    }
    if (mult(max[0], kFavour) < max[2]) best = 2;
    side.rmax = L_add(side.rmax, rmax[best]);
    side.r0 = L_add(side.r0, r0[best]);
    return p[best];
}

int pitch_ol_weighted(const int16_t* x, int lag_min, int16_t& median, int16_t& ada_w, int16_t* old_lags,
                      int16_t& gain_flag, OlSide& side, bool do_hp) {
    constexpr int n = kFrame / 2;
    int16_t buf[kPitMax + n];
    int16_t* s = buf + kPitMax;
    scale_signal(x, n, s);
    int32_t corr[kPitMax + 1];
    correlations(s, n, lag_min, corr);
    const bool weighted = ada_w >= 9830;
    int32_t max = MIN_32;
    int p = kPitMax;
    for (int i = kPitMax; i >= lag_min; --i) {
        int16_t h, l;
        L_Extract(corr[i], h, l);
        int32_t t = Mpy_32_16(h, l, kCorrWeight[250 - (kPitMax - i)]);
        if (weighted) {
            // The weight of the lag's distance to the median lag. The table covers distances
            // -123..127; the reference reads past its end for larger ones (a median below 16
            // while the lag history still holds its reset zeros): the edge weights apply there.
            int w = 123 + i - median;
            w = w < 0 ? 0 : w > 250 ? 250 : w;
            L_Extract(t, h, l);
            t = Mpy_32_16(h, l, kCorrWeight[w]);
        }
        if (t >= max) {
            max = t;
            p = i;
        }
    }
    int32_t c = 0, e = 0;
    for (int j = 0; j < n; ++j) {
        c = L_mac(c, s[j], s[j - p]);
        e = L_mac(e, s[j - p], s[j - p]);
    }
    if (side.tone) {
        *side.tone = shr(*side.tone, 1);
        tone_detect(side.tone, c, e);
    }
    side.rmax = L_add(side.rmax, c);
    side.r0 = L_add(side.r0, e);
    gain_flag = round_fx(L_msu(c, round_fx(e), 13107));
    if (gain_flag > 0) {
        for (int i = 4; i > 0; --i) old_lags[i] = old_lags[i - 1];
        old_lags[0] = static_cast<int16_t>(p);
        // Median of the five lags.
        int16_t tmp[5];
        std::memcpy(tmp, old_lags, sizeof tmp);
        int order[5];
        for (int i = 0; i < 5; ++i) {
            int16_t m = -32767;
            int ix = 0;
            for (int j = 0; j < 5; ++j)
                if (tmp[j] >= m) {
                    m = tmp[j];
                    ix = j;
                }
            tmp[ix] = MIN_16;
            order[i] = ix;
        }
        median = old_lags[order[2]];
        ada_w = 32767;
    } else {
        median = static_cast<int16_t>(p);
        ada_w = mult(ada_w, 29491);
    }
    if (do_hp && side.hp_corr) *side.hp_corr = hp_max(corr, s, n, lag_min);
    return p;
}

}  // namespace

void open_loop_pitch(const int16_t* wlpc1, const int16_t* wlpc2, const int16_t* speech, int16_t& median,
                     int16_t& ada_w, int16_t* old_lags, int16_t* prev_wsp, int16_t* lag, int16_t* gain_flag,
                     int mode, OlSide& side) {
    int16_t wsp[kPitMax + kFrame];
    std::memcpy(wsp, prev_wsp, kPitMax * sizeof(int16_t));
    int16_t* w = wsp + kPitMax;
    for (int k = 0; k < 4; ++k)
        weight_subframe(wlpc1 + 11 * k, wlpc2 + 11 * k, speech + kOrder + kSubframe * k, w + kSubframe * k);
    side.rmax = 0;
    side.r0 = 0;
    if (mode != vokRate10200) gain_flag[0] = gain_flag[1] = 0;
    if (mode == vokRate4750 || mode == vokRate5150) {
        if (side.tone) {
            *side.tone = shr(shr(*side.tone, 1), 1);
            *side.tone = static_cast<int16_t>(*side.tone | 0x2000);
        }
        lag[0] = lag[1] = static_cast<int16_t>(pitch_ol(w, kFrame, 20, false, side, true));
    } else {
        for (int h = 0; h < 2; ++h) {
            const int16_t* x = w + h * (kFrame / 2);
            if (mode == vokRate10200) {
                lag[h] = static_cast<int16_t>(
                    pitch_ol_weighted(x, 20, median, ada_w, old_lags, gain_flag[h], side, h == 1));
            } else {
                if (side.tone) *side.tone = shr(*side.tone, 1);
                // The SID rate searches the 12.2 lag range without its scaled normalisation.
                const bool wide = mode == vokRate12200 || mode == vokRateDTX;
                lag[h] = static_cast<int16_t>(
                    pitch_ol(x, kFrame / 2, wide ? 18 : 20, mode == vokRate12200, side, h == 1));
            }
        }
    }
    std::memcpy(prev_wsp, wsp + kFrame, kPitMax * sizeof(int16_t));
}

}  // namespace voks::amrnb

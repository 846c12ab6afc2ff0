// GSM-AMR voice activity detection, option 1 (the reference vad1): a 9-band filter bank, the
// SNR decision against the background-noise estimate, the complex-signal and stationarity
// detectors, the noise update and the hangover.
#include "amrnb/dtx_internal.h"
#include "amrnb/lp_internal.h"
#include "common/basicop.h"
#include "voksc.h"

namespace voks::amrnb {
namespace {

constexpr int kBands = 9;
constexpr int16_t kCoeff3 = 13363, kCoeff5a = 21955, kCoeff5b = 6390;
constexpr int16_t kNoiseMin = 40, kNoiseMax = 16000;
constexpr int16_t kAlphaUp1 = 1638, kAlphaDown1 = 2097, kAlphaUp2 = 491, kAlphaDown2 = 1867, kAlpha3 = 1638,
                  kAlpha4 = 3276, kAlpha5 = 16383;
constexpr int16_t kAdaptHigh = 19660, kAdaptLow = 16383, kInNoise = 21298, kHangThresh = 22936,
                  kMinCorr = 13106;
constexpr int16_t kAdaptSlow = 655, kAdaptFast = 2621, kAdaptReallyFast = 6553;

// The first two-band split of the input scaled by 1/4 (5th-order all-pass pair).
void first_stage(const int16_t* in, int16_t* out, int16_t* data) {
    int16_t d0 = data[0], d1 = data[1];
    for (int i = 0; i < kFrame / 4; ++i) {
        const int16_t t0 = sub(shr(in[4 * i], 2), mult(kCoeff5a, d0));
        int16_t t1 = add(d0, mult(kCoeff5a, t0));
        const int16_t t3 = sub(shr(in[4 * i + 1], 2), mult(kCoeff5b, d1));
        int16_t t2 = add(d1, mult(kCoeff5b, t3));
        out[4 * i] = add(t1, t2);
        out[4 * i + 1] = sub(t1, t2);
        d0 = sub(shr(in[4 * i + 2], 2), mult(kCoeff5a, t0));
        t1 = add(t0, mult(kCoeff5a, d0));
        d1 = sub(shr(in[4 * i + 3], 2), mult(kCoeff5b, t3));
        t2 = add(t3, mult(kCoeff5b, d1));
        out[4 * i + 2] = add(t1, t2);
        out[4 * i + 3] = sub(t1, t2);
    }
    data[0] = d0;
    data[1] = d1;
}

void filter5(int16_t& a, int16_t& b, int16_t* data) {
    int16_t t0 = sub(a, mult(kCoeff5a, data[0]));
    const int16_t t1 = add(data[0], mult(kCoeff5a, t0));
    data[0] = t0;
    t0 = sub(b, mult(kCoeff5b, data[1]));
    const int16_t t2 = add(data[1], mult(kCoeff5b, t0));
    data[1] = t0;
    a = shr(add(t1, t2), 1);
    b = shr(sub(t1, t2), 1);
}

void filter3(int16_t& a, int16_t& b, int16_t& data) {
    const int16_t t1 = sub(b, mult(kCoeff3, data));
    const int16_t t2 = add(data, mult(kCoeff3, t1));
    data = t1;
    b = shr(sub(a, t2), 1);
    a = shr(add(a, t2), 1);
}

// Level of one band: the sum of |x| over the frame with the look-ahead part of the previous
// frame, which is kept for the next one.
int16_t level(const int16_t* x, int16_t& sub_level, int count1, int count2, int step, int start, int scale) {
    int32_t t1 = 0;
    for (int i = count1; i < count2; ++i) t1 = L_mac(t1, 1, abs_s(x[step * i + start]));
    int32_t t2 = L_add(t1, L_shl(sub_level, static_cast<int16_t>(16 - scale)));
    sub_level = extract_h(L_shl(t1, static_cast<int16_t>(scale)));
    for (int i = 0; i < count1; ++i) t2 = L_mac(t2, 1, abs_s(x[step * i + start]));
    return extract_h(L_shl(t2, static_cast<int16_t>(scale)));
}

void filter_bank(VokVadState1_GSMAMR& st, const int16_t* in, int16_t* lev) {
    int16_t b[kFrame];
    first_stage(in, b, st.aData5);
    for (int i = 0; i < kFrame / 4; ++i) {
        filter5(b[4 * i], b[4 * i + 2], st.aData5 + 2);
        filter5(b[4 * i + 1], b[4 * i + 3], st.aData5 + 4);
    }
    for (int i = 0; i < kFrame / 8; ++i) {
        filter3(b[8 * i], b[8 * i + 4], st.aData3[0]);
        filter3(b[8 * i + 2], b[8 * i + 6], st.aData3[1]);
        filter3(b[8 * i + 3], b[8 * i + 7], st.aData3[4]);
    }
    for (int i = 0; i < kFrame / 16; ++i) {
        filter3(b[16 * i], b[16 * i + 8], st.aData3[2]);
        filter3(b[16 * i + 4], b[16 * i + 12], st.aData3[3]);
    }
    lev[8] = level(b, st.subLevel[8], kFrame / 4 - 8, kFrame / 4, 4, 1, 15);
    static const int kStart8[4] = {7, 3, 2, 6};
    for (int k = 0; k < 4; ++k)
        lev[7 - k] = level(b, st.subLevel[7 - k], kFrame / 8 - 4, kFrame / 8, 8, kStart8[k], 16);
    static const int kStart16[4] = {4, 12, 8, 0};
    for (int k = 0; k < 4; ++k)
        lev[3 - k] = level(b, st.subLevel[3 - k], kFrame / 16 - 2, kFrame / 16, 16, kStart16[k], 16);
}

void update_cntrl(VokVadState1_GSMAMR& st, const int16_t* lev, int16_t tone) {
    constexpr int16_t kStatCount = 20;
    if (st.complexWarning != 0 && st.statCount < 5) st.statCount = 5;
    if ((st.pitch & 0x6000) == 0x6000 || (tone & 0x7C00) == 0x7C00 || (st.vadReg & 0x7F80) == 0) {
        st.statCount = kStatCount;
    } else {
        int16_t stat_rat = 0;
        for (int i = 0; i < kBands; ++i) {
            int16_t num = lev[i] > st.aveLevel[i] ? lev[i] : st.aveLevel[i];
            int16_t den = lev[i] > st.aveLevel[i] ? st.aveLevel[i] : lev[i];
            if (num < 184) num = 184;
            if (den < 184) den = 184;
            const int16_t e = norm_s(den);
            stat_rat = add(stat_rat, shr(div_s(shr(num, 1), shl(den, e)), sub(8, e)));
        }
        if (stat_rat > 1000)
            st.statCount = kStatCount;
        else if ((st.vadReg & 0x4000) != 0 && st.statCount != 0)
            st.statCount = sub(st.statCount, 1);
    }
    const int16_t alpha = st.statCount == kStatCount ? 32767 : (st.vadReg & 0x4000) == 0 ? kAlpha5 : kAlpha4;
    for (int i = 0; i < kBands; ++i)
        st.aveLevel[i] = add(st.aveLevel[i], mult_r(alpha, sub(lev[i], st.aveLevel[i])));
}

void noise_update(VokVadState1_GSMAMR& st, const int16_t* lev, int16_t tone) {
    update_cntrl(st, lev, tone);
    int16_t up, down, bias = 2;
    if ((st.vadReg & 0x7800) == 0 && (st.pitch & 0x7800) == 0 && st.complexHangCount == 0) {
        up = kAlphaUp1;
        down = kAlphaDown1;
    } else if (st.statCount == 0 && st.complexHangCount == 0) {
        up = kAlphaUp2;
        down = kAlphaDown2;
    } else {
        up = 0;
        down = kAlpha3;
        bias = 0;
    }
    for (int i = 0; i < kBands; ++i) {
        const int16_t t = sub(st.oldLevel[i], st.bckrEst[i]);
        if (t < 0) {
            st.bckrEst[i] = add(-2, add(st.bckrEst[i], mult_r(down, t)));
            if (st.bckrEst[i] < kNoiseMin) st.bckrEst[i] = kNoiseMin;
        } else {
            st.bckrEst[i] = add(bias, add(st.bckrEst[i], mult_r(up, t)));
            if (st.bckrEst[i] > kNoiseMax) st.bckrEst[i] = kNoiseMax;
        }
    }
    for (int i = 0; i < kBands; ++i) st.oldLevel[i] = lev[i];
}

int16_t hangover(VokVadState1_GSMAMR& st, int16_t noise_level, bool low_power) {
    const bool high = noise_level > 100;
    const int16_t burst_len = high ? 4 : 5, hang_len = high ? 7 : 4;
    if (low_power) {
        st.burstCount = st.hangCount = st.complexHangCount = st.complexHangTimer = 0;
        return 0;
    }
    if (st.complexHangTimer > 100 && st.complexHangCount < 250) st.complexHangCount = 250;
    if (st.complexHangCount != 0) {
        st.burstCount = 4;
        st.complexHangCount = sub(st.complexHangCount, 1);
        return 1;
    }
    if ((st.vadReg & 0x3FF0) == 0 && st.corrHpFast > kInNoise) return 1;
    if ((st.vadReg & 0x4000) != 0) {
        st.burstCount = add(st.burstCount, 1);
        if (st.burstCount >= burst_len) st.hangCount = hang_len;
        return 1;
    }
    st.burstCount = 0;
    if (st.hangCount > 0) {
        st.hangCount = sub(st.hangCount, 1);
        return 1;
    }
    return 0;
}

}  // namespace

int16_t vad1(VokVadState1_GSMAMR& st, const int16_t* speech, int16_t best_corr_hp, int16_t tone) {
    int32_t pow_sum = 0;
    for (int i = 0; i < kFrame; ++i) pow_sum = L_mac(pow_sum, speech[i], speech[i]);
    if (pow_sum < 343040) st.pitch = static_cast<int16_t>(st.pitch & 0x3FFF);
    if (pow_sum < 15000) st.complexLow = static_cast<int16_t>(st.complexLow & 0x3FFF);
    int16_t lev[kBands];
    filter_bank(st, speech + 40, lev);

    // SNR of the bands against the noise estimate, and the threshold from the noise level.
    int32_t acc = 0;
    for (int i = 0; i < kBands; ++i) {
        const int16_t e = norm_s(st.bckrEst[i]);
        const int16_t t = shl(div_s(shr(lev[i], 1), shl(st.bckrEst[i], e)), sub(e, 5));
        acc = L_mac(acc, t, t);
    }
    const int16_t snr_sum = mult(extract_h(L_shl(acc, 6)), 3641);
    acc = 0;
    for (int i = 0; i < kBands; ++i) acc = L_add(acc, st.bckrEst[i]);
    const int16_t noise_level = extract_h(L_shl(acc, 13));
    int16_t thr = add(mult(-2808, noise_level), 1260);
    if (thr < 720) thr = 720;
    st.vadReg = shr(st.vadReg, 1);
    if (snr_sum > thr) st.vadReg = static_cast<int16_t>(st.vadReg | 0x4000);
    const bool low_power = pow_sum < 15000;

    // Complex-signal estimate and flags.
    const int16_t alpha = best_corr_hp < st.corrHpFast
                              ? (st.corrHpFast < kAdaptHigh ? kAdaptFast : kAdaptReallyFast)
                              : (st.corrHpFast < kAdaptHigh ? kAdaptFast : kAdaptSlow);
    st.corrHpFast =
        round_fx(L_mac(L_msu(L_deposit_h(st.corrHpFast), alpha, st.corrHpFast), alpha, best_corr_hp));
    if (st.corrHpFast < kMinCorr || low_power) st.corrHpFast = kMinCorr;
    st.complexHigh = shr(st.complexHigh, 1);
    st.complexLow = shr(st.complexLow, 1);
    if (!low_power) {
        if (st.corrHpFast > kAdaptHigh) st.complexHigh = static_cast<int16_t>(st.complexHigh | 0x4000);
        if (st.corrHpFast > kAdaptLow) st.complexLow = static_cast<int16_t>(st.complexLow | 0x4000);
    }
    st.complexHangTimer = st.corrHpFast > kHangThresh ? add(st.complexHangTimer, 1) : int16_t{0};
    st.complexWarning = (st.complexHigh & 0x7F80) == 0x7F80 || (st.complexLow & 0x7FFF) == 0x7FFF;

    noise_update(st, lev, tone);
    return hangover(st, noise_level, low_power);
}

}  // namespace voks::amrnb

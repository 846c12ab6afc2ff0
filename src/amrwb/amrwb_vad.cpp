// AMR-WB voice activity detection: a 12-band filter bank, the band SNR decision against an
// adaptive threshold, background-noise and speech-level estimation, and hangover.
#include <cstring>

#include "amrwb/amrwb_internal.h"
#include "common/basicop.h"

namespace voks::amrwb {

namespace {

constexpr int kBands = 12;
constexpr int16_t kAlphaUp1 = 1638, kAlphaDown1 = 2097, kAlphaUp2 = 491, kAlphaDown2 = 1867, kAlpha3 = 1638,
                  kAlpha4 = 3276, kAlpha5 = 16383, kAlphaSpeech = 4915;
constexpr int16_t kThrMin = 204, kThrHigh = 768, kThrLow = 217, kNoiseP1 = 31744, kNoiseSlope = 1509;
constexpr int16_t kSpeechChangeMin = -96, kSpeechChangeMax = 96, kSpeechP1 = 22527, kSpeechSlope = -1339;
constexpr int16_t kHangHigh = 12, kHangLow = 2, kHangSlope = -1110, kBurstHigh = 8, kBurstSlope = 297;
constexpr int16_t kStatCount = 20, kStatThrLevel = 184, kStatThr = 1000, kNoiseMin = 40, kNoiseMax = 20000;
constexpr int16_t kMinSpeechLevel1 = 129, kMinSpeechLevel2 = 410, kMinSpeechSnr = 4096;

// Base-2 logarithm in the detector's own form (Q10 of 31 - log2 with a squared mantissa).
int16_t ilog2(int16_t mant) {
    if (mant <= 0) mant = 1;
    const int16_t ex = norm_s(mant);
    mant = shl(mant, ex);
    for (int i = 0; i < 3; ++i) mant = mult(mant, mant);
    const int32_t t = L_mult(mant, mant);
    const int16_t ex2 = norm_l(t);
    mant = extract_h(L_shl(t, ex2));
    int16_t r = add(shl(add(ex, 16), 10), shl(ex2, 6));
    return sub(add(r, 127), shr(mant, 8));
}

void filter5(int16_t* in0, int16_t* in1, int16_t* mem) {
    int16_t t0 = sub(*in0, mult(21955, mem[0]));
    const int16_t t1 = add(mem[0], mult(21955, t0));
    mem[0] = t0;
    t0 = sub(*in1, mult(6390, mem[1]));
    const int16_t t2 = add(mem[1], mult(6390, t0));
    mem[1] = t0;
    *in0 = extract_h(L_shl(L_add(t1, t2), 15));
    *in1 = extract_h(L_shl(L_sub(t1, t2), 15));
}

void filter3(int16_t* in0, int16_t* in1, int16_t* mem) {
    const int16_t t1 = sub(*in1, mult(13363, *mem));
    const int16_t t2 = add(*mem, mult(13363, t1));
    *mem = t1;
    *in1 = extract_h(L_shl(L_sub(*in0, t2), 15));
    *in0 = extract_h(L_shl(L_add(*in0, t2), 15));
}

int16_t band_level(const int16_t* data, int16_t* sub_level, int count1, int count2, int step, int start,
                   int16_t scale) {
    int32_t t1 = 0;
    for (int i = count1; i < count2; ++i) t1 = L_mac(t1, 1, abs_s(data[step * i + start]));
    int32_t t2 = L_add(t1, L_shl(*sub_level, sub(16, scale)));
    *sub_level = extract_h(L_shl(t1, scale));
    for (int i = 0; i < count1; ++i) t2 = L_mac(t2, 1, abs_s(data[step * i + start]));
    return extract_h(L_shl(t2, scale));
}

void filter_bank(VadState& st, const int16_t* in, int16_t* level) {
    int16_t b[kFrame];
    for (int i = 0; i < kFrame; ++i) b[i] = shr(in[i], 1);
    for (int i = 0; i < kFrame / 2; ++i) filter5(&b[2 * i], &b[2 * i + 1], st.data5[0]);
    for (int i = 0; i < kFrame / 4; ++i) {
        filter5(&b[4 * i], &b[4 * i + 2], st.data5[1]);
        filter5(&b[4 * i + 1], &b[4 * i + 3], st.data5[2]);
    }
    for (int i = 0; i < kFrame / 8; ++i) {
        filter5(&b[8 * i], &b[8 * i + 4], st.data5[3]);
        filter5(&b[8 * i + 2], &b[8 * i + 6], st.data5[4]);
        filter3(&b[8 * i + 3], &b[8 * i + 7], &st.data3[0]);
    }
    for (int i = 0; i < kFrame / 16; ++i) {
        filter3(&b[16 * i], &b[16 * i + 8], &st.data3[1]);
        filter3(&b[16 * i + 4], &b[16 * i + 12], &st.data3[2]);
        filter3(&b[16 * i + 6], &b[16 * i + 14], &st.data3[3]);
    }
    for (int i = 0; i < kFrame / 32; ++i) {
        filter3(&b[32 * i], &b[32 * i + 16], &st.data3[4]);
        filter3(&b[32 * i + 8], &b[32 * i + 24], &st.data3[5]);
    }
    // Band: samples per frame count, decimation step, first sample, scale.
    static constexpr int16_t kPlan[kBands][4] = {
        {8, 32, 0, 17},  {8, 32, 16, 17},  {8, 32, 24, 17}, {8, 32, 8, 17}, {16, 16, 12, 16}, {16, 16, 4, 16},
        {16, 16, 6, 16}, {16, 16, 14, 16}, {32, 8, 2, 15},  {32, 8, 3, 15}, {32, 8, 7, 15},   {64, 4, 1, 14}};
    for (int k = kBands - 1; k >= 0; --k) {
        const int n = kPlan[k][0];
        level[k] = band_level(b, &st.sub_level[k], n / 4, n, kPlan[k][1], kPlan[k][2], kPlan[k][3]);
    }
}

void update_control(VadState& st, int16_t tone, const int16_t* level) {
    if ((tone & 0x7C00) == 0x7C00 || (st.vad_reg & 0x7F80) == 0) {
        st.stat_count = kStatCount;
    } else {
        int16_t ratio = 0;
        for (int i = 0; i < kBands; ++i) {
            int16_t num = level[i], den = st.ave_level[i];
            if (num <= den) {
                num = st.ave_level[i];
                den = level[i];
            }
            if (num < kStatThrLevel) num = kStatThrLevel;
            if (den < kStatThrLevel) den = kStatThrLevel;
            const int16_t e = norm_s(den);
            ratio = add(ratio, shr(div_s(shr(num, 1), shl(den, e)), sub(8, e)));
        }
        if (ratio > kStatThr) {
            st.stat_count = kStatCount;
        } else if ((st.vad_reg & 0x4000) && st.stat_count != 0) {
            st.stat_count = sub(st.stat_count, 1);
        }
    }
    int16_t alpha = kAlpha4;
    if (st.stat_count == kStatCount) {
        alpha = 32767;
    } else if ((st.vad_reg & 0x4000) == 0) {
        alpha = kAlpha5;
    }
    for (int i = 0; i < kBands; ++i)
        st.ave_level[i] = add(st.ave_level[i], mult_r(alpha, sub(level[i], st.ave_level[i])));
}

void update_noise(VadState& st, int16_t tone, const int16_t* level) {
    update_control(st, tone, level);
    int16_t up = 0, down = kAlpha3, step = 0;
    if ((0x7800 & st.vad_reg) == 0) {
        up = kAlphaUp1;
        down = kAlphaDown1;
        step = 2;
    } else if (st.stat_count == 0) {
        up = kAlphaUp2;
        down = kAlphaDown2;
        step = 2;
    }
    for (int i = 0; i < kBands; ++i) {
        const int16_t d = sub(st.old_level[i], st.bckr_est[i]);
        if (d < 0) {
            st.bckr_est[i] = add(-2, add(st.bckr_est[i], mult_r(down, d)));
            if (st.bckr_est[i] < kNoiseMin) st.bckr_est[i] = kNoiseMin;
        } else {
            st.bckr_est[i] = add(step, add(st.bckr_est[i], mult_r(up, d)));
            if (st.bckr_est[i] > kNoiseMax) st.bckr_est[i] = kNoiseMax;
        }
    }
    for (int i = 0; i < kBands; ++i) st.old_level[i] = level[i];
}

int16_t hangover(VadState& st, bool low_power, int16_t hang_len, int16_t burst_len) {
    if (low_power) {
        st.burst_count = st.hang_count = 0;
        return 0;
    }
    if (st.vad_reg & 0x4000) {
        st.burst_count = add(st.burst_count, 1);
        if (st.burst_count >= burst_len) st.hang_count = hang_len;
        return 1;
    }
    st.burst_count = 0;
    if (st.hang_count > 0) {
        st.hang_count = sub(st.hang_count, 1);
        return 1;
    }
    return 0;
}

int16_t decide(VadState& st, int16_t tone, const int16_t* level, int32_t pow_sum) {
    int32_t snr = 0;
    for (int i = 0; i < kBands; ++i) {
        const int16_t e = norm_s(st.bckr_est[i]);
        int16_t t = div_s(shr(level[i], 1), shl(st.bckr_est[i], e));
        t = shl(t, sub(e, 6));
        snr = L_mac(snr, t, t);
    }
    int32_t sum = 0;
    for (int i = 1; i < kBands; ++i) sum = L_add(sum, st.bckr_est[i]);
    const int16_t noise = extract_h(L_shl(sum, 12));
    int16_t t = shl(mult(noise, kMinSpeechSnr), 3);
    if (st.speech_level < t) st.speech_level = t;
    const int16_t log_noise = ilog2(noise), log_speech = ilog2(sub(st.speech_level, t));
    t = add(mult(kNoiseSlope, sub(log_noise, kNoiseP1)), kThrHigh);
    int16_t t2 = add(kSpeechChangeMin, mult(kSpeechSlope, sub(log_speech, kSpeechP1)));
    if (t2 < kSpeechChangeMin) t2 = kSpeechChangeMin;
    if (t2 > kSpeechChangeMax) t2 = kSpeechChangeMax;
    int16_t thr = add(t, t2);
    if (thr < kThrMin) thr = kThrMin;
    st.vad_reg = shr(st.vad_reg, 1);
    if (snr > L_mult(thr, 512 * kBands)) st.vad_reg = static_cast<int16_t>(st.vad_reg | 0x4000);
    const bool low_power = pow_sum < 30000;
    update_noise(st, tone, level);
    int16_t hang_len = add(mult(kHangSlope, sub(thr, kThrLow)), kHangHigh);
    if (hang_len < kHangLow) hang_len = kHangLow;
    const int16_t burst_len = add(mult(kBurstSlope, sub(thr, kThrHigh)), kBurstHigh);
    return hangover(st, low_power, hang_len, burst_len);
}

void estimate_speech(VadState& st, int16_t in_level) {
    if (sub(sub(st.sp_est_cnt, st.sp_max_cnt), 55) > 0) st.sp_est_cnt = st.sp_max = st.sp_max_cnt = 0;
    st.sp_est_cnt = add(st.sp_est_cnt, 1);
    if (((st.vad_reg & 0x4000) || in_level > st.speech_level) && in_level > kMinSpeechLevel1) {
        if (in_level > st.sp_max) st.sp_max = in_level;
        st.sp_max_cnt = add(st.sp_max_cnt, 1);
        if (st.sp_max_cnt >= 25) {
            const int16_t m = shr(st.sp_max, 1);
            if (m > kMinSpeechLevel2)
                st.speech_level = add(st.speech_level, mult_r(kAlphaSpeech, sub(m, st.speech_level)));
            st.sp_max = st.sp_max_cnt = st.sp_est_cnt = 0;
        }
    }
}

}  // namespace

void vad_init(VadState& st) {
    const int16_t stat = st.stat_count;  // set by the first frame before it is read
    std::memset(&st, 0, sizeof st);
    st.stat_count = stat;
    for (int i = 0; i < kBands; ++i) st.bckr_est[i] = st.ave_level[i] = st.old_level[i] = 150;
    st.speech_level = 2050;
}

int16_t vad(VadState& st, const int16_t* x, int16_t* tone) {
    int32_t p = 0;
    for (int i = 0; i < kFrame; ++i) p = L_mac(p, x[i], x[i]);
    int32_t prev;
    std::memcpy(&prev, st.prev_pow, sizeof prev);
    const int32_t pow_sum = L_add(p, prev);
    std::memcpy(st.prev_pow, &p, sizeof p);
    if (pow_sum < 686080) *tone = static_cast<int16_t>(*tone & 0x1FFF);
    filter_bank(st, x, st.level);
    const int16_t flag = decide(st, *tone, st.level, pow_sum);
    int32_t sum = 0;
    for (int i = 1; i < kBands; ++i) sum = L_add(sum, st.level[i]);
    estimate_speech(st, extract_h(L_shl(sum, 12)));
    return flag;
}

}  // namespace voks::amrwb

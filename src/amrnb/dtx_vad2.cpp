// GSM-AMR voice activity detection, option 2 (the reference vad2, per 80-sample half-frame):
// block normalisation and pre-emphasis, the 128-point real FFT, 16 channel energies against the
// noise estimates, the voice metric with its SNR-dependent thresholds and hangover, and the
// noise update with its forced-update logic.
#include "amrnb/dtx_internal.h"
#include "common/basicop.h"
#include "g729/g729_mathop.h"
#include "voksc.h"

namespace voks::amrnb {
namespace {

constexpr int kHalf = 80, kDelay = 24, kFft = 128, kChannels = 16;
constexpr int16_t kHeadroom = 2;

constexpr int16_t kChannel[kChannels][2] = {{2, 3},   {4, 5},   {6, 7},   {8, 9},   {10, 11}, {12, 13},
                                            {14, 16}, {17, 19}, {20, 22}, {23, 26}, {27, 30}, {31, 35},
                                            {36, 41}, {42, 48}, {49, 55}, {56, 63}};
// 1 / (bins of the channel), Q15 (halved for two-bin channels).
constexpr int16_t kChannelScale[kChannels] = {16384, 16384, 16384, 16384, 16384, 16384, 10923, 10923,
                                              10923, 8192,  8192,  6554,  5461,  4681,  4681,  4096};
constexpr int16_t kVoiceMetric[90] = {2,  2,  2,  2,  2,  2,  2,  2,  2,  2,  2,  3,  3,  3,  3,  3,  4,  4,
                                      4,  5,  5,  5,  6,  6,  7,  7,  7,  8,  8,  9,  9,  10, 10, 11, 12, 12,
                                      13, 13, 14, 15, 15, 16, 17, 17, 18, 19, 20, 20, 21, 22, 23, 24, 24, 25,
                                      26, 27, 28, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 37, 38, 39, 40, 41,
                                      42, 43, 44, 45, 46, 47, 48, 49, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50};
constexpr int16_t kHangover[20] = {30, 30, 30, 30, 30, 30, 28, 26, 24, 22,
                                   20, 18, 16, 14, 12, 10, 8,  8,  8,  8};
constexpr int16_t kBurst[20] = {8, 8, 8, 8, 8, 8, 8, 8, 7, 6, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4};
constexpr int16_t kVmThreshold[20] = {34, 34, 34, 34, 34,  34,  34,  34,  34,  34,
                                      34, 40, 51, 71, 100, 139, 191, 257, 337, 432};
// Per shift state (channel energies in Q9, or Q4 for loud input).
constexpr int32_t kNoiseFloor[2] = {512, 16}, kMinEnergy[2] = {32, 1}, kInitNoise[2] = {8192, 256};
constexpr int16_t kFracBits[2] = {9, 4}, kStateShift[2] = {-5, 5}, kEnergyShift[2] = {10, 5};
constexpr int16_t kHighAlpha = 29491, kLowAlpha = 22938;

// 10 log10(x / 2^fbits) in Q8.
int16_t ten_log10(int32_t x, int16_t fbits) {
    int16_t e, f;
    g729::ownLog2(x, e, f);
    return extract_l(L_shr_r(Mpy_32_16(sub(e, fbits), f, 24660), 6));
}

int16_t half_frame(const int16_t* in, VokVadState2_GSMAMR& st, bool ltp) {
    st.frameCount = L_add(st.frameCount, 1);
    // Block normalisation with 2 bits of headroom.
    int16_t max = abs_s(in[0]);
    for (int i = 1; i < kHalf; ++i)
        if (abs_s(in[i]) > max) max = abs_s(in[i]);
    int16_t x[kHalf];
    const int16_t shift = max != 0 ? sub(norm_s(max), kHeadroom) : static_cast<int16_t>(16 - kHeadroom);
    for (int i = 0; i < kHalf; ++i) x[i] = max != 0 ? shl(in[i], shift) : int16_t{0};

    // Pre-emphasis (memory rescaled to the new shift) into the zero-padded transform buffer.
    int16_t d[kFft] = {};
    st.preEmphMem = shr_r(st.preEmphMem, sub(st.lastShift, shift));
    st.lastShift = shift;
    d[kDelay] = add(x[0], mult(-26214, st.preEmphMem));
    for (int i = 1; i < kHalf; ++i) d[kDelay + i] = add(x[i], mult(-26214, x[i - 1]));
    st.preEmphMem = x[kHalf - 1];
    real_fft(d);

    // Loud input moves the channel energies to the coarser scale, quiet input back.
    bool change = false;
    if (st.shiftState == 0) {
        if (shift <= -kHeadroom + 2) change = true, st.shiftState = 1;
    } else if (shift >= -kHeadroom + 5) {
        change = true, st.shiftState = 0;
    }
    const int s = st.shiftState != 0 ? 1 : 0;  // any other stored value acts as the coarse scale
    if (change)
        for (int32_t& e : st.chEnergy) e = L_shr(e, kStateShift[s]);

    const bool first = st.frameCount == 1;
    const int16_t alpha = first ? int16_t{32767} : int16_t{18022},
                  one_m = first ? int16_t{0} : int16_t{14746};
    for (int i = 0; i < kChannels; ++i) {
        int32_t e = 0;
        for (int j = kChannel[i][0]; j <= kChannel[i][1]; ++j) {
            e = L_mac(e, d[2 * j], d[2 * j]);
            e = L_mac(e, d[2 * j + 1], d[2 * j + 1]);
        }
        e = L_shr_r(e, sub(shl(shift, 1), kEnergyShift[s]));
        int16_t h, l;
        L_Extract(e, h, l);
        const int32_t t = Mpy_32_16(h, l, mult(alpha, kChannelScale[i]));
        L_Extract(st.chEnergy[i], h, l);
        st.chEnergy[i] = L_add(t, Mpy_32_16(h, l, one_m));
        if (st.chEnergy[i] < kMinEnergy[s]) st.chEnergy[i] = kMinEnergy[s];
    }
    int32_t tce = 0, peak = 0;
    for (int32_t e : st.chEnergy) tce = L_add(tce, e);
    for (int i = 2; i < kChannels; ++i)
        if (st.chEnergy[i] > peak) peak = st.chEnergy[i];
    int16_t h, l;
    L_Extract(tce, h, l);
    const bool p2a = peak > Mpy_32_16(h, l, 20480);  // spectral peak 10 dB above the average

    if (st.frameCount <= 4) {
        for (int i = 0; i < kChannels; ++i) {
            if (p2a || st.chEnergy[i] < kInitNoise[s])
                st.chNoise[i] = kInitNoise[0];
            else
                st.chNoise[i] = s == 1 ? L_shr(st.chEnergy[i], kStateShift[0]) : st.chEnergy[i];
        }
    }

    // Voice metric of the channel SNRs.
    int16_t enrg_db[kChannels], snr[kChannels], vm_sum = 0;
    for (int i = 0; i < kChannels; ++i) {
        enrg_db[i] = ten_log10(st.chEnergy[i], kFracBits[s]);
        snr[i] = sub(enrg_db[i], ten_log10(st.chNoise[i], kFracBits[0]));
        int16_t q = shr_r(mult(21845, snr[i]), 6);
        q = q >= 89 ? int16_t{89} : q > 0 ? q : int16_t{0};
        vm_sum = add(vm_sum, kVoiceMetric[q]);
    }

    // Long-term SNR estimate.
    int16_t xt;
    if (st.frameCount <= 4 || st.forcedUpdate) {
        st.negSnrVar = 0;
        st.negSnrBias = 0;
        int32_t tne = 0;
        for (int32_t n : st.chNoise) tne = L_add(tne, n);
        xt = sub(14320, ten_log10(tne, kFracBits[0]));
        st.tsnr = xt;
    } else {
        int32_t sum = 0;
        for (int i = 0; i < kChannels; ++i) {
            L_Extract(L_shr(L_mult(snr[i], 10885), 8), h, l);
            sum = L_add(sum, g729::ownPow2(add(h, 3), l));
        }
        xt = ten_log10(sum, 7);
        if (xt > st.tsnr)
            st.tsnr = round_fx(L_add(L_mult(29491, st.tsnr), L_mult(3277, xt)));
        else if (xt > mult(20480, st.tsnr))
            st.tsnr = round_fx(L_add(L_mult(32702, st.tsnr), L_mult(66, xt)));
    }
    int16_t tsnrq = shr(mult(st.tsnr, 10923), 8);
    tsnrq = tsnrq > 19 ? int16_t{19} : tsnrq < 0 ? int16_t{0} : tsnrq;
    if (xt < 0) {
        const int16_t t = round_fx(L_shl(L_mult(xt, xt), 7));
        st.negSnrVar = round_fx(L_add(L_mult(32440, st.negSnrVar), L_mult(328, t)));
        if (st.negSnrVar > 1024) st.negSnrVar = 1024;
        const int16_t b = mult_r(shl(sub(st.negSnrVar, 166), 4), 24576);
        st.negSnrBias = b < 0 ? int16_t{0} : shr(b, 8);
    }

    // Decision with burst and hangover.
    int16_t ivad;
    if (vm_sum > add(kVmThreshold[tsnrq], st.negSnrBias)) {
        ivad = 1;
        st.burstCount = add(st.burstCount, 1);
        if (st.burstCount > kBurst[tsnrq]) st.hangover = kHangover[tsnrq];
    } else {
        st.burstCount = 0;
        st.hangover = sub(st.hangover, 1);
        if (st.hangover <= 0) {
            ivad = 0;
            st.hangover = 0;
        } else {
            ivad = 1;
        }
    }

    // Spectral deviation from the long-term channel energies, which then adapt.
    int16_t dev = 0;
    if (first) {
        for (int i = 0; i < kChannels; ++i) st.chEnergyLongDb[i] = enrg_db[i];
    } else {
        for (int i = 0; i < kChannels; ++i) dev = add(dev, abs_s(sub(st.chEnergyLongDb[i], enrg_db[i])));
    }
    int16_t a, one_a;
    const int16_t t = sub(st.tsnr, xt);
    if (t <= 0 || st.tsnr <= 0) {
        a = kHighAlpha;
        one_a = static_cast<int16_t>(32768 - kHighAlpha);
    } else if (t > st.tsnr) {
        a = kLowAlpha;
        one_a = static_cast<int16_t>(32768 - kLowAlpha);
    } else {
        a = sub(kHighAlpha, mult(kHighAlpha - kLowAlpha, div_s(t, st.tsnr)));
        one_a = sub(32767, a);
    }
    for (int i = 0; i < kChannels; ++i)
        st.chEnergyLongDb[i] = round_fx(L_add(L_mult(one_a, enrg_db[i]), L_mult(a, st.chEnergyLongDb[i])));

    // Noise update: in pauses, or forced after a long stationary stretch without pitch.
    bool update = false;
    st.forcedUpdate = 0;
    if (vm_sum <= 35) {
        if (st.burstCount == 0) {
            update = true;
            st.updateCount = 0;
        }
    } else if (tce > kNoiseFloor[s] && dev < 7168 && !p2a && !ltp) {
        st.updateCount = add(st.updateCount, 1);
        if (st.updateCount >= 50) {
            update = true;
            st.forcedUpdate = 1;
        }
    }
    st.hysterCount = st.updateCount == st.lastUpdateCount ? add(st.hysterCount, 1) : int16_t{0};
    st.lastUpdateCount = st.updateCount;
    if (st.hysterCount > 6) st.updateCount = 0;
    if (update) {
        for (int i = 0; i < kChannels; ++i) {
            L_Extract(L_shr(st.chEnergy[i], s == 1 ? kStateShift[0] : int16_t{0}), h, l);
            const int32_t e = Mpy_32_16(h, l, 3277);
            L_Extract(st.chNoise[i], h, l);
            st.chNoise[i] = L_add(e, Mpy_32_16(h, l, 29491));
            if (st.chNoise[i] < 32) st.chNoise[i] = 32;
        }
    }
    return ivad;
}

}  // namespace

int16_t vad2(VokVadState2_GSMAMR& st, const int16_t* speech, bool ltp) {
    const int16_t a = half_frame(speech, st, ltp);
    const int16_t b = half_frame(speech + kHalf, st, ltp);
    return static_cast<int16_t>(a || b);
}

}  // namespace voks::amrnb

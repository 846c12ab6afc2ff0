// AMR-WB example encoder: the reference encoder's frame, assembled from the library's public
// AMR-WB operations and the steps of amrwb_enc_dsp.h.
#include "amrwb/amrwb_enc.h"

#include <algorithm>
#include <cstring>

#include "amrwb/amrwb_enc_dsp.h"
#include "amrwb/amrwb_enc_ops.h"
#include "voksc.h"

namespace amrwbex {

using namespace enc;

namespace {

constexpr int kTotal = 384;  // speech buffer: past, frame and look-ahead at 12.8 kHz
constexpr int kNext = 64;    // look-ahead of the LP analysis
constexpr int kFilt = 12;    // samples approximated after the frame for the window
constexpr int kFilt16 = 15;  // delay of the down-sampling filter
constexpr int kOlMax = 115;  // past samples of the open-loop search at 6.4 kHz
constexpr int kHpWsp = 128 + kOlMax;
constexpr int16_t kPreemph = 22282;
constexpr int16_t kGamma1 = 30147;
constexpr int16_t kTilt = 22282;
constexpr int kQMax = 8;
constexpr int16_t kGpClip = 15565;
constexpr int16_t kPitSharp = 27853;
constexpr int kHistSize = 8;
constexpr int kHangConst = 7;
constexpr int kElapsedThresh = 24 + 7 - 1;
constexpr int16_t kInvMedThresh = 14564;
constexpr int16_t kGainThr = 180;
constexpr int16_t kDistIsfMax = 307, kDistIsfMaxIo = 384, kDistIsfThres = 154;
constexpr int16_t kGainPitThres = 14746, kGainPitMin = 9830;
constexpr int16_t kSeedInit = 21845;

constexpr int16_t kInterpolFrac[4] = {14746, 26214, 31457, 32767};
constexpr int16_t kIspInit[kM] = {32138, 30274,  27246,  23170,  18205,  12540,  6393,   0,
                                  -6393, -12540, -18205, -23170, -27246, -30274, -32138, 1475};
constexpr int16_t kIsfInit[kM] = {1024, 2048,  3072,  4096,  5120,  6144,  7168,  8192,
                                  9216, 10240, 11264, 12288, 13312, 14336, 15360, 3840};
constexpr int16_t kHpGain[16] = {3624,  4673,  5597,  6479,  7425,  8378,  9324,  10264,
                                 11210, 12206, 13391, 14844, 16770, 19655, 24289, 32728};
constexpr int16_t kHp50Num[3] = {4053, -8106, 4053}, kHp50Den[3] = {8192, 16211, -8021};
constexpr int16_t kHp400Num[3] = {915, -1830, 915}, kHp400Den[3] = {16384, 29280, -14160};
constexpr int16_t kHpWspNum[4] = {-3432, 10280, -10280, 3432}, kHpWspDen[4] = {8192, 21663, -19258, 5734};

constexpr int kRate[10] = {vokRate6600,  vokRate8850,  vokRate12650, vokRate14250, vokRate15850,
                           vokRate18250, vokRate19850, vokRate23050, vokRate23850, vokRateDTX};

// Algebraic codebook words per subframe.
constexpr int kCbCount[9] = {1, 4, 4, 4, 4, 8, 8, 8, 8};

constexpr int kBits[10] = {132, 177, 253, 285, 317, 365, 397, 461, 477, 35};

// An order-2 or order-3 high-pass filter state of the library.
struct HpFilter {
    alignas(16) unsigned char block[64];
    VokHighPassFilterState_AMRWB* get() { return reinterpret_cast<VokHighPassFilterState_AMRWB*>(block); }
    void init(const int16_t* num, const int16_t* den, int order) {
        voksHighPassFilterInit_AMRWB_16s(num, den, order, get());
    }
};

}  // namespace

struct Encoder::State {
    bool dtx = false;
    // Analysis.
    int16_t mem_decim[2 * kFilt16];
    HpFilter hp50_in;
    int16_t mem_preemph;
    int16_t old_speech[kTotal - kFrame];
    int16_t old_wsp[kOlMax];
    int16_t old_exc[kPitMax + kInterpol];
    int16_t mem_levinson[kM + 2];
    int16_t ispold[kM], ispold_q[kM], past_isfq[kM];
    int16_t mem_wsp, mem_decim2[3], mem_w0, mem_syn[kM], tilt_code;
    int16_t old_wsp_max, old_wsp_shift, q_old, q_max[2];
    int16_t gp_clip[2], qua_gain[4];
    // Open-loop pitch.
    int16_t old_t0_med, ol_gain, ada_w, ol_wght_flg, old_ol_lag[5];
    HpFilter hp_wsp;
    int hp_wsp_sf;
    int16_t old_hp_wsp[kHpWsp];
    int16_t first_frame;
    int16_t isfold[kM];
    // High-band gain of 23.85 kbit/s.
    int32_t gc_thres;
    int32_t mem_syn32[kM];  // double-precision synthesis memory
    int16_t mem_deemph;
    HpFilter hp50_out, hp400;
    int16_t mem_syn_hf[kM], mem_hf[30], mem_hf2[30], seed2, vad_hist, gain_alpha;
    // Voice activity.
    alignas(16) unsigned char vad[256];
    int16_t tone;
    // Comfort noise.
    int16_t hist_ptr, log_en_index, isf_hist[kHistSize * kM], cng_seed, log_en_hist[kHistSize];
    int16_t hangover, elapsed;
    int32_t dist[28], sum_dist[kHistSize];
    // Frame types.
    int sid_update_counter = 3, prev_ft = kTxSpeech;

    VokVadState_AMRWB* vad_state() { return reinterpret_cast<VokVadState_AMRWB*>(vad); }

    void reset(bool all);
    void encode(int& mode, const int16_t* speech16k, int16_t* prm);
    void synthesis(const int16_t* aq, int16_t* exc, int q_new, const int16_t* speech16k, int16_t* gain_index);
    void dtx_encode(int16_t* isf, int16_t* exc2, int16_t*& prm);
    void find_frame_indices(int16_t* idx);
    int16_t dithering_control();
    void dtx_handler(int16_t vad_flag, int& mode);
};

void Encoder::State::reset(bool all) {
    std::memset(old_exc, 0, sizeof old_exc);
    std::memset(mem_syn, 0, sizeof mem_syn);
    std::memset(past_isfq, 0, sizeof past_isfq);
    mem_w0 = 0;
    tilt_code = 0;
    first_frame = 1;
    gp_clip[0] = kDistIsfMax;
    gp_clip[1] = kGainPitMin;
    gc_thres = 0;
    if (!all) return;
    std::memset(old_speech, 0, sizeof old_speech);
    std::memset(old_wsp, 0, sizeof old_wsp);
    std::memset(mem_decim2, 0, sizeof mem_decim2);
    std::memset(mem_decim, 0, sizeof mem_decim);
    hp50_in.init(kHp50Num, kHp50Den, 2);
    std::memset(mem_levinson, 0, sizeof mem_levinson);
    for (int16_t& g : qua_gain) g = -14336;
    hp_wsp.init(kHpWspNum, kHpWspDen, 3);
    hp_wsp_sf = 0;
    std::memcpy(ispold, kIspInit, sizeof ispold);
    std::memcpy(ispold_q, kIspInit, sizeof ispold_q);
    mem_preemph = 0;
    mem_wsp = 0;
    q_old = 15;
    q_max[0] = q_max[1] = 15;
    old_wsp_max = 0;
    old_wsp_shift = 0;
    old_t0_med = 40;
    ol_gain = 0;
    ada_w = 0;
    ol_wght_flg = 0;
    for (int16_t& l : old_ol_lag) l = 40;
    std::memset(old_hp_wsp, 0, sizeof old_hp_wsp);
    std::memset(mem_syn_hf, 0, sizeof mem_syn_hf);
    std::memset(mem_syn32, 0, sizeof mem_syn32);
    hp50_out.init(kHp50Num, kHp50Den, 2);
    std::memset(mem_hf, 0, sizeof mem_hf);
    hp400.init(kHp400Num, kHp400Den, 2);
    std::memcpy(isfold, kIsfInit, sizeof isfold);
    mem_deemph = 0;
    seed2 = kSeedInit;
    std::memset(mem_hf2, 0, sizeof mem_hf2);
    gain_alpha = 32767;
    vad_hist = 0;
    voksVADInit_AMRWB_16s(vad_state());
    tone = 0;
    hist_ptr = 0;
    log_en_index = 0;
    for (int i = 0; i < kHistSize; ++i) std::memcpy(isf_hist + i * kM, kIsfInit, sizeof kIsfInit);
    cng_seed = kSeedInit;
    std::memset(log_en_hist, 0, sizeof log_en_hist);
    hangover = kHangConst;
    elapsed = 32767;
    std::memset(dist, 0, sizeof dist);
    std::memset(sum_dist, 0, sizeof sum_dist);
}

namespace {

// Writes a parameter word and advances.
inline void put(int16_t*& prm, int v) {
    *prm++ = static_cast<int16_t>(v);
}

int16_t gp_clip_test(int bits, const int16_t* mem) {
    if (bits == 132 || bits == 177) {
        const int16_t thres = add(14746, mult(1638, extract_l(L_mult(mem[0], 16384 / kDistIsfMaxIo))));
        return mem[1] > thres ? 1 : 0;
    }
    return (mem[0] < kDistIsfThres && mem[1] > kGainPitThres) ? 1 : 0;
}

void gp_clip_isf(int bits, const int16_t* isf, int16_t* mem) {
    int16_t dmin = sub(isf[1], isf[0]);
    for (int i = 2; i < kM - 1; ++i) {
        const int16_t d = sub(isf[i], isf[i - 1]);
        if (d < dmin) dmin = d;
    }
    int16_t d = extract_h(L_mac(L_mult(26214, mem[0]), 6554, dmin));
    const int16_t cap = (bits == 132 || bits == 177) ? kDistIsfMaxIo : kDistIsfMax;
    mem[0] = d > cap ? cap : d;
}

void gp_clip_gain(int bits, int16_t gain_pit, int16_t* mem) {
    int32_t t;
    if (bits == 132 || bits == 177)
        t = L_mac(L_mult(32113, mem[1]), 655, gain_pit);
    else
        t = L_mac(L_mult(29491, mem[1]), 3277, gain_pit);
    const int16_t g = extract_h(t);
    mem[1] = g < kGainPitMin ? kGainPitMin : g;
}

// LP coefficients of the four subframes from the ISPs interpolated between frames.
void int_isp(const int16_t* old_isp, const int16_t* new_isp, int16_t* az) {
    int16_t isp[kM];
    for (int k = 0; k < 3; ++k) {
        const int16_t fac_new = kInterpolFrac[k], fac_old = add(sub(32767, fac_new), 1);
        for (int i = 0; i < kM; ++i)
            isp[i] = round16(L_mac(L_mult(old_isp[i], fac_old), new_isp[i], fac_new));
        voksISPToLPC_AMRWB_16s(isp, az, kM);
        az += kM + 1;
    }
    voksISPToLPC_AMRWB_16s(new_isp, az, kM);
}

// The residual through A(z) (Q12) of n samples; x[-16..-1] are read.
void residu(const int16_t* a, const int16_t* x, int16_t* y, int n) {
    voksResidualFilter_AMRWB_16s_Sfs(a, kM, x, y, n, 10);
}

}  // namespace

void Encoder::State::dtx_handler(int16_t vad_flag, int& mode) {
    elapsed = add(elapsed, 1);
    if (vad_flag != 0) {
        hangover = kHangConst;
    } else if (hangover == 0) {
        elapsed = 0;
        mode = kSid;
    } else {
        hangover = sub(hangover, 1);
        if (add(elapsed, hangover) < kElapsedThresh) mode = kSid;
    }
}

void Encoder::State::find_frame_indices(int16_t* idx) {
    // Drop the oldest frame from the column sums and the distance matrix (kept as a triangle).
    int16_t tmp = kHistSize - 1;
    int j = -1;
    for (int i = 0; i < kHistSize - 1; ++i) {
        j += tmp;
        sum_dist[i] = L_sub(sum_dist[i], dist[j]);
        --tmp;
    }
    for (int i = kHistSize - 1; i > 0; --i) sum_dist[i] = sum_dist[i - 1];
    sum_dist[0] = 0;
    tmp = 0;
    for (int i = 27; i >= 12; i -= tmp) {
        ++tmp;
        for (int k = tmp; k > 0; --k) dist[i - k + 1] = dist[i - k - tmp];
    }
    int16_t ptr = hist_ptr;
    for (int i = 1; i < kHistSize; ++i) {
        if (--ptr < 0) ptr = kHistSize - 1;
        int32_t t = 0;
        for (int k = 0; k < kM; ++k) {
            const int16_t d = sub(isf_hist[hist_ptr * kM + k], isf_hist[ptr * kM + k]);
            t = L_mac(t, d, d);
        }
        dist[i - 1] = t;
        sum_dist[0] = L_add(sum_dist[0], t);
        sum_dist[i] = L_add(sum_dist[i], t);
    }
    int32_t summax = sum_dist[0], summin = sum_dist[0];
    idx[0] = 0;
    idx[2] = 0;
    for (int i = 1; i < kHistSize; ++i) {
        if (sum_dist[i] > summax) {
            idx[0] = static_cast<int16_t>(i);
            summax = sum_dist[i];
        }
        if (sum_dist[i] < summin) {
            idx[2] = static_cast<int16_t>(i);
            summin = sum_dist[i];
        }
    }
    int32_t summax2 = -2147483647;
    idx[1] = -1;
    for (int i = 0; i < kHistSize; ++i) {
        if (sum_dist[i] > summax2 && i != idx[0]) {
            idx[1] = static_cast<int16_t>(i);
            summax2 = sum_dist[i];
        }
    }
    for (int i = 0; i < 3; ++i) {
        idx[i] = sub(hist_ptr, idx[i]);
        if (idx[i] < 0) idx[i] = add(idx[i], kHistSize);
    }
    // Replace by the median only when the outliers are far enough from it.
    const int16_t n = norm_l(summax);
    summax = L_shl(summax, n);
    summin = L_shl(summin, n);
    if (L_mult(round16(summax), kInvMedThresh) <= summin) idx[0] = -1;
    summax2 = L_shl(summax2, n);
    if (L_mult(round16(summax2), kInvMedThresh) <= summin) idx[1] = -1;
}

int16_t Encoder::State::dithering_control() {
    int32_t isf_diff = 0;
    for (int i = 0; i < 8; ++i) isf_diff = L_add(isf_diff, sum_dist[i]);
    int16_t dith = L_shr(isf_diff, 26) > 0 ? 1 : 0;
    int16_t mean = 0;
    for (int i = 0; i < kHistSize; ++i) mean = add(mean, log_en_hist[i]);
    mean = shr(mean, 3);
    int16_t diff = 0;
    for (int i = 0; i < kHistSize; ++i) diff = add(diff, abs_s(sub(log_en_hist[i], mean)));
    if (diff > kGainThr) dith = 1;
    return dith;
}

void Encoder::State::dtx_encode(int16_t* isf, int16_t* exc2, int16_t*& prm) {
    int16_t log_en = 0;
    for (int i = 0; i < kHistSize; ++i) log_en = add(log_en, log_en_hist[i]);
    int16_t idx[3];
    find_frame_indices(idx);
    // Average the history with the two outliers replaced by the median frame.
    int16_t saved[2 * kM];
    for (int k = 0; k < 2; ++k) {
        if (idx[k] == -1) continue;
        for (int i = 0; i < kM; ++i) {
            saved[k * kM + i] = isf_hist[idx[k] * kM + i];
            isf_hist[idx[k] * kM + i] = isf_hist[idx[2] * kM + i];
        }
    }
    for (int j = 0; j < kM; ++j) {
        int32_t t = 0;
        for (int i = 0; i < kHistSize; ++i) t = L_add(t, isf_hist[i * kM + j]);
        isf[j] = extract_l(L_shr(t, 3));
    }
    for (int k = 0; k < 2; ++k) {
        if (idx[k] == -1) continue;
        for (int i = 0; i < kM; ++i) isf_hist[idx[k] * kM + i] = saved[k * kM + i];
    }
    // Energy to 6 bits.
    log_en = mult(add(shr(log_en, 2), 512), 21504);
    log_en_index = shr(log_en, 6);
    if (log_en_index > 63) log_en_index = 63;
    if (log_en_index < 0) log_en_index = 0;
    int16_t index[5];
    voksISFQuantDTX_AMRWB_16s(isf, isf, index);
    for (int i = 0; i < 5; ++i) put(prm, index[i]);
    put(prm, log_en_index);
    put(prm, dithering_control());
    // Comfort-noise excitation at the quantised level.
    log_en = mult(shl(log_en_index, 9), 12483);
    const int16_t e = add(shr(log_en, 10), 15);
    const int16_t m = shl(static_cast<int16_t>(log_en & 0x3ff), 5);
    int32_t level32 = pow2(e, m);
    int16_t exp0 = norm_l(level32);
    level32 = L_shl(level32, exp0);
    exp0 = sub(15, exp0);
    const int16_t level = extract_h(level32);
    for (int i = 0; i < kFrame; ++i) exc2[i] = shr(random16(&cng_seed), 4);
    int16_t exp;
    int32_t ener = dot_product12(exc2, exc2, kFrame, &exp);
    isqrt_n(&ener, &exp);
    const int16_t gain = mult(level, extract_h(ener));
    exp = add(add(exp0, exp), 4);
    for (int i = 0; i < kFrame; ++i) exc2[i] = shl(mult(exc2[i], gain), exp);
}

void Encoder::State::synthesis(const int16_t* aq, int16_t* exc, int q_new, const int16_t* speech16k,
                               int16_t* gain_index) {
    int32_t sig[kM + kSubfr];
    int16_t synth[kSubfr], hf[kSubfr16], hf_sp[kSubfr16], ap[kM + 1];
    std::memcpy(sig, mem_syn32, sizeof mem_syn32);
    voksSynthesisFilter_AMRWB_16s32s_ISfs(aq, kM, exc, sig + kM, kSubfr, q_new);
    std::memcpy(mem_syn32, sig + kSubfr, sizeof mem_syn32);
    voksDeemphasize_AMRWB_32s16s(kPreemph, sig + kM, synth, kSubfr, &mem_deemph);
    voksHighPassFilter_AMRWB_16s_ISfs(synth, kSubfr, hp50_out.get(), 14);
    std::memcpy(hf_sp, speech16k, sizeof hf_sp);
    // White noise at the energy of the excitation.
    for (int i = 0; i < kSubfr16; ++i) hf[i] = shr(random16(&seed2), 3);
    scale_sig(exc, kSubfr, -3);
    q_new -= 3;
    int16_t exp_ener, exp;
    int16_t ener = extract_h(dot_product12(exc, exc, kSubfr, &exp_ener));
    exp_ener = sub(exp_ener, static_cast<int16_t>(q_new + q_new));
    int16_t tmp = extract_h(dot_product12(hf, hf, kSubfr16, &exp));
    if (tmp > ener) {
        tmp = shr(tmp, 1);
        exp = add(exp, 1);
    }
    int32_t t = L_deposit_h(div_s(tmp, ener));
    exp = sub(exp, exp_ener);
    isqrt_n(&t, &exp);
    t = L_shl(t, add(exp, 1));
    tmp = extract_h(t);
    for (int i = 0; i < kSubfr16; ++i) hf[i] = mult(hf[i], tmp);
    // Tilt of the synthesis sets the estimated gain.
    voksHighPassFilter_AMRWB_16s_ISfs(synth, kSubfr, hp400.get(), 15);
    t = 1;
    for (int i = 0; i < kSubfr; ++i) t = L_mac(t, synth[i], synth[i]);
    exp = norm_l(t);
    ener = extract_h(L_shl(t, exp));
    t = 1;
    for (int i = 1; i < kSubfr; ++i) t = L_mac(t, synth[i], synth[i - 1]);
    tmp = extract_h(L_shl(t, exp));
    const int16_t fac = tmp > 0 ? div_s(tmp, ener) : 0;
    const int16_t gain1 = sub(32767, fac);
    const int16_t gain2 = shl(mult(sub(32767, fac), 20480), 1);
    tmp = add(mult(vad_hist > 0 ? 0 : 32767, gain1), mult(vad_hist > 0 ? 32767 : 0, gain2));
    if (tmp != 0) tmp = add(tmp, 1);
    int16_t est_gain = tmp < 3277 ? 3277 : tmp;
    // The noise shaped by the weighted LP filter and band-passed, and the input's high band.
    weight_a(aq, ap, 19661, kM);
    syn_filt(ap, kM, hf, hf, kSubfr16, mem_syn_hf, true);
    filt_6k_7k(hf, kSubfr16, mem_hf);
    filt_6k_7k(hf_sp, kSubfr16, mem_hf2);
    scale_sig(hf_sp, kSubfr16, -1);
    ener = extract_h(dot_product12(hf_sp, hf_sp, kSubfr16, &exp_ener));
    tmp = extract_h(dot_product12(hf, hf, kSubfr16, &exp));
    if (tmp > ener) {
        tmp = shr(tmp, 1);
        exp = add(exp, 1);
    }
    t = L_deposit_h(div_s(tmp, ener));
    exp = sub(exp, exp_ener);
    isqrt_n(&t, &exp);
    t = L_shl(t, exp);
    const int16_t calc_gain = extract_h(t);
    t = L_shl(L_mult(hangover, 4681), 15);
    gain_alpha = mult(gain_alpha, extract_h(t));
    if (hangover > 6) gain_alpha = 32767;
    est_gain = shr(est_gain, 1);
    const int16_t corr = add(mult(calc_gain, gain_alpha), mult(sub(32767, gain_alpha), est_gain));
    int16_t dmin = 32767, best = 0;
    for (int i = 0; i < 16; ++i) {
        const int16_t d = mult(sub(corr, kHpGain[i]), sub(corr, kHpGain[i]));
        if (dmin > d) {
            dmin = d;
            best = static_cast<int16_t>(i);
        }
    }
    *gain_index = best;
}

void Encoder::State::encode(int& mode, const int16_t* speech16k, int16_t* prm) {
    int16_t old_sp[kTotal], old_w[kFrame + kOlMax], old_e[kFrame + 1 + kPitMax + kInterpol];
    int16_t* new_speech = old_sp + kTotal - kFrame - kFilt;
    int16_t* speech = old_sp + kTotal - kFrame - kNext;
    int16_t* p_window = old_sp + kTotal - kWindow;
    int16_t* exc = old_e + kPitMax + kInterpol;
    int16_t* wsp = old_w + kOlMax;
    int16_t r_h[kM + 1], r_l[kM + 1], ap[kM + 1], ispnew[kM], ispnew_q[kM], isf[kM];
    int16_t a[4 * (kM + 1)], aq[4 * (kM + 1)];
    int16_t xn[kSubfr], xn2[kSubfr], dn[kSubfr], cn[kSubfr], h1[kSubfr], h2[kSubfr], code[kSubfr];
    int16_t y1[kSubfr], y2[kSubfr], error[kM + kSubfr], synth[kSubfr], exc2[kFrame], buf[kFrame];
    int16_t code2[kSubfr], g_coeff[4], g_coeff2[4], indice[8];
    const int codec_mode = mode;
    int bits = kBits[mode];

    std::memcpy(old_sp, old_speech, sizeof old_speech);
    std::memcpy(old_w, old_wsp, sizeof old_wsp);
    std::memcpy(old_e, old_exc, sizeof old_exc);

    // 16 kHz to 12.8 kHz, with the look-ahead approximated from zeros, and the 50 Hz high-pass.
    decim_12k8(speech16k, kFrame16, new_speech, mem_decim);
    {
        int16_t mem[2 * kFilt16], zero[kFilt16] = {};
        std::memcpy(mem, mem_decim, sizeof mem);
        decim_12k8(zero, kFilt16, new_speech + kFrame, mem);
    }
    voksHighPassFilter_AMRWB_16s_ISfs(new_speech, kFrame, hp50_in.get(), 14);
    {
        HpFilter tmp = hp50_in;
        voksHighPassFilter_AMRWB_16s_ISfs(new_speech + kFrame, kFilt, tmp.get(), 14);
    }

    // Pre-emphasis, scaled to the frame's headroom.
    const int16_t mu = shr(kPreemph, 1);
    int32_t l_max = L_abs(L_msu(L_mult(new_speech[0], 16384), mem_preemph, mu));
    for (int i = 1; i < kFrame + kFilt; ++i) {
        const int32_t t = L_abs(L_msu(L_mult(new_speech[i], 16384), new_speech[i - 1], mu));
        if (t > l_max) l_max = t;
    }
    int16_t tmp = extract_h(l_max);
    int16_t shift;
    if (tmp == 0) {
        shift = kQMax;
    } else {
        shift = sub(norm_s(tmp), 1);
        if (shift < 0) shift = 0;
        if (shift > kQMax) shift = kQMax;
    }
    int16_t q_new = shift;
    if (q_new > q_max[0]) q_new = q_max[0];
    if (q_new > q_max[1]) q_new = q_max[1];
    int16_t exp = sub(q_new, q_old);
    q_old = q_new;
    q_max[1] = q_max[0];
    q_max[0] = shift;
    tmp = new_speech[kFrame - 1];
    for (int i = kFrame + kFilt - 1; i > 0; --i)
        new_speech[i] = round16(L_shl(L_msu(L_mult(new_speech[i], 16384), new_speech[i - 1], mu), q_new));
    new_speech[0] = round16(L_shl(L_msu(L_mult(new_speech[0], 16384), mem_preemph, mu), q_new));
    mem_preemph = tmp;
    scale_sig(old_sp, kTotal - kFrame - kFilt, exp);
    scale_sig(old_e, kPitMax + kInterpol, exp);
    scale_sig(mem_syn, kM, exp);
    scale_sig(mem_decim2, 3, exp);
    scale_sig(&mem_wsp, 1, exp);
    scale_sig(&mem_w0, 1, exp);

    // Voice activity on the look-ahead frame, and the DTX decision.
    std::memcpy(buf, new_speech, sizeof buf);
    scale_sig(buf, kFrame, sub(1, q_new));
    int16_t vad_flag = 0;
    voksVAD_AMRWB_16s(buf, vad_state(), &tone, &vad_flag);
    vad_hist = vad_flag == 0 ? add(vad_hist, 1) : 0;
    if (dtx) {
        dtx_handler(vad_flag, mode);
        bits = kBits[mode];
    }
    if (mode != kSid) put(prm, vad_flag);

    // LP analysis centred on the fourth subframe.
    autocorr(p_window, r_h, r_l);
    lag_window(r_h, r_l);
    levinson(r_h, r_l, a, mem_levinson);
    voksLPCToISP_AMRWB_16s(a, ispnew, ispold);
    int_isp(ispold, ispnew, a);
    std::memcpy(ispold, ispnew, sizeof ispold);
    voksISPToISF_Norm_AMRWB_16s(ispnew, isf, kM);
    gp_clip_isf(bits, isf, gp_clip);

    // Weighted speech, decimated by 2 and scaled, and the open-loop lags.
    for (int s = 0; s < 4; ++s) {
        weight_a(a + s * (kM + 1), ap, kGamma1, kM);
        residu(ap, speech + s * kSubfr, wsp + s * kSubfr, kSubfr);
    }
    voksDeemphasize_AMRWB_NR_16s_I(kTilt, wsp, kFrame, &mem_wsp);
    int16_t max = 0;
    for (int i = 0; i < kFrame; ++i) {
        const int16_t v = abs_s(wsp[i]);
        if (v > max) max = v;
    }
    tmp = old_wsp_max > max ? old_wsp_max : max;
    old_wsp_max = max;
    shift = sub(norm_s(tmp), 3);
    if (shift > 0) shift = 0;
    lp_decim2(wsp, kFrame, mem_decim2);
    scale_sig(wsp, kFrame / 2, shift);
    exp = add(exp, sub(shift, old_wsp_shift));
    old_wsp_shift = shift;
    scale_sig(old_w, kOlMax, exp);
    scale_sig(old_hp_wsp, kOlMax, exp);
    hp_wsp_sf -= exp;
    const auto open_loop = [&](const int16_t* w, int n) {
        int16_t* hp = old_hp_wsp + kOlMax;
        voksHighPassFilter_AMRWB_16s_Sfs(w, hp, n, hp_wsp.get(), hp_wsp_sf);
        int16_t lag = 0;
        voksOpenLoopPitchSearch_AMRWB_16s(w, hp, &old_t0_med, &ada_w, &lag, &tone, &ol_gain, old_ol_lag,
                                          &ol_wght_flg, n);
        std::memmove(old_hp_wsp, old_hp_wsp + n, sizeof(int16_t) * kOlMax);
        return lag;
    };
    int16_t t_op[2];
    t_op[0] = open_loop(wsp, bits == 132 ? kFrame / 2 : kFrame / 4);
    t_op[1] = bits == 132 ? t_op[0] : open_loop(wsp + kFrame / 4, kFrame / 4);

    if (mode == kSid) {
        // Comfort noise: buffer and quantise the averaged ISFs and energy.
        residu(a + 3 * (kM + 1), speech, exc, kFrame);
        for (int i = 0; i < kFrame; ++i) exc2[i] = shr(exc[i], q_new);
        int16_t hist_ptr16 = hist_ptr;
        voksEncDTXBuffer_AMRWB_16s(exc2, isf, &hist_ptr16, isf_hist, log_en_hist, kRate[codec_mode]);
        hist_ptr = hist_ptr16;
        dtx_encode(isf, exc2, prm);
        voksISFToISP_AMRWB_16s(isf, ispnew_q, kM);
        voksISPToLPC_AMRWB_16s(ispnew_q, aq, kM);
        int16_t unused;
        for (int s = 0; s < 4; ++s) synthesis(aq, exc2 + s * kSubfr, 0, speech16k + s * kSubfr16, &unused);
        std::memcpy(isfold, isf, sizeof isfold);
        reset(false);
        std::memcpy(old_speech, old_sp + kFrame, sizeof old_speech);
        std::memcpy(old_wsp, old_w + kFrame / 2, sizeof old_wsp);
        return;
    }

    // ISF quantisation.
    voksISFQuant_AMRWB_16s(isf, past_isfq, isf, indice, kRate[mode]);
    for (int i = 0; i < (bits == 132 ? 5 : 7); ++i) put(prm, indice[i]);
    int32_t t = 0;
    for (int i = 0; i < kM - 1; ++i) {
        const int16_t d = sub(isf[i], isfold[i]);
        t = L_mac(t, d, d);
    }
    tmp = sub(20480, mult(extract_h(L_shl(t, 8)), 26214));
    int16_t stab_fac = shl(tmp, 1);
    if (stab_fac < 0) stab_fac = 0;
    std::memcpy(isfold, isf, sizeof isfold);
    voksISFToISP_AMRWB_16s(isf, ispnew_q, kM);
    if (first_frame) {
        first_frame = 0;
        std::memcpy(ispold_q, ispnew_q, sizeof ispold_q);
    }
    int_isp(ispold_q, ispnew_q, aq);
    std::memcpy(ispold_q, ispnew_q, sizeof ispold_q);
    for (int s = 0; s < 4; ++s) residu(aq + s * (kM + 1), speech + s * kSubfr, exc + s * kSubfr, kSubfr);
    int16_t res[kFrame];  // the residual again for each subframe (the pitch search overwrites it)
    std::memcpy(res, exc, sizeof res);
    if (vad_flag == 0) {
        for (int i = 0; i < kFrame; ++i) exc2[i] = shr(exc[i], q_new);
        int16_t hist_ptr16 = hist_ptr;
        voksEncDTXBuffer_AMRWB_16s(exc2, isf, &hist_ptr16, isf_hist, log_en_hist, kRate[codec_mode]);
        hist_ptr = hist_ptr16;
    }

    int16_t bounds[2];
    const int rate = kRate[mode];
    const int16_t* p_a = a;
    const int16_t* p_aq = aq;
    for (int sf = 0; sf < 4; ++sf, p_a += kM + 1, p_aq += kM + 1) {
        const int i_subfr = sf * kSubfr;
        // Target: the weighted error of the synthesis of the residual.
        for (int i = 0; i < kM; ++i) error[i] = sub(speech[i + i_subfr - kM], mem_syn[i]);
        std::memcpy(exc + i_subfr, res + i_subfr, sizeof(int16_t) * kSubfr);
        syn_filt(p_aq, kM, exc + i_subfr, error + kM, kSubfr, error, false);
        weight_a(p_a, ap, kGamma1, kM);
        residu(ap, error + kM, xn, kSubfr);
        voksDeemphasize_AMRWB_NR_16s_I(kTilt, xn, kSubfr, &mem_w0);
        // The target in the residual domain: exact for the first half, the residual for the second.
        std::memset(code, 0, sizeof(int16_t) * kM);
        std::memcpy(code + kM, xn, sizeof(int16_t) * kSubfr / 2);
        tmp = 0;
        voksPreemphasize_AMRWB_16s_ISfs(kTilt, code + kM, kSubfr / 2, 13, &tmp);
        syn_filt(ap, kM, code + kM, code + kM, kSubfr / 2, code, false);
        residu(p_aq, code + kM, cn, kSubfr / 2);
        std::memcpy(cn + kSubfr / 2, exc + i_subfr + kSubfr / 2, sizeof(int16_t) * kSubfr / 2);
        // Impulse response of the weighted synthesis filter.
        std::memset(error, 0, sizeof error);
        weight_a(p_a, error + kM, kGamma1, kM);
        syn_filt_q(p_aq, kM, 16384, 3, error + kM, h1, kSubfr, error, false);
        tmp = 0;
        voksDeemphasize_AMRWB_NR_16s_I(kTilt, h1, kSubfr, &tmp);
        std::memcpy(h2, h1, sizeof h2);
        scale_sig(h2, kSubfr, -2);
        scale_sig(xn, kSubfr, shift);
        scale_sig(h1, kSubfr, add(1, shift));

        // Closed-loop lag and the adaptive vector.
        int16_t t0 = 0, t0_frac = 0, index = 0;
        voksAdaptiveCodebookSearch_AMRWB_16s(xn, h1, t_op, &t0, bounds, exc + i_subfr, &t0_frac, &index, sf,
                                             rate);
        put(prm, index);
        const int16_t clip_gain = gp_clip_test(bits, gp_clip);
        int16_t gain1 = 0, gain2 = 0;
        if (bits > 177) {
            convolve(exc + i_subfr, h1, y1, kSubfr);
            voksAdaptiveCodebookGainCoeff_AMRWB_16s(xn, y1, g_coeff, &gain1, kSubfr);
            if (clip_gain && gain1 > kGpClip) gain1 = kGpClip;
            updt_tar(xn, dn, y1, gain1, kSubfr);
        }
        // The adaptive vector through the low-pass filter.
        for (int i = 0; i < kSubfr; ++i) {
            int32_t s = L_mult(5898, exc[i - 1 + i_subfr]);
            s = L_mac(s, 20972, exc[i + i_subfr]);
            s = L_mac(s, 5898, exc[i + 1 + i_subfr]);
            code[i] = round16(s);
        }
        convolve(code, h1, y2, kSubfr);
        voksAdaptiveCodebookGainCoeff_AMRWB_16s(xn, y2, g_coeff2, &gain2, kSubfr);
        if (clip_gain && gain2 > kGpClip) gain2 = kGpClip;
        updt_tar(xn, xn2, y2, gain2, kSubfr);
        int select = 0;
        if (bits > 177) {
            // Both saturating chains are monotonic (terms of one sign), so each ends at its
            // clamped exact sum; a square saturates only at -32768.
            int64_t e1 = 0, e2 = 0;
            for (int i = 0; i < kSubfr; ++i) e1 += std::min<int64_t>(INT32_MAX, 2 * int64_t{dn[i]} * dn[i]);
            for (int i = 0; i < kSubfr; ++i) e2 += std::min<int64_t>(INT32_MAX, 2 * int64_t{xn2[i]} * xn2[i]);
            if (std::min<int64_t>(INT32_MAX, e1) - e2 <= 0) select = 1;
            put(prm, select);
        }
        int16_t gain_pit;
        if (select == 0) {
            gain_pit = gain2;
            std::memcpy(exc + i_subfr, code, sizeof code);
            std::memcpy(y1, y2, sizeof y1);
            std::memcpy(g_coeff, g_coeff2, sizeof g_coeff);
        } else {
            gain_pit = gain1;
            std::memcpy(xn2, dn, sizeof xn2);
        }
        updt_tar(cn, cn, exc + i_subfr, gain_pit, kSubfr);
        scale_sig(cn, kSubfr, shift);
        // The pitch contribution folded into the response, then the algebraic codebook.
        tmp = 0;
        voksPreemphasize_AMRWB_16s_ISfs(tilt_code, h2, kSubfr, 14, &tmp);
        if (t0_frac > 2) t0 = add(t0, 1);
        pit_shrp(h2, t0, kPitSharp, kSubfr);
        voksAlgebraicCodebookSearch_AMRWB_16s(xn2, cn, h2, code, y2, rate, indice);
        for (int k = 0; k < kCbCount[mode]; ++k) put(prm, indice[k]);
        tmp = 0;
        voksPreemphasize_AMRWB_16s_ISfs(tilt_code, code, kSubfr, 14, &tmp);
        pit_shrp(code, t0, kPitSharp, kSubfr);

        // Gains.
        int32_t l_gain_code = 0;
        voksGainQuant_AMRWB_16s(xn, y1, q_new + shift, code, y2, g_coeff, qua_gain, &gain_pit, &l_gain_code,
                                clip_gain, &index, kSubfr, rate);
        put(prm, index);
        gp_clip_gain(bits, gain_pit, gp_clip);
        int16_t gain_code = round16(L_shl(l_gain_code, q_new));
        std::memcpy(exc2, exc + i_subfr, sizeof(int16_t) * kSubfr);
        scale_sig(exc2, kSubfr, shift);
        const int16_t voice_fac = voice_factor(exc2, shift, gain_pit, code, gain_code, kSubfr);
        tilt_code = add(shr(voice_fac, 2), 8192);

        // Weighting-filter memory, the excitation and the synthesis memory.
        int32_t s = L_shl(L_mult(gain_code, y2[kSubfr - 1]), add(5, shift));
        s = L_negate(s);
        s = L_mac(s, xn[kSubfr - 1], 16384);
        s = L_msu(s, y1[kSubfr - 1], gain_pit);
        mem_w0 = round16(L_shl(s, sub(1, shift)));
        if (bits >= 477) std::memcpy(exc2, exc + i_subfr, sizeof(int16_t) * kSubfr);
        for (int i = 0; i < kSubfr; ++i) {
            s = L_shl(L_mult(gain_code, code[i]), 5);
            s = L_mac(s, exc[i + i_subfr], gain_pit);
            exc[i + i_subfr] = round16(L_shl(s, 1));
        }
        syn_filt(p_aq, kM, exc + i_subfr, synth, kSubfr, mem_syn, true);

        if (bits >= 477) {
            // Noise and pitch enhancement of the excitation behind the high-band gain.
            const int16_t fac = mult(stab_fac, sub(16384, shr(voice_fac, 1)));
            l_gain_code = smooth_code_gain(l_gain_code, fac, &gc_thres);
            const int16_t coef[2] = {0, add(shr(voice_fac, 3), 4096)};
            voksHighPassFilter_Direct_AMRWB_16s(coef, code, code2, kSubfr, 0);
            gain_code = round16(L_shl(l_gain_code, q_new));
            for (int i = 0; i < kSubfr; ++i) {
                s = L_shl(L_mult(code2[i], gain_code), 5);
                s = L_mac(s, exc2[i], gain_pit);
                exc2[i] = round16(L_shl(s, 1));
            }
            int16_t hf_index = 0;
            synthesis(p_aq, exc2, q_new, speech16k + sf * kSubfr16, &hf_index);
            put(prm, hf_index);
        }
    }
    std::memcpy(old_speech, old_sp + kFrame, sizeof old_speech);
    std::memcpy(old_wsp, old_w + kFrame / 2, sizeof old_wsp);
    std::memcpy(old_exc, old_e + kFrame, sizeof old_exc);
}

Encoder::Encoder() : st_(new State) {
    init(false);
}

Encoder::~Encoder() = default;

void Encoder::init(bool dtx) {
    st_->dtx = dtx;
    st_->reset(true);
    st_->sid_update_counter = 3;
    st_->prev_ft = kTxSpeech;
}

bool Encoder::encode(const int16_t* pcm, int mode, EncodedFrame& out) {
    if (pcm == nullptr || mode < 0 || mode > 8) return false;
    State& s = *st_;
    bool homing = true;
    for (int i = 0; i < kFrame16; ++i) {
        if (pcm[i] != 0x0008) {
            homing = false;
            break;
        }
    }
    int16_t signal[kFrame16];
    for (int i = 0; i < kFrame16; ++i) signal[i] = static_cast<int16_t>(pcm[i] & 0xfffc);
    int used = mode;
    out = EncodedFrame{};
    s.encode(used, signal, out.params);
    out.mode = used;
    out.requested = mode;
    out.count = param_count(used);
    // Frame type: a first descriptor after speech, then an update every eighth frame.
    if (used == kSid) {
        --s.sid_update_counter;
        if (s.prev_ft == kTxSpeech) {
            out.tx_type = kTxSidFirst;
            s.sid_update_counter = 3;
        } else if (s.sid_update_counter == 0) {
            out.tx_type = kTxSidUpdate;
            s.sid_update_counter = 8;
        } else {
            out.tx_type = kTxNoData;
        }
    } else {
        s.sid_update_counter = 8;
        out.tx_type = kTxSpeech;
    }
    s.prev_ft = out.tx_type;
    if (homing) s.reset(true);
    return true;
}

}  // namespace amrwbex

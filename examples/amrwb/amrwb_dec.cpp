// AMR-WB decoder on the public voksc operations. The glue arithmetic is the 16/32-bit saturating
// fixed point of the standard's decoder, so the output is bit-exact.
#include "amrwb/amrwb_dec.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "amrwb/amrwb_dec_dsp.h"
#include "amrwb/amrwb_dec_ops.h"
#include "amrwb/amrwb_dec_tables.h"
#include "voksc.h"

namespace amrwbex {

using namespace dec;  // NOLINT: the decoder's fixed-point operators

namespace {

constexpr int kM = 16, kM16 = 20;
constexpr int kSub = 64, kFrame = 256;
constexpr int kPast = 231 + 17;  // past excitation the adaptive codebook reads
constexpr int16_t kQMax = 8;
constexpr int16_t kPreemph = 22282;
constexpr int kBits[kModes] = {132, 177, 253, 285, 317, 365, 397, 461, 477};
constexpr int k7k = 132, k9k = 177, k24k = 477;
constexpr int kRates[kModes] = {vokRate6600,  vokRate8850,  vokRate12650, vokRate14250, vokRate15850,
                                vokRate18250, vokRate19850, vokRate23050, vokRate23850};
// ISP interpolation weights of the new frame in subframes 0..3 (Q15).
constexpr int16_t kInterp[4] = {14746, 26214, 31457, 32767};
// Pitch and code gain attenuation of bad frames by concealment state, usable and lost frames.
constexpr int16_t kPitchDownUsable[7] = {32767, 32113, 31457, 24576, 7537, 1638, 328};
constexpr int16_t kPitchDownLost[7] = {32767, 31130, 29491, 24576, 7537, 1638, 328};
constexpr int16_t kCodeDownUsable[7] = {32767, 32113, 32113, 32113, 32113, 32113, 22938};
constexpr int16_t kCodeDownLost[7] = {32767, 16384, 8192, 8192, 8192, 4915, 3277};
// Bits of the first subframe of each mode (the first homing test).
constexpr int kFirstSubframeBits[kModes] = {63, 81, 100, 108, 116, 128, 136, 152, 156};
enum { kSpeech = 0, kDtx = 1, kDtxMute = 2 };
constexpr int kHangConst = 7, kElapsedThresh = 24 + 7 - 1, kMaxEmpty = 50;

int16_t median5(const int16_t* x) {
    int16_t t[5];
    std::copy(x, x + 5, t);
    std::sort(t, t + 5);
    return t[2];
}

// Reads parameter words in order, as the reference reads its bit fields.
struct Reader {
    const int16_t* p;
    int n;
    int at = 0;
    int16_t next() { return at < n ? p[at++] : int16_t{0}; }
};

}  // namespace

struct Decoder::State {
    // excitation, ISFs and LP
    int16_t old_exc[kPast];
    int16_t ispold[kM], isfold[kM], isf_buf[3 * kM], past_isfq[kM];
    int16_t tilt_code, q_old, qsubfr[4];
    int32_t gc_thres;
    // synthesis at 12.8 kHz and 16 kHz
    int32_t mem_syn[kM];
    int16_t mem_deemph;
    alignas(8) uint8_t hp50[64], hp400[64];
    int16_t mem_oversamp[24], mem_syn_hf[kM16], mem_hf[30], mem_hf3[30];
    int16_t seed, seed2;
    // adaptive codebook (lags, concealment), gains
    alignas(8) uint8_t acb[32];
    int16_t past_qua_en[4], past_gain_pit, past_gain_code, prev_gc, pbuf[5], gbuf[5];
    int16_t disp_mem[8];
    int16_t prev_bfi, bfh_state, first_frame, vad_hist;
    // comfort noise
    struct Dtx {
        int16_t since_last_sid, true_sid_period_inv, log_en, old_log_en, cng_seed, hist_ptr;
        int16_t isf[kM], isf_old[kM], isf_hist[8 * kM], log_en_hist[8];
        int16_t hangover_count, elapsed, sid_frame, valid_data, hangover_added, global_state;
        int16_t data_updated, dither_seed, cn_dith, vad_hist;
    } dtx;
    // the reference program's frame loop
    int16_t bits[kMaxBits];
    int16_t mode_old, reset_old;

    void reset(bool all);
    void dtx_reset();
    int rx_dtx_handler(int type);
    void dtx_decode(int16_t* exc, int new_state, int16_t* isf, Reader& rd);
    void synthesis(const int16_t* aq, int16_t* exc, int16_t q_new, int16_t* out, int16_t hf_gain_index,
                   int16_t* hf_isf, int nb_bits, int new_state, int bfi);
    void decode(int mode, const int16_t* params, int nparams, int type, int16_t* pcm);
};

void Decoder::State::dtx_reset() {
    Dtx& d = dtx;
    d.since_last_sid = 0;
    d.true_sid_period_inv = 1 << 13;
    d.log_en = d.old_log_en = 3500;
    d.cng_seed = 21845;
    d.hist_ptr = 0;
    std::copy(tab::kIsfInit, tab::kIsfInit + kM, d.isf);
    std::copy(tab::kIsfInit, tab::kIsfInit + kM, d.isf_old);
    for (int i = 0; i < 8; ++i) {
        std::copy(tab::kIsfInit, tab::kIsfInit + kM, d.isf_hist + i * kM);
        d.log_en_hist[i] = 3500 >> 3;
    }
    d.hangover_count = kHangConst;
    d.elapsed = 32767;
    d.sid_frame = d.valid_data = d.hangover_added = 0;
    d.global_state = kSpeech;
    d.data_updated = 0;
    d.dither_seed = 21845;
    d.cn_dith = 0;
    d.vad_hist = 0;
}

void Decoder::State::reset(bool all) {
    std::fill(old_exc, old_exc + kPast, int16_t{0});
    std::fill(past_isfq, past_isfq + kM, int16_t{0});
    first_frame = 1;
    gc_thres = 0;
    tilt_code = 0;
    std::fill(disp_mem, disp_mem + 8, int16_t{0});
    q_old = kQMax;
    std::fill(qsubfr, qsubfr + 4, kQMax);
    if (all) {
        std::fill(past_qua_en, past_qua_en + 4, int16_t{-14336});
        past_gain_pit = past_gain_code = prev_gc = 0;
        std::fill(pbuf, pbuf + 5, int16_t{0});
        std::fill(gbuf, gbuf + 5, int16_t{0});
        voksAdaptiveCodebookDecodeInit_AMRWB_16s(
            reinterpret_cast<VokAdaptiveCodebookDecodeState_AMRWB*>(acb));
        std::fill(mem_oversamp, mem_oversamp + 24, int16_t{0});
        static const int16_t k50b[3] = {4053, -8106, 4053}, k50a[3] = {8192, 16211, -8021};
        static const int16_t k400b[3] = {915, -1830, 915}, k400a[3] = {16384, 29280, -14160};
        voksHighPassFilterInit_AMRWB_16s(k50b, k50a, 2,
                                         reinterpret_cast<VokHighPassFilterState_AMRWB*>(hp50));
        voksHighPassFilterInit_AMRWB_16s(k400b, k400a, 2,
                                         reinterpret_cast<VokHighPassFilterState_AMRWB*>(hp400));
        std::fill(mem_hf, mem_hf + 30, int16_t{0});
        std::fill(mem_hf3, mem_hf3 + 30, int16_t{0});
        std::copy(tab::kIspInit, tab::kIspInit + kM, ispold);
        std::copy(tab::kIsfInit, tab::kIsfInit + kM, isfold);
        for (int i = 0; i < 3; ++i) std::copy(tab::kIsfInit, tab::kIsfInit + kM, isf_buf + i * kM);
        mem_deemph = 0;
        seed = seed2 = 21845;
        bfh_state = 0;
        prev_bfi = 0;
        std::fill(mem_syn_hf, mem_syn_hf + kM16, int16_t{0});
        std::fill(mem_syn, mem_syn + kM, 0);
        dtx_reset();
        vad_hist = 0;
    } else {
        // Only the last good lag of the adaptive codebook state returns to 64.
        const int16_t lag = 64;
        std::memcpy(acb + 22, &lag, sizeof lag);
    }
}

// The comfort-noise state machine: the synthesis state (speech, comfort noise or muted comfort
// noise) of a received frame type, and the hangover tracking of the encoder's analysis.
int Decoder::State::rx_dtx_handler(int type) {
    Dtx& d = dtx;
    const bool sid = type == kRxSidFirst || type == kRxSidUpdate || type == kRxSidBad;
    const bool in_dtx = d.global_state == kDtx || d.global_state == kDtxMute;
    int new_state;
    if (sid || (in_dtx && (type == kRxNoData || type == kRxSpeechBad || type == kRxSpeechLost))) {
        new_state = kDtx;
        if (d.global_state == kDtxMute &&
            (type == kRxSidBad || type == kRxSidFirst || type == kRxSpeechLost || type == kRxNoData))
            new_state = kDtxMute;
        d.since_last_sid = add(d.since_last_sid, 1);
        if (type != kRxSidUpdate && d.since_last_sid > kMaxEmpty) new_state = kDtxMute;
    } else {
        new_state = kSpeech;
        d.since_last_sid = 0;
    }
    if (d.data_updated == 0 && type == kRxSidUpdate) d.elapsed = 0;
    d.elapsed = add(d.elapsed, 1);
    d.hangover_added = 0;
    const bool enc_dtx =
        sid || (type == kRxNoData && (d.global_state != kSpeech || d.vad_hist >= kHangConst));
    if (!enc_dtx) {
        d.hangover_count = kHangConst;
    } else if (d.elapsed > kElapsedThresh) {
        d.hangover_added = 1;
        d.elapsed = 0;
        d.hangover_count = 0;
    } else if (d.hangover_count == 0) {
        d.elapsed = 0;
    } else {
        d.hangover_count = sub(d.hangover_count, 1);
    }
    if (new_state != kSpeech) {
        d.sid_frame = d.valid_data = 0;
        if (type == kRxSidFirst) {
            d.sid_frame = 1;
        } else if (type == kRxSidUpdate) {
            d.sid_frame = d.valid_data = 1;
        } else if (type == kRxSidBad) {
            d.sid_frame = 1;
            d.hangover_added = 0;  // use the old data
        }
    }
    return new_state;
}

// Comfort-noise excitation and ISFs of a frame, interpolated from the last two descriptors.
void Decoder::State::dtx_decode(int16_t* exc, int new_state, int16_t* isf, Reader& rd) {
    Dtx& d = dtx;
    if (d.hangover_added != 0 && d.sid_frame != 0) {
        // A descriptor after the hangover: the parameters from the decoded speech, the last
        // frame counted twice.
        int ptr = d.hist_ptr + 1;
        if (ptr == 8) ptr = 0;
        std::copy(d.isf_hist + d.hist_ptr * kM, d.isf_hist + d.hist_ptr * kM + kM, d.isf_hist + ptr * kM);
        d.log_en_hist[ptr] = d.log_en_hist[d.hist_ptr];
        d.log_en = 0;
        int32_t sum[kM] = {};
        for (int i = 0; i < 8; ++i) {
            d.log_en = add(d.log_en, d.log_en_hist[i]);
            for (int j = 0; j < kM; ++j) sum[j] = L_add(sum[j], d.isf_hist[i * kM + j]);
        }
        d.log_en = add(shr(d.log_en, 1), 1024);
        if (d.log_en < 0) d.log_en = 0;
        for (int j = 0; j < kM; ++j) d.isf[j] = extract_l(L_shr(sum[j], 3));
    }
    if (d.sid_frame != 0) {
        std::copy(d.isf, d.isf + kM, d.isf_old);
        d.old_log_en = d.log_en;
        if (d.valid_data != 0) {
            int16_t n = d.since_last_sid;
            if (n > 32) n = 32;
            d.true_sid_period_inv = n >= 2 ? div_s(1 << 10, shl(n, 10)) : int16_t{1 << 14};
            int16_t ind[5];
            for (int16_t& x : ind) x = rd.next();
            voksISFQuantDecodeDTX_AMRWB_16s(ind, d.isf);
            const int16_t log_en_index = rd.next();
            d.cn_dith = rd.next();
            d.log_en = mult(shl(log_en_index, 15 - 6), 12483);  // / 2.625, Q9
            if (d.data_updated == 0 || d.global_state == kSpeech) {
                std::copy(d.isf, d.isf + kM, d.isf_old);
                d.old_log_en = d.log_en;
            }
        }
    }
    if (d.sid_frame != 0 && d.valid_data != 0) d.since_last_sid = 0;
    // Interpolation between the old and the new descriptor.
    int16_t fac = mult(shl(d.since_last_sid, 10), d.true_sid_period_inv);
    if (fac > 1024) fac = 1024;
    fac = shl(fac, 4);
    int32_t log_en = L_mult(fac, d.log_en);
    for (int i = 0; i < kM; ++i) isf[i] = mult(fac, d.isf[i]);
    fac = sub(16384, fac);
    log_en = L_mac(log_en, fac, d.old_log_en);
    for (int i = 0; i < kM; ++i) isf[i] = shl(add(isf[i], mult(fac, d.isf_old[i])), 1);
    if (d.cn_dith != 0) {
        // Dithering of a non-stationary background noise: energy and ISFs.
        auto dither = [&d]() {
            const int16_t r1 = shr(random16(&d.dither_seed), 1);
            const int16_t r2 = shr(random16(&d.dither_seed), 1);
            return add(r1, r2);
        };
        log_en = L_add(log_en, L_mult(dither(), 75));
        if (log_en < 0) log_en = 0;
        int16_t dfac = 256;
        const int16_t t0 = add(isf[0], mult_r(dither(), dfac));
        isf[0] = t0 < 128 ? int16_t{128} : t0;
        for (int i = 1; i < kM - 1; ++i) {
            dfac = add(dfac, 2);
            const int16_t t = add(isf[i], mult_r(dither(), dfac));
            isf[i] = sub(t, isf[i - 1]) < 448 ? add(isf[i - 1], 448) : t;
        }
        if (isf[kM - 2] > 16384) isf[kM - 2] = 16384;
    }
    // Level: log2(E) + 2 in Q24 to Q16, less 2 in the exponent.
    log_en = L_shr(log_en, 9);
    int16_t e = extract_h(log_en);
    const int16_t m = extract_l(L_shr(L_sub(log_en, L_deposit_h(e)), 1));
    e = add(e, 16 - 1);
    int32_t level32 = pow2(e, m);
    int16_t exp0 = norm_l(level32);
    level32 = L_shl(level32, exp0);
    exp0 = sub(15, exp0);
    const int16_t level = extract_h(level32);
    for (int i = 0; i < kFrame; ++i) exc[i] = shr(random16(&d.cng_seed), 4);
    int16_t exp;
    int32_t ener = dot_product12(exc, exc, kFrame, &exp);
    isqrt_n(&ener, &exp);
    const int16_t gain = mult(level, extract_h(ener));
    exp = add(add(exp0, exp), 4);  // times sqrt(256)
    for (int i = 0; i < kFrame; ++i) exc[i] = shl(mult(exc[i], gain), exp);
    if (new_state == kDtxMute) {
        // Muting: no descriptor for a long while.
        int16_t n = d.since_last_sid;
        if (n > 32) n = 32;
        if (n <= 0) n = 8;
        d.true_sid_period_inv = div_s(1 << 10, shl(n, 10));
        d.since_last_sid = 0;
        d.old_log_en = d.log_en;
        d.log_en = sub(d.log_en, 64);
    }
    if (d.sid_frame != 0 && (d.valid_data != 0 || d.hangover_added != 0)) {
        d.since_last_sid = 0;
        d.data_updated = 1;
    }
}

namespace {

// 80 values of the reference generator (seed = seed 31821 + 13849, 16 bits), each shifted right
// by 3: the first eight in sequence, the others eight steps on from their predecessor eight
// places back (seed 31821^8 + 13849 (1 + 31821 + .. + 31821^7)), which vectorises.
void noise80(int16_t* out, int16_t* seed) {
    uint16_t st[80];
    uint16_t a8 = 1, c8 = 0;
    for (int k = 0; k < 8; ++k) {
        c8 = static_cast<uint16_t>(c8 * 31821u + 13849u);
        a8 = static_cast<uint16_t>(a8 * 31821u);
    }
    for (int i = 0; i < 8; ++i) st[i] = static_cast<uint16_t>(random16(seed));
    for (int i = 8; i < 80; ++i) st[i] = static_cast<uint16_t>(st[i - 8] * uint32_t{a8} + c8);
    for (int i = 0; i < 80; ++i) out[i] = static_cast<int16_t>(static_cast<int16_t>(st[i]) >> 3);
    *seed = static_cast<int16_t>(st[79]);
}

}  // namespace

// One subframe of output: the 12.8 kHz synthesis, de-emphasis, 50 Hz high-pass and
// interpolation to 16 kHz, plus the high band of noise shaped by the LP filter.
void Decoder::State::synthesis(const int16_t* aq, int16_t* exc, int16_t q_new, int16_t* out,
                               int16_t hf_gain_index, int16_t* hf_isf, int nb_bits, int new_state, int bfi) {
    int32_t sig[kM + kSub];
    std::copy(mem_syn, mem_syn + kM, sig);
    voksSynthesisFilter_AMRWB_16s32s_ISfs(aq, kM, exc, sig + kM, kSub, q_new);
    std::copy(sig + kSub, sig + kSub + kM, mem_syn);
    int16_t synth[kSub];
    voksDeemphasize_AMRWB_32s16s(kPreemph, sig + kM, synth, kSub, &mem_deemph);
    voksHighPassFilter_AMRWB_16s_ISfs(synth, kSub, reinterpret_cast<VokHighPassFilterState_AMRWB*>(hp50), 14);
    upsample_16k(synth, out, mem_oversamp);

    // White noise at the energy of the excitation.
    int16_t hf[80];
    noise80(hf, &seed2);
    scale_signal(exc, kSub, -3);
    q_new = sub(q_new, 3);
    int16_t exp_ener, exp;
    const int16_t ener = extract_h(dot_product12(exc, exc, kSub, &exp_ener));
    exp_ener = sub(exp_ener, add(q_new, q_new));
    int16_t tmp = extract_h(dot_product12(hf, hf, 80, &exp));
    if (tmp > ener) {
        tmp = shr(tmp, 1);
        exp = add(exp, 1);
    }
    int32_t t = L_deposit_h(div_s(tmp, ener));
    exp = sub(exp, exp_ener);
    isqrt_n(&t, &exp);
    tmp = extract_h(L_shl(t, add(exp, 1)));
    for (int16_t& v : hf) v = mult(v, tmp);

    // Tilt of the synthesis sets the noise level (voiced: lower).
    voksHighPassFilter_AMRWB_16s_ISfs(synth, kSub, reinterpret_cast<VokHighPassFilterState_AMRWB*>(hp400),
                                      15);
    // Every term of the energy is positive: the saturating chain gives the plain sum capped at
    // MAX_32. The lag-1 sum takes the plain sum where its terms' magnitudes cannot reach 2^31.
    int64_t e64 = 1, c64 = 1, m64 = 1;
    for (int i = 0; i < kSub; ++i) e64 += 2 * int64_t{synth[i] * synth[i]};
    for (int i = 1; i < kSub; ++i) {
        const int32_t p = synth[i] * synth[i - 1];
        c64 += 2 * int64_t{p};
        m64 += 2 * std::abs(int64_t{p});
    }
    t = e64 > INT32_MAX ? INT32_MAX : static_cast<int32_t>(e64);
    exp = norm_l(t);
    const int16_t r0 = extract_h(L_shl(t, exp));
    if (m64 <= INT32_MAX) {
        t = static_cast<int32_t>(c64);
    } else {
        t = 1;
        for (int i = 1; i < kSub; ++i) t = L_mac(t, synth[i], synth[i - 1]);
    }
    const int16_t r1 = extract_h(L_shl(t, exp));
    const int16_t fac = r1 > 0 ? div_s(r1, r0) : int16_t{0};
    const int16_t gain1 = sub(32767, fac), gain2 = shl(mult(sub(32767, fac), 20480), 1);
    const int16_t w1 = vad_hist > 0 ? int16_t{0} : int16_t{32767},
                  w2 = vad_hist > 0 ? int16_t{32767} : int16_t{0};
    tmp = add(mult(w1, gain1), mult(w2, gain2));
    if (tmp != 0) tmp = add(tmp, 1);
    if (tmp < 3277) tmp = 3277;
    if (nb_bits >= k24k && bfi == 0) {
        const int16_t g = tab::kHfGain[hf_gain_index & 15];
        for (int16_t& v : hf) v = shl(mult(v, g), 1);
    } else {
        for (int16_t& v : hf) v = mult(v, tmp);
    }
    int16_t ap[kM16 + 1];
    if (nb_bits <= k7k && new_state == kSpeech) {
        int16_t hfa[kM16 + 1];
        isf_extrapolate(hf_isf);
        voksISPToLPC_AMRWB_16s(hf_isf, hfa, kM16);
        weight_lpc(hfa, ap, 29491, kM16);
        synthesis16(ap, kM16, hf, hf, 80, mem_syn_hf);
    } else {
        weight_lpc(aq, ap, 19661, kM);
        synthesis16(ap, kM, hf, hf, 80, mem_syn_hf + (kM16 - kM));
    }
    fir31(hf, 80, mem_hf, tab::kBand6k7k, 2);
    if (nb_bits >= k24k) fir31(hf, 80, mem_hf3, tab::kLow7k, 0);
    for (int i = 0; i < 80; ++i) out[i] = add(out[i], hf[i]);
}

namespace {

// out[i] = round(L_shl(L_mac(L_shl(L_mult(code[i], gc), 5), exc[i], gp), 1)) over a subframe.
// Where the magnitudes bound every intermediate below 2^30 (so that doubling and rounding stay
// within 32 bits), plain arithmetic gives the same; out may be exc.
void mix_excitation(const int16_t* code, int16_t gc, const int16_t* exc, int16_t gp, int16_t* out) {
    int32_t cmax = 0, emax = 0;
    for (int i = 0; i < kSub; ++i) {
        cmax = std::max(cmax, std::abs(int32_t{code[i]}));
        emax = std::max(emax, std::abs(int32_t{exc[i]}));
    }
    if (64 * int64_t{cmax} * std::abs(int32_t{gc}) + 2 * int64_t{emax} * std::abs(int32_t{gp}) <
        (int64_t{1} << 30) - 0x8000) {
        for (int i = 0; i < kSub; ++i)
            out[i] = static_cast<int16_t>((2 * (64 * code[i] * gc + 2 * exc[i] * gp) + 0x8000) >> 16);
        return;
    }
    for (int i = 0; i < kSub; ++i)
        out[i] = round16(L_shl(L_mac(L_shl(L_mult(code[i], gc), 5), exc[i], gp), 1));
}

}  // namespace

void Decoder::State::decode(int mode, const int16_t* params, int nparams, int type, int16_t* pcm) {
    const int nb_bits = kBits[mode], rate = kRates[mode];
    Reader rd{params, nparams};
    int16_t exc2[kFrame], isf[kM];
    const int new_state = rx_dtx_handler(type);
    if (new_state != kSpeech) dtx_decode(exc2, new_state, isf, rd);

    int bfi = 0, unusable = 0;
    if (type == kRxSpeechBad || type == kRxSpeechDegraded) {
        bfi = 1;  // the parameters of the frame are used where they can be
    } else if (type == kRxNoData || type == kRxSpeechLost) {
        bfi = unusable = 1;
    }
    bfh_state = bfi ? std::min<int16_t>(add(bfh_state, 1), 6) : shr(bfh_state, 1);
    // The first speech frame after comfort noise: muted when the noise was.
    if (dtx.global_state == kDtx) {
        bfh_state = 5;
        prev_bfi = 0;
    } else if (dtx.global_state == kDtxMute) {
        bfh_state = 5;
        prev_bfi = 1;
    }
    if (new_state == kSpeech) {
        const int16_t vad_flag = rd.next();
        if (bfi == 0) {
            if (vad_flag == 0) {
                vad_hist = add(vad_hist, 1);
                dtx.vad_hist = add(dtx.vad_hist, 1);
            } else {
                vad_hist = dtx.vad_hist = 0;
            }
        } else if (dtx.vad_hist > 0) {
            dtx.vad_hist = add(dtx.vad_hist, 1);
        }
    }

    int16_t aq[4 * (kM + 1)], ispnew[kM], hf_isf[kM16];
    if (new_state != kSpeech) {
        voksISFToISP_AMRWB_16s(isf, ispnew, kM);
        isp_to_lpc_scaled(ispnew, aq);
        for (int i = 0; i < kFrame; i += kSub)
            synthesis(aq, exc2 + i, 0, pcm + i * 5 / 4, 1, hf_isf, nb_bits, new_state, bfi);
        reset(false);
        std::copy(isf, isf + kM, isfold);
        prev_bfi = static_cast<int16_t>(bfi);
        dtx.global_state = static_cast<int16_t>(new_state);
        return;
    }

    int16_t old_exc_buf[kFrame + 1 + kPast];
    std::copy(old_exc, old_exc + kPast, old_exc_buf);
    int16_t* exc = old_exc_buf + kPast;
    int16_t ind[8];
    const int isf_count = nb_bits <= k7k ? 5 : 7;
    for (int i = 0; i < isf_count; ++i) ind[i] = rd.next();
    voksISFQuantDecode_AMRWB_16s(ind, isf, past_isfq, isfold, isf_buf, bfi, rate);
    voksISFToISP_AMRWB_16s(isf, ispnew, kM);
    if (first_frame != 0) {
        first_frame = 0;
        std::copy(ispnew, ispnew + kM, ispold);
    }
    for (int k = 0; k < 3; ++k) {
        int16_t isp[kM];
        const int16_t fnew = kInterp[k], fold = add(sub(32767, fnew), 1);
        for (int i = 0; i < kM; ++i) isp[i] = round16(L_mac(L_mult(ispold[i], fold), ispnew[i], fnew));
        voksISPToLPC_AMRWB_16s(isp, aq + k * (kM + 1), kM);
    }
    voksISPToLPC_AMRWB_16s(ispnew, aq + 3 * (kM + 1), kM);
    std::copy(ispnew, ispnew + kM, ispold);
    // Stability of the ISFs: distance to the previous frame's.
    int32_t t = 0;
    for (int i = 0; i < kM - 1; ++i) {
        const int16_t d = sub(isf[i], isfold[i]);
        t = L_mac(t, d, d);
    }
    int16_t stab_fac = shl(sub(20480, mult(extract_h(L_shl(t, 8)), 26214)), 1);
    if (stab_fac < 0) stab_fac = 0;
    int16_t isf_tmp[kM];
    std::copy(isfold, isfold + kM, isf_tmp);
    std::copy(isf, isf + kM, isfold);

    auto* acb_state = reinterpret_cast<VokAdaptiveCodebookDecodeState_AMRWB*>(acb);
    int16_t bounds[2] = {34, 49}, q_new = 0;
    for (int sf = 0, i_subfr = 0; sf < 4; ++sf, i_subfr += kSub) {
        const int16_t lag_index = rd.next();
        int16_t t0 = 0, t0_frac = 0;
        // A lost frame's index words are not read in step with the frame; none of them is used.
        if (voksAdaptiveCodebookDecode_AMRWB_16s(unusable ? 0 : lag_index, &t0_frac, exc + i_subfr, &t0,
                                                 bounds, sf, bfi, unusable, rate, acb_state) != vokStatusOk) {
            t0 = 64;  // not reached: every index of the frame's bits and every window is valid
            t0_frac = 0;
        }
        // The sample after the subframe, which the low-pass filter of the adaptive vector reads.
        exc[i_subfr + kSub] = adaptive_sample(exc + i_subfr, kSub, t0, t0_frac);
        int16_t code[kSub], code2[kSub], excp[kSub], exc_sub[kSub];
        const int16_t select = unusable ? int16_t{1} : nb_bits <= k9k ? int16_t{0} : rd.next();
        if (select == 0) {
            // Low-pass filtered adaptive vector.
            static const int16_t kLtp[2] = {20972, -5898};
            voksHighPassFilter_Direct_AMRWB_16s(kLtp, exc + i_subfr, code, kSub, 1);
            std::copy(code, code + kSub, exc + i_subfr);
        }
        if (unusable) {
            for (int16_t& v : code) v = shr(random16(&seed), 3);
        } else {
            static const int kCodeWords[kModes] = {1, 4, 4, 4, 4, 8, 8, 8, 8};
            for (int i = 0; i < kCodeWords[mode]; ++i) ind[i] = rd.next();
            voksAlgebraicCodebookDecode_AMRWB_16s(ind, code, rate);
        }
        int16_t mem = 0;
        voksPreemphasize_AMRWB_16s_ISfs(tilt_code, code, kSub, 14, &mem);
        const int16_t sharp_lag = t0_frac > 2 ? add(t0, 1) : t0;
        for (int i = sharp_lag; i < kSub; ++i)
            code[i] = round16(L_mac(L_deposit_h(code[i]), code[i - sharp_lag], 27853));

        // Gains.
        const int16_t gain_index = rd.next();
        int16_t exp;
        int32_t e = dot_product12(code, code, kSub, &exp);
        exp = sub(exp, 18 + 6);
        isqrt_n(&e, &exp);
        const int16_t gcode_inov = extract_h(L_shl(e, sub(exp, 3)));
        int16_t gain_pit = 0;
        int32_t l_gain_code = 0;
        if (bfi) {
            past_gain_pit = std::min<int16_t>(median5(pbuf), 15565);
            gain_pit = mult((unusable ? kPitchDownLost : kPitchDownUsable)[bfh_state], past_gain_pit);
            const int16_t g = median5(gbuf);
            past_gain_code =
                vad_hist > 2 ? g : mult((unusable ? kCodeDownLost : kCodeDownUsable)[bfh_state], g);
            voksDecodeGain_AMRWB_16s(0, gcode_inov, &gain_pit, &l_gain_code, 1, prev_bfi, past_qua_en,
                                     &prev_gc, &past_gain_code, rate);
        } else {
            voksDecodeGain_AMRWB_16s(gain_index, gcode_inov, &gain_pit, &l_gain_code, 0, prev_bfi,
                                     past_qua_en, &prev_gc, &past_gain_code, rate);
            past_gain_pit = gain_pit;
        }
        std::copy(gbuf + 1, gbuf + 5, gbuf);
        gbuf[4] = past_gain_code;
        std::copy(pbuf + 1, pbuf + 5, pbuf);
        pbuf[4] = past_gain_pit;

        // Scaling of the excitation (Q_new) from the recent maxima.
        int16_t qmax = std::min(std::min(qsubfr[0], qsubfr[1]), std::min(qsubfr[2], qsubfr[3]));
        if (qmax > kQMax) qmax = kQMax;
        q_new = 0;
        t = l_gain_code;
        while (L_sub(t, 0x08000000) < 0 && q_new < qmax) {
            t = L_shl(t, 1);
            ++q_new;
        }
        int16_t gain_code = round16(t);
        scale_signal(exc + i_subfr - kPast, kPast + kSub, sub(q_new, q_old));
        q_old = q_new;
        if (bfi == 0) voksAdaptiveCodebookDecodeUpdate_AMRWB_16s(gain_pit, t0, acb_state);

        // Voicing of the subframe, and the pitch sharpening of the low rates.
        std::copy(exc + i_subfr, exc + i_subfr + kSub, exc_sub);
        scale_signal(exc_sub, kSub, -3);
        int16_t pit_sharp = 0;
        if (nb_bits <= k9k) {
            pit_sharp = shl(gain_pit, 1);
            if (pit_sharp > 16384)
                for (int i = 0; i < kSub; ++i)
                    excp[i] = round16(L_shr(L_mult(mult(exc_sub[i], pit_sharp), gain_pit), 1));
        }
        const int16_t voice_fac = voice_factor(exc_sub, -3, gain_pit, code, gain_code, kSub);
        tilt_code = add(shr(voice_fac, 2), 8192);

        std::copy(exc + i_subfr, exc + i_subfr + kSub, exc_sub);
        int16_t top = 1;
        mix_excitation(code, gain_code, exc + i_subfr, gain_pit, exc + i_subfr);
        for (int i = 0; i < kSub; ++i) top = std::max(top, abs_s(exc[i + i_subfr]));
        std::copy_backward(qsubfr, qsubfr + 3, qsubfr + 4);
        qsubfr[0] = sub(add(norm_s(top), q_new), 1);

        int16_t gc_hi, gc_lo;
        L_Extract(l_gain_code, &gc_hi, &gc_lo);
        phase_dispersion(gc_hi, gain_pit, code, nb_bits <= k7k ? 0 : nb_bits <= k9k ? 1 : 2, disp_mem);

        // Noise enhancer: on noisy, stable frames the code gain moves towards a smoothed one.
        const int16_t nfac = mult(stab_fac, sub(16384, shr(voice_fac, 1)));
        l_gain_code = smooth_code_gain(l_gain_code, nfac, &gc_thres);

        // Pitch enhancer: a high-pass of the code on voiced frames.
        const int16_t enh[2] = {0, add(shr(voice_fac, 3), 4096)};
        voksHighPassFilter_Direct_AMRWB_16s(enh, code, code2, kSub, 0);

        gain_code = round16(L_shl(l_gain_code, q_new));
        mix_excitation(code2, gain_code, exc_sub, gain_pit, exc_sub);
        if (nb_bits <= k9k && pit_sharp > 16384) {
            for (int i = 0; i < kSub; ++i) excp[i] = add(excp[i], exc_sub[i]);
            agc2(exc_sub, excp, kSub);
            std::copy(excp, excp + kSub, exc_sub);
        }
        if (nb_bits <= k7k) {
            for (int i = 0; i < kM; ++i)
                hf_isf[i] = round16(L_mac(L_mult(isf_tmp[i], sub(32767, kInterp[sf])), isf[i], kInterp[sf]));
        } else {
            std::fill(mem_syn_hf, mem_syn_hf + (kM16 - kM), int16_t{0});
        }
        const int16_t hf_gain_index = nb_bits >= k24k ? rd.next() : int16_t{0};
        synthesis(aq + sf * (kM + 1), exc_sub, q_new, pcm + i_subfr * 5 / 4, hf_gain_index, hf_isf, nb_bits,
                  new_state, bfi);
    }
    std::copy(old_exc_buf + kFrame, old_exc_buf + kFrame + kPast, old_exc);
    scale_signal(exc, kFrame, -q_new);
    voksDecDTXBuffer_AMRWB_16s(exc, isf, &dtx.hist_ptr, dtx.isf_hist, dtx.log_en_hist);
    dtx.global_state = static_cast<int16_t>(new_state);
    prev_bfi = static_cast<int16_t>(bfi);
}

namespace {

// The reference's decoder homing test: the frame's bits read in words of 15 (the last one
// left-aligned) against the homing frame of the mode, over the first subframe or the whole
// frame. At 23.85 kbit/s the high-band gains are masked out and the whole frame is read even
// for the first-subframe test, as the reference does.
bool homing_frame(const int16_t* bits, int mode, bool first) {
    int pos = 0;
    auto get = [&](int n) {
        int v = 0;
        for (int k = 0; k < n; ++k) v = (v << 1) | (bits[pos++] & 1);
        return static_cast<int16_t>(v);
    };
    int16_t param[32];
    int n = 0, shift = 0;
    if (mode != 8) {
        const int total = first ? kFirstSubframeBits[mode] : kBits[mode];
        int j = 0;
        while (total - 15 > j) {
            param[n++] = get(15);
            j += 15;
        }
        shift = 15 - (total - j);
        param[n] = shl(get(total - j), shift);
    } else {
        static const uint16_t kMask[31] = {0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF,
                                           0x7FFF, 0x7FFF, 0x61FF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF,
                                           0x7FFF, 0xE0FF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF,
                                           0x7F0F, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF};
        for (n = 0; n < 31; ++n) param[n] = static_cast<int16_t>(get(15) & kMask[n]);
        param[n] = shl(get(8), 7);
    }
    int16_t diff = 0;
    int i = 0;
    for (; i < n; ++i) {
        diff = static_cast<int16_t>(param[i] ^ tab::kHoming[mode][i]);
        if (diff) break;
    }
    const int16_t mask = shl(shr(0x7fff, shift), shift);
    diff = static_cast<int16_t>(diff | (param[i] ^ (tab::kHoming[mode][i] & mask)));
    return diff == 0;
}

}  // namespace

Decoder::Decoder() : st_(new State) {
    init();
}

Decoder::~Decoder() = default;

void Decoder::init() {
    st_->reset(true);
    std::fill(st_->bits, st_->bits + kMaxBits, int16_t{0});
    st_->mode_old = 0;
    st_->reset_old = 1;
}

bool Decoder::decode(int mode, const int16_t* params, int rx_type, int16_t* pcm) {
    if (mode < 0 || mode >= kModes || rx_type < kRxSpeechGood || rx_type > kRxNoData || !params) {
        if (pcm) std::fill(pcm, pcm + kFrameSamples, int16_t{0});
        return false;
    }
    // Each word limited to its field, as the bits of a frame carry it.
    const int layout = rx_type >= kRxSidFirst ? kSid : mode, n = param_count(layout);
    int16_t p[kMaxParams];
    for (int i = 0; i < n; ++i) p[i] = static_cast<int16_t>(params[i] & ((1 << param_width(layout, i)) - 1));
    st_->decode(mode, p, n, rx_type, pcm);
    return true;
}

bool Decoder::decode_frame(const Frame& frame, int16_t* pcm) {
    if (frame.mode < 0 || frame.mode >= kModes || frame.type < kRxSpeechGood || frame.type > kRxNoData ||
        frame.bit_count < 0 || frame.bit_count > kMaxBits) {
        std::fill(pcm, pcm + kFrameSamples, int16_t{0});
        return false;
    }
    State& s = *st_;
    // The bits of a frame overwrite those of the previous ones, which the homing tests read.
    std::copy(frame.bits, frame.bits + frame.bit_count, s.bits);
    int mode = frame.mode;
    bool homing = false;
    if (frame.type == kRxNoData || frame.type == kRxSpeechLost) {
        mode = s.mode_old;
    } else {
        s.mode_old = static_cast<int16_t>(mode);
        if (s.reset_old) homing = homing_frame(s.bits, mode, true);
    }
    if (homing && s.reset_old) {
        std::fill(pcm, pcm + kFrameSamples, int16_t{0x0008});
    } else {
        int16_t params[kMaxParams];
        const int layout = frame.type >= kRxSidFirst ? kSid : mode;
        bits_to_params(layout, s.bits, params);
        s.decode(mode, params, param_count(layout), frame.type, pcm);
    }
    for (int i = 0; i < kFrameSamples; ++i) pcm[i] = static_cast<int16_t>(pcm[i] & 0xfffc);
    if (!s.reset_old) homing = homing_frame(s.bits, mode, false);
    if (homing) s.reset(true);
    s.reset_old = homing;
    return true;
}

}  // namespace amrwbex

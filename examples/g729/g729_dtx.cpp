// G.729 Annex B encoder: detector bookkeeping, the DTX decision and SID coding in the reference
// fixed-point arithmetic, and the inactive-frame coding the encoder hands to this file.
#include "g729/g729_dtx.h"

#include <cstring>

#include "g729/g729_fixed.h"
#include "voksc.h"

namespace g729 {
namespace {

using namespace fx;

constexpr int16_t kInitSeed = 11111;
constexpr int16_t kSidMinGap = 3;                    // frames between SID frames at least
constexpr int16_t kFracThresh1 = 4855;               // spectral change that calls for a SID frame
constexpr int16_t kFracThresh2 = 3161;               // change from the average that sends the current filter
constexpr int16_t kGainSmooth = 28672;               // 7/8: weight of the previous gain
constexpr int16_t kGainNew = 4096;                   // 1/8: weight of the SID gain
constexpr int16_t kEnergyFactor[3] = {410, 26, 13};  // 1 / (frames x 80 x autocorrelations summed)
constexpr int16_t kEnergyMargin[3] = {0, 0, 1};
constexpr int16_t kSidGain[32] = {2,    5,    8,    13,   20,   32,   50,   64,    80,    101,  127,
                                  160,  201,  253,  318,  401,  505,  635,  800,   1007,  1268, 1596,
                                  2010, 2530, 3185, 4009, 5048, 6355, 8000, 10071, 12679, 15962};
constexpr int kSidFieldBits[kSidParams] = {1, 5, 4, 5};

VokStatus chk(int32_t* faults, VokStatus s) {
    if (s < 0) ++*faults;
    return s;
}

// Quantised energy (dB) of a SID energy index, as the quantiser reports it.
int16_t energy_db(int16_t index) {
    if (index == 0) return -12;
    return index <= 5 ? static_cast<int16_t>(4 * index - 8) : static_cast<int16_t>(2 * index + 4);
}

// Levinson on 16-bit autocorrelations; an unstable filter keeps the encoder's last stable one
// (and leaves *err alone), and a stable one becomes it, as every analysis of the coder shares it.
void levinson16(Encoder* enc, const int16_t* r16, int16_t* a, int16_t* err) {
    int32_t r[kAcfLen];
    for (int i = 0; i < kAcfLen; ++i)
        r[i] = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(r16[i])) << 16);
    int16_t rc[2];
    if (voksLevinsonDurbin_G729B(r, a, rc, err) == vokStatusOk) {
        std::memcpy(enc->old_a + 1, a + 1, sizeof(int16_t) * kOrder);
        enc->old_rc[0] = rc[0];
        enc->old_rc[1] = rc[1];
    } else {
        std::memcpy(a, enc->old_a, sizeof(int16_t) * kAcfLen);
        a[0] = 4096;
    }
}

// Sum of nb autocorrelation vectors of exponents sh[i], normalised to 16 bits: sum, *sh_sum.
void sum_acf(const int16_t* acf, const int16_t* sh, int16_t* sum, int16_t* sh_sum, int nb) {
    int16_t sh0 = sh[0];
    for (int i = 1; i < nb; ++i)
        if (sh[i] < sh0) sh0 = sh[i];
    sh0 = add(sh0, 14);  // two bits of margin
    int32_t tab[kAcfLen] = {};
    for (int i = 0; i < nb; ++i) {
        const int16_t n = sub(sh0, sh[i]);
        for (int j = 0; j < kAcfLen; ++j) tab[j] = l_add(tab[j], l_shl(acf[i * kAcfLen + j], n));
    }
    const int16_t norm = norm_l(tab[0]);
    for (int j = 0; j < kAcfLen; ++j) sum[j] = extract_h(l_shl(tab[j], norm));
    *sh_sum = add(sh0, sub(norm, 16));
}

void update_sum_acf(DtxEncoder* d) {
    std::memmove(d->sum_acf + kAcfLen, d->sum_acf, sizeof(int16_t) * 2 * kAcfLen);
    d->sh_sum_acf[2] = d->sh_sum_acf[1];
    d->sh_sum_acf[1] = d->sh_sum_acf[0];
    sum_acf(d->acf, d->sh_acf, d->sum_acf, &d->sh_sum_acf[0], 2);
}

// Autocorrelation of a filter's coefficients, normalised: the Itakura reference.
void filter_acf(const int16_t* a, int16_t* r, int16_t* sh) {
    int32_t acc = 0;
    for (int j = 0; j < kAcfLen; ++j) acc = l_mac(acc, a[j], a[j]);
    const int16_t norm = norm_l(acc);
    r[0] = round16(l_shl(acc, norm));
    for (int i = 1; i < kAcfLen; ++i) {
        acc = 0;
        for (int j = 0; j < kAcfLen - i; ++j) acc = l_mac(acc, a[j], a[j + i]);
        r[i] = round16(l_shl(acc, norm));
    }
    *sh = norm;
}

// Saturating accumulation that records any saturation (the reference's overflow flag).
int32_t mac_flag(int32_t acc, int16_t a, int16_t b, bool* overflow) {
    int64_t p = int64_t{a} * b * 2;
    if (p > INT32_MAX) {
        p = INT32_MAX;
        *overflow = true;
    }
    int64_t s = int64_t{acc} + p;
    if (s > INT32_MAX || s < INT32_MIN) *overflow = true;
    return sat32(s);
}

// Itakura distance of the filter of r_coeff against the autocorrelation acf, compared with
// alpha (the residual energy) times (1 + thresh): true when it exceeds it.
bool filter_changed(const int16_t* r_coeff, int16_t sh_r, const int16_t* acf, int16_t alpha, int16_t thresh) {
    int16_t sh[2] = {0, 0};
    int ind = 1;
    int32_t dist = 0;
    for (;;) {
        bool overflow = false;
        dist = l_shr(mac_flag(0, shr(r_coeff[0], sh[0]), shr(acf[0], sh[1]), &overflow), 1);
        for (int i = 1; i < kAcfLen; ++i)
            dist = mac_flag(dist, shr(r_coeff[i], sh[0]), shr(acf[i], sh[1]), &overflow);
        if (!overflow) break;
        sh[ind] = add(sh[ind], 1);
        ind = 1 - ind;
    }
    int32_t bound = l_add(mult_r(alpha, thresh), alpha);
    bound = l_shl(bound, sub(add(sh_r, 9), add(sh[0], sh[1])));
    return l_sub(dist, bound) > 0;
}

// SID energy index of the weighted average of the last nb residual energies.
int16_t quantise_energy(const DtxEncoder* d, int nb) {
    int16_t sh = d->sh_ener[0];
    for (int i = 1; i < nb; ++i)
        if (d->sh_ener[i] < sh) sh = d->sh_ener[i];
    sh = add(sh, static_cast<int16_t>(16 - kEnergyMargin[nb]));
    int32_t x = 0;
    for (int i = 0; i < nb; ++i) x = l_add(x, l_shl(d->ener[i], sub(sh, d->sh_ener[i])));
    return quantise_sid_energy(mpy_32_16(x, kEnergyFactor[nb]), sh);
}

// Codes an inactive frame (the reference's Cod_cng): the DTX decision, SID parameters, the
// comfort-noise excitation and the filters of both sub-frames.
void code_inactive(DtxEncoder* d, int16_t* params, int16_t* aq, int16_t* taming) {
    Encoder* enc = &d->enc;
    int32_t* F = &enc->faults;
    d->ener[1] = d->ener[0];
    d->sh_ener[1] = d->sh_ener[0];
    int16_t cur_acf[kAcfLen];
    sum_acf(d->acf, d->sh_acf, cur_acf, &d->sh_ener[0], 2);
    int16_t cur_coeff[kAcfLen];
    if (cur_acf[0] == 0) {
        d->ener[0] = 0;
        std::memcpy(cur_coeff, enc->old_a, sizeof(cur_coeff));
        cur_coeff[0] = 4096;
    } else {
        levinson16(enc, cur_acf, cur_coeff, &d->ener[0]);
    }

    int16_t igain = 0;
    bool sid = false;
    if (d->past_vad != 0) {
        // First inactive frame: always a SID frame.
        sid = true;
        d->count_fr0 = 0;
        d->nb_ener = 1;
        igain = quantise_energy(d, 1);
    } else {
        d->nb_ener = d->nb_ener >= 2 ? int16_t{2} : static_cast<int16_t>(d->nb_ener + 1);
        igain = quantise_energy(d, d->nb_ener);
        if (filter_changed(d->r_coeff, d->sh_r_coeff, cur_acf, d->ener[0], kFracThresh1)) d->flag_chang = 1;
        if (sub(abs_s(sub(d->prev_energy, energy_db(igain))), 2) > 0) d->flag_chang = 1;
        d->count_fr0 = add(d->count_fr0, 1);
        if (d->count_fr0 >= kSidMinGap) {
            sid = d->flag_chang != 0;
            d->count_fr0 = kSidMinGap;
        }
    }

    if (sid) {
        d->count_fr0 = 0;
        d->flag_chang = 0;
        // Average filter of the past frames, unless the current one departs from it.
        int16_t s_sum[kAcfLen];
        int16_t sh_unused = 0;
        sum_acf(d->sum_acf, d->sh_sum_acf, s_sum, &sh_unused, 3);
        if (s_sum[0] == 0) {
            std::memset(d->past_coeff, 0, sizeof(d->past_coeff));
            d->past_coeff[0] = 4096;
        } else {
            levinson16(enc, s_sum, d->past_coeff, &sh_unused);
        }
        filter_acf(d->past_coeff, d->r_coeff, &d->sh_r_coeff);
        const int16_t* coeff = d->past_coeff;
        if (filter_changed(d->r_coeff, d->sh_r_coeff, cur_acf, d->ener[0], kFracThresh2)) {
            coeff = cur_coeff;
            filter_acf(cur_coeff, d->r_coeff, &d->sh_r_coeff);
        }
        int16_t lsp[kOrder];
        if (enc->variant == Variant::Main) {
            chk(F, voksLPCToLSP_G729_16s(coeff, enc->lsp_old_q, lsp));
        } else {
            chk(F, voksLPCToLSP_G729A_16s(coeff, enc->lsp_old_q, lsp));
        }
        int16_t lsf[kOrder];
        int16_t lsf_q[kOrder];
        int16_t idx[3];
        chk(F, voksLSPToLSF_G729_16s(lsp, lsf));
        chk(F, voksLSFQuant_G729B_16s(lsf, enc->lsf_mem, lsf_q, idx));
        chk(F, voksLSFToLSP_G729_16s(lsf_q, d->lsp_sid_q));
        d->prev_energy = energy_db(igain);
        params[0] = idx[0];
        params[1] = idx[1];
        params[2] = idx[2];
        params[3] = igain;
        d->sid_gain = kSidGain[igain];
    }
    d->type = sid ? kSid : kUntransmitted;

    d->cur_gain =
        d->past_vad != 0 ? d->sid_gain : add(mult_r(d->cur_gain, kGainSmooth), mult_r(d->sid_gain, kGainNew));
    comfort_noise_excitation(F, d->cur_gain, enc->old_exc, &d->seed, taming);

    int16_t lsp[kOrder];
    chk(F, voksInterpolate_G729_16s(d->lsp_sid_q, enc->lsp_old_q, lsp, kOrder));
    chk(F, voksLSPToLPC_G729_16s(lsp, aq));
    chk(F, voksLSPToLPC_G729_16s(d->lsp_sid_q, aq + kAcfLen));
    std::memcpy(enc->lsp_old_q, d->lsp_sid_q, sizeof(d->lsp_sid_q));
    if (d->fr_cur == 0) update_sum_acf(d);
}

// The encoder's hook: detector and comfort-noise bookkeeping for every frame, the inactive
// frame's coding when the detector finds no voice.
bool on_frame(Encoder* enc, const int16_t* lsp_new, int16_t rc1, int16_t* params, int16_t* aq,
              int16_t* taming) {
    DtxEncoder* d = reinterpret_cast<DtxEncoder*>(enc);
    int32_t* F = &enc->faults;
    int32_t r[13];
    int16_t exp_r0 = 0;
    chk(F, voksAutoCorr_G729B(enc->old_speech, &exp_r0, r));
    int16_t r_h[kAcfLen];  // before the lag window
    for (int i = 0; i < kAcfLen; ++i) r_h[i] = extract_h(r[i]);
    chk(F, voksLagWindow_G729_32s_I(r + 1, 12));
    int16_t lsf[kOrder];
    chk(F, voksLSPToLSF_Norm_G729_16s(lsp_new, lsf));
    int16_t energy = 0;
    int16_t vad = vad_decide(&d->vad, rc1, lsf, r, exp_r0, enc->old_speech, d->frame, d->past_vad,
                             d->ppast_vad, &energy);
    if (enc->variant == Variant::Main) {
        const EncoderHigh& h = enc->high;
        music_detect(&d->music, h.rate == static_cast<int16_t>(Rate::High),
                     h.rate == static_cast<int16_t>(Rate::Low), r[0], exp_r0, h.rc, h.lag_buf, h.pgain_buf,
                     h.prev_lp_mode == 1, d->frame, d->past_vad, &vad, energy);
    }

    // Autocorrelation history.
    std::memmove(d->acf + kAcfLen, d->acf, sizeof(int16_t) * kAcfLen);
    d->sh_acf[1] = d->sh_acf[0];
    d->sh_acf[0] = static_cast<int16_t>(-add(16, exp_r0));
    std::memcpy(d->acf, r_h, sizeof(r_h));
    if (++d->fr_cur == 2) {
        d->fr_cur = 0;
        if (vad != 0) update_sum_acf(d);
    }

    if (vad == 0) {
        code_inactive(d, params, aq, taming);
    } else {
        d->seed = kInitSeed;
        d->type = kSpeech;
    }
    d->ppast_vad = d->past_vad;
    d->past_vad = vad;
    return vad == 0;
}

}  // namespace

void dtx_encoder_init(DtxEncoder* d, Variant variant, bool dtx) {
    std::memset(d, 0, sizeof(*d));
    encoder_init(&d->enc, variant);
    if (dtx) d->enc.inactive = on_frame;
    vad_init(&d->vad);
    music_init(&d->music);
    d->past_vad = 1;
    d->ppast_vad = 1;
    d->seed = kInitSeed;
    d->type = kSpeech;
    for (int i = 0; i < 3; ++i) d->sh_sum_acf[i] = 40;
    for (int i = 0; i < 2; ++i) {
        d->sh_acf[i] = 40;
        d->sh_ener[i] = 40;
    }
}

FrameType encode_dtx(DtxEncoder* d, const int16_t* pcm, int16_t* params, bool* ok, Rate rate) {
    d->frame = d->frame == 32767 ? int16_t{256} : static_cast<int16_t>(d->frame + 1);
    d->type = kSpeech;
    *ok = encode(&d->enc, pcm, params, rate);
    return d->type;
}

int frame_to_serial(FrameType type, const int16_t* params, int16_t* serial) {
    if (type == kSpeech) {
        params_to_serial(params, serial);
        return kSerialWords;
    }
    serial[0] = kSyncWord;
    if (type == kUntransmitted) {
        serial[1] = 0;
        return 2;
    }
    serial[1] = kSidSerialBits;
    int w = 2;
    for (int i = 0; i < kSidParams; ++i)
        for (int b = kSidFieldBits[i] - 1; b >= 0; --b) serial[w++] = (params[i] >> b) & 1 ? kBit1 : kBit0;
    serial[w++] = kBit0;  // padding
    return w;
}

}  // namespace g729

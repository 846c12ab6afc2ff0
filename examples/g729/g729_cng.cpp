// G.729 Annex B decoder: frame-type bookkeeping, SID decoding and comfort-noise generation. Speech
// frames go to the G.729 / G.729A decoder unchanged; the inactive frames drive the same filter
// memories here: a random excitation of the smoothed SID energy through the SID spectrum, then the
// post-filter without its harmonic stage.
#include "g729/g729_cng.h"

#include <cstring>

#include "g729/g729_fixed.h"
#include "g729/g729_internal.h"
#include "voksc.h"

namespace g729 {
namespace {

using namespace fx;

// ---- Constants ----

constexpr int kExcOffset = kPitchMax + kInterpol;
constexpr int16_t kSharpMin = 3277;
constexpr int16_t kInitSeed = 11111;
constexpr int16_t kGainSmooth = 28672;  // 7/8: weight of the previous gain
constexpr int16_t kGainNew = 4096;      // 1/8: weight of the SID gain
constexpr int16_t kFrac1 = 19043;       // sqrt(40) * 0.5 / 2 - 1, Q15
constexpr int16_t kK0 = 24576;          // 1 - 0.5^2, Q15
constexpr int16_t kGainMax = 5000;      // limit of the pulse gain
constexpr int kSidFieldBits[kSidParams] = {1, 5, 4, 5};

// Dequantised SID energies (index 0..31).
constexpr int16_t kSidGain[32] = {2,    5,    8,    13,   20,   32,   50,   64,    80,    101,  127,
                                  160,  201,  253,  318,  401,  505,  635,  800,   1007,  1268, 1596,
                                  2010, 2530, 3185, 4009, 5048, 6355, 8000, 10071, 12679, 15962};
constexpr int16_t kLspSidInit[kOrder] = {31441, 27566,  21458,  13612,  4663,
                                         -4663, -13612, -21458, -27566, -31441};

VokStatus chk(int32_t* faults, VokStatus s) {
    if (s < 0) ++*faults;
    return s;
}

int16_t next_random(int16_t* seed) {
    *seed = static_cast<int16_t>(int32_t{*seed} * 31821 + 13849);
    return *seed;
}

}  // namespace

int16_t quantise_sid_energy(int32_t x, int16_t sh) {
    int16_t e = 0;
    int16_t f = 0;
    log2_q15(x, &e, &f);
    int16_t e_tmp = add(shl(sub(e, sh), 10), mult_r(f, 1024));  // 1024 log2(x 2^-sh)
    if (e_tmp <= -2721) return 0;                               // below -8 dB
    if (e_tmp > 22111) return 31;                               // above 65 dB
    if (e_tmp <= 4762) {                                        // up to 14 dB: 4 dB steps
        const int16_t index = mult(add(e_tmp, 3401), 24);
        return index < 1 ? int16_t{1} : index;
    }
    e_tmp = sub(e_tmp, 340);  // 2 dB steps
    const int16_t index = sub(shr(mult(e_tmp, 193), 2), 1);
    return index < 6 ? int16_t{6} : index;
}

namespace {

// Energy index of a lost first SID frame: the last speech frame's excitation energy (mantissa and
// exponent) quantised as the encoder quantises one frame's energy.
int16_t quantise_saved_energy(int16_t mantissa, int16_t exponent) {
    return quantise_sid_energy(mpy_32_16(l_shl(mantissa, exponent), 410), 0);
}

// Square root of x/2 by bisection (14 bits).
int16_t sqrt_half(int32_t x) {
    int16_t root = 0;
    for (int16_t step = 0x4000, i = 0; i < 14; ++i, step = static_cast<int16_t>(step >> 1)) {
        const int16_t t = add(root, step);
        if (l_sub(x, l_mult(t, t)) >= 0) root = t;
    }
    return root;
}

// Comfort-noise excitation of one frame at exc (the adaptive history before it): per sub-frame a
// random delay and pulse set, a scaled Gaussian vector plus a random fraction of the adaptive
// vector, and a pulse gain that brings the sub-frame's energy to the target gain.
}  // namespace

void comfort_noise_excitation(int32_t* F, int16_t cur_gain, int16_t* old_exc, int16_t* seed, int16_t* taming,
                              int16_t* dispersion) {
    int16_t* exc = old_exc + kExcOffset;
    if (cur_gain == 0) {
        std::memset(exc, 0, sizeof(int16_t) * kFrameSamples);
        if (dispersion != nullptr) std::memset(dispersion, 0, sizeof(int16_t) * 4);
        if (taming != nullptr) {
            for (int s = 0; s < 2; ++s) {
                taming[2 * s] = 0;
                taming[2 * s + 1] = kSubframe + 1;
            }
        }
        return;
    }
    for (int s = 0; s < 2; ++s) {
        int16_t* cur = exc + s * kSubframe;
        int16_t r = next_random(seed);
        int16_t frac = static_cast<int16_t>((r & 3) - 1);
        if (frac == 2) frac = 0;
        r = static_cast<int16_t>(r >> 2);
        const int16_t t0 = static_cast<int16_t>((r & 0x3F) + 40);
        r = static_cast<int16_t>(r >> 6);
        int pos[4];
        int sign[4];
        pos[0] = (r & 7) * 5;
        r = static_cast<int16_t>(r >> 3);
        sign[0] = r & 1;
        r = static_cast<int16_t>(r >> 1);
        pos[1] = (r & 7) * 5 + 1;
        r = static_cast<int16_t>(r >> 3);
        sign[1] = r & 1;
        r = next_random(seed);
        pos[2] = (r & 7) * 5 + 2;
        r = static_cast<int16_t>(r >> 3);
        sign[2] = r & 1;
        r = static_cast<int16_t>(r >> 1);
        pos[3] = (r & 1) + 3 + ((r >> 1) & 7) * 5;
        r = static_cast<int16_t>(r >> 4);
        sign[3] = r & 1;
        const int16_t gp = static_cast<int16_t>(next_random(seed) & 0x1FFF);  // Q14, < 0.5
        const int16_t gp2 = static_cast<int16_t>(gp << 1);
        if (taming != nullptr) {
            taming[2 * s] = gp;
            taming[2 * s + 1] = t0;
        }

        // Gaussian vector scaled to 0.5 * cur_gain * sqrt(40 / its energy).
        int16_t excg[kSubframe];
        chk(F, voksRandomNoiseExcitation_G729B_16s(seed, excg, kSubframe));
        int32_t acc = 0;
        for (int i = 0; i < kSubframe; ++i) acc = l_mac(acc, excg[i], excg[i]);
        int32_t inv = l_shr(acc, 1);
        chk(F, voksInvSqrt_32s_I(&inv, 1));
        acc = mpy_32_16(inv, add(cur_gain, mult_r(cur_gain, kFrac1)));
        int16_t sh = norm_l(acc);
        const int16_t fact = extract_h(l_shl(acc, sh));
        sh = static_cast<int16_t>(sh - 14);
        for (int i = 0; i < kSubframe; ++i) excg[i] = shr_r(mult_r(excg[i], fact), sh);

        // Random adaptive part plus the Gaussian vector.
        const int16_t delay[2] = {t0, frac};
        chk(F, voksDecodeAdaptiveVector_G729_16s_I(delay, old_exc + s * kSubframe));
        int16_t max = 0;
        for (int i = 0; i < kSubframe; ++i) {
            cur[i] = add(mult_r(cur[i], gp2), excg[i]);
            const int16_t a = abs_s(cur[i]);
            if (a > max) max = a;
        }
        sh = max == 0 ? int16_t{0} : static_cast<int16_t>(3 - norm_s(max));
        if (sh < 0) sh = 0;
        int16_t excs[kSubframe];
        for (int i = 0; i < kSubframe; ++i) excs[i] = shr(cur[i], sh);

        // Pulse gain g: the root of 4 g^2 + 2 b g + c (b the excitation at the pulses, c its
        // energy less 40 cur_gain^2) nearest zero.
        int32_t ener = 0;
        for (int i = 0; i < kSubframe; ++i) ener = l_mac(ener, excs[i], excs[i]);
        int16_t b = 0;
        for (int k = 0; k < 4; ++k) b = sign[k] ? add(b, excs[pos[k]]) : sub(b, excs[pos[k]]);
        const int32_t k4 = l_mult(cur_gain, static_cast<int16_t>(l_shr(l_mult(cur_gain, kSubframe), 6)));
        acc = l_shr(k4, add(1, shl(sh, 1)));
        acc = l_sub(acc, ener);
        b = shr(b, 1);
        acc = l_mac(acc, b, b);
        sh = static_cast<int16_t>(sh + 1);
        if (acc < 0) {
            // No real root: Gaussian excitation only.
            std::memcpy(cur, excg, sizeof(excg));
            const int bits =
                abs_s(excg[pos[0]]) | abs_s(excg[pos[1]]) | abs_s(excg[pos[2]]) | abs_s(excg[pos[3]]);
            sh = (bits & 0x4000) == 0 ? 1 : 2;
            b = 0;
            for (int k = 0; k < 4; ++k) {
                const int16_t v = shr(excg[pos[k]], sh);
                b = sign[k] ? add(b, v) : sub(b, v);
            }
            acc = l_shr(mpy_32_16(k4, kK0), sub(shl(sh, 1), 1));
            acc = l_mac(acc, b, b);
        }
        const int16_t root = sqrt_half(acc);
        int16_t x1 = sub(root, b);
        const int16_t x2 = sub(0, add(b, root));
        if (abs_s(x2) < abs_s(x1)) x1 = x2;
        int16_t g = shr_r(x1, sub(2, sh));
        if (g > kGainMax) g = kGainMax;
        if (g < -kGainMax) g = -kGainMax;
        for (int k = 0; k < 4; ++k) cur[pos[k]] = sign[k] ? add(cur[pos[k]], g) : sub(cur[pos[k]], g);
        if (dispersion != nullptr) {
            dispersion[2 * s] = gp;
            dispersion[2 * s + 1] = abs_s(g);
        }
    }
}

namespace {

// Post-filter of an inactive sub-frame: the G.729 or G.729A chain without the harmonic filter.
void post_filter_inactive(Decoder* dec, int t0, const int16_t* syn, const int16_t* a, int16_t* out) {
    int32_t* F = &dec->faults;
    int16_t ap[2 * (kOrder + 1)];
    chk(F, voksMulPowerC_NR_16s_Sfs(a, 18022, ap, kOrder + 1, 15));  // A(z/0.55)
    if (dec->variant == Variant::Main) {
        int16_t* res = dec->res2 + dec->res_at;
        chk(F, voksResidualFilter_G729_16s(syn, ap, res));
        int16_t buf[kOrder + kSubframe];
        std::memcpy(buf, dec->mem_stp, sizeof(dec->mem_stp));
        int16_t imp[20];
        chk(F, voksShortTermPostFilter_G729_16s(a, res, buf + kOrder, imp));
        std::memcpy(dec->mem_stp, buf + kSubframe, sizeof(dec->mem_stp));
        detail::keep_post_memory(dec, buf + kOrder);
        chk(F, voksTiltCompensation_G729_16s(imp, buf + kOrder));
        chk(F, voksGainControl_G729_16s_I(syn, buf + kOrder, &dec->pst_gain));
        std::memcpy(out, buf + kOrder, sizeof(int16_t) * kSubframe);
        advance_residual(dec);
        return;
    }
    chk(F, voksMulPowerC_NR_16s_Sfs(a, 22938, ap + kOrder + 1, kOrder + 1, 15));  // A(z/0.7)
    // The Annex A front computes the residual into its history; the harmonic output is replaced
    // by the residual itself.
    int16_t buf[1 + kSubframe];
    chk(F, voksLongTermPostFilter_G729A_16s(static_cast<int16_t>(t0), syn, ap, dec->res2, buf + 1));
    std::memcpy(buf + 1, dec->res2 + 154, sizeof(int16_t) * kSubframe);
    buf[0] = dec->mem_pre;
    chk(F, voksTiltCompensation_G729A_16s(ap, buf + 1));
    dec->mem_pre = buf[0];
    chk(F, voksSynthesisFilter_NR_16s_Sfs(ap + kOrder + 1, buf + 1, out, kSubframe, 12, dec->mem_stp));
    std::memcpy(dec->mem_stp, out + kSubframe - kOrder, sizeof(dec->mem_stp));
    chk(F, voksGainControl_G729A_16s_I(syn, out, &dec->pst_gain));
    std::memmove(dec->res2, dec->res2 + kSubframe, sizeof(int16_t) * (194 - kSubframe));
}

// One SID (params set) or untransmitted (params null) frame.
void decode_inactive(DtxDecoder* d, const int16_t* params, bool erased, int16_t* pcm) {
    Decoder* dec = &d->dec;
    const int16_t voicing_in = dec->voicing;
    int32_t* F = &dec->faults;
    const bool after_speech = d->past_type == kSpeech;
    if (params != nullptr) {
        d->sid_gain = kSidGain[params[3] & 31];
        const int16_t idx[3] = {static_cast<int16_t>(params[0] & 1), static_cast<int16_t>(params[1] & 31),
                                static_cast<int16_t>(params[2] & 15)};
        int16_t lsf[kOrder];
        chk(F, voksLSFDecode_G729B_16s(idx, dec->lsf_mem, lsf));
        chk(F, voksLSFToLSP_G729_16s(lsf, d->lsp_sid));
    } else if (after_speech) {
        // The first SID frame was lost: its energy is estimated from the last speech frame.
        d->sid_gain = kSidGain[quantise_saved_energy(d->sid_sav, d->sh_sid_sav)];
    }
    d->cur_gain =
        after_speech ? d->sid_gain : add(mult_r(d->cur_gain, kGainSmooth), mult_r(d->sid_gain, kGainNew));
    int16_t* old_exc = excitation_window(dec);
    int16_t dispersion[4];
    comfort_noise_excitation(F, d->cur_gain, old_exc, &d->seed, nullptr, dispersion);
    for (int s = 0; s < 2; ++s) {
        chk(F,
            voksPhaseDispersionUpdate_G729D_16s(dispersion[2 * s], dispersion[2 * s + 1],
                                                reinterpret_cast<VokG729PhaseDispersionState*>(dec->disp)));
    }

    int16_t az[2 * (kOrder + 1)];
    int16_t lsp[kOrder];
    chk(F, voksInterpolate_G729_16s(d->lsp_sid, dec->lsp_old, lsp, kOrder));
    chk(F, voksLSPToLPC_G729_16s(lsp, az));
    chk(F, voksLSPToLPC_G729_16s(d->lsp_sid, az + kOrder + 1));
    std::memcpy(dec->lsp_old, d->lsp_sid, sizeof(d->lsp_sid));

    int16_t* synth = dec->synth_buf + kOrder;
    int16_t* exc = old_exc + kExcOffset;
    for (int s = 0; s < 2; ++s) {
        const int off = s * kSubframe;
        const int16_t* a = az + s * (kOrder + 1);
        if (chk(F, voksSynthesisFilter_NR_16s_Sfs(a, exc + off, synth + off, kSubframe, 12, dec->mem_syn)) ==
            vokStatusOverflow) {
            for (int i = 0; i < kExcLen; ++i) old_exc[i] = static_cast<int16_t>(old_exc[i] >> 2);
            chk(F, voksSynthesisFilter_NR_16s_Sfs(a, exc + off, synth + off, kSubframe, 12, dec->mem_syn));
        }
        std::memcpy(dec->mem_syn, synth + off + kSubframe - kOrder, sizeof(dec->mem_syn));
    }
    advance_excitation(dec);
    dec->sharp = kSharpMin;

    for (int s = 0; s < 2; ++s)
        post_filter_inactive(dec, dec->old_t0, synth + s * kSubframe, az + s * (kOrder + 1),
                             pcm + s * kSubframe);
    dec->voicing = 0;
    std::memcpy(dec->synth_buf, synth + kFrameSamples - kOrder, sizeof(int16_t) * kOrder);
    detail::high_after_low(dec, erased, voicing_in, synth, az);
    dec->high.stat_pitch = 0;
    chk(F, voksHighPassFilter_G729_16s_ISfs(pcm, kFrameSamples, 13,
                                            reinterpret_cast<VokG729HighPassState*>(dec->hp)));
}

}  // namespace

void dtx_decoder_init(DtxDecoder* d, Variant variant) {
    std::memset(d, 0, sizeof(*d));
    decoder_init(&d->dec, variant);
    d->past_type = kSpeech;
    d->seed = kInitSeed;
    d->sid_sav = 0;
    d->sh_sid_sav = 1;
    d->sid_gain = kSidGain[0];
    std::memcpy(d->lsp_sid, kLspSidInit, sizeof(kLspSidInit));
    d->past_rate = Rate::Full;
}

bool decode_dtx(DtxDecoder* d, FrameType type, const int16_t* params, bool erased, int16_t* pcm, Rate rate) {
    const int32_t faults_before = d->dec.faults;
    if (erased) {
        type = d->past_type == kSpeech ? kSpeech : kUntransmitted;
        rate = d->past_rate;
    } else if (type == kSpeech) {
        d->past_rate = rate;
    }
    if (type == kSpeech) {
        d->seed = kInitSeed;
        const int16_t none[kFrameParams] = {};
        decode(&d->dec, erased ? none : params, erased, pcm, rate);
    } else {
        decode_inactive(d, type == kSid && !erased ? params : nullptr, erased, pcm);
    }
    if (!erased) {
        // Energy of the frame's excitation (the newest samples of the window's history), kept in case
        // the next SID frame is lost.
        const int16_t* exc = excitation_window(&d->dec) + kExcOffset - kFrameSamples;
        int32_t acc = 0;
        for (int i = 0; i < kFrameSamples; ++i) acc = l_mac(acc, exc[i], exc[i]);
        const int16_t sh = norm_l(acc);
        d->sid_sav = round16(l_shl(acc, sh));
        d->sh_sid_sav = static_cast<int16_t>(16 - sh);
    }
    d->past_type = type;
    return d->dec.faults == faults_before;
}

bool serial_to_frame(const int16_t* serial, FrameType* type, int16_t* params) {
    const int bits = serial[1];
    if (bits == kFrameBits) {
        *type = kSpeech;
        return serial_to_params(serial, params);
    }
    bool erased = serial[0] != kSyncWord;
    for (int i = 0; i < bits; ++i) erased = erased || serial[2 + i] == 0;
    if (bits == kSidSerialBits) {
        *type = kSid;
        int w = 2;
        for (int i = 0; i < kSidParams; ++i) {
            int v = 0;
            for (int b = 0; b < kSidFieldBits[i]; ++b, ++w) v = (v << 1) | (serial[w] == kBit1 ? 1 : 0);
            params[i] = static_cast<int16_t>(v);
        }
    } else {
        *type = kUntransmitted;
    }
    return erased;
}

}  // namespace g729

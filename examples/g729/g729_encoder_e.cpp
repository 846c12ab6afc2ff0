// G.729 encoder at 11.8 kbit/s (Annex E). Each frame is coded with the forward filter (quantised
// LSPs, 35-bit codebook) or the backward filter (order-30 analysis of the past synthesis, nothing
// sent, 44-bit codebook), whichever predicts the frame better; a stationarity measure biases the
// choice so that the mode does not flicker. While backward frames dominate, the perceptual
// weighting uses the backward filter at order 30. The 6.4 and 8 kbit/s encoder keeps this state
// through the hooks at the end.
#include <cstdint>
#include <cstring>

#include "g729/g729_codec.h"
#include "g729/g729_fixed.h"
#include "g729/g729_frame_e.h"
#include "g729/g729_internal.h"
#include "voksc.h"

namespace g729 {
namespace detail {
namespace {

using namespace fx;

constexpr int kBwd1 = kOrderBwd + 1;
constexpr int kExcOffset = kPitchMax + kInterpol;
constexpr int kSynMem = kSynHistory - kFrameSamples;
constexpr int16_t kCInt = 4506;

void copy(const int16_t* src, int16_t* dst, int n) {
    std::memmove(dst, src, sizeof(int16_t) * n);
}

void weight(int32_t* F, const int16_t* a, int16_t gamma, int m, int16_t* ap) {
    chk(F, voksMulPowerC_NR_16s_Sfs(a, gamma, ap, m + 1, 15));
}

// 1/A(z) of order m over n samples; mem holds the m outputs before the block.
void synth(int32_t* F, const int16_t* a, int m, const int16_t* x, int16_t* y, int n, const int16_t* mem) {
    int16_t tmp[kOrderBwd];
    copy(mem, tmp, m);
    if (x == y) {
        chk(F, voksSynthesisFilter_G729E_16s_I(a, m, y, n, tmp));
    } else {
        chk(F, voksSynthesisFilter_G729E_16s(a, m, x, y, n, tmp));
    }
}

// Stationarity update after an active 11.8 kbit/s frame: long runs of backward frames raise it,
// short ones lower it, and so does the gap between the two prediction gains.
void update_stationarity(EncoderHigh* e, int16_t gpred_b, int16_t gpred_f, int mode) {
    if (mode == 1) {
        e->stat_bwd = add(e->stat_bwd, 1);
        e->val_stat_bwd = add(e->val_stat_bwd, 250);
        if (e->stat_bwd == 20) {
            e->glob_stat = add(e->glob_stat, 2500);
        } else if (e->stat_bwd > 20) {
            e->glob_stat = add(e->glob_stat, 500);
        }
    } else if (e->prev_lp_mode == 1) {
        if (e->stat_bwd < 20) e->glob_stat = sub(e->glob_stat, sub(5000, e->val_stat_bwd));
        e->stat_bwd = 0;
        e->val_stat_bwd = 0;
    }
    const int d = gpred_b - gpred_f;  // the reference compares in int, without saturation
    int g = e->glob_stat;
    if (g < 13000) {
        if (d > 819) {
            g += 3200;
        } else if (d > 614) {
            g += 2400;
        } else if (d > 410) {
            g += 1600;
        } else if (d > 205) {
            g += 800;
        } else if (d > 0) {
            g += 400;
        }
    }
    if (d < -955) {
        g -= 6400;
    } else if (d < -819) {
        g -= 3200;
    } else if (d < -614) {
        g -= 1600;
    } else if (d < -410) {
        g -= 800;
    } else if (d < -205) {
        g -= 400;
    }
    e->glob_stat = static_cast<int16_t>(g > 32000 ? 32000 : (g < 0 ? 0 : g));
}

// Prediction gain (dB-like Q11) of the residual of a frame filtered by one or two sub-frame filters.
int16_t prediction_gain(int32_t* F, const int16_t* speech, const int16_t* a0, const int16_t* a1, int m) {
    int16_t res[kFrameSamples];
    chk(F, voksResidualFilter_G729E_16s(a0, m, speech, res, kSubframe));
    chk(F, voksResidualFilter_G729E_16s(a1, m, speech + kSubframe, res + kSubframe, kSubframe));
    return static_cast<int16_t>(energy_db(speech) - energy_db(res));
}

// Forward or backward: a_bwd holds the backward filter of the second sub-frame at a_bwd + 31 and
// receives the interpolated filters of both sub-frames.
int choose_mode(Encoder* enc, const int16_t* speech, const int16_t* a_fwd_q, int16_t* a_bwd,
                const int16_t* lsp_new) {
    EncoderHigh& e = enc->high;
    int32_t* F = &enc->faults;
    const int16_t gpred_b = prediction_gain(F, speech, a_bwd + kBwd1, a_bwd + kBwd1, kOrderBwd);
    interpolate_backward(a_bwd, e.prev_filter, &e.c_int);
    const int16_t gpred_bint = prediction_gain(F, speech, a_bwd, a_bwd + kBwd1, kOrderBwd);
    const int16_t gpred_f = prediction_gain(F, speech, a_fwd_q, a_fwd_q + kOrder + 1, kOrder);
    const int16_t gap = add(static_cast<int16_t>(l_shr(l_mult(shr(e.glob_stat, 7), 3), 1)), 205);
    int mode = gpred_bint > gpred_f - gap && gpred_b > gpred_f - gap && gpred_b > 0 && gpred_bint > 0 ? 1 : 0;
    if (e.glob_stat < 13000) mode = 0;
    // Very stationary spectra stay backward.
    int32_t dist = 0;
    for (int i = 0; i < kOrder; ++i) {
        const int16_t t = sub(enc->lsp_old[i], lsp_new[i]);
        dist = l_mac(dist, t, t);
    }
    const int32_t thresh = e.glob_stat < 32000 ? 0 : 64424509;
    if (dist < thresh && mode == 0 && e.prev_lp_mode == 1 && gpred_b > 0 && gpred_bint > 0) mode = 1;
    const int16_t energy = energy_db(speech);
    if (energy < 8192) {
        mode = 0;
        if (e.glob_stat > 13000) e.glob_stat = 13000;
    } else {
        count_lp_mode(&e.count_bwd, &e.count_fwd, &e.bwd_dominant, mode);
        update_stationarity(&e, gpred_b, gpred_f, mode);
    }
    if (mode == 0) e.c_int = kCInt;
    return mode;
}

// Pushes a quantised LSF residual into the MA predictor memory (newest first).
void lsf_mem_push(int16_t* mem, const int16_t* residual) {
    copy(mem, mem + kOrder, 3 * kOrder);
    copy(residual, mem, kOrder);
}

void keep_tail(const int16_t* x, int16_t* mem30, int16_t* mem10) {
    copy(x + kSubframe - kOrderBwd, mem30, kOrderBwd);
    copy(x + kSubframe - kOrder, mem10, kOrder);
}

}  // namespace

void encoder_high_init(Encoder* enc) {
    EncoderHigh& e = enc->high;
    std::memset(&e, 0, sizeof e);
    lp_init(&e.lp);
    e.prev_filter[0] = 4096;
    e.c_int = kCInt;
    e.glob_stat = 10000;
    for (int i = 0; i < 5; ++i) {
        e.lag_buf[i] = 20;
        e.pgain_buf[i] = 11469;
    }
}

void high_filters(Encoder* enc, const int16_t* lsp_old, const int16_t* lsp_new, int16_t* az) {
    if (enc->high.prev_lp_mode == 0) {
        interpolate_filters(&enc->faults, lsp_old, lsp_new, az);
    } else {
        chk(&enc->faults, voksLSPToLPC_G729_16s(lsp_new, az));
        copy(az, az + kOrder + 1, kOrder + 1);
    }
}

void encoder_after_low(Encoder* enc, const int16_t* aq, const int16_t* synth40, int subframe) {
    EncoderHigh& e = enc->high;
    if (subframe == 0) copy(e.lp.syn + kFrameSamples, e.lp.syn, kSynMem);
    copy(synth40, e.lp.syn + kSynMem + subframe * kSubframe, kSubframe);
    copy(synth40 + kSubframe - kOrderBwd, e.mem_syn, kOrderBwd);
    if (subframe == 1) {
        // Forward-only rates: the stationarity decays, the mode is forward.
        if (e.glob_stat > 10000) {
            e.glob_stat = sub(e.glob_stat, 2621);
            if (e.glob_stat < 10000) e.glob_stat = 10000;
        }
        e.bwd_dominant = 0;
        e.c_int = kCInt;
        e.prev_lp_mode = 0;
        copy(aq + kOrder + 1, e.prev_filter, kOrder + 1);
        std::memset(e.prev_filter + kOrder + 1, 0, sizeof(int16_t) * (kOrderBwd - kOrder));
    }
}

void encode_high(Encoder* enc, const int16_t* a, const int16_t* rc_in, const int16_t* lsp_new,
                 int16_t* params) {
    EncoderHigh& e = enc->high;
    int32_t* F = &enc->faults;
    const int16_t* speech = enc->old_speech + kSpeechLen - kFrameSamples - kSubframe;
    int16_t* wsp = enc->old_wsp + kPitchMax;
    int16_t* exc = enc->old_exc + kExcOffset;
    int16_t a_fwd[2 * (kOrder + 1)];
    copy(a, a_fwd + kOrder + 1, kOrder + 1);
    int16_t rc[kOrder];
    copy(rc_in, rc, kOrder);
    // Backward analysis of the past synthesis.
    int16_t a_bwd[2 * kBwd1];
    backward_filter(F, &e.lp, a_bwd + kBwd1);
    int16_t syn[kSynHistory];
    copy(e.lp.syn + kFrameSamples, syn, kSynMem);
    int16_t* synth_out = syn + kSynMem;

    // Unquantised forward filter of the first sub-frame and the LSFs of the weighting.
    int16_t lsp_int[kOrder];
    if (e.prev_lp_mode == 0) {
        chk(F, voksInterpolate_G729_16s(lsp_new, enc->lsp_old, lsp_int, kOrder));
    } else {
        copy(lsp_new, lsp_int, kOrder);
    }
    chk(F, voksLSPToLPC_G729_16s(lsp_int, a_fwd));
    int16_t lsf_int[kOrder];
    int16_t lsf_new[kOrder];
    chk(F, voksLSPToLSF_Norm_G729_16s(lsp_int, lsf_int));
    chk(F, voksLSPToLSF_Norm_G729_16s(lsp_new, lsf_new));

    // Quantised forward filters, kept only for a forward frame.
    int16_t residual[kOrder];
    int16_t lsp_new_q[kOrder];
    int16_t code_lsp[2];
    chk(F, voksLSPQuant_G729E_16s(lsp_new, enc->lsf_mem, residual, lsp_new_q, code_lsp));
    int16_t a_fwd_q[2 * (kOrder + 1)];
    high_filters(enc, enc->lsp_old_q, lsp_new_q, a_fwd_q);

    const int lp_mode = choose_mode(enc, speech, a_fwd_q, a_bwd, lsp_new);
    copy(lsp_new, enc->lsp_old, kOrder);

    // Perceptual weighting: the unquantised forward filter with the adaptive factors for forward
    // frames; fixed factors for backward ones, on the backward filter while that mode dominates.
    int16_t gamma1[2];
    int16_t gamma2[2];
    const int16_t* ap = a_fwd;
    int m_ap = kOrder;
    if (lp_mode == 0) {
        if (e.bwd_dominant) ap = a_fwd_q;
        weighting_factors(enc, rc, lsf_int, lsf_new, gamma1, gamma2);
    } else {
        if (e.bwd_dominant) {
            ap = a_bwd;
            m_ap = kOrderBwd;
        }
        gamma1[0] = gamma1[1] = e.bwd_dominant ? 32112 : 29491;
        gamma2[0] = gamma2[1] = 13107;
    }
    int16_t ap1s[2][kBwd1];
    int16_t ap2s[2][kBwd1];
    for (int s = 0; s < 2; ++s) {
        const int off = s * kSubframe;
        weight(F, ap + s * (m_ap + 1), gamma1[s], m_ap, ap1s[s]);
        weight(F, ap + s * (m_ap + 1), gamma2[s], m_ap, ap2s[s]);
        chk(F, voksResidualFilter_G729E_16s(ap1s[s], m_ap, speech + off, wsp + off, kSubframe));
        int16_t mem[kOrderBwd];
        copy(wsp + off - m_ap, mem, m_ap);
        chk(F, voksSynthesisFilter_G729E_16s_I(ap2s[s], m_ap, wsp + off, kSubframe, mem));
    }
    copy(wsp + kFrameSamples - kOrder, enc->mem_w, kOrder);

    int16_t* prm = params;
    *prm++ = static_cast<int16_t>(lp_mode);
    const int16_t* aq = a_fwd_q;
    int m_aq = kOrder;
    if (lp_mode == 0) {
        copy(lsp_new_q, enc->lsp_old_q, kOrder);
        lsf_mem_push(enc->lsf_mem, residual);
        *prm++ = code_lsp[0];
        *prm++ = code_lsp[1];
        copy(a_fwd_q + kOrder + 1, e.prev_filter, kOrder + 1);
        std::memset(e.prev_filter + kOrder + 1, 0, sizeof(int16_t) * (kOrderBwd - kOrder));
    } else {
        aq = a_bwd;
        m_aq = kOrderBwd;
        copy(a_bwd + kBwd1, e.prev_filter, kBwd1);
    }
    int16_t t_op = 0;
    chk(F, voksOpenLoopPitchSearch_G729_16s(wsp, &t_op));
    note_open_loop(enc, t_op);

    int t0_first = 0;
    int t0_min = 0;
    for (int s = 0; s < 2; ++s) {
        const int off = s * kSubframe;
        const int16_t* a_q = aq + s * (m_aq + 1);
        const int16_t* ap1 = ap1s[s];
        const int16_t* ap2 = ap2s[s];
        // Impulse response of A(z/g1) / (A(z) A(z/g2)).
        const int16_t zeros[kOrderBwd] = {};
        int16_t in[kSubframe] = {};
        copy(ap1, in, m_ap + 1);
        int16_t h1[kSubframe];
        synth(F, a_q, m_aq, in, h1, kSubframe, zeros);
        synth(F, ap2, m_ap, h1, h1, kSubframe, zeros);
        // Target: the residual through 1/A(z) with the error memory, then W(z).
        chk(F, voksResidualFilter_G729E_16s(a_q, m_aq, speech + off, exc + off, kSubframe));
        int16_t res2[kSubframe];
        copy(exc + off, res2, kSubframe);
        int16_t err[kOrderBwd + kSubframe];
        copy(e.mem_err, err, kOrderBwd);
        synth(F, a_q, m_aq, exc + off, err + kOrderBwd, kSubframe, e.mem_err + kOrderBwd - m_aq);
        int16_t xn[kSubframe];
        chk(F, voksResidualFilter_G729E_16s(ap1, m_ap, err + kOrderBwd, xn, kSubframe));
        synth(F, ap2, m_ap, xn, xn, kSubframe, e.mem_w0 + kOrderBwd - m_ap);

        // Adaptive codebook.
        int16_t delay[2] = {0, 0};
        int16_t vec[kSubframe];
        chk(F, voksAdaptiveCodebookSearch_G729_16s(static_cast<int16_t>(s == 0 ? t_op : t0_first), xn, h1,
                                                   enc->old_exc + off, delay, vec, static_cast<int16_t>(s)));
        const int t0 = delay[0];
        const int frac = delay[1];
        if (s == 0) t0_first = t0;
        const int16_t lag_index = encode_lag(t0, frac, s, &t0_min);
        *prm++ = lag_index;
        if (s == 0) *prm++ = pitch_parity_high(lag_index);
        int16_t y1[kSubframe];
        int16_t gain_pit = 0;
        chk(F, voksAdaptiveCodebookGain_G729_16s(xn, h1, vec, y1, &gain_pit));
        const bool taming = taming_needed(enc->exc_err, t0, frac);
        if (taming && gain_pit > 15564) gain_pit = 15564;
        int16_t xn2[kSubframe];
        chk(F, voksAdaptiveCodebookContribution_G729_16s(gain_pit, y1, xn, xn2));

        // Fixed codebook on the sharpened response and the long-term prediction residual.
        sharpen(F, h1, t0, enc->sharp);
        for (int i = 0; i < kSubframe; ++i)
            res2[i] = sub(res2[i], extract_h(l_shl(l_mult(exc[off + i], gain_pit), 1)));
        int16_t code[kSubframe];
        int16_t y2[kSubframe];
        chk(F,
            voksFixedCodebookSearch_G729E_16s(static_cast<int16_t>(lp_mode), xn2, res2, h1, code, y2, prm));
        prm += 5;
        sharpen(F, code, t0, enc->sharp);

        int16_t gains[2] = {0, 0};
        int16_t rows[2] = {0, 0};
        chk(F, voksGainQuant_G729_16s(xn, y1, code, y2, enc->past_qua_en, gains, rows, taming ? 1 : 0));
        *prm++ = gain_index(rows);
        gain_pit = gains[0];
        const int16_t gain_code = gains[1];
        enc->sharp = clamp_sharp(gain_pit);
        note_pitch_gain(enc, gain_pit);

        build_excitation(F, exc + off, gain_pit, code, gain_code);
        update_taming(enc->exc_err, gain_pit, t0);
        int16_t* sy = synth_out + off;
        synth(F, a_q, m_aq, exc + off, sy, kSubframe, e.mem_syn + kOrderBwd - m_aq);
        keep_tail(sy, e.mem_syn, enc->mem_syn);
        int16_t w0[kSubframe];
        for (int i = 0; i < kSubframe; ++i) {
            err[kOrderBwd + i] = sub(speech[off + i], sy[i]);
            const int16_t t1 = extract_h(l_shl(l_mult(y1[i], gain_pit), 1));
            const int16_t t2 = extract_h(l_shl(l_mult(y2[i], gain_code), 2));
            w0[i] = sub(xn[i], add(t1, t2));
        }
        keep_tail(err + kOrderBwd, e.mem_err, enc->mem_err);
        keep_tail(w0, e.mem_w0, enc->mem_w0);
    }
    copy(syn, e.lp.syn, kSynHistory);
    e.prev_lp_mode = static_cast<int16_t>(lp_mode);
    shift_histories(enc);
}

void note_open_loop(Encoder* enc, int16_t t_op) {
    int16_t* lags = enc->high.lag_buf;
    copy(lags + 1, lags, 4);
    const int16_t avg = mult_r(add(add(add(lags[0], lags[1]), lags[2]), lags[3]), 8192);
    if (abs_s(sub(t_op, shl(avg, 1))) < 4) {
        lags[4] = shr(t_op, 1);  // about twice the recent delays: keep the half
    } else if (abs_s(sub(t_op, add(shl(avg, 1), avg))) < 6) {
        lags[4] = mult(t_op, 10923);  // about three times: keep the third
    } else {
        lags[4] = t_op;
    }
}

void note_pitch_gain(Encoder* enc, int16_t gain) {
    int16_t* g = enc->high.pgain_buf;
    copy(g + 1, g, 4);
    g[4] = gain;
}

}  // namespace detail
}  // namespace g729

// G.723.1 Annex A silence compression: the voice-activity detector, the SID gain quantiser,
// the comfort-noise excitation and the encoder's choice between SID and untransmitted frames.
#include <cstring>

#include "g723/g723_fixed.h"
#include "g723/g723_parts.h"
#include "voksc.h"

namespace g723 {

using namespace fx;

namespace {

constexpr int16_t kSidFactor[4] = {273, 998, 499, 333};
constexpr int32_t kSidSegment[3] = {2048, 18432, 231233};
constexpr int16_t kSidBase[3] = {0, 32, 96};
constexpr int kPulsesPerSub[4] = {6, 5, 6, 5};

// Levinson-Durbin of r[0] = err, r[1..10] = corr; returns the residual energy.
int16_t levinson(const int16_t* r11, int16_t* lpc) {
    int16_t sine = 0, err = 0;
    voksLevinsonDurbin_G723_16s(r11, &sine, &err, lpc);
    return err;
}

// Filter of the averaged autocorrelations of the past frames (not the current one).
void past_average_filter(const EncoderCng* c, int16_t* lpc) {
    int16_t sh = c->acf_shift[1];
    for (int i = 2; i <= 3; ++i)
        if (c->acf_shift[i] < sh) sh = c->acf_shift[i];
    sh = add(sh, 14);
    int32_t sum[11] = {};
    for (int i = 1; i <= 3; ++i)
        for (int j = 0; j <= 10; ++j)
            sum[j] = L_add(sum[j], L_shl(c->acf[11 * i + j], sub(sh, c->acf_shift[i])));
    int16_t t = sub(16, norm_l(sum[0]));
    if (t < 0) t = 0;
    int16_t r[11];
    for (int j = 0; j <= 10; ++j) r[j] = extract_l(L_shr(sum[j], t));
    levinson(r, lpc);
}

// Autocorrelation of the filter's impulse response (for the spectral distance).
void filter_autocorr(const int16_t* lpc, int16_t* rc, int16_t* shift) {
    int32_t a = 0;
    for (int j = 0; j < 10; ++j) a = L_mac(a, lpc[j], lpc[j]);
    a = L_add(L_shr(a, 1), 0x04000000);
    const int16_t sh = static_cast<int16_t>(norm_l(a) - 2);
    rc[0] = round16(L_shl(a, sh));
    for (int i = 1; i <= 10; ++i) {
        a = L_mult(static_cast<int16_t>(0xE000), lpc[i - 1]);
        for (int j = 0; j < 10 - i; ++j) a = L_mac(a, lpc[j], lpc[j + i]);
        rc[i] = round16(L_shl(a, sh));
    }
    *shift = sh;
}

// True when the filter of rc still fits the autocorrelation acf of residual energy alpha.
bool filter_fits(const int16_t* rc, int16_t shift, const int16_t* acf, int16_t alpha) {
    int32_t d = 0;
    for (int i = 0; i <= 10; ++i) d = L_mac(d, rc[i], shr(acf[i], 2));
    const int32_t limit = L_shl(L_add(mult_r(alpha, 7000), alpha), add(shift, 9));
    return d <= limit;
}

}  // namespace

int16_t quantise_sid_gain(const int16_t* energy, const int16_t* shift, int count) {
    int32_t x;
    if (count == 0) {
        x = L_mls(L_shl(energy[0], sub(16, shl(shift[0], 1))), kSidFactor[0]);
    } else {
        int16_t sh = shift[0];
        for (int i = 1; i < count; ++i)
            if (shift[i] < sh) sh = shift[i];
        x = 0;
        for (int i = 0; i < count; ++i)
            x = L_add(x, mult_r(kSidFactor[count], shr(energy[i], sub(shift[i], sh))));
        x = L_shl(x, sub(15, sh));
    }
    if (x >= kSidSegment[2]) return 63;
    int16_t seg, e;
    if (x >= kSidSegment[1]) {
        seg = 2, e = 4;
    } else {
        e = 3;
        seg = x >= kSidSegment[0] ? 1 : 0;
    }
    const int16_t s1 = add(seg, 1);
    int16_t j = shl(1, e), k = shr(j, 1);
    auto level = [&](int16_t m) {
        const int16_t t = add(kSidBase[seg], shl(m, s1));
        return L_mult(t, t);
    };
    for (int i = 0; i < e; ++i) {
        j = x >= level(j) ? add(j, k) : sub(j, k);
        k = shr(k, 1);
    }
    const int32_t y = L_sub(level(j), x);
    if (y <= 0) {
        const int16_t j2 = add(j, 1);
        return y > L_sub(x, level(j2)) ? add(shl(seg, 4), j) : add(shl(seg, 4), j2);
    }
    const int16_t j2 = sub(j, 1);
    return y < L_sub(x, level(j2)) ? add(shl(seg, 4), j) : add(shl(seg, 4), j2);
}

int16_t decode_sid_gain(int16_t index) {
    int16_t seg = shr(index, 4);
    if (seg == 3) seg = 2;
    const int16_t i = sub(index, shl(seg, 4));
    return shl(add(shl(i, add(seg, 1)), kSidBase[seg]), 5);
}

void random_excitation(int16_t gain, int16_t* prev_exc, int16_t* exc, int16_t* seed, Params& p) {
    p.olp[0] = static_cast<int16_t>(random_below(21, seed) + 123);
    p.olp[1] = static_cast<int16_t>(random_below(19, seed) + 123);
    for (int i = 0; i < 4; ++i) p.sub[i].gain = static_cast<int16_t>(random_below(50, seed) + 1);
    p.sub[0].lag_offset = 1, p.sub[1].lag_offset = 0, p.sub[2].lag_offset = 1, p.sub[3].lag_offset = 3;
    // Random grid offsets and signs for the two blocks of two sub-frames, then random positions.
    int16_t offset[4], sign[22], pos[22];
    int16_t* ps = sign;
    for (int b = 0; b < 2; ++b) {
        int16_t t = random_below(1 << 13, seed);
        offset[2 * b] = static_cast<int16_t>(t & 1);
        t = shr(t, 1);
        offset[2 * b + 1] = add(kSub, static_cast<int16_t>(t & 1));
        for (int i = 0; i < 11; ++i) {
            *ps++ = shl(sub(static_cast<int16_t>(t & 2), 1), 14);
            t = shr(t, 1);
        }
    }
    int16_t* pp = pos;
    for (int s = 0; s < 4; ++s) {
        int16_t free[30];
        for (int i = 0; i < 30; ++i) free[i] = static_cast<int16_t>(i);
        int16_t n = 30;
        for (int i = 0; i < kPulsesPerSub[s]; ++i) {
            const int16_t j = random_below(n, seed);
            *pp++ = add(shl(free[j], 1), offset[s]);
            n = sub(n, 1);
            free[j] = free[n];
        }
    }
    pp = pos;
    ps = sign;
    for (int b = 0; b < 2; ++b, exc += 2 * kSub) {
        // The adaptive vectors of both sub-frames come from the history before the block.
        int16_t hist[kHist + kSub] = {};
        std::memcpy(hist, prev_exc, sizeof(int16_t) * kHist);
        for (int k = 0; k < 2; ++k)
            voksDecodeAdaptiveVector_G723_16s(p.olp[b], p.sub[2 * b + k].lag_offset, p.sub[2 * b + k].gain,
                                              hist + kSub * k, exc + kSub * k, vokRate5300);
        int16_t mx = 0;
        for (int i = 0; i < 2 * kSub; ++i)
            if (abs_s(exc[i]) > mx) mx = abs_s(exc[i]);
        int16_t sh = 0;
        if (mx != 0) {
            sh = sub(4, norm_s(mx));
            if (sh < -2) sh = -2;
        }
        int16_t scaled[2 * kSub];
        int32_t energy = 0;
        for (int i = 0; i < 2 * kSub; ++i) {
            scaled[i] = shr(exc[i], sh);
            energy = L_mac(energy, scaled[i], scaled[i]);
        }
        int32_t a = 0;
        for (int i = 0; i < 11; ++i) a = L_mac(a, scaled[pp[i]], ps[i]);
        const int16_t inter = extract_h(L_shl(a, 1));
        // Pulse gain x solving the energy equation: x^2 + 2 b0 x - c = 0, the smaller root.
        int16_t t = extract_l(L_shr(L_mult(gain, kSub), 6));
        a = L_shr(L_mult(t, gain), add(shl(sh, 1), 4));
        const int32_t c = L_mls(L_sub(energy, a), 2979);
        const int16_t b0 = mult_r(inter, 2979);
        a = L_negate(L_msu(c, b0, b0));
        int16_t x1;
        if (a <= 0) {
            x1 = negate(b0);
        } else {
            const int16_t delta = sqrt_q15(a);
            x1 = sub(delta, b0);
            const int16_t x2 = add(b0, delta);
            if (abs_s(x2) < abs_s(x1)) x1 = negate(x2);
        }
        t = shl(x1, add(sh, 1));
        if (t > 10000) t = 10000;
        if (t < -10000) t = -10000;
        for (int i = 0; i < 11; ++i) {
            const int16_t j = *pp++;
            exc[j] = add(exc[j], mult(t, *ps++));
        }
        std::memmove(prev_exc, prev_exc + 2 * kSub, sizeof(int16_t) * (kHist - 2 * kSub));
        std::memcpy(prev_exc + kHist - 2 * kSub, exc, sizeof(int16_t) * 2 * kSub);
    }
}

void vad_init(Vad* v) {
    std::memset(v, 0, sizeof *v);
    v->hangover = 3;
    v->prev_energy = v->noise = 0x400;
    v->lags[0] = v->lags[1] = 1;
    v->lags[2] = v->lags[3] = kSub;
}

bool vad_decide(Vad* v, const int16_t* x, int16_t sine) {
    static constexpr int16_t kScale[11] = {9170,  9170,  9170,  9170,  10289, 11544,
                                           12953, 14533, 16306, 18296, 20529};
    // Stationary pitch (four lags near multiples of the smallest) or a sine adapts the noise.
    int16_t mn = kHist;
    for (int16_t l : v->lags)
        if (l < mn) mn = l;
    int hits = 0;
    for (int i = 0; i < 4; ++i) {
        int16_t m = mn;
        for (int j = 0; j < 8; ++j, m = add(m, mn))
            if (abs_s(sub(m, v->lags[i])) <= 3) ++hits;
    }
    if (hits == 4 || sine < 0)
        v->adapt = static_cast<int16_t>(v->adapt + 2);
    else
        --v->adapt;
    if (v->adapt > 6) v->adapt = 6;
    if (v->adapt < 0) v->adapt = 0;
    // Energy of the inverse-filtered frame.
    int32_t e = 0;
    for (int i = kSub; i < kFrame; ++i) {
        int32_t a = L_mult(x[i], 0x2000);
        for (int j = 0; j < 10; ++j) a = L_msu(a, x[i - j - 1], v->noise_lpc[j]);
        const int16_t r = round16(a);
        e = L_mac(e, r, r);
    }
    e = L_mls(e, 2913);
    if (v->noise > v->prev_energy)
        v->noise = L_add(L_sub(v->prev_energy, L_shr(v->prev_energy, 2)), L_shr(v->noise, 2));
    if (v->adapt == 0)
        v->noise = L_add(v->noise, L_shr(v->noise, 5));
    else
        v->noise = L_sub(v->noise, L_shr(v->noise, 11));
    v->prev_energy = e;
    if (v->noise < 0x80) v->noise = 0x80;
    if (v->noise > 0x1FFFF) v->noise = 0x1FFFF;
    // Threshold: the noise level times a factor interpolated by its exponent.
    int32_t a = L_shl(v->noise, 13);
    const int16_t n = norm_l(a);
    a = L_shl(a, n);
    a = static_cast<int32_t>(static_cast<uint32_t>(a & 0x3F000000) << 1);
    int16_t f = extract_h(a);
    a = L_msu(L_mac(L_deposit_h(kScale[n]), f, kScale[n - 1]), f, kScale[n]);
    f = extract_h(a);
    a = L_mult(extract_l(L_shr(v->noise, 2)), f) >> 11;
    bool voice = a <= e;
    if (voice) {
        ++v->count;
        ++v->hangover;
    } else if (--v->count < 0) {
        v->count = 0;
    }
    if (v->count >= 2) {
        v->hangover = 6;
        if (v->count >= 3) v->count = 3;
    }
    if (v->hangover) {
        voice = true;
        if (v->count == 0) --v->hangover;
    }
    v->lags[0] = v->lags[2];
    v->lags[1] = v->lags[3];
    return voice;
}

void cng_init(EncoderCng* c) {
    std::memset(c, 0, sizeof *c);
    for (int16_t& s : c->acf_shift) s = 40;
    c->past_type = 1;
    c->seed = 12345;
}

void cng_update_acf(EncoderCng* c, const int16_t* acf, const int16_t* shift) {
    std::memmove(c->acf + 11, c->acf, sizeof(int16_t) * 33);
    for (int i = 3; i >= 1; --i) c->acf_shift[i] = c->acf_shift[i - 1];
    int16_t sh = shift[0];
    for (int k = 1; k < 4; ++k)
        if (shift[k] < sh) sh = shift[k];
    sh = add(sh, 14);
    int32_t sum[11] = {};
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i <= 10; ++i) sum[i] = L_add(sum[i], L_shl(acf[11 * k + i], sub(sh, shift[k])));
    int16_t t = sub(16, norm_l(sum[0]));
    if (t < 0) t = 0;
    for (int i = 0; i <= 10; ++i) c->acf[i] = extract_l(L_shr(sum[i], t));
    c->acf_shift[0] = sub(sh, t);
}

int cng_encode(Encoder* e, int16_t* exc, Params& p, int16_t* lpc40) {
    EncoderCng* c = &e->cng;
    int16_t cur[10];
    for (int i = 2; i >= 1; --i) c->energy[i] = c->energy[i - 1];
    c->energy[0] = levinson(c->acf, cur);
    int type;
    int16_t q;
    if (c->past_type == 1) {
        type = 2;
        c->energy_count = 1;
        q = quantise_sid_gain(c->energy, c->acf_shift, c->energy_count);
    } else {
        if (++c->energy_count > 3) c->energy_count = 3;
        q = quantise_sid_gain(c->energy, c->acf_shift, c->energy_count);
        if (!filter_fits(c->rc, c->rc_shift, c->acf, c->energy[0]))
            type = 2;
        else
            type = abs_s(sub(q, c->ref_index)) > 3 ? 2 : 0;
    }
    if (type == 2) {
        past_average_filter(c, c->sid_lpc);
        if (e->vad_state.adapt == 0) std::memcpy(e->vad_state.noise_lpc, c->sid_lpc, sizeof c->sid_lpc);
        filter_autocorr(c->sid_lpc, c->rc, &c->rc_shift);
        if (!filter_fits(c->rc, c->rc_shift, c->acf, c->energy[0])) {
            std::memcpy(c->sid_lpc, cur, sizeof cur);
            filter_autocorr(cur, c->rc, &c->rc_shift);
        }
        voksLPCToLSF_G723_16s(c->sid_lpc, e->prev_lsf, c->sid_lsf);
        voksLSFQuant_G723_16s32s(c->sid_lsf, e->prev_lsf, &p.lsf_index);
        const int16_t idx[3] = {static_cast<int16_t>((p.lsf_index >> 16) & 0xFF),
                                static_cast<int16_t>((p.lsf_index >> 8) & 0xFF),
                                static_cast<int16_t>(p.lsf_index & 0xFF)};
        voksLSFDecode_G723_16s(idx, e->prev_lsf, 0, c->sid_lsf);
        p.sub[0].amp = q;
        c->ref_index = q;
        c->sid_gain = decode_sid_gain(q);
    }
    c->cur_gain = c->past_type == 1
                      ? c->sid_gain
                      : extract_h(L_add(L_mult(c->cur_gain, 0x7000), L_mult(c->sid_gain, 0x1000)));
    random_excitation(c->cur_gain, e->prev_exc, exc, &c->seed, p);
    interpolate_lpc(c->sid_lsf, e->prev_lsf, lpc40);
    std::memcpy(e->prev_lsf, c->sid_lsf, sizeof c->sid_lsf);
    c->past_type = static_cast<int16_t>(type);
    return type;
}

}  // namespace g723

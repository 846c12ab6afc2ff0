// G.723.1 encoder and decoder frame loops on the public voksc operations.
#include "g723/g723_codec.h"

#include <algorithm>
#include <cstring>

#include "g723/g723_coder_tables.h"
#include "g723/g723_fixed.h"
#include "g723/g723_parts.h"
#include "voksc.h"

namespace g723 {

using namespace fx;

namespace {

VokSpeechRate code(Rate r) {
    return r == Rate::R63 ? vokRate6300 : vokRate5300;
}

// Impulse response of the weighted synthesis filter with the harmonic noise shaping. While the
// coefficient sums times the largest memory magnitudes keep every chain in range, the chains
// are summed exactly.
void impulse_response(int16_t* h, const int16_t* lpc, const int16_t* per, int16_t lag, int16_t gain) {
    int16_t fir[10] = {}, iir[10] = {}, tmp[kHist + kSub] = {};
    int64_t sl = 0, sz = 0, sp = 0, mf = 0, mi = 0;
    for (int j = 0; j < 10; ++j) {
        sl += lpc[j] < 0 ? -lpc[j] : lpc[j];
        sz += per[j] < 0 ? -per[j] : per[j];
        sp += per[10 + j] < 0 ? -per[10 + j] : per[10 + j];
    }
    int32_t a = 0x04000000;
    for (int i = 0; i < kSub; ++i) {
        const bool exact = 2 * ((int64_t{1} << 26) + 2 * (sl + sz) * mf) + 2 * sp * mi <= INT32_MAX;
        int32_t s;
        if (exact) {
            int32_t c = 0, z = 0, q = 0;
            for (int j = 0; j < 10; ++j) c += int32_t{lpc[j]} * fir[j], z += int32_t{per[j]} * fir[j];
            for (int j = 0; j < 10; ++j) q += int32_t{per[10 + j]} * iir[j];
            a += 2 * c;
            s = L_shl(a, 2);
            a = 2 * (a - 2 * z) + 2 * q;
        } else {
            for (int j = 0; j < 10; ++j) a = L_mac(a, lpc[j], fir[j]);
            s = L_shl(a, 2);
            for (int j = 0; j < 10; ++j) a = L_msu(a, per[j], fir[j]);
            a = L_shl(a, 1);
            for (int j = 0; j < 10; ++j) a = L_mac(a, per[10 + j], iir[j]);
        }
        std::memmove(fir + 1, fir, 9 * sizeof(int16_t));
        fir[0] = round16(s);
        std::memmove(iir + 1, iir, 9 * sizeof(int16_t));
        iir[0] = round16(L_shl(a, 2));
        mf = std::max<int64_t>(mf, abs_s(fir[0]));
        mi = std::max<int64_t>(mi, abs_s(iir[0]));
        tmp[kHist + i] = iir[0];
        h[i] = round16(L_msu(L_deposit_h(iir[0]), gain, tmp[kHist - lag + i]));
        a = 0;
    }
}

// The zero-input response of the weighted synthesis filter and the shaping, taken from x.
void subtract_ringing(const Encoder* e, int16_t* x, const int16_t* lpc, const int16_t* per, int16_t lag,
                      int16_t gain) {
    int16_t mem[20], syn[10], zero[kSub] = {}, r[kSub], tmp[kHist + kSub];
    int32_t acc[kSub];
    std::memcpy(mem, e->ring_mem, sizeof mem);
    std::memcpy(syn, e->ring_mem, sizeof syn);
    voksSynthesisFilter_G723_16s32s(lpc, zero, acc, syn);
    voksIIR16s_G723_32s16s_Sfs(per, acc, 0, r, mem);
    std::memcpy(tmp, e->prev_err, sizeof(int16_t) * kHist);
    std::memcpy(tmp + kHist, r, sizeof r);
    for (int i = 0; i < kSub; ++i)
        x[i] = round16(L_mac(L_deposit_h(sub(x[i], r[i])), gain, tmp[kHist - lag + i]));
}

// Advances the weighted synthesis filter memories with the sub-frame's excitation.
void update_ringing(Encoder* e, int16_t* exc, const int16_t* lpc, const int16_t* per) {
    int16_t syn[10], y[kSub];
    int32_t acc[kSub];
    std::memcpy(syn, e->ring_mem, sizeof syn);
    voksSynthesisFilter_G723_16s32s(lpc, exc, acc, syn);
    for (int i = 0; i < kSub; ++i) exc[i] = shl(round16(L_shl(acc[i], 2)), 1);
    voksIIR16s_G723_32s16s_Sfs(per, acc, 0, y, e->ring_mem);
    std::memmove(e->prev_err, e->prev_err + kSub, sizeof(int16_t) * (kHist - kSub));
    std::memcpy(e->prev_err + kHist - kSub, y, sizeof y);
}

// Taming: the worst accumulated pitch-gain error of the lag zones the lag reaches.
void update_errors(Encoder* e, int16_t olp, int16_t offset, int16_t gid, bool rate63) {
    const int16_t lag = static_cast<int16_t>(olp - 1 + offset);
    const int16_t beta = rate63 && olp < kSub - 2 ? kTamingGain85[gid] : kTamingGain170[gid];
    auto term = [&](int k) { return L_add(4, L_shl(L_mls(e->err[k], beta), 2)); };
    int32_t w0, w1;
    if (lag <= kSub / 2) {
        w0 = w1 = term(0);
    } else {
        const int16_t iz = mult(lag, 1092);
        const int16_t t = add(iz, 1);
        if (sub(shl(t, 5), shl(t, 1)) != lag) {
            if (iz == 1) {
                w0 = term(0);
                w1 = term(1);
                if (w0 > w1)
                    w1 = w0;
                else
                    w0 = w1;
            } else {
                w0 = term(iz - 2);
                const int32_t m = term(iz - 1);
                if (m > w0) w0 = m;
                w1 = term(iz);
                if (m > w1) w1 = m;
            }
        } else {
            w0 = term(iz - 1);
            w1 = term(iz);
        }
    }
    for (int i = 4; i >= 2; --i) e->err[i] = e->err[i - 2];
    e->err[0] = w0;
    e->err[1] = w1;
}

// Target minus the adaptive vector filtered by h. Every chain stays within |x| 2^15 + E(av) +
// E(h) of zero: below the limit the saturating chain is the exact sum.
void subtract_filtered(int16_t* x, const int16_t* av, const int16_t* h) {
    int64_t e = 0;
    int16_t xm = 0;
    for (int i = 0; i < kSub; ++i) {
        e += int32_t{av[i]} * av[i] + int32_t{h[i]} * h[i];
        xm = abs_s(x[i]) > xm ? abs_s(x[i]) : xm;
    }
    const bool exact = e + (int64_t{xm} << 15) + (1 << 15) <= INT32_MAX;
    if (exact) {
        // The exact sums in any order: one delayed copy of h per sample of av.
        int32_t c[kSub] = {};
        for (int j = 0; j < kSub; ++j) {
            const int32_t v = av[j];
            if (v == 0) continue;
            for (int n = j; n < kSub; ++n) c[n] += v * h[n - j];
        }
        for (int n = 0; n < kSub; ++n) x[n] = round16(L_shl(L_shr(L_deposit_h(x[n]), 1) - 2 * c[n], 1));
        return;
    }
    for (int n = 0; n < kSub; ++n) {
        int32_t a = L_shr(L_deposit_h(x[n]), 1);
        for (int j = 0; j <= n; ++j) a = L_msu(a, av[j], h[n - j]);
        x[n] = round16(L_shl(a, 1));
    }
}

// Pulse train of the 5.3 kbit/s rate: x[i] += g * x[i - lag] in place for a lag below 58.
void sharpen(int16_t* x, int lag, int16_t g) {
    if (lag >= kSub - 2) return;
    for (int i = lag; i < kSub; ++i) x[i] = add(x[i], mult(x[i - lag], g));
}

}  // namespace

void acelp_code(int16_t* x, int16_t* h, int lag, int16_t gid, int16_t* budget, Sub& s) {
    const int t0 = lag + kSharpLagOffset[gid];
    const int16_t g0 = kSharpGain[gid];
    for (int i = 0; i < kSub; ++i) h[i] = shr(h[i], 1);
    sharpen(h, t0, g0);
    int32_t rr[416], y32[kSub], mx = 0;
    voksToeplizMatrix_G723_16s32s(h, rr);
    for (int i = 0; i < kSub; ++i) {
        int32_t a = 0;
        for (int j = i; j < kSub; ++j) a = L_mac(a, x[j], h[j - i]);
        y32[i] = a;
        if (L_abs(a) > mx) mx = L_abs(a);
    }
    int n = norm_l(mx);
    if (n > 16) n = 16;
    int16_t dn[kSub];
    for (int i = 0; i < kSub; ++i) dn[i] = extract_l(L_shr(y32[i], 18 - n));
    int16_t sign[4], pos[4], grid, code[kSub];
    voksACELPFixedCodebookSearch_G723_32s16s(dn, rr, sign, pos, &grid, code, budget);
    int16_t y[kSub] = {};
    for (int k = 0; k < 4; ++k)
        for (int i = pos[k]; i < kSub; ++i)
            y[i] = sign[k] > 0 ? add(y[i], h[i - pos[k]]) : sub(y[i], h[i - pos[k]]);
    // Gain: the nearest level to the optimal gain.
    for (int i = 0; i < kSub; ++i) y[i] = shr(y[i], 3);
    int32_t xy = 0;
    for (int i = 0; i < kSub; ++i) xy = L_mac(xy, x[i], y[i]);
    int16_t gi = 0;
    const int16_t exy = norm_l(xy);
    int16_t sxy = extract_h(L_shl(xy, exy));
    if (sxy > 0) {
        int32_t yy = 0;
        for (int i = 0; i < kSub; ++i) yy = L_mac(yy, y[i], y[i]);
        const int16_t eyy = norm_l(yy);
        const int16_t syy = extract_h(L_shl(yy, eyy));
        sxy = shr(sxy, 1);
        const int16_t g = shr(div_s(sxy, syy), exy + 5 - eyy);
        int16_t best = abs_s(sub(g, kFixedGain[0]));
        for (int i = 1; i < 24; ++i) {
            const int16_t d = abs_s(sub(g, kFixedGain[i]));
            if (d < best) best = d, gi = static_cast<int16_t>(i);
        }
    }
    for (int i = 0; i < kSub; ++i) x[i] = static_cast<int16_t>(code[i] * kFixedGain[gi]);
    sharpen(x, t0, g0);
    s.amp = gi;
    s.grid = grid;
    s.train = 0;
    s.signs = 0;
    s.pos = 0;
    for (int k = 0; k < 4; ++k) {
        if (sign[k] > 0) s.signs = static_cast<int16_t>(s.signs + (1 << k));
        s.pos += (pos[k] >> 3) << (3 * k);
    }
}

namespace {

// Bits, least significant first, into the packed frame.
struct BitWriter {
    uint8_t* out;
    int n = 0;
    void put(int32_t v, int bits) {
        for (int i = 0; i < bits; ++i, ++n)
            out[n >> 3] = static_cast<uint8_t>(out[n >> 3] | (((v >> i) & 1) << (n & 7)));
    }
};
struct BitReader {
    const uint8_t* in;
    int n = 0;
    int32_t get(int bits) {
        int32_t v = 0;
        for (int i = 0; i < bits; ++i, ++n) v |= static_cast<int32_t>((in[n >> 3] >> (n & 7)) & 1) << i;
        return v;
    }
};

int pack(const Params& p, int type, Rate rate, uint8_t* out) {
    std::memset(out, 0, kMaxFrameBytes);
    BitWriter w{out};
    w.put(type == 0 ? 3 : type == 2 ? 2 : rate == Rate::R63 ? 0 : 1, 2);
    if (type == 0) return 1;
    w.put(p.lsf_index, 24);
    if (type == 2) {
        w.put(p.sub[0].amp, 6);
        return 4;
    }
    w.put(p.olp[0] - 18, 7);
    w.put(p.sub[1].lag_offset, 2);
    w.put(p.olp[1] - 18, 7);
    w.put(p.sub[3].lag_offset, 2);
    for (int i = 0; i < 4; ++i) {
        int32_t t = p.sub[i].gain * 24 + p.sub[i].amp;
        if (rate == Rate::R63) t += static_cast<int32_t>(p.sub[i].train) << 11;
        w.put(t, 12);
    }
    for (int i = 0; i < 4; ++i) w.put(p.sub[i].grid, 1);
    if (rate == Rate::R63) {
        w.put(0, 1);
        int32_t t = (p.sub[0].pos >> 16) * 9 + (p.sub[1].pos >> 14);
        t = t * 90 + (p.sub[2].pos >> 16) * 9 + (p.sub[3].pos >> 14);
        w.put(t, 13);
        w.put(p.sub[0].pos & 0xFFFF, 16);
        w.put(p.sub[1].pos & 0x3FFF, 14);
        w.put(p.sub[2].pos & 0xFFFF, 16);
        w.put(p.sub[3].pos & 0x3FFF, 14);
        w.put(p.sub[0].signs, 6);
        w.put(p.sub[1].signs, 5);
        w.put(p.sub[2].signs, 6);
        w.put(p.sub[3].signs, 5);
        return 24;
    }
    for (int i = 0; i < 4; ++i) w.put(p.sub[i].pos, 12);
    for (int i = 0; i < 4; ++i) w.put(p.sub[i].signs, 4);
    return 20;
}

}  // namespace

int16_t vec_norm(int16_t* v, int n) {
    int32_t mx = 0;
    for (int i = 0; i < n; ++i) mx = std::max(mx, v[i] < 0 ? -int32_t{v[i]} : int32_t{v[i]});
    const int16_t sh = norm_s(static_cast<int16_t>(std::min(mx, int32_t{32767})));
    // The factor is positive, so the doubled product never saturates.
    const int32_t f = sh == 15 ? 32767 : 1 << sh;
    for (int i = 0; i < n; ++i) v[i] = static_cast<int16_t>((2 * f * v[i]) >> 4);
    return static_cast<int16_t>(sh - 3);
}

void interpolate_lpc(const int16_t* cur, const int16_t* prev, int16_t* lpc) {
    int16_t t = -8192;
    for (int i = 0; i < 4; ++i, lpc += 10) {
        for (int j = 0; j < 10; ++j)
            lpc[j] = round16(L_msu(L_mac(L_deposit_h(prev[j]), t, prev[j]), t, cur[j]));
        voksLSFToLPC_G723_16s_I(lpc);
        t = add(t, -8192);
    }
}

int16_t next_random(int16_t* seed) {
    const int32_t t = (static_cast<int32_t>(*seed) & 0xFFFF) * 521 + 259;
    *seed = extract_l(t);
    return *seed;
}

int16_t random_below(int16_t n, int16_t* seed) {
    return mult(static_cast<int16_t>(next_random(seed) & 0x7FFF), n);
}

int16_t sqrt_q15(int32_t x) {
    int16_t r = 0, step = 0x4000;
    for (int i = 0; i < 14; ++i) {
        if (x >= L_mult(add(r, step), add(r, step))) r = add(r, step);
        step = shr(step, 1);
    }
    return r;
}

void encoder_init(Encoder* e, bool highpass, bool vad) {
    std::memset(e, 0, sizeof *e);
    e->highpass = highpass;
    e->vad = vad;
    std::memcpy(e->prev_lsf, kLsfMean, sizeof e->prev_lsf);
    for (int32_t& v : e->err) v = 4;
    vad_init(&e->vad_state);
    cng_init(&e->cng);
}

int encode(Encoder* e, const int16_t* pcm, Rate rate, uint8_t* out) {
    const bool r63 = rate == Rate::R63;
    int16_t data[kFrame];
    if (e->highpass) {
        voksHighPassFilter_G723_16s(pcm, data, e->hp_mem);
    } else {
        for (int i = 0; i < kFrame; ++i) data[i] = shr(pcm[i], 1);
    }
    if (!r63) e->budget = 120;

    // LP analysis of four windows, the last one centred on the last sub-frame.
    int16_t buf[360], unq[40], acf[44], shift[4];
    std::memcpy(buf, e->prev_dat, sizeof e->prev_dat);
    std::memcpy(buf + 120, data, sizeof data);
    for (int k = 0; k < 4; ++k) {
        int16_t err;
        voksAutoCorr_G723_16s(buf + 60 * k, &shift[k], acf + 11 * k);
        voksLevinsonDurbin_G723_16s(acf + 11 * k, &e->sine, &err, unq + 10 * k);
    }
    // A sine wave: 14 or more of the last 15 sub-frames had a large second reflection coefficient.
    e->sine &= 0x7FFF;
    int bits = 0;
    for (int i = 0; i < 15; ++i) bits += (e->sine >> i) & 1;
    if (bits >= 14) e->sine = static_cast<int16_t>(e->sine | 0x8000);
    if (e->vad) cng_update_acf(&e->cng, acf, shift);

    int16_t lsf[10];
    voksLPCToLSF_G723_16s(unq + 30, e->prev_lsf, lsf);
    int type = e->vad ? (vad_decide(&e->vad_state, data, e->sine) ? 1 : 0) : 1;
    Params p;
    voksLSFQuant_G723_16s32s(lsf, e->prev_lsf, &p.lsf_index);
    std::memcpy(e->prev_dat, buf + 240, sizeof e->prev_dat);
    std::memcpy(data, buf + 60, sizeof data);

    // Perceptual weighting.
    int16_t per[80];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 10; ++j) {
            per[20 * i + j] = mult_r(unq[10 * i + j], kPerceptualZero[j]);
            per[20 * i + 10 + j] = mult_r(unq[10 * i + j], kPerceptualPole[j]);
        }
    for (int i = 0; i < 4; ++i) voksIIR16s_G723_16s_I(per + 20 * i, data + kSub * i, e->wght_mem);
    int16_t dn[kHist + kFrame];
    std::memcpy(dn, e->prev_wgt, sizeof e->prev_wgt);
    std::memcpy(dn + kHist, data, sizeof data);
    vec_norm(dn, kHist + kFrame);
    for (int i = 0; i < 2; ++i) {
        voksOpenLoopPitchSearch_G723_16s(dn + kHist + 120 * i, &p.olp[i]);
        e->vad_state.lags[i + 2] = p.olp[i];
    }

    int16_t qnt[40];
    if (type != 1) {
        std::memcpy(e->prev_wgt, data + kFrame - kHist, sizeof e->prev_wgt);
        type = cng_encode(e, data, p, qnt);
        for (int i = 0; i < 4; ++i) {
            update_errors(e, p.olp[i >> 1], p.sub[i].lag_offset, p.sub[i].gain, r63);
            update_ringing(e, data + kSub * i, qnt + 10 * i, per + 20 * i);
        }
        return pack(p, type, rate, out);
    }

    int16_t pwl[4], pwg[4];
    for (int i = 0; i < 4; ++i)
        voksHarmonicSearch_G723_16s(p.olp[i >> 1], dn + kHist + kSub * i, &pwl[i], &pwg[i]);
    for (int i = 0; i < 4; ++i)
        voksHarmonicNoiseSubtract_G723_16s_I(pwg[i], pwl[i], data + kSub * i, e->prev_wgt);
    const int16_t idx[3] = {static_cast<int16_t>((p.lsf_index >> 16) & 0xFF),
                            static_cast<int16_t>((p.lsf_index >> 8) & 0xFF),
                            static_cast<int16_t>(p.lsf_index & 0xFF)};
    int16_t qlsf[10];
    voksLSFDecode_G723_16s(idx, e->prev_lsf, 0, qlsf);
    interpolate_lpc(qlsf, e->prev_lsf, qnt);
    std::memcpy(e->prev_lsf, qlsf, sizeof qlsf);

    for (int i = 0; i < 4; ++i) {
        int16_t* x = data + kSub * i;
        int16_t h[kSub], av[kSub];
        impulse_response(h, qnt + 10 * i, per + 20 * i, pwl[i], pwg[i]);
        subtract_ringing(e, x, qnt + 10 * i, per + 20 * i, pwl[i], pwg[i]);
        Sub& s = p.sub[i];
        int16_t& olp = p.olp[i >> 1];
        voksAdaptiveCodebookSearch_G723(olp, x, h, e->prev_exc, e->err, &s.lag_offset, &s.gain,
                                        static_cast<int16_t>(i), e->sine, code(rate));
        if ((i & 1) == 0) {
            olp = static_cast<int16_t>(olp + s.lag_offset - 1);
            s.lag_offset = 1;
        }
        voksDecodeAdaptiveVector_G723_16s(olp, s.lag_offset, s.gain, e->prev_exc, av, code(rate));
        subtract_filtered(x, av, h);
        if (r63) {
            int16_t exc[kSub];
            voksMPMLQFixedCodebookSearch_G723(olp, h, x, exc, &s.grid, &s.train, &s.amp, &s.signs, &s.pos,
                                              static_cast<int16_t>(i));
            std::memcpy(x, exc, sizeof exc);
        } else {
            acelp_code(x, h, olp - 1 + s.lag_offset, s.gain, &e->budget, s);
        }
        std::memmove(e->prev_exc, e->prev_exc + kSub, sizeof(int16_t) * (kHist - kSub));
        for (int n = 0; n < kSub; ++n) {
            x[n] = add(shl(x[n], 1), av[n]);
            e->prev_exc[kHist - kSub + n] = x[n];
        }
        update_errors(e, olp, s.lag_offset, s.gain, r63);
        update_ringing(e, x, qnt + 10 * i, per + 20 * i);
    }
    e->cng.past_type = 1;
    e->cng.seed = 12345;
    return pack(p, 1, rate, out);
}

// ---- decoder ----

namespace {

// Unpacks a frame; false for parameters the coder cannot produce (decoded as an erasure).
bool unpack(const uint8_t* in, Decoder* d, Params& p, int& type) {
    BitReader r{in};
    const int info = r.get(2);
    if (info == 3) {
        type = 0;
        return true;
    }
    p.lsf_index = r.get(24);
    if (info == 2) {
        p.sub[0].amp = static_cast<int16_t>(r.get(6));
        type = 2;
        return true;
    }
    type = 1;
    d->rate = info == 0 ? Rate::R63 : Rate::R53;
    for (int k = 0; k < 2; ++k) {
        const int32_t t = r.get(7);
        if (t > 123) return false;
        p.olp[k] = static_cast<int16_t>(t + 18);
        p.sub[2 * k + 1].lag_offset = static_cast<int16_t>(r.get(2));
    }
    p.sub[0].lag_offset = p.sub[2].lag_offset = 1;
    for (int i = 0; i < 4; ++i) {
        int32_t t = r.get(12);
        int bound = 170;
        p.sub[i].train = 0;
        if (d->rate == Rate::R63 && p.olp[i >> 1] < kSub - 2) {
            p.sub[i].train = static_cast<int16_t>(t >> 11);
            t &= 0x7FF;
            bound = 85;
        }
        p.sub[i].gain = static_cast<int16_t>(t / 24);
        if (p.sub[i].gain >= bound) return false;
        p.sub[i].amp = static_cast<int16_t>(t % 24);
    }
    for (int i = 0; i < 4; ++i) p.sub[i].grid = static_cast<int16_t>(r.get(1));
    if (info == 0) {
        r.get(1);
        const int32_t t = r.get(13);
        p.sub[0].pos = ((t / 90 / 9) << 16) + r.get(16);
        p.sub[1].pos = ((t / 90 % 9) << 14) + r.get(14);
        p.sub[2].pos = ((t % 90 / 9) << 16) + r.get(16);
        p.sub[3].pos = ((t % 90 % 9) << 14) + r.get(14);
        p.sub[0].signs = static_cast<int16_t>(r.get(6));
        p.sub[1].signs = static_cast<int16_t>(r.get(5));
        p.sub[2].signs = static_cast<int16_t>(r.get(6));
        p.sub[3].signs = static_cast<int16_t>(r.get(5));
    } else {
        for (int i = 0; i < 4; ++i) p.sub[i].pos = r.get(12);
        for (int i = 0; i < 4; ++i) p.sub[i].signs = static_cast<int16_t>(r.get(4));
    }
    return true;
}

void pulse_train(int16_t* x, int lag) {
    int16_t t[kSub];
    std::memcpy(t, x, sizeof t);
    for (int d = lag; d < kSub; d += lag)
        for (int i = d; i < kSub; ++i) x[i] = add(x[i], t[i - d]);
}

// Fixed-codebook excitation of a sub-frame.
void fixed_vector(int16_t* x, const Sub& s, int olp, int sub, Rate rate) {
    std::memset(x, 0, sizeof(int16_t) * kSub);
    const int16_t g = kFixedGain[s.amp];
    if (rate == Rate::R63) {
        if (s.pos >= kMaxPositionCode[sub]) return;
        int j = 6 - ((sub & 1) ? 5 : 6);
        int32_t a = s.pos;
        for (int i = 0; i < kSub / 2; ++i) {
            a -= kCombinations[j][i];
            if (a < 0) {
                a += kCombinations[j][i];
                ++j;
                x[s.grid + 2 * i] = (s.signs & (1 << (6 - j))) ? static_cast<int16_t>(-g) : g;
                if (j == 6) break;
            }
        }
        if (s.train == 1) pulse_train(x, olp);
        return;
    }
    int16_t t[kSub + 4] = {};
    int pos = static_cast<int16_t>(s.pos), sign = s.signs;
    for (int k = 0; k < 4; ++k, pos >>= 3, sign >>= 1)
        t[((pos & 7) << 3) + s.grid + 2 * k] = (sign & 1) ? g : static_cast<int16_t>(-g);
    std::memcpy(x, t, sizeof(int16_t) * kSub);
    const int t0 = olp - 1 + s.lag_offset + kSharpLagOffset[s.gain];
    sharpen(x, t0, kSharpGain[s.gain]);
}

// The saturating chain of L_mac over a[i] b[i] from 0; the exact sum when its magnitude bound
// stays in range.
int32_t mac_chain(const int16_t* a, const int16_t* b, int n) {
    int64_t s = 0, m = 0;
    for (int i = 0; i < n; ++i) {
        const int64_t p = 2 * int64_t{a[i]} * b[i];
        s += p;
        m += p < 0 ? -p : p;
    }
    if (m <= INT32_MAX) return static_cast<int32_t>(s);
    int32_t c = 0;
    for (int i = 0; i < n; ++i) c = L_mac(c, a[i], b[i]);
    return c;
}

// Lag and voicing of the last good frame for concealment; normalises buf in place.
int16_t concealment_lag(int16_t* buf, int16_t olp, int16_t* energy, int16_t* shift) {
    *shift = vec_norm(buf, kHist + kFrame);
    if (olp > kHist - 3) olp = kHist - 3;
    const int16_t* x = buf + kHist + kFrame - 2 * kSub;
    int16_t idx = olp;
    int32_t best = 0;
    // Every chain below stays within twice the energy of x[-olp-3 .. 120): below the limit all
    // are exact sums.
    int64_t e = 0;
    for (int j = -olp - 3; j < 2 * kSub; ++j) e += int32_t{x[j]} * x[j];
    for (int i = olp - 3; i <= olp + 3; ++i) {
        int32_t a;
        if (2 * e <= INT32_MAX) {
            a = 0;
            for (int j = 0; j < 2 * kSub; ++j) a += int32_t{x[j]} * x[j - i];
            a *= 2;
        } else {
            a = mac_chain(x, x - i, 2 * kSub);
        }
        if (a > best) best = a, idx = static_cast<int16_t>(i);
    }
    int32_t a = mac_chain(x, x, 2 * kSub);
    const int16_t ten = round16(a);
    *energy = ten;
    a = mac_chain(x - idx, x - idx, 2 * kSub);
    const int16_t ccr = round16(best);
    if (ccr <= 0) return 0;
    const int16_t enr = round16(a);
    return L_msu(L_shr(L_mult(enr, ten), 3), ccr, ccr) < 0 ? idx : int16_t{0};
}

}  // namespace

int32_t formant_postfilter(Decoder* d, int16_t* x, const int16_t* lpc) {
    int16_t coef[20], tmp[kSub];
    for (int i = 0; i < 10; ++i) {
        coef[i] = mult_r(lpc[i], kPostZero[i]);
        coef[10 + i] = mult_r(lpc[i], kPostPole[i]);
    }
    std::memcpy(tmp, x, sizeof tmp);
    const int16_t e = vec_norm(tmp, kSub);
    // The energy chain has non-negative terms (it saturates for good once it does); the lag-one
    // chain stays within twice the energy: exact below the limit.
    int64_t e0 = 0, e1 = 0;
    for (int i = 0; i < kSub; ++i) e0 += 2 * int32_t{tmp[i]} * tmp[i];
    for (int i = 1; i < kSub; ++i) e1 += 2 * int32_t{tmp[i]} * tmp[i - 1];
    const int32_t c0 = static_cast<int32_t>(std::min<int64_t>(e0, INT32_MAX));
    int32_t c1 = static_cast<int32_t>(e1);
    if (e0 > INT32_MAX) {
        c1 = 0;
        for (int i = 1; i < kSub; ++i) c1 = L_mac(c1, tmp[i], tmp[i - 1]);
    }
    const int32_t energy = L_shr(c0, 2 * e + 4);
    int16_t k = extract_h(c0);
    if (k != 0) {
        const int32_t half = L_shr(c1, 1);
        k = div_l(L_abs(half), k);
        if (half < 0) k = negate(k);
    }
    d->park = round16(L_mac(L_msu(L_deposit_h(d->park), d->park, 0x2000), k, 0x2000));
    const int16_t tilt = static_cast<int16_t>(mult(d->park, static_cast<int16_t>(0xC000)) & 0xFFFC);
    int32_t acc[kSub + 1];
    acc[0] = L_deposit_h(d->post_mem[10]);
    voksIIR16s_G723_16s32s(coef, x, acc + 1, d->post_mem);
    voksTiltCompensation_G723_32s16s(tilt, acc + 1, x);
    voksGainControl_G723_16s_I(energy, x, &d->gain);
    return energy;
}

namespace {

void decode_cng(Decoder* d, int type, const Params& p0, int16_t* exc, int16_t* lpc) {
    Params p = p0;
    if (type == 2) {
        d->sid_gain = decode_sid_gain(p.sub[0].amp);
        const int16_t idx[3] = {static_cast<int16_t>((p.lsf_index >> 16) & 0xFF),
                                static_cast<int16_t>((p.lsf_index >> 8) & 0xFF),
                                static_cast<int16_t>(p.lsf_index & 0xFF)};
        voksLSFDecode_G723_16s(idx, d->prev_lsf, 0, d->sid_lsf);
    } else if (d->past_type == 1) {
        d->sid_gain = decode_sid_gain(quantise_sid_gain(&d->sid_gain, &d->cur_gain, 0));
    }
    d->cur_gain = d->past_type == 1
                      ? d->sid_gain
                      : extract_h(L_add(L_mult(d->cur_gain, 0x7000), L_mult(d->sid_gain, 0x1000)));
    random_excitation(d->cur_gain, d->prev_exc, exc, &d->cng_seed, p);
    interpolate_lpc(d->sid_lsf, d->prev_lsf, lpc);
    std::memcpy(d->prev_lsf, d->sid_lsf, sizeof d->sid_lsf);
}

}  // namespace

void decoder_init(Decoder* d, bool postfilter) {
    std::memset(d, 0, sizeof *d);
    d->postfilter = postfilter;
    d->rate = Rate::R63;
    d->gain = 0x1000;
    std::memcpy(d->prev_lsf, kLsfMean, sizeof d->prev_lsf);
    std::memcpy(d->sid_lsf, kLsfMean, sizeof d->sid_lsf);
    d->past_type = 1;
    d->cng_seed = 12345;
}

int frame_bytes(uint8_t first) {
    static constexpr int kBytes[4] = {24, 20, 4, 1};
    return kBytes[first & 3];
}

void decode(Decoder* d, const uint8_t* frame, bool erased, int16_t* pcm) {
    Params p;
    int type = 1;
    bool bad = erased || !unpack(frame, d, p, type);
    if (bad) type = d->past_type == 1 ? 1 : 0;
    int16_t data[kFrame], lpc[40];
    if (type != 1) {
        decode_cng(d, type, p, data, lpc);
    } else {
        d->erased_count = bad ? add(d->erased_count, 1) : int16_t{0};
        if (d->erased_count > 3) d->erased_count = 3;
        const int16_t idx[3] = {static_cast<int16_t>((p.lsf_index >> 16) & 0xFF),
                                static_cast<int16_t>((p.lsf_index >> 8) & 0xFF),
                                static_cast<int16_t>(p.lsf_index & 0xFF)};
        int16_t lsf[10];
        voksLSFDecode_G723_16s(idx, d->prev_lsf, bad ? 1 : 0, lsf);
        interpolate_lpc(lsf, d->prev_lsf, lpc);
        std::memcpy(d->prev_lsf, lsf, sizeof lsf);
        if (d->erased_count == 0)
            d->inter_gain = kFixedGain[shr(add(p.sub[2].amp, p.sub[3].amp), 1)];
        else
            d->inter_gain = mult_r(d->inter_gain, 0x6000);
        int16_t tmp[kHist + kFrame];
        std::memcpy(tmp, d->prev_exc, sizeof d->prev_exc);
        if (d->erased_count == 0) {
            const VokSpeechRate rc = code(d->rate);
            for (int i = 0; i < 4; ++i) {
                int16_t* x = tmp + kHist + kSub * i;
                int16_t av[kSub];
                const int olp = p.olp[i >> 1];
                fixed_vector(x, p.sub[i], olp, i, d->rate);
                voksDecodeAdaptiveVector_G723_16s(p.olp[i >> 1], p.sub[i].lag_offset, p.sub[i].gain,
                                                  tmp + kSub * i, av, rc);
                for (int j = 0; j < kSub; ++j) {
                    // add(shl(x, 1), av) as two clamps.
                    int32_t v = 2 * int32_t{x[j]};
                    v = (v > 32767 ? 32767 : (v < -32768 ? -32768 : v)) + av[j];
                    x[j] = static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
                }
            }
            std::memcpy(data, tmp + kHist, sizeof data);
            d->inter_lag = concealment_lag(tmp, p.olp[1], &d->sid_gain, &d->cur_gain);
            int16_t pd[4] = {}, pg[4] = {}, ps[4] = {};
            if (d->postfilter)
                for (int i = 0; i < 4; ++i)
                    voksPitchPostFilter_G723_16s(p.olp[i >> 1], tmp + kHist, &pd[i], &pg[i], &ps[i],
                                                 static_cast<int16_t>(i), rc);
            std::memcpy(tmp, d->prev_exc, sizeof d->prev_exc);
            std::memcpy(tmp + kHist, data, sizeof data);
            if (d->postfilter)
                for (int i = 0; i < 4; ++i) {
                    const int16_t* x = tmp + kHist + kSub * i;
                    int16_t* out = data + kSub * i;
                    if (ps[i] != -32768 && pg[i] != -32768) {
                        // No product saturates and x ps + y pg + 2^14 fits 32 bits: the chain's
                        // saturations are the clamp of the exact result.
                        const int32_t a = ps[i], b = pg[i];
                        for (int j = 0; j < kSub; ++j) {
                            const int32_t v = (x[j] * a + x[pd[i] + j] * b + 0x4000) >> 15;
                            out[j] = static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
                        }
                    } else {
                        for (int j = 0; j < kSub; ++j)
                            out[j] = round16(L_mac(L_mult(x[j], ps[i]), x[pd[i] + j], pg[i]));
                    }
                }
            std::memcpy(d->sid_lsf, d->prev_lsf, sizeof d->sid_lsf);
        } else if (d->erased_count >= 3) {
            std::memset(data, 0, sizeof data);
            std::memset(tmp, 0, sizeof tmp);
        } else if (d->inter_lag != 0) {
            for (int i = 0; i < kFrame; ++i) tmp[kHist + i] = tmp[kHist - d->inter_lag + i];
            for (int i = 0; i < kFrame; ++i) data[i] = tmp[kHist + i] = mult(tmp[kHist + i], 0x6000);
        } else {
            for (int i = 0; i < kFrame; ++i) data[i] = mult(d->inter_gain, next_random(&d->seed));
            std::memset(tmp, 0, sizeof tmp);
        }
        std::memcpy(d->prev_exc, tmp + kFrame, sizeof d->prev_exc);
        d->cng_seed = 12345;
    }
    d->past_type = static_cast<int16_t>(type);
    for (int i = 0; i < 4; ++i) {
        int16_t* x = data + kSub * i;
        voksSynthesisFilter_G723_16s(lpc + 10 * i, x, d->synth_mem, x);
        if (d->postfilter)
            formant_postfilter(d, x, lpc + 10 * i);
        else
            for (int j = 0; j < kSub; ++j) x[j] = shl(x[j], 1);
    }
    std::memcpy(pcm, data, sizeof data);
}

}  // namespace g723

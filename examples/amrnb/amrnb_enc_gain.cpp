// Gain prediction and quantisation of the GSM-AMR example encoder: the MA prediction of the
// fixed-codebook gain in the log domain, the scalar quantisers of 12.2 and 7.95 kbit/s and the
// vector quantisers of the other modes.
#include "amrnb/amrnb_enc_gain.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "amrnb/amrnb_enc_ops.h"
#include "amrnb/amrnb_enc_tables.h"

namespace amrnbex {

namespace {

constexpr int kSub = 40;
enum : int { kMR475 = 0, kMR515 = 1, kMR67 = 3, kMR74 = 4, kMR795 = 5, kMR102 = 6, kMR122 = 7 };
const int16_t kPred[4] = {5571, 4751, 2785, 1556};
const int16_t kPred122[4] = {44, 37, 22, 12};

// Exact sum of a[i] b[i] over a subframe (a loop the compiler vectorises).
int64_t dot(const int16_t* a, const int16_t* b) {
    int64_t s = 0;
    for (int i = 0; i < kSub; ++i) s += int32_t{a[i]} * b[i];
    return s;
}

// The saturating chain init + sum L_mult(x[i], x[i]) of a subframe (init 0 or 1): its terms are
// non-negative, so it saturates exactly when the exact sum passes MAX_32 (L_mult(-32768, -32768)
// is MAX_32 and saturates it too).
int32_t energy(int32_t init, const int16_t* x) {
    return static_cast<int32_t>(std::min<int64_t>(init + 2 * dot(x, x), INT32_MAX));
}

// The saturating chain init + sum L_mult(a[i], b[i]) (init 0 or 1) given the exact energies ea
// and eb of a and b: every partial sum is at most 1 + 2 sqrt(ea eb) in magnitude (Cauchy-Schwarz),
// so while 2 max(ea, eb) + 1 fits 31 bits the exact sum is the chain's.
int32_t mac_chain(int32_t init, const int16_t* a, const int16_t* b, int64_t ea, int64_t eb) {
    if (2 * std::max(ea, eb) + 1 <= INT32_MAX) return static_cast<int32_t>(init + 2 * dot(a, b));
    int32_t s = init;
    for (int i = 0; i < kSub; ++i) s = L_mac(s, a[i], b[i]);
    return s;
}

// Predicted fixed-codebook gain (exponent, fraction) of the code vector; at 7.95 also the
// innovation energy.
void gc_pred(const GainPred& st, int mode, const int16_t* code, int16_t* exp_gcode0, int16_t* frac_gcode0,
             int16_t* exp_en, int16_t* frac_en) {
    int32_t ener_code = energy(0, code);
    int16_t exp, frac;
    if (mode == kMR122) {
        ener_code = L_mult(round16(ener_code), 26214);
        log2_l(ener_code, &exp, &frac);
        ener_code = L_Comp(sub(exp, 30), frac);
        int32_t ener = 783741;
        for (int i = 0; i < 4; ++i) ener = L_mac(ener, st.en122[i], kPred122[i]);
        ener = L_shr(L_sub(ener, ener_code), 1);
        L_Extract(ener, exp_gcode0, frac_gcode0);
        return;
    }
    const int16_t exp_code = norm_l(ener_code);
    ener_code = L_shl(ener_code, exp_code);
    log2_norm(ener_code, exp_code, &exp, &frac);
    int32_t t = Mpy_32_16(exp, frac, -24660);
    if (mode == kMR102) {
        t = L_mac(t, 16678, 64);
    } else if (mode == kMR795) {
        *frac_en = extract_h(ener_code);
        *exp_en = sub(-11, exp_code);
        t = L_mac(t, 17062, 64);
    } else if (mode == kMR74) {
        t = L_mac(t, 32588, 32);
    } else if (mode == kMR67) {
        t = L_mac(t, 32268, 32);
    } else {
        t = L_mac(t, 16678, 64);
    }
    t = L_shl(t, 10);
    for (int i = 0; i < 4; ++i) t = L_mac(t, kPred[i], st.en[i]);
    const int16_t gcode0 = extract_h(t);
    t = L_mult(gcode0, mode == kMR74 ? 5439 : 5443);
    t = L_shr(t, 8);
    L_Extract(t, exp_gcode0, frac_gcode0);
}

void gc_pred_update(GainPred& st, int16_t q122, int16_t q) {
    for (int i = 3; i > 0; --i) {
        st.en[i] = st.en[i - 1];
        st.en122[i] = st.en122[i - 1];
    }
    st.en122[0] = q122;
    st.en[0] = q;
}

int16_t q_gain_code(int mode, int16_t exp_gcode0, int16_t frac_gcode0, int16_t* gain, int16_t* q122,
                    int16_t* q) {
    const bool hi = mode == kMR122;
    const int16_t g_q0 = hi ? shr(*gain, 1) : 0;
    int16_t gcode0 = extract_l(pow2(exp_gcode0, frac_gcode0));
    gcode0 = shl(gcode0, hi ? 4 : 5);
    int16_t index = 0, err_min = 0;
    for (int i = 0; i < 32; ++i) {
        const int16_t g = mult(gcode0, kQuaGainCode[3 * i]);
        const int16_t err = abs_s(sub(hi ? g_q0 : *gain, g));
        if (i == 0 || err < err_min) {
            err_min = err;
            index = static_cast<int16_t>(i);
        }
    }
    const int16_t* p = &kQuaGainCode[3 * index];
    *gain = hi ? shl(mult(gcode0, p[0]), 1) : mult(gcode0, p[0]);
    *q122 = p[1];
    *q = p[2];
    return index;
}

// Optimum fixed-codebook gain <xn2, y2> / <y2, y2>, Q1.
int16_t g_code(const int16_t* xn2, const int16_t* y2) {
    int16_t sy2[kSub];
    for (int i = 0; i < kSub; ++i) sy2[i] = shr(y2[i], 1);
    const int64_t e_y2 = dot(sy2, sy2);
    int32_t s = mac_chain(1, xn2, sy2, dot(xn2, xn2), e_y2);
    const int16_t exp_xy = norm_l(s);
    int16_t xy = extract_h(L_shl(s, exp_xy));
    if (xy <= 0) return 0;
    s = energy(0, sy2);
    const int16_t exp_yy = norm_l(s);
    const int16_t yy = extract_h(L_shl(s, exp_yy));
    xy = shr(xy, 1);
    int16_t gain = div_s(xy, yy);
    const int16_t i = sub(add(exp_xy, 5), exp_yy);
    return shl(shr(gain, i), 1);
}

// Energies of the error terms of the joint gain search: <y1 y1>, -2<xn y1>, <y2 y2>, -2<xn y2>,
// 2<y1 y2> as fraction and exponent; at 4.75 and 7.95 also the optimum code gain.
void calc_filt_energies(int mode, const int16_t* xn, const int16_t* xn2, const int16_t* y1, const int16_t* Y2,
                        const int16_t* g_coeff, int16_t* frac_coeff, int16_t* exp_coeff,
                        int16_t* cod_gain_frac, int16_t* cod_gain_exp) {
    const bool zero_init = mode == kMR795 || mode == kMR475;
    const int32_t init = zero_init ? 0 : 1;
    int16_t y2[kSub];
    for (int i = 0; i < kSub; ++i) y2[i] = shr(Y2[i], 3);
    frac_coeff[0] = g_coeff[0];
    exp_coeff[0] = g_coeff[1];
    frac_coeff[1] = negate(g_coeff[2]);
    exp_coeff[1] = add(g_coeff[3], 1);
    const int64_t e_y2 = dot(y2, y2);
    auto norm = [](int32_t s, int16_t* frac, int16_t* exp) {
        *exp = norm_l(s);
        *frac = extract_h(L_shl(s, *exp));
    };
    int16_t e;
    norm(energy(init, y2), &frac_coeff[2], &e);
    exp_coeff[2] = sub(15 - 18, e);
    norm(mac_chain(init, xn, y2, dot(xn, xn), e_y2), &frac_coeff[3], &e);
    frac_coeff[3] = negate(frac_coeff[3]);
    exp_coeff[3] = sub(15 - 9 + 1, e);
    norm(mac_chain(init, y1, y2, dot(y1, y1), e_y2), &frac_coeff[4], &e);
    exp_coeff[4] = sub(15 - 9 + 1, e);
    if (zero_init) {
        int16_t frac;
        norm(mac_chain(init, xn2, y2, dot(xn2, xn2), e_y2), &frac, &e);
        e = sub(15 - 9, e);
        if (frac <= 0) {
            *cod_gain_frac = 0;
            *cod_gain_exp = 0;
        } else {
            *cod_gain_frac = div_s(shr(frac, 1), frac_coeff[2]);
            *cod_gain_exp = sub(sub(e, exp_coeff[2]), 14);
        }
    }
}

void calc_target_energy(const int16_t* xn, int16_t* en_exp, int16_t* en_frac) {
    const int32_t s = energy(0, xn);
    const int16_t e = norm_l(s);
    *en_frac = extract_h(L_shl(s, e));
    *en_exp = sub(16, e);
}

// Joint vector quantiser of the pitch and code gains (6 or 7 bits).
int16_t qua_gain(int mode, int16_t exp_gcode0, int16_t frac_gcode0, const int16_t* frac_coeff,
                 const int16_t* exp_coeff, int16_t gp_limit, int16_t* gain_pit, int16_t* gain_cod,
                 int16_t* q122, int16_t* q) {
    const bool high = mode == kMR102 || mode == kMR74 || mode == kMR67;
    const int16_t* table = high ? kGainHighRates : kGainLowRates;
    const int len = high ? 128 : 64;
    const int16_t gcode0 = extract_l(pow2(14, frac_gcode0));
    const int16_t exp_code = sub(exp_gcode0, 11);
    int16_t exp_max[5], coeff[5], coeff_lo[5];
    exp_max[0] = sub(exp_coeff[0], 13);
    exp_max[1] = sub(exp_coeff[1], 14);
    exp_max[2] = add(exp_coeff[2], add(15, shl(exp_code, 1)));
    exp_max[3] = add(exp_coeff[3], exp_code);
    exp_max[4] = add(exp_coeff[4], add(1, exp_code));
    int16_t e_max = exp_max[0];
    for (int i = 1; i < 5; ++i) e_max = std::max(e_max, exp_max[i]);
    e_max = add(e_max, 1);
    for (int i = 0; i < 5; ++i)
        L_Extract(L_shr(L_deposit_h(frac_coeff[i]), sub(e_max, exp_max[i])), &coeff[i], &coeff_lo[i]);
    int32_t dist_min = INT32_MAX;
    int16_t index = 0;
    for (int i = 0; i < len; ++i) {
        const int16_t g_pitch = table[4 * i];
        if (g_pitch > gp_limit) continue;
        const int16_t g_code = mult(table[4 * i + 1], gcode0);
        int32_t t = Mpy_32_16(coeff[0], coeff_lo[0], mult(g_pitch, g_pitch));
        t = L_add(t, Mpy_32_16(coeff[1], coeff_lo[1], g_pitch));
        t = L_add(t, Mpy_32_16(coeff[2], coeff_lo[2], mult(g_code, g_code)));
        t = L_add(t, Mpy_32_16(coeff[3], coeff_lo[3], g_code));
        t = L_add(t, Mpy_32_16(coeff[4], coeff_lo[4], mult(g_code, g_pitch)));
        if (t < dist_min) {
            dist_min = t;
            index = static_cast<int16_t>(i);
        }
    }
    const int16_t* p = &table[4 * index];
    *gain_pit = p[0];
    *q122 = p[2];
    *q = p[3];
    *gain_cod = extract_h(L_shr(L_mult(p[1], gcode0), sub(10, exp_gcode0)));
    return index;
}

inline int32_t Mac_32(int32_t s, int16_t h1, int16_t l1, int16_t h2, int16_t l2) {
    s = L_mac(s, h1, h2);
    s = L_mac(s, mult(h1, l2), 1);
    return L_mac(s, mult(l1, h2), 1);
}
inline int32_t Mac_32_16(int32_t s, int16_t hi, int16_t lo, int16_t n) {
    return L_mac(L_mac(s, hi, n), mult(lo, n), 1);
}

// Normalised square root (even exponent in *exp).
int32_t sqrt_l_exp(int32_t x, int16_t* exp) {
    if (x <= 0) {
        *exp = 0;
        return 0;
    }
    const int16_t e = static_cast<int16_t>(norm_l(x) & 0xfffe);
    x = L_shl(x, e);
    *exp = e;
    x = L_shr(x, 9);
    const int16_t i = sub(extract_h(x), 16);
    x = L_shr(x, 1);
    const int16_t a = static_cast<int16_t>(extract_l(x) & 0x7fff);
    return L_msu(L_deposit_h(kSqrtTable[i]), sub(kSqrtTable[i], kSqrtTable[i + 1]), a);
}

// Energies of the LP residual, the adaptive vector, their correlation with the code vector and
// the LTP residual; the LTP coding gain (Q13) of the quantised pitch gain.
void calc_unfilt_energies(const int16_t* res, const int16_t* exc, const int16_t* code, int16_t gain_pit,
                          int16_t* frac_en, int16_t* exp_en, int16_t* ltpg) {
    int32_t s = energy(0, res);
    int16_t exp;
    if (s < 400) {
        frac_en[0] = 0;
        exp_en[0] = -15;
    } else {
        exp = norm_l(s);
        frac_en[0] = extract_h(L_shl(s, exp));
        exp_en[0] = sub(15, exp);
    }
    s = energy(0, exc);
    exp = norm_l(s);
    frac_en[1] = extract_h(L_shl(s, exp));
    exp_en[1] = sub(15, exp);
    s = mac_chain(0, exc, code, dot(exc, exc), dot(code, code));
    exp = norm_l(s);
    frac_en[2] = extract_h(L_shl(s, exp));
    exp_en[2] = sub(16 - 14, exp);
    s = 0;
    for (int i = 0; i < kSub; ++i) {
        const int16_t t = sub(res[i], round16(L_shl(L_mult(exc[i], gain_pit), 1)));
        s = L_mac(s, t, t);
    }
    exp = norm_l(s);
    const int16_t ltp_res_en = extract_h(L_shl(s, exp));
    exp = sub(15, exp);
    frac_en[3] = ltp_res_en;
    exp_en[3] = exp;
    if (ltp_res_en > 0 && frac_en[0] != 0) {
        const int16_t pred_gain = div_s(shr(frac_en[0], 1), ltp_res_en);
        exp = sub(exp, exp_en[0]);
        int32_t t = L_shr(L_deposit_h(pred_gain), add(exp, 3));
        int16_t le, lf;
        log2_l(t, &le, &lf);
        t = L_Comp(sub(le, 27), lf);
        *ltpg = round16(L_shl(t, 13));
    } else {
        *ltpg = 0;
    }
}

// Gain adaptation of 7.95 kbit/s: the weight alpha of the energy-matching criterion.
int16_t gain_adapt(GainState& st, int16_t ltpg, int16_t gain_cod) {
    int16_t adapt = ltpg <= 2721 ? 0 : ltpg <= 5443 ? 1 : 2;
    if (shr_r(gain_cod, 1) > st.prev_gc && gain_cod > 200)
        st.onset = 8;
    else if (st.onset != 0)
        st.onset = sub(st.onset, 1);
    if (st.onset != 0 && adapt < 2) ++adapt;
    st.ltpg_mem[0] = ltpg;
    int16_t sorted[5];
    std::copy(st.ltpg_mem, st.ltpg_mem + 5, sorted);
    std::sort(sorted, sorted + 5);
    int16_t filt = sorted[2], result;
    if (adapt == 0) {
        if (filt > 5443) {
            result = 0;
        } else if (filt < 0) {
            result = 16384;
        } else {
            filt = shl(filt, 2);
            result = sub(16384, mult(24660, filt));
        }
    } else {
        result = 0;
    }
    if (st.prev_alpha == 0) result = shr(result, 1);
    st.prev_alpha = result;
    st.prev_gc = gain_cod;
    for (int i = 4; i > 0; --i) st.ltpg_mem[i] = st.ltpg_mem[i - 1];
    return result;
}

// Code gain for three pitch-gain candidates, jointly with the pitch gain.
void mr795_quant3(int16_t exp_gcode0, int16_t gcode0, const int16_t* cand, const int16_t* cind,
                  const int16_t* frac_coeff, const int16_t* exp_coeff, int16_t* gain_pit,
                  int16_t* gain_pit_ind, int16_t* gain_cod, int16_t* gain_cod_ind, int16_t* q122,
                  int16_t* q) {
    const int16_t exp_code = sub(exp_gcode0, 10);
    int16_t exp_max[5], coeff[5], coeff_lo[5];
    exp_max[0] = sub(exp_coeff[0], 13);
    exp_max[1] = sub(exp_coeff[1], 14);
    exp_max[2] = add(exp_coeff[2], add(15, shl(exp_code, 1)));
    exp_max[3] = add(exp_coeff[3], exp_code);
    exp_max[4] = add(exp_coeff[4], add(exp_code, 1));
    int16_t e_max = exp_max[0];
    for (int i = 1; i < 5; ++i) e_max = std::max(e_max, exp_max[i]);
    e_max = add(e_max, 1);
    for (int i = 0; i < 5; ++i)
        L_Extract(L_shr(L_deposit_h(frac_coeff[i]), sub(e_max, exp_max[i])), &coeff[i], &coeff_lo[i]);
    int32_t dist_min = INT32_MAX;
    int16_t cod_ind = 0, pit_ind = 0;
    for (int j = 0; j < 3; ++j) {
        const int16_t g_pitch = cand[j];
        int32_t t0 = Mpy_32_16(coeff[0], coeff_lo[0], mult(g_pitch, g_pitch));
        t0 = Mac_32_16(t0, coeff[1], coeff_lo[1], g_pitch);
        for (int i = 0; i < 32; ++i) {
            const int16_t g_code = mult(kQuaGainCode[3 * i], gcode0);
            int16_t g2h, g2l, gph, gpl;
            L_Extract(L_mult(g_code, g_code), &g2h, &g2l);
            L_Extract(L_mult(g_code, g_pitch), &gph, &gpl);
            int32_t t = Mac_32(t0, coeff[2], coeff_lo[2], g2h, g2l);
            t = Mac_32_16(t, coeff[3], coeff_lo[3], g_code);
            t = Mac_32(t, coeff[4], coeff_lo[4], gph, gpl);
            if (t < dist_min) {
                dist_min = t;
                cod_ind = static_cast<int16_t>(i);
                pit_ind = static_cast<int16_t>(j);
            }
        }
    }
    const int16_t* p = &kQuaGainCode[3 * cod_ind];
    *q122 = p[1];
    *q = p[2];
    *gain_cod = extract_h(L_shr(L_mult(p[0], gcode0), sub(9, exp_gcode0)));
    *gain_cod_ind = cod_ind;
    *gain_pit = cand[pit_ind];
    *gain_pit_ind = cind[pit_ind];
}

// Code gain requantised for the fixed pitch gain, balancing the waveform and energy criteria.
int16_t mr795_quant_mod(int16_t gain_pit, int16_t exp_gcode0, int16_t gcode0, const int16_t* frac_en,
                        const int16_t* exp_en, int16_t alpha, int16_t gain_cod_unq, int16_t* gain_cod,
                        int16_t* q122, int16_t* q) {
    int16_t coeff[5], coeff_lo[5], exp_coeff[5], exp, tmp;
    const int16_t gain_code = shl(*gain_cod, sub(10, exp_gcode0));
    const int16_t g2_pitch = mult(gain_pit, gain_pit);
    const int16_t one_alpha = add(sub(32767, alpha), 1);
    tmp = extract_h(L_shl(L_mult(alpha, frac_en[1]), 1));
    int32_t t1 = L_mult(tmp, g2_pitch);
    exp_coeff[1] = sub(exp_en[1], 15);
    tmp = extract_h(L_shl(L_mult(alpha, frac_en[2]), 1));
    coeff[2] = mult(tmp, gain_pit);
    exp_coeff[2] = add(exp_en[2], sub(exp_gcode0, 10));
    coeff[3] = extract_h(L_shl(L_mult(alpha, frac_en[3]), 1));
    exp_coeff[3] = add(exp_en[3], sub(shl(exp_gcode0, 1), 7));
    coeff[4] = mult(one_alpha, frac_en[3]);
    exp_coeff[4] = add(exp_coeff[3], 1);
    int32_t t0 = sqrt_l_exp(L_mult(alpha, frac_en[0]), &exp);
    exp = add(exp, 47);
    exp_coeff[0] = sub(exp_en[0], exp);
    int16_t e_max = add(exp_coeff[0], 31);
    for (int i = 1; i <= 4; ++i) e_max = std::max(e_max, exp_coeff[i]);
    t1 = L_shr(t1, sub(e_max, exp_coeff[1]));
    for (int i = 2; i <= 4; ++i)
        L_Extract(L_shr(L_deposit_h(coeff[i]), sub(e_max, exp_coeff[i])), &coeff[i], &coeff_lo[i]);
    tmp = sub(sub(e_max, 31), exp_coeff[0]);
    t0 = L_shr(t0, shr(tmp, 1));
    if ((tmp & 1) != 0) {
        L_Extract(t0, &coeff[0], &coeff_lo[0]);
        t0 = Mpy_32_16(coeff[0], coeff_lo[0], 23170);
    }
    int32_t dist_min = INT32_MAX;
    int16_t index = 0;
    for (int i = 0; i < 32; ++i) {
        const int16_t g_code = mult(kQuaGainCode[3 * i], gcode0);
        if (g_code >= gain_code) break;
        int16_t g2h, g2l, d2h, d2l;
        L_Extract(L_mult(g_code, g_code), &g2h, &g2l);
        const int16_t d = sub(g_code, gain_cod_unq);
        L_Extract(L_mult(d, d), &d2h, &d2l);
        int32_t t = Mac_32_16(t1, coeff[2], coeff_lo[2], g_code);
        t = Mac_32(t, coeff[3], coeff_lo[3], g2h, g2l);
        t = sqrt_l_exp(t, &exp);
        t = L_shr(t, shr(exp, 1));
        const int16_t r = round16(L_sub(t, t0));
        t = Mac_32(L_mult(r, r), coeff[4], coeff_lo[4], d2h, d2l);
        if (t < dist_min) {
            dist_min = t;
            index = static_cast<int16_t>(i);
        }
    }
    const int16_t* p = &kQuaGainCode[3 * index];
    *q122 = p[1];
    *q = p[2];
    *gain_cod = extract_h(L_shr(L_mult(p[0], gcode0), sub(9, exp_gcode0)));
    return index;
}

// Gains of a 4.75 kbit/s subframe from a pair entry; updates the predictor.
void mr475_store(GainPred& pred, const int16_t* p, int16_t gcode0, int16_t exp_gcode0, int16_t* gain_pit,
                 int16_t* gain_cod) {
    *gain_pit = p[0];
    const int16_t g_code = p[1];
    *gain_cod = extract_h(L_shr(L_mult(g_code, gcode0), sub(10, exp_gcode0)));
    int16_t exp, frac;
    log2_l(g_code, &exp, &frac);
    exp = sub(exp, 12);
    const int16_t q122 = add(shr_r(frac, 5), shl(exp, 10));
    const int16_t q = round16(L_shl(Mpy_32_16(exp, frac, 24660), 13));
    gc_pred_update(pred, q122, q);
}

// Updates the unquantised predictor with the optimum code gain of the first subframe.
void mr475_update_unq(GainPred& pred, int16_t exp_gcode0, int16_t frac_gcode0, int16_t cod_gain_exp,
                      int16_t cod_gain_frac) {
    int16_t q, q122;
    if (cod_gain_frac <= 0) {
        q = -5443;
        q122 = -32768;
    } else {
        frac_gcode0 = extract_l(pow2(14, frac_gcode0));
        if (cod_gain_frac >= frac_gcode0) {
            cod_gain_frac = shr(cod_gain_frac, 1);
            cod_gain_exp = add(cod_gain_exp, 1);
        }
        int16_t frac = div_s(cod_gain_frac, frac_gcode0), exp;
        const int16_t tmp = sub(sub(cod_gain_exp, exp_gcode0), 1);
        log2_l(frac, &exp, &frac);
        exp = add(exp, tmp);
        q122 = add(shr_r(frac, 5), shl(exp, 10));
        // The lower limit of the log2 error is the 16-bit minimum itself: only the upper one acts.
        if (q122 > 18284) {
            q = 3037;
            q122 = 18284;
        } else {
            q = round16(L_shl(Mpy_32_16(exp, frac, 24660), 13));
        }
    }
    gc_pred_update(pred, q122, q);
}

// The 4.75 kbit/s gain table by column with the squared pitch gains, mult(gp, gp), and the
// largest pitch gain and code factor of each subframe. Every value of the table is positive.
struct Gain475Cols {
    int16_t gp0[256], gp0sq[256], f0[256], gp1[256], gp1sq[256], f1[256];
    int16_t gp_max[2], f_max[2];
};

// True when no partial sum of the saturating distance chain of a pair of subframes can saturate.
// Its terms are 2 c v (c a coefficient, v >= 0 one of {gp^2, gp, gc^2, gc, gc gp}) and
// 2 mult(lo, v) in 0..2v, so every partial sum lies between the sum of the negative terms'
// bounds and the sum of the positive ones; v is bounded through the subframe's largest pitch
// gain and code factor and its predicted gain g.
bool plain_pair(const int16_t* coeff, const Gain475Cols& tc, const int16_t* g) {
    int64_t pos = 0, neg = 0;
    for (int sf = 0; sf < 2; ++sf) {
        const int32_t gp = tc.gp_max[sf], gc = (tc.f_max[sf] * g[sf]) >> 15;
        const int32_t vmax[5] = {(gp * gp) >> 15, gp, (gc * gc) >> 15, gc, (gc * gp) >> 15};
        for (int k = 0; k < 5; ++k) {
            const int64_t t = 2 * int64_t{coeff[5 * sf + k]} * vmax[k];
            (t > 0 ? pos : neg) += t;
            pos += 2 * vmax[k];
        }
    }
    return pos <= INT32_MAX && neg >= INT32_MIN;
}

const Gain475Cols& gain475_cols() {
    static const Gain475Cols t = [] {
        Gain475Cols c{};
        for (int i = 0; i < 256; ++i) {
            const int16_t* p = &kGainMR475[4 * i];
            c.gp0[i] = p[0];
            c.gp0sq[i] = mult(p[0], p[0]);
            c.f0[i] = p[1];
            c.gp1[i] = p[2];
            c.gp1sq[i] = mult(p[2], p[2]);
            c.f1[i] = p[3];
            c.gp_max[0] = std::max(c.gp_max[0], p[0]);
            c.f_max[0] = std::max(c.f_max[0], p[1]);
            c.gp_max[1] = std::max(c.gp_max[1], p[2]);
            c.f_max[1] = std::max(c.f_max[1], p[3]);
        }
        return c;
    }();
    return t;
}

#if defined(__SSE2__)
// (a b) >> 15 in 16-bit lanes of non-negative a and b.
inline __m128i mul_q15(__m128i a, __m128i b) {
    return _mm_or_si128(_mm_slli_epi16(_mm_mulhi_epi16(a, b), 1), _mm_srli_epi16(_mm_mullo_epi16(a, b), 15));
}
// The pair (lo, hi) of 16-bit values in every 32-bit lane.
inline __m128i pair16(int16_t lo, int16_t hi) {
    return _mm_set1_epi32(
        static_cast<int32_t>(static_cast<uint16_t>(lo) | uint32_t{static_cast<uint16_t>(hi)} << 16));
}
#endif

// One subframe's share of the 256 pair distances (d = it, or d += it): for pitch gain gp (its
// square gps), code gain q = mult(f, g) and the coefficients (c, l) of the five kinds
// {gp^2, gp, q^2, q, q gp}, sum 2 c v + 2 mult(l, v). Every factor is non-negative, so mult()
// is the plain product shifted; the caller has bounded every partial sum.
void half_distances(const int16_t* c, const int16_t* l, const int16_t* gp, const int16_t* gps,
                    const int16_t* f, int16_t g, int32_t* d, bool first) {
#if defined(__SSE2__)
    const __m128i vg = _mm_set1_epi16(g), ones = _mm_set1_epi16(1);
    const __m128i c01 = pair16(c[0], c[1]), c23 = pair16(c[2], c[3]), c4 = pair16(c[4], 1);
    const __m128i l0 = _mm_set1_epi16(l[0]), l1 = _mm_set1_epi16(l[1]), l2 = _mm_set1_epi16(l[2]),
                  l3 = _mm_set1_epi16(l[3]), l4 = _mm_set1_epi16(l[4]);
    for (int i = 0; i < 256; i += 8) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(gp + i));
        const __m128i ps = _mm_loadu_si128(reinterpret_cast<const __m128i*>(gps + i));
        const __m128i q = mul_q15(_mm_loadu_si128(reinterpret_cast<const __m128i*>(f + i)), vg);
        const __m128i qs = mul_q15(q, q), qp = mul_q15(q, p);
        const __m128i t0 = mul_q15(l0, ps), t1 = mul_q15(l1, p), t2 = mul_q15(l2, qs), t3 = mul_q15(l3, q),
                      t4 = mul_q15(l4, qp);
        // hi and lo sums of entries i..i+3, then i+4..i+7, by pairwise multiply-adds (c4 qp + t4
        // in one).
        const __m128i a =
            _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(ps, p), c01),
                                        _mm_madd_epi16(_mm_unpacklo_epi16(qs, q), c23)),
                          _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(qp, t4), c4),
                                        _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(t0, t1), ones),
                                                      _mm_madd_epi16(_mm_unpacklo_epi16(t2, t3), ones))));
        const __m128i b =
            _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(ps, p), c01),
                                        _mm_madd_epi16(_mm_unpackhi_epi16(qs, q), c23)),
                          _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(qp, t4), c4),
                                        _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(t0, t1), ones),
                                                      _mm_madd_epi16(_mm_unpackhi_epi16(t2, t3), ones))));
        __m128i* out = reinterpret_cast<__m128i*>(d + i);
        __m128i r0 = _mm_slli_epi32(a, 1), r1 = _mm_slli_epi32(b, 1);
        if (!first) {
            r0 = _mm_add_epi32(r0, _mm_loadu_si128(out));
            r1 = _mm_add_epi32(r1, _mm_loadu_si128(out + 1));
        }
        _mm_storeu_si128(out, r0);
        _mm_storeu_si128(out + 1, r1);
    }
#else
    const int16_t c0 = c[0], c1 = c[1], c2 = c[2], c3 = c[3], c4 = c[4];
    const int16_t l0 = l[0], l1 = l[1], l2 = l[2], l3 = l[3], l4 = l[4];
    for (int i = 0; i < 256; ++i) {
        const int16_t q = static_cast<int16_t>((f[i] * g) >> 15);
        const int16_t qs = static_cast<int16_t>((q * q) >> 15);
        const int16_t qp = static_cast<int16_t>((q * gp[i]) >> 15);
        const int32_t hi = c0 * gps[i] + c1 * gp[i] + c2 * qs + c3 * q + c4 * qp;
        const int32_t lo = ((l0 * gps[i]) >> 15) + ((l1 * gp[i]) >> 15) + ((l2 * qs) >> 15) +
                           ((l3 * q) >> 15) + ((l4 * qp) >> 15);
        d[i] = (first ? 0 : d[i]) + 2 * hi + 2 * lo;
    }
#endif
}

// Joint 8-bit quantiser of the gains of a pair of subframes.
int16_t mr475_gain_quant(GainPred& pred, const GainState& s0, const int16_t* sf1_code, int16_t sf1_exp_gcode0,
                         int16_t sf1_frac_gcode0, const int16_t* sf1_exp_coeff, const int16_t* sf1_frac_coeff,
                         int16_t sf1_exp_target, int16_t sf1_frac_target, int16_t gp_limit, int16_t* sf0_gp,
                         int16_t* sf0_gc, int16_t* sf1_gp, int16_t* sf1_gc) {
    int16_t sf0_gcode0 = extract_l(pow2(14, s0.sf0_frac_gcode0));
    int16_t sf1_gcode0 = extract_l(pow2(14, sf1_frac_gcode0));
    int16_t exp_max[10], coeff[10], coeff_lo[10];
    int16_t exp = sub(s0.sf0_exp_gcode0, 11);
    exp_max[0] = sub(s0.sf0_exp_coeff[0], 13);
    exp_max[1] = sub(s0.sf0_exp_coeff[1], 14);
    exp_max[2] = add(s0.sf0_exp_coeff[2], add(15, shl(exp, 1)));
    exp_max[3] = add(s0.sf0_exp_coeff[3], exp);
    exp_max[4] = add(s0.sf0_exp_coeff[4], add(1, exp));
    exp = sub(sf1_exp_gcode0, 11);
    exp_max[5] = sub(sf1_exp_coeff[0], 13);
    exp_max[6] = sub(sf1_exp_coeff[1], 14);
    exp_max[7] = add(sf1_exp_coeff[2], add(15, shl(exp, 1)));
    exp_max[8] = add(sf1_exp_coeff[3], exp);
    exp_max[9] = add(sf1_exp_coeff[4], add(1, exp));
    int16_t sf0_frac_target = s0.sf0_frac_target;
    exp = static_cast<int16_t>(s0.sf0_exp_target - sf1_exp_target);
    if (exp > 0)
        sf1_frac_target = shr(sf1_frac_target, exp);
    else
        sf0_frac_target = shl(sf0_frac_target, exp);
    exp = 0;
    if (shr_r(sf1_frac_target, 1) > sf0_frac_target)
        exp = 1;
    else if (shr(add(sf0_frac_target, 3), 2) > sf1_frac_target)
        exp = -1;
    for (int i = 0; i < 5; ++i) exp_max[i] = add(exp_max[i], exp);
    exp = exp_max[0];
    for (int i = 1; i < 10; ++i) exp = std::max(exp, exp_max[i]);
    exp = add(exp, 1);
    for (int i = 0; i < 10; ++i) {
        const int16_t f = i < 5 ? s0.sf0_frac_coeff[i] : sf1_frac_coeff[i - 5];
        L_Extract(L_shr(L_deposit_h(f), sub(exp, exp_max[i])), &coeff[i], &coeff_lo[i]);
    }
    int32_t dist_min = INT32_MAX;
    int16_t index = 0;
    const Gain475Cols& tc = gain475_cols();
    const int16_t g[2] = {sf0_gcode0, sf1_gcode0};
    const bool plain = plain_pair(coeff, tc, g);
    if (plain) {
        // All distances first, in loops without branches over the table's columns (16-bit
        // factors, 32-bit sums), then the first smallest; an entry above the pitch-gain limit
        // takes INT32_MAX, which never wins. Every factor is non-negative, so mult() is the
        // plain product shifted.
        int32_t dist[256];
        half_distances(coeff, coeff_lo, tc.gp0, tc.gp0sq, tc.f0, sf0_gcode0, dist, true);
        half_distances(coeff + 5, coeff_lo + 5, tc.gp1, tc.gp1sq, tc.f1, sf1_gcode0, dist, false);
        if (std::max(tc.gp_max[0], tc.gp_max[1]) > gp_limit)
            for (int i = 0; i < 256; ++i)
                if (tc.gp0[i] > gp_limit || tc.gp1[i] > gp_limit) dist[i] = INT32_MAX;
        for (int i = 0; i < 256; ++i) dist_min = std::min(dist_min, dist[i]);
        if (dist_min < INT32_MAX)
            while (dist[index] != dist_min) ++index;
    }
    for (int i = plain ? 256 : 0; i < 256; ++i) {
        const int16_t* p = &kGainMR475[4 * i];
        int16_t g_pitch = p[0], g_code = mult(p[1], sf0_gcode0);
        int32_t t = Mpy_32_16(coeff[0], coeff_lo[0], mult(g_pitch, g_pitch));
        t = Mac_32_16(t, coeff[1], coeff_lo[1], g_pitch);
        t = Mac_32_16(t, coeff[2], coeff_lo[2], mult(g_code, g_code));
        t = Mac_32_16(t, coeff[3], coeff_lo[3], g_code);
        t = Mac_32_16(t, coeff[4], coeff_lo[4], mult(g_code, g_pitch));
        const int16_t tmp = sub(g_pitch, gp_limit);
        g_pitch = p[2];
        if (tmp <= 0 && g_pitch <= gp_limit) {
            g_code = mult(p[3], sf1_gcode0);
            t = Mac_32_16(t, coeff[5], coeff_lo[5], mult(g_pitch, g_pitch));
            t = Mac_32_16(t, coeff[6], coeff_lo[6], g_pitch);
            t = Mac_32_16(t, coeff[7], coeff_lo[7], mult(g_code, g_code));
            t = Mac_32_16(t, coeff[8], coeff_lo[8], g_code);
            t = Mac_32_16(t, coeff[9], coeff_lo[9], mult(g_code, g_pitch));
            if (t < dist_min) {
                dist_min = t;
                index = static_cast<int16_t>(i);
            }
        }
    }
    mr475_store(pred, &kGainMR475[4 * index], sf0_gcode0, s0.sf0_exp_gcode0, sf0_gp, sf0_gc);
    int16_t e_en, f_en;
    gc_pred(pred, kMR475, sf1_code, &sf1_exp_gcode0, &sf1_frac_gcode0, &e_en, &f_en);
    sf1_gcode0 = extract_l(pow2(14, sf1_frac_gcode0));
    mr475_store(pred, &kGainMR475[4 * index + 2], sf1_gcode0, sf1_exp_gcode0, sf1_gp, sf1_gc);
    return index;
}

}  // namespace

void GainPred::reset() {
    for (int i = 0; i < 4; ++i) {
        en[i] = -14336;
        en122[i] = -2381;
    }
}

void GainState::reset() {
    *this = GainState();
    pred.reset();
    unq.reset();
}

int16_t q_gain_pitch(int mode, int16_t gp_limit, int16_t* gain, int16_t* cand, int16_t* cind) {
    int16_t err_min = abs_s(sub(*gain, kQuaGainPitch[0])), index = 0;
    for (int i = 1; i < 16; ++i) {
        if (kQuaGainPitch[i] <= gp_limit) {
            const int16_t err = abs_s(sub(*gain, kQuaGainPitch[i]));
            if (err < err_min) {
                err_min = err;
                index = static_cast<int16_t>(i);
            }
        }
    }
    if (mode == kMR795) {
        int16_t ii;
        if (index == 0)
            ii = index;
        else if (index == 15 || kQuaGainPitch[index + 1] > gp_limit)
            ii = sub(index, 2);
        else
            ii = sub(index, 1);
        for (int i = 0; i < 3; ++i, ++ii) {
            cind[i] = ii;
            cand[i] = kQuaGainPitch[ii];
        }
        *gain = kQuaGainPitch[index];
    } else {
        *gain = mode == kMR122 ? static_cast<int16_t>(kQuaGainPitch[index] & 0xfffc) : kQuaGainPitch[index];
    }
    return index;
}

void gain_quant(GainState& st, int mode, const int16_t* res, const int16_t* exc, const int16_t* code,
                const int16_t* xn, const int16_t* xn2, const int16_t* y1, const int16_t* y2,
                const int16_t* g_coeff, bool even, int16_t gp_limit, int16_t* sf0_gp, int16_t* sf0_gc,
                int16_t* gain_pit, int16_t* gain_cod, int16_t*& ana) {
    int16_t exp_gcode0, frac_gcode0, exp_en = 0, frac_en = 0, q122 = 0, q = 0;
    int16_t frac_coeff[5], exp_coeff[5], cg_frac = 0, cg_exp = 0;
    if (mode == kMR475) {
        if (even) {
            st.idx = ana++;
            st.unq = st.pred;
            gc_pred(st.unq, mode, code, &st.sf0_exp_gcode0, &st.sf0_frac_gcode0, &exp_en, &frac_en);
            calc_filt_energies(mode, xn, xn2, y1, y2, g_coeff, st.sf0_frac_coeff, st.sf0_exp_coeff, &cg_frac,
                               &cg_exp);
            *gain_cod = shl(cg_frac, add(cg_exp, 1));
            calc_target_energy(xn, &st.sf0_exp_target, &st.sf0_frac_target);
            mr475_update_unq(st.unq, st.sf0_exp_gcode0, st.sf0_frac_gcode0, cg_exp, cg_frac);
        } else {
            gc_pred(st.unq, mode, code, &exp_gcode0, &frac_gcode0, &exp_en, &frac_en);
            calc_filt_energies(mode, xn, xn2, y1, y2, g_coeff, frac_coeff, exp_coeff, &cg_frac, &cg_exp);
            calc_target_energy(xn, &exp_en, &frac_en);
            *st.idx = mr475_gain_quant(st.pred, st, code, exp_gcode0, frac_gcode0, exp_coeff, frac_coeff,
                                       exp_en, frac_en, gp_limit, sf0_gp, sf0_gc, gain_pit, gain_cod);
        }
        return;
    }
    gc_pred(st.pred, mode, code, &exp_gcode0, &frac_gcode0, &exp_en, &frac_en);
    if (mode == kMR122) {
        *gain_cod = g_code(xn2, y2);
        *ana++ = q_gain_code(mode, exp_gcode0, frac_gcode0, gain_cod, &q122, &q);
    } else {
        calc_filt_energies(mode, xn, xn2, y1, y2, g_coeff, frac_coeff, exp_coeff, &cg_frac, &cg_exp);
        if (mode == kMR795) {
            int16_t cand[3], cind[3], fen[4], een[4], ltpg, cod_ind;
            int16_t pit_ind = q_gain_pitch(kMR795, gp_limit, gain_pit, cand, cind);
            const int16_t gcode0 = extract_l(pow2(14, frac_gcode0));
            mr795_quant3(exp_gcode0, gcode0, cand, cind, frac_coeff, exp_coeff, gain_pit, &pit_ind, gain_cod,
                         &cod_ind, &q122, &q);
            calc_unfilt_energies(res, exc, code, *gain_pit, fen, een, &ltpg);
            const int16_t alpha = gain_adapt(st, ltpg, *gain_cod);
            if (fen[0] != 0 && alpha > 0) {
                fen[3] = frac_en;
                een[3] = exp_en;
                const int16_t unq = shl(cg_frac, add(sub(cg_exp, exp_gcode0), 10));
                cod_ind =
                    mr795_quant_mod(*gain_pit, exp_gcode0, gcode0, fen, een, alpha, unq, gain_cod, &q122, &q);
            }
            *ana++ = pit_ind;
            *ana++ = cod_ind;
        } else {
            *ana++ = qua_gain(mode, exp_gcode0, frac_gcode0, frac_coeff, exp_coeff, gp_limit, gain_pit,
                              gain_cod, &q122, &q);
        }
    }
    gc_pred_update(st.pred, q122, q);
}

// Log2 and Pow2 by table interpolation.
void log2_norm(int32_t x, int16_t exp, int16_t* exponent, int16_t* fraction) {
    if (x <= 0) {
        *exponent = 0;
        *fraction = 0;
        return;
    }
    *exponent = sub(30, exp);
    x = L_shr(x, 9);
    int16_t i = extract_h(x);
    x = L_shr(x, 1);
    const int16_t a = static_cast<int16_t>(extract_l(x) & 0x7fff);
    i = sub(i, 32);
    int32_t y = L_deposit_h(kLog2Table[i]);
    y = L_msu(y, sub(kLog2Table[i], kLog2Table[i + 1]), a);
    *fraction = extract_h(y);
}

void log2_l(int32_t x, int16_t* exponent, int16_t* fraction) {
    const int16_t e = norm_l(x);
    log2_norm(L_shl(x, e), e, exponent, fraction);
}

int32_t pow2(int16_t exponent, int16_t fraction) {
    int32_t x = L_mult(fraction, 32);
    const int16_t i = extract_h(x);
    x = L_shr(x, 1);
    const int16_t a = static_cast<int16_t>(extract_l(x) & 0x7fff);
    x = L_deposit_h(kPow2Table[i]);
    x = L_msu(x, sub(kPow2Table[i], kPow2Table[i + 1]), a);
    return L_shr_r(x, sub(30, exponent));
}

}  // namespace amrnbex

// Gain prediction and quantisation of the GSM-AMR example encoder: the MA prediction of the
// fixed-codebook gain in the log domain, the scalar quantisers of 12.2 and 7.95 kbit/s and the
// vector quantisers of the other modes.
#include "amrnb/amrnb_enc_gain.h"

#include <algorithm>
#include <cstring>

#include "amrnb/amrnb_enc_ops.h"
#include "amrnb/amrnb_enc_tables.h"

namespace amrnbex {

namespace {

constexpr int kSub = 40;
constexpr int kMR475 = 0, kMR515 = 1, kMR67 = 3, kMR74 = 4, kMR795 = 5, kMR102 = 6, kMR122 = 7;
const int16_t kPred[4] = {5571, 4751, 2785, 1556};
const int16_t kPred122[4] = {44, 37, 22, 12};

// Predicted fixed-codebook gain (exponent, fraction) of the code vector; at 7.95 also the
// innovation energy.
void gc_pred(const GainPred& st, int mode, const int16_t* code, int16_t* exp_gcode0, int16_t* frac_gcode0,
             int16_t* exp_en, int16_t* frac_en) {
    int32_t ener_code = 0;
    for (int i = 0; i < kSub; ++i) ener_code = L_mac(ener_code, code[i], code[i]);
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
    int32_t s = 1;
    for (int i = 0; i < kSub; ++i) s = L_mac(s, xn2[i], sy2[i]);
    const int16_t exp_xy = norm_l(s);
    int16_t xy = extract_h(L_shl(s, exp_xy));
    if (xy <= 0) return 0;
    s = 0;
    for (int i = 0; i < kSub; ++i) s = L_mac(s, sy2[i], sy2[i]);
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
    auto dot = [&](const int16_t* a, const int16_t* b, int16_t* frac, int16_t* exp) {
        int32_t s = init;
        for (int i = 0; i < kSub; ++i) s = L_mac(s, a[i], b[i]);
        *exp = norm_l(s);
        *frac = extract_h(L_shl(s, *exp));
    };
    int16_t e;
    dot(y2, y2, &frac_coeff[2], &e);
    exp_coeff[2] = sub(15 - 18, e);
    dot(xn, y2, &frac_coeff[3], &e);
    frac_coeff[3] = negate(frac_coeff[3]);
    exp_coeff[3] = sub(15 - 9 + 1, e);
    dot(y1, y2, &frac_coeff[4], &e);
    exp_coeff[4] = sub(15 - 9 + 1, e);
    if (zero_init) {
        int16_t frac;
        dot(xn2, y2, &frac, &e);
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

[[maybe_unused]] void calc_target_energy(const int16_t* xn, int16_t* en_exp, int16_t* en_frac) {
    int32_t s = 0;
    for (int i = 0; i < kSub; ++i) s = L_mac(s, xn[i], xn[i]);
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
    (void)res, (void)exc, (void)xn, (void)y1, (void)g_coeff, (void)even, (void)gp_limit, (void)sf0_gp,
        (void)sf0_gc;
    (void)gain_pit;
    int16_t exp_gcode0, frac_gcode0, exp_en = 0, frac_en = 0, q122 = 0, q = 0;
    gc_pred(st.pred, mode, code, &exp_gcode0, &frac_gcode0, &exp_en, &frac_en);
    if (mode == kMR122) {
        *gain_cod = g_code(xn2, y2);
        *ana++ = q_gain_code(mode, exp_gcode0, frac_gcode0, gain_cod, &q122, &q);
    } else {
        int16_t frac_coeff[5], exp_coeff[5], cg_frac = 0, cg_exp = 0;
        calc_filt_energies(mode, xn, xn2, y1, y2, g_coeff, frac_coeff, exp_coeff, &cg_frac, &cg_exp);
        *ana++ = qua_gain(mode, exp_gcode0, frac_gcode0, frac_coeff, exp_coeff, gp_limit, gain_pit, gain_cod,
                          &q122, &q);
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

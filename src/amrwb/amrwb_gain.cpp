// AMR-WB gain decoding: MA-predicted code-gain energy, the 6-bit and 7-bit gain codebooks and
// the energy history of bad frames.
#include "amrwb/amrwb_internal.h"
#include "amrwb/amrwb_tables.h"
#include "common/basicop.h"

namespace voks::amrwb {

namespace {

constexpr int16_t kPred[4] = {4096, 3277, 2458, 1638};  // Q13
constexpr int16_t kMeanEnergy = 30;                     // dB

// 2^(exponent + fraction / 2^15) for a Q15 fraction, rounded.
int32_t pow2(int16_t exponent, int16_t fraction) {
    const int i = fraction >> 10;
    const auto a = static_cast<int16_t>(extract_l(L_shl(fraction, 5)) & 0x7FFF);
    const int32_t t = L_msu(L_deposit_h(kPow2[i]), sub(kPow2[i], kPow2[i + 1]), a);
    return L_shr_r(t, static_cast<int16_t>(30 - exponent));
}

}  // namespace

void inv_sqrt_normalised(int32_t& frac, int16_t& exp) {
    if (frac <= 0) {
        exp = 0;
        frac = MAX_32;
        return;
    }
    if (exp & 1) frac = L_shr(frac, 1);
    exp = negate(shr(sub(exp, 1), 1));
    frac = L_shr(frac, 9);
    const int i = extract_h(frac) - 16;
    frac = L_shr(frac, 1);
    const auto a = static_cast<int16_t>(extract_l(frac) & 0x7FFF);
    frac = L_msu(L_deposit_h(kInvSqrt[i]), sub(kInvSqrt[i], kInvSqrt[i + 1]), a);
}

int16_t code_inv_sqrt_energy(const int16_t* code, int n) {
    int32_t s = 1;
    for (int i = 0; i < n; ++i) s = L_mac(s, code[i], code[i]);
    const int16_t k = norm_l(s);
    s = L_shl(s, k);
    int16_t exp = static_cast<int16_t>(30 - k - 24);  // code in Q9, energy per 64 samples
    inv_sqrt_normalised(s, exp);
    return extract_h(L_shl(s, sub(exp, 3)));
}

bool gain_index_valid(int index, int mode_index) {
    return index >= 0 && index < (mode_index <= 1 || mode_index == 9 ? 64 : 128);
}

void decode_gain(int index, int16_t inv_sqrt_energy, int16_t* gain_pit, int32_t* gain_code, bool bad,
                 bool prev_bad, int16_t* past_qua_en, int16_t* prev_gc, int16_t* past_gc, bool six_bits) {
    if (bad) {
        int32_t t = 0;
        for (int k = 0; k < 4; ++k) t = L_mac(t, past_qua_en[k], 8192);
        int16_t e = sub(extract_h(t), 3072);
        if (e < -14336) e = -14336;
        for (int k = 3; k > 0; --k) past_qua_en[k] = past_qua_en[k - 1];
        past_qua_en[0] = e;
        *gain_code = L_mult(*past_gc, inv_sqrt_energy);
        return;
    }
    int32_t t = L_shl(L_deposit_h(kMeanEnergy), 8);
    for (int k = 0; k < 4; ++k) t = L_mac(t, kPred[k], past_qua_en[k]);
    int16_t g0 = extract_h(t);  // Q8
    int16_t exp, frac;
    L_Extract(L_shr(L_mult(g0, 5443), 8), exp, frac);
    g0 = extract_l(pow2(14, frac));
    exp = sub(exp, 14);
    const int16_t* row = six_bits ? kGain6b[index] : kGain7b[index];
    *gain_pit = row[0];
    const int16_t g_code = row[1];  // Q11
    int32_t g = L_shl(L_mult(g_code, g0), add(exp, 4));
    if (prev_bad) {
        const int32_t limit = L_mult(*prev_gc, 5120);  // 1.25 times the previous gain
        if (g > limit && g > 6553600) g = limit;
    }
    *past_gc = round_fx(L_shl(g, 3));
    *prev_gc = *past_gc;
    L_Extract(g, exp, frac);
    *gain_code = L_shl(Mpy_32_16(exp, frac, inv_sqrt_energy), 3);
    // 20 log10(g_code) = 6.0206 (log2(g_code) - 11), Q10
    log2_q15(g_code, exp, frac);
    const int16_t e = extract_l(L_shr(Mpy_32_16(sub(exp, 11), frac, 24660), 3));
    for (int k = 3; k > 0; --k) past_qua_en[k] = past_qua_en[k - 1];
    past_qua_en[0] = e;
}

}  // namespace voks::amrwb

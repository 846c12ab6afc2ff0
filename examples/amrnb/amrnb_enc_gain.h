// Gain prediction and quantisation of the GSM-AMR example encoder (amrnb_enc_gain.cpp).
#ifndef VOKSC_EXAMPLES_AMRNB_AMRNB_ENC_GAIN_H
#define VOKSC_EXAMPLES_AMRNB_AMRNB_ENC_GAIN_H

#include <cstdint>

namespace amrnbex {

// Past quantised energy errors of the fixed-codebook gain predictor (20 log10 and log2, Q10).
struct GainPred {
    int16_t en[4], en122[4];
    void reset();
};

struct GainState {
    GainPred pred, unq;
    // 7.95 kbit/s gain adaptation: onset flag, previous gain, past LTP gains
    int16_t onset = 0, prev_alpha = 0, prev_gc = 0, ltpg_mem[5] = {};
    // 4.75 kbit/s: the first subframe of each pair
    int16_t sf0_exp_gcode0 = 0, sf0_frac_gcode0 = 0, sf0_exp_target = 0, sf0_frac_target = 0;
    int16_t sf0_exp_coeff[5] = {}, sf0_frac_coeff[5] = {};
    int16_t* idx = nullptr;
    void reset();
};

int16_t q_gain_pitch(int mode, int16_t gp_limit, int16_t* gain, int16_t* cand, int16_t* cind);

// Quantises the subframe's gains (pitch gain too except at 12.2), writing the index words at ana.
void gain_quant(GainState& st, int mode, const int16_t* res, const int16_t* exc, const int16_t* code,
                const int16_t* xn, const int16_t* xn2, const int16_t* y1, const int16_t* y2,
                const int16_t* g_coeff, bool even, int16_t gp_limit, int16_t* sf0_gp, int16_t* sf0_gc,
                int16_t* gain_pit, int16_t* gain_cod, int16_t*& ana);

}  // namespace amrnbex

#endif  // VOKSC_EXAMPLES_AMRNB_AMRNB_ENC_GAIN_H

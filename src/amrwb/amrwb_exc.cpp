// AMR-WB pitch gain, the DTX histories and the family's small helpers.
#include "amrwb/amrwb_internal.h"
#include "amrwb/amrwb_tables.h"
#include "amrwb/kernels.h"
#include "common/basicop.h"

namespace voks::amrwb {

int mode_index(int rate) {
    switch (rate) {
        case 5:
            return 0;  // 6.60
        case 9:
            return 1;  // 8.85
        case 13:
            return 2;  // 12.65
        case 15:
            return 3;  // 14.25
        case 16:
            return 4;  // 15.85
        case 18:
            return 5;  // 18.25
        case 19:
            return 6;  // 19.85
        case 20:
            return 7;  // 23.05
        case 21:
            return 8;  // 23.85
        case 25:
            return 9;  // silence descriptor
        default:
            return -1;
    }
}

const int16_t kDtxEnergyAdjust[10] = {230, 179, 141, 128, 122, 115, 115, 115, 115, 115};

void log2_q15(int32_t x, int16_t& exponent, int16_t& fraction) {
    if (x <= 0) {
        exponent = fraction = 0;
        return;
    }
    const int16_t e = norm_l(x);
    x = L_shl(x, e);
    exponent = static_cast<int16_t>(30 - e);
    x = L_shr(x, 9);
    const int i = extract_h(x) - 32;
    const auto a = static_cast<int16_t>(extract_l(L_shr(x, 1)) & 0x7FFF);
    fraction = extract_h(L_msu(L_deposit_h(kLog2[i]), sub(kLog2[i], kLog2[i + 1]), a));
}

namespace {

// Saturating sum of 2 x[i] y[i] + 1, normalised, with its exponent (30 - shift).
int32_t dot_normalised(const int16_t* x, const int16_t* y, int n, int16_t& exponent) {
    int32_t s;
    kernels().mac_xcorr(x, y, n, 0, 1, 1, &s);
    const int16_t k = norm_l(s);
    exponent = static_cast<int16_t>(30 - k);
    return L_shl(s, k);
}

}  // namespace

int16_t pitch_gain(const int16_t* xn, const int16_t* y1, int16_t* coeff, int n) {
    int16_t exp_yy, exp_xy;
    const int16_t yy = extract_h(dot_normalised(y1, y1, n, exp_yy));
    int16_t xy = extract_h(dot_normalised(xn, y1, n, exp_xy));
    coeff[0] = yy;
    coeff[1] = exp_yy;
    coeff[2] = xy;
    coeff[3] = exp_xy;
    if (xy < 0) return 0;
    xy = shr(xy, 1);  // below yy, as the division needs
    const int16_t gain = shl(div_s(xy, yy), static_cast<int16_t>(exp_xy - exp_yy));
    return gain > 19661 ? int16_t{19661} : gain;
}

void dtx_buffer(const int16_t* x, const int16_t* isf, int16_t* hist_ptr, int16_t* isf_hist,
                int16_t* log_en_hist, int16_t adjust) {
    // The reference counts 0..7 and writes out of bounds for any other stored position: the
    // position is taken modulo 8 here.
    const int p = (*hist_ptr + 1) & (kDtxHist - 1);
    *hist_ptr = static_cast<int16_t>(p);
    for (int i = 0; i < kOrder; ++i) isf_hist[p * kOrder + i] = isf[i];
    int32_t e = 0;
    for (int i = 0; i < kFrame; ++i) e = L_mac(e, x[i], x[i]);
    e = L_shr(e, 1);  // a saturated sum gives 0x3FFFFFFF
    int16_t ex, fr;
    log2_q15(e, ex, fr);
    const int16_t log_en = add(shl(ex, 7), shr(fr, 8));
    log_en_hist[p] = sub(log_en, add(1024, adjust));
}

}  // namespace voks::amrwb

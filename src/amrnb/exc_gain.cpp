// GSM-AMR pitch gain (the reference G_pitch): the energy of the filtered adaptive vector and
// its correlation with the target, each recomputed on the vector divided by 4 when any step of
// the reference's saturating accumulation saturates.
#include "amrnb/exc_internal.h"
#include "amrnb/lp_internal.h"
#include "common/basicop.h"

namespace voks::amrnb {
namespace {

// 1 + sum L_mac(a[i], b[i]) as the reference accumulates it; overflow is set when a step
// saturates.
int32_t mac_chain(const int16_t* a, const int16_t* b, bool& overflow) {
    int32_t s = 1;
    for (int i = 0; i < kSubframe; ++i) s = L_mac(s, a[i], b[i], overflow);
    return s;
}

// Normalised rounded high word of s and its shift.
int16_t normalise(int32_t s, int16_t& shift) {
    shift = norm_l(s);
    return round_fx(L_shl(s, shift));
}

}  // namespace

int16_t pitch_gain(const int16_t* x, const int16_t* y, int16_t* coeff) {
    int16_t scaled[kSubframe];
    for (int i = 0; i < kSubframe; ++i) scaled[i] = static_cast<int16_t>(y[i] >> 2);

    bool overflow = false;
    int32_t s = mac_chain(y, y, overflow);
    int16_t exp_yy, exp_xy;
    int16_t yy = normalise(overflow ? mac_chain(scaled, scaled, overflow) : s, exp_yy);
    if (overflow) exp_yy = static_cast<int16_t>(exp_yy - 4);

    overflow = false;
    s = mac_chain(x, y, overflow);
    int16_t xy = normalise(overflow ? mac_chain(x, scaled, overflow) : s, exp_xy);
    if (overflow) exp_xy = static_cast<int16_t>(exp_xy - 2);

    if (coeff) {
        coeff[0] = yy;
        coeff[1] = static_cast<int16_t>(15 - exp_yy);
        coeff[2] = xy;
        coeff[3] = static_cast<int16_t>(15 - exp_xy);
    }
    if (xy < 4) return 0;
    int16_t gain = div_s(static_cast<int16_t>(xy >> 1), yy);
    gain = shr(gain, static_cast<int16_t>(exp_xy - exp_yy));
    return gain > 19661 ? int16_t{19661} : gain;
}

}  // namespace voks::amrnb

// Annex B analysis of the voice-activity detector and the comfort noise: the windowed order-12
// autocorrelation with its overflow rescaling, and the order-10 Levinson-Durbin recursion with
// the residual energy the detector reads.
#include <cstring>

#include "common/basicop.h"
#include "common/kernels.h"
#include "g729/lp_internal.h"
#include "g729/sid_internal.h"
#include "g729/sid_tables.h"

namespace voks::g729 {

void sid_autocorr(const int16_t* x, int32_t* r, int16_t* exp) {
    const common::Kernels& kt = common::kernels();
    int16_t y[kSidWindow];
    kt.mul_nr(x, kHamWindow, y, kSidWindow, 15);
    // The reference accumulates 1 + 2 sum y^2 with saturation; while that overflows it divides
    // the windowed signal by 4 and starts again, counting 4 in the exponent each time.
    int16_t e = 1;
    int64_t energy = kt.energy(y, kSidWindow);
    while (energy > 0x3FFFFFFF) {
        kt.shift(y, y, kSidWindow, -2);
        e = static_cast<int16_t>(e + 4);
        energy = kt.energy(y, kSidWindow);
    }
    const int32_t r0 = static_cast<int32_t>(2 * energy + 1);
    const int16_t norm = norm_l(r0);
    // |sum y[i] y[i+k]| <= energy, so the doubled lags fit 32 bits before and after the shift.
    kt.autocorr(y, kSidWindow, r, kSidLags);
    r[0] = r0 << norm;
    for (int k = 1; k < kSidLags; ++k) r[k] = static_cast<int32_t>(static_cast<uint32_t>(r[k]) << (norm + 1));
    *exp = static_cast<int16_t>(e - norm);
}

bool sid_levinson(const int32_t* r, int16_t* a, int16_t* rc, int16_t* err) {
    int16_t k[kOrder], mant, exp;
    if (!levinson(r, kOrder, a, k, &mant, &exp)) return false;
    rc[0] = k[0];
    rc[1] = k[1];
    *err = shr(mant, exp);
    return true;
}

}  // namespace voks::g729

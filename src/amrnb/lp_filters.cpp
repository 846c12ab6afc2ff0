// GSM-AMR order-10 filters in the reference arithmetic (Residu, Syn_filt), the subframe
// pre-processing of the encoder (impulse response, LP residual, pitch target) and the perceptual
// weighting of the open-loop search.
#include <cstring>

#include "amrnb/lp_internal.h"
#include "common/basicop.h"

namespace voks::amrnb {

void residu(const int16_t* a, const int16_t* x, int16_t* y, int n) {
    for (int i = 0; i < n; ++i) {
        int32_t s = L_mult(x[i], a[0]);
        for (int j = 1; j <= kOrder; ++j) s = L_mac(s, a[j], x[i - j]);
        y[i] = round_fx(L_shl(s, 3));
    }
}

void syn_filt(const int16_t* a, const int16_t* x, int16_t* y, int n) {
    for (int i = 0; i < n; ++i) {
        int32_t s = L_mult(x[i], a[0]);
        for (int j = 1; j <= kOrder; ++j) s = L_msu(s, a[j], y[i - j]);
        y[i] = round_fx(L_shl(s, 3));
    }
}

void impulse_target(const int16_t* speech, const int16_t* ap1, const int16_t* ap2, const int16_t* aq,
                    const int16_t* syn_mem, const int16_t* wgt_mem, int16_t* h, int16_t* res, int16_t* xn) {
    // Impulse response of Ap1 / (Aq Ap2) with zero memories.
    int16_t buf[kOrder + kSubframe] = {}, hh[kOrder + kSubframe] = {};
    std::memcpy(buf + kOrder, ap1, (kOrder + 1) * sizeof(int16_t));
    syn_filt(aq, buf + kOrder, hh + kOrder, kSubframe);
    std::memcpy(buf + kOrder, hh + kOrder, kSubframe * sizeof(int16_t));
    std::memset(hh, 0, sizeof hh);
    syn_filt(ap2, buf + kOrder, hh + kOrder, kSubframe);
    std::memcpy(h, hh + kOrder, kSubframe * sizeof(int16_t));

    // LP residual, its synthesis from the error memory, weighting of that error.
    int16_t r[kSubframe], err[kOrder + kSubframe], w[kSubframe], t[kOrder + kSubframe];
    residu(aq, speech + kOrder, r, kSubframe);
    std::memcpy(err, syn_mem, kOrder * sizeof(int16_t));
    syn_filt(aq, r, err + kOrder, kSubframe);
    residu(ap1, err + kOrder, w, kSubframe);
    std::memcpy(t, wgt_mem, kOrder * sizeof(int16_t));
    syn_filt(ap2, w, t + kOrder, kSubframe);
    std::memcpy(res, r, sizeof r);
    std::memcpy(xn, t + kOrder, kSubframe * sizeof(int16_t));
}

}  // namespace voks::amrnb

// GSM-AMR order-10 filters in the reference arithmetic (Residu, Syn_filt), the subframe
// pre-processing of the encoder (impulse response, LP residual, pitch target) and the perceptual
// weighting of the open-loop search.
#include <cstring>

#include "amrnb/kernels.h"
#include "amrnb/lp_internal.h"
#include "common/basicop.h"
#include "common/kernels.h"

namespace voks::amrnb {

namespace {

// Largest |v[i]| over n samples (32768 for -32768).
int32_t max_abs(const int16_t* v, int n) {
    int32_t m = 0;
    for (int i = 0; i < n; ++i) {
        const int32_t t = v[i] < 0 ? -int32_t{v[i]} : v[i];
        m = t > m ? t : m;
    }
    return m;
}

int32_t abs_sum(const int16_t* a, int n) {
    int32_t s = 0;
    for (int i = 0; i < n; ++i) s += a[i] < 0 ? -int32_t{a[i]} : a[i];
    return s;
}

// With every |x| <= m and sum |a| = sa, every partial sum of the saturating L_mac/L_msu chain
// is bounded by 2 m sa: below 2^31 the chain never saturates and equals the exact sum.
bool chain_exact(int32_t m, int32_t sa) {
    return int64_t{m} * sa < (int64_t{1} << 30);
}

}  // namespace

void residu(const int16_t* a, const int16_t* x, int16_t* y, int n) {
    if (chain_exact(max_abs(x - kOrder, n + kOrder), abs_sum(a, kOrder + 1))) {
        // The exact sums by the shared FIR kernel, a block at a time; round(L_shl(2 sum, 3)) =
        // sat16((sum + 0x800) >> 12), the saturations of the shift and the rounding included.
        for (int i0 = 0; i0 < n; i0 += kSubframe) {
            const int len = n - i0 < kSubframe ? n - i0 : kSubframe;
            int32_t acc[kSubframe];
            common::kernels().fir(a, kOrder + 1, x + i0, len, acc);
            for (int i = 0; i < len; ++i) y[i0 + i] = sat16((int64_t{acc[i]} + 0x800) >> 12);
        }
        return;
    }
    for (int i = 0; i < n; ++i) {
        int32_t s = L_mult(x[i], a[0]);
        for (int j = 1; j <= kOrder; ++j) s = L_mac(s, a[j], x[i - j]);
        y[i] = round_fx(L_shl(s, 3));
    }
}

namespace {

// After a run that computed the first i outputs of x / A(z) without checks: one bound over the
// input, the memory and every output; when it holds, every sample met it as it was computed and
// the block is the saturating chain's. Otherwise the chain runs again from the start.
void syn_finish(const int16_t* a, const int16_t* x, int16_t* y, int n, int i) {
    if (i == n) {
        const int32_t m = max_abs(x, n), t = max_abs(y - kOrder, kOrder + n);
        if (chain_exact(t > m ? t : m, abs_sum(a, kOrder + 1))) return;
    }
    for (int k = 0; k < n; ++k) {
        int32_t s = L_mult(x[k], a[0]);
        for (int j = 1; j <= kOrder; ++j) s = L_msu(s, a[j], y[k - j]);
        y[k] = round_fx(L_shl(s, 3));
    }
}

}  // namespace

void syn_filt(const int16_t* a, const int16_t* x, int16_t* y, int n) {
    if (n > kSubframe) return syn_finish(a, x, y, n, -1);
    int16_t xs[kSubframe];
    std::memcpy(xs, x, n * sizeof(int16_t));  // x may be y
    syn_finish(a, xs, y, n, kernels().syn_run(a, xs, y, n));
}

// Two subframes through the same filter at once (inputs not aliasing the outputs).
void syn_filt2(const int16_t* a, const int16_t* x0, int16_t* y0, const int16_t* x1, int16_t* y1) {
    int count[2];
    kernels().syn_run2(a, x0, y0, x1, y1, kSubframe, count);
    syn_finish(a, x0, y0, kSubframe, count[0]);
    syn_finish(a, x1, y1, kSubframe, count[1]);
}

void impulse_target(const int16_t* speech, const int16_t* ap1, const int16_t* ap2, const int16_t* aq,
                    const int16_t* syn_mem, const int16_t* wgt_mem, int16_t* h, int16_t* res, int16_t* xn) {
    // Two chains side by side: the impulse response of Ap1 / (Aq Ap2) with zero memories, and
    // the LP residual, its synthesis from the error memory and the weighting of that error.
    int16_t imp[kSubframe] = {}, hh[kOrder + kSubframe] = {}, hz[kOrder + kSubframe] = {};
    int16_t r[kSubframe], err[kOrder + kSubframe], w[kSubframe], t[kOrder + kSubframe];
    std::memcpy(imp, ap1, (kOrder + 1) * sizeof(int16_t));
    residu(aq, speech + kOrder, r, kSubframe);
    std::memcpy(err, syn_mem, kOrder * sizeof(int16_t));
    syn_filt2(aq, imp, hh + kOrder, r, err + kOrder);
    residu(ap1, err + kOrder, w, kSubframe);
    std::memcpy(t, wgt_mem, kOrder * sizeof(int16_t));
    syn_filt2(ap2, hh + kOrder, hz + kOrder, w, t + kOrder);
    std::memcpy(h, hz + kOrder, kSubframe * sizeof(int16_t));
    std::memcpy(res, r, sizeof r);
    std::memcpy(xn, t + kOrder, kSubframe * sizeof(int16_t));
}

}  // namespace voks::amrnb

// Scalar AMR-WB kernels (the definition). Where the energies prove that no partial sum of a chain
// can saturate, the chain is the exact sum, taken directly.
#include "amrwb/kernels.h"

#include <algorithm>

#include "amrwb/amrwb_internal.h"
#include "common/basicop.h"

namespace voks::amrwb {

namespace {

VOKS_SCALAR uint64_t energy(const int16_t* x, int n) {
    uint64_t e = 0;
    for (int i = 0; i < n; ++i) e += static_cast<uint64_t>(int32_t{x[i]} * x[i]);
    return e;
}

// s0 + 2 <a, b> for a chain chain_exact proved unsaturated (no partial sum leaves 31 bits).
VOKS_SCALAR int32_t exact_chain(const int16_t* a, const int16_t* b, int n, int32_t s0) {
    int32_t s = 0;
    for (int i = 0; i < n; ++i) s += int32_t{a[i]} * b[i];
    return s0 + 2 * s;
}

}  // namespace

namespace scalar {

int32_t mac_chain(const int16_t* a, const int16_t* b, int n, int32_t s0) {
    for (int i = 0; i < n; ++i) s0 = L_mac(s0, a[i], b[i]);
    return s0;
}

void mac_xcorr(const int16_t* a, const int16_t* b, int n, int hi, int count, int32_t s0, int32_t* r) {
    const uint64_t ea = energy(a, n);
    // The energy of the window b[-lag .. n - lag), slid one sample per lag.
    const int16_t* w = b - hi;
    uint64_t eb = energy(w, n);
    for (int k = 0; k < count; ++k, ++w) {
        if (k > 0)
            eb += static_cast<uint64_t>(int32_t{w[n - 1]} * w[n - 1]) -
                  static_cast<uint64_t>(int32_t{w[-1]} * w[-1]);
        r[k] = chain_exact(ea, eb, s0) ? exact_chain(a, w, n, s0) : mac_chain(a, w, n, s0);
    }
}

void mac_tail(const int16_t* a, const int16_t* b, int n, int first, int step, int count, int32_t s0,
              int32_t* r) {
    const bool exact = chain_exact(energy(a, n), energy(b, n), s0);
    for (int k = 0, p = first; k < count; ++k, p += step)
        r[k] = exact ? exact_chain(a, b + p, n - p, s0) : mac_chain(a, b + p, n - p, s0);
}

void pitch_sums(const int16_t* exc, const int16_t* xn, const int16_t* h, int tmin, int tmax, int32_t* cor,
                int32_t* ener) {
    constexpr int n = kSubframe;
    int16_t excf[n];
    int k = -tmin;
    for (int i = 0; i < n; ++i) {
        int32_t s = 0;
        for (int j = 0; j <= i; ++j) s = L_mac(s, exc[k + j], h[i - j]);
        excf[i] = round_fx(s);
    }
    const uint64_t exn = energy(xn, n);
    for (int lag = tmin; lag <= tmax; ++lag) {
        // The chain of squares from 1 only grows: it is the exact sum, saturated once.
        const uint64_t e = energy(excf, n);
        ener[lag - tmin] = e >= 0x40000000 ? MAX_32 : static_cast<int32_t>(1 + 2 * e);
        cor[lag - tmin] = chain_exact(exn, e, 1) ? exact_chain(xn, excf, n, 1) : mac_chain(xn, excf, n, 1);
        if (lag != tmax) {
            --k;
            for (int i = n - 1; i > 0; --i) excf[i] = add(mult(exc[k], h[i]), excf[i - 1]);
            excf[0] = mult(exc[k], h[0]);
        }
    }
}

VOKS_SCALAR void residual(const int16_t* a, int m, const int16_t* x, int16_t* y, int n, int sf) {
    const int shift = sf < -31 ? 45 : 14 - sf;  // any shift above 31 saturates alike
    const bool exact = chain_exact(energy(a, m + 1), energy(x - m, m + n), 0);
    for (int i = 0; i < n; ++i) {
        int32_t s;
        if (exact) {
            s = 0;
            for (int j = 0; j <= m; ++j) s += int32_t{a[j]} * x[i - j];
            s *= 2;
        } else {
            s = L_mult(x[i], a[0]);
            for (int j = 1; j <= m; ++j) s = L_mac(s, a[j], x[i - j]);
        }
        s = shift >= 0 ? L_shl(s, static_cast<int16_t>(std::min(shift, 31)))
                       : L_shr(s, static_cast<int16_t>(-shift));
        y[i] = round_fx(s);
    }
}

}  // namespace scalar

}  // namespace voks::amrwb

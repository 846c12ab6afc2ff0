// Scalar G.729 gain kernels and the kernel table.
#include "g729/kernels.h"

#include "common/basicop.h"

namespace voks::g729 {
namespace scalar {

int32_t abs_sum(const int16_t* x, int n) {
    int32_t s = 0;
    for (int i = 0; i < n; ++i) s += x[i] < 0 ? -int32_t{x[i]} : x[i];
    return s;
}

int32_t energy_q2(const int16_t* x, int n) {
    int64_t s = 0;
    for (int i = 0; i < n; ++i) {
        const int32_t v = x[i] >> 2;
        s += v * v;
    }
    s *= 2;
    return s > MAX_32 ? MAX_32 : static_cast<int32_t>(s);
}

VOKS_SCALAR void ltp_phase_sums(const int16_t* s, const int16_t* yup, int32_t* e, int32_t* n0, int32_t* n1) {
    for (int p = 0; p < 7; ++p) {
        const int16_t* y = yup + 41 * p;
        uint32_t se = 0, s0 = 0, s1 = 0;
        for (int j = 0; j < 40; ++j) {
            if (j > 0) se += static_cast<uint32_t>(int32_t{y[j]} * y[j]);
            s0 += static_cast<uint32_t>(int32_t{s[j]} * y[j]);
            s1 += static_cast<uint32_t>(int32_t{s[j]} * y[j + 1]);
        }
        e[p] = static_cast<int32_t>(se);
        n0[p] = static_cast<int32_t>(s0);
        n1[p] = static_cast<int32_t>(s1);
    }
}

VOKS_SCALAR void ltp_interp(const int16_t* x, const int16_t* h, int16_t* y) {
    for (int p = 0; p < 7; ++p)
        for (int n = 0; n <= 40; ++n) {
            uint32_t acc = 0x4000;
            for (int i = 0; i < 4; ++i) acc += static_cast<uint32_t>(int32_t{h[4 * p + i]} * x[n - i]);
            y[41 * p + n] = sat16(static_cast<int32_t>(acc) >> 15);
        }
}

void apply_q14(const int16_t* g, int16_t* x, int n) {
    for (int i = 0; i < n; ++i) x[i] = sat16((int32_t{g[i]} * x[i] + 8192) >> 14);
}

void apply_q12(const int16_t* g, int16_t* x, int n) {
    for (int i = 0; i < n; ++i) x[i] = sat16((int32_t{g[i]} * x[i]) >> 12);
}

void gain_dist(const float* c, const float* gp, const float* gcs, float g0, float* d, int n) {
    for (int k = 0; k < n; ++k) {
        const float p = gp[k];
        const float q = g0 * gcs[k];
        float s = p * p * c[0];
        s = s + p * c[1];
        s = s + q * q * c[2];
        s = s + q * c[3];
        s = s + p * q * c[4];
        d[k] = s;
    }
}

void tilt(const int16_t* x, int16_t* y, int n, int16_t mu, int16_t ga, int32_t fact, int shift) {
    for (int i = 0; i < n; ++i) {
        const int32_t t = int32_t{x[i + 1]} * 32768 + 2 * int32_t{mu} * x[i] + 0x4000;  // < 2^31
        const auto v = static_cast<int16_t>(t >> 15);
        y[i] = sat16((2 * int32_t{v} * ga + fact) >> shift);
    }
}

void quant_dist(const int16_t* hi, const int16_t* lo, const int16_t* gp, const int16_t* gc, int32_t* d,
                int n) {
    for (int k = 0; k < n; ++k) {
        const int16_t v[5] = {mult(gp[k], gp[k]), gp[k], mult(gc[k], gc[k]), gc[k], mult(gc[k], gp[k])};
        int32_t s = Mpy_32_16(hi[0], lo[0], v[0]);
        for (int t = 1; t < 5; ++t) s = L_add(s, Mpy_32_16(hi[t], lo[t], v[t]));
        d[k] = s;
    }
}

bool synth(const int16_t* a, int order, const int16_t* x, int16_t* y, int n) {
    bool overflow = false;
    for (int k = 0; k < n; ++k) {
        // Oldest term first: y[k-1] enters last, off the longer part of the sum.
        int32_t s = int32_t{x[k]} * a[0];
        for (int i = order; i >= 1; --i) s -= int32_t{a[i]} * y[k - i];
        y[k] = round_fx(L_shl(s * 2, 3, overflow), overflow);
    }
    return overflow;
}

}  // namespace scalar

}  // namespace voks::g729

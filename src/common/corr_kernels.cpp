// Scalar correlation kernels (the definition of their AVX2 twins).
#include "common/kernels.h"

#include "common/basicop.h"

namespace voks::common {

namespace scalar {

// Products are formed exactly in 32 bits; the sums wrap, hence the unsigned accumulators.
int32_t dot(const int16_t* a, const int16_t* b, int n) {
    uint32_t s = 0;
    for (int i = 0; i < n; ++i) s += static_cast<uint32_t>(int32_t{a[i]} * b[i]);
    return static_cast<int32_t>(s);
}

void xcorr(const int16_t* a, const int16_t* b, int n, int32_t* out, int lags) {
    for (int k = 0; k < lags; ++k) out[k] = dot(a, b + k, n);
}

void autocorr(const int16_t* x, int n, int32_t* out, int lags) {
    for (int k = 0; k < lags; ++k) out[k] = k < n ? dot(x, x + k, n - k) : 0;
}

void xcorr_tri(const int16_t* a, const int16_t* b, int n, int32_t* out) {
    for (int k = 0; k < n; ++k) out[k] = dot(a, b + k, n - k);
}

void mac_chain_tri(const int16_t* a, const int16_t* b, int n, int32_t* out) {
    for (int k = 0; k < n; ++k) {
        int32_t s = 0;
        for (int i = 0; i < n - k; ++i) s = L_mac(s, a[i], b[i + k]);
        out[k] = s;
    }
}

int64_t energy(const int16_t* x, int n) {
    int64_t s = 0;
    for (int i = 0; i < n; ++i) s += int32_t{x[i]} * x[i];
    return s;
}

void conv(const int16_t* a, const int16_t* b, int first, int last, int32_t* out) {
    for (int m = first; m < last; ++m) {
        uint32_t s = 0;
        for (int k = 0; k <= m; ++k) s += static_cast<uint32_t>(int32_t{a[k]} * b[m - k]);
        out[m - first] = static_cast<int32_t>(s);
    }
}

void fir(const int16_t* c, int taps, const int16_t* x, int n, int32_t* out) {
    for (int m = 0; m < n; ++m) {
        uint32_t s = 0;
        for (int i = 0; i < taps; ++i) s += static_cast<uint32_t>(int32_t{c[i]} * x[m - i]);
        out[m] = static_cast<int32_t>(s);
    }
}

}  // namespace scalar

}  // namespace voks::common

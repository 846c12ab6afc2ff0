// The scalar echo-canceller kernels: the definition of the float FIR, of the float sub-band filter
// and coefficient update, of the full-band NLMS coefficient updates and of the filter bank's FFT
// butterflies.
#include <cmath>
#include <cstdint>

#include "ec/kernels.h"

namespace voks::ec::scalar {

VOKS_SCALAR void fir_32f(const float* x, const float* d, float* e, int n, const float* h, int L) {
    for (int j = 0; j < n; ++j) {
        float y = 0.0f;
        for (int k = 0; k < L; ++k) y += x[j - k] * h[k];
        e[j] = d[j] - y;
    }
}

VOKS_SCALAR void sb_fir_32fc(const Vok32fc* const* X, const Vok32fc* const* W, Vok32fc* Y, int T, int K) {
    for (int i = 0; i < K; ++i) {
        float re = 0.0f, im = 0.0f;
        for (int k = 0; k < T; ++k) {
            const double xr = X[k][i].re, xi = X[k][i].im, wr = W[k][i].re, wi = W[k][i].im;
            re += static_cast<float>(xr * wr - xi * wi);
            im += static_cast<float>(xr * wi + xi * wr);
        }
        Y[i] = {re, im};
    }
}

VOKS_SCALAR void sb_update_32fc(const double* mu, const Vok32fc* const* X, const Vok32fc* E,
                                Vok32fc* const* W, int T, int K) {
    for (int k = 0; k < T; ++k) {
        for (int i = 0; i < K; ++i) {
            const double a = mu[i] * E[i].re, b = mu[i] * E[i].im;
            const double xr = X[k][i].re, xi = X[k][i].im;
            W[k][i].re += static_cast<float>(std::fma(a, xr, b * xi));
            W[k][i].im += static_cast<float>(std::fma(b, xr, -(a * xi)));
        }
    }
}

VOKS_SCALAR void nlms_update_32f(float eps, const float* x, float* h, int L) {
    for (int k = 0; k < L; ++k) h[k] = std::fma(eps, x[-k], h[k]);
}

VOKS_SCALAR void fft_32f(const float* c, const float* s, float* re, float* im, int order) {
    const int n = 1 << order;
    for (int len = 2; len <= n; len <<= 1) {
        const int half = len >> 1, step = n / len;
        for (int g = 0; g < n; g += len) {
            for (int j = 0; j < half; ++j) {
                const float wr = c[j * step], wi = s[j * step];
                const int a = g + j, b = a + half;
                const float tr = wr * re[b] - wi * im[b], ti = wr * im[b] + wi * re[b];
                re[b] = re[a] - tr;
                im[b] = im[a] - ti;
                re[a] = re[a] + tr;
                im[a] = im[a] + ti;
            }
        }
    }
}

VOKS_SCALAR void nlms_update_16s(int32_t eps, const int16_t* x, int16_t* h, int L) {
    for (int k = 0; k < L; ++k) {
        const int64_t v = h[k] + ((x[-k] * int64_t{eps} + 4096) >> 13);
        h[k] = static_cast<int16_t>(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
    }
}

}  // namespace voks::ec::scalar

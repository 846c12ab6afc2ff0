// The scalar echo-canceller kernels: the definition of the float FIR and of the float sub-band
// filter and coefficient update, and the
// full-band NLMS coefficient update.
#include <cmath>

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

}  // namespace voks::ec::scalar

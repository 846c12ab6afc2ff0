// Scalar front-end kernels: the definition of the results.
#include <cmath>

#include "rta/kernels.h"

namespace voks::rta::scalar {

VOKS_SCALAR void qmf_sums(const float* he, const float* ho, int half, const float* xe, const float* xo,
                          float* e, float* o, int n) {
    for (int k = 0; k < n; ++k) {
        float se = he[0] * xe[k], so = ho[0] * xo[k];
        for (int m = 1; m < half; ++m) {
            se = se + he[m] * xe[k + m];
            so = so + ho[m] * xo[k + m];
        }
        e[k] = se;
        o[k] = so;
    }
}

VOKS_SCALAR void abs_sums(const float* x, const float* y, int n, float* sx, float* sy) {
    float px[8] = {}, py[8] = {};
    const int n8 = n - n % 8;
    for (int i = 0; i < n8; i += 8) {
        for (int l = 0; l < 8; ++l) {
            px[l] = px[l] + std::fabs(x[i + l]);
            py[l] = py[l] + std::fabs(y[i + l]);
        }
    }
    float ax = ((px[0] + px[4]) + (px[2] + px[6])) + ((px[1] + px[5]) + (px[3] + px[7]));
    float ay = ((py[0] + py[4]) + (py[2] + py[6])) + ((py[1] + py[5]) + (py[3] + py[7]));
    for (int i = n8; i < n; ++i) {
        ax = ax + std::fabs(x[i]);
        ay = ay + std::fabs(y[i]);
    }
    *sx = ax;
    *sy = ay;
}

}  // namespace voks::rta::scalar

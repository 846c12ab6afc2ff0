// Scalar GSM-AMR LP kernels: the definitions the AVX2 twins reproduce.
#include <algorithm>

#include "amrnb/kernels.h"
#include "amrnb/lp_internal.h"

namespace voks::amrnb::scalar {

VOKS_SCALAR void lsf_dist4(const int16_t* r, const int16_t* w, const int16_t* cb, int n, int sign,
                           uint32_t* h) {
    const int32_t s = sign < 0 ? -1 : 1;
    for (int i = 0; i < n; ++i) {
        uint32_t sum = 0;
        for (int k = 0; k < 4; ++k) {
            const int32_t v = std::clamp(int32_t{r[k]} - s * cb[4 * i + k], -32768, 32767);
            const int32_t t = std::min((int32_t{w[k]} * v) >> 15, 32767);
            sum += static_cast<uint32_t>(t * t);
        }
        h[i] = sum;
    }
}

VOKS_SCALAR void cheb_grid(const int16_t* f, const int16_t* x, int n, int16_t* y) {
    for (int k = 0; k < n; ++k) y[k] = chebyshev(x[k], f);
}

}  // namespace voks::amrnb::scalar

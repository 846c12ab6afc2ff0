// Scalar GSM-AMR LP kernels: the definitions the AVX2 twins reproduce.
#include <algorithm>

#include "amrnb/kernels.h"

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

}  // namespace voks::amrnb::scalar

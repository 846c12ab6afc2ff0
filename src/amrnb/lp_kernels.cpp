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

VOKS_SCALAR int syn_run(const int16_t* a, const int16_t* x, int16_t* y, int n) {
    // The last ten outputs stay in registers (p1 newest): each sample waits for one product.
    uint32_t p1 = y[-1], p2 = y[-2], p3 = y[-3], p4 = y[-4], p5 = y[-5], p6 = y[-6], p7 = y[-7], p8 = y[-8],
             p9 = y[-9], p10 = y[-10];
    const uint32_t c0 = a[0], c1 = a[1], c2 = a[2], c3 = a[3], c4 = a[4], c5 = a[5], c6 = a[6], c7 = a[7],
                   c8 = a[8], c9 = a[9], c10 = a[10];
    for (int i = 0; i < n; ++i) {
        const uint32_t s = static_cast<uint32_t>(x[i]) * c0 + 0x800 - c10 * p10 - c9 * p9 - c8 * p8 -
                           c7 * p7 - c6 * p6 - c5 * p5 - c4 * p4 - c3 * p3 - c2 * p2;
        const int32_t v = static_cast<int32_t>(s - c1 * p1) >> 12;
        if (v > 32767 || v < -32768) return i;
        y[i] = static_cast<int16_t>(v);
        p10 = p9, p9 = p8, p8 = p7, p7 = p6, p6 = p5, p5 = p4, p4 = p3, p3 = p2, p2 = p1,
        p1 = static_cast<uint32_t>(v);
    }
    return n;
}

VOKS_SCALAR void syn_run2(const int16_t* a, const int16_t* x0, int16_t* y0, const int16_t* x1, int16_t* y1,
                          int n, int* count) {
    count[0] = syn_run(a, x0, y0, n);
    count[1] = syn_run(a, x1, y1, n);
}

}  // namespace voks::amrnb::scalar

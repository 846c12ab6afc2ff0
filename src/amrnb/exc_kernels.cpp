// Scalar GSM-AMR excitation kernels: the definitions the AVX2 twins reproduce.
#include "amrnb/exc_cor_matrix.h"
#include "amrnb/kernels.h"
#include "common/basicop.h"

namespace voks::amrnb::scalar {

VOKS_SCALAR void pair_stage(const int16_t* ps1, const int32_t* alp1, const int16_t* dn, const int32_t* rrv2,
                            const int16_t* rr, int32_t pair2, int n, PairBest& best) {
    best = {-1, 1, 0, -1, -1};
    for (int a = 0; a < n; ++a)
        for (int c = 0; c < n; ++c) {
            const int16_t ps = add(ps1[a], dn[c]), sq = mult(ps, ps);
            const int16_t al =
                static_cast<int16_t>((alp1[a] + rrv2[c] + pair2 * rr[40 * a + c] + 0x8000) >> 16);
            if (int32_t{best.al} * sq > int32_t{best.sq} * al) best = {sq, al, ps, a, c};
        }
}

VOKS_SCALAR void dots(const int16_t* x, const int16_t* y, int n, int64_t& xy, int64_t& yy) {
    int64_t c = 0, e = 0;
    for (int i = 0; i < n; ++i) {
        c += int32_t{x[i]} * y[i];
        e += int32_t{y[i]} * y[i];
    }
    xy = c;
    yy = e;
}

VOKS_SCALAR int16_t cor_matrix(const int16_t* h2, const int16_t* sign, const uint8_t* at, int16_t* rr) {
    return cor_matrix_body(h2, sign, at, rr);
}

}  // namespace voks::amrnb::scalar

// The plain-sum correlation matrix of the codebook searches, shared by the scalar kernel and its
// AVX2 twin (the same loops, vectorised for each target). See cor_matrix in kernels.h.
#ifndef VOKS_AMRNB_EXC_COR_MATRIX_H
#define VOKS_AMRNB_EXC_COR_MATRIX_H

#include <cstdint>

#include "common/basicop.h"

namespace voks::amrnb {

// Row j of t holds t[i] = sum_{m <= 39 - j} h2[m] h2[m + j - i], i <= j, the exact chain of
// rr[i][j] halved: row j is row j + 1 shifted by one plus h2[39 - j] h2[39 - i]. Each row is
// formed, rounded and signed in plain loops, then stored at both places.
__attribute__((always_inline)) inline int16_t cor_matrix_body(const int16_t* h2, const int16_t* sign,
                                                              const uint8_t* at, int16_t* rr) {
    constexpr int kL = 40;
    int32_t t[kL + 1] = {};
    int16_t h2r[kL], vals[kL];
    for (int i = 0; i < kL; ++i) h2r[i] = h2[kL - 1 - i];
    int32_t off = 0;
    bool natural = true;
    for (int i = 0; i < kL; ++i) natural = natural && at[i] == i;
    for (int j = kL - 1; j >= 0; --j) {
        const int32_t hj = h2[kL - 1 - j];
        for (int i = 0; i <= j; ++i) t[i] = t[i + 1] + hj * h2r[i];
        t[j + 1] = 0;
        const int16_t sj = sign[j];
        for (int i = 0; i < j; ++i) {
            const int32_t v = (2 * t[i] + 0x8000) >> 16;
            off = off > (v < 0 ? -v : v) ? off : (v < 0 ? -v : v);
            vals[i] = mult(static_cast<int16_t>(v), mult(sign[i], sj));
        }
        const int rj = at[j];
        rr[kL * rj + rj] = static_cast<int16_t>((2 * t[j] + 0x8000) >> 16);
        if (natural) {
            for (int i = 0; i < j; ++i) rr[kL * j + i] = vals[i];
            for (int i = 0; i < j; ++i) rr[kL * i + j] = vals[i];
        } else {
            for (int i = 0; i < j; ++i) rr[kL * rj + at[i]] = rr[kL * at[i] + rj] = vals[i];
        }
    }
    return static_cast<int16_t>(off < 32767 ? off : 32767);
}

}  // namespace voks::amrnb

#endif  // VOKS_AMRNB_EXC_COR_MATRIX_H

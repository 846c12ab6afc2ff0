// The G.723.1 kernels. The scalar kernels define the results; the AVX2 twins give the same bits
// for every input.
#ifndef VOKS_G723_KERNELS_H
#define VOKS_G723_KERNELS_H

#include <cstdint>

#include "frame/dispatch.h"

namespace voks::g723 {

// s[0] = sum a[i] * b[i] and s[1] = sum a[i]^2 + b[i]^2 over i < n (0 <= n <= 4096), both exact;
// reads a[0..n) and b[0..n) only; a and b may alias.
using dot_energy_fn = void(const int16_t* a, const int16_t* b, int n, int64_t* s);

// out[i] for i < n: the saturating chain a = L_add(a, L_mult(c[j], g[j]) >> 1) over the 20 values
// g of entry i of the 85-entry (big false) or 170-entry (big true) five-tap gain codebook, from
// a = 0; n at most 85 or 170.
using gain_scores_fn = void(const int16_t* c, bool big, int n, int32_t* out);

#define VOKS_G723_KERNELS(X) X(dot_energy) X(gain_scores)

VOKS_DECLARE_KERNELS(VOKS_G723_KERNELS)

}  // namespace voks::g723

#endif  // VOKS_G723_KERNELS_H

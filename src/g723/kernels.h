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

// One pulse step of the multipulse search over the 60 positions of a sub-frame: first
// wb[l] -= v2 * c[l] for every l < 60 (32-bit products and differences wrapping), then the first
// position l = k, k + 2, ... below 60 with occ[l] == 0 whose |wb[l]| (wrapping, so -2^31 stays
// negative) is the largest above -2^30; -1 when there is none. k is 0 or 1; reads c[0..60) and
// occ[0..60), reads and writes wb[0..60).
using mpmlq_pick_fn = int(int32_t* wb, const int16_t* c, int32_t v2, const int16_t* occ, int k);

#define VOKS_G723_KERNELS(X) X(dot_energy) X(gain_scores) X(mpmlq_pick)

VOKS_DECLARE_KERNELS(VOKS_G723_KERNELS)

}  // namespace voks::g723

#endif  // VOKS_G723_KERNELS_H

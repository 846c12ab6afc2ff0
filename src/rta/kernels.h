// The front-end kernels. The scalar kernels define the results; the AVX2 twins give identical
// bits for every input.
#ifndef VOKS_RTA_KERNELS_H
#define VOKS_RTA_KERNELS_H

#include "frame/dispatch.h"

namespace voks::rta {

// The polyphase sums of the QMF bank, for k in 0..n-1 (n >= 0, taps/2 = half in 1..24):
//   e[k] = sum_{m<half} he[m] * xe[k+m],  o[k] = sum_{m<half} ho[m] * xo[k+m],
// each summed in order of m from a first product he[0]*xe[k] (no fused multiply-add). xe and
// xo hold n + half - 1 values; e and o must not overlap them.
using qmf_sums_fn = void(const float* he, const float* ho, int half, const float* xe, const float* xo,
                         float* e, float* o, int n);
// Sums of |x[i]| and |y[i]| over i < n (n >= 0): eight partial sums over i mod 8 for the first
// n - n % 8 values, added as ((p0+p4)+(p2+p6))+((p1+p5)+(p3+p7)), then the rest in order.
using abs_sums_fn = void(const float* x, const float* y, int n, float* sx, float* sy);

#define VOKS_RTA_KERNELS(X) X(qmf_sums) X(abs_sums)

VOKS_DECLARE_KERNELS(VOKS_RTA_KERNELS)

}  // namespace voks::rta

#endif  // VOKS_RTA_KERNELS_H

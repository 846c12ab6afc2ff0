// The GSM full-rate kernels. The scalar kernels define the arithmetic; every AVX2 twin
// (x86/gsmfr_avx2.cpp) gives the scalar bits for every input.
#ifndef VOKS_GSM_KERNELS_H
#define VOKS_GSM_KERNELS_H

#include <cstdint>

#include "frame/dispatch.h"

namespace voks::gsm {

// Short-term analysis lattice, in place, len >= 1; r: 8 Q15 coefficients; u: 8-word memory.
using st_analysis_fn = void(const int16_t* r, int16_t* x, int len, int16_t* u);
// Short-term synthesis lattice, len >= 1; out may equal in; v: 9-word memory.
using st_synthesis_fn = void(const int16_t* r, const int16_t* in, int16_t* out, int len, int16_t* v);
// 11-tap weighting filter, len >= 1; reads x[-5] .. x[len + 4]; y does not overlap x.
using weighting_fn = void(const int16_t* x, int16_t* y, int len);

#define VOKS_GSM_KERNELS(X) X(st_analysis) X(st_synthesis) X(weighting)

VOKS_DECLARE_KERNELS(VOKS_GSM_KERNELS)

}  // namespace voks::gsm

#endif  // VOKS_GSM_KERNELS_H

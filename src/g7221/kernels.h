// The G.722.1 kernels: the windowing steps and the type-IV DCTs of the modulated lapped
// transform, n = 320 or 640. The scalar kernels define the results (the reference's rounding and
// per-step saturation); the AVX2 twins give the same words for every input.
#ifndef VOKS_G7221_KERNELS_H
#define VOKS_G7221_KERNELS_H

#include <cstdint>

#include "frame/dispatch.h"

namespace voks::g7221 {

// Analysis windowing of the new frame s (n) after the previous frame h (n) into the n inputs of
// the forward DCT; h becomes s. out aliases neither.
using window_analysis_fn = void(const int16_t* s, int16_t* h, int16_t* out, int n);
// Synthesis windowing of the inverse-DCT output t (n) with the overlap o (n/2) into n samples;
// o becomes the second half of t. out aliases neither.
using window_synthesis_fn = void(const int16_t* t, int16_t* o, int16_t* out, int n);
// Forward type-IV DCT, the bias added to a 320-point input first; in and out may alias.
using dct_forward_fn = void(const int16_t* in, int16_t* out, int n);
// Inverse type-IV DCT, the bias added to a 320-point output; in and out may alias.
using dct_inverse_fn = void(const int16_t* in, int16_t* out, int n);

#define VOKS_G7221_KERNELS(X) X(window_analysis) X(window_synthesis) X(dct_forward) X(dct_inverse)

VOKS_DECLARE_KERNELS(VOKS_G7221_KERNELS)

}  // namespace voks::g7221

#endif  // VOKS_G7221_KERNELS_H

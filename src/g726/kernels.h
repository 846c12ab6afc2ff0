// The G.726 kernels: whole coding loops over n >= 0 samples, reading and writing only the n
// inputs and outputs and the state. The scalar kernels define the results; the AVX2 twins form
// the predictor (eight FMULT products and their sums) and the zero-coefficient update in vector
// lanes and give identical codes, outputs and states.
#ifndef VOKS_G726_KERNELS_H
#define VOKS_G726_KERNELS_H

#include <cstdint>

#include "frame/dispatch.h"
#include "g726/g726_internal.h"

namespace voks::g726 {

// Encodes n 14-bit samples into codes (low bits of each byte). Samples outside -8192..8191 are
// limited to that range first.
using encode_fn = void(Core& s, const int16_t* x, uint8_t* codes, int n);
// Decodes n codes (only the low rate-index + 2 bits of each byte are read) into 14-bit samples
// (law kLawLinear; any law other than kLawMu and kLawA is taken as linear) or G.711 codes after
// synchronous coding adjustment.
using decode_fn = void(Core& s, int32_t law, const uint8_t* codes, int16_t* out, int n);

#define VOKS_G726_KERNELS(X) X(encode) X(decode)

VOKS_DECLARE_KERNELS(VOKS_G726_KERNELS)

}  // namespace voks::g726

#endif  // VOKS_G726_KERNELS_H

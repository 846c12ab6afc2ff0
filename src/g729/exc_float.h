// Single-precision twins of the G.729 excitation search.
#ifndef VOKS_G729_EXC_FLOAT_H
#define VOKS_G729_EXC_FLOAT_H

#include <cstdint>

namespace voks::g729 {

// Open-loop lag of the decimated search (x[-143..79] read).
int32_t pitch_ol_fast_32f(const float* x);
// Pred_lt_3 in single precision at exc (history at negative offsets).
void pred_lt_3_32f(float* exc, int t0, int frac);
// Correlations of the unscaled response in the 616 layout.
void toepliz_32f(const float* h, float* m);
// y[i] = y[i-1] + v h[i] for i = len-1 .. 1, then y[0] = v.
void filtered_excitation_32f(const float* h, float* y, int len, float v);

}  // namespace voks::g729

#endif  // VOKS_G729_EXC_FLOAT_H

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

// D4i40_17 in single precision: d (40), matrix (616, sign-modified in place), budget carried in
// time_io; code +-1; idx {position word, sign word}.
void acelp_17_32f(const float* d, float* rr, int subframe, int32_t& time_io, float* code, int32_t* idx);
// D4i40_17_fast in single precision.
void acelp_17_fast_32f(const float* d, float* rr, float* code, int32_t* idx);
// Correlations for the Annex D search: diagonal blocks, then the cross blocks (0,1), (1,1),
// (0,3), (3,4), (1,2), (1,3), (1,4), (2,3) of 64 elements each (552 elements).
void toepliz_d_32f(const float* h, float* m);
// D2i40_11 in single precision: code and filtered code, sign word and Gray-coded position index.
void acelp_11_32f(const float* d, const float* h, float* code, float* y, int32_t& sign, int32_t& index);

// Annex E 44-bit (pulses12) or 35-bit search in single precision; code +-1 per pulse, filtered
// code, five index words as in the fixed-point search.
void acelp_annex_e_32f(bool pulses12, const float* x, const float* cn, const float* h, float* code, float* y,
                       int32_t* indx);

}  // namespace voks::g729

#endif  // VOKS_G729_EXC_FLOAT_H

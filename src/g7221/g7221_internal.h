// G.722.1 transforms and region coder: the internal entry points of the exported operations.
#ifndef VOKS_G7221_G7221_INTERNAL_H
#define VOKS_G7221_G7221_INTERNAL_H

#include <cstdint>

namespace voks::g7221 {

// Largest frame length and the largest number of 32-bit words one coded region can take
// (categories 0 to 2 reach 180 bits).
constexpr int kMaxLength = 640;
constexpr int kMaxRegionWords = 6;

// Analysis windowing and folding of the new frame s with the previous frame h (n samples each)
// into the n inputs of the forward DCT; h becomes s. out may not alias s or h.
void window_analysis(const int16_t* s, int16_t* h, int16_t* out, int n);
// Synthesis windowing of the inverse-DCT output t with the overlap o (n/2 samples) into n
// output samples; o becomes the second half of t. out may not alias t or o.
void window_synthesis(const int16_t* t, int16_t* o, int16_t* out, int n);
// The reference's fixed-point type-IV DCTs of n = 320 or 640 points, with the 320-point input
// bias (forward) and output bias (inverse). in and out may alias.
void dct_forward(const int16_t* in, int16_t* out, int n);
void dct_inverse(const int16_t* in, int16_t* out, int n);
// Quantises and Huffman-codes the 20 coefficients x of one region in category 0..6 with power
// index 0..63; writes ceil(bits / 32) words (at most kMaxRegionWords), MSB first, and returns
// the bit count.
int encode_region(int category, int power_index, const int16_t* x, uint32_t* words);

}  // namespace voks::g7221

#endif  // VOKS_G7221_G7221_INTERNAL_H

// G.722.1 region coder and buffer sizes (the transforms are the kernels of kernels.h).
#ifndef VOKS_G7221_G7221_INTERNAL_H
#define VOKS_G7221_G7221_INTERNAL_H

#include <cstdint>

namespace voks::g7221 {

// Largest frame length and the largest number of 32-bit words one coded region can take
// (categories 0 to 2 reach 180 bits).
constexpr int kMaxLength = 640;
constexpr int kMaxRegionWords = 6;

// Quantises and Huffman-codes the 20 coefficients x of one region in category 0..6 with power
// index 0..63; writes ceil(bits / 32) words (at most kMaxRegionWords), MSB first, and returns
// the bit count.
int encode_region(int category, int power_index, const int16_t* x, uint32_t* words);

}  // namespace voks::g7221

#endif  // VOKS_G7221_G7221_INTERNAL_H

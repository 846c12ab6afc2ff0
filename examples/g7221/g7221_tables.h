// Constant tables of the G.722.1 frame coder (numbers of the ITU-T G.722.1 fixed-point reference
// code): region standard deviations, the differential region-power codes and their decoding
// tree, the categories' inverse bin counts, centroids and expected bit counts, and the Huffman
// decoding trees of categories 0 to 6 (pairs of next nodes; a value <= 0 ends at index -value).
#ifndef VOKSC_EXAMPLE_G7221_TABLES_H
#define VOKSC_EXAMPLE_G7221_TABLES_H

#include <cstdint>

namespace g7221ex {

extern const int16_t kStdDev[64];
extern const int16_t kMaxBinInverse[8];
extern const int16_t kDiffPowerBits[672];
extern const uint16_t kDiffPowerCodes[672];
extern const int16_t kDiffPowerTree[1288];
extern const int16_t kCentroid[128];
extern const int16_t kExpectedBits[8];
extern const int16_t kTree0[360];
extern const int16_t kTree1[186];
extern const int16_t kTree2[94];
extern const int16_t kTree3[1038];
extern const int16_t kTree4[416];
extern const int16_t kTree5[382];
extern const int16_t kTree6[62];

}  // namespace g7221ex

#endif  // VOKSC_EXAMPLE_G7221_TABLES_H

// Constant tables of the G.722.1 transforms and region coder (numbers of the ITU-T G.722.1
// fixed-point reference code): the sine windows of both directions and lengths, the rotation
// pairs (cosine, minus sine) of every DCT-IV stage, the 10-point core matrices, the bias and
// dither sequences, and the scalar-quantiser and Huffman tables of categories 0 to 6.
#ifndef VOKS_G7221_G7221_TABLES_H
#define VOKS_G7221_G7221_TABLES_H

#include <cstdint>

namespace voks::g7221 {

extern const int16_t kWindowAnalysis320[320];
extern const int16_t kWindowSynthesis320[320];
extern const int16_t kWindowAnalysis640[640];
extern const int16_t kWindowSynthesis640[640];
extern const int16_t kCosMsinAnalysis[1260];
extern const int16_t kCosMsinSynthesis[1260];
extern const int16_t kCoreAnalysis[100];
extern const int16_t kCoreSynthesis[100];
extern const int16_t kAnalysisBias[320];
extern const int16_t kSynthesisBias[320];
extern const int16_t kDither320[320];
extern const int16_t kDither640[640];
extern const int16_t kStdDevInverse[64];
extern const int16_t kStepInverse[8];
extern const int16_t kBitCount0[196];
extern const int16_t kBitCount1[100];
extern const int16_t kBitCount2[49];
extern const int16_t kBitCount3[625];
extern const int16_t kBitCount4[256];
extern const int16_t kBitCount5[243];
extern const int16_t kBitCount6[32];
extern const uint16_t kCode0[196];
extern const uint16_t kCode1[100];
extern const uint16_t kCode2[49];
extern const uint16_t kCode3[625];
extern const uint16_t kCode4[256];
extern const uint16_t kCode5[243];
extern const uint16_t kCode6[32];

// Offsets (in pairs) of the rotation stages of spans 20, 40, 80, 160, 320 and 640 within the
// cosine / minus-sine tables.
constexpr int kRotationOffset[6] = {0, 10, 30, 70, 150, 310};

// Per category 0..7: vector dimension, vectors per region, largest quantiser bin, dead-zone
// offset and its two low bits.
constexpr int kVectorDim[8] = {2, 2, 2, 4, 4, 5, 5, 1};
constexpr int kVectorCount[8] = {10, 10, 10, 5, 5, 4, 4, 20};
constexpr int kMaxBin[8] = {13, 9, 6, 4, 3, 2, 1, 1};
constexpr int kDeadZone[8] = {2457, 2703, 2949, 3195, 3440, 3686, 4096, 4096};
constexpr int kDeadZoneLow[8] = {2, 1, 0, 0, 3, 2, 0, 0};

}  // namespace voks::g7221

#endif  // VOKS_G7221_G7221_TABLES_H

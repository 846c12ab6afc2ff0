// G.728 coder constants (g728_consts.cpp).
#ifndef VOKSC_EXAMPLE_G728_CONSTS_H
#define VOKSC_EXAMPLE_G728_CONSTS_H

#include <cstdint>

namespace g728ex {

extern const int16_t kShapes[640];
extern const int16_t kWinSynthesis[105];
extern const int16_t kWinWeighting[60];
extern const int16_t kWinGain[34];
extern const int16_t kExpandSynthesis[50];
extern const int16_t kExpandGain[10];
extern const int16_t kWeightZeros[10];
extern const int16_t kWeightPoles[10];
extern const int16_t kPostZeros[10];
extern const int16_t kPostPoles[10];
extern const int16_t kErasureFade[50];
extern const int16_t kShapeDb[128];
extern const int16_t kGainDb[8];

}  // namespace g728ex

#endif  // VOKSC_EXAMPLE_G728_CONSTS_H

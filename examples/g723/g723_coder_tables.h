// Constant tables of the G.723.1 example coder.
#ifndef VOKS_EXAMPLES_G723_G723_CODER_TABLES_H
#define VOKS_EXAMPLES_G723_G723_CODER_TABLES_H

#include <cstdint>

namespace g723 {

extern const int16_t kPerceptualZero[10];  // perceptual weighting, zero and pole factors
extern const int16_t kPerceptualPole[10];
extern const int16_t kPostZero[10];  // formant post-filter, zero and pole factors
extern const int16_t kPostPole[10];
extern const int16_t kFixedGain[24];        // fixed-codebook gain levels
extern const int16_t kSharpLagOffset[170];  // 5.3 kbit/s pitch sharpening: lag offset and gain
extern const int16_t kSharpGain[170];
extern const int16_t kTamingGain170[170];  // pitch gain sums of the taming procedure
extern const int16_t kTamingGain85[85];
extern const int32_t kMaxPositionCode[4];   // largest valid MP-MLQ position code per sub-frame
extern const int32_t kCombinations[6][30];  // MP-MLQ position code
extern const int16_t kLsfMean[10];          // long-term LSF mean, the coders' first previous LSF

}  // namespace g723

#endif  // VOKS_EXAMPLES_G723_G723_CODER_TABLES_H

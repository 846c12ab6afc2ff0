// Constant tables of G.723.1.
#ifndef VOKS_G723_G723_TABLES_H
#define VOKS_G723_G723_TABLES_H

#include <cstdint>

namespace voks::g723 {

extern const int16_t kHammingWindow[180];  // LP analysis window
extern const int16_t kBinomialWindow[10];  // lag window of lags 1..10
extern const int16_t kBandExpansion[10];   // bandwidth expansion before the LSF search
extern const int16_t kCosine[512];         // cosine of the LSF scale
extern const int16_t kLsfMean[10];         // long-term LSF mean
extern const int16_t kLsfBand0[768];       // LSF split codebooks (3, 3, 4 elements)
extern const int16_t kLsfBand1[768];
extern const int16_t kLsfBand2[1024];
extern const int16_t kFixedGain[24];       // fixed-codebook gain levels
extern const int32_t kMaxPositionCode[4];  // largest valid MP-MLQ position code per sub-frame
extern const int16_t kPitchGain85[1700];   // five-tap gain codebooks, 20 values per entry
extern const int16_t kPitchGain170[3400];
extern const int16_t kPitchGainMax[2][20];   // largest magnitude of each value (85, 170)
extern const int16_t kPitchGain85T[20][96];  // the gain codebooks transposed, zero-padded
extern const int16_t kPitchGain170T[20][176];
extern const int16_t kPostPitchGain[2];    // pitch post-filter gain by rate (6.3, 5.3)
extern const int16_t kTamingGain170[170];  // pitch gain sums of the taming procedure
extern const int16_t kTamingGain85[85];
extern const int32_t kCombinations[6][30];  // MP-MLQ position code

}  // namespace voks::g723

#endif  // VOKS_G723_G723_TABLES_H

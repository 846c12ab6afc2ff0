// Constant tables of the G.729 gain quantisers, gain decoders, post-filters and the Annex D
// phase dispersion (values of the ITU-T G.729 reference code, main body and Annex D).
#ifndef VOKS_G729_GAIN_TABLES_H
#define VOKS_G729_GAIN_TABLES_H

#include <cstdint>

namespace voks::g729 {

// Two-stage gain codebooks: [row][0] pitch gain Q14, [row][1] correction factor (Q13 for the
// 8 kbit/s books, Q14 for the Annex D books).
extern const int16_t kGbk1[8][2];
extern const int16_t kGbk2[16][2];
extern const int16_t kImap1[8];   // bit-stream index -> first-stage row
extern const int16_t kImap2[16];  // bit-stream index -> second-stage row
extern const int16_t kThr1[4];    // pre-selection thresholds, Q14
extern const int16_t kThr2[8];    // Q15
extern const int16_t kCoef[2][2];
extern const int32_t kLCoef[2][2];
constexpr int16_t kInvCoef = -17103;  // Q19

extern const int16_t kGbk1_6k[8][2];
extern const int16_t kGbk2_6k[8][2];
extern const int16_t kImap1_6k[8];
extern const int16_t kImap2_6k[8];
extern const int16_t kThr1_6k[2];  // Q13
extern const int16_t kThr2_6k[2];  // Q15
extern const int16_t kCoef_6k[2][2];
extern const int32_t kLCoef_6k[2][2];
constexpr int16_t kInvCoef_6k = -28940;  // Q20

// Floating-point twins of the gain codebooks.
extern const float kGbk1_f[8][2];
extern const float kGbk2_f[16][2];
extern const float kGbk1_6k_f[8][2];
extern const float kGbk2_6k_f[8][2];

// Post-filter: powers of 0.7 and 0.55 in Q15 (A(z/0.7), A(z/0.55)), and the 1/8-resolution
// interpolation filters of the long-term post-filter (short: 7 phases x 4 taps, long: 7 x 16).
extern const int16_t kFacGamma1Pst[11];
extern const int16_t kFacGamma2Pst[11];
extern const int16_t kTabHupS[28];
extern const int16_t kTabHupL[112];

// Annex D phase-dispersion impulse responses (strong and medium dispersion), Q15.
extern const int16_t kPhImpLow[40];
extern const int16_t kPhImpMid[40];

}  // namespace voks::g729

#endif  // VOKS_G729_GAIN_TABLES_H

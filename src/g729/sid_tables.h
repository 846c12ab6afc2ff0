// Constant tables of the G.729 Annex B silence compression.
#ifndef VOKS_G729_SID_TABLES_H
#define VOKS_G729_SID_TABLES_H

#include <cstdint>

namespace voks::g729 {

extern const int16_t kHamWindow[240];
extern const int16_t kNoiseFg[2][4][10];
extern const int16_t kNoiseFgSum[2][10];
extern const int16_t kNoiseFgSumInv[2][10];
extern const int16_t kSidCb1Rows[32];
extern const int16_t kSidCb2Rows[2][16];
extern const int16_t kSidModeWeight[2];

extern const float kNoiseFgF[2][4][10];
extern const float kNoiseFgSumF[2][10];
extern const float kNoiseFgSumInvF[2][10];
extern const float kSidModeWeightF[2];

}  // namespace voks::g729

#endif  // VOKS_G729_SID_TABLES_H

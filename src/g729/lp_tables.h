// Constant tables of the G.729 linear prediction, LSP conversion and LSF quantisation.
#ifndef VOKS_G729_LP_TABLES_H
#define VOKS_G729_LP_TABLES_H

#include <cstdint>

namespace voks::g729 {

extern const int16_t kLspCb1[128][10];
extern const int16_t kLspCb2[32][10];
extern const int16_t kLspCb1T[10][128];
extern const int16_t kLspCb2T[10][32];
extern const int16_t kFg[2][4][10];
extern const int16_t kFgSum[2][10];
extern const int16_t kFgSumInv[2][10];
extern const int16_t kCos15[65];
extern const int16_t kSlopeCos[65];
extern const int16_t kAcos12[65];
extern const int32_t kLagWindow[12];
extern const int16_t kGrid60[61];
extern const int16_t kGrid50[51];
extern const int16_t kHybridWindow[145];

extern const float kLspCb1F[128][10];
extern const float kLspCb2F[32][10];
extern const float kFgF[2][4][10];
extern const float kFgSumF[2][10];
extern const float kFgSumInvF[2][10];
extern const float kGrid60F[61];
extern const float kGrid50F[51];
extern const float kHybridWindowF[145];

}  // namespace voks::g729

#endif  // VOKS_G729_LP_TABLES_H

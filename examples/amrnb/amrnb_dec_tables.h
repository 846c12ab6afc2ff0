// Constant tables of the GSM-AMR example decoder (the encoder uses the gain and math tables too).
#ifndef VOKSC_EXAMPLES_AMRNB_AMRNB_DEC_TABLES_H
#define VOKSC_EXAMPLES_AMRNB_AMRNB_DEC_TABLES_H

#include <cstdint>

namespace amrnb {
namespace tab {

extern const int16_t kGainPitch[16];
extern const int16_t kGainCode[96];
extern const int16_t kGainHigh[512];
extern const int16_t kGainLow[256];
extern const int16_t kGain475[1024];
extern const int16_t kDispLow795[40];
extern const int16_t kDispMid795[40];
extern const int16_t kDispLow[40];
extern const int16_t kDispMid[40];
extern const int16_t kLog2[33];
extern const int16_t kPow2[33];
extern const int16_t kInvSqrt[49];
extern const int16_t kSqrt[49];
extern const int16_t kLspInit[10];
extern const int16_t kMeanLsf[10];
extern const int16_t kPastRqInit[80];
extern const int16_t kWindow200[240];
extern const int16_t kHoming475[17];
extern const int16_t kHoming515[19];
extern const int16_t kHoming59[19];
extern const int16_t kHoming67[19];
extern const int16_t kHoming74[19];
extern const int16_t kHoming795[23];
extern const int16_t kHoming102[39];
extern const int16_t kHoming122[57];
extern const int16_t kLsfLsp[65];
extern const int16_t kLsfSlope[64];
extern const int16_t kSort475[95];
extern const int16_t kSort515[103];
extern const int16_t kSort59[118];
extern const int16_t kSort67[134];
extern const int16_t kSort74[148];
extern const int16_t kSort795[159];
extern const int16_t kSort102[204];
extern const int16_t kSort122[244];

}  // namespace tab
}  // namespace amrnb

#endif  // VOKSC_EXAMPLES_AMRNB_AMRNB_DEC_TABLES_H

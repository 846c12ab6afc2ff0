// Constant tables of the AMR-WB family.
#ifndef VOKS_AMRWB_AMRWB_TABLES_H
#define VOKS_AMRWB_AMRWB_TABLES_H

#include <cstdint>

namespace voks::amrwb {

extern const int16_t kIspCos[129];
extern const int16_t kIspSlope[128];
extern const int16_t kLog2[33];
extern const int16_t kInvSqrt[49];
extern const int16_t kPow2[33];
extern const int16_t kInterp4[128];
extern const int16_t kGrid100[101];
extern const int16_t kCorrWeight[199];
extern const int16_t kInterp4Corr[32];
extern const int16_t kMeanIsf[16];
extern const int16_t kIsfStage1a[256][9];
extern const int16_t kIsfStage1b[256][7];
extern const int16_t kIsf46Stage2a[64][3];
extern const int16_t kIsf46Stage2b[128][3];
extern const int16_t kIsf46Stage2c[128][3];
extern const int16_t kIsf46Stage2d[32][3];
extern const int16_t kIsf46Stage2e[32][4];
extern const int16_t kIsf36Stage2a[128][5];
extern const int16_t kIsf36Stage2b[128][4];
extern const int16_t kIsf36Stage2c[64][7];
extern const int16_t kMeanIsfNoise[16];
extern const int16_t kIsfNoise1[64][2];
extern const int16_t kIsfNoise2[64][3];
extern const int16_t kIsfNoise3[64][3];
extern const int16_t kIsfNoise4[32][4];
extern const int16_t kIsfNoise5[32][4];
extern const int16_t kGain6b[64][2];
extern const int16_t kGain7b[128][2];

}  // namespace voks::amrwb

#endif  // VOKS_AMRWB_AMRWB_TABLES_H

// Constant tables of the AMR-WB example decoder (values of the standard).
#ifndef VOKSC_EXAMPLES_AMRWB_AMRWB_DEC_TABLES_H
#define VOKSC_EXAMPLES_AMRWB_AMRWB_DEC_TABLES_H

#include <cstdint>

namespace amrwbex {
namespace dec {
namespace tab {

extern const int16_t kPhaseLow[64];
extern const int16_t kPhaseMid[64];
extern const int16_t kUpFir[120];
extern const int16_t kBand6k7k[31];
extern const int16_t kLow7k[31];
extern const int16_t kHfGain[16];
extern const int16_t kIspInit[16];
extern const int16_t kIsfInit[16];
extern const int16_t kHoming[9][32];
extern const int16_t kInter4[128];

}  // namespace tab
}  // namespace dec
}  // namespace amrwbex

#endif  // VOKSC_EXAMPLES_AMRWB_AMRWB_DEC_TABLES_H

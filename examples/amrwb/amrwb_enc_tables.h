// Constant tables of the AMR-WB example encoder.
#ifndef VOKSC_EXAMPLES_AMRWB_AMRWB_ENC_TABLES_H
#define VOKSC_EXAMPLES_AMRWB_AMRWB_ENC_TABLES_H

#include <cstdint>

namespace amrwbex::enc {

extern const int16_t kDownFir[120];     // 16 kHz to 12.8 kHz interpolation filter (4 phases of 30)
extern const int16_t kLpWindow[384];    // asymmetric LP analysis window
extern const int16_t kLagWindowHi[16];  // lag window in double precision
extern const int16_t kLagWindowLo[16];
extern const int16_t kFilt6k7k[31];  // 6-7 kHz band-pass of the high band (gain 4)

}  // namespace amrwbex::enc

#endif  // VOKSC_EXAMPLES_AMRWB_AMRWB_ENC_TABLES_H

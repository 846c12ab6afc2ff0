// Constant tables of the GSM-AMR linear prediction.
#ifndef VOKS_AMRNB_LP_TABLES_H
#define VOKS_AMRNB_LP_TABLES_H

#include <cstdint>

#include "amrnb/lp_internal.h"

namespace voks::amrnb {

// LP analysis windows: 200 + 40 samples (every rate but 12.2), 160 + 80 and 232 + 8 (the two
// analyses of 12.2 kbit/s).
extern const int16_t kWindow200[kWindowLen];
extern const int16_t kWindow160[kWindowLen];
extern const int16_t kWindow232[kWindowLen];

// cos(pi * i / 64) in Q15, i = 0..64 (entry 64 is -32768).
extern const int16_t kCos64[65];

// Lag weighting of the weighted open-loop search (index 250 weights the largest lag).
extern const int16_t kCorrWeight[251];

}  // namespace voks::amrnb

#endif  // VOKS_AMRNB_LP_TABLES_H

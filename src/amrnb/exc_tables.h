// Constant tables of the GSM-AMR adaptive codebook.
#ifndef VOKS_AMRNB_EXC_TABLES_H
#define VOKS_AMRNB_EXC_TABLES_H

#include <cstdint>

namespace voks::amrnb {

// 1/6-resolution interpolation filters: of the past excitation (10 taps each side) and of the
// normalised correlation in the fractional search (4 taps each side).
extern const int16_t kInterPred[61];
extern const int16_t kInterSearch[25];

}  // namespace voks::amrnb

#endif  // VOKS_AMRNB_EXC_TABLES_H

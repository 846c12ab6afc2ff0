// Constant tables of the AMR-WB family.
#ifndef VOKS_AMRWB_AMRWB_TABLES_H
#define VOKS_AMRWB_AMRWB_TABLES_H

#include <cstdint>

namespace voks::amrwb {

extern const int16_t kIspCos[129];
extern const int16_t kIspSlope[128];
extern const int16_t kLog2[33];

}  // namespace voks::amrwb

#endif  // VOKS_AMRWB_AMRWB_TABLES_H

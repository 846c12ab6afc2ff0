// Saturating 16/32-bit fixed-point operations of the AMR-WB example encoder's glue arithmetic:
// the examples' shared operators, the codec's shared composite ones, the encoder's division and
// signal scaling.
#ifndef VOKSC_EXAMPLES_AMRWB_AMRWB_ENC_OPS_H
#define VOKSC_EXAMPLES_AMRWB_AMRWB_ENC_OPS_H

#include <cstdint>

#include "amrwb/amrwb_ops.h"
#include "common/fixed_ops.h"

namespace amrwbex::enc {

using namespace fixed_ops;

// num / (denom_hi, denom_lo) for 0 <= num < denom, a normalised denominator (Q31).
int32_t div_32(int32_t num, int16_t denom_hi, int16_t denom_lo);
// x[i] = round((x[i] << 16) * 2^exp), saturating.
void scale_sig(int16_t* x, int n, int exp);

}  // namespace amrwbex::enc

#endif  // VOKSC_EXAMPLES_AMRWB_AMRWB_ENC_OPS_H

// Fixed-point operations of the AMR-WB example decoder's glue arithmetic: the examples' shared
// saturating operators, plus the few composite ones the decoder uses.
#ifndef VOKSC_EXAMPLES_AMRWB_AMRWB_DEC_OPS_H
#define VOKSC_EXAMPLES_AMRWB_AMRWB_DEC_OPS_H

#include <cstdint>

#include "amrwb/amrwb_ops.h"
#include "common/fixed_ops.h"

namespace amrwbex {
namespace dec {

using fixed_ops::abs_s;
using fixed_ops::add;
using fixed_ops::div_s;
using fixed_ops::extract_h;
using fixed_ops::extract_l;
using fixed_ops::L_abs;
using fixed_ops::L_add;
using fixed_ops::L_deposit_h;
using fixed_ops::L_Extract;
using fixed_ops::L_mac;
using fixed_ops::L_msu;
using fixed_ops::L_mult;
using fixed_ops::L_shl;
using fixed_ops::L_shr;
using fixed_ops::L_shr_r;
using fixed_ops::L_sub;
using fixed_ops::Mpy_32;
using fixed_ops::Mpy_32_16;
using fixed_ops::mult;
using fixed_ops::mult_r;
using fixed_ops::negate;
using fixed_ops::norm_l;
using fixed_ops::norm_s;
using fixed_ops::round16;
using fixed_ops::sat16;
using fixed_ops::sat32;
using fixed_ops::shl;
using fixed_ops::shr;
using fixed_ops::shr_r;
using fixed_ops::sub;

// Composite operators (amrwb_dec_dsp.cpp).
// 1/sqrt(x) in Q31.
int32_t isqrt(int32_t x);

}  // namespace dec
}  // namespace amrwbex

#endif  // VOKSC_EXAMPLES_AMRWB_AMRWB_DEC_OPS_H

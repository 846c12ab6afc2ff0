// Fixed-point helpers shared by the sub-band and double-talk controllers.
#ifndef VOKS_EC_CTRL_SUBBAND_H
#define VOKS_EC_CTRL_SUBBAND_H

#include <cstdint>

#include "ec/ctrl_internal.h"

namespace voks::ec {

int32_t sat32(__int128 v);
int64_t sat64(__int128 v);
// Q14 average (a*s + (16384 - a)*v + 8192) >> 14, unsaturated.
__int128 avg_q14(int32_t a, __int128 s, __int128 v);
// re^2 + im^2, exact.
__int128 mag2(const Vok32sc& z);
// The step numerator normalised until bit 30 is set (0 taken as 1); e_n counts the doublings.
int32_t norm_numerator(int32_t num, int& e_n);
// The step pair mun / P (P > 0) of the fixed-point division, exponent base - (e_p - e_n).
VokEcStep32s divide_step(int32_t mun, int e_n, int32_t P, int base);
// Per-bin array i of a fixed-point sub-band state (at its aligned address).
int32_t* bins16s(void* aligned_state, int i);
void sub_head_init_16s(Sub16s& h, int K, int S, int T, int fs);

}  // namespace voks::ec

#endif  // VOKS_EC_CTRL_SUBBAND_H

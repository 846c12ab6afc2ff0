// G.729 arithmetic shared by the pitch, gain and excitation code.
#ifndef VOKS_G729_G729_MATHOP_H
#define VOKS_G729_G729_MATHOP_H

#include <cstdint>

#include "common/mathop.h"

namespace voks::g729 {

// Base-2 logarithm of x > 0: exponent (integer part) and Q15 fraction; both 0 for x <= 0.
void ownLog2(int32_t x, int16_t& exponent, int16_t& fraction);
// 2^(exponent + fraction / 2^15) for exponent 0..30 and a Q15 fraction.
int32_t ownPow2(int16_t exponent, int16_t fraction);

// Pitch gain (Q14, limited to 1.2) of the filtered adaptive vector y against the target x over
// 40 samples; coeff receives <y,y> mantissa, 15 - exponent, <x,y> mantissa, 15 - exponent.
// xyStart is the starting value of the <x,y> accumulation (0 in G.729, 1 where a family says).
int16_t voksComputeAdaptiveCodebookGain_16s(int32_t xyStart, const int16_t* y, const int16_t* x,
                                            int16_t coeff[4]);
// The same, also returning the exact energies <y,y> and <x,x> it formed.
int16_t ownPitchGain(int32_t xyStart, const int16_t* y, const int16_t* x, int16_t coeff[4], int64_t& ey,
                     int64_t& ex);

// The L_mac chain start + sum_{i<n} L_mult(x[i], y[i]) when no partial sum can saturate
// (4 <x,x> <y,y> <= (MAX_32 - |start|)^2): true with the exact result, false (result untouched)
// when the step-by-step chain is needed.
bool ownMacChainExact(int32_t start, const int16_t* x, const int16_t* y, int n, int32_t& result);
// The same with the exact energies ex = <x,x> and ey = <y,y> already known.
bool ownMacChainExact(int32_t start, int64_t ex, int64_t ey, const int16_t* x, const int16_t* y, int n,
                      int32_t& result);
// The L_mac chain start + sum L_mult(x[i], x[i]) for start >= 0; overflow is set when it
// saturated (to MAX_32).
int32_t ownMacEnergy(int32_t start, const int16_t* x, int n, bool& overflow);

// Gain prediction from the four past quantised energies (Q10) and the innovation energy
// (sum of L_mac of the code vector with itself): predicted gain mantissa and exponent.
void ownGainPredict(const int16_t pastQuaEn[4], int32_t innovationEnergy, int16_t& gcode0,
                    int16_t& expGcode0);
// Innovation energy of a code vector as the reference accumulates it (saturating L_mac).
int32_t ownInnovationEnergy(const int16_t* code, int len);
// Shift the past energies and insert 20 log10 of the new quantised gain (Q13 sum) in Q10.
void ownGainUpdate(int16_t pastQuaEn[4], int32_t gainQ13);
// Erasure update: new value = mean of the four - 4096 (4 dB), not below -14336.
void ownGainUpdateErasure(int16_t pastQuaEn[4]);

}  // namespace voks::g729

#endif  // VOKS_G729_G729_MATHOP_H

// Shared internal operators of the fixed-point families: logarithm and power of two, inverse
// square roots, the G.729 pitch-gain computation, gain prediction, conversions and median.
#ifndef VOKS_COMMON_MATHOP_H
#define VOKS_COMMON_MATHOP_H

#include <cstdint>

namespace voks {

extern const int16_t Log2Table[33];
extern const int16_t tabpow[33];
extern const int32_t tabsqr[49];   // inverse-square-root table << 16
extern const int16_t tabsqr_d[48];  // 2 * (t[i] - t[i + 1])

// Base-2 logarithm of x > 0: exponent (integer part) and Q15 fraction; both 0 for x <= 0.
void ownLog2(int32_t x, int16_t& exponent, int16_t& fraction);
// 2^(exponent + fraction / 2^15) for exponent 0..30 and a Q15 fraction.
int32_t ownPow2(int16_t exponent, int16_t fraction);
// The G.729 Inv_sqrt: approximately 2^30 / sqrt(x) for x > 0; 0x3FFFFFFF for x <= 0.
int32_t ownInvSqrt(int32_t x);
// Normalised inverse square root on a (mantissa, exponent) pair, updated in place.
void ownInvSqrt_32s16s_I(int32_t& mantissa, int16_t& exponent);

// L_shl(x, n) for n <= norm_l(x): a normalising shift never saturates, so no step loop is needed.
inline int32_t ownNormShift(int32_t x, int16_t n) {
    return static_cast<int32_t>(static_cast<uint32_t>(x) << n);
}

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

// Median of n (1..32) values by repeated selection of the largest remaining value.
int16_t ownGmed_n(const int16_t* values, int n);

// dst[k] = sat16((src[k] + 2^(sf-1)) >> sf) (the rounding term wraps in 32 bits).
void voksConvert_NR_32s16s_Sfs(const int32_t* src, int16_t* dst, int len, int sf);
// dst[k] = sat16(src[k] >> sf), sf >= 0.
void ownConvert_32s16s_sfs(const int32_t* src, int16_t* dst, int len, int sf);
// Exact dot product (not doubled) in 64 bits, scaled and saturated to 32 bits: sf > 0 rounds
// half to even, sf < 0 shifts left with saturation; |sf| limited to 31.
int32_t voksDotProd_16s32s_Sfs(const int16_t* a, const int16_t* b, int len, int sf);

}  // namespace voks

#endif  // VOKS_COMMON_MATHOP_H

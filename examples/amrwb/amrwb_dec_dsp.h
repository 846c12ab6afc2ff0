// Signal-processing steps of the AMR-WB example decoder that the library has no operation for:
// the order-16 ISP to LP conversion with adaptive scaling (comfort noise), the 16-bit synthesis
// filter and weighting of the high band, the 12.8 to 16 kHz interpolation, the high-band FIR
// filters, the ISF extrapolation to order 20, phase dispersion, the voicing factor and the gain
// control of the pitch sharpening.
#ifndef VOKSC_EXAMPLES_AMRWB_AMRWB_DEC_DSP_H
#define VOKSC_EXAMPLES_AMRWB_AMRWB_DEC_DSP_H

#include <cstdint>

namespace amrwbex {
namespace dec {

// 16 ISPs to 17 LP coefficients (Q12), halving all of them (a[0] too) as often as the largest
// needs to fit 16 bits.
void isp_to_lpc_scaled(const int16_t* isp, int16_t* a);
// ap[i] = a[i] gamma^i (Q15 gamma), order m.
void weight_lpc(const int16_t* a, int16_t* ap, int16_t gamma, int m);
// 16-bit synthesis filter 1/A(z) of order m (<= 20) over n (<= 80) samples; mem holds the last m
// outputs and is updated. y may be x.
void synthesis16(const int16_t* a, int m, const int16_t* x, int16_t* y, int n, int16_t* mem);
// In place 31-tap FIR (Q15 taps) of n (<= 80) samples, the input shifted right by `shift` first;
// mem holds the last 30 inputs.
void fir31(int16_t* sig, int n, int16_t* mem, const int16_t* taps, int shift);
// 64 samples at 12.8 kHz to 80 at 16 kHz; mem holds the last 24 inputs.
void upsample_16k(const int16_t* in, int16_t* out, int16_t* mem);
// 16 ISFs (the first 16 of hf) extended to 20 for the 16 kHz band and converted to ISPs in hf.
void isf_extrapolate(int16_t* hf);
// Phase dispersion of the code vector: level 0 strong, 1 medium, 2 none, adapted to the gains;
// mem: 8 words (state, last code gain, 6 past pitch gains).
void phase_dispersion(int16_t gain_code, int16_t gain_pit, int16_t* code, int level, int16_t* mem);
// The adaptive vector's sample exc[n] interpolated from the past at lag t0 + frac / 4 (the
// samples before n already in place).
int16_t adaptive_sample(const int16_t* exc, int n, int t0, int frac);
// Scales out[] to the energy of in[].
void agc2(const int16_t* in, int16_t* out, int n);
// x[i] = round(x[i] 2^(16 + e)) with saturation.
void scale_signal(int16_t* x, int n, int e);

}  // namespace dec
}  // namespace amrwbex

#endif  // VOKSC_EXAMPLES_AMRWB_AMRWB_DEC_DSP_H

// Signal-processing steps of the AMR-WB example encoder that the library does not export:
// resampling, LP analysis, the 16-bit synthesis and weighting filters and the excitation glue.
#ifndef VOKSC_EXAMPLES_AMRWB_AMRWB_ENC_DSP_H
#define VOKSC_EXAMPLES_AMRWB_AMRWB_ENC_DSP_H

#include <cstdint>

namespace amrwbex::enc {

constexpr int kM = 16;         // LP order
constexpr int kFrame = 256;    // samples per frame at 12.8 kHz
constexpr int kSubfr = 64;     // samples per subframe at 12.8 kHz
constexpr int kFrame16 = 320;  // samples per frame at 16 kHz
constexpr int kSubfr16 = 80;
constexpr int kWindow = 384;  // LP analysis window
constexpr int kPitMax = 231;
constexpr int kInterpol = 17;  // past samples of the fractional-lag interpolation

// 16 kHz to 12.8 kHz: lg input samples to lg * 4 / 5 outputs; mem holds 30 past inputs.
void decim_12k8(const int16_t* in, int lg, int16_t* out, int16_t* mem);
// Windowed autocorrelation r[0..16] of 384 samples in double precision, r[0] normalised.
void autocorr(const int16_t* x, int16_t* r_h, int16_t* r_l);
// Multiplies r[1..16] by the lag window.
void lag_window(int16_t* r_h, int16_t* r_l);
// Levinson-Durbin recursion to 17 LP coefficients (Q12); an unstable step gives the last
// stable filter kept in mem (18 words).
void levinson(const int16_t* r_h, const int16_t* r_l, int16_t* a, int16_t* mem);
// ap[i] = a[i] gamma^i, order m.
void weight_a(const int16_t* a, int16_t* ap, int16_t gamma, int m);
// 1/A(z) of order m on lg samples (lg <= 80), mem the m past outputs (updated when update).
void syn_filt(const int16_t* a, int m, const int16_t* x, int16_t* y, int lg, int16_t* mem, bool update);
// The same filter with the input gain a0 and output shift sh given: y[i] = round(L_shl(L_mult(x[i],
// a0) - 2 sum a[j] y[i - j], sh)), the saturating chain of 16-bit operations.
void syn_filt_q(const int16_t* a, int m, int16_t a0, int16_t sh, const int16_t* x, int16_t* y, int lg,
                int16_t* mem, bool update);
// Low-pass and decimation by 2 in place (l samples in, l / 2 out); mem holds 3 past inputs.
void lp_decim2(int16_t* x, int l, int16_t* mem);
// y = x * h truncated to n samples (h Q15).
void convolve(const int16_t* x, const int16_t* h, int16_t* y, int n);
// x2 = x - gain y (gain Q14).
void updt_tar(const int16_t* x, int16_t* x2, const int16_t* y, int16_t gain, int n);
// x[i] += sharp x[i - lag] from i = lag.
void pit_shrp(int16_t* x, int lag, int16_t sharp, int n);
// The 6-7 kHz band-pass on 80 samples in place; mem holds 30 past inputs.
void filt_6k_7k(int16_t* x, int lg, int16_t* mem);

}  // namespace amrwbex::enc

#endif  // VOKSC_EXAMPLES_AMRWB_AMRWB_ENC_DSP_H

// G.729 excitation search: open-loop and closed-loop pitch, adaptive-vector interpolation, pitch
// gain, impulse-response correlation matrix and the algebraic codebook searches (main body,
// Annexes A, D and E). Fixed-point routines reproduce the ITU-T reference arithmetic.
#ifndef VOKS_G729_EXC_INTERNAL_H
#define VOKS_G729_EXC_INTERNAL_H

#include <cstdint>

namespace voks::g729 {

constexpr int kSubfr = 40;
constexpr int kPitMin = 20;
constexpr int kPitMax = 143;
constexpr int kExcHist = 154;               // past excitation in the 16s buffer (143 + 11)
constexpr int kExcLen = kExcHist + kSubfr;  // 194
constexpr int kMatrixLen = 616;             // 5 diagonal blocks of 8 + 9 cross blocks of 64
// Offsets of the cross blocks rr01 .. rr24 in the matrix.
constexpr int kR01 = 40, kR02 = 104, kR03 = 168, kR04 = 232, kR12 = 296, kR13 = 360, kR14 = 424, kR23 = 488,
              kR24 = 552;

// Normalised-correlation interpolation filter (4 taps a side at 1/3 resolution).
inline constexpr int16_t inter_3[13] = {29519, 24906, 13896, 2755, -3459, -3969, -1561, 534, 1023, 516, 0, -194, 0};
// Excitation interpolation filter (10 taps a side at 1/3 resolution).
inline constexpr int16_t inter_3l[31] = {29443, 25207, 14701, 3143, -4402, -5850, -2783, 1211, 3130, 2259, 0,
                              -1652, -1666, -464,  756,  1099,  550,   -245,  -634, -451, 0,    308,
                              296,   78,    -120,  -165, -79,   34,    91,    70,   0};
extern const float inter_3l_32f[31];

// Signs of the backward-filtered target: sgn[i] = MAX_16 where dn[i] >= 0, else MIN_16 with
// dn[i] replaced by its saturated magnitude.
void split_signs(int16_t* dn, int16_t* sgn, int n);

// L_mac chain sum_{i<n} 2*a[i]*b[i] from 0, saturating after every step.
int32_t mac_chain(const int16_t* a, const int16_t* b, int n);

// Search range of the closed-loop pitch for an open-loop delay (sub-frame 0) or the integer
// delay of sub-frame 0 (sub-frame 1).
void pitch_range(int delay, int subframe, int& tmin, int& tmax);

// Pitch_ol (G.729) and Pitch_ol_fast (Annex A): x at the frame start, x[-143..79] read.
int16_t pitch_ol(const int16_t* x);
int16_t pitch_ol_fast(const int16_t* x);
int32_t pitch_ol_fast_32f(const float* x);

// Pred_lt_3: exc points at the current sub-frame (at least T0 + 11 samples before it);
// writes exc[0..39]. frac in -1..1.
void pred_lt_3(int16_t* exc, int t0, int frac);
void pred_lt_3_32f(float* exc, int t0, int frac);

// Closed-loop searches; exc at the current sub-frame. G.729 and Annex A build the adaptive
// vector into exc[0..39]; Annex D only returns the delay.
void pitch_fr3(int16_t* exc, const int16_t* xn, const int16_t* h, int tmin, int tmax, int subframe,
               int16_t& t0, int16_t& frac);
void pitch_fr3_fast(int16_t* exc, const int16_t* xn, const int16_t* h, int tmin, int tmax, int subframe,
                    int16_t& t0, int16_t& frac);
void pitch_fr3_d(const int16_t* exc, const int16_t* xn, const int16_t* h, int tmin, int tmax, int subframe,
                 int16_t& t0, int16_t& frac);

// Partial convolution y[n] = sat16(L_shl(sum_{i<=n} L_mac x[i]*h[n-i], 3) >> 16) (Convolve).
void convolve_q12(const int16_t* x, const int16_t* h, int16_t* y);
// Pitch gain (G_pitch) of y against x, Q14.
int16_t pitch_gain(const int16_t* x, const int16_t* y);
// Target update x2 = x - y*g (g in Q14) with the reference coder's saturation.
void target_update(int16_t g, const int16_t* y, const int16_t* x, int16_t* x2);

// Cor_h on the 32-bit halves: m32[k] = (L_mac chain) >> 1 of the scaled response.
void cor_h_32(const int16_t* h, int32_t* m32);
// Cor_h_X of Annex A and the main body (saturating L_mac sums, normalised to 13 bits).
void cor_h_x(const int16_t* h, const int16_t* x, int16_t* d);

// D4i40_17 (G.729, 17 bits): dn (40, modified), rr (616, modified); time carries the counter.
void acelp_17(int16_t* dn, int16_t* rr, int subframe, int16_t& time, int16_t* code, int16_t& sign,
              int16_t& index);
// D4i40_17_fast (Annex A).
void acelp_17_fast(int16_t* dn, int16_t* rr, int16_t* code, int16_t& sign, int16_t& index);
// D2i40_11 (Annex D, 11 bits) with its own correlation matrix built from h.
void acelp_11(int16_t* dn, const int16_t* h, int16_t* code, int16_t* y, int16_t& sign, int16_t& index);

// ACELP_12i40_44bits (pulses12) or ACELP_10i40_35bits of Annex E: target x, LTP residual cn,
// Q12 response; code (Q12), filtered code (Q11) and five index words.
void acelp_annex_e(bool pulses12, const int16_t* x, const int16_t* cn, const int16_t* h, int16_t* code,
                   int16_t* y, int16_t* indx);

// Single-precision twins of the excitation search.
// Open-loop lag of the decimated search (x[-143..79] read).
int32_t pitch_ol_fast_32f(const float* x);
// Pred_lt_3 in single precision at exc (history at negative offsets).
void pred_lt_3_32f(float* exc, int t0, int frac);
// Correlations of the unscaled response in the 616 layout.
void toepliz_32f(const float* h, float* m);
// y[i] = y[i-1] + v h[i] for i = len-1 .. 1, then y[0] = v.
void filtered_excitation_32f(const float* h, float* y, int len, float v);

// D4i40_17 in single precision: d (40), matrix (616, sign-modified in place), budget carried in
// time_io; code +-1; idx {position word, sign word}.
void acelp_17_32f(const float* d, float* rr, int subframe, int32_t& time_io, float* code, int32_t* idx);
// D4i40_17_fast in single precision.
void acelp_17_fast_32f(const float* d, float* rr, float* code, int32_t* idx);
// Correlations for the Annex D search: diagonal blocks, then the cross blocks (0,1), (1,1),
// (0,3), (3,4), (1,2), (1,3), (1,4), (2,3) of 64 elements each (552 elements).
void toepliz_d_32f(const float* h, float* m);
// D2i40_11 in single precision: code and filtered code, sign word and Gray-coded position index.
void acelp_11_32f(const float* d, const float* h, float* code, float* y, int32_t& sign, int32_t& index);

// Annex E 44-bit (pulses12) or 35-bit search in single precision; code +-1 per pulse, filtered
// code, five index words as in the fixed-point search.
void acelp_annex_e_32f(bool pulses12, const float* x, const float* cn, const float* h, float* code, float* y,
                       int32_t* indx);

}  // namespace voks::g729

#endif  // VOKS_G729_EXC_INTERNAL_H

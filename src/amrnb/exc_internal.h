// GSM-AMR algebraic codebook decoding and pitch gain: the implementations behind the exported
// operations, callable directly by the codec code.
#ifndef VOKS_AMRNB_EXC_INTERNAL_H
#define VOKS_AMRNB_EXC_INTERNAL_H

#include <cstdint>

namespace voks::amrnb {

// Index words of a subframe's fixed codebook at a rate (2, 7 or 10).
int fixed_index_words(int mode);

// The reference decoder of the rate: code[0..39] from the index words; subframe 0..3 picks
// the track starts at 4.75 and 5.15 kbit/s.
void fixed_decode(const int16_t* index, int16_t* code, int subframe, int mode);

// G_pitch: the pitch gain (Q14, at most 19661, low bits kept) of the target x and the
// filtered adaptive vector y (40 samples); coeff, when given, receives {yy, 15 - expYY, xy,
// 15 - expXY}.
int16_t pitch_gain(const int16_t* x, const int16_t* y, int16_t* coeff);

// Pred_lt_3or6: exc[0..39] interpolated from exc[-t0 ..] at fraction frac (thirds when flag3,
// else sixths); exc needs 154 past samples.
void pred_lt(int16_t* exc, int t0, int frac, bool flag3);

// Pitch_fr with its index coding and the adaptive vector: exc points at the current subframe
// (154 past samples before it, the LP residual in it), t_op holds the two open-loop lags,
// prev_lag the integer lag of the previous subframe (updated). Returns the integer lag.
int16_t pitch_search(const int16_t* xn, const int16_t* h, const int16_t* t_op, int16_t& prev_lag,
                     int16_t* exc, int16_t& frac, int16_t& index, int subframe, int mode);

// Dec_lag3 / Dec_lag6 with the decoder's erasure handling: the lag and fraction to interpolate
// (lag holds the previous subframe's lag on entry at 12.2), the decoded lag in lag_buf, and at
// rates other than 12.2 the previous lag incremented on a bad frame. Returns false, changing
// nothing, when the lag would fall outside the excitation history.
bool pitch_decode(int index, int16_t& prev_lag, int16_t& lag_buf, int16_t& lag, int16_t& frac, int subframe,
                  bool bfi, bool background, int16_t voiced_hangover, int mode);

// cbsearch: the algebraic codebook search of the rate with pitch sharpening (factor
// 2 * pitch_sharp, saturated) of the impulse response h_io (in place) and of the code vector
// when t0 < 40; res is the LTP residual (10.2, 12.2). Writes the code vector, its filtered
// form and the index words (2, 7 or 10).
void fixed_search(int t0, int16_t pitch_sharp, const int16_t* x, const int16_t* res, int16_t* h_io,
                  int16_t* code, int16_t* y, int16_t* words, int subframe, int mode);

// Post_Filter on one frame: a_q holds 4 x 11 coefficients; hist the last 10 input samples of
// the previous frame, syn_mem the 10 last outputs of the synthesis filter; out may alias speech.
void post_filter(const int16_t* a_q, const int16_t* speech, int16_t* preemph_mem, int16_t* past_gain,
                 int16_t* hist, int16_t* syn_mem, int16_t* out, int mode);

}  // namespace voks::amrnb

#endif  // VOKS_AMRNB_EXC_INTERNAL_H

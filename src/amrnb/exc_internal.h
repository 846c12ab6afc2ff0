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

// Post_Filter on one frame: a_q holds 4 x 11 coefficients; hist the last 10 input samples of
// the previous frame, syn_mem the 10 last outputs of the synthesis filter; out may alias speech.
void post_filter(const int16_t* a_q, const int16_t* speech, int16_t* preemph_mem, int16_t* past_gain,
                 int16_t* hist, int16_t* syn_mem, int16_t* out, int mode);

}  // namespace voks::amrnb

#endif  // VOKS_AMRNB_EXC_INTERNAL_H

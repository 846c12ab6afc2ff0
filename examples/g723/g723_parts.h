// Steps shared by the G.723.1 example encoder, decoder and comfort-noise parts.
#ifndef VOKSC_EXAMPLE_G723_PARTS_H
#define VOKSC_EXAMPLE_G723_PARTS_H

#include <cstdint>

#include "g723/g723_codec.h"

namespace g723 {

constexpr int kSub = 60;
constexpr int kHist = 145;

// Scales v[0..n) to 3 leading sign bits; returns the shift minus 3.
int16_t vec_norm(int16_t* v, int n);
// Interpolated LPC of the four sub-frames between the previous and the current LSF.
void interpolate_lpc(const int16_t* cur, const int16_t* prev, int16_t* lpc40);
// The coder's pseudo-random generator.
int16_t next_random(int16_t* seed);
int16_t random_below(int16_t n, int16_t* seed);
int16_t sqrt_q15(int32_t x);

// Algebraic codebook of the 5.3 kbit/s rate for the target x and impulse response h (both
// changed: x becomes the scaled, sharpened code vector) at the sub-frame's pitch lag and gain
// index; fills the pulses and gain of s.
void acelp_code(int16_t* x, int16_t* h, int lag, int16_t gain_index, int16_t* budget, Sub& s);
// Formant post-filter, tilt compensation and gain control of a synthesised sub-frame; returns
// the energy before post-filtering.
int32_t formant_postfilter(Decoder* d, int16_t* x, const int16_t* lpc);

// Comfort noise: SID gain index of averaged energies (count 0: one energy with its shift).
int16_t quantise_sid_gain(const int16_t* energy, const int16_t* shift, int count);
int16_t decode_sid_gain(int16_t index);
// Random excitation of a comfort-noise frame; fills the frame's pitch parameters and shifts
// prev_exc.
void random_excitation(int16_t gain, int16_t* prev_exc, int16_t* exc, int16_t* seed, Params& p);

// Voice-activity detector: false when the frame (after the high-pass) is noise.
void vad_init(Vad* v);
bool vad_decide(Vad* v, const int16_t* x, int16_t sine);
// The encoder's comfort-noise frame: returns the frame type (0 untransmitted, 2 SID), fills
// the excitation and the sub-frame LPC.
void cng_init(EncoderCng* c);
void cng_update_acf(EncoderCng* c, const int16_t* acf44, const int16_t* shift4);
int cng_encode(Encoder* e, int16_t* exc, Params& p, int16_t* lpc40);

}  // namespace g723

#endif  // VOKSC_EXAMPLE_G723_PARTS_H

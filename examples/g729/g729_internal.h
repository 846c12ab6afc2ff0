// Steps of the G.729 frame loops (g729_codec.cpp) that the 11.8 kbit/s coder (g729_decoder_e.cpp)
// shares, and the hooks through which the 6.4 and 8 kbit/s decoder keeps the 11.8 kbit/s state.
#ifndef VOKSC_EXAMPLE_G729_INTERNAL_H
#define VOKSC_EXAMPLE_G729_INTERNAL_H

#include <cstdint>

#include "g729/g729_codec.h"

namespace g729 {
namespace detail {

// Counts an operation that reported an error (a negative status).
int chk(int32_t* faults, int status);

void interpolate_filters(int32_t* F, const int16_t* lsp_old, const int16_t* lsp_new, int16_t* az);
void decode_lag(int index, int subframe, int* t0, int* frac);
void build_excitation(int32_t* F, int16_t* exc, int16_t gain_pit, const int16_t* code, int16_t gain_code);
void sharpen(int32_t* F, int16_t* x, int t0, int16_t sharp);
int16_t clamp_sharp(int16_t g);
int16_t next_random(int16_t* seed);

// Encoder steps.
void lp_analysis(Encoder* enc, int16_t* a, int16_t* rc);
void weighting_factors(Encoder* enc, const int16_t* rc, int16_t* lsf_int, int16_t* lsf_new, int16_t gamma1[2],
                       int16_t gamma2[2]);
int16_t encode_lag(int t0, int frac, int subframe, int* t0_min);
bool taming_needed(const int32_t* exc_err, int t0, int frac);
void update_taming(int32_t* exc_err, int16_t gain_pit, int t0);
void shift_histories(Encoder* enc);
int16_t gain_index(const int16_t rows[2]);  // gain codebook rows to the 7-bit index

// Hooks of the 6.4 / 8 kbit/s encoder.
void encoder_high_init(Encoder* enc);
// Quantised (or, for the weighting, unquantised) filters of a forward frame: interpolated unless
// the previous frame was backward-adaptive.
void high_filters(Encoder* enc, const int16_t* lsp_old, const int16_t* lsp_new, int16_t* az);
// After each sub-frame: its 40 synthesised samples; after the second, the frame's quantised
// filters aq (two sub-frames of order 10).
void encoder_after_low(Encoder* enc, const int16_t* aq, const int16_t* synth40, int subframe);
// An active 11.8 kbit/s frame after the forward analysis (pre-processed speech, a the forward
// filter, rc its reflection coefficients, lsp_new its LSPs).
void encode_high(Encoder* enc, const int16_t* a, const int16_t* rc, const int16_t* lsp_new, int16_t* params);
// Music-detection history: the open-loop delay of an active frame, the pitch gain of a sub-frame.
void note_open_loop(Encoder* enc, int16_t t_op);
void note_pitch_gain(Encoder* enc, int16_t gain);

// Hooks of the 6.4 / 8 kbit/s decoder.
void high_init(Decoder* dec);
// The filters of a forward frame: interpolated unless the previous frame was backward-adaptive.
void forward_filters(Decoder* dec, const int16_t* lsp_new, int16_t* az);
// Pitch tracking after each sub-frame's delay (t0, frac, whether decoded from the stream).
void track_pitch_low(Decoder* dec, int frac, bool good);
// Bookkeeping after a frame of either rate: synthesis history, dominance, concealment factors.
void high_after_low(Decoder* dec, bool erased, int16_t voicing_in, const int16_t* synth, const int16_t* az);
// The post-filter's order-30 memory after an 8 kbit/s sub-frame (out: its 40 outputs of 1/A(z/g1)).
void keep_post_memory(Decoder* dec, const int16_t* out);

bool decode_high(Decoder* dec, const int16_t* params, bool erased, int16_t* pcm);

// Backward LP analysis shared by the 11.8 kbit/s encoder and decoder.
void lp_init(BackwardLp* lp);
// The order-30 filter (expanded) of the past synthesis into a[0..30].
void backward_filter(int32_t* F, BackwardLp* lp, int16_t* a);
// a[31..61] (second sub-frame) moves towards prev by the factor c_int, which then decays; a[0..30]
// (first sub-frame) becomes halfway between the two.
void interpolate_backward(int16_t* a, const int16_t* prev, int16_t* c_int);
// a = (4096 - c) a + c b for the 31 coefficients, c in Q12.
void blend(int16_t* a, const int16_t* b, int16_t c);
// Energy of 80 samples as a Q11 log2 (1 for near silence).
int16_t energy_db(const int16_t* x);
// Counts frames of each mode; *dominant = 1 when backward frames are four times as frequent.
void count_lp_mode(int16_t* count_bwd, int16_t* count_fwd, int16_t* dominant, int lp_mode);

}  // namespace detail
}  // namespace g729

#endif  // VOKSC_EXAMPLE_G729_INTERNAL_H

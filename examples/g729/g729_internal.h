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

}  // namespace detail
}  // namespace g729

#endif  // VOKSC_EXAMPLE_G729_INTERNAL_H

// G.729 Annex B encoder side (discontinuous transmission) around the G.729 / G.729A encoder of
// g729_codec.h: voice-activity detection, the choice between SID and untransmitted frames for
// inactive speech, SID energy and spectrum quantisation, and the comfort-noise excitation that
// keeps the encoder's memories in step with the decoder's.
#ifndef VOKSC_EXAMPLE_G729_DTX_H
#define VOKSC_EXAMPLE_G729_DTX_H

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "g729/g729_cng.h"
#include "g729/g729_codec.h"
#include "g729/g729_music.h"
#include "g729/g729_vad.h"

namespace g729 {

constexpr int kAcfLen = kOrder + 1;

struct DtxEncoder {
    Encoder enc;
    Vad vad;
    int16_t frame;                // frame counter of the detector
    int16_t past_vad, ppast_vad;  // decisions of the two previous frames
    int16_t seed;                 // comfort-noise generator, restarted by every speech frame
    FrameType type;               // type of the frame just coded
    // Comfort-noise analysis.
    int16_t lsp_sid_q[kOrder];    // quantised LSPs of the last SID frame
    int16_t past_coeff[kAcfLen];  // filter of the averaged past autocorrelations
    int16_t r_coeff[kAcfLen];     // autocorrelation of the reference filter
    int16_t sh_r_coeff;
    int16_t acf[2 * kAcfLen];  // autocorrelations of the last two frames
    int16_t sh_acf[2];
    int16_t sum_acf[3 * kAcfLen];  // sums of pairs of frames, newest first
    int16_t sh_sum_acf[3];
    int16_t ener[2];  // residual energies of the last two inactive frames
    int16_t sh_ener[2];
    int16_t fr_cur;  // frames into the current pair
    int16_t cur_gain;
    int16_t nb_ener;
    int16_t sid_gain;
    int16_t flag_chang;   // the spectrum or energy moved since the last SID frame
    int16_t prev_energy;  // quantised energy (dB) of the last SID frame
    int16_t count_fr0;    // frames since the last SID frame
    MusicDetector music;
};

// The encoder's hook finds the DtxEncoder around its Encoder, so a DtxEncoder may be copied.
static_assert(std::is_standard_layout<DtxEncoder>::value && offsetof(DtxEncoder, enc) == 0,
              "the Encoder opens the DtxEncoder");

// With dtx false every frame is speech, exactly as encode() alone.
void dtx_encoder_init(DtxEncoder* d, Variant variant, bool dtx);

// Encodes one frame of 80 samples: kSpeech (11 parameters), kSid (4 parameters as decode_dtx
// takes them) or kUntransmitted (none). Returns the type; *ok false when a library operation
// reported an error in this frame. Speech frames are coded at `rate` (Rate::Low: 10 parameters).
FrameType encode_dtx(DtxEncoder* d, const int16_t* pcm, int16_t* params, bool* ok, Rate rate = Rate::Full);

// ITU serial frame of any type: 2 + length words (80 speech, 16 SID with one zero padding bit,
// 0 untransmitted). Returns the number of words written.
int frame_to_serial(FrameType type, const int16_t* params, int16_t* serial);

}  // namespace g729

#endif  // VOKSC_EXAMPLE_G729_DTX_H

// G.729 Annex B decoder side (discontinuous transmission): SID frames, untransmitted frames and
// comfort-noise generation around the G.729 / G.729 Annex A decoder of g729_codec.h.
//
// A SID frame carries 15 bits: 0 LSF predictor mode (1 bit)  1 first-stage index (5)
// 2 second-stage index (4)  3 energy index (5). In the ITU serial format it has length word 16
// (one padding bit), an untransmitted frame length 0 and a speech frame length 80.
#ifndef VOKSC_EXAMPLE_G729_CNG_H
#define VOKSC_EXAMPLE_G729_CNG_H

#include <cstdint>

#include "g729/g729_codec.h"

namespace g729 {

enum FrameType : int16_t { kUntransmitted = 0, kSpeech = 1, kSid = 2 };

constexpr int kSidParams = 4;
constexpr int kSidSerialBits = 16;  // length word of a SID frame: the 15 bits and one padding bit

struct DtxDecoder {
    Decoder dec;
    int16_t past_type;        // type of the previous frame as decoded (an erased frame takes 1 or 0)
    int16_t seed;             // comfort-noise generator, restarted by every speech frame
    int16_t sid_sav;          // excitation energy of the last frame received intact (mantissa)
    int16_t sh_sid_sav;       // and its exponent
    int16_t sid_gain;         // dequantised energy of the last SID frame
    int16_t cur_gain;         // smoothed comfort-noise gain
    int16_t lsp_sid[kOrder];  // LSP of the last SID frame
    Rate past_rate;           // rate of the last speech frame: an erased frame is concealed at it
};

void dtx_decoder_init(DtxDecoder* d, Variant variant);

// Decodes one frame of the given type: params holds 11 speech parameters (kSpeech), 4 SID
// parameters (kSid) or nothing (kUntransmitted). `erased` marks a lost frame: after a speech frame
// it is concealed as speech, otherwise as an untransmitted frame. Returns false when a library
// operation reported an error in this frame. A speech frame is decoded at `rate` (Rate::Low: 10
// parameters); an erased frame, whatever its length said, at the rate of the last speech frame.
bool decode_dtx(DtxDecoder* d, FrameType type, const int16_t* params, bool erased, int16_t* pcm,
                Rate rate = Rate::Full);

// Comfort-noise excitation of one frame at old_exc + 154 (the adaptive history before it) for the
// target gain: per sub-frame a random delay, pulse set and pitch gain, a scaled Gaussian vector
// and a pulse gain meeting the gain. taming (nullable) receives the pitch gain (Q14) and the delay
// of both sub-frames, for the encoder's taming bookkeeping; dispersion (nullable) the pitch gain and
// the pulse gain's magnitude of both sub-frames (zeros for a zero target gain), which the decoder's
// 6.4 kbit/s phase-dispersion state follows.
void comfort_noise_excitation(int32_t* faults, int16_t cur_gain, int16_t* old_exc, int16_t* seed,
                              int16_t* taming, int16_t* dispersion = nullptr);

// SID energy index (0..31) of the energy x 2^-sh.
int16_t quantise_sid_energy(int32_t x, int16_t sh);

// Parses one ITU serial frame of 2 + serial[1] words (serial[1] 80, 16 or 0) into its type and
// parameters (another length is the caller's to reject). Returns true when the frame is erased:
// a sync word other than 0x6B21, or any bit word equal to 0.
bool serial_to_frame(const int16_t* serial, FrameType* type, int16_t* params);

}  // namespace g729

#endif  // VOKSC_EXAMPLE_G729_CNG_H

// AMR-WB (wide-band AMR) decoder built on the library's public operations: the nine coding
// modes, bad-frame concealment, comfort noise from silence descriptors, the 6.4-7 kHz high band
// and the decoder homing frames, bit-exact to the 3GPP fixed-point reference decoder.
#ifndef VOKSC_EXAMPLES_AMRWB_AMRWB_DEC_H
#define VOKSC_EXAMPLES_AMRWB_AMRWB_DEC_H

#include <cstdint>
#include <memory>

#include "amrwb/amrwb_bits.h"

namespace amrwbex {

constexpr int kFrameSamples = 320;

class Decoder {
public:
    Decoder();
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // Resets the decoder to its initial state.
    void init();

    // Decodes one frame of parameter words into 320 samples at 16 kHz (full 16-bit output):
    // rx_type one of RxType; the parameters follow param_width(mode) for the speech types and
    // param_width(kSid) for the SID and no-data types (bits above a field's width are ignored);
    // lost and no-data frames read none.
    // False, silence written, for a mode outside 0..8 or an unknown type.
    bool decode(int mode, const int16_t* params, int rx_type, int16_t* pcm);

    // Decodes a received frame as the reference decoder program does: lost and no-data frames
    // take the mode of the last frame that had one, decoder homing frames give the encoder
    // homing frame and reset the decoder, and the two least significant bits of the output are
    // cleared. False, silence written, for a mode or type out of range.
    bool decode_frame(const Frame& frame, int16_t* pcm);

private:
    struct State;
    std::unique_ptr<State> st_;
};

}  // namespace amrwbex

#endif  // VOKSC_EXAMPLES_AMRWB_AMRWB_DEC_H

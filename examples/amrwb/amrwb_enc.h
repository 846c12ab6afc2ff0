// AMR-WB (wide-band AMR) encoder built on the library's public operations: the nine coding modes
// with per-frame mode switching, voice-activity detection and discontinuous transmission with
// silence descriptors, encoder homing, bit-exact to the 3GPP fixed-point reference encoder.
#ifndef VOKSC_EXAMPLES_AMRWB_AMRWB_ENC_H
#define VOKSC_EXAMPLES_AMRWB_AMRWB_ENC_H

#include <cstdint>
#include <memory>

#include "amrwb/amrwb_bits.h"

namespace amrwbex {

// One coded frame: the transmission type (TxType), the mode the parameters follow (0..8, or kSid while speech
// is suspended: the descriptor's 7 words are computed for every such frame, as the reference writes them),
// the mode requested for the frame, and the parameter words in frame order (each word a field of the frame,
// most significant bit first).
struct EncodedFrame {
    int tx_type = 0;
    int mode = 0;
    int requested = 0;
    int count = 0;
    int16_t params[kMaxParams] = {};
};

class Encoder {
public:
    Encoder();
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    // Resets the encoder; dtx enables voice-activity detection and silence descriptors.
    void init(bool dtx);

    // Encodes 320 samples at 16 kHz in mode 0..8. An encoder homing frame resets the encoder
    // after it is coded. False, nothing coded, on a bad mode or a null pcm.
    bool encode(const int16_t* pcm, int mode, EncodedFrame& out);

private:
    struct State;
    std::unique_ptr<State> st_;
};

}  // namespace amrwbex

#endif  // VOKSC_EXAMPLES_AMRWB_AMRWB_ENC_H

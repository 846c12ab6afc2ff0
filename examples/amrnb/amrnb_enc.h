// GSM-AMR narrow-band encoder built on the library's public operations: the eight coding modes
// with per-frame mode switching, voice-activity detection (option 1 or 2) and discontinuous
// transmission with silence descriptors, bit-exact to the 3GPP fixed-point reference encoder.
#ifndef VOKSC_EXAMPLES_AMRNB_AMRNB_ENC_H
#define VOKSC_EXAMPLES_AMRNB_AMRNB_ENC_H

#include <cstdint>
#include <memory>

#include "amrnb/amrnb_bits.h"

namespace amrnbex {

class Encoder {
public:
    Encoder();
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    // Resets the encoder: mode 0 (4.75) ... 7 (12.2) is the default for encode(); vad 1 or 2
    // selects the voice-activity detector used when dtx is set. False on a bad argument.
    bool init(int mode, int vad, bool dtx);

    // Encodes 160 samples at `mode` (0..7; -1 for the init() mode) into one serial frame: TX type,
    // the mode and the frame's bits (a silence descriptor, or none, when DTX suspends speech).
    // An encoder homing frame resets the encoder after it is coded. False, nothing coded, on a
    // bad mode or a null pcm.
    bool encode(const int16_t* pcm, int mode, amrnb::SerialFrame& out);

    // The parameter words of the last frame and the mode they follow (amrnb::kSid for a
    // silence descriptor).
    const int16_t* params() const;
    int used_mode() const;

private:
    struct State;
    std::unique_ptr<State> st_;
};

}  // namespace amrnbex

#endif  // VOKSC_EXAMPLES_AMRNB_AMRNB_ENC_H

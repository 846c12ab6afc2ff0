// GSM-AMR frame parameters and their serial bits: the parameter widths of each coding mode, the
// conversion between the parameter words an encoder produces and the bits of a frame (each
// parameter most significant bit first, in parameter order), and the package's serial frame of
// 250 words that the 3GPP example sequences use.
#ifndef VOKSC_EXAMPLES_AMRNB_AMRNB_BITS_H
#define VOKSC_EXAMPLES_AMRNB_AMRNB_BITS_H

#include <cstdint>
#include <cstdio>

namespace amrnb {

// Coding modes in frame order: 0 = 4.75 ... 7 = 12.2 kbit/s, 8 = the silence descriptor.
constexpr int kModes = 9;
constexpr int kSid = 8;
constexpr int kMaxParams = 57;
constexpr int kMaxBits = 244;

// Parameters and bits of a frame of the mode (0 for any other value).
int param_count(int mode);
int frame_bits(int mode);

// The frame's bits (0 or 1, frame_bits(mode) of them) from its parameters, and back. Parameter
// bits above a field's width are ignored.
void params_to_bits(int mode, const int16_t* params, int16_t* bits);
void bits_to_params(int mode, const int16_t* bits, int16_t* params);

// One frame of the serial format: word 0 the TX type (0 speech, 1 SID first, 2 SID update,
// 3 no data, ...), words 1..244 the bits (unused words 0), word 245 the mode (0..7, -1 where the
// frame carries none), words 246..249 zero.
struct SerialFrame {
    int16_t tx_type = 3;
    int16_t mode = -1;
    int16_t bits[kMaxBits] = {};
};
constexpr int kSerialWords = 250;

// Reads one frame; false at the end of the file or on a short frame.
bool read_serial(std::FILE* f, SerialFrame& frame);
// Writes one frame; false on a write error.
bool write_serial(std::FILE* f, const SerialFrame& frame);

}  // namespace amrnb

#endif  // VOKSC_EXAMPLES_AMRNB_AMRNB_BITS_H

// Frame layout of G.729 at 11.8 kbit/s (Annex E): 118 bits, of which the first two are the mode
// (0 = forward LP, 1 = backward LP) and its copy. The parameter vector always starts with the mode:
//   forward (18): 0 mode  1 L0|L1 (8)  2 L2|L3 (10)  3 P1 (8)  4 P0 parity (1)  5..9 C1 (5 x 7)
//                 10 GA1|GB1 (7)  11 P2 (5)  12..16 C2 (5 x 7)  17 GA2|GB2 (7)
//   backward (16): 0 mode  1 P1 (8)  2 P0 parity (1)  3..7 C1 (13, 10, 7, 7, 7)  8 GA1|GB1 (7)
//                  9 P2 (5)  10..14 C2 (13, 10, 7, 7, 7)  15 GA2|GB2 (7)
#ifndef VOKSC_EXAMPLE_G729_FRAME_E_H
#define VOKSC_EXAMPLE_G729_FRAME_E_H

#include <cstdint>

namespace g729 {

constexpr int kFrameParamsHigh = 18;  // room for either mode
constexpr int kFrameBitsHigh = 118;
constexpr int kSerialWordsHigh = 120;
constexpr int kPackedBytesHigh = 15;  // 118 bits, most significant first, then two zero bits

// Number of parameters of an 11.8 kbit/s frame of the given mode (params[0] & 1).
int params_high(int16_t mode);
// Field width in bits of parameter i of a frame of the given mode (0 outside the frame).
int param_bits_high(int16_t mode, int i);

// Pitch parity bit of the first sub-frame's delay index at 11.8 kbit/s: the parity of its seven high
// bits, one more than at 8 kbit/s.
int16_t pitch_parity_high(int16_t index);

// ITU serial frame (120 words, length 118). serial_to_params_high returns true when the frame is
// erased: a sync word other than 0x6B21, any bit word equal to 0, or a mode bit unlike its copy.
void params_to_serial_high(const int16_t* params, int16_t* serial);
bool serial_to_params_high(const int16_t* serial, int16_t* params);

void pack_high(const int16_t* params, uint8_t* frame);
void unpack_high(const uint8_t* frame, int16_t* params);

}  // namespace g729

#endif  // VOKSC_EXAMPLE_G729_FRAME_E_H

// GSM 06.10 full-rate (RPE-LTP, 13 kbit/s) encoder and decoder built on the voksc operations.
//
// A frame is 160 samples of 13-bit PCM, left-justified in 16-bit words (the three low bits
// are ignored by the encoder and zero in the decoder output), and 76 parameters:
// LARc[0..7], then for each of the four sub-segments Nc, bc, Mc, xmaxc and xMc[0..12]. Both
// coders implement the standard's homing: an encoder that receives the encoder homing frame
// (160 samples of 0x0008) and a decoder that receives the decoder homing frame return to their
// initial state after that frame.
#ifndef VOKSC_EXAMPLE_GSMFR_CODEC_H
#define VOKSC_EXAMPLE_GSMFR_CODEC_H

#include <cstdint>

namespace gsmfr {

constexpr int kFrameSamples = 160;
constexpr int kFrameParams = 76;
constexpr int kPackedBytes = 33;

struct Encoder {
    int32_t hp_mem[2];   // offset compensation {L_z2, z1}
    int16_t pre_mem;     // pre-emphasis: previous offset-compensated sample
    int16_t u[8];        // short-term analysis lattice
    int16_t larpp[8];    // decoded LARs of the previous frame
    int16_t dp[120];     // reconstructed short-term residual of the last 120 samples
};

struct Decoder {
    int16_t v[9];        // short-term synthesis lattice
    int16_t larpp[8];    // decoded LARs of the previous frame
    int16_t drp[120];    // reconstructed short-term residual of the last 120 samples
    int16_t nrp;         // last valid LTP lag
    int16_t msr;         // de-emphasis memory
    bool homed;          // the previous frame was a homing frame (or none was decoded yet)
};

void encoder_init(Encoder* enc);
// Encodes one frame of 160 samples into 76 parameters.
void encode(Encoder* enc, const int16_t* pcm, int16_t* params);

void decoder_init(Decoder* dec);
// Decodes 76 parameters into 160 samples. Each parameter is taken modulo its field width.
void decode(Decoder* dec, const int16_t* params, int16_t* pcm);

// RFC 3551 frame: signature nibble 0xD, then the 76 parameters MSB first in their field widths.
void pack(const int16_t* params, uint8_t* frame);
// Returns false (and writes nothing) when the signature nibble is not 0xD.
bool unpack(const uint8_t* frame, int16_t* params);

// Field width in bits of parameter i (0..75).
int param_bits(int i);

}  // namespace gsmfr

#endif  // VOKSC_EXAMPLE_GSMFR_CODEC_H

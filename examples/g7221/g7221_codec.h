// G.722.1 codec assembled from the public voksc API: 7 kHz audio (16 kHz sampling, 320-sample
// frames) at 24 or 32 kbit/s and 14 kHz audio (32 kHz sampling, 640-sample frames) at 24, 32 or
// 48 kbit/s. A frame of bit_rate / 50 bits travels as 16-bit words, most significant bit first.
#ifndef VOKSC_EXAMPLE_G7221_CODEC_H
#define VOKSC_EXAMPLE_G7221_CODEC_H

#include <cstdint>

namespace g7221ex {

constexpr int kMaxFrameSamples = 640;
constexpr int kMaxFrameWords = 60;

// Bits per frame for a rate in bit/s and a bandwidth in Hz, 0 for an unsupported pair.
int frame_bits(int bit_rate, int bandwidth);
// Samples per frame of a bandwidth (7000 -> 320, 14000 -> 640), 0 for any other.
int frame_samples(int bandwidth);

class Encoder {
public:
    // False for an unsupported rate and bandwidth.
    bool init(int bit_rate, int bandwidth);
    // Codes one frame of samples into frame_bits / 16 words.
    void encode(const int16_t* pcm, uint16_t* words);

private:
    int n_ = 0, regions_ = 0, bits_ = 0;
    int16_t history_[kMaxFrameSamples] = {};
};

class Decoder {
public:
    // False for an unsupported rate and bandwidth.
    bool init(int bit_rate, int bandwidth);
    // Decodes one frame of frame_bits / 16 words, or conceals an erased frame (words null): the
    // previous good frame's spectrum is repeated once, then silence follows. A frame whose bits
    // are inconsistent (an unused tail that is not all ones, too few bits for its categories, a
    // region power out of range) is concealed the same way. The two lowest bits of every output
    // sample are cleared, as the reference decoder does.
    void decode(const uint16_t* words, int16_t* pcm);

private:
    int n_ = 0, regions_ = 0, bits_ = 0;
    int16_t old_coefs_[kMaxFrameSamples] = {};
    int16_t coefs_[kMaxFrameSamples] = {};
    int16_t overlap_[kMaxFrameSamples / 2] = {};
    int16_t mag_shift_ = 0, old_mag_shift_ = 0;
    int16_t seeds_[4] = {1, 1, 1, 1};
};

}  // namespace g7221ex

#endif  // VOKSC_EXAMPLE_G7221_CODEC_H

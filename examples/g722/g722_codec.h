// A G.722 wide-band coder (16 kHz PCM, 64/56/48 kbit/s) assembled from voksc's sub-band ADPCM,
// QMF and concealment operations, written against the public header only.
//
// The coded form is the G.722 octet per pair of input samples: the higher-band code in bits 6-7,
// the lower-band code in bits 0-5. At 56 and 48 kbit/s the encoder clears the one or two least
// significant bits (which carry auxiliary data in G.722) and the decoder ignores them.
#ifndef VOKSC_EXAMPLE_G722_CODEC_H
#define VOKSC_EXAMPLE_G722_CODEC_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include <voksc.h>

namespace g722ex {

// Bits per octet actually used at a rate: 8, 7 or 6; 0 for a rate G.722 does not offer.
int bits_for_rate(int rate_bps);

class Encoder {
public:
    explicit Encoder(int rate_bps);  // 64000, 56000 or 48000
    bool ok() const { return bits_ != 0; }
    void reset();
    // Encodes n 16 kHz samples (n even) into n/2 octets. Returns the octets written or -1.
    int encode(const int16_t* pcm, int n, uint8_t* octets);

private:
    int bits_;
    std::vector<uint8_t> state_;
    int16_t qmf_[24];
    std::vector<int16_t> work_;
};

class Decoder {
public:
    explicit Decoder(int rate_bps);
    bool ok() const { return bits_ != 0; }
    void reset();
    // Decodes `count` octets into 2*count 16 kHz samples. Returns the samples written or -1.
    int decode(const uint8_t* octets, int count, int16_t* pcm);
    // Conceals one lost frame of `count` octet periods (2*count samples) by extrapolating the
    // sub-band signals; the next decode() re-synchronises the decoder memory and fades in.
    int conceal(int count, int16_t* pcm);

private:
    void push_history(const int16_t* sub, int pairs);
    void prepare_concealment();

    int bits_;
    int mode_;
    std::vector<uint8_t> state_;
    int16_t qmf_[24];
    std::vector<int16_t> work_;
    std::vector<int16_t> low_hist_;   // last kHist lower-band samples, oldest first
    std::vector<int16_t> high_hist_;  // last kHist higher-band samples
    // Concealment memory.
    int lost_frames_ = 0;
    int period_ = 0;
    int phase_ = 0;
    int32_t class_ = 0;
    int16_t hp_state_[2] = {0, 0};
    int gain_q15_ = 32767;
    std::vector<int16_t> low_cycle_, high_cycle_;
    int fade_in_ = 0;
};

// Packs octets of a 56 or 48 kbit/s stream as 7- or 6-bit codes (the octet's top bits),
// least significant bit first; a final partial byte is zero-padded.
std::vector<uint8_t> pack(const uint8_t* octets, size_t count, int bits);
// Reverse of pack: the whole codes of `bytes` bytes back to octets (zeros in the unused low bits).
std::vector<uint8_t> unpack(const uint8_t* packed, size_t bytes, int bits);
// The same into a caller's buffer (room for (count * bits + 7) / 8 bytes, or bytes * 8 / bits
// octets); each returns the bytes or octets written. A stream cut into pieces of a multiple of
// 8 octets (packing) or `bits` bytes (unpacking) gives the same result piece by piece.
size_t pack(const uint8_t* octets, size_t count, int bits, uint8_t* out);
size_t unpack(const uint8_t* packed, size_t bytes, int bits, uint8_t* out);

}  // namespace g722ex

#endif  // VOKSC_EXAMPLE_G722_CODEC_H

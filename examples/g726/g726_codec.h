// G.726 ADPCM codec assembled from the public voksc API: 16, 24, 32 or 40 kbit/s, with 16-bit
// linear or G.711 A-law / mu-law PCM on the audio side, and codes either one per byte or
// packed as RFC 3551 (section 4.5.4) prescribes: each code in the next free bits of the
// octet, least significant bits first.
#ifndef VOKSC_EXAMPLE_G726_CODEC_H
#define VOKSC_EXAMPLE_G726_CODEC_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace g726ex {

enum class Law { Linear, ALaw, MuLaw };
enum class Format { Bytes, Packed };

// Code bits for a rate in bit/s (16000 -> 2 ... 40000 -> 5), 0 for any other rate.
int code_bits(int bit_rate);

// Exact 14-bit uniform values of G.711 codes (the G.711 16-bit value divided by 4).
int16_t alaw_to_uniform14(uint8_t code);
int16_t ulaw_to_uniform14(uint8_t code);

class Encoder {
public:
    // False for a rate other than 16000, 24000, 32000 or 40000 bit/s.
    bool init(int bit_rate, Law law, Format format);
    // Linear law: appends the codes of n 16-bit samples, each coded as x >> 2.
    void encode(const int16_t* pcm, size_t n, std::vector<uint8_t>& out);
    // A-law or mu-law: appends the codes of n G.711 codes, expanded exactly to 14 bits.
    void encode(const uint8_t* g711, size_t n, std::vector<uint8_t>& out);
    // Packed format: appends the last partial octet, zero-padded (nothing for Bytes).
    void finish(std::vector<uint8_t>& out);

private:
    void emit(const uint8_t* codes, size_t n, std::vector<uint8_t>& out);

    std::vector<unsigned char> state_;
    Law law_ = Law::Linear;
    Format format_ = Format::Bytes;
    int bits_ = 0;
    uint32_t acc_ = 0;
    int acc_bits_ = 0;
};

class Decoder {
public:
    // False for an unsupported rate.
    bool init(int bit_rate, Law law, Format format);
    // Linear law: appends 16-bit samples (the 14-bit output times 4). A packed stream yields
    // one sample per whole code it holds, so padding of a final octet may add samples.
    void decode(const uint8_t* stream, size_t n, std::vector<int16_t>& out);
    // A-law or mu-law: appends one G.711 code per sample.
    void decode(const uint8_t* stream, size_t n, std::vector<uint8_t>& out);

private:
    // Codes of the next part of the stream (unpacked when packed).
    void codes_of(const uint8_t* stream, size_t n, std::vector<uint8_t>& codes);

    std::vector<unsigned char> state_;
    std::vector<uint8_t> codes_;  // the codes of the part being decoded
    Law law_ = Law::Linear;
    Format format_ = Format::Bytes;
    int bits_ = 0;
    uint32_t acc_ = 0;
    int acc_bits_ = 0;
};

}  // namespace g726ex

#endif  // VOKSC_EXAMPLE_G726_CODEC_H

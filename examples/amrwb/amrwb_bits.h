// AMR-WB frame parameters and their bits: the parameter widths of the nine coding modes and the
// silence descriptor, the conversion between parameter words and the bits of a frame (each
// parameter most significant bit first, in parameter order), the package's serial format that
// the 3GPP example sequences use and the RFC 4867 storage format, both directions.
#ifndef VOKSC_EXAMPLES_AMRWB_AMRWB_BITS_H
#define VOKSC_EXAMPLES_AMRWB_AMRWB_BITS_H

#include <cstddef>
#include <cstdint>

namespace amrwbex {

// Coding modes: 0 = 6.60, 1 = 8.85, 2 = 12.65, 3 = 14.25, 4 = 15.85, 5 = 18.25, 6 = 19.85,
// 7 = 23.05, 8 = 23.85 kbit/s; 9 = the silence descriptor (SID).
constexpr int kModes = 9;
constexpr int kSid = 9;
constexpr int kMaxParams = 56;
constexpr int kMaxBits = 477;
constexpr int kSidBits = 35;

// Parameters and bits of a frame of mode 0..9 (0 for any other value).
int param_count(int mode);
int frame_bits(int mode);
// Width in bits of parameter i of the mode (0 outside).
int param_width(int mode, int i);

// The frame's bits (0 or 1, frame_bits(mode) of them) from its parameters, and back. Parameter
// bits above a field's width are ignored.
void params_to_bits(int mode, const int16_t* params, int16_t* bits);
void bits_to_params(int mode, const int16_t* bits, int16_t* params);

// Transmitted frame types (the encoder's) and received ones (the decoder's).
enum TxType { kTxSpeech = 0, kTxSidFirst = 1, kTxSidUpdate = 2, kTxNoData = 3 };
enum RxType {
    kRxSpeechGood = 0,
    kRxSpeechDegraded = 1,
    kRxSpeechLost = 2,
    kRxSpeechBad = 3,
    kRxSidFirst = 4,
    kRxSidUpdate = 5,
    kRxSidBad = 6,
    kRxNoData = 7,
};

// A received frame: its type, the speech mode (0..8; for SID and no-data frames the mode of the
// stream) and the bits it carries (bit_count of them: frame_bits(mode) for speech, kSidBits for
// SID frames, none for a storage frame without data).
struct Frame {
    int16_t type = kRxNoData;
    int16_t mode = 0;
    int16_t bit_count = 0;
    int16_t bits[kMaxBits] = {};
};

// Serial format, 16-bit words: a header word (0x6B21: the type word is a TX type 0..3; 0x6B20:
// an RX type 0..7), the frame type, the mode (0..8, 9 for the descriptor), then one word per
// bit (127 for 1, -127 for 0; any other value reads as 0): the mode's bits for speech types,
// kSidBits for the SID and no-data types.
constexpr int16_t kSerialTx = 0x6B21;
constexpr int16_t kSerialRx = 0x6B20;
constexpr int16_t kSerialBit0 = -127;
constexpr int16_t kSerialBit1 = 127;
constexpr int kMaxSerialWords = 3 + kMaxBits;

// Reads the frame at the start of the n words: returns the words it takes, 0 when the frame
// continues past n, -1 for an unknown header, frame type or mode. A speech frame of mode 9
// carries no speech parameters and is returned as lost.
int read_serial(const int16_t* words, size_t n, Frame& frame);
// Writes a frame of TX type tx_type (mode 0..8, bits as frame_bits(mode), or kSidBits for SID
// and no-data types); returns the words written.
int write_serial(int tx_type, int mode, const int16_t* bits, int16_t* words);

// RFC 4867 storage format: the file starts with "#!AMR-WB\n"; each frame is a table-of-contents
// octet (frame type in bits 6..3, quality in bit 2) and the bits in the order of the mode's
// sensitivity table, padded with zeros to an octet; a SID frame carries its 35 bits, the update
// flag and the 4-bit mode indication (most significant first).
constexpr char kStorageMagic[] = "#!AMR-WB\n";
constexpr int kStorageMagicBytes = 9;
constexpr int kMaxStorageBytes = 61;
// The octets of the frame that starts with `toc`, TOC included (1 for the frame types 10..15).
int storage_frame_bytes(uint8_t toc);
// The frame of a storage frame of storage_frame_bytes(src[0]) octets. Types 0..8 are speech
// (bad with the quality bit clear), 9 SID first or update (bad with the quality bit clear), 14
// lost speech, the others no data. Frames without a speech mode take *prev_mode, which the speech
// frames update.
void read_storage(const uint8_t* src, Frame& frame, int* prev_mode);
// Writes a frame of TX type tx_type (as write_serial); returns the octets written. No-data frames
// are the TOC octet of type 15.
int write_storage(int tx_type, int mode, const int16_t* bits, uint8_t* dst);

}  // namespace amrwbex

#endif  // VOKSC_EXAMPLES_AMRWB_AMRWB_BITS_H

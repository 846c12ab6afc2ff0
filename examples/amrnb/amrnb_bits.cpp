// GSM-AMR parameter widths and the serial frame format.
#include "amrnb/amrnb_bits.h"

namespace amrnb {
namespace {

// Width in bits of each parameter of each mode, in the order of the encoder's parameter words
// (values of the standard). The sums are the frame sizes 95, 103, 118, 134, 148, 159, 204, 244
// and 35 bits.
constexpr int kParams[kModes] = {17, 19, 19, 19, 19, 23, 39, 57, 5};
constexpr int16_t kWidth[kModes][kMaxParams] = {
    {8, 8, 7, 8, 7, 2, 8, 4, 7, 2, 4, 7, 2, 8, 4, 7, 2},                        // 4.75
    {8, 8, 7, 8, 7, 2, 6, 4, 7, 2, 6, 4, 7, 2, 6, 4, 7, 2, 6},                  // 5.15
    {8, 9, 9, 8, 9, 2, 6, 4, 9, 2, 6, 8, 9, 2, 6, 4, 9, 2, 6},                  // 5.9
    {8, 9, 9, 8, 11, 3, 7, 4, 11, 3, 7, 8, 11, 3, 7, 4, 11, 3, 7},              // 6.7
    {8, 9, 9, 8, 13, 4, 7, 5, 13, 4, 7, 8, 13, 4, 7, 5, 13, 4, 7},              // 7.4
    {9, 9, 9, 8, 13, 4, 4, 5, 6, 13, 4, 4, 5, 8, 13, 4, 4, 5, 6, 13, 4, 4, 5},  // 7.95
    {8, 9, 9, 8, 1, 1, 1,  1,  10, 10, 7, 7, 5, 1, 1, 1,  1,  10, 10, 7,
     7, 8, 1, 1, 1, 1, 10, 10, 7,  7,  5, 1, 1, 1, 1, 10, 10, 7,  7},  // 10.2
    {7, 8, 9, 8, 6, 9, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3, 3, 5, 6, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3,
     3, 5, 9, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3, 3, 5, 6, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3, 3, 5},  // 12.2
    {3, 8, 9, 9, 6},                                                                       // SID
};

}  // namespace

int param_count(int mode) {
    return mode >= 0 && mode < kModes ? kParams[mode] : 0;
}

int frame_bits(int mode) {
    static constexpr int kBits[kModes] = {95, 103, 118, 134, 148, 159, 204, 244, 35};  // the widths' sums
    return mode >= 0 && mode < kModes ? kBits[mode] : 0;
}

void params_to_bits(int mode, const int16_t* params, int16_t* bits) {
    for (int i = 0; i < param_count(mode); ++i)
        for (int b = kWidth[mode][i] - 1; b >= 0; --b) *bits++ = static_cast<int16_t>((params[i] >> b) & 1);
}

void bits_to_params(int mode, const int16_t* bits, int16_t* params) {
    for (int i = 0; i < param_count(mode); ++i) {
        int v = 0;
        for (int b = 0; b < kWidth[mode][i]; ++b) v = (v << 1) | (*bits++ & 1);
        params[i] = static_cast<int16_t>(v);
    }
}

bool read_serial(std::FILE* f, SerialFrame& frame) {
    int16_t w[kSerialWords];
    if (std::fread(w, sizeof w[0], kSerialWords, f) != kSerialWords) return false;
    frame.tx_type = w[0];
    for (int i = 0; i < kMaxBits; ++i) frame.bits[i] = w[1 + i];
    frame.mode = w[1 + kMaxBits];
    return true;
}

bool write_serial(std::FILE* f, const SerialFrame& frame) {
    int16_t w[kSerialWords] = {};
    w[0] = frame.tx_type;
    for (int i = 0; i < kMaxBits; ++i) w[1 + i] = frame.bits[i];
    w[1 + kMaxBits] = frame.mode;
    return std::fwrite(w, sizeof w[0], kSerialWords, f) == kSerialWords;
}

}  // namespace amrnb

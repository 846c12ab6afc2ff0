// Bit layout of 11.8 kbit/s frames.
#include "g729_frame_e.h"

#include "g729_codec.h"

namespace g729 {

namespace {

// Widths after the two mode bits.
constexpr int kBitsForward[kFrameParamsHigh - 1] = {8, 10, 8, 1, 7, 7, 7, 7, 7, 7, 5, 7, 7, 7, 7, 7, 7};
constexpr int kBitsBackward[kFrameParamsHigh - 3] = {8, 1, 13, 10, 7, 7, 7, 7, 5, 13, 10, 7, 7, 7, 7};

const int* widths(int16_t mode) {
    return (mode & 1) ? kBitsBackward : kBitsForward;
}

}  // namespace

int params_high(int16_t mode) {
    return (mode & 1) ? kFrameParamsHigh - 2 : kFrameParamsHigh;
}

int param_bits_high(int16_t mode, int i) {
    if (i == 0) return 1;  // carried twice
    return i > 0 && i < params_high(mode) ? widths(mode)[i - 1] : 0;
}

int16_t pitch_parity_high(int16_t index) {
    return static_cast<int16_t>(pitch_parity(index) ^ ((index >> 1) & 1));
}

void params_to_serial_high(const int16_t* params, int16_t* serial) {
    const int16_t mode = params[0] & 1;
    serial[0] = kSyncWord;
    serial[1] = kFrameBitsHigh;
    serial[2] = serial[3] = mode ? kBit1 : kBit0;
    int w = 4;
    for (int i = 1; i < params_high(mode); ++i) {
        for (int b = widths(mode)[i - 1] - 1; b >= 0; --b) serial[w++] = (params[i] >> b) & 1 ? kBit1 : kBit0;
    }
}

bool serial_to_params_high(const int16_t* serial, int16_t* params) {
    bool erased = serial[0] != kSyncWord || serial[2] == 0 || serial[3] == 0 || serial[2] != serial[3];
    const int16_t mode = serial[2] == kBit1 ? 1 : 0;
    params[0] = mode;
    int w = 4;
    for (int i = 1; i < params_high(mode); ++i) {
        int v = 0;
        for (int b = 0; b < widths(mode)[i - 1]; ++b, ++w) {
            if (serial[w] == 0) erased = true;
            v = (v << 1) | (serial[w] == kBit1 ? 1 : 0);
        }
        params[i] = static_cast<int16_t>(v);
    }
    return erased;
}

void pack_high(const int16_t* params, uint8_t* frame) {
    const int16_t mode = params[0] & 1;
    for (int i = 0; i < kPackedBytesHigh; ++i) frame[i] = 0;
    int at = 0;
    auto put = [&](int v, int n) {
        for (int b = n - 1; b >= 0; --b, ++at) {
            if ((v >> b) & 1) frame[at >> 3] = static_cast<uint8_t>(frame[at >> 3] | (0x80 >> (at & 7)));
        }
    };
    put(mode, 1);
    put(mode, 1);
    for (int i = 1; i < params_high(mode); ++i) put(params[i], widths(mode)[i - 1]);
}

void unpack_high(const uint8_t* frame, int16_t* params) {
    int at = 0;
    auto get = [&](int n) {
        int v = 0;
        for (int b = 0; b < n; ++b, ++at) v = (v << 1) | ((frame[at >> 3] >> (7 - (at & 7))) & 1);
        return v;
    };
    // The decoder takes the first mode bit; its copy only guards serial frames.
    const int16_t mode = static_cast<int16_t>(get(1));
    get(1);
    params[0] = mode;
    for (int i = 1; i < params_high(mode); ++i) params[i] = static_cast<int16_t>(get(widths(mode)[i - 1]));
}

}  // namespace g729

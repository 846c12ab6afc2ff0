// Helpers shared by the G.722 tests: the file readers, the stress inputs of the golden data, and
// a small whole-codec driver on the public operations.
#ifndef VOKSC_TESTS_G722_UTIL_H
#define VOKSC_TESTS_G722_UTIL_H

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/golden.h"
#include "voksc.h"

namespace g722test {

using voksc_test::first_diff;
using voksc_test::read_bytes;
using voksc_test::read_words;

// The stress inputs of the reference runs (tests/data/g722): 16 kHz PCM, octets, sub-band pairs.
inline std::vector<int16_t> stress_pcm() {
    return golden::File("g722/stress.pcm").words();
}
inline std::vector<uint8_t> stress_octets() {
    return golden::bytes("g722/stress.cod");
}
inline std::vector<int16_t> stress_subband() {
    return golden::File("g722/stress_sub.pcm").words();
}

// A state block with room for a deliberate misalignment.
struct Block {
    alignas(64) uint8_t bytes[256];
    template <class T>
    T* at(int offset) {
        return reinterpret_cast<T*>(bytes + offset);
    }
};

// Whole encoder: 16 kHz PCM -> octets, in frames of `frame` samples (even).
inline std::vector<uint8_t> encode_pcm(const std::vector<int16_t>& pcm, int frame = 320) {
    Block b;
    auto* st = b.at<VokG722EncodeState>(3);
    voksSBADPCMEncodeInit_G722_16s(st);
    Vok16s delay[24] = {0};
    std::vector<int16_t> sub(pcm.size()), codes(pcm.size());
    const int n = static_cast<int>(pcm.size()) & ~1;
    for (int o = 0; o < n; o += frame) {
        const int len = std::min(frame, n - o);
        voksQMFEncode_G722_16s(&pcm[o], &sub[o], len, delay);
        voksSBADPCMEncode_G722_16s(&sub[o], &codes[o], len, st);
    }
    std::vector<uint8_t> out(n / 2);
    for (int i = 0; i < n / 2; ++i) out[i] = static_cast<uint8_t>((codes[2 * i + 1] << 6) | codes[2 * i]);
    return out;
}

// Whole decoder: octets -> 16 kHz PCM in the given mode, in frames of `frame` octets.
inline std::vector<int16_t> decode_octets(const std::vector<uint8_t>& oct, int mode, int frame = 160) {
    Block b;
    auto* st = b.at<VokG722DecodeState>(5);
    voksSBADPCMDecodeInit_G722_16s(st);
    Vok16s delay[24] = {0};
    std::vector<int16_t> codes(2 * oct.size()), out(2 * oct.size());
    for (size_t i = 0; i < oct.size(); ++i) {
        codes[2 * i] = static_cast<int16_t>(oct[i] & 63);
        codes[2 * i + 1] = static_cast<int16_t>(oct[i] >> 6);
    }
    const int n = static_cast<int>(codes.size());
    for (int o = 0; o < n; o += 2 * frame) {
        const int len = std::min(2 * frame, n - o);
        voksSBADPCMDecode_G722_16s(&codes[o], &codes[o], len, static_cast<Vok16s>(mode), st);
        voksQMFDecode_G722_16s(&codes[o], &out[o], len, delay);
    }
    return out;
}

}  // namespace g722test

#endif  // VOKSC_TESTS_G722_UTIL_H

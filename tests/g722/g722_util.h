// Helpers shared by the G.722 tests: the file readers, the seeded generator of the golden
// inputs, and a small whole-codec driver on the public operations.
#ifndef VOKSC_TESTS_G722_UTIL_H
#define VOKSC_TESTS_G722_UTIL_H

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/files.h"
#include "voksc.h"

namespace g722test {

using voksc_test::first_diff;
using voksc_test::read_bytes;
using voksc_test::read_words;

// The generator of the golden-data inputs: x = x * 1664525 + 1013904223 (mod 2^32), value =
// the top 16 bits as a signed word.
struct Lcg {
    uint32_t s;
    explicit Lcg(uint32_t seed) : s(seed) {}
    int16_t next() {
        s = s * 1664525u + 1013904223u;
        return static_cast<int16_t>(s >> 16);
    }
};

// 16000 samples in eight 2000-sample segments: seeded noise, a full-scale square wave (period
// 16), full-scale alternation, small noise, silence, a full-scale triangle (period 40), +DC
// and -DC full scale.
inline std::vector<int16_t> stress_pcm() {
    std::vector<int16_t> v(16000);
    Lcg g(722u);
    for (int i = 0; i < 16000; ++i) {
        int x;
        switch (i / 2000) {
            case 0:
                x = g.next();
                break;
            case 1:
                x = ((i / 8) & 1) ? 32767 : -32768;
                break;
            case 2:
                x = (i & 1) ? 32767 : -32768;
                break;
            case 3:
                x = g.next() >> 4;
                break;
            case 4:
                x = 0;
                break;
            case 5: {
                const int t = i % 40;
                x = t < 20 ? -32768 + t * 3276 : 32767 - (t - 20) * 3276;
                break;
            }
            case 6:
                x = 32767;
                break;
            default:
                x = -32768;
                break;
        }
        v[i] = static_cast<int16_t>(x);
    }
    return v;
}

// 8000 G.722 octets in 1000-octet segments: seeded random, constant 0xA0, random, constant
// 0x04, 0xA0/0x04 alternating every five, random, constant 0xFF, random.
inline std::vector<uint8_t> stress_octets() {
    std::vector<uint8_t> v(8000);
    Lcg g(9u);
    for (int i = 0; i < 8000; ++i) {
        int c;
        switch (i / 1000) {
            case 1:
                c = 0xA0;
                break;
            case 3:
                c = 0x04;
                break;
            case 4:
                c = ((i / 5) & 1) ? 0xA0 : 0x04;
                break;
            case 6:
                c = 0xFF;
                break;
            default:
                c = g.next() & 0xFF;
                break;
        }
        v[i] = static_cast<uint8_t>(c);
    }
    return v;
}

// Unrestricted sub-band pairs: seeded random, with every other block of 250 pairs switching
// between full-scale extremes.
inline std::vector<int16_t> stress_subband() {
    std::vector<int16_t> v(8000);
    Lcg g(31u);
    for (int i = 0; i < 4000; ++i) {
        int16_t rl = g.next(), rh = g.next();
        if ((i / 250) & 1) {
            rl = (i & 1) ? 32767 : -32768;
            rh = (i & 2) ? 32767 : -32768;
        }
        v[2 * i] = rl;
        v[2 * i + 1] = rh;
    }
    return v;
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

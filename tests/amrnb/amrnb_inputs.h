// Seeded inputs of the GSM-AMR golden data: the reference runs drew their inputs from exactly
// this generator and the speech excerpt tests/data/amrnb/speech.pcm, so the files store only
// the reference's outputs. Any change here invalidates them.
#ifndef VOKSC_TESTS_AMRNB_AMRNB_INPUTS_H
#define VOKSC_TESTS_AMRNB_AMRNB_INPUTS_H

#include <cstdint>
#include <vector>

#include "common/basicop.h"
#include "support/golden.h"

namespace amrnb_inputs {

// splitmix64.
struct Rng {
    uint64_t s;
    uint64_t next() {
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
    int16_t i16() { return static_cast<int16_t>(next() >> 48); }
};

inline const std::vector<int16_t>& speech() {
    static const std::vector<int16_t> s = golden::File("amrnb/speech.pcm").words();
    return s;
}

// n samples of one of six kinds: full-scale random, random shifted right by 0..15, speech,
// speech amplified 8 times and clipped, a constant or alternating extreme (or zeros), sparse.
inline void fill(Rng& r, int kind, int16_t* x, int n) {
    const std::vector<int16_t>& sp = speech();
    const int len = static_cast<int>(sp.size());
    switch (kind) {
        case 0:
            for (int i = 0; i < n; ++i) x[i] = r.i16();
            break;
        case 1: {
            const int o = r.below(16);
            for (int i = 0; i < n; ++i) x[i] = static_cast<int16_t>(r.i16() >> o);
            break;
        }
        case 2: {
            const int o = r.below(len - n);
            for (int i = 0; i < n; ++i) x[i] = sp[o + i];
            break;
        }
        case 3: {
            const int o = r.below(len - n);
            for (int i = 0; i < n; ++i) x[i] = voks::sat16(int32_t{sp[o + i]} * 8);
            break;
        }
        case 4: {
            const int p = r.below(4);
            for (int i = 0; i < n; ++i)
                x[i] = p == 0 ? 32767 : p == 1 ? -32768 : p == 2 ? ((i & 1) ? -32768 : 32767) : 0;
            break;
        }
        default:
            for (int i = 0; i < n; ++i) x[i] = 0;
            for (int i = 0; i < n / 8; ++i) {
                const int at = r.below(n);  // the position is drawn before the value
                x[at] = r.i16();
            }
            break;
    }
}

}  // namespace amrnb_inputs

#endif  // VOKSC_TESTS_AMRNB_AMRNB_INPUTS_H

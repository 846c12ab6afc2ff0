// Inputs of the long-speech digests (tests/data/amrnb/long_streams.txt): the reference coders
// were run on exactly these signals, so any change here invalidates the digests.
#ifndef VOKSC_TESTS_AMRNB_AMRNB_LONG_INPUTS_H
#define VOKSC_TESTS_AMRNB_AMRNB_LONG_INPUTS_H

#include <algorithm>
#include <cstdint>
#include <vector>

#include "support/speech.h"

namespace amrnb_long {

using Words = std::vector<int16_t>;

// 'P': the Asterisk prompts in name order, up to the file that completes 10 minutes.
inline Words prompts() {
    return voksc_test::gather_speech(voksc_test::kAsteriskSounds, 8000 * 600, 160);
}

// 'N': one minute from 8 minutes into the prompts, 100 frames of speech then 50 frames of pause
// in turn, under seeded uniform noise of about -65 dBov (RMS) that rises to about -47 dBov in
// the pauses.
inline Words noisy(const Words& p) {
    Words x;
    uint32_t seed = 2024;
    size_t at = 8000 * 480;
    while (x.size() < 8000 * 60) {
        for (int i = 0; i < 150 * 160; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const int n = static_cast<int16_t>(seed >> 16);
            const int v = i < 100 * 160 ? p[at++] + (n >> 10) : n >> 7;
            x.push_back(static_cast<int16_t>(std::min(32767, std::max(-32768, v))));
        }
    }
    return x;
}

// 'L': 20 seconds from 2 minutes into the prompts, amplified 8 times and clipped.
inline Words loud(const Words& p) {
    Words x;
    for (size_t i = 8000 * 120; i < 8000 * 140; ++i)
        x.push_back(static_cast<int16_t>(std::min(32767, std::max(-32768, p[i] * 8))));
    return x;
}

}  // namespace amrnb_long

#endif  // VOKSC_TESTS_AMRNB_AMRNB_LONG_INPUTS_H

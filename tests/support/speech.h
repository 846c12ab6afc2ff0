// Speech for the peer tests and benchmarks: WAV files, about a minute of the Asterisk prompts,
// and a synthetic voiced signal for when no recording is installed.
#ifndef VOKSC_TESTS_SUPPORT_SPEECH_H
#define VOKSC_TESTS_SUPPORT_SPEECH_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "support/files.h"

namespace voksc_test {

// Where asterisk-core-sounds-en-wav installs its 8 kHz prompts.
constexpr const char* kAsteriskSounds = "/usr/share/asterisk/sounds/en";

// Samples of a mono 16-bit PCM WAV file at `rate` Hz (empty for any other format). The chunks
// are walked, so extra chunks before "data" are fine.
inline std::vector<int16_t> read_wav(const std::string& path, uint32_t rate) {
    std::vector<int16_t> out;
    std::vector<uint8_t> b;
    if (!read_bytes(path, b)) return out;
    auto u16 = [&](size_t p) { return static_cast<uint32_t>(b[p] | (b[p + 1] << 8)); };
    auto u32 = [&](size_t p) { return u16(p) | (u16(p + 2) << 16); };
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(&b[8], "WAVE", 4) != 0)
        return out;
    bool fmt_ok = false;
    for (size_t p = 12; p + 8 <= b.size();) {
        const uint32_t len = u32(p + 4);
        const size_t body = p + 8;
        if (std::memcmp(&b[p], "fmt ", 4) == 0 && body + 16 <= b.size()) {
            fmt_ok = u16(body) == 1 && u16(body + 2) == 1 && u32(body + 4) == rate && u16(body + 14) == 16;
        } else if (std::memcmp(&b[p], "data", 4) == 0 && fmt_ok) {
            const size_t end = std::min(b.size(), body + len);
            for (size_t q = body; q + 1 < end; q += 2) out.push_back(static_cast<int16_t>(u16(q)));
            return out;
        }
        p = body + len + (len & 1);
    }
    return out;
}

// The files of `dir` ending in `extension`, in name order (none when `dir` is absent).
inline std::vector<std::string> files_of(const std::string& dir, const char* extension) {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
        if (e.path().extension() == extension) files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The 8 kHz WAV files of `dir` concatenated in name order, stopping after the file that brings
// the total to `enough` samples, cut to whole frames of `frame_samples`. Empty when `dir` is
// absent.
inline std::vector<int16_t> gather_speech(const std::string& dir, size_t enough, size_t frame_samples) {
    std::vector<int16_t> all;
    for (const std::string& f : files_of(dir, ".wav")) {
        const std::vector<int16_t> s = read_wav(f, 8000);
        all.insert(all.end(), s.begin(), s.end());
        if (all.size() >= enough) break;
    }
    all.resize(all.size() / frame_samples * frame_samples);
    return all;
}

// `n` samples of a seeded voiced signal: a pulse every 57 samples through a one-pole filter,
// plus noise, clipped to +-32000.
inline std::vector<int16_t> synthetic_voiced(size_t n) {
    std::vector<int16_t> v;
    v.reserve(n);
    uint32_t seed = 1;
    double a = 0, p = 0;
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        p += (i % 57 == 0) ? 8000 : 0;
        a = 0.9 * a + p + static_cast<int16_t>(seed >> 16) / 8.0;
        p *= 0.5;
        v.push_back(static_cast<int16_t>(a > 32000 ? 32000 : (a < -32000 ? -32000 : a)));
    }
    return v;
}

}  // namespace voksc_test

#endif  // VOKSC_TESTS_SUPPORT_SPEECH_H

// File helpers shared by the tests and benchmarks: whole files as bytes or as little-endian
// 16-bit words, and where two streams part.
#ifndef VOKSC_TESTS_SUPPORT_FILES_H
#define VOKSC_TESTS_SUPPORT_FILES_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace voksc_test {

// The whole file into `out`; false (and `out` untouched) when it cannot be opened.
inline bool read_bytes(const std::string& path, std::vector<uint8_t>& out) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::vector<uint8_t> bytes;
    uint8_t buf[8192];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    out.swap(bytes);
    return true;
}

// The file as little-endian 16-bit words (a trailing odd byte is dropped).
inline bool read_words(const std::string& path, std::vector<int16_t>& out) {
    std::vector<uint8_t> b;
    if (!read_bytes(path, b)) return false;
    out.resize(b.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<int16_t>(b[2 * i] | (b[2 * i + 1] << 8));
    return true;
}

// First index where two sequences differ (or where the shorter one ends), -1 when identical.
template <class T>
int first_diff(const std::vector<T>& got, const std::vector<T>& want) {
    const size_t n = std::min(got.size(), want.size());
    for (size_t i = 0; i < n; ++i) {
        if (got[i] != want[i]) return static_cast<int>(i);
    }
    return got.size() == want.size() ? -1 : static_cast<int>(n);
}

// First frame of `per_frame` words where the streams differ (or where one ends early), -1 when
// identical.
inline int first_bad_frame(const std::vector<int16_t>& got, const std::vector<int16_t>& want, int per_frame) {
    const int i = first_diff(got, want);
    return i < 0 ? -1 : i / per_frame;
}

// CRC-32 (IEEE 802.3, reflected, as zlib and cksum -o 3) of a byte string, continued from `crc`
// (0 to start).
inline uint32_t crc32(const std::vector<uint8_t>& b, uint32_t crc = 0) {
    uint32_t c = ~crc;
    for (const uint8_t x : b) {
        c ^= x;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

}  // namespace voksc_test

#endif  // VOKSC_TESTS_SUPPORT_FILES_H

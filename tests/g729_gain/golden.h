// Loading of the golden records produced by the instrumented ITU-T G.729 reference coders and
// decoders (tests/data/g729_gain, see tests/data/README.md).
#ifndef VOKSC_TESTS_G729_GAIN_GOLDEN_H
#define VOKSC_TESTS_G729_GAIN_GOLDEN_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace golden {

// Little-endian int16 words of a data file; empty when the file is missing.
inline std::vector<int16_t> load16(const std::string& name) {
    std::vector<int16_t> v;
    const std::string path = std::string(VOKSC_TEST_DATA_DIR) + "/g729_gain/" + name;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return v;
    uint8_t b[2];
    while (std::fread(b, 1, 2, f) == 2) v.push_back(static_cast<int16_t>(b[0] | (b[1] << 8)));
    std::fclose(f);
    return v;
}

// Fixed-size records of a data file.
struct Records {
    std::vector<int16_t> words;
    size_t size;
    size_t count() const { return size ? words.size() / size : 0; }
    const int16_t* operator[](size_t i) const { return words.data() + i * size; }
};

inline Records records(const std::string& name, size_t size) { return Records{load16(name), size}; }

// 32-bit value stored as two words, low first.
inline int32_t word32(const int16_t* p) {
    return static_cast<int32_t>(static_cast<uint16_t>(p[0]) | (static_cast<uint32_t>(static_cast<uint16_t>(p[1])) << 16));
}

}  // namespace golden

#endif  // VOKSC_TESTS_G729_GAIN_GOLDEN_H

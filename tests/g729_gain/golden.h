// Loading of the golden records produced by the instrumented ITU-T G.729 reference coders and
// decoders (tests/data/g729_gain, see tests/data/README.md).
#ifndef VOKSC_TESTS_G729_GAIN_GOLDEN_H
#define VOKSC_TESTS_G729_GAIN_GOLDEN_H

#include <cstdint>
#include <string>
#include <vector>

#include "support/files.h"

namespace golden {

// Little-endian int16 words of a data file; empty when the file is missing.
inline std::vector<int16_t> load16(const std::string& name) {
    std::vector<int16_t> v;
    voksc_test::read_words(std::string(VOKSC_TEST_DATA_DIR) + "/g729_gain/" + name, v);
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

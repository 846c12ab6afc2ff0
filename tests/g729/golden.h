// Loading of the golden records produced by the instrumented ITU-T G.729 reference coders and
// decoders (tests/data/g729_gain, see tests/data/README.md).
#ifndef VOKSC_TESTS_G729_GAIN_GOLDEN_H
#define VOKSC_TESTS_G729_GAIN_GOLDEN_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "frame/dispatch.h"
#include "support/files.h"
#include "voksc.h"

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

// Gain-control records of 122 words: the input the gain follows (40), the output to scale
// (40), the running gain, then the expected output (40) and gain. Both kernel levels must give
// the reference bits; the detected level is restored afterwards.
inline void check_gain_control(const std::string& name, size_t count,
                               VokStatus (*control)(const Vok16s*, Vok16s*, Vok16s*)) {
    for (auto level : {voks::frame::Level::Scalar, voks::frame::Level::AVX2}) {
        voks::frame::force_level(level);
        const auto r = records(name, 122);
        ASSERT_EQ(r.count(), count);
        for (size_t k = 0; k < r.count(); ++k) {
            const int16_t* p = r[k];
            int16_t out[40], gain = p[80];
            std::memcpy(out, p + 40, sizeof(out));
            ASSERT_EQ(control(p, out, &gain), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(out, p + 81, sizeof(out))) << name << " record " << k;
            ASSERT_EQ(gain, p[121]) << name << " record " << k;
        }
    }
    voks::frame::force_level(voks::frame::Level::AVX2);
}

// 32-bit value stored as two words, low first.
inline int32_t word32(const int16_t* p) {
    return static_cast<int32_t>(static_cast<uint16_t>(p[0]) | (static_cast<uint32_t>(static_cast<uint16_t>(p[1])) << 16));
}

}  // namespace golden

#endif  // VOKSC_TESTS_G729_GAIN_GOLDEN_H

// Golden records of the G.729 reference routines (tests/data/g729_exc): fixed-size records of
// little-endian 16-bit words, inputs first, then the reference outputs.
#ifndef VOKSC_TESTS_G729_EXC_GOLDEN_UTIL_H
#define VOKSC_TESTS_G729_EXC_GOLDEN_UTIL_H

#include <cstdint>
#include <string>
#include <vector>

#include "frame/dispatch.h"
#include "support/files.h"

namespace exc_golden {

struct Records {
    std::vector<int16_t> words;
    int size = 0;
    int count() const { return size ? static_cast<int>(words.size()) / size : 0; }
    const int16_t* at(int i) const { return words.data() + static_cast<size_t>(i) * size; }
};

inline Records load(const char* name, int record_words) {
    Records r;
    r.size = record_words;
    voksc_test::read_words(std::string(VOKSC_TEST_DATA_DIR) + "/g729_exc/" + name, r.words);
    if (r.words.size() % static_cast<size_t>(record_words) != 0) r.words.clear();
    return r;
}

// Every kernel level this machine runs: the scalar definition, then AVX2 when present.
inline std::vector<voks::frame::Level> levels() {
    std::vector<voks::frame::Level> l{voks::frame::Level::Scalar};
    if (voks::frame::detected_level() == voks::frame::Level::AVX2) l.push_back(voks::frame::Level::AVX2);
    return l;
}

// Restores the detected level when a test ends.
struct LevelGuard {
    ~LevelGuard() { voks::frame::force_level(voks::frame::detected_level()); }
};

// FNV-1a over 16-bit words, as the golden files carry for large outputs.
inline uint32_t fnv(const int16_t* p, int n) {
    uint32_t h = 2166136261u;
    for (int i = 0; i < n; ++i) {
        h ^= static_cast<uint16_t>(p[i]);
        h *= 16777619u;
    }
    return h;
}

}  // namespace exc_golden

#endif  // VOKSC_TESTS_G729_EXC_GOLDEN_UTIL_H

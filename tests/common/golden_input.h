// Seeded inputs of the correlation golden data (tests/data/correlation/g729_*.bin). The
// generator that produced the reference outputs used exactly this sequence, so any change here
// invalidates the data files.
#ifndef VOKSC_TESTS_CORRELATION_GOLDEN_INPUT_H
#define VOKSC_TESTS_CORRELATION_GOLDEN_INPUT_H

#include <cstdint>
#include <string>
#include <vector>

#include "support/files.h"

namespace corr_golden {

// 32-bit LCG (Numerical Recipes constants).
struct Lcg {
    uint32_t s;
    uint32_t next() {
        s = s * 1664525u + 1013904223u;
        return s;
    }
    int16_t r16() { return static_cast<int16_t>(next() >> 16); }
};

// Signal kinds, chosen by the case index: 0 a real-speech segment shifted right by 0..3 bits,
// 1 random words shifted right by 0..15 bits, 2 extreme values, 3 sparse random words.
inline void fill(int16_t* x, int n, int kind, Lcg& g, const std::vector<int16_t>& speech) {
    static const int16_t kExt[8] = {-32768, 32767, 0, -1, 1, -32768, 32767, -16384};
    if (kind == 0) {
        const uint32_t off = g.next() % static_cast<uint32_t>(speech.size() - n);
        const int sh = static_cast<int>(g.next() % 4);
        for (int i = 0; i < n; ++i) x[i] = static_cast<int16_t>(speech[off + i] >> sh);
    } else if (kind == 1) {
        const int sh = static_cast<int>(g.next() % 16);
        for (int i = 0; i < n; ++i) x[i] = static_cast<int16_t>(g.r16() >> sh);
    } else if (kind == 2) {
        for (int i = 0; i < n; ++i) x[i] = kExt[g.next() >> 29];
    } else {
        for (int i = 0; i < n; ++i) x[i] = (g.next() >> 28) == 0 ? g.r16() : int16_t{0};
    }
}

// Little-endian reader over a whole file.
class Reader {
public:
    explicit Reader(const std::string& path) {
        voksc_test::read_bytes(path, bytes_);
    }
    bool ok() const { return !bytes_.empty(); }
    size_t size() const { return bytes_.size(); }
    bool done() const { return pos_ >= bytes_.size(); }
    int16_t i16() {
        const auto v = static_cast<int16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    int32_t i32() {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | bytes_[pos_ + i];
        pos_ += 4;
        return static_cast<int32_t>(v);
    }
    void i16(int16_t* v, int n) {
        for (int i = 0; i < n; ++i) v[i] = i16();
    }
    void i32(int32_t* v, int n) {
        for (int i = 0; i < n; ++i) v[i] = i32();
    }

private:
    std::vector<uint8_t> bytes_;
    size_t pos_ = 0;
};

}  // namespace corr_golden

#endif  // VOKSC_TESTS_CORRELATION_GOLDEN_INPUT_H

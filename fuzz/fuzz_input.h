// Byte reader for the fuzz targets: turns the fuzzer's input into arguments. Reads past the end
// give zeros, so every input, even an empty one, drives a complete call sequence.
#ifndef VOKSC_FUZZ_INPUT_H
#define VOKSC_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace voksfuzz {

class Input {
public:
    Input(const uint8_t* data, size_t size) : p_(data), n_(size) {}

    bool empty() const { return n_ == 0; }

    uint8_t u8() {
        if (n_ == 0) return 0;
        --n_;
        return *p_++;
    }
    // Little-endian: the low part is read first.
    uint16_t u16() {
        const uint8_t lo = u8();
        return static_cast<uint16_t>(lo | (u8() << 8));
    }
    uint32_t u32() {
        const uint16_t lo = u16();
        return lo | (uint32_t{u16()} << 16);
    }
    int16_t i16() { return static_cast<int16_t>(u16()); }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    // A scale factor or shift: (i32 & mask) + bias, or (one read in eight) the whole i32.
    int mostly(int mask, int bias) {
        const int v = i32();
        return u8() < 224 ? (v & mask) + bias : v;
    }

    // A value in lo..hi (inclusive), most inputs landing inside, the rest on the edges.
    int range(int lo, int hi) {
        const uint32_t span = static_cast<uint32_t>(hi) - static_cast<uint32_t>(lo) + 1u;
        return static_cast<int>(static_cast<uint32_t>(lo) + (span == 0 ? u32() : u16() % span));
    }

    // A length or count argument: mostly lo..hi, sometimes below lo (to hit the checks). When
    // the operation itself rejects values above hi, `checked_hi` lets those through too
    // (buffers are then sized for hi).
    int length(int lo, int hi, bool checked_hi = false) {
        const uint8_t k = u8();
        if (k < 216) return range(lo, hi);
        if (k < 232) return lo - 1 - (k & 3);
        if (checked_hi && k < 248) return (k & 1) ? INT32_MAX_VALUE : hi + 1 + (k & 3);
        return (k & 1) ? INT32_MIN_VALUE : range(lo, hi);
    }

    // A 16-bit sample: mostly arbitrary, sometimes an extreme.
    int16_t sample() {
        const uint8_t k = u8();
        if (k < 16) return static_cast<int16_t>(k < 8 ? -32768 : 32767);
        return i16();
    }

    // A finite single-precision value of varying magnitude.
    float f32() {
        const int16_t m = i16();
        static const float kScale[8] = {1.0f / 32768, 1.0f / 4096, 1.0f / 64, 1.0f,
                                        16.0f,        1024.0f,     1e6f,      1e15f};
        return static_cast<float>(m) * kScale[u8() & 7];
    }

    template <class T>
    void fill(T* dst, size_t count) {
        for (size_t i = 0; i < count; ++i) dst[i] = next<T>();
    }

    // A heap vector of exactly `count` elements (so the sanitizer sees any access beyond it).
    template <class T>
    std::vector<T> vec(size_t count) {
        std::vector<T> v(count);
        fill(v.data(), count);
        return v;
    }

    // Raw bytes: the next `count` input bytes (zeros past the end).
    std::vector<uint8_t> bytes(size_t count) {
        std::vector<uint8_t> v(count, 0);
        const size_t take = count < n_ ? count : n_;
        if (take) std::memcpy(v.data(), p_, take);
        p_ += take;
        n_ -= take;
        return v;
    }

    std::vector<int16_t> v16(size_t count) { return vec<int16_t>(count); }
    std::vector<int32_t> v32(size_t count) { return vec<int32_t>(count); }
    std::vector<float> vf(size_t count) { return vec<float>(count); }

    // Everything left.
    std::vector<uint8_t> rest() { return bytes(n_); }

private:
    static constexpr int INT32_MIN_VALUE = -2147483647 - 1;
    static constexpr int INT32_MAX_VALUE = 2147483647;

    template <class T>
    T next();

    const uint8_t* p_;
    size_t n_;
};

template <>
inline uint8_t Input::next<uint8_t>() {
    return u8();
}
template <>
inline int16_t Input::next<int16_t>() {
    return sample();
}
template <>
inline int32_t Input::next<int32_t>() {
    return i32();
}
template <>
inline float Input::next<float>() {
    return f32();
}

}  // namespace voksfuzz

#endif  // VOKSC_FUZZ_INPUT_H

// Kernel checker: every vector kernel is compared bit for bit with its scalar twin on seeded
// random and extreme inputs, over many lengths and every buffer misalignment, with guard zones
// around every output. A family adds a check_<family>.cpp with CHECKASM(...) blocks.
#ifndef VOKSC_CHECKASM_H
#define VOKSC_CHECKASM_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "frame/dispatch.h"

namespace checkasm {

// splitmix64: small, seedable, identical everywhere.
class Rng {
public:
    explicit Rng(uint64_t seed) : s_(seed) {}
    uint64_t next() {
        uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int32_t range(int32_t lo, int32_t hi) {  // inclusive
        const uint64_t span = static_cast<uint64_t>(int64_t{hi} - lo) + 1;
        return static_cast<int32_t>(lo + static_cast<int64_t>(next() % span));
    }

private:
    uint64_t s_;
};

// Input patterns; saturation and ties are part of every kernel's definition, so the extreme
// patterns are never narrowed.
enum class Pattern { Random, SmallRandom, AllMax, AllMin, Alternating, Zeros, Ties, Count };
const char* pattern_name(Pattern p);
void fill16(Rng& rng, Pattern p, int16_t* dst, int n);
void fill32(Rng& rng, Pattern p, int32_t* dst, int n);
// Every pattern, in the order the checks run them.
constexpr Pattern kPatterns[] = {Pattern::Random,      Pattern::SmallRandom, Pattern::AllMax, Pattern::AllMin,
                                 Pattern::Alternating, Pattern::Zeros,       Pattern::Ties};

// True when the machine runs the AVX2 kernels, i.e. when there is a vector twin to compare.
inline bool have_avx2() {
    return voks::frame::detected_level() == voks::frame::Level::AVX2;
}

// A buffer of n elements placed `offset` elements past a 64-byte boundary, with guard zones of
// known bytes on both sides.
template <class T>
class Buffer {
public:
    static constexpr int kGuard = 64;
    Buffer(int n, int offset)
        : n_(n), offset_(offset), raw_(static_cast<size_t>(n) * sizeof(T) + 4 * kGuard + 64) {
        const uintptr_t base = reinterpret_cast<uintptr_t>(raw_.data());
        const uintptr_t aligned = (base + kGuard + 63) & ~uintptr_t{63};
        data_ = reinterpret_cast<T*>(aligned + static_cast<uintptr_t>(offset) * sizeof(T));
        std::memset(raw_.data(), 0xA5, raw_.size());
    }
    T* data() { return data_; }
    const T* cdata() const { return data_; }
    int size() const { return n_; }
    // True when the guard bytes around the element range are untouched.
    bool guards_intact() const {
        const uint8_t* lo = reinterpret_cast<const uint8_t*>(data_) - kGuard;
        const uint8_t* hi = reinterpret_cast<const uint8_t*>(data_ + n_);
        for (int i = 0; i < kGuard; ++i)
            if (lo[i] != 0xA5 || hi[i] != 0xA5) return false;
        return true;
    }

private:
    int n_, offset_;
    std::vector<uint8_t> raw_;
    T* data_;
};

// Lengths every kernel is run at: every length 0..300, then a few longer ones.
const std::vector<int>& lengths();
// Element offsets giving every byte misalignment 0..31 of a T buffer from a 64-byte boundary.
template <class T>
std::vector<int> offsets() {
    std::vector<int> v;
    for (int b = 0; b < 32; b += static_cast<int>(sizeof(T))) v.push_back(b / static_cast<int>(sizeof(T)));
    return v;
}

// First differing element index of two arrays, or -1.
template <class T>
int first_difference(const T* a, const T* b, int n) {
    for (int i = 0; i < n; ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(T)) != 0) return i;
    return -1;
}

// The scalar and the vector copy of one buffer: both start equal, the scalar kernel works on s(),
// its twin on v(). The vector copy sits at another misalignment than the scalar one (still every
// misalignment over the offsets of a case loop).
template <class T>
class Twin {
public:
    Twin(int n, int offset) : s_(n, offset), v_(n, (offset + 3) % kOffsets) {}
    Twin(int n, int offset, Rng& rng, Pattern p) : Twin(n, offset) { fill(rng, p); }
    void fill(Rng& rng, Pattern p) {
        if constexpr (sizeof(T) == 2)
            fill16(rng, p, reinterpret_cast<int16_t*>(s()), s_.size());
        else
            fill32(rng, p, reinterpret_cast<int32_t*>(s()), s_.size());
        sync();
    }
    // Copies the scalar side to the vector side (after filling s() by hand).
    void sync() { std::memcpy(v(), s(), sizeof(T) * static_cast<size_t>(s_.size())); }
    T* s() { return s_.data(); }
    T* v() { return v_.data(); }
    int size() const { return s_.size(); }
    // First differing element, size() when a guard zone was written, -1 when the copies agree.
    int diff() const {
        const int d = first_difference(s_.cdata(), v_.cdata(), s_.size());
        if (d >= 0) return d;
        return s_.guards_intact() && v_.guards_intact() ? -1 : s_.size();
    }

private:
    static constexpr int kOffsets = sizeof(T) >= 32 ? 1 : 32 / static_cast<int>(sizeof(T));
    Buffer<T> s_, v_;
};

struct Context {
    uint64_t seed = 0;
    int failures = 0;
    int checks = 0;
    Rng rng{0};
    // Records a failure with everything needed to reproduce it.
    void fail(const char* kernel, const char* level, int len, int offset, Pattern p, int index,
              const std::string& detail = "");
    // One comparison of a scalar result with its twin's: a failure (at `index`) unless `equal`.
    bool check(bool equal, const char* kernel, int len, int offset, Pattern p, int index = 0,
               const std::string& detail = "") {
        ++checks;
        if (!equal) fail(kernel, "avx2", len, offset, p, index, detail);
        return equal;
    }
    // One comparison of the AVX2 twin with the scalar kernel over every given buffer, in order;
    // reports the first buffer that differs (its number in the detail) or whose guards were
    // written. True when all agree.
    template <class... T>
    bool same(const char* kernel, int len, int offset, Pattern p, const std::string& detail,
              const Twin<T>&... t) {
        ++checks;
        int which = 0;
        const auto check = [&](const auto& b) {
            const int d = b.diff();
            if (d < 0) return ++which, true;
            const std::string what = d == b.size() ? " guard zone written" : "";
            fail(kernel, "avx2", len, offset, p, d, detail + " buffer " + std::to_string(which) + what);
            return false;
        };
        return (check(t) && ...);
    }
};

// Runs fn(len, offset, pattern) for every checked length of at least min_len, every misalignment
// of T and every pattern.
template <class T = int16_t, class F>
void each_case(F fn, int min_len = 0) {
    for (int len : lengths())
        if (len >= min_len)
            for (int off : offsets<T>())
                for (Pattern p : kPatterns) fn(len, off, p);
}

// The second source of a case: the same pattern, except that ties get random partners.
inline Pattern partner(Pattern p) {
    return p == Pattern::Ties ? Pattern::Random : p;
}

using CheckFn = void (*)(Context&);
struct Registrar {
    Registrar(const char* name, CheckFn fn);
};

}  // namespace checkasm

#define CHECKASM(name)                                                            \
    static void checkasm_##name(checkasm::Context&);                              \
    static const checkasm::Registrar checkasm_reg_##name(#name, checkasm_##name); \
    static void checkasm_##name(checkasm::Context& ctx)

#endif  // VOKSC_CHECKASM_H

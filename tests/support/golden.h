// Golden data of the standards' reference routines (tests/data, one line per data set in its
// README): the reader of the data files, the kernel levels every golden test runs at, and the
// input sweeps of the basic-operator digests. The reference runs drew their inputs from exactly
// these sweeps, so any change to one invalidates the stored digests.
#ifndef VOKSC_TESTS_SUPPORT_GOLDEN_H
#define VOKSC_TESTS_SUPPORT_GOLDEN_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "frame/dispatch.h"
#include "support/external.h"
#include "support/files.h"
#include "voksc.h"

namespace golden {

// 32-bit integer or float stored as two little-endian words, low word first.
inline int32_t i32(const int16_t* p) {
    return static_cast<int32_t>(static_cast<uint16_t>(p[0]) | (uint32_t{static_cast<uint16_t>(p[1])} << 16));
}
inline float f32(const int16_t* p) {
    const int32_t v = i32(p);
    float f;
    std::memcpy(&f, &v, sizeof f);
    return f;
}

// A file of tests/data as little-endian 16-bit words, read in sequence or as records of a fixed
// number of words. Reads past the end give zeros (and leave done() true), so a short file fails
// the comparison instead of reading out of bounds.
class File {
public:
    explicit File(const std::string& name, size_t record_words = 0) : rec_(record_words) {
        voksc_test::read_words(std::string(VOKSC_TEST_DATA_DIR) + "/" + name, w_);
        if (rec_ && w_.size() % rec_) w_.clear();
    }
    bool ok() const { return !w_.empty(); }
    const std::vector<int16_t>& words() const { return w_; }
    size_t count() const { return rec_ ? w_.size() / rec_ : 0; }
    const int16_t* operator[](size_t i) const { return &w_[i * rec_]; }

    bool done() const { return pos_ >= w_.size(); }
    int16_t i16() { return pos_ < w_.size() ? w_[pos_++] : (++pos_, int16_t{0}); }
    int32_t i32() {
        const int16_t p[2] = {i16(), i16()};  // braced lists are evaluated in order
        return golden::i32(p);
    }
    template <class T>  // int16_t or int32_t
    void read(T* v, int n) {
        for (int i = 0; i < n; ++i) v[i] = sizeof(T) == 2 ? static_cast<T>(i16()) : static_cast<T>(i32());
    }
    // The next n words (zeros past the end).
    std::vector<int16_t> take(size_t n) {
        std::vector<int16_t> v(n);
        read(v.data(), static_cast<int>(n));
        return v;
    }

private:
    std::vector<int16_t> w_;
    size_t rec_;
    size_t pos_ = 0;
};

// A whole file of tests/data as bytes (empty when absent).
inline std::vector<uint8_t> bytes(const std::string& name) {
    std::vector<uint8_t> b;
    voksc_test::read_bytes(std::string(VOKSC_TEST_DATA_DIR) + "/" + name, b);
    return b;
}

// Records of a file whose size must be `count` records of `words` words.
inline File records(const std::string& name, size_t words, size_t count) {
    File f(name, words);
    EXPECT_EQ(f.count(), count) << name;
    return f;
}

inline uint64_t fnv64(uint64_t h, const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 0x100000001B3ull;
    return h;
}
constexpr uint64_t kFnv64 = 0xCBF29CE484222325ull;

// 32-bit FNV-1a over 16-bit words, as the excitation files carry for large outputs.
inline uint32_t fnv32(const int16_t* p, int n) {
    uint32_t h = 2166136261u;
    for (int i = 0; i < n; ++i) h = (h ^ static_cast<uint16_t>(p[i])) * 16777619u;
    return h;
}

// A digested file (tests/data/<dir>/*.gld, the linear-prediction sets by default): u32 magic "GLD1", record
// count, record bytes, stored records, u64 FNV-1a of all records, then the stored records. The
// test produces every record from the inputs in the .in file of the same name; add() compares
// each with the stored prefix, finish() the count and the digest. The floating-point files store every
// record, read with record<T>().
class Digested {
public:
    explicit Digested(const std::string& name, const std::string& dir = "g729_lp") : name_(name) {
        std::vector<uint8_t> b;
        voksc_test::read_bytes(std::string(VOKSC_TEST_DATA_DIR) + "/" + dir + "/" + name, b);
        uint32_t h[4] = {};
        if (b.size() < 24) return;
        std::memcpy(h, b.data(), sizeof h);
        std::memcpy(&digest_, b.data() + 16, 8);
        if (h[0] != 0x31444C47u || b.size() != 24 + size_t{h[3]} * h[2]) return;
        count_ = h[1];
        bytes_ = h[2];
        prefix_.assign(b.begin() + 24, b.end());
    }
    bool ok() const { return bytes_ != 0; }
    size_t stored() const { return bytes_ ? prefix_.size() / bytes_ : 0; }
    template <class T>
    const T* record(size_t i) const {
        return reinterpret_cast<const T*>(prefix_.data() + i * bytes_);
    }
    template <class T, size_t N>
    void add(const T (&rec)[N]) {
        ASSERT_EQ(sizeof rec, bytes_) << name_;
        if (seen_ < stored() && first_bad_ < 0 && std::memcmp(rec, record<uint8_t>(seen_), bytes_) != 0)
            first_bad_ = static_cast<long>(seen_);
        hash_ = fnv64(hash_, rec, bytes_);
        ++seen_;
    }
    void finish() const {
        EXPECT_EQ(first_bad_, -1) << name_ << ": first differing record";
        EXPECT_EQ(seen_, count_) << name_ << ": record count";
        EXPECT_EQ(hash_, digest_) << name_ << ": digest of all " << count_ << " records";
    }

private:
    std::string name_;
    uint32_t count_ = 0;
    size_t bytes_ = 0, seen_ = 0;
    uint64_t digest_ = 0, hash_ = kFnv64;
    long first_bad_ = -1;
    std::vector<uint8_t> prefix_;
};

// Every kernel level this machine runs, the scalar definition first.
inline std::vector<voks::frame::Level> levels() {
    std::vector<voks::frame::Level> l{voks::frame::Level::Scalar};
    if (voks::frame::detected_level() == voks::frame::Level::AVX2) l.push_back(voks::frame::Level::AVX2);
    return l;
}

// Runs `body` with the kernel tables forced to each level in turn, then restores the detected
// level.
template <class F>
void each_level(F body) {
    for (auto level : levels()) {
        voks::frame::force_level(level);
        SCOPED_TRACE(level == voks::frame::Level::AVX2 ? "AVX2 kernels" : "scalar kernels");
        body();
    }
    voks::frame::force_level(voks::frame::detected_level());
}

// At every kernel level, `op(record, out)` must succeed (or give the warning `also`) on each
// record of `f` and write the n words the record holds from word `at`.
template <class Op>
void compare_records(const File& f, size_t at, size_t n, Op op, VokStatus also = vokStatusOk) {
    each_level([&] {
        std::vector<int16_t> out(n);
        for (size_t k = 0; k < f.count(); ++k) {
            const VokStatus st = op(f[k], out.data());
            ASSERT_TRUE(st == vokStatusOk || st == also) << "record " << k << ": status " << st;
            ASSERT_EQ(0, std::memcmp(out.data(), f[k] + at, 2 * n)) << "record " << k;
        }
    });
}

// Deterministic sweep inputs of the basic-operator digests, every magnitude and both signs: a
// multiplicative hash of k shifted right by k mod 33 (mod 17), complemented when bit 6 (bit 5)
// of k is set.
inline int32_t sweep32(uint32_t k) {
    const uint32_t u = k * 2654435761u, s = k % 33;
    const uint32_t v = s == 32 ? 0 : u >> s;
    return static_cast<int32_t>((k & 64) ? ~v : v);
}
inline int16_t sweep16(uint32_t k) {
    const uint32_t u = static_cast<uint16_t>(k * 40503u), s = k % 17;
    const uint32_t v = s == 16 ? 0 : u >> s;
    return static_cast<int16_t>(static_cast<uint16_t>((k & 32) ? ~v : v));
}

}  // namespace golden

#endif  // VOKSC_TESTS_SUPPORT_GOLDEN_H

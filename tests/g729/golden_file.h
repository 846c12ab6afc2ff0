// Reader of the golden files of the G.729 linear-prediction tests (format in golden_gen.h): the
// test produces every record itself and compares the stored prefix record by record and the
// digest of all records.
#ifndef VOKSC_TESTS_G729_LP_GOLDEN_FILE_H
#define VOKSC_TESTS_G729_LP_GOLDEN_FILE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "g729/golden_gen.h"
#include "support/external.h"

namespace g729lp_test {

inline std::string data_path(const std::string& name) {
    return std::string(VOKSC_TEST_DATA_DIR) + "/g729_lp/" + name;
}

inline std::vector<int16_t> load_speech(const std::string& file) {
    std::ifstream in(voksc_test::vector_path("g729/main/" + file), std::ios::binary);
    std::vector<int16_t> v;
    if (!in) return v;
    in.seekg(0, std::ios::end);
    v.resize(static_cast<size_t>(in.tellg()) / 2);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(v.data()), static_cast<std::streamsize>(v.size() * 2));
    return v;
}

class Golden {
public:
    explicit Golden(const std::string& name) : name_(name) {
        std::ifstream in(data_path(name), std::ios::binary);
        if (!in) return;
        uint32_t hdr[4];
        in.read(reinterpret_cast<char*>(hdr), sizeof(hdr));
        in.read(reinterpret_cast<char*>(&digest_), 8);
        if (!in || hdr[0] != 0x31444C47u) return;
        count_ = hdr[1];
        bytes_ = hdr[2];
        prefix_.resize(static_cast<size_t>(hdr[3]) * bytes_);
        in.read(reinterpret_cast<char*>(prefix_.data()), static_cast<std::streamsize>(prefix_.size()));
        ok_ = static_cast<bool>(in);
    }
    bool ok() const { return ok_; }
    // Adds the next record produced by the test; the first mismatch inside the stored prefix is
    // reported with its record index.
    void add(const void* rec, size_t bytes) {
        ASSERT_EQ(bytes, bytes_) << name_;
        const size_t stored = prefix_.size() / bytes_;
        if (seen_ < stored && std::memcmp(rec, prefix_.data() + seen_ * bytes_, bytes_) != 0 &&
            first_bad_ < 0)
            first_bad_ = static_cast<long>(seen_);
        hash_ = gg_fnv(hash_, rec, static_cast<int>(bytes_));
        ++seen_;
    }
    template <class T, size_t N>
    void add(const T (&rec)[N]) {
        add(rec, sizeof(rec));
    }
    // Checks the count, the prefix and the digest.
    void finish() const {
        EXPECT_EQ(first_bad_, -1) << name_ << ": first differing record";
        EXPECT_EQ(seen_, count_) << name_ << ": record count";
        EXPECT_EQ(hash_, digest_) << name_ << ": digest of all " << count_ << " records";
    }
    uint32_t count() const { return count_; }
    // Stored records (all of them in the floating-point files, compared within a tolerance).
    size_t stored() const { return bytes_ ? prefix_.size() / bytes_ : 0; }
    template <class T>
    const T* record(size_t i) const {
        return reinterpret_cast<const T*>(prefix_.data() + i * bytes_);
    }

private:
    std::string name_;
    bool ok_ = false;
    uint32_t count_ = 0;
    size_t bytes_ = 0;
    uint64_t digest_ = 0;
    std::vector<uint8_t> prefix_;
    size_t seen_ = 0;
    long first_bad_ = -1;
    uint64_t hash_ = GG_FNV_INIT;
};

}  // namespace g729lp_test

#endif  // VOKSC_TESTS_G729_LP_GOLDEN_FILE_H

// Mid-stream copies of state blocks: a stream runs half-way on a block, the block is copied with
// memcpy to another address, and the original and the copy must continue identically.
#ifndef VOKSC_TESTS_SUPPORT_STATE_COPY_H
#define VOKSC_TESTS_SUPPORT_STATE_COPY_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "voksc.h"

namespace voksc_test {

// One kind of state. `bytes` is what its size query reports (or the memory's length); `align`
// what its element type needs of the caller (1 for opaque blocks); `any_address` whether its
// header lets a copy continue at any such address or only at the same address modulo 16.
// `run(block, half)` codes half 0 or 1 of a fixed signal and returns the outputs as 32-bit
// words (floats by their bit patterns).
struct StateKind {
    std::string name;
    size_t bytes;
    size_t align;
    bool any_address;
    std::function<void(void*)> init;
    std::function<std::vector<int32_t>(void*, int)> run;
};

// Outputs as 32-bit words: integers by value, 32-bit floats by their bit patterns.
template <class T>
std::vector<int32_t> as_words(const std::vector<T>& v) {
    std::vector<int32_t> w(v.size());
    if constexpr (std::is_floating_point_v<T>) {
        static_assert(sizeof(T) == 4, "32-bit floats");
        std::memcpy(w.data(), v.data(), v.size() * 4);
    } else {
        w.assign(v.begin(), v.end());
    }
    return w;
}

// The byte count a size query reports.
inline size_t state_bytes(VokStatus (*query)(int*)) {
    int n = 0;
    EXPECT_EQ(query(&n), vokStatusOk);
    return static_cast<size_t>(n);
}

// Per kind: a block at offset `align` (not 16-aligned) runs the first half; its bytes are copied
// to an offset 16 further and, where promised, to offset 0. The original runs the second half
// first (a copy that still pointed into the original would then read moved-on data), then the
// copy; both must match bit for bit, and differ from a fresh block's second half, so that the
// copy carried a state the outputs depend on.
inline void expect_copies_continue(const std::vector<StateKind>& kinds) {
    constexpr size_t kRoom = 512;
    for (const StateKind& k : kinds) {
        ASSERT_LE(k.bytes + k.align + 16, kRoom) << k.name;
        std::vector<size_t> targets{k.align + 16};
        if (k.any_address) targets.push_back(0);
        for (size_t to : targets) {
            SCOPED_TRACE(testing::Message() << k.name << ", copied from offset " << k.align << " to " << to);
            alignas(64) unsigned char a[kRoom], b[kRoom], fresh[kRoom];
            std::memset(a, 0xA5, kRoom);
            std::memset(b, 0x5A, kRoom);
            std::memset(fresh, 0xC3, kRoom);
            void* src = a + k.align;
            void* dst = b + to;
            k.init(src);
            k.init(fresh + k.align);
            ASSERT_FALSE(k.run(src, 0).empty());
            std::memcpy(dst, src, k.bytes);
            const std::vector<int32_t> original = k.run(src, 1);
            EXPECT_EQ(k.run(dst, 1), original);
            EXPECT_NE(k.run(fresh + k.align, 1), original);
        }
    }
}

}  // namespace voksc_test

#endif  // VOKSC_TESTS_SUPPORT_STATE_COPY_H

// Gaussian-like random excitation of the Annex B comfort noise (Gauss on Random): each sample
// sums twelve steps of the 16-bit generator s -> 31821 s + 13849 (mod 2^16).
//
// Four samples are produced at once: lane j starts 12 j steps ahead of the block, all lanes take
// their twelve single steps together, and each then jumps 36 steps to its place in the next
// block. A jump of n steps is again s -> A s + C (mod 2^16), with A and C precomputed.
#include <cstdint>

#include "g729/sid_internal.h"

namespace voks::g729 {

namespace {

constexpr uint32_t kMul = 31821, kAdd = 13849;
constexpr int kSteps = 12;  // generator steps per sample
constexpr int kLanes = 4;

struct Jump {
    uint32_t mul, add;
};

// The generator advanced n steps at once.
constexpr Jump jump(int n) {
    uint32_t a = 1, c = 0;
    for (int i = 0; i < n; ++i) {
        a = (a * kMul) & 0xFFFF;
        c = (c * kMul + kAdd) & 0xFFFF;
    }
    return {a, c};
}

constexpr Jump kLaneStart[kLanes] = {jump(0), jump(kSteps), jump(2 * kSteps), jump(3 * kSteps)};
constexpr Jump kNextBlock = jump((kLanes - 1) * kSteps);

inline uint32_t step(uint32_t s) {
    return (s * kMul + kAdd) & 0xFFFF;
}

inline int32_t as_signed(uint32_t s) {
    return static_cast<int16_t>(static_cast<uint16_t>(s));
}

// Calls out(i, v) with the integer excitation v of each sample i < len; returns the final seed.
template <class Out>
int16_t generate(int16_t seed, int len, Out out) {
    uint32_t s = static_cast<uint16_t>(seed);
    int i = 0;
    if (len >= kLanes) {
        uint32_t lane[kLanes];
        for (int j = 0; j < kLanes; ++j) lane[j] = (s * kLaneStart[j].mul + kLaneStart[j].add) & 0xFFFF;
        for (; i + kLanes <= len; i += kLanes) {
            int32_t sum[kLanes] = {};
            for (int k = 0; k < kSteps; ++k)
                for (int j = 0; j < kLanes; ++j) {
                    lane[j] = step(lane[j]);
                    sum[j] += as_signed(lane[j]);
                }
            for (int j = 0; j < kLanes; ++j) out(i + j, sum[j] >> 7);
            s = lane[kLanes - 1];
            for (int j = 0; j < kLanes; ++j) lane[j] = (lane[j] * kNextBlock.mul + kNextBlock.add) & 0xFFFF;
        }
    }
    for (; i < len; ++i) {
        int32_t sum = 0;
        for (int k = 0; k < kSteps; ++k) {
            s = step(s);
            sum += as_signed(s);
        }
        out(i, sum >> 7);
    }
    return static_cast<int16_t>(as_signed(s));
}

}  // namespace

void random_noise(int16_t* seed, int16_t* dst, int len) {
    *seed = generate(*seed, len, [dst](int i, int32_t v) { dst[i] = static_cast<int16_t>(v); });
}

void random_noise_f(int16_t* seed, float* dst, int len) {
    *seed = generate(*seed, len, [dst](int i, int32_t v) { dst[i] = static_cast<float>(v) * 0.001953125f; });
}

}  // namespace voks::g729

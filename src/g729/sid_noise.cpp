// Gaussian-like random excitation of the Annex B comfort noise (Gauss on Random): each sample
// sums twelve steps of the 16-bit generator s -> 31821 s + 13849 (mod 2^16).
//
// n steps of the generator are again s -> A_n s + C_n (mod 2^16). Four samples are produced at
// once from the seed s at the start of the block: their 48 generator values are A_n s + C_n for
// n = 1..48 with precomputed multipliers and increments, independent of each other, and the next
// block starts from A_48 s + C_48.
#include <cstdint>

#include "g729/sid_internal.h"

namespace voks::g729 {

namespace {

constexpr uint32_t kMul = 31821, kAdd = 13849;
constexpr int kSteps = 12;  // generator steps per sample
constexpr int kLanes = 4;   // samples per block
constexpr int kBlockSteps = kSteps * kLanes;

// A_n and C_n for n = 1..48 (index n - 1).
struct Jumps {
    uint16_t mul[kBlockSteps], add[kBlockSteps];
};

constexpr Jumps make_jumps() {
    Jumps j{};
    uint32_t a = 1, c = 0;
    for (int n = 0; n < kBlockSteps; ++n) {
        a = (a * kMul) & 0xFFFF;
        c = (c * kMul + kAdd) & 0xFFFF;
        j.mul[n] = static_cast<uint16_t>(a);
        j.add[n] = static_cast<uint16_t>(c);
    }
    return j;
}

constexpr Jumps kJumps = make_jumps();

// The generator value n + 1 steps after s, as a signed 16-bit value.
inline int32_t ahead(uint32_t s, int n) {
    return static_cast<int16_t>(static_cast<uint16_t>(s * kJumps.mul[n] + kJumps.add[n]));
}

// Calls out(i, v) with the integer excitation v of each sample i < len; returns the final seed.
template <class Out>
int16_t generate(int16_t seed, int len, Out out) {
    uint32_t s = static_cast<uint16_t>(seed);
    int i = 0;
    for (; i + kLanes <= len; i += kLanes) {
        int16_t v[kBlockSteps];
        for (int n = 0; n < kBlockSteps; ++n) v[n] = static_cast<int16_t>(ahead(s, n));
        for (int j = 0; j < kLanes; ++j) {
            int32_t sum = 0;
            for (int k = 0; k < kSteps; ++k) sum += v[j * kSteps + k];
            out(i + j, sum >> 7);
        }
        s = static_cast<uint16_t>(ahead(s, kBlockSteps - 1));
    }
    for (; i < len; ++i) {
        int32_t sum = 0;
        for (int k = 0; k < kSteps; ++k) sum += ahead(s, k);
        out(i, sum >> 7);
        s = static_cast<uint16_t>(ahead(s, kSteps - 1));
    }
    return static_cast<int16_t>(s);
}

}  // namespace

void random_noise(int16_t* seed, int16_t* dst, int len) {
    *seed = generate(*seed, len, [dst](int i, int32_t v) { dst[i] = static_cast<int16_t>(v); });
}

void random_noise_f(int16_t* seed, float* dst, int len) {
    *seed = generate(*seed, len, [dst](int i, int32_t v) { dst[i] = static_cast<float>(v) * 0.001953125f; });
}

}  // namespace voks::g729

// The high-pass section's exact paths against the step-by-step saturating chain of the reference
// (hi/lo pairs, Mpy_32_16 and L_mac, built here from the basic operators): random and extreme
// coefficient sets, inputs whose largest magnitude sits just below and just above the call-wide
// bound 65538 (|a1| + |a2|) + 2 max|x| (|b0| + |b1| + |b2|) < 2^31, and calls of every length
// carrying the state across.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/basicop.h"
#include "voksc.h"

namespace {

// The reference section with its state in hi/lo pairs, as the reference keeps it.
struct RefSection {
    int16_t a1, a2, b0, b1, b2;
    int16_t y1_hi = 0, y1_lo = 0, y2_hi = 0, y2_lo = 0, x0 = 0, x1 = 0;

    void run(int16_t* x, int len, int sf) {
        for (int i = 0; i < len; ++i) {
            const int16_t x2 = x1;
            x1 = x0;
            x0 = x[i];
            int32_t t = voks::Mpy_32_16(y1_hi, y1_lo, a1);
            t = voks::L_add(t, voks::Mpy_32_16(y2_hi, y2_lo, a2));
            t = voks::L_mac(t, x0, b0);
            t = voks::L_mac(t, x1, b1);
            t = voks::L_mac(t, x2, b2);
            t = voks::L_shl(t, static_cast<int16_t>(15 - sf));
            x[i] = sf == 13 ? voks::round_fx(voks::L_shl(t, 1)) : voks::round_fx(t);
            y2_hi = y1_hi;
            y2_lo = y1_lo;
            voks::L_Extract(t, y1_hi, y1_lo);
        }
    }
};

struct Lcg {
    uint32_t s;
    uint32_t next() { return s = s * 1664525u + 1013904223u; }
    int16_t i16(int bits) { return static_cast<int16_t>(static_cast<int32_t>(next() >> 8) >> (24 - bits)); }
};

// Runs the library and the reference side by side over calls of the given lengths.
void compare(const int16_t c[6], int sf, const std::vector<int16_t>& input, const std::vector<int>& calls,
             const char* what) {
    alignas(8) uint8_t raw[64];
    int size = 0;
    ASSERT_EQ(vokStatusOk, voksHighPassFilterSize_G729(&size));
    ASSERT_LE(size, 64);
    auto* st = reinterpret_cast<VokG729HighPassState*>(raw);
    ASSERT_EQ(vokStatusOk, voksHighPassFilterInit_G729(c, st));
    RefSection ref{c[1], c[2], c[3], c[4], c[5]};
    std::vector<int16_t> got = input, want = input;
    size_t pos = 0;
    for (int n : calls) {
        if (pos + static_cast<size_t>(n) > input.size()) break;
        ASSERT_EQ(vokStatusOk, voksHighPassFilter_G729_16s_ISfs(got.data() + pos, n, sf, st));
        ref.run(want.data() + pos, n, sf);
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(want[pos + i], got[pos + i]) << what << ": sample " << pos + i << " sf " << sf;
        pos += static_cast<size_t>(n);
    }
}

int32_t abs32(int32_t v) { return v < 0 ? -v : v; }

TEST(HighPassBound, RandomSetsAndAmplitudes) {
    Lcg g{0xBEEFu};
    for (int iter = 0; iter < 400; ++iter) {
        int16_t c[6];
        for (int16_t& v : c) v = g.i16(12 + static_cast<int>(g.next() % 5));
        if (iter % 7 == 0) c[1 + g.next() % 5] = -32768;  // the saturating product of the chain
        const int sf = iter % 2 ? 12 : 13;
        std::vector<int16_t> x(1200);
        int bits = 1 + static_cast<int>(g.next() % 16);
        for (size_t i = 0; i < x.size(); ++i) {
            if (i % 120 == 0) bits = 1 + static_cast<int>(g.next() % 16);  // quiet and loud stretches
            x[i] = g.i16(bits);
        }
        std::vector<int> calls;
        for (int k = 0; k < 40; ++k)  // long calls cross the blocks of the bounded path
            calls.push_back(k % 9 == 4 ? 120 + static_cast<int>(g.next() % 200) : 1 + static_cast<int>(g.next() % 80));
        compare(c, sf, x, calls, "random");
        if (::testing::Test::HasFatalFailure()) return;
    }
}

// The G.729 sets and extreme sets with max|x| at the largest value the call-wide bound admits,
// and one above it; square waves and impulses drive the recursion to its extremes.
TEST(HighPassBound, InputsAtTheBound) {
    const int16_t sets[][6] = {
        {8192, 15836, -7667, 7699, -15398, 7699},  // post-processing: bound at max|x| = 9857
        {4096, 7807, -3733, 1899, -3798, 1899},    // pre-processing: always within the bound
        {4096, 20000, -12000, 3000, -6000, 3000},
        {4096, 16384, 16383, 100, 0, 0},
        {4096, 0, 0, 32767, 32767, 1},
        {4096, -32767, 0, 16000, 0, -16000},
    };
    for (const auto& c : sets) {
        const int64_t a = int64_t{65538} * (abs32(c[1]) + abs32(c[2]));
        const int64_t b = abs32(c[3]) + abs32(c[4]) + abs32(c[5]);
        int64_t xlim = b == 0 ? 32767 : (int64_t{0x7FFFFFFF} - a) / (2 * b);
        if (xlim < 0) xlim = 0;
        for (int64_t top : {xlim, xlim + 1}) {
            if (top > 32767) top = 32767;
            for (int shape = 0; shape < 4; ++shape) {
                std::vector<int16_t> x(400);
                for (size_t i = 0; i < x.size(); ++i) {
                    const int16_t v = static_cast<int16_t>(top);
                    switch (shape) {
                        case 0: x[i] = (i / 7) % 2 ? v : static_cast<int16_t>(-v); break;  // square wave
                        case 1: x[i] = i % 40 == 0 ? v : 0; break;                         // impulses
                        case 2: x[i] = v; break;                                           // step
                        default: x[i] = static_cast<int16_t>((i * 7919) % (2 * top + 1) - top); break;
                    }
                }
                for (int sf : {12, 13}) {
                    compare(c, sf, x, std::vector<int>(10, 40), "bound");
                    if (::testing::Test::HasFatalFailure()) return;
                }
            }
        }
    }
}

}  // namespace

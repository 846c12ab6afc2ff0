// Exact short cuts against the step-by-step saturating chains of the reference (built here from
// the basic operators) exactly at the bound where a short cut hands over to the chain: the L_mac
// chains behind the pitch gain and the gain quantiser's correlations, and the high-pass section
// around its call-wide bound. Away from the bounds the golden sets run both paths.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/basicop.h"
#include "g729/g729_mathop.h"
#include "voksc.h"

namespace {

using namespace voks;
using namespace voks::g729;

constexpr int kLen = 40;

int32_t chain(int32_t start, const int16_t* x, const int16_t* y, int n, bool& overflow) {
    for (int i = 0; i < n; ++i) start = L_mac(start, x[i], y[i], overflow);
    return start;
}

TEST(GainFastPath, ExactChainAtTheBound) {
    // Constant vectors c: every partial sum is a multiple of 2 c^2, the bound 4 Ex Ey <= room^2
    // is tight (2 n c^2 <= room), and the chain saturates just past it.
    struct {
        int16_t c;
        int n;
        int32_t start;
    } const cases[] = {
        {7327, 20, 0},     {7328, 20, 0}, {7327, 20, 1}, {32767, 1, 0},  {-32768, 1, 0},
        {23170, 2, 0},     {23171, 2, 0}, {16383, 4, 3}, {16384, 4, -5}, {5792, 32, 0},
        {5793, 32, 0},     {5181, 40, 0}, {5182, 40, 0}, {5181, 40, -7}, {1000, 40, MAX_32 - 80000000},
        {1000, 40, MIN_32}};  // no room at all: refused
    for (const auto& cs : cases) {
        int16_t v[kLen], w[kLen];
        for (int i = 0; i < kLen; ++i) {
            v[i] = cs.c;
            w[i] = static_cast<int16_t>(i & 1 ? cs.c : -cs.c);
        }
        for (const int16_t* other : {v, w}) {
            bool overflow = false;
            const int32_t want = chain(cs.start, v, other, cs.n, overflow);
            int32_t got = 0x5A5A5A5A;
            if (ownMacChainExact(cs.start, v, other, cs.n, got)) {
                EXPECT_FALSE(overflow) << cs.c << " x " << cs.n;
                EXPECT_EQ(got, want) << cs.c << " x " << cs.n;
            } else {
                EXPECT_EQ(got, 0x5A5A5A5A) << "result written on refusal";
            }
        }
        // A positive start plus squares: the energy form saturates exactly with the chain.
        if (cs.start >= 0) {
            bool want_overflow = false, got_overflow = false;
            EXPECT_EQ(ownMacEnergy(cs.start, v, cs.n, got_overflow),
                      chain(cs.start, v, v, cs.n, want_overflow))
                << cs.c << " x " << cs.n;
            EXPECT_EQ(got_overflow, want_overflow) << cs.c << " x " << cs.n;
        }
    }
    // The tight cases decide as the bound says: 2 * 20 * 7327^2 < 2^31 <= 2 * 20 * 7328^2.
    std::vector<int16_t> a(kLen, 7327), b(kLen, 7328);
    int32_t r = 0;
    EXPECT_TRUE(ownMacChainExact(0, a.data(), a.data(), 20, r));
    EXPECT_EQ(r, 2 * 20 * 7327 * 7327);
    EXPECT_FALSE(ownMacChainExact(0, b.data(), b.data(), 20, r));
}

// The reference high-pass section (hi/lo state, Mpy_32_16 and L_mac) beside the library over calls
// of the given lengths, carrying the state across.
void compare_high_pass(const int16_t c[6], int sf, std::vector<int16_t> x, const std::vector<int>& calls) {
    alignas(8) uint8_t raw[64];
    auto* st = reinterpret_cast<VokG729HighPassState*>(raw);
    ASSERT_EQ(vokStatusOk, voksHighPassFilterInit_G729(c, st));
    int16_t y1_hi = 0, y1_lo = 0, y2_hi = 0, y2_lo = 0, x0 = 0, x1 = 0, x2 = 0;
    size_t pos = 0;
    for (int n : calls) {
        if (pos + static_cast<size_t>(n) > x.size()) break;
        std::vector<int16_t> got(x.begin() + pos, x.begin() + pos + n);
        ASSERT_EQ(vokStatusOk, voksHighPassFilter_G729_16s_ISfs(got.data(), n, sf, st));
        for (int i = 0; i < n; ++i, ++pos) {
            x2 = x1;
            x1 = x0;
            x0 = x[pos];
            int32_t t = L_add(Mpy_32_16(y1_hi, y1_lo, c[1]), Mpy_32_16(y2_hi, y2_lo, c[2]));
            t = L_shl(L_mac(L_mac(L_mac(t, x0, c[3]), x1, c[4]), x2, c[5]), static_cast<int16_t>(15 - sf));
            y2_hi = y1_hi;
            y2_lo = y1_lo;
            L_Extract(t, y1_hi, y1_lo);
            ASSERT_EQ(sf == 13 ? round_fx(L_shl(t, 1)) : round_fx(t), got[i])
                << "sample " << pos << " sf " << sf;
        }
    }
}

// The G.729 sets and extreme sets with max|x| at the largest value the bound
// 65538 (|a1| + |a2|) + 2 max|x| (|b0| + |b1| + |b2|) < 2^31 admits, one above it and full scale; square
// waves, impulses, steps and ramps drive the recursion to its extremes.
TEST(HighPassFastPath, InputsAtTheBound) {
    const int16_t sets[][6] = {{8192, 15836, -7667, 7699, -15398, 7699},  // post-processing: bound at 9857
                               {4096, 7807, -3733, 1899, -3798, 1899},    // pre-processing: always within
                               {4096, 20000, -12000, 3000, -6000, 3000},
                               {4096, 16384, 16383, 100, 0, 0},
                               {4096, 0, 0, 32767, 32767, 1},
                               {4096, -32767, 0, 16000, 0, -16000},
                               // a -32768 anywhere: the saturating chain on every sample
                               {4096, -32768, 0, 1899, 0, 0},
                               {4096, 7807, -32768, 1899, 0, 0},
                               {4096, 7807, 0, -32768, 0, 0},
                               {4096, 7807, 0, 1899, -32768, 0},
                               {4096, 7807, 0, 1899, 0, -32768}};
    for (const auto& c : sets) {
        const int64_t a = int64_t{65538} * (std::abs(c[1]) + std::abs(c[2]));
        const int64_t b = std::abs(c[3]) + std::abs(c[4]) + std::abs(c[5]);
        const int64_t xlim = b == 0 ? 32767 : std::max<int64_t>(0, (int64_t{0x7FFFFFFF} - a) / (2 * b));
        for (int64_t top : {xlim, xlim + 1, int64_t{32767}}) {
            const auto v = static_cast<int16_t>(std::min<int64_t>(top, 32767));
            for (int shape = 0; shape < 4; ++shape) {
                std::vector<int16_t> x(400);
                for (size_t i = 0; i < x.size(); ++i)
                    x[i] = static_cast<int16_t>(shape == 0   ? ((i / 7) % 2 ? v : -v)
                                                : shape == 1 ? (i % 40 == 0 ? v : 0)
                                                : shape == 2 ? v
                                                             : static_cast<int>(i * 7919 % (2 * v + 1)) - v);
                for (int sf : {12, 13}) {
                    compare_high_pass(c, sf, x, std::vector<int>(10, 40));
                    if (HasFatalFailure()) return;
                }
            }
        }
    }
}

}  // namespace

// The synthesis filters' fast paths against the step-by-step saturating chain of the reference
// (built here from the basic operators) where the golden Syn_filt set does not go: extreme
// filters, inputs placed just below and just above the exactness bound
// 2 * (|a0 x| + sum |a_i| max|y|) < 2^31, and aliased buffers. Every kernel level.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/basicop.h"
#include "frame/dispatch.h"
#include "voksc.h"

namespace {

using voks::frame::Level;
using V16 = std::vector<int16_t>;

// Syn_filt with hist = y[-10..-1] (zeros when null). Saturating: y[n] = round(L_shl(L_mult(x, a0)
// - sum L_mult(a_i, y[n-i]), 15 - sf)) returning the Overflow flag; wrapping: the low 16 bits of
// (sum + 2^(sf-1)) >> sf modulo 2^32, x = null being the impulse response.
bool chain(const int16_t* a, const int16_t* x, int16_t* y, int len, int sf, const int16_t* hist, bool wrap) {
    if (len <= 0) return false;
    V16 buf(10 + static_cast<size_t>(len), 0);
    if (hist) std::memcpy(buf.data(), hist, 20);
    bool ovf = false;
    for (int n = 0; n < len; ++n) {
        const int16_t xn = x ? x[n] : int16_t{0};
        int32_t s = voks::L_mult(xn, a[0], ovf);
        uint32_t w = (uint32_t{1} << (sf - 1)) + static_cast<uint32_t>(int32_t{a[0]} * xn);
        for (int i = 1; i <= 10; ++i) {
            s = voks::L_msu(s, a[i], buf[10 + n - i], ovf);
            w -= static_cast<uint32_t>(int32_t{a[i]} * buf[10 + n - i]);
        }
        buf[10 + n] = wrap ? static_cast<int16_t>(static_cast<int32_t>(w) >> sf)
                           : voks::round_fx(voks::L_shl(s, static_cast<int16_t>(15 - sf), ovf), ovf);
        if (!x && n == 0) buf[10] = a[0];
    }
    std::copy(buf.begin() + 10, buf.end(), y);
    return ovf;
}

struct Lcg {
    uint32_t s;
    uint32_t next() { return s = s * 1664525u + 1013904223u; }
    int16_t i16(int bits) { return static_cast<int16_t>(static_cast<int32_t>(next() >> 8) >> (24 - bits)); }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
};

class SynthesisFastPath : public ::testing::TestWithParam<Level> {
protected:
    void SetUp() override {
        if (voks::frame::force_level(GetParam()) != GetParam()) GTEST_SKIP() << "kernel level not available";
    }
    void TearDown() override { voks::frame::force_level(voks::frame::detected_level()); }

    // Every entry point on one case against the chain, with guards around the output.
    void check(const int16_t* a, const V16& x, int sf, const int16_t* hist) {
        const int len = static_cast<int>(x.size());
        V16 want(x.size()), got(x.size() + 2, 0x5A5A), io = x;
        const bool ovf = chain(a, x.data(), want.data(), len, sf, hist, false);
        const VokStatus st = ovf ? vokStatusOverflow : vokStatusOk;
        ASSERT_EQ(st, voksSynthesisFilter_NR_16s_Sfs(a, x.data(), &got[1], len, sf, hist));
        ASSERT_EQ(want, V16(got.begin() + 1, got.end() - 1));
        ASSERT_EQ(0x5A5A, got[0]);
        ASSERT_EQ(0x5A5A, got.back());
        ASSERT_EQ(st, voksSynthesisFilter_NR_16s_ISfs(a, io.data(), len, sf, hist));
        ASSERT_EQ(want, io);
        // The wrapping forms: in place with a history, without a history, the impulse response.
        chain(a, x.data(), want.data(), len, sf, hist, true);
        io = x;
        ASSERT_EQ(vokStatusOk, voksSynthesisFilterLow_NR_16s_ISfs(a, io.data(), len, sf, hist));
        ASSERT_EQ(want, io);
        chain(a, x.data(), want.data(), len, sf, nullptr, true);
        ASSERT_EQ(vokStatusOk, voksSynthesisFilter_NR_16s_Sfs(a, x.data(), io.data(), len, sf, nullptr));
        ASSERT_EQ(want, io);
        chain(a, nullptr, want.data(), len, sf, nullptr, true);
        ASSERT_EQ(vokStatusOk, voksSynthesisFilterZeroStateResponse_NR_16s(a, io.data(), len, sf));
        ASSERT_EQ(want, io);
    }
};

// The largest partial sum of the chain exactly at 2^31 - 2 (exact) and at 2^31 (saturated)
// through a[0] x[0] and a[1] y[-1] of the same sign; then extreme filters and inputs.
TEST_P(SynthesisFastPath, BoundAndExtremes) {
    struct {
        int16_t a0, a1, a2, y1;
        int extra;  // added to the largest input that keeps the bound
    } const bound[] = {{4096, -20000, 0, 30000, 0},     {4096, -20000, 0, 30000, 1},
                       {4096, -32768, 0, 32767, 0},     {4096, -32768, 0, 32767, 1},
                       {8192, -30000, -2768, 32000, 0}, {8192, -30000, -2768, 32000, 1},
                       {-4096, 20000, 0, 30000, 0},     {-4096, 20000, 0, 30000, 1},
                       {32767, -2, 0, 32767, 0},        {32767, -3, 0, 32767, 1}};
    for (const auto& c : bound) {
        const int16_t a[11] = {c.a0, c.a1, c.a2};
        const int64_t asum = std::abs(c.a1) + std::abs(c.a2);
        const int64_t xv =
            std::min<int64_t>(32767, ((int64_t{1} << 30) - 1 - asum * c.y1) / std::abs(c.a0) + c.extra);
        for (int sf : {12, 13}) {
            for (int sign : {1, -1}) {
                int16_t h[10] = {};
                h[8] = h[9] = static_cast<int16_t>(sign * c.y1);
                SCOPED_TRACE(c.a0 * 1000 + c.a1);
                check(a, {static_cast<int16_t>(sign * xv), 0, 0, 0}, sf, h);
                if (HasFatalFailure()) return;
            }
        }
    }
    // -32768 coefficients and inputs, full-scale alternation, impulses into a loud history, and
    // the output levels where the scaling and the rounding start to clip; constant inputs run
    // long enough to cross the internal chunking.
    const int16_t filters[][11] = {
        {-32768},
        {4096, -32768},
        {32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767},
        {-32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768},
        {4096, -8000, 6000, -3000, 1000},
        {4096},
        {8191}};
    for (const auto& a : filters) {
        for (int16_t v : {-32768, -32767, -16384, -1, 0, 1, 16383, 16384, 32767}) {
            for (int pattern = 0; pattern < 3; ++pattern) {
                V16 x(pattern == 0 ? 481 : 45, pattern == 2 ? 0 : v);  // 481 crosses two chunks
                for (size_t n = 0; pattern == 1 && n < x.size(); n += 2) x[n] = static_cast<int16_t>(-1 - v);
                x[0] = pattern == 1 ? static_cast<int16_t>(-1 - v) : v;
                int16_t hist[10];
                std::fill(hist, hist + 10, pattern == 2 ? v : 0);
                SCOPED_TRACE(v);
                check(a, x, 12, hist);
                check(a, x, 13, hist);
                if (HasFatalFailure()) return;
            }
        }
    }
    // A unit filter at full scale, with and without a history.
    const int16_t unit[11] = {4096}, zero[10] = {};
    check(unit, {32767, -32768, 32766, -32767}, 12, nullptr);
    check(unit, {32767, -32768, 32766, -32767}, 12, zero);
}

// Aliased buffers: the input starting before the output inside the same array (so it reads
// outputs of the same call) with the history just before the output, and the input after it.
TEST_P(SynthesisFastPath, AliasedBuffers) {
    Lcg g{77u};
    for (int iter = 0; iter < 400; ++iter) {
        int16_t a[11], hist[10];
        for (int16_t& c : a) c = g.i16(12 + iter % 4);
        a[0] = 4096;
        const int len = 1 + g.below(80), shift = 1 + g.below(12), sf = iter % 2 ? 12 : 13;
        V16 buf(static_cast<size_t>(len + shift + 20));
        for (int16_t& v : buf) v = g.i16(1 + iter % 16);
        // The chain reads x[n] after writing y[0..n-1]: emulate it one sample at a time.
        V16 ref = buf;
        int16_t* out = buf.data() + 10 + shift;
        int16_t* rout = ref.data() + 10 + shift;
        bool ovf = false;
        for (int n = 0; n < len; ++n)
            ovf |= chain(a, rout + n - shift, rout + n, 1, sf, rout + n - 10, false);
        ASSERT_EQ(ovf ? vokStatusOverflow : vokStatusOk,
                  voksSynthesisFilter_NR_16s_Sfs(a, out - shift, out, len, sf, out - 10));
        ASSERT_EQ(ref, buf) << iter;

        // Input after the output: every input sample is read before it is overwritten.
        V16 b2(static_cast<size_t>(len + shift)), want(static_cast<size_t>(len));
        for (int16_t& v : b2) v = g.i16(1 + iter % 16);
        for (int16_t& h : hist) h = g.i16(1 + iter % 16);
        ovf = chain(a, b2.data() + shift, want.data(), len, sf, hist, false);
        ASSERT_EQ(ovf ? vokStatusOverflow : vokStatusOk,
                  voksSynthesisFilter_NR_16s_Sfs(a, b2.data() + shift, b2.data(), len, sf, hist));
        ASSERT_EQ(want, V16(b2.begin(), b2.begin() + len)) << iter;
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, SynthesisFastPath, ::testing::Values(Level::Scalar, Level::AVX2));

}  // namespace

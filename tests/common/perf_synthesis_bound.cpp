// The synthesis filters' fast paths against the step-by-step saturating chain of the reference
// (built here from the basic operators): random, loud and extreme filters, inputs placed just
// below and just above the exactness bound 2 * (|a0 x| + sum |a_i| max|y|) < 2^31, long calls
// that cross the internal chunking, and aliased buffers. Every kernel level.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "common/basicop.h"
#include "frame/dispatch.h"
#include "voksc.h"

namespace {

using voks::frame::Level;

// Syn_filt: y[n] = round(L_shl(L_mult(x, a0) - sum L_mult(a_i, y[n-i]), 15 - sf)), every step
// saturating; hist holds y[-10..-1]. Returns the Overflow flag.
bool reference_synth(const int16_t* a, const int16_t* x, int16_t* y, int len, int sf, const int16_t* hist) {
    std::vector<int16_t> buf(10 + static_cast<size_t>(len));
    for (int i = 0; i < 10; ++i) buf[i] = hist ? hist[i] : 0;
    bool ovf = false;
    for (int n = 0; n < len; ++n) {
        int32_t s = voks::L_mult(x[n], a[0], ovf);
        for (int i = 1; i <= 10; ++i) s = voks::L_msu(s, a[i], buf[10 + n - i], ovf);
        s = voks::L_shl(s, static_cast<int16_t>(15 - sf), ovf);
        buf[10 + n] = voks::round_fx(s, ovf);
    }
    std::memcpy(y, buf.data() + 10, sizeof(int16_t) * static_cast<size_t>(len));
    return ovf;
}

// The same recursion modulo 2^32, keeping the low 16 bits of (sum + 2^(sf-1)) >> sf.
void wrapping_synth(const int16_t* a, const int16_t* x, int16_t* y, int len, int sf, const int16_t* hist,
                    bool impulse) {
    std::vector<int16_t> buf(10 + static_cast<size_t>(len));
    for (int i = 0; i < 10; ++i) buf[i] = hist ? hist[i] : 0;
    for (int n = 0; n < len; ++n) {
        uint32_t s = (uint32_t{1} << (sf - 1)) + static_cast<uint32_t>(int32_t{a[0]} * (x ? x[n] : 0));
        for (int i = 1; i <= 10; ++i) s -= static_cast<uint32_t>(int32_t{a[i]} * buf[10 + n - i]);
        buf[10 + n] = static_cast<int16_t>(static_cast<int32_t>(s) >> sf);
        if (impulse && n == 0) buf[10] = a[0];
    }
    std::memcpy(y, buf.data() + 10, sizeof(int16_t) * static_cast<size_t>(len));
}

struct Lcg {
    uint32_t s;
    uint32_t next() { return s = s * 1664525u + 1013904223u; }
    int16_t i16(int bits) {  // uniform in [-2^(bits-1), 2^(bits-1))
        return static_cast<int16_t>(static_cast<int32_t>(next() >> 8) >> (24 - bits));
    }
};

std::vector<Level> levels() {
    std::vector<Level> l{Level::Scalar};
    if (voks::frame::detected_level() == Level::AVX2) l.push_back(Level::AVX2);
    return l;
}

class SynthesisBound : public ::testing::Test {
protected:
    void TearDown() override { voks::frame::force_level(voks::frame::detected_level()); }

    // Runs every entry point on one case and compares it with the reference chain.
    void check(const int16_t* a, const std::vector<int16_t>& x, int sf, const int16_t* hist, const char* what) {
        const int len = static_cast<int>(x.size());
        std::vector<int16_t> want(x.size()), got(x.size() + 2, 0x5A5A);
        const bool ovf = reference_synth(a, x.data(), want.data(), len, sf, hist);
        const VokStatus expect = ovf ? vokStatusOverflow : vokStatusOk;
        ASSERT_EQ(expect, voksSynthesisFilter_NR_16s_Sfs(a, x.data(), got.data() + 1, len, sf, hist)) << what;
        ASSERT_EQ(0, std::memcmp(want.data(), got.data() + 1, 2 * x.size())) << what;
        ASSERT_EQ(0x5A5A, got[0]) << what;
        ASSERT_EQ(0x5A5A, got[x.size() + 1]) << what;
        std::vector<int16_t> io = x;
        ASSERT_EQ(expect, voksSynthesisFilter_NR_16s_ISfs(a, io.data(), len, sf, hist)) << what;
        ASSERT_EQ(want, io) << what;
        ++cases;
        overflowed += ovf;
        // The wrapping forms against their modulo-2^32 definition.
        wrapping_synth(a, x.data(), want.data(), len, sf, hist, false);
        io = x;
        ASSERT_EQ(vokStatusOk, voksSynthesisFilterLow_NR_16s_ISfs(a, io.data(), len, sf, hist)) << what;
        ASSERT_EQ(want, io) << what;
        wrapping_synth(a, x.data(), want.data(), len, sf, nullptr, false);
        ASSERT_EQ(vokStatusOk, voksSynthesisFilter_NR_16s_Sfs(a, x.data(), got.data() + 1, len, sf, nullptr)) << what;
        ASSERT_EQ(0, std::memcmp(want.data(), got.data() + 1, 2 * x.size())) << what;
        wrapping_synth(a, nullptr, want.data(), len, sf, nullptr, true);
        ASSERT_EQ(vokStatusOk, voksSynthesisFilterZeroStateResponse_NR_16s(a, got.data() + 1, len, sf)) << what;
        ASSERT_EQ(0, std::memcmp(want.data(), got.data() + 1, 2 * x.size())) << what;
    }

    int cases = 0, overflowed = 0;
};

// Random filters from quiet to far beyond sum |a| = 8, on inputs and histories of every scale.
TEST_F(SynthesisBound, RandomFiltersAgainstTheChain) {
    for (Level level : levels()) {
        voks::frame::force_level(level);
        Lcg g{0xC0FFEEu};
        cases = overflowed = 0;
        for (int iter = 0; iter < 3000; ++iter) {
            int16_t a[11], hist[10];
            const int coef_bits = 10 + static_cast<int>(g.next() % 7);  // |a_i| up to 2^15
            for (int16_t& c : a) c = g.i16(coef_bits);
            a[0] = iter % 5 == 0 ? g.i16(16) : 4096;
            const int hbits = 1 + static_cast<int>(g.next() % 16);
            for (int16_t& h : hist) h = g.i16(hbits);
            const int len = iter % 50 == 0 ? 241 + static_cast<int>(g.next() % 300) : 1 + static_cast<int>(g.next() % 60);
            const int xbits = 1 + static_cast<int>(g.next() % 16);
            std::vector<int16_t> x(static_cast<size_t>(len));
            for (int16_t& v : x) v = g.i16(xbits);
            check(a, x, iter % 3 == 0 ? 13 : 12, hist, "random");
            if (HasFatalFailure()) return;
        }
        // Both sides of the bound are exercised: some calls saturate, most do not.
        EXPECT_GT(overflowed, 300);
        EXPECT_LT(overflowed, cases - 1000);
    }
}

// Inputs that put the largest partial sum of the chain exactly at 2^31 - 2 (exact) and at 2^31
// (saturated) through a[0] x[0] and a[1] y[-1] of the same sign.
TEST_F(SynthesisBound, PartialSumsAtTheBound) {
    struct Case {
        int16_t a0, a1, a2, y1;
        int32_t extra;  // added to the largest input that keeps the bound
    };
    const Case table[] = {
        {4096, -20000, 0, 30000, 0}, {4096, -20000, 0, 30000, 1},     {4096, -32768, 0, 32767, 0},
        {4096, -32768, 0, 32767, 1}, {8192, -30000, -2768, 32000, 0}, {8192, -30000, -2768, 32000, 1},
        {-4096, 20000, 0, 30000, 0}, {-4096, 20000, 0, 30000, 1},     {32767, -2, 0, 32767, 0},
        {32767, -3, 0, 32767, 1},
    };
    for (Level level : levels()) {
        voks::frame::force_level(level);
        for (const Case& c : table) {
            int16_t a[11] = {c.a0, c.a1, c.a2, 0, 0, 0, 0, 0, 0, 0, 0};
            int16_t hist[10] = {0, 0, 0, 0, 0, 0, 0, 0, c.y1, c.y1};
            const int32_t asum = (c.a1 < 0 ? -c.a1 : c.a1) + (c.a2 < 0 ? -c.a2 : c.a2);
            const int32_t a0 = c.a0 < 0 ? -c.a0 : c.a0;
            // a0 * x + asum * y1 <= 2^30 - 1, the largest such x, then pushed over.
            int64_t xv = ((int64_t{1} << 30) - 1 - int64_t{asum} * c.y1) / a0 + c.extra;
            if (xv > 32767) xv = 32767;
            for (int sf : {12, 13}) {
                for (int sign : {1, -1}) {
                    std::vector<int16_t> x = {static_cast<int16_t>(sign * xv), 0, 0, 0};
                    int16_t h[10];
                    for (int i = 0; i < 10; ++i) h[i] = static_cast<int16_t>(sign * hist[i]);
                    check(a, x, sf, h, "bound");
                    if (HasFatalFailure()) return;
                }
            }
        }
    }
}

// Extreme values: -32768 coefficients and inputs, full-scale alternation, and the output levels
// where the scaling and the rounding start to clip.
TEST_F(SynthesisBound, ExtremeValues) {
    for (Level level : levels()) {
        voks::frame::force_level(level);
        const int16_t filters[][11] = {
            {-32768, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
            {4096, -32768, 0, 0, 0, 0, 0, 0, 0, 0, 0},
            {32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767},
            {-32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768},
            {4096, -8000, 6000, -3000, 1000, 0, 0, 0, 0, 0, 0},
            {4096, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
            {8191, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        };
        const int16_t levels16[] = {-32768, -32767, -16384, -1, 0, 1, 16383, 16384, 32767};
        for (const auto& a : filters) {
            for (int16_t v : levels16) {
                for (int pattern = 0; pattern < 3; ++pattern) {
                    std::vector<int16_t> x(45);
                    for (size_t n = 0; n < x.size(); ++n)
                        x[n] = pattern == 0 ? v : pattern == 1 ? (n % 2 ? v : static_cast<int16_t>(-1 - v)) : (n == 0 ? v : 0);
                    int16_t hist[10];
                    for (int i = 0; i < 10; ++i) hist[i] = pattern == 2 ? v : 0;
                    check(a, x, 12, hist, "extreme");
                    check(a, x, 13, hist, "extreme");
                    if (HasFatalFailure()) return;
                }
            }
        }
        // A unit filter at full scale, with and without a history.
        const int16_t unit12[11] = {4096, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        std::vector<int16_t> x = {32767, -32768, 32766, -32767};
        check(unit12, x, 12, nullptr, "unit");
        const int16_t hist[10] = {};
        check(unit12, x, 12, hist, "unit");
    }
}

// Aliased buffers: the input starting before the output inside the same array (so it reads
// outputs of the same call), after it, and the history just before the output.
TEST_F(SynthesisBound, AliasedBuffers) {
    for (Level level : levels()) {
        voks::frame::force_level(level);
        Lcg g{77u};
        for (int iter = 0; iter < 400; ++iter) {
            int16_t a[11];
            for (int16_t& c : a) c = g.i16(12 + iter % 4);
            a[0] = 4096;
            const int len = 1 + static_cast<int>(g.next() % 80);
            const int shift = 1 + static_cast<int>(g.next() % 12);
            std::vector<int16_t> buf(static_cast<size_t>(len + shift + 20));
            for (int16_t& v : buf) v = g.i16(1 + iter % 16);
            const int sf = iter % 2 ? 12 : 13;
            // History right before the output, input `shift` samples earlier in the same array.
            std::vector<int16_t> ref = buf;
            int16_t* out = buf.data() + 10 + shift;
            int16_t* rout = ref.data() + 10 + shift;
            // The reference reads x[n] after writing y[0..n-1]: emulate it one sample at a time.
            bool ovf = false;
            for (int n = 0; n < len; ++n) {
                int16_t h[10];
                std::memcpy(h, rout + n - 10, sizeof h);
                int16_t yn = 0;
                ovf |= reference_synth(a, rout + n - shift, &yn, 1, sf, h);
                rout[n] = yn;
            }
            const VokStatus st = voksSynthesisFilter_NR_16s_Sfs(a, out - shift, out, len, sf, out - 10);
            ASSERT_EQ(ovf ? vokStatusOverflow : vokStatusOk, st) << iter;
            ASSERT_EQ(ref, buf) << iter;

            // Input after the output: every input sample is read before it is overwritten.
            std::vector<int16_t> b2(static_cast<size_t>(len + shift));
            for (int16_t& v : b2) v = g.i16(1 + iter % 16);
            int16_t hist[10];
            for (int16_t& h : hist) h = g.i16(1 + iter % 16);
            std::vector<int16_t> want(static_cast<size_t>(len));
            ovf = reference_synth(a, b2.data() + shift, want.data(), len, sf, hist);
            ASSERT_EQ(ovf ? vokStatusOverflow : vokStatusOk,
                      voksSynthesisFilter_NR_16s_Sfs(a, b2.data() + shift, b2.data(), len, sf, hist));
            ASSERT_EQ(0, std::memcmp(want.data(), b2.data(), sizeof(int16_t) * want.size())) << iter;
        }
    }
}

}  // namespace

// Basic operators and shared internal operators against golden data produced by the standards'
// reference routines (see tests/data/README.md for which routine produced which file).
//
// File formats (tests/data/basicop/*.bin): flat arrays of fixed-size little-endian records, no
// header; the record count is the file size divided by the record size. i16/i32 are signed.
// "flags" hold the reference's Overflow flag after each call (cleared before it), bit per column.
//
//   bin16.bin      20 B  i16 a, b, add, sub, mult, mult_r; i32 L_mult;
//                        i16 flags (1 add, 2 sub, 4 L_mult); i16 0
//   shift16.bin    12 B  i16 a, n, shl(a,n), shr(a,n), shr_r(a,n), flags (1 shl, 2 shr)
//   div_s.bin       8 B  i16 num, den, div_s, 0                   (0 <= num <= den, den > 0)
//   unary16.bin     8 B  i16 a, abs_s, negate, norm_s
//   unary32.bin    20 B  i32 x, L_abs, L_negate; i16 norm_l, round, extract_h, extract_l
//   bin32.bin      20 B  i32 a, b, L_add, L_sub, flags (1 L_add, 2 L_sub)
//   mac.bin        24 B  i32 acc; i16 a, b; i32 L_mac, L_msu; i16 mac_r, msu_r;
//                        i32 flags (1 L_mac, 2 L_msu)
//   shift32.bin    20 B  i32 x; i16 n, flags (1 L_shl, 2 L_shr); i32 L_shl, L_shr, L_shr_r
//   extract.bin     8 B  i32 x; i16 hi, lo                        (L_Extract)
//   comp.bin        8 B  i16 hi, lo; i32 L_Comp
//   mpy32.bin      16 B  i16 hi1, lo1, hi2, lo2; i32 Mpy_32(hi1,lo1,hi2,lo2), Mpy_32_16(hi1,lo1,hi2)
//   div32.bin      12 B  i32 num; i16 den_hi, den_lo; i32 Div_32  (den normalised, 0 <= num < den)
//   log2.bin        8 B  i32 x; i16 exponent, fraction
//   pow2.bin        8 B  i16 exponent (0..30), fraction (0..32767); i32 result
//   inv_sqrt.bin    8 B  i32 x, result                            (G.729 Inv_sqrt)
//   isqrt_n.bin    12 B  i32 mantissa in; i16 exponent in, exponent out; i32 mantissa out
//                        (AMR-WB Isqrt_n, mantissa normalised or <= 0)
//   g_pitch.bin   172 B  i16 x[40], y[40], gain, coeff[4], coeff3 (G.729 G_pitch, <x,y> from 0;
//                        coeff[3] as G_pitch leaves it: -15 when coeff[2] <= 0; coeff3 is
//                        15 - exponent of <x,y> before that override)
//   gain_predict.bin      16 B  i16 past[4]; i32 energy; i16 gcode0, exp_gcode0
//   gain_update.bin       20 B  i16 past[4]; i32 gain (Q13); i16 past_after[4]
//   gain_update_erasure.bin 16 B  i16 past[4], past_after[4]
//
//   digests.txt    lines "<group> <cases> <digest>": 64-bit FNV-1a (hex) over the outputs of a
//                  large deterministic input sweep, each output in little-endian bytes of its
//                  type and each overflow flag as one byte 0/1, in the order of the sweeps below.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/basicop.h"
#include "g729/g729_mathop.h"
#include "support/files.h"

namespace {

using namespace voks;
using namespace voks::g729;

// One golden file: fixed-size records read by byte offset.
class Golden {
public:
    Golden(const char* name, size_t recordSize) : name_(name), size_(recordSize) {
        voksc_test::read_bytes(std::string(VOKSC_TEST_DATA_DIR) + "/basicop/" + name, bytes_);
    }
    // Present, whole records only, and at least `minimum` of them.
    ::testing::AssertionResult usable(size_t minimum) const {
        if (bytes_.empty()) return ::testing::AssertionFailure() << name_ << " missing or empty";
        if (bytes_.size() % size_ != 0)
            return ::testing::AssertionFailure() << name_ << " is not a whole number of records";
        if (records() < minimum)
            return ::testing::AssertionFailure() << name_ << " has only " << records() << " records";
        return ::testing::AssertionSuccess();
    }
    size_t records() const { return bytes_.size() / size_; }
    int16_t s16(size_t rec, size_t off) const {
        const unsigned char* p = &bytes_[rec * size_ + off];
        return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
    }
    int32_t s32(size_t rec, size_t off) const {
        const unsigned char* p = &bytes_[rec * size_ + off];
        return static_cast<int32_t>(uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                                    (uint32_t{p[3]} << 24));
    }

private:
    std::string name_;
    size_t size_;
    std::vector<unsigned char> bytes_;
};

// Collects mismatches of one operator family; shows the first few with their inputs.
class Mismatches {
public:
    template <typename Got, typename Want, typename... Inputs>
    void check(const char* op, Got got, Want want, Inputs... inputs) {
        ++checked_;
        if (static_cast<int64_t>(got) == static_cast<int64_t>(want)) return;
        if (failed_++ >= kShown) return;
        text_ << op << '(';
        const char* sep = "";
        ((text_ << sep << static_cast<int64_t>(inputs), sep = ", "), ...);
        text_ << ") = " << static_cast<int64_t>(got) << ", reference " << static_cast<int64_t>(want) << '\n';
    }
    ::testing::AssertionResult result() const {
        if (failed_ == 0) return ::testing::AssertionSuccess() << checked_ << " values equal";
        return ::testing::AssertionFailure()
               << failed_ << " of " << checked_ << " values differ from the reference:\n"
               << text_.str();
    }

private:
    static constexpr int kShown = 12;
    int64_t checked_ = 0;
    int64_t failed_ = 0;
    std::ostringstream text_;
};

// An operator with a trailing overflow flag: the flag must be raised exactly when the reference
// raised it, and once raised it stays raised (calling with it already set changes nothing else).
template <typename F>
void checkFlagged(Mismatches& m, const char* op, F call, int64_t want, bool wantFlag, int64_t in1,
                  int64_t in2, int64_t in3 = 0) {
    bool flag = false;
    const int64_t got = call(flag);
    m.check(op, got, want, in1, in2, in3);
    m.check(op, flag, wantFlag, in1, in2, in3);
    bool sticky = true;
    m.check(op, call(sticky), want, in1, in2, in3);
    m.check(op, sticky, true, in1, in2, in3);
}

TEST(BasicOpGolden, Add16Sub16Mult) {
    const Golden g("bin16.bin", 20);
    ASSERT_TRUE(g.usable(2000));
    Mismatches m;
    for (size_t r = 0; r < g.records(); ++r) {
        const int16_t a = g.s16(r, 0), b = g.s16(r, 2);
        const int flags = g.s16(r, 16);
        m.check("add", add(a, b), g.s16(r, 4), a, b);
        m.check("sub", sub(a, b), g.s16(r, 6), a, b);
        m.check("mult", mult(a, b), g.s16(r, 8), a, b);
        m.check("mult_r", mult_r(a, b), g.s16(r, 10), a, b);
        m.check("L_mult", L_mult(a, b), g.s32(r, 12), a, b);
        checkFlagged(
            m, "add/flag", [&](bool& o) { return add(a, b, o); }, g.s16(r, 4), flags & 1, a, b);
        checkFlagged(
            m, "sub/flag", [&](bool& o) { return sub(a, b, o); }, g.s16(r, 6), flags & 2, a, b);
        checkFlagged(
            m, "L_mult/flag", [&](bool& o) { return L_mult(a, b, o); }, g.s32(r, 12), flags & 4, a, b);
    }
    EXPECT_TRUE(m.result());
}

TEST(BasicOpGolden, Shift16) {
    const Golden g("shift16.bin", 12);
    ASSERT_TRUE(g.usable(2000));
    Mismatches m;
    for (size_t r = 0; r < g.records(); ++r) {
        const int16_t a = g.s16(r, 0), n = g.s16(r, 2);
        m.check("shl", shl(a, n), g.s16(r, 4), a, n);
        m.check("shr", shr(a, n), g.s16(r, 6), a, n);
        m.check("shr_r", shr_r(a, n), g.s16(r, 8), a, n);
        checkFlagged(
            m, "shl/flag", [&](bool& o) { return shl(a, n, o); }, g.s16(r, 4), g.s16(r, 10) & 1, a, n);
    }
    EXPECT_TRUE(m.result());
}

TEST(BasicOpGolden, DivS) {
    const Golden g("div_s.bin", 8);
    ASSERT_TRUE(g.usable(1500));
    Mismatches m;
    for (size_t r = 0; r < g.records(); ++r) {
        const int16_t a = g.s16(r, 0), b = g.s16(r, 2);
        m.check("div_s", div_s(a, b), g.s16(r, 4), a, b);
    }
    EXPECT_TRUE(m.result());
}

TEST(BasicOpGolden, Unary16) {
    const Golden g("unary16.bin", 8);
    ASSERT_TRUE(g.usable(1500));
    Mismatches m;
    for (size_t r = 0; r < g.records(); ++r) {
        const int16_t a = g.s16(r, 0);
        m.check("abs_s", abs_s(a), g.s16(r, 2), a);
        m.check("negate", negate(a), g.s16(r, 4), a);
        m.check("norm_s", norm_s(a), g.s16(r, 6), a);
    }
    EXPECT_TRUE(m.result());
}

TEST(BasicOpGolden, Unary32) {
    const Golden g("unary32.bin", 20);
    ASSERT_TRUE(g.usable(1500));
    Mismatches m;
    for (size_t r = 0; r < g.records(); ++r) {
        const int32_t x = g.s32(r, 0);
        m.check("L_abs", L_abs(x), g.s32(r, 4), x);
        m.check("L_negate", L_negate(x), g.s32(r, 8), x);
        m.check("norm_l", norm_l(x), g.s16(r, 12), x);
        m.check("round", round_fx(x), g.s16(r, 14), x);
        m.check("extract_h", extract_h(x), g.s16(r, 16), x);
        m.check("extract_l", extract_l(x), g.s16(r, 18), x);
    }
    EXPECT_TRUE(m.result());
}

TEST(BasicOpGolden, AddSub32) {
    const Golden g("bin32.bin", 20);
    ASSERT_TRUE(g.usable(1500));
    Mismatches m;
    for (size_t r = 0; r < g.records(); ++r) {
        const int32_t a = g.s32(r, 0), b = g.s32(r, 4);
        const int32_t flags = g.s32(r, 16);
        m.check("L_add", L_add(a, b), g.s32(r, 8), a, b);
        m.check("L_sub", L_sub(a, b), g.s32(r, 12), a, b);
        checkFlagged(
            m, "L_add/flag", [&](bool& o) { return L_add(a, b, o); }, g.s32(r, 8), flags & 1, a, b);
        checkFlagged(
            m, "L_sub/flag", [&](bool& o) { return L_sub(a, b, o); }, g.s32(r, 12), flags & 2, a, b);
    }
    EXPECT_TRUE(m.result());
}

TEST(BasicOpGolden, MultiplyAccumulate) {
    const Golden g("mac.bin", 24);
    ASSERT_TRUE(g.usable(2000));
    Mismatches m;
    for (size_t r = 0; r < g.records(); ++r) {
        const int32_t acc = g.s32(r, 0);
        const int16_t a = g.s16(r, 4), b = g.s16(r, 6);
        const int32_t flags = g.s32(r, 20);
        m.check("L_mac", L_mac(acc, a, b), g.s32(r, 8), acc, a, b);
        m.check("L_msu", L_msu(acc, a, b), g.s32(r, 12), acc, a, b);
        m.check("mac_r", mac_r(acc, a, b), g.s16(r, 16), acc, a, b);
        m.check("msu_r", msu_r(acc, a, b), g.s16(r, 18), acc, a, b);
        checkFlagged(
            m, "L_mac/flag", [&](bool& o) { return L_mac(acc, a, b, o); }, g.s32(r, 8), flags & 1, acc, a, b);
        checkFlagged(
            m, "L_msu/flag", [&](bool& o) { return L_msu(acc, a, b, o); }, g.s32(r, 12), flags & 2, acc, a,
            b);
    }
    EXPECT_TRUE(m.result());
}

TEST(BasicOpGolden, Shift32) {
    const Golden g("shift32.bin", 20);
    ASSERT_TRUE(g.usable(1500));
    Mismatches m;
    for (size_t r = 0; r < g.records(); ++r) {
        const int32_t x = g.s32(r, 0);
        const int16_t n = g.s16(r, 4);
        m.check("L_shl", L_shl(x, n), g.s32(r, 8), x, n);
        m.check("L_shr", L_shr(x, n), g.s32(r, 12), x, n);
        m.check("L_shr_r", L_shr_r(x, n), g.s32(r, 16), x, n);
        checkFlagged(
            m, "L_shl/flag", [&](bool& o) { return L_shl(x, n, o); }, g.s32(r, 8), g.s16(r, 6) & 1, x, n);
    }
    EXPECT_TRUE(m.result());
}

TEST(BasicOpGolden, DoublePrecision) {
    Mismatches m;
    const Golden ex("extract.bin", 8);
    ASSERT_TRUE(ex.usable(1000));
    for (size_t r = 0; r < ex.records(); ++r) {
        const int32_t x = ex.s32(r, 0);
        int16_t hi = 0x5555, lo = 0x5555;
        L_Extract(x, hi, lo);
        m.check("L_Extract.hi", hi, ex.s16(r, 4), x);
        m.check("L_Extract.lo", lo, ex.s16(r, 6), x);
    }
    const Golden comp("comp.bin", 8);
    ASSERT_TRUE(comp.usable(1000));
    for (size_t r = 0; r < comp.records(); ++r) {
        const int16_t hi = comp.s16(r, 0), lo = comp.s16(r, 2);
        m.check("L_Comp", L_Comp(hi, lo), comp.s32(r, 4), hi, lo);
    }
    const Golden mpy("mpy32.bin", 16);
    ASSERT_TRUE(mpy.usable(1500));
    for (size_t r = 0; r < mpy.records(); ++r) {
        const int16_t h1 = mpy.s16(r, 0), l1 = mpy.s16(r, 2), h2 = mpy.s16(r, 4), l2 = mpy.s16(r, 6);
        m.check("Mpy_32", Mpy_32(h1, l1, h2, l2), mpy.s32(r, 8), h1, l1, h2, l2);
        m.check("Mpy_32_16", Mpy_32_16(h1, l1, h2), mpy.s32(r, 12), h1, l1, h2);
    }
    const Golden div("div32.bin", 12);
    ASSERT_TRUE(div.usable(1000));
    for (size_t r = 0; r < div.records(); ++r) {
        const int32_t num = div.s32(r, 0);
        const int16_t hi = div.s16(r, 4), lo = div.s16(r, 6);
        m.check("Div_32", Div_32(num, hi, lo), div.s32(r, 8), num, hi, lo);
    }
    EXPECT_TRUE(m.result());
}

TEST(MathOpGolden, Log2Pow2) {
    Mismatches m;
    const Golden lg("log2.bin", 8);
    ASSERT_TRUE(lg.usable(1500));
    for (size_t r = 0; r < lg.records(); ++r) {
        const int32_t x = lg.s32(r, 0);
        int16_t e = 0x5555, f = 0x5555;
        ownLog2(x, e, f);
        m.check("ownLog2.exponent", e, lg.s16(r, 4), x);
        m.check("ownLog2.fraction", f, lg.s16(r, 6), x);
    }
    const Golden pw("pow2.bin", 8);
    ASSERT_TRUE(pw.usable(31 * 60));
    for (size_t r = 0; r < pw.records(); ++r) {
        const int16_t e = pw.s16(r, 0), f = pw.s16(r, 2);
        m.check("ownPow2", ownPow2(e, f), pw.s32(r, 4), e, f);
    }
    EXPECT_TRUE(m.result());
}

TEST(MathOpGolden, InverseSquareRoots) {
    Mismatches m;
    const Golden g("inv_sqrt.bin", 8);
    ASSERT_TRUE(g.usable(1500));
    for (size_t r = 0; r < g.records(); ++r) {
        const int32_t x = g.s32(r, 0);
        m.check("ownInvSqrt", ownInvSqrt(x), g.s32(r, 4), x);
    }
    EXPECT_TRUE(m.result());
}

// Values worked out by hand from the table interpolation (2^30 / sqrt(x), table entry 0 is
// 32767, entry 16 is 23170 = 2^15 / sqrt 2).
TEST(MathOpGolden, InvSqrtHandValues) {
    struct Case {
        int32_t x, want;
    };
    const Case cases[] = {{0, 0x3FFFFFFF},    {-5, 0x3FFFFFFF}, {-0x7FFFFFFF - 1, 0x3FFFFFFF},
                          {1, 1073709056},    {4, 536854528},   {0x40000000, 32767},
                          {0x7FFFFFFF, 23170}};
    for (const Case& c : cases) EXPECT_EQ(ownInvSqrt(c.x), c.want) << "x = " << c.x;
}

TEST(MathOpGolden, PitchGain) {
    constexpr size_t kRec = 172;
    const Golden g("g_pitch.bin", kRec);
    ASSERT_TRUE(g.usable(150));
    Mismatches m;
    for (size_t r = 0; r < g.records(); ++r) {
        int16_t x[40], y[40];
        for (int i = 0; i < 40; ++i) {
            x[i] = g.s16(r, 2 * i);
            y[i] = g.s16(r, 80 + 2 * i);
        }
        int16_t coeff[4] = {0x5555, 0x5555, 0x5555, 0x5555};
        const int16_t gain = voksComputeAdaptiveCodebookGain_16s(0, y, x, coeff);
        const int64_t rec = static_cast<int64_t>(r);  // the record number locates the vectors
        m.check("gain", gain, g.s16(r, 160), rec);
        for (int k = 0; k < 3; ++k) m.check("coeff", coeff[k], g.s16(r, 162 + 2 * k), rec, k);
        m.check("coeff", coeff[3], g.s16(r, 170), rec, 3);
        // G.729 callers force the <x,y> exponent term to -15 when <x,y> <= 0 (not whenever the
        // gain is 0: a positive <x,y> far below <y,y> also gives gain 0 and keeps its exponent).
        const int16_t g729Coeff3 = coeff[2] <= 0 ? int16_t{-15} : coeff[3];
        m.check("coeff/G.729", g729Coeff3, g.s16(r, 168), rec, 3);
    }
    EXPECT_TRUE(m.result());
}

TEST(MathOpGolden, GainPrediction) {
    Mismatches m;
    const Golden p("gain_predict.bin", 16);
    ASSERT_TRUE(p.usable(1000));
    for (size_t r = 0; r < p.records(); ++r) {
        const int16_t past[4] = {p.s16(r, 0), p.s16(r, 2), p.s16(r, 4), p.s16(r, 6)};
        const int32_t energy = p.s32(r, 8);
        int16_t g = 0x5555, e = 0x5555;
        ownGainPredict(past, energy, g, e);
        m.check("ownGainPredict.gcode0", g, p.s16(r, 12), past[0], past[1], past[2], past[3], energy);
        m.check("ownGainPredict.exp", e, p.s16(r, 14), past[0], past[1], past[2], past[3], energy);
    }
    const Golden u("gain_update.bin", 20);
    ASSERT_TRUE(u.usable(1000));
    for (size_t r = 0; r < u.records(); ++r) {
        int16_t past[4] = {u.s16(r, 0), u.s16(r, 2), u.s16(r, 4), u.s16(r, 6)};
        const int16_t before0 = past[0];
        const int32_t gain = u.s32(r, 8);
        ownGainUpdate(past, gain);
        for (int k = 0; k < 4; ++k) m.check("ownGainUpdate", past[k], u.s16(r, 12 + 2 * k), before0, gain, k);
    }
    const Golden e("gain_update_erasure.bin", 16);
    ASSERT_TRUE(e.usable(500));
    for (size_t r = 0; r < e.records(); ++r) {
        int16_t past[4] = {e.s16(r, 0), e.s16(r, 2), e.s16(r, 4), e.s16(r, 6)};
        const int16_t in[4] = {past[0], past[1], past[2], past[3]};
        ownGainUpdateErasure(past);
        for (int k = 0; k < 4; ++k)
            m.check("ownGainUpdateErasure", past[k], e.s16(r, 8 + 2 * k), in[0], in[1], in[2], in[3], k);
    }
    EXPECT_TRUE(m.result());
}

// Outputs of one sweep folded into a 64-bit FNV-1a digest.
class Digest {
public:
    void u8(bool v) { byte(v ? 1u : 0u); }
    void i16(int16_t v) {
        const auto u = static_cast<uint16_t>(v);
        byte(u);
        byte(u >> 8);
    }
    void i32(int32_t v) {
        const auto u = static_cast<uint32_t>(v);
        for (int s = 0; s < 32; s += 8) byte(u >> s);
    }
    void next() { ++cases_; }
    uint64_t value() const { return h_; }
    uint64_t cases() const { return cases_; }

private:
    void byte(unsigned v) {
        h_ ^= v & 0xFFu;
        h_ *= 0x100000001b3ull;
    }
    uint64_t h_ = 0xcbf29ce484222325ull;
    uint64_t cases_ = 0;
};

// Deterministic inputs of every magnitude and both signs: a multiplicative hash of k shifted
// right by k mod 33 (mod 17), complemented when bit 6 (bit 5) of k is set.
int32_t sweep32(uint32_t k) {
    const uint32_t u = k * 2654435761u, s = k % 33;
    const uint32_t v = s == 32 ? 0 : u >> s;
    return static_cast<int32_t>((k & 64) ? ~v : v);
}
int16_t sweep16(uint32_t k) {
    const uint32_t u = static_cast<uint16_t>(k * 40503u), s = k % 17;
    const uint32_t v = s == 16 ? 0 : u >> s;
    return static_cast<int16_t>(static_cast<uint16_t>((k & 32) ? ~v : v));
}

const int16_t kTelling16[] = {0,       1,       -1,      2,      -2,      3,      0x00FF,  0x0100,
                              -0x0100, 0x2000,  -0x2000, 0x3FFF, 0x4000,  0x4001, -0x4000, -0x4001,
                              0x5A82,  -0x5A82, 0x7FFE,  0x7FFF, -0x7FFF, -0x8000};

const std::map<std::string, std::function<void(Digest&)>>& sweeps() {
    static const std::map<std::string, std::function<void(Digest&)>> table = {
        {"unary16",
         [](Digest& d) {
             for (int32_t a = -32768; a <= 32767; ++a, d.next()) {
                 const auto x = static_cast<int16_t>(a);
                 d.i16(abs_s(x));
                 d.i16(negate(x));
                 d.i16(norm_s(x));
             }
         }},
        {"shift16",
         [](Digest& d) {
             for (int32_t a = -32768; a <= 32767; ++a)
                 for (int16_t n = -40; n <= 40; ++n, d.next()) {
                     const auto x = static_cast<int16_t>(a);
                     bool o = false;
                     d.i16(shl(x, n, o));
                     d.u8(o);
                     d.i16(shr(x, n));
                     d.i16(shr_r(x, n));
                 }
         }},
        {"bin16",
         [](Digest& d) {
             for (int j = 0; j < 22 + 65; ++j) {
                 const auto b = static_cast<int16_t>(j < 22 ? kTelling16[j] : -32768 + 1021 * (j - 22));
                 for (int32_t a32 = -32768; a32 <= 32767; ++a32, d.next()) {
                     const auto a = static_cast<int16_t>(a32);
                     bool o1 = false, o2 = false, o3 = false;
                     d.i16(add(a, b, o1));
                     d.u8(o1);
                     d.i16(sub(a, b, o2));
                     d.u8(o2);
                     d.i16(mult(a, b));
                     d.i16(mult_r(a, b));
                     d.i32(L_mult(a, b, o3));
                     d.u8(o3);
                 }
             }
         }},
        {"div_s",
         [](Digest& d) {
             const int16_t extra[6] = {1, 2, 3, 16383, 16384, 32767};
             for (int j = 0; j < 99 + 6; ++j) {
                 const auto den = static_cast<int16_t>(j < 99 ? 1 + 331 * j : extra[j - 99]);
                 for (int32_t num = 0; num <= den; ++num, d.next())
                     d.i16(div_s(static_cast<int16_t>(num), den));
             }
         }},
        {"unary32",
         [](Digest& d) {
             for (uint32_t k = 0; k < (1u << 20); ++k, d.next()) {
                 const auto x = static_cast<int32_t>(k * 4099u);
                 d.i16(norm_l(x));
                 d.i16(round_fx(x));
                 d.i32(L_abs(x));
                 d.i32(L_negate(x));
             }
         }},
        {"shift32",
         [](Digest& d) {
             for (uint32_t k = 0; k < 65536; ++k) {
                 const int32_t x = sweep32(k);
                 for (int16_t n = -40; n <= 40; ++n, d.next()) {
                     bool o = false;
                     d.i32(L_shl(x, n, o));
                     d.u8(o);
                     d.i32(L_shr(x, n));
                     d.i32(L_shr_r(x, n));
                 }
             }
         }},
        {"bin32",
         [](Digest& d) {
             for (uint32_t k = 0; k < (1u << 20); ++k, d.next()) {
                 const int32_t x = sweep32(k), y = sweep32(k * 7u + 3u);
                 bool o1 = false, o2 = false;
                 d.i32(L_add(x, y, o1));
                 d.u8(o1);
                 d.i32(L_sub(x, y, o2));
                 d.u8(o2);
             }
         }},
        {"mac",
         [](Digest& d) {
             for (uint32_t k = 0; k < (1u << 20); ++k, d.next()) {
                 const int32_t acc = sweep32(k);
                 const int16_t x = sweep16(k * 3u + 1u), y = sweep16(k * 5u + 2u);
                 bool o1 = false, o2 = false;
                 d.i32(L_mac(acc, x, y, o1));
                 d.u8(o1);
                 d.i32(L_msu(acc, x, y, o2));
                 d.u8(o2);
                 d.i16(mac_r(acc, x, y));
                 d.i16(msu_r(acc, x, y));
             }
         }},
        {"pow2",
         [](Digest& d) {
             for (int16_t e = 0; e <= 30; ++e)
                 for (int32_t f = 0; f <= 32767; ++f, d.next()) d.i32(ownPow2(e, static_cast<int16_t>(f)));
         }},
        {"log2_invsqrt_extract",
         [](Digest& d) {
             for (uint32_t k = 0; k < (1u << 20); ++k, d.next()) {
                 const auto x = static_cast<int32_t>(k * 4099u);
                 int16_t e = 0, f = 0, hi = 0, lo = 0;
                 ownLog2(x, e, f);
                 L_Extract(x, hi, lo);
                 d.i16(e);
                 d.i16(f);
                 d.i32(ownInvSqrt(x));
                 d.i16(hi);
                 d.i16(lo);
             }
         }},
        {"oper32",
         [](Digest& d) {
             for (uint32_t k = 0; k < (1u << 20); ++k, d.next()) {
                 const int16_t h1 = sweep16(k), l1 = static_cast<int16_t>(sweep16(k + 11u) & 0x7FFF);
                 const int16_t h2 = sweep16(k * 3u), l2 = static_cast<int16_t>(sweep16(k * 7u + 5u) & 0x7FFF);
                 const int32_t den = 0x40000000 + static_cast<int32_t>((k * 2654435761u) & 0x3FFFFFFF);
                 const auto num =
                     static_cast<int32_t>(uint64_t{k * 40503u * 65537u} % static_cast<uint64_t>(den));
                 int16_t dh = 0, dl = 0;
                 L_Extract(den, dh, dl);
                 d.i32(Mpy_32(h1, l1, h2, l2));
                 d.i32(Mpy_32_16(h1, l1, h2));
                 d.i32(L_Comp(h1, l1));
                 d.i32(Div_32(num, dh, dl));
             }
         }},
    };
    return table;
}

// Exhaustive or dense sweeps (every 16-bit input, every shift count -40..40, every Pow2
// argument, every interpolation weight of Isqrt_n) compared through the reference's digests.
TEST(BasicOpGolden, SweepDigests) {
    const std::string path = std::string(VOKSC_TEST_DATA_DIR) + "/basicop/digests.txt";
    FILE* f = std::fopen(path.c_str(), "r");
    ASSERT_NE(f, nullptr) << path;
    char name[64];
    unsigned long long cases = 0, digest = 0;
    size_t rows = 0;
    while (std::fscanf(f, "%63s %llu %llx", name, &cases, &digest) == 3) {
        ++rows;
        const auto it = sweeps().find(name);
        if (it == sweeps().end()) {
            ADD_FAILURE() << "no sweep named " << name;
            continue;
        }
        Digest d;
        it->second(d);
        EXPECT_EQ(d.cases(), cases) << name;
        EXPECT_EQ(d.value(), digest) << name << ": outputs differ from the reference sweep";
    }
    std::fclose(f);
    EXPECT_EQ(rows, sweeps().size());
}

}  // namespace

// Basic operators and shared internal operators against golden data produced by the standards'
// reference routines (see tests/data/README.md for which routine produced which file).
//
// Files tests/data/basicop/*.bin: fixed-size records of little-endian 16-bit words, no header.
// Each row of kSets below names the file, its record size in words and, per operator, the word
// where the reference outputs start (32-bit values take two words, low first); the inputs are
// read at the word offsets in each lambda. Flag words hold the reference's Overflow flag after
// the call (cleared before it), one bit per operator.
//
// digests.txt: lines "<sweep> <cases> <digest>": 64-bit FNV-1a (hex) over the outputs of a large
// deterministic input sweep, each output in little-endian bytes of its type and each overflow
// flag as one byte 0/1, in the order of the sweeps below.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/basicop.h"
#include "g729/g729_mathop.h"
#include "support/golden.h"
#include "voksc.h"

namespace {

using namespace voks;
using namespace voks::g729;
using golden::i32;
using R = const int16_t*;
using Out = int64_t*;

// One operator of a set: `fn` writes its n outputs (o null: the overload without a flag). With
// a flag word, the flag must be raised exactly when the reference's `bit` is set there, and once
// raised it stays raised (calling with it already set changes nothing else).
struct Op {
    const char* name;
    int at, n;
    bool wide;
    void (*fn)(R, bool*, Out);
    int flag = -1, bit = 0;
};

struct Set {
    const char* file;
    size_t words, min;
    std::vector<Op> ops;
};

const Set kSets[] = {
    {"bin16.bin", 10, 2000,  // a, b | add, sub, mult, mult_r, L_mult (32), flags
     {{"add", 2, 1, false, [](R r, bool* o, Out v) { v[0] = o ? add(r[0], r[1], *o) : add(r[0], r[1]); }, 8, 1},
      {"sub", 3, 1, false, [](R r, bool* o, Out v) { v[0] = o ? sub(r[0], r[1], *o) : sub(r[0], r[1]); }, 8, 2},
      {"mult", 4, 1, false, [](R r, bool*, Out v) { v[0] = mult(r[0], r[1]); }},
      {"mult_r", 5, 1, false, [](R r, bool*, Out v) { v[0] = mult_r(r[0], r[1]); }},
      {"L_mult", 6, 1, true, [](R r, bool* o, Out v) { v[0] = o ? L_mult(r[0], r[1], *o) : L_mult(r[0], r[1]); }, 8,
       4}}},
    {"shift16.bin", 6, 2000,  // a, n | shl, shr, shr_r, flags
     {{"shl", 2, 1, false, [](R r, bool* o, Out v) { v[0] = o ? shl(r[0], r[1], *o) : shl(r[0], r[1]); }, 5, 1},
      {"shr", 3, 1, false, [](R r, bool*, Out v) { v[0] = shr(r[0], r[1]); }},
      {"shr_r", 4, 1, false, [](R r, bool*, Out v) { v[0] = shr_r(r[0], r[1]); }}}},
    {"div_s.bin", 4, 1500, {{"div_s", 2, 1, false, [](R r, bool*, Out v) { v[0] = div_s(r[0], r[1]); }}}},
    {"unary16.bin", 4, 1500,
     {{"abs_s", 1, 1, false, [](R r, bool*, Out v) { v[0] = abs_s(r[0]); }},
      {"negate", 2, 1, false, [](R r, bool*, Out v) { v[0] = negate(r[0]); }},
      {"norm_s", 3, 1, false, [](R r, bool*, Out v) { v[0] = norm_s(r[0]); }}}},
    {"unary32.bin", 10, 1500,  // x | L_abs, L_negate (32), norm_l, round, extract_h, extract_l
     {{"L_abs", 2, 1, true, [](R r, bool*, Out v) { v[0] = L_abs(i32(r)); }},
      {"L_negate", 4, 1, true, [](R r, bool*, Out v) { v[0] = L_negate(i32(r)); }},
      {"norm_l", 6, 1, false, [](R r, bool*, Out v) { v[0] = norm_l(i32(r)); }},
      {"round", 7, 1, false, [](R r, bool*, Out v) { v[0] = round_fx(i32(r)); }},
      {"extract_h", 8, 1, false, [](R r, bool*, Out v) { v[0] = extract_h(i32(r)); }},
      {"extract_l", 9, 1, false, [](R r, bool*, Out v) { v[0] = extract_l(i32(r)); }}}},
    {"bin32.bin", 10, 1500,  // a, b | L_add, L_sub, flags (all 32)
     {{"L_add", 4, 1, true,
       [](R r, bool* o, Out v) { v[0] = o ? L_add(i32(r), i32(r + 2), *o) : L_add(i32(r), i32(r + 2)); }, 8, 1},
      {"L_sub", 6, 1, true,
       [](R r, bool* o, Out v) { v[0] = o ? L_sub(i32(r), i32(r + 2), *o) : L_sub(i32(r), i32(r + 2)); }, 8, 2}}},
    {"mac.bin", 12, 2000,  // acc (32), a, b | L_mac, L_msu (32), mac_r, msu_r, flags (32)
     {{"L_mac", 4, 1, true,
       [](R r, bool* o, Out v) { v[0] = o ? L_mac(i32(r), r[2], r[3], *o) : L_mac(i32(r), r[2], r[3]); }, 10, 1},
      {"L_msu", 6, 1, true,
       [](R r, bool* o, Out v) { v[0] = o ? L_msu(i32(r), r[2], r[3], *o) : L_msu(i32(r), r[2], r[3]); }, 10, 2},
      {"mac_r", 8, 1, false, [](R r, bool*, Out v) { v[0] = mac_r(i32(r), r[2], r[3]); }},
      {"msu_r", 9, 1, false, [](R r, bool*, Out v) { v[0] = msu_r(i32(r), r[2], r[3]); }}}},
    {"shift32.bin", 10, 1500,  // x (32), n, flags | L_shl, L_shr, L_shr_r (32)
     {{"L_shl", 4, 1, true, [](R r, bool* o, Out v) { v[0] = o ? L_shl(i32(r), r[2], *o) : L_shl(i32(r), r[2]); }, 3,
       1},
      {"L_shr", 6, 1, true, [](R r, bool*, Out v) { v[0] = L_shr(i32(r), r[2]); }},
      {"L_shr_r", 8, 1, true, [](R r, bool*, Out v) { v[0] = L_shr_r(i32(r), r[2]); }}}},
    {"extract.bin", 4, 1000,  // x (32) | hi, lo
     {{"L_Extract", 2, 2, false, [](R r, bool*, Out v) {
           int16_t hi = 0x5555, lo = 0x5555;
           L_Extract(i32(r), hi, lo);
           v[0] = hi;
           v[1] = lo;
       }}}},
    {"comp.bin", 4, 1000, {{"L_Comp", 2, 1, true, [](R r, bool*, Out v) { v[0] = L_Comp(r[0], r[1]); }}}},
    {"mpy32.bin", 8, 1500,  // hi1, lo1, hi2, lo2 | Mpy_32, Mpy_32_16 (32)
     {{"Mpy_32", 4, 1, true, [](R r, bool*, Out v) { v[0] = Mpy_32(r[0], r[1], r[2], r[3]); }},
      {"Mpy_32_16", 6, 1, true, [](R r, bool*, Out v) { v[0] = Mpy_32_16(r[0], r[1], r[2]); }}}},
    {"div32.bin", 6, 1000,  // num (32), den hi, lo | Div_32 (32)
     {{"Div_32", 4, 1, true, [](R r, bool*, Out v) { v[0] = Div_32(i32(r), r[2], r[3]); }}}},
    {"log2.bin", 4, 1500,  // x (32) | exponent, fraction
     {{"ownLog2", 2, 2, false, [](R r, bool*, Out v) {
           int16_t e = 0x5555, f = 0x5555;
           ownLog2(i32(r), e, f);
           v[0] = e;
           v[1] = f;
       }}}},
    {"pow2.bin", 4, 31 * 60,  // exponent, fraction | result (32)
     {{"ownPow2", 2, 1, true, [](R r, bool*, Out v) { v[0] = ownPow2(r[0], r[1]); }}}},
    {"inv_sqrt.bin", 4, 1500, {{"ownInvSqrt", 2, 1, true, [](R r, bool*, Out v) { v[0] = ownInvSqrt(i32(r)); }}}},
    // x 40, y 40 | gain, coeff[0..2], then coeff[3] as G.729 callers use it (forced to -15 when
    // <x,y> <= 0, not whenever the gain is 0: a positive <x,y> far below <y,y> also gives gain 0
    // and keeps its exponent) and as G_pitch leaves it (-15 only when coeff[2] <= 0).
    {"g_pitch.bin", 86, 150,
     {{"G_pitch", 80, 6, false, [](R r, bool*, Out v) {
           int16_t c[4] = {0x5555, 0x5555, 0x5555, 0x5555};
           v[0] = voksComputeAdaptiveCodebookGain_16s(0, r + 40, r, c);
           for (int k = 0; k < 3; ++k) v[1 + k] = c[k];
           v[4] = c[2] <= 0 ? -15 : c[3];
           v[5] = c[3];
       }}}},
    {"gain_predict.bin", 8, 1000,  // past[4], energy (32) | gcode0, exponent
     {{"ownGainPredict", 6, 2, false, [](R r, bool*, Out v) {
           int16_t g = 0x5555, e = 0x5555;
           ownGainPredict(r, i32(r + 4), g, e);
           v[0] = g;
           v[1] = e;
       }}}},
    {"gain_update.bin", 10, 1000,  // past[4], gain Q13 (32) | past after
     {{"ownGainUpdate", 6, 4, false, [](R r, bool*, Out v) {
           int16_t p[4] = {r[0], r[1], r[2], r[3]};
           ownGainUpdate(p, i32(r + 4));
           for (int k = 0; k < 4; ++k) v[k] = p[k];
       }}}},
    {"gain_update_erasure.bin", 8, 500,  // past[4] | past after
     {{"ownGainUpdateErasure", 4, 4, false, [](R r, bool*, Out v) {
           int16_t p[4] = {r[0], r[1], r[2], r[3]};
           ownGainUpdateErasure(p);
           for (int k = 0; k < 4; ++k) v[k] = p[k];
       }}}},
};

void PrintTo(const Set& s, std::ostream* os) {
    *os << s.file;
}

class BasicOpGolden : public ::testing::TestWithParam<Set> {};

TEST_P(BasicOpGolden, EveryRecord) {
    const Set& s = GetParam();
    const golden::File f("basicop/" + std::string(s.file), s.words);
    ASSERT_GE(f.count(), s.min) << s.file << " missing, cut or short";
    int64_t checked = 0, failed = 0;
    for (size_t k = 0; k < f.count(); ++k) {
        const R r = f[k];
        for (const Op& op : s.ops) {
            int64_t want[6], got[6], again[6];
            for (int i = 0; i < op.n; ++i) want[i] = op.wide ? i32(r + op.at + 2 * i) : r[op.at + i];
            bool flag = false, sticky = true;
            op.fn(r, nullptr, got);
            std::vector<int64_t> seen(got, got + op.n), expect(want, want + op.n);
            if (op.flag >= 0) {
                op.fn(r, &flag, got);
                op.fn(r, &sticky, again);
                seen.insert(seen.end(), got, got + op.n);
                seen.insert(seen.end(), again, again + op.n);
                seen.insert(seen.end(), {flag, sticky});
                expect.insert(expect.end(), want, want + op.n);
                expect.insert(expect.end(), want, want + op.n);
                expect.insert(expect.end(), {(r[op.flag] & op.bit) != 0, true});
            }
            ++checked;
            if (seen != expect && failed++ < 12)
                ADD_FAILURE() << s.file << " record " << k << ": " << op.name;
        }
    }
    EXPECT_EQ(failed, 0) << failed << " of " << checked << " operator calls differ from the reference";
}

INSTANTIATE_TEST_SUITE_P(Files, BasicOpGolden, ::testing::ValuesIn(kSets),
                         [](const ::testing::TestParamInfo<Set>& i) {
                             std::string n = i.param.file;
                             return n.substr(0, n.find('.'));
                         });

// Outputs of one sweep folded into a 64-bit FNV-1a digest (little-endian bytes on x86-64).
struct Digest {
    uint64_t h = golden::kFnv64, cases = 0;
    template <class T>
    Digest& operator<<(T v) {
        h = golden::fnv64(h, &v, sizeof v);
        return *this;
    }
};

const int16_t kTelling16[] = {0,       1,       -1,      2,      -2,      3,      0x00FF,  0x0100,
                              -0x0100, 0x2000,  -0x2000, 0x3FFF, 0x4000,  0x4001, -0x4000, -0x4001,
                              0x5A82,  -0x5A82, 0x7FFE,  0x7FFF, -0x7FFF, -0x8000};

using golden::sweep16;
using golden::sweep32;
using S = int16_t;

// Every flag is taken as one byte 0/1, after the output it belongs to (C++17 evaluates the
// operands of a << chain left to right).
const std::map<std::string, std::function<void(Digest&)>> kSweeps = {
    {"unary16",
     [](Digest& d) {
         for (int32_t a = -32768; a <= 32767; ++a, ++d.cases)
             d << abs_s(S(a)) << negate(S(a)) << norm_s(S(a));
     }},
    {"shift16",
     [](Digest& d) {
         for (int32_t a = -32768; a <= 32767; ++a)
             for (S n = -40; n <= 40; ++n, ++d.cases) {
                 bool o = false;
                 d << shl(S(a), n, o) << o << shr(S(a), n) << shr_r(S(a), n);
             }
     }},
    {"bin16",
     [](Digest& d) {
         for (int j = 0; j < 22 + 65; ++j) {
             const S b = j < 22 ? kTelling16[j] : S(-32768 + 1021 * (j - 22));
             for (int32_t a = -32768; a <= 32767; ++a, ++d.cases) {
                 bool o1 = false, o2 = false, o3 = false;
                 d << add(S(a), b, o1) << o1 << sub(S(a), b, o2) << o2 << mult(S(a), b) << mult_r(S(a), b);
                 d << L_mult(S(a), b, o3) << o3;
             }
         }
     }},
    {"div_s",
     [](Digest& d) {
         const S extra[6] = {1, 2, 3, 16383, 16384, 32767};
         for (int j = 0; j < 99 + 6; ++j) {
             const S den = j < 99 ? S(1 + 331 * j) : extra[j - 99];
             for (int32_t num = 0; num <= den; ++num, ++d.cases) d << div_s(S(num), den);
         }
     }},
    {"unary32",
     [](Digest& d) {
         for (uint32_t k = 0; k < (1u << 20); ++k, ++d.cases) {
             const auto x = static_cast<int32_t>(k * 4099u);
             d << norm_l(x) << round_fx(x) << L_abs(x) << L_negate(x);
         }
     }},
    {"shift32",
     [](Digest& d) {
         for (uint32_t k = 0; k < 65536; ++k)
             for (S n = -40; n <= 40; ++n, ++d.cases) {
                 bool o = false;
                 d << L_shl(sweep32(k), n, o) << o << L_shr(sweep32(k), n) << L_shr_r(sweep32(k), n);
             }
     }},
    {"bin32",
     [](Digest& d) {
         for (uint32_t k = 0; k < (1u << 20); ++k, ++d.cases) {
             const int32_t x = sweep32(k), y = sweep32(k * 7u + 3u);
             bool o1 = false, o2 = false;
             d << L_add(x, y, o1) << o1 << L_sub(x, y, o2) << o2;
         }
     }},
    {"mac",
     [](Digest& d) {
         for (uint32_t k = 0; k < (1u << 20); ++k, ++d.cases) {
             const int32_t acc = sweep32(k);
             const S x = sweep16(k * 3u + 1u), y = sweep16(k * 5u + 2u);
             bool o1 = false, o2 = false;
             d << L_mac(acc, x, y, o1) << o1 << L_msu(acc, x, y, o2) << o2 << mac_r(acc, x, y)
               << msu_r(acc, x, y);
         }
     }},
    {"invsqrt_extract",
     [](Digest& d) {
         for (uint32_t k = 0; k < (1u << 20); ++k, ++d.cases) {
             const auto x = static_cast<int32_t>(k * 4099u);
             S hi = 0, lo = 0;
             L_Extract(x, hi, lo);
             d << ownInvSqrt(x) << hi << lo;
         }
     }},
    {"oper32",
     [](Digest& d) {
         for (uint32_t k = 0; k < (1u << 20); ++k, ++d.cases) {
             const S h1 = sweep16(k), l1 = S(sweep16(k + 11u) & 0x7FFF);
             const S h2 = sweep16(k * 3u), l2 = S(sweep16(k * 7u + 5u) & 0x7FFF);
             const int32_t den = 0x40000000 + static_cast<int32_t>((k * 2654435761u) & 0x3FFFFFFF);
             const auto num =
                 static_cast<int32_t>(uint64_t{k * 40503u * 65537u} % static_cast<uint64_t>(den));
             S dh = 0, dl = 0;
             L_Extract(den, dh, dl);
             d << Mpy_32(h1, l1, h2, l2) << Mpy_32_16(h1, l1, h2) << L_Comp(h1, l1) << Div_32(num, dh, dl);
         }
     }},
};

// Exhaustive or dense sweeps (every 16-bit input, every shift count -40..40) compared through
// the reference's digests.
TEST(BasicOpGolden, SweepDigests) {
    const std::string path = std::string(VOKSC_TEST_DATA_DIR) + "/basicop/digests.txt";
    FILE* f = std::fopen(path.c_str(), "r");
    ASSERT_NE(f, nullptr) << path;
    char name[64];
    unsigned long long cases = 0, digest = 0;
    size_t rows = 0;
    while (std::fscanf(f, "%63s %llu %llx", name, &cases, &digest) == 3) {
        ++rows;
        const auto it = kSweeps.find(name);
        if (it == kSweeps.end()) {
            ADD_FAILURE() << "no sweep named " << name;
            continue;
        }
        Digest d;
        it->second(d);
        EXPECT_EQ(d.cases, cases) << name;
        EXPECT_EQ(d.h, digest) << name << ": outputs differ from the reference sweep";
    }
    std::fclose(f);
    EXPECT_EQ(rows, kSweeps.size());
}

}  // namespace

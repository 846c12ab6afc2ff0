// The G.722.1 operations: argument checks, edge cases and the reference routines' outputs
// (tests/data/g7221) at every kernel level.
#include <cstring>
#include <vector>

#include "g7221/g7221_tables.h"
#include "support/args.h"
#include "support/golden.h"

namespace {

using namespace argcheck;
using std::tuple;

struct Fixture {
    int16_t src[640];
    int16_t mem[640];
    int16_t dst[640];
    uint32_t words[8];
    uint32_t bits;
    Fixture() {
        std::memset(static_cast<void*>(this), 0x5A, sizeof *this);
        for (int i = 0; i < 640; ++i) src[i] = static_cast<int16_t>(i * 97 - 3000);
    }
};

TEST(G7221Arguments, FailedChecksWriteNothing) {
    // clang-format off
    ARGS(voksDecomposeMLTToDCT_G7221_16s, [](Fixture& f) { return tuple(f.src, f.mem, f.dst, 640); })
        .fail(kSize, at<3>(480)).fail(kSize, at<3>(0)).fail(kSize, at<3>(-320)).pass(at<3>(320));
    ARGS(voksDecomposeMLTToDCT_G722_16s, [](Fixture& f) { return tuple(f.src, f.mem, f.dst); });
    ARGS(voksDCTFwd_G7221_16s, [](Fixture& f) { return tuple(f.src, f.dst, 320); })
        .fail(kSize, at<2>(480)).fail(kSize, at<2>(321)).pass(at<2>(640));
    ARGS(voksDCTFwd_G722_16s, [](Fixture& f) { return tuple(f.src, f.dst); });
    ARGS(voksDCTInv_G7221_16s, [](Fixture& f) { return tuple(f.src, f.dst, 640); })
        .fail(kSize, at<2>(480)).fail(kSize, at<2>(160)).pass(at<2>(320));
    ARGS(voksDCTInv_G722_16s, [](Fixture& f) { return tuple(f.src, f.dst); });
    ARGS(voksDecomposeDCTToMLT_G7221_16s, [](Fixture& f) { return tuple(f.src, f.mem, f.dst, 320); })
        .fail(kSize, at<3>(480)).fail(kSize, at<3>(1)).pass(at<3>(640));
    ARGS(voksDecomposeDCTToMLT_G722_16s, [](Fixture& f) { return tuple(f.src, f.mem, f.dst); });
    ARGS(voksHuffmanEncode_G722_16s32u, [](Fixture& f) { return tuple(3, 40, f.src, f.words, &f.bits); })
        .fail(kSf, at<0>(7)).fail(kSf, at<0>(-1)).fail(kSf, at<1>(64)).fail(kSf, at<1>(-1))
        .pass(at<0>(0), at<1>(0)).pass(at<0>(6), at<1>(63));
    // clang-format on
}

// Per frame of the reference runs: input x, the analysis windowing of x after the previous
// frame, the forward and inverse DCTs of x, and the inverse DCT of x windowed with the overlap
// of the previous frame.
TEST(G7221Golden, TransformsEqualTheReference) {
    for (int n : {320, 640}) {
        SCOPED_TRACE(n);
        const golden::File f("g7221/mlt" + std::to_string(n) + ".bin", 5 * size_t(n));
        ASSERT_EQ(f.count(), 24u);
        golden::each_level([&] {
            std::vector<int16_t> hist(n), overlap(n / 2), a(n), b(n), hist2(n), overlap2(n / 2), c(n);
            for (size_t k = 0; k < f.count(); ++k) {
                SCOPED_TRACE(k);
                const int16_t* r = f[k];
                auto same = [&](const std::vector<int16_t>& v, int part) {
                    EXPECT_EQ(0, std::memcmp(v.data(), r + part * n, 2 * size_t(n))) << "part " << part;
                };
                ASSERT_EQ(voksDecomposeMLTToDCT_G7221_16s(r, hist.data(), a.data(), n), vokStatusOk);
                same(a, 1);
                EXPECT_EQ(0, std::memcmp(hist.data(), r, 2 * size_t(n)));
                ASSERT_EQ(voksDCTFwd_G7221_16s(r, a.data(), n), vokStatusOk);
                same(a, 2);
                ASSERT_EQ(voksDCTInv_G7221_16s(r, a.data(), n), vokStatusOk);
                same(a, 3);
                ASSERT_EQ(voksDecomposeDCTToMLT_G7221_16s(a.data(), overlap.data(), b.data(), n),
                          vokStatusOk);
                same(b, 4);
                if (n == 320) {  // the short forms and in-place transforms give the same words
                    ASSERT_EQ(voksDecomposeMLTToDCT_G722_16s(r, hist2.data(), c.data()), vokStatusOk);
                    same(c, 1);
                    ASSERT_EQ(voksDecomposeDCTToMLT_G722_16s(a.data(), overlap2.data(), c.data()),
                              vokStatusOk);
                    same(c, 4);
                    c.assign(r, r + n);
                    ASSERT_EQ(voksDCTFwd_G722_16s(c.data(), c.data()), vokStatusOk);
                    same(c, 2);
                    c.assign(r, r + n);
                    ASSERT_EQ(voksDCTInv_G722_16s(c.data(), c.data()), vokStatusOk);
                    same(c, 3);
                }
            }
        });
    }
}

// Records: category, power index, 20 coefficients, bit count, six 32-bit words.
TEST(G7221Golden, RegionCoderEqualsTheReference) {
    const golden::File f("g7221/region.bin", 35);
    ASSERT_EQ(f.count(), 1679u);
    golden::each_level([&] {
        for (size_t k = 0; k < f.count(); ++k) {
            const int16_t* r = f[k];
            uint32_t words[6] = {}, bits = 0;
            ASSERT_EQ(voksHuffmanEncode_G722_16s32u(r[0], r[1], r + 2, words, &bits), vokStatusOk);
            ASSERT_EQ(bits, uint32_t(r[22])) << k;
            for (uint32_t i = 0; i < (bits + 31) / 32; ++i)
                EXPECT_EQ(words[i], uint32_t(golden::i32(r + 23 + 2 * i))) << k << " word " << i;
        }
    });
}

// Hand-derived cases: an all-zero frame with zero history gives zero DCT input and a forward
// transform of the bias alone; zero coefficients give the shortest code of every vector; full-scale
// coefficients at the quietest power index give the largest bin with sign bits.
TEST(G7221Edges, ZerosAndFullScale) {
    std::vector<int16_t> zero(320, 0), hist(320, 0), a(320, 1), b(320);
    ASSERT_EQ(voksDecomposeMLTToDCT_G722_16s(zero.data(), hist.data(), a.data()), vokStatusOk);
    EXPECT_EQ(a, zero);
    ASSERT_EQ(voksDCTFwd_G722_16s(a.data(), b.data()), vokStatusOk);
    EXPECT_NE(b, zero);
    // Zero vectors: index 0 of every category's code table, the code 1 (category 6: 4 vectors of
    // 1 bit; category 0: 10 of 1 bit) or 3 (category 3: 5 vectors of 2 bits), all-ones bits.
    struct Case {
        int category, power;
        int16_t value;
        uint32_t bits;
    };
    const Case cases[] = {{6, 30, 0, 4}, {0, 0, 0, 10}, {3, 12, 0, 10}};
    for (const Case& c : cases) {
        std::vector<int16_t> x(20, c.value);
        uint32_t w[6] = {}, bits = 0;
        ASSERT_EQ(voksHuffmanEncode_G722_16s32u(c.category, c.power, x.data(), w, &bits), vokStatusOk);
        EXPECT_EQ(bits, c.bits) << c.category;
        EXPECT_EQ(w[0], ~0u << (32 - bits));
    }
    // The quietest power index scales a full-scale input far past every bin (the sum reaches about
    // 92000 steps, which the reference would wrap in 16 bits): every coefficient takes the top bin
    // 13, so each of the 10 vectors is index 13 * 14 + 13 of the category-0 table plus two sign
    // bits, 1 for the positive and 0 for the negative coefficient.
    std::vector<int16_t> loud(20);
    for (int i = 0; i < 20; ++i) loud[i] = i & 1 ? -32768 : 32767;
    uint32_t w[6] = {}, bits = 0;
    ASSERT_EQ(voksHuffmanEncode_G722_16s32u(0, 0, loud.data(), w, &bits), vokStatusOk);
    const int per = voks::g7221::kBitCount0[195] + 2;
    EXPECT_EQ(bits, uint32_t(10 * per));
    EXPECT_EQ(w[0] >> (32 - per), (uint32_t{voks::g7221::kCode0[195]} << 2) | 2u);
}

}  // namespace

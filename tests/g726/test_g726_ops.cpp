// G.726 operations: argument checks (order, canaries), state sizes, and the input limits the
// test sequences do not reach.
#include <array>
#include <cstdint>
#include <vector>

#include "support/args.h"

namespace {

constexpr uint8_t kCanary = 0xA5;
constexpr int16_t kCanary16 = 0x5A5A;

template <size_t N>
std::array<unsigned char, N> filled() {
    std::array<unsigned char, N> a;
    a.fill(kCanary);
    return a;
}

struct EncoderBlock {
    std::array<unsigned char, 88 + 32> bytes = filled<88 + 32>();
    VokG726EncodeState* at(size_t offset = 0) {
        return reinterpret_cast<VokG726EncodeState*>(bytes.data() + offset);
    }
};
struct DecoderBlock {
    std::array<unsigned char, 92 + 32> bytes = filled<92 + 32>();
    VokG726DecodeState* at(size_t offset = 0) {
        return reinterpret_cast<VokG726DecodeState*>(bytes.data() + offset);
    }
};

const VokSpeechRate kRates[4] = {vokRate16000, vokRate24000, vokRate32000, vokRate40000};

// Initialised coder states (canaries past their ends), inputs and canary-filled outputs.
struct Bufs {
    EncoderBlock e;
    DecoderBlock d;
    int16_t x[8], out[8];
    uint8_t in[8], codes[8];
    int size = 0x5A5A5A5A;
    Bufs() {
        std::fill(std::begin(x), std::end(x), int16_t{1000});
        std::fill(std::begin(in), std::end(in), uint8_t{3});
        std::fill(std::begin(out), std::end(out), kCanary16);
        std::fill(std::begin(codes), std::end(codes), kCanary);
        voksEncodeInit_G726_16s8u(e.at(), vokRate24000);
        voksDecodeInit_G726_8u16s(d.at(), vokRate24000, vokG726LawMu);
    }
};

TEST(G726Api, FailedChecksWriteNothing) {
    // clang-format off
    using argcheck::at;
    const VokStatus kRange = vokStatusRange, kSize = vokStatusSize;
    ARGS(voksEncodeGetStateSize_G726_16s8u, [](Bufs& b) { return std::tuple(&b.size); });
    ARGS(voksDecodeGetStateSize_G726_8u16s, [](Bufs& b) { return std::tuple(&b.size); });
    // The pointer, then the rate, then the law. Unlisted rates stay within what a C++ VokSpeechRate
    // holds (0..31); the same check rejects any other value a C caller passes.
    ARGS(voksEncodeInit_G726_16s8u, [](Bufs& b) { return std::tuple(b.e.at(), vokRate32000); })
        .fail(kRange, at<1>(20)).fail(kRange, at<1>(vokRate4750)).fail(kRange, at<1>(vokRate12200))
        .fail(kRange, at<1>(vokRateDTX)).fail(kRange, at<1>(31)).fail(kRange, at<1>(25));
    ARGS(voksDecodeInit_G726_8u16s, [](Bufs& b) { return std::tuple(b.d.at(), vokRate32000, vokG726LawA); })
        .fail(kRange, at<1>(20)).fail(kRange, at<1>(vokRate4750))
        .fail(kRange, at<1>(vokRate12200), at<2>(vokG726LawMu))
        .fail(kRange, at<1>(vokRateDTX)).fail(kRange, at<1>(31))
        .fail(kRange, at<1>(25), at<2>(vokG726LawLinear))
        .fail(kRange, at<1>(20), at<2>(3)).fail(kRange, at<1>(vokRate16000), at<2>(3))
        .fail(kRange, at<1>(vokRate40000), at<2>(-1));
    // Pointers, then the length.
    ARGS(voksEncode_G726_16s8u, [](Bufs& b) { return std::tuple(b.e.at(), b.x, b.codes, 8); })
        .fail(kSize, at<3>(0)).fail(kSize, at<3>(-1)).fail(kSize, at<3>(-100000));
    ARGS(voksDecode_G726_8u16s, [](Bufs& b) { return std::tuple(b.d.at(), b.in, b.out, 8); })
        .fail(kSize, at<3>(0)).fail(kSize, at<3>(-1)).fail(kSize, at<3>(-100000));
    // clang-format on
}

// The reported sizes; Init writes only inside them, and the coders write exactly len outputs.
TEST(G726Api, StateSizesAndWritesStayInside) {
    int size = -1;
    EXPECT_EQ(voksEncodeGetStateSize_G726_16s8u(&size), vokStatusOk);
    EXPECT_EQ(size, 88);
    EXPECT_EQ(voksDecodeGetStateSize_G726_8u16s(&size), vokStatusOk);
    EXPECT_EQ(size, 92);
    std::vector<int16_t> x(40);
    for (size_t k = 0; k < x.size(); ++k) x[k] = static_cast<int16_t>(k * 397 - 8000);
    for (VokSpeechRate rate : kRates) {
        EncoderBlock e;
        DecoderBlock d;
        ASSERT_EQ(voksEncodeInit_G726_16s8u(e.at(), rate), vokStatusOk);
        ASSERT_EQ(voksDecodeInit_G726_8u16s(d.at(), rate, vokG726LawA), vokStatusOk);
        for (size_t k = 88; k < e.bytes.size(); ++k) EXPECT_EQ(e.bytes[k], kCanary);
        for (size_t k = 92; k < d.bytes.size(); ++k) EXPECT_EQ(d.bytes[k], kCanary);
        std::vector<uint8_t> codes(48, kCanary);
        ASSERT_EQ(voksEncode_G726_16s8u(e.at(), x.data(), codes.data(), 40), vokStatusOk);
        std::vector<int16_t> out(48, kCanary16);
        ASSERT_EQ(voksDecode_G726_8u16s(d.at(), codes.data(), out.data(), 40), vokStatusOk);
        for (size_t k = 40; k < 48; ++k) EXPECT_EQ(codes[k], kCanary);
        for (size_t k = 40; k < 48; ++k) EXPECT_EQ(out[k], kCanary16);
    }
}

// One rate's codes of a whole signal.
std::vector<uint8_t> encode(VokSpeechRate rate, const std::vector<int16_t>& x) {
    EncoderBlock e;
    EXPECT_EQ(voksEncodeInit_G726_16s8u(e.at(), rate), vokStatusOk);
    std::vector<uint8_t> codes(x.size());
    EXPECT_EQ(voksEncode_G726_16s8u(e.at(), x.data(), codes.data(), static_cast<int>(x.size())), vokStatusOk);
    return codes;
}

TEST(G726Api, InitResetsAUsedState) {
    // Init over a block that already coded at another rate gives the coder of a fresh block.
    std::vector<int16_t> x(1500);
    for (size_t k = 0; k < x.size(); ++k) x[k] = static_cast<int16_t>((k * 7919) % 16384 - 8192);
    for (VokSpeechRate rate : kRates) {
        EncoderBlock e;
        std::vector<uint8_t> codes(x.size());
        ASSERT_EQ(voksEncodeInit_G726_16s8u(e.at(), vokRate16000), vokStatusOk);
        ASSERT_EQ(voksEncode_G726_16s8u(e.at(), x.data(), codes.data(), 1500), vokStatusOk);
        ASSERT_EQ(voksEncodeInit_G726_16s8u(e.at(), rate), vokStatusOk);
        ASSERT_EQ(voksEncode_G726_16s8u(e.at(), x.data(), codes.data(), 1500), vokStatusOk);
        EXPECT_EQ(codes, encode(rate, x)) << rate;
    }
}

TEST(G726Api, DecoderReadsOnlyTheCodeBits) {
    // Bytes with bits above the code width decode as their low bits alone, inside the output
    // range of the law.
    uint32_t s = 99;
    std::vector<uint8_t> raw(2000), masked(2000);
    for (int r = 0; r < 4; ++r) {
        for (size_t k = 0; k < raw.size(); ++k) {
            s = s * 1103515245u + 12345u;
            raw[k] = static_cast<uint8_t>(s >> 17);
            masked[k] = static_cast<uint8_t>(raw[k] & ((1 << (r + 2)) - 1));
        }
        for (int law : {vokG726LawMu, vokG726LawA, vokG726LawLinear}) {
            DecoderBlock d1, d2;
            ASSERT_EQ(voksDecodeInit_G726_8u16s(d1.at(), kRates[r], law), vokStatusOk);
            ASSERT_EQ(voksDecodeInit_G726_8u16s(d2.at(), kRates[r], law), vokStatusOk);
            std::vector<int16_t> y1(raw.size()), y2(raw.size());
            ASSERT_EQ(voksDecode_G726_8u16s(d1.at(), raw.data(), y1.data(), 2000), vokStatusOk);
            ASSERT_EQ(voksDecode_G726_8u16s(d2.at(), masked.data(), y2.data(), 2000), vokStatusOk);
            EXPECT_EQ(y1, y2);
            const bool linear = law == vokG726LawLinear;
            for (int16_t v : y1) ASSERT_TRUE(linear ? v >= -8192 && v <= 8191 : v >= 0 && v <= 255) << v;
        }
    }
}

TEST(G726Api, EncoderLimitsInputToFourteenBits) {
    // Samples beyond -8192..8191 code as the nearest 14-bit value.
    std::vector<int16_t> wide(600), limited(600);
    for (size_t k = 0; k < wide.size(); ++k) {
        const int v = ((k / 30) % 2 ? 1 : -1) * (static_cast<int>(k % 30) * 1100);
        wide[k] = static_cast<int16_t>(v);  // up to +-31900
        limited[k] = static_cast<int16_t>(v > 8191 ? 8191 : (v < -8192 ? -8192 : v));
    }
    wide[5] = 32767;
    wide[6] = -32768;
    limited[5] = 8191;
    limited[6] = -8192;
    for (VokSpeechRate rate : kRates) EXPECT_EQ(encode(rate, wide), encode(rate, limited));
}

}  // namespace

// G.726 operations: argument checks (order, canaries), state handling and the properties the
// coder must keep whatever the signal.

#include "g726/g726_internal.h"
#include "support/args.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr uint8_t kCanary = 0xA5;
constexpr int16_t kCanary16 = 0x5A5A;

// A deterministic test signal: two drifting tones and noise, in 14-bit range.
std::vector<int16_t> test_signal(size_t n, uint32_t seed) {
    std::vector<int16_t> x(n);
    uint32_t s = seed;
    int phase1 = 0, phase2 = 0;
    for (size_t k = 0; k < n; ++k) {
        s = s * 1664525u + 1013904223u;
        phase1 = (phase1 + 411 + static_cast<int>(k % 97)) & 4095;
        phase2 = (phase2 + 1201) & 4095;
        const int tri1 = phase1 < 2048 ? phase1 - 1024 : 3071 - phase1;
        const int tri2 = phase2 < 2048 ? phase2 - 1024 : 3071 - phase2;
        const int noise = static_cast<int>((s >> 16) & 1023) - 512;
        const int env = static_cast<int>((k / 400) % 8);  // loud and quiet stretches
        int v = (tri1 * 5 + tri2 * 2) * env / 4 + noise;
        v = v > 8191 ? 8191 : (v < -8192 ? -8192 : v);
        x[k] = static_cast<int16_t>(v);
    }
    return x;
}

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

TEST(G726Api, StateSizesAndInitWritesOnlyItsBlock) {
    int size = -1;
    EXPECT_EQ(voksEncodeGetStateSize_G726_16s8u(&size), vokStatusOk);
    EXPECT_EQ(size, 88);
    EXPECT_EQ(voksDecodeGetStateSize_G726_8u16s(&size), vokStatusOk);
    EXPECT_EQ(size, 92);
    EncoderBlock e;
    DecoderBlock d;
    ASSERT_EQ(voksEncodeInit_G726_16s8u(e.at(), vokRate32000), vokStatusOk);
    ASSERT_EQ(voksDecodeInit_G726_8u16s(d.at(), vokRate32000, vokG726LawLinear), vokStatusOk);
    for (size_t k = 88; k < e.bytes.size(); ++k) EXPECT_EQ(e.bytes[k], kCanary);
    for (size_t k = 92; k < d.bytes.size(); ++k) EXPECT_EQ(d.bytes[k], kCanary);
}

TEST(G726Api, WritesExactlyLenOutputs) {
    const auto x = test_signal(64, 7);
    for (VokSpeechRate rate : kRates) {
        EncoderBlock e;
        ASSERT_EQ(voksEncodeInit_G726_16s8u(e.at(), rate), vokStatusOk);
        std::vector<uint8_t> codes(48, kCanary);
        ASSERT_EQ(voksEncode_G726_16s8u(e.at(), x.data(), codes.data(), 40), vokStatusOk);
        for (size_t k = 40; k < codes.size(); ++k) EXPECT_EQ(codes[k], kCanary);
        DecoderBlock d;
        ASSERT_EQ(voksDecodeInit_G726_8u16s(d.at(), rate, vokG726LawA), vokStatusOk);
        std::vector<int16_t> out(48, kCanary16);
        ASSERT_EQ(voksDecode_G726_8u16s(d.at(), codes.data(), out.data(), 40), vokStatusOk);
        for (size_t k = 40; k < out.size(); ++k) EXPECT_EQ(out[k], kCanary16);
    }
}

// Codes of a whole signal through one state, in blocks of the given sizes (cycled).
std::vector<uint8_t> encode_in_blocks(VokSpeechRate rate, const std::vector<int16_t>& x,
                                      const std::vector<int>& blocks, size_t offset = 0) {
    EncoderBlock e;
    EXPECT_EQ(voksEncodeInit_G726_16s8u(e.at(offset), rate), vokStatusOk);
    std::vector<uint8_t> codes(x.size());
    size_t done = 0;
    for (size_t b = 0; done < x.size(); ++b) {
        const int n = static_cast<int>(
            std::min<size_t>(static_cast<size_t>(blocks[b % blocks.size()]), x.size() - done));
        EXPECT_EQ(voksEncode_G726_16s8u(e.at(offset), x.data() + done, codes.data() + done, n), vokStatusOk);
        done += static_cast<size_t>(n);
    }
    return codes;
}

TEST(G726Api, BlockSplitAndStateAddressDoNotMatter) {
    const auto x = test_signal(4000, 11);
    for (VokSpeechRate rate : kRates) {
        const auto whole = encode_in_blocks(rate, x, {4000});
        EXPECT_EQ(encode_in_blocks(rate, x, {1, 2, 3, 5, 8, 13, 160}), whole);
        for (size_t offset : {1u, 3u, 7u, 16u, 31u})
            EXPECT_EQ(encode_in_blocks(rate, x, {80}, offset), whole) << "offset " << offset;
    }
}

TEST(G726Api, InitResetsAUsedState) {
    const auto x = test_signal(1500, 9);
    for (VokSpeechRate rate : kRates) {
        EncoderBlock e;
        ASSERT_EQ(voksEncodeInit_G726_16s8u(e.at(), vokRate16000), vokStatusOk);
        std::vector<uint8_t> junk(1500);
        ASSERT_EQ(voksEncode_G726_16s8u(e.at(), x.data(), junk.data(), 1500), vokStatusOk);
        ASSERT_EQ(voksEncodeInit_G726_16s8u(e.at(), rate), vokStatusOk);
        std::vector<uint8_t> again(1500);
        ASSERT_EQ(voksEncode_G726_16s8u(e.at(), x.data(), again.data(), 1500), vokStatusOk);
        EXPECT_EQ(again, encode_in_blocks(rate, x, {1500}));
    }
}

// Encoder and decoder adapt identically: after the same codes their adaptive variables agree,
// so the decoder's uniform output is the encoder's own reconstruction.
TEST(G726Api, DecoderTracksEncoderState) {
    const auto x = test_signal(3000, 21);
    for (VokSpeechRate rate : kRates) {
        EncoderBlock e;
        DecoderBlock d;
        ASSERT_EQ(voksEncodeInit_G726_16s8u(e.at(), rate), vokStatusOk);
        ASSERT_EQ(voksDecodeInit_G726_8u16s(d.at(), rate, vokG726LawLinear), vokStatusOk);
        std::vector<uint8_t> codes(3000);
        std::vector<int16_t> y(3000);
        ASSERT_EQ(voksEncode_G726_16s8u(e.at(), x.data(), codes.data(), 3000), vokStatusOk);
        ASSERT_EQ(voksDecode_G726_8u16s(d.at(), codes.data(), y.data(), 3000), vokStatusOk);
        EXPECT_EQ(0, std::memcmp(e.at(), d.at(), sizeof(voks::g726::Core))) << "rate " << rate;
        for (int16_t v : y) {
            ASSERT_GE(v, -8192);
            ASSERT_LE(v, 8191);
        }
    }
}

TEST(G726Api, ReconstructionFollowsTheInput) {
    // A coarse sanity bound on quality: the decoded signal tracks the input (SNR by rate).
    const auto x = test_signal(8000, 3);
    const double min_snr[4] = {6.0, 10.0, 15.0, 20.0};
    for (int r = 0; r < 4; ++r) {
        const auto codes = encode_in_blocks(kRates[r], x, {8000});
        DecoderBlock d;
        ASSERT_EQ(voksDecodeInit_G726_8u16s(d.at(), kRates[r], vokG726LawLinear), vokStatusOk);
        std::vector<int16_t> y(8000);
        ASSERT_EQ(voksDecode_G726_8u16s(d.at(), codes.data(), y.data(), 8000), vokStatusOk);
        double s = 0, e = 0;
        for (size_t k = 0; k < x.size(); ++k) {
            s += double(x[k]) * x[k];
            e += double(x[k] - y[k]) * (x[k] - y[k]);
        }
        EXPECT_GT(10 * std::log10(s / (e + 1)), min_snr[r]) << "rate " << kRates[r];
    }
}

TEST(G726Api, DecoderReadsOnlyTheCodeBits) {
    // Bytes with bits above the code width decode as their low bits alone.
    uint32_t s = 99;
    std::vector<uint8_t> raw(2000), masked(2000);
    for (int r = 0; r < 4; ++r) {
        const int bits = r + 2;
        for (size_t k = 0; k < raw.size(); ++k) {
            s = s * 1103515245u + 12345u;
            raw[k] = static_cast<uint8_t>(s >> 17);
            masked[k] = static_cast<uint8_t>(raw[k] & ((1 << bits) - 1));
        }
        for (int law : {vokG726LawMu, vokG726LawA, vokG726LawLinear}) {
            DecoderBlock d1, d2;
            ASSERT_EQ(voksDecodeInit_G726_8u16s(d1.at(), kRates[r], law), vokStatusOk);
            ASSERT_EQ(voksDecodeInit_G726_8u16s(d2.at(), kRates[r], law), vokStatusOk);
            std::vector<int16_t> y1(raw.size()), y2(raw.size());
            ASSERT_EQ(voksDecode_G726_8u16s(d1.at(), raw.data(), y1.data(), 2000), vokStatusOk);
            ASSERT_EQ(voksDecode_G726_8u16s(d2.at(), masked.data(), y2.data(), 2000), vokStatusOk);
            EXPECT_EQ(y1, y2);
            for (int16_t v : y1) {
                if (law == vokG726LawLinear) {
                    ASSERT_GE(v, -8192);
                    ASSERT_LE(v, 8191);
                } else {
                    ASSERT_GE(v, 0);
                    ASSERT_LE(v, 255);
                }
            }
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
    for (VokSpeechRate rate : kRates)
        EXPECT_EQ(encode_in_blocks(rate, wide, {600}), encode_in_blocks(rate, limited, {600}));
}

}  // namespace

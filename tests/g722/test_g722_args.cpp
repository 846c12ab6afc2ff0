// Argument checks of the G.722 operations: status per case in the documented order, and nothing
// written (outputs, states and delay lines keep their canaries) when a check fails.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "g722/g722_util.h"

using namespace g722test;

namespace {

constexpr int16_t kCanary = 0x5A5A;

struct Fixture {
    int16_t src[64];
    int16_t dst[64];
    int16_t delay[24];
    int16_t hp[2];
    int32_t cls;
    int size;
    Block block;
    Fixture() {
        for (int i = 0; i < 64; ++i) src[i] = static_cast<int16_t>(i * 37 - 900);
        std::fill(std::begin(dst), std::end(dst), kCanary);
        std::fill(std::begin(delay), std::end(delay), kCanary);
        hp[0] = hp[1] = kCanary;
        cls = 0x5A5A5A5A;
        size = 0x5A5A5A5A;
        std::memset(block.bytes, 0x5A, sizeof block.bytes);
    }
    VokG722EncodeState* enc() { return block.at<VokG722EncodeState>(7); }
    VokG722DecodeState* dec() { return block.at<VokG722DecodeState>(7); }
};

struct Case {
    const char* name;
    VokStatus expected;
    std::function<VokStatus(Fixture&)> call;
};

const Case kCases[] = {
    {"EncodeStateSize null", vokStatusNullPtr,
     [](Fixture&) { return voksSBADPCMEncodeStateSize_G722_16s(nullptr); }},
    {"DecodeStateSize null", vokStatusNullPtr,
     [](Fixture&) { return voksSBADPCMDecodeStateSize_G722_16s(nullptr); }},
    {"EncodeInit null", vokStatusNullPtr, [](Fixture&) { return voksSBADPCMEncodeInit_G722_16s(nullptr); }},
    {"DecodeInit null", vokStatusNullPtr, [](Fixture&) { return voksSBADPCMDecodeInit_G722_16s(nullptr); }},

    {"Encode null src", vokStatusNullPtr,
     [](Fixture& f) { return voksSBADPCMEncode_G722_16s(nullptr, f.dst, 8, f.enc()); }},
    {"Encode null dst", vokStatusNullPtr,
     [](Fixture& f) { return voksSBADPCMEncode_G722_16s(f.src, nullptr, 8, f.enc()); }},
    {"Encode null state", vokStatusNullPtr,
     [](Fixture& f) { return voksSBADPCMEncode_G722_16s(f.src, f.dst, 8, nullptr); }},
    {"Encode null before length", vokStatusNullPtr,
     [](Fixture& f) { return voksSBADPCMEncode_G722_16s(nullptr, f.dst, 0, f.enc()); }},
    {"Encode length 0", vokStatusSize,
     [](Fixture& f) { return voksSBADPCMEncode_G722_16s(f.src, f.dst, 0, f.enc()); }},
    {"Encode length -2", vokStatusSize,
     [](Fixture& f) { return voksSBADPCMEncode_G722_16s(f.src, f.dst, -2, f.enc()); }},
    {"Encode length 1", vokStatusSize,
     [](Fixture& f) { return voksSBADPCMEncode_G722_16s(f.src, f.dst, 1, f.enc()); }},
    {"Encode length 63", vokStatusSize,
     [](Fixture& f) { return voksSBADPCMEncode_G722_16s(f.src, f.dst, 63, f.enc()); }},

    {"Decode null src", vokStatusNullPtr,
     [](Fixture& f) { return voksSBADPCMDecode_G722_16s(nullptr, f.dst, 8, 1, f.dec()); }},
    {"Decode null dst", vokStatusNullPtr,
     [](Fixture& f) { return voksSBADPCMDecode_G722_16s(f.src, nullptr, 8, 1, f.dec()); }},
    {"Decode null state", vokStatusNullPtr,
     [](Fixture& f) { return voksSBADPCMDecode_G722_16s(f.src, f.dst, 8, 1, nullptr); }},
    {"Decode length 0", vokStatusSize,
     [](Fixture& f) { return voksSBADPCMDecode_G722_16s(f.src, f.dst, 0, 1, f.dec()); }},
    {"Decode length -1", vokStatusSize,
     [](Fixture& f) { return voksSBADPCMDecode_G722_16s(f.src, f.dst, -1, 2, f.dec()); }},
    {"Decode odd length", vokStatusSize,
     [](Fixture& f) { return voksSBADPCMDecode_G722_16s(f.src, f.dst, 9, 3, f.dec()); }},
    {"Decode odd length, any mode", vokStatusSize,
     [](Fixture& f) { return voksSBADPCMDecode_G722_16s(f.src, f.dst, 5, -7, f.dec()); }},

    {"QMFEncode null src", vokStatusNullPtr,
     [](Fixture& f) { return voksQMFEncode_G722_16s(nullptr, f.dst, 8, f.delay); }},
    {"QMFEncode null dst", vokStatusNullPtr,
     [](Fixture& f) { return voksQMFEncode_G722_16s(f.src, nullptr, 8, f.delay); }},
    {"QMFEncode null delay", vokStatusNullPtr,
     [](Fixture& f) { return voksQMFEncode_G722_16s(f.src, f.dst, 8, nullptr); }},
    {"QMFEncode length 0", vokStatusSize,
     [](Fixture& f) { return voksQMFEncode_G722_16s(f.src, f.dst, 0, f.delay); }},
    {"QMFEncode odd length", vokStatusSize,
     [](Fixture& f) { return voksQMFEncode_G722_16s(f.src, f.dst, 7, f.delay); }},
    {"QMFDecode null src", vokStatusNullPtr,
     [](Fixture& f) { return voksQMFDecode_G722_16s(nullptr, f.dst, 8, f.delay); }},
    {"QMFDecode null dst", vokStatusNullPtr,
     [](Fixture& f) { return voksQMFDecode_G722_16s(f.src, nullptr, 8, f.delay); }},
    {"QMFDecode null delay", vokStatusNullPtr,
     [](Fixture& f) { return voksQMFDecode_G722_16s(f.src, f.dst, 8, nullptr); }},
    {"QMFDecode length -4", vokStatusSize,
     [](Fixture& f) { return voksQMFDecode_G722_16s(f.src, f.dst, -4, f.delay); }},
    {"QMFDecode odd length", vokStatusSize,
     [](Fixture& f) { return voksQMFDecode_G722_16s(f.src, f.dst, 1, f.delay); }},

    {"StateUpdate null samples", vokStatusNullPtr,
     [](Fixture& f) { return voksSBADPCMDecodeStateUpdate_G722_16s(nullptr, 5, 1, f.dec()); }},
    {"StateUpdate null state", vokStatusNullPtr,
     [](Fixture& f) { return voksSBADPCMDecodeStateUpdate_G722_16s(f.src, 5, 1, nullptr); }},

    {"Downsample null src", vokStatusNullPtr,
     [](Fixture& f) { return voksDownsampleFilter_G722_16s(nullptr, 16, f.dst); }},
    {"Downsample null dst", vokStatusNullPtr,
     [](Fixture& f) { return voksDownsampleFilter_G722_16s(f.src + 8, 16, nullptr); }},
    {"Downsample null before length", vokStatusNullPtr,
     [](Fixture& f) { return voksDownsampleFilter_G722_16s(nullptr, 0, f.dst); }},
    {"Downsample length 0", vokStatusSize,
     [](Fixture& f) { return voksDownsampleFilter_G722_16s(f.src + 8, 0, f.dst); }},
    {"Downsample length -1", vokStatusSize,
     [](Fixture& f) { return voksDownsampleFilter_G722_16s(f.src + 8, -1, f.dst); }},
    {"Downsample length 3 writes nothing", vokStatusOk,
     [](Fixture& f) { return voksDownsampleFilter_G722_16s(f.src + 8, 3, f.dst); }},

    {"Highband null buffer", vokStatusNullPtr,
     [](Fixture& f) { return voksFilterHighband_G722_16s_I(nullptr, 8, f.hp); }},
    {"Highband null state", vokStatusNullPtr,
     [](Fixture& f) { return voksFilterHighband_G722_16s_I(f.dst, 8, nullptr); }},
    {"Highband length 0", vokStatusSize,
     [](Fixture& f) { return voksFilterHighband_G722_16s_I(f.dst, 0, f.hp); }},
    {"Highband length -8", vokStatusSize,
     [](Fixture& f) { return voksFilterHighband_G722_16s_I(f.dst, -8, f.hp); }},

    {"Classify null buffer", vokStatusNullPtr,
     [](Fixture& f) { return voksClassifyFrame_G722_16s_I(nullptr, 10, &f.cls, f.dec()); }},
    {"Classify null class", vokStatusNullPtr,
     [](Fixture& f) { return voksClassifyFrame_G722_16s_I(f.dst + 2, 10, nullptr, f.dec()); }},
    {"Classify null state", vokStatusNullPtr,
     [](Fixture& f) { return voksClassifyFrame_G722_16s_I(f.dst + 2, 10, &f.cls, nullptr); }},
    {"Classify null before period", vokStatusNullPtr,
     [](Fixture& f) { return voksClassifyFrame_G722_16s_I(nullptr, 500, &f.cls, f.dec()); }},
    {"Classify period 144", vokStatusRange,
     [](Fixture& f) { return voksClassifyFrame_G722_16s_I(f.dst + 2, 144, &f.cls, f.dec()); }},
    {"Classify period -1", vokStatusRange,
     [](Fixture& f) { return voksClassifyFrame_G722_16s_I(f.dst + 2, -1, &f.cls, f.dec()); }},
    {"Classify period -32768", vokStatusRange,
     [](Fixture& f) { return voksClassifyFrame_G722_16s_I(f.dst + 2, -32768, &f.cls, f.dec()); }},
};

TEST(G722Arguments, FailedChecksWriteNothing) {
    for (const Case& c : kCases) {
        Fixture f;
        Fixture before = f;
        EXPECT_EQ(c.call(f), c.expected) << c.name;
        EXPECT_EQ(std::memcmp(f.src, before.src, sizeof f.src), 0) << c.name;
        EXPECT_EQ(std::memcmp(f.dst, before.dst, sizeof f.dst), 0) << c.name;
        EXPECT_EQ(std::memcmp(f.delay, before.delay, sizeof f.delay), 0) << c.name;
        EXPECT_EQ(std::memcmp(f.hp, before.hp, sizeof f.hp), 0) << c.name;
        EXPECT_EQ(f.cls, before.cls) << c.name;
        EXPECT_EQ(f.size, before.size) << c.name;
        EXPECT_EQ(std::memcmp(f.block.bytes, before.block.bytes, sizeof f.block.bytes), 0) << c.name;
    }
}

TEST(G722Arguments, StateSizesAndInitAtAnyAlignment) {
    int enc = 0, dec = 0;
    ASSERT_EQ(voksSBADPCMEncodeStateSize_G722_16s(&enc), vokStatusOk);
    ASSERT_EQ(voksSBADPCMDecodeStateSize_G722_16s(&dec), vokStatusOk);
    EXPECT_EQ(enc, 144);
    EXPECT_EQ(dec, 144);
    // Init writes only inside the reported size, wherever the block starts, and every
    // alignment then codes identically.
    std::vector<int16_t> pcm = stress_pcm();
    pcm.resize(640);
    std::vector<int16_t> sub(640), ref;
    Vok16s delay[24] = {0};
    ASSERT_EQ(voksQMFEncode_G722_16s(pcm.data(), sub.data(), 640, delay), vokStatusOk);
    for (int off = 0; off < 16; ++off) {
        Block b;
        std::memset(b.bytes, 0x5A, sizeof b.bytes);
        auto* st = b.at<VokG722EncodeState>(off);
        ASSERT_EQ(voksSBADPCMEncodeInit_G722_16s(st), vokStatusOk);
        std::vector<int16_t> codes(640);
        ASSERT_EQ(voksSBADPCMEncode_G722_16s(sub.data(), codes.data(), 640, st), vokStatusOk);
        for (int i = 0; i < static_cast<int>(sizeof b.bytes); ++i) {
            if (i < off || i >= off + enc) {
                ASSERT_EQ(b.bytes[i], 0x5A) << "offset " << off << " byte " << i;
            }
        }
        if (off == 0) ref = codes;
        EXPECT_EQ(codes, ref) << "offset " << off;
    }
}

TEST(G722Arguments, DecodeAcceptsEveryMode) {
    // Modes other than 1 and 2 decode at 48 kbit/s; none is rejected.
    const std::vector<uint8_t> oct = stress_octets();
    std::vector<int16_t> codes(200);
    for (int i = 0; i < 100; ++i) {
        codes[2 * i] = oct[i] & 63;
        codes[2 * i + 1] = oct[i] >> 6;
    }
    std::vector<int16_t> ref(200);
    Block b;
    ASSERT_EQ(voksSBADPCMDecodeInit_G722_16s(b.at<VokG722DecodeState>(0)), vokStatusOk);
    ASSERT_EQ(voksSBADPCMDecode_G722_16s(codes.data(), ref.data(), 200, 3, b.at<VokG722DecodeState>(0)),
              vokStatusOk);
    for (int mode : {0, 4, -1, 32767, -32768}) {
        std::vector<int16_t> out(200);
        ASSERT_EQ(voksSBADPCMDecodeInit_G722_16s(b.at<VokG722DecodeState>(0)), vokStatusOk);
        ASSERT_EQ(voksSBADPCMDecode_G722_16s(codes.data(), out.data(), 200, static_cast<Vok16s>(mode),
                                             b.at<VokG722DecodeState>(0)),
                  vokStatusOk);
        EXPECT_EQ(out, ref) << "mode " << mode;
    }
}

}  // namespace

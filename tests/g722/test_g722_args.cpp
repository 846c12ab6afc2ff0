// Argument checks of the G.722 operations: status per case in the documented order, and nothing
// written (outputs, states and delay lines keep their canaries) when a check fails.
#include <cstring>

#include "g722/g722_util.h"
#include "support/args.h"

using namespace g722test;

namespace {

using namespace argcheck;
using std::tuple;

struct Fixture {
    int16_t src[64];
    int16_t dst[64];
    int16_t delay[24];
    int16_t hp[2];
    int32_t cls;
    int size;
    Block block;
    Fixture() {
        std::memset(static_cast<void*>(this), 0x5A, sizeof *this);
        for (int i = 0; i < 64; ++i) src[i] = static_cast<int16_t>(i * 37 - 900);
    }
    VokG722EncodeState* enc() { return block.at<VokG722EncodeState>(7); }
    VokG722DecodeState* dec() { return block.at<VokG722DecodeState>(7); }
};

TEST(G722Arguments, FailedChecksWriteNothing) {
    // clang-format off
    ARGS(voksSBADPCMEncodeStateSize_G722_16s, [](Fixture& f) { return tuple(&f.size); });
    ARGS(voksSBADPCMDecodeStateSize_G722_16s, [](Fixture& f) { return tuple(&f.size); });
    ARGS(voksSBADPCMEncodeInit_G722_16s, [](Fixture& f) { return tuple(f.enc()); });
    ARGS(voksSBADPCMDecodeInit_G722_16s, [](Fixture& f) { return tuple(f.dec()); });
    ARGS(voksSBADPCMEncode_G722_16s, [](Fixture& f) { return tuple(f.src, f.dst, 8, f.enc()); })
        .fail(kSize, at<2>(0)).fail(kSize, at<2>(-2)).fail(kSize, at<2>(1)).fail(kSize, at<2>(63));
    // Any mode is accepted; the length is checked whatever the mode.
    ARGS(voksSBADPCMDecode_G722_16s, [](Fixture& f) { return tuple(f.src, f.dst, 8, 1, f.dec()); })
        .fail(kSize, at<2>(0)).fail(kSize, at<2>(-1), at<3>(2)).fail(kSize, at<2>(9), at<3>(3))
        .fail(kSize, at<2>(5), at<3>(-7));
    ARGS(voksQMFEncode_G722_16s, [](Fixture& f) { return tuple(f.src, f.dst, 8, f.delay); })
        .fail(kSize, at<2>(0)).fail(kSize, at<2>(7));
    ARGS(voksQMFDecode_G722_16s, [](Fixture& f) { return tuple(f.src, f.dst, 8, f.delay); })
        .fail(kSize, at<2>(-4)).fail(kSize, at<2>(1));
    ARGS(voksSBADPCMDecodeStateUpdate_G722_16s, [](Fixture& f) { return tuple(f.src, 5, 1, f.dec()); });
    // A length below 4 gives no output sample: success, nothing written.
    ARGS(voksDownsampleFilter_G722_16s, [](Fixture& f) { return tuple(f.src + 8, 16, f.dst); })
        .fail(kSize, at<1>(0)).fail(kSize, at<1>(-1)).quiet(kOk, at<1>(3));
    ARGS(voksFilterHighband_G722_16s_I, [](Fixture& f) { return tuple(f.dst, 8, f.hp); })
        .fail(kSize, at<1>(0)).fail(kSize, at<1>(-8));
    ARGS(voksClassifyFrame_G722_16s_I, [](Fixture& f) { return tuple(f.dst + 2, 10, &f.cls, f.dec()); })
        .fail(kRange, at<1>(144)).fail(kRange, at<1>(-1)).fail(kRange, at<1>(-32768));
    // clang-format on
}

TEST(G722Arguments, StateSizesAndInitWritesOnlyItsBlock) {
    int enc = 0, dec = 0;
    ASSERT_EQ(voksSBADPCMEncodeStateSize_G722_16s(&enc), vokStatusOk);
    ASSERT_EQ(voksSBADPCMDecodeStateSize_G722_16s(&dec), vokStatusOk);
    EXPECT_EQ(enc, 144);
    EXPECT_EQ(dec, 144);
    for (int off = 0; off < 16; ++off) {
        Block b;
        std::memset(b.bytes, 0x5A, sizeof b.bytes);
        ASSERT_EQ(voksSBADPCMEncodeInit_G722_16s(b.at<VokG722EncodeState>(off)), vokStatusOk);
        for (int i = 0; i < static_cast<int>(sizeof b.bytes); ++i) {
            if (i < off || i >= off + enc) {
                ASSERT_EQ(b.bytes[i], 0x5A) << "offset " << off << " byte " << i;
            }
        }
    }
}

TEST(G722Arguments, DecodeAcceptsEveryMode) {
    // Modes other than 1 and 2 decode at 48 kbit/s; none is rejected.
    const std::vector<uint8_t> oct = stress_octets();
    std::vector<int16_t> codes(200), ref(200), out(200);
    for (int i = 0; i < 100; ++i) codes[2 * i] = oct[i] & 63, codes[2 * i + 1] = oct[i] >> 6;
    Block b;
    auto* st = b.at<VokG722DecodeState>(0);
    for (int mode : {3, 0, 4, -1, 32767, -32768}) {
        ASSERT_EQ(voksSBADPCMDecodeInit_G722_16s(st), vokStatusOk);
        ASSERT_EQ(voksSBADPCMDecode_G722_16s(codes.data(), (mode == 3 ? ref : out).data(), 200,
                                             static_cast<Vok16s>(mode), st),
                  vokStatusOk);
        if (mode != 3) {
            EXPECT_EQ(out, ref) << "mode " << mode;
        }
    }
}

}  // namespace

// voks-codec's G.729 Annex B streams: the ITU encoder with --dtx and the decoder (frames of varying
// length, 80, 16, 0 words after the header) give the reference streams, and the lengths the decoder
// cannot decode, or a cut frame, stop it with the frame named.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec.h"
#include "support/external.h"
#include "support/levels.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string decode(const char* codec, const Bytes& stream, Bytes& out) {
    std::string err;
    auto coder = vokscodec::find_codec(codec)->decoder({{"format", "itu"}}, err);
    if (!coder) return err;
    vokscodec::MemoryInput in(stream.data(), stream.size());
    vokscodec::MemoryOutput o;
    err = vokscodec::run(*coder, in, o);
    out = o.bytes;
    return err;
}

class VoksCodecG729BLevels : public voksc_test::LevelTest<> {};

TEST_P(VoksCodecG729BLevels, DecodesAnnexBStreams) {
    const struct {
        const char* codec;
        const char* bit;
        const char* out;
    } cases[] = {{"g729", "tstseq6.bit", "tstseq6.out"}, {"g729a", "tstseq6.bit", "tstseq6a.out"}};
    for (const auto& c : cases) {
        Bytes bit, want, got;
        if (!voksc_test::read_bytes(voksc_test::vector_path(std::string("g729/annexB/") + c.bit), bit) ||
            !voksc_test::read_bytes(voksc_test::vector_path(std::string("g729/annexB/") + c.out), want))
            VOKSC_MISSING() << "Annex B sequences, g729/annexB";
        EXPECT_EQ(decode(c.codec, bit, got), "") << c.codec;
        EXPECT_TRUE(got == want) << c.codec << " " << c.bit;
    }
}

// encode --dtx --format itu: the reference streams (these inputs are whole frames). Packed frames
// cannot carry SID or untransmitted frames: --dtx with them is refused.
TEST_P(VoksCodecG729BLevels, EncodesWithDtx) {
    const struct {
        const char* codec;
        const char* bit;
    } cases[] = {{"g729", "tstseq4.bit"}, {"g729a", "tstseq4a.bit"}};
    for (const auto& c : cases) {
        Bytes pcm, want;
        if (!voksc_test::read_bytes(voksc_test::vector_path("g729/annexB/tstseq4.bin"), pcm) ||
            !voksc_test::read_bytes(voksc_test::vector_path(std::string("g729/annexB/") + c.bit), want))
            VOKSC_MISSING() << "Annex B sequences, g729/annexB";
        std::string err;
        auto coder = vokscodec::find_codec(c.codec)->encoder({{"format", "itu"}, {"dtx", "on"}}, err);
        ASSERT_TRUE(coder) << err;
        vokscodec::MemoryInput in(pcm.data(), pcm.size());
        vokscodec::MemoryOutput out;
        EXPECT_EQ(vokscodec::run(*coder, in, out), "") << c.codec;
        EXPECT_TRUE(out.bytes == want) << c.codec << " " << c.bit;
    }
    std::string err;
    EXPECT_FALSE(vokscodec::find_codec("g729")->encoder({{"format", "packed"}, {"dtx", "on"}}, err));
    EXPECT_NE(err.find("--format itu"), std::string::npos) << err;
}

TEST(VoksCodecG729B, RefusesUnsupportedAndCutFrames) {
    // Two frames: untransmitted, then one of the given length whose bits are all ones.
    auto stream = [](int16_t length) {
        Bytes b = {0x21, 0x6B, 0, 0, 0x21, 0x6B, static_cast<uint8_t>(length), 0};
        for (int i = 0; i < length; ++i) b.insert(b.end(), {0x81, 0x00});
        return b;
    };
    Bytes cut = stream(16);
    cut.pop_back();
    Bytes cut_header = stream(0);
    cut_header.pop_back();
    const struct {
        Bytes stream;
        const char* error;
    } cases[] = {
        {stream(15),
         "frame 1 is not an ITU serial frame (sync 0x6B21 or 0x6B20, length 80, 64, 118, 16 or 0)"},
        {cut, "frame 1 is truncated"},
        {cut_header, "frame 1 is truncated"},
    };
    for (const auto& c : cases) {
        Bytes out;
        EXPECT_EQ(decode("g729", c.stream, out), c.error);
        EXPECT_EQ(out.size(), 160u) << c.error << ": the frame before is decoded";
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, VoksCodecG729BLevels, voksc_test::every_level(),
                         [](const auto& info) { return voksc_test::level_name(info.param); });

}  // namespace

// voks-codec's G.728: every fixed-point sequence of G.728 Appendix I through the encoder and
// the decoder (post-filter off, and on for cw4) at each kernel level, the concealment against
// the reference decoder's outputs (CRC-32 list in tests/data/g728), the packed format, and the
// one-line errors of bad streams and options.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "codec.h"
#include "codec_run.h"
#include "support/external.h"
#include "support/levels.h"

namespace {

using Bytes = std::vector<uint8_t>;
using vokscodec::Args;

std::string run(bool encode, const Args& args, const Bytes& in, Bytes& out) {
    return run_codec("g728", encode, args, in, out);
}

Bytes read(const std::string& name) {
    Bytes b;
    voksc_test::read_bytes(voksc_test::vector_path("g728/" + name), b);
    return b;
}

using voksc_test::crc32;

class VoksCodecG728 : public voksc_test::LevelTest<> {};

TEST_P(VoksCodecG728, AppendixISequences) {
    if (read("in1.bin").empty()) VOKSC_MISSING() << "G.728 sequences in vectors/g728";
    for (int n = 1; n <= 6; ++n) {
        const std::string s = std::to_string(n);
        Bytes out;
        ASSERT_EQ(run(true, {}, read("in" + s + ".bin"), out), "");
        EXPECT_TRUE(out == read("incw" + s + "g.bin")) << "encoder, in" << s;
        ASSERT_EQ(run(false, {{"postfilter", "off"}}, read("cw" + s + ".bin"), out), "");
        EXPECT_TRUE(out == read("outa" + s + "g.bin")) << "decoder, cw" << s;
    }
    Bytes out;
    ASSERT_EQ(run(false, {}, read("cw4.bin"), out), "");
    EXPECT_TRUE(out == read("outb4g.bin")) << "decoder with post-filter, cw4";
}

TEST_P(VoksCodecG728, ConcealmentEqualsReference) {
    if (read("cw1.bin").empty()) VOKSC_MISSING() << "G.728 sequences in vectors/g728";
    const std::string dir = std::string(VOKSC_TEST_DATA_DIR) + "/g728/";
    std::ifstream f(dir + "concealment_crc.txt");
    std::string line;
    int checked = 0;
    while (std::getline(f, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream in(line);
        std::string stream, pattern, crc;
        size_t size = 0;
        in >> stream >> pattern >> crc >> size;
        const std::string path = pattern == "mask1" ? voksc_test::vector_path("g728/mask1") : dir + pattern;
        Bytes out;
        ASSERT_EQ(run(false, {{"loss", path}}, read(stream), out), "");
        EXPECT_EQ(out.size(), size) << stream << " " << pattern;
        EXPECT_EQ(crc32(out), std::stoul(crc, nullptr, 16)) << stream << " " << pattern;
        ++checked;
    }
    EXPECT_EQ(checked, 7);
}

INSTANTIATE_TEST_SUITE_P(Levels, VoksCodecG728, voksc_test::every_level());

TEST(VoksCodecG728Format, PackedHoldsTheIndexWords) {
    Bytes pcm(2 * 5 * 37);  // 37 vectors: padded to 40 when packed
    for (size_t i = 0; i < pcm.size(); i += 2) pcm[i + 1] = static_cast<uint8_t>((i * 37) & 0xFF);
    Bytes index, packed, padded_pcm = pcm, dec_index, dec_packed;
    padded_pcm.resize(2 * 5 * 40);
    ASSERT_EQ(run(true, {}, padded_pcm, index), "");
    ASSERT_EQ(run(true, {{"format", "packed"}}, pcm, packed), "");
    ASSERT_EQ(packed.size(), 50u);
    for (size_t g = 0; g < 10; ++g) {
        uint64_t acc = 0;
        for (size_t k = 0; k < 4; ++k)
            acc = acc << 10 | (index[8 * g + 2 * k] | index[8 * g + 2 * k + 1] << 8);
        for (size_t k = 0; k < 5; ++k) EXPECT_EQ(packed[5 * g + k], uint8_t(acc >> (32 - 8 * k))) << g;
    }
    ASSERT_EQ(run(false, {}, index, dec_index), "");
    ASSERT_EQ(run(false, {{"format", "packed"}}, packed, dec_packed), "");
    EXPECT_TRUE(dec_index == dec_packed);
}

TEST(VoksCodecG728Format, BadInputGivesOneLineError) {
    const std::string pattern = ::testing::TempDir() + "g728_bad_pattern";
    std::ofstream(pattern) << "01x2";
    const struct {
        bool encode;
        Args args;
        Bytes in;
        const char* error;
    } cases[] = {
        {false, {}, {0x00, 0x04}, "code word 1024 above 1023 at byte 0"},
        {false, {}, {0x01, 0x00, 0x02}, "truncated G.728 stream"},
        {false, {{"format", "packed"}}, {1, 2, 3, 4, 5, 6}, "truncated G.728 stream"},
        {false, {{"loss", pattern}}, {}, "unexpected character '2'"},
        {false, {{"loss", pattern}, {"postfilter", "off"}}, {}, "--loss needs the post-filter"},
        {true, {{"format", "bits"}}, {}, "--format must be index or packed"},
        {true, {{"postfilter", "no"}}, {}, "--postfilter must be on or off"},
    };
    for (const auto& c : cases) {
        Bytes out;
        const std::string err = run(c.encode, c.args, c.in, out);
        EXPECT_NE(err.find(c.error), std::string::npos) << err;
        EXPECT_EQ(err.find('\n'), std::string::npos) << err;
    }
}

}  // namespace

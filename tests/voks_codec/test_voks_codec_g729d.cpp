// voks-codec's G.729 rates: the ITU Annex D sequences through the encoder at a fixed 6.4 or 8 kbit/s
// and with a per-frame rate file, and through the decoder (rate from each frame's length); packed
// 6.4 kbit/s frames; the option and rate-file errors.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "codec.h"
#include "codec_run.h"
#include "support/external.h"
#include "support/levels.h"

namespace {

using Bytes = std::vector<uint8_t>;
using vokscodec::Args;

// Runs the codec's encoder or decoder on `in`; returns "" or the error (the factory's or the run's).
std::string run(const char* codec, bool encode, const Args& args, const Bytes& in, Bytes& out) {
    return run_codec(codec, encode, args, in, out);
}

std::string rate_file(const std::string& name, const std::vector<uint16_t>& words) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream f(path, std::ios::binary);
    for (const uint16_t w : words) f.put(static_cast<char>(w & 0xFF)).put(static_cast<char>(w >> 8));
    return path;
}

Bytes read(const std::string& rel) {
    Bytes b;
    voksc_test::read_bytes(voksc_test::vector_path("g729/annexD/" + rel), b);
    return b;
}

class VoksCodecG729DLevels : public voksc_test::LevelTest<> {};

TEST_P(VoksCodecG729DLevels, CodesAnnexDSequences) {
    const Bytes pcm = read("testfile.raw");
    if (pcm.empty()) VOKSC_MISSING() << "Annex D sequences, g729/annexD";
    const size_t frames = pcm.size() / 160;
    std::vector<uint16_t> alternate(frames + 5);  // longer than the input: fine
    for (size_t f = 0; f < alternate.size(); ++f) alternate[f] = f % 2 == 0 ? 1 : 0;
    const struct {
        int m;
        Args args;
    } cases[] = {
        {1, {{"format", "itu"}, {"rate", "6400"}}},
        {2, {{"format", "itu"}, {"rate", "8000"}}},
        {3, {{"format", "itu"}, {"rates", rate_file("g729d_alternate.rates", alternate)}}},
    };
    for (const auto& c : cases) {
        const std::string m = std::to_string(c.m);
        Bytes bit, out;
        EXPECT_EQ(run("g729", true, c.args, pcm, bit), "") << m;
        EXPECT_TRUE(bit == read("testmid." + m)) << "encoder, testmid." << m;
        EXPECT_EQ(run("g729", false, {{"format", "itu"}}, read("testmid." + m), out), "") << m;
        EXPECT_TRUE(out == read("testout." + m)) << "decoder, testmid." << m;
    }
    // Packed 6.4 kbit/s frames are 8 bytes and decode as the ITU stream does.
    Bytes packed, out;
    EXPECT_EQ(run("g729", true, {{"rate", "6400"}}, pcm, packed), "");
    EXPECT_EQ(packed.size(), frames * 8);
    EXPECT_EQ(run("g729", false, {{"rate", "6400"}}, packed, out), "");
    EXPECT_TRUE(out == read("testout.1"));
}

TEST(VoksCodecG729D, RefusesBadRatesAndOptions) {
    const Bytes pcm(160 * 4, 0);  // four frames
    const std::string itu = "itu";
    const struct {
        const char* codec;
        Args args;
        const char* error;
    } cases[] = {
        {"g729", {{"rate", "7000"}}, "--rate must be 6400, 8000 or 11800 (got '7000')"},
        {"g729", {{"rates", rate_file("g729d_ok.rates", {0, 1, 0, 1})}}, "--rates needs --format itu"},
        {"g729",
         {{"format", itu}, {"rates", rate_file("g729d_short.rates", {0, 1, 0})}},
         "has 3 words, fewer"},
        {"g729", {{"format", itu}, {"rates", rate_file("g729d_bad.rates", {0, 1, 3, 1})}}, "word 2 is 3"},
        {"g729", {{"format", itu}, {"rates", ::testing::TempDir() + "g729d_missing.rates"}}, "cannot read"},
    };
    for (const auto& c : cases) {
        Bytes out;
        const std::string err = run(c.codec, true, c.args, pcm, out);
        EXPECT_NE(err.find(c.error), std::string::npos) << "got: " << err;
    }
    // The Annex A decoder has no 6.4 kbit/s mode.
    Bytes frame = {0x21, 0x6B, 64, 0}, out;
    for (int i = 0; i < 64; ++i) frame.insert(frame.end(), {0x7F, 0x00});
    EXPECT_EQ(run("g729a", false, {{"format", itu}}, frame, out),
              "frame 0: 6.4 kbit/s frames (length 64) need --codec g729");
    EXPECT_EQ(run("g729", false, {{"format", itu}}, frame, out), "");
    EXPECT_EQ(out.size(), 160u);
}

INSTANTIATE_TEST_SUITE_P(Levels, VoksCodecG729DLevels, voksc_test::every_level(),
                         [](const auto& info) { return voksc_test::level_name(info.param); });

}  // namespace

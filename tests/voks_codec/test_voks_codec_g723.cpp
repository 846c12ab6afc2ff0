// voks-codec on the ITU-T G.723.1 test sequences (with Annex A): every encoder and decoder
// sequence through the g723 adapter, byte for byte, at every kernel level. The encoder codes the
// whole frames the reference coded (voks-codec pads a partial last frame, the reference drops it).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec.h"
#include "support/external.h"
#include "support/levels.h"

namespace {

using Bytes = std::vector<uint8_t>;
using vokscodec::Args;

struct Case {
    const char* in;   // input file
    const char* out;  // reference output
    bool encode;
    Args args;  // side files are named relative to the sequence folder
};

const Case kCases[] = {
    {"PATHC63H.TIN", "PATHC63H.RCO", true, {{"rate", "6300"}}},
    {"TAMEC63H.TIN", "TAMEC63H.RCO", true, {{"rate", "6300"}}},
    {"OVERC63.TIN", "OVERC63.RCO", true, {{"rate", "6300"}, {"highpass", "off"}}},
    {"CODEC63.TIN", "CODEC63.RCO", true, {{"highpass", "off"}}},
    {"OVERC53H.TIN", "OVERC53H.RCO", true, {{"rate", "5300"}}},
    {"PATHC53.TIN", "PATHC53.RCO", true, {{"rate", "5300"}, {"highpass", "off"}}},
    {"INEQC53.TIN", "INEQC53.RCO", true, {{"rate", "5300"}, {"highpass", "off"}}},
    {"DTX63.TIN", "DTX63.RCO", true, {{"rate", "6300"}, {"vad", ""}}},
    {"DTX53MIX.TIN", "DTX53.RCO", true, {{"rate", "5300"}, {"vad", ""}}},
    {"DTX53MIX.TIN", "DTXMIX.RCO", true, {{"rates", "DTXMIX.RAT"}, {"vad", ""}}},
    {"PATHD63P.TCO", "PATHD63P.ROU", false, {{"crc", "PATHD63P.CRC"}}},
    {"TAMED63P.TCO", "TAMED63P.ROU", false, {{"crc", "TAMED63P.CRC"}}},
    {"OVERD63P.TCO", "OVERD63P.ROU", false, {}},
    {"PATHD53.TCO", "PATHD53.ROU", false, {{"postfilter", "off"}}},
    {"OVERD53.TCO", "OVERD53.ROU", false, {{"postfilter", "off"}}},
    {"INEQD53.TCO", "INEQD53.ROU", false, {{"postfilter", "off"}}},
    {"DTX63.RCO", "DTX63.ROU", false, {}},
    {"DTX53.RCO", "DTX53.ROU", false, {}},
    {"DTXMIX.RCO", "DTXMIX.ROU", false, {{"postfilter", "on"}}},
    {"DTX63B.TCO", "DTX63B.ROU", false, {}},
    {"DTX63E.TCO", "DTX63E.ROU", false, {{"crc", "DTX63E.CRC"}}},
};

std::string path(const std::string& name) {
    return voksc_test::vector_path("g723/" + name);
}

class VoksCodecG723 : public voksc_test::LevelTest<std::tuple<Case, voks::frame::Level>> {};

TEST_P(VoksCodecG723, ByteIdentical) {
    const Case& c = std::get<0>(GetParam());
    Args args = c.args;
    for (const char* side : {"rates", "crc"})
        if (args.count(side) != 0) args[side] = path(args[side]);
    Bytes in, want;
    if (!voksc_test::read_bytes(path(c.in), in) || !voksc_test::read_bytes(path(c.out), want))
        VOKSC_MISSING() << "G.723.1 sequence " << c.in << " or " << c.out << " under " << path("");
    if (c.encode) in.resize(in.size() / 480 * 480);
    std::string err;
    const vokscodec::Codec* codec = vokscodec::find_codec("g723");
    auto coder = c.encode ? codec->encoder(args, err) : codec->decoder(args, err);
    ASSERT_TRUE(coder) << err;
    vokscodec::MemoryInput input(in.data(), in.size());
    vokscodec::MemoryOutput output;
    ASSERT_EQ(vokscodec::run(*coder, input, output), "") << c.in;
    ASSERT_EQ(output.bytes.size(), want.size()) << c.out;
    size_t first = 0;
    while (first < want.size() && output.bytes[first] == want[first]) ++first;
    EXPECT_EQ(first, want.size()) << c.out << ": first difference at byte " << first;
}

INSTANTIATE_TEST_SUITE_P(All, VoksCodecG723,
                         ::testing::Combine(::testing::ValuesIn(kCases), voksc_test::every_level()),
                         [](const auto& info) {
                             const Case& c = std::get<0>(info.param);
                             std::string n = c.out;
                             n = n.substr(0, n.find('.')) + (c.encode ? "_enc_" : "_dec_");
                             return n + voksc_test::level_name(std::get<1>(info.param));
                         });

}  // namespace

// voks-codec at 11.8 kbit/s: the ITU Annex E sequences (fixed rate and switching with 8 kbit/s) and
// the Annex I mixed-rate and 11.8 kbit/s DTX sequences through the encoder and decoder in the ITU
// format, and packed 15-byte frames.
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

std::string run(bool encode, const Args& args, const Bytes& in, Bytes& out) {
    return run_codec("g729", encode, args, in, out);
}

Bytes read(const std::string& rel) {
    Bytes b;
    voksc_test::read_bytes(voksc_test::vector_path("g729/" + rel), b);
    return b;
}

// The Annex E rate file numbers 0 = 8 and 1 = 11.8 kbit/s; voks-codec takes 1 and 2.
std::string renumbered_switch_rates() {
    const Bytes in = read("annexE/SWITCH");
    const std::string path = ::testing::TempDir() + "g729e_switch.rates";
    std::ofstream f(path, std::ios::binary);
    for (size_t i = 0; i + 1 < in.size(); i += 2) f.put(static_cast<char>(in[i] + 1)).put(0);
    return path;
}

class VoksCodecG729ELevels : public voksc_test::LevelTest<> {};

TEST_P(VoksCodecG729ELevels, CodesAnnexEAndISequences) {
    if (read("annexE/SWITCH").empty()) VOKSC_MISSING() << "Annex E sequences, g729/annexE";
    const Args high = {{"format", "itu"}, {"rate", "11800"}};
    const struct {
        const char* in;
        Args args;
        const char* bit;
        const char* out;
    } cases[] = {
        {"annexE/ALGTHME.118", high, "annexE/algthme.bit", "annexE/algthme.pst"},
        {"annexE/FIXED44.118", high, "annexE/fixed44.bit", "annexE/fixed44.pst"},
        {"annexE/LSPE.118", high, "annexE/lspe.bit", "annexE/lspe.pst"},
        {"annexE/SPEECHE.118", high, "annexE/speeche.bit", "annexE/speeche.pst"},
        {"annexE/SWITCH.XXX",
         {{"format", "itu"}, {"rates", renumbered_switch_rates()}},
         "annexE/switch.bit",
         "annexE/switch.pst"},
        {"annexI/speech",
         {{"format", "itu"}, {"rates", voksc_test::vector_path("g729/annexI/rate012")}},
         "annexI/speech.br012",
         "annexI/speech.or012"},
        {"", {}, "annexE/erasuree.bit", "annexE/erasuree.pst"},
        {"annexI/dm19.8k",
         {{"format", "itu"}, {"rate", "11800"}, {"dtx", "on"}},
         "annexI/dm19.b12",
         "annexI/dm19.o12"},
    };
    for (const auto& c : cases) {
        Bytes bit, out;
        if (*c.in) {
            // Whole frames only: voks-codec pads a partial last frame, the reference drops it.
            Bytes pcm = read(c.in);
            pcm.resize(pcm.size() / 160 * 160);
            EXPECT_EQ(run(true, c.args, pcm, bit), "") << c.in;
            EXPECT_TRUE(bit == read(c.bit)) << "encoder, " << c.bit;
        }
        EXPECT_EQ(run(false, {{"format", "itu"}}, read(c.bit), out), "") << c.bit;
        EXPECT_TRUE(out == read(c.out)) << "decoder, " << c.bit;
    }
    // Packed 11.8 kbit/s frames are 15 bytes and decode as the ITU stream does.
    Bytes pcm = read("annexE/SPEECHE.118");
    pcm.resize(pcm.size() / 160 * 160);
    Bytes packed, out;
    EXPECT_EQ(run(true, {{"rate", "11800"}}, pcm, packed), "");
    EXPECT_EQ(packed.size(), pcm.size() / 160 * 15);
    EXPECT_EQ(run(false, {{"rate", "11800"}}, packed, out), "");
    EXPECT_TRUE(out == read("annexE/speeche.pst"));
}

INSTANTIATE_TEST_SUITE_P(Levels, VoksCodecG729ELevels, voksc_test::every_level(),
                         [](const auto& info) { return voksc_test::level_name(info.param); });

}  // namespace

// GSM-AMR example decoder: the 3GPP test sequences (all modes, DTX with both VAD options) and
// streams with damaged frames, against outputs of the reference decoder, at every kernel level.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "amrnb/amrnb_dec.h"
#include "support/external.h"
#include "support/levels.h"

namespace {

// Decodes serial frames (250 words each) into PCM.
std::vector<int16_t> decode(const std::vector<int16_t>& cod) {
    amrnb::DecoderState st;
    amrnb::decoder_init(&st);
    const size_t frames = cod.size() / amrnb::kSerialWords;
    std::vector<int16_t> out(frames * amrnb::kFrameSamples);
    for (size_t f = 0; f < frames; ++f) {
        const int16_t* w = &cod[f * amrnb::kSerialWords];
        amrnb::SerialFrame fr;
        fr.tx_type = w[0];
        for (int i = 0; i < amrnb::kMaxBits; ++i) fr.bits[i] = w[1 + i];
        fr.mode = w[1 + amrnb::kMaxBits];
        amrnb::decode_serial(&st, fr, &out[f * amrnb::kFrameSamples]);
    }
    return out;
}

class AmrnbDecoderVectors : public voksc_test::LevelTest<std::tuple<const char*, voks::frame::Level>> {};

TEST_P(AmrnbDecoderVectors, BitExact) {
    const std::string name = std::get<0>(GetParam());
    std::vector<int16_t> cod, out;
    VOKSC_READ_VECTOR("amrnb/" + name + ".cod", cod);
    VOKSC_READ_VECTOR("amrnb/" + name + ".out", out);
    ASSERT_EQ(cod.size() % amrnb::kSerialWords, 0u);
    EXPECT_EQ(voksc_test::first_bad_frame(decode(cod), out, amrnb::kFrameSamples), -1) << name;
}

INSTANTIATE_TEST_SUITE_P(Sequences, AmrnbDecoderVectors,
                         ::testing::Combine(::testing::Values("spch_dos", "spch_do2"),
                                            voksc_test::every_level()),
                         [](const ::testing::TestParamInfo<AmrnbDecoderVectors::ParamType>& info) {
                             return std::string(std::get<0>(info.param)) + "_" +
                                    voksc_test::level_name(std::get<1>(info.param));
                         });

}  // namespace

// G.729 at 11.8 kbit/s (Annex E) and mixed with 6.4 / 8 kbit/s (Annex I): the ITU sequences through
// the example decoder word for word under every kernel level. The decoder takes each frame's rate
// from its length word; an erased frame keeps the previous frame's rate.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "g729/g729_cng.h"
#include "g729/g729_codec.h"
#include "g729/g729_dtx.h"
#include "g729/g729_frame_e.h"
#include "support/external.h"
#include "support/levels.h"

namespace {

using voksc_test::first_bad_frame;

struct Sequence {
    const char* bit;
    const char* out;
};

constexpr Sequence kDecoderSequences[] = {
    {"annexE/algthme.bit", "annexE/algthme.pst"},   {"annexE/erasuree.bit", "annexE/erasuree.pst"},
    {"annexE/fixed35.bit", "annexE/fixed35.pst"},   {"annexE/fixed44.bit", "annexE/fixed44.pst"},
    {"annexE/lspe.bit", "annexE/lspe.pst"},         {"annexE/ovpitch.bit", "annexE/ovpitch.pst"},
    {"annexE/pitche.bit", "annexE/pitche.pst"},     {"annexE/speeche.bit", "annexE/speeche.pst"},
    {"annexE/stabilit.bit", "annexE/stabilit.pst"}, {"annexE/switch.bit", "annexE/switch.pst"},
    {"annexI/dm19.br02", "annexI/dm19.or02"},       {"annexI/dm19.br012", "annexI/dm19.or012"},
    {"annexI/speech.br02", "annexI/speech.or02"},   {"annexI/speech.br012", "annexI/speech.or012"},
    {"annexI/dm19.b12", "annexI/dm19.o12"},         {"annexI/speech.b12", "annexI/speech.o12"},
};

class G729EDecoder : public voksc_test::LevelTest<std::tuple<Sequence, voks::frame::Level>> {};

TEST_P(G729EDecoder, IsBitExact) {
    const Sequence seq = std::get<0>(GetParam());
    std::vector<int16_t> bit, want;
    VOKSC_READ_VECTOR(std::string("g729/") + seq.bit, bit);
    VOKSC_READ_VECTOR(std::string("g729/") + seq.out, want);
    g729::DtxDecoder dec;
    g729::dtx_decoder_init(&dec, g729::Variant::Main);
    std::vector<int16_t> got;
    int failed_frames = 0;
    g729::Rate prev = g729::Rate::Full;
    for (size_t w = 0; w + 2 <= bit.size();) {
        const int len = bit[w + 1];
        ASSERT_TRUE(len == 0 || len == 16 || len == 64 || len == 80 || len == 118) << "word " << w;
        ASSERT_LE(w + 2 + len, bit.size());
        g729::Rate rate = len == 64 ? g729::Rate::Low : (len == 118 ? g729::Rate::High : g729::Rate::Full);
        g729::FrameType type = g729::kSpeech;
        int16_t params[g729::kFrameParamsHigh];
        const bool erased = len == 118  ? g729::serial_to_params_high(&bit[w], params)
                            : len == 64 ? g729::serial_to_params(&bit[w], params, rate)
                                        : g729::serial_to_frame(&bit[w], &type, params);
        if (erased || type != g729::kSpeech) rate = prev;
        got.resize(got.size() + g729::kFrameSamples);
        failed_frames +=
            g729::decode_dtx(&dec, type, params, erased, &got[got.size() - g729::kFrameSamples], rate) ? 0
                                                                                                       : 1;
        prev = rate;
        w += 2 + len;
    }
    EXPECT_EQ(failed_frames, 0) << "frames in which an operation reported an error";
    ASSERT_EQ(got.size(), want.size());
    EXPECT_EQ(first_bad_frame(got, want, g729::kFrameSamples), -1);
}

// Encoder: input, rate file (empty: 11.8 kbit/s throughout) and the value that file gives
// 11.8 kbit/s (Annex E numbers 0 = 8, 1 = 11.8; Annex I 0 = 6.4, 1 = 8, 2 = 11.8), stream,
// silence compression.
struct EncoderCase {
    const char* in;
    const char* rates;
    int high;
    const char* bit;
    bool dtx = false;
};

constexpr EncoderCase kEncoderSequences[] = {
    {"annexE/ALGTHME.118", "", 0, "annexE/algthme.bit"},
    {"annexE/FIXED35.118", "", 0, "annexE/fixed35.bit"},
    {"annexE/FIXED44.118", "", 0, "annexE/fixed44.bit"},
    {"annexE/LSPE.118", "", 0, "annexE/lspe.bit"},
    {"annexE/OVPITCH.118", "", 0, "annexE/ovpitch.bit"},
    {"annexE/PITCHE.118", "", 0, "annexE/pitche.bit"},
    {"annexE/SPEECHE.118", "", 0, "annexE/speeche.bit"},
    {"annexE/SWITCH.XXX", "annexE/SWITCH", 1, "annexE/switch.bit"},
    {"annexI/dm19.8k", "annexI/rate02", 2, "annexI/dm19.br02"},
    {"annexI/dm19.8k", "annexI/rate012", 2, "annexI/dm19.br012"},
    {"annexI/speech", "annexI/rate02", 2, "annexI/speech.br02"},
    {"annexI/speech", "annexI/rate012", 2, "annexI/speech.br012"},
    {"annexI/dm19.8k", "", 0, "annexI/dm19.b12", true},
    {"annexI/speech", "", 0, "annexI/speech.b12", true},
};

class G729EEncoder : public voksc_test::LevelTest<std::tuple<EncoderCase, voks::frame::Level>> {};

TEST_P(G729EEncoder, IsBitExact) {
    const EncoderCase c = std::get<0>(GetParam());
    std::vector<int16_t> pcm, rates, want;
    VOKSC_READ_VECTOR(std::string("g729/") + c.in, pcm);
    VOKSC_READ_VECTOR(std::string("g729/") + c.bit, want);
    if (*c.rates) VOKSC_READ_VECTOR(std::string("g729/") + c.rates, rates);
    auto enc = std::make_unique<g729::DtxEncoder>();
    g729::dtx_encoder_init(enc.get(), g729::Variant::Main, c.dtx);
    std::vector<int16_t> got;
    int failed_frames = 0;
    for (size_t f = 0; (f + 1) * g729::kFrameSamples <= pcm.size(); ++f) {
        g729::Rate rate = g729::Rate::High;
        if (*c.rates) {
            ASSERT_LT(f, rates.size());
            // Annex E files: 0 = 8 kbit/s; Annex I files: 0 = 6.4, 1 = 8 kbit/s.
            rate = rates[f] == c.high ? g729::Rate::High
                                      : (c.high == 2 && rates[f] == 0 ? g729::Rate::Low : g729::Rate::Full);
        }
        int16_t params[g729::kFrameParamsHigh];
        int16_t serial[g729::kSerialWordsHigh];
        bool ok = true;
        const g729::FrameType type =
            g729::encode_dtx(enc.get(), &pcm[f * g729::kFrameSamples], params, &ok, rate);
        failed_frames += ok ? 0 : 1;
        int words = g729::kSerialWordsHigh;
        if (type != g729::kSpeech) {
            words = g729::frame_to_serial(type, params, serial);
        } else if (rate == g729::Rate::High) {
            g729::params_to_serial_high(params, serial);
        } else {
            g729::params_to_serial(params, serial, rate);
            words = rate == g729::Rate::Low ? g729::kSerialWordsLow : g729::kSerialWords;
        }
        got.insert(got.end(), serial, serial + words);
    }
    EXPECT_EQ(failed_frames, 0) << "frames in which an operation reported an error";
    ASSERT_EQ(got.size(), want.size());
    size_t first_bad = 0;
    while (first_bad < got.size() && got[first_bad] == want[first_bad]) ++first_bad;
    EXPECT_EQ(first_bad, got.size()) << "first differing word";
}

INSTANTIATE_TEST_SUITE_P(Itu, G729EEncoder,
                         ::testing::Combine(::testing::ValuesIn(kEncoderSequences),
                                            voksc_test::every_level()),
                         [](const ::testing::TestParamInfo<G729EEncoder::ParamType>& info) {
                             const EncoderCase& c = std::get<0>(info.param);
                             std::string name = c.bit;
                             for (char& ch : name) {
                                 if (ch == '/' || ch == '.') ch = '_';
                             }
                             return name + "_" + voksc_test::level_name(std::get<1>(info.param));
                         });

std::string sequence_name(const char* path) {
    std::string s(path);
    for (char& c : s) {
        if (c == '/' || c == '.') c = '_';
    }
    return s;
}

INSTANTIATE_TEST_SUITE_P(Itu, G729EDecoder,
                         ::testing::Combine(::testing::ValuesIn(kDecoderSequences),
                                            voksc_test::every_level()),
                         [](const ::testing::TestParamInfo<G729EDecoder::ParamType>& info) {
                             return sequence_name(std::get<0>(info.param).bit) + "_" +
                                    voksc_test::level_name(std::get<1>(info.param));
                         });

}  // namespace

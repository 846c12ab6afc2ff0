// G.729 Annex D conformance: the ITU sequences at 6.4 kbit/s (testmid.1), 8 kbit/s (.2) and switching
// rate every frame from 8 kbit/s (.3), through the example encoder and decoder word for word under
// every kernel level. The decoder takes each frame's rate from its length word.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "g729/g729_cng.h"
#include "g729/g729_codec.h"
#include "g729/g729_dtx.h"
#include "support/external.h"
#include "support/golden.h"
#include "support/levels.h"

namespace {

using voksc_test::first_bad_frame;

class G729DVectors : public voksc_test::LevelTest<std::tuple<int, voks::frame::Level>> {};

g729::Rate rate_of(int sequence, size_t frame) {
    if (sequence == 3) return frame % 2 == 0 ? g729::Rate::Full : g729::Rate::Low;
    return sequence == 1 ? g729::Rate::Low : g729::Rate::Full;
}

TEST_P(G729DVectors, EncoderIsBitExact) {
    const int m = std::get<0>(GetParam());
    std::vector<int16_t> pcm, want;
    VOKSC_READ_VECTOR("g729/annexD/testfile.raw", pcm);
    VOKSC_READ_VECTOR("g729/annexD/testmid." + std::to_string(m), want);
    g729::Encoder enc;
    g729::encoder_init(&enc, g729::Variant::Main);
    std::vector<int16_t> got;
    int failed_frames = 0;
    for (size_t f = 0; (f + 1) * g729::kFrameSamples <= pcm.size(); ++f) {
        const g729::Rate rate = rate_of(m, f);
        int16_t params[g729::kFrameParams];
        int16_t serial[g729::kSerialWords];
        failed_frames += g729::encode(&enc, &pcm[f * g729::kFrameSamples], params, rate) ? 0 : 1;
        g729::params_to_serial(params, serial, rate);
        got.insert(got.end(), serial,
                   serial + (rate == g729::Rate::Low ? g729::kSerialWordsLow : g729::kSerialWords));
    }
    EXPECT_EQ(failed_frames, 0) << "frames in which an operation reported an error";
    ASSERT_EQ(got.size(), want.size());
    size_t first_bad = 0;
    while (first_bad < got.size() && got[first_bad] == want[first_bad]) ++first_bad;
    EXPECT_EQ(first_bad, got.size()) << "first differing word";
}

TEST_P(G729DVectors, DecoderIsBitExact) {
    const int m = std::get<0>(GetParam());
    std::vector<int16_t> bit, want;
    VOKSC_READ_VECTOR("g729/annexD/testmid." + std::to_string(m), bit);
    VOKSC_READ_VECTOR("g729/annexD/testout." + std::to_string(m), want);
    g729::Decoder dec;
    g729::decoder_init(&dec, g729::Variant::Main);
    std::vector<int16_t> got;
    int failed_frames = 0;
    for (size_t w = 0; w + 2 <= bit.size();) {
        const int len = bit[w + 1];
        ASSERT_TRUE(len == 80 || len == 64) << "word " << w;
        ASSERT_LE(w + 2 + len, bit.size());
        const g729::Rate rate = len == 64 ? g729::Rate::Low : g729::Rate::Full;
        EXPECT_EQ(rate, rate_of(m, got.size() / g729::kFrameSamples)) << "word " << w;
        int16_t params[g729::kFrameParams];
        const bool erased = g729::serial_to_params(&bit[w], params, rate);
        got.resize(got.size() + g729::kFrameSamples);
        failed_frames +=
            g729::decode(&dec, params, erased, &got[got.size() - g729::kFrameSamples], rate) ? 0 : 1;
        w += 2 + len;
    }
    EXPECT_EQ(failed_frames, 0) << "frames in which an operation reported an error";
    ASSERT_EQ(got.size(), want.size());
    EXPECT_EQ(first_bad_frame(got, want, g729::kFrameSamples), -1);
}

INSTANTIATE_TEST_SUITE_P(Itu, G729DVectors,
                         ::testing::Combine(::testing::Values(1, 2, 3), voksc_test::every_level()),
                         [](const ::testing::TestParamInfo<G729DVectors::ParamType>& info) {
                             return "testmid" + std::to_string(std::get<0>(info.param)) + "_" +
                                    voksc_test::level_name(std::get<1>(info.param));
                         });

// G.729 Annex I at 6.4 kbit/s with Annex B silence compression (the *.b10 streams): the encoder's
// streams (whole input frames) and the decoder's output, word for word. The comfort noise drives
// the 6.4 kbit/s phase-dispersion state as the speech frames do.
class G729IVectors : public voksc_test::LevelTest<std::tuple<const char*, voks::frame::Level>> {};

TEST_P(G729IVectors, LowRateWithDtxIsBitExact) {
    const std::string name = std::get<0>(GetParam());
    std::vector<int16_t> pcm, bit, want;
    VOKSC_READ_VECTOR("g729/annexI/" + name + (name == "dm19" ? ".8k" : ""), pcm);
    VOKSC_READ_VECTOR("g729/annexI/" + name + ".b10", bit);
    VOKSC_READ_VECTOR("g729/annexI/" + name + ".o10", want);
    auto enc = std::make_unique<g729::DtxEncoder>();
    g729::dtx_encoder_init(enc.get(), g729::Variant::Main, true);
    std::vector<int16_t> coded;
    int count[3] = {};
    int failed_frames = 0;
    for (size_t f = 0; (f + 1) * g729::kFrameSamples <= pcm.size(); ++f) {
        int16_t params[g729::kFrameParams], serial[g729::kSerialWords];
        bool ok = true;
        const g729::FrameType type =
            g729::encode_dtx(enc.get(), &pcm[f * g729::kFrameSamples], params, &ok, g729::Rate::Low);
        failed_frames += ok ? 0 : 1;
        ++count[type];
        const int words = type == g729::kSpeech ? (g729::params_to_serial(params, serial, g729::Rate::Low),
                                                   g729::kSerialWordsLow)
                                                : g729::frame_to_serial(type, params, serial);
        coded.insert(coded.end(), serial, serial + words);
    }
    EXPECT_GT(count[g729::kSid], 0);
    EXPECT_GT(count[g729::kUntransmitted], 0);
    EXPECT_TRUE(coded == bit) << name << ".b10: encoder";

    g729::DtxDecoder dec;
    g729::dtx_decoder_init(&dec, g729::Variant::Main);
    std::vector<int16_t> got;
    for (size_t w = 0; w + 2 <= bit.size();) {
        const int len = bit[w + 1];
        ASSERT_TRUE(len == 64 || len == 16 || len == 0) << "word " << w;
        ASSERT_LE(w + 2 + len, bit.size());
        g729::FrameType type = g729::kSpeech;
        int16_t params[g729::kFrameParams];
        const bool erased = len == 64 ? g729::serial_to_params(&bit[w], params, g729::Rate::Low)
                                      : g729::serial_to_frame(&bit[w], &type, params);
        got.resize(got.size() + g729::kFrameSamples);
        failed_frames += g729::decode_dtx(&dec, type, params, erased, &got[got.size() - g729::kFrameSamples],
                                          g729::Rate::Low)
                             ? 0
                             : 1;
        w += 2 + len;
    }
    EXPECT_EQ(failed_frames, 0) << "frames in which an operation reported an error";
    ASSERT_EQ(got.size(), want.size());
    EXPECT_EQ(first_bad_frame(got, want, g729::kFrameSamples), -1) << name << ".o10";
}

INSTANTIATE_TEST_SUITE_P(Itu, G729IVectors,
                         ::testing::Combine(::testing::Values("speech", "dm19"), voksc_test::every_level()),
                         [](const ::testing::TestParamInfo<G729IVectors::ParamType>& info) {
                             return std::string(std::get<0>(info.param)) + "_" +
                                    voksc_test::level_name(std::get<1>(info.param));
                         });

}  // namespace

// Erased frames in a stream that switches rate are concealed at the rate of the last speech
// frame, whatever their own length word says: testmid.3 (and .1) with every n-th frame erased
// (its first bit word zeroed) through decode_dtx, against FNV-1a digests of the Annex I
// reference decoder's output on the same streams.
TEST(G729DErasures, ConcealedAtTheLastSpeechRate) {
    const struct {
        int m, step;
        uint64_t digest;
    } cases[] = {{3, 17, 0xaafd486831e06980},
                 {3, 5, 0xf5ed0aa0c6148f86},
                 {3, 2, 0x9d349e6f83ed1ba2},
                 {1, 5, 0xec722c3a05e6ff80}};
    for (const auto& c : cases) {
        std::vector<int16_t> bit;
        VOKSC_READ_VECTOR("g729/annexD/testmid." + std::to_string(c.m), bit);
        auto dec = std::make_unique<g729::DtxDecoder>();
        g729::dtx_decoder_init(dec.get(), g729::Variant::Main);
        std::vector<int16_t> out;
        for (size_t w = 0, f = 0; w + 2 <= bit.size(); w += 2 + bit[w + 1], ++f) {
            ASSERT_LE(w + 2 + bit[w + 1], bit.size());
            if (f % c.step == static_cast<size_t>(c.step - 1)) bit[w + 2] = 0;
            const g729::Rate rate = bit[w + 1] == g729::kFrameBitsLow ? g729::Rate::Low : g729::Rate::Full;
            int16_t params[g729::kFrameParams];
            const bool erased = g729::serial_to_params(&bit[w], params, rate);
            out.resize(out.size() + g729::kFrameSamples);
            EXPECT_TRUE(g729::decode_dtx(dec.get(), g729::kSpeech, params, erased,
                                         &out[out.size() - g729::kFrameSamples], rate));
        }
        EXPECT_EQ(golden::fnv64(golden::kFnv64, out.data(), 2 * out.size()), c.digest)
            << "testmid." << c.m << ", every " << c.step << "th frame erased";
    }
}

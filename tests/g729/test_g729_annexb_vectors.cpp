// G.729 Annex B conformance: the ITU Annex B sequences (speech, SID and untransmitted frames,
// erasures) through the example decoder and encoder, byte for byte, under every kernel level. The
// G.729A rows decode with the Annex A decoder; tstseq5a/6a decode the main-body streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "g729/g729_cng.h"
#include "g729/g729_dtx.h"
#include "support/external.h"
#include "support/levels.h"

namespace {

using voksc_test::first_bad_frame;

struct Sequence {
    const char* bit;
    const char* out;
    g729::Variant variant;
};

const Sequence kSequences[] = {
    {"tstseq1", "tstseq1", g729::Variant::Main},     {"tstseq2", "tstseq2", g729::Variant::Main},
    {"tstseq3", "tstseq3", g729::Variant::Main},     {"tstseq4", "tstseq4", g729::Variant::Main},
    {"tstseq5", "tstseq5", g729::Variant::Main},     {"tstseq6", "tstseq6", g729::Variant::Main},
    {"tstseq1a", "tstseq1a", g729::Variant::AnnexA}, {"tstseq2a", "tstseq2a", g729::Variant::AnnexA},
    {"tstseq3a", "tstseq3a", g729::Variant::AnnexA}, {"tstseq4a", "tstseq4a", g729::Variant::AnnexA},
    {"tstseq5", "tstseq5a", g729::Variant::AnnexA},  {"tstseq6", "tstseq6a", g729::Variant::AnnexA},
};

class G729BVectors : public voksc_test::LevelTest<std::tuple<Sequence, voks::frame::Level>> {};

TEST_P(G729BVectors, DecoderIsBitExact) {
    const Sequence& seq = std::get<0>(GetParam());
    std::vector<int16_t> bit, want;
    VOKSC_READ_VECTOR(std::string("g729/annexB/") + seq.bit + ".bit", bit);
    VOKSC_READ_VECTOR(std::string("g729/annexB/") + seq.out + ".out", want);
    g729::DtxDecoder dec;
    g729::dtx_decoder_init(&dec, seq.variant);
    std::vector<int16_t> got;
    int count[3] = {};  // frames per type
    int failed_frames = 0;
    for (size_t w = 0; w + 2 <= bit.size();) {
        const int len = bit[w + 1];
        ASSERT_TRUE(len == 80 || len == 16 || len == 0) << "word " << w;
        ASSERT_LE(w + 2 + len, bit.size());
        g729::FrameType type;
        int16_t params[g729::kFrameParams];
        const bool erased = g729::serial_to_frame(&bit[w], &type, params);
        ++count[type];
        got.resize(got.size() + g729::kFrameSamples);
        failed_frames +=
            g729::decode_dtx(&dec, type, params, erased, &got[got.size() - g729::kFrameSamples]) ? 0 : 1;
        w += 2 + len;
    }
    EXPECT_GT(count[g729::kSid], 0) << "every sequence carries SID frames";
    EXPECT_EQ(failed_frames, 0) << "frames in which an operation reported an error";
    ASSERT_EQ(got.size(), want.size());
    EXPECT_EQ(first_bad_frame(got, want, g729::kFrameSamples), -1) << seq.out;
}

INSTANTIATE_TEST_SUITE_P(Itu, G729BVectors,
                         ::testing::Combine(::testing::ValuesIn(kSequences), voksc_test::every_level()),
                         [](const ::testing::TestParamInfo<G729BVectors::ParamType>& info) {
                             const Sequence& s = std::get<0>(info.param);
                             return std::string(s.bit) + "_" +
                                    (s.variant == g729::Variant::Main ? "g729" : "g729a") + "_" +
                                    voksc_test::level_name(std::get<1>(info.param));
                         });

// Encoder: the ITU input sequences through the Annex B encoder (whole frames), serialised, equal
// the reference streams word for word.
struct EncoderSequence {
    const char* in;
    const char* bit;
    g729::Variant variant;
};

const EncoderSequence kEncoderSequences[] = {
    {"tstseq1", "tstseq1", g729::Variant::Main},    {"tstseq2", "tstseq2", g729::Variant::Main},
    {"tstseq3", "tstseq3", g729::Variant::Main},    {"tstseq4", "tstseq4", g729::Variant::Main},
    {"tstseq1", "tstseq1a", g729::Variant::AnnexA}, {"tstseq2", "tstseq2a", g729::Variant::AnnexA},
    {"tstseq3", "tstseq3a", g729::Variant::AnnexA}, {"tstseq4", "tstseq4a", g729::Variant::AnnexA},
};

class G729BEncoderVectors : public voksc_test::LevelTest<std::tuple<EncoderSequence, voks::frame::Level>> {};

TEST_P(G729BEncoderVectors, EncoderIsBitExact) {
    const EncoderSequence& seq = std::get<0>(GetParam());
    std::vector<int16_t> pcm, want;
    VOKSC_READ_VECTOR(std::string("g729/annexB/") + seq.in + ".bin", pcm);
    VOKSC_READ_VECTOR(std::string("g729/annexB/") + seq.bit + ".bit", want);
    auto enc = std::make_unique<g729::DtxEncoder>();
    g729::dtx_encoder_init(enc.get(), seq.variant, true);
    std::vector<int16_t> got;
    int count[3] = {};
    int failed_frames = 0;
    int first_bad = -1;
    for (size_t f = 0; (f + 1) * g729::kFrameSamples <= pcm.size(); ++f) {
        int16_t params[g729::kFrameParams];
        int16_t serial[g729::kSerialWords];
        bool ok = true;
        const g729::FrameType type = g729::encode_dtx(enc.get(), &pcm[f * g729::kFrameSamples], params, &ok);
        failed_frames += ok ? 0 : 1;
        ++count[type];
        const size_t at = got.size();
        got.insert(got.end(), serial, serial + g729::frame_to_serial(type, params, serial));
        if (first_bad < 0 &&
            (got.size() > want.size() || !std::equal(got.begin() + at, got.end(), want.begin() + at)))
            first_bad = static_cast<int>(f);
    }
    EXPECT_GT(count[g729::kSid], 0);
    EXPECT_GT(count[g729::kUntransmitted], 0);
    EXPECT_EQ(failed_frames, 0) << "frames in which an operation reported an error";
    EXPECT_EQ(first_bad, -1) << seq.bit << ": first frame that differs";
    EXPECT_EQ(got.size(), want.size());
}

INSTANTIATE_TEST_SUITE_P(Itu, G729BEncoderVectors,
                         ::testing::Combine(::testing::ValuesIn(kEncoderSequences),
                                            voksc_test::every_level()),
                         [](const ::testing::TestParamInfo<G729BEncoderVectors::ParamType>& info) {
                             return std::string(std::get<0>(info.param).bit) + "_" +
                                    voksc_test::level_name(std::get<1>(info.param));
                         });

// SID fields in bit order (1, 5, 4, 5 bits, the padding bit ignored) and the erasure marks of
// the shorter frames: a sync other than 0x6B21 or a zero bit word.
TEST(G729BSerial, FrameTypesAndErasure) {
    std::vector<int16_t> sid = {g729::kSyncWord, 16};
    for (const char c : std::string("1"
                                    "10110"
                                    "0011"
                                    "11101"
                                    "0"))
        sid.push_back(c == '1' ? g729::kBit1 : g729::kBit0);
    g729::FrameType type = g729::kSpeech;
    int16_t p[g729::kFrameParams] = {};
    EXPECT_FALSE(g729::serial_to_frame(sid.data(), &type, p));
    EXPECT_EQ(type, g729::kSid);
    EXPECT_EQ(std::vector<int16_t>(p, p + 4), (std::vector<int16_t>{1, 22, 3, 29}));
    sid[17] = 0;
    EXPECT_TRUE(g729::serial_to_frame(sid.data(), &type, p)) << "zero padding word";
    const int16_t none[2] = {g729::kSyncWord, 0};
    const int16_t lost[2] = {g729::kSyncErased, 0};
    EXPECT_FALSE(g729::serial_to_frame(none, &type, p));
    EXPECT_EQ(type, g729::kUntransmitted);
    EXPECT_TRUE(g729::serial_to_frame(lost, &type, p));
}

}  // namespace

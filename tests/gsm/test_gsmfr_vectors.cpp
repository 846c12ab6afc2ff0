// GSM 06.10 conformance: the ETSI test sequences through the example encoder and decoder, with
// the homing sequences, under every kernel level.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gsm/gsmfr_codec.h"
#include "support/external.h"
#include "support/levels.h"

namespace {

std::string vector_path(const std::string& name) {
    return voksc_test::vector_path("gsmfr/" + name);
}

using voksc_test::first_bad_frame;
using voksc_test::read_words;

struct Sequence {
    const char* name;
    bool has_input;   // encoder test (SeqNN.inp -> SeqNN.cod)
    bool has_output;  // decoder test (SeqNN.cod -> SeqNN.out)
};

// Seq05 is a decoder-only sequence; Seq06h is one encoder homing frame; Homing01 exercises
// decoder homing frames after speech, partial homing frames and repeated homing frames.
constexpr Sequence kSequences[] = {
    {"Seq01", true, true},  {"Seq02", true, true},   {"Seq03", true, true},   {"Seq04", true, true},
    {"Seq05", false, true}, {"Seq01h", true, true},  {"Seq02h", true, true},  {"Seq03h", true, true},
    {"Seq04h", true, true}, {"Seq05h", false, true}, {"Seq06h", true, false}, {"Homing01", false, true},
};

class GsmfrVectors : public voksc_test::LevelTest<std::tuple<Sequence, voks::frame::Level>> {};

TEST_P(GsmfrVectors, EncoderAndDecoderAreBitExact) {
    const Sequence& seq = std::get<0>(GetParam());
    std::vector<int16_t> cod;
    VOKSC_READ_VECTOR("gsmfr/" + std::string(seq.name) + ".cod", cod);
    ASSERT_EQ(cod.size() % gsmfr::kFrameParams, 0u);
    const int frames = static_cast<int>(cod.size() / gsmfr::kFrameParams);

    if (seq.has_input) {
        std::vector<int16_t> inp;
        ASSERT_TRUE(read_words(vector_path(std::string(seq.name) + ".inp"), inp));
        ASSERT_EQ(inp.size(), static_cast<size_t>(frames) * gsmfr::kFrameSamples);
        gsmfr::Encoder enc;
        gsmfr::encoder_init(&enc);
        std::vector<int16_t> got(cod.size());
        for (int f = 0; f < frames; ++f) {
            gsmfr::encode(&enc, &inp[f * gsmfr::kFrameSamples], &got[f * gsmfr::kFrameParams]);
        }
        EXPECT_EQ(first_bad_frame(got, cod, gsmfr::kFrameParams), -1) << seq.name << ".cod";
    }
    if (seq.has_output) {
        std::vector<int16_t> out;
        ASSERT_TRUE(read_words(vector_path(std::string(seq.name) + ".out"), out));
        ASSERT_EQ(out.size(), static_cast<size_t>(frames) * gsmfr::kFrameSamples);
        gsmfr::Decoder dec;
        gsmfr::decoder_init(&dec);
        std::vector<int16_t> got(out.size());
        for (int f = 0; f < frames; ++f) {
            gsmfr::decode(&dec, &cod[f * gsmfr::kFrameParams], &got[f * gsmfr::kFrameSamples]);
        }
        EXPECT_EQ(first_bad_frame(got, out, gsmfr::kFrameSamples), -1) << seq.name << ".out";
    }
}

INSTANTIATE_TEST_SUITE_P(Etsi, GsmfrVectors,
                         ::testing::Combine(::testing::ValuesIn(kSequences), voksc_test::every_level()),
                         [](const ::testing::TestParamInfo<GsmfrVectors::ParamType>& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    voksc_test::level_name(std::get<1>(info.param));
                         });

// Encoder homing at every frame alignment: SyncNNN.cod is the fourth frame the encoder makes of
// NNN samples of 0x0008 followed by Seqsync.inp (three encoder homing frames, then speech), so
// the encoder must have been reset by the homing frame it saw whatever the alignment. In this
// set Sync150..Sync159 are byte copies of Sync050..Sync059; for those alignments the fourth
// frame must instead equal what a freshly initialised encoder makes of it.
TEST(GsmfrSync, EncoderHomesAtEveryAlignment) {
    std::vector<int16_t> seq;
    VOKSC_READ_VECTOR("gsmfr/Seqsync.inp", seq);
    ASSERT_EQ(seq.size(), 4u * gsmfr::kFrameSamples);
    int from_files = 0;
    for (int shift = 0; shift < gsmfr::kFrameSamples; ++shift) {
        std::vector<int16_t> in(shift, 0x0008);
        in.insert(in.end(), seq.begin(), seq.end());
        gsmfr::Encoder enc;
        gsmfr::encoder_init(&enc);
        int16_t params[gsmfr::kFrameParams];
        for (int f = 0; f < 4; ++f) gsmfr::encode(&enc, &in[f * gsmfr::kFrameSamples], params);

        gsmfr::Encoder fresh;
        gsmfr::encoder_init(&fresh);
        int16_t fresh_params[gsmfr::kFrameParams];
        gsmfr::encode(&fresh, &in[3 * gsmfr::kFrameSamples], fresh_params);
        EXPECT_EQ(std::memcmp(params, fresh_params, sizeof(params)), 0) << "alignment " << shift;

        char name[32];
        std::snprintf(name, sizeof(name), "Sync%03d.cod", shift);
        std::vector<int16_t> want;
        ASSERT_TRUE(read_words(vector_path(name), want)) << name;
        ASSERT_EQ(want.size(), static_cast<size_t>(gsmfr::kFrameParams)) << name;
        if (shift >= 150) {
            std::snprintf(name, sizeof(name), "Sync%03d.cod", shift - 100);
            std::vector<int16_t> copy_of;
            ASSERT_TRUE(read_words(vector_path(name), copy_of)) << name;
            EXPECT_EQ(want, copy_of) << "Sync" << shift << " is expected to duplicate " << name;
            continue;
        }
        EXPECT_EQ(std::memcmp(params, want.data(), sizeof(params)), 0) << name;
        ++from_files;
    }
    EXPECT_EQ(from_files, 150);
}

}  // namespace

// G.729 and G.729 Annex A conformance: every ITU test sequence through the example encoder
// (.IN -> .BIT) and decoder (.BIT -> .PST, erasure, parity and overflow sequences included),
// byte for byte, under every kernel level.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "g729/g729_codec.h"
#include "support/external.h"
#include "support/levels.h"

namespace {

using voksc_test::first_bad_frame;
using voksc_test::read_words;

struct Sequence {
    std::string dir;  // main or annexA
    std::string name;
    std::string pst;  // decoder output file name
    bool has_input;   // encoder sequence
    std::string file(const std::string& name_in_dir) const { return "g729/" + dir + "/" + name_in_dir; }
};

// Every sequence of both folders; ERASURE, OVERFLOW and PARITY are decoder-only.
std::vector<Sequence> sequences() {
    std::vector<Sequence> v;
    for (const char* dir : {"main", "annexA"}) {
        for (const std::string name :
             {"ALGTHM", "ERASURE", "FIXED", "LSP", "OVERFLOW", "PARITY", "PITCH", "SPEECH", "TAME"})
            v.push_back(
                {dir, name, name + ".PST", name != "ERASURE" && name != "OVERFLOW" && name != "PARITY"});
    }
    v.push_back({"annexA", "TEST", "TEST.pst", true});
    return v;
}

class G729Vectors : public voksc_test::LevelTest<std::tuple<Sequence, voks::frame::Level>> {};

TEST_P(G729Vectors, EncoderAndDecoderAreBitExact) {
    const Sequence& seq = std::get<0>(GetParam());
    std::vector<int16_t> bit, in, pst;
    VOKSC_READ_VECTOR(seq.file(seq.name + ".BIT"), bit);
    ASSERT_EQ(bit.size() % g729::kSerialWords, 0u);
    const int frames = static_cast<int>(bit.size() / g729::kSerialWords);
    const g729::Variant variant = seq.dir == "main" ? g729::Variant::Main : g729::Variant::AnnexA;

    if (seq.has_input) {
        ASSERT_TRUE(read_words(voksc_test::vector_path(seq.file(seq.name + ".IN")), in));
        // The reference coder stops at the last whole frame.
        ASSERT_EQ(in.size() / g729::kFrameSamples, static_cast<size_t>(frames));
        g729::Encoder enc;
        g729::encoder_init(&enc, variant);
        std::vector<int16_t> got(bit.size());
        int16_t params[g729::kFrameParams];
        int failed_frames = 0;
        for (int f = 0; f < frames; ++f) {
            failed_frames += g729::encode(&enc, &in[f * g729::kFrameSamples], params) ? 0 : 1;
            g729::params_to_serial(params, &got[f * g729::kSerialWords]);
        }
        EXPECT_EQ(failed_frames, 0) << "frames in which an operation reported an error";
        EXPECT_EQ(first_bad_frame(got, bit, g729::kSerialWords), -1) << seq.file(seq.name + ".BIT");
    }

    ASSERT_TRUE(read_words(voksc_test::vector_path(seq.file(seq.pst)), pst));
    ASSERT_EQ(pst.size(), static_cast<size_t>(frames) * g729::kFrameSamples);
    g729::Decoder dec;
    g729::decoder_init(&dec, variant);
    std::vector<int16_t> got(pst.size());
    int erased_frames = 0;
    int failed_frames = 0;
    for (int f = 0; f < frames; ++f) {
        int16_t params[g729::kFrameParams];
        const bool erased = g729::serial_to_params(&bit[f * g729::kSerialWords], params);
        erased_frames += erased ? 1 : 0;
        failed_frames += g729::decode(&dec, params, erased, &got[f * g729::kFrameSamples]) ? 0 : 1;
    }
    EXPECT_EQ(failed_frames, 0) << "frames in which an operation reported an error";
    EXPECT_EQ(first_bad_frame(got, pst, g729::kFrameSamples), -1) << seq.file(seq.pst);
    if (seq.name == "ERASURE") {
        EXPECT_GT(erased_frames, 0) << "the erasure sequence marks lost frames";
    }
}

INSTANTIATE_TEST_SUITE_P(Itu, G729Vectors,
                         ::testing::Combine(::testing::ValuesIn(sequences()), voksc_test::every_level()),
                         [](const ::testing::TestParamInfo<G729Vectors::ParamType>& info) {
                             return std::get<0>(info.param).dir + "_" + std::get<0>(info.param).name + "_" +
                                    voksc_test::level_name(std::get<1>(info.param));
                         });

// A frame is lost when its sync word is not 0x6B21 (0x6B20 marks an erased frame) or when any bit
// word is 0 (the convention of the ERASURE sequence).
TEST(G729Packing, ErasedSerialFrames) {
    int16_t params[g729::kFrameParams] = {0x95, 0x2AA, 0x55, 1, 0x1ABC, 5, 0x4F, 17, 0x0123, 10, 0x31};
    int16_t serial[g729::kSerialWords];
    int16_t back[g729::kFrameParams];
    g729::params_to_serial(params, serial);
    EXPECT_FALSE(g729::serial_to_params(serial, back));
    EXPECT_EQ(std::memcmp(params, back, sizeof(back)), 0);
    serial[0] = g729::kSyncErased;
    EXPECT_TRUE(g729::serial_to_params(serial, back));
    serial[0] = g729::kSyncWord;
    serial[40] = 0;
    EXPECT_TRUE(g729::serial_to_params(serial, back));
}

// Any 80-bit pattern is a valid frame: random frames with random erasures decode without an
// operation error in either decoder, and decoders share no state (two interleaved decoders give
// the same output as each one alone).
TEST(G729Decoder, RandomFramesAndErasuresDecodeCleanly) {
    for (const g729::Variant variant : {g729::Variant::Main, g729::Variant::AnnexA}) {
        constexpr int kFrames = 600;
        uint32_t seed = 12345;
        auto next = [&seed] {
            seed = seed * 1664525u + 1013904223u;
            return seed >> 8;
        };
        std::vector<uint8_t> stream(kFrames * g729::kPackedBytes);
        std::vector<uint8_t> lost(kFrames);
        for (auto& b : stream) b = static_cast<uint8_t>(next());
        for (auto& l : lost) l = next() % 7 == 0;
        auto run = [&](g729::Decoder* dec, int f, int16_t* out) {
            int16_t params[g729::kFrameParams];
            g729::unpack(&stream[f * g729::kPackedBytes], params);
            return g729::decode(dec, params, lost[f] != 0, out);
        };
        g729::Decoder alone;
        g729::decoder_init(&alone, variant);
        std::vector<int16_t> want(kFrames * g729::kFrameSamples);
        for (int f = 0; f < kFrames; ++f) {
            ASSERT_TRUE(run(&alone, f, &want[f * g729::kFrameSamples])) << "frame " << f;
        }
        g729::Decoder first;
        g729::Decoder second;
        g729::decoder_init(&first, variant);
        g729::decoder_init(&second, variant);
        std::vector<int16_t> got(want.size());
        std::vector<int16_t> other(want.size());
        for (int f = 0; f < kFrames; ++f) {
            ASSERT_TRUE(run(&first, f, &got[f * g729::kFrameSamples]));
            ASSERT_TRUE(run(&second, kFrames - 1 - f, &other[f * g729::kFrameSamples]));
        }
        EXPECT_EQ(first_bad_frame(got, want, g729::kFrameSamples), -1);
    }
}

// Extreme inputs (silence, full-scale square waves, a full-scale tone, saturated noise) drive the
// encoder through its rescaling and unstable-filter paths: no operation reports an error, every
// delay and gain index stays in its field, and the stream decodes cleanly.
TEST(G729Encoder, ExtremeInputsEncodeAndDecodeCleanly) {
    constexpr int kFrames = 150;
    std::vector<int16_t> pcm;
    uint32_t seed = 7;
    for (int i = 0; i < kFrames / 5 * g729::kFrameSamples; ++i) pcm.push_back(0);
    for (int i = 0; i < kFrames / 5 * g729::kFrameSamples; ++i) pcm.push_back((i / 20) % 2 ? 32767 : -32768);
    for (int i = 0; i < kFrames / 5 * g729::kFrameSamples; ++i) pcm.push_back(i % 2 ? 32767 : -32768);
    for (int i = 0; i < kFrames / 5 * g729::kFrameSamples; ++i) {
        pcm.push_back(static_cast<int16_t>(32767 * std::sin(i * 0.3)));
    }
    for (int i = 0; i < kFrames / 5 * g729::kFrameSamples; ++i) {
        seed = seed * 1664525u + 1013904223u;
        pcm.push_back(seed & 0x10000 ? 32767 : -32768);
    }
    for (const g729::Variant variant : {g729::Variant::Main, g729::Variant::AnnexA}) {
        g729::Encoder enc;
        g729::Decoder dec;
        g729::encoder_init(&enc, variant);
        g729::decoder_init(&dec, variant);
        for (int f = 0; f < kFrames; ++f) {
            int16_t params[g729::kFrameParams];
            int16_t out[g729::kFrameSamples];
            ASSERT_TRUE(g729::encode(&enc, &pcm[f * g729::kFrameSamples], params)) << "frame " << f;
            for (int i = 0; i < g729::kFrameParams; ++i) {
                ASSERT_GE(params[i], 0) << "frame " << f << " parameter " << i;
                ASSERT_LT(params[i], 1 << g729::param_bits(i)) << "frame " << f << " parameter " << i;
            }
            EXPECT_EQ(params[3], g729::pitch_parity(params[2]));
            ASSERT_TRUE(g729::decode(&dec, params, false, out)) << "frame " << f;
        }
    }
}

// The second sub-frame's delay index 31 after a first delay of 139 or more decodes the range
// maximum plus one, 144 (as the reference does); an erased frame or a parity error then reuses
// 144 for the first sub-frame, whose post-filter delay search must stay inside its history.
TEST(G729Decoder, ConcealedDelay144) {
    int16_t params[g729::kFrameParams] = {0, 0, 251, 0, 0, 0, 0, 31, 0, 0, 0};  // delays 139, 144
    params[3] = g729::pitch_parity(params[2]);
    for (const g729::Variant variant : {g729::Variant::Main, g729::Variant::AnnexA}) {
        for (const bool erase : {true, false}) {
            g729::Decoder dec;
            g729::decoder_init(&dec, variant);
            int16_t out[g729::kFrameSamples];
            ASSERT_TRUE(g729::decode(&dec, params, false, out));
            int16_t next[g729::kFrameParams];
            std::memcpy(next, params, sizeof(next));
            next[3] = static_cast<int16_t>(1 - next[3]);  // parity error when not erased
            EXPECT_TRUE(g729::decode(&dec, next, erase, out)) << (erase ? "erased" : "parity error");
            EXPECT_TRUE(g729::decode(&dec, params, false, out));
        }
    }
}

}  // namespace

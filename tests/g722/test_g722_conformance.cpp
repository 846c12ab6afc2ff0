// Whole-codec conformance: the G.191 demonstration sequences and reference-coder golden data on
// stress signals, at every kernel level.
#include <gtest/gtest.h>

#include "g722/g722_util.h"
#include "support/external.h"
#include "support/levels.h"

using namespace g722test;
using voks::frame::Level;

namespace {

const std::string kVectors = voksc_test::vector_path("g722/");

class G722Levels : public voksc_test::LevelTest<> {};

TEST_P(G722Levels, EncoderMatchesDemonstrationCodes) {
    std::vector<int16_t> in, words, packed;
    if (!read_words(kVectors + "inpsp.bin", in) || !read_words(kVectors + "codspw.cod", words) ||
        !read_words(kVectors + "codsp.cod", packed))
        VOKSC_MISSING() << "G.722 vectors not found in " << kVectors;
    ASSERT_EQ(words.size() * 2, in.size());
    const std::vector<uint8_t> codes = encode_pcm(in);
    std::vector<uint8_t> expected(words.begin(), words.end());
    EXPECT_EQ(first_diff(codes, expected), -1);
    // The packed file: two codes per word, the first in the high byte.
    ASSERT_EQ(packed.size() * 2, codes.size());
    for (size_t i = 0; i < packed.size(); ++i) {
        const uint16_t w = static_cast<uint16_t>(packed[i]);
        ASSERT_EQ(w >> 8, codes[2 * i]) << "pair " << i;
        ASSERT_EQ(w & 0xFF, codes[2 * i + 1]) << "pair " << i;
    }
}

TEST_P(G722Levels, DecoderMatchesDemonstrationOutputs) {
    std::vector<int16_t> words;
    if (!read_words(kVectors + "codspw.cod", words))
        VOKSC_MISSING() << "G.722 vectors not found in " << kVectors;
    const std::vector<uint8_t> codes(words.begin(), words.end());
    for (int mode = 1; mode <= 3; ++mode) {
        std::vector<int16_t> expected;
        ASSERT_TRUE(read_words(kVectors + "outsp" + std::to_string(mode) + ".bin", expected));
        EXPECT_EQ(first_diff(decode_octets(codes, mode), expected), -1) << "mode " << mode;
    }
}

// Reference-coder outputs on full-scale and extreme signals (tests/data/g722, see README).
TEST_P(G722Levels, EncoderMatchesReferenceOnStressSignals) {
    const std::vector<uint8_t> expected = golden::bytes("g722/ref_enc.cod");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(first_diff(encode_pcm(stress_pcm(), 322), expected), -1);
}

TEST_P(G722Levels, DecoderMatchesReferenceOnStressCodes) {
    const std::vector<uint8_t> codes = stress_octets();
    for (int mode = 1; mode <= 3; ++mode) {
        const golden::File expected("g722/ref_dec" + std::to_string(mode) + ".pcm");
        ASSERT_TRUE(expected.ok());
        EXPECT_EQ(first_diff(decode_octets(codes, mode, 333), expected.words()), -1) << "mode " << mode;
    }
}

// The receive QMF forms rl - rh and rl + rh with saturation: full-scale sub-band inputs that a
// two's-complement wrap would fold over must give the reference's saturated results.
TEST_P(G722Levels, ReceiveQmfMatchesReferenceOnUnrestrictedInput) {
    const std::vector<int16_t> expected = golden::File("g722/ref_qmfrx.pcm").words();
    ASSERT_FALSE(expected.empty());
    const std::vector<int16_t> sub = stress_subband();
    std::vector<int16_t> out(sub.size());
    Vok16s delay[24] = {0};
    const int lens[] = {2, 250, 38, 1000, 64};
    for (size_t o = 0, k = 0; o < sub.size(); ++k) {
        const int len = std::min(lens[k % 5], static_cast<int>(sub.size() - o));
        ASSERT_EQ(voksQMFDecode_G722_16s(&sub[o], &out[o], len, delay), vokStatusOk);
        o += static_cast<size_t>(len);
    }
    EXPECT_EQ(first_diff(out, expected), -1);
}

TEST_P(G722Levels, SubbandEncoderMatchesReferenceOnUnrestrictedInput) {
    const std::vector<uint8_t> expected = golden::bytes("g722/ref_sbenc.cod");
    ASSERT_FALSE(expected.empty());
    const std::vector<int16_t> sub = stress_subband();
    std::vector<int16_t> codes(sub.size());
    Block b;
    auto* st = b.at<VokG722EncodeState>(0);
    ASSERT_EQ(voksSBADPCMEncodeInit_G722_16s(st), vokStatusOk);
    ASSERT_EQ(voksSBADPCMEncode_G722_16s(sub.data(), codes.data(), static_cast<int>(sub.size()), st),
              vokStatusOk);
    std::vector<uint8_t> got(sub.size() / 2);
    for (size_t i = 0; i < got.size(); ++i)
        got[i] = static_cast<uint8_t>((codes[2 * i + 1] << 6) | codes[2 * i]);
    EXPECT_EQ(first_diff(got, expected), -1);
}

INSTANTIATE_TEST_SUITE_P(Levels, G722Levels, voksc_test::every_level(),
                         [](const ::testing::TestParamInfo<Level>& info) {
                             return voksc_test::level_name(info.param);
                         });

}  // namespace

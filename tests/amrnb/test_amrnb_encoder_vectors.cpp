// The example GSM-AMR encoder against the 3GPP reference encoder, at every kernel level: the
// package's example sequence with per-frame mode switching and DTX under both VAD options, byte
// for byte, and the digests of the reference's serial streams on Asterisk prompts with pauses of
// seeded noise at all eight modes, without DTX and with DTX under VAD options 1 and 2.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "amrnb/amrnb_enc.h"
#include "support/external.h"
#include "support/golden.h"
#include "support/levels.h"

namespace {

using Words = std::vector<int16_t>;

// Serial stream of `pcm` (whole frames); `modes` per frame (the stream stops at its end) or all
// at `mode`; vad 0 without DTX.
Words encode(const Words& pcm, int mode, const std::vector<int>& modes, int vad) {
    amrnbex::Encoder enc;
    EXPECT_TRUE(enc.init(mode, vad ? vad : 1, vad != 0));
    Words out;
    for (size_t f = 0; (f + 1) * 160 <= pcm.size(); ++f) {
        if (!modes.empty() && f >= modes.size()) break;
        amrnb::SerialFrame fr;
        EXPECT_TRUE(enc.encode(&pcm[f * 160], modes.empty() ? -1 : modes[f], fr));
        Words w(amrnb::kSerialWords, 0);
        w[0] = fr.tx_type;
        std::copy(fr.bits, fr.bits + amrnb::kMaxBits, w.begin() + 1);
        w[1 + amrnb::kMaxBits] = fr.mode;
        out.insert(out.end(), w.begin(), w.end());
    }
    return out;
}

struct Vector {
    const char* cod;
    int vad;
};

class AmrnbEncoderVectors : public voksc_test::LevelTest<std::tuple<Vector, voks::frame::Level>> {};

TEST_P(AmrnbEncoderVectors, ByteIdentical) {
    const Vector& v = std::get<0>(GetParam());
    Words pcm, want;
    VOKSC_READ_VECTOR("amrnb/spch_dos.inp", pcm);
    VOKSC_READ_VECTOR(std::string("amrnb/") + v.cod, want);
    std::ifstream mf(voksc_test::vector_path("amrnb/allmodes.txt"));
    std::vector<int> modes;
    static const char* kNames[8] = {"MR475", "MR515", "MR59", "MR67", "MR74", "MR795", "MR102", "MR122"};
    for (std::string s; mf >> s;)
        modes.push_back(static_cast<int>(std::find(kNames, kNames + 8, s) - kNames));
    if (modes.empty()) VOKSC_MISSING() << "amrnb/allmodes.txt";
    const Words got = encode(pcm, 7, modes, v.vad);
    ASSERT_EQ(got.size(), want.size());
    size_t first = 0;
    while (first < got.size() && got[first] == want[first]) ++first;
    EXPECT_EQ(first, got.size()) << v.cod << ": first difference in frame " << first / amrnb::kSerialWords;
}

INSTANTIATE_TEST_SUITE_P(All, AmrnbEncoderVectors,
                         ::testing::Combine(::testing::Values(Vector{"spch_dos.cod", 1},
                                                              Vector{"spch_do2.cod", 2}),
                                            voksc_test::every_level()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).vad == 1 ? "vad1" : "vad2") + "_" +
                                    voksc_test::level_name(std::get<1>(info.param));
                         });

// 100 frames of speech, then 40 of seeded noise at about -40 dBov, repeated.
Words with_pauses(const std::vector<int16_t>& speech) {
    Words x;
    uint32_t seed = 12345;
    for (size_t at = 0; at < speech.size(); at += 100 * 160) {
        const size_t n = std::min<size_t>(100 * 160, speech.size() - at);
        x.insert(x.end(), speech.begin() + at, speech.begin() + at + n);
        for (int i = 0; i < 40 * 160; ++i) {
            seed = seed * 1664525u + 1013904223u;
            x.push_back(static_cast<int16_t>(static_cast<int16_t>(seed >> 16) >> 9));
        }
    }
    return x;
}

// Frames 0..199, a homing frame, 200..299, two homing frames, 300..399.
Words homing_frames(const Words& pcm) {
    const Words home(160, 0x0008);
    Words x(pcm.begin(), pcm.begin() + 200 * 160);
    x.insert(x.end(), home.begin(), home.end());
    x.insert(x.end(), pcm.begin() + 200 * 160, pcm.begin() + 300 * 160);
    for (int i = 0; i < 2; ++i) x.insert(x.end(), home.begin(), home.end());
    x.insert(x.end(), pcm.begin() + 300 * 160, pcm.begin() + 400 * 160);
    return x;
}

// Arguments outside the encoder's range are refused and code nothing.
TEST(AmrnbEncoderApi, RefusesBadArguments) {
    struct InitCase {
        int mode, vad;
        bool ok;
    };
    for (const InitCase& c : {InitCase{0, 1, true}, InitCase{7, 2, true}, InitCase{-1, 1, false},
                              InitCase{8, 1, false}, InitCase{3, 0, false}, InitCase{3, 3, false}}) {
        amrnbex::Encoder e;
        EXPECT_EQ(e.init(c.mode, c.vad, true), c.ok) << c.mode << " " << c.vad;
    }
    amrnbex::Encoder e;
    const Words pcm(160, 1000);
    amrnb::SerialFrame f;
    f.tx_type = 7;
    for (int mode : {-2, 8, 25}) EXPECT_FALSE(e.encode(pcm.data(), mode, f)) << mode;
    EXPECT_FALSE(e.encode(nullptr, 7, f));
    EXPECT_EQ(f.tx_type, 7);
}

class AmrnbEncoderStreams : public voksc_test::LevelTest<> {};

TEST_P(AmrnbEncoderStreams, ReferenceDigests) {
    const auto speech = voksc_test::gather_speech(voksc_test::kAsteriskSounds, 8000 * 8, 160);
    VOKSC_NEED_SPEECH(speech, 8000 * 8u);
    const Words pcm = with_pauses(speech);
    std::ifstream f(std::string(VOKSC_TEST_DATA_DIR) + "/amrnb/encoder_streams.txt");
    ASSERT_TRUE(f) << "tests/data/amrnb/encoder_streams.txt";
    int rows = 0;
    for (std::string line; std::getline(f, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream in(line);
        int mode, vad;
        size_t frames;
        std::string digest;
        std::string homing;
        in >> mode >> vad >> frames >> digest >> homing;
        const Words got = encode(homing.empty() ? pcm : homing_frames(pcm), mode, {}, vad);
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx",
                      static_cast<unsigned long long>(
                          golden::fnv64(golden::kFnv64, got.data(), got.size() * sizeof(int16_t))));
        EXPECT_EQ(got.size(), frames * amrnb::kSerialWords) << line;
        EXPECT_EQ(hex, digest) << "mode " << mode << " vad " << vad;
        ++rows;
    }
    EXPECT_EQ(rows, 26);
}

INSTANTIATE_TEST_SUITE_P(All, AmrnbEncoderStreams, voksc_test::every_level(),
                         [](const auto& info) { return voksc_test::level_name(info.param); });

}  // namespace

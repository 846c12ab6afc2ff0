// The example AMR-WB encoder against the 3GPP reference encoder, at every kernel level: the
// package's example sequences at the nine modes with DTX byte for byte, and the digests of the
// reference's serial streams on Asterisk prompts with pauses of seeded noise and homing frames,
// every mode and per-frame mode switching, with and without DTX.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "amrwb/amrwb_enc.h"
#include "support/external.h"
#include "support/golden.h"
#include "support/levels.h"
#include "support/speech.h"

namespace {

using Words = std::vector<int16_t>;
constexpr int kFrame = 320;
constexpr int kSwitch = -1;  // a seeded mode per frame

// The mode of frame f when switching: a seeded choice among the nine.
int switched_mode(size_t f) {
    uint32_t s = static_cast<uint32_t>(f) * 2654435761u + 12345u;
    s ^= s >> 15;
    return static_cast<int>((s * 2246822519u) >> 16) % 9;
}

// The package's serial stream of the encoded frames.
Words encode(const Words& pcm, int mode, bool dtx) {
    amrwbex::Encoder enc;
    enc.init(dtx);
    Words out;
    for (size_t f = 0; (f + 1) * kFrame <= pcm.size(); ++f) {
        amrwbex::EncodedFrame fr;
        EXPECT_TRUE(enc.encode(&pcm[f * kFrame], mode == kSwitch ? switched_mode(f) : mode, fr));
        int16_t bits[amrwbex::kMaxBits], words[amrwbex::kMaxSerialWords];
        amrwbex::params_to_bits(fr.mode, fr.params, bits);
        const int n = amrwbex::write_serial(fr.tx_type, fr.requested, bits, words);
        out.insert(out.end(), words, words + n);
    }
    return out;
}

class AmrwbEncoderVectors : public voksc_test::LevelTest<std::tuple<int, voks::frame::Level>> {};

TEST_P(AmrwbEncoderVectors, ByteIdentical) {
    const int mode = std::get<0>(GetParam());
    Words pcm, want;
    VOKSC_READ_VECTOR(mode < 9 ? "amrwb/tst.inp" : "amrwb/dtx.inp", pcm);
    const std::string cod = mode < 9 ? "amrwb/tst_m" + std::to_string(mode) + ".cod" : "amrwb/tst_md.cod";
    VOKSC_READ_VECTOR(cod, want);
    const Words got = encode(pcm, mode < 9 ? mode : 2, true);
    ASSERT_EQ(got.size(), want.size()) << cod;
    size_t first = 0;
    while (first < got.size() && got[first] == want[first]) ++first;
    EXPECT_EQ(first, got.size()) << cod << ": first difference at word " << first;
}

INSTANTIATE_TEST_SUITE_P(All, AmrwbEncoderVectors,
                         ::testing::Combine(::testing::Range(0, 10), voksc_test::every_level()),
                         [](const auto& info) {
                             const int m = std::get<0>(info.param);
                             return (m < 9 ? "m" + std::to_string(m) : std::string("md")) + "_" +
                                    voksc_test::level_name(std::get<1>(info.param));
                         });

// The demonstration prompts at 16 kHz: every 100 frames followed by 40 frames of seeded noise
// (quiet, medium and full scale in turn), one encoder homing frame after frame 150 and two after 300.
Words test_input() {
    const Words speech = voksc_test::read_wav(
        std::string(VOKSC_TEST_DATA_DIR) + "/../../tools/voks-codec/data/speech16k.wav", 16000);
    Words x;
    uint32_t seed = 12345;
    int pause = 0;
    static constexpr int kNoiseShift[3] = {11, 6, 0};
    const Words home(kFrame, 0x0008);
    for (size_t f = 0; (f + 1) * kFrame <= speech.size(); ++f) {
        x.insert(x.end(), speech.begin() + f * kFrame, speech.begin() + (f + 1) * kFrame);
        if (f == 150 || f == 300) x.insert(x.end(), home.begin(), home.end());
        if (f == 300) x.insert(x.end(), home.begin(), home.end());
        if (f % 100 == 99) {
            const int shift = kNoiseShift[pause++ % 3];
            for (int i = 0; i < 40 * kFrame; ++i) {
                seed = seed * 1664525u + 1013904223u;
                x.push_back(static_cast<int16_t>(static_cast<int16_t>(seed >> 16) >> shift));
            }
        }
    }
    return x;
}

// Arguments outside the encoder's range are refused and code nothing.
TEST(AmrwbEncoderApi, RefusesBadArguments) {
    amrwbex::Encoder e;
    const Words pcm(kFrame, 1000);
    amrwbex::EncodedFrame f;
    f.tx_type = 7;
    for (int mode : {-1, 9, 21}) EXPECT_FALSE(e.encode(pcm.data(), mode, f)) << mode;
    EXPECT_FALSE(e.encode(nullptr, 8, f));
    EXPECT_EQ(f.tx_type, 7);
}

// init() mid-stream leaves nothing of the past: the stream that follows equals a new encoder's.
TEST(AmrwbEncoderApi, InitResetsEverything) {
    const Words pcm = test_input();
    ASSERT_GT(pcm.size(), 200u * kFrame);
    for (bool dtx : {false, true}) {
        amrwbex::Encoder used, fresh;
        used.init(!dtx);
        amrwbex::EncodedFrame a, b;
        for (size_t f = 0; f < 100; ++f) used.encode(&pcm[(f + 90) * kFrame], switched_mode(f), a);
        used.init(dtx);
        fresh.init(dtx);
        for (size_t f = 0; f < 100; ++f) {
            ASSERT_TRUE(used.encode(&pcm[(f + 90) * kFrame], switched_mode(f), a));
            ASSERT_TRUE(fresh.encode(&pcm[(f + 90) * kFrame], switched_mode(f), b));
            ASSERT_EQ(a.tx_type, b.tx_type) << f;
            ASSERT_EQ(a.mode, b.mode) << f;
            ASSERT_TRUE(std::equal(a.params, a.params + a.count, b.params))
                << "frame " << f << " dtx " << dtx;
        }
    }
}

class AmrwbEncoderStreams : public voksc_test::LevelTest<> {};

TEST_P(AmrwbEncoderStreams, ReferenceDigests) {
    const Words pcm = test_input();
    ASSERT_GT(pcm.size(), 400u * kFrame) << "tools/voks-codec/data/speech16k.wav";
    std::ifstream f(std::string(VOKSC_TEST_DATA_DIR) + "/amrwb/encoder_streams.txt");
    ASSERT_TRUE(f) << "tests/data/amrwb/encoder_streams.txt";
    int rows = 0;
    for (std::string line; std::getline(f, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream in(line);
        std::string mode, digest;
        int dtx;
        size_t words;
        in >> mode >> dtx >> words >> digest;
        const Words got = encode(pcm, mode == "s" ? kSwitch : std::stoi(mode), dtx != 0);
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx",
                      static_cast<unsigned long long>(
                          golden::fnv64(golden::kFnv64, got.data(), got.size() * sizeof(int16_t))));
        EXPECT_EQ(got.size(), words) << line;
        EXPECT_EQ(hex, digest) << "mode " << mode << " dtx " << dtx;
        ++rows;
    }
    EXPECT_EQ(rows, 20);
}

INSTANTIATE_TEST_SUITE_P(All, AmrwbEncoderStreams, voksc_test::every_level(),
                         [](const auto& info) { return voksc_test::level_name(info.param); });

}  // namespace

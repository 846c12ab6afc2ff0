// 11.8 kbit/s frame layout against the ITU Annex E bit streams: in every intact frame the pitch
// parity bit sits where the layout of the frame's mode puts it and matches the delay index read
// with that layout; the serial and packed forms carry the parameters back unchanged. (erasuree.bit,
// a decoder-only sequence with frames whose parity bit does not match, is left out.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "g729/g729_codec.h"
#include "g729/g729_frame_e.h"
#include "support/external.h"

namespace {

class G729EFrames : public ::testing::TestWithParam<const char*> {};

TEST_P(G729EFrames, LayoutMatchesItuStreams) {
    std::vector<int16_t> bit;
    VOKSC_READ_VECTOR(std::string("g729/annexE/") + GetParam() + ".bit", bit);
    int modes[2] = {0, 0};
    for (size_t w = 0; w + 2 <= bit.size();) {
        const int len = bit[w + 1];
        ASSERT_TRUE(len == 118 || len == 80) << "word " << w;
        ASSERT_LE(w + 2 + len, bit.size());
        if (len == 118) {
            int16_t params[g729::kFrameParamsHigh] = {};
            if (!g729::serial_to_params_high(&bit[w], params)) {
                const int p1 = params[0] ? 1 : 3;  // first delay index, then its parity bit
                EXPECT_EQ(params[p1 + 1], g729::pitch_parity_high(params[p1])) << "word " << w;
                ++modes[params[0]];
                int16_t serial[g729::kSerialWordsHigh];
                g729::params_to_serial_high(params, serial);
                EXPECT_TRUE(std::equal(serial, serial + g729::kSerialWordsHigh, &bit[w])) << "word " << w;
                uint8_t packed[g729::kPackedBytesHigh];
                int16_t back[g729::kFrameParamsHigh] = {};
                g729::pack_high(params, packed);
                EXPECT_EQ(packed[g729::kPackedBytesHigh - 1] & 3, 0) << "padding bits";
                g729::unpack_high(packed, back);
                EXPECT_TRUE(std::equal(params, params + g729::params_high(params[0]), back)) << "word " << w;
            }
        }
        w += 2 + len;
    }
    EXPECT_GT(modes[0] + modes[1], 0) << "no intact 11.8 kbit/s frame";
}

INSTANTIATE_TEST_SUITE_P(Itu, G729EFrames,
                         ::testing::Values("algthme", "fixed35", "fixed44", "lspe", "ovpitch", "pitche",
                                           "speeche", "stabilit", "switch"));

// A mode bit unlike its copy, a zero bit word or a bad sync word erases the frame.
TEST(G729EFrames, DamagedSerialFramesAreErased) {
    int16_t params[g729::kFrameParamsHigh] = {1,  200, 0,    4000, 900, 100, 50, 3,
                                              60, 17,  5000, 1000, 7,   8,   9,  120};
    int16_t serial[g729::kSerialWordsHigh];
    g729::params_to_serial_high(params, serial);
    struct Case {
        int word;
        int16_t value;
        bool erased;
    } cases[] = {{0, g729::kSyncWord, false},
                 {0, g729::kSyncErased, true},
                 {3, g729::kBit0, true},
                 {2, g729::kBit0, true},
                 {60, 0, true},
                 {119, 0, true}};
    for (const Case& c : cases) {
        int16_t damaged[g729::kSerialWordsHigh];
        std::copy(serial, serial + g729::kSerialWordsHigh, damaged);
        damaged[c.word] = c.value;
        int16_t got[g729::kFrameParamsHigh];
        EXPECT_EQ(g729::serial_to_params_high(damaged, got), c.erased) << "word " << c.word;
    }
}

}  // namespace

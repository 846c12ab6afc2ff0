// GSM-AMR frame bits: the mode sizes of the standard, and every frame of the package's serial
// example sequences unpacked to parameters and packed back unchanged.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "amrnb/amrnb_bits.h"
#include "support/external.h"

namespace {

TEST(AmrnbBits, FrameSizesAreThoseOfTheModes) {
    // 4.75 .. 12.2 kbit/s over 20 ms, and the 35 bits of a silence descriptor.
    const int bits[amrnb::kModes] = {95, 103, 118, 134, 148, 159, 204, 244, 35};
    for (int m = 0; m < amrnb::kModes; ++m) EXPECT_EQ(amrnb::frame_bits(m), bits[m]) << m;
    EXPECT_EQ(amrnb::frame_bits(9), 0);
    EXPECT_EQ(amrnb::param_count(-1), 0);
}

TEST(AmrnbBits, SerialSequencesRepackUnchanged) {
    for (const char* name : {"spch_dos.cod", "spch_do2.cod"}) {
        const std::string path = std::string(VOKSC_VECTORS_DIR) + "/amrnb/" + name;
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) {
            VOKSC_MISSING() << "AMR-NB serial sequence " << path;
        }
        amrnb::SerialFrame fr;
        int frames = 0, speech = 0, sid = 0;
        while (amrnb::read_serial(f, fr)) {
            ++frames;
            const bool is_speech = fr.tx_type == 0, is_sid = fr.tx_type == 1 || fr.tx_type == 2;
            if (!is_speech && !is_sid) continue;
            const int mode = is_speech ? fr.mode : amrnb::kSid;
            ASSERT_GT(amrnb::frame_bits(mode), 0) << name << " frame " << frames;
            int16_t params[amrnb::kMaxParams], bits[amrnb::kMaxBits] = {};
            amrnb::bits_to_params(mode, fr.bits, params);
            amrnb::params_to_bits(mode, params, bits);
            for (int i = 0; i < amrnb::kMaxBits; ++i) {
                // Speech frames carry nothing past their size.
                const int16_t want = i < amrnb::frame_bits(mode) || is_speech ? fr.bits[i] : bits[i];
                ASSERT_EQ(bits[i], want) << name << " frame " << frames << " bit " << i;
            }
            speech += is_speech;
            sid += is_sid;
        }
        std::fclose(f);
        EXPECT_EQ(frames, 425) << name;
        EXPECT_GT(speech, 0) << name;
        EXPECT_GT(sid, 0) << name;
    }
}

}  // namespace

// AMR-WB frame bits: the mode sizes of the standard, the package's serial example sequences read
// and written back unchanged (also through parameters), and the same streams rewritten in the
// storage format equal to what the reference encoder writes in that format (CRC-32 of its files).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "amrwb/amrwb_bits.h"
#include "support/external.h"
#include "support/files.h"

namespace {

using voksc_test::crc32;

TEST(AmrwbBits, FrameSizesAreThoseOfTheModes) {
    // 6.60 .. 23.85 kbit/s over 20 ms, and the 35 bits of a silence descriptor.
    const int bits[] = {132, 177, 253, 285, 317, 365, 397, 461, 477, 35};
    for (int m = 0; m <= amrwbex::kSid; ++m) {
        EXPECT_EQ(amrwbex::frame_bits(m), bits[m]) << m;
        int sum = 0;
        for (int i = 0; i < amrwbex::param_count(m); ++i) sum += amrwbex::param_width(m, i);
        EXPECT_EQ(sum, bits[m]) << m;
    }
    EXPECT_EQ(amrwbex::frame_bits(10), 0);
    EXPECT_EQ(amrwbex::param_count(-1), 0);
}

TEST(AmrwbBits, SequencesRepackAndConvertToStorage) {
    struct Case {
        const char* name;
        uint32_t storage_crc;  // the reference encoder's storage-format file of the same input
    };
    const Case cases[] = {
        {"tst_m0", 0xa53a439b}, {"tst_m1", 0x497469ea}, {"tst_m2", 0x6ee41349}, {"tst_m3", 0x47c203b3},
        {"tst_m4", 0x2a7d75ac}, {"tst_m5", 0x3a022493}, {"tst_m6", 0xc7684199}, {"tst_m7", 0x975dcf9e},
        {"tst_m8", 0x3b1d69a1}, {"tst_md", 0x2d35ba76},
    };
    for (const Case& c : cases) {
        std::vector<int16_t> words;
        if (!voksc_test::read_words(voksc_test::vector_path(std::string("amrwb/") + c.name + ".cod"), words))
            VOKSC_MISSING() << "AMR-WB sequences in vectors/amrwb";
        std::vector<uint8_t> storage(amrwbex::kStorageMagic, amrwbex::kStorageMagic + 9);
        size_t at = 0;
        int frames = 0, prev_mode = 0;
        while (at < words.size()) {
            amrwbex::Frame fr, back;
            const int n = amrwbex::read_serial(&words[at], words.size() - at, fr);
            ASSERT_GT(n, 0) << c.name << " frame " << frames;
            static const int kTx[8] = {0, -1, -1, -1, 1, 2, -1, 3};
            const int tx = kTx[fr.type];
            ASSERT_GE(tx, 0) << c.name;
            const int mode = tx == 0 ? fr.mode : amrwbex::kSid;
            int16_t params[amrwbex::kMaxParams], bits[amrwbex::kMaxBits], out[amrwbex::kMaxSerialWords];
            amrwbex::bits_to_params(mode, fr.bits, params);
            amrwbex::params_to_bits(mode, params, bits);
            ASSERT_EQ(amrwbex::write_serial(tx, fr.mode, bits, out), n);
            ASSERT_EQ(std::memcmp(out, &words[at], 2 * n), 0) << c.name << " frame " << frames;
            uint8_t st[amrwbex::kMaxStorageBytes];
            const int bytes = amrwbex::write_storage(tx, fr.mode, bits, st);
            ASSERT_EQ(bytes, amrwbex::storage_frame_bytes(st[0]));
            storage.insert(storage.end(), st, st + bytes);
            amrwbex::read_storage(st, back, &prev_mode);
            EXPECT_EQ(back.type, fr.type);
            if (tx != 3) {
                EXPECT_EQ(back.mode, fr.mode);
            }
            if (tx == 0 || tx == 2) {
                EXPECT_EQ(std::memcmp(back.bits, fr.bits, 2 * amrwbex::frame_bits(mode)), 0);
            }
            at += static_cast<size_t>(n);
            ++frames;
        }
        EXPECT_EQ(frames, 200) << c.name;
        EXPECT_EQ(crc32(storage), c.storage_crc) << c.name;
    }
}

TEST(AmrwbBits, MalformedSerialAndStorageFrames) {
    struct Case {
        std::vector<int16_t> words;
        int result;
    };
    const Case cases[] = {
        {{0x6B21, 0, 2}, 0},    // speech bits missing
        {{0x6B22, 0, 2}, -1},   // unknown header
        {{0x6B21, 8, 2}, -1},   // unknown frame type
        {{0x6B21, 0, 10}, -1},  // unknown mode
        {{0x6B20, -1, 0}, -1},  // unknown RX type
        {{0x6B21, 0}, 0},       // header cut
    };
    for (const Case& c : cases) {
        amrwbex::Frame fr;
        EXPECT_EQ(amrwbex::read_serial(c.words.data(), c.words.size(), fr), c.result) << c.words[0];
    }
    // Storage types 10..13 and 15 are no data, 14 lost speech; they take the last speech mode.
    int prev = 5;
    for (int ft = 10; ft < 16; ++ft) {
        const uint8_t toc = static_cast<uint8_t>(ft << 3 | 4);
        amrwbex::Frame fr;
        EXPECT_EQ(amrwbex::storage_frame_bytes(toc), 1);
        amrwbex::read_storage(&toc, fr, &prev);
        EXPECT_EQ(fr.type, ft == 14 ? amrwbex::kRxSpeechLost : amrwbex::kRxNoData);
        EXPECT_EQ(fr.mode, 5);
    }
}

}  // namespace

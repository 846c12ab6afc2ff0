// voks-codec's G.722.1: the ITU sequences (7 kHz, 24 and 32 kbit/s, with erasures) in the G.192
// format and packed, the reference coder's 14 kHz streams and outputs at 24, 32 and 48 kbit/s,
// at every kernel level; damaged streams give an erased frame or a one-line error.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "codec.h"
#include "codec_run.h"
#include "support/external.h"
#include "support/golden.h"

namespace {

using Bytes = std::vector<uint8_t>;
using vokscodec::Args;

std::string run(bool encode, const Args& args, const Bytes& in, Bytes& out) {
    return run_codec("g7221", encode, args, in, out);
}

Bytes vector(const std::string& name) {
    Bytes b;
    voksc_test::read_bytes(voksc_test::vector_path("g7221/" + name), b);
    return b;
}

TEST(VoksCodecG7221, CodesTheItuSequences) {
    const Bytes pcm = vector("g722_1_enc_in.pcm");
    if (pcm.empty()) VOKSC_MISSING() << "G.722.1 sequences, g7221/ of the vector folder";
    if (pcm.empty()) return;
    golden::each_level([&] {
        for (const std::string rate : {"24000", "32000"}) {
            SCOPED_TRACE(rate);
            const Args itu{{"rate", rate}}, packed{{"rate", rate}, {"format", "packed"}};
            Bytes bits, out;
            EXPECT_EQ(run(true, itu, pcm, bits), "");
            EXPECT_TRUE(bits == vector("g722_1_enc_out_" + rate + ".itu")) << "encoder";
            EXPECT_EQ(run(false, itu, bits, out), "");
            EXPECT_TRUE(out == vector("g722_1_dec_out_" + rate + ".pcm")) << "decoder";
            EXPECT_EQ(run(false, itu, vector("g722_1_dec_in_" + rate + "_fe.itu"), out), "");
            EXPECT_TRUE(out == vector("g722_1_dec_out_" + rate + "_fe.pcm")) << "decoder, erasures";
            // The reference's packed file holds the same bits as little-endian 16-bit words; the
            // RFC 5577 payload puts the first bit first, so each byte pair is swapped.
            Bytes pak = vector("g722_1_enc_out_" + rate + ".pak");
            for (size_t i = 0; i + 1 < pak.size(); i += 2) std::swap(pak[i], pak[i + 1]);
            EXPECT_EQ(run(true, packed, pcm, bits), "");
            EXPECT_TRUE(bits == pak) << "packed encoder";
            EXPECT_EQ(run(false, packed, bits, out), "");
            EXPECT_TRUE(out == vector("g722_1_dec_out_" + rate + ".pcm")) << "packed decoder";
        }
    });
}

// Bit errors: every bit word of the official streams flips with the given probability (a
// 64-bit LCG seeded with the rate of flips per 1000 decides); the output must equal the reference
// decoder's on the same streams, its error checks and concealment included.
TEST(VoksCodecG7221, BitErrorsAsTheReference) {
    std::ifstream table(std::string(VOKSC_TEST_DATA_DIR) + "/g7221/biterrors.txt");
    std::string line;
    int rows = 0;
    while (std::getline(table, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream row(line);
        std::string rate;
        uint64_t permille = 0, size = 0, fnv = 0;
        row >> rate >> permille >> size >> std::hex >> fnv;
        Bytes bits = vector("g722_1_enc_out_" + rate + ".itu");
        if (bits.empty()) VOKSC_MISSING() << "G.722.1 sequences, g7221/ of the vector folder";
        if (bits.empty()) return;
        ++rows;
        const size_t frame_words = 2 + std::stoul(rate) / 50;
        uint64_t state = permille;
        for (size_t i = 0; i < bits.size() / 2; ++i) {
            if (i % frame_words < 2) continue;
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            if ((state >> 33) % 1000 < permille) bits[2 * i] ^= 0x7F ^ 0x81;
        }
        golden::each_level([&] {
            Bytes out;
            EXPECT_EQ(run(false, {{"rate", rate}}, bits, out), "");
            EXPECT_EQ(out.size(), size);
            EXPECT_EQ(golden::fnv64(golden::kFnv64, out.data(), out.size()), fnv) << rate << " " << permille;
        });
    }
    EXPECT_EQ(rows, 3);
}

// The 60-second 32 kHz signal of the 14 kHz reference runs (integer arithmetic only): 2-second
// segments cycling through upsampled speech, a sawtooth mixture with a triangular envelope,
// full-scale noise, quieter noise, square waves (the second half at full scale) and silence, DC
// and noisy speech.
std::vector<int16_t> wideband_signal(const std::vector<int16_t>& sp16) {
    uint64_t state = 0x14000;
    auto rnd = [&] {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<int16_t>(z ^ (z >> 31));
    };
    const int64_t up_len = 2 * int64_t(sp16.size()) - 2;
    int64_t pos = 0;
    std::vector<int16_t> out(1920000);
    for (int seg = 0; seg < 30; ++seg) {
        for (int64_t i = 0; i < 64000; ++i) {
            const int64_t t = seg * 64000 + i, k = pos % up_len;
            const int64_t sp = k & 1 ? (int64_t{sp16[k / 2]} + sp16[k / 2 + 1]) >> 1 : sp16[k / 2];
            int64_t v = 0;
            switch (seg % 6) {
                case 0:
                    v = sp, ++pos;
                    break;
                case 1: {
                    int64_t e = i % 16000;
                    e = e < 8000 ? e : 16000 - e;
                    v = ((t % 73) * 12000 / 73 - 6000) + ((t % 181) * 8000 / 181 - 4000) +
                        ((t % 29) * 4000 / 29 - 2000);
                    v = v * e / 8000;
                } break;
                case 2:
                    v = rnd();
                    break;
                case 3:
                    v = rnd() >> (seg % 12 + 2);
                    break;
                case 4: {
                    const bool hi = ((t / (8 + i / 2000)) & 1) != 0;
                    v = i < 32000 ? (hi ? 20000 : -20000) : (hi ? 32767 : -32768);
                } break;
                default:
                    if (i >= 48000)
                        v = (sp >> 1) + (rnd() >> 6), ++pos;
                    else if (i >= 32000)
                        v = 12000;
            }
            out[t] = static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
        }
    }
    return out;
}

TEST(VoksCodecG7221, Codes14kHzAsTheReference) {
    Bytes wav;
    voksc_test::read_bytes(std::string(VOKSC_TEST_DATA_DIR) + "/../../tools/voks-codec/data/speech16k.wav",
                           wav);
    ASSERT_GT(wav.size(), 44u);
    size_t at = 12;  // the data chunk of the WAV file
    while (at + 8 <= wav.size() && std::memcmp(&wav[at], "data", 4) != 0)
        at += 8 + (wav[at + 4] | wav[at + 5] << 8 | wav[at + 6] << 16 | size_t(wav[at + 7]) << 24);
    ASSERT_LE(at + 8, wav.size());
    std::vector<int16_t> sp16((wav.size() - at - 8) / 2);
    std::memcpy(sp16.data(), &wav[at + 8], sp16.size() * 2);
    const std::vector<int16_t> signal = wideband_signal(sp16);
    const Bytes pcm(reinterpret_cast<const uint8_t*>(signal.data()),
                    reinterpret_cast<const uint8_t*>(signal.data() + signal.size()));
    std::ifstream table(std::string(VOKSC_TEST_DATA_DIR) + "/g7221/wideband.txt");
    std::string line;
    int rows = 0;
    while (std::getline(table, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream row(line);
        std::string rate;
        size_t itu_size = 0, pcm_size = 0;
        uint64_t itu_fnv = 0, pcm_fnv = 0;
        row >> rate >> itu_size >> std::hex >> itu_fnv >> std::dec >> pcm_size >> std::hex >> pcm_fnv;
        ++rows;
        golden::each_level([&] {
            SCOPED_TRACE(rate);
            const Args args{{"rate", rate}, {"bandwidth", "14000"}};
            Bytes bits, out;
            EXPECT_EQ(run(true, args, pcm, bits), "");
            EXPECT_EQ(bits.size(), itu_size);
            EXPECT_EQ(golden::fnv64(golden::kFnv64, bits.data(), bits.size()), itu_fnv) << "encoder";
            EXPECT_EQ(run(false, args, bits, out), "");
            EXPECT_EQ(out.size(), pcm_size);
            EXPECT_EQ(golden::fnv64(golden::kFnv64, out.data(), out.size()), pcm_fnv) << "decoder";
        });
    }
    EXPECT_EQ(rows, 3);
}

// Damaged G.192 streams of three 24 kbit/s frames (482 words each): a bit word other than
// 0x007F/0x0081 erases its frame (as the sync word 0x6B20 does); a wrong sync or length word or
// a truncated frame is a one-line error after the frames before it; random bits (envelopes and
// categorisation controls that overrun the frame) decode to something, never a crash.
TEST(VoksCodecG7221, DamagedStreams) {
    const Args args{{"rate", "24000"}};
    Bytes pcm(3 * 640), good, out, want;
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<uint8_t>(i * 29 % 251);
    ASSERT_EQ(run(true, args, pcm, good), "");
    ASSERT_EQ(good.size(), 3u * 964);
    auto set_word = [](Bytes& b, size_t word, uint16_t v) {
        b[2 * word] = static_cast<uint8_t>(v);
        b[2 * word + 1] = static_cast<uint8_t>(v >> 8);
    };
    Bytes erased = good;
    set_word(erased, 482, 0x6B20);
    ASSERT_EQ(run(false, args, erased, want), "");
    ASSERT_EQ(want.size(), 3u * 640);
    const struct {
        size_t word;
        uint16_t value;
        size_t keep;  // bytes of the stream kept
        const char* error;
        size_t frames;  // frames decoded
    } cases[] = {
        {482 + 100, 0x0000, 3 * 964, "", 3},
        {482, 0x6B22, 3 * 964, "frame 2: no G.192 sync word (0x6B21 or 0x6B20)", 1},
        {483, 479, 3 * 964, "frame 2: length word 479 does not match 480 bits per frame", 1},
        {0, 0x6B21, 2 * 964 + 10, "frame 3 is truncated (10 of 964 bytes)", 2},
    };
    for (const auto& c : cases) {
        Bytes b(good.begin(), good.begin() + long(c.keep));
        set_word(b, c.word, c.value);
        EXPECT_EQ(run(false, args, b, out), c.error);
        EXPECT_EQ(out.size(), c.frames * 640) << c.error;
        if (!*c.error) {
            EXPECT_TRUE(out == want) << c.word;
        }
    }
    uint64_t state = 7;
    for (int trial = 0; trial < 200; ++trial) {
        Bytes b = good;
        for (size_t w = 2; w < 3 * 482; ++w) {
            if (w % 482 < 2) continue;
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            set_word(b, w, (state >> 40) & 1 ? 0x0081 : 0x007F);
        }
        EXPECT_EQ(run(false, args, b, out), "");
        EXPECT_EQ(out.size(), 3u * 640);
    }
}

}  // namespace

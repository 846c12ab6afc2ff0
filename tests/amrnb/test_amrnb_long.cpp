// The example encoder and decoder against the 3GPP reference coders on long speech
// (amrnb_long_inputs.h): every mode, without DTX and with DTX under VAD options 1 and 2. The
// reference's serial streams and decoded outputs are stored as CRC-32s with the first frames of
// three ten-minute streams (tests/data/amrnb/long_streams.txt). Every row runs but the
// ten-minute rows outside kFull; a sanitizer build runs only the loud rows of kFull's settings.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "amrnb/amrnb_dec.h"
#include "amrnb/amrnb_enc.h"
#include "amrnb/amrnb_long_inputs.h"
#include "support/external.h"

#if defined(__SANITIZE_ADDRESS__)
#define AMRNB_LONG_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define AMRNB_LONG_SANITIZED 1
#endif
#endif

namespace {

using amrnb_long::Words;

uint32_t crc32(uint32_t c, const int16_t* w, size_t n) {
    for (size_t i = 0; i < 2 * n; ++i) {
        c ^= static_cast<uint8_t>(static_cast<uint16_t>(w[i / 2]) >> (8 * (i & 1)));
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return c;
}

struct Result {
    size_t frames = 0;
    uint32_t stream = 0xFFFFFFFFu, pcm = 0xFFFFFFFFu;
    std::string prefix;  // per frame: TX type, mode, the bits packed MSB first (hex)
};

// Codes `frames` frames of pcm at `mode` (vad 0: no DTX) and decodes the stream.
Result code(const Words& pcm, size_t frames, int mode, int vad, size_t prefix_frames) {
    amrnbex::Encoder enc;
    EXPECT_TRUE(enc.init(mode, vad ? vad : 1, vad != 0));
    amrnb::DecoderState dec;
    amrnb::decoder_init(&dec);
    Result r;
    int16_t words[amrnb::kSerialWords], out[amrnb::kFrameSamples];
    for (; r.frames < frames && (r.frames + 1) * 160 <= pcm.size(); ++r.frames) {
        amrnb::SerialFrame fr;
        EXPECT_TRUE(enc.encode(&pcm[r.frames * 160], -1, fr));
        std::fill(words, words + amrnb::kSerialWords, int16_t{0});
        words[0] = fr.tx_type;
        std::copy(fr.bits, fr.bits + amrnb::kMaxBits, words + 1);
        words[1 + amrnb::kMaxBits] = fr.mode;
        r.stream = crc32(r.stream, words, amrnb::kSerialWords);
        EXPECT_TRUE(amrnb::decode_serial(&dec, fr, out));
        r.pcm = crc32(r.pcm, out, amrnb::kFrameSamples);
        if (r.frames < prefix_frames) {
            uint8_t b[2 + (amrnb::kMaxBits + 7) / 8] = {static_cast<uint8_t>(fr.tx_type),
                                                        static_cast<uint8_t>(fr.mode)};
            for (int i = 0; i < amrnb::kMaxBits; ++i)
                b[2 + i / 8] |= static_cast<uint8_t>((fr.bits[i] & 1) << (7 - i % 8));
            char hex[3];
            for (uint8_t x : b) std::snprintf(hex, sizeof hex, "%02x", x), r.prefix += hex;
        }
    }
    r.stream = ~r.stream;
    r.pcm = ~r.pcm;
    return r;
}

TEST(AmrnbLongSpeech, ReferenceDigests) {
    const Words p = amrnb_long::prompts();
    VOKSC_NEED_SPEECH(p, 8000 * 600u);
    const Words n = amrnb_long::noisy(p), l = amrnb_long::loud(p);
    struct Full {
        int mode, vad;
    };
    static const Full kFull[] = {{7, 0}, {0, 1}, {5, 2}};  // the ten-minute rows run
    std::ifstream f(std::string(VOKSC_TEST_DATA_DIR) + "/amrnb/long_streams.txt");
    ASSERT_TRUE(f) << "tests/data/amrnb/long_streams.txt";
    int rows = 0, ran = 0;
    for (std::string line; std::getline(f, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream in(line);
        std::string input, prefix;
        int mode, vad;
        size_t frames;
        unsigned stream, pcm;
        in >> input >> mode >> vad >> frames >> std::hex >> stream >> pcm >> prefix;
        ++rows;
        bool chosen = false;
        for (const Full& k : kFull) chosen = chosen || (k.mode == mode && k.vad == vad);
#ifdef AMRNB_LONG_SANITIZED
        const bool run = input == "L" && chosen;
#else
        const bool run = input != "P" || chosen;
#endif
        if (!run) continue;
        ++ran;
        const Words& x = input == "N" ? n : input == "L" ? l : p;  // P whole, S its first minute
        const Result r = code(x, frames, mode, vad, prefix.size() / 66);
        EXPECT_EQ(r.frames, frames) << line;
        size_t first = 0;
        while (first < prefix.size() && first < r.prefix.size() && prefix[first] == r.prefix[first]) ++first;
        EXPECT_EQ(first, prefix.size()) << line << ": first difference in frame " << first / 66;
        EXPECT_EQ(r.stream, stream) << input << " mode " << mode << " vad " << vad << ": stream";
        EXPECT_EQ(r.pcm, pcm) << input << " mode " << mode << " vad " << vad << ": decoded";
    }
    EXPECT_EQ(rows, 4 * 24);
    EXPECT_GT(ran, 0);
}

}  // namespace

// voks-codec's GSM-AMR coder: the 3GPP sequences encoded (with the mode file, DTX and both VAD
// options) and decoded in the serial format at each kernel level, the same streams in the storage
// format, encode-decode round trips at every mode,
// streams with damaged, lost and made-up frames against the reference decoder's outputs (CRC-32
// of its output on the same streams), the storage format, and the one-line errors of bad streams
// and options.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "codec.h"
#include "codec_run.h"
#include "support/external.h"
#include "support/levels.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string run(bool encode, const vokscodec::Args& args, const Bytes& in, Bytes& out) {
    return run_codec("amrnb", encode, args, in, out);
}

Bytes read(const std::string& name) {
    Bytes b;
    voksc_test::read_bytes(voksc_test::vector_path("amrnb/" + name), b);
    return b;
}

using voksc_test::crc32;

void put(Bytes& s, size_t word, int v) {
    s[2 * word] = static_cast<uint8_t>(v);
    s[2 * word + 1] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
}

// About one frame in seven of a serial stream changed: speech marked degraded, bad, onset or
// lost; SID marked bad or lost; a lost frame replaced by bad or onset frames, or by made-up
// speech of a random mode.
Bytes damage(Bytes s, uint32_t seed) {
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (size_t f = 0; f < s.size() / 500; ++f) {
        if (next(100) >= 15) continue;
        const size_t w = f * 250;
        const int tx = s[2 * w] | (s[2 * w + 1] << 8);
        static const int kSpeech[] = {4, 5, 5, 7, 3}, kSid[] = {6, 3, 5}, kLost[] = {5, 7, 0, 3};
        const int to = tx == 0 ? kSpeech[next(5)] : tx == 1 || tx == 2 ? kSid[next(3)] : kLost[next(4)];
        if (to == 0)
            for (size_t i = 1; i <= 244; ++i) put(s, w + i, static_cast<int>(next(2)));
        if (to != 3 && static_cast<int8_t>(s[2 * (w + 245) + 1]) < 0)
            put(s, w + 245, static_cast<int>(next(8)));
        put(s, w, to);
    }
    return s;
}

class VoksCodecAmrnb : public voksc_test::LevelTest<> {};

TEST_P(VoksCodecAmrnb, SequencesAndDamagedStreams) {
    const Bytes dos = read("spch_dos.cod"), do2 = read("spch_do2.cod");
    if (dos.empty() || do2.empty()) VOKSC_MISSING() << "GSM-AMR sequences in vectors/amrnb";
    const vokscodec::Args serial{{"format", "3gpp"}};
    Bytes out;
    ASSERT_EQ(run(false, serial, dos, out), "");
    EXPECT_TRUE(out == read("spch_dos.out"));
    ASSERT_EQ(run(false, serial, do2, out), "");
    EXPECT_TRUE(out == read("spch_do2.out"));
    // The same streams in the storage format (tests/data/amrnb, written by an outside script).
    for (const char* name : {"spch_dos", "spch_do2"}) {
        Bytes amr;
        ASSERT_TRUE(
            voksc_test::read_bytes(std::string(VOKSC_TEST_DATA_DIR) + "/amrnb/" + name + ".amr", amr));
        ASSERT_EQ(run(false, {}, amr, out), "");
        EXPECT_TRUE(out == read(std::string(name) + ".out")) << name << ".amr";
    }
    // The reference decoder's output on the damaged streams.
    struct Case {
        bool vad2;
        uint32_t seed, crc;
    };
    const Case cases[] = {
        {false, 1, 0x5A71CC63},
        {true, 2, 0x8AD1F30A},
        {false, 3, 0x5487F5D4},
        {true, 4, 0x3B58C890},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(run(false, serial, damage(c.vad2 ? do2 : dos, c.seed), out), "");
        EXPECT_EQ(crc32(out), c.crc) << "seed " << c.seed;
    }
}

// The example input with the package's mode file, DTX and each VAD option gives the example
// streams, in the serial format and as independently rewritten in the storage format.
TEST_P(VoksCodecAmrnb, EncodesSequences) {
    const Bytes inp = read("spch_dos.inp");
    if (inp.empty()) VOKSC_MISSING() << "GSM-AMR sequences in vectors/amrnb";
    for (const char* vad : {"1", "2"}) {
        const std::string name = vad[0] == '1' ? "spch_dos" : "spch_do2";
        vokscodec::Args args{{"dtx", "on"},
                             {"vad", vad},
                             {"modes", voksc_test::vector_path("amrnb/allmodes.txt")},
                             {"format", "3gpp"}};
        Bytes out, amr;
        ASSERT_EQ(run(true, args, inp, out), "");
        EXPECT_TRUE(out == read(name + ".cod")) << name;
        args["format"] = "rfc4867";
        ASSERT_EQ(run(true, args, inp, out), "");
        ASSERT_TRUE(
            voksc_test::read_bytes(std::string(VOKSC_TEST_DATA_DIR) + "/amrnb/" + name + ".amr", amr));
        EXPECT_TRUE(out == amr) << name << ".amr";
    }
}

// Every mode, with and without DTX, on an input that ends inside a frame: the storage stream
// decodes to what the serial stream decodes to, a whole number of frames. A mode file shorter
// than the input ends the encoding at its last line.
TEST_P(VoksCodecAmrnb, RoundTrips) {
    Bytes inp = read("spch_dos.inp");
    if (inp.empty()) VOKSC_MISSING() << "GSM-AMR sequences in vectors/amrnb";
    inp.resize(inp.size() - 2 * 37);
    for (const char* mode : {"4750", "5150", "5900", "6700", "7400", "7950", "10200", "12200"}) {
        for (const bool dtx : {false, true}) {
            vokscodec::Args args{{"mode", mode}};
            if (dtx) args["dtx"] = "on";
            Bytes amr, cod, pcm, pcm_serial;
            ASSERT_EQ(run(true, args, inp, amr), "");
            ASSERT_EQ(run(false, {}, amr, pcm), "");
            args["format"] = "3gpp";
            ASSERT_EQ(run(true, args, inp, cod), "");
            ASSERT_EQ(run(false, args, cod, pcm_serial), "");
            EXPECT_EQ(cod.size(), 500u * 425);
            EXPECT_EQ(pcm.size(), 320u * 425) << mode;
            EXPECT_TRUE(pcm == pcm_serial) << mode << (dtx ? " dtx" : "");
        }
    }
    const std::string modes = testing::TempDir() + "/amrnb_modes.txt";
    std::FILE* f = std::fopen(modes.c_str(), "w");
    ASSERT_TRUE(f != nullptr);
    std::fputs("MR475\nMR122\r\n\nMR102\n", f);
    std::fclose(f);
    Bytes cod;
    ASSERT_EQ(run(true, {{"modes", modes}, {"format", "3gpp"}}, inp, cod), "");
    ASSERT_EQ(cod.size(), 1500u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(cod[500 * i + 490], "\0\7\6"[i]) << i;
    std::remove(modes.c_str());
}

INSTANTIATE_TEST_SUITE_P(Levels, VoksCodecAmrnb, voksc_test::every_level());

TEST(VoksCodecAmrnbErrors, OneLineMessages) {
    Bytes frame(500, 0), out;
    put(frame, 0, 9);  // no such TX type
    struct Case {
        bool encode;
        vokscodec::Args args;
        Bytes in;
        const char* error;
    };
    const char* kNoHeader = "the stream lacks the \"#!AMR\\n\" header of the RFC 4867 storage format";
    const Case cases[] = {
        {false,
         {{"format", "3gpp"}},
         Bytes(777),
         "stream length 777 is not a multiple of the 500-byte serial frame"},
        {false, {{"format", "3gpp"}}, frame, "frame 0: TX type 9 or mode 0 is not one of the serial format"},
        {false, {{"format", "if2"}}, {}, "--format must be rfc4867 or 3gpp (got 'if2')"},
        {false, {}, Bytes{'#', '!', 'A', 'M', 'R', '-', 'W', 'B', '\n'}, kNoHeader},
        {false, {}, Bytes{'#', '!', 'A', 'M', 'R', '\n', 0x3C, 1, 2}, "stream ends inside frame 0"},
        {true,
         {{"mode", "8000"}},
         {},
         "--mode must be 4750, 5150, 5900, 6700, 7400, 7950, 10200 or 12200 (got '8000')"},
        {true, {{"vad", "3"}}, {}, "--vad must be 1 or 2"},
        {true, {{"modes", "/nonexistent/modes"}}, {}, nullptr},
        {true, {{"modes", VOKSC_TEST_DATA_DIR "/amrnb/encoder_streams.txt"}}, {}, nullptr},
    };
    for (const Case& c : cases) {
        const std::string err = run(c.encode, c.args, c.in, out);
        if (c.error)
            EXPECT_EQ(err, c.error);
        else  // a file that cannot be read or names no mode: a one-line error naming it
            EXPECT_TRUE(err.find(c.args.at("modes")) != std::string::npos &&
                        err.find('\n') == std::string::npos)
                << err;
    }
}

// Storage frames of the types 9 to 14 (other codecs' SIDs with their RFC 4867 sizes of 6, 5 and
// 5 octets, reserved types with none) decode as no-data frames; a stream cut inside a frame, or
// a serial frame of no known type, keeps the frames before it and ends with a one-line error.
TEST(VoksCodecAmrnbErrors, ForeignReservedAndCutFrames) {
    Bytes amr;
    ASSERT_TRUE(voksc_test::read_bytes(std::string(VOKSC_TEST_DATA_DIR) + "/amrnb/spch_dos.amr", amr));
    static const int kOctets[16] = {12, 13, 15, 17, 19, 20, 26, 31, 5, 6, 5, 5, 0, 0, 0, 0};
    std::vector<size_t> at{6};  // frame starts
    while (at.back() < amr.size()) at.push_back(at.back() + 1 + kOctets[(amr[at.back()] >> 3) & 15]);
    ASSERT_EQ(at.back(), amr.size());
    size_t cut = 30;  // a speech frame to cut
    while (((amr[at[cut]] >> 3) & 15) > 7) ++cut;
    const Bytes head(amr.begin(), amr.begin() + static_cast<long>(at[cut]));
    const Bytes tail(amr.begin() + static_cast<long>(at[cut]), amr.begin() + static_cast<long>(at[cut + 40]));
    Bytes out, want;
    for (int ft = 9; ft <= 14; ++ft) {
        Bytes odd = head, lost = head;
        odd.push_back(static_cast<uint8_t>(ft << 3 | 4));
        odd.insert(odd.end(), static_cast<size_t>(kOctets[ft]), 0x5A);
        lost.push_back(0x7C);
        odd.insert(odd.end(), tail.begin(), tail.end());
        lost.insert(lost.end(), tail.begin(), tail.end());
        ASSERT_EQ(run(false, {}, odd, out), "") << ft;
        ASSERT_EQ(run(false, {}, lost, want), "");
        EXPECT_TRUE(out == want) << "frame type " << ft;
    }
    ASSERT_EQ(run(false, {}, head, want), "");
    Bytes cut_stream = head;
    cut_stream.insert(cut_stream.end(), tail.begin(), tail.begin() + 3);
    EXPECT_EQ(run(false, {}, cut_stream, out), "stream ends inside frame " + std::to_string(cut));
    EXPECT_TRUE(out == want);
    Bytes serial(1500, 0);  // two no-data frames, then TX type 9
    put(serial, 0, 3), put(serial, 250, 3), put(serial, 500, 9);
    EXPECT_EQ(run(false, {{"format", "3gpp"}}, serial, out),
              "frame 2: TX type 9 or mode 0 is not one of the serial format");
    EXPECT_EQ(out.size(), 640u);
}

}  // namespace

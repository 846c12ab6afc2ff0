// voks-codec's AMR-WB coder: the 3GPP sequences encoded with DTX and decoded in the serial format
// at each kernel level, the storage format, streams with damaged, lost and bad frames against the
// reference decoder's outputs (CRC-32 of its output on the same streams), and the one-line errors
// of bad streams and options.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "codec.h"
#include "codec_run.h"
#include "support/external.h"
#include "support/files.h"
#include "support/levels.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string run(bool encode, const vokscodec::Args& args, const Bytes& in, Bytes& out) {
    return run_codec("amrwb", encode, args, in, out);
}

Bytes read(const std::string& name) {
    Bytes b;
    voksc_test::read_bytes(voksc_test::vector_path("amrwb/" + name), b);
    return b;
}

using voksc_test::crc32;

uint32_t lcg(uint32_t& seed, uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
}

// About one frame in six of a serial stream changed: speech marked degraded, lost or bad (RX
// header), or with eight bits flipped; a SID marked bad or as no data.
Bytes damage(Bytes s, uint32_t seed) {
    static const int kBits[9] = {132, 177, 253, 285, 317, 365, 397, 461, 477};
    auto word = [&s](size_t w) { return static_cast<int16_t>(s[2 * w] | (s[2 * w + 1] << 8)); };
    auto put = [&s](size_t w, int v) {
        s[2 * w] = static_cast<uint8_t>(v);
        s[2 * w + 1] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
    };
    for (size_t w = 0; 2 * w + 6 <= s.size();) {
        const int tx = word(w + 1), bits = tx == 0 ? kBits[word(w + 2)] : 35;
        if (lcg(seed, 100) < 16) {
            if (tx == 0) {
                const int to = static_cast<int>(lcg(seed, 4));
                if (to == 0) {
                    for (int k = 0; k < 8; ++k) {
                        const size_t b = w + 3 + lcg(seed, static_cast<uint32_t>(bits));
                        put(b, -word(b));
                    }
                } else {
                    put(w, 0x6B20);
                    put(w + 1, to);
                }
            } else if (tx == 1 || tx == 2) {
                put(w, 0x6B20);
                put(w + 1, lcg(seed, 2) ? 6 : 7);
            }
        }
        w += 3 + static_cast<size_t>(bits);
    }
    return s;
}

// About one frame in six of a storage stream changed: the quality bit cleared, or the frame
// replaced by a lost-speech or no-data octet.
Bytes damage_storage(const Bytes& s, uint32_t seed) {
    static const int kBytes[16] = {17, 23, 32, 36, 40, 46, 50, 58, 60, 5, 0, 0, 0, 0, 0, 0};
    Bytes out(s.begin(), s.begin() + 9);
    for (size_t at = 9; at < s.size();) {
        const size_t n = 1 + static_cast<size_t>(kBytes[(s[at] >> 3) & 15]);
        const uint32_t r = lcg(seed, 100);
        if (r < 8) {
            out.push_back(static_cast<uint8_t>(s[at] & ~4));
            out.insert(out.end(), s.begin() + static_cast<long>(at) + 1,
                       s.begin() + static_cast<long>(at + n));
        } else if (r < 16) {
            out.push_back(r < 12 ? 0x74 : 0x7C);
        } else {
            out.insert(out.end(), s.begin() + static_cast<long>(at), s.begin() + static_cast<long>(at + n));
        }
        at += n;
    }
    return out;
}

const char* const kModes[9] = {"6600", "8850", "12650", "14250", "15850", "18250", "19850", "23050", "23850"};

class VoksCodecAmrwb : public voksc_test::LevelTest<> {};

// tst.inp with DTX at each rate gives tst_m0..8.cod, dtx.inp at 12.65 kbit/s tst_md.cod, and each
// stream decodes to its .out, also through the storage format.
TEST_P(VoksCodecAmrwb, Sequences) {
    const Bytes tst = read("tst.inp"), dtx = read("dtx.inp");
    if (tst.empty() || dtx.empty()) VOKSC_MISSING() << "AMR-WB sequences in vectors/amrwb";
    for (int m = 0; m <= 9; ++m) {
        const std::string name = m < 9 ? "tst_m" + std::to_string(m) : "tst_md";
        const Bytes want_cod = read(name + ".cod"), want_out = read(name + ".out");
        vokscodec::Args args{{"dtx", "on"}, {"mode", m < 9 ? kModes[m] : "12650"}, {"format", "3gpp"}};
        Bytes cod, out, amr;
        ASSERT_EQ(run(true, args, m < 9 ? tst : dtx, cod), "");
        EXPECT_TRUE(cod == want_cod) << name;
        ASSERT_EQ(run(false, args, want_cod, out), "");
        EXPECT_TRUE(out == want_out) << name;
        if (m % 4 == 0) {
            args["format"] = "rfc4867";
            ASSERT_EQ(run(true, args, m < 9 ? tst : dtx, amr), "");
            ASSERT_EQ(run(false, {}, amr, out), "");
            EXPECT_TRUE(out == want_out) << name << " storage";
        }
    }
}

// The reference decoder's output on damaged streams: serial streams with RX frame types and
// flipped bits, storage streams with bad, lost and no-data frames.
TEST_P(VoksCodecAmrwb, DamagedStreams) {
    struct Case {
        const char* name;
        bool storage;
        uint32_t seed, crc;
    };
    const Case cases[] = {
        {"tst_md", false, 1, 0x7df26be9}, {"tst_m0", false, 2, 0xe953f041}, {"tst_m1", false, 3, 0xe87d7362},
        {"tst_m2", false, 4, 0xd4b34e7a}, {"tst_m8", false, 5, 0xb46a1e11}, {"tst_md", false, 6, 0x9e42daa0},
        {"tst_m0", true, 7, 0x07d6d6e8},  {"tst_md", true, 8, 0x536848d4},  {"tst_m8", true, 9, 0x7aa27574},
    };
    for (const Case& c : cases) {
        Bytes cod = read(std::string(c.name) + ".cod"), out;
        if (cod.empty()) VOKSC_MISSING() << "AMR-WB sequences in vectors/amrwb";
        if (c.storage) {
            // The storage stream of the same frames, as the encoder writes it.
            const bool md = c.name[5] == 'd';
            const vokscodec::Args args{{"dtx", "on"}, {"mode", md ? "12650" : kModes[c.name[5] - '0']}};
            ASSERT_EQ(run(true, args, read(md ? "dtx.inp" : "tst.inp"), cod), "");
            ASSERT_EQ(run(false, {}, damage_storage(cod, c.seed), out), "");
        } else {
            ASSERT_EQ(run(false, {{"format", "3gpp"}}, damage(cod, c.seed), out), "");
        }
        EXPECT_EQ(out.size(), 128000u) << c.name;
        EXPECT_EQ(crc32(out), c.crc) << c.name << " seed " << c.seed;
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, VoksCodecAmrwb, voksc_test::every_level());

TEST(VoksCodecAmrwbErrors, OneLineMessages) {
    const Bytes magic{'#', '!', 'A', 'M', 'R', '-', 'W', 'B', '\n'};
    auto with = [&magic](const Bytes& frame) {
        Bytes b(magic.size() + frame.size());
        for (size_t i = 0; i < b.size(); ++i) b[i] = i < magic.size() ? magic[i] : frame[i - magic.size()];
        return b;
    };
    struct Case {
        bool encode;
        vokscodec::Args args;
        Bytes in;
        const char* error;
    };
    const Case cases[] = {
        {false, {{"format", "3gpp"}}, Bytes{0x21, 0x6B, 0, 0, 2, 0, 1}, "stream ends inside frame 0"},
        {false,
         {{"format", "3gpp"}},
         Bytes{0x22, 0x6B, 0, 0, 2, 0},
         "frame 0: header 27426, frame type 0 or mode 2 is not one of the serial format"},
        {false,
         {{"format", "3gpp"}},
         Bytes{0x21, 0x6B, 0, 0, 10, 0},
         "frame 0: header 27425, frame type 0 or mode 10 is not one of the serial format"},
        {false, {{"format", "itu"}}, {}, "--format must be rfc4867 or 3gpp (got 'itu')"},
        {false,
         {},
         Bytes{'#', '!', 'A', 'M', 'R', '\n'},
         "the stream lacks the \"#!AMR-WB\\n\" header of the RFC 4867 storage format"},
        {false, {}, with(Bytes{0x04, 1, 2}), "stream ends inside frame 0"},
        {true,
         {{"mode", "12200"}},
         {},
         "--mode must be 6600, 8850, 12650, 14250, 15850, 18250, 19850, 23050 or 23850 (got '12200')"},
        {true, {{"modes", "/nonexistent/modes"}}, {}, nullptr},
    };
    for (const Case& c : cases) {
        Bytes out;
        const std::string err = run(c.encode, c.args, c.in, out);
        if (c.error)
            EXPECT_EQ(err, c.error);
        else
            EXPECT_TRUE(err.find(c.args.at("modes")) != std::string::npos &&
                        err.find('\n') == std::string::npos)
                << err;
    }
    // A mode file's modes, then its last one, or --mode when given: the TOC octets' frame types.
    const std::string modes = testing::TempDir() + "/amrwb_modes.txt";
    std::FILE* f = std::fopen(modes.c_str(), "w");
    ASSERT_TRUE(f != nullptr);
    std::fputs("0\n8 2\n", f);
    std::fclose(f);
    static const int kStorageBytes[9] = {18, 24, 33, 37, 41, 47, 51, 59, 61};
    for (const bool explicit_mode : {false, true}) {
        vokscodec::Args args{{"modes", modes}};
        if (explicit_mode) args["mode"] = "6600";
        Bytes amr, types;
        ASSERT_EQ(run(true, args, Bytes(5 * 640, 0), amr), "");
        for (size_t at = 9; at < amr.size(); at += static_cast<size_t>(kStorageBytes[(amr[at] >> 3) & 15]))
            types.push_back(static_cast<uint8_t>(amr[at] >> 3));
        EXPECT_TRUE(types == (explicit_mode ? Bytes{0, 8, 2, 0, 0} : Bytes{0, 8, 2, 2, 2})) << explicit_mode;
    }
    std::remove(modes.c_str());
    // Frame types 10..15 of the storage format are no data or lost speech: concealed, no error.
    Bytes out;
    EXPECT_EQ(run(false, {}, with(Bytes{0x54, 0x74, 0x7C}), out), "");
    EXPECT_EQ(out.size(), 3u * 640);
}

}  // namespace

// voks-codec's AMR-WB encoder at each kernel level: the 3GPP sequences with DTX at every mode in
// the serial format (byte-identical to the package's streams), the same in the RFC 4867 storage
// format and a mode file (digests of the reference encoder's -mime and -modefile outputs), and
// the one-line errors of bad options.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "codec.h"
#include "codec_run.h"
#include "support/external.h"
#include "support/golden.h"
#include "support/levels.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string encode(const vokscodec::Args& args, const Bytes& in, Bytes& out) {
    return run_codec("amrwb", true, args, in, out);
}

Bytes read(const std::string& name) {
    Bytes b;
    voksc_test::read_bytes(voksc_test::vector_path("amrwb/" + name), b);
    return b;
}

std::string hex64(const Bytes& b) {
    char s[17];
    std::snprintf(s, sizeof s, "%016llx",
                  static_cast<unsigned long long>(golden::fnv64(golden::kFnv64, b.data(), b.size())));
    return s;
}

struct Case {
    const char* input;
    const char* mode;
    bool dtx;
    const char* format;
    const char* want;  // a package stream, or the FNV-1a 64 digest of the reference's output
};

// The reference encoder's outputs: `coder -dtx -mime MODE`, and `coder -modefile` with modes
// 0, 1, ..., 8 repeated over 100 frames (after which it goes on at the last one).
const Case kCases[] = {
    {"tst.inp", "6600", true, "3gpp", "tst_m0.cod"},
    {"tst.inp", "8850", true, "3gpp", "tst_m1.cod"},
    {"tst.inp", "12650", true, "3gpp", "tst_m2.cod"},
    {"tst.inp", "14250", true, "3gpp", "tst_m3.cod"},
    {"tst.inp", "15850", true, "3gpp", "tst_m4.cod"},
    {"tst.inp", "18250", true, "3gpp", "tst_m5.cod"},
    {"tst.inp", "19850", true, "3gpp", "tst_m6.cod"},
    {"tst.inp", "23050", true, "3gpp", "tst_m7.cod"},
    {"tst.inp", "23850", true, "3gpp", "tst_m8.cod"},
    {"dtx.inp", "12650", true, "3gpp", "tst_md.cod"},
    {"tst.inp", "6600", true, "rfc4867", "9ab7144dd50546fc"},
    {"tst.inp", "8850", true, "rfc4867", "6bc1b4925cf85b81"},
    {"tst.inp", "12650", true, "rfc4867", "aecb5b663d66d11f"},
    {"tst.inp", "14250", true, "rfc4867", "3446c05c601a3a2a"},
    {"tst.inp", "15850", true, "rfc4867", "ad7093409fa35ea5"},
    {"tst.inp", "18250", true, "rfc4867", "beb33f5c65101b17"},
    {"tst.inp", "19850", true, "rfc4867", "447c936effdc77c5"},
    {"tst.inp", "23050", true, "rfc4867", "bdfae42901c25a12"},
    {"tst.inp", "23850", true, "rfc4867", "8fadaf654e8aaebc"},
    {"dtx.inp", "12650", true, "rfc4867", "b670ea0b11db5470"},
    {"tst.inp", nullptr, false, "3gpp", "d8555bc37ffcb602"},
};

class VoksCodecAmrwbEncoder : public voksc_test::LevelTest<> {};

TEST_P(VoksCodecAmrwbEncoder, ReferenceStreams) {
    const std::string modes = ::testing::TempDir() + "amrwb_cycle_modes.txt";
    {
        std::ofstream f(modes);
        for (int i = 0; i < 100; ++i) f << i % 9 << (i % 10 == 9 ? "\n" : " ");
    }
    for (const Case& c : kCases) {
        const Bytes pcm = read(c.input);
        if (pcm.empty()) VOKSC_MISSING() << "vectors/amrwb/" << c.input;
        vokscodec::Args args{{"format", c.format}};
        if (c.mode) args["mode"] = c.mode;
        if (!c.mode) args["modes"] = modes;
        if (c.dtx) args["dtx"] = "";
        Bytes got;
        ASSERT_EQ(encode(args, pcm, got), "") << c.input << " " << (c.mode ? c.mode : "modes");
        const std::string want = c.want;
        if (want.size() == 16 && want.find('.') == std::string::npos)
            EXPECT_EQ(hex64(got), want) << c.input << " " << (c.mode ? c.mode : "modes") << " " << c.format;
        else
            EXPECT_TRUE(got == read(want)) << want;
    }
}

INSTANTIATE_TEST_SUITE_P(All, VoksCodecAmrwbEncoder, voksc_test::every_level(),
                         [](const auto& info) { return voksc_test::level_name(info.param); });

TEST(VoksCodecAmrwbEncoderOptions, OneLineErrors) {
    const std::string bad_modes = ::testing::TempDir() + "amrwb_bad_modes.txt";
    std::ofstream(bad_modes) << "2 3\n9\n";
    const std::string empty_modes = ::testing::TempDir() + "amrwb_empty_modes.txt";
    std::ofstream(empty_modes) << "\n";
    struct Bad {
        vokscodec::Args args;
        const char* says;
    };
    const Bad bad[] = {
        {{{"mode", "12200"}}, "--mode must be"},
        {{{"format", "ietf"}}, "--format must be"},
        {{{"modes", bad_modes}}, "line 2: '9' is not a mode"},
        {{{"modes", empty_modes}}, "names no mode"},
    };
    const Bytes pcm(640, 0);
    for (const Bad& b : bad) {
        Bytes out;
        const std::string err = encode(b.args, pcm, out);
        EXPECT_NE(err.find(b.says), std::string::npos) << err;
        EXPECT_EQ(err.find('\n'), std::string::npos) << err;
    }
}

}  // namespace

// G.723.1 against the ITU-T test sequences (release 2, with Annex A): every encoder and decoder
// sequence through the example coder, byte for byte, at every kernel level. A sequence that
// ends in a partial frame is compared on the frames the reference coded.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "g723/g723_codec.h"
#include "support/external.h"
#include "support/levels.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Case {
    const char* in;   // input file
    const char* out;  // reference output
    bool encode;
    int rate;  // encoder: 63, 53, or 0 for the DTXMIX.RAT rate file
    bool highpass_or_postfilter;
    bool vad;
    const char* crc;  // decoder erasure flags, or ""
};

const Case kCases[] = {
    {"PATHC63H.TIN", "PATHC63H.RCO", true, 63, true, false, ""},
    {"TAMEC63H.TIN", "TAMEC63H.RCO", true, 63, true, false, ""},
    {"OVERC63.TIN", "OVERC63.RCO", true, 63, false, false, ""},
    {"CODEC63.TIN", "CODEC63.RCO", true, 63, false, false, ""},
    {"OVERC53H.TIN", "OVERC53H.RCO", true, 53, true, false, ""},
    {"PATHC53.TIN", "PATHC53.RCO", true, 53, false, false, ""},
    {"INEQC53.TIN", "INEQC53.RCO", true, 53, false, false, ""},
    {"DTX63.TIN", "DTX63.RCO", true, 63, true, true, ""},
    {"DTX53MIX.TIN", "DTX53.RCO", true, 53, true, true, ""},
    {"DTX53MIX.TIN", "DTXMIX.RCO", true, 0, true, true, ""},
    {"PATHD63P.TCO", "PATHD63P.ROU", false, 0, true, false, "PATHD63P.CRC"},
    {"TAMED63P.TCO", "TAMED63P.ROU", false, 0, true, false, "TAMED63P.CRC"},
    {"OVERD63P.TCO", "OVERD63P.ROU", false, 0, true, false, ""},
    {"PATHD53.TCO", "PATHD53.ROU", false, 0, false, false, ""},
    {"OVERD53.TCO", "OVERD53.ROU", false, 0, false, false, ""},
    {"INEQD53.TCO", "INEQD53.ROU", false, 0, false, false, ""},
    {"DTX63.RCO", "DTX63.ROU", false, 0, true, false, ""},
    {"DTX53.RCO", "DTX53.ROU", false, 0, true, false, ""},
    {"DTXMIX.RCO", "DTXMIX.ROU", false, 0, true, false, ""},
    {"DTX63B.TCO", "DTX63B.ROU", false, 0, true, false, ""},
    {"DTX63E.TCO", "DTX63E.ROU", false, 0, true, false, "DTX63E.CRC"},
};

bool read(const std::string& name, Bytes& b) {
    return voksc_test::read_bytes(voksc_test::vector_path("g723/" + name), b);
}

Bytes encode(const Case& c, const Bytes& pcm, const Bytes& rates) {
    g723::Encoder enc;
    g723::encoder_init(&enc, c.highpass_or_postfilter, c.vad);
    Bytes out;
    const size_t frames = pcm.size() / (2 * g723::kFrame);
    for (size_t f = 0; f < frames; ++f) {
        int16_t x[g723::kFrame];
        for (int i = 0; i < g723::kFrame; ++i) {
            const size_t k = 2 * (f * g723::kFrame + i);
            x[i] = static_cast<int16_t>(pcm[k] | (pcm[k + 1] << 8));
        }
        const bool r53 = c.rate == 53 || (c.rate == 0 && f < rates.size() && rates[f] == 1);
        uint8_t frame[g723::kMaxFrameBytes];
        const int n = g723::encode(&enc, x, r53 ? g723::Rate::R53 : g723::Rate::R63, frame);
        out.insert(out.end(), frame, frame + n);
    }
    return out;
}

Bytes decode(const Case& c, const Bytes& stream, const Bytes& crc) {
    g723::Decoder dec;
    g723::decoder_init(&dec, c.highpass_or_postfilter);
    Bytes out;
    for (size_t at = 0, f = 0; at < stream.size(); ++f) {
        const size_t n = static_cast<size_t>(g723::frame_bytes(stream[at]));
        if (at + n > stream.size()) break;
        const bool erased = 2 * f + 1 < crc.size() && (crc[2 * f] | crc[2 * f + 1]) != 0;
        int16_t y[g723::kFrame];
        g723::decode(&dec, stream.data() + at, erased, y);
        for (int16_t v : y) {
            out.push_back(static_cast<uint8_t>(v));
            out.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
        }
        at += n;
    }
    return out;
}

class G723Vectors : public voksc_test::LevelTest<std::tuple<Case, voks::frame::Level>> {};

TEST_P(G723Vectors, ByteIdentical) {
    const Case& c = std::get<0>(GetParam());
    Bytes in, want, side;
    if (!read(c.in, in) || !read(c.out, want) || (c.rate == 0 && c.encode && !read("DTXMIX.RAT", side)) ||
        (*c.crc && !read(c.crc, side)))
        VOKSC_MISSING() << "G.723.1 sequence " << c.in << " or " << c.out << " under "
                        << voksc_test::vector_path("g723");
    const Bytes got = c.encode ? encode(c, in, side) : decode(c, in, side);
    ASSERT_EQ(got.size(), want.size()) << c.out;
    size_t first = 0;
    while (first < got.size() && got[first] == want[first]) ++first;
    EXPECT_EQ(first, got.size()) << c.out << ": first difference at byte " << first;
}

INSTANTIATE_TEST_SUITE_P(All, G723Vectors,
                         ::testing::Combine(::testing::ValuesIn(kCases), voksc_test::every_level()),
                         [](const auto& info) {
                             std::string n = std::get<0>(info.param).out;
                             n = n.substr(0, n.find('.')) +
                                 (std::get<0>(info.param).encode ? "_enc" : "_dec");
                             return n + "_" + voksc_test::level_name(std::get<1>(info.param));
                         });

}  // namespace

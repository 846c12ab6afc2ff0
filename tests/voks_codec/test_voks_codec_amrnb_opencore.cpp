// voks-codec's GSM-AMR storage streams against opencore-amrnb on 20 s of the Asterisk prompts:
// at every mode (and with DTX at 12.2, 4.75 and 7.4 kbit/s, the last with SID mode indications
// whose bit order matters) opencore decodes our streams to the samples we decode them to, and we
// decode its streams to the samples it decodes them to.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec.h"
#include "codec_run.h"
#include "support/external.h"
#include "support/speech.h"

#ifdef VOKSC_HAVE_OPENCORE_AMRNB
extern "C" {
#include <opencore-amrnb/interf_dec.h>
#include <opencore-amrnb/interf_enc.h>
}

namespace {

using Bytes = std::vector<uint8_t>;

std::string run(bool encode, const vokscodec::Args& args, const Bytes& in, Bytes& out) {
    return run_codec("amrnb", encode, args, in, out);
}

// opencore's storage stream of the samples (whole frames).
Bytes peer_encode(const std::vector<int16_t>& pcm, int mode, bool dtx) {
    Bytes s{'#', '!', 'A', 'M', 'R', '\n'};
    void* enc = Encoder_Interface_init(dtx);
    for (size_t f = 0; f + 160 <= pcm.size(); f += 160) {
        uint8_t frame[64];
        const int n = Encoder_Interface_Encode(enc, static_cast<Mode>(mode), &pcm[f], frame, 0);
        s.insert(s.end(), frame, frame + n);
    }
    Encoder_Interface_exit(enc);
    return s;
}

// opencore's samples (16-bit little-endian bytes) of a storage stream.
Bytes peer_decode(const Bytes& s) {
    static const int kBytes[16] = {13, 14, 16, 18, 20, 21, 27, 32, 6, 1, 1, 1, 1, 1, 1, 1};
    Bytes out;
    void* dec = Decoder_Interface_init();
    for (size_t at = 6; at < s.size(); at += kBytes[(s[at] >> 3) & 15]) {
        int16_t pcm[160];
        Decoder_Interface_Decode(dec, &s[at], pcm, 0);
        for (const int16_t v : pcm)
            out.push_back(static_cast<uint8_t>(v)), out.push_back(static_cast<uint8_t>(v >> 8));
    }
    Decoder_Interface_exit(dec);
    return out;
}

TEST(VoksCodecAmrnbOpencore, DecodesEachOthersStreams) {
    const std::vector<int16_t> speech =
        voksc_test::gather_speech(voksc_test::kAsteriskSounds, 20 * 8000, 160);
    VOKSC_NEED_SPEECH(speech, 20u * 8000);
    Bytes pcm;
    for (const int16_t v : speech)
        pcm.push_back(static_cast<uint8_t>(v)), pcm.push_back(static_cast<uint8_t>(v >> 8));
    struct Case {
        const char* mode;
        int index;
        bool dtx;
    };
    const Case cases[] = {{"4750", 0, false}, {"5150", 1, false}, {"5900", 2, false},  {"6700", 3, false},
                          {"7400", 4, false}, {"7950", 5, false}, {"10200", 6, false}, {"12200", 7, false},
                          {"12200", 7, true}, {"4750", 0, true},  {"7400", 4, true}};
    for (const Case& c : cases) {
        vokscodec::Args args{{"mode", c.mode}};
        if (c.dtx) args["dtx"] = "on";
        Bytes ours, decoded;
        ASSERT_EQ(run(true, args, pcm, ours), "");
        ASSERT_EQ(run(false, {}, ours, decoded), "");
        EXPECT_EQ(decoded.size(), pcm.size());
        EXPECT_TRUE(peer_decode(ours) == decoded)
            << c.mode << (c.dtx ? " dtx: " : ": ") << "opencore on ours";
        const Bytes theirs = peer_encode(speech, c.index, c.dtx);
        ASSERT_EQ(run(false, {}, theirs, decoded), "");
        EXPECT_TRUE(peer_decode(theirs) == decoded)
            << c.mode << (c.dtx ? " dtx: " : ": ") << "ours on opencore's";
    }
}

}  // namespace
#else
VOKSC_PEER_ABSENT(VoksCodecAmrnbOpencore, "opencore-amrnb (libopencore-amrnb-dev)")
#endif

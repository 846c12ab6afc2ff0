// voks-codec's RFC 4867 storage streams against the storage writers of the 3GPP reference coders
// (GSM-AMR built with MMS_IO, AMR-WB run with -mime) on speech with pauses of seeded noise, so
// that first SIDs, SID updates and no-data frames occur at every mode: CRC-32s of the
// reference's streams and of its decoder's outputs on them, whole and through a seeded channel
// that clears quality bits, loses frames and flips bits (tests/data/amr{nb,wb}/storage_streams.txt).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "amrnb/amrnb_long_inputs.h"
#include "codec.h"
#include "codec_run.h"
#include "support/external.h"
#include "support/speech.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Words = std::vector<int16_t>;

Bytes bytes_of(const Words& x) {
    Bytes b;
    for (const int16_t v : x) b.push_back(static_cast<uint8_t>(v)), b.push_back(static_cast<uint8_t>(v >> 8));
    return b;
}

// 'T': the bundled speech at `rate` (whole frames of `frame` samples) twice, each time followed by
// 100 frames of seeded uniform noise of about -47 dBov.
Words bundled_with_pauses(const char* wav, uint32_t rate, size_t frame) {
    Words s =
        voksc_test::read_wav(std::string(VOKSC_TEST_DATA_DIR) + "/../../tools/voks-codec/data/" + wav, rate);
    s.resize(s.size() / frame * frame);
    Words x;
    uint32_t seed = 2024;
    for (int r = 0; r < 2; ++r) {
        x.insert(x.end(), s.begin(), s.end());
        for (size_t i = 0; i < 100 * frame; ++i) {
            seed = seed * 1664525u + 1013904223u;
            x.push_back(static_cast<int16_t>(static_cast<int16_t>(seed >> 16) >> 7));
        }
    }
    return x;
}

// Octets after the TOC by frame type, GSM-AMR and AMR-WB.
const int kNbOctets[16] = {12, 13, 15, 17, 19, 20, 26, 31, 5, 6, 5, 5, 0, 0, 0, 0};
const int kWbOctets[16] = {17, 23, 32, 36, 40, 46, 50, 58, 60, 5, 0, 0, 0, 0, 0, 0};

// The GSM-AMR reference's storage writer (REL-5 MMS_IO) puts a SID's 3-bit mode indication most
// significant bit first, voks-codec least significant bit first (see codec_amrnb.cpp): `s` with
// the mode indication of every SID reversed, every other bit unchanged.
Bytes sid_mode_reversed(Bytes s) {
    for (size_t at = 6; at < s.size(); at += 1 + kNbOctets[(s[at] >> 3) & 15]) {
        if (((s[at] >> 3) & 15) != 8 || at + 5 >= s.size()) continue;
        const int m = (s[at + 5] >> 1) & 7, r = (m & 1) << 2 | (m & 2) | m >> 2;
        s[at + 5] = static_cast<uint8_t>((s[at + 5] & ~0x0E) | r << 1);
    }
    return s;
}

// A seeded channel: of every 100 frames about 10 with the quality bit cleared, 3 lost (a no-data
// TOC in their place) and 2 with three bits flipped.
Bytes damaged(const Bytes& s, size_t header, const int* octets) {
    Bytes d(s.begin(), s.begin() + static_cast<long>(header));
    uint32_t seed = 7;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 16) % n;
    };
    for (size_t at = header; at < s.size();) {
        const size_t end = std::min(s.size(), at + 1 + static_cast<size_t>(octets[(s[at] >> 3) & 15]));
        Bytes fr(s.begin() + static_cast<long>(at), s.begin() + static_cast<long>(end));
        at = end;
        const uint32_t x = next(100);
        if (x < 10)
            fr[0] = static_cast<uint8_t>(fr[0] & ~4);
        else if (x < 13)
            fr.assign(1, 0x7C);
        else if (x < 15 && fr.size() > 1)
            for (int k = 0; k < 3; ++k)
                fr[1 + next(static_cast<uint32_t>(fr.size() - 1))] ^= static_cast<uint8_t>(1 << next(8));
        d.insert(d.end(), fr.begin(), fr.end());
    }
    return d;
}

struct Family {
    const char* codec;
    const char* digests;  // under tests/data
    std::vector<const char*> rates;
    size_t frame_bytes;            // of decoded PCM
    size_t header;                 // bytes of the storage magic
    const int* octets;             // by frame type
    bool vad_option;               // rows name the VAD option (else 1 means DTX)
    Bytes (*to_reference)(Bytes);  // our stream in the reference's layout
};

// Each row: input, mode index, VAD option (0: no DTX), frames, CRC-32 of the reference's storage
// stream, of its decoder's output, and of that on the stream through the seeded channel. Rows of
// inputs not given are skipped.
void check(const Family& fam, const std::vector<std::pair<std::string, Bytes>>& inputs) {
    std::ifstream f(std::string(VOKSC_TEST_DATA_DIR) + "/" + fam.digests);
    ASSERT_TRUE(f) << "tests/data/" << fam.digests;
    int ran = 0;
    for (std::string line; std::getline(f, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream row(line);
        std::string input;
        int mode = 0, vad = 0;
        size_t frames = 0;
        uint32_t stream_crc = 0, pcm_crc = 0, damaged_crc = 0;
        row >> input >> mode >> vad >> frames >> std::hex >> stream_crc >> pcm_crc >> damaged_crc;
        const Bytes* pcm = nullptr;
        for (const auto& in : inputs)
            if (in.first == input) pcm = &in.second;
        if (!pcm) continue;
        vokscodec::Args args{{"mode", fam.rates.at(static_cast<size_t>(mode))}};
        if (vad) args["dtx"] = "on";
        if (vad && fam.vad_option) args["vad"] = std::to_string(vad);
        Bytes stream, out;
        ASSERT_EQ(run_codec(fam.codec, true, args, *pcm, stream), "") << line;
        ASSERT_EQ(run_codec(fam.codec, false, {}, stream, out), "") << line;
        auto layout = [&fam](const Bytes& b) { return fam.to_reference ? fam.to_reference(b) : b; };
        const Bytes ref = layout(stream);
        EXPECT_EQ(voksc_test::crc32(ref), stream_crc) << fam.codec << " " << line << ": stream";
        EXPECT_EQ(out.size(), frames * fam.frame_bytes) << fam.codec << " " << line;
        EXPECT_EQ(voksc_test::crc32(out), pcm_crc) << fam.codec << " " << line << ": decoded";
        ASSERT_EQ(run_codec(fam.codec, false, {}, layout(damaged(ref, fam.header, fam.octets)), out), "");
        EXPECT_EQ(voksc_test::crc32(out), damaged_crc) << fam.codec << " " << line << ": damaged";
        ++ran;
    }
    EXPECT_GT(ran, 0);
}

TEST(VoksCodecAmrStorage, NarrowBandAsTheReference) {
    const Family fam{"amrnb",
                     "amrnb/storage_streams.txt",
                     {"4750", "5150", "5900", "6700", "7400", "7950", "10200", "12200"},
                     320,
                     6,
                     kNbOctets,
                     true,
                     sid_mode_reversed};
    std::vector<std::pair<std::string, Bytes>> inputs{
        {"T", bytes_of(bundled_with_pauses("speech8k.wav", 8000, 160))}};
#ifdef NDEBUG  // the minute only in optimised builds: sanitizer builds are ten times slower
    const Words p = amrnb_long::prompts();
    if (p.size() >= 8000 * 600u) inputs.emplace_back("N", bytes_of(amrnb_long::noisy(p)));
    check(fam, inputs);
    VOKSC_NEED_SPEECH(p, 8000 * 600u);
#else
    check(fam, inputs);
#endif
}

TEST(VoksCodecAmrStorage, WideBandAsTheReference) {
    const Family fam{"amrwb",
                     "amrwb/storage_streams.txt",
                     {"6600", "8850", "12650", "14250", "15850", "18250", "19850", "23050", "23850"},
                     640,
                     9,
                     kWbOctets,
                     false,
                     nullptr};
    check(fam, {{"T", bytes_of(bundled_with_pauses("speech16k.wav", 16000, 320))}});
}

}  // namespace

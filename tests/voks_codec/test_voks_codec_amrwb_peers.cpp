// voks-codec's AMR-WB storage streams and the Debian peers on 10 s of the Asterisk G.722 prompts
// (decoded to 16 kHz): at every mode opencore-amrwb decodes our streams and we decode
// vo-amrwbenc's, each with a segmental SNR within 0.5 dB of the peers on their own streams.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "codec.h"
#include "codec_run.h"
#include "support/external.h"
#include "support/speech.h"

#ifdef VOKSC_HAVE_AMRWB_PEERS
extern "C" {
#include <opencore-amrwb/dec_if.h>
#include <vo-amrwbenc/enc_if.h>
}

namespace {

using Bytes = std::vector<uint8_t>;

std::string run(const char* codec, bool encode, const vokscodec::Args& args, const Bytes& in, Bytes& out) {
    return run_codec(codec, encode, args, in, out);
}

std::vector<int16_t> samples(const Bytes& b) {
    std::vector<int16_t> s(b.size() / 2);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>(b[2 * i] | (b[2 * i + 1] << 8));
    return s;
}

// vo-amrwbenc's storage stream of the samples (whole frames).
Bytes peer_encode(const std::vector<int16_t>& pcm, int mode) {
    Bytes s{'#', '!', 'A', 'M', 'R', '-', 'W', 'B', '\n'};
    void* enc = E_IF_init();
    for (size_t f = 0; f + 320 <= pcm.size(); f += 320) {
        uint8_t frame[64];
        const int n = E_IF_encode(enc, mode, &pcm[f], frame, 0);
        s.insert(s.end(), frame, frame + n);
    }
    E_IF_exit(enc);
    return s;
}

// opencore-amrwb's samples of a storage stream.
std::vector<int16_t> peer_decode(const Bytes& s) {
    static const int kBytes[16] = {18, 24, 33, 37, 41, 47, 51, 59, 61, 6, 1, 1, 1, 1, 1, 1};
    std::vector<int16_t> out;
    void* dec = D_IF_init();
    for (size_t at = 9; at < s.size(); at += static_cast<size_t>(kBytes[(s[at] >> 3) & 15])) {
        int16_t pcm[320];
        D_IF_decode(dec, &s[at], pcm, 0);
        out.insert(out.end(), pcm, pcm + 320);
    }
    D_IF_exit(dec);
    return out;
}

// Segmental SNR (dB) of y against x over 20 ms segments whose RMS is at least 100, each clamped
// to -10..35 dB, y taken `delay` samples later.
double seg_snr(const std::vector<int16_t>& x, const std::vector<int16_t>& y, size_t delay) {
    double sum = 0;
    int n = 0;
    for (size_t s = 0; s + 320 + delay <= std::min(x.size(), y.size()); s += 320) {
        double e = 0, r = 0;
        for (size_t i = s; i < s + 320; ++i) {
            const double d = static_cast<double>(x[i]) - y[i + delay];
            e += static_cast<double>(x[i]) * x[i];
            r += d * d;
        }
        if (e < 320.0 * 100 * 100) continue;
        sum += std::min(35.0, std::max(-10.0, 10 * std::log10((e + 1) / (r + 1))));
        ++n;
    }
    return n ? sum / n : -100;
}

TEST(VoksCodecAmrwbPeers, DecodeEachOthersStreams) {
    Bytes g722;
    for (const std::string& f : voksc_test::files_of(voksc_test::kAsteriskSounds, ".g722")) {
        Bytes b;
        voksc_test::read_bytes(f, b);
        g722.insert(g722.end(), b.begin(), b.end());
        if (g722.size() >= 10 * 8000) break;
    }
    if (g722.size() < 10 * 8000)
        VOKSC_MISSING() << "10 s of G.722 prompts under " << voksc_test::kAsteriskSounds;
    Bytes pcm;
    ASSERT_EQ(run("g722", false, {}, g722, pcm), "");
    pcm.resize(pcm.size() / 640 * 640);
    const std::vector<int16_t> speech = samples(pcm);
    // The codec's delay, from the peers' own round trip at 12.65 kbit/s.
    const std::vector<int16_t> ref = peer_decode(peer_encode(speech, 2));
    size_t delay = 0;
    double best = -1;
    for (size_t d = 0; d < 400; ++d) {
        double c = 0;
        for (size_t i = 0; i < 48000; ++i) c += static_cast<double>(speech[i]) * ref[i + d];
        if (c > best) best = c, delay = d;
    }
    const char* const kModes[9] = {"6600",  "8850",  "12650", "14250", "15850",
                                   "18250", "19850", "23050", "23850"};
    for (int m = 0; m < 9; ++m) {
        Bytes ours, decoded;
        ASSERT_EQ(run("amrwb", true, {{"mode", kModes[m]}}, pcm, ours), "");
        const Bytes theirs = peer_encode(speech, m);
        const double peers = seg_snr(speech, peer_decode(theirs), delay);
        ASSERT_EQ(run("amrwb", false, {}, theirs, decoded), "");
        const double ours_on_theirs = seg_snr(speech, samples(decoded), delay);
        const double theirs_on_ours = seg_snr(speech, peer_decode(ours), delay);
        EXPECT_GT(peers, 4.0) << kModes[m];
        EXPECT_NEAR(ours_on_theirs, peers, 0.5) << kModes[m] << ": we decode vo-amrwbenc's stream";
        EXPECT_NEAR(theirs_on_ours, peers, 0.5) << kModes[m] << ": opencore-amrwb decodes ours";
    }
}

}  // namespace
#else
VOKSC_PEER_ABSENT(VoksCodecAmrwbPeers,
                  "opencore-amrwb and vo-amrwbenc (libopencore-amrwb-dev, libvo-amrwbenc-dev)")
#endif

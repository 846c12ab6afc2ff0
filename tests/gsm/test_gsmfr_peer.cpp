// The example coder against libgsm (an independent GSM 06.10 implementation) on real recorded
// speech: identical 33-byte frames from the encoders and identical samples from the decoders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gsm/gsmfr_codec.h"
#include "support/external.h"

#ifdef VOKSC_HAVE_GSM
extern "C" {
#include <gsm.h>
}
#endif

namespace {

#ifdef VOKSC_HAVE_GSM

using gsmfr::kFrameSamples;
using gsmfr::kPackedBytes;
constexpr size_t kMinSamples = 60 * 8000;

// At least a minute of speech from the Asterisk prompts, in name order, whole frames only.
std::vector<int16_t> gather_speech() {
    return voksc_test::gather_speech(voksc_test::kAsteriskSounds, 2 * kMinSamples, kFrameSamples);
}

// A stream of 33-byte frames through our decoder and libgsm's: the first frame whose samples
// differ, -1 when none does.
int first_differing_decode(const std::vector<uint8_t>& stream) {
    const size_t frames = stream.size() / kPackedBytes;
    gsmfr::Decoder dec;
    gsmfr::decoder_init(&dec);
    gsm peer = gsm_create();
    std::vector<int16_t> ours(frames * kFrameSamples), theirs(ours.size());
    for (size_t f = 0; f < frames; ++f) {
        int16_t params[gsmfr::kFrameParams];
        EXPECT_TRUE(gsmfr::unpack(&stream[f * kPackedBytes], params)) << "frame " << f;
        gsmfr::decode(&dec, params, &ours[f * kFrameSamples]);
        EXPECT_EQ(
            gsm_decode(peer, const_cast<gsm_byte*>(&stream[f * kPackedBytes]), &theirs[f * kFrameSamples]), 0)
            << "frame " << f;
    }
    gsm_destroy(peer);
    return voksc_test::first_bad_frame(ours, theirs, kFrameSamples);
}

// Both encoders over whole frames of `pcm` give the same frames, which both decoders decode
// alike; returns the number of frames compared.
int compare_with_libgsm(const std::vector<int16_t>& pcm) {
    const size_t frames = pcm.size() / kFrameSamples;
    gsmfr::Encoder enc;
    gsmfr::encoder_init(&enc);
    gsm peer = gsm_create();
    std::vector<uint8_t> ours(frames * kPackedBytes), theirs(ours.size());
    std::vector<gsm_signal> in(pcm.begin(), pcm.end());
    for (size_t f = 0; f < frames; ++f) {
        int16_t params[gsmfr::kFrameParams];
        gsmfr::encode(&enc, &pcm[f * kFrameSamples], params);
        gsmfr::pack(params, &ours[f * kPackedBytes]);
        gsm_encode(peer, &in[f * kFrameSamples], &theirs[f * kPackedBytes]);
    }
    gsm_destroy(peer);
    const int diff = voksc_test::first_diff(ours, theirs);
    EXPECT_EQ(diff, -1) << "first differing frame " << diff / static_cast<int>(kPackedBytes);
    EXPECT_EQ(first_differing_decode(ours), -1) << "first differing decoded frame";
    return static_cast<int>(frames);
}

TEST(GsmfrPeer, FramesAndOutputEqualLibgsmOnRealSpeech) {
    const std::vector<int16_t> speech = gather_speech();
    VOKSC_NEED_SPEECH(speech, kMinSamples);
    const int frames = compare_with_libgsm(speech);
    std::printf("libgsm peer: %d frames (%.1f s of speech) compared\n", frames, frames * 0.02);
}

// Signals far from speech: full-scale noise, clipped square waves and steps, silence, DC and
// the speech amplified into clipping, in one continuous stream.
TEST(GsmfrPeer, FramesAndOutputEqualLibgsmOnStressSignals) {
    std::vector<int16_t> x;
    uint32_t seed = 12345;
    auto rnd = [&] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int16_t>(seed >> 16);
    };
    for (int i = 0; i < 200 * kFrameSamples; ++i) x.push_back(rnd());
    for (int i = 0; i < 100 * kFrameSamples; ++i) x.push_back((i / 37) % 2 ? 32767 : -32768);
    for (int i = 0; i < 100 * kFrameSamples; ++i) x.push_back((i / 400) % 2 ? 32767 : -32768);
    x.insert(x.end(), 50 * kFrameSamples, 0);
    x.insert(x.end(), 50 * kFrameSamples, -32768);
    x.insert(x.end(), 50 * kFrameSamples, 32767);
    for (int i = 0; i < 100 * kFrameSamples; ++i) x.push_back(static_cast<int16_t>(rnd() >> 10));
    const std::vector<int16_t> speech = gather_speech();
    for (size_t i = 0; i < speech.size() && i < 300u * kFrameSamples; ++i) {
        const int v = speech[i] * 8;
        x.push_back(static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v)));
    }
    EXPECT_GE(compare_with_libgsm(x), 650);
}

// Random 33-byte frames (every field over its whole range: lags 0..127 that the decoder must
// replace by the last valid one, every gain, grid and amplitude code) decode identically.
TEST(GsmfrPeer, RandomFramesDecodeLikeLibgsm) {
    std::vector<uint8_t> stream(3000 * kPackedBytes);
    uint32_t seed = 777;
    for (uint8_t& b : stream) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(seed >> 24);
    }
    for (size_t f = 0; f < stream.size(); f += kPackedBytes)
        stream[f] = static_cast<uint8_t>(0xD0 | (stream[f] & 0x0F));
    EXPECT_EQ(first_differing_decode(stream), -1);
}

#else

VOKSC_PEER_ABSENT(GsmfrPeer, "libgsm (libgsm1-dev)")

#endif  // VOKSC_HAVE_GSM

}  // namespace

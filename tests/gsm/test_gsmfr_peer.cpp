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

constexpr size_t kMinSamples = 60 * 8000;

// At least a minute of speech from the Asterisk prompts, in name order, whole frames only.
std::vector<int16_t> gather_speech() {
    return voksc_test::gather_speech(voksc_test::kAsteriskSounds, 2 * kMinSamples, gsmfr::kFrameSamples);
}

// Runs both coders over whole frames of `speech`; returns the number of frames compared.
int compare_with_libgsm(const std::vector<int16_t>& speech) {
    const int frames = static_cast<int>(speech.size() / gsmfr::kFrameSamples);
    gsmfr::Encoder enc;
    gsmfr::encoder_init(&enc);
    gsmfr::Decoder dec;
    gsmfr::decoder_init(&dec);
    gsm peer_enc = gsm_create();
    gsm peer_dec = gsm_create();
    if (peer_enc == nullptr || peer_dec == nullptr) {
        ADD_FAILURE() << "gsm_create failed";
        return 0;
    }
    int bad_frames = 0;
    int bad_outputs = 0;
    for (int f = 0; f < frames; ++f) {
        const int16_t* pcm = &speech[f * gsmfr::kFrameSamples];
        int16_t params[gsmfr::kFrameParams];
        uint8_t ours[gsmfr::kPackedBytes];
        gsm_frame theirs;
        gsmfr::encode(&enc, pcm, params);
        gsmfr::pack(params, ours);
        std::vector<gsm_signal> in(pcm, pcm + gsmfr::kFrameSamples);
        gsm_encode(peer_enc, in.data(), theirs);
        if (std::memcmp(ours, theirs, sizeof(ours)) != 0 && bad_frames++ == 0) {
            ADD_FAILURE() << "first differing frame " << f;
        }
        int16_t out_ours[gsmfr::kFrameSamples];
        gsm_signal out_theirs[gsmfr::kFrameSamples];
        gsmfr::decode(&dec, params, out_ours);
        if (gsm_decode(peer_dec, ours, out_theirs) != 0) {
            ADD_FAILURE() << "libgsm rejected frame " << f;
            break;
        }
        if (std::memcmp(out_ours, out_theirs, sizeof(out_ours)) != 0 && bad_outputs++ == 0) {
            ADD_FAILURE() << "first differing decoded frame " << f;
        }
    }
    gsm_destroy(peer_enc);
    gsm_destroy(peer_dec);
    EXPECT_EQ(bad_frames, 0) << "of " << frames << " frames";
    EXPECT_EQ(bad_outputs, 0) << "of " << frames << " frames";
    return frames;
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
    for (int i = 0; i < 200 * gsmfr::kFrameSamples; ++i) x.push_back(rnd());
    for (int i = 0; i < 100 * gsmfr::kFrameSamples; ++i) x.push_back((i / 37) % 2 ? 32767 : -32768);
    for (int i = 0; i < 100 * gsmfr::kFrameSamples; ++i) x.push_back((i / 400) % 2 ? 32767 : -32768);
    x.insert(x.end(), 50 * gsmfr::kFrameSamples, 0);
    x.insert(x.end(), 50 * gsmfr::kFrameSamples, -32768);
    x.insert(x.end(), 50 * gsmfr::kFrameSamples, 32767);
    for (int i = 0; i < 100 * gsmfr::kFrameSamples; ++i) x.push_back(static_cast<int16_t>(rnd() >> 10));
    const std::vector<int16_t> speech = gather_speech();
    for (size_t i = 0; i < speech.size() && i < 300u * gsmfr::kFrameSamples; ++i) {
        const int v = speech[i] * 8;
        x.push_back(static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v)));
    }
    EXPECT_GE(compare_with_libgsm(x), 650);
}

// Random 33-byte frames (every field over its whole range: lags 0..127 that the decoder must
// replace by the last valid one, every gain, grid and amplitude code) decode identically.
TEST(GsmfrPeer, RandomFramesDecodeLikeLibgsm) {
    gsmfr::Decoder dec;
    gsmfr::decoder_init(&dec);
    gsm peer = gsm_create();
    ASSERT_NE(peer, nullptr);
    uint32_t seed = 777;
    int bad = 0;
    constexpr int kFrames = 3000;
    for (int f = 0; f < kFrames; ++f) {
        uint8_t frame[gsmfr::kPackedBytes];
        for (uint8_t& b : frame) {
            seed = seed * 1664525u + 1013904223u;
            b = static_cast<uint8_t>(seed >> 24);
        }
        frame[0] = static_cast<uint8_t>(0xD0 | (frame[0] & 0x0F));
        int16_t params[gsmfr::kFrameParams];
        ASSERT_TRUE(gsmfr::unpack(frame, params));
        int16_t ours[gsmfr::kFrameSamples];
        gsm_signal theirs[gsmfr::kFrameSamples];
        gsmfr::decode(&dec, params, ours);
        ASSERT_EQ(gsm_decode(peer, frame, theirs), 0);
        if (std::memcmp(ours, theirs, sizeof(ours)) != 0 && bad++ == 0)
            ADD_FAILURE() << "first differing frame " << f;
    }
    gsm_destroy(peer);
    EXPECT_EQ(bad, 0) << "of " << kFrames << " frames";
}

#else

VOKSC_PEER_ABSENT(GsmfrPeer, "libgsm (libgsm1-dev)")

#endif  // VOKSC_HAVE_GSM

}  // namespace

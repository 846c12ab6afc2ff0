// Interoperability with bcg729 (an independent G.729 Annex A codec, not bit-exact with the ITU
// reference) on real recorded speech: our stream decoded by bcg729 and bcg729's stream decoded by
// us must reach a segmental SNR within 1 dB of bcg729's own round trip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "g729/g729_codec.h"
#include "support/external.h"

#ifdef VOKSC_HAVE_BCG729
extern "C" {
#include <bcg729/decoder.h>
#include <bcg729/encoder.h>
}
#endif

namespace {

#ifdef VOKSC_HAVE_BCG729

constexpr size_t kMinSamples = 60 * 8000;

// Somewhat more than a minute of the Asterisk prompts, in name order, whole frames only.
std::vector<int16_t> gather_speech() {
    return voksc_test::gather_speech(voksc_test::kAsteriskSounds, kMinSamples + kMinSamples / 4,
                                     g729::kFrameSamples);
}

// Segmental SNR in dB over 80-sample segments of the reference that carry speech (mean square
// above 1e4, i.e. about -30 dB below full scale); each segment's SNR is limited to -10..35 dB.
// The decoded signal is compared `delay` samples later.
double segmental_snr(const std::vector<int16_t>& ref, const std::vector<int16_t>& dec, int delay) {
    double sum = 0;
    int count = 0;
    for (size_t s = 0;
         s + g729::kFrameSamples + delay <= ref.size() && s + g729::kFrameSamples + delay <= dec.size();
         s += g729::kFrameSamples) {
        double sig = 0;
        double err = 0;
        for (int i = 0; i < g729::kFrameSamples; ++i) {
            const double x = ref[s + i];
            const double e = x - dec[s + i + delay];
            sig += x * x;
            err += e * e;
        }
        if (sig < 1e4 * g729::kFrameSamples) continue;
        double snr = 10 * std::log10(sig / std::max(err, 1.0));
        snr = std::min(35.0, std::max(-10.0, snr));
        sum += snr;
        ++count;
    }
    return count > 0 ? sum / count : -100;
}

// The delay (0..160 samples) that maximises the segmental SNR of a decoded signal.
int best_delay(const std::vector<int16_t>& ref, const std::vector<int16_t>& dec) {
    int best = 0;
    double best_snr = -1e9;
    for (int d = 0; d <= 160; ++d) {
        const double snr = segmental_snr(ref, dec, d);
        if (snr > best_snr) {
            best_snr = snr;
            best = d;
        }
    }
    return best;
}

std::vector<uint8_t> encode_ours(const std::vector<int16_t>& pcm, g729::Variant variant) {
    g729::Encoder enc;
    g729::encoder_init(&enc, variant);
    std::vector<uint8_t> stream(pcm.size() / g729::kFrameSamples * g729::kPackedBytes);
    int16_t params[g729::kFrameParams];
    for (size_t f = 0; f < pcm.size() / g729::kFrameSamples; ++f) {
        g729::encode(&enc, &pcm[f * g729::kFrameSamples], params);
        g729::pack(params, &stream[f * g729::kPackedBytes]);
    }
    return stream;
}

std::vector<int16_t> decode_ours(const std::vector<uint8_t>& stream, g729::Variant variant) {
    g729::Decoder dec;
    g729::decoder_init(&dec, variant);
    const size_t frames = stream.size() / g729::kPackedBytes;
    std::vector<int16_t> out(frames * g729::kFrameSamples);
    int16_t params[g729::kFrameParams];
    for (size_t f = 0; f < frames; ++f) {
        g729::unpack(&stream[f * g729::kPackedBytes], params);
        g729::decode(&dec, params, false, &out[f * g729::kFrameSamples]);
    }
    return out;
}

std::vector<uint8_t> encode_bcg(const std::vector<int16_t>& pcm) {
    bcg729EncoderChannelContextStruct* enc = initBcg729EncoderChannel(0);
    std::vector<uint8_t> stream;
    for (size_t f = 0; f < pcm.size() / g729::kFrameSamples; ++f) {
        uint8_t frame[g729::kPackedBytes] = {};
        uint8_t len = 0;
        bcg729Encoder(enc, &pcm[f * g729::kFrameSamples], frame, &len);
        EXPECT_EQ(len, g729::kPackedBytes) << "frame " << f;
        stream.insert(stream.end(), frame, frame + g729::kPackedBytes);
    }
    closeBcg729EncoderChannel(enc);
    return stream;
}

std::vector<int16_t> decode_bcg(const std::vector<uint8_t>& stream) {
    bcg729DecoderChannelContextStruct* dec = initBcg729DecoderChannel();
    const size_t frames = stream.size() / g729::kPackedBytes;
    std::vector<int16_t> out(frames * g729::kFrameSamples);
    for (size_t f = 0; f < frames; ++f) {
        bcg729Decoder(dec, &stream[f * g729::kPackedBytes], g729::kPackedBytes, 0, 0, 0,
                      &out[f * g729::kFrameSamples]);
    }
    closeBcg729DecoderChannel(dec);
    return out;
}

TEST(G729Peer, Bcg729InteroperatesOnRealSpeech) {
    const std::vector<int16_t> speech = gather_speech();
    VOKSC_NEED_SPEECH(speech, kMinSamples);
    const std::vector<uint8_t> bcg_stream = encode_bcg(speech);
    const std::vector<uint8_t> our_stream = encode_ours(speech, g729::Variant::AnnexA);
    const std::vector<uint8_t> main_stream = encode_ours(speech, g729::Variant::Main);
    const std::vector<int16_t> bcg_bcg = decode_bcg(bcg_stream);
    const int delay = best_delay(speech, bcg_bcg);
    const double ref = segmental_snr(speech, bcg_bcg, delay);
    // The measure discriminates: bcg729's own round trip is clearly positive and drops by several dB
    // when compared half a frame off its alignment. The interoperating pairs stay near it.
    const double misaligned = segmental_snr(speech, bcg_bcg, delay + 40);
    std::printf(
        "bcg729 peer: %.1f s of speech, delay %d samples, segmental SNR (dB): bcg729->bcg729 %.2f, "
        "misaligned by 40 samples %.2f\n",
        speech.size() / 8000.0, delay, ref, misaligned);
    RecordProperty("snr_bcg_bcg", std::to_string(ref));
    EXPECT_GT(ref, 2.0);
    EXPECT_LT(misaligned, ref - 2.0);
    const struct {
        const char* name;
        std::vector<int16_t> decoded;
    } pairs[] = {
        {"voksc G.729A->bcg729", decode_bcg(our_stream)},
        {"bcg729->voksc G.729A", decode_ours(bcg_stream, g729::Variant::AnnexA)},
        {"voksc G.729A->voksc", decode_ours(our_stream, g729::Variant::AnnexA)},
        {"voksc G.729->voksc", decode_ours(main_stream, g729::Variant::Main)},
        {"voksc G.729->bcg729", decode_bcg(main_stream)},
    };
    for (const auto& p : pairs) {
        const double snr = segmental_snr(speech, p.decoded, delay);
        std::printf("bcg729 peer: %s %.2f dB\n", p.name, snr);
        EXPECT_GE(snr, ref - 1.0) << p.name;
    }
}

#else

VOKSC_PEER_ABSENT(G729Peer, "bcg729 (libbcg729-dev)")

#endif  // VOKSC_HAVE_BCG729

}  // namespace

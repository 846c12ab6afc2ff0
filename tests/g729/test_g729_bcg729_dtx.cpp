// Interoperation with bcg729 (an independent G.729 Annex A + B codec) with discontinuous
// transmission on both sides, for our G.729A and G.729 coders, on 10 minutes of recorded prompts
// separated by pauses, under seeded background noise 40 dB below 32768 (white for the first half,
// pink above 200 Hz for the second). Each side decodes the other's speech, SID and untransmitted
// frames, and the comfort noise in the pauses stays within 3 dB of the input's noise there (the
// prompts' level within 3 dB too).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "g729/g729_cng.h"
#include "g729/g729_codec.h"
#include "g729/g729_dtx.h"
#include "support/external.h"

#ifdef VOKSC_HAVE_BCG729
extern "C" {
#include <bcg729/decoder.h>
#include <bcg729/encoder.h>
}
#endif

namespace {

#ifdef VOKSC_HAVE_BCG729

constexpr size_t kTotal = 600 * 8000;
constexpr int kN = g729::kFrameSamples;
constexpr double kNoiseRms = 327.68;  // 40 dB below 32768
constexpr int kSkipFrames = 30;       // start of a pause left out of the level (VAD hang-over)

// What each frame is measured as: pause under white noise, under pink noise, prompt, or neither
// (the start and last frame of a pause, a pause across the change of noise).
enum Part { kWhite, kPink, kPrompt, kNone };

struct Signal {
    std::vector<int16_t> pcm;
    std::vector<Part> part;  // per frame
};

uint32_t lcg(uint32_t& s) {
    return s = s * 1664525u + 1013904223u;
}

// The prompts in name order (each cut to whole frames), each followed by a pause of 1.5 to 3.5 s,
// until 10 minutes; then the noise added: uniform white over the first half, Kellet's three-pole
// pink filter on it over the second, each scaled to kNoiseRms. The pink noise is high-passed to
// the telephone band (second-order Butterworth at 200 Hz, the audio EQ cookbook's biquad), so its
// lowest octaves, which every G.729 encoder removes, do not count in the level.
Signal build_signal() {
    Signal s;
    uint32_t seed = 729;
    for (const std::string& f : voksc_test::files_of(voksc_test::kAsteriskSounds, ".wav")) {
        std::vector<int16_t> prompt = voksc_test::read_wav(f, 8000);
        const size_t frames = prompt.size() / kN, pause = 150 + lcg(seed) % 201;
        if (frames == 0 || s.pcm.size() + (frames + pause) * kN > kTotal) continue;
        s.pcm.insert(s.pcm.end(), prompt.begin(), prompt.begin() + frames * kN);
        s.pcm.resize(s.pcm.size() + pause * kN, 0);
        s.part.resize(s.part.size() + frames, kPrompt);
        s.part.resize(s.part.size() + kSkipFrames, kNone);
        s.part.resize(s.part.size() + pause - kSkipFrames - 1, kWhite);
        s.part.push_back(kNone);
    }
    const size_t half = s.part.size() / 2;
    for (size_t f = half; f < s.part.size(); ++f) s.part[f] = s.part[f] == kWhite ? kPink : s.part[f];
    for (size_t f = half; f < s.part.size() && s.part[f] == kPink; ++f) s.part[f] = kNone;
    const double w0 = 2 * M_PI * 200 / 8000, alpha = std::sin(w0) / std::sqrt(2.0), cw = std::cos(w0);
    const double a0 = 1 + alpha, hb0 = (1 + cw) / 2 / a0, hb1 = -(1 + cw) / a0, ha1 = -2 * cw / a0,
                 ha2 = (1 - alpha) / a0;
    double b0 = 0, b1 = 0, b2 = 0, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    std::vector<double> noise(s.pcm.size());
    for (size_t i = 0; i < noise.size(); ++i) {
        const double w = static_cast<int32_t>(lcg(seed)) / 2147483648.0;
        b0 = 0.99765 * b0 + w * 0.0990460;
        b1 = 0.96300 * b1 + w * 0.2965164;
        b2 = 0.57000 * b2 + w * 1.0526913;
        const double x = b0 + b1 + b2 + w * 0.1848;
        const double y = hb0 * x + hb1 * x1 + hb0 * x2 - ha1 * y1 - ha2 * y2;
        x2 = x1, x1 = x, y2 = y1, y1 = y;
        noise[i] = i < half * kN ? w : y;
    }
    for (size_t lo : {size_t{0}, half * kN}) {
        const size_t hi = lo ? noise.size() : half * kN;
        double ms = 0;
        for (size_t i = lo; i < hi; ++i) ms += noise[i] * noise[i];
        const double gain = kNoiseRms / std::sqrt(ms / static_cast<double>(hi - lo));
        for (size_t i = lo; i < hi; ++i)
            s.pcm[i] = static_cast<int16_t>(
                std::lround(std::fmax(-32768.0, std::fmin(32767.0, s.pcm[i] + gain * noise[i]))));
    }
    return s;
}

// Frames as bcg729 exchanges them: 10 bytes speech, 2 bytes SID, none untransmitted.
using Stream = std::vector<std::vector<uint8_t>>;

// The SID frame's 15 bits (1, 5, 4, 5) most significant first, then a zero bit.
std::vector<uint8_t> pack_sid(const int16_t* p) {
    const int v = (p[0] << 15) | (p[1] << 10) | (p[2] << 6) | (p[3] << 1);
    return {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}

Stream encode_ours(const std::vector<int16_t>& pcm, g729::Variant variant) {
    auto enc = std::make_unique<g729::DtxEncoder>();
    g729::dtx_encoder_init(enc.get(), variant, true);
    Stream out;
    for (size_t f = 0; f < pcm.size() / g729::kFrameSamples; ++f) {
        int16_t params[g729::kFrameParams];
        bool ok = true;
        const g729::FrameType type = g729::encode_dtx(enc.get(), &pcm[f * g729::kFrameSamples], params, &ok);
        EXPECT_TRUE(ok) << "frame " << f;
        std::vector<uint8_t> frame;
        if (type == g729::kSpeech) {
            frame.resize(g729::kPackedBytes);
            g729::pack(params, frame.data());
        } else if (type == g729::kSid) {
            frame = pack_sid(params);
        }
        out.push_back(frame);
    }
    return out;
}

Stream encode_bcg(const std::vector<int16_t>& pcm) {
    bcg729EncoderChannelContextStruct* enc = initBcg729EncoderChannel(1);
    Stream out;
    for (size_t f = 0; f < pcm.size() / g729::kFrameSamples; ++f) {
        uint8_t frame[g729::kPackedBytes] = {};
        uint8_t len = 0;
        bcg729Encoder(enc, &pcm[f * g729::kFrameSamples], frame, &len);
        EXPECT_TRUE(len == 10 || len == 2 || len == 0) << "frame " << f << " length " << int(len);
        out.emplace_back(frame, frame + len);
    }
    closeBcg729EncoderChannel(enc);
    return out;
}

std::vector<int16_t> decode_ours(const Stream& s, g729::Variant variant) {
    auto dec = std::make_unique<g729::DtxDecoder>();
    g729::dtx_decoder_init(dec.get(), variant);
    std::vector<int16_t> out(s.size() * g729::kFrameSamples);
    for (size_t f = 0; f < s.size(); ++f) {
        int16_t params[g729::kFrameParams] = {};
        g729::FrameType type = g729::kUntransmitted;
        if (s[f].size() == g729::kPackedBytes) {
            type = g729::kSpeech;
            g729::unpack(s[f].data(), params);
        } else if (s[f].size() == 2) {
            type = g729::kSid;
            const int v = (s[f][0] << 8) | s[f][1];
            const int16_t sid[g729::kSidParams] = {int16_t(v >> 15), int16_t((v >> 10) & 31),
                                                   int16_t((v >> 6) & 15), int16_t((v >> 1) & 31)};
            std::copy(sid, sid + g729::kSidParams, params);
        }
        EXPECT_TRUE(g729::decode_dtx(dec.get(), type, params, false, &out[f * g729::kFrameSamples]))
            << "frame " << f;
    }
    return out;
}

std::vector<int16_t> decode_bcg(const Stream& s) {
    bcg729DecoderChannelContextStruct* dec = initBcg729DecoderChannel();
    std::vector<int16_t> out(s.size() * g729::kFrameSamples);
    for (size_t f = 0; f < s.size(); ++f) {
        const auto& b = s[f];
        // An untransmitted frame goes to bcg729 as a missing one; after a SID it continues the
        // comfort noise.
        bcg729Decoder(dec, b.empty() ? nullptr : b.data(), static_cast<uint8_t>(b.size()), b.empty(),
                      b.size() == 2, 0, &out[f * g729::kFrameSamples]);
    }
    closeBcg729DecoderChannel(dec);
    return out;
}

// Mean square in dB of each part of the signal (kWhite, kPink, kPrompt).
std::array<double, 3> levels_db(const std::vector<int16_t>& x, const Signal& s) {
    double sum[4] = {}, n[4] = {};
    for (size_t f = 0; f < s.part.size(); ++f) {
        for (int i = 0; i < kN; ++i) sum[s.part[f]] += double(x[f * kN + i]) * x[f * kN + i];
        n[s.part[f]] += kN;
    }
    std::array<double, 3> db;
    for (int p = 0; p < 3; ++p) db[p] = 10 * std::log10(sum[p] / n[p]);
    return db;
}

TEST(G729Peer, Bcg729DtxInteroperatesWithPausesAndNoise) {
    const Signal sig = build_signal();
    VOKSC_NEED_SPEECH(sig.pcm, kTotal * 9 / 10);
    constexpr g729::Variant kA = g729::Variant::AnnexA, kMain = g729::Variant::Main;
    const Stream ours = encode_ours(sig.pcm, kA), main = encode_ours(sig.pcm, kMain),
                 bcg = encode_bcg(sig.pcm);
    const std::array<double, 3> in = levels_db(sig.pcm, sig);
    std::printf("bcg729 DTX: %.1f s; input levels (dB): white noise %.2f, pink noise %.2f, prompts %.2f\n",
                sig.pcm.size() / 8000.0, in[kWhite], in[kPink], in[kPrompt]);
    for (const auto& [name, st] : {std::make_pair("voksc G.729A", &ours),
                                   std::make_pair("voksc G.729", &main), std::make_pair("bcg729", &bcg)}) {
        int count[11] = {};  // by frame size
        for (const auto& f : *st) ++count[f.size()];
        std::printf("bcg729 DTX: %s encoder: %d speech, %d SID, %d untransmitted frames\n", name, count[10],
                    count[2], count[0]);
        EXPECT_GT(count[2], 100) << name;
        EXPECT_GT(count[0], count[2]) << name;
        EXPECT_GT(count[10], count[0] / 4) << name;
    }
    const struct {
        const char* name;
        std::vector<int16_t> out;
    } rows[] = {
        {"voksc G.729A -> bcg729", decode_bcg(ours)},     {"bcg729 -> voksc G.729A", decode_ours(bcg, kA)},
        {"voksc G.729 -> bcg729", decode_bcg(main)},      {"bcg729 -> voksc G.729", decode_ours(bcg, kMain)},
        {"voksc G.729A -> voksc", decode_ours(ours, kA)}, {"bcg729 -> bcg729", decode_bcg(bcg)},
    };
    for (const auto& r : rows) {
        const std::array<double, 3> out = levels_db(r.out, sig);
        std::printf(
            "bcg729 DTX: %-24s comfort noise %.2f dB (white, %+.2f), %.2f dB (pink, %+.2f); prompts %+.2f "
            "dB\n",
            r.name, out[kWhite], out[kWhite] - in[kWhite], out[kPink], out[kPink] - in[kPink],
            out[kPrompt] - in[kPrompt]);
        for (int p : {kWhite, kPink, kPrompt}) EXPECT_NEAR(out[p], in[p], 3.0) << r.name << ", part " << p;
    }
}

#else

VOKSC_PEER_ABSENT(G729PeerDtx, "bcg729 (libbcg729-dev)")

#endif  // VOKSC_HAVE_BCG729

}  // namespace

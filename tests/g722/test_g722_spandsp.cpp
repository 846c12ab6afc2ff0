// Peer check against spandsp's independent G.722 coder: real speech decoded and re-encoded
// identically at all three rates, and the documented places where spandsp departs from the
// G.722 reference arithmetic (the reference is followed, proven with its golden data).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "g722/g722_codec.h"
#include "g722/g722_util.h"

#ifdef VOKSC_HAVE_SPANDSP
extern "C" {
#include <spandsp/telephony.h>
// g722.h needs the declaration macros of telephony.h, included above.
#include <spandsp/g722.h>
}
#endif

using namespace g722test;

namespace {

#ifdef VOKSC_HAVE_SPANDSP

const char* kSounds = "/usr/share/asterisk/sounds/en";

std::vector<int16_t> spandsp_decode(const std::vector<uint8_t>& data, int rate, int options = 0) {
    g722_decode_state_t* s = g722_decode_init(nullptr, rate, options);
    std::vector<int16_t> out(data.size() * 8 / 6 * 2 + 16);
    const int n = g722_decode(s, out.data(), data.data(), static_cast<int>(data.size()));
    g722_decode_free(s);
    out.resize(static_cast<size_t>(n));
    return out;
}

std::vector<uint8_t> spandsp_encode(const std::vector<int16_t>& pcm, int rate, int options = 0) {
    g722_encode_state_t* s = g722_encode_init(nullptr, rate, options);
    std::vector<uint8_t> out(pcm.size() / 2 + 16);
    const int n = g722_encode(s, out.data(), pcm.data(), static_cast<int>(pcm.size()));
    g722_encode_free(s);
    out.resize(static_cast<size_t>(n));
    return out;
}

// The asterisk G.722 prompts in name order, at least `seconds` of them.
std::vector<std::vector<uint8_t>> speech(double seconds) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(kSounds, ec))
        if (e.path().extension() == ".g722") names.push_back(e.path().string());
    std::sort(names.begin(), names.end());
    std::vector<std::vector<uint8_t>> files;
    size_t total = 0;
    for (const auto& n : names) {
        std::vector<uint8_t> d;
        if (!read_bytes(n, d) || d.size() < 2) continue;
        total += d.size();
        files.push_back(std::move(d));
        if (total >= seconds * 8000) break;
    }
    if (total < seconds * 8000) files.clear();
    return files;
}

TEST(G722Spandsp, SpeechDecodesAndReencodesIdentically) {
    const auto files = speech(75.0);
    if (files.empty()) GTEST_SKIP() << "asterisk-core-sounds-en-g722 not installed (" << kSounds << ")";
    size_t octets = 0;
    for (const auto& f : files) {
        octets += f.size();
        // 64 kbit/s: decode, then re-encode the decoded speech.
        const std::vector<int16_t> ours = decode_octets(f, 1);
        ASSERT_EQ(first_diff16(ours, spandsp_decode(f, 64000)), -1);
        const std::vector<uint8_t> codes = encode_pcm(ours);
        ASSERT_EQ(first_diff8(codes, spandsp_encode(ours, 64000)), -1);
        ASSERT_EQ(first_diff16(decode_octets(codes, 1), spandsp_decode(codes, 64000)), -1);
        // 56 and 48 kbit/s: spandsp takes right-aligned 7- and 6-bit codes.
        for (int bits : {7, 6}) {
            std::vector<uint8_t> narrow(f.size());
            for (size_t i = 0; i < f.size(); ++i) narrow[i] = static_cast<uint8_t>(f[i] >> (8 - bits));
            const int rate = bits * 8000;
            ASSERT_EQ(first_diff16(decode_octets(f, bits == 7 ? 2 : 3), spandsp_decode(narrow, rate)), -1)
                << rate;
        }
    }
    EXPECT_GE(octets, 60u * 8000u);
}

TEST(G722Spandsp, PackedStreamsMatchTheExampleCoder) {
    const auto files = speech(10.0);
    if (files.empty()) GTEST_SKIP() << "asterisk-core-sounds-en-g722 not installed (" << kSounds << ")";
    for (int rate : {56000, 48000}) {
        const int bits = rate / 8000;
        for (const auto& f : files) {
            std::vector<int16_t> pcm = decode_octets(f, 1);
            pcm.resize(pcm.size() / 16 * 16);  // whole bytes of packed codes
            g722ex::Encoder enc(rate);
            std::vector<uint8_t> oct(pcm.size() / 2);
            ASSERT_EQ(enc.encode(pcm.data(), static_cast<int>(pcm.size()), oct.data()),
                      static_cast<int>(oct.size()));
            const std::vector<uint8_t> packed = g722ex::pack(oct.data(), oct.size(), bits);
            const std::vector<uint8_t> peer = spandsp_encode(pcm, rate, G722_PACKED);
            ASSERT_EQ(packed.size(), peer.size()) << rate << " " << pcm.size();
            ASSERT_EQ(first_diff8(packed, peer), -1) << rate;
            // And spandsp's packed decoder hears the same as the example decoder.
            g722ex::Decoder dec(rate);
            const std::vector<uint8_t> back = g722ex::unpack(packed.data(), packed.size(), bits);
            ASSERT_EQ(back.size(), oct.size());
            std::vector<int16_t> out(2 * back.size());
            ASSERT_EQ(dec.decode(back.data(), static_cast<int>(back.size()), out.data()),
                      static_cast<int>(out.size()));
            // spandsp's packed decoder stops when its input bytes run out and keeps the last
            // code (whose bits are already buffered) for its next call: compare up to there.
            std::vector<int16_t> heard = spandsp_decode(packed, rate, G722_PACKED);
            ASSERT_LE(heard.size(), out.size());
            ASSERT_GE(heard.size() + 2, out.size());
            out.resize(heard.size());
            ASSERT_EQ(first_diff16(out, heard), -1) << rate;
        }
    }
}

// spandsp writes the receive QMF output with a 16-bit cast; the reference saturates. On
// random codes the decoded signal overshoots full scale: there spandsp's sample wraps to the
// opposite sign while ours (and the reference's) sits at 32767 or -32768.
TEST(G722Spandsp, ReceiveQmfSaturatesWhereSpandspWraps) {
    std::vector<uint8_t> codes = stress_octets();
    codes.resize(4000);  // seeded random and constant segments
    std::vector<int16_t> ref = golden::File("g722/ref_dec1.pcm").words();
    ASSERT_FALSE(ref.empty());
    ref.resize(8000);
    const std::vector<int16_t> ours = decode_octets(codes, 1);
    const std::vector<int16_t> peer = spandsp_decode(codes, 64000);
    ASSERT_EQ(first_diff16(ours, ref), -1);
    int differ = 0, flipped = 0;
    for (size_t i = 0; i < ours.size(); ++i) {
        if (ours[i] == peer[i]) continue;
        ++differ;
        // Only saturated samples differ (the exact value can exceed 2^16 in magnitude, so a
        // wrap does not always flip the sign).
        ASSERT_TRUE(ours[i] == 32767 || ours[i] == -32768) << "sample " << i;
        if ((ours[i] < 0) != (peer[i] < 0)) ++flipped;
    }
    EXPECT_GT(differ, 100);
    EXPECT_GT(flipped, differ / 2);
}

// spandsp sums the six zero-predictor terms (FILTEZ) in 32 bits and saturates once; the
// reference saturates after each term. Codes alternating between the largest positive and
// negative lower-band levels drive the partial sums past 16 bits, and the lower-band states
// part: spandsp's output then differs also at samples far from full scale.
TEST(G722Spandsp, ZeroPredictorSaturatesPerTerm) {
    const std::vector<uint8_t> all = stress_octets();
    std::vector<int16_t> ref = golden::File("g722/ref_dec1.pcm").words();
    ASSERT_FALSE(ref.empty());
    const std::vector<int16_t> ours = decode_octets(all, 1);
    const std::vector<int16_t> peer = spandsp_decode(all, 64000);
    ASSERT_EQ(first_diff16(ours, ref), -1);
    int unsaturated = 0, first = -1;
    for (size_t i = 0; i < ours.size(); ++i) {
        if (ours[i] == peer[i] || ours[i] == 32767 || ours[i] == -32768) continue;
        if (first < 0) first = static_cast<int>(i);
        ++unsaturated;
    }
    EXPECT_GT(unsaturated, 20);
    EXPECT_GE(first, 8000);  // only in the alternating segment (pairs 4000..4999) and after
}

// spandsp's transmit QMF does not limit the sub-band signals to [-16384, 16383] as the
// reference does: full-scale input gives other codes from spandsp, the reference's from us.
TEST(G722Spandsp, TransmitQmfLimitsWhereSpandspDoesNot) {
    const std::vector<int16_t> pcm = stress_pcm();
    const std::vector<uint8_t> ref = golden::bytes("g722/ref_enc.cod");
    ASSERT_FALSE(ref.empty());
    const std::vector<uint8_t> ours = encode_pcm(pcm);
    const std::vector<uint8_t> peer = spandsp_encode(pcm, 64000);
    ASSERT_EQ(first_diff8(ours, ref), -1);
    EXPECT_GE(first_diff8(peer, ref), 0);
    // Quiet input (the small-noise and silent segments from a fresh start) codes identically.
    std::vector<int16_t> quiet(pcm.begin() + 6000, pcm.begin() + 10000);
    EXPECT_EQ(first_diff8(encode_pcm(quiet), spandsp_encode(quiet, 64000)), -1);
}

#else

TEST(G722Spandsp, Skipped) {
    GTEST_SKIP() << "spandsp (libspandsp-dev) not found at configure time";
}

#endif

}  // namespace

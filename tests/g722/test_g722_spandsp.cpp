// Peer check against spandsp's independent G.722 coder: real speech decoded and re-encoded
// identically at all three rates, and the documented places where spandsp departs from the
// G.722 reference arithmetic (the reference is followed, proven with its golden data).
#include <gtest/gtest.h>

#include "g722/g722_codec.h"
#include "g722/g722_util.h"
#include "support/external.h"

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

const std::string kData = std::string(VOKSC_TEST_DATA_DIR) + "/g722/";

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
    std::vector<std::vector<uint8_t>> files;
    size_t total = 0;
    for (const auto& n : voksc_test::files_of(voksc_test::kAsteriskSounds, ".g722")) {
        std::vector<uint8_t> d;
        if (!read_bytes(n, d) || d.size() < 2) continue;
        total += d.size();
        files.push_back(std::move(d));
        if (total >= seconds * 8000) break;
    }
    if (total < seconds * 8000) files.clear();
    return files;
}

// Every prompt decoded and re-encoded at 64 kbit/s and decoded at 56 and 48 kbit/s as spandsp
// does; the first ten seconds also through the example coder's packed 7- and 6-bit streams,
// against spandsp's packed coder.
TEST(G722Spandsp, SpeechDecodesAndReencodesIdentically) {
    const auto files = speech(75.0);
    if (files.empty())
        VOKSC_MISSING() << "G.722 prompts under " << voksc_test::kAsteriskSounds
                        << " (install asterisk-core-sounds-en-g722)";
    size_t octets = 0;
    for (const auto& f : files) {
        // 64 kbit/s: decode, then re-encode the decoded speech.
        std::vector<int16_t> ours = decode_octets(f, 1);
        ASSERT_EQ(first_diff(ours, spandsp_decode(f, 64000)), -1);
        const std::vector<uint8_t> codes = encode_pcm(ours);
        ASSERT_EQ(first_diff(codes, spandsp_encode(ours, 64000)), -1);
        ASSERT_EQ(first_diff(decode_octets(codes, 1), spandsp_decode(codes, 64000)), -1);
        const bool packed = octets < 10 * 8000;
        octets += f.size();
        ours.resize(ours.size() / 16 * 16);  // whole bytes of packed codes
        for (int bits : {7, 6}) {
            const int rate = bits * 8000;
            // spandsp takes right-aligned 7- and 6-bit codes.
            std::vector<uint8_t> narrow(f.size());
            for (size_t i = 0; i < f.size(); ++i) narrow[i] = static_cast<uint8_t>(f[i] >> (8 - bits));
            ASSERT_EQ(first_diff(decode_octets(f, bits == 7 ? 2 : 3), spandsp_decode(narrow, rate)), -1)
                << rate;
            if (!packed) continue;
            g722ex::Encoder enc(rate);
            std::vector<uint8_t> oct(ours.size() / 2);
            ASSERT_EQ(enc.encode(ours.data(), static_cast<int>(ours.size()), oct.data()),
                      static_cast<int>(oct.size()));
            const std::vector<uint8_t> stream = g722ex::pack(oct.data(), oct.size(), bits);
            ASSERT_EQ(first_diff(stream, spandsp_encode(ours, rate, G722_PACKED)), -1) << rate;
            // And spandsp's packed decoder hears the same as the example decoder.
            g722ex::Decoder dec(rate);
            const std::vector<uint8_t> back = g722ex::unpack(stream.data(), stream.size(), bits);
            ASSERT_EQ(back.size(), oct.size());
            std::vector<int16_t> out(2 * back.size());
            ASSERT_EQ(dec.decode(back.data(), static_cast<int>(back.size()), out.data()),
                      static_cast<int>(out.size()));
            // spandsp's packed decoder stops when its input bytes run out and keeps the last
            // code (whose bits are already buffered) for its next call: compare up to there.
            const std::vector<int16_t> heard = spandsp_decode(stream, rate, G722_PACKED);
            ASSERT_LE(heard.size(), out.size());
            ASSERT_GE(heard.size() + 2, out.size());
            out.resize(heard.size());
            ASSERT_EQ(first_diff(out, heard), -1) << rate;
        }
    }
    EXPECT_GE(octets, 60u * 8000u);
}

// Our decoder (equal to the reference's output, tests/data/g722) and spandsp's on the stress codes.
class G722SpandspStress : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<int16_t> ref;
        ASSERT_TRUE(read_words(kData + "ref_dec1.pcm", ref));
        ASSERT_EQ(first_diff(ours, ref), -1);
    }
    const std::vector<uint8_t> codes = stress_octets();
    const std::vector<int16_t> ours = decode_octets(codes, 1), peer = spandsp_decode(codes, 64000);
};

// spandsp writes the receive QMF output with a 16-bit cast; the reference saturates. On
// random codes the decoded signal overshoots full scale: there spandsp's sample wraps to the
// opposite sign while ours (and the reference's) sits at 32767 or -32768.
TEST_F(G722SpandspStress, ReceiveQmfSaturatesWhereSpandspWraps) {
    int differ = 0, flipped = 0;
    for (size_t i = 0; i < 8000; ++i) {  // octets 0..3999: seeded random and constant segments
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
TEST_F(G722SpandspStress, ZeroPredictorSaturatesPerTerm) {
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
    std::vector<uint8_t> ref;
    ASSERT_TRUE(read_bytes(kData + "ref_enc.cod", ref));
    const std::vector<uint8_t> ours = encode_pcm(pcm);
    const std::vector<uint8_t> peer = spandsp_encode(pcm, 64000);
    ASSERT_EQ(first_diff(ours, ref), -1);
    EXPECT_GE(first_diff(peer, ref), 0);
    // Quiet input (the small-noise and silent segments from a fresh start) codes identically.
    std::vector<int16_t> quiet(pcm.begin() + 6000, pcm.begin() + 10000);
    EXPECT_EQ(first_diff(encode_pcm(quiet), spandsp_encode(quiet, 64000)), -1);
}

#else

VOKSC_PEER_ABSENT(G722Spandsp, "spandsp (libspandsp-dev)")

#endif

}  // namespace

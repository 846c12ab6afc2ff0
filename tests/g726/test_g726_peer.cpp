// G.726 against spandsp's independent implementation on real speech (the asterisk prompts),
// at every rate and with every PCM coding: identical codes, identical decoded output, and
// identical RFC 3551 packing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "g726/g726_codec.h"
#include "support/external.h"

#ifdef VOKSC_HAVE_SPANDSP
#include <stdbool.h>
// The others need the declaration macros of telephony.h.
#include <spandsp/telephony.h>

#include <spandsp/bit_operations.h>
#include <spandsp/g711.h>
#include <spandsp/g726.h>
#endif

namespace {

// The example encoder's RFC 3551 packing (least significant bits first) over several calls,
// with the last octet padded by zero bits.
TEST(G726Packing, EncoderPacksItsOwnCodes) {
    std::vector<int16_t> pcm(803);
    uint32_t s = 17;
    for (auto& v : pcm) {
        s = s * 69069u + 1u;
        v = static_cast<int16_t>(s >> 16);
    }
    for (int rate : {16000, 24000, 32000, 40000}) {
        const int bits = g726ex::code_bits(rate);
        std::vector<uint8_t> codes, packed;
        g726ex::Encoder a, b;
        ASSERT_TRUE(a.init(rate, g726ex::Law::Linear, g726ex::Format::Bytes));
        ASSERT_TRUE(b.init(rate, g726ex::Law::Linear, g726ex::Format::Packed));
        a.encode(pcm.data(), pcm.size(), codes);
        for (size_t done = 0; done < pcm.size(); done += 97)  // several calls
            b.encode(pcm.data() + done, std::min<size_t>(97, pcm.size() - done), packed);
        b.finish(packed);
        ASSERT_EQ(packed.size(), (pcm.size() * bits + 7) / 8);
        // Bit k of the stream is bit (k mod bits) of code k / bits.
        for (size_t bit = 0; bit < codes.size() * bits; ++bit) {
            const int expect = codes[bit / bits] >> (bit % bits) & 1;
            ASSERT_EQ(packed[bit / 8] >> (bit % 8) & 1, expect) << "rate " << rate << " bit " << bit;
        }
        for (size_t bit = codes.size() * bits; bit < packed.size() * 8; ++bit)
            ASSERT_EQ(packed[bit / 8] >> (bit % 8) & 1, 0) << "padding";
    }
}

// ---- spandsp peer ----

#ifdef VOKSC_HAVE_SPANDSP

constexpr size_t kMinSamples = 60 * 8000;  // at least a minute of speech

// Concatenated asterisk prompts (8 kHz mono 16-bit WAV), in name order, in multiples of eight
// samples (whole octets at every rate when packed); empty if absent.
const std::vector<int16_t>& speech() {
    static const std::vector<int16_t> s =
        voksc_test::gather_speech(voksc_test::kAsteriskSounds, kMinSamples, 8);
    return s;
}

struct PeerCase {
    int rate;
    g726ex::Law law;
};

class G726Spandsp : public ::testing::TestWithParam<PeerCase> {};

TEST_P(G726Spandsp, IdenticalCodesAndOutput) {
    const auto& x = speech();
    VOKSC_NEED_SPEECH(x, kMinSamples);
    const PeerCase c = GetParam();
    const int coding = c.law == g726ex::Law::Linear ? G726_ENCODING_LINEAR
                       : c.law == g726ex::Law::ALaw ? G726_ENCODING_ALAW
                                                    : G726_ENCODING_ULAW;
    const int n = static_cast<int>(x.size());

    // Encoder input: the speech, or its G.711 codes (spandsp reads them as bytes).
    std::vector<uint8_t> g711(x.size());
    for (size_t k = 0; k < x.size(); ++k)
        g711[k] = c.law == g726ex::Law::ALaw ? linear_to_alaw(x[k]) : linear_to_ulaw(x[k]);

    for (g726ex::Format format : {g726ex::Format::Bytes, g726ex::Format::Packed}) {
        SCOPED_TRACE(format == g726ex::Format::Bytes ? "bytes" : "packed");
        const int packing = format == g726ex::Format::Bytes ? G726_PACKING_NONE : G726_PACKING_RIGHT;
        g726_state_t* se = g726_init(nullptr, c.rate, coding, packing);
        ASSERT_NE(se, nullptr);
        std::vector<uint8_t> peer_stream(x.size());
        const void* in = c.law == g726ex::Law::Linear ? static_cast<const void*>(x.data()) : g711.data();
        peer_stream.resize(
            static_cast<size_t>(g726_encode(se, peer_stream.data(), static_cast<const int16_t*>(in), n)));
        g726_free(se);

        g726ex::Encoder enc;
        ASSERT_TRUE(enc.init(c.rate, c.law, format));
        std::vector<uint8_t> ours;
        if (c.law == g726ex::Law::Linear)
            enc.encode(x.data(), x.size(), ours);
        else
            enc.encode(g711.data(), g711.size(), ours);
        enc.finish(ours);  // nothing left over: a minute of samples fills whole octets
        ASSERT_EQ(voksc_test::first_diff(ours, peer_stream), -1) << "first differing stream byte";

        g726_state_t* sd = g726_init(nullptr, c.rate, coding, packing);
        ASSERT_NE(sd, nullptr);
        std::vector<int16_t> peer_out(x.size() + 8);
        const int got =
            g726_decode(sd, peer_out.data(), peer_stream.data(), static_cast<int>(peer_stream.size()));
        g726_free(sd);
        ASSERT_EQ(got, n);

        g726ex::Decoder dec;
        ASSERT_TRUE(dec.init(c.rate, c.law, format));
        std::vector<int16_t> out;
        std::vector<uint8_t> codes;
        if (c.law == g726ex::Law::Linear) {
            dec.decode(ours.data(), ours.size(), out);
            peer_out.resize(x.size());
            EXPECT_EQ(voksc_test::first_diff(out, peer_out), -1) << "first differing sample";
        } else {  // spandsp writes G.711 output as bytes
            dec.decode(ours.data(), ours.size(), codes);
            const auto* peer_codes = reinterpret_cast<const uint8_t*>(peer_out.data());
            EXPECT_EQ(voksc_test::first_diff(codes, std::vector<uint8_t>(peer_codes, peer_codes + n)), -1)
                << "first differing sample";
        }
    }
}

std::vector<PeerCase> peer_cases() {
    std::vector<PeerCase> v;
    for (int rate : {16000, 24000, 32000, 40000})
        for (g726ex::Law law : {g726ex::Law::Linear, g726ex::Law::ALaw, g726ex::Law::MuLaw})
            v.push_back({rate, law});
    return v;
}

INSTANTIATE_TEST_SUITE_P(Speech, G726Spandsp, ::testing::ValuesIn(peer_cases()),
                         [](const ::testing::TestParamInfo<PeerCase>& info) {
                             const char* law = info.param.law == g726ex::Law::Linear ? "linear"
                                               : info.param.law == g726ex::Law::ALaw ? "alaw"
                                                                                     : "ulaw";
                             return std::to_string(info.param.rate) + "_" + law;
                         });

#else

VOKSC_PEER_ABSENT(G726Spandsp, "spandsp (libspandsp-dev)")

#endif  // VOKSC_HAVE_SPANDSP

}  // namespace

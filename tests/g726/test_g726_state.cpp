// Every G.726 state continues a stream after a mid-stream memcpy to any address, as its header
// promises (the blocks need no alignment and hold no addresses).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/speech.h"
#include "support/state_copy.h"
#include "voksc.h"

namespace {

constexpr int kHalf = 2000;

TEST(G726State, MidStreamCopiesContinue) {
    // Speech-like input in the coder's 14-bit range.
    std::vector<int16_t> x = voksc_test::synthetic_voiced(2 * kHalf);
    for (int16_t& v : x) v = static_cast<int16_t>(v >> 2);
    const size_t enc_bytes = voksc_test::state_bytes(voksEncodeGetStateSize_G726_16s8u);
    const size_t dec_bytes = voksc_test::state_bytes(voksDecodeGetStateSize_G726_8u16s);
    // Each rate's encoder, and its decoder with one of the output laws.
    const struct {
        VokSpeechRate rate;
        int law;
        const char* name;
    } rows[] = {{vokRate16000, vokG726LawMu, "16 kbit/s, mu-law"},
                {vokRate24000, vokG726LawA, "24 kbit/s, A-law"},
                {vokRate32000, vokG726LawLinear, "32 kbit/s, linear"},
                {vokRate40000, vokG726LawA, "40 kbit/s, A-law"}};
    std::vector<std::vector<uint8_t>> codes;  // the whole signal's codes per row, decoder input
    for (const auto& r : rows) {
        std::vector<unsigned char> block(enc_bytes);
        auto* es = reinterpret_cast<VokG726EncodeState*>(block.data());
        codes.emplace_back(x.size());
        ASSERT_EQ(voksEncodeInit_G726_16s8u(es, r.rate), vokStatusOk);
        ASSERT_EQ(voksEncode_G726_16s8u(es, x.data(), codes.back().data(), 2 * kHalf), vokStatusOk);
    }
    std::vector<voksc_test::StateKind> kinds;
    for (size_t i = 0; i < codes.size(); ++i) {
        const auto r = rows[i];
        const std::vector<uint8_t>& in = codes[i];
        kinds.push_back(
            {std::string("encoder ") + r.name, enc_bytes, 1, true,
             [r](void* st) { voksEncodeInit_G726_16s8u(static_cast<VokG726EncodeState*>(st), r.rate); },
             [&x](void* st, int h) {
                 std::vector<uint8_t> out(kHalf);
                 EXPECT_EQ(voksEncode_G726_16s8u(static_cast<VokG726EncodeState*>(st), x.data() + h * kHalf,
                                                 out.data(), kHalf),
                           vokStatusOk);
                 return voksc_test::as_words(out);
             }});
        kinds.push_back({std::string("decoder ") + r.name, dec_bytes, 1, true,
                         [r](void* st) {
                             voksDecodeInit_G726_8u16s(static_cast<VokG726DecodeState*>(st), r.rate, r.law);
                         },
                         [&in](void* st, int h) {
                             std::vector<int16_t> out(kHalf);
                             EXPECT_EQ(voksDecode_G726_8u16s(static_cast<VokG726DecodeState*>(st),
                                                             in.data() + h * kHalf, out.data(), kHalf),
                                       vokStatusOk);
                             return voksc_test::as_words(out);
                         }});
    }
    voksc_test::expect_copies_continue(kinds);
}

}  // namespace

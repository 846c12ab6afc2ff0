// Every G.722 state continues a stream after a mid-stream memcpy to the addresses its header
// allows: the coder states at the same address modulo 16, the caller's word memories anywhere.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/speech.h"
#include "support/state_copy.h"
#include "voksc.h"

namespace {

using voksc_test::state_bytes;
constexpr int kHalf = 1600;  // 16-bit elements per half-stream

TEST(G722State, MidStreamCopiesContinue) {
    const std::vector<int16_t> pcm = voksc_test::synthetic_voiced(2 * kHalf);
    // Sub-band pairs and codes of the whole signal, the inputs of the coder rows.
    std::vector<int16_t> sub(pcm.size()), codes(pcm.size());
    std::vector<Vok16s> delay(24, 0);
    std::vector<unsigned char> enc(state_bytes(voksSBADPCMEncodeStateSize_G722_16s));
    auto* es = reinterpret_cast<VokG722EncodeState*>(enc.data());
    ASSERT_EQ(voksQMFEncode_G722_16s(pcm.data(), sub.data(), 2 * kHalf, delay.data()), vokStatusOk);
    ASSERT_EQ(voksSBADPCMEncodeInit_G722_16s(es), vokStatusOk);
    ASSERT_EQ(voksSBADPCMEncode_G722_16s(sub.data(), codes.data(), 2 * kHalf, es), vokStatusOk);

    // Runs op(in, out, state) on half h of `in`.
    auto halves = [](const std::vector<int16_t>& in, auto op) {
        return [&in, op](void* st, int h) {
            std::vector<int16_t> out(kHalf);
            EXPECT_EQ(op(in.data() + h * kHalf, out.data(), st), vokStatusOk);
            return voksc_test::as_words(out);
        };
    };
    auto decoder_init = [](void* st) {
        voksSBADPCMDecodeInit_G722_16s(static_cast<VokG722DecodeState*>(st));
    };
    auto decoder = [&](Vok16s mode) {
        return halves(codes, [mode](const Vok16s* in, Vok16s* out, void* st) {
            return voksSBADPCMDecode_G722_16s(in, out, kHalf, mode, static_cast<VokG722DecodeState*>(st));
        });
    };
    auto zero = [](size_t n) { return [n](void* st) { std::memset(st, 0, n); }; };
    const size_t dec_bytes = state_bytes(voksSBADPCMDecodeStateSize_G722_16s);
    voksc_test::expect_copies_continue({
        {"encoder", enc.size(), 1, false,
         [](void* st) { voksSBADPCMEncodeInit_G722_16s(static_cast<VokG722EncodeState*>(st)); },
         halves(sub,
                [](const Vok16s* in, Vok16s* out, void* st) {
                    return voksSBADPCMEncode_G722_16s(in, out, kHalf, static_cast<VokG722EncodeState*>(st));
                })},
        {"decoder 64 kbit/s", dec_bytes, 1, false, decoder_init, decoder(1)},
        {"decoder 56 kbit/s", dec_bytes, 1, false, decoder_init, decoder(2)},
        {"decoder 48 kbit/s", dec_bytes, 1, false, decoder_init, decoder(3)},
        {"transmit QMF delay line", 48, 2, true, zero(48),
         halves(pcm,
                [](const Vok16s* in, Vok16s* out, void* st) {
                    return voksQMFEncode_G722_16s(in, out, kHalf, static_cast<Vok16s*>(st));
                })},
        {"receive QMF delay line", 48, 2, true, zero(48),
         halves(sub,
                [](const Vok16s* in, Vok16s* out, void* st) {
                    return voksQMFDecode_G722_16s(in, out, kHalf, static_cast<Vok16s*>(st));
                })},
        {"high-band filter", 4, 2, true, zero(4),
         halves(sub,
                [](const Vok16s* in, Vok16s* out, void* st) {
                    std::memcpy(out, in, kHalf * sizeof(Vok16s));
                    return voksFilterHighband_G722_16s_I(out, kHalf, static_cast<Vok16s*>(st));
                })},
    });
}

}  // namespace

// G.726 operations on state blocks holding arbitrary bytes (or a fresh Init at any rate and
// law argument), arbitrary samples and codes.
#include "ops.h"

namespace voksfuzz {

int ops_g726(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t head = in.u8();
    select_level(head);
    int enc_size = 0, dec_size = 0;
    voksEncodeGetStateSize_G726_16s8u(&enc_size);
    voksDecodeGetStateSize_G726_8u16s(&dec_size);
    const size_t skew = (head >> 1) & 7;
    std::vector<uint8_t> enc_block, dec_block;
    auto* enc = state_block<VokG726EncodeState>(in, enc_block, enc_size, skew, false, nullptr);
    auto* dec = state_block<VokG726DecodeState>(in, dec_block, dec_size, skew, false, nullptr);
    // Any rate code, the unlisted ones included, within what a VokSpeechRate can hold in C++
    // (0..31; a C caller may pass more, which the same check rejects).
    auto rate = [&] { return static_cast<VokSpeechRate>(in.u8() & 31); };
    run_steps(in, 8, [&](uint8_t op) {
        const int len = in.length(1, 400);
        const size_t n = count(len);
        Guard g;
        const Call calls[] = {
            [&] {
                const auto r = rate();
                const std::vector<uint8_t> before(enc_block);
                const VokStatus s = voksEncodeInit_G726_16s8u(enc, r);
                if (s < 0 && before != enc_block) std::abort();
                return s;
            },
            [&] {
                const auto r = rate();
                const int law = (op & 0x40) ? in.i32() : in.range(0, 3);
                const std::vector<uint8_t> before(dec_block);
                const VokStatus s = voksDecodeInit_G726_8u16s(dec, r, law);
                if (s < 0 && before != dec_block) std::abort();
                return s;
            },
            [&] {
                const auto src = in.vec<int16_t>(n);
                return voksEncode_G726_16s8u(enc, src.data(), g(in.bytes(n)).data(), len);
            },
            [&] {
                const auto src = in.bytes(n);
                return voksDecode_G726_8u16s(dec, src.data(), g(in.vec<int16_t>(n)).data(), len);
            },
        };
        return g.run(calls, op);
    });
    return 0;
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(ops_g726)

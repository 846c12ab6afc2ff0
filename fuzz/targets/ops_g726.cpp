// G.726 operations on state blocks holding arbitrary bytes (or a fresh Init at any rate and
// law argument), arbitrary samples and codes.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include <voksc.h>

#include "fuzz_input.h"
#include "fuzz_targets.h"

namespace voksfuzz {

namespace {
// Any rate code, the unlisted ones included, within what a VokSpeechRate can hold in C++
// (0..31; a C caller may pass more, which the same check rejects).
int rate_arg(Input& in) { return in.u8() & 31; }
}  // namespace

int ops_g726(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t head = in.u8();
    select_level(head);
    int enc_size = 0, dec_size = 0;
    if (voksEncodeGetStateSize_G726_16s8u(&enc_size) != vokStatusOk ||
        voksDecodeGetStateSize_G726_8u16s(&dec_size) != vokStatusOk || enc_size <= 0 || dec_size <= 0)
        std::abort();
    const size_t skew = (head >> 1) & 7;
    std::vector<uint8_t> enc_block(enc_size + skew), dec_block(dec_size + skew);
    auto* enc = reinterpret_cast<VokG726EncodeState*>(enc_block.data() + skew);
    auto* dec = reinterpret_cast<VokG726DecodeState*>(dec_block.data() + skew);
    const auto enc_bytes = in.bytes(static_cast<size_t>(enc_size));
    const auto dec_bytes = in.bytes(static_cast<size_t>(dec_size));
    std::copy(enc_bytes.begin(), enc_bytes.end(), enc_block.begin() + skew);
    std::copy(dec_bytes.begin(), dec_bytes.end(), dec_block.begin() + skew);
    for (int step = 0; step < 8 && !in.empty(); ++step) {
        const uint8_t op = in.u8();
        const int len = in.length(1, 400);
        const size_t n = len > 0 ? static_cast<size_t>(len) : 1;
        VokStatus st = vokStatusOk;
        switch (op % 4) {
            case 0: {
                const auto rate = static_cast<VokSpeechRate>(rate_arg(in));
                const std::vector<uint8_t> before(enc_block);
                st = voksEncodeInit_G726_16s8u(enc, rate);
                if (st < 0 && before != enc_block) std::abort();
                break;
            }
            case 1: {
                const auto rate = static_cast<VokSpeechRate>(rate_arg(in));
                const int law = (op & 0x40) ? in.i32() : in.range(0, 3);
                const std::vector<uint8_t> before(dec_block);
                st = voksDecodeInit_G726_8u16s(dec, rate, law);
                if (st < 0 && before != dec_block) std::abort();
                break;
            }
            case 2: {
                const auto src = in.vec<int16_t>(n);
                auto dst = in.bytes(n);
                const auto dst0 = dst;
                st = voksEncode_G726_16s8u(enc, src.data(), dst.data(), len);
                expect_untouched(st, dst0, dst);
                break;
            }
            default: {
                const auto src = in.bytes(n);
                auto dst = in.vec<int16_t>(n);
                const auto dst0 = dst;
                st = voksDecode_G726_8u16s(dec, src.data(), dst.data(), len);
                expect_untouched(st, dst0, dst);
                break;
            }
        }
    }
    return 0;
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(ops_g726)

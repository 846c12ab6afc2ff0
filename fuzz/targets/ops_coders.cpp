// G.722, G.726 and GSM full-rate operations: state blocks holding arbitrary bytes (or a fresh
// Init, at any rate and law argument), arbitrary lengths, codes, modes, memories, coefficients,
// QMF delay lines and concealment arguments; failed checks write nothing.
#include <algorithm>

#include "ops.h"

namespace voksfuzz {

int ops_g722(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t head = in.u8();
    select_level(head);
    int state_size = 0;
    voksSBADPCMEncodeStateSize_G722_16s(&state_size);
    // Any alignment: the block starts 0..15 bytes into an exact-size heap allocation.
    std::vector<uint8_t> block;
    void* state = state_block<VokG722DecodeState>(in, block, state_size, (head >> 1) & 15, head & 0x20,
                                                  voksSBADPCMDecodeInit_G722_16s);
    auto* enc = static_cast<VokG722EncodeState*>(state);
    auto* dec = static_cast<VokG722DecodeState*>(state);
    run_steps(in, 6, [&](uint8_t op) {
        const int len = in.length(2, 320);
        const size_t n = count(len);
        auto src = in.v16(n);
        Guard g;
        auto& dst = g(in.v16(n));
        if (op & 0x40) {  // codes inside their ranges (ILOW 0..63, IHIGH 0..3)
            for (size_t i = 0; i < n; ++i) src[i] = static_cast<int16_t>(src[i] & ((i & 1) ? 3 : 63));
        }
        int16_t* out = (op & 0x80) ? src.data() : dst.data();
        const Call calls[] = {
            [&] { return voksSBADPCMEncode_G722_16s(src.data(), out, len, enc); },
            [&] { return voksSBADPCMDecode_G722_16s(src.data(), out, len, in.i16(), dec); },
            [&] { return voksQMFEncode_G722_16s(src.data(), dst.data(), len, in.v16(24).data()); },
            [&] { return voksQMFDecode_G722_16s(src.data(), dst.data(), len, in.v16(24).data()); },
            [&] {
                return call(voksSBADPCMDecodeStateUpdate_G722_16s,
                            Args{in.v16(2), in.sample(), in.i32(), dec});
            },
            [&] {
                // Reads pSrc[-5 ..]; writes len / 4 samples.
                return call(voksDownsampleFilter_G722_16s,
                            Args{At{in.v16(n + 5), 5}, len, std::vector<int16_t>(n / 4 + 1)});
            },
            [&] { return voksFilterHighband_G722_16s_I(src.data(), len, in.v16(2).data()); },
            [&] {
                // pSrcDst[-2 .. max(2 * period - 1, period + 1)]: each of the period samples
                // is compared with the five around it one period earlier.
                const int period = (op & 0x80) ? in.i16() : in.range(0, 143);
                const size_t p = period >= 0 && period <= 143 ? static_cast<size_t>(period) : 0;
                auto x = in.v16(2 + (p == 0 ? 0 : std::max(2 * p, p + 2)));
                int32_t cls = in.range(0, 4);
                return voksClassifyFrame_G722_16s_I(x.data() + 2, static_cast<Vok16s>(period), &cls, dec);
            },
            [&] {
                return (op & 0x80) ? voksSBADPCMEncodeInit_G722_16s(enc)
                                   : voksSBADPCMDecodeInit_G722_16s(dec);
            },
        };
        return g.run(calls, op);
    });
    return 0;
}

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
                g.watch(enc_block);
                return voksEncodeInit_G726_16s8u(enc, rate());
            },
            [&] {
                g.watch(dec_block);
                const auto r = rate();
                return voksDecodeInit_G726_8u16s(dec, r, (op & 0x40) ? in.i32() : in.range(0, 3));
            },
            [&] {
                const auto src = in.v16(n);
                return voksEncode_G726_16s8u(enc, src.data(), g(in.bytes(n)).data(), len);
            },
            [&] {
                const auto src = in.bytes(n);
                return voksDecode_G726_8u16s(dec, src.data(), g(in.v16(n)).data(), len);
            },
        };
        return g.run(calls, op);
    });
    return 0;
}

int ops_gsm(const uint8_t* data, size_t size) {
    return run_ops(data, size, 8, [](Input& in, uint8_t op) {
        const int len = in.length(1, 400);
        const size_t n = count(len);
        Guard g;
        auto &src = g(in.v16(n)), &dst = g(in.v16(n));
        int16_t* out = (op & 0x80) ? src.data() : dst.data();
        auto mem16 = [&](size_t k) { return g(in.v16(k)).data(); };
        const Call deemphasize = [&] { return voksDeemphasize_GSMFR_16s_I(src.data(), len, mem16(1)); };
        const Call calls[] = {
            [&] { return voksHighPassFilter_GSMFR_16s(src.data(), out, len, g(in.v32(2)).data()); },
            [&] { return voksPreemphasize_GSMFR_16s(src.data(), out, len, mem16(1)); },
            [&] {
                const int order = in.length(1, 8, true);
                return call(voksSchur_GSMFR_32s16s, Args{in.v32(9), mem16(8), order});
            },
            [&] {
                return call(voksShortTermAnalysisFilter_GSMFR_16s_I, Args{in.v16(8), src, len, mem16(8)});
            },
            [&] {
                return call(voksShortTermSynthesisFilter_GSMFR_16s, Args{in.v16(8), src, out, len, mem16(9)});
            },
            [&] {
                // Reads pSrc[-5] .. pSrc[len + 4].
                return call(voksWeightingFilter_GSMFR_16s, Args{At{in.v16(n + 10), 5}, dst, len});
            },
            [&] {
                const auto xmc = in.v16(13);
                Vok16s* xmp = mem16(13);
                return call(voksRPEQuantDecode_GSMFR_16s, Args{xmc, in.sample(), in.sample(), xmp});
            },
            deemphasize,
            deemphasize,
        };
        return g.run(calls, op);
    });
}

}  // namespace voksfuzz

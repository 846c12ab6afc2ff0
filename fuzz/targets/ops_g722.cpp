// G.722 operations on state blocks holding arbitrary bytes (or a fresh Init), arbitrary codes,
// modes, QMF delay lines and concealment arguments.
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
        auto src = in.vec<int16_t>(n);
        Guard g;
        auto& dst = g(in.vec<int16_t>(n));
        if (op & 0x40) {  // codes inside their ranges (ILOW 0..63, IHIGH 0..3)
            for (size_t i = 0; i < n; ++i) src[i] = static_cast<int16_t>(src[i] & ((i & 1) ? 3 : 63));
        }
        int16_t* out = (op & 0x80) ? src.data() : dst.data();
        const Call calls[] = {
            [&] { return voksSBADPCMEncode_G722_16s(src.data(), out, len, enc); },
            [&] { return voksSBADPCMDecode_G722_16s(src.data(), out, len, in.i16(), dec); },
            [&] { return voksQMFEncode_G722_16s(src.data(), dst.data(), len, in.vec<int16_t>(24).data()); },
            [&] { return voksQMFDecode_G722_16s(src.data(), dst.data(), len, in.vec<int16_t>(24).data()); },
            [&] {
                const auto low = in.vec<int16_t>(2);
                return voksSBADPCMDecodeStateUpdate_G722_16s(low.data(), in.sample(), in.i32(), dec);
            },
            [&] {
                // Reads pSrc[-5 ..]; writes len / 4 samples.
                auto wide = in.vec<int16_t>(n + 5);
                std::vector<int16_t> quarter(n / 4 + 1);
                return voksDownsampleFilter_G722_16s(wide.data() + 5, len, quarter.data());
            },
            [&] { return voksFilterHighband_G722_16s_I(src.data(), len, in.vec<int16_t>(2).data()); },
            [&] {
                // pSrcDst[-2 .. max(2 * period - 1, period + 1)]: each of the period samples
                // is compared with the five around it one period earlier.
                const int period = (op & 0x80) ? in.i16() : in.range(0, 143);
                const size_t p = period >= 0 && period <= 143 ? static_cast<size_t>(period) : 0;
                auto x = in.vec<int16_t>(2 + (p == 0 ? 0 : std::max(2 * p, p + 2)));
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

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(ops_g722)

// The G.722.1 operations on arbitrary arguments: frame lengths (the valid 320 and 640 and
// others), windowing histories and overlaps carried from call to call, in-place DCTs, and the
// region coder on any category, power index and coefficients; a call failing its checks writes
// nothing.
#include "ops.h"

namespace voksfuzz {

int ops_g7221(const uint8_t* data, size_t size) {
    std::vector<int16_t> hist(640), overlap(320);
    return run_ops(data, size, 12, [&](Input& in, uint8_t op) {
        const int pick = in.u8();
        const int len = pick < 96 ? 320 : (pick < 192 ? 640 : in.length(1, 640));
        const size_t n = count(len) < 640 ? 640 : count(len);
        Guard g;
        g.watch(hist);
        g.watch(overlap);
        const Call calls[] = {
            [&] {
                return voksDecomposeMLTToDCT_G7221_16s(in.v16(n).data(), hist.data(), g(in.v16(n)).data(),
                                                       len);
            },
            [&] {
                return voksDecomposeMLTToDCT_G722_16s(in.v16(n).data(), hist.data(), g(in.v16(n)).data());
            },
            [&] { return voksDCTFwd_G7221_16s(in.v16(n).data(), g(in.v16(n)).data(), len); },
            [&] {
                auto& x = g(in.v16(n));
                return voksDCTFwd_G722_16s(x.data(), x.data());
            },
            [&] { return voksDCTInv_G7221_16s(in.v16(n).data(), g(in.v16(n)).data(), len); },
            [&] {
                auto& x = g(in.v16(n));
                return voksDCTInv_G7221_16s(x.data(), x.data(), len);
            },
            [&] {
                return voksDecomposeDCTToMLT_G7221_16s(in.v16(n).data(), overlap.data(), g(in.v16(n)).data(),
                                                       len);
            },
            [&] {
                return voksDecomposeDCTToMLT_G722_16s(in.v16(n).data(), overlap.data(), g(in.v16(n)).data());
            },
            [&] {
                const int category = in.range(-1, 7), power = in.range(-1, 64);
                auto& words = g(std::vector<uint32_t>(6));
                Vok32u bits = 0;
                const VokStatus st =
                    voksHuffmanEncode_G722_16s32u(category, power, in.v16(20).data(), words.data(), &bits);
                if (st == vokStatusOk && (bits == 0 || bits > 180)) std::abort();
                return st;
            },
        };
        return g.run(calls, op);
    });
}

}  // namespace voksfuzz

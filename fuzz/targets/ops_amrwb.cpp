// AMR-WB operations: arbitrary signals, coefficients, indices, rates, history positions, lag
// windows and decoding states (fresh or arbitrary bytes); failed checks write nothing.
#include <algorithm>

#include "ops.h"

namespace voksfuzz {

int ops_amrwb(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t head = in.u8();
    select_level(head);
    int state_size = 0;
    voksAdaptiveCodebookDecodeGetSize_AMRWB_16s(&state_size);
    std::vector<uint8_t> block;
    auto* pitch = state_block<VokAdaptiveCodebookDecodeState_AMRWB>(
        in, block, state_size, (head >> 1) & 15, head & 0x20,
        [](auto* s) { voksAdaptiveCodebookDecodeInit_AMRWB_16s(s); });
    // Mostly the AMR-WB rate and codebook codes, sometimes any value.
    auto rate = [&] { return (in.u8() & 7) ? in.range(0, 33) : in.i32(); };
    int vad_size = 0;
    voksVADGetSize_AMRWB_16s(&vad_size);
    std::vector<uint8_t> vad_block;
    auto* vad = state_block<VokVadState_AMRWB>(in, vad_block, vad_size, (head >> 2) & 15, head & 0x40,
                                               [](auto* s) { voksVADInit_AMRWB_16s(s); });
    // A high-pass filter state of any bytes (the order drawn per call).
    std::vector<uint8_t> hp_block = in.bytes(40);
    hp_block.resize(40);
    auto* hp = reinterpret_cast<VokHighPassFilterState_AMRWB*>(hp_block.data());
    run_steps(in, 8, [&](uint8_t op) {
        const int len = in.length(1, 300);
        const size_t n = count(len);
        Guard g;
        auto v16 = [&](size_t k) { return g(in.v16(k)).data(); };
        const Call calls[] = {
            [&] { return voksISFToISP_AMRWB_16s(in.v16(n).data(), v16(n), len); },
            [&] { return voksISPToISF_Norm_AMRWB_16s(in.v16(n).data(), v16(n), len); },
            [&] {
                const int order = in.length(2, 20, true);
                const size_t m = static_cast<size_t>(std::clamp(order, 1, 20));
                return voksISPToLPC_AMRWB_16s(in.v16(m).data(), v16(m + 1), order);
            },
            [&] {
                return call(voksLPCToISP_AMRWB_16s, Args{in.v16(17), g(in.v16(16)), in.v16(16)});
            },
            [&] { return voksPreemphasize_AMRWB_16s_ISfs(in.i16(), v16(n), len, in.mostly(31, -8), v16(1)); },
            [&] { return voksDeemphasize_AMRWB_NR_16s_I(in.i16(), v16(n), len, v16(1)); },
            [&] {
                const int order = in.length(1, 20);
                const size_t m = static_cast<size_t>(std::clamp(order, 1, 20));
                return call(voksResidualFilter_AMRWB_16s_Sfs,
                            Args{in.v16(m + 1), static_cast<Vok16s>(order), At{in.v16(n + m), m},
                                 g(in.v16(n)), len, in.mostly(31, -8)});
            },
            [&] {
                const int order = in.length(1, 20);
                const size_t m = static_cast<size_t>(std::clamp(order, 1, 20));
                return call(voksSynthesisFilter_AMRWB_16s32s_I,
                            Args{in.v16(m + 1), order, in.v16(n), At{g(in.v32(n + m)), m}, len});
            },
            [&] {
                const int order = in.length(1, 20);
                const size_t m = static_cast<size_t>(std::clamp(order, 1, 20));
                return call(
                    voksSynthesisFilter_AMRWB_16s32s_ISfs,
                    Args{in.v16(m + 1), order, in.v16(n), At{g(in.v32(n + m)), m}, len, in.mostly(15, -2)});
            },
            [&] {
                return call(voksDeemphasize_AMRWB_32s16s,
                            Args{in.i16(), in.v32(n), g(in.v16(n)), len, g(in.v16(1))});
            },
            [&] {
                return call(voksAdaptiveCodebookGainCoeff_AMRWB_16s,
                            Args{in.v16(n), in.v16(n), g(in.v16(4)), g(in.v16(1)), len});
            },
            [&] {
                const auto x = in.v16(256), isf = in.v16(16);
                if (op & 0x80)
                    return voksDecDTXBuffer_AMRWB_16s(x.data(), isf.data(), v16(1), v16(128), v16(8));
                return voksEncDTXBuffer_AMRWB_16s(x.data(), isf.data(), v16(1), v16(128), v16(8), rate());
            },
            [&] { return voksISFQuant_AMRWB_16s(in.v16(16).data(), v16(16), v16(16), v16(7), rate()); },
            [&] {
                return call(voksISFQuantDecode_AMRWB_16s,
                            Args{in.v16(7), g(in.v16(16)), g(in.v16(16)), in.v16(16), g(in.v16(48)),
                                 in.range(0, 1), rate()});
            },
            [&] { return voksISFQuantDTX_AMRWB_16s(in.v16(16).data(), v16(16), v16(5)); },
            [&] { return voksISFQuantDecodeDTX_AMRWB_16s(in.v16(5).data(), v16(16)); },
            [&] {
                const int index = (op & 0x80) ? in.i32() : in.range(0, 127);
                const Vok16s inv = in.i16();
                const int bfi = in.range(0, 1), prev = in.range(0, 1);
                return voksDecodeGain_AMRWB_16s(index, inv, v16(1), g(in.v32(1)).data(), bfi, prev, v16(4),
                                                v16(1), v16(1), rate());
            },
            [&] {
                return call(voksGainQuant_AMRWB_16s,
                            Args{in.v16(n), in.v16(n), in.mostly(15, 0), in.v16(n), in.v16(n), in.v16(4),
                                 g(in.v16(4)), g(in.v16(1)), g(in.v32(1)), in.range(0, 1), g(in.v16(1)), len,
                                 rate()});
            },
            [&] {
                // 115 past samples before both signals.
                return call(
                    voksOpenLoopPitchSearch_AMRWB_16s,
                    Args{At{in.v16(n + 115), 115}, At{in.v16(n + 115), 115}, g(in.v16(1)), g(in.v16(1)),
                         g(in.v16(1)), g(in.v16(1)), g(in.v16(1)), g(in.v16(5)), g(in.v16(1)), len});
            },
            [&] { return voksAlgebraicCodebookDecode_AMRWB_16s(in.v16(8).data(), v16(64), rate()); },
            [&] {
                // pSrcDstExcitation[-248 .. 63].
                g.watch(block);
                const int index = (op & 0x80) ? in.i32() : in.range(0, 511);
                return call(
                    voksAdaptiveCodebookDecode_AMRWB_16s,
                    Args{index, g(in.v16(1)), At{g(in.v16(248 + 64)), 248}, g(in.v16(1)), g(in.v16(2)),
                         in.range(0, 4), in.range(0, 1), in.range(0, 1), rate(), pitch});
            },
            [&] {
                // pSrcDstExcitation[-248 .. 64].
                return call(
                    voksAdaptiveCodebookSearch_AMRWB_16s,
                    Args{in.v16(64), in.v16(64), in.v16(2), g(in.v16(1)), g(in.v16(2)),
                         At{g(in.v16(248 + 65)), 248}, g(in.v16(1)), g(in.v16(1)), in.range(0, 4), rate()});
            },
            [&] {
                g.watch(vad_block);
                if (op & 0x80) return voksVADInit_AMRWB_16s(vad);
                return call(voksVAD_AMRWB_16s, Args{in.v16(256), vad, g(in.v16(1)), g(in.v16(1))});
            },
            [&] { return voksVADGetEnergyLevel_AMRWB_16s(vad, v16(12)); },
            [&] {
                g.watch(block);
                return (op & 0x80) ? voksAdaptiveCodebookDecodeUpdate_AMRWB_16s(in.i32(), in.i32(), pitch)
                                   : voksAdaptiveCodebookDecodeInit_AMRWB_16s(pitch);
            },
            [&] {
                g.watch(hp_block);
                const int order = in.range(1, 4);
                const size_t m = order == 3 ? 9 : 6;
                switch (op >> 5) {
                    case 0:
                        return voksHighPassFilterInit_AMRWB_16s(in.v16(4).data(), in.v16(4).data(), order,
                                                                hp);
                    case 1:
                        return voksHighPassFilterGetDlyLine_AMRWB_16s(hp, v16(m), order);
                    case 2:
                        return voksHighPassFilterSetDlyLine_AMRWB_16s(in.v16(m).data(), hp, order);
                    case 3:
                        return voksHighPassFilter_AMRWB_16s_ISfs(v16(n), len, hp, in.mostly(31, -8));
                    case 4:
                        return voksHighPassFilter_AMRWB_16s_Sfs(in.v16(n).data(), v16(n), len, hp, in.i32());
                    default: {
                        int size = 0;
                        return voksHighPassFilterGetSize_AMRWB_16s(order, &size);
                    }
                }
            },
            [&] {
                return call(voksAlgebraicCodebookSearch_AMRWB_16s,
                            Args{in.v16(64), in.v16(64), in.v16(64), g(in.v16(64)), g(in.v16(64)), rate(),
                                 g(in.v16(8))});
            },
            [&] {
                // pSrc[-1 .. len] with the edge flag, else pSrc[0 .. len).
                return call(voksHighPassFilter_Direct_AMRWB_16s,
                            Args{in.v16(2), At{in.v16(n + 2), 1}, g(in.v16(n)), len, in.range(0, 1)});
            },
        };
        return g.run(calls, op);
    });
    return 0;
}

}  // namespace voksfuzz

// GSM-AMR operations: arbitrary rates (every rate code and beyond), subframes, lags, gains,
// index words, filter states, histories and VAD states of arbitrary bytes; buffers of exactly the
// documented sizes, so any read or write beyond them is caught; failed checks write nothing.
#include "ops.h"

namespace voksfuzz {

int ops_amrnb(const uint8_t* data, size_t size) {
    return run_ops(data, size, 6, [](Input& in, uint8_t op) {
        Guard g;
        const int mode = in.range(-2, 27);
        const auto sub = static_cast<Vok16s>(in.range(-1, 4));
        auto v16 = [&](size_t k) { return g(in.v16(k)).data(); };
        auto v32 = [&](size_t k) { return g(in.v32(k)).data(); };
        const Call calls[] = {
            [&] {
                return call(voksAutoCorr_GSMAMR_16s32s, Args{in.v16(240), v32(22), mode});
            },
            [&] {
                return call(voksLevinsonDurbin_GSMAMR_32s16s, Args{in.v32(11), v16(11)});
            },
            [&] {
                return call(voksLPCToLSP_GSMAMR_16s, Args{in.v16(11), in.v16(10), v16(10)});
            },
            [&] {
                return call(voksLSPToLPC_GSMAMR_16s, Args{in.v16(10), v16(11)});
            },
            [&] {  // a negative LSF stops the conversion after writing the values before it
                return call(voksLSFToLSP_GSMAMR_16s, Args{in.v16(10), std::vector<int16_t>(10)});
            },
            [&] {
                const int len = in.length(1, 64);
                return call(voksInterpolate_GSMAMR_16s,
                            Args{in.v16(count(len)), in.v16(count(len)), v16(count(len)), len});
            },
            [&] {
                const int len = in.length(1, 160);
                return call(voksPreemphasize_GSMAMR_16s,
                            Args{in.i16(), in.v16(count(len)), v16(count(len)), len, v16(1)});
            },
            [&] {
                return call(voksLSPQuant_GSMAMR_16s, Args{in.v16(20), v16(10), v16(20), v16(5), mode});
            },
            [&] {
                return call(voksQuantLSPDecode_GSMAMR_16s,
                            Args{in.v16(5), v16(10), v16(10), v16(10), v16(40), in.i16(), mode});
            },
            [&] {
                return call(voksOpenLoopPitchSearchDTXVAD1_GSMAMR_16s,
                            Args{in.v16(44), in.v16(44), in.v16(170), v16(1), v16(1), v16(1), v16(5),
                                 v16(143), v16(1), v16(2), v16(2), mode});
            },
            [&] {
                return call(voksOpenLoopPitchSearchDTXVAD2_GSMAMR_16s32s,
                            Args{in.v16(44), in.v16(44), in.v16(170), v16(1), v16(1), v16(5), v16(143),
                                 v32(1), v32(1), v16(2), v16(2), mode});
            },
            [&] {
                return call(voksImpulseResponseTarget_GSMAMR_16s,
                            Args{in.v16(50), in.v16(11), in.v16(11), in.v16(11), in.v16(10), in.v16(10),
                                 v16(40), v16(40), v16(40)});
            },
            [&] {
                return call(voksAdaptiveCodebookSearch_GSMAMR_16s,
                            Args{in.v16(40), in.v16(40), in.v16(2), v16(1), v16(194), v16(1), v16(1), v16(40),
                                 sub, mode});
            },
            [&] {
                return call(voksAdaptiveCodebookDecode_GSMAMR_16s,
                            Args{in.mostly(511, 0), v16(1), v16(1), v16(194), v16(1), v16(40), sub, in.i16(),
                                 in.i16(), in.i16(), mode});
            },
            [&] {
                return call(voksAlgebraicCodebookSearch_GSMAMR_16s,
                            Args{in.mostly(127, 17), in.i16(), in.v16(40), in.v16(40), v16(40), v16(40),
                                 v16(40), v16(10), sub, mode});
            },
            [&] {
                return call(voksFixedCodebookDecode_GSMAMR_16s, Args{in.v16(10), v16(40), sub, mode});
            },
            [&] {
                return call(voksAdaptiveCodebookGainCoeffs_GSMAMR_16s,
                            Args{in.v16(40), in.v16(40), v16(1), v16(4)});
            },
            [&] {
                return call(voksPostFilter_GSMAMR_16s,
                            Args{in.v16(44), in.v16(160), v16(1), v16(1), v16(10), v16(10), v16(160), mode});
            },
            [&] {
                auto st = g(in.v16(58));
                return voksVAD1_GSMAMR_16s(in.v16(200).data(),
                                           reinterpret_cast<VokVadState1_GSMAMR*>(st.data()), v16(1),
                                           in.i16(), in.i16());
            },
            [&] {
                auto& st = g(std::vector<VokVadState2_GSMAMR>(1));
                in.fill(reinterpret_cast<uint8_t*>(st.data()), sizeof st[0]);
                return voksVAD2_GSMAMR_16s(in.v16(160).data(), st.data(), v16(1), in.i32());
            },
            [&] { return voksFFTFwd_RToPerm_GSMAMR_16s_I(v16(128)); },
            [&] {
                return call(voksEncDTXHandler_GSMAMR_16s, Args{v16(1), v16(1), v16(1), v16(1), in.i32()});
            },
            [&] {
                return call(voksEncDTXBuffer_GSMAMR_16s,
                            Args{in.v16(160), in.v16(10), v16(1), v16(80), v16(8)});
            },
            [&] {
                return call(voksDecDTXBuffer_GSMAMR_16s,
                            Args{in.v16(160), in.v16(10), v16(1), v16(80), v16(8)});
            },
            [&] {
                return call(voksEncDTXSID_GSMAMR_16s,
                            Args{in.v16(80), in.v16(8), v16(1), v16(1), v16(3), v16(4), v16(4), in.i16()});
            },
        };
        return g.run(calls, op);
    });
}

}  // namespace voksfuzz

// G.723.1 operations: arbitrary samples, impulse responses, matrices, LSF vectors, indices, lags,
// sub-frame numbers, rate codes, taming errors and filter memories; histories sized exactly as
// each operation documents; failed checks write nothing.
#include "ops.h"

namespace voksfuzz {

int ops_g723(const uint8_t* data, size_t size) {
    return run_ops(data, size, 8, [](Input& in, uint8_t op) {
        Guard g;
        const VokSpeechRate rate = (op & 0x80) ? static_cast<VokSpeechRate>(in.range(0, 26))
                                               : ((op & 0x40) ? vokRate5300 : vokRate6300);
        auto o16 = [&](size_t n) -> std::vector<int16_t>& { return g(in.v16(n)); };
        auto o32 = [&](size_t n) -> std::vector<int32_t>& { return g(in.v32(n)); };
        // A lag, sub-frame or index: mostly in its range, sometimes anywhere.
        auto val = [&](int lo, int hi) {
            return static_cast<int16_t>((op & 0x20) ? in.i16() : in.range(lo, hi));
        };
        const Call calls[] = {
            [&] { return voksAutoCorr_G723_16s(in.v16(180).data(), o16(1).data(), o16(11).data()); },
            [&] { return voksAutoCorr_NormE_G723_16s(in.v16(180).data(), o16(11).data(), o32(1).data()); },
            [&] {
                return voksLevinsonDurbin_G723_16s(in.v16(11).data(), o16(1).data(), o16(1).data(),
                                                   o16(10).data());
            },
            [&] { return voksLPCToLSF_G723_16s(in.v16(10).data(), in.v16(10).data(), o16(10).data()); },
            [&] { return voksLSFToLPC_G723_16s(in.v16(10).data(), o16(10).data()); },
            [&] { return voksLSFToLPC_G723_16s_I(o16(10).data()); },
            [&] { return voksLSFQuant_G723_16s32s(in.v16(10).data(), in.v16(10).data(), o32(1).data()); },
            [&] {
                std::vector<int16_t> idx = {val(0, 255), val(0, 255), val(0, 255)};
                return voksLSFDecode_G723_16s(idx.data(), in.v16(10).data(), in.u8() & 1, o16(10).data());
            },
            [&] {
                return call(voksOpenLoopPitchSearch_G723_16s, Args{At{in.v16(262), 142}, o16(1)});
            },
            [&] {
                return call(voksHarmonicSearch_G723_16s,
                            Args{val(18, 145), At{in.v16(208), 148}, o16(1), o16(1)});
            },
            [&] {
                return voksHarmonicNoiseSubtract_G723_16s_I(in.i16(), val(1, 145), o16(60).data(),
                                                            o16(145).data());
            },
            [&] {
                return voksAdaptiveCodebookSearch_G723(val(18, 142), in.v16(60).data(), in.v16(60).data(),
                                                       in.v16(145).data(), in.v32(5).data(), o16(1).data(),
                                                       o16(1).data(), val(0, 4), in.i16(), rate);
            },
            [&] {
                return voksDecodeAdaptiveVector_G723_16s(val(18, 141), val(0, 3), val(0, 169),
                                                         in.v16(145).data(), o16(60).data(), rate);
            },
            [&] { return voksToeplizMatrix_G723_16s32s(in.v16(60).data(), o32(416).data()); },
            [&] { return voksToeplizMatrix_G723_16s(in.v16(60).data(), o16(416).data()); },
            [&] {
                return voksACELPFixedCodebookSearch_G723_32s16s(in.v16(60).data(), in.v32(416).data(),
                                                                o16(4).data(), o16(4).data(), o16(1).data(),
                                                                o16(60).data(), o16(1).data());
            },
            [&] {
                return voksACELPFixedCodebookSearch_G723_16s(in.v16(60).data(), in.v16(416).data(),
                                                             o16(4).data(), o16(4).data(), o16(1).data(),
                                                             o16(60).data(), o16(1).data());
            },
            [&] {
                return voksMPMLQFixedCodebookSearch_G723(
                    val(18, 145), in.v16(60).data(), in.v16(60).data(), o16(60).data(), o16(1).data(),
                    o16(1).data(), o16(1).data(), o16(1).data(), o32(1).data(), val(0, 3));
            },
            [&] {
                return voksGainQuant_G723_16s(in.v16(60).data(), in.v16(60).data(), val(1, 145),
                                              o16(6).data(), o16(6).data(), o16(1).data(), o16(1).data(),
                                              o16(1).data(), in.range(4, 7), o32(1).data());
            },
            [&] { return voksGainControl_G723_16s_I(in.i32(), o16(60).data(), o16(1).data()); },
            [&] { return voksHighPassFilter_G723_16s(in.v16(240).data(), o16(240).data(), o32(2).data()); },
            [&] {
                return voksIIR16s_G723_16s32s(in.v16(20).data(), in.v16(60).data(), o32(60).data(),
                                              o16(20).data());
            },
            [&] {
                return voksIIR16s_G723_32s16s_Sfs(in.v16(20).data(), in.v32(60).data(), in.mostly(15, 0),
                                                  o16(60).data(), o16(20).data());
            },
            [&] { return voksIIR16s_G723_16s_I(in.v16(20).data(), o16(60).data(), o16(20).data()); },
            [&] {
                return voksSynthesisFilter_G723_16s(in.v16(10).data(), in.v16(60).data(), o16(10).data(),
                                                    o16(60).data());
            },
            [&] {
                return voksSynthesisFilter_G723_16s32s(in.v16(10).data(), in.v16(60).data(), o32(60).data(),
                                                       o16(10).data());
            },
            [&] {
                return call(voksTiltCompensation_G723_32s16s, Args{in.i16(), At{in.v32(61), 1}, o16(60)});
            },
            [&] {
                return call(voksPitchPostFilter_G723_16s, Args{val(18, 145), At{in.v16(385), 145}, o16(1),
                                                               o16(1), o16(1), val(0, 3), rate});
            },
        };
        g.run(calls, in.u8());
    });
}

}  // namespace voksfuzz

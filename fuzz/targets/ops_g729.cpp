// G.729 operations (Annex B silence compression included): linear prediction on arbitrary
// autocorrelations, LP, LSP/LSF vectors, quantiser memories and indices; excitation searches and
// decoding with arbitrary delays, sub-frames and (arbitrary or freshly computed) correlation
// matrices; gains, post-filters and boundary filters on arbitrary signals and memories; hybrid-
// window, high-pass and phase-dispersion state blocks holding arbitrary bytes.
#include <algorithm>

#include "ops.h"

namespace voksfuzz {

namespace {
constexpr size_t kSub = 40, kExc = 194, kMat = 616;
}  // namespace

int ops_g729_lp(const uint8_t* data, size_t size) {
    return run_ops(data, size, 6, [](Input& in, uint8_t op) {
        Guard g;
        auto lpc_to_lsp16 = [&] {
            auto lpc = in.v16(11);
            if (op & 0x80) lpc[0] = 4096;
            return call((op % 22 == 3) ? voksLPCToLSP_G729_16s : voksLPCToLSP_G729A_16s,
                        Args{lpc, in.v16(10), in.v16(10)});
        };
        auto lpc_to_lsp32 = [&] {
            auto lpc = in.vf(11);
            if (op & 0x80) lpc[0] = 1.0f;
            return call((op % 22 == 5) ? voksLPCToLSP_G729_32f : voksLPCToLSP_G729A_32f,
                        Args{lpc, in.vf(10), in.vf(10)});
        };
        auto lsf_lsp = [&] {
            const auto fn = (op % 22 == 9)    ? voksLSFToLSP_G729_16s
                            : (op % 22 == 10) ? voksLSPToLSF_G729_16s
                                              : voksLSPToLSF_Norm_G729_16s;
            return call(fn, Args{in.v16(10), in.v16(10)});
        };
        auto interpolate = [&] {
            const int len = in.length(1, 200);
            const size_t n = count(len);
            const auto a = in.v16(n), b = in.v16(n);
            auto& dst = g(in.v16(n));
            const int sf = in.mostly(63, -8);
            const int16_t c1 = in.sample(), c2 = in.sample();
            return (op % 22 == 12) ? voksInterpolate_G729_16s(a.data(), b.data(), dst.data(), len)
                   : (op % 22 == 13)
                       ? voksInterpolateC_G729_16s_Sfs(a.data(), c1, b.data(), c2, dst.data(), len, sf)
                       : voksInterpolateC_NR_G729_16s_Sfs(a.data(), c1, b.data(), c2, dst.data(), len, sf);
        };
        const Call calls[] = {
            [&] {
                const int len = in.length(1, 12, true);
                return voksLagWindow_G729_32s_I(g(in.v32(12)).data(), len);
            },
            [&] {
                const int order = in.length(1, 30, true);
                const size_t o = order >= 1 && order <= 30 ? static_cast<size_t>(order) : 30;
                auto r = in.v32(o + 1);
                if (op & 0x80) r[0] = std::max(r[0], int32_t{0x10000});
                auto &a = g(in.v16(o + 1)), &rc = g(in.v16(o));
                int16_t err = 0;
                const VokStatus s =
                    voksLevinsonDurbin_G729_32s16s(r.data(), order, a.data(), rc.data(), &err);
                if (s != vokStatusOk) g.untouched();  // the overflow warning writes nothing either
                return s;
            },
            [&] {
                const int order = in.length(1, 30);
                const size_t o = order >= 1 ? static_cast<size_t>(order) : 1;
                float err = 0;
                return call(voksLevinsonDurbin_G729_32f,
                            Args{in.vf(o + 1), order, in.vf(o + 1), in.vf(o), &err});
            },
            lpc_to_lsp16,
            lpc_to_lsp16,
            lpc_to_lsp32,
            lpc_to_lsp32,
            [&] {
                return call(voksLSPToLPC_G729_16s, Args{in.v16(10), in.v16(11)});
            },
            [&] {
                return call(voksLSPToLPC_G729_32f, Args{in.vf(10), in.vf(11)});
            },
            lsf_lsp,
            lsf_lsp,
            lsf_lsp,
            interpolate,
            interpolate,
            interpolate,
            [&] {
                const int len = in.length(1, 200);
                const size_t n = count(len);
                return call(voksInterpolateC_G729_32f,
                            Args{in.vf(n), in.vf(n), in.vf(n), len, in.f32(), in.f32()});
            },
            [&] {
                return call(voksLSFQuant_G729_16s, Args{in.v16(10), in.v16(40), in.v16(10), in.v16(4)});
            },
            [&] {
                const auto lsp = in.v16(10);
                auto mem = in.v16(40), q = in.v16(10), idx = in.v16(2);
                if (!(op & 0x80)) return voksLSPQuant_G729_16s(lsp.data(), mem.data(), q.data(), idx.data());
                auto res = in.v16(10);
                return voksLSPQuant_G729E_16s(lsp.data(), mem.data(), res.data(), q.data(), idx.data());
            },
            [&] {
                return call(voksLSPQuant_G729E_32f,
                            Args{in.vf(10), in.vf(40), in.vf(10), in.vf(10), in.v16(2)});
            },
            [&] {
                auto mem16 = in.v16(40), lsf16 = in.v16(10);
                std::vector<int16_t> idx(4);
                for (int16_t& i : idx) i = (op & 0x80) ? in.i16() : static_cast<int16_t>(in.u8() & 0x7F);
                if (!(op & 0x40)) return voksLSFDecode_G729_16s(idx.data(), g(mem16).data(), g(lsf16).data());
                std::vector<int> idx32(idx.begin(), idx.end());
                auto mem = in.vf(40), lsf = in.vf(10);
                return voksLSFDecode_G729_32f(idx32.data(), mem.data(), lsf.data());
            },
            [&] {
                const int mode = (op & 0x80) ? in.i32() : in.range(-1, 2);
                if (op & 0x40) return call(voksLSFDecodeErased_G729_32f, Args{mode, in.vf(40), in.vf(10)});
                return call(voksLSFDecodeErased_G729_16s, Args{mode, g(in.v16(40)), in.v16(10)});
            },
            [&] {
                int size16 = 0, size32 = 0;
                voksWinHybridGetStateSize_G729E_16s(&size16);
                voksWinHybridGetStateSize_G729E_32f(&size32);
                const size_t skew = op & 3;
                std::vector<uint8_t> block;
                if (op & 0x80) {
                    auto* state = state_block<VokWinHybridState_G729E_16s>(in, block, size16, skew, op & 0x40,
                                                                           voksWinHybridInit_G729E_16s);
                    const auto src = in.v16(145);
                    return voksWinHybrid_G729E_16s32s(src.data(), in.v32(31).data(), state);
                }
                block.resize(size32 + skew);
                auto* state = reinterpret_cast<VokWinHybridState_G729E_32f*>(block.data() + skew);
                if (op & 0x40) {
                    voksWinHybridInit_G729E_32f(state);
                } else {
                    // Float states hold float autocorrelations: fill them with finite values.
                    const auto vals = in.vf(static_cast<size_t>(size32) / sizeof(float));
                    std::memcpy(block.data() + skew, vals.data(), vals.size() * sizeof(float));
                }
                const auto src = in.vf(145);
                return voksWinHybrid_G729E_32f(src.data(), in.vf(31).data(), state);
            },
        };
        return g.run(calls, op);
    });
}

int ops_g729_exc(const uint8_t* data, size_t size) {
    return run_ops(data, size, 4, [](Input& in, uint8_t op) {
        const auto target = in.v16(kSub);
        auto impulse = in.v16(kSub);
        if (op & 0x40) impulse[0] = 4096;  // a Q12 response
        auto code = in.v16(kSub), flt = in.v16(kSub);
        int16_t delay_out[2] = {0, 0}, gain = 0, index[2];
        int32_t index32[2];
        Guard g;
        // A delay: mostly in the searches' range, sometimes any value; a sub-frame: mostly 0 or 1.
        auto delay = [&] { return (op & 0x80) ? in.i16() : static_cast<int16_t>(in.range(15, 150)); };
        auto sub = [&](uint8_t bit) { return (op & bit) ? in.i16() : static_cast<int16_t>(in.u8() & 1); };
        auto times = [&] { return static_cast<int16_t>((op & 0x10) ? in.i16() : in.range(0, 1000)); };
        auto len = [&] { return in.length(1, 200); };
        auto open_loop = [&] {
            int16_t lag = 0;
            int32_t lag32 = 0;
            if (op % 20 == 2) return voksOpenLoopPitchSearch_G729A_32f(in.vf(143 + 80).data() + 143, &lag32);
            const auto w = in.v16(143 + 80);
            return (op % 20 == 0) ? voksOpenLoopPitchSearch_G729_16s(w.data() + 143, &lag)
                                  : voksOpenLoopPitchSearch_G729A_16s(w.data() + 143, &lag);
        };
        auto adaptive_search = [&] {
            auto& exc = g(in.v16(kExc));
            auto vec = in.v16(kSub);
            const int16_t d = delay(), s = sub(0x20);
            const auto fn =
                (op % 20 == 3) ? voksAdaptiveCodebookSearch_G729_16s : voksAdaptiveCodebookSearch_G729A_16s;
            return fn(d, target.data(), impulse.data(), exc.data(), delay_out, vec.data(), s);
        };
        // D4i40_17 on a matrix computed from the response or arbitrary.
        auto search32 = [&] {
            std::vector<int32_t> m = in.v32(kMat);
            if (op & 0x20) voksToeplizMatrix_G729_16s32s(impulse.data(), m.data());
            int16_t t = times();
            const int16_t s = sub(0x08);
            return (op % 20 == 11)
                       ? voksFixedCodebookSearch_G729_32s16s(target.data(), m.data(), code.data(), index, &t,
                                                             s)
                       : voksFixedCodebookSearch_G729A_32s16s(target.data(), m.data(), code.data(), index);
        };
        auto search16 = [&] {
            std::vector<int16_t> m = in.v16(kMat);
            if (op & 0x20) voksToeplizMatrix_G729_16s(impulse.data(), m.data());
            int16_t t = times();
            const int16_t s = sub(0x08);
            return (op % 20 == 13)
                       ? voksFixedCodebookSearch_G729_16s(target.data(), m.data(), code.data(), index, &t, s)
                       : voksFixedCodebookSearch_G729A_16s(target.data(), m.data(), code.data(), index);
        };
        auto float_search = [&] {
            const auto d = in.vf(kSub);
            auto h = in.vf(kSub), c = in.vf(kSub), f = in.vf(kSub);
            const int kind = (op >> 4) & 3;
            if (kind == 2) {
                std::vector<float> m(552);
                voksToeplizMatrix_G729D_32f(h.data(), m.data());
                return call(voksFixedCodebookSearch_G729D_32f, Args{d, h, c, f, index32, index32 + 1});
            }
            if (kind == 3) {
                const auto ltp = in.vf(kSub);
                auto idx = in.v32(5);
                return voksFixedCodebookSearch_G729E_32f(in.i32(), d.data(), ltp.data(), h.data(), c.data(),
                                                         f.data(), idx.data());
            }
            std::vector<float> m = in.vf(kMat);
            if (op & 0x40) voksToeplizMatrix_G729_32f(h.data(), m.data());
            if (kind == 1) return voksFixedCodebookSearch_G729A_32f(d.data(), m.data(), c.data(), index32);
            int32_t t = (op & 0x80) ? in.i32() : in.range(0, 1000);
            return voksFixedCodebookSearch_G729_32f(d.data(), m.data(), c.data(), index32, &t,
                                                    (op & 0x08) ? in.i32() : (in.u8() & 1));
        };
        const Call calls[] = {
            open_loop,
            open_loop,
            open_loop,
            adaptive_search,
            adaptive_search,
            [&] {
                const auto exc = in.v16(kExc);
                const int16_t d = delay(), s = sub(0x20);
                return voksAdaptiveCodebookSearch_G729D_16s(d, target.data(), impulse.data(), exc.data(), s,
                                                            delay_out);
            },
            [&] {
                int16_t d[2] = {delay(), static_cast<int16_t>((op & 0x20) ? in.i16() : in.range(-1, 1))};
                auto& exc = g(in.v16(kExc));
                if (op & 0x10) return voksDecodeAdaptiveVector_G729_16s_I(d, exc.data());
                const VokStatus s = call(voksDecodeAdaptiveVector_G729_16s, Args{d, exc, in.v16(kSub)});
                g.untouched();  // the excitation is only read
                return s;
            },
            [&] {
                const int32_t d[2] = {(op & 0x80) ? in.i32() : in.range(15, 150),
                                      (op & 0x20) ? in.i32() : in.range(-1, 1)};
                // T0 + 11 past samples, T0 <= 145
                return call(voksDecodeAdaptiveVector_G729_32f_I, Args{d, At{in.vf(156 + kSub), 156}});
            },
            [&] {
                if (op & 0x80) {
                    const auto y = in.vf(kSub), x = in.vf(kSub);
                    auto out = in.vf(kSub);
                    return voksAdaptiveCodebookContribution_G729_32f(in.f32(), y.data(), x.data(),
                                                                     out.data());
                }
                auto out = in.v16(kSub);
                return voksAdaptiveCodebookContribution_G729_16s(in.sample(), code.data(), target.data(),
                                                                 out.data());
            },
            [&] {
                return call(voksAdaptiveCodebookGain_G729_16s, Args{target, impulse, code, flt, &gain});
            },
            [&] {
                return call(voksAdaptiveCodebookGain_G729A_16s, Args{target, in.v16(11), code, flt, &gain});
            },
            search32,
            search32,
            search16,
            search16,
            [&] {
                return call(voksFixedCodebookSearch_G729D_16s,
                            Args{target, impulse, code, flt, index, index + 1});
            },
            [&] {
                const auto ltp = in.v16(kSub);
                auto idx = in.v16(5);
                return voksFixedCodebookSearch_G729E_16s(in.i16(), target.data(), ltp.data(), impulse.data(),
                                                         code.data(), flt.data(), idx.data());
            },
            float_search,
            [&] {
                const int l = len();
                float fdp = 0;
                int32_t dp = 0;
                if (op & 0x80)
                    return call(voksDotProd_G729A_32f, Args{in.vf(count(l)), in.vf(count(l)), l, &fdp});
                return call(voksDotProd_G729A_16s32s, Args{in.v16(count(l)), in.v16(count(l)), l, &dp});
            },
            [&] {
                const int l = len();
                return call(voksFilteredExcitation_G729_32f,
                            Args{in.vf(count(l)), in.vf(count(l)), l, in.f32()});
            },
        };
        return g.run(calls, op);
    });
}

int ops_g729_gain(const uint8_t* data, size_t size) {
    return run_ops(data, size, 6, [](Input& in, uint8_t op) {
        const auto x = in.v16(kSub), y1 = in.v16(kSub), c = in.v16(kSub), y2 = in.v16(kSub);
        auto past = in.v16(4);
        if (op & 0x40) past.assign(4, -14336);
        Guard g;
        auto& dst = g(in.v16(kSub));
        int16_t gains[2] = {in.i16(), in.i16()}, indices[2] = {in.i16(), in.i16()}, voicing = 0;
        auto quant = [&] {
            const int16_t taming = (op & 0x80) ? in.i16() : static_cast<int16_t>(in.u8() & 1);
            const auto fn = (op % 22 == 0) ? voksGainQuant_G729_16s : voksGainQuant_G729D_16s;
            return fn(x.data(), y1.data(), c.data(), y2.data(), past.data(), gains, indices, taming);
        };
        auto decode = [&] {
            const int32_t energy = (op & 0x80) ? in.i32() : static_cast<int32_t>(in.u32() & 0x7FFFFFFF);
            const Vok16s* idx = (op & 0x20) ? nullptr : indices;
            return (op % 22 == 2) ? voksDecodeGain_G729_16s(energy, past.data(), idx, gains)
                                  : voksDecodeGain_G729I_16s(energy, in.i16(), past.data(), idx, gains);
        };
        auto search = [&] {
            const auto corr = in.vf(5);
            int32_t cand[2] = {(op & 0x80) ? in.i32() : in.range(0, 8),
                               (op & 0x80) ? in.i32() : in.range(0, 8)};
            int32_t index[2] = {0, 0};
            const int32_t taming = (op & 0x20) ? in.i32() : (in.u8() & 1);
            return (op % 22 == 4)
                       ? voksGainCodebookSearch_G729_32f(corr.data(), cand, index, taming, in.f32())
                       : voksGainCodebookSearch_G729D_32f(corr.data(), cand, index, taming, in.f32());
        };
        auto long_term = [&] {
            const auto speech = in.v16(10 + kSub), lpc = in.v16(11);
            auto res = in.v16(194);
            const int16_t delay = (op & 0x80) ? in.i16() : static_cast<int16_t>(in.range(0, 146));
            if (op % 22 == 7)
                return voksLongTermPostFilter_G729A_16s(delay, speech.data() + 10, lpc.data(), res.data(),
                                                        dst.data());
            const int16_t type = (op & 0x20) ? in.i16() : static_cast<int16_t>(in.range(0, 2));
            return voksLongTermPostFilter_G729B_16s(delay, speech.data() + 10, lpc.data(), res.data(),
                                                    dst.data(), &voicing, type);
        };
        // A length argument with its exact-size, guarded buffer.
        auto guarded = [&](int len) -> std::vector<int16_t>& { return g(in.v16(count(len))); };
        const Call calls[] = {
            quant,
            quant,
            decode,
            decode,
            search,
            search,
            [&] {
                const auto res = in.v16(152 + kSub);
                const int16_t gamma = (op & 0x80) ? in.i16() : static_cast<int16_t>(in.range(0, 16384));
                const int delay = (op & 0x20) ? in.i32() : in.range(17, 144);
                return voksLongTermPostFilter_G729_16s(gamma, delay, res.data() + 152, dst.data(), &voicing);
            },
            long_term,
            long_term,
            [&] {
                return call(voksShortTermPostFilter_G729_16s,
                            Args{in.v16(11), x, At{in.v16(10 + kSub), 10}, in.v16(20)});
            },
            [&] {
                return call(voksTiltCompensation_G729_16s, Args{in.v16(20), At{in.v16(1 + kSub), 1}});
            },
            [&] {
                return call(voksTiltCompensation_G729A_16s, Args{in.v16(22), At{in.v16(1 + kSub), 1}});
            },
            [&] {
                const auto s = in.v16(1 + kSub);
                return voksTiltCompensation_G729E_16s(in.i16(), s.data(), dst.data());
            },
            [&] {
                int16_t gain = (op & 0x80) ? in.i16() : 16384;
                return call((op & 0x20) ? voksGainControl_G729A_16s_I : voksGainControl_G729_16s_I,
                            Args{x, in.v16(kSub), &gain});
            },
            [&] {
                auto s = in.vf(kSub);
                float gain = in.f32();
                return call(voksGainControl_G729_32f_I, Args{s, &gain, in.f32(), in.f32()});
            },
            [&] {
                const int len = in.length(1, 200);
                auto &s = guarded(len), &d = guarded(len), &mem = g(std::vector<int16_t>{in.i16()});
                return (op & 0x80)
                           ? voksPreemphasize_G729A_16s_I(in.i16(), s.data(), len, mem.data())
                           : voksPreemphasize_G729A_16s(in.i16(), s.data(), d.data(), len, mem.data());
            },
            [&] {
                int state_size = 0;
                voksPhaseDispersionGetStateSize_G729D_16s(&state_size);
                std::vector<uint8_t> block;
                auto* state = state_block<VokG729PhaseDispersionState>(
                    in, block, state_size, op & 3, op & 0x80, voksPhaseDispersionInit_G729D_16s);
                VokStatus s = vokStatusOk;
                for (int k = 0; k < 3; ++k) {
                    if (in.u8() & 1) {
                        s = call(voksPhaseDispersionUpdate_G729D_16s, Args{in.i16(), in.i16(), state});
                    } else {
                        auto fixed = in.v16(kSub);
                        s = call(voksPhaseDispersion_G729D_16s,
                                 Args{x, dst, in.i16(), in.i16(), fixed, state});
                    }
                }
                return s;
            },
            [&] {
                int state_size = 0;
                voksHighPassFilterSize_G729(&state_size);
                std::vector<uint8_t> block;
                auto* state = state_block<VokG729HighPassState>(
                    in, block, state_size, op & 3, op & 0x80,
                    [&](auto* s) { voksHighPassFilterInit_G729(in.v16(6).data(), s); });
                g(std::move(block));  // the state stays where it is
                const int len = in.length(1, 200);
                auto& s = guarded(len);
                const int sf = (op & 0x20) ? in.i32() : 12 + (in.u8() & 1);
                return voksHighPassFilter_G729_16s_ISfs(s.data(), len, sf, state);
            },
            [&] {
                return call((op & 0x80) ? voksIIR16sLow_G729_16s : voksIIR16s_G729_16s,
                            Args{in.v16(22), in.v16(10 + kSub), dst, in.v16(10)});
            },
            [&] {
                return call(voksResidualFilter_G729_16s, Args{At{in.v16(10 + kSub), 10}, in.v16(11), dst});
            },
            [&] {
                const int len = in.length(1, 200);
                const size_t n = count(len);
                const int order = in.length(1, 40);
                const size_t o = order > 0 ? static_cast<size_t>(order) : 1;
                const auto lpc = in.v16(o + 1);
                auto& d = guarded(len);
                if (op & 0x80) {
                    const auto src = in.v16(o + n);
                    return voksResidualFilter_G729E_16s(lpc.data(), order, src.data() + o, d.data(), len);
                }
                const auto src = in.v16(n);
                auto& mem = g(in.v16(o));
                return (op & 0x40)
                           ? voksSynthesisFilter_G729E_16s_I(lpc.data(), order, d.data(), len, mem.data())
                           : voksSynthesisFilter_G729E_16s(lpc.data(), order, src.data(), d.data(), len,
                                                           mem.data());
            },
            [&] {
                const int len = in.length(1, 640, true), order = in.length(1, 30, true);
                const size_t n = len >= 1 && len <= 640 ? static_cast<size_t>(len) : 1;
                const size_t o = order >= 1 && order <= 30 ? static_cast<size_t>(order) : 1;
                return call(voksSynthesisFilter_G729_32f,
                            Args{in.vf(o + 1), order, in.vf(n), in.vf(n), len, in.vf(o)});
            },
        };
        return g.run(calls, op);
    });
}

int ops_g729_sid(const uint8_t* data, size_t size) {
    return run_ops(data, size, 6, [](Input& in, uint8_t op) {
        Guard g;
        const Call calls[] = {
            [&] {
                int16_t exp = 0;
                return call(voksAutoCorr_G729B, Args{in.v16(240), &exp, in.v32(13)});
            },
            [&] {
                auto r = in.v32(11);
                if (op & 0x80) r[0] = std::max(r[0], int32_t{0x10000});
                auto &a = g(in.v16(11)), &rc = g(in.v16(2)), &err = g(in.v16(1));
                const VokStatus s = voksLevinsonDurbin_G729B(r.data(), a.data(), rc.data(), err.data());
                if (s != vokStatusOk) g.untouched();  // the overflow warning writes nothing either
                return s;
            },
            [&] {
                return call(voksLSFQuant_G729B_16s, Args{in.v16(10), in.v16(40), in.v16(10), in.v16(3)});
            },
            [&] {
                return call(voksLSFQuant_G729B_32f, Args{in.vf(10), in.vf(40), in.vf(10), in.v32(3)});
            },
            [&] {
                // A SID index: mode 0..1 and stage indices in range, or any value when bit 7 is set.
                std::vector<int32_t> idx(3);
                const int hi[3] = {1, 31, 15};
                for (int i = 0; i < 3; ++i) idx[i] = (op & 0x80) ? in.i16() : in.range(0, hi[i]);
                if (op & 0x40) return call(voksLSFDecode_G729B_32f, Args{idx, g(in.vf(40)), g(in.vf(10))});
                const std::vector<int16_t> idx16(idx.begin(), idx.end());
                return call(voksLSFDecode_G729B_16s, Args{idx16, g(in.v16(40)), g(in.v16(10))});
            },
            [&] {
                const int len = in.length(1, 300);
                if (op & 0x40)
                    return call(voksRandomNoiseExcitation_G729B_16s32f,
                                Args{g(in.v16(1)), g(in.vf(count(len))), len});
                return call(voksRandomNoiseExcitation_G729B_16s,
                            Args{g(in.v16(1)), g(in.v16(count(len))), len});
            },
        };
        return g.run(calls, op);
    });
}

}  // namespace voksfuzz

// G.729 gain, post-filter and boundary-filter operations: arbitrary signals, gains, delays and
// memories; high-pass and phase-dispersion state blocks holding arbitrary bytes.
#include "ops.h"

namespace voksfuzz {

namespace {
constexpr size_t kSub = 40;
}  // namespace

int ops_g729_gain(const uint8_t* data, size_t size) {
    return run_ops(data, size, 6, [](Input& in, uint8_t op) {
        const auto x = in.vec<int16_t>(kSub), y1 = in.vec<int16_t>(kSub);
        const auto c = in.vec<int16_t>(kSub), y2 = in.vec<int16_t>(kSub);
        auto past = in.vec<int16_t>(4);
        if (op & 0x40) past.assign(4, -14336);
        Guard g;
        auto& dst = g(in.vec<int16_t>(kSub));
        int16_t gains[2] = {in.i16(), in.i16()}, indices[2] = {in.i16(), in.i16()};
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
            const auto corr = in.vec<float>(5);
            int32_t cand[2] = {(op & 0x80) ? in.i32() : in.range(0, 8),
                               (op & 0x80) ? in.i32() : in.range(0, 8)};
            int32_t index[2] = {0, 0};
            const int32_t taming = (op & 0x20) ? in.i32() : (in.u8() & 1);
            return (op % 22 == 4)
                       ? voksGainCodebookSearch_G729_32f(corr.data(), cand, index, taming, in.f32())
                       : voksGainCodebookSearch_G729D_32f(corr.data(), cand, index, taming, in.f32());
        };
        auto long_term = [&] {
            const auto speech = in.vec<int16_t>(10 + kSub);
            const auto lpc = in.vec<int16_t>(11);
            auto res = in.vec<int16_t>(194);
            const int16_t delay = (op & 0x80) ? in.i16() : static_cast<int16_t>(in.range(0, 146));
            int16_t voicing = 0;
            if (op % 22 == 7)
                return voksLongTermPostFilter_G729A_16s(delay, speech.data() + 10, lpc.data(), res.data(),
                                                        dst.data());
            const int16_t type = (op & 0x20) ? in.i16() : static_cast<int16_t>(in.range(0, 2));
            return voksLongTermPostFilter_G729B_16s(delay, speech.data() + 10, lpc.data(), res.data(),
                                                    dst.data(), &voicing, type);
        };
        const Call calls[] = {
            quant,
            quant,
            decode,
            decode,
            search,
            search,
            [&] {
                const auto res = in.vec<int16_t>(152 + kSub);
                const int16_t gamma = (op & 0x80) ? in.i16() : static_cast<int16_t>(in.range(0, 16384));
                const int delay = (op & 0x20) ? in.i32() : in.range(17, 144);
                int16_t voicing = 0;
                return voksLongTermPostFilter_G729_16s(gamma, delay, res.data() + 152, dst.data(), &voicing);
            },
            long_term,
            long_term,
            [&] {
                const auto lpc = in.vec<int16_t>(11);
                auto out = in.vec<int16_t>(10 + kSub);
                auto h = in.vec<int16_t>(20);
                return voksShortTermPostFilter_G729_16s(lpc.data(), x.data(), out.data() + 10, h.data());
            },
            [&] {
                const auto h = in.vec<int16_t>(20);
                return voksTiltCompensation_G729_16s(h.data(), in.vec<int16_t>(1 + kSub).data() + 1);
            },
            [&] {
                const auto lpc = in.vec<int16_t>(22);
                return voksTiltCompensation_G729A_16s(lpc.data(), in.vec<int16_t>(1 + kSub).data() + 1);
            },
            [&] {
                const auto s = in.vec<int16_t>(1 + kSub);
                return voksTiltCompensation_G729E_16s(in.i16(), s.data(), dst.data());
            },
            [&] {
                int16_t gain = (op & 0x80) ? in.i16() : 16384;
                auto s = in.vec<int16_t>(kSub);
                return (op & 0x20) ? voksGainControl_G729A_16s_I(x.data(), s.data(), &gain)
                                   : voksGainControl_G729_16s_I(x.data(), s.data(), &gain);
            },
            [&] {
                auto s = in.vec<float>(kSub);
                float gain = in.f32();
                return voksGainControl_G729_32f_I(s.data(), &gain, in.f32(), in.f32());
            },
            [&] {
                const int len = in.length(1, 200);
                auto& s = g(in.vec<int16_t>(count(len)));
                auto& d = g(in.vec<int16_t>(count(len)));
                auto& mem = g(std::vector<int16_t>{in.i16()});
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
                        s = voksPhaseDispersionUpdate_G729D_16s(in.i16(), in.i16(), state);
                    } else {
                        auto fixed = in.vec<int16_t>(kSub);
                        s = voksPhaseDispersion_G729D_16s(x.data(), dst.data(), in.i16(), in.i16(),
                                                          fixed.data(), state);
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
                    [&](auto* s) { voksHighPassFilterInit_G729(in.vec<int16_t>(6).data(), s); });
                g(std::move(block));  // the state stays where it is
                const int len = in.length(1, 200);
                auto& s = g(in.vec<int16_t>(count(len)));
                const int sf = (op & 0x20) ? in.i32() : 12 + (in.u8() & 1);
                return voksHighPassFilter_G729_16s_ISfs(s.data(), len, sf, state);
            },
            [&] {
                const auto coeffs = in.vec<int16_t>(22);
                const auto src = in.vec<int16_t>(10 + kSub);
                auto mem = in.vec<int16_t>(10);
                return (op & 0x80) ? voksIIR16sLow_G729_16s(coeffs.data(), src.data(), dst.data(), mem.data())
                                   : voksIIR16s_G729_16s(coeffs.data(), src.data(), dst.data(), mem.data());
            },
            [&] {
                const auto src = in.vec<int16_t>(10 + kSub);
                const auto lpc = in.vec<int16_t>(11);
                return voksResidualFilter_G729_16s(src.data() + 10, lpc.data(), dst.data());
            },
            [&] {
                const int len = in.length(1, 200);
                const size_t n = count(len);
                const int order = in.length(1, 40);
                const size_t o = order > 0 ? static_cast<size_t>(order) : 1;
                const auto lpc = in.vec<int16_t>(o + 1);
                auto& d = g(in.vec<int16_t>(n));
                if (op & 0x80) {
                    const auto src = in.vec<int16_t>(o + n);
                    return voksResidualFilter_G729E_16s(lpc.data(), order, src.data() + o, d.data(), len);
                }
                const auto src = in.vec<int16_t>(n);
                auto& mem = g(in.vec<int16_t>(o));
                return (op & 0x40)
                           ? voksSynthesisFilter_G729E_16s_I(lpc.data(), order, d.data(), len, mem.data())
                           : voksSynthesisFilter_G729E_16s(lpc.data(), order, src.data(), d.data(), len,
                                                           mem.data());
            },
            [&] {
                const int len = in.length(1, 640, true);
                const int order = in.length(1, 30, true);
                const size_t n = len >= 1 && len <= 640 ? static_cast<size_t>(len) : 1;
                const size_t o = order >= 1 && order <= 30 ? static_cast<size_t>(order) : 1;
                const auto lpc = in.vec<float>(o + 1), src = in.vec<float>(n);
                auto d = in.vec<float>(n), mem = in.vec<float>(o);
                return voksSynthesisFilter_G729_32f(lpc.data(), order, src.data(), d.data(), len, mem.data());
            },
        };
        return g.run(calls, op);
    });
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(ops_g729_gain)

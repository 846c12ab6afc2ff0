// G.729 gain, post-filter and boundary-filter operations: arbitrary signals, gains, delays and
// memories; high-pass and phase-dispersion state blocks holding arbitrary bytes.
#include <cstdlib>
#include <cstring>
#include <vector>

#include <voksc.h>

#include "fuzz_input.h"
#include "fuzz_targets.h"

namespace voksfuzz {

namespace {
constexpr size_t kSub = 40;
}  // namespace

int ops_g729_gain(const uint8_t* data, size_t size) {
    Input in(data, size);
    select_level(in.u8());
    for (int step = 0; step < 6 && !in.empty(); ++step) {
        const uint8_t op = in.u8();
        const auto x = in.vec<int16_t>(kSub), y1 = in.vec<int16_t>(kSub);
        const auto c = in.vec<int16_t>(kSub), y2 = in.vec<int16_t>(kSub);
        auto past = in.vec<int16_t>(4);
        if (op & 0x40) past.assign(4, -14336);
        auto dst = in.vec<int16_t>(kSub);
        const auto dst0 = dst;
        int16_t gains[2] = {in.i16(), in.i16()}, indices[2] = {in.i16(), in.i16()};
        VokStatus st = vokStatusOk;
        switch (op % 22) {
            case 0:
            case 1: {
                const int16_t taming = (op & 0x80) ? in.i16() : static_cast<int16_t>(in.u8() & 1);
                st = (op % 22 == 0) ? voksGainQuant_G729_16s(x.data(), y1.data(), c.data(), y2.data(), past.data(),
                                                             gains, indices, taming)
                                    : voksGainQuant_G729D_16s(x.data(), y1.data(), c.data(), y2.data(), past.data(),
                                                              gains, indices, taming);
                break;
            }
            case 2:
            case 3: {
                const int32_t energy = (op & 0x80) ? in.i32() : static_cast<int32_t>(in.u32() & 0x7FFFFFFF);
                const Vok16s* idx = (op & 0x20) ? nullptr : indices;
                st = (op % 22 == 2) ? voksDecodeGain_G729_16s(energy, past.data(), idx, gains)
                                    : voksDecodeGain_G729I_16s(energy, in.i16(), past.data(), idx, gains);
                break;
            }
            case 4:
            case 5: {
                const auto corr = in.vec<float>(5);
                int32_t cand[2] = {(op & 0x80) ? in.i32() : in.range(0, 8), (op & 0x80) ? in.i32() : in.range(0, 8)};
                int32_t index[2] = {0, 0};
                const int32_t taming = (op & 0x20) ? in.i32() : (in.u8() & 1);
                st = (op % 22 == 4) ? voksGainCodebookSearch_G729_32f(corr.data(), cand, index, taming, in.f32())
                                    : voksGainCodebookSearch_G729D_32f(corr.data(), cand, index, taming, in.f32());
                break;
            }
            case 6: {
                const auto res = in.vec<int16_t>(152 + kSub);
                const int16_t gamma = (op & 0x80) ? in.i16() : static_cast<int16_t>(in.range(0, 16384));
                const int delay = (op & 0x20) ? in.i32() : in.range(17, 144);
                int16_t voicing = 0;
                st = voksLongTermPostFilter_G729_16s(gamma, delay, res.data() + 152, dst.data(), &voicing);
                break;
            }
            case 7:
            case 8: {
                const auto speech = in.vec<int16_t>(10 + kSub);
                const auto lpc = in.vec<int16_t>(11);
                auto res = in.vec<int16_t>(194);
                const int16_t delay = (op & 0x80) ? in.i16() : static_cast<int16_t>(in.range(0, 146));
                int16_t voicing = 0;
                if (op % 22 == 7) {
                    st = voksLongTermPostFilter_G729A_16s(delay, speech.data() + 10, lpc.data(), res.data(), dst.data());
                } else {
                    const int16_t type = (op & 0x20) ? in.i16() : static_cast<int16_t>(in.range(0, 2));
                    st = voksLongTermPostFilter_G729B_16s(delay, speech.data() + 10, lpc.data(), res.data(), dst.data(),
                                                         &voicing, type);
                }
                break;
            }
            case 9: {
                const auto lpc = in.vec<int16_t>(11);
                auto out = in.vec<int16_t>(10 + kSub);
                auto h = in.vec<int16_t>(20);
                st = voksShortTermPostFilter_G729_16s(lpc.data(), x.data(), out.data() + 10, h.data());
                break;
            }
            case 10: {
                const auto h = in.vec<int16_t>(20);
                auto s = in.vec<int16_t>(1 + kSub);
                st = voksTiltCompensation_G729_16s(h.data(), s.data() + 1);
                break;
            }
            case 11: {
                const auto lpc = in.vec<int16_t>(22);
                auto s = in.vec<int16_t>(1 + kSub);
                st = voksTiltCompensation_G729A_16s(lpc.data(), s.data() + 1);
                break;
            }
            case 12: {
                const auto s = in.vec<int16_t>(1 + kSub);
                st = voksTiltCompensation_G729E_16s(in.i16(), s.data(), dst.data());
                break;
            }
            case 13: {
                int16_t g = (op & 0x80) ? in.i16() : 16384;
                auto s = in.vec<int16_t>(kSub);
                st = (op & 0x20) ? voksGainControl_G729A_16s_I(x.data(), s.data(), &g)
                                 : voksGainControl_G729_16s_I(x.data(), s.data(), &g);
                break;
            }
            case 14: {
                auto s = in.vec<float>(kSub);
                float g = in.f32();
                st = voksGainControl_G729_32f_I(s.data(), &g, in.f32(), in.f32());
                break;
            }
            case 15: {
                const int len = in.length(1, 200);
                const size_t n = len > 0 ? static_cast<size_t>(len) : 1;
                auto s = in.vec<int16_t>(n), d = in.vec<int16_t>(n);
                const auto s0 = s, d0 = d;
                int16_t mem = in.i16();
                const int16_t mem0 = mem;
                st = (op & 0x80) ? voksPreemphasize_G729A_16s_I(in.i16(), s.data(), len, &mem)
                                 : voksPreemphasize_G729A_16s(in.i16(), s.data(), d.data(), len, &mem);
                expect_untouched(st, s0, s);
                expect_untouched(st, d0, d);
                if (st < 0 && mem != mem0) std::abort();
                break;
            }
            case 16: {
                int state_size = 0;
                voksPhaseDispersionGetStateSize_G729D_16s(&state_size);
                const size_t skew = op & 3;
                std::vector<uint8_t> block(static_cast<size_t>(state_size) + skew);
                auto* state = reinterpret_cast<VokG729PhaseDispersionState*>(block.data() + skew);
                if (op & 0x80) voksPhaseDispersionInit_G729D_16s(state);
                else in.fill(block.data() + skew, static_cast<size_t>(state_size));
                for (int k = 0; k < 3; ++k) {
                    if (in.u8() & 1) {
                        st = voksPhaseDispersionUpdate_G729D_16s(in.i16(), in.i16(), state);
                    } else {
                        auto fixed = in.vec<int16_t>(kSub);
                        st = voksPhaseDispersion_G729D_16s(x.data(), dst.data(), in.i16(), in.i16(), fixed.data(), state);
                    }
                }
                break;
            }
            case 17: {
                int state_size = 0;
                voksHighPassFilterSize_G729(&state_size);
                const size_t skew = op & 3;
                std::vector<uint8_t> block(static_cast<size_t>(state_size) + skew);
                auto* state = reinterpret_cast<VokG729HighPassState*>(block.data() + skew);
                if (op & 0x80) {
                    const auto coeffs = in.vec<int16_t>(6);
                    voksHighPassFilterInit_G729(coeffs.data(), state);
                } else {
                    in.fill(block.data() + skew, static_cast<size_t>(state_size));
                }
                const int len = in.length(1, 200);
                const size_t n = len > 0 ? static_cast<size_t>(len) : 1;
                auto s = in.vec<int16_t>(n);
                const auto s0 = s;
                const std::vector<uint8_t> block0(block);
                const int sf = (op & 0x20) ? in.i32() : 12 + (in.u8() & 1);
                st = voksHighPassFilter_G729_16s_ISfs(s.data(), len, sf, state);
                expect_untouched(st, s0, s);
                if (st < 0 && block != block0) std::abort();
                break;
            }
            case 18: {
                const auto coeffs = in.vec<int16_t>(22);
                const auto src = in.vec<int16_t>(10 + kSub);
                auto mem = in.vec<int16_t>(10);
                st = (op & 0x80) ? voksIIR16sLow_G729_16s(coeffs.data(), src.data(), dst.data(), mem.data())
                                 : voksIIR16s_G729_16s(coeffs.data(), src.data(), dst.data(), mem.data());
                break;
            }
            case 19: {
                const auto src = in.vec<int16_t>(10 + kSub);
                const auto lpc = in.vec<int16_t>(11);
                st = voksResidualFilter_G729_16s(src.data() + 10, lpc.data(), dst.data());
                break;
            }
            case 20: {
                const int len = in.length(1, 200);
                const size_t n = len > 0 ? static_cast<size_t>(len) : 1;
                const int order = in.length(1, 40);
                const size_t o = order > 0 ? static_cast<size_t>(order) : 1;
                const auto lpc = in.vec<int16_t>(o + 1);
                auto d = in.vec<int16_t>(n);
                const auto d0 = d;
                if (op & 0x80) {
                    const auto src = in.vec<int16_t>(o + n);
                    st = voksResidualFilter_G729E_16s(lpc.data(), order, src.data() + o, d.data(), len);
                } else {
                    const auto src = in.vec<int16_t>(n);
                    auto mem = in.vec<int16_t>(o);
                    const auto mem0 = mem;
                    st = (op & 0x40) ? voksSynthesisFilter_G729E_16s_I(lpc.data(), order, d.data(), len, mem.data())
                                     : voksSynthesisFilter_G729E_16s(lpc.data(), order, src.data(), d.data(), len, mem.data());
                    expect_untouched(st, mem0, mem);
                }
                expect_untouched(st, d0, d);
                break;
            }
            default: {
                const int len = in.length(1, 640, true);
                const int order = in.length(1, 30, true);
                const size_t n = len >= 1 && len <= 640 ? static_cast<size_t>(len) : 1;
                const size_t o = order >= 1 && order <= 30 ? static_cast<size_t>(order) : 1;
                const auto lpc = in.vec<float>(o + 1), src = in.vec<float>(n);
                auto d = in.vec<float>(n), mem = in.vec<float>(o);
                st = voksSynthesisFilter_G729_32f(lpc.data(), order, src.data(), d.data(), len, mem.data());
                break;
            }
        }
        expect_untouched(st, dst0, dst);
    }
    return 0;
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(ops_g729_gain)

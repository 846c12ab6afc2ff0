// G.729 excitation operations: pitch searches on arbitrary weighted speech, adaptive-codebook
// searches and decoding with arbitrary delays and sub-frames, the correlation matrices and the
// fixed-codebook searches on arbitrary (or freshly computed) matrices.
#include <cstdlib>
#include <vector>

#include <voksc.h>

#include "fuzz_input.h"
#include "fuzz_targets.h"

namespace voksfuzz {

namespace {
constexpr size_t kSub = 40, kExc = 194, kMat = 616;

// A delay: mostly in the searches' range, sometimes any value.
int16_t delay_arg(Input& in, uint8_t op) { return (op & 0x80) ? in.i16() : static_cast<int16_t>(in.range(15, 150)); }
}  // namespace

int ops_g729_exc(const uint8_t* data, size_t size) {
    Input in(data, size);
    select_level(in.u8());
    for (int step = 0; step < 4 && !in.empty(); ++step) {
        const uint8_t op = in.u8();
        const auto target = in.vec<int16_t>(kSub);
        auto impulse = in.vec<int16_t>(kSub);
        if (op & 0x40) impulse[0] = 4096;  // a Q12 response
        auto code = in.vec<int16_t>(kSub), flt = in.vec<int16_t>(kSub);
        int16_t delay_out[2] = {0, 0}, gain = 0;
        VokStatus st = vokStatusOk;
        const int which = op % 20;
        switch (which) {
            case 0:
            case 1:
            case 2: {
                int16_t lag = 0;
                if (op % 20 == 2) {
                    const auto w = in.vec<float>(143 + 80);
                    int32_t lag32 = 0;
                    st = voksOpenLoopPitchSearch_G729A_32f(w.data() + 143, &lag32);
                } else {
                    const auto w = in.vec<int16_t>(143 + 80);
                    st = (op % 20 == 0) ? voksOpenLoopPitchSearch_G729_16s(w.data() + 143, &lag)
                                        : voksOpenLoopPitchSearch_G729A_16s(w.data() + 143, &lag);
                }
                break;
            }
            case 3:
            case 4: {
                auto exc = in.vec<int16_t>(kExc);
                const auto exc0 = exc;
                auto vec = in.vec<int16_t>(kSub);
                const int16_t d = delay_arg(in, op);
                const int16_t sub = (op & 0x20) ? in.i16() : static_cast<int16_t>(in.u8() & 1);
                st = (op % 20 == 3)
                         ? voksAdaptiveCodebookSearch_G729_16s(d, target.data(), impulse.data(), exc.data(), delay_out, vec.data(), sub)
                         : voksAdaptiveCodebookSearch_G729A_16s(d, target.data(), impulse.data(), exc.data(), delay_out, vec.data(), sub);
                expect_untouched(st, exc0, exc);
                break;
            }
            case 5: {
                const auto exc = in.vec<int16_t>(kExc);
                const int16_t d = delay_arg(in, op);
                const int16_t sub = (op & 0x20) ? in.i16() : static_cast<int16_t>(in.u8() & 1);
                st = voksAdaptiveCodebookSearch_G729D_16s(d, target.data(), impulse.data(), exc.data(), sub, delay_out);
                break;
            }
            case 6: {
                int16_t d[2] = {delay_arg(in, op), static_cast<int16_t>((op & 0x20) ? in.i16() : in.range(-1, 1))};
                auto exc = in.vec<int16_t>(kExc);
                const auto exc0 = exc;
                if (op & 0x10) {
                    st = voksDecodeAdaptiveVector_G729_16s_I(d, exc.data());
                    expect_untouched(st, exc0, exc);
                } else {
                    auto out = in.vec<int16_t>(kSub);
                    st = voksDecodeAdaptiveVector_G729_16s(d, exc.data(), out.data());
                    if (exc != exc0) std::abort();
                }
                break;
            }
            case 7: {
                const int32_t d[2] = {(op & 0x80) ? in.i32() : in.range(15, 150), (op & 0x20) ? in.i32() : in.range(-1, 1)};
                auto exc = in.vec<float>(156 + kSub);  // T0 + 11 past samples, T0 <= 145
                st = voksDecodeAdaptiveVector_G729_32f_I(d, exc.data() + 156);
                break;
            }
            case 8: {
                if (op & 0x80) {
                    const auto y = in.vec<float>(kSub), x = in.vec<float>(kSub);
                    auto out = in.vec<float>(kSub);
                    st = voksAdaptiveCodebookContribution_G729_32f(in.f32(), y.data(), x.data(), out.data());
                } else {
                    auto out = in.vec<int16_t>(kSub);
                    st = voksAdaptiveCodebookContribution_G729_16s(in.sample(), code.data(), target.data(), out.data());
                }
                break;
            }
            case 9:
                st = voksAdaptiveCodebookGain_G729_16s(target.data(), impulse.data(), code.data(), flt.data(), &gain);
                break;
            case 10: {
                auto lpc = in.vec<int16_t>(11);
                st = voksAdaptiveCodebookGain_G729A_16s(target.data(), lpc.data(), code.data(), flt.data(), &gain);
                break;
            }
            case 11:
            case 12: {
                // D4i40_17 on the 32-bit matrix: computed from the response or arbitrary.
                std::vector<int32_t> m = in.vec<int32_t>(kMat);
                if (op & 0x20) voksToeplizMatrix_G729_16s32s(impulse.data(), m.data());
                int16_t index[2], times = static_cast<int16_t>((op & 0x10) ? in.i16() : in.range(0, 1000));
                const int16_t sub = (op & 0x08) ? in.i16() : static_cast<int16_t>(in.u8() & 1);
                st = (op % 20 == 11) ? voksFixedCodebookSearch_G729_32s16s(target.data(), m.data(), code.data(), index, &times, sub)
                                     : voksFixedCodebookSearch_G729A_32s16s(target.data(), m.data(), code.data(), index);
                break;
            }
            case 13:
            case 14: {
                std::vector<int16_t> m = in.vec<int16_t>(kMat);
                if (op & 0x20) voksToeplizMatrix_G729_16s(impulse.data(), m.data());
                int16_t index[2], times = static_cast<int16_t>((op & 0x10) ? in.i16() : in.range(0, 1000));
                const int16_t sub = (op & 0x08) ? in.i16() : static_cast<int16_t>(in.u8() & 1);
                st = (op % 20 == 13) ? voksFixedCodebookSearch_G729_16s(target.data(), m.data(), code.data(), index, &times, sub)
                                     : voksFixedCodebookSearch_G729A_16s(target.data(), m.data(), code.data(), index);
                break;
            }
            case 15: {
                int16_t sign = 0, index = 0;
                st = voksFixedCodebookSearch_G729D_16s(target.data(), impulse.data(), code.data(), flt.data(), &sign, &index);
                break;
            }
            case 16: {
                const auto ltp = in.vec<int16_t>(kSub);
                auto index = in.vec<int16_t>(5);
                st = voksFixedCodebookSearch_G729E_16s(in.i16(), target.data(), ltp.data(), impulse.data(), code.data(),
                                                      flt.data(), index.data());
                break;
            }
            case 17: {
                // Float searches.
                const auto d = in.vec<float>(kSub);
                auto h = in.vec<float>(kSub);
                auto c = in.vec<float>(kSub), f = in.vec<float>(kSub);
                switch ((op >> 4) & 3) {
                    case 0: {
                        std::vector<float> m = in.vec<float>(kMat);
                        if (op & 0x40) voksToeplizMatrix_G729_32f(h.data(), m.data());
                        int32_t index[2], times = (op & 0x80) ? in.i32() : in.range(0, 1000);
                        st = voksFixedCodebookSearch_G729_32f(d.data(), m.data(), c.data(), index, &times,
                                                              (op & 0x08) ? in.i32() : (in.u8() & 1));
                        break;
                    }
                    case 1: {
                        std::vector<float> m = in.vec<float>(kMat);
                        if (op & 0x40) voksToeplizMatrix_G729_32f(h.data(), m.data());
                        int32_t index[2];
                        st = voksFixedCodebookSearch_G729A_32f(d.data(), m.data(), c.data(), index);
                        break;
                    }
                    case 2: {
                        std::vector<float> m(552);
                        voksToeplizMatrix_G729D_32f(h.data(), m.data());
                        int32_t sign = 0, index = 0;
                        st = voksFixedCodebookSearch_G729D_32f(d.data(), h.data(), c.data(), f.data(), &sign, &index);
                        break;
                    }
                    default: {
                        const auto ltp = in.vec<float>(kSub);
                        auto index = in.vec<int32_t>(5);
                        st = voksFixedCodebookSearch_G729E_32f(in.i32(), d.data(), ltp.data(), h.data(), c.data(),
                                                              f.data(), index.data());
                        break;
                    }
                }
                break;
            }
            case 18: {
                const int len = in.length(1, 200);
                const size_t n = len > 0 ? static_cast<size_t>(len) : 1;
                if (op & 0x80) {
                    const auto a = in.vec<float>(n), b = in.vec<float>(n);
                    float dp = 0;
                    st = voksDotProd_G729A_32f(a.data(), b.data(), len, &dp);
                } else {
                    const auto a = in.vec<int16_t>(n), b = in.vec<int16_t>(n);
                    int32_t dp = 0;
                    st = voksDotProd_G729A_16s32s(a.data(), b.data(), len, &dp);
                }
                break;
            }
            default: {
                const int len = in.length(1, 200);
                const size_t n = len > 0 ? static_cast<size_t>(len) : 1;
                const auto h = in.vec<float>(n);
                auto y = in.vec<float>(n);
                st = voksFilteredExcitation_G729_32f(h.data(), y.data(), len, in.f32());
                break;
            }
        }
        (void)st;
    }
    return 0;
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(ops_g729_exc)

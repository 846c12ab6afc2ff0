// G.729 excitation operations: pitch searches on arbitrary weighted speech, adaptive-codebook
// searches and decoding with arbitrary delays and sub-frames, the correlation matrices and the
// fixed-codebook searches on arbitrary (or freshly computed) matrices.
#include "ops.h"

namespace voksfuzz {

namespace {
constexpr size_t kSub = 40, kExc = 194, kMat = 616;
}  // namespace

int ops_g729_exc(const uint8_t* data, size_t size) {
    return run_ops(data, size, 4, [](Input& in, uint8_t op) {
        const auto target = in.vec<int16_t>(kSub);
        auto impulse = in.vec<int16_t>(kSub);
        if (op & 0x40) impulse[0] = 4096;  // a Q12 response
        auto code = in.vec<int16_t>(kSub), flt = in.vec<int16_t>(kSub);
        int16_t delay_out[2] = {0, 0}, gain = 0;
        Guard g;
        // A delay: mostly in the searches' range, sometimes any value; a sub-frame: mostly 0 or 1.
        auto delay = [&] { return (op & 0x80) ? in.i16() : static_cast<int16_t>(in.range(15, 150)); };
        auto sub = [&](uint8_t bit) { return (op & bit) ? in.i16() : static_cast<int16_t>(in.u8() & 1); };
        auto times = [&] { return static_cast<int16_t>((op & 0x10) ? in.i16() : in.range(0, 1000)); };
        auto len = [&] { return in.length(1, 200); };
        auto open_loop = [&] {
            int16_t lag = 0;
            if (op % 20 == 2) {
                const auto w = in.vec<float>(143 + 80);
                int32_t lag32 = 0;
                return voksOpenLoopPitchSearch_G729A_32f(w.data() + 143, &lag32);
            }
            const auto w = in.vec<int16_t>(143 + 80);
            return (op % 20 == 0) ? voksOpenLoopPitchSearch_G729_16s(w.data() + 143, &lag)
                                  : voksOpenLoopPitchSearch_G729A_16s(w.data() + 143, &lag);
        };
        auto adaptive_search = [&] {
            auto& exc = g(in.vec<int16_t>(kExc));
            auto vec = in.vec<int16_t>(kSub);
            const int16_t d = delay(), s = sub(0x20);
            const auto fn =
                (op % 20 == 3) ? voksAdaptiveCodebookSearch_G729_16s : voksAdaptiveCodebookSearch_G729A_16s;
            return fn(d, target.data(), impulse.data(), exc.data(), delay_out, vec.data(), s);
        };
        // D4i40_17 on a matrix computed from the response or arbitrary.
        auto search32 = [&] {
            std::vector<int32_t> m = in.vec<int32_t>(kMat);
            if (op & 0x20) voksToeplizMatrix_G729_16s32s(impulse.data(), m.data());
            int16_t index[2], t = times();
            const int16_t s = sub(0x08);
            return (op % 20 == 11)
                       ? voksFixedCodebookSearch_G729_32s16s(target.data(), m.data(), code.data(), index, &t,
                                                             s)
                       : voksFixedCodebookSearch_G729A_32s16s(target.data(), m.data(), code.data(), index);
        };
        auto search16 = [&] {
            std::vector<int16_t> m = in.vec<int16_t>(kMat);
            if (op & 0x20) voksToeplizMatrix_G729_16s(impulse.data(), m.data());
            int16_t index[2], t = times();
            const int16_t s = sub(0x08);
            return (op % 20 == 13)
                       ? voksFixedCodebookSearch_G729_16s(target.data(), m.data(), code.data(), index, &t, s)
                       : voksFixedCodebookSearch_G729A_16s(target.data(), m.data(), code.data(), index);
        };
        auto float_search = [&] {
            const auto d = in.vec<float>(kSub);
            auto h = in.vec<float>(kSub);
            auto c = in.vec<float>(kSub), f = in.vec<float>(kSub);
            const int kind = (op >> 4) & 3;
            if (kind == 2) {
                std::vector<float> m(552);
                voksToeplizMatrix_G729D_32f(h.data(), m.data());
                int32_t sign = 0, index = 0;
                return voksFixedCodebookSearch_G729D_32f(d.data(), h.data(), c.data(), f.data(), &sign,
                                                         &index);
            }
            if (kind == 3) {
                const auto ltp = in.vec<float>(kSub);
                auto index = in.vec<int32_t>(5);
                return voksFixedCodebookSearch_G729E_32f(in.i32(), d.data(), ltp.data(), h.data(), c.data(),
                                                         f.data(), index.data());
            }
            std::vector<float> m = in.vec<float>(kMat);
            if (op & 0x40) voksToeplizMatrix_G729_32f(h.data(), m.data());
            int32_t index[2];
            if (kind == 1) return voksFixedCodebookSearch_G729A_32f(d.data(), m.data(), c.data(), index);
            int32_t t = (op & 0x80) ? in.i32() : in.range(0, 1000);
            return voksFixedCodebookSearch_G729_32f(d.data(), m.data(), c.data(), index, &t,
                                                    (op & 0x08) ? in.i32() : (in.u8() & 1));
        };
        const Call calls[] = {
            open_loop,
            open_loop,
            open_loop,
            adaptive_search,
            adaptive_search,
            [&] {
                const auto exc = in.vec<int16_t>(kExc);
                const int16_t d = delay(), s = sub(0x20);
                return voksAdaptiveCodebookSearch_G729D_16s(d, target.data(), impulse.data(), exc.data(), s,
                                                            delay_out);
            },
            [&] {
                int16_t d[2] = {delay(), static_cast<int16_t>((op & 0x20) ? in.i16() : in.range(-1, 1))};
                auto& exc = g(in.vec<int16_t>(kExc));
                if (op & 0x10) return voksDecodeAdaptiveVector_G729_16s_I(d, exc.data());
                auto out = in.vec<int16_t>(kSub);
                const VokStatus s = voksDecodeAdaptiveVector_G729_16s(d, exc.data(), out.data());
                g.untouched();  // the excitation is only read
                return s;
            },
            [&] {
                const int32_t d[2] = {(op & 0x80) ? in.i32() : in.range(15, 150),
                                      (op & 0x20) ? in.i32() : in.range(-1, 1)};
                auto exc = in.vec<float>(156 + kSub);  // T0 + 11 past samples, T0 <= 145
                return voksDecodeAdaptiveVector_G729_32f_I(d, exc.data() + 156);
            },
            [&] {
                if (op & 0x80) {
                    const auto y = in.vec<float>(kSub), x = in.vec<float>(kSub);
                    auto out = in.vec<float>(kSub);
                    return voksAdaptiveCodebookContribution_G729_32f(in.f32(), y.data(), x.data(),
                                                                     out.data());
                }
                auto out = in.vec<int16_t>(kSub);
                return voksAdaptiveCodebookContribution_G729_16s(in.sample(), code.data(), target.data(),
                                                                 out.data());
            },
            [&] {
                return voksAdaptiveCodebookGain_G729_16s(target.data(), impulse.data(), code.data(),
                                                         flt.data(), &gain);
            },
            [&] {
                auto lpc = in.vec<int16_t>(11);
                return voksAdaptiveCodebookGain_G729A_16s(target.data(), lpc.data(), code.data(), flt.data(),
                                                          &gain);
            },
            search32,
            search32,
            search16,
            search16,
            [&] {
                int16_t sign = 0, index = 0;
                return voksFixedCodebookSearch_G729D_16s(target.data(), impulse.data(), code.data(),
                                                         flt.data(), &sign, &index);
            },
            [&] {
                const auto ltp = in.vec<int16_t>(kSub);
                auto index = in.vec<int16_t>(5);
                return voksFixedCodebookSearch_G729E_16s(in.i16(), target.data(), ltp.data(), impulse.data(),
                                                         code.data(), flt.data(), index.data());
            },
            float_search,
            [&] {
                const int l = len();
                if (op & 0x80) {
                    const auto a = in.vec<float>(count(l)), b = in.vec<float>(count(l));
                    float dp = 0;
                    return voksDotProd_G729A_32f(a.data(), b.data(), l, &dp);
                }
                const auto a = in.vec<int16_t>(count(l)), b = in.vec<int16_t>(count(l));
                int32_t dp = 0;
                return voksDotProd_G729A_16s32s(a.data(), b.data(), l, &dp);
            },
            [&] {
                const int l = len();
                const auto h = in.vec<float>(count(l));
                auto y = in.vec<float>(count(l));
                return voksFilteredExcitation_G729_32f(h.data(), y.data(), l, in.f32());
            },
        };
        return g.run(calls, op);
    });
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(ops_g729_exc)

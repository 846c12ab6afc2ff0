// GSM full-rate operations with arbitrary lengths, memories, coefficients and data; failed
// checks write nothing.
#include "ops.h"

namespace voksfuzz {

int ops_gsm(const uint8_t* data, size_t size) {
    return run_ops(data, size, 8, [](Input& in, uint8_t op) {
        const int len = in.length(1, 400);
        const size_t n = count(len);
        Guard g;
        auto& src = g(in.vec<int16_t>(n));
        auto& dst = g(in.vec<int16_t>(n));
        int16_t* out = (op & 0x80) ? src.data() : dst.data();
        auto mem16 = [&](size_t k) { return g(in.vec<int16_t>(k)).data(); };
        const Call deemphasize = [&] { return voksDeemphasize_GSMFR_16s_I(src.data(), len, mem16(1)); };
        const Call calls[] = {
            [&] { return voksHighPassFilter_GSMFR_16s(src.data(), out, len, g(in.vec<int32_t>(2)).data()); },
            [&] { return voksPreemphasize_GSMFR_16s(src.data(), out, len, mem16(1)); },
            [&] {
                const int order = in.length(1, 8, true);
                const auto acf = in.vec<int32_t>(9);
                return voksSchur_GSMFR_32s16s(acf.data(), mem16(8), order);
            },
            [&] {
                const auto rc = in.vec<int16_t>(8);
                return voksShortTermAnalysisFilter_GSMFR_16s_I(rc.data(), src.data(), len, mem16(8));
            },
            [&] {
                const auto rc = in.vec<int16_t>(8);
                return voksShortTermSynthesisFilter_GSMFR_16s(rc.data(), src.data(), out, len, mem16(9));
            },
            [&] {
                // Reads pSrc[-5] .. pSrc[len + 4].
                auto wide = in.vec<int16_t>(n + 10);
                return voksWeightingFilter_GSMFR_16s(wide.data() + 5, dst.data(), len);
            },
            [&] {
                const auto xmc = in.vec<int16_t>(13);
                Vok16s* xmp = mem16(13);
                return voksRPEQuantDecode_GSMFR_16s(xmc.data(), in.sample(), in.sample(), xmp);
            },
            deemphasize,
            deemphasize,
        };
        return g.run(calls, op);
    });
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(ops_gsm)

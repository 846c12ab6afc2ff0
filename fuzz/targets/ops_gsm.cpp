// GSM full-rate operations with arbitrary lengths, memories, coefficients and data; failed
// checks write nothing.
#include <cstdlib>
#include <vector>

#include <voksc.h>

#include "fuzz_input.h"
#include "fuzz_targets.h"

namespace voksfuzz {

int ops_gsm(const uint8_t* data, size_t size) {
    Input in(data, size);
    select_level(in.u8());
    for (int step = 0; step < 8 && !in.empty(); ++step) {
        const uint8_t op = in.u8();
        const int len = in.length(1, 400);
        const size_t n = len > 0 ? static_cast<size_t>(len) : 1;
        auto src = in.vec<int16_t>(n);
        auto dst = in.vec<int16_t>(n);
        const auto src0 = src, dst0 = dst;
        VokStatus st = vokStatusOk;
        switch (op % 9) {
            case 0: {
                auto mem = in.vec<int32_t>(2);
                const auto mem0 = mem;
                st = voksHighPassFilter_GSMFR_16s(src.data(), (op & 0x80) ? src.data() : dst.data(), len, mem.data());
                expect_untouched(st, mem0, mem);
                break;
            }
            case 1: {
                auto mem = in.vec<int16_t>(1);
                const auto mem0 = mem;
                st = voksPreemphasize_GSMFR_16s(src.data(), (op & 0x80) ? src.data() : dst.data(), len, mem.data());
                expect_untouched(st, mem0, mem);
                break;
            }
            case 2: {
                const int order = in.length(1, 8, true);
                const auto acf = in.vec<int32_t>(9);
                auto rc = in.vec<int16_t>(8);
                const auto rc0 = rc;
                st = voksSchur_GSMFR_32s16s(acf.data(), rc.data(), order);
                expect_untouched(st, rc0, rc);
                break;
            }
            case 3: {
                const auto rc = in.vec<int16_t>(8);
                auto mem = in.vec<int16_t>(8);
                const auto mem0 = mem;
                st = voksShortTermAnalysisFilter_GSMFR_16s_I(rc.data(), src.data(), len, mem.data());
                expect_untouched(st, mem0, mem);
                break;
            }
            case 4: {
                const auto rc = in.vec<int16_t>(8);
                auto mem = in.vec<int16_t>(9);
                const auto mem0 = mem;
                st = voksShortTermSynthesisFilter_GSMFR_16s(rc.data(), src.data(),
                                                            (op & 0x80) ? src.data() : dst.data(), len, mem.data());
                expect_untouched(st, mem0, mem);
                break;
            }
            case 5: {
                // Reads pSrc[-5] .. pSrc[len + 4].
                auto wide = in.vec<int16_t>(n + 10);
                st = voksWeightingFilter_GSMFR_16s(wide.data() + 5, dst.data(), len);
                break;
            }
            case 6: {
                const auto xmc = in.vec<int16_t>(13);
                auto xmp = in.vec<int16_t>(13);
                const auto xmp0 = xmp;
                st = voksRPEQuantDecode_GSMFR_16s(xmc.data(), in.sample(), in.sample(), xmp.data());
                expect_untouched(st, xmp0, xmp);
                break;
            }
            default: {
                auto mem = in.vec<int16_t>(1);
                const auto mem0 = mem;
                st = voksDeemphasize_GSMFR_16s_I(src.data(), len, mem.data());
                expect_untouched(st, mem0, mem);
                break;
            }
        }
        expect_untouched(st, src0, src);
        expect_untouched(st, dst0, dst);
    }
    return 0;
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(ops_gsm)

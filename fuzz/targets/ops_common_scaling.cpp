// Scaling operations with arbitrary lengths, scale factors and data; failed checks write
// nothing; AutoScale keeps its documented result (net shift, normalised block).
#include <cstdlib>
#include <vector>

#include <voksc.h>

#include "fuzz_input.h"
#include "fuzz_targets.h"

namespace voksfuzz {

int ops_common_scaling(const uint8_t* data, size_t size) {
    Input in(data, size);
    select_level(in.u8());
    for (int step = 0; step < 8 && !in.empty(); ++step) {
        const uint8_t op = in.u8();
        const int len = in.length(1, 300);
        const size_t n = len > 0 ? static_cast<size_t>(len) : 1;
        int sf = in.i32();
        if (in.u8() < 224) sf = sf & 63;  // mostly 0..63, sometimes any int
        const int16_t val = in.sample();
        auto a = in.vec<int16_t>(n);
        auto b = in.vec<int16_t>(n);
        auto dst = in.vec<int16_t>(n);
        const auto dst0 = dst, b0 = b;
        VokStatus st = vokStatusOk;
        switch (op % 9) {
            case 0: {
                int scale = in.i32();
                if (in.u8() < 224) scale &= 31;
                const int scale0 = scale;
                st = voksAutoScale_16s(a.data(), dst.data(), len, &scale);
                if (st < 0 && scale != scale0) std::abort();
                break;
            }
            case 1: {
                int scale = in.i32();
                if (in.u8() < 224) scale &= 31;
                st = voksAutoScale_16s_I(b.data(), len, &scale);
                expect_untouched(st, b0, b);
                break;
            }
            case 2: {
                std::vector<int32_t> v = in.vec<int32_t>(n);
                const auto v0 = v;
                st = voksInvSqrt_32s_I(v.data(), len);
                expect_untouched(st, v0, v);
                break;
            }
            case 3: {
                int32_t dp = 0x5A5A5A5A;
                int sfs = -7;
                st = voksDotProdAutoScale_16s32s_Sfs(a.data(), b.data(), len, &dp, &sfs);
                if (st < 0 && (dp != 0x5A5A5A5A || sfs != -7)) std::abort();
                if (st == vokStatusOk && (sfs < 0 || sfs > 30)) std::abort();
                break;
            }
            case 4:
                st = voksMul_NR_16s_Sfs(a.data(), b.data(), dst.data(), len, sf);
                break;
            case 5:
                st = voksMul_NR_16s_ISfs(a.data(), b.data(), len, sf);
                expect_untouched(st, b0, b);
                break;
            case 6:
                st = voksMulC_NR_16s_Sfs(a.data(), val, dst.data(), len, sf);
                break;
            case 7:
                st = voksMulC_NR_16s_ISfs(val, b.data(), len, sf);
                expect_untouched(st, b0, b);
                break;
            default:
                st = voksMulPowerC_NR_16s_Sfs(a.data(), val, dst.data(), len, sf);
                break;
        }
        expect_untouched(st, dst0, dst);
    }
    return 0;
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(ops_common_scaling)

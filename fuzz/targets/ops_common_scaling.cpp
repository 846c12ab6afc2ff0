// Scaling operations with arbitrary lengths, scale factors and data; failed checks write
// nothing; AutoScale keeps its documented result (net shift, normalised block).
#include "ops.h"

namespace voksfuzz {

int ops_common_scaling(const uint8_t* data, size_t size) {
    return run_ops(data, size, 8, [](Input& in, uint8_t op) {
        const int len = in.length(1, 300);
        const size_t n = count(len);
        int sf = in.i32();
        if (in.u8() < 224) sf = sf & 63;  // mostly 0..63, sometimes any int
        const int16_t val = in.sample();
        Guard g;
        auto a = in.vec<int16_t>(n);
        auto& b = g(in.vec<int16_t>(n));
        auto& dst = g(in.vec<int16_t>(n));
        auto scale = [&] {
            int s = in.i32();
            return std::vector<int>{in.u8() < 224 ? s & 31 : s};
        };
        const Call calls[] = {
            [&] { return voksAutoScale_16s(a.data(), dst.data(), len, g(scale()).data()); },
            [&] { return voksAutoScale_16s_I(b.data(), len, g(scale()).data()); },
            [&] { return voksInvSqrt_32s_I(g(in.vec<int32_t>(n)).data(), len); },
            [&] {
                int32_t dp = 0x5A5A5A5A;
                int sfs = -7;
                const VokStatus s = voksDotProdAutoScale_16s32s_Sfs(a.data(), b.data(), len, &dp, &sfs);
                if ((s < 0 && (dp != 0x5A5A5A5A || sfs != -7)) || (s == vokStatusOk && (sfs < 0 || sfs > 30)))
                    std::abort();
                return s;
            },
            [&] { return voksMul_NR_16s_Sfs(a.data(), b.data(), dst.data(), len, sf); },
            [&] { return voksMul_NR_16s_ISfs(a.data(), b.data(), len, sf); },
            [&] { return voksMulC_NR_16s_Sfs(a.data(), val, dst.data(), len, sf); },
            [&] { return voksMulC_NR_16s_ISfs(val, b.data(), len, sf); },
            [&] { return voksMulPowerC_NR_16s_Sfs(a.data(), val, dst.data(), len, sf); },
        };
        return g.run(calls, op);
    });
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(ops_common_scaling)

// Scaling, correlation, convolution and LP-filter operations with arbitrary lengths, lags, scale
// factors and data, every buffer exactly as large as the operation documents (history included);
// failed checks write nothing; AutoScale keeps its documented result (net shift, normalised block).
#include "ops.h"

namespace voksfuzz {

int ops_common_scaling(const uint8_t* data, size_t size) {
    return run_ops(data, size, 8, [](Input& in, uint8_t op) {
        const int len = in.length(1, 300);
        const size_t n = count(len);
        const int sf = in.mostly(63, 0);
        const int16_t val = in.sample();
        Guard g;
        auto a = in.v16(n);
        auto &b = g(in.v16(n)), &dst = g(in.v16(n));
        auto scale = [&] { return g(std::vector<int>{in.mostly(31, 0)}).data(); };
        const Call calls[] = {
            [&] { return voksAutoScale_16s(a.data(), dst.data(), len, scale()); },
            [&] { return voksAutoScale_16s_I(b.data(), len, scale()); },
            [&] { return voksInvSqrt_32s_I(g(in.v32(n)).data(), len); },
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

int ops_common_corr(const uint8_t* data, size_t size) {
    return run_ops(data, size, 6, [](Input& in, uint8_t op) {
        const int len = in.length(1, 200);
        const size_t n = count(len);
        const int sf = in.mostly(63, -16), dst_len = in.length(1, 200);
        const size_t m = count(dst_len);
        const int low = in.range(0, 160), high = in.range(0, 160);
        const int hist = high > low ? high : low;
        const auto a = in.v16(n);
        Guard g;
        auto& dst16 = g(in.v16(n > m ? n : m));
        auto& dst32 = g(in.v32(n > m ? n : m));
        int32_t max32 = 0;
        int lag = 0, norm = 0;
        // History before the pointer (lag searches, harmonic filters): x[-hist .. len - 1].
        auto past16 = [&] { return in.v16(n + hist); };
        auto past32f = [&] { return in.vf(n + hist); };
        auto b = [&](size_t k) { return in.v16(k); };
        const int lsf = (op & 0x40) ? sf : 12 + (sf & 1);  // synthesis: mostly the usual 12 or 13
        auto synthesis = [&] {
            const auto lpc = in.v16(11), history = in.v16(10);
            const int16_t* h = (op & 0x80) ? nullptr : history.data();
            if (op % 26 == 17)
                return voksSynthesisFilter_NR_16s_Sfs(lpc.data(), a.data(), dst16.data(), len, lsf, h);
            auto& x = g(std::vector<int16_t>(a));
            return (op % 26 == 18) ? voksSynthesisFilter_NR_16s_ISfs(lpc.data(), x.data(), len, lsf, h)
                                   : voksSynthesisFilterLow_NR_16s_ISfs(lpc.data(), x.data(), len, lsf, h);
        };
        const Call calls[] = {
            [&] { return voksAutoCorr_16s32s(a.data(), len, dst32.data(), dst_len); },
            [&] { return voksAutoCorr_NormE_16s32s(a.data(), len, dst32.data(), dst_len, &norm); },
            [&] { return voksAutoCorr_NormE_NR_16s(a.data(), len, dst16.data(), dst_len, &norm); },
            [&] { return voksAutoCorrLagMax_Fwd_16s(past16().data(), len, low, high, &max32, &lag); },
            [&] { return voksAutoCorrLagMax_Inv_16s(past16().data() + hist, len, low, high, &max32, &lag); },
            [&] {
                float mx = 0;
                return voksAutoCorrLagMax_32f(past32f().data() + hist, len, low, high, &mx, &lag);
            },
            [&] { return voksCrossCorr_16s32s_Sfs(a.data(), b(n).data(), len, dst32.data(), sf); },
            [&] {
                return voksCrossCorr_NR_16s32s(a.data(), b(n + m - 1).data(), len, dst32.data(), dst_len);
            },
            [&] { return voksCrossCorr_NR_16s(a.data(), b(n + m - 1).data(), len, dst16.data(), dst_len); },
            [&] {
                return voksCrossCorr_NR_16s_Sfs(a.data(), b(n + m - 1).data(), len, dst16.data(), dst_len,
                                                sf);
            },
            [&] { return voksCrossCorr_NormM_16s(a.data(), b(n).data(), len, dst16.data()); },
            [&] {
                const int max_lag = in.length(0, 160);
                const auto y = b(n + (max_lag > 0 ? max_lag : 0));
                return voksCrossCorrLagMax_16s(a.data(), y.data(), len, max_lag, &max32, &lag);
            },
            [&] {
                const int max_lag = in.length(0, 160);
                double mx = 0;
                return call(voksCrossCorrLagMax_32f64f,
                            Args{in.vf(n), in.vf(n + (max_lag > 0 ? max_lag : 0)), len, max_lag, &mx, &lag});
            },
            [&] { return voksConvPartial_16s32s(a.data(), b(n).data(), dst32.data(), len); },
            [&] { return voksConvPartial_16s_Sfs(a.data(), b(n).data(), dst16.data(), len, sf); },
            [&] { return voksConvPartial_NR_16s(a.data(), b(n).data(), dst16.data(), len); },
            [&] { return voksConvPartial_NR_Low_16s(a.data(), b(n).data(), dst16.data(), len); },
            synthesis,
            synthesis,
            synthesis,
            [&] {
                return call(voksSynthesisFilterZeroStateResponse_NR_16s, Args{in.v16(11), dst16, len, lsf});
            },
            [&] {
                const int order = in.length(1, 40);
                const size_t o = order > 0 ? static_cast<size_t>(order) : 0;
                return call(voksResidualFilter_Low_16s_Sfs,
                            Args{in.v16(o + 1), order, At{in.v16(n + o), o}, dst16, len, sf});
            },
            [&] {
                auto& x = g(past16());
                return voksHarmonicFilter_16s_I(in.sample(), hist, x.data() + hist, len);
            },
            [&] {
                const auto x = past16();
                return voksHarmonicFilter_NR_16s(in.sample(), hist, x.data() + hist, dst16.data(), len);
            },
            [&] {
                auto x = past32f();
                return voksHarmonicFilter_32f_I(hist, x.data() + hist, len, in.f32());
            },
            [&] {
                if (op & 0x80) {
                    auto x = in.vf(n);
                    float mem = in.f32();
                    return voksPreemphasize_32f_I(x.data(), len, &mem, in.f32());
                }
                const auto y = b(n);
                int s1 = in.i32(), s2 = in.i32();
                if (in.u8() < 224) s1 = (s1 & 63) - 8, s2 = (s2 & 63) - 8;
                return call(voksInterpolateC_NR_16s,
                            Args{a, in.sample(), s1, y, in.sample(), s2, dst16, len});
            },
        };
        return g.run(calls, op);
    });
}

}  // namespace voksfuzz

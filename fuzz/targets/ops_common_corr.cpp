// Correlation, convolution and LP-filter operations with arbitrary lengths, lags, scale factors
// and data, every buffer exactly as large as the operation documents (history included).
#include <cstdlib>
#include <vector>

#include <voksc.h>

#include "fuzz_input.h"
#include "fuzz_targets.h"

namespace voksfuzz {

int ops_common_corr(const uint8_t* data, size_t size) {
    Input in(data, size);
    select_level(in.u8());
    for (int step = 0; step < 6 && !in.empty(); ++step) {
        const uint8_t op = in.u8();
        const int len = in.length(1, 200);
        const size_t n = len > 0 ? static_cast<size_t>(len) : 1;
        int sf = in.i32();
        if (in.u8() < 224) sf = (sf & 63) - 16;  // mostly -16..47, sometimes any int
        const int dst_len = in.length(1, 200);
        const size_t m = dst_len > 0 ? static_cast<size_t>(dst_len) : 1;
        const int low = in.range(0, 160), high = in.range(0, 160);
        const int hist = high > low ? high : low;
        const auto a = in.vec<int16_t>(n);
        auto dst16 = in.vec<int16_t>(n > m ? n : m);
        auto dst32 = in.vec<int32_t>(n > m ? n : m);
        const auto d16 = dst16;
        const auto d32 = dst32;
        int32_t max32 = 0;
        int lag = 0, norm = 0;
        VokStatus st = vokStatusOk;
        switch (op % 26) {
            case 0:
                st = voksAutoCorr_16s32s(a.data(), len, dst32.data(), dst_len);
                break;
            case 1:
                st = voksAutoCorr_NormE_16s32s(a.data(), len, dst32.data(), dst_len, &norm);
                break;
            case 2:
                st = voksAutoCorr_NormE_NR_16s(a.data(), len, dst16.data(), dst_len, &norm);
                break;
            case 3: {
                const auto x = in.vec<int16_t>(n + hist);  // x[0 .. high + len - 1]
                st = voksAutoCorrLagMax_Fwd_16s(x.data(), len, low, high, &max32, &lag);
                break;
            }
            case 4: {
                const auto x = in.vec<int16_t>(n + hist);  // x[-high .. len - 1]
                st = voksAutoCorrLagMax_Inv_16s(x.data() + hist, len, low, high, &max32, &lag);
                break;
            }
            case 5: {
                const auto x = in.vec<float>(n + hist);
                float mx = 0;
                st = voksAutoCorrLagMax_32f(x.data() + hist, len, low, high, &mx, &lag);
                break;
            }
            case 6: {
                const auto b = in.vec<int16_t>(n);
                st = voksCrossCorr_16s32s_Sfs(a.data(), b.data(), len, dst32.data(), sf);
                break;
            }
            case 7: {
                const auto b = in.vec<int16_t>(n + m - 1);
                st = voksCrossCorr_NR_16s32s(a.data(), b.data(), len, dst32.data(), dst_len);
                break;
            }
            case 8: {
                const auto b = in.vec<int16_t>(n + m - 1);
                st = voksCrossCorr_NR_16s(a.data(), b.data(), len, dst16.data(), dst_len);
                break;
            }
            case 9: {
                const auto b = in.vec<int16_t>(n + m - 1);
                st = voksCrossCorr_NR_16s_Sfs(a.data(), b.data(), len, dst16.data(), dst_len, sf);
                break;
            }
            case 10: {
                const auto b = in.vec<int16_t>(n);
                st = voksCrossCorr_NormM_16s(a.data(), b.data(), len, dst16.data());
                break;
            }
            case 11: {
                const int max_lag = in.length(0, 160);
                const auto b = in.vec<int16_t>(n + (max_lag > 0 ? max_lag : 0));
                st = voksCrossCorrLagMax_16s(a.data(), b.data(), len, max_lag, &max32, &lag);
                break;
            }
            case 12: {
                const int max_lag = in.length(0, 160);
                const auto x = in.vec<float>(n);
                const auto y = in.vec<float>(n + (max_lag > 0 ? max_lag : 0));
                double mx = 0;
                st = voksCrossCorrLagMax_32f64f(x.data(), y.data(), len, max_lag, &mx, &lag);
                break;
            }
            case 13: {
                const auto b = in.vec<int16_t>(n);
                st = voksConvPartial_16s32s(a.data(), b.data(), dst32.data(), len);
                break;
            }
            case 14: {
                const auto b = in.vec<int16_t>(n);
                st = voksConvPartial_16s_Sfs(a.data(), b.data(), dst16.data(), len, sf);
                break;
            }
            case 15: {
                const auto b = in.vec<int16_t>(n);
                st = voksConvPartial_NR_16s(a.data(), b.data(), dst16.data(), len);
                break;
            }
            case 16: {
                const auto b = in.vec<int16_t>(n);
                st = voksConvPartial_NR_Low_16s(a.data(), b.data(), dst16.data(), len);
                break;
            }
            case 17:
            case 18:
            case 19: {
                const auto lpc = in.vec<int16_t>(11);
                const auto history = in.vec<int16_t>(10);
                const int16_t* h = (op & 0x80) ? nullptr : history.data();
                const int lsf = (op & 0x40) ? sf : 12 + (sf & 1);
                if (op % 26 == 17) {
                    st = voksSynthesisFilter_NR_16s_Sfs(lpc.data(), a.data(), dst16.data(), len, lsf, h);
                } else {
                    auto x = a;
                    const auto x0 = x;
                    st = (op % 26 == 18) ? voksSynthesisFilter_NR_16s_ISfs(lpc.data(), x.data(), len, lsf, h)
                                         : voksSynthesisFilterLow_NR_16s_ISfs(lpc.data(), x.data(), len, lsf, h);
                    expect_untouched(st, x0, x);
                }
                break;
            }
            case 20: {
                const auto lpc = in.vec<int16_t>(11);
                st = voksSynthesisFilterZeroStateResponse_NR_16s(lpc.data(), dst16.data(), len,
                                                                 (op & 0x40) ? sf : 12 + (sf & 1));
                break;
            }
            case 21: {
                const int order = in.length(1, 40);
                const size_t o = order > 0 ? static_cast<size_t>(order) : 0;
                const auto lpc = in.vec<int16_t>(o + 1);
                const auto x = in.vec<int16_t>(n + o);  // x[-order .. len - 1]
                st = voksResidualFilter_Low_16s_Sfs(lpc.data(), order, x.data() + o, dst16.data(), len, sf);
                break;
            }
            case 22: {
                auto x = in.vec<int16_t>(n + hist);  // x[-lag .. len - 1]
                const auto x0 = x;
                st = voksHarmonicFilter_16s_I(in.sample(), hist, x.data() + hist, len);
                expect_untouched(st, x0, x);
                break;
            }
            case 23: {
                const auto x = in.vec<int16_t>(n + hist);
                st = voksHarmonicFilter_NR_16s(in.sample(), hist, x.data() + hist, dst16.data(), len);
                break;
            }
            case 24: {
                auto x = in.vec<float>(n + hist);
                st = voksHarmonicFilter_32f_I(hist, x.data() + hist, len, in.f32());
                break;
            }
            default: {
                if (op & 0x80) {
                    auto x = in.vec<float>(n);
                    float mem = in.f32();
                    st = voksPreemphasize_32f_I(x.data(), len, &mem, in.f32());
                } else {
                    const auto b = in.vec<int16_t>(n);
                    int s1 = in.i32(), s2 = in.i32();
                    if (in.u8() < 224) s1 = (s1 & 63) - 8, s2 = (s2 & 63) - 8;
                    st = voksInterpolateC_NR_16s(a.data(), in.sample(), s1, b.data(), in.sample(), s2,
                                                 dst16.data(), len);
                }
                break;
            }
        }
        expect_untouched(st, d16, dst16);
        expect_untouched(st, d32, dst32);
    }
    return 0;
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(ops_common_corr)

// Every vectorised operation on heap buffers of exactly the documented extent (history included),
// at every kernel level: the levels agree, and under AddressSanitizer no kernel reads past the
// samples its definition reads.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "frame/dispatch.h"
#include "voksc.h"

namespace {

// A heap array of exactly n samples, so any read outside it is caught by the sanitizer.
std::unique_ptr<int16_t[]> signal(int n, uint32_t seed) {
    std::unique_ptr<int16_t[]> p(new int16_t[n > 0 ? n : 1]);
    for (int i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        p[i] = static_cast<int16_t>(static_cast<int16_t>(seed >> 16) >> (seed % 8));
    }
    return p;
}

// All outputs of one run, flattened.
std::vector<int32_t> run_all(int len) {
    std::vector<int32_t> out;
    auto put = [&](const auto* p, int n) { out.insert(out.end(), p, p + n); };
    auto x = signal(len, 1u + len), y = signal(len, 7u + len);
    std::vector<int32_t> d32(len + 19);
    std::vector<int16_t> d16(len + 19);
    int32_t mx = 0;
    int norm = 0, lag = 0;
    voksAutoCorr_16s32s(x.get(), len, d32.data(), len + 2);
    put(d32.data(), len + 2);
    if (voksAutoCorr_NormE_16s32s(x.get(), len, d32.data(), 11, &norm) == vokStatusOk) put(d32.data(), 11);
    voksAutoCorr_NormE_NR_16s(x.get(), len, d16.data(), 11, &norm);
    put(d16.data(), 11);
    voksCrossCorr_16s32s_Sfs(x.get(), y.get(), len, d32.data(), 1);
    put(d32.data(), len);
    voksCrossCorr_NormM_16s(x.get(), y.get(), len, d16.data());
    put(d16.data(), len);
    voksConvPartial_16s32s(x.get(), y.get(), d32.data(), len);
    put(d32.data(), len);
    voksConvPartial_16s_Sfs(x.get(), y.get(), d16.data(), len, 12);
    put(d16.data(), len);
    voksConvPartial_NR_16s(x.get(), y.get(), d16.data(), len);
    put(d16.data(), len);
    voksConvPartial_NR_Low_16s(x.get(), y.get(), d16.data(), len);
    put(d16.data(), len);
    // Lagged reads: src2 holds len + dstLen - 1 samples, the searches their lag range.
    for (int dst_len : {1, 4, 9, 17}) {
        auto z = signal(len + dst_len - 1, 3u + len);
        voksCrossCorr_NR_16s32s(x.get(), z.get(), len, d32.data(), dst_len);
        put(d32.data(), dst_len);
        voksCrossCorr_NR_16s(x.get(), z.get(), len, d16.data(), dst_len);
        put(d16.data(), dst_len);
        voksCrossCorr_NR_16s_Sfs(x.get(), z.get(), len, d16.data(), dst_len, 3);
        put(d16.data(), dst_len);
        const int high = dst_len + 19;
        auto f = signal(len + high, 5u + len);
        voksCrossCorrLagMax_16s(x.get(), z.get(), len, dst_len - 1, &mx, &lag);
        out.insert(out.end(), {mx, lag});
        voksAutoCorrLagMax_Fwd_16s(f.get(), len, 20, high, &mx, &lag);
        out.insert(out.end(), {mx, lag});
        voksAutoCorrLagMax_Inv_16s(f.get() + high, len, 20, high, &mx, &lag);
        out.insert(out.end(), {mx, lag});
    }
    for (int order : {1, 2, 9, 10, 16}) {
        if (order > len) continue;
        auto r = signal(len + order, 11u + len);
        auto a = signal(order + 1, 13u + order);
        voksResidualFilter_Low_16s_Sfs(a.get(), order, r.get() + order, d16.data(), len, 12);
        put(d16.data(), len);
    }
    return out;
}

TEST(CorrelationBounds, ExactExtentsAtEveryLevel) {
    std::vector<int> lengths{80, 143, 160, 161, 240, 255, 256, 257, 300};
    for (int n = 1; n <= 70; ++n) lengths.push_back(n);
    for (int len : lengths) {
        voks::frame::force_level(voks::frame::Level::Scalar);
        const std::vector<int32_t> scalar = run_all(len);
        voks::frame::force_level(voks::frame::detected_level());
        ASSERT_EQ(scalar, run_all(len)) << "len " << len;
    }
}

}  // namespace

// Correlation kernels (dot, lagged and triangular correlations, energy, partial convolution,
// FIR) and the lag searches built on them, scalar against AVX2.
#include <string>

#include "checkasm.h"
#include "common/kernels.h"
#include "voksc.h"

using namespace checkasm;
namespace sc = voks::common::scalar;
namespace vx = voks::common::avx2;

CHECKASM(corr_dot) {
    if (!have_avx2()) return;
    each_case([&](int len, int off, Pattern p) {
        Buffer<int16_t> a(len, off), b(len, (off * 3 + 5) % 16);
        fill16(ctx.rng, p, a.data(), len);
        fill16(ctx.rng, partner(p), b.data(), len);
        ctx.check(sc::dot(a.data(), b.data(), len) == vx::dot(a.data(), b.data(), len), "dot", len, off, p);
        ctx.check(a.guards_intact() && b.guards_intact(), "dot", len, off, p, -1, "guard");
    });
}

CHECKASM(corr_energy) {
    if (!have_avx2()) return;
    each_case([&](int len, int off, Pattern p) {
        Buffer<int16_t> x(len, off);
        fill16(ctx.rng, p, x.data(), len);
        ctx.check(sc::energy(x.data(), len) == vx::energy(x.data(), len), "energy", len, off, p);
    });
}

// The kernels with 32-bit outputs, each over its own parameter (lags, first output, taps).
CHECKASM(corr_outputs) {
    if (!have_avx2()) return;
    each_case([&](int len, int off, Pattern p) {
        Buffer<int16_t> a(len + 80, off), b(len + 80, (off * 7 + 1) % 16);
        fill16(ctx.rng, p, a.data(), len + 80);
        fill16(ctx.rng, partner(p), b.data(), len + 80);
        for (int lags : {1, 3, 4, 5, 8, 11, 17, 64}) {
            Twin<int32_t> r(lags, off % 8);
            sc::xcorr(a.data(), b.data(), len, r.s(), lags);
            vx::xcorr(a.data(), b.data(), len, r.v(), lags);
            ctx.same("xcorr", len, off, p, "lags=" + std::to_string(lags), r);
        }
        for (int lags : {1, 4, 11, 13, 64, len + 3}) {
            Twin<int32_t> r(lags, off % 8);
            sc::autocorr(a.data(), len, r.s(), lags);
            vx::autocorr(a.data(), len, r.v(), lags);
            ctx.same("autocorr", len, off, p, "lags=" + std::to_string(lags), r);
        }
        Twin<int32_t> tri(len, off % 8);
        sc::xcorr_tri(a.data(), b.data(), len, tri.s());
        vx::xcorr_tri(a.data(), b.data(), len, tri.v());
        ctx.same("xcorr_tri", len, off, p, "", tri);
        if (len <= 64) {
            sc::mac_chain_tri(a.data(), b.data(), len, tri.s());
            vx::mac_chain_tri(a.data(), b.data(), len, tri.v());
            ctx.same("mac_chain_tri", len, off, p, "", tri);
        }
        for (int first : {0, 1, 7, 16, len / 2, len - 1}) {
            if (first < 0 || first > len) continue;
            Twin<int32_t> r(len - first, off % 8);
            sc::conv(a.data(), b.data(), first, len, r.s());
            vx::conv(a.data(), b.data(), first, len, r.v());
            ctx.same("conv", len, off, p, "first=" + std::to_string(first), r);
        }
        for (int taps : {1, 2, 3, 9, 10, 11, 16, 17}) {
            Twin<int32_t> r(len, off % 8);
            sc::fir(b.data(), taps, a.data() + taps - 1, len, r.s());
            vx::fir(b.data(), taps, a.data() + taps - 1, len, r.v());
            ctx.same("fir", len, off, p, "taps=" + std::to_string(taps), r);
        }
    });
}

// The exported lag searches and normalised correlations, run with the tables forced to each
// level: tie-breaking and saturation happen outside the kernels and must not depend on them.
CHECKASM(corr_operations) {
    if (!have_avx2()) return;
    using voks::frame::Level;
    for (int len : {1, 15, 16, 17, 40, 80, 160, 240})
        for (int off : offsets<int16_t>())
            for (Pattern p : kPatterns) {
                const int hist = 147;
                Buffer<int16_t> x(hist + len + 160, off), y(len + 160, (off + 3) % 16);
                fill16(ctx.rng, p, x.data(), hist + len + 160);
                fill16(ctx.rng, partner(p), y.data(), len + 160);
                const int16_t* s = x.data() + hist;
                int32_t m[2][4];
                int lag[2][4];
                int32_t ac[2][12];
                int16_t acn[2][12], cm[2][240];
                int norm[2][2];
                VokStatus st[2];
                for (int l = 0; l < 2; ++l) {
                    voks::frame::force_level(l ? Level::AVX2 : Level::Scalar);
                    voksAutoCorrLagMax_Inv_16s(s, len, 20, 143, &m[l][0], &lag[l][0]);
                    voksAutoCorrLagMax_Fwd_16s(s, len, 20, 143, &m[l][1], &lag[l][1]);
                    voksCrossCorrLagMax_16s(s, y.data(), len, 100, &m[l][2], &lag[l][2]);
                    voksCrossCorrLagMax_16s(y.data(), s, len, 3, &m[l][3], &lag[l][3]);
                    st[l] = voksAutoCorr_NormE_16s32s(s, len, ac[l], 12, &norm[l][0]);
                    voksAutoCorr_NormE_NR_16s(s, len, acn[l], 12, &norm[l][1]);
                    voksCrossCorr_NormM_16s(s, y.data(), len, cm[l]);
                }
                const bool same = std::memcmp(m[0], m[1], sizeof m[0]) == 0 &&
                                  std::memcmp(lag[0], lag[1], sizeof lag[0]) == 0 && st[0] == st[1] &&
                                  (st[0] != vokStatusOk || std::memcmp(ac[0], ac[1], sizeof ac[0]) == 0) &&
                                  std::memcmp(acn[0], acn[1], sizeof acn[0]) == 0 &&
                                  std::memcmp(norm[0] + 1, norm[1] + 1, sizeof(int)) == 0 &&
                                  std::memcmp(cm[0], cm[1], sizeof(int16_t) * len) == 0;
                ctx.check(same, "operations", len, off, p);
            }
    voks::frame::force_level(voks::frame::detected_level());
}

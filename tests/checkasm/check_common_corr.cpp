// Correlation kernels (dot, lagged and triangular correlations, energy, partial convolution,
// FIR) and the lag searches built on them, scalar against AVX2.
#include <string>

#include "checkasm.h"
#include "common/kernels.h"
#include "voksc.h"

using namespace checkasm;
namespace sc = voks::common::scalar;
namespace vx = voks::common::avx2;

namespace {

// Second source: the same pattern except that ties get random partners.
Pattern partner(Pattern p) {
    return p == Pattern::Ties ? Pattern::Random : p;
}

// Compares two 32-bit output buffers and their guards; records one comparison.
void compare_out(Context& ctx, const char* name, int len, int off, Pattern p, Buffer<int32_t>& ref,
                 Buffer<int32_t>& vec, const std::string& detail) {
    ++ctx.checks;
    const int diff = first_difference(ref.data(), vec.data(), ref.size());
    if (diff >= 0)
        ctx.fail(name, "avx2", len, off, p, diff, detail);
    else if (!vec.guards_intact() || !ref.guards_intact())
        ctx.fail(name, "avx2", len, off, p, -1, detail + " guard zone written");
}

}  // namespace

CHECKASM(corr_dot) {
    if (!have_avx2()) return;
    for (int len : lengths())
        for (int off : offsets<int16_t>())
            for (Pattern p : kPatterns) {
                Buffer<int16_t> a(len, off), b(len, (off * 3 + 5) % 16);
                fill16(ctx.rng, p, a.data(), len);
                fill16(ctx.rng, partner(p), b.data(), len);
                ++ctx.checks;
                if (sc::dot(a.data(), b.data(), len) != vx::dot(a.data(), b.data(), len))
                    ctx.fail("dot", "avx2", len, off, p, 0);
                if (!a.guards_intact() || !b.guards_intact())
                    ctx.fail("dot", "avx2", len, off, p, -1, "guard");
            }
}

CHECKASM(corr_energy) {
    if (!have_avx2()) return;
    for (int len : lengths())
        for (int off : offsets<int16_t>())
            for (Pattern p : kPatterns) {
                Buffer<int16_t> x(len, off);
                fill16(ctx.rng, p, x.data(), len);
                ++ctx.checks;
                if (sc::energy(x.data(), len) != vx::energy(x.data(), len))
                    ctx.fail("energy", "avx2", len, off, p, 0);
            }
}

CHECKASM(corr_xcorr) {
    if (!have_avx2()) return;
    for (int lags : {1, 3, 4, 5, 8, 11, 17, 64})
        for (int len : lengths())
            for (int off : offsets<int16_t>())
                for (Pattern p : kPatterns) {
                    Buffer<int16_t> a(len, off), b(len + lags - 1, (off * 7 + 1) % 16);
                    fill16(ctx.rng, p, a.data(), len);
                    fill16(ctx.rng, partner(p), b.data(), len + lags - 1);
                    Buffer<int32_t> r(lags, off % 8), v(lags, (off + 3) % 8);
                    sc::xcorr(a.data(), b.data(), len, r.data(), lags);
                    vx::xcorr(a.data(), b.data(), len, v.data(), lags);
                    compare_out(ctx, "xcorr", len, off, p, r, v, "lags=" + std::to_string(lags));
                }
}

CHECKASM(corr_autocorr) {
    if (!have_avx2()) return;
    for (int len : lengths())
        for (int lags : {1, 4, 11, 13, 64, len + 3})
            for (int off : offsets<int16_t>())
                for (Pattern p : kPatterns) {
                    Buffer<int16_t> x(len, off);
                    fill16(ctx.rng, p, x.data(), len);
                    Buffer<int32_t> r(lags, off % 8), v(lags, (off + 5) % 8);
                    sc::autocorr(x.data(), len, r.data(), lags);
                    vx::autocorr(x.data(), len, v.data(), lags);
                    compare_out(ctx, "autocorr", len, off, p, r, v, "lags=" + std::to_string(lags));
                }
}

CHECKASM(corr_xcorr_tri) {
    if (!have_avx2()) return;
    for (int len : lengths())
        for (int off : offsets<int16_t>())
            for (Pattern p : kPatterns) {
                Buffer<int16_t> a(len, off), b(len, (off * 5 + 2) % 16);
                fill16(ctx.rng, p, a.data(), len);
                fill16(ctx.rng, partner(p), b.data(), len);
                Buffer<int32_t> r(len, off % 8), v(len, (off + 1) % 8);
                sc::xcorr_tri(a.data(), b.data(), len, r.data());
                vx::xcorr_tri(a.data(), b.data(), len, v.data());
                compare_out(ctx, "xcorr_tri", len, off, p, r, v, "");
            }
}

CHECKASM(corr_mac_chain_tri) {
    if (!have_avx2()) return;
    for (int len = 0; len <= 64; ++len)
        for (int off : offsets<int16_t>())
            for (Pattern p : kPatterns) {
                Buffer<int16_t> a(len, off), b(len, (off * 5 + 2) % 16);
                fill16(ctx.rng, p, a.data(), len);
                fill16(ctx.rng, partner(p), b.data(), len);
                Buffer<int32_t> r(len, off % 8), v(len, (off + 1) % 8);
                sc::mac_chain_tri(a.data(), b.data(), len, r.data());
                vx::mac_chain_tri(a.data(), b.data(), len, v.data());
                compare_out(ctx, "mac_chain_tri", len, off, p, r, v, "");
            }
}

CHECKASM(corr_conv) {
    if (!have_avx2()) return;
    for (int len : lengths())
        for (int first : {0, 1, 7, 16, len / 2, len - 1}) {
            if (first < 0 || first > len) continue;
            for (int off : offsets<int16_t>())
                for (Pattern p : kPatterns) {
                    Buffer<int16_t> a(len, off), b(len, (off * 3 + 7) % 16);
                    fill16(ctx.rng, p, a.data(), len);
                    fill16(ctx.rng, partner(p), b.data(), len);
                    Buffer<int32_t> r(len - first, off % 8), v(len - first, (off + 2) % 8);
                    sc::conv(a.data(), b.data(), first, len, r.data());
                    vx::conv(a.data(), b.data(), first, len, v.data());
                    compare_out(ctx, "conv", len, off, p, r, v, "first=" + std::to_string(first));
                }
        }
}

CHECKASM(corr_fir) {
    if (!have_avx2()) return;
    for (int taps : {1, 2, 3, 9, 10, 11, 16, 17})
        for (int len : lengths())
            for (int off : offsets<int16_t>())
                for (Pattern p : kPatterns) {
                    Buffer<int16_t> c(taps, (off + 9) % 16), x(taps - 1 + len, off);
                    fill16(ctx.rng, partner(p), c.data(), taps);
                    fill16(ctx.rng, p, x.data(), taps - 1 + len);
                    Buffer<int32_t> r(len, off % 8), v(len, (off + 6) % 8);
                    sc::fir(c.data(), taps, x.data() + taps - 1, len, r.data());
                    vx::fir(c.data(), taps, x.data() + taps - 1, len, v.data());
                    compare_out(ctx, "fir", len, off, p, r, v, "taps=" + std::to_string(taps));
                }
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
                ++ctx.checks;
                const bool same = std::memcmp(m[0], m[1], sizeof m[0]) == 0 &&
                                  std::memcmp(lag[0], lag[1], sizeof lag[0]) == 0 && st[0] == st[1] &&
                                  (st[0] != vokStatusOk || std::memcmp(ac[0], ac[1], sizeof ac[0]) == 0) &&
                                  std::memcmp(acn[0], acn[1], sizeof acn[0]) == 0 &&
                                  std::memcmp(norm[0] + 1, norm[1] + 1, sizeof(int)) == 0 &&
                                  std::memcmp(cm[0], cm[1], sizeof(int16_t) * len) == 0;
                if (!same) ctx.fail("operations", "avx2", len, off, p, 0);
            }
    voks::frame::force_level(voks::frame::detected_level());
}

// Echo-canceller kernels: the AVX2 full-band FIR, sub-band filter, sub-band coefficient update,
// full-band NLMS coefficient updates (float and 16-bit) and filter bank FFT butterflies against
// the scalar ones, on finite floats and 16-bit values of every pattern, tap counts around the
// vector widths, every misalignment, guard zones.
#include <cmath>
#include <string>
#include <vector>

#include "checkasm.h"
#include "ec/kernels.h"

using namespace checkasm;
namespace ec = voks::ec;

namespace {

// Finite floats by pattern: wide random magnitudes, small values, extremes of one sign or
// alternating, zeros, and small integers (exact sums, ties in the roundings).
float value(Rng& rng, Pattern p, int i) {
    switch (p) {
        case Pattern::Random:
            return std::ldexp(static_cast<float>(rng.range(-32768, 32767)), rng.range(-30, 10));
        case Pattern::SmallRandom:
            return static_cast<float>(rng.range(-1000, 1000)) / 1024.0f;
        case Pattern::AllMax:
            return 3.0e15f;
        case Pattern::AllMin:
            return -3.0e15f;
        case Pattern::Alternating:
            return (i & 1) ? 32767.0f : -32768.0f;
        case Pattern::Zeros:
            return 0.0f;
        default:
            return static_cast<float>(rng.range(-3, 3));
    }
}

template <class T>
void fill(Twin<T>& t, Rng& rng, Pattern p) {
    auto* f = reinterpret_cast<float*>(t.s());
    const int n = t.size() * static_cast<int>(sizeof(T) / sizeof(float));
    for (int i = 0; i < n; ++i) f[i] = value(rng, p, i);
    t.sync();
}

// Tables of T pointers into the scalar and the vector copy of a T x K buffer.
template <class T>
std::vector<T*> table(T* base, int taps, int bins) {
    std::vector<T*> v;
    for (int k = 0; k < taps; ++k) v.push_back(base + static_cast<size_t>(k) * bins);
    return v;
}

}  // namespace

CHECKASM(ec_fir_32f) {
    if (!have_avx2()) return;
    each_case<float>(
        [&](int n, int off, Pattern p) {
            for (int L : {1, 9, 40}) {
                Twin<float> x(L - 1 + n, off), d(n, off), h(L, off), e(n, off);
                fill(x, ctx.rng, p);
                fill(d, ctx.rng, p);
                fill(h, ctx.rng, partner(p));
                ec::scalar::fir_32f(x.s() + L - 1, d.s(), e.s(), n, h.s(), L);
                ec::avx2::fir_32f(x.v() + L - 1, d.v(), e.v(), n, h.v(), L);
                ctx.same("ec_fir_32f", n, off, p, "L " + std::to_string(L), e, x, d, h);
            }
        },
        1);
}

CHECKASM(ec_sb_fir_32fc) {
    if (!have_avx2()) return;
    each_case<Vok32fc>(
        [&](int K, int off, Pattern p) {
            for (int T : {1, 3, 17}) {
                Twin<Vok32fc> X(T * K, off), W(T * K, off), Y(K, off);
                fill(X, ctx.rng, p);
                fill(W, ctx.rng, partner(p));
                auto xs = table<const Vok32fc>(X.s(), T, K), xv = table<const Vok32fc>(X.v(), T, K);
                auto ws = table<const Vok32fc>(W.s(), T, K), wv = table<const Vok32fc>(W.v(), T, K);
                ec::scalar::sb_fir_32fc(xs.data(), ws.data(), Y.s(), T, K);
                ec::avx2::sb_fir_32fc(xv.data(), wv.data(), Y.v(), T, K);
                ctx.same("ec_sb_fir_32fc", K, off, p, "T " + std::to_string(T), Y, X, W);
            }
        },
        1);
}

CHECKASM(ec_sb_update_32fc) {
    if (!have_avx2()) return;
    each_case<Vok32fc>(
        [&](int K, int off, Pattern p) {
            for (int T : {1, 5}) {
                Twin<Vok32fc> X(T * K, off), W(T * K, off), E(K, off);
                Twin<double> mu(K, off);
                fill(X, ctx.rng, p);
                fill(W, ctx.rng, p);
                fill(E, ctx.rng, partner(p));
                for (int i = 0; i < K; ++i)
                    mu.s()[i] = std::ldexp(ctx.rng.range(0, 65535), ctx.rng.range(-60, -10));
                mu.sync();
                auto xs = table<const Vok32fc>(X.s(), T, K), xv = table<const Vok32fc>(X.v(), T, K);
                auto ws = table<Vok32fc>(W.s(), T, K), wv = table<Vok32fc>(W.v(), T, K);
                ec::scalar::sb_update_32fc(mu.s(), xs.data(), E.s(), ws.data(), T, K);
                ec::avx2::sb_update_32fc(mu.v(), xv.data(), E.v(), wv.data(), T, K);
                ctx.same("ec_sb_update_32fc", K, off, p, "T " + std::to_string(T), W, X, E, mu);
            }
        },
        1);
}

CHECKASM(ec_nlms_update_32f) {
    if (!have_avx2()) return;
    each_case<float>(
        [&](int L, int off, Pattern p) {
            for (float eps : {0.0f, 1.5e-3f, -3.0e15f, std::ldexp(1.0f, -140)}) {
                Twin<float> x(L, off), h(L, off);
                fill(x, ctx.rng, p);
                fill(h, ctx.rng, partner(p));
                ec::scalar::nlms_update_32f(eps, x.s() + L - 1, h.s(), L);
                ec::avx2::nlms_update_32f(eps, x.v() + L - 1, h.v(), L);
                ctx.same("ec_nlms_update_32f", L, off, p, "eps " + std::to_string(eps), h, x);
            }
        },
        1);
}

CHECKASM(ec_fft_32f) {
    if (!have_avx2()) return;
    for (int order = 1; order <= 11; ++order) {
        const int n = 1 << order;
        for (int off : offsets<float>()) {
            for (Pattern p : kPatterns) {
                // The bank's twiddles e^(-2 pi i k/n), then the same with random rotations.
                for (bool plan : {true, false}) {
                    Twin<float> c(n / 2, off), s(n / 2, off), re(n, off), im(n, off);
                    for (int k = 0; k < n / 2; ++k) {
                        const double a = plan ? -2.0 * M_PI * k / n : ctx.rng.range(-32768, 32767) / 5000.0;
                        c.s()[k] = static_cast<float>(std::cos(a));
                        s.s()[k] = static_cast<float>(std::sin(a));
                    }
                    c.sync();
                    s.sync();
                    fill(re, ctx.rng, p);
                    fill(im, ctx.rng, partner(p));
                    ec::scalar::fft_32f(c.s(), s.s(), re.s(), im.s(), order);
                    ec::avx2::fft_32f(c.v(), s.v(), re.v(), im.v(), order);
                    ctx.same("ec_fft_32f", n, off, p, plan ? "plan" : "random twiddles", re, im, c, s);
                }
            }
        }
    }
}

CHECKASM(ec_nlms_update_16s) {
    if (!have_avx2()) return;
    each_case<int16_t>(
        [&](int L, int off, Pattern p) {
            for (int32_t eps : {0, -1, 4095, -32768, INT32_MAX, INT32_MIN, ctx.rng.range(-99999, 99999)}) {
                Twin<int16_t> x(L, off, ctx.rng, p), h(L, off, ctx.rng, partner(p));
                ec::scalar::nlms_update_16s(eps, x.s() + L - 1, h.s(), L);
                ec::avx2::nlms_update_16s(eps, x.v() + L - 1, h.v(), L);
                ctx.same("ec_nlms_update_16s", L, off, p, "eps " + std::to_string(eps), h, x);
            }
        },
        1);
}

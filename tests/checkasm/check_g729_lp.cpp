// G.729 linear-prediction kernels (lag window, Chebyshev grid evaluation, LSF-to-LSP conversion,
// interpolations, first- and second-stage quantiser distances), scalar against AVX2.
#include <string>

#include "checkasm.h"
#include "g729/kernels.h"

using namespace checkasm;
namespace sc = voks::g729::scalar;
namespace vx = voks::g729::avx2;

CHECKASM(g729_lp_lag_window) {
    if (!have_avx2()) return;
    for (int len = 1; len <= 12; ++len)
        for (int off : offsets<int32_t>())
            for (Pattern p : kPatterns)
                for (int rep = 0; rep < 8; ++rep) {
                    Twin<int32_t> r(len, off, ctx.rng, p);
                    sc::lag_window(r.s(), len);
                    vx::lag_window(r.v(), len);
                    ctx.same("lag_window", len, off, p, "", r);
                }
}

CHECKASM(g729_lp_cheb_grid) {
    if (!have_avx2()) return;
    for (int len : lengths())
        for (Pattern p : kPatterns)
            for (bool q10 : {false, true}) {
                const int off = len % 8;
                Buffer<int16_t> x(len, off);
                Twin<int16_t> y(len, 0);
                int16_t f[6];
                fill16(ctx.rng, p, x.data(), len);
                // Coefficients: random full range, or the Q11 sizes of real filters.
                for (int16_t& c : f)
                    c = static_cast<int16_t>(p == Pattern::SmallRandom ? ctx.rng.range(-6000, 6000)
                                                                       : ctx.rng.range(-32768, 32767));
                if (p == Pattern::AllMin || p == Pattern::AllMax) fill16(ctx.rng, p, f, 6);
                const bool plain = voks::g729::scalar::cheb_unsaturated(f);
                sc::cheb_grid(f, q10, plain, x.data(), len, y.s());
                vx::cheb_grid(f, q10, plain, x.data(), len, y.v());
                ctx.same("cheb_grid", len, off, p, q10 ? "q10" : "q11", y);
            }
}

CHECKASM(g729_lp_lsf_to_lsp) {
    if (!have_avx2()) return;
    for (int len : lengths())
        for (int off : offsets<int16_t>())
            for (Pattern p : kPatterns) {
                Buffer<int16_t> x(len, off);
                Twin<int16_t> y(len, (off + 5) % 16);
                fill16(ctx.rng, p, x.data(), len);
                sc::lsf_to_lsp(x.data(), y.s(), len);
                vx::lsf_to_lsp(x.data(), y.v(), len);
                ctx.same("lsf_to_lsp", len, off, p, "", y);
            }
}

CHECKASM(g729_lp_interpolate) {
    if (!have_avx2()) return;
    const int16_t coefs[][2] = {{16384, 16384}, {-32768, -32768}, {32767, -32768}, {3277, 29491}, {0, 1}};
    for (int len : lengths())
        for (int off : offsets<int16_t>())
            for (Pattern p : kPatterns) {
                Buffer<int16_t> a(len, off), b(len, (off + 7) % 16);
                Twin<int16_t> y(len, (off + 2) % 16);
                fill16(ctx.rng, p, a.data(), len);
                fill16(ctx.rng, partner(p), b.data(), len);
                sc::interp_half(a.data(), b.data(), y.s(), len);
                vx::interp_half(a.data(), b.data(), y.v(), len);
                ctx.same("interp_half", len, off, p, "", y);
                const int16_t* c = coefs[static_cast<size_t>(len) % 5];
                for (int sf : {0, 1, 2, 15, 16, 31, 40}) {
                    const std::string d = "sf=" + std::to_string(sf) + " c=" + std::to_string(c[0]) + "," +
                                          std::to_string(c[1]);
                    sc::interp_c(a.data(), c[0], b.data(), c[1], y.s(), len, sf);
                    vx::interp_c(a.data(), c[0], b.data(), c[1], y.v(), len, sf);
                    ctx.same("interp_c", len, off, p, d, y);
                    sc::interp_c_nr(a.data(), c[0], b.data(), c[1], y.s(), len, sf);
                    vx::interp_c_nr(a.data(), c[0], b.data(), c[1], y.v(), len, sf);
                    ctx.same("interp_c_nr", len, off, p, d, y);
                }
            }
}

CHECKASM(g729_lp_interpolate_f32) {
    if (!have_avx2()) return;
    for (int len : lengths())
        for (int off : offsets<float>()) {
            Buffer<float> a(len, off), b(len, (off + 3) % 8);
            Twin<float> y(len, (off + 1) % 8);
            for (int i = 0; i < len; ++i) {
                a.data()[i] = static_cast<float>(ctx.rng.range(-1000000, 1000000)) / 977.0f;
                b.data()[i] = static_cast<float>(ctx.rng.range(-1000000, 1000000)) / 313.0f;
            }
            const float c1 = static_cast<float>(ctx.rng.range(-1000, 1000)) / 997.0f;
            const float c2 = 1.0f - c1;
            sc::interp_c_f32(a.data(), b.data(), y.s(), len, c1, c2);
            vx::interp_c_f32(a.data(), b.data(), y.v(), len, c1, c2);
            ctx.same("interp_c_f32", len, off, Pattern::Random, "", y);
        }
}

CHECKASM(g729_lp_arg_min) {
    if (!have_avx2()) return;
    for (int n : lengths())
        for (Pattern p : kPatterns) {
            Buffer<int32_t> d(n, n % 8);
            fill32(ctx.rng, p, d.data(), n);
            if (p == Pattern::SmallRandom)  // few distinct values: ties decide
                for (int i = 0; i < n; ++i) d.data()[i] = ctx.rng.range(0, 3);
            const int r = sc::arg_min(d.data(), n), v = vx::arg_min(d.data(), n);
            ctx.check(r == v, "arg_min", n, n % 8, p, v, "scalar " + std::to_string(r));
        }
}

CHECKASM(g729_lp_quantiser_distances) {
    if (!have_avx2()) return;
    for (int rep = 0; rep < 400; ++rep)
        for (Pattern p : kPatterns) {
            int16_t t[10], w[10];
            fill16(ctx.rng, p, t, 10);
            if (p == Pattern::SmallRandom)
                for (int16_t& x : t) x = static_cast<int16_t>(ctx.rng.range(-2000, 26000));
            for (int16_t& x : w) x = static_cast<int16_t>(ctx.rng.range(0, 32767));
            if (rep % 7 == 0)
                for (int16_t& x : w) x = 32767;
            Twin<int32_t> d1(128, 0), d2(32, 2);
            sc::pre_select_dist(t, d1.s());
            vx::pre_select_dist(t, d1.v());
            ctx.same("pre_select_dist", 128, 0, p, "", d1);
            for (int half = 0; half < 2; ++half) {
                sc::second_stage_dist(t, w, half, d2.s());
                vx::second_stage_dist(t, w, half, d2.v());
                ctx.same("second_stage_dist", 32, 0, p, half ? "upper" : "lower", d2);
            }
        }
}

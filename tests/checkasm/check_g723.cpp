// G.723.1 kernels: the exact dot product and energy sum, and the five-tap gain codebook scores,
// AVX2 against scalar on every pattern, length and misalignment.
#include "checkasm.h"
#include "g723/kernels.h"

using namespace checkasm;
namespace g723 = voks::g723;

CHECKASM(g723_dot_energy) {
    if (!have_avx2()) return;
    each_case([&](int len, int off, Pattern p) {
        Buffer<int16_t> a(len, off), b(len, (off + 5) % 16);
        fill16(ctx.rng, p, a.data(), len);
        fill16(ctx.rng, partner(p), b.data(), len);
        int64_t s[2], v[2];
        g723::scalar::dot_energy(a.data(), b.data(), len, s);
        g723::avx2::dot_energy(a.data(), b.data(), len, v);
        ctx.check(s[0] == v[0] && s[1] == v[1], "g723_dot_energy", len, off, p);
        g723::scalar::dot_energy(a.data(), a.data(), len, s);
        g723::avx2::dot_energy(a.data(), a.data(), len, v);
        ctx.check(s[0] == v[0] && s[1] == v[1], "g723_dot_energy", len, off, p, 0, "aliased");
    });
}

CHECKASM(g723_gain_scores) {
    if (!have_avx2()) return;
    for (int n = 0; n <= 170; ++n)
        for (Pattern p : kPatterns)
            for (bool big : {false, true}) {
                if (!big && n > 85) continue;
                Buffer<int16_t> c(20, n % 16);
                fill16(ctx.rng, p, c.data(), 20);
                Twin<int32_t> out(n, n % 8);
                g723::scalar::gain_scores(c.data(), big, n, out.s());
                g723::avx2::gain_scores(c.data(), big, n, out.v());
                ctx.same("g723_gain_scores", n, n % 16, p, big ? "170 entries" : "85 entries", out);
            }
}

CHECKASM(g723_mpmlq_pick) {
    if (!have_avx2()) return;
    for (Pattern p : kPatterns)
        for (int r = 0; r < 64; ++r) {
            // r sets the grid, the misalignment, the share of occupied positions (none to all),
            // the scale of wb (the extremes included) and, for r < 4, an extreme v2.
            const int k = r & 1, off = r % 16;
            Buffer<int16_t> c(60, off), occ(60, (off + 3) % 16);
            fill16(ctx.rng, p, c.data(), 60);
            for (int l = 0; l < 60; ++l) occ.data()[l] = static_cast<int16_t>(ctx.rng.range(0, 63) < r);
            Twin<int32_t> wb(60, off % 8, ctx.rng, partner(p));
            for (int l = 0; l < 60; ++l) wb.s()[l] >>= r % 19;
            wb.sync();
            const int32_t v2 = r < 4 ? INT32_MIN >> (r * 5) : 2 * ctx.rng.range(-32768, 32767);
            const int ps = g723::scalar::mpmlq_pick(wb.s(), c.data(), v2, occ.data(), k);
            const int pv = g723::avx2::mpmlq_pick(wb.v(), c.data(), v2, occ.data(), k);
            ctx.check(ps == pv, "g723_mpmlq_pick", 60, off, p, 0, "position");
            ctx.same("g723_mpmlq_pick", 60, off, p, "wb", wb);
        }
}

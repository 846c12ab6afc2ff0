// AMR-WB kernels, scalar against AVX2: the lagged and the shrinking L_mac correlation chains and
// the closed-loop lag search sums, on seeded random, extreme and scaled-down inputs (so that both
// the exact vector paths and the saturating fallbacks run).
#include <algorithm>
#include <string>

#include "amrwb/kernels.h"
#include "checkasm.h"

using namespace checkasm;
namespace sc = voks::amrwb::scalar;
namespace vx = voks::amrwb::avx2;

namespace {

// A pattern, scaled down by 0..10 bits half of the time.
void fill(Context& ctx, Pattern p, int16_t* x, int n) {
    fill16(ctx.rng, p, x, n);
    const int s = ctx.rng.range(0, 1) ? ctx.rng.range(0, 10) : 0;
    for (int i = 0; i < n; ++i) x[i] = static_cast<int16_t>(x[i] >> s);
}

// Chain starts: zero, the codec's 1, and extremes that leave little or no room.
int32_t start(Context& ctx) {
    static constexpr int32_t kStarts[] = {0, 1, -1, 0x7FFFFFFF, -0x7FFFFFFF - 1, 0x40000000};
    return ctx.rng.range(0, 1) ? kStarts[ctx.rng.range(0, 5)] : ctx.rng.range(-0x7FFFFFFF, 0x7FFFFFFF);
}

}  // namespace

CHECKASM(amrwb_mac_xcorr) {
    if (!have_avx2()) return;
    for (int len : lengths()) {
        if (len > 160 && len != 256 && len != 320) continue;
        for (int off : offsets<int16_t>())
            for (Pattern p : kPatterns) {
                const int hi = ctx.rng.range(0, 120), count = ctx.rng.range(1, 24);
                Buffer<int16_t> a(len, off), b(hi + len + count, (off + 5) % 16);
                fill(ctx, p, a.data(), len);
                fill(ctx, partner(p), b.data(), b.size());
                // Half of the cases correlate a signal with its own past, as the open-loop search.
                const bool self = ctx.rng.range(0, 1) && len > 0;
                const int16_t* x = self ? b.data() + hi : a.data();
                const int16_t* y = b.data() + hi;
                const int32_t s0 = start(ctx);
                Twin<int32_t> r(count, 0);
                sc::mac_xcorr(x, y, len, hi, count, s0, r.s());
                vx::mac_xcorr(x, y, len, hi, count, s0, r.v());
                ctx.same("mac_xcorr", len, off, p, "hi=" + std::to_string(hi), r);
            }
    }
}

CHECKASM(amrwb_mac_tail) {
    if (!have_avx2()) return;
    for (int len = 0; len <= 64; ++len)
        for (int off : offsets<int16_t>())
            for (Pattern p : kPatterns) {
                const int first = ctx.rng.range(0, len), step = ctx.rng.range(1, 4);
                const int count = 1 + ctx.rng.range(0, (len - first) / step);
                Buffer<int16_t> a(len, off), b(len, (off + 7) % 16);
                fill(ctx, p, a.data(), len);
                fill(ctx, partner(p), b.data(), len);
                const int32_t s0 = start(ctx);
                Twin<int32_t> r(count, 0);
                sc::mac_tail(a.data(), b.data(), len, first, step, count, s0, r.s());
                vx::mac_tail(a.data(), b.data(), len, first, step, count, s0, r.v());
                ctx.same("mac_tail", len, off, p, "first=" + std::to_string(first), r);
            }
}

CHECKASM(amrwb_pitch_sums) {
    if (!have_avx2()) return;
    for (int tmin = 26; tmin <= 223; tmin += 3)
        for (Pattern p : kPatterns)
            for (int rep = 0; rep < 4; ++rep) {
                const int tmax = tmin + ctx.rng.range(0, 23), off = ctx.rng.range(0, 15);
                Buffer<int16_t> exc(tmax + 1 + 64, off), xn(64, (off + 3) % 16), h(64, (off + 9) % 16);
                fill(ctx, p, exc.data(), exc.size());
                fill(ctx, partner(p), xn.data(), 64);
                fill(ctx, partner(p), h.data(), 64);
                // A decaying response, as the weighted synthesis filter gives, half of the time.
                if (rep & 1)
                    for (int i = 0; i < 64; ++i)
                        h.data()[i] = static_cast<int16_t>(h.data()[i] / (1 + i / 4));
                const int n = tmax - tmin + 1;
                Twin<int32_t> cor(n, 0), ener(n, 0);
                const int16_t* e = exc.data() + tmax + 1;
                sc::pitch_sums(e, xn.data(), h.data(), tmin, tmax, cor.s(), ener.s());
                vx::pitch_sums(e, xn.data(), h.data(), tmin, tmax, cor.v(), ener.v());
                ctx.same("pitch_sums", n, off, p, "tmin=" + std::to_string(tmin), cor, ener);
            }
}

CHECKASM(amrwb_residual) {
    if (!have_avx2()) return;
    static constexpr int kSf[] = {10, 14, 15, 0, -2, -17, 12};
    for (int len : lengths()) {
        if (len < 1 || (len > 100 && len % 64 != 0)) continue;
        for (int off : offsets<int16_t>())
            for (Pattern p : kPatterns) {
                const int m = len % 5 == 0 ? 16 : ctx.rng.range(1, 20), sf = kSf[ctx.rng.range(0, 6)];
                Buffer<int16_t> a(m + 1, off), x(m + len, (off + 11) % 16);
                fill(ctx, p, a.data(), m + 1);
                fill(ctx, partner(p), x.data(), m + len);
                Twin<int16_t> y(len, off);
                sc::residual(a.data(), m, x.data() + m, y.s(), len, sf);
                vx::residual(a.data(), m, x.data() + m, y.v(), len, sf);
                ctx.same("residual", len, off, p, "m=" + std::to_string(m) + " sf=" + std::to_string(sf), y);
            }
    }
}

CHECKASM(amrwb_pair_search) {
    if (!have_avx2()) return;
    for (int rep = 0; rep < 400; ++rep)
        for (Pattern p : kPatterns) {
            int16_t dn[64], dn2[64], cx[16], cy[16], rxy[256];
            fill(ctx, p, dn, 64);
            fill(ctx, partner(p), cx, 16);
            fill(ctx, partner(p), cy, 16);
            fill(ctx, partner(p), rxy, 256);
            // Ranks -8..-1 on eight random positions of each track, non-negative elsewhere.
            for (int i = 0; i < 64; ++i) dn2[i] = static_cast<int16_t>(ctx.rng.range(0, 32767));
            for (int t = 0; t < 4; ++t)
                for (int k = 0; k < 8; ++k) dn2[t + 4 * ctx.rng.range(0, 15)] = static_cast<int16_t>(k - 8);
            const int tx = ctx.rng.range(0, 3), ty = ctx.rng.range(0, 1) ? (tx + 1) & 3 : ctx.rng.range(0, 3);
            const int nx = ctx.rng.range(1, 8);
            const auto ps0 = static_cast<int16_t>(ctx.rng.range(-32768, 32767));
            const auto alp0 =
                static_cast<int16_t>(rep % 3 ? ctx.rng.range(-32768, 32767) : ctx.rng.range(0, 200));
            int16_t ps[2] = {ps0, ps0}, alp[2] = {alp0, alp0};
            int ix[2], iy[2];
            sc::pair_search(nx, tx, ty, &ps[0], &alp[0], &ix[0], &iy[0], dn, dn2, cx, cy, rxy);
            vx::pair_search(nx, tx, ty, &ps[1], &alp[1], &ix[1], &iy[1], dn, dn2, cx, cy, rxy);
            ctx.check(ps[0] == ps[1] && alp[0] == alp[1] && ix[0] == ix[1] && iy[0] == iy[1], "pair_search",
                      nx, 0, p, 0, "ix=" + std::to_string(ix[0]) + "/" + std::to_string(ix[1]));
        }
}

CHECKASM(amrwb_track_matrix) {
    if (!have_avx2()) return;
    for (int rep = 0; rep < 300; ++rep)
        for (Pattern p : kPatterns) {
            int16_t h[64], sign[64], vec[64];
            fill(ctx, p, h, 64);
            if (rep & 1)  // decaying, as a weighted synthesis response
                for (int i = 0; i < 64; ++i) h[i] = static_cast<int16_t>(h[i] / (1 + i / 3));
            for (int i = 0; i < 64; ++i) {
                const bool pos = p == Pattern::Ties ? i % 2 : ctx.rng.range(0, 1);
                sign[i] = pos ? 32767 : -32768;
                vec[i] = pos ? -32768 : 32767;
            }
            Twin<int16_t> rr(64, 0), rxy(1024, rep % 16);
            sc::track_matrix(h, sign, vec, rr.s(), rxy.s());
            vx::track_matrix(h, sign, vec, rr.v(), rxy.v());
            ctx.same("track_matrix", 64, rep % 16, p, "", rr, rxy);
        }
}

CHECKASM(amrwb_pred_lt4) {
    if (!have_avx2()) return;
    for (int lag = 20; lag <= 231; ++lag)
        for (int frac = -3; frac <= 3; ++frac)
            for (Pattern p : {Pattern::Random, Pattern::AllMax, Pattern::AllMin, Pattern::Alternating}) {
                const int n = lag % 2 ? 64 : 65, off = (lag + frac + 8) & 15;
                Twin<int16_t> exc(lag + 17 + n, off);
                fill(ctx, p, exc.s(), exc.size());
                exc.sync();
                sc::pred_lt4(exc.s() + lag + 17, lag, frac, n);
                vx::pred_lt4(exc.v() + lag + 17, lag, frac, n);
                ctx.same("pred_lt4", n, off, p,
                         "lag=" + std::to_string(lag) + " frac=" + std::to_string(frac), exc);
            }
}

CHECKASM(amrwb_vq_dist) {
    if (!have_avx2()) return;
    for (int count = 16; count <= 256; count += 16)
        for (int dim = 1; dim <= 12; ++dim)
            for (Pattern p : kPatterns) {
                const int off = (count / 16 + dim) & 15;
                Buffer<int16_t> x(dim, off), book(dim * count, (off + 5) & 15);
                fill(ctx, p, x.data(), dim);
                fill(ctx, partner(p), book.data(), dim * count);
                Twin<int32_t> d(count, off & 7);
                sc::vq_dist(x.data(), book.data(), dim, count, d.s());
                vx::vq_dist(x.data(), book.data(), dim, count, d.v());
                ctx.same("vq_dist", count, off, p, "dim=" + std::to_string(dim), d);
            }
}

CHECKASM(amrwb_track_cor) {
    if (!have_avx2()) return;
    for (int rep = 0; rep < 300; ++rep)
        for (Pattern p : kPatterns) {
            int16_t h[64], vec[64], sign[64], rr[16];
            fill(ctx, p, h, 64);
            fill(ctx, partner(p), vec, 64);
            fill(ctx, partner(p), rr, 16);
            for (int i = 0; i < 64; ++i)
                sign[i] = static_cast<int16_t>(rep % 3 ? (ctx.rng.range(0, 1) ? 32767 : -32768)
                                                       : ctx.rng.range(-32768, 32767));
            const int track = rep & 3;
            Twin<int16_t> cor(16, rep % 16);
            sc::track_cor(h, vec, track, sign, rr, cor.s());
            vx::track_cor(h, vec, track, sign, rr, cor.v());
            ctx.same("track_cor", 16, rep % 16, p, "track=" + std::to_string(track), cor);
        }
}

CHECKASM(amrwb_synth_32) {
    if (!have_avx2()) return;
    for (int len : lengths()) {
        if (len < 1 || (len > 80 && len % 64 != 0)) continue;
        for (Pattern p : kPatterns)
            for (int rep = 0; rep < 8; ++rep) {
                const int m = rep < 4 ? 16 : ctx.rng.range(1, 20), off = ctx.rng.range(0, 15);
                int16_t a[21];
                fill(ctx, partner(p), a, m + 1);
                if (rep & 1) {  // a stable-looking filter: a[0] = 4096 and decaying taps
                    a[0] = 4096;
                    for (int j = 1; j <= m; ++j) a[j] = static_cast<int16_t>(a[j] / (2 + 3 * j));
                }
                Buffer<int16_t> exc(len, off);
                fill(ctx, p, exc.data(), len);
                Twin<int32_t> sig(m + len, off & 7);
                fill32(ctx.rng, p, sig.s(), m);
                if (rep & 2)
                    for (int i = 0; i < m; ++i) sig.s()[i] >>= ctx.rng.range(4, 20);
                sig.sync();
                const int q = rep < 2 ? 0 : ctx.rng.range(0, 8);
                sc::synth_32(a, m, exc.data(), sig.s() + m, len, q);
                vx::synth_32(a, m, exc.data(), sig.v() + m, len, q);
                ctx.same("synth_32", len, off, p, "m=" + std::to_string(m), sig);
            }
    }
}

CHECKASM(amrwb_gain_dist) {
    if (!have_avx2()) return;
    for (int rep = 0; rep < 200; ++rep)
        for (Pattern p : kPatterns) {
            const int size = 8 * ctx.rng.range(1, 8);
            Buffer<int16_t> table(2 * size, rep & 15);
            int16_t c[5], lo[5];
            fill(ctx, p, table.data(), 2 * size);
            fill(ctx, partner(p), c, 5);
            fill(ctx, partner(p), lo, 5);
            if (rep & 1)  // the codec's signs: non-negative gains, low parts and g0
                for (int i = 0; i < 2 * size; ++i)
                    table.data()[i] = static_cast<int16_t>(table.data()[i] & 0x7FFF);
            for (int16_t& v : lo) v = static_cast<int16_t>(rep & 1 ? v & 0x0FFF : v);
            const auto g0 =
                static_cast<int16_t>(rep & 1 ? ctx.rng.range(0, 32767) : ctx.rng.range(-32768, 32767));
            Twin<int32_t> d(size, rep & 7);
            sc::gain_dist(table.data(), size, g0, c, lo, d.s());
            vx::gain_dist(table.data(), size, g0, c, lo, d.v());
            ctx.same("gain_dist", size, rep & 15, p, "g0=" + std::to_string(g0), d);
        }
}

CHECKASM(amrwb_three_tap) {
    if (!have_avx2()) return;
    for (int len : lengths()) {
        if (len < 1 || (len > 100 && len % 64 != 0)) continue;
        for (int off : offsets<int16_t>())
            for (Pattern p : kPatterns) {
                int16_t c[2];
                fill(ctx, partner(p), c, 2);
                const bool edge = (len + off) & 1, in_place = off & 2;
                Twin<int16_t> x(len + 2, off, ctx.rng, p), y(len, (off + 5) & 15);
                int16_t* xs = x.s() + 1;
                int16_t* xv = x.v() + 1;
                sc::three_tap(c, xs, in_place ? xs : y.s(), len, edge);
                vx::three_tap(c, xv, in_place ? xv : y.v(), len, edge);
                ctx.same("three_tap", len, off, p, in_place ? "in place" : "", x, y);
            }
    }
}

CHECKASM(amrwb_cheb_grid) {
    if (!have_avx2()) return;
    for (int rep = 0; rep < 300; ++rep)
        for (Pattern p : kPatterns) {
            const int n = rep % 3 ? 8 - (rep & 1) : ctx.rng.range(2, 10), count = ctx.rng.range(1, 120);
            int16_t f[11];
            fill(ctx, partner(p), f, n + 1);
            Buffer<int16_t> x(count, rep & 15);
            fill(ctx, p, x.data(), count);
            Twin<int16_t> y(count, (rep + 3) & 15);
            sc::cheb_grid(f, n, x.data(), y.s(), count);
            vx::cheb_grid(f, n, x.data(), y.v(), count);
            ctx.same("cheb_grid", count, rep & 15, p, "n=" + std::to_string(n), y);
        }
}

CHECKASM(amrwb_two_track) {
    if (!have_avx2()) return;
    for (int rep = 0; rep < 300; ++rep)
        for (Pattern p : kPatterns) {
            int16_t h[64], sign[64], vec[64], dn[64], rr[64];
            fill(ctx, p, h, 64);
            if (rep & 1)
                for (int i = 0; i < 64; ++i) h[i] = static_cast<int16_t>(h[i] / (1 + i / 3));
            for (int i = 0; i < 64; ++i) {
                const bool pos = p == Pattern::Ties ? i % 3 : ctx.rng.range(0, 1);
                sign[i] = pos ? 32767 : -32768;
                vec[i] = pos ? -32768 : 32767;
            }
            Twin<int16_t> rxy(1024, rep & 15);
            sc::matrix_2t(h, sign, vec, rxy.s());
            vx::matrix_2t(h, sign, vec, rxy.v());
            ctx.same("matrix_2t", 1024, rep & 15, p, "", rxy);
            // The search on that matrix (or a random one) with random correlations and energies.
            fill(ctx, partner(p), dn, 64);
            fill(ctx, partner(p), rr, 64);
            if (rep & 2) fill(ctx, p, rxy.s(), 1024);
            int at[2][2];
            sc::search_2t(dn, rr, rr + 32, rxy.s(), &at[0][0], &at[0][1]);
            vx::search_2t(dn, rr, rr + 32, rxy.s(), &at[1][0], &at[1][1]);
            ctx.check(at[0][0] == at[1][0] && at[0][1] == at[1][1], "search_2t", 32, rep & 15, p, 0,
                      "ix=" + std::to_string(at[0][0]) + "/" + std::to_string(at[1][0]));
        }
}

CHECKASM(amrwb_preemph) {
    if (!have_avx2()) return;
    static constexpr int kSf[] = {14, 13, 10, 0, 15, -20, 4};
    for (int len : lengths()) {
        if (len < 1 || (len > 100 && len % 64 != 0)) continue;
        for (int off : offsets<int16_t>())
            for (Pattern p : kPatterns) {
                const auto mu = static_cast<int16_t>(ctx.rng.range(-32768, 32767));
                const int sf = kSf[ctx.rng.range(0, 6)];
                Twin<int16_t> x(len, off, ctx.rng, p), mem(1, 0, ctx.rng, partner(p));
                sc::preemph(mu, x.s(), len, sf, mem.s());
                vx::preemph(mu, x.v(), len, sf, mem.v());
                ctx.same("preemph", len, off, p, "sf=" + std::to_string(sf), x, mem);
            }
    }
}

CHECKASM(amrwb_preselect_4t) {
    if (!have_avx2()) return;
    for (int rep = 0; rep < 400; ++rep)
        for (Pattern p : kPatterns) {
            Twin<int16_t> dn(64, rep & 15, ctx.rng, p), sign(64, 0), vec(64, 0), dn2(64, 0);
            int16_t cn[64];
            fill(ctx, partner(p), cn, 64);
            if (rep & 1)  // few distinct values: ties within the tracks
                for (int i = 0; i < 64; ++i) cn[i] = static_cast<int16_t>(cn[i] & 0x7000);
            const auto k_cn = static_cast<int16_t>(ctx.rng.range(-32768, 32767));
            const auto k_dn = static_cast<int16_t>(rep & 2 ? 0 : ctx.rng.range(-32768, 32767));
            int best[2][4];
            sc::preselect_4t(dn.s(), cn, k_cn, k_dn, sign.s(), vec.s(), dn2.s(), best[0]);
            vx::preselect_4t(dn.v(), cn, k_cn, k_dn, sign.v(), vec.v(), dn2.v(), best[1]);
            ctx.same("preselect_4t", 64, rep & 15, p, "", dn, sign, vec, dn2);
            ctx.check(std::equal(best[0], best[0] + 4, best[1]), "preselect_4t", 64, rep & 15, p, 0,
                      "pos_max");
        }
}

// GSM-AMR kernels, scalar against AVX2: the pair stage of the 10.2 and 12.2 kbit/s codebook
// searches on seeded random, extreme and tied inputs; the correlation matrix; LSF distances; dots;
// the whole pulse-pair search and its parts; the LSP search's Chebyshev series; the synthesis runs.
#include <algorithm>
#include <cstdlib>

#include "amrnb/kernels.h"
#include "checkasm.h"

using namespace checkasm;
namespace sc = voks::amrnb::scalar;
namespace vx = voks::amrnb::avx2;

// Rows of 8 (12.2) and 10 (10.2) candidates with the stage weights; energies within the bound
// the caller guarantees, mostly positive (the vector path), sometimes not (the ordered scan);
// equal rows and columns give tied ratios (the first candidate wins).
CHECKASM(amrnb_pair_stage) {
    if (!have_avx2()) return;
    static const int32_t kPair2[4] = {8192, 4096, 2048, 1024}, kRrv2[3] = {32768, 16384, 8192};
    for (int trial = 0; trial < 40000; ++trial) {
        const Pattern p = kPatterns[trial % 7];
        const int n = trial % 5 == 4 ? 10 : 8;
        int16_t ps1[10], dn[10], rrv[10], rr[40 * 10];
        int32_t alp1[10], rrv2[10];
        fill16(ctx.rng, p, ps1, 10);
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), dn, 10);
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), rrv, 10);
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), rr, 400);
        fill32(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), alp1, 10);
        const int32_t pair2 = kPair2[trial & 3], w = kRrv2[trial % 3];
        for (int k = 0; k < 10; ++k) {
            rrv2[k] = rrv[k] * w;
            alp1[k] %= 0x2FFF0000;
            if (trial & 8) alp1[k] = (alp1[k] & 0x0FFFFFFF) + (1 << 28);  // positive energies
        }
        if (trial & 16) {
            for (int a = 1; a < 10; ++a) {
                ps1[a] = ps1[0];
                alp1[a] = alp1[0];
                for (int c = 0; c < 10; ++c) rr[40 * a + c] = rr[c];
            }
            if (trial & 32)
                for (int c = 1; c < 10; ++c) {
                    dn[c] = dn[0];
                    rrv2[c] = rrv2[0];
                    for (int a = 0; a < 10; ++a) rr[40 * a + c] = rr[40 * a];
                }
        }
        voks::amrnb::PairBest r, v;
        sc::pair_stage(ps1, alp1, dn, rrv2, rr, pair2, n, r);
        vx::pair_stage(ps1, alp1, dn, rrv2, rr, pair2, n, v);
        ctx.check(r.sq == v.sq && r.al == v.al && r.ps == v.ps && r.a == v.a && r.c == v.c, "pair_stage", n,
                  0, p, 8 * r.a + r.c);
    }
}

// The LSF distances: every pattern for residuals, weights and entries (saturating differences
// and the -32768 * -32768 product included), both signs, every length to 40 and the book sizes.
CHECKASM(amrnb_lsf_dist4) {
    if (!have_avx2()) return;
    for (int n : {0, 1, 7, 8, 9, 15, 16, 33, 40, 64, 128, 256, 512})
        for (Pattern p : kPatterns)
            for (int sign : {1, -1}) {
                int16_t r[4], w[4];
                fill16(ctx.rng, p, r, 4);
                fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), w, 4);
                Buffer<int16_t> cb(4 * n, ctx.rng.range(0, 15));
                fill16(ctx.rng, partner(p), cb.data(), 4 * n);
                Twin<uint32_t> h(n, ctx.rng.range(0, 7));
                sc::lsf_dist4(r, w, cb.data(), n, sign, h.s());
                vx::lsf_dist4(r, w, cb.data(), n, sign, h.v());
                ctx.same("lsf_dist4", n, 0, p, sign < 0 ? "negated" : "", h);
            }
}

// The exact dot products: every pattern pair (-32768 against -32768 included), every length to
// 64 and every misalignment.
CHECKASM(amrnb_dots) {
    if (!have_avx2()) return;
    each_case([&](int len, int off, Pattern p) {
        Buffer<int16_t> x(len, off), y(len, (off + 5) % 16);
        fill16(ctx.rng, p, x.data(), len);
        fill16(ctx.rng, ctx.rng.range(0, 1) ? p : partner(p), y.data(), len);
        int64_t cr, er, cv, ev;
        sc::dots(x.data(), y.data(), len, cr, er);
        vx::dots(x.data(), y.data(), len, cv, ev);
        ctx.check(cr == cv && er == ev, "dots", len, off, p);
    });
}

// The correlation matrix: h2 of every pattern scaled into the caller's bound (2 sum h2^2 within
// 0x7FFF7FFF, at it or just below), signs of +-32767 or any value (-32768 included), in the
// natural order and the 4- and 5-track layouts.
CHECKASM(amrnb_cor_matrix) {
    if (!have_avx2()) return;
    static const int kTrackLength[3] = {1, 10, 8};
    for (int trial = 0; trial < 3000; ++trial) {
        const Pattern p = kPatterns[trial % 7];
        int16_t h2[40], sign[40], rs[1600], rv[1600];
        fill16(ctx.rng, p, h2, 40);
        int64_t e = 0;
        for (int16_t v : h2) e += int32_t{v} * v;
        while (2 * e > 0x7FFF7FFF) {  // halve until within the bound
            e = 0;
            for (int16_t& v : h2) {
                v = static_cast<int16_t>(v / 2);
                e += int32_t{v} * v;
            }
        }
        if (trial & 1)
            for (int16_t& s : sign) s = ctx.rng.range(0, 1) ? 32767 : -32767;
        else
            fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), sign, 40);
        const int m = kTrackLength[trial % 3];
        const int16_t os = sc::cor_matrix(h2, sign, m, rs), ov = vx::cor_matrix(h2, sign, m, rv);
        int first = 0;
        while (first < 1600 && rs[first] == rv[first]) ++first;
        ctx.check(os == ov && first == 1600, "cor_matrix", 40, trial % 3, p, first);
    }
}

// The pulse-pair search at 10.2 and 12.2 kbit/s: matrices of every pattern (all-max and
// all-min ones drive the saturating chains), smaller random magnitudes scaled down (the plain
// sums), signed dn of every pattern, each start track and maximum positions.
CHECKASM(amrnb_search_pairs) {
    if (!have_avx2()) return;
    for (int trial = 0; trial < 4000; ++trial) {
        const Pattern p = kPatterns[trial % 7];
        const int n = trial & 1 ? 10 : 8, tracks = n / 2, m = 40 / tracks;
        int16_t dn[40], rr[1600], pos_max[5], ipos_s[10], ipos_v[10];
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), dn, 40);
        fill16(ctx.rng, p, rr, 1600);
        const int shift = trial & 2 ? ctx.rng.range(0, 4) : 0;
        int off = 0;
        for (int i = 0; i < 1600; ++i) {
            rr[i] = static_cast<int16_t>(rr[i] >> shift);
            if (i % 41) off = std::max(off, std::abs(int32_t{rr[i]}));
        }
        const int first = ctx.rng.range(0, tracks - 1);
        for (int i = 0; i < 2 * tracks; ++i)
            ipos_s[i] = ipos_v[i] = static_cast<int16_t>((first + i) % tracks);
        for (int t = 0; t < tracks; ++t) pos_max[t] = static_cast<int16_t>(t * m + ctx.rng.range(0, m - 1));
        int cs[10], cv[10];
        sc::search_pairs(n, dn, rr, ipos_s, pos_max, static_cast<int16_t>(std::min(off, 32767)), cs);
        vx::search_pairs(n, dn, rr, ipos_v, pos_max, static_cast<int16_t>(std::min(off, 32767)), cv);
        int differ = 0;
        while (differ < n && cs[differ] == cv[differ] && ipos_s[differ] == ipos_v[differ]) ++differ;
        ctx.check(differ == n, "search_pairs", n, shift, p, differ);
    }
}

// The backward correlation: x and h of every pattern pair (-32768 products and wrapping sums
// included).
CHECKASM(amrnb_backward_corr) {
    if (!have_avx2()) return;
    for (int trial = 0; trial < 2000; ++trial) {
        const Pattern p = kPatterns[trial % 7];
        int16_t x[40], h[40];
        int32_t ys[40], yv[40];
        fill16(ctx.rng, p, x, 40);
        fill16(ctx.rng, trial & 1 ? p : static_cast<Pattern>(ctx.rng.range(0, 6)), h, 40);
        sc::backward_corr(x, h, ys);
        vx::backward_corr(x, h, yv);
        int first = 0;
        while (first < 40 && ys[first] == yv[first]) ++first;
        ctx.check(first == 40, "backward_corr", 40, 0, p, first);
    }
}

// The filtered code vector's sums: h of every pattern after its 40 zeros, 0 to 10 pulses at
// random positions (0 and 39 included) with signs of every pattern.
CHECKASM(amrnb_pulse_sum) {
    if (!have_avx2()) return;
    for (int trial = 0; trial < 3000; ++trial) {
        const Pattern p = kPatterns[trial % 7];
        int16_t hbuf[80] = {}, s[10];
        int pos[10];
        fill16(ctx.rng, p, hbuf + 40, 40);
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), s, 10);
        const int n = trial % 11;
        for (int k = 0; k < n; ++k) pos[k] = k == 0 ? 39 * (trial & 1) : ctx.rng.range(0, 39);
        int32_t as[40], av[40];
        sc::pulse_sum(hbuf + 40, pos, s, n, as);
        vx::pulse_sum(hbuf + 40, pos, s, n, av);
        int first = 0;
        while (first < 40 && as[first] == av[first]) ++first;
        ctx.check(first == 40, "pulse_sum", n, 0, p, first);
    }
}

// The sign selection: residual and target of every pattern with factors of every size and sign
// (the L_mult, L_mac, L_shl and rounding saturations and -32768 flips included).
CHECKASM(amrnb_sign_select) {
    if (!have_avx2()) return;
    static const int16_t kFactor[] = {0, 1, 181, 4096, 32767, -1, -32768};
    for (int trial = 0; trial < 3000; ++trial) {
        const Pattern p = kPatterns[trial % 7];
        int16_t cn[40], dn_s[40], dn_v[40], sign_s[40], sign_v[40], en_s[40], en_v[40];
        fill16(ctx.rng, p, cn, 40);
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), dn_s, 40);
        std::copy(dn_s, dn_s + 40, dn_v);
        const int16_t kc =
            trial & 1 ? kFactor[ctx.rng.range(0, 6)] : static_cast<int16_t>(ctx.rng.range(0, 32767));
        const int16_t kd =
            trial & 2 ? kFactor[ctx.rng.range(0, 6)] : static_cast<int16_t>(ctx.rng.range(0, 32767));
        sc::sign_select(cn, kc, kd, dn_s, sign_s, en_s);
        vx::sign_select(cn, kc, kd, dn_v, sign_v, en_v);
        int first = 0;
        while (first < 40 && dn_s[first] == dn_v[first] && sign_s[first] == sign_v[first] &&
               en_s[first] == en_v[first])
            ++first;
        ctx.check(first == 40, "sign_select", 40, 0, p, first);
    }
}

// The LSP search's Chebyshev series: points of every pattern (-32768 included) against
// polynomials of every pattern, whose extremes drive the saturating chain, at every length and
// misalignment (the partial last step included).
CHECKASM(amrnb_cheb_grid) {
    if (!have_avx2()) return;
    each_case([&](int len, int off, Pattern p) {
        Buffer<int16_t> x(len, off);
        fill16(ctx.rng, p, x.data(), len);
        int16_t f[6];
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), f, 6);
        if (ctx.rng.range(0, 1))
            for (int16_t& v : f) v = static_cast<int16_t>(v >> ctx.rng.range(0, 4));
        Twin<int16_t> y(len, off);
        sc::cheb_grid(f, x.data(), len, y.s());
        vx::cheb_grid(f, x.data(), len, y.v());
        ctx.same("cheb_grid", len, off, p, "", y);
    });
}

// The synthesis filter run: inputs, memories and coefficients of every pattern (sums leaving 32
// bits, -32768 pairs, outputs leaving 16 bits at any sample), and stable filters scaled down so
// that long runs complete; every length and misalignment.
CHECKASM(amrnb_syn_run) {
    if (!have_avx2()) return;
    each_case([&](int len, int off, Pattern p) {
        Buffer<int16_t> x(len, off);
        fill16(ctx.rng, p, x.data(), len);
        int16_t a[11];
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), a, 11);
        const int shift = ctx.rng.range(0, 3);
        if (shift)
            for (int j = 1; j < 11; ++j) a[j] = static_cast<int16_t>(a[j] >> (4 + 2 * shift + j / 2));
        Twin<int16_t> y(len + 10, off, ctx.rng, partner(p));
        const int ns = sc::syn_run(a, x.data(), y.s() + 10, len);
        const int nv = vx::syn_run(a, x.data(), y.v() + 10, len);
        ctx.check(ns == nv, "syn_run", len, off, p, ns) && ctx.same("syn_run", len, off, p, "", y);
    });
}

// The two interleaved runs: streams of independent patterns, so that either one (or both)
// leaves 16 bits first, at every length and misalignment.
CHECKASM(amrnb_syn_run2) {
    if (!have_avx2()) return;
    each_case([&](int len, int off, Pattern p) {
        Buffer<int16_t> x0(len, off), x1(len, (off + 7) % 16);
        fill16(ctx.rng, p, x0.data(), len);
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), x1.data(), len);
        int16_t a[11];
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), a, 11);
        const int shift = ctx.rng.range(0, 3);
        if (shift)
            for (int j = 1; j < 11; ++j) a[j] = static_cast<int16_t>(a[j] >> (4 + 2 * shift + j / 2));
        Twin<int16_t> y0(len + 10, off, ctx.rng, partner(p)),
            y1(len + 10, (off + 3) % 16, ctx.rng, Pattern::Random);
        int cs[2], cv[2];
        sc::syn_run2(a, x0.data(), y0.s() + 10, x1.data(), y1.s() + 10, len, cs);
        vx::syn_run2(a, x0.data(), y0.v() + 10, x1.data(), y1.v() + 10, len, cv);
        ctx.check(cs[0] == cv[0] && cs[1] == cv[1], "syn_run2", len, off, p, cs[0]) &&
            ctx.same("syn_run2", len, off, p, "", y0, y1);
    });
}

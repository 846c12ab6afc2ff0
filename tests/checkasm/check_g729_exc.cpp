// G.729 excitation-search kernels, scalar against AVX2: saturating L_mac chains (plain and
// decimated), Pred_lt_3, the Norm_Corr lag loop, the Cor_h prefix chains and the codebook
// search loops of D4i40_17 and D4i40_17_fast, and the matrix conversions and gather, on seeded
// random, extreme and tied inputs.
#include <string>
#include <vector>

#include "checkasm.h"
#include "g729/exc_internal.h"
#include "g729/kernels.h"

using namespace checkasm;
namespace sc = voks::g729::scalar;
namespace vx = voks::g729::avx2;

namespace {

// Scales a pattern down so that the exact vector paths are exercised as well as the fallbacks.
void shrink(Rng& rng, int16_t* x, int n) {
    const int s = rng.range(0, 8);
    for (int i = 0; i < n; ++i) x[i] = static_cast<int16_t>(x[i] >> s);
}

// |x| with -32768 taken to 32767, as the searches receive the backward-filtered target.
void magnitudes(int16_t* x, int n) {
    for (int i = 0; i < n; ++i) x[i] = x[i] < 0 ? static_cast<int16_t>(x[i] == -32768 ? 32767 : -x[i]) : x[i];
}

// The correlation matrix of a random decaying response, scaled as Cor_h does, with random signs
// on the cross blocks.
void response_matrix(Rng& rng, int16_t* rr) {
    int16_t h[40];
    const int amp = rng.range(100, 32767);
    for (int i = 0; i < 40; ++i)
        h[i] = static_cast<int16_t>((rng.range(-amp, amp) * (40 - i)) / 40 / (1 + (i >> rng.range(0, 3))));
    int32_t m[616];
    voks::g729::cor_h_32(h, m);
    for (int i = 0; i < 616; ++i) rr[i] = static_cast<int16_t>(m[i] >> 15);
    for (int i = 40; i < 616; ++i)
        if (rng.range(0, 1)) rr[i] = static_cast<int16_t>(rr[i] == -32768 ? 32767 : -rr[i]);
}

}  // namespace

CHECKASM(g729_exc_mac_chain) {
    if (!have_avx2()) return;
    for (int len = 0; len <= 160; ++len)
        for (int off : offsets<int16_t>())
            for (Pattern p : kPatterns) {
                Buffer<int16_t> a(len, off), b(len, (off * 5 + 3) % 16);
                fill16(ctx.rng, p, a.data(), len);
                fill16(ctx.rng, p == Pattern::Ties ? Pattern::Random : p, b.data(), len);
                if (ctx.rng.range(0, 1)) shrink(ctx.rng, a.data(), len);
                // Against b, then a vector with itself: the chain of squares.
                for (const int16_t* y : {b.data(), a.data()}) {
                    const char* what = y == a.data() ? "squares" : "";
                    ctx.check(sc::mac_chain(a.data(), y, len) == vx::mac_chain(a.data(), y, len), "mac_chain",
                              len, off, p, 0, what);
                    ctx.check(sc::mac_chain_dec(a.data(), y, len) == vx::mac_chain_dec(a.data(), y, len),
                              "mac_chain_dec", len, off, p, 0, what);
                }
            }
}

CHECKASM(g729_exc_pred_lt_3) {
    if (!have_avx2()) return;
    for (int t0 = 18; t0 <= 144; ++t0)
        for (int frac = -1; frac <= 1; ++frac)
            for (Pattern p : kPatterns) {
                const int off = (t0 + frac) & 15;
                Buffer<int16_t> r(194, off), v(194, (off + 7) & 15);
                fill16(ctx.rng, p, r.data(), 194);
                if (ctx.rng.range(0, 2)) shrink(ctx.rng, r.data(), 194);
                std::copy(r.data(), r.data() + 194, v.data());
                sc::pred_lt_3(r.data() + 154, t0, frac);
                vx::pred_lt_3(v.data() + 154, t0, frac);
                const int d = first_difference(r.data(), v.data(), 194);
                ctx.check(d < 0, "pred_lt_3", 40, off, p, d, "t0=" + std::to_string(t0));
                ctx.check(r.guards_intact() && v.guards_intact(), "pred_lt_3", 40, off, p, -1, "guard");
            }
    // Amplitudes around the exactness limit (the largest sample times the window's absolute
    // sum against 2^29): short lags feed grown outputs back, so the vector blocks hand over to
    // the scalar chain part-way through the subframe.
    for (int t0 = 18; t0 <= 144; ++t0)
        for (int frac = -1; frac <= 1; ++frac)
            for (int trial = 0; trial < 8; ++trial) {
                int16_t r[194], v[194];
                const int amp = ctx.rng.range(7000, 12000);
                for (int i = 0; i < 194; ++i) {
                    const int x = trial & 1 ? ((i & 1) ? amp : -amp) : ctx.rng.range(-amp, amp);
                    r[i] = v[i] = static_cast<int16_t>(trial & 2 ? x : (i % 7 < 3 ? x : x / 3));
                }
                sc::pred_lt_3(r + 154, t0, frac);
                vx::pred_lt_3(v + 154, t0, frac);
                const int d = first_difference(r, v, 194);
                ctx.check(d < 0, "pred_lt_3", 40, 0, Pattern::Random, d, "amp t0=" + std::to_string(t0));
            }
}

CHECKASM(g729_exc_norm_corr) {
    if (!have_avx2()) return;
    for (int trial = 0; trial < 600; ++trial) {
        const Pattern p = kPatterns[trial % 7];
        int16_t exc[194], xn[40], h[40], excf_r[40], excf_v[40];
        fill16(ctx.rng, p, exc, 194);
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), xn, 40);
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), h, 40);
        if (trial & 1) shrink(ctx.rng, exc, 194);
        if (trial & 2) shrink(ctx.rng, h, 40);
        if (trial & 4) shrink(ctx.rng, xn, 40);
        fill16(ctx.rng, Pattern::Random, excf_r, 40);
        if (trial & 8) shrink(ctx.rng, excf_r, 40);
        std::copy(excf_r, excf_r + 40, excf_v);
        const int t_min = ctx.rng.range(16, 133);
        const int t_max = t_min + (trial % 3 == 0 ? 14 : 10);
        const int h_fac = (trial & 16) ? 1 : 3, scaling = h_fac == 1 ? 2 : 0;
        int16_t cr[20], cv[20];
        sc::norm_corr(exc + 154, xn, h, t_min, t_max, h_fac, scaling, excf_r, cr);
        vx::norm_corr(exc + 154, xn, h, t_min, t_max, h_fac, scaling, excf_v, cv);
        int d = first_difference(cr, cv, t_max - t_min + 1);
        if (d < 0)
            d = first_difference(excf_r, excf_v, 40) + (first_difference(excf_r, excf_v, 40) >= 0 ? 100 : 0);
        ctx.check(d < 0, "norm_corr", 40, 0, p, d, "t_min=" + std::to_string(t_min));
    }
}

CHECKASM(g729_exc_cor_h_prefix) {
    if (!have_avx2()) return;
    for (int trial = 0; trial < 2000; ++trial) {
        const Pattern p = kPatterns[trial % 7];
        int16_t h[40];
        fill16(ctx.rng, p, h, 40);
        if (trial & 1) shrink(ctx.rng, h, 40);
        if (trial & 2)
            for (int i = 0; i < 40; ++i) h[i] = static_cast<int16_t>(h[i] >> 4);
        std::vector<int32_t> r(40 * 41, 0x5A5A5A5A), v(40 * 41, 0x5A5A5A5A);
        sc::cor_h_prefix(h, r.data());
        vx::cor_h_prefix(h, v.data());
        // The entries the matrix reads: lag d up to n = 40 - d.
        int d = -1;
        for (int n = 0; n <= 40 && d < 0; ++n)
            for (int lag = 0; lag <= 40 - n && lag < 40; ++lag)
                if (r[n * 40 + lag] != v[n * 40 + lag]) {
                    d = n * 40 + lag;
                    break;
                }
        ctx.check(d < 0, "cor_h_prefix", 40, 0, p, d);
    }
}

CHECKASM(g729_exc_search_17) {
    if (!have_avx2()) return;
    for (int trial = 0; trial < 6000; ++trial) {
        const Pattern p = kPatterns[trial % 7];
        int16_t dn[40], rr[616];
        fill16(ctx.rng, p, dn, 40);
        magnitudes(dn, 40);
        if (trial & 1) shrink(ctx.rng, dn, 40);
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), rr, 616);
        if (trial & 2) shrink(ctx.rng, rr, 616);
        if (trial & 4) {
            // The matrix of a decaying response with random signs: positive energies, so the
            // vector reduction of the candidates decides.
            response_matrix(ctx.rng, rr);
            if (trial & 8)
                for (int i = 0; i < 40; ++i) dn[i] = dn[i % 5];
        }
        const int16_t thres = static_cast<int16_t>(ctx.rng.range(-100, 32767) >> ctx.rng.range(0, 4));
        int16_t tr = static_cast<int16_t>(ctx.rng.range(-5, 140)), tv = tr;
        int ipr[4] = {0, 1, 2, 3}, ipv[4] = {0, 1, 2, 3};
        sc::search_17(dn, rr, thres, tr, ipr);
        vx::search_17(dn, rr, thres, tv, ipv);
        int d = first_difference(ipr, ipv, 4);
        if (d < 0 && tr != tv) d = 4;
        ctx.check(d < 0, "search_17", 40, 0, p, d, "thres=" + std::to_string(thres));
    }
}

// The row searches: random and extreme rows (the scalar steps where a row's sum may saturate),
// non-positive energies (the ordered scan decides), tied candidates (the first one wins) and
// entering bests of every sign.
CHECKASM(g729_exc_phase_b) {
    if (!have_avx2()) return;
    for (int trial = 0; trial < 40000; ++trial) {
        const Pattern p = kPatterns[trial % 7];
        const bool a_phase = (trial & 8) != 0;
        const int rows = a_phase ? 2 : 8;
        int16_t ps1[8], dn[8], cross[64], vec[8];
        int32_t alp1[8];
        fill16(ctx.rng, p, ps1, 8);
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), dn, 8);
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), cross, 64);
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), vec, 8);
        fill32(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), alp1, 8);
        if (trial & 1)
            for (auto& x : alp1) x >>= ctx.rng.range(1, 8);
        if (trial & 2) {
            // Codebook-like: non-negative correlations, energies mostly positive.
            for (auto& x : ps1) x = static_cast<int16_t>((x & 0x7FFF) >> ctx.rng.range(1, 4));
            for (auto& x : dn) x = static_cast<int16_t>((x & 0x7FFF) >> ctx.rng.range(1, 4));
            for (auto& x : vec) x = static_cast<int16_t>((x & 0x7FFF) >> ctx.rng.range(0, 3));
            for (auto& x : alp1) x = (x & 0x7FFFFFFF) >> ctx.rng.range(2, 6);
            for (auto& x : cross) x = static_cast<int16_t>(x >> ctx.rng.range(2, 8));
        }
        if (trial & 16) {
            // Many equal ratios: identical rows and columns.
            for (int a = 1; a < 8; ++a) {
                ps1[a] = ps1[0];
                alp1[a] = alp1[0];
            }
            for (int i = 0; i < 64; ++i) cross[i] = cross[i & 7];
            if (trial & 32)
                for (int k = 1; k < 8; ++k) {
                    dn[k] = dn[0];
                    vec[k] = vec[0];
                }
        }
        int16_t sq_r, alp_r;
        switch ((trial >> 2) & 1 ? trial % 3 : 0) {
            case 0:
                sq_r = -1;
                alp_r = 1;
                break;
            case 1:
                sq_r = static_cast<int16_t>(ctx.rng.range(0, 32767));
                alp_r = static_cast<int16_t>(ctx.rng.range(1, 32767));
                break;
            default:
                sq_r = static_cast<int16_t>(ctx.rng.range(-1, 32767));
                alp_r = static_cast<int16_t>(ctx.rng.range(-32768, 0));
                break;
        }
        int16_t sq_v = sq_r, alp_v = alp_r;
        int ar, kr, av, kv;
        if (a_phase) {
            sc::phase_a(ps1, alp1, dn, cross, vec, sq_r, alp_r, ar, kr);
            vx::phase_a(ps1, alp1, dn, cross, vec, sq_v, alp_v, av, kv);
        } else {
            sc::phase_b(ps1, alp1, dn, cross, vec, sq_r, alp_r, ar, kr);
            vx::phase_b(ps1, alp1, dn, cross, vec, sq_v, alp_v, av, kv);
        }
        ctx.check(ar == av && kr == kv && sq_r == sq_v && alp_r == alp_v, a_phase ? "phase_a" : "phase_b",
                  8 * rows, 0, p);
    }
}

// The whole D4i40_17_fast search: random and extreme matrices (the scalar search takes over
// when an energy is not positive or a sum leaves no room), matrices of real responses with
// random signs, and flat correlations (ties between positions).
CHECKASM(g729_exc_search_17_fast) {
    if (!have_avx2()) return;
    for (int trial = 0; trial < 6000; ++trial) {
        const Pattern p = kPatterns[trial % 7];
        int16_t dn[40], rr[616];
        fill16(ctx.rng, p, dn, 40);
        magnitudes(dn, 40);
        if (trial & 1) shrink(ctx.rng, dn, 40);
        if (trial & 2) {
            // The matrix of a decaying response, scaled as Cor_h does, with random signs.
            response_matrix(ctx.rng, rr);
        } else {
            fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), rr, 616);
            if (trial & 4) shrink(ctx.rng, rr, 616);
            if (trial & 8)
                for (int i = 0; i < 40; ++i) rr[i] = static_cast<int16_t>(rr[i] & 0x7FFF);
        }
        if (trial % 5 == 0)
            for (int i = 0; i < 40; ++i) dn[i] = dn[i % 5];
        int ipr[4] = {-1, -1, -1, -1}, ipv[4] = {-2, -2, -2, -2};
        sc::search_17_fast(dn, rr, ipr);
        vx::search_17_fast(dn, rr, ipv);
        const int d = first_difference(ipr, ipv, 4);
        ctx.check(d < 0, "search_17_fast", 40, 0, p, d, trial & 2 ? "response" : "random");
    }
}

CHECKASM(g729_exc_sign_block) {
    if (!have_avx2()) return;
    for (int trial = 0; trial < 20000; ++trial) {
        const Pattern p = kPatterns[trial % 7];
        int16_t r[64], v[64], rows[8], cols[8];
        fill16(ctx.rng, p, r, 64);
        std::copy(r, r + 64, v);
        for (int i = 0; i < 8; ++i) {
            rows[i] = ctx.rng.range(0, 1) ? int16_t{32767} : int16_t{-32768};
            cols[i] = ctx.rng.range(0, 1) ? int16_t{32767} : int16_t{-32768};
        }
        const int mode = trial & 1;
        sc::sign_block(r, rows, cols, mode);
        vx::sign_block(v, rows, cols, mode);
        const int d = first_difference(r, v, 64);
        ctx.check(d < 0, "sign_block", 64, 0, p, d, "mode=" + std::to_string(mode));
    }
}

CHECKASM(g729_exc_sign_matrix) {
    if (!have_avx2()) return;
    for (int trial = 0; trial < 4000; ++trial) {
        const Pattern p = kPatterns[trial % 7];
        Twin<int16_t> dn(40, trial & 15, ctx.rng, p), sg(40, 0);
        if (trial & 8) {
            dn.s()[ctx.rng.range(0, 39)] = -32768;
            dn.sync();
        }
        Twin<int16_t> rr(616, 0, ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)));
        const int mode = (trial >> 1) & 1;
        sc::sign_matrix(dn.s(), sg.s(), rr.s(), mode);
        vx::sign_matrix(dn.v(), sg.v(), rr.v(), mode);
        ctx.same("sign_matrix", 40, trial & 15, p, "mode=" + std::to_string(mode), dn, sg, rr);
    }
}

CHECKASM(g729_exc_target_update) {
    if (!have_avx2()) return;
    for (int trial = 0; trial < 20000; ++trial) {
        const Pattern p = kPatterns[trial % 7];
        Buffer<int16_t> y(40, trial & 15), x(40, (trial * 5) & 15);
        Twin<int16_t> x2(40, (trial * 7) & 15);
        fill16(ctx.rng, p, y.data(), 40);
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), x.data(), 40);
        const int16_t gains[] = {0, 1, -1, 16384, 19661, 32767, -32768};
        const int16_t g =
            trial < 7 * 7 ? gains[trial % 7] : static_cast<int16_t>(ctx.rng.range(-32768, 32767));
        sc::target_update(g, y.data(), x.data(), x2.s());
        vx::target_update(g, y.data(), x.data(), x2.v());
        ctx.same("target_update", 40, trial & 15, p, "g=" + std::to_string(g), x2);
    }
}

CHECKASM(g729_exc_pair_e) {
    if (!have_avx2()) return;
    for (int trial = 0; trial < 20000; ++trial) {
        const Pattern p = kPatterns[trial % 7];
        int16_t dx[8], dy[8], cx[8], cy[8], rr[64];
        fill16(ctx.rng, p, dx, 8);
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), dy, 8);
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), cx, 8);
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), cy, 8);
        fill16(ctx.rng, static_cast<Pattern>(ctx.rng.range(0, 6)), rr, 64);
        if (trial & 1) {
            shrink(ctx.rng, cx, 8);
            shrink(ctx.rng, cy, 8);
            shrink(ctx.rng, rr, 64);
        }
        const int16_t ps = static_cast<int16_t>(ctx.rng.range(-32768, 32767) >> ctx.rng.range(0, 8));
        const int16_t alp = static_cast<int16_t>(ctx.rng.range(-32768, 32767) >> ctx.rng.range(0, 8));
        int16_t ar_alp, av_alp;
        int ar, br, av, bv;
        sc::pair_e(ps, alp, dx, dy, cx, cy, rr, ar_alp, ar, br);
        vx::pair_e(ps, alp, dx, dy, cx, cy, rr, av_alp, av, bv);
        ctx.check(ar == av && br == bv && ar_alp == av_alp, "pair_e", 64, 0, p);
    }
}

CHECKASM(g729_exc_matrix_forms) {
    if (!have_avx2()) return;
    for (int len = 0; len <= 640; len += len < 40 ? 1 : 37)
        for (int off : offsets<int32_t>())
            for (Pattern p : kPatterns) {
                Buffer<int32_t> m(len, off), mr(len, (off + 3) & 7), mv(len, (off + 5) & 7);
                Buffer<int16_t> r(len, off & 15), v(len, (off * 3 + 1) & 15);
                fill32(ctx.rng, p, m.data(), len);
                // Values on both sides of the 16-bit range after the shift.
                if (ctx.rng.range(0, 1))
                    for (int i = 0; i < len; ++i) m.data()[i] >>= ctx.rng.range(0, 16);
                sc::narrow_q15(m.data(), r.data(), len);
                vx::narrow_q15(m.data(), v.data(), len);
                int d = first_difference(r.data(), v.data(), len);
                ctx.check(d < 0, "narrow_q15", len, off, p, d);
                ctx.check(r.guards_intact() && v.guards_intact(), "narrow_q15", len, off, p, -1, "guard");
                sc::widen(r.data(), mr.data(), len);
                vx::widen(r.data(), mv.data(), len);
                d = first_difference(mr.data(), mv.data(), len);
                ctx.check(d < 0, "widen", len, off, p, d);
                ctx.check(mr.guards_intact() && mv.guards_intact(), "widen", len, off, p, -1, "guard");
            }
    // The gather with the matrix's index pattern and with random indices into a 1640-entry table.
    std::vector<int32_t> src(1640), at(640), dr(640), dv(640);
    for (int trial = 0; trial < 200; ++trial) {
        const Pattern p = kPatterns[trial % 7];
        fill32(ctx.rng, p, src.data(), 1640);
        for (auto& i : at) i = ctx.rng.range(0, 1639);
        const int n = ctx.rng.range(0, 640);
        sc::gather_half(src.data(), at.data(), dr.data(), n);
        vx::gather_half(src.data(), at.data(), dv.data(), n);
        const int d = first_difference(dr.data(), dv.data(), n);
        ctx.check(d < 0, "gather_half", n, 0, p, d);
    }
}

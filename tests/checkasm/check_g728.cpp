// G.728 kernels: the AVX2 recursion and 16 kbit/s search against the scalar ones. Recursions
// run from scratch and as continuations on autocorrelations of every pattern (deep ones from
// the signals' own correlations, extreme ones straight from the pattern); searches on targets
// of every pattern and exponent with random and derived energy tables.
#include <algorithm>
#include <string>

#include "checkasm.h"
#include "g728/g728_internal.h"
#include "g728/kernels.h"

using namespace checkasm;
namespace g728 = voks::g728;

namespace {

// Autocorrelation r[0..order] of a pattern signal scaled into 16 bits, or the raw pattern.
void autocorrelation(Rng& rng, Pattern p, int order, bool raw, int16_t* r) {
    if (raw) {
        fill16(rng, p, r, order + 1);
        return;
    }
    int16_t x[300];
    fill16(rng, p, x, 300);
    int64_t c[81];
    for (int k = 0; k <= order; ++k) {
        c[k] = 0;
        for (int n = 0; n + k < 300; ++n) c[k] += int32_t{x[n]} * x[n + k];
    }
    c[0] += c[0] / 256 + 1;
    int sh = 0;
    while ((c[0] >> sh) > 32767) ++sh;
    for (int k = 0; k <= order; ++k) r[k] = static_cast<int16_t>(c[k] >> sh);
}

}  // namespace

CHECKASM(g728_durbin) {
    if (!have_avx2()) return;
    for (int len : lengths()) {
        const int order = std::clamp(len, 1, 80);
        for (Pattern p : kPatterns)
            for (int kind = 0; kind < 4; ++kind) {
                Buffer<int16_t> r(order + 1, len % 16);
                autocorrelation(ctx.rng, p, order, kind == 2, r.data());
                // From scratch, continued from the scalar solution at order 10, or continued from
                // pattern coefficients (large ones overflow the update).
                const int from = kind == 1 && order > 10 ? 10 : (kind == 3 ? order / 2 : 0);
                Twin<int16_t> a(order, len % 8), out(3, 0);
                if (kind == 3) {
                    fill16(ctx.rng, partner(p), a.s(), from);
                    out.s()[1] = INT16_MAX;
                    out.s()[2] = static_cast<int16_t>(13 + len % 3);
                } else if (from > 0 && !g728::scalar::durbin(r.data(), 0, from, a.s(), out.s(), out.s() + 1,
                                                             out.s() + 2)) {
                    continue;
                }
                a.sync();
                out.sync();
                const bool ok_s =
                    g728::scalar::durbin(r.data(), from, order, a.s(), out.s(), out.s() + 1, out.s() + 2);
                const bool ok_v =
                    g728::avx2::durbin(r.data(), from, order, a.v(), out.v(), out.v() + 1, out.v() + 2);
                const std::string what = "order " + std::to_string(order) + " from " + std::to_string(from);
                if (ctx.check(ok_s == ok_v, "g728_durbin", len, len % 16, p, 0, what + ": success"))
                    ctx.same("g728_durbin", len, len % 16, p, what, a, out);
            }
    }
}

CHECKASM(g728_search16) {
    if (!have_avx2()) return;
    each_case(
        [&](int len, int off, Pattern p) {
            Buffer<int16_t> t(5, off), h(5, (off + 5) % 16), y2(128, (off + 7) % 16);
            fill16(ctx.rng, p, t.data(), 5);
            fill16(ctx.rng, partner(p), h.data(), 5);
            if (len % 2) {
                fill16(ctx.rng, partner(p), y2.data(), 128);
            } else {
                for (int i = 0; i < 4; ++i) h.data()[i] = static_cast<int16_t>(h.data()[i] >> (len % 7));
                h.data()[4] = 8192;
                g728::shape_energies(h.data(), y2.data());
            }
            const int tq = len % 40 - 8;
            int gs, ss, gv, sv;
            g728::scalar::search16(t.data(), tq, h.data(), y2.data(), gs, ss);
            g728::avx2::search16(t.data(), tq, h.data(), y2.data(), gv, sv);
            ctx.check(gs == gv && ss == sv, "g728_search16", len, off, p, 0,
                      "exponent " + std::to_string(tq) + ": shape " + std::to_string(ss) + "/" +
                          std::to_string(sv) + ", gain " + std::to_string(gs) + "/" + std::to_string(gv));
        },
        5);
}

CHECKASM(g728_distortions16) {
    if (!have_avx2()) return;
    each_case(
        [&](int len, int off, Pattern p) {
            Buffer<int16_t> ct(5, off), y2(128, (off + 3) % 16);
            fill16(ctx.rng, p, ct.data(), 5);
            fill16(ctx.rng, partner(p), y2.data(), 128);
            Twin<int32_t> dist(128, len % 8);
            Twin<uint8_t> cell(128, off);
            g728::scalar::distortions16(ct.data(), y2.data(), dist.s(), cell.s());
            g728::avx2::distortions16(ct.data(), y2.data(), dist.v(), cell.v());
            ctx.same("g728_distortions16", len, off, p, "", dist, cell);
        },
        5);
}

CHECKASM(g728_xcorr) {
    if (!have_avx2()) return;
    each_case([&](int len, int off, Pattern p) {
        const int nlags = 1 + len % 53;
        Buffer<int16_t> x(len, off), y(len + nlags, (off + 9) % 16);
        fill16(ctx.rng, p, x.data(), len);
        fill16(ctx.rng, partner(p), y.data(), len + nlags);
        Twin<int64_t> out(nlags, 0);
        g728::scalar::xcorr(x.data(), y.data(), len, nlags, out.s());
        g728::avx2::xcorr(x.data(), y.data(), len, nlags, out.v());
        ctx.same("g728_xcorr", len, off, p, std::to_string(nlags) + " lags", out);
    });
}

CHECKASM(g728_energies) {
    if (!have_avx2()) return;
    each_case(
        [&](int len, int off, Pattern p) {
            Buffer<int16_t> h(5, off);
            fill16(ctx.rng, len % 3 ? p : partner(p), h.data(), 5);
            if (len % 4 == 1) h.data()[4] = 8192;  // the codec's impulse responses start at 1.0
            Twin<int16_t> y2(128, (off + 3) % 16);
            g728::scalar::energies(h.data(), y2.s());
            g728::avx2::energies(h.data(), y2.v());
            ctx.same("g728_energies", len, off, p, "", y2);
        },
        5);
}

CHECKASM(g728_zir_past) {
    if (!have_avx2()) return;
    each_case(
        [&](int len, int off, Pattern p) {
            Buffer<int16_t> d(55, off), q(11, (off + 5) % 16), a(50, (off + 9) % 16);
            fill16(ctx.rng, p, d.data(), 55);
            fill16(ctx.rng, partner(p), a.data(), 50);
            // Exponent spreads around the shift cases: 0..29, 30, past 30, and anything at all.
            const int spread = len % 4 == 3 ? 65535 : 8 + len % 40;
            for (int j = 0; j < 11; ++j) q.data()[j] = static_cast<int16_t>(ctx.rng.range(-8, spread - 8));
            Twin<int64_t> past(5, len % 4);
            g728::scalar::zir_past(d.data(), q.data(), a.data(), past.s());
            g728::avx2::zir_past(d.data(), q.data(), a.data(), past.v());
            ctx.same("g728_zir_past", len, off, p, "", past);
        },
        5);
}

// GSM full-rate kernels: short-term analysis and synthesis lattices and the RPE weighting
// filter, AVX2 against scalar.
#include "checkasm.h"
#include "gsm/gsmfr_internal.h"
#include "gsm/kernels.h"

using namespace checkasm;
namespace gsm = voks::gsm;

namespace {

// Coefficients: the data pattern, or random ones for the random patterns so that stable and
// unstable lattices both occur.
void fill_coefficients(Rng& rng, Pattern p, int16_t* r, int n) {
    fill16(rng, p, r, n);
    if (p == Pattern::Ties) {
        for (int i = 0; i < n; ++i) r[i] = static_cast<int16_t>(rng.range(-32768, 32767));
    }
}

}  // namespace

CHECKASM(gsmfr_st_analysis) {
    if (!have_avx2()) return;
    each_case(
        [&](int len, int off, Pattern p) {
            int16_t r[8];
            fill_coefficients(ctx.rng, p, r, 8);
            Twin<int16_t> x(len, off, ctx.rng, p),
                u(8, (off + 3) % 16, ctx.rng, p == Pattern::Zeros ? Pattern::Random : p);
            gsm::scalar::st_analysis(r, x.s(), len, u.s());
            gsm::avx2::st_analysis(r, x.v(), len, u.v());
            ctx.same("gsmfr_st_analysis", len, off, p, "", x, u);
        },
        1);
}

CHECKASM(gsmfr_st_synthesis) {
    if (!have_avx2()) return;
    each_case(
        [&](int len, int off, Pattern p) {
            int16_t r[8];
            fill_coefficients(ctx.rng, p, r, 8);
            Buffer<int16_t> in(len, (off * 7 + 3) % 16);
            fill16(ctx.rng, p, in.data(), len);
            for (bool in_place : {false, true}) {
                Twin<int16_t> o(len, off),
                    v(9, (off + 5) % 16, ctx.rng, p == Pattern::Zeros ? Pattern::Random : p);
                if (in_place) {
                    std::memcpy(o.s(), in.data(), sizeof(int16_t) * len);
                    o.sync();
                }
                gsm::scalar::st_synthesis(r, in_place ? o.s() : in.data(), o.s(), len, v.s());
                gsm::avx2::st_synthesis(r, in_place ? o.v() : in.data(), o.v(), len, v.v());
                ctx.same("gsmfr_st_synthesis", len, off, p, in_place ? "in place" : "", o, v);
            }
            if (!in.guards_intact()) ctx.fail("gsmfr_st_synthesis", "avx2", len, off, p, -1, "input written");
        },
        1);
}

// The filter reads five samples on each side of the block.
CHECKASM(gsmfr_weighting) {
    if (!have_avx2()) return;
    each_case(
        [&](int len, int off, Pattern p) {
            Buffer<int16_t> x(len + 10, off);
            fill16(ctx.rng, p, x.data(), len + 10);
            Twin<int16_t> y(len, (off * 5 + 1) % 16);
            gsm::scalar::weighting(x.data() + 5, y.s(), len);
            gsm::avx2::weighting(x.data() + 5, y.v(), len);
            ctx.same("gsmfr_weighting", len, off, p, "", y);
        },
        1);
}

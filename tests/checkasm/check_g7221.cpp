// G.722.1 transforms: the AVX2 windowing steps and DCTs against the scalar ones at 320 and 640
// points, every misalignment and pattern, with random magnitudes scaled down by 0..15 bits (so
// that core blocks take both the madd and the saturating path), in place for the DCTs.
#include "checkasm.h"
#include "g7221/kernels.h"

using namespace checkasm;
namespace g7221 = voks::g7221;

namespace {

// The pattern's words, random ones shifted right by `shift` bits.
void fill_scaled(Rng& rng, Pattern p, int16_t* x, int n, int shift) {
    fill16(rng, p, x, n);
    if (p == Pattern::Random)
        for (int i = 0; i < n; ++i) x[i] = static_cast<int16_t>(x[i] >> shift);
}

template <class F>
void each_transform_case(F fn) {
    for (int n : {320, 640})
        for (int off : offsets<int16_t>())
            for (Pattern p : kPatterns)
                for (int shift = 0; shift < 16; shift += p == Pattern::Random ? 1 : 16) fn(n, off, p, shift);
}

}  // namespace

CHECKASM(g7221_window) {
    if (!have_avx2()) return;
    each_transform_case([&](int n, int off, Pattern p, int shift) {
        const std::string detail = "n " + std::to_string(n) + ", shift " + std::to_string(shift);
        Buffer<int16_t> s(n, (off * 5) % 16);
        fill_scaled(ctx.rng, p, s.data(), n, shift);
        Twin<int16_t> h(n, off), out(n, (off * 3) % 16);
        fill_scaled(ctx.rng, partner(p), h.s(), n, shift);
        h.sync();
        g7221::scalar::window_analysis(s.data(), h.s(), out.s(), n);
        g7221::avx2::window_analysis(s.data(), h.v(), out.v(), n);
        ctx.same("g7221_window_analysis", n, off, p, detail, out, h);
        Twin<int16_t> o(n / 2, off), y(n, (off * 7) % 16);
        fill_scaled(ctx.rng, partner(p), o.s(), n / 2, shift);
        o.sync();
        g7221::scalar::window_synthesis(s.data(), o.s(), y.s(), n);
        g7221::avx2::window_synthesis(s.data(), o.v(), y.v(), n);
        ctx.same("g7221_window_synthesis", n, off, p, detail, y, o);
        if (!s.guards_intact()) ctx.fail("g7221_window", "avx2", n, off, p, -1, "input written");
    });
}

CHECKASM(g7221_dct) {
    if (!have_avx2()) return;
    each_transform_case([&](int n, int off, Pattern p, int shift) {
        const std::string detail = "n " + std::to_string(n) + ", shift " + std::to_string(shift);
        for (int inverse = 0; inverse < 2; ++inverse) {
            auto* scalar = inverse ? g7221::scalar::dct_inverse : g7221::scalar::dct_forward;
            auto* twin = inverse ? g7221::avx2::dct_inverse : g7221::avx2::dct_forward;
            const char* name = inverse ? "g7221_dct_inverse" : "g7221_dct_forward";
            Buffer<int16_t> x(n, (off * 5) % 16);
            fill_scaled(ctx.rng, p, x.data(), n, shift);
            Twin<int16_t> y(n, off);
            scalar(x.data(), y.s(), n);
            twin(x.data(), y.v(), n);
            ctx.same(name, n, off, p, detail, y);
            // In place: both copies start from the input.
            Twin<int16_t> z(n, (off * 3) % 16);
            std::memcpy(z.s(), x.data(), sizeof(int16_t) * size_t(n));
            z.sync();
            scalar(z.s(), z.s(), n);
            twin(z.v(), z.v(), n);
            ctx.same(name, n, off, p, detail + ", in place", z);
            if (!x.guards_intact()) ctx.fail(name, "avx2", n, off, p, -1, "input written");
        }
    });
}

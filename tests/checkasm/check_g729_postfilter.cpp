// G.729 harmonic post-filter: the phase sums of the fractional-delay search, scalar against AVX2,
// the chains they stand for within the search's magnitude bound, and the whole main-body
// long-term post-filter through the dispatched table at each level.
#include <cstring>
#include <string>

#include "checkasm.h"
#include "g729/kernels.h"
#include "voksc.h"

using namespace checkasm;
namespace sc = voks::g729::scalar;
namespace vx = voks::g729::avx2;

namespace {

constexpr int kPhases = 7;
constexpr int kRow = 41;

}  // namespace

// Every pattern at every misalignment of both inputs, with guard zones around the inputs (read
// only) and the three outputs.
CHECKASM(g729_ltp_phase_sums) {
    if (!have_avx2()) return;
    for (int off : offsets<int16_t>())
        for (Pattern p : kPatterns)
            for (int rep = 0; rep < 8; ++rep) {
                Buffer<int16_t> s(40, off), y(kPhases * kRow, (off * 7 + 5) % 16);
                fill16(ctx.rng, p, s.data(), 40);
                fill16(ctx.rng, rep & 1 ? partner(p) : p, y.data(), kPhases * kRow);
                Twin<int32_t> e(kPhases, off % 8), n0(kPhases, (off + 1) % 8), n1(kPhases, (off + 2) % 8);
                sc::ltp_phase_sums(s.data(), y.data(), e.s(), n0.s(), n1.s());
                vx::ltp_phase_sums(s.data(), y.data(), e.v(), n0.v(), n1.v());
                ctx.same("ltp_phase_sums", 40, off, p, "rep " + std::to_string(rep), e, n0, n1);
                if (!s.guards_intact() || !y.guards_intact())
                    ctx.fail("ltp_phase_sums", "avx2", 40, off, p, -1, "input written");
            }
}

// The seven 4-tap interpolations on every pattern (the taps too: the definition holds for any
// taps), the source read from 3 samples before it to 40 after.
CHECKASM(g729_ltp_interp) {
    if (!have_avx2()) return;
    for (int off : offsets<int16_t>())
        for (Pattern p : kPatterns)
            for (int rep = 0; rep < 8; ++rep) {
                Buffer<int16_t> x(44, off), h(28, (off * 5 + 3) % 16);
                fill16(ctx.rng, p, x.data(), 44);
                fill16(ctx.rng, rep & 1 ? partner(p) : p, h.data(), 28);
                Twin<int16_t> y(kPhases * kRow, (off * 3 + 1) % 16);
                sc::ltp_interp(x.data() + 3, h.data(), y.s());
                vx::ltp_interp(x.data() + 3, h.data(), y.v());
                ctx.same("ltp_interp", 41, off, p, "rep " + std::to_string(rep), y);
                if (!x.guards_intact() || !h.guards_intact())
                    ctx.fail("ltp_interp", "avx2", 41, off, p, -1, "input written");
            }
}

// Within the bound the search relies on (|s| <= 4096, |y| <= 5247, extremes included), twice each
// sum is the saturating L_mac chain of the reference.
CHECKASM(g729_ltp_phase_sums_are_chains) {
    for (int rep = 0; rep < 400; ++rep) {
        int16_t s[40], y[kPhases * kRow];
        const int mode = rep % 4;  // random, both extremes, alternating signs, one sign
        for (int i = 0; i < 40; ++i)
            s[i] = static_cast<int16_t>(mode == 0   ? ctx.rng.range(-4096, 4096)
                                        : mode == 1 ? (i & 1 ? 4096 : -4096)
                                        : mode == 2 ? (i & 1 ? -4096 : 4096)
                                                    : 4096);
        for (int i = 0; i < kPhases * kRow; ++i)
            y[i] = static_cast<int16_t>(mode == 0   ? ctx.rng.range(-5247, 5247)
                                        : mode == 1 ? (i & 1 ? 5247 : -5247)
                                        : mode == 2 ? (i & 1 ? 5247 : -5247)
                                                    : 5247);
        int32_t e[kPhases], n0[kPhases], n1[kPhases];
        sc::ltp_phase_sums(s, y, e, n0, n1);
        for (int p = 0; p < kPhases; ++p) {
            const int16_t* r = y + p * kRow;
            ++ctx.checks;
            if (2 * e[p] != sc::mac_chain(r + 1, r + 1, 39) || 2 * n0[p] != sc::mac_chain(s, r, 40) ||
                2 * n1[p] != sc::mac_chain(s, r + 1, 40))
                ctx.fail("ltp_phase_sums", "scalar", 40, 0, Pattern::Random, p,
                         "mode " + std::to_string(mode));
        }
    }
}

// The main-body long-term post-filter agrees between the scalar and AVX2 tables on residuals of
// every magnitude (the phase sums and the saturating chains both taken), at every delay.
CHECKASM(g729_ltp_operation) {
    if (!have_avx2()) return;
    for (int round = 0; round < 3000; ++round) {
        const Pattern p = kPatterns[round % 7];
        int16_t res[152 + 40];
        fill16(ctx.rng, p, res, 152 + 40);
        const int shift = (round / 7) % 16;  // from full scale down to a few bits
        for (int16_t& v : res) v = static_cast<int16_t>(v >> shift);
        const int delay = ctx.rng.range(18, 143);
        const auto gamma = static_cast<int16_t>(round & 1 ? 16384 : ctx.rng.range(1, 16384));
        int16_t out[2][40];
        int16_t vo[2] = {0, 0};
        for (int lv = 0; lv < 2; ++lv) {
            voks::frame::force_level(lv == 0 ? voks::frame::Level::Scalar : voks::frame::Level::AVX2);
            voksLongTermPostFilter_G729_16s(gamma, delay, res + 152, out[lv], &vo[lv]);
        }
        ++ctx.checks;
        if (std::memcmp(out[0], out[1], sizeof(out[0])) != 0 || vo[0] != vo[1])
            ctx.fail("LongTermPostFilter_G729", "avx2", 40, 0, p, first_difference(out[0], out[1], 40),
                     "round " + std::to_string(round) + " delay " + std::to_string(delay));
    }
    voks::frame::force_level(voks::frame::Level::AVX2);
}

// G.729 gain kernels (absolute sums, scaled energies, Q14/Q12 gain application, the float
// gain-codebook distances), scalar against AVX2, and the whole gain controls and float searches
// run through the dispatched table at each level.
#include <cstring>
#include <string>

#include "checkasm.h"
#include "g729/kernels.h"
#include "voksc.h"

using namespace checkasm;
namespace sc = voks::g729::scalar;
namespace vx = voks::g729::avx2;

// The element-wise kernels: absolute sums and scaled energies, Q14/Q12 gain application (in
// place), the tilt filter with the factors filt_mu produces, and the gain quantiser's distances.
CHECKASM(g729_gain_kernels) {
    if (!have_avx2()) return;
    each_case([&](int len, int off, Pattern p) {
        Buffer<int16_t> x(len + 1, off), g(len, (off * 3 + 1) % 16);
        fill16(ctx.rng, p, x.data(), len + 1);
        fill16(ctx.rng, partner(p), g.data(), len);
        ctx.check(sc::abs_sum(x.data(), len) == vx::abs_sum(x.data(), len), "abs_sum", len, off, p);
        ctx.check(sc::energy_q2(x.data(), len) == vx::energy_q2(x.data(), len), "energy_q2", len, off, p);
        Twin<int16_t> y(len, (off * 5 + 3) % 16);
        std::memcpy(y.s(), x.data(), sizeof(int16_t) * len);
        y.sync();
        sc::apply_q14(g.data(), y.s(), len);
        vx::apply_q14(g.data(), y.v(), len);
        ctx.same("apply_q14", len, off, p, "", y);
        sc::apply_q12(g.data(), y.s(), len);
        vx::apply_q12(g.data(), y.v(), len);
        ctx.same("apply_q12", len, off, p, "", y);
        const bool plus = (ctx.rng.next() & 1) != 0;
        const auto mu = static_cast<int16_t>(plus ? ctx.rng.range(0, 3277) : ctx.rng.range(-14746, 0));
        const auto ga = static_cast<int16_t>(ctx.rng.range(1, 32767));
        sc::tilt(x.data(), y.s(), len, mu, ga, plus ? 0x4000 : 0x800, plus ? 15 : 12);
        vx::tilt(x.data(), y.v(), len, mu, ga, plus ? 0x4000 : 0x800, plus ? 15 : 12);
        ctx.same("tilt", len, off, p, "mu=" + std::to_string(mu), y);
        int16_t hi[5], lo[5];
        fill16(ctx.rng, p, hi, 5);
        for (int16_t& v : lo) v = static_cast<int16_t>(ctx.rng.range(0, 32767));  // L_Extract range
        Twin<int32_t> d(len, off % 8);
        sc::quant_dist(hi, lo, x.data(), g.data(), d.s(), len);
        vx::quant_dist(hi, lo, x.data(), g.data(), d.v(), len);
        ctx.same("quant_dist", len, off, p, "", d);
        ctx.check(x.guards_intact() && g.guards_intact(), "gain", len, off, p, -1, "input written");
    });
}

CHECKASM(g729_gain_dist) {
    if (!have_avx2()) return;
    for (int len : lengths())
        for (int off : offsets<float>()) {
            Buffer<float> c(5, 0), gp(len, off), gcs(len, (off + 3) % 8), d1(len, off), d2(len, off);
            for (int i = 0; i < 5; ++i)
                c.data()[i] = static_cast<float>(ctx.rng.range(-100000, 100000)) / 997.0f;
            for (int i = 0; i < len; ++i) {
                gp.data()[i] = static_cast<float>(ctx.rng.range(0, 20000)) / 9973.0f;
                gcs.data()[i] = static_cast<float>(ctx.rng.range(0, 50000)) / 9973.0f;
            }
            const float g0 = static_cast<float>(ctx.rng.range(1, 1000000)) / 1013.0f;
            sc::gain_dist(c.data(), gp.data(), gcs.data(), g0, d1.data(), len);
            vx::gain_dist(c.data(), gp.data(), gcs.data(), g0, d2.data(), len);
            const int diff = first_difference(d1.data(), d2.data(), len);
            ctx.check(diff < 0, "gain_dist", len, off, Pattern::Random, diff);
            ctx.check(d2.guards_intact(), "gain_dist", len, off, Pattern::Random, -1, "guard");
        }
}

// The exported gain controls and float searches agree between the scalar and AVX2 tables.
CHECKASM(g729_gain_operations) {
    if (!have_avx2()) return;
    for (int round = 0; round < 2000; ++round) {
        const Pattern p = kPatterns[round % 7];
        int16_t in[40], out[2][40], gain[2], outA[2][40], gainA[2];
        fill16(ctx.rng, p, in, 40);
        fill16(ctx.rng, kPatterns[(round / 7) % 7], out[0], 40);
        std::memcpy(out[1], out[0], sizeof(out[0]));
        std::memcpy(outA[0], out[0], sizeof(out[0]));
        std::memcpy(outA[1], out[0], sizeof(out[0]));
        gain[0] = gain[1] = static_cast<int16_t>(ctx.rng.range(0, 32767));
        gainA[0] = gainA[1] = static_cast<int16_t>(ctx.rng.range(0, 32767));
        float corr[5];
        for (float& f : corr) f = static_cast<float>(ctx.rng.range(-200000, 200000)) / 1000.0f;
        const Vok32s cand[2] = {ctx.rng.range(0, 4), ctx.rng.range(0, 8)};
        const Vok32s candD[2] = {ctx.rng.range(0, 2), ctx.rng.range(0, 2)};
        const float g0 = static_cast<float>(ctx.rng.range(1, 100000)) / 100.0f;
        const Vok32s taming = round & 1;
        Vok32s idx[2][2], idxD[2][2];
        int16_t x[40], y1[40], y2[40], code[40] = {}, past[2][4], qg[2][2], qi[2][2];
        fill16(ctx.rng, p, x, 40);
        fill16(ctx.rng, kPatterns[(round / 3) % 7], y1, 40);
        fill16(ctx.rng, kPatterns[(round / 5) % 7], y2, 40);
        for (int t = 0; t < 4; ++t)
            code[ctx.rng.range(0, 39)] = static_cast<int16_t>(ctx.rng.range(0, 1) ? 8192 : -8192);
        for (int t = 0; t < 4; ++t)
            past[0][t] = past[1][t] = static_cast<int16_t>(ctx.rng.range(-14336, 8000));
        for (int lv = 0; lv < 2; ++lv) {
            voks::frame::force_level(lv == 0 ? voks::frame::Level::Scalar : voks::frame::Level::AVX2);
            voksGainControl_G729_16s_I(in, out[lv], &gain[lv]);
            voksGainControl_G729A_16s_I(in, outA[lv], &gainA[lv]);
            voksGainCodebookSearch_G729_32f(corr, cand, idx[lv], taming, g0);
            voksGainCodebookSearch_G729D_32f(corr, candD, idxD[lv], taming, g0);
            if ((round & 2) == 0)
                voksGainQuant_G729_16s(x, y1, code, y2, past[lv], qg[lv], qi[lv],
                                       static_cast<int16_t>(taming));
            else
                voksGainQuant_G729D_16s(x, y1, code, y2, past[lv], qg[lv], qi[lv],
                                        static_cast<int16_t>(taming));
        }
        const std::string detail = "round " + std::to_string(round);
        auto same = [](const auto& a, const auto& b) { return std::memcmp(a, b, sizeof a) == 0; };
        ctx.check(same(out[0], out[1]) && gain[0] == gain[1], "GainControl_G729", 40, 0, p,
                  first_difference(out[0], out[1], 40), detail);
        ctx.check(same(outA[0], outA[1]) && gainA[0] == gainA[1], "GainControl_G729A", 40, 0, p,
                  first_difference(outA[0], outA[1], 40), detail);
        ctx.check(same(idx[0], idx[1]) && same(idxD[0], idxD[1]), "GainCodebookSearch", 40, 0, p, 0, detail);
        ctx.check(same(qg[0], qg[1]) && same(qi[0], qi[1]) && same(past[0], past[1]), "GainQuant", 40, 0, p,
                  0, detail);
    }
    voks::frame::force_level(voks::frame::Level::AVX2);
}

CHECKASM(g729_gain_synth) {
    if (!have_avx2()) return;
    for (int order : {1, 2, 10, 15, 16, 17, 20, 30, 31, 32})
        for (int len : lengths())
            for (int off : {0, 1, 7})
                for (Pattern p : kPatterns) {
                    const int room = order + (len + 15) / 16 * 16;
                    Buffer<int16_t> x(len, (off * 3 + 2) % 16), y1(room, off), y2(room, off);
                    fill16(ctx.rng, p, x.data(), len);
                    fill16(ctx.rng, p == Pattern::Ties ? Pattern::Random : p, y1.data(), order);
                    std::memcpy(y2.data(), y1.data(), sizeof(int16_t) * static_cast<size_t>(order));
                    // Coefficients with sum |a| up to 32767 (the kernel's bound), a[0] often 4096.
                    int16_t a[33];
                    int32_t budget = 32767;
                    for (int i = 0; i <= order; ++i) {
                        const int32_t share = budget / (order + 1 - i) * 2;
                        const int32_t cap = share < budget ? share : budget;
                        int32_t v = ctx.rng.range(-cap, cap);
                        if (i == 0 && (ctx.rng.next() & 1)) v = 4096 < budget ? 4096 : budget;
                        a[i] = static_cast<int16_t>(v);
                        budget -= v < 0 ? -v : v;
                    }
                    const bool o1 = sc::synth(a, order, x.data(), y1.data() + order, len);
                    const bool o2 = vx::synth(a, order, x.data(), y2.data() + order, len);
                    const int diff = first_difference(y1.data() + order, y2.data() + order, len);
                    ctx.check(diff < 0, "synth", len, off, p, diff, "order=" + std::to_string(order));
                    ctx.check(o1 == o2, "synth", len, off, p, -1, "overflow flag");
                    ctx.check(y2.guards_intact() && x.guards_intact(), "synth", len, off, p, -1, "guard");
                }
}

// Scaling kernels: rounded multiplications, largest magnitude and block shift.

#include "checkasm.h"
#include "common/kernels.h"
#include "voksc.h"

using namespace checkasm;

namespace sc = voks::common::scalar;
namespace vx = voks::common::avx2;

// Rounded multiplications (array and constant, out of place and in place), largest magnitude and
// block shift over every case.
CHECKASM(scaling_kernels) {
    if (!have_avx2()) return;
    each_case([&](int len, int off, Pattern p) {
        Buffer<int16_t> a(len, off), b(len, (off * 7 + 3) % 16);
        fill16(ctx.rng, p, a.data(), len);
        fill16(ctx.rng, partner(p), b.data(), len);
        const int16_t c = static_cast<int16_t>(ctx.rng.next());
        Twin<int16_t> o(len, (off * 5 + 1) % 16);
        for (int sf : {0, 1, 2, 14, 15, 16, 29, 30, 31}) {
            const std::string detail = "sf=" + std::to_string(sf);
            sc::mul_nr(a.data(), b.data(), o.s(), len, sf);
            vx::mul_nr(a.data(), b.data(), o.v(), len, sf);
            ctx.same("mul_nr", len, off, p, detail, o);
            // In place, on the second source; the extreme constants too (-32768 * -32768 is the
            // one saturating product).
            std::memcpy(o.s(), b.data(), sizeof(int16_t) * len);
            o.sync();
            sc::mul_nr(a.data(), o.s(), o.s(), len, sf);
            vx::mul_nr(a.data(), o.v(), o.v(), len, sf);
            ctx.same("mul_nr", len, off, p, detail + " in place", o);
            for (int16_t k : {c, int16_t{-32768}, int16_t{32767}}) {
                sc::mulc_nr(a.data(), k, o.s(), len, sf);
                vx::mulc_nr(a.data(), k, o.v(), len, sf);
                ctx.same("mulc_nr", len, off, p, detail + " c=" + std::to_string(k), o);
            }
        }
        ctx.check(sc::max_abs(a.data(), len) == vx::max_abs(a.data(), len), "max_abs", len, off, p);
        for (int sh : {-20, -15, -3, -1, 0, 1, 5, 14}) {
            sc::shift(a.data(), o.s(), len, sh);
            vx::shift(a.data(), o.v(), len, sh);
            ctx.same("shift", len, off, p, "shift=" + std::to_string(sh), o);
        }
        ctx.check(a.guards_intact() && b.guards_intact(), "scaling", len, off, p, -1, "input written");
    });
}

// The exported operations give the same bits whichever level fills the tables.
CHECKASM(scaling_levels) {
    using voks::frame::Level;
    const int lens[] = {1, 7, 8, 15, 16, 17, 40, 80, 160, 240, 255, 256, 257, 600};
    for (int len : lens) {
        for (Pattern p : kPatterns) {
            std::vector<int16_t> a(len), b(len), r[2][4];
            fill16(ctx.rng, p, a.data(), len);
            fill16(ctx.rng, Pattern::Random, b.data(), len);
            const int16_t c = static_cast<int16_t>(ctx.rng.range(-32768, 32767));
            for (int lv = 0; lv < 2; ++lv) {
                voks::frame::force_level(lv ? Level::AVX2 : Level::Scalar);
                for (auto& v : r[lv]) v.assign(len, 0);
                voksMul_NR_16s_Sfs(a.data(), b.data(), r[lv][0].data(), len, 15);
                voksMulC_NR_16s_Sfs(a.data(), c, r[lv][1].data(), len, 3);
                voksMulPowerC_NR_16s_Sfs(a.data(), c, r[lv][2].data(), len, 15);
                int scale = 1;
                voksAutoScale_16s(a.data(), r[lv][3].data(), len, &scale);
                r[lv][3].push_back(static_cast<int16_t>(scale));
            }
            for (int k = 0; k < 4; ++k)
                ctx.check(r[0][k] == r[1][k], "scaling_levels", len, 0, p,
                          first_difference(r[0][k].data(), r[1][k].data(), static_cast<int>(r[0][k].size())),
                          "operation " + std::to_string(k));
        }
    }
}

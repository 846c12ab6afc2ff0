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
    for (int len : lengths()) {
        if (len < 1) continue;
        for (int off : offsets<int16_t>()) {
            for (Pattern p : kPatterns) {
                int16_t r[8];
                fill_coefficients(ctx.rng, p, r, 8);
                Buffer<int16_t> x1(len, off), x2(len, off);
                Buffer<int16_t> u1(8, (off + 3) % 16), u2(8, (off + 3) % 16);
                fill16(ctx.rng, p, x1.data(), len);
                fill16(ctx.rng, p == Pattern::Zeros ? Pattern::Random : p, u1.data(), 8);
                std::memcpy(x2.data(), x1.data(), sizeof(int16_t) * len);
                std::memcpy(u2.data(), u1.data(), sizeof(int16_t) * 8);
                gsm::scalar::st_analysis(r, x1.data(), len, u1.data());
                gsm::avx2::st_analysis(r, x2.data(), len, u2.data());
                ++ctx.checks;
                const int diff = first_difference(x1.data(), x2.data(), len);
                if (diff >= 0)
                    ctx.fail("gsmfr_st_analysis", "avx2", len, off, p, diff);
                else if (first_difference(u1.data(), u2.data(), 8) >= 0)
                    ctx.fail("gsmfr_st_analysis", "avx2", len, off, p, -1, "memory differs");
                else if (!x2.guards_intact() || !u2.guards_intact())
                    ctx.fail("gsmfr_st_analysis", "avx2", len, off, p, -1, "guard zone written");
            }
        }
    }
}

CHECKASM(gsmfr_st_synthesis) {
    if (!have_avx2()) return;
    for (int len : lengths()) {
        if (len < 1) continue;
        for (int off : offsets<int16_t>()) {
            for (Pattern p : kPatterns) {
                for (bool in_place : {false, true}) {
                    int16_t r[8];
                    fill_coefficients(ctx.rng, p, r, 8);
                    Buffer<int16_t> in(len, (off * 7 + 3) % 16), o1(len, off), o2(len, off);
                    Buffer<int16_t> v1(9, (off + 5) % 16), v2(9, (off + 5) % 16);
                    fill16(ctx.rng, p, in.data(), len);
                    fill16(ctx.rng, p == Pattern::Zeros ? Pattern::Random : p, v1.data(), 9);
                    std::memcpy(v2.data(), v1.data(), sizeof(int16_t) * 9);
                    const int16_t* src1 = in.data();
                    const int16_t* src2 = in.data();
                    if (in_place) {
                        std::memcpy(o1.data(), in.data(), sizeof(int16_t) * len);
                        std::memcpy(o2.data(), in.data(), sizeof(int16_t) * len);
                        src1 = o1.data();
                        src2 = o2.data();
                    }
                    gsm::scalar::st_synthesis(r, src1, o1.data(), len, v1.data());
                    gsm::avx2::st_synthesis(r, src2, o2.data(), len, v2.data());
                    ++ctx.checks;
                    const char* detail = in_place ? "in place" : "";
                    const int diff = first_difference(o1.data(), o2.data(), len);
                    if (diff >= 0)
                        ctx.fail("gsmfr_st_synthesis", "avx2", len, off, p, diff, detail);
                    else if (first_difference(v1.data(), v2.data(), 9) >= 0)
                        ctx.fail("gsmfr_st_synthesis", "avx2", len, off, p, -1, "memory differs");
                    else if (!o2.guards_intact() || !v2.guards_intact() || !in.guards_intact())
                        ctx.fail("gsmfr_st_synthesis", "avx2", len, off, p, -1, "guard zone written");
                }
            }
        }
    }
}

CHECKASM(gsmfr_weighting) {
    if (!have_avx2()) return;
    for (int len : lengths()) {
        if (len < 1) continue;
        for (int off : offsets<int16_t>()) {
            for (Pattern p : kPatterns) {
                // The filter reads five samples on each side of the block.
                Buffer<int16_t> x(len + 10, off);
                Buffer<int16_t> y1(len, (off * 5 + 1) % 16), y2(len, (off * 5 + 1) % 16);
                fill16(ctx.rng, p, x.data(), len + 10);
                gsm::scalar::weighting(x.data() + 5, y1.data(), len);
                gsm::avx2::weighting(x.data() + 5, y2.data(), len);
                ++ctx.checks;
                const int diff = first_difference(y1.data(), y2.data(), len);
                if (diff >= 0)
                    ctx.fail("gsmfr_weighting", "avx2", len, off, p, diff);
                else if (!y2.guards_intact())
                    ctx.fail("gsmfr_weighting", "avx2", len, off, p, -1, "guard zone written");
            }
        }
    }
}

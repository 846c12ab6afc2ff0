// Front-end twins: the QMF polyphase sums and the gain path's magnitude sums.
#include <cfloat>
#include <string>
#include <vector>

#include "checkasm/checkasm.h"
#include "rta/kernels.h"

namespace {

using namespace checkasm;
namespace sc = voks::rta::scalar;
namespace vx = voks::rta::avx2;

// Float inputs from a pattern: the integer pattern scaled by 2^-8, plus values that overflow
// to infinity in a sum (Alternating) and signed zeros (Zeros).
void fill_f32(Rng& rng, Pattern p, float* dst, int n) {
    std::vector<int32_t> w(static_cast<size_t>(n));
    fill32(rng, p, w.data(), n);
    for (int i = 0; i < n; ++i) {
        float v = static_cast<float>(w[i]) / 256.0f;
        if (p == Pattern::Alternating) v = (i % 2 ? -1 : 1) * FLT_MAX;
        if (p == Pattern::Zeros) v = i % 3 ? -0.0f : 0.0f;
        dst[i] = v;
    }
}

CHECKASM(rta_qmf_sums) {
    if (!have_avx2()) return;
    for (int half : {12, 24})
        each_case<float>(
            [&](int len, int off, Pattern p) {
                if (len > 330) return;
                float he[24], ho[24];
                fill_f32(ctx.rng, Pattern::SmallRandom, he, half);
                fill_f32(ctx.rng, Pattern::SmallRandom, ho, half);
                Buffer<float> xe(len + half, off), xo(len + half, (off + 5) % 8);
                fill_f32(ctx.rng, p, xe.data(), len + half);
                fill_f32(ctx.rng, partner(p), xo.data(), len + half);
                Twin<float> e(len, off), o(len, (off + 2) % 8);
                sc::qmf_sums(he, ho, half, xe.data(), xo.data(), e.s(), o.s(), len);
                vx::qmf_sums(he, ho, half, xe.data(), xo.data(), e.v(), o.v(), len);
                ctx.same("qmf_sums", len, off, p, "half " + std::to_string(half), e, o);
            },
            0);
}

CHECKASM(rta_abs_sums) {
    if (!have_avx2()) return;
    each_case<float>([&](int len, int off, Pattern p) {
        Buffer<float> x(len, off), y(len, (off + 3) % 8);
        fill_f32(ctx.rng, p, x.data(), len);
        fill_f32(ctx.rng, partner(p), y.data(), len);
        Twin<float> s(2, off % 2);
        sc::abs_sums(x.data(), y.data(), len, s.s(), s.s() + 1);
        vx::abs_sums(x.data(), y.data(), len, s.v(), s.v() + 1);
        ctx.same("abs_sums", len, off, p, "", s);
    });
}

}  // namespace

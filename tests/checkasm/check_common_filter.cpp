// LP synthesis kernels (order 10), scalar against AVX2: the exact-sum kernel under the |y| limit
// its caller derives, and the wrapping kernel with and without input.
#include <algorithm>
#include <string>

#include "checkasm.h"
#include "common/kernels.h"

using namespace checkasm;
namespace sc = voks::common::scalar;
namespace vx = voks::common::avx2;

namespace {

constexpr int kOrder = 10;
constexpr int kMaxLen = 240;  // the callers' chunk

// Coefficients: a[0] = 4096 (Q12) or random, the rest of three sizes (stable LP sizes, sums up to
// eight, full range).
void fill_lpc(Rng& rng, int kind, int16_t* a) {
    a[0] = kind == 2 ? static_cast<int16_t>(rng.range(-32768, 32767)) : int16_t{4096};
    const int lim = kind == 0 ? 3000 : kind == 1 ? 6000 : 32767;
    for (int i = 1; i <= kOrder; ++i) a[i] = static_cast<int16_t>(rng.range(-lim - (kind == 2), lim));
}

// The caller's limit on |y| under which every sum is exact in 32 bits (|a0 x| + sum|a_i| |y|
// below 2^30), or -1 when none.
int32_t exact_limit(const int16_t* a, const int16_t* x, int len) {
    int64_t asum = 0;
    for (int i = 1; i <= kOrder; ++i) asum += a[i] < 0 ? -int64_t{a[i]} : a[i];
    int64_t xmax = 0;
    for (int n = 0; n < len; ++n) xmax = std::max<int64_t>(xmax, x[n] < 0 ? -int64_t{x[n]} : x[n]);
    const int64_t room = ((int64_t{1} << 30) - 1) - (a[0] < 0 ? -int64_t{a[0]} : a[0]) * xmax;
    if (room < 0) return -1;
    if (asum == 0 || asum * 32768 <= room) return 32768;
    return static_cast<int32_t>(room / asum);
}

// Compares outputs, the window left behind, the count and the clip flag.
template <class Ref, class Vec>
void run_pair(Context& ctx, const char* name, int len, int off, Pattern p, const std::string& detail, Ref ref,
              Vec vec) {
    Buffer<int16_t> yr(len, off), yv(len, (off + 5) % 16);
    Buffer<int16_t> wr(kOrder + kMaxLen, 0), wv(kOrder + kMaxLen, 3);
    const int nr = ref(yr.data(), wr.data());
    const int nv = vec(yv.data(), wv.data());
    if (!ctx.check(nr == nv, name, len, off, p, -1,
                   detail + " output count " + std::to_string(nr) + " vs " + std::to_string(nv)))
        return;
    const int d = first_difference(yr.data(), yv.data(), nr);
    ctx.check(d < 0, name, len, off, p, d, detail);
    // The window after the call: w[n .. n + 9].
    const int dw = first_difference(wr.data() + nr, wv.data() + nr, kOrder);
    ctx.check(dw < 0, name, len, off, p, dw, detail + " window");
    ctx.check(yr.guards_intact() && yv.guards_intact(), name, len, off, p, -1, detail + " guard");
}

}  // namespace

CHECKASM(filter_synth_exact) {
    if (!have_avx2()) return;
    for (int len : lengths()) {
        if (len < 1 || len > kMaxLen) continue;
        for (Pattern p : kPatterns)
            for (int kind = 0; kind < 3; ++kind)
                for (int sf : {12, 13}) {
                    const int off = (len + kind) % 16;
                    int16_t a[kOrder + 1], hist[kOrder];
                    Buffer<int16_t> x(len, off);
                    fill_lpc(ctx.rng, kind, a);
                    fill16(ctx.rng, p, x.data(), len);
                    const int32_t ylim = exact_limit(a, x.data(), len);
                    if (ylim < 0) continue;
                    // History inside the limit; the limit itself sometimes tight, so outputs cross it.
                    for (int16_t& h : hist)
                        h = static_cast<int16_t>(
                            ctx.rng.range(-std::min(ylim, 32767), std::min(ylim, 32767)));
                    const int32_t lim = (len & 1) ? ylim : ctx.rng.range(0, ylim);
                    bool cr = false, cv = false;
                    auto call = [&](auto fn, bool& clipped) {
                        return [&, fn](int16_t* y, int16_t* w) {
                            for (int i = 0; i < kOrder; ++i) w[i] = hist[i];
                            return fn(a, x.data(), y, w, len, sf, lim, &clipped);
                        };
                    };
                    const std::string detail = "sf=" + std::to_string(sf) + " kind=" + std::to_string(kind) +
                                               " ylim=" + std::to_string(lim);
                    run_pair(ctx, "synth_exact", len, off, p, detail, call(sc::synth_exact, cr),
                             call(vx::synth_exact, cv));
                    ctx.check(cr == cv, "synth_exact", len, off, p, -1, detail + " clip flag");
                }
    }
}

CHECKASM(filter_synth_wrap) {
    if (!have_avx2()) return;
    for (int len : lengths()) {
        if (len < 1 || len > kMaxLen) continue;
        for (Pattern p : kPatterns)
            for (int kind = 0; kind < 3; ++kind)
                for (bool zero_input : {false, true}) {
                    const int off = (len + 3 * kind) % 16;
                    const int sf = 12 + (len & 1);
                    int16_t a[kOrder + 1], hist[kOrder];
                    Buffer<int16_t> x(len, off);
                    fill_lpc(ctx.rng, kind, a);
                    fill16(ctx.rng, p, x.data(), len);
                    fill16(ctx.rng, p, hist, kOrder);
                    const int16_t* in = zero_input ? nullptr : x.data();
                    auto call = [&](auto fn) {
                        return [&, fn](int16_t* y, int16_t* w) {
                            for (int i = 0; i < kOrder; ++i) w[i] = hist[i];
                            fn(a, in, y, w, len, sf);
                            return len;
                        };
                    };
                    run_pair(
                        ctx, "synth_wrap", len, off, p,
                        std::string(zero_input ? "zero input" : "input") + " kind=" + std::to_string(kind),
                        call(sc::synth_wrap), call(vx::synth_wrap));
                }
    }
}

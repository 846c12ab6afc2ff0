// Fixed-point G.729 linear prediction: lag window, Levinson-Durbin recursion, LPC <-> LSP
// conversions, LSP <-> LSF conversions and the Annex E hybrid-window analysis.
#include <algorithm>
#include <cstring>

#include "common/basicop.h"
#include "g729/kernels.h"
#include "g729/lp_internal.h"
#include "g729/lp_tables.h"

namespace voks::g729 {

void lag_window(int32_t* r, int len) {
    kernels().lag_window(r, len);
}

namespace {
// Mpy_32 for lo parts in [0, 2^15), as L_Extract gives them: each mult term has the sign of its
// hi factor, so no step of the reference chain saturates except the first product at
// hi1 = hi2 = -32768, which gives 2^31 - 1 instead of 2^31 (the terms then only lower it).
inline int32_t mpy32(int16_t h1, int16_t l1, int16_t h2, int16_t l2) {
    const int32_t p = int32_t{h1} * h2;
    const uint32_t r =
        2u * static_cast<uint32_t>(p + ((int32_t{h1} * l2) >> 15) + ((int32_t{l1} * h2) >> 15));
    return static_cast<int32_t>(r - (p == (int32_t{1} << 30) ? 1u : 0u));
}

// L_Extract without the saturating steps (x >> 1 minus hi * 2^15 never leaves [0, 2^15)).
inline void extract(int32_t x, int16_t& hi, int16_t& lo) {
    hi = static_cast<int16_t>(x >> 16);
    lo = static_cast<int16_t>((x >> 1) & 0x7FFF);
}

// L_Comp for lo in [0, 2^15): hi * 2^16 + 2 lo never saturates.
inline int32_t comp(int16_t hi, int16_t lo) {
    return static_cast<int32_t>(static_cast<uint32_t>(int32_t{hi}) << 16) + 2 * int32_t{lo};
}

// 1 - K^2 in double precision, then Alpha * (1 - K^2).
int32_t shrink_alpha(int16_t kh, int16_t kl, int16_t ah, int16_t al) {
    int32_t t0 = L_abs(mpy32(kh, kl, kh, kl));
    t0 = L_sub(MAX_32, t0);
    int16_t hi = 0, lo = 0;
    extract(t0, hi, lo);
    return mpy32(ah, al, hi, lo);
}

// sum_{j=1}^{i-1} R[j] * A[i-j], saturating after each term as L_add does: the exact sum when
// no partial sum leaves 32 bits, else the saturating chain.
int32_t lag_sum(const int16_t* rh, const int16_t* rl, const int16_t* ah, const int16_t* al, int i) {
    int64_t acc = 0;
    uint64_t out = 0;
    for (int j = 1; j < i; ++j) {
        acc += mpy32(rh[j], rl[j], ah[i - j], al[i - j]);
        out |= static_cast<uint64_t>(acc + (int64_t{1} << 31));
    }
    if ((out >> 32) == 0) return static_cast<int32_t>(acc);
    int32_t t0 = 0;
    for (int j = 1; j < i; ++j) t0 = L_add(t0, mpy32(rh[j], rl[j], ah[i - j], al[i - j]));
    return t0;
}
}  // namespace

bool levinson(const int32_t* r, int order, int16_t* a, int16_t* rc, int16_t* err, int16_t* err_exp) {
    int16_t rh[kMaxLevinsonOrder + 1], rl[kMaxLevinsonOrder + 1];
    for (int i = 0; i <= order; ++i) extract(r[i], rh[i], rl[i]);

    int16_t ah[kMaxLevinsonOrder + 1], al[kMaxLevinsonOrder + 1];
    int16_t anh[kMaxLevinsonOrder + 1], anl[kMaxLevinsonOrder + 1];
    int16_t k_out[kMaxLevinsonOrder];
    int16_t kh = 0, kl = 0;

    // K = A[1] = -R[1] / R[0]; |R[1]| is limited to R[0] so that the division stays defined.
    int32_t t1 = comp(rh[1], rl[1]);
    const int32_t r0 = comp(rh[0], rl[0]);
    if (t1 > r0) t1 = r0;
    int32_t t0 = Div_32(L_abs(t1), rh[0], rl[0]);
    if (t1 > 0) t0 = L_negate(t0);
    extract(t0, kh, kl);
    k_out[0] = kh;
    extract(t0 >> 4, ah[1], al[1]);

    t0 = shrink_alpha(kh, kl, rh[0], rl[0]);
    int16_t alp_exp = norm_l(t0);
    int16_t alp_h = 0, alp_l = 0;
    extract(L_shl(t0, alp_exp), alp_h, alp_l);

    for (int i = 2; i <= order; ++i) {
        t0 = lag_sum(rh, rl, ah, al, i);
        t0 = L_shl(t0, 4);
        t0 = L_add(t0, comp(rh[i], rl[i]));

        int32_t num = L_abs(t0);
        const int32_t alpha = comp(alp_h, alp_l);
        if (num > alpha) num = alpha;
        int32_t t2 = Div_32(num, alp_h, alp_l);
        if (t0 > 0) t2 = L_negate(t2);
        t2 = L_shl(t2, alp_exp);
        extract(t2, kh, kl);
        k_out[i - 1] = kh;
        if (abs_s(kh) > 32750) return false;  // unstable: the caller keeps its previous filter

        for (int j = 1; j < i; ++j) {
            t0 = sat32(int64_t{mpy32(kh, kl, ah[i - j], al[i - j])} + comp(ah[j], al[j]));
            extract(t0, anh[j], anl[j]);
        }
        extract(t2 >> 4, anh[i], anl[i]);

        t0 = shrink_alpha(kh, kl, alp_h, alp_l);
        const int16_t n = norm_l(t0);
        extract(L_shl(t0, n), alp_h, alp_l);
        alp_exp = add(alp_exp, n);

        for (int j = 1; j <= i; ++j) {
            ah[j] = anh[j];
            al[j] = anl[j];
        }
    }

    *err = alp_h;  // normalised mantissa; the Annex B energy is alp_h >> alp_exp
    if (err_exp) *err_exp = alp_exp;
    a[0] = 4096;
    for (int i = 1; i <= order; ++i) a[i] = round_fx(L_shl(comp(ah[i], al[i]), 1));
    std::memcpy(rc, k_out, sizeof(int16_t) * static_cast<size_t>(order));
    return true;
}

void az_lsp(const int16_t* a, const int16_t* prev_lsp, int16_t* lsp, bool coarse) {
    constexpr int nc = kOrder / 2;
    int16_t f1[nc + 1], f2[nc + 1];
    bool ovf = false;
    f1[0] = 2048;
    f2[0] = 2048;
    for (int i = 0; i < nc; ++i) {
        int32_t t0 = L_mult(a[i + 1], 16384, ovf);
        t0 = L_mac(t0, a[kOrder - i], 16384, ovf);
        f1[i + 1] = sub(extract_h(t0), f1[i], ovf);
        t0 = L_mult(a[i + 1], 16384, ovf);
        t0 = L_msu(t0, a[kOrder - i], 16384, ovf);
        f2[i + 1] = add(extract_h(t0), f2[i], ovf);
    }
    if (ovf) {  // the sums overflowed Q11: work in Q10
        f1[0] = 1024;
        f2[0] = 1024;
        for (int i = 0; i < nc; ++i) {
            int32_t t0 = L_mac(L_mult(a[i + 1], 8192), a[kOrder - i], 8192);
            f1[i + 1] = sub(extract_h(t0), f1[i]);
            t0 = L_msu(L_mult(a[i + 1], 8192), a[kOrder - i], 8192);
            f2[i + 1] = add(extract_h(t0), f2[i]);
        }
    }

    const int16_t* grid = coarse ? kGrid50 : kGrid60;
    const int points = coarse ? 50 : 60;
    const int bisections = coarse ? 2 : 4;
    const Kernels& kt = kernels();
    // Whether the Chebyshev recursion of each polynomial can saturate anywhere. Single points go
    // straight to the scalar kernel (the vector one hands anything below eight points to it).
    const bool plain[2] = {scalar::cheb_unsaturated(f1), scalar::cheb_unsaturated(f2)};

    // Grid values of each polynomial, evaluated in blocks of eight as the search reaches them.
    int16_t ygrid[2][64];
    int ready[2] = {0, 0};
    auto grid_value = [&](int poly, int j) {
        while (ready[poly] <= j) {
            const int n = std::min(8, points + 1 - ready[poly]);
            kt.cheb_grid(poly ? f2 : f1, ovf, plain[poly], grid + ready[poly], n, ygrid[poly] + ready[poly]);
            ready[poly] += n;
        }
        return ygrid[poly][j];
    };

    int16_t roots[kOrder];
    int nf = 0, ip = 0;
    const int16_t* coef = f1;
    int16_t xlow = grid[0], ylow = grid_value(0, 0);
    int j = 0;
    while (nf < kOrder && j < points) {
        ++j;
        int16_t xhigh = xlow, yhigh = ylow;
        xlow = grid[j];
        ylow = grid_value(ip, j);
        if (L_mult(ylow, yhigh) > 0) continue;

        // The bisection's midpoints form a binary tree (node k: interval (lo, hi), children
        // 2k = (lo, mid) and 2k + 1 = (mid, hi)); all of them are evaluated at once, in blocks of
        // eight, and the walk below picks the ones the sequential bisection would evaluate.
        int16_t lo[16], hi[16], xm[16], ym[16];
        const int nodes = (1 << bisections) - 1;
        lo[1] = xlow;
        hi[1] = xhigh;
        for (int k = 1; k <= nodes; ++k) {
            xm[k - 1] = add(shr(lo[k], 1), shr(hi[k], 1));
            if (2 * k + 1 <= nodes) {
                lo[2 * k] = lo[k];
                hi[2 * k] = xm[k - 1];
                lo[2 * k + 1] = xm[k - 1];
                hi[2 * k + 1] = hi[k];
            }
        }
        const int evals = (nodes + 7) & ~7;
        for (int k = nodes; k < evals; ++k) xm[k] = xm[nodes - 1];  // padding to whole blocks
        kt.cheb_grid(coef, ovf, plain[ip], xm, evals, ym);
        for (int b = 0, k = 1; b < bisections; ++b) {
            // Data-dependent choices as selects rather than branches.
            const int16_t xmid = xm[k - 1], ymid = ym[k - 1];
            const bool upper = L_mult(ylow, ymid) > 0;
            yhigh = upper ? yhigh : ymid;
            xhigh = upper ? xhigh : xmid;
            ylow = upper ? ymid : ylow;
            xlow = upper ? xmid : xlow;
            k = 2 * k + (upper ? 1 : 0);
        }
        // Linear interpolation: xint = xlow - ylow * (xhigh - xlow) / (yhigh - ylow).
        const int16_t x = sub(xhigh, xlow);
        int16_t y = sub(yhigh, ylow);
        int16_t xint = xlow;
        if (y != 0) {
            const int16_t sign = y;
            y = abs_s(y);
            const int16_t e = norm_s(y);
            y = shl(y, e);
            y = div_s(16383, y);
            y = extract_l(L_shr(L_mult(x, y), sub(20, e)));
            if (sign < 0) y = negate(y);
            xint = sub(xlow, extract_l(L_shr(L_mult(ylow, y), 11)));
        }
        roots[nf++] = xint;
        xlow = xint;
        ip ^= 1;
        coef = ip ? f2 : f1;
        scalar::cheb_grid(coef, ovf, plain[ip], &xlow, 1, &ylow);
    }
    std::memcpy(lsp, nf < kOrder ? prev_lsp : roots, sizeof(roots));
}

namespace {
// Get_lsp_pol: F(z) coefficients f[0..5] in Q24 from the five LSPs lsp[0], lsp[2], ..., by the
// reference's saturating chain.
void lsp_poly_reference(const int16_t* lsp, int32_t* f) {
    f[0] = L_mult(4096, 2048);
    f[1] = L_msu(0, lsp[0], 512);
    for (int i = 2; i <= 5; ++i) {
        const int16_t q = lsp[2 * i - 2];
        f[i] = f[i - 2];
        for (int j = i; j > 1; --j) {
            int16_t hi = 0, lo = 0;
            L_Extract(f[j - 1], hi, lo);
            const int32_t t0 = L_shl(Mpy_32_16(hi, lo, q), 1);
            f[j] = L_sub(L_add(f[j], f[j - 2]), t0);
        }
        f[1] = L_msu(f[1], q, 512);
    }
}

// One stage i of a polynomial: f[j] += f[j - 2] - 2 Mpy_32_16(f[j - 1], q) for j = i..2, then
// f[1] -= q * 2^10; out collects the biased values of stage 5. Constant indices keep f in
// registers.
// After i stages f holds the product of i factors 1 - 2 q z^-1 + z^-2 with |q| <= 1 (in Q24,
// up to the products' truncations), whose coefficients are at most those of (1 + 1/z)^(2i):
// through stage 4 every value stays below 70 * 2^24 + a few units, far from 2^31, so only
// stage 5 is checked.
template <int I>
inline void poly_stage(int64_t (&g)[6], int64_t q, uint64_t& out) {
    auto biased = [](int64_t v) { return static_cast<uint64_t>(v + (int64_t{1} << 31)); };
    g[I] = g[I - 2];
    for (int j = I; j > 1; --j) {
        const int64_t t0 = 4 * (((g[j - 1] >> 1) * q) >> 15);
        const int64_t sum = g[j] + g[j - 2];
        g[j] = sum - t0;
        if (I == 5) out |= biased(t0) | biased(sum) | biased(g[j]);
    }
    g[1] -= q * 1024;
}

// The same exactly in 64 bits: Mpy_32_16 of f's hi/lo pair by q is 2 floor((f >> 1) q / 2^15),
// and when the doubled product, the sum and the difference of every step fit 32 bits nothing
// saturated. (Its first product saturates only for hi = q = -32768, where the doubled product
// is near 2^32 and the chain runs.) F1 from lsp[0], lsp[2], ... and F2 from lsp[1], lsp[3], ...
// are formed in the same steps, two independent chains side by side.
void lsp_polys(const int16_t* lsp, int32_t* f1, int32_t* f2) {
    int64_t g1[6] = {int64_t{1} << 24, -int64_t{lsp[0]} * 1024, 0, 0, 0, 0};
    int64_t g2[6] = {int64_t{1} << 24, -int64_t{lsp[1]} * 1024, 0, 0, 0, 0};
    uint64_t out1 = 0, out2 = 0;  // bits above 32 of the biased values: some step left 32 bits
    poly_stage<2>(g1, lsp[2], out1);
    poly_stage<2>(g2, lsp[3], out2);
    poly_stage<3>(g1, lsp[4], out1);
    poly_stage<3>(g2, lsp[5], out2);
    poly_stage<4>(g1, lsp[6], out1);
    poly_stage<4>(g2, lsp[7], out2);
    poly_stage<5>(g1, lsp[8], out1);
    poly_stage<5>(g2, lsp[9], out2);
    if ((out1 >> 32) != 0) {
        lsp_poly_reference(lsp, f1);
    } else {
        for (int i = 0; i <= 5; ++i) f1[i] = static_cast<int32_t>(g1[i]);
    }
    if ((out2 >> 32) != 0) {
        lsp_poly_reference(lsp + 1, f2);
    } else {
        for (int i = 0; i <= 5; ++i) f2[i] = static_cast<int32_t>(g2[i]);
    }
}
}  // namespace

void lsp_az(const int16_t* lsp, int16_t* a) {
    int32_t f1[6], f2[6];
    lsp_polys(lsp, f1, f2);
    // F1 (1 + 1/z) and F2 (1 - 1/z), their sum and difference: when every value fits 32 bits no
    // step saturates, and L_shr_r(v, 13) is (v + 2^12) >> 13.
    int64_t p[6], m[6];
    uint64_t out = 0;
    auto biased = [](int64_t v) { return static_cast<uint64_t>(v + (int64_t{1} << 31)); };
    for (int i = 1; i <= 5; ++i) {
        p[i] = int64_t{f1[i]} + f1[i - 1];
        m[i] = int64_t{f2[i]} - f2[i - 1];
        out |= biased(p[i]) | biased(m[i]) | biased(p[i] + m[i]) | biased(p[i] - m[i]);
    }
    if ((out >> 32) == 0) {
        a[0] = 4096;
        for (int i = 1, j = 10; i <= 5; ++i, --j) {
            a[i] = static_cast<int16_t>((p[i] + m[i] + 4096) >> 13);
            a[j] = static_cast<int16_t>((p[i] - m[i] + 4096) >> 13);
        }
        return;
    }
    for (int i = 5; i > 0; --i) {
        f1[i] = L_add(f1[i], f1[i - 1]);
        f2[i] = L_sub(f2[i], f2[i - 1]);
    }
    a[0] = 4096;
    for (int i = 1, j = 10; i <= 5; ++i, --j) {
        a[i] = extract_l(L_shr_r(L_add(f1[i], f2[i]), 13));
        a[j] = extract_l(L_shr_r(L_sub(f1[i], f2[i]), 13));
    }
}

int lsf_to_lsp(const int16_t* lsf, int16_t* lsp) {
    kernels().lsf_to_lsp(lsf, lsp, 8);
    for (int i = 8; i < kOrder; ++i) {
        if (lsf[i] < 0) return i;
        scalar::lsf_to_lsp(lsf + i, lsp + i, 1);
    }
    return kOrder;
}

void lsp_to_lsf(const int16_t* lsp, int16_t* lsf) {
    int ind = 63;
    for (int i = kOrder - 1; i >= 0; --i) {
        while (kCos15[ind] < lsp[i] && ind > 0) --ind;
        const int16_t offset = sub(lsp[i], kCos15[ind]);
        const int16_t freq =
            add(shl(static_cast<int16_t>(ind), 9), extract_l(L_shr(L_mult(kAcos12[ind], offset), 12)));
        lsf[i] = mult(freq, 25736);
    }
}

void lsp_to_lsf_norm(const int16_t* lsp, int16_t* lsf) {
    int ind = 63;
    for (int i = kOrder - 1; i >= 0; --i) {
        while (kCos15[ind] < lsp[i] && ind > 0) --ind;
        const int32_t t = L_mult(sub(lsp[i], kCos15[ind]), kAcos12[ind]);
        lsf[i] = add(round_fx(L_shl(t, 3)), shl(static_cast<int16_t>(ind), 8));
    }
}

namespace {
// sum_{n = from}^{to-1} w[n] * w[n-lag], doubled and accumulated from acc with L_mac saturation
// after every product; when no partial sum can leave 32 bits (`exact`), in one exact pass.
int32_t mac_chain(int32_t acc, const int16_t* w, int from, int to, int lag, bool exact) {
    if (exact) {
        int64_t s = 0;
        for (int n = from; n < to; ++n) s += int32_t{w[n]} * w[n - lag];
        return static_cast<int32_t>(acc + 2 * s);
    }
    for (int n = from; n < to; ++n) acc = L_mac(acc, w[n], w[n - lag]);
    return acc;
}
}  // namespace

void win_hybrid(const int16_t* x, int32_t* r, int32_t* state) {
    int16_t w[kHybridLen];
    int64_t energy = 0;
    for (int n = 0; n < kHybridLen; ++n) {
        w[n] = mult(x[n], kHybridWindow[n]);
        energy += int32_t{w[n]} * w[n];
    }
    // Every partial sum of doubled products is bounded by 2 * energy (Cauchy-Schwarz), so the
    // per-step saturation of the reference can only act when that bound exceeds 32 bits.
    const int64_t bound = 2 * energy;
    constexpr int n1 = 110;  // the recursive part covers samples 30..109, the direct part 110..144
    for (int i = 0; i < kHybridLags; ++i) {
        const int32_t acc = mac_chain(0, w, kHybridLags - 1, n1, i, bound <= MAX_32);
        int16_t hi = 0, lo = 0;
        L_Extract(state[i], hi, lo);
        state[i] = L_add(Mpy_32_16(hi, lo, 10368), L_shr(acc, 1));
    }
    for (int i = 0; i < kHybridLags; ++i) {
        const int32_t start = L_shl(state[i], 1);
        const bool exact = bound + (start < 0 ? -int64_t{start} : int64_t{start}) <= MAX_32;
        r[i] = L_shr(mac_chain(start, w, n1, kHybridLen, i, exact), 1);
    }
}

}  // namespace voks::g729

// AMR-WB ISF/ISP conversions, ISP to LP coefficients and the LP signal filters.
#include <algorithm>
#include <cstdint>

#include "amrwb/amrwb_internal.h"
#include "amrwb/amrwb_tables.h"
#include "amrwb/kernels.h"
#include "common/basicop.h"

namespace voks::amrwb {

void isf_to_isp(const int16_t* isf, int16_t* isp, int n) {
    for (int i = 0; i < n; ++i) {
        // The last ISF is held at half scale. The table spans 0..16383; the reference reads
        // outside it for other arguments, so they are limited to its ends here.
        const int16_t v = i == n - 1 ? shl(isf[i], 1) : isf[i];
        const int16_t f = std::clamp<int16_t>(v, 0, 16383);
        const int ind = f >> 7;
        const int16_t offset = static_cast<int16_t>(f & 0x7F);
        const int32_t t = L_mult(sub(kIspCos[ind + 1], kIspCos[ind]), offset);
        isp[i] = add(kIspCos[ind], extract_l(L_shr(t, 8)));
    }
}

void isp_to_isf(const int16_t* isp, int16_t* isf, int n) {
    int ind = 127;
    for (int i = n - 1; i >= 0; --i) {
        if (i >= n - 2) ind = 127;
        // kIspCos[0] is the largest Q15 value, so the walk stops at 0 at the latest.
        while (kIspCos[ind] < isp[i]) --ind;
        const int32_t t = L_mult(sub(isp[i], kIspCos[ind]), kIspSlope[ind]);
        isf[i] = add(round_fx(L_shl(t, 4)), static_cast<int16_t>(ind << 7));
    }
    isf[n - 1] = shr(isf[n - 1], 1);
}

namespace {

// isp_polynomial in plain 64-bit arithmetic; false (f partly written) as soon as a step leaves
// 32 bits, where a saturating operator would act. L_Extract, Mpy_32_16 (2 hi c + 2 ((lo c) >> 15)),
// the doubling and the two sums are then exact.
bool isp_polynomial_plain(const int16_t* isp, int32_t* f, int n, int16_t one, int16_t two) {
    const auto out = [](int64_t v) { return v < MIN_32 || v > MAX_32; };
    f[0] = 2 * 4096 * one;
    f[1] = -2 * isp[0] * two;
    for (int i = 2; i <= n; ++i) {
        const int64_t c = isp[2 * (i - 1)];
        f[i] = f[i - 2];
        for (int j = i; j > 1; --j) {
            const int32_t x = f[j - 1];
            const int64_t hi = x >> 16, lo = (x & 0xFFFF) >> 1;
            const int64_t m = 2 * hi * c + 2 * ((lo * c) >> 15), d = f[j] - 2 * m, v = d + f[j - 2];
            if (out(2 * m) || out(d) || out(v)) return false;  // |m| <= |2 m|
            f[j] = static_cast<int32_t>(v);
        }
        const int64_t v = f[1] - 2 * c * two;
        if (out(v)) return false;
        f[1] = static_cast<int32_t>(v);
    }
    return true;
}

// Coefficients (Q23, or Q21 in the reduced form) of prod (1 - 2 isp[2k] z^-1 + z^-2), k < n.
void isp_polynomial(const int16_t* isp, int32_t* f, int n, bool reduced) {
    const int16_t one = reduced ? 256 : 1024, two = reduced ? 64 : 256;
    if (isp_polynomial_plain(isp, f, n, one, two)) return;
    f[0] = L_mult(4096, one);
    f[1] = L_mult(isp[0], static_cast<int16_t>(-two));
    for (int i = 2; i <= n; ++i) {
        const int16_t c = isp[2 * (i - 1)];
        f[i] = f[i - 2];
        for (int j = i; j > 1; --j) {
            int16_t hi, lo;
            L_Extract(f[j - 1], hi, lo);
            f[j] = L_add(L_sub(f[j], L_shl(Mpy_32_16(hi, lo, c), 1)), f[j - 2]);
        }
        f[1] = L_msu(f[1], c, two);
    }
}

}  // namespace

void isp_to_lpc(const int16_t* isp, int16_t* a, int m) {
    const int nc = m >> 1;
    const bool reduced = nc > 8;
    int32_t f1[kMaxOrder / 2 + 1], f2[kMaxOrder / 2 + 1];
    isp_polynomial(isp, f1, nc, reduced);
    isp_polynomial(isp + 1, f2, nc - 1, reduced);
    if (reduced) {
        for (int i = 0; i <= nc; ++i) f1[i] = L_shl(f1[i], 2);
        for (int i = 0; i < nc; ++i) f2[i] = L_shl(f2[i], 2);
    }
    for (int i = nc - 1; i > 1; --i) f2[i] = L_sub(f2[i], f2[i - 2]);  // F2(z) (1 - z^-2)
    const int16_t last = isp[m - 1];
    for (int i = 0; i < nc; ++i) {
        int16_t hi, lo;
        L_Extract(f1[i], hi, lo);
        f1[i] = L_add(f1[i], Mpy_32_16(hi, lo, last));
        L_Extract(f2[i], hi, lo);
        f2[i] = L_sub(f2[i], Mpy_32_16(hi, lo, last));
    }
    a[0] = 4096;
    for (int i = 1, j = m - 1; i < nc; ++i, --j) {
        a[i] = extract_l(L_shr_r(L_add(f1[i], f2[i]), 12));
        a[j] = extract_l(L_shr_r(L_sub(f1[i], f2[i]), 12));
    }
    int16_t hi, lo;
    L_Extract(f1[nc], hi, lo);
    a[nc] = extract_l(L_shr_r(L_add(f1[nc], Mpy_32_16(hi, lo, last)), 12));
    a[m] = shr_r(last, 3);
}

bool lpc_to_isp(const int16_t* a, int16_t* out, const int16_t* old_isp) {
    constexpr int nc = kOrder / 2;
    int16_t isp[kOrder];
    int16_t f1[nc + 1], f2[nc];
    for (int i = 0; i < nc; ++i) {
        const int32_t t = L_mult(a[i], 16384);
        f1[i] = round_fx(L_mac(t, a[kOrder - i], 16384));
        f2[i] = round_fx(L_msu(t, a[kOrder - i], 16384));
    }
    f1[nc] = a[nc];
    for (int i = 2; i < nc; ++i) f2[i] = add(f2[i], f2[i - 2]);  // F2(z) / (1 - z^-2)

    // Roots of F1 and F2 in turn: sign changes on the grid, two bisections, then a linear
    // interpolation.
    // With the vector kernels both polynomials are evaluated on the whole grid at once, for less
    // than the single points the scan reaches; the scalar level evaluates only those. The points
    // between the grid's come one by one.
    const bool whole_grid = frame::active_level() == frame::Level::AVX2;
    int16_t grid1[101], grid2[101];
    if (whole_grid) {
        kernels().cheb_grid(f1, nc, kGrid100, grid1, 101);
        kernels().cheb_grid(f2, nc - 1, kGrid100, grid2, 101);
    }
    const auto chebyshev = scalar::chebyshev;
    const auto on_grid = [&](int k, const int16_t* c, int order) {
        return whole_grid ? (c == f1 ? grid1[k] : grid2[k]) : chebyshev(kGrid100[k], c, order);
    };
    int found = 0, j = 0;
    const int16_t* coef = f1;
    int order = nc;
    int16_t xlow = kGrid100[0], ylow = on_grid(0, coef, order);
    while (found < kOrder - 1 && j < 100) {
        ++j;
        int16_t xhigh = xlow, yhigh = ylow;
        xlow = kGrid100[j];
        ylow = on_grid(j, coef, order);
        if (L_mult(ylow, yhigh) > 0) continue;
        for (int i = 0; i < 2; ++i) {
            const int16_t xmid = add(shr(xlow, 1), shr(xhigh, 1)), ymid = chebyshev(xmid, coef, order);
            if (L_mult(ylow, ymid) <= 0) {
                yhigh = ymid;
                xhigh = xmid;
            } else {
                ylow = ymid;
                xlow = xmid;
            }
        }
        const int16_t x = sub(xhigh, xlow);
        int16_t y = sub(yhigh, ylow), xint = xlow;
        if (y != 0) {
            const int16_t sign = y;
            y = abs_s(y);
            const int16_t e = norm_s(y);
            y = div_s(16383, shl(y, e));
            y = extract_l(L_shr(L_mult(x, y), sub(20, e)));  // (xhigh - xlow) / (yhigh - ylow), Q11
            if (sign < 0) y = negate(y);
            xint = sub(xlow, extract_l(L_shr(L_mult(ylow, y), 11)));
        }
        isp[found++] = xint;
        xlow = xint;
        coef = coef == f1 ? f2 : f1;
        order = coef == f1 ? nc : nc - 1;
        ylow = chebyshev(xlow, coef, order);
    }
    if (found < kOrder - 1) {
        for (int i = 0; i < kOrder; ++i) out[i] = old_isp[i];
        return false;
    }
    isp[kOrder - 1] = shl(a[kOrder], 3);
    for (int i = 0; i < kOrder; ++i) out[i] = isp[i];
    return true;
}

void preemphasis(int16_t mu, int16_t* x, int n, int sf, int16_t* mem) {
    kernels().preemph(mu, x, n, sf, mem);
}

void deemphasis_half(int16_t mu, int16_t* x, int n, int16_t* mem) {
    int16_t prev = *mem;
    for (int i = 0; i < n; ++i) {
        x[i] = round_fx(L_mac(L_mult(x[i], 16384), prev, mu));
        prev = x[i];
    }
    *mem = prev;
}

void residual(const int16_t* a, int m, const int16_t* x, int16_t* y, int n, int sf) {
    kernels().residual(a, m, x, y, n, sf);
}

void synthesis_32(const int16_t* a, int m, const int16_t* exc, int32_t* sig, int n, int q) {
    kernels().synth_32(a, m, exc, sig, n, q);
}

void deemphasis_32(int16_t mu, const int32_t* x, int16_t* y, int n, int16_t* mem) {
    const int16_t fac = shr(mu, 1);
    // First in plain arithmetic: y[i] = (2 t + 0x8000 + 4 fac y[i - 1]) >> 16 with t = 8 (x & ~15),
    // kept when no clamp of the saturating steps below would have acted (t within 32 bits, the
    // sum s = t + 2 fac y[i - 1] with 2 s + 0x8000 within 32 bits). Only for y apart from x,
    // which the saturating steps read again otherwise.
    const auto xa = reinterpret_cast<uintptr_t>(x), ya = reinterpret_cast<uintptr_t>(y);
    const auto un = static_cast<uintptr_t>(n);
    if (ya + 2 * un <= xa || xa + 4 * un <= ya) {
        int64_t prev = *mem, tmax = 0, tmin = 0, smax = 0, smin = 0;
        const int64_t f4 = 4 * int64_t{fac};
        for (int i = 0; i < n; ++i) {
            const int64_t t = int64_t{x[i] & ~15} * 8, d = 2 * t + 0x8000;
            tmax = std::max(tmax, t);
            tmin = std::min(tmin, t);
            const int64_t s2 = d + f4 * prev;  // 2 s + 0x8000
            smax = std::max(smax, s2);
            smin = std::min(smin, s2);
            prev = s2 >> 16;
            y[i] = static_cast<int16_t>(prev);
        }
        if (tmax <= MAX_32 && tmin >= MIN_32 && smax <= MAX_32 && smin >= int64_t{MIN_32} + 0x8000) {
            *mem = static_cast<int16_t>(prev);
            return;
        }
    }
    int16_t prev = *mem;
    // The saturating steps as 64-bit sums clamped to 32 bits, without branches. The high and low
    // parts recombine to x with bits 3..0 cleared, which never saturates; fac >= -16384, so the
    // product never does either.
    const auto clamp = [](int64_t v) { return std::min<int64_t>(std::max<int64_t>(v, MIN_32), MAX_32); };
    for (int i = 0; i < n; ++i) {
        int64_t t = clamp(int64_t{x[i] & ~15} * 8);
        t = clamp(2 * clamp(t + 2 * prev * fac));
        y[i] = prev = static_cast<int16_t>(clamp(t + 0x8000) >> 16);
    }
    *mem = prev;
}

}  // namespace voks::amrwb

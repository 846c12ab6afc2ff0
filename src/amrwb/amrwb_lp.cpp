// AMR-WB ISF/ISP conversions, ISP to LP coefficients and the LP signal filters.
#include <algorithm>

#include "amrwb/amrwb_internal.h"
#include "amrwb/amrwb_tables.h"
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

// Coefficients (Q23, or Q21 in the reduced form) of prod (1 - 2 isp[2k] z^-1 + z^-2), k < n.
void isp_polynomial(const int16_t* isp, int32_t* f, int n, bool reduced) {
    const int16_t one = reduced ? 256 : 1024, two = reduced ? 64 : 256;
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

namespace {

// Chebyshev series of the order-n polynomial f (Q11 coefficients) at x (Q15), Q14, in double
// precision; -32768 is returned as -32767.
int16_t chebyshev(int16_t x, const int16_t* f, int n) {
    int16_t b2h, b2l, b1h, b1l;
    L_Extract(L_mult(f[0], 4096), b2h, b2l);
    int32_t t = L_mac(L_shl(Mpy_32_16(b2h, b2l, x), 1), f[1], 4096);
    L_Extract(t, b1h, b1l);
    for (int i = 2; i < n; ++i) {
        t = Mpy_32_16(b1h, b1l, x);
        t = L_mac(t, b2h, -16384);
        t = L_mac(t, f[i], 2048);
        t = L_msu(L_shl(t, 1), b2l, 1);
        b2h = b1h;
        b2l = b1l;
        L_Extract(t, b1h, b1l);
    }
    t = Mpy_32_16(b1h, b1l, x);
    t = L_mac(t, b2h, MIN_16);
    t = L_msu(t, b2l, 1);
    t = L_mac(t, f[n], 2048);
    const int16_t c = extract_h(L_shl(t, 6));
    return c == MIN_16 ? int16_t{-32767} : c;
}

}  // namespace

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
    int found = 0, j = 0;
    const int16_t* coef = f1;
    int order = nc;
    int16_t xlow = kGrid100[0], ylow = chebyshev(xlow, coef, order);
    while (found < kOrder - 1 && j < 100) {
        ++j;
        int16_t xhigh = xlow, yhigh = ylow;
        xlow = kGrid100[j];
        ylow = chebyshev(xlow, coef, order);
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
    const int16_t last = x[n - 1];
    // y = x << 16 - 2 mu x[-1] with saturation, then rounded at bit 15 - (14 - sf).
    const auto one = [mu, sf](int16_t cur, int16_t prev) {
        int32_t t = L_msu(L_deposit_h(cur), prev, mu);
        const int shift = sf < -31 ? 45 : 14 - sf;  // any shift above 31 saturates alike
        t = shift >= 0 ? L_shl(t, static_cast<int16_t>(std::min(shift, 31)))
                       : L_shr(t, static_cast<int16_t>(-shift));
        return round_fx(t);
    };
    for (int i = n - 1; i > 0; --i) x[i] = one(x[i], x[i - 1]);
    x[0] = one(x[0], *mem);
    *mem = last;
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
    const int shift = sf < -31 ? 45 : 14 - sf;  // any shift above 31 saturates alike
    for (int i = 0; i < n; ++i) {
        int32_t s = L_mult(x[i], a[0]);
        for (int j = 1; j <= m; ++j) s = L_mac(s, a[j], x[i - j]);
        s = shift >= 0 ? L_shl(s, static_cast<int16_t>(std::min(shift, 31)))
                       : L_shr(s, static_cast<int16_t>(-shift));
        y[i] = round_fx(s);
    }
}

namespace {

// The 32-bit signal of the double-precision filters: bits 31..16 the high part, bits 15..4 the
// low part (0..4095), bits 3..0 zero.
int16_t high_part(int32_t x) {
    return static_cast<int16_t>(x >> 16);
}
int16_t low_part(int32_t x) {
    return static_cast<int16_t>((x & 0xFFFF) >> 4);
}
int32_t join_parts(int16_t hi, int16_t lo) {
    return static_cast<int32_t>(hi * 65536 + lo * 16);
}

}  // namespace

void synthesis_32(const int16_t* a, int m, const int16_t* exc, int32_t* sig, int n, int q) {
    const int16_t s = sub(norm_s(a[0]), 2), a0 = shr(a[0], add(4, static_cast<int16_t>(q)));
    for (int i = 0; i < n; ++i) {
        int32_t t = 0;
        for (int j = 1; j <= m; ++j) t = L_msu(t, low_part(sig[i - j]), a[j]);
        t = L_shr(t, 12);
        t = L_mac(t, exc[i], a0);
        for (int j = 1; j <= m; ++j) t = L_msu(t, high_part(sig[i - j]), a[j]);
        t = L_shl(t, add(3, s));
        const int16_t hi = extract_h(t);
        sig[i] = join_parts(hi, extract_l(L_msu(L_shr(t, 4), hi, 2048)));
    }
}

void deemphasis_32(int16_t mu, const int32_t* x, int16_t* y, int n, int16_t* mem) {
    const int16_t fac = shr(mu, 1);
    int16_t prev = *mem;
    for (int i = 0; i < n; ++i) {
        int32_t t = L_mac(L_deposit_h(high_part(x[i])), low_part(x[i]), 8);
        t = L_mac(L_shl(t, 3), prev, fac);
        y[i] = prev = round_fx(L_shl(t, 1));
    }
    *mem = prev;
}

}  // namespace voks::amrwb

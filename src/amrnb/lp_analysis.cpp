// GSM-AMR LP analysis helpers: windowed autocorrelation, LSF-to-LSP conversion, the quarter
// interpolation of the LSPs and the first-order pre-emphasis.
#include <cstdint>

#include "amrnb/kernels.h"
#include "amrnb/lp_internal.h"
#include "amrnb/lp_tables.h"
#include "common/basicop.h"
#include "common/kernels.h"
#include "g729/lp_internal.h"
#include "g729/lp_tables.h"
#include "voksc.h"

namespace voks::amrnb {

bool valid_mode(int mode, bool dtx) {
    switch (mode) {
        case vokRate4750:
        case vokRate5150:
        case vokRate5900:
        case vokRate6700:
        case vokRate7400:
        case vokRate7950:
        case vokRate10200:
        case vokRate12200:
            return true;
        case vokRateDTX:
            return dtx;
        default:
            return false;
    }
}

void autocorr(const int16_t* x, const int16_t* win, int32_t* r) {
    int16_t y[kWindowLen];
    for (int i = 0; i < kWindowLen; ++i) y[i] = mult_r(x[i], win[i]);
    // The reference's saturating sum of 2*y^2 reaches MAX_32 exactly when the exact sum of
    // y^2 exceeds 0x3FFFFFFF; the samples are then divided by 4 until it does not.
    int64_t e;
    for (;;) {
        e = common::kernels().energy(y, kWindowLen);
        if (e <= 0x3FFFFFFF) break;
        for (int i = 0; i < kWindowLen; ++i) y[i] = static_cast<int16_t>(y[i] >> 2);
    }
    const int32_t r0 = static_cast<int32_t>(2 * e + 1);
    const int16_t norm = norm_l(r0);
    r[0] = static_cast<int32_t>(static_cast<uint32_t>(r0) << norm);
    for (int k = 1; k <= kOrder; ++k) {
        // Any partial sum, in any order, is at most e <= 0x3FFFFFFF in magnitude (Cauchy-Schwarz
        // over its terms): no step of the reference's L_mac chain saturates, and 32 bits hold it.
        int32_t s = 0;
        for (int j = 0; j < kWindowLen - k; ++j) s += int32_t{y[j]} * y[j + k];
        r[k] = static_cast<int32_t>(static_cast<uint32_t>(s) << (norm + 1));
    }
    g729::lag_window(r + 1, kOrder);
}

namespace {

// Chebyshev series of the Q10 sum or difference polynomial f[0..5] at x (Q15), in the
// reference's double precision: b_k = 2x b_{k+1} - b_{k+2} + f[k]; result x b1 - b2 + f[5]/2,
// Q14.
int16_t chebyshev_chain(int16_t x, const int16_t* f) {
    int16_t b2_h = 256, b2_l = 0, b1_h, b1_l;
    L_Extract(L_mac(L_mult(x, 512), f[1], 8192), b1_h, b1_l);
    for (int i = 2; i < 5; ++i) {
        int32_t t = L_shl(Mpy_32_16(b1_h, b1_l, x), 1);
        t = L_msu(L_mac(t, b2_h, MIN_16), b2_l, 1);
        t = L_mac(t, f[i], 8192);
        b2_h = b1_h;
        b2_l = b1_l;
        L_Extract(t, b1_h, b1_l);
    }
    int32_t t = L_msu(L_mac(Mpy_32_16(b1_h, b1_l, x), b2_h, MIN_16), b2_l, 1);
    t = L_mac(t, f[5], 4096);
    return extract_h(L_shl(t, 6));
}

}  // namespace

// The same in 32-bit arithmetic: each step's exact result is checked to fit 32 bits, and the
// chain decides when one would not. Two products saturate in the chain without leaving 32 bits
// in the exact sum: -32768 * x for x = -32768 (only then; |hi x| < 2^30 otherwise), and b2_h *
// -32768 for b2_h = -32768.
int16_t chebyshev(int16_t x, const int16_t* f) {
    if (x == MIN_16) return chebyshev_chain(x, f);
    bool over = false;
    auto add = [&over](int32_t a, int32_t b) {
        int32_t r;
        over |= __builtin_add_overflow(a, b, &r);
        return r;
    };
    // t - b2, with b2 = b2_h 2^16 + b2_l 2 (2^16 b2_h fits: b2_h >= -32768).
    auto minus_b2 = [&over](int32_t t, int32_t hi, int32_t lo) {
        int32_t r, q;
        const bool o1 = __builtin_sub_overflow(t, 65536 * hi, &r);
        const bool o2 = __builtin_sub_overflow(r, 2 * lo, &q);
        over |= hi == MIN_16 || o1 || o2;
        return q;
    };
    // b = hi 2^16 + lo 2, as L_Extract splits it.
    auto mpy = [&](int32_t hi, int32_t lo) { return add(2 * hi * x, 2 * ((lo * x) >> 15)); };
    int32_t t = 1024 * int32_t{x} + 16384 * int32_t{f[1]};
    int32_t b2h = 256, b2l = 0, b1h = t >> 16, b1l = (t & 0xFFFF) >> 1;
    for (int i = 2; i < 5; ++i) {
        const int32_t m = mpy(b1h, b1l);
        t = add(minus_b2(add(m, m), b2h, b2l), 16384 * int32_t{f[i]});
        b2h = b1h;
        b2l = b1l;
        b1h = t >> 16;
        b1l = (t & 0xFFFF) >> 1;
    }
    t = add(minus_b2(mpy(b1h, b1l), b2h, b2l), 8192 * int32_t{f[5]});
    if (over) return chebyshev_chain(x, f);
    return extract_h(L_shl(t, 6));
}

void az_lsp(const int16_t* a, const int16_t* prev_lsp, int16_t* lsp) {
    // Sum and difference polynomials in Q10, without their trivial roots.
    int16_t f1[6] = {1024}, f2[6] = {1024};
    for (int i = 0; i < 5; ++i) {
        f1[i + 1] = sub(extract_h(L_mac(L_mult(a[i + 1], 8192), a[kOrder - i], 8192)), f1[i]);
        f2[i + 1] = add(extract_h(L_msu(L_mult(a[i + 1], 8192), a[kOrder - i], 8192)), f2[i]);
    }
    // Sign changes on the 60-interval grid, each refined by 4 bisections and a linear
    // interpolation; the roots alternate between the two polynomials.
    // Both polynomials at every grid point first; the refinements evaluate off the grid.
    int16_t g1[61], g2[61];
    kernels().cheb_grid(f1, g729::kGrid60, 61, g1);
    kernels().cheb_grid(f2, g729::kGrid60, 61, g2);
    const int16_t* coef = f1;
    const int16_t* grid = g1;
    int nf = 0;
    int16_t xlow = g729::kGrid60[0], ylow = g1[0];
    for (int j = 1; nf < kOrder && j <= 60; ++j) {
        int16_t xhigh = xlow, yhigh = ylow;
        xlow = g729::kGrid60[j];
        ylow = grid[j];
        if (L_mult(ylow, yhigh) > 0) continue;
        // The 15 midpoints the four bisections may visit (a tree: node k splits into 2k + 1, the
        // lower half, and 2k + 2), evaluated together, then the path taken.
        int16_t lo[15], hi[15], xm[15], ym[15];
        lo[0] = xlow;
        hi[0] = xhigh;
        for (int k = 0; k < 15; ++k) {
            xm[k] = add(shr(lo[k], 1), shr(hi[k], 1));
            if (k < 7) {
                lo[2 * k + 1] = lo[k], hi[2 * k + 1] = xm[k];
                lo[2 * k + 2] = xm[k], hi[2 * k + 2] = hi[k];
            }
        }
        kernels().cheb_grid(coef, xm, 15, ym);
        for (int i = 0, k = 0; i < 4; ++i) {
            if (L_mult(ylow, ym[k]) <= 0) {
                yhigh = ym[k];
                xhigh = xm[k];
                k = 2 * k + 1;
            } else {
                ylow = ym[k];
                xlow = xm[k];
                k = 2 * k + 2;
            }
        }
        int16_t xint = xlow;
        const int16_t dx = sub(xhigh, xlow), dy = sub(yhigh, ylow);
        if (dy != 0) {
            const int16_t e = norm_s(abs_s(dy));
            const int16_t inv = div_s(16383, shl(abs_s(dy), e));
            int16_t slope = extract_l(L_shr(L_mult(dx, inv), static_cast<int16_t>(20 - e)));
            if (dy < 0) slope = negate(slope);
            xint = sub(xlow, extract_l(L_shr(L_mult(ylow, slope), 11)));
        }
        lsp[nf++] = xint;
        xlow = xint;
        coef = coef == f1 ? f2 : f1;
        grid = grid == g1 ? g2 : g1;
        ylow = chebyshev(xlow, coef);
    }
    if (nf < kOrder)
        for (int i = 0; i < kOrder; ++i) lsp[i] = prev_lsp[i];
}

int lsf_to_lsp(const int16_t* lsf, int16_t* lsp) {
    for (int i = 0; i < kOrder; ++i) {
        int ind = lsf[i] >> 8;
        if (ind < 0) return i;
        if (ind > 63) ind = 63;  // the reference reads past its table here
        const int32_t slope = sub(kCos64[ind + 1], kCos64[ind]);
        lsp[i] = add(kCos64[ind], static_cast<int16_t>((slope * (lsf[i] & 0xFF)) >> 8));
    }
    return kOrder;
}

void interpolate_quarter(const int16_t* a, const int16_t* b, int16_t* dst, int n) {
    for (int i = 0; i < n; ++i) dst[i] = static_cast<int16_t>((a[i] >> 2) + b[i] - (b[i] >> 2));
}

void preemphasize(int16_t gamma, const int16_t* src, int16_t* dst, int n, int16_t* mem) {
    const int16_t last = src[n - 1];
    for (int i = n - 1; i > 0; --i) dst[i] = sat16(int32_t{src[i]} + ((int32_t{src[i - 1]} * gamma) >> 15));
    dst[0] = sat16(int32_t{src[0]} + ((int32_t{*mem} * gamma) >> 15));
    *mem = last;
}

}  // namespace voks::amrnb

// Scalar kernels of the G.729 linear-prediction operations and the kernel table.
#include "g729/kernels.h"

#include <cmath>

#include "common/basicop.h"
#include "g729/lp_tables.h"

namespace voks::g729 {

namespace scalar {

void lag_window(int32_t* r, int len) {
    for (int k = 0; k < len; ++k) {
        const int32_t x = r[k], w = kLagWindow[k];
        const int32_t xh = x >> 16, xl = (x >> 1) & 0x7FFF;
        const int32_t wh = w >> 16, wl = (w >> 1) & 0x7FFF;
        r[k] = (xh * wh + ((xh * wl) >> 15) + ((xl * wh) >> 15)) * 2;
    }
}

namespace {
// Chebps_11 / Chebps_10 of the reference: C(x) = T5(x) + f1 T4(x) + ... + f5 / 2.
int16_t chebps(int16_t x, const int16_t* f, bool q10) {
    int16_t b2_h = q10 ? 128 : 256, b2_l = 0, b1_h = 0, b1_l = 0, b0_h = 0, b0_l = 0;
    int32_t t0 = L_mult(x, static_cast<int16_t>(q10 ? 256 : 512));
    t0 = L_mac(t0, f[1], 4096);
    L_Extract(t0, b1_h, b1_l);
    for (int i = 2; i < 5; ++i) {
        t0 = L_shl(Mpy_32_16(b1_h, b1_l, x), 1);
        t0 = L_mac(t0, b2_h, MIN_16);
        t0 = L_msu(t0, b2_l, 1);
        t0 = L_mac(t0, f[i], 4096);
        L_Extract(t0, b0_h, b0_l);
        b2_l = b1_l;
        b2_h = b1_h;
        b1_l = b0_l;
        b1_h = b0_h;
    }
    t0 = Mpy_32_16(b1_h, b1_l, x);
    t0 = L_mac(t0, b2_h, MIN_16);
    t0 = L_msu(t0, b2_l, 1);
    t0 = L_mac(t0, f[5], 2048);
    return extract_h(L_shl(t0, static_cast<int16_t>(q10 ? 7 : 6)));
}
}  // namespace

namespace {
// The same recursion in 64-bit arithmetic. Every step of the reference is checked: the result is
// exact when no product saturated ((-32768)^2 in L_mult) and no partial sum left 32 bits;
// otherwise false is returned and the reference chain decides.
bool chebps_exact(int16_t x, const int16_t* f, bool q10, int16_t& y) {
    int64_t bad = 0;
    // Nonzero when v lies outside the 32-bit range.
    auto check = [&bad](int64_t v) { bad |= (v + 0x80000000LL) >> 32; };
    // One step: 2 * Mpy_32_16(b1, x) (doubling only when `twice`) - b2 + c, where b1 and b2 are
    // double-precision values (hi << 16) + (lo << 1).
    auto step = [&](int64_t b1, int64_t b2, int64_t c, bool twice) {
        const int64_t h1 = b1 >> 16, l1 = (b1 & 0xFFFF) >> 1;
        const int64_t h2 = b2 >> 16, l2 = (b2 & 0xFFFF) >> 1;
        int64_t t = 2 * h1 * x;  // L_mult: saturates only for (-32768)^2, outside the range
        check(t);
        t += 2 * ((l1 * x) >> 15);
        check(t);
        if (twice) {
            t *= 2;
            check(t);
        }
        bad |= h2 == MIN_16;  // L_mult(b2_h, MIN_16) saturates there
        t -= h2 * 65536;
        check(t);
        t -= 2 * l2;
        check(t);
        t += c;
        check(t);
        return t;
    };
    int64_t b2 = int64_t{q10 ? 128 : 256} << 16;
    int64_t b1 = 2 * int64_t{x} * (q10 ? 256 : 512) + int64_t{f[1]} * 8192;  // below 2^29: exact
    for (int i = 2; i < 5; ++i) {
        const int64_t t = step(b1, b2, int64_t{f[i]} * 8192, true);
        b2 = b1;
        b1 = t;
    }
    const int64_t t = step(b1, b2, int64_t{f[5]} * 4096, false);
    if (bad) return false;
    y = extract_h(L_shl(static_cast<int32_t>(t), static_cast<int16_t>(q10 ? 7 : 6)));
    return true;
}

// The recursion in plain 32-bit arithmetic, for coefficients where no step can saturate. Every
// b is even here (it starts even and each step adds even terms), so b = 65536 hi + 2 lo exactly
// and Mpy_32_16(hi, lo, x) = 2 hi x + 2 floor(lo x / 2^15) = 2 floor(b x / 2^16): one product.
int16_t chebps_free(int16_t x, const int16_t* f, bool q10) {
    auto step = [x](int32_t b1, int32_t b2, int32_t c, bool twice) {
        const int32_t m = static_cast<int32_t>((int64_t{b1} * x) >> 16);  // Mpy_32_16 / 2
        return m * (twice ? 4 : 2) - b2 + c;
    };
    int32_t b2 = (q10 ? 128 : 256) << 16;
    int32_t b1 = 2 * int32_t{x} * (q10 ? 256 : 512) + int32_t{f[1]} * 8192;
    for (int i = 2; i < 5; ++i) {
        const int32_t t = step(b1, b2, int32_t{f[i]} * 8192, true);
        b2 = b1;
        b1 = t;
    }
    const int32_t t = step(b1, b2, int32_t{f[5]} * 4096, false);
    return extract_h(L_shl(t, static_cast<int16_t>(q10 ? 7 : 6)));
}
}  // namespace

bool cheb_unsaturated(const int16_t* f) {
    // Bounds on every partial sum of each step for any |x| <= 1: the doubled product with b1 adds
    // at most 2^17 to |b1| and subtracting b2 at most 2^17 to |b2|; 2^19 covers both with room.
    auto mag = [](int16_t v) { return v < 0 ? -int64_t{v} : int64_t{v}; };
    int64_t b2 = int64_t{1} << 24, b1 = (int64_t{1} << 25) + 8192 * mag(f[1]), top = b1;
    for (int i = 2; i < 5; ++i) {
        const int64_t t = 2 * b1 + b2 + (int64_t{1} << 19) + 8192 * mag(f[i]);
        b2 = b1;
        b1 = t;
        top = t > top ? t : top;
    }
    const int64_t t = b1 + b2 + (int64_t{1} << 19) + 4096 * mag(f[5]);
    top = t > top ? t : top;
    return top < (int64_t{1} << 31);
}

void cheb_grid(const int16_t* f, bool q10, bool plain, const int16_t* x, int n, int16_t* y) {
    if (plain) {
        for (int j = 0; j < n; ++j) y[j] = chebps_free(x[j], f, q10);
        return;
    }
    for (int j = 0; j < n; ++j)
        if (!chebps_exact(x[j], f, q10, y[j])) y[j] = chebps(x[j], f, q10);
}

void cheb_grid_reference(const int16_t* f, bool q10, const int16_t* x, int n, int16_t* y) {
    for (int j = 0; j < n; ++j) y[j] = chebps(x[j], f, q10);
}

void lsf_to_lsp(const int16_t* lsf, int16_t* lsp, int n) {
    for (int i = 0; i < n; ++i) {
        int16_t freq = mult(lsf[i], 20861);
        if (freq < 0) freq = 0;
        int ind = freq >> 8;
        const int16_t offset = static_cast<int16_t>(freq & 0xFF);
        if (ind > 63) ind = 63;
        lsp[i] = add(kCos15[ind], extract_l(L_shr(L_mult(kSlopeCos[ind], offset), 13)));
    }
}

void interp_half(const int16_t* a, const int16_t* b, int16_t* dst, int n) {
    for (int i = 0; i < n; ++i) dst[i] = add(shr(a[i], 1), shr(b[i], 1));
}

void interp_c(const int16_t* a, int16_t ca, const int16_t* b, int16_t cb, int16_t* dst, int n, int sf) {
    const int s = sf > 31 ? 31 : sf;
    for (int i = 0; i < n; ++i)
        dst[i] = sat16(int64_t{(int32_t{a[i]} * ca) >> s} + ((int32_t{b[i]} * cb) >> s));
}

void interp_c_nr(const int16_t* a, int16_t ca, const int16_t* b, int16_t cb, int16_t* dst, int n, int sf) {
    const int s = sf > 31 ? 31 : sf;
    const uint32_t rnd = s > 0 ? uint32_t{1} << (s - 1) : 0;
    for (int i = 0; i < n; ++i) {
        const uint32_t sum =
            static_cast<uint32_t>(int32_t{a[i]} * ca) + static_cast<uint32_t>(int32_t{b[i]} * cb) + rnd;
        dst[i] = sat16(static_cast<int32_t>(sum) >> s);
    }
}

void interp_c_f32(const float* a, const float* b, float* dst, int n, float c1, float c2) {
    for (int i = 0; i < n; ++i) dst[i] = std::fma(c1, a[i], c2 * b[i]);
}

void pre_select_dist(const int16_t* t, int32_t* dist) {
    for (int i = 0; i < 128; ++i) {
        int32_t acc = 0;
        for (int j = 0; j < 10; ++j) {
            const int16_t d = sub(t[j], kLspCb1[i][j]);
            acc = L_mac(acc, d, d);
        }
        dist[i] = acc;
    }
}

void second_stage_dist(const int16_t* t, const int16_t* w, int half, int32_t* dist) {
    const int j0 = half ? 5 : 0;
    for (int k = 0; k < 32; ++k) {
        int32_t acc = 0;
        for (int j = j0; j < j0 + 5; ++j) {
            const int16_t d = sub(t[j], kLspCb2[k][j]);
            acc = L_mac(acc, mult(w[j], d), d);
        }
        dist[k] = acc;
    }
}

// The reference's scan: a strict comparison against a running minimum that starts at MAX_32.
int arg_min(const int32_t* d, int n) {
    int best = 0;
    int32_t dmin = MAX_32;
    for (int i = 0; i < n; ++i)
        if (d[i] < dmin) {
            dmin = d[i];
            best = i;
        }
    return best;
}

}  // namespace scalar

}  // namespace voks::g729

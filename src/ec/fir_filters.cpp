// Full-band FIR and NLMS filters and the sub-band filters and coefficient updates.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "ec/fir_internal.h"
#include "ec/kernels.h"

namespace voks::ec {
namespace {

using i128 = __int128;

constexpr int64_t kMax64 = INT64_MAX, kMin64 = INT64_MIN;

int16_t sat16(int64_t v) {
    return static_cast<int16_t>(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
}
int32_t sat32(i128 v) {
    return static_cast<int32_t>(v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : v);
}
int64_t sat64(i128 v) {
    return static_cast<int64_t>(v > kMax64 ? kMax64 : v < kMin64 ? kMin64 : v);
}

// Wrapping 64-bit arithmetic of the Low forms.
int64_t wmul(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) * static_cast<uint64_t>(b));
}
int64_t wadd(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}
int64_t wsub(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}

// Conjugate imaginary part with -(-2^31) taken as 2^31 - 1.
int64_t neg_sat(int32_t v) {
    return v == INT32_MIN ? INT32_MAX : -static_cast<int64_t>(v);
}

// floor((t + r) / 2^q) with r = 2^(q-1) for q >= 2, 0 for q = 0 or 1 (exact). Past 100 bits
// every 64-bit t gives 0.
i128 round_shift(i128 t, int q) {
    if (q > 100) return 0;
    if (q >= 2) t += static_cast<i128>(1) << (q - 1);
    return t >> q;
}

// t * 2^-q for q < 0: the shifted value, or +2^32 - 2 / -2^32 where it leaves the 64-bit range.
int64_t shift_left_clamped(int64_t t, int q) {
    const int sh = -q;
    if (t == 0) return 0;
    if (sh >= 63) return t > 0 ? (int64_t{1} << 32) - 2 : -(int64_t{1} << 32);
    const i128 v = static_cast<i128>(t) * (static_cast<i128>(1) << sh);
    if (v > kMax64) return (int64_t{1} << 32) - 2;
    if (v < kMin64) return -(int64_t{1} << 32);
    return static_cast<int64_t>(v);
}

}  // namespace

void fir_16s(const int16_t* x, const int16_t* d, int16_t* e, int n, const int16_t* h, int L) {
    for (int j = 0; j < n; ++j) {
        int32_t acc = 0;
        for (int k = 0; k < L; ++k)
            acc = sat32(static_cast<int64_t>(acc) + ((x[j - k] * h[k] + 16384) >> 15));
        e[j] = sat16(static_cast<int64_t>(d[j]) - acc);
    }
}

void nlms_32f(const float* x, const float* d, const float* mu, float* e, int n, float* h, int L, float* err) {
    const auto update = kernels().nlms_update_32f;
    float eps = *err;
    for (int j = 0; j < n; ++j) {
        update(eps, x + j - 1, h, L);
        float y = 0.0f;
        for (int k = 0; k < L; ++k) y += h[k] * x[j - k];
        e[j] = d[j] - y;
        eps = e[j] * mu[j];
    }
    *err = eps;
}

void nlms_16s(const int16_t* x, const int16_t* d, const int32_t* mu, int16_t* e, int n, int16_t* h, int L,
              int16_t* err) {
    const auto update = kernels().nlms_update_16s;
    int64_t eps = *err;
    for (int j = 0; j < n; ++j) {
        // eps stays within 32 bits (a 16-bit start, then limited to 32 bits).
        update(static_cast<int32_t>(eps), x + j - 1, h, L);
        int32_t acc = 0;
        for (int k = 0; k < L; ++k)
            acc = sat32(static_cast<int64_t>(acc) + ((h[k] * x[j - k] + 16384) >> 15));
        e[j] = sat16(static_cast<int64_t>(d[j]) - acc);
        // The product needs up to 48 bits; it is limited to 32 bits instead of wrapping.
        eps = sat32((static_cast<int64_t>(e[j]) * mu[j] + 1024) >> 11);
    }
    *err = sat16(eps);
}

void sb_fir_32sc(const Vok32sc* const* X, const Vok32sc* const* W, Vok32sc* Y, int T, int K, int s) {
    for (int i = 0; i < K; ++i) {
        int64_t ar = 0, ai = 0;
        for (int k = 0; k < T; ++k) {
            const int64_t xr = X[k][i].re, xi = X[k][i].im, wr = W[k][i].re, wi = W[k][i].im;
            ar = sat64(static_cast<i128>(ar) + (xr * wr - xi * wi));
            ai = sat64(static_cast<i128>(ai) + sat64(static_cast<i128>(xr * wi) + xi * wr));
        }
        const auto scale = [s](int64_t a) -> int32_t {
            if (s >= 0) return sat32(a / (int64_t{1} << s));  // truncation toward zero
            return sat32(sat64(static_cast<i128>(a) * (static_cast<i128>(1) << -s)));
        };
        Y[i] = {scale(ar), scale(ai)};
    }
}

void sb_fir_low_32sc(const Vok32sc* const* X, const Vok32sc* const* W, int T, Vok32sc* Y, int b, int K,
                     int s) {
    for (int i = b; i < K; ++i) {
        int64_t ar = 0, ai = 0;
        for (int k = 0; k < T; ++k) {
            const int64_t xr = X[k][i].re, xi = X[k][i].im, wr = W[k][i].re, wi = W[k][i].im;
            ar = wadd(ar, wsub(wmul(xr, wr), wmul(xi, wi)));
            ai = wadd(ai, wadd(wmul(xr, wi), wmul(xi, wr)));
        }
        Y[i] = {static_cast<int32_t>(ar >> s), static_cast<int32_t>(ai >> s)};
    }
}

void sb_update_32sc(const VokEcStep32s* mu, const Vok32sc* const* X, const Vok32sc* E, Vok32sc* const* W,
                    int T, int K, int s) {
    for (int i = 0; i < K; ++i) {
        const int64_t m = mu[i].mant;
        const auto er = static_cast<int32_t>((E[i].re * m + (int64_t{1} << 30)) >> 31);
        const auto ei = static_cast<int32_t>((E[i].im * m + (int64_t{1} << 30)) >> 31);
        const int q =
            static_cast<int>(std::max<int64_t>(-1000, std::min<int64_t>(1000, int64_t{mu[i].exp} - s - 31)));
        for (int k = 0; k < T; ++k) {
            const int64_t xr = X[k][i].re, ci = neg_sat(X[k][i].im);
            const int64_t tr = er * xr - ei * ci, ti = ei * xr + er * ci;
            i128 ur, ui;
            if (q >= 0) {
                ur = round_shift(tr, q);
                ui = round_shift(ti, q);
            } else {
                ur = shift_left_clamped(tr, q);
                ui = shift_left_clamped(ti, q);
            }
            W[k][i].re = sat32(W[k][i].re + ur);
            W[k][i].im = sat32(W[k][i].im + ui);
        }
    }
}

void sb_update_low_32sc(const Vok32sc* const* X, const Vok32sc* E, Vok32sc* const* W, int T, Vok32sc* eps,
                        const VokEcStep32s* mu, int b, int K, int s) {
    for (int i = b; i < K; ++i) {
        const int64_t m = mu[i].mant;
        const auto er = static_cast<int32_t>(wadd(wmul(E[i].re, m), int64_t{1} << 30) >> 31);
        const auto ei = static_cast<int32_t>(wadd(wmul(E[i].im, m), int64_t{1} << 30) >> 31);
        eps[i] = {er, ei};
        const int q =
            static_cast<int>(std::max<int64_t>(-1000, std::min<int64_t>(1000, int64_t{mu[i].exp} - s - 31)));
        for (int k = 0; k < T; ++k) {
            const int64_t xr = X[k][i].re;
            const int64_t ci = static_cast<int32_t>(0u - static_cast<uint32_t>(X[k][i].im));
            const int64_t tr = wsub(wmul(er, xr), wmul(ei, ci)), ti = wadd(wmul(ei, xr), wmul(er, ci));
            if (q < 0) {
                W[k][i].re = sat32(static_cast<i128>(W[k][i].re) + shift_left_clamped(tr, q));
                W[k][i].im = sat32(static_cast<i128>(W[k][i].im) + shift_left_clamped(ti, q));
            } else {
                const auto wrap = [](int32_t w, i128 t) {
                    return static_cast<int32_t>(static_cast<uint32_t>(w) +
                                                static_cast<uint32_t>(static_cast<uint64_t>(t)));
                };
                W[k][i].re = wrap(W[k][i].re, round_shift(tr, q));
                W[k][i].im = wrap(W[k][i].im, round_shift(ti, q));
            }
        }
    }
}

void sb_update_ap_32fc(const double* const* mu, const Vok32fc* const* X, const Vok32fc* const* E,
                       Vok32fc* const* W, int T, int K, int P) {
    for (int k = 0; k < T; ++k) {
        for (int i = 0; i < K; ++i) {
            double ar = 0.0, ai = 0.0;
            for (int j = 0; j < P; ++j) {
                const double er = E[j][i].re, ei = E[j][i].im;
                const double xr = X[k + j][i].re, xi = X[k + j][i].im;
                ar = std::fma(mu[j][i], std::fma(er, xr, ei * xi), ar);
                ai = std::fma(mu[j][i], std::fma(ei, xr, -(er * xi)), ai);
            }
            W[k][i].re += static_cast<float>(ar);
            W[k][i].im += static_cast<float>(ai);
        }
    }
}

}  // namespace voks::ec

// G.728 backward adaptation: normalisation helpers, hybrid windowing with its recursive
// autocorrelation part, and the block-floating-point Levinson-Durbin recursion.
#include <algorithm>
#include <cstdlib>

#include "common/basicop.h"
#include "g728/g728_internal.h"
#include "g728/kernels.h"

namespace voks::g728 {

namespace {

// Arithmetic right shift for counts that may exceed the width.
int64_t shr(int64_t x, int n) {
    return x >> std::min(n, 63);
}

// a * 2^nls saturated to 32 bits. The multiplier is formed as a 32-bit int, as the fixed-point
// coder does (2^31 for nls == 31).
int64_t scale_sat32(int64_t a, int nls) {
    const int64_t f = nls == 31 ? int64_t{1} << 31 : int64_t{int32_t(uint32_t{1} << (nls & 31))};
    int64_t p;
    if (__builtin_mul_overflow(a, f, &p)) return (a < 0) != (f < 0) ? MIN_32 : MAX_32;
    return std::clamp<int64_t>(p, MIN_32, MAX_32);
}

}  // namespace

int normalize(int64_t& l, int bits) {
    const int64_t v = l;
    if (v == 0) return bits - 1;
    // Normalised: 2^(bits-2) <= v < 2^(bits-1), or -2^(bits-1) <= v < -2^(bits-2). Right
    // shifts floor, so a negative v moves as its complement ~v does; left shifts double v until
    // it leaves the range above the normalised one.
    const int top = bits - 2;
    int nls;
    if (v > 0) {
        nls = top - (63 - __builtin_clzll(static_cast<uint64_t>(v)));
    } else if (~v >> (top + 1) != 0) {
        nls = top - (63 - __builtin_clzll(static_cast<uint64_t>(~v)));
    } else {
        const uint64_t w = static_cast<uint64_t>(-v);
        const int p = 63 - __builtin_clzll(w);
        nls = top - p + ((w & (w - 1)) == 0);
    }
    l = nls < 0 ? v >> -nls : static_cast<int64_t>(static_cast<uint64_t>(v) << nls);
    return nls;
}

int vnorm_shift(const int16_t* x, int bits, int n) {
    int32_t plus = 0, minus = 0;
    for (int i = 0; i < n; ++i) {
        minus = std::min<int32_t>(minus, x[i]);
        plus = std::max<int32_t>(plus, x[i]);
    }
    int64_t l = minus < -plus ? minus : plus;
    return normalize(l, bits);
}

int vnormalize(int16_t* x, int bits, int n) {
    const int nls = vnorm_shift(x, bits, n);
    for (int i = 0; i < n; ++i)
        x[i] = static_cast<int16_t>(nls < 0 ? x[i] >> -nls : int32_t{x[i]} * (1 << nls));
    return nls;
}

void divide(int32_t num, int numq, int32_t den, int denq, int32_t& quo, int& quoq) {
    int qq = numq - denq + 14;
    const bool neg = int64_t{num} * den < 0;
    int64_t n = std::llabs(num), d = std::llabs(den);
    if (n < d) {
        ++qq;
        n <<= 1;
    }
    int32_t q = 0;
    if (d > 0 && n <= 2 * d) {
        // The 15 steps below, in one division: they form floor((n 2^14 - 1) / d) (a step
        // subtracts only when the remainder exceeds d), then round up when twice the remainder
        // exceeds d.
        const int64_t num14 = n << 14;
        const int64_t q15 = num14 > 0 ? (num14 - 1) / d : 0;
        q = static_cast<int32_t>(q15 + (2 * (num14 - q15 * d) > d));
    } else {
        for (int i = 0; i < 15; ++i) {
            q <<= 1;
            if (n > d) {
                ++q;
                n -= d;
            }
            n <<= 1;
        }
        if (n > d) ++q;
    }
    quo = neg ? -q : q;
    quoq = qq;
}

bool autocorrelate(const WindowShape& w, const int16_t* ws, int nlsws, int16_t* rexp, int& nlsrexp,
                   int16_t* r) {
    const int nlsa0 = nlsws * 2;
    const int64_t fac = 65536 - (1 << (16 - w.iatt));
    int ir0 = 1, ir1 = 1;
    if (nlsrexp > nlsa0) {
        ir1 += nlsrexp - nlsa0;
        nlsrexp = nlsa0;
    } else if (nlsrexp < nlsa0) {
        ir0 += nlsa0 - nlsrexp;
    }
    const int16_t* rec = ws + w.nonr;  // samples leaving the non-recursive part
    int64_t tre[kMaxLags], tnr[kMaxLags];
    kernels().xcorr(rec, rec, w.nfrsz, w.m + 1, tre);
    kernels().xcorr(ws, ws, w.nonr, w.m + 1, tnr);
    int64_t a0 = shr(rexp[0] * fac, ir1) + shr(tre[0], ir0);
    int nls = normalize(a0, 32);
    int64_t a1 = round16(a0);
    rexp[0] = static_cast<int16_t>(a1);
    const int nlsre = nls;
    nlsrexp += nls - 1;

    int ir2 = 1, ir3 = 1;
    if (nlsrexp > nlsa0)
        ir3 += nlsrexp - nlsa0;
    else if (nlsrexp < nlsa0)
        ir2 += nlsa0 - nlsrexp;
    a0 = shr(a1 * 65536, ir3) + shr(tnr[0], ir2);
    a0 += a0 >> 8;  // white-noise correction, 257/256
    const int nlsrr = normalize(a0, 32);
    r[0] = static_cast<int16_t>(round16(a0));

    for (int i = 1; i <= w.m; ++i) {
        a0 = shr(rexp[i] * fac, ir1) + shr(tre[i], ir0);
        a0 = scale_sat32(a0, nlsre);
        a1 = round16(a0);
        rexp[i] = static_cast<int16_t>(a1);
        a0 = shr(a1 * 65536, ir3) + shr(tnr[i], ir2);
        a0 = scale_sat32(a0, nlsrr);
        r[i] = static_cast<int16_t>(round16(a0));
    }
    if (w.maxexp > 0 && nlsrexp > w.maxexp) nlsrexp = w.maxexp;
    return a0 != 0;
}

int window_plain(const int16_t* sb, const int16_t* win, int n, int16_t* ws) {
    const int nls = vnorm_shift(sb, 15, n);
    for (int i = 0; i < n; ++i) {
        int64_t l = int32_t{sb[i]} * win[i];
        l = nls >= 0 ? l * (int64_t{1} << nls) : l >> -nls;
        ws[i] = static_cast<int16_t>(round16(l));
    }
    return nls;
}

int window_blocks(const int16_t* d, const int16_t* q, int nblocks, int dim, const int16_t* win, int16_t* ws) {
    const int nlsws = *std::min_element(q, q + nblocks);
    for (int b = 0, k = 0; b < nblocks; ++b) {
        // Shift right by q[b] - nlsws - 1 (left by one at -1); past 30 the product leaves only
        // its sign, which rounds to zero as the shift past 31 does.
        const int sh = std::min(q[b] - nlsws, 63);
        for (int j = 0; j < dim; ++j, ++k)
            ws[k] = static_cast<int16_t>(round16((int64_t{int32_t{d[k]} * win[k]} * 2) >> sh));
    }
    return nlsws;
}

}  // namespace voks::g728

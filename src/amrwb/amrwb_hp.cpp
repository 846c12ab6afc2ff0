// AMR-WB recursive high-pass filters (orders 2 and 3, double-precision output memory) and the
// symmetric three-tap filter of the code enhancement.
#include "amrwb/amrwb_internal.h"
#include "amrwb/kernels.h"
#include "common/basicop.h"

#include <algorithm>
#include <cstdlib>

namespace voks::amrwb {

namespace {

int64_t abs64(int64_t v) {
    return v < 0 ? -v : v;
}

// L_shl(x, s).
int32_t shl_sat(int32_t x, int16_t s) {
    if (s <= 0 || s >= 32) return L_shl(x, s);
    const int32_t lim = MAX_32 >> s;
    return x > lim ? MAX_32 : x < ~lim ? MIN_32 : static_cast<int32_t>(static_cast<uint32_t>(x) << s);
}

// The bound on |v|, the low chain's result shifted right by 15, when every partial sum of that
// chain (16384 plus 2 a[k] yl[k], k = 1..3) provably stays within 32 bits; -1 otherwise. The low
// parts of the memory lie in [0, 32767], so the sums' ranges follow from the signs of a.
int64_t low_chain_bound(const int16_t* a) {
    int64_t lo = 16384, hi = 16384;
    for (int k = 1; k < 4; ++k) {
        lo += 2 * 32767 * int64_t{a[k] < 0 ? a[k] : 0};
        hi += 2 * 32767 * int64_t{a[k] > 0 ? a[k] : 0};
        if (lo < MIN_32 || hi > MAX_32) return -1;
    }
    return ((-lo > hi ? -lo : hi) >> 15) + 1;
}

// The block path's recursion over len samples of xe[3 ..] (xe[0 .. 2] the three inputs before):
// v = (16384 + 2^16 sum b[k] x[i - k] + 2 sum a[k] w[k]) >> 15, the memory w1 = the 32-bit wrap
// of v << (lift - 32), shifted right by one, out[i] = the 16-bit clamp of (v oscale + 2^15) >> 16;
// the extremes of v in *vmax, *vmin. Without Three, a[3] = b[3] = 0.
template <bool Three>
[[gnu::noinline]] void hp_recursion(const int16_t* b, const int16_t* a, const int16_t* xe, int len, int lift,
                                    int64_t oscale, int64_t* w, int16_t* out, int64_t* vmax, int64_t* vmin) {
    int64_t w1 = w[0], w2 = w[1], w3 = w[2];  // in registers: out may not alias them
    const int64_t a1 = 2 * a[1], a2 = 2 * a[2], a3 = 2 * a[3];
    const int64_t b0 = b[0], b1 = b[1], b2 = b[2], b3 = b[3];
    int64_t p1 = xe[2], p2 = xe[1], p3 = xe[0], hi = 0, lo = 0;
    for (int i = 0; i < len; ++i) {
        const int64_t p0 = xe[3 + i];
        int64_t f = b0 * p0 + b1 * p1 + b2 * p2, r = a2 * w2;
        if (Three) {
            f += b3 * p3;
            r += a3 * w3;
        }
        p3 = p2;
        p2 = p1;
        p1 = p0;
        // Only the a[1] term waits on the sample before.
        const int64_t v = (16384 + 65536 * f + r + a1 * w1) >> 15;
        w3 = w2;
        w2 = w1;
        w1 = static_cast<int64_t>(static_cast<uint64_t>(v) << lift) >> 33;
        hi = std::max(hi, v);
        lo = std::min(lo, v);
        // v beyond 2^33 clamps the output anyway; limiting it keeps the product within 64 bits.
        const int64_t vc = std::clamp<int64_t>(v, -(int64_t{1} << 33), int64_t{1} << 33);
        out[i] = static_cast<int16_t>(std::clamp<int64_t>((vc * oscale + 0x8000) >> 16, MIN_16, MAX_16));
    }
    w[0] = w1;
    w[1] = w2;
    w[2] = w3;
    *vmax = hi;
    *vmin = lo;
}

}  // namespace

void hp_filter(HpState& st, const int16_t* x, int16_t* y, int n, int sf) {
    int16_t* m = st.mem;  // y3 hi/lo, y2 hi/lo, y1 hi/lo, x[-1], x[-2], x[-3]
    const auto mem_shift = static_cast<int16_t>(16 - sf), out_shift = static_cast<int16_t>(15 - sf);
    const int16_t* a = st.a;
    const int16_t* b = st.b;
    // With no coefficient at -32768 every L_mult is exact; a sample whose terms' magnitudes
    // cannot reach 2^31 in either chain takes the exact sums (in any order), the others the
    // saturating steps.
    bool plain = true;
    for (int k = 0; k < 4; ++k) plain = plain && a[k] != MIN_16 && b[k] != MIN_16;
    int16_t y1h = m[4], y1l = m[5], y2h = m[2], y2l = m[3], y3h = m[0], y3l = m[1];
    int16_t x1 = m[6], x2 = m[7], x3 = m[8];
    constexpr int kChunk = 64;
    const int64_t vmax = plain && mem_shift >= 1 && mem_shift <= 15 ? low_chain_bound(a) : -1;
    const int64_t asum = abs64(a[1]) + abs64(a[2]) + abs64(a[3]);
    const int64_t bsum = abs64(b[0]) + abs64(b[1]) + abs64(b[2]) + abs64(b[3]);
    for (int c0 = 0; c0 < n; c0 += kChunk) {
        const int len = n - c0 < kChunk ? n - c0 : kChunk;
        if (vmax >= 0 && y1l >= 0 && y2l >= 0 && y3l >= 0) {  // low parts set by a caller may be negative
            // The block in plain arithmetic; the high chain's partial sums are at most
            // |v| + 2 sum |a| max |yh| + 2 sum |b| max |x|. When that bound, checked after the
            // block on the values it produced, stays within 32 bits, and no memory shift
            // saturates, the saturating chain gives the same results (by induction over the
            // samples) and the block is taken as it is. With the memory as w = yh 2^15 + yl (the
            // 32-bit memory value shifted right by one), both chains fold into one:
            // v + 2 sum a yh = (16384 + 2 sum a w) >> 15.
            int64_t w1 = y1h * 32768 + y1l, w2 = y2h * 32768 + y2l, w3 = y3h * 32768 + y3l;
            const int64_t w0max = std::max({w1, w2, w3}), w0min = std::min({w1, w2, w3});
            int16_t xe[kChunk + 3];
            xe[0] = x3;
            xe[1] = x2;
            xe[2] = x1;
            for (int i = 0; i < len; ++i) xe[3 + i] = x[c0 + i];
            int32_t xmax = 0;
            for (int i = 0; i < len + 3; ++i) xmax = std::max(xmax, std::abs(int32_t{xe[i]}));
            // The rounding constant and the FIR part enter the sum scaled by 2^15:
            // ((16384 + 2 sum a w) >> 15) + fir = (16384 + 2^15 fir + 2 sum a w) >> 15. The memory
            // is (acc << mem_shift) >> 1, wrapped to 32 bits as the checks below assume (which
            // also keeps every product within 64 bits).
            int64_t w[3] = {w1, w2, w3}, amax, amin;
            int16_t out[kChunk];
            // round_fx(shl_sat(v 2^mem_shift, out_shift)) = the clamp of (v 2^(2 out_shift + 1) +
            // 2^15) >> 16 (a saturated shift rounds to the same end).
            const int64_t oscale = int64_t{1} << (2 * out_shift + 1);
            if (a[3] == 0 && b[3] == 0)
                hp_recursion<false>(b, a, xe, len, 32 + mem_shift, oscale, w, out, &amax, &amin);
            else
                hp_recursion<true>(b, a, xe, len, 32 + mem_shift, oscale, w, out, &amax, &amin);
            w1 = w[0];
            w2 = w[1];
            w3 = w[2];
            // With every v within the memory's range, each w is v 2^(mem_shift - 1) exactly.
            const int64_t lim = int64_t{MAX_32} >> mem_shift, wscale = int64_t{1} << (mem_shift - 1);
            const int64_t wmax = std::max(w0max, amax * wscale), wmin = std::min(w0min, amin * wscale);
            const int64_t hmax = std::max(wmax >> 15, -(wmin >> 15));
            if (amax <= lim && amin >= -lim - 1 && vmax + 2 * asum * hmax + 2 * bsum * xmax <= MAX_32) {
                for (int i = 0; i < len; ++i) y[c0 + i] = out[i];
                x1 = xe[len + 2];  // x may be y: the inputs were copied above
                x2 = xe[len + 1];
                x3 = xe[len];
                y1h = static_cast<int16_t>(w1 >> 15);
                y1l = static_cast<int16_t>(w1 & 0x7FFF);
                y2h = static_cast<int16_t>(w2 >> 15);
                y2l = static_cast<int16_t>(w2 & 0x7FFF);
                y3h = static_cast<int16_t>(w3 >> 15);
                y3l = static_cast<int16_t>(w3 & 0x7FFF);
                continue;
            }
        }
        for (int i = 0; i < len; ++i) {
            const int16_t x0 = x[c0 + i];  // x may be y: read before the write below
            int32_t acc;
            const int64_t l1 = int64_t{a[1]} * y1l, l2 = int64_t{a[2]} * y2l, l3 = int64_t{a[3]} * y3l;
            const int64_t h1 = int64_t{a[1]} * y1h, h2 = int64_t{a[2]} * y2h, h3 = int64_t{a[3]} * y3h;
            const int64_t f0 = int64_t{b[0]} * x0, f1 = int64_t{b[1]} * x1, f2 = int64_t{b[2]} * x2,
                          f3 = int64_t{b[3]} * x3;
            const int64_t low = 16384 + 2 * (l1 + l2 + l3), v = low >> 15;
            if (plain && 16384 + 2 * (abs64(l1) + abs64(l2) + abs64(l3)) <= MAX_32 &&
                abs64(v) + 2 * (abs64(h1) + abs64(h2) + abs64(h3) + abs64(f0) + abs64(f1) + abs64(f2) +
                                abs64(f3)) <=
                    MAX_32) {
                acc = static_cast<int32_t>(v + 2 * (h1 + h2 + h3 + f0 + f1 + f2 + f3));
            } else {
                acc = L_mac(L_mac(L_mac(16384, y1l, a[1]), y2l, a[2]), y3l, a[3]);
                acc = L_shr(acc, 15);
                acc = L_mac(L_mac(L_mac(acc, y1h, a[1]), y2h, a[2]), y3h, a[3]);
                acc = L_mac(L_mac(L_mac(L_mac(acc, x0, b[0]), x1, b[1]), x2, b[2]), x3, b[3]);
            }
            acc = shl_sat(acc, mem_shift);
            y3h = y2h;
            y3l = y2l;
            y2h = y1h;
            y2l = y1l;
            y1h = static_cast<int16_t>(acc >> 16);  // L_Extract: the low part can never saturate
            y1l = static_cast<int16_t>((acc & 0xFFFF) >> 1);
            x3 = x2;
            x2 = x1;
            x1 = x0;
            y[c0 + i] = round_fx(L_shl(acc, out_shift));
        }
    }
    const int16_t out[9] = {y3h, y3l, y2h, y2l, y1h, y1l, x1, x2, x3};
    for (int k = 0; k < 9; ++k) m[k] = out[k];
}

void hp_rescale(int16_t* m, int shift) {
    const auto s = static_cast<int16_t>(shift);
    for (int k = 0; k < 6; k += 2) {
        const int32_t v = L_shl(L_Comp(m[k], m[k + 1]), s);
        L_Extract(v, m[k], m[k + 1]);
    }
    for (int k = 6; k < 9; ++k) m[k] = round_fx(L_shl(L_deposit_h(m[k]), s));
}

void three_tap(const int16_t* c, const int16_t* x, int16_t* y, int n, bool edge) {
    kernels().three_tap(c, x, y, n, edge);
}

}  // namespace voks::amrwb

// G.723.1 filters: high-pass, synthesis, pole-zero weighting forms and the post-filters.
#include <algorithm>
#include <cstring>

#include "common/basicop.h"
#include "common/kernels.h"
#include "g723/g723_internal.h"
#include "g723/g723_tables.h"

namespace voks::g723 {

void high_pass(const int16_t* x, int16_t* y, int32_t* mem) {
    int16_t zx = static_cast<int16_t>(mem[0]);
    int32_t acc_prev = mem[1];
    for (int i = 0; i < kFrame; ++i) {
        const int16_t v = x[i];
        int32_t a = L_mac(L_mult(v, 0x4000), zx, static_cast<int16_t>(0xC000));
        zx = v;
        acc_prev = L_add(a, L_mls(acc_prev, 0x7F00));
        y[i] = round_fx(acc_prev);
    }
    mem[0] = zx;
    mem[1] = acc_prev;
}

namespace {

int64_t abs_sum(const int16_t* c) {
    int64_t s = 0;
    for (int j = 0; j < kOrder; ++j) s += c[j] < 0 ? -int32_t{c[j]} : c[j];
    return s;
}

int32_t abs_max(const int16_t* v, int n) {
    int32_t m = 0;
    for (int i = 0; i < n; ++i) m = std::max(m, v[i] < 0 ? -int32_t{v[i]} : int32_t{v[i]});
    return m;
}

}  // namespace

// The filters below keep their memories as time-ordered histories (oldest first) and sum their
// chains exactly while the magnitudes allow no saturating step: |input term| + 2 sum |c| max
// |memory| within 32 bits, the memory bound raised by every output.
namespace {

// history[0..10) = memory, oldest first.
void unpack(const int16_t* mem, int16_t* history) {
    for (int j = 0; j < kOrder; ++j) history[j] = mem[kOrder - 1 - j];
}
void repack(const int16_t* history_end, int16_t* mem) {
    for (int j = 0; j < kOrder; ++j) mem[j] = history_end[-1 - j];
}
// The last ten outputs of a recursion, newest first, held in registers (no reload of a sample
// just stored); dot2 gives 2 sum c[j] v[j] for sums the caller has bounded below 2^31, the
// newest product added last so that only one product and one addition wait for it.
struct History {
    int32_t v[kOrder];
    explicit History(const int16_t* h) {
        for (int j = 0; j < kOrder; ++j) v[j] = h[-1 - j];
    }
    int32_t dot2(const int32_t* c) const {
        int32_t s = 0;
        for (int j = kOrder - 1; j > 0; --j) s += c[j] * v[j];
        return 2 * (s + c[0] * v[0]);
    }
    void push(int32_t y) {
        for (int j = kOrder - 1; j > 0; --j) v[j] = v[j - 1];
        v[0] = y;
    }
};

inline void widen(const int16_t* c, int32_t* w) {
    for (int j = 0; j < kOrder; ++j) w[j] = c[j];
}

// z[i] = 2 sum c[j] u[i - 1 - j] for i < 60 (u with its 10 samples of history), column by
// column; for sums the caller has bounded below 2^31.
inline void zero_part(const int16_t* c, const int16_t* u, int32_t* z) {
    int32_t t[kSub] = {};
    for (int j = 0; j < kOrder; ++j) {
        const int32_t cj = c[j];
        const int16_t* src = u - 1 - j;
        for (int i = 0; i < kSub; ++i) t[i] += cj * src[i];
    }
    for (int i = 0; i < kSub; ++i) z[i] = 2 * t[i];
}

// Largest m with 2 s m <= r (s >= 0): the memory bound up to which the exact sums hold; -1
// when none does.
inline int64_t memory_limit(int64_t r, int64_t s) {
    if (r < 0) return -1;
    return s == 0 ? INT64_MAX : r / (2 * s);
}

}  // namespace

void synthesis32(const int16_t* lpc, const int16_t* x, int32_t* acc, int16_t* mem, int16_t* out) {
    const int64_t s = abs_sum(lpc);
    int64_t m = abs_max(mem, kOrder);
    int16_t y[kOrder + kSub];
    unpack(mem, y);
    int16_t* h = y + kOrder;
    const int64_t lim = memory_limit(MAX_32 - (int64_t{1} << 28), s);
    History r(h);
    int32_t c[kOrder];
    widen(lpc, c);
    if (lim >= 32768) {
        // No output can leave the limit: no check per sample.
        for (int i = 0; i < kSub; ++i) {
            const int32_t a = (L_deposit_h(x[i]) >> 3) + r.dot2(c);
            acc[i] = a;
            h[i] = round_fx(L_shl(a, 2));
            r.push(h[i]);
        }
        repack(h + kSub, mem);
        if (out != nullptr) std::memcpy(out, h, sizeof(int16_t) * kSub);
        return;
    }
    for (int i = 0; i < kSub; ++i) {
        int32_t a = L_deposit_h(x[i]) >> 3;
        if (m <= lim)
            a += r.dot2(c);
        else
            for (int j = 0; j < kOrder; ++j) a = L_mac(a, lpc[j], h[i - 1 - j]);
        acc[i] = a;
        h[i] = round_fx(L_shl(a, 2));
        r.push(h[i]);
        m = std::max<int64_t>(m, abs_s(h[i]));
    }
    repack(h + kSub, mem);
    if (out != nullptr) std::memcpy(out, h, sizeof(int16_t) * kSub);
}

void synthesis(const int16_t* lpc, const int16_t* x, int16_t* mem, int16_t* y) {
    int32_t acc[kSub];
    synthesis32(lpc, x, acc, mem, y);  // the outputs are the filter's own rounded history
}

void pole_zero32(const int16_t* coef, const int16_t* x, int32_t* acc, int16_t* mem) {
    const int64_t sz = abs_sum(coef), sp = abs_sum(coef + kOrder);
    const int64_t mz = std::max(abs_max(mem, kOrder), abs_max(x, kSub));
    int64_t mp = abs_max(mem + kOrder, kOrder);
    int16_t u[kOrder + kSub], y[kOrder + kSub];
    unpack(mem, u);
    unpack(mem + kOrder, y);
    std::memcpy(u + kOrder, x, sizeof(int16_t) * kSub);
    const int16_t* hu = u + kOrder;
    int16_t* hy = y + kOrder;
    const int64_t lim = memory_limit(MAX_32 - (int64_t{1} << 29) - 2 * sz * mz, sp);
    // The zero part needs no output: all of it up front, |z| <= sz mz wherever it is used.
    int32_t z[kSub] = {};
    if (lim >= 0) zero_part(coef, hu, z);
    History r(hy);
    int32_t c[kOrder];
    widen(coef + kOrder, c);
    for (int i = 0; i < kSub; ++i) {
        int32_t a = L_deposit_h(x[i]) >> 2;
        if (lim >= 32768 || mp <= lim) {
            a = a - z[i] + r.dot2(c);
        } else {
            for (int j = 0; j < kOrder; ++j) a = L_msu(a, coef[j], hu[i - 1 - j]);
            for (int j = 0; j < kOrder; ++j) a = L_mac(a, coef[kOrder + j], hy[i - 1 - j]);
        }
        a = L_shl(a, 2);
        acc[i] = a;
        hy[i] = round_fx(a);
        r.push(hy[i]);
        mp = std::max<int64_t>(mp, abs_s(hy[i]));
    }
    repack(hu + kSub, mem);
    repack(hy + kSub, mem + kOrder);
}

void pole_zero_from32(const int16_t* coef, const int32_t* x, int16_t* y, int16_t* mem, int sf) {
    const int64_t sz = abs_sum(coef), sp = abs_sum(coef + kOrder);
    int16_t u[kOrder + kSub], w[kOrder + kSub];
    unpack(mem, u);
    unpack(mem + kOrder, w);
    int16_t* hu = u + kOrder;
    int16_t* hw = w + kOrder;
    for (int i = 0; i < kSub; ++i) hu[i] = round_fx(L_shl(x[i], 2));
    const int64_t mz = std::max(abs_max(mem, kOrder), abs_max(hu, kSub));
    int64_t mp = abs_max(mem + kOrder, kOrder);
    int64_t bound = 2 * (sz * mz + sp * mp);  // follows mp
    int32_t z[kSub] = {};
    if (2 * sz * mz <= MAX_32) zero_part(coef, hu, z);
    History r(hw);
    int32_t c[kOrder];
    widen(coef + kOrder, c);
    for (int i = 0; i < kSub; ++i) {
        int32_t a = x[i];
        if ((a < 0 ? -int64_t{a} : int64_t{a}) + bound <= MAX_32) {
            a = a - z[i] + r.dot2(c);
        } else {
            for (int j = 0; j < kOrder; ++j) a = L_msu(a, coef[j], hu[i - 1 - j]);
            for (int j = 0; j < kOrder; ++j) a = L_mac(a, coef[kOrder + j], hw[i - 1 - j]);
        }
        a = L_shl(a, 2);
        hw[i] = round_fx(a);
        r.push(hw[i]);
        if (abs_s(hw[i]) > mp) mp = abs_s(hw[i]), bound = 2 * (sz * mz + sp * mp);
        y[i] = round_fx(L_shr(a, static_cast<int16_t>(sf)));
    }
    repack(hu + kSub, mem);
    repack(hw + kSub, mem + kOrder);
}

void tilt(int16_t factor, const int32_t* x, int16_t* y) {
    if (factor == MIN_16) {
        for (int i = 0; i < kSub; ++i) y[i] = round_fx(L_mac(x[i], round_fx(x[i - 1]), factor));
        return;
    }
    // No product saturates; the saturations of the sum and of the rounding are the clamp of the
    // exact (x + 2 r factor + 2^15) >> 16.
    for (int i = 0; i < kSub; ++i) {
        const int64_t v = (int64_t{x[i]} + 2 * int32_t{round_fx(x[i - 1])} * factor + 0x8000) >> 16;
        y[i] = static_cast<int16_t>(v > MAX_16 ? MAX_16 : (v < MIN_16 ? MIN_16 : v));
    }
}

void gain_control(int32_t energy, int16_t* x, int16_t* gain) {
    // A chain of non-negative terms saturates for good once it does: the exact sum, limited.
    // 60 squares of at most 2^26 sum below 2^32.
    uint32_t half = 0;
    for (int i = 0; i < kSub; ++i) {
        const int32_t v = x[i] >> 2;
        half += static_cast<uint32_t>(v * v);
    }
    const int64_t sum = 2 * int64_t{half};
    const int32_t e = static_cast<int32_t>(std::min<int64_t>(sum, MAX_32));
    int16_t target = 0x1000;
    if (e != 0 && energy != 0) {
        int16_t n = norm_l(e);
        const int32_t en = L_shl(e, n);
        const int16_t m = norm_l(energy);
        const int32_t sn = L_shl(energy, m) >> 1;
        n = sub(6, add(sub(n, m), 1));
        if (n < 0) n = 0;
        target = sqrt_q15(L_shr(L_deposit_h(div_l(sn, extract_h(en))), n));
    }
    int16_t g = *gain, prev = 0, ge[kSub];
    for (int i = 0; i < kSub; ++i) {
        // The next gain depends on the gain alone: once it repeats, it stays.
        if (i > 0 && g == prev) {
            for (; i < kSub; ++i) ge[i] = ge[i - 1];
            break;
        }
        prev = g;
        if (g >= 0) {
            // g 2^16 - g 2^12 + target 2^12 stays below 2^31 for g, target in 0..32767.
            g = static_cast<int16_t>(
                (int32_t{g} * 65536 - int32_t{g} * 4096 + int32_t{target} * 4096 + 0x8000) >> 16);
        } else {
            g = round_fx(L_mac(L_msu(L_deposit_h(g), g, 0x0800), target, 0x0800));
        }
        ge[i] = add(g, shr(g, 4));
    }
    // round(32 x ge, saturated) is (x ge + 2^10) >> 11 clamped to 16 bits; |x ge| <= 2^30.
    for (int i = 0; i < kSub; ++i) {
        const int32_t v = (int32_t{x[i]} * ge[i] + 0x400) >> 11;
        x[i] = static_cast<int16_t>(v > MAX_16 ? MAX_16 : (v < MIN_16 ? MIN_16 : v));
    }
    *gain = g;
}

namespace {

// Lag of the largest positive correlation of the sub-frame with the signal lags -olp-3 ..
// -olp+3 (backward, negative result) or olp-3 .. olp+3 (forward); 0 when none is positive.
int16_t best_lag(const int16_t* x, int olp, int sub, bool forward) {
    olp = std::min(olp, kPitchMax - 3);
    int16_t idx = 0;
    int32_t best = 0;
    // When every lag can be read and x with the whole span of the lagged windows has energy
    // within the limit, no chain saturates: the seven exact sums at once.
    const auto& ck = common::kernels();
    const int16_t* span = forward ? x + olp - 3 : x - olp - 3;
    if ((!forward || sub * kSub + kSub + olp + 3 <= kFrame) &&
        ck.energy(x, kSub) + ck.energy(span, kSub + 6) <= MAX_32) {
        int32_t c[7];
        ck.xcorr(x, span, kSub, c, 7);
        for (int k = 0; k < 7; ++k) {
            // Forward lags rise with k, backward lags fall: the same order of lags as below.
            const int32_t a = 2 * c[forward ? k : 6 - k];
            if (a > best) best = a, idx = static_cast<int16_t>(forward ? olp - 3 + k : -(olp - 3 + k));
        }
        return idx;
    }
    for (int i = olp - 3; i <= olp + 3; ++i) {
        int32_t a = 0;
        if (!forward || sub * kSub + kSub + i <= kFrame) a = mac_dot(0, x, x + (forward ? i : -i), kSub);
        if (a > best) best = a, idx = static_cast<int16_t>(forward ? i : -i);
    }
    return idx;
}

void post_gains(int16_t lag, int16_t ten, int16_t ccr, int16_t enr, bool rate63, int16_t* delay,
                int16_t* gain, int16_t* scale) {
    const int16_t k = kPostPitchGain[rate63 ? 0 : 1];
    *delay = lag;
    int16_t g = 0, sc = MAX_16;
    if (L_mult(ccr, ccr) > (L_mult(ten, enr) >> 2)) {
        g = ccr >= enr ? k : mult(div_s(ccr, enr), k);
        int32_t a = L_mac(L_deposit_h(ten) >> 1, ccr, g);
        a = L_add(a, L_mult(enr, mult(g, g)) >> 1);
        const int16_t den = round_fx(a);
        const int32_t num = L_deposit_h(ten) >> 1;
        const int16_t q = num >= L_deposit_h(den) ? MAX_16 : div_l(num, den);
        sc = sqrt_q15(L_deposit_h(q));
    }
    *gain = mult(g, sc);
    *scale = sc;
}

}  // namespace

void pitch_postfilter(int olp, const int16_t* exc, int sub, bool rate63, int16_t* delay, int16_t* gain,
                      int16_t* scale) {
    const int16_t* x = exc + sub * kSub;
    *delay = 0;
    *gain = 0;
    *scale = MAX_16;
    const int16_t b = best_lag(x, olp, sub, false), f = best_lag(x, olp, sub, true);
    if (b == 0 && f == 0) return;
    int32_t l[5] = {0, 0, 0, 0, 0};
    l[0] = mac_dot(0, x, x, kSub);
    const int16_t lags[2] = {b, f};
    for (int s = 0; s < 2; ++s) {
        if (lags[s] == 0) continue;
        l[1 + 2 * s] = mac_dot(0, x, x + lags[s], kSub);
        l[2 + 2 * s] = mac_dot(0, x + lags[s], x + lags[s], kSub);
    }
    int32_t mx = 0;
    for (int i = 0; i < 5; ++i) mx = std::max(mx, l[i]);
    const int16_t n = norm_l(mx);
    int16_t s[5];
    for (int i = 0; i < 5; ++i) s[i] = extract_h(L_shl(l[i], n));
    bool use_b = f == 0;
    if (b != 0 && f != 0) use_b = L_mult(mult_r(s[1], s[1]), s[4]) > L_mult(mult_r(s[3], s[3]), s[2]);
    if (use_b)
        post_gains(b, s[0], s[1], s[2], rate63, delay, gain, scale);
    else
        post_gains(f, s[0], s[3], s[4], rate63, delay, gain, scale);
}

}  // namespace voks::g723

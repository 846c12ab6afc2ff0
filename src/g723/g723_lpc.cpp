// G.723.1 LP analysis and LSF processing.
#include <algorithm>
#include <cstring>

#include "common/basicop.h"
#include "common/kernels.h"
#include "g723/g723_internal.h"
#include "g723/g723_tables.h"

namespace voks::g723 {

int16_t div_l(int32_t num, int16_t den) {
    const int32_t d = L_deposit_h(den);
    if (num >= d) return MAX_16;
    int32_t n = num >> 1;
    const int32_t dh = d >> 1;
    int16_t q = 0;
    for (int i = 0; i < 15; ++i) {
        q = static_cast<int16_t>(q << 1);
        n <<= 1;
        if (n >= dh) {
            n -= dh;
            ++q;
        }
    }
    return q;
}

int32_t L_mls(int32_t x, int16_t v) {
    const int32_t lo = static_cast<int32_t>((x & 0xFFFF) * static_cast<int32_t>(v)) >> 15;
    return L_mac(lo, v, extract_h(x));
}

int16_t vec_norm(int16_t* v, int n) {
    int16_t mx = 0;
    for (int i = 0; i < n; ++i) mx = std::max(mx, abs_s(v[i]));
    const int16_t sh = norm_s(mx);
    const int16_t f = sh == 15 ? MAX_16 : static_cast<int16_t>(1 << sh);
    for (int i = 0; i < n; ++i) v[i] = extract_l(L_shr(L_mult(f, v[i]), 4));
    return static_cast<int16_t>(sh - 3);
}

int16_t sqrt_q15(int32_t x) {
    int16_t r = 0, step = 0x4000;
    for (int i = 0; i < 14; ++i) {
        const int16_t t = add(r, step);
        if (x >= L_mult(t, t)) r = t;
        step = static_cast<int16_t>(step >> 1);
    }
    return r;
}

void autocorr_norm(const int16_t* xw, int16_t* acf, int32_t* exp) {
    int32_t r0 = 0;
    for (int i = 0; i < kWindow; ++i) r0 = L_add(r0, L_mult(xw[i], xw[i]) >> 1);
    r0 = L_add(r0, r0 >> 10);
    const int16_t e = norm_l(r0);
    acf[0] = round_fx(L_shl(r0, e));
    if (acf[0] == 0) {
        for (int i = 1; i <= kOrder; ++i) acf[i] = 0;
        *exp = 0;
        return;
    }
    // Every lag's chain stays within the energy of the window: below the limit (and without the
    // saturating -32768 square) the sums are exact.
    const auto& ck = common::kernels();
    bool exact = ck.energy(xw, kWindow) <= MAX_32;
    for (int i = 0; i < kWindow && exact; ++i) exact = xw[i] != MIN_16;
    int32_t c[kOrder + 1];
    if (exact) ck.autocorr(xw, kWindow, c, kOrder + 1);
    for (int k = 1; k <= kOrder; ++k) {
        int32_t s = 0;
        if (exact)
            s = c[k];
        else
            for (int j = k; j < kWindow; ++j) s = L_add(s, L_mult(xw[j], xw[j - k]) >> 1);
        acf[k] = round_fx(L_mls(L_shl(s, e), kBinomialWindow[k - 1]));
    }
    *exp = e;
}

void autocorr(const int16_t* x, int16_t* exp, int16_t* acf) {
    int16_t v[kWindow];
    std::memcpy(v, x, sizeof v);
    const int16_t sh = vec_norm(v, kWindow);
    for (int i = 0; i < kWindow; ++i) v[i] = mult_r(v[i], kHammingWindow[i]);
    int32_t e;
    autocorr_norm(v, acf, &e);
    *exp = acf[0] == 0 ? int16_t{40} : add(static_cast<int16_t>(e), shl(sh, 1));
}

int16_t durbin(const int16_t* acf, int16_t* lpc, int16_t* k2) {
    const int16_t* r = acf + 1;
    int16_t err = acf[0];
    int16_t tmp[kOrder];
    for (int i = 0; i < kOrder; ++i) lpc[i] = 0;
    for (int i = 0; i < kOrder; ++i) {
        int32_t a = L_deposit_h(r[i]) >> 2;
        for (int j = 0; j < i; ++j) a = L_msu(a, lpc[j], r[i - j - 1]);
        a = L_shl(a, 2);
        const int32_t num = L_abs(a);
        const int32_t e = L_deposit_h(err);
        if (num >= e) {
            *k2 = MAX_16;
            break;
        }
        int16_t k = div_l(num, err);
        if (a >= 0) k = negate(k);
        if (i == 1) *k2 = k;
        lpc[i] = round_fx(L_deposit_h(negate(k)) >> 2);
        err = round_fx(L_add(L_mls(a, k), e));
        std::memcpy(tmp, lpc, sizeof(int16_t) * i);
        for (int j = 0; j < i; ++j) lpc[j] = round_fx(L_mac(L_deposit_h(lpc[j]), k, tmp[i - j - 1]));
    }
    return err;
}

namespace {

// Sum over the five cosine terms of the P (odd = 0) or Q (odd = 1) polynomial at grid point i.
int32_t poly_at(const int16_t* spq, int odd, int i) {
    int32_t s = 0;
    for (int j = 0; j <= kOrder / 2; ++j) s = L_mac(s, spq[kOrder - 2 * j + odd], kCosine[i * j % 512]);
    return s;
}

const int16_t* band_table(int b) {
    return b == 0 ? kLsfBand0 : b == 1 ? kLsfBand1 : kLsfBand2;
}
constexpr int kBandStart[3] = {0, 3, 6};
constexpr int kBandSize[3] = {3, 3, 4};

}  // namespace

void lpc_to_lsf(const int16_t* lpc, const int16_t* prev, int16_t* lsf) {
    int16_t a[kOrder];
    for (int i = 0; i < kOrder; ++i) a[i] = mult_r(lpc[i], kBandExpansion[i]);
    int32_t pq[kOrder + 2];
    pq[0] = pq[1] = 0x02000000;
    for (int i = 0; i < kOrder / 2; ++i) {
        const int32_t lo = L_deposit_h(a[i]) >> 4, hi = L_deposit_h(a[kOrder - 1 - i]) >> 4;
        pq[2 * i + 2] = L_sub(L_sub(L_negate(pq[2 * i]), lo), hi);
        pq[2 * i + 3] = L_add(L_sub(pq[2 * i + 1], lo), hi);
    }
    pq[kOrder] >>= 1;
    pq[kOrder + 1] >>= 1;
    int32_t mx = L_abs(pq[0]);
    for (int i = 1; i < kOrder + 2; ++i) mx = std::max(mx, L_abs(pq[i]));
    const int16_t e = norm_l(mx);
    int16_t spq[kOrder + 2];
    for (int i = 0; i < kOrder + 2; ++i) spq[i] = round_fx(L_shl(pq[i], e));

    int16_t out[kOrder];
    int odd = 0, count = 0;
    int32_t prev_val = 0;
    for (int j = 0; j <= kOrder / 2; ++j) prev_val = L_mac(prev_val, spq[2 * j], kCosine[0]);
    for (int i = 1; i < 256; ++i) {
        int32_t cur = poly_at(spq, odd, i);
        if ((cur ^ prev_val) < 0) {
            int32_t sum = L_add(L_abs(cur), L_abs(prev_val));
            const int16_t n = norm_l(sum);
            sum = L_shl(sum, n);
            const int32_t part = L_shl(L_abs(prev_val), n) >> 8;
            out[count] = add(div_l(part, extract_h(sum)), shl(static_cast<int16_t>(i - 1), 7));
            if (++count == kOrder) break;
            odd ^= 1;
            cur = poly_at(spq, odd, i);
        }
        prev_val = cur;
    }
    std::memcpy(lsf, count == kOrder ? out : prev, sizeof out);
}

void lsf_to_lpc(int16_t* lsp) {
    for (int i = 0; i < kOrder; ++i) {
        const int j = lsp[i] >> 7;
        int32_t a = L_deposit_h(kCosine[j]);
        a = L_mac(a, sub(kCosine[j + 1], kCosine[j]), add(static_cast<int16_t>((lsp[i] & 0x7F) << 8), 0x80));
        lsp[i] = negate(round_fx(L_shl(a, 1)));
    }
    int32_t p[kOrder / 2 + 1], q[kOrder / 2 + 1];
    p[0] = q[0] = 0x10000000;
    p[1] = L_mac(L_mult(lsp[0], 0x2000), lsp[2], 0x2000);
    p[2] = L_add(L_mult(lsp[0], lsp[2]) >> 1, 0x20000000);
    q[1] = L_mac(L_mult(lsp[1], 0x2000), lsp[3], 0x2000);
    q[2] = L_add(L_mult(lsp[1], lsp[3]) >> 1, 0x20000000);
    for (int i = 2; i < kOrder / 2; ++i) {
        const int16_t cp = lsp[2 * i], cq = lsp[2 * i + 1];
        p[i + 1] = L_add(L_mls(p[i], cp), p[i - 1]);
        q[i + 1] = L_add(L_mls(q[i], cq), q[i - 1]);
        for (int j = i; j >= 2; --j) {
            p[j] = L_add(L_add(L_mls(p[j - 1], cp), p[j] >> 1), p[j - 2] >> 1);
            q[j] = L_add(L_add(L_mls(q[j - 1], cq), q[j] >> 1), q[j - 2] >> 1);
        }
        p[0] >>= 1;
        q[0] >>= 1;
        p[1] = L_add(L_deposit_h(cp) >> i, p[1]) >> 1;
        q[1] = L_add(L_deposit_h(cq) >> i, q[1]) >> 1;
    }
    for (int i = 0; i < kOrder / 2; ++i) {
        const int32_t s = L_add(p[i], p[i + 1]);
        lsp[i] = negate(round_fx(L_shl(L_add(L_sub(s, q[i]), q[i + 1]), 3)));
        lsp[kOrder - 1 - i] = negate(round_fx(L_shl(L_sub(L_add(s, q[i]), q[i + 1]), 3)));
    }
}

int32_t lsf_quant(const int16_t* lsf, const int16_t* prev) {
    int16_t w[kOrder];
    w[0] = sub(lsf[1], lsf[0]);
    w[kOrder - 1] = sub(lsf[kOrder - 1], lsf[kOrder - 2]);
    for (int i = 1; i < kOrder - 1; ++i) w[i] = std::min(sub(lsf[i + 1], lsf[i]), sub(lsf[i], lsf[i - 1]));
    int16_t mx = 0;
    for (int i = 0; i < kOrder; ++i) {
        w[i] = w[i] > 0x20 ? div_s(0x20, w[i]) : MAX_16;
        mx = std::max(mx, w[i]);
    }
    const int16_t e = norm_s(mx);
    int16_t t[kOrder];
    for (int i = 0; i < kOrder; ++i) {
        w[i] = shl(w[i], e);
        t[i] = sub(sub(lsf[i], kLsfMean[i]), mult_r(sub(prev[i], kLsfMean[i]), 12288));
    }
    int32_t code = 0;
    for (int b = 0; b < 3; ++b) {
        const int16_t* cb = band_table(b);
        const int s = kBandStart[b], n = kBandSize[b];
        int32_t best = -1;
        int idx = 0;
        // |tw| <= |cb| <= the band's largest magnitude: within the limit no step saturates.
        constexpr int64_t kBandMax[3] = {6012, 5334, 4734};
        int64_t st = 0;
        for (int j = 0; j < n; ++j) st += t[s + j] < 0 ? -t[s + j] : t[s + j];
        const bool plain = 4 * st * kBandMax[b] + 2 * n * kBandMax[b] * kBandMax[b] <= MAX_32;
        for (int i = 0; i < 256; ++i, cb += n) {
            int16_t tw[4];
            int32_t a = 0;
            if (plain) {
                int32_t c = 0, q = 0;
                for (int j = 0; j < n; ++j) {
                    tw[j] = mult_r(w[s + j], cb[j]);
                    c += int32_t{t[s + j]} * tw[j];
                    q += int32_t{cb[j]} * tw[j];
                }
                a = 4 * c - 2 * q;
            } else {
                for (int j = 0; j < n; ++j) {
                    tw[j] = mult_r(w[s + j], cb[j]);
                    a = L_mac(a, t[s + j], tw[j]);
                }
                a = L_shl(a, 1);
                for (int j = 0; j < n; ++j) a = L_msu(a, cb[j], tw[j]);
            }
            if (a > best) {
                best = a;
                idx = i;
            }
        }
        code = (code << 8) + idx;
    }
    return code;
}

bool lsf_decode(const int16_t* index, const int16_t* prev, bool erased, int16_t* lsf) {
    const int16_t gap = erased ? 0x200 : 0x100;
    const int16_t pred = erased ? 23552 : 12288;
    int16_t v[kOrder];
    for (int b = 0; b < 3; ++b) {
        const int k = erased ? 0 : (index[b] & 0xFF);
        for (int j = 0; j < kBandSize[b]; ++j) v[kBandStart[b] + j] = band_table(b)[k * kBandSize[b] + j];
    }
    for (int j = 0; j < kOrder; ++j)
        v[j] = add(add(v[j], mult_r(sub(prev[j], kLsfMean[j]), pred)), kLsfMean[j]);
    bool bad = false;
    for (int pass = 0; pass < kOrder; ++pass) {
        if (v[0] < 0x180) v[0] = 0x180;
        if (v[kOrder - 1] > 0x7E00) v[kOrder - 1] = 0x7E00;
        for (int j = 1; j < kOrder; ++j) {
            int16_t d = sub(add(gap, v[j - 1]), v[j]);
            if (d > 0) {
                d = static_cast<int16_t>(d >> 1);
                v[j - 1] = sub(v[j - 1], d);
                v[j] = add(v[j], d);
            }
        }
        bad = false;
        for (int j = 1; j < kOrder; ++j)
            if (sub(sub(add(v[j - 1], gap), 4), v[j]) > 0) bad = true;
        if (!bad) break;
    }
    // A vector that stays too close after every pass is not used: the previous one is kept.
    std::memcpy(lsf, bad ? prev : v, sizeof v);
    return !bad;
}

}  // namespace voks::g723

// G.723.1 pitch analysis, harmonic noise shaping and the adaptive- and fixed-codebook searches.
#include <algorithm>
#include <cstring>

#include "common/basicop.h"
#include "common/kernels.h"
#include "g723/g723_internal.h"
#include "g723/g723_tables.h"

namespace voks::g723 {

int16_t open_loop_pitch(const int16_t* x) {
    int16_t best = kPitchMin, mxp = 30, mcr = 0x4000, mnr = MAX_16;
    // Every cross-correlation chain stays within E(x[0..120)) + E(x[-142..120)) of zero: below
    // the limit none saturates and all come exact from one correlation kernel.
    const auto& ck = common::kernels();
    int32_t cor[125];
    const bool exact = ck.energy(x, 2 * kSub) + ck.energy(x - 142, 142 + 2 * kSub) <= MAX_32;
    if (exact) ck.xcorr(x, x - 142, 2 * kSub, cor, 125);
    int p = 1 - kPitchMin;
    int32_t energy = 0;
    for (int j = 0; j < 2 * kSub; ++j) energy = L_mac(energy, x[p + j], x[p + j]);
    for (int lag = kPitchMin; lag <= kPitchMax - 3; ++lag) {
        --p;
        energy = L_msu(energy, x[p + 2 * kSub], x[p + 2 * kSub]);
        energy = L_mac(energy, x[p], x[p]);
        const int32_t c = exact ? 2 * cor[142 - lag] : mac_dot(0, x, x + p, 2 * kSub);
        if (c <= 0) continue;
        // Normalised correlation c^2 / energy as mantissas ccr / enr and an exponent.
        int16_t e = norm_l(c);
        int16_t ccr = round_fx(L_shl(c, e));
        e = shl(e, 1);
        int32_t sq = L_mult(ccr, ccr);
        const int16_t n = norm_l(sq);
        e = add(e, n);
        ccr = extract_h(L_shl(sq, n));
        const int16_t m = norm_l(energy);
        e = sub(e, m);
        const int16_t enr = round_fx(L_shl(energy, m));
        if (ccr >= enr) {
            e = sub(e, 1);
            ccr = shr(ccr, 1);
        }
        if (e > mxp) continue;
        if (e + 1 < mxp) {
            best = static_cast<int16_t>(lag), mxp = e, mcr = ccr, mnr = enr;
            continue;
        }
        const int16_t t = e + 1 == mxp ? shr(mcr, 1) : mcr;
        if (L_msu(L_mult(ccr, mnr), enr, t) <= 0) continue;
        // Beyond a pitch multiple the candidate needs 3/4 of the best value.
        bool take = lag - best < kPitchMin;
        if (!take) {
            int32_t a = L_negate(L_mult(ccr, mnr) >> 2);
            a = L_msu(L_mac(a, ccr, mnr), enr, t);
            take = a > 0;
        }
        if (take) best = static_cast<int16_t>(lag), mxp = e, mcr = ccr, mnr = enr;
    }
    return best;
}

void harmonic_search(int16_t olp, const int16_t* x, int16_t* lag, int16_t* gain) {
    int32_t l[15];
    l[0] = 0;
    for (int i = 0; i < kSub; ++i) l[0] = L_mac(l[0], x[i], x[i]);
    for (int i = 0; i <= 6; ++i) {
        const int16_t* d = x - (olp - 3 + i);
        int32_t c = 0, e = 0;
        for (int j = 0; j < kSub; ++j) {
            c = L_mac(c, x[j], d[j]);
            e = L_mac(e, d[j], d[j]);
        }
        l[2 * i + 1] = e;
        l[2 * i + 2] = c;
    }
    int32_t mx = 0;
    for (int i = 0; i < 15; ++i) mx = std::max(mx, L_abs(l[i]));
    const int16_t n = norm_l(mx);
    int16_t s[15];
    for (int i = 0; i < 15; ++i) s[i] = round_fx(L_shl(l[i], n));
    int best = -1;
    int16_t mcr = 1, mnr = MAX_16;
    for (int i = 0; i <= 6; ++i) {
        const int16_t enr = s[2 * i + 1], ccr = s[2 * i + 2];
        if (ccr <= 0) continue;
        const int16_t sq = mult_r(ccr, ccr);
        if (L_msu(L_mult(sq, mnr), enr, mcr) > 0) mcr = sq, mnr = enr, best = i;
    }
    *gain = 0;
    if (best < 0) {
        *lag = olp;
        return;
    }
    int32_t a = L_mult(s[0], mnr);
    a = L_sub(L_add(a >> 2, a >> 3), L_mult(s[2 * best + 2], s[2 * best + 2]));
    if (a < 0) {
        const int16_t c = s[2 * best + 2];
        *gain = c >= mnr ? int16_t{0x2800} : mult_r(div_s(c, mnr), 0x2800);
    }
    *lag = static_cast<int16_t>(olp - 3 + best);
}

void harmonic_subtract(int16_t gain, int lag, int16_t* x, int16_t* mem) {
    int16_t buf[kPitchMax + kSub];
    std::memcpy(buf, mem, sizeof(int16_t) * kPitchMax);
    std::memcpy(buf + kPitchMax, x, sizeof(int16_t) * kSub);
    for (int i = 0; i < kSub; ++i)
        x[i] = round_fx(L_msu(L_deposit_h(buf[kPitchMax + i]), gain, buf[kPitchMax + i - lag]));
    std::memcpy(mem, buf + kSub, sizeof(int16_t) * kPitchMax);
}

const int16_t* pitch_gains(bool rate63, int olp) {
    return rate63 && olp < kSub - 2 ? kPitchGain85 : kPitchGain170;
}

namespace {

// The chain a + (2 x y >> 1) of the reference over n products, saturating at every step; the
// exact sum when no step can saturate.
int32_t half_dot(const int16_t* x, const int16_t* y, int n) {
    int64_t s[2];
    kernels().dot_energy(x, y, n, s);
    // Below the limit no step saturates and no product is the saturating -32768 * -32768.
    if (s[1] <= 0x7FFFFFFF) return static_cast<int32_t>(s[0]);
    int32_t a = 0;
    for (int i = 0; i < n; ++i) a = L_add(a, L_mult(x[i], y[i]) >> 1);
    return a;
}

// The excitation delayed by lag with two samples either side, repeated with period lag.
void delayed(const int16_t* prev, int lag, int16_t* out) {
    if (lag >= kSub + 2) {
        std::memcpy(out, prev + kPitchMax - lag - 2, sizeof(int16_t) * (kSub + 4));
        return;
    }
    for (int i = 0; i < 2; ++i) out[i] = prev[kPitchMax - lag - 2 + i];
    for (int i = 0, k = 0; i < kSub + 2; ++i, k = k + 1 == lag ? 0 : k + 1)
        out[2 + i] = prev[kPitchMax - lag + k];
}

// Largest accumulated error of the lags lag1 .. lag2 (taming), as the gain-entry allowance.
int16_t taming_allowance(const int32_t* err, int16_t sine, int lag1, int lag2) {
    const int16_t z2 = mult(static_cast<int16_t>(lag2 + 2), 1092);
    int i1 = lag1 - kSub + 1 - 2;
    if (i1 <= 0) i1 = 1;
    const int16_t z1 = mult(static_cast<int16_t>(i1), 1092);
    int32_t worst = -1;
    for (int i = z2; i >= z1; --i)
        if (L_sub(err[i], worst) > 0) worst = err[i];
    const int32_t d = L_sub(worst, 0x40000000);
    if (d > 0 || sine < 0) return 0;
    return extract_l(L_negate(d) >> 23);
}

}  // namespace

void adaptive_vector(int olp, int offset, int gain_index, const int16_t* prev, bool rate63, int16_t* out) {
    int16_t r[kSub + 4];
    delayed(prev, olp - 1 + offset, r);
    const int16_t* g = pitch_gains(rate63, olp) + gain_index * 20;
    // Chains bounded by 2 sum |g| max |r|: below the limit, exact.
    int64_t sg = 0;
    int32_t mr = 0;
    for (int j = 0; j < 5; ++j) sg += g[j] < 0 ? -g[j] : g[j];
    for (int i = 0; i < kSub + 4; ++i) mr = std::max(mr, r[i] < 0 ? -int32_t{r[i]} : int32_t{r[i]});
    if (2 * sg * mr <= MAX_32) {
        // Tap by tap over the whole sub-frame.
        int32_t a[kSub] = {};
        for (int j = 0; j < 5; ++j) {
            const int32_t gj = g[j];
            for (int i = 0; i < kSub; ++i) a[i] += gj * r[i + j];
        }
        for (int i = 0; i < kSub; ++i) out[i] = round_fx(L_shl(2 * a[i], 1));
        return;
    }
    for (int i = 0; i < kSub; ++i) {
        int32_t a = 0;
        for (int j = 0; j < 5; ++j) a = L_mac(a, r[i + j], g[j]);
        out[i] = round_fx(L_shl(a, 1));
    }
}

void adaptive_search(int base, const int16_t* target, const int16_t* h, const int16_t* prev,
                     const int32_t* err, int sub, int16_t sine, bool rate63, int16_t* lag_offset,
                     int16_t* gain_index) {
    const bool even = (sub & 1) == 0;
    int olp = base;
    if (even) {
        if (olp == kPitchMin) ++olp;
        if (olp > kPitchMax - 5) olp = kPitchMax - 5;
    }
    const int lags = even ? 3 : 4;
    int32_t cor[4 * 20];
    int32_t* c = cor;
    for (int k = 0; k < lags; ++k) {
        int16_t r[kSub + 4];
        delayed(prev, olp - 1 + k, r);
        int16_t f[5][kSub];
        const auto& ck = common::kernels();
        if (ck.energy(r + 4, kSub) + ck.energy(h, kSub) <= MAX_32) {
            // No convolution chain can saturate: the exact sums.
            int32_t cv[kSub];
            ck.conv(r + 4, h, 0, kSub, cv);
            for (int i = 0; i < kSub; ++i) f[4][i] = round_fx(2 * cv[i]);
        } else {
            for (int i = 0; i < kSub; ++i) f[4][i] = round_fx(mac_conv(0, r + 4, h + i, i + 1));
        }
        // round(L_mac(f << 16, r, h)) is f + ((r h + 2^14) >> 15) clamped to 16 bits: the
        // saturations of the chain land on the same bounds, and r h + 2^14 never overflows.
        for (int i = 3; i >= 0; --i) {
            f[i][0] = mult_r(r[i], 0x2000);
            const int32_t ri = r[i];
            for (int j = 1; j < kSub; ++j) {
                const int32_t v = f[i + 1][j - 1] + ((ri * h[j] + 0x4000) >> 15);
                f[i][j] = static_cast<int16_t>(v > MAX_16 ? MAX_16 : (v < MIN_16 ? MIN_16 : v));
            }
        }
        for (int i = 0; i < 5; ++i) *c++ = L_shl(half_dot(target, f[i], kSub), 1);
        for (int i = 0; i < 5; ++i) *c++ = mac_dot(0, f[i], f[i], kSub);
        for (int i = 1; i < 5; ++i)
            for (int j = 0; j < i; ++j) *c++ = L_shl(half_dot(f[i], f[j], kSub), 2);
    }
    int32_t mx = 0;
    for (int i = 0; i < lags * 20; ++i) mx = std::max(mx, L_abs(cor[i]));
    const int16_t n = norm_l(mx);
    int16_t cv[4 * 20];
    for (int i = 0; i < lags * 20; ++i) cv[i] = round_fx(L_shl(cor[i], n));

    const int16_t allow = taming_allowance(err, sine, olp - 1, olp - 1 + lags - 1);
    const int bound[2] = {std::min(51 + shl(allow, 2), 85), std::min(93 + shl(allow, 3), 170)};
    int32_t best = 0;
    int lid = 1, gid = 0;
    for (int k = 0; k < lags; ++k) {
        int t = 1;
        if (rate63) t = (even ? olp - 1 + k : olp) >= kSub - 2 ? 1 : 0;
        int32_t score[170];
        kernels().gain_scores(cv + k * 20, t == 1, bound[t], score);
        for (int i = 0; i < bound[t]; ++i) {
            const int32_t a = score[i];
            if (a > best) best = a, gid = i, lid = k;
        }
    }
    // Even sub-frames code the lag itself: the offset is then taken from the caller's base lag.
    *lag_offset = static_cast<int16_t>(even ? olp - 1 + lid - base + 1 : lid);
    *gain_index = static_cast<int16_t>(gid);
}

void toeplitz(const int16_t* h, int32_t* rr) {
    int32_t e = 0;
    for (int i = 0; i < kSub; ++i) e = L_mac(e, h[i], h[i]);
    int16_t hh[kSub + 4] = {};
    if (extract_h(e) > 32000) {
        for (int i = 0; i < kSub; ++i) hh[i + 4] = shr(h[i], 1);
    } else {
        const int16_t k = shr(norm_l(e), 1);
        for (int i = 0; i < kSub; ++i) hh[i + 4] = shl(h[i], k);
    }
    // Entry for positions p and q: sum over n <= 63 - max(p, q) of hh[n] * hh[n + |p - q|].
    auto corr = [&](int p, int q) {
        const int d = p > q ? p - q : q - p, top = 63 - std::max(p, q);
        return mac_dot(0, hh, hh + d, top + 1);
    };
    for (int t = 0; t < 4; ++t)
        for (int m = 0; m < 8; ++m) rr[t * 8 + m] = corr(8 * m + 2 * t, 8 * m + 2 * t);
    constexpr int kPairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
    for (int p = 0; p < 6; ++p)
        for (int a = 0; a < 8; ++a)
            for (int b = 0; b < 8; ++b)
                rr[32 + p * 64 + a * 8 + b] = corr(8 * a + 2 * kPairs[p][0], 8 * b + 2 * kPairs[p][1]);
}

void acelp_search(const int16_t* dn_in, const int32_t* rr32, int16_t* signs, int16_t* pos, int16_t* grid,
                  int16_t* code, int16_t* budget) {
    int16_t dn[kSub + 4] = {};
    std::memcpy(dn, dn_in, sizeof(int16_t) * kSub);
    int16_t sg[32];
    for (int i = 0; i < kSub; i += 2) {
        if (add(dn[i], dn[i + 1]) >= 0) {
            sg[i / 2] = 1;
        } else {
            sg[i / 2] = -1;
            dn[i] = static_cast<int16_t>(-dn[i]);
            dn[i + 1] = static_cast<int16_t>(-dn[i + 1]);
        }
    }
    sg[30] = sg[31] = 1;
    // Threshold: halfway between the mean and the sum of the track maxima of the first three
    // pulses, the larger over the two grids.
    int16_t thres = 0;
    for (int g = 0; g < 2; ++g) {
        int16_t m0 = dn[g], m1 = dn[g + 2], m2 = dn[g + 4];
        for (int i = 8 + g; i < kSub; i += 8) {
            m0 = std::max(m0, dn[i]);
            m1 = std::max(m1, dn[i + 2]);
            m2 = std::max(m2, dn[i + 4]);
        }
        const int16_t top = add(add(m0, m1), m2);
        int32_t s = 0;
        for (int i = g; i < kSub; i += 8) s = L_mac(L_mac(L_mac(s, dn[i], 1), dn[i + 2], 1), dn[i + 4], 1);
        const int16_t mean = extract_l(L_shr(s, 4));
        const int16_t t = add(mult(sub(top, mean), 16384), mean);
        if (g == 0 || t > thres) thres = t;
    }
    int16_t rr[416];
    for (int i = 0; i < 416; ++i) rr[i] = extract_h(rr32[i]);
    const int16_t* d0 = rr;
    const int16_t *d1 = rr + 8, *d2 = rr + 16, *d3 = rr + 24;
    int16_t* pr[6];
    constexpr int kPairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
    for (int p = 0; p < 6; ++p) {
        pr[p] = rr + 32 + 64 * p;
        for (int a = 0; a < 8; ++a)
            for (int b = 0; b < 8; ++b) {
                const int s = sg[4 * a + kPairs[p][0]] * sg[4 * b + kPairs[p][1]];
                pr[p][a * 8 + b] = static_cast<int16_t>(pr[p][a * 8 + b] * s);
            }
    }
    int ip[4] = {0, 2, 4, 6};
    int16_t shift_best = 0, psc = 0, alpha = MAX_16;
    int16_t time = add(120, *budget);
    for (int m0 = 0; m0 < 8; ++m0) {
        const int i0 = 8 * m0;
        for (int m1 = 0; m1 < 8; ++m1) {
            const int i1 = 8 * m1 + 2;
            const int16_t ps1 = add(dn[i0], dn[i1]), ps1a = add(dn[i0 + 1], dn[i1 + 1]);
            int32_t a1 = L_mult(d0[m0], 1);
            a1 = L_mac(L_mac(a1, d1[m1], 1), pr[0][m0 * 8 + m1], 2);
            for (int m2 = 0; m2 < 8; ++m2) {
                const int i2 = 8 * m2 + 4;
                int16_t ps2 = add(ps1, dn[i2]);
                const int16_t ps2a = add(ps1a, dn[i2 + 1]);
                int32_t a2 = L_mac(a1, d2[m2], 1);
                a2 = L_mac(L_mac(a2, pr[1][m0 * 8 + m2], 2), pr[3][m1 * 8 + m2], 2);
                int16_t shift = 0;
                if (ps2a > ps2) shift = 1, ps2 = ps2a;
                if (ps2 <= thres) continue;
                for (int m3 = 0; m3 < 8; ++m3) {
                    const int i3 = 8 * m3 + 6;
                    const int16_t ps3 = add(ps2, dn[i3 + shift]);
                    int32_t a3 = L_mac(a2, d3[m3], 1);
                    a3 = L_mac(a3, pr[2][m0 * 8 + m3], 2);
                    a3 = L_mac(a3, pr[4][m1 * 8 + m3], 2);
                    a3 = L_mac(a3, pr[5][m2 * 8 + m3], 2);
                    const int16_t alp = extract_l(L_shr(a3, 5));
                    const int16_t sq = mult(ps3, ps3);
                    if (L_mult(sq, alpha) > L_mult(psc, alp)) {
                        psc = sq, alpha = alp, shift_best = shift;
                        ip[0] = i0, ip[1] = i1, ip[2] = i2, ip[3] = i3;
                    }
                }
                if (--time <= 0) goto done;
            }
        }
    }
done:
    *budget = time;
    for (int i = 0; i < kSub; ++i) code[i] = 0;
    for (int k = 0; k < 4; ++k) {
        signs[k] = sg[ip[k] >> 1];
        pos[k] = static_cast<int16_t>(ip[k] + shift_best);
        if (pos[k] < kSub) code[pos[k]] = signs[k];
    }
    *grid = shift_best;
}

namespace {

// Adds the copies of src delayed by every multiple of lag below the sub-frame length.
void pulse_train(int16_t* dst, const int16_t* src, int lag) {
    int16_t t[kSub];
    std::memcpy(t, src, sizeof t);
    std::memcpy(dst, src, sizeof t);
    for (int d = lag; d < kSub; d += lag)
        for (int i = d; i < kSub; ++i) dst[i] = add(dst[i], t[i - d]);
}

}  // namespace

void mpmlq_best(const int16_t* h, const int16_t* target, int lag, int np, Pulses& best) {
    int16_t imr[kSub], occ[kSub], ic[kSub];
    int32_t eb[kSub], wb[kSub];
    const int16_t train = lag < kSub - 2;
    if (train)
        pulse_train(imr, h, lag);
    else
        std::memcpy(imr, h, sizeof imr);
    for (int i = 0; i < kSub; ++i) occ[i] = shr(imr[i], 1);
    int32_t a = 0;
    for (int i = 0; i < kSub; ++i) a = L_mac(a, occ[i], occ[i]);
    int16_t e = norm_l(a);
    ic[0] = round_fx(L_shl(a, e));
    const auto& ck = common::kernels();
    int32_t c[kSub];
    // Chains bounded by 2 E(occ), or E(target) + E(imr), below the limit: the exact sums.
    if (2 * ck.energy(occ, kSub) <= MAX_32) {
        ck.autocorr(occ, kSub, c, kSub);
        for (int i = 1; i < kSub; ++i) ic[i] = round_fx(L_shl(2 * c[i], e));
    } else {
        for (int i = 1; i < kSub; ++i) ic[i] = round_fx(L_shl(mac_dot(0, occ + i, occ, kSub - i), e));
    }
    e = sub(e, 4);
    if (ck.energy(target, kSub) + ck.energy(imr, kSub) <= MAX_32) {
        ck.xcorr_tri(imr, target, kSub, c);
        for (int i = 0; i < kSub; ++i) eb[i] = L_shl(2 * c[i], e);
    } else {
        for (int i = 0; i < kSub; ++i) eb[i] = L_shl(mac_dot(0, target + i, imr, kSub - i), e);
    }
    const int64_t e_target = ck.energy(target, kSub);
    int16_t ic_max = 0;
    for (int i = 0; i < kSub; ++i) ic_max = std::max(ic_max, abs_s(ic[i]));
    // icm[kSub + d] = ic[|d|] for -kSub < d < kSub.
    int16_t icm[2 * kSub];
    icm[0] = 0;
    for (int d = 1 - kSub; d < kSub; ++d) icm[kSub + d] = ic[d < 0 ? -d : d];
    int16_t imr_max = 0;
    for (int i = 0; i < kSub; ++i) imr_max = std::max(imr_max, abs_s(imr[i]));
    const auto pick = kernels().mpmlq_pick;
    for (int k = 0; k < 2; ++k) {
        Pulses t{};
        t.grid = static_cast<int16_t>(k);
        t.train = train;
        int32_t top = 0;
        for (int i = k; i < kSub; i += 2)
            if (L_abs(eb[i]) >= top) top = L_abs(eb[i]), t.pos[0] = static_cast<int16_t>(i);
        int32_t dist = 0x40000000;
        int16_t amp_id = 22;
        for (int i = 22; i >= 2; --i) {
            const int32_t d = L_abs(L_sub(L_mult(kFixedGain[i], ic[0]), top));
            if (d < dist) dist = d, amp_id = static_cast<int16_t>(i);
        }
        --amp_id;
        for (int step = 1; step <= 4; ++step) {
            for (int j = k; j < kSub; j += 2) wb[j] = eb[j], occ[j] = 0;
            t.amp = static_cast<int16_t>(amp_id - 2 + step);
            const int16_t amp = kFixedGain[t.amp];
            t.val[0] = wb[t.pos[0]] >= 0 ? amp : negate(amp);
            occ[t.pos[0]] = 1;
            // The np - 1 updates move no value by more than 2 |amp| max|ic| each: within the
            // limits no update saturates.
            int64_t top_eb = 0;
            for (int l = k; l < kSub; l += 2) top_eb = std::max<int64_t>(top_eb, L_abs(eb[l]));
            const bool plain = top_eb + 2 * int64_t{np} * abs_s(amp) * ic_max < MAX_32;
            for (int j = 1; j < np; ++j) {
                int32_t m = static_cast<int32_t>(0xC0000000u);
                const int16_t v = t.val[j - 1], at = t.pos[j - 1];
                if (plain) {
                    // Every position updated (the other grid's are not read), then the search;
                    // no magnitude is negative there, so a free position is always found.
                    const int p = pick(wb, icm + kSub - at, 2 * int32_t{v}, occ, k);
                    if (p >= 0) t.pos[j] = static_cast<int16_t>(p);
                } else {
                    for (int l = k; l < kSub; l += 2) {
                        if (occ[l] != 0) continue;
                        wb[l] = L_msu(wb[l], v, ic[l > at ? l - at : at - l]);
                        const int32_t w = L_abs(wb[l]);
                        if (w > m) m = w, t.pos[j] = static_cast<int16_t>(l);
                    }
                }
                t.val[j] = wb[t.pos[j]] >= 0 ? amp : negate(amp);
                occ[t.pos[j]] = 1;
            }
            // The pulses filtered by imr: only the pulses add to the chain, in position order
            // (any order when no step can saturate).
            if (2 * int64_t{np} * abs_s(amp) * imr_max <= MAX_32) {
                int32_t f[kSub] = {};
                for (int j = 0; j < np; ++j) {
                    const int32_t v2 = 2 * int32_t{t.val[j]};
                    const int16_t* src = imr - t.pos[j];
                    for (int l = t.pos[j]; l < kSub; ++l) f[l] += v2 * src[l];
                }
                for (int l = 0; l < kSub; ++l) occ[l] = extract_h(L_shl(f[l], 2));
            } else {
                int order[6];
                for (int j = 0; j < np; ++j) {
                    int q = j;
                    for (; q > 0 && t.pos[order[q - 1]] > t.pos[j]; --q) order[q] = order[q - 1];
                    order[q] = j;
                }
                for (int l = 0; l < kSub; ++l) {
                    a = 0;
                    for (int j = 0; j < np && t.pos[order[j]] <= l; ++j)
                        a = L_mac(a, t.val[order[j]], imr[l - t.pos[order[j]]]);
                    occ[l] = extract_h(L_shl(a, 2));
                }
            }
            // Partial sums stay within E(target) + 2 E(occ) of zero: below the limit the chain is
            // exact (and holds no -32768 square).
            int64_t d[2];
            kernels().dot_energy(target, occ, kSub, d);
            const int64_t eo = d[1] - e_target;
            int32_t score = 0;
            if (d[1] + eo <= MAX_32) {
                score = static_cast<int32_t>(2 * d[0] - eo);
            } else {
                for (int j = 0; j < kSub; ++j) {
                    score = L_mac(score, target[j], occ[j]);
                    score = L_sub(score, L_mult(occ[j], occ[j]) >> 1);
                }
            }
            if (score > best.err) {
                t.err = score;
                best = t;
            }
        }
    }
}

void mpmlq_search(int lag, const int16_t* h, const int16_t* target, int sub, int16_t* code, int16_t* grid,
                  int16_t* train, int16_t* amp, int16_t* signs, int32_t* pos) {
    const int np = (sub & 1) ? 5 : 6;
    Pulses best{};
    best.err = static_cast<int32_t>(0xC0000000u);
    mpmlq_best(h, target, kSub, np, best);
    if (lag < kSub - 2) mpmlq_best(h, target, lag, np, best);
    for (int i = 0; i < kSub; ++i) code[i] = 0;
    for (int i = 0; i < np; ++i) code[best.pos[i]] = best.val[i];
    // Position code: the combinations skipped over on the grid, and one sign bit per pulse.
    int j = 6 - np;
    int16_t s = 0;
    int32_t p = 0;
    for (int i = 0; i < kSub / 2; ++i) {
        const int16_t v = code[best.grid + 2 * i];
        if (v == 0) {
            p = L_add(p, kCombinations[j][i]);
        } else {
            s = shl(s, 1);
            if (v < 0) s = add(s, 1);
            if (++j == 6) break;
        }
    }
    *signs = s;
    *pos = p;
    *amp = best.amp;
    *grid = best.grid;
    *train = best.train;
    if (best.train) pulse_train(code, code, lag);
}

}  // namespace voks::g723

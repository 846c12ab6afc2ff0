// G.729 decoder post-filter: harmonic (long-term) post-filters of the main body, Annex A and
// Annex B, short-term formant post-filter, tilt compensations, adaptive gain controls and the
// Annex A pre-emphasis.
#include <cstring>

#include "common/basicop.h"
#include "common/kernels.h"
#include "g729/g729_mathop.h"
#include "g729/gain_internal.h"
#include "g729/gain_tables.h"
#include "g729/kernels.h"

namespace voks::g729 {
namespace {

constexpr int kSubfr = 40;
constexpr int kOrder = 10;
constexpr int kMemRes2 = 152;  // past residual the G.729 harmonic filter reads
constexpr int kSizRes2 = kMemRes2 + kSubfr;
constexpr int kFup = 8;    // fractional resolution of the delay search
constexpr int kLh2L = 16;  // taps of the long interpolation filters
constexpr int kLhUpL = kLh2L / 2;
constexpr int kSubfrP1 = kSubfr + 1;
constexpr int16_t kMinGplt = 21845;
constexpr int16_t kGammaHarm = 16384;
constexpr int kImpLen = 20;  // impulse response of the short-term filter
constexpr int16_t kGamma3Plus = 6554;
constexpr int16_t kGamma3Minus = 29491;
constexpr int16_t kAgcFac = 32358;
constexpr int16_t kAgcFac1 = 32768 - kAgcFac;

// Result of the delay search: the filter is off when num == 0.
struct LtpChoice {
    int16_t num = 0, den = 1, shNum = 0, shDen = 0;
    int16_t ltpdel = 0, phase = 0, offYup = 0;
};

// y[n] = round_fx(L_mac chain over i < taps of h[i] * p[n - i]) for n < count <= 64, for inputs
// where no doubled partial sum can reach 2^31 (max |p| times sum |h| below 2^30): the chain is
// then the exact sum, formed by the FIR kernel, and (acc + 2^14) >> 15 stays within 16 bits.
void interp_exact(const int16_t* h, int taps, const int16_t* p, int count, int16_t* y) {
    int32_t acc[64];
    common::kernels().fir(h, taps, p, count, acc);
    for (int n = 0; n < count; ++n) y[n] = static_cast<int16_t>((acc[n] + 0x4000) >> 15);
}

// Sub-optimal delay search of pst_ltp: best of three integer delays around t0, then the best
// 1/8 phase around it with the short interpolation filters. sig points at the current sub-frame
// with kMemRes2 past samples, justified on 13 bits (|sig| <= 4096); yUp receives the 7
// interpolated signals.
// With |sig| <= 4096 no chain of the search saturates: a 40-term correlation of sig is below
// 80 * 2^24 < 2^31; every short filter has sum |h| <= 39084, so 4096 * 39084 < 2^30 and the
// interpolated |y| <= 4886; the phase energies (39 terms) and correlations with sig (40 terms)
// stay below 78 * 4886^2 and 80 * 4096 * 4886, both under 2^31. So every L_mac chain is twice
// the plain sum.
LtpChoice search_delay(int16_t t0, const int16_t* sig, int16_t* yUp) {
    LtpChoice off;
    const Kernels& k = kernels();
    const common::Kernels& ck = common::kernels();
    int32_t acc = 2 * ck.dot(sig, sig, kSubfr);
    if (acc == 0) return off;
    int16_t shEner = sub(16, norm_l(acc));
    int16_t ener;
    if (shEner > 0) {
        ener = extract_l(L_shr(acc, shEner));
    } else {
        shEner = 0;
        ener = extract_l(acc);
    }

    // corr[j]: delay t0 + 1 - j (the fourth, t0 - 2, is not used).
    int16_t lambda = sub(t0, 1);
    int32_t corr[4];
    ck.xcorr(sig, sig - (t0 + 1), kSubfr, corr, 4);
    int32_t numInt = -1;
    int iMax = 0;
    for (int i = 0; i < 3; ++i) {
        acc = 2 * corr[2 - i];
        if (acc < 0) acc = 0;
        if (acc > numInt) {
            numInt = acc;
            iMax = i;
        }
    }
    if (numInt == 0) return off;
    lambda = add(lambda, static_cast<int16_t>(iMax));
    acc = 2 * ck.dot(sig - lambda, sig - lambda, kSubfr);
    if (acc == 0) return off;
    const int32_t denInt = acc;

    int32_t den0[kFup - 1], den1[kFup - 1];
    int32_t denMax = denInt;
    const int16_t* past0 = sig - (lambda - 1);
    k.ltp_interp(past0, kTabHupS, yUp);
    int32_t e[kFup - 1], n0[kFup - 1], n1[kFup - 1];
    k.ltp_phase_sums(sig, yUp, e, n0, n1);
    for (int phi = 1; phi < kFup; ++phi) {
        const int16_t* y = yUp + (phi - 1) * kSubfrP1;
        acc = 2 * e[phi - 1];
        den0[phi - 1] = acc + 2 * y[0] * y[0];
        den1[phi - 1] = acc + 2 * y[kSubfr] * y[kSubfr];
        const int16_t a0 = y[0] < 0 ? static_cast<int16_t>(-y[0]) : y[0];
        const int16_t a40 = y[kSubfr] < 0 ? static_cast<int16_t>(-y[kSubfr]) : y[kSubfr];
        const int32_t d = a0 > a40 ? den0[phi - 1] : den1[phi - 1];
        denMax = d > denMax ? d : denMax;
    }
    if (denMax == 0) return off;
    const int16_t shDen = sub(16, norm_l(denMax));
    if (shDen <= 0) return off;
    const int16_t shNum = sub(shDen, shEner) >= 0 ? shDen : shEner;

    int16_t denBest = extract_l(L_shr(denInt, shDen));
    int16_t numBest = extract_l(L_shr(numInt, shNum));
    // The squares x = L_mult(num, num) are never negative. For x >= 0 the reference's
    // Mpy_32_16 of its hi/lo pair by n cannot saturate and equals 2 floor((x >> 1) n / 2^15).
    auto mpy = [](int32_t x, int16_t n) { return static_cast<int32_t>(2 * ((int64_t{x >> 1} * n) >> 15)); };
    int32_t xMax = L_mult(numBest, numBest);
    int16_t phiMax = 0, ioff = 1;

    // Keeps the candidate when num^2 / den beats the best so far.
    auto consider = [&](int32_t chain, int32_t denL, int16_t offset, int16_t phi) {
        int32_t a = L_shr(chain, shNum);
        const int16_t num = a < 0 ? int16_t{0} : extract_l(a);
        const int32_t x = L_mult(num, num);
        const int16_t den = extract_l(L_shr(denL, shDen));
        // Selects rather than a data-dependent branch.
        const bool take = mpy(x, denBest) > mpy(xMax, den);
        numBest = take ? num : numBest;
        xMax = take ? x : xMax;
        denBest = take ? den : denBest;
        ioff = take ? offset : ioff;
        phiMax = take ? phi : phiMax;
    };
    for (int phi = 1; phi < kFup; ++phi) {
        consider(2 * n0[phi - 1], den0[phi - 1], 0, static_cast<int16_t>(phi));
        consider(2 * n1[phi - 1], den1[phi - 1], 1, static_cast<int16_t>(phi));
    }

    if (numBest == 0 || sub(denBest, 1) <= 0) return off;
    // num^2 against ener * den * 0.5
    int32_t t1 = L_mult(denBest, ener);
    int32_t t0v = xMax & ~1;  // L_Comp of its hi/lo pair
    int16_t t = add(sub(sub(shl(shNum, 1), shDen), shEner), 1);
    if (t < 0)
        t0v = L_shr(t0v, negate(t));
    else if (t > 0)
        t1 = L_shr(t1, t);
    if (L_sub(t0v, t1) < 0) return off;
    LtpChoice c;
    c.ltpdel = sub(add(lambda, 1), ioff);
    c.offYup = ioff;
    c.phase = phiMax;
    c.num = numBest;
    c.den = denBest;
    c.shDen = shDen;
    c.shNum = shNum;
    return c;
}

// Delayed signal with the long interpolation filter, and its gain terms (compute_ltp_l). With
// |s| <= 4096 and sum |h| <= 68486 the filter's chains cannot saturate (below 2^30).
void long_interp(const int16_t* s, int16_t ltpdel, int16_t phase, int16_t* y, int16_t& num, int16_t& den,
                 int16_t& shNum, int16_t& shDen) {
    const int16_t* h = kTabHupL + (phase - 1) * kLh2L;
    const int16_t* p = s + (kLhUpL - ltpdel);
    interp_exact(h, kLh2L, p, kSubfr, y);
    const Kernels& k = kernels();
    int32_t acc = k.mac_chain(y, s, kSubfr);
    if (acc < 0) {
        num = 0;
        shNum = 0;
    } else {
        int16_t t = sub(16, norm_l(acc));
        if (t < 0) t = 0;
        num = extract_l(L_shr(acc, t));
        shNum = t;
    }
    acc = k.mac_chain(y, y, kSubfr);
    int16_t t = sub(16, norm_l(acc));
    if (t < 0) t = 0;
    den = extract_l(L_shr(acc, t));
    shDen = t;
}

// 1 keeps the short-filter gain, 2 takes the long-filter gain (select_ltp).
int select_ltp(int16_t num1, int16_t den1, int16_t shNum1, int16_t shDen1, int16_t num2, int16_t den2,
               int16_t shNum2, int16_t shDen2) {
    if (den2 == 0) return 1;
    int16_t hi = 0, lo = 0;
    L_Extract(L_mult(num1, num1), hi, lo);
    int32_t t1 = Mpy_32_16(hi, lo, den2);
    L_Extract(L_mult(num2, num2), hi, lo);
    int32_t t2 = Mpy_32_16(hi, lo, den1);
    const int16_t e1 = add(shl(shNum1, 1), shDen2);
    const int16_t e2 = add(shl(shNum2, 1), shDen1);
    if (sub(e2, e1) > 0)
        t1 = L_shr(t1, sub(e2, e1));
    else if (sub(e1, e2) > 0)
        t2 = L_shr(t2, sub(e1, e2));
    return L_sub(t2, t1) > 0 ? 2 : 1;
}

// 1/A(z) of order 10 over len samples from a zero state, saturating (reference Syn_filt).
void impulse(const int16_t* a, const int16_t* x, int16_t* y, int len) {
    static constexpr int16_t kZero[kOrder] = {};
    voksSynthesisFilter_NR_16s_Sfs(a, x, y, len, 12, kZero);
}

// The gain smoothing of the gain controls: g[i] = gain = add((gain * fac + round) >> 15, g0) for
// i < 40 (mult_r with round = 2^14, mult with round = 0; fac > 0, so neither product saturates);
// returns the last gain. The sum is formed in one step, (gain * fac + round + g0 * 2^15) >> 15,
// which equals the reference while it fits 16 bits; the chain runs that way and is redone with
// saturation only when some value left 16 bits.
int16_t smooth_gain(int16_t gain, int16_t fac, int32_t round, int16_t g0, int16_t* g) {
    const int32_t bias = round + g0 * 32768;
    int32_t v = gain;
    uint32_t outside = 0;
    for (int i = 0; i < kSubfr; ++i) {
        const int32_t next = (v * fac + bias) >> 15;
        outside |= static_cast<uint32_t>(next + 32768) >> 16;
        g[i] = static_cast<int16_t>(next);
        if (next == v) {  // a fixed point: the rest of the block repeats it
            for (int j = i + 1; j < kSubfr; ++j) g[j] = static_cast<int16_t>(v);
            break;
        }
        v = next;
    }
    if (outside == 0) return g[kSubfr - 1];
    for (int i = 0; i < kSubfr; ++i) {
        gain = add(static_cast<int16_t>((gain * fac + round) >> 15), g0);
        g[i] = gain;
    }
    return gain;
}

}  // namespace

void weight_az(const int16_t* a, const int16_t* fac, int16_t* ap) {
    // round_fx(L_mult(a, f)) with the tables' factors 0 <= f <= 32767: |2 a f| + 2^15 < 2^31, so
    // neither step saturates.
    ap[0] = a[0];
    for (int i = 1; i <= kOrder; ++i) ap[i] = static_cast<int16_t>((2 * a[i] * fac[i] + 0x8000) >> 16);
}

void residu(const int16_t* a, int order, const int16_t* x, int16_t* y, int len) {
    // In 32 bits below 65536 coefficients (each magnitude at most 2^15).
    int64_t sumAbs = 0;
    for (int i0 = 0; i0 <= order; i0 += 65535) {
        const int end = order - i0 < 65535 ? order + 1 : i0 + 65535;
        int32_t sum = 0;
        for (int i = i0; i < end; ++i) sum += a[i] < 0 ? -int32_t{a[i]} : a[i];
        sumAbs += sum;
    }
    // With sum|a| below 2^15 the bound holds for any input; otherwise the largest input decides.
    int64_t maxAbs = 1;
    if (sumAbs >= 32768) {
        maxAbs = 0;
        for (int i = -order; i < len; ++i) {
            const int64_t v = x[i] < 0 ? -int64_t{x[i]} : x[i];
            if (v > maxAbs) maxAbs = v;
        }
    }
    if (maxAbs * sumAbs < (int64_t{1} << 30)) {
        // No partial sum of the doubled products can reach 2^31: the exact sum is the chain.
        constexpr int kChunk = 64;
        int32_t buf[kChunk];
        for (int n0 = 0; n0 < len; n0 += kChunk) {
            const int count = len - n0 < kChunk ? len - n0 : kChunk;
            common::kernels().fir(a, order + 1, x + n0, count, buf);
            // round_fx(L_shl(2 b, 3)) for |b| < 2^30: (b + 2^11) >> 12, saturated to 16 bits on
            // both sides exactly where the shift or the rounding saturates (a loop that vectorises).
            for (int k = 0; k < count; ++k) {
                const int32_t v = (buf[k] + 0x800) >> 12;
                y[n0 + k] = static_cast<int16_t>(v > MAX_16 ? MAX_16 : (v < MIN_16 ? MIN_16 : v));
            }
        }
        return;
    }
    for (int n = 0; n < len; ++n) {
        int32_t s = L_mult(x[n], a[0]);
        for (int i = 1; i <= order; ++i) s = L_mac(s, a[i], x[n - i]);
        y[n] = round_fx(L_shl(s, 3));
    }
}

void ltp_g729(int16_t gamma, int t0, const int16_t* res, int16_t* out, int16_t* vo) {
    // Justify the input on 13 bits.
    const int16_t* src = res - kMemRes2;
    // norm_s of the OR of the magnitudes depends only on its top bit, which is the top bit of the
    // largest magnitude (abs_s: -32768 counts as 32767).
    const common::Kernels& ck = common::kernels();
    const int16_t shSig = sub(3, norm_s(ck.max_abs(src, kSizRes2)));
    // shr(src, shSig): a plain arithmetic shift either way, since every |src| is at most the
    // largest magnitude and a left shift by its norm_s - 3 keeps it within 13 bits.
    int16_t cadr[kSizRes2];
    ck.shift(src, cadr, kSizRes2, -shSig);
    const int16_t* sig = cadr + kMemRes2;

    int16_t yUp[(kFup - 1) * kSubfrP1];
    LtpChoice c = search_delay(static_cast<int16_t>(t0), sig, yUp);
    *vo = c.ltpdel;
    if (c.num == 0) {
        std::memmove(out, res, kSubfr * sizeof(int16_t));
        return;
    }
    int16_t yLong[kSubfr];
    const int16_t* yPtr;
    if (c.phase == 0) {
        yPtr = res - c.ltpdel;
    } else {
        int16_t num2 = 0, den2 = 0, shNum2 = 0, shDen2 = 0;
        long_interp(sig, c.ltpdel, c.phase, yLong, num2, den2, shNum2, shDen2);
        int16_t* y;
        if (select_ltp(c.num, c.den, c.shNum, c.shDen, num2, den2, shNum2, shDen2) == 1) {
            y = yUp + (c.phase - 1) * kSubfrP1 + c.offYup;
        } else {
            c.num = num2;
            c.den = den2;
            c.shNum = shNum2;
            c.shDen = shDen2;
            y = yLong;
        }
        // shl(y, shSig) for -11 <= shSig <= 3: a right shift, or a left shift clamped to 16
        // bits (loops that vectorise).
        if (shSig > 0) {
            for (int i = 0; i < kSubfr; ++i) {
                const int32_t r = y[i] * (int32_t{1} << shSig);
                y[i] = static_cast<int16_t>(r > MAX_16 ? MAX_16 : (r < MIN_16 ? MIN_16 : r));
            }
        } else {
            for (int i = 0; i < kSubfr; ++i) y[i] = static_cast<int16_t>(y[i] >> -shSig);
        }
        yPtr = y;
    }
    int16_t num = c.num, den = c.den;
    const int16_t t = sub(c.shNum, c.shDen);
    if (t >= 0)
        den = shr(den, t);
    else
        num = shl(num, t);
    int16_t gain;
    if (sub(num, den) >= 0) {
        if (gamma == kGammaHarm) {
            gain = kMinGplt;
        } else {
            num = shr(mult_r(den, gamma), 1);
            den = shr(den, 1);
            gain = div_s(den, add(den, num));
        }
    } else {
        num = gamma == kGammaHarm ? shr(num, 2) : shr(mult_r(num, gamma), 1);
        den = shr(den, 1);
        gain = div_s(den, add(den, num));
    }
    // out = g * in + (1 - g) * delayed. With 0 <= gain and 0 < gain1 <= 32768 - gain, the chain
    // L_mult, L_mac, round_fx cannot saturate: |gain res + gain1 y| <= 2^30, so it is the plain
    // sum rounded, the weighted-sum kernel with a shift of 15.
    const int16_t gain1 = add(sub(32767, gain), 1);
    kernels().interp_c_nr(res, gain, yPtr, gain1, out, kSubfr, 15);
}

void ltp_g729a(int16_t delay, const int16_t* speech, const int16_t* lpc, int16_t* resBuf, int16_t* out) {
    int16_t* res = resBuf + kResCur;
    residu(lpc, kOrder, speech, res, kSubfr);
    int16_t t0Min = sub(delay, 3);
    int16_t t0Max = add(t0Min, 6);
    if (t0Max > 143) {
        t0Max = 143;
        t0Min = 137;
    }
    // The search runs on the residual scaled down by 2 bits (elements 11..193).
    constexpr int kFirst = kResCur - 143;
    int16_t scal[kResBufLen - kFirst];
    for (int i = 0; i < kResBufLen - kFirst; ++i) scal[i] = static_cast<int16_t>(resBuf[kFirst + i] >> 2);
    const int16_t* s = scal + 143;

    const Kernels& k = kernels();
    const common::Kernels& ck = common::kernels();
    // Every partial correlation sum is at most sqrt(E0 Et) by Cauchy-Schwarz, Et at most the
    // energy of the span all delays read; while the doubled bound stays below 2^31 (and no
    // product is -32768^2: |s| <= 8192) the chains are twice the plain sums, formed at once.
    const int64_t e0 = ck.energy(s, kSubfr);
    const int64_t span = ck.energy(s - t0Max, kSubfr + t0Max - t0Min);
    const bool plain = static_cast<unsigned __int128>(4 * e0) * static_cast<uint64_t>(span) <
                       (static_cast<unsigned __int128>(1) << 62);
    int32_t corrs[7];
    const int lags = t0Max - t0Min + 1;
    if (plain) ck.xcorr(s, s - t0Max, kSubfr, corrs, lags);  // corrs[j]: delay t0Max - j
    int32_t corMax = MIN_32;
    int16_t t0 = t0Min;
    for (int16_t i = t0Min; i <= t0Max; ++i) {
        const int32_t corr = plain ? 2 * corrs[t0Max - i] : k.mac_chain(s, s - i, kSubfr);
        if (L_sub(corr, corMax) > 0) {
            corMax = corr;
            t0 = i;
        }
    }
    // Chains of squares only grow: a chain from 1 equals 1 plus the chain from 0, and the chain
    // from 0 is min(2 E, 2^31 - 1).
    auto squares = [](int64_t e) { return 2 * e > MAX_32 ? MAX_32 : static_cast<int32_t>(2 * e); };
    const int32_t ener = L_add(1, squares(ck.energy(s - t0, kSubfr)));
    const int32_t ener0 = L_add(1, squares(e0));
    if (corMax < 0) corMax = 0;
    int32_t top = corMax;
    if (ener > top) top = ener;
    if (ener0 > top) top = ener0;
    const int16_t j = norm_l(top);
    int16_t cmax = round_fx(L_shl(corMax, j));
    int16_t en = round_fx(L_shl(ener, j));
    const int16_t en0 = round_fx(L_shl(ener0, j));
    // Switched off below 3 dB of prediction gain.
    int32_t t = L_sub(L_mult(cmax, cmax), L_shr(L_mult(en, en0), 1));
    if (t < 0) {
        std::memmove(out, res, kSubfr * sizeof(int16_t));
        return;
    }
    int16_t g0, gain;
    if (sub(cmax, en) > 0) {
        g0 = 21845;    // 1 / (1 + 0.5)
        gain = 10923;  // 0.5 / (1 + 0.5)
    } else {
        cmax = shr(mult(cmax, 16384), 1);
        en = shr(en, 1);
        const int16_t d = add(cmax, en);
        if (d > 0) {
            gain = div_s(cmax, d);
            g0 = sub(32767, gain);
        } else {
            g0 = 32767;
            gain = 0;
        }
    }
    // Both factors are non-negative, so neither mult saturates; only the sum can: the weighted
    // sum kernel with a shift of 15.
    kernels().interp_c(res, g0, res - t0, gain, out, kSubfr, 15);
}

void ltp_g729b(int16_t delay, const int16_t* speech, const int16_t* lpc, int16_t* resBuf, int16_t* out,
               int16_t* voicing, int16_t frameType) {
    int16_t ap[kOrder + 1];
    weight_az(lpc, kFacGamma2Pst, ap);
    int16_t* res = resBuf + kResCur;
    residu(ap, kOrder, speech, res, kSubfr);
    if (frameType == 1) {
        int16_t vo = 0;
        ltp_g729(kGammaHarm, delay, res, out, &vo);
        *voicing = vo != 0 ? 1 : 0;
    } else {
        std::memmove(out, res, kSubfr * sizeof(int16_t));
        *voicing = 0;
    }
}

VokStatus short_term(const int16_t* lpc, const int16_t* src, int16_t* dst, int16_t* h) {
    int16_t ap1[kOrder + 1];
    int16_t ap2[kImpLen] = {};
    weight_az(lpc, kFacGamma1Pst, ap1);
    weight_az(lpc, kFacGamma2Pst, ap2);
    impulse(ap1, ap2, h, kImpLen);
    // The L_add chain of 20 magnitudes of at most 32767 never saturates: a plain sum.
    int32_t sum = 0;
    for (int i = 0; i < kImpLen; ++i) sum += abs_s(h[i]);
    const int16_t g0 = extract_h(L_shl(sum, 14));
    int16_t x[kSubfr];
    if (sub(g0, 1024) > 0) {
        // 0 < inv < 32767, so |src * inv| + 2^14 < 2^30: mult_r never saturates.
        const int16_t inv = div_s(1024, g0);
        for (int i = 0; i < kSubfr; ++i) x[i] = static_cast<int16_t>((int32_t{src[i]} * inv + 0x4000) >> 15);
    } else {
        std::memcpy(x, src, sizeof(x));
    }
    return voksSynthesisFilter_NR_16s_Sfs(ap1, x, dst, kSubfr, 12, dst - kOrder);
}

void tilt_mu(int16_t parcor0, const int16_t* in, int16_t* out) {
    int16_t mu, fact;
    int16_t shFact1;
    if (parcor0 > 0) {
        mu = mult_r(parcor0, kGamma3Plus);
        shFact1 = 15;
        fact = 0x4000;
    } else {
        mu = mult_r(parcor0, kGamma3Minus);
        shFact1 = 12;
        fact = 0x0800;
    }
    const int16_t mu2 = add(32767, sub(1, abs_s(mu)));
    const int16_t ga = div_s(fact, mu2);
    mu = shr(mu, 1);
    // The input is copied first so that the in-place call reads unfiltered samples.
    int16_t x[kSubfr + 1];
    std::memcpy(x, in, sizeof(x));
    kernels().tilt(x, out, kSubfr, mu, ga, fact, shFact1);
}

void tilt_g729(const int16_t* h, int16_t* x) {
    const Kernels& k = kernels();  // L_mac chains from zero
    int32_t acc = k.mac_chain(h, h, kImpLen);
    const int16_t sh = norm_l(acc);
    const int16_t acf0 = extract_h(L_shl(acc, sh));
    acc = k.mac_chain(h, h + 1, kImpLen - 1);
    const int16_t acf1 = extract_h(L_shl(acc, sh));
    int16_t rc0 = 0;
    if (sub(acf0, abs_s(acf1)) >= 0) {
        rc0 = div_s(abs_s(acf1), acf0);
        if (acf1 > 0) rc0 = negate(rc0);
    }
    tilt_mu(rc0, x - 1, x);
}

void tilt_g729a(const int16_t* lpc, int16_t* x) {
    constexpr int kLh = 22;
    int16_t num[kLh] = {};
    for (int i = 0; i <= kOrder; ++i) num[i] = lpc[i];
    int16_t h[kLh];
    impulse(lpc + kOrder + 1, num, h, kLh);
    const Kernels& k = kernels();  // L_mac chains from zero, as L_mult then L_mac
    const int16_t r0 = extract_h(k.mac_chain(h, h, kLh));
    int16_t r1 = extract_h(k.mac_chain(h, h + 1, kLh - 1));
    int16_t g = 0;
    if (r1 > 0) g = r0 < 1 ? MAX_16 : div_s(mult(r1, 26214), r0);
    // preemphasis(g, x, x, 40, x - 1) from a copy, as a loop that vectorises: with g >= 0 no
    // product mult(g, .) saturates, only the difference.
    int16_t prev[kSubfr + 1];
    std::memcpy(prev, x - 1, sizeof(prev));
    for (int i = 0; i < kSubfr; ++i) x[i] = sat16(int32_t{prev[i + 1]} - ((int32_t{g} * prev[i]) >> 15));
    x[-1] = prev[kSubfr];
}

void preemphasis(int16_t g, const int16_t* src, int16_t* dst, int len, int16_t* mem) {
    const int16_t last = src[len - 1];
    // From the end backwards so that the in-place call reads unfiltered samples.
    for (int i = len - 1; i > 0; --i) dst[i] = sub(src[i], mult(g, src[i - 1]));
    dst[0] = sub(src[0], mult(g, *mem));
    *mem = last;
}

void gain_control(const int16_t* in, int16_t* out, int16_t* gainPrec) {
    const Kernels& k = kernels();
    int32_t acc = k.abs_sum(in, kSubfr);
    int16_t g0;
    if (acc == 0) {
        g0 = 0;
    } else {
        const int16_t scalIn = norm_l(acc);
        const int16_t gIn = extract_h(L_shl(acc, scalIn));
        acc = k.abs_sum(out, kSubfr);
        if (acc == 0) {
            *gainPrec = 0;
            return;
        }
        const int16_t scalOut = norm_l(acc);
        const int16_t gOut = extract_h(L_shl(acc, scalOut));
        int16_t sh = sub(add(scalIn, 1), scalOut);
        if (sub(gIn, gOut) < 0) {
            g0 = div_s(gIn, gOut);
        } else {
            g0 = add(shr(div_s(sub(gIn, gOut), gOut), 1), 0x4000);
            sh = sub(sh, 1);
        }
        g0 = mult_r(shr(g0, sh), kAgcFac1);
    }
    // The smoothed gain does not depend on the signal: run its recursion, then scale.
    int16_t g[kSubfr];
    *gainPrec = smooth_gain(*gainPrec, kAgcFac, 0x4000, g0, g);
    k.apply_q14(g, out, kSubfr);  // round(L_shl(L_mult(gain, out), 1))
}

void gain_control_a(const int16_t* in, int16_t* out, int16_t* pastGain) {
    const Kernels& k = kernels();
    int32_t s = k.energy_q2(out, kSubfr);
    if (s == 0) {
        *pastGain = 0;
        return;
    }
    int16_t e = sub(norm_l(s), 1);
    const int16_t gOut = round_fx(L_shl(s, e));
    s = k.energy_q2(in, kSubfr);
    int16_t g0 = 0;
    if (s != 0) {
        const int16_t n = norm_l(s);
        const int16_t gIn = round_fx(L_shl(s, n));
        e = sub(e, n);
        s = L_deposit_l(div_s(gOut, gIn));
        s = L_shr(L_shl(s, 7), e);
        s = ownInvSqrt(s);
        g0 = mult(round_fx(L_shl(s, 9)), 3276);
    }
    int16_t g[kSubfr];
    *pastGain = smooth_gain(*pastGain, 29491, 0, g0, g);
    k.apply_q12(g, out, kSubfr);  // extract_h(L_shl(L_mult(out, gain), 3))
}

void gain_control_32f(float* x, float* gain, float increment, float factor) {
    float g = *gain;
    for (int i = 0; i < kSubfr; ++i) {
        g = g * factor + increment;
        x[i] = x[i] * g;
    }
    *gain = g;
}

}  // namespace voks::g729

// Open-loop and closed-loop pitch searches, adaptive-vector interpolation, pitch gain and target
// update of the G.729 excitation analysis (fixed point).
#include <cstring>

#include "common/basicop.h"
#include "common/kernels.h"
#include "g729/exc_internal.h"
#include "g729/g729_mathop.h"
#include "g729/kernels.h"
#include "voksc.h"

namespace voks::g729 {

// 1/3-resolution interpolation filters: normalised correlations (4 taps a side, inter_3) and
// the excitation (10 taps a side, inter_3l).
const float inter_3l_32f[31] = {
    0.898517f,  0.769271f,  0.448635f,  0.095915f,  -0.134333f, -0.178528f, -0.084919f, 0.036952f,
    0.095533f,  0.068936f,  -0.000000f, -0.050404f, -0.050835f, -0.014169f, 0.023083f,  0.033543f,
    0.016774f,  -0.007466f, -0.019340f, -0.013755f, 0.000000f,  0.009400f,  0.009029f,  0.002381f,
    -0.003658f, -0.005027f, -0.002405f, 0.001050f,  0.002780f,  0.002145f,  0.000000f};

int32_t mac_chain(const int16_t* a, const int16_t* b, int n) {
    return kernels().mac_chain(a, b, n);
}

void pitch_range(int delay, int subframe, int& tmin, int& tmax) {
    const int back = subframe == 0 ? 3 : 5;
    const int span = subframe == 0 ? 6 : 9;
    tmin = delay - back;
    if (tmin < kPitMin) tmin = kPitMin;
    tmax = tmin + span;
    if (tmax > kPitMax) {
        tmax = kPitMax;
        tmin = kPitMax - span;
    }
}

namespace {

// Correlation normalised by the inverse square root of the energy, as Lag_max returns it.
int16_t normalise(int32_t corr, int32_t energy) {
    const int32_t inv = ownInvSqrt(energy);
    int16_t ch, cl, eh, el;
    L_Extract(corr, ch, cl);
    L_Extract(inv, eh, el);
    return extract_l(Mpy_32(ch, cl, eh, el));
}

// Scales the 223 samples x[-143..79] into s[0..222] by the energy test of the open-loop search.
void scale_frame(const int16_t* x, int16_t* s, bool overflow, int32_t energy) {
    const int16_t* src = x - kPitMax;
    constexpr int n = kPitMax + 80;
    if (overflow) {
        for (int i = 0; i < n; ++i) s[i] = static_cast<int16_t>(src[i] >> 3);
    } else if (energy < 1048576) {
        // shl(x, 3): the product clamped to 16 bits.
        for (int i = 0; i < n; ++i) {
            const int32_t v = int32_t{src[i]} * 8;
            s[i] = static_cast<int16_t>(v > MAX_16 ? MAX_16 : (v < MIN_16 ? MIN_16 : v));
        }
    } else {
        std::memcpy(s, src, n * sizeof(int16_t));
    }
}

// Lag_max of the main body over lags hi down to lo (ties go to the smaller lag). When the
// scaled frame's energy is below 2^30 no partial sum can saturate (Cauchy-Schwarz), and the
// doubled exact correlations of the shared kernel are the reference chains.
int16_t lag_max(const int16_t* sig, int hi, int lo, bool exact, int16_t& cor_max) {
    int32_t corr[kPitMax + 1];
    const int count = hi - lo + 1;
    if (exact) {
        common::kernels().xcorr(sig, sig - hi, 80, corr, count);  // corr[hi - T]
        for (int k = 0; k < count; ++k) corr[k] *= 2;
    } else {
        for (int k = 0; k < count; ++k) corr[k] = mac_chain(sig, sig - (hi - k), 80);
    }
    int32_t max = MIN_32;
    int p_max = hi;
    for (int k = 0; k < count; ++k) {
        if (corr[k] >= max) {
            max = corr[k];
            p_max = hi - k;
        }
    }
    const int32_t e = mac_chain(sig - p_max, sig - p_max, 80);
    cor_max = normalise(max, e);
    return static_cast<int16_t>(p_max);
}

// The scaled frame split by parity for the decimated correlations of Pitch_ol_fast:
// ev[k] = s[2k - 142], od[k] = s[2k - 143]. A correlation at lag i over n = 0, 2, .., 78 pairs
// ev[71 ..] with ev (even i) or od (odd i).
struct Decimated {
    int16_t ev[111], od[112];
    bool exact;  // no chain can saturate: both parity energies below 2^30
    explicit Decimated(const int16_t* s) {
        for (int k = 0; k < 111; ++k) ev[k] = s[2 * k - 142];
        for (int k = 0; k < 112; ++k) od[k] = s[2 * k - 143];
        const common::Kernels& ck = common::kernels();
        exact = ck.energy(ev, 111) < (int64_t{1} << 30) && ck.energy(od, 112) < (int64_t{1} << 30);
        if (exact) {
            // All lags 20..143 at once: element k pairs ev[71..] with ev or od from offset k,
            // that is lag 2 (71 - k) or 2 (71 - k) + 1. 64 lags keep the kernel on whole
            // blocks (the last two, lags 16 to 19, read inside the arrays and go unused).
            ck.xcorr(ev + 71, ev, 40, even, 64);
            ck.xcorr(ev + 71, od, 40, odd, 64);
        }
    }
    // Exact case: the correlations of lag 2 (71 - k) and 2 (71 - k) + 1, below 2^30 in magnitude.
    int32_t even[64], odd[64];
    const int16_t* lagged(int i) const { return (i & 1) ? od + 71 - (i - 1) / 2 : ev + 71 - i / 2; }
    int32_t corr(int i) const {
        if (exact) return 2 * ((i & 1) ? odd[71 - (i - 1) / 2] : even[71 - i / 2]);
        return kernels().mac_chain(ev + 71, lagged(i), 40);
    }
    int32_t energy(int i) const {
        const int16_t* p = lagged(i);
        if (exact) return 2 * common::kernels().dot(p, p, 40);
        return kernels().mac_chain(p, p, 40);
    }
};

int16_t fast_norm(const Decimated& d, int t, int32_t max) {
    return normalise(max, L_add(1, d.energy(t)));
}

}  // namespace

int16_t pitch_ol(const int16_t* x) {
    // The L_mac chain of squares only grows: it saturates exactly when the exact sum leaves 32
    // bits (a saturated -32768 square included), and stays at MAX_32.
    bool ovf = false;
    const int32_t t0 = ownMacEnergy(0, x - kPitMax, kPitMax + 80, ovf);
    int16_t scaled[kPitMax + 80];
    scale_frame(x, scaled, ovf, t0);
    const int16_t* s = scaled + kPitMax;
    const bool exact = common::kernels().energy(scaled, kPitMax + 80) < (int64_t{1} << 30);
    int16_t max1, max2, max3;
    int16_t p1 = lag_max(s, kPitMax, 80, exact, max1);
    const int16_t p2 = lag_max(s, 79, 40, exact, max2);
    const int16_t p3 = lag_max(s, 39, 20, exact, max3);
    if (mult(max1, 27853) < max2) {
        max1 = max2;
        p1 = p2;
    }
    if (mult(max1, 27853) < max3) p1 = p3;
    return p1;
}

int16_t pitch_ol_fast(const int16_t* x) {
    // The decimated chain of squares, saturating exactly when its exact sum leaves 32 bits.
    int64_t e = 0;
    for (int i = -kPitMax; i < 80; i += 2) e += int32_t{x[i]} * x[i];
    const bool ovf = 2 * e > MAX_32;
    const int32_t sum = ovf ? MAX_32 : static_cast<int32_t>(2 * e);
    int16_t scaled[kPitMax + 80];
    scale_frame(x, scaled, ovf, sum);
    const Decimated dec(scaled + kPitMax);

    auto section = [&](int lo, int hi, int step, int16_t& t) {
        int32_t max = MIN_32;
        t = static_cast<int16_t>(lo);
        for (int i = lo; i < hi; i += step) {
            const int32_t c = dec.corr(i);
            if (c > max) {
                max = c;
                t = static_cast<int16_t>(i);
            }
        }
        return max;
    };
    int16_t t1, t2, t3;
    const int32_t c1 = section(20, 40, 1, t1);
    const int16_t max1a = fast_norm(dec, t1, c1);
    const int32_t c2 = section(40, 80, 1, t2);
    const int16_t max2a = fast_norm(dec, t2, c2);
    int32_t c3 = section(80, 143, 2, t3);
    {
        const int i = t3;
        int32_t c = dec.corr(i + 1);
        if (c > c3) {
            c3 = c;
            t3 = static_cast<int16_t>(i + 1);
        }
        c = dec.corr(i - 1);
        if (c > c3) {
            c3 = c;
            t3 = static_cast<int16_t>(i - 1);
        }
    }
    const int16_t max3 = fast_norm(dec, t3, c3);
    int16_t max1 = max1a, max2 = max2a;
    // Favour the sub-multiples of the longer lags.
    int16_t i = sub(shl(t2, 1), t3);
    if (sub(abs_s(i), 5) < 0) max2 = add(max2, shr(max3, 2));
    i = add(i, t2);
    if (sub(abs_s(i), 7) < 0) max2 = add(max2, shr(max3, 2));
    i = sub(shl(t1, 1), t2);
    if (sub(abs_s(i), 5) < 0) max1 = add(max1, mult(max2, 6554));
    i = add(i, t1);
    if (sub(abs_s(i), 7) < 0) max1 = add(max1, mult(max2, 6554));
    if (max1 < max2) {
        max1 = max2;
        t1 = t2;
    }
    if (max1 < max3) t1 = t3;
    return t1;
}

void pred_lt_3(int16_t* exc, int t0, int frac) {
    kernels().pred_lt_3(exc, t0, frac);
}

// When max|x| * sum|h| < 2^30 no doubled partial sum reaches 2^31, so the chains are the exact
// convolution sums and only the final shift can saturate; otherwise the saturating chains run.
void convolve_q12(const int16_t* x, const int16_t* h, int16_t* y) {
    int32_t mx = 0, sh = 0;
    for (int i = 0; i < kSubfr; ++i) {
        const int32_t ax = x[i] < 0 ? -int32_t{x[i]} : x[i], ah = h[i] < 0 ? -int32_t{h[i]} : h[i];
        mx = ax > mx ? ax : mx;
        sh += ah;
    }
    if (int64_t{mx} * sh < (int64_t{1} << 30)) {
        int32_t s[kSubfr];
        common::kernels().conv(x, h, 0, kSubfr, s);
        // extract_h(L_shl(2 s, 3)): s >> 12 clamped to 16 bits (L_shl saturates from s >= 2^27).
        for (int n = 0; n < kSubfr; ++n) {
            const int32_t v = s[n] >> 12;
            y[n] = static_cast<int16_t>(v > MAX_16 ? MAX_16 : (v < MIN_16 ? MIN_16 : v));
        }
        return;
    }
    for (int n = 0; n < kSubfr; ++n) {
        int32_t s = 0;
        for (int i = 0; i <= n; ++i) s = L_mac(s, x[i], h[n - i]);
        y[n] = extract_h(L_shl(s, 3));
    }
}

namespace {

// Sum of |taps| of the eight-tap window of each phase 0..2 of inter_3.
struct Inter3Abs {
    int32_t v[3];
};
constexpr Inter3Abs make_inter3_abs() {
    Inter3Abs a{};
    for (int f = 0; f < 3; ++f)
        for (int k = 0; k < 12; k += 3) {
            a.v[f] += inter_3[f + k] < 0 ? -inter_3[f + k] : inter_3[f + k];
            a.v[f] += inter_3[3 - f + k] < 0 ? -inter_3[3 - f + k] : inter_3[3 - f + k];
        }
    return a;
}
constexpr Inter3Abs kInter3Abs = make_inter3_abs();

// Interpol_3: the normalised correlation at a 1/3 fraction around x[0]. When the largest
// sample times the window's absolute sum stays below 2^30 no doubled partial sum saturates and
// the sum is formed exactly; only the rounding can saturate then.
int16_t interpol_3(const int16_t* x, int frac) {
    if (frac < 0) {
        frac += 3;
        --x;
    }
    int32_t mx = 0;
    for (int i = -3; i <= 4; ++i) {
        const int32_t a = x[i] < 0 ? -int32_t{x[i]} : x[i];
        mx = a > mx ? a : mx;
    }
    if (int64_t{mx} * kInter3Abs.v[frac] < (int64_t{1} << 30)) {
        int32_t e = 0;
        for (int i = 0, k = 0; i < 4; ++i, k += 3)
            e += x[-i] * inter_3[frac + k] + x[1 + i] * inter_3[3 - frac + k];
        const int64_t r = (int64_t{e} * 2 + 0x8000) >> 16;
        return static_cast<int16_t>(r > MAX_16 ? MAX_16 : r);
    }
    int32_t s = 0;
    for (int i = 0, k = 0; i < 4; ++i, k += 3) {
        s = L_mac(s, x[-i], inter_3[frac + k]);
        s = L_mac(s, x[1 + i], inter_3[3 - frac + k]);
    }
    return round_fx(s);
}

// Norm_Corr: corr[t - t_min] for t = t_min..t_max.
void norm_corr(const int16_t* exc, const int16_t* xn, const int16_t* h, int t_min, int t_max, int16_t* corr) {
    int16_t excf[kSubfr];
    convolve_q12(exc - t_min, h, excf);
    int32_t s = mac_chain(excf, excf, kSubfr);
    int h_fac = 3, scaling = 0;
    if (s > 67108864) {
        for (int j = 0; j < kSubfr; ++j) excf[j] = shr(excf[j], 2);
        h_fac = 1;
        scaling = 2;
    }
    kernels().norm_corr(exc, xn, h, t_min, t_max, h_fac, scaling, excf, corr);
}

// Picks the best fraction among f = first..last on the interpolated correlation around lag.
int best_fraction(const int16_t* corr_at_lag, int first, int last) {
    int16_t max = interpol_3(corr_at_lag, first);
    int frac = first;
    for (int i = first + 1; i <= last; ++i) {
        const int16_t c = interpol_3(corr_at_lag, i);
        if (c > max) {
            max = c;
            frac = i;
        }
    }
    return frac;
}

// Integer search over the normalised correlations (ties go to the larger lag); returns the
// corr array offset base so that corr_v[t - t_min] is the value at t.
int16_t integer_lag(const int16_t* corr_v, int t_min, int tmin, int tmax) {
    int16_t max = corr_v[tmin - t_min];
    int lag = tmin;
    for (int i = tmin + 1; i <= tmax; ++i) {
        if (corr_v[i - t_min] >= max) {
            max = corr_v[i - t_min];
            lag = i;
        }
    }
    return static_cast<int16_t>(lag);
}

void map_fraction(int16_t& lag, int& frac) {
    if (frac == -2) {
        frac = 1;
        --lag;
    }
    if (frac == 2) {
        frac = -1;
        ++lag;
    }
}

}  // namespace

void pitch_fr3(int16_t* exc, const int16_t* xn, const int16_t* h, int tmin, int tmax, int subframe,
               int16_t& t0, int16_t& frac_out) {
    int16_t corr_v[kSubfr];
    const int t_min = tmin - 4, t_max = tmax + 4;
    norm_corr(exc, xn, h, t_min, t_max, corr_v);
    int16_t lag = integer_lag(corr_v, t_min, tmin, tmax);
    int frac = 0;
    if (!(subframe == 0 && lag > 84)) {
        frac = best_fraction(corr_v + (lag - t_min), -2, 2);
        map_fraction(lag, frac);
    }
    t0 = lag;
    frac_out = static_cast<int16_t>(frac);
    pred_lt_3(exc, lag, frac);
}

void pitch_fr3_d(const int16_t* exc, const int16_t* xn, const int16_t* h, int tmin, int tmax, int subframe,
                 int16_t& t0, int16_t& frac_out) {
    int16_t corr_v[kSubfr];
    const int t_min = tmin - 4, t_max = tmax + 4;
    norm_corr(exc, xn, h, t_min, t_max, corr_v);
    int16_t lag = integer_lag(corr_v, t_min, tmin, tmax);
    int frac = 0;
    if (!(subframe == 0 && lag > 84)) {
        const int16_t* c = corr_v + (lag - t_min);
        if (subframe == 0) {
            frac = best_fraction(c, -2, 2);
        } else {
            // Reduced fractional resolution away from the middle of the range.
            const int mid = tmax - 4;
            const int d = lag - mid;
            if (d == -1 || d == 0)
                frac = best_fraction(c, -2, 2);
            else if (d == -2)
                frac = best_fraction(c, 0, 2);
            else if (d == 1)
                frac = best_fraction(c, -2, 0);
        }
        map_fraction(lag, frac);
    }
    t0 = lag;
    frac_out = static_cast<int16_t>(frac);
}

void pitch_fr3_fast(int16_t* exc, const int16_t* xn, const int16_t* h, int tmin, int tmax, int subframe,
                    int16_t& t0_out, int16_t& frac_out) {
    int16_t dn[kSubfr];
    cor_h_x(h, xn, dn);
    const Kernels& k = kernels();
    int32_t max = MIN_32;
    int t0 = tmin;
    // Every lag's window lies in exc[-tmax .. 39 - tmin]: when <dn,dn> times that span's energy
    // is below 2^60 no partial sum can saturate (Cauchy-Schwarz), and the doubled exact
    // correlations of the shared kernel are the reference chains.
    const common::Kernels& ck = common::kernels();
    const int count = tmax - tmin + 1;
    const uint64_t ed = static_cast<uint64_t>(ck.energy(dn, kSubfr));
    const uint64_t ee = static_cast<uint64_t>(ck.energy(exc - tmax, kSubfr + tmax - tmin));
    if (static_cast<unsigned __int128>(ed) * ee < (static_cast<unsigned __int128>(1) << 60)) {
        int32_t corr[kPitMax + 1];
        ck.xcorr(dn, exc - tmax, kSubfr, corr, count);  // corr[tmax - t]
        for (int t = tmin; t <= tmax; ++t) {
            const int32_t c = 2 * corr[tmax - t];
            if (c > max) {
                max = c;
                t0 = t;
            }
        }
    } else {
        for (int t = tmin; t <= tmax; ++t) {
            const int32_t c = k.mac_chain(dn, exc - t, kSubfr);
            if (c > max) {
                max = c;
                t0 = t;
            }
        }
    }
    pred_lt_3(exc, t0, 0);
    max = k.mac_chain(dn, exc, kSubfr);
    t0_out = static_cast<int16_t>(t0);
    frac_out = 0;
    if (subframe == 0 && t0 > 84) return;
    int16_t best[kSubfr];
    std::memcpy(best, exc, sizeof best);
    pred_lt_3(exc, t0, -1);
    int32_t c = k.mac_chain(dn, exc, kSubfr);
    if (c > max) {
        max = c;
        frac_out = -1;
        std::memcpy(best, exc, sizeof best);
    }
    pred_lt_3(exc, t0, 1);
    c = k.mac_chain(dn, exc, kSubfr);
    if (c > max)
        frac_out = 1;
    else
        std::memcpy(exc, best, sizeof best);
}

int16_t pitch_gain(const int16_t* x, const int16_t* y) {
    int16_t coeff[4];
    return voksComputeAdaptiveCodebookGain_16s(0, y, x, coeff);
}

void target_update(int16_t g, const int16_t* y, const int16_t* x, int16_t* x2) {
    kernels().target_update(g, y, x, x2);
}

void cor_h_x(const int16_t* h, const int16_t* x, int16_t* d) {
    // The shared normalised cross-correlation is this routine: saturating chains, 13-bit result.
    voksCrossCorr_NormM_16s(h, x, kSubfr, d);
}

}  // namespace voks::g729

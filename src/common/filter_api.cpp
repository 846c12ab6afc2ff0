// LP synthesis and residual filters, harmonic filters, weighted interpolation, pre-emphasis.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "common/basicop.h"
#include "common/filter_internal.h"
#include "common/kernels.h"
#include "frame/check.h"
#include "voksc.h"

namespace voks::common {

namespace {

// The filters below keep the history and their outputs in one local window: w[0..9] are
// y[n-10..n-1] and w[10] receives y[n]. Chunks of kChunk outputs slide the window along.
constexpr int kChunk = 240;

// Loads the history (zeros when absent) into the window; returns max |y| over it.
inline int32_t load_history(const int16_t* hist, int16_t* w) {
    int32_t ymax = 0;
    for (int i = 0; i < kOrder; ++i) {
        w[i] = hist ? hist[i] : int16_t{0};
        const int32_t m = w[i] < 0 ? -int32_t{w[i]} : w[i];
        ymax = m > ymax ? m : ymax;
    }
    return ymax;
}

// One output of the reference synthesis filter: the doubled sum saturates after every product,
// is scaled to Q16 with saturation and rounded.
inline int16_t reference_step(const Coeffs& a, int16_t x, const int16_t* w, int16_t up, bool& overflow) {
    int32_t s = L_mult(x, static_cast<int16_t>(a.c[0]), overflow);
    for (int i = 1; i <= kOrder; ++i) s = L_msu(s, static_cast<int16_t>(a.c[i]), w[kOrder - i], overflow);
    return round_fx(L_shl(s, up, overflow), overflow);
}

// Every partial sum of the reference chain is bounded by 2 * (|a[0] x[n]| + sum_{i>=1} |a[i]| *
// max|y|), the maximum over the window; while that stays below 2^31 nothing saturates before
// the scaling, so the exact sum gives the reference's output.
constexpr int64_t kExactLimit = (int64_t{1} << 30) - 1;

struct SynthCall {
    const int16_t* a;
    int64_t asum;   // sum_{i>=1} |a[i]|
    int32_t a0abs;  // |a[0]|
    int sf;
    int32_t ymax;  // max |y| over the history and the outputs so far
    bool overflow;
};

// Samples k..count-1 of a chunk, the bound checked on each: the exact sum where it holds, the
// reference step where it fails.
__attribute__((noinline)) void synth_checked(SynthCall& st, const int16_t* x, int16_t* y, int16_t* w, int k,
                                             int count) {
    const int16_t up = static_cast<int16_t>(15 - st.sf);
    const int32_t half = int32_t{1} << (st.sf - 1);
    const Coeffs c(st.a);
    for (; k < count; ++k) {
        int16_t* p = w + k;
        const int16_t xv = x[k];
        int16_t out;
        if (int64_t{st.a0abs} * (xv < 0 ? -int32_t{xv} : xv) + st.asum * st.ymax <= kExactLimit) {
            out = scale_round(exact_sum(c, xv, p, p[kOrder - 1], half), st.sf, st.overflow);
        } else {
            out = reference_step(c, xv, p, up, st.overflow);
        }
        p[kOrder] = out;
        y[k] = out;
        const int32_t m = out < 0 ? -int32_t{out} : out;
        st.ymax = m > st.ymax ? m : st.ymax;
    }
}

// The reference synthesis filter. The bound above, taken with the largest input of the call,
// gives the largest |y| (ylim) under which every sample is exact; the outputs run on the exact
// sums until one exceeds it, then each later sample checks the bound itself. Returns true when
// any step saturated.
bool synth_saturating(const int16_t* a, const int16_t* x, int16_t* y, int len, int sf, const int16_t* hist) {
    SynthCall st{a, 0, 0, sf, 0, false};
    int32_t asum = 0;  // in 32 bits: at most 10 * 2^15
    for (int i = 1; i <= kOrder; ++i) asum += a[i] < 0 ? -int32_t{a[i]} : a[i];
    st.asum = asum;
    st.a0abs = a[0] < 0 ? -int32_t{a[0]} : a[0];
    int16_t w[kOrder + kChunk];
    // When the bound holds for any input and output (|x|, |y| <= 32768), neither the history's
    // nor the input's magnitudes are needed.
    const bool any = st.asum * 32768 <= kExactLimit - int64_t{st.a0abs} * 32768;
    if (any) {
        for (int i = 0; i < kOrder; ++i) w[i] = hist ? hist[i] : int16_t{0};
    } else {
        st.ymax = load_history(hist, w);
    }

    // The input may be read ahead unless it starts inside the output, before it.
    const auto xa = reinterpret_cast<uintptr_t>(x), ya = reinterpret_cast<uintptr_t>(y);
    int32_t xmax = 32768;
    if (!any && !(xa < ya && ya < xa + sizeof(int16_t) * static_cast<size_t>(len))) {
        int16_t hi = 0, lo = 0;  // the extremes in 16 bits, which vectorises
        for (int n = 0; n < len; ++n) {
            hi = x[n] > hi ? x[n] : hi;
            lo = x[n] < lo ? x[n] : lo;
        }
        xmax = -int32_t{lo} > hi ? -int32_t{lo} : hi;
    }
    // No output can exceed ylim = 32768; below that (room < 2^30, asum < 2^20) a 32-bit quotient.
    const int64_t room = kExactLimit - int64_t{st.a0abs} * xmax;
    const int32_t ylim =
        room < 0 ? -1
        : st.asum * 32768 <= room
            ? 32768
            : static_cast<int32_t>(static_cast<uint32_t>(room) / static_cast<uint32_t>(st.asum));
    bool fast = st.ymax <= ylim;

    const Kernels& kt = kernels();
    bool clipped = false;
    for (int n0 = 0; n0 < len; n0 += kChunk) {
        const int count = len - n0 < kChunk ? len - n0 : kChunk;
        int k = 0;
        if (fast) {
            k = kt.synth_exact(a, x + n0, y + n0, w, count, sf, ylim, &clipped);
            const int32_t last = w[kOrder + k - 1];
            const int32_t m = last < 0 ? -last : last;
            if (m > ylim) {
                fast = false;  // every earlier output stayed within ylim < |last|
                st.ymax = m;
            }
        }
        if (!fast) synth_checked(st, x + n0, y + n0, w, k, count);
        if (n0 + count < len) std::memcpy(w, w + count, sizeof(int16_t) * kOrder);  // count == kChunk
    }
    return clipped || st.overflow;
}

// The same recursion accumulated modulo 2^32 and stored as the low 16 bits, for inputs whose
// outputs fit.
void synth_wrapping(const int16_t* a, const int16_t* x, int16_t* y, int len, int sf, const int16_t* hist) {
    int16_t w[kOrder + kChunk];
    load_history(hist, w);
    const Kernels& kt = kernels();
    for (int n0 = 0; n0 < len; n0 += kChunk) {
        const int count = len - n0 < kChunk ? len - n0 : kChunk;
        kt.synth_wrap(a, x + n0, y + n0, w, count, sf);
        if (n0 + count < len) std::memcpy(w, w + count, sizeof(int16_t) * kOrder);  // count == kChunk
    }
}

VokStatus synth(const int16_t* a, const int16_t* x, int16_t* y, int len, int sf, const int16_t* hist) {
    if (hist == nullptr) {
        synth_wrapping(a, x, y, len, sf, nullptr);
        return vokStatusOk;
    }
    return synth_saturating(a, x, y, len, sf, hist) ? vokStatusOverflow : vokStatusOk;
}

// The wrapping recursion from a zero state driven by a[0] at n = 0: y[0] = a[0].
void zero_state_response(const int16_t* a, int16_t* y, int len, int sf) {
    int16_t w[kOrder + kChunk];
    for (int i = 0; i < kOrder - 1; ++i) w[i] = 0;
    w[kOrder - 1] = a[0];
    y[0] = a[0];
    const Kernels& kt = kernels();
    for (int n0 = 1; n0 < len; n0 += kChunk) {
        const int count = len - n0 < kChunk ? len - n0 : kChunk;
        kt.synth_wrap(a, nullptr, y + n0, w, count, sf);
        if (n0 + count < len) std::memcpy(w, w + count, sizeof(int16_t) * kOrder);  // count == kChunk
    }
}

void residual(const int16_t* a, int order, const int16_t* x, int16_t* y, int len, int sf) {
    constexpr int kChunk = 256;
    int32_t buf[kChunk];
    const int64_t r = sf == 0 ? 0 : int64_t{1} << (sf - 1);
    for (int n0 = 0; n0 < len; n0 += kChunk) {
        const int count = len - n0 < kChunk ? len - n0 : kChunk;
        kernels().fir(a, order + 1, x + n0, count, buf);
        for (int k = 0; k < count; ++k) y[n0 + k] = sat16((buf[k] + r) >> sf);
    }
}

// The pitch sharpening of G.729 (add and mult): the one product that overflows 16 bits,
// (-32768) * (-32768), saturates to 32767 as in the reference instead of wrapping to -32768.
void harmonic_i(int16_t gain, int lag, int16_t* x, int len) {
    for (int n = 0; n < len; ++n) x[n] = add(x[n], mult(x[n - lag], gain));
}

void harmonic_nr(int16_t gain, int lag, const int16_t* src, int16_t* dst, int len) {
    const int32_t g = gain == MIN_16 ? -MAX_16 : gain;
    for (int n = 0; n < len; ++n) {
        const int64_t s = int64_t{src[n]} * 32768 + int64_t{g} * src[n - lag] + 16384;
        dst[n] = sat16(s >> 15);
    }
}

void harmonic_32f(int lag, float* x, int len, float gain) {
    for (int n = 0; n < len; ++n) {
        const float p = gain * x[n - lag];
        x[n] = x[n] + p;
    }
}

// (x1*c1*2^s1 + x2*c2*2^s2 + 2^15) >> 16, exactly, saturated.
int16_t interpolate(int16_t x1, int16_t c1, int s1, int16_t x2, int16_t c2, int s2) {
    int64_t pb = int64_t{x1} * c1;  // product with the larger exponent
    int64_t ps = int64_t{x2} * c2;
    if (s2 > s1) {
        const int64_t t = pb;
        pb = ps;
        ps = t;
    }
    const int m = s1 < s2 ? s1 : s2;
    const int d = s1 < s2 ? s2 - s1 : s1 - s2;
    int64_t t;  // value = t * 2^m
    if (pb == 0) {
        t = ps;
    } else if (d > 32) {
        return pb > 0 ? MAX_16 : MIN_16;  // |pb * 2^d| > 2^32 > |ps|: the sign of pb wins
    } else {
        t = pb * (int64_t{1} << d) + ps;  // |t| < 2^63
    }
    if (t == 0) return 0;
    if (m < 16) return sat16((t + (int64_t{1} << (15 - m))) >> (16 - m));
    // m >= 16: (t * 2^m + 2^15) >> 16 = t * 2^(m - 16).
    const int up = m - 16;
    if (up >= 16 || t > MAX_16 || t < MIN_16) return t > 0 ? MAX_16 : MIN_16;
    return sat16(t * (int64_t{1} << up));
}

// sat16((x1 c1 + x2 c2 + 2^(sh-1)) >> sh) for sums that fit 32 bits; the common shift as a
// constant, so that the loop vectorises.
template <int kSh>
void interpolate_fit(const int16_t* x1, int16_t c1, const int16_t* x2, int16_t c2, int16_t* y, int len) {
    for (int n = 0; n < len; ++n)
        y[n] = sat16((int32_t{x1[n]} * c1 + int32_t{x2[n]} * c2 + (int32_t{1} << (kSh - 1))) >> kSh);
}

void interpolate_fit_any(const int16_t* x1, int16_t c1, const int16_t* x2, int16_t c2, int16_t* y, int len,
                         int sh) {
    const int32_t r = int32_t{1} << (sh - 1);
    for (int n = 0; n < len; ++n) y[n] = sat16((int32_t{x1[n]} * c1 + int32_t{x2[n]} * c2 + r) >> sh);
}

// interpolate for scales up to 16: each scaled product stays below 2^46, so the sum is formed
// directly in 64 bits.
void interpolate_small(const int16_t* x1, int16_t c1, int s1, const int16_t* x2, int16_t c2, int s2,
                       int16_t* y, int len) {
    if (s1 == s2 && s1 <= 15) {
        // (t 2^s + 2^15) >> 16 = (t + 2^(15-s)) >> (16-s) for t = x1 c1 + x2 c2: in 32 bits
        // whenever the largest inputs keep |t| + 2^(15-s) below 2^31 (vectorises). Inputs of at
        // most 32768 usually settle it from the coefficients alone; otherwise the inputs' extremes.
        const int64_t a1 = c1 < 0 ? -int64_t{c1} : c1, a2 = c2 < 0 ? -int64_t{c2} : c2;
        const int32_t r = int32_t{1} << (15 - s1);
        bool fits = 32768 * (a1 + a2) + r <= MAX_32;
        if (!fits) {
            int16_t hi1 = 0, lo1 = 0, hi2 = 0, lo2 = 0;
            for (int n = 0; n < len; ++n) {
                hi1 = x1[n] > hi1 ? x1[n] : hi1;
                lo1 = x1[n] < lo1 ? x1[n] : lo1;
                hi2 = x2[n] > hi2 ? x2[n] : hi2;
                lo2 = x2[n] < lo2 ? x2[n] : lo2;
            }
            const int64_t m1 = -int64_t{lo1} > hi1 ? -int64_t{lo1} : hi1;
            const int64_t m2 = -int64_t{lo2} > hi2 ? -int64_t{lo2} : hi2;
            fits = m1 * a1 + m2 * a2 + r <= MAX_32;
        }
        if (fits) {
            if (s1 == 2)
                interpolate_fit<14>(x1, c1, x2, c2, y, len);
            else
                interpolate_fit_any(x1, c1, x2, c2, y, len, 16 - s1);
            return;
        }
    }
    const int64_t m1 = int64_t{c1} * (int64_t{1} << s1), m2 = int64_t{c2} * (int64_t{1} << s2);
    for (int n = 0; n < len; ++n) y[n] = sat16((x1[n] * m1 + x2[n] * m2 + 0x8000) >> 16);
}

void preemphasize(float* x, int len, float* mem, float gamma) {
    float prev = *mem;
    for (int n = 0; n < len; ++n) {
        const float cur = x[n];
        const float p = gamma * prev;
        x[n] = cur - p;
        prev = cur;
    }
    *mem = prev;
}

bool bad_lp_scale(int sf) {
    return sf != 12 && sf != 13;
}

}  // namespace
}  // namespace voks::common

using voks::any_null;
namespace vc = voks::common;

extern "C" {

VokStatus voksSynthesisFilter_NR_16s_Sfs(const Vok16s* pLpc, const Vok16s* pSrc, Vok16s* pDst, int len,
                                         int scaleFactor, const Vok16s* pHistory) {
    if (any_null(pLpc, pSrc, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    if (vc::bad_lp_scale(scaleFactor)) return vokStatusScaleFactor;
    return vc::synth(pLpc, pSrc, pDst, len, scaleFactor, pHistory);
}

VokStatus voksSynthesisFilter_NR_16s_ISfs(const Vok16s* pLpc, Vok16s* pSrcDst, int len, int scaleFactor,
                                          const Vok16s* pHistory) {
    if (any_null(pLpc, pSrcDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    if (vc::bad_lp_scale(scaleFactor)) return vokStatusScaleFactor;
    return vc::synth(pLpc, pSrcDst, pSrcDst, len, scaleFactor, pHistory);
}

VokStatus voksSynthesisFilterLow_NR_16s_ISfs(const Vok16s* pLpc, Vok16s* pSrcDst, int len, int scaleFactor,
                                             const Vok16s* pHistory) {
    if (any_null(pLpc, pSrcDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    if (vc::bad_lp_scale(scaleFactor)) return vokStatusScaleFactor;
    vc::synth_wrapping(pLpc, pSrcDst, pSrcDst, len, scaleFactor, pHistory);
    return vokStatusOk;
}

VokStatus voksSynthesisFilterZeroStateResponse_NR_16s(const Vok16s* pLpc, Vok16s* pDst, int len,
                                                      int scaleFactor) {
    if (any_null(pLpc, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    if (vc::bad_lp_scale(scaleFactor)) return vokStatusScaleFactor;
    vc::zero_state_response(pLpc, pDst, len, scaleFactor);
    return vokStatusOk;
}

VokStatus voksResidualFilter_Low_16s_Sfs(const Vok16s* pLpc, int order, const Vok16s* pSrc, Vok16s* pDst,
                                         int len, int scaleFactor) {
    if (any_null(pLpc, pSrc, pDst)) return vokStatusNullPtr;
    if (order < 1 || len < 1 || order > len) return vokStatusSize;
    if (scaleFactor < 0 || scaleFactor > 15) return vokStatusScaleFactor;
    vc::residual(pLpc, order, pSrc, pDst, len, scaleFactor);
    return vokStatusOk;
}

VokStatus voksHarmonicFilter_16s_I(Vok16s gain, int lag, Vok16s* pSrcDst, int len) {
    if (any_null(pSrcDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    vc::harmonic_i(gain, lag, pSrcDst, len);
    return vokStatusOk;
}

VokStatus voksHarmonicFilter_NR_16s(Vok16s gain, int lag, const Vok16s* pSrc, Vok16s* pDst, int len) {
    if (any_null(pSrc, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    vc::harmonic_nr(gain, lag, pSrc, pDst, len);
    return vokStatusOk;
}

VokStatus voksHarmonicFilter_32f_I(int lag, Vok32f* pSrcDst, int len, Vok32f gain) {
    if (any_null(pSrcDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    vc::harmonic_32f(lag, pSrcDst, len, gain);
    return vokStatusOk;
}

VokStatus voksInterpolateC_NR_16s(const Vok16s* pSrc1, Vok16s val1, int scale1, const Vok16s* pSrc2,
                                  Vok16s val2, int scale2, Vok16s* pDst, int len) {
    if (any_null(pSrc1, pSrc2, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    if (scale1 < 0 || scale2 < 0) return vokStatusScaleFactor;
    if (scale1 <= 16 && scale2 <= 16) {
        vc::interpolate_small(pSrc1, val1, scale1, pSrc2, val2, scale2, pDst, len);
        return vokStatusOk;
    }
    for (int n = 0; n < len; ++n) pDst[n] = vc::interpolate(pSrc1[n], val1, scale1, pSrc2[n], val2, scale2);
    return vokStatusOk;
}

VokStatus voksPreemphasize_32f_I(Vok32f* pSrcDst, int len, Vok32f* pMem, Vok32f gamma) {
    if (any_null(pSrcDst, pMem)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    vc::preemphasize(pSrcDst, len, pMem, gamma);
    return vokStatusOk;
}

}  // extern "C"

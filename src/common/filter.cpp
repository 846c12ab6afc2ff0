// LP synthesis and residual filters, harmonic filters, weighted interpolation, pre-emphasis.
#include <cstdint>

#include "common/basicop.h"
#include "common/corr_kernels.h"
#include "frame/check.h"
#include "voksc.h"

namespace voks::common {
namespace {

constexpr int kOrder = 10;

// Output i samples back: from dst once produced, else from the history (zeros when absent).
inline int16_t past(const int16_t* dst, const int16_t* hist, int n, int i) {
    if (n - i >= 0) return dst[n - i];
    return hist ? hist[kOrder + n - i] : int16_t{0};
}

// The reference synthesis filter: the doubled sum saturates after every product, is scaled to
// Q16 with saturation and rounded. Returns true when any step saturated.
bool synth_reference(const int16_t* a, const int16_t* x, int16_t* y, int len, int sf, const int16_t* hist) {
    bool overflow = false;
    const int16_t up = static_cast<int16_t>(15 - sf);
    for (int n = 0; n < len; ++n) {
        int32_t s = L_mult(x[n], a[0], overflow);
        for (int i = 1; i <= kOrder; ++i) s = L_msu(s, a[i], past(y, hist, n, i), overflow);
        s = L_shl(s, up, overflow);
        y[n] = round_fx(s, overflow);
    }
    return overflow;
}

// The same filter when sum |a[i]| < 8.0 (32768 in Q12): no doubled partial sum can reach 2^31,
// so the sum is formed exactly and only the scaling and the rounding can saturate, as there.
bool synth_saturating(const int16_t* a, const int16_t* x, int16_t* y, int len, int sf, const int16_t* hist) {
    int32_t bound = 0;
    for (int i = 0; i <= kOrder; ++i) bound += a[i] < 0 ? -int32_t{a[i]} : a[i];
    if (bound >= 32768) return synth_reference(a, x, y, len, sf, hist);
    bool overflow = false;
    const int up = 16 - sf;  // the doubling and the left shift of the reference together
    int32_t mem[kOrder];     // y[n-10 .. n-1], oldest first
    for (int i = 0; i < kOrder; ++i) mem[i] = hist ? hist[i] : 0;
    for (int n = 0; n < len; ++n) {
        int32_t s = int32_t{a[0]} * x[n];
        for (int i = 1; i <= kOrder; ++i) s -= int32_t{a[i]} * mem[kOrder - i];
        int64_t t = int64_t{s} * (int64_t{1} << up);
        int16_t out;
        if (t > MAX_32) {
            overflow = true;
            out = MAX_16;
        } else {
            if (t < MIN_32) {
                overflow = true;
                t = MIN_32;
            }
            t += 0x8000;
            if (t > MAX_32) {
                overflow = true;
                out = MAX_16;
            } else {
                out = static_cast<int16_t>(t >> 16);
            }
        }
        y[n] = out;
        for (int i = 0; i + 1 < kOrder; ++i) mem[i] = mem[i + 1];
        mem[kOrder - 1] = out;
    }
    return overflow;
}

// The same recursion accumulated modulo 2^32 and stored as the low 16 bits, for inputs whose
// outputs fit.
void synth_wrapping(const int16_t* a, const int16_t* x, int16_t* y, int len, int sf, const int16_t* hist) {
    const uint32_t half = uint32_t{1} << (sf - 1);
    for (int n = 0; n < len; ++n) {
        uint32_t s = static_cast<uint32_t>(int32_t{a[0]} * x[n]) + half;
        for (int i = 1; i <= kOrder; ++i) s -= static_cast<uint32_t>(int32_t{a[i]} * past(y, hist, n, i));
        y[n] = static_cast<int16_t>(static_cast<int32_t>(s) >> sf);
    }
}

VokStatus synth(const int16_t* a, const int16_t* x, int16_t* y, int len, int sf, const int16_t* hist) {
    if (hist == nullptr) {
        synth_wrapping(a, x, y, len, sf, nullptr);
        return vokStatusOk;
    }
    return synth_saturating(a, x, y, len, sf, hist) ? vokStatusOverflow : vokStatusOk;
}

void zero_state_response(const int16_t* a, int16_t* y, int len, int sf) {
    const uint32_t half = uint32_t{1} << (sf - 1);
    y[0] = a[0];
    for (int n = 1; n < len; ++n) {
        uint32_t s = half;
        for (int i = 1; i <= kOrder && i <= n; ++i) s -= static_cast<uint32_t>(int32_t{a[i]} * y[n - i]);
        y[n] = static_cast<int16_t>(static_cast<int32_t>(s) >> sf);
    }
}

void residual(const int16_t* a, int order, const int16_t* x, int16_t* y, int len, int sf) {
    constexpr int kChunk = 256;
    int32_t buf[kChunk];
    const int64_t r = sf == 0 ? 0 : int64_t{1} << (sf - 1);
    for (int n0 = 0; n0 < len; n0 += kChunk) {
        const int count = len - n0 < kChunk ? len - n0 : kChunk;
        corr_kernels().fir(a, order + 1, x + n0, count, buf);
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

bool bad_lp_scale(int sf) { return sf != 12 && sf != 13; }

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
    for (int n = 0; n < len; ++n)
        pDst[n] = vc::interpolate(pSrc1[n], val1, scale1, pSrc2[n], val2, scale2);
    return vokStatusOk;
}

VokStatus voksPreemphasize_32f_I(Vok32f* pSrcDst, int len, Vok32f* pMem, Vok32f gamma) {
    if (any_null(pSrcDst, pMem)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    vc::preemphasize(pSrcDst, len, pMem, gamma);
    return vokStatusOk;
}

}  // extern "C"

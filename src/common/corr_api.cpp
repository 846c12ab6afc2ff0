// Autocorrelation, cross-correlation, lag searches and partial convolution.
#include <algorithm>
#include <cfloat>
#include <cstdint>

#include "common/basicop.h"
#include "common/kernels.h"
#include "frame/check.h"
#include "voksc.h"

namespace voks::common {
namespace {

// Lags or outputs handled per kernel call when the results pass through a stack buffer.
constexpr int kChunk = 256;

int32_t shift_right_31(int32_t x, int sf) {
    return x >> (sf > 31 ? 31 : sf);
}

// Doubles a lag-search sum with saturation: sums at or above 2^30 give MAX_32, sums below
// -2^30 give MIN_32.
int32_t double_sat(int32_t s) {
    if (s >= 0x40000000) return MAX_32;
    if (s < -0x40000000) return MIN_32;
    return s * 2;
}

// True when no doubled partial sum of products of two signals with these energies can reach
// 2^31 in magnitude (Cauchy-Schwarz: |2 sum a*b| <= 2 sqrt(e1 e2) < 2^31 when e1 e2 < 2^60).
// Then the wrapping kernels give exactly what the reference's saturating L_mac chain gives.
bool macs_cannot_saturate(int64_t e1, int64_t e2) {
    if (e1 == 0 || e2 == 0) return true;
    return e1 <= ((int64_t{1} << 60) - 1) / e2;
}

// The reference accumulation: sum_{n<len} L_mac of a[n]*b[n], saturating after every product.
int32_t mac_chain(const int16_t* a, const int16_t* b, int len) {
    int32_t s = 0;
    for (int n = 0; n < len; ++n) s = L_mac(s, a[n], b[n]);
    return s;
}

// sum_{n<len-k} x[n]*x[n+k], with the running sum saturated after every pair of products.
int32_t autocorr_pair_sat(const int16_t* x, int len, int k) {
    int32_t acc = 0;
    const int n_end = len - k;
    int n = 0;
    for (; n + 1 < n_end; n += 2) {
        const int64_t pair = int64_t{x[n]} * x[n + k] + int64_t{x[n + 1]} * x[n + 1 + k];
        acc = sat32(acc + pair);
    }
    if (n < n_end) acc = sat32(acc + int64_t{x[n]} * x[n + k]);
    return acc;
}

void autocorr(const int16_t* src, int len, int32_t* dst, int dst_len) {
    kernels().autocorr(src, len, dst, dst_len);
}

void autocorr_norm_e(const int16_t* src, int len, int32_t* dst, int dst_len, int* norm, int32_t energy) {
    const int32_t r0 = 2 * energy + 1;
    const int n = norm_l(r0);
    kernels().autocorr(src, len, dst, dst_len);
    dst[0] = r0 << n;
    for (int k = 1; k < dst_len; ++k) dst[k] = static_cast<int32_t>(static_cast<uint32_t>(dst[k]) << (n + 1));
    *norm = n;
}

void autocorr_norm_e_nr(const int16_t* src, int len, int16_t* dst, int dst_len, int* norm) {
    const Kernels& kt = kernels();
    const int64_t e64 = kt.energy(src, len);
    const int32_t e = sat32(e64);
    int32_t r0 = e > 0x3FFFFFFF ? MAX_32 : 2 * e;
    int n = 0;
    if (r0 == 0) {
        dst[0] = 0;
    } else {
        n = norm_l(r0);
        r0 <<= n;
        dst[0] = round_fx(r0);
    }
    // A partial sum of x[i]*x[i+k] never exceeds the energy in magnitude (Cauchy-Schwarz), so
    // below 2^31 the wrapping kernel sum equals the saturating one.
    const bool exact = e64 <= MAX_32;
    for (int k = 1; k < dst_len; ++k) {
        int32_t s = 0;
        if (k < len) s = exact ? kt.dot(src, src + k, len - k) : autocorr_pair_sat(src, len, k);
        const int64_t v = int64_t{s} * (int64_t{1} << (n + 1));
        if (v > MAX_32)
            dst[k] = MAX_16;
        else if (v < MIN_32)
            dst[k] = MIN_16;
        else
            dst[k] = round_fx(static_cast<int32_t>(v));
    }
    *norm = n;
}

// C(L) for `count` consecutive lags: out[k] = 2 sum_{n<len} a[n]*b[n+k] doubled with
// saturation. Loud signals, whose sums could saturate, run the reference's saturating chain.
void lag_corr(const int16_t* a, const int16_t* b, int len, int count, bool exact, int32_t* out) {
    if (exact) {
        kernels().xcorr(a, b, len, out, count);
        for (int k = 0; k < count; ++k) out[k] = double_sat(out[k]);
        return;
    }
    for (int k = 0; k < count; ++k) out[k] = mac_chain(a, b + k, len);
}

// Energy of src[first .. last): 0 for an empty range; a span longer than an int counts as loud.
int64_t span_energy(const int16_t* src, int64_t first, int64_t last) {
    if (last <= first || last - first > INT32_MAX) return last <= first ? 0 : INT64_MAX / 4;
    return kernels().energy(src + first, static_cast<int>(last - first));
}

void lag_max_fwd(const int16_t* src, int len, int low, int high, int32_t* max, int* lag) {
    if (low > high) {
        *max = MIN_32;
        *lag = 0;
        return;
    }
    const bool exact =
        macs_cannot_saturate(span_energy(src, 0, len), span_energy(src, low, int64_t{high} + len));
    int32_t buf[kChunk];
    int32_t best = 0;
    int best_lag = low;
    bool first = true;
    for (int64_t l0 = low; l0 <= high; l0 += kChunk) {
        const int count = static_cast<int>(high - l0 + 1 < kChunk ? high - l0 + 1 : kChunk);
        lag_corr(src, src + l0, len, count, exact, buf);
        for (int k = 0; k < count; ++k) {
            if (first || buf[k] > best) {
                best = buf[k];
                best_lag = static_cast<int>(l0 + k);
                first = false;
            }
        }
    }
    *max = best;
    *lag = best_lag;
}

void lag_max_inv(const int16_t* src, int len, int low, int high, int32_t* max, int* lag) {
    const bool exact =
        low > high ||
        macs_cannot_saturate(span_energy(src, 0, len), span_energy(src, -int64_t{high}, int64_t{len} - low));
    int32_t buf[kChunk];
    int32_t best = MIN_32;
    int best_lag = 0;
    for (int64_t l0 = high; l0 >= low; l0 -= kChunk) {
        const int count = static_cast<int>(l0 - low + 1 < kChunk ? l0 - low + 1 : kChunk);
        // buf[k] = C(l0 - k) from x[n] * x[n - (l0 - k)]
        lag_corr(src, src - l0, len, count, exact, buf);
        for (int k = 0; k < count; ++k) {
            if (buf[k] >= best) {
                best = buf[k];
                best_lag = static_cast<int>(l0 - k);
            }
        }
    }
    *max = best;
    *lag = best_lag;
}

void lag_max_32f(const float* src, int len, int low, int high, float* max, int* lag) {
    float best = -FLT_MAX;
    int best_lag = 0;
    for (int64_t l = low; l < high; ++l) {
        float c = 0.0f;
        for (int n = 0; n < len; ++n) c += src[n] * src[n - l];
        if (c > best) {
            best = c;
            best_lag = static_cast<int>(l);
        }
    }
    *max = best;
    *lag = best_lag;
}

void cross_corr_sfs(const int16_t* src1, const int16_t* src2, int len, int32_t* dst, int sf) {
    kernels().xcorr_tri(src1, src2, len, dst);
    if (sf >= 0) {
        for (int k = 0; k < len; ++k) dst[k] = shift_right_31(dst[k], sf);
    } else {
        for (int k = 0; k < len; ++k)
            dst[k] = sf <= -32 ? 0 : static_cast<int32_t>(static_cast<uint32_t>(dst[k]) << -sf);
    }
}

void cross_corr_nr_32s(const int16_t* src1, const int16_t* src2, int len, int32_t* dst, int dst_len) {
    const Kernels& kt = kernels();
    const int64_t span = int64_t{len} + dst_len - 1;
    // With both energies below 2^31 every sum is below 2^31 in magnitude (Cauchy-Schwarz), so
    // the wrapping kernel is exact.
    if (span <= INT32_MAX && kt.energy(src1, len) <= MAX_32 &&
        kt.energy(src2, static_cast<int>(span)) <= MAX_32) {
        kt.xcorr(src1, src2, len, dst, dst_len);
        return;
    }
    for (int k = 0; k < dst_len; ++k) {
        int64_t s = 0;
        for (int n = 0; n < len; ++n) s += int32_t{src1[n]} * src2[n + k];
        dst[k] = sat32(s);
    }
}

// Applies fn(k, S(k)) for k < dst_len, S(k) = sum_{n<len} src1[n]*src2[n+k] mod 2^32.
template <class Fn>
void for_each_xcorr(const int16_t* src1, const int16_t* src2, int len, int dst_len, Fn fn) {
    int32_t buf[kChunk];
    for (int k0 = 0; k0 < dst_len; k0 += kChunk) {
        const int count = dst_len - k0 < kChunk ? dst_len - k0 : kChunk;
        kernels().xcorr(src1, src2 + k0, len, buf, count);
        for (int k = 0; k < count; ++k) fn(k0 + k, buf[k]);
    }
}

void cross_corr_nr_16s(const int16_t* src1, const int16_t* src2, int len, int16_t* dst, int dst_len) {
    for_each_xcorr(src1, src2, len, dst_len,
                   [dst](int k, int32_t s) { dst[k] = sat16((int64_t{s} + 16384) >> 15); });
}

void cross_corr_nr_16s_sfs(const int16_t* src1, const int16_t* src2, int len, int16_t* dst, int dst_len,
                           int sf) {
    if (sf > 31) sf = 31;
    if (sf < -31) sf = -31;
    for_each_xcorr(src1, src2, len, dst_len, [dst, sf](int k, int32_t s) {
        if (sf > 0)
            dst[k] = sat16((int64_t{s} + (int64_t{1} << (sf - 1))) >> sf);
        else
            dst[k] = sat16(int64_t{s} * (int64_t{1} << -sf));
    });
}

void cross_corr_norm_m(const int16_t* src1, const int16_t* src2, int len, int16_t* dst) {
    const Kernels& kt = kernels();
    // y[k] = 2 * T(k), T the triangular correlation; loud inputs take the reference's
    // saturating chain so that y matches it whatever the input.
    const bool exact = macs_cannot_saturate(kt.energy(src1, len), kt.energy(src2, len));
    int32_t buf[kChunk];
    const bool buffered = len <= kChunk;
    if (buffered) {
        if (exact) {
            kt.xcorr_tri(src1, src2, len, buf);
            for (int k = 0; k < len; ++k) buf[k] *= 2;
        } else if (len <= 64) {
            kt.mac_chain_tri(src1, src2, len, buf);
        } else {
            for (int k = 0; k < len; ++k) buf[k] = mac_chain(src1, src2 + k, len - k);
        }
    }
    auto y = [&](int k) {
        return exact ? 2 * kt.dot(src1, src2 + k, len - k) : mac_chain(src1, src2 + k, len - k);
    };
    // The largest |y| (L_abs) sets the scaling; the buffered loops are branch-free so that they
    // vectorise.
    int32_t m = 0;
    if (buffered) {
        // max |y| = max(|max y|, |min y|).
        int32_t hi = 0, lo = 0;
        for (int k = 0; k < len; ++k) {
            hi = buf[k] > hi ? buf[k] : hi;
            lo = buf[k] < lo ? buf[k] : lo;
        }
        m = std::max(hi, L_abs(lo));
    } else {
        for (int k = 0; k < len; ++k) m = std::max(m, L_abs(y(k)));
    }
    int j = norm_l(m);
    if (j > 16) j = 16;
    const int shift = 18 - j;
    if (buffered) {
        for (int k = 0; k < len; ++k) {
            const int32_t v = buf[k] >> shift;
            dst[k] = static_cast<int16_t>(v > MAX_16 ? MAX_16 : v < MIN_16 ? MIN_16 : v);
        }
    } else {
        for (int k = 0; k < len; ++k) dst[k] = sat16(y(k) >> shift);
    }
}

void cross_corr_lag_max_16s(const int16_t* src1, const int16_t* src2, int len, int max_lag, int32_t* max,
                            int* lag) {
    int32_t buf[kChunk];
    int32_t best = 0;
    int best_lag = max_lag;
    for (int64_t l0 = max_lag; l0 >= 0; l0 -= kChunk) {
        const int count = static_cast<int>(l0 + 1 < kChunk ? l0 + 1 : kChunk);
        const int64_t base = l0 - count + 1;
        kernels().xcorr(src1, src2 + base, len, buf, count);
        // The chunk's maximum first (a loop that vectorises), then its largest lag: the same
        // result as comparing lag by lag from the top with a strict >.
        int32_t top = buf[0];
        for (int k = 1; k < count; ++k) top = top > buf[k] ? top : buf[k];
        if (top > best) {
            int k = count - 1;
            while (buf[k] != top) --k;
            best = top;
            best_lag = static_cast<int>(base + k);
        }
    }
    *max = best;
    *lag = best_lag;
}

void cross_corr_lag_max_32f64f(const float* src1, const float* src2, int len, int max_lag, double* max,
                               int* lag) {
    const bool single = len <= 80 && max_lag <= 63;
    double best = -3.4028234663852886e38;
    int best_lag = max_lag;
    for (int64_t l = max_lag; l >= 0; --l) {
        double c = 0.0;
        for (int n = 0; n < len; ++n) {
            const float p = src1[n] * src2[n + l];
            c += static_cast<double>(p);
        }
        if (single) c = static_cast<double>(static_cast<float>(c));
        if (c > best) {
            best = c;
            best_lag = static_cast<int>(l);
        }
    }
    *max = best;
    *lag = best_lag;
}

// Applies fn(n, y(n)) for n < len, y the partial convolution mod 2^32.
template <class Fn>
void for_each_conv(const int16_t* src1, const int16_t* src2, int len, Fn fn) {
    int32_t buf[kChunk];
    for (int n0 = 0; n0 < len; n0 += kChunk) {
        const int n1 = len - n0 < kChunk ? len : n0 + kChunk;
        kernels().conv(src1, src2, n0, n1, buf);
        for (int n = n0; n < n1; ++n) fn(n, buf[n - n0]);
    }
}

void conv_low_nr(const int16_t* src1, const int16_t* src2, int16_t* dst, int len) {
    for_each_conv(src1, src2, len, [dst](int n, int32_t y) { dst[n] = sat16((int64_t{y} + 0x4000) >> 15); });
}

// The G.729 Convolve generalised to any scale: exact (wrapping) sums shifted right with
// saturation, or for loud inputs the reference's saturating L_mac chain scaled alike.
void conv_sfs(const int16_t* src1, const int16_t* src2, int16_t* dst, int len, int sf) {
    const Kernels& kt = kernels();
    if (macs_cannot_saturate(kt.energy(src1, len), kt.energy(src2, len))) {
        for_each_conv(src1, src2, len,
                      [dst, sf](int n, int32_t y) { dst[n] = sat16(shift_right_31(y, sf)); });
        return;
    }
    for (int n = 0; n < len; ++n) {
        int32_t acc = 0;
        for (int k = 0; k <= n; ++k) acc = L_mac(acc, src1[k], src2[n - k]);
        dst[n] = sat16(shift_right_31(acc, sf > 30 ? 31 : sf + 1));
    }
}

void conv_nr(const int16_t* src1, const int16_t* src2, int16_t* dst, int len) {
    const Kernels& kt = kernels();
    if (sat32(kt.energy(src1, len)) < 0x7FFFFFFE && sat32(kt.energy(src2, len)) < 0x7FFFFFFE) {
        conv_low_nr(src1, src2, dst, len);
        return;
    }
    for (int n = 0; n < len; ++n) {
        int32_t acc = 0;
        for (int k = 0; k <= n; ++k) acc = L_mac(acc, src1[k], src2[n - k]);
        dst[n] = round_fx(acc);
    }
}

}  // namespace
}  // namespace voks::common

using voks::any_null;
namespace vc = voks::common;

extern "C" {

VokStatus voksAutoCorr_16s32s(const Vok16s* pSrc, int len, Vok32s* pDst, int dstLen) {
    if (any_null(pSrc, pDst)) return vokStatusNullPtr;
    if (len < 1 || dstLen < 1) return vokStatusSize;
    vc::autocorr(pSrc, len, pDst, dstLen);
    return vokStatusOk;
}

VokStatus voksAutoCorr_NormE_16s32s(const Vok16s* pSrc, int len, Vok32s* pDst, int dstLen, int* pNorm) {
    if (any_null(pSrc, pDst, pNorm)) return vokStatusNullPtr;
    if (len < 1 || dstLen < 1) return vokStatusSize;
    const int32_t energy = voks::sat32(vc::kernels().energy(pSrc, len));
    if (energy > 0x3FFFFFFF) return vokStatusOverflow;
    vc::autocorr_norm_e(pSrc, len, pDst, dstLen, pNorm, energy);
    return vokStatusOk;
}

VokStatus voksAutoCorr_NormE_NR_16s(const Vok16s* pSrc, int len, Vok16s* pDst, int dstLen, int* pNorm) {
    if (any_null(pSrc, pDst, pNorm)) return vokStatusNullPtr;
    if (len < 1 || dstLen < 1) return vokStatusSize;
    vc::autocorr_norm_e_nr(pSrc, len, pDst, dstLen, pNorm);
    return vokStatusOk;
}

VokStatus voksAutoCorrLagMax_Fwd_16s(const Vok16s* pSrc, int len, int lowLag, int highLag, Vok32s* pMax,
                                     int* pLag) {
    if (any_null(pSrc, pMax, pLag)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    vc::lag_max_fwd(pSrc, len, lowLag, highLag, pMax, pLag);
    return vokStatusOk;
}

VokStatus voksAutoCorrLagMax_Inv_16s(const Vok16s* pSrc, int len, int lowLag, int highLag, Vok32s* pMax,
                                     int* pLag) {
    if (any_null(pSrc, pMax, pLag)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    vc::lag_max_inv(pSrc, len, lowLag, highLag, pMax, pLag);
    return vokStatusOk;
}

VokStatus voksAutoCorrLagMax_32f(const Vok32f* pSrc, int len, int lowLag, int highLag, Vok32f* pMax,
                                 int* pLag) {
    if (any_null(pSrc, pMax, pLag)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    vc::lag_max_32f(pSrc, len, lowLag, highLag, pMax, pLag);
    return vokStatusOk;
}

VokStatus voksCrossCorr_16s32s_Sfs(const Vok16s* pSrc1, const Vok16s* pSrc2, int len, Vok32s* pDst,
                                   int scaleFactor) {
    if (any_null(pSrc1, pSrc2, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    vc::cross_corr_sfs(pSrc1, pSrc2, len, pDst, scaleFactor);
    return vokStatusOk;
}

VokStatus voksCrossCorr_NR_16s32s(const Vok16s* pSrc1, const Vok16s* pSrc2, int len, Vok32s* pDst,
                                  int dstLen) {
    if (any_null(pSrc1, pSrc2, pDst)) return vokStatusNullPtr;
    if (len < 1 || dstLen < 1) return vokStatusSize;
    vc::cross_corr_nr_32s(pSrc1, pSrc2, len, pDst, dstLen);
    return vokStatusOk;
}

VokStatus voksCrossCorr_NR_16s(const Vok16s* pSrc1, const Vok16s* pSrc2, int len, Vok16s* pDst, int dstLen) {
    if (any_null(pSrc1, pSrc2, pDst)) return vokStatusNullPtr;
    if (len < 1 || dstLen < 1) return vokStatusSize;
    vc::cross_corr_nr_16s(pSrc1, pSrc2, len, pDst, dstLen);
    return vokStatusOk;
}

VokStatus voksCrossCorr_NR_16s_Sfs(const Vok16s* pSrc1, const Vok16s* pSrc2, int len, Vok16s* pDst,
                                   int dstLen, int scaleFactor) {
    if (any_null(pSrc1, pSrc2, pDst)) return vokStatusNullPtr;
    if (len < 1 || dstLen < 1) return vokStatusSize;
    vc::cross_corr_nr_16s_sfs(pSrc1, pSrc2, len, pDst, dstLen, scaleFactor);
    return vokStatusOk;
}

VokStatus voksCrossCorr_NormM_16s(const Vok16s* pSrc1, const Vok16s* pSrc2, int len, Vok16s* pDst) {
    if (any_null(pSrc1, pSrc2, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    vc::cross_corr_norm_m(pSrc1, pSrc2, len, pDst);
    return vokStatusOk;
}

VokStatus voksCrossCorrLagMax_16s(const Vok16s* pSrc1, const Vok16s* pSrc2, int len, int maxLag, Vok32s* pMax,
                                  int* pLag) {
    if (any_null(pSrc1, pSrc2, pMax, pLag)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    if (maxLag < 0) return vokStatusRange;
    vc::cross_corr_lag_max_16s(pSrc1, pSrc2, len, maxLag, pMax, pLag);
    return vokStatusOk;
}

VokStatus voksCrossCorrLagMax_32f64f(const Vok32f* pSrc1, const Vok32f* pSrc2, int len, int maxLag,
                                     Vok64f* pMax, int* pLag) {
    if (any_null(pSrc1, pSrc2, pMax, pLag)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    if (maxLag < 0) return vokStatusRange;
    vc::cross_corr_lag_max_32f64f(pSrc1, pSrc2, len, maxLag, pMax, pLag);
    return vokStatusOk;
}

VokStatus voksConvPartial_16s32s(const Vok16s* pSrc1, const Vok16s* pSrc2, Vok32s* pDst, int len) {
    if (any_null(pSrc1, pSrc2, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    vc::kernels().conv(pSrc1, pSrc2, 0, len, pDst);
    return vokStatusOk;
}

VokStatus voksConvPartial_16s_Sfs(const Vok16s* pSrc1, const Vok16s* pSrc2, Vok16s* pDst, int len,
                                  int scaleFactor) {
    if (any_null(pSrc1, pSrc2, pDst)) return vokStatusNullPtr;
    if (scaleFactor < 0) return vokStatusBadArg;
    if (len < 1) return vokStatusSize;
    vc::conv_sfs(pSrc1, pSrc2, pDst, len, scaleFactor);
    return vokStatusOk;
}

VokStatus voksConvPartial_NR_16s(const Vok16s* pSrc1, const Vok16s* pSrc2, Vok16s* pDst, int len) {
    if (any_null(pSrc1, pSrc2, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    vc::conv_nr(pSrc1, pSrc2, pDst, len);
    return vokStatusOk;
}

VokStatus voksConvPartial_NR_Low_16s(const Vok16s* pSrc1, const Vok16s* pSrc2, Vok16s* pDst, int len) {
    if (any_null(pSrc1, pSrc2, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    vc::conv_low_nr(pSrc1, pSrc2, pDst, len);
    return vokStatusOk;
}

}  // extern "C"

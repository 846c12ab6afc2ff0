// The filter bank's real FFT: a radix-2 complex transform of N points (any N = 2^order >= 2)
// over the real input, float or 64-bit fixed point with Q30 twiddles.
#include <cmath>
#include <cstring>

#include "ec/kernels.h"
#include "ec/sb_internal.h"

namespace voks::ec {
namespace {

using i128 = __int128;

struct PlanHead {
    int32_t magic, order, pad[2];
};
constexpr int32_t kFft32f = 0x46465446, kFft16s = 0x46465431;

template <class T>
const T* twiddle_cos(const void* plan) {
    return reinterpret_cast<const T*>(static_cast<const unsigned char*>(plan) + sizeof(PlanHead));
}

int bitrev(int i, int order) {
    int r = 0;
    for (int b = 0; b < order; ++b) r |= ((i >> b) & 1) << (order - 1 - b);
    return r;
}

void butterflies_16s(const int32_t* c, const int32_t* s, int64_t* re, int64_t* im, int order) {
    const int n = 1 << order;
    constexpr i128 kHalf = i128{1} << 29;
    for (int len = 2; len <= n; len <<= 1) {
        const int half = len >> 1, step = n / len;
        for (int g = 0; g < n; g += len) {
            for (int j = 0; j < half; ++j) {
                const i128 wr = c[j * step], wi = s[j * step];
                const int a = g + j, b = a + half;
                const auto tr = static_cast<int64_t>((wr * re[b] - wi * im[b] + kHalf) >> 30);
                const auto ti = static_cast<int64_t>((wr * im[b] + wi * re[b] + kHalf) >> 30);
                re[b] = re[a] - tr;
                im[b] = im[a] - ti;
                re[a] = re[a] + tr;
                im[a] = im[a] + ti;
            }
        }
    }
}

// v * 2^-sh rounded half up (sh > 0) or v * 2^-sh saturated (sh < 0), as 128 bits.
i128 scale_round(i128 v, int sh) {
    if (sh > 0) {
        if (sh > 100) return 0;
        return (v + (i128{1} << (sh - 1))) >> sh;
    }
    if (sh < 0) {
        const int l = -sh > 64 ? 64 : -sh;
        const i128 lim = i128{1} << 62;
        if (v > lim >> l) return lim;
        if (v < -(lim >> l)) return -lim;
        return v * (i128{1} << l);
    }
    return v;
}

template <class T>
T sat(i128 v) {
    constexpr i128 hi = static_cast<i128>(static_cast<T>(~0ull >> (65 - 8 * sizeof(T))));
    return static_cast<T>(v > hi ? hi : v < -hi - 1 ? -hi - 1 : v);
}

}  // namespace

void fft_init_32f(void* plan, int order) {
    const int n = 1 << order;
    PlanHead h{kFft32f, order, {0, 0}};
    std::memcpy(plan, &h, sizeof h);
    auto* c = reinterpret_cast<float*>(static_cast<unsigned char*>(plan) + sizeof h);
    float* s = c + n / 2;
    for (int k = 0; k < n / 2; ++k) {
        const double a = -2.0 * M_PI * k / n;
        c[k] = static_cast<float>(std::cos(a));
        s[k] = static_cast<float>(std::sin(a));
    }
}

void fft_init_16s(void* plan, int order) {
    const int n = 1 << order;
    PlanHead h{kFft16s, order, {0, 0}};
    std::memcpy(plan, &h, sizeof h);
    auto* c = reinterpret_cast<int32_t*>(static_cast<unsigned char*>(plan) + sizeof h);
    int32_t* s = c + n / 2;
    for (int k = 0; k < n / 2; ++k) {
        const double a = -2.0 * M_PI * k / n;
        c[k] = static_cast<int32_t>(std::lround(std::cos(a) * 1073741824.0));
        s[k] = static_cast<int32_t>(std::lround(std::sin(a) * 1073741824.0));
    }
}

bool fft_valid_32f(const void* plan, int order) {
    PlanHead h;
    std::memcpy(&h, plan, sizeof h);
    return h.magic == kFft32f && h.order == order;
}

bool fft_valid_16s(const void* plan, int order) {
    PlanHead h;
    std::memcpy(&h, plan, sizeof h);
    return h.magic == kFft16s && h.order == order;
}

void fft_fwd_32f(const void* plan, const float* in, Vok32fc* out, float* work) {
    PlanHead h;
    std::memcpy(&h, plan, sizeof h);
    const int n = 1 << h.order;
    float *re = work, *im = work + n;
    for (int i = 0; i < n; ++i) {
        re[bitrev(i, h.order)] = in[i];
        im[i] = 0.0f;
    }
    const float* c = twiddle_cos<float>(plan);
    kernels().fft_32f(c, c + n / 2, re, im, h.order);
    for (int k = 0; k <= n / 2; ++k) out[k] = {re[k], im[k]};
    out[0].im = 0.0f;
    out[n / 2].im = 0.0f;
}

void fft_inv_32f(const void* plan, const Vok32fc* in, float* out, float* work) {
    PlanHead h;
    std::memcpy(&h, plan, sizeof h);
    const int n = 1 << h.order;
    float *re = work, *im = work + n;
    // Re(FFT(conj(X))) / n over the Hermitian extension of the packed bins.
    for (int k = 0; k < n; ++k) {
        const bool upper = k > n / 2;
        const Vok32fc v = in[upper ? n - k : k];
        const int r = bitrev(k, h.order);
        re[r] = v.re;
        im[r] = (k == 0 || k == n / 2) ? 0.0f : upper ? v.im : -v.im;
    }
    const float* c = twiddle_cos<float>(plan);
    kernels().fft_32f(c, c + n / 2, re, im, h.order);
    for (int i = 0; i < n; ++i) out[i] = re[i] / static_cast<float>(n);
}

void fft_fwd_16s(const void* plan, const int16_t* in, Vok32sc* out, int scale, int64_t* work) {
    PlanHead h;
    std::memcpy(&h, plan, sizeof h);
    const int n = 1 << h.order;
    int64_t *re = work, *im = work + n;
    for (int i = 0; i < n; ++i) {
        re[bitrev(i, h.order)] = in[i];
        im[i] = 0;
    }
    const int32_t* c = twiddle_cos<int32_t>(plan);
    butterflies_16s(c, c + n / 2, re, im, h.order);
    for (int k = 0; k <= n / 2; ++k)
        out[k] = {sat<int32_t>(scale_round(re[k], scale)), sat<int32_t>(scale_round(im[k], scale))};
    out[0].im = 0;
    out[n / 2].im = 0;
}

void fft_inv_16s(const void* plan, const Vok32sc* in, int16_t* out, int scale, int64_t* work) {
    PlanHead h;
    std::memcpy(&h, plan, sizeof h);
    const int n = 1 << h.order;
    int64_t *re = work, *im = work + n;
    for (int k = 0; k < n; ++k) {
        const bool upper = k > n / 2;
        const Vok32sc v = in[upper ? n - k : k];
        const int r = bitrev(k, h.order);
        re[r] = v.re;
        im[r] = (k == 0 || k == n / 2) ? 0 : upper ? int64_t{v.im} : -int64_t{v.im};
    }
    const int32_t* c = twiddle_cos<int32_t>(plan);
    butterflies_16s(c, c + n / 2, re, im, h.order);
    const int sh = h.order + (scale < -64 ? -64 : scale > 64 ? 64 : scale);
    for (int i = 0; i < n; ++i) out[i] = sat<int16_t>(scale_round(re[i], sh));
}

}  // namespace voks::ec

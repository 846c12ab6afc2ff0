// The weighted overlap-add analysis/synthesis filter bank.
#include <cmath>
#include <cstring>

#include "ec/sb_internal.h"

namespace voks::ec {
namespace {

int16_t sat16(int64_t v) {
    return static_cast<int16_t>(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
}

struct Layout {
    BankHeader h;
    unsigned char* base;
    template <class T>
    T* window() const {
        return reinterpret_cast<T*>(base + sizeof(BankHeader));
    }
    template <class T>
    T* overlap() const {
        return window<T>() + h.len;
    }
    void* plan() const { return base + h.plan_off; }
};

Layout layout(void* state) {
    Layout l;
    l.base = align16<unsigned char>(state);
    std::memcpy(&l.h, l.base, sizeof l.h);
    return l;
}

template <class T>
void write_header(unsigned char* base, int32_t magic, int order, int shift, int len) {
    const int plan =
        static_cast<int>(sizeof(BankHeader)) + ((2 * len * static_cast<int>(sizeof(T)) + 15) & ~15);
    BankHeader h{magic, order, 1 << order, shift, len, plan, {0, 0}};
    std::memcpy(base, &h, sizeof h);
}

}  // namespace

const float* builtin_window_half(int order, int shift, int len) {
    if (order == 5 && shift == 24 && len == 128) return kWindow128Half;
    if (order == 6 && shift == 44 && len == 256) return kWindow256Half;
    return nullptr;
}

void bank_init_32f(void* state, int order, int shift, int len, const float* window) {
    auto* base = align16<unsigned char>(state);
    write_header<float>(base, kMagic32f, order, shift, len);
    const Layout l = layout(state);
    float* w = l.window<float>();
    if (window != nullptr) {
        std::memcpy(w, window, sizeof(float) * len);
    } else {
        const float* half = builtin_window_half(order, shift, len);
        for (int i = 0; i < len / 2; ++i) w[i] = w[len - 1 - i] = half[i];
    }
    std::memset(l.overlap<float>(), 0, sizeof(float) * len);
    fft_init_32f(l.plan(), order);
}

void bank_init_16s(void* state, int order, int shift, int len, const int16_t* window) {
    auto* base = align16<unsigned char>(state);
    write_header<int16_t>(base, kMagic16s, order, shift, len);
    const Layout l = layout(state);
    int16_t* w = l.window<int16_t>();
    if (window != nullptr) {
        std::memcpy(w, window, sizeof(int16_t) * len);
    } else {
        // The Q13 form: each float value times 8192, truncated toward zero.
        const float* half = builtin_window_half(order, shift, len);
        for (int i = 0; i < len / 2; ++i) w[i] = w[len - 1 - i] = static_cast<int16_t>(half[i] * 8192.0f);
    }
    std::memset(l.overlap<int16_t>(), 0, sizeof(int16_t) * len);
    fft_init_16s(l.plan(), order);
}

bool bank_analysis_32f(const float* x, Vok32fc* X, void* state, void* work) {
    const Layout l = layout(state);
    if (l.h.magic != kMagic32f || !fft_valid_32f(l.plan(), l.h.order)) return false;
    const int n = l.h.n, s = l.h.shift, len = l.h.len;
    const float* w = l.window<float>();
    float* u = l.overlap<float>();
    std::memmove(u, u + s, sizeof(float) * (len - s));
    std::memcpy(u + len - s, x, sizeof(float) * s);
    float* t = align16<float>(work);
    for (int j = 0; j < n; ++j) t[j] = w[j] * u[j];
    for (int r = n; r < len; r += n)
        for (int j = 0; j < n; ++j) t[j] = std::fma(w[r + j], u[r + j], t[j]);
    fft_fwd_32f(l.plan(), t, X, t + n);
    return true;
}

bool bank_synthesis_32f(const Vok32fc* X, float* y, void* state, void* work) {
    const Layout l = layout(state);
    if (l.h.magic != kMagic32f || !fft_valid_32f(l.plan(), l.h.order)) return false;
    const int n = l.h.n, s = l.h.shift, len = l.h.len;
    const float* w = l.window<float>();
    float* u = l.overlap<float>();
    float* t = align16<float>(work);
    fft_inv_32f(l.plan(), X, t, t + n);
    std::memmove(u, u + s, sizeof(float) * (len - s));
    std::memset(u + len - s, 0, sizeof(float) * s);
    for (int k = 0; k < len; ++k) u[k] = std::fma(w[len - 1 - k], t[k & (n - 1)], u[k]);
    std::memcpy(y, u, sizeof(float) * s);
    return true;
}

bool bank_analysis_16s(const int16_t* x, Vok32sc* X, void* state, int scale, void* work) {
    const Layout l = layout(state);
    if (l.h.magic != kMagic16s || !fft_valid_16s(l.plan(), l.h.order)) return false;
    const int n = l.h.n, s = l.h.shift, len = l.h.len;
    const int16_t* w = l.window<int16_t>();
    int16_t* u = l.overlap<int16_t>();
    std::memmove(u, u + s, sizeof(int16_t) * (len - s));
    std::memcpy(u + len - s, x, sizeof(int16_t) * s);
    auto* t = align16<int16_t>(work);
    for (int j = 0; j < n; ++j) t[j] = sat16((u[j] * w[j] + 4096) >> 13);
    for (int r = n; r < len; r += n)
        for (int j = 0; j < n; ++j) t[j] = sat16(t[j] + ((u[r + j] * w[r + j] + 4096) >> 13));
    auto* fw = reinterpret_cast<int64_t*>(reinterpret_cast<unsigned char*>(t) + ((4 * n + 15) & ~15));
    fft_fwd_16s(l.plan(), t, X, scale, fw);
    return true;
}

bool bank_synthesis_16s(const Vok32sc* X, int16_t* y, void* state, int scale, void* work) {
    const Layout l = layout(state);
    if (l.h.magic != kMagic16s || !fft_valid_16s(l.plan(), l.h.order)) return false;
    const int n = l.h.n, s = l.h.shift, len = l.h.len;
    const int16_t* w = l.window<int16_t>();
    int16_t* u = l.overlap<int16_t>();
    auto* t = align16<int16_t>(work);
    auto* fw = reinterpret_cast<int64_t*>(reinterpret_cast<unsigned char*>(t) + ((4 * n + 15) & ~15));
    fft_inv_16s(l.plan(), X, t, scale, fw);
    std::memmove(u, u + s, sizeof(int16_t) * (len - s));
    std::memset(u + len - s, 0, sizeof(int16_t) * s);
    for (int k = 0; k < len; ++k) u[k] = sat16(u[k] + ((t[k & (n - 1)] * w[len - 1 - k] + 4096) >> 13));
    std::memcpy(y, u, sizeof(int16_t) * s);
    return true;
}

}  // namespace voks::ec

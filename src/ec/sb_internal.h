// Internal declarations of the analysis/synthesis filter bank and its real FFT.
//
// Both bank states start at the first 16-byte boundary of the caller's block with a header of
// offsets (no addresses), then the window, the overlap buffer and the FFT set-up (twiddles).
#ifndef VOKS_EC_SB_INTERNAL_H
#define VOKS_EC_SB_INTERNAL_H

#include <cstddef>
#include <cstdint>

#include "voksc/ec.h"

namespace voks::ec {

extern const float kWindow128Half[64];
extern const float kWindow256Half[128];

// The built-in window for (order, shift, length), or null when there is none.
const float* builtin_window_half(int order, int shift, int len);

// First 16-byte boundary at or after p.
template <class T>
T* align16(void* p) {
    const auto a = reinterpret_cast<uintptr_t>(p);
    return reinterpret_cast<T*>(a + ((16 - (a & 15)) & 15));
}

// Sizes of the FFT set-up and work areas for an N-point transform.
inline int fft_plan_bytes_32f(int n) {
    return 4 * n + 16;
}
inline int fft_work_bytes_32f(int n) {
    return 8 * n;
}
inline int fft_plan_bytes_16s(int n) {
    return 4 * n + 16;
}
inline int fft_work_bytes_16s(int n) {
    return 16 * n;
}

struct BankHeader {
    int32_t magic, order, n, shift, len, plan_off, pad[2];
};
constexpr int32_t kMagic32f = 0x45433246, kMagic16s = 0x45433136;

// FFT set-up: a magic word, the order, then the N/2 twiddles exp(-2 pi i k / N) as cosine and
// sine arrays (float, or Q30 in 32 bits).
void fft_init_32f(void* plan, int order);
void fft_init_16s(void* plan, int order);
bool fft_valid_32f(const void* plan, int order);
bool fft_valid_16s(const void* plan, int order);
// Unnormalised forward transform of n real values into n/2 + 1 packed bins.
void fft_fwd_32f(const void* plan, const float* in, Vok32fc* out, float* work);
// Inverse of n/2 + 1 packed bins divided by n (imaginary parts of bins 0 and n/2 ignored).
void fft_inv_32f(const void* plan, const Vok32fc* in, float* out, float* work);
// Fixed point: forward from 16-bit samples, the result scaled by 2^-scale (rounded) and
// saturated to 32 bits; inverse divided by n * 2^scale (rounded), saturated to 16 bits.
void fft_fwd_16s(const void* plan, const int16_t* in, Vok32sc* out, int scale, int64_t* work);
void fft_inv_16s(const void* plan, const Vok32sc* in, int16_t* out, int scale, int64_t* work);

void bank_init_32f(void* state, int order, int shift, int len, const float* window);
void bank_init_16s(void* state, int order, int shift, int len, const int16_t* window);
bool bank_analysis_32f(const float* x, Vok32fc* X, void* state, void* work);
bool bank_synthesis_32f(const Vok32fc* X, float* y, void* state, void* work);
bool bank_analysis_16s(const int16_t* x, Vok32sc* X, void* state, int scale, void* work);
bool bank_synthesis_16s(const Vok32sc* X, int16_t* y, void* state, int scale, void* work);

}  // namespace voks::ec

#endif  // VOKS_EC_SB_INTERNAL_H

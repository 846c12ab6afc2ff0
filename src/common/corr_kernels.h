// Vector kernels of the correlation, convolution and residual-filter operations. The scalar
// kernels define the results; the AVX2 twins (x86/corr_avx2.cpp) give identical bits for every
// length and alignment. All sums wrap modulo 2^32 except `energy`, which is exact. No kernel
// needs aligned pointers; lengths may be 0.
#ifndef VOKS_COMMON_CORR_KERNELS_H
#define VOKS_COMMON_CORR_KERNELS_H

#include <cstdint>

#include "frame/dispatch.h"

namespace voks::common {

struct CorrKernels {
    // sum_{i<n} a[i]*b[i] mod 2^32.
    int32_t (*dot)(const int16_t* a, const int16_t* b, int n);
    // out[k] = sum_{i<n} a[i]*b[i+k] mod 2^32 for k < lags; reads b[0 .. n+lags-2].
    void (*xcorr)(const int16_t* a, const int16_t* b, int n, int32_t* out, int lags);
    // out[k] = sum_{i<n-k} x[i]*x[i+k] mod 2^32 for k < lags (0 for k >= n).
    void (*autocorr)(const int16_t* x, int n, int32_t* out, int lags);
    // out[k] = sum_{i<n-k} a[i]*b[i+k] mod 2^32 for k < n (triangular correlation).
    void (*xcorr_tri)(const int16_t* a, const int16_t* b, int n, int32_t* out);
    // out[k] = the saturating chain s = L_mac(s, a[i], b[i+k]) over i < n-k from s = 0, for
    // k < n <= 64 (the reference's Cor_h_X sums whatever the input).
    void (*mac_chain_tri)(const int16_t* a, const int16_t* b, int n, int32_t* out);
    // sum_{i<n} x[i]^2, exact.
    int64_t (*energy)(const int16_t* x, int n);
    // out[j] = sum_{k<=m} a[k]*b[m-k] mod 2^32 for m = first + j, first <= m < last;
    // reads a[0 .. last-1] and b[0 .. last-1] only.
    void (*conv)(const int16_t* a, const int16_t* b, int first, int last, int32_t* out);
    // out[m] = sum_{i<taps} c[i]*x[m-i] mod 2^32 for m < n; reads x[1-taps .. n-1].
    void (*fir)(const int16_t* c, int taps, const int16_t* x, int n, int32_t* out);
};

// The table in use (filled for the active level at load and when a test forces a level).
const CorrKernels& corr_kernels();

// The scalar definitions.
namespace scalar {
int32_t dot(const int16_t* a, const int16_t* b, int n);
void xcorr(const int16_t* a, const int16_t* b, int n, int32_t* out, int lags);
void autocorr(const int16_t* x, int n, int32_t* out, int lags);
void xcorr_tri(const int16_t* a, const int16_t* b, int n, int32_t* out);
void mac_chain_tri(const int16_t* a, const int16_t* b, int n, int32_t* out);
int64_t energy(const int16_t* x, int n);
void conv(const int16_t* a, const int16_t* b, int first, int last, int32_t* out);
void fir(const int16_t* c, int taps, const int16_t* x, int n, int32_t* out);
}  // namespace scalar

// The AVX2 twins (x86/corr_avx2.cpp); callable only when the CPU has AVX2.
namespace avx2 {
int32_t dot(const int16_t* a, const int16_t* b, int n);
void xcorr(const int16_t* a, const int16_t* b, int n, int32_t* out, int lags);
void autocorr(const int16_t* x, int n, int32_t* out, int lags);
void xcorr_tri(const int16_t* a, const int16_t* b, int n, int32_t* out);
void mac_chain_tri(const int16_t* a, const int16_t* b, int n, int32_t* out);
int64_t energy(const int16_t* x, int n);
void conv(const int16_t* a, const int16_t* b, int first, int last, int32_t* out);
void fir(const int16_t* c, int taps, const int16_t* x, int n, int32_t* out);
}  // namespace avx2

}  // namespace voks::common

#endif  // VOKS_COMMON_CORR_KERNELS_H

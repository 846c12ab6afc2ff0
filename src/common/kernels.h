// The kernels of the shared primitives: correlation, convolution and residual filters, the
// order-10 LP synthesis recursion and the element-wise scaling operations. The scalar kernels
// (`*_kernels.cpp`) define the results; the AVX2 twins (`x86/*_avx2.cpp`) give identical bits for
// every length, alignment and input. No kernel needs aligned pointers; lengths may be 0 unless
// stated otherwise.
#ifndef VOKS_COMMON_KERNELS_H
#define VOKS_COMMON_KERNELS_H

#include <cstdint>

#include "frame/dispatch.h"

namespace voks::common {

// Correlation sums wrap modulo 2^32 except `energy`, which is exact.
// sum_{i<n} a[i]*b[i] mod 2^32.
using dot_fn = int32_t(const int16_t* a, const int16_t* b, int n);
// out[k] = sum_{i<n} a[i]*b[i+k] mod 2^32 for k < lags; reads b[0 .. n+lags-2].
using xcorr_fn = void(const int16_t* a, const int16_t* b, int n, int32_t* out, int lags);
// out[k] = sum_{i<n-k} x[i]*x[i+k] mod 2^32 for k < lags (0 for k >= n).
using autocorr_fn = void(const int16_t* x, int n, int32_t* out, int lags);
// out[k] = sum_{i<n-k} a[i]*b[i+k] mod 2^32 for k < n (triangular correlation).
using xcorr_tri_fn = void(const int16_t* a, const int16_t* b, int n, int32_t* out);
// out[k] = the saturating chain s = L_mac(s, a[i], b[i+k]) over i < n-k from s = 0, for
// k < n <= 64 (the reference's Cor_h_X sums whatever the input).
using mac_chain_tri_fn = void(const int16_t* a, const int16_t* b, int n, int32_t* out);
// sum_{i<n} x[i]^2, exact.
using energy_fn = int64_t(const int16_t* x, int n);
// out[j] = sum_{k<=m} a[k]*b[m-k] mod 2^32 for m = first + j, first <= m < last;
// reads a[0 .. last-1] and b[0 .. last-1] only.
using conv_fn = void(const int16_t* a, const int16_t* b, int first, int last, int32_t* out);
// out[m] = sum_{i<taps} c[i]*x[m-i] mod 2^32 for m < n; reads x[1-taps .. n-1].
using fir_fn = void(const int16_t* c, int taps, const int16_t* x, int n, int32_t* out);

// Order-10 LP synthesis. The history window w holds y[n-10..n-1] in w[0..9] before the first
// output; each kernel writes output n to y[n] and leaves the last ten outputs (n >= count - 10
// for count outputs) in w[10 + n] too, so that the window after the call is w[count..count+9].
// len >= 1.
// y[n] = sat16(s >> sf) with s = 2^(sf-1) + a[0] x[n] - sum_{i=1..10} a[i] y[n-i], for inputs
// where s is exact in 32 bits; sets *clipped when s >= 2^(15+sf) or s < 2^(sf-1) - 2^(15+sf)
// (where the reference's scaling saturates). Stops after the first output with |y| > ylim
// (ylim >= 0) and returns the number of outputs written.
using synth_exact_fn = int(const int16_t* a, const int16_t* x, int16_t* y, int16_t* w, int len, int sf,
                           int32_t ylim, bool* clipped);
// The same recursion modulo 2^32, keeping the low 16 bits of s >> sf; x == nullptr is a zero
// input.
using synth_wrap_fn = void(const int16_t* a, const int16_t* x, int16_t* y, int16_t* w, int len, int sf);

// Element-wise scaling; dst may equal a source.
// dst[k] = sat16((a[k] * b[k] + 2^(sf-1)) >> sf), product exact, sf 0..31 (sf = 0 adds nothing).
using mul_nr_fn = void(const int16_t* a, const int16_t* b, int16_t* dst, int len, int sf);
// As mul_nr with b[k] = c for every k.
using mulc_nr_fn = void(const int16_t* src, int16_t c, int16_t* dst, int len, int sf);
// Largest magnitude, with -32768 counted as 32767; 0 for len 0.
using max_abs_fn = int16_t(const int16_t* src, int len);
// dst[k] = src[k] << shift for shift >= 0 (caller guarantees no overflow), arithmetic
// src[k] >> -shift for shift < 0 (limited to 15).
using shift_fn = void(const int16_t* src, int16_t* dst, int len, int shift);

#define VOKS_COMMON_KERNELS(X)                                                                      \
    X(dot)                                                                                          \
    X(xcorr)                                                                                        \
    X(autocorr) X(xcorr_tri) X(mac_chain_tri) X(energy) X(conv) X(fir) X(synth_exact) X(synth_wrap) \
        X(mul_nr) X(mulc_nr) X(max_abs) X(shift)

VOKS_DECLARE_KERNELS(VOKS_COMMON_KERNELS)

}  // namespace voks::common

#endif  // VOKS_COMMON_KERNELS_H

// Kernels of the order-10 LP synthesis recursion. The history window w holds y[n-10..n-1] in
// w[0..9] before the first output; each kernel writes output n to y[n] and leaves the last ten
// outputs (n >= count - 10 for count outputs) in w[10 + n] too, so that the window after the call
// is w[count..count+9]. The scalar kernels define the results; the AVX2 twins
// (x86/filter_avx2.cpp) give identical bits. len >= 1.
#ifndef VOKS_COMMON_FILTER_KERNELS_H
#define VOKS_COMMON_FILTER_KERNELS_H

#include <cstdint>

#include "frame/dispatch.h"

namespace voks::common {

struct FilterKernels {
    // y[n] = sat16(s >> sf) with s = 2^(sf-1) + a[0] x[n] - sum_{i=1..10} a[i] y[n-i], for inputs
    // where s is exact in 32 bits; sets *clipped when s >= 2^(15+sf) or s < 2^(sf-1) - 2^(15+sf)
    // (where the reference's scaling saturates). Stops after the first output with |y| > ylim
    // (ylim >= 0) and returns the number of outputs written.
    int (*synth_exact)(const int16_t* a, const int16_t* x, int16_t* y, int16_t* w, int len, int sf, int32_t ylim,
                       bool* clipped);
    // The same recursion modulo 2^32, keeping the low 16 bits of s >> sf; x == nullptr is a zero
    // input.
    void (*synth_wrap)(const int16_t* a, const int16_t* x, int16_t* y, int16_t* w, int len, int sf);
};

// The table in use (filled for the active level at load and when a test forces a level).
const FilterKernels& filter_kernels();

namespace scalar {
int synth_exact(const int16_t* a, const int16_t* x, int16_t* y, int16_t* w, int len, int sf, int32_t ylim,
                bool* clipped);
void synth_wrap(const int16_t* a, const int16_t* x, int16_t* y, int16_t* w, int len, int sf);
}  // namespace scalar

namespace avx2 {
int synth_exact(const int16_t* a, const int16_t* x, int16_t* y, int16_t* w, int len, int sf, int32_t ylim,
                bool* clipped);
void synth_wrap(const int16_t* a, const int16_t* x, int16_t* y, int16_t* w, int len, int sf);
}  // namespace avx2

}  // namespace voks::common

#endif  // VOKS_COMMON_FILTER_KERNELS_H

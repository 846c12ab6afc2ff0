// Element-wise kernels of the scaling operations. Scalar versions define the results; the AVX2
// twins give identical bits for every length, alignment and input.
#ifndef VOKS_COMMON_SCALING_KERNELS_H
#define VOKS_COMMON_SCALING_KERNELS_H

#include <cstdint>

namespace voks::common {

struct ScalingKernels {
    // dst[k] = sat16((a[k] * b[k] + 2^(sf-1)) >> sf), product exact, sf 0..31 (sf = 0 adds
    // nothing). dst may equal a or b; len >= 0.
    void (*mul_nr)(const int16_t* a, const int16_t* b, int16_t* dst, int len, int sf);
    // As mul_nr with b[k] = c for every k.
    void (*mulc_nr)(const int16_t* src, int16_t c, int16_t* dst, int len, int sf);
    // Largest magnitude, with -32768 counted as 32767; 0 for len 0.
    int16_t (*max_abs)(const int16_t* src, int len);
    // dst[k] = src[k] << shift for shift >= 0 (caller guarantees no overflow), arithmetic
    // src[k] >> -shift for shift < 0 (limited to 15). dst may equal src.
    void (*shift)(const int16_t* src, int16_t* dst, int len, int shift);
};

extern ScalingKernels g_scaling;

void mul_nr_scalar(const int16_t* a, const int16_t* b, int16_t* dst, int len, int sf);
void mulc_nr_scalar(const int16_t* src, int16_t c, int16_t* dst, int len, int sf);
int16_t max_abs_scalar(const int16_t* src, int len);
void shift_scalar(const int16_t* src, int16_t* dst, int len, int shift);

void mul_nr_avx2(const int16_t* a, const int16_t* b, int16_t* dst, int len, int sf);
void mulc_nr_avx2(const int16_t* src, int16_t c, int16_t* dst, int len, int sf);
int16_t max_abs_avx2(const int16_t* src, int len);
void shift_avx2(const int16_t* src, int16_t* dst, int len, int shift);

}  // namespace voks::common

#endif  // VOKS_COMMON_SCALING_KERNELS_H

// Vector kernels of the G.729 excitation search. The scalar kernels define the results; the
// AVX2 twins (x86/exc_avx2.cpp) give identical bits for every input, falling back to the
// scalar arithmetic wherever a saturating step could be reached.
#ifndef VOKS_G729_EXC_KERNELS_H
#define VOKS_G729_EXC_KERNELS_H

#include <cstdint>

#include "frame/dispatch.h"

namespace voks::g729 {

// One candidate set of the innermost codebook loops: correlations ps[i] and energies alp[i].
struct ExcKernels {
    // sum_{i<n} L_mac(a[i], b[i]) from 0, saturating after every step.
    int32_t (*mac_chain)(const int16_t* a, const int16_t* b, int n);
    // The same over the even indices i = 0, 2, .. < n.
    int32_t (*mac_chain_dec)(const int16_t* a, const int16_t* b, int n);
    // Pred_lt_3 at exc (history at negative offsets), 40 samples written in order.
    void (*pred_lt_3)(int16_t* exc, int t0, int frac);
    // Norm_Corr loop over t = t_min..t_max from the filtered excitation excf of t_min
    // (already scaled); excf is updated in place; corr[t - t_min] written.
    void (*norm_corr)(const int16_t* exc, const int16_t* xn, const int16_t* h, int t_min, int t_max,
                      int h_fac, int scaling, int16_t* excf, int16_t* corr);
    // Prefix L_mac chains of the scaled response: pre[d * 41 + n] = sum_{m<n} L_mac(h[m], h[m+d])
    // for d = 0..39, n = 0..40-d.
    void (*cor_h_prefix)(const int16_t* h, int32_t* pre);
};

const ExcKernels& exc_kernels();

namespace scalar {
int32_t mac_chain(const int16_t* a, const int16_t* b, int n);
int32_t mac_chain_dec(const int16_t* a, const int16_t* b, int n);
void pred_lt_3(int16_t* exc, int t0, int frac);
void norm_corr(const int16_t* exc, const int16_t* xn, const int16_t* h, int t_min, int t_max, int h_fac,
               int scaling, int16_t* excf, int16_t* corr);
void cor_h_prefix(const int16_t* h, int32_t* pre);
}  // namespace scalar

namespace avx2 {
int32_t mac_chain(const int16_t* a, const int16_t* b, int n);
int32_t mac_chain_dec(const int16_t* a, const int16_t* b, int n);
void pred_lt_3(int16_t* exc, int t0, int frac);
void norm_corr(const int16_t* exc, const int16_t* xn, const int16_t* h, int t_min, int t_max, int h_fac,
               int scaling, int16_t* excf, int16_t* corr);
void cor_h_prefix(const int16_t* h, int32_t* pre);
}  // namespace avx2

}  // namespace voks::g729

#endif  // VOKS_G729_EXC_KERNELS_H

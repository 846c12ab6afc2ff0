// Internal declarations of the echo-canceller filters: full-band FIR/NLMS and the sub-band
// filters and coefficient updates. Arguments are checked by the exported operations.
#ifndef VOKS_EC_FIR_INTERNAL_H
#define VOKS_EC_FIR_INTERNAL_H

#include <cstdint>

#include "voksc/ec.h"

namespace voks::ec {

void fir_16s(const int16_t* x, const int16_t* d, int16_t* e, int n, const int16_t* h, int L);
void nlms_32f(const float* x, const float* d, const float* mu, float* e, int n, float* h, int L, float* err);
void nlms_16s(const int16_t* x, const int16_t* d, const int32_t* mu, int16_t* e, int n, int16_t* h, int L,
              int16_t* err);

void sb_fir_32sc(const Vok32sc* const* X, const Vok32sc* const* W, Vok32sc* Y, int T, int K, int s);
void sb_fir_low_32sc(const Vok32sc* const* X, const Vok32sc* const* W, int T, Vok32sc* Y, int b, int K,
                     int s);
void sb_update_32sc(const VokEcStep32s* mu, const Vok32sc* const* X, const Vok32sc* E, Vok32sc* const* W,
                    int T, int K, int s);
void sb_update_low_32sc(const Vok32sc* const* X, const Vok32sc* E, Vok32sc* const* W, int T, Vok32sc* eps,
                        const VokEcStep32s* mu, int b, int K, int s);
void sb_update_ap_32fc(const double* const* mu, const Vok32fc* const* X, const Vok32fc* const* E,
                       Vok32fc* const* W, int T, int K, int P);

}  // namespace voks::ec

#endif  // VOKS_EC_FIR_INTERNAL_H

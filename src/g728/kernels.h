// The G.728 kernels. The scalar kernels define the results; the AVX2 twins run the inner loops
// of the recursion and of the codebook search in vector lanes and give identical outputs.
#ifndef VOKS_G728_KERNELS_H
#define VOKS_G728_KERNELS_H

#include <cstdint>

#include "frame/dispatch.h"

namespace voks::g728 {

// Levinson-Durbin recursion of r[0..order] (order <= 1024) from order i (0: from scratch, else
// a[0..i), *alpha and *iaq as an earlier call left them) into a[0..order) at exponent *iaq
// (13..15), the first reflection coefficient *rc1 (only when i == 0) and the residual energy
// *alpha. False when the recursion breaks down: nothing is written then.
using durbin_fn = bool(const int16_t* r, int i, int order, int16_t* a, int16_t* rc1, int16_t* alpha,
                       int16_t* iaq);
// 16 kbit/s gain-shape search of the target t[0..5) at exponent tq (newest first) with the
// impulse response h[0..5) and the codevector energies y2[0..128): gain index ig (sign in bit
// 2) and shape index is of the smallest distortion, the first on ties.
using search16_fn = void(const int16_t* t, int tq, const int16_t* h, const int16_t* y2, int& ig, int& is);

// Per-shape distortions of the 16 kbit/s search for the backward-filtered target ct[0..5): the
// distortion of each shape's best gain cell into dist[0..128), that cell (sign in bit 2) into
// cell[0..128).
using distortions16_fn = void(const int16_t* ct, const int16_t* y2, int32_t* dist, uint8_t* cell);

// out[l] = sum_{k<n} x[k] y[k + l] for l < nlags, exact (n >= 0, nlags >= 1; reads
// y[0 .. n + nlags - 1); any alignment).
using xcorr_fn = void(const int16_t* x, const int16_t* y, int n, int nlags, int64_t* out);

// Energies y2[0..128) of the 128 shape codevectors convolved with the impulse response h[0..5)
// (Q13, newest first): each convolved sample rounded down to Q11 and saturated to 16 bits, the
// squares summed and saturated to 32 bits, then shifted down by 15 and saturated to 16 bits.
using energies_fn = void(const int16_t* h, int16_t* y2);

// Ringing of the synthesis memory's ten past vectors (d[5..55), exponents q[1..11), newest first)
// through a[0..50) (zero past tap 50) into past[0..5), at the exponent q0 = min q[1..11): vector
// j gives tf[i] = -sum_{m<5} d[5j+m] a[i+5(j-1)+m], added shifted right by q[j] - q0 (past 30
// shifts only its sign, -1 or 0, remains; the oldest vector adds nothing from 30 on).
using zir_past_fn = void(const int16_t* d, const int16_t* q, const int16_t* a, int64_t* past);

#define VOKS_G728_KERNELS(X) X(durbin) X(search16) X(xcorr) X(distortions16) X(energies) X(zir_past)

VOKS_DECLARE_KERNELS(VOKS_G728_KERNELS)

}  // namespace voks::g728

#endif  // VOKS_G728_KERNELS_H

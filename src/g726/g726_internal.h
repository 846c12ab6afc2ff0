// G.726 ADPCM coder core: the state kept between calls, rate codes and the reset (the coding
// loops are the kernels of kernels.h).
#ifndef VOKS_G726_G726_INTERNAL_H
#define VOKS_G726_G726_INTERNAL_H

#include <cstdint>

namespace voks::g726 {

constexpr int kEncodeStateBytes = 88;
constexpr int kDecodeStateBytes = 92;

// Output laws of the decoder.
enum Law : int32_t { kLawMu = 0, kLawA = 1, kLawLinear = 2 };

// Adaptive variables of one coder, in the widths of the standard's block diagram. The same
// variables serve encoder and decoder. The caller's block may sit at any address, so it is
// copied in and out with memcpy rather than dereferenced.
struct Core {
    int32_t yl;     // slow quantiser scale factor, 19 bits
    int16_t yu;     // fast quantiser scale factor, 13 bits
    int16_t dms;    // short-term average of F(I), 12 bits
    int16_t dml;    // long-term average of F(I), 14 bits
    int16_t ap;     // speed-control parameter, 10 bits
    int16_t a[2];   // pole coefficients a1, a2 (two's complement, Q14)
    int16_t b[6];   // zero coefficients b1..b6 (two's complement, Q14)
    int16_t dq[6];  // dq1..dq6, newest first, in 11-bit float (sign<<10 | exp<<6 | mant)
    int16_t sr[2];  // sr1, sr2, newest first, same float format
    int16_t pk[2];  // signs pk1, pk2 of dq + sez, newest first
    int16_t td;     // tone detector
    int16_t rate;   // rate index 0..3: 2..5 bits per code
};

// Block layouts within the caller's bytes.
constexpr int kCoreOffset = 0;
constexpr int kLawOffset = static_cast<int>(sizeof(Core));
static_assert(sizeof(Core) + sizeof(int32_t) <= kDecodeStateBytes, "decoder state too small");
static_assert(sizeof(Core) <= kEncodeStateBytes, "encoder state too small");

// Index 0..3 of a library rate code (17, 22, 23, 24), or -1.
int rate_index(int rate_code);

// Sets every variable to its reset value for the given rate index.
void reset(Core& s, int rate);

}  // namespace voks::g726

#endif  // VOKS_G726_G726_INTERNAL_H

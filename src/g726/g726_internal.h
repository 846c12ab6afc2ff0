// G.726 ADPCM coder core: the state kept between calls and the per-block kernels.
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
    int32_t yl;      // slow quantiser scale factor, 19 bits
    int16_t yu;      // fast quantiser scale factor, 13 bits
    int16_t dms;     // short-term average of F(I), 12 bits
    int16_t dml;     // long-term average of F(I), 14 bits
    int16_t ap;      // speed-control parameter, 10 bits
    int16_t a[2];    // pole coefficients a1, a2 (two's complement, Q14)
    int16_t b[6];    // zero coefficients b1..b6 (two's complement, Q14)
    int16_t dq[6];   // dq1..dq6, newest first, in 11-bit float (sign<<10 | exp<<6 | mant)
    int16_t sr[2];   // sr1, sr2, newest first, same float format
    int16_t pk[2];   // signs pk1, pk2 of dq + sez, newest first
    int16_t td;      // tone detector
    int16_t rate;    // rate index 0..3: 2..5 bits per code
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

// Encodes n 14-bit samples into codes (low bits of each byte). Samples outside -8192..8191 are
// limited to that range first. Runs the kernel of the active level.
void encode(Core& s, const int16_t* x, uint8_t* codes, int n);

// Decodes n codes (only the low rate-index + 2 bits of each byte are read) into 14-bit
// samples (law kLawLinear; any law other than kLawMu and kLawA is taken as linear) or G.711
// codes after synchronous coding adjustment. Runs the kernel of the active level.
void decode(Core& s, int32_t law, const uint8_t* codes, int16_t* out, int n);

// The kernels behind encode and decode: whole coding loops over n >= 0 samples, reading and
// writing only the n inputs and outputs and the state. The AVX2 twins form the predictor
// (eight FMULT products and their sums) and the zero-coefficient update in vector lanes and
// give identical codes, outputs and states.
void encode_scalar(Core& s, const int16_t* x, uint8_t* codes, int n);
void decode_scalar(Core& s, int32_t law, const uint8_t* codes, int16_t* out, int n);
void encode_avx2(Core& s, const int16_t* x, uint8_t* codes, int n);
void decode_avx2(Core& s, int32_t law, const uint8_t* codes, int16_t* out, int n);

struct Kernels {
    void (*encode)(Core& s, const int16_t* x, uint8_t* codes, int n);
    void (*decode)(Core& s, int32_t law, const uint8_t* codes, int16_t* out, int n);
};
const Kernels& kernels();

}  // namespace voks::g726

#endif  // VOKS_G726_G726_INTERNAL_H

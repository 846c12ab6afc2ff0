// Faults the fuzzers found in code whose owners have not mended them yet. The replay test steps
// around them, so that it keeps guarding everything else; the libFuzzer build still reaches
// them. Once a fault is fixed, delete its flag and the code that tests it, and move its
// reproducer from corpus/pending/ into corpus/<target>/.
#ifndef VOKSC_FUZZ_PENDING_H
#define VOKSC_FUZZ_PENDING_H

namespace voksfuzz::pending {

#ifdef VOKSC_LIBFUZZER
constexpr bool kStepAround = false;
#else
constexpr bool kStepAround = true;
#endif

// G.729 example decoder: a second sub-frame delay index of 31 after a first delay of 139 or more
// decodes T0 = 144 (as the reference Dec_lag3 does); voksLongTermPostFilter_G729_16s rejects
// delays above 143, so decode() reports a failure and post-filters an unwritten buffer.
// Reproducer: corpus/pending/decoder_g729/t0_144.bin.
constexpr bool kG729PostFilterDelay144 = kStepAround;

// G.729 fixed-codebook searches (exc_acelp.cpp build_code, exc_float_acelp.cpp code_of): a pulse
// 3 on track 0 gives a negative position code, shifted left (undefined behaviour).
// Reproducers: corpus/pending/ops_g729_exc/.
constexpr bool kG729CodebookNegativeShift = kStepAround;

// G.729 example encoder (g729_codec.cpp weighting_factors): a negative 1024 - 1.178 d_min is
// shifted left (undefined behaviour) when the LSFs of a loud frame crowd together.
// Reproducer: corpus/pending/codec_stream/g729_encoder_shift.bin.
constexpr bool kG729EncoderNegativeShift = kStepAround;

}  // namespace voksfuzz::pending

#endif  // VOKSC_FUZZ_PENDING_H

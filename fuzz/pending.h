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

// G.729 fixed-codebook searches (exc_acelp.cpp build_code, exc_float_acelp.cpp code_of): a pulse
// 3 on track 0 gives a negative position code, shifted left (undefined behaviour).
// Reproducers: corpus/pending/ops_g729_exc/.
constexpr bool kG729CodebookNegativeShift = kStepAround;

// Not reached by the replay's seeded inputs (no flag needed), reproducer kept for the owner:
// voksCrossCorr_16s32s_Sfs with scaleFactor INT_MIN negates it (corr.cpp cross_corr_sfs,
// signed overflow). Reproducer: corpus/pending/ops_correlation/crosscorr_sf_int_min.bin.

}  // namespace voksfuzz::pending

#endif  // VOKSC_FUZZ_PENDING_H

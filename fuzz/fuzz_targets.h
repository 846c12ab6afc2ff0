// The fuzz targets. Each defines one entry `voksfuzz::<name>(data, size)`; the replay test calls
// every entry on seeded inputs and the committed corpus, and each libFuzzer executable wraps one
// (libfuzzer.cpp).
#ifndef VOKSC_FUZZ_TARGETS_H
#define VOKSC_FUZZ_TARGETS_H

#include <cstddef>
#include <cstdint>

#include "frame/dispatch.h"

// X(name): every target, in the order the replay runs them.
#define VOKSC_FUZZ_TARGETS(X) \
    X(decoder_g729)           \
    X(decoder_g726)           \
    X(decoder_g722)           \
    X(decoder_gsm)            \
    X(ops_common_scaling)     \
    X(ops_common_corr)        \
    X(ops_g722)               \
    X(ops_g726)               \
    X(ops_g729_lp)            \
    X(ops_g729_exc)           \
    X(ops_g729_gain)          \
    X(ops_g729_sid)           \
    X(ops_gsm)                \
    X(codec_wav)              \
    X(codec_stream)           \
    X(codec_g729_itu)         \
    X(ops_rta)                \
    X(ops_ec_tone)            \
    X(decoder_g7221)          \
    X(ops_g7221)              \
    X(ops_ec)                 \
    X(canceller_ec)           \
    X(decoder_g723)           \
    X(ops_g723)               \
    X(decoder_g728)           \
    X(ops_g728)               \
    X(ops_amrnb)              \
    X(ops_amrwb)              \
    X(decoder_amrnb)          \
    X(decoder_amrwb)          \
    X(encoder_amrwb)

namespace voksfuzz {
#define VOKSC_FUZZ_DECLARE(name) int name(const uint8_t* data, size_t size);
VOKSC_FUZZ_TARGETS(VOKSC_FUZZ_DECLARE)
#undef VOKSC_FUZZ_DECLARE

// Chooses the kernel level (scalar or the best the CPU has) from one input byte, so both the
// scalar kernels and their vector twins see every input.
inline void select_level(uint8_t byte) {
    const auto want = (byte & 1) ? voks::frame::Level::AVX2 : voks::frame::Level::Scalar;
    if (voks::frame::active_level() != want) voks::frame::force_level(want);
}
}  // namespace voksfuzz

#endif  // VOKSC_FUZZ_TARGETS_H

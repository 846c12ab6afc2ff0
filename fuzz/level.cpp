// Kernel level selection shared by the fuzz targets.
#include "frame/dispatch.h"
#include "fuzz_targets.h"

namespace voksfuzz {

void select_level(uint8_t byte) {
    const auto want = (byte & 1) ? voks::frame::Level::AVX2 : voks::frame::Level::Scalar;
    if (voks::frame::active_level() != want) voks::frame::force_level(want);
}

}  // namespace voksfuzz

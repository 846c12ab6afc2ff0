// The G.728 kernel table.
#include "g728/kernels.h"

namespace voks::g728 {
VOKS_DEFINE_KERNELS(VOKS_G728_KERNELS)
}  // namespace voks::g728

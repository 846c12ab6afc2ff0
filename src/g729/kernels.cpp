// The G.729 kernel table.
#include "g729/kernels.h"

namespace voks::g729 {
VOKS_DEFINE_KERNELS(VOKS_G729_KERNELS)
}  // namespace voks::g729

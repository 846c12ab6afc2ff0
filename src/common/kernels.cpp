// The kernel table of the shared primitives.
#include "common/kernels.h"

namespace voks::common {
VOKS_DEFINE_KERNELS(VOKS_COMMON_KERNELS)
}  // namespace voks::common

// The front-end kernel table.
#include "rta/kernels.h"

namespace voks::rta {
VOKS_DEFINE_KERNELS(VOKS_RTA_KERNELS)
}  // namespace voks::rta

// The echo-canceller kernel table.
#include "ec/kernels.h"

namespace voks::ec {
VOKS_DEFINE_KERNELS(VOKS_EC_KERNELS)
}  // namespace voks::ec

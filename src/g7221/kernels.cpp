// The G.722.1 kernel table.
#include "g7221/kernels.h"

namespace voks::g7221 {
VOKS_DEFINE_KERNELS(VOKS_G7221_KERNELS)
}  // namespace voks::g7221

// The G.722 kernel table.
#include "g722/kernels.h"

namespace voks::g722 {
VOKS_DEFINE_KERNELS(VOKS_G722_KERNELS)
}  // namespace voks::g722

// The G.726 kernel table.
#include "g726/kernels.h"

namespace voks::g726 {
VOKS_DEFINE_KERNELS(VOKS_G726_KERNELS)
}  // namespace voks::g726

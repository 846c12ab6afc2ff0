// The G.723.1 kernel table.
#include "g723/kernels.h"

namespace voks::g723 {
VOKS_DEFINE_KERNELS(VOKS_G723_KERNELS)
}  // namespace voks::g723

// The GSM-AMR kernel table.
#include "amrnb/kernels.h"

namespace voks::amrnb {
VOKS_DEFINE_KERNELS(VOKS_AMRNB_KERNELS)
}  // namespace voks::amrnb

// The GSM full-rate kernel table.
#include "gsm/kernels.h"

namespace voks::gsm {
VOKS_DEFINE_KERNELS(VOKS_GSM_KERNELS)
}  // namespace voks::gsm

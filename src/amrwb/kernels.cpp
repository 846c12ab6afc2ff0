// The AMR-WB kernel table.
#include "amrwb/kernels.h"

namespace voks::amrwb {
VOKS_DEFINE_KERNELS(VOKS_AMRWB_KERNELS)
}  // namespace voks::amrwb

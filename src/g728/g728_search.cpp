// G.728 excitation codebook: energies of the filtered shape codevectors and the 16 kbit/s
// joint gain-shape search.
#include <algorithm>

#include "common/basicop.h"
#include "g728/g728_internal.h"
#include "g728/kernels.h"

namespace voks::g728 {

void shape_energies(const int16_t* h, int16_t* y2) {
    kernels().energies(h, y2);
}

}  // namespace voks::g728

// Constant tables of the G.722 sub-band coder.
#include "g722/g722_internal.h"

namespace voks::g722 {

const int16_t kQmfCoef[24] = {6,    -22,  -22,   106,  24,  -312, 64,   724, -420, -1610, 1902, 7752,
                              7752, 1902, -1610, -420, 724, 64,   -312, 24,  106,  -22,   -22,  6};

const int16_t kPlcFirLp[9] = {3692, 6190, 8525, 10186, 10787, 10186, 8525, 6190, 3692};
const int16_t kHbCoeff[2] = {29212, 25656};

}  // namespace voks::g722

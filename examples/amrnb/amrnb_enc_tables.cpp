// The encoder's 1/6-sample interpolation filter (fixed-point values of the standard codec).
#include "amrnb_enc_tables.h"

namespace amrnbex {

const int16_t kInter6[61] = {
    29443, 28346, 25207, 20449, 14701, 8693, 3143, -1352, -4402, -5865, -5850, -4673, -2783,
    -672,  1211,  2536,  3130,  2991,  2259, 1170, 0,     -1001, -1652, -1868, -1666, -1147,
    -464,  218,   756,   1060,  1099,  904,  550,  135,   -245,  -514,  -634,  -602,  -451,
    -231,  0,     191,   308,   340,   296,  198,  78,    -36,   -120,  -163,  -165,  -132,
    -79,   -19,   34,    73,    91,    89,   70,   38,    0,
};

}  // namespace amrnbex

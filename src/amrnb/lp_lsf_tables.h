// Constant tables of the GSM-AMR LSF quantisers (values of the standard).
#ifndef VOKS_AMRNB_LSF_TABLES_H
#define VOKS_AMRNB_LSF_TABLES_H

#include <cstdint>

namespace voks::amrnb {

// Three-split quantiser (every rate but 12.2): the 8 initial residual vectors of the SID
// quantiser, the mean LSFs and prediction factors, and the codebooks of 3, 3 and 4 values.
// 12.2 kbit/s: the mean LSFs and five codebooks of 2 + 2 values.
extern const int16_t kPastRqInit[80];
extern const int16_t kMeanLsf3[10];
extern const int16_t kPredFac3[10];
extern const int16_t kDico1Lsf3[768];
extern const int16_t kDico2Lsf3[1536];
extern const int16_t kDico3Lsf3[2048];
extern const int16_t kMr515Lsf3[512];
extern const int16_t kMr795Lsf1[1536];
extern const int16_t kMeanLsf5[10];
extern const int16_t kDico1Lsf5[512];
extern const int16_t kDico2Lsf5[1024];
extern const int16_t kDico3Lsf5[1024];
extern const int16_t kDico4Lsf5[1024];
extern const int16_t kDico5Lsf5[256];

}  // namespace voks::amrnb

#endif  // VOKS_AMRNB_LSF_TABLES_H

// Constants of the GSM-AMR example encoder; the ones it shares with the decoder are the decoder's.
#ifndef VOKSC_EXAMPLES_AMRNB_AMRNB_ENC_TABLES_H
#define VOKSC_EXAMPLES_AMRNB_AMRNB_ENC_TABLES_H

#include <cstdint>

#include "amrnb/amrnb_dec_tables.h"

namespace amrnbex {

// The gain, log2/pow2 and square-root tables are the decoder's (amrnb_dec_tables.h).
inline const int16_t (&kQuaGainPitch)[16] = amrnb::tab::kGainPitch;   // pitch gains, Q14
inline const int16_t (&kQuaGainCode)[96] = amrnb::tab::kGainCode;     // {factor Q11, log2 Q10, 20log10 Q10}
inline const int16_t (&kLog2Table)[33] = amrnb::tab::kLog2;           // log2 interpolation
inline const int16_t (&kPow2Table)[33] = amrnb::tab::kPow2;           // 2^x interpolation
inline const int16_t (&kGainHighRates)[512] = amrnb::tab::kGainHigh;  // {gp Q14, gc Q12, errors}, 7 bits
inline const int16_t (&kGainLowRates)[256] = amrnb::tab::kGainLow;    // the same, 6 bits
inline const int16_t (&kSqrtTable)[49] = amrnb::tab::kSqrt;           // square-root interpolation
inline const int16_t (&kGainMR475)[1024] = amrnb::tab::kGain475;      // {gp0, gc0, gp1, gc1}, 8 bits
extern const int16_t kInter6[61];                                     // 1/6-sample interpolation filter

}  // namespace amrnbex

#endif  // VOKSC_EXAMPLES_AMRNB_AMRNB_ENC_TABLES_H

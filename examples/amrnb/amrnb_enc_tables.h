// Constants of the GSM-AMR example encoder's gain quantisers (amrnb_enc_tables.cpp).
#ifndef VOKSC_EXAMPLES_AMRNB_AMRNB_ENC_TABLES_H
#define VOKSC_EXAMPLES_AMRNB_AMRNB_ENC_TABLES_H

#include <cstdint>

namespace amrnbex {

extern const int16_t kQuaGainPitch[16];    // pitch gains, Q14
extern const int16_t kQuaGainCode[96];     // {gain factor Q11, log2 error Q10, 20log10 error Q10}
extern const int16_t kLog2Table[33];       // log2 interpolation
extern const int16_t kPow2Table[33];       // 2^x interpolation
extern const int16_t kGainHighRates[512];  // {gp Q14, gc factor Q12, two energy errors}, 7 bits
extern const int16_t kGainLowRates[256];   // the same, 6 bits
extern const int16_t kInter6[61];          // 1/6-sample interpolation filter
extern const int16_t kSqrtTable[49];       // square-root interpolation
extern const int16_t kGainMR475[1024];     // {gp0, gc0, gp1, gc1} pairs of subframes, 8 bits

}  // namespace amrnbex

#endif  // VOKSC_EXAMPLES_AMRNB_AMRNB_ENC_TABLES_H

// GSM 06.10 full-rate operations that are short or strictly recursive and have no vector twin.
#ifndef VOKS_GSM_GSMFR_INTERNAL_H
#define VOKS_GSM_GSMFR_INTERNAL_H

#include <cstdint>

namespace voks::gsm {

void highpass(const int16_t* src, int16_t* dst, int len, int32_t* mem);
void preemphasis(const int16_t* src, int16_t* dst, int len, int16_t* mem);
void schur(const int32_t* acf, int16_t* refl, int order);
void rpe_dequantize(const int16_t* xmc, int16_t mant, int16_t shift, int16_t* xmp);
void deemphasis(int16_t* x, int len, int16_t* mem);

}  // namespace voks::gsm

#endif  // VOKS_GSM_GSMFR_INTERNAL_H

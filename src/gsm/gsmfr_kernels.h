// GSM 06.10 full-rate kernels. The scalar functions define the arithmetic; the table holds the
// versions selected for this CPU, and every vector twin gives the scalar bits for every input.
#ifndef VOKS_GSM_GSMFR_KERNELS_H
#define VOKS_GSM_GSMFR_KERNELS_H

#include <cstdint>

#include "frame/dispatch.h"

namespace voks::gsm {

// Short-term analysis lattice, in place, len >= 1; r: 8 Q15 coefficients; u: 8-word memory.
using StAnalysisFn = void (*)(const int16_t* r, int16_t* x, int len, int16_t* u);
// Short-term synthesis lattice, len >= 1; out may equal in; v: 9-word memory.
using StSynthesisFn = void (*)(const int16_t* r, const int16_t* in, int16_t* out, int len,
                               int16_t* v);
// 11-tap weighting filter, len >= 1; reads x[-5] .. x[len + 4]; y does not overlap x.
using WeightingFn = void (*)(const int16_t* x, int16_t* y, int len);

struct GsmfrKernels {
    StAnalysisFn st_analysis;
    StSynthesisFn st_synthesis;
    WeightingFn weighting;
};

// Kernels for the active level (constant-initialised to the scalar set).
const GsmfrKernels& gsmfr_kernels();

// Scalar definitions.
void st_analysis_c(const int16_t* r, int16_t* x, int len, int16_t* u);
void st_synthesis_c(const int16_t* r, const int16_t* in, int16_t* out, int len, int16_t* v);
void weighting_c(const int16_t* x, int16_t* y, int len);

// AVX2 twins (x86/gsmfr_avx2.cpp); call only when the CPU has AVX2.
void st_analysis_avx2(const int16_t* r, int16_t* x, int len, int16_t* u);
void st_synthesis_avx2(const int16_t* r, const int16_t* in, int16_t* out, int len, int16_t* v);
void weighting_avx2(const int16_t* x, int16_t* y, int len);

// The remaining operations are short or strictly recursive and have no vector twin.
void highpass(const int16_t* src, int16_t* dst, int len, int32_t* mem);
void preemphasis(const int16_t* src, int16_t* dst, int len, int16_t* mem);
void schur(const int32_t* acf, int16_t* refl, int order);
void rpe_dequantize(const int16_t* xmc, int16_t mant, int16_t shift, int16_t* xmp);
void deemphasis(int16_t* x, int len, int16_t* mem);

}  // namespace voks::gsm

#endif  // VOKS_GSM_GSMFR_KERNELS_H

// Internal entry points of the G.729 gain, post-filter and boundary-filter operations. Arguments
// are already checked by the exported wrappers; lengths and layouts are those of the public
// header (include/voksc/g729_gain.h).
#ifndef VOKS_G729_GAIN_INTERNAL_H
#define VOKS_G729_GAIN_INTERNAL_H

#include <cstdint>

#include "voksc.h"

namespace voks::g729 {

// Gain quantisation and decoding (gain_quant.cpp).
void gain_quant(const int16_t* x, const int16_t* y1, const int16_t* code, const int16_t* y2, int16_t* past,
                int16_t* gains, int16_t* idx, int16_t taming, bool annexD);
void decode_gain(int32_t energy, int16_t* past, const int16_t* idx, int16_t* gains);
void decode_gain_6k(int32_t energy, int16_t attenuation, int16_t* past, const int16_t* idx, int16_t* gains);
void gain_search_32f(const float* corr, const int32_t* cand, int32_t* index, int32_t taming, float gcode0,
                     bool annexD);

// Post-filters (gain_postfilter.cpp).
constexpr int kResBufLen = 194;  // residual buffer of the Annex A/B post-filter front
constexpr int kResCur = 154;     // first element of the current sub-frame in it
// ap[0] = a[0], ap[i] = round_fx(L_mult(a[i], fac[i])) for i = 1..10, with 0 <= fac[i] <= 32767.
void weight_az(const int16_t* a, const int16_t* fac, int16_t* ap);
void residu(const int16_t* a, int order, const int16_t* x, int16_t* y, int len);
void ltp_g729(int16_t gamma, int t0, const int16_t* res, int16_t* out, int16_t* vo);
void ltp_g729a(int16_t delay, const int16_t* speech, const int16_t* lpc, int16_t* resBuf, int16_t* out);
void ltp_g729b(int16_t delay, const int16_t* speech, const int16_t* lpc, int16_t* resBuf, int16_t* out,
               int16_t* voicing, int16_t frameType);
VokStatus short_term(const int16_t* lpc, const int16_t* src, int16_t* dst, int16_t* h);
void tilt_g729(const int16_t* h, int16_t* x);
void tilt_g729a(const int16_t* lpc, int16_t* x);
void tilt_mu(int16_t parcor0, const int16_t* in, int16_t* out);
void gain_control(const int16_t* in, int16_t* out, int16_t* gain);
void gain_control_a(const int16_t* in, int16_t* out, int16_t* gain);
void gain_control_32f(float* x, float* gain, float increment, float factor);
void preemphasis(int16_t g, const int16_t* src, int16_t* dst, int len, int16_t* mem);

// Annex D phase dispersion (gain_phdisp.cpp); the state lives at any address.
constexpr int kPhDispStateBytes = 20;
void phdisp_init(void* state);
void phdisp_update(int16_t pitchGain, int16_t codeGain, void* state);
void phdisp(const int16_t* exc, int16_t* out, int16_t codeGain, int16_t pitchGain, int16_t* code,
            void* state);

// Boundary filters (gain_filters.cpp); the high-pass state lives at any address.
constexpr int kHighPassStateBytes = 24;
void highpass_init(const int16_t* coeffs, void* state);
void highpass(int16_t* x, int len, int sf, void* state);
void iir16s(const int16_t* coeffs, const int16_t* src, int16_t* dst, int16_t* mem, bool wrap);
VokStatus synth_e(const int16_t* a, int order, const int16_t* x, int16_t* y, int len, int16_t* mem);
void synth_32f(const float* a, int order, const float* x, float* y, int len, float* mem);

}  // namespace voks::g729

#endif  // VOKS_G729_GAIN_INTERNAL_H

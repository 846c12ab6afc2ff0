// GSM-AMR linear prediction: the implementations behind the exported operations, callable
// directly by the codec code. Order 10; LP coefficients are 11 Q12 values with a[0] = 4096.
#ifndef VOKS_AMRNB_LP_INTERNAL_H
#define VOKS_AMRNB_LP_INTERNAL_H

#include <cstdint>

namespace voks::amrnb {

constexpr int kOrder = 10;
constexpr int kWindowLen = 240;  // LP analysis window
constexpr int kFrame = 160;
constexpr int kSubframe = 40;
constexpr int kExcHistory = 154;  // past excitation: the largest lag, the interpolation span and 1

// True for the rate codes of the eight AMR rates, and for vokRateDTX when dtx is set.
bool valid_mode(int mode, bool dtx);

// Autocorr with the window win, then Lag_window: r[0..10] (r[0] normalised).
void autocorr(const int16_t* x, const int16_t* win, int32_t* r);

// Az_lsp: the 10 LSPs of a[0..10]; prev_lsp is copied when fewer than 10 roots are found.
void az_lsp(const int16_t* a, const int16_t* prev_lsp, int16_t* lsp);

// Az_lsp's Chebyshev series of the Q10 polynomial f[0..5] (f[0] = 1024 implied) at x (Q15):
// the reference's double-precision evaluation with its saturations, Q14.
int16_t chebyshev(int16_t x, const int16_t* f);

// Lsf_lsp: returns the number of values converted, fewer than 10 when an LSF is negative.
int lsf_to_lsp(const int16_t* lsf, int16_t* lsp);

// dst = a/4 + b - b/4 (16-bit wrap-around).
void interpolate_quarter(const int16_t* a, const int16_t* b, int16_t* dst, int n);

// dst[i] = sat16(src[i] + (src[i-1]*gamma >> 15)) from the last sample down; src[-1] = *mem.
void preemphasize(int16_t gamma, const int16_t* src, int16_t* dst, int n, int16_t* mem);

// Reorder_lsf: each LSF at least 205 above the previous one, the first at least 205.
void reorder_lsf(int16_t* lsf);

// Q_plsf_5 (12.2: 20 LSPs in and out, 5 indices) or Q_plsf_3 (10 in and out, 3 indices;
// vokRateDTX predicts from the best initial residual vector, whose index goes to init_index
// when given); past_rq is the predictor memory.
void lsp_quant(const int16_t* lsp, int16_t* past_rq, int16_t* q_lsp, int16_t* idx, int mode,
               int16_t* init_index = nullptr);

// D_plsf_5 / D_plsf_3 and the subframe interpolation: out receives 4 LSP vectors; prev_lsp
// becomes the frame's last vector. Index fields are read at their coded widths.
void lsp_decode(const int16_t* idx, int16_t* past_rq, int16_t* past_lsf, int16_t* prev_lsp, int16_t* out,
                bool bfi, int mode);

// Residu: y = A(z) x, reading x[-10..-1]; Syn_filt: y = x / A(z) with the 10 past outputs at
// y[-10..-1] (y must not alias x beyond the current sample).
void residu(const int16_t* a, const int16_t* x, int16_t* y, int n);
void syn_filt(const int16_t* a, const int16_t* x, int16_t* y, int n);

// Subframe pre-processing: the impulse response h of ap1 / (aq ap2), the LP residual res of
// the subframe (speech points 10 samples before it) and the pitch target xn, with the
// synthesis and weighting filter memories (10 values each, read only).
void impulse_target(const int16_t* speech, const int16_t* ap1, const int16_t* ap2, const int16_t* aq,
                    const int16_t* syn_mem, const int16_t* wgt_mem, int16_t* h, int16_t* res, int16_t* xn);

// Side outputs of the open-loop search for the VAD options: the tone register (option 1,
// updated when given), the high-pass correlation maximum of the last half-frame search
// (option 1, when given), and the sums of the chosen maximum correlations and energies of the
// frame's searches (option 2).
struct OlSide {
    int16_t* tone = nullptr;
    int16_t* hp_corr = nullptr;
    int32_t rmax = 0, r0 = 0;
};

// Weighted speech of the frame (speech points 10 samples before it), then the open-loop lags
// of its two halves by rate; prev_wsp holds the 143 past weighted samples and is updated.
void open_loop_pitch(const int16_t* wlpc1, const int16_t* wlpc2, const int16_t* speech, int16_t& median,
                     int16_t& ada_w, int16_t* old_lags, int16_t* prev_wsp, int16_t* lag, int16_t* gain_flag,
                     int mode, OlSide& side);

}  // namespace voks::amrnb

#endif  // VOKS_AMRNB_LP_INTERNAL_H

// G.729 linear prediction, LSP conversions and LSF quantisation (main body, Annexes A and E):
// the implementations behind the exported operations, callable directly by the codec code.
// Vectors have order 10 unless stated; LP coefficients are 11 Q12 values with a[0] = 4096.
#ifndef VOKS_G729_LP_INTERNAL_H
#define VOKS_G729_LP_INTERNAL_H

#include <cstdint>

namespace voks::g729 {

constexpr int kOrder = 10;
constexpr int kMaPred = 4;                  // MA predictor order of the LSF quantiser
constexpr int kMemLen = kMaPred * kOrder;   // 40: predictor memory, newest vector first
constexpr int kMaxLevinsonOrder = 30;
constexpr int kHybridLen = 145;             // Annex E backward-analysis window
constexpr int kHybridLags = 31;

// Outcome of LSF decoding: which stability corrections were applied.
enum LsfFlags : int { kLsfFloor = 1, kLsfCeiling = 2 };

// Lag_window on 32-bit autocorrelations r[0..len-1] (lags 1..len), len <= 12.
void lag_window(int32_t* r, int len);

// Levinson (order 1..30) on the 32-bit autocorrelations r[0..order]. Returns false, writing
// nothing, when the recursion meets |k| > 32750; otherwise writes a[0..order] (Q12), the
// reflection coefficients rc[0..order-1] (Q15) and the normalised final prediction error
// mantissa; err_exp, when given, receives its exponent (the Annex B residual energy is
// err >> err_exp).
bool levinson(const int32_t* r, int order, int16_t* a, int16_t* rc, int16_t* err, int16_t* err_exp = nullptr);

// Az_lsp: LSPs of a[0..10]; coarse selects the Annex A grid (50 intervals, 2 bisections).
// Falls back to prev_lsp when fewer than 10 roots are found.
void az_lsp(const int16_t* a, const int16_t* prev_lsp, int16_t* lsp, bool coarse);

// Lsp_Az: a[0..10] from the LSPs.
void lsp_az(const int16_t* lsp, int16_t* a);

// Lsf_lsp2: returns the number of elements converted (10, or fewer when element 8 or 9 is
// negative, the first negative one stopping the conversion).
int lsf_to_lsp(const int16_t* lsf, int16_t* lsp);
// Lsp_lsf2 (Q13 radians) and Lsp_lsf (Q15 normalised frequency).
void lsp_to_lsf(const int16_t* lsp, int16_t* lsf);
void lsp_to_lsf_norm(const int16_t* lsp, int16_t* lsf);

// Lsp_qua_cs on LSFs: indices (mode, L1, L2, L3); decodes them into lsf_q, shifting mem.
// Returns the LsfFlags of the decoding.
int lsf_quant(const int16_t* lsf, int16_t* mem, int16_t* lsf_q, int16_t* idx);
// Annex E form: like lsf_quant but mem is left unchanged and the quantised residual (the entry
// that the caller pushes into mem when it keeps this frame's LSFs) goes to residual.
int lsf_quant_e(const int16_t* lsf, const int16_t* mem, int16_t* lsf_q, int16_t* idx,
                int16_t* residual);
// Lsp_iqua_cs for a received frame: indices (mode 0..1, L1 0..127, L2, L3 0..31).
int lsf_decode(const int16_t* idx, int16_t* mem, int16_t* lsf);
// Frame-erasure update of mem from the reused LSFs and the last good mode (0..1).
void lsf_decode_erased(int mode, int16_t* mem, const int16_t* prev_lsf);
// Pushes a residual vector into the predictor memory (Lsp_prev_update).
void lsf_mem_push(int16_t* mem, const int16_t* residual);

// Parts of the LSF quantiser shared with the Annex B SID quantiser: Lsp_get_wegt (normalised
// weights), Lsp_prev_extract (residual target of the MA predictor fg, scaled by fg_sum_inv),
// Lsp_prev_compose and Lsp_stability (returns the LsfFlags applied).
void lsf_weights(const int16_t* lsf, int16_t* w);
void lsf_prev_extract(const int16_t* lsf, int16_t* res, const int16_t (*fg)[kOrder], const int16_t* mem,
                      const int16_t* fg_sum_inv);
void lsf_prev_compose(const int16_t* res, int16_t* lsf, const int16_t (*fg)[kOrder], const int16_t* mem,
                      const int16_t* fg_sum);
int lsf_stability(int16_t* lsf);

// Annex E hybrid-window autocorrelation r[0..30] of x[0..144], updating state[0..30].
void win_hybrid(const int16_t* x, int32_t* r, int32_t* state);

// Single-precision twins (G.729 Annex C and C+ arithmetic).
float levinson_f(const float* r, int order, float* a, float* rc);
void az_lsp_f(const float* a, const float* prev_lsp, float* lsp, bool coarse);
void lsp_az_f(const float* lsp, float* a);
void lsf_decode_f(const int* idx, float* mem, float* lsf);
void lsf_decode_erased_f(int mode, float* mem, const float* prev_lsf);
void lsp_quant_e_f(const float* lsp, const float* mem, float* residual, float* lsp_q, int16_t* packed);
void win_hybrid_f(const float* x, float* r, float* state);
// The single-precision quantiser parts shared with the Annex B SID quantiser.
void lsf_expand_f(float* buf, float gap, int from, int to);
void lsf_weights_f(const float* lsf, float* w);
void lsf_prev_extract_f(const float* lsf, float* res, const float (*fg)[kOrder], const float* mem,
                        const float* fg_sum_inv);
void lsf_prev_compose_f(const float* res, float* lsf, const float (*fg)[kOrder], const float* mem,
                        const float* fg_sum);
void lsf_mem_push_f(float* mem, const float* res);
void lsf_stability_f(float* lsf);

}  // namespace voks::g729

#endif  // VOKS_G729_LP_INTERNAL_H

// Internal declarations of the AMR-WB family: ISF/ISP conversions, LP filters, excitation
// primitives and the discontinuous-transmission histories.
#ifndef VOKS_AMRWB_AMRWB_INTERNAL_H
#define VOKS_AMRWB_AMRWB_INTERNAL_H

#include <cstdint>

namespace voks::amrwb {

constexpr int kOrder = 16;     // LP order of the core band
constexpr int kFrame = 256;    // samples per frame at 12.8 kHz
constexpr int kDtxHist = 8;    // frames in the DTX histories
constexpr int kMaxOrder = 20;  // highest order of the ISP to LP conversion
constexpr int kPitchMin = 34;  // lags at 12.8 kHz
constexpr int kPitchMax = 231;
constexpr int kSubframe = 64;

// Adaptive codebook decoding state: past pitch gains (oldest first), concealment seed, past
// integer lags (most recent first), last good lag.
struct PitchState {
    int16_t gains[5];
    int16_t seed;
    int16_t lags[5];
    int16_t last_good;
};
static_assert(sizeof(PitchState) == 24, "12 words");

// Voice activity detector state (86 words): band noise estimates, averaged, previous and
// look-ahead band levels, filter-bank memories, counters, the speech level, the previous frame
// power (two words) and the band levels of the last frame.
struct VadState {
    int16_t bckr_est[12];
    int16_t ave_level[12];
    int16_t old_level[12];
    int16_t sub_level[12];
    int16_t data5[5][2];
    int16_t data3[6];
    int16_t burst_count, hang_count, stat_count, vad_reg;
    int16_t sp_est_cnt, sp_max, sp_max_cnt, speech_level;
    int16_t prev_pow[2];
    int16_t level[12];
};
static_assert(sizeof(VadState) == 172, "86 words");

// Index 0..8 of an AMR-WB rate code (6.60 .. 23.85 kbit/s), 9 for the silence descriptor, -1
// for any other code.
int mode_index(int rate);

// Base-2 logarithm of x > 0 as exponent (0..30) and Q15 fraction; both 0 for x <= 0.
void log2_q15(int32_t x, int16_t& exponent, int16_t& fraction);

// ISF (Q15, 0..16384 spans half the sampling rate; the last value at half scale) to ISP
// cosines, n values. Arguments outside the table's domain are limited to its ends.
void isf_to_isp(const int16_t* isf, int16_t* isp, int n);
// ISP cosines to ISFs, n values (the inverse of isf_to_isp).
void isp_to_isf(const int16_t* isp, int16_t* isf, int n);
// ISPs of an even order m (2..20) to m + 1 LP coefficients in Q12, a[0] = 4096.
void isp_to_lpc(const int16_t* isp, int16_t* a, int m);

// ISPs of order-16 LP coefficients (Chebyshev root search on a 100-point grid); when fewer
// than 15 roots are found, isp receives old_isp and false is returned. isp may be old_isp.
bool lpc_to_isp(const int16_t* a, int16_t* isp, const int16_t* old_isp);

// In-place pre-emphasis y[i] = x[i] - mu x[i-1], scaled by 2^(14 - sf), from the last sample
// down; *mem holds x[-1] and receives the last input.
void preemphasis(int16_t mu, int16_t* x, int n, int sf, int16_t* mem);
// In-place de-emphasis y[i] = x[i] / 2 + mu y[i-1], rounded; *mem holds y[-1] and receives the
// last output.
void deemphasis_half(int16_t mu, int16_t* x, int n, int16_t* mem);
// Synthesis through 1/A(z) of order m in double precision: sig[-m..-1] are the past outputs and
// sig[0..n) receives the outputs, 32-bit values whose bits 3..0 are zero; the excitation is taken
// as scaled by 2^q (its weight a[0] is shifted right by 4 + q).
void synthesis_32(const int16_t* a, int m, const int16_t* exc, int32_t* sig, int n, int q = 0);
// De-emphasis y[i] = 16 x[i] / 2^16 + (mu >> 1) 2 y[i-1] / 2^15 of the 32-bit synthesis (bits 3..0
// ignored), rounded with saturation; *mem holds y[-1] and receives the last output.
void deemphasis_32(int16_t mu, const int32_t* x, int16_t* y, int n, int16_t* mem);
// LP residual with saturating accumulation, scaled by 2^(10 - sf); x[-m..-1] are read.
void residual(const int16_t* a, int m, const int16_t* x, int16_t* y, int n, int sf);

// Energy, correlation and their exponents of the adaptive vector (yy, exp_yy, xy, exp_xy), and
// the pitch gain in Q14 limited to 1.2.
int16_t pitch_gain(const int16_t* xn, const int16_t* y1, int16_t* coeff, int n);

// Appends an ISF vector and the log energy of a frame to the DTX histories; `adjust` (Q7) is
// subtracted from the log energy.
void dtx_buffer(const int16_t* x, const int16_t* isf, int16_t* hist_ptr, int16_t* isf_hist,
                int16_t* log_en_hist, int16_t adjust);

// Raises each of the first n - 1 ISFs to at least the previous one plus gap (the first to gap).
void reorder_isf(int16_t* isf, int16_t gap, int n);
// True when every ISF index is inside its codebook (7 indices for the 46-bit quantiser, 5 for
// the 36-bit one; 5 for the comfort-noise quantiser).
bool isf_indices_valid(const int16_t* index, bool wide);
bool isf_noise_indices_valid(const int16_t* index);
// ISF decoding (46-bit when `wide`, else 36-bit) with MA prediction memory `past`, the last good
// vector `prev_q` (may be q) and the three-frame history `hist` (most recent first; a good
// frame shifts it unless it is null, a bad frame reads it).
void isf_decode(const int16_t* index, int16_t* q, int16_t* past, const int16_t* prev_q, int16_t* hist,
                bool bad, bool wide);
// ISF quantisation with four first-stage survivors; q may be isf.
void isf_quantise(const int16_t* isf, int16_t* past, int16_t* q, int16_t* index, bool wide);
// Comfort-noise ISF decoding and quantisation (5 indices).
void isf_decode_noise(const int16_t* index, int16_t* q);
void isf_quantise_noise(const int16_t* isf, int16_t* q, int16_t* index);

// Inverse square root of frac * 2^exp for a normalised frac: a normalised Q31 result and its
// exponent, in place; frac <= 0 gives MAX_32 and exponent 0.
void inv_sqrt_normalised(int32_t& frac, int16_t& exp);
// 1 / sqrt(energy per sample) of an n-sample Q9 code vector, Q12 (n = 64 in the codec).
int16_t code_inv_sqrt_energy(const int16_t* code, int n);
// True when index is inside the gain codebook of the mode index (6 bits at 6.60, 8.85 and for
// the silence descriptor, else 7).
bool gain_index_valid(int index, int mode_index);
// Gain decoding of one subframe; a bad frame only updates the energy history and scales the
// concealed code gain *past_gc (Q3).
void decode_gain(int index, int16_t inv_sqrt_energy, int16_t* gain_pit, int32_t* gain_code, bool bad,
                 bool prev_bad, int16_t* past_qua_en, int16_t* prev_gc, int16_t* past_gc, bool six_bits);

// Bits of the algebraic codebook of a rate or codebook code (12, 20, 28, 36, 44, 52, 64, 72 or
// 88), -1 for other codes.
int codebook_bits(int code);
// The 64-sample code vector (+-512 per pulse) of the index words of a codebook: one word for 12
// bits, one per track up to 52 bits, two per track (high parts first) from 64 bits on.
void decode_code(const int16_t* index, int bits, int16_t* code);

// Adaptive vector: exc[0..n) interpolated from exc[-lag - 16 ..] at lag + frac / 4 with the
// quarter-sample filter; exc may overlap the samples it reads.
void interpolate_lag(int16_t* exc, int lag, int frac, int n);
// The search window [lag - 8, lag + 7], moved to stay within the lag range.
void lag_window(int lag, int16_t* bounds);
// Integer lag and fraction (quarters) of a lag index: absolute (9 bits, or 8 when coarse;
// bounds receives the window) or relative to bounds[0] (6 bits, or 5 when coarse).
void decode_lag(int index, bool absolute, bool coarse, int16_t* bounds, int& lag, int& frac);
// Bad-frame lag from the gain and lag histories: `lost` frames take no decoded lag, others keep
// `lag` when it fits the history.
void conceal_lag(const int16_t* gains, const int16_t* lags, int16_t last_good, int16_t& seed, bool lost,
                 int& lag);

// Joint pitch and code gain quantisation of a subframe (6-bit or 7-bit codebook; `clip` limits
// the pitch gain to 1.0); *gain_pit is the unquantised pitch gain in and the quantised one out.
// Returns the index.
int quantise_gain(const int16_t* xn, const int16_t* y1, int q_xn, const int16_t* code, const int16_t* y2,
                  const int16_t* g_coeff, int16_t* past_qua_en, int16_t* gain_pit, int32_t* gain_code,
                  bool clip, int n, bool six_bits);

// The third-order high-pass filter of the weighted speech (memory of 9 words) the open-loop
// gain is measured on.
void hp_wsp(const int16_t* x, int16_t* y, int n, int16_t* mem);
// Open-loop lag of n samples of the weighted speech decimated to 6.4 kHz (wsp and hp with 115
// past samples), with the median, weighting and tone updates; returns the lag at 12.8 kHz.
int16_t open_loop_lag(const int16_t* wsp, const int16_t* hp, int n, int16_t* median_lag, int16_t* ada_w,
                      int16_t* tone, int16_t* gain, int16_t* prev_lags, int16_t* weight_flag);

// Closed-loop lag in [t0_min, t0_max] (past excitation exc, target xn, impulse response h, 64
// samples) with its fraction at the resolution of the rate (coarse: 6.60, 8.85 and the silence
// descriptor) and of the subframe kind; exc[-t0_max - 4 .. 67 - t0_min] are read.
int search_lag(const int16_t* exc, const int16_t* xn, const int16_t* h, int t0_min, int t0_max, bool absolute,
               bool coarse, int& frac);
// The lag index of a lag and fraction (the inverse of decode_lag).
int encode_lag(int lag, int frac, bool absolute, bool coarse, int t0_min);

// Detector reset (the stationarity counter is left: the first frame sets it) and one 256-sample
// frame; *tone is the caller's tone register. Returns the decision (1 speech).
void vad_init(VadState& st);
int16_t vad(VadState& st, const int16_t* x, int16_t* tone);

// The excitation energy adjustment of the encoder's DTX history per mode index (Q7).
extern const int16_t kDtxEnergyAdjust[10];

// High-pass filter state (40 bytes): numerator b0..b3, denominator a0..a3 (Q12; a0 is not
// used; order 2 keeps b3 = a3 = 0), the order-3 memory (past outputs as high/low pairs, oldest
// first, then the past inputs, newest first) and the scale factor of the memory.
struct HpState {
    int16_t b[4];
    int16_t a[4];
    int16_t mem[9];
    int16_t pad;
    int32_t sf;
};
static_assert(sizeof(HpState) == 40, "20 words");

// Recursive filter of order 3 in double precision: the output memory is the accumulator
// shifted left by 16 - sf, the output that memory shifted left by 15 - sf more and rounded
// (saturating). x may be y.
void hp_filter(HpState& st, const int16_t* x, int16_t* y, int n, int sf);
// Scales the order-3 memory by 2^shift (saturating; inputs rounded back to 16 bits).
void hp_rescale(int16_t* mem, int shift);
// y[i] = round(centre - c[1] x[i+1] - c[1] x[i-1]) with a saturating accumulator; the centre is
// x[i] 2^16, or 2 c[0] x[i] with edge (x[-1] and x[n] read); without edge, samples outside
// 0..n-1 are absent.
void three_tap(const int16_t* c, const int16_t* x, int16_t* y, int n, bool edge);

// Backward-filtered target dn = H^T x of a 64-sample subframe, normalised to 16 bits so that
// six times the sum of the four tracks' maxima does not overflow.
void backward_filter_target(const int16_t* h, const int16_t* x, int16_t* dn);
// 12-bit algebraic codebook search (one pulse on each of the even and odd tracks): signs from
// the normalised dn and residual cn (dn is sign-corrected in place), the best pair by
// cross-multiplied criterion (the first best kept), the Q9 code vector, its filtered version
// and the index (even-track position / 2 + 32 for a negative sign, << 6, plus the odd one).
void search_2t64(int16_t* dn, const int16_t* cn, const int16_t* h, int16_t* code, int16_t* y, int16_t* index);

// Index of count (1..6) pulses on one track of 16 positions (position + 16 for a negative
// sign), as the 4-track codebooks code them: 5, 9, 13, 16, 20 and 22 bits.
int32_t code_track_pulses(const int16_t* pos, int count);

// 4-track algebraic codebook search of 20, 36, 44, 52, 64, 72 or 88 bits (false for another
// size): signs and position pre-selection from dn (sign-corrected in place) and the residual
// cn, a depth-first search of pulse pairs, the Q9 code vector, its filtered version and the
// index words (one per track up to 52 bits, else 4 high parts then 4 low parts). single_pass
// makes the 88-bit search one iteration instead of two (23.85 kbit/s).
bool search_4t64(int16_t* dn, const int16_t* cn, const int16_t* h, int16_t* code, int16_t* y, int bits,
                 bool single_pass, int16_t* index);

}  // namespace voks::amrwb

#endif  // VOKS_AMRWB_AMRWB_INTERNAL_H

// G.728 LD-CELP core: the block-floating-point arithmetic of the fixed-point coder, its state
// layouts and the routines the exported operations call.
//
// Signals are kept newest sample first, in 5-sample vectors. A vector of the synthesis-filter
// memory carries its own exponent q: sample value = d * 2^-q.
#ifndef VOKS_G728_G728_INTERNAL_H
#define VOKS_G728_G728_INTERNAL_H

#include <cstdint>

namespace voks::g728 {

constexpr int kDim = 5;           // samples per vector
constexpr int kOrder = 50;        // synthesis filter order
constexpr int kOrderW = 10;       // weighting filter, log-gain and post-filter order
constexpr int kShapeCount = 128;  // shape codevectors
constexpr int kMemVectors = 11;   // synthesis memory: the current vector and ten past ones
constexpr int kPitchBuf = 240;    // residual history of the pitch extraction
constexpr int kPitchMin = 20, kPitchMax = 140;

// Rounds a 32-bit (or wider) value to its upper 16 bits, halves up, saturating at 32767.
constexpr int32_t round16(int64_t a) {
    const int64_t b = a >> 16;
    return static_cast<int32_t>(b + (((a >> 15) & 1) & int64_t{b != 32767}));
}

// Shifts l left until it is a normalised `bits`-bit number (right for negative counts) and
// returns the count; zero gives bits - 1.
int normalize(int64_t& l, int bits);
// The left shift that normalises the largest magnitude of x[0..n) to `bits` bits.
int vnorm_shift(const int16_t* x, int bits, int n);
// Normalises x[0..n) in place to `bits` bits; returns the shift.
int vnormalize(int16_t* x, int bits, int n);

// 16-bit precision division of normalised mantissas: quo * 2^-quoq = (num 2^-numq) / (den 2^-denq).
void divide(int32_t num, int numq, int32_t den, int denq, int32_t& quo, int& quoq);

constexpr int kMaxLags = 512;  // lags of a hybrid-window analysis (m + 1) at most

// Hybrid-window analysis of one adapter. rexp[0..m] and nlsrexp carry the recursive part.
struct WindowShape {
    int m;       // predictor order
    int nonr;    // non-recursive window length
    int nfrsz;   // new samples per update
    int iatt;    // attenuation shift: 2 (factor 0.75) or 1 (factor 0.5)
    int maxexp;  // bound of the recursive exponent, or 0
};
// Windowed samples ws[0..m+nonr+nfrsz) at exponent nlsws into r[0..m]; false when the last lag
// is zero (ill-conditioned).
bool autocorrelate(const WindowShape& w, const int16_t* ws, int nlsws, int16_t* rexp, int& nlsrexp,
                   int16_t* r);
// Windowing of a plain 16-bit buffer (the weighting and log-gain adapters); returns nlsws.
int window_plain(const int16_t* sb, const int16_t* win, int n, int16_t* ws);
// Windowing of block-floating-point vectors of length dim (the synthesis adapter); returns nlsws.
int window_blocks(const int16_t* d, const int16_t* q, int nblocks, int dim, const int16_t* win, int16_t* ws);

// Synthesis-filter memory: kMemVectors vectors, vector 0 the current one.
struct SynthMem {
    int16_t d[kMemVectors * kDim];
    int16_t pad;  // keeps q at byte 112, as the synthesis-filter state documents it
    int16_t q[kMemVectors];
};
// Moves every vector one place older and clears the current one.
void advance(SynthMem& s);
// Zero-input response of the synthesis filter a[0..49] into vector 0.
void zir_synthesis(const int16_t* a, SynthMem& s);
// Weighting filter over 5 samples: bmem[0..15) inputs newest first (current 5, then 10 past),
// amem[0..10) past outputs, replaced by the newest ten.
void weight_filter(const int16_t* b, const int16_t* a, const int16_t* bmem, int16_t* amem);
// Zero-input response of the weighting filter driven by the synthesis ringing in vector 0.
void zir_weighting(const int16_t* awz, const int16_t* awp, const SynthMem& s, int16_t* zirwiir);
// Adds the zero-state response of the excitation (et, exponent etq; scaled down as needed) to
// vector 0; with awz set also the weighted zero-state response to zirwiir (wiir receives it).
void zero_state(int16_t* et, int& etq, const int16_t* a, SynthMem& s, const int16_t* awz, const int16_t* awp,
                int16_t* zirwiir, int16_t* wiir);

// Energies of the 128 shape codevectors filtered by h[0..5) (Q13, newest first) into y2.
void shape_energies(const int16_t* h, int16_t* y2);
// 10th-order pole-zero filter of n samples (time order); xh, yh the past ten inputs and outputs,
// newest first.
void iir16(const int16_t* c, const int16_t* x, int16_t* y, int n, int16_t* xh, int16_t* yh);
// Long-term, pole-zero and tilt stages of the post-filter over 5 samples x (time order, period
// samples of history before x); th, yh the past ten stage outputs, newest first.
void post_filter(int g0, int g1, int period, int mu, const int16_t* c, const int16_t* x, int16_t* out,
                 int16_t* th, int16_t* yh);

// 10th-order LPC inverse filter of 5 samples st (newest first) into resid (newest first).
void lpc_inverse(const int16_t* apf, const int16_t* st, int16_t* stlpci, int16_t* resid);
// Pitch period from the residual buffer pitchd[0..240) (newest first).
int pitch_extract(int kpold, const int16_t* pitchd, int16_t* dec, int16_t* lpfiir);

// Lower-rate search of the target t[0..5) at exponent tq: the caller's codebook `book` holds
// ns energies, nm gain levels (Q12) and ns shapes; gain index ig (sign in the bit above the
// levels) and shape index is of the exact smallest distortion, the first shape and level on ties.
void search_lowrate(const int16_t* t, int tq, const int16_t* h, const int16_t* book, int ns, int nm, int& ig,
                    int& is);

constexpr int kTcqMaxVectors = 64;  // vectors of one trellis search at most
constexpr int kTcqStates = 4;
// Trellis search of n target records (exponent, 5 samples) from state s0: path[v] the state
// after vector v, word[v] its code word (shape << 3 | gain); returns the total distortion.
int64_t search_tcq(const int16_t* t, int n, const int16_t* h, const int16_t* y2, int s0, uint8_t* path,
                   int16_t* word);

}  // namespace voks::g728

#endif  // VOKS_G728_G728_INTERNAL_H

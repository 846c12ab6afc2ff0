// G.729 Annex B silence compression: the analysis of the voice-activity detector and the comfort
// noise (order-12 windowed autocorrelation, Levinson-Durbin), the SID spectrum quantiser and
// decoder, and the random excitation. Arguments are checked by the exported wrappers; vectors
// have order 10 and the predictor memory holds 40 values, the newest residual vector first.
#ifndef VOKS_G729_SID_INTERNAL_H
#define VOKS_G729_SID_INTERNAL_H

#include <cstdint>

namespace voks::g729 {

constexpr int kSidWindow = 240;   // analysis window
constexpr int kSidLags = 13;      // autocorrelation lags 0..12
constexpr int kSidSurvivors = 4;  // first-stage candidates kept by the SID quantiser

// The quantiser's M-best first stage (ownMLSearch1): the k-th survivor is the smallest remaining
// distance over both modes and the 32 entries (the first one on ties); each pick is then marked
// `taken` so the next pick skips it.
template <class T>
void sid_survivors(T (&dist)[2][32], T taken, int (&mode)[kSidSurvivors], int (&entry)[kSidSurvivors]) {
    for (int q = 0; q < kSidSurvivors; ++q) {
        T best = taken;
        mode[q] = entry[q] = 0;
        for (int p = 0; p < 2; ++p)
            for (int m = 0; m < 32; ++m)
                if (dist[p][m] < best) {
                    best = dist[p][m];
                    mode[q] = p;
                    entry[q] = m;
                }
        dist[mode[q]][entry[q]] = taken;
    }
}

// Autocorr of Annex B: r[0..12] of the windowed x[0..239], normalised, and the exponent.
void sid_autocorr(const int16_t* x, int32_t* r, int16_t* exp);
// Levinson of Annex B (order 10): a[0..10], rc[0..1] and the residual energy. Returns false,
// writing nothing, on an unstable filter.
bool sid_levinson(const int32_t* r, int16_t* a, int16_t* rc, int16_t* err);

// lsfq_noise on Q13 LSFs: indices (mode, first stage 0..31, second stage 0..15), the quantised
// LSFs, mem shifted. Returns the LsfFlags of the decoding.
int sid_lsf_quant(const int16_t* lsf, int16_t* mem, int16_t* lsf_q, int16_t* idx);
// sid_lsfq_decode for valid indices; returns the LsfFlags applied.
int sid_lsf_decode(const int16_t* idx, int16_t* mem, int16_t* lsf);
// Single-precision forms (LSF in radians); both deliver LSPs.
void sid_lsf_quant_f(const float* lsf, float* mem, float* lsp_q, int32_t* idx);
void sid_lsf_decode_f(const int32_t* idx, float* mem, float* lsp);

// Gauss of Annex B: dst[i] = (sum of twelve Random steps) >> 7, len >= 1; the float form
// scales the same integers by 1/512.
void random_noise(int16_t* seed, int16_t* dst, int len);
void random_noise_f(int16_t* seed, float* dst, int len);

}  // namespace voks::g729

#endif  // VOKS_G729_SID_INTERNAL_H

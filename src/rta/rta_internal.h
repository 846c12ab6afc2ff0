// The front end's internal declarations: the QMF state layout and the filters.
#ifndef VOKS_RTA_RTA_INTERNAL_H
#define VOKS_RTA_RTA_INTERNAL_H

#include <cstdint>

namespace voks::rta {

constexpr int kQmfStateBytes = 208;
constexpr int kQmfMaxTaps = 48;
constexpr int kQmfMaxLen = 640;  // input samples of one analysis, output samples of a synthesis
constexpr int kBandPassMaxLen = 640;

// The 208-byte QMF state, in its stored order. The prototype is named by its tap count.
struct QmfState {
    int32_t set;  // 24 or 48: the prototype chosen at Init
    int32_t reserved;
    float delay[kQmfMaxTaps];
    int32_t taps;
    int32_t fill;
};
static_assert(sizeof(QmfState) == kQmfStateBytes, "the QMF state layout");

// Whether a state block read back holds a prototype this library set up.
inline bool qmf_valid(const QmfState& s) {
    return (s.taps == 24 || s.taps == 48) && s.set == s.taps;
}
void qmf_init(QmfState& s, int taps);
// n even, 2..640; n/2 outputs per band.
void qmf_analysis(QmfState& s, const float* x, int n, float* low, float* high);
// n 1..320 samples per band; 2n outputs.
void qmf_synthesis(QmfState& s, const float* low, const float* high, int n, float* out);

// Index of a sampling rate among 8000, 16000, 22050, 32000, or -1.
int hp_rate_index(int rate);
// Order-4 DC removal with the coefficient set of rate index 1..3 (16000, 22050, 32000 Hz).
void highpass4(const float* x, float* y, int n, int set, float* state);
// Order-5 lattice-ladder high-pass with the set of rate index 0..3.
void highpass5(const float* x, float* y, int n, int set, float* state);
// Band-shaping filter with gain restoration, in place, n 1..640.
void bandpass(float* x, int n, float* state);
// Levinson-Durbin recursion of order p on r[0..p]; returns true when it completed.
bool levinson(const float* r, float* a, float* k, int p);

}  // namespace voks::rta

#endif  // VOKS_RTA_RTA_INTERNAL_H

// G.169 automatic level control: noise and speech level tracking, speech bursts with a
// hangover, and a gain adapted only during speech, applied in blocks of 8 samples.
#ifndef VOKS_EC_ALC_INTERNAL_H
#define VOKS_EC_ALC_INTERNAL_H

#include <cstdint>

namespace voks::ec {

constexpr int kAlcStateBytes = 124;
constexpr int kAlcBlock = 8;

// The 124-byte state, in its stored order.
struct AlcState {
    float target, max_level;                          // A_t, A_max
    float noise_lo, noise_hi;                         // clamp of the noise estimate
    float max_gain;                                   // G_max
    float beta_min, beta_floor;                       // bounds of the power-tracking factor
    float hangover;                                   // H, in blocks
    float rate0;                                      // target-gain rate outside the first burst
    int16_t h, bursts, active, speech;                // hangover counter, nA, nB, F
    float m, smooth, peak, speech_level;              // m, Ls, Pk, S
    float noise, noise4, tracker;                     // N, 4N, T
    float energy, power, beta, level, lambda;         // E, P, beta, L, lambda
    float gain_target, rate, gain, slew, block_peak;  // g_t, rho, g, sigma, pk
    float saved_power, saved_target, saved_beta;      // P', g_t', beta' at a burst's start
};
static_assert(sizeof(AlcState) == kAlcStateBytes, "the level-control state layout");

void alc_init(AlcState& s);
// Processes n / 8 blocks (n a multiple of 8); out may equal in.
void alc_run(AlcState& s, const int16_t* in, int16_t* out, int n);

}  // namespace voks::ec

#endif  // VOKS_EC_ALC_INTERNAL_H

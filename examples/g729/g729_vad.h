// G.729 Annex B voice-activity detector: frame energy, low-band energy, spectral distortion and
// zero-crossing rate against running background averages, decided by a fixed set of linear
// boundaries and smoothed by hangover rules.
#ifndef VOKSC_EXAMPLE_G729_VAD_H
#define VOKSC_EXAMPLE_G729_VAD_H

#include <cstdint>

#include "g729/g729_codec.h"

namespace g729 {

struct Vad {
    int16_t mean_lsf[kOrder];
    int16_t min_buffer[16];  // minimum energy of each of the last 16 eight-frame blocks
    int16_t prev_min, next_min, min;
    int16_t mean_e, mean_se, mean_sle, mean_szc;
    int16_t prev_energy;
    int16_t count_sil, count_update, count_ext;
    int16_t flag, v_flag, less_count;
};

void vad_init(Vad* v);

// Decision for one frame (1 voice, 0 noise). rc1: second reflection coefficient; lsf: normalised
// Q15 LSFs; r: lag-windowed autocorrelation (13 lags, high 16 bits used beyond lag 0) of exponent
// exp_r0; window: the 240 pre-processed samples analysed; frame: the frame counter (1, 2, ...,
// 32767, then 256 again); prev, pprev: the decisions of the two frames before. energy (nullable)
// receives the frame energy the decision used.
int16_t vad_decide(Vad* v, int16_t rc1, const int16_t* lsf, const int32_t* r, int16_t exp_r0,
                   const int16_t* window, int16_t frame, int16_t prev, int16_t pprev,
                   int16_t* energy = nullptr);

}  // namespace g729

#endif  // VOKSC_EXAMPLE_G729_VAD_H

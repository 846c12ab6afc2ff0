// Music detection of the G.729 encoder with silence compression and 11.8 kbit/s frames: frames that
// the voice-activity detector calls noise are coded as speech when their spectrum or energy moves
// away from the background's, or when the recent pitch gains, delays and backward-adaptive frames
// suggest music. The statistics follow every frame; only 11.8 kbit/s frames change the decision.
#ifndef VOKSC_EXAMPLE_G729_MUSIC_H
#define VOKSC_EXAMPLE_G729_MUSIC_H

#include <cstdint>

namespace g729 {

struct MusicDetector {
    int16_t count_music, mean_count_music, count_consc;
    int16_t mean_pgain;
    int16_t count_pflag, mean_count_pflag, count_consc_pflag, count_consc_rflag;
    int16_t mean_rc[10];  // reflection coefficients of the background, Q15
    int16_t mean_se;      // energy of the background
};

void music_init(MusicDetector* m);

// One frame: r0 the frame's autocorrelation at lag 0 of exponent exp_r0, rc its ten reflection
// coefficients, lags and pgains the last five open-loop delays and pitch gains (Q14), backward
// whether the previous frame was backward-adaptive, frame the detector's frame counter, prev_vad
// the previous decision, energy the detector's frame energy. *vad may turn from 0 to 1 when
// high_rate (an 11.8 kbit/s frame); low_rate selects the 6.4 kbit/s pitch-gain threshold.
void music_detect(MusicDetector* m, bool high_rate, bool low_rate, int32_t r0, int16_t exp_r0,
                  const int16_t* rc, const int16_t* lags, const int16_t* pgains, bool backward, int16_t frame,
                  int16_t prev_vad, int16_t* vad, int16_t energy);

}  // namespace g729

#endif  // VOKSC_EXAMPLE_G729_MUSIC_H

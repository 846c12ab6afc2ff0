// Music detection (see g729_music.h).
#include "g729/g729_music.h"

#include <cstring>

#include "g729/g729_fixed.h"

namespace g729 {

using namespace fx;

void music_init(MusicDetector* m) {
    std::memset(m, 0, sizeof *m);
    m->mean_pgain = 8192;
}

namespace {

// Running mean of a Q8 counter every 64 frames: the first block sets it.
int16_t smooth(int16_t mean, int16_t count, int16_t frame, int16_t keep, int16_t take) {
    if (frame == 64) return count;
    return extract_h(l_mac(l_mult(keep, mean), take, count));
}

}  // namespace

void music_detect(MusicDetector* m, bool high_rate, bool low_rate, int32_t r0, int16_t exp_r0,
                  const int16_t* rc, const int16_t* lags, const int16_t* pgains, bool backward, int16_t frame,
                  int16_t prev_vad, int16_t* vad, int16_t energy) {
    // Energy of the prediction error of order 4, in the detector's log units.
    int16_t pderr = 32767;
    for (int i = 0; i < 4; ++i) pderr = mult(pderr, sub(32767, mult(rc[i], rc[i])));
    int16_t e = 0;
    int16_t f = 0;
    log2_q15(mpy_32_16(r0, pderr), &e, &f);
    int32_t acc = l_mac(l_mult(e, 9864), mult(f, 9864), 1);
    acc = l_mac(acc, 9864, sub(exp_r0, 2));
    const int16_t lenergy = sub(extract_h(l_shl(acc, 11)), 4875);

    acc = 0;
    for (int i = 0; i < 10; ++i) {
        const int16_t d = sub(m->mean_rc[i], rc[i]);
        acc = l_mac(acc, d, d);
    }
    const int16_t sd = extract_h(acc);
    if (*vad == 0) {
        for (int i = 0; i < 10; ++i)
            m->mean_rc[i] = extract_h(l_mac(l_mult(29491, m->mean_rc[i]), 3277, rc[i]));
        m->mean_se = extract_h(l_mac(l_mult(29491, m->mean_se), 3277, lenergy));
    }

    // Periodicity: the mean pitch gain and the spread of the delays.
    acc = 0;
    int16_t lagsum = 0;
    for (int i = 0; i < 5; ++i) {
        acc = l_mac(acc, pgains[i], 6554);
        lagsum = add(lagsum, lags[i]);
    }
    m->mean_pgain = extract_h(l_mac(l_mult(extract_h(acc), 6554), m->mean_pgain, 26214));
    acc = 0;
    for (int i = 0; i < 5; ++i) {
        const int16_t d = sub(add(shl(lags[i], 2), lags[i]), lagsum);
        acc = l_mac(acc, d, d);
    }
    const int16_t spread = extract_h(l_shl(acc, 22));
    const int16_t thres = low_rate ? 11960 : 10322;
    const int pflag2 = m->mean_pgain > thres ? 1 : 0;
    const int pflag1 = spread < 21632 && m->mean_pgain > 7373 ? 1 : 0;
    const int pflag = ((prev_vad & (pflag1 | pflag2)) | pflag2) & 1;
    if (rc[1] <= 14746 && rc[1] >= 0 && m->mean_pgain < 8192) {
        m->count_consc_rflag = add(m->count_consc_rflag, 1);
    } else {
        m->count_consc_rflag = 0;
    }

    const bool block = (frame & 0x3f) == 0;
    if (backward && *vad == 1) m->count_music = add(m->count_music, 256);
    if (block) m->mean_count_music = smooth(m->mean_count_music, m->count_music, frame, 29491, 3277);
    m->count_consc = m->count_music == 0 ? add(m->count_consc, 1) : int16_t{0};
    if (m->count_consc > 500 || m->count_consc_rflag > 150) m->mean_count_music = 0;
    if (block) m->count_music = 0;

    if (pflag == 1) m->count_pflag = add(m->count_pflag, 256);
    if (block) {
        int16_t keep = 29491;
        int16_t take = 3277;
        if (m->count_pflag > 6400) {
            keep = 32113;
            take = 655;
        } else if (m->count_pflag > 5120) {
            keep = 31130;
            take = 1638;
        }
        m->mean_count_pflag = smooth(m->mean_count_pflag, m->count_pflag, frame, keep, take);
    }
    m->count_consc_pflag = m->count_pflag == 0 ? add(m->count_consc_pflag, 1) : int16_t{0};
    if (m->count_consc_pflag > 100 || m->count_consc_rflag > 150) m->mean_count_pflag = 0;
    if (block) m->count_pflag = 0;

    if (!high_rate) return;
    const int16_t rise = sub(lenergy, m->mean_se);
    if (sd > 4915 && rise > 819 && energy > 10240) {
        *vad = 1;
    } else if ((sd > 12452 || rise > 819) && energy > 10240) {
        *vad = 1;
    } else if ((m->mean_count_pflag > 2560 || m->mean_count_music > 280 || frame < 64) && energy > 1433) {
        *vad = 1;
    }
}

}  // namespace g729

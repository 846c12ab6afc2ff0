// G.729 Annex B voice-activity detection in the reference fixed-point arithmetic.
#include "g729/g729_vad.h"

#include <cstring>

#include "g729/g729_fixed.h"

namespace g729 {
namespace {

using namespace fx;

constexpr int16_t kMax16 = 32767;
constexpr int16_t kInitFrame = 32;  // frames that initialise the background averages
constexpr int16_t kInitCount = 20;
constexpr int kZcStart = 120;  // zero crossings counted over window samples 120..200
constexpr int kZcEnd = 200;

// Low-band (below about 1 kHz) filter autocorrelation, lags 0..12.
constexpr int16_t kLowBand[13] = {7869, 7011, 4838, 2299, 321, -660, -782, -484, -164, 3, 39, 21, 4};
// Scaling of the initial averages by 1 / (number of voiced initial frames): factor and shift per
// count of noise frames among them.
constexpr int16_t kInitShift[33] = {0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                    2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 5, 0};
constexpr int16_t kInitFactor[33] = {32767, 16913, 17476, 18079, 18725, 19418, 20165, 20972, 21845,
                                     22795, 23831, 24966, 26214, 27594, 29127, 30840, 32767, 17476,
                                     18725, 20165, 21845, 23831, 26214, 29127, 32767, 18725, 21845,
                                     26214, 32767, 21845, 32767, 32767, 0};

// Averaging weights (old, new) of energy, zero-crossing rate and LSFs by update count.
struct Weights {
    int16_t limit, coef, c_coef, coef_zc, c_coef_zc, coef_sd, c_coef_sd;
};
constexpr Weights kWeights[] = {
    {kInitCount, 24576, 8192, 26214, 6554, 19661, 13017},
    {kInitCount + 10, 31130, 1638, 30147, 2621, 21299, 11469},
    {kInitCount + 20, 31785, 983, 30802, 1966, 22938, 9830},
    {kInitCount + 30, 32440, 328, 31457, 1311, 24576, 8192},
    {kInitCount + 40, 32604, 164, 32440, 328, 24576, 8192},
    {kMax16, 32604, 164, 32702, 66, 24576, 8192},
};

int32_t deposit_h(int16_t x) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(x)) << 16);
}

// Energy in dB-like Q11 units (10 log10 of the energy less a fixed offset) of a normalised
// 32-bit value of exponent exp_r0.
int16_t energy_db(int32_t x, int16_t exp_r0) {
    int16_t e = 0;
    int16_t f = 0;
    log2_q15(x, &e, &f);
    int32_t acc = l_mac(l_mult(e, 9864), mult(f, 9864), 1);
    acc = l_mac(acc, 9864, sub(exp_r0, 2));
    return sub(extract_h(l_shl(acc, 11)), 4875);
}

// The boundaries in the (dSLE, dSE, SD, dSZC) space: 1 voice, 0 noise.
int16_t make_decision(int16_t dsle, int16_t dse, int16_t sd, int16_t dszc) {
    const int32_t sd_h = deposit_h(sd);
    const int32_t dse_h = deposit_h(dse);
    const int32_t dsle_h = deposit_h(dsle);
    // SD versus dSZC.
    if (l_add(l_shr(l_mac(l_mult(dszc, -14680), 8192, -28521), 8), sd_h) > 0) return 1;
    if (l_add(l_shr(l_mac(l_mult(dszc, 19065), 8192, -19446), 7), sd_h) > 0) return 1;
    // dSE versus dSZC.
    if (l_add(l_shr(l_mac(l_mult(dszc, 20480), 8192, 16384), 2), dse_h) < 0) return 1;
    if (l_add(l_shr(l_mac(l_mult(dszc, -16384), 8192, 19660), 2), dse_h) < 0) return 1;
    if (l_mac(l_mult(dse, 32767), 1024, 30802) < 0) return 1;
    // dSE versus SD.
    if (l_mac(l_mac(l_mult(sd, -28160), 64, 19988), dse, 512) < 0) return 1;
    if (l_mac(l_mult(sd, 32767), 32, -30199) > 0) return 1;
    // dSLE versus dSZC.
    if (l_add(l_shr(l_mac(l_mult(dszc, -20480), 8192, 22938), 2), dse_h) < 0) return 1;
    if (l_add(l_shr(l_mac(l_mult(dszc, 23831), 4096, 31576), 2), dse_h) < 0) return 1;
    if (l_mac(l_mult(dse, 32767), 2048, 17367) < 0) return 1;
    // dSLE versus SD.
    if (l_mac(l_mac(l_mult(sd, -22400), 32, 25395), dsle, 256) < 0) return 1;
    // dSLE versus dSE.
    if (l_add(l_mac(l_mult(dse, -30427), 256, -29959), dsle_h) > 0) return 1;
    if (l_add(l_mac(l_mult(dse, -23406), 512, 28087), dsle_h) < 0) return 1;
    if (l_mac(l_mac(l_mult(dse, 24576), 1024, 29491), dsle, 16384) < 0) return 1;
    return 0;
}

// avg = coef avg + c_coef x (Q15 weights).
int16_t average(int16_t avg, int16_t coef, int16_t x, int16_t c_coef) {
    return extract_h(l_mac(l_mult(coef, avg), c_coef, x));
}

int16_t min_of(const int16_t* b) {
    int16_t m = b[0];
    for (int i = 1; i < 16; ++i)
        if (b[i] < m) m = b[i];
    return m;
}

}  // namespace

void vad_init(Vad* v) {
    std::memset(v, 0, sizeof(*v));
    v->flag = 1;
    v->min = kMax16;
}

int16_t vad_decide(Vad* v, int16_t rc1, const int16_t* lsf, const int32_t* r, int16_t exp_r0,
                   const int16_t* window, int16_t frame, int16_t prev, int16_t pprev, int16_t* energy_out) {
    const int16_t energy = energy_db(r[0], exp_r0);
    if (energy_out != nullptr) *energy_out = energy;
    int32_t acc = 0;
    for (int i = 1; i <= 12; ++i) acc = l_mac(acc, extract_h(r[i]), kLowBand[i]);
    acc = l_mac(l_shl(acc, 1), extract_h(r[0]), kLowBand[0]);
    const int16_t energy_low = energy_db(acc, exp_r0);

    acc = 0;
    for (int i = 0; i < kOrder; ++i) {
        const int16_t d = sub(lsf[i], v->mean_lsf[i]);
        acc = l_mac(acc, d, d);
    }
    const int16_t sd = extract_h(acc);

    int16_t zc = 0;
    for (int i = kZcStart + 1; i <= kZcEnd; ++i)
        if (mult(window[i - 1], window[i]) < 0) zc = add(zc, 410);

    // Running minimum of the energy over the last 128 frames, kept per eight-frame block.
    const bool block_end = (frame & 7) == 0;
    if (frame < 129) {
        if (energy < v->min) {
            v->min = energy;
            v->prev_min = energy;
        }
        if (block_end) {
            v->min_buffer[(frame >> 3) - 1] = v->min;
            v->min = kMax16;
        }
    }
    if (block_end) v->prev_min = min_of(v->min_buffer);
    if (frame >= 129) {
        if ((frame & 7) == 1) {
            v->min = v->prev_min;
            v->next_min = kMax16;
        }
        if (energy < v->min) v->min = energy;
        if (energy < v->next_min) v->next_min = energy;
        if (block_end) {
            std::memmove(v->min_buffer, v->min_buffer + 1, sizeof(int16_t) * 15);
            v->min_buffer[15] = v->next_min;
            v->prev_min = min_of(v->min_buffer);
        }
    }

    int16_t marker = 1;
    if (frame <= kInitFrame) {
        if (energy < 3072) {
            marker = 0;
            ++v->less_count;
        } else {
            marker = 1;
            v->mean_e = extract_h(l_mac(deposit_h(v->mean_e), energy, 1024));
            v->mean_szc = extract_h(l_mac(deposit_h(v->mean_szc), zc, 1024));
            for (int i = 0; i < kOrder; ++i)
                v->mean_lsf[i] = extract_h(l_mac(deposit_h(v->mean_lsf[i]), lsf[i], 1024));
        }
    }
    if (frame < kInitFrame) {
        v->prev_energy = energy;
        return marker;
    }

    if (frame == kInitFrame) {
        const int16_t f = kInitFactor[v->less_count];
        const int n = kInitShift[v->less_count];
        v->mean_e = extract_h(l_shl(l_mult(v->mean_e, f), n));
        v->mean_szc = extract_h(l_shl(l_mult(v->mean_szc, f), n));
        for (int i = 0; i < kOrder; ++i) v->mean_lsf[i] = extract_h(l_shl(l_mult(v->mean_lsf[i], f), n));
        v->mean_se = sub(v->mean_e, 2048);
        v->mean_sle = sub(v->mean_e, 2458);
    }
    const int16_t dse = sub(v->mean_se, energy);
    const int16_t dsle = sub(v->mean_sle, energy_low);
    const int16_t dszc = sub(v->mean_szc, zc);
    marker = energy < 3072 ? int16_t{0} : make_decision(dsle, dse, sd, dszc);

    // Hangover.
    v->v_flag = 0;
    if (prev == 1 && marker == 0 && add(dse, 410) < 0 && energy > 3072) {
        marker = 1;
        v->v_flag = 1;
    }
    if (v->flag == 1) {
        if (pprev == 1 && prev == 1 && marker == 0 && abs_s(sub(v->prev_energy, energy)) <= 614) {
            ++v->count_ext;
            marker = 1;
            v->v_flag = 1;
            if (v->count_ext > 4) {
                v->count_ext = 0;
                v->flag = 0;
            }
        }
    } else {
        v->flag = 1;
    }
    if (marker == 0) ++v->count_sil;
    if (marker == 1 && v->count_sil > 10 && sub(energy, v->prev_energy) <= 614) {
        marker = 0;
        v->count_sil = 0;
    }
    if (marker == 1) v->count_sil = 0;
    if (sub(sub(energy, 614), v->mean_se) < 0 && frame > 128 && v->v_flag == 0 && rc1 < 19661) marker = 0;

    // Background update.
    if (sub(sub(energy, 614), v->mean_se) < 0 && rc1 < 24576 && sd < 83) {
        ++v->count_update;
        const Weights* w = kWeights;
        while (v->count_update >= w->limit && w->limit != kMax16) ++w;
        v->mean_se = average(v->mean_se, w->coef, energy, w->c_coef);
        v->mean_sle = average(v->mean_sle, w->coef, energy_low, w->c_coef);
        v->mean_szc = average(v->mean_szc, w->coef_zc, zc, w->c_coef_zc);
        for (int i = 0; i < kOrder; ++i)
            v->mean_lsf[i] = average(v->mean_lsf[i], w->coef_sd, lsf[i], w->c_coef_sd);
    }
    if (frame > 128 && ((v->mean_se < v->min && sd < 83) || sub(v->mean_se, v->min) > 2048)) {
        v->mean_se = v->min;
        v->count_update = 0;
    }
    v->prev_energy = energy;
    return marker;
}

}  // namespace g729

// G.729 and G.729 Annex A frame loops assembled from the voksc operations. Only the bookkeeping
// that no operation covers lives here: buffers and memories, the perceptual-weighting
// adaptation of the main body, the taming bookkeeping, pitch-index coding, parity, the
// fixed-codebook pulse layout and the bit packing.
#include "g729/g729_codec.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "g729/g729_fixed.h"
#include "g729/g729_internal.h"
#include "voksc.h"

namespace g729 {
namespace {

using namespace fx;  // the saturating basic operators (g729_fixed.h)

// Counts the operations that reported an error (a negative status); warnings are expected.
VokStatus chk(int32_t* faults, VokStatus s) {
    if (s < 0) ++*faults;
    return s;
}

void copy(const int16_t* src, int16_t* dst, int n) {
    std::memmove(dst, src, sizeof(int16_t) * n);
}

// ---- Constants ----

constexpr int kExcOffset = kPitchMax + kInterpol;  // first sample of the frame in old_exc
constexpr int16_t kSharpMin = 3277;                // 0.2 in Q14
constexpr int16_t kSharpMax = 13017;               // 0.8 in Q14
constexpr int16_t kGainPitchClip = 15564;          // 0.95 in Q14, pitch gain limit when taming
constexpr int32_t kTamingThreshold = 983040000;    // 60000 in Q14
constexpr int kParamBits[kFrameParams] = {8, 10, 8, 1, 13, 4, 7, 5, 13, 4, 7};
constexpr int kParamBitsLow[kFrameParamsLow] = {8, 10, 8, 9, 2, 6, 4, 9, 2, 6};

// High-pass filters (a0, a1, a2, b0, b1, b2): 140 Hz pre-processing in Q12 (b halved), 100 Hz
// post-processing in Q13.
constexpr int16_t kPreFilter[6] = {4096, 7807, -3733, 1899, -3798, 1899};
constexpr int16_t kPostFilter[6] = {8192, 15836, -7667, 7699, -15398, 7699};

constexpr int16_t kLspInit[kOrder] = {30000, 26000, 21000, 15000, 8000, 0, -8000, -15000, -21000, -26000};
// LSFs pi*(j+1)/11 in Q13: the MA predictor memory at start and the erasure fallback.
constexpr int16_t kLsfInit[kOrder] = {2339, 4679, 7018, 9358, 11698, 14037, 16377, 18717, 21056, 23396};

// Gain codebook rows to bit-stream indices (the decoder applies the inverse permutation).
constexpr int16_t kGainMap1[8] = {5, 1, 4, 7, 3, 0, 6, 2};
constexpr int16_t kGainMap2[16] = {4, 6, 0, 2, 12, 14, 8, 10, 15, 11, 9, 13, 7, 3, 1, 5};
// The same at 6.4 kbit/s (3 bits each).
constexpr int16_t kGainMap1Low[8] = {0, 4, 6, 5, 2, 1, 7, 3};
constexpr int16_t kGainMap2Low[8] = {0, 4, 3, 7, 5, 1, 6, 2};

// 6.4 kbit/s codebook: pulse A on 16 positions, pulse B on 32, each index Gray coded.
constexpr int8_t kTrackA[16] = {1, 3, 6, 8, 11, 13, 16, 18, 21, 23, 26, 28, 31, 33, 36, 38};
constexpr int8_t kTrackB[32] = {0,  2,  4,  5,  7,  9,  10, 12, 14, 15, 17, 19, 20, 22, 24, 25,
                                27, 29, 30, 32, 34, 35, 37, 39, 1,  6,  11, 16, 21, 26, 31, 36};
int gray_decode(int g) {
    int v = g;
    for (int s = g >> 1; s != 0; s >>= 1) v ^= s;
    return v;
}

// LP analysis window (asymmetric: half Hamming, quarter cosine), Q15.
constexpr int16_t kWindow[kSpeechLen] = {
    2621,  2623,  2629,  2638,  2651,  2668,  2689,  2713,  2741,  2772,  2808,  2847,  2890,  2936,  2986,
    3040,  3097,  3158,  3223,  3291,  3363,  3438,  3517,  3599,  3685,  3774,  3867,  3963,  4063,  4166,
    4272,  4382,  4495,  4611,  4731,  4853,  4979,  5108,  5240,  5376,  5514,  5655,  5800,  5947,  6097,
    6250,  6406,  6565,  6726,  6890,  7057,  7227,  7399,  7573,  7750,  7930,  8112,  8296,  8483,  8672,
    8863,  9057,  9252,  9450,  9650,  9852,  10055, 10261, 10468, 10677, 10888, 11101, 11315, 11531, 11748,
    11967, 12187, 12409, 12632, 12856, 13082, 13308, 13536, 13764, 13994, 14225, 14456, 14688, 14921, 15155,
    15389, 15624, 15859, 16095, 16331, 16568, 16805, 17042, 17279, 17516, 17754, 17991, 18228, 18465, 18702,
    18939, 19175, 19411, 19647, 19882, 20117, 20350, 20584, 20816, 21048, 21279, 21509, 21738, 21967, 22194,
    22420, 22644, 22868, 23090, 23311, 23531, 23749, 23965, 24181, 24394, 24606, 24816, 25024, 25231, 25435,
    25638, 25839, 26037, 26234, 26428, 26621, 26811, 26999, 27184, 27368, 27548, 27727, 27903, 28076, 28247,
    28415, 28581, 28743, 28903, 29061, 29215, 29367, 29515, 29661, 29804, 29944, 30081, 30214, 30345, 30472,
    30597, 30718, 30836, 30950, 31062, 31170, 31274, 31376, 31474, 31568, 31659, 31747, 31831, 31911, 31988,
    32062, 32132, 32198, 32261, 32320, 32376, 32428, 32476, 32521, 32561, 32599, 32632, 32662, 32688, 32711,
    32729, 32744, 32755, 32763, 32767, 32767, 32741, 32665, 32537, 32359, 32129, 31850, 31521, 31143, 30716,
    30242, 29720, 29151, 28538, 27879, 27177, 26433, 25647, 24821, 23957, 23055, 22117, 21145, 20139, 19102,
    18036, 16941, 15820, 14674, 13505, 12315, 11106, 9879,  8637,  7381,  6114,  4838,  3554,  2264,  971};

VokG729HighPassState* hp_state(unsigned char* bytes) {
    return reinterpret_cast<VokG729HighPassState*>(bytes);
}

void init_high_pass(unsigned char* bytes, const int16_t* coeffs) {
    int size = 0;
    voksHighPassFilterSize_G729(&size);
    if (size > kHighPassStateBytes) std::abort();  // the state block must fit the room reserved
    voksHighPassFilterInit_G729(coeffs, hp_state(bytes));
}

// A(z/gamma): coefficient k multiplied by gamma^k.
void weight_az(int32_t* F, const int16_t* a, int16_t gamma, int16_t* ap) {
    chk(F, voksMulPowerC_NR_16s_Sfs(a, gamma, ap, kOrder + 1, 15));
}

// The powers gamma^k (k = 1..10, Q15) of a constant factor, rounded at each step as the weighting
// does (gamma^k = mult_r(gamma^(k-1), gamma)), so that A(z/gamma) is one element-wise product.
struct Powers {
    int16_t p[kOrder + 1];
};

constexpr Powers powers_of(int16_t gamma) {
    Powers w{};
    w.p[1] = gamma;
    for (int k = 2; k <= kOrder; ++k) w.p[k] = static_cast<int16_t>((w.p[k - 1] * gamma + 0x4000) >> 15);
    return w;
}

constexpr Powers kPow055 = powers_of(18022);  // post-filter A(z/0.55)
constexpr Powers kPow070 = powers_of(22938);  // post-filter A(z/0.7)
constexpr Powers kPow075 = powers_of(24576);  // Annex A weighting A(z/0.75)

// A(z/gamma) for a constant gamma: the same products as weight_az.
void weight_az(int32_t* F, const int16_t* a, const Powers& w, int16_t* ap) {
    ap[0] = a[0];
    chk(F, voksMul_NR_16s_Sfs(a + 1, w.p + 1, ap + 1, kOrder, 15));
}

// ---- Pitch delay coding ----

// Index of the delay (T0, frac) and, after the first sub-frame, the search range of the second.
int16_t encode_lag(int t0, int frac, int subframe, int* t0_min) {
    if (subframe == 0) {
        const int index = t0 <= 85 ? 3 * t0 - 58 + frac : t0 + 112;
        int lo = t0 - 5 < 20 ? 20 : t0 - 5;
        if (lo + 9 > kPitchMax) lo = kPitchMax - 9;
        *t0_min = lo;
        return static_cast<int16_t>(index);
    }
    return static_cast<int16_t>(3 * (t0 - *t0_min) + 2 + frac);
}

// Decodes a delay index; for the second sub-frame *t0 holds the first sub-frame's delay.
void decode_lag(int index, int subframe, int* t0, int* frac) {
    if (subframe == 0) {
        if (index < 197) {
            *t0 = (index + 2) / 3 + 19;
            *frac = index - 3 * *t0 + 58;
        } else {
            *t0 = index - 112;
            *frac = 0;
        }
        return;
    }
    int lo = *t0 - 5 < 20 ? 20 : *t0 - 5;
    if (lo + 9 > kPitchMax) lo = kPitchMax - 9;
    const int i = (index + 2) / 3 - 1;
    *t0 = lo + i;
    *frac = index - 2 - 3 * i;
}

// 6.4 kbit/s second sub-frame, 4 bits: whole delays t0_min..t0_min+2 and +7..+9 (indices 0-2,
// 13-15), thirds from t0_min+3-1/3 to t0_min+6+1/3 in between.
int16_t encode_lag_low(int t0, int frac, int t0_min) {
    const int i = t0 - t0_min;
    if (i < 3) return static_cast<int16_t>(i);
    if (i < 7) return static_cast<int16_t>(3 * (i - 3) + frac + 3);
    return static_cast<int16_t>(i + 6);
}

void decode_lag_low(int index, int* t0, int* frac) {
    int lo = *t0 - 5 < 20 ? 20 : *t0 - 5;
    if (lo + 9 > kPitchMax) lo = kPitchMax - 9;
    index &= 15;
    *frac = 0;
    if (index <= 3) {
        *t0 = lo + index;
    } else if (index < 12) {
        const int v = index - 3;  // 3 * (i - 3) + frac for i = 3..6
        const int i = 3 + (v + 1) / 3;
        *t0 = lo + i;
        *frac = v - 3 * (i - 3);
    } else {
        *t0 = lo + index - 6;
    }
}

// ---- Fixed codebook pulse layout ----

// Pulse positions of a 13-bit position word: tracks 0, 1, 2, then 3 or 4.
void pulse_positions(int index, int pos[4]) {
    pos[0] = (index & 7) * 5;
    pos[1] = ((index >> 3) & 7) * 5 + 1;
    pos[2] = ((index >> 6) & 7) * 5 + 2;
    pos[3] = ((index >> 10) & 7) * 5 + 3 + ((index >> 9) & 1);
}

void build_code(int signs, int positions, int16_t* code) {
    int pos[4];
    pulse_positions(positions, pos);
    std::memset(code, 0, sizeof(int16_t) * kSubframe);
    for (int k = 0; k < 4; ++k) code[pos[k]] = (signs >> k) & 1 ? 8191 : -8192;
}

// Filtered codeword: the impulse response added or subtracted at each pulse, in pulse order.
void filtered_code(const int16_t* h, int signs, int positions, int16_t* y) {
    int pos[4];
    pulse_positions(positions, pos);
    std::memset(y, 0, sizeof(int16_t) * kSubframe);
    int hmax = 0;
    for (int i = 0; i < kSubframe; ++i) hmax = std::max(hmax, h[i] < 0 ? -int{h[i]} : int{h[i]});
    if (4 * hmax <= 32767) {
        // No sum of four terms can leave 16 bits, so the saturating additions are plain ones.
        for (int k = 0; k < 4; ++k) {
            const int16_t s = (signs >> k) & 1 ? 1 : -1;
            for (int i = pos[k]; i < kSubframe; ++i) y[i] = static_cast<int16_t>(y[i] + s * h[i - pos[k]]);
        }
        return;
    }
    for (int k = 0; k < 4; ++k) {
        const bool plus = (signs >> k) & 1;
        for (int i = pos[k]; i < kSubframe; ++i) {
            y[i] = plus ? add(y[i], h[i - pos[k]]) : sub(y[i], h[i - pos[k]]);
        }
    }
}

// 6.4 kbit/s code vector: two pulses, signs bit 0 (A) and 1 (B).
void build_code_low(int signs, int positions, int16_t* code) {
    std::memset(code, 0, sizeof(int16_t) * kSubframe);
    const int pos[2] = {kTrackA[gray_decode(positions & 15)], kTrackB[gray_decode((positions >> 4) & 31)]};
    for (int k = 0; k < 2; ++k) code[pos[k]] = add(code[pos[k]], (signs >> k) & 1 ? 8191 : -8192);
}

// Pitch sharpening x[n] += sharp * x[n - T0] for T0 < 40 (sharp in Q14).
void sharpen(int32_t* F, int16_t* x, int t0, int16_t sharp) {
    if (t0 < kSubframe)
        chk(F, voksHarmonicFilter_16s_I(static_cast<int16_t>(sharp << 1), t0, x + t0, kSubframe - t0));
}

int16_t clamp_sharp(int16_t g) {
    return g > kSharpMax ? kSharpMax : (g < kSharpMin ? kSharpMin : g);
}

// exc = round(gain_pit * exc + gain_code * code) with Q14 / Q1 gains and a Q13 code: the sum
// scaled by 2^2, rounded to 16 bits, (sum + 2^13) >> 14. Unless both gains are -32768 that sum
// plus 2^13 stays within 32 bits, where the modulo-2^32 form of the G.729 operation is the same.
void build_excitation(int32_t* F, int16_t* exc, int16_t gain_pit, const int16_t* code, int16_t gain_code) {
    if (gain_pit == -32768 && gain_code == -32768) {
        chk(F, voksInterpolateC_NR_16s(exc, gain_pit, 2, code, gain_code, 2, exc, kSubframe));
    } else {
        chk(F, voksInterpolateC_NR_G729_16s_Sfs(exc, gain_pit, code, gain_code, exc, kSubframe, 14));
    }
}

// ---- Taming: bookkeeping of the adaptive-codebook error that a lost frame could cause ----

int zone(int i) {
    return i / kSubframe;
}

bool taming_needed(const int32_t* exc_err, int t0, int frac) {
    const int t1 = frac > 0 ? t0 + 1 : t0;
    int i = t1 - (kSubframe + 10);
    if (i < 0) i = 0;
    const int zone1 = zone(i);
    const int zone2 = zone(t1 + 8);
    int32_t maxloc = -1;
    for (int k = zone2; k >= zone1; --k) {
        if (exc_err[k] > maxloc) maxloc = exc_err[k];
    }
    return maxloc > kTamingThreshold;
}

void update_taming(int32_t* exc_err, int16_t gain_pit, int t0) {
    auto step = [gain_pit](int32_t e) { return sat32(int64_t{0x4000} + l_shl(mpy_32_16(e, gain_pit), 1)); };
    int32_t worst = -1;
    if (t0 < kSubframe) {
        int32_t t = step(exc_err[0]);
        if (t > worst) worst = t;
        t = step(t);
        if (t > worst) worst = t;
    } else {
        for (int k = zone(t0 - kSubframe); k <= zone(t0 - 1); ++k) {
            const int32_t t = step(exc_err[k]);
            if (t > worst) worst = t;
        }
    }
    for (int k = 3; k >= 1; --k) exc_err[k] = exc_err[k - 1];
    exc_err[0] = worst;
}

// ---- Perceptual weighting adaptation of the main body ----

// Weighting factors gamma1, gamma2 (Q15) of both sub-frames from the first two reflection
// coefficients (as log-area ratios) and the smallest distance between neighbouring LSFs.
void weighting_factors(Encoder* enc, const int16_t* rc, int16_t* lsf_int, int16_t* lsf_new, int16_t gamma1[2],
                       int16_t gamma2[2]) {
    for (int k = 0; k < kOrder; ++k) {
        lsf_int[k] = sat16(int32_t{lsf_int[k]} * 2);
        lsf_new[k] = sat16(int32_t{lsf_new[k]} * 2);
    }
    int16_t lar[4];
    for (int i = 0; i < 2; ++i) {
        const int16_t a = static_cast<int16_t>((rc[i] == -32768 ? 32767 : (rc[i] < 0 ? -rc[i] : rc[i])) >> 4);
        int16_t v;
        if (a <= 1299) {
            v = a;
        } else {
            const int16_t half = static_cast<int16_t>(a >> 1);
            int16_t slope;
            int32_t offset;
            if (a <= 1815) {
                slope = 4567;
                offset = 3271557;
            } else if (a <= 1944) {
                slope = 11776;
                offset = 16357786;
            } else {
                slope = 27443;
                offset = 46808433;
            }
            v = static_cast<int16_t>(sat32(int64_t{l_mult(half, slope)} - offset) >> 11);
        }
        lar[2 + i] = rc[i] < 0 ? sub(0, v) : v;
    }
    lar[0] = static_cast<int16_t>(add(lar[2], enc->lar_old[0]) >> 1);
    lar[1] = static_cast<int16_t>(add(lar[3], enc->lar_old[1]) >> 1);
    enc->lar_old[0] = lar[2];
    enc->lar_old[1] = lar[3];
    for (int k = 0; k < 2; ++k) {
        const int16_t crit0 = lar[2 * k];
        const int16_t crit1 = lar[2 * k + 1];
        if (enc->smooth != 0) {
            if (crit0 < -3562 && crit1 > 1336) enc->smooth = 0;
        } else if (crit0 > -3116 || crit1 < 890) {
            enc->smooth = 1;
        }
        if (enc->smooth == 0) {
            gamma1[k] = 32113;
            const int16_t* lsf = k == 0 ? lsf_int : lsf_new;
            int16_t d_min = sub(lsf[1], lsf[0]);
            for (int i = 1; i < kOrder - 1; ++i) {
                const int16_t d = sub(lsf[i + 1], lsf[i]);
                if (d < d_min) d_min = d;
            }
            int16_t g = sat16(int32_t{sub(1024, mult(19302, d_min))} * 32);
            if (g > 22938) g = 22938;
            if (g < 13107) g = 13107;
            gamma2[k] = g;
        } else {
            gamma1[k] = 30802;
            gamma2[k] = 19661;
        }
    }
}

// ---- LP analysis ----

// Windowed autocorrelation, lag window and Levinson-Durbin; keeps the previous filter when the
// recursion reports an unstable one.
void lp_analysis(Encoder* enc, int16_t* a, int16_t* rc) {
    int32_t* F = &enc->faults;
    int16_t y[kSpeechLen];
    chk(F, voksMul_NR_16s_Sfs(enc->old_speech, kWindow, y, kSpeechLen, 15));
    int32_t r[kOrder + 1];
    int norm = 0;
    VokStatus st;
    while ((st = voksAutoCorr_NormE_16s32s(y, kSpeechLen, r, kOrder + 1, &norm)) == vokStatusOverflow) {
        for (int i = 0; i < kSpeechLen; ++i) y[i] = static_cast<int16_t>(y[i] >> 2);
    }
    chk(F, st);
    chk(F, voksLagWindow_G729_32s_I(r + 1, kOrder));
    int16_t err = 0;
    if (chk(F, voksLevinsonDurbin_G729_32s16s(r, kOrder, a, rc, &err)) == vokStatusOk) {
        copy(a, enc->old_a, kOrder + 1);
        enc->old_rc[0] = rc[0];
        enc->old_rc[1] = rc[1];
    } else {
        copy(enc->old_a, a, kOrder + 1);
        rc[0] = enc->old_rc[0];
        rc[1] = enc->old_rc[1];
    }
}

// Quantised filters of both sub-frames: the LSP mid-point, then the new LSPs.
void interpolate_filters(int32_t* F, const int16_t* lsp_old, const int16_t* lsp_new, int16_t* az) {
    int16_t lsp[kOrder];
    chk(F, voksInterpolate_G729_16s(lsp_new, lsp_old, lsp, kOrder));
    chk(F, voksLSPToLPC_G729_16s(lsp, az));
    chk(F, voksLSPToLPC_G729_16s(lsp_new, az + kOrder + 1));
}

// One sub-frame's fixed-codebook search (the impulse response is sharpened in place), the
// filtered codeword and the sharpened code vector. Writes positions and signs to params.
void fixed_codebook(Encoder* enc, const int16_t* xn2, int16_t* h, int t0, int subframe, int16_t* code,
                    int16_t* y2, int16_t* params) {
    int32_t* F = &enc->faults;
    sharpen(F, h, t0, enc->sharp);
    int32_t rr[616];
    int16_t dn[kSubframe];
    int16_t idx[2];
    chk(F, voksToeplizMatrix_G729_16s32s(h, rr));
    chk(F, voksCrossCorr_NormM_16s(h, xn2, kSubframe, dn));
    if (enc->variant == Variant::Main) {
        chk(F, voksFixedCodebookSearch_G729_32s16s(dn, rr, code, idx, &enc->search_counter,
                                                   static_cast<int16_t>(subframe)));
    } else {
        chk(F, voksFixedCodebookSearch_G729A_32s16s(dn, rr, code, idx));
    }
    filtered_code(h, idx[0], idx[1], y2);
    sharpen(F, code, t0, enc->sharp);
    params[0] = idx[1];
    params[1] = idx[0];
}

// 6.4 kbit/s codebook search: two pulses, 9 position bits and 2 sign bits.
void fixed_codebook_low(Encoder* enc, const int16_t* xn2, int16_t* h, int t0, int16_t* code, int16_t* y2,
                        int16_t* params) {
    int32_t* F = &enc->faults;
    sharpen(F, h, t0, enc->sharp);
    int16_t dn[kSubframe];
    chk(F, voksCrossCorr_NormM_16s(h, xn2, kSubframe, dn));
    int16_t sign = 0;
    int16_t index = 0;
    chk(F, voksFixedCodebookSearch_G729D_16s(dn, h, code, y2, &sign, &index));
    sharpen(F, code, t0, enc->sharp);
    params[0] = index;
    params[1] = sign;
}

void shift_histories(Encoder* enc) {
    copy(enc->old_speech + kFrameSamples, enc->old_speech, kSpeechLen - kFrameSamples);
    copy(enc->old_wsp + kFrameSamples, enc->old_wsp, kPitchMax);
    copy(enc->old_exc + kFrameSamples, enc->old_exc, kPitchMax + kInterpol);
}

// Memories of an inactive frame whose comfort-noise excitation the Annex B hook has written: the
// local synthesis and error (main body) and the weighted error filter follow that excitation.
void update_inactive(Encoder* enc, const int16_t* speech, const int16_t* aq, const int16_t* ap,
                     const int16_t (*ap1s)[kOrder + 1], const int16_t (*ap2s)[kOrder + 1], const int16_t* res,
                     const int16_t* taming) {
    int32_t* F = &enc->faults;
    const int16_t* exc = enc->old_exc + kExcOffset;
    for (int s = 0; s < 2; ++s) {
        const int off = s * kSubframe;
        int16_t xn[kSubframe];
        if (enc->variant == Variant::Main) {
            int16_t synth[kSubframe];
            chk(F, voksSynthesisFilter_NR_16s_Sfs(aq + s * (kOrder + 1), exc + off, synth, kSubframe, 12,
                                                  enc->mem_syn));
            copy(synth + kSubframe - kOrder, enc->mem_syn, kOrder);
            int16_t* error = enc->mem_err + kOrder;
            for (int i = 0; i < kSubframe; ++i) error[i] = sub(speech[off + i], synth[i]);
            chk(F, voksResidualFilter_G729_16s(error, ap1s[s], xn));
            chk(F, voksSynthesisFilter_NR_16s_ISfs(ap2s[s], xn, kSubframe, 12, enc->mem_w0));
            copy(error + kSubframe - kOrderBwd, enc->high.mem_err, kOrderBwd);
            copy(xn + kSubframe - kOrderBwd, enc->high.mem_w0, kOrderBwd);
            detail::encoder_after_low(enc, aq, synth, s);
            copy(error + kSubframe - kOrder, enc->mem_err, kOrder);
        } else {
            for (int i = 0; i < kSubframe; ++i) xn[i] = sub(res[off + i], exc[off + i]);
            chk(F, voksSynthesisFilter_NR_16s_ISfs(ap + s * (kOrder + 1), xn, kSubframe, 12, enc->mem_w0));
        }
        copy(xn + kSubframe - kOrder, enc->mem_w0, kOrder);
        update_taming(enc->exc_err, taming[2 * s], taming[2 * s + 1]);
        if (enc->variant == Variant::Main) detail::note_pitch_gain(enc, 8192);
    }
    enc->sharp = kSharpMin;
    shift_histories(enc);
}

}  // namespace

int param_bits(int i) {
    return i >= 0 && i < kFrameParams ? kParamBits[i] : 0;
}

int param_bits(int i, Rate rate) {
    if (rate == Rate::Full) return param_bits(i);
    return i >= 0 && i < kFrameParamsLow ? kParamBitsLow[i] : 0;
}

int16_t pitch_parity(int16_t index) {
    int sum = 1;
    for (int i = 2; i <= 7; ++i) sum += (index >> i) & 1;
    return static_cast<int16_t>(sum & 1);
}

// ---------------------------------------------------------------------------------------------
// Encoder
// ---------------------------------------------------------------------------------------------

void encoder_init(Encoder* enc, Variant variant) {
    std::memset(enc, 0, sizeof(*enc));
    enc->variant = variant;
    init_high_pass(enc->hp, kPreFilter);
    copy(kLspInit, enc->lsp_old, kOrder);
    copy(kLspInit, enc->lsp_old_q, kOrder);
    for (int k = 0; k < 4; ++k) copy(kLsfInit, enc->lsf_mem + k * kOrder, kOrder);
    enc->sharp = kSharpMin;
    for (int k = 0; k < 4; ++k) {
        enc->past_qua_en[k] = -14336;
        enc->exc_err[k] = 0x4000;
    }
    enc->old_a[0] = 4096;
    enc->smooth = 1;
    detail::encoder_high_init(enc);
}

bool encode(Encoder* enc, const int16_t* pcm, int16_t* params) {
    return encode(enc, pcm, params, Rate::Full);
}

bool encode(Encoder* enc, const int16_t* pcm, int16_t* params, Rate rate) {
    int32_t* F = &enc->faults;
    const int32_t faults_before = enc->faults;
    const bool main_body = enc->variant == Variant::Main;
    const bool low = rate == Rate::Low;
    if (rate != Rate::Full && !main_body) return false;
    enc->high.rate = static_cast<int16_t>(rate);
    int16_t* new_speech = enc->old_speech + kSpeechLen - kFrameSamples;
    copy(pcm, new_speech, kFrameSamples);
    chk(F, voksHighPassFilter_G729_16s_ISfs(new_speech, kFrameSamples, 12, hp_state(enc->hp)));
    const int16_t* speech = new_speech - kSubframe;
    int16_t* wsp = enc->old_wsp + kPitchMax;
    int16_t* exc = enc->old_exc + kExcOffset;

    // LP analysis, LSP quantisation and interpolation.
    int16_t a_new[kOrder + 1];
    int16_t rc[kOrder];
    lp_analysis(enc, a_new, rc);
    int16_t lsp_new[kOrder];
    int16_t lsp_new_q[kOrder];
    if (main_body) {
        chk(F, voksLPCToLSP_G729_16s(a_new, enc->lsp_old, lsp_new));
    } else {
        chk(F, voksLPCToLSP_G729A_16s(a_new, enc->lsp_old, lsp_new));
    }
    int16_t aq[2 * (kOrder + 1)];  // quantised filters of the two sub-frames
    int16_t taming[4];
    copy(rc, enc->high.rc, kOrder);
    const bool inactive = enc->inactive != nullptr && enc->inactive(enc, lsp_new, rc[1], params, aq, taming);
    // An active 11.8 kbit/s frame continues with its own analysis; an inactive one is coded alike
    // at every rate.
    if (rate == Rate::High && !inactive) {
        detail::encode_high(enc, a_new, rc, lsp_new, params);
        return enc->faults == faults_before;
    }
    if (!inactive) {
        chk(F, voksLSPQuant_G729_16s(lsp_new, enc->lsf_mem, lsp_new_q, params));
        detail::high_filters(enc, enc->lsp_old_q, lsp_new_q, aq);
        copy(lsp_new_q, enc->lsp_old_q, kOrder);
    }
    int16_t ap[2 * (kOrder + 1)];  // Annex A: A(z/0.75) of the quantised filters
    int16_t az[2 * (kOrder + 1)];  // main body: unquantised filters
    int16_t gamma1[2] = {0, 0};
    int16_t gamma2[2] = {0, 0};
    if (main_body) {
        int16_t lsp_int[kOrder];
        int16_t lsf_int[kOrder];
        int16_t lsf_new[kOrder];
        if (enc->high.prev_lp_mode == 0) {
            chk(F, voksInterpolate_G729_16s(lsp_new, enc->lsp_old, lsp_int, kOrder));
        } else {
            copy(lsp_new, lsp_int, kOrder);  // no interpolation after a backward-adaptive frame
        }
        chk(F, voksLSPToLPC_G729_16s(lsp_int, az));
        copy(a_new, az + kOrder + 1, kOrder + 1);
        chk(F, voksLSPToLSF_Norm_G729_16s(lsp_int, lsf_int));
        chk(F, voksLSPToLSF_Norm_G729_16s(lsp_new, lsf_new));
        weighting_factors(enc, rc, lsf_int, lsf_new, gamma1, gamma2);
    } else {
        weight_az(F, aq, kPow075, ap);
        weight_az(F, aq + kOrder + 1, kPow075, ap + kOrder + 1);
    }
    copy(lsp_new, enc->lsp_old, kOrder);

    // Weighted speech and open-loop pitch. The main body's weighting filters A(z/g1), A(z/g2) of
    // each sub-frame serve the sub-frame loop too.
    int16_t ap1s[2][kOrder + 1];
    int16_t ap2s[2][kOrder + 1];
    int16_t res[kFrameSamples];  // Annex A: residual of the quantised filters
    for (int s = 0; s < 2; ++s) {
        const int off = s * kSubframe;
        int16_t* w = wsp + off;
        int16_t filt[kOrder + 1];
        if (main_body) {
            weight_az(F, az + s * (kOrder + 1), gamma1[s], ap1s[s]);
            weight_az(F, az + s * (kOrder + 1), gamma2[s], ap2s[s]);
            copy(ap2s[s], filt, kOrder + 1);
            chk(F, voksResidualFilter_G729_16s(speech + off, ap1s[s], w));
        } else {
            // Annex A weights with A(z/0.75) / (1 - 0.7 z^-1): residual of the quantised filter
            // through the combined denominator.
            chk(F, voksResidualFilter_G729_16s(speech + off, aq + s * (kOrder + 1), res + off));
            const int16_t* p = ap + s * (kOrder + 1);
            filt[0] = 4096;
            for (int i = 1; i <= kOrder; ++i) filt[i] = sub(p[i], mult(p[i - 1], 22938));
            copy(res + off, w, kSubframe);
            if (!inactive) copy(res + off, exc + off, kSubframe);
        }
        chk(F, voksSynthesisFilter_NR_16s_ISfs(filt, w, kSubframe, 12, enc->mem_w));
        copy(w + kSubframe - kOrder, enc->mem_w, kOrder);
    }
    if (inactive) {
        update_inactive(enc, speech, aq, ap, ap1s, ap2s, res, taming);
        return enc->faults == faults_before;
    }
    int16_t t_op = 0;
    if (main_body) {
        chk(F, voksOpenLoopPitchSearch_G729_16s(wsp, &t_op));
        detail::note_open_loop(enc, t_op);
    } else {
        chk(F, voksOpenLoopPitchSearch_G729A_16s(wsp, &t_op));
    }

    // Sub-frames.
    int16_t* prm = params + 2;
    int t0_first = 0;
    int t0_min = 0;
    const int16_t zeros[kOrder] = {};
    for (int s = 0; s < 2; ++s) {
        const int off = s * kSubframe;
        const int16_t* a_q = aq + s * (kOrder + 1);
        int16_t h1[kSubframe];
        int16_t xn[kSubframe];
        const int16_t* ap1 = ap1s[s];
        const int16_t* ap2 = ap2s[s];
        const int16_t* a_w = ap + s * (kOrder + 1);
        if (main_body) {
            // Impulse response of W(z)/A(z) = A(z/g1) / (A(z) A(z/g2)).
            int16_t in[kSubframe] = {};
            copy(ap1, in, kOrder + 1);
            chk(F, voksSynthesisFilter_NR_16s_Sfs(a_q, in, h1, kSubframe, 12, zeros));
            chk(F, voksSynthesisFilter_NR_16s_ISfs(ap2, h1, kSubframe, 12, zeros));
            // Target: the residual through 1/A(z) with the error memory, then W(z).
            chk(F, voksResidualFilter_G729_16s(speech + off, a_q, exc + off));
            chk(F, voksSynthesisFilter_NR_16s_Sfs(a_q, exc + off, enc->mem_err + kOrder, kSubframe, 12,
                                                  enc->mem_err));
            chk(F, voksResidualFilter_G729_16s(enc->mem_err + kOrder, ap1, xn));
            chk(F, voksSynthesisFilter_NR_16s_ISfs(ap2, xn, kSubframe, 12, enc->mem_w0));
        } else {
            chk(F, voksSynthesisFilterZeroStateResponse_NR_16s(a_w, h1, kSubframe, 12));
            chk(F, voksSynthesisFilter_NR_16s_Sfs(a_w, exc + off, xn, kSubframe, 12, enc->mem_w0));
        }

        // Adaptive codebook.
        int16_t delay[2] = {0, 0};
        int16_t vec[kSubframe];
        const int16_t search_delay = static_cast<int16_t>(s == 0 ? t_op : t0_first);
        if (low) {
            chk(F, voksAdaptiveCodebookSearch_G729D_16s(search_delay, xn, h1, enc->old_exc + off,
                                                        static_cast<int16_t>(s), delay));
            chk(F, voksDecodeAdaptiveVector_G729_16s_I(delay, enc->old_exc + off));
            copy(exc + off, vec, kSubframe);
        } else if (main_body) {
            chk(F, voksAdaptiveCodebookSearch_G729_16s(search_delay, xn, h1, enc->old_exc + off, delay, vec,
                                                       static_cast<int16_t>(s)));
        } else {
            chk(F, voksAdaptiveCodebookSearch_G729A_16s(search_delay, xn, h1, enc->old_exc + off, delay, vec,
                                                        static_cast<int16_t>(s)));
        }
        const int t0 = delay[0];
        const int frac = delay[1];
        if (s == 0) t0_first = t0;
        const int16_t lag_index =
            low && s == 1 ? encode_lag_low(t0, frac, t0_min) : encode_lag(t0, frac, s, &t0_min);
        *prm++ = lag_index;
        if (s == 0 && !low) *prm++ = pitch_parity(lag_index);

        int16_t y1[kSubframe];
        int16_t gain_pit = 0;
        if (main_body) {
            chk(F, voksAdaptiveCodebookGain_G729_16s(xn, h1, vec, y1, &gain_pit));
        } else {
            chk(F, voksAdaptiveCodebookGain_G729A_16s(xn, a_w, vec, y1, &gain_pit));
        }
        const bool taming = taming_needed(enc->exc_err, t0, frac);
        if (taming && gain_pit > kGainPitchClip) gain_pit = kGainPitchClip;
        int16_t xn2[kSubframe];
        chk(F, voksAdaptiveCodebookContribution_G729_16s(gain_pit, y1, xn, xn2));

        // Fixed codebook and gains.
        int16_t code[kSubframe];
        int16_t y2[kSubframe];
        int16_t gains[2] = {0, 0};
        int16_t rows[2] = {0, 0};
        if (low) {
            fixed_codebook_low(enc, xn2, h1, t0, code, y2, prm);
            prm += 2;
            chk(F, voksGainQuant_G729D_16s(xn, y1, code, y2, enc->past_qua_en, gains, rows, taming ? 1 : 0));
            *prm++ = static_cast<int16_t>(kGainMap1Low[rows[0] & 7] * 8 + kGainMap2Low[rows[1] & 7]);
        } else {
            fixed_codebook(enc, xn2, h1, t0, s, code, y2, prm);
            prm += 2;
            chk(F, voksGainQuant_G729_16s(xn, y1, code, y2, enc->past_qua_en, gains, rows, taming ? 1 : 0));
            *prm++ = static_cast<int16_t>(kGainMap1[rows[0] & 7] * 16 + kGainMap2[rows[1] & 15]);
        }
        gain_pit = gains[0];
        const int16_t gain_code = gains[1];
        enc->sharp = clamp_sharp(gain_pit);
        if (main_body) detail::note_pitch_gain(enc, gain_pit);

        // Excitation and memory updates.
        build_excitation(F, exc + off, gain_pit, code, gain_code);
        update_taming(enc->exc_err, gain_pit, t0);
        // The memories keep the last 30 samples for the 11.8 kbit/s frames, the last 10 here.
        if (main_body) {
            int16_t synth[kSubframe];
            chk(F, voksSynthesisFilter_NR_16s_Sfs(a_q, exc + off, synth, kSubframe, 12, enc->mem_syn));
            copy(synth + kSubframe - kOrder, enc->mem_syn, kOrder);
            for (int j = 0; j < kOrderBwd; ++j) {
                const int i = kSubframe - kOrderBwd + j;
                enc->high.mem_err[j] = sub(speech[off + i], synth[i]);
            }
            copy(enc->high.mem_err + kOrderBwd - kOrder, enc->mem_err, kOrder);
            detail::encoder_after_low(enc, aq, synth, s);
        }
        for (int j = 0; j < kOrderBwd; ++j) {
            const int i = kSubframe - kOrderBwd + j;
            const int16_t t1 = extract_h(l_shl(l_mult(y1[i], gain_pit), 1));
            const int16_t t2 = extract_h(l_shl(l_mult(y2[i], gain_code), 2));
            enc->high.mem_w0[j] = sub(xn[i], add(t1, t2));
        }
        copy(enc->high.mem_w0 + kOrderBwd - kOrder, enc->mem_w0, kOrder);
    }

    shift_histories(enc);
    return enc->faults == faults_before;
}

// ---------------------------------------------------------------------------------------------
// Decoder
// ---------------------------------------------------------------------------------------------

namespace {
VokG729PhaseDispersionState* disp_state(Decoder* dec) {
    return reinterpret_cast<VokG729PhaseDispersionState*>(dec->disp);
}
}  // namespace

void advance_excitation(Decoder* dec) {
    dec->exc_at = static_cast<int16_t>(dec->exc_at + kFrameSamples);
    if (dec->exc_at + kExcLen > kDecExcBuf) {
        copy(dec->old_exc + dec->exc_at, dec->old_exc, kExcOffset);
        dec->exc_at = 0;
    }
}

void advance_residual(Decoder* dec) {
    dec->res_at = static_cast<int16_t>(dec->res_at + kSubframe);
    if (dec->res_at + kSubframe > kResBuf) {
        copy(dec->res2 + dec->res_at - kResHistory, dec->res2, kResHistory);
        dec->res_at = kResHistory;
    }
}

void decoder_init(Decoder* dec, Variant variant) {
    std::memset(dec, 0, sizeof(*dec));
    dec->variant = variant;
    init_high_pass(dec->hp, kPostFilter);
    copy(kLspInit, dec->lsp_old, kOrder);
    for (int k = 0; k < 4; ++k) copy(kLsfInit, dec->lsf_mem + k * kOrder, kOrder);
    copy(kLsfInit, dec->prev_lsf, kOrder);
    dec->sharp = kSharpMin;
    dec->old_t0 = 60;
    for (int k = 0; k < 4; ++k) dec->past_qua_en[k] = -14336;
    dec->seed = 21845;
    dec->voicing = 60;
    dec->pst_gain = variant == Variant::Main ? 16384 : 4096;
    dec->res_at = kResHistory;
    int size = 0;
    voksPhaseDispersionGetStateSize_G729D_16s(&size);
    if (size > static_cast<int>(sizeof dec->disp))
        std::abort();  // the state block must fit the room reserved
    voksPhaseDispersionInit_G729D_16s(disp_state(dec));
    detail::high_init(dec);
}

namespace {

int16_t next_random(int16_t* seed) {
    *seed = static_cast<int16_t>(int32_t{*seed} * 31821 + 13849);
    return *seed;
}

// Main-body post-filter of one sub-frame: long-term, short-term, tilt, gain control.
// Returns the voicing (the post-filter delay, 0 when unvoiced).
int16_t post_filter_main(Decoder* dec, int t0, const int16_t* syn, const int16_t* a, int16_t* out) {
    int32_t* F = &dec->faults;
    int16_t apond2[kOrder + 1];
    weight_az(F, a, kPow055, apond2);
    int16_t* res = dec->res2 + dec->res_at;
    chk(F, voksResidualFilter_G729_16s(syn, apond2, res));
    // A concealed delay can reach 144 (the second sub-frame's index 31 codes the range maximum
    // plus one, and an erased frame reuses it). The harmonic search then reaches one sample past
    // the residual history, so it is centred on 143 instead.
    const int delay = t0 > kPitchMax ? kPitchMax : t0;
    int16_t ltp[kSubframe];
    int16_t voicing = 0;
    if (chk(F, voksLongTermPostFilter_G729_16s(16384, delay, res, ltp, &voicing)) < 0) {
        copy(res, ltp, kSubframe);  // never post-filter an unwritten block
        voicing = 0;
    }
    int16_t buf[kOrder + kSubframe];
    copy(dec->mem_stp, buf, kOrder);
    int16_t imp[20];
    chk(F, voksShortTermPostFilter_G729_16s(a, ltp, buf + kOrder, imp));
    copy(buf + kSubframe, dec->mem_stp, kOrder);
    detail::keep_post_memory(dec, buf + kOrder);
    chk(F, voksTiltCompensation_G729_16s(imp, buf + kOrder));
    chk(F, voksGainControl_G729_16s_I(syn, buf + kOrder, &dec->pst_gain));
    copy(buf + kOrder, out, kSubframe);
    advance_residual(dec);
    return voicing;
}

// Annex A post-filter of one sub-frame.
void post_filter_a(Decoder* dec, int t0, const int16_t* syn, const int16_t* a, int16_t* out) {
    int32_t* F = &dec->faults;
    int16_t ap[2 * (kOrder + 1)];
    weight_az(F, a, kPow055, ap);
    weight_az(F, a, kPow070, ap + kOrder + 1);
    int16_t buf[1 + kSubframe];
    if (chk(F, voksLongTermPostFilter_G729A_16s(static_cast<int16_t>(t0), syn, ap, dec->res2, buf + 1)) < 0) {
        std::memset(buf + 1, 0, sizeof(int16_t) * kSubframe);  // never post-filter an unwritten block
    }
    buf[0] = dec->mem_pre;
    chk(F, voksTiltCompensation_G729A_16s(ap, buf + 1));
    dec->mem_pre = buf[0];
    chk(F, voksSynthesisFilter_NR_16s_Sfs(ap + kOrder + 1, buf + 1, out, kSubframe, 12, dec->mem_stp));
    copy(out + kSubframe - kOrder, dec->mem_stp, kOrder);
    chk(F, voksGainControl_G729A_16s_I(syn, out, &dec->pst_gain));
    copy(dec->res2 + kSubframe, dec->res2, 194 - kSubframe);
}

}  // namespace

bool decode(Decoder* dec, const int16_t* params_in, bool erased, int16_t* pcm) {
    return decode(dec, params_in, erased, pcm, Rate::Full);
}

bool decode(Decoder* dec, const int16_t* params_in, bool erased, int16_t* pcm, Rate rate) {
    if (rate == Rate::High) return detail::decode_high(dec, params_in, erased, pcm);
    int32_t* F = &dec->faults;
    const int16_t voicing_in = dec->voicing;
    const int32_t faults_before = dec->faults;
    const bool main_body = dec->variant == Variant::Main;
    const bool low = rate == Rate::Low;
    if (low && !main_body) return false;
    // Both layouts in the 8 kbit/s order: the 6.4 kbit/s frame has no parity bit (index 3).
    int16_t prm[kFrameParams] = {};
    for (int i = 0, j = 0; i < kFrameParams; ++i) {
        if (low && i == 3) continue;
        const int bits = low ? kParamBitsLow[j] : kParamBits[i];
        prm[i] = static_cast<int16_t>(params_in[j++] & ((1 << bits) - 1));
    }
    const bool bfi = erased;
    const bool parity_error = !low && pitch_parity(prm[2]) != prm[3];

    // LSPs and the filters of both sub-frames.
    int16_t lsf[kOrder];
    if (!bfi) {
        int16_t idx[4] = {static_cast<int16_t>((prm[0] >> 7) & 1), static_cast<int16_t>(prm[0] & 127),
                          static_cast<int16_t>((prm[1] >> 5) & 31), static_cast<int16_t>(prm[1] & 31)};
        chk(F, voksLSFDecode_G729_16s(idx, dec->lsf_mem, lsf));
        copy(lsf, dec->prev_lsf, kOrder);
        dec->prev_mode = idx[0];
    } else {
        copy(dec->prev_lsf, lsf, kOrder);
        chk(F, voksLSFDecodeErased_G729_16s(dec->prev_mode, dec->lsf_mem, dec->prev_lsf));
    }
    int16_t lsp_new[kOrder];
    chk(F, voksLSFToLSP_G729_16s(lsf, lsp_new));
    int16_t az[2 * (kOrder + 1)];
    detail::forward_filters(dec, lsp_new, az);
    copy(lsp_new, dec->lsp_old, kOrder);

    int16_t* synth = dec->synth_buf + kOrder;
    int16_t* old_exc = dec->old_exc + dec->exc_at;
    int16_t* exc = old_exc + kExcOffset;
    int t0 = 0;
    int frac = 0;
    int t2[2] = {0, 0};
    for (int s = 0; s < 2; ++s) {
        const int off = s * kSubframe;
        const int lag_index = s == 0 ? prm[2] : prm[7];
        const bool bad_pitch = s == 0 ? (bfi || parity_error) : bfi;
        if (!bad_pitch) {
            if (low && s == 1) {
                decode_lag_low(lag_index, &t0, &frac);
            } else {
                decode_lag(lag_index, s, &t0, &frac);
            }
            dec->old_t0 = static_cast<int16_t>(t0);
        } else {
            t0 = dec->old_t0;
            frac = 0;
            if (++dec->old_t0 > kPitchMax) dec->old_t0 = kPitchMax;
        }
        detail::track_pitch_low(dec, frac, !bad_pitch);
        t2[s] = t0;
        const int16_t delay[2] = {static_cast<int16_t>(t0), static_cast<int16_t>(frac)};
        chk(F, voksDecodeAdaptiveVector_G729_16s_I(delay, old_exc + off));

        int positions = s == 0 ? prm[4] : prm[8];
        int signs = s == 0 ? prm[5] : prm[9];
        if (bfi) {
            positions = next_random(&dec->seed) & (low ? 0x1FF : 0x1FFF);
            signs = next_random(&dec->seed) & (low ? 0x3 : 0xF);
        }
        int16_t code[kSubframe];
        if (low) {
            build_code_low(signs, positions, code);
        } else {
            build_code(signs, positions, code);
        }
        sharpen(F, code, t0, dec->sharp);

        int32_t energy = 0;
        chk(F, voksCrossCorr_NR_16s32s(code, code, kSubframe, &energy, 1));
        const int gain_index = s == 0 ? prm[6] : prm[10];
        if (low && !bfi) {
            const int16_t gidx[2] = {static_cast<int16_t>(gain_index >> 3),
                                     static_cast<int16_t>(gain_index & 7)};
            chk(F, voksDecodeGain_G729I_16s(energy, 0, dec->past_qua_en, gidx, dec->gains));
        } else {
            // Erased frames attenuate the gains alike at both rates.
            const int16_t gidx[2] = {static_cast<int16_t>(gain_index >> 4),
                                     static_cast<int16_t>(gain_index & 15)};
            chk(F, voksDecodeGain_G729_16s(energy, dec->past_qua_en, bfi ? nullptr : gidx, dec->gains));
        }
        dec->sharp = clamp_sharp(dec->gains[0]);

        int16_t g_p = dec->gains[0];
        int16_t g_c = dec->gains[1];
        if (bfi && main_body) {
            // Concealment of the main body: periodic excitation for a voiced previous frame,
            // random for an unvoiced one.
            if (dec->voicing == 0) {
                g_p = 0;
            } else {
                g_c = 0;
            }
        }
        build_excitation(F, exc + off, g_p, code, g_c);
        if (!low) chk(F, voksPhaseDispersionUpdate_G729D_16s(dec->gains[0], dec->gains[1], disp_state(dec)));
        if (chk(F, voksSynthesisFilter_NR_16s_Sfs(az + s * (kOrder + 1), exc + off, synth + off, kSubframe,
                                                  12, dec->mem_syn)) == vokStatusOverflow) {
            // Synthesis overflow: scale the whole excitation history down and filter again.
            for (int i = 0; i < kExcLen; ++i) old_exc[i] = static_cast<int16_t>(old_exc[i] >> 2);
            if (!low) {
                chk(F, voksSynthesisFilter_NR_16s_Sfs(az + s * (kOrder + 1), exc + off, synth + off,
                                                      kSubframe, 12, dec->mem_syn));
            }
        }
        if (low) {
            // 6.4 kbit/s: the synthesis filters the excitation with its code part phase-dispersed;
            // the excitation history keeps the plain one.
            int16_t dispersed[kSubframe];
            chk(F, voksPhaseDispersion_G729D_16s(exc + off, dispersed, dec->gains[1], dec->gains[0], code,
                                                 disp_state(dec)));
            chk(F, voksSynthesisFilter_NR_16s_Sfs(az + s * (kOrder + 1), dispersed, synth + off, kSubframe,
                                                  12, dec->mem_syn));
        }
        copy(synth + off + kSubframe - kOrder, dec->mem_syn, kOrder);
    }
    advance_excitation(dec);

    // Post-filter and post-processing.
    if (main_body) {
        int16_t voicing = 0;
        for (int s = 0; s < 2; ++s) {
            const int16_t v = post_filter_main(dec, t2[0], synth + s * kSubframe, az + s * (kOrder + 1),
                                               pcm + s * kSubframe);
            if (v != 0) voicing = v;
        }
        dec->voicing = voicing;
    } else {
        for (int s = 0; s < 2; ++s) {
            post_filter_a(dec, t2[s], synth + s * kSubframe, az + s * (kOrder + 1), pcm + s * kSubframe);
        }
    }
    copy(synth + kFrameSamples - kOrder, dec->synth_buf, kOrder);
    detail::high_after_low(dec, bfi, voicing_in, synth, az);
    chk(F, voksHighPassFilter_G729_16s_ISfs(pcm, kFrameSamples, 13, hp_state(dec->hp)));
    return dec->faults == faults_before;
}

// ---------------------------------------------------------------------------------------------
// Bit packing
// ---------------------------------------------------------------------------------------------

namespace {

struct Layout {
    const int* bits;
    int params;
    int total;
};

Layout layout(Rate rate) {
    return rate == Rate::Low ? Layout{kParamBitsLow, kFrameParamsLow, kFrameBitsLow}
                             : Layout{kParamBits, kFrameParams, kFrameBits};
}

}  // namespace

// Fields of at most 13 bits start anywhere in a byte, so each spans at most three bytes.
void pack(const int16_t* params, uint8_t* frame, Rate rate) {
    const Layout l = layout(rate);
    uint8_t buf[kPackedBytes + 2] = {};
    int start = 0;
    for (int i = 0; i < l.params; ++i) {
        const int n = l.bits[i];
        const uint32_t v = (static_cast<uint32_t>(params[i]) & ((1u << n) - 1)) << (24 - (start & 7) - n);
        uint8_t* p = buf + (start >> 3);
        p[0] = static_cast<uint8_t>(p[0] | (v >> 16));
        p[1] = static_cast<uint8_t>(p[1] | (v >> 8));
        p[2] = static_cast<uint8_t>(p[2] | v);
        start += n;
    }
    std::memcpy(frame, buf, l.total / 8);
}

void unpack(const uint8_t* frame, int16_t* params, Rate rate) {
    const Layout l = layout(rate);
    uint8_t buf[kPackedBytes + 2] = {};
    std::memcpy(buf, frame, l.total / 8);
    int start = 0;
    for (int i = 0; i < l.params; ++i) {
        const int n = l.bits[i];
        const uint8_t* p = buf + (start >> 3);
        const uint32_t v = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
        params[i] = static_cast<int16_t>((v >> (24 - (start & 7) - n)) & ((1u << n) - 1));
        start += n;
    }
}

void params_to_serial(const int16_t* params, int16_t* serial, Rate rate) {
    const Layout l = layout(rate);
    serial[0] = kSyncWord;
    serial[1] = static_cast<int16_t>(l.total);
    int w = 2;
    for (int i = 0; i < l.params; ++i) {
        for (int b = l.bits[i] - 1; b >= 0; --b) serial[w++] = (params[i] >> b) & 1 ? kBit1 : kBit0;
    }
}

bool serial_to_params(const int16_t* serial, int16_t* params, Rate rate) {
    const Layout l = layout(rate);
    bool erased = serial[0] != kSyncWord;
    int w = 2;
    for (int i = 0; i < l.params; ++i) {
        int v = 0;
        for (int b = 0; b < l.bits[i]; ++b, ++w) {
            if (serial[w] == 0) erased = true;
            v = (v << 1) | (serial[w] == kBit1 ? 1 : 0);
        }
        params[i] = static_cast<int16_t>(v);
    }
    return erased;
}

void pack(const int16_t* params, uint8_t* frame) {
    pack(params, frame, Rate::Full);
}
void unpack(const uint8_t* frame, int16_t* params) {
    unpack(frame, params, Rate::Full);
}
void params_to_serial(const int16_t* params, int16_t* serial) {
    params_to_serial(params, serial, Rate::Full);
}
bool serial_to_params(const int16_t* serial, int16_t* params) {
    return serial_to_params(serial, params, Rate::Full);
}

}  // namespace g729

// ---------------------------------------------------------------------------------------------
// Steps shared with the 11.8 kbit/s coder
// ---------------------------------------------------------------------------------------------

namespace g729 {
namespace detail {

int chk(int32_t* faults, int status) {
    if (status < 0) ++*faults;
    return status;
}
void interpolate_filters(int32_t* F, const int16_t* lsp_old, const int16_t* lsp_new, int16_t* az) {
    g729::interpolate_filters(F, lsp_old, lsp_new, az);
}
void decode_lag(int index, int subframe, int* t0, int* frac) {
    g729::decode_lag(index, subframe, t0, frac);
}
void build_excitation(int32_t* F, int16_t* exc, int16_t gain_pit, const int16_t* code, int16_t gain_code) {
    g729::build_excitation(F, exc, gain_pit, code, gain_code);
}
void sharpen(int32_t* F, int16_t* x, int t0, int16_t sharp) {
    g729::sharpen(F, x, t0, sharp);
}
int16_t clamp_sharp(int16_t g) {
    return g729::clamp_sharp(g);
}
int16_t next_random(int16_t* seed) {
    return g729::next_random(seed);
}
void lp_analysis(Encoder* enc, int16_t* a, int16_t* rc) {
    g729::lp_analysis(enc, a, rc);
}
void weighting_factors(Encoder* enc, const int16_t* rc, int16_t* lsf_int, int16_t* lsf_new, int16_t gamma1[2],
                       int16_t gamma2[2]) {
    g729::weighting_factors(enc, rc, lsf_int, lsf_new, gamma1, gamma2);
}
int16_t encode_lag(int t0, int frac, int subframe, int* t0_min) {
    return g729::encode_lag(t0, frac, subframe, t0_min);
}
bool taming_needed(const int32_t* exc_err, int t0, int frac) {
    return g729::taming_needed(exc_err, t0, frac);
}
void update_taming(int32_t* exc_err, int16_t gain_pit, int t0) {
    g729::update_taming(exc_err, gain_pit, t0);
}
void shift_histories(Encoder* enc) {
    g729::shift_histories(enc);
}
int16_t gain_index(const int16_t rows[2]) {
    return static_cast<int16_t>(kGainMap1[rows[0] & 7] * 16 + kGainMap2[rows[1] & 15]);
}

}  // namespace detail
}  // namespace g729

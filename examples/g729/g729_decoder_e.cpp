// G.729 decoder at 11.8 kbit/s (Annex E): forward frames with the 8 kbit/s LSP quantiser and a
// 35-bit codebook, backward frames that filter with an order-30 LP analysis of the past synthesis
// and a 44-bit codebook, the filter switching and interpolation between them, the concealment of
// erased frames and the post-filter whose strength follows the dominance of backward frames.
// The 6.4 and 8 kbit/s decoder keeps this state through the hooks at the end.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "g729/g729_codec.h"
#include "g729/g729_fixed.h"
#include "g729/g729_frame_e.h"
#include "g729/g729_internal.h"
#include "voksc.h"

namespace g729 {
namespace detail {
namespace {

using namespace fx;

constexpr int kBwd1 = kOrderBwd + 1;
constexpr int kExcOffset = kPitchMax + kInterpol;
constexpr int kSynMem = kSynHistory - kFrameSamples;  // 65 past samples before the frame
constexpr int16_t kGammaBwd = 32113;                  // bandwidth expansion of the backward filter
constexpr int16_t kCInt = 4506;
constexpr int16_t kGamma1 = 22938, kGamma2 = 18022, kGammaHarm = 16384;    // 8 kbit/s post-filter
constexpr int16_t kGamma1E = 22938, kGamma2E = 21300, kGammaHarmE = 8192;  // 11.8 kbit/s
constexpr int kImpulseE = 32;                                              // post-filter response

// Lag window of the backward analysis, double precision (high, low) words.
constexpr int16_t kLagHigh[kOrderBwd] = {
    32764, 32763, 32762, 32760, 32758, 32755, 32752, 32748, 32744, 32739, 32734, 32728, 32722, 32715, 32707,
    32700, 32691, 32682, 32673, 32663, 32653, 32642, 32631, 32619, 32607, 32594, 32581, 32567, 32552, 32538};
constexpr int16_t kLagLow[kOrderBwd] = {15424, 23360, 14784, 22336, 13376, 20672, 11328, 18304, 8704,  15424,
                                        5504,  11904, 1856,  8000,  30464, 3712,  25984, 31872, 21248, 27072,
                                        16384, 22144, 11456, 17280, 6784,  12608, 2240,  8320,  30912, 4480};
// log2 interpolation of the frame energy, Q11.
constexpr int16_t kLogTable[17] = {2466, 2520, 2571, 2619, 2665, 2708, 2749, 2789, 2827,
                                   2863, 2898, 2931, 2964, 2995, 3025, 3054, 3083};

void copy(const int16_t* src, int16_t* dst, int n) {
    std::memmove(dst, src, sizeof(int16_t) * n);
}

using fixed_ops::div_s;
using fixed_ops::L_Extract;
using fixed_ops::Mpy_32;

// Synthesis 1/A(z) of order m whose memory is the m samples before y; true when an accumulator
// saturated (the frame's excitation is then scaled down).
bool synthesis(const int16_t* a, int m, const int16_t* x, int16_t* y, int n) {
    int16_t buf[kOrderBwd + kFrameSamples];
    copy(y - m, buf, m);
    bool overflow = false;
    for (int i = 0; i < n; ++i) {
        int64_t s = int64_t{x[i]} * a[0] * 2;
        for (int j = 1; j <= m; ++j) {
            int64_t p = int64_t{a[j]} * buf[m + i - j] * 2;
            if (p > INT32_MAX) {  // -32768 * -32768 saturates
                p = INT32_MAX;
                overflow = true;
            }
            s -= p;
            if (s > INT32_MAX || s < INT32_MIN) {
                overflow = true;
                s = s > INT32_MAX ? INT32_MAX : INT32_MIN;
            }
        }
        const int64_t t = s * 8;
        if (t > INT32_MAX || t < INT32_MIN) overflow = true;
        const int32_t sat = t > INT32_MAX ? INT32_MAX : (t < INT32_MIN ? INT32_MIN : static_cast<int32_t>(t));
        if (sat > INT32_MAX - 0x8000) overflow = true;
        buf[m + i] = round16(sat);
    }
    copy(buf + m, y, n);
    return overflow;
}

// Backward mode dominates when over the recent frames it is four times as frequent as forward.
void count_mode(DecoderHigh* e, int lp_mode) {
    count_lp_mode(&e->count_bwd, &e->count_fwd, &e->bwd_dominant, lp_mode);
}

// Pulses of one codebook word: 3 position bits per pulse (bits 0-2, 4-6, 7-9), sign in bit 3;
// the second and third pulse take the opposite sign when they lie after the one before.
void add_pulses(int index, int track, int pulses, int16_t* code) {
    const int p1 = (index & 7) * 5 + track;
    int16_t sign = (index >> 3) & 1 ? -4096 : 4096;
    code[p1] = sign;
    if (pulses < 2) return;
    const int p2 = ((index >> 4) & 7) * 5 + track;
    if (p2 > p1) sign = sub(0, sign);
    code[p2] = add(code[p2], sign);
    if (pulses < 3) return;
    const int p3 = ((index >> 7) & 7) * 5 + track;
    if (p3 > p2) sign = sub(0, sign);
    code[p3] = add(code[p3], sign);
}

// 35-bit codebook (forward frames): two pulses on each of the five tracks. 44-bit codebook
// (backward frames): three pulses on two tracks, two on the others, the first track coded in
// bits 10-12 of the first word.
void build_code_high(const int16_t* idx, bool backward, int16_t* code) {
    std::memset(code, 0, sizeof(int16_t) * kSubframe);
    if (!backward) {
        for (int j = 0; j < 5; ++j) add_pulses(idx[j], j, 2, code);
        return;
    }
    int track = (idx[0] >> 10) & 7;
    if (track > 4) track = 4;
    for (int j = 0; j < 5; ++j) {
        add_pulses(idx[j], track, j < 2 ? 3 : 2, code);
        track = track == 4 ? 0 : track + 1;
    }
}

// Pitch tracking of the concealment: a delay near a multiple or sub-multiple of the previous one
// is replaced by the last stationary delay.
void track_pitch(DecoderHigh* e, int16_t* t0, int16_t* frac) {
    int16_t dist = sub(*t0, e->prev_pitch);
    const bool mult_up = dist >= 0;
    if (dist < 0) dist = sub(0, dist);
    if (dist < 5) {
        if (++e->stat_pitch > 7) e->stat_pitch = 7;
        e->pitch_sta = *t0;
        e->frac_sta = *frac;
    } else {
        int16_t dist_min = dist;
        const int16_t base = mult_up ? e->prev_pitch : *t0;
        const int16_t other = mult_up ? *t0 : e->prev_pitch;
        int16_t m = add(base, base);
        for (int j = 2; j < 5; ++j) {
            const int16_t d = abs_s(sub(m, other));
            if (d <= dist_min) dist_min = d;
            m = add(base, m);
        }
        if (dist_min < 5) {
            if (e->stat_pitch > 0) {
                *t0 = e->pitch_sta;
                *frac = e->frac_sta;
            }
            if (--e->stat_pitch < 0) e->stat_pitch = 0;
        } else {
            e->stat_pitch = 0;
            e->pitch_sta = *t0;
            e->frac_sta = *frac;
        }
    }
    e->prev_pitch = *t0;
}

// First parcor of the response h (n samples), Q15.
int16_t first_parcor(const int16_t* h, int n) {
    int32_t acc = 0;
    for (int i = 0; i < n; ++i) acc = l_mac(acc, h[i], h[i]);
    const int16_t sh = norm_l(acc);
    const int16_t acf0 = extract_h(l_shl(acc, sh));
    acc = 0;
    for (int i = 0; i < n - 1; ++i) acc = l_mac(acc, h[i], h[i + 1]);
    const int16_t acf1 = extract_h(l_shl(acc, sh));
    if (acf0 < abs_s(acf1)) return 0;
    const int16_t rc = div_s(abs_s(acf1), acf0);
    return acf1 > 0 ? sub(0, rc) : rc;
}

// Post-filter of one sub-frame of order m (10 or 30): harmonic, short-term with the adaptive
// factors, tilt and gain control. syn has m past samples before it. Returns the voicing.
int16_t post_filter_high(Decoder* dec, int t0, const int16_t* syn, const int16_t* a, int m, int16_t* out) {
    DecoderHigh& e = dec->high;
    int32_t* F = &dec->faults;
    int16_t ap1[kBwd1];
    int16_t ap2[kImpulseE] = {};
    chk(F, voksMulPowerC_NR_16s_Sfs(a, e.ga1, ap1, m + 1, 15));
    chk(F, voksMulPowerC_NR_16s_Sfs(a, e.ga2, ap2, m + 1, 15));
    int16_t* res = dec->res2 + dec->res_at;
    chk(F, voksResidualFilter_G729E_16s(ap2, m, syn, res, kSubframe));
    int16_t ltp[1 + kSubframe];
    int16_t voicing = 0;
    const int delay = t0 > kPitchMax ? kPitchMax : t0;
    if (chk(F, voksLongTermPostFilter_G729_16s(e.ga_harm, delay, res, ltp + 1, &voicing)) < 0) {
        copy(res, ltp + 1, kSubframe);
        voicing = 0;
    }
    ltp[0] = e.mem_stp[kOrderBwd - 1];
    // Response of A(z/g2)/A(z/g1): its first parcor sets the tilt, its absolute sum the gain.
    int16_t h[kImpulseE];
    int16_t zeros[kOrderBwd] = {};
    chk(F, voksSynthesisFilter_G729E_16s(ap1, m, ap2, h, kImpulseE, zeros));
    const int16_t parcor = first_parcor(h, kImpulseE);
    int32_t g0 = 0;
    for (int i = 0; i < kImpulseE; ++i) g0 = l_add(g0, abs_s(h[i]));
    const int16_t g = extract_h(l_shl(g0, 14));
    if (g > 1024) {
        const int16_t inv = div_s(1024, g);
        for (int i = 1; i <= kSubframe; ++i) ltp[i] = mult_r(ltp[i], inv);
    }
    int16_t mem[kOrderBwd];
    copy(e.mem_stp + kOrderBwd - m, mem, m);
    chk(F, voksSynthesisFilter_G729E_16s_I(ap1, m, ltp + 1, kSubframe, mem));
    copy(ltp + 1 + kSubframe - kOrderBwd, e.mem_stp, kOrderBwd);
    copy(e.mem_stp + kOrderBwd - kOrder, dec->mem_stp, kOrder);
    chk(F, voksTiltCompensation_G729E_16s(parcor, ltp, out));
    chk(F, voksGainControl_G729_16s_I(syn, out, &dec->pst_gain));
    advance_residual(dec);
    return voicing;
}

// Post-filter factors: weaker while backward frames dominate, back to full strength otherwise.
void adapt_post_filter(DecoderHigh* e, int lp_mode) {
    const bool weaken = lp_mode == 1 && e->bwd_dominant == 1;
    auto step = [weaken](int16_t* v, int16_t d, int16_t top) {
        *v = weaken ? sub(*v, d) : add(*v, d);
        if (*v < 0) *v = 0;
        if (*v > top) *v = top;
    };
    step(&e->ga_harm, 410, kGammaHarmE);
    step(&e->ga1, 1147, kGamma1E);
    step(&e->ga2, 1065, kGamma2E);
}

void set_forward_filter(DecoderHigh* e, const int16_t* a) {
    copy(a, e->prev_filter, kOrder + 1);
    std::memset(e->prev_filter + kOrder + 1, 0, sizeof(int16_t) * (kOrderBwd - kOrder));
    e->c_int = kCInt;
}

}  // namespace

// Energy of the frame in dB-like units (Q11 log2), 1 for near silence.
int16_t energy_db(const int16_t* x) {
    int32_t e = 1;
    for (int i = 0; i < kFrameSamples; ++i) e = l_mac(e, x[i], x[i]);
    e >>= 1;
    int i = 0;
    while (e > 32) {
        e >>= 1;
        ++i;
    }
    int16_t log = 617;
    for (int j = 1; j < i; ++j) log = add(log, 617);
    const int index = static_cast<int>(e) - 16;
    return index >= 0 ? add(kLogTable[index], log) : 1;
}

// a = (4096 - c) a + c b, Q12 factor c, each product truncated to Q12 as the reference does.
void blend(int16_t* a, const int16_t* b, int16_t c) {
    const int16_t c1 = sub(4096, c);
    for (int i = 0; i < kBwd1; ++i) {
        a[i] = add(static_cast<int16_t>(l_shr(l_mult(a[i], c1), 13)),
                   static_cast<int16_t>(l_shr(l_mult(b[i], c), 13)));
    }
}

// Order-30 filter of the past synthesis: hybrid window, lag window, Levinson (the last stable
// filter when it fails, the last unsaturated one when a coefficient saturates), expansion.
void backward_filter(int32_t* F, BackwardLp* lp, int16_t* a) {
    int32_t r[kBwd1];
    chk(F,
        voksWinHybrid_G729E_16s32s(lp->syn, r, reinterpret_cast<VokWinHybridState_G729E_16s*>(lp->hybrid)));
    for (int i = 1; i <= kOrderBwd; ++i) {
        int16_t h, l;
        L_Extract(r[i], &h, &l);
        r[i] = Mpy_32(h, l, kLagHigh[i - 1], kLagLow[i - 1]);
    }
    const int32_t s0 = l_add(r[0], 1);
    const int norm = norm_l(s0);
    for (int i = 0; i <= kOrderBwd; ++i) r[i] = l_shl(l_add(r[i], 1), norm) & ~int32_t{1};
    int16_t rc[kOrderBwd];
    int16_t err = 0;
    if (voksLevinsonDurbin_G729_32s16s(r, kOrderBwd, a, rc, &err) == vokStatusOk) {
        copy(a, lp->old_a_bwd, kBwd1);
    } else {
        copy(lp->old_a_bwd, a, kBwd1);
    }
    bool saturated = false;
    for (int i = 0; i < kBwd1; ++i) saturated = saturated || a[i] >= 32767;
    if (saturated) {
        copy(lp->a_sat_mem, a, kBwd1);
    } else {
        copy(a, lp->a_sat_mem, kBwd1);
    }
    chk(F, voksMulPowerC_NR_16s_Sfs(a, kGammaBwd, a, kBwd1, 15));
}

// First sub-frame filter of a backward frame: halfway between the previous frame's filter and
// this one, which itself moves towards the previous filter by the factor c_int.
void interpolate_backward(int16_t* a, const int16_t* prev, int16_t* c_int) {
    int16_t c = sub(*c_int, 410);
    if (c < 0) c = 0;
    blend(a + kBwd1, prev, c);
    for (int i = 0; i < kBwd1; ++i) a[i] = add(shr(a[kBwd1 + i], 1), shr(prev[i], 1));
    *c_int = c;
}

void count_lp_mode(int16_t* count_bwd, int16_t* count_fwd, int16_t* dominant, int lp_mode) {
    if (lp_mode == 0) {
        ++*count_fwd;
    } else {
        ++*count_bwd;
    }
    int16_t all = static_cast<int16_t>(*count_bwd + *count_fwd);
    if (all == 100) {
        all = 50;
        *count_bwd = static_cast<int16_t>(*count_bwd >> 1);
        *count_fwd = static_cast<int16_t>(*count_fwd >> 1);
    }
    *dominant = 0;
    if (all >= 10 && *count_bwd > shl(*count_fwd, 2)) *dominant = 1;
}

void lp_init(BackwardLp* lp) {
    std::memset(lp, 0, sizeof *lp);
    int size = 0;
    voksWinHybridGetStateSize_G729E_16s(&size);
    if (size > static_cast<int>(sizeof lp->hybrid))
        std::abort();  // the state block must fit the room reserved
    voksWinHybridInit_G729E_16s(reinterpret_cast<VokWinHybridState_G729E_16s*>(lp->hybrid));
    lp->a_sat_mem[0] = lp->old_a_bwd[0] = 4096;
}

void high_init(Decoder* dec) {
    DecoderHigh& e = dec->high;
    std::memset(&e, 0, sizeof e);
    lp_init(&e.lp);
    e.a_bwd_mem[0] = e.prev_filter[0] = 4096;
    e.c_int = kCInt;
    e.prev_pitch = 30;
    e.c_muting = 32767;
    e.ga1 = kGamma1E;
    e.ga2 = kGamma2E;
    e.ga_harm = kGammaHarmE;
}

void forward_filters(Decoder* dec, const int16_t* lsp_new, int16_t* az) {
    if (dec->high.prev_lp_mode == 0) {
        interpolate_filters(&dec->faults, dec->lsp_old, lsp_new, az);
    } else {
        chk(&dec->faults, voksLSPToLPC_G729_16s(lsp_new, az));
        copy(az, az + kOrder + 1, kOrder + 1);
    }
}

void track_pitch_low(Decoder* dec, int frac, bool good) {
    DecoderHigh& e = dec->high;
    if (good) e.prev_t0_frac = static_cast<int16_t>(frac);
    int16_t t0 = dec->old_t0;
    int16_t f = e.prev_t0_frac;
    track_pitch(&e, &t0, &f);
}

void high_after_low(Decoder* dec, bool erased, int16_t voicing_in, const int16_t* synth, const int16_t* az) {
    DecoderHigh& e = dec->high;
    copy(e.lp.syn + kFrameSamples, e.lp.syn, kSynMem);
    copy(synth, e.lp.syn + kSynMem, kFrameSamples);
    if (energy_db(synth) >= 8192) count_mode(&e, 0);
    e.prev_bfi = erased;
    e.prev_lp_mode = 0;
    e.prev_voicing = voicing_in;
    e.prev_high = 0;
    e.c_fe = erased ? 4096 : 0;
    set_forward_filter(&e, az + kOrder + 1);
    e.ga1 = kGamma1;
    e.ga2 = kGamma2;
    e.ga_harm = kGammaHarm;
    e.stat_bwd = 0;
    if (erased) {
        e.count_bfi = add(e.count_bfi, 2);
    } else {
        e.count_bfi = 0;
        e.c_muting = 32767;
    }
}

void keep_post_memory(Decoder* dec, const int16_t* out) {
    copy(out + kSubframe - kOrderBwd, dec->high.mem_stp, kOrderBwd);
}

bool decode_high(Decoder* dec, const int16_t* params, bool erased, int16_t* pcm) {
    if (dec->variant != Variant::Main) return false;
    DecoderHigh& e = dec->high;
    int32_t* F = &dec->faults;
    const int32_t faults_before = dec->faults;
    const bool bfi = erased;
    const int lp_mode = bfi ? e.prev_lp_mode : (params[0] & 1);
    const bool backward = lp_mode == 1;
    const int16_t voicing_in = e.prev_bfi ? e.prev_voicing : dec->voicing;
    if (!bfi) {
        e.c_muting = 32767;
        e.count_bfi = 0;
    }
    int16_t prm[kFrameParamsHigh] = {};
    for (int i = 1; !bfi && i < params_high(static_cast<int16_t>(lp_mode)); ++i) {
        prm[i] =
            static_cast<int16_t>(params[i] & ((1 << param_bits_high(static_cast<int16_t>(lp_mode), i)) - 1));
    }

    // Backward filter of the past synthesis (computed in either mode: it keeps the window running).
    int16_t a_bwd[2 * kBwd1];
    backward_filter(F, &e.lp, a_bwd + kBwd1);
    if (backward && e.c_fe != 0) blend(a_bwd + kBwd1, e.a_bwd_mem, e.c_fe);
    if (bfi && !e.prev_bfi && e.prev_high) copy(a_bwd + kBwd1, e.a_bwd_mem, kBwd1);

    int16_t syn[kSynHistory];
    copy(e.lp.syn + kFrameSamples, syn, kSynMem);
    int16_t* synth = syn + kSynMem;

    int16_t az[2 * (kOrder + 1)];
    const int16_t* a = az;
    int m = kOrder;
    if (!backward) {
        int16_t lsf[kOrder];
        if (!bfi) {
            const int16_t idx[4] = {
                static_cast<int16_t>((prm[1] >> 7) & 1), static_cast<int16_t>(prm[1] & 127),
                static_cast<int16_t>((prm[2] >> 5) & 31), static_cast<int16_t>(prm[2] & 31)};
            chk(F, voksLSFDecode_G729_16s(idx, dec->lsf_mem, lsf));
            copy(lsf, dec->prev_lsf, kOrder);
            dec->prev_mode = idx[0];
        } else {
            copy(dec->prev_lsf, lsf, kOrder);
            chk(F, voksLSFDecodeErased_G729_16s(dec->prev_mode, dec->lsf_mem, dec->prev_lsf));
        }
        int16_t lsp_new[kOrder];
        chk(F, voksLSFToLSP_G729_16s(lsf, lsp_new));
        forward_filters(dec, lsp_new, az);
        copy(lsp_new, dec->lsp_old, kOrder);
        set_forward_filter(&e, az + kOrder + 1);
    } else {
        interpolate_backward(a_bwd, e.prev_filter, &e.c_int);
        copy(a_bwd + kBwd1, e.prev_filter, kBwd1);
        a = a_bwd;
        m = kOrderBwd;
    }

    // Parameter positions: pitch, parity, codebook (5 words), gain; then pitch, codebook, gain.
    const int base = backward ? 1 : 3;
    const int lag_at[2] = {base, base + 8};
    const int code_at[2] = {base + 2, base + 9};
    const int gain_at[2] = {base + 7, base + 14};
    const bool parity_error = !bfi && pitch_parity_high(prm[base]) != prm[base + 1];
    int16_t* old_exc = dec->old_exc + dec->exc_at;
    int16_t* exc = old_exc + kExcOffset;
    int t0 = 0;
    int frac = 0;
    int t0_first = 0;
    for (int s = 0; s < 2; ++s) {
        const int off = s * kSubframe;
        if (!(bfi || (s == 0 && parity_error))) {
            decode_lag(prm[lag_at[s]], s, &t0, &frac);
            dec->old_t0 = static_cast<int16_t>(t0);
            e.prev_t0_frac = static_cast<int16_t>(frac);
        } else {
            t0 = dec->old_t0;
            frac = e.prev_t0_frac;
        }
        if (s == 0) t0_first = t0;
        const int16_t delay[2] = {static_cast<int16_t>(t0), static_cast<int16_t>(frac)};
        chk(F, voksDecodeAdaptiveVector_G729_16s_I(delay, old_exc + off));
        track_pitch(&e, &dec->old_t0, &e.prev_t0_frac);

        int16_t idx[5];
        for (int j = 0; j < 5; ++j) idx[j] = bfi ? next_random(&dec->seed) : prm[code_at[s] + j];
        int16_t code[kSubframe];
        build_code_high(idx, backward, code);
        bool stationary = false;
        if (backward) {
            e.stat_bwd = add(e.stat_bwd, 1);
            if (e.stat_bwd >= 30) {
                stationary = true;
                e.stat_bwd = 30;
            }
        } else {
            e.stat_bwd = 0;
        }
        sharpen(F, code, t0, dec->sharp);

        int32_t energy = 0;
        chk(F, voksCrossCorr_NR_16s32s(code, code, kSubframe, &energy, 1));
        if (!bfi) {
            const int16_t gidx[2] = {static_cast<int16_t>(prm[gain_at[s]] >> 4),
                                     static_cast<int16_t>(prm[gain_at[s]] & 15)};
            chk(F, voksDecodeGain_G729_16s(energy, dec->past_qua_en, gidx, dec->gains));
        } else {
            // The erasure update of the predictor memory, then this rate's own concealed gains.
            const int16_t mem[2] = {dec->gains[0], dec->gains[1]};
            chk(F, voksDecodeGain_G729_16s(energy, dec->past_qua_en, nullptr, dec->gains));
            if (e.count_bfi < 2) {
                dec->gains[0] = stationary ? 16384 : 15564;
                dec->gains[1] = mem[1];
            } else {
                dec->gains[0] = mult(mem[0], e.c_muting);
                dec->gains[1] = mult(mem[1], e.c_muting);
                if (!stationary) {
                    e.c_muting = mult(e.c_muting, 32112);
                } else if (e.count_bfi > 10) {
                    e.c_muting = mult(e.c_muting, 32604);
                }
            }
        }
        dec->sharp = clamp_sharp(dec->gains[0]);
        int16_t g_p = dec->gains[0];
        int16_t g_c = dec->gains[1];
        if (bfi) {
            e.count_bfi = add(e.count_bfi, 1);
            if (voicing_in == 0) {
                g_p = 0;
            } else {
                g_c = 0;
            }
        }
        build_excitation(F, exc + off, g_p, code, g_c);
        const int16_t* as = a + s * (m + 1);
        if (synthesis(as, m, exc + off, synth + off, kSubframe)) {
            for (int i = 0; i < kExcLen; ++i) old_exc[i] = shr(old_exc[i], 2);
            synthesis(as, m, exc + off, synth + off, kSubframe);
        }
        chk(F, voksPhaseDispersionUpdate_G729D_16s(
                   dec->gains[0], dec->gains[1], reinterpret_cast<VokG729PhaseDispersionState*>(dec->disp)));
    }
    advance_excitation(dec);
    if (energy_db(synth) >= 8192) count_mode(&e, lp_mode);
    copy(syn, e.lp.syn, kSynHistory);

    adapt_post_filter(&e, lp_mode);
    int16_t voicing = 0;
    for (int s = 0; s < 2; ++s) {
        const int16_t v =
            post_filter_high(dec, t0_first, synth + s * kSubframe, a + s * (m + 1), m, pcm + s * kSubframe);
        if (v != 0) voicing = v;
    }
    dec->voicing = voicing;
    copy(synth + kFrameSamples - kOrder, dec->synth_buf, kOrder);
    copy(synth + kFrameSamples - kOrder, dec->mem_syn, kOrder);
    chk(F, voksHighPassFilter_G729_16s_ISfs(pcm, kFrameSamples, 13,
                                            reinterpret_cast<VokG729HighPassState*>(dec->hp)));

    e.prev_bfi = bfi;
    e.prev_lp_mode = static_cast<int16_t>(lp_mode);
    e.prev_voicing = voicing_in;
    e.prev_high = 1;
    if (bfi) {
        e.c_fe = 4096;
    } else if (!backward) {
        e.c_fe = 0;
    } else {
        e.c_fe = sub(e.c_fe, e.bwd_dominant ? 410 : 2048);
        if (e.c_fe < 0) e.c_fe = 0;
    }
    return dec->faults == faults_before;
}

}  // namespace detail
}  // namespace g729

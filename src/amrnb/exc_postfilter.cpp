// GSM-AMR adaptive post-filter (the reference Post_Filter with its preemphasis and agc): formant
// post-filter A(z/g3)/A(z/g4), tilt compensation and gain control, per 40-sample subframe.
#include <algorithm>
#include <cstring>

#include "amrnb/exc_internal.h"
#include "amrnb/lp_internal.h"
#include "common/basicop.h"
#include "common/mathop.h"
#include "voksc.h"

namespace voks::amrnb {
namespace {

// Powers of the bandwidth-expansion factors, Q15: 0.7 and 0.75 at 10.2 and 12.2 kbit/s, 0.55
// and 0.7 at the other rates.
constexpr int16_t kGamma070[kOrder] = {22938, 16057, 11240, 7868, 5508, 3856, 2699, 1889, 1322, 925};
constexpr int16_t kGamma075[kOrder] = {24576, 18432, 13824, 10368, 7776, 5832, 4374, 3281, 2461, 1846};
constexpr int16_t kGamma055[kOrder] = {18022, 9912, 5451, 2998, 1649, 907, 499, 274, 151, 83};
constexpr int16_t kMu = 26214;      // 0.8: tilt compensation
constexpr int16_t kAgcFac = 29491;  // 0.9: gain smoothing
constexpr int kImpulse = 22;        // truncated impulse response of A(z/g3)/A(z/g4)

void weight(const int16_t* a, const int16_t* fac, int16_t* ap) {
    ap[0] = a[0];
    for (int i = 1; i <= kOrder; ++i) ap[i] = round_fx(L_mult(a[i], fac[i - 1]));
}

// 2 * sum s^2 >> 4, or 2 * sum (s >> 2)^2 (saturating) when the first sum saturates.
int32_t agc_energy(const int16_t* s) {
    int64_t e = 0;
    for (int i = 0; i < kSubframe; ++i) e += int32_t{s[i]} * s[i];
    if (e < 0x40000000) return static_cast<int32_t>(2 * e) >> 4;
    int32_t acc = 0;
    for (int i = 0; i < kSubframe; ++i) {
        const int16_t t = shr(s[i], 2);
        acc = L_mac(acc, t, t);
    }
    return acc;
}

// Scales out[] towards the energy of in[] with the smoothed gain *past (Q12).
void agc(const int16_t* in, int16_t* out, int16_t* past) {
    int32_t s = agc_energy(out);
    if (s == 0) {
        *past = 0;
        return;
    }
    int16_t exp = sub(norm_l(s), 1);
    const int16_t gain_out = round_fx(L_shl(s, exp));
    int16_t g0 = 0;
    s = agc_energy(in);
    if (s != 0) {
        const int16_t i = norm_l(s);
        const int16_t gain_in = round_fx(L_shl(s, i));
        exp = sub(exp, i);
        s = L_shr(L_shl(L_deposit_l(div_s(gain_out, gain_in)), 7), exp);
        g0 = mult(round_fx(L_shl(ownInvSqrt(s), 9)), sub(32767, kAgcFac));
    }
    // The smoothed gains first: once a step leaves the gain unchanged it stays there.
    int16_t g[kSubframe], gain = *past;
    int i = 0;
    for (; i < kSubframe; ++i) {
        const int16_t next = add(mult(gain, kAgcFac), g0);
        g[i] = next;
        if (next == gain) break;
        gain = next;
    }
    for (; i < kSubframe; ++i) g[i] = gain;
    *past = gain;
    // extract_h(L_shl(L_mult(out, gain), 3)): 16 out gain saturated once, then its high half,
    // which is sat16((out gain) >> 12) (|out gain| <= 2^30).
    for (i = 0; i < kSubframe; ++i)
        out[i] = static_cast<int16_t>(std::clamp((int32_t{out[i]} * g[i]) >> 12, -32768, 32767));
}

}  // namespace

void post_filter(const int16_t* a_q, const int16_t* speech, int16_t* preemph_mem, int16_t* past_gain,
                 int16_t* hist, int16_t* syn_mem, int16_t* out, int mode) {
    const bool high = mode == vokRate10200 || mode == vokRate12200;
    int16_t work[kOrder + kFrame];  // the input with its 10 past samples; out may alias speech
    std::memcpy(work, hist, kOrder * sizeof(int16_t));
    std::memcpy(work + kOrder, speech, kFrame * sizeof(int16_t));
    int16_t syn[kOrder + kSubframe];
    std::memcpy(syn, syn_mem, kOrder * sizeof(int16_t));
    for (int k = 0; k < 4; ++k) {
        const int16_t* a = a_q + k * (kOrder + 1);
        const int16_t* x = work + kOrder + k * kSubframe;
        int16_t ap3[kOrder + 1], ap4[kOrder + 1], res[kSubframe];
        weight(a, high ? kGamma070 : kGamma055, ap3);
        weight(a, high ? kGamma075 : kGamma070, ap4);
        residu(ap3, x, res, kSubframe);

        // Tilt factor from the first two correlations of the truncated impulse response.
        int16_t h[kOrder + kImpulse] = {};
        std::memcpy(h + kOrder, ap3, sizeof ap3);
        syn_filt(ap4, h + kOrder, h + kOrder, kImpulse);
        const int16_t* hh = h + kOrder;
        // The L_mac chains from 0: of squares, saturated once at the end; of neighbour
        // products, exact unless the sum of their magnitudes reaches 2^30.
        int64_t e0 = 0, e1 = 0, m1 = 0;
        for (int i = 0; i < kImpulse; ++i) e0 += int32_t{hh[i]} * hh[i];
        for (int i = 0; i < kImpulse - 1; ++i) {
            const int32_t p = int32_t{hh[i]} * hh[i + 1];
            e1 += p;
            m1 += p < 0 ? -int64_t{p} : p;
        }
        const int32_t r0 = static_cast<int32_t>(2 * e0 > MAX_32 ? MAX_32 : 2 * e0);
        int32_t r1 = static_cast<int32_t>(2 * e1);
        if (m1 >= (int64_t{1} << 30)) {
            r1 = 0;
            for (int i = 0; i < kImpulse - 1; ++i) r1 = L_mac(r1, hh[i], hh[i + 1]);
        }
        const int16_t t1 = extract_h(r0), t2 = extract_h(r1);
        const int16_t mu = t2 <= 0 ? int16_t{0} : div_s(mult(t2, kMu), t1);

        // Tilt compensation against the uncompensated previous sample; mu >= 0, so mult(mu, r)
        // = (mu r) >> 15 never saturates.
        int16_t prev[kSubframe];
        prev[0] = *preemph_mem;
        std::memcpy(prev + 1, res, (kSubframe - 1) * sizeof(int16_t));
        *preemph_mem = res[kSubframe - 1];
        for (int i = 0; i < kSubframe; ++i)
            res[i] = static_cast<int16_t>(std::clamp(res[i] - ((mu * prev[i]) >> 15), -32768, 32767));

        // Synthesis through 1/A(z/g4); the filter memory keeps the output before the gain control.
        syn_filt(ap4, res, syn + kOrder, kSubframe);
        int16_t* y = out + k * kSubframe;
        std::memcpy(y, syn + kOrder, kSubframe * sizeof(int16_t));
        std::memcpy(syn, syn + kSubframe, kOrder * sizeof(int16_t));
        agc(x, y, past_gain);
    }
    std::memcpy(syn_mem, syn, kOrder * sizeof(int16_t));
    std::memcpy(hist, work + kFrame, kOrder * sizeof(int16_t));
}

}  // namespace voks::amrnb

// G.729 gain quantisers (8 kbit/s and Annex D 6.4 kbit/s), gain decoders with erasure
// concealment, and the floating-point gain-codebook searches.
#include "g729/gain_internal.h"
#include "g729/kernels.h"

#include "common/basicop.h"
#include "common/kernels.h"
#include "g729/g729_mathop.h"
#include "g729/gain_tables.h"

namespace voks::g729 {
namespace {

constexpr int kSubfr = 40;
constexpr int16_t kGpClip2 = 481;   // pitch-gain limit under taming, Q9
constexpr int16_t kGp0999 = 16383;  // pitch-gain limit of the taming search, Q14

// The quantiser's tables and fixed-point constants of one rate.
struct GainBook {
    const int16_t (*gbk1)[2];
    const int16_t (*gbk2)[2];
    int ncode1, ncode2, ncan1, ncan2;
    const int16_t* thr1;
    const int16_t* thr2;
    const int16_t (*coef)[2];
    const int32_t (*lcoef)[2];
    int16_t invCoef;
    int16_t gain1Shift;  // Q shift of the unquantised code gain in the pre-selection
    int16_t sftY;        // alignment of the first-stage threshold products
    int16_t expMin2, expMin3, expMin4;
    bool annexD;  // correction factors in Q14, halved before use
};

constexpr GainBook kBook8k{kGbk1,  kGbk2,    8, 16, 4,  8, kThr1, kThr2, kCoef,
                           kLCoef, kInvCoef, 7, 3,  21, 3, 4,     false};
constexpr GainBook kBook6k{kGbk1_6k,  kGbk2_6k,    8, 8, 6,  6, kThr1_6k, kThr2_6k, kCoef_6k,
                           kLCoef_6k, kInvCoef_6k, 6, 2, 19, 2, 3,        true};

// The L_mac chain 1 + sum L_mult(a[i], b[i]) over the subframe (energies ea, eb): exact when no
// partial sum can saturate, step by step otherwise.
int32_t chain_from_1(const int16_t* a, const int16_t* b, int64_t ea, int64_t eb) {
    int32_t acc;
    if (ownMacChainExact(1, ea, eb, a, b, kSubfr, acc)) return acc;
    acc = 1;
    for (int i = 0; i < kSubfr; ++i) acc = L_mac(acc, a[i], b[i]);
    return acc;
}

// Correlations of Corr_xy2 appended to the G_pitch terms: <y2,y2>, -2<x,y2>, 2<y1,y2>.
void corr_xy2(const int16_t* x, const int16_t* y1, const int16_t* y2, int64_t ex, int64_t ey1, int16_t* g,
              int16_t* e) {
    const common::Kernels& k = common::kernels();
    int16_t sy2[kSubfr];
    for (int i = 0; i < kSubfr; ++i) sy2[i] = static_cast<int16_t>(y2[i] >> 3);
    // The squares of y2 / 8 sum to at most 40 * 2^24: that chain never saturates.
    const int64_t e2 = k.energy(sy2, kSubfr);
    int32_t acc = static_cast<int32_t>(1 + 2 * e2);
    int16_t n = norm_l(acc);
    g[2] = round_fx(ownNormShift(acc, n));
    e[2] = add(n, 19 - 16);
    acc = chain_from_1(x, sy2, ex, e2);
    n = norm_l(acc);
    g[3] = negate(round_fx(ownNormShift(acc, n)));
    e[3] = sub(add(n, 10 - 16), 1);
    acc = chain_from_1(y1, sy2, ey1, e2);
    n = norm_l(acc);
    g[4] = round_fx(ownNormShift(acc, n));
    e[4] = sub(add(n, 10 - 16), 1);
}

// Pre-selection of the first rows of the candidate windows from the unquantised gains.
void presel(const GainBook& bk, const int16_t best[2], int16_t gcode0, int& cand1, int& cand2) {
    const int32_t cfbg = L_mult(bk.coef[0][0], best[0]);
    int32_t acc = L_add(cfbg, L_shr(bk.lcoef[1][1], 15));
    int16_t h = extract_h(acc);
    int32_t preg = L_mult(h, gcode0);
    acc = L_sub(L_shl(L_deposit_l(best[1]), bk.gain1Shift), preg);
    h = extract_h(L_shl(acc, 2));
    const int32_t tx = L_mult(h, bk.invCoef);

    acc = L_sub(cfbg, L_shr(bk.lcoef[0][1], 10));
    h = mult(extract_h(acc), gcode0);
    const int32_t t = L_mult(h, bk.coef[1][0]);
    preg = L_mult(bk.coef[0][0], best[1]);
    acc = L_sub(t, L_shr(preg, 3));
    h = extract_h(L_shl(acc, 2));
    const int32_t ty = L_mult(h, bk.invCoef);
    constexpr int16_t kSftX = 5;

    const int last1 = bk.ncode1 - bk.ncan1, last2 = bk.ncode2 - bk.ncan2;
    cand1 = 0;
    cand2 = 0;
    if (gcode0 > 0) {
        while (L_sub(ty, L_shr(L_mult(bk.thr1[cand1], gcode0), bk.sftY)) > 0 && ++cand1 < last1) {
        }
        while (L_sub(tx, L_shr(L_mult(bk.thr2[cand2], gcode0), kSftX)) > 0 && ++cand2 < last2) {
        }
    } else {
        while (L_sub(ty, L_shr(L_mult(bk.thr1[cand1], gcode0), bk.sftY)) < 0 && ++cand1 < last1) {
        }
        while (L_sub(tx, L_shr(L_mult(bk.thr2[cand2], gcode0), kSftX)) < 0 && ++cand2 < last2) {
        }
    }
}

// Mantissa of a * b - c * d style terms of the unquantised optimum, as in Qua_gain.
int16_t combine(int32_t t1, int16_t e1, int32_t t2, int16_t e2, int16_t& expOut) {
    int32_t t;
    int16_t e;
    if (sub(e1, e2) > 0) {
        t = L_sub(L_shr(t1, add(sub(e1, e2), 1)), L_shr(t2, 1));
        e = sub(e2, 1);
    } else {
        t = L_sub(L_shr(t1, 1), L_shr(t2, add(sub(e2, e1), 1)));
        e = sub(e1, 1);
    }
    const int16_t sft = norm_l(t);
    expOut = sub(add(e, sft), 16);
    return extract_h(ownNormShift(t, sft));
}

void quantise(const GainBook& bk, const int16_t* x, const int16_t* y1, const int16_t* code, const int16_t* y2,
              int16_t* past, int16_t* gains, int16_t* idx, int16_t taming) {
    // Correlation terms: <y1,y1>, -2<x,y1>, <y2,y2>, -2<x,y2>, 2<y1,y2> with their Q formats.
    int16_t gp[4];
    int64_t energy_y1 = 0, energy_x = 0;
    ownPitchGain(0, y1, x, gp, energy_y1, energy_x);
    if (gp[2] <= 0) gp[3] = -15;
    int16_t g[5], ex[5];
    g[0] = gp[0];
    ex[0] = negate(gp[1]);
    g[1] = negate(gp[2]);
    ex[1] = negate(add(gp[3], 1));
    corr_xy2(x, y1, y2, energy_x, energy_y1, g, ex);

    int16_t gcode0 = 0, expG = 0;
    ownGainPredict(past, ownInnovationEnergy(code, kSubfr), gcode0, expG);

    // -1 / (4 c0 c2 - c4^2)
    int32_t t1 = L_mult(g[0], g[2]);
    int16_t e1 = add(add(ex[0], ex[2]), 1 - 2);
    int32_t t2 = L_mult(g[4], g[4]);
    int16_t e2 = add(add(ex[4], ex[4]), 1);
    int32_t t;
    int16_t e;
    if (sub(e1, e2) > 0) {
        t = L_sub(L_shr(t1, sub(e1, e2)), t2);
        e = e2;
    } else {
        t = L_sub(t1, L_shr(t2, sub(e2, e1)));
        e = e1;
    }
    int16_t sft = norm_l(t);
    const int16_t denom = extract_h(ownNormShift(t, sft));
    const int16_t expDenom = sub(add(e, sft), 16);
    const int16_t invDenom = negate(div_s(16384, denom));
    const int16_t expInv = sub(14 + 15, expDenom);

    int16_t best[2];
    int16_t expNum = 0;
    // best[0] = (2 c2 c1 - c3 c4) * inv, Q9
    int16_t num =
        combine(L_mult(g[2], g[1]), add(ex[2], ex[1]), L_mult(g[3], g[4]), add(add(ex[3], ex[4]), 1), expNum);
    sft = sub(add(expNum, expInv), 9 + 16 - 1);
    best[0] = extract_h(L_shr(L_mult(num, invDenom), sft));
    if (taming == 1 && sub(best[0], kGpClip2) > 0) best[0] = kGpClip2;
    // best[1] = (2 c0 c3 - c1 c4) * inv, Q2
    num =
        combine(L_mult(g[0], g[3]), add(ex[0], ex[3]), L_mult(g[1], g[4]), add(add(ex[1], ex[4]), 1), expNum);
    sft = sub(add(expNum, expInv), 2 + 16 - 1);
    best[1] = extract_h(L_shr(L_mult(num, invDenom), sft));

    int16_t gcode0Q4;
    if (sub(expG, 4) >= 0)
        gcode0Q4 = shr(gcode0, sub(expG, 4));
    else
        gcode0Q4 = extract_h(L_shl(L_deposit_l(gcode0), sub(4 + 16, expG)));

    int cand1 = 0, cand2 = 0;
    presel(bk, best, gcode0Q4, cand1, cand2);

    // Align the five terms to a common exponent in double precision.
    int16_t expMin[5];
    expMin[0] = add(ex[0], 13);
    expMin[1] = add(ex[1], 14);
    expMin[2] = add(ex[2], sub(shl(expG, 1), bk.expMin2));
    expMin[3] = add(ex[3], sub(expG, bk.expMin3));
    expMin[4] = add(ex[4], sub(expG, bk.expMin4));
    int16_t eMin = expMin[0];
    for (int i = 1; i < 5; ++i)
        if (expMin[i] < eMin) eMin = expMin[i];
    int16_t hi[5], lo[5];
    for (int i = 0; i < 5; ++i) L_Extract(L_shr(L_deposit_h(g[i]), sub(expMin[i], eMin)), hi[i], lo[i]);

    // Candidate gains of the ncan1 x ncan2 window, then their weighted errors.
    int16_t gpv[36], gcv[36];
    int32_t dist[36];
    const int n = bk.ncan1 * bk.ncan2;
    // The sum of two table entries halves into 16 bits, so extract_l(L_shr(L_add(..), 1)) is
    // (a + b) >> 1; mult() and add() saturate as the clamps below.
    for (int i = 0, k = 0; i < bk.ncan1; ++i) {
        const int32_t p1 = bk.gbk1[cand1 + i][0], c1 = bk.gbk1[cand1 + i][1];
        for (int j = 0; j < bk.ncan2; ++j, ++k) {
            const int32_t p = p1 + bk.gbk2[cand2 + j][0];
            gpv[k] = static_cast<int16_t>(p > MAX_16 ? MAX_16 : p);
            const int32_t c = (int32_t{gcode0} * ((c1 + bk.gbk2[cand2 + j][1]) >> 1)) >> 15;
            gcv[k] = static_cast<int16_t>(c > MAX_16 ? MAX_16 : (c < MIN_16 ? MIN_16 : c));
        }
    }
    kernels().quant_dist(hi, lo, gpv, gcv, dist, n);
    // L_sub(d, min) < 0 has the sign of the exact difference: a plain comparison.
    int32_t distMin = MAX_32;
    int pick = -1;
    for (int k = 0; k < n; ++k) {
        if (taming == 1 && gpv[k] >= kGp0999) continue;
        if (dist[k] < distMin) {
            distMin = dist[k];
            pick = k;
        }
    }
    const int index1 = pick < 0 ? cand1 : cand1 + pick / bk.ncan2;
    const int index2 = pick < 0 ? cand2 : cand2 + pick % bk.ncan2;

    gains[0] = add(bk.gbk1[index1][0], bk.gbk2[index2][0]);
    int32_t gbk12 = L_add(L_deposit_l(bk.gbk1[index1][1]), L_deposit_l(bk.gbk2[index2][1]));
    int32_t acc;
    if (bk.annexD) {
        gbk12 = L_shr(gbk12, 1);
        acc = L_mult(extract_l(gbk12), gcode0);
        acc = L_shl(acc, add(negate(expG), -13 - 1 + 1 + 16));
    } else {
        acc = L_mult(extract_l(L_shr(gbk12, 1)), gcode0);
        acc = L_shl(acc, add(negate(expG), -12 - 1 + 1 + 16));
    }
    gains[1] = extract_h(acc);
    ownGainUpdate(past, gbk12);
    idx[0] = static_cast<int16_t>(index1);
    idx[1] = static_cast<int16_t>(index2);
}

// Plain sum of squares as the reference's saturating doubled accumulation sees it.
int32_t doubled_energy(int32_t energy) {
    return sat32(int64_t{energy} * 2);
}

// Distances of the n1 x n2 candidate pairs from the rows (s1, s2) on; the first smallest wins.
void search32f(const float* c, int s1, int s2, int n1, int n2, int taming, float g0, const float (*b1)[2],
               const float (*b2)[2], int& i1, int& i2) {
    float gp[48], gcs[48], d[48];
    for (int i = 0; i < n1; ++i)
        for (int j = 0; j < n2; ++j) {
            gp[i * n2 + j] = b1[s1 + i][0] + b2[s2 + j][0];
            gcs[i * n2 + j] = b1[s1 + i][1] + b2[s2 + j][1];
        }
    kernels().gain_dist(c, gp, gcs, g0, d, n1 * n2);
    float distMin = 3.402823466e+38f;
    i1 = s1;
    i2 = s2;
    for (int k = 0; k < n1 * n2; ++k) {
        if (taming == 1 && !(gp[k] < 0.9999f)) continue;
        if (d[k] < distMin) {
            distMin = d[k];
            i1 = s1 + k / n2;
            i2 = s2 + k % n2;
        }
    }
}

}  // namespace

void gain_quant(const int16_t* x, const int16_t* y1, const int16_t* code, const int16_t* y2, int16_t* past,
                int16_t* gains, int16_t* idx, int16_t taming, bool annexD) {
    quantise(annexD ? kBook6k : kBook8k, x, y1, code, y2, past, gains, idx, taming);
}

void decode_gain(int32_t energy, int16_t* past, const int16_t* idx, int16_t* gains) {
    if (idx == nullptr) {
        gains[0] = mult(gains[0], 29491);
        if (gains[0] > 29491) gains[0] = 29491;
        gains[1] = mult(gains[1], 32111);
        ownGainUpdateErasure(past);
        return;
    }
    const int ga = kImap1[idx[0] & 7];
    const int gb = kImap2[idx[1] & 15];
    gains[0] = add(kGbk1[ga][0], kGbk2[gb][0]);
    int16_t gcode0 = 0, expG = 0;
    ownGainPredict(past, doubled_energy(energy), gcode0, expG);
    const int32_t gbk12 = L_add(L_deposit_l(kGbk1[ga][1]), L_deposit_l(kGbk2[gb][1]));
    int32_t acc = L_mult(extract_l(L_shr(gbk12, 1)), gcode0);
    acc = L_shl(acc, add(negate(expG), -12 - 1 + 1 + 16));
    gains[1] = extract_h(acc);
    ownGainUpdate(past, gbk12);
}

void decode_gain_6k(int32_t energy, int16_t attenuation, int16_t* past, const int16_t* idx, int16_t* gains) {
    if (idx == nullptr) {
        gains[0] = mult(gains[0], attenuation);
        gains[1] = mult(gains[1], attenuation);
        ownGainUpdateErasure(past);
        return;
    }
    const int ga = kImap1_6k[idx[0] & 7];
    const int gb = kImap2_6k[idx[1] & 7];
    gains[0] = add(kGbk1_6k[ga][0], kGbk2_6k[gb][0]);
    int16_t gcode0 = 0, expG = 0;
    ownGainPredict(past, doubled_energy(energy), gcode0, expG);
    const int32_t gbk12 = L_shr(L_add(L_deposit_l(kGbk1_6k[ga][1]), L_deposit_l(kGbk2_6k[gb][1])), 1);
    int32_t acc = L_mult(extract_l(gbk12), gcode0);
    acc = L_shl(acc, add(negate(expG), -13 - 1 + 1 + 16));
    gains[1] = extract_h(acc);
    ownGainUpdate(past, gbk12);
}

void gain_search_32f(const float* corr, const int32_t* cand, int32_t* index, int32_t taming, float gcode0,
                     bool annexD) {
    int i1 = 0, i2 = 0;
    if (annexD)
        search32f(corr, cand[0], cand[1], 6, 6, taming, gcode0, kGbk1_6k_f, kGbk2_6k_f, i1, i2);
    else
        search32f(corr, cand[0], cand[1], 4, 8, taming, gcode0, kGbk1_f, kGbk2_f, i1, i2);
    index[0] = i1;
    index[1] = i2;
}

}  // namespace voks::g729

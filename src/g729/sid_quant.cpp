// The SID spectrum quantiser of G.729 Annex B (lsfq_noise) and its decoder (sid_lsfq_decode):
// two MA predictors, a 32-entry first stage drawn from the G.729 first-stage codebook with four
// survivors per predictor, and a 16-entry second stage drawn from the second-stage codebook.
#include "common/basicop.h"
#include "g729/lp_internal.h"
#include "g729/lp_tables.h"
#include "g729/sid_internal.h"
#include "g729/sid_tables.h"

namespace voks::g729 {

namespace {

constexpr int kHalf = kOrder / 2;
constexpr int kSurvivors = kSidSurvivors;
constexpr int16_t kGap3 = 321, kLsfFloorQ13 = 40, kLsfCeilQ13 = 25681;  // Q13

// Second-stage codebook row of entry i2 for coefficient j.
const int16_t* cb2_row(int i2, int j) {
    return kLspCb2[kSidCb2Rows[j < kHalf ? 0 : 1][i2]];
}

// The quantised residual of indices i1, i2, its neighbours pulled at least 10 (Q13) apart in
// one pass; the half-distance is computed exactly in 32 bits.
void residual(int i1, int i2, int16_t* buf) {
    const int16_t* cb1 = kLspCb1[kSidCb1Rows[i1]];
    for (int j = 0; j < kOrder; ++j) buf[j] = add(cb1[j], cb2_row(i2, j)[j]);
    for (int j = 1; j < kOrder; ++j) {
        const int16_t k = static_cast<int16_t>((int32_t{buf[j - 1]} - buf[j] + 10) >> 1);
        if (k > 0) {
            buf[j - 1] = sub(buf[j - 1], k);
            buf[j] = add(buf[j], k);
        }
    }
}

// Spacing of the input LSFs to about 100 Hz before the search.
void space(int16_t* lsf) {
    if (lsf[0] < kLsfFloorQ13) lsf[0] = kLsfFloorQ13;
    for (int i = 0; i < kOrder - 1; ++i)
        if (sub(lsf[i + 1], lsf[i]) < 2 * kGap3) lsf[i + 1] = add(lsf[i], 2 * kGap3);
    if (lsf[kOrder - 1] > kLsfCeilQ13) lsf[kOrder - 1] = kLsfCeilQ13;
    if (lsf[kOrder - 1] < lsf[kOrder - 2]) lsf[kOrder - 2] = sub(lsf[kOrder - 1], kGap3);
}

}  // namespace

int sid_lsf_decode(const int16_t* idx, int16_t* mem, int16_t* lsf) {
    const int mode = idx[0];
    int16_t buf[kOrder];
    residual(idx[1], idx[2], buf);
    lsf_prev_compose(buf, lsf, kNoiseFg[mode], mem, kNoiseFgSum[mode]);
    lsf_mem_push(mem, buf);
    return lsf_stability(lsf);
}

int sid_lsf_quant(const int16_t* lsf_in, int16_t* mem, int16_t* lsf_q, int16_t* idx) {
    int16_t lsf[kOrder], w[kOrder], target[2][kOrder];
    for (int j = 0; j < kOrder; ++j) lsf[j] = lsf_in[j];
    space(lsf);
    lsf_weights(lsf, w);
    for (int mode = 0; mode < 2; ++mode)
        lsf_prev_extract(lsf, target[mode], kNoiseFg[mode], mem, kNoiseFgSumInv[mode]);

    // First stage (ownMLSearch1): weighted squared error of every entry under both predictors;
    // the four smallest survive, first found on ties.
    int16_t dist[2][32];
    for (int p = 0; p < 2; ++p)
        for (int m = 0; m < 32; ++m) {
            const int16_t* cb = kLspCb1[kSidCb1Rows[m]];
            int32_t acc = 0;
            for (int l = 0; l < kOrder; ++l) {
                const int16_t t = sub(target[p][l], cb[l]);
                acc = L_mac(acc, t, t);
            }
            dist[p][m] = mult(extract_h(acc), kSidModeWeight[p]);
        }
    int sp[kSurvivors], sm[kSurvivors];
    sid_survivors(dist, int16_t{MAX_16}, sp, sm);
    int16_t stage2[kSurvivors][kOrder];
    for (int q = 0; q < kSurvivors; ++q) {
        const int16_t* cb = kLspCb1[kSidCb1Rows[sm[q]]];
        for (int l = 0; l < kOrder; ++l) stage2[q][l] = sub(target[sp[q]][l], cb[l]);
    }

    // Second stage (ownMLSearch2): error weighted by w and the square of the survivor's fg_sum;
    // the smallest over survivors and entries picks the predictor and both indices.
    int16_t best = MAX_16;
    int bq = 0, bm = 0;
    for (int q = 0; q < kSurvivors; ++q) {
        int16_t wf[kOrder];
        for (int l = 0; l < kOrder; ++l) {
            const int16_t s = kNoiseFgSum[sp[q]][l];
            wf[l] = mult(extract_h(L_shl(L_mult(s, s), 2)), w[l]);
        }
        for (int m = 0; m < 16; ++m) {
            int32_t acc = 0;
            for (int l = 0; l < kOrder; ++l) {
                const int16_t t2 = sub(stage2[q][l], cb2_row(m, l)[l]);
                const int16_t t1 = extract_h(L_shl(L_mult(wf[l], t2), 3));
                acc = L_mac(acc, t1, t2);
            }
            const int16_t d = extract_h(acc);
            if (d < best) {
                best = d;
                bq = q;
                bm = m;
            }
        }
    }
    idx[0] = static_cast<int16_t>(sp[bq]);
    idx[1] = static_cast<int16_t>(sm[bq]);
    idx[2] = static_cast<int16_t>(bm);
    return sid_lsf_decode(idx, mem, lsf_q);
}

}  // namespace voks::g729

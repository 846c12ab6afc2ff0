// Single-precision SID spectrum quantiser and decoder (the floating-point Annex B routines
// lsfq_noise and sid_lsfq_decode): the search of sid_quant.cpp in float, LSFs in radians, the
// quantised spectrum delivered as LSPs.
#include <cmath>

#include "g729/lp_internal.h"
#include "g729/lp_tables.h"
#include "g729/sid_internal.h"
#include "g729/sid_tables.h"

namespace voks::g729 {

namespace {

constexpr int kHalf = kOrder / 2;
constexpr int kSurvivors = kSidSurvivors;
constexpr float kGap1 = 0.0012f, kGap3 = 0.0392f, kFloor = 0.005f, kCeiling = 3.135f;
constexpr float kHuge = 1.e38f;

const float* cb2_row(int i2, int j) {
    return kLspCb2F[kSidCb2Rows[j < kHalf ? 0 : 1][i2]];
}

void to_lsp(const float* lsf, float* lsp) {
    for (int j = 0; j < kOrder; ++j) lsp[j] = static_cast<float>(std::cos(static_cast<double>(lsf[j])));
}

// Composes the LSFs of the residual under predictor `mode`, shifts mem and delivers LSPs.
void compose(const float* res, int mode, float* mem, float* lsp) {
    float lsf[kOrder];
    lsf_prev_compose_f(res, lsf, kNoiseFgF[mode], mem, kNoiseFgSumF[mode]);
    lsf_mem_push_f(mem, res);
    lsf_stability_f(lsf);
    to_lsp(lsf, lsp);
}

void residual(int i1, int i2, float* buf) {
    const float* cb1 = kLspCb1F[kSidCb1Rows[i1]];
    for (int j = 0; j < kOrder; ++j) buf[j] = cb1[j] + cb2_row(i2, j)[j];
    lsf_expand_f(buf, kGap1, 1, kOrder);
}

}  // namespace

void sid_lsf_decode_f(const int32_t* idx, float* mem, float* lsp) {
    float buf[kOrder];
    residual(idx[1], idx[2], buf);
    compose(buf, idx[0], mem, lsp);
}

void sid_lsf_quant_f(const float* lsf_in, float* mem, float* lsp_q, int32_t* idx) {
    float lsf[kOrder], w[kOrder], target[2][kOrder];
    for (int j = 0; j < kOrder; ++j) lsf[j] = lsf_in[j];
    if (lsf[0] < kFloor) lsf[0] = kFloor;
    for (int i = 0; i < kOrder - 1; ++i)
        if (lsf[i + 1] - lsf[i] < 2 * kGap3) lsf[i + 1] = lsf[i] + 2 * kGap3;
    if (lsf[kOrder - 1] > kCeiling) lsf[kOrder - 1] = kCeiling;
    if (lsf[kOrder - 1] < lsf[kOrder - 2]) lsf[kOrder - 2] = lsf[kOrder - 1] - kGap3;
    lsf_weights_f(lsf, w);
    for (int mode = 0; mode < 2; ++mode)
        lsf_prev_extract_f(lsf, target[mode], kNoiseFgF[mode], mem, kNoiseFgSumInvF[mode]);

    float dist[2][32];
    for (int p = 0; p < 2; ++p)
        for (int m = 0; m < 32; ++m) {
            const float* cb = kLspCb1F[kSidCb1Rows[m]];
            float s = 0.0f;
            for (int l = 0; l < kOrder; ++l) s += (target[p][l] - cb[l]) * (target[p][l] - cb[l]);
            dist[p][m] = s * kSidModeWeightF[p];
        }
    int sp[kSurvivors], sm[kSurvivors];
    sid_survivors(dist, float{kHuge}, sp, sm);
    float stage2[kSurvivors][kOrder];
    for (int q = 0; q < kSurvivors; ++q) {
        const float* cb = kLspCb1F[kSidCb1Rows[sm[q]]];
        for (int l = 0; l < kOrder; ++l) stage2[q][l] = target[sp[q]][l] - cb[l];
    }

    float best = kHuge;
    int bq = 0, bm = 0;
    for (int q = 0; q < kSurvivors; ++q)
        for (int m = 0; m < 16; ++m) {
            float s = 0.0f;
            for (int l = 0; l < kOrder; ++l) {
                const float f = kNoiseFgSumF[sp[q]][l], e = stage2[q][l] - cb2_row(m, l)[l];
                s += w[l] * (f * f) * (e * e);
            }
            if (s < best) {
                best = s;
                bq = q;
                bm = m;
            }
        }
    idx[0] = sp[bq];
    idx[1] = sm[bq];
    idx[2] = bm;
    sid_lsf_decode_f(idx, mem, lsp_q);
}

}  // namespace voks::g729

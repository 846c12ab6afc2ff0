// Switched-MA predictive two-stage LSF quantiser of G.729 (Lsp_qua_cs and its Annex E form), its
// decoder (Lsp_iqua_cs) and the frame-erasure update of the predictor memory.
#include <algorithm>
#include <cstring>

#include "common/basicop.h"
#include "g729/kernels.h"
#include "g729/lp_internal.h"
#include "g729/lp_tables.h"

namespace voks::g729 {

namespace {

constexpr int kHalf = kOrder / 2;
constexpr int16_t kGap1 = 10, kGap2 = 5, kGap3 = 321;  // Q13
constexpr int16_t kLsfFloorQ13 = 40, kLsfCeilQ13 = 25681;

}  // namespace

// Lsp_get_wegt: weights from the distances between neighbouring LSFs, normalised.
void lsf_weights(const int16_t* lsf, int16_t* w) {
    constexpr int16_t kPi04 = 1029, kPi92 = 23677, kConst10 = 10 * 2048, kConst12 = 19661;
    int16_t buf[kOrder];
    buf[0] = sub(lsf[1], kPi04 + 8192);
    for (int i = 1; i < kOrder - 1; ++i) buf[i] = sub(sub(lsf[i + 1], lsf[i - 1]), 8192);
    buf[kOrder - 1] = sub(kPi92 - 8192, lsf[kOrder - 2]);
    for (int i = 0; i < kOrder; ++i) {
        if (buf[i] > 0) {
            w[i] = 2048;
        } else {
            int16_t t = extract_h(L_shl(L_mult(buf[i], buf[i]), 2));
            t = extract_h(L_shl(L_mult(t, kConst10), 2));
            w[i] = add(t, 2048);
        }
    }
    w[4] = extract_h(L_shl(L_mult(w[4], kConst12), 1));
    w[5] = extract_h(L_shl(L_mult(w[5], kConst12), 1));
    int16_t top = 0;
    for (int i = 0; i < kOrder; ++i)
        if (w[i] > top) top = w[i];
    const int16_t s = norm_s(top);
    for (int i = 0; i < kOrder; ++i) w[i] = shl(w[i], s);
}

// Lsp_prev_extract: target residual (lsf - MA prediction) / fg_sum.
void lsf_prev_extract(const int16_t* lsf, int16_t* res, const int16_t (*fg)[kOrder], const int16_t* mem,
                      const int16_t* fg_sum_inv) {
    for (int j = 0; j < kOrder; ++j) {
        int32_t t = L_deposit_h(lsf[j]);
        for (int k = 0; k < kMaPred; ++k) t = L_msu(t, mem[k * kOrder + j], fg[k][j]);
        res[j] = extract_h(L_shl(L_mult(extract_h(t), fg_sum_inv[j]), 3));
    }
}

// Lsp_prev_compose: lsf = residual * fg_sum + MA prediction.
void lsf_prev_compose(const int16_t* res, int16_t* lsf, const int16_t (*fg)[kOrder], const int16_t* mem,
                      const int16_t* fg_sum) {
    // Every partial sum of element j is at most 2 m (|fg_sum[j]| + sum_k |fg[k][j]|) with m the
    // largest magnitude read; below 2^31 for every j the chain is the plain sum (a loop that
    // vectorises).
    int32_t m = 0, w = 0;
    for (int j = 0; j < kOrder; ++j) {
        int32_t wj = fg_sum[j] < 0 ? -int32_t{fg_sum[j]} : fg_sum[j];
        m = std::max(m, res[j] < 0 ? -int32_t{res[j]} : int32_t{res[j]});
        for (int k = 0; k < kMaPred; ++k) {
            wj += fg[k][j] < 0 ? -int32_t{fg[k][j]} : fg[k][j];
            const int16_t v = mem[k * kOrder + j];
            m = std::max(m, v < 0 ? -int32_t{v} : int32_t{v});
        }
        w = std::max(w, wj);
    }
    if (int64_t{m} * w < (int64_t{1} << 30)) {
        for (int j = 0; j < kOrder; ++j) {
            int32_t acc = res[j] * fg_sum[j];
            for (int k = 0; k < kMaPred; ++k) acc += mem[k * kOrder + j] * fg[k][j];
            lsf[j] = static_cast<int16_t>((2 * acc) >> 16);
        }
        return;
    }
    for (int j = 0; j < kOrder; ++j) {
        int32_t acc = L_mult(res[j], fg_sum[j]);
        for (int k = 0; k < kMaPred; ++k) acc = L_mac(acc, mem[k * kOrder + j], fg[k][j]);
        lsf[j] = extract_h(acc);
    }
}

// Lsp_stability; returns the LsfFlags applied.
int lsf_stability(int16_t* lsf) {
    int flags = 0;
    for (int j = 0; j < kOrder - 1; ++j)
        if (lsf[j + 1] < lsf[j]) {
            const int16_t t = lsf[j + 1];
            lsf[j + 1] = lsf[j];
            lsf[j] = t;
        }
    if (lsf[0] < kLsfFloorQ13) {
        lsf[0] = kLsfFloorQ13;
        flags |= kLsfFloor;
    }
    for (int j = 0; j < kOrder - 1; ++j)
        if (int32_t{lsf[j + 1]} - lsf[j] < kGap3) lsf[j + 1] = add(lsf[j], kGap3);
    if (lsf[kOrder - 1] > kLsfCeilQ13) {
        lsf[kOrder - 1] = kLsfCeilQ13;
        flags |= kLsfCeiling;
    }
    return flags;
}

namespace {

// Lsp_expand over elements [from, to): pulls neighbours at least `gap` apart.
void expand(int16_t* buf, int16_t gap, int from, int to) {
    for (int j = from; j < to; ++j) {
        const int16_t t = shr(add(sub(buf[j - 1], buf[j]), gap), 1);
        if (t > 0) {
            buf[j - 1] = sub(buf[j - 1], t);
            buf[j] = add(buf[j], t);
        }
    }
}

// Codebook vector with the two expansion passes (Lsp_get_quant up to the composition).
void codebook_vector(int l1, int l2, int l3, int16_t* buf) {
    for (int j = 0; j < kHalf; ++j) buf[j] = add(kLspCb1[l1][j], kLspCb2[l2][j]);
    for (int j = kHalf; j < kOrder; ++j) buf[j] = add(kLspCb1[l1][j], kLspCb2[l3][j]);
    expand(buf, kGap1, 1, kOrder);
    expand(buf, kGap2, 1, kOrder);
}

// The encoder search of Relspwed: writes idx = (mode, L1, L2, L3).
void search(const int16_t* lsf, const int16_t* mem, int16_t* idx) {
    const Kernels& kt = kernels();
    int16_t w[kOrder];
    lsf_weights(lsf, w);
    int cand[2], i1[2], i2[2];
    int32_t tdist[2];
    for (int mode = 0; mode < 2; ++mode) {
        int16_t rbuf[kOrder], buf[kOrder], t[kOrder];
        lsf_prev_extract(lsf, rbuf, kFg[mode], mem, kFgSumInv[mode]);
        int32_t d1[128], d2[32];
        kt.pre_select_dist(rbuf, d1);
        const int c = kt.arg_min(d1, 128);
        for (int j = 0; j < kOrder; ++j) t[j] = sub(rbuf[j], kLspCb1[c][j]);
        kt.second_stage_dist(t, w, 0, d2);
        const int a = kt.arg_min(d2, 32);
        kt.second_stage_dist(t, w, 1, d2);
        const int b = kt.arg_min(d2, 32);
        for (int j = 0; j < kHalf; ++j) buf[j] = add(kLspCb1[c][j], kLspCb2[a][j]);
        for (int j = kHalf; j < kOrder; ++j) buf[j] = add(kLspCb1[c][j], kLspCb2[b][j]);
        expand(buf, kGap1, 1, kOrder);
        expand(buf, kGap2, 1, kOrder);
        // Lsp_get_tdist: weighted distance of the prediction-scaled error.
        int32_t dist = 0;
        for (int j = 0; j < kOrder; ++j) {
            const int16_t e = mult(sub(buf[j], rbuf[j]), kFgSum[mode][j]);
            const int16_t we = extract_h(L_shl(L_mult(w[j], e), 4));
            dist = L_mac(dist, we, e);
        }
        cand[mode] = c;
        i1[mode] = a;
        i2[mode] = b;
        tdist[mode] = dist;
    }
    const int m = L_sub(tdist[1], tdist[0]) < 0 ? 1 : 0;
    idx[0] = static_cast<int16_t>(m);
    idx[1] = static_cast<int16_t>(cand[m]);
    idx[2] = static_cast<int16_t>(i1[m]);
    idx[3] = static_cast<int16_t>(i2[m]);
}

}  // namespace

void lsf_mem_push(int16_t* mem, const int16_t* residual) {
    std::memmove(mem + kOrder, mem, sizeof(int16_t) * (kMemLen - kOrder));
    std::memcpy(mem, residual, sizeof(int16_t) * kOrder);
}

int lsf_decode(const int16_t* idx, int16_t* mem, int16_t* lsf) {
    const int mode = idx[0];
    int16_t buf[kOrder];
    codebook_vector(idx[1], idx[2], idx[3], buf);
    lsf_prev_compose(buf, lsf, kFg[mode], mem, kFgSum[mode]);
    lsf_mem_push(mem, buf);
    return lsf_stability(lsf);
}

int lsf_quant(const int16_t* lsf, int16_t* mem, int16_t* lsf_q, int16_t* idx) {
    search(lsf, mem, idx);
    return lsf_decode(idx, mem, lsf_q);
}

int lsf_quant_e(const int16_t* lsf, const int16_t* mem, int16_t* lsf_q, int16_t* idx, int16_t* residual) {
    search(lsf, mem, idx);
    const int mode = idx[0];
    codebook_vector(idx[1], idx[2], idx[3], residual);
    lsf_prev_compose(residual, lsf_q, kFg[mode], mem, kFgSum[mode]);
    return lsf_stability(lsf_q);
}

void lsf_decode_erased(int mode, int16_t* mem, const int16_t* prev_lsf) {
    int16_t buf[kOrder];
    lsf_prev_extract(prev_lsf, buf, kFg[mode], mem, kFgSumInv[mode]);
    lsf_mem_push(mem, buf);
}

}  // namespace voks::g729

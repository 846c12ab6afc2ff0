// GSM-AMR LSF quantisation and decoding: the split vector quantiser of 12.2 kbit/s (two LSF
// vectors, five sub-matrices) and the three-split quantiser of the other rates, with the
// moving-average prediction, the minimum-distance reordering and the decoder's erasure
// concealment and subframe interpolation.
#include <algorithm>
#include <array>
#include <cstring>

#include "amrnb/kernels.h"
#include "amrnb/lp_internal.h"
#include "amrnb/lp_lsf_tables.h"
#include "common/basicop.h"
#include "g729/lp_internal.h"
#include "voksc.h"

namespace voks::amrnb {
namespace {

constexpr int16_t kLsfGap = 205;        // minimum distance of neighbouring LSFs (50 Hz)
constexpr int16_t kPredFac122 = 21299;  // 0.65: prediction factor of 12.2 kbit/s

// Lsf_wt: squared weighting factors (Q13) from the distances to the neighbours.
void lsf_weights(const int16_t* lsf, int16_t* wf) {
    wf[0] = lsf[1];
    for (int i = 1; i < 9; ++i) wf[i] = sub(lsf[i + 1], lsf[i - 1]);
    wf[9] = sub(16384, lsf[8]);
    for (int i = 0; i < kOrder; ++i) {
        const int16_t t = sub(wf[i], 1843);
        wf[i] = shl(t < 0 ? sub(3427, mult(wf[i], 28160)) : sub(1843, mult(t, 6242)), 3);
    }
}

// A 3-value codebook laid out as 4 values per entry (every `Step`-th entry, a zero fourth
// value), so that the 4-value distance kernel searches it: with a zero residual and weight the
// fourth term is 0.
template <const int16_t* Cb, int Size, int Step>
const int16_t* padded3() {
    static const std::array<int16_t, 4 * Size> t = [] {
        std::array<int16_t, 4 * Size> a{};
        for (int i = 0; i < Size; ++i)
            for (int k = 0; k < 3; ++k) a[4 * i + k] = Cb[3 * Step * i + k];
        return a;
    }();
    return t.data();
}

// The reference accumulates the terms in a saturating chain; as they are non-negative it
// saturates exactly when the exact sum reaches MAX_32, and a saturated distance never beats the
// initial best MAX_32. So the first entry of least exact distance below MAX_32 wins. Returns the
// least half distance m of h (size entries), and in `at` its first entry, or -1 when 2 m does not
// beat MAX_32.
uint32_t least(const uint32_t* h, int size, int& at) {
    uint32_t m = UINT32_MAX;
    for (int i = 0; i < size; ++i) m = std::min(m, h[i]);
    at = -1;
    if (2 * int64_t{m} < MAX_32)
        for (at = 0; h[at] != m;) ++at;
    return m;
}

// The entry (stride `step` entries of `dim` values) nearest to r; r receives it. A 3-value
// codebook is searched in its padded copy.
int search(int16_t* r, const int16_t* w, const int16_t* cb, int size, int dim, int step = 1,
           const int16_t* padded = nullptr) {
    uint32_t h[512];
    if (dim == 3) {
        const int16_t r4[4] = {r[0], r[1], r[2], 0}, w4[4] = {w[0], w[1], w[2], 0};
        kernels().lsf_dist4(r4, w4, padded, size, 1, h);
    } else {
        kernels().lsf_dist4(r, w, cb, size, 1, h);
    }
    int index;
    least(h, size, index);
    index = std::max(index, 0);
    std::memcpy(r, cb + index * step * dim, dim * sizeof(int16_t));
    return index;
}

// 12.2: one sub-matrix of two coefficients of both vectors; signed searches also try the
// negated entry and return 2 * index + sign.
int search_pair(int16_t* r1, int16_t* r2, const int16_t* w1, const int16_t* w2, const int16_t* cb, int size,
                bool is_signed) {
    const int16_t r[4] = {r1[0], r1[1], r2[0], r2[1]}, w[4] = {w1[0], w1[1], w2[0], w2[1]};
    uint32_t h[256], hn[256];
    kernels().lsf_dist4(r, w, cb, size, 1, h);
    int index = 0, sign = 0, at;
    const uint32_t m = least(h, size, at);
    if (!is_signed) {
        index = std::max(at, 0);
    } else {
        // Entry i positive, then negated: candidates 2i and 2i + 1 in order.
        kernels().lsf_dist4(r, w, cb, size, -1, hn);
        int atn;
        const uint32_t mn = least(hn, size, atn);
        if (atn >= 0 && (mn < m || (mn == m && atn < at))) {
            index = atn;
            sign = 1;
        } else {
            index = std::max(at, 0);
        }
    }
    const int16_t* e = cb + 4 * index;
    r1[0] = sign ? negate(e[0]) : e[0];
    r1[1] = sign ? negate(e[1]) : e[1];
    r2[0] = sign ? negate(e[2]) : e[2];
    r2[1] = sign ? negate(e[3]) : e[3];
    return is_signed ? 2 * index + sign : index;
}

// The three codebooks of a rate other than 12.2 and the entry stride of the second.
struct Books3 {
    const int16_t *cb1, *cb2, *cb3;
    int size1, size2, size3, step2;
    const int16_t *pad1, *pad2;  // the 3-value books padded to 4 values per entry
};
Books3 books3(int mode) {
    if (mode == vokRate4750 || mode == vokRate5150)
        return {kDico1Lsf3,
                kDico2Lsf3,
                kMr515Lsf3,
                256,
                256,
                128,
                2,
                padded3<kDico1Lsf3, 256, 1>(),
                padded3<kDico2Lsf3, 256, 2>()};
    if (mode == vokRate7950)
        return {kMr795Lsf1,
                kDico2Lsf3,
                kDico3Lsf3,
                512,
                512,
                512,
                1,
                padded3<kMr795Lsf1, 512, 1>(),
                padded3<kDico2Lsf3, 512, 1>()};
    return {kDico1Lsf3,
            kDico2Lsf3,
            kDico3Lsf3,
            256,
            512,
            512,
            1,
            padded3<kDico1Lsf3, 256, 1>(),
            padded3<kDico2Lsf3, 512, 1>()};
}

// Prediction of the three-split quantiser: mean + fac * pastRq, or mean + pastRq at the SID
// rate (whose memory holds an initial residual vector).
void predict3(const int16_t* past_rq, int16_t* pred, int mode) {
    for (int i = 0; i < kOrder; ++i)
        pred[i] = add(kMeanLsf3[i], mode == vokRateDTX ? past_rq[i] : mult(past_rq[i], kPredFac3[i]));
}

void quant3(const int16_t* lsp, int16_t* past_rq, int16_t* q_lsp, int16_t* idx, int mode,
            int16_t* init_index) {
    int16_t lsf[kOrder], wf[kOrder], pred[kOrder], res[kOrder];
    g729::lsp_to_lsf_norm(lsp, lsf);
    lsf_weights(lsf, wf);
    if (mode != vokRateDTX) {
        predict3(past_rq, pred, mode);
        for (int i = 0; i < kOrder; ++i) res[i] = sub(lsf[i], pred[i]);
    } else {
        // The SID quantiser predicts from the initial residual vector that leaves the
        // smallest residual energy (first minimum wins).
        int32_t best = MAX_32;
        for (int j = 0; j < 8; ++j) {
            int16_t p[kOrder], r[kOrder];
            int32_t e = 0;
            for (int i = 0; i < kOrder; ++i) {
                p[i] = add(kMeanLsf3[i], kPastRqInit[j * kOrder + i]);
                r[i] = sub(lsf[i], p[i]);
                e = L_mac(e, r[i], r[i]);
            }
            if (e < best) {
                best = e;
                std::memcpy(pred, p, sizeof p);
                std::memcpy(res, r, sizeof r);
                if (init_index) *init_index = static_cast<int16_t>(j);
            }
        }
    }
    const Books3 b = books3(mode);
    idx[0] = static_cast<int16_t>(search(res, wf, b.cb1, b.size1, 3, 1, b.pad1));
    idx[1] = static_cast<int16_t>(search(res + 3, wf + 3, b.cb2, b.size2, 3, b.step2, b.pad2));
    idx[2] = static_cast<int16_t>(search(res + 6, wf + 6, b.cb3, b.size3, 4));
    int16_t q[kOrder];
    for (int i = 0; i < kOrder; ++i) {
        q[i] = add(res[i], pred[i]);
        past_rq[i] = res[i];
    }
    reorder_lsf(q);
    lsf_to_lsp(q, q_lsp);
}

void quant5(const int16_t* lsp, int16_t* past_rq, int16_t* q_lsp, int16_t* idx) {
    int16_t lsf1[kOrder], lsf2[kOrder], wf1[kOrder], wf2[kOrder], pred[kOrder], r1[kOrder], r2[kOrder];
    g729::lsp_to_lsf_norm(lsp, lsf1);
    g729::lsp_to_lsf_norm(lsp + kOrder, lsf2);
    lsf_weights(lsf1, wf1);
    lsf_weights(lsf2, wf2);
    for (int i = 0; i < kOrder; ++i) {
        pred[i] = add(kMeanLsf5[i], mult(past_rq[i], kPredFac122));
        r1[i] = sub(lsf1[i], pred[i]);
        r2[i] = sub(lsf2[i], pred[i]);
    }
    static const int16_t* const kBooks[5] = {kDico1Lsf5, kDico2Lsf5, kDico3Lsf5, kDico4Lsf5, kDico5Lsf5};
    static const int kSizes[5] = {128, 256, 256, 256, 64};
    for (int k = 0; k < 5; ++k)
        idx[k] = static_cast<int16_t>(
            search_pair(r1 + 2 * k, r2 + 2 * k, wf1 + 2 * k, wf2 + 2 * k, kBooks[k], kSizes[k], k == 2));
    int16_t q1[kOrder], q2[kOrder];
    for (int i = 0; i < kOrder; ++i) {
        q1[i] = add(r1[i], pred[i]);
        q2[i] = add(r2[i], pred[i]);
        past_rq[i] = r2[i];
    }
    reorder_lsf(q1);
    reorder_lsf(q2);
    lsf_to_lsp(q1, q_lsp);
    lsf_to_lsp(q2, q_lsp + kOrder);
}

// D_plsf_5: the mid-frame and end-of-frame LSPs. Index fields are read at their coded widths.
void decode5(const int16_t* idx, int16_t* past_rq, int16_t* past_lsf, bool bfi, int16_t* mid, int16_t* end) {
    int16_t q1[kOrder], q2[kOrder];
    if (bfi) {
        for (int i = 0; i < kOrder; ++i) {
            q1[i] = q2[i] = add(mult(past_lsf[i], 31128), mult(kMeanLsf5[i], 1639));
            past_rq[i] = sub(q2[i], add(kMeanLsf5[i], mult(past_rq[i], kPredFac122)));
        }
    } else {
        static const int16_t* const kBooks[5] = {kDico1Lsf5, kDico2Lsf5, kDico3Lsf5, kDico4Lsf5, kDico5Lsf5};
        static const int kMasks[5] = {127, 255, 511, 255, 63};
        int16_t r1[kOrder], r2[kOrder];
        for (int k = 0; k < 5; ++k) {
            int i = idx[k] & kMasks[k];
            const bool negative = k == 2 && (i & 1);
            if (k == 2) i >>= 1;
            const int16_t* e = kBooks[k] + 4 * i;
            r1[2 * k] = negative ? negate(e[0]) : e[0];
            r1[2 * k + 1] = negative ? negate(e[1]) : e[1];
            r2[2 * k] = negative ? negate(e[2]) : e[2];
            r2[2 * k + 1] = negative ? negate(e[3]) : e[3];
        }
        for (int i = 0; i < kOrder; ++i) {
            const int16_t p = add(kMeanLsf5[i], mult(past_rq[i], kPredFac122));
            q1[i] = add(r1[i], p);
            q2[i] = add(r2[i], p);
            past_rq[i] = r2[i];
        }
    }
    reorder_lsf(q1);
    reorder_lsf(q2);
    std::memcpy(past_lsf, q2, sizeof q2);
    lsf_to_lsp(q1, mid);
    lsf_to_lsp(q2, end);
}

// D_plsf_3.
void decode3(const int16_t* idx, int16_t* past_rq, int16_t* past_lsf, bool bfi, int16_t* lsp, int mode) {
    int16_t q[kOrder], pred[kOrder];
    if (bfi) {
        for (int i = 0; i < kOrder; ++i) q[i] = add(mult(past_lsf[i], 29491), mult(kMeanLsf3[i], 3277));
        predict3(past_rq, pred, mode);
        for (int i = 0; i < kOrder; ++i) past_rq[i] = sub(q[i], pred[i]);
    } else {
        const Books3 b = books3(mode);
        const int16_t* e1 = b.cb1 + 3 * (idx[0] & (b.size1 - 1));
        const int16_t* e2 = b.cb2 + 3 * b.step2 * (idx[1] & (b.size2 - 1));
        const int16_t* e3 = b.cb3 + 4 * (idx[2] & (b.size3 - 1));
        const int16_t r[kOrder] = {e1[0], e1[1], e1[2], e2[0], e2[1], e2[2], e3[0], e3[1], e3[2], e3[3]};
        predict3(past_rq, pred, mode);
        for (int i = 0; i < kOrder; ++i) {
            q[i] = add(r[i], pred[i]);
            past_rq[i] = r[i];
        }
    }
    reorder_lsf(q);
    std::memcpy(past_lsf, q, sizeof q);
    lsf_to_lsp(q, lsp);
}

void half(const int16_t* a, const int16_t* b, int16_t* dst) {
    for (int i = 0; i < kOrder; ++i) dst[i] = add(shr(a[i], 1), shr(b[i], 1));
}

}  // namespace

void reorder_lsf(int16_t* lsf) {
    int16_t floor = kLsfGap;
    for (int i = 0; i < kOrder; ++i) {
        if (lsf[i] < floor) lsf[i] = floor;
        floor = add(lsf[i], kLsfGap);
    }
}

void lsp_quant(const int16_t* lsp, int16_t* past_rq, int16_t* q_lsp, int16_t* idx, int mode,
               int16_t* init_index) {
    if (mode == vokRate12200)
        quant5(lsp, past_rq, q_lsp, idx);
    else
        quant3(lsp, past_rq, q_lsp, idx, mode, init_index);
}

void lsp_decode(const int16_t* idx, int16_t* past_rq, int16_t* past_lsf, int16_t* prev_lsp, int16_t* out,
                bool bfi, int mode) {
    int16_t lsp[kOrder];
    if (mode == vokRate12200) {
        int16_t mid[kOrder];
        decode5(idx, past_rq, past_lsf, bfi, mid, lsp);
        half(prev_lsp, mid, out);
        std::memcpy(out + kOrder, mid, sizeof mid);
        half(mid, lsp, out + 2 * kOrder);
    } else {
        decode3(idx, past_rq, past_lsf, bfi, lsp, mode);
        interpolate_quarter(lsp, prev_lsp, out, kOrder);
        half(prev_lsp, lsp, out + kOrder);
        interpolate_quarter(prev_lsp, lsp, out + 2 * kOrder, kOrder);
    }
    std::memcpy(out + 3 * kOrder, lsp, sizeof lsp);
    std::memcpy(prev_lsp, lsp, sizeof lsp);
}

}  // namespace voks::amrnb

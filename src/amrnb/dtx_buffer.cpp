// GSM-AMR DTX hangover state machine and the frame histories of the SID parameters.
#include <cstring>

#include "amrnb/dtx_internal.h"
#include "amrnb/lp_internal.h"
#include "common/basicop.h"
#include "g729/g729_mathop.h"
#include "g729/lp_internal.h"
#include "voksc.h"

namespace voks::amrnb {

int16_t dtx_handler(int16_t& hangover, int16_t& elapsed, int16_t& used_mode, bool vad) {
    constexpr int kElapsedThreshold = 30;  // frames since the last SID analysis
    elapsed = add(elapsed, 1);
    if (vad) {
        hangover = kDtxHangover;
        return 0;
    }
    if (hangover == 0) {
        elapsed = 0;
        used_mode = vokRateDTX;
        return 1;
    }
    hangover = sub(hangover, 1);
    if (add(elapsed, hangover) < kElapsedThreshold) used_mode = vokRateDTX;
    return 0;
}

void dtx_buffer(const int16_t* speech, const int16_t* lsp, int16_t& hist_ptr, int16_t* lsp_hist,
                int16_t* log_en_hist, bool halve) {
    // The slot wraps modulo 8 for any stored pointer, so a corrupted one cannot write outside.
    hist_ptr = static_cast<int16_t>((hist_ptr + 1) & (kDtxHist - 1));
    std::memcpy(lsp_hist + hist_ptr * kOrder, lsp, kOrder * sizeof(int16_t));
    int32_t energy = 0;
    for (int i = 0; i < kFrame; ++i) energy = L_mac(energy, speech[i], speech[i]);
    int16_t e, f;
    g729::ownLog2(energy, e, f);
    // Q10 log2 of the mean square: the energy's log minus log2(160) = 7.32193 (8521 in Q10).
    int16_t log_en = sub(add(shl(e, 10), shr(f, 5)), 8521);
    log_en_hist[hist_ptr] = halve ? shr(log_en, 1) : log_en;
}

bool dtx_sid(const int16_t* lsp_hist, const int16_t* log_en_hist, int16_t& log_en_index, int16_t& init_index,
             int16_t* lsf_index, int16_t* pred, int16_t* pred122, bool compute) {
    // A new SID is computed on request, and also while the last energy index is 0.
    if (!compute && log_en_index != 0) return false;
    int16_t log_en = 0;
    int32_t sum[kOrder] = {};
    for (int i = 0; i < kDtxHist; ++i) {
        log_en = add(log_en, shr(log_en_hist[i], 2));
        for (int j = 0; j < kOrder; ++j) sum[j] += lsp_hist[i * kOrder + j];
    }
    log_en = shr(log_en, 1);
    int16_t index = shr(add(add(log_en, 2560), 128), 8);  // 6 bits, +2.5 and rounding in Q10
    index = index > 63 ? int16_t{63} : index < 0 ? int16_t{0} : index;
    log_en_index = index;
    // Gain predictor memories of the comfort noise: Q10 energy of the index, then its 12.2 form.
    int16_t q = sub(sub(shl(index, 8), 2560), 9000);
    if (q > 0) q = 0;
    if (q < -14436) q = -14436;
    for (int i = 0; i < 4; ++i) {
        pred[i] = q;
        pred122[i] = mult(5443, q);
    }
    int16_t lsp[kOrder], lsf[kOrder], q_lsp[kOrder], past_rq[kOrder] = {};
    for (int j = 0; j < kOrder; ++j) lsp[j] = static_cast<int16_t>(sum[j] >> 3);
    g729::lsp_to_lsf_norm(lsp, lsf);
    reorder_lsf(lsf);
    lsf_to_lsp(lsf, lsp);
    lsp_quant(lsp, past_rq, q_lsp, lsf_index, vokRateDTX, &init_index);
    return true;
}

}  // namespace voks::amrnb

// GSM-AMR DTX hangover state machine and the frame histories of the SID parameters.
#include <cstring>

#include "amrnb/dtx_internal.h"
#include "amrnb/lp_internal.h"
#include "common/basicop.h"
#include "g729/g729_mathop.h"
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

}  // namespace voks::amrnb

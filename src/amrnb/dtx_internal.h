// GSM-AMR discontinuous transmission and the VAD option 2 transform: the implementations behind
// the exported operations, callable directly by the codec code.
#ifndef VOKS_AMRNB_DTX_INTERNAL_H
#define VOKS_AMRNB_DTX_INTERNAL_H

#include <cstdint>

#include "voksc.h"

namespace voks::amrnb {

constexpr int kDtxHist = 8;      // frames in the DTX histories
constexpr int kDtxHangover = 7;  // frames of hangover after speech

// tx_dtx_handler: returns the compute-SID flag; may set used_mode to vokRateDTX.
int16_t dtx_handler(int16_t& hangover, int16_t& elapsed, int16_t& used_mode, bool vad);

// The DTX history update of the encoder (log energy halved) and of the decoder.
void dtx_buffer(const int16_t* speech, const int16_t* lsp, int16_t& hist_ptr, int16_t* lsp_hist,
                int16_t* log_en_hist, bool halve);

// dtx_enc: the SID parameters from the histories when compute is set or log_en_index (the
// previous SID's) is 0; returns false, writing nothing, otherwise.
bool dtx_sid(const int16_t* lsp_hist, const int16_t* log_en_hist, int16_t& log_en_index, int16_t& init_index,
             int16_t* lsf_index, int16_t* pred, int16_t* pred122, bool compute);

// vad1 on 200 samples (power over the first 160, filter bank over 40..199): the VAD flag.
int16_t vad1(VokVadState1_GSMAMR& st, const int16_t* speech, int16_t best_corr_hp, int16_t tone);

// vad2 on the two halves of a 160-sample frame with the long-term-prediction flag: the VAD flag.
int16_t vad2(VokVadState2_GSMAMR& st, const int16_t* speech, bool ltp);

// r_fft: 128-point real FFT in place.
void real_fft(int16_t* x);

}  // namespace voks::amrnb

#endif  // VOKS_AMRNB_DTX_INTERNAL_H

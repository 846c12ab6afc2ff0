// GSM-AMR narrow-band decoder of all eight modes, written against the public voksc header: LSP
// decoding and interpolation, adaptive and fixed codebooks, gain decoding with the MA energy
// predictor, bad-frame concealment and background-noise handling, phase dispersion, comfort
// noise from silence descriptors, the post-filter, the output high-pass and the homing frames.
#ifndef VOKSC_EXAMPLES_AMRNB_AMRNB_DEC_H
#define VOKSC_EXAMPLES_AMRNB_AMRNB_DEC_H

#include <cstdint>

#include "amrnb/amrnb_bits.h"

namespace amrnb {

constexpr int kFrameSamples = 160;

// Received frame types.
enum RxType {
    kRxSpeechGood = 0,
    kRxSpeechDegraded,
    kRxOnset,
    kRxSpeechBad,
    kRxSidFirst,
    kRxSidUpdate,
    kRxSidBad,
    kRxNoData,
};

// The received type of a serial frame's TX type, -1 for an unknown one.
int rx_type_of(int tx_type);

struct DecoderState {
    // LSPs and LSFs
    int16_t past_r_q[10], past_lsf_q[10], lsp_old[10], lsp_mean[10];
    // excitation and synthesis
    int16_t old_exc[154 + 40], mem_syn[10];
    int16_t sharp, old_t0, t0_lag_buf, prev_bf, prev_pdf, bf_state;
    int16_t in_background, voiced_hangover, nodata_seed;
    int16_t ltp_gain_hist[9], exc_energy_hist[9];
    // gain concealment and prediction
    int16_t pbuf[5], past_gain_pit, prev_gp, gbuf[5], past_gain_code, prev_gc;
    int16_t past_qua_en[4], past_qua_en_122[4];
    // background-noise detector, code-gain averaging, phase dispersion
    int16_t energy_hist[60], bg_hangover;
    int16_t cb_gain_hist[7], hang_var, hang_count;
    int16_t disp_gain_mem[5], disp_prev_state, disp_prev_cb_gain, disp_lock, disp_onset;
    // comfort noise
    int16_t since_last_sid, true_sid_period_inv, log_en, old_log_en;
    int32_t pn_seed;
    int16_t cn_lsp[10], cn_lsp_old[10], lsf_hist[80], lsf_hist_mean[80], log_pg_mean;
    int16_t log_en_hist[8], lsf_hist_ptr, log_en_hist_ptr, log_en_adjust;
    int16_t dtx_hangover_count, ana_elapsed, sid_frame, valid_data, hangover_added;
    int16_t dtx_state, data_updated;
    // post-filter and output high-pass
    int16_t pf_preemph, pf_gain, pf_hist[10], pf_syn[10];
    int16_t hp_y2_hi, hp_y2_lo, hp_y1_hi, hp_y1_lo, hp_x0, hp_x1;
    // serial framing
    int16_t prev_mode, homed;
};

void decoder_init(DecoderState* st);

// Decodes one frame of parameters (those of `mode`, or of the silence descriptor for the SID
// frame types) into 160 samples.
void decode_params(DecoderState* st, int mode, const int16_t* params, int rx_type, int16_t* pcm);

// Decodes one serial frame with the homing-frame rules; false, with silence written, for an
// unknown TX type or a frame whose mode is out of range.
bool decode_serial(DecoderState* st, const SerialFrame& frame, int16_t* pcm);

// RFC 4867 storage format ("#!AMR\n", then per frame a table-of-contents octet and the bits in
// the order of their sensitivity): the octets of the frame that starts with `toc` (TOC
// included). The frame types 9 to 11 (other codecs' SIDs) take their RFC 4867 sizes, the
// reserved types 12 to 14 the TOC alone.
int storage_frame_bytes(uint8_t toc);
// The serial frame of a storage frame of storage_frame_bytes(frame[0]) octets: speech (bad when
// the quality bit is 0), SID first or update (bad when Q is 0; the 3 mode-indication bits after
// the type bit, least significant first) or no data (types 9 to 15: no AMR narrow-band frame).
void storage_to_serial(const uint8_t* frame, SerialFrame& out);
constexpr char kStorageMagic[] = "#!AMR\n";

}  // namespace amrnb

#endif  // VOKSC_EXAMPLES_AMRNB_AMRNB_DEC_H

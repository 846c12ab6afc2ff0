// G.723.1 speech coder assembled from the public voksc API: 6.3 kbit/s (MP-MLQ) and 5.3 kbit/s
// (ACELP), rate switchable per frame, optional high-pass filter, the Annex A voice-activity
// detector with SID frames and comfort noise, frame-erasure concealment and the post-filters.
// Frames are 240 samples of 8 kHz PCM; the packed frames are 24 (6.3 kbit/s), 20 (5.3), 4 (SID)
// or 1 byte (untransmitted), the type in the low two bits of the first byte.
#ifndef VOKSC_EXAMPLE_G723_CODEC_H
#define VOKSC_EXAMPLE_G723_CODEC_H

#include <cstdint>

namespace g723 {

constexpr int kFrame = 240;
constexpr int kMaxFrameBytes = 24;

enum class Rate { R63, R53 };

// The parameters of one frame.
struct Sub {
    int16_t lag_offset = 0, gain = 0, amp = 0, grid = 0, train = 0, signs = 0;
    int32_t pos = 0;
};
struct Params {
    int32_t lsf_index = 0;
    int16_t olp[2] = {0, 0};
    Sub sub[4];
};

// Voice-activity detector and comfort-noise state of the encoder.
struct Vad {
    int16_t hangover, count, adapt;
    int32_t prev_energy, noise;
    int16_t lags[4];
    int16_t noise_lpc[10];
};
struct EncoderCng {
    int16_t cur_gain, past_type;
    int16_t acf[44], acf_shift[4];
    int16_t sid_lsf[10], sid_lpc[10], rc[11], rc_shift;
    int16_t energy[3], energy_count, ref_index, sid_gain, seed;
};

struct Encoder {
    bool highpass, vad;
    int32_t hp_mem[2];
    int16_t sine;
    int16_t prev_lsf[10];
    int16_t prev_wgt[145], prev_err[145], prev_exc[145], prev_dat[120];
    int16_t wght_mem[20], ring_mem[20];
    int32_t err[5];
    int16_t budget;
    Vad vad_state;
    EncoderCng cng;
};

struct Decoder {
    bool postfilter;
    Rate rate;
    int16_t erased_count, inter_gain, inter_lag, seed, park, gain;
    int16_t prev_lsf[10], prev_exc[145], synth_mem[10], post_mem[20];
    // comfort noise
    int16_t cur_gain, past_type, sid_lsf[10], sid_gain, cng_seed;
};

void encoder_init(Encoder* e, bool highpass, bool vad);
// Codes 240 samples; writes the packed frame and returns its size in bytes.
int encode(Encoder* e, const int16_t* pcm, Rate rate, uint8_t* out);

void decoder_init(Decoder* d, bool postfilter);
// Size of the packed frame whose first byte is given.
int frame_bytes(uint8_t first);
// Decodes one packed frame (frame_bytes(frame[0]) bytes; ignored when erased) to 240 samples.
void decode(Decoder* d, const uint8_t* frame, bool erased, int16_t* pcm);

}  // namespace g723

#endif  // VOKSC_EXAMPLE_G723_CODEC_H

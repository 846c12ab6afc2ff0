// ITU-T G.729 (CS-ACELP, 8 kbit/s) and G.729 Annex A (reduced complexity) encoders and decoders
// built on the voksc operations.
//
// A frame is 80 samples of 16-bit PCM at 8 kHz and 11 parameters (80 bits):
//   0 L0|L1 (8 bits)  1 L2|L3 (10)  2 P1 (8)  3 P0 parity (1)  4 C1 (13)  5 S1 (4)  6 GA1|GB1 (7)
//   7 P2 (5)          8 C2 (13)     9 S2 (4)  10 GA2|GB2 (7)
// The two variants share the bit stream: either decoder accepts either encoder's frames.
//
// The main body also codes at 6.4 kbit/s (Annex D), chosen frame by frame: 10 parameters (64 bits)
//   0 L0|L1 (8)  1 L2|L3 (10)  2 P1 (8)  3 C1 (9)  4 S1 (2)  5 GA1|GB1 (6)
//   6 P2 (4)     7 C2 (9)      8 S2 (2)  9 GA2|GB2 (6)
// and at 11.8 kbit/s (Annex E, g729_frame_e.h), forward or backward-adaptive frame by frame.
#ifndef VOKSC_EXAMPLE_G729_CODEC_H
#define VOKSC_EXAMPLE_G729_CODEC_H

#include <cstdint>

namespace g729 {

constexpr int kFrameSamples = 80;
constexpr int kSubframe = 40;
constexpr int kFrameParams = 11;
constexpr int kFrameBits = 80;
constexpr int kPackedBytes = 10;     // RFC 3551 frame
constexpr int kSerialWords = 82;     // ITU serial frame: sync, length, one word per bit
constexpr int kFrameParamsLow = 10;  // 6.4 kbit/s
constexpr int kFrameBitsLow = 64;
constexpr int kPackedBytesLow = 8;
constexpr int kSerialWordsLow = 66;
constexpr int16_t kSyncWord = 0x6B21;
constexpr int16_t kSyncErased = 0x6B20;
constexpr int16_t kBit0 = 0x007F;
constexpr int16_t kBit1 = 0x0081;

enum class Variant { Main, AnnexA };
enum class Rate { Low, Full, High };  // 6.4 kbit/s (main body only), 8 kbit/s, 11.8 kbit/s (main body only)

constexpr int kOrder = 10;
constexpr int kPitchMax = 143;
constexpr int kInterpol = 11;
constexpr int kExcLen = kFrameSamples + kPitchMax + kInterpol;  // 234
constexpr int kSpeechLen = 240;                                 // LP analysis window
constexpr int kHighPassStateBytes = 32;                         // room for the library's state

struct Encoder;

constexpr int kOrderBwd = 30;     // backward-adaptive LP order at 11.8 kbit/s
constexpr int kSynHistory = 145;  // synthesis the backward analysis windows

// Backward-adaptive LP analysis of the 11.8 kbit/s coder (encoder and decoder alike): the past
// synthesis and the analysis memories.
struct BackwardLp {
    int16_t syn[kSynHistory];              // the last synthesised samples, oldest first
    alignas(8) unsigned char hybrid[128];  // recursive window state
    int16_t a_sat_mem[kOrderBwd + 1];      // last backward filter without saturation
    int16_t old_a_bwd[kOrderBwd + 1];      // last stable backward filter
};

// Encoder state of the 11.8 kbit/s frames, kept up to date at every rate: the backward analysis,
// the order-30 filter memories (the last 30 samples of the synthesis, the error and the weighted
// error) and the forward/backward decision.
struct EncoderHigh {
    BackwardLp lp;
    int16_t mem_syn[kOrderBwd];
    int16_t mem_err[kOrderBwd];
    int16_t mem_w0[kOrderBwd];
    int16_t prev_filter[kOrderBwd + 1];  // quantised filter of the previous frame's second sub-frame
    int16_t prev_lp_mode, c_int;
    int16_t glob_stat, stat_bwd, val_stat_bwd;  // stationarity that favours backward frames, Q8
    int16_t count_bwd, count_fwd, bwd_dominant;
    // For the music detection of silence compression.
    int16_t rate;          // of the frame being coded (Rate as a number)
    int16_t rc[kOrder];    // its reflection coefficients
    int16_t lag_buf[5];    // open-loop delays of the last active frames
    int16_t pgain_buf[5];  // pitch gains of the last sub-frames (Q14; 8192 when inactive)
};

// Annex B hook (g729_dtx.h), called by encode() after the LP analysis with the new unquantised LSPs
// and the second reflection coefficient. It returns true for an inactive frame, which it codes
// itself: params, the comfort-noise excitation in old_exc, the new quantised LSPs in lsp_old_q, aq
// the quantised filters of both sub-frames and taming the (pitch gain Q14, delay) of each
// sub-frame; encode() then only brings its filter memories in step.
using InactiveHook = bool (*)(Encoder* enc, const int16_t* lsp_new, int16_t rc1, int16_t* params, int16_t* aq,
                              int16_t* taming);

struct Encoder {
    Variant variant;
    InactiveHook inactive;                             // null: every frame is coded as speech
    alignas(8) unsigned char hp[kHighPassStateBytes];  // pre-processing high-pass filter
    int16_t old_speech[kSpeechLen];
    int16_t old_wsp[kFrameSamples + kPitchMax];
    int16_t old_exc[kExcLen];
    int16_t lsp_old[kOrder];
    int16_t lsp_old_q[kOrder];
    int16_t lsf_mem[4 * kOrder];          // MA predictor memory of the LSF quantiser
    int16_t mem_syn[kOrder];              // local synthesis (main body)
    int16_t mem_w0[kOrder];               // weighted error filter
    int16_t mem_w[kOrder];                // weighted speech filter
    int16_t mem_err[kOrder + kSubframe];  // speech minus synthesis (main body)
    int16_t sharp;                        // pitch sharpening, Q14
    int16_t past_qua_en[4];               // gain predictor memory, Q10
    int16_t search_counter;               // fixed-codebook search budget carried between sub-frames
    int32_t exc_err[4];                   // taming: accumulated adaptive-codebook error, Q14
    int16_t old_a[kOrder + 1];            // last stable LP filter (kept when Levinson fails)
    int16_t old_rc[2];
    int16_t lar_old[2];  // perceptual weighting adaptation (main body)
    int16_t smooth;
    int32_t faults;  // operations that reported an error since init
    EncoderHigh high;
};

// The decoder's excitation and post-filter residual histories slide along longer buffers and are
// moved back to the start only when the window reaches the end.
constexpr int kDecExcBuf = kExcLen + 7 * kFrameSamples;  // 8 frames per move
constexpr int kResHistory = 152;                         // main-body post-filter residual history
constexpr int kResBuf = kResHistory + 8 * kSubframe;     // 8 sub-frames per move
// Decoder state of the 11.8 kbit/s frames: the backward LP analysis, the mode switching and the
// concealment. Every rate keeps it up to date, so that the rate may change on any frame.
struct DecoderHigh {
    BackwardLp lp;
    int16_t a_bwd_mem[kOrderBwd + 1];    // backward filter before an erasure
    int16_t prev_filter[kOrderBwd + 1];  // filter of the previous frame's second sub-frame
    int16_t mem_stp[kOrderBwd];          // post-filter 1/A(z/g1) memory at order 30
    int16_t prev_lp_mode, prev_bfi, prev_voicing, prev_high;
    int16_t c_fe, c_int;  // backward filter interpolation factors, Q12
    int16_t prev_t0_frac, prev_pitch, stat_pitch, pitch_sta, frac_sta;  // pitch tracking
    int16_t c_muting, count_bfi, stat_bwd;                              // gain concealment
    int16_t count_bwd, count_fwd, bwd_dominant;                         // backward-mode dominance
    int16_t ga1, ga2, ga_harm;                                          // post-filter factors, Q15
};

struct Decoder {
    Variant variant;
    alignas(8) unsigned char hp[kHighPassStateBytes];  // post-processing high-pass filter
    int16_t old_exc[kDecExcBuf];                       // the current kExcLen-sample window starts at exc_at
    int16_t exc_at;
    int16_t lsp_old[kOrder];
    int16_t lsf_mem[4 * kOrder];
    int16_t prev_lsf[kOrder];  // last good LSF vector, reused on erasure
    int16_t prev_mode;
    int16_t synth_buf[kOrder + kFrameSamples];  // 10 past synthesis samples, then the frame
    int16_t mem_syn[kOrder];
    int16_t sharp;
    int16_t old_t0;
    int16_t gains[2];  // pitch gain Q14, code gain Q1 of the last sub-frame
    int16_t past_qua_en[4];
    int16_t seed;     // random parameters of erased frames
    int16_t voicing;  // main-body post-filter voicing of the previous frame
    // Post-filter.
    int16_t res2[kResBuf];  // residual of A(z/0.55): history then the sub-frame; Annex A's
                            // 194-sample buffer at the start, the main body's sub-frame at res_at
    int16_t res_at;
    int16_t mem_stp[kOrder];            // 1/A(z/0.7) memory (main body)
    int16_t mem_pre;                    // tilt memory (Annex A)
    int16_t pst_gain;                   // gain control: Q14 (main body) or Q12 (Annex A)
    alignas(8) unsigned char disp[32];  // 6.4 kbit/s phase dispersion, updated at every rate
    int32_t faults;                     // operations that reported an error since init
    DecoderHigh high;
};

void encoder_init(Encoder* enc, Variant variant);
// Encodes one frame of 80 samples into 11 parameters. Returns false when a library operation
// reported an error in this frame (never for valid input; kept as a guard for the caller).
bool encode(Encoder* enc, const int16_t* pcm, int16_t* params);
// Encodes at the given rate (Rate::Low: 10 parameters; main body only, else false); the state
// carries over between frames of either rate.
bool encode(Encoder* enc, const int16_t* pcm, int16_t* params, Rate rate);

void decoder_init(Decoder* dec, Variant variant);
// The sliding histories of a decoder, for code that decodes frames of its own (comfort noise):
// the current excitation window (kExcLen samples), and the moves after a frame and after a
// main-body post-filter sub-frame whose residual was written at res2 + res_at.
inline int16_t* excitation_window(Decoder* dec) {
    return dec->old_exc + dec->exc_at;
}
void advance_excitation(Decoder* dec);
void advance_residual(Decoder* dec);
// Decodes 11 parameters into 80 samples; `erased` marks a lost frame (its parameters are then
// ignored and concealed). Each parameter is taken modulo its field width. Returns false when a
// library operation reported an error in this frame (never expected for any bit pattern).
bool decode(Decoder* dec, const int16_t* params, bool erased, int16_t* pcm);
// Decodes a frame of the given rate (Rate::Low: 10 parameters, Rate::High: the layout of
// g729_frame_e.h; main body only, else false). An erased frame takes the previous frame's rate.
bool decode(Decoder* dec, const int16_t* params, bool erased, int16_t* pcm, Rate rate);

// Pitch parity bit of the first sub-frame's delay index (the parity of its six high bits).
int16_t pitch_parity(int16_t index);

// RFC 3551 frame: the 80 bits in parameter order, most significant bit first.
void pack(const int16_t* params, uint8_t* frame);
void unpack(const uint8_t* frame, int16_t* params);
// The same at either rate (8 bytes at 6.4 kbit/s).
void pack(const int16_t* params, uint8_t* frame, Rate rate);
void unpack(const uint8_t* frame, int16_t* params, Rate rate);

// ITU serial frame (82 words). serial_to_params returns true when the frame is erased: a sync
// word other than 0x6B21, or any bit word equal to 0.
void params_to_serial(const int16_t* params, int16_t* serial);
bool serial_to_params(const int16_t* serial, int16_t* params);
// The same at either rate (66 words, length 64, at 6.4 kbit/s).
void params_to_serial(const int16_t* params, int16_t* serial, Rate rate);
bool serial_to_params(const int16_t* serial, int16_t* params, Rate rate);

// Field width in bits of parameter i (0..10; 0..9 at Rate::Low).
int param_bits(int i);
int param_bits(int i, Rate rate);

}  // namespace g729

#endif  // VOKSC_EXAMPLE_G729_CODEC_H

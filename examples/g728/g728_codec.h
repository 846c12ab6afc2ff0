// G.728 LD-CELP at 16 kbit/s assembled from the public voksc API: the fixed-point coder of
// G.728 Annex G with its post-filter and frame-erasure concealment. Each 5-sample vector of
// 8 kHz speech becomes one 10-bit code word (shape index << 3 | gain index).
#ifndef VOKSC_EXAMPLE_G728_CODEC_H
#define VOKSC_EXAMPLE_G728_CODEC_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace g728ex {

// The newest N values of a signal, newest first, moved only once every 8 N pushed values.
template <int N>
class History {
public:
    int16_t* data() { return buf_ + pos_; }
    const int16_t* data() const { return buf_ + pos_; }
    // Adds n values (newest first) in front.
    void push(const int16_t* v, int n) {
        if (pos_ < n) {
            std::copy(buf_ + pos_, buf_ + pos_ + N, buf_ + kSpare);
            pos_ = kSpare;
        }
        pos_ -= n;
        // Element by element: the pushes are a handful of values, cheaper than a library copy.
        for (int k = 0; k < n; ++k) buf_[pos_ + k] = v[k];
    }

private:
    static constexpr int kSpare = 8 * N;
    int16_t buf_[kSpare + N] = {};
    int pos_ = kSpare;
};

constexpr int kVector = 5;        // samples per code word
constexpr int kErasureUnit = 16;  // code words per concealment unit (10 ms)

// State shared by encoder and decoder: the backward adapters of the synthesis filter and of
// the excitation gain.
struct Adapters {
    Adapters();
    int count = 3;                                 // position in the 4-vector adaptation cycle
    bool info = false;                             // a new synthesis filter is pending
    int16_t a[50] = {}, atmp[50] = {};             // synthesis filter (in use, pending), Q14
    int16_t ja[50] = {};                           // recursion result, exponent qtmp
    int16_t alpha = 0, qtmp = 0, rc = 0;           // residual energy, exponent, first reflection coeff.
    int16_t r[51] = {};                            // autocorrelation
    int16_t gp[10] = {};                           // log-gain predictor, Q14
    History<34> gains;                             // log-gains (Q9, offset removed), newest first
    History<21 * 6> sb;                            // synthesized vectors (exponent, 5 samples), newest first
    std::vector<unsigned char> filt, wsyn, wgain;  // combined filter, two hybrid windows
};

class Encoder {
public:
    Encoder();
    // Codes `vectors` vectors of 5 samples into one code word each.
    void encode(const int16_t* pcm, uint16_t* words, size_t vectors);

private:
    Adapters ad_;
    History<60> speech_;       // input at Q2 (x / 2), newest first
    int16_t coeffs_[70] = {};  // synthesis filter, weighting zeros and poles
    int16_t h_[5] = {};        // impulse response of the cascade, Q13, newest first
    int16_t y2_[128] = {};     // energies of the filtered codevectors
    std::vector<unsigned char> wweight_, iir_;
};

class Decoder {
public:
    explicit Decoder(bool postfilter);
    // Decodes `vectors` code words (the low 10 bits of each) into 5 samples each.
    void decode(const uint16_t* words, int16_t* pcm, size_t vectors);
    // Conceals one lost unit of kErasureUnit code words (the post-filter must be on).
    void conceal(int16_t* pcm);

private:
    void vector(int word, int16_t* pcm);
    void erasure_setup(int msec10);
    void erasure_excitation(int16_t* et, int16_t& gaindb);
    void long_term_coefficients();
    void post_filter(const int16_t* st, int16_t* out);

    Adapters ad_;
    bool postf_;
    int16_t coeffs_[70] = {};
    // Post-filter.
    int kp_ = 50;
    int16_t gl_ = 16384, glb_ = 0, tiltz_ = 0, tap_ = 0, scalefil_ = 16384;
    int16_t apf_[10] = {}, az_[10] = {}, ap_[10] = {}, fir_[10] = {}, iir_[10] = {};
    History<240> pfmem_;  // decoded speech (Q0), newest first
    History<240> resid_;  // LPC residual, newest first
    std::vector<unsigned char> adapter_;
    // Erasure concealment.
    bool erase_next_ = false, ferased_ = false, voiced_ = false;
    int adcount_ = 3, fecount_ = 0, ofecount_ = 0, fdelay_ = 0;
    int16_t ogaindb_ = 0;
    History<140> etpast_;  // past excitation, Q2, newest first
    int16_t fscale_ = 0, fscaleq_ = 0, fscaleavg_ = 0, fscaleavgq_ = 0;
    uint32_t rnd_[17];
    int rnd_i1_ = 0, rnd_i2_ = 12;
};

}  // namespace g728ex

#endif  // VOKSC_EXAMPLE_G728_CODEC_H

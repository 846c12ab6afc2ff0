// G.728 16 kbit/s coder on the public voksc API. The library supplies the hybrid windows, the
// recursions, the synthesis/weighting filter states, the codebook search and the post-filter
// adapter; the gain predictor, the excitation scaling, the post-filter with its gain control
// and the erasure concealment are the coder's own fixed-point arithmetic here.
#include "g728/g728_codec.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/fixed_ops.h"
#include "g728/g728_consts.h"
#include "voksc.h"

namespace g728ex {
namespace {

constexpr int kGainOffset = 16384;  // 32 dB in Q9
constexpr int32_t kMax32 = 0x7FFFFFFF, kMin32 = -0x7FFFFFFF - 1;

using fixed_ops::sat16;
int64_t sat32(int64_t x) {
    return std::clamp<int64_t>(x, kMin32, kMax32);
}
// Upper 16 bits rounded (halves up), saturating at 32767.
int16_t round16(int64_t a) {
    const int64_t b = a >> 16;
    return static_cast<int16_t>(b + (((a >> 15) & 1) & int64_t{b != 32767}));
}

// Shifts l into a normalised `bits`-bit number; returns the left shift (zero: bits - 1).
int normalize(int64_t& l, int bits) {
    int64_t v = l;
    if (v == 0) return bits - 1;
    int n = 0;
    const int64_t half = int64_t{1} << (bits - 2);
    if (v < 0) {
        while (v < -2 * half) v >>= 1, --n;
        while (v >= -half) v *= 2, ++n;
    } else {
        while (v > 2 * half - 1) v >>= 1, --n;
        while (v < half) v *= 2, ++n;
    }
    l = v;
    return n;
}

int vnormalize(int16_t* x, int bits, int n) {
    int32_t plus = 0, minus = 0;
    for (int i = 0; i < n; ++i) plus = std::max<int32_t>(plus, x[i]), minus = std::min<int32_t>(minus, x[i]);
    int64_t l = minus < -plus ? minus : plus;
    const int nls = normalize(l, bits);
    for (int i = 0; i < n; ++i)
        x[i] = static_cast<int16_t>(nls < 0 ? x[i] >> -nls : int32_t{x[i]} * (1 << nls));
    return nls;
}

// 16-bit division of normalised mantissas with exponents.
void divide(int32_t num, int numq, int32_t den, int denq, int32_t& quo, int& quoq) {
    int qq = numq - denq + 14;
    const bool neg = int64_t{num} * den < 0;
    int64_t n = std::llabs(num), d = std::llabs(den);
    if (n < d) ++qq, n <<= 1;
    int32_t q = 0;
    for (int i = 0; i < 15; ++i) {
        q <<= 1;
        if (n > d) ++q, n -= d;
        n <<= 1;
    }
    if (n > d) ++q;
    quo = neg ? -q : q;
    quoq = qq;
}

// 10^(loggain / 20) for a Q9 log-gain: mantissa (Q14 normalised) and exponent.
void exp10(int64_t lg, int16_t& gain, int16_t& q) {
    int64_t aa0 = 10 * lg + round16(20649 * lg * 2);
    const int64_t ip = aa0 >> 15;
    const int64_t x = aa0 - ip * 32768;
    static constexpr int64_t c[5] = {16384, 22702, 7866, 1874, 323};
    int64_t t = round16(c[4] * x * 2 + c[3] * 65536);
    t = round16(t * x * 2 + c[2] * 65536);
    t = round16(t * x * 2 + c[1] * 65536);
    gain = round16(t * x + c[0] * 65536);
    q = static_cast<int16_t>(14 - ip);
}

// 10 log10 of a normalised gain, Q9 with the 32 dB offset removed.
int16_t log10x10(int16_t g, int16_t gq) {
    static constexpr int16_t c[6] = {-3400, 15758, -10505, 9338, -9338, 9961};
    const int16_t xa = static_cast<int16_t>((g - 24576) * 2);
    int16_t r = static_cast<int16_t>((15 - gq) * 1024);
    int16_t s = 0;
    for (int i = 5; i >= 1; --i) {
        s = static_cast<int16_t>(s + c[i]);
        s = static_cast<int16_t>((int64_t{s} * xa) >> 16);
    }
    r = static_cast<int16_t>(r + ((s + c[0]) >> 3));
    const int64_t a = int64_t{r} * 24660 - (int64_t{kGainOffset} << 14);
    return static_cast<int16_t>(a >> 14);
}

// Predicted log-gain (Q9, offset removed) and the linear gain it stands for.
int16_t predict_gain(const int16_t* gp, const int16_t* hist, int16_t& gain, int16_t& gq, int afterfe,
                     int16_t ogaindb) {
    int64_t d = 0;
    for (int i = 0; i < 10; ++i) d -= int32_t{gp[i]} * hist[i];
    int64_t l = std::clamp<int64_t>(sat32(d) >> 14, -kGainOffset, 14336);
    if (afterfe && l - ogaindb > 1024) l = ogaindb + 1024;
    exp10(l + kGainOffset, gain, gq);
    return static_cast<int16_t>(l);
}

int16_t update_gain(int16_t gaindb, int ig, int is) {
    int64_t sum = int64_t{gaindb} * 128 + int64_t{kGainDb[ig]} * 32 + int64_t{kShapeDb[is]} * 32;
    return static_cast<int16_t>(std::max<int64_t>(sum >> 7, -kGainOffset));
}

// The selected codevector times the gain: et[0] its exponent, et[1..5] the samples.
void scale_codevector(int is, int ig, int16_t gain, int16_t gq, int16_t* et) {
    static constexpr int16_t levels[4] = {4224, 7392, 12936, 22638};
    static constexpr int shifts[4] = {3, 3, 2, 1};
    const int g = ig & 3, level = ig < 4 ? levels[g] : -levels[g];
    const int16_t a0 = round16(int64_t{gain} * level * (1 << shifts[g]));
    int16_t yn[5];
    std::copy(kShapes + is * 5, kShapes + is * 5 + 5, yn);
    const int ynq = vnormalize(yn, 16, 5);
    for (int k = 0; k < 5; ++k) et[1 + k] = round16(int64_t{a0} * yn[k]);
    et[0] = static_cast<int16_t>(gq + 13 + shifts[g] - 16 + 11 + ynq - 16);
}

// Bandwidth-expanded coefficients (Q14) of a (exponent aq); false on overflow at exponent 13.
bool weight(const int16_t* a, int16_t* out, int m, const int16_t* w, int aq) {
    const int fac = aq == 13 ? 8 : (aq == 14 ? 4 : 2);
    int16_t t[50];
    for (int i = 0; i < m; ++i) {
        const int64_t d = int64_t{a[i]} * w[i] * fac;
        if (aq == 13 && (d > kMax32 || d < kMin32)) return false;
        t[i] = round16(d);
    }
    std::copy(t, t + m, out);
    return true;
}

// Impulse response (Q13, newest first) of the synthesis filter cascaded with the weighting one.
void impulse_response(const int16_t* a, const int16_t* awz, const int16_t* awp, int16_t* h) {
    int16_t tmp[5];
    h[4] = tmp[4] = 8192;
    for (int i = 1; i < 5; ++i) {
        int64_t d0 = 0, d1 = 0;
        for (int k = 0; k < i; ++k) {
            d0 -= int32_t{a[k]} * tmp[5 - i + k];
            d1 += int32_t{awz[k]} * tmp[5 - i + k] - int32_t{awp[k]} * h[5 - i + k];
        }
        d1 += d0;
        tmp[4 - i] = sat16(d0 >> 14);
        h[4 - i] = sat16(d1 >> 14);
    }
}

std::vector<unsigned char> make_state(int bytes) {
    return std::vector<unsigned char>(bytes);
}

std::vector<unsigned char> make_window(const int16_t* win, int m, int nonr, int nnew, int block, int factor) {
    int size = 0;
    voksWinHybridGetStateSize_G728_16s(m, nonr, nnew, block, &size);
    auto s = make_state(size);
    voksWinHybridInit_G728_16s(win, m, nonr, nnew, block, factor,
                               reinterpret_cast<VokG728WinHybridState*>(s.data()));
    return s;
}

template <class T>
T* as(std::vector<unsigned char>& v) {
    return reinterpret_cast<T*>(v.data());
}

// Filters and stores one excitation vector: the synthesized vector joins the history.
void synthesize(Adapters& ad, const int16_t* et, const int16_t* coeffs, int max_scale) {
    int16_t syn[5], w[5], q;
    voksCombinedFilterZeroState_G728_16s(et, coeffs, syn, max_scale, &q, w,
                                         as<VokG728CombinedFilterState>(ad.filt));
    int16_t rec[6] = {q, syn[0], syn[1], syn[2], syn[3], syn[4]};
    ad.sb.push(rec, 6);
}

// Synthesis analysis after the fourth vector of a cycle: the 10th-order solution first.
bool analyse_synthesis(Adapters& ad) {
    int16_t scale;
    ad.info = voksWinHybridBlock_G728_16s(1, ad.sb.data(), ad.r, &scale,
                                          as<VokG728WinHybridState>(ad.wsyn)) == vokStatusOk &&
              voksLevinsonDurbin_G728_16s_Sfs(ad.r, 10, ad.ja, &ad.rc, &ad.alpha, &ad.qtmp) == vokStatusOk;
    return ad.info;
}

// Continues the synthesis recursion to order 50 and expands it into the pending filter.
void finish_synthesis(Adapters& ad) {
    ad.info = voksLevinsonDurbin_G728_16s_ISfs(ad.r, 10, 50, ad.ja, &ad.alpha, &ad.qtmp) == vokStatusOk &&
              weight(ad.ja, ad.atmp, 50, kExpandSynthesis, ad.qtmp);
}

// Log-gain predictor update; `use` false runs the window only (erased frames).
void adapt_gain(Adapters& ad, bool use) {
    int16_t r[11], a[10], rc, alpha, q;
    if (voksWinHybrid_G728_16s(1, ad.gains.data(), r, as<VokG728WinHybridState>(ad.wgain)) == vokStatusOk &&
        use && voksLevinsonDurbin_G728_16s_Sfs(r, 10, a, &rc, &alpha, &q) == vokStatusOk)
        weight(a, ad.gp, 10, kExpandGain, q);
}

}  // namespace

Adapters::Adapters() {
    gp[0] = -16384;
    std::fill(gains.data(), gains.data() + 3, int16_t{-kGainOffset});
    for (int i = 0; i < 21; ++i) sb.data()[i * 6] = 16;
    int size = 0;
    voksCombinedFilterGetStateSize_G728_16s(&size);
    filt = make_state(size);
    voksCombinedFilterInit_G728_16s(as<VokG728CombinedFilterState>(filt));
    wsyn = make_window(kWinSynthesis, 50, 35, 20, 5, 12288);
    wgain = make_window(kWinGain, 10, 20, 4, 0, 12288);
}

Encoder::Encoder() {
    wweight_ = make_window(kWinWeighting, 10, 30, 20, 0, 8192);
    int size = 0;
    voksIIR16sGetStateSize_G728_16s(&size);
    iir_ = make_state(size);
    voksIIR16sInit_G728_16s(as<VokG728IIR16sState>(iir_));
    h_[4] = 8192;
    voksImpulseResponseEnergy_G728_16s(h_, y2_);
}

void Encoder::encode(const int16_t* pcm, uint16_t* words, size_t vectors) {
    for (size_t v = 0; v < vectors; ++v, pcm += 5) {
        Adapters& ad = ad_;
        int16_t x[5], xw[5], zir[5];
        for (int i = 0; i < 5; ++i) x[i] = static_cast<int16_t>(pcm[i] >> 1);
        int16_t rev[5] = {x[4], x[3], x[2], x[1], x[0]};
        speech_.push(rev, 5);
        if (++ad.count == 4) ad.count = 0;
        int16_t gain, gq;
        const int16_t gaindb = predict_gain(ad.gp, ad.gains.data(), gain, gq, 0, 0);
        voksCombinedFilterZeroInput_G728_16s(coeffs_ + 50, zir, ad.a,
                                             as<VokG728CombinedFilterState>(ad.filt));
        voksIIR16s_G728_16s(coeffs_ + 50, x, xw, 5, as<VokG728IIR16sState>(iir_));
        // Target: weighted speech minus the ringing, normalised by the predicted gain.
        int16_t t[6];
        int32_t inv;
        int invq;
        divide(16384, 14, gain, gq, inv, invq);
        for (int i = 0; i < 5; ++i)
            t[1 + i] = static_cast<int16_t>((int64_t{inv} * sat16(int32_t{xw[4 - i]} - zir[i])) >> 15);
        t[0] = static_cast<int16_t>(2 + invq - 15 + vnormalize(t + 1, 16, 5));
        int16_t word, sel[2];
        voksCodebookSearch_G728_16s(t, h_, y2_, &word, sel, vokRate16000);
        words[v] = static_cast<uint16_t>(word);
        int16_t et[6];
        scale_codevector(sel[0], sel[1], gain, gq, et);
        std::copy(ad.a, ad.a + 50, coeffs_);
        synthesize(ad, et, coeffs_, 0);
        const int16_t g = update_gain(gaindb, sel[1], sel[0]);
        ad.gains.push(&g, 1);
        if (ad.count == 3) {
            analyse_synthesis(ad);
        } else if (ad.count == 1) {
            if (ad.info) std::copy(ad.atmp, ad.atmp + 50, ad.a);
            int16_t r[11], a[10], rc, alpha, q, wz[10], wp[10];
            if (voksWinHybrid_G728_16s(1, speech_.data(), r, as<VokG728WinHybridState>(wweight_)) ==
                    vokStatusOk &&
                voksLevinsonDurbin_G728_16s_Sfs(r, 10, a, &rc, &alpha, &q) == vokStatusOk &&
                weight(a, wp, 10, kWeightPoles, q) && weight(a, wz, 10, kWeightZeros, q)) {
                std::copy(wz, wz + 10, coeffs_ + 50);
                std::copy(wp, wp + 10, coeffs_ + 60);
            }
            impulse_response(ad.a, coeffs_ + 50, coeffs_ + 60, h_);
            voksImpulseResponseEnergy_G728_16s(h_, y2_);
        } else if (ad.count == 0) {
            if (ad.info) finish_synthesis(ad);
            adapt_gain(ad, true);
        }
    }
}

Decoder::Decoder(bool postfilter) : postf_(postfilter) {
    int size = 0;
    voksPostFilterAdapterGetStateSize_G728(&size);
    adapter_ = make_state(size);
    voksPostFilterAdapterStateInit_G728(as<VokG728PostFilterAdapterState>(adapter_));
    static constexpr uint32_t seed[17] = {0x4B14EA50, 0x53C4A8E0, 0x67B1FA98, 0x9CFB3BB5, 0x18761AF1,
                                          0x7970CD66, 0xDBAFE136, 0x3C31FC3E, 0x697B37DE, 0x07BC568B,
                                          0xCAFD3967, 0xA8F48722, 0x4AB26824, 0xA479EE47, 0x5C7246E2,
                                          0x954BF297, 0x20A713AD};
    std::copy(seed, seed + 17, rnd_);
}

void Decoder::decode(const uint16_t* words, int16_t* pcm, size_t vectors) {
    for (size_t v = 0; v < vectors; ++v) vector(words[v] & 0x3FF, pcm + 5 * v);
}

void Decoder::conceal(int16_t* pcm) {
    erase_next_ = true;
    for (int v = 0; v < kErasureUnit; ++v) vector(0, pcm + 5 * v);
}

void Decoder::vector(int word, int16_t* pcm) {
    Adapters& ad = ad_;
    if (++ad.count == 4) {
        ad.count = 0;
        if (ofecount_ > 0 && !ferased_) --ofecount_;
        if (++adcount_ == 4) {
            adcount_ = 0;
            ferased_ = erase_next_;
            if (ferased_) {
                erase_next_ = false;
            } else if (fecount_ > 0) {
                ofecount_ = std::min(ofecount_ + fecount_, 16);
                fecount_ = 0;
            }
        }
        if (ferased_ && (++fecount_ & 3) == 1) erasure_setup(fecount_ >> 2);
    }
    int16_t et[6] = {}, zir[5], gaindb = 0;
    const int is = (word >> 3) & 127, ig = word & 7;
    std::copy(ad.a, ad.a + 50, coeffs_);
    if (!ferased_) {
        int16_t gain, gq;
        gaindb = predict_gain(ad.gp, ad.gains.data(), gain, gq, ofecount_, ogaindb_);
        scale_codevector(is, ig, gain, gq, et);
    }
    voksCombinedFilterZeroInput_G728_16s(coeffs_ + 50, zir, ad.a, as<VokG728CombinedFilterState>(ad.filt));
    erasure_excitation(et, gaindb);
    ogaindb_ = gaindb;
    synthesize(ad, et, coeffs_, postf_ && ferased_ ? 16 : 0);
    const int q = ad.sb.data()[0];
    const int16_t* d = ad.sb.data() + 1;
    int16_t out[5];
    // Samples at the output scale; the multiplier is a 32-bit int as in the fixed-point coder.
    auto scaled = [&](int extra, int16_t* s) {
        const double f = double(int32_t(uint32_t{1} << ((16 - q + extra) & 31)));
        for (int i = 0; i < 5; ++i)
            s[i] = round16(int64_t(std::clamp(d[i] * f, -2147483648.0, 2147483647.0)));
    };
    if (postf_) {
        int16_t st[5], res[5];
        scaled(2, st);
        voksLPCInverseFilter_G728_16s(st, apf_, res, as<VokG728PostFilterAdapterState>(adapter_));
        resid_.push(res, 5);
        if (ad.count == 2) {
            voksPitchPeriodExtraction_G728_16s(resid_.data(), &kp_,
                                               as<VokG728PostFilterAdapterState>(adapter_));
            long_term_coefficients();
        }
        int16_t pf[5];
        post_filter(st, pf);
        for (int i = 0; i < 5; ++i) out[i] = sat16(int32_t{pf[i]} * 2);
    } else {
        scaled(3, out);
    }
    for (int i = 0; i < 5; ++i) pcm[i] = out[4 - i];
    const int16_t g = ferased_ ? gaindb : update_gain(gaindb, ig, is);
    ad.gains.push(&g, 1);
    if (ad.count == 3) {
        if (analyse_synthesis(ad) && postf_) {
            const int il = 16 - (ad.qtmp - 13);
            for (int i = 0; i < 10; ++i) apf_[i] = round16(int64_t{ad.ja[i]} * (int64_t{1} << il));
            int16_t pole[10];
            if (weight(ad.ja, pole, 10, kPostPoles, ad.qtmp)) {
                std::copy(pole, pole + 10, ap_);
                weight(ad.ja, az_, 10, kPostZeros, ad.qtmp);
                tiltz_ = round16(int64_t{ad.rc} * 4915);
            }
        }
    } else if (ad.count == 1) {
        if (!ferased_) {
            if (ad.info) std::copy(ad.atmp, ad.atmp + 50, ad.a);
        } else if ((fecount_ & 3) == 1) {
            const int16_t* src = fecount_ == 1 && ad.info ? ad.atmp : ad.a;
            for (int i = 0; i < 50; ++i) ad.a[i] = round16(int64_t{kErasureFade[i]} * src[i] * 4);
        }
    } else if (ad.count == 0) {
        if (ad.info && fecount_ <= 1) finish_synthesis(ad);
        adapt_gain(ad, !ferased_);
    }
}

void Decoder::erasure_setup(int msec10) {
    static constexpr int16_t voiced_gain[5] = {26214, 26214, 19661, 13107, 6554};
    static constexpr int16_t unvoiced_gain[6] = {32767, 32767, 26214, 19661, 13107, 6554};
    if (msec10 == 0) {
        if (tap_ > 7022) {
            voiced_ = true;
            fdelay_ = kp_ - 5;
        } else {
            voiced_ = false;
            int64_t a = 0;
            for (int i = 0; i < 40; ++i) a += std::abs(etpast_.data()[i]);
            fscaleavgq_ = static_cast<int16_t>(normalize(a, 32) - 16 + 3 + 2);
            fscaleavg_ = round16(a);
        }
    }
    fscaleq_ = 15;
    fscale_ = 0;
    if (voiced_) {
        if (msec10 < 5) fscale_ = voiced_gain[msec10];
    } else if (msec10 < 6) {
        int64_t a = int64_t{fscaleavg_} * unvoiced_gain[msec10];
        fscaleq_ = static_cast<int16_t>(normalize(a, 32) - 16 + fscaleavgq_ + 15);
        fscale_ = round16(a);
    }
}

void Decoder::erasure_excitation(int16_t* et, int16_t& gaindb) {
    if (ferased_) {
        int32_t scale = 0;
        int scaleq = 14;
        if (voiced_) {
            scale = fscale_;
            scaleq = fscaleq_;
        } else if (fscale_ != 0) {
            if (++rnd_i1_ >= 17) rnd_i1_ = 0;
            if (++rnd_i2_ >= 17) rnd_i2_ = 0;
            rnd_[rnd_i1_] += rnd_[rnd_i2_];
            fdelay_ = static_cast<int>((rnd_[rnd_i1_] >> 15) & 0x7FFF) / 243;
            int64_t a = 0;
            for (int i = 0; i < 5; ++i) a += std::abs(etpast_.data()[fdelay_ + i]);
            const int etsumq = normalize(a, 32) - 16 + 2;
            const int16_t etsum = round16(a);
            if (etsum == 0) {
                scale = 16384;
            } else {
                divide(fscale_, fscaleq_, etsum, etsumq, scale, scaleq);
            }
        }
        for (int i = 0; i < 5; ++i)
            et[1 + i] = sat16((int64_t{scale} * etpast_.data()[fdelay_ + i]) >> scaleq);
        et[0] = static_cast<int16_t>(2 + vnormalize(et + 1, 15, 5));
        // Log-gain of the concealed excitation: its mean energy, at least 1.
        int64_t a = 0;
        for (int i = 0; i < 5; ++i) a += int32_t{et[1 + i]} * et[1 + i];
        int gq = normalize(a, 32) + 2 * et[0] - 16;
        a = (a >> 16) * 13107;
        gq += normalize(a, 32);
        int16_t g = static_cast<int16_t>(a >> 16);
        if (gq > 14) gq = 14, g = 16384;
        gaindb = log10x10(g, static_cast<int16_t>(gq));
    }
    const int diff = et[0] - 2;
    int16_t e[5];
    for (int i = 0; i < 5; ++i)
        e[i] = diff >= 0 ? static_cast<int16_t>(et[1 + i] >> std::min(diff, 15))
                         : sat16(int64_t{et[1 + i]} * (int64_t{1} << -diff));
    etpast_.push(e, 5);
}

void Decoder::long_term_coefficients() {
    int64_t a0 = 0, a1 = 0;
    for (int i = 0; i < 100; ++i) {
        a0 += int32_t{pfmem_.data()[kp_ + i]} * pfmem_.data()[kp_ + i];
        a1 += int32_t{pfmem_.data()[kp_ + i]} * pfmem_.data()[i];
    }
    a0 = sat32(a0);
    a1 = sat32(a1);
    int32_t ptap;
    if (a0 <= 0 || a1 <= 0) {
        ptap = 0;
    } else if (a1 >= a0) {
        ptap = 16384;
    } else {
        const int nn = normalize(a1, 32), nd = normalize(a0, 32);
        int nls;
        divide(round16(a1), nn, round16(a0), nd, ptap, nls);
        const int ir = nls - 14;
        ptap = ir > 30 ? 0 : (ir > 0 ? ptap >> ir : ptap);
    }
    tap_ = static_cast<int16_t>(ptap);
    if (ptap < 9830) ptap = 0;
    const int64_t p = int64_t{9830} * ptap;
    const int64_t b = p >> 14;
    int32_t gll;
    int nls;
    divide(16384, 14, static_cast<int32_t>((p >> 16) + 16384), 14, gll, nls);
    glb_ = static_cast<int16_t>((gll * b) >> nls);
    gl_ = static_cast<int16_t>(gll >> (nls - 14));
}

void Decoder::post_filter(const int16_t* st, int16_t* stpf) {
    int16_t sh[5];
    for (int j = 0; j < 5; ++j) sh[j] = static_cast<int16_t>(st[j] >> 2);
    pfmem_.push(sh, 5);
    // The filter memories with room for the five new values in front (newest first).
    int16_t fir[15], iir[15];
    std::copy(fir_, fir_ + 10, fir + 5);
    std::copy(iir_, iir_ + 10, iir + 5);
    for (int k = 4; k >= 0; --k) {
        const int64_t d0 = int64_t{gl_} * st[k] + int64_t{glb_} * pfmem_.data()[kp_ + k];
        int64_t d1 = d0;
        const int16_t* f = fir + k + 1;
        const int16_t* r = iir + k + 1;
        for (int j = 0; j < 10; ++j) d1 += int32_t{az_[j]} * f[j] - int32_t{ap_[j]} * r[j];
        fir[k] = round16(sat32(d0 * 4));
        iir[k] = sat16(d1 >> 14);
        d1 += int32_t{iir[k + 1]} * tiltz_;
        stpf[k] = sat16(d1 >> 14);
    }
    std::copy(fir, fir + 10, fir_);
    std::copy(iir, iir + 10, iir_);
    // Automatic gain control: follow the magnitude ratio of input and output.
    int64_t m0 = 0, m1 = 0;
    for (int k = 0; k < 5; ++k) m0 += std::abs(st[k]), m1 += std::abs(stpf[k]);
    int32_t scale = 16384;
    int nlsscale = 14;
    if (m1 > 4) {
        const int nd = normalize(m1, 32), nn = normalize(m0, 32);
        divide(round16(m0), nn, round16(m1), nd, scale, nlsscale);
    }
    int64_t agc = int64_t{20972} * scale;
    const int ir = nlsscale - 14 + 7;
    if (ir > 0)
        agc = ir > 30 ? 0 : agc >> ir;
    else if (ir < 0)
        agc = sat32(agc * (int64_t{1} << std::min(-ir, 31)));
    for (int k = 4; k >= 0; --k) {
        scalefil_ = round16(sat32((agc + int64_t{16220} * scalefil_) * 4));
        stpf[k] = round16(sat32(int64_t{scalefil_} * stpf[k] * 4));
    }
}

}  // namespace g728ex

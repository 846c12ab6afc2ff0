// GSM 06.10 full-rate coder assembled from the public voksc operations. The parts the library
// leaves to its caller (autocorrelation, LAR coding, long-term prediction, RPE grid selection and
// APCM quantisation) follow the standard's fixed-point procedures here.
#include "gsm/gsmfr_codec.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/fixed_ops.h"
#include "voksc.h"

namespace gsmfr {
namespace {

using fixed_ops::abs_s;
using fixed_ops::add;
using fixed_ops::mult;
using fixed_ops::mult_r;
using fixed_ops::sat16;
using fixed_ops::sub;
// Largest abs_s of n samples: |x| in 32 bits, limited to 32767 once at the end.
int16_t max_abs16(const int16_t* x, int n) {
    int m = 0;
    for (int i = 0; i < n; ++i) m = std::max(m, std::abs(int{x[i]}));
    return static_cast<int16_t>(std::min(m, 32767));
}
// Left shifts that bring a non-zero x into 0x40000000..0x7FFFFFFF.
int norm32(int32_t x) {
    const uint32_t v = static_cast<uint32_t>(x < 0 ? ~x : x);
    return v == 0 ? 31 : __builtin_clz(v) - 1;
}

// Table 4.1: LAR quantiser; 4.2: 1/A; 4.3: LTP gain decision and reconstruction levels;
// 4.5 and 4.6: inverse and direct APCM mantissas.
constexpr int16_t kA[8] = {20480, 20480, 20480, 20480, 13964, 15360, 8534, 9036};
constexpr int16_t kB[8] = {0, 0, 2048, -2560, 94, -1792, -341, -1144};
constexpr int16_t kMic[8] = {-32, -32, -16, -16, -8, -8, -4, -4};
constexpr int16_t kMac[8] = {31, 31, 15, 15, 7, 7, 3, 3};
constexpr int16_t kInvA[8] = {13107, 13107, 13107, 13107, 19223, 17476, 31454, 29708};
constexpr int16_t kDlb[4] = {6554, 16384, 26214, 32767};
constexpr int16_t kQlb[4] = {3277, 11469, 21299, 32767};
constexpr int16_t kNrFac[8] = {29128, 26215, 23832, 21846, 20165, 18725, 17476, 16384};
constexpr int16_t kFac[8] = {18431, 20479, 22527, 24575, 26623, 28671, 30719, 32767};

constexpr int kFieldBits[kFrameParams] = {
    6, 6, 5, 5, 4, 4, 3, 3,
    7, 2, 2, 6, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,
    7, 2, 2, 6, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,
    7, 2, 2, 6, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,
    7, 2, 2, 6, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3};
constexpr int16_t kFieldMask[kFrameParams] = {
    63, 63, 31, 31, 15, 15, 7, 7,
    127, 3, 3, 63, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
    127, 3, 3, 63, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
    127, 3, 3, 63, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
    127, 3, 3, 63, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7};

// Decoder homing frame: what a freshly reset encoder makes of the encoder homing frame.
constexpr int16_t kHomingParams[kFrameParams] = {
    9, 23, 15, 8, 7, 3, 3, 2,
    40, 0, 0, 0, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,
    40, 0, 0, 0, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,
    40, 0, 0, 0, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,
    40, 0, 0, 0, 4, 4, 4, 4, 3, 4, 4, 4, 4, 4, 4, 4, 4};
constexpr int16_t kHomingSample = 0x0008;
// Parameters of the LARs and the first sub-segment.
constexpr int kHomingFirstParams = 8 + 17;

// Autocorrelation of the frame with the standard's dynamic scaling; s is left holding the
// scaled-and-rescaled signal that the analysis filter then uses.
void autocorrelation(int16_t* s, int32_t* acf) {
    const int16_t smax = max_abs16(s, kFrameSamples);
    const int scalauto = smax == 0 ? 0 : 4 - norm32(int32_t{smax} << 16);
    if (scalauto > 0) {
        const int16_t factor = static_cast<int16_t>(16384 >> (scalauto - 1));
        for (int k = 0; k < kFrameSamples; ++k) s[k] = mult_r(s[k], factor);
    }
    // Scaled samples stay below 2^12 in magnitude, so the sums are exact in 32 bits.
    (void)voksAutoCorr_16s32s(s, kFrameSamples, acf, 9);
    for (int lag = 0; lag <= 8; ++lag) acf[lag] *= 2;
    if (scalauto > 0) {
        for (int k = 0; k < kFrameSamples; ++k) s[k] = static_cast<int16_t>(s[k] * (1 << scalauto));
    }
}

// Reflection coefficients to log-area ratios (piecewise linear) and their quantisation.
void code_lars(const int16_t* r, int16_t* larc) {
    for (int i = 0; i < 8; ++i) {
        int16_t t = abs_s(r[i]);
        if (t < 22118)
            t = static_cast<int16_t>(t >> 1);
        else if (t < 31130)
            t = static_cast<int16_t>(t - 11059);
        else
            t = static_cast<int16_t>((t - 26112) * 4);
        const int16_t lar = r[i] < 0 ? static_cast<int16_t>(-t) : t;
        int16_t q = mult(kA[i], lar);
        q = add(q, kB[i]);
        q = add(q, 256);
        q = static_cast<int16_t>(q >> 9);
        larc[i] = static_cast<int16_t>(q > kMac[i] ? kMac[i] - kMic[i] : (q < kMic[i] ? 0 : q - kMic[i]));
    }
}

void decode_lars(const int16_t* larc, int16_t* larpp) {
    for (int i = 0; i < 8; ++i) {
        int16_t t = static_cast<int16_t>(add(larc[i], kMic[i]) * 1024);
        t = sub(t, static_cast<int16_t>(kB[i] * 2));
        t = mult_r(kInvA[i], t);
        larpp[i] = add(t, t);
    }
}

// Interpolated LARs of the four coefficient sets (samples 0..12, 13..26, 27..39, 40..159)
// converted to reflection coefficients.
void interpolate_rp(const int16_t* old_pp, const int16_t* new_pp, int16_t rp[4][8]) {
    for (int i = 0; i < 8; ++i) {
        const int16_t o = old_pp[i];
        const int16_t n = new_pp[i];
        int16_t larp[4];
        larp[0] = add(add(static_cast<int16_t>(o >> 2), static_cast<int16_t>(n >> 2)), static_cast<int16_t>(o >> 1));
        larp[1] = add(static_cast<int16_t>(o >> 1), static_cast<int16_t>(n >> 1));
        larp[2] = add(add(static_cast<int16_t>(o >> 2), static_cast<int16_t>(n >> 2)), static_cast<int16_t>(n >> 1));
        larp[3] = n;
        for (int j = 0; j < 4; ++j) {
            const int16_t x = larp[j];
            const int16_t t = abs_s(x);
            int16_t r;
            if (t < 11059)
                r = static_cast<int16_t>(t * 2);
            else if (t < 20070)
                r = static_cast<int16_t>(t + 11059);
            else
                r = add(static_cast<int16_t>(t >> 2), 26112);
            rp[j][i] = x < 0 ? static_cast<int16_t>(-r) : r;
        }
    }
}

constexpr int kSegStart[4] = {0, 13, 27, 40};
constexpr int kSegLen[4] = {13, 14, 13, 120};

// LTP lag by maximum cross-correlation with the past residual, gain by the table 4.3a levels.
void ltp_parameters(const int16_t* d, const int16_t* dp, int16_t* bc_out, int16_t* nc_out) {
    const int16_t dmax = max_abs16(d, 40);
    const int temp = dmax == 0 ? 0 : norm32(int32_t{dmax} << 16);
    const int scal = temp > 6 ? 0 : 6 - temp;
    int16_t wt[40];
    for (int k = 0; k < 40; ++k) wt[k] = static_cast<int16_t>(d[k] >> scal);

    // Scaled |wt| < 2^9, so each 40-term sum is exact in 32 bits. Lag L of the search is
    // lambda = 120 - L: from lambda 40 up, the first of the largest positive sums wins (40 when
    // none is positive).
    int32_t l_max = 0;
    int lag = 0;
    (void)voksCrossCorrLagMax_16s(wt, dp - 120, 40, 80, &l_max, &lag);
    const int nc = 120 - lag;
    *nc_out = static_cast<int16_t>(nc);
    l_max = (l_max * 2) >> (6 - scal);

    int32_t l_power = 0;
    for (int k = 0; k < 40; ++k) {
        const int32_t t = dp[k - nc] >> 3;
        l_power += t * t;
    }
    l_power *= 2;

    if (l_max <= 0) {
        *bc_out = 0;
        return;
    }
    if (l_max >= l_power) {
        *bc_out = 3;
        return;
    }
    const int shift = norm32(l_power);
    const auto r = static_cast<int16_t>((l_max << shift) >> 16);
    const auto s = static_cast<int16_t>((l_power << shift) >> 16);
    int16_t bc = 0;
    while (bc <= 2 && r > mult(s, kDlb[bc])) ++bc;
    *bc_out = bc;
}

// xmaxc -> exponent and mantissa of its decoded value.
void xmaxc_to_exp_mant(int16_t xmaxc, int16_t* exp_out, int16_t* mant_out) {
    int16_t exp = 0;
    if (xmaxc > 15) exp = static_cast<int16_t>((xmaxc >> 3) - 1);
    int16_t mant = static_cast<int16_t>(xmaxc - (exp << 3));
    if (mant == 0) {
        exp = -4;
        mant = 7;
    } else {
        while (mant <= 7) {
            mant = static_cast<int16_t>(mant << 1 | 1);
            --exp;
        }
        mant = static_cast<int16_t>(mant - 8);
    }
    *exp_out = exp;
    *mant_out = mant;
}

// Decoded RPE pulses placed on grid mc of the 40-sample sub-segment.
void rpe_decode(int16_t xmaxc, int16_t mc, const int16_t* xmc, int16_t* ep) {
    int16_t exp = 0;
    int16_t mant = 0;
    xmaxc_to_exp_mant(xmaxc, &exp, &mant);
    int16_t xmp[13];
    (void)voksRPEQuantDecode_GSMFR_16s(xmc, kFac[mant], static_cast<int16_t>(6 - exp), xmp);
    std::memset(ep, 0, 40 * sizeof(int16_t));
    for (int i = 0; i < 13; ++i) ep[mc + 3 * i] = xmp[i];
}

// Weighting, grid selection and APCM quantisation of the long-term residual e[0..39]
// (e[-5..-1] and e[40..44] are zero); e is replaced by the decoded residual.
void rpe_encode(int16_t* e, int16_t* xmaxc_out, int16_t* mc_out, int16_t* xmc) {
    int16_t x[40];
    (void)voksWeightingFilter_GSMFR_16s(e, x, 40);

    // Grid m takes x[m], x[m + 3], ..., x[m + 36]; the first grid of greatest energy wins.
    int32_t em = 0;
    int mc = 0;
    for (int m = 0; m < 4; ++m) {
        int32_t sum = 0;
        for (int i = 0; i < 13; ++i) {
            const int32_t t = x[m + 3 * i] >> 2;
            sum += t * t;
        }
        if (m == 0 || sum > em) {
            em = sum;
            mc = m;
        }
    }
    int16_t xm[13];
    for (int i = 0; i < 13; ++i) xm[i] = x[mc + 3 * i];

    const int16_t xmax = max_abs16(xm, 13);
    int16_t exp = 0;
    int16_t t = static_cast<int16_t>(xmax >> 9);
    bool stop = false;
    for (int i = 0; i <= 5; ++i) {
        stop |= t <= 0;
        t = static_cast<int16_t>(t >> 1);
        if (!stop) ++exp;
    }
    const int16_t xmaxc = add(static_cast<int16_t>(xmax >> (exp + 5)), static_cast<int16_t>(exp << 3));
    int16_t mant = 0;
    xmaxc_to_exp_mant(xmaxc, &exp, &mant);
    const int shift = 6 - exp;
    const int16_t nrfac = kNrFac[mant];
    for (int i = 0; i < 13; ++i) {
        const auto v = static_cast<int16_t>(xm[i] * (1 << shift));
        xmc[i] = static_cast<int16_t>((mult(v, nrfac) >> 12) + 4);
    }
    *xmaxc_out = xmaxc;
    *mc_out = static_cast<int16_t>(mc);
    rpe_decode(xmaxc, static_cast<int16_t>(mc), xmc, e);
}

bool is_homing_input(const int16_t* pcm) {
    for (int i = 0; i < kFrameSamples; ++i) {
        if (pcm[i] != kHomingSample) return false;
    }
    return true;
}

}  // namespace

int param_bits(int i) { return kFieldBits[i]; }

void encoder_init(Encoder* enc) { std::memset(enc, 0, sizeof(*enc)); }

void encode(Encoder* enc, const int16_t* pcm, int16_t* params) {
    int16_t so[kFrameSamples], s[kFrameSamples];
    (void)voksHighPassFilter_GSMFR_16s(pcm, so, kFrameSamples, enc->hp_mem);
    (void)voksPreemphasize_GSMFR_16s(so, s, kFrameSamples, &enc->pre_mem);

    int32_t acf[9];
    autocorrelation(s, acf);
    int16_t refl[8];
    (void)voksSchur_GSMFR_32s16s(acf, refl, 8);
    int16_t* larc = params;
    code_lars(refl, larc);

    int16_t larpp[8];
    decode_lars(larc, larpp);
    int16_t rp[4][8];
    interpolate_rp(enc->larpp, larpp, rp);
    std::memcpy(enc->larpp, larpp, sizeof(larpp));
    for (int j = 0; j < 4; ++j) {
        (void)voksShortTermAnalysisFilter_GSMFR_16s_I(rp[j], s + kSegStart[j], kSegLen[j], enc->u);
    }

    // dp[0..119] is the past residual, dp[120..279] this frame's.
    int16_t dp[120 + kFrameSamples];
    std::memcpy(dp, enc->dp, sizeof(enc->dp));
    int16_t e[50] = {};
    for (int j = 0; j < 4; ++j) {
        int16_t* sub = params + 8 + 17 * j;
        const int16_t* d = s + 40 * j;
        int16_t* cur = dp + 120 + 40 * j;
        int16_t nc = 0;
        int16_t bc = 0;
        ltp_parameters(d, cur, &bc, &nc);
        const int16_t* past = cur - nc;
        int16_t dpp[40];
        for (int k = 0; k < 40; ++k) {
            dpp[k] = mult_r(kQlb[bc], past[k]);
            e[5 + k] = fixed_ops::sub(d[k], dpp[k]);
        }
        sub[0] = nc;
        sub[1] = bc;
        rpe_encode(e + 5, &sub[3], &sub[2], sub + 4);
        for (int k = 0; k < 40; ++k) cur[k] = add(e[5 + k], dpp[k]);
    }
    std::memcpy(enc->dp, dp + kFrameSamples, sizeof(enc->dp));

    if (is_homing_input(pcm)) encoder_init(enc);
}

void decoder_init(Decoder* dec) {
    std::memset(dec, 0, sizeof(*dec));
    dec->nrp = 40;
    dec->homed = true;
}

void decode(Decoder* dec, const int16_t* params, int16_t* pcm) {
    int16_t p[kFrameParams];
    for (int i = 0; i < kFrameParams; ++i) p[i] = static_cast<int16_t>(params[i] & kFieldMask[i]);
    // After a reset, a frame whose LARs and first sub-segment equal the decoder homing frame
    // is not decoded: the output is the encoder homing frame and the decoder stays reset.
    if (dec->homed && std::memcmp(p, kHomingParams, kHomingFirstParams * sizeof(int16_t)) == 0) {
        for (int i = 0; i < kFrameSamples; ++i) pcm[i] = kHomingSample;
        decoder_init(dec);
        return;
    }
    const bool homing = std::memcmp(p, kHomingParams, sizeof(p)) == 0;

    // drp[0..119] is the past residual, drp[120..279] this frame's, which the synthesis
    // filter then reads.
    int16_t drp[120 + kFrameSamples];
    std::memcpy(drp, dec->drp, sizeof(dec->drp));
    for (int j = 0; j < 4; ++j) {
        const int16_t* sub = p + 8 + 17 * j;
        int16_t erp[40];
        rpe_decode(sub[3], sub[2], sub + 4, erp);
        const int16_t nr = (sub[0] < 40 || sub[0] > 120) ? dec->nrp : sub[0];
        dec->nrp = nr;
        const int16_t brp = kQlb[sub[1]];
        int16_t* cur = drp + 120 + 40 * j;
        const int16_t* past = cur - nr;  // nr >= 40: all before this sub-segment
        for (int k = 0; k < 40; ++k) cur[k] = add(erp[k], mult_r(brp, past[k]));
    }
    std::memcpy(dec->drp, drp + kFrameSamples, sizeof(dec->drp));
    const int16_t* wt = drp + 120;

    int16_t larpp[8];
    decode_lars(p, larpp);
    int16_t rp[4][8];
    interpolate_rp(dec->larpp, larpp, rp);
    std::memcpy(dec->larpp, larpp, sizeof(larpp));
    for (int j = 0; j < 4; ++j) {
        (void)voksShortTermSynthesisFilter_GSMFR_16s(rp[j], wt + kSegStart[j], pcm + kSegStart[j],
                                                     kSegLen[j], dec->v);
    }
    (void)voksDeemphasize_GSMFR_16s_I(pcm, kFrameSamples, &dec->msr);

    if (homing) {
        decoder_init(dec);
    } else {
        dec->homed = false;
    }
}

void pack(const int16_t* params, uint8_t* frame) {
    // The signature and the LARs fill 40 bits, each sub-segment 56: whole bytes, so each part
    // is gathered in 64 bits and stored on its own.
    const auto gather = [params](uint64_t acc, int first, int count) {
        for (int i = first; i < first + count; ++i)
            acc = (acc << kFieldBits[i]) |
                  (static_cast<uint16_t>(params[i]) & static_cast<uint16_t>(kFieldMask[i]));
        return acc;
    };
    const auto store = [](uint64_t acc, int bytes, uint8_t* dst) {
        for (int b = 0; b < bytes; ++b) dst[b] = static_cast<uint8_t>(acc >> (8 * (bytes - 1 - b)));
    };
    store(gather(0xD, 0, 8), 5, frame);
    for (int j = 0; j < 4; ++j) store(gather(0, 8 + 17 * j, 17), 7, frame + 5 + 7 * j);
}

bool unpack(const uint8_t* frame, int16_t* params) {
    if ((frame[0] >> 4) != 0xD) return false;
    // The parts pack() stores: 40 bits of signature and LARs, then four 56-bit sub-segments.
    const auto load = [](const uint8_t* src, int bytes) {
        uint64_t acc = 0;
        for (int b = 0; b < bytes; ++b) acc = (acc << 8) | src[b];
        return acc;
    };
    const auto scatter = [params](uint64_t acc, int first, int count) {
        for (int i = first + count - 1; i >= first; --i) {
            params[i] = static_cast<int16_t>(acc & static_cast<uint16_t>(kFieldMask[i]));
            acc >>= kFieldBits[i];
        }
    };
    scatter(load(frame, 5), 0, 8);
    for (int j = 0; j < 4; ++j) scatter(load(frame + 5 + 7 * j, 7), 8 + 17 * j, 17);
    return true;
}

}  // namespace gsmfr

// G.729 arithmetic shared by the pitch, gain and excitation code: base-2 logarithm and power of
// two, the exact fast paths of the saturating L_mac chains, the pitch gain and the MA gain
// prediction.
#include "g729/g729_mathop.h"

#include "common/basicop.h"
#include "common/kernels.h"
#include "common/mathop.h"

namespace voks::g729 {

namespace {

constexpr int16_t kLog2Table[33] = {0,     1455,  2866,  4236,  5568,  6863,  8124,  9352,  10549,
                                    11716, 12855, 13967, 15054, 16117, 17156, 18172, 19167, 20142,
                                    21097, 22033, 22951, 23852, 24735, 25603, 26455, 27291, 28113,
                                    28922, 29716, 30497, 31266, 32023, 32767};

constexpr int16_t kPow2Table[33] = {16384, 16743, 17109, 17484, 17867, 18258, 18658, 19066, 19484,
                                    19911, 20347, 20792, 21247, 21713, 22188, 22674, 23170, 23678,
                                    24196, 24726, 25268, 25821, 26386, 26964, 27554, 28158, 28774,
                                    29405, 30048, 30706, 31379, 32066, 32767};

}  // namespace

void ownLog2(int32_t x, int16_t& exponent, int16_t& fraction) {
    if (x <= 0) {
        exponent = 0;
        fraction = 0;
        return;
    }
    const int16_t e = norm_l(x);
    x = ownNormShift(x, e);
    exponent = sub(30, e);
    x = L_shr(x, 9);
    const int16_t i = sub(extract_h(x), 32);
    const int16_t a = static_cast<int16_t>(extract_l(L_shr(x, 1)) & 0x7FFF);
    fraction = extract_h(interpolate_q15(kLog2Table, i, a));
}

int32_t ownPow2(int16_t exponent, int16_t fraction) {
    int32_t x = L_mult(fraction, 32);
    const int16_t i = extract_h(x);
    const int16_t a = static_cast<int16_t>(extract_l(L_shr(x, 1)) & 0x7FFF);
    x = interpolate_q15(kPow2Table, i, a);
    return L_shr_r(x, sub(30, exponent));
}

bool ownMacChainExact(int32_t start, int64_t ex, int64_t ey, const int16_t* x, const int16_t* y, int n,
                      int32_t& result) {
    const int64_t room = int64_t{MAX_32} - (start < 0 ? -int64_t{start} : int64_t{start});
    if (room < 0) return false;
    // Every partial sum of x[i] y[i] is at most sqrt(Ex Ey) in magnitude (Cauchy-Schwarz).
    const unsigned __int128 bound =
        static_cast<unsigned __int128>(static_cast<uint64_t>(4 * ex)) * static_cast<uint64_t>(ey);
    if (bound > static_cast<unsigned __int128>(room) * static_cast<uint64_t>(room)) return false;
    // |sum| < 2^30 here, so the sum modulo 2^32 is the sum itself.
    result = start + 2 * common::kernels().dot(x, y, n);
    return true;
}

bool ownMacChainExact(int32_t start, const int16_t* x, const int16_t* y, int n, int32_t& result) {
    const common::Kernels& k = common::kernels();
    return ownMacChainExact(start, k.energy(x, n), k.energy(y, n), x, y, n, result);
}

// start + 2 * energy, as the monotone L_mac chain of squares gives it.
int32_t mac_energy(int32_t start, int64_t energy, bool& overflow) {
    const int64_t s = int64_t{start} + 2 * energy;
    if (s > MAX_32) {
        overflow = true;
        return MAX_32;
    }
    return static_cast<int32_t>(s);
}

int32_t ownMacEnergy(int32_t start, const int16_t* x, int n, bool& overflow) {
    // Every step adds a non-negative term (a saturated L_mult included), so the chain saturates
    // exactly when the exact total leaves 32 bits, and then stays at MAX_32.
    return mac_energy(start, common::kernels().energy(x, n), overflow);
}

int16_t voksComputeAdaptiveCodebookGain_16s(int32_t xyStart, const int16_t* y, const int16_t* x,
                                            int16_t coeff[4]) {
    int64_t ey = 0, ex = 0;
    return ownPitchGain(xyStart, y, x, coeff, ey, ex);
}

int16_t ownPitchGain(int32_t xyStart, const int16_t* y, const int16_t* x, int16_t coeff[4], int64_t& ey,
                     int64_t& ex) {
    constexpr int kLen = 40;
    int16_t scaled[kLen];
    auto scale = [&] {
        for (int i = 0; i < kLen; ++i) scaled[i] = static_cast<int16_t>(y[i] >> 2);
    };

    // <y,y>, redone on y/4 when the saturating accumulation overflowed.
    const common::Kernels& k = common::kernels();
    ey = k.energy(y, kLen);
    bool overflow = false;
    int32_t s = mac_energy(1, ey, overflow);
    int16_t expYY = 0;
    bool scaled_ready = false;
    if (overflow) {
        scale();
        scaled_ready = true;
        s = ownMacEnergy(1, scaled, kLen, overflow);
        expYY = -4;
    }
    int16_t n = norm_l(s);
    const int16_t yy = round_fx(ownNormShift(s, n));
    expYY = add(expYY, n);

    // <x,y>, likewise on y/4; the step-by-step chain only when a partial sum might saturate.
    overflow = false;
    ex = k.energy(x, kLen);
    if (!ownMacChainExact(xyStart, ex, ey, x, y, kLen, s)) {
        s = xyStart;
        for (int i = 0; i < kLen; ++i) s = L_mac(s, x[i], y[i], overflow);
    }
    int16_t expXY = 0;
    if (overflow) {
        if (!scaled_ready) scale();
        if (!ownMacChainExact(xyStart, ex, k.energy(scaled, kLen), x, scaled, kLen, s)) {
            s = xyStart;
            for (int i = 0; i < kLen; ++i) s = L_mac(s, x[i], scaled[i]);
        }
        expXY = -2;
    }
    n = norm_l(s);
    const int16_t xy = round_fx(ownNormShift(s, n));
    expXY = add(expXY, n);

    coeff[0] = yy;
    coeff[1] = sub(15, expYY);
    coeff[2] = xy;
    coeff[3] = sub(15, expXY);

    if (xy < 4) return 0;
    int16_t gain = yy < 1 ? MAX_16 : div_s(shr(xy, 1), yy);
    gain = shr(gain, sub(expXY, expYY));
    return gain > 19661 ? int16_t{19661} : gain;
}

int32_t ownInnovationEnergy(const int16_t* code, int len) {
    bool overflow = false;
    return ownMacEnergy(0, code, len, overflow);
}

void ownGainPredict(const int16_t pastQuaEn[4], int32_t innovationEnergy, int16_t& gcode0,
                    int16_t& expGcode0) {
    static constexpr int16_t kPred[4] = {5571, 4751, 2785, 1556};  // MA coefficients, Q13
    int16_t e = 0, f = 0;
    ownLog2(innovationEnergy, e, f);
    int32_t t = Mpy_32_16(e, f, -24660);  // -10 log10(2) in Q13
    t = L_mac(t, 32588, 32);              // mean energy
    t = L_shl(t, 10);
    for (int i = 0; i < 4; ++i) t = L_mac(t, kPred[i], pastQuaEn[i]);
    const int16_t g = extract_h(t);  // Q8 dB
    t = L_shr(L_mult(g, 5439), 8);   // log2(10) / 20 in Q15
    L_Extract(t, e, f);
    gcode0 = extract_l(ownPow2(14, f));
    expGcode0 = sub(14, e);
}

void ownGainUpdate(int16_t pastQuaEn[4], int32_t gainQ13) {
    for (int i = 3; i > 0; --i) pastQuaEn[i] = pastQuaEn[i - 1];
    int16_t e = 0, f = 0;
    ownLog2(gainQ13, e, f);
    const int32_t t = L_Comp(sub(e, 13), f);
    pastQuaEn[0] = mult(extract_h(L_shl(t, 13)), 24660);
}

void ownGainUpdateErasure(int16_t pastQuaEn[4]) {
    int32_t sum = 0;
    for (int i = 0; i < 4; ++i) sum = L_add(sum, pastQuaEn[i]);
    int16_t mean = sub(extract_l(L_shr(sum, 2)), 4096);
    if (mean < -14336) mean = -14336;
    for (int i = 3; i > 0; --i) pastQuaEn[i] = pastQuaEn[i - 1];
    pastQuaEn[0] = mean;
}

}  // namespace voks::g729

// Composite fixed-point operations shared by the AMR-WB example encoder and decoder.
#include "amrwb/amrwb_ops.h"

#include <algorithm>
#include <cstdlib>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/fixed_ops.h"

namespace amrwbex {

using namespace fixed_ops;

namespace {

// 1/sqrt and 2^x interpolation tables.
const int16_t kIsqrt[49] = {32767, 31790, 30894, 30070, 29309, 28602, 27945, 27330, 26755, 26214,
                            25705, 25225, 24770, 24339, 23930, 23541, 23170, 22817, 22479, 22155,
                            21845, 21548, 21263, 20988, 20724, 20470, 20225, 19988, 19760, 19539,
                            19326, 19119, 18919, 18725, 18536, 18354, 18176, 18004, 17837, 17674,
                            17515, 17361, 17211, 17064, 16921, 16782, 16646, 16514, 16384};
const int16_t kPow2[33] = {16384, 16743, 17109, 17484, 17867, 18258, 18658, 19066, 19484, 19911, 20347,
                           20792, 21247, 21713, 22188, 22674, 23170, 23678, 24196, 24726, 25268, 25821,
                           26386, 26964, 27554, 28158, 28774, 29405, 30048, 30706, 31379, 32066, 32767};

}  // namespace

void isqrt_n(int32_t* frac, int16_t* exp) {
    if (*frac <= 0) {
        *exp = 0;
        *frac = INT32_MAX;
        return;
    }
    if (*exp & 1) *frac = L_shr(*frac, 1);
    *exp = negate(shr(sub(*exp, 1), 1));
    *frac = L_shr(*frac, 9);
    const int16_t i = sub(extract_h(*frac), 16);
    *frac = L_shr(*frac, 1);
    const int16_t a = static_cast<int16_t>(extract_l(*frac) & 0x7fff);
    *frac = L_msu(L_deposit_h(kIsqrt[i]), sub(kIsqrt[i], kIsqrt[i + 1]), a);
}

int32_t pow2(int16_t exponent, int16_t fraction) {
    int32_t x = L_mult(fraction, 32);
    const int16_t i = extract_h(x);
    x = L_shr(x, 1);
    const int16_t a = static_cast<int16_t>(extract_l(x) & 0x7fff);
    x = L_msu(L_deposit_h(kPow2[i]), sub(kPow2[i], kPow2[i + 1]), a);
    return L_shr_r(x, sub(30, exponent));
}

int32_t dot_product12(const int16_t* x, const int16_t* y, int n, int16_t* exp) {
    int32_t sum = 1;
    if (x == y) {
        // Non-negative terms: the saturating chain ends at the clamped exact sum.
        int64_t e = 0;
        int i = 0;
#if defined(__SSE2__)
        // Pairs of squares (each pair at most 2^31, unsigned) widened into 64-bit lanes.
        const __m128i zero = _mm_setzero_si128();
        __m128i acc = zero;
        for (; i + 8 <= n; i += 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i)),
                          m = _mm_madd_epi16(v, v);
            acc = _mm_add_epi64(acc, _mm_add_epi64(_mm_unpacklo_epi32(m, zero), _mm_unpackhi_epi32(m, zero)));
        }
        alignas(16) int64_t lanes[2];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
        e = lanes[0] + lanes[1];
#endif
        for (; i < n; ++i) e += int32_t{x[i]} * x[i];
        sum = static_cast<int32_t>(std::min<int64_t>(INT32_MAX, 1 + 2 * e));
    } else {
        // Plain arithmetic where no partial sum can saturate.
        int64_t bound = 0;
        for (int i = 0; i < n; ++i) bound += std::abs(x[i] * y[i]);
        if (2 * bound + 1 <= INT32_MAX) {
            int32_t t = 0;
            for (int i = 0; i < n; ++i) t += x[i] * y[i];
            sum += 2 * t;
        } else {
            for (int i = 0; i < n; ++i) sum = L_mac(sum, x[i], y[i]);
        }
    }
    const int16_t sft = norm_l(sum);
    *exp = sub(30, sft);
    return L_shl(sum, sft);
}

int16_t voice_factor(const int16_t* exc, int q_exc, int16_t gain_pit, const int16_t* code, int16_t gain_code,
                     int n) {
    int16_t exp1, exp2;
    int16_t ener1 = extract_h(dot_product12(exc, exc, n, &exp1));
    exp1 = sub(exp1, sat16(int32_t{q_exc} + q_exc));
    int32_t t = L_mult(gain_pit, gain_pit);
    int16_t e = norm_l(t);
    ener1 = mult(ener1, extract_h(L_shl(t, e)));
    exp1 = sub(sub(exp1, e), 10);
    int16_t ener2 = extract_h(dot_product12(code, code, n, &exp2));
    e = norm_s(gain_code);
    int16_t g = shl(gain_code, e);
    ener2 = mult(ener2, mult(g, g));
    exp2 = sub(exp2, add(e, e));
    const int16_t d = sub(exp1, exp2);
    if (d >= 0) {
        ener1 = shr(ener1, 1);
        ener2 = shr(ener2, add(d, 1));
    } else {
        ener1 = shr(ener1, sub(1, d));
        ener2 = shr(ener2, 1);
    }
    const int16_t diff = sub(ener1, ener2);
    const int16_t sum = add(add(ener1, ener2), 1);
    return diff >= 0 ? div_s(diff, sum) : negate(div_s(negate(diff), sum));
}

int32_t smooth_code_gain(int32_t gain, int16_t fac, int32_t* thres) {
    int16_t hi, lo;
    L_Extract(gain, &hi, &lo);
    int32_t t;
    if (gain < *thres) {
        t = L_add(gain, Mpy_32_16(hi, lo, 6226));
        if (t > *thres) t = *thres;
    } else {
        t = Mpy_32_16(hi, lo, 27536);
        if (t < *thres) t = *thres;
    }
    *thres = t;
    const int32_t g = Mpy_32_16(hi, lo, sub(32767, fac));
    L_Extract(t, &hi, &lo);
    return L_add(g, Mpy_32_16(hi, lo, fac));
}

}  // namespace amrwbex

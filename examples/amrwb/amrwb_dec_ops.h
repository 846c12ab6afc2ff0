// Saturating 16/32-bit fixed-point operations of the AMR-WB example decoder's glue arithmetic
// (the standard's basic operators and the few composite ones the decoder uses).
#ifndef VOKSC_EXAMPLES_AMRWB_AMRWB_DEC_OPS_H
#define VOKSC_EXAMPLES_AMRWB_AMRWB_DEC_OPS_H

#include <cstdint>

namespace amrwbex {
namespace dec {

inline int16_t sat16(int32_t x) {
    return static_cast<int16_t>(x > 32767 ? 32767 : x < -32768 ? -32768 : x);
}
inline int32_t sat32(int64_t x) {
    return static_cast<int32_t>(x > INT32_MAX ? INT32_MAX : x < INT32_MIN ? INT32_MIN : x);
}
inline int16_t add(int16_t a, int16_t b) {
    return sat16(int32_t{a} + b);
}
inline int16_t sub(int16_t a, int16_t b) {
    return sat16(int32_t{a} - b);
}
inline int16_t abs_s(int16_t a) {
    return a == -32768 ? int16_t{32767} : static_cast<int16_t>(a < 0 ? -a : a);
}
inline int16_t negate(int16_t a) {
    return a == -32768 ? int16_t{32767} : static_cast<int16_t>(-a);
}
inline int16_t mult(int16_t a, int16_t b) {
    return sat16((int32_t{a} * b) >> 15);
}
inline int16_t mult_r(int16_t a, int16_t b) {
    return sat16((int32_t{a} * b + 0x4000) >> 15);
}
inline int32_t L_mult(int16_t a, int16_t b) {
    return (a == -32768 && b == -32768) ? INT32_MAX : int32_t{a} * b * 2;
}
inline int32_t L_add(int32_t a, int32_t b) {
    return sat32(int64_t{a} + b);
}
inline int32_t L_sub(int32_t a, int32_t b) {
    return sat32(int64_t{a} - b);
}
inline int32_t L_mac(int32_t s, int16_t a, int16_t b) {
    return L_add(s, L_mult(a, b));
}
inline int32_t L_msu(int32_t s, int16_t a, int16_t b) {
    return L_sub(s, L_mult(a, b));
}
inline int32_t L_abs(int32_t a) {
    return a == INT32_MIN ? INT32_MAX : (a < 0 ? -a : a);
}
inline int32_t L_shr(int32_t x, int n);
inline int32_t L_shl(int32_t x, int n) {
    if (n <= 0) return L_shr(x, -n);
    if (n > 31) n = 31;
    return sat32(static_cast<int64_t>(x) * (int64_t{1} << n));
}
inline int32_t L_shr(int32_t x, int n) {
    if (n < 0) return L_shl(x, -n);
    return n >= 31 ? (x < 0 ? -1 : 0) : (x >> n);
}
inline int32_t L_shr_r(int32_t x, int n) {
    if (n > 31) return 0;
    int32_t y = L_shr(x, n);
    if (n > 0 && (x & (int32_t{1} << (n - 1)))) ++y;
    return y;
}
inline int16_t shr(int16_t a, int n);
inline int16_t shl(int16_t a, int n) {
    if (n < 0) return shr(a, -n);
    if (a == 0) return 0;
    if (n > 15) return a < 0 ? int16_t{-32768} : int16_t{32767};
    return sat16(int32_t{a} * (1 << n));
}
inline int16_t shr(int16_t a, int n) {
    if (n < 0) return shl(a, -n);
    return n >= 15 ? (a < 0 ? int16_t{-1} : int16_t{0}) : static_cast<int16_t>(a >> n);
}
inline int16_t shr_r(int16_t a, int n) {
    if (n > 15) return 0;
    int16_t y = shr(a, n);
    if (n > 0 && (a & (1 << (n - 1)))) ++y;
    return y;
}
inline int16_t extract_h(int32_t x) {
    return static_cast<int16_t>(x >> 16);
}
inline int16_t extract_l(int32_t x) {
    return static_cast<int16_t>(x);
}
inline int16_t round16(int32_t x) {
    return extract_h(L_add(x, 0x8000));
}
inline int32_t L_deposit_h(int16_t a) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(a)) << 16);
}
inline int16_t norm_l(int32_t x) {
    if (x == 0) return 0;
    if (x == -1) return 31;
    if (x < 0) x = ~x;
    int16_t n = 0;
    while (x < 0x40000000) {
        x <<= 1;
        ++n;
    }
    return n;
}
inline int16_t norm_s(int16_t x) {
    if (x == 0) return 0;
    if (x == -1) return 15;
    int32_t v = x < 0 ? ~x : x;
    int16_t n = 0;
    while (v < 0x4000) {
        v <<= 1;
        ++n;
    }
    return n;
}
// num / den in Q15 for 0 <= num <= den, den > 0.
inline int16_t div_s(int16_t num, int16_t den) {
    if (num == 0) return 0;
    if (num == den) return 32767;
    int32_t n = num, d = den;
    int16_t q = 0;
    for (int i = 0; i < 15; ++i) {
        q = static_cast<int16_t>(q << 1);
        n <<= 1;
        if (n >= d) {
            n -= d;
            ++q;
        }
    }
    return q;
}
inline void L_Extract(int32_t x, int16_t* hi, int16_t* lo) {
    *hi = extract_h(x);
    *lo = extract_l(L_msu(L_shr(x, 1), *hi, 16384));
}
inline int32_t Mpy_32_16(int16_t hi, int16_t lo, int16_t n) {
    return L_mac(L_mult(hi, n), mult(lo, n), 1);
}
inline int32_t Mpy_32(int16_t h1, int16_t l1, int16_t h2, int16_t l2) {
    return L_mac(L_mac(L_mult(h1, h2), mult(h1, l2), 1), mult(l1, h2), 1);
}

// Composite operators (amrwb_dec_dsp.cpp).
// sum x[i] y[i] + 1 normalised, with its exponent (0..30).
int32_t dot_product12(const int16_t* x, const int16_t* y, int n, int16_t* exp);
// 1/sqrt of frac 2^exp, normalised in place (frac <= 0 gives 1.0, exponent 0).
void isqrt_n(int32_t* frac, int16_t* exp);
// 1/sqrt(x) in Q31.
int32_t isqrt(int32_t x);
// 2^(exponent + fraction), fraction Q15.
int32_t pow2(int16_t exponent, int16_t fraction);
// The reference generator: seed = seed * 31821 + 13849 (16 bits).
inline int16_t random16(int16_t* seed) {
    *seed = extract_l(L_add(L_shr(L_mult(*seed, 31821), 1), 13849));
    return *seed;
}

}  // namespace dec
}  // namespace amrwbex

#endif  // VOKSC_EXAMPLES_AMRWB_AMRWB_DEC_OPS_H

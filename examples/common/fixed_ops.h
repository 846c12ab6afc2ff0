// Saturating 16/32-bit fixed-point operators in the style of the speech-coding reference
// arithmetic (add, mult, L_mac, L_shl, norm_s, ...), shared by the example codecs. Every shift
// count is accepted: counts beyond the word width saturate or give the sign, never undefined
// behaviour.
#ifndef VOKSC_EXAMPLES_COMMON_FIXED_OPS_H
#define VOKSC_EXAMPLES_COMMON_FIXED_OPS_H

#include <cstdint>

namespace fixed_ops {

inline int16_t sat16(int64_t x) {
    return static_cast<int16_t>(x > 32767 ? 32767 : (x < -32768 ? -32768 : x));
}
inline int32_t sat32(int64_t x) {
    return static_cast<int32_t>(x > INT32_MAX ? INT32_MAX : (x < INT32_MIN ? INT32_MIN : x));
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
    return sat32(int64_t{a} * b * 2);
}
inline int32_t L_add(int32_t a, int32_t b) {
    return sat32(int64_t{a} + b);
}
inline int32_t L_sub(int32_t a, int32_t b) {
    return sat32(int64_t{a} - b);
}
inline int32_t L_mac(int32_t acc, int16_t a, int16_t b) {
    return L_add(acc, L_mult(a, b));
}
inline int32_t L_msu(int32_t acc, int16_t a, int16_t b) {
    return L_sub(acc, L_mult(a, b));
}
inline int32_t L_abs(int32_t x) {
    return x == INT32_MIN ? INT32_MAX : (x < 0 ? -x : x);
}
inline int32_t L_negate(int32_t x) {
    return x == INT32_MIN ? INT32_MAX : -x;
}
// Saturating left shift for n > 0 (by multiplication: shifting a negative value is not
// portable), arithmetic right shift for n <= 0.
inline int32_t L_shl(int32_t x, int n) {
    if (n <= 0) return n <= -31 ? (x < 0 ? -1 : 0) : x >> -n;
    if (x == 0) return 0;
    if (n > 31) return x > 0 ? INT32_MAX : INT32_MIN;
    return sat32(int64_t{x} * (int64_t{1} << n));
}
inline int32_t L_shr(int32_t x, int n) {
    return n >= 31 ? (x < 0 ? -1 : 0) : L_shl(x, n < -32 ? 32 : -n);
}
// Right shift rounded to nearest (n > 0); a saturating left shift for n <= 0.
inline int32_t L_shr_r(int32_t x, int n) {
    if (n > 31) return 0;
    int32_t y = L_shr(x, n);
    if (n > 0 && (x & (int32_t{1} << (n - 1))) != 0) ++y;
    return y;
}
inline int16_t shl(int16_t x, int n) {
    if (n <= 0) return static_cast<int16_t>(n <= -15 ? (x < 0 ? -1 : 0) : x >> -n);
    if (x == 0) return 0;
    if (n > 15) return x > 0 ? int16_t{32767} : int16_t{-32768};
    return sat16(int32_t{x} * (1 << n));
}
inline int16_t shr(int16_t x, int n) {
    return n >= 15 ? static_cast<int16_t>(x < 0 ? -1 : 0) : shl(x, n < -16 ? 16 : -n);
}
inline int16_t shr_r(int16_t x, int n) {
    if (n > 15) return 0;
    int16_t y = shr(x, n);
    if (n > 0 && (x & (1 << (n - 1))) != 0) ++y;
    return y;
}
inline int16_t extract_h(int32_t x) {
    return static_cast<int16_t>(x >> 16);
}
inline int16_t extract_l(int32_t x) {
    return static_cast<int16_t>(x);
}
inline int32_t L_deposit_h(int16_t x) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(x)) << 16);
}
inline int16_t round16(int32_t x) {
    return extract_h(L_add(x, 0x8000));
}
// Left shifts that bring x into 0x4000..0x7FFF (or its negative mirror); 0 for 0.
inline int16_t norm_s(int16_t x) {
    if (x == 0) return 0;
    if (x == -1) return 15;
    const uint32_t v = static_cast<uint32_t>(x < 0 ? ~x : x);  // 0 < v < 2^15
    return static_cast<int16_t>(__builtin_clz(v) - 17);
}
inline int16_t norm_l(int32_t x) {
    if (x == 0) return 0;
    if (x == -1) return 31;
    const uint32_t v = static_cast<uint32_t>(x < 0 ? ~x : x);  // 0 < v < 2^31
    return static_cast<int16_t>(__builtin_clz(v) - 1);
}
// num / den in Q15 for 0 <= num <= den: 0 for num <= 0, 32767 for num >= den (also den 0).
inline int16_t div_s(int16_t num, int16_t den) {
    if (num <= 0) return 0;
    if (num >= den) return 32767;
    return static_cast<int16_t>((int32_t{num} << 15) / den);
}
// div_s with a non-positive denominator giving 0 rather than 32767.
inline int16_t div_s_pos(int16_t num, int16_t den) {
    return den <= 0 ? int16_t{0} : div_s(num, den);
}

// Double-precision format: x = hi << 16 | lo << 1 with 0 <= lo < 32768.
inline void L_Extract(int32_t x, int16_t* hi, int16_t* lo) {
    *hi = extract_h(x);
    *lo = static_cast<int16_t>((x >> 1) - int32_t{*hi} * 32768);
}
inline int32_t L_Comp(int16_t hi, int16_t lo) {
    return L_mac(L_deposit_h(hi), lo, 1);
}
inline int32_t Mpy_32_16(int16_t hi, int16_t lo, int16_t n) {
    return L_mac(L_mult(hi, n), mult(lo, n), 1);
}
inline int32_t Mpy_32(int16_t h1, int16_t l1, int16_t h2, int16_t l2) {
    return L_mac(L_mac(L_mult(h1, h2), mult(h1, l2), 1), mult(l1, h2), 1);
}

}  // namespace fixed_ops

#endif  // VOKSC_EXAMPLES_COMMON_FIXED_OPS_H

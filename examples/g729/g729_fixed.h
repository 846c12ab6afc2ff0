// Saturating 16/32-bit fixed-point arithmetic of the G.729 reference (its basic operators),
// shared by every part of the example codec.
#ifndef VOKSC_EXAMPLE_G729_FIXED_H
#define VOKSC_EXAMPLE_G729_FIXED_H

#include <cstdint>

namespace g729 {
namespace fx {

inline int16_t sat16(int32_t x) {
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
inline int16_t mult(int16_t a, int16_t b) {
    return sat16((int32_t{a} * b) >> 15);
}
inline int16_t mult_r(int16_t a, int16_t b) {
    return sat16((int32_t{a} * b + 0x4000) >> 15);
}
inline int32_t l_mult(int16_t a, int16_t b) {
    return sat32(int64_t{a} * b * 2);
}
inline int32_t l_add(int32_t a, int32_t b) {
    return sat32(int64_t{a} + b);
}
inline int32_t l_sub(int32_t a, int32_t b) {
    return sat32(int64_t{a} - b);
}
inline int32_t l_mac(int32_t acc, int16_t a, int16_t b) {
    return l_add(acc, l_mult(a, b));
}
// Left shift for n >= 0 (saturating), arithmetic right shift for n < 0.
inline int32_t l_shl(int32_t x, int n) {
    if (n <= 0) return n <= -32 ? (x < 0 ? -1 : 0) : x >> -n;
    if (x == 0) return 0;
    if (n > 31) return x > 0 ? INT32_MAX : INT32_MIN;
    return sat32(static_cast<int64_t>(x) * (int64_t{1} << n));
}
inline int32_t l_shr(int32_t x, int n) {
    return l_shl(x, -n);
}
inline int16_t shl(int16_t x, int n) {
    if (n <= 0) return n <= -16 ? static_cast<int16_t>(x < 0 ? -1 : 0) : static_cast<int16_t>(x >> -n);
    if (x == 0) return 0;
    if (n > 15) return x > 0 ? int16_t{32767} : int16_t{-32768};
    return sat16(int32_t{x} * (1 << n));
}
inline int16_t shr(int16_t x, int n) {
    return shl(x, -n);
}
// Right shift rounded (n > 0) or a saturating left shift (n <= 0).
inline int16_t shr_r(int16_t x, int n) {
    if (n > 15) return 0;
    int16_t r = shr(x, n);
    if (n > 0 && (x & (1 << (n - 1))) != 0) ++r;
    return r;
}
inline int16_t extract_h(int32_t x) {
    return static_cast<int16_t>(x >> 16);
}
inline int16_t round16(int32_t x) {
    return extract_h(l_add(x, 0x8000));
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
// 32 x 16 bit product of the double-precision format: x = hi << 16 | lo << 1.
inline int32_t mpy_32_16(int32_t x, int16_t n) {
    const int16_t hi = extract_h(x);
    const int16_t lo = static_cast<int16_t>((x >> 1) - int32_t{hi} * 32768);
    return l_mac(l_mult(hi, n), mult(lo, n), 1);
}

inline constexpr int16_t kLog2Table[33] = {0,     1455,  2866,  4236,  5568,  6863,  8124,  9352,  10549,
                                           11716, 12855, 13967, 15054, 16117, 17156, 18172, 19167, 20142,
                                           21097, 22033, 22951, 23852, 24735, 25603, 26455, 27291, 28113,
                                           28922, 29716, 30497, 31266, 32023, 32767};

// log2(x) = exponent + fraction / 32768 for x > 0 (table interpolation), 0 otherwise.
inline void log2_q15(int32_t x, int16_t* exponent, int16_t* fraction) {
    if (x <= 0) {
        *exponent = 0;
        *fraction = 0;
        return;
    }
    const int16_t e = norm_l(x);
    x = l_shr(l_shl(x, e), 9);
    *exponent = static_cast<int16_t>(30 - e);
    const int i = extract_h(x) - 32;
    const int16_t a = static_cast<int16_t>((x >> 1) & 0x7FFF);
    const int32_t y = l_sub(int32_t{kLog2Table[i]} << 16, l_mult(sub(kLog2Table[i], kLog2Table[i + 1]), a));
    *fraction = extract_h(y);
}

}  // namespace fx
}  // namespace g729

#endif  // VOKSC_EXAMPLE_G729_FIXED_H

// Saturating fixed-point operators of the G.723.1 reference, for the example coder's own steps.
#ifndef VOKSC_EXAMPLE_G723_FIXED_H
#define VOKSC_EXAMPLE_G723_FIXED_H

#include <cstdint>

namespace g723::fx {

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
inline int32_t L_mac(int32_t c, int16_t a, int16_t b) {
    return L_add(c, L_mult(a, b));
}
inline int32_t L_msu(int32_t c, int16_t a, int16_t b) {
    return L_sub(c, L_mult(a, b));
}
inline int32_t L_negate(int32_t x) {
    return x == INT32_MIN ? INT32_MAX : -x;
}
inline int32_t L_abs(int32_t x) {
    return x == INT32_MIN ? INT32_MAX : (x < 0 ? -x : x);
}
inline int32_t L_shl(int32_t x, int n) {
    if (n <= 0) return n <= -32 ? (x < 0 ? -1 : 0) : x >> -n;
    if (x == 0) return 0;
    if (n > 31) return x > 0 ? INT32_MAX : INT32_MIN;
    return sat32(static_cast<int64_t>(x) * (int64_t{1} << n));
}
inline int32_t L_shr(int32_t x, int n) {
    return L_shl(x, -n);
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
inline int16_t norm_s(int16_t a) {
    if (a == 0) return 0;
    if (a == -1) return 15;
    int v = a < 0 ? ~a : a, n = 0;
    while (v < 0x4000) v <<= 1, ++n;
    return static_cast<int16_t>(n);
}
inline int16_t norm_l(int32_t x) {
    if (x == 0) return 0;
    if (x == -1) return 31;
    uint32_t v = static_cast<uint32_t>(x < 0 ? ~x : x);
    int16_t n = 0;
    while (v < 0x40000000u) v <<= 1, ++n;
    return n;
}
// Q15 num / den for 0 <= num <= den, den > 0.
inline int16_t div_s(int16_t num, int16_t den) {
    if (num <= 0 || den <= 0) return 0;
    if (num >= den) return 32767;
    return static_cast<int16_t>((int32_t{num} << 15) / den);
}
// num / (den << 16) in Q15 by 15 restoring steps; num >= 0, den > 0.
inline int16_t div_l(int32_t num, int16_t den) {
    const int32_t d = L_deposit_h(den);
    if (num >= d) return 32767;
    int32_t n = num >> 1;
    const int32_t dh = d >> 1;
    int16_t q = 0;
    for (int i = 0; i < 15; ++i) {
        q = static_cast<int16_t>(q << 1);
        n <<= 1;
        if (n >= dh) n -= dh, ++q;
    }
    return q;
}
// 32 x 16-bit fractional product of the reference.
inline int32_t L_mls(int32_t x, int16_t v) {
    const int32_t lo = static_cast<int32_t>((x & 0xFFFF) * static_cast<int32_t>(v)) >> 15;
    return L_mac(lo, v, extract_h(x));
}

}  // namespace g723::fx

#endif  // VOKSC_EXAMPLE_G723_FIXED_H

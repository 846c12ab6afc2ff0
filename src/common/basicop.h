// Fixed-point basic operators of the ITU-T / ETSI speech-codec reference code, by their
// standard names. Every later family calls these; none writes its own copy.
//
// There is no global overflow flag. Where a reference routine reads the flag, call the overload
// that takes a trailing `bool& overflow`: it is set (never cleared) when the operator saturates.
#ifndef VOKS_COMMON_BASICOP_H
#define VOKS_COMMON_BASICOP_H

#include <cstdint>

namespace voks {

constexpr int16_t MAX_16 = 0x7FFF;
constexpr int16_t MIN_16 = -0x8000;
constexpr int32_t MAX_32 = 0x7FFFFFFF;
constexpr int32_t MIN_32 = -0x7FFFFFFF - 1;

constexpr int16_t sat16(int64_t x) {
    return x > MAX_16 ? MAX_16 : (x < MIN_16 ? MIN_16 : static_cast<int16_t>(x));
}
constexpr int32_t sat32(int64_t x) {
    return x > MAX_32 ? MAX_32 : (x < MIN_32 ? MIN_32 : static_cast<int32_t>(x));
}

// 32 -> 16 bits with saturation.
constexpr int16_t saturate(int32_t x, bool& overflow) {
    if (x > MAX_16 || x < MIN_16) overflow = true;
    return sat16(x);
}
constexpr int16_t saturate(int32_t x) { return sat16(x); }

constexpr int16_t add(int16_t a, int16_t b, bool& overflow) {
    return saturate(int32_t{a} + b, overflow);
}
constexpr int16_t add(int16_t a, int16_t b) { return sat16(int32_t{a} + b); }
constexpr int16_t sub(int16_t a, int16_t b, bool& overflow) {
    return saturate(int32_t{a} - b, overflow);
}
constexpr int16_t sub(int16_t a, int16_t b) { return sat16(int32_t{a} - b); }

constexpr int16_t abs_s(int16_t a) { return a == MIN_16 ? MAX_16 : (a < 0 ? -a : a); }
constexpr int16_t negate(int16_t a) { return a == MIN_16 ? MAX_16 : static_cast<int16_t>(-a); }

constexpr int16_t extract_h(int32_t x) { return static_cast<int16_t>(x >> 16); }
constexpr int16_t extract_l(int32_t x) { return static_cast<int16_t>(x); }
constexpr int32_t L_deposit_h(int16_t a) { return static_cast<int32_t>(static_cast<uint32_t>(a) << 16); }
constexpr int32_t L_deposit_l(int16_t a) { return a; }

// Arithmetic right shift; a negative count shifts left (saturating), limited to 16.
constexpr int16_t shl(int16_t a, int16_t n, bool& overflow);
constexpr int16_t shr(int16_t a, int16_t n, bool& overflow) {
    if (n < 0) return shl(a, static_cast<int16_t>(n < -16 ? 16 : -n), overflow);
    if (n >= 15) return a < 0 ? -1 : 0;
    return static_cast<int16_t>(a >> n);
}
// Left shift with saturation; a negative count shifts right, limited to 16.
constexpr int16_t shl(int16_t a, int16_t n, bool& overflow) {
    if (n < 0) return shr(a, static_cast<int16_t>(n < -16 ? 16 : -n), overflow);
    if (a == 0) return 0;
    if (n > 15) {
        overflow = true;
        return a > 0 ? MAX_16 : MIN_16;
    }
    const int32_t r = static_cast<int32_t>(a) * (int32_t{1} << n);
    if (r != static_cast<int16_t>(r)) {
        overflow = true;
        return a > 0 ? MAX_16 : MIN_16;
    }
    return static_cast<int16_t>(r);
}
constexpr int16_t shr(int16_t a, int16_t n) {
    bool o = false;
    return shr(a, n, o);
}
constexpr int16_t shl(int16_t a, int16_t n) {
    bool o = false;
    return shl(a, n, o);
}
// Right shift with rounding (the last bit shifted out is added back).
constexpr int16_t shr_r(int16_t a, int16_t n) {
    if (n > 15) return 0;
    int16_t r = shr(a, n);
    if (n > 0 && (a & (1 << (n - 1)))) ++r;
    return r;
}

constexpr int16_t mult(int16_t a, int16_t b) { return sat16((int32_t{a} * b) >> 15); }
constexpr int16_t mult_r(int16_t a, int16_t b) { return sat16((int32_t{a} * b + 0x4000) >> 15); }

constexpr int32_t L_mult(int16_t a, int16_t b, bool& overflow) {
    const int32_t p = int32_t{a} * b;
    if (p == 0x40000000) {
        overflow = true;
        return MAX_32;
    }
    return p * 2;
}
constexpr int32_t L_mult(int16_t a, int16_t b) {
    bool o = false;
    return L_mult(a, b, o);
}

constexpr int32_t L_add(int32_t a, int32_t b, bool& overflow) {
    const int64_t s = int64_t{a} + b;
    if (s > MAX_32 || s < MIN_32) overflow = true;
    return sat32(s);
}
constexpr int32_t L_add(int32_t a, int32_t b) { return sat32(int64_t{a} + b); }
constexpr int32_t L_sub(int32_t a, int32_t b, bool& overflow) {
    const int64_t s = int64_t{a} - b;
    if (s > MAX_32 || s < MIN_32) overflow = true;
    return sat32(s);
}
constexpr int32_t L_sub(int32_t a, int32_t b) { return sat32(int64_t{a} - b); }

constexpr int32_t L_mac(int32_t acc, int16_t a, int16_t b, bool& overflow) {
    return L_add(acc, L_mult(a, b, overflow), overflow);
}
constexpr int32_t L_mac(int32_t acc, int16_t a, int16_t b) { return L_add(acc, L_mult(a, b)); }
constexpr int32_t L_msu(int32_t acc, int16_t a, int16_t b, bool& overflow) {
    return L_sub(acc, L_mult(a, b, overflow), overflow);
}
constexpr int32_t L_msu(int32_t acc, int16_t a, int16_t b) { return L_sub(acc, L_mult(a, b)); }

constexpr int32_t L_negate(int32_t x) { return x == MIN_32 ? MAX_32 : -x; }
constexpr int32_t L_abs(int32_t x) { return x == MIN_32 ? MAX_32 : (x < 0 ? -x : x); }

// 32-bit shifts: a negative count reverses the direction, limited to 32.
constexpr int32_t L_shl(int32_t x, int16_t n, bool& overflow);
constexpr int32_t L_shr(int32_t x, int16_t n, bool& overflow) {
    if (n < 0) return L_shl(x, static_cast<int16_t>(n < -32 ? 32 : -n), overflow);
    if (n >= 31) return x < 0 ? -1 : 0;
    return x >> n;
}
constexpr int32_t L_shl(int32_t x, int16_t n, bool& overflow) {
    if (n <= 0) return L_shr(x, static_cast<int16_t>(n < -32 ? 32 : -n), overflow);
    // The reference doubles n times, saturating at the first doubling that leaves 32 bits: that
    // happens exactly when x * 2^n is outside the range.
    if (n >= 32) {
        if (x == 0) return 0;
        overflow = true;
        return x > 0 ? MAX_32 : MIN_32;
    }
    if (x > (MAX_32 >> n)) {
        overflow = true;
        return MAX_32;
    }
    if (x < (MIN_32 >> n)) {
        overflow = true;
        return MIN_32;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(x) << n);
}
constexpr int32_t L_shl(int32_t x, int16_t n) {
    bool o = false;
    return L_shl(x, n, o);
}
constexpr int32_t L_shr(int32_t x, int16_t n) {
    bool o = false;
    return L_shr(x, n, o);
}
constexpr int32_t L_shr_r(int32_t x, int16_t n) {
    if (n > 31) return 0;
    int32_t r = L_shr(x, n);
    if (n > 0 && (x & (int32_t{1} << (n - 1)))) ++r;
    return r;
}

// The reference `round`: high half with rounding, saturating at the top.
constexpr int16_t round_fx(int32_t x, bool& overflow) { return extract_h(L_add(x, 0x8000, overflow)); }
constexpr int16_t round_fx(int32_t x) { return extract_h(L_add(x, 0x8000)); }
constexpr int16_t mac_r(int32_t acc, int16_t a, int16_t b) { return round_fx(L_mac(acc, a, b)); }
constexpr int16_t msu_r(int32_t acc, int16_t a, int16_t b) { return round_fx(L_msu(acc, a, b)); }

// Left shifts that bring x (or ~x for negative x) into 0x4000..0x7FFF; 0 for 0, 15 for -1.
constexpr int16_t norm_s(int16_t a) {
    if (a == 0) return 0;
    if (a == -1) return 15;
    const uint32_t v = static_cast<uint32_t>(a < 0 ? ~a : a);  // 1 .. 0x7FFF
    return static_cast<int16_t>(__builtin_clz(v) - 17);
}
// Left shifts that bring x (or ~x) into 0x40000000..0x7FFFFFFF; 0 for 0, 31 for -1.
constexpr int16_t norm_l(int32_t x) {
    if (x == 0) return 0;
    if (x == -1) return 31;
    const uint32_t v = static_cast<uint32_t>(x < 0 ? ~x : x);
    return static_cast<int16_t>(__builtin_clz(v) - 1);
}

// Fractional division num / den in Q15 for 0 <= num <= den, den > 0. Outside that domain the
// reference stops the program; here num >= den gives MAX_16 and num <= 0 or den <= 0 gives 0.
constexpr int16_t div_s(int16_t num, int16_t den) {
    if (num <= 0 || den <= 0) return 0;
    if (num >= den) return MAX_16;
    // The reference's 15 restoring-division steps give floor(num * 2^15 / den) for num < den;
    // one integer division gives the same quotient without data-dependent branches.
    return static_cast<int16_t>((int32_t{num} << 15) / den);
}

// Double-precision helpers: a 32-bit value split as hi * 2^16 + lo * 2 (lo in 0..32767).
constexpr void L_Extract(int32_t x, int16_t& hi, int16_t& lo) {
    hi = extract_h(x);
    lo = extract_l(L_msu(L_shr(x, 1), hi, 16384));
}
constexpr int32_t L_Comp(int16_t hi, int16_t lo) { return L_mac(L_deposit_h(hi), lo, 1); }
constexpr int32_t Mpy_32(int16_t hi1, int16_t lo1, int16_t hi2, int16_t lo2) {
    int32_t r = L_mult(hi1, hi2);
    r = L_mac(r, mult(hi1, lo2), 1);
    return L_mac(r, mult(lo1, hi2), 1);
}
constexpr int32_t Mpy_32_16(int16_t hi, int16_t lo, int16_t n) {
    return L_mac(L_mult(hi, n), mult(lo, n), 1);
}
// num / den for 0 < num < den, den given as hi/lo with den normalised (hi >= 0x4000).
constexpr int32_t Div_32(int32_t num, int16_t den_hi, int16_t den_lo) {
    const int16_t approx = div_s(0x3FFF, den_hi);
    int32_t r = L_sub(MAX_32, Mpy_32_16(den_hi, den_lo, approx));
    int16_t hi = 0, lo = 0;
    L_Extract(r, hi, lo);
    r = Mpy_32_16(hi, lo, approx);
    L_Extract(r, hi, lo);
    int16_t n_hi = 0, n_lo = 0;
    L_Extract(num, n_hi, n_lo);
    return L_shl(Mpy_32(n_hi, n_lo, hi, lo), 2);
}

}  // namespace voks

#endif  // VOKS_COMMON_BASICOP_H

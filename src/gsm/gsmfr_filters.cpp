// GSM 06.10 full-rate operations without vector twins: encoder front end, Schur recursion,
// inverse APCM quantisation and decoder post-processing.
#include <cstdint>

#include "common/basicop.h"
#include "gsm/gsmfr_internal.h"

namespace voks::gsm {

// Offset compensation: down-scale to 13 bits (x >> 3 << 2), then the first-order high-pass
// with pole 32735/32768 computed in 31-by-16-bit double precision. The state is kept in 64-bit
// arithmetic so a foreign memory cannot overflow; valid states give the reference bits.
void highpass(const int16_t* src, int16_t* dst, int len, int32_t* mem) {
    int32_t l_z2 = mem[0];
    int32_t z1 = mem[1];
    for (int i = 0; i < len; ++i) {
        const int32_t so = (src[i] >> 3) * 4;
        const int64_t s1 = int64_t{so} - z1;
        z1 = so;
        const int32_t msp = l_z2 >> 15;
        const int32_t lsp = l_z2 & 0x7FFF;
        const int64_t next = s1 * 32768 + int64_t{msp} * 32735 + ((lsp * 32735 + 16384) >> 15);
        l_z2 = static_cast<int32_t>(next);
        if (__builtin_expect(next != l_z2, 0)) l_z2 = sat32(next);
        dst[i] = sat16(sat32(int64_t{l_z2} + 16384) >> 15);
    }
    mem[0] = l_z2;
    mem[1] = z1;
}

// y[i] = x[i] + mult_r(x[i-1], -28180). When source and destination overlap (in place), the
// input is copied in blocks behind its previous sample, so every input is read before it is
// overwritten; either loop vectorises.
void preemphasis(const int16_t* src, int16_t* dst, int len, int16_t* mem) {
    if (len <= 0) return;
    const auto s = reinterpret_cast<uintptr_t>(src), d = reinterpret_cast<uintptr_t>(dst);
    const auto bytes = 2 * static_cast<uintptr_t>(len);
    if (d + bytes <= s || s + bytes <= d) {
        dst[0] = add(src[0], mult_r(*mem, -28180));
        for (int i = 1; i < len; ++i) dst[i] = add(src[i], mult_r(src[i - 1], -28180));
        *mem = src[len - 1];
        return;
    }
    constexpr int kBlock = 64;
    int16_t x[kBlock + 1];
    x[0] = *mem;
    for (int start = 0; start < len; start += kBlock) {
        const int n = len - start < kBlock ? len - start : kBlock;
        for (int i = 0; i < n; ++i) x[i + 1] = src[start + i];
        for (int i = 0; i < n; ++i) dst[start + i] = add(x[i + 1], mult_r(x[i], -28180));
        x[0] = x[n];
    }
    *mem = x[0];
}

// Schur recursion in 16-bit arithmetic on the normalised autocorrelation.
void schur(const int32_t* acf, int16_t* refl, int order) {
    if (acf[0] == 0) {
        for (int i = 0; i < order; ++i) refl[i] = 0;
        return;
    }
    const int16_t norm = norm_l(acf[0]);
    int16_t p[9];
    int16_t k[9];
    for (int i = 0; i <= order; ++i) {
        // A true autocorrelation has |acf[i]| <= acf[0]; other input saturates instead of
        // wrapping.
        p[i] = extract_h(L_shl(acf[i], norm));
        k[i] = p[i];
    }
    for (int n = 0; n < order; ++n) {
        const int16_t mag = abs_s(p[1]);
        if (p[0] < mag) {
            for (int i = n; i < order; ++i) refl[i] = 0;
            return;
        }
        // div_s(mag, p[0]) for 0 <= mag <= p[0]: fifteen restoring-division steps give
        // floor(mag * 2^15 / p[0]), which one hardware division finds without the
        // data-dependent branches.
        int16_t r = mag == 0 ? int16_t{0}
                             : (mag == p[0] ? MAX_16 : static_cast<int16_t>((int32_t{mag} << 15) / p[0]));
        if (p[1] > 0) r = static_cast<int16_t>(-r);
        refl[n] = r;
        if (n == order - 1) return;
        p[0] = add(p[0], mult_r(p[1], r));
        for (int m = 1; m < order - n; ++m) {
            const int16_t pm1 = p[m + 1];
            p[m] = add(pm1, mult_r(k[m], r));
            k[m] = add(k[m], mult_r(pm1, r));
        }
    }
}

// xMp = (mult_r(FAC, (2 xMc - 7) << 12) + 2^(shift-1)) >> shift. The product is formed as
// (t * FAC + 4) >> 3, which equals the reference for the 3-bit codes and saturates for others.
void rpe_dequantize(const int16_t* xmc, int16_t mant, int16_t shift, int16_t* xmp) {
    const int sh = shift > 15 ? 15 : shift;
    const int32_t rnd = sh > 0 ? (1 << (sh - 1)) : 0;
    for (int i = 0; i < 13; ++i) {
        const int32_t t = sat16(2 * int32_t{xmc[i]} - 7);
        const int16_t p = sat16((t * mant + 4) >> 3);
        xmp[i] = static_cast<int16_t>(sat16(int32_t{p} + rnd) >> sh);
    }
}

// m = x + mult_r(m, 28180); output sat16(2 m) with the three low bits cleared. Since x << 15 is
// a multiple of 2^15, x + ((m * 28180 + 16384) >> 15) = ((x << 15) + m * 28180 + 16384) >> 15,
// which keeps one multiply, one add and one shift on the recursive path.
void deemphasis(int16_t* x, int len, int16_t* mem) {
    int32_t m = *mem;
    for (int i = 0; i < len; ++i) {
        m = (x[i] * 32768 + 16384 + m * 28180) >> 15;
        if (__builtin_expect(m > MAX_16 || m < MIN_16, 0)) m = m > 0 ? MAX_16 : MIN_16;
        x[i] = static_cast<int16_t>(sat16(2 * m) & ~7);
    }
    *mem = static_cast<int16_t>(m);
}

}  // namespace voks::gsm

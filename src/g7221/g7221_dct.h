// The stage structure of the G.722.1 type-IV DCTs, shared by the scalar kernels and their AVX2
// twins: the sum/difference splits (scalar in both), then a 10-point core block and rotation
// stages supplied by the caller.
#ifndef VOKS_G7221_G7221_DCT_H
#define VOKS_G7221_G7221_DCT_H

#include <cstdint>

#include "common/basicop.h"
#include "g7221/g7221_internal.h"
#include "g7221/g7221_tables.h"

namespace voks::g7221 {

// Largest |core entry| of the two 10-point matrices; a block whose input magnitudes sum to at
// most kCoreSafe[..] cannot saturate its L_mac chain or its rounding.
constexpr int32_t kCoreSafeAnalysis = 0x7FFF7FFF / (2 * 10453);
constexpr int32_t kCoreSafeSynthesis = 0x7FFF7FFF / (2 * 29400);

// Forward splits: each set of span values becomes halves of (x+y)/2 and (x-y)/2, the
// differences stored in reverse order. Returns the buffer holding the result.
inline int16_t* split_forward(int16_t* a, int16_t* b, int n, int log_n) {
    int16_t* src = a;
    int16_t* dst = b;
    for (int sc = 0; sc <= log_n - 2; ++sc) {
        const int span = n >> sc;
        const int16_t* p = src;
        for (int base = 0; base < n; base += span) {
            int16_t* lo = dst + base;
            int16_t* hi = dst + base + span;
            for (int i = 0; i < span / 2; ++i, p += 2) {
                *lo++ = static_cast<int16_t>((int32_t{p[0]} + p[1]) >> 1);
                *--hi = static_cast<int16_t>((int32_t{p[0]} - p[1]) >> 1);
            }
        }
        int16_t* t = src;
        src = dst;
        dst = t;
    }
    return src;
}

// Inverse splits: the first adds the dither to every first operand and halves; the later ones
// add and subtract without halving (the difference through a saturated negation). in is read
// only; the result lands in a or b, which is returned.
inline int16_t* split_inverse(const int16_t* in, int16_t* a, int16_t* b, int n, int log_n) {
    const int16_t* dither = n == 320 ? kDither320 : kDither640;
    for (int i = 0; i < n / 2; ++i) {
        const int16_t x = in[2 * i], y = in[2 * i + 1];
        a[i] = static_cast<int16_t>((int32_t{add(x, dither[2 * i])} + y) >> 1);
        a[n - 1 - i] = static_cast<int16_t>((int32_t{add(x, dither[2 * i + 1])} - y) >> 1);
    }
    int16_t* src = a;
    int16_t* dst = b;
    for (int sc = 1; sc <= log_n - 2; ++sc) {
        const int span = n >> sc;
        const int16_t* p = src;
        for (int base = 0; base < n; base += span) {
            int16_t* lo = dst + base;
            int16_t* hi = dst + base + span;
            for (int i = 0; i < span / 2; ++i, p += 2) {
                *lo++ = add(p[0], p[1]);
                *--hi = add(p[0], negate(p[1]));
            }
        }
        int16_t* t = src;
        src = dst;
        dst = t;
    }
    return src;
}

// The rotation stages from span 20 up to n, each through stage(src, dst, span, table pairs);
// the last writes out.
template <class Stage>
void rotate_all(int16_t* a, int16_t* b, int16_t* out, int n, int log_n, Stage stage) {
    int16_t* src = a;
    int16_t* dst = b;
    int index = 0;
    for (int sc = log_n - 2; sc >= 0; --sc, ++index) {
        stage(src, sc == 0 ? out : dst, n >> sc, kRotationOffset[index]);
        int16_t* t = src;
        src = dst;
        dst = t;
    }
}

// The scalar L_mac chain of one 10-point core block: out[k] = round(sum_i in[i] * core[i][k]).
inline void core_block(const int16_t* in, int16_t* out, const int16_t* core) {
    for (int k = 0; k < 10; ++k) {
        int32_t acc = 0;
        for (int i = 0; i < 10; ++i) acc = L_mac(acc, in[i], core[i * 10 + k]);
        out[k] = round_fx(acc);
    }
}

}  // namespace voks::g7221

#endif  // VOKS_G7221_G7221_DCT_H

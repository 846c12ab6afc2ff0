// Scalar GSM full-rate kernels (the definition of their AVX2 twins): the short-term lattices and
// the RPE weighting filter.
#include "common/basicop.h"
#include "gsm/kernels.h"

namespace voks::gsm {

// Lattice stage products use the saturating mult_r throughout (r = x = -32768 gives 32767).
void scalar::st_analysis(const int16_t* r, int16_t* x, int len, int16_t* u) {
    int16_t mem[8];
    int16_t rr[8];
    for (int i = 0; i < 8; ++i) {
        mem[i] = u[i];
        rr[i] = r[i];
    }
    for (int n = 0; n < len; ++n) {
        int16_t d = x[n];
        int16_t s = d;
        for (int i = 0; i < 8; ++i) {
            const int16_t ui = mem[i];
            mem[i] = s;
            s = add(ui, mult_r(rr[i], d));
            d = add(d, mult_r(rr[i], ui));
        }
        x[n] = d;
    }
    for (int i = 0; i < 8; ++i) u[i] = mem[i];
}

void scalar::st_synthesis(const int16_t* r, const int16_t* in, int16_t* out, int len, int16_t* v) {
    int16_t mem[9];
    int16_t rr[8];
    for (int i = 0; i < 8; ++i) rr[i] = r[i];
    for (int i = 0; i < 9; ++i) mem[i] = v[i];
    for (int n = 0; n < len; ++n) {
        int16_t sri = in[n];
        for (int i = 7; i >= 0; --i) {
            sri = sub(sri, mult_r(rr[i], mem[i]));
            mem[i + 1] = add(mem[i], mult_r(rr[i], sri));
        }
        mem[0] = sri;
        out[n] = sri;
    }
    for (int i = 0; i < 9; ++i) v[i] = mem[i];
}

// Symmetric 11-tap filter H = {-134, -374, 0, 2054, 5741, 8192, ...} / 8192, rounded. The sum
// cannot leave 32 bits (|x| * 24798 < 2^31).
void scalar::weighting(const int16_t* x, int16_t* y, int len) {
    for (int k = 0; k < len; ++k) {
        const int32_t sum = 4096 + 8192 * int32_t{x[k]} + 5741 * (int32_t{x[k - 1]} + x[k + 1]) +
                            2054 * (int32_t{x[k - 2]} + x[k + 2]) - 374 * (int32_t{x[k - 4]} + x[k + 4]) -
                            134 * (int32_t{x[k - 5]} + x[k + 5]);
        y[k] = sat16(sum >> 13);
    }
}

}  // namespace voks::gsm

// AMR-WB recursive high-pass filters (orders 2 and 3, double-precision output memory) and the
// symmetric three-tap filter of the code enhancement.
#include "amrwb/amrwb_internal.h"
#include "common/basicop.h"

namespace voks::amrwb {

void hp_filter(HpState& st, const int16_t* x, int16_t* y, int n, int sf) {
    int16_t* m = st.mem;  // y3 hi/lo, y2 hi/lo, y1 hi/lo, x[-1], x[-2], x[-3]
    const auto mem_shift = static_cast<int16_t>(16 - sf), out_shift = static_cast<int16_t>(15 - sf);
    for (int i = 0; i < n; ++i) {
        const int16_t x3 = m[8];
        m[8] = m[7];
        m[7] = m[6];
        m[6] = x[i];          // x may be y: read before the write below
        int32_t acc = 16384;  // rounding of the low parts
        for (int k = 1; k <= 3; ++k) acc = L_mac(acc, m[7 - 2 * k], st.a[k]);
        acc = L_shr(acc, 15);
        for (int k = 1; k <= 3; ++k) acc = L_mac(acc, m[6 - 2 * k], st.a[k]);
        acc = L_mac(acc, m[6], st.b[0]);
        acc = L_mac(acc, m[7], st.b[1]);
        acc = L_mac(acc, m[8], st.b[2]);
        acc = L_mac(acc, x3, st.b[3]);
        acc = L_shl(acc, mem_shift);
        for (int k = 0; k < 4; ++k) m[k] = m[k + 2];
        L_Extract(acc, m[4], m[5]);
        y[i] = round_fx(L_shl(acc, out_shift));
    }
}

void hp_rescale(int16_t* m, int shift) {
    const auto s = static_cast<int16_t>(shift);
    for (int k = 0; k < 6; k += 2) {
        const int32_t v = L_shl(L_Comp(m[k], m[k + 1]), s);
        L_Extract(v, m[k], m[k + 1]);
    }
    for (int k = 6; k < 9; ++k) m[k] = round_fx(L_shl(L_deposit_h(m[k]), s));
}

void three_tap(const int16_t* c, const int16_t* x, int16_t* y, int n, bool edge) {
    for (int i = 0; i < n; ++i) {
        int32_t t = edge ? L_mult(x[i], c[0]) : L_deposit_h(x[i]);
        if (edge || i + 1 < n) t = L_msu(t, x[i + 1], c[1]);
        if (edge || i > 0) t = L_msu(t, x[i - 1], c[1]);
        y[i] = round_fx(t);
    }
}

}  // namespace voks::amrwb

// The scalar G.723.1 kernels: the definitions.
#include "common/basicop.h"
#include "g723/g723_tables.h"
#include "g723/kernels.h"

namespace voks::g723::scalar {

VOKS_SCALAR void dot_energy(const int16_t* a, const int16_t* b, int n, int64_t* s) {
    int64_t d = 0, e = 0;
    for (int i = 0; i < n; ++i) {
        d += int32_t{a[i]} * b[i];
        e += int64_t{int32_t{a[i]} * a[i]} + int32_t{b[i]} * b[i];
    }
    s[0] = d;
    s[1] = e;
}

VOKS_SCALAR void gain_scores(const int16_t* c, bool big, int n, int32_t* out) {
    const int16_t* g = big ? kPitchGain170 : kPitchGain85;
    for (int i = 0; i < n; ++i, g += 20) {
        int32_t a = 0;
        for (int j = 0; j < 20; ++j) a = L_add(a, L_mult(c[j], g[j]) >> 1);
        out[i] = a;
    }
}

VOKS_SCALAR int mpmlq_pick(int32_t* wb, const int16_t* c, int32_t v2, const int16_t* occ, int k) {
    for (int l = 0; l < 60; ++l)
        wb[l] = static_cast<int32_t>(static_cast<uint32_t>(wb[l]) -
                                     static_cast<uint32_t>(v2) * static_cast<uint32_t>(int32_t{c[l]}));
    int pos = -1;
    int32_t m = -0x40000000;
    for (int l = k; l < 60; l += 2) {
        if (occ[l] != 0) continue;
        const int32_t w = wb[l] < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(wb[l])) : wb[l];
        if (w > m) m = w, pos = l;
    }
    return pos;
}

}  // namespace voks::g723::scalar

// Scalar GSM-AMR excitation kernels: the definitions the AVX2 twins reproduce.
#include <algorithm>
#include <cstdlib>

#include "amrnb/exc_search_pairs.h"
#include "amrnb/kernels.h"
#include "common/basicop.h"

namespace voks::amrnb::scalar {

VOKS_SCALAR void pair_stage(const int16_t* ps1, const int32_t* alp1, const int16_t* dn, const int32_t* rrv2,
                            const int16_t* rr, int32_t pair2, int n, PairBest& best) {
    best = {-1, 1, 0, -1, -1};
    for (int a = 0; a < n; ++a)
        for (int c = 0; c < n; ++c) {
            const int16_t ps = add(ps1[a], dn[c]), sq = mult(ps, ps);
            const int16_t al =
                static_cast<int16_t>((alp1[a] + rrv2[c] + pair2 * rr[40 * a + c] + 0x8000) >> 16);
            if (int32_t{best.al} * sq > int32_t{best.sq} * al) best = {sq, al, ps, a, c};
        }
}

VOKS_SCALAR void dots(const int16_t* x, const int16_t* y, int n, int64_t& xy, int64_t& yy) {
    int64_t c = 0, e = 0;
    for (int i = 0; i < n; ++i) {
        c += int32_t{x[i]} * y[i];
        e += int32_t{y[i]} * y[i];
    }
    xy = c;
    yy = e;
}

// Row by row from the last: t[i] = r(i, j) halved, exact, follows from the row of j + 1 as
// r(i, j) = r(i + 1, j + 1) + h2[39 - i] h2[39 - j] (r(40, .) = 0).
VOKS_SCALAR int16_t cor_matrix(const int16_t* h2, const int16_t* sign, int m, int16_t* rr) {
    constexpr int kL = 40;
    const int tracks = kL / m;
    int32_t t[kL + 1] = {}, off = 0;
    for (int j = kL - 1; j >= 0; --j) {
        const int32_t hj = h2[kL - 1 - j];
        for (int i = 0; i < kL; ++i) t[i] = t[i + 1] + hj * h2[kL - 1 - i];
        int16_t* row = rr + kL * ((j % tracks) * m + j / tracks);
        for (int i = 0; i < kL; ++i) {
            const int16_t v = static_cast<int16_t>((2 * t[i] + 0x8000) >> 16);
            int16_t& out = row[(i % tracks) * m + i / tracks];
            if (i == j) {
                out = v;
            } else {
                off = std::max(off, std::abs(int32_t{v}));
                out = mult(v, mult(sign[i], sign[j]));
            }
        }
    }
    return static_cast<int16_t>(std::min(off, int32_t{32767}));
}

VOKS_SCALAR void search_pairs(int n, const int16_t* dn, const int16_t* rr, int16_t* ipos,
                              const int16_t* pos_max, int16_t off_max, int* codvec) {
    if (n == 10)
        search_pairs_body<8>(n, dn, rr, ipos, pos_max, off_max, codvec, pair_stage);
    else
        search_pairs_body<10>(n, dn, rr, ipos, pos_max, off_max, codvec, pair_stage);
}

VOKS_SCALAR void backward_corr(const int16_t* x, const int16_t* h, int32_t* y) {
    for (int i = 0; i < 40; ++i) {
        uint32_t s = 0;
        for (int j = i; j < 40; ++j) s += static_cast<uint32_t>(int32_t{x[j]} * h[j - i]);
        y[i] = static_cast<int32_t>(s);
    }
}

VOKS_SCALAR void pulse_sum(const int16_t* h, const int* pos, const int16_t* s, int n, int32_t* acc) {
    uint32_t a[40] = {};
    for (int k = 0; k < n; ++k)
        for (int i = pos[k]; i < 40; ++i) a[i] += static_cast<uint32_t>(int32_t{h[i - pos[k]]} * s[k]);
    for (int i = 0; i < 40; ++i) acc[i] = static_cast<int32_t>(a[i]);
}

VOKS_SCALAR void sign_select(const int16_t* cn, int16_t k_cn, int16_t k_dn, int16_t* dn, int16_t* sign,
                             int16_t* en) {
    for (int i = 0; i < 40; ++i) {
        const int16_t cor = round_fx(L_shl(L_mac(L_mult(k_cn, cn[i]), k_dn, dn[i]), 10));
        sign[i] = cor < 0 ? -32767 : 32767;
        en[i] = cor < 0 ? negate(cor) : cor;
        if (cor < 0) dn[i] = negate(dn[i]);
    }
}

}  // namespace voks::amrnb::scalar

// AMR-WB algebraic codebook search: the backward-filtered target and the 12-bit two-track
// search.
#include "amrwb/amrwb_internal.h"
#include "common/basicop.h"

namespace voks::amrwb {

void backward_filter_target(const int16_t* h, const int16_t* x, int16_t* dn) {
    int32_t y32[kSubframe];
    int32_t total = 1;
    for (int k = 0; k < 4; ++k) {
        int32_t mx = 0;
        for (int i = k; i < kSubframe; i += 4) {
            int32_t t = 1;  // never an all-zero dn
            for (int j = i; j < kSubframe; ++j) t = L_mac(t, x[j], h[j - i]);
            y32[i] = t;
            if (L_abs(t) > mx) mx = L_abs(t);
        }
        // 3/8 of each track's maximum: the search adds up to six such values.
        mx = L_shr(mx, 2);
        total = L_add(L_add(total, mx), L_shr(mx, 1));
    }
    const auto shift = static_cast<int16_t>(norm_l(total) - 4);
    for (int i = 0; i < kSubframe; ++i) dn[i] = round_fx(L_shl(y32[i], shift));
}

namespace {

// 2^15 / sqrt(sum x^2) of a 64-sample vector as a Q(15 + extra) scale, rounded to 16 bits.
int16_t inv_norm(const int16_t* x, int extra) {
    int32_t s = 1;
    for (int i = 0; i < kSubframe; ++i) s = L_mac(s, x[i], x[i]);
    const int16_t sft = norm_l(s);
    s = L_shl(s, sft);
    auto exp = static_cast<int16_t>(30 - sft);
    inv_sqrt_normalised(s, exp);
    return round_fx(L_shl(s, static_cast<int16_t>(exp + extra)));
}

}  // namespace

void search_2t64(int16_t* dn, const int16_t* cn, const int16_t* H, int16_t* code, int16_t* y,
                 int16_t* index) {
    constexpr int kPos = 32;
    // Signs from the mix of the normalised residual and backward-filtered target.
    const int16_t k_cn = inv_norm(cn, 5);
    const int16_t k_dn = mult_r(8192, inv_norm(dn, 8));
    int16_t sign[kSubframe], vec[kSubframe];
    for (int i = 0; i < kSubframe; ++i) {
        const int32_t s = L_mac(L_mult(k_cn, cn[i]), k_dn, dn[i]);
        const bool pos = extract_h(L_shl(s, 8)) >= 0;
        sign[i] = pos ? 32767 : -32768;
        vec[i] = pos ? -32768 : 32767;
        if (!pos) dn[i] = negate(dn[i]);
    }
    // Impulse response with 64 leading zeros, and its negation.
    int16_t hb[2 * kSubframe] = {}, hib[2 * kSubframe] = {};
    int16_t* h = hb + kSubframe;
    int16_t* h_inv = hib + kSubframe;
    for (int i = 0; i < kSubframe; ++i) {
        h[i] = H[i];
        h_inv[i] = negate(H[i]);
    }
    // Energies of the shifted responses per track (halved), the last position first.
    int16_t rr[2][kPos], rxy[kPos * kPos];
    int32_t cor = 0x10000;
    for (int i = 0; i < kPos; ++i) {
        cor = L_mac(cor, h[2 * i], h[2 * i]);
        rr[1][kPos - 1 - i] = extract_h(cor);
        cor = L_mac(cor, h[2 * i + 1], h[2 * i + 1]);
        rr[0][kPos - 1 - i] = extract_h(cor);
    }
    for (auto& t : rr)
        for (int16_t& v : t) v = shr(v, 1);
    // Cross-correlations of even position i0 and odd position i1, filled along diagonals from
    // the end as the reference accumulates them.
    int pos = kPos * kPos - 1, pos2 = kPos * kPos - 2;
    for (int k = 0; k < kPos; ++k) {
        int p1 = pos, p0 = pos2;
        cor = 0x8000;
        const int16_t* h1 = h;
        const int16_t* h2 = h + 1 + 2 * k;
        for (int i = k + 1; i < kPos; ++i) {
            cor = L_mac(cor, *h1++, *h2++);
            rxy[p1] = extract_h(cor);
            cor = L_mac(cor, *h1++, *h2++);
            rxy[p0] = extract_h(cor);
            p1 -= kPos + 1;
            p0 -= kPos + 1;
        }
        cor = L_mac(cor, *h1, *h2);
        rxy[p1] = extract_h(cor);
        pos -= kPos;
        --pos2;
    }
    for (int i = 0, p = 0; i < kSubframe; i += 2) {
        const int16_t* s = sign[i] < 0 ? vec : sign;
        for (int j = 1; j < kSubframe; j += 2) rxy[p] = mult(rxy[p], s[j]), ++p;
    }
    // All 32 x 32 pairs; a pair wins when its criterion is strictly better.
    int16_t psk = -1, alpk = 1;
    int ix = 0, iy = 1;
    for (int i0 = 0, p = 0; i0 < kSubframe; i0 += 2) {
        const int16_t ps1 = dn[i0], alp1 = rr[0][i0 / 2];
        int best = -1;
        for (int i1 = 1; i1 < kSubframe; i1 += 2, ++p) {
            const int16_t ps2 = add(ps1, dn[i1]);
            const int16_t alp2 = add(alp1, add(rr[1][i1 / 2], rxy[p]));
            const int16_t sq = mult(ps2, ps2);
            if (L_msu(L_mult(alpk, sq), psk, alp2) > 0) {
                psk = sq;
                alpk = alp2;
                best = i1;
            }
        }
        if (best >= 0) {
            ix = i0;
            iy = best;
        }
    }
    for (int i = 0; i < kSubframe; ++i) code[i] = 0;
    int i0 = ix >> 1, i1 = iy >> 1;
    const int16_t* p0 = (sign[ix] > 0 ? h : h_inv) - ix;
    const int16_t* p1 = (sign[iy] > 0 ? h : h_inv) - iy;
    code[ix] = sign[ix] > 0 ? 512 : -512;
    code[iy] = sign[iy] > 0 ? 512 : -512;
    if (sign[ix] <= 0) i0 += kPos;
    if (sign[iy] <= 0) i1 += kPos;
    *index = static_cast<int16_t>((i0 << 6) + i1);
    for (int i = 0; i < kSubframe; ++i) y[i] = shr_r(add(p0[i], p1[i]), 3);
}

}  // namespace voks::amrwb

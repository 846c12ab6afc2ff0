// Scalar excitation-search kernels (the definition) and the kernel table.
#include "g729/kernels.h"

#include "common/basicop.h"
#include "g729/exc_internal.h"
#include "g729/g729_mathop.h"

namespace voks::g729 {

namespace scalar {

int32_t mac_chain(const int16_t* a, const int16_t* b, int n) {
    int32_t s = 0;
    for (int i = 0; i < n; ++i) s = L_mac(s, a[i], b[i]);
    return s;
}

int32_t mac_chain_dec(const int16_t* a, const int16_t* b, int n) {
    int32_t s = 0;
    for (int i = 0; i < n; i += 2) s = L_mac(s, a[i], b[i]);
    return s;
}

void pred_lt_3(int16_t* exc, int t0, int frac) {
    pred_lt_3_from(exc, t0, frac, 0);
}

void pred_lt_3_from(int16_t* exc, int t0, int frac, int start) {
    const int16_t* x0 = exc - t0 + start;
    frac = -frac;
    if (frac < 0) {
        frac += 3;
        --x0;
    }
    const int16_t* c1 = inter_3l + frac;
    const int16_t* c2 = inter_3l + (3 - frac);
    for (int j = start; j < kSubfr; ++j, ++x0) {
        // x0 advances with j; samples already written by this call are read back when t0 < 40.
        int32_t s = 0;
        for (int i = 0, k = 0; i < 10; ++i, k += 3) {
            s = L_mac(s, x0[-i], c1[k]);
            s = L_mac(s, x0[1 + i], c2[k]);
        }
        exc[j] = round_fx(s);
    }
}

void norm_corr(const int16_t* exc, const int16_t* xn, const int16_t* h, int t_min, int t_max, int h_fac,
               int scaling, int16_t* excf, int16_t* corr) {
    for (int i = t_min; i <= t_max; ++i) {
        const int32_t inv = ownInvSqrt(mac_chain(excf, excf, kSubfr));
        int16_t nh, nl, ch, cl;
        L_Extract(inv, nh, nl);
        L_Extract(mac_chain(xn, excf, kSubfr), ch, cl);
        corr[i - t_min] = extract_h(L_shl(Mpy_32(ch, cl, nh, nl), 16));
        if (i != t_max) {
            const int16_t e = exc[-(i + 1)];
            for (int j = kSubfr - 1; j > 0; --j) {
                const int32_t s = L_shl(L_mult(e, h[j]), static_cast<int16_t>(h_fac));
                excf[j] = add(extract_h(s), excf[j - 1]);
            }
            excf[0] = shr(e, static_cast<int16_t>(scaling));
        }
    }
}

void cor_h_prefix(const int16_t* h, int32_t* pre) {
    for (int d = 0; d < kSubfr; ++d) {
        int32_t s = 0;
        pre[d] = 0;
        for (int n = 1; n <= kSubfr; ++n) {
            if (n <= kSubfr - d) s = L_mac(s, h[n - 1], h[n - 1 + d]);
            pre[n * kSubfr + d] = s;
        }
    }
}

bool better(int16_t sq, int16_t alpha_best, int16_t sq_best, int16_t alp) {
    return int64_t{L_mult(sq, alpha_best)} - 2 * int64_t{sq_best} * alp > 0;
}

void search_17(const int16_t* dn, const int16_t* rr, int16_t thres, int16_t& time, int* ip) {
    const int16_t* r01 = rr + kR01;
    int16_t psc = 0, alpha = MAX_16;
    for (int a0 = 0; a0 < 8; ++a0) {
        const int16_t ps0 = dn[5 * a0];
        const int16_t alp0 = rr[a0];
        for (int a1 = 0; a1 < 8; ++a1) {
            const int16_t ps1 = add(ps0, dn[1 + 5 * a1]);
            int32_t alp1 = L_mult(alp0, 1);
            alp1 = L_mac(alp1, rr[8 + a1], 1);
            alp1 = L_mac(alp1, r01[8 * a0 + a1], 2);
            for (int a2 = 0; a2 < 8; ++a2) {
                const int16_t ps2 = add(ps1, dn[2 + 5 * a2]);
                int32_t alp2 = L_mac(alp1, rr[16 + a2], 1);
                alp2 = L_mac(alp2, rr[kR02 + 8 * a0 + a2], 2);
                alp2 = L_mac(alp2, rr[kR12 + 8 * a1 + a2], 2);
                if (ps2 <= thres) continue;
                for (int t = 3; t <= 4; ++t) {
                    const int16_t* rd = rr + 8 * t;
                    const int16_t* rx0 = rr + (t == 3 ? kR03 : kR04) + 8 * a0;
                    const int16_t* rx1 = rr + (t == 3 ? kR13 : kR14) + 8 * a1;
                    const int16_t* rx2 = rr + (t == 3 ? kR23 : kR24) + 8 * a2;
                    for (int a3 = 0; a3 < 8; ++a3) {
                        const int16_t ps3 = add(ps2, dn[t + 5 * a3]);
                        int32_t alp3 = L_mac(alp2, rd[a3], 1);
                        alp3 = L_mac(alp3, rx0[a3], 2);
                        alp3 = L_mac(alp3, rx1[a3], 2);
                        alp3 = L_mac(alp3, rx2[a3], 2);
                        const int16_t alp = extract_l(L_shr(alp3, 5));
                        const int16_t ps3c = mult(ps3, ps3);
                        if (better(ps3c, alpha, psc, alp)) {
                            psc = ps3c;
                            alpha = alp;
                            ip[0] = 5 * a0;
                            ip[1] = 1 + 5 * a1;
                            ip[2] = 2 + 5 * a2;
                            ip[3] = t + 5 * a3;
                        }
                    }
                }
                time = sub(time, 1);
                if (time <= 0) return;
            }
        }
    }
}

namespace {

template <int Rows, int16_t KC, int16_t KV>
void rows_search(const int16_t* ps1, const int32_t* alp1, const int16_t* dn_in, const int16_t* cross,
                 const int16_t* vec, int16_t& sq, int16_t& alp, int& best_a, int& best_k) {
    best_a = -1;
    best_k = -1;
    for (int a = 0; a < Rows; ++a) {
        for (int k = 0; k < 8; ++k) {
            const int16_t ps2 = add(ps1[a], dn_in[k]);
            int32_t alp2 = L_mac(alp1[a], cross[8 * a + k], KC);
            alp2 = L_mac(alp2, vec[k], KV);
            const int16_t sq2 = mult(ps2, ps2);
            const int16_t alp16 = round_fx(alp2);
            if (better(sq2, alp, sq, alp16)) {
                sq = sq2;
                alp = alp16;
                best_a = a;
                best_k = k;
            }
        }
    }
}

}  // namespace

void phase_b(const int16_t* ps1, const int32_t* alp1, const int16_t* dn_in, const int16_t* cross,
             const int16_t* tmp, int16_t& sq, int16_t& alp, int& best_a, int& best_k) {
    rows_search<8, 4096, 16384>(ps1, alp1, dn_in, cross, tmp, sq, alp, best_a, best_k);
}

void phase_a(const int16_t* ps1, const int32_t* alp1, const int16_t* dn_in, const int16_t* cross,
             const int16_t* diag, int16_t& sq, int16_t& alp, int& best_a, int& best_k) {
    rows_search<2, 16384, 8192>(ps1, alp1, dn_in, cross, diag, sq, alp, best_a, best_k);
}

namespace {

// round(L_mac(L_mac(L_mult(x, 1/4), y, 1/4), d, 1/8)) of 16-bit x, y, d: the terms are at most
// 2^28, 2^28 and 2^27 in magnitude, so no step saturates and the plain sum is the chain.
inline int16_t round_sum(int16_t x, int16_t y, int16_t d) {
    return static_cast<int16_t>((int32_t{x} * 16384 + int32_t{y} * 16384 + int32_t{d} * 8192 + 0x8000) >> 16);
}

// L_mac(L_mac(L_mac(alp0, x, 1/8), y, 1/8), d, 1/16) with alp0 = L_mult(alp, 1/4): at most 2^29
// + 2^28 + 2^28 + 2^27 in magnitude, below 2^31, so no step saturates.
inline int32_t energy_sum(int32_t alp0, int16_t x, int16_t y, int16_t d) {
    return alp0 + int32_t{x} * 8192 + int32_t{y} * 8192 + int32_t{d} * 4096;
}

}  // namespace

void search_17_fast(const int16_t* dn, const int16_t* rr, int* ip) {
    constexpr int16_t k1_4 = 8192;
    const int16_t* r00 = rr;
    const int16_t* r11 = rr + 8;
    const int16_t* r22 = rr + 16;
    const int16_t* r01 = rr + kR01;
    const int16_t* r02 = rr + kR02;
    const int16_t* r12 = rr + kR12;

    int16_t psk = -1, alpk = 1;
    ip[0] = 0;
    ip[1] = 1;
    ip[2] = 2;
    ip[3] = 3;
    int ix = 0, iy = 0;
    int16_t ps = 0;

    // Two largest |d| positions of a track (the second excluding the first).
    auto top2 = [&](int track, int out[2]) {
        int prev = -1;
        for (int n = 0; n < 2; ++n) {
            int16_t max = -1;
            int best = track;
            for (int j = track; j < kSubfr; j += 5) {
                if (dn[j] > max && j != prev) {
                    max = dn[j];
                    best = j;
                }
            }
            out[n] = best;
            prev = best;
        }
    };

    for (int track = 3; track <= 4; ++track) {
        const int16_t* r33 = rr + 8 * track;
        const int16_t* r03 = rr + (track == 3 ? kR03 : kR04);
        const int16_t* r13 = rr + (track == 3 ? kR13 : kR14);
        const int16_t* r23 = rr + (track == 3 ? kR23 : kR24);
        int16_t tmp[8];

        // Search 3, phase A: track 2 against the pulse-3 track.
        int16_t sq = -1, alp = 1;
        int cand[2];
        int16_t ps_a[2], dn_a[8], cross_a[2 * 8];
        int32_t alp_a[2];
        top2(2, cand);
        for (int c = 0; c < 2; ++c) {
            const int j = cand[c] / 5;
            ps_a[c] = dn[cand[c]];
            alp_a[c] = L_mult(r22[j], k1_4);
            for (int b = 0; b < 8; ++b) cross_a[8 * c + b] = r23[8 * j + b];
        }
        for (int b = 0; b < 8; ++b) dn_a[b] = dn[track + 5 * b];
        int bc = 0, bb = 0;
        phase_a(ps_a, alp_a, dn_a, cross_a, r33, sq, alp, bc, bb);
        if (bc >= 0) {
            ps = add(ps_a[bc], dn_a[bb]);
            ix = cand[bc];
            iy = track + 5 * bb;
        }
        int i0 = ix, i1 = iy;
        // Phase B: tracks 0 and 1.
        {
            const int16_t ps0 = ps;
            const int32_t alp0 = L_mult(alp, k1_4);
            sq = -1;
            alp = 1;
            const int j0 = i0 / 5, j1 = i1 / 5;
            for (int k = 0; k < 8; ++k) tmp[k] = round_sum(r12[8 * k + j0], r13[8 * k + j1], r11[k]);
            int16_t ps1[8], dn_in[8];
            int32_t alp1[8];
            for (int a = 0; a < 8; ++a) {
                ps1[a] = add(ps0, dn[5 * a]);
                alp1[a] = energy_sum(alp0, r02[8 * a + j0], r03[8 * a + j1], r00[a]);
                dn_in[a] = dn[1 + 5 * a];
            }
            int ba = 0, bk = 0;
            phase_b(ps1, alp1, dn_in, r01, tmp, sq, alp, ba, bk);
            if (ba >= 0) {
                ix = 5 * ba;
                iy = 1 + 5 * bk;
            }
            if (better(sq, alpk, psk, alp)) {
                psk = sq;
                alpk = alp;
                ip[2] = i0;
                ip[3] = i1;
                ip[0] = ix;
                ip[1] = iy;
            }
        }

        // Search 4, phase A: the pulse-3 track against track 0.
        sq = -1;
        alp = 1;
        top2(track, cand);
        for (int c = 0; c < 2; ++c) {
            const int j = cand[c] / 5;
            ps_a[c] = dn[cand[c]];
            alp_a[c] = L_mult(r33[j], k1_4);
            for (int a = 0; a < 8; ++a) cross_a[8 * c + a] = r03[8 * a + j];
        }
        for (int a = 0; a < 8; ++a) dn_a[a] = dn[5 * a];
        phase_a(ps_a, alp_a, dn_a, cross_a, r00, sq, alp, bc, bb);
        if (bc >= 0) {
            ps = add(ps_a[bc], dn_a[bb]);
            ix = cand[bc];
            iy = 5 * bb;
        }
        i0 = ix;
        i1 = iy;
        // Phase B: tracks 1 and 2.
        {
            const int16_t ps0 = ps;
            const int32_t alp0 = L_mult(alp, k1_4);
            sq = -1;
            alp = 1;
            const int j0 = i0 / 5, j1 = i1 / 5;
            for (int k = 0; k < 8; ++k) tmp[k] = round_sum(r23[8 * k + j0], r02[8 * j1 + k], r22[k]);
            int16_t ps1[8], dn_in[8];
            int32_t alp1[8];
            for (int a = 0; a < 8; ++a) {
                ps1[a] = add(ps0, dn[1 + 5 * a]);
                alp1[a] = energy_sum(alp0, r13[8 * a + j0], r01[8 * j1 + a], r11[a]);
                dn_in[a] = dn[2 + 5 * a];
            }
            int ba = 0, bk = 0;
            phase_b(ps1, alp1, dn_in, r12, tmp, sq, alp, ba, bk);
            if (ba >= 0) {
                ix = 1 + 5 * ba;
                iy = 2 + 5 * bk;
            }
            if (better(sq, alpk, psk, alp)) {
                psk = sq;
                alpk = alp;
                ip[3] = i0;
                ip[0] = i1;
                ip[1] = ix;
                ip[2] = iy;
            }
        }
    }
}

void sign_block(int16_t* r, const int16_t* rows, const int16_t* cols, int mode) {
    for (int a = 0; a < 8; ++a)
        for (int b = 0; b < 8; ++b) {
            int16_t f;
            if (mode == 0)
                f = mult(rows[a], cols[b]);
            else
                f = rows[a] < 0 ? (cols[b] == MIN_16 ? MAX_16 : MIN_16) : cols[b];
            r[8 * a + b] = mult(r[8 * a + b], f);
        }
}

void sign_matrix(int16_t* dn, int16_t* sgn, int16_t* rr, int mode) {
    static constexpr int kTracks[9][2] = {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 2},
                                          {1, 3}, {1, 4}, {2, 3}, {2, 4}};
    split_signs(dn, sgn, kSubfr);
    int16_t track[5][8];
    for (int t = 0; t < 5; ++t)
        for (int a = 0; a < 8; ++a) track[t][a] = sgn[t + 5 * a];
    for (int c = 0; c < 9; ++c)
        sign_block(rr + kR01 + 64 * c, track[kTracks[c][0]], track[kTracks[c][1]], mode);
}

void target_update(int16_t g, const int16_t* y, const int16_t* x, int16_t* x2) {
    // extract_h(L_shl(L_mult(y, g), 1)) is the product y g >> 14 clamped to 16 bits (both
    // saturations land on the clamp), and the subtraction saturates like sub().
    for (int i = 0; i < kSubfr; ++i) {
        int32_t h = (int32_t{y[i]} * g) >> 14;
        h = h > MAX_16 ? MAX_16 : (h < MIN_16 ? MIN_16 : h);
        const int32_t d = int32_t{x[i]} - h;
        x2[i] = static_cast<int16_t>(d > MAX_16 ? MAX_16 : (d < MIN_16 ? MIN_16 : d));
    }
}

void pair_e(int16_t ps, int16_t alp, const int16_t* dn_x, const int16_t* dn_y, const int16_t* cx,
            const int16_t* cy, const int16_t* rr, int16_t& alpk_out, int& ax, int& by) {
    int16_t sqk = -1, alpk = 1;
    ax = by = -1;
    for (int a = 0; a < 8; ++a) {
        const int16_t ps1 = add(ps, dn_x[a]), alp1 = add(alp, cx[a]);
        int pos = -1;
        for (int b = 0; b < 8; ++b) {
            const int16_t ps2 = add(ps1, dn_y[b]);
            const int16_t alp2 = add(alp1, add(cy[b], rr[8 * a + b]));
            const int16_t sq = mult(ps2, ps2);
            if (better(sq, alpk, sqk, alp2)) {
                sqk = sq;
                alpk = alp2;
                pos = b;
            }
        }
        if (pos >= 0) {
            ax = a;
            by = pos;
        }
    }
    alpk_out = alpk;
}

void narrow_q15(const int32_t* m, int16_t* r, int n) {
    for (int i = 0; i < n; ++i) {
        const int32_t v = m[i] >> 15;
        r[i] = static_cast<int16_t>(v > MAX_16 ? MAX_16 : (v < MIN_16 ? MIN_16 : v));
    }
}

void widen(const int16_t* r, int32_t* m, int n) {
    for (int i = 0; i < n; ++i) m[i] = r[i];
}

void gather_half(const int32_t* src, const int32_t* at, int32_t* dst, int n) {
    for (int i = 0; i < n; ++i) dst[i] = src[at[i]] >> 1;
}

}  // namespace scalar

}  // namespace voks::g729

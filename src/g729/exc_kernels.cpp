// Scalar excitation-search kernels (the definition) and the kernel table.
#include "g729/exc_kernels.h"

#include "common/basicop.h"
#include "common/mathop.h"
#include "g729/exc_core.h"

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

namespace {

constexpr ExcKernels kScalar = {scalar::mac_chain,  scalar::mac_chain_dec, scalar::pred_lt_3,
                                scalar::norm_corr,  scalar::cor_h_prefix,  scalar::search_17,
                                scalar::sign_block, scalar::pair_e,        scalar::phase_b,
                                scalar::narrow_q15, scalar::widen,         scalar::gather_half,
                                scalar::phase_a};

ExcKernels g_table = kScalar;

void fill(frame::Level level) {
    g_table = kScalar;
#if defined(__x86_64__) || defined(__i386__)
    if (level == frame::Level::AVX2) {
        g_table = {avx2::mac_chain, avx2::mac_chain_dec, avx2::pred_lt_3, avx2::norm_corr, avx2::cor_h_prefix,
                   avx2::search_17, avx2::sign_block,    avx2::pair_e,    avx2::phase_b,
                   avx2::narrow_q15, avx2::widen,        avx2::gather_half,
                   avx2::phase_a};
    }
#else
    (void)level;
#endif
}

const frame::KernelInit g_init(fill);

}  // namespace

const ExcKernels& exc_kernels() {
    return g_table;
}

}  // namespace voks::g729

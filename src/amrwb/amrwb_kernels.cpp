// Scalar AMR-WB kernels (the definition). Where the energies prove that no partial sum of a chain
// can saturate, the chain is the exact sum, taken directly.
#include "amrwb/kernels.h"

#include <algorithm>

#include "amrwb/amrwb_internal.h"
#include "amrwb/amrwb_tables.h"
#include "common/basicop.h"

namespace voks::amrwb {

namespace {

VOKS_SCALAR uint64_t energy(const int16_t* x, int n) {
    uint64_t e = 0;
    for (int i = 0; i < n; ++i) e += static_cast<uint64_t>(int32_t{x[i]} * x[i]);
    return e;
}

// s0 + 2 <a, b> for a chain chain_exact proved unsaturated (no partial sum leaves 31 bits).
VOKS_SCALAR int32_t exact_chain(const int16_t* a, const int16_t* b, int n, int32_t s0) {
    int32_t s = 0;
    for (int i = 0; i < n; ++i) s += int32_t{a[i]} * b[i];
    return s0 + 2 * s;
}

}  // namespace

namespace scalar {

int32_t mac_chain(const int16_t* a, const int16_t* b, int n, int32_t s0) {
    for (int i = 0; i < n; ++i) s0 = L_mac(s0, a[i], b[i]);
    return s0;
}

VOKS_SCALAR void mac_xcorr(const int16_t* a, const int16_t* b, int n, int hi, int count, int32_t s0,
                           int32_t* r) {
    const uint64_t ea = energy(a, n);
    // The energy of the window b[-lag .. n - lag), slid one sample per lag.
    const int16_t* w = b - hi;
    uint64_t eb = energy(w, n);
    for (int k = 0; k < count; ++k, ++w) {
        if (k > 0)
            eb += static_cast<uint64_t>(int32_t{w[n - 1]} * w[n - 1]) -
                  static_cast<uint64_t>(int32_t{w[-1]} * w[-1]);
        r[k] = chain_exact(ea, eb, s0) ? exact_chain(a, w, n, s0) : mac_chain(a, w, n, s0);
    }
}

VOKS_SCALAR void mac_tail(const int16_t* a, const int16_t* b, int n, int first, int step, int count,
                          int32_t s0, int32_t* r) {
    const bool exact = chain_exact(energy(a, n), energy(b, n), s0);
    for (int k = 0, p = first; k < count; ++k, p += step)
        r[k] = exact ? exact_chain(a, b + p, n - p, s0) : mac_chain(a, b + p, n - p, s0);
}

VOKS_SCALAR void pitch_sums(const int16_t* exc, const int16_t* xn, const int16_t* h, int tmin, int tmax,
                            int32_t* cor, int32_t* ener) {
    constexpr int n = kSubframe;
    int16_t excf[n];
    int k = -tmin;
    for (int i = 0; i < n; ++i) {
        int32_t s = 0;
        for (int j = 0; j <= i; ++j) s = L_mac(s, exc[k + j], h[i - j]);
        excf[i] = round_fx(s);
    }
    const uint64_t exn = energy(xn, n);
    for (int lag = tmin; lag <= tmax; ++lag) {
        // The chain of squares from 1 only grows: it is the exact sum, saturated once.
        const uint64_t e = energy(excf, n);
        ener[lag - tmin] = e >= 0x40000000 ? MAX_32 : static_cast<int32_t>(1 + 2 * e);
        cor[lag - tmin] = chain_exact(exn, e, 1) ? exact_chain(xn, excf, n, 1) : mac_chain(xn, excf, n, 1);
        if (lag != tmax) {
            --k;
            for (int i = n - 1; i > 0; --i) excf[i] = add(mult(exc[k], h[i]), excf[i - 1]);
            excf[0] = mult(exc[k], h[0]);
        }
    }
}

VOKS_SCALAR void residual(const int16_t* a, int m, const int16_t* x, int16_t* y, int n, int sf) {
    const int shift = sf < -31 ? 45 : 14 - sf;  // any shift above 31 saturates alike
    const bool exact = chain_exact(energy(a, m + 1), energy(x - m, m + n), 0);
    for (int i = 0; i < n; ++i) {
        int32_t s;
        if (exact) {
            s = 0;
            for (int j = 0; j <= m; ++j) s += int32_t{a[j]} * x[i - j];
            s *= 2;
        } else {
            s = L_mult(x[i], a[0]);
            for (int j = 1; j <= m; ++j) s = L_mac(s, a[j], x[i - j]);
        }
        s = shift >= 0 ? L_shl(s, static_cast<int16_t>(std::min(shift, 31)))
                       : L_shr(s, static_cast<int16_t>(-shift));
        y[i] = round_fx(s);
    }
}

VOKS_SCALAR void pair_search(int nx, int tx, int ty, int16_t* ps, int16_t* alp, int* ix, int* iy,
                             const int16_t* dn, const int16_t* dn2, const int16_t* cor_x,
                             const int16_t* cor_y, const int16_t* rxy) {
    const auto thres = static_cast<int16_t>(nx - 8);
    const int32_t alp0 = L_add(L_deposit_h(*alp), 0x8000);
    int16_t sqk = -1, alpk = 1;
    *ix = tx;
    *iy = ty;
    const int16_t* p2 = rxy;
    for (int x = tx, px = 0; x < kSubframe; x += 4, ++px) {
        if (dn2[x] >= thres) {
            p2 += 16;
            continue;
        }
        const int16_t ps1 = add(*ps, dn[x]);
        const int32_t alp1 = L_mac(alp0, cor_x[px], 4096);
        int pos = -1;
        for (int y = ty, py = 0; y < kSubframe; y += 4, ++py) {
            const int16_t ps2 = add(ps1, dn[y]);
            const int16_t a = extract_h(L_mac(L_mac(alp1, cor_y[py], 4096), *p2++, 8192));
            const int16_t sq = mult(ps2, ps2);
            if (L_msu(L_mult(alpk, sq), sqk, a) > 0) {
                sqk = sq;
                alpk = a;
                pos = y;
            }
        }
        if (pos >= 0) {
            *ix = x;
            *iy = pos;
        }
    }
    *ps = add(*ps, add(dn[*ix], dn[*iy]));
    *alp = alpk;
}

VOKS_SCALAR void track_matrix(const int16_t* h, const int16_t* sign, const int16_t* vec, int16_t* rr,
                              int16_t* rxy) {
    int32_t cor = 0x8000;
    for (int i = 0; i < 16; ++i)
        for (int t = 3; t >= 0; --t) {
            cor = L_mac(cor, h[4 * i + 3 - t], h[4 * i + 3 - t]);
            rr[16 * t + 15 - i] = extract_h(cor);
        }
    int16_t* flat = rxy;
    constexpr int kM = 256;
    for (int k = 0, p = kM - 1; k < 16; ++k, p -= 16) {
        // Order of writes: tracks (2,3)→rxy[2], (1,2)→rxy[1], (0,1)→rxy[0], (3,0)→rxy[3].
        int q[4] = {2 * kM + p, kM + p, p, 3 * kM + p - 16};
        cor = 0x8000;
        const int16_t* h1 = h;
        const int16_t* h2 = h + 1 + 4 * k;
        for (int i = k + 1; i < 16; ++i) {
            for (int& w : q) {
                cor = L_mac(cor, *h1++, *h2++);
                flat[w] = extract_h(cor);
                w -= 17;
            }
        }
        for (int m = 0; m < 3; ++m) {
            cor = L_mac(cor, *h1++, *h2++);
            flat[q[m]] = extract_h(cor);
        }
    }
    for (int k = 0, p = kM - 1; k < 16; ++k, --p) {
        int q[4] = {3 * kM + p, 2 * kM + p - 1, kM + p - 1, p - 1};
        cor = 0x8000;
        const int16_t* h1 = h;
        const int16_t* h2 = h + 3 + 4 * k;
        for (int i = k + 1; i < 16; ++i) {
            for (int& w : q) {
                cor = L_mac(cor, *h1++, *h2++);
                flat[w] = extract_h(cor);
                w -= 17;
            }
        }
        cor = L_mac(cor, *h1, *h2);
        flat[q[0]] = extract_h(cor);
    }
    for (int k = 0, w = 0; k < 4; ++k)
        for (int i = k; i < 64; i += 4) {
            const int16_t* s = sign[i] < 0 ? vec : sign;
            for (int j = (k + 1) % 4; j < 64; j += 4, ++w) flat[w] = mult(flat[w], s[j]);
        }
}

VOKS_SCALAR void pred_lt4(int16_t* exc, int lag, int frac, int n) {
    const int16_t* x = exc - lag;
    frac = -frac;
    if (frac < 0) {
        frac += 4;
        --x;
    }
    x -= 15;
    for (int j = 0; j < n; ++j, ++x) {
        int32_t s = 0;
        for (int i = 0, k = 3 - frac; i < 32; ++i, k += 4) s = L_mac(s, x[i], kInterp4[k]);
        exc[j] = round_fx(L_shl(s, 1));
    }
}

VOKS_SCALAR void vq_dist(const int16_t* x, const int16_t* book, int dim, int count, int32_t* d) {
    for (int i = 0; i < count; ++i) {
        int32_t s = 0;
        for (int j = 0; j < dim; ++j) {
            const int16_t t = sub(x[j], book[j * count + i]);
            s = L_mac(s, t, t);
        }
        d[i] = s;
    }
}

VOKS_SCALAR void track_cor(const int16_t* h, const int16_t* vec, int track, const int16_t* sign,
                           const int16_t* rr, int16_t* cor) {
    int32_t s[16];
    mac_tail(h, vec, kSubframe, track, 4, 16, 0, s);
    for (int i = 0; i < 16; ++i) cor[i] = add(mult(round_fx(L_shl(s[i], 1)), sign[track + 4 * i]), rr[i]);
}

VOKS_SCALAR void synth_32(const int16_t* a, int m, const int16_t* exc, int32_t* sig, int n, int q) {
    const int16_t s = sub(norm_s(a[0]), 2), a0 = shr(a[0], add(4, static_cast<int16_t>(q)));
    for (int i = 0; i < n; ++i) {
        int32_t t = 0;
        for (int j = 1; j <= m; ++j) t = L_msu(t, static_cast<int16_t>((sig[i - j] & 0xFFFF) >> 4), a[j]);
        t = L_shr(t, 12);
        t = L_mac(t, exc[i], a0);
        for (int j = 1; j <= m; ++j) t = L_msu(t, static_cast<int16_t>(sig[i - j] >> 16), a[j]);
        t = L_shl(t, add(3, s));
        const int16_t hi = extract_h(t);
        sig[i] = hi * 65536 + extract_l(L_msu(L_shr(t, 4), hi, 2048)) * 16;
    }
}

VOKS_SCALAR void gain_dist(const int16_t* table, int size, int16_t g0, const int16_t* coeff,
                           const int16_t* lo, int32_t* dist) {
    for (int i = 0; i < size; ++i) {
        const int16_t gp = table[2 * i], gc = mult_r(table[2 * i + 1], g0);
        const int16_t gp2 = mult_r(gp, gp), gpc = mult_r(gc, gp);
        int16_t gc2, gc2_lo;
        L_Extract(L_mult(gc, gc), gc2, gc2_lo);
        int32_t d = L_shr(L_mult(coeff[2], gc2_lo), 3);
        d = L_mac(d, lo[0], gp2);
        d = L_mac(d, lo[1], gp);
        d = L_mac(d, lo[2], gc2);
        d = L_mac(d, lo[3], gc);
        d = L_mac(d, lo[4], gpc);
        d = L_shr(d, 12);
        d = L_mac(d, coeff[0], gp2);
        d = L_mac(d, coeff[1], gp);
        d = L_mac(d, coeff[2], gc2);
        d = L_mac(d, coeff[3], gc);
        d = L_mac(d, coeff[4], gpc);
        dist[i] = d;
    }
}

VOKS_SCALAR void three_tap(const int16_t* c, const int16_t* x, int16_t* y, int n, bool edge) {
    int16_t prev = edge ? x[-1] : int16_t{0};  // the input before the current one (y may be x)
    for (int i = 0; i < n; ++i) {
        const int16_t cur = x[i];
        int32_t t = edge ? L_mult(cur, c[0]) : L_deposit_h(cur);
        if (edge || i + 1 < n) t = L_msu(t, x[i + 1], c[1]);
        if (edge || i > 0) t = L_msu(t, prev, c[1]);
        y[i] = round_fx(t);
        prev = cur;
    }
}

int16_t chebyshev(int16_t x, const int16_t* f, int n) {
    int16_t b2h, b2l, b1h, b1l;
    L_Extract(L_mult(f[0], 4096), b2h, b2l);
    int32_t t = L_mac(L_shl(Mpy_32_16(b2h, b2l, x), 1), f[1], 4096);
    L_Extract(t, b1h, b1l);
    for (int i = 2; i < n; ++i) {
        t = Mpy_32_16(b1h, b1l, x);
        t = L_mac(t, b2h, -16384);
        t = L_mac(t, f[i], 2048);
        t = L_msu(L_shl(t, 1), b2l, 1);
        b2h = b1h;
        b2l = b1l;
        L_Extract(t, b1h, b1l);
    }
    t = Mpy_32_16(b1h, b1l, x);
    t = L_mac(t, b2h, MIN_16);
    t = L_msu(t, b2l, 1);
    t = L_mac(t, f[n], 2048);
    const int16_t c = extract_h(L_shl(t, 6));
    return c == MIN_16 ? int16_t{-32767} : c;
}

VOKS_SCALAR void cheb_grid(const int16_t* f, int n, const int16_t* x, int16_t* y, int count) {
    for (int k = 0; k < count; ++k) y[k] = chebyshev(x[k], f, n);
}

VOKS_SCALAR void matrix_2t(const int16_t* h, const int16_t* sign, const int16_t* vec, int16_t* rxy) {
    constexpr int kPos = 32;
    int32_t cor;
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
}

VOKS_SCALAR void search_2t(const int16_t* dn, const int16_t* rr0, const int16_t* rr1, const int16_t* rxy,
                           int* pix, int* piy) {
    const int16_t* rr[2] = {rr0, rr1};
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
    *pix = ix;
    *piy = iy;
}

VOKS_SCALAR void preemph(int16_t mu, int16_t* x, int n, int sf, int16_t* mem) {
    const int16_t last = x[n - 1];
    // y = x << 16 - 2 mu x[-1] with saturation, then rounded at bit 15 - (14 - sf).
    const auto one = [mu, sf](int16_t cur, int16_t prev) {
        int32_t t = L_msu(L_deposit_h(cur), prev, mu);
        const int shift = sf < -31 ? 45 : 14 - sf;  // any shift above 31 saturates alike
        t = shift >= 0 ? L_shl(t, static_cast<int16_t>(std::min(shift, 31)))
                       : L_shr(t, static_cast<int16_t>(-shift));
        return round_fx(t);
    };
    for (int i = n - 1; i > 0; --i) x[i] = one(x[i], x[i - 1]);
    x[0] = one(x[0], *mem);
    *mem = last;
}

VOKS_SCALAR void preselect_4t(int16_t* dn, const int16_t* cn, int16_t k_cn, int16_t k_dn, int16_t* sign,
                              int16_t* vec, int16_t* dn2, int* pos_max) {
    for (int i = 0; i < 64; ++i) {
        int16_t ps = extract_h(L_shl(L_mac(L_mult(k_cn, cn[i]), k_dn, dn[i]), 8));
        const bool pos = ps >= 0;
        sign[i] = pos ? 32767 : -32768;
        vec[i] = pos ? -32768 : 32767;
        if (!pos) {
            dn[i] = negate(dn[i]);
            ps = negate(ps);
        }
        dn2[i] = ps;
    }
    int pos = 0;
    for (int t = 0; t < 4; ++t) {
        for (int k = 0; k < 8; ++k) {
            int16_t ps = -1;
            for (int j = t; j < 64; j += 4)
                if (dn2[j] > ps) {
                    ps = dn2[j];
                    pos = j;
                }
            dn2[pos] = static_cast<int16_t>(k - 8);
            if (k == 0) pos_max[t] = pos;
        }
    }
}

}  // namespace scalar

}  // namespace voks::amrwb

// G.729 Annex E algebraic codebooks: 10 pulses in 35 bits (forward mode) and 12 pulses in 44
// bits (backward mode). Five tracks of 8 positions; signs are fixed in advance from the target
// correlation and the long-term-prediction residual; a depth-first search places pulse pairs on
// consecutive tracks, starting from the three best track pairs.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/basicop.h"
#include "g729/exc_internal.h"
#include "g729/g729_mathop.h"
#include "g729/kernels.h"

namespace voks::g729 {

namespace {

constexpr int kTracks = 5;
constexpr int kPos = 8;
// Track of the n-th pulse counted from a starting track.
constexpr int kTrackOf[16] = {0, 1, 2, 3, 4, 0, 1, 2, 3, 4, 0, 1, 2, 3, 4, 0};

// L_mac chain from a start value.
int32_t chain(int32_t s, const int16_t* a, const int16_t* b, int n) {
    for (int i = 0; i < n; ++i) s = L_mac(s, a[i], b[i]);
    return s;
}

struct SearchE {
    int16_t dn[kSubfr], sign[kSubfr], inv[kSubfr];
    int16_t pos_max[kTracks];
    int32_t corr[kTracks];
    int16_t hbuf[2 * kSubfr], hinvbuf[2 * kSubfr];  // zeros before the scaled response and its negation
    int16_t* h = hbuf + kSubfr;
    int16_t* hinv = hinvbuf + kSubfr;
    int16_t rrixix[kTracks][kPos];
    int16_t rrixiy[kTracks][64];  // track t against track t + 1 (track 4 against track 0)

    // Correlation of target and response, normalised so that the sum of the track maxima fits.
    void target_correlation(const int16_t* H, const int16_t* x) {
        int32_t y32[kSubfr];
        int32_t tot = 5;
        for (int k = 0; k < kTracks; ++k) {
            int32_t max = 0;
            for (int i = k; i < kSubfr; i += 5) {
                y32[i] = kernels().mac_chain(x + i, H, kSubfr - i);
                const int32_t a = L_abs(y32[i]);
                if (a > max) max = a;
            }
            tot = L_add(tot, L_shr(max, 1));
        }
        const int16_t j = sub(norm_l(tot), 2);
        for (int i = 0; i < kSubfr; ++i) dn[i] = round_fx(L_shl(y32[i], j));
    }

    // Signs from k_cn * cn + k_dn * dn; |d| under those signs; best position and value per track.
    void set_sign(const int16_t* cn) {
        auto gain_of = [](const int16_t* v) {
            int32_t s = chain(0, v, v, kSubfr);
            if (s < 512) s = 512;
            return extract_h(L_shl(ownInvSqrt(s), 5));
        };
        const int16_t k_cn = mult(gain_of(cn), 32767);
        const int16_t k_dn = gain_of(dn);
        for (int k = 0; k < kTracks; ++k) {
            int32_t max = -1;
            int pos = k;
            for (int i = k; i < kSubfr; i += 5) {
                int16_t val = dn[i];
                const int32_t s = L_mac(L_mult(k_cn, cn[i]), k_dn, val);
                if (s >= 0) {
                    sign[i] = MAX_16;
                    inv[i] = MIN_16;
                } else {
                    sign[i] = MIN_16;
                    inv[i] = MAX_16;
                    val = negate(val);
                }
                dn[i] = val;
                const int32_t a = L_abs(s);
                if (a > max) {
                    max = a;
                    pos = i;
                }
            }
            pos_max[k] = static_cast<int16_t>(pos);
            corr[k] = max;
        }
    }

    // Response scaled to unit energy, its energies and the signed pair correlations.
    void correlations(const int16_t* H) {
        int32_t cor = chain(0, H, H, kSubfr);
        int16_t k = shr(norm_l(cor), 1);
        for (int i = 0; i < kSubfr; ++i) h[i] = shl(H[i], k);
        cor = L_shl(cor, static_cast<int16_t>(k + k));
        cor = L_shr(cor, 12);
        k = extract_h(L_shl(ownInvSqrt(cor), 8));
        std::fill(hbuf, hbuf + kSubfr, int16_t{0});
        std::fill(hinvbuf, hinvbuf + kSubfr, int16_t{0});
        for (int i = 0; i < kSubfr; ++i) {
            h[i] = mult(h[i], k);
            hinv[i] = negate(h[i]);
        }
        // Element (p1, p2): the chain of lag |p1 - p2| over 40 - max(p1, p2) products, started at
        // the rounding constant (1.0 for the energies, halved afterwards; 0.5 for the pairs). Below
        // an energy of 2^30 - 2^16 no chain from either constant can saturate, so the prefix
        // kernel's chains from 0 plus the constant are exact.
        int64_t e = 0;
        for (int i = 0; i < kSubfr; ++i) e += int32_t{h[i]} * h[i];
        int32_t pre[kSubfr * 41];  // pre[n * 40 + d]
        const bool exact = e < (int64_t{1} << 30) - (1 << 16);
        if (exact) kernels().cor_h_prefix(h, pre);
        auto element = [&](int32_t start, int d, int last) {
            return exact ? extract_h(start + pre[(kSubfr - last) * kSubfr + d])
                         : extract_h(chain(start, h, h + d, kSubfr - last));
        };
        for (int t = 0; t < kTracks; ++t)
            for (int j = 0; j < kPos; ++j) rrixix[t][j] = shr(element(0x10000, 0, t + 5 * j), 1);
        for (int t = 0; t < kTracks; ++t) {
            const int t2 = (t + 1) % kTracks;
            for (int a = 0; a < kPos; ++a) {
                const int p1 = t + 5 * a;
                const int16_t* ps = sign[p1] < 0 ? inv : sign;
                for (int b = 0; b < kPos; ++b) {
                    const int p2 = t2 + 5 * b;
                    const int d = p1 > p2 ? p1 - p2 : p2 - p1;
                    rrixiy[t][8 * a + b] = mult(element(0x8000, d, p1 > p2 ? p1 : p2), ps[p2]);
                }
            }
        }
    }

    // Correlation of the fixed pulses' response with each position of a track, plus its energy.
    void cor_vec(const int16_t* vec, int track, int16_t* cor) const {
        for (int i = 0; i < kPos; ++i) {
            const int pos = track + 5 * i;
            const int32_t s = kernels().mac_chain(h, vec + pos, kSubfr - pos);
            cor[i] = add(mult(round_fx(s), sign[pos]), rrixix[track][i]);
        }
    }

    // Best pair on (tx, ty) added to the fixed pulses; ix, iy keep their values when no pair
    // improves on the start.
    void search_pair(int tx, int ty, int16_t& ps, int16_t& alp, int& ix, int& iy, const int16_t* cx,
                     const int16_t* cy) const {
        int16_t dx[kPos], dy[kPos], alpk;
        for (int a = 0; a < kPos; ++a) {
            dx[a] = dn[tx + 5 * a];
            dy[a] = dn[ty + 5 * a];
        }
        int ax, by;
        kernels().pair_e(ps, alp, dx, dy, cx, cy, rrixiy[tx], alpk, ax, by);
        if (ax >= 0) {
            ix = tx + 5 * ax;
            iy = ty + 5 * by;
        }
        ps = add(ps, add(dn[ix], dn[iy]));
        alp = alpk;
    }

    // The three-start depth-first search for `pulses` pulses; positions in codvec.
    void search(int pulses, int* codvec) {
        int32_t c[kTracks];
        const int32_t s4 = L_add(corr[4], corr[0]);
        for (int k = 0; k < kTracks - 1; ++k) c[k] = L_add(corr[k], corr[k + 1]);
        c[4] = s4;
        int itrk[3];
        for (int n = 0; n < 3; ++n) {
            int32_t s = c[0];
            int track = 0;
            for (int i = 1; i < kTracks; ++i)
                if (c[i] > s) {
                    s = c[i];
                    track = i;
                }
            c[track] = -1;
            itrk[n] = track;
        }
        int16_t psk = -1, alpk = 1;
        for (int n = 0; n < 3; ++n) {
            const int k = itrk[n];
            int ix = pos_max[kTrackOf[k]], iy = pos_max[kTrackOf[k + 1]];
            int16_t ps = add(dn[ix], dn[iy]);
            const int i5 = ix / 5, j5 = iy / 5;
            int16_t alp = add(rrixix[kTrackOf[k]][i5], rrixix[kTrackOf[k + 1]][j5]);
            alp = add(alp, rrixiy[kTrackOf[k]][8 * i5 + j5]);
            int ip[12];
            ip[0] = ix;
            ip[1] = iy;
            int16_t vec[kSubfr] = {};
            for (int j = 2; j < pulses; j += 2) {
                const int16_t* p0 = (sign[ix] < 0 ? hinv : h) - ix;
                const int16_t* p1 = (sign[iy] < 0 ? hinv : h) - iy;
                for (int i = 0; i < kSubfr; ++i) vec[i] = add(vec[i], add(p0[i], p1[i]));
                int16_t cx[kPos], cy[kPos];
                cor_vec(vec, kTrackOf[k + j], cx);
                cor_vec(vec, kTrackOf[k + j + 1], cy);
                search_pair(kTrackOf[k + j], kTrackOf[k + j + 1], ps, alp, ix, iy, cx, cy);
                ip[j] = ix;
                ip[j + 1] = iy;
            }
            const int16_t sq = mult(ps, ps);
            // A start that beats the best so far replaces it. When none beats the initial (-1, 1)
            // pair (only extreme inputs, whose 16-bit energy sums saturate) the first start's codeword is
            // kept, rather than an undefined one.
            if (int64_t{L_mult(alpk, sq)} - 2 * int64_t{psk} * alp > 0) {
                psk = sq;
                alpk = alp;
                std::memcpy(codvec, ip, sizeof(int) * static_cast<size_t>(pulses));
            } else if (n == 0) {
                std::memcpy(codvec, ip, sizeof(int) * static_cast<size_t>(pulses));
            }
        }
    }
};

// Adds a pulse of sign s at pos to the code (+-4096, Q12) and the filtered code (h in Q11).
void add_pulse(int pos, bool positive, const int16_t* h11, int16_t* code, int16_t* y) {
    if (positive) {
        code[pos] = add(code[pos], 4096);
        for (int i = pos, j = 0; i < kSubfr; ++i, ++j) y[i] = add(y[i], h11[j]);
    } else {
        code[pos] = sub(code[pos], 4096);
        for (int i = pos, j = 0; i < kSubfr; ++i, ++j) y[i] = sub(y[i], h11[j]);
    }
}

// Code words of two pulses per track: position number plus 8 for a negative sign, paired so
// that the order of the two numbers tells whether the signs agree (bit 8 marks a pair).
void words(const int* codvec, int n, const int16_t* sign, int16_t* indx) {
    for (int t = 0; t < kTracks; ++t) indx[t] = -1;
    for (int k = 0; k < n; ++k) {
        const int p = codvec[k];
        int16_t index = static_cast<int16_t>(p / 5 + (sign[p] > 0 ? 0 : 8));
        int16_t& w = indx[p % 5];
        if (w < 0) {
            w = index;
        } else if (((index ^ w) & 8) == 0) {
            w = static_cast<int16_t>(w <= index ? ((w << 4) + index) | 256 : ((index << 4) + w) | 256);
        } else {
            w = static_cast<int16_t>((w & 7) <= (index & 7) ? ((index << 4) + w) | 256
                                                            : ((w << 4) + index) | 256);
        }
    }
}

void build_code(const int* codvec, int n, const int16_t* sign, const int16_t* h11, int16_t* code, int16_t* y,
                int16_t* indx) {
    std::memset(code, 0, sizeof(int16_t) * kSubfr);
    std::memset(y, 0, sizeof(int16_t) * kSubfr);
    for (int k = 0; k < n; ++k) add_pulse(codvec[k], sign[codvec[k]] > 0, h11, code, y);
    words(codvec, n, sign, indx);
}

// Three 4-bit pulse codes of one track in 10 bits: sorted by position, the sign pattern picks
// the order of the fields.
int16_t pack3(int i1, int i2, int i3) {
    auto swap_if = [](int& a, int& b) {
        if ((a & 7) > (b & 7)) {
            const int t = a;
            a = b;
            b = t;
        }
    };
    swap_if(i1, i2);
    swap_if(i1, i3);
    swap_if(i2, i3);
    const int k = ((i1 >> 1) & 4) + ((i2 >> 2) & 2) + ((i3 >> 3) & 1);
    switch (k) {
        case 0:
        case 7:
            return static_cast<int16_t>(((i1 & 7) << 7) + ((i2 & 7) << 4) + i3);
        case 1:
        case 6:
            return static_cast<int16_t>(((i3 & 7) << 7) + ((i1 & 7) << 4) + i2);
        case 2:
        case 5:
            return static_cast<int16_t>(((i2 & 7) << 7) + ((i1 & 7) << 4) + i3);
        default:
            return static_cast<int16_t>(((i2 & 7) << 7) + ((i3 & 7) << 4) + i1);
    }
}

}  // namespace

void acelp_annex_e(bool pulses12, const int16_t* x, const int16_t* cn, const int16_t* H, int16_t* code,
                   int16_t* y, int16_t* indx) {
    SearchE s;
    s.target_correlation(H, x);
    s.set_sign(cn);
    s.correlations(H);
    const int pulses = pulses12 ? 12 : 10;
    int codvec[12] = {};
    s.search(pulses, codvec);
    int16_t h11[kSubfr];
    for (int i = 0; i < kSubfr; ++i) h11[i] = shr(H[i], 1);
    if (!pulses12) {
        build_code(codvec, 10, s.sign, h11, code, y, indx);
        for (int t = 0; t < kTracks; ++t) indx[t] = static_cast<int16_t>(indx[t] & 127);
        return;
    }
    int16_t idx[kTracks];
    build_code(codvec + 2, 10, s.sign, h11, code, y, idx);
    int track = 0;
    for (int k = 0; k < 2; ++k) {
        const int p = codvec[k];
        track = p % 5;
        int index = p / 5;
        const bool positive = s.sign[p] > 0;
        add_pulse(p, positive, h11, code, y);
        if (!positive) index += 8;
        int16_t w = pack3((idx[track] >> 4) & 15, idx[track] & 15, index);
        if (k == 0) w = static_cast<int16_t>(w + (track << 10));
        indx[k] = w;
    }
    for (int k = 2; k < kTracks; ++k) {
        track = track + 1 >= kTracks ? 0 : track + 1;
        indx[k] = static_cast<int16_t>(idx[track] & 127);
    }
}

namespace {

// The Annex E search in single precision: the same signs, starts, stages and tie rules on the
// unscaled correlations, with half energies on the diagonal as in the fixed-point search.
struct SearchE32f {
    float dn[kSubfr], fsign[kSubfr];
    int16_t sign[kSubfr];
    int pos_max[kTracks];
    float corr[kTracks];
    float hbuf[2 * kSubfr] = {};
    float* h = hbuf + kSubfr;
    float rrixix[kTracks][kPos];
    float rrixiy[kTracks][64];

    void prepare(const float* x, const float* cn, const float* H) {
        for (int i = 0; i < kSubfr; ++i) {
            float s = 0.0f;
            for (int j = i; j < kSubfr; ++j) s += x[j] * H[j - i];
            dn[i] = s;
            h[i] = H[i];
        }
        auto inv_norm = [](const float* v) {
            float e = 0.0f;
            for (int i = 0; i < kSubfr; ++i) e += v[i] * v[i];
            return 1.0f / std::sqrt(e < 1.0f ? 1.0f : e);
        };
        const float k_cn = inv_norm(cn), k_dn = inv_norm(dn);
        for (int k = 0; k < kTracks; ++k) {
            float max = -1.0f;
            int pos = k;
            for (int i = k; i < kSubfr; i += 5) {
                const float e = k_cn * cn[i] + k_dn * dn[i];
                fsign[i] = e >= 0.0f ? 1.0f : -1.0f;
                sign[i] = e >= 0.0f ? MAX_16 : MIN_16;
                dn[i] *= fsign[i];
                if (std::fabs(e) > max) {
                    max = std::fabs(e);
                    pos = i;
                }
            }
            pos_max[k] = pos;
            corr[k] = max;
        }
        for (int t = 0; t < kTracks; ++t)
            for (int j = 0; j < kPos; ++j) {
                const int p = t + 5 * j;
                float e = 0.0f;
                for (int n = 0; n < kSubfr - p; ++n) e += h[n] * h[n];
                rrixix[t][j] = 0.5f * e;
            }
        for (int t = 0; t < kTracks; ++t) {
            const int t2 = (t + 1) % kTracks;
            for (int a = 0; a < kPos; ++a)
                for (int b = 0; b < kPos; ++b) {
                    const int p1 = t + 5 * a, p2 = t2 + 5 * b;
                    const int d = p1 > p2 ? p1 - p2 : p2 - p1;
                    float c = 0.0f;
                    for (int n = 0; n < kSubfr - (p1 > p2 ? p1 : p2); ++n) c += h[n] * h[n + d];
                    rrixiy[t][8 * a + b] = c * fsign[p1] * fsign[p2];
                }
        }
    }

    void cor_vec(const float* vec, int track, float* cor) const {
        for (int i = 0; i < kPos; ++i) {
            const int pos = track + 5 * i;
            float s = 0.0f;
            for (int j = 0; j < kSubfr - pos; ++j) s += h[j] * vec[pos + j];
            cor[i] = s * fsign[pos] + rrixix[track][i];
        }
    }

    void search_pair(int tx, int ty, float& ps, float& alp, int& ix, int& iy, const float* cx,
                     const float* cy) const {
        float sqk = -1.0f, alpk = 1.0f;
        for (int a = 0; a < kPos; ++a) {
            const int x = tx + 5 * a;
            const float ps1 = ps + dn[x], alp1 = alp + cx[a];
            int pos = -1;
            for (int b = 0; b < kPos; ++b) {
                const int y = ty + 5 * b;
                const float ps2 = ps1 + dn[y];
                const float alp2 = alp1 + cy[b] + rrixiy[tx][8 * a + b];
                const float sq = ps2 * ps2;
                if (alpk * sq - sqk * alp2 > 0.0f) {
                    sqk = sq;
                    alpk = alp2;
                    pos = y;
                }
            }
            if (pos >= 0) {
                ix = x;
                iy = pos;
            }
        }
        ps += dn[ix] + dn[iy];
        alp = alpk;
    }

    void search(int pulses, int* codvec) {
        float c[kTracks];
        for (int k = 0; k < kTracks; ++k) c[k] = corr[k] + corr[(k + 1) % kTracks];
        int itrk[3];
        for (int n = 0; n < 3; ++n) {
            int track = 0;
            for (int i = 1; i < kTracks; ++i)
                if (c[i] > c[track]) track = i;
            c[track] = -1.0f;
            itrk[n] = track;
        }
        float psk = -1.0f, alpk = 1.0f;
        for (int n = 0; n < 3; ++n) {
            const int k = itrk[n];
            int ix = pos_max[kTrackOf[k]], iy = pos_max[kTrackOf[k + 1]];
            float ps = dn[ix] + dn[iy];
            float alp = rrixix[kTrackOf[k]][ix / 5] + rrixix[kTrackOf[k + 1]][iy / 5] +
                        rrixiy[kTrackOf[k]][8 * (ix / 5) + iy / 5];
            int ip[12];
            ip[0] = ix;
            ip[1] = iy;
            float vec[kSubfr] = {};
            for (int j = 2; j < pulses; j += 2) {
                for (int i = 0; i < kSubfr; ++i) vec[i] += fsign[ix] * h[i - ix] + fsign[iy] * h[i - iy];
                float cx[kPos], cy[kPos];
                cor_vec(vec, kTrackOf[k + j], cx);
                cor_vec(vec, kTrackOf[k + j + 1], cy);
                search_pair(kTrackOf[k + j], kTrackOf[k + j + 1], ps, alp, ix, iy, cx, cy);
                ip[j] = ix;
                ip[j + 1] = iy;
            }
            const float sq = ps * ps;
            if (alpk * sq - psk * alp > 0.0f) {
                psk = sq;
                alpk = alp;
                std::memcpy(codvec, ip, sizeof(int) * static_cast<size_t>(pulses));
            } else if (n == 0) {
                std::memcpy(codvec, ip, sizeof(int) * static_cast<size_t>(pulses));
            }
        }
    }
};

}  // namespace

void acelp_annex_e_32f(bool pulses12, const float* x, const float* cn, const float* H, float* code, float* y,
                       int32_t* indx) {
    SearchE32f s;
    s.prepare(x, cn, H);
    const int pulses = pulses12 ? 12 : 10;
    int codvec[12] = {};
    s.search(pulses, codvec);
    std::memset(code, 0, sizeof(float) * kSubfr);
    std::memset(y, 0, sizeof(float) * kSubfr);
    for (int k = 0; k < pulses; ++k) {
        const int p = codvec[k];
        code[p] += s.fsign[p];
        for (int i = p; i < kSubfr; ++i) y[i] += s.fsign[p] * H[i - p];
    }
    int16_t idx[kTracks];
    if (!pulses12) {
        words(codvec, 10, s.sign, idx);
        for (int t = 0; t < kTracks; ++t) indx[t] = idx[t] & 127;
        return;
    }
    words(codvec + 2, 10, s.sign, idx);
    int track = 0;
    for (int k = 0; k < 2; ++k) {
        const int p = codvec[k];
        track = p % 5;
        const int index = p / 5 + (s.sign[p] > 0 ? 0 : 8);
        int w = pack3((idx[track] >> 4) & 15, idx[track] & 15, index);
        if (k == 0) w += track << 10;
        indx[k] = w;
    }
    for (int k = 2; k < kTracks; ++k) {
        track = track + 1 >= kTracks ? 0 : track + 1;
        indx[k] = idx[track] & 127;
    }
}

}  // namespace voks::g729

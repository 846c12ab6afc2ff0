// AMR-WB algebraic codebook search: the backward-filtered target and the 12-bit two-track
// search.
#include <algorithm>
#include <cstdlib>

#include "amrwb/amrwb_internal.h"
#include "amrwb/kernels.h"
#include "common/basicop.h"

namespace voks::amrwb {

void backward_filter_target(const int16_t* h, const int16_t* x, int16_t* dn) {
    int32_t y32[kSubframe];
    kernels().mac_tail(h, x, kSubframe, 0, 1, kSubframe, 1, y32);  // from 1: never an all-zero dn
    int32_t total = 1;
    for (int k = 0; k < 4; ++k) {
        int32_t mx = 0;
        for (int i = k; i < kSubframe; i += 4)
            if (L_abs(y32[i]) > mx) mx = L_abs(y32[i]);
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
    // Cross-correlations of even position i0 and odd position i1 with the signs.
    kernels().matrix_2t(h, sign, vec, rxy);
    // All 32 x 32 pairs; a pair wins when its criterion is strictly better.
    int ix, iy;
    kernels().search_2t(dn, rr[0], rr[1], rxy, &ix, &iy);
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

// Pulse position coders of the 4-track codebooks. A pulse is its position in the track (0..15)
// plus 16 for a negative sign; N bits code a position, the pulses of a track are split by the
// top position bit into halves coded with N - 1 bits.
namespace {

constexpr int32_t kSignBit = 16;

int32_t q1(int p, int n) {
    int32_t index = p & ((1 << n) - 1);
    if (p & kSignBit) index += 1 << n;
    return index;
}

// Two pulses, one sign bit: the order of the positions carries the second sign.
int32_t q2(int p1, int p2, int n) {
    const int mask = (1 << n) - 1;
    int32_t index;
    if (((p1 ^ p2) & kSignBit) == 0) {
        index = p1 <= p2 ? ((p1 & mask) << n) + (p2 & mask) : ((p2 & mask) << n) + (p1 & mask);
        if (p1 & kSignBit) index += 1 << (2 * n);
    } else if ((p1 & mask) <= (p2 & mask)) {
        index = ((p2 & mask) << n) + (p1 & mask);
        if (p2 & kSignBit) index += 1 << (2 * n);
    } else {
        index = ((p1 & mask) << n) + (p2 & mask);
        if (p1 & kSignBit) index += 1 << (2 * n);
    }
    return index;
}

// Two pulses in the same half (with the half's bit), and the third or the other two pulses
// with n bits: the first pair of pulses that share a half is coded first.
int32_t pair_first(int a, int b, int n) {
    const int half = 1 << (n - 1);
    return q2(a, b, n - 1) + ((a & half) << n);
}

int32_t q3(int p1, int p2, int p3, int n) {
    const int half = 1 << (n - 1);
    if (((p1 ^ p2) & half) == 0) return pair_first(p1, p2, n) + (q1(p3, n) << (2 * n));
    if (((p1 ^ p3) & half) == 0) return pair_first(p1, p3, n) + (q1(p2, n) << (2 * n));
    return pair_first(p2, p3, n) + (q1(p1, n) << (2 * n));
}

int32_t q4_n1(int p1, int p2, int p3, int p4, int n) {
    const int half = 1 << (n - 1);
    if (((p1 ^ p2) & half) == 0) return pair_first(p1, p2, n) + (q2(p3, p4, n) << (2 * n));
    if (((p1 ^ p3) & half) == 0) return pair_first(p1, p3, n) + (q2(p2, p4, n) << (2 * n));
    return pair_first(p2, p3, n) + (q2(p1, p4, n) << (2 * n));
}

// Splits pulses by the top position bit (A: clear, B: set), keeping their order.
int split(const int16_t* pos, int count, int n, int* a, int* b) {
    const int half = 1 << (n - 1);
    int i = 0, j = 0;
    for (int k = 0; k < count; ++k) (pos[k] & half) ? b[j++] = pos[k] : a[i++] = pos[k];
    return i;
}

int32_t q4(const int16_t* pos, int n) {
    int a[4] = {}, b[4] = {};
    const int m = n - 1, i = split(pos, 4, n, a, b);
    int32_t index = 0;
    switch (i) {
        case 0:
            index = (1 << (4 * n - 3)) + q4_n1(b[0], b[1], b[2], b[3], m);
            break;
        case 1:
            index = (q1(a[0], m) << (3 * m + 1)) + q3(b[0], b[1], b[2], m);
            break;
        case 2:
            index = (q2(a[0], a[1], m) << (2 * m + 1)) + q2(b[0], b[1], m);
            break;
        case 3:
            index = (q3(a[0], a[1], a[2], m) << n) + q1(b[0], m);
            break;
        default:
            index = q4_n1(a[0], a[1], a[2], a[3], m);
            break;
    }
    return index + ((i & 3) << (4 * n - 2));
}

int32_t q5(const int16_t* pos, int n) {
    int a[5] = {}, b[5] = {};
    const int m = n - 1, i = split(pos, 5, n, a, b);
    // Three pulses of one half first, the remaining two with n bits.
    if (i < 3) {
        const int last[2] = {i == 0 ? b[3] : i == 1 ? b[3] : a[0], i == 0 ? b[4] : i == 1 ? a[0] : a[1]};
        return (1 << (5 * n - 1)) + (q3(b[0], b[1], b[2], m) << (2 * n + 1)) + q2(last[0], last[1], n);
    }
    const int last[2] = {i == 3 ? b[0] : a[3], i == 3 ? b[1] : i == 4 ? b[0] : a[4]};
    return (q3(a[0], a[1], a[2], m) << (2 * n + 1)) + q2(last[0], last[1], n);
}

int32_t q6(const int16_t* pos, int n) {
    int a[6] = {}, b[6] = {};
    const int m = n - 1;
    int i = split(pos, 6, n, a, b);
    int16_t a16[6], b16[6];
    for (int k = 0; k < 6; ++k) {
        a16[k] = static_cast<int16_t>(a[k]);
        b16[k] = static_cast<int16_t>(b[k]);
    }
    const int32_t top = 1 << (6 * n - 5);
    int32_t index = 0;
    switch (i) {
        case 0:
            index = top + (q5(b16, m) << n) + q1(b[5], m);
            break;
        case 1:
            index = top + (q5(b16, m) << n) + q1(a[0], m);
            break;
        case 2:
            index = top + (q4(b16, m) << (2 * m + 1)) + q2(a[0], a[1], m);
            break;
        case 3:
            index = (q3(a[0], a[1], a[2], m) << (3 * m + 1)) + q3(b[0], b[1], b[2], m);
            break;
        case 4:
            i = 2;
            index = (q4(a16, m) << (2 * m + 1)) + q2(b[0], b[1], m);
            break;
        case 5:
            i = 1;
            index = (q5(a16, m) << n) + q1(b[0], m);
            break;
        default:
            i = 0;
            index = (q5(a16, m) << n) + q1(a[5], m);
            break;
    }
    return index + ((i & 3) << (6 * n - 4));
}

}  // namespace

int32_t code_track_pulses(const int16_t* pos, int count) {
    constexpr int n = 4;
    switch (count) {
        case 1:
            return q1(pos[0], n);
        case 2:
            return q2(pos[0], pos[1], n);
        case 3:
            return q3(pos[0], pos[1], pos[2], n);
        case 4:
            return q4(pos, n);
        case 5:
            return q5(pos, n);
        default:
            return q6(pos, n);
    }
}

namespace {

constexpr int kTracks = 4, kTrackPos = 16, kMaxPerTrack = 6;

// Track order of the pulse pairs for each iteration of the search (row k starts at 4 k).
constexpr int16_t kTrackOrder[36] = {0, 1, 2, 3, 1, 2, 3, 0, 2, 3, 0, 1, 3, 0, 1, 2, 0, 1,
                                     2, 3, 1, 2, 3, 0, 2, 3, 0, 1, 3, 0, 1, 2, 0, 1, 2, 3};

struct Config {
    int bits, iterations, pulses;
    int16_t alpha;     // weight of dn against the residual in the sign choice (Q12)
    int16_t npos[10];  // candidate positions of the first pulse of each searched pair
};

constexpr Config kConfigs[] = {
    {20, 4, 4, 8192, {4, 8}},
    {36, 4, 8, 4096, {4, 8, 8}},
    {44, 4, 10, 4096, {4, 6, 8, 8}},
    {52, 4, 12, 4096, {4, 6, 8, 8}},
    {64, 3, 16, 3277, {4, 4, 6, 6, 8, 8}},
    {72, 3, 18, 3072, {2, 3, 4, 5, 6, 7, 8}},
    {88, 2, 24, 2048, {2, 2, 3, 4, 5, 6, 7, 8, 8, 8}},
};

}  // namespace

bool search_4t64(int16_t* dn, const int16_t* cn, const int16_t* H, int16_t* code, int16_t* y, int bits,
                 bool single_pass, int16_t* index) {
    const Config* cfg = nullptr;
    for (const Config& c : kConfigs)
        if (c.bits == bits) cfg = &c;
    if (!cfg) return false;
    const int npulse = cfg->pulses;
    int16_t codvec[24], ind[kMaxPerTrack * kTracks], ipos[24];
    for (int i = 0; i < npulse; ++i) codvec[i] = static_cast<int16_t>(i);
    for (int i = 0; i < kSubframe; ++i) y[i] = 0;
    const int iterations = bits == 88 && single_pass ? 1 : cfg->iterations;

    // Signs and the pre-selection of the 8 best positions per track from the mix of the
    // normalised residual and dn (dn2 then ranks them: -8 the best .. -1).
    const int16_t k_cn = inv_norm(cn, 5);
    const int16_t k_dn = mult_r(cfg->alpha, inv_norm(dn, 8));
    int16_t dn2[kSubframe], sign[kSubframe], vec[kSubframe];
    int pos_max[kTracks];
    kernels().preselect_4t(dn, cn, k_cn, k_dn, sign, vec, dn2, pos_max);

    // Impulse response (halved for 12 pulses and more when its energy is large) with 64 leading
    // zeros, and its negation.
    int16_t hb[2 * kSubframe] = {}, hib[2 * kSubframe] = {};
    int16_t* h = hb + kSubframe;
    int16_t* h_inv = hib + kSubframe;
    int32_t e = 0;
    for (int i = 0; i < kSubframe; ++i) e = L_mac(e, H[i], H[i]);
    const int16_t h_shift = npulse >= 12 && extract_h(e) > 1024 ? 1 : 0;
    int32_t h_max = 0;  // largest magnitude in h and h_inv
    for (int i = 0; i < kSubframe; ++i) {
        h[i] = shr(H[i], h_shift);
        h_inv[i] = negate(h[i]);
        h_max = std::max(h_max, std::abs(int32_t{h[i]}));
    }

    // Energies per track (the last position first) and the cross-correlations of the
    // neighbouring track pairs (0,1), (1,2), (2,3), (3,0), filled along diagonals.
    int16_t rr[kTracks][kTrackPos], rxy[kTracks][kTrackPos * kTrackPos];
    kernels().track_matrix(h, sign, vec, &rr[0][0], &rxy[0][0]);

    // Depth-first search: per iteration, a starting set of pulses, then pairs of tracks.
    int16_t psk = -1, alpk = 1;
    int16_t cor_x[kTrackPos], cor_y[kTrackPos];
    for (int it = 0; it < iterations; ++it) {
        for (int i = 0; i < npulse; ++i) ipos[i] = kTrackOrder[4 * it + i];
        int16_t ps = 0, alp = 0;
        int start = 0;
        if (bits == 20) {
            for (int16_t& v : vec) v = 0;
        } else if (bits == 36 || bits == 44) {
            start = 2;
            const int ix = ind[0] = static_cast<int16_t>(pos_max[ipos[0]]);
            const int iy = ind[1] = static_cast<int16_t>(pos_max[ipos[1]]);
            ps = add(dn[ix], dn[iy]);
            int32_t s = L_mult(rr[ipos[0]][ix >> 2], 4096);
            s = L_mac(s, rr[ipos[1]][iy >> 2], 4096);
            s = L_mac(s, rxy[ipos[0]][((ix >> 2) << 4) + (iy >> 2)], 8192);
            alp = round_fx(s);
            const int16_t* p0 = (sign[ix] < 0 ? h_inv : h) - ix;
            const int16_t* p1 = (sign[iy] < 0 ? h_inv : h) - iy;
            for (int i = 0; i < kSubframe; ++i) vec[i] = add(p0[i], p1[i]);
            if (bits == 44) {
                ipos[8] = 0;
                ipos[9] = 1;
            }
        } else {
            start = 4;
            const int16_t* p[4];
            for (int m = 0; m < 4; ++m) {
                const int at = ind[m] = static_cast<int16_t>(pos_max[ipos[m]]);
                p[m] = (sign[at] < 0 ? h_inv : h) - at;
            }
            ps = add(add(add(dn[ind[0]], dn[ind[1]]), dn[ind[2]]), dn[ind[3]]);
            int32_t s = 0;
            for (int i = 0; i < kSubframe; ++i) {
                vec[i] = add(add(add(p[0][i], p[1][i]), p[2][i]), p[3][i]);
                s = L_mac(s, vec[i], vec[i]);
            }
            alp = round_fx(L_shr(s, 3));
            if (bits == 72) {
                ipos[16] = 0;
                ipos[17] = 1;
            }
        }
        // A bound of |vec|: while it stays within 16 bits with a pair added, the saturating adds
        // are plain ones.
        int32_t vec_bound = 0;
        for (int i = 0; i < kSubframe; ++i) vec_bound = std::max(vec_bound, std::abs(int32_t{vec[i]}));
        for (int j = start, st = 0; j < npulse; j += 2, ++st) {
            kernels().track_cor(h, vec, ipos[j], sign, rr[ipos[j]], cor_x);
            kernels().track_cor(h, vec, ipos[j + 1], sign, rr[ipos[j + 1]], cor_y);
            int ix, iy;
            kernels().pair_search(cfg->npos[st], ipos[j], ipos[j + 1], &ps, &alp, &ix, &iy, dn, dn2, cor_x,
                                  cor_y, rxy[ipos[j]]);
            ind[j] = static_cast<int16_t>(ix);
            ind[j + 1] = static_cast<int16_t>(iy);
            const int16_t* p0 = (sign[ix] < 0 ? h_inv : h) - ix;
            const int16_t* p1 = (sign[iy] < 0 ? h_inv : h) - iy;
            if (vec_bound + 2 * h_max <= MAX_16) {
                vec_bound += 2 * h_max;
                for (int i = 0; i < kSubframe; ++i) vec[i] = static_cast<int16_t>(vec[i] + p0[i] + p1[i]);
            } else {
                vec_bound = MAX_16 + 1;
                for (int i = 0; i < kSubframe; ++i) vec[i] = add(vec[i], add(p0[i], p1[i]));
            }
        }
        ps = mult(ps, ps);
        if (L_msu(L_mult(alpk, ps), psk, alp) > 0) {
            psk = ps;
            alpk = alp;
            for (int i = 0; i < npulse; ++i) codvec[i] = ind[i];
            for (int i = 0; i < kSubframe; ++i) y[i] = vec[i];
        }
    }

    // Code vector, filtered code (Q12 to Q9) and the pulses of each track.
    for (int16_t& v : ind) v = -1;
    for (int i = 0; i < kSubframe; ++i) {
        code[i] = 0;
        y[i] = shr_r(y[i], 3);
    }
    const int16_t val = shr(512, h_shift);
    for (int k = 0; k < npulse; ++k) {
        const int at = codvec[k];
        int16_t p = static_cast<int16_t>(at >> 2);
        if (sign[at] > 0) {
            code[at] = add(code[at], val);
        } else {
            code[at] = sub(code[at], val);
            p = static_cast<int16_t>(p + kTrackPos);
        }
        int i = (at & 3) * kMaxPerTrack;
        while (ind[i] >= 0) ++i;
        ind[i] = p;
    }
    for (int t = 0; t < kTracks; ++t) {
        const int16_t* tp = ind + t * kMaxPerTrack;
        const int count = bits == 20   ? 1
                          : bits == 36 ? 2
                          : bits == 44 ? (t < 2 ? 3 : 2)
                          : bits == 52 ? 3
                          : bits == 64 ? 4
                          : bits == 72 ? (t < 2 ? 5 : 4)
                                       : 6;
        const int32_t v = code_track_pulses(tp, count);
        if (bits <= 52) {
            index[t] = static_cast<int16_t>(v);
        } else {
            const int low = count == 4 ? 14 : count == 5 ? 10 : 11;
            const int32_t hmask = count == 4 ? 3 : count == 5 ? 0x3FF : 0x7FF;
            index[t] = static_cast<int16_t>((v >> low) & hmask);
            index[t + kTracks] = static_cast<int16_t>(v & ((1 << low) - 1));
        }
    }
    return true;
}

}  // namespace voks::amrwb

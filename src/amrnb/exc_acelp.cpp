// GSM-AMR algebraic codebook searches (the reference cbsearch and its six codebooks): the
// backward-filtered target, the sign pre-selection, the sign-modified correlation matrix of the
// impulse response, the depth-first pulse searches and the code vectors with their filtered
// forms and index words. Candidates are compared by cross-multiplication as the reference does;
// an equal criterion keeps the earlier candidate.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "amrnb/exc_internal.h"
#include "amrnb/kernels.h"
#include "amrnb/lp_internal.h"
#include "common/basicop.h"
#include "common/mathop.h"
#include "voksc.h"

namespace voks::amrnb {
namespace {

constexpr int kL = kSubframe;
using Matrix = int16_t[kL][kL];

// The weights of the search criteria: 1/2 .. 1/16 in Q15.
constexpr int16_t k1_2 = 16384, k1_4 = 8192, k1_8 = 4096, k1_16 = 2048;
constexpr int kGray[8] = {0, 1, 3, 2, 6, 4, 5, 7};

// cor_h_x2: d[n] = sum_{j>=n} x[j] h[j-n], normalised by the sum of the track maxima.
void backward_target(const int16_t* h, const int16_t* x, int16_t* dn, int sf, int tracks, int step) {
    // No step of a chain can saturate when twice the larger energy of x and h fits 31 bits
    // (every partial sum is bounded by it): the exact sums are taken then.
    int64_t ex = 0, eh = 0;
    for (int i = 0; i < kL; ++i) {
        ex += int32_t{x[i]} * x[i];
        eh += int32_t{h[i]} * h[i];
    }
    const bool exact = 2 * (ex > eh ? ex : eh) <= MAX_32;
    int32_t y32[kL], tot = 5;
    if (exact) {
        kernels().backward_corr(x, h, y32);
        for (int32_t& s : y32) s *= 2;
    } else {
        for (int i = 0; i < kL; ++i) {
            int32_t s = 0;
            for (int j = i; j < kL; ++j) s = L_mac(s, x[j], h[j - i]);
            y32[i] = s;
        }
    }
    for (int k = 0; k < tracks; ++k) {
        int32_t max = 0;
        for (int i = k; i < kL; i += step)
            if (L_abs(y32[i]) > max) max = L_abs(y32[i]);
        tot = L_add(tot, L_shr(max, 1));
    }
    const int16_t j = sub(norm_l(tot), static_cast<int16_t>(sf));
    for (int i = 0; i < kL; ++i) dn[i] = round_fx(L_shl(y32[i], j));
}

// set_sign: signs of d, |d| into dn; dn2 = |d| with all but the n largest of each track at -1.
void set_sign(int16_t* dn, int16_t* sign, int16_t* dn2, int n) {
    for (int i = 0; i < kL; ++i) {
        int16_t v = dn[i];
        if (v >= 0) {
            sign[i] = 32767;
        } else {
            sign[i] = -32767;
            v = negate(v);
        }
        dn[i] = dn2[i] = v;
    }
    for (int i = 0; i < 5; ++i)
        for (int k = 0; k < 8 - n; ++k) {
            int16_t min = 0x7FFF;
            int pos = 0;
            for (int j = i; j < kL; j += 5)
                if (dn2[j] >= 0 && dn2[j] < min) {
                    min = dn2[j];
                    pos = j;
                }
            dn2[pos] = -1;
        }
}

// 256 + sum L_mult(x[i], x[i]) in the reference's saturating chain: its terms are non-negative,
// so it saturates exactly when the exact sum passes MAX_32 (L_mult(-32768, -32768) is MAX_32).
int32_t energy256(const int16_t* x) {
    int64_t s = 256;
    for (int i = 0; i < kL; ++i) s += x[i] == MIN_16 ? MAX_32 : 2 * int32_t{x[i]} * x[i];
    return s < MAX_32 ? static_cast<int32_t>(s) : MAX_32;
}

// set_sign12k2: signs from d and the residual combined, the track maxima and the starting
// position of each pulse (ipos[0 .. 2 tracks - 1]).
void set_sign12k2(int16_t* dn, const int16_t* cn, int16_t* sign, int16_t* pos_max, int tracks, int16_t* ipos,
                  int step) {
    const int16_t k_cn = extract_h(L_shl(ownInvSqrt(energy256(cn)), 5));
    const int16_t k_dn = extract_h(L_shl(ownInvSqrt(energy256(dn)), 5));
    int16_t en[kL];
    kernels().sign_select(cn, k_cn, k_dn, dn, sign, en);
    int16_t max_all = -1;
    int pos = 0;
    for (int i = 0; i < tracks; ++i) {
        int16_t max = -1;
        for (int j = i; j < kL; j += step)
            if (en[j] > max) {
                max = en[j];
                pos = j;
            }
        pos_max[i] = static_cast<int16_t>(pos);
        if (max > max_all) {
            max_all = max;
            ipos[0] = static_cast<int16_t>(i);
        }
    }
    int p = ipos[0];
    ipos[tracks] = static_cast<int16_t>(p);
    for (int i = 1; i < tracks; ++i) {
        if (++p >= tracks) p = 0;
        ipos[i] = ipos[i + tracks] = static_cast<int16_t>(p);
    }
}

// The largest |x| for which a 32-bit sum and its rounding to 16 bits do not saturate.
constexpr int64_t kRoundSafe = 0x7FFF7FFF;

// Position i of the 10.2 (4 tracks) and 12.2 (5 tracks) searches at (i % tracks) m + i / tracks,
// m = 40 / tracks: each track's positions in a row of m; kIdentity for the other rates.
struct Layout {
    uint8_t at[kL], pos[kL];
    int m;
};
constexpr Layout layout(int tracks) {
    Layout l{};
    l.m = tracks ? kL / tracks : 1;
    for (int i = 0; i < kL; ++i) {
        l.at[i] = static_cast<uint8_t>(tracks ? (i % tracks) * (kL / tracks) + i / tracks : i);
        l.pos[l.at[i]] = static_cast<uint8_t>(i);
    }
    return l;
}
constexpr Layout kIdentity = layout(0), kTracks4 = layout(4), kTracks5 = layout(5);

// cor_h: rr[i][j] = sum h2[n-i] h2[n-j] with the signs of i and j, h normalised to h2, stored at
// rr[at[i]][at[j]]. Returns the largest magnitude off the diagonal.
int16_t cor_h(const int16_t* h, const int16_t* sign, Matrix& rr, const Layout& l = kIdentity) {
    const uint8_t* at = l.at;
    int16_t h2[kL];
    int32_t s = 2;
    for (int i = 0; i < kL; ++i) s = L_mac(s, h[i], h[i]);
    if (extract_h(s) == 32767) {
        for (int i = 0; i < kL; ++i) h2[i] = shr(h[i], 1);
    } else {
        const int16_t k = mult(extract_h(L_shl(ownInvSqrt(L_shr(s, 1)), 7)), 32440);  // 0.99
        for (int i = 0; i < kL; ++i) h2[i] = round_fx(L_shl(L_mult(h[i], k), 9));
    }
    // The chains below cannot saturate when twice the energy of h2 fits 31 bits (Cauchy-Schwarz);
    // nor can their rounding when it stays within kRoundSafe.
    int64_t e2 = 0;
    for (int i = 0; i < kL; ++i) e2 += int32_t{h2[i]} * h2[i];
    if (2 * e2 <= kRoundSafe) return kernels().cor_matrix(h2, sign, l.m, &rr[0][0]);
    const bool exact = 2 * e2 <= MAX_32;
    auto mac = [exact](int32_t acc, int16_t a, int16_t b) {
        return exact ? acc + 2 * a * b : L_mac(acc, a, b);
    };
    s = 0;
    for (int k = 0, i = kL - 1; k < kL; ++k, --i) {
        s = mac(s, h2[k], h2[k]);
        rr[at[i]][at[i]] = round_fx(s);
    }
    int16_t off = 0;
    for (int dec = 1; dec < kL; ++dec) {
        s = 0;
        for (int k = 0, j = kL - 1, i = kL - 1 - dec; k < kL - dec; ++k, --i, --j) {
            s = mac(s, h2[k], h2[k + dec]);
            const int16_t v = round_fx(s);
            off = std::max(off, abs_s(v));
            rr[at[j]][at[i]] = rr[at[i]][at[j]] = mult(v, mult(sign[i], sign[j]));
        }
    }
    return off;
}

// The running best of one pulse loop: a candidate (ps, alp) replaces (sq, alp) when
// alp * ps^2 > sq * alp_candidate. The reference's L_msu(L_mult(alp, sq1), sq, a) saturates
// without changing sign, so its test equals the exact comparison.
struct Best {
    int16_t sq = -1, alp = 1, ps = 0;
    bool offer(int16_t ps1, int32_t alp1) {
        const int16_t sq1 = mult(ps1, ps1), a = round_fx(alp1);
        if (int64_t{alp} * sq1 <= int64_t{sq} * a) return false;
        sq = sq1;
        alp = a;
        ps = ps1;
        return true;
    }
};

// Keeps (i0..) as the best code vector when it beats (psk, alpk).
struct Overall {
    int16_t psk = -1, alpk = 1;
    bool offer(int16_t sq, int16_t alp) {
        if (int64_t{alpk} * sq <= int64_t{psk} * alp) return false;
        psk = sq;
        alpk = alp;
        return true;
    }
};

// The two-pulse search from the start positions (a, b < 5): returns the best pair in `best`.
// The energy chain L_mac(L_mac(L_mult(rr00, 1/4), rr11, 1/4), rr01, 1/2) cannot saturate, nor
// can its rounding: the diagonal is non-negative and |rr| <= 32767, so it stays within
// -2^30 .. 2^31 - 2^16. It is taken plainly, and Best's test with 32-bit products (each factor
// is at most 2^15 in magnitude), without branches. dn holds magnitudes (set_sign), so the
// saturating sum of two saturates only upwards and its square needs no saturation.
void search_pair(const int16_t* dn, const Matrix& rr, int a, int b, Overall& all, int* codvec) {
    // The second pulse's track (8 positions from b < 5) gathered once.
    int32_t d1[8], diag1[8];
    for (int k = 0; k < 8; ++k) {
        d1[k] = dn[b + 5 * k];
        diag1[k] = int32_t{rr[b + 5 * k][b + 5 * k]} * k1_2;
    }
    for (int i0 = a; i0 < kL; i0 += 5) {
        const int32_t alp0 = int32_t{rr[i0][i0]} * k1_2 + 0x8000, d0 = dn[i0];
        int32_t sq1[8], a1[8];
        for (int k = 0; k < 8; ++k) {
            const int32_t ps = std::min<int32_t>(d0 + d1[k], MAX_16);
            sq1[k] = (ps * ps) >> 15;
            a1[k] = (alp0 + diag1[k] + int32_t{rr[i0][b + 5 * k]} * 32768) >> 16;
        }
        int32_t sq = -1, alp = 1, kx = 0;
        for (int k = 0; k < 8; ++k) {
            const bool take = alp * sq1[k] > sq * a1[k];
            sq = take ? sq1[k] : sq;
            alp = take ? a1[k] : alp;
            kx = take ? k : kx;
        }
        if (all.offer(static_cast<int16_t>(sq), static_cast<int16_t>(alp))) {
            codvec[0] = i0;
            codvec[1] = b + 5 * kx;
        }
    }
}

// The three- and four-pulse depth-first searches over the cyclic permutations of ipos.
void search_34(const int16_t* dn, const int16_t* dn2, const Matrix& rr, int* ipos, int n, Overall& all,
               int* codvec) {
    for (int perm = 0; perm < n; ++perm) {
        for (int i0 = ipos[0]; i0 < kL; i0 += 5) {
            if (dn2[i0] < 0) continue;
            Best b1;
            int i1 = ipos[1];
            const int32_t a0 = L_mult(rr[i0][i0], k1_4);
            for (int i = ipos[1]; i < kL; i += 5)
                if (b1.offer(add(dn[i0], dn[i]), L_mac(L_mac(a0, rr[i][i], k1_4), rr[i0][i], k1_2))) i1 = i;
            Best b2;
            int i2 = ipos[2];
            const int32_t a1 = L_mult(b1.alp, k1_4);
            for (int i = ipos[2]; i < kL; i += 5)
                if (b2.offer(add(b1.ps, dn[i]),
                             L_mac(L_mac(L_mac(a1, rr[i][i], k1_16), rr[i1][i], k1_8), rr[i0][i], k1_8)))
                    i2 = i;
            if (n == 3) {
                if (all.offer(b2.sq, b2.alp)) {
                    codvec[0] = i0;
                    codvec[1] = i1;
                    codvec[2] = i2;
                }
                continue;
            }
            Best b3;
            int i3 = ipos[3];
            const int32_t a2 = L_deposit_h(b2.alp);
            for (int i = ipos[3]; i < kL; i += 5)
                if (b3.offer(add(b2.ps, dn[i]),
                             L_mac(L_mac(L_mac(L_mac(a2, rr[i][i], k1_16), rr[i2][i], k1_8), rr[i1][i], k1_8),
                                   rr[i0][i], k1_8)))
                    i3 = i;
            if (all.offer(b3.sq, b3.alp)) {
                codvec[0] = i0;
                codvec[1] = i1;
                codvec[2] = i2;
                codvec[3] = i3;
            }
        }
        const int last = ipos[n - 1];
        for (int k = n - 1; k > 0; --k) ipos[k] = ipos[k - 1];
        ipos[0] = last;
    }
}

// y = sum of the signed, shifted impulse responses (h has 40 zeros before it).
void filtered(const int16_t* h, const int* pos, const int16_t* sign, int n, int16_t* y) {
    // No partial sum can saturate, nor its rounding, when 2 max|h| sum|sign| stays in kRoundSafe:
    // the plain sums are taken then, pulse by pulse.
    int32_t hmax = 0;
    int64_t smax = 0;
    for (int i = 0; i < kL; ++i) hmax = std::max(hmax, std::abs(int32_t{h[i]}));
    for (int k = 0; k < n; ++k) smax += std::abs(int32_t{sign[k]});
    if (2 * hmax * smax <= kRoundSafe) {
        int32_t acc[kL];
        kernels().pulse_sum(h, pos, sign, n, acc);
        for (int i = 0; i < kL; ++i) y[i] = static_cast<int16_t>((2 * acc[i] + 0x8000) >> 16);
        return;
    }
    for (int i = 0; i < kL; ++i) {
        int32_t s = 0;
        for (int k = 0; k < n; ++k) s = L_mac(s, h[i - pos[k]], sign[k]);
        y[i] = round_fx(s);
    }
}

// Index words of the two- to four-pulse codes: the position field of a pulse by its track.
int position_field(int mode, int subframe, int k, int pos) {
    const int idx = pos / 5, track = pos % 5;
    switch (mode) {
        case vokRate4750:
        case vokRate5150: {
            static const int kCoded[4][5] = {
                {0, 1, 0, 1, -1}, {0, -1, 1, 0, 1}, {0, 1, 0, -1, 1}, {0, 1, -1, 0, 1}};
            if (k == 0) return kCoded[subframe][track] == 0 ? idx : idx + 64;
            return idx << 3;
        }
        case vokRate5900:
            if (track == 0) return idx << 6;
            if (track == 1) return k == 0 ? idx << 1 : (idx << 6) + 16;
            if (track == 2) return (idx << 6) + 32;
            if (track == 3) return (idx << 1) + 1;
            return (idx << 6) + 48;
        case vokRate6700:
            if (track == 1) return idx << 4;
            if (track == 2) return idx << 8;
            if (track == 3) return (idx << 4) + 8;
            if (track == 4) return (idx << 8) + 128;
            return idx;
        default: {  // 7.4, 7.95
            const int g = kGray[idx];
            if (track == 1) return g << 3;
            if (track == 2) return g << 6;
            if (track == 3) return g << 10;
            if (track == 4) return (g << 10) + 512;
            return g;
        }
    }
}

// The sign bit of a pulse of the two- to four-pulse codes.
int sign_bit(int mode, int k, int pos) {
    const int track = pos % 5;
    switch (mode) {
        case vokRate4750:
        case vokRate5150:
            return k;
        case vokRate5900:
            return track == 0 || track == 2 || track == 4 || (track == 1 && k != 0) ? 1 : 0;
        case vokRate6700:
            return track == 0 ? 0 : track == 1 || track == 3 ? 1 : 2;
        default:
            return track == 4 ? 3 : track;
    }
}

void build_small(const int* codvec, int n, const int16_t* dn_sign, const int16_t* h, int16_t* code,
                 int16_t* y, int16_t* words, int mode, int subframe) {
    std::memset(code, 0, kL * sizeof(int16_t));
    int16_t sign[4];
    int index = 0, signs = 0;
    for (int k = 0; k < n; ++k) {
        const int i = codvec[k];
        if (dn_sign[i] > 0) {
            code[i] = 8191;
            sign[k] = 32767;
            signs += 1 << sign_bit(mode, k, i);
        } else {
            code[i] = -8192;
            sign[k] = MIN_16;
        }
        index += position_field(mode, subframe, k, i);
    }
    filtered(h, codvec, sign, n, y);
    words[0] = static_cast<int16_t>(index);
    words[1] = static_cast<int16_t>(signs);
}

// 12.2: ten pulses, two per track; the index words carry the Gray-coded positions and the
// sign of each track's first pulse (the second's follows from the order of the positions).
void build_35(const int* codvec, const int16_t* sign, const int16_t* h, int16_t* code, int16_t* y,
              int16_t* indx) {
    std::memset(code, 0, kL * sizeof(int16_t));
    int16_t s[10];
    for (int i = 0; i < 5; ++i) indx[i] = -1;
    for (int k = 0; k < 10; ++k) {
        const int i = codvec[k], track = i % 5;
        int16_t index = static_cast<int16_t>(i / 5);
        if (sign[i] > 0) {
            code[i] = add(code[i], 4096);
            s[k] = 8192;
        } else {
            code[i] = sub(code[i], 4096);
            s[k] = -8192;
            index = static_cast<int16_t>(index + 8);
        }
        if (indx[track] < 0) {
            indx[track] = index;
        } else if (((index ^ indx[track]) & 8) == 0 ? indx[track] <= index
                                                    : (indx[track] & 7) > (index & 7)) {
            indx[track + 5] = index;
        } else {
            indx[track + 5] = indx[track];
            indx[track] = index;
        }
    }
    filtered(h, codvec, s, 10, y);
    for (int i = 0; i < 10; ++i)
        indx[i] = static_cast<int16_t>(i < 5 ? (indx[i] & 8) | kGray[indx[i] & 7] : kGray[indx[i] & 7]);
}

// Three pulse positions (0..9 each) in 10 bits.
int16_t compress10(int a, int b, int c) {
    return static_cast<int16_t>((((a >> 1) + 5 * (b >> 1) + 25 * (c >> 1)) << 3) + (a & 1) + ((b & 1) << 1) +
                                ((c & 1) << 2));
}

// 10.2: eight pulses, two per track of four, in 4 sign words and 3 compressed position words.
void build_31(const int* codvec, const int16_t* sign, const int16_t* h, int16_t* code, int16_t* y,
              int16_t* indx) {
    std::memset(code, 0, kL * sizeof(int16_t));
    int16_t s[8], pos[8], sgn[4];
    for (int i = 0; i < 4; ++i) pos[i] = sgn[i] = -1;
    for (int k = 0; k < 8; ++k) {
        const int i = codvec[k], track = i & 3;
        const int16_t p = static_cast<int16_t>(i >> 2);
        int16_t si;
        if (sign[i] > 0) {
            code[i] = add(code[i], 8191);
            s[k] = 32767;
            si = 0;
        } else {
            code[i] = sub(code[i], 8191);
            s[k] = MIN_16;
            si = 1;
        }
        if (pos[track] < 0) {
            pos[track] = p;
            sgn[track] = si;
        } else if (((si ^ sgn[track]) & 1) == 0 ? pos[track] <= p : pos[track] > p) {
            pos[track + 4] = p;
        } else {
            pos[track + 4] = pos[track];
            pos[track] = p;
            sgn[track] = si;
        }
    }
    filtered(h, codvec, s, 8, y);
    for (int i = 0; i < 4; ++i) indx[i] = sgn[i];
    indx[4] = compress10(pos[0], pos[4], pos[1]);
    indx[5] = compress10(pos[2], pos[6], pos[5]);
    const int hi = pos[7] >> 1, lo = (hi & 1) ? 4 - (pos[3] >> 1) : pos[3] >> 1;
    indx[6] = static_cast<int16_t>((pos[3] & 1) + ((pos[7] & 1) << 1) +
                                   (mult(static_cast<int16_t>(((lo + 5 * hi) << 5) + 12), 1311) << 2));
}

// h[i] += h[i - t] * sharp for i = t..39, in place (the shared harmonic filter).
void sharpen(int16_t* v, int t, int16_t sharp) {
    for (int i = t; i < kL; ++i) v[i] = add(v[i], mult(v[i - t], sharp));
}

// The entries of cor_h's matrix that the two-pulse searches of 4.75 and 5.15 kbit/s read: the
// diagonal and rr[i0][i1] for i0 on track a and i1 on track b of each start pair (a, b), from
// the same normalised response h2. False, nothing written, when a sum could saturate (twice the
// energy of h2 beyond kRoundSafe): cor_h then builds the whole matrix.
bool pair_entries(const int16_t* h, const int16_t* sign, Matrix& rr, const int (*pairs)[2], int n_pairs) {
    int16_t h2[kL];
    // cor_h's energy chain 2 + sum L_mult(h, h): non-negative terms, saturated exactly when the
    // exact sum passes MAX_32.
    int64_t eh = 2;
    for (int i = 0; i < kL; ++i) eh += 2 * int64_t{h[i]} * h[i];
    const int32_t s = static_cast<int32_t>(std::min<int64_t>(eh, MAX_32));
    if (extract_h(s) == 32767) {
        for (int i = 0; i < kL; ++i) h2[i] = shr(h[i], 1);
    } else {
        const int16_t k = mult(extract_h(L_shl(ownInvSqrt(L_shr(s, 1)), 7)), 32440);  // 0.99
        for (int i = 0; i < kL; ++i) h2[i] = round_fx(L_shl(L_mult(h[i], k), 9));
    }
    int64_t e = 0;
    for (int i = 0; i < kL; ++i) e += int32_t{h2[i]} * h2[i];
    if (2 * e > kRoundSafe) return false;
    // Every sum below is at most e in magnitude (Cauchy-Schwarz): plain, and so is its rounding.
    // After step m, acc[d] is the sum of h2[k] h2[k + d] over k <= m: the entries whose later
    // position is 39 - m.
    int32_t acc[kL] = {};
    int16_t h2z[2 * kL] = {};  // h2 then zeros: a fixed-length update below
    std::memcpy(h2z, h2, sizeof h2);
    auto rnd = [](int32_t t) { return static_cast<int16_t>((2 * t + 0x8000) >> 16); };
    // mult(rnd(t), mult(si, sj)) for signs of magnitude 32767: neither product can saturate.
    auto signed_entry = [&rnd](int32_t t, int32_t si, int32_t sj) {
        return static_cast<int16_t>((rnd(t) * ((si * sj) >> 15)) >> 15);
    };
    for (int m = 0; m < kL; ++m) {
        const int32_t hm = h2[m];
        for (int blk = 0; blk < (kL - m + 7) / 8; ++blk)  // d < 40 - m, eight at a time
            for (int j = 8 * blk; j < 8 * blk + 8; ++j) acc[j] += hm * h2z[m + j];
        const int hi = kL - 1 - m, track = hi % 5;
        rr[hi][hi] = rnd(acc[0]);
        for (int p = 0; p < n_pairs; ++p) {
            const int a = pairs[p][0], b = pairs[p][1];
            if (track == b)
                for (int i0 = a; i0 < hi; i0 += 5)
                    rr[i0][hi] = signed_entry(acc[hi - i0], sign[i0], sign[hi]);
            else if (track == a)
                for (int i1 = b; i1 < hi; i1 += 5)
                    rr[hi][i1] = signed_entry(acc[hi - i1], sign[hi], sign[i1]);
        }
    }
    return true;
}

}  // namespace

void fixed_search(int t0, int16_t pitch_sharp, const int16_t* x, const int16_t* res, int16_t* h_io,
                  int16_t* code, int16_t* y, int16_t* words, int subframe, int mode) {
    const int16_t sharp = shl(pitch_sharp, 1);
    sharpen(h_io, t0, sharp);
    int16_t hbuf[2 * kL] = {};
    std::memcpy(hbuf + kL, h_io, kL * sizeof(int16_t));
    const int16_t* h = hbuf + kL;
    int16_t dn[kL], sign[kL], dn2[kL];
    Matrix rr;
    int codvec[10];
    if (mode == vokRate10200 || mode == vokRate12200 || mode == vokRateDTX) {
        const bool ten = mode != vokRate10200;
        const int tracks = ten ? 5 : 4;
        int16_t pos_max[5] = {}, ipos[10] = {};
        backward_target(h, x, dn, 2, tracks, tracks);
        set_sign12k2(dn, res, sign, pos_max, tracks, ipos, tracks);
        const Layout& l = ten ? kTracks5 : kTracks4;
        const int16_t off_max = cor_h(h, sign, rr, l);
        int16_t dnp[kL], pmax[5];
        for (int i = 0; i < kL; ++i) dnp[l.at[i]] = dn[i];
        for (int i = 0; i < tracks; ++i) pmax[i] = l.at[pos_max[i]];
        kernels().search_pairs(ten ? 10 : 8, dnp, &rr[0][0], ipos, pmax, off_max, codvec);
        for (int i = 0; i < (ten ? 10 : 8); ++i) codvec[i] = l.pos[codvec[i]];
        if (ten)
            build_35(codvec, sign, h, code, y, words);
        else
            build_31(codvec, sign, h, code, y, words);
    } else {
        backward_target(h, x, dn, 1, 5, 5);
        const int n = mode == vokRate6700 ? 3 : (mode == vokRate7400 || mode == vokRate7950) ? 4 : 2;
        set_sign(dn, sign, dn2, n == 3 ? 6 : n == 4 ? 4 : 8);
        static const int kStart[2][4][2] = {{{0, 2}, {0, 3}, {0, 2}, {0, 3}},
                                            {{1, 3}, {2, 4}, {1, 4}, {1, 4}}};
        const int pairs[2][2] = {{kStart[0][subframe][0], kStart[0][subframe][1]},
                                 {kStart[1][subframe][0], kStart[1][subframe][1]}};
        const bool two = mode == vokRate4750 || mode == vokRate5150;
        if (!two || !pair_entries(h, sign, rr, pairs, 2)) cor_h(h, sign, rr);
        Overall all;
        for (int i = 0; i < n; ++i) codvec[i] = i;
        if (two) {
            for (int t = 0; t < 2; ++t) search_pair(dn, rr, pairs[t][0], pairs[t][1], all, codvec);
        } else if (mode == vokRate5900) {
            static const int kStart1[2] = {1, 3}, kStart2[4] = {0, 1, 2, 4};
            for (int a : kStart1)
                for (int b : kStart2) search_pair(dn, rr, a, b, all, codvec);
        } else if (n == 3) {
            for (int t1 = 1; t1 < 4; t1 += 2)
                for (int t2 = 2; t2 < 5; t2 += 2) {
                    int ipos[3] = {0, t1, t2};
                    search_34(dn, dn2, rr, ipos, 3, all, codvec);
                }
        } else {
            for (int t = 3; t < 5; ++t) {
                int ipos[4] = {0, 1, 2, t};
                search_34(dn, dn2, rr, ipos, 4, all, codvec);
            }
        }
        build_small(codvec, n, sign, h, code, y, words, mode, subframe);
    }
    sharpen(code, t0, sharp);
}

}  // namespace voks::amrnb

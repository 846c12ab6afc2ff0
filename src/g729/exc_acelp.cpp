// Impulse-response correlation matrix and the 17-bit algebraic codebook searches of G.729
// (D4i40_17, with the carried search budget) and Annex A (D4i40_17_fast).
#include <cstring>

#include "common/basicop.h"
#include "g729/exc_internal.h"
#include "g729/g729_mathop.h"
#include "g729/kernels.h"

namespace voks::g729 {

namespace {

constexpr int kPos = 8;  // positions per track
// Offsets of the blocks in the 616-element matrix.
constexpr int kDiag[5] = {0, 8, 16, 24, 32};
enum Cross { R01, R02, R03, R04, R12, R13, R14, R23, R24 };
constexpr int cross_at(Cross c) {
    return 40 + 64 * static_cast<int>(c);
}
// First and second track of each cross block.
constexpr int kCrossTracks[9][2] = {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}};

// Scales the response for the matrix: h >> 1 when its energy is large, else by the largest
// even normalisation shift.
void scale_response(const int16_t* H, int16_t* h) {
    bool saturated = false;
    const int32_t cor = ownMacEnergy(0, H, kSubfr, saturated);
    if (extract_h(cor) > 32000) {
        for (int i = 0; i < kSubfr; ++i) h[i] = static_cast<int16_t>(H[i] >> 1);
    } else {
        // shl by k <= 15: the product clamped to 16 bits.
        const int32_t m = int32_t{1} << shr(norm_l(cor), 1);
        for (int i = 0; i < kSubfr; ++i) {
            const int32_t v = H[i] * m;
            h[i] = static_cast<int16_t>(v > MAX_16 ? MAX_16 : (v < MIN_16 ? MIN_16 : v));
        }
    }
}

// Position-word code of pulse 3: 2 * (position / 5) + (track 4 ? 1 : 0).
int pulse3_code(int p) {
    return 2 * (p / 5) + (p % 5 - 3);
}

void build_code(const int16_t* sgn, const int ip[4], int16_t* code, int16_t& sign, int16_t& index) {
    std::memset(code, 0, kSubfr * sizeof(int16_t));
    int s = 0;
    for (int k = 0; k < 4; ++k) {
        code[ip[k]] = shr(sgn[ip[k]], 2);
        if (sgn[ip[k]] > 0) s += 1 << k;
    }
    sign = static_cast<int16_t>(s);
    // A degenerate search can leave pulse 3 on track 0, whose code is negative: scale it by
    // multiplication, as the reference's shl does, not by a left shift.
    index =
        static_cast<int16_t>(ip[0] / 5 + ((ip[1] / 5) << 3) + ((ip[2] / 5) << 6) + pulse3_code(ip[3]) * 512);
}

// L_mult(a, alpha) - L_mult(b, alp) > 0: the candidate test of the searches, decided exactly
// (the saturating difference has the sign of the exact one).
inline bool better(int16_t sq, int16_t alpha_best, int16_t sq_best, int16_t alp) {
    return int64_t{L_mult(sq, alpha_best)} - 2 * int64_t{sq_best} * alp > 0;
}

}  // namespace

namespace {

// Element i of the 616-element matrix is the prefix chain pre[n * 40 + d]: for positions
// (p1, p2) the chain of lag d = |p1 - p2| over n = 40 - max(p1, p2) products.
struct GatherTable {
    int32_t at[kMatrixLen];
};

constexpr GatherTable make_gather() {
    GatherTable g{};
    for (int t = 0; t < 5; ++t)
        for (int j = 0; j < kPos; ++j) g.at[kDiag[t] + j] = (40 - (t + 5 * j)) * kSubfr;
    for (int c = 0; c < 9; ++c) {
        const int t1 = kCrossTracks[c][0], t2 = kCrossTracks[c][1];
        for (int a = 0; a < kPos; ++a)
            for (int b = 0; b < kPos; ++b) {
                const int p1 = t1 + 5 * a, p2 = t2 + 5 * b;
                const int d = p1 > p2 ? p1 - p2 : p2 - p1;
                const int last = p1 > p2 ? p1 : p2;
                g.at[cross_at(static_cast<Cross>(c)) + 8 * a + b] = (40 - last) * kSubfr + d;
            }
    }
    return g;
}

constexpr GatherTable kGather = make_gather();

}  // namespace

void cor_h_32(const int16_t* H, int32_t* m32) {
    int16_t h[kSubfr];
    scale_response(H, h);
    int32_t pre[kSubfr * 41];  // pre[n * 40 + d]
    kernels().cor_h_prefix(h, pre);
    // The 32-bit form halves the doubled chain so that >> 15 gives the 16-bit reference value.
    kernels().gather_half(pre, kGather.at, m32, kMatrixLen);
}

void acelp_17(int16_t* dn, int16_t* rr, int subframe, int16_t& time_io, int16_t* code, int16_t& sign,
              int16_t& index) {
    int16_t sgn[kSubfr];
    // Signs of d (|d| kept) and into the cross blocks.
    kernels().sign_matrix(dn, sgn, rr, 0);
    // Threshold on the first three pulses.
    int16_t max0 = dn[0], max1 = dn[1], max2 = dn[2];
    for (int i = 5; i < kSubfr; i += 5) {
        if (dn[i] > max0) max0 = dn[i];
        if (dn[i + 1] > max1) max1 = dn[i + 1];
        if (dn[i + 2] > max2) max2 = dn[i + 2];
    }
    max0 = add(add(max0, max1), max2);
    int32_t l32 = 0;
    for (int i = 0; i < kSubfr; i += 5) {
        l32 = L_mac(l32, dn[i], 1);
        l32 = L_mac(l32, dn[i + 1], 1);
        l32 = L_mac(l32, dn[i + 2], 1);
    }
    const int16_t average = extract_l(L_shr(l32, 4));
    const int16_t thres = add(mult(sub(max0, average), 13107), average);

    int ip[4] = {0, 1, 2, 3};
    const int16_t extra = subframe == 0 ? int16_t{30} : time_io;
    int16_t time = add(75, extra);
    kernels().search_17(dn, rr, thres, time, ip);
    time_io = time;
    build_code(sgn, ip, code, sign, index);
}

void acelp_17_fast(int16_t* dn, int16_t* rr, int16_t* code, int16_t& sign, int16_t& index) {
    int16_t sgn[kSubfr];
    // Signs of d (|d| kept) and into the cross blocks: the sign of the first position picks the
    // sign vector.
    kernels().sign_matrix(dn, sgn, rr, 1);
    int ip[4];
    kernels().search_17_fast(dn, rr, ip);
    build_code(sgn, ip, code, sign, index);
}

namespace {

// Annex D two-pulse codebook: pulse A on tracks 1 and 3, pulse B on tracks 0, 2, 4 and 1.
constexpr int8_t kTrack0[16] = {1, 3, 6, 8, 11, 13, 16, 18, 21, 23, 26, 28, 31, 33, 36, 38};
constexpr int8_t kTrack1[32] = {0,  2,  4,  5,  7,  9,  10, 12, 14, 15, 17, 19, 20, 22, 24, 25,
                                27, 29, 30, 32, 34, 35, 37, 39, 1,  6,  11, 16, 21, 26, 31, 36};
constexpr int8_t kGray[32] = {0,  1,  3,  2,  6,  7,  5,  4,  12, 13, 15, 14, 10, 11, 9,  8,
                              24, 25, 27, 26, 30, 31, 29, 28, 20, 21, 23, 22, 18, 19, 17, 16};

// Track pairs of the eight cross blocks the Annex D search reads, in its matrix order (the
// slots of rr01, rr02, rr03, rr04, rr12, rr13, rr14, rr23): the rr02 slot holds track 1 against
// itself and the rr04 slot track 3 against track 4.
constexpr int kPairsD[8][2] = {{0, 1}, {1, 1}, {0, 3}, {3, 4}, {1, 2}, {1, 3}, {1, 4}, {2, 3}};
// The search order: first track, second track, and whether the first pulse is pulse A.
struct PairD {
    int t0, t1;
    bool a_first;
};
constexpr PairD kSearchD[8] = {{0, 1, false}, {1, 1, true},  {0, 3, false}, {3, 4, true},
                               {1, 2, true},  {1, 3, false}, {1, 4, true},  {2, 3, false}};

// The 16-bit correlations (extract_h of the chains) of the scaled response in the Annex D layout.
void cor_h_d(const int16_t* H, int16_t* rr) {
    int16_t h[kSubfr];
    scale_response(H, h);
    int32_t pre[kSubfr * 41];  // pre[n * 40 + d]
    kernels().cor_h_prefix(h, pre);
    for (int t = 0; t < 5; ++t)
        for (int j = 0; j < kPos; ++j) rr[kDiag[t] + j] = extract_h(pre[(40 - (t + 5 * j)) * kSubfr]);
    for (int c = 0; c < 8; ++c) {
        int16_t* out = rr + 40 + 64 * c;
        for (int a = 0; a < kPos; ++a) {
            const int p1 = kPairsD[c][0] + 5 * a;
            for (int b = 0; b < kPos; ++b) {
                const int p2 = kPairsD[c][1] + 5 * b;
                const int d = p1 > p2 ? p1 - p2 : p2 - p1;
                out[8 * a + b] = extract_h(pre[(40 - (p1 > p2 ? p1 : p2)) * kSubfr + d]);
            }
        }
    }
}

}  // namespace

void split_signs(int16_t* dn, int16_t* sgn, int n) {
    for (int i = 0; i < n; ++i) {
        if (dn[i] >= 0) {
            sgn[i] = MAX_16;
        } else {
            sgn[i] = MIN_16;
            dn[i] = negate(dn[i]);
        }
    }
}

void acelp_11(int16_t* dn, const int16_t* h, int16_t* code, int16_t* y, int16_t& sign, int16_t& index) {
    int16_t rr[kMatrixLen];
    cor_h_d(h, rr);
    int16_t sgn[kSubfr];
    split_signs(dn, sgn, kSubfr);
    int16_t track[5][kPos];
    for (int t = 0; t < 5; ++t)
        for (int a = 0; a < kPos; ++a) track[t][a] = sgn[t + 5 * a];
    for (int c = 0; c < 8; ++c)
        kernels().sign_block(rr + 40 + 64 * c, track[kPairsD[c][0]], track[kPairsD[c][1]], 0);
    int pa = 1, pb = 0;  // positions of pulses A and B
    int16_t psc = 0, alpha = MAX_16;
    for (int c = 0; c < 8; ++c) {
        const PairD& s = kSearchD[c];
        const int16_t* cross = rr + 40 + 64 * c;
        for (int a = 0; a < kPos; ++a) {
            const int i0 = s.t0 + 5 * a;
            const int16_t alp0 = rr[kDiag[s.t0] + a];
            for (int b = 0; b < kPos; ++b) {
                const int i1 = s.t1 + 5 * b;
                const int16_t ps1 = add(dn[i0], dn[i1]);
                int32_t alp1 = L_mult(alp0, 1);
                alp1 = L_mac(alp1, rr[kDiag[s.t1] + b], 1);
                alp1 = L_mac(alp1, cross[8 * a + b], 2);
                const int16_t alp = extract_l(L_shr(alp1, 5));
                const int16_t ps1c = mult(ps1, ps1);
                if (better(ps1c, alpha, psc, alp)) {
                    psc = ps1c;
                    alpha = alp;
                    pa = s.a_first ? i0 : i1;
                    pb = s.a_first ? i1 : i0;
                }
            }
        }
    }
    int ia = 0, ib = 0;
    while (ia < 16 && kTrack0[ia] != pa) ++ia;
    while (ib < 32 && kTrack1[ib] != pb) ++ib;
    const bool pos_a = sgn[pa] > 0, pos_b = sgn[pb] > 0;
    std::memset(code, 0, kSubfr * sizeof(int16_t));
    code[pa] = shr(sgn[pa], 2);
    code[pb] = add(code[pb], shr(sgn[pb], 2));
    sign = static_cast<int16_t>((pos_b ? 2 : 0) + (pos_a ? 1 : 0));
    index = static_cast<int16_t>(kGray[ia] + (kGray[ib] << 4));
    std::memset(y, 0, kSubfr * sizeof(int16_t));
    for (int i = pa, j = 0; i < kSubfr; ++i, ++j) y[i] = pos_a ? h[j] : negate(h[j]);
    for (int i = pb, j = 0; i < kSubfr; ++i, ++j) y[i] = pos_b ? add(y[i], h[j]) : sub(y[i], h[j]);
}

}  // namespace voks::g729

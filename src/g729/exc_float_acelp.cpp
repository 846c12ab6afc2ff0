// Single-precision algebraic codebook searches with the structure of the fixed-point ones:
// D4i40_17 with its carried budget, the Annex A depth-first tree, the Annex D two-pulse search
// and the Annex E 35/44-bit searches. Energies are the true pulse-train energies (sum of the
// diagonal terms plus twice the cross terms), so only ratios are compared.
#include <cmath>
#include <cstring>

#include "g729/exc_internal.h"

namespace voks::g729 {

namespace {

constexpr int kPos = 8;
constexpr int kCrossTracks[9][2] = {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}};

// Candidate (sq, alp) beats the best (sq_best, alp_best) when sq * alp_best > sq_best * alp.
inline bool better(float sq, float alp_best, float sq_best, float alp) {
    return sq * alp_best - sq_best * alp > 0.0f;
}

void signs_of(const float* d, float* dn, float* sgn) {
    for (int i = 0; i < kSubfr; ++i) {
        sgn[i] = d[i] >= 0.0f ? 1.0f : -1.0f;
        dn[i] = std::fabs(d[i]);
    }
}

void sign_matrix(float* rr, const float* sgn) {
    for (int c = 0; c < 9; ++c) {
        float* r = rr + 40 + 64 * c;
        for (int a = 0; a < kPos; ++a)
            for (int b = 0; b < kPos; ++b)
                r[8 * a + b] *= sgn[kCrossTracks[c][0] + 5 * a] * sgn[kCrossTracks[c][1] + 5 * b];
    }
}

void code_of(const float* sgn, const int ip[4], float* code, int32_t* idx) {
    std::memset(code, 0, kSubfr * sizeof(float));
    int s = 0;
    for (int k = 0; k < 4; ++k) {
        code[ip[k]] = sgn[ip[k]];
        if (sgn[ip[k]] > 0) s += 1 << k;
    }
    // The pulse-3 code is negative when a degenerate search leaves pulse 3 on track 0; scale it
    // by multiplication, as the fixed-point code's shl does, not by a left shift.
    idx[0] = ip[0] / 5 + ((ip[1] / 5) << 3) + ((ip[2] / 5) << 6) + (2 * (ip[3] / 5) + (ip[3] % 5 - 3)) * 512;
    idx[1] = s;
}

}  // namespace

void acelp_17_32f(const float* d, float* rr, int subframe, int32_t& time_io, float* code, int32_t* idx) {
    float dn[kSubfr], sgn[kSubfr];
    signs_of(d, dn, sgn);
    float max[3] = {dn[0], dn[1], dn[2]}, sum = 0.0f;
    for (int i = 0; i < kSubfr; i += 5)
        for (int t = 0; t < 3; ++t) {
            max[t] = std::fmax(max[t], dn[i + t]);
            sum += dn[i + t];
        }
    const float mean = sum * 0.125f;
    const float thres = mean + 0.4f * (max[0] + max[1] + max[2] - mean);
    sign_matrix(rr, sgn);
    const float* r01 = rr + kR01;
    int ip[4] = {0, 1, 2, 3};
    float psc = 0.0f, alpha = 1.0f;
    int32_t time = 75 + (subframe == 0 ? 30 : time_io);
    for (int a0 = 0; a0 < kPos; ++a0) {
        for (int a1 = 0; a1 < kPos; ++a1) {
            const float ps1 = dn[5 * a0] + dn[1 + 5 * a1];
            const float alp1 = rr[a0] + rr[8 + a1] + 2.0f * r01[8 * a0 + a1];
            for (int a2 = 0; a2 < kPos; ++a2) {
                const float ps2 = ps1 + dn[2 + 5 * a2];
                const float alp2 =
                    alp1 + rr[16 + a2] + 2.0f * (rr[kR02 + 8 * a0 + a2] + rr[kR12 + 8 * a1 + a2]);
                if (ps2 <= thres) continue;
                for (int t = 3; t <= 4; ++t) {
                    const float* x0 = rr + (t == 3 ? kR03 : kR04) + 8 * a0;
                    const float* x1 = rr + (t == 3 ? kR13 : kR14) + 8 * a1;
                    const float* x2 = rr + (t == 3 ? kR23 : kR24) + 8 * a2;
                    for (int a3 = 0; a3 < kPos; ++a3) {
                        const float ps3 = ps2 + dn[t + 5 * a3];
                        const float alp3 = alp2 + rr[8 * t + a3] + 2.0f * (x0[a3] + x1[a3] + x2[a3]);
                        const float sq = ps3 * ps3;
                        if (better(sq, alpha, psc, alp3)) {
                            psc = sq;
                            alpha = alp3;
                            ip[0] = 5 * a0;
                            ip[1] = 1 + 5 * a1;
                            ip[2] = 2 + 5 * a2;
                            ip[3] = t + 5 * a3;
                        }
                    }
                }
                if (--time <= 0) goto done;
            }
        }
    }
done:
    time_io = time;
    code_of(sgn, ip, code, idx);
}

void acelp_17_fast_32f(const float* d, float* rr, float* code, int32_t* idx) {
    float dn[kSubfr], sgn[kSubfr];
    signs_of(d, dn, sgn);
    sign_matrix(rr, sgn);
    const float* r00 = rr;
    const float* r11 = rr + 8;
    const float* r22 = rr + 16;
    const float* r01 = rr + kR01;
    const float* r02 = rr + kR02;
    const float* r12 = rr + kR12;
    auto top2 = [&](int track, int out[2]) {
        int prev = -1;
        for (int n = 0; n < 2; ++n) {
            float m = -1.0f;
            int best = track;
            for (int j = track; j < kSubfr; j += 5)
                if (dn[j] > m && j != prev) {
                    m = dn[j];
                    best = j;
                }
            out[n] = prev = best;
        }
    };
    float psk = -1.0f, alpk = 1.0f;
    int ip[4] = {0, 1, 2, 3};
    for (int track = 3; track <= 4; ++track) {
        const float* r33 = rr + 8 * track;
        const float* r03 = rr + (track == 3 ? kR03 : kR04);
        const float* r13 = rr + (track == 3 ? kR13 : kR14);
        const float* r23 = rr + (track == 3 ? kR23 : kR24);
        // Search 3: track 2 with the pulse-3 track, then tracks 0 and 1.
        // Search 4: the pulse-3 track with track 0, then tracks 1 and 2.
        for (int pass = 0; pass < 2; ++pass) {
            float sq = -1.0f, alp = 1.0f, ps = 0.0f;
            int ix = 0, iy = 0, cand[2];
            top2(pass == 0 ? 2 : track, cand);
            for (int c = 0; c < 2; ++c) {
                const int i0 = cand[c], j = i0 / 5;
                for (int b = 0; b < kPos; ++b) {
                    const int i1 = pass == 0 ? track + 5 * b : 5 * b;
                    const float ps2 = dn[i0] + dn[i1];
                    const float alp2 = pass == 0 ? r22[j] + r33[b] + 2.0f * r23[8 * j + b]
                                                 : r33[j] + r00[b] + 2.0f * r03[8 * b + j];
                    if (better(ps2 * ps2, alp, sq, alp2)) {
                        sq = ps2 * ps2;
                        ps = ps2;
                        alp = alp2;
                        ix = i0;
                        iy = i1;
                    }
                }
            }
            const int i0 = ix, i1 = iy, j0 = i0 / 5, j1 = i1 / 5;
            const float ps0 = ps, alp0 = alp;
            float tmp[kPos];
            for (int k = 0; k < kPos; ++k)
                tmp[k] = pass == 0 ? r11[k] + 2.0f * (r12[8 * k + j0] + r13[8 * k + j1])
                                   : r22[k] + 2.0f * (r23[8 * k + j0] + r02[8 * j1 + k]);
            sq = -1.0f;
            alp = 1.0f;
            for (int a = 0; a < kPos; ++a) {
                const int pa = pass == 0 ? 5 * a : 1 + 5 * a;
                const float ps1 = ps0 + dn[pa];
                const float alp1 = pass == 0 ? alp0 + r00[a] + 2.0f * (r02[8 * a + j0] + r03[8 * a + j1])
                                             : alp0 + r11[a] + 2.0f * (r13[8 * a + j0] + r01[8 * j1 + a]);
                for (int k = 0; k < kPos; ++k) {
                    const int pk = pass == 0 ? 1 + 5 * k : 2 + 5 * k;
                    const float ps2 = ps1 + dn[pk];
                    const float alp2 = alp1 + tmp[k] + 2.0f * (pass == 0 ? r01[8 * a + k] : r12[8 * a + k]);
                    if (better(ps2 * ps2, alp, sq, alp2)) {
                        sq = ps2 * ps2;
                        alp = alp2;
                        ix = pa;
                        iy = pk;
                    }
                }
            }
            if (better(sq, alpk, psk, alp)) {
                psk = sq;
                alpk = alp;
                if (pass == 0) {
                    ip[2] = i0;
                    ip[3] = i1;
                    ip[0] = ix;
                    ip[1] = iy;
                } else {
                    ip[3] = i0;
                    ip[0] = i1;
                    ip[1] = ix;
                    ip[2] = iy;
                }
            }
        }
    }
    code_of(sgn, ip, code, idx);
}

}  // namespace voks::g729

namespace voks::g729 {

namespace {

constexpr int8_t kTrackA[16] = {1, 3, 6, 8, 11, 13, 16, 18, 21, 23, 26, 28, 31, 33, 36, 38};
constexpr int8_t kTrackB[32] = {0,  2,  4,  5,  7,  9,  10, 12, 14, 15, 17, 19, 20, 22, 24, 25,
                                27, 29, 30, 32, 34, 35, 37, 39, 1,  6,  11, 16, 21, 26, 31, 36};
constexpr int8_t kGrayD[32] = {0,  1,  3,  2,  6,  7,  5,  4,  12, 13, 15, 14, 10, 11, 9,  8,
                               24, 25, 27, 26, 30, 31, 29, 28, 20, 21, 23, 22, 18, 19, 17, 16};
// Cross blocks of the Annex D matrix, in order, and the search pairs (first track, second
// track, first pulse is pulse A).
constexpr int kPairsD32[8][2] = {{0, 1}, {1, 1}, {0, 3}, {3, 4}, {1, 2}, {1, 3}, {1, 4}, {2, 3}};
constexpr bool kAFirst[8] = {false, true, false, true, true, false, true, false};

}  // namespace

void toepliz_d_32f(const float* h, float* m) {
    float pre[kSubfr * 41];
    for (int d = 0; d < kSubfr; ++d) {
        float s = 0.0f;
        pre[d * 41] = 0.0f;
        for (int n = 0; n < kSubfr - d; ++n) {
            s += h[n] * h[n + d];
            pre[d * 41 + n + 1] = s;
        }
    }
    for (int t = 0; t < 5; ++t)
        for (int j = 0; j < kPos; ++j) m[8 * t + j] = pre[40 - (t + 5 * j)];
    for (int c = 0; c < 8; ++c)
        for (int a = 0; a < kPos; ++a)
            for (int b = 0; b < kPos; ++b) {
                const int p1 = kPairsD32[c][0] + 5 * a, p2 = kPairsD32[c][1] + 5 * b;
                const int dd = p1 > p2 ? p1 - p2 : p2 - p1;
                m[40 + 64 * c + 8 * a + b] = pre[dd * 41 + 40 - (p1 > p2 ? p1 : p2)];
            }
}

void acelp_11_32f(const float* d, const float* h, float* code, float* y, int32_t& sign, int32_t& index) {
    float rr[kMatrixLen - 64];
    toepliz_d_32f(h, rr);
    float dn[kSubfr], sgn[kSubfr];
    signs_of(d, dn, sgn);
    int pa = 1, pb = 0;
    float psc = 0.0f, alpha = 1.0f;
    for (int c = 0; c < 8; ++c) {
        const int t0 = kPairsD32[c][0], t1 = kPairsD32[c][1];
        const float* cross = rr + 40 + 64 * c;
        for (int a = 0; a < kPos; ++a) {
            const int i0 = t0 + 5 * a;
            for (int b = 0; b < kPos; ++b) {
                const int i1 = t1 + 5 * b;
                const float ps = dn[i0] + dn[i1];
                const float alp =
                    rr[8 * t0 + a] + rr[8 * t1 + b] + 2.0f * sgn[i0] * sgn[i1] * cross[8 * a + b];
                if (better(ps * ps, alpha, psc, alp)) {
                    psc = ps * ps;
                    alpha = alp;
                    pa = kAFirst[c] ? i0 : i1;
                    pb = kAFirst[c] ? i1 : i0;
                }
            }
        }
    }
    int ia = 0, ib = 0;
    while (ia < 16 && kTrackA[ia] != pa) ++ia;
    while (ib < 32 && kTrackB[ib] != pb) ++ib;
    std::memset(code, 0, kSubfr * sizeof(float));
    std::memset(y, 0, kSubfr * sizeof(float));
    code[pa] = sgn[pa];
    code[pb] += sgn[pb];
    for (int i = pa, j = 0; i < kSubfr; ++i, ++j) y[i] = sgn[pa] * h[j];
    for (int i = pb, j = 0; i < kSubfr; ++i, ++j) y[i] += sgn[pb] * h[j];
    sign = (sgn[pb] > 0 ? 2 : 0) + (sgn[pa] > 0 ? 1 : 0);
    index = kGrayD[ia] + (kGrayD[ib] << 4);
}

}  // namespace voks::g729

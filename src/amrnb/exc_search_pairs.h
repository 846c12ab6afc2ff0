// The pulse-pair search of the 10.2 and 12.2 kbit/s codebooks, shared by the scalar kernel and
// its AVX2 twin (the same loops, vectorised for each target). See search_pairs in kernels.h.
#ifndef VOKS_AMRNB_EXC_SEARCH_PAIRS_H
#define VOKS_AMRNB_EXC_SEARCH_PAIRS_H

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "amrnb/kernels.h"
#include "common/basicop.h"

namespace voks::amrnb {

// search_10and8i40: pulses in pairs, the first two at the track maxima, each later pair by a
// joint search over two tracks; the starting tracks rotate. Positions are in the track layout
// (track t is the M consecutive positions from t M), so each pair stage reads rows of
// consecutive values. Candidates are compared by cross-multiplication as the reference does; an
// equal criterion keeps the earlier candidate.
template <int M>
__attribute__((always_inline)) inline void search_pairs_body(int n, const int16_t* dn, const int16_t* rr_rows,
                                                             int16_t* ipos, const int16_t* pos_max,
                                                             int16_t off_max, int* codvec,
                                                             pair_stage_fn* pair_stage) {
    constexpr int kL = 40;
    // The largest |x| for which a 32-bit sum and its rounding to 16 bits do not saturate.
    constexpr int64_t kRoundSafe = 0x7FFF7FFF;
    // Weights per pair stage (Q15: 1/2 .. 1/128): the running energy factor, the new pulse's
    // diagonal and cross terms with the fixed pulses, the precomputed vector's and the pair's
    // cross weights.
    struct Stage {
        int16_t diag_v, cross_v, diag, cross, rrv, pair;
    };
    static const Stage kStages[4] = {{4096, 8192, 2048, 4096, 16384, 4096},
                                     {4096, 8192, 1024, 2048, 8192, 2048},
                                     {2048, 4096, 512, 1024, 8192, 1024},
                                     {2048, 4096, 256, 512, 4096, 512}};
    using Row = int16_t[kL];
    const Row* rr = reinterpret_cast<const Row*>(rr_rows);
    int32_t diag[kL];
    for (int i = 0; i < kL; ++i) diag[i] = rr[i][i];
    const int64_t moff = off_max;
    const int i0 = pos_max[ipos[0]];
    // The best code vector: psk / alpk, replaced when alpk sq > psk alp.
    int16_t psk = -1, alpk = 1;
    // Positions 0 .. n-1 when no candidate is ever taken (energies made negative by saturation).
    for (int i = 0; i < n; ++i) codvec[i] = (i % (kL / M)) * M + i / (kL / M);
    for (int t = 1; t < kL / M; ++t) {
        int pulse[10];
        pulse[0] = i0;
        pulse[1] = pos_max[ipos[1]];
        const int16_t ps = add(dn[pulse[0]], dn[pulse[1]]);
        int32_t alp0 = L_mac(L_mac(L_mult(rr[pulse[0]][pulse[0]], 2048), rr[pulse[1]][pulse[1]], 2048),
                             rr[pulse[0]][pulse[1]], 4096);
        // The fixed pulses' rows summed, and their magnitudes summed: each chain below adds 2 rr w
        // terms of one weight w to a start value, so its partial sums stay within |start| +
        // 2 mag w. When that bound can saturate neither a sum nor its rounding, the chain is the
        // plain sum start + 2 sum w.
        int32_t sum[kL] = {}, mag[kL] = {};
        auto add_rows = [&](int p, int q) {
            for (int l = 0; l < kL; ++l) {
                const int32_t u = rr[p][l], v = rr[q][l];
                sum[l] += u + v;
                mag[l] += std::abs(u) + std::abs(v);
            }
        };
        add_rows(pulse[0], pulse[1]);
        // The running best of the stage: (sq, alp, ps).
        int16_t sq = -1, alp = 1, psb = 0;
        const int stages = n == 10 ? 4 : 3;
        for (int st = 0; st < stages; ++st) {
            const Stage& w = kStages[st];
            const int fixed = 2 + 2 * st, pa = ipos[fixed] * M, pb = ipos[fixed + 1] * M;
            if (st > 0) alp0 = L_mult(alp, 16384);
            const int16_t ps0 = st > 0 ? psb : ps;
            int16_t rrv[M], ps1[M];
            int32_t rrv2[M], alp1[M];
            int32_t da = 0, ma = 0, db = 0, mb = 0;
            for (int k = 0; k < M; ++k) {
                da = std::max(da, std::abs(diag[pa + k]));
                ma = std::max(ma, mag[pa + k]);
                db = std::max(db, std::abs(diag[pb + k]));
                mb = std::max(mb, mag[pb + k]);
            }
            if (2 * (int64_t{db} * w.diag_v + int64_t{mb} * w.cross_v) <= kRoundSafe) {
                for (int k = 0; k < M; ++k)
                    rrv[k] = static_cast<int16_t>(
                        (2 * (diag[pb + k] * w.diag_v + sum[pb + k] * w.cross_v) + 0x8000) >> 16);
            } else {
                for (int k = 0; k < M; ++k) {
                    const int j = pb + k;
                    int32_t s = L_mult(rr[j][j], w.diag_v);
                    for (int f = 0; f < fixed; ++f) s = L_mac(s, rr[pulse[f]][j], w.cross_v);
                    rrv[k] = round_fx(s);
                }
            }
            if (std::abs(int64_t{alp0}) + 2 * (int64_t{da} * w.diag + int64_t{ma} * w.cross) <= kRoundSafe) {
                for (int k = 0; k < M; ++k)
                    alp1[k] = alp0 + 2 * (diag[pa + k] * w.diag + sum[pa + k] * w.cross);
            } else {
                for (int k = 0; k < M; ++k) {
                    const int a = pa + k;
                    int32_t s = L_mac(alp0, rr[a][a], w.diag);
                    for (int f = 0; f < fixed; ++f) s = L_mac(s, rr[pulse[f]][a], w.cross);
                    alp1[k] = s;
                }
            }
            int32_t rrv_max = 0, alp_hi = 0, alp_lo = 0;
            for (int k = 0; k < M; ++k) {
                rrv2[k] = 2 * rrv[k] * w.rrv;
                rrv_max = std::max(rrv_max, std::abs(int32_t{rrv[k]}));
                alp_hi = std::max(alp_hi, alp1[k]);
                alp_lo = std::min(alp_lo, alp1[k]);
                ps1[k] = add(ps0, dn[pa + k]);
            }
            // The pair sums alp1 + 2 rrv w + 2 rr w' within the same kind of bound: the plain sums.
            const int64_t alp_max = std::max(int64_t{alp_hi}, -int64_t{alp_lo});
            int ia = pa, ib = pb;
            sq = -1;
            alp = 1;
            psb = 0;
            if (alp_max + 2 * (int64_t{rrv_max} * w.rrv + moff * w.pair) <= kRoundSafe) {
                PairBest best;
                pair_stage(ps1, alp1, dn + pb, rrv2, &rr[pa][pb], 2 * w.pair, M, best);
                if (best.a >= 0) {
                    sq = best.sq;
                    alp = best.al;
                    psb = best.ps;
                    ia = pa + best.a;
                    ib = pb + best.c;
                }
            } else {
                for (int k = 0; k < M; ++k)
                    for (int l = 0; l < M; ++l) {
                        const int16_t ps2 = add(ps1[k], dn[pb + l]), sq2 = mult(ps2, ps2);
                        const int16_t a2 =
                            round_fx(L_mac(L_mac(alp1[k], rrv[l], w.rrv), rr[pa + k][pb + l], w.pair));
                        // L_msu(L_mult(alp, sq2), sq, a2) of the reference saturates without
                        // changing sign: its test is the exact comparison.
                        if (int64_t{alp} * sq2 > int64_t{sq} * a2) {
                            sq = sq2;
                            alp = a2;
                            psb = ps2;
                            ia = pa + k;
                            ib = pb + l;
                        }
                    }
            }
            pulse[fixed] = ia;
            pulse[fixed + 1] = ib;
            if (st + 1 < stages) add_rows(ia, ib);
        }
        if (int64_t{alpk} * sq > int64_t{psk} * alp) {
            psk = sq;
            alpk = alp;
            for (int k = 0; k < n; ++k) codvec[k] = pulse[k];
        }
        const int16_t first = ipos[1];
        for (int j = 1, k = 2; k < n; ++j, ++k) ipos[j] = ipos[k];
        ipos[n - 1] = first;
    }
}

}  // namespace voks::amrnb

#endif  // VOKS_AMRNB_EXC_SEARCH_PAIRS_H

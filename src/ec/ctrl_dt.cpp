// The fixed-point sub-band double-talk controller: per-bin detection with the step sizes, and
// the backup/restore decisions of the filter.
#include <algorithm>
#include <cstring>

#include "ec/ctrl_internal.h"
#include "ec/ctrl_subband.h"

namespace voks::ec {
namespace {

using i128 = __int128;

// Layout after the header: 32-bit arrays A, B, Hs, P, LU, LV, SX, SU (stride bin_stride(K)),
// one spare stride, then FA, FB (16-bit), C, H, marks (8-bit) in two strides, then MU and MV
// (64-bit).
enum Arr { kA, kB, kHs, kP, kLU, kLV, kSX, kSU };

struct Dt {
    SubDT* h;
    unsigned char* base;
    int K, R;
    int32_t* arr(Arr a) const { return reinterpret_cast<int32_t*>(base + kDTHeadBytes + a * R); }
    int16_t* FA() const { return reinterpret_cast<int16_t*>(base + kDTHeadBytes + 9 * R); }
    int16_t* FB() const { return FA() + K; }
    uint8_t* C() const { return reinterpret_cast<uint8_t*>(FB() + K); }
    uint8_t* H() const { return C() + K; }
    uint8_t* mark() const { return H() + K; }
    int64_t* MU() const { return reinterpret_cast<int64_t*>(base + kDTHeadBytes + 11 * R); }
    int64_t* MV() const { return MU() + K; }
};

Dt view(void* state) {
    Dt d;
    d.base = align16<unsigned char>(state);
    d.h = reinterpret_cast<SubDT*>(d.base);
    d.K = d.h->c.K;
    d.R = bin_stride(d.K);
    return d;
}

void clear_machinery(const Dt& d) {
    std::memset(d.base + kDTHeadBytes, 0, 11 * static_cast<size_t>(d.R) + 16 * static_cast<size_t>(d.K));
    for (int k = 0; k < d.K; ++k) d.FA()[k] = d.FB()[k] = 16384;
    SubDT& h = *d.h;
    h.marked_all = h.marked_low = h.timer = h.flag = h.prev_flag = 0;
    h.act = h.act2 = h.sil = h.save_timer = h.low_mark = 0;
    h.Le = h.Ld = 0;
    h.Lambda = h.saved_lambda = 0;
}

}  // namespace

void dt_init(void* state, int K, int S, int T, int fs) {
    auto* base = align16<unsigned char>(state);
    SubDT h{};
    sub_head_init_16s(h.c, K, S, T, fs);
    std::memcpy(base, &h, sizeof h);
    clear_machinery(view(state));
}

void dt_reset(void* state) {
    clear_machinery(view(state));
}

void dt_update(const Vok32sc* const* X, const Vok32sc* U, const Vok32sc* V, VokEcStep32s* step, int32_t* flag,
               int32_t* low_flag, int b, void* state) {
    const Dt d = view(state);
    SubDT& h = *d.h;
    const int K = d.K, T = h.c.T, S = h.c.S;
    if (*flag == 0)
        h.timer = std::min(h.timer + S, 40000);
    else
        h.timer = std::max(h.timer - 10 * S, 0);
    int32_t *P = d.arr(kP), *LU = d.arr(kLU), *LV = d.arr(kLV), *SX = d.arr(kSX), *SU = d.arr(kSU);
    int64_t *MU = d.MU(), *MV = d.MV();
    int16_t *FA = d.FA(), *FB = d.FB();
    uint8_t *C = d.C(), *H = d.H(), *mark = d.mark();
    const int32_t alpha = 16384 - 16384 / T;
    int e_n = 0;
    const int32_t mun = norm_numerator(h.c.num, e_n);
    const VokEcStep32s def{h.c.defmant, 71 - h.c.expterm};
    for (int k = b; k < K; ++k) {
        const i128 x2 = mag2(X[0][k]), u2 = mag2(U[k]), v2 = mag2(V[k]);
        const int32_t Q = sat32(x2 >> 14);
        P[k] = sat32(avg_q14(alpha, P[k], Q));
        const int32_t Pp = sat32(static_cast<i128>(P[k]) + 80530 / T);
        step[k] = Pp > 0 ? divide_step(mun, e_n, Pp, 75) : def;
        SU[k] = sat32((static_cast<i128>(SU[k]) * 16072 + (u2 >> 14) * 312 + 8192) >> 14);
        SX[k] = sat32((static_cast<i128>(SX[k]) * 16072 + (x2 >> 14) * 312 + 8192) >> 14);
        MU[k] = sat64(std::max<i128>((static_cast<i128>(MU[k]) * 16351) >> 14, u2 >> 4));
        MV[k] = sat64(std::max<i128>((static_cast<i128>(MV[k]) * 16351) >> 14, v2 >> 4));
        if (!mark[k] && (MU[k] >> 5) > MV[k]) {
            LV[k] = sat32(
                ((MV[k] >> 10) * static_cast<i128>(312) + static_cast<i128>(LV[k]) * 16072 + 8192) >> 14);
            LU[k] = sat32(
                (static_cast<i128>(LU[k]) * 16072 + (MU[k] >> 10) * static_cast<i128>(312) + 8192) >> 14);
        }
        const bool A = ((static_cast<i128>(FA[k]) * MU[k] + 8192) >> 14) * LV[k] >=
                           (static_cast<i128>(MV[k]) * LU[k]) >> 4 &&
                       (SU[k] >> 1) <= SX[k];
        const bool B =
            LV[k] < (MV[k] >> 10) && ((static_cast<i128>(LU[k]) * (FB[k] >> 2) + 8192) >> 14) < (MU[k] >> 10);
        if (!A && B) {
            if (!mark[k]) {
                mark[k] = 1;
                H[k] = 32;
                ++h.marked_all;
                if (k < 10) ++h.marked_low;
            }
            if (C[k] <= 16) ++C[k];
            if (C[k] > 16) {
                FA[k] = 13107;
                FB[k] = 8192;
                H[k] = 150;
            }
        } else {
            if (H[k] > 0) --H[k];
            if (H[k] == 0 && mark[k]) {
                mark[k] = 0;
                C[k] = 0;
                FA[k] = FB[k] = 16384;
                --h.marked_all;
                if (k < 10) --h.marked_low;
            }
        }
        int bump = h.timer >= 40000 ? 3 : h.timer >= 32000 ? 2 : 0;
        if (mark[k] && *flag == 0) bump += 3;
        step[k].exp += bump;
    }
    // At least one marked bin is needed: with fewer than 4 bins a zero threshold would flag
    // double talk permanently.
    h.flag = h.marked_all >= std::max(1, K / 4) ? 1 : 0;
    *flag = h.flag;
    *low_flag = h.marked_low >= 5 ? 1 : 0;
}

void dt_control(const Vok32sc* E, const Vok32sc* D, Vok32sc* const* W, Vok32sc* const* Wb, int64_t* level,
                int32_t* event, int64_t energy, bool energy_flag, bool override, int b, void* state) {
    const Dt d = view(state);
    SubDT& h = *d.h;
    const int K = d.K, T = h.c.T;
    const bool dt = h.flag != 0;
    if (dt && !h.prev_flag) h.Le = h.Ld = 0;
    h.prev_flag = dt;
    *event = 0;
    if (!override && energy < 1) return;
    if (energy_flag) {
        i128 se = 0, sd = 0;
        for (int i = b; i < K; ++i) {
            se += (mag2(E[i]) + 8192) >> 14;
            sd += (mag2(D[i]) + 8192) >> 14;
        }
        h.Ld = sat32(avg_q14(h.c.a15, h.Ld, sd >> 5));
        h.Le = sat32(avg_q14(h.c.a15, h.Le, se >> 5));
    }
    h.Lambda = sat64(avg_q14(h.c.a15, h.Lambda, *level));
    bool saved = false;
    const auto save = [&] {
        h.save_timer = 0;
        *event = -1;
        h.Ld = h.Le;
        h.saved_lambda = *level;
        for (int k = 0; k < T; ++k) std::memcpy(Wb[k], W[k], sizeof(Vok32sc) * K);
        saved = true;
    };
    const auto restore = [&] {
        *event = 1;
        h.Le = h.Ld;
        *level = h.saved_lambda;
        h.low_mark = 0;
        for (int k = 0; k < T; ++k) std::memcpy(W[k], Wb[k], sizeof(Vok32sc) * K);
    };
    if (!dt) {
        h.save_timer += h.c.S;
        if (h.save_timer > 4000 && energy < (h.Lambda >> 24)) save();
    } else {
        h.save_timer = 0;
    }
    if (energy >= (h.Lambda >> 13)) {
        h.sil = 0;
        h.act = std::min(h.act + 1, 10);
        h.act2 = energy > (h.Lambda >> 7) ? std::min(h.act2 + 1, 100) : 0;
    } else {
        h.act = h.act2 = 0;
        h.sil = std::min(h.sil + 1, 100);
        if ((h.sil >= 100 || energy < (h.Lambda >> 20)) && !saved) save();
    }
    if (energy_flag) {
        if (h.act >= 10 && (h.act2 > 10 || h.Le > h.Ld)) restore();
        if (h.Le < (h.Ld >> 3) && !saved) {
            save();
            h.low_mark = 1;
        }
    }
    if (!override && energy > 0 && dt && !h.low_mark) restore();
}

}  // namespace voks::ec

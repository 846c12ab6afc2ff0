// G.722 sub-band ADPCM encoder and decoder (blocks QUANTL/QUANTH, INVQAL/INVQAH/INVQBL,
// LOGSCL/LOGSCH, SCALEL/SCALEH, UPZERO, UPPOL1, UPPOL2, FILTEZ, FILTEP, LIMIT), written once for
// every kernel level. A level supplies a Kernel policy with
//   Taps: the six-tap zero predictor of one band, with load/store from the state block and
//         update(dq): UPZERO, the delay-line shift and FILTEZ, returning the new sz;
//   below(wd, row): the number of the 32 entries of a decision-level row below wd.
// Each call copies the caller's state into one record per band, runs the frame with every
// value in registers, and writes the records back. Values are 16-bit quantities held in int;
// every place where G.722 saturates or truncates is written out.
#ifndef VOKS_G722_G722_ADPCM_H
#define VOKS_G722_G722_ADPCM_H

#include <cstdint>

#include "g722/g722_internal.h"

namespace voks::g722::band {

// Inverse-quantiser output levels divided by 8 (applied as (step * level) >> 12).
constexpr int kOq4[8] = {0, 150, 323, 530, 786, 1121, 1612, 2557};
constexpr int kOq5[16] = {0, 35, 110, 190, 276, 370, 473, 587, 714, 858, 1023, 1219, 1458, 1765, 2195, 2919};
constexpr int kOq6[31] = {0,    17,   54,   91,   130,  170,  211,  254,  300, 347,  396,
                          447,  501,  558,  618,  682,  750,  822,  899,  982, 1072, 1170,
                          1279, 1399, 1535, 1689, 1873, 2088, 2376, 2738, 3101};
constexpr int kWl[8] = {-60, -30, 58, 172, 334, 538, 1198, 3042};
constexpr int kOq2[3] = {0, 202, 926};
constexpr int kWh[3] = {0, -214, 798};

// Signed levels and scale-factor increments indexed directly by the code words.
struct CodeTables {
    int16_t qq4[16];  // I4 -> signed QQ4 level
    int16_t wl4[16];  // I4 -> WL increment
    int16_t qq5[32];  // I5 -> signed QQ5 level
    int16_t qq6[64];  // IL -> signed QQ6 level
    int16_t qq2[4];   // IH -> signed QQ2 level
    int16_t wh2[4];   // IH -> WH increment
    int16_t iln[31];  // interval m (1..30), negative difference -> IL
    int16_t ilp[31];  // interval m, non-negative difference -> IL
    constexpr CodeTables() : qq4(), wl4(), qq5(), qq6(), qq2(), wh2(), iln(), ilp() {
        for (int i = 0; i < 16; ++i) {
            int lev = 0;
            bool neg = false;
            if (i >= 1 && i <= 7) lev = 8 - i, neg = true;
            if (i >= 8 && i <= 14) lev = 15 - i;
            qq4[i] = static_cast<int16_t>(neg ? -kOq4[lev] : kOq4[lev]);
            wl4[i] = static_cast<int16_t>(kWl[lev]);
        }
        for (int i = 0; i < 32; ++i) {
            int lev = 1;
            bool neg = true;
            if (i >= 2 && i <= 15) lev = 17 - i;
            if (i >= 16 && i <= 29) lev = 31 - i, neg = false;
            if (i == 30) neg = false;
            qq5[i] = static_cast<int16_t>(neg ? -kOq5[lev] : kOq5[lev]);
        }
        for (int i = 0; i < 64; ++i) {
            int lev = 1;
            bool neg = true;
            if (i >= 4 && i <= 31) lev = 34 - i;
            if (i >= 32 && i <= 61) lev = 62 - i, neg = false;
            if (i == 62) lev = 2;
            qq6[i] = static_cast<int16_t>(neg ? -kOq6[lev] : kOq6[lev]);
        }
        const int lev2[4] = {2, 1, 2, 1};
        for (int i = 0; i < 4; ++i) {
            qq2[i] = static_cast<int16_t>(i < 2 ? -kOq2[lev2[i]] : kOq2[lev2[i]]);
            wh2[i] = static_cast<int16_t>(kWh[lev2[i]]);
        }
        for (int m = 1; m <= 30; ++m) {
            iln[m] = static_cast<int16_t>(m == 1 ? 63 : (m == 2 ? 62 : 34 - m));
            ilp[m] = static_cast<int16_t>(62 - m);
        }
    }
};
inline constexpr CodeTables kT{};

static_assert(kStep.v[64] == 32 && kStep.v[0] == 8 && kStep.v[352] == 16384, "step ends");

// One sub-band's adaptive predictor. Taps holds the six-tap zero predictor (coefficients and
// quantised-difference delay line) and provides its update; the rest is the same for every
// kernel level.
template <class Taps>
struct Band {
    int a1, a2;
    int det, nb;
    int p, r, p1, p2, r1, r2;
    int dq, sz, sp, s;
    Taps taps;
};

inline int lim16(int x) {
    return x > 32767 ? 32767 : (x < -32768 ? -32768 : x);
}
inline int lim15(int x) {
    return x > 16383 ? 16383 : (x < -16384 ? -16384 : x);
}

template <class Taps>
inline Band<Taps> load_low(const AdpcmState& st) {
    Band<Taps> B;
    B.a1 = st.al1, B.a2 = st.al2;
    B.taps.load(st.bl, st.dlt);
    B.det = st.detl, B.nb = st.nbl;
    B.p = st.plt, B.r = st.rlt, B.p1 = st.plt1, B.p2 = st.plt2, B.r1 = st.rlt1, B.r2 = st.rlt2;
    B.dq = st.dlt0, B.sz = st.szl, B.sp = st.spl, B.s = st.sl;
    return B;
}
template <class Taps>
inline Band<Taps> load_high(const AdpcmState& st) {
    Band<Taps> B;
    B.a1 = st.ah1, B.a2 = st.ah2;
    B.taps.load(st.bh, st.dh);
    B.det = st.deth, B.nb = st.nbh;
    B.p = st.ph, B.r = st.rh, B.p1 = st.ph1, B.p2 = st.ph2, B.r1 = st.rh1, B.r2 = st.rh2;
    B.dq = st.dh0, B.sz = st.szh, B.sp = st.sph, B.s = st.sh;
    return B;
}
inline int16_t s16(int v) {
    return static_cast<int16_t>(v);
}
template <class Taps>
inline void store_low(const Band<Taps>& B, AdpcmState& st) {
    st.al1 = s16(B.a1), st.al2 = s16(B.a2);
    B.taps.store(st.bl, st.dlt);
    st.detl = s16(B.det), st.nbl = s16(B.nb);
    st.plt = s16(B.p), st.rlt = s16(B.r), st.plt1 = s16(B.p1), st.plt2 = s16(B.p2);
    st.rlt1 = s16(B.r1), st.rlt2 = s16(B.r2);
    st.dlt0 = s16(B.dq), st.szl = s16(B.sz), st.spl = s16(B.sp), st.sl = s16(B.s);
}
template <class Taps>
inline void store_high(const Band<Taps>& B, AdpcmState& st) {
    st.ah1 = s16(B.a1), st.ah2 = s16(B.a2);
    B.taps.store(st.bh, st.dh);
    st.deth = s16(B.det), st.nbh = s16(B.nb);
    st.ph = s16(B.p), st.rh = s16(B.r), st.ph1 = s16(B.p1), st.ph2 = s16(B.p2);
    st.rh1 = s16(B.r1), st.rh2 = s16(B.r2);
    st.dh0 = s16(B.dq), st.szh = s16(B.sz), st.sph = s16(B.sp), st.sh = s16(B.s);
}

// PARREC, RECONS, UPZERO, UPPOL2, UPPOL1, FILTEZ, FILTEP and PREDIC for one quantised
// difference dq (a 16-bit value).
template <class Taps>
inline void adapt(Band<Taps>& B, int dq) {
    B.dq = dq;
    const int p = lim16(B.sz + dq);
    B.r = lim16(B.s + dq);
    B.p = p;

    // UPZERO, the delay-line shift and FILTEZ (with the new coefficients and line).
    const int sz = B.taps.update(dq);
    B.sz = sz;

    // UPPOL2.
    const bool same1 = (p ^ B.p1) >= 0;
    const bool same2 = (p ^ B.p2) >= 0;
    int w = lim16(B.a1 * 4);
    if (same1) w = w == -32768 ? 32767 : -w;
    w = (w >> 7) + (same2 ? 128 : -128) + ((B.a2 * 32512) >> 15);
    const int a2 = w > 12288 ? 12288 : (w < -12288 ? -12288 : w);
    B.a2 = a2;

    // UPPOL1 with the new a2.
    const int a = ((B.a1 * 32640) >> 15) + (same1 ? 192 : -192);
    const int l = 15360 - a2;
    B.a1 = a > l ? l : (a < -l ? -l : a);
    B.p2 = B.p1;
    B.p1 = p;

    // FILTEP and PREDIC.
    B.r2 = B.r1;
    B.r1 = B.r;
    // |a1|, |a2| < 32768, so the products need no saturation.
    B.sp = lim16(((B.a1 * lim16(2 * B.r1)) >> 15) + ((B.a2 * lim16(2 * B.r2)) >> 15));
    B.s = lim16(B.sp + sz);
}

// QUANTL: interval m is one more than the number of decision levels (1..29) at or below wd;
// the levels grow with m, so this is the first level above wd.
// The step size, and with it every decision level, is a function of nbl >> 6 (0..288):
// row k holds (Q6[m] * step) >> 12 minus one for m = 1..29, then three entries never passed.
struct ThresholdTable {
    int16_t v[289][32];
    constexpr ThresholdTable() : v() {
        for (int k = 0; k < 289; ++k) {
            const int det = kStep.v[k + 64];
            for (int m = 1; m < 30; ++m) v[k][m - 1] = static_cast<int16_t>(((kQ6[m] * det) >> 12) - 1);
            v[k][29] = v[k][30] = v[k][31] = 32767;
        }
    }
};

inline constexpr ThresholdTable kThr{};

inline int quantl_det(int el, int det) {
    const int wd = el ^ (el >> 31);  // el or -el - 1
    int m = 1;
    for (int k = 1; k < 30; ++k) m += ((kQ6[k] * det) >> 12) <= wd;
    return el < 0 ? kT.iln[m] : kT.ilp[m];
}

// Count is the level policy's count of row entries below wd.
template <class Count>
inline int quantl_row(int el, const int16_t* row) {
    const int16_t wd = static_cast<int16_t>(el ^ (el >> 31));
    const int m = 1 + Count::below(wd, row);
    return el < 0 ? kT.iln[m] : kT.ilp[m];
}

inline int quanth(int eh, int det) {
    const int wd = eh ^ (eh >> 31);
    const bool outer = wd >= ((564 * det) >> 12);
    return eh < 0 ? (outer ? 0 : 1) : (outer ? 2 : 3);
}

template <class Taps>
inline void update_low(Band<Taps>& B, int i4) {
    const int dq = (B.det * kT.qq4[i4]) >> 12;
    int nb = ((B.nb * 127) >> 7) + kT.wl4[i4];
    nb = nb < 0 ? 0 : (nb > 18432 ? 18432 : nb);
    B.nb = nb;
    B.det = kStep.v[(nb >> 6) + 64];
    adapt(B, dq);
}

template <class Taps>
inline void update_high(Band<Taps>& B, int ih) {
    const int dq = (B.det * kT.qq2[ih]) >> 12;
    int nb = ((B.nb * 127) >> 7) + kT.wh2[ih];
    nb = nb < 0 ? 0 : (nb > 22528 ? 22528 : nb);
    B.nb = nb;
    B.det = kStep.v[nb >> 6];
    adapt(B, dq);
}

template <class K>
void encode(const int16_t* sub, int16_t* codes, int pairs, AdpcmState& st) {
    using Taps = typename K::Taps;
    Band<Taps> L = load_low<Taps>(st);
    Band<Taps> H = load_high<Taps>(st);
    // Decision levels come from the table row of nbl once the step size is known to follow
    // nbl (it always does after Init); the first pair is quantised from detl itself.
    for (int n = 0; n < pairs; ++n) {
        const int el = lim16(sub[2 * n] - L.s);
        const int il = n == 0 ? quantl_det(el, L.det) : quantl_row<K>(el, kThr.v[L.nb >> 6]);
        const int eh = lim16(sub[2 * n + 1] - H.s);
        const int ih = quanth(eh, H.det);
        codes[2 * n] = static_cast<int16_t>(il);
        codes[2 * n + 1] = static_cast<int16_t>(ih);
        update_low(L, il >> 2);
        update_high(H, ih);
    }
    store_low(L, st);
    store_high(H, st);
}

template <class K, int Mode>
void decode_mode(const int16_t* codes, int16_t* sub, int pairs, AdpcmState& st) {
    using Taps = typename K::Taps;
    Band<Taps> L = load_low<Taps>(st);
    Band<Taps> H = load_high<Taps>(st);
    for (int n = 0; n < pairs; ++n) {
        const int il = codes[2 * n] & 63;
        const int ih = codes[2 * n + 1] & 3;
        const int level = Mode == 1 ? kT.qq6[il] : (Mode == 2 ? kT.qq5[il >> 1] : kT.qq4[il >> 2]);
        const int yl = lim15(L.s + ((L.det * level) >> 12));
        update_low(L, il >> 2);
        update_high(H, ih);
        sub[2 * n] = static_cast<int16_t>(yl);
        sub[2 * n + 1] = static_cast<int16_t>(lim15(H.r));
    }
    store_low(L, st);
    store_high(H, st);
}

// Mode 1 = 64 kbit/s, 2 = 56 kbit/s, anything else 48 kbit/s.
template <class K>
void decode(const int16_t* codes, int16_t* sub, int pairs, int mode, AdpcmState& st) {
    if (mode == 1)
        decode_mode<K, 1>(codes, sub, pairs, st);
    else if (mode == 2)
        decode_mode<K, 2>(codes, sub, pairs, st);
    else
        decode_mode<K, 3>(codes, sub, pairs, st);
}

}  // namespace voks::g722::band

#endif  // VOKS_G722_G722_ADPCM_H

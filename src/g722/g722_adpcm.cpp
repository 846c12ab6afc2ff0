// G.722 sub-band ADPCM encoder and decoder (blocks QUANTL/QUANTH, INVQAL/INVQAH/INVQBL,
// LOGSCL/LOGSCH, SCALEL/SCALEH, UPZERO, UPPOL1, UPPOL2, FILTEZ, FILTEP, LIMIT).
//
// Each call copies the caller's state into one local record per band, runs the frame with
// every value in registers, and writes the record back. Values are 16-bit quantities held in
// int; every place where G.722 saturates or truncates is written out.
#include <cstring>

#include "common/basicop.h"
#include "g722/g722_internal.h"

namespace voks::g722 {
namespace {

// Inverse-quantiser output levels divided by 8 (applied as (step * level) >> 12).
constexpr int kOq4[8] = {0, 150, 323, 530, 786, 1121, 1612, 2557};
constexpr int kOq5[16] = {0, 35, 110, 190, 276, 370, 473, 587, 714, 858, 1023, 1219, 1458, 1765,
                          2195, 2919};
constexpr int kOq6[31] = {0,   17,  54,  91,  130, 170, 211,  254,  300,  347,  396,
                          447, 501, 558, 618, 682, 750, 822,  899,  982,  1072, 1170,
                          1279, 1399, 1535, 1689, 1873, 2088, 2376, 2738, 3101};
constexpr int kWl[8] = {-60, -30, 58, 172, 334, 538, 1198, 3042};
constexpr int kOq2[3] = {0, 202, 926};
constexpr int kWh[3] = {0, -214, 798};

// Signed levels and scale-factor increments indexed directly by the code words.
struct CodeTables {
    int16_t qq4[16];   // I4 -> signed QQ4 level
    int16_t wl4[16];   // I4 -> WL increment
    int16_t qq5[32];   // I5 -> signed QQ5 level
    int16_t qq6[64];   // IL -> signed QQ6 level
    int16_t qq2[4];    // IH -> signed QQ2 level
    int16_t wh2[4];    // IH -> WH increment
    int16_t iln[31];   // interval m (1..30), negative difference -> IL
    int16_t ilp[31];   // interval m, non-negative difference -> IL
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
constexpr CodeTables kT{};

static_assert(kStep.v[64] == 32 && kStep.v[0] == 8 && kStep.v[352] == 16384, "step ends");

struct Band {
    int a1, a2;
    int b[6];
    int det, nb;
    int d[6];  // d[0] newest
    int p, r, p1, p2, r1, r2;
    int dq, sz, sp, s;
};

inline int lim16(int x) { return x > 32767 ? 32767 : (x < -32768 ? -32768 : x); }
inline int lim15(int x) { return x > 16383 ? 16383 : (x < -16384 ? -16384 : x); }
// mult() of the basic operators on values already in 16-bit range.
inline int mul15(int a, int b) { return lim16((a * b) >> 15); }

inline Band load_low(const AdpcmState& st) {
    Band B;
    B.a1 = st.al1, B.a2 = st.al2;
    for (int i = 0; i < 6; ++i) B.b[i] = st.bl[i], B.d[i] = static_cast<int16_t>(st.dlt[i]);
    B.det = st.detl, B.nb = st.nbl;
    B.p = st.plt, B.r = st.rlt, B.p1 = st.plt1, B.p2 = st.plt2, B.r1 = st.rlt1, B.r2 = st.rlt2;
    B.dq = st.dlt0, B.sz = st.szl, B.sp = st.spl, B.s = st.sl;
    return B;
}
inline Band load_high(const AdpcmState& st) {
    Band B;
    B.a1 = st.ah1, B.a2 = st.ah2;
    for (int i = 0; i < 6; ++i) B.b[i] = st.bh[i], B.d[i] = static_cast<int16_t>(st.dh[i]);
    B.det = st.deth, B.nb = st.nbh;
    B.p = st.ph, B.r = st.rh, B.p1 = st.ph1, B.p2 = st.ph2, B.r1 = st.rh1, B.r2 = st.rh2;
    B.dq = st.dh0, B.sz = st.szh, B.sp = st.sph, B.s = st.sh;
    return B;
}
inline int16_t s16(int v) { return static_cast<int16_t>(v); }
inline void store_low(const Band& B, AdpcmState& st) {
    st.al1 = s16(B.a1), st.al2 = s16(B.a2);
    for (int i = 0; i < 6; ++i) st.bl[i] = s16(B.b[i]), st.dlt[i] = B.d[i];
    st.detl = s16(B.det), st.nbl = s16(B.nb);
    st.plt = s16(B.p), st.rlt = s16(B.r), st.plt1 = s16(B.p1), st.plt2 = s16(B.p2);
    st.rlt1 = s16(B.r1), st.rlt2 = s16(B.r2);
    st.dlt0 = s16(B.dq), st.szl = s16(B.sz), st.spl = s16(B.sp), st.sl = s16(B.s);
}
inline void store_high(const Band& B, AdpcmState& st) {
    st.ah1 = s16(B.a1), st.ah2 = s16(B.a2);
    for (int i = 0; i < 6; ++i) st.bh[i] = s16(B.b[i]), st.dh[i] = B.d[i];
    st.deth = s16(B.det), st.nbh = s16(B.nb);
    st.ph = s16(B.p), st.rh = s16(B.r), st.ph1 = s16(B.p1), st.ph2 = s16(B.p2);
    st.rh1 = s16(B.r1), st.rh2 = s16(B.r2);
    st.dh0 = s16(B.dq), st.szh = s16(B.sz), st.sph = s16(B.sp), st.sh = s16(B.s);
}

// PARREC, RECONS, UPZERO, UPPOL2, UPPOL1, FILTEZ, FILTEP and PREDIC for one quantised
// difference dq (a 16-bit value).
inline void adapt(Band& B, int dq) {
    B.dq = dq;
    const int p = lim16(B.sz + dq);
    B.r = lim16(B.s + dq);
    B.p = p;

    // UPZERO: sign-sign update with leakage 32640/32768; the sum never leaves 16 bits.
    const int g = dq == 0 ? 0 : 128;
    for (int i = 0; i < 6; ++i) {
        const int inc = ((dq ^ B.d[i]) < 0) ? -g : g;
        B.b[i] = ((B.b[i] * 32640) >> 15) + inc;
    }
    for (int i = 5; i > 0; --i) B.d[i] = B.d[i - 1];
    B.d[0] = dq;

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

    // FILTEZ: saturated after every term, oldest tap first.
    int sz = 0;
    for (int i = 5; i >= 0; --i) sz = lim16(sz + mul15(lim16(2 * B.d[i]), B.b[i]));
    B.sz = sz;

    // FILTEP and PREDIC.
    B.r2 = B.r1;
    B.r1 = B.r;
    B.sp = lim16(mul15(B.a1, lim16(2 * B.r1)) + mul15(B.a2, lim16(2 * B.r2)));
    B.s = lim16(B.sp + sz);
}

// QUANTL: interval m is one more than the number of decision levels (1..29) at or below wd;
// the levels grow with m, so this is the first level above wd.
inline int quantl(int el, int det) {
    const int wd = el ^ (el >> 31);  // el or -el - 1
    int m = 1;
    for (int k = 1; k < 30; ++k) m += ((kQ6[k] * det) >> 12) <= wd;
    return el < 0 ? kT.iln[m] : kT.ilp[m];
}

inline int quanth(int eh, int det) {
    const int wd = eh ^ (eh >> 31);
    const bool outer = wd >= ((564 * det) >> 12);
    return eh < 0 ? (outer ? 0 : 1) : (outer ? 2 : 3);
}

inline void update_low(Band& B, int i4) {
    const int dq = (B.det * kT.qq4[i4]) >> 12;
    int nb = ((B.nb * 127) >> 7) + kT.wl4[i4];
    nb = nb < 0 ? 0 : (nb > 18432 ? 18432 : nb);
    B.nb = nb;
    B.det = kStep.v[(nb >> 6) + 64];
    adapt(B, dq);
}

inline void update_high(Band& B, int ih) {
    const int dq = (B.det * kT.qq2[ih]) >> 12;
    int nb = ((B.nb * 127) >> 7) + kT.wh2[ih];
    nb = nb < 0 ? 0 : (nb > 22528 ? 22528 : nb);
    B.nb = nb;
    B.det = kStep.v[nb >> 6];
    adapt(B, dq);
}

}  // namespace

void init_state(AdpcmState& s) {
    std::memset(&s, 0, sizeof s);
    s.detl = 32;
    s.deth = 8;
}

void encode(const int16_t* sub, int16_t* codes, int pairs, AdpcmState& st) {
    Band L = load_low(st);
    Band H = load_high(st);
    for (int n = 0; n < pairs; ++n) {
        const int el = lim16(sub[2 * n] - L.s);
        const int il = quantl(el, L.det);
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

void decode(const int16_t* codes, int16_t* sub, int pairs, int mode, AdpcmState& st) {
    Band L = load_low(st);
    Band H = load_high(st);
    for (int n = 0; n < pairs; ++n) {
        const int il = codes[2 * n] & 63;
        const int ih = codes[2 * n + 1] & 3;
        int level;
        if (mode == 1)
            level = kT.qq6[il];
        else if (mode == 2)
            level = kT.qq5[il >> 1];
        else
            level = kT.qq4[il >> 2];
        const int yl = lim15(L.s + ((L.det * level) >> 12));
        update_low(L, il >> 2);
        update_high(H, ih);
        sub[2 * n] = static_cast<int16_t>(yl);
        sub[2 * n + 1] = static_cast<int16_t>(lim15(H.r));
    }
    store_low(L, st);
    store_high(H, st);
}

}  // namespace voks::g722

// x86 vector kernel of the G.722 sub-band ADPCM: the six-tap zero predictor of each band in
// one 8-lane register (UPZERO, the delay-line shift and FILTEZ's per-term saturating sum as
// lane operations), the pole predictors of both bands side by side in two lanes, and the
// lower-band quantiser's 29 decision levels compared in four registers. The lane operations
// are SSE2; the two entry points are compiled for the AVX2 level that offers them (VEX forms).
// Bit-identical to the scalar kernel (the saturating lane operations are G.722's add, sub
// and shl on 16-bit values).
#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>

#include "common/x86/avx2.h"
#include "g722/g722_adpcm.h"
#include "g722/kernels.h"

namespace voks::g722 {
namespace {

#define VOKS_INLINE inline __attribute__((always_inline))

// (a * b) >> 15 per 16-bit lane for products whose result fits 16 bits.
VOKS_INLINE __m128i mul_q15(__m128i a, __m128i b) {
    const __m128i hi = _mm_mulhi_epi16(a, b);
    const __m128i lo = _mm_mullo_epi16(a, b);
    return _mm_or_si128(_mm_slli_epi16(hi, 1), _mm_srli_epi16(lo, 15));
}

struct Sse2Kernel {
    struct Taps {
        __m128i b;  // lanes 0..5: b1..b6; lanes 6, 7 kept at zero
        __m128i d;  // lanes 0..5: d1..d6 (d1 newest); lanes 6, 7 kept at zero
        VOKS_INLINE void load(const int16_t* bs, const int32_t* ds) {
            b = _mm_setr_epi16(bs[0], bs[1], bs[2], bs[3], bs[4], bs[5], 0, 0);
            d = _mm_setr_epi16(static_cast<int16_t>(ds[0]), static_cast<int16_t>(ds[1]),
                               static_cast<int16_t>(ds[2]), static_cast<int16_t>(ds[3]),
                               static_cast<int16_t>(ds[4]), static_cast<int16_t>(ds[5]), 0, 0);
        }
        VOKS_INLINE void store(int16_t* bs, int32_t* ds) const {
            alignas(16) int16_t tb[8], td[8];
            _mm_store_si128(reinterpret_cast<__m128i*>(tb), b);
            _mm_store_si128(reinterpret_cast<__m128i*>(td), d);
            for (int i = 0; i < 6; ++i) bs[i] = tb[i], ds[i] = td[i];
        }
        VOKS_INLINE int update(int dq) {
            const __m128i six = _mm_setr_epi16(-1, -1, -1, -1, -1, -1, 0, 0);
            const __m128i q = _mm_set1_epi16(static_cast<int16_t>(dq));
            // UPZERO: +-128 by sign agreement (0 when dq = 0), leakage 32640/32768.
            const __m128i g = _mm_and_si128(six, _mm_set1_epi16(dq == 0 ? 0 : 128));
            const __m128i differ = _mm_srai_epi16(_mm_xor_si128(q, d), 15);
            const __m128i inc = _mm_sub_epi16(_mm_xor_si128(g, differ), differ);
            b = _mm_add_epi16(mul_q15(b, _mm_set1_epi16(32640)), _mm_and_si128(inc, six));
            // Delay line: d1 <- dq, the rest move up one lane (lane 6 cleared).
            d = _mm_and_si128(six, _mm_insert_epi16(_mm_slli_si128(d, 2), dq, 0));
            // FILTEZ: terms (2d * b) >> 15, summed from d6 down to d1 with saturation.
            const __m128i t = mul_q15(_mm_add_epi16(d, d), b);
            __m128i acc = _mm_srli_si128(t, 10);
            acc = _mm_adds_epi16(acc, _mm_srli_si128(t, 8));
            acc = _mm_adds_epi16(acc, _mm_srli_si128(t, 6));
            acc = _mm_adds_epi16(acc, _mm_srli_si128(t, 4));
            acc = _mm_adds_epi16(acc, _mm_srli_si128(t, 2));
            acc = _mm_adds_epi16(acc, t);
            return static_cast<int16_t>(_mm_cvtsi128_si32(acc));
        }
    };
    // The decision levels rise with the interval, so the lanes below wd form a prefix: its
    // length is the count of trailing ones of the comparison mask.
    static VOKS_INLINE int below(int16_t wd, const int16_t* row) {
        const __m128i w = _mm_set1_epi16(wd);
        const __m128i* r = reinterpret_cast<const __m128i*>(row);
        const __m128i c0 = _mm_cmpgt_epi16(w, _mm_loadu_si128(r));
        const __m128i c1 = _mm_cmpgt_epi16(w, _mm_loadu_si128(r + 1));
        const __m128i c2 = _mm_cmpgt_epi16(w, _mm_loadu_si128(r + 2));
        const __m128i c3 = _mm_cmpgt_epi16(w, _mm_loadu_si128(r + 3));
        const uint32_t lo = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(c0, c1)));
        const uint32_t hi = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(c2, c3)));
        return __builtin_ctz(~(lo | (hi << 16)));
    }
};

// Both bands' pole predictors in lanes 0 (lower) and 1 (higher) of 16-bit vectors: PARREC,
// RECONS, UPPOL2, UPPOL1, FILTEP and PREDIC as lane operations. Every intermediate is a 16-bit
// value in G.722, and the saturating lane operations are exactly its add/sub/shl.
struct Poles {
    __m128i a1, a2, p1, p2, r1, r2, sz, sp, s;
};

VOKS_INLINE __m128i pair16(int lo, int hi) {
    return _mm_cvtsi32_si128(
        static_cast<int>((static_cast<uint32_t>(lo) & 0xFFFF) | (static_cast<uint32_t>(hi) << 16)));
}
VOKS_INLINE int lane0(__m128i v) {
    return static_cast<int16_t>(_mm_cvtsi128_si32(v));
}
VOKS_INLINE int lane1(__m128i v) {
    return _mm_cvtsi128_si32(v) >> 16;
}

VOKS_INLINE Poles load_poles(const AdpcmState& st) {
    Poles P;
    P.a1 = pair16(st.al1, st.ah1);
    P.a2 = pair16(st.al2, st.ah2);
    P.p1 = pair16(st.plt1, st.ph1);
    P.p2 = pair16(st.plt2, st.ph2);
    P.r1 = pair16(st.rlt1, st.rh1);
    P.r2 = pair16(st.rlt2, st.rh2);
    P.sz = pair16(st.szl, st.szh);
    P.sp = pair16(st.spl, st.sph);
    P.s = pair16(st.sl, st.sh);
    return P;
}

// The state after at least one pair: the current p and r equal the newest p1 and r1.
VOKS_INLINE void store_poles(const Poles& P, int dql, int dqh, AdpcmState& st) {
    const auto lo = [](__m128i v) { return static_cast<int16_t>(lane0(v)); };
    const auto hi = [](__m128i v) { return static_cast<int16_t>(lane1(v)); };
    st.al1 = lo(P.a1), st.ah1 = hi(P.a1), st.al2 = lo(P.a2), st.ah2 = hi(P.a2);
    st.plt = lo(P.p1), st.ph = hi(P.p1), st.rlt = lo(P.r1), st.rh = hi(P.r1);
    st.plt1 = lo(P.p1), st.ph1 = hi(P.p1), st.plt2 = lo(P.p2), st.ph2 = hi(P.p2);
    st.rlt1 = lo(P.r1), st.rh1 = hi(P.r1), st.rlt2 = lo(P.r2), st.rh2 = hi(P.r2);
    st.dlt0 = static_cast<int16_t>(dql), st.dh0 = static_cast<int16_t>(dqh);
    st.szl = lo(P.sz), st.szh = hi(P.sz), st.spl = lo(P.sp), st.sph = hi(P.sp);
    st.sl = lo(P.s), st.sh = hi(P.s);
}

// One pair: dq holds both quantised differences, sz_new the zero-predictor outputs computed
// with them. Returns r (RECONS) of both bands.
VOKS_INLINE __m128i adapt_poles(Poles& P, __m128i dq, __m128i sz_new) {
    const __m128i p = _mm_adds_epi16(P.sz, dq);
    const __m128i r = _mm_adds_epi16(P.s, dq);
    const __m128i zero = _mm_setzero_si128();
    const __m128i differ1 = _mm_srai_epi16(_mm_xor_si128(p, P.p1), 15);
    const __m128i differ2 = _mm_srai_epi16(_mm_xor_si128(p, P.p2), 15);
    // UPPOL2: w = shl(a1, 2), negated (saturating) when p and p1 agree in sign.
    __m128i w = _mm_adds_epi16(P.a1, P.a1);
    w = _mm_adds_epi16(w, w);
    w = _mm_or_si128(_mm_and_si128(differ1, w), _mm_andnot_si128(differ1, _mm_subs_epi16(zero, w)));
    const __m128i c128 = _mm_set1_epi16(128);
    w = _mm_add_epi16(_mm_srai_epi16(w, 7), _mm_sub_epi16(_mm_xor_si128(c128, differ2), differ2));
    w = _mm_add_epi16(w, mul_q15(P.a2, _mm_set1_epi16(32512)));
    const __m128i a2 = _mm_min_epi16(_mm_max_epi16(w, _mm_set1_epi16(-12288)), _mm_set1_epi16(12288));
    // UPPOL1 with the new a2.
    const __m128i c192 = _mm_set1_epi16(192);
    const __m128i a = _mm_add_epi16(mul_q15(P.a1, _mm_set1_epi16(32640)),
                                    _mm_sub_epi16(_mm_xor_si128(c192, differ1), differ1));
    const __m128i l = _mm_sub_epi16(_mm_set1_epi16(15360), a2);
    P.a1 = _mm_min_epi16(_mm_max_epi16(a, _mm_sub_epi16(zero, l)), l);
    P.a2 = a2;
    P.p2 = P.p1;
    P.p1 = p;
    // FILTEP and PREDIC.
    P.r2 = P.r1;
    P.r1 = r;
    P.sp =
        _mm_adds_epi16(mul_q15(P.a1, _mm_adds_epi16(P.r1, P.r1)), mul_q15(P.a2, _mm_adds_epi16(P.r2, P.r2)));
    P.sz = sz_new;
    P.s = _mm_adds_epi16(P.sp, sz_new);
    return r;
}

using Taps = Sse2Kernel::Taps;

VOKS_INLINE void load_taps(const AdpcmState& st, Taps& tl, Taps& th) {
    tl.load(st.bl, st.dlt);
    th.load(st.bh, st.dh);
}

template <int Mode>
void decode_mode(const int16_t* codes, int16_t* sub, int pairs, AdpcmState& st) {
    using band::kT;
    Poles P = load_poles(st);
    Taps tl, th;
    load_taps(st, tl, th);
    int detl = st.detl, nbl = st.nbl, deth = st.deth, nbh = st.nbh;
    int dql = 0, dqh = 0;
    for (int n = 0; n < pairs; ++n) {
        const int il = codes[2 * n] & 63;
        const int ih = codes[2 * n + 1] & 3;
        const int level = Mode == 1 ? kT.qq6[il] : (Mode == 2 ? kT.qq5[il >> 1] : kT.qq4[il >> 2]);
        const int yl = band::lim15(lane0(P.s) + ((detl * level) >> 12));
        const int i4 = il >> 2;
        dql = (detl * kT.qq4[i4]) >> 12;
        nbl = ((nbl * 127) >> 7) + kT.wl4[i4];
        nbl = nbl < 0 ? 0 : (nbl > 18432 ? 18432 : nbl);
        detl = kStep.v[(nbl >> 6) + 64];
        dqh = (deth * kT.qq2[ih]) >> 12;
        nbh = ((nbh * 127) >> 7) + kT.wh2[ih];
        nbh = nbh < 0 ? 0 : (nbh > 22528 ? 22528 : nbh);
        deth = kStep.v[nbh >> 6];
        const int szl = tl.update(dql), szh = th.update(dqh);
        const __m128i r = adapt_poles(P, pair16(dql, dqh), pair16(szl, szh));
        sub[2 * n] = static_cast<int16_t>(yl);
        sub[2 * n + 1] = static_cast<int16_t>(band::lim15(lane1(r)));
    }
    store_poles(P, dql, dqh, st);
    tl.store(st.bl, st.dlt);
    th.store(st.bh, st.dh);
    st.detl = static_cast<int16_t>(detl), st.nbl = static_cast<int16_t>(nbl);
    st.deth = static_cast<int16_t>(deth), st.nbh = static_cast<int16_t>(nbh);
}

}  // namespace

VOKS_AVX2 void avx2::encode(const int16_t* sub, int16_t* codes, int pairs, AdpcmState& st) {
    using band::kT;
    Poles P = load_poles(st);
    Taps tl, th;
    load_taps(st, tl, th);
    int detl = st.detl, nbl = st.nbl, deth = st.deth, nbh = st.nbh;
    int dql = 0, dqh = 0;
    for (int n = 0; n < pairs; ++n) {
        const int s2 = _mm_cvtsi128_si32(P.s);
        const int el = band::lim16(sub[2 * n] - static_cast<int16_t>(s2));
        const int eh = band::lim16(sub[2 * n + 1] - (s2 >> 16));
        // The first pair is quantised from detl itself, later ones from the row of nbl.
        const int il =
            n == 0 ? band::quantl_det(el, detl) : band::quantl_row<Sse2Kernel>(el, band::kThr.v[nbl >> 6]);
        const int ih = band::quanth(eh, deth);
        codes[2 * n] = static_cast<int16_t>(il);
        codes[2 * n + 1] = static_cast<int16_t>(ih);
        const int i4 = il >> 2;
        dql = (detl * kT.qq4[i4]) >> 12;
        nbl = ((nbl * 127) >> 7) + kT.wl4[i4];
        nbl = nbl < 0 ? 0 : (nbl > 18432 ? 18432 : nbl);
        detl = kStep.v[(nbl >> 6) + 64];
        dqh = (deth * kT.qq2[ih]) >> 12;
        nbh = ((nbh * 127) >> 7) + kT.wh2[ih];
        nbh = nbh < 0 ? 0 : (nbh > 22528 ? 22528 : nbh);
        deth = kStep.v[nbh >> 6];
        const int szl = tl.update(dql), szh = th.update(dqh);
        adapt_poles(P, pair16(dql, dqh), pair16(szl, szh));
    }
    store_poles(P, dql, dqh, st);
    tl.store(st.bl, st.dlt);
    th.store(st.bh, st.dh);
    st.detl = static_cast<int16_t>(detl), st.nbl = static_cast<int16_t>(nbl);
    st.deth = static_cast<int16_t>(deth), st.nbh = static_cast<int16_t>(nbh);
}

VOKS_AVX2 void avx2::decode(const int16_t* codes, int16_t* sub, int pairs, int mode, AdpcmState& st) {
    if (mode == 1)
        decode_mode<1>(codes, sub, pairs, st);
    else if (mode == 2)
        decode_mode<2>(codes, sub, pairs, st);
    else
        decode_mode<3>(codes, sub, pairs, st);
}

#undef VOKS_INLINE

}  // namespace voks::g722
#endif

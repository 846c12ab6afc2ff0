// G.726 ADPCM coding loops, shared by the scalar kernels and their AVX2 twins.
//
// The arithmetic is the standard's integer block diagram. Its blocks work on unsigned words
// of fixed widths with explicit sign extension; here each is written on signed integers
// wherever the values provably stay inside the block's word, and with an explicit 16-bit wrap
// where the standard's words do wrap (the predictor sums, the reconstructed signal, the
// coefficient updates). The state is loaded into locals once per call.
//
// The loops take a predictor policy P that holds the eight predictor coefficients
// (b1..b6, a1, a2) and the signals they weight (dq1..dq6, sr1, sr2), forms the signal
// estimate (FMULT, ACCUM) and updates the zero coefficients (XOR, UPB, TRIGB). Everything
// here has internal linkage: a translation unit compiled for a vector level gets its own copy.
//
// Include this header only after <cstdint>, g726_internal.h and g726_tables.h.
#ifndef VOKS_G726_G726_ADPCM_H
#define VOKS_G726_G726_ADPCM_H

#include <cstdint>

#include "g726/g726_internal.h"
#include "g726/g726_tables.h"

// Functions here carry VOKS_G726_TARGET: nothing for the scalar kernels, the AVX2 target where
// the AVX2 twins include this header, so that their vector predictor inlines into the loops.
#ifndef VOKS_G726_TARGET
#define VOKS_G726_TARGET
#endif

namespace voks::g726 {
namespace {

// Bit length of a value in 1..2^31 - 1.
VOKS_G726_TARGET inline int bit_length(uint32_t x) {
    return 32 - __builtin_clz(x);
}

VOKS_G726_TARGET inline int wrap16(int x) {
    return static_cast<int16_t>(static_cast<uint16_t>(x));
}

VOKS_G726_TARGET inline int clamp(int x, int lo, int hi) {
    return x < lo ? lo : (x > hi ? hi : x);
}

// Magnitude (0..32767) to the 10-bit exponent-mantissa part of the 11-bit float format: a
// 4-bit exponent (bit length) and a 6-bit mantissa with its leading one; zero is 0, 32.
VOKS_G726_TARGET inline int to_float(int mag) {
    const int zero = mag == 0;
    const int t = mag | zero;
    const int e = bit_length(static_cast<uint32_t>(t));
    return (e - zero) << 6 | ((t << 6) >> e);
}

// Product of a coefficient (16-bit two's complement, Q14) and a signal in 11-bit float,
// formed in the float domain (FMULT); returns a signed 16-bit result.
VOKS_G726_TARGET inline int fmult(int coef, int fl) {
    const int neg = coef < 0;
    const int mag = neg ? (-(coef >> 2)) & 8191 : coef >> 2;
    const int cf = kCoefFloat[mag];
    const int e = (cf >> 6) + ((fl >> 6) & 15);         // 0..28
    const int m = (((cf & 63) * (fl & 63)) + 48) >> 4;  // 8 bits
    // (m << 7) scaled by 2^(e - 26), truncated: one right shift of m << 9 since e <= 28.
    const int prod = ((m << 9) >> (28 - e)) & 32767;
    return (neg ^ ((fl >> 10) & 1)) ? -prod : prod;
}

// Normalised log magnitude (LOG then SUBTB): 12-bit log2 of |d| less y/4.
VOKS_G726_TARGET inline int log_norm(int dmag, int y) {
    const int e = bit_length(static_cast<uint32_t>(dmag | 1)) - 1;
    const int dl = e << 7 | (((dmag << 7) >> e) & 127);
    return (dl - (y >> 2)) & 4095;
}

// The predictor as plain arrays: the definition the vector twins reproduce.
struct ScalarPredictor {
    int b[6];
    int dq[6];  // dq1..dq6 in 11-bit float
    int a1, a2;
    int sr1, sr2;

    void load(const Core& s) {
        for (int k = 0; k < 6; ++k) {
            b[k] = s.b[k];
            dq[k] = s.dq[k] & 2047;
        }
        a1 = s.a[0];
        a2 = s.a[1];
        sr1 = s.sr[0] & 2047;
        sr2 = s.sr[1] & 2047;
    }
    void store(Core& s) const {
        for (int k = 0; k < 6; ++k) {
            s.b[k] = static_cast<int16_t>(b[k]);
            s.dq[k] = static_cast<int16_t>(dq[k]);
        }
        s.a[0] = static_cast<int16_t>(a1);
        s.a[1] = static_cast<int16_t>(a2);
        s.sr[0] = static_cast<int16_t>(sr1);
        s.sr[1] = static_cast<int16_t>(sr2);
    }
    // Signal estimate se and partial estimate sez (15-bit values, signed).
    void predict(int& se, int& sez) const {
        int sum = 0;
        for (int k = 0; k < 6; ++k) sum += fmult(b[k], dq[k]);
        sez = wrap16(sum) >> 1;
        sum += fmult(a2, sr2) + fmult(a1, sr1);
        se = wrap16(sum) >> 1;
    }
    // Zero-coefficient update from the new difference (sign dqs, magnitude dqmag), the
    // triggers, then the new pole coefficients and the delay lines.
    template <int kLeak>
    void update(int dqs, int dqmag, int tr, int a1p, int a2p, int dq0, int sr0) {
        const int ugb = dqmag == 0 ? 0 : 128;
        for (int k = 0; k < 6; ++k) {
            const int u = dqs ^ (dq[k] >> 10);
            const int bp = wrap16(b[k] + (u ? -ugb : ugb) - (b[k] >> kLeak));
            b[k] = tr ? 0 : bp;
        }
        a1 = a1p;
        a2 = a2p;
        // Written out: as a loop the compiler turns the shift into a library call.
        dq[5] = dq[4];
        dq[4] = dq[3];
        dq[3] = dq[2];
        dq[2] = dq[1];
        dq[1] = dq[0];
        dq[0] = dq0;
        sr2 = sr1;
        sr1 = sr0;
    }
};

// The remaining adaptive variables.
struct Scalars {
    int yl, yu, dms, dml, ap, td, pk1, pk2;

    void load(const Core& s) {
        yl = s.yl & 0x7FFFF;
        yu = s.yu & 8191;
        dms = s.dms & 4095;
        dml = s.dml & 16383;
        ap = s.ap & 1023;
        td = s.td & 1;
        pk1 = s.pk[0] & 1;
        pk2 = s.pk[1] & 1;
    }
    void store(Core& s) const {
        s.yl = yl;
        s.yu = static_cast<int16_t>(yu);
        s.dms = static_cast<int16_t>(dms);
        s.dml = static_cast<int16_t>(dml);
        s.ap = static_cast<int16_t>(ap);
        s.td = static_cast<int16_t>(td);
        s.pk[0] = static_cast<int16_t>(pk1);
        s.pk[1] = static_cast<int16_t>(pk2);
    }
    // Quantiser scale factor y (LIMA, MIX).
    int scale() const {
        const int al = ap >= 256 ? 64 : ap >> 2;
        const int ylr = yl >> 6;
        const int dif = yu - ylr;
        const int prod = ((dif < 0 ? -dif : dif) * al) >> 6;
        return (ylr + (dif < 0 ? -prod : prod)) & 8191;
    }
};

// Everything after the code is known: inverse quantiser, scale-factor and speed adaptation,
// predictor update, tone and transition detection. Returns the reconstructed signal sr
// (16-bit, signed).
template <int R, class P>
VOKS_G726_TARGET inline int update(Scalars& v, P& p, int i, int y, int se, int sez) {
    constexpr int kBits = R + 2;
    const CodeInfo& ci = kRateTables[R].code[i];
    const int dqs = i >> (kBits - 1);

    // Inverse quantiser (ADDA, ANTILOG): dq in sign-magnitude.
    const int dql = (ci.dqln + (y >> 2)) & 4095;
    // Zero when bit 11 (the sign of the log value) is set; masked rather than branched on,
    // since it follows the signal.
    const int dqmag = ((((dql & 127) + 128) << 7) >> ((14 - (dql >> 7)) & 15)) & ((dql >> 11) - 1);

    // Transition detector on the old slow scale factor (TRANS).
    const int ylint = v.yl >> 15;
    const int thr = ylint > 9 ? 31744 : (((v.yl >> 10) & 31) + 32) << ylint;
    const int tr = v.td & (dqmag > ((thr + (thr >> 1)) >> 1));

    // Speed control averages (FUNCTF, FILTA, FILTB).
    v.dms += ((ci.fi << 9) - v.dms) >> 5;
    v.dml += ((ci.fi << 11) - v.dml) >> 7;

    // Scale factor adaptation (FUNCTW, FILTD, LIMB, FILTE).
    const int yut = (y + ((ci.wi * 32 - y) >> 5)) & 8191;
    v.yu = clamp(yut, 544, 5120);
    v.yl = (v.yl + v.yu + ((-v.yl) >> 6)) & 0x7FFFF;

    // Reconstruction (ADDB, ADDC) and float conversion (FLOATA, FLOATB).
    const int dqv = dqs ? -dqmag : dqmag;
    const int pz = dqv + sez;
    const int pk0 = (pz >> 15) & 1;
    const int sigpk = (pz & 0xFFFF) == 0;
    const int sr = wrap16(dqv + se);
    const int srmag = sr < 0 ? (-sr) & 32767 : sr;
    const int sr0 = (sr < 0) << 10 | to_float(srmag);
    const int dq0 = dqs << 10 | to_float(dqmag);

    // Pole predictor (UPA2, LIMC, UPA1, LIMD).
    const int a1 = p.a1, a2 = p.a2;
    const int a1c = clamp(a1, -8191, 8191) * 4;
    const int fa = (pk0 ^ v.pk1) ? a1c : -a1c;
    const int uga2 = sigpk ? 0 : (((pk0 ^ v.pk2) ? -16384 : 16384) + fa) >> 7;
    const int a2p = clamp(wrap16(a2 + uga2 - (a2 >> 7)), -12288, 12288);
    const int uga1 = sigpk ? 0 : ((pk0 ^ v.pk1) ? -192 : 192);
    const int a1p = clamp(wrap16(a1 + uga1 - (a1 >> 8)), a2p - 15360, 15360 - a2p);

    // Tone detector and speed control (TONE, SUBTC, FILTC, TRIGA).
    const int tdp = a2p < -11776;
    const int dmd = (v.dms << 2) - v.dml;
    const int ax = 1 - ((y >= 1536) & ((dmd < 0 ? -dmd : dmd) < (v.dml >> 3)) & (tdp ^ 1));
    const int app = (v.ap + (((ax << 9) - v.ap) >> 4)) & 1023;

    // Zero predictor and the triggers (TRIGB, TRIGA).
    p.template update<R == 3 ? 9 : 8>(dqs, dqmag, tr, tr ? 0 : a1p, tr ? 0 : a2p, dq0, sr0);
    v.td = tr ? 0 : tdp;
    v.ap = tr ? 256 : app;
    v.pk2 = v.pk1;
    v.pk1 = pk0;
    return sr;
}

template <int R, class P>
VOKS_G726_TARGET void encode_rate(Core& s, const int16_t* x, uint8_t* codes, int n) {
    const uint8_t* quant = kRateTables[R].quant;
    Scalars v;
    P p;
    v.load(s);
    p.load(s);
    for (int j = 0; j < n; ++j) {
        int se, sez;
        p.predict(se, sez);
        const int y = v.scale();
        const int d = clamp(x[j], -8192, 8191) - se;
        const int neg = d < 0;
        const int i = quant[neg << 12 | log_norm(neg ? -d : d, y)];
        codes[j] = static_cast<uint8_t>(i);
        update<R>(v, p, i, y, se, sez);
    }
    v.store(s);
    p.store(s);
}

// G.711 compression of the reconstructed signal, in the coder's internal code form.
VOKS_G726_TARGET inline int compress_alaw(int sr) {
    const int neg = sr < 0;
    int im = neg ? (-sr) & 32767 : sr;
    if (sr == -32768) im = 2;
    int mag = neg ? ((im + 1) >> 1) - 1 : im >> 1;
    if (mag > 4095) mag = 4095;
    const int seg = mag < 32 ? 0 : bit_length(static_cast<uint32_t>(mag | 1)) - 5;
    const int mant = (mag >> (seg == 0 ? 1 : seg)) & 15;
    return (neg ? 0 : 0x80) | seg << 4 | mant;
}

VOKS_G726_TARGET inline int compress_ulaw(int sr) {
    const int neg = sr < 0;
    const int im = neg ? (-sr) & 32767 : sr;
    const int t = (im > 8158 ? 8158 : im) + 33;
    const int seg = bit_length(static_cast<uint32_t>(t)) - 6;
    const int mant = (t >> (seg + 1)) & 15;
    return ((neg ? 0x80 : 0) | seg << 4 | mant) ^ 0xFF;
}

template <int R, int L, class P>
VOKS_G726_TARGET void decode_rate(Core& s, const uint8_t* codes, int16_t* out, int n) {
    constexpr int kHalf = 1 << (R + 1);
    constexpr int kMask = (1 << (R + 2)) - 1;
    const uint8_t* quant = kRateTables[R].quant;
    Scalars v;
    P p;
    v.load(s);
    p.load(s);
    for (int j = 0; j < n; ++j) {
        int se, sez;
        p.predict(se, sez);
        const int y = v.scale();
        const int i = codes[j] & kMask;
        const int sr = update<R>(v, p, i, y, se, sez);
        if constexpr (L == kLawLinear) {
            out[j] = static_cast<int16_t>(clamp(sr, -8192, 8191));
        } else {
            // Synchronous coding adjustment: requantise the G.711 value and step the code
            // one level toward the received code when the two disagree.
            const LawTables& lt = kLawTables[L];
            const int sp = L == kLawA ? compress_alaw(sr) : compress_ulaw(sr);
            const int dx = lt.expand[sp] - se;
            const int neg = dx < 0;
            const int id = quant[neg << 12 | log_norm(neg ? -dx : dx, y)];
            const int rd = id ^ kHalf;
            const int ri = i ^ kHalf;
            int sd = sp;
            if (rd > ri) sd = lt.lower[sp];
            if (rd < ri) sd = lt.higher[sp];
            out[j] = static_cast<int16_t>(L == kLawA ? sd ^ 0x55 : sd);
        }
    }
    v.store(s);
    p.store(s);
}

template <class P>
VOKS_G726_TARGET void encode_any(Core& s, const int16_t* x, uint8_t* codes, int n) {
    switch (s.rate & 3) {
        case 0:
            encode_rate<0, P>(s, x, codes, n);
            break;
        case 1:
            encode_rate<1, P>(s, x, codes, n);
            break;
        case 2:
            encode_rate<2, P>(s, x, codes, n);
            break;
        default:
            encode_rate<3, P>(s, x, codes, n);
            break;
    }
}

template <int L, class P>
VOKS_G726_TARGET void decode_law(Core& s, const uint8_t* codes, int16_t* out, int n) {
    switch (s.rate & 3) {
        case 0:
            decode_rate<0, L, P>(s, codes, out, n);
            break;
        case 1:
            decode_rate<1, L, P>(s, codes, out, n);
            break;
        case 2:
            decode_rate<2, L, P>(s, codes, out, n);
            break;
        default:
            decode_rate<3, L, P>(s, codes, out, n);
            break;
    }
}

template <class P>
VOKS_G726_TARGET void decode_any(Core& s, int32_t law, const uint8_t* codes, int16_t* out, int n) {
    if (law == kLawMu)
        decode_law<kLawMu, P>(s, codes, out, n);
    else if (law == kLawA)
        decode_law<kLawA, P>(s, codes, out, n);
    else
        decode_law<kLawLinear, P>(s, codes, out, n);
}

}  // namespace
}  // namespace voks::g726

#endif  // VOKS_G726_G726_ADPCM_H

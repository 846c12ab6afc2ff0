// G.728 filters: zero-input and zero-state responses of the synthesis and perceptual
// weighting filters in block floating point, and the post-filter adapter's LPC inverse filter
// and pitch extraction.
#include <algorithm>
#include <cstring>

#include "common/basicop.h"
#include "g728/g728_internal.h"
#include "g728/kernels.h"

namespace voks::g728 {

namespace {

// Moves x[0..n-1) one place older (the memory of a tapped delay line).
inline void age(int16_t* x, int n) {
    for (int k = n - 1; k > 0; --k) x[k] = x[k - 1];
}

int64_t shr(int64_t x, int n) {
    return x >> std::min(n, 63);
}

int64_t dot(const int16_t* a, const int16_t* b, int n) {
    int64_t s = 0;
    for (int i = 0; i < n; ++i) s += int32_t{a[i]} * b[i];
    return s;
}

// x * 2^-q converted to exponent `to` (16 bits, saturated on left shifts).
int16_t rescale(int16_t x, int q, int to) {
    const int ir = q - to;
    if (ir >= 0) return ir > 14 ? (x < 0 ? -1 : 0) : static_cast<int16_t>(x >> ir);
    if (-ir > 14) return x == 0 ? 0 : (x > 0 ? MAX_16 : MIN_16);
    return sat16(int32_t{x} * (1 << -ir));
}

}  // namespace

void advance(SynthMem& s) {
    std::memmove(s.d + kDim, s.d, sizeof(int16_t) * (kMemVectors - 1) * kDim);
    std::memmove(s.q + 1, s.q, sizeof(int16_t) * (kMemVectors - 1));
    std::fill(s.d, s.d + kDim, int16_t{0});
}

void zir_synthesis(const int16_t* a, SynthMem& s) {
    int16_t* d = s.d;
    const int q0 = *std::min_element(s.q + 1, s.q + kMemVectors);
    s.q[0] = static_cast<int16_t>(q0);
    int64_t past[kDim];
    kernels().zir_past(d, s.q, a, past);
    // Then the samples of the current vector already formed, oldest sample first.
    for (int i = 0, k = kDim; i < kDim; ++i) {
        const int64_t t = past[i] - dot(d + k, a, i);
        d[--k] = sat16(t >> 14);
    }
    s.q[0] = static_cast<int16_t>(s.q[0] + vnormalize(d, 15, kDim));
}

void weight_filter(const int16_t* b, const int16_t* a, const int16_t* bmem, int16_t* amem) {
    // Without coefficients the filter passes its input: the same outputs, formed directly.
    if (std::all_of(b, b + kOrderW, [](int16_t v) { return v == 0; }) &&
        std::all_of(a, a + kOrderW, [](int16_t v) { return v == 0; })) {
        std::copy_backward(amem, amem + kOrderW - kDim, amem + kOrderW);
        std::copy(bmem, bmem + kDim, amem);
        return;
    }
    // Outputs newest first in front of the past ones: output i sees y[5 - i ..] as its past.
    int16_t y[kDim + kOrderW];
    std::copy(amem, amem + kOrderW, y + kDim);
    for (int i = 0; i < kDim; ++i) {
        const int16_t* x = bmem + kDim - 1 - i;
        const int64_t t = int64_t{x[0]} * 16384 + dot(b, x + 1, kOrderW) - dot(a, y + kDim - i, kOrderW);
        y[kDim - 1 - i] = sat16(t >> 14);
    }
    std::copy(y, y + kOrderW, amem);
}

void zir_weighting(const int16_t* awz, const int16_t* awp, const SynthMem& s, int16_t* zirwiir) {
    int16_t x[kDim + kOrderW];
    for (int v = 0; v < 3; ++v)
        for (int j = 0; j < kDim; ++j) x[v * kDim + j] = rescale(s.d[v * kDim + j], s.q[v], 2);
    weight_filter(awz, awp, x, zirwiir);
}

void zero_state(int16_t* et, int& etq, const int16_t* a, SynthMem& s, const int16_t* awz, const int16_t* awp,
                int16_t* zirwiir, int16_t* wiir) {
    constexpr int64_t kMax28 = 268435455, kMin28 = -268435456;
    int16_t zsr[kDim];
    // Synthesis of the excitation from zero state; halve the excitation until no sample needs
    // more than 15 bits.
    for (int i = 0; i < kDim;) {
        const int j = kDim - 1 - i;
        int64_t d = int64_t{et[j]} * 16384 - dot(a, zsr + kDim - i, i);
        if (d > kMax28 || d < kMin28) {
            for (int k = 0; k < kDim; ++k) et[k] = static_cast<int16_t>(et[k] >> 1);
            --etq;
            i = 0;
            continue;
        }
        zsr[j] = static_cast<int16_t>(d >> 14);
        ++i;
    }
    if (awz) {
        const int diff = etq - 2;
        for (int i = 0; i < kDim; ++i) {
            const int j = kDim - 1 - i;
            const int64_t d =
                int64_t{zsr[j]} * 16384 + dot(awz, zsr + kDim - i, i) - dot(awp, wiir + kDim - i, i);
            int64_t v = sat16(d >> 14);
            wiir[j] = static_cast<int16_t>(v);
            if (diff > 0)
                v = shr(v, diff);
            else if (diff < 0)
                v *= int64_t{1} << std::min(-diff, 40);
            zirwiir[j] = sat16(v + zirwiir[j]);
        }
    }
    int16_t* d0 = s.d;
    const int diff = s.q[0] - etq;
    if (diff > 0) {
        for (int i = 0; i < kDim; ++i) d0[i] = static_cast<int16_t>(shr(d0[i], diff));
        s.q[0] = static_cast<int16_t>(etq);
    } else if (diff < 0) {
        for (int i = 0; i < kDim; ++i) zsr[i] = static_cast<int16_t>(shr(zsr[i], -diff));
    }
    // Clipping level: 4095 at the sample scale (the level computed as a 32-bit int).
    int32_t maxi, mini;
    const int q = s.q[0];
    if (q < 0) {
        maxi = 4095 >> std::min(-q, 31);
        mini = -maxi;
    } else {
        maxi = static_cast<int32_t>(static_cast<uint32_t>(4095) << std::min(q, 31));
        if (maxi > MAX_16) {
            maxi = MAX_16;
            mini = MIN_16;
        } else {
            mini = static_cast<int32_t>(0u - static_cast<uint32_t>(maxi));  // wraps as a 32-bit int
        }
    }
    for (int i = 0; i < kDim; ++i) {
        const int32_t v = int32_t{d0[i]} + zsr[i];
        d0[i] = static_cast<int16_t>(v > maxi ? maxi : (v < mini ? mini : v));
    }
    s.q[0] = static_cast<int16_t>(s.q[0] + vnormalize(d0, 14, kDim));
}

void iir16(const int16_t* c, const int16_t* x, int16_t* y, int n, int16_t* xh, int16_t* yh) {
    // Chunks of up to kChunk samples, newest first in front of the past ten: sample i of a chunk
    // of m sees xs[m - i ..] and ys[m - i ..] as its past inputs and outputs.
    constexpr int kChunk = 32;
    int16_t xs[kChunk + kOrderW], ys[kChunk + kOrderW];
    for (int done = 0; done < n;) {
        const int m = std::min(n - done, kChunk);
        std::copy(xh, xh + kOrderW, xs + m);
        std::copy(yh, yh + kOrderW, ys + m);
        for (int i = 0; i < m; ++i) {
            const int16_t xi = x[done + i];
            const int64_t t =
                int64_t{xi} * 16384 + dot(c, xs + m - i, kOrderW) - dot(c + kOrderW, ys + m - i, kOrderW);
            xs[m - 1 - i] = xi;
            ys[m - 1 - i] = sat16(t >> 14);
            y[done + i] = ys[m - 1 - i];
        }
        std::copy(xs, xs + kOrderW, xh);
        std::copy(ys, ys + kOrderW, yh);
        done += m;
    }
}

void post_filter(int g0, int g1, int period, int mu, const int16_t* c, const int16_t* x, int16_t* out,
                 int16_t* th, int16_t* yh) {
    for (int n = 0; n < kDim; ++n) {
        const int64_t l = int64_t{g0} * x[n] + int64_t{g1} * x[n - period];
        const int64_t p = l + dot(c, th, kOrderW) - dot(c + kOrderW, yh, kOrderW);
        const int64_t t = std::max<int64_t>(MIN_16, (std::min<int64_t>(l, 0x1FFFDFFF) + 8192) >> 14);
        age(th, kOrderW);
        th[0] = static_cast<int16_t>(t);
        const int16_t y1 = yh[0];
        age(yh, kOrderW);
        yh[0] = sat16(p >> 14);
        out[n] = sat16((p + int64_t{mu} * y1) >> 14);
    }
}

void lpc_inverse(const int16_t* apf, const int16_t* st, int16_t* stlpci, int16_t* resid) {
    // The new samples in front of the past ten: sample k sees x[k + 1 ..] as its past.
    int16_t x[kDim + kOrderW];
    std::copy(st, st + kDim, x);
    std::copy(stlpci, stlpci + kOrderW, x + kDim);
    for (int k = kDim - 1; k >= 0; --k) {
        const int64_t a0 = (int64_t{x[k]} * 8192 + dot(x + k + 1, apf, kOrderW)) * 4;
        resid[k] = static_cast<int16_t>(round16(sat32(a0)));
    }
    std::copy(x, x + kOrderW, stlpci);
}

namespace {

constexpr int kNdec = 4;
constexpr int kWin = 100;  // pitch analysis window

// Lag in lo..hi of the largest correlation of f over sz samples (the first on ties).
int max_corr(int lo, int hi, int sz, const int16_t* f, int64_t& best) {
    int64_t c[kPitchMax + 1];
    kernels().xcorr(f, f + lo, sz, hi - lo + 1, c);
    int kp = lo;
    int64_t a1 = MIN_32;
    for (int i = lo; i <= hi; ++i) {
        const int64_t a0 = sat32(c[i - lo]);
        if (a0 > a1) {
            a1 = a0;
            kp = i;
        }
    }
    best = a1;
    return kp;
}

int64_t energy(const int16_t* x, int n) {
    int64_t e;
    kernels().xcorr(x, x, n, 1, &e);
    return sat32(e);
}

}  // namespace

int pitch_extract(int kpold, const int16_t* pitchd, int16_t* dec, int16_t* lpfiir) {
    static constexpr int16_t al[3] = {-19172, 16481, -5031};
    static constexpr int16_t bl[4] = {18721, -3668, -3668, 18721};
    // Low-pass filter and 4:1 decimation of the newest 20 residual samples.
    for (int i = 19; i >= 0; --i) {
        int64_t t = dot(pitchd + i, bl, 4) >> 6;
        t -= dot(lpfiir, al, 3);
        lpfiir[2] = lpfiir[1];
        lpfiir[1] = lpfiir[0];
        lpfiir[0] = static_cast<int16_t>(round16(sat32(t * 8)));
        if ((i & (kNdec - 1)) == 0) dec[i >> 2] = lpfiir[0];
    }
    int64_t c;
    const int kpdec = max_corr(kPitchMin / kNdec, kPitchMax / kNdec, kWin / kNdec, dec, c);
    int lo = std::max(kNdec * kpdec - (kNdec - 1), kPitchMin);
    int hi = std::min(kNdec * kpdec + (kNdec - 1), kPitchMax);
    int64_t cormax, cmax;
    int kp = max_corr(lo, hi, kWin, pitchd, cormax);
    // A lag near the previous period wins over a multiple of it when its tap is close enough.
    lo = std::max(kpold - 6, kPitchMin);
    hi = kpold + 6;
    if (hi < kp) {
        const int kptmp = max_corr(lo, hi, kWin, pitchd, cmax);
        int64_t e1 = energy(pitchd + kptmp, kWin);
        int64_t e0 = energy(pitchd + kp, kWin);
        cormax = std::clamp<int64_t>(cormax, 0, e0);
        cmax = std::clamp<int64_t>(cmax, 0, e1);
        int nls;
        if (e0 > e1) {
            nls = normalize(e0, 32);
            e1 <<= nls;
        } else {
            nls = normalize(e1, 32);
            e0 <<= nls;
        }
        const int64_t sum = e0 >> 16, tmp = e1 >> 16;
        cormax = (cormax << nls) >> 16;
        cmax = (cmax << nls) >> 16;
        if (cmax * sum > ((cormax * tmp) >> 16) * 26214) kp = kptmp;
    }
    std::memmove(dec + kDim, dec, sizeof(int16_t) * (kPitchBuf / kNdec - kDim));
    return kp;
}

}  // namespace voks::g728

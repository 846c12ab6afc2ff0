// The G.728 scalar kernels: the definitions the AVX2 twins equal.
#include "g728/g728_loops.h"
#include "g728/g728_tables.h"
#include "g728/kernels.h"

namespace voks::g728::scalar {

namespace {

struct Ops {
    VOKS_SCALAR static int64_t dot(const int16_t* a, const int16_t* rr, int n) {
        int64_t s = 0;
        for (int k = 0; k < n; ++k) s += int32_t{a[k]} * rr[k];
        return s;
    }
    VOKS_SCALAR static bool update(const int16_t* a, int i, int32_t rc, int16_t ai, int16_t* upd) {
        int over = 0;
        for (int f = 0; f < i; ++f) {
            int32_t v;
            over |= __builtin_add_overflow(int32_t{a[f]} * 65536, rc * a[i - 1 - f], &v);
            const int32_t b = v >> 16;
            upd[f] = static_cast<int16_t>(b + ((v >> 15) & 1 & int32_t{b != 32767}));
        }
        upd[i] = ai;
        return over != 0;
    }
    // Every codevector's magnitudes sum to at most 40782, so the correlations, the gain-cell
    // bounds and the distortions all stay within 32 bits.
    VOKS_SCALAR static void distortions(const int16_t* ct, const int16_t* y2, int32_t* dist, uint8_t* cell) {
        for (int shape = 0; shape < kShapeCount; ++shape) {
            const int16_t* y = kShapes + shape * kDim;
            int32_t cor = 0;
            for (int m = 0; m < kDim; ++m) cor += y[m] * ct[m];
            const int32_t ysq = y2[shape];
            const bool neg = cor <= 0;
            const int32_t c = neg ? -cor : cor;
            const int g = c <= kGainBound[0] * ysq   ? 0
                          : c <= kGainBound[1] * ysq ? 1
                          : c <= kGainBound[2] * ysq ? 2
                                                     : 3;
            const int32_t cq = std::min(c >> 14, int32_t{MAX_16});
            dist[shape] = kGainSq[g] * ysq - kGain2[g] * cq;
            cell[shape] = static_cast<uint8_t>(neg ? g + 4 : g);
        }
    }
};

}  // namespace

bool durbin(const int16_t* r, int i, int order, int16_t* a, int16_t* rc1, int16_t* alpha, int16_t* iaq) {
    return durbin_loop<Ops>(r, i, order, a, rc1, alpha, iaq);
}

VOKS_SCALAR void xcorr(const int16_t* x, const int16_t* y, int n, int nlags, int64_t* out) {
    for (int l = 0; l < nlags; ++l) out[l] = Ops::dot(x, y + l, n);
}

void search16(const int16_t* t, int tq, const int16_t* h, const int16_t* y2, int& ig, int& is) {
    search16_loop<Ops>(t, tq, h, y2, ig, is);
}

void distortions16(const int16_t* ct, const int16_t* y2, int32_t* dist, uint8_t* cell) {
    Ops::distortions(ct, y2, dist, cell);
}

VOKS_SCALAR void energies(const int16_t* h, int16_t* y2) {
    for (int i = 0; i < kShapeCount; ++i) {
        const int16_t* y = kShapes + i * kDim;
        // The codevectors' magnitudes sum to at most 40782: each convolved sample fits 32 bits.
        int64_t s = 0;
        for (int j = 0; j < kDim; ++j) {
            // Sample j of y convolved with h (h newest first: h[4] is the first tap).
            int32_t d = 0;
            for (int m = 0; m < kDim - j; ++m) d += y[j + m] * h[kDim - 1 - m];
            const int32_t v = sat16(d >> 14);
            s += v * v;
        }
        y2[i] = sat16(sat32(s) >> 15);
    }
}

VOKS_SCALAR void zir_past(const int16_t* d, const int16_t* q, const int16_t* a, int64_t* past) {
    const int q0 = *std::min_element(q + 1, q + kMemVectors);
    // Output i takes taps i + 5 (j - 1) .. of vector j; past tap 50 the coefficients are zero,
    // so the oldest vector supplies only its first 5 - i taps.
    int16_t ap[kOrder + kDim];
    std::copy(a, a + kOrder, ap);
    std::fill(ap + kOrder, ap + kOrder + kDim, int16_t{0});
    std::fill(past, past + kDim, int64_t{0});
    for (int j = 1; j < kMemVectors; ++j) {
        const int16_t* dj = d + j * kDim;
        const int16_t* c = ap + kDim * (j - 1);
        const int shift = q[j] - q0;
        if (j == kMemVectors - 1 && shift >= 30) continue;
        int64_t tf[kDim];
        for (int i = 0; i < kDim; ++i)
            tf[i] = -(int64_t{int32_t{dj[0]} * c[i]} + int32_t{dj[1]} * c[i + 1] + int32_t{dj[2]} * c[i + 2] +
                      int32_t{dj[3]} * c[i + 3] + int32_t{dj[4]} * c[i + 4]);
        if (shift > 30) {
            for (int i = 0; i < kDim; ++i) past[i] -= tf[i] < 0 ? 1 : 0;
        } else {
            for (int i = 0; i < kDim; ++i) past[i] += tf[i] >> shift;
        }
    }
}

}  // namespace voks::g728::scalar

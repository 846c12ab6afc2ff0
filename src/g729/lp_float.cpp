// Single-precision G.729 linear prediction (the arithmetic of the G.729 floating-point
// reference, Annexes C and C+): Levinson-Durbin, LPC <-> LSP, LSF decoding and erasure, the
// Annex E LSF quantiser and hybrid-window analysis.
#include <cfloat>
#include <cmath>
#include <cstring>

#include "g729/lp_internal.h"
#include "g729/lp_tables.h"

namespace voks::g729 {

namespace {

constexpr int kHalf = kOrder / 2;
constexpr float kPi = 3.14159265358979323846f;
constexpr float kGap1 = 0.0012f, kGap2 = 0.0006f, kGap3 = 0.0392f;
constexpr float kFloor = 0.005f, kCeiling = 3.135f;

float cheb(float x, const float* f) {
    const float x2 = 2.0f * x;
    float b2 = 1.0f;
    float b1 = x2 + f[1];
    for (int i = 2; i < kHalf; ++i) {
        const float b0 = x2 * b1 - b2 + f[i];
        b2 = b1;
        b1 = b0;
    }
    return x * b1 - b2 + 0.5f * f[kHalf];
}

void lsp_poly(const float* lsp, float* f) {
    f[0] = 1.0f;
    float b = -2.0f * lsp[0];
    f[1] = b;
    for (int i = 2; i <= kHalf; ++i) {
        b = -2.0f * lsp[2 * i - 2];
        f[i] = b * f[i - 1] + 2.0f * f[i - 2];
        for (int j = i - 1; j > 1; --j) f[j] += b * f[j - 1] + f[j - 2];
        f[1] += b;
    }
}

}  // namespace

// Lsp_expand over elements [from, to) in single precision.
void lsf_expand_f(float* buf, float gap, int from, int to) {
    for (int j = from; j < to; ++j) {
        const float t = (buf[j - 1] - buf[j] + gap) * 0.5f;
        if (t > 0) {
            buf[j - 1] -= t;
            buf[j] += t;
        }
    }
}

void lsf_prev_compose_f(const float* res, float* lsf, const float (*fg)[kOrder], const float* mem,
                        const float* fg_sum) {
    for (int j = 0; j < kOrder; ++j) {
        lsf[j] = res[j] * fg_sum[j];
        for (int k = 0; k < kMaPred; ++k) lsf[j] += mem[k * kOrder + j] * fg[k][j];
    }
}

void lsf_prev_extract_f(const float* lsf, float* res, const float (*fg)[kOrder], const float* mem,
                        const float* fg_sum_inv) {
    for (int j = 0; j < kOrder; ++j) {
        res[j] = lsf[j];
        for (int k = 0; k < kMaPred; ++k) res[j] -= mem[k * kOrder + j] * fg[k][j];
        res[j] *= fg_sum_inv[j];
    }
}

void lsf_mem_push_f(float* mem, const float* res) {
    std::memmove(mem + kOrder, mem, sizeof(float) * (kMemLen - kOrder));
    std::memcpy(mem, res, sizeof(float) * kOrder);
}

void lsf_stability_f(float* lsf) {
    for (int j = 0; j < kOrder - 1; ++j)
        if (lsf[j + 1] - lsf[j] < 0.0f) {
            const float t = lsf[j + 1];
            lsf[j + 1] = lsf[j];
            lsf[j] = t;
        }
    if (lsf[0] < kFloor) lsf[0] = kFloor;
    for (int j = 0; j < kOrder - 1; ++j)
        if (lsf[j + 1] - lsf[j] < kGap3) lsf[j + 1] = lsf[j] + kGap3;
    if (lsf[kOrder - 1] > kCeiling) lsf[kOrder - 1] = kCeiling;
}

void lsf_weights_f(const float* lsf, float* w) {
    auto weight = [](float t) { return t > 0.0f ? 1.0f : t * t * 10.0f + 1.0f; };
    w[0] = weight(lsf[1] - kPi * 0.04f - 1.0f);
    for (int i = 1; i < kOrder - 1; ++i) w[i] = weight(lsf[i + 1] - lsf[i - 1] - 1.0f);
    w[kOrder - 1] = weight(kPi * 0.92f - lsf[kOrder - 2] - 1.0f);
    w[4] *= 1.2f;
    w[5] *= 1.2f;
}

namespace {

void codebook_vector(int l1, int l2, int l3, float* buf) {
    for (int j = 0; j < kHalf; ++j) buf[j] = kLspCb1F[l1][j] + kLspCb2F[l2][j];
    for (int j = kHalf; j < kOrder; ++j) buf[j] = kLspCb1F[l1][j] + kLspCb2F[l3][j];
    lsf_expand_f(buf, kGap1, 1, kOrder);
    lsf_expand_f(buf, kGap2, 1, kOrder);
}

// Index of the first entry with the smallest weighted distance over elements [j0, j1).
int nearest(const float* t, const float* cb, int entries, const float* w, int j0, int j1) {
    int best = 0;
    float dmin = 1.e38f;
    for (int i = 0; i < entries; ++i) {
        float d = 0.0f;
        for (int j = j0; j < j1; ++j) {
            const float e = t[j] - cb[i * kOrder + j];
            d += w ? w[j] * e * e : e * e;
        }
        if (d < dmin) {
            dmin = d;
            best = i;
        }
    }
    return best;
}

}  // namespace

float levinson_f(const float* r, int order, float* a, float* rc) {
    rc[0] = -r[1] / r[0];
    a[0] = 1.0f;
    a[1] = rc[0];
    float err = r[0] + r[1] * rc[0];
    for (int i = 2; i <= order; ++i) {
        float s = 0.0f;
        for (int j = 0; j < i; ++j) s += r[i - j] * a[j];
        const float k = -s / err;
        rc[i - 1] = k;
        for (int j = 1; j <= i / 2; ++j) {
            const int l = i - j;
            const float at = a[j] + k * a[l];
            a[l] += k * a[j];
            a[j] = at;
        }
        a[i] = k;
        err += k * s;
        if (err <= 0.0f) err = 0.001f;
    }
    return err;
}

void az_lsp_f(const float* a, const float* prev_lsp, float* lsp, bool coarse) {
    float f1[kHalf + 1], f2[kHalf + 1];
    f1[0] = 1.0f;
    f2[0] = 1.0f;
    for (int i = 1, j = kOrder; i <= kHalf; ++i, --j) {
        f1[i] = a[i] + a[j] - f1[i - 1];
        f2[i] = a[i] - a[j] + f2[i - 1];
    }
    const float* grid = coarse ? kGrid50F : kGrid60F;
    const int points = coarse ? 50 : 60;
    const int bisections = coarse ? 2 : 4;

    float roots[kOrder];
    int nf = 0, ip = 0;
    const float* coef = f1;
    float xlow = grid[0], ylow = cheb(xlow, coef);
    int j = 0;
    while (nf < kOrder && j < points) {
        ++j;
        float xhigh = xlow, yhigh = ylow;
        xlow = grid[j];
        ylow = cheb(xlow, coef);
        if (ylow * yhigh > 0.0f) continue;
        --j;  // the rest of this interval is searched again for the other polynomial
        for (int b = 0; b < bisections; ++b) {
            const float xmid = 0.5f * (xlow + xhigh);
            const float ymid = cheb(xmid, coef);
            if (ylow * ymid <= 0.0f) {
                yhigh = ymid;
                xhigh = xmid;
            } else {
                ylow = ymid;
                xlow = xmid;
            }
        }
        const float dy = yhigh - ylow;
        const float xint = dy != 0.0f ? xlow - ylow * (xhigh - xlow) / dy : xlow;
        roots[nf++] = xint;
        ip = 1 - ip;
        coef = ip ? f2 : f1;
        xlow = xint;
        ylow = cheb(xlow, coef);
    }
    std::memcpy(lsp, nf < kOrder ? prev_lsp : roots, sizeof(roots));
}

void lsp_az_f(const float* lsp, float* a) {
    float f1[kHalf + 1], f2[kHalf + 1];
    lsp_poly(lsp, f1);
    lsp_poly(lsp + 1, f2);
    for (int i = kHalf; i > 0; --i) {
        f1[i] += f1[i - 1];
        f2[i] -= f2[i - 1];
    }
    a[0] = 1.0f;
    for (int i = 1, j = kOrder; i <= kHalf; ++i, --j) {
        a[i] = 0.5f * (f1[i] + f2[i]);
        a[j] = 0.5f * (f1[i] - f2[i]);
    }
}

void lsf_decode_f(const int* idx, float* mem, float* lsf) {
    const int mode = idx[0];
    float buf[kOrder];
    codebook_vector(idx[1], idx[2], idx[3], buf);
    lsf_prev_compose_f(buf, lsf, kFgF[mode], mem, kFgSumF[mode]);
    lsf_mem_push_f(mem, buf);
    lsf_stability_f(lsf);
}

void lsf_decode_erased_f(int mode, float* mem, const float* prev_lsf) {
    float buf[kOrder];
    lsf_prev_extract_f(prev_lsf, buf, kFgF[mode], mem, kFgSumInvF[mode]);
    lsf_mem_push_f(mem, buf);
}

void lsp_quant_e_f(const float* lsp, const float* mem, float* residual, float* lsp_q, int16_t* packed) {
    float lsf[kOrder], w[kOrder];
    for (int i = 0; i < kOrder; ++i) lsf[i] = static_cast<float>(std::acos(static_cast<double>(lsp[i])));
    lsf_weights_f(lsf, w);
    int cand[2], i1[2], i2[2];
    float tdist[2];
    for (int mode = 0; mode < 2; ++mode) {
        float rbuf[kOrder], t[kOrder], buf[kOrder];
        lsf_prev_extract_f(lsf, rbuf, kFgF[mode], mem, kFgSumInvF[mode]);
        const int c = nearest(rbuf, &kLspCb1F[0][0], 128, nullptr, 0, kOrder);
        for (int j = 0; j < kOrder; ++j) t[j] = rbuf[j] - kLspCb1F[c][j];
        const int a = nearest(t, &kLspCb2F[0][0], 32, w, 0, kHalf);
        const int b = nearest(t, &kLspCb2F[0][0], 32, w, kHalf, kOrder);
        for (int j = 0; j < kHalf; ++j) buf[j] = kLspCb1F[c][j] + kLspCb2F[a][j];
        for (int j = kHalf; j < kOrder; ++j) buf[j] = kLspCb1F[c][j] + kLspCb2F[b][j];
        lsf_expand_f(buf, kGap1, 1, kOrder);
        lsf_expand_f(buf, kGap2, 1, kOrder);
        float d = 0.0f;
        for (int j = 0; j < kOrder; ++j) {
            const float e = (buf[j] - rbuf[j]) * kFgSumF[mode][j];
            d += w[j] * e * e;
        }
        cand[mode] = c;
        i1[mode] = a;
        i2[mode] = b;
        tdist[mode] = d;
    }
    const int m = tdist[1] < tdist[0] ? 1 : 0;
    packed[0] = static_cast<int16_t>((m << 7) | cand[m]);
    packed[1] = static_cast<int16_t>((i1[m] << 5) | i2[m]);
    float lsf_q[kOrder];
    codebook_vector(cand[m], i1[m], i2[m], residual);
    lsf_prev_compose_f(residual, lsf_q, kFgF[m], mem, kFgSumF[m]);
    lsf_stability_f(lsf_q);
    for (int i = 0; i < kOrder; ++i) lsp_q[i] = static_cast<float>(std::cos(static_cast<double>(lsf_q[i])));
}

void win_hybrid_f(const float* x, float* r, float* state) {
    float w[kHybridLen];
    for (int n = 0; n < kHybridLen; ++n) w[n] = x[n] * kHybridWindowF[n];
    constexpr int n1 = 110;
    for (int i = 0; i < kHybridLags; ++i) {
        float acc = 0.0f;
        for (int n = kHybridLags - 1; n < n1; ++n) acc += w[n] * w[n - i];
        state[i] = 0.31640625f * state[i] + acc;
    }
    for (int i = 0; i < kHybridLags; ++i) {
        float acc = state[i];
        for (int n = n1; n < kHybridLen; ++n) acc += w[n] * w[n - i];
        r[i] = acc;
    }
}

}  // namespace voks::g729

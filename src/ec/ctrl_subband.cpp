// The sub-band step-size controllers (float and fixed point).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "ec/ctrl_internal.h"
#include "ec/ctrl_subband.h"

namespace voks::ec {
namespace {

using i128 = __int128;

}  // namespace

int32_t sat32(i128 v) {
    return static_cast<int32_t>(v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : v);
}
int64_t sat64(i128 v) {
    return static_cast<int64_t>(v > INT64_MAX ? INT64_MAX : v < INT64_MIN ? INT64_MIN : v);
}
i128 avg_q14(int32_t a, i128 s, i128 v) {
    return (a * s + (16384 - a) * v + 8192) >> 14;
}
i128 mag2(const Vok32sc& z) {
    return static_cast<i128>(int64_t{z.re} * z.re) + int64_t{z.im} * z.im;
}

int32_t norm_numerator(int32_t num, int& e_n) {
    int64_t m = num <= 0 ? 1 : num;  // a non-positive numerator is taken as 1
    e_n = 0;
    while ((m & 0x40000000) == 0) {
        m <<= 1;
        ++e_n;
    }
    return static_cast<int32_t>(m);
}

VokEcStep32s divide_step(int32_t mun, int e_n, int32_t P, int base) {
    int64_t Pn = P;
    int e_p = 0;
    while ((Pn & 0x40000000) == 0) {
        Pn <<= 1;
        ++e_p;
    }
    const int64_t dh = Pn >> 16, dl = (Pn >> 1) & 0x7FFF;
    const auto a = static_cast<int16_t>(0x1FFF8000 / dh);
    const int64_t t = 0x7FFFFFFF - 2 * dh * a - 2 * ((dl * a) >> 15);
    const int64_t th = t >> 16, tl = (t >> 1) & 0x7FFF;
    const int64_t v = th * a + ((tl * a) >> 15);
    const auto vh = static_cast<int16_t>(v >> 15);
    const int64_t vl = v & 0x7FFF;
    const bool ge = mun >= Pn;
    const int64_t r = ge ? mun - Pn : mun;
    const int64_t rh = r >> 17, rl = (r >> 2) & 0x7FFF;
    const int64_t q = ((vl * rh) >> 15) + vh * rh + ((rl * vh) >> 15);
    return {static_cast<int32_t>(8 * q + (ge ? int64_t{1} << 30 : 0)), base - (e_p - e_n)};
}

namespace {

float* bins32f(void* st, int i) {
    auto* h = reinterpret_cast<Sub32f*>(st);
    return reinterpret_cast<float*>(reinterpret_cast<unsigned char*>(st) + kSubHeadBytes) + i * h->K;
}

}  // namespace

int32_t* bins16s(void* st, int i) {
    const int K = reinterpret_cast<Sub16s*>(st)->K;
    return reinterpret_cast<int32_t*>(reinterpret_cast<unsigned char*>(st) + kSubHeadBytes +
                                      i * bin_stride(K));
}

void sub_head_init_16s(Sub16s& h, int K, int S, int T, int fs) {
    h = {};
    h.K = K;
    h.S = S;
    h.T = T;
    h.fs = fs;
    h.num = int32_t{1} << 30;
    h.a15 = alpha_16s(S, fs, kTau15);
    h.a9 = alpha_16s(S, fs, kTau9);
    h.a20 = alpha_16s(S, fs, kTau20);
    h.a10 = alpha_16s(S, fs, kTau10);
    h.g = 32767;
    h.q = 16384;
    h.theta = std::max(1, sat32(static_cast<i128>(K) * 100000 * T / 1024));
    h.defmant = (int32_t{1} << 30) / h.theta;
    h.expterm = -31;
}

int sub_taps(const void* state) {
    return reinterpret_cast<const Sub16s*>(align16<const unsigned char>(const_cast<void*>(state)))->T;
}

void sub_init_32f(void* state, int K, int S, int T, int fs) {
    auto* st = align16<unsigned char>(state);
    Sub32f h{};
    h.K = K;
    h.S = S;
    h.T = T;
    h.fs = fs;
    h.a15 = alpha_32f(S, fs, kTau15);
    h.a9 = alpha_32f(S, fs, kTau9);
    h.a20 = alpha_32f(S, fs, kTau20);
    h.a10 = alpha_32f(S, fs, kTau10);
    h.g = 1.0f;
    h.q = 1.0f;
    h.theta = 1e5f * static_cast<float>(K) * static_cast<float>(T);
    h.defstep = 0.05f / h.theta;
    std::memset(st, 0, kSubHeadBytes + 16 * static_cast<size_t>(K));
    std::memcpy(st, &h, sizeof h);
}

void sub_init_16s(void* state, int K, int S, int T, int fs) {
    auto* st = align16<unsigned char>(state);
    Sub16s h;
    sub_head_init_16s(h, K, S, T, fs);
    std::memset(st, 0, kSubHeadBytes + 5 * static_cast<size_t>(bin_stride(K)));
    std::memcpy(st, &h, sizeof h);
}

// Arrays: A 0, B 1, P 2, Hs 3 (float); A 0, B 1, P 2, scratch 3, Hs 4 (fixed point).
void sub_reset_32f(void* state) {
    auto* st = align16<unsigned char>(state);
    const int K = reinterpret_cast<Sub32f*>(st)->K;
    for (int a : {0, 1, 3}) std::memset(bins32f(st, a), 0, sizeof(float) * K);
}

void sub_reset_16s(void* state) {
    auto* st = align16<unsigned char>(state);
    const int K = reinterpret_cast<Sub16s*>(st)->K;
    for (int a : {0, 1, 4}) std::memset(bins16s(st, a), 0, sizeof(int32_t) * K);
}

void sub_update_32f(const Vok32fc* const* X, const Vok32fc* Y, double* step, void* state, float mu0) {
    auto* st = align16<unsigned char>(state);
    auto& h = *reinterpret_cast<Sub32f*>(st);
    float* P = bins32f(st, 2);
    const Vok32fc* X0 = X[0];
    const Vok32fc* Xo = X[h.T - 1];
    for (int i = 0; i < h.K; ++i) {
        P[i] = std::fma(X0[i].re, X0[i].re, P[i]);
        P[i] = std::fma(X0[i].im, X0[i].im, P[i]);
        step[i] = P[i] > h.theta ? static_cast<double>(mu0) / P[i] : static_cast<double>(h.defstep);
        P[i] = std::fma(-Xo[i].re, Xo[i].re, P[i]);
        P[i] = std::fma(-Xo[i].im, Xo[i].im, P[i]);
        if (!(P[i] > 0.0f)) P[i] = 0.0f;
    }
    float e = 0.0f;
    if (Y != nullptr) {
        h.F = 1;
        for (int i = 0; i < h.K; ++i) e += Y[i].re * Y[i].re + Y[i].im * Y[i].im;
    }
    h.Es = h.a15 * h.Es + (1.0f - h.a15) * e;
}

void sub_update_16s(const Vok32sc* const* X, const Vok32sc* Y, VokEcStep32s* step, void* state) {
    auto* st = align16<unsigned char>(state);
    auto& h = *reinterpret_cast<Sub16s*>(st);
    int32_t* P = bins16s(st, 2);
    int32_t* Q = bins16s(st, 3);
    int e_n = 0;
    const int32_t mun = norm_numerator(h.num, e_n);
    for (int i = 0; i < h.K; ++i) {
        Q[i] = sat32(mag2(X[0][i]) >> 10);
        P[i] = sat32(static_cast<i128>(P[i]) + Q[i]);
        step[i] = P[i] > h.theta ? divide_step(mun, e_n, P[i], 71) : VokEcStep32s{h.defmant, 71 - h.expterm};
        P[i] = std::max(0, sat32(static_cast<i128>(P[i]) - sat32(mag2(X[h.T - 1][i]) >> 10)));
    }
    if (Y != nullptr) {
        h.F = 1;
        i128 e = 0;
        for (int i = 0; i < h.K; ++i) e += (mag2(Y[i]) + 512) >> 10;
        h.Es = sat32(avg_q14(h.a15, h.Es, e));
    }
}

void sub_control_32f(const Vok32fc* E, const Vok32fc* D, Vok32fc* const* W, Vok32fc* const* Wb, float* g,
                     void* state) {
    auto* st = align16<unsigned char>(state);
    auto& h = *reinterpret_cast<Sub32f*>(st);
    float *A = bins32f(st, 0), *B = bins32f(st, 1), *Hs = bins32f(st, 3);
    float Ssave = 0.0f, Srestore = 0.0f, Stotal = 0.0f;
    for (int i = 0; i < h.K; ++i) {
        float H = 0.0f;
        for (int k = 0; k < h.T; ++k) H += W[k][i].re * W[k][i].re + W[k][i].im * W[k][i].im;
        const float delta = std::fabs(Hs[i] - H);
        Hs[i] = h.a9 * Hs[i] + (1.0f - h.a9) * H;
        B[i] = h.a15 * B[i] + (1.0f - h.a15) * (D[i].re * D[i].re + D[i].im * D[i].im);
        A[i] = h.a15 * A[i] + (1.0f - h.a15) * (E[i].re * E[i].re + E[i].im * E[i].im);
        if (0.1f * Hs[i] > delta && 0.35f * B[i] > A[i]) {
            for (int k = 0; k < h.T; ++k) Wb[k][i] = W[k][i];
            B[i] = A[i];
            Ssave += A[i];
        } else if (A[i] > 1.5f * B[i]) {
            for (int k = 0; k < h.T; ++k) W[k][i] = Wb[k][i];
            A[i] = B[i];
            Srestore += B[i];
        }
        Stotal += B[i];
    }
    if (Ssave > 0.1f * Stotal && (h.F == 0 || 0.2f * h.Es > Stotal)) {
        h.q = h.q * h.a20;
    } else if (Srestore > 0.1f * Stotal) {
        h.q = h.a20 * h.q + (1.0f - h.a20);
    }
    const float target = h.q > 0.5f ? 1.0f : 0.0f;
    h.g = h.a10 * h.g + (1.0f - h.a10) * target;
    *g = h.g;
}

void sub_control_16s(const Vok32sc* E, const Vok32sc* D, Vok32sc* const* W, Vok32sc* const* Wb, int16_t* g,
                     void* state) {
    auto* st = align16<unsigned char>(state);
    auto& h = *reinterpret_cast<Sub16s*>(st);
    int32_t *A = bins16s(st, 0), *B = bins16s(st, 1), *Hs = bins16s(st, 4);
    const auto energy = [](const Vok32sc& z) { return (mag2(z) + 512) >> 10; };
    int32_t Ssave = 0, Srestore = 0, Stotal = 0;
    for (int i = 0; i < h.K; ++i) {
        i128 H = 0;
        for (int k = 0; k < h.T; ++k) H += energy(W[k][i]);
        const int64_t Hv = sat64(H);
        const i128 delta = Hs[i] > Hv ? static_cast<i128>(Hs[i]) - Hv : static_cast<i128>(Hv) - Hs[i];
        Hs[i] = sat32(avg_q14(h.a9, Hs[i], Hv));
        B[i] = sat32(avg_q14(h.a15, B[i], energy(D[i])));
        A[i] = sat32(avg_q14(h.a15, A[i], energy(E[i])));
        if (static_cast<i128>(Hs[i]) > 10 * delta &&
            A[i] < ((static_cast<int64_t>(B[i]) * 5734 + 8192) >> 14)) {
            for (int k = 0; k < h.T; ++k) Wb[k][i] = W[k][i];
            B[i] = A[i];
            Ssave = sat32(static_cast<i128>(Ssave) + A[i]);
        } else if (B[i] < ((static_cast<int64_t>(A[i]) * 10922 + 8192) >> 14)) {
            for (int k = 0; k < h.T; ++k) W[k][i] = Wb[k][i];
            A[i] = B[i];
            Srestore = sat32(static_cast<i128>(Srestore) + B[i]);
        }
        Stotal = sat32(static_cast<i128>(Stotal) + B[i]);
    }
    const int64_t tot = Stotal;
    if (tot < 10 * static_cast<int64_t>(Ssave) && (h.F == 0 || static_cast<int64_t>(h.Es) > 5 * tot)) {
        h.q = sat32((static_cast<int64_t>(h.a20) * h.q + 8192) >> 14);
    } else if (tot <= 10 * static_cast<int64_t>(Srestore)) {
        h.q = sat32((static_cast<int64_t>(h.a20) * (h.q - 16384) + (int64_t{1} << 28) + 8192) >> 14);
    }
    const int64_t target = (h.q >= 8192 || (Ssave < 100 && Srestore < 100)) ? 32767 : 0;
    h.g = std::clamp<int64_t>((target * (16384 - h.a10) + static_cast<int64_t>(h.a10) * h.g + 8192) >> 14,
                              -32768, 32767);
    *g = static_cast<int16_t>(h.g);
}

}  // namespace voks::ec

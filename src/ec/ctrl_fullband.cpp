// The smoothing factors and the full-band step-size controller.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "ec/ctrl_internal.h"

namespace voks::ec {
namespace {

using i128 = __int128;

constexpr double kTauSeconds[] = {0.05, 0.02, 0.015, 0.01, 0.009};
constexpr int64_t kTauRate[] = {327680, 819200, 1097728, 1638400, 1818624};

int32_t sat32(i128 v) {
    return static_cast<int32_t>(v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : v);
}
int64_t sat64(i128 v) {
    return static_cast<int64_t>(v > INT64_MAX ? INT64_MAX : v < INT64_MIN ? INT64_MIN : v);
}
int16_t sat16(int64_t v) {
    return static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767));
}

// Q14 average (a*s + (16384 - a)*v + 8192) >> 14.
i128 avg_q14(int32_t a, i128 s, i128 v) {
    return (a * s + (16384 - a) * v + 8192) >> 14;
}

}  // namespace

// The second-order series of exp(x) exceeds 1 once a frame is longer than twice the time
// constant (x < -2), which would make the averages grow without bound; a frame longer than the
// time constant keeps no memory instead.
float alpha_32f(int frame, int fs, Tau t) {
    const double x = -static_cast<double>(frame) / (fs * kTauSeconds[t]);
    if (x < -1.0) return 0.0f;
    return static_cast<float>(1.0 + x * (1.0 + 0.5 * x));
}

// The Q14 factor is limited at 0 for the same reason (it turns negative for long frames).
int32_t alpha_16s(int frame, int fs, Tau t) {
    const int64_t a = 16384 - static_cast<int64_t>(frame) * kTauRate[t] / fs;
    return static_cast<int32_t>(std::max<int64_t>(a, 0));
}

void full_init_32f(Full32f& s, int n, int L, int fs) {
    s = {};
    s.a50 = alpha_32f(n, fs, kTau50);
    s.a20 = alpha_32f(n, fs, kTau20);
    s.a10 = alpha_32f(n, fs, kTau10);
    s.n = n;
    s.L = L;
    s.g = 1.0f;
    s.q = 1.0f;
    s.theta = 1.5e6f * static_cast<float>(L);
    s.defstep = 1.0f / s.theta;
}

void full_init_16s(Full16s& s, int n, int L, int fs) {
    s = {};
    s.a50 = alpha_16s(n, fs, kTau50);
    s.a20 = alpha_16s(n, fs, kTau20);
    s.a10 = alpha_16s(n, fs, kTau10);
    s.n = n;
    s.L = L;
    s.g = 32767;
    s.q = 16384;
    s.theta = sat32((static_cast<i128>(1500000) * L + 128) >> 8);
    s.defstep = (int32_t{1} << 30) / s.theta;
}

void full_update_32f(const float* x, const float* near, float* step, Full32f& s) {
    const int n = s.n, L = s.L;
    float P = 0.0f;
    for (int k = 1; k <= L; ++k) P += x[-k] * x[-k];
    step[0] = P > s.theta ? 0.5f / P : s.defstep;
    for (int j = 1; j < n; ++j) {
        P = P + std::fma(x[j - 1], x[j - 1], -(x[j - L] * x[j - L]));
        step[j] = P > s.theta ? 0.5f / P : s.defstep;
    }
    float e = 0.0f;
    for (int j = 0; j < n; ++j) e += near[j] * near[j];
    s.Es = s.a50 * s.Es + (1.0f - s.a50) * e;
}

void full_update_16s(const int16_t* x, const int16_t* near, int32_t* step, Full16s& s) {
    const int n = s.n, L = s.L;
    const auto term = [](int16_t v) { return (v * v + 128) >> 8; };
    int32_t P = 0;
    for (int k = 1; k <= L; ++k) P = sat32(static_cast<i128>(P) + term(x[-k]));
    const int32_t def = s.defstep;
    step[0] = P > s.theta ? (int32_t{1} << 30) / P : def;
    for (int j = 1; j < n; ++j) {
        P = sat32(static_cast<i128>(P) + term(x[j - 1]) - term(x[j - L]));
        step[j] = P > s.theta ? (int32_t{1} << 30) / P : def;
    }
    int32_t e = 0;
    for (int j = 0; j < n; ++j) e = sat32(static_cast<i128>(e) + ((near[j] * near[j] + 8) >> 4));
    s.Es = sat32(avg_q14(s.a50, s.Es, e));
}

void full_control_32f(const float* e, const float* d, float* h, float* backup, float* g, Full32f& s) {
    float se = 0.0f, sd = 0.0f, H = 0.0f;
    for (int j = 0; j < s.n; ++j) {
        se += e[j] * e[j];
        sd += d[j] * d[j];
    }
    s.Ee = s.a50 * s.Ee + (1.0f - s.a50) * se;
    s.Ed = s.a50 * s.Ed + (1.0f - s.a50) * sd;
    for (int k = 0; k < s.L; ++k) H += h[k] * h[k];
    const float H0 = s.Eh;
    s.Eh = s.a50 * s.Eh + (1.0f - s.a50) * H;
    if (0.1f * s.Ed > s.Ee && 0.2f * H > std::fabs(H0 - H)) {
        std::memcpy(backup, h, sizeof(float) * s.L);
        s.Ed = s.Ee;
        s.q = s.q * s.a20;
    } else if (s.Ee > 1.3f * s.Ed) {
        std::memcpy(h, backup, sizeof(float) * s.L);
        s.Ee = s.Ed;
        s.q = s.a20 * s.q + (1.0f - s.a20);
    }
    const float target = s.q >= 0.5f ? 1.0f : (0.2f * s.Es > s.Ed ? 0.0f : 1.0f);
    s.g = s.a10 * s.g + (1.0f - s.a10) * target;
    *g = s.g;
}

void full_control_16s(const int16_t* e, const int16_t* d, int16_t* h, int16_t* backup, int16_t* g,
                      Full16s& s) {
    int32_t se = 0, sd = 0;
    for (int j = 0; j < s.n; ++j) {
        se = sat32(static_cast<i128>(se) + ((e[j] * e[j] + 8) >> 4));
        sd = sat32(static_cast<i128>(sd) + ((d[j] * d[j] + 8) >> 4));
    }
    s.Ee = sat32(avg_q14(s.a50, s.Ee, se));
    s.Ed = sat32(avg_q14(s.a50, s.Ed, sd));
    int64_t H = 0;
    for (int k = 0; k < s.L; ++k) H += static_cast<int64_t>(h[k]) * h[k];
    const int64_t H0 = s.Eh;
    s.Eh = sat64(avg_q14(s.a50, s.Eh, H));
    const i128 delta = H0 > H ? static_cast<i128>(H0) - H : static_cast<i128>(H) - H0;
    if (static_cast<int64_t>(s.Ed) > 10 * static_cast<int64_t>(s.Ee) && static_cast<i128>(H) > 5 * delta) {
        std::memcpy(backup, h, sizeof(int16_t) * s.L);
        s.Ed = s.Ee;
        s.q = sat32((static_cast<int64_t>(s.a20) * s.q + 8192) >> 14);
    } else if (s.Ed < ((static_cast<int64_t>(s.Ee) * 12603 + 8192) >> 14)) {
        std::memcpy(h, backup, sizeof(int16_t) * s.L);
        s.Ee = s.Ed;
        s.q = sat32((static_cast<int64_t>(s.a20) * (s.q - 16384) + (int64_t{1} << 28) + 8192) >> 14);
    }
    const bool off = s.q < 8192 && s.Ed < ((static_cast<int64_t>(s.Es) * 3276 + 8192) >> 14);
    const int64_t target = off ? 0 : 32767;
    s.g = sat16((target * (16384 - s.a10) + static_cast<int64_t>(s.a10) * s.g + 8192) >> 14);
    *g = static_cast<int16_t>(s.g);
}

}  // namespace voks::ec

// Single-precision open-loop pitch, adaptive-vector interpolation, correlation matrix and
// filtered-excitation update; same search structure as the fixed-point routines.
#include "g729/exc_internal.h"

#include <cfloat>
#include <cmath>


namespace voks::g729 {

namespace {

float dec_corr(const float* a, const float* b) {
    float s = 0.0f;
    for (int n = 0; n < 80; n += 2) s += a[n] * b[n];
    return s;
}

float normalised(const float* x, int t, float max) {
    const float e = dec_corr(x - t, x - t);
    return max / static_cast<float>(std::sqrt(static_cast<double>(e) + 0.01));
}

}  // namespace

int32_t pitch_ol_fast_32f(const float* x) {
    auto section = [&](int lo, int hi, int step, int& t) {
        float max = -FLT_MAX;
        t = lo;
        for (int i = lo; i < hi; i += step) {
            const float c = dec_corr(x, x - i);
            if (c > max) {
                max = c;
                t = i;
            }
        }
        return max;
    };
    int t1, t2, t3;
    const float c1 = section(20, 40, 1, t1);
    float m1 = normalised(x, t1, c1);
    const float c2 = section(40, 80, 1, t2);
    float m2 = normalised(x, t2, c2);
    float c3 = section(80, 143, 2, t3);
    const int mid = t3;
    float c = dec_corr(x, x - (mid + 1));
    if (c > c3) {
        c3 = c;
        t3 = mid + 1;
    }
    c = dec_corr(x, x - (mid - 1));
    if (c > c3) {
        c3 = c;
        t3 = mid - 1;
    }
    const float m3 = normalised(x, t3, c3);
    if (std::abs(2 * t2 - t3) < 5) m2 += 0.25f * m3;
    if (std::abs(3 * t2 - t3) < 7) m2 += 0.25f * m3;
    if (std::abs(2 * t1 - t2) < 5) m1 += 0.2f * m2;
    if (std::abs(3 * t1 - t2) < 7) m1 += 0.2f * m2;
    if (m1 < m2) {
        m1 = m2;
        t1 = t2;
    }
    if (m1 < m3) t1 = t3;
    return t1;
}

void pred_lt_3_32f(float* exc, int t0, int frac) {
    const float* x0 = exc - t0;
    frac = -frac;
    if (frac < 0) {
        frac += 3;
        --x0;
    }
    const float* c1 = inter_3l_32f + frac;
    const float* c2 = inter_3l_32f + (3 - frac);
    for (int j = 0; j < kSubfr; ++j, ++x0) {
        float s = 0.0f;
        for (int i = 0, k = 0; i < 10; ++i, k += 3) s += x0[-i] * c1[k] + x0[1 + i] * c2[k];
        exc[j] = s;
    }
}

void toepliz_32f(const float* h, float* m) {
    float pre[kSubfr * 41];
    for (int d = 0; d < kSubfr; ++d) {
        float s = 0.0f;
        pre[d * 41] = 0.0f;
        for (int n = 0; n < kSubfr - d; ++n) {
            s += h[n] * h[n + d];
            pre[d * 41 + n + 1] = s;
        }
    }
    static constexpr int kTracks[9][2] = {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 2},
                                          {1, 3}, {1, 4}, {2, 3}, {2, 4}};
    for (int t = 0; t < 5; ++t)
        for (int j = 0; j < 8; ++j) m[8 * t + j] = pre[40 - (t + 5 * j)];
    for (int c = 0; c < 9; ++c) {
        float* out = m + 40 + 64 * c;
        for (int a = 0; a < 8; ++a) {
            const int p1 = kTracks[c][0] + 5 * a;
            for (int b = 0; b < 8; ++b) {
                const int p2 = kTracks[c][1] + 5 * b;
                const int d = p1 > p2 ? p1 - p2 : p2 - p1;
                out[8 * a + b] = pre[d * 41 + 40 - (p1 > p2 ? p1 : p2)];
            }
        }
    }
}

void filtered_excitation_32f(const float* h, float* y, int len, float v) {
    for (int i = len - 1; i > 0; --i) y[i] = y[i - 1] + v * h[i];
    y[0] = v;
}

}  // namespace voks::g729

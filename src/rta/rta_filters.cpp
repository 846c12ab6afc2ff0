// The front end: QMF bank, DC-removal and band-shaping filters, and the Levinson-Durbin
// recursion.
#include <cmath>
#include <cstring>

#include "rta/kernels.h"
#include "rta/rta_internal.h"
#include "rta/rta_tables.h"

namespace voks::rta {

namespace {

// The even- and odd-indexed taps of a prototype.
void split_taps(int taps, float* he, float* ho) {
    const float* half = taps == 48 ? kQmfHalf48 : kQmfHalf24;
    for (int j = 0; j < taps; ++j) {
        const float h = half[j < taps / 2 ? j : taps - 1 - j];
        (j % 2 == 0 ? he : ho)[j / 2] = h;
    }
}

}  // namespace

void qmf_init(QmfState& s, int taps) {
    std::memset(&s, 0, sizeof s);
    s.set = s.taps = taps;
}

// x = [T delay values, n new samples]; low[k] = e + o and high[k] = e - o with
// e = sum over even j of h[j] x[2k+j] and o over odd j. The sums read x in two phases:
// x[2k+2m] = xe[k+m] and x[2k+2m+1] = xo[k+m].
void qmf_analysis(QmfState& s, const float* x, int n, float* low, float* high) {
    const int t = s.taps, half = t / 2, total = t + n, outs = n / 2;
    float he[kQmfMaxTaps / 2], ho[kQmfMaxTaps / 2];
    split_taps(t, he, ho);
    float xe[(kQmfMaxTaps + kQmfMaxLen) / 2], xo[(kQmfMaxTaps + kQmfMaxLen) / 2];
    for (int i = 0; i < total; ++i) {
        const float v = i < t ? s.delay[i] : x[i - t];
        (i % 2 == 0 ? xe : xo)[i / 2] = v;
    }
    float e[kQmfMaxLen / 2], o[kQmfMaxLen / 2];
    kernels().qmf_sums(he, ho, half, xe, xo, e, o, outs);
    for (int k = 0; k < outs; ++k) {
        low[k] = e[k] + o[k];
        high[k] = e[k] - o[k];
    }
    for (int i = 0; i < t; ++i) {
        const int j = total - t + i;
        s.delay[i] = j % 2 == 0 ? xe[j / 2] : xo[j / 2];
    }
}

// y = [T-2 delay values, then per k: 2(low-high), 2(low+high)]; out[2k] = sum over odd j of
// h[j] y[2k+j], out[2k+1] = sum over even j. With T-2 even, y[2i] = ye[i] and y[2i+1] = yo[i].
void qmf_synthesis(QmfState& s, const float* low, const float* high, int n, float* out) {
    const int t = s.taps, half = t / 2, keep = t - 2, lead = keep / 2;
    float he[kQmfMaxTaps / 2], ho[kQmfMaxTaps / 2];
    split_taps(t, he, ho);
    float ye[(kQmfMaxTaps + kQmfMaxLen) / 2], yo[(kQmfMaxTaps + kQmfMaxLen) / 2];
    for (int i = 0; i < lead; ++i) {
        ye[i] = s.delay[2 * i];
        yo[i] = s.delay[2 * i + 1];
    }
    for (int k = 0; k < n; ++k) {
        ye[lead + k] = 2.0f * (low[k] - high[k]);
        yo[lead + k] = 2.0f * (low[k] + high[k]);
    }
    float e[kQmfMaxLen / 2], o[kQmfMaxLen / 2];
    kernels().qmf_sums(he, ho, half, ye, yo, e, o, n);
    for (int k = 0; k < n; ++k) {
        out[2 * k] = o[k];
        out[2 * k + 1] = e[k];
    }
    for (int i = 0; i < lead; ++i) {
        s.delay[2 * i] = ye[n + i];
        s.delay[2 * i + 1] = yo[n + i];
    }
}

int hp_rate_index(int rate) {
    switch (rate) {
        case 8000:
            return 0;
        case 16000:
            return 1;
        case 22050:
            return 2;
        case 32000:
            return 3;
        default:
            return -1;
    }
}

// y[n] = 1e-6 + b0 x[n] + b1 x[n-1] + b2 x[n-2] + b3 x[n-3] - a1 y[n-1] - a2 y[n-2] - a3 y[n-3];
// state: x[n-1], x[n-2], x[n-3], y[n-1], y[n-2], y[n-3].
// Every length runs this per-sample order of evaluation. The poles sit so near 0 Hz that 1/A(1)
// is 2.8e6 to 2^24 with the float coefficients, so a rounding anywhere in the loop is amplified
// into a slow wander of the output; a two-sample block form (y[n+1] with y[n] substituted)
// would double the speed but move outputs by up to the signal's own scale.
void highpass4(const float* x, float* y, int n, int set, float* state) {
    const float* c = kDcRemoval[set - 1];
    float x1 = state[0], x2 = state[1], x3 = state[2], y1 = state[3], y2 = state[4], y3 = state[5];
    for (int i = 0; i < n; ++i) {
        const float xi = x[i];
        const float yi =
            1e-6f + c[0] * xi + c[1] * x1 + c[2] * x2 + c[3] * x3 - c[4] * y1 - c[5] * y2 - c[6] * y3;
        x3 = x2;
        x2 = x1;
        x1 = xi;
        y3 = y2;
        y2 = y1;
        y1 = yi;
        y[i] = yi;
    }
    const float out[6] = {x1, x2, x3, y1, y2, y3};
    std::memcpy(state, out, sizeof out);
}

// Four lattice stages from the last to the first, with the ladder summing the backward values.
void highpass5(const float* x, float* y, int n, int set, float* state) {
    const float* k = kHpLattice[set];
    const float* v = k + 4;
    float g[5];
    std::memcpy(g, state, sizeof g);
    for (int i = 0; i < n; ++i) {
        float f = x[i] + 1e-6f, acc = 0.0f;
        for (int st = 3; st >= 0; --st) {
            f = f - k[st] * g[st];
            g[st + 1] = g[st] + k[st] * f;
            acc = acc + v[st + 1] * g[st + 1];
        }
        g[0] = f;
        y[i] = acc + v[0] * f;
    }
    std::memcpy(state, g, sizeof g);
}

// Two first-order stages, then the gain that restores the frame's mean magnitude, smoothed
// per sample.
void bandpass(float* x, int n, float* state) {
    float s2[kBandPassMaxLen], in[kBandPassMaxLen];
    float xp = state[0], sp = state[1];
    for (int i = 0; i < n; ++i) {
        in[i] = x[i];
        const float s1 = 0.8f * x[i] - 0.2f * xp;
        s2[i] = 1.3333334f * s1 + 0.33333334f * sp;
        xp = x[i];
        sp = s1;
    }
    float sx, ss;
    kernels().abs_sums(in, s2, n, &sx, &ss);
    const float gain = ss > 0.0f ? sx / ss : 0.0f;
    float g = state[2];
    for (int i = 0; i < n; ++i) {
        g = 0.99f * g + 0.011f * gain;
        x[i] = s2[i] * g;
    }
    state[0] = xp;
    state[1] = sp;
    state[2] = g;
}

bool levinson(const float* r, float* a, float* k, int p) {
    if (!(r[0] > 1.0f)) return false;
    const float k1 = -r[1] / r[0];
    k[0] = k1;
    if (!(std::fabs(k1) < 1.0f)) return false;
    a[0] = k1;
    float err = r[0] * (1.0f - k1 * k1);
    float prev[16];
    for (int i = 2; i <= p; ++i) {
        float acc = r[i];
        for (int j = 1; j < i; ++j) acc = acc + a[j - 1] * r[i - j];
        err = std::fmax(err, 1.0f);
        if (!(std::fabs(acc) < err)) {
            k[i - 1] = acc;
            return false;
        }
        const float ki = -acc / err;
        k[i - 1] = ki;
        std::memcpy(prev, a, sizeof(float) * (i - 1));
        for (int j = 1; j < i; ++j) a[j - 1] = prev[j - 1] + ki * prev[i - j - 1];
        a[i - 1] = ki;
        err = (1.0f - ki * ki) * err;
    }
    return true;
}

}  // namespace voks::rta

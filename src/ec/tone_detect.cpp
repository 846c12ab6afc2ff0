// Answer-tone detection: the resonator output power against the input power, a tone run of
// 413..466 ms between dips of the band power (the phase reversals), and a 20 ms gap limit.
#include <cmath>
#include <cstdint>

#include "ec/tone_internal.h"

namespace voks::ec {

namespace {

// b0, b1, a1, a2 of y[n] = b0 x[n] + b1 x[n-2] - a1 y[n-1] - a2 y[n-2]: a resonator at 2100 Hz
// with zeros at 0 Hz and fs/2, per rate.
constexpr float kCoef32f[2][4] = {{0.037804753f, -0.037804753f, 0.15110244f, 0.92439049f},
                                  {0.019259274f, -0.019259274f, -1.3317118f, 0.96148145f}};
constexpr int32_t kCoef16s[2][4] = {{155, -155, 619, 3786}, {79, -79, -5455, 3938}};  // Q12

void init_counts(ToneCounts& c, int fs) {
    c = ToneCounts{};
    c.nmin = fs * 413 / 1000;
    c.nmax = fs * 466 / 1000;
    c.ngap = fs * 2 / 100;
}

// Counters stop at their largest value (a tone lasting days; a block holding arbitrary bytes).
void up(int32_t& c) {
    if (c < INT32_MAX) ++c;
}

// A sample without the tone in band: a gap sample, which clears every counter past Ngap. The
// tone run goes on counting through a gap, so that it measures the time between reversals: the
// band power stays low for some 10 to 20 ms after a reversal (longer with noise or amplitude
// modulation), and a run of tone samples alone would put reversals 425 ms apart below the
// 413 ms bound.
void gap(ToneCounts& c) {
    up(c.nt);
    up(c.g);
    if (c.g > c.ngap) c.nt = c.g = c.r = 0;
}

// A dip of the band power: a reversal when the preceding tone run fits the window. Returns 1
// when it is the second or a later one.
int dip(ToneCounts& c) {
    if (c.nt <= c.nmin || c.nt >= c.nmax) return 0;
    up(c.r);
    c.nt = 0;
    return c.r >= 2 ? 1 : 0;
}

}  // namespace

int tone_rate_index(int fs) {
    return fs == 8000 ? 0 : fs == 16000 ? 1 : -1;
}

void tone_init(ToneState32f& s, int fs) {
    s = ToneState32f{};
    s.rate_index = tone_rate_index(fs);
    s.lambda = s.rate_index == 0 ? 0.96f : 0.92f;
    init_counts(s.c, fs);
}

void tone_init(ToneState16s& s, int fs) {
    s = ToneState16s{};
    s.rate_index = tone_rate_index(fs);
    s.lambda = s.rate_index == 0 ? 15728 : 15073;
    init_counts(s.c, fs);
}

int tone_detect(ToneState32f& s, const float* x, int n) {
    const float* k = kCoef32f[s.rate_index == 1 ? 1 : 0];  // any other value: a block Init did not set up
    const float lam = s.lambda, rest = 1.0f - lam;
    int flag = 0;
    for (int i = 0; i < n; ++i) {
        const float xi = x[i];
        float y = k[0] * xi;
        y = std::fma(k[1], s.x2, y);
        y = std::fma(-k[2], s.y1, y);
        y = std::fma(-k[3], s.y2, y);
        s.x2 = s.x1;
        s.x1 = xi;
        s.y2 = s.y1;
        s.y1 = y;
        s.px = lam * s.px + rest * (xi * xi);
        s.py = lam * s.py + rest * (y * y);
        if (s.py > 0.8f * s.px && 10000.0f * s.px > s.py) {
            up(s.c.nt);
            s.c.g = 0;
        } else if (s.py > 0.0008f * s.px && s.px > s.py) {
            if (s.py < 0.48f * s.px) flag |= dip(s.c);
            gap(s.c);
        } else {
            s.c.nt = 0;
            s.c.g = 0;
        }
    }
    return flag;
}

// The fixed-point form: the powers are Q0 mean squares kept in 32 bits; the products with the
// Q14 factors are formed in 64 bits, since at input levels above about -22 dBm0 they pass 2^31.
int tone_detect(ToneState16s& s, const int16_t* x, int n) {
    const int32_t* k = kCoef16s[s.rate_index == 1 ? 1 : 0];
    const int64_t lam = s.lambda, rest = 16384 - lam;
    int flag = 0;
    for (int i = 0; i < n; ++i) {
        const int32_t xi = x[i];
        int32_t acc = k[0] * xi + k[1] * s.x2 - k[2] * s.y1 - k[3] * s.y2 + 2048;
        acc >>= 12;
        const int32_t y = acc > 32767 ? 32767 : acc < -32768 ? -32768 : acc;
        s.x2 = s.x1;
        s.x1 = static_cast<int16_t>(xi);
        s.y2 = s.y1;
        s.y1 = static_cast<int16_t>(y);
        s.px = static_cast<int32_t>((rest * (xi * xi) + lam * s.px) >> 14);
        s.py = static_cast<int32_t>((rest * (y * y) + lam * s.py) >> 14);
        if (s.py > ((13107 * int64_t{s.px}) >> 14)) {
            up(s.c.nt);
            s.c.g = 0;
        } else {
            if (s.py < ((7864 * int64_t{s.px}) >> 14)) flag |= dip(s.c);
            gap(s.c);
        }
    }
    return flag;
}

}  // namespace voks::ec

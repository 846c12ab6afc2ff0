// The answer-tone detector: a 2100 Hz resonator, smoothed input and band powers, and counters
// of the tone run, the gap and the phase reversals.
#ifndef VOKS_EC_TONE_INTERNAL_H
#define VOKS_EC_TONE_INTERNAL_H

#include <cstddef>
#include <cstdint>

namespace voks::ec {

constexpr int kToneState32fBytes = 80;
constexpr int kToneState16sBytes = 72;

// Reversal-spacing window and gap limit in samples.
struct ToneCounts {
    int32_t nt = 0, g = 0, r = 0;  // tone run, gap, counted reversals
    int32_t nmin = 0, nmax = 0, ngap = 0;
};

struct ToneState32f {
    int32_t rate_index;  // 0: 8000 Hz, 1: 16000 Hz
    float x1, x2, y1, y2;
    float px, py, lambda;
    ToneCounts c;
};

struct ToneState16s {
    int32_t rate_index;
    int16_t x1, x2, y1, y2;
    int32_t px, py;
    int32_t lambda;  // Q14
    ToneCounts c;
};

static_assert(sizeof(ToneState32f) + 15 <= kToneState32fBytes, "32f detector state fits");
static_assert(sizeof(ToneState16s) + 15 <= kToneState16sBytes, "16s detector state fits");

// The state's place in a caller block: the first 16-byte boundary.
inline unsigned char* aligned16(void* p) {
    const auto a = reinterpret_cast<uintptr_t>(p);
    return static_cast<unsigned char*>(p) + ((16 - (a & 15)) & 15);
}

// -1 unless fs is 8000 or 16000.
int tone_rate_index(int fs);
void tone_init(ToneState32f& s, int fs);
void tone_init(ToneState16s& s, int fs);
// Returns 1 when a reversal counted in these n samples brought the count to 2 or more.
int tone_detect(ToneState32f& s, const float* x, int n);
int tone_detect(ToneState16s& s, const int16_t* x, int n);

}  // namespace voks::ec

#endif  // VOKS_EC_TONE_INTERNAL_H

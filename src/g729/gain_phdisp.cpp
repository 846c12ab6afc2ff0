// Annex D phase dispersion (anti-sparseness) of the fixed-codebook contribution, with its state
// machine over the past pitch gains and the code-gain onsets.
#include <cstring>

#include "common/basicop.h"
#include "g729/gain_internal.h"
#include "g729/gain_tables.h"

namespace voks::g729 {
namespace {

constexpr int kSubfr = 40;

// The 20-byte state: nine 16-bit fields and two bytes of fill, read and written with memcpy so
// that any caller address works.
struct PhDispState {
    int16_t gainMem[6];  // past pitch gains, newest first
    int16_t prevState;   // 0 strong, 1 medium, 2 no dispersion
    int16_t prevCbGain;
    int16_t onset;
    int16_t fill;
};
static_assert(sizeof(PhDispState) == kPhDispStateBytes, "state layout");

PhDispState load(const void* p) {
    PhDispState s;
    std::memcpy(&s, p, sizeof(s));
    return s;
}
void store(void* p, const PhDispState& s) { std::memcpy(p, &s, sizeof(s)); }

void push_gain(PhDispState& s, int16_t g) {
    for (int i = 5; i > 0; --i) s.gainMem[i] = s.gainMem[i - 1];
    s.gainMem[0] = g;
}

// round(L_shl(L_mult(g, c), 1)): the code contribution g*c in Q0 from Q1 and Q13.
int16_t scaled(int16_t g, int16_t c) { return round_fx(L_shl(L_mult(g, c), 1)); }

}  // namespace

void phdisp_init(void* state) {
    PhDispState s{};
    store(state, s);
}

void phdisp_update(int16_t pitchGain, int16_t codeGain, void* state) {
    PhDispState s = load(state);
    push_gain(s, pitchGain);
    s.prevState = 2;
    s.prevCbGain = codeGain;
    s.onset = 0;
    store(state, s);
}

void phdisp(const int16_t* exc, int16_t* out, int16_t codeGain, int16_t pitchGain, int16_t* code,
            void* state) {
    PhDispState s = load(state);
    int16_t ltpEx[kSubfr], saved[kSubfr];
    int pos[kSubfr];
    for (int i = 0; i < kSubfr; ++i) {
        ltpEx[i] = sub(exc[i], scaled(codeGain, code[i]));
        saved[i] = code[i];
        code[i] = 0;
    }
    int nze = 0;
    for (int i = 0; i < kSubfr; ++i)
        if (saved[i] != 0) pos[nze++] = i;

    int16_t dState = pitchGain < 14745 ? (pitchGain > 9830 ? 1 : 0) : 2;
    push_gain(s, pitchGain);
    if (sub(shr(codeGain, 1), s.prevCbGain) > 0) {
        s.onset = 2;
    } else {
        s.onset = static_cast<int16_t>(s.onset - 1);
        if (s.onset < 0) s.onset = 0;
    }
    int low = 0;
    for (int i = 0; i < 6; ++i)
        if (s.gainMem[i] < 9830) ++low;
    if (low > 2 && s.onset == 0) dState = 0;
    if (dState > add(s.prevState, 1) && s.onset == 0) --dState;
    if (s.onset != 0 && dState < 2) ++dState;
    s.prevState = dState;
    s.prevCbGain = codeGain;

    if (dState < 2) {
        const int16_t* imp = dState != 0 ? kPhImpMid : kPhImpLow;
        for (int p = 0; p < nze; ++p) {
            const int at = pos[p];
            const int16_t v = saved[at];
            for (int i = at; i < kSubfr; ++i) code[i] = add(code[i], mult(v, imp[i - at]));
            for (int i = 0; i < at; ++i) code[i] = add(code[i], mult(v, imp[kSubfr - at + i]));
        }
    } else {
        // The identity response: 32767 at lag 0.
        for (int p = 0; p < nze; ++p) code[pos[p]] = add(code[pos[p]], mult(saved[pos[p]], 32767));
    }
    for (int i = 0; i < kSubfr; ++i) out[i] = add(ltpEx[i], scaled(codeGain, code[i]));
    store(state, s);
}

}  // namespace voks::g729

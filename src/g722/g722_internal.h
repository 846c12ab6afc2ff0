// G.722 sub-band ADPCM, QMF and concealment internals: state layout, tables and the helpers
// shared by the files of this family (the kernel table is in kernels.h).
#ifndef VOKS_G722_G722_INTERNAL_H
#define VOKS_G722_G722_INTERNAL_H

#include <cstddef>
#include <cstdint>

namespace voks::g722 {

// The encoder and decoder state blocks share one layout of 64 16-bit words, placed at the first
// 16-byte boundary of the caller's block. Field names follow G.722 (l: lower band, h: higher).
struct alignas(16) AdpcmState {
    int16_t al1, al2, ah1, ah2;
    int16_t bl[6], bh[6];
    int16_t detl, deth, nbl, nbh;
    int32_t dlt[6], dh[6];  // quantised difference delay lines, newest first
    int16_t plt, ph, rlt, rh;
    int16_t plt1, plt2, ph1, ph2;
    int16_t rlt1, rlt2, rh1, rh2;
    int16_t dlt0, dh0, szl, szh;
    int16_t spl, sph, sl, sh;
};
static_assert(sizeof(AdpcmState) == 128, "state is 64 words");
static_assert(offsetof(AdpcmState, detl) == 2 * 16, "detl at word 16");
static_assert(offsetof(AdpcmState, dlt) == 2 * 20, "dlt1 at word 20");
static_assert(offsetof(AdpcmState, dh) == 2 * 32, "dh1 at word 32");
static_assert(offsetof(AdpcmState, plt) == 2 * 44, "plt at word 44");
static_assert(offsetof(AdpcmState, plt1) == 2 * 48, "plt1 at word 48");
static_assert(offsetof(AdpcmState, dlt0) == 2 * 56, "dlt at word 56");
static_assert(offsetof(AdpcmState, sl) == 2 * 62, "sl at word 62");

// Bytes a caller provides: the state plus slack to reach a 16-byte boundary.
constexpr int kStateBytes = static_cast<int>(sizeof(AdpcmState)) + 16;

inline AdpcmState* state_at(void* block) {
    const uintptr_t p = reinterpret_cast<uintptr_t>(block);
    return reinterpret_cast<AdpcmState*>((p + 15) & ~uintptr_t{15});
}
inline const AdpcmState* state_at(const void* block) {
    const uintptr_t p = reinterpret_cast<uintptr_t>(block);
    return reinterpret_cast<const AdpcmState*>((p + 15) & ~uintptr_t{15});
}

// G.722 inverse-logarithm table ILB (one octave of step-size mantissas).
inline constexpr int16_t kIlb[32] = {2048, 2093, 2139, 2186, 2233, 2282, 2332, 2383, 2435, 2489, 2543,
                                     2599, 2656, 2714, 2774, 2834, 2896, 2960, 3025, 3091, 3158, 3228,
                                     3298, 3371, 3444, 3520, 3597, 3676, 3756, 3838, 3922, 4008};
// Entry k (0..352) of the inverse-logarithm table ILA: (ILB[k mod 32] >> (10 - k/32)) - 1,
// the last row (k = 352) shifted left by one.
constexpr int ila_entry(int k) {
    const int shift = 10 - k / 32;
    const int m = kIlb[k % 32];
    return (shift >= 0 ? m >> shift : m << -shift) - 1;
}
// SCALEL/SCALEH step sizes (ILA[k] + 1) * 4, k = 0..352.
struct StepTable {
    int16_t v[353];
    constexpr StepTable() : v() {
        for (int k = 0; k < 353; ++k) v[k] = static_cast<int16_t>((ila_entry(k) + 1) * 4);
    }
};
inline constexpr StepTable kStep{};
static_assert(ila_entry(0) == 1 && ila_entry(64) == 7 && ila_entry(352) == 4095, "ILA ends");
// Lower-band decision levels Q6 (31 entries, the last one never read).
inline constexpr int16_t kQ6[31] = {0,    35,   72,   110,  150,  190,  233,  276,  323,  370,  422,
                                    473,  530,  587,  650,  714,  786,  858,  940,  1023, 1121, 1219,
                                    1339, 1458, 1612, 1765, 1980, 2195, 2557, 2919, 3200};
// QMF coefficients, doubled (2 h_k), k = 0..23.
extern const int16_t kQmfCoef[24];
// Concealment filters.
extern const int16_t kPlcFirLp[9];
extern const int16_t kHbCoeff[2];

void init_state(AdpcmState& s);

// Chunk of sample pairs handled per pass of the QMF kernels.
constexpr int kQmfChunk = 128;

// The QMF delay line (words 2..23 interleaved even/odd history) into ev/od[0..10], oldest first,
// and back from the last eleven values of ev/od after `count` new ones; words 0..1 repeat 2..3.
inline void load_history(const int16_t* delay, int16_t* ev, int16_t* od) {
    for (int j = 0; j < 11; ++j) {
        ev[10 - j] = delay[2 + 2 * j];
        od[10 - j] = delay[3 + 2 * j];
    }
}
inline void save_history(int16_t* delay, const int16_t* ev, const int16_t* od, int count) {
    for (int j = 0; j < 11; ++j) {
        delay[2 + 2 * j] = ev[count + 10 - j];
        delay[3 + 2 * j] = od[count + 10 - j];
    }
    delay[0] = delay[2];
    delay[1] = delay[3];
}

// Concealment helpers.
int state_update(const int16_t* low, int16_t estimate, int32_t reset, AdpcmState& s);
void downsample(const int16_t* src, int len, int16_t* dst);
void filter_highband(int16_t* buf, int len, int16_t* st);
void classify(int16_t* x, int period, int32_t& cls, const AdpcmState& s);

}  // namespace voks::g722

#endif  // VOKS_G722_G722_INTERNAL_H

// Internal declarations of the step-size controllers. Every state starts at the first 16-byte
// boundary of the caller's block: a fixed header, then the per-bin arrays.
#ifndef VOKS_EC_CTRL_INTERNAL_H
#define VOKS_EC_CTRL_INTERNAL_H

#include <cstdint>

#include "ec/sb_internal.h"
#include "voksc/ec.h"

namespace voks::ec {

// Time constants of the recursive averages, in seconds (float) and as 16384 * rate (Q14 form).
enum Tau { kTau50, kTau20, kTau15, kTau10, kTau9 };
float alpha_32f(int frame, int fs, Tau t);
int32_t alpha_16s(int frame, int fs, Tau t);

struct Full32f {
    float Ee, Ed, Eh, Es, a50, a20, a10;
    int32_t n, L;
    float g, q, theta, defstep;
};
struct Full16s {
    int32_t Ee, Ed;
    int64_t Eh;
    int32_t Es, a50, a20, a10, n, L, g, q, theta, defstep;
};
static_assert(sizeof(Full32f) + 15 <= 72 && sizeof(Full16s) + 15 <= 96, "full-band state sizes");

void full_init_32f(Full32f& s, int n, int L, int fs);
void full_init_16s(Full16s& s, int n, int L, int fs);
void full_update_32f(const float* x, const float* near, float* step, Full32f& s);
void full_update_16s(const int16_t* x, const int16_t* near, int32_t* step, Full16s& s);
void full_control_32f(const float* e, const float* d, float* h, float* backup, float* g, Full32f& s);
void full_control_16s(const int16_t* e, const int16_t* d, int16_t* h, int16_t* backup, int16_t* g,
                      Full16s& s);

// Sub-band controller headers; the per-bin arrays follow at kSubHeadBytes.
struct Sub32f {
    int32_t K, S, T, fs;
    float Es, a15, a9, a20, a10, g, q, theta, defstep;
    int32_t F;
};
struct Sub16s {
    int32_t K, S, T, fs, num, Es, a15, a9, a20, a10, g, q, theta, defmant, expterm, F;
};
// The double-talk extension of the fixed-point header.
struct SubDT {
    Sub16s c;
    int32_t marked_all, marked_low, timer, flag, prev_flag, act, act2, sil, save_timer, low_mark;
    int32_t Le, Ld;
    int64_t Lambda, saved_lambda;
};
constexpr int kSubHeadBytes = 64, kDTHeadBytes = 176;
static_assert(sizeof(Sub32f) <= kSubHeadBytes && sizeof(Sub16s) <= kSubHeadBytes &&
                  sizeof(SubDT) <= kDTHeadBytes,
              "sub-band headers");

// Rounded-up array stride of K 32-bit values and the state sizes.
inline int bin_stride(int K) {
    return (4 * K + 15) / 16 * 16;
}
inline int sub_bytes_32f(int K) {
    return 16 * K + 112;
}
inline int sub_bytes_16s(int K) {
    return 5 * bin_stride(K) + 128;
}
inline int dt_bytes(int K) {
    return 11 * bin_stride(K) + (16 * K + 30) / 32 * 32 + 208;
}

void sub_init_32f(void* state, int K, int S, int T, int fs);
void sub_init_16s(void* state, int K, int S, int T, int fs);
void sub_reset_32f(void* state);
void sub_reset_16s(void* state);
void sub_update_32f(const Vok32fc* const* X, const Vok32fc* Y, double* step, void* state, float mu0);
void sub_update_16s(const Vok32sc* const* X, const Vok32sc* Y, VokEcStep32s* step, void* state);
void sub_control_32f(const Vok32fc* E, const Vok32fc* D, Vok32fc* const* W, Vok32fc* const* Wb, float* g,
                     void* state);
void sub_control_16s(const Vok32sc* E, const Vok32sc* D, Vok32sc* const* W, Vok32sc* const* Wb, int16_t* g,
                     void* state);

void dt_init(void* state, int K, int S, int T, int fs);
void dt_reset(void* state);
void dt_update(const Vok32sc* const* X, const Vok32sc* U, const Vok32sc* V, VokEcStep32s* step, int32_t* flag,
               int32_t* low_flag, int b, void* state);
void dt_control(const Vok32sc* E, const Vok32sc* D, Vok32sc* const* W, Vok32sc* const* Wb, int64_t* level,
                int32_t* event, int64_t energy, bool energy_flag, bool override, int b, void* state);

// The tap count held in a sub-band state (for the table checks of the exported operations).
int sub_taps(const void* state);

}  // namespace voks::ec

#endif  // VOKS_EC_CTRL_INTERNAL_H

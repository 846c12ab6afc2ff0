// G.722 transmit and receive quadrature-mirror filters (scalar definition).
//
// Both directions are two 12-tap FIR filters running at 8 kHz. With the pair index n:
//   transmit: A(n) = sum_j c[2j] o[n-j], B(n) = sum_j c[2j+1] e[n-j], where o and e are the
//             newer and older input sample of each pair; lower = lim((A+B)>>15),
//             higher = lim((A-B)>>15);
//   receive:  A(n) = sum_j c[2j] xd[n-j], B(n) = sum_j c[2j+1] xs[n-j], xd = sat(rl-rh),
//             xs = sat(rl+rh); outputs sat16(A>>12), sat16(B>>12).
// The doubled coefficients keep every sum below 2^30 in magnitude, so any summation order gives
// the same bits. The delay line keeps the last eleven values of both inputs of the FIRs, the
// newest in words 2 and 3, as G.722's reference layout does.
#include <algorithm>
#include <cstring>

#include "g722/kernels.h"

namespace voks::g722 {
namespace {

inline int16_t lim15(int32_t x) {
    return static_cast<int16_t>(x > 16383 ? 16383 : (x < -16384 ? -16384 : x));
}
inline int16_t lim16(int32_t x) {
    return static_cast<int16_t>(x > 32767 ? 32767 : (x < -32768 ? -32768 : x));
}

// ev/od: 11 history values then `pairs` new values; returns the two FIR sums per pair.
inline void fir_pair(const int16_t* ev, const int16_t* od, int n, int32_t& a, int32_t& b) {
    int32_t sa = 0, sb = 0;
    for (int j = 0; j < 12; ++j) {
        sa += int32_t{kQmfCoef[2 * j]} * ev[n + 11 - j];
        sb += int32_t{kQmfCoef[2 * j + 1]} * od[n + 11 - j];
    }
    a = sa;
    b = sb;
}

}  // namespace

void scalar::qmf_tx(const int16_t* src, int16_t* dst, int pairs, int16_t* delay) {
    int16_t ev[11 + kQmfChunk], od[11 + kQmfChunk];
    load_history(delay, ev, od);
    for (int done = 0; done < pairs;) {
        const int cnt = std::min(kQmfChunk, pairs - done);
        for (int n = 0; n < cnt; ++n) {
            od[11 + n] = src[2 * (done + n)];      // older sample of the pair
            ev[11 + n] = src[2 * (done + n) + 1];  // newer sample of the pair
        }
        for (int n = 0; n < cnt; ++n) {
            int32_t a, b;
            fir_pair(ev, od, n, a, b);
            dst[2 * (done + n)] = lim15((a + b) >> 15);
            dst[2 * (done + n) + 1] = lim15((a - b) >> 15);
        }
        done += cnt;
        save_history(delay, ev, od, cnt);
        std::memmove(ev, ev + cnt, 11 * sizeof(int16_t));
        std::memmove(od, od + cnt, 11 * sizeof(int16_t));
    }
}

void scalar::qmf_rx(const int16_t* src, int16_t* dst, int pairs, int16_t* delay) {
    int16_t ev[11 + kQmfChunk], od[11 + kQmfChunk];
    load_history(delay, ev, od);
    for (int done = 0; done < pairs;) {
        const int cnt = std::min(kQmfChunk, pairs - done);
        for (int n = 0; n < cnt; ++n) {
            const int32_t rl = src[2 * (done + n)], rh = src[2 * (done + n) + 1];
            ev[11 + n] = lim16(rl - rh);
            od[11 + n] = lim16(rl + rh);
        }
        for (int n = 0; n < cnt; ++n) {
            int32_t a, b;
            fir_pair(ev, od, n, a, b);
            dst[2 * (done + n)] = lim16(a >> 12);
            dst[2 * (done + n) + 1] = lim16(b >> 12);
        }
        done += cnt;
        save_history(delay, ev, od, cnt);
        std::memmove(ev, ev + cnt, 11 * sizeof(int16_t));
        std::memmove(od, od + cnt, 11 * sizeof(int16_t));
    }
}

}  // namespace voks::g722

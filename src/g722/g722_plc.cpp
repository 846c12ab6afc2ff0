// Packet-loss concealment helpers around the G.722 decoder: decoder memory rewrite after a
// concealed frame, a decimating low-pass filter, the higher-band high-pass filter and the
// frame-class correction with amplitude limiting.
#include <cstdint>

#include "common/basicop.h"
#include "g722/g722_internal.h"

namespace voks::g722 {

int state_update(const int16_t* low, int16_t estimate, int32_t reset, AdpcmState& s) {
    for (int i = 0; i < 6; ++i) s.dlt[i] = 0;
    s.dlt0 = 0;
    s.plt1 = static_cast<int16_t>(low[1] >> 1);
    s.plt2 = static_cast<int16_t>(low[0] >> 1);
    s.rlt1 = low[1];
    s.rlt2 = low[0];
    s.sl = estimate;
    s.szl = static_cast<int16_t>(estimate >> 1);
    // Step-size index of the halved higher-band scale factor.
    const int k = (int32_t{s.nbh} >> 7) & 511;
    if (k >= 353) {
        s.nbh = static_cast<int16_t>(s.nbh >> 1);
        return -1;
    }
    if (reset != 0) {
        s.detl = 32;
        s.deth = 8;
        s.nbl = 0;
        s.nbh = 0;
    } else {
        s.nbh = static_cast<int16_t>(s.nbh >> 1);
        s.deth = kStep.v[k];
    }
    return 0;
}

void downsample(const int16_t* src, int len, int16_t* dst) {
    // The filter's gain exceeds one (sum of taps 67973 / 65536), so a full-scale input can
    // carry the exact sum past 32 bits: it is formed in 64 bits and saturated.
    const int outs = len / 4;
    for (int i = 0; i < outs; ++i) {
        int64_t acc = 0;
        for (int k = 0; k < 9; ++k) acc += int64_t{kPlcFirLp[k]} * src[4 * i + 3 - k];
        dst[i] = sat16((acc + 32768) >> 16);
    }
}

void filter_highband(int16_t* buf, int len, int16_t* st) {
    // y = c0 x - c0 x_prev + c1 y_prev, each product rounded to 16 bits; the sum is formed
    // exactly and saturated once (an intermediate difference can exceed 16 bits).
    int32_t t = st[0], y = st[1];
    for (int i = 1; i < len; i += 2) {
        const int32_t u = (int32_t{kHbCoeff[0]} * buf[i] + 16384) >> 15;
        const int32_t w = (int32_t{kHbCoeff[1]} * y + 16384) >> 15;
        y = sat16(int64_t{u} + w - t);
        t = u;
        buf[i] = static_cast<int16_t>(y);
    }
    st[0] = static_cast<int16_t>(t);
    st[1] = static_cast<int16_t>(y);
}

void classify(int16_t* x, int period, int32_t& cls, const AdpcmState& s) {
    if (s.nbh > s.nbl) cls = cls != 0 ? 4 : 3;
    if (cls != 3 && cls != 4) return;
    int events = 0;
    for (int i = 0; i < period; ++i) {
        int16_t m = 0;
        for (int k = -2; k <= 2; ++k) {
            const int16_t v = abs_s(x[i + k]);
            if (v > m) m = v;
        }
        const int16_t a = abs_s(x[i + period]);
        if (m < a) {
            if (m <= (a >> 3)) ++events;
            x[i + period] = static_cast<int16_t>(x[i + period] < 0 ? -m : m);
        }
    }
    if (events > 0) cls = 2;
}

}  // namespace voks::g722

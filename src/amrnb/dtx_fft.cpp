// The 128-point real FFT of VAD option 2 (reference r_fft): a 64-point complex decimation-in-
// time FFT on the interleaved samples with a halving at every stage, then the split into the
// spectrum of the real signal.
#include <utility>

#include "amrnb/dtx_internal.h"
#include "amrnb/lp_tables.h"
#include "common/basicop.h"

namespace voks::amrnb {
namespace {

constexpr int kSize = 128;

// Twiddle k of the 128-point transform: cos(2 pi k / 128) and -sin(2 pi k / 128) in Q15, from
// the quarter-wave cosine table.
int16_t tw_re(int k) {
    return kCos64[k];
}
int16_t tw_im(int k) {
    return k <= 32 ? kCos64[k + 32] : kCos64[96 - k];
}

void complex_fft(int16_t* x) {
    for (int i = 0, j = 0; i < kSize - 2; i += 2) {  // bit reversal of the 64 complex samples
        if (j > i) {
            std::swap(x[i], x[j]);
            std::swap(x[i + 1], x[j + 1]);
        }
        int k = kSize / 2;
        while (j >= k) {
            j -= k;
            k >>= 1;
        }
        j += k;
    }
    for (int stage = 0; stage < 6; ++stage) {
        const int half = 2 << stage, span = half << 1, step = (kSize / 2) >> stage;  // twiddle step
        for (int j = 0, t = 0; j < half; j += 2, t += step) {
            const int16_t c = tw_re(t), s = tw_im(t);
            for (int k = j; k < kSize; k += span) {
                const int kj = k + half;
                const int16_t re = round_fx(L_msu(L_mult(x[kj], c), x[kj + 1], s));
                const int16_t im = round_fx(L_mac(L_mult(x[kj + 1], c), x[kj], s));
                x[kj] = shr(sub(x[k], re), 1);
                x[kj + 1] = shr(sub(x[k + 1], im), 1);
                x[k] = shr(add(x[k], re), 1);
                x[k + 1] = shr(add(x[k + 1], im), 1);
            }
        }
    }
}

}  // namespace

void real_fft(int16_t* x) {
    complex_fft(x);
    const int16_t r0 = x[0], r1 = x[1];
    x[0] = add(r0, r1);
    x[1] = sub(r0, r1);
    for (int i = 2; i <= kSize / 2; i += 2) {
        const int j = kSize - i;
        const int16_t a_re = add(x[i], x[j]), a_im = sub(x[i + 1], x[j + 1]);
        const int16_t b_re = add(x[i + 1], x[j + 1]), b_im = sub(x[j], x[i]);
        const int32_t ha = L_deposit_h(a_re), hi = L_deposit_h(a_im);
        const int ti = i / 2, tj = j / 2;
        x[i] = round_fx(L_shr(L_msu(L_mac(ha, b_re, tw_re(ti)), b_im, tw_im(ti)), 1));
        x[i + 1] = round_fx(L_shr(L_mac(L_mac(hi, b_im, tw_re(ti)), b_re, tw_im(ti)), 1));
        x[j] = round_fx(L_shr(L_mac(L_mac(ha, b_re, tw_re(tj)), b_im, tw_im(tj)), 1));
        x[j + 1] = round_fx(L_shr(L_mac(L_msu(L_negate(hi), b_im, tw_re(tj)), b_re, tw_im(tj)), 1));
    }
}

}  // namespace voks::amrnb

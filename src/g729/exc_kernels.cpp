// Scalar excitation-search kernels (the definition) and the kernel table.
#include "g729/exc_kernels.h"

#include "common/basicop.h"
#include "common/mathop.h"
#include "g729/exc_core.h"

namespace voks::g729 {

namespace scalar {

int32_t mac_chain(const int16_t* a, const int16_t* b, int n) {
    int32_t s = 0;
    for (int i = 0; i < n; ++i) s = L_mac(s, a[i], b[i]);
    return s;
}

int32_t mac_chain_dec(const int16_t* a, const int16_t* b, int n) {
    int32_t s = 0;
    for (int i = 0; i < n; i += 2) s = L_mac(s, a[i], b[i]);
    return s;
}

void pred_lt_3(int16_t* exc, int t0, int frac) {
    const int16_t* x0 = exc - t0;
    frac = -frac;
    if (frac < 0) {
        frac += 3;
        --x0;
    }
    const int16_t* c1 = inter_3l + frac;
    const int16_t* c2 = inter_3l + (3 - frac);
    for (int j = 0; j < kSubfr; ++j, ++x0) {
        // x0 advances with j; samples already written by this call are read back when t0 < 40.
        int32_t s = 0;
        for (int i = 0, k = 0; i < 10; ++i, k += 3) {
            s = L_mac(s, x0[-i], c1[k]);
            s = L_mac(s, x0[1 + i], c2[k]);
        }
        exc[j] = round_fx(s);
    }
}

void norm_corr(const int16_t* exc, const int16_t* xn, const int16_t* h, int t_min, int t_max, int h_fac,
               int scaling, int16_t* excf, int16_t* corr) {
    for (int i = t_min; i <= t_max; ++i) {
        const int32_t inv = ownInvSqrt(mac_chain(excf, excf, kSubfr));
        int16_t nh, nl, ch, cl;
        L_Extract(inv, nh, nl);
        L_Extract(mac_chain(xn, excf, kSubfr), ch, cl);
        corr[i - t_min] = extract_h(L_shl(Mpy_32(ch, cl, nh, nl), 16));
        if (i != t_max) {
            const int16_t e = exc[-(i + 1)];
            for (int j = kSubfr - 1; j > 0; --j) {
                const int32_t s = L_shl(L_mult(e, h[j]), static_cast<int16_t>(h_fac));
                excf[j] = add(extract_h(s), excf[j - 1]);
            }
            excf[0] = shr(e, static_cast<int16_t>(scaling));
        }
    }
}

void cor_h_prefix(const int16_t* h, int32_t* pre) {
    for (int d = 0; d < kSubfr; ++d) {
        int32_t* p = pre + d * 41;
        int32_t s = 0;
        p[0] = 0;
        for (int m = 0; m < kSubfr - d; ++m) {
            s = L_mac(s, h[m], h[m + d]);
            p[m + 1] = s;
        }
    }
}

}  // namespace scalar

namespace {

constexpr ExcKernels kScalar = {scalar::mac_chain, scalar::mac_chain_dec, scalar::pred_lt_3, scalar::norm_corr,
                                scalar::cor_h_prefix};

ExcKernels g_table = kScalar;

void fill(frame::Level level) {
    g_table = kScalar;
#if defined(__x86_64__) || defined(__i386__)
    if (level == frame::Level::AVX2) {
        g_table = {avx2::mac_chain, avx2::mac_chain_dec, avx2::pred_lt_3, avx2::norm_corr, avx2::cor_h_prefix};
    }
#else
    (void)level;
#endif
}

const frame::KernelInit g_init(fill);

}  // namespace

const ExcKernels& exc_kernels() { return g_table; }

}  // namespace voks::g729

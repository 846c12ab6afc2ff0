// The LP analysis' exact fast paths against the step-by-step saturating chains of the reference
// (built here from the basic operators, or kept beside the kernel): the Chebyshev evaluation of
// the LSP root search, Levinson-Durbin, and the LSP -> LPC polynomials, each on real-filter sizes
// and at the extremes where the chain saturates.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "common/basicop.h"
#include "g729/kernels.h"
#include "voksc.h"

namespace {

using namespace voks;

struct Lcg {
    uint32_t s;
    uint32_t next() { return s = s * 1664525u + 1013904223u; }
    double unit() { return (next() >> 8) / 16777216.0 - 0.5; }
};

// The plain 32-bit path runs when no step can saturate for any x, otherwise 64-bit arithmetic
// checked step by step with the chain as fallback: both agree with the chain everywhere.
TEST(LpFastPath, ChebyshevAgreesWithTheSaturatingChain) {
    struct {
        const char* name;
        int16_t f_lo, f_hi, x_lo, x_hi;  // ranges of f[1..5] and of the evaluation points
    } const cases[] = {{"lp-sized", -8192, 8192, -32760, 32760},
                       {"lp-sized-full-x", -8192, 8192, -32768, 32767},  // no step can saturate
                       {"bound-edge", -12000, 12000, -32768, 32767},  // the plain bound just holds or fails
                       {"full-range", -32768, 32767, -32768, 32767},
                       {"large-positive", 20000, 32767, 16000, 32767},
                       {"large-negative", -32768, -20000, -32768, -16000},
                       {"alternating-size", -32768, 32767, -32768, -32000}};
    std::mt19937 rng(20261206);
    int saturating = 0, plain = 0, checked = 0;
    for (const auto& c : cases) {
        std::uniform_int_distribution<int> fd(c.f_lo, c.f_hi), xd(c.x_lo, c.x_hi);
        for (int trial = 0; trial < 2000; ++trial) {
            int16_t f[6] = {2048}, x[16], got[16], want[16];
            for (int i = 1; i < 6; ++i) f[i] = static_cast<int16_t>(fd(rng));
            for (auto& v : x) v = static_cast<int16_t>(xd(rng));
            x[0] = c.x_lo;
            x[1] = c.x_hi;
            const bool unsat = g729::scalar::cheb_unsaturated(f);
            (unsat ? plain : checked) += 1;
            for (bool q10 : {false, true}) {
                g729::scalar::cheb_grid(f, q10, unsat, x, 16, got);
                g729::scalar::cheb_grid_reference(f, q10, x, 16, want);
                ASSERT_EQ(std::vector<int16_t>(want, want + 16), std::vector<int16_t>(got, got + 16))
                    << c.name << " trial " << trial << " q10 " << q10;
                for (int16_t w : want) saturating += w == 32767 || w == -32768;
            }
        }
    }
    // The extreme cases drove the chain into saturation, and both paths ran.
    EXPECT_GT(saturating, 1000);
    EXPECT_GT(plain, 1000);
    EXPECT_GT(checked, 1000);
}

// Levinson of the reference (Mpy_32, L_add, Div_32 on hi/lo pairs); false when |K| > 32750/32768.
bool reference_levinson(const int32_t* r, int order, int16_t* a, int16_t* rc, int16_t* err) {
    int16_t rh[11], rl[11], ah[11], al[11], anh[11], anl[11], kh = 0, kl = 0, hi = 0, lo = 0;
    for (int i = 0; i <= order; ++i) L_Extract(r[i], rh[i], rl[i]);
    int32_t t1 = std::min(L_Comp(rh[1], rl[1]), L_Comp(rh[0], rl[0]));
    int32_t t0 = Div_32(L_abs(t1), rh[0], rl[0]);
    if (t1 > 0) t0 = L_negate(t0);
    L_Extract(t0, kh, kl);
    rc[0] = kh;
    L_Extract(L_shr(t0, 4), ah[1], al[1]);
    L_Extract(L_sub(MAX_32, L_abs(Mpy_32(kh, kl, kh, kl))), hi, lo);
    t0 = Mpy_32(rh[0], rl[0], hi, lo);
    int16_t alp_exp = norm_l(t0), alp_h = 0, alp_l = 0;
    L_Extract(L_shl(t0, alp_exp), alp_h, alp_l);
    for (int i = 2; i <= order; ++i) {
        t0 = 0;
        for (int j = 1; j < i; ++j) t0 = L_add(t0, Mpy_32(rh[j], rl[j], ah[i - j], al[i - j]));
        t0 = L_add(L_shl(t0, 4), L_Comp(rh[i], rl[i]));
        int32_t t2 = Div_32(std::min(L_abs(t0), L_Comp(alp_h, alp_l)), alp_h, alp_l);
        if (t0 > 0) t2 = L_negate(t2);
        t2 = L_shl(t2, alp_exp);
        L_Extract(t2, kh, kl);
        rc[i - 1] = kh;
        if (abs_s(kh) > 32750) return false;
        for (int j = 1; j < i; ++j)
            L_Extract(L_add(Mpy_32(kh, kl, ah[i - j], al[i - j]), L_Comp(ah[j], al[j])), anh[j], anl[j]);
        L_Extract(L_shr(t2, 4), anh[i], anl[i]);
        L_Extract(L_sub(MAX_32, L_abs(Mpy_32(kh, kl, kh, kl))), hi, lo);
        t0 = Mpy_32(alp_h, alp_l, hi, lo);
        const int16_t n = norm_l(t0);
        L_Extract(L_shl(t0, n), alp_h, alp_l);
        alp_exp = add(alp_exp, n);
        std::copy(anh + 1, anh + i + 1, ah + 1);
        std::copy(anl + 1, anl + i + 1, al + 1);
    }
    *err = alp_h;
    a[0] = 4096;
    for (int i = 1; i <= order; ++i) a[i] = round_fx(L_shl(L_Comp(ah[i], al[i]), 1));
    return true;
}

// Compares the library with the reference on r; counts stable and unstable outcomes.
void expect_same_levinson(const int32_t* r, int order, int* outcomes) {
    int16_t a[11], rc[10], err = 0, ra[11], rrc[10], rerr = 0;
    const bool ok = reference_levinson(r, order, ra, rrc, &rerr);
    ASSERT_EQ(ok ? vokStatusOk : vokStatusOverflow, voksLevinsonDurbin_G729_32s16s(r, order, a, rc, &err));
    ++outcomes[ok];
    if (!ok) return;
    ASSERT_EQ(0, std::memcmp(a, ra, sizeof(int16_t) * (order + 1)));
    ASSERT_EQ(0, std::memcmp(rc, rrc, sizeof(int16_t) * order));
    ASSERT_EQ(rerr, err);
}

// Autocorrelations of white noise to sharp resonances (poles close to the unit circle), and of
// noise through repeated low-pass poles, normalised as the analysis does.
TEST(LpFastPath, LevinsonOnResonantAndRandomSignals) {
    Lcg g{0x1E71u};
    int outcomes[2] = {};
    for (int iter = 0; iter < 3000; ++iter) {
        const double radius =
            iter % 3 == 0 ? 0.999 + 0.0009 * (g.unit() + 0.5) : 0.5 + 0.49 * (g.unit() + 0.5);
        const double freq = 3.14159 * (g.unit() + 0.5);
        std::vector<double> x(240);
        double y1 = 0, y2 = 0;
        for (double& v : x) {
            v = g.unit() + 2 * radius * std::cos(freq) * y1 - radius * radius * y2;
            y2 = y1;
            y1 = v;
        }
        if (iter % 2) {
            const int poles = 2 + static_cast<int>(g.next() % 8);
            const double p = 0.3 + 0.69 * (g.unit() + 0.5);
            for (double& v : x) v = g.unit();
            for (int k = 0; k < poles; ++k)
                for (size_t n = 1; n < x.size(); ++n) x[n] += p * x[n - 1];
        }
        const int order = iter % 10 == 0 ? 1 + static_cast<int>(g.next() % 10) : 10;
        double c[11] = {};
        for (int k = 0; k <= order; ++k)
            for (size_t n = static_cast<size_t>(k); n < x.size(); ++n)
                c[k] += x[n] * x[n - static_cast<size_t>(k)];
        int32_t r[11];
        for (int k = 0; k <= order; ++k)
            r[k] = static_cast<int32_t>(std::llround(c[k] * 2147483000.0 / c[0]));
        expect_same_levinson(r, order, outcomes);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(outcomes[1], 2000);
}

// Reflection coefficients near +-1, where the products of hi parts reach 2^30 and the partial
// sums the edge of 32 bits: pure tones, geometric decays, r[1] = +-r[0], and random sequences
// (mostly unstable, stopping at the first |K| > 32750/32768).
TEST(LpFastPath, LevinsonNearTheUnitCircle) {
    Lcg g{0xACE1u};
    int outcomes[2] = {};
    for (int iter = 0; iter < 3000; ++iter) {
        int32_t r[11];
        r[0] = 0x7FFFFFFF - static_cast<int32_t>(g.next() % 1000);
        const double w = iter < 300 ? 0.0002 * iter : 3.14159 * (g.unit() + 0.5);
        const double q = (iter % 2 ? 1 : -1) * (0.9 + 0.0999 * (g.unit() + 0.5));
        for (int k = 1; k <= 10; ++k) {
            if (iter % 3 == 0)
                r[k] = static_cast<int32_t>(r[0] * std::cos(k * w) * (1 - 1e-6 * k));
            else if (iter % 3 == 1)
                r[k] = static_cast<int32_t>(r[0] * std::pow(q, k));
            else
                r[k] = static_cast<int32_t>(g.next());
        }
        if (iter % 17 == 0) r[1] = iter % 2 ? r[0] : -r[0];
        expect_same_levinson(r, 10, outcomes);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(outcomes[1], 300);
    EXPECT_GT(outcomes[0], 300);
}

// Get_lsp_pol of the reference: Q24 coefficients of the sum or difference polynomial.
void reference_poly(const int16_t* lsp, int32_t* f) {
    f[0] = L_mult(4096, 2048);
    f[1] = L_msu(0, lsp[0], 512);
    for (int i = 2; i <= 5; ++i) {
        f[i] = f[i - 2];
        for (int j = 1; j < i; ++j) {
            int16_t hi = 0, lo = 0;
            L_Extract(f[i - j], hi, lo);
            f[i - j + 1] =
                L_sub(L_add(f[i - j + 1], f[i - j - 1]), L_shl(Mpy_32_16(hi, lo, lsp[2 * i - 2]), 1));
        }
        f[1] = L_msu(f[1], lsp[2 * i - 2], 512);
    }
}

// Ordered LSP sets of speech-like spacing, sets crowded towards -1 and +1 where the polynomial
// coefficients grow past 32 bits and saturate, unordered values, and -32768.
TEST(LpFastPath, LspToLpcAgainstTheReferenceChain) {
    Lcg g{0x15B9u};
    for (int iter = 0; iter < 6000; ++iter) {
        int16_t lsp[10], want[11], got[11];
        const int kind = iter % 4;
        for (int16_t& v : lsp) {
            const int32_t r = static_cast<int32_t>(g.next() >> 16);
            v = static_cast<int16_t>(kind == 0   ? r - 32768
                                     : kind == 1 ? -32768 + r % 3000
                                     : kind == 2 ? 32767 - r % 3000
                                                 : r % 60000 - 30000);
        }
        if (kind != 0)
            std::sort(lsp, lsp + 10, [](int16_t x, int16_t y) { return x > y; });  // cosines decrease
        if (iter % 50 == 0) lsp[2 * (1 + iter / 50 % 4)] = -32768;
        // Lsp_Az: a = (F1 (1 + z^-1) +- F2 (1 - z^-1)) / 2, rounded from Q24 to Q12.
        int32_t f1[6], f2[6];
        reference_poly(lsp, f1);
        reference_poly(lsp + 1, f2);
        for (int i = 5; i > 0; --i) {
            f1[i] = L_add(f1[i], f1[i - 1]);
            f2[i] = L_sub(f2[i], f2[i - 1]);
        }
        want[0] = 4096;
        for (int i = 1; i <= 5; ++i) {
            want[i] = extract_l(L_shr_r(L_add(f1[i], f2[i]), 13));
            want[11 - i] = extract_l(L_shr_r(L_sub(f1[i], f2[i]), 13));
        }
        ASSERT_EQ(vokStatusOk, voksLSPToLPC_G729_16s(lsp, got));
        ASSERT_EQ(0, std::memcmp(want, got, sizeof want)) << "case " << iter;
    }
}

}  // namespace

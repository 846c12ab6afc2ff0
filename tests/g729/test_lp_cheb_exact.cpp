// The Chebyshev evaluation of the LSP root search runs in plain 32-bit arithmetic when no step can
// saturate for any x, otherwise in 64-bit arithmetic checked step by step with the saturating chain
// as fallback. Each must agree with the chain everywhere: on
// polynomials of real LP filters, on random coefficients of every size, and at the extremes
// where the chain saturates (coefficients near +-32767, x at +-32768).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "g729/kernels.h"

namespace {

using voks::g729::scalar::cheb_grid;
using voks::g729::scalar::cheb_grid_reference;

struct Case {
    const char* name;
    int16_t f_lo, f_hi;  // range of f[1..5]
    int16_t x_lo, x_hi;  // range of the evaluation points
};

TEST(ChebyshevExact, AgreesWithTheSaturatingChain) {
    const Case cases[] = {
        {"lp-sized", -8192, 8192, -32760, 32760},
        {"lp-sized-full-x", -8192, 8192, -32768, 32767},  // no step can saturate: the plain path
        {"bound-edge", -12000, 12000, -32768, 32767},     // the plain path's bound holds or just fails
        {"full-range", -32768, 32767, -32768, 32767},
        {"large-positive", 20000, 32767, 16000, 32767},
        {"large-negative", -32768, -20000, -32768, -16000},
        {"alternating-size", -32768, 32767, -32768, -32000},
    };
    std::mt19937 rng(20261206);
    int saturating = 0, plain = 0, checked = 0;
    for (const Case& c : cases) {
        std::uniform_int_distribution<int> fd(c.f_lo, c.f_hi), xd(c.x_lo, c.x_hi);
        for (int trial = 0; trial < 2000; ++trial) {
            int16_t f[6] = {2048};
            for (int i = 1; i < 6; ++i) f[i] = static_cast<int16_t>(fd(rng));
            int16_t x[16];
            for (auto& v : x) v = static_cast<int16_t>(xd(rng));
            x[0] = c.x_lo;
            x[1] = c.x_hi;
            const bool unsat = voks::g729::scalar::cheb_unsaturated(f);
            (unsat ? plain : checked) += 1;
            for (bool q10 : {false, true}) {
                int16_t got[16], want[16];
                cheb_grid(f, q10, unsat, x, 16, got);
                cheb_grid_reference(f, q10, x, 16, want);
                for (int j = 0; j < 16; ++j) {
                    ASSERT_EQ(want[j], got[j])
                        << c.name << " trial " << trial << " q10 " << q10 << " x " << x[j];
                    saturating += want[j] == 32767 || want[j] == -32768;
                }
            }
        }
    }
    // The extreme cases must have driven the chain into saturation, and both paths must have run.
    EXPECT_GT(saturating, 1000);
    EXPECT_GT(plain, 1000);
    EXPECT_GT(checked, 1000);
}

}  // namespace

// The Chebyshev evaluation of the LSP root search against the step-by-step saturating chain of
// the reference kept beside the kernel, on real-filter sizes and at the extremes where the chain
// saturates (beyond what the golden LP sets reach).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "g729/kernels.h"
#include "voksc.h"

namespace {

using namespace voks;

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

}  // namespace

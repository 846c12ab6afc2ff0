// The example encoder's exact fast paths against the library routines that define them (the
// reference Convolve and Residu), on seeded inputs at amplitudes around the bound that chooses
// between the plain sums and the saturating chain.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "amrnb/amrnb_enc_ops.h"
#include "amrnb/lp_internal.h"
#include "voksc.h"

namespace {

// Peaks of the signal and of the filter: 2 max|x| sum|h| straddles 2^31 in the middle rows,
// stays below it in the first and above it in the last.
struct Case {
    int32_t x_peak, h_peak;
};
const Case kCases[] = {{3000, 100}, {32767, 1600}, {16000, 3300}, {8000, 6600}, {32767, 32767}};

struct Rng {
    uint32_t seed = 12345;
    int16_t operator()(int32_t peak) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int16_t>(static_cast<int32_t>((seed >> 8) % (2u * peak + 1)) - peak);
    }
};

// Runs `check` on 300 draws per case of x (XN values, the extreme one in the first draw) and h
// (HN values, the peak scaled to 40 taps); counts the draws on each side of the bound.
template <int XN, int HN, class Check>
void straddle(Check check) {
    Rng rng;
    int below = 0, above = 0;
    for (const Case& c : kCases) {
        for (int run = 0; run < 300; ++run) {
            int16_t x[XN], h[HN];
            for (int16_t& v : x) v = rng(c.x_peak);
            for (int16_t& v : h) v = rng(std::min<int32_t>(c.h_peak * 40 / HN, 32767));
            if (run == 0) x[XN - 3] = static_cast<int16_t>(-c.x_peak - (c.x_peak == 32767));
            int64_t mx = 0, sh = 0;
            for (int16_t v : x) mx = std::max<int64_t>(mx, std::abs(int32_t{v}));
            for (int16_t v : h) sh += std::abs(int32_t{v});
            (2 * mx * sh < (int64_t{1} << 31) ? below : above) += 1;
            ASSERT_TRUE(check(x, h)) << c.x_peak << " " << c.h_peak << " run " << run;
        }
    }
    EXPECT_GT(below, 300);
    EXPECT_GT(above, 300);
}

TEST(AmrnbEncOps, Convolve40IsTheReferenceConvolveOnBothSidesOfItsBound) {
    straddle<40, 40>([](const int16_t* x, const int16_t* h) {
        int16_t got[40], want[40];
        amrnbex::convolve40(x, h, got);
        return voksConvPartial_16s_Sfs(x, h, want, 40, 12) == vokStatusOk &&
               std::memcmp(got, want, sizeof got) == 0;
    });
}

TEST(AmrnbEncOps, Residu40IsTheReferenceResiduOnBothSidesOfItsBound) {
    straddle<50, 11>([](const int16_t* x, const int16_t* a) {
        int16_t got[40], want[40];
        amrnbex::residu40(a, x + 10, got);
        voks::amrnb::residu(a, x + 10, want, 40);
        return std::memcmp(got, want, sizeof got) == 0;
    });
}

}  // namespace

// The example encoder's exact fast paths against the library operation that defines them, on
// seeded inputs at amplitudes around the bound that chooses between them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "amrnb/amrnb_enc_ops.h"
#include "voksc.h"

namespace {

TEST(AmrnbEncOps, Convolve40IsTheReferenceConvolveOnBothSidesOfItsBound) {
    // Peaks of the excitation and of the Q12 response: 2 max|x| sum|h| straddles 2^31 in the
    // middle rows, stays below it in the first and above it in the last.
    struct Case {
        int32_t x_peak, h_peak;
    } cases[] = {{3000, 100}, {32767, 1600}, {16000, 3300}, {8000, 6600}, {32767, 32767}};
    uint32_t seed = 12345;
    auto next = [&seed](int32_t peak) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int16_t>(static_cast<int32_t>((seed >> 8) % (2u * peak + 1)) - peak);
    };
    int below = 0, above = 0;
    for (const Case& c : cases) {
        for (int run = 0; run < 300; ++run) {
            int16_t x[40], h[40], got[40], want[40];
            for (int i = 0; i < 40; ++i) x[i] = next(c.x_peak);
            for (int i = 0; i < 40; ++i) h[i] = next(c.h_peak);
            if (run == 0) x[7] = static_cast<int16_t>(-c.x_peak - (c.x_peak == 32767));  // the extreme value
            int64_t mx = 0, sh = 0;
            for (int i = 0; i < 40; ++i) {
                mx = std::max<int64_t>(mx, std::abs(int32_t{x[i]}));
                sh += std::abs(int32_t{h[i]});
            }
            (2 * mx * sh < (int64_t{1} << 31) ? below : above) += 1;
            amrnbex::convolve40(x, h, got);
            ASSERT_EQ(voksConvPartial_16s_Sfs(x, h, want, 40, 12), vokStatusOk);
            ASSERT_EQ(std::memcmp(got, want, sizeof got), 0) << c.x_peak << " " << c.h_peak << " run " << run;
        }
    }
    EXPECT_GT(below, 300);
    EXPECT_GT(above, 300);
}

}  // namespace

// Edge cases with hand-derived expectations, properties of the search ranges, and the float
// twins checked against the golden-tested fixed-point operations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "support/golden.h"
#include "voksc.h"

namespace {

TEST(G729ExcEdges, DecimatedDotProduct) {
    // Even indices only, doubled: 2 (6 + 24 + 50) over five, 2 (6 + 24) over four; full scale
    // saturates, and one product of -32768 squared doubles to exactly 2^31.
    const Vok16s x[5] = {1, 2, 3, 4, 5}, y[5] = {6, 7, 8, 9, 10};
    const std::vector<Vok16s> mx(80, 32767), mn(80, -32768);
    struct {
        const Vok16s *a, *b;
        int len;
        VokStatus status;
        Vok32s want;
    } const rows[] = {{x, y, 5, vokStatusOk, 160},
                      {x, y, 4, vokStatusOk, 60},
                      {mx.data(), mx.data(), 80, vokStatusOverflow, INT32_MAX},
                      {mn.data(), mx.data(), 80, vokStatusOverflow, INT32_MIN},
                      {mn.data(), mn.data(), 1, vokStatusOverflow, INT32_MAX}};
    for (const auto& r : rows) {
        Vok32s d = 0;
        EXPECT_EQ(voksDotProd_G729A_16s32s(r.a, r.b, r.len, &d), r.status) << r.len;
        EXPECT_EQ(d, r.want) << r.len;
    }
    const Vok32f fx[5] = {1, 2, 3, 4, 5}, fy[5] = {6, 7, 8, 9, 10};
    Vok32f f = 0;
    EXPECT_EQ(voksDotProd_G729A_32f(fx, fy, 5, &f), vokStatusOk);
    EXPECT_EQ(f, 80.0f);
}

TEST(G729ExcEdges, FloatFilteredExcitationAndTargetUpdate) {
    // y[2] = 20 + 2*3, y[1] = 10 + 2*2, y[0] = 2.
    const Vok32f h[3] = {1, 2, 3};
    Vok32f y[3] = {10, 20, 30}, one[1] = {5};
    ASSERT_EQ(voksFilteredExcitation_G729_32f(h, y, 3, 2.0f), vokStatusOk);
    EXPECT_EQ((std::vector<Vok32f>{2, 14, 26}), std::vector<Vok32f>(y, y + 3));
    ASSERT_EQ(voksFilteredExcitation_G729_32f(h, one, 1, -1.5f), vokStatusOk);
    EXPECT_EQ(one[0], -1.5f);

    Vok32f fx[40], fy[40], fo[40];
    for (int i = 0; i < 40; ++i) {
        fx[i] = static_cast<float>(i);
        fy[i] = 2.0f;
    }
    ASSERT_EQ(voksAdaptiveCodebookContribution_G729_32f(0.5f, fy, fx, fo), vokStatusOk);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(fo[i], static_cast<float>(i) - 1.0f);
}

// The float interpolation follows the golden-tested fixed-point one within rounding.
TEST(G729ExcEdges, FloatAdaptiveVectorFollowsFixedPoint) {
    const golden::File r("g729_exc/pred_lt3.bin", 236);
    ASSERT_GE(r.count(), 90u);
    int compared = 0;
    for (size_t i = 0; i < r.count(); ++i) {
        const int16_t* rec = r[i];
        float fexc[194], maxabs = 0;
        for (int k = 0; k < 194; ++k) {
            fexc[k] = rec[k];
            maxabs = std::fmax(maxabs, std::fabs(fexc[k]));
        }
        if (maxabs > 6000) continue;  // the fixed-point sums saturate on louder input
        const Vok32s delay[2] = {rec[194], rec[195]};
        ASSERT_EQ(voksDecodeAdaptiveVector_G729_32f_I(delay, fexc + 154), vokStatusOk);
        for (int k = 0; k < 40; ++k)
            EXPECT_NEAR(fexc[154 + k], rec[196 + k], 1.0 + 2e-4 * maxabs) << i << " " << k;
        ++compared;
    }
    EXPECT_GE(compared, 20);
    // T0 = 145 is accepted by the float form and reads 156 samples back.
    std::vector<float> buf(156 + 40, 1.0f);
    const Vok32s d145[2] = {145, 1};
    EXPECT_EQ(voksDecodeAdaptiveVector_G729_32f_I(d145, buf.data() + 156), vokStatusOk);
    for (int k = 0; k < 40; ++k) EXPECT_NEAR(buf[156 + k], 1.0f, 0.01f);
}

// The float open-loop search agrees with the fixed-point Annex A search on the speech frames
// that need no scaling (the two differ only by rounding of near ties).
TEST(G729ExcEdges, FloatOpenLoopFollowsFixedPoint) {
    const golden::File r("g729_exc/pitch_ol_a.bin", 224);
    ASSERT_GE(r.count(), 100u);
    int same = 0, total = 0;
    for (size_t i = 96; i < r.count(); ++i, ++total) {
        const int16_t* rec = r[i];
        float f[223];
        std::copy(rec, rec + 223, f);
        Vok32s lag = 0;
        ASSERT_EQ(voksOpenLoopPitchSearch_G729A_32f(f + 143, &lag), vokStatusOk);
        EXPECT_GE(lag, 20);
        EXPECT_LE(lag, 143);
        same += lag == rec[223];
    }
    EXPECT_GE(same * 10, total * 9) << same << " of " << total;
}

}  // namespace

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
    const Vok16s x[5] = {1, 2, 3, 4, 5}, y[5] = {6, 7, 8, 9, 10};
    Vok32s r = 0;
    // Even indices 0, 2, 4: 6 + 24 + 50 = 80, doubled.
    EXPECT_EQ(voksDotProd_G729A_16s32s(x, y, 5, &r), vokStatusOk);
    EXPECT_EQ(r, 160);
    EXPECT_EQ(voksDotProd_G729A_16s32s(x, y, 4, &r), vokStatusOk);
    EXPECT_EQ(r, 60);
    std::vector<Vok16s> mx(80, 32767), mn(80, -32768);
    EXPECT_EQ(voksDotProd_G729A_16s32s(mx.data(), mx.data(), 80, &r), vokStatusOverflow);
    EXPECT_EQ(r, 0x7FFFFFFF);
    EXPECT_EQ(voksDotProd_G729A_16s32s(mn.data(), mx.data(), 80, &r), vokStatusOverflow);
    EXPECT_EQ(r, static_cast<Vok32s>(0x80000000u));
    // One product of -32768 squared doubles to exactly 2^31: saturated.
    EXPECT_EQ(voksDotProd_G729A_16s32s(mn.data(), mn.data(), 1, &r), vokStatusOverflow);
    EXPECT_EQ(r, 0x7FFFFFFF);
    const Vok32f fx[5] = {1, 2, 3, 4, 5}, fy[5] = {6, 7, 8, 9, 10};
    Vok32f f = 0;
    EXPECT_EQ(voksDotProd_G729A_32f(fx, fy, 5, &f), vokStatusOk);
    EXPECT_EQ(f, 80.0f);
}

TEST(G729ExcEdges, FilteredExcitationUpdate) {
    const Vok32f h[3] = {1, 2, 3};
    Vok32f y[3] = {10, 20, 30};
    ASSERT_EQ(voksFilteredExcitation_G729_32f(h, y, 3, 2.0f), vokStatusOk);
    // y[2] = 20 + 2*3, y[1] = 10 + 2*2, y[0] = 2.
    EXPECT_EQ(y[0], 2.0f);
    EXPECT_EQ(y[1], 14.0f);
    EXPECT_EQ(y[2], 26.0f);
    Vok32f one[1] = {5};
    ASSERT_EQ(voksFilteredExcitation_G729_32f(h, one, 1, -1.5f), vokStatusOk);
    EXPECT_EQ(one[0], -1.5f);
}

TEST(G729ExcEdges, TargetUpdateSaturatesLikeTheReferenceCoder) {
    Vok16s x[42] = {}, y[42] = {}, out[40];  // the cases sit at offsets 0, 1 and 2 of 40-sample calls
    // 32767 * 19661 * 4 exceeds 2^31: the product term saturates to 32767 and the difference to
    // -32768 (a wrapping subtraction would flip the sign of a loud target).
    x[0] = -32000;
    y[0] = 32767;
    // 1000 * 16384 (1.0 in Q14) = 1000 exactly.
    x[1] = 5;
    y[1] = 1000;
    // Negative product: -3 * 8192 (0.5) >> 14 = -1.5, floored to -2.
    x[2] = 0;
    y[2] = -3;
    ASSERT_EQ(voksAdaptiveCodebookContribution_G729_16s(19661, y, x, out), vokStatusOk);
    EXPECT_EQ(out[0], -32768);
    ASSERT_EQ(voksAdaptiveCodebookContribution_G729_16s(16384, y + 1, x + 1, out), vokStatusOk);
    EXPECT_EQ(out[0], 5 - 1000);
    ASSERT_EQ(voksAdaptiveCodebookContribution_G729_16s(8192, y + 2, x + 2, out), vokStatusOk);
    EXPECT_EQ(out[0], 2);
    Vok32f fx[40], fy[40], fo[40];
    for (int i = 0; i < 40; ++i) {
        fx[i] = static_cast<float>(i);
        fy[i] = 2.0f;
    }
    ASSERT_EQ(voksAdaptiveCodebookContribution_G729_32f(0.5f, fy, fx, fo), vokStatusOk);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(fo[i], static_cast<float>(i) - 1.0f);
}

TEST(G729ExcEdges, PitchGainLimits) {
    Vok16s h[40] = {}, v[40], x[40], y[40], g = -1;
    h[0] = 4096;  // unit response in Q12: the filtered vector equals the vector
    for (int i = 0; i < 40; ++i) v[i] = static_cast<Vok16s>((i * 37) % 200 - 100);
    for (int i = 0; i < 40; ++i) x[i] = 0;
    ASSERT_EQ(voksAdaptiveCodebookGain_G729_16s(x, h, v, y, &g), vokStatusOk);
    EXPECT_EQ(0, std::memcmp(y, v, sizeof y));
    EXPECT_EQ(g, 0);
    for (int i = 0; i < 40; ++i) x[i] = static_cast<Vok16s>(2 * v[i]);
    ASSERT_EQ(voksAdaptiveCodebookGain_G729_16s(x, h, v, y, &g), vokStatusOk);
    EXPECT_EQ(g, 19661);  // 2.0 limited to 1.2 in Q14
    for (int i = 0; i < 40; ++i) x[i] = static_cast<Vok16s>(-v[i]);
    ASSERT_EQ(voksAdaptiveCodebookGain_G729_16s(x, h, v, y, &g), vokStatusOk);
    EXPECT_EQ(g, 0);
    const Vok16s lpc[11] = {4096};
    for (int i = 0; i < 40; ++i) x[i] = v[i];
    ASSERT_EQ(voksAdaptiveCodebookGain_G729A_16s(x, lpc, v, y, &g), vokStatusOk);
    EXPECT_EQ(0, std::memcmp(y, v, sizeof y));
    EXPECT_GE(g, 16380);  // 1.0 in Q14, less the rounding of the normalised terms
    EXPECT_LE(g, 16384);
}

// A single tap of 100: the doubled energy 20000 (between 2^14 and 2^15) normalises with shift
// 16, so the response is scaled by 2^8 to 25600, each diagonal element is
// extract_h(2 * 25600^2) = 20000 (32-bit half 655360000) and every cross term vanishes.
TEST(G729ExcEdges, MatrixOfASingleTap) {
    Vok16s h[40] = {};
    h[0] = 100;
    Vok16s m16[616];
    Vok32s m32[616];
    ASSERT_EQ(voksToeplizMatrix_G729_16s(h, m16), vokStatusOk);
    ASSERT_EQ(voksToeplizMatrix_G729_16s32s(h, m32), vokStatusOk);
    for (int i = 0; i < 616; ++i) {
        EXPECT_EQ(m16[i], i < 40 ? 20000 : 0) << i;
        EXPECT_EQ(m32[i], i < 40 ? 655360000 : 0) << i;
    }
    Vok32f fh[40] = {}, fm[616];
    fh[0] = 0.5f;
    ASSERT_EQ(voksToeplizMatrix_G729_32f(fh, fm), vokStatusOk);
    for (int i = 0; i < 616; ++i) EXPECT_EQ(fm[i], i < 40 ? 0.25f : 0.0f) << i;
}

// With |d| equal everywhere the threshold equals the three-pulse sum, the fourth loop is never
// entered, and the default positions 0, 1, 2, 3 come back with positive signs.
TEST(G729ExcEdges, FixedCodebookBudgetAndDefaults) {
    Vok16s h[40] = {};
    h[0] = 4096;
    h[1] = 1000;
    Vok16s d[40];
    for (auto& v : d) v = 300;
    struct Case {
        Vok16s subframe, counter_in, counter_out;
    };
    for (const Case& c :
         {Case{0, -500, 105}, Case{0, 0, 105}, Case{1, 0, 75}, Case{1, 10, 85}, Case{2, 5, 80}}) {
        Vok32s m[616];
        ASSERT_EQ(voksToeplizMatrix_G729_16s32s(h, m), vokStatusOk);
        Vok16s code[40], idx[2], counter = c.counter_in;
        ASSERT_EQ(voksFixedCodebookSearch_G729_32s16s(d, m, code, idx, &counter, c.subframe), vokStatusOk);
        EXPECT_EQ(counter, c.counter_out) << c.subframe << " " << c.counter_in;
        EXPECT_EQ(idx[0], 15);
        EXPECT_EQ(idx[1], 0);
        for (int i = 0; i < 40; ++i) EXPECT_EQ(code[i], i < 4 ? 8191 : 0) << i;
    }
    // A budget already spent stops the search after the first fourth-loop entry.
    d[0] = 2000;
    Vok32s m[616];
    ASSERT_EQ(voksToeplizMatrix_G729_16s32s(h, m), vokStatusOk);
    Vok16s code[40], idx[2], counter = -100;
    ASSERT_EQ(voksFixedCodebookSearch_G729_32s16s(d, m, code, idx, &counter, 1), vokStatusOk);
    EXPECT_EQ(counter, -26);  // 75 - 100 - 1
}

// Delays whose search ranges coincide give identical results: 18, 19 and 23 all search
// 20..26 in sub-frame 0; 140 and 145 search 137..143; in sub-frame 1, 139 and 145 search
// 134..143.
TEST(G729ExcEdges, SearchRangeClamping) {
    const golden::File r("g729_exc/pitch_fr3.bin", 318);
    ASSERT_GE(r.count(), 100u);
    using Fn = VokStatus (*)(Vok16s, const Vok16s*, const Vok16s*, Vok16s*, Vok16s*, Vok16s*, Vok16s);
    struct Group {
        Vok16s sub;
        std::vector<Vok16s> delays;
    };
    for (Fn fn : {voksAdaptiveCodebookSearch_G729_16s, voksAdaptiveCodebookSearch_G729A_16s})
        for (const Group& g : {Group{0, {18, 19, 23}}, Group{0, {140, 145}}, Group{1, {139, 145}}})
            for (size_t i = 0; i < r.count(); i += 7) {
                const int16_t* rec = r[i];
                Vok16s first[2] = {0, 0};
                for (size_t k = 0; k < g.delays.size(); ++k) {
                    std::vector<Vok16s> exc(rec, rec + 194);
                    Vok16s dly[2], vec[40];
                    ASSERT_EQ(fn(g.delays[k], rec + 194, rec + 234, exc.data(), dly, vec, g.sub),
                              vokStatusOk);
                    EXPECT_GE(dly[0] * 3 + dly[1], 3 * (g.delays[0] < 100 ? 20 : (g.sub ? 134 : 137)) - 2);
                    EXPECT_LE(dly[0] * 3 + dly[1], 3 * 143 + 2);
                    if (k == 0) {
                        first[0] = dly[0];
                        first[1] = dly[1];
                    } else {
                        EXPECT_EQ(dly[0], first[0]) << i;
                        EXPECT_EQ(dly[1], first[1]) << i;
                    }
                }
            }
}

// The float interpolation follows the golden-tested fixed-point one within rounding.
TEST(G729ExcEdges, FloatAdaptiveVectorFollowsFixedPoint) {
    const golden::File r("g729_exc/pred_lt3.bin", 236);
    ASSERT_GE(r.count(), 90u);
    int compared = 0;
    for (size_t i = 0; i < r.count(); ++i) {
        const int16_t* rec = r[i];
        float fexc[194];
        float maxabs = 0;
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
    for (size_t i = 96; i < r.count(); ++i) {
        const int16_t* rec = r[i];
        float f[223];
        for (int k = 0; k < 223; ++k) f[k] = rec[k];
        Vok32s lag = 0;
        ASSERT_EQ(voksOpenLoopPitchSearch_G729A_32f(f + 143, &lag), vokStatusOk);
        EXPECT_GE(lag, 20);
        EXPECT_LE(lag, 143);
        same += lag == rec[223];
        ++total;
    }
    EXPECT_GE(same * 10, total * 9) << same << " of " << total;
}

// The float matrix of the unscaled response equals the 32-bit matrix of the scaled one divided
// by the square of the scale (both exact here: small integers).
TEST(G729ExcEdges, FloatMatrixFollowsFixedPoint) {
    Vok16s h[40];
    Vok32f fh[40];
    for (int i = 0; i < 40; ++i) {
        h[i] = static_cast<Vok16s>(((i * 53) % 61 - 30) * (40 - i));
        fh[i] = h[i];
    }
    Vok32s m32[616];
    Vok32f fm[616];
    ASSERT_EQ(voksToeplizMatrix_G729_16s32s(h, m32), vokStatusOk);
    ASSERT_EQ(voksToeplizMatrix_G729_32f(fh, fm), vokStatusOk);
    // The doubled energy lies in [2^23, 2^24) (checked below): norm_l 7, so the scale is 2^3.
    double e = 0;
    for (auto v : h) e += 2.0 * v * v;
    ASSERT_GE(e, std::ldexp(1.0, 23));
    ASSERT_LT(e, std::ldexp(1.0, 24));
    for (int i = 0; i < 616; ++i)
        EXPECT_EQ(static_cast<double>(fm[i]) * 64.0, static_cast<double>(m32[i])) << i;
}

}  // namespace

// The single-precision codebook searches against the golden-tested fixed-point searches on the
// same reference sub-frames: the float codeword must be well formed (index words decode to the
// pulses of the code vector) and agree with the fixed-point choice on most sub-frames (the two
// differ by the fixed-point rounding of near ties).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "golden_util.h"
#include "voksc.h"

namespace {

using exc_golden::load;
using exc_golden::Records;

// Positions of the four pulses of a 17-bit position word.
void decode17(int pos, int pos_out[4]) {
    pos_out[0] = 5 * (pos & 7);
    pos_out[1] = 1 + 5 * ((pos >> 3) & 7);
    pos_out[2] = 2 + 5 * ((pos >> 6) & 7);
    const int p3 = (pos >> 9) & 15;
    pos_out[3] = 3 + (p3 & 1) + 5 * (p3 >> 1);
}

void expect_code17(const Vok32f* code, const Vok32s* idx, int rec) {
    int p[4];
    decode17(idx[0], p);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(code[p[k]], (idx[1] >> k) & 1 ? 1.0f : -1.0f) << rec << " pulse " << k;
    int nonzero = 0;
    for (int i = 0; i < 40; ++i) nonzero += code[i] != 0.0f;
    EXPECT_EQ(nonzero, 4) << rec;
}

TEST(G729ExcFloat, FixedCodebookSearchFollowsFixedPoint) {
    const Records r = load("d4i40.bin", 127);
    ASSERT_GE(r.count(), 100);
    int same = 0;
    for (int i = 0; i < r.count(); ++i) {
        const int16_t* rec = r.at(i);
        Vok32f h[40], d[40], m[616], code[40];
        for (int k = 0; k < 40; ++k) {
            h[k] = rec[k] / 4096.0f;
            d[k] = rec[40 + k];
        }
        ASSERT_EQ(voksToeplizMatrix_G729_32f(h, m), vokStatusOk);
        Vok32s idx[2], counter = rec[81];
        ASSERT_EQ(voksFixedCodebookSearch_G729_32f(d, m, code, idx, &counter, rec[80]), vokStatusOk);
        expect_code17(code, idx, i);
        same += idx[0] == rec[123] && idx[1] == rec[122];
    }
    EXPECT_GE(same * 10, r.count() * 7) << same << " of " << r.count();
}

TEST(G729ExcFloat, FixedCodebookSearchAnnexAFollowsFixedPoint) {
    const Records r = load("d4i40_a.bin", 124);
    ASSERT_GE(r.count(), 100);
    int same = 0;
    for (int i = 0; i < r.count(); ++i) {
        const int16_t* rec = r.at(i);
        Vok32f h[40], d[40], m[616], code[40];
        for (int k = 0; k < 40; ++k) {
            h[k] = rec[k] / 4096.0f;
            d[k] = rec[40 + k];
        }
        ASSERT_EQ(voksToeplizMatrix_G729_32f(h, m), vokStatusOk);
        Vok32s idx[2];
        ASSERT_EQ(voksFixedCodebookSearch_G729A_32f(d, m, code, idx), vokStatusOk);
        expect_code17(code, idx, i);
        same += idx[0] == rec[121] && idx[1] == rec[120];
    }
    EXPECT_GE(same * 10, r.count() * 7) << same << " of " << r.count();
}

TEST(G729ExcFloat, FixedCodebookSearchAnnexDFollowsFixedPoint) {
    const Records r = load("d2i40_d.bin", 162);
    ASSERT_GE(r.count(), 100);
    int same = 0;
    for (int i = 0; i < r.count(); ++i) {
        const int16_t* rec = r.at(i);
        Vok32f h[40], d[40], code[40], y[40];
        for (int k = 0; k < 40; ++k) {
            h[k] = rec[k] / 4096.0f;
            d[k] = rec[40 + k];
        }
        Vok32s sign, index;
        ASSERT_EQ(voksFixedCodebookSearch_G729D_32f(d, h, code, y, &sign, &index), vokStatusOk);
        // The filtered code is the response placed at the pulses with their signs.
        Vok32f expect[40] = {};
        for (int p = 0; p < 40; ++p)
            if (code[p] != 0.0f)
                for (int k = p; k < 40; ++k) expect[k] += code[p] * h[k - p];
        for (int k = 0; k < 40; ++k) EXPECT_NEAR(y[k], expect[k], 1e-5f) << i;
        EXPECT_GE(sign, 0);
        EXPECT_LE(sign, 3);
        same += sign == rec[160] && index == rec[161];
    }
    EXPECT_GE(same * 10, r.count() * 7) << same << " of " << r.count();
}

// The Annex D float matrix: the five diagonal blocks first, the energies of the shifted response.
TEST(G729ExcFloat, AnnexDMatrixDiagonal) {
    Vok32f h[40], m[552];
    for (int i = 0; i < 40; ++i) h[i] = (i % 3) - 1.0f + (i == 0 ? 4.0f : 0.0f);
    ASSERT_EQ(voksToeplizMatrix_G729D_32f(h, m), vokStatusOk);
    for (int p = 0; p < 40; ++p) {
        float e = 0;
        for (int n = 0; n < 40 - p; ++n) e += h[n] * h[n];
        EXPECT_EQ(m[8 * (p % 5) + p / 5], e) << p;
    }
    // Track 1 against itself (second block): symmetric, with the diagonal on its diagonal.
    for (int a = 0; a < 8; ++a)
        for (int b = 0; b < 8; ++b) {
            EXPECT_EQ(m[40 + 64 + 8 * a + b], m[40 + 64 + 8 * b + a]);
            if (a == b) {
                EXPECT_EQ(m[40 + 64 + 8 * a + a], m[8 + a]);
            }
        }
}

}  // namespace

namespace {

// Annex E: the float search against the golden-tested fixed-point one on the reference records.
TEST(G729ExcFloat, FixedCodebookSearchAnnexEFollowsFixedPoint) {
    const exc_golden::Records r = exc_golden::load("acelp_e.bin", 206);
    ASSERT_GE(r.count(), 100);
    int same = 0, speech = 0;
    for (int i = 0; i < r.count(); ++i) {
        const int16_t* rec = r.at(i);
        Vok32f x[40], cn[40], h[40], code[40], y[40];
        for (int k = 0; k < 40; ++k) {
            x[k] = rec[1 + k];
            cn[k] = rec[41 + k];
            h[k] = rec[81 + k] / 4096.0f;
        }
        Vok32s idx[5];
        ASSERT_EQ(voksFixedCodebookSearch_G729E_32f(rec[0], x, cn, h, code, y, idx), vokStatusOk);
        // Code in units of the fixed-point pulse (4096), filtered code the response at the pulses.
        Vok32f expect[40] = {};
        int pulses = 0;
        for (int p = 0; p < 40; ++p) {
            pulses += static_cast<int>(std::fabs(code[p]));
            for (int k = p; k < 40; ++k) expect[k] += code[p] * h[k - p];
        }
        for (int k = 0; k < 40; ++k) EXPECT_NEAR(y[k], expect[k], 1e-4f) << i;
        EXPECT_LE(pulses, rec[0] ? 12 : 10);
        if (i < 120) continue;  // seeded extreme inputs: only the form is checked
        ++speech;
        bool eq = true;
        for (int k = 0; k < 40; ++k) eq &= code[k] * 4096.0f == rec[121 + k];
        same += eq;
    }
    EXPECT_GE(same * 10, speech * 7) << same << " of " << speech;
}

}  // namespace

// G.723.1 edge cases with values from the reference routines (LSP.C Lsp_Inq, UTIL_LBC.C
// Line_Unpk, run outside this repository) or derived by hand, and malformed frames.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "g723/g723_codec.h"
#include "voksc.h"

namespace {

TEST(G723Edges, SilentWindow) {
    // The reference marks a silent window with the exponent 40 and an all-zero autocorrelation.
    const std::vector<int16_t> zero(180, 0);
    int16_t exp = 0, acf[11];
    std::memset(acf, 0x55, sizeof acf);
    ASSERT_EQ(voksAutoCorr_G723_16s(zero.data(), &exp, acf), vokStatusOk);
    EXPECT_EQ(exp, 40);
    for (int16_t v : acf) EXPECT_EQ(v, 0);
}

TEST(G723Edges, LsfDecode) {
    // When the spacing passes do not converge the reference decoder keeps the previous vector.
    struct Row {
        int16_t idx[3];
        int16_t prev[10];
        int erased;
        VokStatus status;
        int16_t want[10];
    };
    const Row rows[] = {
        {{1, 2, 3},
         {3131, 4721, 7690, 10806, 13872, 16495, 19752, 22260, 25484, 27718},
         0,
         vokStatusOk,
         {2861, 3349, 6658, 8154, 12594, 15127, 20404, 22882, 25093, 27146}},
        {{151, 234, 220},
         {24041, 18494, 21665, 16961, 30945, 11772, 9063, 574, 24321, 18046},
         0,
         vokStatusLsfFloor,
         {24041, 18494, 21665, 16961, 30945, 11772, 9063, 574, 24321, 18046}},
        {{178, 205, 198},
         {22874, 24869, 2397, 12549, 8983, 10328, 23273, 1118, 10452, 15787},
         1,
         vokStatusLsfFloor,
         {22874, 24869, 2397, 12549, 8983, 10328, 23273, 1118, 10452, 15787}},
    };
    for (const Row& r : rows) {
        int16_t out[10];
        EXPECT_EQ(voksLSFDecode_G723_16s(r.idx, r.prev, r.erased, out), r.status);
        EXPECT_EQ(0, std::memcmp(out, r.want, sizeof out)) << r.idx[0];
    }
}

TEST(G723Edges, NoPulseTrainAtLongLags) {
    int16_t h[60], t[60], code[60], grid, train, amp, sign;
    int32_t pos;
    for (int i = 0; i < 60; ++i)
        h[i] = static_cast<int16_t>(8000 >> (i / 8)), t[i] = static_cast<int16_t>((i * 37 % 23) * 300 - 3000);
    for (int16_t lag : {58, 100, 145})
        for (int16_t sub = 0; sub < 4; ++sub) {
            ASSERT_EQ(
                voksMPMLQFixedCodebookSearch_G723(lag, h, t, code, &grid, &train, &amp, &sign, &pos, sub),
                vokStatusOk);
            EXPECT_EQ(train, 0) << lag;
            int pulses = 0;
            for (int16_t v : code) pulses += v != 0;
            EXPECT_EQ(pulses, (sub & 1) ? 5 : 6);
        }
}

// Decodes frames through two decoders, one of which sees `bad` where the other sees an erasure:
// the reference reads a lag code above 123 or a gain index beyond its codebook as an erasure.
void expect_concealed(const std::vector<uint8_t>& good, const std::vector<uint8_t>& bad) {
    g723::Decoder a, b;
    g723::decoder_init(&a, true);
    g723::decoder_init(&b, true);
    int16_t ya[240], yb[240];
    for (int f = 0; f < 3; ++f) {
        g723::decode(&a, good.data(), false, ya);
        g723::decode(&b, good.data(), false, yb);
    }
    g723::decode(&a, bad.data(), false, ya);
    g723::decode(&b, good.data(), true, yb);
    EXPECT_EQ(0, std::memcmp(ya, yb, sizeof ya));
    g723::decode(&a, good.data(), false, ya);
    g723::decode(&b, good.data(), false, yb);
    EXPECT_EQ(0, std::memcmp(ya, yb, sizeof ya));
}

TEST(G723Edges, MalformedFrames) {
    g723::Encoder e;
    g723::encoder_init(&e, true, false);
    int16_t x[240];
    for (int i = 0; i < 240; ++i)
        x[i] = static_cast<int16_t>(((i * 7919) % 2001 - 1000) * ((i / 40) % 3 + 1));
    for (g723::Rate rate : {g723::Rate::R63, g723::Rate::R53}) {
        std::vector<uint8_t> good(24, 0);
        g723::encode(&e, x, rate, good.data());
        // Bits 26..32: the first lag code (LSB first after the 2 type and 24 LSF bits).
        std::vector<uint8_t> lag = good;
        for (int b = 26; b < 33; ++b) lag[b >> 3] = static_cast<uint8_t>(lag[b >> 3] | (1 << (b & 7)));
        expect_concealed(good, lag);
        // Bits 44..55: the first sub-frame's gain code, all ones (index 170 and beyond).
        std::vector<uint8_t> gain = good;
        for (int b = 44; b < 56; ++b) gain[b >> 3] = static_cast<uint8_t>(gain[b >> 3] | (1 << (b & 7)));
        expect_concealed(good, gain);
    }
    // Type 3 is an untransmitted frame of one byte, decoded as comfort noise, whatever follows.
    g723::Decoder d;
    g723::decoder_init(&d, false);
    int16_t y[240];
    const uint8_t untransmitted[24] = {0xFF, 0xFF, 0xFF};
    EXPECT_EQ(g723::frame_bytes(untransmitted[0]), 1);
    for (int f = 0; f < 3; ++f) g723::decode(&d, untransmitted, false, y);
}

}  // namespace

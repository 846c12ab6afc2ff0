// Hand-derived values of the AMR-WB operations, and inputs outside the reference's domain.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "voksc.h"

namespace {

// The cosine table's ends and middle; arguments outside 0..16383 take the nearest end.
TEST(AmrwbEdges, IsfToIspDomain) {
    struct Case {
        int16_t isf, isp;  // as the first of two ISFs (the second, at half scale, is 0)
    } cases[] = {{0, 32767},      {8192, 0},       {16383, -32768}, {-5, 32767},
                 {-32768, 32767}, {20000, -32768}, {32767, -32768}};
    for (const Case& c : cases) {
        const int16_t isf[2] = {c.isf, 0};
        int16_t isp[2];
        ASSERT_EQ(voksISFToISP_AMRWB_16s(isf, isp, 2), vokStatusOk);
        EXPECT_EQ(isp[0], c.isp) << c.isf;
        EXPECT_EQ(isp[1], 32767);
    }
    // The last ISF is doubled: 4096 is a quarter turn, 8192 and above the far end.
    for (const int16_t last : {4096, 8192, 30000}) {
        int16_t isp;
        ASSERT_EQ(voksISFToISP_AMRWB_16s(&last, &isp, 1), vokStatusOk);
        EXPECT_EQ(isp, last == 4096 ? 0 : -32768) << last;
    }
}

TEST(AmrwbEdges, EmphasisOnConstantsAndImpulses) {
    struct Case {
        int sf;
        int16_t y;  // 1000 - 0.5 * 1000 scaled by 2^(14 - sf)
    } cases[] = {{14, 500}, {13, 1000}, {15, 250}, {12, 2000}, {-2, 32767}};
    for (const Case& c : cases) {
        std::vector<int16_t> x(8, 1000);
        int16_t mem = 1000;
        ASSERT_EQ(voksPreemphasize_AMRWB_16s_ISfs(16384, x.data(), 8, c.sf, &mem), vokStatusOk);
        for (int16_t v : x) EXPECT_EQ(v, c.y) << c.sf;
        EXPECT_EQ(mem, 1000);
    }
    int16_t x[4] = {2000, 0, 0, 0}, mem = 0;
    ASSERT_EQ(voksDeemphasize_AMRWB_NR_16s_I(16384, x, 4, &mem), vokStatusOk);
    EXPECT_EQ(x[0], 1000);
    EXPECT_EQ(x[1], 500);
    EXPECT_EQ(x[3], 125);
    EXPECT_EQ(mem, 125);
}

// Target = k * filtered vector: gain k in Q14, 0 for a negative correlation, at most 1.2.
TEST(AmrwbEdges, PitchGainRatios) {
    struct Case {
        int num, den;
        int gain;
    } cases[] = {{1, 1, 16384}, {1, 2, 8192}, {2, 1, 19661}, {-1, 1, 0}, {3, 4, 12288}};
    for (const Case& c : cases) {
        int16_t xn[64], y1[64], coeff[4], gain;
        for (int i = 0; i < 64; ++i) {
            y1[i] = static_cast<int16_t>(((i * 37) % 64 - 32) * 64);
            xn[i] = static_cast<int16_t>(y1[i] * c.num / c.den);
        }
        ASSERT_EQ(voksAdaptiveCodebookGainCoeff_AMRWB_16s(xn, y1, coeff, &gain, 64), vokStatusOk);
        EXPECT_NEAR(gain, c.gain, 2) << c.num << "/" << c.den;
    }
}

// Log energies per sample in Q7: zeros give log2(0) taken as 0; 256 everywhere 2^16; full scale
// saturates the doubled sum, which halved is 0x3FFFFFFF (just under 2^30 / 256). Out-of-range
// history positions wrap modulo 8 instead of writing past the buffers.
TEST(AmrwbEdges, DtxLogEnergy) {
    struct Case {
        int16_t sample;
        int rate;
        int16_t ptr_in, ptr_out, log_en;
    } cases[] = {{0, -1, 0, 1, -1024},      {0, vokRate6600, 7, 0, -1024 - 230},
                 {256, -1, 3, 4, 2048},     {256, vokRateDTX, 3, 4, 2048 - 115},
                 {32767, -1, 100, 5, 2815}, {-32768, vokRate8850, -3, 6, 2815 - 179}};
    for (const Case& c : cases) {
        std::vector<int16_t> x(256, c.sample), isf(16, 77), hist(128, 0), en(8, 0);
        int16_t ptr = c.ptr_in;
        const VokStatus st =
            c.rate < 0
                ? voksDecDTXBuffer_AMRWB_16s(x.data(), isf.data(), &ptr, hist.data(), en.data())
                : voksEncDTXBuffer_AMRWB_16s(x.data(), isf.data(), &ptr, hist.data(), en.data(), c.rate);
        ASSERT_EQ(st, vokStatusOk);
        EXPECT_EQ(ptr, c.ptr_out);
        EXPECT_EQ(en[c.ptr_out], c.log_en) << c.sample;
        EXPECT_EQ(hist[16 * c.ptr_out + 15], 77);
    }
}

// ISFs so far from every codeword that all quantiser errors saturate: valid indices whose
// decoding is the quantised output.
TEST(AmrwbEdges, IsfQuantiserSaturatedErrors) {
    for (const int rate : {vokRate6600, vokRate23850}) {
        for (const int16_t v : {int16_t{32767}, int16_t{-32768}}) {
            int16_t isf[16], past[16], past2[16], q[16], q2[16], idx[7], hist[48] = {};
            for (int i = 0; i < 16; ++i) {
                isf[i] = (i & 1) ? v : static_cast<int16_t>(-v - 1);
                past[i] = past2[i] = v;
            }
            std::memset(idx, 0x7F, sizeof idx);  // not a valid index
            ASSERT_EQ(voksISFQuant_AMRWB_16s(isf, past, q, idx, rate), vokStatusOk);
            ASSERT_EQ(voksISFQuantDecode_AMRWB_16s(idx, q2, past2, q2, hist, 0, rate), vokStatusOk);
            EXPECT_EQ(0, std::memcmp(q, q2, sizeof q)) << rate << " " << v;
        }
    }
}

// After Init the band levels read zero; a quiet frame after speech gives noise at once and clears
// the burst and hangover counters (words 64 and 65).
TEST(AmrwbEdges, VadLowPower) {
    int16_t st[86], level[12], tone = 0x7FFF, flag = -1;
    auto* vs = reinterpret_cast<VokVadState_AMRWB*>(st);
    ASSERT_EQ(voksVADInit_AMRWB_16s(vs), vokStatusOk);
    ASSERT_EQ(voksVADGetEnergyLevel_AMRWB_16s(vs, level), vokStatusOk);
    for (int16_t v : level) EXPECT_EQ(v, 0);
    EXPECT_EQ(st[71], 2050);
    std::vector<int16_t> loud(256), quiet(256, 1);
    for (int i = 0; i < 256; ++i) loud[i] = static_cast<int16_t>(((i * 7919) % 2001 - 1000) * 8);
    for (int k = 0; k < 3; ++k) ASSERT_EQ(voksVAD_AMRWB_16s(loud.data(), vs, &tone, &flag), vokStatusOk);
    EXPECT_EQ(flag, 1);
    EXPECT_GT(st[64], 0);
    // Two quiet frames: the frame power includes the previous frame's.
    for (int k = 0; k < 2; ++k) ASSERT_EQ(voksVAD_AMRWB_16s(quiet.data(), vs, &tone, &flag), vokStatusOk);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(st[64], 0);
    EXPECT_EQ(st[65], 0);
    EXPECT_EQ(tone & 0x6000, 0);  // a low-power frame keeps bits 0..12 only
}

TEST(AmrwbEdges, LagDecoding) {
    struct Case {
        int rate, sf, index, lag, frac, lo, hi;
    } cases[] = {
        {vokRate12650, 0, 440, 160, 0, 152, 167}, {vokRate8850, 0, 116, 92, 0, 84, 99},
        {vokRate12650, 0, 0, 34, 0, 34, 49},      {vokRate12650, 0, 375, 127, 3, 119, 134},
        {vokRate12650, 0, 377, 128, 2, 120, 135}, {vokRate12650, 2, 511, 231, 0, 216, 231},
        {vokRate6600, 0, 115, 91, 2, 83, 98},     {vokRate6600, 0, 255, 231, 0, 216, 231},
        {vokRate12650, 1, 63, 115, 3, 100, 115},  {vokRate6600, 2, 31, 115, 2, 100, 115},
    };
    int16_t state[12];
    for (const Case& c : cases) {
        std::vector<int16_t> exc(320, 0);
        int16_t bounds[2] = {100, 115}, lag, frac;
        auto* st = reinterpret_cast<VokAdaptiveCodebookDecodeState_AMRWB*>(state);
        ASSERT_EQ(voksAdaptiveCodebookDecodeInit_AMRWB_16s(st), vokStatusOk);
        ASSERT_EQ(voksAdaptiveCodebookDecode_AMRWB_16s(c.index, &frac, &exc[256], &lag, bounds, c.sf, 0, 0,
                                                       c.rate, st),
                  vokStatusOk);
        EXPECT_EQ(lag, c.lag) << c.index;
        EXPECT_EQ(frac, c.frac) << c.index;
        EXPECT_EQ(bounds[0], c.lo) << c.index;
        EXPECT_EQ(bounds[1], c.hi) << c.index;
    }
    // Init: gains 0, seed 21845, lags 64.
    const int16_t init[12] = {0, 0, 0, 0, 0, 21845, 64, 64, 64, 64, 64, 64};
    EXPECT_EQ(0, std::memcmp(state, init, sizeof init));
}

// Delay lines round-trip; the rescaled filter scales the memory by 2^(last - new) only when the
// factor changes: y pairs (hi, lo) = 1000, 200 -> 500, 100 for +1, inputs 1000 -> 500.
TEST(AmrwbEdges, HighPassMemory) {
    const int16_t zero[4] = {};
    for (const int order : {2, 3}) {
        uint8_t block[40];
        auto* st = reinterpret_cast<VokHighPassFilterState_AMRWB*>(block);
        ASSERT_EQ(voksHighPassFilterInit_AMRWB_16s(zero, zero, order, st), vokStatusOk);
        const int16_t set[9] = {1000, 200, 1000, 200, 1000, 200, 1000, 1000, 1000};
        int16_t got[9] = {};
        ASSERT_EQ(voksHighPassFilterSetDlyLine_AMRWB_16s(set, st, order), vokStatusOk);
        ASSERT_EQ(voksHighPassFilterGetDlyLine_AMRWB_16s(st, got, order), vokStatusOk);
        EXPECT_EQ(std::memcmp(got, set, sizeof(int16_t) * 3 * order), 0) << order;
        struct Step {
            int sf;
            int16_t hi, lo, x;  // the oldest pair and input after one zero sample
        } steps[] = {{0, 1000, 200, 1000}, {1, 500, 100, 500}, {1, 1000, 200, 1000}, {-1, 4000, 800, 4000}};
        for (const Step& s : steps) {
            const int16_t x0 = 0;
            int16_t y;
            ASSERT_EQ(voksHighPassFilterSetDlyLine_AMRWB_16s(set, st, order), vokStatusOk);
            ASSERT_EQ(voksHighPassFilter_AMRWB_16s_Sfs(&x0, &y, 1, st, s.sf), vokStatusOk);
            ASSERT_EQ(voksHighPassFilterGetDlyLine_AMRWB_16s(st, got, order), vokStatusOk);
            EXPECT_EQ(y, 0);
            EXPECT_EQ(got[0], s.hi) << order << " " << s.sf;
            EXPECT_EQ(got[1], s.lo) << order << " " << s.sf;
            EXPECT_EQ(got[3 * order - 1], s.x) << order << " " << s.sf;
        }
    }
}

// The scaled synthesis filter against the reference Syn_filt_32 at each excitation scale (CRC-32
// of 300 subframes of seeded coefficients, memories and excitations), and scale 0 equal to the
// unscaled filter.
TEST(AmrwbEdges, ScaledSynthesisFilter) {
    const uint32_t want[9] = {0x751fc8e0, 0xc1ce343e, 0xd915f52e, 0xf940a2f8, 0xbda5ada2,
                              0x12bca963, 0x73d8c98f, 0xd349e2ec, 0xd6bb714d};
    for (int q = 0; q <= 8; ++q) {
        uint32_t seed = 100 + static_cast<uint32_t>(q), crc = 0xFFFFFFFFu;
        auto rnd = [&seed](int n) {
            seed = seed * 1103515245u + 12345u;
            return static_cast<int>((seed >> 16) % static_cast<uint32_t>(n));
        };
        for (int r = 0; r < 300; ++r) {
            int16_t a[17], exc[64];
            int32_t sig[80], plain[80];
            const int amp = r % 3 == 0 ? 32768 : r % 3 == 1 ? 4096 : 512;
            a[0] = r % 5 == 4 ? static_cast<int16_t>(rnd(65536) - 32768) : int16_t{4096};
            for (int i = 1; i <= 16; ++i)
                a[i] = static_cast<int16_t>(static_cast<int16_t>(rnd(6000) - 3000) / (1 + r % 4));
            for (int i = 0; i < 16; ++i) {
                const int hi = static_cast<int16_t>(rnd(65536) - 32768) / (1 + r % 7);
                sig[i] = hi * 65536 + rnd(4096) * 16;
            }
            for (int16_t& e : exc) e = static_cast<int16_t>(rnd(2 * amp) - amp);
            std::memcpy(plain, sig, sizeof sig);
            ASSERT_EQ(voksSynthesisFilter_AMRWB_16s32s_ISfs(a, 16, exc, sig + 16, 64, q), vokStatusOk);
            if (q == 0) {
                ASSERT_EQ(voksSynthesisFilter_AMRWB_16s32s_I(a, 16, exc, plain + 16, 64), vokStatusOk);
                ASSERT_EQ(std::memcmp(plain, sig, sizeof sig), 0) << r;
            }
            for (int i = 16; i < 80; ++i)
                for (int b = 0; b < 32; b += 8) {
                    crc ^= (static_cast<uint32_t>(sig[i]) >> b) & 255u;
                    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
                }
        }
        EXPECT_EQ(~crc, want[q]) << "scale " << q;
    }
}

}  // namespace

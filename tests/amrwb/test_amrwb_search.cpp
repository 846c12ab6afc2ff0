// The 12-bit algebraic codebook search against the reference cor_h_x and ACELP_2t64_fx on the
// seeded inputs of amrwb_inputs.h.
#include <gtest/gtest.h>

#include <cstring>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"  // the generators other tests use
#include "amrwb/amrwb_inputs.h"
#pragma GCC diagnostic pop
#include "amrwb/amrwb_internal.h"
#include "support/golden.h"
#include "voksc.h"

namespace {

TEST(AmrwbSearch, TwoTrackSearch) {
    golden::each_level([&] {
        static const golden::File speech("amrwb/speech.s16");
        golden::Digested d("acelp_2t.gld", "amrwb");
        ASSERT_TRUE(d.ok());
        AwGen g{43, speech.words().data(), 16000};
        for (int k = 0; k < 4000; ++k) {
            int16_t rec[258] = {}, x[64], h[64], cn[64];
            aw_signal(&g, x, 64, k);
            aw_signal(&g, cn, 64, k / 2);
            if (k % 3) {  // a decaying response with some negative taps
                int32_t v = 4096;
                const int32_t r = 20000 + aw_below(&g, 12000);
                for (int i = 0; i < 64; ++i) {
                    h[i] = static_cast<int16_t>(i % 7 == 3 ? -v / 2 : v);
                    v = (v * r) >> 15;
                }
            } else {
                aw_signal(&g, h, 64, k / 3);
            }
            voks::amrwb::backward_filter_target(h, x, rec);
            std::memcpy(rec + 64, rec, 128);
            voks::amrwb::search_2t64(rec + 64, cn, h, rec + 128, rec + 192, rec + 256);
            int16_t code[64], y[64], index = 0;
            ASSERT_EQ(voksAlgebraicCodebookSearch_AMRWB_16s(x, cn, h, code, y,
                                                            k % 2 ? vokRate6600 : vokRateDTX, &index),
                      vokStatusOk);
            ASSERT_EQ(std::memcmp(code, rec + 128, sizeof code), 0) << k;
            ASSERT_EQ(std::memcmp(y, rec + 192, sizeof y), 0) << k;
            ASSERT_EQ(index, rec[256]) << k;
            d.add(rec);
        }
        d.finish();
    });
}

// Every pulse count of a track on random positions and signs, with the reference q_pulse.c.
TEST(AmrwbSearch, TrackPulseCoding) {
    golden::Digested d("pulse_code.gld", "amrwb");
    ASSERT_TRUE(d.ok());
    AwGen g{44, nullptr, 0};
    for (int k = 0; k < 30000; ++k) {
        int16_t rec[8] = {};
        const int count = 1 + k % 6;
        for (int i = 0; i < count; ++i) rec[i] = static_cast<int16_t>(aw_below(&g, 32));
        const int32_t index = voks::amrwb::code_track_pulses(rec, count);
        std::memcpy(rec + 6, &index, sizeof index);
        d.add(rec);
    }
    d.finish();
}

// Every 4-track size (88 bits with one and two iterations) with the reference ACELP_4t64_fx.
TEST(AmrwbSearch, FourTrackSearch) {
    golden::each_level([&] {
        static const golden::File speech("amrwb/speech.s16");
        golden::Digested d("acelp_4t.gld", "amrwb");
        ASSERT_TRUE(d.ok());
        AwGen g{45, speech.words().data(), 16000};
        const int bits[8] = {20, 36, 44, 52, 64, 72, 88, 88};
        for (int k = 0; k < 6400; ++k) {
            int16_t rec[200] = {}, x[64], h[64], cn[64];
            aw_signal(&g, x, 64, k / 8);
            aw_signal(&g, cn, 64, k / 16);
            if ((k / 8) % 3) {
                int32_t v = 4096;
                const int32_t r = 20000 + aw_below(&g, 12000);
                for (int i = 0; i < 64; ++i) {
                    h[i] = static_cast<int16_t>(i % 7 == 3 ? -v / 2 : v);
                    v = (v * r) >> 15;
                }
            } else {
                aw_signal(&g, h, 64, k / 24);
            }
            voks::amrwb::backward_filter_target(h, x, rec + 128);
            ASSERT_TRUE(voks::amrwb::search_4t64(rec + 128, cn, h, rec, rec + 64, bits[k % 8], k % 8 == 7,
                                                 rec + 192));
            // The exported search gives the same for the rate and the codebook code of the size (22
            // searches 88 bits in one iteration).
            const int modes[2][8] = {{vokRate8850, vokRate12650, vokRate14250, vokRate15850, vokRate18250,
                                      vokRate19850, vokRate23050, vokRate23850},
                                     {26, 28, 29, 30, 31, 32, vokRate23050, vokRate24000}};
            for (const auto& m : modes) {
                int16_t code[64], y[64], index[8] = {};
                ASSERT_EQ(voksAlgebraicCodebookSearch_AMRWB_16s(x, cn, h, code, y, m[k % 8], index),
                          vokStatusOk);
                ASSERT_EQ(std::memcmp(code, rec, sizeof code), 0) << k;
                ASSERT_EQ(std::memcmp(y, rec + 64, sizeof y), 0) << k;
                ASSERT_EQ(std::memcmp(index, rec + 192, sizeof index), 0) << k;
            }
            d.add(rec);
        }
        d.finish();
    });
}

}  // namespace

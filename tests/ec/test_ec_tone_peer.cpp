// The answer-tone detector against spandsp's modem connect-tones detector (answer tone with
// phase reversals) on the same 8 kHz signals. spandsp reports the tone once it has timed two
// reversal-to-reversal intervals (at the third reversal); ours counts the onset-to-first-
// reversal interval too and flags at the second. So wherever both detect, ours is first; the
// peer never detects a signal ours rejects; and ours detects what the peer does.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "ec/test_ec_tone_signals.h"
#include "support/external.h"

#if VOKSC_HAVE_SPANDSP
#include <spandsp.h>

namespace {

using tone_test::Tone;

// Time in seconds of the peer's first report of a reversed answer tone, or -1.
double peer_detection(const std::vector<int16_t>& x) {
    struct Hit {
        double t = -1;
        size_t at = 0;
    } hit;
    auto report = [](void* user, int code, int, int) {
        Hit* h = static_cast<Hit*>(user);
        if (h->t < 0 && (code == MODEM_CONNECT_TONES_ANS_PR || code == MODEM_CONNECT_TONES_ANSAM_PR))
            h->t = static_cast<double>(h->at) / 8000;
    };
    modem_connect_tones_rx_state_t* s =
        modem_connect_tones_rx_init(nullptr, MODEM_CONNECT_TONES_ANS_PR, report, &hit);
    for (hit.at = 0; hit.at + 80 <= x.size(); hit.at += 80) modem_connect_tones_rx(s, &x[hit.at], 80);
    modem_connect_tones_rx_free(s);
    return hit.t;
}

TEST(EcTonePeer, AgreesWithSpandsp) {
    const double nan = std::nan("");
    int both = 0, ours_only = 0, runs = 0;
    for (double freq : {2085.0, 2100.0, 2115.0, 1800.0, 2400.0})
        for (double spacing : {0.0, 400.0, 425.0, 440.0, 455.0, 480.0})
            for (double level : {-6.0, -31.0})
                for (double am : {0.0, 0.2})
                    for (double snr : {nan, 20.0, 10.0}) {
                        const Tone t{8000, freq, spacing, level, am, snr, 2.4};
                        const std::vector<int16_t> x = tone_test::make(t);
                        const std::vector<double> ours = tone_test::detections(x, 8000, false);
                        const double peer = peer_detection(x);
                        const bool answer = std::fabs(freq - 2100) <= 15 && spacing >= 425 && spacing <= 455;
                        ++runs;
                        SCOPED_TRACE(testing::Message() << freq << " Hz every " << spacing << " ms at "
                                                        << level << " dBm0, am " << am << ", snr " << snr);
                        EXPECT_EQ(!ours.empty(), answer);
                        if (peer >= 0) {
                            ASSERT_FALSE(ours.empty());
                            EXPECT_LT(ours[0], peer);
                            ++both;
                        } else {
                            ours_only += !ours.empty();
                        }
                    }
    std::printf("answer tone: %d signals, detected by both %d, by ours alone %d\n", runs, both, ours_only);
    EXPECT_GT(both, 40);
}

}  // namespace
#else
VOKSC_PEER_ABSENT(EcTonePeer, "spandsp")
#endif

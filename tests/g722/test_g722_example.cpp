// The example coder (public API only): rates against the demonstration sequences, code
// packing, and the behaviour of the loss concealment.
#include <gtest/gtest.h>

#include <cmath>

#include "g722/g722_codec.h"
#include "g722/g722_util.h"
#include "support/external.h"

using namespace g722test;

namespace {

const std::string kVectors = voksc_test::vector_path("g722/");

TEST(G722Example, RatesReproduceTheDemonstrationSequences) {
    std::vector<int16_t> in, words;
    if (!read_words(kVectors + "inpsp.bin", in) || !read_words(kVectors + "codspw.cod", words))
        VOKSC_MISSING() << "G.722 vectors not found in " << kVectors;
    const int rates[3] = {64000, 56000, 48000};
    const int masks[3] = {0xFF, 0xFE, 0xFC};
    for (int r = 0; r < 3; ++r) {
        g722ex::Encoder enc(rates[r]);
        ASSERT_TRUE(enc.ok());
        std::vector<uint8_t> oct(in.size() / 2);
        ASSERT_EQ(enc.encode(in.data(), static_cast<int>(in.size()), oct.data()),
                  static_cast<int>(oct.size()));
        for (size_t i = 0; i < oct.size(); ++i)
            ASSERT_EQ(oct[i], words[i] & masks[r]) << rates[r] << " code " << i;
        std::vector<int16_t> expected;
        ASSERT_TRUE(read_words(kVectors + "outsp" + std::to_string(r + 1) + ".bin", expected));
        g722ex::Decoder dec(rates[r]);
        std::vector<int16_t> out(2 * oct.size());
        for (size_t o = 0; o < oct.size(); o += 160) {
            const int n = static_cast<int>(std::min<size_t>(160, oct.size() - o));
            ASSERT_EQ(dec.decode(oct.data() + o, n, out.data() + 2 * o), 2 * n);
        }
        EXPECT_EQ(first_diff(out, expected), -1) << rates[r];
    }
}

TEST(G722Example, RejectsRatesAndOddLengths) {
    for (int rate : {0, 32000, 64001, -64000}) {
        g722ex::Encoder enc(rate);
        g722ex::Decoder dec(rate);
        EXPECT_FALSE(enc.ok()) << rate;
        EXPECT_FALSE(dec.ok()) << rate;
        int16_t pcm[4] = {0};
        uint8_t oct[2] = {0};
        EXPECT_EQ(enc.encode(pcm, 4, oct), -1);
        EXPECT_EQ(dec.decode(oct, 2, pcm), -1);
    }
    g722ex::Encoder enc(64000);
    int16_t pcm[3] = {0};
    uint8_t oct[2] = {0};
    EXPECT_EQ(enc.encode(pcm, 3, oct), -1);
}

double energy(const int16_t* x, int n) {
    double e = 0;
    for (int i = 0; i < n; ++i) e += double(x[i]) * x[i];
    return e;
}

TEST(G722Example, ConcealmentBridgesAndRecovers) {
    std::vector<int16_t> words;
    if (!read_words(kVectors + "codspw.cod", words))
        VOKSC_MISSING() << "G.722 vectors not found in " << kVectors;
    const std::vector<uint8_t> oct(words.begin(), words.end());
    const int frames = static_cast<int>(oct.size() / 160);
    struct Burst {
        int first, count;
    } bursts[] = {{40, 1}, {90, 2}, {150, 8}};
    for (const Burst& b : bursts) {
        g722ex::Decoder clean(64000), lossy(64000);
        std::vector<int16_t> a(320 * frames), c(320 * frames);
        for (int f = 0; f < frames; ++f) {
            ASSERT_EQ(clean.decode(&oct[160 * f], 160, &a[320 * f]), 320);
            const bool lost = f >= b.first && f < b.first + b.count;
            ASSERT_EQ(lost ? lossy.conceal(160, &c[320 * f]) : lossy.decode(&oct[160 * f], 160, &c[320 * f]),
                      320);
        }
        const int16_t* ref = a.data();
        const int16_t* got = c.data();
        // Identical before the loss.
        for (int i = 0; i < 320 * b.first; ++i) ASSERT_EQ(got[i], ref[i]) << "burst at " << b.first;
        // The first concealed frame carries on at a comparable level, not silence or a burst.
        const double before = energy(ref + 320 * (b.first - 1), 320);
        const double first = energy(got + 320 * b.first, 320);
        EXPECT_GT(first, 0.02 * before) << b.first;
        EXPECT_LT(first, 4.0 * before + 1e6) << b.first;
        // Long bursts fade to silence after 60 ms.
        if (b.count >= 4) {
            EXPECT_EQ(energy(got + 320 * (b.first + b.count - 1), 320), 0.0);
        }
        // Within half a second of good frames the decoder has re-converged.
        const int from = 320 * (b.first + b.count + 25), to = from + 320 * 10;
        double e = 0;
        for (int i = from; i < to; ++i) e += double(got[i] - ref[i]) * (got[i] - ref[i]);
        EXPECT_GT(10 * std::log10((energy(ref + from, to - from) + 1) / (e + 1)), 30.0) << b.first;
    }
}

}  // namespace

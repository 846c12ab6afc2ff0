// G.728 lower-rate and trellis codebook searches against exhaustive searches written here: every
// code word's distortion formed from its signed gain, the exact minimum and its tie rule; the
// trellis against all 2^n branch sequences. Targets: seeded random records of every exponent
// and level, and the speech of the official input sequence in 5-sample vectors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "g728/g728_consts.h"
#include "support/external.h"
#include "voksc.h"

namespace {

struct Rng {
    uint64_t s;
    uint64_t next() {
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int range(int lo, int hi) { return lo + static_cast<int>(next() % uint64_t(hi - lo + 1)); }
};

int16_t sat16(int64_t v) {
    return static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767));
}

// Target records (exponent, 5 samples newest first) and impulse responses (h[4] the first tap).
struct Case {
    int16_t t[6], h[5];
};

std::vector<Case> targets(int random_count) {
    Rng g{728};
    std::vector<Case> out;
    auto impulse = [&](Case& c) {
        c.h[4] = 8192;
        for (int i = 0; i < 4; ++i) c.h[i] = static_cast<int16_t>(g.range(-8192, 8192) >> g.range(0, 6));
    };
    for (int n = 0; n < random_count; ++n) {
        Case c;
        impulse(c);
        c.t[0] = static_cast<int16_t>(g.range(-4, 20));
        const int amp = 32767 >> g.range(0, 15);
        for (int i = 1; i < 6; ++i) c.t[i] = static_cast<int16_t>(g.range(-amp, amp));
        out.push_back(c);
    }
    std::vector<int16_t> speech, part;
    for (const char* name : {"in1.bin", "in2.bin", "in3.bin", "in4.bin", "in5.bin"})
        if (voksc_test::read_words(voksc_test::vector_path(std::string("g728/") + name), part))
            speech.insert(speech.end(), part.begin(), part.end());
    for (size_t i = 0; i + 5 <= speech.size() && out.size() < size_t(random_count) * 2; i += 5) {
        Case c;
        impulse(c);
        c.t[0] = 2;  // the exponent of the coder's weighted targets
        for (int k = 0; k < 5; ++k) c.t[1 + k] = speech[i + 4 - k];
        if (std::any_of(c.t + 1, c.t + 6, [](int16_t v) { return v != 0; })) out.push_back(c);
    }
    return out;
}

// The correlation of a shape with the target filtered backwards through h, as the coder forms it:
// H^T t at exponent 7, saturated to 16 bits per sample.
int64_t correlation(const Case& c, const int16_t* y) {
    const int shift = 13 + c.t[0] - 7;
    int64_t cor = 0;
    for (int j = 0; j < 5; ++j) {
        int64_t s = 0;
        for (int m = 0; m <= j; ++m) s += int64_t{c.h[4 - (j - m)]} * c.t[1 + m];
        s = std::clamp<int64_t>(s, INT32_MIN, INT32_MAX);
        const int64_t ct = shift > 30 ? (s < 0 ? -1 : 0) : sat16(s >> (shift & 63));
        cor += ct * y[j];
    }
    return cor;
}

// Energy of a shape filtered by h, as ImpulseResponseEnergy forms it.
int16_t energy(const int16_t* h, const int16_t* y) {
    int64_t e = 0;
    for (int n = 0; n < 5; ++n) {
        int64_t s = 0;
        for (int k = n; k < 5; ++k) s += int64_t{y[k]} * h[4 - (k - n)];
        const int64_t v = sat16(s >> 14);
        e += v * v;
    }
    return sat16(e >> 15);
}

// Exhaustive lower-rate search: every shape, level and sign; the gain g signs the quantised
// correlation. Returns the code word of least distortion, first shape then first level, the
// sign of the correlation before the other.
int exhaustive(const Case& c, const std::vector<int16_t>& book, int ns, int nm) {
    int64_t best = INT64_MAX;
    int word = -1;
    const int bits = nm == 4 ? 3 : 2;
    for (int s = 0; s < ns; ++s) {
        const int64_t cor = correlation(c, &book[ns + nm + 5 * s]);
        const int64_t mag = std::min<int64_t>((cor < 0 ? -cor : cor) >> 14, 32767);
        const int64_t signed_cq = cor <= 0 ? -mag : mag;
        for (int k = 0; k < nm; ++k)
            for (const int64_t g :
                 {int64_t{book[ns + k]} * (cor <= 0 ? -1 : 1), int64_t{book[ns + k]} * (cor <= 0 ? 1 : -1)}) {
                const int64_t d = ((g * g + 4096) >> 13) * book[s] - 2 * g * signed_cq;
                if (d < best) best = d, word = s << bits | (g < 0 || (g == 0 && cor <= 0) ? k + nm : k);
            }
    }
    return word;
}

TEST(G728LowRate, EqualsExhaustiveSearch) {
    struct Rate {
        VokSpeechRate code;
        int ns, nm;
    };
    const auto cases = targets(6000);
    if (cases.size() < 12000) VOKSC_MISSING() << "the G.728 input sequences g728/in1..5.bin";
    Rng g{96};
    for (const Rate r : {Rate{vokRate12800, 32, 4}, Rate{vokRate9600, 16, 2}}) {
        std::vector<int16_t> book(r.ns + r.nm + 5 * r.ns);
        int16_t* shapes = &book[r.ns + r.nm];
        int n = 0;
        for (const Case& c : cases) {
            // A new codebook every 50 targets: G.728 shapes and levels, or random ones.
            if (n % 50 == 0) {
                const int kind = g.range(0, 2), amp = kind == 1 ? 32767 : 8208;
                for (int i = 0; i < 5 * r.ns; ++i)
                    shapes[i] = kind == 0 ? g728ex::kShapes[i] : static_cast<int16_t>(g.range(-amp, amp));
                static const int16_t kLevels[4] = {2112, 3696, 6468, 11319};
                for (int k = 0; k < r.nm; ++k)
                    book[r.ns + k] =
                        kind == 0 ? kLevels[4 - r.nm + k] : static_cast<int16_t>(g.range(0, 32767));
            }
            for (int s = 0; s < r.ns; ++s) book[s] = energy(c.h, &shapes[5 * s]);
            if (++n % 7 == 0) book[g.range(0, r.ns - 1)] = static_cast<int16_t>(g.range(-32768, 32767));
            const int want = exhaustive(c, book, r.ns, r.nm);
            int16_t word = -1, sel[2] = {-1, -1};
            ASSERT_EQ(voksCodebookSearch_G728_16s(c.t, c.h, book.data(), &word, sel, r.code), vokStatusOk);
            ASSERT_EQ(word, want) << "rate " << r.code << " target " << n;
            EXPECT_EQ(word, sel[0] << (r.nm == 4 ? 3 : 2) | sel[1]);
        }
    }
}

// The 16 kbit/s distortion of every G.728 shape with its gain cell (the code word of its best
// gain) and the first smallest of a subset; the subset bests' minimum is checked against the
// 16 kbit/s search on every target.
struct Branches {
    int64_t cost[4];
    int16_t word[4];
};

Branches branches(const Case& c, const int16_t* y2, int16_t searched) {
    static const int64_t kG2[4] = {4224, 7392, 12936, 22638}, kGsq[4] = {545, 1668, 5107, 15640};
    static const int64_t kBound[3] = {5808, 10164, 17787};
    Branches b;
    std::fill(b.cost, b.cost + 4, INT64_MAX);
    int64_t best = INT64_MAX;
    int16_t best_word = -1;
    for (int s = 0; s < 128; ++s) {
        const int64_t cor = correlation(c, g728ex::kShapes + 5 * s);
        const int64_t mag = cor <= 0 ? -cor : cor;
        int cell = 0;
        while (cell < 3 && mag > kBound[cell] * y2[s]) ++cell;
        const int64_t d = kGsq[cell] * y2[s] - kG2[cell] * std::min<int64_t>(mag >> 14, 32767);
        const auto word = static_cast<int16_t>(s << 3 | (cor <= 0 ? cell + 4 : cell));
        if (d < b.cost[s % 4]) b.cost[s % 4] = d, b.word[s % 4] = word;
        if (d < best) best = d, best_word = word;
    }
    EXPECT_EQ(best_word, searched) << "16 kbit/s distortions";
    return b;
}

TEST(G728LowRate, TrellisEqualsExhaustivePaths) {
    const auto cases = targets(5000);
    Rng g{1600};
    int16_t y2[128];
    size_t at = 0;
    for (int run = 0; at + 8 <= cases.size(); ++run) {
        const int n = 1 + run % 8, s0 = g.range(0, 3);
        const int16_t* h = cases[at].h;
        ASSERT_EQ(voksImpulseResponseEnergy_G728_16s(h, y2), vokStatusOk);
        std::vector<int16_t> rec(6 * n);
        std::vector<Branches> br;
        for (int v = 0; v < n; ++v) {
            Case c = cases[at + v];
            std::copy(h, h + 5, c.h);
            std::copy(c.t, c.t + 6, rec.begin() + 6 * v);
            int16_t word, sel[2];
            ASSERT_EQ(voksCodebookSearch_G728_16s(c.t, h, y2, &word, sel, vokRate16000), vokStatusOk);
            br.push_back(branches(c, y2, word));
        }
        at += n;
        // Every branch sequence; ties go to the lower state at the last vector where the
        // state sequences differ.
        int64_t best = INT64_MAX;
        std::vector<int> best_states;
        std::vector<int16_t> best_words;
        for (int bits = 0; bits < 1 << n; ++bits) {
            std::vector<int> states(n);
            std::vector<int16_t> words(n);
            int64_t total = 0;
            for (int v = 0, s = s0; v < n; ++v) {
                const int b = bits >> v & 1, subset = (s + 2 * b) % 4;
                total += br[v].cost[subset];
                words[v] = br[v].word[subset];
                s = states[v] = (2 * s + b) % 4;
            }
            if (total < best ||
                (total == best && std::lexicographical_compare(states.rbegin(), states.rend(),
                                                               best_states.rbegin(), best_states.rend())))
                best = total, best_states = states, best_words = words;
        }
        std::vector<uint8_t> path(n, 0xFF);
        std::vector<int16_t> words(n, -1);
        int32_t dist = 0;
        ASSERT_EQ(
            voksCodebookSearchTCQ_G728_16s8u(rec.data(), h, y2, path.data(), words.data(), &dist, n, s0),
            vokStatusOk);
        EXPECT_EQ(dist, std::clamp<int64_t>(best, INT32_MIN, INT32_MAX)) << "run " << run;
        EXPECT_EQ(std::vector<int>(path.begin(), path.end()), best_states) << "run " << run;
        ASSERT_EQ(words, best_words) << "run " << run;
    }
}

}  // namespace

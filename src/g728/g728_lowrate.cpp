// G.728 lower-rate codebook searches (12.8 and 9.6 kbit/s) and the trellis-coded search over a
// run of vectors.
#include <cstdint>
#include <limits>

#include "g728/g728_internal.h"
#include "g728/g728_loops.h"
#include "g728/kernels.h"

namespace voks::g728 {

void search_lowrate(const int16_t* t, int tq, const int16_t* h, const int16_t* book, int ns, int nm, int& ig,
                    int& is) {
    int16_t ct[kDim];
    backward_target(t, tq, h, ct);
    const int16_t* y2 = book;
    const int16_t* gq = book + ns;
    const int16_t* shapes = book + ns + nm;
    // The 16 kbit/s distortion E g^2 - 2 g |c| with its constants derived from each level g:
    // twice the level and its square at Q11, rounded; all in 64 bits, as any table is allowed.
    int64_t g2[4], gsq[4];
    for (int k = 0; k < nm; ++k) {
        g2[k] = 2 * int64_t{gq[k]};
        gsq[k] = (int64_t{gq[k]} * gq[k] + 4096) >> 13;
    }
    int64_t best = std::numeric_limits<int64_t>::max();
    ig = is = 0;
    for (int s = 0; s < ns; ++s) {
        int64_t cor = 0;
        for (int m = 0; m < kDim; ++m) cor += int32_t{shapes[s * kDim + m]} * ct[m];
        const bool neg = cor <= 0;
        const int64_t c = neg ? -cor : cor;
        const int64_t cq = std::min<int64_t>(c >> 14, 32767);
        for (int k = 0; k < nm; ++k) {
            const int64_t d = gsq[k] * y2[s] - g2[k] * cq;
            if (d < best) best = d, is = s, ig = neg ? k + nm : k;
        }
    }
}

int64_t search_tcq(const int16_t* t, int n, const int16_t* h, const int16_t* y2, int s0, uint8_t* path,
                   int16_t* word) {
    constexpr int64_t kNone = std::numeric_limits<int64_t>::max();
    int64_t cost[kTcqStates];
    for (int s = 0; s < kTcqStates; ++s) cost[s] = s == s0 ? 0 : kNone;
    uint8_t from[kTcqMaxVectors][kTcqStates];
    int16_t code[kTcqMaxVectors][kTcqStates];  // best code word of each subset
    for (int v = 0; v < n; ++v) {
        int16_t ct[kDim];
        backward_target(t + v * (kDim + 1) + 1, t[v * (kDim + 1)], h, ct);
        alignas(32) int32_t dist[kShapeCount];
        alignas(32) uint8_t cell[kShapeCount];
        kernels().distortions16(ct, y2, dist, cell);
        // Subset j holds the shapes whose index is j modulo 4; the first smallest wins.
        int32_t bd[kTcqStates];
        for (int j = 0; j < kTcqStates; ++j) {
            int b = j;
            for (int s = j + kTcqStates; s < kShapeCount; s += kTcqStates)
                if (dist[s] < dist[b]) b = s;
            bd[j] = dist[b];
            code[v][j] = static_cast<int16_t>(b << 3 | cell[b]);
        }
        // Branch b from state s enters state (2 s + b) mod 4 with subset (s + 2 b) mod 4; each
        // state keeps the cheaper entry, the one from the lower state on ties.
        int64_t next[kTcqStates];
        for (int ns = 0; ns < kTcqStates; ++ns) {
            const int b = ns & 1;
            next[ns] = kNone;
            for (int s = ns >> 1; s < kTcqStates; s += 2) {
                if (cost[s] == kNone) continue;
                const int64_t c = cost[s] + bd[(s + 2 * b) & 3];
                if (c < next[ns]) next[ns] = c, from[v][ns] = static_cast<uint8_t>(s);
            }
        }
        std::copy(next, next + kTcqStates, cost);
    }
    int s = 0;
    for (int k = 1; k < kTcqStates; ++k)
        if (cost[k] < cost[s]) s = k;
    const int64_t total = cost[s];
    for (int v = n - 1; v >= 0; --v) {
        const int p = from[v][s];
        path[v] = static_cast<uint8_t>(s);
        word[v] = code[v][(p + 2 * (s & 1)) & 3];
        s = p;
    }
    return total;
}

}  // namespace voks::g728

// AMR-WB ISF quantisation: the two-stage split vector quantisers with MA prediction (46 and 36
// bits), their decoder with frame-erasure concealment, and the comfort-noise quantiser.
#include <initializer_list>

#include "amrwb/amrwb_internal.h"
#include "amrwb/amrwb_tables.h"
#include "amrwb/kernels.h"
#include "common/basicop.h"

namespace voks::amrwb {

namespace {

constexpr int16_t kMu = 10923;       // prediction factor 1/3
constexpr int16_t kAlpha = 29491;    // concealment weight of the last good ISFs (0.9)
constexpr int16_t kOneAlpha = 3277;  // and of the reference vector
constexpr int16_t kIsfGap = 128;     // minimum ISF distance (50 Hz)
constexpr int kSurvivors = 4;

struct Split {
    const int16_t* book;  // rows of `dim` values
    int dim, size, at;    // dimension, entries, first ISF
};

const Split k46[5] = {{&kIsf46Stage2a[0][0], 3, 64, 0},
                      {&kIsf46Stage2b[0][0], 3, 128, 3},
                      {&kIsf46Stage2c[0][0], 3, 128, 6},
                      {&kIsf46Stage2d[0][0], 3, 32, 9},
                      {&kIsf46Stage2e[0][0], 4, 32, 12}};
const Split k36[3] = {
    {&kIsf36Stage2a[0][0], 5, 128, 0}, {&kIsf36Stage2b[0][0], 4, 128, 5}, {&kIsf36Stage2c[0][0], 7, 64, 9}};
const Split kNoise[5] = {{&kIsfNoise1[0][0], 2, 64, 0},
                         {&kIsfNoise2[0][0], 3, 64, 2},
                         {&kIsfNoise3[0][0], 3, 64, 5},
                         {&kIsfNoise4[0][0], 4, 32, 8},
                         {&kIsfNoise5[0][0], 4, 32, 12}};

// Every codebook column by column, as the distance kernel reads it, built once.
struct Columns {
    static constexpr int kBooks = 15,
                         kValues = 256 * 16 + 64 * 3 + 128 * 6 + 32 * 7 + 128 * 9 + 64 * 7 + 64 * 8 + 32 * 8;
    const int16_t* rows[kBooks];
    int16_t* at[kBooks];
    int16_t values[kValues];
    int books = 0, used = 0;
    void add(const int16_t* book, int dim, int size) {
        rows[books] = book;
        at[books] = values + used;
        for (int i = 0; i < size; ++i)
            for (int j = 0; j < dim; ++j) values[used + j * size + i] = book[i * dim + j];
        used += dim * size;
        ++books;
    }
};

const int16_t* columns(const int16_t* book) {
    static const Columns c = [] {
        Columns t{};
        t.add(&kIsfStage1a[0][0], 9, 256);
        t.add(&kIsfStage1b[0][0], 7, 256);
        for (const Split* list : {k46, k36, kNoise})
            for (int s = 0; s < (list == k36 ? 3 : 5); ++s) t.add(list[s].book, list[s].dim, list[s].size);
        return t;
    }();
    for (int i = 0; i < c.books; ++i)
        if (c.rows[i] == book) return c.at[i];
    return nullptr;
}

// Nearest row (the first of equals); its error goes to *err.
int16_t nearest(const int16_t* x, const Split& s, int32_t* err) {
    int32_t d[256];
    kernels().vq_dist(x, columns(s.book), s.dim, s.size, d);
    int32_t best = MAX_32;
    int16_t index = 0;
    for (int i = 0; i < s.size; ++i) {
        if (d[i] < best) {
            best = d[i];
            index = static_cast<int16_t>(i);
        }
    }
    *err = best;
    return index;
}

// The kSurvivors nearest rows in increasing error (earlier rows first among equals).
void survivors(const int16_t* x, const int16_t* book, int dim, int16_t* index) {
    int32_t best[kSurvivors], dist[256];
    kernels().vq_dist(x, columns(book), dim, 256, dist);
    for (int i = 0; i < kSurvivors; ++i) {
        best[i] = MAX_32;
        index[i] = static_cast<int16_t>(i);
    }
    for (int i = 0; i < 256; ++i) {
        const int32_t d = dist[i];
        if (d >= best[kSurvivors - 1]) continue;
        for (int k = 0; k < kSurvivors; ++k) {
            if (d < best[k]) {
                for (int l = kSurvivors - 1; l > k; --l) {
                    best[l] = best[l - 1];
                    index[l] = index[l - 1];
                }
                best[k] = d;
                index[k] = static_cast<int16_t>(i);
                break;
            }
        }
    }
}

// One half of the quantiser: first-stage survivors on `first` (dim values of res from `at`),
// then the second-stage splits of each; writes the first-stage index and the split indices.
void quantise_half(const int16_t* res, const int16_t* first, int dim, int at, const Split* splits,
                   int nsplits, int16_t* first_index, int16_t* split_index) {
    int16_t surv[kSurvivors];
    survivors(res + at, first, dim, surv);
    int32_t best = MAX_32;
    for (int k = 0; k < kSurvivors; ++k) {
        int16_t err[kOrder];
        for (int i = 0; i < dim; ++i) err[i] = sub(res[at + i], first[surv[k] * dim + i]);
        int32_t total = 0;
        int16_t idx[5];
        for (int s = 0; s < nsplits; ++s) {
            int32_t e;
            idx[s] = nearest(err + splits[s].at - at, splits[s], &e);
            total = L_add(total, e);
        }
        // With extreme inputs every total saturates; the reference then leaves the indices
        // unset (and decodes whatever they held): the first survivor is taken instead.
        if (total < best || k == 0) {
            best = total;
            *first_index = surv[k];
            for (int s = 0; s < nsplits; ++s) split_index[s] = idx[s];
        }
    }
}

void add_split(int16_t* q, const Split& s, int16_t index) {
    for (int i = 0; i < s.dim; ++i) q[s.at + i] = add(q[s.at + i], s.book[index * s.dim + i]);
}

}  // namespace

void reorder_isf(int16_t* isf, int16_t gap, int n) {
    int16_t floor = gap;
    for (int i = 0; i < n - 1; ++i) {
        if (isf[i] < floor) isf[i] = floor;
        floor = add(isf[i], gap);
    }
}

bool isf_indices_valid(const int16_t* index, bool wide) {
    const int sizes46[7] = {256, 256, 64, 128, 128, 32, 32}, sizes36[5] = {256, 256, 128, 128, 64};
    const int* sizes = wide ? sizes46 : sizes36;
    for (int i = 0; i < (wide ? 7 : 5); ++i)
        if (index[i] < 0 || index[i] >= sizes[i]) return false;
    return true;
}

bool isf_noise_indices_valid(const int16_t* index) {
    for (int i = 0; i < 5; ++i)
        if (index[i] < 0 || index[i] >= kNoise[i].size) return false;
    return true;
}

void isf_decode(const int16_t* index, int16_t* q, int16_t* past, const int16_t* prev_q, int16_t* hist,
                bool bad, bool wide) {
    if (!bad) {
        for (int i = 0; i < 9; ++i) q[i] = kIsfStage1a[index[0]][i];
        for (int i = 0; i < 7; ++i) q[9 + i] = kIsfStage1b[index[1]][i];
        if (wide) {
            for (int s = 0; s < 5; ++s) add_split(q, k46[s], index[2 + s]);
        } else {
            for (int s = 0; s < 3; ++s) add_split(q, k36[s], index[2 + s]);
        }
        for (int i = 0; i < kOrder; ++i) {
            const int16_t r = q[i];
            q[i] = add(add(r, kMeanIsf[i]), mult(kMu, past[i]));
            past[i] = r;
        }
        for (int i = 0; hist && i < kOrder; ++i) {
            hist[2 * kOrder + i] = hist[kOrder + i];
            hist[kOrder + i] = hist[i];
            hist[i] = q[i];
        }
    } else {
        int16_t ref[kOrder];
        for (int i = 0; i < kOrder; ++i) {
            int32_t t = L_mult(kMeanIsf[i], 8192);
            for (int j = 0; j < 3; ++j) t = L_mac(t, hist[j * kOrder + i], 8192);
            ref[i] = round_fx(t);
        }
        // prev_q may be the output itself: read each value before it is replaced.
        for (int i = 0; i < kOrder; ++i) q[i] = add(mult(kAlpha, prev_q[i]), mult(kOneAlpha, ref[i]));
        for (int i = 0; i < kOrder; ++i) past[i] = shr(sub(q[i], add(ref[i], mult(past[i], kMu))), 1);
    }
    reorder_isf(q, kIsfGap, kOrder);
}

void isf_quantise(const int16_t* isf, int16_t* past, int16_t* q, int16_t* index, bool wide) {
    int16_t res[kOrder];
    for (int i = 0; i < kOrder; ++i) res[i] = sub(sub(isf[i], kMeanIsf[i]), mult(kMu, past[i]));
    if (wide) {
        quantise_half(res, &kIsfStage1a[0][0], 9, 0, k46, 3, &index[0], &index[2]);
        quantise_half(res, &kIsfStage1b[0][0], 7, 9, k46 + 3, 2, &index[1], &index[5]);
    } else {
        quantise_half(res, &kIsfStage1a[0][0], 9, 0, k36, 2, &index[0], &index[2]);
        quantise_half(res, &kIsfStage1b[0][0], 7, 9, k36 + 2, 1, &index[1], &index[4]);
    }
    isf_decode(index, q, past, q, nullptr, false, wide);
}

void isf_decode_noise(const int16_t* index, int16_t* q) {
    for (int s = 0; s < 5; ++s)
        for (int i = 0; i < kNoise[s].dim; ++i)
            q[kNoise[s].at + i] = kNoise[s].book[index[s] * kNoise[s].dim + i];
    for (int i = 0; i < kOrder; ++i) q[i] = add(q[i], kMeanIsfNoise[i]);
    reorder_isf(q, kIsfGap, kOrder);
}

void isf_quantise_noise(const int16_t* isf, int16_t* q, int16_t* index) {
    int16_t res[kOrder];
    for (int i = 0; i < kOrder; ++i) res[i] = sub(isf[i], kMeanIsfNoise[i]);
    for (int s = 0; s < 5; ++s) {
        int32_t e;
        index[s] = nearest(res + kNoise[s].at, kNoise[s], &e);
    }
    isf_decode_noise(index, q);
}

}  // namespace voks::amrwb

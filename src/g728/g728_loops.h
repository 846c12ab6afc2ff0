// The recursion and the 16 kbit/s search shared by the scalar kernels and their AVX2 twins: the
// twins supply only the inner loops (Ops::dot, Ops::update, Ops::distortions).
#ifndef VOKS_G728_G728_LOOPS_H
#define VOKS_G728_G728_LOOPS_H

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "common/basicop.h"
#include "g728/g728_internal.h"

namespace voks::g728 {

constexpr int kMaxOrder = 1024;
constexpr int kPad = 16;  // zero lanes before and after the working copies

// Quotient num / den in Q15 times 2^15, as 16 restoring division steps: for 0 <= num < den that
// is floor(num 2^16 / den).
inline int64_t qdiv(int64_t num, int64_t den) {
    if (num >= 0 && num < den && den <= 0x7FFF)
        return int64_t{static_cast<uint32_t>(num << 16) / static_cast<uint32_t>(den)} << 15;
    if (num >= 0 && num < den) return ((num << 16) / den) << 15;
    int64_t q = 0;
    for (int n = 0; n < 16; ++n) {
        q <<= 1;
        num <<= 1;
        if (num >= den) {
            num -= den;
            ++q;
        }
    }
    return q << 15;
}

inline bool fits32(int64_t v) {
    return v <= MAX_32 && v >= MIN_32;
}

// The scalar steps of the Levinson-Durbin recursion, shared by every form of its loop: the
// residual energy alpha, the coefficients' right shift nrs (exponent 15 - nrs) and the
// reflection coefficient of the current order.
struct Recursion {
    int nrs = 0;
    int64_t multfac = 2, alpha = 0;
    int64_t rc = 0, a2 = 0, a0h = 0;

    // Order 1 from r[0..1] into a[0] and *rc1; false when r[0] <= 0.
    bool start(const int16_t* r, int16_t* a, int16_t* rc1) {
        if (r[0] <= 0) return false;
        alpha = r[0];
        int64_t k = round16(qdiv(std::abs(int32_t{r[1]}), alpha));
        if (r[1] > 0) k = -k;
        a[0] = static_cast<int16_t>(k);
        *rc1 = static_cast<int16_t>(k);
        alpha = round16(int64_t{r[0]} * 65536 + k * r[1] * 2);
        return true;
    }
    // Continues from exponent iaq and residual energy alphaf.
    void resume(int16_t iaq, int16_t alphaf) {
        nrs = 15 - iaq;
        multfac = int64_t{2} << nrs;
        alpha = alphaf;
    }
    // Order i + 1 from the correlation da0 = sum_{k<i} a[k] r[i-k]: the reflection coefficient
    // and the new residual energy; false when the recursion breaks down.
    bool reflect(const int16_t* r, int i, int64_t da0) {
        a0h = round16(int64_t{r[i + 1]} * 65536 + da0 * multfac);
        const int64_t num = std::llabs(a0h);
        if (num >= alpha) return false;
        a2 = qdiv(num, alpha);
        rc = int64_t{round16(a2)} * 2;
        if (a0h > 0) rc = -rc;
        const int64_t e = alpha * 65536 + rc * a0h;
        if (e <= 0) return false;
        alpha = round16(e);
        return true;
    }
    // The new coefficient a[i] at the current exponent.
    int16_t coef() const {
        const int32_t ai = round16(a2 >> nrs);
        return static_cast<int16_t>(a0h > 0 ? -ai : ai);
    }
    // The update of a[0..i) when a sum leaves 32 bits: the pairs again in order, halving every
    // coefficient on overflow; then a[i]. False when the exponent would fall below 13.
    bool update_halving(int16_t* a, int i) {
        for (int f = 0, g = i - 1; f <= g; ++f, --g) {
            int64_t d0 = int64_t{a[f]} * 65536 + rc * a[g];
            int64_t d1 = int64_t{a[g]} * 65536 + rc * a[f];
            if (!fits32(d0) || !fits32(d1)) {
                if (++nrs > 2) return false;
                multfac *= 2;
                for (int j = 0; j < i; ++j) a[j] = static_cast<int16_t>(a[j] >> 1);
                d0 = int64_t{a[f]} * 65536 + rc * a[g];
                d1 = int64_t{a[g]} * 65536 + rc * a[f];
            }
            a[f] = static_cast<int16_t>(round16(d0));
            a[g] = static_cast<int16_t>(round16(d1));
        }
        a[i] = coef();
        return true;
    }
};

// Levinson-Durbin recursion from order i (0: from scratch) to `order` <= kMaxOrder, as
// durbin() documents. The inner loops run on two zero-padded buffers that take turns: Ops::dot(a,
// rr, i) is sum_{k<i} a[k] rr[k]; Ops::update(a, i, rc, ai, upd) forms upd[f] = round16(a[f]
// 2^16 + rc a[i-1-f]) for f < i and upd[i] = ai, and returns whether any sum left 32 bits
// (|rc| <= 65534 keeps each term within them). Lanes past i read and write zeros only.
template <class Ops>
bool durbin_loop(const int16_t* r, int i, int order, int16_t* aout, int16_t* rc1, int16_t* alphaf,
                 int16_t* iaq) {
    alignas(32) int16_t abuf[2][kPad + kMaxOrder + kPad];
    alignas(32) int16_t rr[kMaxOrder + kPad];
    int16_t* a = abuf[0] + kPad;
    int16_t* upd = abuf[1] + kPad;
    std::fill(abuf[0], a, int16_t{0});
    std::copy(aout, aout + i, a);
    std::fill(a + i, a + order + kPad, int16_t{0});
    std::fill(abuf[1], upd + order + kPad, int16_t{0});
    for (int j = 0; j < order; ++j) rr[j] = r[order - j];  // r[i - k] = rr[order - i + k]
    std::fill(rr + order, rr + order + kPad, int16_t{0});
    Recursion rec;
    if (i == 0) {
        if (!rec.start(r, a, rc1)) return false;
        i = 1;
    } else {
        rec.resume(*iaq, *alphaf);
    }
    for (; i < order; ++i) {
        if (!rec.reflect(r, i, Ops::dot(a, rr + order - i, i))) return false;
        if (!Ops::update(a, i, static_cast<int32_t>(rec.rc), rec.coef(), upd))
            std::swap(a, upd);
        else if (!rec.update_halving(a, i))
            return false;
    }
    std::copy(a, a + order, aout);
    *alphaf = static_cast<int16_t>(rec.alpha);
    *iaq = static_cast<int16_t>(15 - rec.nrs);
    return true;
}

// Gain-cell levels of the 16 kbit/s search: twice the levels, their squares, the cell bounds.
constexpr int32_t kGain2[4] = {4224, 7392, 12936, 22638};
constexpr int32_t kGainSq[4] = {545, 1668, 5107, 15640};
constexpr int32_t kGainBound[3] = {5808, 10164, 17787};

// The 16 kbit/s search: the target filtered backwards through h, then Ops::distortions(ct,
// y2, dist, cell) for every shape (distortion of its best gain cell, and that cell with the
// sign in bit 2), then the first smallest distortion.
// The target t[0..5) at exponent tq filtered backwards through h into ct, the vector every
// shape is correlated with.
inline void backward_target(const int16_t* t, int tq, const int16_t* h, int16_t* ct) {
    const int shift = 13 + tq - 7;
    for (int j = 0; j < kDim; ++j) {
        int64_t c = 0;
        for (int m = 0; m <= j; ++m) c += int32_t{h[kDim - 1 - j + m]} * t[m];
        // A negative shift count acts modulo 64, as the fixed-point coder's shift instruction.
        ct[j] = shift > 30 ? (c < 0 ? -1 : 0) : sat16(int64_t{sat32(c)} >> (shift & 63));
    }
}

template <class Ops>
void search16_loop(const int16_t* t, int tq, const int16_t* h, const int16_t* y2, int& ig, int& is) {
    int16_t ct[kDim];
    backward_target(t, tq, h, ct);
    alignas(32) int32_t dist[kShapeCount];
    alignas(32) uint8_t cell[kShapeCount];
    Ops::distortions(ct, y2, dist, cell);
    int best = 0;
    for (int shape = 1; shape < kShapeCount; ++shape)
        if (dist[shape] < dist[best]) best = shape;
    ig = cell[best];
    is = best;
}

}  // namespace voks::g728

#endif  // VOKS_G728_G728_LOOPS_H

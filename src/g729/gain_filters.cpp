// G.729 boundary filters: the pre- and post-processing high-pass section with its state, the
// order-10 pole-zero filter, the Annex E synthesis filter of any order and the float synthesis.
#include <algorithm>
#include <cstring>

#include "common/basicop.h"
#include "g729/gain_internal.h"
#include "g729/kernels.h"

namespace voks::g729 {
namespace {

// The 24-byte state, accessed with memcpy so that any caller address works.
struct HighPassState {
    int32_t y1, y2;  // y[n-1], y[n-2] (double precision, the reference's hi/lo pairs)
    int16_t x1, x2;  // x[n-1], x[n-2]
    int16_t a0, a1, a2, b0, b1, b2;
};
static_assert(sizeof(HighPassState) == kHighPassStateBytes, "state layout");

constexpr int kSubfr = 40;
constexpr int kOrder = 10;

}  // namespace

void highpass_init(const int16_t* c, void* state) {
    HighPassState s{};
    s.a0 = c[0];
    s.a1 = c[1];
    s.a2 = c[2];
    s.b0 = c[3];
    s.b1 = c[4];
    s.b2 = c[5];
    std::memcpy(state, &s, sizeof(s));
}

namespace {

// Offset of v into [0, 2^32) when v fits 32 bits; OR-ing several tests them all at once.
inline uint64_t biased32(int64_t v) {
    return static_cast<uint64_t>(v + (int64_t{1} << 31));
}

// One sample of the reference section, every step saturating.
inline int16_t reference_step(HighPassState& s, int16_t x2, int sf) {
    int16_t hi = 0, lo = 0;
    L_Extract(s.y1, hi, lo);
    int32_t t = Mpy_32_16(hi, lo, s.a1);
    L_Extract(s.y2, hi, lo);
    t = L_add(t, Mpy_32_16(hi, lo, s.a2));
    t = L_mac(t, s.x1, s.b0);
    t = L_mac(t, s.x2, s.b1);
    t = L_mac(t, x2, s.b2);
    t = L_shl(t, static_cast<int16_t>(15 - sf));
    s.y2 = s.y1;
    s.y1 = t;
    // The Q13 (post-processing) set doubles its output with saturation.
    return sf == 13 ? round_fx(L_shl(t, 1)) : round_fx(t);
}

inline int32_t abs32(int32_t v) {
    return v < 0 ? -v : v;
}

// The section when no partial sum of its chain can saturate (see highpass). The halved sum is
// q = Mpy_32_16(y1, a1)/2 + Mpy_32_16(y2, a2)/2 + x0 b0 + x1 b1 + x2 b2, where with y >> 1 =
// hi * 2^15 + lo, Mpy_32_16(y, a)/2 = hi a + floor(lo a / 2^15) = floor((y >> 1) a / 2^15).
// q passes the scaling by 2^(16-sf) and the Q13 set's doubling unsaturated, and the rounding,
// for q in [qlo, qhi]; outside, the sample takes the reference step.
template <int kSf>
void highpass_bounded(int16_t* x, int len, HighPassState& s) {
    constexpr int kUp = 16 - kSf;                    // the doubling and the scaling
    constexpr int kOut = kSf == 13 ? kUp + 1 : kUp;  // the Q13 set doubles its output once more
    constexpr int32_t qlo = -(int32_t{1} << (31 - kOut));
    constexpr int32_t qhi = static_cast<int32_t>((MAX_32 - 0x8000) >> kOut);
    const int32_t b0 = s.b0, b1 = s.b1, b2 = s.b2;
    // Each feedback term is (m * c) >> 15 with m * c = (y >> 1) * a. After a fast sample
    // y >> 1 = q << (kUp - 1), so m = q and c = a << (kUp - 1): one multiply and one shift from
    // one output to the next. After a reference sample m = y >> 1 and c = a. d is the a2 form of
    // the coefficient for m1, taken over when m1 becomes m2.
    const int64_t a1q = int64_t{s.a1} * (1 << (kUp - 1)), a2q = int64_t{s.a2} * (1 << (kUp - 1));
    int32_t y1 = s.y1, y2 = s.y2;
    int64_t m1 = y1 >> 1, c1 = s.a1, d1 = s.a2, m2 = y2 >> 1, c2 = s.a2;
    constexpr int kChunk = 128;
    int16_t ext[kChunk + 2];  // x[i-2], x[i-1], x[i], ...
    int32_t fir[kChunk];      // the input part x0 b0 + x1 b1 + x2 b2 of each sum
    for (int i0 = 0; i0 < len; i0 += kChunk) {
        const int n = len - i0 < kChunk ? len - i0 : kChunk;
        ext[0] = s.x2;
        ext[1] = s.x1;
        std::memcpy(ext + 2, x + i0, sizeof(int16_t) * static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) fir[i] = ext[i + 2] * b0 + ext[i + 1] * b1 + ext[i] * b2;
        int16_t* out = x + i0;
        for (int i = 0; i < n; ++i) {
            // In 64 bits throughout (the bound keeps every sum within 32 bits), so that the next
            // product needs no sign extension.
            const int64_t q = (((m2 * c2) >> 15) + fir[i]) + ((m1 * c1) >> 15);
            if (__builtin_expect(static_cast<uint64_t>(q - qlo) > static_cast<uint64_t>(qhi - qlo), 0)) {
                s.y1 = y1;
                s.y2 = y2;
                s.x1 = ext[i + 2];
                s.x2 = ext[i + 1];
                out[i] = reference_step(s, ext[i], kSf);
                y1 = s.y1;
                y2 = s.y2;
                m1 = y1 >> 1;
                c1 = s.a1;
                d1 = s.a2;
                m2 = y2 >> 1;
                c2 = s.a2;
                continue;
            }
            const auto q32 = static_cast<int32_t>(q);
            out[i] = static_cast<int16_t>((q32 * (int32_t{1} << kOut) + 0x8000) >> 16);
            y2 = y1;
            y1 = q32 * (int32_t{1} << kUp);
            m2 = m1;
            c2 = d1;
            m1 = q;
            c1 = a1q;
            d1 = a2q;
        }
        s.x1 = ext[n + 1];
        s.x2 = ext[n];
    }
    s.y1 = y1;
    s.y2 = y2;
}

}  // namespace

// With no coefficient -32768, no product of the chain saturates and each Mpy_32_16 term stays
// within 65538 |a| < 2^31. When in addition 65538 (|a1| + |a2|) + 2 max|x| (|b0| + |b1| + |b2|)
// < 2^31 over the whole call, no partial sum saturates either: the chain is the exact (even) sum,
// and only the final scaling and rounding can saturate, checked on the sum itself.
// Otherwise each sample first runs exactly in 64 bits; when every partial sum fits 32 bits that
// is the reference's result, else the saturating chain recomputes the sample.
void highpass(int16_t* x, int len, int sf, void* state) {
    HighPassState s;
    std::memcpy(&s, state, sizeof(s));
    const int16_t up = static_cast<int16_t>(15 - sf);
    const bool exact = up >= 0 && up < 16 && s.a1 != MIN_16 && s.a2 != MIN_16 && s.b0 != MIN_16 &&
                       s.b1 != MIN_16 && s.b2 != MIN_16;
    int16_t hi = 0, lo = 0;  // the extremes in 16 bits, which vectorises
    for (int i = 0; i < len; ++i) {
        hi = x[i] > hi ? x[i] : hi;
        lo = x[i] < lo ? x[i] : lo;
    }
    int32_t xmax = abs32(s.x1) > abs32(s.x2) ? abs32(s.x1) : abs32(s.x2);
    xmax = std::max(xmax, std::max(int32_t{hi}, -int32_t{lo}));
    const int64_t bound = int64_t{65538} * (abs32(s.a1) + abs32(s.a2)) +
                          int64_t{2} * xmax * (abs32(s.b0) + abs32(s.b1) + abs32(s.b2));
    if (exact && bound <= MAX_32) {
        if (sf == 12)
            highpass_bounded<12>(x, len, s);
        else
            highpass_bounded<13>(x, len, s);
        std::memcpy(state, &s, sizeof(s));
        return;
    }
    for (int i = 0; i < len; ++i) {
        const int16_t x2 = s.x2;
        s.x2 = s.x1;
        s.x1 = x[i];
        if (exact) {
            const int32_t h1 = s.y1 >> 16, l1 = (s.y1 >> 1) - h1 * 32768;
            const int32_t h2 = s.y2 >> 16, l2 = (s.y2 >> 1) - h2 * 32768;
            const int64_t v1 = 2 * (int64_t{h1} * s.a1) + 2 * ((l1 * s.a1) >> 15);
            const int64_t v2 = 2 * (int64_t{h2} * s.a2) + 2 * ((l2 * s.a2) >> 15);
            const int64_t p2 = v1 + v2;
            const int64_t p3 = p2 + 2 * (int32_t{s.x1} * s.b0);
            const int64_t p4 = p3 + 2 * (int32_t{s.x2} * s.b1);
            const int64_t p5 = p4 + 2 * (int32_t{x2} * s.b2);
            const int64_t sh = p5 * (int64_t{1} << up);
            const int64_t r = (sf == 13 ? 2 * sh : sh) + 0x8000;
            if (((biased32(v1) | biased32(v2) | biased32(p2) | biased32(p3) | biased32(p4) | biased32(p5) |
                  biased32(sh) | biased32(r)) >>
                 32) == 0) {
                x[i] = static_cast<int16_t>(r >> 16);
                s.y2 = s.y1;
                s.y1 = static_cast<int32_t>(sh);
                continue;
            }
        }
        x[i] = reference_step(s, x2, sf);
    }
    std::memcpy(state, &s, sizeof(s));
}

void iir16s(const int16_t* c, const int16_t* src, int16_t* dst, int16_t* mem, bool wrap) {
    const int16_t* b = c;
    const int16_t* a = c + kOrder + 1;
    const int16_t* x = src + kOrder;
    int16_t y[kOrder + kSubfr];
    std::memcpy(y, mem, kOrder * sizeof(int16_t));
    for (int n = 0; n < kSubfr; ++n) {
        int16_t w;
        if (wrap) {
            uint32_t s = 0x800;
            for (int i = 0; i <= kOrder; ++i) s += static_cast<uint32_t>(int32_t{b[i]} * x[n - i]);
            w = static_cast<int16_t>(static_cast<int32_t>(s) >> 12);
            uint32_t r = static_cast<uint32_t>(int32_t{a[0]} * w) + 0x800;
            for (int i = 1; i <= kOrder; ++i) r -= static_cast<uint32_t>(int32_t{a[i]} * y[kOrder + n - i]);
            y[kOrder + n] = static_cast<int16_t>(static_cast<int32_t>(r) >> 12);
        } else {
            int64_t s = 0x800;
            for (int i = 0; i <= kOrder; ++i) s += int64_t{b[i]} * x[n - i];
            w = sat16(s >> 12);
            int64_t r = int64_t{a[0]} * w + 0x800;
            for (int i = 1; i <= kOrder; ++i) r -= int64_t{a[i]} * y[kOrder + n - i];
            y[kOrder + n] = sat16(r >> 12);
        }
    }
    std::memcpy(dst, y + kOrder, kSubfr * sizeof(int16_t));
    std::memcpy(mem, y + kSubfr, kOrder * sizeof(int16_t));
}

VokStatus synth_e(const int16_t* a, int order, const int16_t* x, int16_t* y, int len, int16_t* mem) {
    int64_t sumAbs = 0;
    for (int i = 0; i <= order; ++i) sumAbs += a[i] < 0 ? -int64_t{a[i]} : a[i];
    if (order <= kSynthMaxOrder && sumAbs < 32768) {
        // No partial sum of the doubled products can reach 2^31: the exact sums of the kernel
        // are the saturating chain. Chunks of the output run behind their `order` predecessors.
        constexpr int kChunk = 64;
        int16_t buf[kSynthMaxOrder + kChunk + 16];
        int16_t* out = buf + kSynthMaxOrder;
        std::memcpy(out - order, mem, static_cast<size_t>(order) * sizeof(int16_t));
        bool overflow = false;
        const Kernels& k = kernels();
        for (int n0 = 0; n0 < len; n0 += kChunk) {
            const int count = len - n0 < kChunk ? len - n0 : kChunk;
            overflow = k.synth(a, order, x + n0, out, count) || overflow;
            std::memcpy(y + n0, out, static_cast<size_t>(count) * sizeof(int16_t));  // x[n0..] is read
            std::memmove(out - order, out + count - order, static_cast<size_t>(order) * sizeof(int16_t));
        }
        std::memcpy(mem, out - order, static_cast<size_t>(order) * sizeof(int16_t));
        return overflow ? vokStatusOverflow : vokStatusOk;
    }
    // Outputs n - i < 0 come from the memory; the memory is rewritten once the block is done, so
    // that x and y may be the same buffer.
    bool overflow = false;
    auto past = [&](int n, int i) -> int16_t { return n - i >= 0 ? y[n - i] : mem[order + n - i]; };
    for (int n = 0; n < len; ++n) {
        int32_t s = L_mult(x[n], a[0], overflow);
        for (int i = 1; i <= order; ++i) s = L_msu(s, a[i], past(n, i), overflow);
        s = L_shl(s, 3, overflow);
        y[n] = round_fx(s, overflow);
    }
    if (len >= order) {
        std::memcpy(mem, y + len - order, static_cast<size_t>(order) * sizeof(int16_t));
    } else {
        std::memmove(mem, mem + len, static_cast<size_t>(order - len) * sizeof(int16_t));
        std::memcpy(mem + order - len, y, static_cast<size_t>(len) * sizeof(int16_t));
    }
    return overflow ? vokStatusOverflow : vokStatusOk;
}

void synth_32f(const float* a, int order, const float* x, float* y, int len, float* mem) {
    auto past = [&](int n, int i) -> float { return n - i >= 0 ? y[n - i] : mem[order + n - i]; };
    for (int n = 0; n < len; ++n) {
        float s = x[n];
        for (int i = 1; i <= order; ++i) s -= a[i] * past(n, i);
        y[n] = s;
    }
    if (len >= order) {
        std::memcpy(mem, y + len - order, static_cast<size_t>(order) * sizeof(float));
    } else {
        std::memmove(mem, mem + len, static_cast<size_t>(order - len) * sizeof(float));
        std::memcpy(mem + order - len, y, static_cast<size_t>(len) * sizeof(float));
    }
}

}  // namespace voks::g729

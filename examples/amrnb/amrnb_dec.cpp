// GSM-AMR narrow-band decoder on the public voksc operations. The arithmetic is the 16/32-bit
// saturating fixed point of the standard's decoder, so the output is bit-exact.
#include "amrnb/amrnb_dec.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "amrnb/amrnb_dec_tables.h"
#include "amrnb/amrnb_syn_run.h"
#include "common/fixed_ops.h"
#include "voksc.h"

namespace amrnb {
namespace {

constexpr int kM = 10;
constexpr int kSub = 40;
constexpr int kHist = 154;  // past excitation kept for the adaptive codebook
constexpr int16_t kSharpMax = 13017;
constexpr int kMr475 = 0, kMr515 = 1, kMr59 = 2, kMr67 = 3, kMr74 = 4, kMr795 = 5, kMr102 = 6, kMr122 = 7;
enum { kSpeech = 0, kDtxState = 1, kDtxMute = 2 };

constexpr int kRates[8] = {vokRate4750, vokRate5150, vokRate5900,  vokRate6700,
                           vokRate7400, vokRate7950, vokRate10200, vokRate12200};

// ---- saturating fixed-point arithmetic: the examples' shared operators ----
using fixed_ops::abs_s;
using fixed_ops::add;
using fixed_ops::div_s;
using fixed_ops::extract_h;
using fixed_ops::extract_l;
using fixed_ops::L_add;
using fixed_ops::L_deposit_h;
using fixed_ops::L_Extract;
using fixed_ops::L_mac;
using fixed_ops::L_msu;
using fixed_ops::L_mult;
using fixed_ops::L_shl;
using fixed_ops::L_shr;
using fixed_ops::L_shr_r;
using fixed_ops::L_sub;
using fixed_ops::Mpy_32_16;
using fixed_ops::mult;
using fixed_ops::norm_l;
using fixed_ops::norm_s;
using fixed_ops::round16;
using fixed_ops::shl;
using fixed_ops::shr;
using fixed_ops::shr_r;
using fixed_ops::sub;

// sum 2 x[i]^2 by the saturating L_mac chain from 0: with non-negative terms, once saturated it
// stays saturated, so it is the exact sum saturated once.
int32_t sum_squares(const int16_t* x, int n) {
    int64_t s = 0;
    int i = 0;
#if defined(__SSE2__)
    // Eight squares per step: pmaddwd's pair sums are at most 2^31, exact as unsigned 32-bit
    // values, and are added as 64-bit ones.
    __m128i acc = _mm_setzero_si128();
    const __m128i zero = _mm_setzero_si128();
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i));
        const __m128i p = _mm_madd_epi16(v, v);
        acc = _mm_add_epi64(acc, _mm_add_epi64(_mm_unpacklo_epi32(p, zero), _mm_unpackhi_epi32(p, zero)));
    }
    alignas(16) uint64_t part[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(part), acc);
    s = static_cast<int64_t>(part[0] + part[1]);
#endif
    for (; i < n; ++i) s += int32_t{x[i]} * x[i];
    return static_cast<int32_t>(std::min<int64_t>(2 * s, INT32_MAX));
}

// out[i] = round(L_shl(L_mac(L_mult(x[i], gx), c[i], gc), shift)) for shift 1 or 2: each
// product saturates only at 2^31; the sum and the shift saturate once, as rounding of
// (sum << shift) to 16 bits. out may be x.
void mix(const int16_t* x, int16_t gx, const int16_t* c, int16_t gc, int shift, int16_t* out) {
    if (gx != INT16_MIN && gc != INT16_MIN) {
        // No product reaches 2^30, so h = x gx + c gc fits in 32 bits and the result is
        // sat16((2 h 2^shift + 0x8000) >> 16) = sat16((h + 2^(14 - shift)) >> (15 - shift)).
        for (int i = 0; i < kSub; ++i) {
            const int32_t h = int32_t{x[i]} * gx + int32_t{c[i]} * gc;
            const int32_t t = (h + (1 << (14 - shift))) >> (15 - shift);
            out[i] = static_cast<int16_t>(t > INT16_MAX ? INT16_MAX : t < INT16_MIN ? INT16_MIN : t);
        }
        return;
    }
    for (int i = 0; i < kSub; ++i) {
        const int64_t p = std::min<int64_t>(2 * int64_t{x[i]} * gx, INT32_MAX);
        const int64_t q = std::min<int64_t>(2 * int64_t{c[i]} * gc, INT32_MAX);
        int64_t t = std::min<int64_t>(std::max<int64_t>(p + q, INT32_MIN), INT32_MAX);
        t = (t * (1 << shift) + 0x8000) >> 16;
        out[i] = static_cast<int16_t>(std::min<int64_t>(std::max<int64_t>(t, INT16_MIN), INT16_MAX));
    }
}

// Table interpolation shared by log2, pow2 and the square roots.
int32_t interp(const int16_t* t, int i, int16_t a) {
    int32_t y = L_deposit_h(t[i]);
    return L_msu(y, sub(t[i], t[i + 1]), a);
}
void log2_norm(int32_t x, int16_t exp, int16_t* e, int16_t* f) {
    if (x <= 0) {
        *e = 0;
        *f = 0;
        return;
    }
    *e = sub(30, exp);
    x = L_shr(x, 9);
    const int16_t i = extract_h(x);
    x = L_shr(x, 1);
    const int16_t a = static_cast<int16_t>(extract_l(x) & 0x7fff);
    *f = extract_h(interp(tab::kLog2, i - 32, a));
}
void log2(int32_t x, int16_t* e, int16_t* f) {
    const int16_t n = norm_l(x);
    log2_norm(L_shl(x, n), n, e, f);
}
int32_t pow2(int16_t e, int16_t f) {
    int32_t x = L_mult(f, 32);
    const int16_t i = extract_h(x);
    x = L_shr(x, 1);
    const int16_t a = static_cast<int16_t>(extract_l(x) & 0x7fff);
    return L_shr_r(interp(tab::kPow2, i, a), sub(30, e));
}
int32_t inv_sqrt(int32_t x) {
    if (x <= 0) return 0x3fffffff;
    int16_t e = norm_l(x);
    x = L_shl(x, e);
    e = sub(30, e);
    if ((e & 1) == 0) x = L_shr(x, 1);
    e = add(shr(e, 1), 1);
    x = L_shr(x, 9);
    const int16_t i = extract_h(x);
    x = L_shr(x, 1);
    const int16_t a = static_cast<int16_t>(extract_l(x) & 0x7fff);
    return L_shr(interp(tab::kInvSqrt, i - 16, a), e);
}
int32_t sqrt_exp(int32_t x, int16_t* exp) {
    if (x <= 0) {
        *exp = 0;
        return 0;
    }
    const int16_t e = static_cast<int16_t>(norm_l(x) & 0xfffe);
    x = L_shl(x, e);
    *exp = e;
    x = L_shr(x, 9);
    const int16_t i = extract_h(x);
    x = L_shr(x, 1);
    const int16_t a = static_cast<int16_t>(extract_l(x) & 0x7fff);
    return interp(tab::kSqrt, i - 16, a);
}

// Median of n values (the first maximum wins ties, as the reference's index sort).
int16_t median(const int16_t* v, int n) {
    int16_t t[9], order[9];
    std::memcpy(t, v, n * sizeof t[0]);
    for (int i = 0; i < n; ++i) {
        int16_t mx = -32767;
        int ix = 0;
        for (int j = 0; j < n; ++j)
            if (t[j] >= mx) mx = t[j], ix = j;
        t[ix] = -32768;
        order[i] = static_cast<int16_t>(ix);
    }
    return v[order[n >> 1]];
}

// 1/A(z) synthesis; returns whether any operation saturated (the reference's overflow flag).
bool syn_filt(const int16_t* a, const int16_t* x, int16_t* y, int16_t* mem, bool update) {
    int16_t tmp[kM + kSub];
    std::memcpy(tmp, mem, kM * sizeof tmp[0]);
    bool ov = false;
    auto sat = [&ov](int64_t v) {
        if (v > INT32_MAX || v < INT32_MIN) {
            ov = true;
            return v > 0 ? INT32_MAX : INT32_MIN;
        }
        return static_cast<int32_t>(v);
    };
    auto out = [&sat](int32_t s) {  // round(L_shl(s, 3))
        return static_cast<int16_t>(sat(int64_t{sat(int64_t{s} * 8)} + 0x8000) >> 16);
    };
    // With every |x|, |y| <= m and sum |a| = sa, each partial sum of the saturating chain stays
    // below 2 m sa: when m sa < 2^30 the chain is the exact sum and only the final shift can
    // saturate. The exact sums come first, then one bound over the input, the memory and every
    // output confirms them (each sample met it as it was computed), or the chain runs again.
    const int n = syn_run(a, x, tmp + kM, kSub, -(1 << 27) + 0x800);
    int32_t sa = 0, m = 0;
    for (int j = 0; j <= kM; ++j) sa += a[j] < 0 ? -a[j] : a[j];
    for (int i = 0; i < kSub; ++i) m = std::max(m, x[i] < 0 ? -int32_t{x[i]} : int32_t{x[i]});
    for (int i = 0; i < kM + kSub; ++i) m = std::max(m, tmp[i] < 0 ? -int32_t{tmp[i]} : int32_t{tmp[i]});
    int i = n == kSub && int64_t{m} * sa < (int64_t{1} << 30) ? kSub : 0;
    for (; i < kSub; ++i) {
        int32_t s = sat(int64_t{x[i]} * a[0] * 2);
        for (int j = 1; j <= kM; ++j) s = sat(int64_t{s} - sat(int64_t{a[j]} * tmp[kM + i - j] * 2));
        tmp[kM + i] = out(s);
    }
    std::memcpy(y, tmp + kM, kSub * sizeof y[0]);
    if (update) std::memcpy(mem, y + kSub - kM, kM * sizeof y[0]);
    return ov;
}

void lsf_to_lsp(const int16_t* lsf, int16_t* lsp) {
    for (int i = 0; i < kM; ++i) {
        const int ind = lsf[i] >> 8, off = lsf[i] & 0xff;
        const int32_t t = L_mult(sub(tab::kLsfLsp[ind + 1], tab::kLsfLsp[ind]), static_cast<int16_t>(off));
        lsp[i] = add(tab::kLsfLsp[ind], extract_l(L_shr(t, 9)));
    }
}
void lsp_to_lsf(const int16_t* lsp, int16_t* lsf) {
    int ind = 63;
    for (int i = kM - 1; i >= 0; --i) {
        while (tab::kLsfLsp[ind] < lsp[i]) --ind;
        const int32_t t = L_mult(sub(lsp[i], tab::kLsfLsp[ind]), tab::kLsfSlope[ind]);
        lsf[i] = add(round16(L_shl(t, 3)), shl(static_cast<int16_t>(ind), 8));
    }
}
void reorder_lsf(int16_t* lsf) {
    int16_t mn = 205;
    for (int i = 0; i < kM; ++i) {
        if (lsf[i] < mn) lsf[i] = mn;
        mn = add(lsf[i], 205);
    }
}
void lsp_to_a(const int16_t* lsp, int16_t* a) {
    voksLSPToLPC_GSMAMR_16s(lsp, a);
}

void a_to_refl(const int16_t* a, int16_t* refl) {
    int16_t as[kM], bs[kM];
    std::memcpy(as, a, sizeof as);
    for (int i = kM - 1; i >= 0; --i) {
        if (abs_s(as[i]) >= 4096) goto fail;
        refl[i] = shl(as[i], 3);
        {
            int32_t acc = L_sub(INT32_MAX, L_mult(refl[i], refl[i]));
            const int16_t ns = norm_l(acc);
            const int16_t scale = sub(15, ns);
            acc = L_shl(acc, ns);
            const int16_t m = div_s(16384, round16(acc));
            for (int j = 0; j < i; ++j) {
                acc = L_msu(L_deposit_h(as[j]), refl[i], as[i - j - 1]);
                int32_t t = L_shr_r(L_mult(m, round16(acc)), scale);
                const int32_t at = t == INT32_MIN ? INT32_MAX : (t < 0 ? -t : t);
                if (at > 32767) goto fail;
                bs[j] = extract_l(t);
            }
        }
        std::memcpy(as, bs, i * sizeof as[0]);
    }
    return;
fail:
    std::memset(refl, 0, kM * sizeof refl[0]);
}

int16_t pseudonoise(int32_t* reg, int bits) {
    int16_t out = 0;
    for (int i = 0; i < bits; ++i) {
        const int sn = static_cast<int>((*reg & 1) ^ ((*reg >> 28) & 1));
        out = static_cast<int16_t>((out << 1) | (*reg & 1));
        *reg >>= 1;
        if (sn) *reg |= 0x40000000;
    }
    return out;
}

int width_of(int mode, int param) {
    int16_t p[kMaxParams] = {}, bits[kMaxBits];
    p[param] = -1;
    params_to_bits(mode, p, bits);
    int n = 0;
    for (int i = 0; i < frame_bits(mode); ++i) n += bits[i];
    return n;
}

// ---- gain prediction ----
void gc_pred(DecoderState* st, int mode, const int16_t* code, int16_t* exp, int16_t* frac) {
    int32_t en = sum_squares(code, kSub);
    if (mode == kMr122) {
        static const int16_t pred[4] = {44, 37, 22, 12};
        en = L_mult(round16(en), 26214);
        int16_t e, f;
        log2(en, &e, &f);
        en = L_mac(L_deposit_h(sub(e, 30)), f, 1);
        int32_t ener = 783741;
        for (int i = 0; i < 4; ++i) ener = L_mac(ener, st->past_qua_en_122[i], pred[i]);
        L_Extract(L_shr(L_sub(ener, en), 1), exp, frac);
        return;
    }
    static const int16_t pred[4] = {5571, 4751, 2785, 1556};
    const int16_t ec = norm_l(en);
    en = L_shl(en, ec);
    int16_t e, f;
    log2_norm(en, ec, &e, &f);
    int32_t t = Mpy_32_16(e, f, -24660);
    if (mode == kMr102)
        t = L_mac(t, 16678, 64);
    else if (mode == kMr795)
        t = L_mac(t, 17062, 64);
    else if (mode == kMr74)
        t = L_mac(t, 32588, 32);
    else if (mode == kMr67)
        t = L_mac(t, 32268, 32);
    else
        t = L_mac(t, 16678, 64);
    t = L_shl(t, 10);
    for (int i = 0; i < 4; ++i) t = L_mac(t, pred[i], st->past_qua_en[i]);
    const int16_t g0 = extract_h(t);
    t = L_mult(g0, mode == kMr74 ? 5439 : 5443);
    L_Extract(L_shr(t, 8), exp, frac);
}
void gc_update(DecoderState* st, int16_t q122, int16_t q) {
    for (int i = 3; i > 0; --i) {
        st->past_qua_en[i] = st->past_qua_en[i - 1];
        st->past_qua_en_122[i] = st->past_qua_en_122[i - 1];
    }
    st->past_qua_en_122[0] = q122;
    st->past_qua_en[0] = q;
}
void gc_reset(DecoderState* st) {
    for (int i = 0; i < 4; ++i) st->past_qua_en[i] = -14336, st->past_qua_en_122[i] = -2381;
}

// Joint pitch and code gains (4.75, 5.15, 5.9, 6.7, 7.4, 10.2 kbit/s).
void dec_gain(DecoderState* st, int mode, int16_t index, const int16_t* code, int even, int16_t* gp,
              int16_t* gc) {
    index = shl(index, 2);
    const int16_t* p;
    int16_t g_code, q122, q;
    if (mode == kMr102 || mode == kMr74 || mode == kMr67) {
        p = &tab::kGainHigh[index];
        *gp = p[0], g_code = p[1], q122 = p[2], q = p[3];
    } else if (mode == kMr475) {
        index = add(index, shl(static_cast<int16_t>(1 - even), 1));
        p = &tab::kGain475[index];
        *gp = p[0], g_code = p[1];
        int16_t e, f;
        log2(g_code, &e, &f);
        e = sub(e, 12);
        q122 = add(shr_r(f, 5), shl(e, 10));
        q = round16(L_shl(Mpy_32_16(e, f, 24660), 13));
    } else {
        p = &tab::kGainLow[index];
        *gp = p[0], g_code = p[1], q122 = p[2], q = p[3];
    }
    int16_t exp, frac;
    gc_pred(st, mode, code, &exp, &frac);
    const int16_t g0 = extract_l(pow2(14, frac));
    const int32_t t = L_shr(L_mult(g_code, g0), sub(10, exp));
    *gc = extract_h(t);
    gc_update(st, q122, q);
}

// Code gain alone (7.95 and 12.2 kbit/s).
void d_gain_code(DecoderState* st, int mode, int16_t index, const int16_t* code, int16_t* gc) {
    int16_t exp, frac;
    gc_pred(st, mode, code, &exp, &frac);
    const int16_t* p = &tab::kGainCode[3 * index];
    if (mode == kMr122) {
        const int16_t g0 = shl(extract_l(pow2(exp, frac)), 4);
        *gc = shl(mult(g0, p[0]), 1);
    } else {
        const int16_t g0 = extract_l(pow2(14, frac));
        const int32_t t = L_shr(L_mult(p[0], g0), sub(9, exp));
        *gc = extract_h(t);
    }
    gc_update(st, p[1], p[2]);
}

// ---- concealment of the gains ----
void ec_pitch(DecoderState* st, int16_t* gp) {
    static const int16_t down[7] = {32767, 32112, 32112, 26214, 9830, 6553, 6553};
    int16_t t = median(st->pbuf, 5);
    if (t > st->past_gain_pit) t = st->past_gain_pit;
    *gp = mult(t, down[st->bf_state]);
}
void ec_pitch_update(DecoderState* st, int bfi, int16_t* gp) {
    if (bfi == 0) {
        if (st->prev_bf != 0 && *gp > st->prev_gp) *gp = st->prev_gp;
        st->prev_gp = *gp;
    }
    st->past_gain_pit = *gp > 16384 ? 16384 : *gp;
    std::memmove(st->pbuf, st->pbuf + 1, 4 * sizeof st->pbuf[0]);
    st->pbuf[4] = st->past_gain_pit;
}
void ec_code(DecoderState* st, int16_t* gc) {
    static const int16_t down[7] = {32767, 32112, 32112, 32112, 32112, 32112, 22937};
    int16_t t = median(st->gbuf, 5);
    if (t > st->past_gain_code) t = st->past_gain_code;
    *gc = mult(t, down[st->bf_state]);
    // the predictor continues from its limited average
    int16_t av = 0;
    for (int i = 0; i < 4; ++i) av = add(av, st->past_qua_en_122[i]);
    av = mult(av, 8192);
    const int16_t q122 = av < -2381 ? -2381 : av;
    av = 0;
    for (int i = 0; i < 4; ++i) av = add(av, st->past_qua_en[i]);
    av = mult(av, 8192);
    const int16_t q = av < -14336 ? -14336 : av;
    gc_update(st, q122, q);
}
void ec_code_update(DecoderState* st, int bfi, int16_t* gc) {
    if (bfi == 0) {
        if (st->prev_bf != 0 && *gc > st->prev_gc) *gc = st->prev_gc;
        st->prev_gc = *gc;
    }
    st->past_gain_code = *gc;
    std::memmove(st->gbuf, st->gbuf + 1, 4 * sizeof st->gbuf[0]);
    st->gbuf[4] = *gc;
}

bool low_rate(int mode) {
    return mode == kMr475 || mode == kMr515 || mode == kMr59;
}

// Smoothed code gain in stationary background noise.
int16_t cb_gain_average(DecoderState* st, int mode, int16_t gain_code, const int16_t* lsf, int bfi,
                        int pdfi) {
    int16_t mix = gain_code;
    std::memmove(st->cb_gain_hist, st->cb_gain_hist + 1, 6 * sizeof st->cb_gain_hist[0]);
    st->cb_gain_hist[6] = gain_code;
    int16_t diff = 0;
    for (int i = 0; i < kM; ++i) {
        int16_t t1 = abs_s(sub(st->lsp_mean[i], lsf[i]));
        const int16_t s1 = sub(norm_s(t1), 1);
        t1 = shl(t1, s1);
        const int16_t s2 = norm_s(st->lsp_mean[i]);
        const int16_t t2 = shl(st->lsp_mean[i], s2);
        int16_t t = div_s(t1, t2);
        const int16_t s = sub(add(2, s1), s2);
        t = s >= 0 ? shr(t, s) : shl(t, -s);
        diff = i == 0 ? t : add(diff, t);
    }
    st->hang_var = diff > 5325 ? add(st->hang_var, 1) : 0;
    if (st->hang_var > 10) st->hang_count = 0;
    if (mode <= kMr67 || mode == kMr102) {
        const bool bad = (pdfi != 0 && st->prev_pdf != 0) || bfi != 0 || st->prev_bf != 0;
        const int16_t td = sub(
            diff, bad && st->voiced_hangover > 1 && st->in_background != 0 && low_rate(mode) ? 4506 : 3277);
        const int16_t t1 = td > 0 ? td : 0;
        int16_t bg_mix = 2048 < t1 ? 8192 : shl(t1, 2);
        if (st->hang_count < 40 || diff > 5325) bg_mix = 8192;
        int32_t sum = L_mult(6554, st->cb_gain_hist[2]);
        for (int i = 3; i < 7; ++i) sum = L_mac(sum, 6554, st->cb_gain_hist[i]);
        int16_t mean = round16(sum);
        if ((bfi != 0 || st->prev_bf != 0) && st->in_background != 0 && low_rate(mode)) {
            sum = L_mult(4681, st->cb_gain_hist[0]);
            for (int i = 1; i < 7; ++i) sum = L_mac(sum, 4681, st->cb_gain_hist[i]);
            mean = round16(sum);
        }
        sum = L_mult(bg_mix, mix);
        sum = L_mac(sum, 8192, mean);
        sum = L_msu(sum, bg_mix, mean);
        mix = round16(L_shl(sum, 2));
    }
    st->hang_count = add(st->hang_count, 1);
    return mix;
}

// Phase dispersion of the innovation and the total excitation into x.
void ph_disp(DecoderState* st, int mode, int16_t* x, int16_t cb_gain, int16_t ltp_gain, int16_t* inno,
             int16_t pitch_fac, int shift) {
    std::memmove(st->disp_gain_mem + 1, st->disp_gain_mem, 4 * sizeof st->disp_gain_mem[0]);
    st->disp_gain_mem[0] = ltp_gain;
    int imp = ltp_gain < 14746 ? (ltp_gain > 9830 ? 1 : 0) : 2;
    const int16_t t = round16(L_shl(L_mult(st->disp_prev_cb_gain, 16384), 2));
    if (cb_gain > t)
        st->disp_onset = 2;
    else if (st->disp_onset > 0)
        --st->disp_onset;
    if (st->disp_onset == 0) {
        int n = 0;
        for (int i = 0; i < 5; ++i) n += st->disp_gain_mem[i] < 9830;
        if (n > 2) imp = 0;
    }
    if (imp > st->disp_prev_state + 1 && st->disp_onset == 0) --imp;
    if (imp < 2 && st->disp_onset > 0) ++imp;
    if (cb_gain < 10) imp = 2;
    if (st->disp_lock == 1) imp = 0;
    st->disp_prev_state = static_cast<int16_t>(imp);
    st->disp_prev_cb_gain = cb_gain;
    if (mode != kMr122 && mode != kMr102 && mode != kMr74 && imp < 2) {
        int16_t pos[kSub], saved[kSub];
        int nz = 0;
        for (int i = 0; i < kSub; ++i) {
            if (inno[i] != 0) pos[nz++] = static_cast<int16_t>(i);
            saved[i] = inno[i];
            inno[i] = 0;
        }
        const int16_t* h = mode == kMr795 ? (imp == 0 ? tab::kDispLow795 : tab::kDispMid795)
                                          : (imp == 0 ? tab::kDispLow : tab::kDispMid);
        for (int k = 0; k < nz; ++k) {
            const int p = pos[k];
            int j = 0;
            for (int i = p; i < kSub; ++i) inno[i] = add(inno[i], mult(saved[p], h[j++]));
            for (int i = 0; i < p; ++i) inno[i] = add(inno[i], mult(saved[p], h[j++]));
        }
    }
    mix(x, pitch_fac, inno, cb_gain, shift, x);
}

// Energy of a subframe for the gain control, as the reference's two-stage computation.
int32_t energy(const int16_t* x) {
    int32_t s = sum_squares(x, kSub);
    if (s == INT32_MAX) {
        int16_t t = shr(x[0], 2);
        s = L_mult(t, t);
        for (int i = 1; i < kSub; ++i) t = shr(x[i], 2), s = L_mac(s, t, t);
        return s;
    }
    return L_shr(s, 4);
}
void agc2(const int16_t* in, int16_t* out) {
    int32_t s = energy(out);
    if (s == 0) return;
    int16_t exp = sub(norm_l(s), 1);
    const int16_t gout = round16(L_shl(s, exp));
    s = energy(in);
    int16_t g0 = 0;
    if (s != 0) {
        const int16_t i = norm_l(s);
        const int16_t gin = round16(L_shl(s, i));
        exp = sub(exp, i);
        s = L_shl(int32_t{div_s(gout, gin)}, 7);
        s = inv_sqrt(L_shr(s, exp));
        g0 = round16(L_shl(s, 9));
    }
    // extract_h(L_shl(L_mult(out, g0), 3)): 16 out g0 saturated once is the same value.
    for (int i = 0; i < kSub; ++i) {
        const int64_t v = int64_t{out[i]} * g0 * 16;
        out[i] = extract_h(static_cast<int32_t>(v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : v));
    }
}

void ex_ctrl(int16_t* exc, int16_t en, const int16_t* hist, int16_t voiced_hangover, int16_t prev_bfi,
             bool careful) {
    int16_t avg = median(hist, 9);
    int16_t prev = shr(add(hist[7], hist[8]), 1);
    if (hist[8] < prev) prev = hist[8];
    if (en < avg && en > 5) {
        int16_t test = shl(prev, 2);
        if (voiced_hangover < 7 || prev_bfi != 0) test = sub(test, prev);
        if (avg > test) avg = test;
        const int16_t e = norm_s(en);
        en = div_s(16383, shl(en, e));
        int32_t t = L_shr(L_mult(avg, en), sub(20, e));
        if (t > 32767) t = 32767;
        int16_t scale = extract_l(t);
        if (careful && scale > 3072) scale = 3072;
        for (int i = 0; i < kSub; ++i) exc[i] = extract_l(L_shr(L_mult(scale, exc[i]), 11));
    }
}

// Background-noise detector on the synthesised frame.
int16_t bgn_scd(DecoderState* st, const int16_t* speech) {
    int32_t s = sum_squares(speech, kFrameSamples);
    const int16_t cur = extract_h(L_shl(s, 2));
    int16_t mn = 32767;
    for (int i = 0; i < 60; ++i)
        if (st->energy_hist[i] < mn) mn = st->energy_hist[i];
    const int16_t floor = shl(mn, 4);
    int16_t mx = st->energy_hist[0];
    for (int i = 1; i < 56; ++i)
        if (mx < st->energy_hist[i]) mx = st->energy_hist[i];
    int16_t mx_last = st->energy_hist[40];
    for (int i = 41; i < 60; ++i)
        if (mx_last < st->energy_hist[i]) mx_last = st->energy_hist[i];
    if (mx > 20 && cur < 17578 && cur > 20 && (cur < floor || mx_last < 1953))
        st->bg_hangover = add(st->bg_hangover, 1) > 30 ? 30 : add(st->bg_hangover, 1);
    else
        st->bg_hangover = 0;
    const int16_t in_bg = st->bg_hangover > 1;
    std::memmove(st->energy_hist, st->energy_hist + 1, 59 * sizeof st->energy_hist[0]);
    st->energy_hist[59] = cur;
    int16_t limit = 13926;
    if (st->bg_hangover > 8) limit = 15565;
    if (st->bg_hangover > 15) limit = 16383;
    bool voiced = median(st->ltp_gain_hist + 4, 5) > limit;
    if (st->bg_hangover > 20) voiced = median(st->ltp_gain_hist, 9) > limit;
    if (voiced)
        st->voiced_hangover = 0;
    else
        st->voiced_hangover = add(st->voiced_hangover, 1) > 10 ? 10 : add(st->voiced_hangover, 1);
    return in_bg;
}

void lsp_avg(DecoderState* st, const int16_t* lsf) {
    for (int i = 0; i < kM; ++i) {
        int32_t t = L_deposit_h(st->lsp_mean[i]);
        t = L_msu(t, 5243, st->lsp_mean[i]);
        t = L_mac(t, 5243, lsf[i]);
        st->lsp_mean[i] = round16(t);
    }
}

// ---- discontinuous transmission ----
void dtx_reset(DecoderState* st) {
    st->since_last_sid = 0;
    st->true_sid_period_inv = 1 << 13;
    st->log_en = 3500;
    st->old_log_en = 3500;
    st->pn_seed = 0x70816958;
    std::memcpy(st->cn_lsp, tab::kLspInit, sizeof st->cn_lsp);
    std::memcpy(st->cn_lsp_old, tab::kLspInit, sizeof st->cn_lsp);
    st->lsf_hist_ptr = 0;
    st->log_pg_mean = 0;
    st->log_en_hist_ptr = 0;
    for (int i = 0; i < 8; ++i)
        std::memcpy(st->lsf_hist + i * kM, tab::kMeanLsf, kM * sizeof st->lsf_hist[0]);
    std::memset(st->lsf_hist_mean, 0, sizeof st->lsf_hist_mean);
    for (int i = 0; i < 8; ++i) st->log_en_hist[i] = st->log_en;
    st->log_en_adjust = 0;
    st->dtx_hangover_count = 7;
    st->ana_elapsed = 32767;
    st->sid_frame = 0;
    st->valid_data = 0;
    st->hangover_added = 0;
    st->dtx_state = kDtxState;
    st->data_updated = 0;
}

int rx_dtx_handler(DecoderState* st, int rx) {
    int next;
    const bool dtx = st->dtx_state == kDtxState || st->dtx_state == kDtxMute;
    if (rx == kRxSidFirst || rx == kRxSidUpdate || rx == kRxSidBad ||
        (dtx && (rx == kRxNoData || rx == kRxSpeechBad || rx == kRxOnset))) {
        next = kDtxState;
        if (st->dtx_state == kDtxMute &&
            (rx == kRxSidBad || rx == kRxSidFirst || rx == kRxOnset || rx == kRxNoData))
            next = kDtxMute;
        st->since_last_sid = add(st->since_last_sid, 1);
        if (rx != kRxSidUpdate && st->since_last_sid > 50) next = kDtxMute;
    } else {
        next = kSpeech;
        st->since_last_sid = 0;
    }
    if (st->data_updated == 0 && rx == kRxSidUpdate) st->ana_elapsed = 0;
    st->ana_elapsed = add(st->ana_elapsed, 1);
    st->hangover_added = 0;
    int enc = kSpeech;
    if (rx == kRxSidFirst || rx == kRxSidUpdate || rx == kRxSidBad || rx == kRxOnset || rx == kRxNoData) {
        enc = kDtxState;
        if (rx == kRxNoData && next == kSpeech) enc = kSpeech;
    }
    if (enc == kSpeech) {
        st->dtx_hangover_count = 7;
    } else if (st->ana_elapsed > 30) {
        st->hangover_added = 1;
        st->ana_elapsed = 0;
        st->dtx_hangover_count = 0;
    } else if (st->dtx_hangover_count == 0) {
        st->ana_elapsed = 0;
    } else {
        st->dtx_hangover_count = sub(st->dtx_hangover_count, 1);
    }
    if (next != kSpeech) {
        st->sid_frame = 0;
        st->valid_data = 0;
        if (rx == kRxSidFirst) {
            st->sid_frame = 1;
        } else if (rx == kRxSidUpdate) {
            st->sid_frame = 1;
            st->valid_data = 1;
        } else if (rx == kRxSidBad) {
            st->sid_frame = 1;
            st->hangover_added = 0;
        }
    }
    return next;
}

// Comfort noise of a frame in DTX: A_t receives the 4 x 11 LP coefficients.
void dtx_dec(DecoderState* st, int next, int mode, const int16_t* parm, int16_t* synth, int16_t* a_t) {
    static const int16_t scale[kM] = {20000, 20000, 20000, 20000, 20000, 18000, 16384, 8192, 0, 0};
    static const int16_t adjust[9] = {-1023, -878, -732, -586, -440, -294, -148, 0, 0};
    if (st->hangover_added != 0 && st->sid_frame != 0) {
        st->log_en_adjust = adjust[mode];
        int ptr = st->lsf_hist_ptr + kM;
        if (ptr == 80) ptr = 0;
        std::memcpy(st->lsf_hist + ptr, st->lsf_hist + st->lsf_hist_ptr, kM * sizeof st->lsf_hist[0]);
        ptr = st->log_en_hist_ptr + 1;
        if (ptr == 8) ptr = 0;
        st->log_en_hist[ptr] = st->log_en_hist[st->log_en_hist_ptr];
        st->log_en = 0;
        int32_t L_lsf[kM] = {};
        for (int i = 0; i < 8; ++i) {
            st->log_en = add(st->log_en, shr(st->log_en_hist[i], 3));
            for (int j = 0; j < kM; ++j) L_lsf[j] = L_add(L_lsf[j], st->lsf_hist[i * kM + j]);
        }
        int16_t lsf[kM];
        for (int j = 0; j < kM; ++j) lsf[j] = extract_l(L_shr(L_lsf[j], 3));
        lsf_to_lsp(lsf, st->cn_lsp);
        st->log_en = sub(st->log_en, st->log_en_adjust);
        std::memcpy(st->lsf_hist_mean, st->lsf_hist, sizeof st->lsf_hist_mean);
        for (int i = 0; i < kM; ++i) {
            int32_t m = 0;
            for (int j = 0; j < 8; ++j) m = L_add(m, st->lsf_hist_mean[i + j * kM]);
            const int16_t mean = extract_l(L_shr(m, 3));
            for (int j = 0; j < 8; ++j) {
                int16_t& v = st->lsf_hist_mean[i + j * kM];
                v = mult(sub(v, mean), scale[i]);
                const bool neg = v < 0;
                v = abs_s(v);
                if (v > 655) v = add(655, shr(sub(v, 655), 2));
                if (v > 1310) v = 1310;
                if (neg) v = static_cast<int16_t>(-v);
            }
        }
    }
    if (st->sid_frame != 0) {
        std::memcpy(st->cn_lsp_old, st->cn_lsp, sizeof st->cn_lsp);
        st->old_log_en = st->log_en;
        if (st->valid_data != 0) {
            int16_t len = st->since_last_sid;
            st->since_last_sid = 0;
            if (len > 32) len = 32;
            st->true_sid_period_inv = len >= 2 ? div_s(1 << 10, shl(len, 10)) : 1 << 14;
            // the SID's LSFs: the initial residual vector, then the 3-split decoding
            int16_t idx[3] = {parm[1], parm[2], parm[3]}, q[4 * kM];
            std::memcpy(st->past_r_q, tab::kPastRqInit + parm[0] * kM, kM * sizeof st->past_r_q[0]);
            int16_t prev_lsp[kM];
            std::memcpy(prev_lsp, st->cn_lsp, sizeof prev_lsp);
            voksQuantLSPDecode_GSMAMR_16s(idx, st->past_r_q, st->past_lsf_q, prev_lsp, q, 0, vokRateDTX);
            std::memcpy(st->cn_lsp, q + 3 * kM, sizeof st->cn_lsp);
            std::memset(st->past_r_q, 0, sizeof st->past_r_q);
            const int16_t e = parm[4];
            st->log_en = sub(shl(e, 9), 2560 * 2);
            if (e == 0) st->log_en = -32768;
            if (st->data_updated == 0 || st->dtx_state == kSpeech) {
                std::memcpy(st->cn_lsp_old, st->cn_lsp, sizeof st->cn_lsp);
                st->old_log_en = st->log_en;
            }
        }
        int16_t init = sub(shr(st->log_en, 1), 9000);
        if (init > 0) init = 0;
        if (init < -14436) init = -14436;
        for (int i = 0; i < 4; ++i) st->past_qua_en[i] = init;
        init = mult(5443, init);
        for (int i = 0; i < 4; ++i) st->past_qua_en_122[i] = init;
    }
    st->log_en_adjust = add(mult(st->log_en_adjust, 29491), shr(mult(shl(adjust[mode], 5), 3277), 5));
    int16_t fac = shl(add(1, st->since_last_sid), 10);
    fac = mult(fac, st->true_sid_period_inv);
    if (fac > 1024) fac = 1024;
    fac = shl(fac, 4);
    int32_t L_log_en = L_mult(fac, st->log_en);
    int16_t lsp_int[kM];
    for (int i = 0; i < kM; ++i) lsp_int[i] = mult(fac, st->cn_lsp[i]);
    fac = sub(16384, fac);
    L_log_en = L_mac(L_log_en, fac, st->old_log_en);
    for (int i = 0; i < kM; ++i) lsp_int[i] = shl(add(lsp_int[i], mult(fac, st->cn_lsp_old[i])), 1);
    int16_t variab = sub(st->log_pg_mean, 2457);
    variab = sub(4096, mult(variab, 9830));
    if (variab > 4096) variab = 4096;
    if (variab < 0) variab = 0;
    variab = shl(variab, 3);
    const int16_t vi = pseudonoise(&st->pn_seed, 3);
    int16_t lsf_int[kM], lsf_var[kM], lsp_var[kM];
    lsp_to_lsf(lsp_int, lsf_int);
    for (int i = 0; i < kM; ++i) lsf_var[i] = add(lsf_int[i], mult(variab, st->lsf_hist_mean[i + vi * kM]));
    reorder_lsf(lsf_int);
    reorder_lsf(lsf_var);
    std::memcpy(st->past_lsf_q, lsf_int, sizeof lsf_int);
    lsf_to_lsp(lsf_int, lsp_int);
    lsf_to_lsp(lsf_var, lsp_var);
    int16_t a[kM + 1], a_var[kM + 1], refl[kM];
    lsp_to_a(lsp_int, a);
    lsp_to_a(lsp_var, a_var);
    for (int i = 0; i < 4; ++i) std::memcpy(a_t + i * (kM + 1), a, sizeof a);
    a_to_refl(a + 1, refl);
    int16_t pred_err = 32767;
    for (int i = 0; i < kM; ++i) pred_err = mult(pred_err, sub(32767, mult(refl[i], refl[i])));
    int16_t pg_e, pg_m;
    log2(pred_err, &pg_e, &pg_m);
    int16_t log_pg = shl(sub(pg_e, 15), 12);
    log_pg = shr(sub(0, add(log_pg, shr(pg_m, 15 - 12))), 1);
    st->log_pg_mean = add(mult(29491, st->log_pg_mean), mult(3277, log_pg));
    L_log_en = L_shr(L_log_en, 10);
    L_log_en = L_add(L_log_en, 4 * 65536);
    L_log_en = L_sub(L_log_en, L_shl(log_pg, 4));
    L_log_en = L_add(L_log_en, L_shl(st->log_en_adjust, 5));
    const int16_t le = extract_h(L_log_en);
    const int16_t lm = extract_l(L_shr(L_sub(L_log_en, L_deposit_h(le)), 1));
    const int16_t level = extract_l(pow2(le, lm));
    for (int i = 0; i < 4; ++i) {
        int16_t ex[kSub] = {};
        for (int k = 0; k < 10; ++k) {
            int16_t p = pseudonoise(&st->pn_seed, 2);
            p = add(shr(extract_l(L_mult(p, 10)), 1), static_cast<int16_t>(k));
            ex[p] = pseudonoise(&st->pn_seed, 1) > 0 ? 4096 : -4096;
        }
        for (int j = 0; j < kSub; ++j) ex[j] = mult(level, ex[j]);
        syn_filt(a_var, ex, synth + i * kSub, st->mem_syn, true);
    }
    st->hang_var = 20;
    st->hang_count = 0;
    if (next == kDtxMute) {
        int16_t len = st->since_last_sid;
        if (len > 32) len = 32;
        if (len <= 0) len = 8;
        st->true_sid_period_inv = div_s(1 << 10, shl(len, 10));
        st->since_last_sid = 0;
        std::memcpy(st->cn_lsp_old, st->cn_lsp, sizeof st->cn_lsp);
        st->old_log_en = st->log_en;
        st->log_en = sub(st->log_en, 256);
    }
    if (st->sid_frame != 0 && (st->valid_data != 0 || st->hangover_added != 0)) {
        st->since_last_sid = 0;
        st->data_updated = 1;
    }
}

void dtx_activity_update(DecoderState* st, const int16_t* lsf, const int16_t* frame) {
    st->lsf_hist_ptr = add(st->lsf_hist_ptr, kM);
    if (st->lsf_hist_ptr == 80) st->lsf_hist_ptr = 0;
    std::memcpy(st->lsf_hist + st->lsf_hist_ptr, lsf, kM * sizeof lsf[0]);
    int32_t en = sum_squares(frame, kFrameSamples);
    int16_t e, m;
    log2(en, &e, &m);
    int16_t log_en = add(shl(e, 10), shr(m, 5));
    log_en = sub(log_en, 7497 + 1024);
    st->log_en_hist_ptr = add(st->log_en_hist_ptr, 1);
    if (st->log_en_hist_ptr == 8) st->log_en_hist_ptr = 0;
    st->log_en_hist[st->log_en_hist_ptr] = log_en;
}

// Reset of the speech decoder; `dtx` keeps what comfort noise carries across frames.
void decoder_reset(DecoderState* st, bool dtx) {
    std::memset(st->old_exc, 0, kHist * sizeof st->old_exc[0]);
    if (!dtx) std::memset(st->mem_syn, 0, sizeof st->mem_syn);
    st->sharp = 0;
    st->old_t0 = 40;
    if (!dtx) std::memcpy(st->lsp_old, tab::kLspInit, sizeof st->lsp_old);
    st->prev_bf = 0;
    st->prev_pdf = 0;
    st->bf_state = 0;
    st->t0_lag_buf = 40;
    st->in_background = 0;
    st->voiced_hangover = 0;
    if (!dtx) std::memset(st->exc_energy_hist, 0, sizeof st->exc_energy_hist);
    std::memset(st->ltp_gain_hist, 0, sizeof st->ltp_gain_hist);
    std::memset(st->cb_gain_hist, 0, sizeof st->cb_gain_hist);
    st->hang_var = 0;
    st->hang_count = 0;
    if (!dtx) std::memcpy(st->lsp_mean, tab::kMeanLsf, sizeof st->lsp_mean);
    std::memset(st->past_r_q, 0, sizeof st->past_r_q);
    std::memcpy(st->past_lsf_q, tab::kMeanLsf, sizeof st->past_lsf_q);
    for (int i = 0; i < 5; ++i) st->pbuf[i] = 1640, st->gbuf[i] = 1;
    st->past_gain_pit = 0;
    st->prev_gp = 16384;
    st->past_gain_code = 0;
    st->prev_gc = 1;
    if (!dtx) gc_reset(st);
    std::memset(st->energy_hist, 0, sizeof st->energy_hist);
    st->bg_hangover = 0;
    st->nodata_seed = 21845;
    std::memset(st->disp_gain_mem, 0, sizeof st->disp_gain_mem);
    st->disp_prev_state = 0;
    st->disp_prev_cb_gain = 0;
    st->disp_lock = 0;
    st->disp_onset = 0;
    if (!dtx) dtx_reset(st);
}

// The speech decoder of one frame: synth and the 4 x 11 LP coefficients.
void decode_frame(DecoderState* st, int mode, const int16_t* parm, int rx, int16_t* synth, int16_t* a_t) {
    const int next = rx_dtx_handler(st, rx);
    if (next != kSpeech) {
        decoder_reset(st, true);
        dtx_dec(st, next, mode, parm, synth, a_t);
        lsf_to_lsp(st->past_lsf_q, st->lsp_old);
        lsp_avg(st, st->past_lsf_q);
        st->dtx_state = static_cast<int16_t>(next);
        return;
    }
    int bfi = 0, pdfi = 0;
    int16_t noise[kMaxParams];
    if (rx == kRxSpeechBad || rx == kRxNoData || rx == kRxOnset) {
        bfi = 1;
        if (rx == kRxNoData || rx == kRxOnset) {
            // random parameters from the window table
            st->nodata_seed = extract_l(L_add(L_shr(L_mult(st->nodata_seed, 31821), 1), 13849));
            const int16_t* p = &tab::kWindow200[st->nodata_seed & 0x7f];
            for (int i = 0; i < param_count(mode); ++i)
                noise[i] = static_cast<int16_t>(p[i] & ~(0xffff << width_of(mode, i)));
            parm = noise;
        }
    } else if (rx == kRxSpeechDegraded) {
        pdfi = 1;
    }
    if (bfi != 0)
        st->bf_state = add(st->bf_state, 1);
    else
        st->bf_state = st->bf_state == 6 ? 5 : 0;
    if (st->bf_state > 6) st->bf_state = 6;
    if (st->dtx_state == kDtxState) {
        st->bf_state = 5;
        st->prev_bf = 0;
    } else if (st->dtx_state == kDtxMute) {
        st->bf_state = 5;
        st->prev_bf = 1;
    }
    int16_t prev_lsf[kM];
    std::memcpy(prev_lsf, st->past_lsf_q, sizeof prev_lsf);
    const int rate = kRates[mode];
    {
        int16_t q[4 * kM];
        voksQuantLSPDecode_GSMAMR_16s(parm, st->past_r_q, st->past_lsf_q, st->lsp_old, q,
                                      static_cast<Vok16s>(bfi), rate);
        for (int i = 0; i < 4; ++i) lsp_to_a(q + i * kM, a_t + i * (kM + 1));
        parm += mode == kMr122 ? 5 : 3;
    }
    int16_t t0 = 0, index_475 = 0, even = 0;
    for (int sf = 0; sf < 4; ++sf) {
        const int i_subfr = sf * kSub;
        even = static_cast<int16_t>(1 - even);
        int16_t* exc = st->old_exc + kHist;
        int16_t code[kSub], excp[kSub], exc_enh[kSub];
        int16_t gain_pit = 0, gain_code = 0, pit_sharp;
        const int index = *parm++;
        int16_t adapt[kSub];
        if (voksAdaptiveCodebookDecode_GSMAMR_16s(
                index, &st->old_t0, &st->t0_lag_buf, st->old_exc, &t0, adapt, static_cast<Vok16s>(sf),
                static_cast<Vok16s>(bfi), st->in_background, st->voiced_hangover, rate) != vokStatusOk)
            std::memset(exc, 0, kSub * sizeof exc[0]);
        // fixed codebook
        int16_t fixed_words[10] = {};
        if (mode <= kMr795) {
            fixed_words[0] = parm[0];
            fixed_words[1] = parm[1];
            parm += 2;
        } else if (mode == kMr102) {
            std::memcpy(fixed_words, parm, 7 * sizeof parm[0]);
            parm += 7;
        } else {
            const int16_t gi = *parm++;
            if (bfi != 0)
                ec_pitch(st, &gain_pit);
            else
                gain_pit = shl(shr(tab::kGainPitch[gi], 2), 2);
            ec_pitch_update(st, bfi, &gain_pit);
            std::memcpy(fixed_words, parm, 10 * sizeof parm[0]);
            parm += 10;
        }
        voksFixedCodebookDecode_GSMAMR_16s(fixed_words, code, static_cast<Vok16s>(sf), rate);
        pit_sharp = shl(mode == kMr122 ? gain_pit : st->sharp, 1);
        for (int i = t0; i < kSub; ++i) code[i] = add(code[i], mult(code[i - t0], pit_sharp));
        // gains
        if (mode == kMr475 || mode <= kMr74 || mode == kMr102) {
            int16_t gi;
            if (mode == kMr475) {
                if (even != 0) index_475 = *parm++;
                gi = index_475;
            } else {
                gi = *parm++;
            }
            if (bfi == 0) {
                dec_gain(st, mode, gi, code, even, &gain_pit, &gain_code);
            } else {
                ec_pitch(st, &gain_pit);
                ec_code(st, &gain_code);
            }
            ec_pitch_update(st, bfi, &gain_pit);
            ec_code_update(st, bfi, &gain_code);
            pit_sharp = gain_pit > kSharpMax ? kSharpMax : gain_pit;
            if (mode == kMr102 && st->old_t0 > kSub + 5) pit_sharp = shr(pit_sharp, 2);
        } else if (mode == kMr795) {
            const int16_t gi = *parm++;
            if (bfi != 0)
                ec_pitch(st, &gain_pit);
            else
                gain_pit = tab::kGainPitch[gi];
            ec_pitch_update(st, bfi, &gain_pit);
            const int16_t ci = *parm++;
            if (bfi == 0)
                d_gain_code(st, mode, ci, code, &gain_code);
            else
                ec_code(st, &gain_code);
            ec_code_update(st, bfi, &gain_code);
            pit_sharp = gain_pit > kSharpMax ? kSharpMax : gain_pit;
        } else {
            const int16_t ci = *parm++;
            if (bfi == 0)
                d_gain_code(st, mode, ci, code, &gain_code);
            else
                ec_code(st, &gain_code);
            ec_code_update(st, bfi, &gain_code);
            pit_sharp = gain_pit;
        }
        if (mode != kMr475 || even == 0) st->sharp = gain_pit > kSharpMax ? kSharpMax : gain_pit;
        pit_sharp = shl(pit_sharp, 1);
        if (pit_sharp > 16384) {
            for (int i = 0; i < kSub; ++i) {
                int32_t t = L_mult(mult(exc[i], pit_sharp), gain_pit);
                if (mode == kMr122) t = L_shr(t, 1);
                excp[i] = round16(t);
            }
        }
        if (bfi == 0) {
            std::memmove(st->ltp_gain_hist, st->ltp_gain_hist + 1, 8 * sizeof st->ltp_gain_hist[0]);
            st->ltp_gain_hist[8] = gain_pit;
        }
        if ((st->prev_bf != 0 || bfi != 0) && st->in_background != 0 && low_rate(mode)) {
            if (gain_pit > 12288) gain_pit = add(shr(sub(gain_pit, 12288), 1), 12288);
            if (gain_pit > 14745) gain_pit = 14745;
        }
        // code-gain smoothing in background noise
        int16_t lsf_i[kM];
        for (int i = 0; i < kM; ++i) {
            const int16_t o = prev_lsf[i], n = st->past_lsf_q[i];
            lsf_i[i] = sf == 0   ? add(sub(o, shr(o, 2)), shr(n, 2))
                       : sf == 1 ? add(shr(o, 1), shr(n, 1))
                       : sf == 2 ? add(shr(o, 2), sub(n, shr(n, 2)))
                                 : n;
        }
        int16_t gain_mix = cb_gain_average(st, mode, gain_code, lsf_i, bfi, pdfi);
        if (mode > kMr67 && mode != kMr102) gain_mix = gain_code;
        int16_t pitch_fac, shift;
        if (mode <= kMr102) {
            pitch_fac = gain_pit;
            shift = 1;
        } else {
            pitch_fac = shr(gain_pit, 1);
            shift = 2;
        }
        std::memcpy(exc_enh, exc, sizeof exc_enh);
        mix(exc, pitch_fac, code, gain_code, shift, exc);
        st->disp_lock = 0;
        if (low_rate(mode) && st->voiced_hangover > 3 && st->in_background != 0 && bfi != 0)
            st->disp_lock = 1;
        ph_disp(st, mode, exc_enh, gain_mix, gain_pit, code, pitch_fac, shift);
        int32_t t = L_shr(sum_squares(exc_enh, kSub), 1);
        int16_t e;
        t = sqrt_exp(t, &e);
        t = L_shr(t, add(shr(e, 1), 15));
        t = L_shr(t, 2);
        const int16_t exc_energy = extract_l(t);
        if (low_rate(mode) && st->voiced_hangover > 5 && st->in_background != 0 && st->bf_state < 4 &&
            ((pdfi != 0 && st->prev_pdf != 0) || bfi != 0 || st->prev_bf != 0))
            ex_ctrl(exc_enh, exc_energy, st->exc_energy_hist, st->voiced_hangover, st->prev_bf,
                    pdfi != 0 && bfi == 0);
        if (!(st->in_background != 0 && (bfi != 0 || st->prev_bf != 0) && st->bf_state < 4)) {
            std::memmove(st->exc_energy_hist, st->exc_energy_hist + 1, 8 * sizeof st->exc_energy_hist[0]);
            st->exc_energy_hist[8] = exc_energy;
        }
        const int16_t* az = a_t + sf * (kM + 1);
        bool over;
        if (pit_sharp > 16384) {
            for (int i = 0; i < kSub; ++i) excp[i] = add(excp[i], exc_enh[i]);
            agc2(exc_enh, excp);
            over = syn_filt(az, excp, synth + i_subfr, st->mem_syn, false);
        } else {
            over = syn_filt(az, exc_enh, synth + i_subfr, st->mem_syn, false);
        }
        if (over) {
            for (int i = 0; i < kHist + kSub; ++i) st->old_exc[i] = shr(st->old_exc[i], 2);
            for (int i = 0; i < kSub; ++i) exc_enh[i] = shr(exc_enh[i], 2);
            syn_filt(az, exc_enh, synth + i_subfr, st->mem_syn, true);
        } else {
            std::memcpy(st->mem_syn, synth + i_subfr + kSub - kM, kM * sizeof st->mem_syn[0]);
        }
        std::memmove(st->old_exc, st->old_exc + kSub, kHist * sizeof st->old_exc[0]);
        st->old_t0 = t0;
    }
    st->in_background = bgn_scd(st, synth);
    dtx_activity_update(st, st->past_lsf_q, synth);
    st->prev_bf = static_cast<int16_t>(bfi);
    st->prev_pdf = static_cast<int16_t>(pdfi);
    lsp_avg(st, st->past_lsf_q);
    st->dtx_state = kSpeech;
}

// The output high-pass filter. The two feedback products cannot saturate (|sum| < 1.6e9); the
// three input terms, the shifts and the rounding saturate one by one, as in the chain of
// L_mac, L_shl and round.
void post_process(DecoderState* st, int16_t* s) {
    auto sat = [](int64_t v) { return std::min<int64_t>(std::max<int64_t>(v, INT32_MIN), INT32_MAX); };
    int64_t x1 = st->hp_x1, x0 = st->hp_x0;
    int32_t y1_hi = st->hp_y1_hi, y1_lo = st->hp_y1_lo, y2_hi = st->hp_y2_hi, y2_lo = st->hp_y2_lo;
    for (int i = 0; i < kFrameSamples; ++i) {
        const int64_t x2 = x1;
        x1 = x0;
        x0 = s[i];
        // Mpy_32_16: 2 hi n + 2 ((lo n) >> 15).
        int64_t t =
            2 * (y1_hi * 15836 + ((y1_lo * 15836) >> 15)) + 2 * (y2_hi * -7667 + ((y2_lo * -7667) >> 15));
        // The input terms are known before the feedback: when the feedback's magnitude leaves
        // room for the sum of theirs, no partial sum saturates and they are added at once.
        const int64_t in0 = 2 * x0 * 7699, in1 = 2 * x1 * -15398, in2 = 2 * x2 * 7699;
        const int64_t room = INT32_MAX - (std::abs(in0) + std::abs(in1) + std::abs(in2));
        if (t <= room && t >= -room) {
            t += in0 + in1 + in2;
        } else {
            t = sat(t + in0);
            t = sat(t + in1);
            t = sat(t + in2);
        }
        t = sat(4 * t);
        s[i] = static_cast<int16_t>(sat(sat(2 * t) + 0x8000) >> 16);
        y2_hi = y1_hi;
        y2_lo = y1_lo;
        y1_hi = static_cast<int32_t>(t >> 16);  // L_Extract
        y1_lo = static_cast<int32_t>((t >> 1) & 0x7fff);
    }
    st->hp_x1 = static_cast<int16_t>(x1);
    st->hp_x0 = static_cast<int16_t>(x0);
    st->hp_y1_hi = static_cast<int16_t>(y1_hi);
    st->hp_y1_lo = static_cast<int16_t>(y1_lo);
    st->hp_y2_hi = static_cast<int16_t>(y2_hi);
    st->hp_y2_lo = static_cast<int16_t>(y2_lo);
}

const int16_t* homing_params(int mode) {
    static const int16_t* const t[8] = {tab::kHoming475, tab::kHoming515, tab::kHoming59,  tab::kHoming67,
                                        tab::kHoming74,  tab::kHoming795, tab::kHoming102, tab::kHoming122};
    return t[mode];
}

// Whether the frame's first `n` parameters (all when n < 0) are those of the homing frame.
bool is_homing(int mode, const int16_t* bits, int n) {
    static const int first[8] = {7, 7, 7, 7, 7, 8, 12, 18};
    int16_t p[kMaxParams];
    bits_to_params(mode, bits, p);
    const int count = n < 0 ? param_count(mode) : first[mode];
    const int16_t* h = homing_params(mode);
    for (int i = 0; i < count; ++i)
        if (p[i] != h[i]) return false;
    return true;
}

void full_reset(DecoderState* st) {
    decoder_reset(st, false);
    st->pf_preemph = 0;
    st->pf_gain = 4096;
    std::memset(st->pf_hist, 0, sizeof st->pf_hist);
    std::memset(st->pf_syn, 0, sizeof st->pf_syn);
    st->hp_y2_hi = st->hp_y2_lo = st->hp_y1_hi = st->hp_y1_lo = st->hp_x0 = st->hp_x1 = 0;
    st->prev_mode = 0;
}

}  // namespace

int rx_type_of(int tx) {
    static const int map[8] = {kRxSpeechGood,     kRxSidFirst,  kRxSidUpdate, kRxNoData,
                               kRxSpeechDegraded, kRxSpeechBad, kRxSidBad,    kRxOnset};
    return tx >= 0 && tx < 8 ? map[tx] : -1;
}

int storage_frame_bytes(uint8_t toc) {
    // Octets after the TOC: the eight modes and the SID; the SIDs of GSM-EFR, TDMA-EFR and
    // PDC-EFR (43, 38 and 37 bits); none for the reserved types 12 to 14 and for no data.
    static const int8_t kPayload[16] = {12, 13, 15, 17, 19, 20, 26, 31, 5, 6, 5, 5, 0, 0, 0, 0};
    return 1 + kPayload[(toc >> 3) & 15];
}

void storage_to_serial(const uint8_t* frame, SerialFrame& out) {
    static const int16_t* const kSort[8] = {tab::kSort475, tab::kSort515, tab::kSort59,  tab::kSort67,
                                            tab::kSort74,  tab::kSort795, tab::kSort102, tab::kSort122};
    const int ft = (frame[0] >> 3) & 15;
    const bool good = (frame[0] >> 2) & 1;
    out = SerialFrame{};
    if (ft > kSid) {
        out.tx_type = 3;  // no data
        return;
    }
    const int n = frame_bits(ft);
    int16_t b[8 * 31];  // the payload's bits, MSB first
    for (int k = 0; k < storage_frame_bytes(frame[0]) - 1; ++k)
        for (int j = 0; j < 8; ++j) b[8 * k + j] = static_cast<int16_t>((frame[1 + k] >> (7 - j)) & 1);
    if (ft == kSid) {
        std::memcpy(out.bits, b, n * sizeof b[0]);
        out.tx_type = static_cast<int16_t>(!good ? 6 : b[n] ? 2 : 1);
        out.mode = static_cast<int16_t>(b[n + 1] | (b[n + 2] << 1) | (b[n + 3] << 2));
    } else {
        for (int i = 0; i < n; ++i) out.bits[kSort[ft][i]] = b[i];
        out.tx_type = static_cast<int16_t>(good ? 0 : 5);
        out.mode = static_cast<int16_t>(ft);
    }
}

void decoder_init(DecoderState* st) {
    std::memset(st, 0, sizeof *st);
    full_reset(st);
    st->homed = 1;
}

void decode_params(DecoderState* st, int mode, const int16_t* params, int rx, int16_t* pcm) {
    int16_t a_t[4 * (kM + 1)];
    decode_frame(st, mode, params, rx, pcm, a_t);
    voksPostFilter_GSMAMR_16s(a_t, pcm, &st->pf_preemph, &st->pf_gain, st->pf_hist, st->pf_syn, pcm,
                              kRates[mode]);
    post_process(st, pcm);
    for (int i = 0; i < kFrameSamples; ++i) pcm[i] = static_cast<int16_t>(pcm[i] & 0xfff8);
}

bool decode_serial(DecoderState* st, const SerialFrame& frame, int16_t* pcm) {
    const int rx = rx_type_of(frame.tx_type);
    const int mode = rx == kRxNoData ? st->prev_mode : frame.mode;
    if (rx < 0 || mode < 0 || mode > kMr122) {
        std::memset(pcm, 0, kFrameSamples * sizeof pcm[0]);
        return false;
    }
    st->prev_mode = static_cast<int16_t>(mode);
    int reset = 0;
    if (st->homed) reset = is_homing(mode, frame.bits, 0);
    if (reset && st->homed) {
        for (int i = 0; i < kFrameSamples; ++i) pcm[i] = 0x0008;
    } else {
        int16_t params[kMaxParams];
        const bool sid = rx == kRxSidBad || rx == kRxSidUpdate;
        bits_to_params(sid ? kSid : mode, frame.bits, params);
        decode_params(st, mode, params, rx, pcm);
    }
    if (!st->homed) reset = is_homing(mode, frame.bits, -1);
    if (reset) full_reset(st);
    st->homed = static_cast<int16_t>(reset);
    return true;
}

}  // namespace amrnb

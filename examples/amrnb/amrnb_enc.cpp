// GSM-AMR example encoder: the frame loop of the fixed-point reference encoder (high-pass
// pre-processing, LP analysis and LSP quantisation, open-loop and closed-loop pitch, algebraic
// codebooks, gain quantisation, filter-memory updates, VAD and DTX) on the library's operations.
// The glue arithmetic (filters, gain prediction and quantisers) is written here in the basic
// saturating fixed-point operations so that every frame is bit-exact.
#include "amrnb/amrnb_enc.h"

#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "amrnb/amrnb_enc_gain.h"
#include "amrnb/amrnb_enc_ops.h"
#include "amrnb/amrnb_enc_tables.h"
#include "amrnb/amrnb_syn_run.h"
#include "voksc.h"

namespace amrnbex {

namespace {

constexpr int kM = 10, kMp1 = 11, kFrame = 160, kSub = 40, kTotal = 320, kWindow = 240, kNext = 40;
constexpr int kPitMax = 143, kInterpol = 11, kExcHist = kPitMax + kInterpol;
enum : int { kMR475 = 0, kMR515 = 1, kMR59 = 2, kMR67 = 3, kMR74 = 4, kMR795 = 5, kMR102 = 6, kMR122 = 7 };
constexpr int16_t kSharpMax = 13017, kGpClip = 15565;

const int kRate[9] = {vokRate4750, vokRate5150,  vokRate5900,  vokRate6700, vokRate7400,
                      vokRate7950, vokRate10200, vokRate12200, vokRateDTX};

const int16_t kGamma1[kM] = {30802, 28954, 27217, 25584, 24049, 22606, 21250, 19975, 18777, 17650};
const int16_t kGamma1Hi[kM] = {29491, 26542, 23888, 21499, 19349, 17414, 15672, 14105, 12694, 11425};
const int16_t kGamma2[kM] = {19661, 11797, 7078, 4247, 2548, 1529, 917, 550, 330, 198};
const int16_t kLspInit[kM] = {30000, 26000, 21000, 15000, 8000, 0, -8000, -15000, -21000, -26000};

int32_t max_abs(const int16_t* v, int n) {
    int32_t m = 0;
    for (int i = 0; i < n; ++i) m = std::max(m, std::abs(int32_t{v[i]}));
    return m;
}

// extract_h(L_shl(L_mult(y, g), k)) for k in 1..4, for every y and g: the exact product shifted,
// saturated to 16 bits (the chain saturates exactly when y g leaves -2^(30-k) .. 2^(30-k); then
// too its L_mult, at y = g = -32768).
inline int16_t scaled(int16_t y, int16_t g, int k) {
    return sat16((int32_t{y} * g) >> (15 - k));
}

// Direct-form synthesis filter 1/A(z) of a subframe (n <= 40) with its 10 memories; update keeps
// the last outputs. The exact sums run first, in registers; then one bound over the input, the
// memories and every output: when 2 max|v| sum|a_j| < 2^31 no partial sum of the saturating
// chain could saturate and the block is the chain's. Otherwise the chain runs again.
void syn_filt(const int16_t* a, const int16_t* x, int16_t* y, int n, int16_t* mem, bool update) {
    int16_t buf[kM + kSub];
    std::memcpy(buf, mem, kM * sizeof(int16_t));
    int16_t* yy = buf + kM;
    int i = amrnb::syn_run(a, x, yy, n, -(1 << 27));
    int64_t asum = 0;
    for (int j = 0; j <= kM; ++j) asum += std::abs(int32_t{a[j]});
    if (i < n || 2 * asum * std::max(max_abs(x, n), max_abs(buf, kM + n)) >= (int64_t{1} << 31)) {
        for (i = 0; i < n; ++i) {
            int32_t s = L_mult(x[i], a[0]);
            for (int j = 1; j <= kM; ++j) s = L_msu(s, a[j], yy[i - j]);
            yy[i] = round16(L_shl(s, 3));
        }
    }
    std::memcpy(y, yy, n * sizeof(int16_t));
    if (update) std::memcpy(mem, yy + n - kM, kM * sizeof(int16_t));
}

void weight_ai(const int16_t* a, const int16_t* fac, int16_t* ap) {
    ap[0] = a[0];
    for (int i = 1; i <= kM; ++i) ap[i] = round16(L_mult(a[i], fac[i - 1]));
}

void half_sum(const int16_t* a, const int16_t* b, int16_t* d) {
    for (int i = 0; i < kM; ++i) d[i] = add(shr(a[i], 1), shr(b[i], 1));
}

// LP filters of the four subframes from the LSPs of the frame's middle (12.2) or end; the
// subframes whose own analysis exists (skip) are left as they are.
void interp_mid(const int16_t* old, const int16_t* mid, const int16_t* nw, int16_t* az, bool all) {
    int16_t t[kM];
    half_sum(old, mid, t);
    voksLSPToLPC_GSMAMR_16s(t, az);
    half_sum(mid, nw, t);
    voksLSPToLPC_GSMAMR_16s(t, az + 2 * kMp1);
    if (all) {
        voksLSPToLPC_GSMAMR_16s(mid, az + kMp1);
        voksLSPToLPC_GSMAMR_16s(nw, az + 3 * kMp1);
    }
}

void interp_end(const int16_t* old, const int16_t* nw, int16_t* az, bool all) {
    int16_t t[kM];
    voksInterpolate_GSMAMR_16s(nw, old, t, kM);
    voksLSPToLPC_GSMAMR_16s(t, az);
    half_sum(old, nw, t);
    voksLSPToLPC_GSMAMR_16s(t, az + kMp1);
    voksInterpolate_GSMAMR_16s(old, nw, t, kM);
    voksLSPToLPC_GSMAMR_16s(t, az + 2 * kMp1);
    if (all) voksLSPToLPC_GSMAMR_16s(nw, az + 3 * kMp1);
}

}  // namespace

// LP residual y = A(z) x of a subframe (reads the 10 samples before x), the reference Residu:
// the exact sums when 2 max|x| sum|a| < 2^31 (no partial sum can saturate), else the chain.
void residu40(const int16_t* a, const int16_t* x, int16_t* y) {
    int64_t asum = 0;
    for (int j = 0; j <= kM; ++j) asum += std::abs(int32_t{a[j]});
    if (2 * asum * max_abs(x - kM, kM + kSub) < (int64_t{1} << 31)) {
        int32_t acc[kSub] = {};
        for (int j = 0; j <= kM; ++j)
            for (int i = 0; i < kSub; ++i) acc[i] += a[j] * x[i - j];
        for (int i = 0; i < kSub; ++i) y[i] = round16(L_shl(2 * acc[i], 3));
        return;
    }
    for (int i = 0; i < kSub; ++i) {
        int32_t s = L_mult(x[i], a[0]);
        for (int j = 1; j <= kM; ++j) s = L_mac(s, a[j], x[i - j]);
        y[i] = round16(L_shl(s, 3));
    }
}

// Filtered vector y = x * h (40 samples, h in Q12) with the reference Convolve's rounding and
// saturation (the sums saturated after every product, shifted left by 3 with saturation, the
// high half kept): the library's partial convolution, or dot products by pmaddwd where SSE2 is
// there and no sum can saturate.
void convolve40(const int16_t* x, const int16_t* h, int16_t* y) {
#if defined(__SSE2__)
    // When 2 max|x| sum|h| < 2^31 no partial sum can saturate and y[n] = sat16(sum >> 12) of the
    // exact sum: the dot product of x with h reversed (zeros past its end), by pmaddwd.
    int32_t sh = 0;
    for (int i = 0; i < kSub; ++i) sh += std::abs(int32_t{h[i]});
    if (2 * int64_t{max_abs(x, kSub)} * sh < (int64_t{1} << 31)) {
        int16_t hr[2 * kSub] = {};
        for (int j = 0; j < kSub; ++j) hr[j] = h[kSub - 1 - j];
        __m128i xv[5];
        for (int k = 0; k < 5; ++k) xv[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + 8 * k));
        for (int n = 0; n < kSub; ++n) {
            const int16_t* r = hr + kSub - 1 - n;
            __m128i d = _mm_madd_epi16(xv[0], _mm_loadu_si128(reinterpret_cast<const __m128i*>(r)));
            for (int k = 1; k < 5; ++k)
                d = _mm_add_epi32(
                    d, _mm_madd_epi16(xv[k], _mm_loadu_si128(reinterpret_cast<const __m128i*>(r + 8 * k))));
            d = _mm_add_epi32(d, _mm_shuffle_epi32(d, 0x4E));
            d = _mm_add_epi32(d, _mm_shuffle_epi32(d, 0xB1));
            y[n] = sat16(_mm_cvtsi128_si32(d) >> 12);
        }
        return;
    }
#endif
    voksConvPartial_16s_Sfs(x, h, y, kSub, 12);
}

struct Encoder::State {
    int mode = kMR122, vad = 1;
    bool dtx = false;
    // pre-processing high-pass filter
    int16_t y2_hi = 0, y2_lo = 0, y1_hi = 0, y1_lo = 0, x0 = 0, x1 = 0;
    int16_t old_speech[kTotal] = {};
    int16_t old_a[kMp1] = {4096};
    int16_t lsp_old[kM], lsp_old_q[kM], past_rq[kM] = {};
    // open-loop pitch
    int16_t median = 40, ada_w = 0, old_lags[5] = {40, 40, 40, 40, 40}, old_wsp[kPitMax] = {};
    int16_t ol_gain_flg[2] = {};
    // subframe loop
    int16_t old_exc[kExcHist + kFrame] = {};
    int16_t mem_syn[kM] = {}, mem_w0[kM] = {}, mem_err[kM] = {};
    int16_t sharp = 0, prev_lag = 0;
    // tone stabiliser
    int16_t ton_count = 0, gp[7] = {};
    GainState gain;
    // VAD and DTX
    VokVadState1_GSMAMR vad1{};
    VokVadState2_GSMAMR vad2{};
    int16_t oldlag = 0, oldlag_count = 0, tone = 0, best_corr_hp = 13107;
    int ltp_flag = 0;
    int16_t hist_ptr = 0, lsp_hist[80], log_en_hist[8] = {};
    int16_t log_en_index = 0, init_lsf_index = 0, lsf_index[3] = {};
    int16_t hang_count = 7, elapsed = 32767;
    // SID scheduling of the transmitted frames
    int16_t sid_counter = 3, sid_debt = 0, prev_tx = 0;
    int16_t prm[amrnb::kMaxParams] = {};
    int used = kMR122;

    void reset(int m, int v, bool d) {
        *this = State();
        mode = m;
        vad = v;
        dtx = d;
        std::memcpy(lsp_old, kLspInit, sizeof lsp_old);
        std::memcpy(lsp_old_q, kLspInit, sizeof lsp_old_q);
        for (int i = 0; i < 8; ++i) std::memcpy(lsp_hist + kM * i, kLspInit, sizeof kLspInit);
        gain.reset();
        for (int i = 0; i < 9; ++i) vad1.oldLevel[i] = vad1.aveLevel[i] = vad1.bckrEst[i] = 150;
        vad1.corrHpFast = 13106;
    }

    // High-pass pre-processing. No partial sum of the filter can saturate (each is at most
    // 2^16 (7807 + 3733 + 1899 + 3798 + 1899) + 2^16 < 2^31 in magnitude), so it is taken
    // plainly; only the final left shift saturates.
    void pre_process(int16_t* s) {
        int32_t a0 = x0, a1 = x1, h1 = y1_hi, l1 = y1_lo, h2 = y2_hi, l2 = y2_lo;  // in registers
        for (int i = 0; i < kFrame; ++i) {
            const int32_t a2 = a1;
            a1 = a0;
            a0 = s[i];
            const int32_t t = 2 * (h1 * 7807 + ((l1 * 7807) >> 15) + h2 * -3733 + ((l2 * -3733) >> 15) +
                                   (a0 + a2) * 1899 + a1 * -3798);
            const int32_t ts = t > 0x0FFFFFFF ? INT32_MAX : t < -0x10000000 ? INT32_MIN : t * 8;
            s[i] = round16(ts);
            h2 = h1;
            l2 = l1;
            h1 = ts >> 16;
            l1 = (ts >> 1) - h1 * 32768;
        }
        x0 = static_cast<int16_t>(a0);
        x1 = static_cast<int16_t>(a1);
        y1_hi = static_cast<int16_t>(h1);
        y1_lo = static_cast<int16_t>(l1);
        y2_hi = static_cast<int16_t>(h2);
        y2_lo = static_cast<int16_t>(l2);
    }

    void levinson(const int32_t* r, int16_t* a) {
        if (voksLevinsonDurbin_GSMAMR_32s16s(r, a) != vokStatusOk)
            std::memcpy(a, old_a, sizeof old_a);
        else
            std::memcpy(old_a, a, sizeof old_a);
    }

    int16_t check_lsp(const int16_t* lsp) {
        int16_t d1 = 32767, d2 = 32767;
        for (int i = 3; i < kM - 2; ++i) d1 = std::min<int16_t>(d1, sub(lsp[i], lsp[i + 1]));
        for (int i = 1; i < 3; ++i) d2 = std::min<int16_t>(d2, sub(lsp[i], lsp[i + 1]));
        const int16_t th = lsp[1] > 32000 ? 600 : lsp[1] > 30500 ? 800 : 1100;
        if (d1 < 1500 || d2 < th)
            ton_count = add(ton_count, 1);
        else
            ton_count = 0;
        if (ton_count >= 12) {
            ton_count = 12;
            return 1;
        }
        return 0;
    }

    bool gp_clipping(int16_t g) const {
        int16_t s = shr(g, 3);
        for (int16_t v : gp) s = add(s, v);
        return s > kGpClip;
    }

    void sid_sync(bool sid, amrnb::SerialFrame& out) {
        int16_t tx;
        if (sid) {
            --sid_counter;
            if (prev_tx == 0) {
                tx = 1;
                sid_counter = 3;
            } else if (sid_debt > 0 && sid_counter > 2) {
                tx = 2;
                --sid_debt;
            } else if (sid_counter == 0) {
                tx = 2;
                sid_counter = 8;
            } else {
                tx = 3;
            }
        } else {
            sid_counter = 8;
            tx = 0;
        }
        prev_tx = tx;
        out.tx_type = tx;
    }

    void frame(int16_t* new_speech, int mode);
    void post(int i_subfr, int16_t gain_pit, int16_t gain_code, const int16_t* aq, int16_t* synth,
              const int16_t* xn, const int16_t* code, const int16_t* y1, const int16_t* y2, int16_t* msyn,
              int16_t* mw0, int16_t* shp);
};

namespace {

// Adaptive-codebook vector of a fractional lag (1/3 or 1/6 resolution) from the past excitation.
void pred_lt(int16_t* exc, int t0, int16_t frac, bool flag3) {
    const int16_t* x0 = exc - t0;
    frac = negate(frac);
    if (flag3) frac = shl(frac, 1);
    if (frac < 0) {
        frac = add(frac, 6);
        --x0;
    }
    // Each output reads x0[j - 9 .. j + 10]: for t0 > 10 the history or outputs already written.
    // With every such |x| <= m and the 20 taps' sum of |c| sc, the saturating chain stays below
    // 2 m sc, so when m sc < 2^30 it equals the exact sum. The exact sums come first; one bound
    // over the history and every output then confirms them, or the chain runs again.
    int16_t w[20];  // w[k] weighs x0[j - 9 + k]
    int32_t sc = 0;
    for (int i = 0, k = 0; i < 10; ++i, k += 6) {
        w[9 - i] = kInter6[frac + k];
        w[10 + i] = kInter6[6 - frac + k];
    }
    for (int16_t c : w) sc += std::abs(int32_t{c});
    if (t0 > 10) {
        for (int j = 0; j < kSub; ++j) {
            int32_t s = 0;  // at most 32768 sc < 2^31
            for (int k = 0; k < 20; ++k) s += x0[j - 9 + k] * w[k];
            exc[j] = s >= (1 << 30) - 0x4000 ? INT16_MAX : s < -(1 << 30) ? INT16_MIN : round16(2 * s);
        }
        if (int64_t{max_abs(exc - t0 - 10, t0 + 10 + kSub)} * sc < (int64_t{1} << 30)) return;
    }
    for (int j = 0; j < kSub; ++j) {
        const int16_t* x1 = x0 + j;
        const int16_t* x2 = x1 + 1;
        int32_t s = 0;
        for (int i = 0, k = 0; i < 10; ++i, k += 6) {
            s = L_mac(s, x1[-i], kInter6[frac + k]);
            s = L_mac(s, x2[i], kInter6[6 - frac + k]);
        }
        exc[j] = round16(s);
    }
}

int cb_words(int mode) {
    return mode == kMR122 ? 10 : mode == kMR102 ? 7 : 2;
}

}  // namespace

void Encoder::State::frame(int16_t* in, int req) {
    int16_t* new_speech = old_speech + kTotal - kFrame;
    int16_t* speech = new_speech - kNext;
    int16_t* p_window = old_speech + kTotal - kWindow;
    std::memcpy(new_speech, in, kFrame * sizeof(int16_t));
    std::memset(prm, 0, sizeof prm);
    int16_t* ana = prm;
    used = req;

    Vok16s compute_sid = 0;
    if (dtx) {
        Vok16s vad_flag = 0;
        if (vad == 2)
            voksVAD2_GSMAMR_16s(new_speech, &vad2, &vad_flag, ltp_flag);
        else
            voksVAD1_GSMAMR_16s(speech, &vad1, &vad_flag, best_corr_hp, tone);
        Vok16s rate = static_cast<Vok16s>(kRate[req]);
        voksEncDTXHandler_GSMAMR_16s(&hang_count, &elapsed, &rate, &compute_sid, vad_flag);
        if (rate == vokRateDTX) used = amrnb::kSid;
    }

    // LP analysis, LSPs, their quantisation and interpolation.
    int16_t A_t[4 * kMp1], Aq_t[4 * kMp1], lsp_new[kM], lsp_new_q[kM] = {};
    int32_t r[2 * kMp1];
    const bool sid = used == amrnb::kSid;
    if (req == kMR122) {
        voksAutoCorr_GSMAMR_16s32s(p_window - kNext, r, vokRate12200);
        levinson(r, A_t + kMp1);
        levinson(r + kMp1, A_t + 3 * kMp1);
        int16_t lsp[2 * kM], q[2 * kM];
        voksLPCToLSP_GSMAMR_16s(A_t + kMp1, lsp_old, lsp);
        voksLPCToLSP_GSMAMR_16s(A_t + 3 * kMp1, lsp, lsp + kM);
        interp_mid(lsp_old, lsp, lsp + kM, A_t, false);
        std::memcpy(lsp_new, lsp + kM, sizeof lsp_new);
        if (!sid) {
            voksLSPQuant_GSMAMR_16s(lsp, past_rq, q, ana, vokRate12200);
            interp_mid(lsp_old_q, q, q + kM, Aq_t, true);
            std::memcpy(lsp_new_q, q + kM, sizeof lsp_new_q);
            ana += 5;
        }
    } else {
        voksAutoCorr_GSMAMR_16s32s(p_window, r, kRate[req]);
        levinson(r, A_t + 3 * kMp1);
        voksLPCToLSP_GSMAMR_16s(A_t + 3 * kMp1, lsp_old, lsp_new);
        interp_end(lsp_old, lsp_new, A_t, false);
        if (!sid) {
            voksLSPQuant_GSMAMR_16s(lsp_new, past_rq, lsp_new_q, ana, kRate[req]);
            interp_end(lsp_old_q, lsp_new_q, Aq_t, true);
            ana += 3;
        }
    }
    std::memcpy(lsp_old, lsp_new, sizeof lsp_old);
    std::memcpy(lsp_old_q, lsp_new_q, sizeof lsp_old_q);

    if (dtx) voksEncDTXBuffer_GSMAMR_16s(new_speech, lsp_new, &hist_ptr, lsp_hist, log_en_hist);

    int16_t lsp_flag = 0;
    if (sid) {
        voksEncDTXSID_GSMAMR_16s(lsp_hist, log_en_hist, &log_en_index, &init_lsf_index, lsf_index,
                                 gain.pred.en, gain.pred.en122, compute_sid);
        ana[0] = init_lsf_index;
        std::memcpy(ana + 1, lsf_index, sizeof lsf_index);
        ana[4] = log_en_index;
        std::memset(old_exc, 0, kExcHist * sizeof(int16_t));
        std::memset(mem_w0, 0, sizeof mem_w0);
        std::memset(mem_err, 0, sizeof mem_err);
        std::memset(past_rq, 0, sizeof past_rq);
        std::memcpy(lsp_old, lsp_new, sizeof lsp_old);
        std::memcpy(lsp_old_q, lsp_new, sizeof lsp_old_q);
        prev_lag = 0;
        sharp = 0;
    } else {
        lsp_flag = check_lsp(lsp_old);
    }

    // Open-loop pitch on the weighted speech.
    const int16_t* g1 = (req == kMR122 || req == kMR102) ? kGamma1Hi : kGamma1;
    int16_t ap1[4 * kMp1], ap2[4 * kMp1], T_op[2];
    for (int k = 0; k < 4; ++k) {
        weight_ai(A_t + kMp1 * k, g1, ap1 + kMp1 * k);
        weight_ai(A_t + kMp1 * k, kGamma2, ap2 + kMp1 * k);
    }
    if (dtx && vad == 1) {
        voksOpenLoopPitchSearchDTXVAD1_GSMAMR_16s(ap1, ap2, speech - kM, &tone, &median, &ada_w, old_lags,
                                                  old_wsp, &best_corr_hp, T_op, ol_gain_flg, kRate[req]);
        int16_t count = 0;
        for (int i = 0; i < 2; ++i) {
            if (abs_s(sub(oldlag, T_op[i])) < 4) ++count;
            oldlag = T_op[i];
        }
        vad1.pitch = shr(vad1.pitch, 1);
        if (oldlag_count + count >= 4) vad1.pitch = static_cast<int16_t>(vad1.pitch | 0x4000);
        oldlag_count = count;
    } else if (dtx) {
        Vok32s rmax = 0, r0 = 0;
        voksOpenLoopPitchSearchDTXVAD2_GSMAMR_16s32s(ap1, ap2, speech - kM, &median, &ada_w, old_lags,
                                                     old_wsp, &rmax, &r0, T_op, ol_gain_flg, kRate[req]);
        const int16_t th = (req == kMR475 || req == kMR515) ? 18022 : req == kMR102 ? 19660 : 21299;
        int16_t hi, lo;
        L_Extract(r0, &hi, &lo);
        ltp_flag = L_sub(rmax, Mpy_32_16(hi, lo, th)) > 0;
    } else {
        voksOpenLoopPitchSearchNonDTX_GSMAMR_16s(ap1, ap2, speech - kM, &median, &ada_w, old_lags, old_wsp,
                                                 T_op, ol_gain_flg, kRate[req]);
    }
    if (sid) {
        std::memmove(old_speech, old_speech + kFrame, (kTotal - kFrame) * sizeof(int16_t));
        return;
    }

    // Subframes: closed-loop pitch, algebraic codebook, gains, filter memories.
    int16_t* exc = old_exc + kExcHist;
    const int16_t* A = A_t;
    const int16_t* Aq = Aq_t;
    const int16_t* g1u = (used == kMR122 || used == kMR102) ? kGamma1Hi : kGamma1;
    const int rate = kRate[used];
    int16_t xn[kSub], xn2[kSub], code[kSub], y1[kSub], y2[kSub], res[kSub], res2[kSub], h1[kSub];
    int16_t g_coeff[6], synth[kFrame], ap1s[kMp1], ap2s[kMp1];
    int16_t xn_sf0[kSub], y2_sf0[kSub], code_sf0[kSub], h1_sf0[kSub], h1_sf1[kSub];
    int16_t mem_syn_save[kM], mem_w0_save[kM], mem_err_save[kM], sharp_save = 0;
    int16_t T0_sf0 = 0, frac_sf0 = 0, i_sf0 = 0, gp_sf0 = 0, gc_sf0 = 0;
    bool even = false;
    auto pre = [&](int i_subfr, const int16_t* aa, const int16_t* aq, const int16_t* w0) {
        weight_ai(aa, g1u, ap1s);
        weight_ai(aa, kGamma2, ap2s);
        voksImpulseResponseTarget_GSMAMR_16s(&speech[i_subfr - kM], ap1s, ap2s, aq, mem_err, w0, h1, res, xn);
        std::memcpy(&exc[i_subfr], res, sizeof res);
    };
    // The target again after the error and weighting memories changed (the impulse response and
    // the LP residual stand): the weighted synthesis of the residual from those memories.
    auto target = [&](int i_subfr, const int16_t* aq) {
        int16_t err[kM + kSub], w[kSub];
        std::memcpy(err, mem_err, sizeof mem_err);
        syn_filt(aq, res, err + kM, kSub, mem_err, false);
        residu40(ap1s, err + kM, w);
        syn_filt(ap2s, w, xn, kSub, mem_w0, false);
        std::memcpy(&exc[i_subfr], res, sizeof res);
    };
    for (int sf = 0, i_subfr = 0; sf < 4; ++sf, i_subfr += kSub) {
        even = !even;
        if (even && used == kMR475) {
            std::memcpy(mem_syn_save, mem_syn, sizeof mem_syn);
            std::memcpy(mem_w0_save, mem_w0, sizeof mem_w0);
            std::memcpy(mem_err_save, mem_err, sizeof mem_err);
            sharp_save = sharp;
        }
        pre(i_subfr, A, Aq, used == kMR475 ? mem_w0_save : mem_w0);
        if (used == kMR475) std::memcpy(even ? h1_sf0 : h1_sf1, h1, sizeof h1);
        std::memcpy(res2, res, sizeof res);

        Vok16s frac = 0, index = 0, adapt[kSub];
        voksAdaptiveCodebookSearch_GSMAMR_16s(xn, h1, T_op, &prev_lag, &exc[i_subfr - kExcHist], &frac,
                                              &index, adapt, static_cast<Vok16s>(sf), rate);
        const int16_t T0 = prev_lag;
        *ana++ = index;
        convolve40(&exc[i_subfr], h1, y1);
        int16_t gain_pit = 0;
        voksAdaptiveCodebookGainCoeffs_GSMAMR_16s(xn, y1, &gain_pit, g_coeff);
        if (used == kMR122) gain_pit = static_cast<int16_t>(gain_pit & 0xfffc);
        const bool gpc = lsp_flag != 0 && gain_pit > kGpClip && gp_clipping(gain_pit);
        int16_t gp_limit = 32767;
        if (used == kMR475 || used == kMR515) {
            if (gain_pit > 13926) gain_pit = 13926;
            if (gpc) gp_limit = kGpClip;
        } else {
            if (gpc) gp_limit = gain_pit = kGpClip;
            if (used == kMR122) *ana++ = q_gain_pitch(kMR122, gp_limit, &gain_pit, nullptr, nullptr);
        }
        for (int i = 0; i < kSub; ++i) {
            xn2[i] = sat16(xn[i] - scaled(y1[i], gain_pit, 1));
            res2[i] = sat16(res2[i] - scaled(exc[i_subfr + i], gain_pit, 1));
        }
        if (sf == 0 && ol_gain_flg[0] > 0) old_lags[1] = T0;
        if (sf == 3 && ol_gain_flg[1] > 0) old_lags[0] = T0;

        voksAlgebraicCodebookSearch_GSMAMR_16s(T0, used == kMR122 ? gain_pit : sharp, xn2, res2, h1, code, y2,
                                               ana, static_cast<Vok16s>(sf), rate);
        ana += cb_words(used);

        int16_t gain_code = 0;
        gain_quant(gain, used, res, &exc[i_subfr], code, xn, xn2, y1, y2, g_coeff, even, gp_limit, &gp_sf0,
                   &gc_sf0, &gain_pit, &gain_code, ana);
        std::memmove(gp, gp + 1, 6 * sizeof(int16_t));
        gp[6] = shr(gain_pit, 3);

        if (used != kMR475) {
            post(i_subfr, gain_pit, gain_code, Aq, synth, xn, code, y1, y2, mem_syn, mem_w0, &sharp);
        } else if (even) {
            i_sf0 = static_cast<int16_t>(i_subfr);
            std::memcpy(xn_sf0, xn, sizeof xn);
            std::memcpy(y2_sf0, y2, sizeof y2);
            std::memcpy(code_sf0, code, sizeof code);
            T0_sf0 = T0;
            frac_sf0 = frac;
            post(i_subfr, gain_pit, gain_code, Aq, synth, xn, code, y1, y2, mem_syn_save, mem_w0_save,
                 &sharp);
            sharp = sharp_save;
        } else {
            std::memcpy(mem_err, mem_err_save, sizeof mem_err);
            pred_lt(&exc[i_sf0], T0_sf0, frac_sf0, true);
            convolve40(&exc[i_sf0], h1_sf0, y1);
            post(i_sf0, gp_sf0, gc_sf0, Aq - kMp1, synth, xn_sf0, code_sf0, y1, y2_sf0, mem_syn, mem_w0,
                 &sharp_save);
            target(i_subfr, Aq);
            pred_lt(&exc[i_subfr], T0, frac, true);
            convolve40(&exc[i_subfr], h1_sf1, y1);
            post(i_subfr, gain_pit, gain_code, Aq, synth, xn, code, y1, y2, mem_syn, mem_w0, &sharp);
        }
        A += kMp1;
        Aq += kMp1;
    }
    std::memmove(old_exc, old_exc + kFrame, kExcHist * sizeof(int16_t));
    std::memmove(old_speech, old_speech + kFrame, (kTotal - kFrame) * sizeof(int16_t));
}

// Excitation, synthesis and the error and weighting-filter memories after a subframe.
void Encoder::State::post(int i_subfr, int16_t gain_pit, int16_t gain_code, const int16_t* aq, int16_t* synth,
                          const int16_t* xn, const int16_t* code, const int16_t* y1, const int16_t* y2,
                          int16_t* msyn, int16_t* mw0, int16_t* shp) {
    const int16_t* speech = old_speech + kTotal - kFrame - kNext;
    int16_t* exc = old_exc + kExcHist;
    const bool hi = used == kMR122;
    const int temp_shift = hi ? 2 : 1, k_shift = hi ? 4 : 2;
    const int16_t pitch_fac = hi ? shr(gain_pit, 1) : gain_pit;
    *shp = std::min(gain_pit, kSharpMax);
    // exc = round16(L_shl(L_mac(L_mult(exc, pitch_fac), code, gain_code), temp_shift)): plain when
    // the sum s = exc pitch_fac + code gain_code stays within 2^(30 - temp_shift) - 2^15, so that
    // neither the chain, its shift nor its rounding saturates.
    int16_t* e = &exc[i_subfr];
    const int64_t bound = int64_t{max_abs(e, kSub)} * std::abs(int32_t{pitch_fac}) +
                          int64_t{max_abs(code, kSub)} * std::abs(int32_t{gain_code});
    if (bound <= (1 << (30 - temp_shift)) - 0x8000) {
        for (int i = 0; i < kSub; ++i)
            e[i] = static_cast<int16_t>(
                ((e[i] * pitch_fac + code[i] * gain_code) * (2 << temp_shift) + 0x8000) >> 16);
    } else {
        for (int i = 0; i < kSub; ++i)
            e[i] = round16(L_shl(L_mac(L_mult(e[i], pitch_fac), code[i], gain_code), temp_shift));
    }
    syn_filt(aq, e, &synth[i_subfr], kSub, msyn, true);
    for (int i = kSub - kM, j = 0; i < kSub; ++i, ++j) {
        mem_err[j] = sub(speech[i_subfr + i], synth[i_subfr + i]);
        mw0[j] = sub(xn[i], add(scaled(y1[i], gain_pit, 1), scaled(y2[i], gain_code, k_shift)));
    }
}

Encoder::Encoder() : st_(new State) {
    st_->reset(kMR122, 1, false);
}
Encoder::~Encoder() = default;

bool Encoder::init(int mode, int vad, bool dtx) {
    if (mode < 0 || mode > 7 || (vad != 1 && vad != 2)) return false;
    st_->reset(mode, vad, dtx);
    return true;
}

bool Encoder::encode(const int16_t* pcm, int mode, amrnb::SerialFrame& out) {
    if (mode == -1) mode = st_->mode;
    if (pcm == nullptr || mode < 0 || mode > 7) return false;
    int differs = 0;  // zero for an encoder homing frame (every sample 0x0008)
    int16_t speech[kFrame];
    for (int i = 0; i < kFrame; ++i) {
        differs |= pcm[i] ^ 0x0008;
        speech[i] = static_cast<int16_t>(pcm[i] & 0xfff8);
    }
    const bool homing = differs == 0;
    st_->pre_process(speech);
    st_->frame(speech, mode);
    out = amrnb::SerialFrame();
    st_->sid_sync(st_->used == amrnb::kSid, out);
    out.mode = out.tx_type == 3 ? -1 : static_cast<int16_t>(mode);
    amrnb::params_to_bits(st_->used, st_->prm, out.bits);
    if (homing) {
        const int m = st_->mode, v = st_->vad;
        const bool d = st_->dtx;
        st_->reset(m, v, d);
    }
    return true;
}

const int16_t* Encoder::params() const {
    return st_->prm;
}
int Encoder::used_mode() const {
    return st_->used;
}

}  // namespace amrnbex

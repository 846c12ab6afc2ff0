// Argument checks of the G.729 gain, post-filter and boundary-filter operations: every row calls
// one operation with one bad argument (or a null pointer together with a later bad argument, to
// prove the order) and checks the status; every output and state is canary-filled beforehand and
// must come back untouched.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "voksc.h"

namespace {

constexpr int16_t kCanary = 0x5A5A;

struct Buffers {
    int16_t in[256];
    int16_t lpc[32];
    int16_t out[256];
    int16_t out2[64];
    int16_t out3[64];
    int16_t past[4];
    int16_t gains[2];
    int16_t idx[2];
    float fin[64];
    float fout[700];
    float fmem[32];
    int32_t cand[2];
    int32_t iout[2];
    int size;
    uint8_t state[32];

    Buffers() {
        for (int i = 0; i < 256; ++i) in[i] = static_cast<int16_t>((i * 37) % 2001 - 1000);
        for (int i = 0; i < 32; ++i) lpc[i] = i == 0 || i == 11 ? 4096 : static_cast<int16_t>(100 - 7 * i);
        for (float& f : fin) f = 0.25f;
        cand[0] = cand[1] = 0;
        canaries();
    }
    void canaries() {
        for (int16_t* p : {out, out2, out3}) std::fill(p, p + (p == out ? 256 : 64), kCanary);
        std::fill(past, past + 4, kCanary);
        std::fill(gains, gains + 2, kCanary);
        std::fill(idx, idx + 2, kCanary);
        std::fill(fout, fout + 700, 7.0f);
        std::fill(fmem, fmem + 32, 7.0f);
        iout[0] = iout[1] = 0x5A5A5A5A;
        size = 0x5A5A5A5A;
        std::memset(state, 0x5A, sizeof(state));
    }
    bool untouched() const {
        Buffers fresh;
        return std::memcmp(out, fresh.out, sizeof(out)) == 0 && std::memcmp(out2, fresh.out2, sizeof(out2)) == 0 &&
               std::memcmp(out3, fresh.out3, sizeof(out3)) == 0 && std::memcmp(past, fresh.past, sizeof(past)) == 0 &&
               std::memcmp(gains, fresh.gains, sizeof(gains)) == 0 && std::memcmp(idx, fresh.idx, sizeof(idx)) == 0 &&
               std::memcmp(fout, fresh.fout, sizeof(fout)) == 0 && std::memcmp(fmem, fresh.fmem, sizeof(fmem)) == 0 &&
               std::memcmp(iout, fresh.iout, sizeof(iout)) == 0 && size == fresh.size &&
               std::memcmp(state, fresh.state, sizeof(state)) == 0 && std::memcmp(in, fresh.in, sizeof(in)) == 0;
    }
};

struct Case {
    const char* name;
    VokStatus expect;
    std::function<VokStatus(Buffers&)> call;
};

#define ST(b) reinterpret_cast<VokG729HighPassState*>((b).state)
#define PD(b) reinterpret_cast<VokG729PhaseDispersionState*>((b).state)

const std::vector<Case>& cases() {
    static const std::vector<Case> k = {
        // Gain quantisers: pointers, then the taming flag (as unsigned).
        {"quant null target", vokStatusNullPtr, [](Buffers& b) { return voksGainQuant_G729_16s(nullptr, b.in, b.in, b.in, b.past, b.gains, b.idx, 0); }},
        {"quant null y1", vokStatusNullPtr, [](Buffers& b) { return voksGainQuant_G729_16s(b.in, nullptr, b.in, b.in, b.past, b.gains, b.idx, 0); }},
        {"quant null code", vokStatusNullPtr, [](Buffers& b) { return voksGainQuant_G729_16s(b.in, b.in, nullptr, b.in, b.past, b.gains, b.idx, 0); }},
        {"quant null y2", vokStatusNullPtr, [](Buffers& b) { return voksGainQuant_G729_16s(b.in, b.in, b.in, nullptr, b.past, b.gains, b.idx, 0); }},
        {"quant null past", vokStatusNullPtr, [](Buffers& b) { return voksGainQuant_G729_16s(b.in, b.in, b.in, b.in, nullptr, b.gains, b.idx, 0); }},
        {"quant null gains", vokStatusNullPtr, [](Buffers& b) { return voksGainQuant_G729_16s(b.in, b.in, b.in, b.in, b.past, nullptr, b.idx, 0); }},
        {"quant null idx + taming 2", vokStatusNullPtr, [](Buffers& b) { return voksGainQuant_G729_16s(b.in, b.in, b.in, b.in, b.past, b.gains, nullptr, 2); }},
        {"quant taming 2", vokStatusRange, [](Buffers& b) { return voksGainQuant_G729_16s(b.in, b.in, b.in, b.in, b.past, b.gains, b.idx, 2); }},
        {"quant taming -1", vokStatusRange, [](Buffers& b) { return voksGainQuant_G729_16s(b.in, b.in, b.in, b.in, b.past, b.gains, b.idx, -1); }},
        {"quant D null past", vokStatusNullPtr, [](Buffers& b) { return voksGainQuant_G729D_16s(b.in, b.in, b.in, b.in, nullptr, b.gains, b.idx, 0); }},
        {"quant D taming 2", vokStatusRange, [](Buffers& b) { return voksGainQuant_G729D_16s(b.in, b.in, b.in, b.in, b.past, b.gains, b.idx, 2); }},
        // Gain decoders: the index pointer may be null (erasure), the others not.
        {"decode null past", vokStatusNullPtr, [](Buffers& b) { return voksDecodeGain_G729_16s(1 << 20, nullptr, b.idx, b.gains); }},
        {"decode null gains", vokStatusNullPtr, [](Buffers& b) { return voksDecodeGain_G729_16s(1 << 20, b.past, b.idx, nullptr); }},
        {"decode I null past", vokStatusNullPtr, [](Buffers& b) { return voksDecodeGain_G729I_16s(1 << 20, 29491, nullptr, nullptr, b.gains); }},
        {"decode I null gains", vokStatusNullPtr, [](Buffers& b) { return voksDecodeGain_G729I_16s(1 << 20, 29491, b.past, b.idx, nullptr); }},
        // Float searches.
        {"search null corr", vokStatusNullPtr, [](Buffers& b) { return voksGainCodebookSearch_G729_32f(nullptr, b.cand, b.iout, 0, 1.0f); }},
        {"search null cand", vokStatusNullPtr, [](Buffers& b) { return voksGainCodebookSearch_G729_32f(b.fin, nullptr, b.iout, 0, 1.0f); }},
        {"search null index + taming 3", vokStatusNullPtr, [](Buffers& b) { return voksGainCodebookSearch_G729_32f(b.fin, b.cand, nullptr, 3, 1.0f); }},
        {"search taming 2", vokStatusRange, [](Buffers& b) { return voksGainCodebookSearch_G729_32f(b.fin, b.cand, b.iout, 2, 1.0f); }},
        {"search first start 5", vokStatusRange, [](Buffers& b) { b.cand[0] = 5; return voksGainCodebookSearch_G729_32f(b.fin, b.cand, b.iout, 0, 1.0f); }},
        {"search first start -1", vokStatusRange, [](Buffers& b) { b.cand[0] = -1; return voksGainCodebookSearch_G729_32f(b.fin, b.cand, b.iout, 0, 1.0f); }},
        {"search second start 9", vokStatusRange, [](Buffers& b) { b.cand[1] = 9; return voksGainCodebookSearch_G729_32f(b.fin, b.cand, b.iout, 0, 1.0f); }},
        {"search D first start 3", vokStatusRange, [](Buffers& b) { b.cand[0] = 3; return voksGainCodebookSearch_G729D_32f(b.fin, b.cand, b.iout, 0, 1.0f); }},
        {"search D second start 3", vokStatusRange, [](Buffers& b) { b.cand[1] = 3; return voksGainCodebookSearch_G729D_32f(b.fin, b.cand, b.iout, 1, 1.0f); }},
        {"search D taming -1", vokStatusRange, [](Buffers& b) { return voksGainCodebookSearch_G729D_32f(b.fin, b.cand, b.iout, -1, 1.0f); }},
        // Long-term post-filters.
        {"ltp null residual", vokStatusNullPtr, [](Buffers& b) { return voksLongTermPostFilter_G729_16s(16384, 60, nullptr, b.out, b.out2); }},
        {"ltp null voicing + delay 0", vokStatusNullPtr, [](Buffers& b) { return voksLongTermPostFilter_G729_16s(16384, 0, b.in + 160, b.out, nullptr); }},
        {"ltp gamma 16385", vokStatusRange, [](Buffers& b) { return voksLongTermPostFilter_G729_16s(16385, 60, b.in + 160, b.out, b.out2); }},
        {"ltp gamma -1", vokStatusRange, [](Buffers& b) { return voksLongTermPostFilter_G729_16s(-1, 60, b.in + 160, b.out, b.out2); }},
        {"ltp delay 17", vokStatusRange, [](Buffers& b) { return voksLongTermPostFilter_G729_16s(16384, 17, b.in + 160, b.out, b.out2); }},
        {"ltp delay 144", vokStatusRange, [](Buffers& b) { return voksLongTermPostFilter_G729_16s(16384, 144, b.in + 160, b.out, b.out2); }},
        {"ltp A null speech", vokStatusNullPtr, [](Buffers& b) { return voksLongTermPostFilter_G729A_16s(60, nullptr, b.lpc, b.out, b.out2); }},
        {"ltp A null dst", vokStatusNullPtr, [](Buffers& b) { return voksLongTermPostFilter_G729A_16s(60, b.in + 10, b.lpc, b.out, nullptr); }},
        {"ltp A delay 17", vokStatusRange, [](Buffers& b) { return voksLongTermPostFilter_G729A_16s(17, b.in + 10, b.lpc, b.out, b.out2); }},
        {"ltp A delay 146", vokStatusRange, [](Buffers& b) { return voksLongTermPostFilter_G729A_16s(146, b.in + 10, b.lpc, b.out, b.out2); }},
        {"ltp B null voicing", vokStatusNullPtr, [](Buffers& b) { return voksLongTermPostFilter_G729B_16s(60, b.in + 10, b.lpc, b.out, b.out2, nullptr, 1); }},
        {"ltp B delay 144", vokStatusRange, [](Buffers& b) { return voksLongTermPostFilter_G729B_16s(144, b.in + 10, b.lpc, b.out, b.out2, b.out3, 0); }},
        {"ltp B frame type 3", vokStatusRange, [](Buffers& b) { return voksLongTermPostFilter_G729B_16s(60, b.in + 10, b.lpc, b.out, b.out2, b.out3, 3); }},
        {"ltp B frame type -1", vokStatusRange, [](Buffers& b) { return voksLongTermPostFilter_G729B_16s(60, b.in + 10, b.lpc, b.out, b.out2, b.out3, -1); }},
        {"ltp B active delay 17", vokStatusRange, [](Buffers& b) { return voksLongTermPostFilter_G729B_16s(17, b.in + 10, b.lpc, b.out, b.out2, b.out3, 1); }},
        // Short-term post-filter, tilts, gain controls, pre-emphasis.
        {"st null lpc", vokStatusNullPtr, [](Buffers& b) { return voksShortTermPostFilter_G729_16s(nullptr, b.in, b.out + 10, b.out2); }},
        {"st null impulse", vokStatusNullPtr, [](Buffers& b) { return voksShortTermPostFilter_G729_16s(b.lpc, b.in, b.out + 10, nullptr); }},
        {"tilt null h", vokStatusNullPtr, [](Buffers& b) { return voksTiltCompensation_G729_16s(nullptr, b.out + 1); }},
        {"tilt null signal", vokStatusNullPtr, [](Buffers& b) { return voksTiltCompensation_G729_16s(b.in, nullptr); }},
        {"tilt A null lpc", vokStatusNullPtr, [](Buffers& b) { return voksTiltCompensation_G729A_16s(nullptr, b.out + 1); }},
        {"tilt A null signal", vokStatusNullPtr, [](Buffers& b) { return voksTiltCompensation_G729A_16s(b.lpc, nullptr); }},
        {"tilt E null src", vokStatusNullPtr, [](Buffers& b) { return voksTiltCompensation_G729E_16s(1000, nullptr, b.out); }},
        {"tilt E null dst", vokStatusNullPtr, [](Buffers& b) { return voksTiltCompensation_G729E_16s(1000, b.in, nullptr); }},
        {"agc null src", vokStatusNullPtr, [](Buffers& b) { return voksGainControl_G729_16s_I(nullptr, b.out, b.out2); }},
        {"agc null gain", vokStatusNullPtr, [](Buffers& b) { return voksGainControl_G729_16s_I(b.in, b.out, nullptr); }},
        {"agc A null signal", vokStatusNullPtr, [](Buffers& b) { return voksGainControl_G729A_16s_I(b.in, nullptr, b.out2); }},
        {"agc 32f null signal", vokStatusNullPtr, [](Buffers& b) { return voksGainControl_G729_32f_I(nullptr, b.fmem, 0.1f, 0.9f); }},
        {"agc 32f null gain", vokStatusNullPtr, [](Buffers& b) { return voksGainControl_G729_32f_I(b.fout, nullptr, 0.1f, 0.9f); }},
        {"preemph null mem + len 0", vokStatusNullPtr, [](Buffers& b) { return voksPreemphasize_G729A_16s(100, b.in, b.out, 0, nullptr); }},
        {"preemph len 0", vokStatusSize, [](Buffers& b) { return voksPreemphasize_G729A_16s(100, b.in, b.out, 0, b.out2); }},
        {"preemph len -5", vokStatusSize, [](Buffers& b) { return voksPreemphasize_G729A_16s(100, b.in, b.out, -5, b.out2); }},
        {"preemph I null signal", vokStatusNullPtr, [](Buffers& b) { return voksPreemphasize_G729A_16s_I(100, nullptr, 40, b.out2); }},
        {"preemph I len 0", vokStatusSize, [](Buffers& b) { return voksPreemphasize_G729A_16s_I(100, b.out, 0, b.out2); }},
        // Phase dispersion.
        {"phdisp size null", vokStatusNullPtr, [](Buffers&) { return voksPhaseDispersionGetStateSize_G729D_16s(nullptr); }},
        {"phdisp init null", vokStatusNullPtr, [](Buffers&) { return voksPhaseDispersionInit_G729D_16s(nullptr); }},
        {"phdisp update null", vokStatusNullPtr, [](Buffers&) { return voksPhaseDispersionUpdate_G729D_16s(1, 2, nullptr); }},
        {"phdisp null fixed", vokStatusNullPtr, [](Buffers& b) { return voksPhaseDispersion_G729D_16s(b.in, b.out, 100, 100, nullptr, PD(b)); }},
        {"phdisp null state", vokStatusNullPtr, [](Buffers& b) { return voksPhaseDispersion_G729D_16s(b.in, b.out, 100, 100, b.out2, nullptr); }},
        // High-pass filter.
        {"hp size null", vokStatusNullPtr, [](Buffers&) { return voksHighPassFilterSize_G729(nullptr); }},
        {"hp init null coeffs", vokStatusNullPtr, [](Buffers& b) { return voksHighPassFilterInit_G729(nullptr, ST(b)); }},
        {"hp init null state", vokStatusNullPtr, [](Buffers& b) { return voksHighPassFilterInit_G729(b.lpc, nullptr); }},
        {"hp null state + len 0", vokStatusNullPtr, [](Buffers& b) { return voksHighPassFilter_G729_16s_ISfs(b.out, 0, 12, nullptr); }},
        {"hp len 0 + sf 11", vokStatusSize, [](Buffers& b) { return voksHighPassFilter_G729_16s_ISfs(b.out, 0, 11, ST(b)); }},
        {"hp sf 11", vokStatusScaleFactor, [](Buffers& b) { return voksHighPassFilter_G729_16s_ISfs(b.out, 40, 11, ST(b)); }},
        {"hp sf 14", vokStatusScaleFactor, [](Buffers& b) { return voksHighPassFilter_G729_16s_ISfs(b.out, 40, 14, ST(b)); }},
        // Pole-zero, residual and synthesis filters.
        {"iir null mem", vokStatusNullPtr, [](Buffers& b) { return voksIIR16s_G729_16s(b.lpc, b.in, b.out, nullptr); }},
        {"iir low null dst", vokStatusNullPtr, [](Buffers& b) { return voksIIR16sLow_G729_16s(b.lpc, b.in, nullptr, b.out2); }},
        {"residual null lpc", vokStatusNullPtr, [](Buffers& b) { return voksResidualFilter_G729_16s(b.in + 10, nullptr, b.out); }},
        {"residual E null src + order 0", vokStatusNullPtr, [](Buffers& b) { return voksResidualFilter_G729E_16s(b.lpc, 0, nullptr, b.out, 40); }},
        {"residual E order 0", vokStatusSize, [](Buffers& b) { return voksResidualFilter_G729E_16s(b.lpc, 0, b.in + 30, b.out, 40); }},
        {"residual E len 0", vokStatusSize, [](Buffers& b) { return voksResidualFilter_G729E_16s(b.lpc, 10, b.in + 30, b.out, 0); }},
        {"residual E order above len", vokStatusSize, [](Buffers& b) { return voksResidualFilter_G729E_16s(b.lpc, 11, b.in + 30, b.out, 10); }},
        {"synth E null mem", vokStatusNullPtr, [](Buffers& b) { return voksSynthesisFilter_G729E_16s(b.lpc, 10, b.in, b.out, 40, nullptr); }},
        {"synth E len 0", vokStatusSize, [](Buffers& b) { return voksSynthesisFilter_G729E_16s(b.lpc, 10, b.in, b.out, 0, b.out2); }},
        {"synth E order 0", vokStatusSize, [](Buffers& b) { return voksSynthesisFilter_G729E_16s(b.lpc, 0, b.in, b.out, 40, b.out2); }},
        {"synth E I null signal", vokStatusNullPtr, [](Buffers& b) { return voksSynthesisFilter_G729E_16s_I(b.lpc, 10, nullptr, 40, b.out2); }},
        {"synth E I order -1", vokStatusSize, [](Buffers& b) { return voksSynthesisFilter_G729E_16s_I(b.lpc, -1, b.out, 40, b.out2); }},
        {"synth 32f null lpc", vokStatusNullPtr, [](Buffers& b) { return voksSynthesisFilter_G729_32f(nullptr, 10, b.fin, b.fout, 40, b.fmem); }},
        {"synth 32f len 641", vokStatusSize, [](Buffers& b) { return voksSynthesisFilter_G729_32f(b.fin, 10, b.fin, b.fout, 641, b.fmem); }},
        {"synth 32f len 0", vokStatusSize, [](Buffers& b) { return voksSynthesisFilter_G729_32f(b.fin, 10, b.fin, b.fout, 0, b.fmem); }},
        {"synth 32f order 31", vokStatusSize, [](Buffers& b) { return voksSynthesisFilter_G729_32f(b.fin, 31, b.fin, b.fout, 40, b.fmem); }},
        {"synth 32f order 0", vokStatusSize, [](Buffers& b) { return voksSynthesisFilter_G729_32f(b.fin, 0, b.fin, b.fout, 40, b.fmem); }},
        // Every remaining required pointer, one row each.
        {"quant D null target", vokStatusNullPtr, [](Buffers& b) { return voksGainQuant_G729D_16s(nullptr, b.in, b.in, b.in, b.past, b.gains, b.idx, 0); }},
        {"quant D null y1", vokStatusNullPtr, [](Buffers& b) { return voksGainQuant_G729D_16s(b.in, nullptr, b.in, b.in, b.past, b.gains, b.idx, 0); }},
        {"quant D null code", vokStatusNullPtr, [](Buffers& b) { return voksGainQuant_G729D_16s(b.in, b.in, nullptr, b.in, b.past, b.gains, b.idx, 0); }},
        {"quant D null y2", vokStatusNullPtr, [](Buffers& b) { return voksGainQuant_G729D_16s(b.in, b.in, b.in, nullptr, b.past, b.gains, b.idx, 0); }},
        {"quant D null gains", vokStatusNullPtr, [](Buffers& b) { return voksGainQuant_G729D_16s(b.in, b.in, b.in, b.in, b.past, nullptr, b.idx, 0); }},
        {"quant D null idx + taming 2", vokStatusNullPtr, [](Buffers& b) { return voksGainQuant_G729D_16s(b.in, b.in, b.in, b.in, b.past, b.gains, nullptr, 2); }},
        {"search D null corr", vokStatusNullPtr, [](Buffers& b) { return voksGainCodebookSearch_G729D_32f(nullptr, b.cand, b.iout, 0, 1.0f); }},
        {"search D null cand", vokStatusNullPtr, [](Buffers& b) { return voksGainCodebookSearch_G729D_32f(b.fin, nullptr, b.iout, 0, 1.0f); }},
        {"search D null index + taming 2", vokStatusNullPtr, [](Buffers& b) { return voksGainCodebookSearch_G729D_32f(b.fin, b.cand, nullptr, 2, 1.0f); }},
        {"ltp null dst + gamma -1", vokStatusNullPtr, [](Buffers& b) { return voksLongTermPostFilter_G729_16s(-1, 60, b.in + 160, nullptr, b.out2); }},
        {"ltp A null lpc + delay 0", vokStatusNullPtr, [](Buffers& b) { return voksLongTermPostFilter_G729A_16s(0, b.in + 10, nullptr, b.out, b.out2); }},
        {"ltp A null residual", vokStatusNullPtr, [](Buffers& b) { return voksLongTermPostFilter_G729A_16s(60, b.in + 10, b.lpc, nullptr, b.out2); }},
        {"ltp B null speech", vokStatusNullPtr, [](Buffers& b) { return voksLongTermPostFilter_G729B_16s(60, nullptr, b.lpc, b.out, b.out2, b.out3, 1); }},
        {"ltp B null lpc", vokStatusNullPtr, [](Buffers& b) { return voksLongTermPostFilter_G729B_16s(60, b.in + 10, nullptr, b.out, b.out2, b.out3, 1); }},
        {"ltp B null residual + type 3", vokStatusNullPtr, [](Buffers& b) { return voksLongTermPostFilter_G729B_16s(60, b.in + 10, b.lpc, nullptr, b.out2, b.out3, 3); }},
        {"ltp B null dst", vokStatusNullPtr, [](Buffers& b) { return voksLongTermPostFilter_G729B_16s(60, b.in + 10, b.lpc, b.out, nullptr, b.out3, 1); }},
        {"st null src", vokStatusNullPtr, [](Buffers& b) { return voksShortTermPostFilter_G729_16s(b.lpc, nullptr, b.out + 10, b.out2); }},
        {"st null dst", vokStatusNullPtr, [](Buffers& b) { return voksShortTermPostFilter_G729_16s(b.lpc, b.in, nullptr, b.out2); }},
        {"agc null signal", vokStatusNullPtr, [](Buffers& b) { return voksGainControl_G729_16s_I(b.in, nullptr, b.out2); }},
        {"agc A null src", vokStatusNullPtr, [](Buffers& b) { return voksGainControl_G729A_16s_I(nullptr, b.out, b.out2); }},
        {"agc A null gain", vokStatusNullPtr, [](Buffers& b) { return voksGainControl_G729A_16s_I(b.in, b.out, nullptr); }},
        {"preemph null src", vokStatusNullPtr, [](Buffers& b) { return voksPreemphasize_G729A_16s(100, nullptr, b.out, 40, b.out2); }},
        {"preemph null dst", vokStatusNullPtr, [](Buffers& b) { return voksPreemphasize_G729A_16s(100, b.in, nullptr, 40, b.out2); }},
        {"preemph I null mem + len 0", vokStatusNullPtr, [](Buffers& b) { return voksPreemphasize_G729A_16s_I(100, b.out, 0, nullptr); }},
        {"phdisp null src", vokStatusNullPtr, [](Buffers& b) { return voksPhaseDispersion_G729D_16s(nullptr, b.out, 100, 100, b.out2, PD(b)); }},
        {"phdisp null dst", vokStatusNullPtr, [](Buffers& b) { return voksPhaseDispersion_G729D_16s(b.in, nullptr, 100, 100, b.out2, PD(b)); }},
        {"hp null signal + sf 11", vokStatusNullPtr, [](Buffers& b) { return voksHighPassFilter_G729_16s_ISfs(nullptr, 40, 11, ST(b)); }},
        {"iir null coeffs", vokStatusNullPtr, [](Buffers& b) { return voksIIR16s_G729_16s(nullptr, b.in, b.out, b.out2); }},
        {"iir null src", vokStatusNullPtr, [](Buffers& b) { return voksIIR16s_G729_16s(b.lpc, nullptr, b.out, b.out2); }},
        {"iir null dst", vokStatusNullPtr, [](Buffers& b) { return voksIIR16s_G729_16s(b.lpc, b.in, nullptr, b.out2); }},
        {"iir low null coeffs", vokStatusNullPtr, [](Buffers& b) { return voksIIR16sLow_G729_16s(nullptr, b.in, b.out, b.out2); }},
        {"iir low null src", vokStatusNullPtr, [](Buffers& b) { return voksIIR16sLow_G729_16s(b.lpc, nullptr, b.out, b.out2); }},
        {"iir low null mem", vokStatusNullPtr, [](Buffers& b) { return voksIIR16sLow_G729_16s(b.lpc, b.in, b.out, nullptr); }},
        {"residual null src", vokStatusNullPtr, [](Buffers& b) { return voksResidualFilter_G729_16s(nullptr, b.lpc, b.out); }},
        {"residual null dst", vokStatusNullPtr, [](Buffers& b) { return voksResidualFilter_G729_16s(b.in + 10, b.lpc, nullptr); }},
        {"residual E null lpc", vokStatusNullPtr, [](Buffers& b) { return voksResidualFilter_G729E_16s(nullptr, 10, b.in + 30, b.out, 40); }},
        {"residual E null dst + len 0", vokStatusNullPtr, [](Buffers& b) { return voksResidualFilter_G729E_16s(b.lpc, 10, b.in + 30, nullptr, 0); }},
        {"synth E null lpc + order 0", vokStatusNullPtr, [](Buffers& b) { return voksSynthesisFilter_G729E_16s(nullptr, 0, b.in, b.out, 40, b.out2); }},
        {"synth E null src", vokStatusNullPtr, [](Buffers& b) { return voksSynthesisFilter_G729E_16s(b.lpc, 10, nullptr, b.out, 40, b.out2); }},
        {"synth E null dst", vokStatusNullPtr, [](Buffers& b) { return voksSynthesisFilter_G729E_16s(b.lpc, 10, b.in, nullptr, 40, b.out2); }},
        {"synth E len 0 + order 0", vokStatusSize, [](Buffers& b) { return voksSynthesisFilter_G729E_16s(b.lpc, 0, b.in, b.out, 0, b.out2); }},
        {"synth E I null lpc", vokStatusNullPtr, [](Buffers& b) { return voksSynthesisFilter_G729E_16s_I(nullptr, 10, b.out, 40, b.out2); }},
        {"synth E I null mem", vokStatusNullPtr, [](Buffers& b) { return voksSynthesisFilter_G729E_16s_I(b.lpc, 10, b.out, 40, nullptr); }},
        {"synth E I len 0", vokStatusSize, [](Buffers& b) { return voksSynthesisFilter_G729E_16s_I(b.lpc, 10, b.out, 0, b.out2); }},
        {"synth 32f null src", vokStatusNullPtr, [](Buffers& b) { return voksSynthesisFilter_G729_32f(b.fin, 10, nullptr, b.fout, 40, b.fmem); }},
        {"synth 32f null dst + order 31", vokStatusNullPtr, [](Buffers& b) { return voksSynthesisFilter_G729_32f(b.fin, 31, b.fin, nullptr, 40, b.fmem); }},
        {"synth 32f null mem", vokStatusNullPtr, [](Buffers& b) { return voksSynthesisFilter_G729_32f(b.fin, 10, b.fin, b.fout, 40, nullptr); }},
    };
    return k;
}

TEST(G729GainArgs, FailedChecksWriteNothing) {
    for (const Case& c : cases()) {
        Buffers b;
        EXPECT_EQ(c.call(b), c.expect) << c.name;
        b.cand[0] = b.cand[1] = 0;  // an input some rows set on purpose
        EXPECT_TRUE(b.untouched()) << c.name;
    }
}

}  // namespace

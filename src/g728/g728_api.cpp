// Exported G.728 operations: argument checks in their documented order, then the core.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "common/basicop.h"
#include "frame/check.h"
#include "g728/g728_internal.h"
#include "g728/kernels.h"
#include "voksc.h"

using voks::any_null;
namespace g728 = voks::g728;

namespace {

// States sit at any address: they are copied in and out.
template <class T>
T load(const void* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class T>
void store(void* p, const T& v) {
    std::memcpy(p, &v, sizeof v);
}

// Hybrid-window state: this header, then the window taps, then the recursive part r[0..m].
struct WinHeader {
    int32_t m, nonr, nnew, block, iatt, maxexp, nlsrexp, check;
};
constexpr int kWinMaxTaps = 512;

int32_t win_check(const WinHeader& h) {
    const uint32_t mix =
        uint32_t(h.m) * 131u + uint32_t(h.nonr) * 31u + uint32_t(h.nnew) * 7u + uint32_t(h.block);
    return static_cast<int32_t>(0x47373238u ^ mix);
}

// Whether the block holds a window Init set up (the sizes it reads are its own).
bool win_valid(const WinHeader& h) {
    const int64_t taps = int64_t{h.m} + h.nonr + h.nnew;
    return h.check == win_check(h) && h.m >= 1 && h.nonr >= 1 && h.nnew >= 1 && taps <= kWinMaxTaps &&
           h.block >= 0 && (h.block == 0 || taps % h.block == 0) && (h.iatt == 1 || h.iatt == 2) &&
           h.nlsrexp > -(1 << 20) && h.nlsrexp < (1 << 20);
}

// Synthesis memory as the state layout: samples from byte 0, exponents from byte 112.
using SynthLayout = g728::SynthMem;
static_assert(offsetof(SynthLayout, q) == 112, "exponents at byte 112");
struct CombinedLayout {
    SynthLayout syn;
    int16_t zirwiir[g728::kOrderW];
};
struct IirLayout {
    int16_t x[10], y[10];
};
struct PostLayout {
    int16_t t[10];
    int16_t pad[6];
    int16_t y[10];
};
static_assert(offsetof(PostLayout, y) == 32, "pole-zero outputs at byte 32");
struct AdapterLayout {
    int16_t stlpci[g728::kOrderW];
    int16_t lpfiir[3];
    int16_t dec[g728::kPitchBuf / 4];
};

constexpr int kCombinedBytes = 208, kSynthesisBytes = 144, kIirBytes = 64, kPostBytes = 64,
              kAdapterBytes = 176;
static_assert(sizeof(CombinedLayout) <= kCombinedBytes && sizeof(SynthLayout) <= kSynthesisBytes &&
                  sizeof(IirLayout) <= kIirBytes && sizeof(PostLayout) <= kPostBytes &&
                  sizeof(AdapterLayout) <= kAdapterBytes,
              "state layouts fit their sizes");

SynthLayout fresh_synth() {
    SynthLayout l{};
    std::fill(l.q, l.q + g728::kMemVectors, int16_t{16});
    return l;
}

int64_t win_bytes(int64_t m, int64_t nonr, int64_t nnew, int64_t block) {
    int64_t n = 2 * (nonr + nnew + 2 * m) + 36;
    if (block > 0) n += 2 * ((m + nonr + nnew) / block);
    return n + 16;
}

// Runs one hybrid-window analysis on windowed samples ws at exponent nlsws.
VokStatus win_run(int control, const WinHeader& h, const int16_t* ws, int nlsws, Vok16s* pDstAcf,
                  unsigned char* state) {
    const int taps = h.m + h.nonr + h.nnew;
    int16_t rexp[kWinMaxTaps];
    unsigned char* rp = state + sizeof(WinHeader) + 2 * taps;
    std::memcpy(rexp, rp, sizeof(int16_t) * (h.m + 1));
    int nlsrexp = h.nlsrexp;
    const g728::WindowShape w{h.m, h.nonr, h.nnew, h.iatt, h.maxexp};
    const bool ok = g728::autocorrelate(w, ws, nlsws, rexp, nlsrexp, pDstAcf);
    if (control != 0) {
        std::memcpy(rp, rexp, sizeof(int16_t) * (h.m + 1));
        WinHeader u = h;
        u.nlsrexp = nlsrexp;
        store(state, u);
    }
    return ok ? vokStatusOk : vokStatusOverflow;
}

}  // namespace

extern "C" {

VokStatus voksWinHybridGetStateSize_G728_16s(int m, int nonr, int nnew, int blockLen, int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    if (m < 1 || nonr < 1 || nnew < 1) return vokStatusSize;
    const int64_t n = win_bytes(m, nonr, nnew, blockLen);
    if (n > 0x7FFFFFFF) return vokStatusSize;
    *pSize = static_cast<int>(n);
    return vokStatusOk;
}

VokStatus voksWinHybridInit_G728_16s(const Vok16s* pWin, int m, int nonr, int nnew, int blockLen, int factor,
                                     VokG728WinHybridState* pState) {
    if (any_null(pWin, pState)) return vokStatusNullPtr;
    const int64_t taps = int64_t{m} + nonr + nnew;
    if (m < 1 || nonr < 1 || nnew < 1 || blockLen < 0 || taps > kWinMaxTaps ||
        (blockLen > 0 && taps % blockLen != 0))
        return vokStatusSize;
    if (factor != 12288 && factor != 8192) return vokStatusRange;
    auto* st = reinterpret_cast<unsigned char*>(pState);
    WinHeader h{m, nonr, nnew, blockLen, factor == 12288 ? 2 : 1, factor == 8192 ? 41 : 0, 31, 0};
    h.check = win_check(h);
    store(st, h);
    std::memcpy(st + sizeof h, pWin, sizeof(int16_t) * taps);
    std::memset(st + sizeof h + 2 * taps, 0, sizeof(int16_t) * (m + 1));
    return vokStatusOk;
}

VokStatus voksWinHybrid_G728_16s(int control, const Vok16s* pSrc, Vok16s* pDstAcf,
                                 VokG728WinHybridState* pState) {
    if (any_null(pSrc, pDstAcf, pState)) return vokStatusNullPtr;
    auto* st = reinterpret_cast<unsigned char*>(pState);
    const auto h = load<WinHeader>(st);
    if (!win_valid(h) || h.block != 0) return vokStatusWrongContext;
    const int taps = h.m + h.nonr + h.nnew;
    int16_t win[kWinMaxTaps], ws[kWinMaxTaps];
    std::memcpy(win, st + sizeof h, sizeof(int16_t) * taps);
    const int nls = g728::window_plain(pSrc, win, taps, ws);
    return win_run(control, h, ws, nls, pDstAcf, st);
}

VokStatus voksWinHybridBlock_G728_16s(int control, const Vok16s* pSrcBlock, Vok16s* pDstAcf,
                                      Vok16s* pDstScale, VokG728WinHybridState* pState) {
    if (any_null(pSrcBlock, pDstAcf, pDstScale, pState)) return vokStatusNullPtr;
    auto* st = reinterpret_cast<unsigned char*>(pState);
    const auto h = load<WinHeader>(st);
    if (!win_valid(h) || h.block <= 0) return vokStatusWrongContext;
    const int taps = h.m + h.nonr + h.nnew, nb = taps / h.block;
    int16_t win[kWinMaxTaps], ws[kWinMaxTaps], d[kWinMaxTaps], q[kWinMaxTaps];
    std::memcpy(win, st + sizeof h, sizeof(int16_t) * taps);
    for (int b = 0; b < nb; ++b) {
        q[b] = pSrcBlock[b * (h.block + 1)];
        std::memcpy(d + b * h.block, pSrcBlock + b * (h.block + 1) + 1, sizeof(int16_t) * h.block);
    }
    const int nls = g728::window_blocks(d, q, nb, h.block, win, ws);
    *pDstScale = static_cast<Vok16s>(nls);
    return win_run(control, h, ws, nls, pDstAcf, st);
}

VokStatus voksLevinsonDurbin_G728_16s_Sfs(const Vok16s* pAcf, int order, Vok16s* pLpc, Vok16s* pRc1,
                                          Vok16s* pResidEnergy, Vok16s* pScale) {
    if (any_null(pAcf, pLpc, pRc1, pResidEnergy, pScale)) return vokStatusNullPtr;
    if (order < 1 || order > 1024 || pAcf[0] < 1) return vokStatusRange;
    int16_t a[1024], rc1, alpha, q;
    if (!g728::kernels().durbin(pAcf, 0, order, a, &rc1, &alpha, &q)) return vokStatusOverflow;
    std::copy(a, a + order, pLpc);
    *pRc1 = rc1;
    *pResidEnergy = alpha;
    *pScale = q;
    return vokStatusOk;
}

VokStatus voksLevinsonDurbin_G728_16s_ISfs(const Vok16s* pAcf, int reached, int finalOrder, Vok16s* pLpc,
                                           Vok16s* pResidEnergy, Vok16s* pScale) {
    if (any_null(pAcf, pLpc, pResidEnergy, pScale)) return vokStatusNullPtr;
    if (reached < 0 || reached > finalOrder || finalOrder > 1024) return vokStatusRange;
    if (*pScale > 15 || *pScale < 0) return vokStatusScaleFactor;
    if (reached == 0 && pAcf[0] < 1) return vokStatusRange;
    if (reached == finalOrder) return vokStatusOk;
    int16_t a[1024], rc1, alpha = *pResidEnergy, q = *pScale;
    std::copy(pLpc, pLpc + reached, a);
    if (!g728::kernels().durbin(pAcf, reached, finalOrder, a, &rc1, &alpha, &q)) return vokStatusOverflow;
    std::copy(a, a + finalOrder, pLpc);
    *pResidEnergy = alpha;
    *pScale = q;
    return vokStatusOk;
}

VokStatus voksCombinedFilterGetStateSize_G728_16s(int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = kCombinedBytes;
    return vokStatusOk;
}

VokStatus voksCombinedFilterInit_G728_16s(VokG728CombinedFilterState* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    std::memset(pState, 0, kCombinedBytes);
    CombinedLayout c{};
    c.syn = fresh_synth();
    store(pState, c);
    return vokStatusOk;
}

VokStatus voksCombinedFilterZeroInput_G728_16s(const Vok16s* pCoeffs, Vok16s* pDst, const Vok16s* pLpc,
                                               VokG728CombinedFilterState* pState) {
    if (any_null(pCoeffs, pDst, pLpc, pState)) return vokStatusNullPtr;
    auto c = load<CombinedLayout>(pState);
    g728::SynthMem& s = c.syn;
    g728::advance(s);
    g728::zir_synthesis(pLpc, s);
    g728::zir_weighting(pCoeffs, pCoeffs + g728::kOrderW, s, c.zirwiir);
    std::copy(c.zirwiir, c.zirwiir + g728::kDim, pDst);
    store(pState, c);
    return vokStatusOk;
}

VokStatus voksCombinedFilterZeroState_G728_16s(const Vok16s* pSrcExc, const Vok16s* pCoeffs, Vok16s* pDst,
                                               int maxScale, Vok16s* pDstScale, Vok16s* pDstWeighted,
                                               VokG728CombinedFilterState* pState) {
    if (any_null(pSrcExc, pCoeffs, pDst, pDstScale, pDstWeighted, pState)) return vokStatusNullPtr;
    auto c = load<CombinedLayout>(pState);
    g728::SynthMem& s = c.syn;
    int16_t et[g728::kDim];
    std::copy(pSrcExc + 1, pSrcExc + 1 + g728::kDim, et);
    int etq = pSrcExc[0];
    int16_t wiir[g728::kDim];
    const Vok16s* w = pCoeffs + g728::kOrder;
    g728::zero_state(et, etq, pCoeffs, s, w, w + g728::kOrderW, c.zirwiir, wiir);
    if (maxScale > 0 && s.q[0] > maxScale) s.q[0] = static_cast<int16_t>(maxScale);
    std::copy(s.d, s.d + g728::kDim, pDst);
    *pDstScale = s.q[0];
    std::copy(wiir, wiir + g728::kDim, pDstWeighted);
    store(pState, c);
    return vokStatusOk;
}

VokStatus voksSynthesisFilterGetStateSize_G728_16s(int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = kSynthesisBytes;
    return vokStatusOk;
}

VokStatus voksSynthesisFilterInit_G728_16s(VokG728SynthesisFilterState* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    std::memset(pState, 0, kSynthesisBytes);
    store(pState, fresh_synth());
    return vokStatusOk;
}

VokStatus voksSyntesisFilterZeroInput_G728_16s(const Vok16s* pLpc, Vok16s* pDst, int advance, Vok16s* pScale,
                                               Vok16s* pDstQ2, VokG728SynthesisFilterState* pState) {
    if (any_null(pLpc, pDst, pScale, pDstQ2, pState)) return vokStatusNullPtr;
    auto s = load<SynthLayout>(pState);
    if (advance != 0) g728::advance(s);
    g728::zir_synthesis(pLpc, s);
    store(pState, s);
    std::copy(s.d, s.d + g728::kDim, pDst);
    *pScale = s.q[0];
    for (int i = 0; i < g728::kDim; ++i) {
        const int ir = s.q[0] - 2;
        const int16_t x = s.d[i];
        pDstQ2[i] = ir >= 0 ? (ir > 14 ? (x < 0 ? -1 : 0) : static_cast<int16_t>(x >> ir))
                            : (-ir > 14 ? (x == 0 ? 0 : (x > 0 ? voks::MAX_16 : voks::MIN_16))
                                        : voks::sat16(int32_t{x} * (1 << -ir)));
    }
    return vokStatusOk;
}

VokStatus voksIIR16sGetStateSize_G728_16s(int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = kIirBytes;
    return vokStatusOk;
}

VokStatus voksIIR16sInit_G728_16s(VokG728IIR16sState* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    std::memset(pState, 0, kIirBytes);
    return vokStatusOk;
}

VokStatus voksIIR16s_G728_16s(const Vok16s* pCoeffs, const Vok16s* pSrc, Vok16s* pDst, int len,
                              VokG728IIR16sState* pState) {
    if (any_null(pCoeffs, pSrc, pDst, pState)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    auto st = load<IirLayout>(pState);
    g728::iir16(pCoeffs, pSrc, pDst, len, st.x, st.y);
    store(pState, st);
    return vokStatusOk;
}

VokStatus voksImpulseResponseEnergy_G728_16s(const Vok16s* pImp, Vok16s* pDstEnergy) {
    if (any_null(pImp, pDstEnergy)) return vokStatusNullPtr;
    g728::shape_energies(pImp, pDstEnergy);
    return vokStatusOk;
}

VokStatus voksCodebookSearch_G728_16s(const Vok16s* pTarget, const Vok16s* pImp, const Vok16s* pEnergy,
                                      Vok16s* pIndex, Vok16s* pDst, VokSpeechRate rate) {
    if (any_null(pTarget, pImp, pEnergy, pIndex, pDst)) return vokStatusNullPtr;
    if (rate != vokRate16000 && rate != vokRate12800 && rate != vokRate9600) return vokStatusRange;
    int ig, is, gainBits = 3;
    if (rate == vokRate16000) {
        g728::kernels().search16(pTarget + 1, pTarget[0], pImp, pEnergy, ig, is);
    } else {
        // 12.8 kbit/s: 32 shapes, 4 levels; 9.6 kbit/s: 16 shapes, 2 levels; a sign bit each.
        const bool r128 = rate == vokRate12800;
        gainBits = r128 ? 3 : 2;
        g728::search_lowrate(pTarget + 1, pTarget[0], pImp, pEnergy, r128 ? 32 : 16, r128 ? 4 : 2, ig, is);
    }
    *pIndex = static_cast<Vok16s>(is << gainBits | ig);
    pDst[0] = static_cast<Vok16s>(is);
    pDst[1] = static_cast<Vok16s>(ig);
    return vokStatusOk;
}

VokStatus voksCodebookSearchTCQ_G728_16s8u(const Vok16s* pTarget, const Vok16s* pImp, const Vok16s* pEnergy,
                                           Vok8u* pPath, Vok16s* pDstIndex, Vok32s* pDstDist, int len,
                                           int initState) {
    if (any_null(pTarget, pImp, pEnergy, pPath, pDstIndex, pDstDist)) return vokStatusNullPtr;
    if (len < 1 || len > g728::kTcqMaxVectors) return vokStatusSize;
    if (initState < 0 || initState >= g728::kTcqStates) return vokStatusRange;
    const int64_t d = g728::search_tcq(pTarget, len, pImp, pEnergy, initState, pPath, pDstIndex);
    *pDstDist = voks::sat32(d);
    return vokStatusOk;
}

VokStatus voksPostFilterGetStateSize_G728_16s(int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = kPostBytes;
    return vokStatusOk;
}

VokStatus voksPostFilterInit_G728_16s(VokG728PostFilterState* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    std::memset(pState, 0, kPostBytes);
    return vokStatusOk;
}

VokStatus voksPostFilter_G728_16s(Vok16s g0, Vok16s g1, Vok16s period, Vok16s mu, const Vok16s* pCoeffs,
                                  const Vok16s* pSrc, Vok16s* pDst, VokG728PostFilterState* pState) {
    if (any_null(pCoeffs, pSrc, pDst, pState)) return vokStatusNullPtr;
    if (period < 1) return vokStatusRange;
    auto st = load<PostLayout>(pState);
    g728::post_filter(g0, g1, period, mu, pCoeffs, pSrc, pDst, st.t, st.y);
    store(pState, st);
    return vokStatusOk;
}

VokStatus voksPostFilterAdapterGetStateSize_G728(int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = kAdapterBytes;
    return vokStatusOk;
}

VokStatus voksPostFilterAdapterStateInit_G728(VokG728PostFilterAdapterState* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    std::memset(pState, 0, kAdapterBytes);
    return vokStatusOk;
}

VokStatus voksLPCInverseFilter_G728_16s(const Vok16s* pSrc, const Vok16s* pLpc, Vok16s* pDst,
                                        VokG728PostFilterAdapterState* pState) {
    if (any_null(pSrc, pLpc, pDst, pState)) return vokStatusNullPtr;
    auto st = load<AdapterLayout>(pState);
    int16_t r[g728::kDim];
    g728::lpc_inverse(pLpc, pSrc, st.stlpci, r);
    std::copy(r, r + g728::kDim, pDst);
    store(pState, st);
    return vokStatusOk;
}

VokStatus voksPitchPeriodExtraction_G728_16s(const Vok16s* pResid, int* pPeriod,
                                             VokG728PostFilterAdapterState* pState) {
    if (any_null(pResid, pPeriod, pState)) return vokStatusNullPtr;
    if (*pPeriod < g728::kPitchMin || *pPeriod > g728::kPitchMax) return vokStatusRange;
    auto st = load<AdapterLayout>(pState);
    *pPeriod = g728::pitch_extract(*pPeriod, pResid, st.dec, st.lpfiir);
    store(pState, st);
    return vokStatusOk;
}

}  // extern "C"

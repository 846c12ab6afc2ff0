// Exported front-end operations: argument checks in their documented order, then one call into
// the front end.
#include <cstring>

#include "frame/check.h"
#include "rta/rta_internal.h"
#include "voksc.h"

using voks::any_null;
namespace rta = voks::rta;

namespace {

rta::QmfState load(const VokQMFState_RTA_32f* p) {
    rta::QmfState s;
    std::memcpy(&s, p, sizeof s);
    return s;
}

void store(VokQMFState_RTA_32f* p, const rta::QmfState& s) {
    std::memcpy(p, &s, sizeof s);
}

}  // namespace

extern "C" {

VokStatus voksQMFGetStateSize_RTA_32f(int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = rta::kQmfStateBytes;
    return vokStatusOk;
}

VokStatus voksQMFInit_RTA_32f(VokQMFState_RTA_32f* pState, int taps) {
    if (any_null(pState)) return vokStatusNullPtr;
    if (taps != 24 && taps != 48) return vokStatusRange;
    rta::QmfState s;
    rta::qmf_init(s, taps);
    store(pState, s);
    return vokStatusOk;
}

// A state whose tap count is neither 24 nor 48 was not set up by Init: nothing is read past it.
VokStatus voksQMFEncode_RTA_32f(const Vok32f* pSrc, int len, Vok32f* pDstLow, Vok32f* pDstHigh,
                                VokQMFState_RTA_32f* pState) {
    if (any_null(pSrc, pDstLow, pDstHigh, pState)) return vokStatusNullPtr;
    if (len < 1 || len > rta::kQmfMaxLen || len % 2 != 0) return vokStatusRange;
    rta::QmfState s = load(pState);
    if (!rta::qmf_valid(s)) return vokStatusWrongContext;
    rta::qmf_analysis(s, pSrc, len, pDstLow, pDstHigh);
    store(pState, s);
    return vokStatusOk;
}

VokStatus voksQMFDecode_RTA_32f(const Vok32f* pSrcLow, const Vok32f* pSrcHigh, int len, Vok32f* pDst,
                                VokQMFState_RTA_32f* pState) {
    if (any_null(pSrcLow, pSrcHigh, pDst, pState)) return vokStatusNullPtr;
    if (len < 1 || len > rta::kQmfMaxLen / 2) return vokStatusRange;
    rta::QmfState s = load(pState);
    if (!rta::qmf_valid(s)) return vokStatusWrongContext;
    rta::qmf_synthesis(s, pSrcLow, pSrcHigh, len, pDst);
    store(pState, s);
    return vokStatusOk;
}

VokStatus voksHighPassFilter_RTA_32f(const Vok32f* pSrc, Vok32f* pDst, int len, int order, int sampleRate,
                                     Vok32f* pState) {
    if (any_null(pSrc, pDst, pState)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    const int rate = rta::hp_rate_index(sampleRate);
    if (rate < 0) return vokStatusRange;
    if (order != 4 && order != 5) return vokStatusRange;
    if (order == 5) {
        rta::highpass5(pSrc, pDst, len, rate, pState);
    } else if (rate > 0) {
        rta::highpass4(pSrc, pDst, len, rate, pState);
    } else {
        // No 8000 Hz set exists for order 4: even lengths take the 32000 Hz set.
        if (len % 2 != 0) return vokStatusNothingDone;
        rta::highpass4(pSrc, pDst, len, rta::hp_rate_index(32000), pState);
    }
    return vokStatusOk;
}

VokStatus voksBandPassFilter_RTA_32f_I(Vok32f* pSrcDst, int len, Vok32f* pState) {
    if (any_null(pSrcDst, pState)) return vokStatusNullPtr;
    if (len < 1 || len > rta::kBandPassMaxLen) return vokStatusSize;
    rta::bandpass(pSrcDst, len, pState);
    return vokStatusOk;
}

VokStatus voksLevinsonDurbin_RTA_32f(const Vok32f* pAutoCorr, Vok32f* pLPC, Vok32f* pRC, int order) {
    if (any_null(pAutoCorr, pLPC, pRC)) return vokStatusNullPtr;
    if (order < 1 || order > 16) return vokStatusRange;
    return rta::levinson(pAutoCorr, pLPC, pRC, order) ? vokStatusOk : vokStatusOverflow;
}

}  // extern "C"

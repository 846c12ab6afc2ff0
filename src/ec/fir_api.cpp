// Exported echo-canceller filters: argument checks in their documented order, then the core.
#include "ec/fir_internal.h"
#include "ec/kernels.h"
#include "frame/check.h"
#include "voksc.h"

using voks::any_null;
namespace ec = voks::ec;

namespace {

constexpr int kMaxBins = 4097, kMaxTaps = 255;

bool bad_bins(int K) {
    return K < 1 || K > kMaxBins;
}
bool bad_taps(int T) {
    return T < 1 || T > kMaxTaps;
}

// True when any of the n table entries is null.
template <class P>
bool null_entry(P* const* table, int n) {
    for (int k = 0; k < n; ++k)
        if (table[k] == nullptr) return true;
    return false;
}

}  // namespace

extern "C" {

VokStatus voksFIR_EC_32f(const Vok32f* pSrcRef, const Vok32f* pSrcNear, Vok32f* pDstErr, int len,
                         const Vok32f* pTaps, int tapLen) {
    if (any_null(pSrcRef, pSrcNear, pDstErr, pTaps)) return vokStatusNullPtr;
    if (len < 1 || tapLen < 1) return vokStatusBadArg;
    ec::kernels().fir_32f(pSrcRef, pSrcNear, pDstErr, len, pTaps, tapLen);
    return vokStatusOk;
}

VokStatus voksFIR_EC_16s(const Vok16s* pSrcRef, const Vok16s* pSrcNear, Vok16s* pDstErr, int len,
                         const Vok16s* pTaps, int tapLen) {
    if (any_null(pSrcRef, pSrcNear, pDstErr, pTaps)) return vokStatusNullPtr;
    if (len < 1 || tapLen < 1) return vokStatusBadArg;
    ec::fir_16s(pSrcRef, pSrcNear, pDstErr, len, pTaps, tapLen);
    return vokStatusOk;
}

VokStatus voksNLMS_EC_32f(const Vok32f* pSrcRef, const Vok32f* pSrcNear, const Vok32f* pStep, Vok32f* pDstErr,
                          int len, Vok32f* pTaps, int tapLen, Vok32f* pErr) {
    if (any_null(pSrcRef, pSrcNear, pStep, pDstErr, pTaps, pErr)) return vokStatusNullPtr;
    if (len < 1 || tapLen < 1) return vokStatusBadArg;
    ec::nlms_32f(pSrcRef, pSrcNear, pStep, pDstErr, len, pTaps, tapLen, pErr);
    return vokStatusOk;
}

VokStatus voksNLMS_EC_16s(const Vok16s* pSrcRef, const Vok16s* pSrcNear, const Vok32s* pStep, Vok16s* pDstErr,
                          int len, Vok16s* pTaps, int tapLen, Vok16s* pErr) {
    if (any_null(pSrcRef, pSrcNear, pStep, pDstErr, pTaps, pErr)) return vokStatusNullPtr;
    if (len < 1 || tapLen < 1) return vokStatusBadArg;
    ec::nlms_16s(pSrcRef, pSrcNear, pStep, pDstErr, len, pTaps, tapLen, pErr);
    return vokStatusOk;
}

VokStatus voksFIRSubband_EC_32fc(const Vok32fc** ppSrc, const Vok32fc** ppCoef, Vok32fc* pDst, int numTaps,
                                 int len) {
    if (any_null(ppSrc, ppCoef, pDst)) return vokStatusNullPtr;
    if (bad_bins(len)) return vokStatusSubbandLength;
    if (bad_taps(numTaps)) return vokStatusRange;
    if (null_entry(ppSrc, numTaps) || null_entry(ppCoef, numTaps)) return vokStatusNullPtr;
    ec::kernels().sb_fir_32fc(ppSrc, ppCoef, pDst, numTaps, len);
    return vokStatusOk;
}

VokStatus voksFIRSubband_EC_32sc_Sfs(const Vok32sc** ppSrc, const Vok32sc** ppCoef, Vok32sc* pDst,
                                     int numTaps, int len, int scale) {
    if (any_null(ppSrc, ppCoef, pDst)) return vokStatusNullPtr;
    if (bad_bins(len)) return vokStatusSubbandLength;
    if (bad_taps(numTaps) || scale < -31 || scale > 31) return vokStatusRange;
    if (null_entry(ppSrc, numTaps) || null_entry(ppCoef, numTaps)) return vokStatusNullPtr;
    ec::sb_fir_32sc(ppSrc, ppCoef, pDst, numTaps, len, scale);
    return vokStatusOk;
}

VokStatus voksFIRSubbandLow_EC_32sc_Sfs(const Vok32sc** ppSrc, const Vok32sc** ppCoef, int numTaps,
                                        Vok32sc* pDst, int startBin, int len, int scale) {
    if (any_null(ppSrc, ppCoef, pDst)) return vokStatusNullPtr;
    if (bad_taps(numTaps) || startBin < 0 || startBin > len) return vokStatusRange;
    if (bad_bins(len)) return vokStatusSubbandLength;
    if (scale < 0 || scale > 31) return vokStatusRange;
    if (null_entry(ppSrc, numTaps) || null_entry(ppCoef, numTaps)) return vokStatusNullPtr;
    ec::sb_fir_low_32sc(ppSrc, ppCoef, numTaps, pDst, startBin, len, scale);
    return vokStatusOk;
}

VokStatus voksFIRSubbandCoeffUpdate_EC_32fc_I(const Vok64f* pStep, const Vok32fc** ppSrc, const Vok32fc* pErr,
                                              Vok32fc** ppCoef, int numTaps, int len) {
    if (any_null(pStep, ppSrc, pErr, ppCoef)) return vokStatusNullPtr;
    if (bad_bins(len)) return vokStatusSubbandLength;
    if (bad_taps(numTaps)) return vokStatusRange;
    if (null_entry(ppSrc, numTaps) || null_entry(ppCoef, numTaps)) return vokStatusNullPtr;
    for (int i = 0; i < len; ++i)
        if (!(pStep[i] >= 0.0)) return vokStatusSize;  // a NaN step is rejected too
    ec::kernels().sb_update_32fc(pStep, ppSrc, pErr, ppCoef, numTaps, len);
    return vokStatusOk;
}

VokStatus voksFIRSubbandCoeffUpdate_EC_32sc_I(const VokEcStep32s* pStep, const Vok32sc** ppSrc,
                                              const Vok32sc* pErr, Vok32sc** ppCoef, int numTaps, int len,
                                              int scale) {
    if (any_null(pStep, ppSrc, pErr, ppCoef)) return vokStatusNullPtr;
    if (bad_bins(len)) return vokStatusSubbandLength;
    if (bad_taps(numTaps) || scale < 0 || scale > 31) return vokStatusRange;
    if (null_entry(ppSrc, numTaps) || null_entry(ppCoef, numTaps)) return vokStatusNullPtr;
    for (int i = 0; i < len; ++i)
        if (pStep[i].mant < 0) return vokStatusSize;
    ec::sb_update_32sc(pStep, ppSrc, pErr, ppCoef, numTaps, len, scale);
    return vokStatusOk;
}

VokStatus voksFIRSubbandLowCoeffUpdate_EC_32sc_I(const Vok32sc** ppSrc, const Vok32sc* pErr, Vok32sc** ppCoef,
                                                 int numTaps, Vok32sc* pDstScaledErr,
                                                 const VokEcStep32s* pStep, int startBin, int len,
                                                 int scale) {
    if (any_null(pStep, ppSrc, pErr, ppCoef, pDstScaledErr)) return vokStatusNullPtr;
    if (bad_taps(numTaps) || startBin < 0 || startBin > len) return vokStatusRange;
    if (bad_bins(len)) return vokStatusSubbandLength;
    if (scale < 0 || scale > 31) return vokStatusRange;
    if (startBin == len) return vokStatusOk;
    if (null_entry(ppSrc, numTaps) || null_entry(ppCoef, numTaps)) return vokStatusNullPtr;
    ec::sb_update_low_32sc(ppSrc, pErr, ppCoef, numTaps, pDstScaledErr, pStep, startBin, len, scale);
    return vokStatusOk;
}

VokStatus voksFIRSubbandAPCoeffUpdate_EC_32fc_I(const Vok64f** ppStep, const Vok32fc** ppSrc,
                                                const Vok32fc** ppErr, Vok32fc** ppCoef, int numTaps, int len,
                                                int order) {
    if (any_null(ppStep, ppSrc, ppErr, ppCoef)) return vokStatusNullPtr;
    if (bad_bins(len)) return vokStatusSubbandLength;
    if (bad_taps(numTaps) || order < 1) return vokStatusRange;
    if (null_entry(ppStep, order) || null_entry(ppErr, order) || null_entry(ppSrc, numTaps + order - 1) ||
        null_entry(ppCoef, numTaps))
        return vokStatusNullPtr;
    ec::sb_update_ap_32fc(ppStep, ppSrc, ppErr, ppCoef, numTaps, len, order);
    return vokStatusOk;
}

}  // extern "C"

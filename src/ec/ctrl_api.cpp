// Exported step-size controllers: argument checks in their documented order, then the core.
#include <cstring>

#include "ec/ctrl_internal.h"
#include "frame/check.h"
#include "voksc.h"

using voks::any_null;
namespace ec = voks::ec;

namespace {

bool bad_rate(int fs) {
    return fs != 8000 && fs != 16000;
}

// Sub-band sizes: at least 1, and no more bins and taps than the sub-band filters accept (the
// state sizes stay within an int).
bool bad_sub(int K, int S, int T) {
    return K < 1 || S < 1 || T < 1 || K > 4097 || T > 255 || S > (1 << 20);
}

template <class P>
bool null_entry(P* const* table, int n) {
    for (int k = 0; k < n; ++k)
        if (table[k] == nullptr) return true;
    return false;
}

template <class S>
S* aligned(void* state) {
    return ec::align16<S>(state);
}

// A full-band state is copied out, processed and written back.
template <class S, class F>
void with_state(void* state, F f) {
    S s;
    std::memcpy(&s, aligned<unsigned char>(state), sizeof s);
    f(s);
    std::memcpy(aligned<unsigned char>(state), &s, sizeof s);
}

template <class S>
S head(void* state) {
    S s;
    std::memcpy(&s, aligned<unsigned char>(state), sizeof s);
    return s;
}

VokStatus check_sub(int K, int S, int T, int fs) {
    if (bad_sub(K, S, T)) return vokStatusBadArg;
    if (bad_rate(fs)) return vokStatusRange;
    return vokStatusOk;
}

}  // namespace

extern "C" {

VokStatus voksFullbandControllerGetSize_EC_32f(int frameSize, int tapLen, int sampleFreq, int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    if (frameSize < 1 || tapLen < 1) return vokStatusBadArg;
    if (bad_rate(sampleFreq)) return vokStatusRange;
    *pSize = 72;
    return vokStatusOk;
}

VokStatus voksFullbandControllerGetSize_EC_16s(int frameSize, int tapLen, int sampleFreq, int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    if (frameSize < 1 || tapLen < 1) return vokStatusBadArg;
    if (bad_rate(sampleFreq)) return vokStatusRange;
    *pSize = 96;
    return vokStatusOk;
}

VokStatus voksFullbandControllerInit_EC_32f(VokFullbandControllerState_32f* pState, int frameSize, int tapLen,
                                            int sampleFreq) {
    if (any_null(pState)) return vokStatusNullPtr;
    if (frameSize < 1 || tapLen < 1) return vokStatusBadArg;
    if (bad_rate(sampleFreq)) return vokStatusRange;
    ec::Full32f s;
    ec::full_init_32f(s, frameSize, tapLen, sampleFreq);
    std::memcpy(aligned<unsigned char>(pState), &s, sizeof s);
    return vokStatusOk;
}

VokStatus voksFullbandControllerInit_EC_16s(VokFullbandControllerState_16s* pState, int frameSize, int tapLen,
                                            int sampleFreq) {
    if (any_null(pState)) return vokStatusNullPtr;
    if (frameSize < 1 || tapLen < 1) return vokStatusBadArg;
    if (bad_rate(sampleFreq)) return vokStatusRange;
    ec::Full16s s;
    ec::full_init_16s(s, frameSize, tapLen, sampleFreq);
    std::memcpy(aligned<unsigned char>(pState), &s, sizeof s);
    return vokStatusOk;
}

VokStatus voksFullbandControllerReset_EC_32f(VokFullbandControllerState_32f* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    with_state<ec::Full32f>(pState, [](ec::Full32f& s) { s.Ee = s.Ed = s.Eh = 0.0f; });
    return vokStatusOk;
}

VokStatus voksFullbandControllerReset_EC_16s(VokFullbandControllerState_16s* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    with_state<ec::Full16s>(pState, [](ec::Full16s& s) { s.Ee = s.Ed = 0, s.Eh = 0; });
    return vokStatusOk;
}

VokStatus voksFullbandControllerUpdate_EC_32f(const Vok32f* pSrcRef, const Vok32f* pSrcNear, Vok32f* pDstStep,
                                              VokFullbandControllerState_32f* pState) {
    if (any_null(pSrcRef, pSrcNear, pDstStep, pState)) return vokStatusNullPtr;
    with_state<ec::Full32f>(pState,
                            [&](ec::Full32f& s) { ec::full_update_32f(pSrcRef, pSrcNear, pDstStep, s); });
    return vokStatusOk;
}

VokStatus voksFullbandControllerUpdate_EC_16s(const Vok16s* pSrcRef, const Vok16s* pSrcNear, Vok32s* pDstStep,
                                              VokFullbandControllerState_16s* pState) {
    if (any_null(pSrcRef, pSrcNear, pDstStep, pState)) return vokStatusNullPtr;
    with_state<ec::Full16s>(pState,
                            [&](ec::Full16s& s) { ec::full_update_16s(pSrcRef, pSrcNear, pDstStep, s); });
    return vokStatusOk;
}

VokStatus voksFullbandController_EC_32f(const Vok32f* pSrcErr, const Vok32f* pSrcNear, Vok32f* pTaps,
                                        Vok32f* pBackupTaps, Vok32f* pDstGain,
                                        VokFullbandControllerState_32f* pState) {
    if (any_null(pSrcErr, pSrcNear, pTaps, pBackupTaps, pDstGain, pState)) return vokStatusNullPtr;
    with_state<ec::Full32f>(pState, [&](ec::Full32f& s) {
        ec::full_control_32f(pSrcErr, pSrcNear, pTaps, pBackupTaps, pDstGain, s);
    });
    return vokStatusOk;
}

VokStatus voksFullbandController_EC_16s(const Vok16s* pSrcErr, const Vok16s* pSrcNear, Vok16s* pTaps,
                                        Vok16s* pBackupTaps, Vok16s* pDstGain,
                                        VokFullbandControllerState_16s* pState) {
    if (any_null(pSrcErr, pSrcNear, pTaps, pBackupTaps, pDstGain, pState)) return vokStatusNullPtr;
    with_state<ec::Full16s>(pState, [&](ec::Full16s& s) {
        ec::full_control_16s(pSrcErr, pSrcNear, pTaps, pBackupTaps, pDstGain, s);
    });
    return vokStatusOk;
}

VokStatus voksSubbandControllerGetSize_EC_32f(int len, int frameSize, int numTaps, int sampleFreq,
                                              int* pSize) {
    if (const VokStatus st = check_sub(len, frameSize, numTaps, sampleFreq)) return st;
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = ec::sub_bytes_32f(len);
    return vokStatusOk;
}

VokStatus voksSubbandControllerGetSize_EC_16s(int len, int frameSize, int numTaps, int sampleFreq,
                                              int* pSize) {
    if (const VokStatus st = check_sub(len, frameSize, numTaps, sampleFreq)) return st;
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = ec::sub_bytes_16s(len);
    return vokStatusOk;
}

VokStatus voksSubbandControllerInit_EC_32f(VokSubbandControllerState_32f* pState, int len, int frameSize,
                                           int numTaps, int sampleFreq) {
    if (const VokStatus st = check_sub(len, frameSize, numTaps, sampleFreq)) return st;
    if (any_null(pState)) return vokStatusNullPtr;
    ec::sub_init_32f(pState, len, frameSize, numTaps, sampleFreq);
    return vokStatusOk;
}

VokStatus voksSubbandControllerInit_EC_16s(VokSubbandControllerState_16s* pState, int len, int frameSize,
                                           int numTaps, int sampleFreq) {
    if (const VokStatus st = check_sub(len, frameSize, numTaps, sampleFreq)) return st;
    if (any_null(pState)) return vokStatusNullPtr;
    ec::sub_init_16s(pState, len, frameSize, numTaps, sampleFreq);
    return vokStatusOk;
}

VokStatus voksSubbandControllerReset_EC_32f(VokSubbandControllerState_32f* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    ec::sub_reset_32f(pState);
    return vokStatusOk;
}

VokStatus voksSubbandControllerReset_EC_16s(VokSubbandControllerState_16s* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    ec::sub_reset_16s(pState);
    return vokStatusOk;
}

VokStatus voksSubbandAPControllerUpdate_EC_32f(const Vok32fc** ppSrcRef, const Vok32fc* pNear,
                                               Vok64f* pDstStep, VokSubbandControllerState_32f* pState,
                                               Vok32f mu0) {
    if (any_null(ppSrcRef, pDstStep, pState)) return vokStatusNullPtr;
    if (!(mu0 >= 0.0f && mu0 <= 1.0f)) return vokStatusRange;
    if (null_entry(ppSrcRef, head<ec::Sub32f>(pState).T)) return vokStatusNullPtr;
    ec::sub_update_32f(ppSrcRef, pNear, pDstStep, pState, mu0);
    return vokStatusOk;
}

VokStatus voksSubbandControllerUpdate_EC_32f(const void* pUnused1, const void* pUnused2,
                                             const Vok32fc** ppSrcRef, const Vok32fc* pNear, Vok64f* pDstStep,
                                             VokSubbandControllerState_32f* pState) {
    if (any_null(pUnused1, pUnused2)) return vokStatusNullPtr;
    return voksSubbandAPControllerUpdate_EC_32f(ppSrcRef, pNear, pDstStep, pState, 0.5f);
}

VokStatus voksSubbandControllerUpdate_EC_16s(const void* pUnused1, const void* pUnused2,
                                             const Vok32sc** ppSrcRef, const Vok32sc* pNear,
                                             VokEcStep32s* pDstStep, VokSubbandControllerState_16s* pState) {
    if (any_null(pUnused1, pUnused2, ppSrcRef, pDstStep, pState)) return vokStatusNullPtr;
    if (null_entry(ppSrcRef, head<ec::Sub16s>(pState).T)) return vokStatusNullPtr;
    ec::sub_update_16s(ppSrcRef, pNear, pDstStep, pState);
    return vokStatusOk;
}

VokStatus voksSubbandController_EC_32f(const Vok32fc* pSrcErr, const Vok32fc* pSrcNear, Vok32fc** ppCoef,
                                       Vok32fc** ppBackup, Vok32f* pDstGain,
                                       VokSubbandControllerState_32f* pState) {
    if (any_null(pSrcErr, pSrcNear, ppCoef, ppBackup, pDstGain, pState)) return vokStatusNullPtr;
    const int T = head<ec::Sub32f>(pState).T;
    if (null_entry(ppCoef, T) || null_entry(ppBackup, T)) return vokStatusNullPtr;
    ec::sub_control_32f(pSrcErr, pSrcNear, ppCoef, ppBackup, pDstGain, pState);
    return vokStatusOk;
}

VokStatus voksSubbandController_EC_16s(const Vok32sc* pSrcErr, const Vok32sc* pSrcNear, Vok32sc** ppCoef,
                                       Vok32sc** ppBackup, Vok16s* pDstGain,
                                       VokSubbandControllerState_16s* pState) {
    if (any_null(pSrcErr, pSrcNear, ppCoef, ppBackup, pDstGain, pState)) return vokStatusNullPtr;
    const int T = head<ec::Sub16s>(pState).T;
    if (null_entry(ppCoef, T) || null_entry(ppBackup, T)) return vokStatusNullPtr;
    ec::sub_control_16s(pSrcErr, pSrcNear, ppCoef, ppBackup, pDstGain, pState);
    return vokStatusOk;
}

VokStatus voksSubbandControllerDTGetSize_EC_16s(int len, int frameSize, int numTaps, int sampleFreq,
                                                int* pSize) {
    if (const VokStatus st = check_sub(len, frameSize, numTaps, sampleFreq)) return st;
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = ec::dt_bytes(len);
    return vokStatusOk;
}

VokStatus voksSubbandControllerDTInit_EC_16s(VokSubbandControllerDTState_16s* pState, int len, int frameSize,
                                             int numTaps, int sampleFreq) {
    if (const VokStatus st = check_sub(len, frameSize, numTaps, sampleFreq)) return st;
    if (any_null(pState)) return vokStatusNullPtr;
    ec::dt_init(pState, len, frameSize, numTaps, sampleFreq);
    return vokStatusOk;
}

VokStatus voksSubbandControllerDTReset_EC_16s(VokSubbandControllerDTState_16s* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    ec::dt_reset(pState);
    return vokStatusOk;
}

VokStatus voksSubbandControllerDTUpdate_EC_16s(const Vok32sc** ppSrcRef, const Vok32sc* pNear,
                                               const Vok32sc* pErr, VokEcStep32s* pDstStep, Vok32s* pDTFlag,
                                               Vok32s* pLowFlag, int startBin,
                                               VokSubbandControllerDTState_16s* pState) {
    if (any_null(ppSrcRef, pNear, pErr, pDstStep, pDTFlag, pLowFlag, pState)) return vokStatusNullPtr;
    const auto h = head<ec::Sub16s>(pState);
    if (startBin < 0 || startBin > h.K) return vokStatusRange;
    if (null_entry(ppSrcRef, 1)) return vokStatusNullPtr;
    ec::dt_update(ppSrcRef, pNear, pErr, pDstStep, pDTFlag, pLowFlag, startBin, pState);
    return vokStatusOk;
}

VokStatus voksSubbandControllerDT_EC_16s(const Vok32sc* pSrcErr, const Vok32sc* pSrcNear, Vok32sc** ppCoef,
                                         Vok32sc** ppBackup, Vok64s* pLevel, Vok32s* pEvent,
                                         const Vok64s* pEnergy, const Vok32s* pEnergyFlag,
                                         const Vok32s* pOverride, int startBin,
                                         VokSubbandControllerDTState_16s* pState) {
    if (any_null(pSrcErr, pSrcNear, ppCoef, ppBackup, pLevel, pEvent, pEnergy, pEnergyFlag, pOverride,
                 pState))
        return vokStatusNullPtr;
    const auto h = head<ec::Sub16s>(pState);
    if (startBin < 0 || startBin > h.K) return vokStatusRange;
    if (null_entry(ppCoef, h.T) || null_entry(ppBackup, h.T)) return vokStatusNullPtr;
    ec::dt_control(pSrcErr, pSrcNear, ppCoef, ppBackup, pLevel, pEvent, *pEnergy, *pEnergyFlag != 0,
                   *pOverride != 0, startBin, pState);
    return vokStatusOk;
}

}  // extern "C"

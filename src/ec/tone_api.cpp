// Exported answer-tone detector operations: argument checks in their documented order, then the
// detector.
#include <cstring>

#include "ec/tone_internal.h"
#include "frame/check.h"
#include "voksc.h"

using voks::any_null;
namespace ec = voks::ec;

namespace {

template <class S, class B>
S load(B* block) {
    S s;
    std::memcpy(&s, ec::aligned16(block), sizeof s);
    return s;
}

template <class S, class B>
void store(B* block, const S& s) {
    std::memcpy(ec::aligned16(block), &s, sizeof s);
}

VokStatus size_of(int fs, int* pSize, int bytes) {
    if (any_null(pSize)) return vokStatusNullPtr;
    if (ec::tone_rate_index(fs) < 0) return vokStatusRange;
    *pSize = bytes;
    return vokStatusOk;
}

template <class S, class B>
VokStatus init(B* pState, int fs) {
    if (any_null(pState)) return vokStatusNullPtr;
    if (ec::tone_rate_index(fs) < 0) return vokStatusRange;
    S s;
    ec::tone_init(s, fs);
    store(pState, s);
    return vokStatusOk;
}

template <class S, class T, class B>
VokStatus detect(const T* pSrc, int len, int* pResult, B* pState) {
    if (any_null(pSrc, pResult, pState)) return vokStatusNullPtr;
    if (len < 1) return vokStatusBadArg;
    S s = load<S>(pState);
    *pResult = ec::tone_detect(s, pSrc, len);
    store(pState, s);
    return vokStatusOk;
}

}  // namespace

extern "C" {

VokStatus voksToneDetectGetStateSize_EC_32f(int fs, int* pSize) {
    return size_of(fs, pSize, ec::kToneState32fBytes);
}

VokStatus voksToneDetectGetStateSize_EC_16s(int fs, int* pSize) {
    return size_of(fs, pSize, ec::kToneState16sBytes);
}

VokStatus voksToneDetectInit_EC_32f(VokToneDetectState_32f* pState, int fs) {
    return init<ec::ToneState32f>(pState, fs);
}

VokStatus voksToneDetectInit_EC_16s(VokToneDetectState_16s* pState, int fs) {
    return init<ec::ToneState16s>(pState, fs);
}

VokStatus voksToneDetect_EC_32f(const Vok32f* pSrc, int len, int* pResult, VokToneDetectState_32f* pState) {
    return detect<ec::ToneState32f>(pSrc, len, pResult, pState);
}

VokStatus voksToneDetect_EC_16s(const Vok16s* pSrc, int len, int* pResult, VokToneDetectState_16s* pState) {
    return detect<ec::ToneState16s>(pSrc, len, pResult, pState);
}

}  // extern "C"

// Exported G.169 level-control operations: argument checks in their documented order, then the
// level control.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "ec/alc_internal.h"
#include "frame/check.h"
#include "voksc.h"

using voks::any_null;
namespace ec = voks::ec;

namespace {

ec::AlcState load(const VokALCState_G169* p) {
    ec::AlcState s;
    std::memcpy(&s, p, sizeof s);
    return s;
}

void store(VokALCState_G169* p, const ec::AlcState& s) {
    std::memcpy(p, &s, sizeof s);
}

// 32768 / 10^(dB/20): the amplitude dB below full scale.
float below_full_scale(float db) {
    return static_cast<float>(32768.0 / std::pow(10.0, db / 20.0));
}

}  // namespace

extern "C" {

VokStatus voksALCGetStateSize_G169_16s(int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = ec::kAlcStateBytes;
    return vokStatusOk;
}

VokStatus voksALCInit_G169_16s(VokALCState_G169* pState) {
    if (any_null(pState)) return vokStatusNullPtr;
    ec::AlcState s;
    ec::alc_init(s);
    store(pState, s);
    return vokStatusOk;
}

VokStatus voksALCSetLevel_G169_16s(VokALCState_G169* pState, Vok32f targetLevel, Vok32f maxLevel) {
    if (any_null(pState)) return vokStatusNullPtr;
    if (!(targetLevel >= 0.0f) || !(maxLevel >= 0.0f)) return vokStatusRange;
    ec::AlcState s = load(pState);
    s.target = below_full_scale(targetLevel);
    s.max_level = below_full_scale(maxLevel);
    store(pState, s);
    return vokStatusOk;
}

VokStatus voksALCSetGain_G169_16s(VokALCState_G169* pState, Vok32f maxGain) {
    if (any_null(pState)) return vokStatusNullPtr;
    if (!(maxGain >= 0.0f)) return vokStatusRange;
    ec::AlcState s = load(pState);
    // Kept finite: an infinite gain would make 0 * gain a NaN sample.
    s.max_gain = static_cast<float>(std::min(std::pow(10.0, maxGain / 20.0), double{FLT_MAX}));
    store(pState, s);
    return vokStatusOk;
}

VokStatus voksALC_G169_16s(const Vok16s* pSrc, Vok16s* pDst, int len, VokALCState_G169* pState) {
    if (any_null(pSrc, pDst, pState)) return vokStatusNullPtr;
    if (len < ec::kAlcBlock || len % ec::kAlcBlock != 0) return vokStatusSize;
    ec::AlcState s = load(pState);
    ec::alc_run(s, pSrc, pDst, len);
    store(pState, s);
    return vokStatusOk;
}

}  // extern "C"

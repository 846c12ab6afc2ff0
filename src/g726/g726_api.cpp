// Exported G.726 operations: argument checks in their documented order, then the core.
#include <cstring>

#include "frame/check.h"
#include "g726/kernels.h"
#include "voksc.h"

using voks::any_null;
namespace g726 = voks::g726;

namespace {

g726::Core load_core(const void* state) {
    g726::Core c;
    std::memcpy(&c, static_cast<const unsigned char*>(state) + g726::kCoreOffset, sizeof c);
    return c;
}

void store_core(void* state, const g726::Core& c) {
    std::memcpy(static_cast<unsigned char*>(state) + g726::kCoreOffset, &c, sizeof c);
}

}  // namespace

extern "C" {

VokStatus voksEncodeGetStateSize_G726_16s8u(int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = g726::kEncodeStateBytes;
    return vokStatusOk;
}

VokStatus voksDecodeGetStateSize_G726_8u16s(int* pSize) {
    if (any_null(pSize)) return vokStatusNullPtr;
    *pSize = g726::kDecodeStateBytes;
    return vokStatusOk;
}

VokStatus voksEncodeInit_G726_16s8u(VokG726EncodeState* pState, VokSpeechRate rate) {
    if (any_null(pState)) return vokStatusNullPtr;
    const int r = g726::rate_index(rate);
    if (r < 0) return vokStatusRange;
    g726::Core c;
    g726::reset(c, r);
    std::memset(pState, 0, g726::kEncodeStateBytes);
    store_core(pState, c);
    return vokStatusOk;
}

VokStatus voksDecodeInit_G726_8u16s(VokG726DecodeState* pState, VokSpeechRate rate, int law) {
    if (any_null(pState)) return vokStatusNullPtr;
    const int r = g726::rate_index(rate);
    if (r < 0) return vokStatusRange;
    if (law != g726::kLawMu && law != g726::kLawA && law != g726::kLawLinear) return vokStatusRange;
    g726::Core c;
    g726::reset(c, r);
    std::memset(pState, 0, g726::kDecodeStateBytes);
    store_core(pState, c);
    const int32_t l = law;
    std::memcpy(reinterpret_cast<unsigned char*>(pState) + g726::kLawOffset, &l, sizeof l);
    return vokStatusOk;
}

VokStatus voksEncode_G726_16s8u(VokG726EncodeState* pState, const Vok16s* pSrc, Vok8u* pDst, int len) {
    if (any_null(pState, pSrc, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    g726::Core c = load_core(pState);
    g726::kernels().encode(c, pSrc, pDst, len);
    store_core(pState, c);
    return vokStatusOk;
}

VokStatus voksDecode_G726_8u16s(VokG726DecodeState* pState, const Vok8u* pSrc, Vok16s* pDst, int len) {
    if (any_null(pState, pSrc, pDst)) return vokStatusNullPtr;
    if (len < 1) return vokStatusSize;
    g726::Core c = load_core(pState);
    int32_t law;
    std::memcpy(&law, reinterpret_cast<const unsigned char*>(pState) + g726::kLawOffset, sizeof law);
    g726::kernels().decode(c, law, pSrc, pDst, len);
    store_core(pState, c);
    return vokStatusOk;
}

}  // extern "C"

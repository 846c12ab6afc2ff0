// Exported filter-bank operations: argument checks in their documented order, then the core.
#include "ec/sb_internal.h"
#include "frame/check.h"
#include "voksc.h"

using voks::any_null;
namespace ec = voks::ec;

namespace {

// Orders up to 13 (8192 points, 4097 bins) are offered.
constexpr int kMaxOrder = 13;

int state_bytes_32f(int order, int len) {
    return ec::fft_plan_bytes_32f(1 << order) + 8 * len + 56;
}
int state_bytes_16s(int order, int len) {
    return ((ec::fft_plan_bytes_16s(1 << order) + 15) & ~15) + 32 * ((2 * len + 15) / 16) + 64;
}

// The common checks of both Init operations after the pointer.
template <class W>
VokStatus check_init(int order, int shift, int len, const W* window) {
    if (len % (1 << order) != 0 || len > (1 << 20)) return vokStatusBadArg;
    if (window == nullptr && ec::builtin_window_half(order, shift, len) == nullptr) return vokStatusBadArg;
    return vokStatusOk;
}

bool bad_numbers(int order, int shift, int len) {
    return order < 1 || shift < 1 || order > kMaxOrder || shift > (1 << order) || len < 1;
}

}  // namespace

extern "C" {

VokStatus voksSubbandProcessGetSize_32f(int order, int windowLen, int* pStateSize, int* pInitSize,
                                        int* pWorkSize) {
    if (order < 1 || windowLen < 1) return vokStatusBadArg;
    if (any_null(pStateSize, pInitSize, pWorkSize)) return vokStatusNullPtr;
    if (order > kMaxOrder || windowLen % (1 << order) != 0 || windowLen > (1 << 20)) return vokStatusBadArg;
    const int n = 1 << order;
    *pStateSize = state_bytes_32f(order, windowLen);
    *pInitSize = 0;
    *pWorkSize = ec::fft_work_bytes_32f(n) + 4 * n + 16;
    return vokStatusOk;
}

VokStatus voksSubbandProcessGetSize_16s(int order, int windowLen, int* pStateSize, int* pInitSize,
                                        int* pWorkSize) {
    if (order < 1 || windowLen < 1) return vokStatusBadArg;
    if (any_null(pStateSize, pInitSize, pWorkSize)) return vokStatusNullPtr;
    if (order > kMaxOrder || windowLen % (1 << order) != 0 || windowLen > (1 << 20)) return vokStatusBadArg;
    const int n = 1 << order;
    *pStateSize = state_bytes_16s(order, windowLen);
    *pInitSize = 0;
    *pWorkSize = ((4 * n + 15) & ~15) + ec::fft_work_bytes_16s(n) + 16;
    return vokStatusOk;
}

VokStatus voksSubbandProcessInit_32f(VokSubbandProcessState_32f* pState, int order, int frameSize,
                                     int windowLen, const Vok32f* pWindow, Vok8u* /*pInitBuf*/) {
    if (bad_numbers(order, frameSize, windowLen)) return vokStatusBadArg;
    if (any_null(pState)) return vokStatusNullPtr;
    if (const VokStatus st = check_init(order, frameSize, windowLen, pWindow)) return st;
    ec::bank_init_32f(pState, order, frameSize, windowLen, pWindow);
    return vokStatusOk;
}

VokStatus voksSubbandProcessInit_16s(VokSubbandProcessState_16s* pState, int order, int frameSize,
                                     int windowLen, const Vok16s* pWindow, Vok8u* /*pInitBuf*/) {
    if (bad_numbers(order, frameSize, windowLen)) return vokStatusBadArg;
    if (any_null(pState)) return vokStatusNullPtr;
    if (const VokStatus st = check_init(order, frameSize, windowLen, pWindow)) return st;
    ec::bank_init_16s(pState, order, frameSize, windowLen, pWindow);
    return vokStatusOk;
}

VokStatus voksSubbandAnalysis_32f32fc(const Vok32f* pSrc, Vok32fc* pDst, VokSubbandProcessState_32f* pState,
                                      Vok8u* pWorkBuf) {
    if (any_null(pSrc, pDst, pState, pWorkBuf)) return vokStatusNullPtr;
    return ec::bank_analysis_32f(pSrc, pDst, pState, pWorkBuf) ? vokStatusOk : vokStatusInnerFailure;
}

VokStatus voksSubbandAnalysis_16s32sc_Sfs(const Vok16s* pSrc, Vok32sc* pDst,
                                          VokSubbandProcessState_16s* pState, int scale, Vok8u* pWorkBuf) {
    if (any_null(pSrc, pDst, pState, pWorkBuf)) return vokStatusNullPtr;
    return ec::bank_analysis_16s(pSrc, pDst, pState, scale, pWorkBuf) ? vokStatusOk : vokStatusInnerFailure;
}

VokStatus voksSubbandSynthesis_32fc32f(const Vok32fc* pSrc, Vok32f* pDst, VokSubbandProcessState_32f* pState,
                                       Vok8u* pWorkBuf) {
    if (any_null(pSrc, pDst, pState, pWorkBuf)) return vokStatusNullPtr;
    return ec::bank_synthesis_32f(pSrc, pDst, pState, pWorkBuf) ? vokStatusOk : vokStatusInnerFailure;
}

VokStatus voksSubbandSynthesis_32sc16s_Sfs(const Vok32sc* pSrc, Vok16s* pDst,
                                           VokSubbandProcessState_16s* pState, int scale, Vok8u* pWorkBuf) {
    if (any_null(pSrc, pDst, pState, pWorkBuf)) return vokStatusNullPtr;
    return ec::bank_synthesis_16s(pSrc, pDst, pState, scale, pWorkBuf) ? vokStatusOk : vokStatusInnerFailure;
}

}  // extern "C"

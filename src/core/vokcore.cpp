#include "core/vokcore.h"

#include <unistd.h>

#include <cstdlib>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define VOKCORE_X86 1
#endif

namespace {

#if VOKCORE_X86
uint64_t read_xcr0() {
    uint32_t lo = 0, hi = 0;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    return (static_cast<uint64_t>(hi) << 32) | lo;
}
#endif

struct Detected {
    uint64_t features = 0;
    uint32_t regs[4] = {0, 0, 0, 0};
};

Detected detect() {
    Detected d;
#if VOKCORE_X86
    unsigned a = 0, b = 0, c = 0, e = 0;
    if (!__get_cpuid(1, &a, &b, &c, &e)) return d;
    d.regs[0] = a;
    d.regs[1] = b;
    d.regs[2] = c;
    d.regs[3] = e;
    if (e & bit_SSE2) d.features |= vokCpuSSE2;
    if (c & bit_SSSE3) d.features |= vokCpuSSSE3;
    if (c & bit_SSE4_1) d.features |= vokCpuSSE41;
    if (c & bit_SSE4_2) d.features |= vokCpuSSE42;
    // AVX state is usable only when the OS enabled XSAVE and saves XMM and YMM registers.
    const bool osxsave = (c & bit_OSXSAVE) != 0;
    const uint64_t xcr0 = osxsave ? read_xcr0() : 0;
    const bool ymm = (xcr0 & 0x6) == 0x6;
    const bool zmm = ymm && (xcr0 & 0xE0) == 0xE0;
    if (ymm && (c & bit_AVX)) d.features |= vokCpuAVX;
    if (ymm && (c & bit_FMA)) d.features |= vokCpuFMA;
    unsigned a7 = 0, b7 = 0, c7 = 0, e7 = 0;
    if (__get_cpuid_count(7, 0, &a7, &b7, &c7, &e7)) {
        if (ymm && (d.features & vokCpuAVX) && (b7 & bit_AVX2)) d.features |= vokCpuAVX2;
        if (b7 & bit_BMI2) d.features |= vokCpuBMI2;
        if (zmm && (b7 & bit_AVX512F)) d.features |= vokCpuAVX512F;
        if (zmm && (b7 & bit_AVX512BW)) d.features |= vokCpuAVX512BW;
    }
#endif
    return d;
}

const Detected& detected() {
    static const Detected d = detect();
    return d;
}

}  // namespace

extern "C" {

void* vokMalloc(int size) {
    if (size < 1) return nullptr;
    void* p = nullptr;
    if (posix_memalign(&p, 64, static_cast<size_t>(size)) != 0) return nullptr;
    return p;
}

void vokFree(void* ptr) { std::free(ptr); }

uint64_t vokGetCpuFeatures(uint64_t* pFeaturesMask, uint32_t* pCpuidInfoRegs) {
    const Detected& d = detected();
    if (pFeaturesMask) *pFeaturesMask = d.features;
    if (pCpuidInfoRegs)
        for (int i = 0; i < 4; ++i) pCpuidInfoRegs[i] = d.regs[i];
    return d.features;
}

uint64_t vokGetEnabledCpuFeatures(void) { return detected().features; }

int vokGetMaxCacheSizeB(int* pSize) {
    if (!pSize) return -1;
    long best = 0;
#ifdef _SC_LEVEL3_CACHE_SIZE
    const int names[] = {_SC_LEVEL1_DCACHE_SIZE, _SC_LEVEL2_CACHE_SIZE, _SC_LEVEL3_CACHE_SIZE,
                         _SC_LEVEL4_CACHE_SIZE};
    for (int name : names) {
        const long v = sysconf(name);
        if (v > best) best = v;
    }
#endif
    if (best <= 0) return -1;
    *pSize = best > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(best);
    return 0;
}

}  // extern "C"

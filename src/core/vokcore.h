// Stand-in for the core library vokcore: aligned allocation, CPU-feature queries and the
// largest cache size. Kept as its own small library so a real core library can replace it.
#ifndef VOKCORE_H
#define VOKCORE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Feature bits of vokGetCpuFeatures / vokGetEnabledCpuFeatures.
enum {
    vokCpuSSE2 = 1 << 0,
    vokCpuSSSE3 = 1 << 1,
    vokCpuSSE41 = 1 << 2,
    vokCpuSSE42 = 1 << 3,
    vokCpuAVX = 1 << 4,    // set only when the OS saves the YMM state
    vokCpuAVX2 = 1 << 5,   // likewise
    vokCpuFMA = 1 << 6,    // likewise
    vokCpuBMI2 = 1 << 7,
    vokCpuAVX512F = 1 << 8,  // set only when the OS saves the ZMM state
    vokCpuAVX512BW = 1 << 9
};

// Memory aligned to 64 bytes, or null when size < 1 or the allocation fails.
void* vokMalloc(int size);
// Releases memory from vokMalloc; null is ignored.
void vokFree(void* ptr);
// Detected features; fills the optional mask and, when given, the four CPUID(1) registers.
uint64_t vokGetCpuFeatures(uint64_t* pFeaturesMask, uint32_t* pCpuidInfoRegs);
// Features the library may use: the detected ones (no run-time configuration exists).
uint64_t vokGetEnabledCpuFeatures(void);
// Size in bytes of the largest data cache; returns 0 on success, -1 when unknown.
int vokGetMaxCacheSizeB(int* pSize);

#ifdef __cplusplus
}
#endif

#endif  // VOKCORE_H

// Kernel selection. Scalar kernels are the definition; vector twins give identical bits.
//
// Every family declares its kernels once, in its `kernels.h`: one function type `<name>_fn` per
// kernel, documented there (lengths, aliasing, saturation, ties), and a list macro naming them:
//
//     using dot_fn = int32_t(const int16_t* a, const int16_t* b, int n);
//     #define VOKS_COMMON_KERNELS(X) X(dot) X(xcorr) ...
//     VOKS_DECLARE_KERNELS(VOKS_COMMON_KERNELS)
//
// which declares the table type `Kernels`, its accessor `kernels()` (the active level's table),
// `kernels_for(level)` (a given level's table, for the kernel checker), the scalar definitions
// `scalar::<name>` and the AVX2 twins `avx2::<name>` (in `x86/`). The family's `kernels.cpp`
// says VOKS_DEFINE_KERNELS(VOKS_<FAMILY>_KERNELS): the table, constant-initialised to the
// scalar kernels and refilled for the active level once at load and whenever a test forces a
// level. Exported operations call through `kernels()`.
#ifndef VOKS_FRAME_DISPATCH_H
#define VOKS_FRAME_DISPATCH_H

#include <cstdint>

namespace voks::frame {

enum class Level : int { Scalar = 0, AVX2 = 1 };

// The level a CPU with these enabled feature bits (vokCpu* of the core library) can run: AVX2
// needs every extension the AVX2 twins use, AVX2 and FMA (each set only when the OS saves the
// YMM state).
Level select_level(uint64_t features);
// Highest level this CPU and OS support (queried from the core library once).
Level detected_level();
// Level the kernel tables are currently filled for.
Level active_level();
// Test hook (not exported): refill every kernel table for min(level, detected_level()).
// Returns the level actually applied. Not to be called while other threads run kernels.
Level force_level(Level level);
// Test hook (not exported): refill every kernel table as on a CPU with these enabled features
// (never above detected_level()). Returns the level applied.
Level force_cpu_features(uint64_t features);

// Registers a table-fill function and runs it for the active level.
struct KernelInit {
    explicit KernelInit(void (*fill)(Level));
};

}  // namespace voks::frame

// Scalar kernels are plain loops; GCC is kept from vectorising them so that the kernel checker
// and the benchmarks compare against true scalar code.
#if defined(__clang__)
#define VOKS_SCALAR
#else
#define VOKS_SCALAR __attribute__((optimize("no-tree-vectorize")))
#endif

#define VOKS_KERNEL_MEMBER(name) name##_fn* name;
#define VOKS_KERNEL_DECLARE(name) name##_fn name;
#define VOKS_KERNEL_SCALAR(name) scalar::name,
#if defined(__x86_64__) || defined(__i386__)
#define VOKS_KERNEL_AVX2(name) avx2::name,
#else
#define VOKS_KERNEL_AVX2(name) scalar::name,
#endif

#define VOKS_DECLARE_KERNELS(LIST)                  \
    struct Kernels {                                \
        LIST(VOKS_KERNEL_MEMBER)                    \
    };                                              \
    const Kernels& kernels();                       \
    const Kernels& kernels_for(frame::Level level); \
    namespace scalar {                              \
    LIST(VOKS_KERNEL_DECLARE)                       \
    }                                               \
    namespace avx2 {                                \
    LIST(VOKS_KERNEL_DECLARE)                       \
    }

#define VOKS_DEFINE_KERNELS(LIST)                                                \
    namespace {                                                                  \
    constexpr Kernels kScalarKernels = {LIST(VOKS_KERNEL_SCALAR)};               \
    constexpr Kernels kAvx2Kernels = {LIST(VOKS_KERNEL_AVX2)};                   \
    Kernels g_kernels = kScalarKernels;                                          \
    void fill_kernels(frame::Level level) {                                      \
        g_kernels = level == frame::Level::AVX2 ? kAvx2Kernels : kScalarKernels; \
    }                                                                            \
    const frame::KernelInit g_kernel_init(fill_kernels);                         \
    }                                                                            \
    const Kernels& kernels() {                                                   \
        return g_kernels;                                                        \
    }                                                                            \
    const Kernels& kernels_for(frame::Level level) {                             \
        return level == frame::Level::AVX2 ? kAvx2Kernels : kScalarKernels;      \
    }

#endif  // VOKS_FRAME_DISPATCH_H

// Kernel selection. Scalar kernels are the definition; vector twins give identical bits. Each
// family keeps one table of kernel pointers, constant-initialised to the scalar kernels, and a
// KernelInit that refills it for a level: once when the library is loaded, and again whenever a
// test forces a level.
#ifndef VOKS_FRAME_DISPATCH_H
#define VOKS_FRAME_DISPATCH_H

namespace voks::frame {

enum class Level : int { Scalar = 0, AVX2 = 1 };

// Highest level this CPU and OS support (queried from the core library once).
Level detected_level();
// Level the kernel tables are currently filled for.
Level active_level();
// Test hook (not exported): refill every kernel table for min(level, detected_level()).
// Returns the level actually applied. Not to be called while other threads run kernels.
Level force_level(Level level);

// Registers a table-fill function and runs it for the active level.
struct KernelInit {
    explicit KernelInit(void (*fill)(Level));
};

}  // namespace voks::frame

#endif  // VOKS_FRAME_DISPATCH_H

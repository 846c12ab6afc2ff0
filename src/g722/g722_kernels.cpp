// The G.722 kernel table: scalar kernels until the load-time fill selects the CPU's level.
#include "frame/dispatch.h"
#include "g722/g722_internal.h"

namespace voks::g722 {
namespace {

constexpr Kernels kScalarKernels = {qmf_tx_scalar, qmf_rx_scalar, encode_scalar, decode_scalar};
Kernels g_kernels = kScalarKernels;

void fill(frame::Level level) {
    g_kernels = kScalarKernels;
#if defined(__x86_64__) || defined(__i386__)
    if (level == frame::Level::AVX2) g_kernels = Kernels{qmf_tx_avx2, qmf_rx_avx2, encode_sse2, decode_sse2};
#else
    (void)level;
#endif
}
const frame::KernelInit kInit(fill);

}  // namespace

const Kernels& kernels() {
    return g_kernels;
}

}  // namespace voks::g722

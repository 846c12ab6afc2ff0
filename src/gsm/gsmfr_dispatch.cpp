// Kernel table of the GSM full-rate family.
#include "gsm/gsmfr_kernels.h"

namespace voks::gsm {
namespace {

constexpr GsmfrKernels kScalar{st_analysis_c, st_synthesis_c, weighting_c};

GsmfrKernels g_kernels = kScalar;

void fill(frame::Level level) {
    g_kernels = kScalar;
#if defined(__x86_64__) || defined(__i386__)
    if (level == frame::Level::AVX2) {
        g_kernels.st_analysis = st_analysis_avx2;
        g_kernels.st_synthesis = st_synthesis_avx2;
        g_kernels.weighting = weighting_avx2;
    }
#else
    (void)level;
#endif
}

const frame::KernelInit g_init(fill);

}  // namespace

const GsmfrKernels& gsmfr_kernels() { return g_kernels; }

}  // namespace voks::gsm

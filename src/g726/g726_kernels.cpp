// G.726 ADPCM scalar kernels, their dispatch table and the state reset.
#include <cstdint>
#include <cstring>

#include "frame/dispatch.h"
#include "g726/g726_internal.h"
#include "g726/g726_tables.h"
#include "g726/g726_adpcm.h"

namespace voks::g726 {
namespace {

const Kernels kScalarKernels = {encode_scalar, decode_scalar};
Kernels g_kernels = kScalarKernels;

void fill(frame::Level level) {
    g_kernels = kScalarKernels;
#if defined(__x86_64__) || defined(__i386__)
    if (level == frame::Level::AVX2) g_kernels = Kernels{encode_avx2, decode_avx2};
#else
    (void)level;
#endif
}
const frame::KernelInit kInit(fill);

}  // namespace

const Kernels& kernels() { return g_kernels; }

void encode_scalar(Core& s, const int16_t* x, uint8_t* codes, int n) {
    encode_any<ScalarPredictor>(s, x, codes, n);
}

void decode_scalar(Core& s, int32_t law, const uint8_t* codes, int16_t* out, int n) {
    decode_any<ScalarPredictor>(s, law, codes, out, n);
}

int rate_index(int rate_code) {
    switch (rate_code) {
        case 17: return 0;  // 16 kbit/s
        case 22: return 1;  // 24 kbit/s
        case 23: return 2;  // 32 kbit/s
        case 24: return 3;  // 40 kbit/s
        default: return -1;
    }
}

void reset(Core& s, int rate) {
    std::memset(&s, 0, sizeof s);
    s.yl = 34816;
    s.yu = 544;
    for (int k = 0; k < 6; ++k) s.dq[k] = 32;
    s.sr[0] = s.sr[1] = 32;
    s.rate = static_cast<int16_t>(rate);
}

void encode(Core& s, const int16_t* x, uint8_t* codes, int n) { kernels().encode(s, x, codes, n); }

void decode(Core& s, int32_t law, const uint8_t* codes, int16_t* out, int n) {
    kernels().decode(s, law, codes, out, n);
}

}  // namespace voks::g726

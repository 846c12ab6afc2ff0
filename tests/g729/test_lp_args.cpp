// Argument checks of every G.729 linear-prediction operation, in their documented order: a failed
// check returns its status and leaves every buffer (outputs, memories, states) byte for byte as
// it was.
#include <cstring>

#include "support/args.h"

namespace {

using namespace argcheck;
using std::tuple;

// Every buffer an operation may touch: canary bytes everywhere, then valid inputs.
struct Bufs {
    int16_t lsp[16], lsf[16], lpc[32], out16[64], out16b[64], mem[40], idx[4], win[145];
    int32_t r[32], out32[64], state[31];
    float lspf[16], lpcf[32], rf[32], outf[64], outfb[64], memf[40], statef[31], winf[145];
    int idxi[4];
    Bufs() {
        std::memset(static_cast<void*>(this), 0xA5, sizeof *this);
        const int16_t lsp0[10] = {30000, 26000, 21000, 15000, 8000, 0, -8000, -15000, -21000, -26000};
        std::memcpy(lsp, lsp0, sizeof(lsp0));
        for (int i = 0; i < 10; ++i) {
            lsf[i] = static_cast<int16_t>(2339 * (i + 1));
            lspf[i] = lsp0[i] / 32768.0f;
        }
        for (int i = 0; i < 40; ++i) {
            mem[i] = lsf[i % 10];
            memf[i] = lsf[i % 10] / 8192.0f;
        }
        for (int i = 0; i <= 30; ++i) {
            lpc[i] = i == 0 ? 4096 : 0;
            lpcf[i] = i == 0 ? 1.0f : 0.0f;
        }
        for (int i = 0; i < 32; ++i) {
            r[i] = 0x40000000 >> i;
            rf[i] = 1.0f / static_cast<float>(1 << (i % 20));
        }
        const int16_t good[4] = {0, 5, 6, 7};
        for (int i = 0; i < 4; ++i) idxi[i] = idx[i] = good[i];
    }
};

auto* hs16(Bufs& b) {
    return reinterpret_cast<VokWinHybridState_G729E_16s*>(b.state);
}
auto* hs32(Bufs& b) {
    return reinterpret_cast<VokWinHybridState_G729E_32f*>(b.statef);
}

// A planted value in the 16-bit and the int index vectors.
auto index(int i, int v) {
    return [i, v](Bufs& b) { b.idx[i] = static_cast<int16_t>(b.idxi[i] = v); };
}

TEST(G729LpArgs, Analysis) {
    // clang-format off
    ARGS(voksLagWindow_G729_32s_I, [](Bufs& b) { return tuple(b.r, 10); })
        .fail(kSize, at<1>(0)).fail(kSize, at<1>(-1)).fail(vokStatusRange, at<1>(13));
    // An energy outside the recursion's range, or an unstable filter, is a warning that writes nothing.
    ARGS(voksLevinsonDurbin_G729_32s16s, [](Bufs& b) { return tuple(b.r, 10, b.out16, b.out16b, b.idx + 3); })
        .fail(kSize, at<1>(0)).fail(kSize, at<1>(31))
        .quiet(vokStatusOverflow, [](Bufs& b) { b.r[0] = 0x8000; })
        .quiet(vokStatusOverflow, [](Bufs& b) { b.r[0] = -0x40000000; })
        .quiet(vokStatusOverflow, [](Bufs& b) { b.r[1] = b.r[0]; });
    ARGS(voksLevinsonDurbin_G729_32f, [](Bufs& b) { return tuple(b.rf, 10, b.outf, b.outfb, b.statef); })
        .fail(kSize, at<1>(0));
    for (auto fn : {voksLPCToLSP_G729_16s, voksLPCToLSP_G729A_16s})
        ARGS(fn, [](Bufs& b) { return tuple(b.lpc, b.lsp, b.out16); });
    for (auto fn : {voksLPCToLSP_G729_32f, voksLPCToLSP_G729A_32f})
        ARGS(fn, [](Bufs& b) { return tuple(b.lpcf, b.lspf, b.outf); });
    ARGS(voksLSPToLPC_G729_16s, [](Bufs& b) { return tuple(b.lsp, b.out16); });
    ARGS(voksLSPToLPC_G729_32f, [](Bufs& b) { return tuple(b.lspf, b.outf); });
    ARGS(voksLSFToLSP_G729_16s, [](Bufs& b) { return tuple(b.lsf, b.out16); });
    ARGS(voksLSPToLSF_G729_16s, [](Bufs& b) { return tuple(b.lsp, b.out16); });
    ARGS(voksLSPToLSF_Norm_G729_16s, [](Bufs& b) { return tuple(b.lsp, b.out16); });
    ARGS(voksWinHybridGetStateSize_G729E_16s, [](Bufs& b) { return tuple(b.idxi); });
    ARGS(voksWinHybridGetStateSize_G729E_32f, [](Bufs& b) { return tuple(b.idxi); });
    ARGS(voksWinHybridInit_G729E_16s, [](Bufs& b) { return tuple(hs16(b)); });
    ARGS(voksWinHybridInit_G729E_32f, [](Bufs& b) { return tuple(hs32(b)); });
    ARGS(voksWinHybrid_G729E_16s32s, [](Bufs& b) { return tuple(b.win, b.out32, hs16(b)); });
    ARGS(voksWinHybrid_G729E_32f, [](Bufs& b) { return tuple(b.winf, b.outf, hs32(b)); });
    // clang-format on
}

TEST(G729LpArgs, Interpolation) {
    // clang-format off
    ARGS(voksInterpolate_G729_16s, [](Bufs& b) { return tuple(b.lsf, b.lsp, b.out16, 10); })
        .fail(kSize, at<3>(0));
    // The scale factor is checked before the length.
    ARGS(voksInterpolateC_G729_16s_Sfs, [](Bufs& b) { return tuple(b.lsf, 1, b.lsp, 1, b.out16, 10, 1); })
        .fail(kSf, at<6>(-1)).fail(kSf, at<6>(-1), at<5>(0)).fail(kSize, at<5>(0));
    ARGS(voksInterpolateC_NR_G729_16s_Sfs, [](Bufs& b) { return tuple(b.lsf, 1, b.lsp, 1, b.out16, 10, 1); })
        .fail(kSf, at<6>(-1), at<5>(0)).fail(kSize, at<5>(-5), at<6>(0));
    ARGS(voksInterpolateC_G729_32f, [](Bufs& b) { return tuple(b.lspf, b.lspf, b.outf, 10, 0.5f, 0.5f); })
        .fail(kSize, at<3>(0));
    // clang-format on
}

TEST(G729LpArgs, Quantisation) {
    // clang-format off
    ARGS(voksLSFQuant_G729_16s, [](Bufs& b) { return tuple(b.lsf, b.mem, b.out16, b.out16b); });
    ARGS(voksLSPQuant_G729_16s, [](Bufs& b) { return tuple(b.lsp, b.mem, b.out16, b.out16b); });
    ARGS(voksLSPQuant_G729E_16s, [](Bufs& b) { return tuple(b.lsp, b.mem, b.out16, b.out16b, b.idx); });
    ARGS(voksLSPQuant_G729E_32f, [](Bufs& b) { return tuple(b.lspf, b.memf, b.outf, b.outfb, b.idx); });
    // The switch bit first (codec parameter), then the codebook indices.
    ARGS(voksLSFDecode_G729_16s, [](Bufs& b) { return tuple(b.idx, b.mem, b.out16); })
        .fail(kParam, index(0, 2)).fail(kParam, index(0, -1), index(1, 200)).fail(kRange, index(1, 128))
        .fail(kRange, index(2, 32)).fail(kRange, index(3, -1));
    ARGS(voksLSFDecode_G729_32f, [](Bufs& b) { return tuple(b.idxi, b.memf, b.outf); })
        .fail(kParam, index(0, 2)).fail(kRange, index(1, -1)).fail(kRange, index(3, 32));
    ARGS(voksLSFDecodeErased_G729_16s, [](Bufs& b) { return tuple(0, b.mem, b.lsf); })
        .fail(kParam, at<0>(2)).fail(kParam, at<0>(-1)).fail(kParam, at<0>(5));
    ARGS(voksLSFDecodeErased_G729_32f, [](Bufs& b) { return tuple(0, b.memf, b.lspf); })
        .fail(kParam, at<0>(2));
    // clang-format on
}

}  // namespace

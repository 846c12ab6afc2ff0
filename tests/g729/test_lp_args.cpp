// Argument checks of every G.729 linear-prediction operation, in their documented order: a failed
// check returns its status and leaves every buffer (outputs, memories, states) byte for byte as
// it was.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "voksc.h"

namespace {

// Every buffer an operation may touch, filled with valid inputs and canary outputs.
struct Bufs {
    int16_t lsp[16], lsf[16], lpc[32], out16[64], out16b[64], mem[40], idx[4];
    int32_t r[32], out32[64], state[31];
    float lspf[16], lpcf[32], rf[32], outf[64], outfb[64], memf[40], statef[31];
    int idxi[4];
};

// Canary bytes everywhere, then valid inputs.
Bufs make_bufs() {
    Bufs b;
    std::memset(&b, 0xA5, sizeof(b));
    {
        const int16_t lsp0[10] = {30000, 26000, 21000, 15000, 8000, 0, -8000, -15000, -21000, -26000};
        std::memcpy(b.lsp, lsp0, sizeof(lsp0));
        for (int i = 0; i < 10; ++i) {
            b.lsf[i] = static_cast<int16_t>(2339 * (i + 1));
            b.lspf[i] = lsp0[i] / 32768.0f;
        }
        for (int i = 0; i < 40; ++i) {
            b.mem[i] = b.lsf[i % 10];
            b.memf[i] = b.lsf[i % 10] / 8192.0f;
        }
        b.lpc[0] = 4096;
        b.lpcf[0] = 1.0f;
        for (int i = 1; i <= 30; ++i) {
            b.lpc[i] = 0;
            b.lpcf[i] = 0.0f;
        }
        b.r[0] = 0x40000000;
        b.rf[0] = 1.0f;
        for (int i = 1; i < 32; ++i) {
            b.r[i] = 0x40000000 >> i;
            b.rf[i] = 1.0f / static_cast<float>(1 << (i % 20));
        }
        const int16_t good[4] = {0, 5, 6, 7};
        std::memcpy(b.idx, good, sizeof(good));
        for (int i = 0; i < 4; ++i) b.idxi[i] = good[i];
    }
    return b;
}

struct Case {
    const char* what;
    void (*plant)(Bufs&);  // puts the bad value in place, or null
    std::function<VokStatus(Bufs&)> call;
    VokStatus expected;
};

auto* hs16(Bufs& b) { return reinterpret_cast<VokWinHybridState_G729E_16s*>(b.state); }
auto* hs32(Bufs& b) { return reinterpret_cast<VokWinHybridState_G729E_32f*>(b.statef); }

const std::vector<Case>& cases() {
    static const std::vector<Case> v = {
        {"LagWindow null", nullptr, [](Bufs&) { return voksLagWindow_G729_32s_I(nullptr, 10); }, vokStatusNullPtr},
        {"LagWindow null, len 0", nullptr, [](Bufs&) { return voksLagWindow_G729_32s_I(nullptr, 0); }, vokStatusNullPtr},
        {"LagWindow len 0", nullptr, [](Bufs& b) { return voksLagWindow_G729_32s_I(b.r, 0); }, vokStatusSize},
        {"LagWindow len -1", nullptr, [](Bufs& b) { return voksLagWindow_G729_32s_I(b.r, -1); }, vokStatusSize},
        {"LagWindow len 13", nullptr, [](Bufs& b) { return voksLagWindow_G729_32s_I(b.r, 13); }, vokStatusRange},

        {"Levinson16 null r", nullptr, [](Bufs& b) { return voksLevinsonDurbin_G729_32s16s(nullptr, 10, b.out16, b.out16b, b.idx); }, vokStatusNullPtr},
        {"Levinson16 null a", nullptr, [](Bufs& b) { return voksLevinsonDurbin_G729_32s16s(b.r, 10, nullptr, b.out16b, b.idx); }, vokStatusNullPtr},
        {"Levinson16 null rc", nullptr, [](Bufs& b) { return voksLevinsonDurbin_G729_32s16s(b.r, 10, b.out16, nullptr, b.idx); }, vokStatusNullPtr},
        {"Levinson16 null err, order 0", nullptr, [](Bufs& b) { return voksLevinsonDurbin_G729_32s16s(b.r, 0, b.out16, b.out16b, nullptr); }, vokStatusNullPtr},
        {"Levinson16 order 0", nullptr, [](Bufs& b) { return voksLevinsonDurbin_G729_32s16s(b.r, 0, b.out16, b.out16b, b.idx); }, vokStatusSize},
        {"Levinson16 order 31", nullptr, [](Bufs& b) { return voksLevinsonDurbin_G729_32s16s(b.r, 31, b.out16, b.out16b, b.idx); }, vokStatusSize},
        {"Levinson16 r0 = 0x8000", [](Bufs& b) { b.r[0] = 0x8000; }, [](Bufs& b) { return voksLevinsonDurbin_G729_32s16s(b.r, 10, b.out16, b.out16b, b.idx + 3); }, vokStatusOverflow},
        {"Levinson16 r0 negative", [](Bufs& b) { b.r[0] = -0x40000000; }, [](Bufs& b) { return voksLevinsonDurbin_G729_32s16s(b.r, 10, b.out16, b.out16b, b.idx + 3); }, vokStatusOverflow},
        {"Levinson16 unstable", [](Bufs& b) { b.r[1] = b.r[0]; }, [](Bufs& b) { return voksLevinsonDurbin_G729_32s16s(b.r, 10, b.out16, b.out16b, b.idx + 3); }, vokStatusOverflow},
        {"Levinson32f null r", nullptr, [](Bufs& b) { return voksLevinsonDurbin_G729_32f(nullptr, 10, b.outf, b.outfb, b.statef); }, vokStatusNullPtr},
        {"Levinson32f null a", nullptr, [](Bufs& b) { return voksLevinsonDurbin_G729_32f(b.rf, 10, nullptr, b.outfb, b.statef); }, vokStatusNullPtr},
        {"Levinson32f null rc", nullptr, [](Bufs& b) { return voksLevinsonDurbin_G729_32f(b.rf, 10, b.outf, nullptr, b.statef); }, vokStatusNullPtr},
        {"Levinson32f null err", nullptr, [](Bufs& b) { return voksLevinsonDurbin_G729_32f(b.rf, 10, b.outf, b.outfb, nullptr); }, vokStatusNullPtr},
        {"Levinson32f order 0", nullptr, [](Bufs& b) { return voksLevinsonDurbin_G729_32f(b.rf, 0, b.outf, b.outfb, b.statef); }, vokStatusSize},

        {"LPCToLSP null a", nullptr, [](Bufs& b) { return voksLPCToLSP_G729_16s(nullptr, b.lsp, b.out16); }, vokStatusNullPtr},
        {"LPCToLSP null prev", nullptr, [](Bufs& b) { return voksLPCToLSP_G729_16s(b.lpc, nullptr, b.out16); }, vokStatusNullPtr},
        {"LPCToLSP null dst", nullptr, [](Bufs& b) { return voksLPCToLSP_G729_16s(b.lpc, b.lsp, nullptr); }, vokStatusNullPtr},
        {"LPCToLSP A null a", nullptr, [](Bufs& b) { return voksLPCToLSP_G729A_16s(nullptr, b.lsp, b.out16); }, vokStatusNullPtr},
        {"LPCToLSP A null prev", nullptr, [](Bufs& b) { return voksLPCToLSP_G729A_16s(b.lpc, nullptr, b.out16); }, vokStatusNullPtr},
        {"LPCToLSP A null dst", nullptr, [](Bufs& b) { return voksLPCToLSP_G729A_16s(b.lpc, b.lsp, nullptr); }, vokStatusNullPtr},
        {"LPCToLSP 32f null a", nullptr, [](Bufs& b) { return voksLPCToLSP_G729_32f(nullptr, b.lspf, b.outf); }, vokStatusNullPtr},
        {"LPCToLSP 32f null prev", nullptr, [](Bufs& b) { return voksLPCToLSP_G729_32f(b.lpcf, nullptr, b.outf); }, vokStatusNullPtr},
        {"LPCToLSP 32f null dst", nullptr, [](Bufs& b) { return voksLPCToLSP_G729_32f(b.lpcf, b.lspf, nullptr); }, vokStatusNullPtr},
        {"LPCToLSP A 32f null a", nullptr, [](Bufs& b) { return voksLPCToLSP_G729A_32f(nullptr, b.lspf, b.outf); }, vokStatusNullPtr},
        {"LPCToLSP A 32f null prev", nullptr, [](Bufs& b) { return voksLPCToLSP_G729A_32f(b.lpcf, nullptr, b.outf); }, vokStatusNullPtr},
        {"LPCToLSP A 32f null dst", nullptr, [](Bufs& b) { return voksLPCToLSP_G729A_32f(b.lpcf, b.lspf, nullptr); }, vokStatusNullPtr},

        {"LSPToLPC null src", nullptr, [](Bufs& b) { return voksLSPToLPC_G729_16s(nullptr, b.out16); }, vokStatusNullPtr},
        {"LSPToLPC null dst", nullptr, [](Bufs& b) { return voksLSPToLPC_G729_16s(b.lsp, nullptr); }, vokStatusNullPtr},
        {"LSPToLPC 32f null src", nullptr, [](Bufs& b) { return voksLSPToLPC_G729_32f(nullptr, b.outf); }, vokStatusNullPtr},
        {"LSPToLPC 32f null dst", nullptr, [](Bufs& b) { return voksLSPToLPC_G729_32f(b.lspf, nullptr); }, vokStatusNullPtr},
        {"LSFToLSP null src", nullptr, [](Bufs& b) { return voksLSFToLSP_G729_16s(nullptr, b.out16); }, vokStatusNullPtr},
        {"LSFToLSP null dst", nullptr, [](Bufs& b) { return voksLSFToLSP_G729_16s(b.lsf, nullptr); }, vokStatusNullPtr},
        {"LSPToLSF null src", nullptr, [](Bufs& b) { return voksLSPToLSF_G729_16s(nullptr, b.out16); }, vokStatusNullPtr},
        {"LSPToLSF null dst", nullptr, [](Bufs& b) { return voksLSPToLSF_G729_16s(b.lsp, nullptr); }, vokStatusNullPtr},
        {"LSPToLSF_Norm null src", nullptr, [](Bufs& b) { return voksLSPToLSF_Norm_G729_16s(nullptr, b.out16); }, vokStatusNullPtr},
        {"LSPToLSF_Norm null dst", nullptr, [](Bufs& b) { return voksLSPToLSF_Norm_G729_16s(b.lsp, nullptr); }, vokStatusNullPtr},

        {"Interpolate null 1", nullptr, [](Bufs& b) { return voksInterpolate_G729_16s(nullptr, b.lsp, b.out16, 10); }, vokStatusNullPtr},
        {"Interpolate null 2", nullptr, [](Bufs& b) { return voksInterpolate_G729_16s(b.lsf, nullptr, b.out16, 10); }, vokStatusNullPtr},
        {"Interpolate null dst, len 0", nullptr, [](Bufs& b) { return voksInterpolate_G729_16s(b.lsf, b.lsp, nullptr, 0); }, vokStatusNullPtr},
        {"Interpolate len 0", nullptr, [](Bufs& b) { return voksInterpolate_G729_16s(b.lsf, b.lsp, b.out16, 0); }, vokStatusSize},
        {"InterpolateC null 1", nullptr, [](Bufs& b) { return voksInterpolateC_G729_16s_Sfs(nullptr, 1, b.lsp, 1, b.out16, 10, 1); }, vokStatusNullPtr},
        {"InterpolateC null 2", nullptr, [](Bufs& b) { return voksInterpolateC_G729_16s_Sfs(b.lsf, 1, nullptr, 1, b.out16, 10, 1); }, vokStatusNullPtr},
        {"InterpolateC null dst, sf -1", nullptr, [](Bufs& b) { return voksInterpolateC_G729_16s_Sfs(b.lsf, 1, b.lsp, 1, nullptr, 10, -1); }, vokStatusNullPtr},
        {"InterpolateC sf -1, len 0", nullptr, [](Bufs& b) { return voksInterpolateC_G729_16s_Sfs(b.lsf, 1, b.lsp, 1, b.out16, 0, -1); }, vokStatusScaleFactor},
        {"InterpolateC len 0", nullptr, [](Bufs& b) { return voksInterpolateC_G729_16s_Sfs(b.lsf, 1, b.lsp, 1, b.out16, 0, 1); }, vokStatusSize},
        {"InterpolateC_NR null 1", nullptr, [](Bufs& b) { return voksInterpolateC_NR_G729_16s_Sfs(nullptr, 1, b.lsp, 1, b.out16, 10, 1); }, vokStatusNullPtr},
        {"InterpolateC_NR null 2", nullptr, [](Bufs& b) { return voksInterpolateC_NR_G729_16s_Sfs(b.lsf, 1, nullptr, 1, b.out16, 10, 1); }, vokStatusNullPtr},
        {"InterpolateC_NR null dst", nullptr, [](Bufs& b) { return voksInterpolateC_NR_G729_16s_Sfs(b.lsf, 1, b.lsp, 1, nullptr, 10, 1); }, vokStatusNullPtr},
        {"InterpolateC_NR sf -1, len 0", nullptr, [](Bufs& b) { return voksInterpolateC_NR_G729_16s_Sfs(b.lsf, 1, b.lsp, 1, b.out16, 0, -1); }, vokStatusScaleFactor},
        {"InterpolateC_NR len -5", nullptr, [](Bufs& b) { return voksInterpolateC_NR_G729_16s_Sfs(b.lsf, 1, b.lsp, 1, b.out16, -5, 0); }, vokStatusSize},
        {"InterpolateC 32f null 1", nullptr, [](Bufs& b) { return voksInterpolateC_G729_32f(nullptr, b.lspf, b.outf, 10, 0.5f, 0.5f); }, vokStatusNullPtr},
        {"InterpolateC 32f null 2", nullptr, [](Bufs& b) { return voksInterpolateC_G729_32f(b.lspf, nullptr, b.outf, 10, 0.5f, 0.5f); }, vokStatusNullPtr},
        {"InterpolateC 32f null dst", nullptr, [](Bufs& b) { return voksInterpolateC_G729_32f(b.lspf, b.lspf, nullptr, 10, 0.5f, 0.5f); }, vokStatusNullPtr},
        {"InterpolateC 32f len 0", nullptr, [](Bufs& b) { return voksInterpolateC_G729_32f(b.lspf, b.lspf, b.outf, 0, 0.5f, 0.5f); }, vokStatusSize},

        {"LSFQuant null lsf", nullptr, [](Bufs& b) { return voksLSFQuant_G729_16s(nullptr, b.mem, b.out16, b.out16b); }, vokStatusNullPtr},
        {"LSFQuant null mem", nullptr, [](Bufs& b) { return voksLSFQuant_G729_16s(b.lsf, nullptr, b.out16, b.out16b); }, vokStatusNullPtr},
        {"LSFQuant null q", nullptr, [](Bufs& b) { return voksLSFQuant_G729_16s(b.lsf, b.mem, nullptr, b.out16b); }, vokStatusNullPtr},
        {"LSFQuant null idx", nullptr, [](Bufs& b) { return voksLSFQuant_G729_16s(b.lsf, b.mem, b.out16, nullptr); }, vokStatusNullPtr},
        {"LSPQuant null lsp", nullptr, [](Bufs& b) { return voksLSPQuant_G729_16s(nullptr, b.mem, b.out16, b.out16b); }, vokStatusNullPtr},
        {"LSPQuant null mem", nullptr, [](Bufs& b) { return voksLSPQuant_G729_16s(b.lsp, nullptr, b.out16, b.out16b); }, vokStatusNullPtr},
        {"LSPQuant null q", nullptr, [](Bufs& b) { return voksLSPQuant_G729_16s(b.lsp, b.mem, nullptr, b.out16b); }, vokStatusNullPtr},
        {"LSPQuant null idx", nullptr, [](Bufs& b) { return voksLSPQuant_G729_16s(b.lsp, b.mem, b.out16, nullptr); }, vokStatusNullPtr},
        {"LSPQuant E null lsp", nullptr, [](Bufs& b) { return voksLSPQuant_G729E_16s(nullptr, b.mem, b.out16, b.out16b, b.idx); }, vokStatusNullPtr},
        {"LSPQuant E null mem", nullptr, [](Bufs& b) { return voksLSPQuant_G729E_16s(b.lsp, nullptr, b.out16, b.out16b, b.idx); }, vokStatusNullPtr},
        {"LSPQuant E null residual", nullptr, [](Bufs& b) { return voksLSPQuant_G729E_16s(b.lsp, b.mem, nullptr, b.out16b, b.idx); }, vokStatusNullPtr},
        {"LSPQuant E null q", nullptr, [](Bufs& b) { return voksLSPQuant_G729E_16s(b.lsp, b.mem, b.out16, nullptr, b.idx); }, vokStatusNullPtr},
        {"LSPQuant E null idx", nullptr, [](Bufs& b) { return voksLSPQuant_G729E_16s(b.lsp, b.mem, b.out16, b.out16b, nullptr); }, vokStatusNullPtr},
        {"LSPQuant E 32f null lsp", nullptr, [](Bufs& b) { return voksLSPQuant_G729E_32f(nullptr, b.memf, b.outf, b.outfb, b.idx); }, vokStatusNullPtr},
        {"LSPQuant E 32f null mem", nullptr, [](Bufs& b) { return voksLSPQuant_G729E_32f(b.lspf, nullptr, b.outf, b.outfb, b.idx); }, vokStatusNullPtr},
        {"LSPQuant E 32f null residual", nullptr, [](Bufs& b) { return voksLSPQuant_G729E_32f(b.lspf, b.memf, nullptr, b.outfb, b.idx); }, vokStatusNullPtr},
        {"LSPQuant E 32f null q", nullptr, [](Bufs& b) { return voksLSPQuant_G729E_32f(b.lspf, b.memf, b.outf, nullptr, b.idx); }, vokStatusNullPtr},
        {"LSPQuant E 32f null idx", nullptr, [](Bufs& b) { return voksLSPQuant_G729E_32f(b.lspf, b.memf, b.outf, b.outfb, nullptr); }, vokStatusNullPtr},

        {"LSFDecode null idx", nullptr, [](Bufs& b) { return voksLSFDecode_G729_16s(nullptr, b.mem, b.out16); }, vokStatusNullPtr},
        {"LSFDecode null mem", nullptr, [](Bufs& b) { return voksLSFDecode_G729_16s(b.idx, nullptr, b.out16); }, vokStatusNullPtr},
        {"LSFDecode null lsf", nullptr, [](Bufs& b) { return voksLSFDecode_G729_16s(b.idx, b.mem, nullptr); }, vokStatusNullPtr},
        {"LSFDecode mode 2", [](Bufs& b) { b.idx[0] = 2; }, [](Bufs& b) { return voksLSFDecode_G729_16s(b.idx, b.mem, b.out16); }, vokStatusParamRange},
        {"LSFDecode mode -1, L1 200", [](Bufs& b) { b.idx[0] = -1; b.idx[1] = 200; }, [](Bufs& b) { return voksLSFDecode_G729_16s(b.idx, b.mem, b.out16); }, vokStatusParamRange},
        {"LSFDecode L1 128", [](Bufs& b) { b.idx[1] = 128; }, [](Bufs& b) { return voksLSFDecode_G729_16s(b.idx, b.mem, b.out16); }, vokStatusRange},
        {"LSFDecode L2 32", [](Bufs& b) { b.idx[2] = 32; }, [](Bufs& b) { return voksLSFDecode_G729_16s(b.idx, b.mem, b.out16); }, vokStatusRange},
        {"LSFDecode L3 -1", [](Bufs& b) { b.idx[3] = -1; }, [](Bufs& b) { return voksLSFDecode_G729_16s(b.idx, b.mem, b.out16); }, vokStatusRange},
        {"LSFDecode 32f null idx", nullptr, [](Bufs& b) { return voksLSFDecode_G729_32f(nullptr, b.memf, b.outf); }, vokStatusNullPtr},
        {"LSFDecode 32f null mem", nullptr, [](Bufs& b) { return voksLSFDecode_G729_32f(b.idxi, nullptr, b.outf); }, vokStatusNullPtr},
        {"LSFDecode 32f null lsf", nullptr, [](Bufs& b) { return voksLSFDecode_G729_32f(b.idxi, b.memf, nullptr); }, vokStatusNullPtr},
        {"LSFDecode 32f mode 2", [](Bufs& b) { b.idxi[0] = 2; }, [](Bufs& b) { return voksLSFDecode_G729_32f(b.idxi, b.memf, b.outf); }, vokStatusParamRange},
        {"LSFDecode 32f L1 -1", [](Bufs& b) { b.idxi[1] = -1; }, [](Bufs& b) { return voksLSFDecode_G729_32f(b.idxi, b.memf, b.outf); }, vokStatusRange},
        {"LSFDecode 32f L3 32", [](Bufs& b) { b.idxi[3] = 32; }, [](Bufs& b) { return voksLSFDecode_G729_32f(b.idxi, b.memf, b.outf); }, vokStatusRange},
        {"Erased null mem", nullptr, [](Bufs& b) { return voksLSFDecodeErased_G729_16s(0, nullptr, b.lsf); }, vokStatusNullPtr},
        {"Erased null lsf, mode 5", nullptr, [](Bufs& b) { return voksLSFDecodeErased_G729_16s(5, b.mem, nullptr); }, vokStatusNullPtr},
        {"Erased mode 2", nullptr, [](Bufs& b) { return voksLSFDecodeErased_G729_16s(2, b.mem, b.lsf); }, vokStatusParamRange},
        {"Erased mode -1", nullptr, [](Bufs& b) { return voksLSFDecodeErased_G729_16s(-1, b.mem, b.lsf); }, vokStatusParamRange},
        {"Erased 32f null mem", nullptr, [](Bufs& b) { return voksLSFDecodeErased_G729_32f(0, nullptr, b.lspf); }, vokStatusNullPtr},
        {"Erased 32f null lsf", nullptr, [](Bufs& b) { return voksLSFDecodeErased_G729_32f(0, b.memf, nullptr); }, vokStatusNullPtr},
        {"Erased 32f mode 2", nullptr, [](Bufs& b) { return voksLSFDecodeErased_G729_32f(2, b.memf, b.lspf); }, vokStatusParamRange},

        {"WinHybridGetStateSize 16s null", nullptr, [](Bufs&) { return voksWinHybridGetStateSize_G729E_16s(nullptr); }, vokStatusNullPtr},
        {"WinHybridGetStateSize 32f null", nullptr, [](Bufs&) { return voksWinHybridGetStateSize_G729E_32f(nullptr); }, vokStatusNullPtr},
        {"WinHybridInit 16s null", nullptr, [](Bufs&) { return voksWinHybridInit_G729E_16s(nullptr); }, vokStatusNullPtr},
        {"WinHybridInit 32f null", nullptr, [](Bufs&) { return voksWinHybridInit_G729E_32f(nullptr); }, vokStatusNullPtr},
        {"WinHybrid 16s null src", nullptr, [](Bufs& b) { return voksWinHybrid_G729E_16s32s(nullptr, b.out32, hs16(b)); }, vokStatusNullPtr},
        {"WinHybrid 16s null dst", nullptr, [](Bufs& b) { return voksWinHybrid_G729E_16s32s(b.out16, nullptr, hs16(b)); }, vokStatusNullPtr},
        {"WinHybrid 16s null state", nullptr, [](Bufs& b) { return voksWinHybrid_G729E_16s32s(b.out16, b.out32, nullptr); }, vokStatusNullPtr},
        {"WinHybrid 32f null src", nullptr, [](Bufs& b) { return voksWinHybrid_G729E_32f(nullptr, b.outf, hs32(b)); }, vokStatusNullPtr},
        {"WinHybrid 32f null dst", nullptr, [](Bufs& b) { return voksWinHybrid_G729E_32f(b.outf, nullptr, hs32(b)); }, vokStatusNullPtr},
        {"WinHybrid 32f null state", nullptr, [](Bufs& b) { return voksWinHybrid_G729E_32f(b.outf, b.outf, nullptr); }, vokStatusNullPtr},
    };
    return v;
}

TEST(G729LpArgs, FailedChecksWriteNothing) {
    for (const Case& c : cases()) {
        Bufs b = make_bufs();
        if (c.plant) c.plant(b);
        std::vector<uint8_t> before(sizeof(b));
        std::memcpy(before.data(), &b, sizeof(b));
        EXPECT_EQ(c.call(b), c.expected) << c.what;
        EXPECT_EQ(0, std::memcmp(before.data(), &b, sizeof(b))) << c.what << ": a buffer was written";
    }
}

}  // namespace

// Argument checks of every G.723.1 operation, in their documented order: a failed check returns
// its status and leaves every buffer byte for byte as it was.
#include <cstring>

#include "support/args.h"

namespace {

using namespace argcheck;
using std::tuple;

struct Bufs {
    int16_t sig[700], x[64], h[64], tgt[64], exc[160], mem[160], lpc[16], lsf[16], lsf2[16], acf[16], idx[4];
    int16_t coef[24], out16[480], pos[8], amp[8], s[8];
    int32_t out32[480], in32[64], err[8], hp[2], e32;
    Bufs() {
        std::memset(static_cast<void*>(this), 0xA5, sizeof *this);
        for (int i = 0; i < 700; ++i) sig[i] = static_cast<int16_t>((i * 7919 % 4001) - 2000);
        for (int i = 0; i < 160; ++i) exc[i] = mem[i] = static_cast<int16_t>((i * 37 % 201) - 100);
        for (int i = 0; i < 64; ++i) {
            x[i] = sig[i + 100];
            h[i] = static_cast<int16_t>(i < 60 ? 8192 >> (i / 6) : 0);
            tgt[i] = sig[i + 200];
            in32[i] = sig[i] * 4096;
        }
        for (int i = 0; i < 10; ++i) {
            lpc[i] = static_cast<int16_t>(-100 * i);
            lsf[i] = lsf2[i] = static_cast<int16_t>(2900 * (i + 1));
            acf[i + 1] = static_cast<int16_t>(8000 >> i);
        }
        acf[0] = 16384;
        for (int i = 0; i < 20; ++i) coef[i] = static_cast<int16_t>(i < 10 ? 3000 >> i : 2000 >> (i - 10));
        for (int i = 0; i < 5; ++i) err[i] = 4;
        idx[0] = 12, idx[1] = 34, idx[2] = 56;
        s[0] = 0x1000, s[1] = 0, s[2] = 0;
        e32 = static_cast<int32_t>(0xC0000000u);
    }
};

TEST(G723Args, Analysis) {
    // clang-format off
    ARGS(voksAutoCorr_G723_16s, [](Bufs& b) { return tuple(b.sig, b.s, b.out16); });
    ARGS(voksAutoCorr_NormE_G723_16s, [](Bufs& b) { return tuple(b.sig, b.out16, b.out32); });
    ARGS(voksLevinsonDurbin_G723_16s, [](Bufs& b) { return tuple(b.acf, b.s + 1, b.s + 2, b.out16); });
    ARGS(voksLPCToLSF_G723_16s, [](Bufs& b) { return tuple(b.lpc, b.lsf, b.out16); });
    ARGS(voksLSFToLPC_G723_16s, [](Bufs& b) { return tuple(b.lsf, b.out16); })
        .fail(kRange, [](Bufs& b) { b.lsf[3] = -1; });
    ARGS(voksLSFToLPC_G723_16s_I, [](Bufs& b) { return tuple(b.lsf); })
        .fail(kRange, [](Bufs& b) { b.lsf[9] = -32768; });
    ARGS(voksLSFQuant_G723_16s32s, [](Bufs& b) { return tuple(b.lsf, b.lsf2, b.out32); });
    // Indices outside the codebooks are refused for a good frame and ignored for an erased one.
    ARGS(voksLSFDecode_G723_16s, [](Bufs& b) { return tuple(b.idx, b.lsf2, 0, b.out16); })
        .fail(kRange, [](Bufs& b) { b.idx[1] = 256; })
        .fail(kRange, [](Bufs& b) { b.idx[0] = -1; })
        .pass(at<2>(1), [](Bufs& b) { b.idx[2] = 999; });
    ARGS(voksOpenLoopPitchSearch_G723_16s, [](Bufs& b) { return tuple(b.sig + 300, b.s + 3); });
    ARGS(voksHarmonicSearch_G723_16s, [](Bufs& b) { return tuple(int16_t{60}, b.sig + 300, b.s + 3, b.s + 4); })
        .fail(kSize, at<0>(17)).fail(kSize, at<0>(146)).pass(at<0>(145)).pass(at<0>(18));
    ARGS(voksHarmonicNoiseSubtract_G723_16s_I, [](Bufs& b) { return tuple(int16_t{5000}, 60, b.x, b.mem); })
        .fail(kRange, at<1>(0)).fail(kRange, at<1>(146)).pass(at<1>(145)).pass(at<1>(1));
    // clang-format on
}

TEST(G723Args, Excitation) {
    // clang-format off
    ARGS(voksAdaptiveCodebookSearch_G723, [](Bufs& b) {
        return tuple(int16_t{60}, b.tgt, b.h, b.exc, b.err, b.s + 3, b.s + 4, int16_t{0}, int16_t{0}, vokRate6300); })
        .fail(kRange, at<0>(17)).fail(kRange, at<0>(143)).pass(at<0>(142))
        .fail(kRange, at<0>(142), at<7>(1)).pass(at<0>(141), at<7>(3))
        .fail(kRange, at<7>(5)).fail(kRange, at<7>(-1))
        .fail(kRange, at<9>(vokRate4750)).pass(at<9>(vokRate5300));
    ARGS(voksDecodeAdaptiveVector_G723_16s, [](Bufs& b) {
        return tuple(int16_t{60}, int16_t{1}, int16_t{5}, b.exc, b.out16, vokRate6300); })
        .fail(kParam, at<1>(4)).fail(kParam, at<1>(-1)).fail(kParam, at<0>(17))
        .fail(kParam, at<0>(142), at<1>(3)).pass(at<0>(141), at<1>(3))
        .fail(kParam, at<2>(170)).fail(kParam, at<2>(-1)).pass(at<2>(169))
        .fail(kParam, at<0>(57), at<2>(85)).fail(kParam, at<0>(57), at<2>(86)).pass(at<0>(57), at<2>(84))
        .pass(at<0>(57), at<2>(86), at<5>(vokRate5300))
        .fail(kRange, at<5>(vokRateDTX)).fail(kParam, at<1>(4), at<5>(vokRateDTX));
    ARGS(voksToeplizMatrix_G723_16s32s, [](Bufs& b) { return tuple(b.h, b.out32); });
    ARGS(voksToeplizMatrix_G723_16s, [](Bufs& b) { return tuple(b.h, b.out16); });
    ARGS(voksACELPFixedCodebookSearch_G723_32s16s, [](Bufs& b) {
        return tuple(b.tgt, b.out32, b.pos, b.amp, b.s + 3, b.x, b.s + 1); });
    ARGS(voksACELPFixedCodebookSearch_G723_16s, [](Bufs& b) {
        return tuple(b.tgt, b.out16, b.pos, b.amp, b.s + 3, b.x, b.s + 1); });
    ARGS(voksMPMLQFixedCodebookSearch_G723, [](Bufs& b) {
        return tuple(int16_t{40}, b.h, b.tgt, b.x, b.s + 3, b.s + 4, b.s + 5, b.s + 6, b.out32, int16_t{0}); })
        .fail(kRange, at<0>(17)).fail(kRange, at<0>(146)).pass(at<0>(145))
        .fail(kRange, at<9>(4)).fail(kRange, at<9>(-1)).pass(at<9>(3));
    ARGS(voksGainQuant_G723_16s, [](Bufs& b) {
        return tuple(b.h, b.tgt, int16_t{60}, b.pos, b.amp, b.s + 3, b.s + 4, b.s + 5, 6, &b.e32); })
        .fail(kBad, at<8>(4)).fail(kBad, at<8>(7)).pass(at<8>(5))
        .fail(kRange, at<2>(0)).pass(at<2>(18));
    // clang-format on
}

TEST(G723Args, Filters) {
    // clang-format off
    ARGS(voksGainControl_G723_16s_I, [](Bufs& b) { return tuple(1000, b.x, b.s); })
        .fail(kBad, at<0>(-1)).pass(at<0>(0));
    ARGS(voksHighPassFilter_G723_16s, [](Bufs& b) { return tuple(b.sig, b.out16, b.hp); });
    ARGS(voksIIR16s_G723_16s32s, [](Bufs& b) { return tuple(b.coef, b.x, b.out32, b.mem); });
    ARGS(voksIIR16s_G723_32s16s_Sfs, [](Bufs& b) { return tuple(b.coef, b.in32, 0, b.out16, b.mem); })
        .fail(kSf, at<2>(-1)).pass(at<2>(40));
    ARGS(voksIIR16s_G723_16s_I, [](Bufs& b) { return tuple(b.coef, b.x, b.mem); });
    ARGS(voksSynthesisFilter_G723_16s, [](Bufs& b) { return tuple(b.lpc, b.x, b.mem, b.out16); });
    ARGS(voksSynthesisFilter_G723_16s32s, [](Bufs& b) { return tuple(b.lpc, b.x, b.out32, b.mem); });
    ARGS(voksTiltCompensation_G723_32s16s, [](Bufs& b) { return tuple(int16_t{-8000}, b.in32 + 1, b.out16); });
    ARGS(voksPitchPostFilter_G723_16s, [](Bufs& b) {
        return tuple(int16_t{60}, b.sig + 300, b.s + 3, b.s + 4, b.s + 5, int16_t{0}, vokRate6300); })
        .fail(kRange, at<6>(vokRate4750)).fail(kRange, at<5>(4)).fail(kRange, at<5>(-1))
        .fail(kRange, at<0>(17)).fail(kRange, at<0>(146)).pass(at<0>(145), at<6>(vokRate5300));
    // clang-format on
}

}  // namespace

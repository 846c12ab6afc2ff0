// Argument checks of the AMR-WB operations: pointers first, then lengths, scale factors and
// rates; a failed check writes nothing.
#include <cstring>

#include "support/args.h"

namespace {

using namespace argcheck;
using std::tuple;

struct Buffers {
    int size;
    int16_t in[300];
    int16_t isp[21];
    int16_t lpc[21];
    int16_t out[300];
    int16_t coeff[4];
    int16_t gain;
    int16_t med;
    int16_t wflag;
    int16_t size16;
    int16_t mem;
    int16_t ptr;
    int16_t isf_hist[128];
    int16_t log_en[8];
    int16_t idx[7];
    int16_t past[16];
    int16_t hist[48];
    int32_t gain32;
    int32_t sig[80];
    int16_t exc[320];
    int16_t bounds[2];
    uint8_t pitch[24];
    uint8_t vad[172];
    uint8_t hp[40];

    Buffers() {
        std::memset(static_cast<void*>(this), 0x5A, sizeof *this);
        for (int i = 0; i < 300; ++i) in[i] = static_cast<int16_t>((i * 37) % 2001 - 1000);
        for (int i = 0; i < 21; ++i) isp[i] = static_cast<int16_t>(30000 - 2800 * i);
        for (int i = 0; i < 21; ++i) lpc[i] = i == 0 ? 4096 : static_cast<int16_t>(100 - 7 * i);
        ptr = 0;
        med = 40;
        wflag = 1;
        for (int i = 0; i < 7; ++i) idx[i] = static_cast<int16_t>(i);
        bounds[0] = 100;
        bounds[1] = 115;
        voksAdaptiveCodebookDecodeInit_AMRWB_16s(ps());
        voksVADInit_AMRWB_16s(vs());
        voksHighPassFilterInit_AMRWB_16s(coeff, coeff, 3, hs());
    }
    VokHighPassFilterState_AMRWB* hs() { return reinterpret_cast<VokHighPassFilterState_AMRWB*>(hp); }
    VokVadState_AMRWB* vs() { return reinterpret_cast<VokVadState_AMRWB*>(vad); }
    VokAdaptiveCodebookDecodeState_AMRWB* ps() {
        return reinterpret_cast<VokAdaptiveCodebookDecodeState_AMRWB*>(pitch);
    }
};

TEST(AmrwbArgs, Conversions) {
    // clang-format off
    ARGS(voksISFToISP_AMRWB_16s, [](Buffers& b) { return tuple(b.in, b.out, 16); })
        .fail(kSize, at<2>(0)).pass(at<2>(1));
    ARGS(voksISPToISF_Norm_AMRWB_16s, [](Buffers& b) { return tuple(b.isp, b.out, 16); })
        .fail(kSize, at<2>(0)).pass(at<2>(1));
    ARGS(voksLPCToISP_AMRWB_16s, [](Buffers& b) { return tuple(static_cast<const int16_t*>(b.lpc), b.out, static_cast<const int16_t*>(b.isp)); });
    ARGS(voksISPToLPC_AMRWB_16s, [](Buffers& b) { return tuple(b.isp, b.out, 16); })
        .fail(kSize, at<2>(0)).fail(kSize, at<2>(15)).fail(kSize, at<2>(21)).fail(kSize, at<2>(22))
        .pass(at<2>(2)).pass(at<2>(20));
    // clang-format on
}

TEST(AmrwbArgs, Filters) {
    // clang-format off
    ARGS(voksPreemphasize_AMRWB_16s_ISfs, [](Buffers& b) { return tuple(int16_t{22282}, b.out, 64, 14, &b.mem); })
        .fail(kSize, at<2>(0)).fail(kSf, at<3>(16)).pass(at<3>(15)).pass(at<3>(-3));
    ARGS(voksDeemphasize_AMRWB_NR_16s_I, [](Buffers& b) { return tuple(int16_t{22282}, b.out, 64, &b.mem); })
        .fail(kSize, at<2>(0));
    ARGS(voksSynthesisFilter_AMRWB_16s32s_I, [](Buffers& b) { return tuple(static_cast<const int16_t*>(b.lpc), 16, static_cast<const int16_t*>(b.in), b.sig + 16, 64); })
        .fail(kSize, at<1>(0)).fail(kSize, at<4>(0)).fail(kSize, at<1>(-3));
    ARGS(voksSynthesisFilter_AMRWB_16s32s_ISfs, [](Buffers& b) { return tuple(static_cast<const int16_t*>(b.lpc), 16, static_cast<const int16_t*>(b.in), b.sig + 16, 64, 8); })
        .fail(kSize, at<1>(0)).fail(kSize, at<4>(0)).fail(kRange, at<5>(9)).fail(kRange, at<5>(-1)).pass(at<5>(0));
    ARGS(voksDeemphasize_AMRWB_32s16s, [](Buffers& b) { return tuple(int16_t{22282}, static_cast<const int32_t*>(b.sig), b.out, 64, &b.mem); })
        .fail(kSize, at<3>(0));
    ARGS(voksResidualFilter_AMRWB_16s_Sfs,
         [](Buffers& b) { return tuple(static_cast<const int16_t*>(b.lpc), int16_t{16}, static_cast<const int16_t*>(b.in + 20), b.out, 64, 10); })
        .fail(kSize, at<1>(int16_t{0})).fail(kSize, at<4>(0)).fail(kSize, at<1>(int16_t{17}), at<4>(16))
        .fail(kSf, at<5>(16)).pass(at<5>(15)).pass(at<5>(0));
    // clang-format on
}

TEST(AmrwbArgs, ExcitationAndDtx) {
    // clang-format off
    ARGS(voksAdaptiveCodebookGainCoeff_AMRWB_16s, [](Buffers& b) { return tuple(b.in, b.in + 64, b.coeff, &b.gain, 64); })
        .fail(kSize, at<4>(0));
    ARGS(voksEncDTXBuffer_AMRWB_16s, [](Buffers& b) { return tuple(b.in, b.in, &b.ptr, b.isf_hist, b.log_en, int{vokRate12650}); })
        .fail(kRange, at<5>(int{vokRate12200})).fail(kRange, at<5>(22)).fail(kRange, at<5>(-1))
        .pass(at<5>(int{vokRateDTX}));
    ARGS(voksVADGetSize_AMRWB_16s, [](Buffers& b) { return tuple(&b.size); });
    ARGS(voksVADInit_AMRWB_16s, [](Buffers& b) { return tuple(b.vs()); });
    ARGS(voksVAD_AMRWB_16s, [](Buffers& b) { return tuple(static_cast<const int16_t*>(b.in), b.vs(), &b.ptr, &b.gain); });
    ARGS(voksVADGetEnergyLevel_AMRWB_16s, [](Buffers& b) { return tuple(static_cast<const VokVadState_AMRWB*>(b.vs()), b.out); });
    ARGS(voksDecDTXBuffer_AMRWB_16s, [](Buffers& b) { return tuple(b.in, b.in, &b.ptr, b.isf_hist, b.log_en); });
    // clang-format on
}

// Indices outside their codebooks would read past the tables: rejected, also the ones the
// 36-bit quantiser does not use when it is the 46-bit one's turn.
TEST(AmrwbArgs, IsfQuantisers) {
    // clang-format off
    ARGS(voksISFQuant_AMRWB_16s, [](Buffers& b) { return tuple(b.in, b.past, b.out, b.idx, int{vokRate12650}); })
        .fail(kRange, at<4>(int{vokRate12200})).pass(at<4>(int{vokRate6600})).pass(at<4>(int{vokRateDTX}));
    auto plant = [](int i, int16_t v) { return [i, v](Buffers& b) { b.idx[i] = v; }; };
    ARGS(voksISFQuantDecode_AMRWB_16s,
         [](Buffers& b) { return tuple(static_cast<const int16_t*>(b.idx), b.out, b.past, static_cast<const int16_t*>(b.in), b.hist, 0, int{vokRate23850}); })
        .fail(kRange, at<6>(-1)).fail(kRange, plant(0, 256)).fail(kRange, plant(2, 64)).fail(kRange, plant(6, 32))
        .fail(kRange, plant(1, -1)).fail(kRange, plant(4, 64), at<6>(int{vokRate6600})).pass(plant(6, 200), at<6>(int{vokRate6600}))
        .pass(plant(0, 999), at<5>(1));
    ARGS(voksISFQuantDTX_AMRWB_16s, [](Buffers& b) { return tuple(b.in, b.out, b.idx); });
    ARGS(voksISFQuantDecodeDTX_AMRWB_16s, [](Buffers& b) { return tuple(static_cast<const int16_t*>(b.idx), b.out); })
        .fail(kRange, plant(0, 64)).fail(kRange, plant(4, 32)).fail(kRange, plant(2, -5));
    // clang-format on
}

TEST(AmrwbArgs, GainDecoder) {
    // clang-format off
    auto centre = [](int16_t lag, int16_t flag) { return [lag, flag](Buffers& b) { b.med = lag; b.wflag = flag; }; };
    ARGS(voksOpenLoopPitchSearch_AMRWB_16s, [](Buffers& b) { return tuple(b.in + 120, b.in + 120, &b.med, &b.mem, &b.gain, &b.ptr, &b.size16, b.past, &b.wflag, 64); })
        .fail(kSize, at<9>(0)).fail(kRange, centre(14, 1)).fail(kRange, centre(117, 1)).pass(centre(117, 0)).pass(centre(116, 1)).pass(centre(15, 1));
    ARGS(voksGainQuant_AMRWB_16s, [](Buffers& b) { return tuple(b.in, b.in + 64, 2, b.in + 128, b.in + 192, b.coeff, b.past, &b.gain, &b.gain32, 0, &b.mem, 64, int{vokRate12650}); })
        .fail(kSize, at<11>(0)).fail(kRange, at<12>(int{vokRate12200})).fail(kRange, at<12>(26)).pass(at<12>(int{vokRateDTX}), at<9>(1));
    ARGS(voksDecodeGain_AMRWB_16s, [](Buffers& b) { return tuple(5, int16_t{4096}, &b.gain, &b.gain32, 0, 0, b.past, &b.mem, &b.ptr, int{vokRate12650}); })
        .fail(kRange, at<9>(int{vokRate12200})).fail(kRange, at<0>(128)).fail(kRange, at<0>(-1))
        .fail(kRange, at<0>(64), at<9>(int{vokRate8850})).pass(at<0>(63), at<9>(int{vokRate6600})).pass(at<0>(127))
        .pass(at<0>(1000), at<4>(1));
    // clang-format on
}

TEST(AmrwbArgs, AlgebraicDecoder) {
    // clang-format off
    ARGS(voksAlgebraicCodebookDecode_AMRWB_16s, [](Buffers& b) { return tuple(static_cast<const int16_t*>(b.idx), b.out, int{vokRate23850}); })
        .fail(kRange, at<2>(int{vokRate32000})).fail(kRange, at<2>(33)).fail(kRange, at<2>(int{vokRate12200}))
        .fail(kRange, at<2>(-1)).pass(at<2>(27)).pass(at<2>(int{vokRateDTX}));
    // clang-format on
}

// Lag indices beyond their bits and windows outside the lag range would read before the
// excitation history: rejected.
TEST(AmrwbArgs, AdaptiveCodebookDecoder) {
    // clang-format off
    ARGS(voksAdaptiveCodebookDecodeGetSize_AMRWB_16s, [](Buffers& b) { return tuple(&b.size); });
    ARGS(voksAdaptiveCodebookDecodeInit_AMRWB_16s, [](Buffers& b) { return tuple(b.ps()); });
    ARGS(voksAdaptiveCodebookDecodeUpdate_AMRWB_16s, [](Buffers& b) { return tuple(9000, 80, b.ps()); });
    auto window = [](int16_t lo) { return [lo](Buffers& b) { b.bounds[0] = lo; }; };
    auto bounds = [](int16_t lo, int16_t hi) { return [lo, hi](Buffers& b) { b.bounds[0] = lo; b.bounds[1] = hi; }; };
    ARGS(voksAdaptiveCodebookSearch_AMRWB_16s, [](Buffers& b) { return tuple(b.in, b.in + 64, b.isp, &b.gain, b.bounds, b.exc + 250, &b.mem, &b.ptr, 1, int{vokRate12650}); })
        .fail(kSize, at<8>(4)).fail(kSize, at<8>(-1)).fail(kRange, at<9>(int{vokRate12200})).fail(kRange, at<9>(23))
        .fail(kRange, bounds(33, 48)).fail(kRange, bounds(100, 99)).fail(kRange, bounds(100, 116)).fail(kRange, bounds(220, 232))
        .pass(at<9>(27)).pass(at<9>(22)).pass(bounds(216, 231)).pass(bounds(50, 50)).pass(bounds(0, 0), at<8>(0));
    ARGS(voksAdaptiveCodebookDecode_AMRWB_16s, [](Buffers& b) { return tuple(5, &b.gain, b.exc + 256, &b.mem, b.bounds, 1, 0, 0, int{vokRate12650}, b.ps()); })
        .fail(kSize, at<5>(4)).fail(kSize, at<5>(-1)).fail(kRange, at<8>(int{vokRate12200})).fail(kRange, at<8>(22))
        .fail(kRange, at<0>(64)).fail(kRange, at<0>(-1)).fail(kRange, at<0>(32), at<8>(int{vokRate8850}))
        .fail(kRange, at<0>(512), at<5>(0)).fail(kRange, at<0>(256), at<5>(2), at<8>(int{vokRate6600}))
        .fail(kRange, window(33)).fail(kRange, window(217)).fail(kRange, window(217), at<6>(1))
        .pass(at<0>(511), at<5>(0)).pass(at<0>(255), at<5>(2), at<8>(int{vokRate8850})).pass(window(216)).pass(at<6>(1), at<7>(1));
    // clang-format on
}

TEST(AmrwbArgs, HighPassFilters) {
    // clang-format off
    ARGS(voksHighPassFilterGetSize_AMRWB_16s, [](Buffers& b) { return tuple(3, &b.size); })
        .fail(kRange, at<0>(4)).fail(kRange, at<0>(1)).pass(at<0>(2));
    ARGS(voksHighPassFilterInit_AMRWB_16s, [](Buffers& b) { return tuple(static_cast<const int16_t*>(b.coeff), static_cast<const int16_t*>(b.coeff), 3, b.hs()); })
        .fail(kSize, at<2>(4)).fail(kSize, at<2>(0)).pass(at<2>(2));
    ARGS(voksHighPassFilterGetDlyLine_AMRWB_16s, [](Buffers& b) { return tuple(static_cast<const VokHighPassFilterState_AMRWB*>(b.hs()), b.out, 3); })
        .fail(kSize, at<2>(4)).pass(at<2>(2));
    ARGS(voksHighPassFilterSetDlyLine_AMRWB_16s, [](Buffers& b) { return tuple(static_cast<const int16_t*>(b.in), b.hs(), 3); })
        .fail(kSize, at<2>(1)).pass(at<2>(2));
    ARGS(voksHighPassFilter_AMRWB_16s_ISfs, [](Buffers& b) { return tuple(b.out, 64, b.hs(), 14); })
        .fail(kSize, at<1>(0)).fail(kSf, at<3>(16)).fail(kSf, at<3>(-1)).pass(at<3>(15)).pass(at<3>(0));
    ARGS(voksHighPassFilter_AMRWB_16s_Sfs, [](Buffers& b) { return tuple(static_cast<const int16_t*>(b.in), b.out, 64, b.hs(), 3); })
        .fail(kSize, at<2>(0)).pass(at<4>(-40000));
    ARGS(voksHighPassFilter_Direct_AMRWB_16s, [](Buffers& b) { return tuple(static_cast<const int16_t*>(b.coeff), static_cast<const int16_t*>(b.in + 1), b.out, 64, 1); })
        .fail(kSize, at<3>(0)).pass(at<4>(0));
    // clang-format on
}

TEST(AmrwbArgs, CodebookSearch) {
    // clang-format off
    ARGS(voksAlgebraicCodebookSearch_AMRWB_16s, [](Buffers& b) { return tuple(static_cast<const int16_t*>(b.in), static_cast<const int16_t*>(b.in + 64), static_cast<const int16_t*>(b.lpc), b.out, b.out + 64, int{vokRate12650}, b.isf_hist); })
        .fail(kRange, at<5>(27)).fail(kRange, at<5>(23)).fail(kRange, at<5>(-1)).fail(kRange, at<5>(int{vokRate12200}))
        .pass(at<5>(int{vokRateDTX})).pass(at<5>(32)).pass(at<5>(int{vokRate24000}));
    // clang-format on
}

}  // namespace

// Argument checks of the G.729 gain, post-filter and boundary-filter operations: every row calls
// one operation with one bad argument (or a null pointer together with a later bad argument, to
// prove the order) and checks the status; every output and state is canary-filled beforehand and
// must come back untouched.
#include <cstring>

#include "support/args.h"

namespace {

using namespace argcheck;
using std::tuple;

struct Buffers {
    int16_t in[256];
    int16_t lpc[32];
    int16_t out[256];
    int16_t out2[64];
    int16_t out3[64];
    int16_t past[4];
    int16_t gains[2];
    int16_t idx[2];
    float fin[64];
    float fout[700];
    float fmem[32];
    int32_t cand[2];
    int32_t iout[2];
    int size;
    uint8_t state[32];

    Buffers() {
        std::memset(static_cast<void*>(this), 0x5A, sizeof *this);
        for (int i = 0; i < 256; ++i) in[i] = static_cast<int16_t>((i * 37) % 2001 - 1000);
        for (int i = 0; i < 32; ++i) lpc[i] = i == 0 || i == 11 ? 4096 : static_cast<int16_t>(100 - 7 * i);
        for (float& f : fin) f = 0.25f;
        cand[0] = cand[1] = 0;
    }
    VokG729HighPassState* hp() { return reinterpret_cast<VokG729HighPassState*>(state); }
    VokG729PhaseDispersionState* pd() { return reinterpret_cast<VokG729PhaseDispersionState*>(state); }
};

// Planted first rows of the two gain codebooks.
auto cand(int first, int second) {
    return [first, second](Buffers& b) {
        b.cand[0] = first;
        b.cand[1] = second;
    };
}

TEST(G729GainArgs, Gains) {
    // clang-format off
    // Pointers, then the taming flag (as unsigned).
    for (auto fn : {voksGainQuant_G729_16s, voksGainQuant_G729D_16s}) {
        ARGS(fn, [](Buffers& b) { return tuple(b.in, b.in, b.in, b.in, b.past, b.gains, b.idx, 0); })
            .fail(kRange, at<7>(2)).fail(kRange, at<7>(-1));
    }
    // The index pointer may be null (erasure), the others not.
    ARGS(voksDecodeGain_G729_16s, [](Buffers& b) { return tuple(1 << 20, b.past, b.idx, b.gains); })
        .optional(2);
    ARGS(voksDecodeGain_G729I_16s, [](Buffers& b) { return tuple(1 << 20, 29491, b.past, b.idx, b.gains); })
        .optional(3);
    ARGS(voksGainCodebookSearch_G729_32f, [](Buffers& b) { return tuple(b.fin, b.cand, b.iout, 0, 1.0f); })
        .fail(kRange, at<3>(2)).fail(kRange, at<3>(3)).fail(kRange, cand(5, 0)).fail(kRange, cand(-1, 0))
        .fail(kRange, cand(0, 9));
    ARGS(voksGainCodebookSearch_G729D_32f, [](Buffers& b) { return tuple(b.fin, b.cand, b.iout, 0, 1.0f); })
        .fail(kRange, at<3>(2)).fail(kRange, at<3>(-1)).fail(kRange, cand(3, 0))
        .fail(kRange, cand(0, 3), at<3>(1));
    // clang-format on
}

TEST(G729GainArgs, PostFilters) {
    // clang-format off
    ARGS(voksLongTermPostFilter_G729_16s,
         [](Buffers& b) { return tuple(16384, 60, b.in + 160, b.out, b.out2); })
        .fail(kRange, at<0>(16385)).fail(kRange, at<0>(-1)).fail(kRange, at<1>(17)).fail(kRange, at<1>(144))
        .fail(kRange, at<1>(0));
    ARGS(voksLongTermPostFilter_G729A_16s,
         [](Buffers& b) { return tuple(60, b.in + 10, b.lpc, b.out, b.out2); })
        .fail(kRange, at<0>(17)).fail(kRange, at<0>(146)).fail(kRange, at<0>(0));
    ARGS(voksLongTermPostFilter_G729B_16s,
         [](Buffers& b) { return tuple(60, b.in + 10, b.lpc, b.out, b.out2, b.out3, 1); })
        .fail(kRange, at<0>(144), at<6>(0)).fail(kRange, at<6>(3)).fail(kRange, at<6>(-1))
        .fail(kRange, at<0>(17));
    ARGS(voksShortTermPostFilter_G729_16s, [](Buffers& b) { return tuple(b.lpc, b.in, b.out + 10, b.out2); });
    ARGS(voksTiltCompensation_G729_16s, [](Buffers& b) { return tuple(b.in, b.out + 1); });
    ARGS(voksTiltCompensation_G729A_16s, [](Buffers& b) { return tuple(b.lpc, b.out + 1); });
    ARGS(voksTiltCompensation_G729E_16s, [](Buffers& b) { return tuple(1000, b.in, b.out); });
    ARGS(voksGainControl_G729_16s_I, [](Buffers& b) { return tuple(b.in, b.out, b.out2); });
    ARGS(voksGainControl_G729A_16s_I, [](Buffers& b) { return tuple(b.in, b.out, b.out2); });
    ARGS(voksGainControl_G729_32f_I, [](Buffers& b) { return tuple(b.fout, b.fmem, 0.1f, 0.9f); });
    ARGS(voksPreemphasize_G729A_16s, [](Buffers& b) { return tuple(100, b.in, b.out, 40, b.out2); })
        .fail(kSize, at<3>(0)).fail(kSize, at<3>(-5));
    ARGS(voksPreemphasize_G729A_16s_I, [](Buffers& b) { return tuple(100, b.out, 40, b.out2); })
        .fail(kSize, at<2>(0));
    ARGS(voksPhaseDispersionGetStateSize_G729D_16s, [](Buffers& b) { return tuple(&b.size); });
    ARGS(voksPhaseDispersionInit_G729D_16s, [](Buffers& b) { return tuple(b.pd()); });
    ARGS(voksPhaseDispersionUpdate_G729D_16s, [](Buffers& b) { return tuple(1, 2, b.pd()); });
    ARGS(voksPhaseDispersion_G729D_16s,
         [](Buffers& b) { return tuple(b.in, b.out, 100, 100, b.out2, b.pd()); });
    // clang-format on
}

TEST(G729GainArgs, Filters) {
    // clang-format off
    ARGS(voksHighPassFilterSize_G729, [](Buffers& b) { return tuple(&b.size); });
    ARGS(voksHighPassFilterInit_G729, [](Buffers& b) { return tuple(b.lpc, b.hp()); });
    ARGS(voksHighPassFilter_G729_16s_ISfs, [](Buffers& b) { return tuple(b.out, 40, 12, b.hp()); })
        .fail(kSize, at<1>(0), at<2>(11)).fail(kSf, at<2>(11)).fail(kSf, at<2>(14));
    ARGS(voksIIR16s_G729_16s, [](Buffers& b) { return tuple(b.lpc, b.in, b.out, b.out2); });
    ARGS(voksIIR16sLow_G729_16s, [](Buffers& b) { return tuple(b.lpc, b.in, b.out, b.out2); });
    ARGS(voksResidualFilter_G729_16s, [](Buffers& b) { return tuple(b.in + 10, b.lpc, b.out); });
    ARGS(voksResidualFilter_G729E_16s, [](Buffers& b) { return tuple(b.lpc, 10, b.in + 30, b.out, 40); })
        .fail(kSize, at<1>(0)).fail(kSize, at<4>(0)).fail(kSize, at<1>(11), at<4>(10));
    ARGS(voksSynthesisFilter_G729E_16s, [](Buffers& b) { return tuple(b.lpc, 10, b.in, b.out, 40, b.out2); })
        .fail(kSize, at<4>(0)).fail(kSize, at<1>(0)).fail(kSize, at<1>(0), at<4>(0));
    ARGS(voksSynthesisFilter_G729E_16s_I, [](Buffers& b) { return tuple(b.lpc, 10, b.out, 40, b.out2); })
        .fail(kSize, at<1>(-1)).fail(kSize, at<3>(0));
    ARGS(voksSynthesisFilter_G729_32f, [](Buffers& b) { return tuple(b.fin, 10, b.fin, b.fout, 40, b.fmem); })
        .fail(kSize, at<4>(641)).fail(kSize, at<4>(0)).fail(kSize, at<1>(31)).fail(kSize, at<1>(0));
    // clang-format on
}

}  // namespace

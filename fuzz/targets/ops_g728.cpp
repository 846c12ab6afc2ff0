// G.728 operations: hybrid windows of arbitrary shape (or state blocks of arbitrary bytes),
// recursions on arbitrary autocorrelations and partial solutions, filter states holding
// arbitrary bytes, arbitrary excitation and target exponents, pitch periods and codebook data;
// failed checks write nothing.
#include <algorithm>

#include "ops.h"

namespace voksfuzz {

int ops_g728(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t head = in.u8();
    select_level(head);
    const bool init = (head & 2) != 0;
    const size_t skew = (head >> 2) & 15;
    // A window of random shape: order, non-recursive and update lengths, block length.
    const int m = in.range(1, 50), nonr = in.range(1, 40), nnew = in.range(1, 24);
    const int block = (head & 0x40) ? 5 : 0;
    const int taps = m + nonr + nnew + (block ? (5 - (m + nonr + nnew) % 5) % 5 : 0);
    const int nonr2 = nonr + (taps - m - nonr - nnew);
    int win_size = 0;
    voksWinHybridGetStateSize_G728_16s(m, nonr2, nnew, block, &win_size);
    std::vector<uint8_t> wb, cb, sb, ib, pb, ab;
    const auto win = in.v16(static_cast<size_t>(taps));
    const int factor = (head & 0x80) ? 8192 : 12288;
    auto* ws =
        state_block<VokG728WinHybridState>(in, wb, win_size, skew, init, [&](VokG728WinHybridState* s) {
            voksWinHybridInit_G728_16s(win.data(), m, nonr2, nnew, block, factor, s);
        });
    auto* comb =
        state_block<VokG728CombinedFilterState>(in, cb, 208, skew, init, voksCombinedFilterInit_G728_16s);
    auto* syn =
        state_block<VokG728SynthesisFilterState>(in, sb, 144, skew, init, voksSynthesisFilterInit_G728_16s);
    auto* iir = state_block<VokG728IIR16sState>(in, ib, 64, skew, init, voksIIR16sInit_G728_16s);
    auto* pf = state_block<VokG728PostFilterState>(in, pb, 64, skew, init, voksPostFilterInit_G728_16s);
    auto* ad = state_block<VokG728PostFilterAdapterState>(in, ab, 176, skew, init,
                                                          voksPostFilterAdapterStateInit_G728);
    run_steps(in, 10, [&](uint8_t op) {
        Guard g;
        const Call calls[] = {
            [&] {
                return call(voksWinHybrid_G728_16s, Args{in.i32(), in.v16(taps), g(in.v16(m + 1)), ws});
            },
            [&] {
                // Records of an exponent and five samples.
                auto blocks = in.v16(static_cast<size_t>(taps / 5 * 6 + 6));
                return call(voksWinHybridBlock_G728_16s,
                            Args{in.i32(), blocks, g(in.v16(m + 1)), g(in.v16(1)), ws});
            },
            [&] {
                const int order = in.range(-1, 60);
                const size_t n = static_cast<size_t>(std::max(order, 1));
                return call(voksLevinsonDurbin_G728_16s_Sfs, Args{in.v16(n + 1), order, g(in.v16(n)),
                                                                  g(in.v16(1)), g(in.v16(1)), g(in.v16(1))});
            },
            [&] {
                const int fin = in.range(0, 60), reached = in.range(-1, fin + 1);
                const size_t n = static_cast<size_t>(std::max(fin, 1));
                auto sv = in.v16(1);
                sv[0] = static_cast<int16_t>(in.range(-2, 16));
                auto& scale = g(std::move(sv));
                return call(voksLevinsonDurbin_G728_16s_ISfs,
                            Args{in.v16(n + 1), reached, fin, g(in.v16(n)), g(in.v16(1)), scale});
            },
            [&] {
                return call(voksCombinedFilterZeroInput_G728_16s,
                            Args{in.v16(20), g(in.v16(5)), in.v16(50), comb});
            },
            [&] {
                return call(voksCombinedFilterZeroState_G728_16s,
                            Args{in.v16(6), in.v16(70), g(in.v16(5)), in.range(-1, 20), g(in.v16(1)),
                                 g(in.v16(5)), comb});
            },
            [&] {
                return call(voksSyntesisFilterZeroInput_G728_16s,
                            Args{in.v16(50), g(in.v16(5)), in.i32(), g(in.v16(1)), g(in.v16(5)), syn});
            },
            [&] {
                const int len = in.length(0, 40);
                return call(voksIIR16s_G728_16s,
                            Args{in.v16(20), in.v16(count(len)), g(in.v16(count(len))), len, iir});
            },
            [&] {
                return call(voksImpulseResponseEnergy_G728_16s, Args{in.v16(5), g(in.v16(128))});
            },
            [&] {
                const auto rate = static_cast<VokSpeechRate>(in.u8() & 31);
                // 196 words: the 12.8 kbit/s codebook, the largest table a rate reads.
                return call(voksCodebookSearch_G728_16s,
                            Args{in.v16(6), in.v16(5), in.v16(196), g(in.v16(1)), g(in.v16(2)), rate});
            },
            [&] {
                const int len = in.range(-1, 66);
                const size_t n = count(len);
                return call(voksCodebookSearchTCQ_G728_16s8u,
                            Args{in.v16(6 * n), in.v16(5), in.v16(128), g(in.bytes(n)), g(in.v16(n)),
                                 g(in.v32(1)), len, in.range(-1, 4)});
            },
            [&] {
                const int16_t period = static_cast<int16_t>(in.range(-1, 160));
                const size_t hist = static_cast<size_t>(std::max<int>(period, 0));
                return call(voksPostFilter_G728_16s, Args{in.i16(), in.i16(), period, in.i16(), in.v16(20),
                                                          At{in.v16(hist + 5), hist}, g(in.v16(5)), pf});
            },
            [&] {
                return call(voksLPCInverseFilter_G728_16s, Args{in.v16(5), in.v16(10), g(in.v16(5)), ad});
            },
            [&] {
                auto kv = in.v32(1);
                kv[0] = in.range(10, 150);
                auto& kp = g(std::move(kv));
                return call(voksPitchPeriodExtraction_G728_16s, Args{in.v16(240), kp, ad});
            },
        };
        return g.run(calls, op);
    });
    return 0;
}

}  // namespace voksfuzz
